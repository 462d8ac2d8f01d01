#pragma once
// B-spline and NURBS curves as paths of cubic Bézier segments.
//
// A curve given by control points and knots is cut at its knots into
// polynomial (or rational) Bézier pieces, one per knot span, each found
// from the span's own control points and knots (so clamped, unclamped and
// periodic knot vectors all work, and the cost is linear in the number of
// control points). A non-rational piece of degree 3 or less is exact as a
// cubic (degrees 1 and 2 are raised); a rational piece or one of a higher
// degree is approximated by cubics, split until every sample lies within the
// tolerance. A curve given only by fit points is the C2 cubic spline through
// them, parameterised by chord length, with the given end tangents (or ones
// estimated from the first and last three points).
//
// Affine maps carry B-splines exactly, so callers map the control points
// onto the sheet first and give the tolerance in sheet units.

#include <optional>
#include <vector>

#include "tools/plane_path.h"

namespace ovix::geom {

struct SplineDefinition {
  int degree = 3;
  std::vector<double> knots;     // control count + degree + 1 values, not decreasing
  std::vector<Vec2> control;
  std::vector<double> weights;   // empty, or one positive weight per control point
  std::vector<Vec2> fit;         // used when there are no control points
  std::optional<Vec2> start_tangent;  // directions at the first / last fit point
  std::optional<Vec2> end_tangent;
  bool closed = false;
};

// The curve as one path; false (and an empty path) when it has fewer than
// two distinct points. A knot vector of the wrong length or order is
// replaced by a clamped uniform one; a degree the control points cannot
// carry is lowered; a weight that is not positive counts as 1. A closed
// curve's path is closed (a closing line is added when its ends differ).
bool SplineToBezier(const SplineDefinition& spline, double tolerance, PlanePath& out);

}  // namespace ovix::geom
