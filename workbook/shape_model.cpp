#include "workbook/shape_model.h"

#include <sys/mman.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "workbook/text_metrics.h"
#include "tools/numeric.h"

namespace ovix::workbook {

int32_t ShapeNode::AutomationType() const {
  switch (kind) {
    case ShapeKind::kLine: return excel::kTypeLine;
    case ShapeKind::kFreeform: return excel::kTypeFreeform;
    case ShapeKind::kTextBox: return excel::kTypeTextBox;
    case ShapeKind::kGroup: return excel::kTypeGroup;
    case ShapeKind::kRectangle:
    case ShapeKind::kOval:
    case ShapeKind::kArc: return excel::kTypeAutoShape;
    case ShapeKind::kLoaded: return detail ? detail->loaded_type : excel::kTypeOther;
  }
  return excel::kTypeOther;
}

const char* DefaultBaseName(ShapeKind kind) {
  switch (kind) {
    case ShapeKind::kLine: return "Line";
    case ShapeKind::kRectangle: return "Rectangle";
    case ShapeKind::kOval: return "Oval";
    case ShapeKind::kArc: return "Arc";
    case ShapeKind::kFreeform: return "Freeform";
    case ShapeKind::kTextBox: return "TextBox";
    case ShapeKind::kGroup: return "Group";
    case ShapeKind::kLoaded: return "Shape";
  }
  return "Shape";
}

namespace {

// "<base> <number>", as default names are written.
std::string NumberedName(std::string_view base, int64_t number) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  std::string name;
  name.reserve(base.size() + 1 + static_cast<size_t>(end - digits));
  name.assign(base);
  name.push_back(' ');
  name.append(digits, end);
  return name;
}

}  // namespace

const char* ShapeNode::BaseName() const { return DefaultBaseName(kind); }

std::string ShapeNode::Name() const {
  if (HasGivenName()) return detail->name;
  return NumberedName(BaseName(), DefaultNumber());
}

bool ShapeNode::NameIs(std::string_view name) const {
  if (HasGivenName()) return detail->name == name;
  const std::string_view base = BaseName();
  if (name.size() <= base.size() + 1 || name.substr(0, base.size()) != base || name[base.size()] != ' ') {
    return false;
  }
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, DefaultNumber()).ptr;
  return name.substr(base.size() + 1) == std::string_view(digits, static_cast<size_t>(end - digits));
}

namespace {

constexpr size_t kHugeBlockBytes = size_t{2} << 20;
constexpr size_t kSmallBlockNodes = 256;
// Shapes before the store moves on to huge blocks.
constexpr size_t kSmallNodesBeforeHuge = 4 * kSmallBlockNodes;

}  // namespace

ShapeStore::~ShapeStore() {
  for (Block& b : blocks_) {
    std::destroy_n(b.nodes, b.used);
    std::free(b.nodes);
  }
}

ShapeNode& ShapeStore::emplace_back() {
  if (blocks_.empty() || blocks_.back().used == blocks_.back().capacity) {
    const bool huge = size_ >= kSmallNodesBeforeHuge;
    const size_t bytes = huge ? kHugeBlockBytes : kSmallBlockNodes * sizeof(ShapeNode);
    const size_t alignment = alignof(std::max_align_t);
    blocks_.reserve(blocks_.size() + 1);
    void* memory = std::aligned_alloc(alignment, bytes);
    if (memory == nullptr) throw std::bad_alloc();
    if (huge) ::madvise(memory, bytes, MADV_HUGEPAGE);
    blocks_.push_back({static_cast<ShapeNode*>(memory), bytes / sizeof(ShapeNode), 0});
  }
  Block& block = blocks_.back();
  ShapeNode* node = new (block.nodes + block.used) ShapeNode();
  ++block.used;
  ++size_;
  return *node;
}

void CheckCoordinate(double value, const char* what) {
  if (!std::isfinite(value) || std::fabs(value) > kMaxCoordinate) {
    throw excel::AutomationError(std::string("the ") + what + " is out of range: " +
                                 num::FormatGeneral(value));
  }
}

void CheckSize(double value, const char* what) {
  CheckCoordinate(value, what);
  if (value < 0) {
    throw excel::AutomationError(std::string("the ") + what + " must not be negative: " +
                                 num::FormatGeneral(value));
  }
}

