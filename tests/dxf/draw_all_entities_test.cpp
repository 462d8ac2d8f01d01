// The reader with every entity drawn: block references expanded with their
// transforms and attributes, old-style polylines, bulges, rotated and
// partial shapes, solids and points, as the model's extra shapes.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "dxf/rv_dxf_import.h"
#include "dxf/undrawn_entities.h"
#include "tests/dxf/dxf_test_support.h"
#include "tools/numeric.h"

namespace ovix {
namespace {

using testing::DxfPairs;
using testing::DxfText;
using testing::Section;

constexpr double kTol = 1e-9;

std::string N(double v) { return num::FormatGeneral(v); }

// A drawing with a BLOCKS section; the tables hold layer "0" and the layers
// named in `layers` (colour, name).
std::string BlockDrawing(const DxfPairs& blocks, const DxfPairs& entities,
                         const std::vector<std::pair<int, std::string>>& layers = {}) {
  DxfPairs tables{{0, "TABLE"}, {2, "LAYER"}};
  auto layer = [&](const std::string& name, int color) {
    tables = tables + DxfPairs{{0, "LAYER"}, {2, name}, {70, "0"}, {62, std::to_string(color)},
                               {6, "CONTINUOUS"}};
  };
  layer("0", 7);
  for (const auto& [color, name] : layers) layer(name, color);
  tables.push_back({0, "ENDTAB"});
  DxfPairs all = Section("HEADER", {{9, "$ACADVER"}, {1, "AC1009"}}) + Section("TABLES", tables) +
                 Section("BLOCKS", blocks) + Section("ENTITIES", entities);
  all.push_back({0, "EOF"});
  return DxfText(all);
}

DxfPairs Block(const std::string& name, double bx, double by, const DxfPairs& contents) {
  return DxfPairs{{0, "BLOCK"}, {8, "0"}, {2, name}, {70, "0"}, {10, N(bx)}, {20, N(by)}} +
         contents + DxfPairs{{0, "ENDBLK"}, {8, "0"}};
}

DxfPairs Insert(const std::string& block, double x, double y, double sx = 1, double sy = 1,
                double rotation = 0, const std::string& layer = "0") {
  return {{0, "INSERT"}, {8, layer},    {2, block},         {10, N(x)},
          {20, N(y)},    {41, N(sx)},   {42, N(sy)},        {50, N(rotation)}};
}

testing::ImportResult ImportAll(const std::string& bytes, bool draw_all = true) {
  return testing::ImportBytes(bytes, draw_all);
}

const ExtraShapeStore& Extras(testing::ImportResult& r) { return r.model().ExtraShapes(); }

// The point of a path at its node `k` (a node's end point).
std::pair<double, double> NodeAt(const ExtraShapeStore& s, std::size_t shape, std::size_t k) {
  const ExtraNode& n = s.Nodes(s.At(shape))[k];
  return {n.X, n.Y};
}

// The midpoint of the Bézier segment ending at node `k`.
std::pair<double, double> CurveMid(const ExtraShapeStore& s, std::size_t shape, std::size_t k) {
  const auto nodes = s.Nodes(s.At(shape));
  const ExtraNode& a = nodes[k - 1];
  const ExtraNode& b = nodes[k];
  return {(a.X + 3 * b.C1X + 3 * b.C2X + b.X) / 8, (a.Y + 3 * b.C1Y + 3 * b.C2Y + b.Y) / 8};
}

#define EXPECT_AT(point, x, y, tol)      \
  do {                                   \
    const auto p_ = (point);             \
    EXPECT_NEAR(p_.first, (x), (tol));   \
    EXPECT_NEAR(p_.second, (y), (tol));  \
  } while (0)

// ---- blocks ------------------------------------------------------------------

TEST(DrawAllBlocks, AReferencePlacesItsBlockByBasePointScaleAndRotation) {
  // Block line from (11, 20) to (13, 20) with base (10, 20): (1, 0)-(3, 0)
  // relative; scaled by 2, rotated 90 degrees, placed at (100, 50).
  auto r = ImportAll(BlockDrawing(Block("B", 10, 20, testing::Line(11, 20, 13, 20)),
                                  Insert("B", 100, 50, 2, 2, 90)));
  ASSERT_TRUE(r.ok);
  const auto& s = Extras(r);
  ASSERT_EQ(s.Count(), 1u);
  EXPECT_AT(NodeAt(s, 0, 0), 100, 52, kTol);
  EXPECT_AT(NodeAt(s, 0, 1), 100, 56, kTol);
  // The reference itself is not registered as a line of the nine stores.
  EXPECT_EQ(r.model().LineCount(), 0);
}

TEST(DrawAllBlocks, NegativeScalesAndADownwardExtrusionMirror) {
  DxfPairs mirrored = Insert("B", 0, 0);
  mirrored.push_back({230, "-1"});
  auto r = ImportAll(BlockDrawing(Block("B", 0, 0, testing::Line(1, 1, 2, 1)),
                                  Insert("B", 10, 0, -1, 1) + mirrored));
  const auto& s = Extras(r);
  ASSERT_EQ(s.Count(), 2u);
  EXPECT_AT(NodeAt(s, 0, 0), 9, 1, kTol);
  EXPECT_AT(NodeAt(s, 0, 1), 8, 1, kTol);
  EXPECT_AT(NodeAt(s, 1, 0), -1, 1, kTol);
  EXPECT_AT(NodeAt(s, 1, 1), -2, 1, kTol);
}

TEST(DrawAllBlocks, MinsertArraysAndNestedReferencesMultiply) {
  DxfPairs array = Insert("OUTER", 0, 0);
  array[0].second = "MINSERT";
  array = array + DxfPairs{{70, "3"}, {71, "2"}, {44, "100"}, {45, "50"}};
  auto r = ImportAll(BlockDrawing(Block("INNER", 0, 0, testing::Line(0, 0, 1, 0)) +
                                      Block("OUTER", 0, 0, Insert("INNER", 5, 0) + Insert("INNER", 7, 0)),
                                  array));
  const auto& s = Extras(r);
  ASSERT_EQ(s.Count(), 12u);  // 3 columns x 2 rows x 2 nested references
  // Column 2, row 1, second nested reference.
  EXPECT_AT(NodeAt(s, 11, 0), 207, 50, kTol);
}

TEST(DrawAllBlocks, ABlockThatInsertsItselfStopsAndOtherBlocksStillDraw) {
  auto r = ImportAll(BlockDrawing(
      Block("SELF", 0, 0, testing::Line(0, 0, 1, 0) + Insert("SELF", 1, 0)) +
          Block("A", 0, 0, Insert("B", 0, 0)) + Block("B", 0, 0, Insert("A", 0, 0) + testing::Line(0, 0, 0, 1)),
      Insert("SELF", 0, 0) + Insert("A", 0, 0)));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(Extras(r).Count(), 2u);
}

TEST(DrawAllBlocks, LayerZeroAndByBlockTakeTheReferencesAttributes) {
  const DxfPairs contents =
      DxfPairs{{0, "LINE"}, {8, "0"}, {62, "0"}, {6, "BYBLOCK"}, {370, "-2"}, {10, "0"}, {20, "0"}, {11, "1"}, {21, "0"}} +
      DxfPairs{{0, "LINE"}, {8, "OWN"}, {10, "0"}, {20, "0"}, {11, "1"}, {21, "1"}};
  DxfPairs ref = Insert("B", 0, 0, 1, 1, 0, "WALLS");
  ref = ref + DxfPairs{{62, "3"}, {6, "DASHED"}, {370, "50"}};
  auto r = ImportAll(BlockDrawing(Block("B", 0, 0, contents), ref, {{1, "WALLS"}, {5, "OWN"}}));
  const auto& s = Extras(r);
  ASSERT_EQ(s.Count(), 2u);
  EXPECT_EQ(s.At(0).Layer, "WALLS");
  EXPECT_EQ(s.At(0).Color, 3);
  EXPECT_EQ(s.At(0).LineType, "DASHED");
  EXPECT_EQ(s.At(0).LineWeight, 50);
  EXPECT_EQ(s.At(1).Layer, "OWN");
  EXPECT_EQ(s.At(1).Color, 256);
  // One group per reference, named after the block.
  EXPECT_EQ(s.At(0).Group, s.At(1).Group);
  EXPECT_EQ(s.GroupName(s.At(0).Group), "B");
}

TEST(DrawAllBlocks, AttributesFollowingAReferenceAreDrawnButDefinitionsAreNot) {
  const DxfPairs contents = DxfPairs{{0, "ATTDEF"}, {8, "0"}, {10, "0"}, {20, "0"}, {40, "1"}, {1, "DEF"}, {2, "TAG"}} +
                            testing::Line(0, 0, 1, 0);
  DxfPairs ref = Insert("B", 10, 10) + DxfPairs{{66, "1"}};
  ref = ref + DxfPairs{{0, "ATTRIB"}, {8, "0"}, {10, "12"}, {20, "13"}, {40, "2.5"}, {1, "我輩は猫である。"}, {2, "TAG"}, {70, "0"}} +
        DxfPairs{{0, "ATTRIB"}, {8, "0"}, {10, "0"}, {20, "0"}, {40, "1"}, {1, "HIDDEN"}, {2, "H"}, {70, "1"}} +
        DxfPairs{{0, "SEQEND"}, {8, "0"}};
  auto r = ImportAll(BlockDrawing(Block("B", 0, 0, contents), ref + testing::Line(0, 0, 5, 5)));
  const auto& s = Extras(r);
  ASSERT_EQ(s.Count(), 2u);
  EXPECT_EQ(s.At(1).Kind, ExtraShapeKind::Text);
  EXPECT_EQ(s.TextOf(s.At(1)).Text, "我輩は猫である。");
  // Attribute positions are in the drawing already, not in the block.
  EXPECT_NEAR(s.TextOf(s.At(1)).X, 12, kTol);
  EXPECT_NEAR(s.TextOf(s.At(1)).Height, 2.5, kTol);
  // The line after the SEQEND is an ordinary line again.
  EXPECT_EQ(r.model().LineCount(), 1);
}

TEST(DrawAllBlocks, DimensionBlocksAreNotDrawnThroughReferences) {
  auto r = ImportAll(BlockDrawing(Block("*D1", 0, 0, testing::Line(0, 0, 1, 0)), Insert("*D1", 0, 0)));
  EXPECT_EQ(Extras(r).Count(), 0u);
}

// ---- polylines and bulges --------------------------------------------------------

TEST(DrawAllPolylines, AnOldStylePolylineWithABulgeIsAClosedPathWithAnArc) {
  const DxfPairs poly = DxfPairs{{0, "POLYLINE"}, {8, "0"}, {66, "1"}, {70, "1"}} +
                        DxfPairs{{0, "VERTEX"}, {8, "0"}, {10, "0"}, {20, "0"}, {42, "1"}} +
                        DxfPairs{{0, "VERTEX"}, {8, "0"}, {10, "10"}, {20, "0"}} +
                        DxfPairs{{0, "VERTEX"}, {8, "0"}, {10, "10"}, {20, "5"}} +
                        DxfPairs{{0, "SEQEND"}, {8, "0"}};
  auto r = ImportAll(BlockDrawing({}, poly));
  const auto& s = Extras(r);
  ASSERT_EQ(s.Count(), 1u);
  EXPECT_TRUE(s.At(0).Closed);
  // Bulge 1 from (0, 0) to (10, 0): a half circle below the chord (counter-
  // clockwise), in two quarter pieces.
  const auto nodes = s.Nodes(s.At(0));
  ASSERT_EQ(nodes.size(), 5u);  // start, 2 arc pieces, 2 straight segments
  EXPECT_TRUE(nodes[1].Curve);
  EXPECT_AT(NodeAt(s, 0, 1), 5, -5, 1e-9);
  // The curve stays on the circle between the nodes.
  const auto mid = CurveMid(s, 0, 1);
  EXPECT_NEAR(std::hypot(mid.first - 5, mid.second), 5, 5 * 3e-4);
  EXPECT_AT(NodeAt(s, 0, 2), 10, 0, 1e-12);
  // The extents hold the curve, not its control points.
  EXPECT_NEAR(s.At(0).MinY, -5, 1e-9);
  EXPECT_NEAR(s.At(0).MaxX, 10, 1e-9);
}

TEST(DrawAllPolylines, LightweightBulgesBecomeArcsAndWidthsTheWeight) {
  const DxfPairs lw{{0, "LWPOLYLINE"}, {8, "0"}, {90, "2"}, {70, "0"}, {43, "0.5"},
                    {10, "0"},  {20, "0"}, {42, "-0.41421356237"}, {10, "10"}, {20, "0"}, {40, "2"}};
  auto r = ImportAll(BlockDrawing({}, lw + testing::Line(0, 0, 1, 1)));
  const auto& s = Extras(r);
  ASSERT_EQ(s.Count(), 1u);
  EXPECT_EQ(r.model().PolylineCount(), 0);
  EXPECT_NEAR(s.At(0).Width, 2, kTol);
  // A quarter circle clockwise from (0, 0) to (10, 0): it bulges upwards
  // round the centre (5, -5).
  const auto mid = CurveMid(s, 0, 1);
  EXPECT_NEAR(std::hypot(mid.first - 5, mid.second + 5), std::hypot(5, 5), 1e-3);
  EXPECT_GT(mid.second, 0);
  // The box holds the arc's top, not its control points, widened by half the
  // width.
  EXPECT_NEAR(s.At(0).MaxY, 5 * std::sqrt(2.0) - 5 + 1, 1e-6);
  // A plain polyline is still the nine stores' business, whatever its handle
  // looks like (a hexadecimal handle may read as a number out of range).
  auto plain = ImportAll(BlockDrawing({}, {{0, "LWPOLYLINE"}, {5, "1E310"}, {8, "0"}, {90, "2"}, {10, "0"}, {20, "0"}, {10, "1"}, {20, "0"}}));
  EXPECT_TRUE(plain.ok);
  EXPECT_EQ(plain.model().PolylineCount(), 1);
  EXPECT_EQ(Extras(plain).Count(), 0u);
}

TEST(DrawAllPolylines, MeshesAreDrawnAsTheirEdges) {
  auto vertex = [](double x, double y, int flags, DxfPairs extra = {}) {
    return DxfPairs{{0, "VERTEX"}, {8, "0"}, {10, N(x)}, {20, N(y)}, {70, std::to_string(flags)}} + extra;
  };
  const DxfPairs face = DxfPairs{{0, "POLYLINE"}, {8, "0"}, {66, "1"}, {70, "64"}} +
                        vertex(0, 0, 192) + vertex(1, 0, 192) + vertex(1, 1, 192) +
                        vertex(0, 0, 128, {{71, "1"}, {72, "2"}, {73, "-3"}}) +
                        DxfPairs{{0, "SEQEND"}};
  const DxfPairs grid = DxfPairs{{0, "POLYLINE"}, {8, "0"}, {66, "1"}, {70, "16"}, {71, "2"}, {72, "3"}} +
                        vertex(0, 0, 64) + vertex(1, 0, 64) + vertex(2, 0, 64) + vertex(0, 1, 64) +
                        vertex(1, 1, 64) + vertex(2, 1, 64) + DxfPairs{{0, "SEQEND"}};
  auto r = ImportAll(BlockDrawing({}, face + grid));
  // Face: edges 1-2 and 2-3 (the edge from 3 is hidden); grid: 2 rows, 3 columns.
  EXPECT_EQ(Extras(r).Count(), 2u + 5u);
}

// ---- rotated and partial shapes, solids, points ---------------------------------------

TEST(DrawAllShapes, ARotatedPartialEllipseIsAnOpenPathBetweenItsParameters) {
  const double pi = std::numbers::pi;
  const DxfPairs e{{0, "ELLIPSE"}, {8, "0"}, {10, "10"}, {20, "10"}, {11, "0"}, {21, "4"},
                   {40, "0.5"}, {41, "0"}, {42, N(pi / 2)}};
  auto r = ImportAll(BlockDrawing({}, e));
  const auto& s = Extras(r);
  ASSERT_EQ(s.Count(), 1u);
  EXPECT_FALSE(s.At(0).Closed);
  // Major axis (0, 4) upwards, minor (-2, 0): from (10, 14) to (8, 10).
  EXPECT_AT(NodeAt(s, 0, 0), 10, 14, 1e-9);
  const auto last = s.Nodes(s.At(0)).size() - 1;
  EXPECT_AT(NodeAt(s, 0, last), 8, 10, 1e-9);
  EXPECT_EQ(r.model().EllipseCount(), 0);
}

TEST(DrawAllShapes, CirclesAndArcsSeenFromBelowAreMirrored) {
  const DxfPairs c{{0, "ARC"}, {8, "0"}, {10, "5"}, {20, "0"}, {40, "1"}, {50, "0"}, {51, "90"}, {230, "-1"}};
  auto r = ImportAll(BlockDrawing({}, c));
  const auto& s = Extras(r);
  ASSERT_EQ(s.Count(), 1u);
  // Centre (-5, 0); the arc runs from (-6, 0) to (-5, 1).
  EXPECT_AT(NodeAt(s, 0, 0), -6, 0, 1e-9);
  EXPECT_AT(NodeAt(s, 0, 1), -5, 1, 1e-9);
}

TEST(DrawAllShapes, TextsKeepRotationAndAlignment) {
  const DxfPairs centred{{0, "TEXT"}, {8, "0"}, {10, "0"}, {20, "0"}, {11, "20"}, {21, "30"},
                         {40, "2"}, {50, "30"}, {72, "1"}, {73, "2"}, {1, "ABC"}};
  const DxfPairs mtext{{0, "MTEXT"}, {8, "0"}, {10, "5"}, {20, "6"}, {40, "1"}, {41, "10"},
                       {71, "9"}, {1, "long text"}};
  auto r = ImportAll(BlockDrawing({}, centred + mtext));
  const auto& s = Extras(r);
  ASSERT_EQ(s.Count(), 2u);
  const ExtraText& t = s.TextOf(s.At(0));
  EXPECT_NEAR(t.X, 20, kTol);
  EXPECT_NEAR(t.Y, 30, kTol);
  EXPECT_NEAR(t.Rotation, 30, 1e-9);
  EXPECT_EQ(t.HAlign, ExtraTextHAlign::Center);
  EXPECT_EQ(t.VAlign, ExtraTextVAlign::Middle);
  const ExtraText& m = s.TextOf(s.At(1));
  EXPECT_EQ(m.HAlign, ExtraTextHAlign::Right);
  EXPECT_EQ(m.VAlign, ExtraTextVAlign::Bottom);
  EXPECT_NEAR(m.BoxWidth, 10, kTol);
  // The extents hold the text's box, which lies left of and above its corner.
  EXPECT_LT(s.At(1).MinX, 5);
  EXPECT_GT(s.At(1).MaxY, 6);
}

TEST(DrawAllShapes, OnlyAMultilineTextWiderThanItsReferenceWidthIsWrapped) {
  const DxfPairs fits{{0, "MTEXT"}, {8, "0"}, {10, "0"}, {20, "0"}, {40, "1"}, {41, "10"}, {71, "1"},
                      {1, "{\\fArial|b0;short}\\Ptext"}};
  const DxfPairs wraps{{0, "MTEXT"}, {8, "0"}, {10, "0"}, {20, "0"}, {40, "1"}, {41, "10"}, {71, "1"},
                       {1, "a paragraph longer than ten"}};
  auto r = ImportAll(BlockDrawing({}, fits + wraps));
  EXPECT_EQ(r.model().MuTextCount(), 1);
  ASSERT_EQ(Extras(r).Count(), 1u);
  EXPECT_EQ(Extras(r).TextOf(Extras(r).At(0)).Text, "a paragraph longer than ten");
}

TEST(DrawAllShapes, AMultilineTextsEmbeddedObjectNeitherTurnsNorGrowsIt) {
  // Recent versions end an MTEXT with an embedded object that repeats
  // codes 10, 11, 21 and 40 with other meanings.
  const DxfPairs embedded{{101, "Embedded Object"}, {70, "1"}, {10, "1"},  {20, "0"},
                          {11, "25"},               {21, "60"}, {40, "48"}, {41, "0"}};
  const DxfPairs plain = DxfPairs{{0, "MTEXT"}, {8, "0"}, {10, "5"}, {20, "6"}, {40, "2"},
                                  {41, "50"},   {71, "1"}, {1, "plain"}} + embedded;
  const DxfPairs turned = DxfPairs{{0, "MTEXT"}, {8, "0"}, {10, "5"}, {20, "6"}, {40, "2"}, {41, "50"},
                                   {50, "30"},   {71, "1"}, {1, "turned"}} + embedded;
  auto r = ImportAll(BlockDrawing({}, plain + turned));
  // The first is left to the nine stores as it stands; the second keeps
  // its own point, height and rotation.
  EXPECT_EQ(r.model().MuTextCount(), 1);
  ASSERT_EQ(Extras(r).Count(), 1u);
  const ExtraText& t = Extras(r).TextOf(Extras(r).At(0));
  EXPECT_EQ(t.Text, "turned");
  EXPECT_DOUBLE_EQ(t.X, 5);
  EXPECT_DOUBLE_EQ(t.Y, 6);
  EXPECT_NEAR(t.Height, 2, 1e-9);
  EXPECT_NEAR(t.Rotation, 30, 1e-9);
}

TEST(DrawAllShapes, SolidsFillInZigZagOrderAndPointsAreDots) {
  const DxfPairs solid{{0, "SOLID"}, {8, "0"}, {10, "0"}, {20, "0"}, {11, "10"}, {21, "0"},
                       {12, "0"}, {22, "10"}, {13, "10"}, {23, "10"}};
  const DxfPairs point{{0, "POINT"}, {8, "0"}, {10, "3"}, {20, "4"}};
  auto r = ImportAll(BlockDrawing({}, solid + point));
  const auto& s = Extras(r);
  ASSERT_EQ(s.Count(), 2u);
  EXPECT_EQ(s.At(0).Kind, ExtraShapeKind::Fill);
  // 1-2-4-3: a square, not a bow tie.
  EXPECT_AT(NodeAt(s, 0, 2), 10, 10, kTol);
  EXPECT_AT(NodeAt(s, 0, 3), 0, 10, kTol);
  EXPECT_EQ(s.At(1).Kind, ExtraShapeKind::Dot);
  EXPECT_AT(NodeAt(s, 1, 0), 3, 4, kTol);
}

// ---- extents, the option off, the note -------------------------------------------

TEST(DrawAllOption, ExtentsHoldTheExtraShapesOnlyWhenTheOptionIsOn) {
  const std::string bytes = BlockDrawing(Block("B", 0, 0, testing::Line(0, 0, 100, 0)),
                                         Insert("B", 0, 50) + testing::Line(0, 0, 1, 1));
  auto on = ImportAll(bytes, true);
  auto off = ImportAll(bytes, false);
  RvPoint3 min{}, max{};
  ASSERT_TRUE(on.model().GetEntityRange(min, max));
  EXPECT_NEAR(max[0], 100, kTol);
  EXPECT_NEAR(max[1], 50, kTol);
  ASSERT_TRUE(off.model().GetEntityRange(min, max));
  EXPECT_NEAR(max[0], 1, kTol);
  EXPECT_EQ(Extras(off).Count(), 0u);
  EXPECT_EQ(off.document->DxfImport().BlockRecords().Count(), 0u);
}

TEST(DrawAllOption, TheNoteCountsTheLeftOutKindsOfModelSpace) {
  DxfPairs paper = Insert("B", 0, 0);
  paper.push_back({67, "1"});
  const DxfPairs poly = DxfPairs{{0, "POLYLINE"}, {8, "0"}, {66, "1"}} +
                        DxfPairs{{0, "VERTEX"}, {10, "0"}, {20, "0"}} + DxfPairs{{0, "SEQEND"}};
  auto r = ImportAll(BlockDrawing({}, Insert("B", 0, 0) + Insert("B", 1, 0) + paper + poly +
                                          DxfPairs{{0, "HATCH"}, {8, "0"}}),
                     false);
  const auto& records = r.document->DxfImport().EntityRecords();
  EXPECT_EQ(UndrawnEntityNotice(records),
            "描かれていない図形があります: INSERT 2、POLYLINE 1、HATCH 1 (「すべての図形を描く」で描けます)");
  auto plain = ImportAll(BlockDrawing({}, testing::Line(0, 0, 1, 1)), false);
  EXPECT_EQ(UndrawnEntityNotice(plain.document->DxfImport().EntityRecords()), "");
}

}  // namespace
}  // namespace ovix
