#pragma once
// Reading a ZIP package (the container of an Office Open XML workbook) into
// memory with libzip, defensively: a workbook is input from outside and may
// be truncated, corrupt or hostile. The archive is checked against limits on
// the number of parts, the size of each part and of all parts together, and
// the compression ratio (zip bombs); part names are checked to be plain
// package names (no absolute paths, no "." or ".." segments, no backslashes,
// no control characters, no two names that differ only in case). Part names
// never touch the file system: parts are only ever held in memory and
// written into another archive.
//
// A stored or deflated part is kept as the archive holds it (its compressed
// bytes, CRC and sizes), verified at open by inflating it once and checking
// its CRC and size; its uncompressed bytes are made only when the engine
// reads the part, so that the parts a save does not change are copied into
// the new archive as they were, without ever being expanded in memory.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ovix::workbook {

struct PackageLimits {
  // Parts in one package (Excel's own packages hold a few hundred at most).
  size_t max_parts = 20000;
  // Uncompressed bytes of all parts together, and of one part: every part is
  // inflated once at open to be checked, and a part the engine reads is held
  // expanded (parsed parts have their own, smaller limit, kMaxParsedPartBytes).
  uint64_t max_total_bytes = uint64_t{1} << 30;
  uint64_t max_part_bytes = uint64_t{512} << 20;
  // A part larger than `ratio_threshold_bytes` may expand at most this many
  // times its compressed size. Excel's XML compresses 5 to 50 times; the
  // engine's own drawings of a hundred thousand shapes about 10 times.
  double max_compression_ratio = 250.0;
  uint64_t ratio_threshold_bytes = uint64_t{16} << 20;
};

class PackagePart {
 public:
  // A part held uncompressed.
  PackagePart(std::string name, std::string data);
  // A part held as the archive stores it: `method` 0 (stored) or 8 (deflated),
  // `compressed` the member's bytes, `crc` and `size` those of the
  // uncompressed bytes.
  PackagePart(std::string name, std::string compressed, uint16_t method, uint32_t crc, uint64_t size);

  const std::string& name() const { return name_; }  // as in the archive, without a leading "/"
  // The uncompressed bytes, inflated on first use and kept. Throws
  // excel::AutomationError when the compressed bytes do not inflate to the
  // CRC and size they were verified with.
  const std::string& data() const;
  // The member's bytes as stored in the archive it was read from, or nothing
  // for a part held uncompressed only.
  bool has_compressed() const { return has_compressed_; }
  const std::string& compressed() const { return compressed_; }
  uint16_t method() const { return method_; }
  uint32_t crc() const { return crc_; }
  uint64_t size() const { return size_; }

 private:
  std::string Inflate() const;

  std::string name_;
  std::string compressed_;
  bool has_compressed_ = false;
  uint16_t method_ = 0;
  uint32_t crc_ = 0;
  uint64_t size_ = 0;
  std::string data_;  // a part held uncompressed
  // The inflated bytes of a part held compressed, made once even when
  // several threads read the part.
  struct Inflated {
    std::once_flag once;
    std::string data;
  };
  std::unique_ptr<Inflated> inflated_;
};

// The parts of a package in archive order, found by name. Names compare
// case-insensitively (ASCII), as package part names do.
class PackageContents {
 public:
  void Add(std::string name, std::string data);
  void Add(PackagePart part);
  const PackagePart* Find(std::string_view name) const;
  bool Contains(std::string_view name) const { return Find(name) != nullptr; }
  const std::vector<PackagePart>& parts() const { return parts_; }

 private:
  std::vector<PackagePart> parts_;
  std::unordered_map<std::string, size_t> index_;  // lower-case name -> position
};

// Lower-case (ASCII) form of a part name, the key names compare by.
std::string FoldedPartName(std::string_view name);

// Reads every part of the archive at `path`. `display_name` names the
// workbook in messages. Throws excel::AutomationError saying what is wrong
// with the file (unreadable, not a ZIP archive, truncated, encrypted, over a
// limit, an unsafe or duplicate part name, a part whose data is corrupt).
PackageContents ReadZipPackage(const std::filesystem::path& path, const PackageLimits& limits = {});

// Reads the same from an archive held in memory (the tests' hostile packages).
PackageContents ReadZipPackageFromMemory(const std::string& bytes, const std::string& display_name,
                                         const PackageLimits& limits = {});

}  // namespace ovix::workbook
