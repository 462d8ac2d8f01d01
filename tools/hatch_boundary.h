#pragma once
// The filled region of a hatch: which of its boundary loops count under the
// hatch's island style, and the whole region (outer loops with their holes)
// as one closed path.
//
// The loops are joined by zero-width bridges: from the first loop's start
// out to each other loop's start, round that loop and back along the same
// line. A bridge adds nothing to the fill under either fill rule, and each
// loop runs counter-clockwise or clockwise by the parity of its nesting
// depth, so the even-odd and the non-zero rule fill the same region: the
// holes stay empty and whatever lies below them shows through. (Drawing the
// holes over in the background colour instead would hide what lies below.)
// The path is meant for a fill without an outline, where the bridges do not
// show.

#include <vector>

#include "tools/plane_path.h"

namespace ovix::geom {

// How many of the other loops contain each loop (closed polygons).
std::vector<int> LoopDepths(const std::vector<std::vector<Vec2>>& polygons);

// Whether a loop of `depth` is part of the region under the island style
// (code 75 of a hatch): 0 every loop (nested loops alternate filled and
// empty), 1 the outermost loops and their holes, 2 the outermost loops only.
bool LoopCounts(int style, int depth);

// The loops (closed paths, with their flattened polygons and depths) as one
// closed path; loops that do not count under `style` are left out. Empty
// when no loop counts.
PlanePath BridgedRegion(const std::vector<PlanePath>& loops,
                        const std::vector<std::vector<Vec2>>& polygons,
                        const std::vector<int>& depths, int style);

}  // namespace ovix::geom
