#pragma once
// The shapes of one sheet as the engine holds them: kinds, frames in points,
// outline, fill, arc adjustments, freeform paths, text, and groups; unique
// names; the top-level shapes in z-order. A default name ("Line 12") is found
// from its number, without hashing; only names given by Rename or that came
// with an opened workbook go into a hash index. Every
// operation costs what it touches: adding, naming and finding a shape are
// constant time, grouping is proportional to the group, moving or scaling a
// shape to its own subtree and its ancestors' children.

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "excel/excel_automation.h"
#include "workbook/bezier_path.h"
#include "workbook/text_body.h"
#include "workbook/z_order_index.h"

namespace ovix::workbook {

// kLoaded: a shape that came with an opened workbook. The engine keeps its
// markup as it was and changes only its position, size and name (see
// loaded_shapes.h).
enum class ShapeKind : uint8_t { kLine, kRectangle, kOval, kArc, kFreeform, kTextBox, kGroup, kLoaded };

struct LoadedShape;

// Largest distance from the sheet origin, in points, that a position or size
// may have (far beyond the sheet's last cell, far inside what the file format
// holds).
inline constexpr double kMaxCoordinate = 1.0e7;

// Style values are held in the narrowest type that fits them: a large
// drawing holds hundreds of thousands of shapes. The automation layer checks
// every value against its range (scheme colours -1 to 64, dash styles 1 to
// 12, arrowhead settings 1 to 6) before it is stored.
struct ShapeColor {
  bool automatic = true;
  int16_t scheme = excel::kSchemeColorAutomatic;  // scheme colour last set, or 64
  uint32_t rgb = 0;                               // 0xRRGGBB when not automatic
};

struct LineStyle {
  double weight = 0.75;  // points
  double transparency = 0.0;
  ShapeColor color;  // automatic: black
  int8_t dash_style = excel::kLineSolid;
  int8_t compound = excel::kLineSingle;
  int8_t begin_style = excel::kArrowheadNone;
  int8_t begin_length = excel::kArrowheadLengthMedium;
  int8_t begin_width = excel::kArrowheadWidthMedium;
  int8_t end_style = excel::kArrowheadNone;
  int8_t end_length = excel::kArrowheadLengthMedium;
  int8_t end_width = excel::kArrowheadWidthMedium;
  bool visible = true;
};

struct FillStyle {
  double transparency = 0.0;
  ShapeColor color;  // automatic: white
  bool visible = false;
};

struct TextFrame {
  TextBody body;
  int32_t orientation = excel::kOrientationHorizontal;
  int32_t alignment = excel::kAlignLeft;
  bool auto_size = false;
  bool add_indent = false;
  // The frame is the size last fitted to the text (no explicit resize since).
  bool fitted = false;
};

// A freeform's path relative to the top-left corner of its frame when the
// frame was `reference_width` x `reference_height`; a resized frame stretches
// the path with it.
struct FreeformGeometry {
  BezierPath path;
  double reference_width = 0;
  double reference_height = 0;
};

inline constexpr size_t kNoSlot = std::numeric_limits<size_t>::max();

// Deepest nesting of groups; deeper grouping fails with an AutomationError
// rather than exhausting the stack of the code that walks groups.
inline constexpr uint32_t kMaxGroupLevels = 1000;

struct ShapeNode;

// The members of a group, back to front. Most shapes are not groups: the
// node holds one pointer, null when there are no members.
class ShapeChildren {
 public:
  ShapeChildren& operator=(std::vector<ShapeNode*>&& members) {
    if (members.empty()) list_.reset();
    else list_ = std::make_unique<std::vector<ShapeNode*>>(std::move(members));
    return *this;
  }
  bool empty() const { return !list_; }
  size_t size() const { return list_ ? list_->size() : 0; }
  ShapeNode* front() const { return list_->front(); }
  ShapeNode* operator[](size_t i) const { return (*list_)[i]; }
  ShapeNode* const* begin() const { return list_ ? list_->data() : nullptr; }
  ShapeNode* const* end() const { return list_ ? list_->data() + list_->size() : nullptr; }

