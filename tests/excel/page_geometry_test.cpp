// Page setup for the fourteen papers and the mapping of drawing points onto
// the sheet at automatic and fixed scale.
#include <gtest/gtest.h>

#include "tests/excel/exporter_fixture.h"
#include "tools/rv_error.h"

namespace ovix::testing {
namespace {

struct PaperRow {
  const char* name;
  int32_t orientation;
  int32_t paper_size;
  double width_mm, height_mm, area_x, area_y;
};

// The page table as the window's users know it.
const PaperRow kPaperRows[] = {
    {"A1 縦", 1, 8, 594, 841, 20, 20},   {"A1 横", 2, 8, 841, 594, 20, 20},
    {"A2 縦", 1, 8, 420, 594, 20, 20},   {"A2 横", 2, 8, 594, 420, 20, 20},
    {"A3 縦", 1, 8, 297, 420, 20, 20},   {"A3 横", 2, 8, 420, 297, 20, 20},
    {"B4 縦", 1, 12, 257, 364, 20, 20},  {"B4 横", 2, 12, 364, 257, 20, 20},
    {"A4 縦", 1, 9, 210, 297, 0, 20},    {"A4 横", 2, 9, 297, 210, 10, 20},
    {"B5 縦", 1, 13, 182, 257, 7.5, 20}, {"B5 横", 2, 13, 257, 182, 10, 7.5},
    {"A5 縦", 1, 11, 149, 210, 5, 20},   {"A5 横", 2, 11, 210, 149, 5, 5},
};

using PageGeometry = ExporterTest;

TEST_F(PageGeometry, EveryPaperSetsItsPageAndArea) {
  Connect();
  for (const PaperRow& row : kPaperRows) {
    SCOPED_TRACE(row.name);
    exporter.SetPage(row.name);
    auto page = App().Worksheets()->Item("Sheet1")->PageSetup();
    EXPECT_EQ(page->Orientation(), row.orientation);
    EXPECT_EQ(page->PaperSize(), row.paper_size);
    EXPECT_DOUBLE_EQ(exporter.AreaWidth(), row.width_mm * 72 / 25.3995);
    EXPECT_DOUBLE_EQ(exporter.AreaHeight(), row.height_mm * 72 / 25.3995);
    EXPECT_DOUBLE_EQ(exporter.AreaX(), row.area_x);
    EXPECT_DOUBLE_EQ(exporter.AreaY(), row.area_y);
  }
  EXPECT_NEAR(kA4PortraitWidth, 595.287, 0.001);
  // Every paper is portrait exactly when its area is taller than wide.
  for (const PaperRow& row : kPaperRows) {
    EXPECT_EQ(row.orientation, row.height_mm > row.width_mm ? 1 : 2) << row.name;
  }
  EXPECT_NEAR(kA4PortraitHeight, 841.906, 0.001);
}

TEST_F(PageGeometry, PageSetupClearsTitlesHeadersMarginsAndPrintOptions) {
  Connect();
  auto page = App().Worksheets()->Item("Sheet1")->PageSetup();
  page->SetCenterHeader("old");
  page->SetLeftMargin(50);
  page->SetPrintGridlines(true);
  page->SetZoom(55);
  page->SetBlackAndWhite(true);
  exporter.SetPage("A3 横");
  EXPECT_EQ(page->CenterHeader(), "");
  EXPECT_EQ(page->PrintArea(), "");
  EXPECT_EQ(page->LeftMargin(), 0);
  EXPECT_EQ(page->FooterMargin(), 0);
  EXPECT_FALSE(page->PrintGridlines());
  EXPECT_FALSE(page->PrintHeadings());
  EXPECT_EQ(page->PrintComments(), excel::kPrintNoComments);
  EXPECT_EQ(page->FirstPageNumber(), excel::kAutomatic);
  EXPECT_EQ(page->Order(), excel::kDownThenOver);
  EXPECT_FALSE(page->BlackAndWhite());
  EXPECT_EQ(page->Zoom(), 100);
}

TEST_F(PageGeometry, AnUnknownPaperChangesNothing) {
  Connect("A3 縦");
  auto page = App().Worksheets()->Item("Sheet1")->PageSetup();
  page->SetZoom(55);
  const double width = exporter.AreaWidth();
  for (const char* name : {"------", "A4", "a4 縦", "Letter", ""}) {
    exporter.SetPage(name);
    EXPECT_EQ(exporter.AreaWidth(), width) << name;
    EXPECT_EQ(exporter.AreaX(), 20) << name;
    EXPECT_EQ(page->Zoom(), 55) << name;
  }
}

TEST_F(PageGeometry, AutomaticScaleFitsTheSmallerRatioAndFlipsY) {
  AddTestLine(*model, "0", 0, 0, 1000, 500);
  Connect("A4 縦");
  const auto [x0, y0] = Mapped(0, 0);
  EXPECT_DOUBLE_EQ(exporter.AutoScaleValue(), kA4PortraitWidth / 1000);
  EXPECT_DOUBLE_EQ(exporter.ScaleX(), kA4PortraitWidth / 1000);
  EXPECT_DOUBLE_EQ(exporter.ScaleY(), exporter.ScaleX());
  EXPECT_DOUBLE_EQ(exporter.DrawWidth(), 1000);
  EXPECT_DOUBLE_EQ(exporter.DrawHeight(), 500);
  // The lowest-left point lands on the bottom-left corner of the view, which
  // is the paper less AreaY = 20 at the top and the bottom (AreaX is 0).
  EXPECT_DOUBLE_EQ(x0, 6500);
  EXPECT_DOUBLE_EQ(y0, 6500 + kA4PortraitHeight - 40);
  const auto [x1, y1] = Mapped(1000, 500);
  EXPECT_NEAR(x1, 6500 + kA4PortraitWidth, 1e-9);
  EXPECT_GT(y1, 6500);
  EXPECT_LT(y1, 6500 + kA4PortraitHeight - 40);
  EXPECT_DOUBLE_EQ(exporter.ViewRight(), 6500 + kA4PortraitWidth);
  EXPECT_DOUBLE_EQ(exporter.ViewBottom(), 6500 + kA4PortraitHeight - 40);
}

TEST_F(PageGeometry, TheViewKeepsTheAreaOffsetFromEveryEdge) {
  // A tall drawing on "A3 横" (offsets 20, 20): its height fills the paper
  // less 20 points at the top and the bottom.
  AddTestLine(*model, "0", 0, 0, 10, 1000);
  Connect("A3 横");
  Mapped(0, 0);
  EXPECT_NEAR(exporter.ViewRight() - exporter.ViewLeft(), exporter.AreaWidth() - 40, 1e-9);
  EXPECT_NEAR(exporter.ViewBottom() - exporter.ViewTop(), exporter.AreaHeight() - 40, 1e-9);
  EXPECT_NEAR(exporter.AutoScaleValue(), (exporter.AreaHeight() - 40) / 1000, 1e-12);
  // An area whose offsets leave nothing is used whole.
  exporter.SetArea(300, 300, 500, 400);
  Mapped(0, 0);
  EXPECT_DOUBLE_EQ(exporter.ViewRight(), 6500 + 500);
  EXPECT_DOUBLE_EQ(exporter.ViewBottom(), 6500 + 400);
}

TEST_F(PageGeometry, FixedScaleIsMillimetresOnPaperPerDrawingUnit) {
  AddTestLine(*model, "0", 100, 100, 300, 200);
  Connect("A4 縦");
  exporter.SetAutoScale(false);
  exporter.SetScaleXValue(0.01);
  exporter.SetScaleYValue(0.01);
  const auto [x, y] = Mapped(200, 150);
  EXPECT_NEAR(exporter.ScaleX(), 0.028347, 1e-6);
  EXPECT_DOUBLE_EQ(x, 6500 + exporter.ScaleX() * 100);
  EXPECT_DOUBLE_EQ(y, 6500 + kA4PortraitHeight - 40 - exporter.ScaleY() * 50);
  // The fitting scale is still worked out (the final move uses it).
  EXPECT_DOUBLE_EQ(exporter.AutoScaleValue(), kA4PortraitWidth / 200);

  exporter.SetScaleXValue(0);
  exporter.SetScaleYValue(0);
  const auto [x0, y0] = Mapped(250, 190);
  EXPECT_EQ(x0, 6500);
  EXPECT_EQ(y0, 6500 + kA4PortraitHeight - 40);
}

TEST_F(PageGeometry, AnEmptyOrFlatDrawingScalesByOne) {
  Connect("A4 縦");
  Mapped(0, 0);
  EXPECT_EQ(exporter.AutoScaleValue(), 1.0);
  // A horizontal line has no height: only its width is fitted.
  AddTestLine(*model, "0", 0, 5, 100, 5);
  Mapped(0, 0);
  EXPECT_DOUBLE_EQ(exporter.AutoScaleValue(), 1.0);  // min(5.95, 1)
}

TEST_F(PageGeometry, OnlyVisibleEntitiesCountInTheExtents) {
  AddTestLayer(*model, "off", 0, -7);
  AddTestLine(*model, "0", 0, 0, 100, 100);
  AddTestLine(*model, "off", 0, 0, 10000, 10000);
  Connect("A4 縦");
  Mapped(0, 0);
  EXPECT_DOUBLE_EQ(exporter.DrawWidth(), 100);
}

TEST_F(PageGeometry, APointNeedsXAndY) {
  Connect();
  const std::vector<double> onlyX{1.0};
  EXPECT_THROW(exporter.GetViewGeometory(onlyX), RvError);
}

}  // namespace
}  // namespace ovix::testing
