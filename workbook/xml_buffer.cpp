#include "workbook/xml_buffer.h"

#include <algorithm>
#include <cmath>

#include "workbook/utf8_codec.h"

namespace ovix::workbook {

namespace {

bool AllowedInXml(char32_t c) {
  if (c < 0x20) return c == 0x09 || c == 0x0A || c == 0x0D;
  if (c >= 0xD800 && c <= 0xDFFF) return false;
  return c != 0xFFFE && c != 0xFFFF && c <= 0x10FFFF;
}

bool NeedsCare(unsigned char c) {
  return c < 0x20 || c >= 0x80 || c == '&' || c == '<' || c == '>' || c == '"';
}

}  // namespace

XmlBuffer& XmlBuffer::Double(double value) {
  if (!std::isfinite(value)) value = 0;
  if (value == 0) value = 0;  // no "-0"
  char buf[32];
  const auto result = std::to_chars(buf, buf + sizeof buf, value);
  Put(buf, static_cast<size_t>(result.ptr - buf));
  return *this;
}

void XmlBuffer::Expand(size_t n) {
  if (limit_ == 0) {
    len_ = out_.size();  // the string was handed out and may have changed
  } else {
    out_.resize(len_);
  }
  const size_t need = len_ + n;
  if (need > out_.capacity()) out_.reserve(std::max(need, 2 * out_.capacity()));
  out_.resize(out_.capacity());
  limit_ = out_.size();
}

void XmlBuffer::EscapeChar(char32_t c, bool attribute) {
  if (!AllowedInXml(c)) return;
  switch (c) {
    case U'&': Raw("&amp;"); return;
    case U'<': Raw("&lt;"); return;
    case U'>': Raw("&gt;"); return;
    case U'"':
      if (attribute) {
        Raw("&quot;");
        return;
      }
      break;
    case U'\t':
    case U'\n':
    case U'\r':
      // Attribute values would fold these into blanks; keep them as they are.
      if (attribute) {
        Raw("&#").Int(static_cast<int64_t>(c)).Put(';');
        return;
      }
      if (c == U'\r') {
        Raw("&#13;");
        return;
      }
      break;
    default: break;
  }
  char bytes[4];
  size_t n;
  if (c < 0x80) {
    bytes[0] = static_cast<char>(c);
    n = 1;
  } else if (c < 0x800) {
    bytes[0] = static_cast<char>(0xC0 | (c >> 6));
    bytes[1] = static_cast<char>(0x80 | (c & 0x3F));
    n = 2;
  } else if (c < 0x10000) {
    bytes[0] = static_cast<char>(0xE0 | (c >> 12));
    bytes[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    bytes[2] = static_cast<char>(0x80 | (c & 0x3F));
    n = 3;
  } else {
    bytes[0] = static_cast<char>(0xF0 | (c >> 18));
    bytes[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    bytes[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    bytes[3] = static_cast<char>(0x80 | (c & 0x3F));
    n = 4;
  }
  Put(bytes, n);
}

void XmlBuffer::Escape(std::string_view utf8, bool attribute) {
  size_t i = 0;
  const size_t n = utf8.size();
  while (i < n) {
    // Copy plain ASCII stretches at once.
    size_t j = i;
    while (j < n && !NeedsCare(static_cast<unsigned char>(utf8[j]))) ++j;
    Put(utf8.data() + i, j - i);
    if (j == n) break;
    i = j;
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      EscapeChar(c, attribute);
      ++i;
      continue;
    }
    // One multi-byte character (or one malformed byte).
    size_t len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
    if (i + len > n) len = 1;
    const std::u32string decoded = DecodeUtf8(utf8.substr(i, len));
    if (decoded.size() == 1) {
      EscapeChar(decoded.front(), attribute);
      i += len;
    } else {
      EscapeChar(0xFFFD, attribute);
      ++i;
    }
  }
}

XmlBuffer& XmlBuffer::Text(std::u32string_view chars) {
  for (char32_t c : chars) {
    if (c < 0x80 && !NeedsCare(static_cast<unsigned char>(c))) {
      Put(static_cast<char>(c));
    } else {
      EscapeChar(c, false);
    }
  }
  return *this;
}

}  // namespace ovix::workbook
