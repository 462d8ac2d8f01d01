// Shapes, shape ranges, freeform building and arc adjustments of the engine.
#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "workbook/automation_objects.h"

namespace ovix::workbook {

namespace {

void CollectFormatted(ShapeNode* node, std::vector<ShapeNode*>& out) {
  if (node->kind == ShapeKind::kLoaded) {
    // Its markup is kept as it came; changing its format would be lost.
    throw excel::AutomationError("the shape \"" + node->Name() +
                                 "\" came with the opened workbook; its line and fill cannot be changed");
  }
  if (node->kind == ShapeKind::kGroup) {
    for (ShapeNode* child : node->children()) CollectFormatted(child, out);
  } else {
    out.push_back(node);
  }
}

std::shared_ptr<excel::Shape> MakeShape(const SheetRef& ref, ShapeNode& node) {
  return std::make_shared<ShapeImpl>(ref, &node);
}

}  // namespace

std::vector<ShapeNode*> FormattedShapes(const std::vector<ShapeNode*>& shapes) {
  std::vector<ShapeNode*> out;
  out.reserve(shapes.size());
  for (ShapeNode* node : shapes) CollectFormatted(node, out);
  return out;
}

// --- Shapes ------------------------------------------------------------------

int32_t ShapesImpl::Count() const {
  ref_.CheckOpen();
  return static_cast<int32_t>(ref_.drawing().TopLevelCount());
}

std::shared_ptr<excel::Shape> ShapesImpl::Item(int32_t index) {
  ref_.CheckOpen();
  if (index < 1 || static_cast<size_t>(index) > ref_.drawing().TopLevelCount()) {
    throw excel::AutomationError("there is no shape number " + std::to_string(index) +
                                 " on the sheet " + ref_.sheet->name);
  }
  return MakeShape(ref_, ref_.drawing().TopLevelAt(static_cast<size_t>(index - 1)));
}

std::shared_ptr<excel::Shape> ShapesImpl::Item(const std::string& name) {
  ref_.CheckOpen();
  ShapeNode* node = ref_.drawing().Find(name);
  if (node == nullptr) {
    throw excel::AutomationError("there is no shape named \"" + name + "\" on the sheet " +
                                 ref_.sheet->name);
  }
  return MakeShape(ref_, *node);
}

std::shared_ptr<excel::Shape> ShapesImpl::AddLine(double beginX, double beginY, double endX,
                                                  double endY) {
  ref_.CheckOpen();
  ShapeNode& node = ref_.drawing().AddLine(beginX, beginY, endX, endY);
  ref_.workbook->Touch();
  return MakeShape(ref_, node);
}

std::shared_ptr<excel::Shape> ShapesImpl::AddShape(int32_t type, double left, double top,
                                                   double width, double height) {
  ref_.CheckOpen();
  ShapeKind kind;
  switch (type) {
    case excel::kShapeRectangle: kind = ShapeKind::kRectangle; break;
    case excel::kShapeOval: kind = ShapeKind::kOval; break;
    case excel::kShapeArc: kind = ShapeKind::kArc; break;
    default:
      throw excel::AutomationError("AutoShape type " + std::to_string(type) +
                                   " is not supported (rectangle 1, oval 9 and arc 25 are)");
  }
  ShapeNode& node = ref_.drawing().AddAutoShape(kind, left, top, width, height);
  ref_.workbook->Touch();
  return MakeShape(ref_, node);
}

std::shared_ptr<excel::Shape> ShapesImpl::AddTextbox(int32_t orientation, double left, double top,
                                                     double width, double height) {
  ref_.CheckOpen();
  ShapeNode& node = ref_.drawing().AddTextBox(orientation, left, top, width, height);
  ref_.workbook->Touch();
  return MakeShape(ref_, node);
}

std::shared_ptr<excel::FreeformBuilder> ShapesImpl::BuildFreeform(int32_t editingType, double x,
                                                                 double y) {
  ref_.CheckOpen();
  if (editingType != excel::kEditingAuto && editingType != excel::kEditingCorner) {
    throw excel::AutomationError("unknown freeform editing type " + std::to_string(editingType));
  }
  CheckCoordinate(x, "freeform's first x");
  CheckCoordinate(y, "freeform's first y");
  FreeformNode first;
  first.at = {x, y};
  first.segment_type = excel::kSegmentLine;
  first.editing_type = editingType;
  return std::make_shared<FreeformBuilderImpl>(ref_, first);
}

std::shared_ptr<excel::ShapeRange> ShapesImpl::Range(const std::vector<std::string>& names) {
  ref_.CheckOpen();
  if (names.empty()) throw excel::AutomationError("a shape range needs at least one name");
  std::vector<ShapeNode*> shapes;
  shapes.reserve(names.size());
  for (const std::string& name : names) {
    ShapeNode* node = ref_.drawing().Find(name);
    if (node == nullptr) {
      throw excel::AutomationError("there is no shape named \"" + name + "\" on the sheet " +
                                   ref_.sheet->name);
    }
    if (!node->top_level()) {
      throw excel::AutomationError("the shape \"" + name + "\" belongs to the group \"" +
                                   node->parent->Name() + "\"");
    }
    shapes.push_back(node);
  }
  // A name given twice stands for the one shape. Repeats are rare: a sorted
  // copy shows whether there are any before a set keeps the first of each.
  std::vector<ShapeNode*> sorted(shapes);
  std::sort(sorted.begin(), sorted.end());
  if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) {
    std::unordered_set<const ShapeNode*> seen;
    seen.reserve(shapes.size());
    std::erase_if(shapes, [&](const ShapeNode* node) { return !seen.insert(node).second; });
  }
  return std::make_shared<ShapeRangeImpl>(ref_, std::move(shapes));
}

