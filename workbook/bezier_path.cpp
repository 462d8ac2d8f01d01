#include "workbook/bezier_path.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "excel/excel_automation.h"

namespace ovix::workbook {

namespace {

Point2 operator-(Point2 a, Point2 b) { return {a.x - b.x, a.y - b.y}; }
Point2 operator+(Point2 a, Point2 b) { return {a.x + b.x, a.y + b.y}; }
Point2 operator*(Point2 a, double k) { return {a.x * k, a.y * k}; }
double Dot(Point2 a, Point2 b) { return a.x * b.x + a.y * b.y; }
double Length(Point2 a) { return std::hypot(a.x, a.y); }

// Unit vector of `v`, or nothing (a zero vector) when it has no direction.
Point2 Unit(Point2 v) {
  const double len = Length(v);
  if (!(len > 0.0) || !std::isfinite(len)) return {0, 0};
  return v * (1.0 / len);
}

bool IsZero(Point2 v) { return v.x == 0.0 && v.y == 0.0; }

bool SamePoint(Point2 a, Point2 b) {
  const double scale = std::max({1.0, std::fabs(a.x), std::fabs(a.y)});
  return std::fabs(a.x - b.x) <= 1e-9 * scale && std::fabs(a.y - b.y) <= 1e-9 * scale;
}

// Tangent at `at` of the circle through prev, at, next: the chords weighted by
// the length of the other chord. Zero when the direction is undefined.
Point2 CircleTangent(Point2 prev, Point2 at, Point2 next) {
  const Point2 a = at - prev;
  const Point2 b = next - at;
  const double la = Length(a);
  const double lb = Length(b);
  if (la == 0.0 && lb == 0.0) return {0, 0};
  if (la == 0.0) return Unit(b);
  if (lb == 0.0) return Unit(a);
  return Unit(a * (lb / la) + b * (la / lb));
}

// The tangent mirrored across the chord direction.
Point2 Mirror(Point2 tangent, Point2 chord_unit) {
  return chord_unit * (2.0 * Dot(tangent, chord_unit)) - tangent;
}

// Handle length for a chord of length `chord` whose end tangent makes the
// angle alpha with it (cos_alpha given): exact for circular arcs.
double HandleLength(double chord, double cos_alpha) {
  const double c = std::clamp(cos_alpha, 0.0, 1.0);
  return 2.0 * chord / (3.0 * (1.0 + c));
}

}  // namespace

BezierPath BuildFreeformPath(const std::vector<FreeformNode>& nodes) {
  if (nodes.size() < 2) throw excel::AutomationError("a freeform needs at least two nodes");
  const size_t n = nodes.size();
  const bool closed = n >= 3 && SamePoint(nodes.front().at, nodes.back().at);
  // In a closed path the last node is the first one again.
  const size_t distinct = closed ? n - 1 : n;
  auto point = [&](size_t i) { return nodes[i % distinct].at; };
  auto is_corner = [&](size_t i) {
    return nodes[i].editing_type == excel::kEditingCorner ||
           (closed && i == n - 1 && nodes[0].editing_type == excel::kEditingCorner);
  };

  std::vector<Point2> tangent(n, Point2{0, 0});
  for (size_t i = 0; i < n; ++i) {
    if (is_corner(i)) continue;
    if (closed) {
      const size_t k = i % distinct;
      tangent[i] = CircleTangent(point(k + distinct - 1), point(k), point(k + 1));
    } else if (i > 0 && i + 1 < n) {
      tangent[i] = CircleTangent(nodes[i - 1].at, nodes[i].at, nodes[i + 1].at);
    }
  }
  if (!closed) {
    const Point2 first_chord = Unit(nodes[1].at - nodes[0].at);
    const Point2 last_chord = Unit(nodes[n - 1].at - nodes[n - 2].at);
    if (!is_corner(0)) {
      tangent[0] = (n > 2 && !IsZero(tangent[1])) ? Mirror(tangent[1], first_chord) : first_chord;
    }
    if (!is_corner(n - 1)) {
      tangent[n - 1] =
          (n > 2 && !IsZero(tangent[n - 2])) ? Mirror(tangent[n - 2], last_chord) : last_chord;
    }
  }

  BezierPath path;
  path.start = nodes[0].at;
  path.closed = closed;
  path.segments.reserve(n - 1);
  for (size_t i = 0; i + 1 < n; ++i) {
    const Point2 from = nodes[i].at;
    const Point2 to = nodes[i + 1].at;
    PathSegment seg;
    seg.to = to;
    if (nodes[i + 1].explicit_controls) {
      seg.cubic = true;
      seg.c1 = nodes[i + 1].c1;
      seg.c2 = nodes[i + 1].c2;
    } else if (nodes[i + 1].segment_type == excel::kSegmentCurve) {
      const Point2 chord = to - from;
      const double len = Length(chord);
      const Point2 chord_unit = Unit(chord);
      seg.cubic = true;
      seg.c1 = from;
      seg.c2 = to;
      if (len > 0.0) {
        if (!IsZero(tangent[i])) {
          seg.c1 = from + tangent[i] * HandleLength(len, Dot(tangent[i], chord_unit));
        }
        if (!IsZero(tangent[i + 1])) {
          seg.c2 = to - tangent[i + 1] * HandleLength(len, Dot(tangent[i + 1], chord_unit));
        }
      }
    }
    path.segments.push_back(seg);
  }
  return path;
}

BezierPath EllipticArcPath(double cx, double cy, double rx, double ry, double start_degrees,
                           double sweep_degrees) {
  const double to_rad = std::numbers::pi / 180.0;
  // The parameter of the ellipse point that lies on the ray at `degrees`.
  auto parameter = [&](double degrees) {
    const double a = degrees * to_rad;
    return std::atan2(rx * std::sin(a), ry * std::cos(a));
  };
  auto at = [&](double t) { return Point2{cx + rx * std::cos(t), cy - ry * std::sin(t)}; };

  const double sweep = std::clamp(sweep_degrees, 0.0, 360.0);
  double t0 = parameter(start_degrees);
  double t1 = parameter(start_degrees + sweep);
  double span = t1 - t0;
  while (span < 0) span += 2 * std::numbers::pi;
  if (sweep >= 360.0 || (sweep > 180.0 && span < 1e-12)) span = 2 * std::numbers::pi;
  if (sweep <= 0.0) span = 0.0;

  BezierPath path;
  path.start = at(t0);
  const int pieces = std::max(1, static_cast<int>(std::ceil(span / (std::numbers::pi / 2) - 1e-9)));
  const double step = span / pieces;
  const double k = 4.0 / 3.0 * std::tan(step / 4.0);
  for (int i = 0; i < pieces; ++i) {
    const double a = t0 + step * i;
    const double b = a + step;
    // Derivatives of (rx cos t, -ry sin t).
    const Point2 da{-rx * std::sin(a), -ry * std::cos(a)};
    const Point2 db{-rx * std::sin(b), -ry * std::cos(b)};
    PathSegment seg;
    seg.cubic = true;
    seg.c1 = at(a) + da * k;
    seg.c2 = at(b) - db * k;
    seg.to = at(b);
    path.segments.push_back(seg);
  }
  return path;
}

namespace {

void Include(Box& box, Point2 p) {
  box.left = std::min(box.left, p.x);
  box.right = std::max(box.right, p.x);
  box.top = std::min(box.top, p.y);
  box.bottom = std::max(box.bottom, p.y);
}

// Values of t in (0, 1) where one coordinate of the cubic has an extremum.
int Extrema(double p0, double p1, double p2, double p3, double out[2]) {
  const double d0 = p1 - p0;
  const double d1 = p2 - p1;
  const double d2 = p3 - p2;
  const double a = d0 - 2 * d1 + d2;
  const double b = 2 * (d1 - d0);
  const double c = d0;
  int count = 0;
  auto keep = [&](double t) {
    if (t > 0.0 && t < 1.0) out[count++] = t;
  };
  if (std::fabs(a) < 1e-12) {
    if (std::fabs(b) > 1e-12) keep(-c / b);
    return count;
  }
  const double disc = b * b - 4 * a * c;
  if (disc < 0) return 0;
  const double s = std::sqrt(disc);
  keep((-b + s) / (2 * a));
  keep((-b - s) / (2 * a));
  return count;
}

Point2 CubicAt(Point2 p0, Point2 p1, Point2 p2, Point2 p3, double t) {
  const double u = 1 - t;
  const double b0 = u * u * u;
  const double b1 = 3 * u * u * t;
  const double b2 = 3 * u * t * t;
  const double b3 = t * t * t;
  return {b0 * p0.x + b1 * p1.x + b2 * p2.x + b3 * p3.x,
          b0 * p0.y + b1 * p1.y + b2 * p2.y + b3 * p3.y};
}

}  // namespace

Box PathBounds(const BezierPath& path) {
  Box box{path.start.x, path.start.y, path.start.x, path.start.y};
  Point2 from = path.start;
  for (const PathSegment& seg : path.segments) {
    Include(box, seg.to);
    if (seg.cubic) {
      double ts[2];
      int count = Extrema(from.x, seg.c1.x, seg.c2.x, seg.to.x, ts);
      for (int i = 0; i < count; ++i) Include(box, CubicAt(from, seg.c1, seg.c2, seg.to, ts[i]));
      count = Extrema(from.y, seg.c1.y, seg.c2.y, seg.to.y, ts);
      for (int i = 0; i < count; ++i) Include(box, CubicAt(from, seg.c1, seg.c2, seg.to, ts[i]));
    }
    from = seg.to;
  }
  return box;
}

}  // namespace ovix::workbook
