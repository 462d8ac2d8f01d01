#include "workbook/sheet_grid.h"

#include <cmath>

namespace ovix::workbook {

int64_t PointsToEmu(double points) {
  return static_cast<int64_t>(std::llround(points * static_cast<double>(kEmuPerPoint)));
}

SheetGrid::SheetGrid(int64_t column_width_emu, int64_t row_height_emu)
    : column_width_emu_(column_width_emu > 0 ? column_width_emu : kDefaultColumnWidthEmu),
      row_height_emu_(row_height_emu > 0 ? row_height_emu : kDefaultRowHeightEmu) {}

namespace {

void Locate(int64_t at, int64_t size, int32_t count, int32_t& index, int64_t& offset) {
  if (at <= 0) {
    index = 0;
    offset = 0;
    return;
  }
  const int64_t cell = at / size;
  if (cell >= count) {
    index = count - 1;
    offset = size;
    return;
  }
  index = static_cast<int32_t>(cell);
  offset = at - cell * size;
}

}  // namespace

CellPosition SheetGrid::CellAt(int64_t x_emu, int64_t y_emu) const {
  CellPosition p;
  Locate(x_emu, column_width_emu_, kColumnCount, p.column, p.column_offset);
  Locate(y_emu, row_height_emu_, kRowCount, p.row, p.row_offset);
  return p;
}

}  // namespace ovix::workbook
