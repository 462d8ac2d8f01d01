#include "model/rv_document.h"

namespace ovix {

RvDocument::RvDocument() { Clear(); }

RvDocument::~RvDocument() = default;

void RvDocument::Clear() {
  System().Clear();
  // The reader and the exporter are created here too and cleared with the
  // model, once they join the document.
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

RvTools& RvDocument::Tools() {
  if (!tools_) tools_ = std::make_unique<RvTools>();
  return *tools_;
}

}  // namespace ovix
