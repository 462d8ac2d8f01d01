#include "tests/workbook/showcase_workbook.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace ovix::testing::showcase {

namespace {

void StyleLine(excel::Application& app, double weight, int32_t dash, int32_t scheme) {
  auto line = app.Selection()->ShapeRange()->Line();
  line->SetWeight(weight);
  line->SetDashStyle(dash);
  line->SetStyle(excel::kLineSingle);
  line->SetTransparency(0.0);
  line->SetVisible(excel::kTrue);
  line->ForeColor()->SetSchemeColor(scheme);
}

void NoFillNoLine(excel::Application& app) {
  auto range = app.Selection()->ShapeRange();
  range->Fill()->SetVisible(excel::kFalse);
  range->Fill()->SetTransparency(0.0);
  auto line = range->Line();
  line->SetDashStyle(excel::kLineSolid);
  line->SetStyle(excel::kLineSingle);
  line->SetTransparency(0.0);
  line->SetVisible(excel::kFalse);
}

void StyleText(excel::Application& app, double size, int32_t color, bool bold, bool underline) {
  auto font = app.Selection()->Characters(1, 0)->Font();
  font->SetName("ＭＳ ゴシック");
  font->SetFontStyle(bold ? "太字" : "標準");
  font->SetSize(size);
  font->SetStrikethrough(false);
  font->SetSuperscript(false);
  font->SetSubscript(false);
  font->SetOutlineFont(false);
  font->SetShadow(false);
  font->SetUnderline(underline);
  font->SetColorIndex(color);
  auto selection = app.Selection();
  selection->SetHorizontalAlignment(excel::kAlignLeft);
  selection->SetAutoSize(true);
  selection->SetAddIndent(false);
  NoFillNoLine(app);
}

std::string PageSetup(excel::Worksheet& sheet) {
  auto page = sheet.PageSetup();
  page->SetPrintTitleRows("");
  page->SetPrintTitleColumns("");
  page->SetPrintArea("");
  page->SetLeftHeader("");
  page->SetCenterHeader("");
  page->SetRightHeader("");
  page->SetLeftFooter("");
  page->SetCenterFooter("");
  page->SetRightFooter("");
  page->SetLeftMargin(0);
  page->SetRightMargin(0);
  page->SetTopMargin(0);
  page->SetBottomMargin(0);
  page->SetHeaderMargin(0);
  page->SetFooterMargin(0);
  page->SetPrintHeadings(false);
  page->SetPrintGridlines(false);
  page->SetPrintComments(excel::kPrintNoComments);
  page->SetCenterHorizontally(false);
  page->SetCenterVertically(false);
  page->SetDraft(false);
  page->SetFirstPageNumber(excel::kAutomatic);
  page->SetOrder(excel::kDownThenOver);
  page->SetBlackAndWhite(false);
  page->SetZoom(100);
  page->SetOrientation(excel::kPortrait);
  page->SetPaperSize(excel::kPaperA4);
  return sheet.Name();
}

}  // namespace

