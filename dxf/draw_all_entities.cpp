// The "draw everything" option: entity decoding into local shapes and the
// expansion of block references into the model's extra shapes.

#include "dxf/draw_all_entities.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dxf/arrowhead_shapes.h"
#include "dxf/block_records.h"
#include "dxf/curve_fill_shapes.h"
#include "dxf/entity_registration.h"
#include "dxf/rv_dxf_import.h"
#include "model/rv_system.h"
#include "tools/cad_text.h"
#include "tools/utf8.h"

namespace ovix::draw_all {

using dxf_entities::Integer;
using dxf_entities::Real;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDegree = kPi / 180.0;

// Deepest nesting of block references followed; deeper ones are left out
// (a drawing that nests deeper is broken, and the stack stays small).
constexpr int kMaxNesting = 64;

bool IsType(const DxfRecordView& r, std::string_view type) { return r.Type() == type; }

// Reads a record's pairs: the common attributes go to `props`, the rest to
// `f(code, value)`.
template <typename F>
void ReadPairs(const DxfRecordView& record, LocalProps& props, F&& f) {
  for (int32_t i = 0; i < record.PairCount(); ++i) {
    const int32_t code = record.Code(i);
    const std::string_view v = record.Value(i);
    if (!ApplyProps(props, code, v)) f(code, v);
  }
}

// A text's estimated length along its baseline: characters times height
// times width factor, as the nine stores estimate it.
double EstimatedLength(const std::string& shown, double height, double width_factor) {
  return height * width_factor * static_cast<double>(utf8::Length(shown));
}

// TEXT and ATTRIB (the latter with its vertical alignment in code 74 and
// its visibility in code 70). False for an empty or hidden text.
bool DecodeText(const DxfRecordView& record, bool attrib, LocalShape& s) {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0, nz = 1, rotation = 0, width_factor = 1;
  bool second = false, hidden = false;
  int32_t h = 0, v = 0;
  ReadPairs(record, s.Props, [&](int32_t code, std::string_view value) {
    switch (code) {
      case 1: s.Text.Text.assign(value); break;
      case 7: s.Text.StyleName.assign(value); break;
      case 10: x1 = Real(value); break;
      case 20: y1 = Real(value); break;
      case 11: x2 = Real(value); second = true; break;
      case 21: y2 = Real(value); second = true; break;
      case 40: s.Text.Height = Real(value); break;
      case 41: width_factor = Real(value); break;
      case 50: rotation = Real(value); break;
      case 70: if (attrib) hidden = (Integer(value) & 1) != 0; break;
      case 72: h = Integer(value); break;
      case 73: if (!attrib) v = Integer(value); break;
      case 74: if (attrib) v = Integer(value); break;
      case 230: nz = Real(value); break;
      default: break;
    }
  });
  if (hidden || s.Text.Text.empty() || !(s.Text.Height > 0)) return false;
  if (width_factor < 0.001) width_factor = 1.0;
  s.Kind = ExtraShapeKind::Text;
  s.Text.WidthFactor = width_factor;
  const double height = s.Text.Height;
  const std::string shown = cadtext::DecodeSpecialCharacters(s.Text.Text);
  s.EstimatedWidth = EstimatedLength(shown, height, width_factor);
  double ax = x1, ay = y1;
  double dir = rotation * kDegree;
  const bool aligned_to_second = second && (h != 0 || v != 0);
  if (aligned_to_second && (h == 3 || h == 5)) {
    // Aligned and fitted texts run from the first point to the second.
    if (x2 != x1 || y2 != y1) dir = std::atan2(y2 - y1, x2 - x1);
    s.EstimatedWidth = std::hypot(x2 - x1, y2 - y1);
    s.Text.HAlign = ExtraTextHAlign::Left;
    s.Text.VAlign = ExtraTextVAlign::Baseline;
  } else {
    if (aligned_to_second) {
      ax = x2;
      ay = y2;
    }
    s.Text.HAlign = h == 1 || h == 4 ? ExtraTextHAlign::Center
                    : h == 2        ? ExtraTextHAlign::Right
                                    : ExtraTextHAlign::Left;
    s.Text.VAlign = h == 4  ? ExtraTextVAlign::Middle
                    : v == 1 ? ExtraTextVAlign::Bottom
                    : v == 2 ? ExtraTextVAlign::Middle
                    : v == 3 ? ExtraTextVAlign::Top
                             : ExtraTextVAlign::Baseline;
  }
  const Affine ocs = OcsTransform(nz);
  ocs.Apply(ax, ay, s.X, s.Y);
  ocs.ApplyLinear(height * std::cos(dir), height * std::sin(dir), s.UX, s.UY);
  ocs.ApplyLinear(-height * std::sin(dir), height * std::cos(dir), s.VX, s.VY);
  return true;
}

// Characters of the longest paragraph of a multiline text, its codes left
// out.
std::size_t LongestParagraph(const std::string& text) {
  const std::string shown = cadtext::StripMTextCodes(text);
  std::size_t longest = 0, current = 0;
  for (char c : shown) {
    if (c == '\n' || c == '\r') {
      longest = std::max(longest, current);
      current = 0;
    } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      ++current;
    }
  }
  return std::max(longest, current);
}

