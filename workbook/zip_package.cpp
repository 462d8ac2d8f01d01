#include "workbook/zip_package.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>

#include "excel/excel_automation.h"
#include "workbook/zip_archive.h"

namespace ovix::workbook {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const fs::path& target, const std::string& what) {
  throw excel::AutomationError("cannot save the workbook to \"" + target.string() + "\": " + what);
}

// Owns the archive being built in memory: each part deflated (a large one in
// chunks on all cores), then written out as one ZIP stream.
class MemoryArchive {
 public:
  explicit MemoryArchive(const fs::path& target) : target_(target) {}

  void Add(const std::string& name, std::string_view data) {
    try {
      owned_.push_back(std::make_unique<DeflatedData>(Deflate(data)));
    } catch (const std::exception& error) {
      Fail(target_, error.what());
    }
    members_.push_back({name, owned_.back().get()});
  }
  // A part deflated already (kept alive by the caller).
  void Add(const std::string& name, const DeflatedData& data) { members_.push_back({name, &data}); }

  // Hands the archive's bytes to `sink` in pieces.
  template <typename Sink>
  void Finish(Sink&& sink) {
    WriteZipArchive(members_, std::time(nullptr), sink);
  }

 private:
  static DeflatedData Deflate(std::string_view data) {
    if (data.size() < 4 * ChunkedDeflater::kChunkSize) return DeflateAll(data);
    ChunkedDeflater deflater;
    std::string chunk;
    for (size_t at = 0; at < data.size(); at += ChunkedDeflater::kChunkSize) {
      chunk.assign(data.substr(at, ChunkedDeflater::kChunkSize));
      deflater.Add(chunk);
    }
    return deflater.Finish();
  }

  fs::path target_;
  std::vector<std::unique_ptr<DeflatedData>> owned_;
  std::vector<ZipMember> members_;
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
  parts_.push_back({std::move(name), std::move(data), {}, false, nullptr});
}

void ZipPackageWriter::AddView(std::string name, std::string_view data) {
  parts_.push_back({std::move(name), {}, data, true, nullptr});
}

void ZipPackageWriter::AddDeflated(std::string name, DeflatedData data) {
  Part part;
  part.name = std::move(name);
  part.deflated = std::make_shared<DeflatedData>(std::move(data));
  parts_.push_back(std::move(part));
}

void ZipPackageWriter::Commit(const fs::path& target) const {
  std::error_code ec;
  if (fs::is_directory(target, ec)) Fail(target, "a folder has that name");
  MemoryArchive archive(target);
  for (const Part& part : parts_) {
    if (part.deflated) archive.Add(part.name, *part.deflated);
    else archive.Add(part.name, part.data());
  }
  TemporaryFile file(target);
  archive.Finish([&](const char* data, size_t size) { file.Write(data, size); });
  file.Commit();
}

}  // namespace ovix::workbook