ShapeNode& Drawing::NewNode(ShapeKind kind) {
  const std::string_view base(DefaultBaseName(kind));
  int64_t number = 0;
  // Default names carry the sheet's running number; a number whose name a
  // renamed or loaded shape already took is skipped. Numbers only grow, so
  // no other default name can be the same. The name itself is not stored:
  // it follows from the kind and the id.
  do {
    number = next_number_++;
    if (number >= std::numeric_limits<int32_t>::max()) {
      throw excel::AutomationError("too many shapes on one sheet");
    }
  } while ((!names_.empty() || !reserved_names_.empty()) && NameTaken(NumberedName(base, number)));
  ShapeNode& node = nodes_.emplace_back();
  node.kind = kind;
  node.id = static_cast<int32_t>(number + 1);
  numbered_.push_back(&node);
  node.slot = order_.Append(&node);
  return node;
}

ShapeNode* Drawing::FindDefaultName(std::string_view name) const {
  const size_t space = name.rfind(' ');
  if (space == std::string_view::npos || space + 1 >= name.size()) return nullptr;
  int64_t number = 0;
  const char* first = name.data() + space + 1;
  const char* last = name.data() + name.size();
  const auto parsed = std::from_chars(first, last, number);
  if (parsed.ec != std::errc() || parsed.ptr != last || number < 0 ||
      number >= std::numeric_limits<int32_t>::max()) {
    return nullptr;
  }
  const auto id = static_cast<int32_t>(number + 1);
  if (numbered_.empty() || id < numbered_.front()->id) return nullptr;
  // Numbers are consecutive unless a taken name was skipped: the shape is
  // usually right where its number says, and otherwise found by bisection.
  const ShapeNode* found = nullptr;
  const auto guess = static_cast<size_t>(id - numbered_.front()->id);
  if (guess < numbered_.size() && numbered_[guess]->id == id) {
    found = numbered_[guess];
  } else {
    const auto it = std::lower_bound(numbered_.begin(), numbered_.end(), id,
                                     [](const ShapeNode* n, int32_t v) { return n->id < v; });
    if (it != numbered_.end() && (*it)->id == id) found = *it;
  }
  if (found == nullptr || !found->NameIs(name)) return nullptr;
  return const_cast<ShapeNode*>(found);
}

bool Drawing::NameTaken(std::string_view name) const {
  if (names_.count(name) != 0 || FindDefaultName(name) != nullptr) return true;
  return !reserved_names_.empty() && reserved_names_.count(std::string(name)) != 0;
}

ShapeNode& Drawing::AddLine(double begin_x, double begin_y, double end_x, double end_y) {
  CheckCoordinate(begin_x, "line's start x");
  CheckCoordinate(begin_y, "line's start y");
  CheckCoordinate(end_x, "line's end x");
  CheckCoordinate(end_y, "line's end y");
  ShapeNode& node = NewNode(ShapeKind::kLine);
  node.left = std::min(begin_x, end_x);
  node.top = std::min(begin_y, end_y);
  node.width = std::fabs(end_x - begin_x);
  node.height = std::fabs(end_y - begin_y);
  node.flip_h = end_x < begin_x;
  node.flip_v = end_y < begin_y;
  return node;
}

ShapeNode& Drawing::AddAutoShape(ShapeKind kind, double left, double top, double width,
                                 double height) {
  CheckCoordinate(left, "shape's left");
  CheckCoordinate(top, "shape's top");
  CheckSize(width, "shape's width");
  CheckSize(height, "shape's height");
  ShapeNode& node = NewNode(kind);
  node.left = left;
  node.top = top;
  node.width = width;
  node.height = height;
  node.fill.visible = kind != ShapeKind::kArc;
  return node;
}

ShapeNode& Drawing::AddTextBox(int32_t orientation, double left, double top, double width,
                               double height) {
  if (orientation != excel::kOrientationHorizontal && orientation != excel::kOrientationUpward &&
      orientation != excel::kOrientationDownward) {
    throw excel::AutomationError("unknown text orientation " + std::to_string(orientation));
  }
  CheckCoordinate(left, "text box's left");
  CheckCoordinate(top, "text box's top");
  CheckSize(width, "text box's width");
  CheckSize(height, "text box's height");
  ShapeNode& node = NewNode(ShapeKind::kTextBox);
  node.left = left;
  node.top = top;
  node.width = width;
  node.height = height;
  node.fill.visible = true;
  node.Detail().text = std::make_unique<TextFrame>();
  node.text()->orientation = orientation;
  return node;
}

