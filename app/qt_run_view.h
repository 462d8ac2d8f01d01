#pragma once
// The window's view of a conversion run: the status label (with a pass of
// pending events after each text), the wait pointer, the scale label, the
// progress bar under the status label, and the saved workbook handed to
// the desktop's spreadsheet program.

#include <cstdint>
#include <functional>
#include <string>

#include "app/run_view.h"

class QLabel;
class QProgressBar;
class QString;

namespace ovix {

class QtRunView : public RunView {
 public:
  // Units of the progress bar per step of the run.
  static constexpr int kStepUnits = 1000;

  struct Hooks {
    // Called with each status text as the label shows it.
    std::function<void(const QString&)> status_shown;
    // Shows the saved workbook (the desktop's program for it).
    std::function<void(const std::string&)> present_workbook;
  };

  QtRunView(QLabel& status, QLabel& scale, QProgressBar& progress, Hooks hooks);
  // Restores the pointer if the run left it busy.
  ~QtRunView() override;

  void ShowStatus(const std::string& text) override;
  void ProcessPendingEvents() override;
  void SetBusy(bool busy) override;
  void ShowScale(const std::string& text) override;
  void ShowStepProgress(int step, int steps) override;
  void ShowEntityProgress(int64_t done, int64_t total) override;
  void PresentWorkbook(const std::string& path) override;
  // The status label's second line.
  void ShowNotice(const std::string& text) override;

 private:
  QLabel& status_;
  QLabel& scale_;
  QProgressBar& progress_;
  Hooks hooks_;
  bool busy_ = false;
  int step_ = 0;
  int steps_ = 0;
};

// The label's text of a status: a carriage return alone, or with a line
// feed, starts the second line.
QString StatusLabelText(const std::string& text);

}  // namespace ovix
