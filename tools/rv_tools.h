#pragma once
// RvTools: the plane geometry and the text and number formatting that the
// DXF reader, the drawing model and the exporter share.
//
// The class holds no state; every operation is a const member so that any
// instance (the document's `Tools`, the model's own) gives the same answers.
//
// Conventions of the geometry operations:
// - Angles are degrees unless a name says radians; pi is 4 * atan(1) and all
//   trigonometry is plain IEEE double arithmetic: nothing is snapped to an
//   exact value (cos(pi / 2) stays 6.1e-17, which the projection relies on).
// - The common tolerance is 0.001 (absolute).
// - Array arguments are spans read by index; an index the caller's array
//   does not have is an RvError of kind SubscriptOutOfRange naming the
//   operation and the argument. Arithmetic that has no finite result (a
//   division by zero, an overflow) is an RvError of kind DivisionByZero or
//   Overflow. Errors are raised to the caller; nothing is caught here.
//
// Text is UTF-8; positions and lengths count characters (tools/utf8.h).

#include <cstdint>
#include <span>
#include <string>

#include "tools/rv_point.h"

namespace ovix {

// Kinds of straight line returned by SetLine2DFrom2Points and SetNormalLine2D.
inline constexpr int16_t kLineKindYOfX = 1;   // y = a * x + b
inline constexpr int16_t kLineKindXOfY = -1;  // x = a * y + b (a vertical line when a = 0)
inline constexpr int16_t kLineKindNone = 0;   // no line (the two points coincide)

// Attributes decoded from a text that starts with an inline font header
// "{\f" font "|" bold "|" italic "|" charset "|" point ";" visible-text "}".
struct RichTextAttribute {
  std::string Font;        // font name; empty without a header
  bool Bold = false;       // the bold field is "b1"
  bool Italic = false;     // the italic field is "i1"
  bool TwoByte = false;    // the charset field is "c128" (a Shift-JIS font)
  int16_t Point = 0;       // the number after the point field's first letter
  bool Underline = false;  // the visible text started with "\L"
  std::string Text;        // the visible text ("\L" removed); the whole input without a header
};

class RvTools {
 public:
  // ---- Plane geometry ------------------------------------------------------

  // pi, computed as 4 * atan(1).
  double PAI() const;
  // pi / 180 * degrees.
  double DegreeToRadian(double degrees) const;
  // 180 / pi * radians.
  double RadianToDegree(double radians) const;

  // Projection matrix for the view rotation `Rotate` (degrees; elements 0 and
  // 2 are used, element 2 must exist). With a = Rotate[0], b = Rotate[2]:
  // c = cos a cos b, s = cos a sin b, t = sin a, r = sqrt(s^2 + c^2);
  // Matrix = (-s/r, c/r, -c*t/r, -s*t/r, r), or all zero when r is not > 0.
  void Trans2D3DMatrix(std::span<const double> Rotate, RvMatrix& Matrix) const;

  // Projects `Point` (x, y, z) through `Matrix` onto the plane:
  // Point2D = (y*M1 + x*M0, y*M3 + x*M2 + M4*z, 0).
  void Get3D2DPoint(std::span<const double> Point, const RvMatrix& Matrix, RvPoint3& Point2D) const;

  // Distance in the x-y plane (points need x, y) and in space (x, y, z).
  double Distance2D(std::span<const double> Point1, std::span<const double> Point2) const;
  double Distance3D(std::span<const double> Point1, std::span<const double> Point2) const;

  // dx = x2 - x1, dy = y2 - y1 and the direction text: "X" / "-X" when
  // |dx| >= 0.001, then "Y" / "-Y" when |dy| >= 0.001 ("", "X", "-X", "Y",
  // "-Y", "XY", "X-Y", "-XY", "-X-Y").
  std::string Direction2D3P(std::span<const double> Point1, std::span<const double> Point2,
                            double& dx, double& dy) const;

  // The line through two points (x, y): kind 1 with y = a*x + b when the x
  // values differ, kind -1 with x = a*y + b (a = 0) when only the y values
  // differ, kind 0 (a and b untouched) when the points coincide.
  int16_t SetLine2DFrom2Points(std::span<const double> LineStart, std::span<const double> LineEnd,
                               double& a, double& b) const;

  // The line through `Point` (x, y) perpendicular to the line of kind
  // `LineKind` and slope `a`: a vertical line (kind -1, |a| < 0.001) gives
  // kind 1 with (0, Point.y); a horizontal line (kind 1, |a| < 0.001) gives
  // kind -1 with (0, Point.x); any other a != 0 gives kind 1 with
  // (-1/a, Point.x/a + Point.y); otherwise kind 0 and the outputs untouched.
  int16_t SetNormalLine2D(int16_t LineKind, double a, std::span<const double> Point, double& NormalA,
                          double& NormalB) const;

