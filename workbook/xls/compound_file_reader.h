#pragma once
// Reading a compound file (the container of legacy .xls workbooks): the
// header, the sector allocation table with its DIFAT chain, the mini stream
// with its own table, and the directory of storages and streams.
//
// Every sector number, chain and directory link read from the file is
// checked: a sector outside the file, a chain that loops or is shorter than
// its stream, a directory tree that loops or points outside the directory
// all end in CompoundFileError. The cost is linear in the file's size.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ovix::workbook::xls {

// The file is not a compound file or is damaged; what() says why, in the
// words a user is shown.
class CompoundFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr uint32_t kFreeSector = 0xFFFFFFFF;
inline constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kFatSector = 0xFFFFFFFD;
inline constexpr uint32_t kDifatSector = 0xFFFFFFFC;
inline constexpr uint32_t kNoStream = 0xFFFFFFFF;

enum class EntryType : uint8_t { kUnused = 0, kStorage = 1, kStream = 2, kRoot = 5 };

struct DirectoryEntry {
  std::u16string name;
  EntryType type = EntryType::kUnused;
  uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
  uint32_t start = kEndOfChain;
  uint64_t size = 0;
  size_t file_offset = 0;  // where the 128-byte entry sits in the file
};

// True when `bytes` start with the compound file signature.
bool LooksLikeCompoundFile(std::string_view bytes);

class CompoundFile {
 public:
  // Parses a whole file. The bytes are kept (padded with zeros to whole
  // sectors) so that streams can be read and the file rewritten.
  explicit CompoundFile(std::string bytes);

  const std::string& bytes() const { return bytes_; }
  uint32_t sector_size() const { return sector_size_; }
  uint32_t mini_sector_size() const { return mini_sector_size_; }
  uint32_t mini_cutoff() const { return mini_cutoff_; }
  uint32_t sector_count() const { return sector_count_; }
  size_t SectorOffset(uint32_t sector) const { return (static_cast<size_t>(sector) + 1) * sector_size_; }

  const std::vector<uint32_t>& fat() const { return fat_; }
  const std::vector<uint32_t>& fat_sectors() const { return fat_sectors_; }
  const std::vector<uint32_t>& difat_sectors() const { return difat_sectors_; }
  const std::vector<uint32_t>& mini_fat() const { return mini_fat_; }
  const std::vector<uint32_t>& mini_fat_sectors() const { return mini_fat_sectors_; }
  const std::vector<uint32_t>& mini_stream_sectors() const { return mini_stream_sectors_; }
  const std::vector<DirectoryEntry>& entries() const { return entries_; }

  // The entries directly under the storage `parent` (0 is the root), in the
  // order of the directory's tree.
  std::vector<uint32_t> Children(uint32_t parent) const;
  // The child of `parent` called `name` (compared case-insensitively, as the
  // format does), or kNoStream.
  uint32_t FindChild(uint32_t parent, std::u16string_view name) const;

  // The contents of a stream entry.
  std::string ReadStream(uint32_t entry) const;
  // Sectors of the regular chain starting at `start`, checked.
  std::vector<uint32_t> Chain(uint32_t start) const;
  // Mini sectors of the mini chain starting at `start`, checked.
  std::vector<uint32_t> MiniChain(uint32_t start) const;
  // True when the stream lives in the mini stream.
  bool InMiniStream(const DirectoryEntry& e) const { return e.type == EntryType::kStream && e.size < mini_cutoff_; }

 private:
  std::string bytes_;
  uint32_t sector_size_ = 512;
  uint32_t mini_sector_size_ = 64;
  uint32_t mini_cutoff_ = 4096;
  uint32_t sector_count_ = 0;
  std::vector<uint32_t> fat_;
  std::vector<uint32_t> fat_sectors_;
  std::vector<uint32_t> difat_sectors_;
  std::vector<uint32_t> mini_fat_;
  std::vector<uint32_t> mini_fat_sectors_;
  std::vector<uint32_t> mini_stream_sectors_;
  std::vector<DirectoryEntry> entries_;
};

}  // namespace ovix::workbook::xls