bool DecodeMtext(const DxfRecordView& record, LocalShape& s) {
  double x = 0, y = 0, rotation = 0, dx = 0, dy = 0;
  bool direction = false, complete = false, embedded = false;
  int32_t attach = 1;
  std::string chunks;
  ReadPairs(record, s.Props, [&](int32_t code, std::string_view value) {
    // The embedded object of recent versions (from code 101 on) repeats
    // codes 10, 11, 40 ... with other meanings.
    if (code == 101) embedded = true;
    if (embedded) return;
    switch (code) {
      case 1:
        s.Text.Text = chunks;
        s.Text.Text.append(value);
        complete = true;
        break;
      case 3: chunks.append(value); break;
      case 7: s.Text.StyleName.assign(value); break;
      case 10: x = Real(value); break;
      case 20: y = Real(value); break;
      case 11: dx = Real(value); direction = true; break;
      case 21: dy = Real(value); direction = true; break;
      case 40: s.Text.Height = Real(value); break;
      case 41: s.Text.BoxWidth = Real(value); break;
      case 50: rotation = Real(value); break;
      case 71: attach = Integer(value); break;
      default: break;
    }
  });
  if (!complete || s.Text.Text.empty() || s.Text.Text == "\\A1;" || !(s.Text.Height > 0)) {
    return false;
  }
  s.Kind = ExtraShapeKind::Text;
  s.Text.Multiline = true;
  if (!(s.Text.BoxWidth > 0) || !std::isfinite(s.Text.BoxWidth)) s.Text.BoxWidth = 0;
  if (attach < 1 || attach > 9) attach = 1;
  s.Text.HAlign = static_cast<ExtraTextHAlign>((attach - 1) % 3);
  s.Text.VAlign = attach <= 3   ? ExtraTextVAlign::Top
                  : attach <= 6 ? ExtraTextVAlign::Middle
                                : ExtraTextVAlign::Bottom;
  const double height = s.Text.Height;
  const double dir = direction && (dx != 0 || dy != 0) ? std::atan2(dy, dx) : rotation * kDegree;
  s.X = x;
  s.Y = y;
  s.UX = height * std::cos(dir);
  s.UY = height * std::sin(dir);
  s.VX = -s.UY;
  s.VY = s.UX;
  // The longest paragraph, wrapped at the reference width.
  s.EstimatedWidth = height * static_cast<double>(LongestParagraph(s.Text.Text));
  if (s.Text.BoxWidth > 0) s.EstimatedWidth = std::min(s.EstimatedWidth, s.Text.BoxWidth);
  return true;
}

// A closed outline with its corners in the DXF's order 1-2-4-3 (a triangle
// when the third and fourth coincide).
bool DecodeSolid(const DxfRecordView& record, bool face, LocalShape& s) {
  double px[4] = {0, 0, 0, 0}, py[4] = {0, 0, 0, 0}, nz = 1;
  bool has_fourth = false;
  int32_t invisible = 0;
  ReadPairs(record, s.Props, [&](int32_t code, std::string_view v) {
    if (code >= 10 && code <= 13) px[code - 10] = Real(v);
    else if (code >= 20 && code <= 23) py[code - 20] = Real(v);
    else if (code == 230) nz = Real(v);
    else if (code == 70) invisible = Integer(v);
    if (code == 13 || code == 23) has_fourth = true;
  });
  if (!has_fourth) {
    px[3] = px[2];
    py[3] = py[2];
  }
  // A 3D face lists its corners in order round the face; a solid or trace
  // zig-zags (1, 2, then 3 under 1 and 4 under 2).
  const int seq_face[4] = {0, 1, 2, 3};
  const int seq_solid[4] = {0, 1, 3, 2};
  const int* seq = face ? seq_face : seq_solid;
  const Affine ocs = face ? Affine{} : OcsTransform(nz);
  double x0 = 0, y0 = 0;
  ocs.Apply(px[seq[0]], py[seq[0]], x0, y0);
  s.Nodes.push_back(LineNode(x0, y0));
  for (int k = 1; k < 4; ++k) {
    double x = 0, y = 0;
    ocs.Apply(px[seq[k]], py[seq[k]], x, y);
    const ExtraNode& last = s.Nodes.back();
    if (x == last.X && y == last.Y) continue;
    s.Nodes.push_back(LineNode(x, y));
  }
  if (face && invisible != 0) {
    // Hidden edges of a face: drawn as the visible edges only, an open path
    // per run of visible edges is beyond the face's outline; all hidden
    // draws nothing.
    if ((invisible & 15) == 15) return false;
  }
  s.Kind = face ? ExtraShapeKind::Path : ExtraShapeKind::Fill;
  s.Closed = true;
  return s.Nodes.size() >= 2;
}

