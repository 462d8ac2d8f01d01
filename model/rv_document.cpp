#include "model/rv_document.h"

#include "dxf/rv_dxf_import.h"
#include "excel/rv_excel_export.h"

namespace ovix {

RvDocument::RvDocument() { Clear(); }

RvDocument::~RvDocument() = default;

void RvDocument::Clear() {
  System().Clear();
  DxfImport().Clear();
  ExcelExport().Clear();
}

RvSystem& RvDocument::System() {
  if (!system_) system_ = std::make_shared<RvSystem>();
  return *system_;
}

std::shared_ptr<RvSystem> RvDocument::SharedSystem() {
  System();
  return system_;
}

void RvDocument::SetRvSystem(std::shared_ptr<RvSystem> system) { system_ = std::move(system); }

RvExcelExport& RvDocument::ExcelExport() {
  if (!excel_export_) excel_export_ = std::make_unique<RvExcelExport>();
  return *excel_export_;
}

RvDxfImport& RvDocument::DxfImport() {
  if (!dxf_import_) dxf_import_ = std::make_unique<RvDxfImport>();
  return *dxf_import_;
}

RvTools& RvDocument::Tools() {
  if (!tools_) tools_ = std::make_unique<RvTools>();
  return *tools_;
}

}  // namespace ovix