ShapeNode& Drawing::AddFreeform(const std::vector<FreeformNode>& nodes) {
  for (const FreeformNode& n : nodes) {
    CheckCoordinate(n.at.x, "freeform node's x");
    CheckCoordinate(n.at.y, "freeform node's y");
  }
  BezierPath path = BuildFreeformPath(nodes);
  const Box bounds = PathBounds(path);
  auto geometry = std::make_unique<FreeformGeometry>();
  const Point2 origin{bounds.left, bounds.top};
  auto shift = [&](Point2& p) {
    p.x -= origin.x;
    p.y -= origin.y;
  };
  shift(path.start);
  for (PathSegment& seg : path.segments) {
    shift(seg.c1);
    shift(seg.c2);
    shift(seg.to);
  }
  geometry->reference_width = bounds.width();
  geometry->reference_height = bounds.height();
  const bool closed = path.closed;
  geometry->path = std::move(path);

  ShapeNode& node = NewNode(ShapeKind::kFreeform);
  node.left = bounds.left;
  node.top = bounds.top;
  node.width = bounds.width();
  node.height = bounds.height();
  node.fill.visible = closed;
  node.Detail().freeform = std::move(geometry);
  return node;
}

ShapeNode& Drawing::AddLoaded(std::shared_ptr<LoadedShape> loaded, std::string name, int32_t id,
                             int32_t automation_type, double left, double top, double width,
                             double height) {
  ShapeNode& node = nodes_.emplace_back();
  node.kind = ShapeKind::kLoaded;
  node.id = id;
  ShapeDetail& detail = node.Detail();
  detail.name = name.empty() ? "Shape " + std::to_string(id) : std::move(name);
  detail.loaded_type = automation_type;
  node.left = left;
  node.top = top;
  node.width = width;
  node.height = height;
  detail.loaded = std::move(loaded);
  names_.emplace(detail.name, &node);  // keeps an earlier shape of the same name
  node.slot = order_.Append(&node);
  return node;
}

void Drawing::ContinueIdsAfter(int64_t max_id) {
  next_number_ = std::max(next_number_, max_id);
}

namespace {

void SetFrameToBounds(ShapeNode& group) {
  const ShapeChildren& children = group.children();
  double left = children.front()->left;
  double top = children.front()->top;
  double right = left + children.front()->width;
  double bottom = top + children.front()->height;
  for (const ShapeNode* child : children) {
    left = std::min(left, child->left);
    top = std::min(top, child->top);
    right = std::max(right, child->left + child->width);
    bottom = std::max(bottom, child->top + child->height);
  }
  const double width = right - left;
  const double height = bottom - top;
  // The size the group was made with stays its original size.
  if (width != group.width || height != group.height) group.KeepOriginalSize();
  group.left = left;
  group.top = top;
  group.width = right - left;
  group.height = bottom - top;
}

}  // namespace

ShapeNode& Drawing::Group(const std::vector<ShapeNode*>& members) {
  if (members.size() < 2) throw excel::AutomationError("grouping needs at least two shapes");
  std::vector<ShapeNode*> sorted = members;
  for (ShapeNode* m : sorted) {
    if (m == nullptr || !m->top_level()) {
      throw excel::AutomationError("only top-level shapes of the sheet can be grouped");
    }
  }
  std::sort(sorted.begin(), sorted.end(),
            [](const ShapeNode* a, const ShapeNode* b) { return a->slot < b->slot; });
  if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) {
    throw excel::AutomationError("a shape is named twice in the shapes to group");
  }
  uint32_t levels = 0;
  for (const ShapeNode* m : sorted) levels = std::max(levels, m->group_levels() + 1);
  if (levels > kMaxGroupLevels) {
    throw excel::AutomationError("groups cannot nest more than " + std::to_string(kMaxGroupLevels) +
                                 " levels deep");
  }
  const size_t front_slot = sorted.back()->slot;
  ShapeNode& group = NewNode(ShapeKind::kGroup);
  for (ShapeNode* m : sorted) {
    if (m->slot != front_slot) order_.Remove(m->slot);
  }
  // NewNode appended the group in front of everything; it belongs where its
  // frontmost member was.
  order_.Remove(group.slot);
  order_.Replace(front_slot, &group);
  group.slot = front_slot;
  ShapeDetail& detail = group.Detail();
  detail.group_levels = levels;
  detail.children = std::move(sorted);
  for (ShapeNode* m : detail.children) {
    m->parent = &group;
    m->slot = kNoSlot;
  }
  // The frame it is made with is the group's original size.
  SetFrameToBounds(group);
  detail.has_original_size = false;
  return group;
}

ShapeNode* Drawing::Find(std::string_view name) const {
  if (ShapeNode* node = FindDefaultName(name)) return node;
  if (names_.empty()) return nullptr;
  const auto it = names_.find(name);
  return it == names_.end() ? nullptr : it->second;
}

