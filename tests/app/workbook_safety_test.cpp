// A user's workbook through whole conversion runs (the run the window and
// the command line share): it comes back with the drawing added and nothing
// else changed, keeps its identity on disk (link, owner, mode, hard links),
// is refused while another application has it open or when it is read-only,
// and every failure says which file and why.
#include <gtest/gtest.h>
#include <grp.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <csignal>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <chrono>
#include <random>
#include <regex>
#include <thread>
#include <set>

#include "app/conversion_run.h"
#include "excel/excel_automation.h"
#include "model/rv_document.h"
#include "tests/app/dxf_test_files.h"
#include "tests/app/interrupted_conversion.h"
#include "tests/app/recording_run_view.h"
#include "tests/app/small_drawing_run.h"
#include "tests/support/recording_prompt.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/package_reader.h"
#include "workbook/workbook_engine.h"

namespace ovix::testing {
namespace {

namespace fs = std::filesystem;

// The parts a drawing may change: the sheet "Sheet1", its relationships, its
// drawing and the content types.
struct TargetParts {
  std::string sheet, rels, drawing;
};

std::string Attribute(const std::string& element, const std::string& name) {
  const std::regex pattern("\\b" + name + "=\"([^\"]*)\"");
  std::smatch m;
  return std::regex_search(element, m, pattern) ? m[1].str() : std::string();
}

// The relationship target `id` of a relationships part, resolved against `folder`.
std::string RelationshipTarget(const std::string& rels, const std::string& id,
                               const std::string& folder) {
  const std::regex element("<Relationship [^>]*>");
  for (auto it = std::sregex_iterator(rels.begin(), rels.end(), element);
       it != std::sregex_iterator(); ++it) {
    const std::string e = it->str();
    if (Attribute(e, "Id") != id) continue;
    const std::string target = Attribute(e, "Target");
    if (!target.empty() && target[0] == '/') return target.substr(1);
    return fs::path(folder + target).lexically_normal().generic_string();
  }
  return {};
}

TargetParts PartsOfSheet1(const std::map<std::string, std::string>& parts) {
  TargetParts t;
  const std::string& book = parts.at("xl/workbook.xml");
  const std::regex sheet("<sheet [^>]*name=\"Sheet1\"[^>]*>");
  std::smatch m;
  if (!std::regex_search(book, m, sheet)) return t;
  t.sheet = RelationshipTarget(parts.at("xl/_rels/workbook.xml.rels"), Attribute(m.str(), "r:id"),
                               "xl/");
  t.rels = "xl/worksheets/_rels/" + fs::path(t.sheet).filename().string() + ".rels";
  const auto sheet_xml = parts.find(t.sheet);
  const auto rels = parts.find(t.rels);
  if (sheet_xml == parts.end() || rels == parts.end()) return t;
  std::smatch d;
  if (std::regex_search(sheet_xml->second, d, std::regex("<drawing [^>]*>"))) {
    t.drawing = RelationshipTarget(rels->second, Attribute(d.str(), "r:id"), "xl/worksheets/");
  }
  return t;
}

// Every anchor of a drawing part, as written.
std::vector<std::string> Anchors(const std::string& drawing) {
  std::vector<std::string> anchors;
  const std::regex anchor(
      "<(\\w+:)?(twoCellAnchor|oneCellAnchor|absoluteAnchor)\\b[\\s\\S]*?</\\1\\2>");
  for (auto it = std::sregex_iterator(drawing.begin(), drawing.end(), anchor);
       it != std::sregex_iterator(); ++it) {
    anchors.push_back(it->str());
  }
  return anchors;
}

class WorkbookSafety : public SmallDrawingRun {
 protected:
  // The names of the shapes on Sheet1 of a saved workbook, with their
  // positions in points.
  struct Placed {
    std::string name;
    double left, top;
  };
  static std::vector<Placed> ShapesOf(const fs::path& xlsx) {
    auto app = workbook::CreateApplication();
    app->Workbooks()->Open(xlsx.string());
    auto shapes = app->Worksheets()->Item("Sheet1")->Shapes();
    std::vector<Placed> placed;
    for (int32_t i = 1; i <= shapes->Count(); ++i) {
      auto s = shapes->Item(i);
      placed.push_back({s->Name(), s->Left(), s->Top()});
    }
    app->Quit();
    return placed;
  }

