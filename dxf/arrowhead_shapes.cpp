// The standard arrowheads as local shapes at unit size, tip at the origin,
// pointing along +x.

#include "dxf/arrowhead_shapes.h"

#include <cmath>
#include <initializer_list>
#include <numbers>
#include <string>
#include <utility>

#include "dxf/path_geometry.h"

namespace ovix::draw_all {

namespace {

constexpr double kPi = std::numbers::pi;
// Half the width of a closed or open arrow at its back: a sixth of its
// length, as the standard arrow blocks draw it.
constexpr double kHalfWidth = 1.0 / 6.0;

struct Named {
  std::string_view Name;
  ArrowheadKind Kind;
};

constexpr Named kNames[] = {
    {"CLOSEDFILLED", ArrowheadKind::ClosedFilled},
    {"CLOSED", ArrowheadKind::Closed},
    {"CLOSEDBLANK", ArrowheadKind::ClosedBlank},
    {"DOT", ArrowheadKind::Dot},
    {"DOTSMALL", ArrowheadKind::DotSmall},
    {"DOTBLANK", ArrowheadKind::DotBlank},
    {"SMALL", ArrowheadKind::SmallBlank},
    {"ORIGIN", ArrowheadKind::Origin},
    {"ORIGIN2", ArrowheadKind::Origin2},
    {"OPEN", ArrowheadKind::Open},
    {"OPEN30", ArrowheadKind::Open30},
    {"OPEN90", ArrowheadKind::Open90},
    {"OBLIQUE", ArrowheadKind::Oblique},
    {"ARCHTICK", ArrowheadKind::ArchTick},
    {"BOXFILLED", ArrowheadKind::BoxFilled},
    {"BOXBLANK", ArrowheadKind::Box},
    {"DATUMFILLED", ArrowheadKind::DatumFilled},
    {"DATUMBLANK", ArrowheadKind::Datum},
    {"INTEGRAL", ArrowheadKind::Integral},
    {"NONE", ArrowheadKind::None},
};

// A shape whose colour, line type and weight are those of the multileader.
LocalShape ByBlock(ExtraShapeKind kind, bool closed) {
  LocalShape s;
  s.Props.Layer = "0";
  s.Props.Color = 0;
  s.Props.Weight = -2;
  s.Kind = kind;
  s.Closed = closed;
  // Arrowheads are drawn solid whatever the leader's line type.
  s.DashCode = 0;
  return s;
}

void Add(LocalList& list, LocalShape&& s) {
  list.Items.push_back({false, list.Shapes.size()});
  list.Shapes.push_back(std::move(s));
}

void Polygon(LocalList& list, ExtraShapeKind kind, bool closed,
             std::initializer_list<std::pair<double, double>> points) {
  LocalShape s = ByBlock(kind, closed);
  for (const auto& [x, y] : points) s.Nodes.push_back(LineNode(x, y));
  Add(list, std::move(s));
}

void Stroke(LocalList& list, double x0, double y0, double x1, double y1, double width = 0) {
  LocalShape s = ByBlock(ExtraShapeKind::Path, false);
  s.Nodes = {LineNode(x0, y0), LineNode(x1, y1)};
  s.Width = width;
  Add(list, std::move(s));
}

void Circle(LocalList& list, double cx, double r, bool filled) {
  LocalShape s = ByBlock(filled ? ExtraShapeKind::Fill : ExtraShapeKind::Path, true);
  s.Nodes.push_back(LineNode(cx + r, 0));
  AppendArc(s.Nodes, cx, 0, r, 0, 2 * kPi);
  Add(list, std::move(s));
}

// The two strokes of an open arrow whose sides are `degrees` apart, one
// long along the leader.
void OpenArrow(LocalList& list, double degrees) {
  const double half = std::tan(degrees * kPi / 360.0);
  Polygon(list, ExtraShapeKind::Path, false, {{-1, half}, {0, 0}, {-1, -half}});
}

}  // namespace

ArrowheadKind ArrowheadKindOf(std::string_view block_name) {
  if (block_name.empty()) return ArrowheadKind::ClosedFilled;
  std::string upper;
  for (char c : block_name) {
    upper.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
  }
  std::string_view name = upper;
  if (name.front() == '_') name.remove_prefix(1);
  for (const Named& n : kNames) {
    if (n.Name == name) return n.Kind;
  }
  return ArrowheadKind::Block;
}

void AppendArrowheadShapes(ArrowheadKind kind, LocalList& list) {
  switch (kind) {
    case ArrowheadKind::ClosedFilled:
      Polygon(list, ExtraShapeKind::Fill, true, {{0, 0}, {-1, kHalfWidth}, {-1, -kHalfWidth}});
      break;
    case ArrowheadKind::Closed:
      Polygon(list, ExtraShapeKind::Path, true, {{0, 0}, {-1, kHalfWidth}, {-1, -kHalfWidth}});
      Stroke(list, -1, 0, 0, 0);
      break;
    case ArrowheadKind::ClosedBlank:
      Polygon(list, ExtraShapeKind::Path, true, {{0, 0}, {-1, kHalfWidth}, {-1, -kHalfWidth}});
      break;
    case ArrowheadKind::Dot:
      Circle(list, 0, 0.5, true);
      Stroke(list, -0.5, 0, -1, 0);
      break;
    case ArrowheadKind::DotSmall: Circle(list, 0, 0.125, true); break;
    case ArrowheadKind::DotBlank:
      Circle(list, 0, 0.5, false);
      Stroke(list, -0.5, 0, -1, 0);
      break;
    case ArrowheadKind::SmallBlank: Circle(list, 0, 0.25, false); break;
    case ArrowheadKind::Origin:
      Circle(list, 0, 0.5, false);
      Stroke(list, 0, 0, -1, 0);
      break;
    case ArrowheadKind::Origin2:
      Circle(list, 0, 0.5, false);
      Circle(list, 0, 0.25, false);
      Stroke(list, -0.5, 0, -1, 0);
      break;
    case ArrowheadKind::Open: OpenArrow(list, 2 * std::atan(kHalfWidth) * 180.0 / kPi); break;
    case ArrowheadKind::Open30: OpenArrow(list, 30); break;
    case ArrowheadKind::Open90:
      Polygon(list, ExtraShapeKind::Path, false, {{-0.5, 0.5}, {0, 0}, {-0.5, -0.5}});
      break;
    case ArrowheadKind::Oblique: Stroke(list, -0.5, -0.5, 0.5, 0.5); break;
    case ArrowheadKind::ArchTick: Stroke(list, -0.5, -0.5, 0.5, 0.5, 0.15); break;
    case ArrowheadKind::BoxFilled:
      Polygon(list, ExtraShapeKind::Fill, true, {{-0.5, -0.5}, {0.5, -0.5}, {0.5, 0.5}, {-0.5, 0.5}});
      Stroke(list, -0.5, 0, -1, 0);
      break;
    case ArrowheadKind::Box:
      Polygon(list, ExtraShapeKind::Path, true, {{-0.5, -0.5}, {0.5, -0.5}, {0.5, 0.5}, {-0.5, 0.5}});
      Stroke(list, -0.5, 0, -1, 0);
      break;
    case ArrowheadKind::DatumFilled:
    case ArrowheadKind::Datum: {
      const double d = std::tan(kPi / 6);
      Polygon(list, kind == ArrowheadKind::Datum ? ExtraShapeKind::Path : ExtraShapeKind::Fill, true,
              {{0, d}, {0, -d}, {-1, 0}});
      break;
    }
    case ArrowheadKind::Integral: {
      // Two quarter circles meeting at the tip, one each side of it.
      const double r = std::sqrt(0.125);
      LocalShape s = ByBlock(ExtraShapeKind::Path, false);
      s.Nodes.push_back(LineNode(-r, -r));
      AppendArc(s.Nodes, -r, 0, r, -kPi / 2, kPi / 2);
      AppendArc(s.Nodes, r, 0, r, kPi, -kPi / 2);
      Add(list, std::move(s));
      break;
    }
    case ArrowheadKind::None:
    case ArrowheadKind::Block: break;
  }
}

}  // namespace ovix::draw_all
