#pragma once
// The lock a conversion holds on the workbook it writes, from before the
// workbook is opened until it has been saved:
//
//   - a workbook that a spreadsheet application has open is refused: the
//     lock file "~$NAME" (or "~$" and the name less its first two characters)
//     or ".~lock.NAME#" beside it says so; nothing is changed, not even that
//     lock file;
//   - while we hold the lock, ".~lock.NAME#" beside the workbook is ours, in
//     the form those applications read, so that they see the workbook is in
//     use;
//   - writers of one workbook take turns: an advisory lock (flock) on our lock
//     file makes a second conversion wait until the first has saved. A lock
//     file of ours left behind by a killed process is taken over, since
//     nobody holds its advisory lock any more. An interrupt (SIGINT, SIGTERM,
//     SIGHUP, SIGQUIT) removes our lock files before the process ends, unless
//     the program handles those signals itself.
//
// The lock sits beside the file a save really writes (symbolic links are
// followed); the lock files of a spreadsheet application are looked for
// beside both the link and its target.

#include <chrono>
#include <filesystem>
#include <string>

namespace ovix::workbook {

class WorkbookLock {
 public:
  // Takes the lock on `path`, waiting up to `wait` for another conversion
  // to finish. Raises FileAccessError: LockedByOther (naming the lock file)
  // or Busy when it cannot be had.
  explicit WorkbookLock(const std::filesystem::path& path,
                        std::chrono::milliseconds wait = std::chrono::seconds(60));
  ~WorkbookLock();
  WorkbookLock(const WorkbookLock&) = delete;
  WorkbookLock& operator=(const WorkbookLock&) = delete;

  // Our lock file, or empty when the folder did not allow one (the advisory
  // lock is then held on the folder).
  const std::filesystem::path& lock_file() const { return lock_file_; }

 private:
  std::filesystem::path lock_file_;
  int fd_ = -1;
  int dir_ = -1;
  int slot_ = -1;  // of the lock files an interrupt removes
};

// A spreadsheet application's lock file beside `path`, or empty. A lock file
// of this program is not one.
std::filesystem::path ForeignLockFile(const std::filesystem::path& path);

// The name of the lock file ".~lock.NAME#" for the workbook `path`.
std::filesystem::path OfficeLockFileFor(const std::filesystem::path& path);

}  // namespace ovix::workbook