  // Checks what a run into `xlsx` (a copy of `original`) may and may not
  // have changed.
  void ExpectOnlyTheDrawingAdded(const fs::path& original, const fs::path& xlsx,
                                 std::size_t drawn_top_level) {
    const auto before = ReadPackage(original);
    const auto after = ReadPackage(xlsx);
    const TargetParts target = PartsOfSheet1(after);
    ASSERT_FALSE(target.sheet.empty());
    ASSERT_FALSE(target.drawing.empty());
    for (const auto& [name, bytes] : before) {
      if (name == target.sheet || name == target.rels || name == target.drawing ||
          name == "[Content_Types].xml") {
        continue;
      }
      SCOPED_TRACE(name);
      ASSERT_TRUE(after.count(name));
      EXPECT_TRUE(after.at(name) == bytes) << "the part changed";
    }
    // Every anchor that was there is there byte for byte.
    const std::string new_drawing = after.at(target.drawing);
    if (before.count(target.drawing)) {
      for (const std::string& anchor : Anchors(before.at(target.drawing))) {
        EXPECT_NE(new_drawing.find(anchor), std::string::npos) << anchor;
      }
    }
    // The new shapes are on the first page (A4 portrait by default).
    std::set<std::string> earlier;
    if (before.count(target.drawing)) {
      for (const Placed& p : ShapesOfPackage(original)) earlier.insert(p.name);
    }
    std::size_t drawn = 0;
    for (const Placed& p : ShapesOf(xlsx)) {
      if (earlier.count(p.name)) continue;
      ++drawn;
      SCOPED_TRACE(p.name);
      EXPECT_GE(p.left, 0);
      EXPECT_LT(p.left, 600);
      EXPECT_GE(p.top, 0);
      EXPECT_LT(p.top, 850);
    }
    EXPECT_EQ(drawn, drawn_top_level);
  }
  static std::vector<Placed> ShapesOfPackage(const fs::path& xlsx) {
    return PartsOfSheet1(ReadPackage(xlsx)).drawing.empty() ? std::vector<Placed>{}
                                                            : ShapesOf(xlsx);
  }

