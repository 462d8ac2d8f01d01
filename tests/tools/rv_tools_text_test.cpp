// Text and number formatting of RvTools: the inline font header, decimal
// cutting, paragraph splitting, radian formatting, the file test.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/recording_prompt.h"
#include "tests/support/shared_files.h"
#include "tools/rv_error.h"
#include "tools/rv_tools.h"

namespace ovix {
namespace {

class RvToolsText : public ::testing::Test {
 protected:
  RvTools tools;
};

TEST_F(RvToolsText, InchesToPoints) { EXPECT_DOUBLE_EQ(tools.InchesToPoints(0.5), 36.0); }

TEST_F(RvToolsText, RichTextHeaderIsDecoded) {
  const RichTextAttribute a = tools.GetRichTextAttribute("{\\fArial|b1|i0|c0|p12;\\LABC}");
  EXPECT_EQ(a.Font, "Arial");
  EXPECT_TRUE(a.Bold);
  EXPECT_FALSE(a.Italic);
  EXPECT_FALSE(a.TwoByte);
  EXPECT_EQ(a.Point, 12);
  EXPECT_TRUE(a.Underline);
  EXPECT_EQ(a.Text, "ABC");

  const RichTextAttribute j = tools.GetRichTextAttribute("{\\fＭＳ 明朝|b0|i1|c128|p49;寸法}");
  EXPECT_EQ(j.Font, "ＭＳ 明朝");
  EXPECT_FALSE(j.Bold);
  EXPECT_TRUE(j.Italic);
  EXPECT_TRUE(j.TwoByte);
  EXPECT_EQ(j.Point, 49);
  EXPECT_FALSE(j.Underline);
  EXPECT_EQ(j.Text, "寸法");
}

TEST_F(RvToolsText, TextWithoutACompleteHeaderComesBackWhole) {
  const RichTextAttribute a = tools.GetRichTextAttribute("{\\fArial|b1|i1|c0|p12;ABC");
  EXPECT_EQ(a.Text, "{\\fArial|b1|i1|c0|p12;ABC");
  EXPECT_EQ(a.Font, "");
  EXPECT_FALSE(a.Bold);
  EXPECT_FALSE(a.Italic);
  EXPECT_EQ(a.Point, 0);
  EXPECT_EQ(tools.GetRichTextAttribute("plain").Text, "plain");
  EXPECT_EQ(tools.GetRichTextAttribute("").Text, "");
}

TEST_F(RvToolsText, MissingSeparatorsLeaveTheRestAsTheField) {
  // No "|" after the font: the font is the rest of the text, the other
  // fields and the visible text are empty.
  const RichTextAttribute a = tools.GetRichTextAttribute("{\\fArial}");
  EXPECT_EQ(a.Font, "Arial}");
  EXPECT_EQ(a.Text, "");
  EXPECT_EQ(a.Point, 0);
  // The visible text ends at the first "}".
  EXPECT_EQ(tools.GetRichTextAttribute("{\\fA|b0|i0|c0|p2;X}Y}").Text, "X");
  // A point field too large for 16 bits.
  EXPECT_THROW(tools.GetRichTextAttribute("{\\fA|b0|i0|c0|p99999;X}"), RvError);
}

TEST_F(RvToolsText, StringEffectValueRoundsHalvesToEven) {
  EXPECT_EQ(tools.StringEffectValue("2.5", 0), "2");
  EXPECT_EQ(tools.StringEffectValue("3.5", 0), "4");
  EXPECT_EQ(tools.StringEffectValue("1.25", 1), "1.2");
  EXPECT_EQ(tools.StringEffectValue("12.3456", 2), "12.35");
  EXPECT_EQ(tools.StringEffectValue("12.30", 3), "12.3");
  EXPECT_EQ(tools.StringEffectValue("", 1), "0");
  EXPECT_EQ(tools.StringEffectValue(".", 1), "0");
  EXPECT_EQ(tools.StringEffectValue(".5", 0), "0");
}

TEST_F(RvToolsText, StringEffectValueLeavesOtherTextsAlone) {
  EXPECT_EQ(tools.StringEffectValue("-2.5", 0), "-2.5");
  EXPECT_EQ(tools.StringEffectValue("1.2.3", 0), "1.2.3");
  EXPECT_EQ(tools.StringEffectValue("45°", 0), "45°");
  EXPECT_EQ(tools.StringEffectValue(" 12", 0), " 12");
  EXPECT_EQ(tools.StringEffectValue("12.345", -1), "12.345");
}

TEST_F(RvToolsText, StringEffectValueHasNo32BitLimit) {
  EXPECT_EQ(tools.StringEffectValue("30000000.004", 2), "30000000");
  EXPECT_EQ(tools.StringEffectValue("3000000000.5", 0), "3000000000");
  EXPECT_EQ(tools.StringEffectValue("12.5", 400), "12.5");  // the scale itself overflows
  const std::string huge(400, '9');  // beyond a double: left as written
  EXPECT_EQ(tools.StringEffectValue(huge, 0), huge);
}

TEST_F(RvToolsText, ParagraphMarksBecomeLineFeeds) {
  int32_t number = 0, rows = 0;
  EXPECT_EQ(tools.SetMTextCR("AB\\PCDE", number, rows), "AB\nCDE");
  EXPECT_EQ(rows, 2);
  EXPECT_EQ(number, 3);
  EXPECT_EQ(tools.SetMTextCR("AB\\P", number, rows), "AB\n");
  EXPECT_EQ(rows, 2);
  EXPECT_EQ(number, 2);
  EXPECT_EQ(tools.SetMTextCR("", number, rows), "");
  EXPECT_EQ(rows, 1);
  EXPECT_EQ(number, 0);
  // Lengths count characters: the Japanese line is the longest.
  EXPECT_EQ(tools.SetMTextCR("ABCD\\P寸法記入欄", number, rows), "ABCD\n寸法記入欄");
  EXPECT_EQ(number, 5);
  // A backslash not followed by P stays.
  EXPECT_EQ(tools.SetMTextCR("A\\pB\\", number, rows), "A\\pB\\");
  EXPECT_EQ(rows, 1);
  EXPECT_EQ(tools.SetMTextCR("1\\P2\\P3"), "1\n2\n3");
}

TEST_F(RvToolsText, RadiansAsDegrees) {
  const std::string right_angle = "1.5707963267949";
  EXPECT_EQ(tools.StringRadianToDegree(right_angle, 1, 0), "90");
  EXPECT_EQ(tools.StringRadianToDegree("0.5", 1, 2), "28.65");
  EXPECT_EQ(tools.StringRadianToDegree("0.5", 1, 99), "28.6478897565412");
  EXPECT_EQ(tools.StringRadianToDegree("0", 2, 0), "0°00’00\"");
  // 0.5 rad = 28° 38' 52.40...".
  EXPECT_EQ(tools.StringRadianToDegree("0.5", 2, 0), "28°38’52\"");
  EXPECT_EQ(tools.StringRadianToDegree("0.5", 2, 1), "28°38’52.4\"");
  EXPECT_EQ(tools.StringRadianToDegree("0.5", 3, 0), "");
  EXPECT_THROW(tools.StringRadianToDegree("abc", 1, 0), RvError);
}

TEST_F(RvToolsText, FileTestFindsFilesAndFoldersAndReportsOnRequest) {
  testing::ScopedRecordingPrompt prompt;
  testing::TempDir dir;
  const auto file = dir / "図面.dxf";
  testing::WriteFileBytes(file, "0\nEOF\n");
  EXPECT_TRUE(tools.CheckFileExist(file.string(), true));
  EXPECT_TRUE(tools.CheckFileExist(dir.path().string(), true));
  EXPECT_TRUE(prompt.messages().empty());

  const std::string missing = (dir / "ない.dxf").string();
  EXPECT_FALSE(tools.CheckFileExist(missing, false));
  EXPECT_TRUE(prompt.messages().empty());
  EXPECT_FALSE(tools.CheckFileExist(missing, true));
  ASSERT_EQ(prompt.messages().size(), 1u);
  EXPECT_EQ(prompt.messages()[0].text, missing + "\rファイルが存在しません。");
  EXPECT_EQ(prompt.messages()[0].title, "確認");
  EXPECT_EQ(prompt.messages()[0].icon, PromptIcon::Critical);

  prompt.clear();
  EXPECT_FALSE(tools.CheckFileExist("", true));
  ASSERT_EQ(prompt.messages().size(), 1u);
  EXPECT_EQ(prompt.messages()[0].text, "\rファイル名がブランクです。");
}

}  // namespace
}  // namespace ovix
