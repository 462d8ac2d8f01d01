#include "tools/spline_to_bezier.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace ovix::geom {

namespace {

// A point in homogeneous coordinates (w x, w y, w).
struct H3 {
  double x = 0, y = 0, w = 1;
};
H3 Mix(const H3& a, const H3& b, double t) {
  return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.w + (b.w - a.w) * t};
}
Vec2 Project(const H3& h) { return {h.x / h.w, h.y / h.w}; }

constexpr int kMaxDegree = 15;
using Piece = std::vector<H3>;  // Bézier control points of one span, degree + 1 of them

// Knots must not decrease and must count control + degree + 1; otherwise a
// clamped uniform vector takes their place.
std::vector<double> UsableKnots(const std::vector<double>& knots, std::size_t count, int degree) {
  const std::size_t want = count + static_cast<std::size_t>(degree) + 1;
  bool ok = knots.size() == want;
  for (std::size_t i = 1; ok && i < knots.size(); ++i) {
    ok = std::isfinite(knots[i]) && knots[i] >= knots[i - 1];
  }
  if (ok && !(knots[count] > knots[static_cast<std::size_t>(degree)])) ok = false;
  if (ok) return knots;
  std::vector<double> u(want);
  const std::size_t p = static_cast<std::size_t>(degree);
  for (std::size_t i = 0; i < want; ++i) {
    if (i <= p) u[i] = 0;
    else if (i >= count) u[i] = static_cast<double>(count - p);
    else u[i] = static_cast<double>(i - p);
  }
  return u;
}

// The Bézier points of span [U[i], U[i+1]] by blossoming: point k is the
// blossom at (a repeated p - k times, b repeated k times).
void SpanToBezier(const std::vector<H3>& P, const std::vector<double>& U, int p, std::size_t i,
                  Piece& out) {
  const double a = U[i], b = U[i + 1];
  std::array<H3, kMaxDegree + 1> d;
  std::array<double, kMaxDegree> args;
  out.resize(static_cast<std::size_t>(p) + 1);
  for (int k = 0; k <= p; ++k) {
    for (int r = 0; r < p; ++r) args[r] = r < p - k ? a : b;
    for (int j = 0; j <= p; ++j) d[j] = P[i - p + j];
    for (int r = 1; r <= p; ++r) {
      const double u = args[r - 1];
      for (int j = p; j >= r; --j) {
        const std::size_t g = i - p + j;  // global index of d[j]
        const double lo = U[g], hi = U[g + p + 1 - r];
        const double alpha = hi > lo ? (u - lo) / (hi - lo) : 0.0;
        d[j] = Mix(d[j - 1], d[j], alpha);
      }
    }
    out[k] = d[p];
  }
}

// De Casteljau on a homogeneous Bézier piece: the point at t and, when
// asked, the two halves.
H3 PieceAt(const Piece& q, double t, Piece* left = nullptr, Piece* right = nullptr) {
  Piece w = q;
  const std::size_t n = q.size();
  if (left) left->resize(n);
  if (right) right->resize(n);
  for (std::size_t r = 0; r < n; ++r) {
    if (left) (*left)[r] = w[0];
    if (right) (*right)[n - 1 - r] = w[n - 1 - r];
    for (std::size_t j = 0; j + 1 < n - r; ++j) w[j] = Mix(w[j], w[j + 1], t);
  }
  return w[0];
}

// Derivative of the projected curve at an end of the piece (t = 0 or 1).
Vec2 EndSlope(const Piece& q, bool at_start) {
  const std::size_t n = q.size() - 1;
  const H3& p0 = at_start ? q[0] : q[n];
  const H3& p1 = at_start ? q[1] : q[n - 1];
  // d/dt (x/w) = (x' w - x w') / w^2, with x' = n (x1 - x0) at the start.
  const double k = at_start ? static_cast<double>(n) : -static_cast<double>(n);
  const double dx = k * (p1.x - p0.x), dy = k * (p1.y - p0.y), dw = k * (p1.w - p0.w);
  return {(dx * p0.w - p0.x * dw) / (p0.w * p0.w), (dy * p0.w - p0.y * dw) / (p0.w * p0.w)};
}

