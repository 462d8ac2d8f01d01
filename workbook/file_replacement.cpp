#include "workbook/file_replacement.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string_view>
#include <vector>

namespace ovix::workbook {

namespace fs = std::filesystem;

FileAccessError::FileAccessError(FileFault fault, std::string file, int error_number,
                                 const std::string& what, std::string lock_file)
    : excel::AutomationError(what),
      fault_(fault),
      file_(std::move(file)),
      error_number_(error_number),
      lock_file_(std::move(lock_file)) {}

std::string FileAccessError::reason() const {
  return error_number_ == 0 ? std::string() : std::string(std::strerror(error_number_));
}

FileFault FaultOfErrno(int error_number) {
  switch (error_number) {
    case ENOSPC:
    case EDQUOT:
      return FileFault::DiskFull;
    case EROFS:
    case EACCES:
    case EPERM:
    case ETXTBSY:
      return FileFault::ReadOnly;
    case ENOENT:
    case ENOTDIR:
      return FileFault::MissingFolder;
    case EISDIR:
      return FileFault::NotAFile;
    default:
      return FileFault::Other;
  }
}

void FailSave(const fs::path& file, int error_number) {
  throw FileAccessError(FaultOfErrno(error_number), file.string(), error_number,
                        "cannot save the workbook to \"" + file.string() +
                            "\": " + std::strerror(error_number));
}

void FailSave(const fs::path& file, FileFault fault, const std::string& what) {
  throw FileAccessError(fault, file.string(), 0,
                        "cannot save the workbook to \"" + file.string() + "\": " + what);
}

fs::path ResolvedSaveTarget(const fs::path& path) {
  fs::path current = path;
  // A chain longer than the kernel's own limit is a loop; the open that
  // follows reports it.
  for (int hop = 0; hop < 40; ++hop) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(current, ec);
    if (ec || !fs::is_symlink(status)) return current;
    const fs::path link = fs::read_symlink(current, ec);
    if (ec) return current;
    current = link.is_absolute() ? link : current.parent_path() / link;
  }
  return current;
}

namespace {

// Writes all `size` bytes of `data` with `write_some(bytes, count, done)`,
// which writes some of `count` bytes from `bytes`, `done` bytes into the
// whole, and returns how many it wrote or -1; interrupted writes are retried.
template <typename WriteSome>
void WriteFully(const fs::path& target, const void* data, std::size_t size, WriteSome&& write_some) {
  const char* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = write_some(bytes + done, size - done, done);
    if (n < 0) {
      if (errno == EINTR) continue;
      FailSave(target, errno);
    }
    if (n == 0) FailSave(target, ENOSPC);
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

void FileSink::Write(const void* data, std::size_t size) {
  WriteFully(target_, data, size, [&](const char* bytes, std::size_t count, std::size_t) {
    return ::write(fd_, bytes, count);
  });
  written_ += size;
}

void FileSink::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
  if (offset + size > written_) FailSave(target_, EINVAL);
  WriteFully(target_, data, size, [&](const char* bytes, std::size_t count, std::size_t done) {
    return ::pwrite(fd_, bytes, count, static_cast<off_t>(offset + done));
  });
}

namespace {

// Holds back the usual interrupt signals (process-wide, whatever thread they
// are delivered to) and delivers them once destroyed: a name being put in
// place is never left half done.
class InterruptHold {
 public:
  InterruptHold() {
    struct sigaction hold {};
    hold.sa_handler = &Note;
    sigemptyset(&hold.sa_mask);
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
      installed_[i] = false;
      struct sigaction old {};
      if (::sigaction(kSignals[i], nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
      if (::sigaction(kSignals[i], &hold, &saved_[i]) == 0) installed_[i] = true;
    }
  }
  ~InterruptHold() {
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
      if (installed_[i]) ::sigaction(kSignals[i], &saved_[i], nullptr);
    }
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
      if (installed_[i] && pending_[i] != 0) {
        pending_[i] = 0;
        ::raise(kSignals[i]);
      }
    }
  }
  InterruptHold(const InterruptHold&) = delete;
  InterruptHold& operator=(const InterruptHold&) = delete;

