#pragma once
// A fast append-only XML text builder for the parts of a package: raw markup,
// escaped text and attribute values, and numbers, into one growing string.
// Text from outside (names, fonts, characters, headers) is made safe for
// XML 1.0: malformed UTF-8 becomes U+FFFD and characters XML cannot hold
// (control characters other than tab, line feed and carriage return) are
// dropped.

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace ovix::workbook {

class XmlBuffer {
 public:
  XmlBuffer& Raw(std::string_view markup) {
    Put(markup.data(), markup.size());
    return *this;
  }

  XmlBuffer& Int(int64_t value) {
    char* p = Room(kIntRoom);
    len_ = static_cast<size_t>(std::to_chars(p, p + kIntRoom, value).ptr - out_.data());
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
    char* p = Room(name.size() + 3);
    *p++ = ' ';
    std::memcpy(p, name.data(), name.size());
    p += name.size();
    *p++ = '=';
    *p++ = '"';
    len_ = static_cast<size_t>(p - out_.data());
    Escape(value, true);
    Put('"');
    return *this;
  }
  XmlBuffer& Attr(std::string_view name, int64_t value) {
    char* p = Room(name.size() + 4 + kIntRoom);
    *p++ = ' ';
    std::memcpy(p, name.data(), name.size());
    p += name.size();
    *p++ = '=';
    *p++ = '"';
    p = std::to_chars(p, p + kIntRoom, value).ptr;
    *p++ = '"';
    len_ = static_cast<size_t>(p - out_.data());
    return *this;
  }

  // The text written so far, as a string the caller may change, append to,
  // clear or move from; writing resumes at its end.
  std::string& str() {
    Settle();
    return out_;
  }
  size_t size() const { return limit_ != 0 ? len_ : out_.size(); }
  void Reserve(size_t n) {
    Settle();
    out_.reserve(n);
  }

 private:
  static constexpr size_t kIntRoom = 20;  // "-9223372036854775808"

  // The string is kept longer than the text, its tail spare room that writes
  // fill through a cursor: small copies inline instead of one library call
  // each. limit_ == 0 means the string holds exactly the text.
  char* Room(size_t n) {
    if (n > limit_ - len_) [[unlikely]]
      Expand(n);
    return out_.data() + len_;
  }
  void Put(const char* data, size_t n) {
    char* p = Room(n);
    std::memcpy(p, data, n);
    len_ += n;
  }
  void Put(char c) {
    *Room(1) = c;
    ++len_;
  }
  void Settle() {
    if (limit_ == 0) return;
    out_.resize(len_);
    limit_ = 0;
    len_ = 0;
  }
  void Expand(size_t n);
  void Escape(std::string_view utf8, bool attribute);
  void EscapeChar(char32_t c, bool attribute);
  std::string out_;
  size_t len_ = 0;
  size_t limit_ = 0;
};

// The XML declaration every part starts with.
inline constexpr std::string_view kXmlDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

}  // namespace ovix::workbook
