#pragma once
// RvDocument: the holder that ties one conversion together. It owns the
// drawing model (`System`) and the shared tools (`Tools`), each created on
// first use, and is where the DXF reader (`DxfImport`) and the exporter
// (`ExcelExport`) hang as well.
//
// The main window owns one document. The reader and the exporter keep a
// small document of their own whose model is the main document's, shared
// by SetRvSystem: only the model holds drawing data.

#include <memory>

#include "model/rv_system.h"
#include "tools/rv_tools.h"

namespace ovix {

// The reader and the exporter join the document here: forward-declare the
// class, add a `std::unique_ptr<...>` member, an accessor that creates it
// on first use, and a line in Clear() (model/rv_document.cpp).

class RvDxfImport;
class RvExcelExport;

class RvDocument {
 public:
  RvDocument();   // runs Clear
  // Releases what the document owns; a model shared with another document
  // is left as it is.
  ~RvDocument();
  RvDocument(const RvDocument&) = delete;
  RvDocument& operator=(const RvDocument&) = delete;

  // Creates the model (and the reader and the exporter) where they do not
  // exist yet and clears each of them. A model shared through SetRvSystem
  // is cleared too: it is the same drawing. Tools are left alone.
  void Clear();

  // The drawing model, created on first use.
  RvSystem& System();
  // The same model as a shared reference, for another document to use.
  std::shared_ptr<RvSystem> SharedSystem();
  // Makes `system` this document's model (the reader's and the exporter's
  // documents use the main document's model). Null drops the reference; the
  // next System() creates a fresh model.
  void SetRvSystem(std::shared_ptr<RvSystem> system);
  // Whether a model exists (without creating one).
  bool HasSystem() const { return system_ != nullptr; }

  // The geometry and text tools, created on first use.
  RvTools& Tools();

  // The DXF reader, created on first use.
  RvDxfImport& DxfImport();

  // The exporter, created on first use.
  RvExcelExport& ExcelExport();

 private:
  std::shared_ptr<RvSystem> system_;
  std::unique_ptr<RvTools> tools_;
  std::unique_ptr<RvDxfImport> dxf_import_;
  std::unique_ptr<RvExcelExport> excel_export_;
};

}  // namespace ovix
