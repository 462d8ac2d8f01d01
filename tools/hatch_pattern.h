#pragma once
// Hatch patterns: the families of parallel, possibly dashed lines of a
// pattern fill, clipped to the hatch's boundary as CAD programs show them
// (the even-odd rule over all boundary loops, so islands stay empty).
//
// Each family is one line through `base` at `angle_degrees`, repeated at
// every multiple of `offset`; along each line the dash list repeats from the
// line's own origin: a positive length is drawn, a negative one is a gap,
// 0 is a dot. The cost is linear in the boundary's edges plus the pieces
// made: every edge is dropped into the buckets of the lines it crosses.

#include <cstddef>
#include <vector>

#include "tools/plane_path.h"

namespace ovix::geom {

struct PatternLine {
  double angle_degrees = 0;
  Vec2 base;
  Vec2 offset;
  std::vector<double> dashes;
};

struct PatternPiece {
  Vec2 from;
  Vec2 to;  // equal to `from` for a dot
};

// A guess, from the loops' extent alone, of how many pieces the pattern
// makes (never far below the true count); lets a caller refuse a pattern
// too dense to draw before clipping it.
double EstimatePatternPieces(const std::vector<PatternLine>& lines,
                             const std::vector<std::vector<Vec2>>& loops);

// Clips every family to the loops (closed polygons). False, with `out`
// emptied, when more than `max_pieces` pieces would be made. A family whose
// lines would not advance (an offset along the line) is left out.
bool ClipPattern(const std::vector<PatternLine>& lines, const std::vector<std::vector<Vec2>>& loops,
                 std::size_t max_pieces, std::vector<PatternPiece>& out);

}  // namespace ovix::geom
