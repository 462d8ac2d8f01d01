#include "workbook/xls/shape_source.h"

namespace ovix::workbook::xls {

ShapeClass ShapeSource::kind() const {
  switch (node_->kind) {
    case ShapeKind::kLine: return ShapeClass::kLine;
    case ShapeKind::kRectangle: return ShapeClass::kRectangle;
    case ShapeKind::kOval: return ShapeClass::kOval;
    case ShapeKind::kArc: return ShapeClass::kArc;
    case ShapeKind::kFreeform: return ShapeClass::kFreeform;
    case ShapeKind::kTextBox: return ShapeClass::kTextBox;
    case ShapeKind::kGroup: return ShapeClass::kGroup;
    case ShapeKind::kLoaded: return ShapeClass::kOther;
  }
  return ShapeClass::kOther;
}

BezierPath ShapeSource::FramePath() const {
  BezierPath path;
  if (!node_->freeform()) return path;
  const FreeformGeometry& g = *node_->freeform();
  const double sx = g.reference_width > 0 ? node_->width / g.reference_width : 1.0;
  const double sy = g.reference_height > 0 ? node_->height / g.reference_height : 1.0;
  auto scale = [&](Point2 p) { return Point2{p.x * sx, p.y * sy}; };
  path.start = scale(g.path.start);
  path.closed = g.path.closed;
  path.segments.reserve(g.path.segments.size());
  for (const PathSegment& s : g.path.segments) {
    path.segments.push_back({s.cubic, scale(s.c1), scale(s.c2), scale(s.to)});
  }
  return path;
}

}  // namespace ovix::workbook::xls
