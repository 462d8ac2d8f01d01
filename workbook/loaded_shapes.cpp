#include "workbook/loaded_shapes.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <cstring>

#include "excel/excel_automation.h"
#include "workbook/package_xml.h"

namespace ovix::workbook {

namespace {

constexpr double kEmu = static_cast<double>(kEmuPerPoint);

bool IsAnchor(pugi::xml_node node) {
  if (node.type() != pugi::node_element) return false;
  const std::string_view local = LocalName(node);
  return (local == "twoCellAnchor" || local == "oneCellAnchor" || local == "absoluteAnchor") &&
         NamespaceOf(node) == ns::kSpreadsheetDrawing;
}

pugi::xml_node ChildNamed(pugi::xml_node node, std::string_view local) {
  for (pugi::xml_node c : node.children()) {
    if (c.type() == pugi::node_element && LocalName(c) == local) return c;
  }
  return {};
}

int64_t ParseInt(const char* text) {
  std::string_view s(text);
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n' || s.front() == '\r')) {
    s.remove_prefix(1);
  }
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  int64_t value = 0;
  const auto result = std::from_chars(s.data(), s.data() + s.size(), value);
  // Far beyond any sheet (about 2^40 EMU), so that sums cannot overflow.
  constexpr int64_t kLimit = int64_t{1} << 40;
  return result.ec == std::errc() ? std::clamp(value, -kLimit, kLimit) : 0;
}

int64_t ChildInt(pugi::xml_node node, std::string_view local) {
  return ParseInt(ChildNamed(node, local).text().get());
}

// Cell coordinates as a grid takes them: inside the sheet, offsets not negative.
CellPosition ReadCell(pugi::xml_node cell) {
  CellPosition p;
  p.column = static_cast<int32_t>(std::clamp<int64_t>(ChildInt(cell, "col"), 0, SheetGrid::kColumnCount - 1));
  p.row = static_cast<int32_t>(std::clamp<int64_t>(ChildInt(cell, "row"), 0, SheetGrid::kRowCount - 1));
  p.column_offset = std::clamp<int64_t>(ChildInt(cell, "colOff"), 0, int64_t{1} << 40);
  p.row_offset = std::clamp<int64_t>(ChildInt(cell, "rowOff"), 0, int64_t{1} << 40);
  return p;
}

pugi::xml_node FindTransform(pugi::xml_node object) {
  for (pugi::xml_node c : object.children()) {
    if (c.type() != pugi::node_element) continue;
    const std::string_view local = LocalName(c);
    if (local == "xfrm") return c;
    if (local == "spPr" || local == "grpSpPr") {
      if (pugi::xml_node x = ChildNamed(c, "xfrm")) return x;
    }
  }
  return {};
}

void CollectNames(pugi::xml_node object, std::vector<pugi::xml_node>& names) {
  for (pugi::xml_node c : object.children()) {
    if (c.type() != pugi::node_element) continue;
    const std::string_view local = LocalName(c);
    if (local.substr(0, 2) == "nv") {
      if (pugi::xml_node name = ChildNamed(c, "cNvPr")) names.push_back(name);
    }
  }
}

LoadedAnchor ReadAnchor(pugi::xml_node anchor, const SheetGrid& grid) {
  LoadedAnchor a;
  a.anchor = anchor;
  for (pugi::xml_node c : anchor.children()) {
    if (c.type() != pugi::node_element) continue;
    const std::string_view local = LocalName(c);
    if (local == "from" || local == "to" || local == "pos" || local == "ext" || local == "clientData") continue;
    a.object = c;
    break;
  }
  const std::string_view kind = LocalName(anchor);
  pugi::xml_node ext = ChildNamed(anchor, "ext");
  const int64_t cx = std::max<int64_t>(ParseInt(ext.attribute("cx").value()), 0);
  const int64_t cy = std::max<int64_t>(ParseInt(ext.attribute("cy").value()), 0);
  if (kind == "absoluteAnchor") {
    pugi::xml_node pos = ChildNamed(anchor, "pos");
    a.x0 = ParseInt(pos.attribute("x").value());
    a.y0 = ParseInt(pos.attribute("y").value());
    a.x1 = a.x0 + cx;
    a.y1 = a.y0 + cy;
  } else {
    grid.PointAt(ReadCell(ChildNamed(anchor, "from")), a.x0, a.y0);
    if (kind == "twoCellAnchor") {
      grid.PointAt(ReadCell(ChildNamed(anchor, "to")), a.x1, a.y1);
      a.x1 = std::max(a.x1, a.x0);
      a.y1 = std::max(a.y1, a.y0);
    } else {
      a.x1 = a.x0 + cx;
      a.y1 = a.y0 + cy;
    }
  }
  if (a.object) {
    a.xfrm = FindTransform(a.object);
    if (a.xfrm) {
      pugi::xml_node off = ChildNamed(a.xfrm, "off");
      pugi::xml_node xext = ChildNamed(a.xfrm, "ext");
      a.off_x = ParseInt(off.attribute("x").value());
      a.off_y = ParseInt(off.attribute("y").value());
      a.ext_cx = ParseInt(xext.attribute("cx").value());
      a.ext_cy = ParseInt(xext.attribute("cy").value());
    }
    CollectNames(a.object, a.names);
  }
  return a;
}

int32_t TypeOf(pugi::xml_node object) {
  if (!object) return excel::kTypeOther;
  const std::string_view local = LocalName(object);
  if (local == "sp") {
    for (pugi::xml_node nv : object.children()) {
      if (LocalName(nv) != "nvSpPr") continue;
      pugi::xml_node c = ChildNamed(nv, "cNvSpPr");
      if (std::string_view(c.attribute("txBox").value()) == "1") return excel::kTypeTextBox;
    }
    return excel::kTypeAutoShape;
  }
  if (local == "cxnSp") return excel::kTypeLine;
  if (local == "grpSp") return excel::kTypeGroup;
  if (local == "pic") return excel::kTypePicture;
  if (local == "graphicFrame") return excel::kTypeChart;
  return excel::kTypeOther;
}

// The largest cNvPr id in the part; the names of shapes below the top level
// (group members) are reserved in `drawing`.
int64_t ScanIdsAndNames(const pugi::xml_document& doc, Drawing& drawing) {
  int64_t largest = 0;
  // Iterative walk: drawings can be deep (nested groups) and large.
  std::vector<pugi::xml_node> stack{doc.document_element()};
  while (!stack.empty()) {
    pugi::xml_node n = stack.back();
    stack.pop_back();
    if (LocalName(n) == "cNvPr") {
      largest = std::max(largest, ParseInt(n.attribute("id").value()));
      // nvXxPr, its object, the object's holder: a group below the anchor.
      const pugi::xml_node holder = n.parent().parent().parent();
      if (LocalName(holder) == "grpSp") drawing.ReserveName(n.attribute("name").value());
    }
    for (pugi::xml_node c = n.last_child(); c; c = c.previous_sibling()) {
      if (c.type() == pugi::node_element) stack.push_back(c);
    }
  }
  return largest;
}

// Maps sheet EMU of the shape's original frame to its present frame.
struct FrameMap {
  int64_t from_x0, from_y0, to_x0, to_y0;
  double sx, sy;
  int64_t push_x, push_y;