void ShapesImpl::SelectAll() {
  ref_.CheckOpen();
  Drawing& drawing = ref_.drawing();
  if (drawing.TopLevelCount() == 0) {
    throw excel::AutomationError("the sheet " + ref_.sheet->name + " has no shapes to select");
  }
  std::vector<ShapeNode*> all;
  all.reserve(drawing.TopLevelCount());
  drawing.ForEachTopLevel([&](ShapeNode& node) { all.push_back(&node); });
  ref_.workbook->SelectShapes(*ref_.sheet, all, true);
}

// --- Shape -------------------------------------------------------------------

std::string ShapeImpl::Name() const {
  ref_.CheckOpen();
  return node_->Name();
}

void ShapeImpl::SetName(const std::string& value) {
  ref_.CheckOpen();
  ref_.drawing().Rename(*node_, value);
  ref_.workbook->Touch();
}

int32_t ShapeImpl::Id() const {
  ref_.CheckOpen();
  return node_->id;
}

int32_t ShapeImpl::Type() const {
  ref_.CheckOpen();
  return node_->AutomationType();
}

double ShapeImpl::Left() const {
  ref_.CheckOpen();
  return node_->left;
}

double ShapeImpl::Top() const {
  ref_.CheckOpen();
  return node_->top;
}

double ShapeImpl::Width() const {
  ref_.CheckOpen();
  return node_->width;
}

double ShapeImpl::Height() const {
  ref_.CheckOpen();
  return node_->height;
}

void ShapeImpl::Select(bool replace) {
  ref_.CheckOpen();
  ref_.workbook->SelectShapes(*ref_.sheet, {node_}, replace);
}

void ShapeImpl::IncrementLeft(double points) {
  ref_.CheckOpen();
  ref_.drawing().Move(*node_, points, 0);
  ref_.workbook->Touch();
}

void ShapeImpl::IncrementTop(double points) {
  ref_.CheckOpen();
  ref_.drawing().Move(*node_, 0, points);
  ref_.workbook->Touch();
}

std::shared_ptr<excel::LineFormat> ShapeImpl::Line() {
  ref_.CheckOpen();
  return std::make_shared<LineFormatImpl>(ref_, FormattedShapes({node_}));
}

double ShapeImpl::Rotation() const {
  ref_.CheckOpen();
  return node_->rotation();
}

void ShapeImpl::SetRotation(double degrees) {
  ref_.CheckOpen();
  if (!std::isfinite(degrees)) throw excel::AutomationError("rotation is not a number");
  double r = std::fmod(degrees, 360.0);
  if (r < 0) r += 360.0;
  if (r >= 360.0) r = 0;
  if (r != 0 || node_->detail) node_->Detail().rotation = r;
  ref_.workbook->Touch();
}

std::shared_ptr<excel::FillFormat> ShapeImpl::Fill() {
  ref_.CheckOpen();
  return std::make_shared<FillFormatImpl>(ref_, FormattedShapes({node_}));
}

// --- ShapeRange --------------------------------------------------------------

const ShapeNode& ShapeRangeImpl::First() const {
  ref_.CheckOpen();
  if (shapes_.empty()) throw excel::AutomationError("the shape range is empty");
  return *shapes_.front();
}

int32_t ShapeRangeImpl::Count() const {
  ref_.CheckOpen();
  return static_cast<int32_t>(shapes_.size());
}

std::shared_ptr<excel::Shape> ShapeRangeImpl::Item(int32_t index) {
  ref_.CheckOpen();
  if (index < 1 || static_cast<size_t>(index) > shapes_.size()) {
    throw excel::AutomationError("the shape range has no item " + std::to_string(index));
  }
  return MakeShape(ref_, *shapes_[static_cast<size_t>(index - 1)]);
}

std::string ShapeRangeImpl::Name() const {
  ref_.CheckOpen();
  if (shapes_.size() != 1) {
    throw excel::AutomationError("Name needs a range of exactly one shape; this one has " +
                                 std::to_string(shapes_.size()));
  }
  return shapes_.front()->Name();
}

void ShapeRangeImpl::Select(bool replace) {
  ref_.CheckOpen();
  ref_.workbook->SelectShapes(*ref_.sheet, shapes_, replace);
}

std::shared_ptr<excel::LineFormat> ShapeRangeImpl::Line() {
  ref_.CheckOpen();
  return std::make_shared<LineFormatImpl>(ref_, FormattedShapes(shapes_));
}

