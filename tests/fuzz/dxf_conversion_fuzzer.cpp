// Any bytes as a DXF file through the whole conversion: the DXF stage, the
// drawing of every entity kind on a new workbook, and the save. Whatever
// the input, the run must end (no crash, no hang, no sanitizer report).
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "app/conversion_run.h"
#include "app/run_options.h"
#include "app/run_view.h"
#include "excel/excel_automation.h"
#include "model/rv_document.h"
#include "tools/user_prompt.h"
#include "workbook/workbook_engine.h"

namespace {

std::string ScratchPath(const char* name) {
  return "/tmp/ovix-fuzz-" + std::to_string(getpid()) + "-" + name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = [] {
    ovix::workbook::RegisterAutomationClass();
    return true;
  }();
  (void)registered;
  const std::string dxf = ScratchPath("in.dxf");
  const std::string xlsx = ScratchPath("out.xlsx");
  {
    std::ofstream out(dxf, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  std::remove(xlsx.c_str());
  ovix::QuietPrompt prompt;
  ovix::PromptScope scope(prompt);
  ovix::QuietRunView view;
  ovix::RvDocument document;
  ovix::RunOptions options;
  options.SaveClose = true;
  options.Group = (size % 2) == 0;
  ovix::ConversionRun(document, view).Run(dxf, xlsx, options);
  excel::ForgetRunningInstances();
  return 0;
}
