#pragma once
// The drawing layer of a legacy workbook: the drawing group in the globals
// (shape id clusters of 1,024 ids per drawing) and, per sheet, one drawing
// container cut into MSODRAWING records, each shape's followed by its OBJ
// record and a text box's by its TXO record.

#include <cstdint>
#include <string>
#include <vector>

#include "workbook/xls/biff_stream.h"
#include "workbook/xls/font_list.h"
#include "workbook/xls/shape_source.h"

namespace ovix::workbook::xls {

// Last column and row (exclusive) of a legacy sheet, and the size of its
// cells in EMU (72 pixels by 13.5 points, the default cell of a new
// workbook's font).
inline constexpr int32_t kXlsColumns = 256;
inline constexpr int32_t kXlsRows = 65536;
inline constexpr int64_t kXlsColumnEmu = 685800;
inline constexpr int64_t kXlsRowEmu = 171450;

// The shape ids of the workbook's drawings: each drawing takes whole
// clusters of 1,024 ids, the first cluster's first id for its patriarch.
class ShapeIdClusters {
 public:
  // Reserves `count` ids for drawing `dgid`; returns the first.
  uint32_t Reserve(uint32_t dgid, uint64_t count);
  // The MSODRAWINGGROUP record (nothing when no sheet has a drawing).
  void WriteDrawingGroup(BiffStream& out) const;
  uint32_t drawings() const { return drawings_; }

 private:
  struct Cluster {
    uint32_t dgid;
    uint32_t used;
  };
  std::vector<Cluster> clusters_;
  uint32_t spid_max_ = 0;
  uint64_t shapes_saved_ = 0;
  uint32_t drawings_ = 0;
};

// Writes the drawing records of one sheet (nothing for a sheet without
// shapes). Throws excel::AutomationError naming the limit when a shape lies
// past the sheet's last column or row or holds more than a shape can.
void WriteSheetDrawing(const SheetShapes& shapes, uint32_t dgid, ShapeIdClusters& ids, FontList& fonts,
                       BiffStream& out);

}  // namespace ovix::workbook::xls
