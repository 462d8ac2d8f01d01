#pragma once
// Paths of straight and cubic Bézier segments in sheet points (y downwards):
// the smooth curve of a freeform built through its nodes, elliptic arcs, and
// the bounding box of a path.

#include <cstdint>
#include <vector>

namespace ovix::workbook {

struct Point2 {
  double x = 0;
  double y = 0;
};

struct PathSegment {
  bool cubic = false;
  Point2 c1;  // control points of a cubic segment
  Point2 c2;
  Point2 to;
};

struct BezierPath {
  Point2 start;
  std::vector<PathSegment> segments;
  bool closed = false;
};

struct Box {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
  double width() const { return right - left; }
  double height() const { return bottom - top; }
};

// One node of a freeform: the segment that leads to it (kSegmentLine or
// kSegmentCurve) and how the curve passes it (kEditingAuto: smoothly;
// kEditingCorner: with a corner). The first node's segment type is unused.
struct FreeformNode {
  Point2 at;
  int32_t segment_type = 0;
  int32_t editing_type = 0;
  // A curve segment given with its own control points (the segment is that
  // cubic Bézier, whatever its neighbours).
  bool explicit_controls = false;
  Point2 c1;
  Point2 c2;
};

// The path through `nodes` (two or more). A line segment is straight. A curve
// segment is a cubic Bézier whose end tangents are those of the circle through
// each node and its two neighbours (at an open end, the mirror image of the
// neighbour's tangent across the chord), with handles sized so that nodes
// lying on a circle give that circle's arc; so evenly or unevenly spaced
// points of a circle give a curve that stays on the circle. A corner node gets
// no handle on either side. A path whose last node coincides with its first
// is closed and smooth across that node.
BezierPath BuildFreeformPath(const std::vector<FreeformNode>& nodes);

// The arc of the ellipse with centre (cx, cy) and radii (rx, ry) from the
// angle `start_degrees` sweeping `sweep_degrees` (0 to 360) counter-clockwise
// as seen on the sheet; angles are those of the ray from the centre, counted
// from the 3 o'clock direction. Cubic segments of at most 90 degrees each.
BezierPath EllipticArcPath(double cx, double cy, double rx, double ry, double start_degrees,
                           double sweep_degrees);

// Tight bounding box of the drawn path (control points that lie outside the
// curve do not count).
Box PathBounds(const BezierPath& path);

}  // namespace ovix::workbook