// A piece that is not an exact cubic: the cubic with the piece's end points
// and end slopes, split in halves until it is within the tolerance.
void ApproximatePiece(const Piece& q, double tol, int depth, PlanePath& out) {
  const Vec2 p0 = Project(q.front()), p3 = Project(q.back());
  const Vec2 c1 = p0 + EndSlope(q, true) * (1.0 / 3.0);
  const Vec2 c2 = p3 - EndSlope(q, false) * (1.0 / 3.0);
  bool good = Finite(c1) && Finite(c2);
  // Compared at matching parameters, which bounds the distance between the
  // curves; half the tolerance leaves room between the samples.
  for (int s = 1; good && s < 16; ++s) {
    const double t = s / 16.0;
    if (Length(Project(PieceAt(q, t)) - CubicPoint(p0, c1, c2, p3, t)) > tol / 2) good = false;
  }
  if (good || depth >= 12) {
    if (Finite(c1) && Finite(c2)) out.CubicTo(c1, c2, p3);
    else out.LineTo(p3);
    return;
  }
  Piece left, right;
  PieceAt(q, 0.5, &left, &right);
  ApproximatePiece(left, tol, depth + 1, out);
  ApproximatePiece(right, tol, depth + 1, out);
}

void AppendPiece(const Piece& q, bool rational, double tol, PlanePath& out) {
  const int p = static_cast<int>(q.size()) - 1;
  if (!rational && p == 1) {
    out.LineTo(Project(q[1]));
  } else if (!rational && p == 2) {
    const Vec2 a = Project(q[0]), b = Project(q[1]), c = Project(q[2]);
    out.CubicTo(a + (b - a) * (2.0 / 3.0), c + (b - c) * (2.0 / 3.0), c);
  } else if (!rational && p == 3) {
    out.CubicTo(Project(q[1]), Project(q[2]), Project(q[3]));
  } else {
    ApproximatePiece(q, tol, 0, out);
  }
}

bool FromControlPoints(const SplineDefinition& s, double tol, PlanePath& out) {
  std::vector<H3> P;
  P.reserve(s.control.size());
  bool rational = false;
  const bool weighted = s.weights.size() == s.control.size();
  for (std::size_t i = 0; i < s.control.size(); ++i) {
    const Vec2 c = s.control[i];
    if (!Finite(c)) continue;
    double w = weighted ? s.weights[i] : 1.0;
    if (!(w > 0) || !std::isfinite(w)) w = 1.0;
    if (w != 1.0) rational = true;
    P.push_back({c.x * w, c.y * w, w});
  }
  if (P.size() < 2) return false;
  const int p = std::clamp(s.degree, 1, std::min(kMaxDegree, static_cast<int>(P.size()) - 1));
  const bool same_count = P.size() == s.control.size() && p == s.degree;
  const std::vector<double> U =
      UsableKnots(same_count ? s.knots : std::vector<double>{}, P.size(), p);
  Piece piece;
  bool started = false;
  for (std::size_t i = static_cast<std::size_t>(p); i < P.size(); ++i) {
    if (!(U[i + 1] > U[i])) continue;
    SpanToBezier(P, U, p, i, piece);
    if (!started) {
      out.start = Project(piece.front());
      started = true;
    }
    AppendPiece(piece, rational, tol, out);
  }
  return started;
}

