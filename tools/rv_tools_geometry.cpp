// Plane geometry of RvTools: angle units, the 3D-to-2D projection,
// distances, directions, straight lines and their intersections, range
// tests and direction sectors.

#include <cmath>
#include <string>

#include "tools/argument_access.h"
#include "tools/numeric.h"
#include "tools/rv_error.h"
#include "tools/rv_tools.h"

namespace ovix {

namespace {

constexpr double kTolerance = 0.001;

// A quotient whose divisor is exactly zero has no result; one that
// overflows has none either. Both are reported like any arithmetic fault.
double Divide(double numerator, double denominator, const char* operation) {
  if (denominator == 0.0) {
    throw RvError(RvErrorKind::DivisionByZero,
                  std::string(operation) + ": division by zero (" + num::FormatGeneral(numerator) +
                      " / 0)");
  }
  const double q = numerator / denominator;
  if (!std::isfinite(q) && std::isfinite(numerator)) {
    throw RvError(RvErrorKind::Overflow, std::string(operation) + ": " +
                                             num::FormatGeneral(numerator) + " / " +
                                             num::FormatGeneral(denominator) + " is too large");
  }
  return q;
}

double AtanDegrees(double ratio) { return std::atan(ratio) * 180.0 / (4.0 * std::atan(1.0)); }

// Sector and angle of a direction vector; shared by CheckDirection and GetAngle.
int16_t DirectionSector(double nx, double ny, double& angle, const char* operation) {
  const double k = 1.0 / std::sqrt(2.0);
  if (0.0 <= nx && nx <= 1.0 && -k <= ny && ny <= k) {
    angle = ny == 0.0 ? 0.0 : AtanDegrees(Divide(ny, nx, operation));
    return 1;
  }
  if (-k < nx && nx < k && 0.0 <= ny && ny <= 1.0) {
    angle = nx == 0.0 ? 90.0 : AtanDegrees(Divide(ny, nx, operation));
    return 2;
  }
  if (-1.0 <= nx && nx <= 0.0 && -k <= ny && ny <= k) {
    angle = ny == 0.0 ? 180.0 : AtanDegrees(Divide(ny, nx, operation)) + 180.0;
    return 3;
  }
  if (-k < nx && nx < k && -1.0 <= ny && ny <= 0.0) {
    angle = nx == 0.0 ? 270.0 : AtanDegrees(Divide(ny, nx, operation)) + 180.0;
    return 4;
  }
  angle = 0.0;
  return 0;
}

}  // namespace

double RvTools::PAI() const { return 4.0 * std::atan(1.0); }

double RvTools::DegreeToRadian(double degrees) const { return PAI() / 180.0 * degrees; }

double RvTools::RadianToDegree(double radians) const { return 180.0 / PAI() * radians; }

void RvTools::Trans2D3DMatrix(std::span<const double> Rotate, RvMatrix& Matrix) const {
  constexpr const char* op = "Trans2D3DMatrix";
  const double alpha = PAI() * ArgAt(Rotate, 0, op, "Rotate") / 180.0;
  const double beta = PAI() * ArgAt(Rotate, 2, op, "Rotate") / 180.0;
  const double c = std::cos(alpha) * std::cos(beta);
  const double s = std::cos(alpha) * std::sin(beta);
  const double t = std::sin(alpha);
  const double r = std::sqrt(s * s + c * c);
  if (!(r > 0.0)) {
    Matrix = {0.0, 0.0, 0.0, 0.0, 0.0};
    return;
  }
  Matrix = {-s / r, c / r, -c * t / r, -s * t / r, r};
}

void RvTools::Get3D2DPoint(std::span<const double> Point, const RvMatrix& Matrix,
                           RvPoint3& Point2D) const {
  constexpr const char* op = "Get3D2DPoint";
  RequireArgs(Point, 3, op, "Point");
  const double x = Point[0], y = Point[1], z = Point[2];
  Point2D = {y * Matrix[1] + x * Matrix[0], y * Matrix[3] + x * Matrix[2] + Matrix[4] * z, 0.0};
}

double RvTools::Distance2D(std::span<const double> Point1, std::span<const double> Point2) const {
  RequireArgs(Point1, 2, "Distance2D", "Point1");
  RequireArgs(Point2, 2, "Distance2D", "Point2");
  const double dx = Point1[0] - Point2[0], dy = Point1[1] - Point2[1];
  const double d2 = dx * dx + dy * dy;
  return d2 > 0.0 ? std::sqrt(d2) : 0.0;
}

double RvTools::Distance3D(std::span<const double> Point1, std::span<const double> Point2) const {
  RequireArgs(Point1, 3, "Distance3D", "Point1");
  RequireArgs(Point2, 3, "Distance3D", "Point2");
  const double dx = Point1[0] - Point2[0], dy = Point1[1] - Point2[1], dz = Point1[2] - Point2[2];
  const double d2 = dx * dx + dy * dy + dz * dz;
  return d2 > 0.0 ? std::sqrt(d2) : 0.0;
}

std::string RvTools::Direction2D3P(std::span<const double> Point1, std::span<const double> Point2,
                                   double& dx, double& dy) const {
  RequireArgs(Point1, 2, "Direction2D3P", "Point1");
  RequireArgs(Point2, 2, "Direction2D3P", "Point2");
  dx = Point2[0] - Point1[0];
  dy = Point2[1] - Point1[1];
  std::string text;
  if (std::fabs(dx) >= kTolerance) text += dx > 0 ? "X" : "-X";
  if (std::fabs(dy) >= kTolerance) text += dy > 0 ? "Y" : "-Y";
  return text;
}

int16_t RvTools::SetLine2DFrom2Points(std::span<const double> LineStart,
                                      std::span<const double> LineEnd, double& a,
                                      double& b) const {
  constexpr const char* op = "SetLine2DFrom2Points";
  RequireArgs(LineStart, 2, op, "LineStart");
  RequireArgs(LineEnd, 2, op, "LineEnd");
  const double x1 = LineStart[0], y1 = LineStart[1], x2 = LineEnd[0], y2 = LineEnd[1];
  const double dx = x1 - x2, dy = y1 - y2;
  if (dx != 0.0) {
    a = Divide(dy, dx, op);
    b = Divide(y2 * x1 - y1 * x2, dx, op);
    return kLineKindYOfX;
  }
  if (dy != 0.0) {
    a = Divide(dx, dy, op);
    b = Divide(x2 * y1 - x1 * y2, dy, op);
    return kLineKindXOfY;
  }
  return kLineKindNone;
}

int16_t RvTools::SetNormalLine2D(int16_t LineKind, double a, std::span<const double> Point,
                                 double& NormalA, double& NormalB) const {
  constexpr const char* op = "SetNormalLine2D";
  RequireArgs(Point, 2, op, "Point");
  if (std::fabs(a) < kTolerance && LineKind == kLineKindXOfY) {
    NormalA = 0.0;
    NormalB = Point[1];
    return kLineKindYOfX;
  }
  if (std::fabs(a) < kTolerance && LineKind == kLineKindYOfX) {
    NormalA = 0.0;
    NormalB = Point[0];
    return kLineKindXOfY;
  }
  if (a != 0.0) {
    NormalA = Divide(-1.0, a, op);
    NormalB = Divide(Point[0], a, op) + Point[1];
    return kLineKindYOfX;
  }
  return kLineKindNone;
}

double RvTools::GetYValueFormXValue(double x, double a, double b) const { return a * x + b; }

bool RvTools::GetIntersectionPointFrom2DTangents(double a1, double b1, double a2, double b2,
                                                 RvPoint2& InterPoint) const {
  constexpr const char* op = "GetIntersectionPointFrom2DTangents";
  if (std::fabs(a1) < kTolerance && std::fabs(b2) < kTolerance) {
    InterPoint = {b1, a2};
    return false;
  }
  if (std::fabs(b1) < kTolerance && std::fabs(a2) < kTolerance) {
    InterPoint = {a1, b2};
    return false;
  }
  if (std::fabs(a1 - a2) <= kTolerance) return false;
  InterPoint = {Divide(b2 - b1, a1 - a2, op), Divide(a1 * b2 - a2 * b1, a1 - a2, op)};
  return true;
}

int16_t RvTools::GetIntersectionPointFrom2DPoints(std::span<const double> Line1Start,
                                                  std::span<const double> Line1End,
                                                  std::span<const double> Line2Start,
                                                  std::span<const double> Line2End,
                                                  RvPoint2& InterPoint) const {
  InterPoint = {0.0, 0.0};
  const bool inside = CheckIntersectionRage2D(Line1Start, Line1End, Line2Start, Line2End);
  double a1 = 0, b1 = 0, a2 = 0, b2 = 0;
  const int16_t k1 = SetLine2DFrom2Points(Line1Start, Line1End, a1, b1);
  const int16_t k2 = SetLine2DFrom2Points(Line2Start, Line2End, a2, b2);
  if (k1 == kLineKindNone && k2 == kLineKindNone) return 0;
  if (k1 == kLineKindXOfY && k2 == kLineKindXOfY) return 0;
  if (k1 == kLineKindYOfX && k2 == kLineKindYOfX) {
    RvPoint2 p{};
    if (!GetIntersectionPointFrom2DTangents(a1, b1, a2, b2, p)) return 0;
    InterPoint = p;
    return inside ? 1 : 2;
  }
  // One vertical line and one of the form y = a x + b.
  if (k1 == kLineKindXOfY && k2 == kLineKindYOfX) {
    const double x = Line1Start[0];
    InterPoint = {x, a2 * x + b2};
    return inside ? 1 : 2;
  }
  if (k2 == kLineKindXOfY && k1 == kLineKindYOfX) {
    const double x = Line2Start[0];
    InterPoint = {x, a1 * x + b1};
    return inside ? 1 : 2;
  }
  return 0;  // one segment is a single point
}

int16_t RvTools::CheckRange(double value, double RangeS, double RangeE) const {
  const double lo = std::fmin(RangeS, RangeE), hi = std::fmax(RangeS, RangeE);
  if (value - lo < -kTolerance) return -1;
  if (value - hi > kTolerance) return 1;
  return 0;
}

bool RvTools::CheckIntersectionRage2D(std::span<const double> Line1Start,
                                      std::span<const double> Line1End,
                                      std::span<const double> Line2Start,
                                      std::span<const double> Line2End) const {
  constexpr const char* op = "CheckIntersectionRage2D";
  RequireArgs(Line1Start, 2, op, "Line1Start");
  RequireArgs(Line1End, 2, op, "Line1End");
  RequireArgs(Line2Start, 2, op, "Line2Start");
  RequireArgs(Line2End, 2, op, "Line2End");
  const int16_t t1 = CheckRange(Line2Start[0], Line1Start[0], Line1End[0]);
  const int16_t t2 = CheckRange(Line2Start[1], Line1Start[1], Line1End[1]);
  const int16_t t3 = CheckRange(Line2End[0], Line1Start[0], Line1End[0]);
  const int16_t t4 = CheckRange(Line2End[1], Line1Start[1], Line1End[1]);
  const int16_t t5 = CheckRange(Line1Start[0], Line2Start[0], Line2End[0]);
  const int16_t t6 = CheckRange(Line1Start[1], Line2Start[1], Line2End[1]);
  const int16_t t7 = CheckRange(Line1End[0], Line2Start[0], Line2End[0]);
  const int16_t t8 = CheckRange(Line1End[1], Line2Start[1], Line2End[1]);
  if (t1 == 0 && t3 == 0 && (t6 == 0 || t8 == 0)) return true;
  if (t2 != 0 || t4 != 0 || (t5 != 0 && t7 != 0)) return false;
  return true;
}

int16_t RvTools::CheckDirection(std::span<const double> Normal, double& Angle) const {
  RequireArgs(Normal, 2, "CheckDirection", "Normal");
  return DirectionSector(Normal[0], Normal[1], Angle, "CheckDirection");
}

double RvTools::GetAngle(std::span<const double> Normal) const {
  RequireArgs(Normal, 2, "GetAngle", "Normal");
  double angle = 0.0;
  DirectionSector(Normal[0], Normal[1], angle, "GetAngle");
  if (angle < 0.0) {
    angle += 360.0;
  } else if (angle >= 360.0) {
    angle -= 360.0;
  }
  return angle;
}

void RvTools::GetAngleRange(double Angle1, double Angle2, double AngleIn, double& AngleStart,
                            double& AngleEnd) const {
  if (Angle1 < 0.0) Angle1 += 360.0;
  if (Angle2 < 0.0) Angle2 += 360.0;
  if (AngleIn < 0.0) AngleIn += 360.0;
  if (Angle1 >= 180.0) Angle1 -= 180.0;
  if (Angle2 >= 180.0) Angle2 -= 180.0;
  const double lo = std::fmin(Angle1, Angle2), hi = std::fmax(Angle1, Angle2);
  const auto wrap = [](double a) {
    if (a < 0.0) return a + 360.0;
    if (a >= 360.0) return a - 360.0;
    return a;
  };
  const double sectors[4][2] = {{lo, hi}, {hi, lo + 180.0}, {lo + 180.0, hi + 180.0},
                                {hi + 180.0, lo}};
  for (int i = 0; i < 3; ++i) {
    const double start = wrap(sectors[i][0]), end = wrap(sectors[i][1]);
    if (start < AngleIn && AngleIn <= end) {
      AngleStart = start;
      AngleEnd = end;
      return;
    }
  }
  AngleStart = wrap(sectors[3][0]);
  AngleEnd = wrap(sectors[3][1]);
}

}  // namespace ovix
