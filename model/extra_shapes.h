#pragma once
// ExtraShapeStore: the shapes the "draw everything" option adds to the nine
// entity stores. They arrive already placed in drawing coordinates (block
// references expanded, bulges, arcs and ellipses as cubic Bézier segments),
// each with the layer and the attributes it resolved to inside its block,
// and, for the pieces of one block reference, the group they form.
//
// Kinds:
// - Path: an outline of straight and Bézier segments, open or closed;
// - Fill: a closed outline filled with the shape's colour (solids, traces);
// - Dot: a point drawn as a small filled disc round Nodes[0];
// - Text: a text placed by its alignment point, rotated about it.
//
// Attributes are kept as the drawing states them after block resolution:
// colour 256 and line weight -1 still mean "by layer" and are resolved when
// drawn, against the effective layer (an entity on layer "0" inside a block
// takes its reference's layer). The store is append-only and costs one
// record per shape plus its nodes.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/rv_point.h"

namespace ovix {

// The segment that ends at this node: straight, or a cubic Bézier with the
// control points (C1X, C1Y), (C2X, C2Y). A path's first node is its start.
struct ExtraNode {
  double X = 0, Y = 0;
  bool Curve = false;
  double C1X = 0, C1Y = 0, C2X = 0, C2Y = 0;
};

// Xline and Ray are construction lines (infinite both ways, or from their
// first node on): kept apart until the drawing's extents are known, then
// cut to them and stored as paths.
enum class ExtraShapeKind : uint8_t { Path, Fill, Dot, Text, Xline, Ray };

// Horizontal and vertical alignment of a text's alignment point.
enum class ExtraTextHAlign : uint8_t { Left, Center, Right };
enum class ExtraTextVAlign : uint8_t { Baseline, Bottom, Middle, Top };

struct ExtraText {
  double X = 0, Y = 0;      // the alignment point
  std::string Text;         // as written (codes still in it)
  std::string StyleName;    // text style; "Standard" when none
  double Height = 0;        // drawing units
  double Rotation = 0;      // degrees, counter-clockwise in the drawing
  double WidthFactor = 1;   // relative character width
  double BoxWidth = 0;      // multiline reference width (0: no wrapping)
  ExtraTextHAlign HAlign = ExtraTextHAlign::Left;
  ExtraTextVAlign VAlign = ExtraTextVAlign::Baseline;
  bool Multiline = false;   // multiline text codes and paragraphs
};

struct ExtraShape {
  ExtraShapeKind Kind = ExtraShapeKind::Path;
  std::string Layer;        // effective layer
  std::string LineType;     // "" or "BYLAYER": the layer's
  int32_t Color = 256;      // 1..255, 256 by layer (0 by block left at top level: as 7)
  int32_t LineWeight = 0;   // hundredths of a mm; -1 by layer
  double Width = 0;         // drawing units: widest polyline width, dot size
  bool Closed = false;
  uint32_t FirstNode = 0;
  uint32_t NodeCount = 0;
  int32_t Group = -1;       // index of the group, -1 for none
  int32_t TextIndex = -1;   // Text kind: index into the texts
  bool Outline = true;      // Fill: whether its outline is drawn too
  int32_t FillRgb = -1;     // Fill: a true colour (red + 256 green + 65536 blue), -1 none
  double FillTransparency = 0;  // Fill: 0 opaque .. 1 clear
  int16_t DashCode = -1;    // a dash style code of its own (0 .. 4), -1: by line type
  // Box of the shape in drawing units (texts: their estimated rotated box).
  double MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;
};

// A construction line waiting for the drawing's extents.
struct ConstructionLine {
  ExtraShape Shape;
  double X = 0, Y = 0;    // a point of the line
  double DX = 1, DY = 0;  // its direction (unit length)
  bool Ray = false;       // from the point on only
};

class ExtraShapeStore {
 public:
  void Clear();
  bool Empty() const { return shapes_.empty(); }

  // A new group of shapes named `name` (the block's name); its index.
  int32_t AddGroup(const std::string& name);
  int32_t GroupCount() const { return static_cast<int32_t>(groups_.size()); }
  const std::string& GroupName(int32_t group) const { return groups_[static_cast<std::size_t>(group)]; }

  // Adds a path, fill or dot with `nodes` (at least one). The box is the
  // curve's own (nodes and the extremes of its Bézier segments), widened by
  // half the shape's width.
  void AddShape(ExtraShape shape, std::span<const ExtraNode> nodes);
  // Adds a text whose box corners (drawing units) are `corners`.
  void AddText(ExtraShape shape, ExtraText text, std::span<const RvPoint3> corners);

  void AddConstructionLine(ConstructionLine line) { lines_.push_back(std::move(line)); }
  std::size_t ConstructionLineCount() const { return lines_.size(); }
  const ConstructionLine& ConstructionLineAt(std::size_t k) const { return lines_[k]; }

  // Hatches whose pattern was too dense to draw and became a light fill.
  void CountSimplifiedHatch() { ++simplified_hatches_; }
  std::size_t SimplifiedHatches() const { return simplified_hatches_; }

  std::size_t Count() const { return shapes_.size(); }
  const ExtraShape& At(std::size_t index) const { return shapes_[index]; }
  std::span<const ExtraNode> Nodes(const ExtraShape& shape) const {
    return {nodes_.data() + shape.FirstNode, shape.NodeCount};
  }
  const ExtraText& TextOf(const ExtraShape& shape) const {
    return texts_[static_cast<std::size_t>(shape.TextIndex)];
  }

  // The box of every shape whose layer `visible` accepts; false when none.
  template <typename Visible>
  bool Extents(Visible&& visible, RvPoint3& min, RvPoint3& max) const {
    bool any = false;
    const std::string* last = nullptr;
    bool last_visible = false;
    for (const ExtraShape& s : shapes_) {
      if (!last || *last != s.Layer) {
        last = &s.Layer;
        last_visible = visible(s.Layer);
      }
      if (!last_visible) continue;
      if (!any) {
        min = {s.MinX, s.MinY, 0.0};
        max = {s.MaxX, s.MaxY, 0.0};
        any = true;
        continue;
      }
      if (s.MinX < min[0]) min[0] = s.MinX;
      if (s.MinY < min[1]) min[1] = s.MinY;
      if (s.MaxX > max[0]) max[0] = s.MaxX;
      if (s.MaxY > max[1]) max[1] = s.MaxY;
    }
    return any;
  }

 private:
  std::vector<ExtraShape> shapes_;
  std::vector<ExtraNode> nodes_;
  std::vector<ExtraText> texts_;
  std::vector<std::string> groups_;
  std::vector<ConstructionLine> lines_;
  std::size_t simplified_hatches_ = 0;
};

}  // namespace ovix
