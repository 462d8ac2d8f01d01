#include "workbook/utf8_codec.h"

#include <cstdint>

namespace ovix::workbook {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

std::u32string DecodeUtf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    const auto c0 = static_cast<unsigned char>(text[i]);
    if (c0 < 0x80) {
      out.push_back(c0);
      ++i;
      continue;
    }
    size_t len = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((c0 & 0xE0) == 0xC0) {
      len = 2;
      cp = c0 & 0x1F;
      min = 0x80;
    } else if ((c0 & 0xF0) == 0xE0) {
      len = 3;
      cp = c0 & 0x0F;
      min = 0x800;
    } else if ((c0 & 0xF8) == 0xF0) {
      len = 4;
      cp = c0 & 0x07;
      min = 0x10000;
    }
    bool ok = len != 0 && i + len <= n;
    for (size_t k = 1; ok && k < len; ++k) {
      const auto ck = static_cast<unsigned char>(text[i + k]);
      if (!IsContinuation(ck)) {
        ok = false;
      } else {
        cp = (cp << 6) | (ck & 0x3F);
      }
    }
    if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
    if (ok) {
      out.push_back(cp);
      i += len;
    } else {
      out.push_back(kReplacement);
      ++i;
    }
  }
  return out;
}

void AppendUtf8(char32_t c, std::string& out) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) AppendUtf8(c, out);
  return out;
}

}  // namespace ovix::workbook
