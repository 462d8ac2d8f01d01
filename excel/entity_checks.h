#pragma once
// Whether an entity's geometry can be drawn at all. An entity with a radius
// or axis of zero or below, or with a coordinate or size that is not a
// finite number, is skipped with a warning (DrawingPass::Skip) and the rest
// of the drawing goes on; a failure of the spreadsheet itself still stops
// the drawing step.

#include <cstdint>

namespace ovix {

class RvSystem;

namespace entity_checks {

// Each returns why entity `ID` of its store cannot be drawn, or nullptr
// when it can.
const char* LineFault(const RvSystem& m, int32_t ID);
const char* CircleFault(const RvSystem& m, int32_t ID);
const char* EllipseFault(const RvSystem& m, int32_t ID);
const char* ArcFault(const RvSystem& m, int32_t ID);
const char* PolylineFault(const RvSystem& m, int32_t ID);
const char* TextFault(const RvSystem& m, int32_t ID);
const char* MtextFault(const RvSystem& m, int32_t ID);
const char* DimensionFault(const RvSystem& m, int32_t ID);
const char* LeaderFault(const RvSystem& m, int32_t ID);

}  // namespace entity_checks
}  // namespace ovix
