#include "dxf/path_geometry.h"

#include <algorithm>
#include <numbers>

namespace ovix::draw_all {

namespace {

constexpr double kPi = std::numbers::pi;

// Segments of at most a quarter turn each: the cubic's largest distance from
// the circle is then below 0.03 % of the radius.
int PieceCount(double sweep) {
  const double pieces = std::ceil(std::fabs(sweep) / (kPi / 2) - 1e-9);
  return std::max(1, static_cast<int>(std::min(pieces, 4096.0)));
}

// One Bézier piece of the unit circle from angle a sweeping d, mapped by
// point(cos, sin) of the caller.
template <typename Point>
ExtraNode Piece(double a, double d, Point&& point) {
  const double k = 4.0 / 3.0 * std::tan(d / 4);
  const double c0 = std::cos(a), s0 = std::sin(a);
  const double c1 = std::cos(a + d), s1 = std::sin(a + d);
  ExtraNode n;
  n.Curve = true;
  point(c0 - k * s0, s0 + k * c0, n.C1X, n.C1Y);
  point(c1 + k * s1, s1 - k * c1, n.C2X, n.C2Y);
  point(c1, s1, n.X, n.Y);
  return n;
}

}  // namespace

ExtraNode Affine::Map(const ExtraNode& n) const {
  ExtraNode m = n;
  Apply(n.X, n.Y, m.X, m.Y);
  if (n.Curve) {
    Apply(n.C1X, n.C1Y, m.C1X, m.C1Y);
    Apply(n.C2X, n.C2Y, m.C2X, m.C2Y);
  }
  return m;
}

Affine Affine::Rotation(double degrees) {
  const double t = degrees * kPi / 180.0;
  const double c = std::cos(t), s = std::sin(t);
  return {c, s, -s, c, 0, 0};
}

Affine OcsTransform(double nz) { return nz < 0 ? Affine{-1, 0, 0, 1, 0, 0} : Affine{}; }

void AppendArc(std::vector<ExtraNode>& out, double cx, double cy, double r, double start,
               double sweep) {
  if (!std::isfinite(sweep) || !std::isfinite(start)) return;
  const int n = PieceCount(sweep);
  const double d = sweep / n;
  auto point = [&](double c, double s, double& x, double& y) {
    x = cx + r * c;
    y = cy + r * s;
  };
  for (int i = 0; i < n; ++i) out.push_back(Piece(start + i * d, d, point));
}

void AppendBulge(std::vector<ExtraNode>& out, double x, double y, double bulge) {
  const ExtraNode from = out.back();
  const double dx = x - from.X, dy = y - from.Y;
  const double chord = std::hypot(dx, dy);
  if (bulge == 0 || !std::isfinite(bulge) || chord == 0) {
    out.push_back(LineNode(x, y));
    return;
  }
  // Included angle 4 atan(bulge), counter-clockwise for a positive bulge.
  const double sweep = 4 * std::atan(bulge);
  const double r = chord / (2 * std::sin(std::fabs(sweep) / 2));
  // The centre lies on the chord's perpendicular bisector.
  const double mx = (from.X + x) / 2, my = (from.Y + y) / 2;
  const double h = r * std::cos(sweep / 2);  // signed distance from the chord
  const double sign = bulge > 0 ? 1.0 : -1.0;
  const double cx = mx - sign * h * dy / chord;
  const double cy = my + sign * h * dx / chord;
  const double start = std::atan2(from.Y - cy, from.X - cx);
  AppendArc(out, cx, cy, r, start, sweep);
  // The last node lands exactly on the vertex.
  out.back().X = x;
  out.back().Y = y;
}

std::vector<ExtraNode> EllipseNodes(double cx, double cy, double mx, double my, double ux,
                                    double uy, double t0, double t1) {
  std::vector<ExtraNode> out;
  auto point = [&](double c, double s, double& x, double& y) {
    x = cx + mx * c + ux * s;
    y = cy + my * c + uy * s;
  };
  double x0 = 0, y0 = 0;
  point(std::cos(t0), std::sin(t0), x0, y0);
  out.push_back(LineNode(x0, y0));
  const double sweep = t1 - t0;
  if (!std::isfinite(sweep) || sweep <= 0) return out;
  const int n = PieceCount(sweep);
  const double d = sweep / n;
  for (int i = 0; i < n; ++i) out.push_back(Piece(t0 + i * d, d, point));
  return out;
}

}  // namespace ovix::draw_all
