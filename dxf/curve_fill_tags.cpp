// Group codes of SPLINE, HATCH, WIPEOUT, XLINE, RAY and MULTILEADER.

#include "dxf/curve_fill_tags.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dxf/entity_registration.h"

namespace ovix::draw_all {

using dxf_entities::Integer;
using dxf_entities::Real;
using geom::Vec2;

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

// Counts written in a file are trusted only this far (a hostile count
// cannot make the reader reserve memory; the pairs themselves bound it).
constexpr int32_t kMaxCount = 1 << 24;

int32_t Count(std::string_view v) { return std::clamp(Integer(v), 0, kMaxCount); }

// A walk over a record's pairs with one pair of lookahead.
class Cursor {
 public:
  explicit Cursor(const DxfRecordView& r) : r_(r) {}
  bool Done() const { return i_ >= r_.PairCount(); }
  int32_t Code() const { return Done() ? -1 : r_.Code(i_); }
  int32_t NextCode() const { return i_ + 1 < r_.PairCount() ? r_.Code(i_ + 1) : -1; }
  std::string_view Value() const { return r_.Value(i_); }
  double Number() const { return Real(Value()); }
  void Skip() { ++i_; }
  // The value of `code` when it is the current pair (which is then taken).
  bool Take(int32_t code, double& out) {
    if (Code() != code) return false;
    out = Number();
    ++i_;
    return true;
  }
  // A point written as (code, code + 10): taken when the current pair is
  // its x.
  bool TakePoint(int32_t code, Vec2& out) {
    if (Code() != code) return false;
    out.x = Number();
    ++i_;
    if (Code() == code + 10) {
      out.y = Number();
      ++i_;
    }
    if (Code() == code + 20) ++i_;
    return true;
  }