 private:
  std::unique_ptr<std::vector<ShapeNode*>> list_;
};

// What only some shapes have: a name other than their default one, a size
// that changed since they were made, a rotation, arc adjustments, a path, a
// text, a loaded shape's markup, group members. Held apart so that the node
// of a plain line (most of a large drawing) stays small.
struct ShapeDetail {
  std::string name;  // set by Rename or read with an opened workbook; empty: the default name
  bool has_original_size = false;
  double original_width = 0;
  double original_height = 0;
  double rotation = 0;
  // Arc: item 1 and item 2 in degrees (see excel::Adjustments).
  std::array<double, 2> adjustments{90.0, 0.0};
  int32_t loaded_type = excel::kTypeOther;  // kLoaded: the type it reports
  uint32_t group_levels = 0;  // levels of groups in the shape (0 for a plain shape)
  std::unique_ptr<FreeformGeometry> freeform;
  std::unique_ptr<TextFrame> text;
  std::shared_ptr<LoadedShape> loaded;  // kLoaded only
  ShapeChildren children;  // groups, back to front
};

// The first word of a shape's default name: "Line", "Oval", "TextBox", ...
const char* DefaultBaseName(ShapeKind kind);

// One shape. Fields are ordered so that the node packs without gaps: a large
// drawing holds hundreds of thousands of them, so what most shapes never
// have lives in ShapeDetail, made on first use.
struct ShapeNode {
  ShapeKind kind = ShapeKind::kRectangle;
  // Lines: the line runs from the frame's top-left to its bottom-right corner,
  // mirrored horizontally and/or vertically.
  bool flip_h = false;
  bool flip_v = false;
  int32_t id = 0;
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
  ShapeNode* parent = nullptr;  // the group that holds the shape
  size_t slot = kNoSlot;        // z-order slot while top-level
  uint64_t selection_mark = 0;  // see WorkbookState's selection
  LineStyle line;
  FillStyle fill;
  std::unique_ptr<ShapeDetail> detail;

  bool top_level() const { return parent == nullptr; }
  int32_t AutomationType() const;
  int32_t AdjustmentCount() const { return kind == ShapeKind::kArc ? 2 : 0; }

  // The detail, made when the shape first needs one.
  ShapeDetail& Detail() {
    if (!detail) detail = std::make_unique<ShapeDetail>();
    return *detail;
  }

  // The shape's name: the one it was given, or its default name ("Line 12"),
  // made from its kind and id without being stored.
  std::string Name() const;
  bool HasGivenName() const { return detail && !detail->name.empty(); }
  const std::string& GivenName() const { return detail->name; }
  // Default names: the kind's base name, a space, and id - 1.
  const char* BaseName() const;
  int64_t DefaultNumber() const { return int64_t{id} - 1; }
  bool NameIs(std::string_view name) const;

  // The size the shape was made with (or last grouped at).
  double original_width() const { return detail && detail->has_original_size ? detail->original_width : width; }
  double original_height() const {
    return detail && detail->has_original_size ? detail->original_height : height;
  }
  // Called before the frame's size changes: the size it was made with is
  // kept for scaling relative to it.
  void KeepOriginalSize() {
    if (detail && detail->has_original_size) return;
    ShapeDetail& d = Detail();
    d.has_original_size = true;
    d.original_width = width;
    d.original_height = height;
  }
  double rotation() const { return detail ? detail->rotation : 0.0; }
  const std::array<double, 2>& adjustments() const {
    static const std::array<double, 2> kDefault{90.0, 0.0};
    return detail ? detail->adjustments : kDefault;
  }
  uint32_t group_levels() const { return detail ? detail->group_levels : 0; }
  FreeformGeometry* freeform() const { return detail ? detail->freeform.get() : nullptr; }
  TextFrame* text() const { return detail ? detail->text.get() : nullptr; }
  LoadedShape* loaded() const { return detail ? detail->loaded.get() : nullptr; }
  const ShapeChildren& children() const {
    static const ShapeChildren kNone;
    return detail ? detail->children : kNone;
  }
};

// The nodes of a drawing in blocks that never move (a node's address stays
// valid while the drawing lives), without a heap allocation per node. The
// first blocks are small; a large drawing continues in 2 MB blocks, which
// the system may back with huge pages (one page fault for thousands of
// nodes) and which the allocator may carve out of memory freed earlier in
// the run (they are not aligned to 2 MB, so that any free stretch serves).
class ShapeStore {
 public:
  ShapeStore() = default;
  ~ShapeStore();
  ShapeStore(const ShapeStore&) = delete;
  ShapeStore& operator=(const ShapeStore&) = delete;

