// Plane geometry of RvTools: projection, directions, lines, intersections,
// range tests and direction sectors.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "tools/rv_error.h"
#include "tools/rv_tools.h"

namespace ovix {
namespace {

using P2 = std::array<double, 2>;
using P3 = std::array<double, 3>;

class RvToolsGeometry : public ::testing::Test {
 protected:
  RvTools tools;
};

TEST_F(RvToolsGeometry, AngleUnits) {
  EXPECT_DOUBLE_EQ(tools.PAI(), 4.0 * std::atan(1.0));
  EXPECT_DOUBLE_EQ(tools.DegreeToRadian(180.0), tools.PAI());
  EXPECT_DOUBLE_EQ(tools.RadianToDegree(tools.PAI() / 2.0), 90.0);
}

TEST_F(RvToolsGeometry, SheetProjectionIsThePlanViewAndNotCollapsed) {
  // The sheet's rotation (90, 0, 270): cos(90 degrees) is a tiny positive
  // number, not 0, so the matrix is the plan view and not all zero.
  RvMatrix m{};
  tools.Trans2D3DMatrix(P3{90.0, 0.0, 270.0}, m);
  EXPECT_GT(m[4], 0.0);
  EXPECT_LT(m[4], 1e-15);
  RvPoint3 out{};
  tools.Get3D2DPoint(P3{3.0, 4.0, 5.0}, m, out);
  EXPECT_NEAR(out[0], 3.0, 1e-12);
  EXPECT_NEAR(out[1], 4.0, 1e-12);
}

TEST_F(RvToolsGeometry, ProjectionDegeneratesToZeroOnlyWhenTheFactorIsZero) {
  // alpha = beta = 0: c = 1, s = 0, t = 0 -> (0, 1, 0, 0, 1).
  RvMatrix m{};
  tools.Trans2D3DMatrix(P3{0.0, 0.0, 0.0}, m);
  EXPECT_DOUBLE_EQ(m[0], 0.0);
  EXPECT_DOUBLE_EQ(m[1], 1.0);
  EXPECT_DOUBLE_EQ(m[4], 1.0);
  RvPoint3 out{9, 9, 9};
  tools.Get3D2DPoint(P3{3.0, 4.0, 5.0}, m, out);
  EXPECT_DOUBLE_EQ(out[0], 4.0);
  EXPECT_DOUBLE_EQ(out[1], 5.0);
}

TEST_F(RvToolsGeometry, ShortArgumentArraysAreSubscriptErrors) {
  RvMatrix m{};
  const std::vector<double> two{90.0, 0.0};
  try {
    tools.Trans2D3DMatrix(two, m);
    FAIL() << "expected an error";
  } catch (const RvError& e) {
    EXPECT_EQ(e.kind(), RvErrorKind::SubscriptOutOfRange);
    EXPECT_NE(std::string(e.what()).find("Trans2D3DMatrix"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("Rotate"), std::string::npos);
  }
  RvPoint3 out{};
  EXPECT_THROW(tools.Get3D2DPoint(two, m, out), RvError);
  EXPECT_THROW(tools.Distance3D(P2{0, 0}, P3{0, 0, 0}), RvError);
}

TEST_F(RvToolsGeometry, Distances) {
  EXPECT_DOUBLE_EQ(tools.Distance2D(P2{0, 0}, P2{3, 4}), 5.0);
  EXPECT_DOUBLE_EQ(tools.Distance2D(P3{1, 1, 100}, P3{1, 1, -5}), 0.0);
  EXPECT_DOUBLE_EQ(tools.Distance3D(P3{0, 0, 0}, P3{2, 3, 6}), 7.0);
}

TEST_F(RvToolsGeometry, DirectionTextIgnoresDifferencesBelowTolerance) {
  double dx = 0, dy = 0;
  EXPECT_EQ(tools.Direction2D3P(P2{0, 0}, P2{0.0005, -3}, dx, dy), "-Y");
  EXPECT_DOUBLE_EQ(dx, 0.0005);
  EXPECT_DOUBLE_EQ(dy, -3.0);
  EXPECT_EQ(tools.Direction2D3P(P2{0, 0}, P2{1, 1}, dx, dy), "XY");
  EXPECT_EQ(tools.Direction2D3P(P2{0, 0}, P2{-1, -1}, dx, dy), "-X-Y");
  EXPECT_EQ(tools.Direction2D3P(P2{5, 5}, P2{5, 5}, dx, dy), "");
}

TEST_F(RvToolsGeometry, LineThroughTwoPoints) {
  double a = 7, b = 7;
  EXPECT_EQ(tools.SetLine2DFrom2Points(P2{0, 1}, P2{2, 5}, a, b), kLineKindYOfX);
  EXPECT_DOUBLE_EQ(a, 2.0);
  EXPECT_DOUBLE_EQ(b, 1.0);
  EXPECT_EQ(tools.SetLine2DFrom2Points(P2{0, 0}, P2{0, 5}, a, b), kLineKindXOfY);
  EXPECT_DOUBLE_EQ(a, 0.0);
  EXPECT_DOUBLE_EQ(b, 0.0);
  a = b = 7;
  EXPECT_EQ(tools.SetLine2DFrom2Points(P2{3, 3}, P2{3, 3}, a, b), kLineKindNone);
  EXPECT_DOUBLE_EQ(a, 7.0);  // untouched
  EXPECT_DOUBLE_EQ(b, 7.0);
}

TEST_F(RvToolsGeometry, AQuotientWithoutFiniteResultIsAnError) {
  double a = 0, b = 0;
  try {
    tools.SetLine2DFrom2Points(P2{0, 0}, P2{1e-320, 1e300}, a, b);
    FAIL() << "expected an overflow";
  } catch (const RvError& e) {
    EXPECT_EQ(e.kind(), RvErrorKind::Overflow);
  }
  // A direction that is not a unit vector can select a sector with nx = 0.
  double angle = 0;
  try {
    tools.CheckDirection(P2{0.0, 0.5}, angle);
    FAIL() << "expected a division by zero";
  } catch (const RvError& e) {
    EXPECT_EQ(e.kind(), RvErrorKind::DivisionByZero);
  }
}

TEST_F(RvToolsGeometry, NormalLines) {
  double a = 9, b = 9;
  // Normal of a vertical line through (2, 3) is horizontal: y = 0 x + 3.
  EXPECT_EQ(tools.SetNormalLine2D(kLineKindXOfY, 0.0, P2{2, 3}, a, b), kLineKindYOfX);
  EXPECT_DOUBLE_EQ(a, 0.0);
  EXPECT_DOUBLE_EQ(b, 3.0);
  // Normal of a horizontal line through (2, 3) is vertical: x = 0 y + 2.
  EXPECT_EQ(tools.SetNormalLine2D(kLineKindYOfX, 0.0, P2{2, 3}, a, b), kLineKindXOfY);
  EXPECT_DOUBLE_EQ(b, 2.0);
  // Slope 2 through (2, 3): slope -1/2 and intercept 2/2 + 3 as defined.
  EXPECT_EQ(tools.SetNormalLine2D(kLineKindYOfX, 2.0, P2{2, 3}, a, b), kLineKindYOfX);
  EXPECT_DOUBLE_EQ(a, -0.5);
  EXPECT_DOUBLE_EQ(b, 4.0);
  EXPECT_EQ(tools.SetNormalLine2D(kLineKindNone, 0.0, P2{2, 3}, a, b), kLineKindNone);
  EXPECT_DOUBLE_EQ(tools.GetYValueFormXValue(3, 2, 1), 7.0);
}

TEST_F(RvToolsGeometry, IntersectionOfTwoSlopes) {
  RvPoint2 p{-1, -1};
  EXPECT_TRUE(tools.GetIntersectionPointFrom2DTangents(1, 0, -1, 2, p));
  EXPECT_DOUBLE_EQ(p[0], 1.0);
  EXPECT_DOUBLE_EQ(p[1], 1.0);
  p = {-1, -1};
  EXPECT_FALSE(tools.GetIntersectionPointFrom2DTangents(1, 0, 1.0005, 2, p));  // parallel
  EXPECT_DOUBLE_EQ(p[0], -1.0);
  // The special cases answer false but write their point.
  EXPECT_FALSE(tools.GetIntersectionPointFrom2DTangents(0, 5, 3, 0, p));
  EXPECT_DOUBLE_EQ(p[0], 5.0);
  EXPECT_DOUBLE_EQ(p[1], 3.0);
  EXPECT_FALSE(tools.GetIntersectionPointFrom2DTangents(4, 0, 0, 6, p));
  EXPECT_DOUBLE_EQ(p[0], 4.0);
  EXPECT_DOUBLE_EQ(p[1], 6.0);
}

TEST_F(RvToolsGeometry, IntersectionOfTwoSegments) {
  RvPoint2 p{};
  // Crossing inside both segments.
  EXPECT_EQ(tools.GetIntersectionPointFrom2DPoints(P2{0, 0}, P2{10, 10}, P2{0, 10}, P2{10, 0}, p), 1);
  EXPECT_NEAR(p[0], 5.0, 1e-12);
  EXPECT_NEAR(p[1], 5.0, 1e-12);
  // The lines cross outside the segments.
  EXPECT_EQ(tools.GetIntersectionPointFrom2DPoints(P2{0, 0}, P2{1, 1}, P2{10, 0}, P2{9, 1}, p), 2);
  EXPECT_NEAR(p[0], 5.0, 1e-12);
  // A vertical and a horizontal segment.
  EXPECT_EQ(tools.GetIntersectionPointFrom2DPoints(P2{3, -5}, P2{3, 5}, P2{0, 2}, P2{10, 2}, p), 1);
  EXPECT_DOUBLE_EQ(p[0], 3.0);
  EXPECT_DOUBLE_EQ(p[1], 2.0);
  EXPECT_EQ(tools.GetIntersectionPointFrom2DPoints(P2{0, 2}, P2{10, 2}, P2{3, -5}, P2{3, 5}, p), 1);
  EXPECT_DOUBLE_EQ(p[0], 3.0);
  // Parallel, two verticals, a degenerate segment: none.
  EXPECT_EQ(tools.GetIntersectionPointFrom2DPoints(P2{0, 0}, P2{10, 0}, P2{0, 1}, P2{10, 1}, p), 0);
  EXPECT_EQ(tools.GetIntersectionPointFrom2DPoints(P2{0, 0}, P2{0, 1}, P2{2, 0}, P2{2, 1}, p), 0);
  EXPECT_EQ(tools.GetIntersectionPointFrom2DPoints(P2{0, 0}, P2{0, 1}, P2{2, 2}, P2{2, 2}, p), 0);
  EXPECT_DOUBLE_EQ(p[0], 0.0);
  EXPECT_DOUBLE_EQ(p[1], 0.0);
}

TEST_F(RvToolsGeometry, RangeTestsHaveAToleranceAtBothEnds) {
  EXPECT_EQ(tools.CheckRange(5.0005, 0, 5), 0);
  EXPECT_EQ(tools.CheckRange(5.002, 5, 0), 1);
  EXPECT_EQ(tools.CheckRange(-0.002, 0, 5), -1);
  EXPECT_EQ(tools.CheckRange(-0.0009, 5, 0), 0);
  EXPECT_TRUE(tools.CheckIntersectionRage2D(P2{0, 0}, P2{10, 10}, P2{0, 10}, P2{10, 0}));
  EXPECT_FALSE(tools.CheckIntersectionRage2D(P2{0, 0}, P2{1, 1}, P2{10, 0}, P2{9, 1}));
}

TEST_F(RvToolsGeometry, DirectionSectors) {
  double angle = -1;
  EXPECT_EQ(tools.CheckDirection(P2{1, 0}, angle), 1);
  EXPECT_DOUBLE_EQ(angle, 0.0);
  EXPECT_EQ(tools.CheckDirection(P2{0, 1}, angle), 2);
  EXPECT_DOUBLE_EQ(angle, 90.0);
  EXPECT_EQ(tools.CheckDirection(P2{-1, 0}, angle), 3);
  EXPECT_DOUBLE_EQ(angle, 180.0);
  EXPECT_EQ(tools.CheckDirection(P2{0, -1}, angle), 4);
  EXPECT_DOUBLE_EQ(angle, 270.0);
  // Just above k in y and not below k in x: no sector.
  EXPECT_EQ(tools.CheckDirection(P2{0.7071068, 0.7071068}, angle), 0);
  EXPECT_DOUBLE_EQ(angle, 0.0);
  // No quadrant correction: sector 2 with nx < 0 gives a negative angle,
  // sector 4 with nx > 0 an angle between 90 and 180.
  EXPECT_EQ(tools.CheckDirection(P2{-0.6, 0.8}, angle), 2);
  EXPECT_NEAR(angle, -53.130102354156, 1e-9);
  EXPECT_EQ(tools.CheckDirection(P2{0.6, -0.8}, angle), 4);
  EXPECT_NEAR(angle, 126.869897645844, 1e-9);
  // GetAngle normalises once into [0, 360).
  EXPECT_NEAR(tools.GetAngle(P2{-0.6, 0.8}), 306.869897645844, 1e-9);
  EXPECT_NEAR(tools.GetAngle(P2{0.6, -0.8}), 126.869897645844, 1e-9);
  EXPECT_DOUBLE_EQ(tools.GetAngle(P2{0, 0}), 0.0);
}

TEST_F(RvToolsGeometry, AngleRangeSectors) {
  double s = 0, e = 0;
  tools.GetAngleRange(30, 200, 100, s, e);  // lines at 30 and 20 degrees
  EXPECT_DOUBLE_EQ(s, 30.0);
  EXPECT_DOUBLE_EQ(e, 200.0);
  tools.GetAngleRange(30, 200, 25, s, e);
  EXPECT_DOUBLE_EQ(s, 20.0);
  EXPECT_DOUBLE_EQ(e, 30.0);
  tools.GetAngleRange(30, 200, 205, s, e);
  EXPECT_DOUBLE_EQ(s, 200.0);
  EXPECT_DOUBLE_EQ(e, 210.0);
  tools.GetAngleRange(30, 200, 300, s, e);  // the fourth sector wraps past 360
  EXPECT_DOUBLE_EQ(s, 210.0);
  EXPECT_DOUBLE_EQ(e, 20.0);
  tools.GetAngleRange(-90, 0, -45, s, e);  // negative angles gain 360 once
  EXPECT_DOUBLE_EQ(s, 270.0);
  EXPECT_DOUBLE_EQ(e, 0.0);
}

}  // namespace
}  // namespace ovix
