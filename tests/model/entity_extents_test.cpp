// The drawing's extents: visible layers only, the box of each entity kind,
// arcs that bulge past their end points, every multiline text counted.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "model/rv_system.h"
#include "tests/model/model_builders.h"

namespace ovix {
namespace {

using testing::AddTestArc;
using testing::AddTestCircle;
using testing::AddTestLayer;
using testing::AddTestLine;
using testing::AddTestText;

void ExpectBox(const RvSystem& s, RvPoint3 min, RvPoint3 max) {
  RvPoint3 lo{}, hi{};
  EXPECT_TRUE(s.GetEntityRange(lo, hi));
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(lo[i], min[i], 1e-9) << "min[" << i << "]";
    EXPECT_NEAR(hi[i], max[i], 1e-9) << "max[" << i << "]";
  }
}

TEST(Extents, EmptyDrawingIsTheOrigin) {
  RvSystem s;
  RvPoint3 lo{5, 5, 5}, hi{5, 5, 5};
  EXPECT_FALSE(s.GetEntityRange(lo, hi));
  EXPECT_EQ(lo, (RvPoint3{0, 0, 0}));
  EXPECT_EQ(hi, (RvPoint3{0, 0, 0}));
  EXPECT_FALSE(s.GetLineEntityRange(lo, hi));
}

TEST(Extents, SingleLineAndCircle) {
  RvSystem s;
  AddTestLayer(s, "0", 0, 7);
  AddTestLine(s, "0", 10, 0, 0, 5);
  ExpectBox(s, {0, 0, 0}, {10, 5, 0});

  RvSystem c;
  AddTestLayer(c, "0", 0, 7);
  AddTestCircle(c, "0", 100, 100, 5);
  ExpectBox(c, {95, 95, 0}, {105, 105, 0});  // the origin is not included
}

TEST(Extents, HiddenLayersDoNotCount) {
  RvSystem s;
  AddTestLayer(s, "0", 0, 7);
  AddTestLayer(s, "FROZEN", 1, 7);
  AddTestLayer(s, "NEWVP", 2, 7);
  AddTestLayer(s, "OFF", 0, -7);
  AddTestLayer(s, "LOCKED", 4, 7);
  AddTestLayer(s, "FROZEN_NEWVP", 3, 7);
  AddTestLine(s, "0", 0, 0, 1, 1);
  AddTestLine(s, "FROZEN", -100, -100, 0, 0);
  AddTestLine(s, "NEWVP", -100, -100, 0, 0);
  AddTestLine(s, "OFF", 0, 0, 100, 100);
  ExpectBox(s, {0, 0, 0}, {1, 1, 0});
  AddTestLine(s, "LOCKED", 0, 0, 2, 3);
  ExpectBox(s, {0, 0, 0}, {2, 3, 0});
  AddTestLine(s, "FROZEN_NEWVP", -1, 0, 0, 0);  // any flag other than 1 and 2 counts
  ExpectBox(s, {-1, 0, 0}, {2, 3, 0});
}

// A layer the table does not list is on and thawed.
TEST(Extents, LayersMissingFromTheTableCount) {
  RvSystem s;
  AddTestLine(s, "MISSING", 0, 0, 100, 100);
  ExpectBox(s, {0, 0, 0}, {100, 100, 0});
  AddTestLayer(s, "OFF", 0, -7);
  AddTestLine(s, "OFF", -50, -50, 0, 0);
  ExpectBox(s, {0, 0, 0}, {100, 100, 0});
}

TEST(Extents, LayerVisibilityFollowsTheLastLayerOfAName) {
  RvSystem s;
  AddTestLayer(s, "A", 0, 7);
  AddTestLine(s, "A", 0, 0, 1, 1);
  AddTestLine(s, "B", 0, 0, 50, 50);
  AddTestLine(s, "A", 0, 0, 2, 2);
  AddTestLayer(s, "B", 0, 7);
  ExpectBox(s, {0, 0, 0}, {50, 50, 0});
  AddTestLayer(s, "B", 1, 7);  // a later duplicate that is frozen
  ExpectBox(s, {0, 0, 0}, {2, 2, 0});
}

TEST(Extents, ArcIncludesTheQuadrantPointsItSweeps) {
  RvSystem s;
  AddTestLayer(s, "0", 0, 7);
  AddTestArc(s, "0", 0, 0, 10, 0, 180);  // the upper half: the top at y = 10 counts
  ExpectBox(s, {-10, 0, 0}, {10, 10, 0});

  RvSystem wrap;
  AddTestLayer(wrap, "0", 0, 7);
  AddTestArc(wrap, "0", 0, 0, 10, 315, 45);  // across 0 degrees
  const double c = 10 * std::cos(M_PI / 4);
  ExpectBox(wrap, {c, -c, 0}, {10, c, 0});

  RvSystem small;
  AddTestLayer(small, "0", 0, 7);
  AddTestArc(small, "0", 5, 5, 2, 10, 80);  // sweeps no quadrant point
  RvPoint3 lo{}, hi{};
  small.GetEntityRange(lo, hi);
  EXPECT_NEAR(lo[0], 5 + 2 * std::cos(80 * M_PI / 180), 1e-9);
  EXPECT_NEAR(hi[0], 5 + 2 * std::cos(10 * M_PI / 180), 1e-9);
  EXPECT_NEAR(hi[1], 5 + 2 * std::sin(80 * M_PI / 180), 1e-9);

  RvSystem most;
  AddTestLayer(most, "0", 0, 7);
  AddTestArc(most, "0", 0, 0, 1, 10, 350);  // through 90, 180 and 270 but not 0
  ExpectBox(most, {-1, -1, 0}, {std::cos(10 * M_PI / 180), 1, 0});

  RvSystem zero;
  AddTestLayer(zero, "0", 0, 7);
  AddTestArc(zero, "0", 0, 0, 1, 30, 30);  // no sweep: its one point
  zero.GetEntityRange(lo, hi);
  EXPECT_NEAR(hi[1] - lo[1], 0.0, 1e-12);
}

TEST(Extents, TextsAndEveryMultilineText) {
  RvSystem s;
  AddTestLayer(s, "0", 0, 7);
  AddTestText(s, "0", "ABCD", 0, 0, 2.5, 10);
  AddTestText(s, "0", "ABCD", 100, 0, 2.5, 10);
  ExpectBox(s, {0, 0, 0}, {110, 2.5, 0});

  // Two multiline texts: the second one's box (4 characters x 0.5 x 10
  // wide, 10 tall) counts as well as its insertion point.
  RvSystem m;
  AddTestLayer(m, "0", 0, 7);
  AddTestText(m, "0", "AB", 0, 0, 2, 0, true);
  AddTestText(m, "0", "寸法記入", 50, 50, 10, 0, true);
  ExpectBox(m, {0, 0, 0}, {70, 60, 0});
}

TEST(Extents, DimensionAndItsTextBox) {
  RvSystem s;
  AddTestLayer(s, "0", 0, 7);
  testing::TestDimStyle st;
  st.scale = 1;
  st.text_height = 3.5;
  testing::AddTestDimStyle(s, st);
  RvEntProperty p;
  p.Layer = "0";
  p.DimStyle = "Standard";
  // Extension line origins (0, 0) and (100, 0); text at (50, 10). The kind
  // is unknown, so only the text is drawn: the definition points (at
  // y = 200) do not count.
  s.AddDimension(p, 100, 200, 0, 0, 200, 0, 0, 0, 0, 100, 0, 0, 0, 0, 0, 50, 10, 0);
  RvPoint3 lo{}, hi{};
  EXPECT_TRUE(s.DimensionMinMaxPoint(0, lo, hi));
  EXPECT_EQ(lo, (RvPoint3{0, 0, 0}));
  EXPECT_EQ(hi, (RvPoint3{100, 13.5, 0}));
  ExpectBox(s, {0, 0, 0}, {100, 13.5, 0});
  EXPECT_FALSE(s.DimensionMinMaxPoint(1, lo, hi));
}

TEST(Extents, DimensionLinesAndArcsStayOnThePage) {
  RvSystem s;
  AddTestLayer(s, "0", 0, 7);
  testing::TestDimStyle st;
  st.scale = 1;
  st.text_height = 2;
  testing::AddTestDimStyle(s, st);
  RvEntProperty p;
  p.Layer = "0";
  p.DimStyle = "Standard";
  // A horizontal dimension of the edge (0, 0)-(100, 0) whose dimension line
  // stands 25 below it, text on the line.
  p.DimType = "AcDbRotatedDimension";
  s.AddDimension(p, 100, -25, 0, 0, -25, 0, 0, 0, 0, 100, 0, 0, 0, 0, 0, 50, -22, 0);
  RvPoint3 lo{}, hi{};
  ASSERT_TRUE(s.DimensionMinMaxPoint(0, lo, hi));
  EXPECT_EQ(lo, (RvPoint3{0, -25, 0}));
  EXPECT_EQ(hi, (RvPoint3{100, 0, 0}));

  // A right angle at the origin between the x axis and the y axis, its arc
  // of radius 30 through (21.2, 21.2): the arc bulges to (30, 0) and
  // (0, 30), beyond the lines' points (10, 0) and (0, 10).
  RvSystem a;
  AddTestLayer(a, "0", 0, 7);
  testing::AddTestDimStyle(a, st);
  p.DimType = "AcDb2LineAngularDimension";
  a.AddDimension(p, 0, 10, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0, 21.2132, 21.2132, 0, 15, 15, 0);
  ASSERT_TRUE(a.DimensionMinMaxPoint(0, lo, hi));
  EXPECT_NEAR(hi[0], 30.0, 1e-3);
  EXPECT_NEAR(hi[1], 30.0, 1e-3);
  EXPECT_NEAR(lo[0], 0.0, 1e-9);
  EXPECT_NEAR(lo[1], 0.0, 1e-9);
}

TEST(Extents, PolylinesAndLeaders) {
  RvSystem s;
  AddTestLayer(s, "0", 0, 7);
  RvEntProperty p;
  p.Layer = "0";
  p.Count = 1;
  const std::vector<double> x1{7}, y1{8}, z1{0};
  s.AddPolyline(p, x1, y1, z1);
  RvPoint3 lo{}, hi{};
  EXPECT_TRUE(s.PolylineMinMaxPoint(0, lo, hi));
  EXPECT_EQ(lo, (RvPoint3{7, 8, 0}));
  EXPECT_EQ(hi, (RvPoint3{7, 8, 0}));
  p.Count = 3;
  const std::vector<double> xs{-5, 20, 0}, ys{3, -4, 30}, zs{0, 0, 0};
  s.AddLeader(p, xs, ys, zs);
  EXPECT_TRUE(s.LeaderMinMaxPoint(0, lo, hi));
  EXPECT_EQ(lo, (RvPoint3{-5, -4, 0}));
  EXPECT_EQ(hi, (RvPoint3{20, 30, 0}));
  ExpectBox(s, {-5, -4, 0}, {20, 30, 0});
}

TEST(Extents, PolylineWithoutVerticesDoesNotPullInTheOrigin) {
  RvSystem s;
  AddTestLayer(s, "0", 0, 7);
  AddTestCircle(s, "0", 100, 100, 1);
  RvEntProperty p;
  p.Layer = "0";
  p.Count = 0;
  const std::vector<double> none;
  s.AddPolyline(p, none, none, none);
  RvPoint3 lo{}, hi{};
  EXPECT_FALSE(s.PolylineMinMaxPoint(0, lo, hi));
  EXPECT_FALSE(s.GetPolylineEntityRange(lo, hi));
  ExpectBox(s, {99, 99, 0}, {101, 101, 0});
}

TEST(Extents, KindsCombine) {
  RvSystem s;
  AddTestLayer(s, "0", 0, 7);
  AddTestLine(s, "0", 0, 0, 1, 1);
  RvEntProperty p;
  p.Layer = "0";
  p.RadiusL = 10;
  p.RadiusS = 4;
  const std::vector<double> x{50}, y{-20}, z{0};
  s.AddEllipse(p, x, y, z);
  ExpectBox(s, {0, -24, 0}, {60, 1, 0});
}

}  // namespace
}  // namespace ovix