bool DecodeCurve(const DxfRecordView& record, LocalShape& s) {
  const std::string_view type = record.Type();
  double x = 0, y = 0, x2 = 0, y2 = 0, r = 0, a0 = 0, a1 = 360, nz = 1, ratio = 1;
  double t0 = 0, t1 = 2 * kPi;
  ReadPairs(record, s.Props, [&](int32_t code, std::string_view v) {
    switch (code) {
      case 10: x = Real(v); break;
      case 20: y = Real(v); break;
      case 11: x2 = Real(v); break;
      case 21: y2 = Real(v); break;
      case 40:
        if (type == "ELLIPSE") ratio = Real(v);
        else r = Real(v);
        break;
      case 41: t0 = Real(v); break;
      case 42: t1 = Real(v); break;
      case 50: a0 = Real(v); break;
      case 51: a1 = Real(v); break;
      case 230: nz = Real(v); break;
      default: break;
    }
  });
  s.Kind = ExtraShapeKind::Path;
  if (type == "LINE") {
    s.Nodes = {LineNode(x, y), LineNode(x2, y2)};
    return true;
  }
  if (type == "POINT") {
    s.Kind = ExtraShapeKind::Dot;
    s.Nodes = {LineNode(x, y)};
    return true;
  }
  if (type == "ELLIPSE") {
    // The minor axis is the extrusion crossed with the major axis.
    const double ux = nz < 0 ? y2 * ratio : -y2 * ratio;
    const double uy = nz < 0 ? -x2 * ratio : x2 * ratio;
    while (t1 <= t0) t1 += 2 * kPi;
    if (t1 - t0 > 2 * kPi) t1 = t0 + 2 * kPi;
    s.Nodes = EllipseNodes(x, y, x2, y2, ux, uy, t0, t1);
    s.Closed = std::fabs(t1 - t0 - 2 * kPi) < 1e-9;
    return s.Nodes.size() >= 2;
  }
  if (!(r > 0)) return false;
  const Affine ocs = OcsTransform(nz);
  std::vector<ExtraNode> nodes;
  if (type == "CIRCLE") {
    nodes.push_back(LineNode(x + r, y));
    AppendArc(nodes, x, y, r, 0, 2 * kPi);
    s.Closed = true;
  } else {
    double sweep = std::fmod(a1 - a0, 360.0);
    if (sweep <= 0) sweep += 360.0;
    const double start = a0 * kDegree;
    nodes.push_back(LineNode(x + r * std::cos(start), y + r * std::sin(start)));
    AppendArc(nodes, x, y, r, start, sweep * kDegree);
  }
  for (const ExtraNode& n : nodes) s.Nodes.push_back(ocs.Map(n));
  return true;
}

bool DecodeLeader(const DxfRecordView& record, LocalShape& s) {
  ReadPairs(record, s.Props, [&](int32_t code, std::string_view v) {
    if (code == 10) s.Nodes.push_back(LineNode(Real(v), 0));
    else if (code == 20 && !s.Nodes.empty()) s.Nodes.back().Y = Real(v);
  });
  s.Kind = ExtraShapeKind::Path;
  return s.Nodes.size() >= 2;
}

