#pragma once
// Records of the four symbol tables of the drawing model: layers, line
// types, text styles and dimension styles. RvSystem fills them from its add
// operations and hands out copies.

#include <cstdint>
#include <string>
#include <vector>

namespace ovix {

// Dash style codes of a line type (the pattern's shape).
inline constexpr int16_t kDashContinuous = 0;
inline constexpr int16_t kDashDashed = 1;
inline constexpr int16_t kDashDotted = 2;
inline constexpr int16_t kDashDashDot = 3;
inline constexpr int16_t kDashDashDotDot = 4;
inline constexpr int16_t kDashNotFound = -1;

struct LayerRecord {
  std::string Handle;
  std::string Name;
  int16_t Flag = 0;      // layer flags (1 frozen, 2 frozen in new viewports, 4 locked); -1 when off
  int32_t Color = 0;     // colour number; negative when the layer is off
  std::string LineStyle; // line type name
  int16_t PlotFlag = 0;
  double LineWidth = 0;  // millimetres, never negative
};

// One element of a line type pattern.
struct LtypeElement {
  double ElementLength = 0;  // dash (> 0), gap (< 0) or dot (0)
  int16_t ElementType = 0;   // 2: an embedded text element
  // Text elements only:
  int16_t ShapeNumber = 0;
  int16_t StyleRef = 0;
  double ElementScale = 0;
  double ElementRotation = 0;
  double OffsetX = 0;
  double OffsetY = 0;
  std::string ElementText;
};

struct LtypeRecord {
  std::string Name;
  int16_t LineType = kDashContinuous;  // dash style code derived from the pattern
  int16_t Flags = 0;
  std::string Description;
  int16_t Alignment = 0;
  int16_t ElementCount = 0;
  double PatternLength = 0;
  std::vector<LtypeElement> Elements;  // as many as the pattern has
};

struct TextStyleRecord {
  std::string Name;
  int16_t Flags = 0;  // 4 marks a vertical font ("@" before the font name)
  double FixedHeight = 0;
  double WidthFactor = 0;
  double ObliqueAngle = 0;
  int16_t GenerationFlags = 0;
  double LastHeight = 0;
  std::string FontName;
  std::string BigFontName;
};

struct DimStyleRecord {
  std::string Handle;  // the text style reference passed by the reader
  std::string Name;
  double DimScale = 0;  // overall scale; never 0 (0 is stored as 1)
  double ArrowLen = 0;
  double ExtOffset = 0;
  double BaselineSpacing = 0;
  double DimLineWidth = 0;     // dimension line weight as written (hundredths of a mm or -1/-2/-3)
  double DimSubLineWidth = 0;  // extension line weight as written
  double ExtExtension = 0;
  double DimText = 0;          // text height
  double LinearFactor = 0;
  double TextGap = 0;
  int16_t ForceLineInside = 0;
  int16_t TextInside = 0;
  int32_t DimLineColor = 0;
  int32_t ExtLineColor = 0;
  int32_t TextColor = 0;
  int16_t DimDec = 0;  // decimal places of the measured text
  int16_t ToleranceDec = 0;
};

}  // namespace ovix
