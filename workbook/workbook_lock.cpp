#include "workbook/workbook_lock.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <signal.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

#include "workbook/file_replacement.h"

namespace ovix::workbook {

namespace fs = std::filesystem;

namespace {

// How our own lock file's owner field starts, and the field that marks it.
constexpr const char* kOwnerName = "Ovix";
constexpr const char* kOwnMark = ",ovix:pid=";
// Longest file name the folder allows.
constexpr std::size_t kNameMax = 255;

std::string ReadSmallFile(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return {};
  char buffer[1024];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  ::close(fd);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

bool IsOurs(const std::string& content) {
  return content.rfind(std::string(kOwnerName) + ",", 0) == 0 &&
         content.find(kOwnMark) != std::string::npos;
}

// The first `count` characters of UTF-8 `text` dropped.
std::string DropCharacters(const std::string& text, int count) {
  std::size_t i = 0;
  for (int c = 0; c < count && i < text.size(); ++c) {
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  }
  return text.substr(i);
}

std::size_t CharacterCount(const std::string& text) {
  std::size_t count = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

bool Exists(const fs::path& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// The lock files a spreadsheet application keeps beside `path` (the path
// itself, not a link's target).
fs::path ForeignLockBeside(const fs::path& path) {
  fs::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  const std::string name = path.filename().string();
  // The owner file of one application: "~$" and the name, the name's first
  // two characters dropped when its stem is long.
  std::vector<fs::path> owner_files{folder / ("~$" + name)};
  if (CharacterCount(path.stem().string()) >= 8) {
    owner_files.push_back(folder / ("~$" + DropCharacters(name, 2)));
  }
  for (const fs::path& owner : owner_files) {
    if (Exists(owner)) return owner;
  }
  // An empty lock file is one of ours being made (another conversion has
  // created it and not yet written its line): the flock below decides.
  const fs::path office = OfficeLockFileFor(path);
  if (Exists(office)) {
    const std::string content = ReadSmallFile(office);
    if (!content.empty() && !IsOurs(content)) return office;
  }
  return {};
}

std::string OurContent() {
  std::string user = "unknown";
  if (const passwd* pw = ::getpwuid(::geteuid()); pw != nullptr && pw->pw_name != nullptr) {
    user = pw->pw_name;
  }
  char host[256] = "localhost";
  ::gethostname(host, sizeof host - 1);
  char date[32] = "";
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  std::strftime(date, sizeof date, "%d.%m.%Y %H:%M", &local);
  return std::string(kOwnerName) + "," + user + "," + host + "," + date + kOwnMark +
         std::to_string(::getpid()) + ";";
}

// Lock files to remove when the process is interrupted (SIGINT, SIGTERM,
// SIGHUP, SIGQUIT): the handler may only call async-signal-safe functions,
// so the names wait in fixed slots.
constexpr int kSlots = 16;
char g_lock_paths[kSlots][4096];
std::atomic<bool> g_slot_used[kSlots];
std::atomic<bool> g_handlers_installed{false};
constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void RemoveLockFilesAndDie(int signal) {
  for (int i = 0; i < kSlots; ++i) {
    if (g_slot_used[i].load()) ::unlink(g_lock_paths[i]);
  }
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

void InstallHandlers() {
  if (g_handlers_installed.exchange(true)) return;
  for (const int sig : kCleanedSignals) {
    struct sigaction old {};
    // A signal the program handles or ignores itself is left to it.
    if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
    struct sigaction clean {};
    clean.sa_handler = &RemoveLockFilesAndDie;
    sigemptyset(&clean.sa_mask);
    ::sigaction(sig, &clean, nullptr);
  }
}

int RegisterLockFile(const fs::path& path) {
  const std::string text = path.string();
  if (text.size() >= sizeof g_lock_paths[0]) return -1;
  static std::mutex registering;
  const std::lock_guard<std::mutex> guard(registering);
  for (int i = 0; i < kSlots; ++i) {
    if (g_slot_used[i].load()) continue;
    std::memcpy(g_lock_paths[i], text.c_str(), text.size() + 1);
    g_slot_used[i].store(true);
    InstallHandlers();
    return i;
  }
  return -1;
}

[[noreturn]] void FailLocked(const fs::path& workbook, const fs::path& lock) {
  throw FileAccessError(FileFault::LockedByOther, workbook.string(), 0,
                        "the workbook \"" + workbook.string() +
                            "\" is open in another application (lock file \"" + lock.string() +
                            "\")",
                        lock.string());
}

}  // namespace

fs::path OfficeLockFileFor(const fs::path& path) {
  fs::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  return folder / (".~lock." + path.filename().string() + "#");
}

fs::path ForeignLockFile(const fs::path& path) {
  if (fs::path lock = ForeignLockBeside(path); !lock.empty()) return lock;
  const fs::path target = ResolvedSaveTarget(path);
  if (target != path) return ForeignLockBeside(target);
  return {};
}

WorkbookLock::WorkbookLock(const fs::path& path, std::chrono::milliseconds wait) {
  const fs::path target = ResolvedSaveTarget(path);
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  dir_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_ < 0) {
    const int error = errno;
    throw FileAccessError(error == ENOENT || error == ENOTDIR ? FileFault::MissingFolder
                                                             : FaultOfErrno(error),
                          folder.string(), error,
                          "the folder \"" + folder.string() + "\" of the workbook \"" +
                              path.string() + "\" cannot be opened: " + std::strerror(error));
  }
  struct Closer {
    WorkbookLock& lock;
    bool done = false;
    ~Closer() {
      if (done) return;
      if (lock.fd_ >= 0) ::close(lock.fd_);
      ::close(lock.dir_);
      lock.fd_ = lock.dir_ = -1;
    }
  } closer{*this};

  if (const fs::path foreign = ForeignLockFile(path); !foreign.empty()) FailLocked(path, foreign);

  const std::string name = ".~lock." + target.filename().string() + "#";
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    int fd = -1;
    if (name.size() <= kNameMax) {
      fd = ::openat(dir_, name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
      // A folder we may not write in gets no lock file (the save will say
      // why it cannot write there); the folder itself is locked instead.
      if (fd < 0 && errno != EACCES && errno != EROFS && errno != EPERM) {
        const int error = errno;
        throw FileAccessError(FaultOfErrno(error), (folder / name).string(), error,
                              "cannot create the lock file \"" + (folder / name).string() +
                                  "\": " + std::strerror(error));
      }
    }
    const int locked = fd >= 0 ? fd : dir_;
    if (::flock(locked, LOCK_EX | LOCK_NB) != 0) {
      if (fd >= 0) ::close(fd);
      if (errno != EWOULDBLOCK && errno != EINTR) {
        const int error = errno;
        throw FileAccessError(FaultOfErrno(error), target.string(), error,
                              "cannot lock the workbook \"" + target.string() +
                                  "\": " + std::strerror(error));
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        throw FileAccessError(FileFault::Busy, target.string(), 0,
                              "another conversion keeps writing the workbook \"" +
                                  target.string() + "\"");
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      continue;
    }
    if (fd < 0) break;  // the folder is locked
    // The file we locked must still be the one under the name: the previous
    // holder removes it when it is done.
    struct stat held, named;
    if (::fstat(fd, &held) != 0 || held.st_nlink == 0 ||
        ::fstatat(dir_, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        held.st_ino != named.st_ino || held.st_dev != named.st_dev) {
      ::close(fd);
      continue;
    }
    char buffer[1024];
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, 0);
    const std::string content = n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : "";
    if (!content.empty() && !IsOurs(content)) {
      // Another application's lock file appeared meanwhile: left as it is.
      ::close(fd);
      FailLocked(path, folder / name);
    }
    // Empty (just made) or a lock file of ours whose holder is gone.
    const std::string ours = OurContent();
    if (::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, ours.data(), ours.size(), 0) != static_cast<ssize_t>(ours.size())) {
      // The lock itself is held; the text is only a courtesy to others.
    }
    fd_ = fd;
    lock_file_ = folder / name;
    slot_ = RegisterLockFile(fs::absolute(lock_file_));
    break;
  }
  closer.done = true;
}

WorkbookLock::~WorkbookLock() {
  if (slot_ >= 0) g_slot_used[slot_].store(false);
  if (fd_ >= 0) {
    // Removed while still locked, so that a waiting writer sees it is gone.
    const std::string name = lock_file_.filename().string();
    ::unlinkat(dir_, name.c_str(), 0);
    ::close(fd_);
  } else if (dir_ >= 0) {
    ::flock(dir_, LOCK_UN);
  }
  if (dir_ >= 0) ::close(dir_);
}

}  // namespace ovix::workbook
