// RvSystem: the effective colour, line type and line width of each entity
// (its own value, or its layer's, or for dimensions its dimension style's),
// and the values derived from dimension styles: the rounded dimension text,
// the text height and the linear factor.
//
// Every lookup by name goes through the tables' name index, so resolving an
// attribute costs the same however many layers and line types there are.

#include <cmath>
#include <string>

#include "model/rv_system.h"
#include "model/store_access.h"
#include "tools/numeric.h"

namespace ovix {

using model_detail::RecordAt;

namespace {

// The colour number of an entity, held as a double, as a 32-bit integer.
int32_t ColorNumber(double color) { return num::ToInt32(color); }

bool ResolvesByLayer(int32_t c) { return c < 1 || c == 256; }

// Rounds `value` to `decimals` places (tens, hundreds... for a negative
// count), halves to even. A scaled value beyond 2^52 is already whole, so
// nothing limits the size of the value.
double RoundToDecimals(double value, int decimals) {
  constexpr double kWhole = 4503599627370496.0;  // 2^52
  if (decimals >= 1) {
    const double scale = std::pow(10.0, decimals);
    const double scaled = value * scale;
    if (!std::isfinite(scaled) || std::fabs(scaled) >= kWhole) return value;
    return num::RoundHalfEven(scaled) / scale;
  }
  if (decimals <= -1) {
    const double scale = std::pow(10.0, -decimals);
    if (!std::isfinite(scale)) return 0.0;  // every finite value is below half of it
    return num::RoundHalfEven(value / scale) * scale;
  }
  return num::RoundHalfEven(value);
}

}  // namespace

// ---- layer values by name --------------------------------------------------

// A layer missing from the table has the default properties (colour 7,
// CONTINUOUS, default weight).
int32_t RvSystem::LayerColorOf(const std::string& layer) const {
  const auto* l = FirstLayer(layer);
  return l ? l->Color : kUnlistedLayerColor;
}

double RvSystem::LayerWidthOf(const std::string& layer) const {
  const auto* l = FirstLayer(layer);
  return l ? l->LineWidth : kUnlistedLayerWidth;
}

// Tries the layers of this name in table order and takes the first whose
// line type is in the table: a duplicate layer whose line type is missing
// does not hide a later one that has it.
int16_t RvSystem::LayerLineTypeWalk(const std::string& layer) const {
  const std::vector<int32_t>* same_name = layer_index_.Find(layer);
  if (!same_name) return kDashContinuous;
  for (const int32_t i : *same_name) {
    const auto* lt = FirstLtype(layers_[static_cast<std::size_t>(i)].LineStyle);
    if (lt) return lt->LineType;
  }
  return kDashNotFound;
}

int16_t RvSystem::OwnLineType(const std::string& style, const std::string& layer) const {
  const auto* lt = FirstLtype(style);
  if (lt && lt->LineType >= 0) return lt->LineType;
  return LayerLineTypeWalk(layer);
}

// ---- curves: colour, line type, width --------------------------------------

#define OVIX_CURVE_ATTRIBUTES(Kind, store)                                            \
  int32_t RvSystem::Kind##EntityLineColorByLayer(int32_t ID) const {                  \
    const auto* r = RecordAt(store, ID);                                              \
    return r ? LayerColorOf(r->Layer) : 0;                                            \
  }                                                                                   \
  int32_t RvSystem::Kind##EntityLineColor(int32_t ID) const {                         \
    const auto* r = RecordAt(store, ID);                                              \
    const int32_t c = r ? ColorNumber(r->Color) : 0;                                  \
    return ResolvesByLayer(c) ? Kind##EntityLineColorByLayer(ID) : c;                 \
  }                                                                                   \
  int16_t RvSystem::Kind##EntityLineTypeByLayer(int32_t ID) const {                   \
    const auto* r = RecordAt(store, ID);                                              \
    return r ? LayerLineTypeWalk(r->Layer) : kDashNotFound;                           \
  }                                                                                   \
  int16_t RvSystem::Kind##EntityLineType(int32_t ID) const {                          \
    const auto* r = RecordAt(store, ID);                                              \
    return r ? OwnLineType(r->LineStyle, r->Layer) : kDashNotFound;                   \
  }                                                                                   \
  double RvSystem::Kind##EntityLineWidthByLayer(int32_t ID) const {                   \
    const auto* r = RecordAt(store, ID);                                              \
    return r ? LayerWidthOf(r->Layer) : -1.0;                                         \
  }                                                                                   \
  double RvSystem::Kind##EntityLineWidth(int32_t ID) const {                          \
    const auto* r = RecordAt(store, ID);                                              \
    const double w = r ? static_cast<double>(r->LineWidth) : -1.0;                    \
    return w >= 0.0 ? w : Kind##EntityLineWidthByLayer(ID);                           \
  }

OVIX_CURVE_ATTRIBUTES(Line, lines_)
OVIX_CURVE_ATTRIBUTES(Circle, circles_)
OVIX_CURVE_ATTRIBUTES(Ellipse, ellipses_)
OVIX_CURVE_ATTRIBUTES(Arc, arcs_)
OVIX_CURVE_ATTRIBUTES(Polyline, polylines_)
OVIX_CURVE_ATTRIBUTES(Leader, leaders_)

#undef OVIX_CURVE_ATTRIBUTES

// ---- texts: colour ---------------------------------------------------------
// A text keeps 256 as it is; only by-block colours (below 1) go to the layer.

