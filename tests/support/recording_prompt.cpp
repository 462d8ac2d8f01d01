#include "tests/support/recording_prompt.h"

namespace ovix::testing {

PromptAnswer RecordingPrompt::Ask(const std::string& text, const std::string& title,
                                  PromptIcon icon, PromptButtons buttons) {
  messages_.push_back({text, title, icon, buttons});
  if (!answers_.empty()) {
    const PromptAnswer a = answers_.front();
    answers_.pop_front();
    return a;
  }
  switch (buttons) {
    case PromptButtons::Ok: return PromptAnswer::Ok;
    case PromptButtons::OkCancel: return PromptAnswer::Ok;
    case PromptButtons::YesNo: return PromptAnswer::Yes;
  }
  return PromptAnswer::Ok;
}

std::vector<std::string> RecordingPrompt::texts() const {
  std::vector<std::string> out;
  out.reserve(messages_.size());
  for (const auto& m : messages_) out.push_back(m.text);
  return out;
}

}  // namespace ovix::testing
