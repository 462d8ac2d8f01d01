#include "workbook/zip_package_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <zip.h>

#include <algorithm>
#include <memory>

#include "excel/excel_automation.h"
#include "workbook/file_replacement.h"

namespace ovix::workbook {

namespace fs = std::filesystem;

std::string FoldedPartName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

void PackageContents::Add(std::string name, std::string data) {
  index_[FoldedPartName(name)] = parts_.size();
  parts_.push_back({std::move(name), std::move(data)});
}

const PackagePart* PackageContents::Find(std::string_view name) const {
  const auto it = index_.find(FoldedPartName(name));
  return it == index_.end() ? nullptr : &parts_[it->second];
}

namespace {

class PackageError {
 public:
  explicit PackageError(std::string display_name) : display_name_(std::move(display_name)) {}
  [[noreturn]] void Fail(const std::string& what) const {
    throw excel::AutomationError("cannot open the workbook \"" + display_name_ + "\": " + what);
  }
  // A file that begins as a ZIP package but cannot be read as one: cut
  // short or damaged.
  [[noreturn]] void FailDamaged(const std::string& what) const {
    throw FileAccessError(FileFault::Damaged, display_name_, 0,
                          "cannot open the workbook \"" + display_name_ + "\": " + what);
  }

 private:
  std::string display_name_;
};

std::string LibzipOpenError(int code) {
  switch (code) {
    case ZIP_ER_NOZIP: return "it is not a ZIP package (an .xlsx workbook is one)";
    case ZIP_ER_INCONS: return "the ZIP package is damaged (its directory does not match its contents)";
    case ZIP_ER_NOENT: return "the file does not exist";
    case ZIP_ER_OPEN: return "the file cannot be opened";
    case ZIP_ER_READ: return "the file cannot be read";
    case ZIP_ER_MEMORY: return "not enough memory";
    default: {
      zip_error_t error;
      zip_error_init_with_code(&error, code);
      std::string message = zip_error_strerror(&error);
      zip_error_fini(&error);
      return "the ZIP package cannot be read (" + message + ")";
    }
  }
}

// Why `name` is not a safe part name, or nothing.
std::string UnsafeNameReason(std::string_view name) {
  if (name.empty()) return "an empty name";
  if (name.front() == '/') return "an absolute path";
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) return "a control character";
    if (c == '\\') return "a backslash";
  }
  size_t start = 0;
  while (start <= name.size()) {
    size_t slash = name.find('/', start);
    if (slash == std::string_view::npos) slash = name.size();
    const std::string_view segment = name.substr(start, slash - start);
    if (segment.empty()) return "an empty path segment";
    if (segment == "." || segment == "..") return "a \".\" or \"..\" path segment";
    start = slash + 1;
  }
  return {};
}

