// Line and fill formats of shapes and their colours.
#include <cmath>
#include <limits>

#include "workbook/automation_objects.h"
#include "workbook/color_palette.h"
#include "tools/numeric.h"

namespace ovix::workbook {

namespace {

// Widest outline the file format holds (20,116,800 EMU).
constexpr double kMaxLineWeight = 1584.0;

void CheckRange(int32_t value, int32_t low, int32_t high, const char* what) {
  if (value < low || value > high) {
    throw excel::AutomationError(std::string("invalid ") + what + ": " + std::to_string(value));
  }
}

void CheckTransparency(double value) {
  if (!std::isfinite(value) || value < 0.0 || value > 1.0) {
    throw excel::AutomationError("a transparency runs from 0 to 1: " + num::FormatGeneral(value));
  }
}

void CheckTargets(const std::vector<ShapeNode*>& targets) {
  if (targets.empty()) throw excel::AutomationError("there is no shape to format");
}

bool TriState(int32_t value) {
  if (value != excel::kTrue && value != excel::kFalse && value != 1) {
    throw excel::AutomationError("expected true (-1) or false (0): " + std::to_string(value));
  }
  return value != excel::kFalse;
}

int32_t Squared(int32_t v) { return v * v; }

// The scheme colour (8 to 63) nearest to `rgb`.
int32_t NearestScheme(uint32_t rgb) {
  int32_t best = 8;
  int32_t best_distance = std::numeric_limits<int32_t>::max();
  for (int32_t scheme = 8; scheme <= 63; ++scheme) {
    const uint32_t c = *SchemeColor(scheme);
    const int32_t d = Squared(static_cast<int32_t>((c >> 16) & 0xFF) - static_cast<int32_t>((rgb >> 16) & 0xFF)) +
                      Squared(static_cast<int32_t>((c >> 8) & 0xFF) - static_cast<int32_t>((rgb >> 8) & 0xFF)) +
                      Squared(static_cast<int32_t>(c & 0xFF) - static_cast<int32_t>(rgb & 0xFF));
    if (d < best_distance) {
      best = scheme;
      best_distance = d;
    }
  }
  return best;
}

}  // namespace

// --- ColorFormat -------------------------------------------------------------

const ShapeColor& ColorFormatImpl::First() const {
  ref_.CheckOpen();
  CheckTargets(targets_);
  return fill_ ? targets_.front()->fill.color : targets_.front()->line.color;
}

int32_t ColorFormatImpl::SchemeColor() const {
  const ShapeColor& c = First();
  if (c.automatic) return excel::kSchemeColorAutomatic;
  return c.scheme >= 0 ? c.scheme : NearestScheme(c.rgb);
}

void ColorFormatImpl::SetSchemeColor(int32_t value) {
  ref_.CheckOpen();
  CheckTargets(targets_);
  ShapeColor color;
  if (value == excel::kSchemeColorAutomatic) {
    color = ShapeColor{};
  } else {
    const auto rgb = workbook::SchemeColor(value);
    if (!rgb) {
      throw excel::AutomationError("scheme colours run from 0 to 64: " + std::to_string(value));
    }
    color.automatic = false;
    color.scheme = static_cast<int16_t>(value);
    color.rgb = *rgb;
  }
  Assign(color);
}

int32_t ColorFormatImpl::RGB() const {
  const ShapeColor& c = First();
  if (c.automatic) return RgbToColorReference(fill_ ? 0xFFFFFF : 0x000000);
  return RgbToColorReference(c.rgb);
}

void ColorFormatImpl::SetRGB(int32_t value) {
  ref_.CheckOpen();
  CheckTargets(targets_);
  if (value < 0 || value > 0xFFFFFF) {
    throw excel::AutomationError("a colour reference runs from 0 to 16777215: " +
                                 std::to_string(value));
  }
  ShapeColor color;
  color.automatic = false;
  color.scheme = -1;
  color.rgb = ColorReferenceToRgb(value);
  Assign(color);
}

void ColorFormatImpl::Assign(const ShapeColor& color) {
  for (ShapeNode* node : targets_) {
    Of(*node) = color;
    // Giving a line or a fill a colour shows it, as in the spreadsheet
    // application (lines have no fill to show).
    if (!fill_) {
      node->line.visible = true;
    } else if (node->kind != ShapeKind::kLine) {
      node->fill.visible = true;
    }
  }
  ref_.workbook->Touch();
}

// --- LineFormat --------------------------------------------------------------

const LineStyle& LineFormatImpl::First() const {
  ref_.CheckOpen();
  CheckTargets(targets_);
  return targets_.front()->line;
}

template <typename F>
void LineFormatImpl::Apply(F&& f) {
  ref_.CheckOpen();
  CheckTargets(targets_);
  for (ShapeNode* node : targets_) f(node->line);
  ref_.workbook->Touch();
}

double LineFormatImpl::Weight() const { return First().weight; }

void LineFormatImpl::SetWeight(double points) {
  if (!std::isfinite(points) || points < 0 || points > kMaxLineWeight) {
    throw excel::AutomationError("a line weight runs from 0 to 1584 points: " +
                                 num::FormatGeneral(points));
  }
  Apply([&](LineStyle& s) { s.weight = points; });
}

int32_t LineFormatImpl::DashStyle() const { return First().dash_style; }

void LineFormatImpl::SetDashStyle(int32_t value) {
  CheckRange(value, 1, 12, "dash style");
  Apply([&](LineStyle& s) { s.dash_style = static_cast<int8_t>(value); });
}

int32_t LineFormatImpl::Style() const { return First().compound; }

void LineFormatImpl::SetStyle(int32_t value) {
  CheckRange(value, excel::kLineSingle, excel::kLineThickBetweenThin, "line style");
  Apply([&](LineStyle& s) { s.compound = static_cast<int8_t>(value); });
}

double LineFormatImpl::Transparency() const { return First().transparency; }

void LineFormatImpl::SetTransparency(double value) {
  CheckTransparency(value);
  Apply([&](LineStyle& s) { s.transparency = value; });
}

int32_t LineFormatImpl::Visible() const { return First().visible ? excel::kTrue : excel::kFalse; }

void LineFormatImpl::SetVisible(int32_t value) {
  const bool visible = TriState(value);
  Apply([&](LineStyle& s) { s.visible = visible; });
}

std::shared_ptr<excel::ColorFormat> LineFormatImpl::ForeColor() {
  ref_.CheckOpen();
  return std::make_shared<ColorFormatImpl>(ref_, targets_, false);
}

int32_t LineFormatImpl::BeginArrowheadStyle() const { return First().begin_style; }
void LineFormatImpl::SetBeginArrowheadStyle(int32_t value) {
  CheckRange(value, excel::kArrowheadNone, excel::kArrowheadOval, "arrowhead style");
  Apply([&](LineStyle& s) { s.begin_style = static_cast<int8_t>(value); });
}
int32_t LineFormatImpl::BeginArrowheadLength() const { return First().begin_length; }
void LineFormatImpl::SetBeginArrowheadLength(int32_t value) {
  CheckRange(value, excel::kArrowheadShort, excel::kArrowheadLong, "arrowhead length");
  Apply([&](LineStyle& s) { s.begin_length = static_cast<int8_t>(value); });
}
int32_t LineFormatImpl::BeginArrowheadWidth() const { return First().begin_width; }
void LineFormatImpl::SetBeginArrowheadWidth(int32_t value) {
  CheckRange(value, excel::kArrowheadNarrow, excel::kArrowheadWide, "arrowhead width");
  Apply([&](LineStyle& s) { s.begin_width = static_cast<int8_t>(value); });
}
int32_t LineFormatImpl::EndArrowheadStyle() const { return First().end_style; }
void LineFormatImpl::SetEndArrowheadStyle(int32_t value) {
  CheckRange(value, excel::kArrowheadNone, excel::kArrowheadOval, "arrowhead style");
  Apply([&](LineStyle& s) { s.end_style = static_cast<int8_t>(value); });
}
int32_t LineFormatImpl::EndArrowheadLength() const { return First().end_length; }
void LineFormatImpl::SetEndArrowheadLength(int32_t value) {
  CheckRange(value, excel::kArrowheadShort, excel::kArrowheadLong, "arrowhead length");
  Apply([&](LineStyle& s) { s.end_length = static_cast<int8_t>(value); });
}
int32_t LineFormatImpl::EndArrowheadWidth() const { return First().end_width; }
void LineFormatImpl::SetEndArrowheadWidth(int32_t value) {
  CheckRange(value, excel::kArrowheadNarrow, excel::kArrowheadWide, "arrowhead width");
  Apply([&](LineStyle& s) { s.end_width = static_cast<int8_t>(value); });
}

// --- FillFormat --------------------------------------------------------------

const FillStyle& FillFormatImpl::First() const {
  ref_.CheckOpen();
  CheckTargets(targets_);
  return targets_.front()->fill;
}

int32_t FillFormatImpl::Visible() const { return First().visible ? excel::kTrue : excel::kFalse; }

void FillFormatImpl::SetVisible(int32_t value) {
  ref_.CheckOpen();
  CheckTargets(targets_);
  const bool visible = TriState(value);
  for (ShapeNode* node : targets_) {
    // Lines have no inside to fill.
    if (node->kind != ShapeKind::kLine) node->fill.visible = visible;
  }
  ref_.workbook->Touch();
}

double FillFormatImpl::Transparency() const { return First().transparency; }

void FillFormatImpl::SetTransparency(double value) {
  ref_.CheckOpen();
  CheckTargets(targets_);
  CheckTransparency(value);
  for (ShapeNode* node : targets_) node->fill.transparency = value;
  ref_.workbook->Touch();
}

std::shared_ptr<excel::ColorFormat> FillFormatImpl::ForeColor() {
  ref_.CheckOpen();
  return std::make_shared<ColorFormatImpl>(ref_, targets_, true);
}

}  // namespace ovix::workbook
