#pragma once
// A fast append-only XML text builder for the parts of a package: raw markup,
// escaped text and attribute values, and numbers, into one growing string.
// Text from outside (names, fonts, characters, headers) is made safe for
// XML 1.0: malformed UTF-8 becomes U+FFFD and characters XML cannot hold
// (control characters other than tab, line feed and carriage return) are
// dropped.

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace ovix::workbook {

class XmlBuffer {
 public:
  XmlBuffer& Raw(std::string_view markup) {
    out_.append(markup);
    return *this;
  }

  XmlBuffer& Int(int64_t value) {
    char buf[24];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    out_.append(buf, static_cast<size_t>(result.ptr - buf));
    return *this;
  }

  // Shortest form that reads back as the same double ("0.7", "100").
  XmlBuffer& Double(double value);

  // Element content, escaped.
  XmlBuffer& Text(std::string_view utf8) {
    Escape(utf8, false);
    return *this;
  }
  XmlBuffer& Text(std::u32string_view chars);

  // ` name="value"` with the value escaped.
  XmlBuffer& Attr(std::string_view name, std::string_view value) {
    out_.push_back(' ');
    out_.append(name);
    out_.append("=\"");
    Escape(value, true);
    out_.push_back('"');
    return *this;
  }
  XmlBuffer& Attr(std::string_view name, int64_t value) {
    out_.push_back(' ');
    out_.append(name);
    out_.append("=\"");
    Int(value);
    out_.push_back('"');
    return *this;
  }

  std::string& str() { return out_; }
  size_t size() const { return out_.size(); }
  void Reserve(size_t n) { out_.reserve(n); }

 private:
  void Escape(std::string_view utf8, bool attribute);
  void EscapeChar(char32_t c, bool attribute);
  std::string out_;
};

// The XML declaration every part starts with.
inline constexpr std::string_view kXmlDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

}  // namespace ovix::workbook
