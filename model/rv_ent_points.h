#pragma once
// RvEntPoints: one point (X, Y, Z) of the drawing, in drawing units.

#include "tools/rv_point.h"

namespace ovix {

struct RvEntPoints {
  double X = 0.0;
  double Y = 0.0;
  double Z = 0.0;

  void Clear() { X = Y = Z = 0.0; }
  RvPoint3 ToArray() const { return {X, Y, Z}; }
  static RvEntPoints FromArray(const RvPoint3& p) { return {p[0], p[1], p[2]}; }
  friend bool operator==(const RvEntPoints&, const RvEntPoints&) = default;
};

}  // namespace ovix