 private:
  static constexpr std::array<int, 4> kSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT};
  static void Note(int signal) {
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
      if (kSignals[i] == signal) pending_[i] = 1;
    }
  }
  static inline volatile sig_atomic_t pending_[4] = {0, 0, 0, 0};
  std::array<struct sigaction, 4> saved_{};
  std::array<bool, 4> installed_{};
};

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  void reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes now, reporting a failure (a delayed write error shows here).
  int Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd);
  }

 private:
  int fd_;
};

std::string RandomName() {
  static std::random_device random;
  char name[24];
  // Short, so that a target name at the file system's limit still saves.
  std::snprintf(name, sizeof name, ".~ovix%08x.tmp", static_cast<unsigned>(random()));
  return name;
}

// The name a complete unnamed file takes for the moment before it is renamed
// over the workbook. It carries the process id: a run killed in that moment
// (SIGKILL cannot be held back) leaves the name behind, and a later save in
// the folder removes it once that process is gone.
constexpr std::string_view kLinkedPrefix = ".~ovix-";
constexpr std::string_view kTemporarySuffix = ".tmp";

std::string LinkedName() {
  static std::random_device random;
  char name[40];
  std::snprintf(name, sizeof name, ".~ovix-%ld-%08x.tmp", static_cast<long>(::getpid()),
                static_cast<unsigned>(random()));
  return name;
}

// The process id in a name LinkedName made, or 0 for any other name.
long LinkedNameProcess(std::string_view name) {
  if (name.substr(0, kLinkedPrefix.size()) != kLinkedPrefix) return 0;
  name.remove_prefix(kLinkedPrefix.size());
  long pid = 0;
  size_t i = 0;
  for (; i < name.size() && i < 10 && name[i] >= '0' && name[i] <= '9'; ++i) pid = pid * 10 + (name[i] - '0');
  if (i == 0 || i >= name.size() || name[i] != '-') return 0;
  name.remove_prefix(i + 1);
  if (name.size() != 8 + kTemporarySuffix.size() || name.substr(8) != kTemporarySuffix) return 0;
  for (size_t k = 0; k < 8; ++k) {
    if (!std::isxdigit(static_cast<unsigned char>(name[k]))) return 0;
  }
  return pid;
}

