#pragma once
// Little-endian integers in byte buffers, as the legacy workbook format
// stores them. Callers check bounds first.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace ovix::workbook::xls {

inline uint16_t GetU16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
}
inline uint32_t GetU32(std::string_view b, size_t at) {
  return static_cast<uint32_t>(GetU16(b, at)) | (static_cast<uint32_t>(GetU16(b, at + 2)) << 16);
}
inline void SetU16(std::string& b, size_t at, uint16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}
inline void SetU32(std::string& b, size_t at, uint32_t v) {
  SetU16(b, at, static_cast<uint16_t>(v & 0xFFFF));
  SetU16(b, at + 2, static_cast<uint16_t>(v >> 16));
}
inline void AppendU16(std::string& b, uint16_t v) {
  b.push_back(static_cast<char>(v & 0xFF));
  b.push_back(static_cast<char>(v >> 8));
}
inline void AppendU32(std::string& b, uint32_t v) {
  AppendU16(b, static_cast<uint16_t>(v & 0xFFFF));
  AppendU16(b, static_cast<uint16_t>(v >> 16));
}
inline double GetDouble(std::string_view b, size_t at) {
  double d;
  std::memcpy(&d, b.data() + at, 8);
  return d;
}
inline void AppendDouble(std::string& b, double d) {
  char raw[8];
  std::memcpy(raw, &d, 8);
  b.append(raw, 8);
}

}  // namespace ovix::workbook::xls
