#pragma once
// Sheet coordinates. The object model holds positions and sizes in points
// (1/72 inch, x to the right, y downwards from the sheet's top-left corner);
// the drawing part stores whole EMU (12,700 to the point) and anchors each
// top-level shape to the cell grid: a cell (0-based column and row) plus an
// offset inside that cell.
//
// New workbooks pin the default font (ＭＳ Ｐゴシック 11 pt), which makes the
// default column 72 pixels (685,800 EMU) and the default row 13.5 points
// (171,450 EMU) wide and high; every column and row of a new sheet has that
// size.

#include <cstdint>

namespace ovix::workbook {

inline constexpr int64_t kEmuPerPoint = 12700;
inline constexpr int64_t kEmuPerPixel = 9525;
inline constexpr int64_t kDefaultColumnWidthEmu = 72 * kEmuPerPixel;  // 685,800
inline constexpr int64_t kDefaultRowHeightEmu = 171450;               // 13.5 pt
inline constexpr double kDefaultRowHeightPoints = 13.5;

// Whole EMU nearest to `points`.
int64_t PointsToEmu(double points);

struct CellPosition {
  int32_t column = 0;       // 0-based
  int64_t column_offset = 0;  // EMU from the column's left edge
  int32_t row = 0;          // 0-based
  int64_t row_offset = 0;     // EMU from the row's top edge
};

// The cell grid of one sheet with uniform column widths and row heights.
class SheetGrid {
 public:
  static constexpr int32_t kColumnCount = 16384;
  static constexpr int32_t kRowCount = 1048576;

  SheetGrid(int64_t column_width_emu = kDefaultColumnWidthEmu,
            int64_t row_height_emu = kDefaultRowHeightEmu);

  // The cell that holds the sheet point (x, y) in EMU and the offset inside
  // it. Points left of or above the sheet fall on its first column or row
  // (offset 0); points past its last column or row on the far edge of that
  // column or row, so offsets always stay inside their cell.
  CellPosition CellAt(int64_t x_emu, int64_t y_emu) const;

  int64_t column_width_emu() const { return column_width_emu_; }
  int64_t row_height_emu() const { return row_height_emu_; }

 private:
  int64_t column_width_emu_;
  int64_t row_height_emu_;
};

}  // namespace ovix::workbook
