// Shapes as drawing records. Positions: each top-level shape is anchored to
// the cell grid (column offsets in 1/1024 of the column, row offsets in 1/256
// of the row); members of groups carry child anchors in EMU from the top-left
// corner of their top-level group (hundredths of a point for a group too
// large for 32-bit EMU), and every group's own box is given in the same
// units, so a member keeps its sheet position however deep it is nested.
// Freeform paths are given in hundredths of a point, relative to their frame.
#include "workbook/xls/sheet_drawing.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "excel/excel_automation.h"
#include "workbook/text_metrics.h"
#include "workbook/xls/office_art.h"

namespace ovix::workbook::xls {

namespace {

constexpr uint16_t kMsoDrawingRecord = 0x00EC;
constexpr uint16_t kMsoDrawingGroupRecord = 0x00EB;
constexpr uint16_t kObjRecord = 0x005D;
constexpr uint16_t kTxoRecord = 0x01B6;
constexpr uint32_t kIdsPerCluster = 1024;
constexpr double kEmuPerPoint = 12700;

// Object types of OBJ records.
constexpr uint16_t kObjGroup = 0;
constexpr uint16_t kObjLine = 1;
constexpr uint16_t kObjRectangle = 2;
constexpr uint16_t kObjOval = 3;
constexpr uint16_t kObjArc = 4;
constexpr uint16_t kObjTextBox = 6;
constexpr uint16_t kObjPolygon = 9;

// Property ids.
constexpr uint16_t kPropTextId = 0x0080;
constexpr uint16_t kPropTextLeft = 0x0081;
constexpr uint16_t kPropTextTop = 0x0082;
constexpr uint16_t kPropTextRight = 0x0083;
constexpr uint16_t kPropTextBottom = 0x0084;
constexpr uint16_t kPropWrapText = 0x0085;
constexpr uint16_t kPropAnchorText = 0x0087;
constexpr uint16_t kPropTextFlow = 0x0088;
constexpr uint16_t kPropTextBooleans = 0x00BF;
constexpr uint16_t kPropGeoLeft = 0x0140;
constexpr uint16_t kPropGeoTop = 0x0141;
constexpr uint16_t kPropGeoRight = 0x0142;
constexpr uint16_t kPropGeoBottom = 0x0143;
constexpr uint16_t kPropShapePath = 0x0144;
constexpr uint16_t kPropVertices = 0x0145;
constexpr uint16_t kPropSegments = 0x0146;
constexpr uint16_t kPropAdjust1 = 0x0147;
constexpr uint16_t kPropAdjust2 = 0x0148;
constexpr uint16_t kPropGeometryBooleans = 0x017F;
constexpr uint16_t kPropFillColor = 0x0181;
constexpr uint16_t kPropFillOpacity = 0x0182;
constexpr uint16_t kPropFillBooleans = 0x01BF;
constexpr uint16_t kPropLineColor = 0x01C0;
constexpr uint16_t kPropLineOpacity = 0x01C1;
constexpr uint16_t kPropLineWidth = 0x01CB;
constexpr uint16_t kPropLineStyle = 0x01CD;
constexpr uint16_t kPropLineDashing = 0x01CE;
constexpr uint16_t kPropLineStartArrow = 0x01D0;
constexpr uint16_t kPropLineEndArrow = 0x01D1;
constexpr uint16_t kPropLineStartArrowWidth = 0x01D2;
constexpr uint16_t kPropLineStartArrowLength = 0x01D3;
constexpr uint16_t kPropLineEndArrowWidth = 0x01D4;
constexpr uint16_t kPropLineEndArrowLength = 0x01D5;
constexpr uint16_t kPropLineCap = 0x01D7;
constexpr uint16_t kPropLineBooleans = 0x01FF;
constexpr uint16_t kPropName = 0x0380;
constexpr uint16_t kPropGroupBooleans = 0x03BF;

struct PointBox {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

double Normalized(double degrees) {
  double d = std::fmod(degrees, 360.0);
  if (d < 0) d += 360.0;
  return d;
}

// An arc is the part of the ellipse centred on its frame's bottom-left corner
// (radii: the frame's width and height) from the angle of adjustment 2
// counter-clockwise to that of adjustment 1; equal angles give the whole
// ellipse.
BezierPath ArcPath(const ShapeSource& s) {
  const double start = Normalized(s.adjustment(1));
  double sweep = Normalized(s.adjustment(0) - s.adjustment(1));
  if (sweep == 0) sweep = 360;
  return EllipticArcPath(s.left(), s.top() + s.height(), s.width(), s.height(), start, sweep);
}

// The box a shape is written with: its frame, or for an arc the box of the
// arc itself (the legacy arc shape is anchored to what it draws).
PointBox WrittenBox(const ShapeSource& s) {
  if (s.kind() == ShapeClass::kArc) {
    const Box b = PathBounds(ArcPath(s));
    return {b.left, b.top, b.right, b.bottom};
  }
  return {s.left(), s.top(), s.left() + s.width(), s.top() + s.height()};
}

int32_t Centi(double points) {
  const double v = std::round(points * 100.0);
  return static_cast<int32_t>(std::clamp(v, -2147483647.0, 2147483647.0));
}

int64_t Emu(double points) { return std::llround(points * kEmuPerPoint); }

uint32_t Bgr(const ShapeColor& color, uint32_t automatic) {
  const uint32_t rgb = color.automatic ? automatic : color.rgb;
  return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

uint32_t Opacity(double transparency) {
  return static_cast<uint32_t>(std::llround(std::clamp(1.0 - transparency, 0.0, 1.0) * 65536.0));
}

uint32_t Dashing(int32_t dash) {
  switch (dash) {
    case excel::kLineSquareDot: return 1;
    case excel::kLineRoundDot: return 2;
    case excel::kLineDash: return 6;
    case excel::kLineDashDot: return 8;
    case excel::kLineDashDotDot: return 10;
    case excel::kLineLongDash: return 7;
    case excel::kLineLongDashDot: return 9;
    case 9: return 10;
    case 10: return 1;
    case 11: return 2;
    case 12: return 3;
    default: return 0;
  }
}

uint32_t Compound(int32_t style) {
  switch (style) {
    case excel::kLineThinThin: return 1;
    case excel::kLineThickThin: return 2;
    case excel::kLineThinThick: return 3;
    case excel::kLineThickBetweenThin: return 4;
    default: return 0;
  }
}

uint32_t Arrowhead(int32_t style) {
  switch (style) {
    case excel::kArrowheadTriangle: return 1;
    case excel::kArrowheadStealth: return 2;
    case excel::kArrowheadDiamond: return 3;
    case excel::kArrowheadOval: return 4;
    case excel::kArrowheadOpen: return 5;
    default: return 0;
  }
}

uint32_t ArrowSize(int32_t size) {
  switch (size) {
    case 1: return 0;
    case 3: return 2;
    default: return 1;
  }
}

uint16_t HorizontalAlignment(int32_t alignment) {
  switch (alignment) {
    case excel::kAlignCenter: return 2;
    case excel::kAlignRight: return 3;
    case -4130: return 4;  // justify
    case -4117: return 7;  // distributed
    default: return 1;
  }
}

std::string NameData(const std::string& name) {
  ByteBuffer b;
  b.Utf16(Utf8ToUtf16(name));
  b.U16(0);
  return std::move(b.str());
}

void LineProperties(art::PropertyTable& t, const LineStyle& line, bool swap_ends) {
  if (!line.visible) {
    t.Add(kPropLineBooleans, 0x00080000);
    return;
  }
  t.Add(kPropLineColor, Bgr(line.color, 0x000000));
  if (line.transparency > 0) t.Add(kPropLineOpacity, Opacity(line.transparency));
  t.Add(kPropLineWidth, static_cast<uint32_t>(std::max<int64_t>(0, Emu(line.weight))));
  if (const uint32_t c = Compound(line.compound); c != 0) t.Add(kPropLineStyle, c);
  if (const uint32_t d = Dashing(line.dash_style); d != 0) t.Add(kPropLineDashing, d);
  if (line.dash_style == excel::kLineRoundDot) t.Add(kPropLineCap, 0);  // round
  int32_t start = line.begin_style, start_len = line.begin_length, start_w = line.begin_width;
  int32_t end = line.end_style, end_len = line.end_length, end_w = line.end_width;
  if (swap_ends) {
    std::swap(start, end);
    std::swap(start_len, end_len);
    std::swap(start_w, end_w);
  }
  const bool arrows = Arrowhead(start) != 0 || Arrowhead(end) != 0;
  if (Arrowhead(start) != 0) {
    t.Add(kPropLineStartArrow, Arrowhead(start));
    t.Add(kPropLineStartArrowWidth, ArrowSize(start_w));
    t.Add(kPropLineStartArrowLength, ArrowSize(start_len));
  }
  if (Arrowhead(end) != 0) {
    t.Add(kPropLineEndArrow, Arrowhead(end));
    t.Add(kPropLineEndArrowWidth, ArrowSize(end_w));
    t.Add(kPropLineEndArrowLength, ArrowSize(end_len));
  }
  t.Add(kPropLineBooleans, arrows ? 0x00180018 : 0x00080008);
}

void FillProperties(art::PropertyTable& t, const FillStyle& fill) {
  if (!fill.visible) {
    t.Add(kPropFillBooleans, 0x00110000);
    return;
  }
  t.Add(kPropFillColor, Bgr(fill.color, 0xFFFFFF));
  if (fill.transparency > 0) t.Add(kPropFillOpacity, Opacity(fill.transparency));
  t.Add(kPropFillBooleans, 0x00110010);
}

// An IMsoArray: element count twice, element size, elements.
std::string ArrayData(uint16_t count, uint16_t element_size, const ByteBuffer& elements) {
  ByteBuffer b;
  b.U16(count);
  b.U16(count);
  b.U16(element_size);
  b.Bytes(elements.view());
  return std::move(b.str());
}

// The text of a text box as UTF-16 with line feeds for its breaks, and its
// runs at UTF-16 positions.
struct LegacyText {
  std::u16string text;
  std::vector<std::pair<size_t, const CharFormat*>> runs;
};

LegacyText TextOf(const TextBody& body) {
  LegacyText out;
  const std::u32string& chars = body.chars();
  std::vector<size_t> at(chars.size() + 1);
  for (size_t i = 0; i < chars.size(); ++i) {
    at[i] = out.text.size();
    char32_t c = chars[i];
    if (c == U'\r') {
      c = U'\n';
      if (i + 1 < chars.size() && chars[i + 1] == U'\n') {
        at[++i] = out.text.size();
      }
    }
    out.text += ToUtf16(std::u32string_view(&c, 1));
  }
  at[chars.size()] = out.text.size();
  for (const TextBody::Run& run : body.runs()) {
    const size_t pos = at[std::min(run.begin, chars.size())];
    if (pos >= out.text.size() && !out.runs.empty()) break;
    if (!out.runs.empty() && out.runs.back().first == pos) {
      out.runs.back().second = &run.format;
    } else {
      out.runs.push_back({pos, &run.format});
    }
  }
  if (out.runs.empty()) out.runs.push_back({0, &body.end_format()});
  out.runs.front().first = 0;
  return out;
}

class SheetDrawingWriter {
 public:
  SheetDrawingWriter(const SheetShapes& shapes, uint32_t dgid, ShapeIdClusters& ids, FontList& fonts,
                     BiffStream& out)
      : shapes_(shapes), dgid_(dgid), ids_(ids), fonts_(fonts), out_(out) {}

  void Write() {
    uint64_t count = 1;  // the patriarch
    shapes_.ForEachTopLevel([&](const ShapeSource& s) { count += CountShapes(s); });
    next_spid_ = ids_.Reserve(dgid_, count);
    const uint32_t last_spid = next_spid_ + static_cast<uint32_t>(count - 1);
    first_spid_ = next_spid_;

    OpenSpanning(art::kDgContainer);
    art::Header(piece_, 0, static_cast<uint16_t>(dgid_), art::kFdg, 8);
    piece_.U32(static_cast<uint32_t>(count));
    piece_.U32(last_spid);
    OpenSpanning(art::kSpgrContainer);
    const size_t sp = art::Open(piece_, art::kSpContainer);
    art::Header(piece_, 1, 0, art::kFspgr, 16);
    piece_.Zeros(16);
    art::Header(piece_, 2, art::kTypeNotPrimitive, art::kFsp, 8);
    piece_.U32(next_spid_++);
    piece_.U32(art::kFlagGroup | art::kFlagPatriarch);
    art::Close(piece_, sp);
    shapes_.ForEachTopLevel([&](const ShapeSource& s) { WriteTopLevel(s); });
    CloseSpanning();
    CloseSpanning();
    Flush();
  }

 private:
  static uint64_t CountShapes(const ShapeSource& s) {
    uint64_t n = 1;
    for (size_t i = 0; i < s.child_count(); ++i) n += CountShapes(s.child(i));
    return n;
  }

  // --- Records and containers that span several MSODRAWING records --------

  struct Spanning {
    uint64_t start;       // drawing offset of the container's header
    size_t piece_offset;  // offset of the header in its MSODRAWING's data
    size_t data_start;    // stream offset of that data, once written
  };
  static constexpr size_t kUnwritten = std::numeric_limits<size_t>::max();

  void OpenSpanning(uint16_t type) {
    open_.push_back({written_ + piece_.size(), piece_.size(), kUnwritten});
    art::Header(piece_, 0xF, 0, type, 0);
  }

  void CloseSpanning() {
    const Spanning c = open_.back();
    open_.pop_back();
    const uint64_t length = written_ + piece_.size() - c.start - 8;
    if (length > 0xFFFFFFFFull) {
      throw excel::AutomationError("the drawing of the sheet is larger than an .xls sheet holds (4 GB)");
    }
    if (c.data_start == kUnwritten) {
      piece_.PatchU32(c.piece_offset + 4, static_cast<uint32_t>(length));
    } else {
      out_.PatchData(c.data_start, c.piece_offset + 4, static_cast<uint32_t>(length), 4);
    }
  }

  void Flush() {
    if (piece_.size() == 0) return;
    const size_t start = out_.Record(kMsoDrawingRecord, piece_.view());
    for (Spanning& c : open_) {
      if (c.data_start == kUnwritten) c.data_start = start;
    }
    written_ += piece_.size();
    piece_.Clear();
  }

  // --- Positions ----------------------------------------------------------

  PointBox Measure(const ShapeSource& s) {
    if (s.kind() != ShapeClass::kGroup) return WrittenBox(s);
    PointBox box = Measure(s.child(0));
    for (size_t i = 1; i < s.child_count(); ++i) {
      const PointBox b = Measure(s.child(i));
      box.x0 = std::min(box.x0, b.x0);
      box.y0 = std::min(box.y0, b.y0);
      box.x1 = std::max(box.x1, b.x1);
      box.y1 = std::max(box.y1, b.y1);
    }
    group_boxes_[s.identity()] = box;
    return box;
  }

  PointBox BoxOf(const ShapeSource& s) {
    if (s.kind() == ShapeClass::kGroup) return group_boxes_.at(s.identity());
    return WrittenBox(s);
  }

  // Cell and offset (in 1/1024 of a column or 1/256 of a row) of a sheet
  // position in EMU.
  void Locate(int64_t at, int64_t cell_emu, int32_t cells, int units, const char* what,
              const ShapeSource& shape, uint16_t& cell, uint16_t& offset) {
    int64_t index = at / cell_emu;
    int64_t part = std::llround(static_cast<double>(at % cell_emu) * units / static_cast<double>(cell_emu));
    if (part >= units) {
      ++index;
      part = 0;
    }
    if (index == cells && part == 0) {
      index = cells - 1;
      part = units - 1;
    }
    if (index >= cells) {
      throw excel::AutomationError("the shape \"" + shape.name() + "\" reaches past the last " + what +
                                   " of an .xls sheet (" + std::to_string(cells) + " " + what +
                                   "s); draw at a smaller scale or save as .xlsx");
    }
    cell = static_cast<uint16_t>(index);
    offset = static_cast<uint16_t>(part);
  }

  void WriteTopLevel(const ShapeSource& s) {
    group_boxes_.clear();
    const PointBox box = Measure(s);
    // EMU keep the smallest members apart; a group wider or higher than
    // 32-bit EMU reach falls back to hundredths of a point.
    child_origin_x_ = box.x0;
    child_origin_y_ = box.y0;
    const double extent = std::max(box.x1 - box.x0, box.y1 - box.y0) * kEmuPerPoint;
    child_scale_ = extent < 2.0e9 ? kEmuPerPoint : 100.0;
    // A shape is never placed left of or above the sheet: it is pushed onto it.
    const int64_t x0 = Emu(box.x0), y0 = Emu(box.y0);
    const int64_t dx = x0 < 0 ? -x0 : 0;
    const int64_t dy = y0 < 0 ? -y0 : 0;
    ByteBuffer& a = anchor_;
    a.Clear();
    uint16_t col, col_off, row, row_off;
    a.U16(0);
    Locate(x0 + dx, kXlsColumnEmu, kXlsColumns, 1024, "column", s, col, col_off);
    Locate(y0 + dy, kXlsRowEmu, kXlsRows, 256, "row", s, row, row_off);
    a.U16(col);
    a.U16(col_off);
    a.U16(row);
    a.U16(row_off);
    const uint16_t col0 = col, col_off0 = col_off, row0 = row, row_off0 = row_off;
    Locate(Emu(box.x1) + dx, kXlsColumnEmu, kXlsColumns, 1024, "column", s, col, col_off);
    Locate(Emu(box.y1) + dy, kXlsRowEmu, kXlsRows, 256, "row", s, row, row_off);
    // A shape smaller than one anchor step keeps an extent of one step:
    // readers drop a shape whose two corners coincide.
    if (col == col0 && col_off == col_off0 && row == row0 && row_off == row_off0) {
      if (col_off < 1023) {
        ++col_off;
      } else if (row_off < 255) {
        ++row_off;
      }
    }
    a.U16(col);
    a.U16(col_off);
    a.U16(row);
    a.U16(row_off);
    WriteShape(s, false);
  }

  // A sheet position in the child units of the present top-level group.
  int32_t ChildUnits(double points, double origin) const {
    const double v = std::round((points - origin) * child_scale_);
    return static_cast<int32_t>(std::clamp(v, -2147483647.0, 2147483647.0));
  }

  void Anchor(const ShapeSource& s, bool child) {
    if (!child) {
      art::Header(piece_, 0, 0, art::kClientAnchor, static_cast<uint32_t>(anchor_.size()));
      piece_.Bytes(anchor_.view());
      return;
    }
    const PointBox b = BoxOf(s);
    art::Header(piece_, 0, 0, art::kChildAnchor, 16);
    piece_.I32(ChildUnits(b.x0, child_origin_x_));
    piece_.I32(ChildUnits(b.y0, child_origin_y_));
    piece_.I32(ChildUnits(b.x1, child_origin_x_));
    piece_.I32(ChildUnits(b.y1, child_origin_y_));
  }

  // --- Shapes --------------------------------------------------------------

  void WriteShape(const ShapeSource& s, bool child) {
    if (s.kind() == ShapeClass::kGroup) {
      WriteGroup(s, child);
      return;
    }
    if (s.kind() == ShapeClass::kOther && !(child && s.loaded())) {
      throw excel::AutomationError("the shape \"" + s.name() +
                                   "\" came with an opened workbook and cannot be written to .xls");
    }
    art::PropertyTable props;
    uint16_t type = art::kTypeRectangle;
    uint16_t ot = kObjRectangle;
    uint32_t flags = art::kFlagHaveAnchor | art::kFlagHaveShapeType | (child ? art::kFlagChild : 0);
    switch (s.kind()) {
      case ShapeClass::kLine:
        type = art::kTypeLine;
        ot = kObjLine;
        if (s.flip_h()) flags |= art::kFlagFlipH;
        if (s.flip_v()) flags |= art::kFlagFlipV;
        props.Add(kPropGeometryBooleans, 0x00010000);
        props.Add(kPropFillBooleans, 0x00100000);
        LineProperties(props, s.line(), false);
        break;
      case ShapeClass::kOval:
        type = art::kTypeEllipse;
        ot = kObjOval;
        FillProperties(props, s.fill());
        LineProperties(props, s.line(), false);
        break;
      case ShapeClass::kArc: {
        type = art::kTypeArc;
        ot = kObjArc;
        // The legacy arc runs clockwise on the sheet from adjustment 1 to
        // adjustment 2: the model's end angle is its start.
        auto angle = [](double degrees) {
          const double a = Normalized(360.0 - Normalized(degrees));
          return static_cast<uint32_t>(static_cast<int32_t>(std::llround(a * 65536.0)));
        };
        props.Add(kPropAdjust1, angle(s.adjustment(0)));
        props.Add(kPropAdjust2, angle(s.adjustment(1)));
        FillProperties(props, s.fill());
        LineProperties(props, s.line(), true);
        break;
      }
      case ShapeClass::kFreeform:
        type = art::kTypeNotPrimitive;
        ot = kObjPolygon;
        FreeformProperties(props, s);
        FillProperties(props, s.fill());
        LineProperties(props, s.line(), false);
        break;
      case ShapeClass::kTextBox:
        type = art::kTypeTextBox;
        ot = kObjTextBox;
        TextProperties(props, *s.text());
        FillProperties(props, s.fill());
        LineProperties(props, s.line(), false);
        break;
      default:
        FillProperties(props, s.fill());
        LineProperties(props, s.line(), false);
        break;
    }
    props.AddComplex(kPropName, NameData(s.name()));

    const size_t sp = art::Open(piece_, art::kSpContainer);
    art::Header(piece_, 2, type, art::kFsp, 8);
    const uint32_t spid = next_spid_++;
    piece_.U32(spid);
    piece_.U32(flags);
    props.Write(piece_);
    Anchor(s, child);
    art::Header(piece_, 0, 0, art::kClientData, 0);
    art::Close(piece_, sp);
    const TextFrame* text = s.text();
    if (text != nullptr) {
      // The text box's container ends with its text record, in the next
      // MSODRAWING.
      piece_.PatchU32(sp + 4, static_cast<uint32_t>(piece_.size() - sp - 8 + 8));
    }
    Flush();
    Obj(ot, spid, false);
    if (text != nullptr) {
      art::Header(piece_, 0, 0, art::kClientTextbox, 0);
      Flush();
      Txo(*text, s.name());
    }
  }

  void WriteGroup(const ShapeSource& s, bool child) {
    OpenSpanning(art::kSpgrContainer);
    const size_t sp = art::Open(piece_, art::kSpContainer);
    const PointBox b = BoxOf(s);
    const int32_t x0 = ChildUnits(b.x0, child_origin_x_), y0 = ChildUnits(b.y0, child_origin_y_);
    art::Header(piece_, 1, 0, art::kFspgr, 16);
    piece_.I32(x0);
    piece_.I32(y0);
    // A group without extent would scale its members by 0/0.
    piece_.I32(std::max(ChildUnits(b.x1, child_origin_x_), x0 + 1));
    piece_.I32(std::max(ChildUnits(b.y1, child_origin_y_), y0 + 1));
    art::Header(piece_, 2, art::kTypeNotPrimitive, art::kFsp, 8);
    const uint32_t spid = next_spid_++;
    piece_.U32(spid);
    piece_.U32(art::kFlagGroup | art::kFlagHaveAnchor | (child ? art::kFlagChild : 0));
    art::PropertyTable props;
    props.AddComplex(kPropName, NameData(s.name()));
    props.Add(kPropGroupBooleans, 0x00020000);
    props.Write(piece_);
    Anchor(s, child);
    art::Header(piece_, 0, 0, art::kClientData, 0);
    art::Close(piece_, sp);
    Flush();
    Obj(kObjGroup, spid, true);
    for (size_t i = 0; i < s.child_count(); ++i) WriteShape(s.child(i), true);
    CloseSpanning();
  }

  void FreeformProperties(art::PropertyTable& t, const ShapeSource& s) {
    const BezierPath path = s.FramePath();
    ByteBuffer vertices;
    ByteBuffer segments;
    uint32_t vertex_count = 0;
    uint32_t segment_count = 0;
    auto vertex = [&](const Point2& p) {
      vertices.I32(Centi(p.x));
      vertices.I32(Centi(p.y));
      ++vertex_count;
    };
    size_t run_at = 0;
    int run_type = -1;  // 0 lines, 1 curves
    uint16_t run_count = 0;
    auto segment = [&](uint16_t code) {
      segments.U16(code);
      ++segment_count;
    };
    vertex(path.start);
    segment(0x4000);  // move to
    for (const PathSegment& seg : path.segments) {
      const int type = seg.cubic ? 1 : 0;
      if (type != run_type || run_count == 0x1FFF) {
        run_at = segments.size();
        run_type = type;
        run_count = 0;
        segment(0);
      }
      ++run_count;
      segments.PatchU16(run_at, static_cast<uint16_t>((type == 1 ? 0x2000 : 0x0000) | run_count));
      if (seg.cubic) {
        vertex(seg.c1);
        vertex(seg.c2);
      }
      vertex(seg.to);
    }
    if (path.closed) segment(0x6001);
    segment(0x8000);
    if (vertex_count > 0xFFFF || segment_count > 0xFFFF) {
      throw excel::AutomationError("the freeform \"" + s.name() + "\" has " +
                                   std::to_string(vertex_count) +
                                   " points; an .xls shape holds at most 65,535");
    }
    t.Add(kPropGeoLeft, 0);
    t.Add(kPropGeoTop, 0);
    t.Add(kPropGeoRight, static_cast<uint32_t>(std::max(Centi(s.width()), 1)));
    t.Add(kPropGeoBottom, static_cast<uint32_t>(std::max(Centi(s.height()), 1)));
    t.Add(kPropShapePath, 4);
    t.AddComplex(kPropVertices, ArrayData(static_cast<uint16_t>(vertex_count), 8, vertices));
    t.AddComplex(kPropSegments, ArrayData(static_cast<uint16_t>(segment_count), 2, segments));
    t.Add(kPropGeometryBooleans, path.closed ? 0x00010001 : 0x00010000);
  }

  void TextProperties(art::PropertyTable& t, const TextFrame& frame) {
    const auto inset = static_cast<uint32_t>(Emu(frame.body.LargestSize() * kInsetFactor));
    t.Add(kPropTextId, 0);
    t.Add(kPropTextLeft, inset);
    t.Add(kPropTextTop, inset);
    t.Add(kPropTextRight, inset);
    t.Add(kPropTextBottom, inset);
    // A box fitted to its text keeps its lines as they are; any other box
    // wraps them at its edge.
    t.Add(kPropWrapText, frame.auto_size && frame.fitted ? 2 : 0);
    t.Add(kPropAnchorText, 0);
    if (frame.orientation == excel::kOrientationDownward) t.Add(kPropTextFlow, 1);
    if (frame.orientation == excel::kOrientationUpward) t.Add(kPropTextFlow, 2);
    t.Add(kPropTextBooleans, frame.auto_size ? 0x000A0002 : 0x000A0000);
  }

  void Obj(uint16_t ot, uint32_t spid, bool group) {
    ByteBuffer& b = record_;
    b.Clear();
    b.U16(0x0015);  // common object data
    b.U16(0x0012);
    b.U16(ot);
    // Unique on the sheet as long as it has fewer than 65,536 objects; past
    // that the ids repeat (readers find objects by their place).
    b.U16(static_cast<uint16_t>((spid - first_spid_ - 1) % 0xFFFF + 1));
    b.U16(0x6011);  // locked, printed, automatic fill and line
    b.Zeros(12);
    if (group) {
      b.U16(0x0006);
      b.U16(0x0002);
      b.U16(0);
    }
    b.U32(0);  // end
    out_.Record(kObjRecord, b.view());
  }

  void Txo(const TextFrame& frame, const std::string& name) {
    const LegacyText text = TextOf(frame.body);
    if (text.text.size() > 0xFFFF) {
      throw excel::AutomationError("the text box \"" + name + "\" holds " +
                                   std::to_string(text.text.size()) +
                                   " characters; an .xls text box holds at most 65,535");
    }
    // The runs' byte count is 16 bits: 8 bytes a run and 8 for the end.
    if (text.runs.size() > 8190) {
      throw excel::AutomationError("the text box \"" + name + "\" has " + std::to_string(text.runs.size()) +
                                   " differently formatted parts; an .xls text box holds at most 8,190");
    }
    const uint16_t cch = static_cast<uint16_t>(text.text.size());
    auto font_of = [&](const CharFormat& f) {
      return fonts_.IndexOf(FontOfFormat(f, shapes_.FontName(f.latin_font)));
    };
    ByteBuffer& b = record_;
    b.Clear();
    b.U16(static_cast<uint16_t>((HorizontalAlignment(frame.alignment) << 1) | (1 << 4) | 0x0200));
    uint16_t rotation = 0;
    if (frame.orientation == excel::kOrientationUpward) rotation = 2;
    if (frame.orientation == excel::kOrientationDownward) rotation = 3;
    b.U16(rotation);
    b.Zeros(6);
    b.U16(cch);
    b.U16(cch > 0 ? static_cast<uint16_t>(8 * (text.runs.size() + 1)) : 0);
    b.U16(font_of(frame.body.end_format()));
    b.U16(0);
    out_.Record(kTxoRecord, b.view());
    if (cch == 0) return;
    // The characters: each CONTINUE starts with its own encoding flag and
    // never splits a surrogate pair.
    constexpr size_t kUnitsPerRecord = (kMaxRecordData - 1) / 2;
    size_t pos = 0;
    while (pos < text.text.size()) {
      size_t n = std::min(kUnitsPerRecord, text.text.size() - pos);
      if (pos + n < text.text.size() && text.text[pos + n - 1] >= 0xD800 && text.text[pos + n - 1] < 0xDC00) --n;
      b.Clear();
      b.U8(1);
      b.Utf16(std::u16string_view(text.text).substr(pos, n));
      out_.Record(kContinueRecord, b.view());
      pos += n;
    }
    // The runs, then the end of the text; 1,028 runs to a record.
    b.Clear();
    for (const auto& [at, format] : text.runs) {
      b.U16(static_cast<uint16_t>(at));
      b.U16(font_of(*format));
      b.U32(0);
      if (b.size() == kMaxRecordData) {
        out_.Record(kContinueRecord, b.view());
        b.Clear();
      }
    }
    b.U16(cch);
    b.U16(0);
    b.U32(0);
    out_.Record(kContinueRecord, b.view());
  }

  const SheetShapes& shapes_;
  uint32_t dgid_;
  ShapeIdClusters& ids_;
  FontList& fonts_;
  BiffStream& out_;
  ByteBuffer piece_;    // drawing data of the MSODRAWING being built
  ByteBuffer anchor_;   // the top-level shape's cell anchor
  ByteBuffer record_;   // OBJ and TXO data
  uint64_t written_ = 0;  // drawing data already in MSODRAWING records
  std::vector<Spanning> open_;
  std::unordered_map<const void*, PointBox> group_boxes_;
  uint32_t next_spid_ = 0;
  uint32_t first_spid_ = 0;
  double child_origin_x_ = 0, child_origin_y_ = 0;  // points
  double child_scale_ = kEmuPerPoint;              // child units per point
};

}  // namespace

uint32_t ShapeIdClusters::Reserve(uint32_t dgid, uint64_t count) {
  const uint64_t first_cluster = clusters_.size() + 1;
  const uint64_t needed = (count + kIdsPerCluster - 1) / kIdsPerCluster;
  if ((first_cluster + needed) * kIdsPerCluster > 0xFFFFFFFFull) {
    throw excel::AutomationError("the drawings hold more shapes than an .xls workbook can number");
  }
  uint64_t left = count;
  for (uint64_t i = 0; i < needed; ++i) {
    const auto used = static_cast<uint32_t>(std::min<uint64_t>(left, kIdsPerCluster));
    clusters_.push_back({dgid, used});
    left -= used;
  }
  const auto first = static_cast<uint32_t>(first_cluster * kIdsPerCluster);
  spid_max_ = std::max(spid_max_, static_cast<uint32_t>(first + count));
  shapes_saved_ += count;
  ++drawings_;
  return first;
}

void ShapeIdClusters::WriteDrawingGroup(BiffStream& out) const {
  if (drawings_ == 0) return;
  ByteBuffer b;
  const size_t dgg = art::Open(b, art::kDggContainer);
  art::Header(b, 0, 0, art::kFdgg, static_cast<uint32_t>(16 + 8 * clusters_.size()));
  b.U32(spid_max_);
  b.U32(static_cast<uint32_t>(clusters_.size() + 1));
  b.U32(static_cast<uint32_t>(std::min<uint64_t>(shapes_saved_, 0xFFFFFFFF)));
  b.U32(drawings_);
  for (const Cluster& c : clusters_) {
    b.U32(c.dgid);
    b.U32(c.used);
  }
  art::Header(b, 3, 3, art::kFopt, 18);
  b.U16(0x00BF);
  b.U32(0x00080008);
  b.U16(0x0181);
  b.U32(0x08000041);
  b.U16(0x01C0);
  b.U32(0x08000040);
  art::Header(b, 0, 4, art::kSplitMenuColors, 16);
  b.U32(0x0800000D);
  b.U32(0x0800000C);
  b.U32(0x08000017);
  b.U32(0x100000F7);
  art::Close(b, dgg);
  out.Record(kMsoDrawingGroupRecord, b.view());
}

void WriteSheetDrawing(const SheetShapes& shapes, uint32_t dgid, ShapeIdClusters& ids, FontList& fonts,
                       BiffStream& out) {
  if (shapes.top_level_count() == 0) return;
  SheetDrawingWriter(shapes, dgid, ids, fonts, out).Write();
}

}  // namespace ovix::workbook::xls
