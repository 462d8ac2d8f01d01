// The conversion run: the status texts in order, the retries of the sheet
// set-up, the failure path and its saved workbook, the end of a run with and
// without save-and-close, the scale label, and runs one after another.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/conversion_run.h"
#include "app/dxf_stage.h"
#include "excel/excel_automation.h"
#include "model/rv_document.h"
#include "tests/app/dxf_test_files.h"
#include "tests/app/recording_run_view.h"
#include "tests/support/recording_prompt.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/package_reader.h"
#include "workbook/workbook_engine.h"

namespace ovix::testing {
namespace {

namespace fs = std::filesystem;

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class ConversionRunTest : public ::testing::Test {
 protected:
  void SetUp() override { workbook::RegisterAutomationClass(); }
  void TearDown() override {
    workbook::RegisterAutomationClass();
    excel::ForgetRunningInstances();
  }

  RunResult RunOn(const fs::path& dxf, const fs::path& xlsx) {
    ConversionRun run(document, view);
    return run.Run(dxf.string(), xlsx.string(), options);
  }
  // Top-level lines of the saved workbook's drawing.
  std::size_t SavedLines(const fs::path& xlsx) {
    return Count(ReadPart(xlsx, "xl/drawings/drawing1.xml"), "<xdr:cxnSp");
  }

  ScopedRecordingPrompt prompt;
  RecordingRunView view;
  RvDocument document;
  RunOptions options;
  TempDir dir;
};

TEST_F(ConversionRunTest, WithDrawAllTheExtraShapesAreDrawnFirstElseTheRunNamesThem) {
  const fs::path dxf = dir / "solid.dxf";
  WriteTestDxf(dxf, DxfLine(0, 0, 100, 0) +
                        "0\nSOLID\n8\n0\n10\n0\n20\n0\n11\n10\n21\n0\n12\n0\n22\n10\n");
  const RunResult off = RunOn(dxf, dir / "off.xlsx");
  EXPECT_TRUE(off.Succeeded());
  EXPECT_EQ(off.UndrawnNotice,
            "描かれていない図形があります: SOLID 1 (「すべての図形を描く」で描けます)");
  EXPECT_EQ(view.notices, std::vector<std::string>{off.UndrawnNotice});
  EXPECT_EQ(std::count(view.statuses.begin(), view.statuses.end(), kStatusDrawingExtraShapes), 0);

  view = RecordingRunView();
  options.DrawAll = true;
  const RunResult on = RunOn(dxf, dir / "on.xlsx");
  EXPECT_TRUE(on.Succeeded());
  EXPECT_TRUE(view.notices.empty());
  // The solid goes first, under the line.
  const auto at = std::find(view.statuses.begin(), view.statuses.end(), kStatusDrawingExtraShapes);
  ASSERT_NE(at, view.statuses.end());
  EXPECT_EQ(*(at + 1), kStatusDrawingLines);
  const std::string drawing = ReadPart(dir / "on.xlsx", "xl/drawings/drawing1.xml");
  EXPECT_LT(drawing.find("<a:custGeom"), drawing.find("<xdr:cxnSp"));
}

TEST_F(ConversionRunTest, ASuccessfulRunShowsEveryStepAndPresentsTheSavedWorkbook) {
  const fs::path dxf = dir / "two.dxf", out = dir / "two.xlsx";
  WriteTestDxf(dxf, DxfLine(0, 0, 100, 0) + DxfLine(0, 0, 0, 50) + DxfCircle(50, 25, 10));
  options.Group = true;
  const RunResult result = RunOn(dxf, out);
  EXPECT_TRUE(result.Succeeded());
  EXPECT_TRUE(result.WorkbookSaved);
  const std::vector<std::string> expected{
      kStatusOpeningDxf,        kStatusCountingDxf,         kStatusReadingDxf,
      kStatusRegisteringTables, kStatusRegisteringEntities, kStatusClosingDxf,
      kStatusDxfDone,           "Excelを起動しています",     "Excelに登録しています",
      "Excelに線分を作成しています", "Excelに円を作成しています", "Excelに楕円を作成しています",
      "Excelに円弧を作成しています", "Excelにﾎﾟﾘﾗｲﾝを作成しています",
      "Excelに文字を作成しています", "Excelにﾏﾙﾁﾃｷｽﾄを作成しています",
      "Excelに寸法線を作成しています", "Excelに引出線を作成しています", "再作図しています",
      "グループを作成しています", "Excelのブックを保存しています", "Excelの処理を完了しました"};
  EXPECT_EQ(view.statuses, expected);
  // Each status is followed by a pass of pending events; the pointer is busy
  // for the whole run.
  EXPECT_EQ(view.events.front(), "busy");
  EXPECT_EQ(view.events.back(), "idle");
  EXPECT_EQ(view.events[view.events.size() - 2], "events");
  ASSERT_EQ(view.steps_seen.size(), expected.size());
  EXPECT_EQ(view.steps_seen.front(), std::make_pair(1, 22));
  EXPECT_EQ(view.steps_seen.back(), std::make_pair(22, 22));
  // Entity progress of the drawing steps: from 0 to the store's count.
  EXPECT_NE(std::find(view.entity_progress.begin(), view.entity_progress.end(),
                      std::make_pair<int64_t, int64_t>(2, 2)),
            view.entity_progress.end());
  EXPECT_EQ(view.presented, std::vector<std::string>{out.string()});
  EXPECT_TRUE(prompt.messages().empty());
  // Grouped into one shape, saved.
  const std::string drawing = ReadPart(out, "xl/drawings/drawing1.xml");
  EXPECT_EQ(Count(drawing, "<xdr:twoCellAnchor"), 1u);
  EXPECT_EQ(Count(drawing, "<xdr:cxnSp"), 2u);
}

TEST_F(ConversionRunTest, SaveAndCloseSavesClosesQuitsAndOpensNothing) {
  const fs::path dxf = dir / "a.dxf", out = dir / "a.xlsx";
  WriteTestDxf(dxf, DxfLine(0, 0, 100, 100));
  options.SaveClose = true;
  EXPECT_TRUE(RunOn(dxf, out).Succeeded());
  EXPECT_TRUE(view.presented.empty());
  EXPECT_EQ(SavedLines(out), 1u);
  // The application the run started (start code 1009) has quit.
  EXPECT_THROW(excel::GetObject("Excel.Application.9"), excel::AutomationError);
}

TEST_F(ConversionRunTest, WithoutSaveCloseTheNextRunAttachesToTheApplicationLeftRunning) {
  const fs::path dxf = dir / "a.dxf";
  WriteTestDxf(dxf, DxfLine(0, 0, 100, 100));
  options.PaperSize = "------";
  ASSERT_TRUE(RunOn(dxf, dir / "first.xlsx").Succeeded());
  auto running = excel::GetObject("Excel.Application.9");
  EXPECT_TRUE(running->Visible());
  // The separator item gave "A4 縦".
  auto page = running->Worksheets()->Item("Sheet1")->PageSetup();
  EXPECT_EQ(page->PaperSize(), excel::kPaperA4);
  EXPECT_EQ(page->Orientation(), excel::kPortrait);

  ASSERT_TRUE(RunOn(dxf, dir / "second.xlsx").Succeeded());
  EXPECT_EQ(excel::GetObject("Excel.Application.9"), running);
  EXPECT_EQ(running->Workbooks()->Count(), 2);
}

TEST_F(ConversionRunTest, TheSheetSetUpIsTriedFiveTimes) {
  const fs::path dxf = dir / "a.dxf", out = dir / "a.xlsx";
  WriteTestDxf(dxf, DxfLine(0, 0, 100, 100));
  auto calls = std::make_shared<int>(0);
  excel::RegisterClass("Excel.Application.9", [calls]() {
    if (++*calls <= 4) throw excel::AutomationError("busy");
    return workbook::CreateApplication();
  });
  EXPECT_TRUE(RunOn(dxf, out).Succeeded());
  EXPECT_EQ(SavedLines(out), 1u);
  EXPECT_EQ(prompt.texts(), std::vector<std::string>{"Microsoft Excel 2000を起動できません"});
}

TEST_F(ConversionRunTest, FiveFailedSetUpsEndTheStageWithItsMessage) {
  const fs::path dxf = dir / "a.dxf", out = dir / "a.xlsx";
  WriteTestDxf(dxf, DxfLine(0, 0, 100, 100));
  excel::RegisterClass("Excel.Application.9", []() -> std::shared_ptr<excel::Application> {
    throw excel::AutomationError("not installed");
  });
  const RunResult result = RunOn(dxf, out);
  EXPECT_TRUE(result.DxfOk);
  EXPECT_FALSE(result.ExcelOk);
  EXPECT_FALSE(result.WorkbookSaved);
  EXPECT_EQ(prompt.texts(),
            (std::vector<std::string>{"Microsoft Excel 2000を起動できません",
                                      "Excelの実行に問題が発生しました\r\nExcelの状態をご確認ください"}));
  EXPECT_EQ(view.statuses.back(), "Excelの処理を完了しました");
  EXPECT_FALSE(fs::exists(out));
  EXPECT_TRUE(view.presented.empty());
}

TEST_F(ConversionRunTest, ADrawingFailureKeepsAndSavesWhatWasDrawn) {
  const fs::path dxf = dir / "far.dxf", out = dir / "far.xlsx";
  // At a scale of 1/1 the second line reaches beyond any sheet.
  WriteTestDxf(dxf, DxfLine(0, 0, 100, 100) + DxfLine(0, 0, 9000000, 0) + DxfLine(0, 0, 50, 0) +
                        DxfCircle(10, 10, 5));
  options.Scale = "1/1";
  const RunResult result = RunOn(dxf, out);
  EXPECT_TRUE(result.DxfOk);
  EXPECT_FALSE(result.ExcelOk);
  EXPECT_TRUE(result.WorkbookSaved);
  EXPECT_FALSE(result.Detail.empty());
  EXPECT_EQ(view.statuses.back(),
            "Excelの表示ができませんでした\r位置、サイズ、尺度などをご確認ください");
  // The failure text is not followed by a pass of events, and the rest of
  // the stage is skipped.
  EXPECT_EQ(view.events[view.events.size() - 2], "status:" + view.statuses.back());
  EXPECT_EQ(std::count(view.statuses.begin(), view.statuses.end(), "Excelに円を作成しています"), 0);
  EXPECT_EQ(SavedLines(out), 1u);
  EXPECT_EQ(view.presented, std::vector<std::string>{out.string()});
  EXPECT_EQ(view.scale, "2.835");
}

TEST_F(ConversionRunTest, AFailureWithSaveCloseSavesAndClosesTheWorkbook) {
  const fs::path dxf = dir / "far.dxf", out = dir / "far.xlsx";
  WriteTestDxf(dxf, DxfLine(0, 0, 100, 100) + DxfLine(0, 0, 9000000, 0));
  options.Scale = "1/1";
  options.SaveClose = true;
  EXPECT_FALSE(RunOn(dxf, out).ExcelOk);
  EXPECT_EQ(SavedLines(out), 1u);
  EXPECT_TRUE(view.presented.empty());
  EXPECT_THROW(excel::GetObject("Excel.Application.9"), excel::AutomationError);
}

TEST_F(ConversionRunTest, AWorkbookThatCannotBeSavedIsAFailure) {
  const fs::path dxf = dir / "a.dxf", out = dir / "a.xlsx";
  WriteTestDxf(dxf, DxfLine(0, 0, 100, 100));
  // When the run comes to save, a folder has taken the workbook's place.
  struct Blocking : RunView {
    RecordingRunView& inner;
    fs::path target;
    Blocking(RecordingRunView& v, fs::path t) : inner(v), target(std::move(t)) {}
    void ShowStatus(const std::string& text) override {
      if (text == kStatusSavingWorkbook) {
        fs::remove(target);
        fs::create_directory(target);
        WriteFileBytes(target / "keep", "x");
      }
      inner.ShowStatus(text);
    }
    void ProcessPendingEvents() override {}
    void SetBusy(bool) override {}
    void ShowScale(const std::string&) override {}
    void ShowStepProgress(int, int) override {}
    void ShowEntityProgress(int64_t, int64_t) override {}
    void PresentWorkbook(const std::string& path) override { inner.PresentWorkbook(path); }
  } blocking(view, out);
  ConversionRun run(document, blocking);
  const RunResult result = run.Run(dxf.string(), out.string(), options);
  EXPECT_FALSE(result.ExcelOk);
  EXPECT_FALSE(result.WorkbookSaved);
  EXPECT_FALSE(result.Detail.empty());
  EXPECT_TRUE(view.presented.empty());
  EXPECT_EQ(prompt.texts(),
            std::vector<std::string>{"Excelのブックを保存できませんでした\r\n" + out.string()});
  EXPECT_EQ(view.statuses.back(), kStatusExcelFailed);
}

TEST_F(ConversionRunTest, AnUnreadableDrawingStillGivesItsWorkbook) {
  const fs::path out = dir / "none.xlsx";
  const RunResult result = RunOn(dir / "missing.dxf", out);
  EXPECT_FALSE(result.DxfOk);
  EXPECT_TRUE(result.ExcelOk);
  EXPECT_FALSE(result.Succeeded());
  EXPECT_EQ(view.statuses.front(), kStatusOpeningDxf);
  EXPECT_EQ(view.statuses[1], "Excelを起動しています");
  EXPECT_TRUE(fs::exists(out));
  EXPECT_EQ(view.scale, "1/1");  // nothing placed: the reset value
}

TEST_F(ConversionRunTest, RunsOneAfterAnotherStartFromAnEmptyModel) {
  const fs::path a = dir / "a.dxf", b = dir / "b.dxf";
  WriteTestDxf(a, DxfLine(0, 0, 100, 100) + DxfLine(0, 100, 100, 0));
  WriteTestDxf(b, DxfCircle(0, 0, 10));
  ASSERT_TRUE(RunOn(a, dir / "a.xlsx").Succeeded());
  ASSERT_TRUE(RunOn(b, dir / "b.xlsx").Succeeded());
  const std::string drawing = ReadPart(dir / "b.xlsx", "xl/drawings/drawing1.xml");
  EXPECT_EQ(Count(drawing, "<xdr:cxnSp"), 0u);
  EXPECT_EQ(Count(drawing, "prst=\"ellipse\""), 1u);
  EXPECT_EQ(document.System().LineCount(), 0);  // the document is cleared after a run
}

TEST_F(ConversionRunTest, TheScaleLabelShowsTheScaleUsed) {
  const fs::path dxf = dir / "a.dxf";
  WriteTestDxf(dxf, DxfLine(0, 0, 100, 100));
  options.Scale = "1/100";
  RunOn(dxf, dir / "a.xlsx");
  EXPECT_EQ(view.scale, "1/35.277");
  options.Scale = "1";
  RunOn(dxf, dir / "b.xlsx");
  EXPECT_EQ(view.scale, "2.835");
}

}  // namespace
}  // namespace ovix::testing
