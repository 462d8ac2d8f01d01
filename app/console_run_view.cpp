// The command line's view of a run: lines on standard error.
#include "app/console_run_view.h"

#include <spawn.h>
#include <sys/wait.h>

#include <string_view>
#include <vector>

extern char** environ;

namespace ovix {

namespace {

// The lines of a status text: "\r", "\n" and "\r\n" each end a line, as the
// label shows them.
std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  lines.push_back(line);
  return lines;
}

}  // namespace

// ---- ConsoleOutput ----------------------------------------------------------

void ConsoleOutput::ClearProgressLocked() {
  if (!progress_shown_) return;
  out_ << "\r\033[K";
  progress_shown_ = false;
}

void ConsoleOutput::Line(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  ClearProgressLocked();
  out_ << text << '\n';
  out_.flush();
}

void ConsoleOutput::Progress(const std::string& text) {
  if (!terminal_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  out_ << "\r\033[K" << text;
  out_.flush();
  progress_shown_ = true;
}

void ConsoleOutput::ClearProgress() {
  std::lock_guard<std::mutex> lock(mutex_);
  ClearProgressLocked();
  out_.flush();
}

// ---- ConsolePrompt ----------------------------------------------------------

PromptAnswer ConsolePrompt::Ask(const std::string& text, const std::string& title, PromptIcon,
                                PromptButtons buttons) {
  out_.Line(prefix_ + title + ": " + JoinLines(text, " "));
  switch (buttons) {
    case PromptButtons::OkCancel: return PromptAnswer::Cancel;
    case PromptButtons::YesNo: return PromptAnswer::No;
    default: return PromptAnswer::Ok;
  }
}

// ---- ConsoleRunView ---------------------------------------------------------

ConsoleRunView::ConsoleRunView(ConsoleOutput& out, std::string prefix, bool progress, bool open)
    : out_(out), prefix_(std::move(prefix)), progress_(progress && out.terminal()), open_(open) {}

void ConsoleRunView::ShowStatus(const std::string& text) {
  status_ = text;
  for (const std::string& line : LinesOf(text)) out_.Line(prefix_ + line);
}

void ConsoleRunView::ShowScale(const std::string& text) { out_.Line(prefix_ + "尺度: " + text); }

void ConsoleRunView::ShowEntityProgress(int64_t done, int64_t total) {
  if (!progress_ || total < kProgressMinimum) return;
  if (done >= total) {
    out_.ClearProgress();
    return;
  }
  // A few updates a second are enough to watch.
  const auto now = std::chrono::steady_clock::now();
  if (now - last_progress_ < std::chrono::milliseconds(100)) return;
  last_progress_ = now;
  const int64_t percent = total > 0 ? done * 100 / total : 0;
  out_.Progress(prefix_ + status_ + "  " + std::to_string(done) + "/" + std::to_string(total) +
                " (" + std::to_string(percent) + "%)");
}

void ConsoleRunView::PresentWorkbook(const std::string& path) {
  if (!open_) return;
  if (!OpenWithDesktop(path)) {
    out_.Line(prefix_ + "ブックを開けません (xdg-open を起動できません): " + path);
  }
}

bool OpenWithDesktop(const std::string& path) {
  std::string program = "xdg-open";
  std::vector<char*> argv{program.data(), const_cast<char*>(path.c_str()), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    return false;
  }
  // xdg-open hands the file on and ends; it is not waited for.
  return true;
}

}  // namespace ovix
