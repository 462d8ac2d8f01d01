// xl/drawings/drawingN.xml: the shapes of a sheet.
//
// Each top-level shape or group of a sheet the engine created sits in an
// absoluteAnchor at its a:xfrm: its place does not depend on the column
// widths, which every reader derives from the default font's digit width
// (LibreOffice without ＭＳ Ｐゴシック makes the columns wider, so cell anchors
// would stretch the drawing). On a sheet of an opened workbook new shapes sit
// in a twoCellAnchor whose cells and offsets, taken from the sheet's own
// columns and rows, match the a:xfrm. (LibreOffice grows a self-sizing text
// box in a oneCellAnchor or an absoluteAnchor about its centre when its
// substitute font is wider: the text then starts a few points early, which
// costs far less than columns of the wrong width.) Positions are whole EMU.
// Lines are connectors
// with flips; ovals and rectangles preset geometries; arcs the "arc" preset on
// the box of their whole ellipse (or, when that box would leave the sheet, a
// custom path of the arc itself); freeforms custom geometry of cubic Béziers;
// text boxes rectangles with a text body; groups hold their members with an
// identity child transform, so every member keeps absolute sheet EMU however
// deep it is nested. A drawing loaded from an opened workbook keeps its root
// element and its shapes' markup (see loaded_shapes.h); new shapes follow
// them.
#include <algorithm>
#include <cmath>
#include <span>
#include <unordered_map>

#include "workbook/color_palette.h"
#include "workbook/loaded_shapes.h"
#include "workbook/text_metrics.h"
#include "workbook/xlsx_parts.h"

namespace ovix::workbook {

namespace {

constexpr int64_t kAngleUnitsPerDegree = 60000;
constexpr int64_t kFullCircleAngle = 360 * kAngleUnitsPerDegree;

struct EmuBox {
  int64_t x0 = 0;
  int64_t y0 = 0;
  int64_t x1 = 0;
  int64_t y1 = 0;
  int64_t width() const { return x1 - x0; }
  int64_t height() const { return y1 - y0; }
};

EmuBox BoxOf(double left, double top, double width, double height) {
  return {PointsToEmu(left), PointsToEmu(top), PointsToEmu(left + width), PointsToEmu(top + height)};
}

double Normalized(double degrees) {
  double d = std::fmod(degrees, 360.0);
  if (d < 0) d += 360.0;
  return d;
}

// Arc: the ellipse's centre is the frame's bottom-left corner and its radii
// the frame's width and height; it runs counter-clockwise from the angle of
// adjustment 2 to that of adjustment 1.
struct ArcShape {
  double cx, cy, rx, ry;
  double start;  // degrees, counter-clockwise
  double sweep;  // degrees, 0 < sweep <= 360
};

ArcShape ArcOf(const ShapeNode& node) {
  ArcShape arc;
  arc.cx = node.left;
  arc.cy = node.top + node.height;
  arc.rx = node.width;
  arc.ry = node.height;
  arc.start = Normalized(node.adjustments()[1]);
  arc.sweep = Normalized(node.adjustments()[0] - node.adjustments()[1]);
  // Equal angles draw the whole ellipse, as the preset does.
  if (arc.sweep == 0) arc.sweep = 360;
  return arc;
}

// The preset draws on the whole ellipse's box; that box must not leave the
// sheet, or the shape would have to be pushed back onto it.
bool ArcFitsAsPreset(const ShapeNode& node) {
  const EmuBox box = BoxOf(node.left - node.width, node.top, 2 * node.width, 2 * node.height);
  return box.x0 >= 0 && box.y0 >= 0;
}

BezierPath ArcPath(const ShapeNode& node) {
  const ArcShape arc = ArcOf(node);
  return EllipticArcPath(arc.cx, arc.cy, arc.rx, arc.ry, arc.start, arc.sweep);
}

// The box the shape is written with, in sheet EMU.
EmuBox WrittenBox(const ShapeNode& node) {
  if (node.kind == ShapeKind::kArc) {
    if (ArcFitsAsPreset(node)) {
      return BoxOf(node.left - node.width, node.top, 2 * node.width, 2 * node.height);
    }
    const Box b = PathBounds(ArcPath(node));
    return BoxOf(b.left, b.top, b.width(), b.height());
  }
  return BoxOf(node.left, node.top, node.width, node.height);
}

const char* DashName(int32_t dash) {
  switch (dash) {
    case excel::kLineSquareDot: return "sysDash";
    case excel::kLineRoundDot: return "sysDot";
    case excel::kLineDash: return "dash";
    case excel::kLineDashDot: return "dashDot";
    case excel::kLineDashDotDot: return "lgDashDotDot";
    case excel::kLineLongDash: return "lgDash";
    case excel::kLineLongDashDot: return "lgDashDot";
    case 9: return "lgDashDotDot";
    case 10: return "sysDash";
    case 11: return "sysDot";
    case 12: return "sysDashDot";
    default: return "solid";
  }
}

const char* CompoundName(int32_t style) {
  switch (style) {
    case excel::kLineThinThin: return "dbl";
    case excel::kLineThinThick: return "thinThick";
    case excel::kLineThickThin: return "thickThin";
    case excel::kLineThickBetweenThin: return "tri";
    default: return "sng";
  }
}

const char* ArrowType(int32_t style) {
  switch (style) {
    case excel::kArrowheadTriangle: return "triangle";
    case excel::kArrowheadOpen: return "arrow";
    case excel::kArrowheadStealth: return "stealth";
    case excel::kArrowheadDiamond: return "diamond";
    case excel::kArrowheadOval: return "oval";
    default: return "none";
  }
}

const char* ArrowSize(int32_t size) {
  switch (size) {
    case 1: return "sm";
    case 3: return "lg";
    default: return "med";
  }
}

const char* Alignment(int32_t alignment) {
  switch (alignment) {
    case excel::kAlignCenter: return "ctr";
    case excel::kAlignRight: return "r";
    case -4130: return "just";
    case -4117: return "dist";
    default: return "l";
  }
}

class DrawingWriter {
 public:
  DrawingWriter(const Drawing& drawing, const SheetGrid& grid, XmlBuffer& out, const LoadedDrawing* source,
                DrawingAnchors anchors)
      : drawing_(drawing), grid_(grid), x_(out), source_(source), anchors_(anchors) {}

