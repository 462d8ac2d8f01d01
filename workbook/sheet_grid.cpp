#include "workbook/sheet_grid.h"

#include <algorithm>
#include <cmath>

namespace ovix::workbook {

int64_t PointsToEmu(double points) {
  return static_cast<int64_t>(std::llround(points * static_cast<double>(kEmuPerPoint)));
}

GridAxis::GridAxis(int32_t count, int64_t default_size_emu, std::vector<GridSpan> custom)
    : count_(std::max<int32_t>(count, 1)), default_size_(std::max<int64_t>(default_size_emu, 0)) {
  std::sort(custom.begin(), custom.end(),
            [](const GridSpan& a, const GridSpan& b) { return a.first < b.first; });
  int64_t at = 0;
  int32_t next = 0;  // first cell not yet covered
  auto add = [&](int32_t first, int32_t last, int64_t size) {
    if (last < first) return;
    if (!segments_.empty() && segments_.back().size == size) {
      // Same size as the segment before: it simply goes on.
    } else {
      segments_.push_back({first, at, size});
    }
    at += static_cast<int64_t>(last - first + 1) * size;
    next = last + 1;
  };
  for (const GridSpan& span : custom) {
    const int32_t first = std::max(span.first, next);  // overlaps: the first span wins
    const int32_t last = std::min(span.last, count_ - 1);
    if (first > last) continue;
    add(next, first - 1, default_size_);
    add(first, last, std::max<int64_t>(span.size_emu, 0));
  }
  add(next, count_ - 1, default_size_);
}

void GridAxis::Locate(int64_t at, int32_t& index, int64_t& offset) const {
  index = 0;
  offset = 0;
  if (at <= 0) return;
  // The last segment starting at or before `at`: between two starts lies
  // extent, so only the last segment can lack the room for `at`.
  auto it = std::upper_bound(segments_.begin(), segments_.end(), at,
                             [](int64_t v, const Segment& s) { return v < s.start; });
  const Segment& s = *(it - 1);
  const int32_t last = (it == segments_.end() ? count_ : it->first) - 1;
  if (s.size > 0) {
    const int64_t cell = (at - s.start) / s.size;
    if (cell <= static_cast<int64_t>(last - s.first)) {
      index = s.first + static_cast<int32_t>(cell);
      offset = at - s.start - cell * s.size;
      return;
    }
  }
  // Past the sheet's end: the far edge of the last cell with any extent.
  for (auto seg = it; seg != segments_.begin();) {
    --seg;
    if (seg->size > 0) {
      const auto seg_next = seg + 1;
      index = (seg_next == segments_.end() ? count_ : seg_next->first) - 1;
      offset = seg->size;
      return;
    }
  }
}

int64_t GridAxis::Position(int32_t index, int64_t offset) const {
  index = std::clamp(index, 0, count_ - 1);
  auto it = std::upper_bound(segments_.begin(), segments_.end(), index,
                             [](int32_t v, const Segment& s) { return v < s.first; });
  const Segment& s = *(it - 1);
  return s.start + static_cast<int64_t>(index - s.first) * s.size + offset;
}

SheetGrid::SheetGrid(int64_t column_width_emu, int64_t row_height_emu)
    : columns_(kColumnCount, column_width_emu > 0 ? column_width_emu : kDefaultColumnWidthEmu),
      rows_(kRowCount, row_height_emu > 0 ? row_height_emu : kDefaultRowHeightEmu) {}

CellPosition SheetGrid::CellAt(int64_t x_emu, int64_t y_emu) const {
  CellPosition p;
  columns_.Locate(x_emu, p.column, p.column_offset);
  rows_.Locate(y_emu, p.row, p.row_offset);
  return p;
}

void SheetGrid::PointAt(const CellPosition& cell, int64_t& x_emu, int64_t& y_emu) const {
  x_emu = columns_.Position(cell.column, cell.column_offset);
  y_emu = rows_.Position(cell.row, cell.row_offset);
}

}  // namespace ovix::workbook
