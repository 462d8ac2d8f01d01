// The DXF stage: its steps and status texts, its failures, and the report
// that ovix-convert --info prints.

#include "app/dxf_stage.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "app/dxf_info_report.h"
#include "dxf/rv_dxf_import.h"
#include "tests/dxf/dxf_test_support.h"

namespace ovix {
namespace {

using testing::DxfPairs;
using testing::Drawing;
using testing::ImportBytes;

TEST(DxfStage, ReportsEveryStepAndProcessesEventsAfterEach) {
  testing::TempDir dir;
  testing::WriteFileBytes(dir / "a.dxf", Drawing(testing::Line(0, 0, 3, 4)));
  RvDocument document;
  std::vector<std::string> log;
  DxfStageCallbacks callbacks;
  callbacks.ShowStatus = [&](const std::string& s) { log.push_back(s); };
  callbacks.ProcessPendingEvents = [&] { log.push_back("events"); };
  ASSERT_TRUE(ImportDxfFile(document, (dir / "a.dxf").string(), callbacks));
  EXPECT_EQ(log, (std::vector<std::string>{
                     kStatusOpeningDxf, "events", kStatusCountingDxf, "events", "events",
                     "events", kStatusReadingDxf, "events", kStatusRegisteringTables, "events",
                     kStatusRegisteringEntities, "events", kStatusClosingDxf, "events",
                     kStatusDxfDone, "events"}));
  EXPECT_EQ(document.System().LineCount(), 1);
  EXPECT_FALSE(document.DxfImport().IsOpened());
}

TEST(DxfStage, FailuresKeepTheFailingStepsStatus) {
  RvDocument document;
  std::vector<std::string> statuses;
  DxfStageCallbacks callbacks;
  callbacks.ShowStatus = [&](const std::string& s) { statuses.push_back(s); };
  testing::ScopedRecordingPrompt prompt;
  EXPECT_FALSE(ImportDxfFile(document, "/no/such/drawing.dxf", callbacks));
  EXPECT_EQ(statuses.back(), kStatusOpeningDxf);
  EXPECT_TRUE(prompt.texts().empty());  // a missing file shows no message

  auto binary = ImportBytes("AutoCAD Binary DXF\r\n");
  EXPECT_FALSE(binary.ok);
  EXPECT_EQ(binary.statuses.back(), kStatusCountingDxf);
  EXPECT_EQ(binary.messages, std::vector<std::string>{kDxfBinaryMessage});
  EXPECT_FALSE(binary.document->DxfImport().IsOpened());
}

TEST(DxfStage, ModelRefusalNamesTheRecordAndKeepsWhatCameBefore) {
  // An arc's line width must fit 16 bits in the model.
  auto r = ImportBytes(Drawing(testing::Line(0, 0, 1, 1) +
                               DxfPairs{{0, "ARC"}, {370, "9999999900"}, {40, "1"}, {51, "5"}} +
                               testing::Line(0, 0, 2, 2)));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.statuses.back(), kStatusRegisteringEntities);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_NE(r.messages[0].find(kDxfDataErrorMessage), std::string::npos);
  EXPECT_NE(r.messages[0].find("ARC"), std::string::npos) << r.messages[0];
  EXPECT_EQ(r.model().LineCount(), 1);
}

TEST(DxfStage, TwoRunsInARowStartFromAnEmptyModel) {
  testing::TempDir dir;
  testing::WriteFileBytes(dir / "a.dxf", Drawing(testing::Line(0, 0, 1, 1)));
  RvDocument document;
  ASSERT_TRUE(ImportDxfFile(document, (dir / "a.dxf").string()));
  document.Clear();
  ASSERT_TRUE(ImportDxfFile(document, (dir / "a.dxf").string()));
  EXPECT_EQ(document.System().LineCount(), 1);
  EXPECT_EQ(document.DxfImport().EntityCount(), 1);
}

TEST(DxfInfoReport, ListsWhatTheDrawingHolds) {
  const DxfPairs tables{{0, "TABLE"}, {2, "LAYER"}, {0, "LAYER"}, {2, "0"},   {62, "7"},
                        {0, "LAYER"}, {2, "OFF"},   {62, "-1"}, {0, "ENDTAB"}};
  DxfPairs entities = testing::Line(0, 0, 30, 40) + testing::Line(0, 0, 99, 99, "OFF");
  entities.insert(entities.end(), {{0, "INSERT"}, {2, "B"}, {0, "TEXT"}, {8, "0"}, {1, "表"}});
  auto r = ImportBytes(Drawing(entities, tables, "AC1021"));
  ASSERT_TRUE(r.ok);
  const auto j = nlohmann::json::parse(DxfInfoReport(*r.document, "x.dxf"));
  EXPECT_EQ(j["encoding"], "UTF-8");
  EXPECT_EQ(j["tables"]["LAYER"], 2);
  EXPECT_EQ(j["tables"]["DIMSTYLE"], 0);
  EXPECT_EQ(j["entities"]["INSERT"], 1);
  EXPECT_EQ(j["entities"]["LINE"], 2);
  EXPECT_EQ(j["model"]["LINE"], 2);
  EXPECT_EQ(j["model"]["TEXT"], 1);
  EXPECT_EQ(j["model"].size(), 9u);
  EXPECT_EQ(j["visible_entities"], 2);
  EXPECT_EQ(j["extents"]["found"], true);
  EXPECT_EQ(j["extents"]["max"][0], 30.0);
  EXPECT_EQ(j["texts"]["TEXT"][0], "表");
}

}  // namespace
}  // namespace ovix
