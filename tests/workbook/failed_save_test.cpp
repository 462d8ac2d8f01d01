// A save of an opened workbook that fails leaves the workbook on disk byte
// for byte as it was, and no temporary file behind: a write that fails
// midway (the file-size limit of the process stops it), and a folder that
// became read-only.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "excel/excel_automation.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/package_builder.h"
#include "workbook/workbook_engine.h"

namespace {

namespace fs = std::filesystem;
using namespace ovix::testing;

size_t FilesIn(const fs::path& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Lowers the process's file-size limit, so that a write past `bytes` fails
// with EFBIG, until destroyed.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lower = saved_;
    lower.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &lower);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_handler_);
  }

 private:
  rlimit saved_{};
  void (*previous_handler_)(int) = nullptr;
};

// Makes a folder read-only until destroyed: for root, whom permissions do
// not stop, with the file system's immutable flag.
class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(const fs::path& folder) : folder_(folder) {
    fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                 fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    if (geteuid() == 0) immutable_ = SetImmutable(true);
  }
  ~ReadOnlyFolder() {
    if (immutable_) SetImmutable(false);
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add);
  }
  // True when creating a file in the folder really fails.
  bool Effective() const {
    const fs::path probe = folder_ / ".probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return true;
    ::close(fd);
    ::unlink(probe.c_str());
    return false;
  }

 private:
  bool SetImmutable(bool on) {
    const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
  }
  fs::path folder_;
  bool immutable_ = false;
};

class FailedSave : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = dir / "work";
    fs::create_directory(folder);
    file = folder / "drawing.xlsx";
    // A workbook of some size, so that the save is cut off midway.
    PartList parts = MinimalWorkbook();
    std::string filler;
    for (int i = 0; i < 20000; ++i) filler += "<v>" + std::to_string(i * 7919 % 100003) + "</v>";
    parts.emplace_back("xl/custom/filler.xml", "<filler>" + filler + "</filler>");
    WritePackage(file, parts);
    original = ReadFileBytes(file);
    app = ovix::workbook::CreateApplication();
    book = app->Workbooks()->Open(file.string());
    auto shapes = app->Worksheets()->Item("Sheet1")->Shapes();
    for (int i = 0; i < 2000; ++i) shapes->AddLine(i, i, i + 100, i + 50);
  }

  TempDir dir;
  fs::path folder, file;
  std::string original;
  std::shared_ptr<excel::Application> app;
  std::shared_ptr<excel::Workbook> book;
};

TEST_F(FailedSave, AWriteErrorMidwayLeavesTheWorkbookAsItWas) {
  {
    FileSizeLimit limit(16 * 1024);
    EXPECT_THROW(book->Save(), excel::AutomationError);
  }
  EXPECT_EQ(ReadFileBytes(file), original);
  EXPECT_EQ(FilesIn(folder), 1u);  // no temporary file left behind
  // Once the cause is gone, the save goes through.
  book->Save();
  EXPECT_NE(ReadFileBytes(file), original);
  EXPECT_EQ(FilesIn(folder), 1u);
}

TEST_F(FailedSave, AFolderThatBecameReadOnlyLeavesTheWorkbookAsItWas) {
  {
    ReadOnlyFolder read_only(folder);
    if (!read_only.Effective()) GTEST_SKIP() << "this file system cannot make a folder read-only for this user";
    try {
      book->Save();
      ADD_FAILURE() << "the save into a read-only folder succeeded";
    } catch (const excel::AutomationError& e) {
      EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFileBytes(file), original);
  }
  EXPECT_EQ(FilesIn(folder), 1u);
}

}  // namespace
