// The shapes of the "draw everything" option (the model's extra shapes):
// outlines of straight and Bézier segments as freeforms (a two-node
// straight outline as a line), solids as filled freeforms, points as small
// filled dots, texts as text boxes rotated about their alignment point, and
// the pieces of one block reference as one group named after the block.
#include <cmath>
#include <string>
#include <unordered_map>
#include <vector>

#include "excel/drawing_pass.h"
#include "excel/rv_excel_export.h"
#include "model/rv_system.h"
#include "tools/cad_text.h"
#include "tools/numeric.h"
#include "tools/utf8.h"

namespace ovix {

namespace {

// Text boxes keep this share of the font size free on every side, and a
// line of text is this many font sizes deep.
constexpr double kTextInset = 0.1;
constexpr double kLineDepth = 1.2;

// What a layer resolves to, looked up once per layer name.
struct LayerLook {
  bool Visible = false;
  int32_t Color = 7;
  double WidthMm = -1;
  int16_t Dash = -1;
};

class Resolver {
 public:
  explicit Resolver(const RvSystem& m) : m_(m) {
    for (int32_t id = 0; id < m.LayerCount(); ++id) first_layer_.emplace(m.LayerName(id), id);
    for (int32_t id = 0; id < m.TextStyleCount(); ++id) {
      if (auto style = m.GetTextStyle(id)) styles_.emplace(style->Name, *style);
    }
  }

  const LayerLook& Layer(const std::string& name) {
    auto it = layers_.find(name);
    if (it != layers_.end()) return it->second;
    LayerLook look;
    look.Visible = DrawingPass::LayerVisible(m_.GetLayerFlagFromName(name));
    const auto first = first_layer_.find(name);
    if (first != first_layer_.end()) look.Color = m_.LayerColor(first->second);
    look.WidthMm = m_.GetLayerLineWidthFromLayerName(name);
    look.Dash = m_.GetLayerLineTypeFromLayerName(name);
    return layers_.emplace(name, look).first->second;
  }

  int32_t Color(const ExtraShape& s) {
    int32_t c = s.Color;
    if (c < 1 || c > 255) c = std::abs(Layer(s.Layer).Color);
    return c < 1 || c > 255 ? 7 : c;
  }
  int32_t Weight(const ExtraShape& s) {
    if (s.LineWeight >= 0) return num::ToInt32(s.LineWeight / 100.0);
    if (s.LineWeight == -1) {
      const double mm = Layer(s.Layer).WidthMm;
      return mm > 0 ? num::ToInt32(mm) : 0;
    }
    return 0;
  }
  int16_t Dash(const ExtraShape& s) {
    if (s.DashCode >= 0) return s.DashCode;
    int16_t code = -1;
    if (!s.LineType.empty()) code = m_.GetLineTypeFromLineStyle(s.LineType);
    if (code < 0) code = Layer(s.Layer).Dash;
    return code < 0 ? 0 : code;
  }
  const TextStyleRecord* Style(const std::string& name) const {
    const auto it = styles_.find(name.empty() ? std::string("Standard") : name);
    return it == styles_.end() ? nullptr : &it->second;
  }

