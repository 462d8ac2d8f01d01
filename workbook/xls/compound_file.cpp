#include "workbook/xls/compound_file.h"

#include <algorithm>
#include <cstdint>
#include <functional>

#include "excel/excel_automation.h"

namespace ovix::workbook::xls {

namespace {

constexpr uint32_t kSectorSize = 512;
constexpr uint32_t kMiniSectorSize = 64;
constexpr uint32_t kMiniCutoff = 4096;
constexpr uint32_t kIdsPerSector = kSectorSize / 4;  // 128
constexpr uint32_t kHeaderFatIds = 109;
constexpr uint32_t kEntriesPerSector = kSectorSize / 128;
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFatSector = 0xFFFFFFFD;
constexpr uint32_t kDifatSector = 0xFFFFFFFC;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
// Sector numbers from here on are reserved markers.
constexpr uint64_t kMaxSectors = 0xFFFFFFFA;

uint64_t CeilDiv(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

// Directory order of sibling names: shorter first, then by upper-cased code
// units.
bool NameLess(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return a.size() < b.size();
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return Upper(a[i]) < Upper(b[i]);
  }
  return false;
}

struct Entry {
  std::u16string name;
  uint8_t type = 0;  // 5 root, 2 stream
  uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
  uint32_t start = kEndOfChain;
  uint64_t size = 0;
};

// Buffers small writes into sector-sized pieces for the sink.
class SectorWriter {
 public:
  explicit SectorWriter(const ByteSink& sink) : sink_(sink) {}
  ~SectorWriter() = default;
  void Write(std::string_view bytes) {
    if (bytes.size() >= (1u << 16)) {
      Flush();
      sink_(bytes.data(), bytes.size());
      return;
    }
    buf_.append(bytes);
    if (buf_.size() >= (1u << 16)) Flush();
  }
  void Pad(uint64_t written, uint32_t unit) {
    const uint64_t rest = written % unit;
    if (rest != 0) buf_.append(unit - rest, '\0');
  }
  void Flush() {
    if (!buf_.empty()) sink_(buf_.data(), buf_.size());
    buf_.clear();
  }

