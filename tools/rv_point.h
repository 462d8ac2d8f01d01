#pragma once
// Fixed-size coordinate arrays that travel between the model, the tools and
// the exporter: a point (x, y, z), a point in the plane (x, y) and the five
// coefficients of the projection from the model onto the sheet plane.

#include <array>

namespace ovix {

// (x, y, z); an operation that "resizes its output to 0..2" writes all three.
using RvPoint3 = std::array<double, 3>;
// (x, y): an intersection in the plane.
using RvPoint2 = std::array<double, 2>;
// The 3D-to-2D projection built by RvTools::Trans2D3DMatrix.
using RvMatrix = std::array<double, 5>;

}  // namespace ovix
