// The command line's view of a run: lines on standard error.
#include "app/console_run_view.h"

#include <spawn.h>

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

void ConsoleOutput::CloseLineLocked() {
  if (!line_open_) return;
  // The line again without its counts.
  out_ << "\r\033[K" << open_text_ << '\n';
  line_open_ = false;
}

ConsoleOutput::~ConsoleOutput() {
  std::lock_guard<std::mutex> lock(mutex_);
  CloseLineLocked();
  out_.flush();
}

void ConsoleOutput::Line(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  CloseLineLocked();
  out_ << text << '\n';
  out_.flush();
}

void ConsoleOutput::OpenLine(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  CloseLineLocked();
  if (terminal_) {
    out_ << text;
    open_text_ = text;
    line_open_ = true;
  } else {
    out_ << text << '\n';
  }
  out_.flush();
}

void ConsoleOutput::Progress(const std::string& counts) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!line_open_) return;
  out_ << "\r\033[K" << open_text_ << "  " << counts;
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
  const std::vector<std::string> lines = LinesOf(text);
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) out_.Line(prefix_ + lines[i]);
  // The last line stays open for the step's progress.
  if (progress_) {
    out_.OpenLine(prefix_ + lines.back());
  } else {
    out_.Line(prefix_ + lines.back());
  }
}

void ConsoleRunView::ShowScale(const std::string& text) { out_.Line(prefix_ + "尺度: " + text); }

void ConsoleRunView::ShowEntityProgress(int64_t done, int64_t total) {
  if (!progress_ || total < kProgressMinimum) return;
  // A few updates a second are enough to watch.
  const auto now = std::chrono::steady_clock::now();
  if (done < total && now - last_progress_ < std::chrono::milliseconds(100)) return;
  last_progress_ = now;
  const int64_t percent = done * 100 / total;
  out_.Progress(std::to_string(done) + "/" + std::to_string(total) + " (" +
                std::to_string(percent) + "%)");
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
