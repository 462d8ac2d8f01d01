// Lines, circles, ellipses, polylines, arcs and texts as shapes: which
// entities are drawn, where the shapes go and how they are built and grouped.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include <pugixml.hpp>

#include "tests/excel/exporter_fixture.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/package_reader.h"

namespace ovix::testing {
namespace {

using DrawEntities = ExporterTest;

TEST_F(DrawEntities, OnlyEntitiesOnVisibleLayersAreDrawn) {
  AddTestLayer(*model, "frozen", 1, 7);
  AddTestLayer(*model, "two", 2, 7);
  AddTestLayer(*model, "off", 0, -3);
  AddTestLayer(*model, "four", 4, 7);
  AddTestLine(*model, "frozen", 0, 0, 10, 10);
  AddTestLine(*model, "two", 0, 0, 10, 10);
  AddTestLine(*model, "off", 0, 0, 10, 10);
  AddTestLine(*model, "nowhere", 0, 0, 10, 10);
  AddTestLine(*model, "four", 0, 0, 10, 10);
  AddTestCircle(*model, "frozen", 0, 0, 5);
  AddTestCircle(*model, "0", 0, 0, 5);
  Connect();
  ASSERT_TRUE(exporter.DrawLineDatas());
  ASSERT_TRUE(exporter.DrawCircleDatas());
  // Layers "four", "0" and "nowhere" (missing from the table: a layer with
  // default properties).
  EXPECT_EQ(ShapeCount(), 3);
}

TEST_F(DrawEntities, NothingIsDrawnWithoutAModelOrASheet) {
  AddTestLine(*model, "0", 0, 0, 10, 10);
  EXPECT_TRUE(exporter.DrawLineDatas());  // no sheet: nothing to do
  exporter.SetRvSystem(model);
  EXPECT_TRUE(exporter.DrawLineDatas());
  EXPECT_TRUE(exporter.DrawArcDatas());
  EXPECT_EQ(exporter.ExcelApp(), nullptr);
}

TEST_F(DrawEntities, ALineRunsBetweenItsMappedEnds) {
  AddTestLine(*model, "0", 10, 20, 110, 70);
  Connect();
  ASSERT_TRUE(exporter.DrawLineDatas());
  const auto [x1, y1] = Mapped(10, 20);
  const auto [x2, y2] = Mapped(110, 70);
  auto line = ShapeAt(1);
  EXPECT_EQ(line->Type(), excel::kTypeLine);
  EXPECT_NEAR(line->Left(), std::min(x1, x2), 1e-6);
  EXPECT_NEAR(line->Top(), std::min(y1, y2), 1e-6);
  EXPECT_NEAR(line->Width(), std::fabs(x2 - x1), 1e-6);
  EXPECT_NEAR(line->Height(), std::fabs(y2 - y1), 1e-6);
}

TEST_F(DrawEntities, HeldExtentsMapLaterKindsAsTheFirstWhenDrawnStoresAreReleased) {
  // The line alone sets the extents: once its store is released, a pass that
  // took the extents anew would map the circle by the circle's own.
  AddTestLine(*model, "0", 0, 0, 1000, 500);
  AddTestCircle(*model, "0", 50, 50, 10);
  Connect();
  const auto [cx, cy] = Mapped(50, 50);
  exporter.HoldDrawingExtents();
  ASSERT_TRUE(exporter.DrawLineDatas());
  model->ReleaseEntitiesOf("LINE");
  EXPECT_EQ(model->LineCount(), 0);
  EXPECT_EQ(model->CircleCount(), 1);
  ASSERT_TRUE(exporter.DrawCircleDatas());
  auto circle = ShapeAt(2);
  EXPECT_NEAR(circle->Left() + circle->Width() / 2, cx, 1e-6);
  EXPECT_NEAR(circle->Top() + circle->Height() / 2, cy, 1e-6);
  exporter.LetGoOfDrawingExtents();

  // Let go, the next pass takes the extents of what is left.
  ASSERT_TRUE(exporter.DrawCircleDatas());
  auto alone = ShapeAt(3);
  EXPECT_GT(std::fabs(alone->Left() - circle->Left()), 1.0);
}

TEST_F(DrawEntities, ALineWhoseEndsMeetIsADotOfItsColour) {
  AddTestLine(*model, "0", 0, 0, 100, 100);  // fixes the extents
  AddTestLine(*model, "0", 40, 30, 40, 30, 1);
  Connect();
  ASSERT_TRUE(exporter.DrawLineDatas());
  ASSERT_EQ(ShapeCount(), 2);
  const auto [x, y] = Mapped(40, 30);
  auto dot = ShapeAt(2);
  EXPECT_EQ(dot->Type(), excel::kTypeAutoShape);
  EXPECT_NEAR(dot->Left() + dot->Width() / 2, x, 1e-6);
  EXPECT_NEAR(dot->Top() + dot->Height() / 2, y, 1e-6);
  EXPECT_GT(dot->Width(), 0);
  EXPECT_EQ(dot->Fill()->Visible(), excel::kTrue);
  EXPECT_EQ(dot->Fill()->ForeColor()->SchemeColor(), dot->Line()->ForeColor()->SchemeColor());
  EXPECT_EQ(dot->Line()->ForeColor()->SchemeColor(), 2);  // red
}

TEST_F(DrawEntities, CirclesAndEllipsesAreOutlineOvalsAroundTheirCentre) {
  AddTestCircle(*model, "0", 50, 50, 10);
  AddTestEllipse(*model, "0", 100, 50, 20, 5);
  AddTestEllipse(*model, "0", 100, 80, 5, 20);  // major axis up: drawn across anyway
  FixedScale(2.0);
  Connect();
  ASSERT_TRUE(exporter.DrawCircleDatas());
  ASSERT_TRUE(exporter.DrawEllipseDatas());
  ASSERT_EQ(ShapeCount(), 3);
  const auto [cx, cy] = Mapped(50, 50);
  auto circle = ShapeAt(1);
  EXPECT_NEAR(circle->Width(), 40, 1e-9);
  EXPECT_NEAR(circle->Height(), 40, 1e-9);
  EXPECT_NEAR(circle->Left(), cx - 20, 1e-9);
  EXPECT_NEAR(circle->Top(), cy - 20, 1e-9);
  EXPECT_EQ(circle->Fill()->Visible(), excel::kFalse);
  EXPECT_NEAR(ShapeAt(2)->Width(), 80, 1e-9);
  EXPECT_NEAR(ShapeAt(2)->Height(), 20, 1e-9);
  EXPECT_NEAR(ShapeAt(3)->Width(), 20, 1e-9);
  EXPECT_NEAR(ShapeAt(3)->Height(), 80, 1e-9);
  EXPECT_EQ(ShapeAt(3)->Fill()->Visible(), excel::kFalse);
}

TEST_F(DrawEntities, PolylinesBecomeOneLinePerSegmentGroupedTogether) {
  AddTestPolyline(*model, "0", {{0, 0}}, false);                                    // nothing
  AddTestPolyline(*model, "0", {{0, 0}, {10, 0}}, false);                           // a line
  AddTestPolyline(*model, "0", {{0, 10}, {10, 10}, {10, 20}, {0, 20}}, false);       // 3 lines
  AddTestPolyline(*model, "0", {{0, 30}, {10, 30}, {10, 40}, {0, 40}}, true);        // 4 lines
  AddTestPolyline(*model, "0", {{0, 50}, {10, 50}}, true);                           // twice
  Connect();
  ASSERT_TRUE(exporter.DrawPolyLineDatas());
  ASSERT_EQ(ShapeCount(), 4);
  EXPECT_EQ(ShapeAt(1)->Type(), excel::kTypeLine);
  for (int i = 2; i <= 4; ++i) EXPECT_EQ(ShapeAt(i)->Type(), excel::kTypeGroup) << i;
  // The closed square: the fourth line closes it, so the group spans it whole.
  const auto [left, bottom] = Mapped(0, 30);
  const auto [right, top] = Mapped(10, 40);
  EXPECT_NEAR(ShapeAt(3)->Left(), left, 1e-6);
  EXPECT_NEAR(ShapeAt(3)->Width(), right - left, 1e-6);
  EXPECT_NEAR(ShapeAt(3)->Height(), bottom - top, 1e-6);
}

TEST_F(DrawEntities, APolylineOfManyVerticesConverts) {
  std::vector<std::pair<double, double>> vertices;
  for (int k = 0; k < 20000; ++k) vertices.emplace_back(k * 0.01, std::sin(k * 0.01));
  AddTestPolyline(*model, "0", vertices, false);
  Connect();
  ASSERT_TRUE(exporter.DrawPolyLineDatas());
  ASSERT_EQ(ShapeCount(), 1);
  EXPECT_EQ(ShapeAt(1)->Type(), excel::kTypeGroup);
}

// ---- arcs -----------------------------------------------------------------------

class DrawArcs : public ExporterTest {
 protected:
  // Curve segments of the freeform named `name` in the saved workbook.
  int CurveSegments(const std::string& name) {
    const std::filesystem::path file = dir / "arcs.xlsx";
    App().ActiveWorkbook()->SaveAs(file.string(), excel::kNoChange);
    pugi::xml_document doc;
    const std::string xml = ReadPart(file, "xl/drawings/drawing1.xml");
    EXPECT_TRUE(doc.load_string(xml.c_str()));
    for (pugi::xpath_node sp : doc.select_nodes("//xdr:sp")) {
      if (name != sp.node().select_node("xdr:nvSpPr/xdr:cNvPr").node().attribute("name").value()) {
        continue;
      }
      return static_cast<int>(sp.node().select_nodes(".//a:cubicBezTo").size());
    }
    ADD_FAILURE() << "no shape named " << name;
    return -1;
  }

