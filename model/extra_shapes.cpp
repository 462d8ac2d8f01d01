#include "model/extra_shapes.h"

#include <algorithm>
#include <limits>

#include "tools/rv_error.h"

namespace ovix {

void ExtraShapeStore::Clear() {
  shapes_ = {};
  nodes_ = {};
  texts_ = {};
  groups_ = {};
  lines_ = {};
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
  for (const ExtraNode& n : nodes) {
    add(n.X, n.Y);
    if (n.Curve) {
      add(n.C1X, n.C1Y);
      add(n.C2X, n.C2Y);
    }
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
