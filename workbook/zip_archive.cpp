#include "workbook/zip_archive.h"

#include <stdexcept>
#include <string_view>

namespace ovix::workbook {

namespace {

constexpr uint16_t kFlagUtf8Names = 1u << 11;
constexpr uint16_t kVersionPlain = 20;  // 2.0: deflate, folders
constexpr uint16_t kVersionZip64 = 45;  // 4.5: ZIP64 extensions

class Bytes {
 public:
  void U16(uint32_t v) {
    out_.push_back(static_cast<char>(v & 0xFF));
    out_.push_back(static_cast<char>((v >> 8) & 0xFF));
  }
  void U32(uint64_t v) {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  }
  void U64(uint64_t v) {
    for (int i = 0; i < 8; ++i) out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  }
  void Append(std::string_view s) { out_.append(s); }
  const std::string& str() const { return out_; }
  void Clear() { out_.clear(); }

 private:
  std::string out_;
};

// MS-DOS date and time (two-second steps, years 1980 to 2107).
void DosDateTime(std::time_t t, uint16_t& date, uint16_t& time) {
  std::tm tm{};
  localtime_r(&t, &tm);
  int year = tm.tm_year + 1900;
  if (year < 1980) {
    date = (1 << 5) | 1;  // 1980-01-01
    time = 0;
    return;
  }
  if (year > 2107) year = 2107;
  date = static_cast<uint16_t>(((year - 1980) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
  time = static_cast<uint16_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
}

// A member's local header, with the ZIP64 extra field when `zip64`.
void LocalHeader(Bytes& b, const std::string& name, bool zip64, uint16_t method, uint16_t time,
                 uint16_t date, uint32_t crc, uint64_t compressed_size, uint64_t size) {
  b.Clear();
  b.U32(0x04034b50);
  b.U16(zip64 ? kVersionZip64 : kVersionPlain);
  b.U16(kFlagUtf8Names);
  b.U16(method);
  b.U16(time);
  b.U16(date);
  b.U32(crc);
  b.U32(zip64 ? 0xFFFFFFFFu : compressed_size);
  b.U32(zip64 ? 0xFFFFFFFFu : size);
  b.U16(static_cast<uint32_t>(name.size()));
  b.U16(zip64 ? 20 : 0);
  b.Append(name);
  if (zip64) {
    b.U16(0x0001);
    b.U16(16);
    b.U64(size);
    b.U64(compressed_size);
  }
}

}  // namespace

void WriteZipArchive(const std::vector<ZipMember>& members, std::time_t modified, const ZipSink& sink,
                     uint64_t zip64_limit, const ZipPatch& patch) {
  uint16_t date = 0, time = 0;
  DosDateTime(modified, date, time);
  uint64_t offset = 0;
  std::vector<uint64_t> offsets;
  offsets.reserve(members.size());
  // What the streamed members turned out to be, for the directory.
  std::vector<DeflatedData> streamed(members.size());
  Bytes b;
  auto emit = [&](std::string_view bytes) {
    sink(bytes.data(), bytes.size());
    offset += bytes.size();
  };

  for (size_t i = 0; i < members.size(); ++i) {
    const ZipMember& m = members[i];
    if (m.stream) {
      if (!patch) throw std::logic_error("a streamed ZIP member needs a sink that can patch");
      // The header with the CRC and sizes left open, filled in after.
      const bool zip64 = m.stream_zip64;
      const uint64_t header = offset;
      offsets.push_back(offset);
      LocalHeader(b, m.name, zip64, 8, time, date, 0, 0, 0);
      emit(b.str());
      DeflatedData& d = streamed[i];
      d = m.stream([&](const char* data, size_t size) { emit(std::string_view(data, size)); });
      b.Clear();
      b.U32(d.crc);
      if (!zip64) {
        if (d.size >= zip64_limit || d.compressed_size >= zip64_limit) {
          throw std::length_error("the part " + m.name + " is too large for a ZIP member without ZIP64");
        }
        b.U32(d.compressed_size);
        b.U32(d.size);
        patch(header + 14, b.str().data(), b.str().size());
      } else {
        patch(header + 14, b.str().data(), b.str().size());
        b.Clear();
        b.U64(d.size);
        b.U64(d.compressed_size);
        patch(header + 30 + m.name.size() + 4, b.str().data(), b.str().size());
      }
      continue;
    }
    const DeflatedData& d = *m.data;
    const bool zip64 = d.size >= zip64_limit || d.compressed_size >= zip64_limit;
    offsets.push_back(offset);
    LocalHeader(b, m.name, zip64, d.method, time, date, d.crc, d.compressed_size, d.size);
    emit(b.str());
    for (const std::string& piece : d.pieces) emit(piece);
    if (!m.stored_bytes.empty()) emit(m.stored_bytes);
  }

  const uint64_t directory_offset = offset;
  for (size_t i = 0; i < members.size(); ++i) {
    const ZipMember& m = members[i];
    const DeflatedData& d = m.stream ? streamed[i] : *m.data;
    // A member streamed with the ZIP64 fields has them in the directory too.
    const bool big_size = d.size >= zip64_limit || (m.stream && m.stream_zip64);
    const bool big_compressed = d.compressed_size >= zip64_limit || big_size;
    const bool big_offset = offsets[i] >= zip64_limit;
    // The local header wrote both sizes in ZIP64 form when either was large;
    // the directory does the same.
    const bool sizes64 = big_size || big_compressed;
    const uint16_t extra = static_cast<uint16_t>((sizes64 ? 16 : 0) + (big_offset ? 8 : 0));
    const bool zip64 = extra != 0;
    b.Clear();
    b.U32(0x02014b50);
    b.U16(zip64 ? kVersionZip64 : kVersionPlain);  // made by: MS-DOS attributes
    b.U16(zip64 ? kVersionZip64 : kVersionPlain);
    b.U16(kFlagUtf8Names);
    b.U16(d.method);
    b.U16(time);
    b.U16(date);
    b.U32(d.crc);
    b.U32(sizes64 ? 0xFFFFFFFFu : d.compressed_size);
    b.U32(sizes64 ? 0xFFFFFFFFu : d.size);
    b.U16(static_cast<uint32_t>(m.name.size()));
    b.U16(zip64 ? extra + 4u : 0u);
    b.U16(0);  // comment
    b.U16(0);  // disk
    b.U16(0);  // internal attributes
    b.U32(0);  // external attributes
    b.U32(big_offset ? 0xFFFFFFFFu : offsets[i]);
    b.Append(m.name);
    if (zip64) {
      b.U16(0x0001);
      b.U16(extra);
      if (sizes64) {
        b.U64(d.size);
        b.U64(d.compressed_size);
      }
      if (big_offset) b.U64(offsets[i]);
    }
    emit(b.str());
  }
  const uint64_t directory_size = offset - directory_offset;
  const uint64_t count = members.size();

  b.Clear();
  const bool zip64_end = count >= 0xFFFF || directory_offset >= zip64_limit ||
                         directory_size >= zip64_limit;
  if (zip64_end) {
    const uint64_t record_offset = offset;
    b.U32(0x06064b50);
    b.U64(44);  // size of the rest of the record
    b.U16(kVersionZip64);
    b.U16(kVersionZip64);
    b.U32(0);
    b.U32(0);
    b.U64(count);
    b.U64(count);
    b.U64(directory_size);
    b.U64(directory_offset);
    b.U32(0x07064b50);  // locator
    b.U32(0);
    b.U64(record_offset);
    b.U32(1);
  }
  b.U32(0x06054b50);
  b.U16(0);
  b.U16(0);
  b.U16(zip64_end ? 0xFFFF : static_cast<uint32_t>(count));
  b.U16(zip64_end ? 0xFFFF : static_cast<uint32_t>(count));
  b.U32(zip64_end ? 0xFFFFFFFFu : directory_size);
  b.U32(zip64_end ? 0xFFFFFFFFu : directory_offset);
  b.U16(0);
  emit(b.str());
}

}  // namespace ovix::workbook
