// The prompt plumbing every subsystem relies on for its messages.
#include <gtest/gtest.h>

#include "tests/support/recording_prompt.h"
#include "tools/user_prompt.h"

namespace ovix {
namespace {

TEST(UserPrompt, ScopesNestAndRestoreThePreviousPrompt) {
  testing::RecordingPrompt outer;
  testing::RecordingPrompt inner;
  {
    PromptScope a(outer);
    ShowMessage("one", kConfirmTitle, PromptIcon::Critical);
    {
      PromptScope b(inner);
      ShowMessage("two", kConfirmTitle, PromptIcon::Critical);
    }
    ShowMessage("three", kConfirmTitle, PromptIcon::Critical);
  }
  EXPECT_EQ(outer.texts(), (std::vector<std::string>{"one", "three"}));
  EXPECT_EQ(inner.texts(), (std::vector<std::string>{"two"}));
}

TEST(UserPrompt, ScriptedAnswersAreUsedInOrder) {
  testing::ScopedRecordingPrompt prompt;
  prompt.QueueAnswer(PromptAnswer::Cancel);
  EXPECT_EQ(ShowMessage("q", kConfirmTitle, PromptIcon::Critical, PromptButtons::OkCancel),
            PromptAnswer::Cancel);
  EXPECT_EQ(ShowMessage("q", kConfirmTitle, PromptIcon::Critical, PromptButtons::OkCancel),
            PromptAnswer::Ok);
}

TEST(UserPrompt, JoinLinesHandlesEveryLineEnd) {
  EXPECT_EQ(JoinLines("a\r\nb\rc\nd", " / "), "a / b / c / d");
}

}  // namespace
}  // namespace ovix
