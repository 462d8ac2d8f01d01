// The move of the finished drawing from its working position onto the page
// area, and grouping: the pieces of one entity, or the whole drawing. Only
// the shapes this run drew take part: a workbook's own shapes, charts,
// pictures and controls (and an earlier drawing) stay where they are.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "excel/rv_excel_export.h"

namespace ovix {

void RvExcelExport::NoteEarlierShapes() {
  earlier_shapes_.clear();
  auto shapes = Sheet()->Shapes();
  const int32_t count = shapes->Count();
  earlier_shapes_.reserve(static_cast<std::size_t>(count));
  for (int32_t i = 1; i <= count; ++i) earlier_shapes_.insert(shapes->Item(i)->Name());
}

std::vector<std::string> RvExcelExport::DrawnShapeNames() {
  auto shapes = Sheet()->Shapes();
  const int32_t count = shapes->Count();
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (int32_t i = 1; i <= count; ++i) {
    std::string name = shapes->Item(i)->Name();
    if (earlier_shapes_.count(name) == 0) names.push_back(std::move(name));
  }
  return names;
}

void RvExcelExport::RedrawBasePosition() {
  // Fitted to the page, the drawing's view moves onto the area: its lowest
  // point lands on the area's bottom. At a fixed scale the drawing's top-left
  // corner goes to the area's top-left corner, so that it starts on the first
  // page whatever its size (a drawing larger than the paper runs on to the
  // pages to the right and below, never off the top of the sheet).
  double dx = area_x_ - view_left_;
  double dy = area_y_ - view_top_;
  if (!(std::fabs(scale_x_) < 1e-12 || auto_scale_)) {
    const double drawing_top = view_bottom_ - scale_y_ * draw_height_;
    dy = area_y_ - drawing_top;
  }
  std::vector<std::string> drawn;
  try {
    drawn = DrawnShapeNames();
  } catch (const std::exception&) {
    return;  // no sheet to move anything on
  }
  if (drawn.empty()) return;
  try {
    auto sheet = Sheet();
    sheet->Shapes()->Range(drawn)->Select();
    auto range = App().Selection()->ShapeRange();
    range->IncrementLeft(dx);
    range->IncrementTop(dy);
    sheet->Range("1:1")->Select();
  } catch (const std::exception&) {
    // Shape by shape instead; a single shape is not moved this way.
    try {
      auto shapes = Sheet()->Shapes();
      if (drawn.size() > 1) {
        for (const std::string& name : drawn) {
          auto shape = shapes->Item(name);
          shape->IncrementLeft(dx);
          shape->IncrementTop(dy);
        }
      }
    } catch (const std::exception&) {
      // Nothing more to move.
    }
  }
}

void RvExcelExport::GroupAll() {
  auto sheet = Sheet();
  const std::vector<std::string> names = DrawnShapeNames();
  GroupShapes(names, static_cast<int32_t>(names.size()));
  sheet->Range("1:1")->Select();
}

bool RvExcelExport::GroupShapes(const std::vector<std::string>& names, int32_t count) {
  if (count <= 1) return false;
  // Each step may fail without stopping the next one; the grouping is
  // reported done either way.
  const std::size_t n = std::min(names.size(), static_cast<std::size_t>(count));
  std::vector<std::string> selected(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(n));
  bool selected_ok = false;
  try {
    Sheet()->Shapes()->Range(selected)->Select();
    selected_ok = true;
  } catch (const std::exception&) {
  }
  // Only the named shapes are grouped: when they could not be selected, the
  // selection holds something else and is left as it is.
  if (selected_ok) {
    try {
      App().Selection()->ShapeRange()->Group()->Select();
    } catch (const std::exception&) {
    }
  }
  return true;
}

}  // namespace ovix
