#pragma once
// Arrowheads of multileaders. A multileader names its arrowhead by the
// block record of an arrow block: none (the closed filled arrow), one of the
// standard arrow blocks CAD programs share ("_DOT", "_OPEN", "_OBLIQUE",
// ...), or a block of the drawing's own. The standard ones are drawn here
// from their known shapes, whether or not the file defines their blocks;
// any other is drawn from its block.
//
// Every standard arrowhead is built at unit size with its tip at the origin,
// pointing along +x (the leader runs back along -x), so that one placement
// (the tip, the leader's direction, the arrow size) puts it in the drawing.

#include <cstdint>
#include <string_view>

#include "dxf/draw_all_entities.h"

namespace ovix::draw_all {

enum class ArrowheadKind : uint8_t {
  ClosedFilled,  // filled triangle
  Closed,        // triangle outline with the leader through it
  ClosedBlank,   // triangle outline
  Dot,           // filled disc
  DotSmall,      // small filled disc
  DotBlank,      // circle
  SmallBlank,    // small circle
  Origin,        // circle with the leader to its centre
  Origin2,       // two circles
  Open,          // two strokes
  Open30,        // two strokes 30 degrees apart
  Open90,        // two strokes at a right angle
  Oblique,       // a thin stroke at 45 degrees
  ArchTick,      // a thick stroke at 45 degrees
  BoxFilled,     // filled square round the tip
  Box,           // square outline round the tip
  DatumFilled,   // filled triangle standing on the tip
  Datum,         // its outline
  Integral,      // an integral sign
  None,          // nothing
  Block,         // the drawing's own block
};

// The kind an arrow block's name stands for: "" the closed filled arrow; a
// standard name in any letter case, with or without its leading underscore;
// Block for any other name.
ArrowheadKind ArrowheadKindOf(std::string_view block_name);

// Appends the shapes of a standard arrowhead (not Block) at unit size to
// `list`, each on layer "0" with its colour, line type and weight by block,
// so that they take the multileader's.
void AppendArrowheadShapes(ArrowheadKind kind, LocalList& list);

}  // namespace ovix::draw_all
