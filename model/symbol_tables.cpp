// RvSystem: the four symbol tables (layers, line types, text styles,
// dimension styles), their add operations and their lookups.
//
// Each add operation builds the whole record first and appends it as its
// last step, so a failed add leaves the table as it was.

#include <cstdlib>
#include <string>

#include "model/rv_system.h"
#include "tools/argument_access.h"
#include "tools/numeric.h"
#include "tools/rv_error.h"

namespace ovix {

namespace {

// Narrows a table value to a 16-bit field; the overflow names the field.
int16_t Narrow(int32_t value, const char* operation, const char* field) {
  try {
    return num::ToInt16(value);
  } catch (const RvError& e) {
    throw RvError(e.kind(), std::string(operation) + " (" + field + "): " + e.what());
  }
}

// Dash style code of a pattern of `n` elements.
int16_t DashStyleOf(int32_t n, bool has_dot) {
  switch (n) {
    case 2: return has_dot ? kDashDotted : kDashDashed;
    case 4: return kDashDashDot;
    case 6: return kDashDashDotDot;
    default: return kDashContinuous;
  }
}

template <typename Record>
const Record* At(const std::vector<Record>& table, int32_t ID) {
  return ID >= 0 && static_cast<std::size_t>(ID) < table.size() ? &table[static_cast<std::size_t>(ID)]
                                                                 : nullptr;
}

}  // namespace

// ---- add operations --------------------------------------------------------

int32_t RvSystem::AddLayer(const std::string& Handle, const std::string& strName,
                           std::span<const int32_t> lngValues,
                           std::span<const std::string> strValues) {
  constexpr const char* op = "AddLayer";
  LayerRecord r;
  r.Handle = Handle;
  r.Name = strName;
  r.Color = ArgAt(lngValues, 1, op, "lngValues");
  r.Flag = r.Color < 0 ? kLayerFlagOff : Narrow(ArgAt(lngValues, 0, op, "lngValues"), op, "flags");
  r.LineStyle = ArgAt(strValues, 0, op, "strValues");
  r.PlotFlag = Narrow(ArgAt(lngValues, 2, op, "lngValues"), op, "plot flag");
  // Hundredths of a millimetre to millimetres; the special negative weights
  // (-1, -2, -3) become small positive widths, so a layer width is never
  // negative.
  r.LineWidth = std::abs(static_cast<double>(ArgAt(lngValues, 3, op, "lngValues"))) / 100.0;

  const auto index = static_cast<int32_t>(layers_.size());
  layers_.push_back(std::move(r));
  layer_index_.Add(layers_.back().Name, index);
  return index + 1;
}

int32_t RvSystem::AddLtype(const std::string& strName, std::span<const int32_t> lngValues,
                           std::span<const double> dblValues,
                           std::span<const std::string> strValues) {
  constexpr const char* op = "AddLtype";
  LtypeRecord r;
  r.Name = strName;
  r.Flags = Narrow(ArgAt(lngValues, 0, op, "lngValues"), op, "flags");
  r.Description = ArgAt(strValues, 0, op, "strValues");
  r.Alignment = Narrow(ArgAt(lngValues, 1, op, "lngValues"), op, "alignment");
  const int32_t n = ArgAt(lngValues, 2, op, "lngValues");
  r.ElementCount = Narrow(n, op, "element count");
  r.PatternLength = ArgAt(dblValues, 0, op, "dblValues");

  // Running positions into the three lists: reals after the pattern length,
  // integers after flags, alignment and count, texts after the description.
  std::size_t real = 0, integer = 0, text = 0;
  bool has_dot = false;
  for (int32_t e = 0; e < n; ++e) {
    LtypeElement el;
    el.ElementLength = ArgAt(dblValues, real + 1, op, "dblValues");
    ++real;
    if (el.ElementLength == 0.0) has_dot = true;
    el.ElementType = Narrow(ArgAt(lngValues, integer + 3, op, "lngValues"), op, "element type");
    ++integer;
    // An embedded element (bit 2: a text, bit 4: a shape; bit 1 only says
    // how its rotation counts) brings a shape number, a style, its scale,
    // rotation and offsets, and a text of its own only when it is a text.
    // Reading these for texts alone would shift every later element of a
    // pattern with shapes onto the shape's values.
    const bool embedded_text = (el.ElementType & 2) != 0;
    const bool embedded_shape = (el.ElementType & 4) != 0;
    if (embedded_text || embedded_shape) {
      el.ShapeNumber = Narrow(ArgAt(lngValues, integer + 3, op, "lngValues"), op, "shape number");
      el.StyleRef = Narrow(ArgAt(lngValues, integer + 4, op, "lngValues"), op, "style reference");
      integer += 2;
      el.ElementScale = ArgAt(dblValues, real + 1, op, "dblValues");
      el.ElementRotation = ArgAt(dblValues, real + 2, op, "dblValues");
      el.OffsetX = ArgAt(dblValues, real + 3, op, "dblValues");
      el.OffsetY = ArgAt(dblValues, real + 4, op, "dblValues");
      real += 4;
      if (embedded_text) {
        el.ElementText = ArgAt(strValues, text + 1, op, "strValues");
        ++text;
      }
    }
    r.Elements.push_back(std::move(el));
  }
  r.LineType = DashStyleOf(n, has_dot);

  const auto index = static_cast<int32_t>(ltypes_.size());
  ltypes_.push_back(std::move(r));
  ltype_index_.Add(ltypes_.back().Name, index);
  return index + 1;
}

int32_t RvSystem::AddTextStyle(const std::string& strName, std::span<const int32_t> lngValues,
                               std::span<const double> dblValues,
                               std::span<const std::string> strValues) {
  constexpr const char* op = "AddTextStyle";
  TextStyleRecord r;
  r.Name = strName;
  r.Flags = Narrow(ArgAt(lngValues, 0, op, "lngValues"), op, "flags");
  r.FixedHeight = ArgAt(dblValues, 0, op, "dblValues");
  r.WidthFactor = ArgAt(dblValues, 1, op, "dblValues");
  r.ObliqueAngle = ArgAt(dblValues, 2, op, "dblValues");
  r.GenerationFlags = Narrow(ArgAt(lngValues, 1, op, "lngValues"), op, "generation flags");
  r.LastHeight = ArgAt(dblValues, 3, op, "dblValues");
  r.FontName = ArgAt(strValues, 0, op, "strValues");
  r.BigFontName = ArgAt(strValues, 1, op, "strValues");
  if (!r.FontName.empty() && r.FontName.front() == '@') r.Flags = 4;  // a vertical font

  const auto index = static_cast<int32_t>(text_styles_.size());
  text_styles_.push_back(std::move(r));
  text_style_index_.Add(text_styles_.back().Name, index);
  return index + 1;
}

int32_t RvSystem::AddDimStyle(const std::string& Handle, const std::string& strName,
                              std::span<const int32_t> lngValues, std::span<double> dblValues) {
  constexpr const char* op = "AddDimStyle";
  const std::span<const double> dbl(dblValues);
  RequireArgs(dbl, 10, op, "dblValues");
  RequireArgs(lngValues, 8, op, "lngValues");
  // A scale of 0 means 1, for the caller as well as for the table.
  if (dblValues[0] == 0.0) dblValues[0] = 1.0;

  DimStyleRecord r;
  r.Handle = Handle;
  r.Name = strName;
  r.DimScale = dbl[0];
  r.ArrowLen = dbl[1];
  r.ExtOffset = dbl[2];
  r.BaselineSpacing = dbl[3];
  r.DimLineWidth = dbl[8];
  r.DimSubLineWidth = dbl[9];
  r.ExtExtension = dbl[4];
  r.DimText = dbl[5];
  r.LinearFactor = dbl[6];
  r.TextGap = dbl[7];
  r.ForceLineInside = Narrow(lngValues[0], op, "force line inside");
  r.TextInside = Narrow(lngValues[1], op, "text inside");
  r.DimLineColor = lngValues[2];
  r.ExtLineColor = lngValues[3];
  r.TextColor = lngValues[4];
  r.DimDec = Narrow(lngValues[6], op, "decimal places");
  r.ToleranceDec = Narrow(lngValues[7], op, "tolerance decimal places");

  const auto index = static_cast<int32_t>(dim_styles_.size());
  dim_styles_.push_back(std::move(r));
  dim_style_index_.Add(dim_styles_.back().Name, index);
  return index + 1;
}

// ---- record copies and per-index accessors -------------------------------

std::optional<LayerRecord> RvSystem::GetLayer(int32_t ID) const {
  const auto* r = At(layers_, ID);
  return r ? std::optional<LayerRecord>(*r) : std::nullopt;
}
std::optional<LtypeRecord> RvSystem::GetLtype(int32_t ID) const {
  const auto* r = At(ltypes_, ID);
  return r ? std::optional<LtypeRecord>(*r) : std::nullopt;
}
std::optional<TextStyleRecord> RvSystem::GetTextStyle(int32_t ID) const {
  const auto* r = At(text_styles_, ID);
  return r ? std::optional<TextStyleRecord>(*r) : std::nullopt;
}
std::optional<DimStyleRecord> RvSystem::GetDimStyle(int32_t ID) const {
  const auto* r = At(dim_styles_, ID);
  return r ? std::optional<DimStyleRecord>(*r) : std::nullopt;
}

std::string RvSystem::LayerName(int32_t ID) const {
  const auto* r = At(layers_, ID);
  return r ? r->Name : std::string();
}
std::string RvSystem::LayerLineStyle(int32_t ID) const {
  const auto* r = At(layers_, ID);
  return r ? r->LineStyle : std::string();
}
int16_t RvSystem::LayerFlag(int32_t ID) const {
  const auto* r = At(layers_, ID);
  return r ? r->Flag : 0;
}
int32_t RvSystem::LayerColor(int32_t ID) const {
  const auto* r = At(layers_, ID);
  return r ? r->Color : 0;
}
double RvSystem::LayerLineWidth(int32_t ID) const {
  const auto* r = At(layers_, ID);
  return r ? r->LineWidth : 0.0;
}

double RvSystem::DimScale(int32_t ID) const {
  const auto* r = At(dim_styles_, ID);
  return r ? r->DimScale : 0.0;
}
double RvSystem::DimLineWidth(int32_t ID) const {
  const auto* r = At(dim_styles_, ID);
  return r ? r->DimLineWidth : 0.0;
}
double RvSystem::DimSubLineWidth(int32_t ID) const {
  const auto* r = At(dim_styles_, ID);
  return r ? r->DimSubLineWidth : 0.0;
}
double RvSystem::DimText(int32_t ID) const {
  const auto* r = At(dim_styles_, ID);
  return r ? r->DimText : 0.0;
}
int16_t RvSystem::DimDec(int32_t ID) const {
  const auto* r = At(dim_styles_, ID);
  return r ? r->DimDec : 0;
}

// ---- lookups by name -------------------------------------------------------

const LayerRecord* RvSystem::FirstLayer(const std::string& name) const {
  const int32_t i = layer_index_.First(name);
  return i < 0 ? nullptr : &layers_[static_cast<std::size_t>(i)];
}
const LtypeRecord* RvSystem::FirstLtype(const std::string& name) const {
  const int32_t i = ltype_index_.First(name);
  return i < 0 ? nullptr : &ltypes_[static_cast<std::size_t>(i)];
}
const TextStyleRecord* RvSystem::FirstTextStyle(const std::string& name) const {
  const int32_t i = text_style_index_.First(name);
  return i < 0 ? nullptr : &text_styles_[static_cast<std::size_t>(i)];
}
const DimStyleRecord* RvSystem::FirstDimStyle(const std::string& name) const {
  const int32_t i = dim_style_index_.First(name);
  return i < 0 ? nullptr : &dim_styles_[static_cast<std::size_t>(i)];
}

int16_t RvSystem::GetLayerFlagFromName(const std::string& LayerName) const {
  const int32_t i = layer_index_.Last(LayerName);
  return i < 0 ? kLayerFlagNotFound : layers_[static_cast<std::size_t>(i)].Flag;
}

double RvSystem::GetLayerLineWidthFromLayerName(const std::string& Layer) const {
  const auto* r = FirstLayer(Layer);
  return r ? r->LineWidth : -1.0;
}

int16_t RvSystem::GetLayerLineTypeFromLayerName(const std::string& Layer) const {
  const auto* r = FirstLayer(Layer);
  return r ? GetLineTypeFromLineStyle(r->LineStyle) : kDashNotFound;
}

int16_t RvSystem::GetLineTypeFromLineStyle(const std::string& Style) const {
  const auto* r = FirstLtype(Style);
  return r ? r->LineType : kDashNotFound;
}

int32_t RvSystem::GetDimStyleID(const std::string& DimStyle) const {
  return dim_style_index_.First(DimStyle);
}

double RvSystem::GetDimLFactor(const std::string& DimStyle) const {
  const auto* r = FirstDimStyle(DimStyle);
  if (!r) return 0.0;
  return r->LinearFactor > 0.0 ? r->LinearFactor : 1.0;
}

}  // namespace ovix
