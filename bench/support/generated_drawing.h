#pragma once
// The generated drawing of the DXF benchmark: 200,000 mixed entities, about
// 40 MB: all nine converted kinds plus INSERT and HATCH records, 60 layers,
// Shift-JIS text (AutoCAD 2000 format, code page 932), CR LF line ends. The
// DXF stage benchmark reads it; the conversion benchmark converts it.

#include <filesystem>

namespace ovix::bench {

inline constexpr int kGeneratedEntities = 200000;

// Writes the drawing to `path` (the same drawing every time).
void WriteGeneratedDrawing(const std::filesystem::path& path);

// A drawing of `references` references (scaled, rotated, on a grid) of one
// block of `block_entities` lines, arcs, circles, texts and bulged
// polylines, for the option that draws every entity.
void WriteBlockReferenceDrawing(const std::filesystem::path& path, int references,
                                int block_entities = 20);

}  // namespace ovix::bench
