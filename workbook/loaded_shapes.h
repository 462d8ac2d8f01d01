#pragma once
// The shapes already on a sheet of an opened workbook.
//
// Each top-level object of the sheet's drawing part (an anchor holding a
// shape, connector, group, picture, chart frame or anything else, or an
// mc:AlternateContent holding such anchors, as form controls come) becomes
// one engine shape of kind kLoaded. The engine does not interpret what it
// holds: the markup stays as it was read, and only what the object model can
// change is written back changed:
//  - the position and size: the anchor (from/to cells, oneCellAnchor's from
//    and ext, absoluteAnchor's pos and ext) and the object's own a:xfrm are
//    mapped together from the frame the shape had to the frame it has, so
//    they stay consistent for every kind of anchor;
//  - the name (cNvPr name) after a rename.
// A loaded shape grouped with new shapes is written inside the new group as
// its object without the anchor (an mc:AlternateContent keeps its branches,
// each holding its object), in the group's child space, which is sheet EMU.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "workbook/shape_model.h"
#include "workbook/sheet_grid.h"
#include "workbook/xml_buffer.h"

namespace ovix::workbook {

// The DOM of a sheet's drawing part, which the loaded shapes point into.
struct LoadedDrawing {
  std::string part;  // the part name, "xl/drawings/drawing1.xml"
  pugi::xml_document doc;
  // Children of the root that hold no anchor (kept, written after the shapes).
  std::vector<pugi::xml_node> other_children;
  // True when the root binds the prefixes "xdr" and "a" to the namespaces the
  // engine's own markup uses; otherwise new shapes declare them themselves.
  bool engine_prefixes_bound = true;
  int64_t max_id = 0;  // largest cNvPr id in the part
};

// One anchor of a loaded shape, with the values it was read with.
struct LoadedAnchor {
  pugi::xml_node anchor;  // xdr:twoCellAnchor, oneCellAnchor or absoluteAnchor
  pugi::xml_node object;  // the one object in it
  pugi::xml_node xfrm;    // the object's own transform (may be empty)
  int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;        // the anchor's frame, sheet EMU
  int64_t off_x = 0, off_y = 0, ext_cx = 0, ext_cy = 0;  // the xfrm's
  std::vector<pugi::xml_node> names;  // cNvPr of the object (to rename)
};

struct LoadedShape {
  pugi::xml_node element;  // the root's child: an anchor or mc:AlternateContent
  std::vector<LoadedAnchor> anchors;
  // The frame and name the shape was read with (the first anchor's frame).
  int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  std::string original_name;
  // A shape of a legacy .xls sheet: its place among the sheet's top-level
  // shapes (it has no markup; element and anchors are empty). -1 otherwise.
  int64_t legacy_shape = -1;
};

// Parses the drawing part `data` and adds its top-level objects to `drawing`
// in z-order as loaded shapes; new shapes then continue after the part's
// largest id. Throws excel::AutomationError naming `workbook` for XML that is
// not well-formed or is not a drawing part.
void LoadDrawingShapes(const std::string& data, const std::string& part, const std::string& workbook,
                       const SheetGrid& grid, Drawing& drawing, LoadedDrawing& loaded);

// True when the drawing differs from the part it was loaded from: a new
// shape or group, or a loaded shape moved, resized or renamed.
bool DrawingChanged(const Drawing& drawing);

// Writes a top-level loaded shape: its element with its anchors and
// transforms mapped to the shape's frame, moved by (push_x, push_y) EMU (which
// puts shapes left of or above the sheet back onto it).
void WriteLoadedTopLevel(const ShapeNode& node, const SheetGrid& grid, int64_t push_x, int64_t push_y,
                         XmlBuffer& out);
// Writes a loaded shape as a member of a group: its object(s) without the
// anchor, transformed to the shape's frame.
void WriteLoadedMember(const ShapeNode& node, XmlBuffer& out);

// The root element's start tag as the part had it (all its namespace
// declarations and attributes).
void WriteLoadedRootStart(const LoadedDrawing& loaded, XmlBuffer& out);
void WriteLoadedRootEnd(const LoadedDrawing& loaded, XmlBuffer& out);
void WriteLoadedOtherChildren(const LoadedDrawing& loaded, XmlBuffer& out);

}  // namespace ovix::workbook