  FrameMap(const LoadedShape& shape, const ShapeNode& node, int64_t px, int64_t py)
      : from_x0(shape.x0), from_y0(shape.y0), push_x(px), push_y(py) {
    to_x0 = PointsToEmu(node.left);
    to_y0 = PointsToEmu(node.top);
    const int64_t to_x1 = PointsToEmu(node.left + node.width);
    const int64_t to_y1 = PointsToEmu(node.top + node.height);
    sx = shape.x1 > shape.x0 ? static_cast<double>(to_x1 - to_x0) / static_cast<double>(shape.x1 - shape.x0) : 1.0;
    sy = shape.y1 > shape.y0 ? static_cast<double>(to_y1 - to_y0) / static_cast<double>(shape.y1 - shape.y0) : 1.0;
  }
  int64_t X(int64_t v) const { return to_x0 + std::llround(static_cast<double>(v - from_x0) * sx) + push_x; }
  int64_t Y(int64_t v) const { return to_y0 + std::llround(static_cast<double>(v - from_y0) * sy) + push_y; }
  int64_t W(int64_t v) const { return std::llround(static_cast<double>(v) * sx); }
  int64_t H(int64_t v) const { return std::llround(static_cast<double>(v) * sy); }
};

// Sets an attribute to a number, leaving it as written when it already holds
// that number.
void SetNumber(pugi::xml_node node, const char* name, int64_t value) {
  if (!node) return;
  pugi::xml_attribute a = node.attribute(name);
  if (!a) a = node.append_attribute(name);
  else if (ParseInt(a.value()) == value && *a.value() != '\0') return;
  a.set_value(static_cast<long long>(value));
}

void SetChildNumber(pugi::xml_node node, std::string_view local, int64_t value) {
  pugi::xml_node c = ChildNamed(node, local);
  if (!c) return;
  if (ParseInt(c.text().get()) == value && *c.text().get() != '\0') return;
  c.text().set(static_cast<long long>(value));
}

void SetCell(pugi::xml_node cell, const CellPosition& p) {
  SetChildNumber(cell, "col", p.column);
  SetChildNumber(cell, "colOff", p.column_offset);
  SetChildNumber(cell, "row", p.row);
  SetChildNumber(cell, "rowOff", p.row_offset);
}

void MapTransform(const LoadedAnchor& a, const FrameMap& m) {
  if (!a.xfrm) return;
  SetNumber(ChildNamed(a.xfrm, "off"), "x", m.X(a.off_x));
  SetNumber(ChildNamed(a.xfrm, "off"), "y", m.Y(a.off_y));
  SetNumber(ChildNamed(a.xfrm, "ext"), "cx", std::max<int64_t>(m.W(a.ext_cx), 0));
  SetNumber(ChildNamed(a.xfrm, "ext"), "cy", std::max<int64_t>(m.H(a.ext_cy), 0));
}

void MapAnchor(const LoadedAnchor& a, const FrameMap& m, const SheetGrid& grid) {
  const std::string_view kind = LocalName(a.anchor);
  const int64_t x0 = std::max<int64_t>(m.X(a.x0), 0);
  const int64_t y0 = std::max<int64_t>(m.Y(a.y0), 0);
  const int64_t cx = std::max<int64_t>(m.W(a.x1 - a.x0), 0);
  const int64_t cy = std::max<int64_t>(m.H(a.y1 - a.y0), 0);
  if (kind == "absoluteAnchor") {
    SetNumber(ChildNamed(a.anchor, "pos"), "x", x0);
    SetNumber(ChildNamed(a.anchor, "pos"), "y", y0);
    SetNumber(ChildNamed(a.anchor, "ext"), "cx", cx);
    SetNumber(ChildNamed(a.anchor, "ext"), "cy", cy);
    return;
  }
  SetCell(ChildNamed(a.anchor, "from"), grid.CellAt(x0, y0));
  if (kind == "twoCellAnchor") {
    SetCell(ChildNamed(a.anchor, "to"), grid.CellAt(x0 + cx, y0 + cy));
  } else {
    SetNumber(ChildNamed(a.anchor, "ext"), "cx", cx);
    SetNumber(ChildNamed(a.anchor, "ext"), "cy", cy);
  }
}

void Rename(const LoadedAnchor& a, const std::string& name) {
  for (pugi::xml_node n : a.names) {
    pugi::xml_attribute attr = n.attribute("name");
    if (!attr) attr = n.append_attribute("name");
    if (name != attr.value()) attr.set_value(name.c_str());
  }
}

void StartTag(pugi::xml_node node, XmlBuffer& out) {
  out.Raw("<").Raw(node.name());
  for (pugi::xml_attribute a : node.attributes()) out.Attr(a.name(), a.value());
  out.Raw(">");
}

void EndTag(pugi::xml_node node, XmlBuffer& out) { out.Raw("</").Raw(node.name()).Raw(">"); }

}  // namespace

