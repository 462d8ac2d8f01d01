// The colour index palette and its packing.
#include <gtest/gtest.h>

#include <algorithm>

#include "model/rv_system.h"
#include "tests/support/recording_prompt.h"

namespace ovix {
namespace {

int32_t Pack(int r, int g, int b) { return r + 256 * g + 65536 * b; }

TEST(AciPalette, KnownEntries) {
  testing::ScopedRecordingPrompt prompt;
  RvSystem s;
  EXPECT_EQ(s.GetAciColorRGB(1), 255);
  EXPECT_EQ(s.GetAciColorRGB(5), 16711680);
  EXPECT_EQ(s.GetAciColorRGB(7), 16777215);
  EXPECT_EQ(s.GetAciColorRGB(8), 8355711);
  EXPECT_EQ(s.GetAciColorRGB(10), s.GetAciColorRGB(1));
  EXPECT_EQ(s.GetAciColorRGB(12), 207);
  EXPECT_EQ(s.GetAciColorRGB(152), 13587968);  // (0, 86, 207), off its group's pattern
  EXPECT_EQ(s.GetAciColorRGB(221), s.GetAciColorRGB(211));
  EXPECT_EQ(s.GetAciColorRGB(250), Pack(47, 47, 47));
  EXPECT_EQ(s.GetAciColorRGB(255), 16777215);
  EXPECT_TRUE(prompt.messages().empty());
}

TEST(AciPalette, HueGroupsFollowTheirPattern) {
  // Each group of ten from 10 to 249: the even numbers have a maximum
  // component of 255, 207, 144, 127, 79, and each odd number is at least
  // as bright in every component as the even number before it.
  RvSystem s;
  const int brightness[5] = {255, 207, 144, 127, 79};
  for (int group = 10; group < 250; group += 10) {
    for (int k = 0; k < 5; ++k) {
      const int32_t even = s.GetAciColorRGB(static_cast<int16_t>(group + 2 * k));
      const int32_t odd = s.GetAciColorRGB(static_cast<int16_t>(group + 2 * k + 1));
      const int r = even & 0xFF, g = (even >> 8) & 0xFF, b = (even >> 16) & 0xFF;
      EXPECT_EQ(std::max({r, g, b}), brightness[k]) << "colour " << group + 2 * k;
      EXPECT_GE(odd & 0xFF, r) << "colour " << group + 2 * k + 1;
      EXPECT_GE((odd >> 8) & 0xFF, g) << "colour " << group + 2 * k + 1;
      EXPECT_GE((odd >> 16) & 0xFF, b) << "colour " << group + 2 * k + 1;
    }
  }
}

TEST(AciPalette, NumbersOutsideTheRangeAreReported) {
  testing::ScopedRecordingPrompt prompt;
  RvSystem s;
  EXPECT_EQ(s.GetAciColorRGB(0), -1);
  EXPECT_EQ(s.GetAciColorRGB(256), -1);
  EXPECT_EQ(s.GetAciColorRGB(-7), -1);
  ASSERT_EQ(prompt.messages().size(), 3u);
  EXPECT_EQ(prompt.messages()[0].text, "0\r指定されたColor番号が1～255の範囲外です。");
  EXPECT_EQ(prompt.messages()[2].text, "-7\r指定されたColor番号が1～255の範囲外です。");
  EXPECT_EQ(prompt.messages()[1].title, "確認");
  EXPECT_EQ(prompt.messages()[1].icon, PromptIcon::Critical);
  EXPECT_EQ(prompt.messages()[1].buttons, PromptButtons::Ok);
}

}  // namespace
}  // namespace ovix
