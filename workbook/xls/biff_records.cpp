#include "workbook/xls/biff_records.h"

#include <algorithm>

#include "workbook/utf8_codec.h"
#include "workbook/xls/le_bytes.h"

namespace ovix::workbook::xls {

std::vector<BiffRecord> SplitRecords(std::string_view stream, size_t& padding_at) {
  std::vector<BiffRecord> records;
  size_t at = 0;
  while (at < stream.size()) {
    if (stream.size() - at < 4) {
      if (std::all_of(stream.begin() + static_cast<std::ptrdiff_t>(at), stream.end(), [](char c) { return c == 0; })) break;
      throw XlsFormatError("ブックのレコードが途中で切れています");
    }
    const uint16_t type = GetU16(stream, at);
    const uint16_t size = GetU16(stream, at + 2);
    if (type == 0 && size == 0 &&
        std::all_of(stream.begin() + static_cast<std::ptrdiff_t>(at), stream.end(), [](char c) { return c == 0; })) {
      break;
    }
    if (size > kMaxRecordData || stream.size() - at - 4 < size) {
      throw XlsFormatError("ブックのレコードが壊れています（位置 " + std::to_string(at) + "）");
    }
    records.push_back({type, static_cast<uint32_t>(at), size});
    at += 4 + size;
  }
  padding_at = at;
  return records;
}

void AppendRecord(std::string& out, uint16_t type, std::string_view data) {
  AppendU16(out, type);
  AppendU16(out, static_cast<uint16_t>(data.size()));
  out.append(data);
}

void AppendContinued(std::string& out, uint16_t type, std::string_view data) {
  size_t at = 0;
  do {
    const size_t n = std::min(kMaxRecordData, data.size() - at);
    AppendRecord(out, at == 0 ? type : rt::kContinue, data.substr(at, n));
    at += n;
  } while (at < data.size());
}

namespace {

std::string ReadChars(std::string_view data, size_t& at, size_t count) {
  if (count == 0 && at >= data.size()) return {};
  if (at >= data.size()) throw XlsFormatError("ブックの文字列が壊れています");
  const bool wide = (static_cast<uint8_t>(data[at]) & 0x01) != 0;
  ++at;
  const size_t bytes = wide ? 2 * count : count;
  if (data.size() - at < bytes) throw XlsFormatError("ブックの文字列が壊れています");
  std::string out;
  for (size_t i = 0; i < count; ++i) {
    char32_t c = wide ? GetU16(data, at + 2 * i) : static_cast<uint8_t>(data[at + i]);
    if (wide && c >= 0xD800 && c < 0xDC00 && i + 1 < count) {
      const char32_t low = GetU16(data, at + 2 * (i + 1));
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
    AppendUtf8(c, out);
  }
  at += bytes;
  return out;
}

}  // namespace

std::string ReadShortString(std::string_view data, size_t& at) {
  if (at >= data.size()) throw XlsFormatError("ブックの文字列が壊れています");
  const size_t count = static_cast<uint8_t>(data[at++]);
  return ReadChars(data, at, count);
}

std::string ReadLongString(std::string_view data, size_t& at) {
  if (data.size() < 2 || at > data.size() - 2) throw XlsFormatError("ブックの文字列が壊れています");
  const size_t count = GetU16(data, at);
  at += 2;
  return ReadChars(data, at, count);
}

std::string EncodeLongString(std::string_view utf8) {
  std::u16string units;
  for (char32_t c : DecodeUtf8(utf8)) {
    if (c >= 0x10000) {
      units.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(c));
    }
  }
  std::string out;
  AppendU16(out, static_cast<uint16_t>(units.size()));
  out.push_back('\x01');
  for (char16_t u : units) AppendU16(out, u);
  return out;
}

}  // namespace ovix::workbook::xls
