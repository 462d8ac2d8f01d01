// Where the drawing goes on the sheet: the page setup for the fourteen
// papers and the mapping of drawing points (millimetres, y up) to sheet
// points (1/72 inch, y down) at automatic or fixed scale.
#include <array>
#include <cmath>

#include "excel/rv_excel_export.h"
#include "model/rv_system.h"
#include "tools/argument_access.h"

namespace ovix {

namespace {

// A1 and A2 print on A3 paper (scaled down by the printer); every paper's
// orientation follows its area (portrait when taller than wide); A5 is
// 149 mm wide.
constexpr std::array<PaperSpec, 14> kPapers{{
    {"A1 縦", excel::kPortrait, excel::kPaperA3, 594, 841, 20, 20},
    {"A1 横", excel::kLandscape, excel::kPaperA3, 841, 594, 20, 20},
    {"A2 縦", excel::kPortrait, excel::kPaperA3, 420, 594, 20, 20},
    {"A2 横", excel::kLandscape, excel::kPaperA3, 594, 420, 20, 20},
    {"A3 縦", excel::kPortrait, excel::kPaperA3, 297, 420, 20, 20},
    {"A3 横", excel::kLandscape, excel::kPaperA3, 420, 297, 20, 20},
    {"B4 縦", excel::kPortrait, excel::kPaperB4, 257, 364, 20, 20},
    {"B4 横", excel::kLandscape, excel::kPaperB4, 364, 257, 20, 20},
    {"A4 縦", excel::kPortrait, excel::kPaperA4, 210, 297, 0, 20},
    {"A4 横", excel::kLandscape, excel::kPaperA4, 297, 210, 10, 20},
    {"B5 縦", excel::kPortrait, excel::kPaperB5, 182, 257, 7.5, 20},
    {"B5 横", excel::kLandscape, excel::kPaperB5, 257, 182, 10, 7.5},
    {"A5 縦", excel::kPortrait, excel::kPaperA5, 149, 210, 5, 20},
    {"A5 横", excel::kLandscape, excel::kPaperA5, 210, 149, 5, 5},
}};

double MillimetresToPoints(double mm) { return mm * kPointsPerInch / kMillimetresPerInch; }

// An extent of the paper less its offset at both ends; the whole extent when
// the offsets leave nothing (an area set by hand).
double InsetExtent(double extent, double offset) {
  const double inset = extent - 2.0 * offset;
  return inset > 0.0 ? inset : extent;
}

}  // namespace

std::span<const PaperSpec> PaperTable() { return kPapers; }

const PaperSpec* FindPaper(const std::string& name) {
  for (const PaperSpec& paper : kPapers) {
    if (name == paper.name) return &paper;
  }
  return nullptr;
}

void RvExcelExport::SetPage(const std::string& PaperSize) {
  const PaperSpec* paper = FindPaper(PaperSize);
  if (paper == nullptr) return;

  auto setup = Sheet()->PageSetup();
  setup->SetPrintTitleRows("");
  setup->SetPrintTitleColumns("");
  setup->SetPrintArea("");
  setup->SetLeftHeader("");
  setup->SetCenterHeader("");
  setup->SetRightHeader("");
  setup->SetLeftFooter("");
  setup->SetCenterFooter("");
  setup->SetRightFooter("");
  setup->SetLeftMargin(tools_.InchesToPoints(0));
  setup->SetRightMargin(tools_.InchesToPoints(0));
  setup->SetTopMargin(tools_.InchesToPoints(0));
  setup->SetBottomMargin(tools_.InchesToPoints(0));
  setup->SetHeaderMargin(tools_.InchesToPoints(0));
  setup->SetFooterMargin(tools_.InchesToPoints(0));
  setup->SetPrintHeadings(false);
  setup->SetPrintGridlines(false);
  setup->SetPrintComments(excel::kPrintNoComments);
  setup->SetCenterHorizontally(false);
  setup->SetCenterVertically(false);
  setup->SetDraft(false);
  setup->SetFirstPageNumber(excel::kAutomatic);
  setup->SetOrder(excel::kDownThenOver);
  setup->SetBlackAndWhite(false);
  setup->SetZoom(100);
  setup->SetOrientation(paper->orientation);
  setup->SetPaperSize(paper->paperSize);

  area_width_ = MillimetresToPoints(paper->widthMm);
  area_height_ = MillimetresToPoints(paper->heightMm);
  area_x_ = paper->areaX;
  area_y_ = paper->areaY;
}

RvPoint3 RvExcelExport::GetViewGeometory(std::span<const double> Point) {
  RequireArgs(Point, 2, "GetViewGeometory", "Point");
  RvPoint3 min{}, max{};
  if (extents_) {
    min = extents_->first;
    max = extents_->second;
  } else {
    Model().GetEntityRange(min, max);
  }
  draw_width_ = max[0] - min[0];
  draw_height_ = max[1] - min[1];

  // The view is the paper less the area's offset on every side: the drawing
  // then keeps that distance from all four edges and prints on one sheet.
  // (Placed at the offset but as large as the whole paper, it would run
  // over the far edges onto a second page.)
  view_left_ = kWorkingOffset;
  view_top_ = kWorkingOffset;
  view_right_ = InsetExtent(area_width_, area_x_) + kWorkingOffset;
  view_bottom_ = InsetExtent(area_height_, area_y_) + kWorkingOffset;

  const double sx =
      std::fabs(draw_width_) >= kSmallestExtent ? (view_right_ - view_left_) / draw_width_ : 1.0;
  const double sy =
      std::fabs(draw_height_) >= kSmallestExtent ? (view_bottom_ - view_top_) / draw_height_ : 1.0;
  auto_scale_value_ = sx > sy ? sy : sx;

  if (auto_scale_) {
    scale_x_ = auto_scale_value_;
    scale_y_ = auto_scale_value_;
  } else {
    scale_x_ = scale_x_value_ * kPointsPerInch / kMillimetresPerInch;
    scale_y_ = scale_y_value_ * kPointsPerInch / kMillimetresPerInch;
  }

  const double x = Point[0];
  const double y = Point[1];
  return {view_left_ + scale_x_ * (x - min[0]), view_bottom_ - scale_y_ * (y - min[1]), 0.0};
}

RvPoint3 RvExcelExport::MapPoint(const RvPoint3& point, const RvMatrix& matrix) {
  RvPoint3 flat{};
  tools_.Get3D2DPoint(point, matrix, flat);
  return GetViewGeometory(flat);
}

}  // namespace ovix
