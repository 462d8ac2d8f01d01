// SPLINE, HATCH, WIPEOUT, XLINE, RAY, MULTILEADER and dimensions drawn from
// their blocks, as local shapes of the "draw everything" option.

#include "dxf/curve_fill_shapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dxf/curve_fill_tags.h"
#include "dxf/entity_registration.h"
#include "model/rv_system.h"
#include "tools/cad_text.h"
#include "tools/hatch_boundary.h"

namespace ovix::draw_all {

using geom::Vec2;

namespace {

constexpr int32_t kWhiteRgb = 0xFFFFFF;

// The path's nodes mapped through the entity's coordinate system.
void AppendNodes(const geom::PlanePath& path, const Affine& ocs, std::vector<ExtraNode>& out) {
  out.push_back(ocs.Map(LineNode(path.start.x, path.start.y)));
  for (const geom::PathSegment& s : path.segments) {
    ExtraNode n = LineNode(s.to.x, s.to.y);
    if (s.cubic) {
      n.Curve = true;
      n.C1X = s.c1.x;
      n.C1Y = s.c1.y;
      n.C2X = s.c2.x;
      n.C2Y = s.c2.y;
    }
    out.push_back(ocs.Map(n));
  }
}

// The size of a path's control polygon (its largest coordinate span).
double SpanOf(const std::vector<Vec2>& points) {
  if (points.empty()) return 0;
  double x0 = points[0].x, x1 = x0, y0 = points[0].y, y1 = y0;
  for (const Vec2& p : points) {
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  return std::max(x1 - x0, y1 - y0);
}

Decoded Done(LocalList& list, LocalShape&& s) {
  list.Items.push_back({false, list.Shapes.size()});
  list.Shapes.push_back(std::move(s));
  return Decoded::Shape;
}

Decoded DecodeSpline(const DxfRecordView& r, LocalList& list) {
  SplineTags tags;
  if (!ReadSpline(r, tags) || tags.Props.PaperSpace) return Decoded::Nothing;
  // A tolerance far below what a page shows: a ten-thousandth of the
  // curve's own size.
  const double span = SpanOf(tags.Curve.control.empty() ? tags.Curve.fit : tags.Curve.control);
  geom::PlanePath path;
  if (!geom::SplineToBezier(tags.Curve, std::max(span, 1e-9) * 1e-4, path)) return Decoded::Nothing;
  LocalShape s;
  s.Props = tags.Props;
  s.Kind = ExtraShapeKind::Path;
  s.Closed = path.closed;
  AppendNodes(path, OcsTransform(tags.ExtrusionZ), s.Nodes);
  return Done(list, std::move(s));
}

// The dash style code nearest a dash list, as line types map theirs: two
// elements dashed (dotted with a dot), four dash-dot, six dash-dot-dot,
// none continuous.
int16_t DashCodeOf(const std::vector<double>& dashes) {
  if (dashes.empty()) return 0;
  const bool dot = std::any_of(dashes.begin(), dashes.end(), [](double d) { return d == 0; });
  switch (dashes.size()) {
    case 2: return dot ? 2 : 1;
    case 4: return 3;
    case 6: return 4;
    default: return 1;
  }
}

Decoded DecodeHatch(const DxfRecordView& r, LocalList& list) {
  HatchTags tags;
  if (!ReadHatch(r, tags) || tags.Props.PaperSpace) return Decoded::Nothing;
  const Affine ocs = OcsTransform(tags.ExtrusionZ);
  std::vector<std::vector<Vec2>> polygons(tags.Loops.size());
  std::vector<Vec2> all;
  for (const geom::PlanePath& loop : tags.Loops) {
    all.push_back(loop.start);
    for (const geom::PathSegment& s : loop.segments) all.push_back(s.to);
  }
  const double tol = std::max(SpanOf(all), 1e-9) * 1e-4;
  for (std::size_t k = 0; k < tags.Loops.size(); ++k) {
    geom::Flatten(tags.Loops[k], tol, polygons[k]);
    if (polygons[k].size() > 1) polygons[k].pop_back();  // the closing point again
  }
  const std::vector<int> depths = geom::LoopDepths(polygons);

  auto region_shape = [&](LocalShape& s) {
    const geom::PlanePath region =
        geom::BridgedRegion(tags.Loops, polygons, depths, tags.IslandStyle);
    if (region.Empty()) return false;
    s.Props = tags.Props;
    s.Kind = ExtraShapeKind::Fill;
    s.Closed = true;
    s.Outline = false;
    AppendNodes(region, ocs, s.Nodes);
    return true;
  };

  if (tags.Solid || tags.Gradient || tags.Pattern.empty()) {
    LocalShape s;
    if (!region_shape(s)) return Decoded::Nothing;
    if (tags.Gradient) {
      // A gradient is shown as its first colour.
      if (tags.GradientColor >= 1 && tags.GradientColor <= 255) s.Props.Color = tags.GradientColor;
      else if (tags.GradientRgb >= 0) s.FillRgb = tags.GradientRgb;
    }
    return Done(list, std::move(s));
  }

  // Pattern lines of the loops that count under the island style.
  std::vector<std::vector<Vec2>> counted;
  for (std::size_t k = 0; k < polygons.size(); ++k) {
    if (geom::LoopCounts(tags.IslandStyle, depths[k])) counted.push_back(polygons[k]);
  }
  // Dashes drawn one by one while they stay within the limit; otherwise
  // each family's lines drawn whole in the dash style nearest its dashes.
  std::vector<geom::PatternPiece> pieces;
  std::vector<int16_t> dash_of_piece;
  bool dense = geom::EstimatePatternPieces(tags.Pattern, counted) > 8.0 * kMaxPatternPieces ||
               !geom::ClipPattern(tags.Pattern, counted, kMaxPatternPieces, pieces);
  if (dense) {
    std::vector<geom::PatternPiece> family_pieces;
    dense = false;
    for (const geom::PatternLine& family : tags.Pattern) {
      geom::PatternLine whole = family;
      whole.dashes.clear();
      if (!geom::ClipPattern({whole}, counted, kMaxPatternPieces - pieces.size(), family_pieces)) {
        dense = true;
        break;
      }
      pieces.insert(pieces.end(), family_pieces.begin(), family_pieces.end());
      dash_of_piece.insert(dash_of_piece.end(), family_pieces.size(), DashCodeOf(family.dashes));
    }
  }
  if (dense) {
    LocalShape s;
    if (!region_shape(s)) return Decoded::Nothing;
    s.FillTransparency = kLightFillTransparency;
    s.Simplified = true;
    return Done(list, std::move(s));
  }
  if (pieces.empty()) return Decoded::Nothing;
  list.GroupName = "Hatch " + tags.PatternName;
  for (const geom::PatternPiece& p : pieces) {
    LocalShape s;
    s.Props = tags.Props;
    s.Kind = ExtraShapeKind::Path;
    s.Nodes = {ocs.Map(LineNode(p.from.x, p.from.y)), ocs.Map(LineNode(p.to.x, p.to.y))};
    // Continuous unless a family's dashes are shown by a dash style: the
    // layer's line type never applies to pattern lines.
    s.DashCode = dash_of_piece.empty()
                     ? int16_t{0}
                     : dash_of_piece[static_cast<std::size_t>(&p - pieces.data())];
    if (p.from.x == p.to.x && p.from.y == p.to.y) s.Kind = ExtraShapeKind::Dot;
    Done(list, std::move(s));
  }
  return Decoded::Shape;
}

Decoded DecodeWipeout(const DxfRecordView& r, LocalList& list) {
  WipeoutTags tags;
  if (!ReadWipeout(r, tags) || tags.Props.PaperSpace) return Decoded::Nothing;
  LocalShape s;
  s.Props = tags.Props;
  s.Kind = ExtraShapeKind::Fill;
  s.Closed = true;
  s.Outline = false;
  s.FillRgb = kWhiteRgb;
  for (const Vec2& p : tags.Polygon) s.Nodes.push_back(LineNode(p.x, p.y));
  return Done(list, std::move(s));
}

Decoded DecodeConstructionLine(const DxfRecordView& r, LocalList& list) {
  ConstructionLineTags tags;
  if (!ReadConstructionLine(r, tags) || tags.Props.PaperSpace) return Decoded::Nothing;
  LocalShape s;
  s.Props = tags.Props;
  s.Kind = tags.Ray ? ExtraShapeKind::Ray : ExtraShapeKind::Xline;
  s.Nodes = {LineNode(tags.Point.x, tags.Point.y),
             LineNode(tags.Point.x + tags.Direction.x, tags.Point.y + tags.Direction.y)};
  return Done(list, std::move(s));
}

// The arrowhead at `tip` of a leader line that runs on to `from`: the
// arrow block the multileader (or its style) names, turned along the line,
// drawn when the drawing is expanded.
void AddArrowhead(LocalList& list, const MLeaderTags& tags, double size, Vec2 tip, Vec2 from) {
  const Vec2 d = tip - from;
  if (!(geom::Length(d) > 0)) return;
  LocalInsert ins;
  ins.Props = tags.Props;
  ins.Arrowhead = true;
  ins.BlockRecordHandle = tags.ArrowHandle == "0" ? std::string() : tags.ArrowHandle;
  ins.StyleHandle = tags.StyleHandle;
  ins.ArrowSize = size;
  ins.ArrowScale = tags.Scale > 0 ? tags.Scale : 1.0;
  ins.Placements.push_back(Affine::Translate(tip.x, tip.y)
                               .Then(Affine::Rotation(std::atan2(d.y, d.x) * 180.0 / std::numbers::pi)));
  list.Items.push_back({true, list.Inserts.size()});
  list.Inserts.push_back(std::move(ins));
}

Decoded DecodeMLeader(const DxfRecordView& r, LocalList& list) {
  MLeaderTags tags;
  if (!ReadMLeader(r, tags) || tags.Props.PaperSpace) return Decoded::Nothing;
  const double scale = tags.Scale > 0 ? tags.Scale : 1.0;
  const double arrow = tags.ArrowSize > 0 ? tags.ArrowSize : tags.StyleArrowSize * scale;
  for (const MLeaderBranch& b : tags.Branches) {
    for (const MLeaderLine& line : b.Lines) {
      std::vector<Vec2> points = line.Vertices;
      if (b.HasLastPoint) points.push_back(b.LastPoint);
      if (points.size() < 2 || tags.LineKind == 0) continue;
      LocalShape s;
      s.Props = tags.Props;
      s.Kind = ExtraShapeKind::Path;
      if (tags.LineKind == 2 && points.size() > 2) {
        geom::SplineDefinition fit;
        fit.fit = points;
        geom::PlanePath path;
        if (geom::SplineToBezier(fit, 1e-6, path)) AppendNodes(path, Affine{}, s.Nodes);
      }
      if (s.Nodes.empty()) {
        for (const Vec2& p : points) s.Nodes.push_back(LineNode(p.x, p.y));
      }
      Done(list, std::move(s));
      AddArrowhead(list, tags, arrow, points[0], points[1]);
    }
    // The landing: the dog-leg from the last leader point along its vector.
    const double dog_len = geom::Length(b.DoglegVector);
    if (tags.Dogleg && b.HasLastPoint && b.HasDogleg && b.DoglegLength > 0 && dog_len > 0) {
      const Vec2 end = b.LastPoint + b.DoglegVector * (b.DoglegLength / dog_len);
      LocalShape s;
      s.Props = tags.Props;
      s.Kind = ExtraShapeKind::Path;
      s.Nodes = {LineNode(b.LastPoint.x, b.LastPoint.y), LineNode(end.x, end.y)};
      Done(list, std::move(s));
    }
  }
  if (tags.ContentType == 2 && !tags.Text.empty() && tags.TextHeight > 0) {
    LocalShape s;
    s.Props = tags.Props;
    s.Kind = ExtraShapeKind::Text;
    s.Text.Text = tags.Text;
    s.Text.Height = tags.TextHeight;
    s.Text.Multiline = true;
    s.Text.BoxWidth = tags.TextWidth > 0 && std::isfinite(tags.TextWidth) ? tags.TextWidth : 0;
    const int attach = tags.TextAttachment >= 1 && tags.TextAttachment <= 9 ? tags.TextAttachment : 1;
    s.Text.HAlign = static_cast<ExtraTextHAlign>((attach - 1) % 3);
    s.Text.VAlign = attach <= 3   ? ExtraTextVAlign::Top
                    : attach <= 6 ? ExtraTextVAlign::Middle
                                  : ExtraTextVAlign::Bottom;
    const double h = tags.TextHeight;
    const double dir = geom::Length(tags.TextDirection) > 0
                           ? std::atan2(tags.TextDirection.y, tags.TextDirection.x)
                           : tags.TextRotation;
    s.X = tags.TextPoint.x;
    s.Y = tags.TextPoint.y;
    s.UX = h * std::cos(dir);
    s.UY = h * std::sin(dir);
    s.VX = -s.UY;
    s.VY = s.UX;
    const std::string shown = cadtext::StripMTextCodes(tags.Text);
    std::size_t longest = 0, current = 0;
    for (char ch : shown) {
      if (ch == '\n' || ch == '\r') {
        longest = std::max(longest, current);
        current = 0;
      } else if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) {
        ++current;
      }
    }
    s.EstimatedWidth = h * static_cast<double>(std::max(longest, current));
    if (s.Text.BoxWidth > 0) s.EstimatedWidth = std::min(s.EstimatedWidth, s.Text.BoxWidth);
    Done(list, std::move(s));
  }
  if (tags.ContentType == 1 && tags.HasBlock && !tags.BlockHandle.empty()) {
    // Block content: the block placed at its point, rotated and scaled.
    LocalInsert ins;
    ins.Props = tags.Props;
    ins.BlockRecordHandle = tags.BlockHandle;
    const double sx = tags.BlockScale.x != 0 ? tags.BlockScale.x : 1.0;
    const double sy = tags.BlockScale.y != 0 ? tags.BlockScale.y : 1.0;
    ins.Placements.push_back(Affine::Translate(tags.BlockPoint.x, tags.BlockPoint.y)
                                 .Then(Affine::Rotation(tags.BlockRotation * 180.0 / std::numbers::pi))
                                 .Then(Affine::Scaling(sx, sy)));
    list.Items.push_back({true, list.Inserts.size()});
    list.Inserts.push_back(std::move(ins));
    return Decoded::Insert;
  }
  return list.Items.empty() ? Decoded::Nothing : Decoded::Shape;
}

// A dimension of a kind the nine stores do not draw, as its block.
Decoded DecodeDimensionBlock(const DxfRecordView& r, LocalList& list) {
  const bool own_kind = r.Type() != "DIMENSION";
  LocalInsert ins;
  std::vector<std::string_view> markers;
  int32_t type_code = 0;
  for (int32_t k = 0; k < r.PairCount(); ++k) {
    const int32_t code = r.Code(k);
    const std::string_view v = r.Value(k);
    if (ApplyProps(ins.Props, code, v)) continue;
    if (code == 2) ins.Block.assign(v);
    else if (code == 100) markers.push_back(v);
    else if (code == 70) type_code = dxf_entities::Integer(v);
  }
  if (!own_kind) {
    // Files older than R13 give the kind in code 70 only.
    const bool specific = std::any_of(markers.begin(), markers.end(), [](std::string_view m) {
      return m != "AcDbEntity" && m != "AcDbDimension";
    });
    const bool known = specific ? !dxf_entities::GetDimensionSubclass(markers).empty()
                                : (type_code & 7) <= 4;
    if (known) return Decoded::NotMine;
  }
  if (ins.Block.empty() || ins.Props.PaperSpace) return own_kind ? Decoded::Nothing : Decoded::NotMine;
  ins.DimensionBlock = true;
  ins.Placements.push_back(Affine{});
  list.Items.push_back({true, list.Inserts.size()});
  list.Inserts.push_back(std::move(ins));
  return Decoded::Insert;
}

}  // namespace

Decoded DecodeCurveFillEntity(const DxfRecordStore& store, std::size_t i, std::size_t& next,
                              LocalList& list) {
  next = i + 1;
  const DxfRecordView r = store.At(i);
  const std::string_view type = r.Type();
  if (type == "SPLINE") return DecodeSpline(r, list);
  if (type == "HATCH") return DecodeHatch(r, list);
  if (type == "WIPEOUT") return DecodeWipeout(r, list);
  if (type == "XLINE" || type == "RAY") return DecodeConstructionLine(r, list);
  if (type == "MULTILEADER" || type == "MLEADER") return DecodeMLeader(r, list);
  if (type == "DIMENSION" || type == "ARC_DIMENSION" || type == "LARGE_RADIAL_DIMENSION") {
    return DecodeDimensionBlock(r, list);
  }
  return Decoded::NotMine;
}

void PlaceConstructionLines(RvSystem& system) {
  ExtraShapeStore& store = system.ExtraShapes();
  if (store.ConstructionLineCount() == 0) return;
  RvPoint3 min{}, max{};
  if (!system.GetEntityRange(min, max)) {
    // Nothing else to measure by: a stretch round each line's point.
    min = {-50.0, -50.0, 0.0};
    max = {50.0, 50.0, 0.0};
    for (std::size_t k = 0; k < store.ConstructionLineCount(); ++k) {
      const ConstructionLine& c = store.ConstructionLineAt(k);
      min[0] = std::min(min[0], c.X - 50);
      min[1] = std::min(min[1], c.Y - 50);
      max[0] = std::max(max[0], c.X + 50);
      max[1] = std::max(max[1], c.Y + 50);
    }
  }
  for (std::size_t k = 0; k < store.ConstructionLineCount(); ++k) {
    const ConstructionLine c = store.ConstructionLineAt(k);
    // Liang-Barsky: the parameter range of the line inside the box.
    double t0 = c.Ray ? 0.0 : -INFINITY, t1 = INFINITY;
    const double p[4] = {-c.DX, c.DX, -c.DY, c.DY};
    const double q[4] = {c.X - min[0], max[0] - c.X, c.Y - min[1], max[1] - c.Y};
    bool inside = true;
    for (int e = 0; e < 4 && inside; ++e) {
      if (p[e] == 0) {
        if (q[e] < 0) inside = false;
      } else {
        const double t = q[e] / p[e];
        if (p[e] < 0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
      }
    }
    if (!inside || !(t1 > t0) || !std::isfinite(t0) || !std::isfinite(t1)) continue;
    const ExtraNode nodes[2] = {LineNode(c.X + c.DX * t0, c.Y + c.DY * t0),
                                LineNode(c.X + c.DX * t1, c.Y + c.DY * t1)};
    store.AddShape(c.Shape, nodes);
  }
}

}  // namespace ovix::draw_all
