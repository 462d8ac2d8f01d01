// The command line: refusals that change nothing, several drawings at once,
// and the program itself (help with the first-start defaults, exit
// statuses, --info).
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/batch_conversion.h"
#include "excel/excel_automation.h"
#include "tests/app/dxf_test_files.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/external_tools.h"
#include "tests/workbook/package_reader.h"
#include "workbook/workbook_engine.h"

namespace ovix::testing {
namespace {

namespace fs = std::filesystem;

class BatchConversion : public ::testing::Test {
 protected:
  void SetUp() override { workbook::RegisterAutomationClass(); }
  void TearDown() override { excel::ForgetRunningInstances(); }

  std::ostringstream err;
  ConsoleOutput out{err, false};
  BatchSettings settings;
  TempDir dir;
};

TEST_F(BatchConversion, AnExistingWorkbookIsRefusedWithoutOverwrite) {
  const fs::path dxf = dir / "a.dxf", xlsx = dir / "a.xlsx";
  WriteTestDxf(dxf, DxfLine(0, 0, 10, 10));
  WriteFileBytes(xlsx, "the user's workbook");
  EXPECT_EQ(ConvertAll({{dxf.string(), xlsx.string()}}, settings, out), 1);
  EXPECT_EQ(ReadFileBytes(xlsx), "the user's workbook");
  EXPECT_NE(err.str().find("ファイルが既に存在します"), std::string::npos);
  EXPECT_NE(err.str().find("--overwrite"), std::string::npos);
  EXPECT_EQ(err.str().find("DXFファイルを開いています"), std::string::npos);  // no run
}

TEST_F(BatchConversion, WithOverwriteAnExistingWorkbookIsDrawnInto) {
  const fs::path dxf = dir / "a.dxf", xlsx = dir / "a.xlsx";
  WriteTestDxf(dxf, DxfLine(0, 0, 10, 10));
  ASSERT_EQ(ConvertAll({{dxf.string(), xlsx.string()}}, settings, out), 0);
  settings.overwrite = true;
  ASSERT_EQ(ConvertAll({{dxf.string(), xlsx.string()}}, settings, out), 0) << err.str();
  const std::string drawing = ReadPart(xlsx, "xl/drawings/drawing1.xml");
  std::size_t lines = 0;
  for (auto at = drawing.find("<xdr:cxnSp"); at != std::string::npos;
       at = drawing.find("<xdr:cxnSp", at + 1)) {
    ++lines;
  }
  EXPECT_EQ(lines, 2u);  // the line drawn by each run

  // A file that is no workbook is left as it is.
  const fs::path notes = dir / "notes.xlsx";
  WriteFileBytes(notes, "not a workbook");
  EXPECT_EQ(ConvertAll({{dxf.string(), notes.string()}}, settings, out), 1);
  EXPECT_EQ(ReadFileBytes(notes), "not a workbook");
  EXPECT_NE(err.str().find("Excelの実行に問題が発生しました"), std::string::npos);
}

TEST_F(BatchConversion, AMissingDrawingIsRefusedAndWritesNothing) {
  const fs::path xlsx = dir / "a.xlsx";
  EXPECT_EQ(ConvertAll({{(dir / "missing.dxf").string(), xlsx.string()}}, settings, out), 1);
  EXPECT_FALSE(fs::exists(xlsx));
  EXPECT_NE(err.str().find("DXFファイルが見つかりません"), std::string::npos);
}

TEST_F(BatchConversion, StatusesAndTheTwoLineFailureTextBecomeLines) {
  const fs::path dxf = dir / "far.dxf", xlsx = dir / "far.xlsx";
  WriteTestDxf(dxf, DxfLine(0, 0, 10, 10) + DxfLine(0, 0, 9000000, 0));
  settings.options.Scale = "1/1";
  EXPECT_EQ(ConvertAll({{dxf.string(), xlsx.string()}}, settings, out), 1);
  const std::string text = err.str();
  EXPECT_NE(text.find("Excelに線分を作成しています\n"), std::string::npos);
  EXPECT_NE(text.find("Excelの表示ができませんでした\n位置、サイズ、尺度などをご確認ください\n"),
            std::string::npos);
  EXPECT_NE(text.find("尺度: 2.835\n"), std::string::npos);
  EXPECT_NE(text.find("途中までを保存しました: " + xlsx.string()), std::string::npos);
  EXPECT_TRUE(fs::exists(xlsx));
}

TEST_F(BatchConversion, SeveralDrawingsConvertAtOnce) {
  std::vector<ConversionJob> jobs;
  for (int i = 0; i < 6; ++i) {
    const fs::path dxf = dir / ("d" + std::to_string(i) + ".dxf");
    std::string entities;
    for (int k = 0; k <= i; ++k) entities += DxfLine(0, k, 100, k);
    WriteTestDxf(dxf, entities);
    jobs.push_back({dxf.string(), OutputPathFor(dxf.string(), (dir / "out").string())});
  }
  fs::create_directory(dir / "out");
  settings.threads = 2;
  settings.prefix = true;
  EXPECT_EQ(ConvertAll(jobs, settings, out), 0);
  for (int i = 0; i < 6; ++i) {
    const fs::path xlsx = dir / "out" / ("d" + std::to_string(i) + ".xlsx");
    ASSERT_TRUE(fs::exists(xlsx)) << xlsx;
    const std::string drawing = ReadPart(xlsx, "xl/drawings/drawing1.xml");
    std::size_t lines = 0;
    for (auto at = drawing.find("<xdr:cxnSp"); at != std::string::npos;
         at = drawing.find("<xdr:cxnSp", at + 1)) {
      ++lines;
    }
    EXPECT_EQ(lines, static_cast<std::size_t>(i + 1)) << xlsx;
  }
  EXPECT_NE(err.str().find("[d3.dxf] Excelの処理を完了しました"), std::string::npos);
}

// ---- the program ------------------------------------------------------------------

CommandResult Convert(const std::string& arguments) {
  return RunCommand(ShellQuote(OVIX_CONVERT_PATH) + " " + arguments);
}

TEST(ConvertProgram, HelpListsTheOptionsWithTheFirstStartDefaults) {
  const CommandResult r = Convert("--help");
  EXPECT_EQ(r.exit_code, 0);
  for (const char* text :
       {"--paper", "A4-portrait", "A5-landscape", "[既定: \"A4 縦\"]", "--scale",
        "[既定: \"自動\"]", "--line-weight", "[既定: \"CAD設定値\"]", "--arrow-style",
        "[既定: 2]", "--arrow-length", "[既定: M]", "--arrow-width", "[既定: S]",
        "--unify-dim-text", "--omit-small-arrows", "--monochrome", "--group", "--open",
        "--overwrite", "--info", "-o,--output-dir"}) {
    EXPECT_NE(r.output.find(text), std::string::npos) << text;
  }
}

TEST(ConvertProgram, ExitStatusesTellSuccessFailureAndMisuse) {
  TempDir dir;
  const fs::path dxf = dir / "a.dxf";
  WriteTestDxf(dxf, DxfLine(0, 0, 10, 10));
  const std::string out = (dir / "a.xlsx").string();
  const CommandResult ok = Convert(ShellQuote(dxf.string()) + " " + ShellQuote(out) +
                                   " --paper A3-landscape --scale auto --line-weight 2x "
                                   "--arrow-style 4 --arrow-length L --arrow-width m --group");
  EXPECT_EQ(ok.exit_code, 0) << ok.output;
  EXPECT_NE(ok.output.find("Excelの処理を完了しました"), std::string::npos);
  EXPECT_TRUE(fs::exists(out));
  EXPECT_NE(ReadPart(out, "xl/worksheets/sheet1.xml").find("orientation=\"landscape\""),
            std::string::npos);

  EXPECT_EQ(Convert(ShellQuote(dxf.string()) + " " + ShellQuote(out)).exit_code, 1);  // exists
  EXPECT_EQ(Convert("").exit_code, 2);
  EXPECT_EQ(Convert(ShellQuote(dxf.string())).exit_code, 2);
  EXPECT_EQ(Convert(ShellQuote(dxf.string()) + " x.xlsx --paper A6-portrait").exit_code, 2);
  EXPECT_EQ(Convert(ShellQuote(dxf.string()) + " x.xlsx --arrow-style 7").exit_code, 2);
  EXPECT_FALSE(fs::exists("x.xlsx"));
}

TEST(ConvertProgram, SeveralDrawingsGoIntoTheOutputFolder) {
  TempDir dir;
  WriteTestDxf(dir / "a.dxf", DxfLine(0, 0, 10, 10));
  WriteTestDxf(dir / "b.dxf", DxfCircle(0, 0, 10));
  const CommandResult r = Convert(ShellQuote((dir / "a.dxf").string()) + " " +
                                  ShellQuote((dir / "b.dxf").string()) + " -o " +
                                  ShellQuote((dir / "out").string()));
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_TRUE(fs::exists(dir / "out" / "a.xlsx"));
  EXPECT_TRUE(fs::exists(dir / "out" / "b.xlsx"));
}

TEST(ConvertProgram, FormatXlsWritesLegacyWorkbooksIntoTheOutputFolder) {
  TempDir dir;
  WriteTestDxf(dir / "a.dxf", DxfLine(0, 0, 10, 10));
  const CommandResult r = Convert(ShellQuote((dir / "a.dxf").string()) + " -o " +
                                  ShellQuote((dir / "out").string()) + " --format XLS");
  EXPECT_EQ(r.exit_code, 0) << r.output;
  ASSERT_TRUE(fs::exists(dir / "out" / "a.xls")) << r.output;
  EXPECT_EQ(ReadFileBytes(dir / "out" / "a.xls").substr(0, 4), std::string("\xD0\xCF\x11\xE0", 4));
  EXPECT_FALSE(fs::exists(dir / "out" / "a.xlsx"));
  const CommandResult bad = Convert(ShellQuote((dir / "a.dxf").string()) + " -o " +
                                    ShellQuote((dir / "out").string()) + " --format ods");
  EXPECT_EQ(bad.exit_code, 2) << bad.output;
}

TEST(ConvertProgram, InfoStillReportsTheDrawing) {
  TempDir dir;
  WriteTestDxf(dir / "a.dxf", DxfLine(0, 0, 10, 10));
  const CommandResult r = Convert("--info " + ShellQuote((dir / "a.dxf").string()));
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_NE(r.output.find("\"LINE\": 1"), std::string::npos) << r.output;
}

}  // namespace
}  // namespace ovix::testing
