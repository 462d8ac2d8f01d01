#pragma once
// The conversion benchmark's drawing of N mixed entities: one third lines,
// one sixth each circles, arcs, 8-vertex lightweight polylines and Japanese
// texts, spread over a 1000 x 700 area, written as ezdxf writes it (AutoCAD
// 2000 format, handles and owners on every entity, numbers in their shortest
// exact form, Japanese text as \U+XXXX escapes). It is the mix of the shared
// gen_big.py drawing, made without Python in a fraction of a second; the
// random numbers differ, the work per entity does not.

#include <filesystem>

namespace ovix::bench {

void WriteMixedDrawing(const std::filesystem::path& path, long entities);

}  // namespace ovix::bench