void LoadDrawingShapes(const std::string& data, const std::string& part, const std::string& workbook,
                       const SheetGrid& grid, Drawing& drawing, LoadedDrawing& loaded) {
  loaded.part = part;
  ParseXmlPart(loaded.doc, data, part, workbook);
  const pugi::xml_node root = loaded.doc.document_element();
  if (!Is(root, ns::kSpreadsheetDrawing, "wsDr")) {
    throw excel::AutomationError("cannot open the workbook \"" + workbook + "\": the part " + part +
                                 " is not a spreadsheet drawing");
  }
  loaded.engine_prefixes_bound = root.attribute("xmlns:xdr").value() == ns::kSpreadsheetDrawing &&
                                 root.attribute("xmlns:a").value() == ns::kDrawingMain;
  loaded.max_id = ScanIdsAndNames(loaded.doc, drawing);
  drawing.ContinueIdsAfter(loaded.max_id);

  for (pugi::xml_node child : root.children()) {
    if (child.type() != pugi::node_element) continue;
    auto shape = std::make_shared<LoadedShape>();
    shape->element = child;
    if (IsAnchor(child)) {
      shape->anchors.push_back(ReadAnchor(child, grid));
    } else if (Is(child, ns::kMarkupCompatibility, "AlternateContent")) {
      for (pugi::xml_node branch : child.children()) {
        for (pugi::xml_node c : branch.children()) {
          if (IsAnchor(c)) shape->anchors.push_back(ReadAnchor(c, grid));
        }
      }
    }
    if (shape->anchors.empty()) {
      loaded.other_children.push_back(child);
      continue;
    }
    const LoadedAnchor& first = shape->anchors.front();
    shape->x0 = first.x0;
    shape->y0 = first.y0;
    shape->x1 = first.x1;
    shape->y1 = first.y1;
    int64_t id = 0;
    if (!first.names.empty()) {
      shape->original_name = first.names.front().attribute("name").value();
      id = ParseInt(first.names.front().attribute("id").value());
    }
    const int32_t type = shape->anchors.size() == 1 ? TypeOf(first.object) : excel::kTypeOther;
    const std::string name = shape->original_name;
    const double left = first.x0 / kEmu, top = first.y0 / kEmu;
    const double width = (first.x1 - first.x0) / kEmu, height = (first.y1 - first.y0) / kEmu;
    drawing.AddLoaded(std::move(shape), name, static_cast<int32_t>(std::clamp<int64_t>(id, 0, INT32_MAX)),
                      type, left, top, width, height);
  }
}

