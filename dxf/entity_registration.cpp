// RvDxfImport::SetEntityData: the walk over the stored entities, the value
// conversions and the group codes that every entity kind shares. The kinds
// themselves are in curve_entities.cpp, text_entities.cpp and
// dimension_entities.cpp.

#include "dxf/entity_registration.h"

#include <charconv>
#include <cmath>

#include "dxf/curve_fill_shapes.h"
#include "dxf/draw_all_entities.h"
#include "model/rv_document.h"
#include "tools/numeric.h"
#include "tools/utf8.h"

namespace ovix {

namespace dxf_entities {

double Real(std::string_view value) {
  // Most values are plain decimal numbers: convert those directly, and
  // leave everything else (a leading "+", trailing text, "inf", a number too
  // large) to the lenient parse.
  if (!value.empty() && (static_cast<unsigned>(value.front() - '0') < 10 || value.front() == '-')) {
    double result = 0.0;
    const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), result);
    if (ec == std::errc() && ptr == value.data() + value.size() && std::isfinite(result)) {
      return result;
    }
  }
  return num::LeadingNumber(value);
}
int32_t Integer(std::string_view value) { return num::ToInt32(Real(value)); }
int16_t Short(std::string_view value) { return num::ToInt16(Real(value)); }
int32_t Weight(std::string_view value) { return num::ToInt32(Real(value) / 100.0); }
double StrictReal(std::string_view value) { return num::ToDouble(value); }

bool ApplyCommonCode(RvEntProperty& p, int32_t code, std::string_view value, bool with_weight) {
  switch (code) {
    case 5: p.Handle = value; return true;
    case 6: p.LineType = value; return true;
    case 8: p.Layer = value; return true;
    case 48: p.LineScale = Real(value); return true;
    case 62: p.Color = Integer(value); return true;
    case 370:
      if (!with_weight) return false;
      p.LineWidth = Weight(value);
      return true;
    default: return false;
  }
}

std::string HandleOf(const DxfRecordView& record) {
  for (int32_t i = 0; i < record.PairCount(); ++i) {
    if (record.Code(i) == 5) return std::string(record.Value(i));
  }
  return std::string();
}

bool InPaperSpace(const DxfRecordView& record) {
  bool paper = false;
  ForEachPair(record, [&](int32_t code, std::string_view value) {
    if (code == 67) paper = Integer(value) == 1;
  });
  return paper;
}

int32_t VertexCountToPass(bool written, int32_t written_count, std::size_t read) {
  const auto n = static_cast<int64_t>(read);
  if (written && written_count >= 1 && written_count <= n) return written_count;
  return static_cast<int32_t>(n);
}

}  // namespace dxf_entities

RvSystem* RvDxfImport::SetEntityData() {
  using namespace dxf_entities;
  if (!system_bound_ || !document_) return nullptr;
  RvSystem& system = document_->System();
  skipped_.clear();
  EntityWork work{system, document_->Tools(), {}, {}, {}, {}};

  // Drawing every entity: what the nine stores cannot show faithfully goes
  // to the extra shapes, and the loop below leaves it out.
  std::vector<bool> taken;
  if (draw_all_) draw_all::ExpandDrawing(entities_, blocks_, objects_, system, taken);

  // Each store grows once, to the number of records of its kind (an upper
  // bound: paper-space and incomplete entities are left out).
  for (const auto& [type, count] : entities_.TypeCounts()) system.ReserveEntities(type, count);

  for (std::size_t i = 0; i < entities_.Count(); ++i) {
    if (!taken.empty() && taken[i]) continue;
    const DxfRecordView record = entities_.At(i);
    const std::string_view type = record.Type();
    bool (*registrar)(EntityWork&, const DxfRecordView&) = nullptr;
    bool multiline = false;
    if (type == "LINE") registrar = RegisterLine;
    else if (type == "CIRCLE") registrar = RegisterCircle;
    else if (type == "ELLIPSE") registrar = RegisterEllipse;
    else if (type == "ARC") registrar = RegisterArc;
    else if (type == "LWPOLYLINE") registrar = RegisterPolyline;
    else if (type == "TEXT") multiline = false;
    else if (type == "MTEXT") multiline = true;
    else if (type == "DIMENSION") registrar = RegisterDimension;
    else if (type == "LEADER") registrar = RegisterLeader;
    else continue;  // VIEWPORT, INSERT, HATCH, POLYLINE and the rest
    const bool is_text = registrar == nullptr;

    // Paper-space entities belong to layouts, not to the drawing.
    if (InPaperSpace(record)) continue;
    const int32_t before = system.EntityCountOf(type);
    try {
      if (is_text) RegisterText(work, record, multiline);
      else registrar(work, record);
    } catch (const DxfDataError& e) {
      // A number too large to be a coordinate or size makes this one entity
      // undrawable; the rest of the drawing is still read.
      if (e.kind() != RvErrorKind::Overflow || !e.HasCode()) throw;
      skipped_.push_back({std::string(type), HandleOf(record), record.Line(),
                          "グループコード " + std::to_string(e.Code()) + " の値 \"" +
                              std::string(utf8::Left(e.Value(), 40)) + "\" が扱える範囲を超えています"});
      continue;
    } catch (const RvError& e) {
      // The model refused the entity (for example a value too large for
      // its field).
      throw DxfDataError(e, record.Line(), std::string(type));
    }
    // Where the entity starts in the file, for messages about it.
    if (system.EntityCountOf(type) > before) system.SetEntitySourceLine(type, before, record.Line());
  }
  // Construction lines reach across the whole drawing: cut to its extents
  // once everything else is in the model.
  if (draw_all_) draw_all::PlaceConstructionLines(system);
  return &system;
}

}  // namespace ovix
