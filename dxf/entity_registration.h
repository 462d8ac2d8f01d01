#pragma once
// What the entity families of the DXF reader share: the working values that
// are reused from entity to entity, the value conversions, the common group
// codes and one registration function per entity kind. Used only inside
// dxf/.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dxf/dxf_record.h"
#include "dxf/rv_dxf_import.h"
#include "model/rv_ent_property.h"
#include "model/rv_system.h"
#include "tools/rv_tools.h"

namespace ovix::dxf_entities {

// Working values of the entity walk. Each registration function starts by
// clearing what it uses, so nothing carries over from one entity to the
// next.
struct EntityWork {
  RvSystem& System;
  const RvTools& Tools;
  RvEntProperty Property;
  std::vector<double> X, Y, Z;

  // Clears the property and sizes the coordinate arrays to `points` zeros.
  void Start(std::size_t points) {
    Property.Clear();
    X.assign(points, 0.0);
    Y.assign(points, 0.0);
    Z.assign(points, 0.0);
  }
};

// Value conversions of the entity codes.
double Real(std::string_view value);        // leading number, 0 when none
int32_t Integer(std::string_view value);    // Real rounded half to even, 32 bits
int16_t Short(std::string_view value);      // Real rounded half to even, 16 bits
int32_t Weight(std::string_view value);     // Real / 100 rounded half to even
double StrictReal(std::string_view value);  // the whole value must be a number

// Calls f(code, value) for every pair of `record`; an RvError raised by f
// becomes a DxfDataError naming the pair's line, code and value.
template <typename F>
void ForEachPair(const DxfRecordView& record, F&& f) {
  const int32_t n = record.PairCount();
  for (int32_t i = 0; i < n; ++i) {
    const int32_t code = record.Code(i);
    const std::string_view value = record.Value(i);
    try {
      f(code, value);
    } catch (const DxfDataError&) {
      throw;
    } catch (const RvError& e) {
      throw DxfDataError(e, record.PairLine(i), code, std::string(value), std::string(record.Type()));
    }
  }
}

// Handle (5), line type (6), layer (8), line type scale (48), colour (62)
// and, when `with_weight`, line weight (370). True when `code` was one of
// them.
bool ApplyCommonCode(RvEntProperty& property, int32_t code, std::string_view value,
                     bool with_weight);

// The entity's handle (code 5), empty when it has none.
std::string HandleOf(const DxfRecordView& record);

// Whether the entity lies in paper space (code 67 = 1).
bool InPaperSpace(const DxfRecordView& record);

// One function per entity kind: reads the record and makes the model's add
// call when the entity is complete. True when the entity was added.
bool RegisterLine(EntityWork& work, const DxfRecordView& record);
bool RegisterCircle(EntityWork& work, const DxfRecordView& record);
bool RegisterEllipse(EntityWork& work, const DxfRecordView& record);
bool RegisterArc(EntityWork& work, const DxfRecordView& record);
bool RegisterPolyline(EntityWork& work, const DxfRecordView& record);
bool RegisterText(EntityWork& work, const DxfRecordView& record, bool multiline);
bool RegisterDimension(EntityWork& work, const DxfRecordView& record);
bool RegisterLeader(EntityWork& work, const DxfRecordView& record);

// Dimension kind from the subclass markers in file order: the aligned marker
// sets the kind and the scan goes on; the first rotated, two-line angular,
// diametric or radial marker sets it and ends the scan; "" with no match.
std::string GetDimensionSubclass(std::span<const std::string_view> markers);

// The vertex count to pass for a polyline or leader: the count written in
// the file when it is between 1 and the vertices read, otherwise the
// vertices read.
int32_t VertexCountToPass(bool written, int32_t written_count, std::size_t read);

}  // namespace ovix::dxf_entities