// INSERT (and MINSERT) with the ATTRIB records that follow it.
void DecodeInsert(const DxfRecordStore& store, std::size_t i, std::size_t& next,
                  LocalInsert& ins) {
  double x = 0, y = 0, sx = 1, sy = 1, rotation = 0, nz = 1, col_space = 0, row_space = 0;
  int32_t cols = 1, rows = 1;
  bool attribs_follow = false;
  ReadPairs(store.At(i), ins.Props, [&](int32_t code, std::string_view v) {
    switch (code) {
      case 2: ins.Block.assign(v); break;
      case 10: x = Real(v); break;
      case 20: y = Real(v); break;
      case 41: sx = Real(v); break;
      case 42: sy = Real(v); break;
      case 44: col_space = Real(v); break;
      case 45: row_space = Real(v); break;
      case 50: rotation = Real(v); break;
      case 66: attribs_follow = Integer(v) != 0; break;
      case 70: cols = Integer(v); break;
      case 71: rows = Integer(v); break;
      case 230: nz = Real(v); break;
      default: break;
    }
  });
  cols = std::max(cols, 1);
  rows = std::max(rows, 1);
  // The reference's own frame: placed at the insertion point, rotated, seen
  // through its coordinate system; the block's base point goes there after
  // scaling (applied when the block's base point is known).
  const Affine frame = OcsTransform(nz).Then(Affine::Translate(x, y)).Then(Affine::Rotation(rotation));
  const std::size_t cells = static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows);
  ins.Placements.reserve(std::min<std::size_t>(cells, 1u << 20));
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t c = 0; c < cols; ++c) {
      ins.Placements.push_back(frame.Then(Affine::Translate(c * col_space, r * row_space))
                                   .Then(Affine::Scaling(sx, sy)));
      if (ins.Placements.size() >= (1u << 20)) break;  // a runaway array
    }
    if (ins.Placements.size() >= (1u << 20)) break;
  }
  std::size_t j = i + 1;
  if (attribs_follow) {
    for (; j < store.Count(); ++j) {
      const DxfRecordView r = store.At(j);
      if (!IsType(r, "ATTRIB")) break;
      LocalShape a;
      if (DecodeText(r, true, a)) ins.Attribs.push_back(std::move(a));
    }
    if (j < store.Count() && IsType(store.At(j), "SEQEND")) ++j;
  }
  next = j;
}

double ExtrusionZ(const DxfRecordView& r) {
  double nz = 1;
  for (int32_t i = 0; i < r.PairCount(); ++i) {
    if (r.Code(i) == 230) nz = Real(r.Value(i));
  }
  return nz;
}

}  // namespace

bool ApplyProps(LocalProps& props, int32_t code, std::string_view value) {
  switch (code) {
    case 6: props.LineType.assign(value); return true;
    case 8: props.Layer.assign(value); return true;
    case 62: props.Color = Integer(value); return true;
    case 67: props.PaperSpace = Integer(value) == 1; return true;
    case 370: props.Weight = Integer(value); return true;
    default: return false;
  }
}

bool NeedsFaithfulDrawing(const DxfRecordView& r) {
  const std::string_view type = r.Type();
  if (type == "CIRCLE" || type == "ARC") return ExtrusionZ(r) < 0;
  bool needs = false;
  for (int32_t i = 0; i < r.PairCount() && !needs; ++i) {
    const int32_t code = r.Code(i);
    if (code == 101 && type == "MTEXT") break;  // its embedded object
    // Only the codes looked at are read as numbers (a handle such as
    // "1E310" is not one).
    const bool looked_at = code == 230 || code == 21 || code == 40 || code == 41 ||
                           code == 42 || code == 43 || code == 50 || code == 71 ||
                           code == 72 || code == 73;
    if (!looked_at) continue;
    const double v = Real(r.Value(i));
    if (code == 230 && v < 0) needs = true;
    if (type == "LWPOLYLINE") {
      needs = needs || ((code == 42 || code == 40 || code == 41 || code == 43) && v != 0);
    } else if (type == "ELLIPSE") {
      needs = needs || (code == 21 && v != 0) || (code == 41 && v != 0) ||
              (code == 42 && std::fabs(v - 2 * kPi) > 1e-9);
    } else if (type == "TEXT") {
      needs = needs || ((code == 50 || code == 72 || code == 73) && v != 0);
    } else if (type == "MTEXT") {
      needs = needs || (code == 50 && v != 0) || (code == 21 && v != 0) || (code == 71 && v != 1);
    }
  }
  if (!needs && type == "MTEXT") {
    // A multiline text wider than its reference width wraps.
    LocalShape s;
    if (DecodeMtext(r, s) && s.Text.BoxWidth > 0) {
      needs = s.Text.Height * static_cast<double>(LongestParagraph(s.Text.Text)) > s.Text.BoxWidth;
    }
  }
  return needs;
}

