#pragma once
// Paths in the plane made of straight and cubic Bézier segments, the affine
// maps that carry them from a block or the drawing onto the sheet, and the
// conversions every curve kind shares: elliptic arcs (and so circular arcs
// and polyline bulges) as cubic segments, and flattening a path into points
// within a tolerance.
//
// Cubic Bézier segments are closed under affine maps, so a path converted
// once can be moved, scaled, mirrored or sheared exactly by mapping its
// points.

#include <cmath>
#include <cstddef>
#include <vector>

namespace ovix::geom {

struct Vec2 {
  double x = 0;
  double y = 0;
};

inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, double k) { return {a.x * k, a.y * k}; }
inline Vec2 operator*(double k, Vec2 a) { return {a.x * k, a.y * k}; }
inline double Dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
inline double Cross(Vec2 a, Vec2 b) { return a.x * b.y - a.y * b.x; }
inline double Length(Vec2 a) { return std::hypot(a.x, a.y); }
inline bool Finite(Vec2 a) { return std::isfinite(a.x) && std::isfinite(a.y); }

// x' = a x + c y + e, y' = b x + d y + f.
struct Affine2 {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

  Vec2 Apply(Vec2 p) const { return {a * p.x + c * p.y + e, b * p.x + d * p.y + f}; }
  Vec2 ApplyVector(Vec2 v) const { return {a * v.x + c * v.y, b * v.x + d * v.y}; }
  // This map followed by `next`.
  Affine2 Then(const Affine2& next) const;
  double Determinant() const { return a * d - b * c; }
  // Whether the map turns clockwise loops into counter-clockwise ones.
  bool Mirrors() const { return Determinant() < 0; }

  static Affine2 Translation(Vec2 by) { return {1, 0, 0, 1, by.x, by.y}; }
  static Affine2 Scaling(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
  static Affine2 Rotation(double radians);
};

struct PathSegment {
  bool cubic = false;
  Vec2 c1;  // control points of a cubic segment
  Vec2 c2;
  Vec2 to;
};

// One connected run of segments from `start`; `closed` when its end joins
// its start (the last segment ends at the start point).
struct PlanePath {
  Vec2 start;
  std::vector<PathSegment> segments;
  bool closed = false;

  bool Empty() const { return segments.empty(); }
  Vec2 End() const { return segments.empty() ? start : segments.back().to; }
  void LineTo(Vec2 to) { segments.push_back({false, {}, {}, to}); }
  void CubicTo(Vec2 c1, Vec2 c2, Vec2 to) { segments.push_back({true, c1, c2, to}); }
  // Every point of the path through `map`.
  void Transform(const Affine2& map);
  // The same curve run backwards.
  PlanePath Reversed() const;
  // Ends the path at its start (a closing line when it does not end there).
  void Close(double tolerance);
};

// The elliptic arc with `centre`, major-axis vector `major` (centre to the
// end of the major axis) and minor/major `ratio`, from parameter t0 to t1
// (radians; t1 > t0 runs counter-clockwise in the ellipse's own frame,
// t1 < t0 clockwise), as cubic segments of at most 90 degrees of parameter
// each. Appended to `path`: when the path already has segments a line joins
// its end to the arc's start, otherwise the arc's start becomes the path's
// start. The radial error is below 3e-4 of the radius.
void AppendEllipticArc(PlanePath& path, Vec2 centre, Vec2 major, double ratio, double t0,
                       double t1);

// The arc of a polyline segment from `from` to `to` with `bulge` (the
// tangent of a quarter of its included angle; positive counter-clockwise),
// appended to `path` (which must end at `from`); a straight line for a bulge
// of 0 or coincident ends.
void AppendBulge(PlanePath& path, Vec2 from, Vec2 to, double bulge);

// The point of a cubic Bézier at t.
Vec2 CubicPoint(Vec2 p0, Vec2 c1, Vec2 c2, Vec2 p3, double t);

// Appends points along `path` (its start first) such that the polygon
// through them is within `tolerance` of the path everywhere. Cubic segments
// are split evenly, the number of pieces found from the control polygon
// once per segment.
void Flatten(const PlanePath& path, double tolerance, std::vector<Vec2>& out);

// Signed area of a closed polygon (positive counter-clockwise in a y-up
// frame).
double SignedArea(const std::vector<Vec2>& polygon);

// Whether `p` lies inside the closed polygon (even-odd rule).
bool InsidePolygon(const std::vector<Vec2>& polygon, Vec2 p);

}  // namespace ovix::geom