int32_t RvSystem::TextEntityColorByLayer(int32_t ID) const {
  const auto* r = RecordAt(texts_, ID);
  return r ? LayerColorOf(r->Layer) : 0;
}
int32_t RvSystem::TextEntityColor(int32_t ID) const {
  const auto* r = RecordAt(texts_, ID);
  const int32_t c = r ? ColorNumber(r->Color) : 0;
  return c < 1 ? TextEntityColorByLayer(ID) : c;
}
int32_t RvSystem::MtextEntityColorByLayer(int32_t ID) const {
  const auto* r = RecordAt(mtexts_, ID);
  return r ? LayerColorOf(r->Layer) : 0;
}
int32_t RvSystem::MtextEntityColor(int32_t ID) const {
  const auto* r = RecordAt(mtexts_, ID);
  const int32_t c = r ? ColorNumber(r->Color) : 0;
  return c < 1 ? MtextEntityColorByLayer(ID) : c;
}

// ---- dimensions ------------------------------------------------------------

int32_t RvSystem::DimensionEntityColorByDimStyle(int32_t ID, int16_t PartType) const {
  const auto* r = RecordAt(dimensions_, ID);
  if (!r) return 0;
  const auto* s = FirstDimStyle(r->StyleName);
  if (!s) return 0;
  switch (PartType) {
    case kDimPartLine: return s->DimLineColor;
    case kDimPartExtension: return s->ExtLineColor;
    case kDimPartText: return s->TextColor;
    default: return 0;
  }
}

int32_t RvSystem::DimensionEntityLineColorByLayer(int32_t ID) const {
  const auto* r = RecordAt(dimensions_, ID);
  return r ? LayerColorOf(r->Layer) : 0;
}

int32_t RvSystem::DimensionTextEntityColorByLayer(int32_t ID) const {
  return DimensionEntityLineColorByLayer(ID);
}

int32_t RvSystem::DimensionEntityLineColor(int32_t ID, int16_t PartType) const {
  const auto* r = RecordAt(dimensions_, ID);
  int32_t c = r ? ColorNumber(r->Color) : 0;
  if (c < 1) {
    c = DimensionEntityColorByDimStyle(ID, PartType);
    if (c < 1) return DimensionEntityLineColorByLayer(ID);
  }
  if (c == 256) return DimensionEntityLineColorByLayer(ID);
  return c;
}

int32_t RvSystem::DimensionTextColor(int32_t ID) const {
  const auto* r = RecordAt(dimensions_, ID);
  int32_t c = r ? ColorNumber(r->TextColor) : 0;
  if (c < 1) {
    c = DimensionEntityColorByDimStyle(ID, kDimPartText);
    if (c < 1) return DimensionTextEntityColorByLayer(ID);
  }
  if (c == 256) return DimensionTextEntityColorByLayer(ID);
  return c;
}

int16_t RvSystem::DimensionEntityLineTypeByLayer(int32_t ID) const {
  const auto* r = RecordAt(dimensions_, ID);
  return r ? LayerLineTypeWalk(r->Layer) : kDashNotFound;
}

int16_t RvSystem::DimensionEntityLineType(int32_t ID) const {
  const auto* r = RecordAt(dimensions_, ID);
  return r ? OwnLineType(r->LineStyle, r->Layer) : kDashNotFound;
}

double RvSystem::DimensionEntityLineWidthByDimStyle(int32_t ID, int16_t PartType) const {
  const auto* r = RecordAt(dimensions_, ID);
  if (!r || (PartType != kDimPartLine && PartType != kDimPartExtension)) return -1.0;
  const auto* s = FirstDimStyle(r->StyleName);
  // The dimension line weight serves the extension lines too.
  return s ? s->DimLineWidth : -1.0;
}

double RvSystem::DimensionEntityLineWidthByLayer(int32_t ID) const {
  const auto* r = RecordAt(dimensions_, ID);
  return r ? LayerWidthOf(r->Layer) : -1.0;
}

double RvSystem::DimensionEntityLineWidth(int32_t ID, int16_t PartType) const {
  const auto* r = RecordAt(dimensions_, ID);
  if (!r) return -1.0;
  double w = r->LineWidth;
  if (w < 0.0) w = DimensionEntityLineWidthByDimStyle(ID, PartType);
  if (w < 0.0) w = DimensionEntityLineWidthByLayer(ID);
  return w;
}

double RvSystem::GetDimensionTextHeight(int32_t ID) const {
  const auto* r = RecordAt(dimensions_, ID);
  if (!r) return 0.0;
  const auto* s = FirstDimStyle(r->StyleName);
  return s ? s->DimScale * s->DimText : 0.0;
}

std::string RvSystem::DimensionTextDec(int32_t ID) const {
  const auto* r = RecordAt(dimensions_, ID);
  if (!r) return std::string();
  const auto* s = FirstDimStyle(r->StyleName);
  if (!s) return std::string();
  const std::string& text = r->Text;
  if (text.empty()) return std::string();
  if (!num::IsNumeric(text)) return text;
  double value = num::ToDouble(text);
  if (r->DimType == kDimTypeAngular2Line) {
    // Radians to degrees, through the decimal text the value would be
    // written as (15 significant digits), so 1.5707963267949 gives 90.
    const double degrees = tools_.RadianToDegree(value);
    if (!std::isfinite(degrees)) return text;
    value = num::ToDouble(num::FormatGeneral(degrees));
  }
  return num::FormatGeneral(RoundToDecimals(value, s->DimDec));
}

}  // namespace ovix
