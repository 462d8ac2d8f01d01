// The reader with every entity drawn: splines, hatches (solid with an
// island, patterns of known line count, too dense patterns, gradients),
// wipeouts, construction lines, multileaders and dimensions drawn from their
// blocks, as the model's extra shapes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "dxf/curve_fill_shapes.h"
#include "dxf/draw_all_notice.h"
#include "dxf/rv_dxf_import.h"
#include "dxf/undrawn_entities.h"
#include "tests/dxf/dxf_test_support.h"
#include "tools/numeric.h"

namespace ovix {
namespace {

using testing::DxfPairs;
using testing::DxfText;
using testing::Section;

std::string N(double v) { return num::FormatGeneral(v); }

std::string DrawingWith(const DxfPairs& entities, const DxfPairs& blocks = {}) {
  DxfPairs tables{{0, "TABLE"}, {2, "LAYER"}, {0, "LAYER"}, {2, "0"},     {70, "0"},
                  {62, "7"},    {6, "CONTINUOUS"}, {0, "ENDTAB"}};
  DxfPairs all = Section("HEADER", {{9, "$ACADVER"}, {1, "AC1027"}}) + Section("TABLES", tables) +
                 Section("BLOCKS", blocks) + Section("ENTITIES", entities);
  all.push_back({0, "EOF"});
  return DxfText(all);
}

DxfPairs Point(int code, double x, double y) { return {{code, N(x)}, {code + 10, N(y)}}; }

// A polyline boundary path of a rectangle.
DxfPairs RectanglePath(double x0, double y0, double x1, double y1, int flags = 3) {
  return DxfPairs{{92, std::to_string(flags)}, {72, "0"}, {73, "1"}, {93, "4"}} +
         Point(10, x0, y0) + Point(10, x1, y0) + Point(10, x1, y1) + Point(10, x0, y1) +
         DxfPairs{{97, "0"}};
}

DxfPairs Hatch(bool solid, const DxfPairs& paths, int path_count, const DxfPairs& pattern = {}) {
  DxfPairs h{{0, "HATCH"}, {8, "0"}, {62, "1"}, {100, "AcDbHatch"}, {10, "0"}, {20, "0"},
             {30, "0"},    {2, solid ? "SOLID" : "USER"}, {70, solid ? "1" : "0"}, {71, "0"},
             {91, std::to_string(path_count)}};
  h = h + paths + DxfPairs{{75, "0"}, {76, "1"}};
  if (!solid) h = h + pattern;
  return h + DxfPairs{{98, "1"}, {10, "1"}, {20, "1"}};
}

const ExtraShapeStore& Extras(testing::ImportResult& r) { return r.model().ExtraShapes(); }

TEST(DrawAllSplines, AClampedCubicSplineIsItsBezierSegments) {
  DxfPairs spline{{0, "SPLINE"}, {8, "0"}, {100, "AcDbSpline"}, {70, "8"}, {71, "3"},
                  {72, "9"},     {73, "5"}, {74, "0"}};
  for (double k : {0, 0, 0, 0, 1, 2, 2, 2, 2}) spline.push_back({40, N(k)});
  for (auto [x, y] : {std::pair{0, 0}, {2, 4}, {6, 4}, {10, 0}, {12, 2}}) {
    spline = spline + Point(10, x, y) + DxfPairs{{30, "0"}};
  }
  auto r = testing::ImportBytes(DrawingWith(spline), true);
  ASSERT_TRUE(r.ok);
  const ExtraShapeStore& s = Extras(r);
  ASSERT_EQ(s.Count(), 1u);
  EXPECT_EQ(s.At(0).Kind, ExtraShapeKind::Path);
  const auto nodes = s.Nodes(s.At(0));
  ASSERT_EQ(nodes.size(), 3u);
  EXPECT_TRUE(nodes[1].Curve);
  EXPECT_DOUBLE_EQ(nodes[1].C2X, 4);
  EXPECT_DOUBLE_EQ(nodes[1].X, 6);
  EXPECT_DOUBLE_EQ(nodes[1].Y, 3);
  EXPECT_DOUBLE_EQ(nodes[2].C1X, 8);
  EXPECT_DOUBLE_EQ(nodes[2].X, 12);
  // Without the option the spline is not drawn, and the note names it.
  auto off = testing::ImportBytes(DrawingWith(spline), false);
  EXPECT_TRUE(off.model().ExtraShapes().Empty());
}

TEST(DrawAllHatches, ASolidHatchWithAnIslandIsOneFilledShapeWithoutOutline) {
  const DxfPairs paths = RectanglePath(0, 0, 10, 10, 1 | 2 | 16) + RectanglePath(4, 4, 6, 6, 2);
  auto r = testing::ImportBytes(DrawingWith(Hatch(true, paths, 2)), true);
  ASSERT_TRUE(r.ok);
  const ExtraShapeStore& s = Extras(r);
  ASSERT_EQ(s.Count(), 1u);
  const ExtraShape& fill = s.At(0);
  EXPECT_EQ(fill.Kind, ExtraShapeKind::Fill);
  EXPECT_FALSE(fill.Outline);
  EXPECT_EQ(fill.Color, 1);
  // Both loops, with the bridge out to the island and back: 4 + 1 + 4 + 1.
  EXPECT_EQ(s.Nodes(fill).size(), 11u);
  EXPECT_DOUBLE_EQ(fill.MinX, 0);
  EXPECT_DOUBLE_EQ(fill.MaxY, 10);
}

TEST(DrawAllHatches, PatternLinesAreClippedAroundTheIslandAndGrouped) {
  // Horizontal lines 1 apart starting at y = 0.5: ten lines, two of them
  // cut by the island.
  const DxfPairs paths = RectanglePath(0, 0, 10, 10, 3) + RectanglePath(4, 4, 6, 6, 2);
  const DxfPairs pattern{{52, "0"}, {41, "1"}, {77, "0"}, {78, "1"}, {53, "0"}, {43, "0"},
                         {44, "0.5"}, {45, "0"}, {46, "1"}, {79, "0"}};
  auto r = testing::ImportBytes(DrawingWith(Hatch(false, paths, 2, pattern)), true);
  ASSERT_TRUE(r.ok);
  const ExtraShapeStore& s = Extras(r);
  ASSERT_EQ(s.Count(), 12u);
  for (std::size_t i = 0; i < s.Count(); ++i) {
    EXPECT_EQ(s.At(i).Kind, ExtraShapeKind::Path);
    EXPECT_EQ(s.At(i).Group, s.At(0).Group);
  }
  ASSERT_GE(s.At(0).Group, 0);
  EXPECT_EQ(s.GroupName(s.At(0).Group), "Hatch USER");
  EXPECT_EQ(s.SimplifiedHatches(), 0u);
}

TEST(DrawAllHatches, ATooDensePatternIsALightFillAndCounted) {
  const DxfPairs pattern{{52, "0"}, {41, "1"}, {77, "0"}, {78, "1"}, {53, "0"}, {43, "0"},
                         {44, "0"}, {45, "0"}, {46, "0.001"}, {79, "0"}};
  auto r = testing::ImportBytes(DrawingWith(Hatch(false, RectanglePath(0, 0, 10, 10), 1, pattern)),
                                true);
  ASSERT_TRUE(r.ok);
  const ExtraShapeStore& s = Extras(r);
  ASSERT_EQ(s.Count(), 1u);
  EXPECT_EQ(s.At(0).Kind, ExtraShapeKind::Fill);
  EXPECT_GT(s.At(0).FillTransparency, 0.5);
  EXPECT_EQ(s.SimplifiedHatches(), 1u);
}

TEST(DrawAllHatches, DashesBeyondTheLimitBecomeWholeLinesInADashStyle) {
  // Lines 1 apart with dashes of 0.01: a thousand dashes a line, but only
  // ten lines, drawn whole and dashed.
  const DxfPairs pattern{{52, "0"}, {41, "1"}, {77, "0"}, {78, "1"}, {53, "0"}, {43, "0"},
                         {44, "0.5"}, {45, "0"}, {46, "1"}, {79, "2"}, {49, "0.005"},
                         {49, "-0.005"}};
  auto r = testing::ImportBytes(DrawingWith(Hatch(false, RectanglePath(0, 0, 10, 10), 1, pattern)),
                                true);
  ASSERT_TRUE(r.ok);
  const ExtraShapeStore& s = Extras(r);
  ASSERT_EQ(s.Count(), 10u);
  EXPECT_EQ(s.At(0).DashCode, 1);
  EXPECT_DOUBLE_EQ(s.At(0).MaxX - s.At(0).MinX, 10);
  EXPECT_EQ(s.SimplifiedHatches(), 0u);
}

TEST(DrawAllHatches, EdgePathsOfArcsAndGradientFills) {
  // A half disc: a line along the diameter and a clockwise arc edge back
  // over the top (from 180 to 0 degrees, stored as the complementary
  // angles 180 and 360).
  const DxfPairs path = DxfPairs{{92, "1"}, {93, "2"}, {72, "1"}} + Point(10, 5, 0) +
                        Point(11, -5, 0) + DxfPairs{{72, "2"}} + Point(10, 0, 0) +
                        DxfPairs{{40, "5"}, {50, "180"}, {51, "360"}, {73, "0"}, {97, "0"}};
  DxfPairs hatch = Hatch(true, path, 1);
  hatch = hatch + DxfPairs{{450, "1"}, {451, "0"}, {452, "0"}, {453, "2"}, {463, "0"},
                           {421, std::to_string(0x00FF8000)}, {463, "1"}, {421, "255"}};
  auto r = testing::ImportBytes(DrawingWith(hatch), true);
  ASSERT_TRUE(r.ok);
  const ExtraShapeStore& s = Extras(r);
  ASSERT_EQ(s.Count(), 1u);
  EXPECT_NEAR(s.At(0).MaxY, 5, 0.01);
  EXPECT_NEAR(s.At(0).MinY, 0, 1e-9);
  // The first gradient colour, as red + 256 green + 65536 blue.
  EXPECT_EQ(s.At(0).FillRgb, 0xFF + 256 * 0x80);
}

// A spline edge as recent versions write it: its control points followed by
// its fit point count (97), 0 here.
DxfPairs SplineEdge(const std::vector<std::pair<double, double>>& control) {
  DxfPairs e{{72, "4"}, {94, "3"}, {73, "0"}, {74, "0"}, {95, "8"}, {96, std::to_string(control.size())}};
  for (double k : {0, 0, 0, 0, 1, 1, 1, 1}) e.push_back({40, N(k)});
  for (const auto& [x, y] : control) e = e + Point(10, x, y);
  return e + DxfPairs{{97, "0"}};
}

TEST(DrawAllHatches, EdgesAfterASplineEdgeWithItsFitPointCountAreKept) {
  // A square 10 wide whose bottom is a cubic spline edge bulging down: the
  // edges after the spline (right side, top) belong to the same path.
  const DxfPairs middle = DxfPairs{{92, "1"}, {93, "4"}, {72, "1"}} + Point(10, 0, 10) +
                          Point(11, 0, 0) + SplineEdge({{0, 0}, {3, -4}, {7, -4}, {10, 0}}) +
                          DxfPairs{{72, "1"}} + Point(10, 10, 0) + Point(11, 10, 10) +
                          DxfPairs{{72, "1"}} + Point(10, 10, 10) + Point(11, 0, 10) +
                          DxfPairs{{97, "1"}, {330, "2F"}};
  // The spline as the last edge: its fit point count, then the path's
  // source objects.
  const DxfPairs last = DxfPairs{{92, "1"}, {93, "3"}, {72, "1"}} + Point(10, 30, 0) +
                        Point(11, 30, 10) + DxfPairs{{72, "1"}} + Point(10, 30, 10) +
                        Point(11, 20, 0) + SplineEdge({{20, 0}, {23, -4}, {27, -4}, {30, 0}}) +
                        DxfPairs{{97, "1"}, {330, "30"}};
  auto r = testing::ImportBytes(DrawingWith(Hatch(true, middle, 1) + Hatch(true, last, 1)), true);
  ASSERT_TRUE(r.ok);
  const ExtraShapeStore& s = Extras(r);
  ASSERT_EQ(s.Count(), 2u);
  for (std::size_t k = 0; k < 2; ++k) {
    SCOPED_TRACE(k);
    EXPECT_NEAR(s.At(k).MinX, 20.0 * k, 1e-9);
    EXPECT_NEAR(s.At(k).MaxX, 20.0 * k + 10, 1e-9);
    EXPECT_NEAR(s.At(k).MinY, -3, 1e-9);  // the spline's lowest point
    EXPECT_NEAR(s.At(k).MaxY, 10, 1e-9);
  }
  // Nodes: the start and one per edge (the spline is one Bézier segment).
  EXPECT_EQ(s.Nodes(s.At(0)).size(), 5u);
  EXPECT_EQ(s.Nodes(s.At(1)).size(), 4u);
}

TEST(DrawAllOthers, WipeoutsConstructionLinesAndImages) {
  DxfPairs wipeout{{0, "WIPEOUT"}, {8, "0"}, {100, "AcDbWipeout"}};
  wipeout = wipeout + Point(10, 2, 2) + Point(11, 4, 0) + Point(12, 0, 4) + Point(13, 1, 1) +
            DxfPairs{{71, "1"}, {91, "2"}} + Point(14, -0.5, -0.5) + Point(14, 0.5, 0.5);
  const DxfPairs xline = DxfPairs{{0, "XLINE"}, {8, "0"}} + Point(10, 0, 5) + Point(11, 1, 0);
  const DxfPairs ray = DxfPairs{{0, "RAY"}, {8, "0"}} + Point(10, 5, 5) + Point(11, 0, -1);
  auto r = testing::ImportBytes(
      DrawingWith(testing::Line(0, 0, 10, 10) + wipeout + xline + ray), true);
  ASSERT_TRUE(r.ok);
  const ExtraShapeStore& s = Extras(r);
  // The line before the wipeout is drawn with the extra shapes, below it.
  ASSERT_EQ(s.Count(), 4u);
  EXPECT_EQ(r.model().LineCount(), 0);
  const ExtraShape& w = s.At(1);
  EXPECT_EQ(w.Kind, ExtraShapeKind::Fill);
  EXPECT_EQ(w.FillRgb, 0xFFFFFF);
  EXPECT_DOUBLE_EQ(w.MinX, 2);
  EXPECT_DOUBLE_EQ(w.MaxY, 6);
  // The construction lines reach across the extents (0..10 by 0..10).
  EXPECT_DOUBLE_EQ(s.At(2).MinX, 0);
  EXPECT_DOUBLE_EQ(s.At(2).MaxX, 10);
  EXPECT_DOUBLE_EQ(s.At(3).MinY, 0);
  EXPECT_DOUBLE_EQ(s.At(3).MaxY, 5);
}

TEST(DrawAllOthers, AMultileaderIsItsLineArrowheadLandingAndText) {
  DxfPairs m{{0, "MULTILEADER"}, {8, "0"}, {100, "AcDbMLeader"}, {300, "CONTEXT_DATA{"},
             {40, "1"},          {10, "20"}, {20, "10"},       {41, "2.5"},
             {140, "2"},         {290, "1"}, {304, "Note\\Ptwo"}};
  m = m + Point(12, 21, 11) + Point(13, 1, 0) +
      DxfPairs{{42, "0"}, {43, "0"}, {171, "1"}, {296, "0"}, {302, "LEADER{"}, {290, "1"},
               {291, "1"}} +
      Point(10, 10, 10) + Point(11, 1, 0) + DxfPairs{{90, "0"}, {40, "4"}, {304, "LEADER_LINE{"}} +
      Point(10, 0, 0) + DxfPairs{{91, "0"}, {305, "}"}, {303, "}"}, {301, "}"}, {170, "1"},
                                 {291, "1"}, {42, "4"}, {172, "2"}};
  auto r = testing::ImportBytes(DrawingWith(m), true);
  ASSERT_TRUE(r.ok);
  const ExtraShapeStore& s = Extras(r);
  ASSERT_EQ(s.Count(), 4u);
  // The leader line from the arrow point to the landing.
  const auto line = s.Nodes(s.At(0));
  ASSERT_EQ(line.size(), 2u);
  EXPECT_DOUBLE_EQ(line[1].X, 10);
  // The arrowhead: a filled triangle 2 long (the context's size) and a
  // third as wide, its tip at (0, 0), pointing away from the landing.
  EXPECT_EQ(s.At(1).Kind, ExtraShapeKind::Fill);
  EXPECT_NEAR(s.At(1).MinX, 0, 1e-9);
  EXPECT_NEAR(s.At(1).MaxX, (2 + 2.0 / 6) / std::sqrt(2.0), 1e-9);
  // The dog-leg, 4 along its vector.
  EXPECT_DOUBLE_EQ(s.At(2).MaxX, 14);
  // The text at its location, as a multiline text.
  const ExtraShape& t = s.At(3);
  ASSERT_EQ(t.Kind, ExtraShapeKind::Text);
  EXPECT_EQ(s.TextOf(t).Text, "Note\\Ptwo");
  EXPECT_DOUBLE_EQ(s.TextOf(t).X, 21);
  EXPECT_DOUBLE_EQ(s.TextOf(t).Height, 2.5);
  EXPECT_TRUE(s.TextOf(t).Multiline);
}

TEST(DrawAllOthers, AMultileadersBlockContentIsDrawnAsAReference) {
  // The block is named by its block record's handle (code 341), placed at
  // the content point, scaled by 2 and turned a quarter.
  const DxfPairs block = DxfPairs{{0, "BLOCK"}, {5, "20"}, {330, "1F"}, {8, "0"}, {2, "TAG"},
                                  {70, "0"},    {10, "0"}, {20, "0"}} +
                         testing::Line(0, 0, 1, 0) + DxfPairs{{0, "ENDBLK"}, {8, "0"}};
  DxfPairs m{{0, "MULTILEADER"}, {8, "0"}, {300, "CONTEXT_DATA{"}, {40, "1"}, {290, "0"},
             {296, "1"}, {341, "1F"}};
  m = m + Point(15, 50, 50) + Point(16, 2, 2) +
      DxfPairs{{46, "1.5707963267948966"}, {301, "}"}, {170, "1"}, {172, "1"}};
  auto r = testing::ImportBytes(DrawingWith(m, block), true);
  ASSERT_TRUE(r.ok);
  const ExtraShapeStore& s = Extras(r);
  ASSERT_EQ(s.Count(), 1u);
  EXPECT_NEAR(s.At(0).MinX, 50, 1e-9);
  EXPECT_NEAR(s.At(0).MaxY, 52, 1e-9);
  EXPECT_NEAR(s.At(0).MaxX, 50, 1e-9);
}

TEST(DrawAllOthers, DimensionsOfOtherKindsAreDrawnFromTheirBlocks) {
  const DxfPairs block = DxfPairs{{0, "BLOCK"}, {8, "0"}, {2, "*D7"}, {70, "1"}, {10, "0"},
                                  {20, "0"}} +
                         testing::Line(1, 1, 5, 1) + DxfPairs{{0, "ENDBLK"}, {8, "0"}};
  const DxfPairs ordinate{{0, "DIMENSION"}, {8, "0"}, {100, "AcDbEntity"}, {2, "*D7"},
                          {100, "AcDbDimension"}, {10, "5"}, {20, "1"}, {70, "6"},
                          {100, "AcDbOrdinateDimension"}, {13, "1"}, {23, "1"}, {14, "5"},
                          {24, "1"}};
  const DxfPairs arc{{0, "ARC_DIMENSION"}, {8, "0"}, {2, "*D7"}, {100, "AcDbDimension"}};
  auto r = testing::ImportBytes(DrawingWith(ordinate + arc, block), true);
  ASSERT_TRUE(r.ok);
  const ExtraShapeStore& s = Extras(r);
  ASSERT_EQ(s.Count(), 2u);
  EXPECT_DOUBLE_EQ(s.At(0).MinX, 1);
  EXPECT_DOUBLE_EQ(s.At(0).MaxX, 5);
  EXPECT_EQ(r.model().DimensionCount(), 0);
}

TEST(DrawAllOthers, TheNoteNamesImagesAndSimplifiedHatches) {
  const DxfPairs pattern{{52, "0"}, {41, "1"}, {77, "0"}, {78, "1"}, {53, "0"}, {43, "0"},
                         {44, "0"}, {45, "0"}, {46, "0.001"}, {79, "0"}};
  const DxfPairs image{{0, "IMAGE"}, {8, "0"}, {10, "0"}, {20, "0"}};
  const DxfPairs ole{{0, "OLE2FRAME"}, {8, "0"}};
  auto r = testing::ImportBytes(
      DrawingWith(image + ole + image + Hatch(false, RectanglePath(0, 0, 10, 10), 1, pattern)), true);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(DrawAllNotice(r.document->DxfImport().EntityRecords(), Extras(r)),
            "描けない図形があります: IMAGE 2、OLE2FRAME 1 (画像、OLEオブジェクトなどは描きません)\n"
            "線が多すぎるハッチング 1 個を薄い塗り潰しで描きました");
  // A drawing the option draws whole has nothing to say.
  auto plain = testing::ImportBytes(DrawingWith(testing::Line(0, 0, 1, 1)), true);
  EXPECT_EQ(DrawAllNotice(plain.document->DxfImport().EntityRecords(), Extras(plain)), "");
}

}  // namespace
}  // namespace ovix