Decoded DecodeEntity(const DxfRecordStore& store, std::size_t i, std::size_t& next, bool in_block,
                     LocalList& list) {
  next = i + 1;
  const DxfRecordView r = store.At(i);
  const std::string_view type = r.Type();
  auto shape_done = [&](LocalShape&& s, bool ok) {
    if (!ok || s.Props.PaperSpace) return Decoded::Nothing;
    list.Items.push_back({false, list.Shapes.size()});
    list.Shapes.push_back(std::move(s));
    return Decoded::Shape;
  };
  if (const Decoded d = DecodeCurveFillEntity(store, i, next, list); d != Decoded::NotMine) {
    return d;
  }
  if (type == "INSERT" || type == "MINSERT") {
    LocalInsert ins;
    DecodeInsert(store, i, next, ins);
    if (ins.Props.PaperSpace) return Decoded::Nothing;
    list.Items.push_back({true, list.Inserts.size()});
    list.Inserts.push_back(std::move(ins));
    return Decoded::Insert;
  }
  if (type == "POLYLINE") {
    std::vector<LocalShape> shapes;
    DecodePolyline(store, i, next, shapes);
    bool any = false;
    for (LocalShape& s : shapes) any = shape_done(std::move(s), true) == Decoded::Shape || any;
    return any ? Decoded::Shape : Decoded::Nothing;
  }
  if (type == "SOLID" || type == "TRACE" || type == "3DFACE") {
    LocalShape s;
    const bool ok = DecodeSolid(r, type == "3DFACE", s);
    return shape_done(std::move(s), ok);
  }
  if (type == "POINT") {
    LocalShape s;
    return shape_done(std::move(s), DecodeCurve(r, s));
  }
  if (type == "ATTRIB" || type == "SEQEND" || type == "VERTEX") {
    // Followers without their leader: nothing to draw.
    return Decoded::Nothing;
  }
  const bool nine = type == "LINE" || type == "CIRCLE" || type == "ARC" || type == "ELLIPSE" ||
                    type == "LWPOLYLINE" || type == "TEXT" || type == "MTEXT";
  if (nine && !in_block && !NeedsFaithfulDrawing(r)) return Decoded::NotMine;
  LocalShape s;
  if (type == "LINE" || type == "CIRCLE" || type == "ARC" || type == "ELLIPSE") {
    return shape_done(std::move(s), DecodeCurve(r, s));
  }
  if (type == "LWPOLYLINE") return shape_done(std::move(s), DecodeLwPolyline(r, s));
  if (type == "TEXT") return shape_done(std::move(s), DecodeText(r, false, s));
  if (type == "MTEXT") return shape_done(std::move(s), DecodeMtext(r, s));
  if (type == "LEADER" && in_block) return shape_done(std::move(s), DecodeLeader(r, s));
  return Decoded::NotMine;
}

// ---- expansion ---------------------------------------------------------------