// Removes the linked names that runs killed before their rename left in the
// folder: files whose process no longer exists. Best effort: whatever cannot
// be read or removed stays.
void RemoveStrandedNames(int dir) {
  const int fd = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  DIR* listing = ::fdopendir(fd);
  if (listing == nullptr) {
    ::close(fd);
    return;
  }
  std::vector<std::string> stranded;
  while (const dirent* entry = ::readdir(listing)) {
    const long pid = LinkedNameProcess(entry->d_name);
    if (pid <= 0 || pid == static_cast<long>(::getpid())) continue;
    // A process that exists (ours or another user's) may still rename it.
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    struct stat st {};
    if (::fstatat(dir, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
    stranded.emplace_back(entry->d_name);
  }
  ::closedir(listing);
  for (const std::string& name : stranded) ::unlinkat(dir, name.c_str(), 0);
}

// The file as it stands: absent, or its status.
struct Existing {
  bool exists = false;
  struct stat st {};
};

Existing Inspect(int dir, const std::string& name, const fs::path& target) {
  Existing existing;
  if (::fstatat(dir, name.c_str(), &existing.st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return existing;
    FailSave(target, errno);
  }
  existing.exists = true;
  if (S_ISDIR(existing.st.st_mode)) FailSave(target, FileFault::NotAFile, "a folder has that name");
  if (S_ISLNK(existing.st.st_mode)) FailSave(target, ELOOP);
  if (!S_ISREG(existing.st.st_mode)) {
    FailSave(target, FileFault::NotAFile, "that name is not an ordinary file");
  }
  // A read-only workbook is refused, as the spreadsheet application does: no
  // write permission for anyone, or no write access for this process (an
  // immutable file refuses even the superuser).
  if ((existing.st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
    throw FileAccessError(FileFault::ReadOnly, target.string(), EACCES,
                          "cannot save the workbook to \"" + target.string() +
                              "\": the file is read-only");
  }
  if (::faccessat(dir, name.c_str(), W_OK, AT_EACCESS) != 0) FailSave(target, errno);
  return existing;
}

void Sync(int fd, const fs::path& target) {
  if (::fsync(fd) != 0) FailSave(target, errno);
}

void SyncFolder(int dir) {
  // Makes a new name durable; a file system that cannot is no reason to fail.
  ::fsync(dir);
}

// The owner, group and mode of the file being replaced, on the new one.
void KeepIdentity(int fd, const Existing& existing, const fs::path& target) {
  if (!existing.exists) return;
  if (::fchown(fd, existing.st.st_uid, existing.st.st_gid) != 0) {
    // Only the superuser may give a file away; the group may still be kept
    // when the process belongs to it.
    (void)::fchown(fd, static_cast<uid_t>(-1), existing.st.st_gid);
  }
  if (::fchmod(fd, existing.st.st_mode & 07777) != 0) FailSave(target, errno);
}

// An unnamed file in the folder, or nothing when the file system has none.
int OpenUnnamed(int dir, const fs::path& target) {
  const int fd = ::openat(dir, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
  if (fd >= 0) return fd;
  if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return -1;
  FailSave(target, errno);
}

// Gives the unnamed file `fd` the name `name` in `dir`.
int LinkUnnamed(int fd, int dir, const std::string& name) {
  char proc[64];
  std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
  if (::linkat(AT_FDCWD, proc, dir, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
  const int error = errno;
  if (error == EEXIST || error == ENOSPC || error == EDQUOT) return error;
  // Without /proc: the descriptor itself (needs a capability).
  if (::linkat(fd, "", dir, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
  return error;
}

// True for the errors of a system that cannot give an unnamed file a name
// (no /proc and no capability to link a descriptor).
bool LinkingUnsupported(int error) {
  return error == ENOENT || error == EPERM || error == EOPNOTSUPP || error == EINVAL ||
         error == EXDEV || error == ENOSYS;
}

// Puts the complete unnamed file in place of `name`; false, with nothing
// changed, when this system cannot name an unnamed file.
bool PlaceUnnamed(int fd, int dir, const std::string& name, bool exists, const fs::path& target) {
  InterruptHold hold;
  if (!exists) {
    // A new file appears under its own name complete, in one step.
    const int error = LinkUnnamed(fd, dir, name);
    if (error == 0) return true;
    if (LinkingUnsupported(error)) return false;
    if (error != EEXIST) FailSave(target, error);
    // Created meanwhile by someone else: replaced like any existing file.
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temporary = LinkedName();
    const int error = LinkUnnamed(fd, dir, temporary);
    if (error == EEXIST) continue;
    if (error != 0 && LinkingUnsupported(error)) return false;
    if (error != 0) FailSave(target, error);
    if (::renameat(dir, temporary.c_str(), dir, name.c_str()) != 0) {
      const int rename_error = errno;
      ::unlinkat(dir, temporary.c_str(), 0);
      FailSave(target, rename_error);
    }
    return true;
  }
  FailSave(target, FileFault::Other, "no free name for a temporary file");
}

// Copies the first `size` bytes of `from` to the same offsets of `to`.
void CopyBytes(int from, int to, std::size_t size, const fs::path& target) {
  std::vector<char> buffer(1 << 20);
  off_t offset = 0;
  while (static_cast<std::size_t>(offset) < size) {
    const ssize_t n = ::pread(from, buffer.data(), buffer.size(), offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) FailSave(target, n < 0 ? errno : EIO);
    std::size_t done = 0;
    while (done < static_cast<std::size_t>(n)) {
      const ssize_t w = ::pwrite(to, buffer.data() + done, static_cast<std::size_t>(n) - done,
                                 offset + static_cast<off_t>(done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) FailSave(target, w < 0 ? errno : ENOSPC);
      done += static_cast<std::size_t>(w);
    }
    offset += n;
  }
}

// Copies the bytes of `from` over the file `name` in place (its inode, and so
// every hard link to it, stays). The new bytes are already on disk in `from`,
// and the space they need is reserved first, so a full disk stops the save
// before the file is touched.
void RewriteInPlace(int from, int dir, const std::string& name, std::size_t size,
                    const fs::path& target) {
  Descriptor to(::openat(dir, name.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW));
  if (to.get() < 0) FailSave(target, errno);
  if (size > 0 && ::fallocate(to.get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) != 0 &&
      errno != EOPNOTSUPP && errno != ENOSYS) {
    FailSave(target, errno);
  }
  InterruptHold hold;
  CopyBytes(from, to.get(), size, target);
  if (::ftruncate(to.get(), static_cast<off_t>(size)) != 0) FailSave(target, errno);
  Sync(to.get(), target);
  if (to.Close() != 0) FailSave(target, errno);
}

// A named temporary file, for file systems without unnamed ones: removed
// again unless it was renamed.
class NamedTemporary {
 public:
  NamedTemporary(int dir, const fs::path& target) : dir_(dir) {
    for (int attempt = 0; attempt < 100; ++attempt) {
      name_ = RandomName();
      fd_ = ::openat(dir, name_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0) return;
      if (errno != EEXIST) FailSave(target, errno);
    }
    FailSave(target, FileFault::Other, "no free name for a temporary file");
  }
  ~NamedTemporary() {
    if (fd_ >= 0) ::close(fd_);
    if (!placed_) ::unlinkat(dir_, name_.c_str(), 0);
  }
  NamedTemporary(const NamedTemporary&) = delete;
  NamedTemporary& operator=(const NamedTemporary&) = delete;

  int fd() const { return fd_; }
  void Place(const std::string& name, const fs::path& target) {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) FailSave(target, errno);
    if (::renameat(dir_, name_.c_str(), dir_, name.c_str()) != 0) FailSave(target, errno);
    placed_ = true;
  }

 private:
  int dir_;
  std::string name_;
  int fd_ = -1;
  bool placed_ = false;
};

}  // namespace

namespace {

// The folder of `target`, opened, and the name in it.
struct Destination {
  Descriptor dir;
  std::string name;
};

void OpenPlace(const fs::path& target, Destination& place) {
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  place.name = target.filename().string();
  if (place.name.empty() || place.name == "." || place.name == "..") {
    FailSave(target, FileFault::NotAFile, "that is not a file name");
  }
  place.dir.reset(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (place.dir.get() < 0) {
    const int error = errno;
    throw FileAccessError(error == ENOENT || error == ENOTDIR ? FileFault::MissingFolder
                                                             : FaultOfErrno(error),
                          folder.string(), error,
                          "cannot save the workbook to \"" + target.string() + "\": its folder \"" +
                              folder.string() + "\" cannot be opened: " + std::strerror(error));
  }
}

}  // namespace

void CheckReplaceable(const fs::path& path) {
  const fs::path target = ResolvedSaveTarget(path);
  Destination place;
  OpenPlace(target, place);
  Inspect(place.dir.get(), place.name, target);
  // The folder takes new files.
  Descriptor probe(OpenUnnamed(place.dir.get(), target));
}

void ReplaceFile(const fs::path& path, const std::function<void(FileSink&)>& write) {
  const fs::path target = ResolvedSaveTarget(path);
  Destination place;
  OpenPlace(target, place);
  const Descriptor& dir = place.dir;
  const std::string& name = place.name;
  const Existing existing = Inspect(dir.get(), name, target);

  Descriptor unnamed(OpenUnnamed(dir.get(), target));
  if (unnamed.get() >= 0) {
    RemoveStrandedNames(dir.get());
    FileSink sink(unnamed.get(), target);
    write(sink);
    Sync(unnamed.get(), target);
    if (existing.exists && existing.st.st_nlink > 1) {
      RewriteInPlace(unnamed.get(), dir.get(), name, sink.written(), target);
    } else {
      KeepIdentity(unnamed.get(), existing, target);
      if (!PlaceUnnamed(unnamed.get(), dir.get(), name, existing.exists, target)) {
        // This system cannot name it: the bytes go through a named file.
        InterruptHold hold;
        NamedTemporary temporary(dir.get(), target);
        CopyBytes(unnamed.get(), temporary.fd(), sink.written(), target);
        Sync(temporary.fd(), target);
        KeepIdentity(temporary.fd(), existing, target);
        temporary.Place(name, target);
      }
    }
    if (unnamed.Close() != 0) FailSave(target, errno);
    SyncFolder(dir.get());
    return;
  }

  // No unnamed files here: a named one, with interrupts held back for the
  // whole save so that it is never stranded.
  InterruptHold hold;
  NamedTemporary temporary(dir.get(), target);
  FileSink sink(temporary.fd(), target);
  write(sink);
  Sync(temporary.fd(), target);
  if (existing.exists && existing.st.st_nlink > 1) {
    RewriteInPlace(temporary.fd(), dir.get(), name, sink.written(), target);
  } else {
    KeepIdentity(temporary.fd(), existing, target);
    temporary.Place(name, target);
  }
  SyncFolder(dir.get());
}

}  // namespace ovix::workbook
