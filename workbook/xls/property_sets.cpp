#include "workbook/xls/property_sets.h"

#include <cstdint>
#include <vector>

#include "workbook/xls/byte_buffer.h"

namespace ovix::workbook::xls {

namespace {

constexpr uint16_t kVtI2 = 2;
constexpr uint16_t kVtI4 = 3;
constexpr uint16_t kVtBool = 11;
constexpr uint16_t kVtLpstr = 30;
constexpr uint16_t kVtFiletime = 64;
constexpr uint16_t kCodePage = 1200;

// {F29F85E0-4FF9-1068-AB91-08002B27B3D9} and
// {D5CDD502-2E9C-101B-9397-08002B2CF9AE}, as stored.
constexpr char kSummaryFormat[] = "\xE0\x85\x9F\xF2\xF9\x4F\x68\x10\xAB\x91\x08\x00\x2B\x27\xB3\xD9";
constexpr char kDocumentSummaryFormat[] =
    "\x02\xD5\xCD\xD5\x9C\x2E\x1B\x10\x93\x97\x08\x00\x2B\x2C\xF9\xAE";

class Section {
 public:
  void I2(uint32_t id, int16_t v) {
    ByteBuffer& b = Begin(id, kVtI2);
    b.U16(static_cast<uint16_t>(v));
    b.U16(0);
  }
  void I4(uint32_t id, int32_t v) { Begin(id, kVtI4).I32(v); }
  void Bool(uint32_t id, bool v) {
    ByteBuffer& b = Begin(id, kVtBool);
    b.U16(v ? 0xFFFF : 0);
    b.U16(0);
  }
  // With code page 1200 the string's bytes are UTF-16, NUL included.
  void String(uint32_t id, const std::string& utf8) {
    ByteBuffer& b = Begin(id, kVtLpstr);
    const std::u16string text = Utf8ToUtf16(utf8);
    b.U32(static_cast<uint32_t>((text.size() + 1) * 2));
    b.Utf16(text);
    b.U16(0);
    while (b.size() % 4 != 0) b.U8(0);
  }
  void Time(uint32_t id, std::time_t t) {
    // 100-nanosecond intervals since 1601-01-01.
    const uint64_t v = (static_cast<uint64_t>(t) + 11644473600ull) * 10000000ull;
    ByteBuffer& b = Begin(id, kVtFiletime);
    b.U32(static_cast<uint32_t>(v));
    b.U32(static_cast<uint32_t>(v >> 32));
  }

  std::string Stream(const char* format_id) const {
    ByteBuffer out;
    out.U16(0xFFFE);
    out.U16(0);
    out.U32(0x00020006);  // written on a 32-bit Windows 6
    out.Zeros(16);
    out.U32(1);
    out.Bytes(std::string_view(format_id, 16));
    out.U32(48);
    const size_t table = 8 + 8 * values_.size();
    size_t size = table;
    for (const auto& v : values_) size += v.second.size();
    out.U32(static_cast<uint32_t>(size));
    out.U32(static_cast<uint32_t>(values_.size()));
    size_t at = table;
    for (const auto& v : values_) {
      out.U32(v.first);
      out.U32(static_cast<uint32_t>(at));
      at += v.second.size();
    }
    for (const auto& v : values_) out.Bytes(v.second.view());
    return std::move(out.str());
  }

 private:
  ByteBuffer& Begin(uint32_t id, uint16_t type) {
    values_.push_back({id, ByteBuffer()});
    ByteBuffer& b = values_.back().second;
    b.U16(type);
    b.U16(0);
    return b;
  }
  std::vector<std::pair<uint32_t, ByteBuffer>> values_;
};

}  // namespace

std::string SummaryInformationStream(const DocumentProperties& p) {
  Section s;
  s.I2(1, static_cast<int16_t>(kCodePage));
  if (!p.title.empty()) s.String(2, p.title);
  s.String(4, p.author);
  s.String(8, p.author);
  s.String(18, p.application);
  s.Time(12, p.created);
  s.Time(13, p.saved);
  s.I4(19, 0);  // no document security
  return s.Stream(kSummaryFormat);
}

std::string DocumentSummaryInformationStream() {
  Section s;
  s.I2(1, static_cast<int16_t>(kCodePage));
  s.Bool(11, false);  // scale crop
  s.Bool(16, false);  // links up to date
  s.Bool(19, false);  // shared document
  s.Bool(22, false);  // hyperlinks changed
  return s.Stream(kDocumentSummaryFormat);
}

}  // namespace ovix::workbook::xls
