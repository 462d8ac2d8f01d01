#pragma once
// Adding the engine's new shapes to a sheet of an opened .xls workbook.
//
// The new shapes are written by the legacy drawing writer as a drawing of
// their own; their records are then fitted into the workbook: shape ids
// taken from the workbook's id clusters (those of the sheet's drawing while
// they have room), object ids after the sheet's largest, cell anchors on the
// sheet's own column widths and row heights, fonts of the texts added after
// the workbook's fonts (or an identical one reused). A sheet with a drawing
// keeps every record of it; its container lengths, shape count and last id
// are patched in place and the new shapes' records follow its last shape.
// A sheet without one gets a new drawing before its window settings. The
// drawing group (created when the workbook has none) counts the new shapes.
//
// The sheet's own shapes are in the engine's drawing as loaded shapes. One
// moved or resized gets its anchor rewritten in place; one grouped with new
// shapes is written by the writer as a placeholder, whose place its own
// records take (made a member: a child anchor, the child flag), leaving
// where they were. Everything else of theirs keeps its bytes.

#include <array>
#include <string>
#include <vector>

#include "workbook/shape_model.h"
#include "workbook/sheet_grid.h"
#include "workbook/xls/xls_stream_rebuild.h"
#include "workbook/xls/xls_workbook_reader.h"

namespace ovix::workbook::xls {

// A top-level shape of a sheet's drawing (a group counts as one).
struct ExistingShape {
  // Its name property, or the default name of its kind and object id
  // ("Text Box 3") when it has none.
  std::string name;
  uint16_t object_type = 0;  // the OBJ record's ot
  uint16_t object_id = 0;
  // The ClientAnchor's cells: column, dx (1/1024), row, dy (1/256), twice.
  std::array<uint16_t, 8> anchor{};
  // Offset of the anchor's first cell value in the sheet's joined drawing data.
  size_t anchor_at = 0;
  // Its container (SpContainer, or a group's SpgrContainer) there: [at, end).
  size_t container_at = 0, container_end = 0;
};

// What a sheet's drawing already holds that new shapes must not repeat: the
// largest OBJ id (default names continue after it) and the shapes' names;
// and the top-level shapes the engine lets the caller move by name (cell
// comments left out). Throws XlsFormatError when the
// drawing's records are damaged.
struct ExistingDrawing {
  uint32_t max_obj_id = 0;
  std::vector<std::string> names;
  std::vector<ExistingShape> shapes;
};
ExistingDrawing ReadExistingDrawing(const XlsWorkbook& book, const XlsSheet& sheet);

// The drawing state of the workbook across the sheets drawn into in one
// save: the ids handed out so far and the fonts added.
class DrawingAppender {
 public:
  explicit DrawingAppender(const XlsWorkbook& book);
  // Adds the records for `drawing`'s new shapes on `sheet` to `edits`,
  // writes the anchors of the sheet's own shapes that were moved or resized
  // (in place: their records keep their length), and moves those grouped
  // with new shapes into their groups. False when nothing of the sheet's
  // drawing changed. Throws excel::AutomationError for a change the format
  // cannot take (a shape of the sheet renamed or rotated, or grouped where
  // its records do not begin and end with it).
  bool Append(const XlsSheet& sheet, const Drawing& drawing, const SheetGrid& grid, StreamEdits& edits);
  // Adds the drawing group and font records to `edits`.
  void Finish(StreamEdits& edits);

 private:
  struct Cluster {
    uint32_t dgid;
    uint32_t used;
  };
  uint32_t TakeIds(uint32_t dgid, uint32_t count, uint32_t lowest, std::vector<uint32_t>& ids);
  uint16_t FontIndex(const std::string& font_record);

  const XlsWorkbook& book_;
  bool has_group_ = false;
  std::string group_data_;   // the DggContainer
  size_t fdgg_at_ = 0;       // offset of the FDGG record in it
  uint32_t spid_max_ = 0, shapes_saved_ = 0, drawings_saved_ = 0;
  std::vector<Cluster> clusters_;
  size_t clusters_read_ = 0;  // clusters the group had
  bool group_changed_ = false;
  // Fonts: the workbook's FONT records, and those added.
  std::vector<std::string> fonts_;
  size_t fonts_read_ = 0;
  size_t last_font_record_ = 0;
};

}  // namespace ovix::workbook::xls
