// B-splines and NURBS as cubic Bézier paths: exact cubic pieces from knot
// insertion, rational curves within the tolerance, unclamped and periodic
// knot vectors, fit points, and input that is not usable as it stands.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tools/spline_to_bezier.h"

namespace ovix::geom {
namespace {

void ExpectPoint(Vec2 actual, Vec2 expected, double tol = 1e-12) {
  EXPECT_NEAR(actual.x, expected.x, tol);
  EXPECT_NEAR(actual.y, expected.y, tol);
}

// Points along every segment of the path.
std::vector<Vec2> Samples(const PlanePath& path, int per_segment = 16) {
  std::vector<Vec2> out{path.start};
  Vec2 from = path.start;
  for (const PathSegment& s : path.segments) {
    for (int i = 1; i <= per_segment; ++i) {
      const double t = double(i) / per_segment;
      out.push_back(s.cubic ? CubicPoint(from, s.c1, s.c2, s.to, t) : from + (s.to - from) * t);
    }
    from = s.to;
  }
  return out;
}

TEST(SplineToBezier, ClampedCubicGivesTheBezierPointsOfKnotInsertion) {
  // One interior knot: the pieces meet at (P1 + 2 P2 + P3) / 4, with the
  // control points halfway along the middle legs.
  SplineDefinition s;
  s.degree = 3;
  s.control = {{0, 0}, {2, 4}, {6, 4}, {10, 0}, {12, 2}};
  s.knots = {0, 0, 0, 0, 1, 2, 2, 2, 2};
  PlanePath path;
  ASSERT_TRUE(SplineToBezier(s, 0.01, path));
  ASSERT_EQ(path.segments.size(), 2u);
  EXPECT_FALSE(path.closed);
  ExpectPoint(path.start, {0, 0});
  ASSERT_TRUE(path.segments[0].cubic);
  ExpectPoint(path.segments[0].c1, {2, 4});
  ExpectPoint(path.segments[0].c2, {4, 4});
  ExpectPoint(path.segments[0].to, {6, 3});
  ExpectPoint(path.segments[1].c1, {8, 2});
  ExpectPoint(path.segments[1].c2, {10, 0});
  ExpectPoint(path.segments[1].to, {12, 2});
}

TEST(SplineToBezier, KnotsOnAnyScaleAndRepeatedInteriorKnotsGiveTheSameCurve) {
  SplineDefinition s;
  s.control = {{0, 0}, {2, 4}, {6, 4}, {10, 0}, {12, 2}};
  s.knots = {5, 5, 5, 5, 25, 45, 45, 45, 45};
  PlanePath scaled;
  ASSERT_TRUE(SplineToBezier(s, 0.01, scaled));
  ASSERT_EQ(scaled.segments.size(), 2u);
  ExpectPoint(scaled.segments[0].to, {6, 3});
  // A knot of multiplicity 3 in a cubic: the curve passes through the
  // control point there, and the empty span makes no segment.
  s.control = {{0, 0}, {1, 1}, {2, 1}, {3, 0}, {4, 1}, {5, 1}, {6, 0}};
  s.knots = {0, 0, 0, 0, 1, 1, 1, 2, 2, 2, 2};
  PlanePath joined;
  ASSERT_TRUE(SplineToBezier(s, 0.01, joined));
  ASSERT_EQ(joined.segments.size(), 2u);
  ExpectPoint(joined.segments[0].to, {3, 0});
}

TEST(SplineToBezier, RationalQuarterCircleStaysOnTheCircle) {
  SplineDefinition s;
  s.degree = 2;
  s.control = {{10, 0}, {10, 10}, {0, 10}};
  s.weights = {1, std::sqrt(0.5), 1};
  s.knots = {0, 0, 0, 1, 1, 1};
  PlanePath path;
  ASSERT_TRUE(SplineToBezier(s, 0.001, path));
  ExpectPoint(path.start, {10, 0});
  ExpectPoint(path.End(), {0, 10}, 1e-9);
  EXPECT_LE(path.segments.size(), 8u);
  for (const Vec2& p : Samples(path)) EXPECT_NEAR(Length(p), 10.0, 0.0015);
  // The tangents at the ends are those of the circle.
  EXPECT_NEAR(path.segments.front().c1.x, 10.0, 1e-9);
  EXPECT_NEAR(path.segments.back().c2.y, 10.0, 1e-9);
}

TEST(SplineToBezier, QuadraticAndLinearPiecesAreExact) {
  SplineDefinition q;
  q.degree = 2;
  q.control = {{0, 0}, {5, 10}, {10, 0}};
  q.knots = {0, 0, 0, 1, 1, 1};
  PlanePath path;
  ASSERT_TRUE(SplineToBezier(q, 1.0, path));  // the tolerance does not matter
  ASSERT_EQ(path.segments.size(), 1u);
  // The parabola's apex at t = 0.5 is (5, 5).
  const PathSegment& s = path.segments[0];
  ExpectPoint(CubicPoint(path.start, s.c1, s.c2, s.to, 0.5), {5, 5});

  SplineDefinition l;
  l.degree = 1;
  l.control = {{0, 0}, {1, 0}, {1, 1}};
  l.knots = {0, 0, 1, 2, 2};
  ASSERT_TRUE(SplineToBezier(l, 0.1, path));
  ASSERT_EQ(path.segments.size(), 2u);
  EXPECT_FALSE(path.segments[0].cubic);
  ExpectPoint(path.segments[1].to, {1, 1});
}

TEST(SplineToBezier, PeriodicUniformSplineIsClosedAndPassesTheKnotPoints) {
  // A closed periodic cubic as CAD programs write it: the first three
  // control points repeated at the end and a uniform, unclamped knot vector.
  const std::vector<Vec2> ring{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  SplineDefinition s;
  s.control = ring;
  for (int i = 0; i < 3; ++i) s.control.push_back(ring[i]);
  for (int i = 0; i < 11; ++i) s.knots.push_back(i);
  s.closed = true;
  PlanePath path;
  ASSERT_TRUE(SplineToBezier(s, 0.01, path));
  EXPECT_TRUE(path.closed);
  ASSERT_EQ(path.segments.size(), 4u);
  // A uniform cubic passes (P0 + 4 P1 + P2) / 6 at its knots.
  ExpectPoint(path.start, (ring[0] + ring[1] * 4 + ring[2]) * (1.0 / 6));
  ExpectPoint(path.segments[0].to, (ring[1] + ring[2] * 4 + ring[3]) * (1.0 / 6));
  ExpectPoint(path.End(), path.start);
}

TEST(SplineToBezier, FitPointsAreOnTheCurveWithTheGivenTangents) {
  SplineDefinition s;
  s.control.clear();
  s.fit = {{0, 0}, {10, 5}, {20, 0}, {30, 5}, {30, 5}};  // a repeated point is dropped
  s.start_tangent = Vec2{0, 1};
  PlanePath path;
  ASSERT_TRUE(SplineToBezier(s, 0.01, path));
  ASSERT_EQ(path.segments.size(), 3u);
  ExpectPoint(path.start, {0, 0});
  ExpectPoint(path.segments[0].to, {10, 5});
  ExpectPoint(path.segments[2].to, {30, 5});
  // The start tangent is straight up.
  EXPECT_NEAR(path.segments[0].c1.x, 0.0, 1e-12);
  EXPECT_GT(path.segments[0].c1.y, 0.0);
  // C1 across the fit points: the control points on either side are
  // collinear with the point.
  for (std::size_t i = 0; i + 1 < path.segments.size(); ++i) {
    const Vec2 p = path.segments[i].to;
    EXPECT_NEAR(Cross(p - path.segments[i].c2, path.segments[i + 1].c1 - p), 0.0, 1e-9);
  }
  s.closed = true;
  s.start_tangent.reset();
  ASSERT_TRUE(SplineToBezier(s, 0.01, path));
  EXPECT_TRUE(path.closed);
  ExpectPoint(path.End(), {0, 0});
}

TEST(SplineToBezier, UnusableInputIsMendedOrRefused) {
  SplineDefinition s;
  s.control = {{0, 0}, {1, 2}, {3, 2}, {4, 0}};
  s.knots = {0, 1, 0.5};  // wrong length and decreasing: clamped uniform instead
  s.weights = {1, -2, 0, 1};  // not positive: counts as 1
  PlanePath path;
  ASSERT_TRUE(SplineToBezier(s, 0.01, path));
  ExpectPoint(path.start, {0, 0});
  ExpectPoint(path.End(), {4, 0});
  // Degree 5 with three control points becomes degree 2.
  s = {};
  s.degree = 5;
  s.control = {{0, 0}, {1, 1}, {2, 0}};
  ASSERT_TRUE(SplineToBezier(s, 0.01, path));
  ExpectPoint(path.End(), {2, 0});
  // Nothing to draw.
  s = {};
  s.control = {{1, 1}};
  EXPECT_FALSE(SplineToBezier(s, 0.01, path));
  s.control.clear();
  s.fit = {{1, 1}, {1, 1}};
  EXPECT_FALSE(SplineToBezier(s, 0.01, path));
  EXPECT_TRUE(path.Empty());
  s.fit = {{0, 0}, {NAN, 1}, {3, 4}};
  ASSERT_TRUE(SplineToBezier(s, 0.01, path));
  EXPECT_EQ(path.segments.size(), 1u);
}

TEST(SplineToBezier, HigherDegreeIsWithinTheTolerance) {
  // A quintic Bézier (clamped, one span) against its own de Casteljau points.
  const std::vector<Vec2> c{{0, 0}, {2, 6}, {5, -4}, {8, 8}, {11, -2}, {14, 3}};
  SplineDefinition s;
  s.degree = 5;
  s.control = c;
  s.knots = {0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1};
  PlanePath path;
  ASSERT_TRUE(SplineToBezier(s, 0.001, path));
  EXPECT_GT(path.segments.size(), 1u);
  auto exact = [&](double t) {
    std::vector<Vec2> w = c;
    for (std::size_t r = 1; r < w.size(); ++r)
      for (std::size_t j = 0; j + r < w.size(); ++j) w[j] = w[j] + (w[j + 1] - w[j]) * t;
    return w[0];
  };
  // Every path sample is near some point of the exact curve.
  for (const Vec2& p : Samples(path, 4)) {
    double nearest = 1e9;
    for (int i = 0; i <= 20000; ++i) nearest = std::min(nearest, Length(exact(i / 20000.0) - p));
    EXPECT_LT(nearest, 0.0015);
  }
}

}  // namespace
}  // namespace ovix::geom
