// Multileader arrowheads with every entity drawn: the arrow block the
// multileader names (by its block record's handle), else the one its style
// names, drawn from the standard arrow's shape or from the drawing's own
// block, turned along the leader and scaled to the arrow size.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "dxf/arrowhead_shapes.h"
#include "tests/dxf/dxf_test_support.h"
#include "tools/numeric.h"

namespace ovix {
namespace {

using draw_all::ArrowheadKind;
using draw_all::ArrowheadKindOf;
using testing::DxfPairs;
using testing::Section;

std::string N(double v) { return num::FormatGeneral(v); }
DxfPairs Point(int code, double x, double y) { return {{code, N(x)}, {code + 10, N(y)}}; }

std::string DrawingWith(const DxfPairs& entities, const DxfPairs& blocks, const DxfPairs& objects) {
  DxfPairs tables{{0, "TABLE"}, {2, "LAYER"}, {0, "LAYER"}, {2, "0"},     {70, "0"},
                  {62, "7"},    {6, "CONTINUOUS"}, {0, "ENDTAB"}};
  DxfPairs all = Section("HEADER", {{9, "$ACADVER"}, {1, "AC1027"}}) + Section("TABLES", tables) +
                 Section("BLOCKS", blocks) + Section("ENTITIES", entities) +
                 Section("OBJECTS", objects);
  all.push_back({0, "EOF"});
  return testing::DxfText(all);
}

// A block whose block record has `handle`, holding `contents`.
DxfPairs Block(const std::string& name, const std::string& handle, const DxfPairs& contents = {}) {
  return DxfPairs{{0, "BLOCK"}, {330, handle}, {8, "0"}, {2, name}, {70, "0"}, {10, "0"}, {20, "0"}} +
         contents + DxfPairs{{0, "ENDBLK"}, {8, "0"}};
}

// A multileader without text whose one leader line runs from its arrow at
// `tip` to the landing at `last`; `own` are its own codes after the
// context (style, arrow block, arrow size); `arrow_size` the context's
// (0: left out).
DxfPairs Multileader(double tip_x, double tip_y, double last_x, double last_y, double arrow_size,
                     const DxfPairs& own) {
  DxfPairs m{{0, "MULTILEADER"}, {8, "0"}, {100, "AcDbMLeader"}, {300, "CONTEXT_DATA{"}, {40, "1"}};
  if (arrow_size > 0) m.push_back({140, N(arrow_size)});
  m = m + DxfPairs{{290, "0"}, {296, "0"}, {302, "LEADER{"}, {290, "1"}, {291, "0"}} +
      Point(10, last_x, last_y) + DxfPairs{{304, "LEADER_LINE{"}} + Point(10, tip_x, tip_y) +
      DxfPairs{{91, "0"}, {305, "}"}, {303, "}"}, {301, "}"}, {170, "1"}, {291, "0"}} + own +
      DxfPairs{{172, "0"}};
  return m;
}

DxfPairs Style(const std::string& handle, const std::string& arrow, double size) {
  DxfPairs s{{0, "MLEADERSTYLE"}, {5, handle}, {102, "{ACAD_REACTORS"}, {330, "D7"}, {102, "}"},
             {330, "D7"}, {100, "AcDbMLeaderStyle"}, {170, "2"}, {340, "14"}, {44, N(size)}};
  if (!arrow.empty()) s.push_back({341, arrow});
  return s;
}

struct Box {
  double x0, y0, x1, y1;
};
Box BoxOf(const ExtraShape& s) { return {s.MinX, s.MinY, s.MaxX, s.MaxY}; }

void ExpectBox(const ExtraShape& s, Box b) {
  EXPECT_NEAR(s.MinX, b.x0, 1e-9);
  EXPECT_NEAR(s.MinY, b.y0, 1e-9);
  EXPECT_NEAR(s.MaxX, b.x1, 1e-9);
  EXPECT_NEAR(s.MaxY, b.y1, 1e-9);
}

TEST(MultileaderArrowheads, StandardArrowNamesInAnyCaseWithOrWithoutTheirUnderscore) {
  EXPECT_EQ(ArrowheadKindOf(""), ArrowheadKind::ClosedFilled);
  EXPECT_EQ(ArrowheadKindOf("_Open30"), ArrowheadKind::Open30);
  EXPECT_EQ(ArrowheadKindOf("_OPEN30"), ArrowheadKind::Open30);
  EXPECT_EQ(ArrowheadKindOf("open30"), ArrowheadKind::Open30);
  EXPECT_EQ(ArrowheadKindOf("_Open"), ArrowheadKind::Open);
  EXPECT_EQ(ArrowheadKindOf("_ArchTick"), ArrowheadKind::ArchTick);
  EXPECT_EQ(ArrowheadKindOf("_DotSmall"), ArrowheadKind::DotSmall);
  EXPECT_EQ(ArrowheadKindOf("_None"), ArrowheadKind::None);
  EXPECT_EQ(ArrowheadKindOf("_"), ArrowheadKind::Block);
  EXPECT_EQ(ArrowheadKindOf("_Dotty"), ArrowheadKind::Block);
  EXPECT_EQ(ArrowheadKindOf("MyArrow"), ArrowheadKind::Block);
}

TEST(MultileaderArrowheads, TheArrowBlockTheMultileaderNamesIsDrawnAtTheTipInItsSize) {
  // The file's own "_DOT" block holds something else: the standard dot is
  // what CAD programs show.
  const DxfPairs blocks = Block("_DOT", "A1", testing::Line(100, 100, 101, 101));
  const DxfPairs m = Multileader(0, 0, 10, 0, 2, {{342, "a1"}});
  auto r = testing::ImportBytes(DrawingWith(m, blocks, {}), true);
  ASSERT_TRUE(r.ok);
  const ExtraShapeStore& s = r.model().ExtraShapes();
  ASSERT_EQ(s.Count(), 3u);
  ExpectBox(s.At(0), {0, 0, 10, 0});  // the leader line
  // A filled disc as wide as the arrow size round the tip, and its stem on
  // the leader's side.
  EXPECT_EQ(s.At(1).Kind, ExtraShapeKind::Fill);
  ExpectBox(s.At(1), {-1, -1, 1, 1});
  EXPECT_EQ(s.At(2).Kind, ExtraShapeKind::Path);
  ExpectBox(s.At(2), {1, 0, 2, 0});
  EXPECT_EQ(s.At(1).Group, -1);
}

TEST(MultileaderArrowheads, WithoutAnArrowOfItsOwnTheStylesArrowAndSizeApply) {
  const DxfPairs blocks = Block("_Oblique", "B2") + Block("_NONE", "B3");
  const DxfPairs objects = Style("D8", "B2", 3) + Style("D9", "", 1.5);
  // By the style D8: an oblique stroke 3 wide and high through the tip.
  const DxfPairs by_style = Multileader(0, 0, 10, 0, 0, {{340, "D8"}});
  // Its own arrow block wins over the style's: none.
  const DxfPairs none = Multileader(20, 0, 30, 0, 0, {{340, "D8"}, {342, "B3"}});
  // A style without an arrow block: the closed filled arrow, pointing
  // down the leader (here to -y), 1.5 long and a third as wide.
  const DxfPairs closed = Multileader(50, 0, 50, 10, 0, {{340, "D9"}});
  // A handle that names no block: the closed filled arrow too.
  const DxfPairs unknown = Multileader(70, 0, 80, 0, 2, {{340, "D8"}, {342, "FFF"}});
  auto r = testing::ImportBytes(DrawingWith(by_style + none + closed + unknown, blocks, objects), true);
  ASSERT_TRUE(r.ok);
  const ExtraShapeStore& s = r.model().ExtraShapes();
  ASSERT_EQ(s.Count(), 7u);
  EXPECT_EQ(s.At(1).Kind, ExtraShapeKind::Path);
  ExpectBox(s.At(1), {-1.5, -1.5, 1.5, 1.5});
  ExpectBox(s.At(2), {20, 0, 30, 0});  // the second leader, without arrowhead
  EXPECT_EQ(s.At(4).Kind, ExtraShapeKind::Fill);
  ExpectBox(s.At(4), {49.75, 0, 50.25, 1.5});
  EXPECT_EQ(s.At(6).Kind, ExtraShapeKind::Fill);
  ExpectBox(s.At(6), {70, -1.0 / 3, 72, 1.0 / 3});
}

TEST(MultileaderArrowheads, AnArrowBlockOfTheDrawingsOwnIsPlacedTurnedAndScaled) {
  const DxfPairs blocks = Block("MyArrow", "C3", testing::Line(0, 0, -1, 0.5));
  // The leader runs up from its tip at (5, 5): the arrow, drawn along +x,
  // turns to point down; 2 is its size.
  const DxfPairs m = Multileader(5, 5, 5, 15, 2, {{342, "C3"}});
  auto r = testing::ImportBytes(DrawingWith(m, blocks, {}), true);
  ASSERT_TRUE(r.ok);
  const ExtraShapeStore& s = r.model().ExtraShapes();
  ASSERT_EQ(s.Count(), 2u);
  const auto nodes = s.Nodes(s.At(1));
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_NEAR(nodes[0].X, 5, 1e-9);
  EXPECT_NEAR(nodes[0].Y, 5, 1e-9);
  EXPECT_NEAR(nodes[1].X, 6, 1e-9);
  EXPECT_NEAR(nodes[1].Y, 7, 1e-9);
}

TEST(MultileaderArrowheads, OpenAndTickArrowsKeepTheirShapeAlongASlantedLeader) {
  const DxfPairs blocks = Block("_Open", "E1") + Block("_ArchTick", "E2");
  // Leaders at 45 degrees; arrows 3 long.
  const DxfPairs open = Multileader(0, 0, 10, 10, 3, {{342, "E1"}});
  const DxfPairs tick = Multileader(20, 0, 30, 10, 3, {{342, "E2"}});
  auto r = testing::ImportBytes(DrawingWith(open + tick, blocks, {}), true);
  ASSERT_TRUE(r.ok);
  const ExtraShapeStore& s = r.model().ExtraShapes();
  ASSERT_EQ(s.Count(), 4u);
  // The open arrow: two strokes from the tip, their ends 3 back along the
  // leader and half a third of that to each side.
  const auto v = s.Nodes(s.At(1));
  ASSERT_EQ(v.size(), 3u);
  EXPECT_NEAR(v[1].X, 0, 1e-9);
  EXPECT_NEAR(v[1].Y, 0, 1e-9);
  const double back = 3 / std::sqrt(2.0), side = 0.5 / std::sqrt(2.0);
  EXPECT_NEAR(v[0].X, back + side, 1e-9);
  EXPECT_NEAR(v[0].Y, back - side, 1e-9);
  EXPECT_NEAR(v[2].X, back - side, 1e-9);
  EXPECT_NEAR(v[2].Y, back + side, 1e-9);
  EXPECT_EQ(s.At(1).Kind, ExtraShapeKind::Path);
  EXPECT_FALSE(s.At(1).Closed);
  // The tick crosses the leader at 45 degrees through the tip (here it
  // stands upright), as thick as the standard tick (0.15 of its size).
  const auto t = s.Nodes(s.At(3));
  ASSERT_EQ(t.size(), 2u);
  EXPECT_NEAR(t[0].X, 20, 1e-9);
  EXPECT_NEAR(t[1].X, 20, 1e-9);
  EXPECT_NEAR(t[0].Y + t[1].Y, 0, 1e-9);
  EXPECT_NEAR(std::fabs(t[1].Y - t[0].Y), 3 * std::sqrt(2.0), 1e-9);
  EXPECT_NEAR(s.At(3).Width, 0.45, 1e-9);
}

}  // namespace
}  // namespace ovix