 private:
  const ByteSink& sink_;
  std::string buf_;
};

}  // namespace

void WriteCompoundFile(const std::vector<CompoundStream>& streams, std::string_view root_clsid,
                       const ByteSink& sink) {
  // Sectors: [big streams][mini stream][mini FAT][directory][FAT][DIFAT].
  std::vector<Entry> entries(1);
  entries[0].name = u"Root Entry";
  entries[0].type = 5;
  uint64_t next_sector = 0;
  uint64_t mini_sectors = 0;
  std::vector<uint32_t> mini_fat;
  for (const CompoundStream& s : streams) {
    if (s.name.empty() || s.name.size() > 31) {
      throw excel::AutomationError("a compound file stream name must have 1 to 31 characters");
    }
    const uint64_t size = s.size();
    if (size > 0xFFFFFFFFull) {
      throw excel::AutomationError("a stream of a legacy workbook file holds at most 4 GB");
    }
    Entry e;
    e.name = s.name;
    e.type = 2;
    e.size = size;
    if (size == 0) {
      e.start = kEndOfChain;
    } else if (size < kMiniCutoff) {
      e.start = static_cast<uint32_t>(mini_sectors);
      const uint64_t n = CeilDiv(size, kMiniSectorSize);
      for (uint64_t i = 0; i < n; ++i) {
        mini_fat.push_back(i + 1 < n ? static_cast<uint32_t>(mini_sectors + i + 1) : kEndOfChain);
      }
      mini_sectors += n;
    } else {
      e.start = static_cast<uint32_t>(next_sector);
      next_sector += CeilDiv(size, kSectorSize);
    }
    entries.push_back(std::move(e));
  }
  const uint64_t big_sectors = next_sector;
  const uint64_t mini_stream_size = mini_sectors * kMiniSectorSize;
  const uint64_t mini_stream_sectors = CeilDiv(mini_stream_size, kSectorSize);
  const uint64_t mini_fat_sectors = CeilDiv(mini_fat.size() * 4, kSectorSize);
  const uint64_t dir_sectors = CeilDiv(entries.size(), kEntriesPerSector);
  const uint64_t before_fat = big_sectors + mini_stream_sectors + mini_fat_sectors + dir_sectors;
  uint64_t fat_sectors = 0;
  uint64_t difat_sectors = 0;
  while (true) {
    const uint64_t f = CeilDiv(before_fat + fat_sectors + difat_sectors, kIdsPerSector);
    const uint64_t d = f > kHeaderFatIds ? CeilDiv(f - kHeaderFatIds, kIdsPerSector - 1) : 0;
    if (f == fat_sectors && d == difat_sectors) break;
    fat_sectors = f;
    difat_sectors = d;
  }
  const uint64_t total = before_fat + fat_sectors + difat_sectors;
  if (total > kMaxSectors) throw excel::AutomationError("the workbook is too large for a legacy file");

  const uint32_t mini_stream_start = static_cast<uint32_t>(big_sectors);
  const uint32_t mini_fat_start = static_cast<uint32_t>(big_sectors + mini_stream_sectors);
  const uint32_t dir_start = static_cast<uint32_t>(mini_fat_start + mini_fat_sectors);
  const uint32_t fat_start = static_cast<uint32_t>(dir_start + dir_sectors);
  const uint32_t difat_start = static_cast<uint32_t>(fat_start + fat_sectors);
  entries[0].start = mini_stream_size > 0 ? mini_stream_start : kEndOfChain;
  entries[0].size = mini_stream_size;

  // The root's children as a balanced search tree (all black).
  std::vector<uint32_t> order;
  for (uint32_t i = 1; i < entries.size(); ++i) order.push_back(i);
  std::sort(order.begin(), order.end(),
            [&](uint32_t a, uint32_t b) { return NameLess(entries[a].name, entries[b].name); });
  std::function<uint32_t(size_t, size_t)> build = [&](size_t lo, size_t hi) -> uint32_t {
    if (lo >= hi) return kNoStream;
    const size_t mid = lo + (hi - lo) / 2;
    Entry& e = entries[order[mid]];
    e.left = build(lo, mid);
    e.right = build(mid + 1, hi);
    return order[mid];
  };
  entries[0].child = build(0, order.size());

  SectorWriter out(sink);
  ByteBuffer b;
  // Header.
  b.Bytes(std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
  b.Zeros(16);
  b.U16(0x003E);
  b.U16(3);
  b.U16(0xFFFE);
  b.U16(9);
  b.U16(6);
  b.Zeros(6);
  b.U32(0);  // directory sectors: always 0 in version 3
  b.U32(static_cast<uint32_t>(fat_sectors));
  b.U32(dir_start);
  b.U32(0);
  b.U32(kMiniCutoff);
  b.U32(mini_fat_sectors > 0 ? mini_fat_start : kEndOfChain);
  b.U32(static_cast<uint32_t>(mini_fat_sectors));
  b.U32(difat_sectors > 0 ? difat_start : kEndOfChain);
  b.U32(static_cast<uint32_t>(difat_sectors));
  for (uint32_t i = 0; i < kHeaderFatIds; ++i) {
    b.U32(i < fat_sectors ? fat_start + i : kFreeSector);
  }
  out.Write(b.view());

  // Big streams, then the mini stream.
  for (const CompoundStream& s : streams) {
    const uint64_t size = s.size();
    if (size < kMiniCutoff) continue;
    for (std::string_view p : s.pieces) out.Write(p);
    out.Pad(size, kSectorSize);
  }
  for (const CompoundStream& s : streams) {
    const uint64_t size = s.size();
    if (size == 0 || size >= kMiniCutoff) continue;
    for (std::string_view p : s.pieces) out.Write(p);
    out.Pad(size, kMiniSectorSize);
  }
  out.Pad(mini_stream_size, kSectorSize);

  // Mini FAT.
  b.Clear();
  for (uint32_t id : mini_fat) b.U32(id);
  while (b.size() % kSectorSize != 0) b.U32(kFreeSector);
  out.Write(b.view());

  // Directory.
  b.Clear();
  for (const Entry& e : entries) {
    const size_t start = b.size();
    b.Utf16(e.name);
    b.U16(0);
    b.Zeros(64 - (b.size() - start));
    b.U16(static_cast<uint16_t>((e.name.size() + 1) * 2));
    b.U8(e.type);
    b.U8(1);  // black
    b.U32(e.left);
    b.U32(e.right);
    b.U32(e.child);
    if (e.type == 5 && root_clsid.size() == 16) {
      b.Bytes(root_clsid);
    } else {
      b.Zeros(16);
    }
    b.U32(0);
    b.Zeros(16);  // creation and modification times
    b.U32(e.start);
    b.U32(static_cast<uint32_t>(e.size));
    b.U32(0);
  }
  while (b.size() % kSectorSize != 0) {
    b.Zeros(68);
    b.U32(kNoStream);
    b.U32(kNoStream);
    b.U32(kNoStream);
    b.Zeros(48);
  }
  out.Write(b.view());

  // FAT: every chain runs through consecutive sectors.
  b.Clear();
  auto chain = [&](uint64_t first, uint64_t count) {
    for (uint64_t i = 0; i < count; ++i) {
      b.U32(i + 1 < count ? static_cast<uint32_t>(first + i + 1) : kEndOfChain);
    }
  };
  for (const Entry& e : entries) {
    if (e.type == 2 && e.size >= kMiniCutoff) chain(e.start, CeilDiv(e.size, kSectorSize));
  }
  chain(mini_stream_start, mini_stream_sectors);
  chain(mini_fat_start, mini_fat_sectors);
  chain(dir_start, dir_sectors);
  for (uint64_t i = 0; i < fat_sectors; ++i) b.U32(kFatSector);
  for (uint64_t i = 0; i < difat_sectors; ++i) b.U32(kDifatSector);
  while (b.size() < fat_sectors * kSectorSize) b.U32(kFreeSector);
  out.Write(b.view());

  // DIFAT: the FAT sectors past the header's 109, 127 to a sector, chained.
  b.Clear();
  for (uint64_t d = 0; d < difat_sectors; ++d) {
    for (uint32_t i = 0; i < kIdsPerSector - 1; ++i) {
      const uint64_t fat = kHeaderFatIds + d * (kIdsPerSector - 1) + i;
      b.U32(fat < fat_sectors ? static_cast<uint32_t>(fat_start + fat) : kFreeSector);
    }
    b.U32(d + 1 < difat_sectors ? static_cast<uint32_t>(difat_start + d + 1) : kEndOfChain);
  }
  out.Write(b.view());
  out.Flush();
}

}  // namespace ovix::workbook::xls
