// A user's legacy .xls workbook through whole conversion runs: a drawing that
// cannot be read leaves it alone (bytes and modification time), an
// interrupted save leaves the old or the complete new workbook and nothing
// beside it, a full disk keeps the old one, and a workbook another
// application has open is refused with the lock file named.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <csignal>
#include <filesystem>
#include <iostream>
#include <random>

#include "app/conversion_run.h"
#include "excel/excel_automation.h"
#include "model/rv_document.h"
#include "tests/app/dxf_test_files.h"
#include "tests/app/interrupted_conversion.h"
#include "tests/app/recording_run_view.h"
#include "tests/app/small_drawing_run.h"
#include "tests/support/recording_prompt.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/xls/xls_file_reader.h"
#include "tests/workbook/xls/xls_record_diff.h"
#include "workbook/workbook_engine.h"

namespace ovix::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kExcelFailed = "Excelの実行に問題が発生しました\r\nExcelの状態をご確認ください\r\n\r\n";

class XlsWorkbookSafety : public SmallDrawingRun {
 protected:
  // A writable copy of a reference workbook (the shared ones are read-only).
  std::optional<fs::path> Reference(const std::string& name, const fs::path& to) {
    const auto path = SharedPath("xls-reference/" + name);
    if (!path) return std::nullopt;
    fs::copy_file(*path, to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
    return to;
  }

  // Shapes on "Sheet1" as the engine reads the saved file; -1 when it cannot
  // be opened.
  static int ShapeCount(const fs::path& xls) {
    auto app = workbook::CreateApplication();
    int count = -1;
    try {
      app->Workbooks()->Open(xls.string());
      count = app->Worksheets()->Item("Sheet1")->Shapes()->Count();
    } catch (const excel::AutomationError&) {
    }
    app->Quit();
    return count;
  }

  static std::size_t Entries(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
  }
};

TEST_F(XlsWorkbookSafety, RealWorkbooksGetTheDrawingAndKeepTheirShapesWhereTheyAre) {
  // The shapes already on the sheet are in its Shapes collection now; the
  // run moves and groups only its own.
  for (const bool group : {false, true}) {
    for (const char* name : {"GNOME__gnumeric__objs.xls", "apache__poi__45129.xls",
                             "apache__poi__DrawingAndComments.xls", "apache__poi__Simple.xls"}) {
      SCOPED_TRACE(std::string(name) + (group ? " grouped" : ""));
      const auto book = Reference(name, dir / name);
      if (!book) GTEST_SKIP() << "shared input not found: xls-reference/" << name;
      options.Group = group;
      for (int run = 0; run < 2; ++run) {
        const std::string before = xls::ReadCompoundFile(ReadFileBytes(*book)).streams.at(u"Workbook");
        ASSERT_TRUE(RunInto(*book).Succeeded()) << ::testing::PrintToString(prompt.texts());
        const std::string after = xls::ReadCompoundFile(ReadFileBytes(*book)).streams.at(u"Workbook");
        for (const std::string& d : DiffWorkbookRecords(before, after, {0, true, true})) ADD_FAILURE() << d;
        const DrawingSummary was = SummariseDrawing(before, 0), now = SummariseDrawing(after, 0);
        ASSERT_GE(now.anchors.size(), was.anchors.size());
        EXPECT_TRUE(std::equal(was.anchors.begin(), was.anchors.end(), now.anchors.begin()))
            << "an earlier shape moved";
        EXPECT_EQ(now.anchors.size() - was.anchors.size(), group ? 1u : 3u);
      }
    }
  }
  EXPECT_TRUE(prompt.texts().empty());
}

TEST_F(XlsWorkbookSafety, ADrawingThatCannotBeReadLeavesTheWorkbookAndItsTimeAlone) {
  const auto book = Reference("GNOME__gnumeric__objs.xls", dir / "objs.xls");
  if (!book) GTEST_SKIP() << "shared input not found: xls-reference/GNOME__gnumeric__objs.xls";
  const std::string before = ReadFileBytes(*book);
  // A time well in the past, so that any write would show.
  const auto modified = fs::last_write_time(*book) - std::chrono::hours(24);
  fs::last_write_time(*book, modified);
  WriteFileBytes(dir / "empty.dxf", "");
  WriteFileBytes(dir / "text.dxf", "これは図面ではありません\nhello\n");
  fs::create_directory(dir / "folder.dxf");
  for (const char* input : {"missing.dxf", "empty.dxf", "text.dxf", "folder.dxf"}) {
    SCOPED_TRACE(input);
    prompt.clear();
    view.statuses.clear();
    ConversionRun run(document, view);
    const RunResult result = run.Run((dir / input).string(), book->string(), options);
    EXPECT_FALSE(result.DxfOk);
    EXPECT_FALSE(result.WorkbookSaved);
    EXPECT_EQ(view.statuses.back(), kStatusWorkbookUntouched);
    EXPECT_EQ(std::count(view.statuses.begin(), view.statuses.end(), kStatusStartingExcel), 0);
    ASSERT_EQ(prompt.texts().size(), 1u);
    EXPECT_NE(prompt.texts()[0].find("\r\n" + (dir / input).string()), std::string::npos) << prompt.texts()[0];
    EXPECT_EQ(ReadFileBytes(*book), before);
    EXPECT_EQ(fs::last_write_time(*book), modified);
  }
  // The drawings, the workbook and nothing else (no lock, no temporary).
  EXPECT_EQ(Entries(dir.path()), 5u);
}

TEST_F(XlsWorkbookSafety, AnInterruptedSaveLeavesTheOldOrTheNewWorkbookAndNoTemporaryFile) {
  const auto book = Reference("GNOME__gnumeric__objs.xls", dir / "book.xls");
  if (!book) GTEST_SKIP() << "shared input not found: xls-reference/GNOME__gnumeric__objs.xls";
  const std::string old_bytes = ReadFileBytes(*book);
  // Top-level shapes of "Sheet1" (the first sheet), read from the records.
  auto top_level = [](const fs::path& xls) { return xls::ReadSheetDrawing(xls::ReadXlsFile(xls).sheets.at(0)).shapes.size(); };
  const std::size_t old_count = top_level(*book);
  ASSERT_GT(old_count, 0u);
  const auto old_streams = xls::ReadCompoundFile(old_bytes).streams;
  constexpr int kLines = 20000;
  const fs::path big = dir / "big.dxf";
  WriteTestDxf(big, [] {
    std::string lines;
    for (int i = 0; i < kLines; ++i) lines += DxfLine(0, i, 100 + i % 7, i);
    return lines;
  }());
  // The complete new workbook: every stream but Workbook as it was, and the
  // old shapes with every new line on "Sheet1".
  const fs::path check = dir.path().parent_path() / (dir.path().filename().string() + "-check.xls");
  auto is_new = [&](const std::string& bytes) {
    bool ok = false;
    try {
      auto streams = xls::ReadCompoundFile(bytes).streams;
      ok = streams.size() == old_streams.size();
      for (const auto& [name, data] : old_streams) {
        if (name != u"Workbook") ok = ok && streams.count(name) && streams.at(name) == data;
      }
    } catch (const std::exception&) {
      return false;
    }
    WriteFileBytes(check, bytes);
    ok = ok && top_level(check) == old_count + kLines && ShapeCount(check) >= 0;
    fs::remove(check);
    return ok;
  };

  const double save_seconds = ConvertAndInterrupt(big, *book, 0, std::chrono::microseconds(-1));
  ASSERT_TRUE(is_new(ReadFileBytes(*book)));
  std::cout << "[ NOTE ] saving " << kLines << " lines into an .xls takes " << save_seconds << " s\n";

  std::mt19937 random(20261208);
  int old_seen = 0, new_seen = 0;
  std::map<int, std::pair<int, int>> by_signal;  // signal -> (old, new)
  for (int i = 0; i < 20; ++i) {
    WriteFileBytes(*book, old_bytes);
    const int signal = i % 4 == 1 ? SIGTERM : i % 4 == 3 ? SIGINT : SIGKILL;
    const auto delay = std::chrono::microseconds(
        std::uniform_int_distribution<int64_t>(0, static_cast<int64_t>(save_seconds * 1.1e6))(random));
    SCOPED_TRACE("interrupt " + std::to_string(i) + " signal " + std::to_string(signal) + " after " +
                 std::to_string(delay.count()) + " us");
    ConvertAndInterrupt(big, *book, signal, delay);
    const std::string bytes = ReadFileBytes(*book);
    if (bytes == old_bytes) {
      ++old_seen;
      ++by_signal[signal].first;
    } else {
      EXPECT_TRUE(is_new(bytes)) << "neither the old nor the complete new workbook";
      ++new_seen;
      ++by_signal[signal].second;
    }
    ExpectNothingLeftBehind(dir.path(), "book.xls", signal);
  }
  std::cout << "[ NOTE ] interrupted .xls saves: " << old_seen << " left the old workbook, " << new_seen
            << " the new one (SIGKILL " << by_signal[SIGKILL].first << "/" << by_signal[SIGKILL].second
            << ", SIGTERM " << by_signal[SIGTERM].first << "/" << by_signal[SIGTERM].second << ", SIGINT "
            << by_signal[SIGINT].first << "/" << by_signal[SIGINT].second << " old/new)\n";
  WriteFileBytes(*book, old_bytes);
  ASSERT_TRUE(RunInto(*book).Succeeded());
  ExpectNoLockOrTemporaryFile(dir.path(), "book.xls");
  EXPECT_EQ(top_level(*book), old_count + 3);
}

TEST_F(XlsWorkbookSafety, AFullDiskIsNamedAndTheWorkbookKept) {
  const fs::path small = dir / "small";
  fs::create_directory(small);
  const auto book = Reference("GNOME__gnumeric__objs.xls", small / "objs.xls");
  if (!book) GTEST_SKIP() << "shared input not found: xls-reference/GNOME__gnumeric__objs.xls";
  fs::remove(*book);
  // Room for the workbook (217 KiB) and a little more, not for a second copy.
  if (::mount("tmpfs", small.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=393216") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here (not root?)";
  }
  struct Unmount {
    fs::path where;
    ~Unmount() { ::umount2(where.c_str(), MNT_DETACH); }
  } unmount{small};
  ASSERT_TRUE(Reference("GNOME__gnumeric__objs.xls", *book));
  const std::string bytes = ReadFileBytes(*book);
  const int count = ShapeCount(*book);
  for (const int lines : {3, 8000}) {
    SCOPED_TRACE(lines);
    prompt.clear();
    WriteTestDxf(dxf, [&] {
      std::string text;
      for (int i = 0; i < lines; ++i) text += DxfLine(i % 91, i, 100 + i % 37, i * 1.5);
      return text;
    }());
    const RunResult result = RunInto(*book);
    EXPECT_FALSE(result.ExcelOk);
    EXPECT_FALSE(result.WorkbookSaved);
    EXPECT_EQ(ReadFileBytes(*book), bytes);
    EXPECT_EQ(Entries(small), 1u);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"Excelのブックを保存できませんでした\r\n\r\n"
                                                       "ディスクの空き容量が不足しているため保存できません\r\n" +
                                                       book->string() + "（No space left on device）"});
    EXPECT_EQ(view.statuses.back(), kStatusExcelFailed);
  }
  // The space is free again: a small drawing into a smaller workbook saves.
  ASSERT_TRUE(Reference("apache__poi__Simple.xls", small / "simple.xls"));
  WriteTestDxf(dxf, DxfLine(0, 0, 200, 0));
  ASSERT_TRUE(RunInto(small / "simple.xls").Succeeded());
  EXPECT_EQ(ReadFileBytes(*book), bytes);
  EXPECT_EQ(ShapeCount(*book), count);
}