PackageContents ReadArchive(zip_t* archive, const PackageError& error, const PackageLimits& limits) {
  const zip_int64_t count = zip_get_num_entries(archive, 0);
  if (count < 0) error.Fail("the ZIP package's directory cannot be read");
  if (static_cast<uint64_t>(count) > limits.max_parts) {
    error.Fail("it holds " + std::to_string(count) + " parts, more than the " +
               std::to_string(limits.max_parts) + " a workbook may have");
  }

  // Check every entry's declared sizes before reading any of them.
  struct Entry {
    zip_uint64_t index;
    std::string name;
    uint64_t size;
  };
  std::vector<Entry> entries;
  entries.reserve(static_cast<size_t>(count));
  uint64_t declared_total = 0;
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &st) != 0 ||
        (st.valid & ZIP_STAT_NAME) == 0 || (st.valid & ZIP_STAT_SIZE) == 0) {
      error.Fail("entry " + std::to_string(i + 1) + " of the ZIP package cannot be read");
    }
    std::string name = st.name;
    // Folder entries carry no data and are not parts.
    if (!name.empty() && name.back() == '/' && st.size == 0) continue;
    const std::string reason = UnsafeNameReason(name);
    if (!reason.empty()) error.Fail("the part name \"" + name + "\" is unsafe (" + reason + ")");
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && st.encryption_method != ZIP_EM_NONE) {
      error.Fail("the part " + name + " is encrypted");
    }
    if (st.size > limits.max_part_bytes) {
      error.Fail("the part " + name + " would expand to " + std::to_string(st.size) +
                 " bytes, more than the limit of " + std::to_string(limits.max_part_bytes));
    }
    if (st.size > limits.ratio_threshold_bytes && (st.valid & ZIP_STAT_COMP_SIZE) != 0 &&
        static_cast<double>(st.size) >
            limits.max_compression_ratio * static_cast<double>(std::max<uint64_t>(st.comp_size, 1))) {
      error.Fail("the part " + name + " expands " +
                 std::to_string(st.size / std::max<uint64_t>(st.comp_size, 1)) +
                 " times its compressed size, which only a ZIP bomb does");
    }
    declared_total += st.size;
    if (declared_total > limits.max_total_bytes) {
      error.Fail("its parts would expand to more than " + std::to_string(limits.max_total_bytes) +
                 " bytes");
    }
    entries.push_back({static_cast<zip_uint64_t>(i), std::move(name), st.size});
  }

  PackageContents contents;
  for (const Entry& entry : entries) {
    if (contents.Contains(entry.name)) {
      error.Fail("the part name " + entry.name + " occurs twice");
    }
    std::unique_ptr<zip_file_t, decltype(&zip_fclose)> file(zip_fopen_index(archive, entry.index, 0),
                                                            &zip_fclose);
    if (!file) {
      error.Fail("the part " + entry.name + " cannot be read (" + zip_strerror(archive) + ")");
    }
    std::string data(entry.size, '\0');
    zip_uint64_t done = 0;
    while (done < entry.size) {
      const zip_int64_t n = zip_fread(file.get(), data.data() + done, entry.size - done);
      if (n < 0) {
        error.Fail("the part " + entry.name + " is damaged (" + zip_file_strerror(file.get()) + ")");
      }
      if (n == 0) break;
      done += static_cast<zip_uint64_t>(n);
    }
    if (done != entry.size) {
      error.Fail("the part " + entry.name + " is truncated");
    }
    // The entry must end where its directory says: a part that goes on
    // expanding past its declared size is not read any further.
    char extra;
    const zip_int64_t more = zip_fread(file.get(), &extra, 1);
    if (more < 0) {
      // The checksum is verified at the end of the data.
      error.Fail("the part " + entry.name + " is damaged (" + zip_file_strerror(file.get()) + ")");
    }
    if (more > 0) {
      error.Fail("the part " + entry.name + " does not match its declared size");
    }
    contents.Add(entry.name, std::move(data));
  }
  return contents;
}

}  // namespace

// The file begins with a ZIP entry's signature.
static bool StartsLikeZip(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char head[4] = {};
  const ssize_t n = ::read(fd, head, sizeof head);
  ::close(fd);
  return n == 4 && head[0] == 'P' && head[1] == 'K' && head[2] == 3 && head[3] == 4;
}

PackageContents ReadZipPackage(const fs::path& path, const PackageLimits& limits) {
  const PackageError error(path.string());
  std::error_code ec;
  if (!fs::exists(path, ec)) error.Fail("the file does not exist");
  if (fs::is_directory(path, ec)) error.Fail("it is a folder");
  int code = 0;
  zip_t* raw = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
  if (raw == nullptr) {
    if ((code == ZIP_ER_NOZIP || code == ZIP_ER_INCONS) && StartsLikeZip(path)) {
      error.FailDamaged("the ZIP package is truncated or damaged (" + LibzipOpenError(code) + ")");
    }
    error.Fail(LibzipOpenError(code));
  }
  std::unique_ptr<zip_t, decltype(&zip_discard)> archive(raw, &zip_discard);
  return ReadArchive(archive.get(), error, limits);
}

PackageContents ReadZipPackageFromMemory(const std::string& bytes, const std::string& display_name,
                                         const PackageLimits& limits) {
  const PackageError error(display_name);
  zip_error_t zerror;
  zip_error_init(&zerror);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &zerror);
  if (source == nullptr) {
    zip_error_fini(&zerror);
    error.Fail("not enough memory");
  }
  zip_t* raw = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &zerror);
  if (raw == nullptr) {
    const int code = zip_error_code_zip(&zerror);
    zip_error_fini(&zerror);
    zip_source_free(source);
    error.Fail(LibzipOpenError(code));
  }
  zip_error_fini(&zerror);
  std::unique_ptr<zip_t, decltype(&zip_discard)> archive(raw, &zip_discard);
  return ReadArchive(archive.get(), error, limits);
}

}  // namespace ovix::workbook
