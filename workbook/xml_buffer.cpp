#include "workbook/xml_buffer.h"

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
  out_.append(buf, static_cast<size_t>(result.ptr - buf));
  return *this;
}

void XmlBuffer::EscapeChar(char32_t c, bool attribute) {
  if (!AllowedInXml(c)) return;
  switch (c) {
    case U'&': out_.append("&amp;"); return;
    case U'<': out_.append("&lt;"); return;
    case U'>': out_.append("&gt;"); return;
    case U'"':
      if (attribute) {
        out_.append("&quot;");
        return;
      }
      break;
    case U'\t':
    case U'\n':
    case U'\r':
      // Attribute values would fold these into blanks; keep them as they are.
      if (attribute) {
        out_.append("&#");
        Int(static_cast<int64_t>(c));
        out_.push_back(';');
        return;
      }
      if (c == U'\r') {
        out_.append("&#13;");
        return;
      }
      break;
    default: break;
  }
  AppendUtf8(c, out_);
}

void XmlBuffer::Escape(std::string_view utf8, bool attribute) {
  size_t i = 0;
  const size_t n = utf8.size();
  while (i < n) {
    // Copy plain ASCII stretches at once.
    size_t j = i;
    while (j < n && !NeedsCare(static_cast<unsigned char>(utf8[j]))) ++j;
    out_.append(utf8.data() + i, j - i);
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
      out_.push_back(static_cast<char>(c));
    } else {
      EscapeChar(c, false);
    }
  }
  return *this;
}

}  // namespace ovix::workbook
