// Styling of the selected shape: the outline of lines, ovals, arcs and
// freeforms (weight, dash style, colour) and the characters, alignment, fill
// and border of text boxes; and the mappings from the drawing's colour
// numbers, fonts and arrow options to the spreadsheet's constants.
//
// Both styling operations read the entity's attributes from the model first
// (a model failure there goes to the caller), then work on the application's
// selection step by step: a step that fails is skipped and the next one runs,
// so that one property the application refuses does not leave the shape
// half-styled.
#include <cmath>
#include <limits>

#include "excel/rv_excel_export.h"
#include "model/rv_system.h"
#include "tools/numeric.h"

namespace ovix {

namespace {

// Runs one automation step; a failure of the step is ignored.
template <typename Step>
bool Tolerant(Step&& step) {
  try {
    step();
    return true;
  } catch (const excel::AutomationError&) {
    return false;
  }
}

// A colour number of the model in the 16-bit range of the colour mappings
// (values outside it map like their nearest 16-bit value).
int16_t ColorCode(int32_t color) {
  if (color > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
  if (color < std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
  return static_cast<int16_t>(color);
}

// The character count handed to Characters: rounded, 0 (the whole text) for
// what is not a usable count.
int32_t CharacterCount(double length) {
  if (!std::isfinite(length) || length <= 0) return 0;
  if (length >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
    return std::numeric_limits<int32_t>::max();
  }
  return static_cast<int32_t>(num::RoundHalfEven(length));
}

}  // namespace

int32_t RvExcelExport::DashStyleFor(int16_t code) {
  switch (code) {
    case 0: return excel::kLineSolid;
    case 1: return excel::kLineDash;
    case 2: return excel::kLineSquareDot;
    case 3: return excel::kLineLongDashDot;
    case 4: return excel::kLineDashDotDot;
    default: return excel::kLineSolid;
  }
}

double RvExcelExport::LineWeightFor(int32_t width) const {
  if (lt_scale_ < 0) return -lt_scale_;
  return width > 0 ? width * lt_scale_ : 0.25 * lt_scale_;
}

void RvExcelExport::ExcelLinePropertyChange(int16_t kind,
                                            std::shared_ptr<excel::Application>& application,
                                            int32_t index) {
  const RvSystem& m = Model();
  double width = 0;
  int16_t dash = 0;
  int32_t color = 0;
  switch (kind) {
    case kStyleLine:
      width = m.LineEntityLineWidth(index);
      dash = m.LineEntityLineType(index);
      color = m.LineEntityLineColor(index);
      break;
    case kStylePolyline:
      width = m.PolylineEntityLineWidth(index);
      dash = m.PolylineEntityLineType(index);
      color = m.PolylineEntityLineColor(index);
      break;
    case kStyleCircle:
      width = m.CircleEntityLineWidth(index);
      dash = m.CircleEntityLineType(index);
      color = m.CircleEntityLineColor(index);
      break;
    case kStyleEllipse:
      width = m.EllipseEntityLineWidth(index);
      dash = m.EllipseEntityLineType(index);
      color = m.EllipseEntityLineColor(index);
      break;
    case kStyleArc:
      width = m.ArcEntityLineWidth(index);
      dash = m.ArcEntityLineType(index);
      color = m.ArcEntityLineColor(index);
      break;
    case kStyleLeader:
      width = m.LeaderEntityLineWidth(index);
      dash = m.LeaderEntityLineType(index);
      color = m.LeaderEntityLineColor(index);
      break;
    case kStyleDimensionLine:
      width = m.DimensionEntityLineWidth(index, kDimPartLine);
      dash = m.DimensionEntityLineType(index);
      color = m.DimensionEntityLineColor(index, kDimPartLine);
      break;
    case kStyleExtensionLine:
      width = m.DimensionEntityLineWidth(index, kDimPartExtension);
      dash = m.DimensionEntityLineType(index);
      color = m.DimensionEntityLineColor(index, kDimPartExtension);
      break;
    default:
      break;
  }
  const int32_t w = num::ToInt32(width);
  int16_t k = ColorCode(color);

  // From here on a failing step is skipped.
  if (!application) {
    if (!Tolerant([&] { application = excel::CreateObject(kExcelApplicationClass); })) return;
  }
  std::shared_ptr<excel::LineFormat> line;
  // A selection without a line (the weight cannot be read) is left alone.
  if (!Tolerant([&] {
        line = application->Selection()->ShapeRange()->Line();
        line->Weight();
      })) {
    return;
  }
  // An arc whose line colour is no longer the default keeps its styling.
  if (kind == kStyleArc) {
    bool keep = true;
    Tolerant([&] { keep = line->ForeColor()->SchemeColor() != excel::kSchemeColorAutomatic; });
    if (keep) return;
  }
  Tolerant([&] { line->SetWeight(LineWeightFor(w)); });
  Tolerant([&] { line->SetDashStyle(DashStyleFor(dash)); });
  if (k < 1) k = 1;
  Tolerant([&] { line->ForeColor()->SetSchemeColor(GetLineSchemeColor(k)); });
}

void RvExcelExport::ExcelTextPropertyChange(int16_t kind,
                                            std::shared_ptr<excel::Application>& application,
                                            int32_t index, double length, double fontPoints,
                                            bool bold, bool italic, bool underline) {
  const RvSystem& m = Model();
  int32_t color = 0;
  std::string font;
  int16_t flag = 0;
  switch (kind) {
    case kStyleText:
      color = m.TextEntityColor(index);
      font = m.TextEntityFont(index);
      flag = m.TextFlag(index);
      break;
    case kStyleMtext:
      color = m.MtextEntityColor(index);
      font = m.MtextEntityFont(index);
      flag = m.MtextFlag(index);
      break;
    case kStyleDimensionText:
      color = m.DimensionTextColor(index);
      font = m.DimensionTextFont(index);
      flag = m.DimensionTextFlag(index);
      break;
    default:
      break;
  }
  if (font == "ROMANS") font.clear();
  int16_t k = ColorCode(color);
  std::string style = "標準";
  if (bold && !italic) style = "太字";
  if (italic && !bold) style = "斜体";
  if (bold && italic) style = "太字 斜体";

  // From here on a failing step is skipped.
  if (!application) {
    if (!Tolerant([&] { application = excel::CreateObject(kExcelApplicationClass); })) return;
  }
  std::shared_ptr<excel::Selection> selection;
  std::shared_ptr<excel::ShapeRange> range;
  Tolerant([&] {
    selection = application->Selection();
    range = selection->ShapeRange();
  });
  auto onSelection = [&](auto&& step) {
    if (selection) Tolerant([&] { step(*selection); });
  };
  auto onRange = [&](auto&& step) {
    if (range) Tolerant([&] { step(*range); });
  };

  std::string fontName;
  bool hasLine = false;
  onRange([&](excel::ShapeRange& r) {
    r.Line()->Weight();
    hasLine = true;
  });
  if (hasLine) {
    onRange([&](excel::ShapeRange& r) { r.Line()->SetWeight(LineWeightFor(0)); });
    fontName = GetExcelFontName(font);
    if (k < 1) k = 1;
  }

  std::shared_ptr<excel::Font> characters;
  onSelection([&](excel::Selection& s) { characters = s.Characters(1, CharacterCount(length))->Font(); });
  if (characters) {
    if (!fontName.empty()) Tolerant([&] { characters->SetName(fontName); });
    Tolerant([&] { characters->SetFontStyle(style); });
    Tolerant([&] { characters->SetSize(fontPoints); });
    Tolerant([&] { characters->SetStrikethrough(false); });
    Tolerant([&] { characters->SetSuperscript(false); });
    Tolerant([&] { characters->SetSubscript(false); });
    Tolerant([&] { characters->SetOutlineFont(false); });
    Tolerant([&] { characters->SetShadow(false); });
    Tolerant([&] { characters->SetUnderline(underline); });
    Tolerant([&] { characters->SetColorIndex(GetFontColorIndex(k)); });
  }

  onSelection([&](excel::Selection& s) { s.SetHorizontalAlignment(excel::kAlignLeft); });
  onSelection([&](excel::Selection& s) { s.SetAutoSize(true); });
  onSelection([&](excel::Selection& s) { s.SetAddIndent(false); });

  onRange([&](excel::ShapeRange& r) { r.Fill()->SetVisible(excel::kFalse); });
  onRange([&](excel::ShapeRange& r) { r.Fill()->SetTransparency(0.0); });
  onRange([&](excel::ShapeRange& r) { r.Line()->SetDashStyle(excel::kLineSolid); });
  onRange([&](excel::ShapeRange& r) { r.Line()->SetStyle(excel::kLineSingle); });
  onRange([&](excel::ShapeRange& r) { r.Line()->SetTransparency(0.0); });
  onRange([&](excel::ShapeRange& r) { r.Line()->SetVisible(excel::kFalse); });

  // A vertical style: the auto-sized box becomes as wide as it was tall and
  // 1.2 times that plus its old width tall, moved down by its height.
  if (flag == 4) {
    double boxWidth = 0, boxHeight = 0;
    onRange([&](excel::ShapeRange& r) { boxWidth = r.Width(); });
    onRange([&](excel::ShapeRange& r) { boxHeight = r.Height(); });
    if (boxWidth > 0 && boxHeight > 0) {
      onRange([&](excel::ShapeRange& r) {
        r.ScaleWidth(boxHeight / boxWidth, false, excel::kScaleFromTopLeft);
      });
      onRange([&](excel::ShapeRange& r) {
        r.ScaleHeight((boxHeight * 1.2 + boxWidth) / boxHeight, false, excel::kScaleFromTopLeft);
      });
      onRange([&](excel::ShapeRange& r) { r.IncrementTop(boxHeight); });
    }
  }
}

int32_t RvExcelExport::GetLineSchemeColor(int16_t color) const {
  if (monochrome_) return 8;
  switch (color) {
    case 1: return 2;    // red
    case 2: return 13;   // yellow
    case 3: return 17;   // green
    case 4: return 7;    // cyan
    case 5: return 4;    // blue
    case 6: return 6;    // magenta
    default: return 8;   // black
  }
}

int32_t RvExcelExport::GetFontColorIndex(int16_t color) const {
  if (monochrome_) return 1;
  switch (color) {
    case 1: return 3;
    case 2: return 6;
    case 3: return 10;
    case 4: return 8;
    case 5: return 5;
    case 6: return 7;
    default: return 1;
  }
}

std::string RvExcelExport::GetExcelFontName(const std::string& fontFile) const {
  if (fontFile == "MS Mincho.ttf" || fontFile == "@MS Mincho.ttf") return "ＭＳ 明朝";
  if (fontFile == "MS PMincho.ttf" || fontFile == "@MS PMincho.ttf") return "ＭＳ Ｐ明朝";
  if (fontFile == "MS Gothic.ttf" || fontFile == "@MS Gothic.ttf") return "ＭＳ ゴシック";
  if (fontFile == "MS PGothic.ttf" || fontFile == "@MS PGothic.ttf") return "ＭＳ Ｐゴシック";
  return fontFile;
}

void RvExcelExport::GetArrowSettings(int16_t& style, int16_t& length, int16_t& width,
                                     int16_t& available) const {
  if (!system_bound_ || !excel_excute_) {
    style = length = width = available = 0;
    return;
  }
  available = -1;  // true
  style = (arrow_style_ >= 1 && arrow_style_ <= 6) ? arrow_style_ : excel::kArrowheadTriangle;
  switch (arrow_length_) {
    case 1: length = excel::kArrowheadShort; break;
    case 3: length = excel::kArrowheadLong; break;
    default: length = excel::kArrowheadLengthMedium; break;
  }
  switch (arrow_width_) {
    case 2: width = excel::kArrowheadWidthMedium; break;
    case 3: width = excel::kArrowheadWide; break;
    default: width = excel::kArrowheadNarrow; break;
  }
}

bool RvExcelExport::CanDrawArrow(std::span<const double> first,
                                 std::span<const double> second) const {
  if (!(system_bound_ && excel_excute_ && dim_omission_)) return true;
  int16_t style = 0, length = 0, width = 0, available = 0;
  GetArrowSettings(style, length, width, available);
  const double dx = first[0] - second[0];
  const double dy = first[1] - second[1];
  const double s = dy * dy + dx * dx;
  const double d = std::fabs(s) > 0.001 ? std::sqrt(s) : s;
  return !(5.0 * length > d);
}

void RvExcelExport::SetArrowheads(std::shared_ptr<excel::LineFormat>& line, int16_t kind) {
  if (!system_bound_ || !excel_excute_) return;
  int16_t style = 0, length = 0, width = 0, available = 0;
  GetArrowSettings(style, length, width, available);
  int32_t beginStyle = 0, endStyle = 0;
  switch (kind) {
    case kArrowAtStart:
      beginStyle = style;
      endStyle = excel::kArrowheadNone;
      break;
    case kArrowAtEnd:
      beginStyle = excel::kArrowheadNone;
      endStyle = style;
      break;
    case kArrowAtBothEnds:
      beginStyle = style;
      endStyle = style;
      break;
    default:
      return;
  }
  line->SetBeginArrowheadLength(length);
  line->SetBeginArrowheadWidth(width);
  line->SetBeginArrowheadStyle(beginStyle);
  line->SetEndArrowheadLength(length);
  line->SetEndArrowheadWidth(width);
  line->SetEndArrowheadStyle(endStyle);
}

}  // namespace ovix