// The C2 cubic through the fit points, parameterised by chord length.
bool FromFitPoints(const SplineDefinition& s, PlanePath& out) {
  std::vector<Vec2> f;
  for (const Vec2& v : s.fit) {
    if (!Finite(v)) continue;
    if (f.empty() || Length(v - f.back()) > 1e-12 * std::max(1.0, Length(v))) f.push_back(v);
  }
  if (s.closed && f.size() > 2 && Length(f.front() - f.back()) > 0) f.push_back(f.front());
  const std::size_t n = f.size();
  if (n < 2) return false;
  out.start = f[0];
  if (n == 2) {
    out.LineTo(f[1]);
    return true;
  }
  std::vector<double> h(n - 1);
  for (std::size_t i = 0; i + 1 < n; ++i) h[i] = Length(f[i + 1] - f[i]);
  auto unit = [](Vec2 v) {
    const double l = Length(v);
    return l > 0 ? v * (1.0 / l) : Vec2{};
  };
  // End slopes (per unit of chord length): the given tangents, across the
  // seam of a closed curve, or those of the parabola through three points.
  const bool seam = s.closed && Length(f.front() - f.back()) == 0;
  Vec2 d0, dn;
  if (s.start_tangent && Length(*s.start_tangent) > 0) d0 = unit(*s.start_tangent);
  else if (seam) d0 = unit(f[1] - f[n - 2]);
  else d0 = unit((f[1] - f[0]) * (2 * h[0] + h[1]) * (1.0 / (h[0] * (h[0] + h[1]))) -
                 (f[2] - f[1]) * (h[0] / (h[1] * (h[0] + h[1]))));
  if (s.end_tangent && Length(*s.end_tangent) > 0) dn = unit(*s.end_tangent);
  else if (seam) dn = d0;
  else {
    const double a = h[n - 3], b = h[n - 2];
    dn = unit((f[n - 1] - f[n - 2]) * ((2 * b + a) / (b * (a + b))) -
              (f[n - 2] - f[n - 3]) * (b / (a * (a + b))));
  }
  // Tridiagonal system for the slopes D[1 .. n-2] (Thomas algorithm).
  std::vector<Vec2> D(n);
  D[0] = d0;
  D[n - 1] = dn;
  std::vector<double> cprime(n, 0.0);
  std::vector<Vec2> rhs(n);
  for (std::size_t i = 1; i + 1 < n; ++i) {
    const double a = h[i], b = 2 * (h[i - 1] + h[i]), c = h[i - 1];
    Vec2 r = ((f[i] - f[i - 1]) * (h[i] / h[i - 1]) + (f[i + 1] - f[i]) * (h[i - 1] / h[i])) * 3.0;
    if (i == 1) r = r - D[0] * a;
    if (i + 2 == n) r = r - D[n - 1] * c;
    const double lower = i == 1 ? 0.0 : a;
    const double denom = b - lower * cprime[i - 1];
    cprime[i] = c / denom;
    rhs[i] = (r - (i == 1 ? Vec2{} : rhs[i - 1] * lower)) * (1.0 / denom);
  }
  for (std::size_t i = n - 1; i-- > 1;) {
    D[i] = rhs[i] - (i + 2 == n ? Vec2{} : D[i + 1] * cprime[i]);
  }
  for (std::size_t i = 0; i + 1 < n; ++i) {
    out.CubicTo(f[i] + D[i] * (h[i] / 3), f[i + 1] - D[i + 1] * (h[i] / 3), f[i + 1]);
  }
  return true;
}

}  // namespace

bool SplineToBezier(const SplineDefinition& spline, double tolerance, PlanePath& out) {
  out = PlanePath{};
  const double tol = tolerance > 0 ? tolerance : 1e-3;
  const bool made = spline.control.size() >= 2 ? FromControlPoints(spline, tol, out)
                                               : FromFitPoints(spline, out);
  if (!made || out.segments.empty()) {
    out = PlanePath{};
    return false;
  }
  const double closing = Length(out.End() - out.start);
  if (spline.closed || closing <= 1e-9 * std::max(1.0, Length(out.start))) out.Close(tol);
  return true;
}

}  // namespace ovix::geom
