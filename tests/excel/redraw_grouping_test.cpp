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
  // The lowest-left point ends at (AreaX, AreaY + AreaHeight).
  auto line = ShapeAt(1);
  EXPECT_NEAR(line->Left(), 10, 1e-6);
  EXPECT_NEAR(line->Top() + line->Height(), 20 + exporter.AreaHeight(), 1e-6);
  EXPECT_NEAR(line->Width(), exporter.AreaWidth(), 1e-6);
  // Row 1 is selected: no shape stays selected.
  EXPECT_THROW(App().Selection()->ShapeRange(), excel::AutomationError);
}

TEST_F(RedrawGrouping, UnderAFixedScaleTheOffsetFollowsTheFittingScale) {
  AddTestLine(*model, "0", 0, 0, 1000, 500);
  exporter.SetAutoScale(false);
  exporter.SetScaleXValue(0.01);
  exporter.SetScaleYValue(0.01);
  Connect("A4 縦");
  ASSERT_TRUE(exporter.DrawLineDatas());
  const double left = ShapeAt(1)->Left(), top = ShapeAt(1)->Top();
  exporter.RedrawBasePosition();
  const double dx = 0 * exporter.AutoScaleValue() / exporter.ScaleX() - 6500;
  const double dy = 20 * exporter.AutoScaleValue() / exporter.ScaleY() - 6500;
  EXPECT_NEAR(ShapeAt(1)->Left(), left + dx, 1e-6);
  EXPECT_NEAR(ShapeAt(1)->Top(), top + dy, 1e-6);
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
