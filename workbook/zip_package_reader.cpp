#include "workbook/zip_package_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <zip.h>
#include <zlib.h>

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

PackagePart::PackagePart(std::string name, std::string data)
    : name_(std::move(name)), size_(data.size()), data_(std::move(data)) {}

PackagePart::PackagePart(std::string name, std::string compressed, uint16_t method, uint32_t crc, uint64_t size)
    : name_(std::move(name)),
      compressed_(std::move(compressed)),
      has_compressed_(true),
      method_(method),
      crc_(crc),
      size_(size),
      inflated_(method == ZIP_CM_STORE ? nullptr : std::make_unique<Inflated>()) {}

const std::string& PackagePart::data() const {
  if (!has_compressed_) return data_;
  if (method_ == ZIP_CM_STORE) return compressed_;
  // A failure leaves the part uninflated: the next reader fails the same way.
  std::call_once(inflated_->once, [this] { inflated_->data = Inflate(); });
  return inflated_->data;
}

std::string PackagePart::Inflate() const {
  const auto damaged = [&] {
    throw excel::AutomationError("the part " + name_ + " of the workbook is damaged (it no longer inflates to the size and CRC checked at open)");
  };
  // One byte of room beyond the declared size shows a stream that goes on.
  std::string out(size_ + 1, '\0');
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) damaged();
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed_.data()));
  uint64_t in_left = compressed_.size();
  uint64_t out_given = 0;
  int rc = Z_OK;
  // zlib counts in 32 bits: a part of several gigabytes goes in steps.
  constexpr uInt kStep = 1u << 30;
  while (rc == Z_OK) {
    if (z.avail_in == 0 && in_left > 0) {
      z.avail_in = static_cast<uInt>(std::min<uint64_t>(in_left, kStep));
      in_left -= z.avail_in;
    }
    if (z.avail_out == 0 && out_given < out.size()) {
      z.next_out = reinterpret_cast<Bytef*>(out.data() + out_given);
      z.avail_out = static_cast<uInt>(std::min<uint64_t>(out.size() - out_given, kStep));
      out_given += z.avail_out;
    }
    if (z.avail_out == 0) break;
    rc = inflate(&z, Z_NO_FLUSH);
  }
  const bool complete = rc == Z_STREAM_END && z.total_out == size_;
  inflateEnd(&z);
  if (!complete) damaged();
  out.resize(size_);
  uLong crc = crc32(0L, Z_NULL, 0);
  for (uint64_t at = 0; at < size_; at += kStep) {
    crc = crc32(crc, reinterpret_cast<const Bytef*>(out.data() + at),
                static_cast<uInt>(std::min<uint64_t>(size_ - at, kStep)));
  }
  if (static_cast<uint32_t>(crc) != crc_) damaged();
  return out;
}

void PackageContents::Add(std::string name, std::string data) {
  Add(PackagePart(std::move(name), std::move(data)));
}

void PackageContents::Add(PackagePart part) {
  index_[FoldedPartName(part.name())] = parts_.size();
  parts_.push_back(std::move(part));
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

struct Entry {
  zip_uint64_t index;
  std::string name;
  uint64_t size;
  bool raw = false;  // kept compressed
  uint16_t method = 0;
  uint64_t compressed_size = 0;
  uint32_t crc = 0;
};

// Reads the entry's `expected` bytes (uncompressed, or with
// ZIP_FL_COMPRESSED as stored) into `out`, or in small steps into nothing
// when `out` is null. libzip checks the CRC when the uncompressed data ends.
void ReadEntry(zip_t* archive, const Entry& entry, zip_flags_t flags, uint64_t expected, std::string* out,
               const PackageError& error) {
  std::unique_ptr<zip_file_t, decltype(&zip_fclose)> file(zip_fopen_index(archive, entry.index, flags),
                                                          &zip_fclose);
  if (!file) {
    error.Fail("the part " + entry.name + " cannot be read (" + zip_strerror(archive) + ")");
  }
  std::string scratch;
  if (out != nullptr) {
    out->assign(expected, '\0');
  } else {
    scratch.resize(std::min<uint64_t>(expected, 64 * 1024));
  }
  zip_uint64_t done = 0;
  while (done < expected) {
    char* into = out != nullptr ? out->data() + done : scratch.data();
    const uint64_t want = out != nullptr ? expected - done : std::min<uint64_t>(expected - done, scratch.size());
    const zip_int64_t n = zip_fread(file.get(), into, want);
    if (n < 0) {
      error.Fail("the part " + entry.name + " is damaged (" + zip_file_strerror(file.get()) + ")");
    }
    if (n == 0) break;
    done += static_cast<zip_uint64_t>(n);
  }
  if (done != expected) {
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
}

PackageContents ReadArchive(zip_t* archive, const PackageError& error, const PackageLimits& limits) {
  const zip_int64_t count = zip_get_num_entries(archive, 0);
  if (count < 0) error.Fail("the ZIP package's directory cannot be read");
  if (static_cast<uint64_t>(count) > limits.max_parts) {
    error.Fail("it holds " + std::to_string(count) + " parts, more than the " +
               std::to_string(limits.max_parts) + " a workbook may have");
  }

  // Check every entry's declared sizes before reading any of them.
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
    Entry entry{static_cast<zip_uint64_t>(i), std::move(name), st.size};
    // A stored or deflated part with its CRC known is kept as the archive
    // holds it; any other method is expanded at open.
    constexpr zip_uint64_t kKnown = ZIP_STAT_COMP_METHOD | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC;
    if ((st.valid & kKnown) == kKnown && (st.comp_method == ZIP_CM_STORE || st.comp_method == ZIP_CM_DEFLATE) &&
        st.comp_size <= limits.max_part_bytes) {
      entry.raw = true;
      entry.method = static_cast<uint16_t>(st.comp_method);
      entry.compressed_size = st.comp_size;
      entry.crc = st.crc;
    }
    entries.push_back(std::move(entry));
  }

  PackageContents contents;
  for (const Entry& entry : entries) {
    if (contents.Contains(entry.name)) {
      error.Fail("the part name " + entry.name + " occurs twice");
    }
    if (entry.raw) {
      // Inflated once to check the CRC and the size, then kept compressed.
      ReadEntry(archive, entry, 0, entry.size, nullptr, error);
      std::string compressed;
      ReadEntry(archive, entry, ZIP_FL_COMPRESSED, entry.compressed_size, &compressed, error);
      contents.Add(PackagePart(entry.name, std::move(compressed), entry.method, entry.crc, entry.size));
    } else {
      std::string data;
      ReadEntry(archive, entry, 0, entry.size, &data, error);
      contents.Add(entry.name, std::move(data));
    }
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
