#pragma once
// What a conversion run shows its user, whoever shows it: the window (status
// label, wait pointer, scale label, progress bar, the desktop's spreadsheet
// program) or the command line (standard error). The run (app/
// conversion_run.h) talks only to this interface, so both run the same code.
//
// Message boxes do not go through the view: the run, the reader and the
// exporter show them through the prompt of the calling thread
// (tools/user_prompt.h), which each view installs.

#include <cstdint>
#include <string>

namespace ovix {

class RunView {
 public:
  virtual ~RunView() = default;

  // The status label's text, exactly as the label shows it. A carriage
  // return alone ("\r") starts a second line (the failure text has two).
  virtual void ShowStatus(const std::string& text) = 0;
  // One pass of pending events (the window repaints, the command line has
  // none), so that a status shows before the next, possibly long, step.
  virtual void ProcessPendingEvents() = 0;
  // The wait pointer, on for the whole run.
  virtual void SetBusy(bool busy) = 0;
  // The effective scale after a run ("1/35.277", "2.835").
  virtual void ShowScale(const std::string& text) = 0;
  // Step `step` (1-based) of the run's `steps` steps has started.
  virtual void ShowStepProgress(int step, int steps) = 0;
  // Within a drawing step: `done` of the step's `total` entities handled.
  virtual void ShowEntityProgress(int64_t done, int64_t total) = 0;
  // The run saved the workbook at `path` and leaves it open for the user
  // (save-and-close off): the view shows it as it can.
  virtual void PresentWorkbook(const std::string& path) = 0;
  // A note after a completed run (what the drawing holds that was not
  // drawn); views that have nowhere to show it leave it.
  virtual void ShowNotice(const std::string& text) { (void)text; }
};

// A view that shows nothing, for runs nobody watches (benchmarks, fuzzing).
class QuietRunView : public RunView {
 public:
  void ShowStatus(const std::string&) override {}
  void ProcessPendingEvents() override {}
  void SetBusy(bool) override {}
  void ShowScale(const std::string&) override {}
  void ShowStepProgress(int, int) override {}
  void ShowEntityProgress(int64_t, int64_t) override {}
  void PresentWorkbook(const std::string&) override {}
};

}  // namespace ovix
