#pragma once
// The command line's view of a conversion run: status texts and message
// boxes become lines on standard error, and on a terminal a long drawing
// step shows its progress (entities drawn of the step's total) beside its
// status text until the step ends. Several conversions may write at once (one per thread); each
// line is written whole and may carry a prefix naming its drawing.

#include <chrono>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>

#include "app/run_view.h"
#include "tools/user_prompt.h"

namespace ovix {

// Standard error shared by the conversion threads.
class ConsoleOutput {
 public:
  // `terminal`: the stream is a terminal, so a progress line may be
  // rewritten in place.
  ConsoleOutput(std::ostream& out, bool terminal) : out_(out), terminal_(terminal) {}
  // Ends a line left open.
  ~ConsoleOutput();

  bool terminal() const { return terminal_; }
  // Writes one line.
  void Line(const std::string& text);
  // On a terminal: writes `text` as a line that stays open, so that
  // Progress can show counts beside it until the next line is written.
  // Elsewhere: the same as Line.
  void OpenLine(const std::string& text);
  // Shows `counts` beside the open line (a terminal only).
  void Progress(const std::string& counts);

 private:
  void CloseLineLocked();

  std::mutex mutex_;
  std::ostream& out_;
  bool terminal_;
  bool line_open_ = false;
  std::string open_text_;
};

// Message boxes as lines "title: text" (line breaks become blanks), answered
// with the cautious choice: OK, or Cancel / No for a question.
class ConsolePrompt : public UserPrompt {
 public:
  ConsolePrompt(ConsoleOutput& out, std::string prefix) : out_(out), prefix_(std::move(prefix)) {}
  PromptAnswer Ask(const std::string& text, const std::string& title, PromptIcon icon,
                   PromptButtons buttons) override;

 private:
  ConsoleOutput& out_;
  std::string prefix_;
};

class ConsoleRunView : public RunView {
 public:
  // Steps with fewer entities than this finish too fast to need progress.
  static constexpr int64_t kProgressMinimum = 2000;

  // `prefix` starts every line; `progress` shows the progress line (only on
  // a terminal); `open` hands the saved workbook to the desktop (xdg-open).
  ConsoleRunView(ConsoleOutput& out, std::string prefix, bool progress, bool open);

  void ShowStatus(const std::string& text) override;
  void ProcessPendingEvents() override {}
  void SetBusy(bool) override {}
  void ShowScale(const std::string& text) override;
  void ShowStepProgress(int, int) override {}
  void ShowEntityProgress(int64_t done, int64_t total) override;
  void PresentWorkbook(const std::string& path) override;
  void ShowNotice(const std::string& text) override { out_.Line(prefix_ + text); }

 private:
  ConsoleOutput& out_;
  std::string prefix_;
  bool progress_;
  bool open_;
  std::chrono::steady_clock::time_point last_progress_{};
};

// Opens `path` with the desktop's program for it (xdg-open), without waiting
// for it; false when xdg-open cannot be started.
bool OpenWithDesktop(const std::string& path);

}  // namespace ovix
