#include "workbook/zip_package.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "excel/excel_automation.h"

namespace ovix::workbook {

namespace fs = std::filesystem;

namespace {

// Deflate level for the parts: the drawing of a large sheet is hundreds of
// megabytes of very repetitive XML, which the fastest level already shrinks
// about tenfold.
constexpr zip_uint32_t kCompressionLevel = 1;

[[noreturn]] void Fail(const fs::path& target, const std::string& what) {
  throw excel::AutomationError("cannot save the workbook to \"" + target.string() + "\": " + what);
}

// Owns the archive being built in memory.
class MemoryArchive {
 public:
  explicit MemoryArchive(const fs::path& target) : target_(target) {
    zip_error_t error;
    zip_error_init(&error);
    buffer_ = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (buffer_ == nullptr) Fail(target_, zip_error_strerror(&error));
    zip_source_keep(buffer_);
    archive_ = zip_open_from_source(buffer_, ZIP_TRUNCATE, &error);
    if (archive_ == nullptr) {
      const std::string message = zip_error_strerror(&error);
      zip_error_fini(&error);
      zip_source_free(buffer_);
      Fail(target_, message);
    }
    zip_error_fini(&error);
  }

  ~MemoryArchive() {
    if (archive_ != nullptr) zip_discard(archive_);
    if (buffer_ != nullptr) zip_source_free(buffer_);
  }

  MemoryArchive(const MemoryArchive&) = delete;
  MemoryArchive& operator=(const MemoryArchive&) = delete;

  void Add(const std::string& name, std::string_view data) {
    zip_source_t* source = zip_source_buffer(archive_, data.data(), data.size(), 0);
    if (source == nullptr) Fail(target_, zip_strerror(archive_));
    const zip_int64_t index = zip_file_add(archive_, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      zip_source_free(source);
      Fail(target_, zip_strerror(archive_));
    }
    if (zip_set_file_compression(archive_, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                                 kCompressionLevel) != 0) {
      Fail(target_, zip_strerror(archive_));
    }
  }

  // Finishes the archive and hands its bytes to `sink` in pieces.
  template <typename Sink>
  void Finish(Sink&& sink) {
    if (zip_close(archive_) != 0) Fail(target_, zip_strerror(archive_));
    archive_ = nullptr;
    if (zip_source_open(buffer_) != 0) Fail(target_, zip_error_strerror(zip_source_error(buffer_)));
    std::vector<char> chunk(1 << 20);
    while (true) {
      const zip_int64_t n = zip_source_read(buffer_, chunk.data(), chunk.size());
      if (n < 0) {
        zip_source_close(buffer_);
        Fail(target_, zip_error_strerror(zip_source_error(buffer_)));
      }
      if (n == 0) break;
      sink(chunk.data(), static_cast<size_t>(n));
    }
    zip_source_close(buffer_);
  }

 private:
  fs::path target_;
  zip_source_t* buffer_ = nullptr;
  zip_t* archive_ = nullptr;
};

// A new file beside the target, removed again unless it was renamed.
class TemporaryFile {
 public:
  explicit TemporaryFile(const fs::path& target) : target_(target) {
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      char suffix[16];
      std::snprintf(suffix, sizeof suffix, "%08x", random());
      path_ = folder / ("." + target.filename().string() + "." + suffix + ".tmp");
      fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0) return;
      if (errno != EEXIST) Fail(target_, std::strerror(errno));
    }
    Fail(target_, "no free name for a temporary file");
  }

  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!renamed_) ::unlink(path_.c_str());
  }

  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  void Write(const char* data, size_t size) {
    while (size > 0) {
      const ssize_t n = ::write(fd_, data, size);
      if (n < 0) {
        if (errno == EINTR) continue;
        Fail(target_, std::strerror(errno));
      }
      data += n;
      size -= static_cast<size_t>(n);
    }
  }

  void Commit() {
    // An existing file keeps its permissions.
    struct stat existing;
    if (::stat(target_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
      ::fchmod(fd_, existing.st_mode & 07777);
    }
    if (::fsync(fd_) != 0) Fail(target_, std::strerror(errno));
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail(target_, std::strerror(errno));
    if (::rename(path_.c_str(), target_.c_str()) != 0) Fail(target_, std::strerror(errno));
    renamed_ = true;
    // Make the rename itself durable.
    fs::path folder = target_.parent_path();
    if (folder.empty()) folder = ".";
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
  }

 private:
  fs::path target_;
  fs::path path_;
  int fd_ = -1;
  bool renamed_ = false;
};

}  // namespace

void ZipPackageWriter::Add(std::string name, std::string data) {
  parts_.push_back({std::move(name), std::move(data), {}, false});
}

void ZipPackageWriter::AddView(std::string name, std::string_view data) {
  parts_.push_back({std::move(name), {}, data, true});
}

void ZipPackageWriter::Commit(const fs::path& target) const {
  std::error_code ec;
  if (fs::is_directory(target, ec)) Fail(target, "a folder has that name");
  MemoryArchive archive(target);
  for (const Part& part : parts_) archive.Add(part.name, part.data());
  TemporaryFile file(target);
  archive.Finish([&](const char* data, size_t size) { file.Write(data, size); });
  file.Commit();
}

void ReplaceFileAtomically(
    const fs::path& target,
    const std::function<void(const std::function<void(const char*, size_t)>& sink)>& write) {
  std::error_code ec;
  if (fs::is_directory(target, ec)) Fail(target, "a folder has that name");
  TemporaryFile file(target);
  write([&](const char* data, size_t size) { file.Write(data, size); });
  file.Commit();
}

}  // namespace ovix::workbook
