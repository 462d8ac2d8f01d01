#pragma once
// Replacing a user's file with new contents, whatever format the bytes are
// in, so that the file on disk is at every moment either the old one or the
// complete new one, and stays the same file to the user:
//
//   - the new bytes go to an unnamed temporary file in the target's folder
//     (O_TMPFILE), so that a process killed while writing leaves nothing
//     behind; it is named only once complete (a new file appears under its
//     own name in one step; an existing one is replaced by rename);
//   - a symbolic link is written through to the file it points to, and stays
//     a link;
//   - an existing file keeps its mode and, where the process may set them,
//     its owner and group;
//   - a file with several hard links is rewritten in place once the new
//     bytes are safely on disk beside it, so that every link sees the new
//     contents;
//   - a read-only file (or one marked immutable) is refused, not replaced;
//   - SIGINT, SIGTERM, SIGHUP and SIGQUIT are held back while a name is
//     being put in place, so that an interrupt never strands a named
//     temporary file.
//
// Failures raise FileAccessError, which says what kind of trouble it was
// (missing folder, full disk, read-only, ...), which file, and the system's
// reason, so that the user can be told in words.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "excel/excel_automation.h"

namespace ovix::workbook {

// What kind of trouble a file operation ran into.
enum class FileFault {
  Other,          // any other system error (the reason says which)
  MissingFolder,  // the folder the file should go in does not exist
  DiskFull,       // no space left (or the quota is used up)
  ReadOnly,       // the file, its folder or the file system cannot be written
  NotAFile,       // the name is taken by a folder or another kind of entry
  LockedByOther,  // another application has the workbook open (its lock file is beside it)
  Busy,           // another conversion keeps writing the same workbook
  Damaged,        // the workbook file is truncated or not a complete package
};

class FileAccessError : public excel::AutomationError {
 public:
  // `what` is the whole text for logs; `file` the file (or folder) concerned;
  // `error_number` the errno, 0 when there is none.
  FileAccessError(FileFault fault, std::string file, int error_number, const std::string& what,
                  std::string lock_file = {});

  FileFault fault() const { return fault_; }
  const std::string& file() const { return file_; }
  int error_number() const { return error_number_; }
  // The system's words for the error number, or empty.
  std::string reason() const;
  // For LockedByOther: the lock file that shows the workbook is in use.
  const std::string& lock_file() const { return lock_file_; }

 private:
  FileFault fault_;
  std::string file_;
  int error_number_;
  std::string lock_file_;
};

// The kind of trouble an errno stands for when writing a file.
FileFault FaultOfErrno(int error_number);

// Raises FileAccessError for `error_number` on `file`, the text starting with
// "cannot save the workbook to".
[[noreturn]] void FailSave(const std::filesystem::path& file, int error_number);
[[noreturn]] void FailSave(const std::filesystem::path& file, FileFault fault,
                           const std::string& what);

// The file a write to `path` really changes: symbolic links followed (a
// dangling one to the file it names), relative links against their folder.
// A path without links comes back as it is.
std::filesystem::path ResolvedSaveTarget(const std::filesystem::path& path);

// Where the new bytes go while they are written.
class FileSink {
 public:
  explicit FileSink(int fd, std::filesystem::path target) : fd_(fd), target_(std::move(target)) {}
  // Writes all of `data`; a failure raises FileAccessError.
  void Write(const void* data, std::size_t size);
  // Writes `data` over bytes written before, `offset` from the file's start.
  void WriteAt(std::uint64_t offset, const void* data, std::size_t size);
  // The open descriptor, for writers that want to write it themselves
  // (they should report failures with FailSave).
  int fd() const { return fd_; }
  std::size_t written() const { return written_; }

 private:
  int fd_;
  std::filesystem::path target_;
  std::size_t written_ = 0;
};

// Raises the FileAccessError that ReplaceFile would raise before writing:
// a missing folder, a name taken by a folder, a read-only file or a folder
// that takes no new files. For refusing a file before any work is done.
void CheckReplaceable(const std::filesystem::path& path);

// Replaces (or creates) the file `path` with what `write` puts into the sink.
// If `write` throws, or anything else fails, the old file is untouched, no
// new or temporary file remains, and the error is passed on.
void ReplaceFile(const std::filesystem::path& path, const std::function<void(FileSink&)>& write);

}  // namespace ovix::workbook
