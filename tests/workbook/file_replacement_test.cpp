// Replacing a file safely, whatever its format: a full file system, a writer
// that fails midway, links and hard links, and the workbook lock that makes
// writers take turns.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <random>
#include <stdexcept>
#include <thread>

#include "excel/excel_automation.h"
#include "tests/support/shared_files.h"
#include "workbook/file_replacement.h"
#include "workbook/workbook_engine.h"
#include "workbook/workbook_lock.h"

namespace {

namespace fs = std::filesystem;
using namespace ovix::testing;
using ovix::workbook::FileAccessError;
using ovix::workbook::FileFault;
using ovix::workbook::FileSink;
using ovix::workbook::ReplaceFile;
using ovix::workbook::WorkbookLock;

std::size_t FilesIn(const fs::path& folder) {
  return static_cast<std::size_t>(
      std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Bytes that do not compress.
std::string Noise(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

void Replace(const fs::path& path, const std::string& bytes) {
  ReplaceFile(path, [&](FileSink& sink) { sink.Write(bytes.data(), bytes.size()); });
}

FileFault FaultOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const FileAccessError& e) {
    return e.fault();
  }
  ADD_FAILURE() << "no FileAccessError";
  return FileFault::Other;
}

// A small file system of its own where the platform lets the test mount one
// (as root); otherwise nothing, and the test says so.
class SmallFileSystem {
 public:
  SmallFileSystem(const fs::path& where, std::size_t bytes) : where_(where) {
    fs::create_directory(where_);
    mounted_ = ::mount("tmpfs", where_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                       ("size=" + std::to_string(bytes)).c_str()) == 0;
  }
  ~SmallFileSystem() {
    if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  uint64_t FreeBlocks() const {
    struct statvfs st {};
    ::statvfs(where_.c_str(), &st);
    return st.f_bfree;
  }

 private:
  fs::path where_;
  bool mounted_ = false;
};

TEST(FileReplacement, AFullFileSystemLeavesTheOldFileAndNothingElse) {
  TempDir dir;
  SmallFileSystem small(dir / "small", 256 * 1024);
  if (!small.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here (not root?)";
  const fs::path book = dir / "small" / "book.xlsx", alias = dir / "small" / "alias.xlsx";
  const std::string old_bytes = Noise(40 * 1024, 1);
  Replace(book, old_bytes);
  const uint64_t free_before = small.FreeBlocks();

  // Replacing it with more than there is room for.
  EXPECT_EQ(FaultOf([&] { Replace(book, Noise(300 * 1024, 2)); }), FileFault::DiskFull);
  EXPECT_EQ(ReadFileBytes(book), old_bytes);
  EXPECT_EQ(FilesIn(dir / "small"), 1u);
  EXPECT_EQ(small.FreeBlocks(), free_before);

  // A new file that does not fit never appears.
  EXPECT_EQ(FaultOf([&] { Replace(dir / "small" / "new.xlsx", Noise(300 * 1024, 3)); }),
            FileFault::DiskFull);
  EXPECT_FALSE(fs::exists(dir / "small" / "new.xlsx"));

  // A hard-linked file is rewritten in place only when the space is there:
  // the new bytes fit beside it (150 KiB), but not twice over.
  fs::create_hard_link(book, alias);
  EXPECT_EQ(FaultOf([&] { Replace(alias, Noise(150 * 1024, 4)); }), FileFault::DiskFull);
  EXPECT_EQ(ReadFileBytes(book), old_bytes);
  EXPECT_EQ(FilesIn(dir / "small"), 2u);
  // Smaller new bytes fit and both names see them.
  const std::string new_bytes = Noise(60 * 1024, 5);
  Replace(alias, new_bytes);
  EXPECT_EQ(ReadFileBytes(book), new_bytes);
  EXPECT_EQ(fs::hard_link_count(book), 2u);

  // A workbook saved through the engine says the same.
  auto app = ovix::workbook::CreateApplication();
  auto workbook = app->Workbooks()->Add();
  auto shapes = app->Worksheets()->Item("Sheet1")->Shapes();
  for (int i = 0; i < 20000; ++i) shapes->AddLine(i % 500, i % 700, 10 + i % 300, 5 + i % 200);
  const std::string before = ReadFileBytes(book);
  try {
    workbook->SaveAs(book.string());
    ADD_FAILURE() << "saved onto a full file system";
  } catch (const FileAccessError& e) {
    EXPECT_EQ(e.fault(), FileFault::DiskFull);
    EXPECT_EQ(e.file(), book.string());
    EXPECT_EQ(e.reason(), std::strerror(ENOSPC));
  }
  EXPECT_EQ(ReadFileBytes(book), before);
  EXPECT_EQ(FilesIn(dir / "small"), 2u);
}

TEST(FileReplacement, AWriterThatFailsChangesNothing) {
  TempDir dir;
  const fs::path book = dir / "book.xlsx";
  Replace(book, "old");
  auto failing = [](FileSink& sink) {
    sink.Write("half of it", 10);
    throw std::runtime_error("the writer stopped");
  };
  EXPECT_THROW(ReplaceFile(book, failing), std::runtime_error);
  EXPECT_THROW(ReplaceFile(dir / "new.xlsx", failing), std::runtime_error);
  EXPECT_EQ(ReadFileBytes(book), "old");
  EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST(FileReplacement, ANameLeftByAKilledSaveGoesWithTheNextSaveInTheFolder) {
  TempDir dir;
  // A process that has ended, as a save killed between naming its new file
  // and renaming it leaves one.
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ASSERT_GT(gone, 0);
  ::waitpid(gone, nullptr, 0);
  const std::string stranded = ".~ovix-" + std::to_string(gone) + "-0badc0de.tmp";
  const std::string running = ".~ovix-" + std::to_string(::getpid()) + "-0000abcd.tmp";
  const std::string others[] = {running, ".~ovix0badc0de.tmp", ".~ovix-1-zz.tmp",
                                ".~ovix-" + std::to_string(gone) + "-0badc0de.tmp.keep"};
  WriteFileBytes(dir / stranded, "half");
  for (const std::string& name : others) WriteFileBytes(dir / name, "kept");
  Replace(dir / "book.xlsx", "new");
  EXPECT_FALSE(fs::exists(dir / stranded));
  for (const std::string& name : others) EXPECT_TRUE(fs::exists(dir / name)) << name;
  EXPECT_EQ(FilesIn(dir.path()), 1u + std::size(others));
}

TEST(FileReplacement, LinksAreFollowedToTheFileTheyName) {
  TempDir dir;
  fs::create_directories(dir / "a" / "b");
  Replace(dir / "a" / "b" / "real.xlsx", "old");
  // A relative link to a relative link.
  fs::create_symlink("b/real.xlsx", dir / "a" / "inner.xlsx");
  fs::create_symlink("a/inner.xlsx", dir / "outer.xlsx");
  Replace(dir / "outer.xlsx", "new");
  EXPECT_EQ(ReadFileBytes(dir / "a" / "b" / "real.xlsx"), "new");
  EXPECT_TRUE(fs::is_symlink(dir / "outer.xlsx"));
  EXPECT_TRUE(fs::is_symlink(dir / "a" / "inner.xlsx"));
  EXPECT_EQ(FilesIn(dir / "a" / "b"), 1u);
  // A link into a folder that does not exist.
  fs::create_symlink("nowhere/book.xlsx", dir / "lost.xlsx");
  EXPECT_EQ(FaultOf([&] { Replace(dir / "lost.xlsx", "x"); }), FileFault::MissingFolder);
  // A folder under the name.
  fs::create_directory(dir / "folder.xlsx");
  EXPECT_EQ(FaultOf([&] { Replace(dir / "folder.xlsx", "x"); }), FileFault::NotAFile);
}

TEST(FileReplacement, AReadOnlyFileIsRefusedNotReplaced) {
  TempDir dir;
  const fs::path book = dir / "book.xlsx";
  Replace(book, "old");
  fs::permissions(book, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  // Refused up front and when written, even for the superuser.
  EXPECT_EQ(FaultOf([&] { ovix::workbook::CheckReplaceable(book); }), FileFault::ReadOnly);
  EXPECT_EQ(FaultOf([&] { Replace(book, "new"); }), FileFault::ReadOnly);
  EXPECT_EQ(ReadFileBytes(book), "old");
  EXPECT_EQ(FilesIn(dir.path()), 1u);
  // A new file in a writable folder passes the check.
  EXPECT_NO_THROW(ovix::workbook::CheckReplaceable(dir / "new.xlsx"));
  EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST(WorkbookLockTest, WritersOfOneWorkbookTakeTurns) {
  TempDir dir;
  const fs::path book = dir / "book.xlsx";
  {
    WorkbookLock first(book);
    EXPECT_EQ(first.lock_file(), dir / ".~lock.book.xlsx#");
    // Another writer waits, and gives up when the first keeps it.
    EXPECT_EQ(FaultOf([&] { WorkbookLock second(book, std::chrono::milliseconds(200)); }),
              FileFault::Busy);
    // The same workbook through a link is the same lock.
    fs::create_symlink("book.xlsx", dir / "link.xlsx");
    EXPECT_EQ(FaultOf([&] { WorkbookLock second(dir / "link.xlsx", std::chrono::milliseconds(100)); }),
              FileFault::Busy);
  }
  EXPECT_FALSE(fs::exists(dir / ".~lock.book.xlsx#"));

  // A waiting writer gets the lock as soon as the first lets it go.
  auto first = std::make_unique<WorkbookLock>(book);
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    first.reset();
  });
  const auto start = std::chrono::steady_clock::now();
  {
    WorkbookLock second(book, std::chrono::seconds(10));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_TRUE(fs::exists(second.lock_file()));
  }
  release.join();
  EXPECT_EQ(FilesIn(dir.path()), 1u);  // the link

  // A name at the file system's limit leaves no room for the lock file's
  // extra characters: the folder itself is locked instead.
  const fs::path longest = dir / (std::string(250, 'n') + ".xlsx");
  {
    WorkbookLock one(longest);
    EXPECT_TRUE(one.lock_file().empty());
    EXPECT_EQ(FaultOf([&] { WorkbookLock two(longest, std::chrono::milliseconds(100)); }),
              FileFault::Busy);
  }
  WorkbookLock again(longest, std::chrono::milliseconds(100));
}

TEST(WorkbookLockTest, AnotherApplicationsLockFileBesideTheLinkOrItsTargetRefuses) {
  TempDir dir;
  fs::create_directory(dir / "real");
  fs::create_symlink("real/book.xlsx", dir / "link.xlsx");
  WriteFileBytes(dir / "real" / ".~lock.book.xlsx#", ",user,host,08.12.2026 10:00,file:///x;");
  try {
    WorkbookLock lock(dir / "link.xlsx");
    ADD_FAILURE() << "locked a workbook that is open elsewhere";
  } catch (const FileAccessError& e) {
    EXPECT_EQ(e.fault(), FileFault::LockedByOther);
    EXPECT_EQ(e.lock_file(), (dir / "real" / ".~lock.book.xlsx#").string());
  }
  EXPECT_EQ(ReadFileBytes(dir / "real" / ".~lock.book.xlsx#"), ",user,host,08.12.2026 10:00,file:///x;");
  fs::remove(dir / "real" / ".~lock.book.xlsx#");
  WriteFileBytes(dir / "~$link.xlsx", "owner");
  EXPECT_EQ(FaultOf([&] { WorkbookLock lock(dir / "link.xlsx"); }), FileFault::LockedByOther);
}

}  // namespace
