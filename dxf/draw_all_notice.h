#pragma once
// The note a run shows when every entity is drawn: the kinds it still does
// not draw (images, OLE objects, solids and regions of 3D modelling, ...),
// counted by kind; how many hatches were too dense to draw line by line and
// became light fills; and, when the drawing makes many more shapes than it
// has entities, how many.

#include <cstddef>
#include <string>

#include "dxf/dxf_record.h"
#include "model/extra_shapes.h"

namespace ovix {

// Shapes per model-space entity beyond which the note says how many shapes
// the drawing makes (block references and hatch patterns multiply them).
inline constexpr std::size_t kShapesPerEntityNote = 20;

// "" when there is nothing to say.
std::string DrawAllNotice(const DxfRecordStore& entities, const ExtraShapeStore& extra);

}  // namespace ovix
