#include "tools/hatch_boundary.h"

#include <algorithm>
#include <limits>

namespace ovix::geom {

namespace {

struct Bounds {
  double left = std::numeric_limits<double>::infinity(), bottom = left;
  double right = -left, top = -left;
  bool Contains(const Bounds& o) const {
    return o.left >= left && o.right <= right && o.bottom >= bottom && o.top <= top;
  }
};

Bounds BoundsOf(const std::vector<Vec2>& polygon) {
  Bounds b;
  for (const Vec2& v : polygon) {
    b.left = std::min(b.left, v.x);
    b.right = std::max(b.right, v.x);
    b.bottom = std::min(b.bottom, v.y);
    b.top = std::max(b.top, v.y);
  }
  return b;
}

// A point of the loop away from its vertices: the middle of its longest of
// the first few edges (a vertex may touch a neighbouring loop).
Vec2 SamplePoint(const std::vector<Vec2>& polygon) {
  const std::size_t n = polygon.size();
  Vec2 best = polygon.empty() ? Vec2{} : polygon[0];
  double longest = -1;
  for (std::size_t i = 0; i < std::min<std::size_t>(n, 8); ++i) {
    const Vec2 a = polygon[i], b = polygon[(i + 1) % n];
    if (Length(b - a) > longest) {
      longest = Length(b - a);
      best = (a + b) * 0.5;
    }
  }
  return best;
}

}  // namespace

std::vector<int> LoopDepths(const std::vector<std::vector<Vec2>>& polygons) {
  const std::size_t n = polygons.size();
  std::vector<Bounds> bounds(n);
  std::vector<Vec2> samples(n);
  for (std::size_t i = 0; i < n; ++i) {
    bounds[i] = BoundsOf(polygons[i]);
    samples[i] = SamplePoint(polygons[i]);
  }
  std::vector<int> depth(n, 0);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      if (i == j || !bounds[j].Contains(bounds[i])) continue;
      if (InsidePolygon(polygons[j], samples[i])) ++depth[i];
    }
  }
  return depth;
}

bool LoopCounts(int style, int depth) {
  if (style == 1) return depth <= 1;
  if (style == 2) return depth == 0;
  return true;
}

PlanePath BridgedRegion(const std::vector<PlanePath>& loops,
                        const std::vector<std::vector<Vec2>>& polygons,
                        const std::vector<int>& depths, int style) {
  PlanePath region;
  bool started = false;
  for (std::size_t i = 0; i < loops.size() && i < polygons.size() && i < depths.size(); ++i) {
    if (loops[i].Empty() || !LoopCounts(style, depths[i])) continue;
    const bool ccw = SignedArea(polygons[i]) >= 0;
    const bool want_ccw = depths[i] % 2 == 0;
    const PlanePath loop = ccw == want_ccw ? loops[i] : loops[i].Reversed();
    if (!started) {
      region.start = loop.start;
      region.segments = loop.segments;
      started = true;
      continue;
    }
    const Vec2 home = region.start;
    region.LineTo(loop.start);
    region.segments.insert(region.segments.end(), loop.segments.begin(), loop.segments.end());
    region.LineTo(home);
  }
  if (started) region.Close(0);
  return region;
}

}  // namespace ovix::geom