 private:
  const DxfRecordView& r_;
  int32_t i_ = 0;
};

// The start of an edge: the path is joined to it with a line when it does
// not already end there.
void JoinTo(geom::PlanePath& path, bool& started, Vec2 p) {
  if (!started) {
    path.start = p;
    started = true;
  } else if (geom::Length(path.End() - p) > 1e-12 * std::max(1.0, geom::Length(p))) {
    path.LineTo(p);
  }
}

// An arc or elliptic arc edge from its stored angles: counter-clockwise
// from start to end, or, when clockwise, the complementary angles run
// backwards.
void AppendArcEdge(geom::PlanePath& path, bool& started, Vec2 centre, Vec2 major, double ratio,
                   double start_deg, double end_deg, bool ccw, bool elliptic) {
  if (!std::isfinite(start_deg) || !std::isfinite(end_deg)) return;
  double a0 = ccw ? start_deg : -start_deg;
  double a1 = ccw ? end_deg : -end_deg;
  if (ccw) {
    while (a1 <= a0) a1 += 360;
    if (a1 - a0 > 360) a1 = a0 + 360;
  } else {
    while (a1 >= a0) a1 -= 360;
    if (a0 - a1 > 360) a1 = a0 - 360;
  }
  auto param = [&](double deg) {
    const double a = deg * kDegree;
    if (!elliptic || !(ratio > 0)) return a;
    // The angle of the point seen from the centre, as a parameter, in the
    // same turn as the angle.
    const double t = std::atan2(std::sin(a) / ratio, std::cos(a));
    return t + std::round((a - t) / (2 * std::numbers::pi)) * 2 * std::numbers::pi;
  };
  geom::PlanePath arc;
  geom::AppendEllipticArc(arc, centre, major, ratio, param(a0), param(a1));
  JoinTo(path, started, arc.start);
  path.segments.insert(path.segments.end(), arc.segments.begin(), arc.segments.end());
}

// A spline edge from its code 94 on. Recent versions follow its control
// points with the count of its fit points (97, 0 when there are none), the
// code that also counts a path's source objects after its last edge: inside
// a path a 97 belongs to the edge; after the last edge, only when fit
// points, tangents or the source count follow it.
void ReadSplineEdge(Cursor& c, geom::PlanePath& path, bool& started, double tol, bool last_edge) {
  geom::SplineDefinition s;
  double v = 0;
  int32_t knots = 0, controls = 0;
  bool rational = false, fit_count = false;
  while (!c.Done()) {
    const int32_t code = c.Code();
    if (code == 94) s.degree = std::clamp(Integer(c.Value()), 1, 15);
    else if (code == 73) rational = Integer(c.Value()) != 0;
    else if (code == 74) {}
    else if (code == 95) knots = Count(c.Value());
    else if (code == 96) controls = Count(c.Value());
    else if (code == 40 && static_cast<int32_t>(s.knots.size()) < knots) s.knots.push_back(c.Number());
    else if (code == 10 && static_cast<int32_t>(s.control.size()) < controls) {
      Vec2 p;
      c.TakePoint(10, p);
      s.control.push_back(p);
      continue;
    } else if (code == 42) s.weights.push_back(c.Number());
    else if (code == 97 && !fit_count &&
             (!last_edge || c.NextCode() == 11 || c.NextCode() == 12 || c.NextCode() == 13 ||
              c.NextCode() == 97)) {
      fit_count = true;
    }
    else if (code == 11) {
      Vec2 p;
      c.TakePoint(11, p);
      s.fit.push_back(p);
      continue;
    } else if (code == 12) {
      Vec2 p;
      c.TakePoint(12, p);
      s.start_tangent = p;
      continue;
    } else if (code == 13) {
      Vec2 p;
      c.TakePoint(13, p);
      s.end_tangent = p;
      continue;
    } else break;  // the next edge (72) or the end of the path (97, 92, ...)
    c.Skip();
  }
  (void)v;
  if (!rational) s.weights.clear();
  geom::PlanePath curve;
  if (!geom::SplineToBezier(s, tol, curve)) return;
  JoinTo(path, started, curve.start);
  path.segments.insert(path.segments.end(), curve.segments.begin(), curve.segments.end());
}

// One boundary path from its code 92 on.
geom::PlanePath ReadBoundaryPath(Cursor& c, double tol) {
  geom::PlanePath path;
  bool started = false;
  const int32_t flags = Integer(c.Value());
  c.Skip();
  if (flags & 2) {
    // Polyline path: 72 has bulges, 73 closed, 93 count, then the vertices.
    int32_t count = 0;
    while (!c.Done() && c.Code() != 93 && c.Code() != 10) c.Skip();
    if (c.Code() == 93) {
      count = Count(c.Value());
      c.Skip();
    }
    std::vector<Vec2> vertices;
    std::vector<double> bulges;
    while (!c.Done() && static_cast<int32_t>(vertices.size()) < count) {
      if (c.Code() == 10) {
        Vec2 p;
        c.TakePoint(10, p);
        vertices.push_back(p);
        bulges.push_back(0);
      } else if (c.Code() == 42 && !bulges.empty()) {
        bulges.back() = c.Number();
        c.Skip();
      } else {
        break;
      }
    }
    if (c.Code() == 42 && !bulges.empty()) {
      bulges.back() = c.Number();
      c.Skip();
    }
    if (vertices.size() < 2) return {};
    path.start = vertices[0];
    for (std::size_t k = 0; k < vertices.size(); ++k) {
      const Vec2 to = vertices[(k + 1) % vertices.size()];
      if (k + 1 == vertices.size() && geom::Length(to - vertices[k]) == 0) break;
      geom::AppendBulge(path, vertices[k], to, bulges[k]);
    }
  } else {
    int32_t edges = 0;
    if (c.Code() == 93) {
      edges = Count(c.Value());
      c.Skip();
    }
    for (int32_t e = 0; e < edges && c.Code() == 72; ++e) {
      const int32_t type = Integer(c.Value());
      c.Skip();
      if (type == 1) {
        Vec2 a, b;
        c.TakePoint(10, a);
        c.TakePoint(11, b);
        JoinTo(path, started, a);
        path.LineTo(b);
      } else if (type == 2 || type == 3) {
        Vec2 centre, major{1, 0};
        double radius = 0, ratio = 1, start = 0, end = 360, ccw = 1;
        c.TakePoint(10, centre);
        if (type == 3) c.TakePoint(11, major);
        c.Take(40, type == 2 ? radius : ratio);
        c.Take(50, start);
        c.Take(51, end);
        c.Take(73, ccw);
        if (type == 2) major = {radius, 0};
        if (geom::Length(major) > 0) {
          AppendArcEdge(path, started, centre, major, type == 2 ? 1.0 : ratio, start, end,
                        ccw != 0, type == 3);
        }
      } else if (type == 4) {
        ReadSplineEdge(c, path, started, tol, e + 1 == edges);
      } else {
        break;
      }
    }
  }
  if (path.segments.empty()) return {};
  path.Close(1e-9 * std::max(1.0, geom::Length(path.start)));
  // Source boundary objects.
  if (c.Code() == 97) {
    const int32_t n = Count(c.Value());
    c.Skip();
    for (int32_t k = 0; k < n && c.Code() == 330; ++k) c.Skip();
  }
  return path;
}

}  // namespace

int32_t TrueColorToRgb(int32_t value) {
  const int32_t r = (value >> 16) & 0xFF, g = (value >> 8) & 0xFF, b = value & 0xFF;
  return r + 256 * g + 65536 * b;
}

