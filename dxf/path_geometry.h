#pragma once
// Plane geometry of the "draw everything" option: the affine transform that
// places block contents, and circular and elliptic arcs and polyline bulges
// as cubic Bézier segments (ExtraNode lists). An affine map of a Bézier is
// the Bézier of the mapped control points, so curves are built once in
// their own coordinates and mapped exactly, however a block reference
// scales, mirrors or rotates them.

#include <cmath>
#include <vector>

#include "model/extra_shapes.h"

namespace ovix::draw_all {

// x' = A x + C y + E, y' = B x + D y + F.
struct Affine {
  double A = 1, B = 0, C = 0, D = 1, E = 0, F = 0;

  void Apply(double x, double y, double& ox, double& oy) const {
    ox = A * x + C * y + E;
    oy = B * x + D * y + F;
  }
  // The linear part only (directions and lengths).
  void ApplyLinear(double x, double y, double& ox, double& oy) const {
    ox = A * x + C * y;
    oy = B * x + D * y;
  }
  // This transform after `inner`: p -> this(inner(p)).
  Affine Then(const Affine& inner) const {
    Affine r;
    r.A = A * inner.A + C * inner.B;
    r.B = B * inner.A + D * inner.B;
    r.C = A * inner.C + C * inner.D;
    r.D = B * inner.C + D * inner.D;
    r.E = A * inner.E + C * inner.F + E;
    r.F = B * inner.E + D * inner.F + F;
    return r;
  }
  double Det() const { return A * D - B * C; }
  // Mean length scale (square root of the area factor).
  double Scale() const { return std::sqrt(std::fabs(Det())); }
  ExtraNode Map(const ExtraNode& n) const;

  static Affine Translate(double x, double y) { return {1, 0, 0, 1, x, y}; }
  static Affine Scaling(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
  static Affine Rotation(double degrees);
};

// The object coordinate system of an entity with extrusion (nx, ny, nz) as
// seen from above: the identity, or a mirror in x for a drawing seen from
// below (nz < 0). Other directions are drawn as seen from above.
Affine OcsTransform(double nz);

// A straight node / the start node at (x, y).
inline ExtraNode LineNode(double x, double y) { return ExtraNode{x, y, false, 0, 0, 0, 0}; }

// Appends the arc of the circle (cx, cy, r) from `start` sweeping `sweep`
// radians (negative: clockwise) as Bézier segments of at most 90 degrees.
// The start node is not appended (the caller's path is already there).
void AppendArc(std::vector<ExtraNode>& out, double cx, double cy, double r, double start,
               double sweep);

// Appends the segment from the last node of `out` to (x, y) with `bulge`
// (tan of a quarter of the arc's included angle; 0: straight).
void AppendBulge(std::vector<ExtraNode>& out, double x, double y, double bulge);

// The ellipse with centre (cx, cy), major axis end (mx, my) relative to the
// centre and minor axis (ux, uy) from parameter t0 to t1 (radians, t1 > t0),
// start node included.
std::vector<ExtraNode> EllipseNodes(double cx, double cy, double mx, double my, double ux,
                                    double uy, double t0, double t1);

}  // namespace ovix::draw_all
