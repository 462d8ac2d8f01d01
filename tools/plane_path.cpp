#include "tools/plane_path.h"

#include <algorithm>
#include <numbers>

namespace ovix::geom {

Affine2 Affine2::Then(const Affine2& n) const {
  return {n.a * a + n.c * b, n.b * a + n.d * b, n.a * c + n.c * d,
          n.b * c + n.d * d, n.a * e + n.c * f + n.e, n.b * e + n.d * f + n.f};
}

Affine2 Affine2::Rotation(double radians) {
  const double c = std::cos(radians), s = std::sin(radians);
  return {c, s, -s, c, 0, 0};
}

void PlanePath::Transform(const Affine2& map) {
  start = map.Apply(start);
  for (PathSegment& s : segments) {
    if (s.cubic) {
      s.c1 = map.Apply(s.c1);
      s.c2 = map.Apply(s.c2);
    }
    s.to = map.Apply(s.to);
  }
}

PlanePath PlanePath::Reversed() const {
  PlanePath r;
  r.start = End();
  r.closed = closed;
  r.segments.reserve(segments.size());
  for (std::size_t i = segments.size(); i-- > 0;) {
    const Vec2 to = i > 0 ? segments[i - 1].to : start;
    const PathSegment& s = segments[i];
    r.segments.push_back({s.cubic, s.c2, s.c1, to});
  }
  return r;
}

void PlanePath::Close(double tolerance) {
  if (segments.empty()) return;
  if (Length(End() - start) > tolerance) LineTo(start);
  else segments.back().to = start;
  closed = true;
}

namespace {

bool Joined(Vec2 a, Vec2 b) {
  const double scale = std::max({1.0, std::fabs(a.x), std::fabs(a.y)});
  return Length(a - b) <= 1e-12 * scale;
}

}  // namespace

void AppendEllipticArc(PlanePath& path, Vec2 centre, Vec2 major, double ratio, double t0,
                       double t1) {
  const Vec2 minor{-major.y * ratio, major.x * ratio};
  auto at = [&](double t) { return centre + major * std::cos(t) + minor * std::sin(t); };
  auto slope = [&](double t) { return major * -std::sin(t) + minor * std::cos(t); };
  const double span = t1 - t0;
  if (!std::isfinite(span)) return;
  const Vec2 first = at(t0);
  if (path.segments.empty()) path.start = first;
  else if (!Joined(path.End(), first)) path.LineTo(first);
  const int pieces =
      std::clamp(static_cast<int>(std::ceil(std::fabs(span) / (std::numbers::pi / 2) - 1e-9)), 1,
                 64);
  const double step = span / pieces;
  const double k = 4.0 / 3.0 * std::tan(step / 4.0);
  for (int i = 0; i < pieces; ++i) {
    const double a = t0 + step * i;
    const double b = i + 1 == pieces ? t1 : a + step;
    path.CubicTo(at(a) + slope(a) * k, at(b) - slope(b) * k, at(b));
  }
}

void AppendBulge(PlanePath& path, Vec2 from, Vec2 to, double bulge) {
  const Vec2 chord = to - from;
  const double len = Length(chord);
  if (bulge == 0.0 || !std::isfinite(bulge) || len == 0.0 || std::fabs(bulge) < 1e-9) {
    path.LineTo(to);
    return;
  }
  const double angle = 4.0 * std::atan(bulge);  // signed included angle
  const Vec2 left{-chord.y, chord.x};
  const Vec2 centre = (from + to) * 0.5 + left * ((1.0 - bulge * bulge) / (4.0 * bulge));
  const double radius = Length(from - centre);
  const double a0 = std::atan2(from.y - centre.y, from.x - centre.x);
  AppendEllipticArc(path, centre, {radius, 0.0}, 1.0, a0, a0 + angle);
  path.segments.back().to = to;  // exactly the next vertex
}

Vec2 CubicPoint(Vec2 p0, Vec2 c1, Vec2 c2, Vec2 p3, double t) {
  const double u = 1.0 - t;
  return p0 * (u * u * u) + c1 * (3 * u * u * t) + c2 * (3 * u * t * t) + p3 * (t * t * t);
}

void Flatten(const PlanePath& path, double tolerance, std::vector<Vec2>& out) {
  const double tol = tolerance > 0 ? tolerance : 1e-3;
  out.push_back(path.start);
  Vec2 from = path.start;
  for (const PathSegment& s : path.segments) {
    if (s.cubic) {
      const double l = std::max(Length(from - s.c1 * 2 + s.c2), Length(s.c1 - s.c2 * 2 + s.to));
      const double want = std::ceil(std::sqrt(0.75 * l / tol));
      const int n = std::isfinite(want) ? static_cast<int>(std::clamp(want, 1.0, 1000.0)) : 1;
      for (int i = 1; i < n; ++i) out.push_back(CubicPoint(from, s.c1, s.c2, s.to, double(i) / n));
    }
    out.push_back(s.to);
    from = s.to;
  }
}

double SignedArea(const std::vector<Vec2>& polygon) {
  double twice = 0;
  const std::size_t n = polygon.size();
  for (std::size_t i = 0; i < n; ++i) twice += Cross(polygon[i], polygon[(i + 1) % n]);
  return twice / 2;
}

bool InsidePolygon(const std::vector<Vec2>& polygon, Vec2 p) {
  bool inside = false;
  const std::size_t n = polygon.size();
  if (n < 3) return false;
  for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
    const Vec2 a = polygon[i], b = polygon[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
      inside = !inside;
    }
  }
  return inside;
}

}  // namespace ovix::geom
