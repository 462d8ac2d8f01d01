#include "app/run_failure_messages.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "workbook/file_replacement.h"

namespace ovix {

namespace {

// "（reason）" after a file name, or nothing.
std::string Reason(const std::string& reason) {
  return reason.empty() ? std::string() : "（" + reason + "）";
}

}  // namespace

std::string DxfOpenFailureMessage(const std::string& path) {
  std::string reason;
  struct stat st;
  if (path.empty()) {
    reason = "ファイル名が指定されていません";
  } else if (::stat(path.c_str(), &st) != 0) {
    reason = std::strerror(errno);
  } else if (S_ISDIR(st.st_mode)) {
    reason = "フォルダです";
  } else if (!S_ISREG(st.st_mode)) {
    reason = "通常のファイルではありません";
  } else {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      reason = std::strerror(errno);
    } else {
      ::close(fd);
    }
  }
  return "DXFファイルを開けません\r\n" + path + Reason(reason);
}

std::string WorkbookFileMessage(const std::exception_ptr& error) {
  if (!error) return {};
  try {
    std::rethrow_exception(error);
  } catch (const workbook::FileAccessError& e) {
    const std::string reason = Reason(e.reason());
    switch (e.fault()) {
      case workbook::FileFault::MissingFolder:
        return "保存先のフォルダがありません\r\n" + e.file() + reason;
      case workbook::FileFault::DiskFull:
        return "ディスクの空き容量が不足しているため保存できません\r\n" + e.file() + reason;
      case workbook::FileFault::ReadOnly:
        return "読み取り専用のため書き込めません\r\n" + e.file() + reason;
      case workbook::FileFault::NotAFile:
        return "保存先がファイルではありません\r\n" + e.file() + reason;
      case workbook::FileFault::LockedByOther:
        return "ブックは他のアプリケーションで開かれています\r\n" + e.file() +
               "\r\nロックファイル: " + e.lock_file();
      case workbook::FileFault::Busy:
        return "ブックは別の変換が書き込み中です\r\n" + e.file();
      case workbook::FileFault::Damaged:
        return "ブックのファイルが壊れているか途中で切れています\r\n" + e.file() + reason;
      case workbook::FileFault::Other:
        return "ファイルを読み書きできません\r\n" + e.file() + reason;
    }
  } catch (...) {
  }
  return {};
}

}  // namespace ovix
