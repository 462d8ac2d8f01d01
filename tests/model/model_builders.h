#pragma once
// Short ways to fill a drawing model in tests, with the argument arrays the
// DXF reader passes (51 slots each, as it fills them).

#include <string>
#include <vector>

#include "model/rv_system.h"

namespace ovix::testing {

inline int32_t AddTestLayer(RvSystem& s, const std::string& name, int32_t flags, int32_t color,
                            const std::string& line_type = "CONTINUOUS", int32_t weight = 25) {
  std::vector<int32_t> lng(51, 0);
  std::vector<std::string> str(51);
  lng[0] = flags;
  lng[1] = color;
  lng[3] = weight;
  str[0] = line_type;
  return s.AddLayer("", name, lng, str);
}

// A line type whose pattern has the given element lengths (no text elements).
inline int32_t AddTestLtype(RvSystem& s, const std::string& name, const std::vector<double>& lengths) {
  std::vector<int32_t> lng(51, 0);
  std::vector<double> dbl(51, 0.0);
  std::vector<std::string> str(51);
  lng[2] = static_cast<int32_t>(lengths.size());
  for (std::size_t i = 0; i < lengths.size(); ++i) dbl[i + 1] = lengths[i];
  return s.AddLtype(name, lng, dbl, str);
}

struct TestDimStyle {
  std::string name = "Standard";
  double scale = 1.0;
  double text_height = 2.5;
  double linear_factor = 1.0;
  double line_weight = -2;
  int32_t line_color = 0, ext_color = 0, text_color = 0;
  int32_t decimals = 2;
};

inline int32_t AddTestDimStyle(RvSystem& s, const TestDimStyle& d) {
  std::vector<int32_t> lng(51, 0);
  std::vector<double> dbl(51, 0.0);
  dbl[0] = d.scale;
  dbl[5] = d.text_height;
  dbl[6] = d.linear_factor;
  dbl[8] = d.line_weight;
  lng[2] = d.line_color;
  lng[3] = d.ext_color;
  lng[4] = d.text_color;
  lng[6] = d.decimals;
  return s.AddDimStyle("", d.name, lng, dbl);
}

inline int32_t AddTestLine(RvSystem& s, const std::string& layer, double x1, double y1, double x2,
                           double y2, int32_t color = 256, const std::string& line_type = "",
                           int32_t width = -1) {
  RvEntProperty p;
  p.Layer = layer;
  p.Color = color;
  p.LineType = line_type;
  p.LineWidth = width;
  const std::vector<double> xs{x1, x2}, ys{y1, y2}, zs{0.0, 0.0};
  return s.AddLine(p, xs, ys, zs);
}

inline int32_t AddTestCircle(RvSystem& s, const std::string& layer, double cx, double cy, double r) {
  RvEntProperty p;
  p.Layer = layer;
  p.Radius = r;
  const std::vector<double> xs{cx}, ys{cy}, zs{0.0};
  return s.AddCircle(p, xs, ys, zs);
}

inline int32_t AddTestArc(RvSystem& s, const std::string& layer, double cx, double cy, double r,
                          double start, double end) {
  RvEntProperty p;
  p.Layer = layer;
  p.Radius = r;
  p.AngleS = start;
  p.AngleE = end;
  const std::vector<double> xs{cx}, ys{cy}, zs{0.0};
  return s.AddArc(p, xs, ys, zs);
}

inline int32_t AddTestText(RvSystem& s, const std::string& layer, const std::string& text,
                           double x, double y, double height, double width, bool multiline = false) {
  RvEntProperty p;
  p.Layer = layer;
  p.Text = text;
  p.Height = height;
  p.Length = width;
  return multiline ? s.AddMtext(p, x, y, 0.0) : s.AddText(p, x, y, 0.0);
}

// A dimension with the given style and text; the points are all at the origin
// unless given.
inline int32_t AddTestDimension(RvSystem& s, const std::string& layer, const std::string& style,
                                const std::string& text, const std::string& kind = "AcDbRotatedDimension",
                                int32_t color = 0) {
  RvEntProperty p;
  p.Layer = layer;
  p.DimStyle = style;
  p.Text = text;
  p.DimType = kind;
  p.Color = color;
  p.LineWidth = -1;
  return s.AddDimension(p, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
}

}  // namespace ovix::testing
