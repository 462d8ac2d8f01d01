#pragma once
// One drawing operation of the exporter (lines, circles, ... leaders): what
// every operation sets up once before it walks its entity store, and undoes
// when it ends.
//
// - The drawing's extents are taken from the model once and held for the
//   whole walk, so that mapping a point costs the same whatever the size of
//   the drawing (the model does not change while it is drawn).
// - The view projection matrix is built once.
// - The sheet's Shapes collection is looked up once.
// - Progress is reported at the start, every kProgressStride entities and at
//   the end.

#include <cstdint>
#include <memory>
#include <string>

#include "excel/rv_excel_export.h"
#include "model/rv_system.h"

namespace ovix {

class DrawingPass {
 public:
  static constexpr int64_t kProgressStride = 512;

  DrawingPass(RvExcelExport& exporter, int64_t total);
  ~DrawingPass();
  DrawingPass(const DrawingPass&) = delete;
  DrawingPass& operator=(const DrawingPass&) = delete;

  const RvMatrix& matrix() const { return matrix_; }
  excel::Shapes& shapes() { return *shapes_; }
  // Reports `done` entities now and then.
  void Progress(int64_t done) {
    if (done % kProgressStride == 0 && exporter_.progress_) exporter_.progress_(done, total_);
  }
  // Leaves entity `index` of `kind` out with a warning: `reason` says why
  // its geometry cannot be drawn.
  void Skip(const char* kind, int32_t index, std::string handle, const char* reason);
  // Whether the entity's layer is drawn (see LayerFlagDrawn).
  static bool LayerVisible(int16_t flag) { return LayerFlagDrawn(flag); }

 private:
  RvExcelExport& exporter_;
  int64_t total_;
  RvMatrix matrix_{};
  std::shared_ptr<excel::Shapes> shapes_;
};

}  // namespace ovix
