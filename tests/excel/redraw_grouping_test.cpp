// The move from the working position onto the page area, and grouping.
#include <gtest/gtest.h>

#include "tests/excel/exporter_fixture.h"

namespace ovix::testing {
namespace {

using RedrawGrouping = ExporterTest;

TEST_F(RedrawGrouping, UnderAutomaticScaleTheDrawingLandsOnTheArea) {
  AddTestLine(*model, "0", 0, 0, 1000, 500);
  AddTestCircle(*model, "0", 500, 250, 100);
  Connect("A4 横");
  ASSERT_TRUE(exporter.DrawLineDatas());
  ASSERT_TRUE(exporter.DrawCircleDatas());
  exporter.RedrawBasePosition();
  // "A4 横" has the offsets (10, 20): the drawing is fitted to the paper
  // less those on every side and its lowest-left point ends at
  // (AreaX, AreaHeight - AreaY), so it prints on the one sheet.
  auto line = ShapeAt(1);
  EXPECT_NEAR(line->Left(), 10, 1e-6);
  EXPECT_NEAR(line->Top() + line->Height(), exporter.AreaHeight() - 20, 1e-6);
  EXPECT_NEAR(line->Width(), exporter.AreaWidth() - 20, 1e-6);
  EXPECT_NEAR(line->Left() + line->Width(), exporter.AreaWidth() - 10, 1e-6);
  // Row 1 is selected: no shape stays selected.
  EXPECT_THROW(App().Selection()->ShapeRange(), excel::AutomationError);
}

TEST_F(RedrawGrouping, UnderAFixedScaleTheDrawingStartsAtTheAreaCorner) {
  // 1000 x 500 mm at 1/100 is 10 x 5 mm on paper, and 1/2 is 500 x 250 mm,
  // more than the A4 paper: either way the drawing's top-left corner is the
  // area's, (0, 20), on the first page.
  for (const double scale : {0.01, 0.5}) {
    SCOPED_TRACE(scale);
    auto drawing = std::make_shared<RvSystem>();
    AddTestLayer(*drawing, "0", 0, 7);
    AddTestLine(*drawing, "0", 0, 500, 1000, 0);
    AddTestLine(*drawing, "0", 0, 0, 10, 10);
    RvExcelExport e;
    e.SetAutoScale(false);
    e.SetScaleXValue(scale);
    e.SetScaleYValue(scale);
    e.SetRvSystem(drawing);
    ASSERT_TRUE(e.SetExcelSheet("", "Sheet1"));
    e.SetPage("A4 縦");
    ASSERT_TRUE(e.DrawLineDatas());
    e.RedrawBasePosition();
    auto shapes = e.ExcelApp()->Worksheets()->Item("Sheet1")->Shapes();
    const double points_per_unit = scale * 72 / 25.3995;
    auto line = shapes->Item(1);
    EXPECT_NEAR(line->Left(), 0, 1e-6);
    EXPECT_NEAR(line->Top(), 20, 1e-6);
    EXPECT_NEAR(line->Width(), 1000 * points_per_unit, 1e-6);
    // The small line at the drawing's lowest-left corner ends at the
    // drawing's bottom.
    auto corner = shapes->Item(2);
    EXPECT_NEAR(corner->Top() + corner->Height(), 20 + 500 * points_per_unit, 1e-6);
    e.Clear();
  }
}

TEST_F(RedrawGrouping, AnEmptySheetIsLeftQuietlyAndALoneShapeMoves) {
  Connect();
  EXPECT_NO_THROW(exporter.RedrawBasePosition());
  EXPECT_NO_THROW(exporter.GroupAll());
  EXPECT_EQ(ShapeCount(), 0);

  AddTestLine(*model, "0", 0, 0, 10, 10);
  ASSERT_TRUE(exporter.DrawLineDatas());
  const double left = ShapeAt(1)->Left();
  exporter.RedrawBasePosition();
  EXPECT_NEAR(ShapeAt(1)->Left(), left - 6500, 1e-6);
  exporter.GroupAll();
  EXPECT_EQ(ShapeAt(1)->Type(), excel::kTypeLine);
}

TEST_F(RedrawGrouping, GroupAllMakesOneGroupOfEverything) {
  AddTestLine(*model, "0", 0, 0, 10, 10);
  AddTestLine(*model, "0", 0, 10, 10, 0);
  AddTestPolyline(*model, "0", {{0, 0}, {5, 5}, {10, 0}}, false);
  Connect();
  ASSERT_TRUE(exporter.DrawLineDatas());
  ASSERT_TRUE(exporter.DrawPolyLineDatas());
  ASSERT_EQ(ShapeCount(), 3);
  exporter.GroupAll();
  ASSERT_EQ(ShapeCount(), 1);
  EXPECT_EQ(ShapeAt(1)->Type(), excel::kTypeGroup);
  EXPECT_THROW(App().Selection()->ShapeRange(), excel::AutomationError);
}

TEST_F(RedrawGrouping, GroupShapesNeedsTwoShapesThatExist) {
  Connect();
  auto a = Shapes()->AddLine(0, 0, 1, 1);
  auto b = Shapes()->AddLine(0, 0, 2, 2);
  EXPECT_FALSE(exporter.GroupShapes({a->Name()}, 1));
  EXPECT_FALSE(exporter.GroupShapes({}, 0));
  // A name that is not on the sheet: reported done, nothing grouped, and the
  // shapes selected before are not grouped instead.
  Shapes()->Range({a->Name(), b->Name()})->Select();
  EXPECT_TRUE(exporter.GroupShapes({a->Name(), "Nowhere 99"}, 2));
  EXPECT_EQ(ShapeCount(), 2);
  EXPECT_TRUE(exporter.GroupShapes({a->Name(), b->Name()}, 2));
  EXPECT_EQ(ShapeCount(), 1);
}

}  // namespace
}  // namespace ovix::testing
