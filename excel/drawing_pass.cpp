// One drawing operation's set-up: extents, projection, the sheet's shapes,
// progress.
#include "excel/drawing_pass.h"

namespace ovix {

DrawingPass::DrawingPass(RvExcelExport& exporter, int64_t total)
    : exporter_(exporter), total_(total) {
  shapes_ = exporter_.Sheet()->Shapes();
  RvPoint3 rotate{};
  exporter_.Model().GetViewRotate(rotate, kDeviceTypeSheet);
  exporter_.tools_.Trans2D3DMatrix(rotate, matrix_);
  if (!exporter_.extents_held_) {
    RvPoint3 min{}, max{};
    exporter_.Model().GetEntityRange(min, max);
    exporter_.extents_.emplace(min, max);
  }
  if (exporter_.progress_) exporter_.progress_(0, total_);
}

void RvExcelExport::HoldDrawingExtents() {
  RvPoint3 min{}, max{};
  Model().GetEntityRange(min, max);
  extents_.emplace(min, max);
  extents_held_ = true;
}

void RvExcelExport::LetGoOfDrawingExtents() {
  extents_.reset();
  extents_held_ = false;
}

void DrawingPass::Skip(const char* kind, int32_t index, std::string handle, const char* reason) {
  exporter_.skipped_.push_back(
      {kind, std::move(handle), exporter_.Model().EntitySourceLine(kind, index), reason});
}

DrawingPass::~DrawingPass() {
  if (!exporter_.extents_held_) exporter_.extents_.reset();
  if (exporter_.progress_) exporter_.progress_(total_, total_);
}

}  // namespace ovix
