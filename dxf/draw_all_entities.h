#pragma once
// The "draw everything" option on the reader's side, used only inside dxf/.
//
// Loading stays apart from meaning: the reader keeps every record as tags
// (DxfRecordStore); here the records of one entity, or of one entity and
// its followers (POLYLINE with its VERTEX records, INSERT with its ATTRIB
// records, each up to SEQEND), are decoded into local shapes in their own
// coordinates. A block's contents are decoded once, on first use, and every
// reference to it maps the decoded shapes through the transform stack of
// the references that lead to it, so the cost of a drawing is its output.
//
// A further entity kind joins by a decoder that DecodeEntity calls for its
// record type, giving paths (straight and Bézier segments), fills, dots or
// texts; it is then drawn in model space and inside blocks alike, and
// belongs in the kinds that the run's note names (undrawn_entities.cpp).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "dxf/dxf_record.h"
#include "dxf/path_geometry.h"
#include "model/extra_shapes.h"

namespace ovix {
class RvSystem;
}

namespace ovix::draw_all {

// The attributes an entity states, before block resolution.
struct LocalProps {
  std::string Layer = "0";
  std::string LineType;  // "" by layer
  int32_t Color = 256;   // 0 by block, 256 by layer
  int32_t Weight = 0;    // hundredths of a mm; -1 by layer, -2 by block
  bool PaperSpace = false;
};

// A decoded entity in its own (block or model) coordinates.
struct LocalShape {
  ExtraShapeKind Kind = ExtraShapeKind::Path;
  LocalProps Props;
  double Width = 0;  // drawing units
  bool Closed = false;
  std::vector<ExtraNode> Nodes;  // Path, Fill, Dot
  // Text: the alignment point and the baseline and height directions (each
  // as long as the text height), mapped with the shape.
  ExtraText Text;
  double X = 0, Y = 0;
  double UX = 1, UY = 0;
  double VX = 0, VY = 1;
  double EstimatedWidth = 0;  // drawing units along the baseline
  // Fill: whether its outline is drawn, a true colour and a transparency.
  bool Outline = true;
  int32_t FillRgb = -1;
  double FillTransparency = 0;
  int16_t DashCode = -1;  // a dash style code of its own, -1: by line type
  // A hatch whose pattern was too dense to draw, drawn as a light fill.
  bool Simplified = false;
};

// A block reference: the block, its placements (one, or a MINSERT's array)
// and the attribute texts that follow it.
struct LocalInsert {
  LocalProps Props;
  std::string Block;
  std::vector<Affine> Placements;
  std::vector<LocalShape> Attribs;
  // A dimension drawn from its block ("*D..."): the block is drawn although
  // dimension blocks are otherwise left to the dimension's own data.
  bool DimensionBlock = false;
  // A block named by its block record's handle instead (a multileader's
  // block content), used when Block is empty.
  std::string BlockRecordHandle;
  // A multileader's arrowhead: the arrow block named by BlockRecordHandle,
  // or, when that is empty, by the multileader style StyleHandle names
  // (arrowhead_shapes.h). Each placement puts the tip and turns +x along
  // the leader; ArrowSize scales it (0: the style's size times ArrowScale).
  bool Arrowhead = false;
  std::string StyleHandle;
  double ArrowSize = 0;
  double ArrowScale = 1;
};

// One item of a list in file order: a shape or a block reference.
struct LocalItem {
  bool IsInsert = false;
  std::size_t Index = 0;
};

struct LocalList {
  std::vector<LocalShape> Shapes;
  std::vector<LocalInsert> Inserts;
  std::vector<LocalItem> Items;
  // The name of one group that holds every piece of the entity decoded
  // last (the lines of a hatch pattern); empty for none.
  std::string GroupName;
};

// What the decoder reports about the records it was given.
enum class Decoded { Shape, Insert, Nothing, NotMine };

// Decodes the entity that starts at record `i` of `store` into `list`
// (followers included). `next` becomes the record after it. NotMine: a
// kind this decoder leaves to the nine stores (or does not draw).
// `in_block`: every kind it can draw is taken (LINE, CIRCLE, ... too).
Decoded DecodeEntity(const DxfRecordStore& store, std::size_t i, std::size_t& next,
                     bool in_block, LocalList& list);

// Whether the model-space entity `record` of one of the nine kinds needs
// this decoder to be drawn faithfully (a bulge, a rotated ellipse or text,
// a mirrored circle, ...).
bool NeedsFaithfulDrawing(const DxfRecordView& record);

// Decoders of the polyline family (polyline_entities.cpp): an LWPOLYLINE,
// and a POLYLINE with its VERTEX records up to SEQEND (2D and 3D
// polylines with bulges and widths, polyface and polygon meshes as edges).
bool DecodeLwPolyline(const DxfRecordView& record, LocalShape& shape);
void DecodePolyline(const DxfRecordStore& store, std::size_t i, std::size_t& next,
                    std::vector<LocalShape>& shapes);

// Common attribute codes (8, 6, 62, 370, 67); true when `code` was one.
bool ApplyProps(LocalProps& props, int32_t code, std::string_view value);

// Expands the model-space entities of `entities` into `system`'s extra
// shapes, with the block definitions of `blocks` and the multileader
// styles of `objects`. `taken[i]` is set for
// every record it drew (or consumed as a follower), so that the nine
// stores leave it out.
void ExpandDrawing(const DxfRecordStore& entities, const DxfRecordStore& blocks,
                   const DxfRecordStore& objects, RvSystem& system, std::vector<bool>& taken);

}  // namespace ovix::draw_all
