#pragma once
// Message boxes of the window: the prompt (tools/user_prompt.h) that the
// window installs for its run and uses for its own questions, shown as modal
// QMessageBoxes over the active window.

#include "tools/user_prompt.h"

namespace ovix {

class QtPrompt : public UserPrompt {
 public:
  // Each line break of `text` ("\r", "\n" or "\r\n") starts a new line.
  PromptAnswer Ask(const std::string& text, const std::string& title, PromptIcon icon,
                   PromptButtons buttons) override;
};

}  // namespace ovix
