#include "tools/user_prompt.h"

#include <cstdio>

namespace ovix {

namespace {
thread_local UserPrompt* g_current = nullptr;
}

std::string JoinLines(const std::string& text, const std::string& separator) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += separator;
    } else if (c == '\n') {
      out += separator;
    } else {
      out += c;
    }
  }
  return out;
}

PromptAnswer StderrPrompt::Ask(const std::string& text, const std::string& title,
                               PromptIcon, PromptButtons buttons) {
  const std::string line = title.empty() ? JoinLines(text, " ")
                                         : title + ": " + JoinLines(text, " ");
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  switch (buttons) {
    case PromptButtons::Ok: return PromptAnswer::Ok;
    case PromptButtons::OkCancel: return PromptAnswer::Cancel;
    case PromptButtons::YesNo: return PromptAnswer::No;
  }
  return PromptAnswer::Ok;
}

PromptAnswer QuietPrompt::Ask(const std::string&, const std::string&, PromptIcon,
                              PromptButtons buttons) {
  ++messages_;
  return buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
}

UserPrompt& CurrentPrompt() {
  if (g_current != nullptr) return *g_current;
  static StderrPrompt fallback;
  return fallback;
}

PromptAnswer ShowMessage(const std::string& text, const std::string& title,
                         PromptIcon icon, PromptButtons buttons) {
  return CurrentPrompt().Ask(text, title, icon, buttons);
}

PromptScope::PromptScope(UserPrompt& prompt) : previous_(g_current) { g_current = &prompt; }

PromptScope::~PromptScope() { g_current = previous_; }

}  // namespace ovix