  // An arc of `sweep` degrees whose end points lie `across` and `down` sheet
  // points apart (scale 1), centred on (500, 500).
  void AddArcWithChord(double sweep, double across, double down) {
    const double chord = std::hypot(across, down);
    const double radius = chord / (2 * std::sin(sweep / 2 * M_PI / 180));
    const double middle = std::atan2(across, down) * 180 / M_PI;
    AddTestArc(*model, "0", 500, 500, radius, middle - sweep / 2, middle + sweep / 2);
  }

  void Draw() {
    AddTestLine(*model, "0", 0, 0, 1000, 1000);  // fixes the extents
    FixedScale(1.0);
    Connect();
    ASSERT_TRUE(exporter.DrawArcDatas());
  }

  TempDir dir;
};

TEST_F(DrawArcs, ArcsAreFreeformsOfTwoToEightCurveSegments) {
  AddTestArc(*model, "0", 500, 500, 200, 0, 90);     // sweep 90: 4 steps
  AddTestArc(*model, "0", 500, 500, 200, 350, 10);   // sweep 20: 2 steps
  AddTestArc(*model, "0", 500, 500, 200, 10, 350);   // sweep 340: 8 steps
  AddTestArc(*model, "0", 500, 500, 200, 300, 60);   // sweep 120: 4 steps, past 360
  AddTestArc(*model, "0", 500, 500, 200, 0, 200);    // sweep 200: 6 steps
  Draw();
  ASSERT_EQ(ShapeCount(), 5);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(ShapeAt(i)->Type(), excel::kTypeFreeform) << i;
  EXPECT_EQ(CurveSegments(ShapeAt(1)->Name()), 4);
  EXPECT_EQ(CurveSegments(ShapeAt(2)->Name()), 2);
  EXPECT_EQ(CurveSegments(ShapeAt(3)->Name()), 8);
  EXPECT_EQ(CurveSegments(ShapeAt(4)->Name()), 4);
  EXPECT_EQ(CurveSegments(ShapeAt(5)->Name()), 6);
  // The quarter from 0 to 90 degrees spans its radius across and down.
  EXPECT_NEAR(ShapeAt(1)->Width(), 200, 1);
  EXPECT_NEAR(ShapeAt(1)->Height(), 200, 1);
}

TEST_F(DrawArcs, ASmallArcWithCloseEndsIsALine) {
  AddArcWithChord(10, 5.99, 5.9);  // line
  AddArcWithChord(10, 6.01, 0.1);  // curve: too far across
  AddArcWithChord(10, 0.1, 6.01);  // curve: too far down
  AddTestArc(*model, "0", 500, 500, 100, 30, 30);  // no sweep: a line of no length
  Draw();
  ASSERT_EQ(ShapeCount(), 4);
  EXPECT_EQ(ShapeAt(1)->Type(), excel::kTypeLine);
  EXPECT_EQ(ShapeAt(2)->Type(), excel::kTypeFreeform);
  EXPECT_EQ(ShapeAt(3)->Type(), excel::kTypeFreeform);
  EXPECT_EQ(ShapeAt(4)->Type(), excel::kTypeLine);
  EXPECT_EQ(ShapeAt(4)->Width(), 0);
}

// Close end points alone do not make a line: an arc of 358 degrees is nearly
// a full circle, not the short line between its ends.
TEST_F(DrawArcs, ALargeSweepWithCloseEndsIsStillACurve) {
  AddTestArc(*model, "0", 500, 500, 50, 1, 359);
  AddArcWithChord(89, 4, 3);   // below the threshold: a line
  AddArcWithChord(90, 4, 3);   // at it: the arc, as chords (too small for curve nodes)
  Draw();
  ASSERT_EQ(ShapeCount(), 3);
  EXPECT_EQ(ShapeAt(1)->Type(), excel::kTypeFreeform);
  EXPECT_EQ(CurveSegments(ShapeAt(1)->Name()), 8);
  EXPECT_NEAR(ShapeAt(1)->Width(), 100, 1);
  EXPECT_NEAR(ShapeAt(1)->Height(), 100, 1);
  EXPECT_EQ(ShapeAt(2)->Type(), excel::kTypeLine);
  EXPECT_EQ(ShapeAt(3)->Type(), excel::kTypeGroup);
}

TEST_F(DrawArcs, NodesCloserThanTheToleranceAreSkipped) {
  // A radius of 10 points over a half turn: the sample points 30 degrees
  // apart are about 5 points apart, so every other one is left out and the
  // curve runs through 60 and 120 degrees to the end.
  AddTestArc(*model, "0", 500, 500, 10, 0, 180);
  // A radius of 5: the end lies within the tolerance of the last node, so
  // the curve ends there.
  AddTestArc(*model, "0", 500, 500, 5, 0, 180);
  Draw();
  ASSERT_EQ(ShapeCount(), 2);
  EXPECT_EQ(ShapeAt(1)->Type(), excel::kTypeFreeform);
  EXPECT_EQ(CurveSegments(ShapeAt(1)->Name()), 3);
  EXPECT_EQ(CurveSegments(ShapeAt(2)->Name()), 1);
}

// A full turn closes the freeform; it must stay a stroke so that the centre
// lines under it show.
TEST_F(DrawArcs, ArcsAreNeverFilled) {
  AddTestArc(*model, "0", 500, 500, 100, 0, 360);
  AddTestArc(*model, "0", 500, 500, 100, 45, 405);
  AddTestArc(*model, "0", 500, 500, 100, 0, 180);
  Draw();
  ASSERT_EQ(ShapeCount(), 3);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(ShapeAt(i)->Type(), excel::kTypeFreeform) << i;
    EXPECT_EQ(ShapeAt(i)->Fill()->Visible(), excel::kFalse) << i;
  }
}

TEST_F(DrawArcs, AnArcThatCannotBeDrawnIsLeftOutAndTheNextOneIsDrawn) {
  AddTestArc(*model, "0", 500, 500, 1e12, 0, 90);  // far off any sheet
  AddTestArc(*model, "0", 500, 500, 100, 0, 90);
  Draw();  // true: arcs never stop the stage
  ASSERT_EQ(ShapeCount(), 1);
  EXPECT_EQ(ShapeAt(1)->Type(), excel::kTypeFreeform);
}

// ---- texts --------------------------------------------------------------------

TEST_F(DrawEntities, ATextBoxStandsOnItsInsertionPoint) {
  AddStyledText(*model, {.text = "ABC", .x = 50, .y = 50, .height = 2.5, .length = 7.5});
  AddTestLine(*model, "0", 0, 0, 100, 100);
  FixedScale(2.0);
  Connect();
  ASSERT_TRUE(exporter.DrawTextDatas());
  const auto [x0, y0] = Mapped(50, 50);
  auto box = ShapeAt(1);
  EXPECT_EQ(TextOf(box), "ABC");
  EXPECT_EQ(FontAt(box, 1)->Size(), 5);
  EXPECT_NEAR(box->Left(), x0, 1e-9);
  EXPECT_NEAR(box->Top(), y0 - 6, 1e-9);
}

// A text scaled below 0.1 pt gets the smallest font size (1 pt), not its
// model height, which on a drawing scaled down to the page would make it
// larger than the drawing.
TEST_F(DrawEntities, ATinyTextGetsTheSmallestFontSize) {
  AddStyledText(*model, {.text = "tiny", .x = 50, .y = 50, .height = 2.5});
  AddStyledText(*model, {.text = "tiny", .x = 50, .y = 50, .height = 2.5}, true);
  AddStyledText(*model, {.text = "big", .x = 50, .y = 60, .height = 500});
  AddTestLine(*model, "0", 0, 0, 100, 100);
  FixedScale(0.01);
  Connect();
  ASSERT_TRUE(exporter.DrawTextDatas());
  ASSERT_TRUE(exporter.DrawMTextDatas());
  ASSERT_EQ(ShapeCount(), 3);
  EXPECT_EQ(FontAt(ShapeAt(1), 1)->Size(), 1);
  // 500 units at 0.01 points a unit are 5 points: kept as scaled.
  EXPECT_EQ(FontAt(ShapeAt(2), 1)->Size(), 5);
  EXPECT_EQ(FontAt(ShapeAt(3), 1)->Size(), 1);
}

TEST_F(DrawEntities, ATextReachingTheSheetEdgeIsLeftOut) {
  // At one point per unit the sheet's top edge is 7342 units above the
  // drawing's lowest point.
  AddStyledText(*model, {.text = "out", .x = 10, .y = 8000, .height = 10});
  AddStyledText(*model, {.text = "in", .x = 10, .y = 100, .height = 10});
  AddTestLine(*model, "0", 0, 0, 10, 10);
  FixedScale(1.0);
  Connect();
  ASSERT_TRUE(exporter.DrawTextDatas());
  ASSERT_EQ(ShapeCount(), 1);
  EXPECT_EQ(TextOf(ShapeAt(1)), "in");
}

TEST_F(DrawEntities, MultilineTextsKeepTheirLinesAndDirection) {
  AddStyledText(*model, {.text = "上\\P下", .x = 10, .y = 10, .direction = 1}, true);
  AddStyledText(*model, {.text = "縦", .x = 10, .y = 30, .direction = 4}, true);
  AddTestLine(*model, "0", 0, 0, 100, 100);
  Connect();
  ASSERT_TRUE(exporter.DrawMTextDatas());
  ASSERT_EQ(ShapeCount(), 2);
  EXPECT_EQ(TextOf(ShapeAt(1)), "上\n下");
  // The orientation shows in the saved drawing.
  TempDir dir;
  const auto file = dir / "m.xlsx";
  App().ActiveWorkbook()->SaveAs(file.string(), excel::kNoChange);
  const std::string xml = ReadPart(file, "xl/drawings/drawing1.xml");
  EXPECT_NE(xml.find("vert=\"vert\""), std::string::npos);
}

TEST_F(DrawEntities, TextBoxesShowCharactersNotCadCodes) {
  AddStyledText(*model, {.text = "4-%%c10 45%%d", .x = 10, .y = 10});
  AddStyledText(*model, {.text = "\\A1;{\\H2.5x;B\\S^ 1;}\\Pφ%%c", .x = 10, .y = 40}, true);
  AddTestLine(*model, "0", 0, 0, 100, 100);
  Connect();
  ASSERT_TRUE(exporter.DrawTextDatas());
  ASSERT_TRUE(exporter.DrawMTextDatas());
  ASSERT_EQ(ShapeCount(), 2);
  EXPECT_EQ(TextOf(ShapeAt(1)), "4-φ10 45°");
  EXPECT_EQ(TextOf(ShapeAt(2)), "B1\nφφ");
  // Every shown character carries the text's size, the last one included.
  EXPECT_EQ(FontAt(ShapeAt(2), 5)->Size(), FontAt(ShapeAt(2), 1)->Size());
}

TEST_F(DrawEntities, AnAutomationFailureStopsTheWalkAndKeepsWhatWasDrawn) {
  AddTestLine(*model, "0", 0, 0, 10, 10);
  AddTestLine(*model, "0", 0, 0, 1e15, 10);  // beyond any sheet
  AddTestLine(*model, "0", 0, 0, 20, 20);
  FixedScale(1.0);
  Connect();
  EXPECT_FALSE(exporter.DrawLineDatas());
  EXPECT_EQ(ShapeCount(), 1);
  EXPECT_NE(exporter.LastError(), "");
}

}  // namespace
}  // namespace ovix::testing