std::shared_ptr<excel::FillFormat> ShapeRangeImpl::Fill() {
  ref_.CheckOpen();
  return std::make_shared<FillFormatImpl>(ref_, FormattedShapes(shapes_));
}

std::shared_ptr<excel::Adjustments> ShapeRangeImpl::Adjustments() {
  ref_.CheckOpen();
  return std::make_shared<AdjustmentsImpl>(ref_, shapes_);
}

std::shared_ptr<excel::Shape> ShapeRangeImpl::Group() {
  ref_.CheckOpen();
  ShapeNode& group = ref_.drawing().Group(shapes_);
  ref_.workbook->ReplaceSelectedMembers(*ref_.sheet, group);
  ref_.workbook->Touch();
  return MakeShape(ref_, group);
}

void ShapeRangeImpl::ScaleWidth(double factor, bool relativeToOriginalSize, int32_t scaleFrom) {
  ref_.CheckOpen();
  for (ShapeNode* node : shapes_) {
    ref_.drawing().Scale(*node, true, factor, relativeToOriginalSize, scaleFrom);
  }
  ref_.workbook->Touch();
}

void ShapeRangeImpl::ScaleHeight(double factor, bool relativeToOriginalSize, int32_t scaleFrom) {
  ref_.CheckOpen();
  for (ShapeNode* node : shapes_) {
    ref_.drawing().Scale(*node, false, factor, relativeToOriginalSize, scaleFrom);
  }
  ref_.workbook->Touch();
}

double ShapeRangeImpl::Width() const { return First().width; }
double ShapeRangeImpl::Height() const { return First().height; }

void ShapeRangeImpl::IncrementLeft(double points) {
  ref_.CheckOpen();
  for (ShapeNode* node : shapes_) ref_.drawing().Move(*node, points, 0);
  ref_.workbook->Touch();
}

void ShapeRangeImpl::IncrementTop(double points) {
  ref_.CheckOpen();
  for (ShapeNode* node : shapes_) ref_.drawing().Move(*node, 0, points);
  ref_.workbook->Touch();
}

// --- FreeformBuilder ---------------------------------------------------------

void FreeformBuilderImpl::AddNodes(int32_t segmentType, int32_t editingType, double x, double y) {
  ref_.CheckOpen();
  if (segmentType != excel::kSegmentLine && segmentType != excel::kSegmentCurve) {
    throw excel::AutomationError("unknown freeform segment type " + std::to_string(segmentType));
  }
  if (editingType != excel::kEditingAuto && editingType != excel::kEditingCorner) {
    throw excel::AutomationError("unknown freeform editing type " + std::to_string(editingType));
  }
  CheckCoordinate(x, "freeform node's x");
  CheckCoordinate(y, "freeform node's y");
  FreeformNode node;
  node.at = {x, y};
  node.segment_type = segmentType;
  node.editing_type = editingType;
  nodes_.push_back(node);
}

void FreeformBuilderImpl::AddNodes(int32_t segmentType, int32_t editingType, double x1,
                                   double y1, double x2, double y2, double x3, double y3) {
  ref_.CheckOpen();
  if (segmentType != excel::kSegmentCurve || editingType != excel::kEditingCorner) {
    throw excel::AutomationError("a node with control points must be a curve with a corner");
  }
  const double values[] = {x1, y1, x2, y2, x3, y3};
  for (double v : values) CheckCoordinate(v, "freeform control point");
  FreeformNode node;
  node.at = {x3, y3};
  node.segment_type = segmentType;
  node.editing_type = editingType;
  node.explicit_controls = true;
  node.c1 = {x1, y1};
  node.c2 = {x2, y2};
  nodes_.push_back(node);
}

std::shared_ptr<excel::Shape> FreeformBuilderImpl::ConvertToShape() {
  ref_.CheckOpen();
  ShapeNode& node = ref_.drawing().AddFreeform(nodes_);
  ref_.workbook->Touch();
  return MakeShape(ref_, node);
}

// --- Adjustments -------------------------------------------------------------

int32_t AdjustmentsImpl::Count() const {
  ref_.CheckOpen();
  return shapes_.empty() ? 0 : shapes_.front()->AdjustmentCount();
}

double AdjustmentsImpl::Item(int32_t index) const {
  ref_.CheckOpen();
  if (shapes_.empty() || index < 1 || index > shapes_.front()->AdjustmentCount()) {
    throw excel::AutomationError("the shape has no adjustment " + std::to_string(index));
  }
  return shapes_.front()->adjustments()[static_cast<size_t>(index - 1)];
}

void AdjustmentsImpl::SetItem(int32_t index, double value) {
  ref_.CheckOpen();
  if (!std::isfinite(value)) throw excel::AutomationError("an adjustment must be a finite number");
  bool any = false;
  for (ShapeNode* node : shapes_) {
    if (index >= 1 && index <= node->AdjustmentCount()) {
      node->Detail().adjustments[static_cast<size_t>(index - 1)] = value;
      any = true;
    }
  }
  if (!any) throw excel::AutomationError("the shape has no adjustment " + std::to_string(index));
  ref_.workbook->Touch();
}

}  // namespace ovix::workbook
