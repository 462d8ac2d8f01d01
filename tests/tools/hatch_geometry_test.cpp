// Hatch geometry: pattern lines clipped to boundaries with islands, dash
// lists, dense patterns refused, and the filled region with its holes as one
// path; also the arcs and bulges the boundaries are made of.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "tools/hatch_boundary.h"
#include "tools/hatch_pattern.h"

namespace ovix::geom {
namespace {

std::vector<Vec2> Square(double x0, double y0, double x1, double y1, bool ccw = true) {
  std::vector<Vec2> s{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
  if (!ccw) std::swap(s[1], s[3]);
  return s;
}

PlanePath PathOf(const std::vector<Vec2>& polygon) {
  PlanePath p;
  p.start = polygon[0];
  for (std::size_t i = 1; i < polygon.size(); ++i) p.LineTo(polygon[i]);
  p.Close(0);
  return p;
}

// Winding number of the closed polygon about p.
int Winding(const std::vector<Vec2>& poly, Vec2 p) {
  int w = 0;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    const Vec2 a = poly[i], b = poly[(i + 1) % poly.size()];
    if (a.y <= p.y) {
      if (b.y > p.y && Cross(b - a, p - a) > 0) ++w;
    } else if (b.y <= p.y && Cross(b - a, p - a) < 0) {
      --w;
    }
  }
  return w;
}

double TotalLength(const std::vector<PatternPiece>& pieces) {
  double sum = 0;
  for (const PatternPiece& p : pieces) sum += Length(p.to - p.from);
  return sum;
}

const std::vector<std::vector<Vec2>> kRingWithIsland{Square(0, 0, 10, 10),
                                                     Square(4, 4, 6, 6, false)};

TEST(HatchPattern, HorizontalLinesAreSplitByTheIsland) {
  // Lines at y = 0.5, 1.5, ... 9.5: ten lines, the two through the island
  // in two pieces each.
  std::vector<PatternLine> lines{{0, {0, 0.5}, {0, 1}, {}}};
  std::vector<PatternPiece> pieces;
  ASSERT_TRUE(ClipPattern(lines, kRingWithIsland, 1000, pieces));
  EXPECT_EQ(pieces.size(), 12u);
  EXPECT_NEAR(TotalLength(pieces), 100 - 2 * 2, 1e-9);
  for (const PatternPiece& p : pieces) {
    const Vec2 mid = (p.from + p.to) * 0.5;
    EXPECT_FALSE(mid.x > 4 && mid.x < 6 && mid.y > 4 && mid.y < 6);
  }
  // The same count is refused below the limit, with nothing left behind.
  EXPECT_FALSE(ClipPattern(lines, kRingWithIsland, 11, pieces));
  EXPECT_TRUE(pieces.empty());
  EXPECT_GE(EstimatePatternPieces(lines, kRingWithIsland), 10.0);
}

TEST(HatchPattern, DashesRepeatFromTheLineOrigin) {
  // Dash 1, gap 1 from x = 0 on the line y = 0.5 of a 0..10 square: five
  // dashes [0,1], [2,3] ... [8,9]; a dot list draws dots.
  std::vector<PatternLine> lines{{0, {0, 0.5}, {0, 20}, {1, -1}}};
  std::vector<PatternPiece> pieces;
  ASSERT_TRUE(ClipPattern(lines, {Square(0, 0, 10, 10)}, 100, pieces));
  ASSERT_EQ(pieces.size(), 5u);
  EXPECT_NEAR(pieces[1].from.x, 2, 1e-12);
  EXPECT_NEAR(pieces[1].to.x, 3, 1e-12);
  // A line origin shifted by half a dash, and a dash cut by the boundary.
  lines[0].base = {-0.5, 0.5};
  ASSERT_TRUE(ClipPattern(lines, {Square(0, 0, 10, 10)}, 100, pieces));
  ASSERT_EQ(pieces.size(), 6u);
  EXPECT_NEAR(pieces[0].to.x, 0.5, 1e-12);
  lines[0].dashes = {0, -2};
  lines[0].base = {0, 0.5};
  ASSERT_TRUE(ClipPattern(lines, {Square(0, 0, 10, 10)}, 100, pieces));
  EXPECT_EQ(pieces.size(), 6u);  // dots at x = 0, 2, ... 10
  EXPECT_EQ(TotalLength(pieces), 0.0);
}

TEST(HatchPattern, SlantedFamiliesCoverTheRegionEvenly) {
  // 45-degree lines 0.5 apart over the ring: the total length is the area
  // divided by the spacing, and no piece lies in the island.
  const double a = 45 * std::numbers::pi / 180;
  std::vector<PatternLine> lines{{45, {0.1, 0}, {-0.5 * std::sin(a), 0.5 * std::cos(a)}, {}},
                                 {135, {0, 0}, {-0.5 * std::sin(3 * a), 0.5 * std::cos(3 * a)}, {}}};
  std::vector<PatternPiece> pieces;
  ASSERT_TRUE(ClipPattern(lines, kRingWithIsland, 10000, pieces));
  EXPECT_NEAR(TotalLength(pieces), 2 * 96 / 0.5, 2 * 10.0);
  for (const PatternPiece& p : pieces) {
    const Vec2 mid = (p.from + p.to) * 0.5;
    EXPECT_TRUE(InsidePolygon(kRingWithIsland[0], mid));
    EXPECT_FALSE(InsidePolygon(kRingWithIsland[1], mid));
  }
  // An offset along the line itself never advances: that family is left out.
  std::vector<PatternLine> flat{{0, {0, 0}, {3, 0}, {}}};
  ASSERT_TRUE(ClipPattern(flat, kRingWithIsland, 10, pieces));
  EXPECT_TRUE(pieces.empty());
}

TEST(HatchBoundary, IslandIsAHoleUnderBothFillRules) {
  const std::vector<std::vector<Vec2>> loops{Square(0, 0, 10, 10, false), Square(4, 4, 6, 6, false),
                                             Square(4.5, 4.5, 5.5, 5.5)};
  const std::vector<int> depths = LoopDepths(loops);
  ASSERT_EQ(depths, (std::vector<int>{0, 1, 2}));
  std::vector<PlanePath> paths;
  for (const auto& l : loops) paths.push_back(PathOf(l));

  auto filled = [&](int style, Vec2 p, int* winding) {
    const PlanePath region = BridgedRegion(paths, loops, depths, style);
    EXPECT_TRUE(region.closed);
    std::vector<Vec2> poly;
    Flatten(region, 0.01, poly);
    *winding = Winding(poly, p);
    return InsidePolygon(poly, p);
  };
  int w = 0;
  EXPECT_TRUE(filled(0, {1, 1}, &w));
  EXPECT_NE(w, 0);
  EXPECT_FALSE(filled(0, {4.2, 4.2}, &w));  // in the hole
  EXPECT_EQ(w, 0);
  EXPECT_TRUE(filled(0, {5, 5}, &w));  // the island inside the hole
  EXPECT_NE(w, 0);
  // Outer style: the innermost island is not filled; ignore style: no holes.
  EXPECT_FALSE(filled(1, {5, 5}, &w));
  EXPECT_EQ(w, 0);
  EXPECT_TRUE(filled(2, {4.2, 4.2}, &w));
  EXPECT_NE(w, 0);
  EXPECT_TRUE(BridgedRegion({}, {}, {}, 0).Empty());
}

TEST(PlanePath, ArcsAndBulgesStayOnTheirCircles) {
  PlanePath p;
  AppendEllipticArc(p, {1, 2}, {3, 0}, 1.0, 0, 1.5 * std::numbers::pi);
  EXPECT_EQ(p.segments.size(), 3u);
  std::vector<Vec2> pts;
  Flatten(p, 1e-4, pts);
  for (const Vec2& v : pts) EXPECT_NEAR(Length(v - Vec2{1, 2}), 3.0, 3.0 * 3e-4);
  EXPECT_NEAR(p.End().y, 2 - 3, 1e-12);
  // Clockwise: a negative bulge from (0,0) to (2,0) is the lower half circle
  // ... of the upper side: the arc runs clockwise, above the chord.
  PlanePath b;
  b.start = {0, 0};
  AppendBulge(b, {0, 0}, {2, 0}, -1.0);
  pts.clear();
  Flatten(b, 1e-4, pts);
  for (const Vec2& v : pts) {
    EXPECT_NEAR(Length(v - Vec2{1, 0}), 1.0, 1e-3);
    EXPECT_GE(v.y, -1e-9);
  }
  EXPECT_EQ(b.End().x, 2.0);
  // Bulge 0 is a line; an elliptic arc keeps its ratio.
  PlanePath e;
  AppendBulge(e, {0, 0}, {1, 1}, 0);
  EXPECT_FALSE(e.segments[0].cubic);
  PlanePath half;
  AppendEllipticArc(half, {0, 0}, {0, 4}, 0.5, 0, std::numbers::pi);
  EXPECT_NEAR(half.End().y, -4, 1e-12);
  const PathSegment& s = half.segments[0];
  EXPECT_NEAR(CubicPoint(half.start, s.c1, s.c2, s.to, 0.5).x, -2 * std::sqrt(0.5), 1e-3);
}

TEST(PlanePath, AffineMapsAndReversal) {
  PlanePath p;
  AppendEllipticArc(p, {0, 0}, {1, 0}, 1.0, 0, std::numbers::pi / 2);
  const Affine2 m = Affine2::Scaling(2, -1).Then(Affine2::Translation({5, 5}));
  EXPECT_TRUE(m.Mirrors());
  p.Transform(m);
  EXPECT_NEAR(p.start.x, 7, 1e-12);
  EXPECT_NEAR(p.End().y, 4, 1e-12);
  const PlanePath r = p.Reversed();
  EXPECT_NEAR(r.start.y, 4, 1e-12);
  EXPECT_NEAR(r.End().x, 7, 1e-12);
  const Affine2 rot = Affine2::Rotation(std::numbers::pi / 2);
  EXPECT_NEAR(rot.Apply({1, 0}).y, 1, 1e-12);
}

}  // namespace
}  // namespace ovix::geom
