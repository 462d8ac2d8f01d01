// The exporter's connection: reset values, the start check and its message,
// start codes of started and attached applications, opening or creating the
// workbook, and which application SaveAndClose quits.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/excel/exporter_fixture.h"
#include "tests/support/shared_files.h"

namespace ovix::testing {
namespace {

namespace fs = std::filesystem;

class ExcelConnection : public ExporterTest {
 protected:
  void TearDown() override {
    excel::RegisterClass("Excel.Application.11", nullptr);
    excel::RegisterClass("Excel.Application", nullptr);
    workbook::RegisterAutomationClass();
    ExporterTest::TearDown();
  }

  // The engine under "Excel.Application.9", failing its first `failures`
  // starts.
  void RegisterFlakyEngine(int failures) {
    auto calls = std::make_shared<int>(0);
    excel::RegisterClass("Excel.Application.9", [calls, failures]() {
      if (++*calls <= failures) throw excel::AutomationError("the server is busy");
      return workbook::CreateApplication();
    });
  }

  TempDir dir;
};

TEST_F(ExcelConnection, ClearRestoresTheResetValuesButKeepsTheFixedScale) {
  exporter.SetAutoScale(false);
  exporter.SetScaleXValue(0.5);
  exporter.SetScaleYValue(0.25);
  exporter.SetLtScale(-0.3);
  exporter.SetArrowStyle(5, 3, 3);
  exporter.SetGroupFlag(false);
  exporter.SetDimOmissionFlag(false);
  exporter.SetMonochromeFlag(true);
  exporter.SetSaveCloseFlag(true);
  exporter.SetArea(1, 2, 3, 4);
  exporter.Clear();
  EXPECT_TRUE(exporter.AutoScale());
  EXPECT_EQ(exporter.ScaleXValue(), 0.5);
  EXPECT_EQ(exporter.ScaleYValue(), 0.25);
  EXPECT_EQ(exporter.ScaleX(), 1.0);
  EXPECT_EQ(exporter.AutoScaleValue(), 1.0);
  EXPECT_EQ(exporter.LtScale(), 1.0);
  EXPECT_TRUE(exporter.AutoLtScale());
  EXPECT_EQ(exporter.ArrowStyle(), 2);
  EXPECT_EQ(exporter.ArrowLength(), 2);
  EXPECT_EQ(exporter.ArrowWidth(), 1);
  EXPECT_TRUE(exporter.Group());
  EXPECT_TRUE(exporter.DimOmission());
  EXPECT_TRUE(exporter.DimTextDirection());
  EXPECT_FALSE(exporter.Monochrome());
  EXPECT_FALSE(exporter.SaveClose());
  EXPECT_EQ(exporter.AreaWidth(), 1000);
  EXPECT_EQ(exporter.ExcelSheetName(), "Sheet1");
  EXPECT_EQ(exporter.ExcelVersion(), 0);
  EXPECT_FALSE(exporter.ExcelExcute());
  EXPECT_FALSE(exporter.SystemBound());
  EXPECT_EQ(exporter.ExcelApp(), nullptr);
}

TEST_F(ExcelConnection, ANewWorkbookFirstAppearsOnDiskWhenItIsSaved) {
  const fs::path out = dir / "drawing.xlsx";
  exporter.SetRvSystem(model);
  ASSERT_TRUE(exporter.SetExcelSheet(out.string(), "Sheet1"));
  EXPECT_EQ(exporter.ExcelVersion(), 1009);
  EXPECT_TRUE(exporter.ExcelExcute());
  // Nothing on disk until the drawing is saved: a run that stops before
  // leaves no empty workbook behind.
  EXPECT_FALSE(fs::exists(out));
  EXPECT_FALSE(App().Visible());  // shapes are drawn with the application hidden
  EXPECT_TRUE(prompt.messages().empty());
  // The sheet is set up once per run.
  EXPECT_FALSE(exporter.SetExcelSheet(out.string(), "Sheet1"));
  Shapes()->AddLine(0, 0, 100, 100);
  exporter.SaveWorkbook();
  EXPECT_TRUE(fs::exists(out));
  EXPECT_EQ(App().ActiveWorkbook()->FullName(), fs::absolute(out).string());
}

TEST_F(ExcelConnection, AnEmptyPathMakesAnUnsavedWorkbook) {
  ASSERT_TRUE(exporter.SetExcelSheet("", "Sheet1"));
  EXPECT_EQ(App().ActiveWorkbook()->FullName(), "");
}

TEST_F(ExcelConnection, AMissingSheetFailsAndLaterAttemptsOnTheFileFailAtOnce) {
  const fs::path out = dir / "drawing.xlsx";
  EXPECT_FALSE(exporter.SetExcelSheet(out.string(), "図面"));
  EXPECT_TRUE(exporter.ExcelReported());
  EXPECT_FALSE(exporter.ExcelExcute());
  EXPECT_FALSE(fs::exists(out));
}

TEST_F(ExcelConnection, AFileThatIsNoWorkbookIsLeftAsItWas) {
  const fs::path out = dir / "notes.xlsx";
  WriteFileBytes(out, "not a workbook");
  EXPECT_FALSE(exporter.SetExcelSheet(out.string(), "Sheet1"));
  EXPECT_TRUE(exporter.ExcelReported());
  EXPECT_FALSE(exporter.LastError().empty());
  EXPECT_FALSE(exporter.SetExcelSheet(out.string(), "Sheet1"));
  EXPECT_EQ(ReadFileBytes(out), "not a workbook");
}

TEST_F(ExcelConnection, TheStartCheckIsReportedOncePerRun) {
  RegisterFlakyEngine(4);
  const fs::path out = dir / "drawing.xlsx";
  for (int attempt = 1; attempt <= 4; ++attempt) {
    EXPECT_FALSE(exporter.SetExcelSheet(out.string(), "Sheet1")) << attempt;
  }
  EXPECT_TRUE(exporter.SetExcelSheet(out.string(), "Sheet1"));
  EXPECT_EQ(exporter.ExcelVersion(), 1009);
  ASSERT_EQ(prompt.messages().size(), 1u);
  EXPECT_EQ(prompt.messages()[0].text, "Microsoft Excel 2000を起動できません");
  EXPECT_EQ(prompt.messages()[0].title, kApplicationTitle);
  EXPECT_EQ(prompt.messages()[0].icon, PromptIcon::Critical);
}

TEST_F(ExcelConnection, AnApplicationThatCannotBeStartedIsReported) {
  // Creatable once (the start check), then never again.
  auto calls = std::make_shared<int>(0);
  excel::RegisterClass("Excel.Application.9", [calls]() -> std::shared_ptr<excel::Application> {
    if (++*calls > 1) throw excel::AutomationError("out of licences");
    return workbook::CreateApplication();
  });
  EXPECT_FALSE(exporter.SetExcelSheet((dir / "a.xlsx").string(), "Sheet1"));
  EXPECT_EQ(exporter.ExcelVersion(), 0);
  EXPECT_EQ(prompt.texts(), std::vector<std::string>{"Excelを起動できませんでした。"});
}

TEST_F(ExcelConnection, AStartedApplicationIsQuitAndAnAttachedOneIsNot) {
  // Started by the exporter (1009): quit by SaveAndClose.
  {
    RvExcelExport started;
    started.SetSaveCloseFlag(true);
    ASSERT_TRUE(started.SetExcelSheet((dir / "a.xlsx").string(), "Sheet1"));
    EXPECT_EQ(started.ExcelVersion(), 1009);
    auto app = started.ExcelApp();
    started.SaveAndClose();
    EXPECT_EQ(started.ExcelApp(), nullptr);
    EXPECT_THROW(app->Workbooks(), excel::AutomationError);
    EXPECT_THROW(excel::GetObject("Excel.Application.9"), excel::AutomationError);
  }
  // The user's own running application (9): attached to and left running.
  auto users = excel::CreateObject("Excel.Application.9");
  users->SetVisible(true);
  {
    RvExcelExport attached;
    attached.SetSaveCloseFlag(true);
    ASSERT_TRUE(attached.SetExcelSheet((dir / "b.xlsx").string(), "Sheet1"));
    EXPECT_EQ(attached.ExcelVersion(), 9);
    EXPECT_EQ(attached.ExcelApp(), users);
    attached.SaveAndClose();
  }
  EXPECT_NO_THROW(users->Workbooks());
  EXPECT_EQ(users->Workbooks()->Count(), 0);  // the drawing's workbook was closed
  EXPECT_TRUE(fs::exists(dir / "b.xlsx"));
}

TEST_F(ExcelConnection, ANewestVersionStartedByTheExporterIsLeftRunning) {
  excel::RegisterClass("Excel.Application.11", workbook::CreateApplication);
  RvExcelExport exporter11;
  exporter11.SetSaveCloseFlag(true);
  ASSERT_TRUE(exporter11.SetExcelSheet((dir / "a.xlsx").string(), "Sheet1"));
  EXPECT_EQ(exporter11.ExcelVersion(), 1011);
  auto app = exporter11.ExcelApp();
  exporter11.SaveAndClose();
  EXPECT_NO_THROW(app->Workbooks());
}

TEST_F(ExcelConnection, TheUnversionedClassIsTriedLastAndItsStartedInstanceQuits) {
  // The target version answers the start check only.
  auto calls = std::make_shared<int>(0);
  excel::RegisterClass("Excel.Application.9", [calls]() -> std::shared_ptr<excel::Application> {
    if (++*calls > 1) throw excel::AutomationError("gone");
    return workbook::CreateApplication();
  });
  excel::RegisterClass("Excel.Application", workbook::CreateApplication);
  {
    RvExcelExport started;
    started.SetSaveCloseFlag(true);
    ASSERT_TRUE(started.SetExcelSheet((dir / "a.xlsx").string(), "Sheet1"));
    EXPECT_EQ(started.ExcelVersion(), 1999);
    auto app = started.ExcelApp();
    started.SaveAndClose();
    EXPECT_THROW(app->Workbooks(), excel::AutomationError);
  }
  auto users = excel::CreateObject("Excel.Application");
  users->SetVisible(true);
  *calls = 0;
  RvExcelExport attached;
  attached.SetSaveCloseFlag(true);
  ASSERT_TRUE(attached.SetExcelSheet((dir / "b.xlsx").string(), "Sheet1"));
  EXPECT_EQ(attached.ExcelVersion(), 999);
  attached.SaveAndClose();
  EXPECT_NO_THROW(users->Workbooks());
}

TEST_F(ExcelConnection, WithoutSaveCloseTheWorkbookStaysOpenAndClearLeavesTheApplication) {
  const fs::path out = dir / "a.xlsx";
  ASSERT_TRUE(exporter.SetExcelSheet(out.string(), "Sheet1"));
  auto app = exporter.ExcelApp();
  exporter.SaveAndClose();  // save-and-close is off: nothing happens
  EXPECT_EQ(app->Workbooks()->Count(), 1);
  exporter.SetVisible(true);
  EXPECT_TRUE(exporter.ExcelVisible());
  exporter.Clear();
  app.reset();
  // The visible application keeps running; the next run attaches to it.
  RvExcelExport next;
  ASSERT_TRUE(next.SetExcelSheet((dir / "b.xlsx").string(), "Sheet1"));
  EXPECT_EQ(next.ExcelVersion(), 9);
  EXPECT_EQ(next.ExcelApp()->Workbooks()->Count(), 2);
}

TEST_F(ExcelConnection, SaveWorkbookKeepsTheDrawingOpen) {
  const fs::path out = dir / "a.xlsx";
  ASSERT_TRUE(exporter.SetExcelSheet(out.string(), "Sheet1"));
  exporter.SaveWorkbook();
  const auto before = fs::file_size(out);
  Shapes()->AddLine(0, 0, 100, 100);
  exporter.SaveWorkbook();
  EXPECT_GT(fs::file_size(out), before);
  EXPECT_EQ(App().Workbooks()->Count(), 1);
  EXPECT_TRUE(App().ActiveWorkbook()->Saved());
}

}  // namespace
}  // namespace ovix::testing
