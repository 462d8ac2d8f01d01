#pragma once
// A fixture for whole conversion runs of a small drawing (two lines and a
// circle) into a workbook, with the prompts and the run's view recorded
// (test support for the workbook safety tests).

#include <gtest/gtest.h>

#include <filesystem>

#include "app/conversion_run.h"
#include "excel/excel_automation.h"
#include "model/rv_document.h"
#include "tests/app/dxf_test_files.h"
#include "tests/app/recording_run_view.h"
#include "tests/support/recording_prompt.h"
#include "tests/support/shared_files.h"
#include "workbook/workbook_engine.h"

namespace ovix::testing {

class SmallDrawingRun : public ::testing::Test {
 protected:
  void SetUp() override {
    workbook::RegisterAutomationClass();
    dxf = dir / "drawing.dxf";
    WriteTestDxf(dxf, DxfLine(0, 0, 200, 0) + DxfLine(0, 0, 0, 100) + DxfCircle(100, 50, 20));
  }
  void TearDown() override { excel::ForgetRunningInstances(); }

  RunResult RunInto(const std::filesystem::path& workbook) {
    ConversionRun run(document, view);
    return run.Run(dxf.string(), workbook.string(), options);
  }

  ScopedRecordingPrompt prompt;
  RecordingRunView view;
  RvDocument document;
  RunOptions options;
  TempDir dir;
  std::filesystem::path dxf;
};

}  // namespace ovix::testing
