#include "workbook/xls/compound_file_reader.h"

#include <algorithm>

#include "workbook/xls/le_bytes.h"

namespace ovix::workbook::xls {

namespace {

constexpr std::string_view kSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
constexpr size_t kHeaderDifatEntries = 109;
constexpr size_t kEntrySize = 128;

[[noreturn]] void Damaged(const std::string& what) {
  throw CompoundFileError("ファイルが壊れています（" + what + "）");
}

char16_t Upper(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - u'a' + u'A');
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  return c;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

}  // namespace

bool LooksLikeCompoundFile(std::string_view bytes) { return bytes.substr(0, 8) == kSignature; }

CompoundFile::CompoundFile(std::string bytes) : bytes_(std::move(bytes)) {
  if (bytes_.size() < 512 || !LooksLikeCompoundFile(bytes_)) {
    throw CompoundFileError("Excel 97-2003 ブック（複合ファイル）ではありません");
  }
  const std::string_view b = bytes_;
  const uint16_t major = GetU16(b, 0x1A);
  const uint16_t shift = GetU16(b, 0x1E);
  if (GetU16(b, 0x1C) != 0xFFFE) Damaged("バイト順の印が不正");
  if (!((major == 3 && shift == 9) || (major == 4 && shift == 12))) Damaged("未知の版またはセクタ長");
  if (GetU16(b, 0x20) != 6) Damaged("ミニセクタ長が不正");
  sector_size_ = 1u << shift;
  mini_sector_size_ = 64;
  mini_cutoff_ = GetU32(b, 0x38);
  if (mini_cutoff_ != 4096) Damaged("ミニストリームの境界が不正");
  // Whole sectors: a last sector cut short reads as zeros.
  if (bytes_.size() < sector_size_) bytes_.resize(sector_size_, '\0');
  if (bytes_.size() % sector_size_ != 0) bytes_.resize((bytes_.size() / sector_size_ + 1) * sector_size_, '\0');
  if (bytes_.size() / sector_size_ - 1 >= kDifatSector) Damaged("ファイルが大きすぎる");
  sector_count_ = static_cast<uint32_t>(bytes_.size() / sector_size_ - 1);
  const std::string_view all = bytes_;

  // FAT sectors: the header's 109, then the DIFAT chain.
  const uint32_t fat_count = GetU32(all, 0x2C);
  if (fat_count > sector_count_) Damaged("アロケーション表のセクタ数が不正");
  for (size_t i = 0; i < kHeaderDifatEntries && fat_sectors_.size() < fat_count; ++i) {
    fat_sectors_.push_back(GetU32(all, 0x4C + 4 * i));
  }
  const uint32_t per_difat = sector_size_ / 4 - 1;
  uint32_t difat = GetU32(all, 0x44);
  const uint32_t difat_count = GetU32(all, 0x48);
  if (difat_count > sector_count_) Damaged("DIFAT のセクタ数が不正");
  while (fat_sectors_.size() < fat_count) {
    if (difat >= sector_count_ || difat_sectors_.size() >= difat_count) Damaged("DIFAT の連鎖が不正");
    difat_sectors_.push_back(difat);
    const size_t at = SectorOffset(difat);
    for (uint32_t i = 0; i < per_difat && fat_sectors_.size() < fat_count; ++i) {
      fat_sectors_.push_back(GetU32(all, at + 4 * i));
    }
    difat = GetU32(all, at + 4 * per_difat);
  }
  fat_.reserve(static_cast<size_t>(fat_count) * (sector_size_ / 4));
  for (uint32_t s : fat_sectors_) {
    if (s >= sector_count_) Damaged("アロケーション表のセクタがファイルの外");
    const size_t at = SectorOffset(s);
    for (uint32_t i = 0; i < sector_size_ / 4; ++i) fat_.push_back(GetU32(all, at + 4 * i));
  }

  // Directory.
  const std::vector<uint32_t> dir = Chain(GetU32(all, 0x30));
  if (dir.empty()) Damaged("ディレクトリがない");
  for (uint32_t s : dir) {
    for (size_t i = 0; i < sector_size_ / kEntrySize; ++i) {
      const size_t at = SectorOffset(s) + i * kEntrySize;
      DirectoryEntry e;
      e.file_offset = at;
      const uint16_t name_bytes = GetU16(all, at + 0x40);
      const uint8_t type = static_cast<uint8_t>(all[at + 0x42]);
      e.type = type == 1 || type == 2 || type == 5 ? static_cast<EntryType>(type) : EntryType::kUnused;
      if (e.type != EntryType::kUnused) {
        if (name_bytes < 2 || name_bytes > 64 || name_bytes % 2 != 0) Damaged("ディレクトリ項目の名前が不正");
        for (size_t c = 0; c + 1 < name_bytes / 2u; ++c) {
          e.name.push_back(static_cast<char16_t>(GetU16(all, at + 2 * c)));
        }
      }
      e.left = GetU32(all, at + 0x44);
      e.right = GetU32(all, at + 0x48);
      e.child = GetU32(all, at + 0x4C);
      e.start = GetU32(all, at + 0x74);
      // Version 3 files keep only the low half; the high half may hold junk.
      e.size = major == 3 ? GetU32(all, at + 0x78)
                          : (static_cast<uint64_t>(GetU32(all, at + 0x7C)) << 32) | GetU32(all, at + 0x78);
      entries_.push_back(std::move(e));
    }
  }
  if (entries_[0].type != EntryType::kRoot) Damaged("ルート項目がない");

  // Mini stream and its table.
  const DirectoryEntry& root = entries_[0];
  if (root.size > 0) {
    mini_stream_sectors_ = Chain(root.start);
    if (static_cast<uint64_t>(mini_stream_sectors_.size()) * sector_size_ < root.size) {
      Damaged("ミニストリームが短い");
    }
  }
  const uint32_t first_mini_fat = GetU32(all, 0x3C);
  if (first_mini_fat != kEndOfChain && first_mini_fat != kFreeSector) {
    mini_fat_sectors_ = Chain(first_mini_fat);
    for (uint32_t s : mini_fat_sectors_) {
      for (uint32_t i = 0; i < sector_size_ / 4; ++i) mini_fat_.push_back(GetU32(all, SectorOffset(s) + 4 * i));
    }
  }
}

std::vector<uint32_t> CompoundFile::Chain(uint32_t start) const {
  std::vector<uint32_t> chain;
  uint32_t s = start;
  while (s != kEndOfChain) {
    if (s >= sector_count_ || s >= fat_.size()) Damaged("セクタ連鎖がファイルの外を指す");
    if (chain.size() >= sector_count_) Damaged("セクタ連鎖が循環している");
    chain.push_back(s);
    s = fat_[s];
  }
  return chain;
}

std::vector<uint32_t> CompoundFile::MiniChain(uint32_t start) const {
  std::vector<uint32_t> chain;
  const uint64_t mini_count = std::min<uint64_t>(mini_fat_.size(), entries_[0].size / mini_sector_size_);
  uint32_t s = start;
  while (s != kEndOfChain) {
    if (s >= mini_count) Damaged("ミニセクタ連鎖がミニストリームの外を指す");
    if (chain.size() >= mini_count) Damaged("ミニセクタ連鎖が循環している");
    chain.push_back(s);
    s = mini_fat_[s];
  }
  return chain;
}

std::vector<uint32_t> CompoundFile::Children(uint32_t parent) const {
  std::vector<uint32_t> out;
  if (parent >= entries_.size()) return out;
  std::vector<bool> seen(entries_.size(), false);
  // In-order walk of the red-black tree under the parent, without recursion.
  std::vector<uint32_t> stack;
  uint32_t node = entries_[parent].child;
  while (node != kNoStream || !stack.empty()) {
    while (node != kNoStream) {
      if (node >= entries_.size() || seen[node] || entries_[node].type == EntryType::kUnused) {
        Damaged("ディレクトリの木が不正");
      }
      seen[node] = true;
      stack.push_back(node);
      node = entries_[node].left;
    }
    node = stack.back();
    stack.pop_back();
    out.push_back(node);
    node = entries_[node].right;
  }
  return out;
}

uint32_t CompoundFile::FindChild(uint32_t parent, std::u16string_view name) const {
  for (uint32_t c : Children(parent)) {
    if (SameName(entries_[c].name, name)) return c;
  }
  return kNoStream;
}

std::string CompoundFile::ReadStream(uint32_t entry) const {
  if (entry >= entries_.size() || entries_[entry].type != EntryType::kStream) Damaged("ストリームではない");
  const DirectoryEntry& e = entries_[entry];
  std::string out;
  if (InMiniStream(e)) {
    const std::vector<uint32_t> chain = MiniChain(e.start);
    if (static_cast<uint64_t>(chain.size()) * mini_sector_size_ < e.size) Damaged("ストリームの連鎖が短い");
    out.reserve(static_cast<size_t>(e.size));
    for (uint32_t m : chain) {
      if (out.size() >= e.size) break;
      const uint64_t at = static_cast<uint64_t>(m) * mini_sector_size_;
      const uint32_t sector = mini_stream_sectors_[static_cast<size_t>(at / sector_size_)];
      const size_t n = static_cast<size_t>(std::min<uint64_t>(mini_sector_size_, e.size - out.size()));
      out.append(bytes_, SectorOffset(sector) + at % sector_size_, n);
    }
    return out;
  }
  const std::vector<uint32_t> chain = Chain(e.start);
  if (static_cast<uint64_t>(chain.size()) * sector_size_ < e.size) Damaged("ストリームの連鎖が短い");
  out.reserve(static_cast<size_t>(e.size));
  for (uint32_t s : chain) {
    if (out.size() >= e.size) break;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(sector_size_, e.size - out.size()));
    out.append(bytes_, SectorOffset(s), n);
  }
  return out;
}

}  // namespace ovix::workbook::xls
