#pragma once
// Little-endian bytes appended to a growing buffer, and the sink a finished
// file is handed to.

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include "workbook/utf8_codec.h"

namespace ovix::workbook::xls {

// Receives a file's bytes in order, in pieces of any size.
using ByteSink = std::function<void(const char* data, size_t size)>;

class ByteBuffer {
 public:
  void U8(uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    U16(static_cast<uint16_t>(v >> 16));
  }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void F64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    U32(static_cast<uint32_t>(bits));
    U32(static_cast<uint32_t>(bits >> 32));
  }
  void Zeros(size_t n) { out_.append(n, '\0'); }
  void Bytes(std::string_view bytes) { out_.append(bytes); }
  // UTF-16LE code units.
  void Utf16(std::u16string_view text) {
    for (char16_t c : text) U16(static_cast<uint16_t>(c));
  }

  // Overwrites bytes already written.
  void PatchU16(size_t at, uint16_t v) {
    out_[at] = static_cast<char>(v);
    out_[at + 1] = static_cast<char>(v >> 8);
  }
  void PatchU32(size_t at, uint32_t v) {
    PatchU16(at, static_cast<uint16_t>(v));
    PatchU16(at + 2, static_cast<uint16_t>(v >> 16));
  }

  size_t size() const { return out_.size(); }
  void Reserve(size_t n) { out_.reserve(n); }
  void Clear() { out_.clear(); }
  std::string& str() { return out_; }
  const std::string& str() const { return out_; }
  std::string_view view() const { return out_; }

 private:
  std::string out_;
};

// Code points as UTF-16 code units.
inline std::u16string ToUtf16(std::u32string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char32_t c : text) {
    if (c >= 0x10000 && c <= 0x10FFFF) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c > 0x10FFFF ? 0xFFFD : c));
    }
  }
  return out;
}

inline std::u16string Utf8ToUtf16(std::string_view text) { return ToUtf16(DecodeUtf8(text)); }

}  // namespace ovix::workbook::xls
