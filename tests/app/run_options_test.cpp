// The window's options into the exporter, the scale label's texts, and the
// command line's spellings of the option values.
#include <gtest/gtest.h>

#include "app/cli_option_values.h"
#include "app/run_options.h"
#include "excel/rv_excel_export.h"
#include "tests/support/recording_prompt.h"

namespace ovix::testing {
namespace {

class RunOptionsTest : public ::testing::Test {
 protected:
  ScopedRecordingPrompt prompt;
  RvExcelExport exporter;
};

TEST_F(RunOptionsTest, ScaleEntries) {
  exporter.SetScaleXValue(0.5);
  ApplyScaleOption("自動", exporter);
  EXPECT_TRUE(exporter.AutoScale());
  EXPECT_EQ(exporter.ScaleXValue(), 0.5);  // the fixed values are left as they were

  const std::pair<const char*, double> cases[] = {
      {"1/100", 0.01}, {"2", 2}, {"1/0", 0}, {"1/", 0}, {"1/0.0001", 0},
      {" 1/50", 0.02}, {"abc", 0}, {"1/2.5", 0.4}, {"3/4 mm", 0.75}};
  for (const auto& [text, scale] : cases) {
    ApplyScaleOption(text, exporter);
    EXPECT_FALSE(exporter.AutoScale()) << text;
    EXPECT_DOUBLE_EQ(exporter.ScaleXValue(), scale) << text;
    EXPECT_DOUBLE_EQ(exporter.ScaleYValue(), scale) << text;
  }
  EXPECT_TRUE(prompt.messages().empty());

  for (const char* bad : {"1/2/3", "1e999", "1/1e999"}) {
    ApplyScaleOption(bad, exporter);
    EXPECT_EQ(exporter.ScaleXValue(), 0) << bad;
    EXPECT_FALSE(exporter.AutoScale()) << bad;
  }
  ASSERT_EQ(prompt.messages().size(), 3u);
  EXPECT_EQ(prompt.messages()[0].text, "スケールの指定値に誤りがあります");
  EXPECT_EQ(prompt.messages()[0].icon, PromptIcon::Critical);
  EXPECT_EQ(prompt.messages()[0].title, kApplicationTitle);
}

TEST_F(RunOptionsTest, LineWeightEntries) {
  ApplyLtScaleOption("CAD設定値", exporter);
  EXPECT_TRUE(exporter.AutoLtScale());
  EXPECT_EQ(exporter.LtScale(), 1.0);

  const std::pair<const char*, double> cases[] = {
      {"3倍", 3}, {"2倍", 2}, {"0.5", -0.5}, {"0.25", -0.25}, {"3倍abc", 3}, {"100.0", -100}};
  for (const auto& [text, value] : cases) {
    ApplyLtScaleOption(text, exporter);
    EXPECT_FALSE(exporter.AutoLtScale()) << text;
    EXPECT_DOUBLE_EQ(exporter.LtScale(), value) << text;
  }
  EXPECT_TRUE(prompt.messages().empty());
  ApplyLtScaleOption("2倍3倍", exporter);
  EXPECT_EQ(exporter.LtScale(), 0);
  EXPECT_EQ(prompt.texts(), std::vector<std::string>{"線種スケールの指定値に誤りがあります"});
}

TEST_F(RunOptionsTest, ArrowAndCheckOptions) {
  exporter.SetArrowStyle(6, 3, 3);
  ApplyArrowOption(0, 0, 0, exporter);  // no button set
  EXPECT_EQ(exporter.ArrowStyle(), 2);
  EXPECT_EQ(exporter.ArrowLength(), 2);
  EXPECT_EQ(exporter.ArrowWidth(), 1);
  ApplyArrowOption(5, 3, 2, exporter);
  EXPECT_EQ(exporter.ArrowStyle(), 5);
  EXPECT_EQ(exporter.ArrowLength(), 3);
  EXPECT_EQ(exporter.ArrowWidth(), 2);
  ApplyArrowOption(9, 7, -1, exporter);
  EXPECT_EQ(exporter.ArrowStyle(), 2);

  RunOptions options;  // the window's first start: every box clear
  ApplyCheckOptions(options, exporter);
  EXPECT_FALSE(exporter.DimOmission());
  EXPECT_FALSE(exporter.DimTextDirection());
  EXPECT_FALSE(exporter.Monochrome());
  EXPECT_FALSE(exporter.Group());
  EXPECT_FALSE(exporter.SaveClose());
  options.DimTextDirection = options.Group = true;
  ApplyCheckOptions(options, exporter);
  EXPECT_TRUE(exporter.DimTextDirection());
  EXPECT_TRUE(exporter.Group());
  EXPECT_FALSE(exporter.Monochrome());
}

TEST(RunOptionLists, FirstStartDefaultsAndTheSeparator) {
  const RunOptions options;
  EXPECT_EQ(options.PaperSize, "A4 縦");
  EXPECT_EQ(options.Scale, "自動");
  EXPECT_EQ(options.LtScale, "CAD設定値");
  EXPECT_EQ(options.ArrowStyle, 2);
  EXPECT_EQ(options.ArrowLength, 2);
  EXPECT_EQ(options.ArrowWidth, 1);
  EXPECT_EQ(PaperForRun("------"), "A4 縦");
  EXPECT_EQ(PaperForRun("B5 横"), "B5 横");
  // Every paper of the list is one the exporter knows.
  for (const char* item : kPaperItems) {
    if (std::string(item) == "------") continue;
    EXPECT_NE(FindPaper(item), nullptr) << item;
  }
}

TEST(ScaleLabel, FormatsThePointsPerDrawingUnit) {
  EXPECT_EQ(FormatScaleValue(0.01 * 72 / 25.3995), "1/35.277");
  EXPECT_EQ(FormatScaleValue(72 / 25.3995), "2.835");
  EXPECT_EQ(FormatScaleValue(1.0), "1/1");
  EXPECT_EQ(FormatScaleValue(20000.4), "20000");
  EXPECT_EQ(FormatScaleValue(10000), "10000");
  EXPECT_EQ(FormatScaleValue(0.00001), "1/100000");
  EXPECT_EQ(FormatScaleValue(1e-7), "0");
  EXPECT_EQ(FormatScaleValue(0), "0");
  EXPECT_EQ(FormatScaleValue(-2), "0");
}

TEST(CommandLineSpellings, PapersInBothSpellings) {
  EXPECT_EQ(PaperFromOption("A4 縦"), "A4 縦");
  EXPECT_EQ(PaperFromOption("A4-portrait"), "A4 縦");
  EXPECT_EQ(PaperFromOption("a3-Landscape"), "A3 横");
  EXPECT_EQ(PaperFromOption("B5-landscape"), "B5 横");
  for (const char* bad : {"------", "A6-portrait", "A4", "A4-sideways", "", "A4 縦 "}) {
    EXPECT_EQ(PaperFromOption(bad), std::nullopt) << bad;
  }
  int papers = 0;
  for (const char* item : kPaperItems) {
    if (std::string(item) == "------") continue;
    ++papers;
    EXPECT_EQ(PaperFromOption(PaperOptionSpelling(item)), item) << item;
  }
  EXPECT_EQ(papers, 14);
}

TEST(CommandLineSpellings, ScaleLineWeightAndArrowSizes) {
  EXPECT_EQ(ScaleFromOption("auto"), "自動");
  EXPECT_EQ(ScaleFromOption("1/100"), "1/100");
  EXPECT_EQ(LineWeightFromOption("AUTO"), "CAD設定値");
  EXPECT_EQ(LineWeightFromOption("2x"), "2倍");
  EXPECT_EQ(LineWeightFromOption("0.25"), "0.25");
  EXPECT_EQ(ArrowLengthFromOption("s"), 1);
  EXPECT_EQ(ArrowLengthFromOption("長"), 3);
  EXPECT_EQ(ArrowWidthFromOption("M"), 2);
  EXPECT_EQ(ArrowWidthFromOption("広"), 3);
  EXPECT_EQ(ArrowWidthFromOption("XL"), std::nullopt);
}

}  // namespace
}  // namespace ovix::testing