bool ReadSpline(const DxfRecordView& record, SplineTags& out) {
  int32_t flags = 0;
  Cursor c(record);
  while (!c.Done()) {
    const int32_t code = c.Code();
    if (ApplyProps(out.Props, code, c.Value())) {
      c.Skip();
      continue;
    }
    Vec2 p;
    switch (code) {
      case 70: flags = Integer(c.Value()); break;
      case 71: out.Curve.degree = std::clamp(Integer(c.Value()), 1, 15); break;
      case 40: out.Curve.knots.push_back(c.Number()); break;
      case 41: out.Curve.weights.push_back(c.Number()); break;
      case 10: c.TakePoint(10, p); out.Curve.control.push_back(p); continue;
      case 11: c.TakePoint(11, p); out.Curve.fit.push_back(p); continue;
      case 12: c.TakePoint(12, p); out.Curve.start_tangent = p; continue;
      case 13: c.TakePoint(13, p); out.Curve.end_tangent = p; continue;
      case 230: out.ExtrusionZ = c.Number(); break;
      default: break;
    }
    c.Skip();
  }
  out.Curve.closed = (flags & 1) != 0;
  return out.Curve.control.size() >= 2 || out.Curve.fit.size() >= 2;
}

bool ReadHatch(const DxfRecordView& record, HatchTags& out) {
  Cursor c(record);
  // The boundary's own size sets the flattening tolerance of its spline
  // edges; a first pass finds a rough size from the written points.
  double extent = 0;
  for (int32_t i = 0; i < record.PairCount(); ++i) {
    const int32_t code = record.Code(i);
    if (code == 10 || code == 20 || code == 11 || code == 21) {
      const double v = std::fabs(Real(record.Value(i)));
      if (std::isfinite(v)) extent = std::max(extent, v);
    }
  }
  const double tol = std::max(extent, 1.0) * 1e-6;
  bool in_pattern = false;
  geom::PatternLine* line = nullptr;
  bool first_gradient_colour = true;
  while (!c.Done()) {
    const int32_t code = c.Code();
    if (!in_pattern && ApplyProps(out.Props, code, c.Value())) {
      c.Skip();
      continue;
    }
    switch (code) {
      case 2: out.PatternName.assign(c.Value()); break;
      case 70: out.Solid = Integer(c.Value()) == 1; break;
      case 75: out.IslandStyle = Integer(c.Value()); break;
      case 230: out.ExtrusionZ = c.Number(); break;
      case 91: {
        const int32_t paths = Count(c.Value());
        c.Skip();
        for (int32_t k = 0; k < paths && c.Code() == 92; ++k) {
          geom::PlanePath p = ReadBoundaryPath(c, tol);
          if (!p.Empty()) out.Loops.push_back(std::move(p));
        }
        continue;
      }
      case 78: in_pattern = true; break;
      case 53:
        out.Pattern.emplace_back();
        line = &out.Pattern.back();
        line->angle_degrees = c.Number();
        break;
      case 43: if (line) line->base.x = c.Number(); break;
      case 44: if (line) line->base.y = c.Number(); break;
      case 45: if (line) line->offset.x = c.Number(); break;
      case 46: if (line) line->offset.y = c.Number(); break;
      case 49: if (line) line->dashes.push_back(c.Number()); break;
      case 98: in_pattern = false; line = nullptr; break;
      case 450: out.Gradient = Integer(c.Value()) != 0; break;
      case 63:
        if (first_gradient_colour) out.GradientColor = Integer(c.Value());
        break;
      case 421:
        if (first_gradient_colour) {
          out.GradientRgb = TrueColorToRgb(Integer(c.Value()));
          first_gradient_colour = false;
        }
        break;
      default: break;
    }
    c.Skip();
  }
  return !out.Loops.empty();
}

