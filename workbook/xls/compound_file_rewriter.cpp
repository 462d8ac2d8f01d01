#include "workbook/xls/compound_file_rewriter.h"

#include <algorithm>
#include <vector>

#include "workbook/xls/le_bytes.h"

namespace ovix::workbook::xls {

namespace {

constexpr size_t kHeaderDifatEntries = 109;

class SectorSpace {
 public:
  SectorSpace(const CompoundFile& file, std::string& out)
      : file_(file), out_(out), size_(file.sector_size()), fat_(file.fat()),
        fat_sectors_(file.fat_sectors()), difat_sectors_(file.difat_sectors()),
        count_(file.sector_count()) {
    fat_.resize(fat_sectors_.size() * (size_ / 4), kFreeSector);
  }

  uint32_t& Fat(uint32_t s) { return fat_[s]; }

  // A free sector inside the file, or a new one at its end.
  uint32_t Take() {
    while (scan_ < count_ && scan_ < fat_.size()) {
      const uint32_t s = scan_++;
      if (fat_[s] == kFreeSector) {
        fat_[s] = kEndOfChain;
        return s;
      }
    }
    const uint32_t s = Append();
    fat_[s] = kEndOfChain;
    return s;
  }

  void Release(uint32_t s) {
    fat_[s] = kFreeSector;
    std::fill_n(out_.begin() + static_cast<std::ptrdiff_t>(file_.SectorOffset(s)), size_, '\0');
    scan_ = std::min(scan_, s);
  }

  // Writes the allocation table and its DIFAT (grown to hold every sector)
  // and the header's counts.
  void Finish() {
    const uint32_t per_sector = size_ / 4;
    const uint32_t per_difat = per_sector - 1;
    // Grow until the table covers every sector, its own and the DIFAT's.
    for (;;) {
      Cover();
      const size_t difat_needed =
          fat_sectors_.size() > kHeaderDifatEntries
              ? (fat_sectors_.size() - kHeaderDifatEntries + per_difat - 1) / per_difat
              : 0;
      if (difat_sectors_.size() < difat_needed) {
        const uint32_t s = Append();
        fat_[s] = kDifatSector;
        difat_sectors_.push_back(s);
        continue;
      }
      break;
    }
    for (size_t i = 0; i < fat_sectors_.size(); ++i) {
      const size_t at = file_.SectorOffset(fat_sectors_[i]);
      for (uint32_t k = 0; k < per_sector; ++k) SetU32(out_, at + 4 * k, fat_[i * per_sector + k]);
    }
    for (size_t i = 0; i < kHeaderDifatEntries; ++i) {
      SetU32(out_, 0x4C + 4 * i, i < fat_sectors_.size() ? fat_sectors_[i] : kFreeSector);
    }
    size_t next = kHeaderDifatEntries;
    for (size_t d = 0; d < difat_sectors_.size(); ++d) {
      const size_t at = file_.SectorOffset(difat_sectors_[d]);
      for (uint32_t k = 0; k < per_difat; ++k, ++next) {
        SetU32(out_, at + 4 * k, next < fat_sectors_.size() ? fat_sectors_[next] : kFreeSector);
      }
      SetU32(out_, at + 4 * per_difat, d + 1 < difat_sectors_.size() ? difat_sectors_[d + 1] : kEndOfChain);
    }
    SetU32(out_, 0x2C, static_cast<uint32_t>(fat_sectors_.size()));
    SetU32(out_, 0x44, difat_sectors_.empty() ? kEndOfChain : difat_sectors_.front());
    SetU32(out_, 0x48, static_cast<uint32_t>(difat_sectors_.size()));
  }

 private:
  // A new sector at the end of the file; a new table sector when the table
  // is full (which itself takes a sector).
  uint32_t Append() {
    if (count_ >= kDifatSector - 1) throw CompoundFileError("ファイルが大きすぎます");
    const uint32_t s = count_++;
    out_.resize(out_.size() + size_, '\0');
    Cover();
    return s;
  }

  // New table sectors until the table has an entry for every sector. A file
  // may hold more sectors than its table had entries for (bytes after the
  // last one it lists): the new table sectors are marked once the table
  // reaches them.
  void Cover() {
    std::vector<uint32_t> added;
    while (fat_.size() < count_) {
      if (count_ >= kDifatSector - 1) throw CompoundFileError("ファイルが大きすぎます");
      const uint32_t t = count_++;
      out_.resize(out_.size() + size_, '\0');
      fat_.resize(fat_.size() + size_ / 4, kFreeSector);
      fat_sectors_.push_back(t);
      added.push_back(t);
    }
    for (const uint32_t t : added) fat_[t] = kFatSector;
  }

  const CompoundFile& file_;
  std::string& out_;
  uint32_t size_;
  std::vector<uint32_t> fat_;
  std::vector<uint32_t> fat_sectors_;
  std::vector<uint32_t> difat_sectors_;
  uint32_t count_;
  uint32_t scan_ = 0;
};

}  // namespace

std::string ReplaceStream(const CompoundFile& file, uint32_t entry, std::string_view data) {
  if (entry >= file.entries().size() || file.entries()[entry].type != EntryType::kStream) {
    throw CompoundFileError("書き換えるストリームがありません");
  }
  if (data.size() >= 0xFFFFFFFFu) throw CompoundFileError("ストリームが大きすぎます");
  const DirectoryEntry& e = file.entries()[entry];
  std::string out = file.bytes();
  SectorSpace space(file, out);

  // The old contents' sectors: regular ones are reused first; mini sectors
  // are released in the mini table.
  std::vector<uint32_t> old;
  if (file.InMiniStream(e)) {
    const std::vector<uint32_t> chain = file.MiniChain(e.start);
    const uint32_t per_sector = file.sector_size() / 4;
    for (uint32_t m : chain) {
      SetU32(out, file.SectorOffset(file.mini_fat_sectors()[m / per_sector]) + 4 * (m % per_sector), kFreeSector);
      const uint64_t at = static_cast<uint64_t>(m) * file.mini_sector_size();
      const size_t host = file.SectorOffset(file.mini_stream_sectors()[at / file.sector_size()]);
      std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(host + at % file.sector_size()),
                  file.mini_sector_size(), '\0');
    }
  } else {
    old = file.Chain(e.start);
  }

  const size_t size = std::max<size_t>(data.size(), file.mini_cutoff());
  const size_t needed = (size + file.sector_size() - 1) / file.sector_size();
  std::vector<uint32_t> chain(old.begin(), old.begin() + static_cast<std::ptrdiff_t>(std::min(needed, old.size())));
  for (size_t i = chain.size(); i < old.size(); ++i) space.Release(old[i]);
  while (chain.size() < needed) chain.push_back(space.Take());
  for (size_t i = 0; i < chain.size(); ++i) {
    space.Fat(chain[i]) = i + 1 < chain.size() ? chain[i + 1] : kEndOfChain;
    const size_t at = file.SectorOffset(chain[i]);
    const size_t from = i * file.sector_size();
    const size_t n = from < data.size() ? std::min<size_t>(file.sector_size(), data.size() - from) : 0;
    std::copy_n(data.data() + from, n, out.begin() + static_cast<std::ptrdiff_t>(at));
    std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(at + n), file.sector_size() - n, '\0');
  }
  space.Finish();
  SetU32(out, e.file_offset + 0x74, chain.empty() ? kEndOfChain : chain.front());
  SetU32(out, e.file_offset + 0x78, static_cast<uint32_t>(size));
  SetU32(out, e.file_offset + 0x7C, 0);
  return out;
}

}  // namespace ovix::workbook::xls
