// The move of the finished drawing from its working position onto the page
// area, and grouping: the pieces of one entity, or every shape of the sheet.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "excel/rv_excel_export.h"

namespace ovix {

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
  try {
    auto sheet = Sheet();
    sheet->Shapes()->SelectAll();
    auto range = App().Selection()->ShapeRange();
    range->IncrementLeft(dx);
    range->IncrementTop(dy);
    sheet->Range("1:1")->Select();
  } catch (const std::exception&) {
    // Shape by shape instead (a sheet without shapes has nothing to select);
    // a single shape is not moved this way.
    try {
      auto shapes = Sheet()->Shapes();
      const int32_t count = shapes->Count();
      if (count > 1) {
        for (int32_t i = 1; i <= count; ++i) {
          auto shape = shapes->Item(i);
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
  auto shapes = sheet->Shapes();
  const int32_t count = shapes->Count();
  std::vector<std::string> names;
  if (count > 1) {
    names.reserve(static_cast<std::size_t>(count));
    for (int32_t i = 1; i <= count; ++i) names.push_back(shapes->Item(i)->Name());
  }
  GroupShapes(names, count);
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