namespace {

// The attributes a block's contents resolve against: those of the
// reference that places them (after its own resolution).
struct Context {
  bool InBlock = false;
  std::string Layer;
  std::string LineType;
  int32_t Color = 7;
  int32_t Weight = -1;
};

bool IsByBlockType(const std::string& name) {
  if (name.size() != 7) return false;
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper == "BYBLOCK";
}

std::string UpperHandle(std::string_view handle) {
  std::string out(handle);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

// What a multileader style says of its arrowheads.
struct ArrowStyle {
  std::string Handle;  // block record of the arrow block ("": closed filled)
  double Size = 0;
};

// The multileader styles by handle.
std::unordered_map<std::string, ArrowStyle> ReadArrowStyles(const DxfRecordStore& objects) {
  std::unordered_map<std::string, ArrowStyle> styles;
  for (std::size_t i = 0; i < objects.Count(); ++i) {
    const DxfRecordView r = objects.At(i);
    if (r.Type() != "MLEADERSTYLE") continue;
    std::string handle;
    ArrowStyle style;
    for (int32_t k = 0; k < r.PairCount(); ++k) {
      switch (r.Code(k)) {
        case 5: handle = UpperHandle(r.Value(k)); break;
        case 341: style.Handle.assign(r.Value(k)); break;
        case 44: style.Size = Real(r.Value(k)); break;
        default: break;
      }
    }
    if (!handle.empty()) styles.emplace(handle, std::move(style));
  }
  return styles;
}

class Expander {
 public:
  Expander(const DxfRecordStore& blocks, const DxfRecordStore& objects, RvSystem& system)
      : table_(blocks), blocks_(blocks), store_(system.ExtraShapes()),
        arrow_styles_(ReadArrowStyles(objects)) {
    geometry_.resize(table_.Count());
    active_.assign(table_.Count(), false);
  }

  void Emit(const LocalList& list, const Affine& t, const Context& ctx, int32_t group,
            int depth) {
    for (const LocalItem& item : list.Items) {
      if (item.IsInsert) {
        EmitInsert(list.Inserts[item.Index], t, ctx, group, depth);
      } else {
        EmitShape(list.Shapes[item.Index], t, ctx, group);
      }
    }
  }

  // A block reference of model space: its pieces form one group named
  // after the block (a reference that draws nothing makes no group).
  void EmitTopInsert(const LocalInsert& ins) {
    if (ins.Arrowhead) {
      // A multileader's arrowhead stays apart, as its other pieces do.
      EmitInsert(ins, Affine{}, Context{}, -1, 0);
      return;
    }
    const int32_t group = store_.GroupCount();
    const std::size_t before = store_.Count();
    EmitInsert(ins, Affine{}, Context{}, group, 0);
    if (store_.Count() > before) store_.AddGroup(ins.Block);
  }

 private:
  void EmitInsert(const LocalInsert& ins, const Affine& t, const Context& ctx, int32_t group,
                  int depth) {
    if (ins.Arrowhead) {
      EmitArrowhead(ins, t, ctx, group, depth);
      return;
    }
    const Context inner = Resolve(ins.Props, ctx);
    // Dimension blocks: the dimension itself is drawn from its own data.
    const bool dimension_block = !ins.DimensionBlock && ins.Block.size() >= 2 &&
                                 ins.Block[0] == '*' && (ins.Block[1] == 'D' || ins.Block[1] == 'd');
    const int32_t id = ins.Block.empty() ? table_.FindByRecordHandle(ins.BlockRecordHandle)
                                         : table_.Find(ins.Block);
    if (id >= 0 && !dimension_block && depth < kMaxNesting && !active_[static_cast<std::size_t>(id)]) {
      const BlockDefinition& def = table_.At(id);
      const LocalList& contents = Contents(id);
      const Affine base = Affine::Translate(-def.BaseX, -def.BaseY);
      active_[static_cast<std::size_t>(id)] = true;
      for (const Affine& placement : ins.Placements) {
        Emit(contents, t.Then(placement).Then(base), inner, group, depth + 1);
      }
      active_[static_cast<std::size_t>(id)] = false;
    }
    // Attribute texts are placed in the reference's own space and keep their
    // own layer; by block they take the reference's colour, type and weight.
    Context attributes = inner;
    attributes.InBlock = false;
    for (const LocalShape& a : ins.Attribs) EmitShape(a, t, attributes, group);
  }

  // A multileader's arrowhead: the arrow block it names, else the one its
  // style names, else the closed filled arrow; a standard arrow from its
  // known shape, any other block from its definition.
  void EmitArrowhead(const LocalInsert& ins, const Affine& t, const Context& ctx, int32_t group,
                     int depth) {
    std::string handle = ins.BlockRecordHandle;
    double size = ins.ArrowSize;
    const auto style = arrow_styles_.find(UpperHandle(ins.StyleHandle));
    if (style != arrow_styles_.end()) {
      if (handle.empty()) handle = style->second.Handle;
      if (!(size > 0)) size = style->second.Size * ins.ArrowScale;
    }
    if (!(size > 0) || !std::isfinite(size)) return;
    const int32_t id = handle.empty() || handle == "0" ? -1 : table_.FindByRecordHandle(handle);
    const ArrowheadKind kind =
        id >= 0 ? ArrowheadKindOf(table_.At(id).Name) : ArrowheadKind::ClosedFilled;
    const Affine scale = Affine::Scaling(size, size);
    if (kind == ArrowheadKind::Block) {
      LocalInsert block;
      block.Props = ins.Props;
      block.BlockRecordHandle = table_.At(id).RecordHandle;
      for (const Affine& placement : ins.Placements) block.Placements.push_back(placement.Then(scale));
      EmitInsert(block, t, ctx, group, depth);
      return;
    }
    auto& slot = standard_arrows_[static_cast<std::size_t>(kind)];
    if (!slot) {
      slot = std::make_unique<LocalList>();
      AppendArrowheadShapes(kind, *slot);
    }
    const Context inner = Resolve(ins.Props, ctx);
    for (const Affine& placement : ins.Placements) {
      Emit(*slot, t.Then(placement).Then(scale), inner, group, depth + 1);
    }
  }

  static Context Resolve(const LocalProps& p, const Context& ctx) {
    Context c;
    c.InBlock = true;
    c.Layer = ctx.InBlock && p.Layer == "0" ? ctx.Layer : p.Layer;
    c.Color = p.Color == 0 ? ctx.Color : p.Color;
    c.LineType = IsByBlockType(p.LineType) ? ctx.LineType : p.LineType;
    c.Weight = p.Weight == -2 ? ctx.Weight : p.Weight;
    return c;
  }

  void EmitShape(const LocalShape& s, const Affine& t, const Context& ctx, int32_t group) {
    const Context c = Resolve(s.Props, ctx);
    ExtraShape out;
    out.Kind = s.Kind;
    out.Layer = c.Layer;
    out.LineType = c.LineType;
    out.Color = c.Color == 0 ? 7 : c.Color;
    out.LineWeight = c.Weight == -2 ? -1 : c.Weight;
    out.Width = s.Width * t.Scale();
    out.Closed = s.Closed;
    out.Group = group;
    out.Outline = s.Outline;
    out.FillRgb = s.FillRgb;
    out.FillTransparency = s.FillTransparency;
    out.DashCode = s.DashCode;
    if (s.Simplified) store_.CountSimplifiedHatch();
    if (s.Kind == ExtraShapeKind::Xline || s.Kind == ExtraShapeKind::Ray) {
      EmitConstructionLine(s, t, std::move(out));
      return;
    }
    if (s.Kind == ExtraShapeKind::Text) {
      EmitText(s, t, std::move(out));
      return;
    }
    nodes_.clear();
    nodes_.reserve(s.Nodes.size());
    for (const ExtraNode& n : s.Nodes) nodes_.push_back(t.Map(n));
    store_.AddShape(std::move(out), nodes_);
  }

  // A construction line: its point and direction mapped, cut to the
  // drawing's extents once they are known.
  void EmitConstructionLine(const LocalShape& s, const Affine& t, ExtraShape out) {
    if (s.Nodes.size() < 2) return;
    const ExtraNode a = t.Map(s.Nodes[0]), b = t.Map(s.Nodes[1]);
    const double dx = b.X - a.X, dy = b.Y - a.Y, len = std::hypot(dx, dy);
    if (!(len > 0) || !std::isfinite(len)) return;
    ConstructionLine line;
    line.Ray = s.Kind == ExtraShapeKind::Ray;
    out.Kind = ExtraShapeKind::Path;
    line.Shape = std::move(out);
    line.X = a.X;
    line.Y = a.Y;
    line.DX = dx / len;
    line.DY = dy / len;
    store_.AddConstructionLine(std::move(line));
  }

  void EmitText(const LocalShape& s, const Affine& t, ExtraShape out) {
    double x = 0, y = 0, ux = 0, uy = 0, vx = 0, vy = 0;
    t.Apply(s.X, s.Y, x, y);
    t.ApplyLinear(s.UX, s.UY, ux, uy);
    t.ApplyLinear(s.VX, s.VY, vx, vy);
    const double base_height = std::hypot(s.UX, s.UY);
    const double u_len = std::hypot(ux, uy);
    const double height = std::hypot(vx, vy);
    if (!(height > 0) || !(u_len > 0) || !(base_height > 0)) return;
    ExtraText text = s.Text;
    if (ux * vy - uy * vx < 0) {
      // A mirrored text is shown readable, in the place the mirror gives
      // it: its baseline turned to run left of its up direction, and its
      // horizontal alignment swapped.
      ux = vy / height * u_len;
      uy = -vx / height * u_len;
      if (text.HAlign == ExtraTextHAlign::Left) text.HAlign = ExtraTextHAlign::Right;
      else if (text.HAlign == ExtraTextHAlign::Right) text.HAlign = ExtraTextHAlign::Left;
    }
    text.X = x;
    text.Y = y;
    text.Height = height;
    text.Rotation = std::atan2(uy, ux) / kDegree;
    const double stretch = u_len / base_height;
    text.BoxWidth = s.Text.BoxWidth * stretch;
    // The estimated box round the alignment point, for the extents.
    const double w = s.EstimatedWidth * stretch;
    const double ex = ux / u_len, ey = uy / u_len;  // along the baseline
    const double nx = -ey, ny = ex;                 // up
    double left = 0, bottom = 0;
    switch (text.HAlign) {
      case ExtraTextHAlign::Left: left = 0; break;
      case ExtraTextHAlign::Center: left = -w / 2; break;
      case ExtraTextHAlign::Right: left = -w; break;
    }
    switch (text.VAlign) {
      case ExtraTextVAlign::Baseline:
      case ExtraTextVAlign::Bottom: bottom = 0; break;
      case ExtraTextVAlign::Middle: bottom = -height / 2; break;
      case ExtraTextVAlign::Top: bottom = -height; break;
    }
    RvPoint3 corners[4];
    const double along[4] = {left, left + w, left + w, left};
    const double up[4] = {bottom, bottom, bottom + height, bottom + height};
    for (int k = 0; k < 4; ++k) {
      corners[k] = {x + ex * along[k] + nx * up[k], y + ey * along[k] + ny * up[k], 0.0};
    }
    store_.AddText(std::move(out), std::move(text), corners);
  }

  const LocalList& Contents(int32_t id) {
    auto& slot = geometry_[static_cast<std::size_t>(id)];
    if (!slot) {
      slot = std::make_unique<LocalList>();
      const BlockDefinition& def = table_.At(id);
      for (std::size_t k = def.First; k < def.End;) {
        std::size_t next = k + 1;
        DecodeEntity(blocks_, k, next, true, *slot);
        k = std::max(next, k + 1);
      }
    }
    return *slot;
  }

  BlockTable table_;
  const DxfRecordStore& blocks_;
  ExtraShapeStore& store_;
  std::vector<std::unique_ptr<LocalList>> geometry_;
  std::vector<bool> active_;
  std::unordered_map<std::string, ArrowStyle> arrow_styles_;
  std::unique_ptr<LocalList> standard_arrows_[static_cast<std::size_t>(ArrowheadKind::Block) + 1];
  std::vector<ExtraNode> nodes_;
};

}  // namespace

void ExpandDrawing(const DxfRecordStore& entities, const DxfRecordStore& blocks,
                   const DxfRecordStore& objects, RvSystem& system, std::vector<bool>& taken) {
  taken.assign(entities.Count(), false);
  Expander expander(blocks, objects, system);
  // A wipeout hides what comes before it: everything before the last one
  // is drawn here too, in file order, so that it lies below the wipeout.
  std::size_t last_wipeout = 0;
  for (std::size_t i = 0; i < entities.Count(); ++i) {
    if (entities.At(i).Type() == "WIPEOUT") last_wipeout = i;
  }
  LocalList list;
  for (std::size_t i = 0; i < entities.Count();) {
    std::size_t next = i + 1;
    list.Shapes.clear();
    list.Inserts.clear();
    list.Items.clear();
    list.GroupName.clear();
    Decoded d = Decoded::NotMine;
    try {
      d = DecodeEntity(entities, i, next, i < last_wipeout, list);
    } catch (const DxfDataError&) {
      throw;
    } catch (const RvError& e) {
      // A value that cannot be used, named with its record.
      const DxfRecordView r = entities.At(i);
      throw DxfDataError(e, r.Line(), std::string(r.Type()));
    }
    if (!list.GroupName.empty() && list.Items.size() >= 2) {
      // The pieces of one entity (a hatch's pattern lines) as one group.
      next = std::max(next, i + 1);
      for (std::size_t k = i; k < next; ++k) taken[k] = true;
      expander.Emit(list, Affine{}, Context{}, system.ExtraShapes().AddGroup(list.GroupName), 0);
      i = next;
      continue;
    }
    next = std::max(next, i + 1);
    if (d != Decoded::NotMine) {
      for (std::size_t k = i; k < next; ++k) taken[k] = true;
    }
    for (const LocalItem& item : list.Items) {
      if (item.IsInsert) {
        expander.EmitTopInsert(list.Inserts[item.Index]);
      } else {
        LocalList one;
        one.Shapes.push_back(std::move(list.Shapes[item.Index]));
        one.Items.push_back({false, 0});
        expander.Emit(one, Affine{}, Context{}, -1, 0);
      }
    }
    i = next;
  }
}

}  // namespace ovix::draw_all
