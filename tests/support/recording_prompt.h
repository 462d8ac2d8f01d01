#pragma once
// A prompt for tests: records every message and answers from a script.

#include <deque>
#include <string>
#include <vector>

#include "tools/user_prompt.h"

namespace ovix::testing {

struct RecordedMessage {
  std::string text;
  std::string title;
  PromptIcon icon;
  PromptButtons buttons;
};

class RecordingPrompt : public UserPrompt {
 public:
  PromptAnswer Ask(const std::string& text, const std::string& title, PromptIcon icon,
                   PromptButtons buttons) override;

  // Answers given to the next questions, in order; when the script is empty a
  // question is answered with OK, Yes (the affirmative choice).
  void QueueAnswer(PromptAnswer answer) { answers_.push_back(answer); }

  const std::vector<RecordedMessage>& messages() const { return messages_; }
  std::vector<std::string> texts() const;
  void clear() { messages_.clear(); }

 private:
  std::vector<RecordedMessage> messages_;
  std::deque<PromptAnswer> answers_;
};

// Installs a RecordingPrompt for the current thread while alive.
class ScopedRecordingPrompt : public RecordingPrompt {
 public:
  ScopedRecordingPrompt() : scope_(*this) {}

 private:
  PromptScope scope_;
};

}  // namespace ovix::testing