void Drawing::Rename(ShapeNode& node, const std::string& name) {
  if (node.NameIs(name)) return;
  if (name.empty()) throw excel::AutomationError("a shape name must not be empty");
  if (NameTaken(name)) {
    throw excel::AutomationError("another shape on the sheet is already named \"" + name + "\"");
  }
  // Shapes of an opened drawing may share a name; only the shape the name
  // finds gives it up.
  if (node.HasGivenName()) {
    const auto it = names_.find(node.GivenName());
    if (it != names_.end() && it->second == &node) names_.erase(it);
  }
  ShapeDetail& detail = node.Detail();
  detail.name = name;
  names_.emplace(detail.name, &node);
}

void Drawing::MoveSubtree(ShapeNode& node, double dx, double dy) {
  node.left += dx;
  node.top += dy;
  if (node.detail) {
    for (ShapeNode* child : node.detail->children) MoveSubtree(*child, dx, dy);
  }
}

void Drawing::Move(ShapeNode& node, double dx, double dy) {
  CheckCoordinate(dx, "horizontal move");
  CheckCoordinate(dy, "vertical move");
  if (node.top_level() && node.kind == ShapeKind::kLoaded) {
    // A shape that came with an opened workbook stops at the sheet's left and
    // top edges, as in the spreadsheet application: moving the whole sheet
    // from the working offset to the page would otherwise take it thousands
    // of points off the sheet, and a group made with it would span them. (The
    // engine's own shapes keep their place off the sheet; the writer puts each
    // top-level shape back onto the sheet as a whole.)
    if (dx < 0 && node.left + dx < 0) dx = std::min(0.0, -node.left);
    if (dy < 0 && node.top + dy < 0) dy = std::min(0.0, -node.top);
  }
  CheckCoordinate(node.left + dx, "shape's new left");
  CheckCoordinate(node.top + dy, "shape's new top");
  MoveSubtree(node, dx, dy);
  RefreshAncestors(node);
}

void Drawing::MapSubtree(ShapeNode& node, bool horizontal, double from_origin, double to_origin,
                         double factor) {
  double& pos = horizontal ? node.left : node.top;
  double& size = horizontal ? node.width : node.height;
  pos = to_origin + (pos - from_origin) * factor;
  if (factor != 1.0) node.KeepOriginalSize();
  size *= factor;
  if (node.text()) node.text()->fitted = false;
  for (ShapeNode* child : node.children()) MapSubtree(*child, horizontal, from_origin, to_origin, factor);
}

void Drawing::Scale(ShapeNode& node, bool horizontal, double factor, bool relative_to_original,
                    int32_t scale_from) {
  if (!std::isfinite(factor) || factor < 0) {
    throw excel::AutomationError("the scale factor must be zero or positive: " +
                                 num::FormatGeneral(factor));
  }
  if (scale_from != excel::kScaleFromTopLeft && scale_from != excel::kScaleFromMiddle &&
      scale_from != excel::kScaleFromBottomRight) {
    throw excel::AutomationError("unknown corner to scale from: " + std::to_string(scale_from));
  }
  const double pos = horizontal ? node.left : node.top;
  const double size = horizontal ? node.width : node.height;
  const double base = relative_to_original ? (horizontal ? node.original_width() : node.original_height())
                                           : size;
  const double new_size = base * factor;
  CheckSize(new_size, horizontal ? "shape's new width" : "shape's new height");
  double new_pos = pos;
  if (scale_from == excel::kScaleFromMiddle) new_pos = pos + (size - new_size) / 2;
  if (scale_from == excel::kScaleFromBottomRight) new_pos = pos + size - new_size;
  CheckCoordinate(new_pos, "shape's new position");

  if (size > 0) {
    MapSubtree(node, horizontal, pos, new_pos, new_size / size);
  } else {
    // A frame without extent cannot stretch its contents: the shape itself
    // takes the new size (a line or a freeform without width, say).
    if (new_size != size) node.KeepOriginalSize();
    (horizontal ? node.width : node.height) = new_size;
    (horizontal ? node.left : node.top) = new_pos;
    if (node.text()) node.text()->fitted = false;
  }
  RefreshAncestors(node);
}

void Drawing::FitText(ShapeNode& node) {
  TextFrame* text = node.text();
  if (!text) return;
  const TextExtent extent = MeasureText(text->body);
  const double along = extent.line_length + 2 * extent.inset;
  const double across = extent.lines_depth + 2 * extent.inset;
  node.KeepOriginalSize();
  if (text->orientation == excel::kOrientationHorizontal) {
    node.width = along;
    node.height = across;
  } else {
    node.width = across;
    node.height = along;
  }
  text->fitted = true;
  RefreshAncestors(node);
}

void Drawing::RefreshAncestors(ShapeNode& node) {
  for (ShapeNode* p = node.parent; p != nullptr; p = p->parent) SetFrameToBounds(*p);
}

}  // namespace ovix::workbook
