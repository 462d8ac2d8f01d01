#pragma once
// What a drawing holds that is drawn only with the option that draws every
// entity: the model-space entities of the kinds that option adds (block
// references, old-style polylines, solids, traces, 3D faces, points),
// counted by kind, and the note a run shows about them.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "dxf/dxf_record.h"

namespace ovix {

// Counts by kind in the order the kinds first occur; paper-space entities
// and the records that belong to another (VERTEX, ATTRIB, SEQEND) do not
// count.
std::vector<std::pair<std::string, std::size_t>> UndrawnEntityCounts(const DxfRecordStore& entities);

// "描かれていない図形があります: INSERT 3、POLYLINE 2 (「すべての図形を描く」で描けます)",
// or "" when there are none.
std::string UndrawnEntityNotice(const DxfRecordStore& entities);

}  // namespace ovix
