#include "model/extra_shapes.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/store_access.h"
#include "tools/rv_error.h"

namespace ovix {

namespace {

// The extremes of one coordinate of the cubic Bézier p0, p1, p2, p3 between
// its ends, passed to `add(t)`.
template <typename Add>
void CubicExtremes(double p0, double p1, double p2, double p3, Add&& add) {
  const double a = -p0 + 3 * p1 - 3 * p2 + p3;
  const double b = 2 * (p0 - 2 * p1 + p2);
  const double c = p1 - p0;
  auto root = [&](double t) {
    if (t > 0 && t < 1) add(t);
  };
  if (std::fabs(a) < 1e-12 * (std::fabs(b) + std::fabs(c) + 1e-300)) {
    if (b != 0) root(-c / b);
    return;
  }
  const double d = b * b - 4 * a * c;
  if (d < 0) return;
  const double s = std::sqrt(d);
  root((-b + s) / (2 * a));
  root((-b - s) / (2 * a));
}

double CubicAt(double p0, double p1, double p2, double p3, double t) {
  const double u = 1 - t;
  return u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
}

}  // namespace

void ExtraShapeStore::Clear() {
  model_detail::ReleaseStore(shapes_);
  model_detail::ReleaseStore(nodes_);
  model_detail::ReleaseStore(texts_);
  model_detail::ReleaseStore(groups_);
  model_detail::ReleaseStore(lines_);
  simplified_hatches_ = 0;
}

int32_t ExtraShapeStore::AddGroup(const std::string& name) {
  groups_.push_back(name);
  return static_cast<int32_t>(groups_.size() - 1);
}

void ExtraShapeStore::AddShape(ExtraShape shape, std::span<const ExtraNode> nodes) {
  if (nodes.empty()) return;
  if (nodes_.size() + nodes.size() > std::numeric_limits<uint32_t>::max()) {
    throw RvError(RvErrorKind::Overflow, "too many shape nodes");
  }
  double min_x = nodes[0].X, max_x = nodes[0].X, min_y = nodes[0].Y, max_y = nodes[0].Y;
  auto add = [&](double x, double y) {
    min_x = std::min(min_x, x);
    max_x = std::max(max_x, x);
    min_y = std::min(min_y, y);
    max_y = std::max(max_y, y);
  };
  // The curve's own box: its nodes and the extremes of its Bézier segments
  // (control points off the curve do not count).
  for (std::size_t k = 0; k < nodes.size(); ++k) {
    const ExtraNode& n = nodes[k];
    add(n.X, n.Y);
    if (!n.Curve || k == 0) continue;
    const ExtraNode& from = nodes[k - 1];
    auto at = [&](double t) {
      add(CubicAt(from.X, n.C1X, n.C2X, n.X, t), CubicAt(from.Y, n.C1Y, n.C2Y, n.Y, t));
    };
    CubicExtremes(from.X, n.C1X, n.C2X, n.X, at);
    CubicExtremes(from.Y, n.C1Y, n.C2Y, n.Y, at);
  }
  const double half = std::max(shape.Width, 0.0) / 2;
  shape.MinX = min_x - half;
  shape.MinY = min_y - half;
  shape.MaxX = max_x + half;
  shape.MaxY = max_y + half;
  shape.FirstNode = static_cast<uint32_t>(nodes_.size());
  shape.NodeCount = static_cast<uint32_t>(nodes.size());
  shape.TextIndex = -1;
  nodes_.insert(nodes_.end(), nodes.begin(), nodes.end());
  shapes_.push_back(std::move(shape));
}

void ExtraShapeStore::AddText(ExtraShape shape, ExtraText text, std::span<const RvPoint3> corners) {
  if (corners.empty()) return;
  shape.Kind = ExtraShapeKind::Text;
  shape.MinX = shape.MaxX = corners[0][0];
  shape.MinY = shape.MaxY = corners[0][1];
  for (const RvPoint3& c : corners) {
    shape.MinX = std::min(shape.MinX, c[0]);
    shape.MaxX = std::max(shape.MaxX, c[0]);
    shape.MinY = std::min(shape.MinY, c[1]);
    shape.MaxY = std::max(shape.MaxY, c[1]);
  }
  shape.FirstNode = static_cast<uint32_t>(nodes_.size());
  shape.NodeCount = 0;
  shape.TextIndex = static_cast<int32_t>(texts_.size());
  texts_.push_back(std::move(text));
  shapes_.push_back(std::move(shape));
}

}  // namespace ovix
