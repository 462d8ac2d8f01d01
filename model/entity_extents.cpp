// RvSystem: the drawing's extents. Each entity kind contributes the boxes
// of its entities on visible layers; the overall box lays the drawing out
// on the page, so every entity must lie inside it:
// - an arc's box holds its end points and the points of its circle at 0,
//   90, 180 and 270 degrees that it sweeps through;
// - every multiline text counts with its estimated box (0.5 x height per
//   character wide, one height tall);
// - a dimension counts with its extension-line origins, its dimension line
//   (or arc) and its text.
// One pass over each store; the layer flag is looked up once per run of
// entities on the same layer.

#include <algorithm>
#include <cmath>
#include <string>

#include "model/rv_system.h"
#include "model/store_access.h"
#include "tools/utf8.h"

namespace ovix {

using model_detail::RecordAt;

namespace {

// A box being grown point by point.
struct Box {
  RvPoint3 min{};
  RvPoint3 max{};
  bool empty = true;

  void Add(double x, double y, double z) {
    if (empty) {
      min = max = {x, y, z};
      empty = false;
      return;
    }
    const double p[3] = {x, y, z};
    for (int i = 0; i < 3; ++i) {
      if (p[i] < min[i]) min[i] = p[i];
      if (p[i] > max[i]) max[i] = p[i];
    }
  }
  void Add(const RvEntPoints& p) { Add(p.X, p.Y, p.Z); }
  void Add(const Box& other) {
    if (other.empty) return;
    Add(other.min[0], other.min[1], other.min[2]);
    Add(other.max[0], other.max[1], other.max[2]);
  }
  bool Write(RvPoint3& out_min, RvPoint3& out_max) const {
    if (empty) return false;
    out_min = min;
    out_max = max;
    return true;
  }
};

// Layer flag of each entity's layer, remembering the last answer: entities
// of one layer tend to come together.
class VisibilityCache {
 public:
  explicit VisibilityCache(const RvSystem& system) : system_(system) {}

  bool Visible(const std::string& layer) {
    if (!last_ || *last_ != layer) {
      last_ = &layer;
      const int16_t flag = system_.GetLayerFlagFromName(layer);
      visible_ = flag >= 0 && flag != 1 && flag != 2;
    }
    return visible_;
  }

