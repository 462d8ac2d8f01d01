#include "app/dxf_stage.h"

#include <exception>
#include <new>

#include "dxf/rv_dxf_import.h"
#include "model/rv_document.h"
#include "tools/user_prompt.h"

namespace ovix {

namespace {

class Steps {
 public:
  explicit Steps(const DxfStageCallbacks& callbacks) : callbacks_(callbacks) {}

  void Status(const char* text) {
    if (callbacks_.ShowStatus) callbacks_.ShowStatus(text);
    Events();
  }
  void Events() {
    if (callbacks_.ProcessPendingEvents) callbacks_.ProcessPendingEvents();
  }

 private:
  const DxfStageCallbacks& callbacks_;
};

void ShowError(const std::string& text) {
  ShowMessage(text, kApplicationTitle, PromptIcon::Critical);
}

// Runs one registration step. A value the reader cannot use, or anything
// else that goes wrong, is shown to the user and ends the stage; what was
// registered before it stays in the model.
template <typename Step>
bool Register(Step&& step) {
  try {
    step();
    return true;
  } catch (const DxfDataError& e) {
    ShowError(e.what());
  } catch (const std::bad_alloc&) {
    ShowError(kDxfCapacityMessage);
  } catch (const std::exception& e) {
    ShowError(std::string(kDxfDataErrorMessage) + "\r\n" + e.what());
  }
  return false;
}

}  // namespace

bool ImportDxfFile(RvDocument& document, const std::string& path,
                   const DxfStageCallbacks& callbacks) {
  Steps steps(callbacks);
  RvDxfImport& reader = document.DxfImport();
  // Whatever happens, the file is not left open.
  struct Closer {
    RvDxfImport& reader;
    ~Closer() {
      if (reader.IsOpened()) reader.CloseDxfFile();
    }
  } closer{reader};

  reader.SetRvSystem(document.SharedSystem());

  steps.Status(kStatusOpeningDxf);
  if (!reader.OpenDxfFile(path)) return false;

  steps.Status(kStatusCountingDxf);
  if (!reader.GetDxfDataCount()) return false;

  steps.Events();
  reader.CloseDxfFile();
  steps.Events();
  if (!reader.OpenDxfFile(path)) return false;

  steps.Status(kStatusReadingDxf);
  if (!reader.ReadDxfFile()) return false;

  steps.Status(kStatusRegisteringTables);
  if (!Register([&] { reader.SetTableData(); })) return false;

  steps.Status(kStatusRegisteringEntities);
  if (!Register([&] { reader.SetEntityData(); })) return false;

  steps.Status(kStatusClosingDxf);
  if (!reader.CloseDxfFile()) return false;

  steps.Status(kStatusDxfDone);
  return true;
}

}  // namespace ovix