bool DrawingChanged(const Drawing& drawing) {
  bool changed = false;
  drawing.ForEachTopLevel([&](const ShapeNode& node) {
    if (changed) return;
    if (node.kind != ShapeKind::kLoaded) {
      changed = true;
      return;
    }
    const LoadedShape& s = *node.loaded();
    changed = PointsToEmu(node.left) != s.x0 || PointsToEmu(node.top) != s.y0 ||
              PointsToEmu(node.left + node.width) != s.x1 || PointsToEmu(node.top + node.height) != s.y1 ||
              (!node.NameIs(s.original_name) && !(s.original_name.empty()));
  });
  return changed;
}

void WriteLoadedTopLevel(const ShapeNode& node, const SheetGrid& grid, int64_t push_x, int64_t push_y,
                         XmlBuffer& out) {
  const LoadedShape& shape = *node.loaded();
  const FrameMap map(shape, node, push_x, push_y);
  for (const LoadedAnchor& a : shape.anchors) {
    MapAnchor(a, map, grid);
    MapTransform(a, map);
    if (!node.NameIs(shape.original_name)) Rename(a, node.Name());
  }
  AppendNodeXml(shape.element, out.str());
}

void WriteLoadedMember(const ShapeNode& node, XmlBuffer& out) {
  const LoadedShape& shape = *node.loaded();
  const FrameMap map(shape, node, 0, 0);
  for (const LoadedAnchor& a : shape.anchors) {
    MapTransform(a, map);
    if (!node.NameIs(shape.original_name)) Rename(a, node.Name());
  }
  if (IsAnchor(shape.element)) {
    if (shape.anchors.front().object) AppendNodeXml(shape.anchors.front().object, out.str());
    return;
  }
  // mc:AlternateContent: each branch holds its anchors' objects.
  StartTag(shape.element, out);
  for (pugi::xml_node branch : shape.element.children()) {
    if (branch.type() != pugi::node_element) continue;
    StartTag(branch, out);
    for (pugi::xml_node c : branch.children()) {
      if (IsAnchor(c)) {
        for (const LoadedAnchor& a : shape.anchors) {
          if (a.anchor == c && a.object) AppendNodeXml(a.object, out.str());
        }
      } else {
        AppendNodeXml(c, out.str());
      }
    }
    EndTag(branch, out);
  }
  EndTag(shape.element, out);
}

void WriteLoadedRootStart(const LoadedDrawing& loaded, XmlBuffer& out) {
  StartTag(loaded.doc.document_element(), out);
}

void WriteLoadedRootEnd(const LoadedDrawing& loaded, XmlBuffer& out) {
  EndTag(loaded.doc.document_element(), out);
}

void WriteLoadedOtherChildren(const LoadedDrawing& loaded, XmlBuffer& out) {
  for (pugi::xml_node c : loaded.other_children) AppendNodeXml(c, out.str());
}

}  // namespace ovix::workbook
