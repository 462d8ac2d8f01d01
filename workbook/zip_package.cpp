#include "workbook/zip_package.h"

#include <zip.h>

#include "excel/excel_automation.h"
#include "workbook/file_replacement.h"

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

}  // namespace

void ZipPackageWriter::Add(std::string name, std::string data) {
  parts_.push_back({std::move(name), std::move(data), {}, false});
}

void ZipPackageWriter::AddView(std::string name, std::string_view data) {
  parts_.push_back({std::move(name), {}, data, true});
}

void ZipPackageWriter::Commit(const fs::path& target) const {
  MemoryArchive archive(target);
  for (const Part& part : parts_) archive.Add(part.name, part.data());
  // The archive is complete in memory before the file is touched.
  ReplaceFile(target, [&](FileSink& sink) {
    archive.Finish([&](const char* data, size_t size) { sink.Write(data, size); });
  });
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