  // a * x + b.
  double GetYValueFormXValue(double x, double a, double b) const;

  // Intersection of y = a1*x + b1 and y = a2*x + b2. False for parallel
  // lines (|a1 - a2| <= 0.001; InterPoint untouched). Two special cases also
  // answer false but write a point: |a1| < 0.001 and |b2| < 0.001 give
  // (b1, a2); |b1| < 0.001 and |a2| < 0.001 give (a1, b2).
  bool GetIntersectionPointFrom2DTangents(double a1, double b1, double a2, double b2,
                                          RvPoint2& InterPoint) const;

  // Intersection of the lines through two segments (each point x, y).
  // InterPoint starts at (0, 0). Result 1: the lines cross and the segments'
  // ranges overlap (CheckIntersectionRage2D); 2: the lines cross outside
  // that; 0: no single crossing (parallel, both vertical, a degenerate
  // segment).
  int16_t GetIntersectionPointFrom2DPoints(std::span<const double> Line1Start,
                                           std::span<const double> Line1End,
                                           std::span<const double> Line2Start,
                                           std::span<const double> Line2End,
                                           RvPoint2& InterPoint) const;

  // -1 when value lies more than 0.001 below the smaller bound, 1 when more
  // than 0.001 above the larger one, 0 inside (bounds in either order).
  int16_t CheckRange(double value, double RangeS, double RangeE) const;

  // Whether the coordinate ranges of two segments (each point x, y) overlap
  // enough for their crossing to lie on them (eight CheckRange tests).
  bool CheckIntersectionRage2D(std::span<const double> Line1Start, std::span<const double> Line1End,
                               std::span<const double> Line2Start,
                               std::span<const double> Line2End) const;

  // Sector of a unit direction (nx, ny) with k = 1/sqrt(2), first match wins:
  // 1 (0 <= nx <= 1, |ny| <= k), 2 (|nx| < k, 0 <= ny <= 1), 3 (-1 <= nx <=
  // 0, |ny| <= k), 4 (|nx| < k, -1 <= ny <= 0), else 0. `Angle` is the
  // principal arc tangent of ny/nx in degrees (plus 180 in sectors 3 and 4;
  // 0, 90, 180, 270 on the axes; 0 for sector 0), with no further quadrant
  // correction.
  int16_t CheckDirection(std::span<const double> Normal, double& Angle) const;

  // The angle of CheckDirection brought once into [0, 360).
  double GetAngle(std::span<const double> Normal) const;

  // The sector of the two crossing lines at angles Angle1 and Angle2 that
  // contains direction AngleIn (all degrees): the first of (lo, hi),
  // (hi, lo + 180), (lo + 180, hi + 180) with start < AngleIn <= end, else
  // (hi + 180, lo), where lo and hi are the two line angles brought into
  // [0, 180).
  void GetAngleRange(double Angle1, double Angle2, double AngleIn, double& AngleStart,
                     double& AngleEnd) const;

  // ---- Text and number formatting ----------------------------------------

  // inches * 72.
  double InchesToPoints(double Inches) const;

  // Decodes the inline font header. A text that does not start with "{\f"
  // or does not end with "}" comes back whole as Text with every attribute
  // cleared. A point field too large for 16 bits is an Overflow RvError.
  RichTextAttribute GetRichTextAttribute(const std::string& RichText) const;

  // Rounds a text made only of digits with at most one "." (the empty text
  // counts as 0) to `Order` decimals, an exact half going to the even
  // neighbour, and writes it in the general number format. Any other text,
  // and any text with a negative Order, comes back unchanged. There is no
  // size limit on the value.
  std::string StringEffectValue(const std::string& Text, int16_t Order) const;

  // Multiline text with each paragraph mark "\P" replaced by a line feed.
  // Rows = number of lines (marks + 1); Number = characters in the longest line.
  std::string SetMTextCR(const std::string& Text, int32_t& Number, int32_t& Rows) const;
  std::string SetMTextCR(const std::string& Text) const;

  // An angle given as a numeric text in radians, written in degrees.
  // Mode 1: decimal degrees with up to `Number` decimals (0 to 12; no
  // trailing zeros; any other Number: general format). Mode 2: degrees,
  // minutes and seconds, d + "°" + mm + "’" + seconds + "\"", the seconds
  // rounded to a whole number ("00") for Number 0, with up to Number
  // decimals for 1 to 12, in general format otherwise. Any other mode gives
  // "". A text that is not a number is a TypeMismatch RvError.
  std::string StringRadianToDegree(const std::string& strRadian, int16_t Mode, int16_t Number) const;

  // Whether `FileName` names an existing file or directory. When DiaMode is
  // true a missing or empty name is reported to the user first (title
  // "確認", critical icon).
  bool CheckFileExist(const std::string& FileName, bool DiaMode) const;
};

}  // namespace ovix