 private:
  const RvSystem& system_;
  const std::string* last_ = nullptr;
  bool visible_ = false;
};

// The box of a circular arc from `start` to `end` (counter-clockwise,
// degrees): its two end points and the points at 0, 90, 180 and 270
// degrees that it passes through. The sweep is measured as the arc is
// drawn: end - start, plus 360 when negative, a full circle at most.
void AddArcBox(const RvEntPoints& center, double radius, double start_deg, double end_deg,
               Box& box) {
  constexpr double kToRadians = 3.14159265358979323846 / 180.0;
  const double a0 = start_deg * kToRadians, a1 = end_deg * kToRadians;
  box.Add(center.X + radius * std::cos(a0), center.Y + radius * std::sin(a0), center.Z);
  box.Add(center.X + radius * std::cos(a1), center.Y + radius * std::sin(a1), center.Z);
  double sweep = end_deg - start_deg;
  if (sweep < 0.0) sweep += 360.0;
  if (!(sweep > 0.0)) return;
  sweep = std::min(sweep, 360.0);
  double start = std::fmod(start_deg, 360.0);
  if (start < 0.0) start += 360.0;
  // First quadrant angle after the start; the end points are in already.
  double q = std::floor(start / 90.0) * 90.0 + 90.0;
  for (int k = 0; k < 4 && q < start + sweep; ++k, q += 90.0) {
    const int quadrant = static_cast<int>(std::lround(q / 90.0)) % 4;
    const double x = quadrant == 0 ? radius : quadrant == 2 ? -radius : 0.0;
    const double y = quadrant == 1 ? radius : quadrant == 3 ? -radius : 0.0;
    box.Add(center.X + x, center.Y + y, center.Z);
  }
}

}  // namespace

// ---- per-entity boxes ------------------------------------------------------

bool RvSystem::PolylineMinMaxPoint(int32_t ID, RvPoint3& MinPoint, RvPoint3& MaxPoint) const {
  MinPoint = MaxPoint = {0.0, 0.0, 0.0};
  const auto* r = RecordAt(polylines_, ID);
  if (!r) return false;
  Box box;
  for (const RvEntPoints& v : r->Vertex) box.Add(v);
  return box.Write(MinPoint, MaxPoint);
}

bool RvSystem::LeaderMinMaxPoint(int32_t ID, RvPoint3& MinPoint, RvPoint3& MaxPoint) const {
  MinPoint = MaxPoint = {0.0, 0.0, 0.0};
  const auto* r = RecordAt(leaders_, ID);
  if (!r) return false;
  Box box;
  for (const RvEntPoints& v : r->Vertex) box.Add(v);
  return box.Write(MinPoint, MaxPoint);
}

bool RvSystem::DimensionMinMaxPoint(int32_t ID, RvPoint3& MinPoint, RvPoint3& MaxPoint) const {
  MinPoint = MaxPoint = {0.0, 0.0, 0.0};
  const auto* r = RecordAt(dimensions_, ID);
  if (!r) return false;
  Box box;
  box.Add(r->ExtLine1Point);
  box.Add(r->ExtLine2Point);
  // What is drawn of a dimension of a known kind lies on the page too: the
  // ends of its dimension line (a linear dimension's line usually stands
  // off the part), and the arc of an angular dimension. A dimension of no
  // known kind draws only its text; its second point means nothing.
  if (!r->DimType.empty()) {
    box.Add(r->Insertion1Point);
    box.Add(r->Insertion2Point);
    if (r->DimType == kDimTypeAngular2Line && r->Radius > 0.0) {
      AddArcBox(r->Center, r->Radius, r->StartAngle, r->EndAngle, box);
    }
  }
  // The text box widens X and Y only.
  const double h = GetDimensionTextHeight(ID);
  const double z = box.min[2];
  const auto& t = r->TextPosition;
  box.Add(t.X - h, t.Y - h, z);
  box.Add(t.X + h, t.Y + h, z);
  return box.Write(MinPoint, MaxPoint);
}

// ---- per-kind ranges -------------------------------------------------------

namespace {

// Walks a store and grows a box from the visible entities' boxes; `add`
// adds one entity's box to the box it is given.
template <typename Record, typename AddBox>
bool KindRange(const RvSystem& system, const std::vector<Record>& store, AddBox add,
               RvPoint3& MinPoint, RvPoint3& MaxPoint) {
  VisibilityCache visible(system);
  Box box;
  for (std::size_t i = 0; i < store.size(); ++i) {
    if (visible.Visible(store[i].Layer)) add(static_cast<int32_t>(i), store[i], box);
  }
  return box.Write(MinPoint, MaxPoint);
}

}  // namespace

bool RvSystem::GetLineEntityRange(RvPoint3& MinPoint, RvPoint3& MaxPoint) const {
  return KindRange(*this, lines_, [](int32_t, const LineRecord& r, Box& box) {
    box.Add(r.Start);
    box.Add(r.End);
  }, MinPoint, MaxPoint);
}

bool RvSystem::GetCircleEntityRange(RvPoint3& MinPoint, RvPoint3& MaxPoint) const {
  return KindRange(*this, circles_, [](int32_t, const CircleRecord& r, Box& box) {
    box.Add(r.Center.X - r.Radius, r.Center.Y - r.Radius, r.Center.Z);
    box.Add(r.Center.X + r.Radius, r.Center.Y + r.Radius, r.Center.Z);
  }, MinPoint, MaxPoint);
}

bool RvSystem::GetEllipseEntityRange(RvPoint3& MinPoint, RvPoint3& MaxPoint) const {
  return KindRange(*this, ellipses_, [](int32_t, const EllipseRecord& r, Box& box) {
    box.Add(r.Center.X - r.LongRadius, r.Center.Y - r.ShortRadius, r.Center.Z);
    box.Add(r.Center.X + r.LongRadius, r.Center.Y + r.ShortRadius, r.Center.Z);
  }, MinPoint, MaxPoint);
}

bool RvSystem::GetArcEntityRange(RvPoint3& MinPoint, RvPoint3& MaxPoint) const {
  return KindRange(*this, arcs_, [](int32_t, const ArcRecord& r, Box& box) {
    AddArcBox(r.Center, r.Radius, r.StartAngle, r.EndAngle, box);
  }, MinPoint, MaxPoint);
}

bool RvSystem::GetPolylineEntityRange(RvPoint3& MinPoint, RvPoint3& MaxPoint) const {
  return KindRange(*this, polylines_, [](int32_t, const PolylineRecord& r, Box& box) {
    for (const RvEntPoints& v : r.Vertex) box.Add(v);
  }, MinPoint, MaxPoint);
}

bool RvSystem::GetTextEntityRange(RvPoint3& MinPoint, RvPoint3& MaxPoint) const {
  return KindRange(*this, texts_, [](int32_t, const TextRecord& r, Box& box) {
    const auto& p = r.InsertionPoint;
    box.Add(p);
    box.Add(p.X + r.Width, p.Y + r.Height, p.Z);
  }, MinPoint, MaxPoint);
}

bool RvSystem::GetMtextEntityRange(RvPoint3& MinPoint, RvPoint3& MaxPoint) const {
  return KindRange(*this, mtexts_, [](int32_t, const TextRecord& r, Box& box) {
    const auto& p = r.InsertionPoint;
    const double width = 0.5 * r.Height * static_cast<double>(utf8::Length(r.Text));
    box.Add(p);
    box.Add(p.X + width, p.Y + r.Height, p.Z);
  }, MinPoint, MaxPoint);
}

bool RvSystem::GetDimensionEntityRange(RvPoint3& MinPoint, RvPoint3& MaxPoint) const {
  return KindRange(*this, dimensions_, [this](int32_t id, const DimensionRecord&, Box& box) {
    Box one;
    if (DimensionMinMaxPoint(id, one.min, one.max)) {
      one.empty = false;
      box.Add(one);
    }
  }, MinPoint, MaxPoint);
}

bool RvSystem::GetLeaderEntityRange(RvPoint3& MinPoint, RvPoint3& MaxPoint) const {
  return KindRange(*this, leaders_, [](int32_t, const LeaderRecord& r, Box& box) {
    for (const RvEntPoints& v : r.Vertex) box.Add(v);
  }, MinPoint, MaxPoint);
}

bool RvSystem::GetEntityRange(RvPoint3& MinPoint, RvPoint3& MaxPoint) const {
  using Range = bool (RvSystem::*)(RvPoint3&, RvPoint3&) const;
  static constexpr Range kKinds[] = {
      &RvSystem::GetLineEntityRange,     &RvSystem::GetCircleEntityRange,
      &RvSystem::GetEllipseEntityRange,  &RvSystem::GetArcEntityRange,
      &RvSystem::GetPolylineEntityRange, &RvSystem::GetTextEntityRange,
      &RvSystem::GetMtextEntityRange,    &RvSystem::GetDimensionEntityRange,
      &RvSystem::GetLeaderEntityRange};
  Box all;
  for (const Range kind : kKinds) {
    Box one;
    if ((this->*kind)(one.min, one.max)) {
      one.empty = false;
      all.Add(one);
    }
  }
  Box extra;
  VisibilityCache cache(*this);
  if (extra_shapes_.Extents([&](const std::string& layer) { return cache.Visible(layer); },
                            extra.min, extra.max)) {
    extra.empty = false;
    all.Add(extra);
  }
  MinPoint = MaxPoint = {0.0, 0.0, 0.0};
  all.Write(MinPoint, MaxPoint);
  return !all.empty;
}

}  // namespace ovix