TEST_F(XlsWorkbookSafety, AWorkbookOpenInAnotherApplicationIsRefusedUntouched) {
  const auto book = Reference("apache__poi__SheetWithDrawing.xls", dir / "book.xls");
  if (!book) GTEST_SKIP() << "shared input not found: xls-reference/apache__poi__SheetWithDrawing.xls";
  const std::string bytes = ReadFileBytes(*book);
  const auto modified = fs::last_write_time(*book) - std::chrono::hours(24);
  fs::last_write_time(*book, modified);
  const fs::path office = dir / ".~lock.book.xls#", owner = dir / "~$book.xls";
  for (const fs::path& lock : {office, owner}) {
    SCOPED_TRACE(lock.filename().string());
    WriteFileBytes(lock, lock == office ? std::string(",someone,their-pc,08.12.2026 09:00,file:///home/someone;")
                                        : std::string("\x07someone", 8));
    const std::string lock_bytes = ReadFileBytes(lock);
    prompt.clear();
    const RunResult result = RunInto(*book);
    EXPECT_FALSE(result.ExcelOk);
    EXPECT_FALSE(result.WorkbookSaved);
    EXPECT_EQ(ReadFileBytes(*book), bytes);
    EXPECT_EQ(fs::last_write_time(*book), modified);
    EXPECT_EQ(ReadFileBytes(lock), lock_bytes);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{std::string(kExcelFailed) +
                                                       "ブックは他のアプリケーションで開かれています\r\n" +
                                                       book->string() + "\r\nロックファイル: " + lock.string()});
    EXPECT_EQ(Entries(dir.path()), 3u);
    fs::remove(lock);
  }
  // Without the locks the drawing goes in, and our own lock file is gone.
  ASSERT_TRUE(RunInto(*book).Succeeded());
  EXPECT_NE(ReadFileBytes(*book), bytes);
  EXPECT_EQ(Entries(dir.path()), 2u);
}

}  // namespace
}  // namespace ovix::testing
