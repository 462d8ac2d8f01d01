#pragma once
// What the legacy writer reads of a sheet's shapes. The writer sees the
// engine's shape model only through this header, so that the model can change
// its layout without the writer following.

#include <cstdint>
#include <string>
#include <vector>

#include "workbook/bezier_path.h"
#include "workbook/shape_model.h"

namespace ovix::workbook::xls {

enum class ShapeClass { kLine, kRectangle, kOval, kArc, kFreeform, kTextBox, kGroup, kOther };

// One shape of the sheet.
class ShapeSource {
 public:
  explicit ShapeSource(const ShapeNode& node) : node_(&node) {}

  ShapeClass kind() const;
  std::string name() const { return node_->Name(); }
  // The frame in sheet points.
  double left() const { return node_->left; }
  double top() const { return node_->top; }
  double width() const { return node_->width; }
  double height() const { return node_->height; }
  bool flip_h() const { return node_->flip_h; }
  bool flip_v() const { return node_->flip_v; }
  const LineStyle& line() const { return node_->line; }
  const FillStyle& fill() const { return node_->fill; }
  // Arcs: adjustment 1 and 2 in degrees.
  double adjustment(int index) const { return node_->adjustments()[static_cast<size_t>(index)]; }
  // Freeforms: the path relative to the frame's top-left corner, stretched to
  // the frame's present size.
  BezierPath FramePath() const;
  // Text boxes: the text and how it is laid out; nullptr for other shapes.
  const TextFrame* text() const { return node_->text(); }
  // Groups: the members, back to front.
  size_t child_count() const { return node_->children().size(); }
  ShapeSource child(size_t i) const { return ShapeSource(*node_->children()[i]); }
  const void* identity() const { return node_; }
  // A shape that came with the opened workbook (kind kOther): its records are
  // the workbook's own; the writer leaves a placeholder of its frame.
  bool loaded() const { return node_->kind == ShapeKind::kLoaded; }

 private:
  const ShapeNode* node_;
};

// The shapes of one sheet the writer writes, top-level ones back to front,
// and the names of the fonts their texts use. Shapes that came with an
// opened workbook are left out: their records are already in it.
class SheetShapes {
 public:
  explicit SheetShapes(const Drawing& drawing) : drawing_(&drawing) {}
  size_t top_level_count() const {
    size_t count = 0;
    ForEachTopLevel([&](const ShapeSource&) { ++count; });
    return count;
  }
  template <typename F>
  void ForEachTopLevel(F&& f) const {
    drawing_->ForEachTopLevel([&](const ShapeNode& node) {
      if (node.kind != ShapeKind::kLoaded) f(ShapeSource(node));
    });
  }
  const std::string& FontName(uint16_t index) const { return drawing_->fonts().Name(index); }
  size_t shape_count() const { return drawing_->shape_count(); }

 private:
  const Drawing* drawing_;
};

}  // namespace ovix::workbook::xls