 private:
  const RvSystem& m_;
  std::unordered_map<std::string, int32_t> first_layer_;
  std::unordered_map<std::string, LayerLook> layers_;
  std::unordered_map<std::string, TextStyleRecord> styles_;
};

}  // namespace

bool RvExcelExport::ExtraShapesEmpty() const {
  return !system_ || system_->ExtraShapes().Empty();
}

int32_t RvExcelExport::DrawExtraShapes() {
  if (!system_bound_ || !excel_excute_) return 0;
  const ExtraShapeStore& store = Model().ExtraShapes();
  if (store.Empty()) return 0;
  int32_t drawn = 0;
  try {
    DrawingPass pass(*this, static_cast<int64_t>(store.Count()));
    Resolver resolve(Model());
    std::unordered_map<std::string, int32_t> group_uses;
    std::vector<std::string> names;
    int32_t open_group = -1;
    auto close_group = [&] {
      if (names.size() >= 2) {
        try {
          auto group = pass.shapes().Range(names)->Group();
          const std::string& block = store.GroupName(open_group);
          const int32_t use = ++group_uses[block];
          const std::string name = use == 1 ? block : block + " " + std::to_string(use);
          try {
            group->SetName(name);
          } catch (const excel::AutomationError&) {
            // A name the sheet already has: the group keeps its own.
          }
        } catch (const excel::AutomationError&) {
          // The pieces stay on the sheet ungrouped.
        }
      }
      names.clear();
    };
    for (std::size_t i = 0; i < store.Count(); ++i) {
      pass.Progress(static_cast<int64_t>(i));
      const ExtraShape& s = store.At(i);
      if (s.Group != open_group) {
        close_group();
        open_group = s.Group;
      }
      if (!resolve.Layer(s.Layer).Visible) continue;
      std::shared_ptr<excel::Shape> shape;
      const int32_t color = resolve.Color(s);
      if (s.Kind == ExtraShapeKind::Text) {
        const TextStyleRecord* style = resolve.Style(store.TextOf(s).StyleName);
        shape = DrawExtraText(pass.shapes(), store.TextOf(s), color,
                              style ? style->FontName : std::string(),
                              style ? style->Flags : int16_t{0}, pass.matrix());
      } else {
        const double weight =
            std::max(LineWeightFor(resolve.Weight(s)), s.Width * std::fabs(scale_x_));
        shape = DrawExtraOutline(pass.shapes(), s, store.Nodes(s), weight, resolve.Dash(s), color,
                                 pass.matrix());
      }
      if (!shape) continue;
      ++drawn;
      if (s.Group >= 0) names.push_back(shape->Name());
    }
    close_group();
    return drawn;
  } catch (const std::exception& error) {
    NoteError(error);
    return -1;
  }
}

std::shared_ptr<excel::Shape> RvExcelExport::DrawExtraOutline(excel::Shapes& shapes,
                                                              const ExtraShape& s,
                                                              std::span<const ExtraNode> nodes,
                                                              double weight, int16_t dash,
                                                              int32_t color,
                                                              const RvMatrix& matrix) {
  if (nodes.empty()) return nullptr;
  auto map = [&](double x, double y) { return MapPoint({x, y, 0.0}, matrix); };
  std::shared_ptr<excel::Shape> shape;
  const RvPoint3 p0 = map(nodes[0].X, nodes[0].Y);
  const int16_t k = static_cast<int16_t>(color);
  const bool straight_line = nodes.size() == 2 && !nodes[1].Curve && !s.Closed;
  // A line whose ends meet is drawn as the dot CAD programs show.
  const bool no_length = straight_line && nodes[1].X == nodes[0].X && nodes[1].Y == nodes[0].Y;
  if (s.Kind == ExtraShapeKind::Dot || no_length) {
    // A dot as wide as the line weight (at least a point) of the point's colour.
    const double d = std::max(weight, 1.0);
    shape = shapes.AddShape(excel::kShapeOval, p0[0] - d / 2, p0[1] - d / 2, d, d);
    shape->Line()->SetVisible(excel::kFalse);
    auto fill = shape->Fill();
    fill->SetVisible(excel::kTrue);
    fill->ForeColor()->SetSchemeColor(GetLineSchemeColor(k));
    return shape;
  }
  if (straight_line) {
    const RvPoint3 p1 = map(nodes[1].X, nodes[1].Y);
    shape = shapes.AddLine(p0[0], p0[1], p1[0], p1[1]);
  } else {
    auto builder = shapes.BuildFreeform(excel::kEditingCorner, p0[0], p0[1]);
    std::size_t added = 0;
    for (std::size_t n = 1; n < nodes.size(); ++n) {
      const ExtraNode& node = nodes[n];
      const RvPoint3 to = map(node.X, node.Y);
      if (node.Curve) {
        const RvPoint3 c1 = map(node.C1X, node.C1Y);
        const RvPoint3 c2 = map(node.C2X, node.C2Y);
        builder->AddNodes(excel::kSegmentCurve, excel::kEditingCorner, c1[0], c1[1], c2[0], c2[1],
                          to[0], to[1]);
      } else {
        builder->AddNodes(excel::kSegmentLine, excel::kEditingCorner, to[0], to[1]);
      }
      ++added;
    }
    const ExtraNode& last = nodes.back();
    if (s.Closed && (last.X != nodes[0].X || last.Y != nodes[0].Y)) {
      builder->AddNodes(excel::kSegmentLine, excel::kEditingCorner, p0[0], p0[1]);
      ++added;
    }
    if (added == 0) builder->AddNodes(excel::kSegmentLine, excel::kEditingCorner, p0[0], p0[1]);
    shape = builder->ConvertToShape();
  }
  auto line = shape->Line();
  line->SetWeight(weight);
  line->SetDashStyle(DashStyleFor(dash));
  line->ForeColor()->SetSchemeColor(GetLineSchemeColor(k));
  if (!s.Outline) line->SetVisible(excel::kFalse);
  if (!straight_line) {
    auto fill = shape->Fill();
    if (s.Kind == ExtraShapeKind::Fill) {
      fill->SetVisible(excel::kTrue);
      // A true colour (a wipeout's white, a gradient's first colour) as it
      // is; white stays white in monochrome, any other becomes black.
      const bool white = s.FillRgb == 0xFFFFFF;
      if (s.FillRgb >= 0 && (!Monochrome() || white)) fill->ForeColor()->SetRGB(s.FillRgb);
      else fill->ForeColor()->SetSchemeColor(GetLineSchemeColor(k));
    } else {
      fill->SetVisible(excel::kFalse);
    }
    fill->SetTransparency(s.Kind == ExtraShapeKind::Fill ? s.FillTransparency : 0.0);
  }
  return shape;
}

std::shared_ptr<excel::Shape> RvExcelExport::DrawExtraText(excel::Shapes& shapes,
                                                           const ExtraText& t, int32_t color,
                                                           const std::string& fontFile,
                                                           int16_t styleFlags,
                                                           const RvMatrix& matrix) {
  std::string shown;
  RichTextAttribute rich;
  if (t.Multiline) {
    rich = tools_.GetRichTextAttribute(tools_.SetMTextCR(t.Text));
    shown = cadtext::DecodeSpecialCharacters(cadtext::StripMTextCodes(rich.Text));
  } else {
    rich = tools_.GetRichTextAttribute(t.Text);
    shown = cadtext::DecodeSpecialCharacters(rich.Text);
  }
  if (shown.empty()) return nullptr;
  const RvPoint3 anchor = MapPoint({t.X, t.Y, 0.0}, matrix);
  double size = t.Height * std::fabs(scale_y_);
  if (!(size >= 1.0)) size = 1.0;
  auto shape = shapes.AddTextbox(excel::kOrientationHorizontal, anchor[0], anchor[1], size, size);
  shape->Select();
  auto& app = App();
  auto selection = app.Selection();
  selection->Characters()->SetText(shown);
  std::string font = fontFile == "ROMANS" ? std::string() : GetExcelFontName(fontFile);
  auto characters = selection->Characters(1, static_cast<int32_t>(utf8::Length(shown)))->Font();
  if (!font.empty()) characters->SetName(font);
  characters->SetFontStyle(rich.Bold && rich.Italic ? "太字 斜体"
                           : rich.Bold              ? "太字"
                           : rich.Italic            ? "斜体"
                                                    : "標準");
  characters->SetSize(size);
  characters->SetUnderline(rich.Underline);
  characters->SetColorIndex(GetFontColorIndex(static_cast<int16_t>(color)));
  selection->SetHorizontalAlignment(t.HAlign == ExtraTextHAlign::Center ? excel::kAlignCenter
                                    : t.HAlign == ExtraTextHAlign::Right ? excel::kAlignRight
                                                                         : excel::kAlignLeft);
  selection->SetAutoSize(true);
  selection->SetAddIndent(false);
  shape->Fill()->SetVisible(excel::kFalse);
  shape->Line()->SetVisible(excel::kFalse);
  (void)styleFlags;

  double width = shape->Width();
  double height = shape->Height();
  const double inset = kTextInset * size;
  // A multiline text wider than its reference width wraps inside it.
  const double wrap = t.BoxWidth * std::fabs(scale_x_);
  if (wrap > 0 && width > wrap + 2 * inset) {
    const double lines = std::ceil((width - 2 * inset) / wrap);
    auto range = selection->ShapeRange();
    range->ScaleWidth((wrap + 2 * inset) / width, false, excel::kScaleFromTopLeft);
    range->ScaleHeight((height + (lines - 1) * kLineDepth * size) / height, false,
                       excel::kScaleFromTopLeft);
    width = shape->Width();
    height = shape->Height();
  }
  // The box's top-left corner relative to the alignment point, before the
  // rotation (sheet y runs down).
  double left = -inset;
  if (t.HAlign == ExtraTextHAlign::Center) left = -width / 2;
  if (t.HAlign == ExtraTextHAlign::Right) left = inset - width;
  double top = 0;
  switch (t.VAlign) {
    case ExtraTextVAlign::Top: top = -inset; break;
    case ExtraTextVAlign::Middle: top = -height / 2; break;
    case ExtraTextVAlign::Bottom: top = inset - height; break;
    case ExtraTextVAlign::Baseline: top = inset + 0.25 * size - height; break;
  }
  // The box turns about its centre: place the centre where the rotation
  // about the alignment point takes it.
  const double a = t.Rotation * 3.14159265358979323846 / 180.0;
  const double ox = left + width / 2, oy = top + height / 2;
  const double cx = anchor[0] + ox * std::cos(a) + oy * std::sin(a);
  const double cy = anchor[1] - ox * std::sin(a) + oy * std::cos(a);
  shape->IncrementLeft(cx - width / 2 - shape->Left());
  shape->IncrementTop(cy - height / 2 - shape->Top());
  if (t.Rotation != 0) shape->SetRotation(-t.Rotation);
  return shape;
}

}  // namespace ovix