bool ReadWipeout(const DxfRecordView& record, WipeoutTags& out) {
  Cursor c(record);
  Vec2 insert, u{1, 0}, v{0, 1}, size{1, 1};
  std::vector<Vec2> clip;
  while (!c.Done()) {
    const int32_t code = c.Code();
    if (ApplyProps(out.Props, code, c.Value())) {
      c.Skip();
      continue;
    }
    Vec2 p;
    if (c.TakePoint(10, insert) || c.TakePoint(11, u) || c.TakePoint(12, v) ||
        c.TakePoint(13, size)) {
      continue;
    }
    if (code == 14) {
      c.TakePoint(14, p);
      clip.push_back(p);
      continue;
    }
    c.Skip();
  }
  if (clip.size() == 2) {
    clip = {clip[0], {clip[1].x, clip[0].y}, clip[1], {clip[0].x, clip[1].y}};
  }
  if (clip.size() < 3) {
    clip = {{-0.5, -0.5}, {size.x - 0.5, -0.5}, {size.x - 0.5, size.y - 0.5}, {-0.5, size.y - 0.5}};
  }
  // The clip path's origin is the image's top-left corner, y downwards.
  const Vec2 origin = insert + u * 0.5 - v * 0.5;
  for (const Vec2& p : clip) out.Polygon.push_back(origin + u * p.x + v * (size.y - p.y));
  if (out.Polygon.size() > 1 && geom::Length(out.Polygon.front() - out.Polygon.back()) == 0) {
    out.Polygon.pop_back();
  }
  return out.Polygon.size() >= 3;
}

bool ReadConstructionLine(const DxfRecordView& record, ConstructionLineTags& out) {
  out.Ray = record.Type() == "RAY";
  Cursor c(record);
  while (!c.Done()) {
    if (ApplyProps(out.Props, c.Code(), c.Value())) {
      c.Skip();
      continue;
    }
    if (c.TakePoint(10, out.Point) || c.TakePoint(11, out.Direction)) continue;
    c.Skip();
  }
  const double len = geom::Length(out.Direction);
  if (!(len > 0) || !std::isfinite(len) || !geom::Finite(out.Point)) return false;
  out.Direction = out.Direction * (1.0 / len);
  return true;
}

bool ReadMLeader(const DxfRecordView& record, MLeaderTags& out) {
  // Sections: 0 the entity, 1 its context, 2 a leader, 3 a leader line.
  int level = 0;
  Cursor c(record);
  while (!c.Done()) {
    const int32_t code = c.Code();
    const std::string_view v = c.Value();
    if (code == 300 || code == 302 || (code == 304 && level == 2)) {
      level = code == 300 ? 1 : code == 302 ? 2 : 3;
      if (level == 2) out.Branches.emplace_back();
      if (level == 3 && !out.Branches.empty()) out.Branches.back().Lines.emplace_back();
      c.Skip();
      continue;
    }
    if (code == 305 || code == 303 || code == 301) {
      level = code == 305 ? 2 : code == 303 ? 1 : 0;
      c.Skip();
      continue;
    }
    Vec2 p;
    if (level == 3 && !out.Branches.empty() && !out.Branches.back().Lines.empty()) {
      if (c.TakePoint(10, p)) {
        out.Branches.back().Lines.back().Vertices.push_back(p);
        continue;
      }
    } else if (level == 2 && !out.Branches.empty()) {
      MLeaderBranch& b = out.Branches.back();
      if (c.TakePoint(10, b.LastPoint)) {
        b.HasLastPoint = true;
        continue;
      }
      if (c.TakePoint(11, b.DoglegVector)) {
        b.HasDogleg = true;
        continue;
      }
      if (code == 40) b.DoglegLength = c.Number();
    } else if (level == 1) {
      if (c.TakePoint(12, out.TextPoint)) continue;
      if (c.TakePoint(13, out.TextDirection)) continue;
      if (c.TakePoint(15, out.BlockPoint)) continue;
      if (c.TakePoint(16, out.BlockScale)) continue;
      switch (code) {
        case 40: out.Scale = c.Number(); break;
        case 41: out.TextHeight = c.Number(); break;
        case 140: out.ArrowSize = c.Number(); break;
        case 290: out.HasText = Integer(v) != 0; break;
        case 304: out.Text.assign(v); break;
        case 42: out.TextRotation = c.Number(); break;
        case 43: out.TextWidth = c.Number(); break;
        case 171: out.TextAttachment = Integer(v); break;
        case 296: out.HasBlock = Integer(v) != 0; break;
        case 341: out.BlockHandle.assign(v); break;
        case 46: out.BlockRotation = c.Number(); break;
        default: break;
      }
    } else if (level == 0) {
      if (ApplyProps(out.Props, code, v)) {
        c.Skip();
        continue;
      }
      switch (code) {
        case 170: out.LineKind = Integer(v); break;
        case 291: out.Dogleg = Integer(v) != 0; break;
        case 42: out.StyleArrowSize = c.Number(); break;
        case 340: out.StyleHandle.assign(v); break;
        case 342: out.ArrowHandle.assign(v); break;
        case 172: out.ContentType = Integer(v); break;
        case 92: out.TextColor = Integer(v); break;
        default: break;
      }
    }
    c.Skip();
  }
  return !out.Branches.empty() || out.HasText || out.HasBlock;
}

}  // namespace ovix::draw_all
