#pragma once
// RvEntProperty: the common and per-kind properties of one entity on its way
// into the drawing model. The DXF reader fills one instance per entity
// (calling Clear before each) and hands it to an RvSystem add operation,
// which copies the values that the entity kind keeps. Which fields a kind
// reads is listed at the add operations in model/rv_system.h.

#include <cstdint>
#include <string>

#include "model/rv_ent_points.h"

namespace ovix {

class RvEntProperty {
 public:
  // A new instance is cleared: empty strings, zero numbers, points at 0.
  RvEntProperty() = default;

  // Empties the strings, zeroes the numbers and both points.
  void Clear();

  std::string Layer;      // layer name
  std::string Handle;     // entity handle (hexadecimal text as written)
  std::string LineType;   // line type name; empty when the entity has none
  double LineScale = 0;   // line type scale
  int32_t Color = 0;      // colour number: 1..255, 0 by block, 256 by layer
  int32_t Color2 = 0;
  int32_t Color3 = 0;
  int32_t TextColor = 0;  // text colour of a dimension
  int32_t LineWidth = 0;  // line weight as a whole number (negative: not set)
  int32_t LineWidth2 = 0;
  double LineWidthF = 0;
  double Radius = 0;      // circle and arc radius
  double RadiusL = 0;     // ellipse semi-axis along X
  double RadiusS = 0;     // ellipse semi-axis along Y
  double Angle = 0;       // text or dimension rotation, degrees
  double AngleS = 0;      // arc start angle, degrees
  double AngleE = 0;      // arc end angle, degrees
  int32_t Count = 0;      // vertex count of a polyline or leader
  int16_t Mode = 0;       // polyline flags (1 = closed)
  std::string Text;       // text, or the measured text of a dimension
  std::string UserText;   // the text a user wrote over a dimension
  double Height = 0;      // text height
  double Ratio = 0;
  double Length = 0;      // estimated text length
  int16_t Attach = 0;     // attachment point / generation flags
  int16_t Direct = 0;     // drawing direction / dimension direction class
  int16_t Space = 0;      // line-spacing style
  std::string TextStyle;  // text style name
  std::string DimStyle;   // dimension style name
  std::string DimType;    // dimension kind, e.g. "AcDbRotatedDimension"
  std::string Name;
  int32_t ID = 0;
  std::string BeginName;
  std::string EndName;
  int32_t BeginID = 0;
  int32_t EndID = 0;
  RvEntPoints BeginPoint;
  RvEntPoints EndPoint;
};

}  // namespace ovix
