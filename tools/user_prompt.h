#pragma once
// Asking the user. The model, the tools, the reader and the exporter show
// modal message boxes (a text, a title, an icon, buttons) and sometimes act on
// the answer. They do so through the prompt installed for the current thread:
// the window installs one built on Qt message boxes, the command line one that
// writes to standard error, and tests one that records what was asked.
// Nothing in the core depends on a window system.

#include <string>

namespace ovix {

enum class PromptIcon { None, Critical, Warning, Information, Question };
enum class PromptButtons { Ok, OkCancel, YesNo };
enum class PromptAnswer { Ok, Cancel, Yes, No };

// Title of the message boxes that the run and the exporter show with the
// application's own caption.
inline constexpr const char* kApplicationTitle = "OvixV1";
// Title of the message boxes of the model and the tools.
inline constexpr const char* kConfirmTitle = "確認";

class UserPrompt {
 public:
  virtual ~UserPrompt() = default;
  // Shows `text` and returns the button chosen. Line breaks in `text` may be
  // "\r", "\n" or "\r\n"; each starts a new line.
  virtual PromptAnswer Ask(const std::string& text, const std::string& title,
                           PromptIcon icon, PromptButtons buttons) = 0;
};

// Writes each message as one line "title: text" (line breaks become blanks)
// to standard error and answers with the cautious choice: OK for a plain
// message, Cancel or No for a question. Used when no prompt is installed.
class StderrPrompt : public UserPrompt {
 public:
  PromptAnswer Ask(const std::string& text, const std::string& title,
                   PromptIcon icon, PromptButtons buttons) override;
};

// Shows nothing and answers every message with its first button (OK or
// Yes); counts what it was asked. For runs nobody watches (benchmarks,
// fuzzing).
class QuietPrompt : public UserPrompt {
 public:
  PromptAnswer Ask(const std::string& text, const std::string& title, PromptIcon icon,
                   PromptButtons buttons) override;
  int messages() const { return messages_; }

 private:
  int messages_ = 0;
};

// The prompt of the calling thread: the one installed by the innermost live
// PromptScope, otherwise a process-wide StderrPrompt.
UserPrompt& CurrentPrompt();

// Shorthand for CurrentPrompt().Ask(...).
PromptAnswer ShowMessage(const std::string& text, const std::string& title,
                         PromptIcon icon, PromptButtons buttons = PromptButtons::Ok);

// Installs `prompt` for the calling thread for the scope's lifetime; scopes
// nest and restore the previous prompt when they end.
class PromptScope {
 public:
  explicit PromptScope(UserPrompt& prompt);
  ~PromptScope();
  PromptScope(const PromptScope&) = delete;
  PromptScope& operator=(const PromptScope&) = delete;

 private:
  UserPrompt* previous_;
};

// Text with every line break ("\r\n", "\r" or "\n") replaced by `separator`.
std::string JoinLines(const std::string& text, const std::string& separator);

}  // namespace ovix