  ShapeNode& emplace_back();
  size_t size() const { return size_; }

 private:
  struct Block {
    ShapeNode* nodes;
    size_t capacity;
    size_t used;
  };
  std::vector<Block> blocks_;
  size_t size_ = 0;
};

// AutomationError unless `value` is a finite coordinate within kMaxCoordinate
// (and not negative when it is a size).
void CheckCoordinate(double value, const char* what);
void CheckSize(double value, const char* what);

class Drawing {
 public:
  Drawing() = default;
  Drawing(const Drawing&) = delete;
  Drawing& operator=(const Drawing&) = delete;

  ShapeNode& AddLine(double begin_x, double begin_y, double end_x, double end_y);
  // kRectangle, kOval or kArc.
  ShapeNode& AddAutoShape(ShapeKind kind, double left, double top, double width, double height);
  ShapeNode& AddTextBox(int32_t orientation, double left, double top, double width, double height);
  ShapeNode& AddFreeform(const std::vector<FreeformNode>& nodes);
  // A shape of an opened workbook, in front of those added so far. Its name
  // is found by Find unless an earlier shape has it too (opened drawings may
  // repeat names); an empty name is replaced by "Shape <id>".
  ShapeNode& AddLoaded(std::shared_ptr<LoadedShape> loaded, std::string name, int32_t id,
                       int32_t automation_type, double left, double top, double width, double height);
  // New shapes get ids above `max_id` (the largest id already used in the
  // opened drawing part) and default names numbered from there, as the
  // spreadsheet application continues an existing drawing.
  void ContinueIdsAfter(int64_t max_id);
  // A name a shape inside a loaded group has: no new shape takes it.
  void ReserveName(std::string name) { reserved_names_.insert(std::move(name)); }
  // Groups two or more distinct top-level shapes; the group takes the
  // z-position of the frontmost member and holds the members back to front.
  ShapeNode& Group(const std::vector<ShapeNode*>& members);

  size_t TopLevelCount() const { return order_.size(); }
  ShapeNode& TopLevelAt(size_t index) const { return *order_.At(index); }  // 0-based
  template <typename F>
  void ForEachTopLevel(F&& f) const {
    order_.ForEach([&](ShapeNode* node) { f(*node); });
  }

  ShapeNode* Find(std::string_view name) const;
  // AutomationError for an empty name or one that another shape has.
  void Rename(ShapeNode& node, const std::string& name);

  // Moves a shape (a group with its members); a top-level shape loaded from
  // an opened workbook stops at the sheet's left and top edges.
  void Move(ShapeNode& node, double dx, double dy);
  // Scales the width (horizontal) or height of `node` by `factor`, relative
  // to its current or original size, keeping the edge given by `scale_from`
  // (excel::kScaleFromTopLeft, kScaleFromMiddle, kScaleFromBottomRight).
  void Scale(ShapeNode& node, bool horizontal, double factor, bool relative_to_original,
             int32_t scale_from);
  // Fits a text box's frame to its text (top-left corner fixed).
  void FitText(ShapeNode& node);
  // Called after the frame of a grouped shape changed: the groups around it
  // take the bounds of their members again.
  void RefreshAncestors(ShapeNode& node);

  FontTable& fonts() { return fonts_; }
  const FontTable& fonts() const { return fonts_; }
  size_t shape_count() const { return nodes_.size(); }

 private:
  ShapeNode& NewNode(ShapeKind kind);
  void MoveSubtree(ShapeNode& node, double dx, double dy);
  void MapSubtree(ShapeNode& node, bool horizontal, double from_origin, double to_origin,
                  double factor);

  // The shape whose default name is `name`, if it still has it.
  ShapeNode* FindDefaultName(std::string_view name) const;
  bool NameTaken(std::string_view name) const;

  ShapeStore nodes_;
  // Shapes that got a default name, in the order of their numbers (id - 1).
  std::vector<ShapeNode*> numbered_;
  // Names given by Rename and names of loaded shapes.
  std::unordered_map<std::string_view, ShapeNode*> names_;
  std::unordered_set<std::string> reserved_names_;
  ZOrderIndex<ShapeNode> order_;
  FontTable fonts_;
  int64_t next_number_ = 1;
};

}  // namespace ovix::workbook