  // A workbook the engine made: a text box and a line away from A1.
  fs::path EngineWorkbook() {
    const fs::path path = dir / "engine-made.xlsx";
    auto app = workbook::CreateApplication();
    auto book = app->Workbooks()->Add();
    auto shapes = app->Worksheets()->Item("Sheet1")->Shapes();
    shapes->AddTextbox(excel::kOrientationHorizontal, 250, 140, 120, 40);
    shapes->AddLine(300, 300, 420, 360);
    book->SaveAs(path.string());
    app->Quit();
    return path;
  }
};

TEST_F(WorkbookSafety, RealWorkbooksGetTheDrawingAndKeepEverythingElse) {
  std::vector<fs::path> originals;
  for (const char* name : {"jmcnamara__XlsxWriter__textbox01.xlsx",     // a text box at E9
                           "MathNya__umya-spreadsheet__aaa.xlsx",       // a chart and shapes
                           "MathNya__umya-spreadsheet__issue_189.xlsx"  // a form control
       }) {
    const auto path = SharedPath(std::string("ooxml-reference/xlsx/") + name);
    if (!path) GTEST_SKIP() << "shared input not found: ooxml-reference/xlsx/" << name;
    originals.push_back(*path);
  }
  originals.push_back(EngineWorkbook());
  for (const bool group : {false, true}) {
    for (const fs::path& original : originals) {
      SCOPED_TRACE(original.filename().string() + (group ? " grouped" : " ungrouped"));
      const fs::path copy = dir / ("copy-" + original.filename().string());
      fs::copy_file(original, copy, fs::copy_options::overwrite_existing);
      fs::permissions(copy, fs::perms::owner_write, fs::perm_options::add);  // the shared copies are read-only
      options.Group = group;
      const RunResult result = RunInto(copy);
      ASSERT_TRUE(result.Succeeded()) << result.Detail;
      // Grouped, the drawing is one shape; otherwise its two lines and circle.
      ExpectOnlyTheDrawingAdded(original, copy, group ? 1 : 3);

      // A second drawing leaves the first where it was.
      const fs::path first = dir / "first.xlsx";
      fs::copy_file(copy, first, fs::copy_options::overwrite_existing);
      ASSERT_TRUE(RunInto(copy).Succeeded());
      ExpectOnlyTheDrawingAdded(first, copy, group ? 1 : 3);
      EXPECT_TRUE(prompt.texts().empty());
    }
  }
}

TEST_F(WorkbookSafety, ASymbolicLinkIsWrittenThroughAndStaysALink) {
  fs::create_directory(dir / "real");
  const fs::path target = dir / "real" / "book.xlsx", link = dir / "link.xlsx";
  ASSERT_TRUE(RunInto(target).Succeeded());
  fs::create_symlink("real/book.xlsx", link);
  ASSERT_TRUE(RunInto(link).Succeeded());
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ShapesOf(target).size(), 6u);
  // A dangling link makes its target.
  const fs::path dangling = dir / "new-link.xlsx";
  fs::create_symlink("real/new.xlsx", dangling);
  ASSERT_TRUE(RunInto(dangling).Succeeded());
  EXPECT_TRUE(fs::is_symlink(dangling));
  EXPECT_EQ(ShapesOf(dir / "real" / "new.xlsx").size(), 3u);
  // Nothing else beside the links or the targets.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "real"), fs::directory_iterator()), 2);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 4);
}

TEST_F(WorkbookSafety, OwnerGroupModeAndHardLinksAreKept) {
  const fs::path book = dir / "book.xlsx", alias = dir / "alias.xlsx";
  ASSERT_TRUE(RunInto(book).Succeeded());
  ASSERT_EQ(::chmod(book.c_str(), 0640), 0);
  const passwd* nobody = ::getpwnam("nobody");
  const bool can_chown = geteuid() == 0 && nobody != nullptr;
  if (can_chown) ASSERT_EQ(::chown(book.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
  struct stat before {};
  ASSERT_EQ(::stat(book.c_str(), &before), 0);
  ASSERT_TRUE(RunInto(book).Succeeded());
  struct stat after {};
  ASSERT_EQ(::stat(book.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
  if (!can_chown) std::cout << "owner not changed (not run as root): only the mode was checked\n";

  // Both names of a hard-linked workbook see the new drawing.
  fs::create_hard_link(book, alias);
  ASSERT_TRUE(RunInto(alias).Succeeded()) << ::testing::PrintToString(prompt.texts());
  EXPECT_EQ(fs::hard_link_count(book), 2u);
  EXPECT_TRUE(fs::equivalent(book, alias));
  EXPECT_EQ(ShapesOf(book).size(), 9u);
  struct stat linked {};
  ASSERT_EQ(::stat(book.c_str(), &linked), 0);
  EXPECT_EQ(linked.st_mode & 07777, 0640u);
  EXPECT_EQ(linked.st_uid, before.st_uid);
}

TEST_F(WorkbookSafety, AReadOnlyWorkbookIsRefusedAndLeftAsItWas) {
  const fs::path book = dir / "book.xlsx";
  ASSERT_TRUE(RunInto(book).Succeeded());
  ASSERT_EQ(::chmod(book.c_str(), 0444), 0);
  const std::string bytes = ReadFileBytes(book);
  prompt.clear();
  const RunResult result = RunInto(book);
  EXPECT_FALSE(result.ExcelOk);
  EXPECT_FALSE(result.WorkbookSaved);
  EXPECT_EQ(ReadFileBytes(book), bytes);
  ASSERT_FALSE(prompt.texts().empty());
  // Refused before anything is drawn.
  EXPECT_EQ(prompt.texts().back(), "Excelの実行に問題が発生しました\r\nExcelの状態をご確認ください"
                                   "\r\n\r\n読み取り専用のため書き込めません\r\n" +
                                       book.string() + "（Permission denied）");
  EXPECT_EQ(std::count(view.statuses.begin(), view.statuses.end(), kStatusDrawingLines), 1);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

TEST_F(WorkbookSafety, AWorkbookOpenInAnotherApplicationIsRefusedUntouched) {
  const fs::path book = dir / "book.xlsx";
  ASSERT_TRUE(RunInto(book).Succeeded());
  const std::string bytes = ReadFileBytes(book);
  const fs::path office = dir / ".~lock.book.xlsx#", owner = dir / "~$book.xlsx";
  const std::string office_text = ",someone,their-pc,08.12.2026 09:00,file:///home/someone/.config;";
  for (const fs::path& lock : {office, owner}) {
    SCOPED_TRACE(lock.filename().string());
    WriteFileBytes(lock, lock == office ? office_text : std::string("\x07someone", 8));
    const std::string lock_bytes = ReadFileBytes(lock);
    prompt.clear();
    const RunResult result = RunInto(book);
    EXPECT_FALSE(result.ExcelOk);
    EXPECT_FALSE(result.WorkbookSaved);
    EXPECT_EQ(ReadFileBytes(book), bytes);
    EXPECT_EQ(ReadFileBytes(lock), lock_bytes);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{
                                  "Excelの実行に問題が発生しました\r\nExcelの状態をご確認ください"
                                  "\r\n\r\nブックは他のアプリケーションで開かれています\r\n" +
                                  book.string() + "\r\nロックファイル: " + lock.string()});
    fs::remove(lock);
  }
  // A long name's owner file drops its first two characters.
  const fs::path long_book = dir / "drawing-sheet.xlsx";
  ASSERT_TRUE(RunInto(long_book).Succeeded());
  WriteFileBytes(dir / "~$awing-sheet.xlsx", "x");
  EXPECT_FALSE(RunInto(long_book).ExcelOk);
  fs::remove(dir / "~$awing-sheet.xlsx");

  // A lock file of ours that a killed run left is taken over and removed.
  WriteFileBytes(office, "Ovix,root,host,08.12.2026 09:00,ovix:pid=999999;");
  EXPECT_TRUE(RunInto(book).Succeeded());
  EXPECT_FALSE(fs::exists(office));
}

TEST_F(WorkbookSafety, OurLockFileIsBesideTheWorkbookWhileItIsWritten) {
  const fs::path book = dir / "book.xlsx";
  struct Watching : RecordingRunView {
    fs::path lock;
    std::string seen;
    void ShowStatus(const std::string& text) override {
      if (text == kStatusSavingWorkbook && fs::exists(lock)) seen = ReadFileBytes(lock);
      RecordingRunView::ShowStatus(text);
    }
  } watching;
  watching.lock = dir / ".~lock.book.xlsx#";
  ConversionRun run(document, watching);
  ASSERT_TRUE(run.Run(dxf.string(), book.string(), options).Succeeded());
  // In the form the spreadsheet applications read: five fields and ";".
  EXPECT_EQ(std::count(watching.seen.begin(), watching.seen.end(), ','), 4) << watching.seen;
  EXPECT_EQ(watching.seen.rfind("Ovix,", 0), 0u);
  EXPECT_FALSE(fs::exists(watching.lock));
}

TEST_F(WorkbookSafety, TwoConversionsIntoOneWorkbookKeepBothDrawings) {
  // Two processes at once (the command line run twice): the second waits
  // for the first and then draws into what it saved.
  const fs::path book = dir / "book.xlsx";
  WriteTestDxf(dxf, [] {
    std::string lines;
    for (int i = 0; i < 3000; ++i) lines += DxfLine(0, i, 100, i);
    return lines;
  }());
  std::vector<pid_t> children;
  for (int i = 0; i < 2; ++i) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::execl(OVIX_CONVERT_PATH, OVIX_CONVERT_PATH, dxf.c_str(), book.c_str(), "--overwrite",
              "--group", static_cast<char*>(nullptr));
      _exit(127);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  // Each run grouped its own drawing: two groups.
  EXPECT_EQ(ShapesOf(book).size(), 2u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

TEST_F(WorkbookSafety, FailuresSayWhichFileAndWhy) {
  // A missing output folder: nothing is drawn, the message names the folder.
  const fs::path nowhere = dir / "no-such-folder" / "book.xlsx";
  EXPECT_FALSE(RunInto(nowhere).ExcelOk);
  ASSERT_EQ(prompt.texts().size(), 1u);
  EXPECT_EQ(prompt.texts()[0], "Excelの実行に問題が発生しました\r\nExcelの状態をご確認ください"
                               "\r\n\r\n保存先のフォルダがありません\r\n" +
                                   (dir / "no-such-folder").string() +
                                   "（No such file or directory）");
  EXPECT_FALSE(fs::exists(dir / "no-such-folder"));

  // A truncated workbook is not opened, and stays as it is.
  const fs::path book = dir / "book.xlsx";
  ASSERT_TRUE(RunInto(book).Succeeded());
  std::string bytes = ReadFileBytes(book);
  bytes.resize(bytes.size() / 2);
  WriteFileBytes(book, bytes);
  prompt.clear();
  EXPECT_FALSE(RunInto(book).ExcelOk);
  ASSERT_FALSE(prompt.texts().empty());
  EXPECT_NE(prompt.texts().back().find("ブックのファイルが壊れているか途中で切れています\r\n" +
                                       book.string()),
            std::string::npos)
      << prompt.texts().back();
  EXPECT_EQ(ReadFileBytes(book), bytes);
}

TEST_F(WorkbookSafety, AFullDiskIsNamedAndTheWorkbookKept) {
  const fs::path small = dir / "small";
  fs::create_directory(small);
  if (::mount("tmpfs", small.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=262144") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here (not root?)";
  }
  struct Unmount {
    fs::path where;
    ~Unmount() { ::umount2(where.c_str(), MNT_DETACH); }
  } unmount{small};
  const fs::path book = small / "book.xlsx";
  ASSERT_TRUE(RunInto(book).Succeeded());
  const std::string bytes = ReadFileBytes(book);
  WriteTestDxf(dxf, [] {
    std::string lines;
    for (int i = 0; i < 8000; ++i) lines += DxfLine(i % 91, i, 100 + i % 37, i * 1.5);
    return lines;
  }());
  prompt.clear();
  const RunResult result = RunInto(book);
  EXPECT_FALSE(result.ExcelOk);
  EXPECT_FALSE(result.WorkbookSaved);
  EXPECT_EQ(ReadFileBytes(book), bytes);
  EXPECT_EQ(std::distance(fs::directory_iterator(small), fs::directory_iterator()), 1);
  EXPECT_EQ(prompt.texts(), std::vector<std::string>{
                                "Excelのブックを保存できませんでした\r\n\r\n"
                                "ディスクの空き容量が不足しているため保存できません\r\n" +
                                book.string() + "（No space left on device）"});
  EXPECT_EQ(view.statuses.back(), kStatusExcelFailed);
}

TEST_F(WorkbookSafety, NamesUpToTheFileSystemLimitSave) {
  // 255 bytes: 83 Japanese characters of three bytes each, "a" and ".xlsx".
  std::string name;
  for (int i = 0; i < 83; ++i) name += "図";
  name += "a.xlsx";
  ASSERT_EQ(name.size(), 255u);
  const fs::path book = dir / name;
  ASSERT_TRUE(RunInto(book).Succeeded()) << (prompt.texts().empty() ? "" : prompt.texts()[0]);
  ASSERT_TRUE(RunInto(book).Succeeded());
  EXPECT_EQ(ShapesOf(book).size(), 6u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

TEST_F(WorkbookSafety, AnInterruptedSaveLeavesTheOldOrTheNewWorkbookAndNoTemporaryFile) {
  const fs::path book = dir / "book.xlsx";
  ASSERT_TRUE(RunInto(book).Succeeded());  // the old workbook: three shapes
  const std::string old_bytes = ReadFileBytes(book);
  constexpr int kLines = 20000;
  const fs::path big = dir / "big.dxf";
  WriteTestDxf(big, [] {
    std::string lines;
    for (int i = 0; i < kLines; ++i) lines += DxfLine(0, i, 100 + i % 7, i);
    return lines;
  }());
  auto is_new = [&](const std::string& bytes) {
    WriteFileBytes(dir.path().parent_path() / (dir.path().filename().string() + "-check.xlsx"),
                   bytes);
    const fs::path check = dir.path().parent_path() / (dir.path().filename().string() + "-check.xlsx");
    bool ok = false;
    try {
      ok = ShapesOf(check).size() == 3u + kLines;
    } catch (const std::exception&) {
    }
    fs::remove(check);
    return ok;
  };

  // How long a save takes here, to spread the interrupts over it.
  const double save_seconds = ConvertAndInterrupt(big, book, 0, std::chrono::microseconds(-1));
  ASSERT_TRUE(is_new(ReadFileBytes(book)));
  std::cout << "[ NOTE ] saving " << kLines << " lines takes " << save_seconds << " s\n";

  std::mt19937 random(20261208);
  int old_seen = 0, new_seen = 0;
  for (int i = 0; i < 20; ++i) {
    WriteFileBytes(book, old_bytes);
    const int signal = i % 4 == 1 ? SIGTERM : i % 4 == 3 ? SIGINT : SIGKILL;
    const auto delay = std::chrono::microseconds(
        std::uniform_int_distribution<int64_t>(0, static_cast<int64_t>(save_seconds * 1.1e6))(random));
    SCOPED_TRACE("interrupt " + std::to_string(i) + " signal " + std::to_string(signal) +
                 " after " + std::to_string(delay.count()) + " us");
    ConvertAndInterrupt(big, book, signal, delay);
    const std::string bytes = ReadFileBytes(book);
    if (bytes == old_bytes) {
      ++old_seen;
    } else {
      EXPECT_TRUE(is_new(bytes)) << "neither the old nor the complete new workbook";
      ++new_seen;
    }
    ExpectNothingLeftBehind(dir.path(), "book.xlsx", signal);
  }
  std::cout << "[ NOTE ] interrupted saves: " << old_seen << " left the old workbook, " << new_seen
            << " the new one\n";
  // A run after them all takes over a lock file a killed run left and
  // removes the name of a new file it stranded.
  ASSERT_TRUE(RunInto(book).Succeeded());
  ExpectNoLockOrTemporaryFile(dir.path(), "book.xlsx");
}

}  // namespace
}  // namespace ovix::testing
