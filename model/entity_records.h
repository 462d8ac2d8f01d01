#pragma once
// Records of the nine entity stores of the drawing model. RvSystem fills them
// from its add operations; callers read them through RvSystem's accessors.
// Colours are colour numbers held in a double (0 by block, 256 by layer);
// a negative line width means "not set" (resolved through the layer).

#include <cstdint>
#include <string>
#include <vector>

#include "model/rv_ent_points.h"

namespace ovix {

struct LineRecord {
  std::string Handle;
  std::string Layer;
  RvEntPoints Start;
  RvEntPoints End;
  std::string LineStyle;
  double Color = 0;
  double LineWidth = 0;
};

struct CircleRecord {
  std::string Handle;
  std::string Layer;
  RvEntPoints Center;
  double Radius = 0;
  std::string LineStyle;
  double Color = 0;
  double LineWidth = 0;
};

// Held axis-aligned: LongRadius along X, ShortRadius along Y.
struct EllipseRecord {
  std::string Handle;
  std::string Layer;
  RvEntPoints Center;
  double LongRadius = 0;
  double ShortRadius = 0;
  std::string LineStyle;
  double Color = 0;
  double LineWidth = 0;
};

// Counter-clockwise from StartAngle to EndAngle, in degrees.
struct ArcRecord {
  std::string Handle;
  std::string Layer;
  RvEntPoints Center;
  double Radius = 0;
  double StartAngle = 0;
  double EndAngle = 0;
  std::string LineStyle;
  double Color = 0;
  int16_t LineWidth = 0;
};

// Lightweight polyline; also the layout of a leader's vertex list.
struct PolylineRecord {
  std::string Handle;
  std::string Layer;
  int32_t VerticesCount = 0;  // the count as passed; Vertex holds max(count, 0) points
  int16_t Closed = 0;         // 1 = closed
  double ConstantWidth = 0;
  std::vector<RvEntPoints> Vertex;
  std::string LineStyle;
  double LineScale = 0;
  double Color = 0;
  double LineWidth = 0;
};

// Texts and multiline texts (two stores of the same layout).
struct TextRecord {
  std::string Handle;
  std::string Layer;
  RvEntPoints InsertionPoint;
  double Height = 0;
  double RotationAngle = 0;  // degrees
  double SpacingFactor = 0;
  double Width = 0;          // estimated text length
  int16_t Attachment = 0;
  int16_t Direction = 0;
  int16_t SpacingStyle = 0;
  std::string Text;
  std::string StyleName;     // "Standard" when none was given
  double Color = 0;
};

struct DimensionRecord {
  std::string Handle;
  std::string Layer;
  std::string DimType;  // "AcDbAlignedDimension", "AcDbRotatedDimension", "AcDb2LineAngularDimension", ...
  RvEntPoints Insertion1Point;
  RvEntPoints Insertion2Point;
  RvEntPoints ExtLine1Point;
  RvEntPoints ExtLine2Point;
  // Two-line angular dimensions only (0 otherwise):
  RvEntPoints Center;
  double Radius = 0;
  double StartAngle = 0;
  double EndAngle = 0;
  RvEntPoints TextPosition;
  std::string Text;
  std::string UserText;
  double TextColor = 0;
  std::string TextStyleName;
  double RotationAngle = 0;
  int16_t Direction = 0;
  std::string StyleName;  // dimension style name
  std::string LineStyle;
  double LineScale = 0;
  double Color = 0;
  double LineWidth = 0;
};

struct LeaderRecord {
  std::string Handle;
  std::string Layer;
  int32_t VerticesCount = 0;  // the count as passed; Vertex holds max(count, 0) points
  std::vector<RvEntPoints> Vertex;
  std::string LineStyle;
  double Color = 0;
  double LineWidth = 0;
};

}  // namespace ovix