  void Write() {
    WriteStart();
    drawing_.ForEachTopLevel([&](const ShapeNode& node) { WriteAnchor(node); });
    WriteEnd();
  }

  void WriteStart() {
    x_.Raw(kXmlDeclaration);
    if (source_ != nullptr) {
      WriteLoadedRootStart(*source_, x_);
    } else {
      x_.Raw("<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
             "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">");
    }
  }

  void WriteAnchors(std::span<const ShapeNode* const> shapes) {
    for (const ShapeNode* node : shapes) WriteAnchor(*node);
  }

  void WriteEnd() {
    if (source_ != nullptr) {
      WriteLoadedOtherChildren(*source_, x_);
      WriteLoadedRootEnd(*source_, x_);
    } else {
      x_.Raw("</xdr:wsDr>");
    }
  }

 private:
  // How far a shape that is not a group is pushed to lie on the sheet: a
  // shape is never placed left of or above the sheet, grouped or not.
  static std::pair<int64_t, int64_t> Push(const EmuBox& box) {
    return {box.x0 < 0 ? -box.x0 : 0, box.y0 < 0 ? -box.y0 : 0};
  }

  // Group boxes are the union of their members' written boxes, each member
  // pushed onto the sheet as it would be on its own: a group's frame is its
  // members' frame exactly, so grouping moves nothing, and a member that
  // reaches off the sheet does not shift the rest of the group.
  EmuBox Measure(const ShapeNode& node) {
    if (node.kind != ShapeKind::kGroup) {
      EmuBox box = WrittenBox(node);
      const auto [dx, dy] = Push(box);
      box.x0 += dx;
      box.x1 += dx;
      box.y0 += dy;
      box.y1 += dy;
      return box;
    }
    EmuBox box = Measure(*node.children().front());
    for (size_t i = 1; i < node.children().size(); ++i) {
      const EmuBox b = Measure(*node.children()[i]);
      box.x0 = std::min(box.x0, b.x0);
      box.y0 = std::min(box.y0, b.y0);
      box.x1 = std::max(box.x1, b.x1);
      box.y1 = std::max(box.y1, b.y1);
    }
    group_boxes_[&node] = box;
    return box;
  }

  void WriteAnchor(const ShapeNode& node) {
    group_boxes_.clear();
    Measure(node);
    // A shape is never placed left of or above the sheet: it is pushed onto
    // it (a group's members are pushed one by one, so the group lies on it).
    const EmuBox box = node.kind == ShapeKind::kGroup ? group_boxes_.at(&node) : WrittenBox(node);
    const auto [dx, dy] = node.kind == ShapeKind::kGroup ? std::pair<int64_t, int64_t>{0, 0}
                                                         : Push(box);
    if (node.kind == ShapeKind::kLoaded) {
      WriteLoadedTopLevel(node, grid_, dx, dy, x_);
      return;
    }
    if (anchors_ == DrawingAnchors::kAbsolute) {
      x_.Raw("<xdr:absoluteAnchor><xdr:pos x=\"").Int(box.x0 + dx).Raw("\" y=\"").Int(box.y0 + dy);
      x_.Raw("\"/><xdr:ext cx=\"").Int(box.width()).Raw("\" cy=\"").Int(box.height()).Raw("\"/>");
      WriteShape(node, dx, dy);
      x_.Raw("<xdr:clientData/></xdr:absoluteAnchor>");
      return;
    }
    const CellPosition from = grid_.CellAt(box.x0 + dx, box.y0 + dy);
    const CellPosition to = grid_.CellAt(box.x1 + dx, box.y1 + dy);
    x_.Raw("<xdr:twoCellAnchor");
    if (source_ != nullptr && !source_->engine_prefixes_bound) {
      // The opened part binds the prefixes otherwise: the anchor declares them.
      x_.Raw(" xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
             "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"");
    }
    x_.Raw("><xdr:from>");
    Cell(from);
    x_.Raw("</xdr:from><xdr:to>");
    Cell(to);
    x_.Raw("</xdr:to>");
    WriteShape(node, dx, dy);
    x_.Raw("<xdr:clientData/></xdr:twoCellAnchor>");
  }

  void Cell(const CellPosition& p) {
    x_.Raw("<xdr:col>").Int(p.column).Raw("</xdr:col><xdr:colOff>").Int(p.column_offset);
    x_.Raw("</xdr:colOff><xdr:row>").Int(p.row).Raw("</xdr:row><xdr:rowOff>").Int(p.row_offset);
    x_.Raw("</xdr:rowOff>");
  }

  // (dx, dy) moves a top-level shape onto the sheet; members of groups are
  // written where they are, in their group's child space.
  void WriteShape(const ShapeNode& node, int64_t dx, int64_t dy) {
    switch (node.kind) {
      case ShapeKind::kLine: WriteLine(node, dx, dy); break;
      case ShapeKind::kGroup: WriteGroup(node, dx, dy); break;
      case ShapeKind::kLoaded: WriteLoadedMember(node, x_); break;
      default: WriteSp(node, dx, dy); break;
    }
  }

  void NonVisual(const ShapeNode& node) {
    x_.Raw("<xdr:cNvPr").Attr("id", node.id);
    if (node.HasGivenName()) {
      x_.Attr("name", node.GivenName());
    } else {
      x_.Raw(" name=\"").Raw(node.BaseName()).Raw(" ").Int(node.DefaultNumber()).Raw("\"");
    }
    x_.Raw("/>");
  }

  void Xfrm(const EmuBox& box, int64_t dx, int64_t dy, bool flip_h = false, bool flip_v = false,
            double rotation = 0) {
    x_.Raw("<a:xfrm");
    // Rotation in 60000ths of a degree, clockwise.
    if (rotation != 0) x_.Raw(" rot=\"").Int(static_cast<int64_t>(std::llround(rotation * 60000.0))).Raw("\"");
    if (flip_h) x_.Raw(" flipH=\"1\"");
    if (flip_v) x_.Raw(" flipV=\"1\"");
    x_.Raw("><a:off x=\"").Int(box.x0 + dx).Raw("\" y=\"").Int(box.y0 + dy);
    x_.Raw("\"/><a:ext cx=\"").Int(box.width()).Raw("\" cy=\"").Int(box.height()).Raw("\"/></a:xfrm>");
  }

  void Color(const ShapeColor& color, uint32_t automatic, double transparency) {
    const uint32_t rgb = color.automatic ? automatic : color.rgb;
    static const char kHex[] = "0123456789ABCDEF";
    char hex[6];
    for (int i = 0; i < 6; ++i) hex[i] = kHex[(rgb >> (20 - 4 * i)) & 0xF];
    x_.Raw("<a:srgbClr val=\"").Raw(std::string_view(hex, 6)).Raw("\"");
    if (transparency > 0) {
      x_.Raw("><a:alpha val=\"").Int(std::llround((1.0 - transparency) * 100000)).Raw("\"/></a:srgbClr>");
    } else {
      x_.Raw("/>");
    }
  }

  void Fill(const ShapeNode& node) {
    if (!node.fill.visible || node.kind == ShapeKind::kLine) {
      x_.Raw("<a:noFill/>");
      return;
    }
    x_.Raw("<a:solidFill>");
    Color(node.fill.color, 0xFFFFFF, node.fill.transparency);
    x_.Raw("</a:solidFill>");
  }

  // `swap_ends`: the path runs from the shape's end to its beginning (arcs).
  void Outline(const LineStyle& line, bool swap_ends = false) {
    x_.Raw("<a:ln w=\"").Int(PointsToEmu(line.weight)).Raw("\"");
    if (line.dash_style == excel::kLineRoundDot) x_.Raw(" cap=\"rnd\"");
    x_.Raw(" cmpd=\"").Raw(CompoundName(line.compound)).Raw("\">");
    if (!line.visible) {
      x_.Raw("<a:noFill/></a:ln>");
      return;
    }
    x_.Raw("<a:solidFill>");
    Color(line.color, 0x000000, line.transparency);
    x_.Raw("</a:solidFill><a:prstDash val=\"").Raw(DashName(line.dash_style)).Raw("\"/>");
    int32_t head_style = line.begin_style, head_len = line.begin_length, head_w = line.begin_width;
    int32_t tail_style = line.end_style, tail_len = line.end_length, tail_w = line.end_width;
    if (swap_ends) {
      std::swap(head_style, tail_style);
      std::swap(head_len, tail_len);
      std::swap(head_w, tail_w);
    }
    ArrowEnd("headEnd", head_style, head_len, head_w);
    ArrowEnd("tailEnd", tail_style, tail_len, tail_w);
    x_.Raw("</a:ln>");
  }

  void ArrowEnd(const char* element, int32_t style, int32_t length, int32_t width) {
    if (style == excel::kArrowheadNone) return;
    x_.Raw("<a:").Raw(element).Raw(" type=\"").Raw(ArrowType(style)).Raw("\" w=\"");
    x_.Raw(ArrowSize(width)).Raw("\" len=\"").Raw(ArrowSize(length)).Raw("\"/>");
  }

  void WriteLine(const ShapeNode& node, int64_t dx, int64_t dy) {
    x_.Raw("<xdr:cxnSp macro=\"\"><xdr:nvCxnSpPr>");
    NonVisual(node);
    x_.Raw("<xdr:cNvCxnSpPr/></xdr:nvCxnSpPr><xdr:spPr>");
    Xfrm(WrittenBox(node), dx, dy, node.flip_h, node.flip_v);
    x_.Raw("<a:prstGeom prst=\"line\"><a:avLst/></a:prstGeom><a:noFill/>");
    Outline(node.line);
    x_.Raw("</xdr:spPr></xdr:cxnSp>");
  }

  void WriteGroup(const ShapeNode& node, int64_t dx, int64_t dy) {
    EmuBox box = group_boxes_.at(&node);
    // A group without extent would scale its members by 0/0.
    if (box.x1 == box.x0) box.x1 = box.x0 + 1;
    if (box.y1 == box.y0) box.y1 = box.y0 + 1;
    x_.Raw("<xdr:grpSp><xdr:nvGrpSpPr>");
    NonVisual(node);
    x_.Raw("<xdr:cNvGrpSpPr/></xdr:nvGrpSpPr><xdr:grpSpPr><a:xfrm><a:off x=\"").Int(box.x0 + dx);
    x_.Raw("\" y=\"").Int(box.y0 + dy).Raw("\"/><a:ext cx=\"").Int(box.width()).Raw("\" cy=\"");
    x_.Int(box.height()).Raw("\"/><a:chOff x=\"").Int(box.x0).Raw("\" y=\"").Int(box.y0);
    x_.Raw("\"/><a:chExt cx=\"").Int(box.width()).Raw("\" cy=\"").Int(box.height());
    x_.Raw("\"/></a:xfrm></xdr:grpSpPr>");
    for (const ShapeNode* child : node.children()) {
      const auto [cx, cy] =
          child->kind == ShapeKind::kGroup ? std::pair<int64_t, int64_t>{0, 0} : Push(WrittenBox(*child));
      WriteShape(*child, cx, cy);
    }
    x_.Raw("</xdr:grpSp>");
  }

  void WriteSp(const ShapeNode& node, int64_t dx, int64_t dy) {
    x_.Raw("<xdr:sp macro=\"\" textlink=\"\"><xdr:nvSpPr>");
    NonVisual(node);
    x_.Raw(node.kind == ShapeKind::kTextBox ? "<xdr:cNvSpPr txBox=\"1\"/>" : "<xdr:cNvSpPr/>");
    x_.Raw("</xdr:nvSpPr><xdr:spPr>");
    const EmuBox box = WrittenBox(node);
    Xfrm(box, dx, dy, false, false, node.rotation());
    bool swap_ends = false;
    switch (node.kind) {
      case ShapeKind::kOval: x_.Raw("<a:prstGeom prst=\"ellipse\"><a:avLst/></a:prstGeom>"); break;
      case ShapeKind::kArc:
        if (ArcFitsAsPreset(node)) {
          ArcPreset(node);
          // The preset's path runs clockwise on the sheet, from the arc's end
          // angle back to its start.
          swap_ends = true;
        } else {
          CustomPath(ArcPath(node), box, 1.0, 1.0);
        }
        break;
      case ShapeKind::kFreeform: {
        const FreeformGeometry& g = *node.freeform();
        const double sx = g.reference_width > 0 ? node.width / g.reference_width : 1.0;
        const double sy = g.reference_height > 0 ? node.height / g.reference_height : 1.0;
        CustomPath(g.path, box, sx, sy, /*relative=*/true);
        break;
      }
      default: x_.Raw("<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>"); break;
    }
    Fill(node);
    Outline(node.line, swap_ends);
    x_.Raw("</xdr:spPr>");
    if (node.text()) WriteText(node);
    x_.Raw("</xdr:sp>");
  }

  void ArcPreset(const ShapeNode& node) {
    // adj1 (start) and adj2 (end) run clockwise on the sheet, in 60,000ths of
    // a degree: the arc's end angle a1 becomes the preset's start 360 - a1.
    auto angle = [](double degrees) {
      int64_t v = std::llround((360.0 - Normalized(degrees)) * kAngleUnitsPerDegree) % kFullCircleAngle;
      return v < 0 ? v + kFullCircleAngle : v;
    };
    x_.Raw("<a:prstGeom prst=\"arc\"><a:avLst><a:gd name=\"adj1\" fmla=\"val ");
    x_.Int(angle(node.adjustments()[0])).Raw("\"/><a:gd name=\"adj2\" fmla=\"val ");
    x_.Int(angle(node.adjustments()[1])).Raw("\"/></a:avLst></a:prstGeom>");
  }

  // A path in the shape's own EMU space (origin at the written box's top-left).
  // `relative`: the path's points are already relative to the frame and are
  // scaled by (sx, sy); otherwise they are sheet points.
  void CustomPath(const BezierPath& path, const EmuBox& box, double sx, double sy,
                  bool relative = false) {
    const int64_t w = std::max<int64_t>(box.width(), 1);
    const int64_t h = std::max<int64_t>(box.height(), 1);
    auto pt = [&](const Point2& p) {
      int64_t px, py;
      if (relative) {
        px = PointsToEmu(p.x * sx);
        py = PointsToEmu(p.y * sy);
      } else {
        px = PointsToEmu(p.x) - box.x0;
        py = PointsToEmu(p.y) - box.y0;
      }
      x_.Raw("<a:pt x=\"").Int(px).Raw("\" y=\"").Int(py).Raw("\"/>");
    };
    x_.Raw("<a:custGeom><a:avLst/><a:gdLst/><a:ahLst/><a:cxnLst/><a:rect l=\"l\" t=\"t\" r=\"r\" b=\"b\"/>");
    x_.Raw("<a:pathLst><a:path w=\"").Int(w).Raw("\" h=\"").Int(h).Raw("\"><a:moveTo>");
    pt(path.start);
    x_.Raw("</a:moveTo>");
    for (const PathSegment& seg : path.segments) {
      if (seg.cubic) {
        x_.Raw("<a:cubicBezTo>");
        pt(seg.c1);
        pt(seg.c2);
        pt(seg.to);
        x_.Raw("</a:cubicBezTo>");
      } else {
        x_.Raw("<a:lnTo>");
        pt(seg.to);
        x_.Raw("</a:lnTo>");
      }
    }
    if (path.closed) x_.Raw("<a:close/>");
    x_.Raw("</a:path></a:pathLst></a:custGeom>");
  }

  void RunProperties(const char* element, const CharFormat& f) {
    x_.Raw("<a:").Raw(element).Raw(" kumimoji=\"1\" lang=\"ja-JP\" altLang=\"en-US\" sz=\"");
    x_.Int(std::llround(f.size * 100)).Raw("\"");
    if (f.bold) x_.Raw(" b=\"1\"");
    if (f.italic) x_.Raw(" i=\"1\"");
    if (f.underline) x_.Raw(" u=\"sng\"");
    if (f.strikethrough) x_.Raw(" strike=\"sngStrike\"");
    if (f.superscript) x_.Raw(" baseline=\"30000\"");
    if (f.subscript) x_.Raw(" baseline=\"-25000\"");
    x_.Raw(">");
    ShapeColor color;
    if (f.color_index != kAutomaticColorIndex) {
      color.automatic = false;
      color.rgb = PaletteColor(f.color_index).value_or(0);
    }
    if (f.outline) {
      x_.Raw("<a:ln w=\"6350\"><a:solidFill>");
      Color(color, 0x000000, 0);
      x_.Raw("</a:solidFill></a:ln><a:noFill/>");
    } else {
      x_.Raw("<a:solidFill>");
      Color(color, 0x000000, 0);
      x_.Raw("</a:solidFill>");
    }
    if (f.shadow) {
      x_.Raw("<a:effectLst><a:outerShdw blurRad=\"38100\" dist=\"38100\" dir=\"2700000\" algn=\"tl\">"
             "<a:srgbClr val=\"000000\"><a:alpha val=\"43000\"/></a:srgbClr></a:outerShdw></a:effectLst>");
    }
    x_.Raw("<a:latin").Attr("typeface", drawing_.fonts().Name(f.latin_font)).Raw("/>");
    x_.Raw("<a:ea").Attr("typeface", drawing_.fonts().Name(f.east_asian_font)).Raw("/>");
    x_.Raw("</a:").Raw(element).Raw(">");
  }

  void WriteText(const ShapeNode& node) {
    const TextFrame& frame = *node.text();
    const TextBody& body = frame.body;
    const int64_t inset = PointsToEmu(body.LargestSize() * kInsetFactor);
    x_.Raw("<xdr:txBody><a:bodyPr vertOverflow=\"overflow\" horzOverflow=\"overflow\" vert=\"");
    switch (frame.orientation) {
      case excel::kOrientationUpward: x_.Raw("vert270"); break;
      case excel::kOrientationDownward: x_.Raw("vert"); break;
      default: x_.Raw("horz"); break;
    }
    // A box fitted to its text keeps its lines as they are; any other box
    // wraps them at its edge.
    x_.Raw("\" wrap=\"").Raw(frame.auto_size && frame.fitted ? "none" : "square").Raw("\"");
    x_.Attr("lIns", inset).Attr("tIns", inset).Attr("rIns", inset).Attr("bIns", inset);
    // An empty element is written closed, the form it keeps when an opened
    // workbook's drawing is written again, so that it stays byte for byte.
    x_.Raw(" rtlCol=\"0\" anchor=\"t\"");
    x_.Raw(frame.auto_size ? "><a:spAutoFit/></a:bodyPr>" : "/>");
    x_.Raw("<a:lstStyle/>");
    const std::u32string& chars = body.chars();
    const auto& runs = body.runs();
    size_t run_index = 0;
    ForEachParagraph(chars, [&](size_t begin, size_t end, size_t break_index) {
      x_.Raw("<a:p><a:pPr algn=\"").Raw(Alignment(frame.alignment)).Raw("\"/>");
      size_t pos = begin;
      while (pos < end) {
        while (run_index + 1 < runs.size() && runs[run_index + 1].begin <= pos) ++run_index;
        const size_t run_end =
            std::min(end, run_index + 1 < runs.size() ? runs[run_index + 1].begin : chars.size());
        x_.Raw("<a:r>");
        RunProperties("rPr", runs[run_index].format);
        x_.Raw("<a:t>").Text(std::u32string_view(chars).substr(pos, run_end - pos)).Raw("</a:t></a:r>");
        pos = run_end;
      }
      RunProperties("endParaRPr", body.FormatAt(break_index));
      x_.Raw("</a:p>");
    });
    x_.Raw("</xdr:txBody>");
  }

  const Drawing& drawing_;
  const SheetGrid& grid_;
  XmlBuffer& x_;
  const LoadedDrawing* source_;
  DrawingAnchors anchors_;
  std::unordered_map<const ShapeNode*, EmuBox> group_boxes_;
};

}  // namespace

void WriteDrawingXml(const Drawing& drawing, const SheetGrid& grid, XmlBuffer& out,
                     const LoadedDrawing* source, DrawingAnchors anchors) {
  DrawingWriter(drawing, grid, out, source, anchors).Write();
}

size_t DrawingXmlSizeHint(const ShapeNode& node) {
  // Roughly what the writer above makes of each kind (a line's anchor and
  // outline, a closed shape's fill too, a text box's run properties per run).
  switch (node.kind) {
    case ShapeKind::kLine: return 512;
    case ShapeKind::kRectangle:
    case ShapeKind::kOval:
    case ShapeKind::kArc: return 768;
    case ShapeKind::kFreeform: return 768 + 96 * node.freeform()->path.segments.size();
    case ShapeKind::kTextBox: {
      const TextBody& body = node.text()->body;
      return 1024 + 1024 * body.runs().size() + 4 * body.chars().size();
    }
    case ShapeKind::kGroup: {
      size_t bytes = 512;
      for (const ShapeNode* child : node.children()) bytes += DrawingXmlSizeHint(*child);
      return bytes;
    }
    case ShapeKind::kLoaded: return 2048;
  }
  return 1024;
}

void WriteDrawingXmlStart(const Drawing& drawing, const SheetGrid& grid, XmlBuffer& out,
                          const LoadedDrawing* source) {
  DrawingWriter(drawing, grid, out, source, DrawingAnchors::kCells).WriteStart();
}

void WriteDrawingXmlAnchors(const Drawing& drawing, const SheetGrid& grid,
                            std::span<const ShapeNode* const> shapes, XmlBuffer& out,
                            const LoadedDrawing* source, DrawingAnchors anchors) {
  DrawingWriter(drawing, grid, out, source, anchors).WriteAnchors(shapes);
}

void WriteDrawingXmlEnd(const Drawing& drawing, const SheetGrid& grid, XmlBuffer& out,
                        const LoadedDrawing* source) {
  DrawingWriter(drawing, grid, out, source, DrawingAnchors::kCells).WriteEnd();
}

}  // namespace ovix::workbook
