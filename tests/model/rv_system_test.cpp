// RvSystem lifecycle, state, current settings, views and the document file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/rv_system.h"
#include "tests/model/model_builders.h"
#include "tests/support/recording_prompt.h"
#include "tests/support/shared_files.h"
#include "tools/rv_error.h"

namespace ovix {
namespace {

TEST(RvSystemLifecycle, ClearEmptiesEverythingAndResetsSettings) {
  RvSystem s;
  testing::AddTestLayer(s, "0", 0, 7);
  testing::AddTestLine(s, "0", 0, 0, 1, 1);
  testing::AddTestText(s, "0", "A", 0, 0, 1, 1);
  s.SetSystemState(3);
  s.SetInputKind("DXF");
  s.SetColor(5);
  s.SetViewRotate(std::vector<double>{1, 2, 3});
  s.Clear();
  EXPECT_EQ(s.LayerCount(), 0);
  EXPECT_EQ(s.LayerName(0), "");
  EXPECT_EQ(s.LineCount(), 0);
  EXPECT_EQ(s.TextCount(), 0);
  EXPECT_EQ(s.SystemState(), 0);
  EXPECT_EQ(s.InputKind(), "");
  EXPECT_EQ(s.Color(), 0);
  EXPECT_EQ(s.LineStyles(), std::vector<std::string>{""});
  EXPECT_EQ(s.LineWidths(), std::vector<int32_t>{0});
  EXPECT_EQ(s.Layers(), std::vector<std::string>{""});
  RvPoint3 r{9, 9, 9};
  s.GetViewRotate(r, 1);
  EXPECT_EQ(r, (RvPoint3{0, 0, 0}));
  EXPECT_EQ(s.GetLayerFlagFromName("0"), kLayerFlagNotFound);  // the index is cleared too
}

TEST(RvSystemLifecycle, StateAndKinds) {
  RvSystem s;
  s.SetSystemState(42);
  EXPECT_EQ(s.SystemState(), 42);
  s.SetInputKind("DXF");
  s.SetOutputKind("EXCEL");
  EXPECT_EQ(s.InputKind(), "DXF");
  EXPECT_EQ(s.OutputKind(), "EXCEL");
  EXPECT_EQ(s.InputDeviceName(), "");
  EXPECT_EQ(s.ViewNumber(), 0);
  EXPECT_EQ(s.ViewCount(), 0);
  EXPECT_DOUBLE_EQ(s.ViewWidth(), 0);
  EXPECT_DOUBLE_EQ(s.ViewPosition().X, 0);
}

TEST(RvSystemViews, SheetDeviceTurnsTheRotation) {
  RvSystem s;
  s.SetViewRotate(std::vector<double>{10, 20, 30});
  RvPoint3 r{};
  s.GetViewRotate(r, kDeviceTypeSheet);
  EXPECT_EQ(r, (RvPoint3{100, 0, 300}));
  s.GetViewRotate(r, 1);
  EXPECT_EQ(r, (RvPoint3{10, 0, 30}));
  EXPECT_THROW(s.SetViewRotate(std::vector<double>{1, 2}), RvError);
}

TEST(RvSystemSettings, LineStyleMustBeInTheList) {
  testing::ScopedRecordingPrompt prompt;
  RvSystem s;
  s.SetLineStyle("");  // the list starts with one empty name
  EXPECT_TRUE(prompt.messages().empty());
  const std::vector<std::string> styles{"CONTINUOUS", "DASHED"};
  s.SetLineStyles(styles);
  EXPECT_EQ(s.LineStyles(), styles);
  s.SetLineStyle("DASHED");
  EXPECT_EQ(s.LineStyle(), "DASHED");
  s.SetLineStyle("dashed");  // exact, case-sensitive
  EXPECT_EQ(s.LineStyle(), "DASHED");
  ASSERT_EQ(prompt.messages().size(), 1u);
  EXPECT_EQ(prompt.messages()[0].text, "dashed\r線種がテーブルに登録されていません。");
  EXPECT_EQ(prompt.messages()[0].title, "確認");
  EXPECT_EQ(prompt.messages()[0].icon, PromptIcon::Critical);
}

TEST(RvSystemDocument, NewFileIsOpenedAndNamed) {
  testing::ScopedRecordingPrompt prompt;
  testing::TempDir dir;
  RvSystem s;
  const std::string path = (dir / "新規.dat").string();
  EXPECT_TRUE(s.NewDocument(path));
  EXPECT_EQ(s.Document(), path);
  EXPECT_TRUE(prompt.messages().empty());
  s.Clear();
  EXPECT_EQ(s.Document(), "");
}

TEST(RvSystemDocument, ExistingFileIsConfirmedAndKept) {
  testing::ScopedRecordingPrompt prompt;
  testing::TempDir dir;
  const auto file = dir / "existing.dat";
  testing::WriteFileBytes(file, "keep me");
  RvSystem s;
  prompt.QueueAnswer(PromptAnswer::Cancel);
  EXPECT_FALSE(s.NewDocument(file.string()));
  EXPECT_EQ(s.Document(), "");
  ASSERT_EQ(prompt.messages().size(), 1u);
  EXPECT_EQ(prompt.messages()[0].text, file.string() + "\rファイルが既に存在します。上書しますか？");
  EXPECT_EQ(prompt.messages()[0].buttons, PromptButtons::OkCancel);

  prompt.QueueAnswer(PromptAnswer::Ok);
  EXPECT_TRUE(s.NewDocument(file.string()));
  EXPECT_EQ(s.Document(), file.string());
  s.Clear();
  EXPECT_EQ(testing::ReadFileBytes(file), "keep me");  // opening destroys nothing
}

TEST(RvSystemDocument, UnopenableFileIsAnIoError) {
  testing::ScopedRecordingPrompt prompt;
  testing::TempDir dir;
  RvSystem s;
  try {
    s.NewDocument((dir / "no-such-folder" / "x.dat").string());
    FAIL() << "expected an error";
  } catch (const RvError& e) {
    EXPECT_EQ(e.kind(), RvErrorKind::Io);
  }
  EXPECT_EQ(s.Document(), "");
}

}  // namespace
}  // namespace ovix