void BuildAndSave(excel::Application& app, const std::string& path) {
  app.Workbooks()->Add();
  auto sheet = app.Worksheets()->Item("Sheet1");
  sheet->Activate();
  PageSetup(*sheet);
  auto shapes = sheet->Shapes();

  shapes->AddLine(kRedLineX1, kRedLineY, kRedLineX2, kRedLineY)->Select(true);
  StyleLine(app, 3, excel::kLineSolid, 2);
  {
    auto line = app.Selection()->ShapeRange()->Line();
    line->SetBeginArrowheadLength(excel::kArrowheadLengthMedium);
    line->SetBeginArrowheadWidth(excel::kArrowheadWidthMedium);
    line->SetBeginArrowheadStyle(excel::kArrowheadTriangle);
    line->SetEndArrowheadLength(excel::kArrowheadLengthMedium);
    line->SetEndArrowheadWidth(excel::kArrowheadWidthMedium);
    line->SetEndArrowheadStyle(excel::kArrowheadTriangle);
  }

  shapes->AddLine(kBlueFromX, kBlueFromY, kBlueToX, kBlueToY)->Select(true);
  StyleLine(app, 2, excel::kLineDash, 4);

  shapes->AddShape(excel::kShapeOval, kOvalLeft, kOvalTop, kOvalWidth, kOvalHeight)->Select(true);
  StyleLine(app, 2, excel::kLineSolid, 17);
  app.Selection()->ShapeRange()->Fill()->SetVisible(excel::kFalse);

  shapes->AddShape(excel::kShapeRectangle, kRectLeft, kRectTop, kRectWidth, kRectHeight)->Select(true);
  app.Selection()->ShapeRange()->Fill()->ForeColor()->SetSchemeColor(13);

  shapes->AddShape(excel::kShapeArc, kArcCx - kArcR, kArcCy - kArcR, 2 * kArcR, 2 * kArcR)->Select(true);
  {
    auto range = app.Selection()->ShapeRange();
    range->ScaleWidth(0.5, false, excel::kScaleFromBottomRight);
    range->ScaleHeight(0.5, false, excel::kScaleFromTopLeft);
    range->Adjustments()->SetItem(1, kArcEnd);
    range->Adjustments()->SetItem(2, kArcStart);
  }
  StyleLine(app, 2, excel::kLineSolid, 6);

  {
    auto point = [](int k) {
      const double t = (180.0 + 180.0 * k / kCurveSteps) * std::numbers::pi / 180.0;
      return std::pair{kCurveCx + kCurveR * std::cos(t), kCurveCy - kCurveR * std::sin(t)};
    };
    auto [x0, y0] = point(0);
    auto builder = shapes->BuildFreeform(excel::kEditingAuto, x0, y0);
    for (int k = 1; k <= kCurveSteps; ++k) {
      auto [x, y] = point(k);
      builder->AddNodes(excel::kSegmentCurve, excel::kEditingAuto, x, y);
    }
    builder->ConvertToShape()->Select(true);
    StyleLine(app, 2, excel::kLineSolid, 7);
  }

  shapes->AddTextbox(excel::kOrientationHorizontal, kTextLeft, kTextTop, 400, 300)->Select(true);
  app.Selection()->Characters(1, 0)->SetText(kText);
  StyleText(app, 20, 3, true, true);

  shapes->AddTextbox(excel::kOrientationUpward, kUpLeft, kUpTop, 50, 50)->Select(true);
  app.Selection()->Characters(1, 0)->SetText("上向き");
  StyleText(app, 16, 5, false, false);

  shapes->AddTextbox(excel::kOrientationDownward, kDownLeft, kDownTop, 50, 50)->Select(true);
  app.Selection()->Characters(1, 0)->SetText("下向き");
  StyleText(app, 16, 10, false, false);

  auto orange = [&](const std::shared_ptr<excel::Shape>& shape) {
    shape->Line()->ForeColor()->SetRGB(0x0080FF);  // 255, 128, 0
    shape->Line()->SetWeight(2);
  };
  auto inner_line = shapes->AddLine(kGroupX1, kInnerLineY, kGroupX2, kInnerLineY);
  orange(inner_line);
  auto inner_oval = shapes->AddShape(excel::kShapeOval, kInnerOvalLeft, kInnerOvalTop,
                                     kInnerOvalSize, kInnerOvalSize);
  orange(inner_oval);
  inner_oval->Fill()->SetVisible(excel::kFalse);
  shapes->Range({inner_line->Name(), inner_oval->Name()})->Select(true);
  auto inner = app.Selection()->ShapeRange()->Group();
  auto outer_line = shapes->AddLine(kGroupX1, kOuterLineY, kGroupX2, kOuterLineY);
  outer_line->Line()->SetWeight(2);
  shapes->Range({inner->Name(), outer_line->Name()})->Select(true);
  auto outer = app.Selection()->ShapeRange()->Group();
  outer->Select(true);
  app.Selection()->ShapeRange()->IncrementLeft(kGroupDx);
  app.Selection()->ShapeRange()->IncrementTop(kGroupDy);

  shapes->AddLine(kMarkerX, kMarkerY1, kMarkerX, kMarkerY2)->Select(true);
  StyleLine(app, 1, excel::kLineSolid, 8);

  sheet->Range("1:1")->Select();
  auto book = app.ActiveWorkbook();
  book->SaveAs(path, excel::kNoChange);
}

}  // namespace ovix::testing::showcase
