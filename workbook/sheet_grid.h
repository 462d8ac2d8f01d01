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
// size. A sheet of an opened workbook has its own default sizes and columns
// and rows of custom width or height (hidden ones have none).

#include <cstdint>
#include <vector>

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

// Cells of one size along one axis, from `first` to `last` (0-based,
// inclusive).
struct GridSpan {
  int32_t first = 0;
  int32_t last = 0;
  int64_t size_emu = 0;
};

// The columns or the rows of a sheet: `count` cells of `default_size_emu`,
// except those the spans give another size. Finding the cell at a position
// and the position of a cell take logarithmic time in the number of spans.
class GridAxis {
 public:
  GridAxis(int32_t count, int64_t default_size_emu, std::vector<GridSpan> custom = {});

  // The cell holding `at` (EMU from the axis's start) and the offset inside
  // it. Positions before the first cell fall on it (offset 0), positions past
  // the last one on its far edge; a position on a boundary belongs to the
  // cell that starts there.
  void Locate(int64_t at, int32_t& index, int64_t& offset) const;
  // EMU from the axis's start of the point `offset` into the cell `index`.
  int64_t Position(int32_t index, int64_t offset) const;
  int64_t default_size_emu() const { return default_size_; }

 private:
  struct Segment {
    int32_t first;  // first cell
    int64_t start;  // EMU where that cell starts
    int64_t size;   // EMU of each cell of the segment
  };
  int32_t count_;
  int64_t default_size_;
  std::vector<Segment> segments_;  // cover cells 0..count-1 in order
};

// The cell grid of one sheet.
class SheetGrid {
 public:
  static constexpr int32_t kColumnCount = 16384;
  static constexpr int32_t kRowCount = 1048576;

  // Uniform columns and rows.
  SheetGrid(int64_t column_width_emu = kDefaultColumnWidthEmu,
            int64_t row_height_emu = kDefaultRowHeightEmu);
  SheetGrid(GridAxis columns, GridAxis rows) : columns_(std::move(columns)), rows_(std::move(rows)) {}

  // The cell that holds the sheet point (x, y) in EMU and the offset inside
  // it. Points left of or above the sheet fall on its first column or row
  // (offset 0); points past its last column or row on the far edge of that
  // column or row, so offsets always stay inside their cell.
  CellPosition CellAt(int64_t x_emu, int64_t y_emu) const;
  // The sheet point in EMU of a cell position (the inverse of CellAt).
  void PointAt(const CellPosition& cell, int64_t& x_emu, int64_t& y_emu) const;

  int64_t column_width_emu() const { return columns_.default_size_emu(); }
  int64_t row_height_emu() const { return rows_.default_size_emu(); }

 private:
  GridAxis columns_;
  GridAxis rows_;
};

}  // namespace ovix::workbook
