#pragma once
// What SPLINE, HATCH, WIPEOUT, XLINE, RAY, MULTILEADER and the dimensions
// the nine stores cannot draw mean for the drawing, as local shapes of the
// "draw everything" option:
// - a spline is one outline of Bézier segments (closed when it is closed);
// - a hatch with a solid or gradient fill is one filled outline without a
//   line, its islands cut out (tools/hatch_boundary.h); a pattern fill is
//   its pattern lines clipped to the boundary, one group per hatch, or, when
//   it would make more than kMaxPatternPieces lines, a light fill of its
//   colour;
// - a wipeout is a white filled outline without a line, in drawing order;
// - XLINE and RAY are kept as construction lines and cut to the drawing's
//   extents once everything else is placed;
// - a multileader is its leader lines (splined ones as curves), the
//   arrowhead it or its style names at each (arrowhead_shapes.h), its
//   landing and dog-leg, and its text like MTEXT;
// - a dimension of a kind the nine stores do not draw (ordinate,
//   three-point angular, arc length, large radial) is its block ("*D..."),
//   which holds what CAD programs show.

#include <cstddef>

#include "dxf/draw_all_entities.h"

namespace ovix::draw_all {

// Pattern lines one hatch may make before it is drawn as a light fill.
inline constexpr std::size_t kMaxPatternPieces = 2000;
// Transparency of that light fill.
inline constexpr double kLightFillTransparency = 0.75;

// Decodes the entity at record `i` of `store` when it is one of the kinds
// above; NotMine otherwise. `next` becomes the record after it.
Decoded DecodeCurveFillEntity(const DxfRecordStore& store, std::size_t i, std::size_t& next,
                              LocalList& list);

// Cuts the construction lines of `system`'s extra shapes to the drawing's
// extents (everything else counted) and adds them as outlines.
void PlaceConstructionLines(RvSystem& system);

}  // namespace ovix::draw_all
