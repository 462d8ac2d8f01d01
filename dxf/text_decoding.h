#pragma once
// Decoding the strings of a DXF file to UTF-8.
//
// Which encoding a file uses follows from what it says about itself:
// - a UTF-8 byte-order mark, or $ACADVER AC1021 (2007) or later: UTF-8;
// - otherwise $DWGCODEPAGE: ANSI_932 is Shift-JIS (code page 932),
//   ANSI_1252 Windows-1252, any other ANSI_nnn (or DOSnnn) code page nnn;
// - when the header says neither: UTF-8 if every string in the file is valid
//   UTF-8, otherwise code page 932 (the Japanese Windows default).
//
// Every string is then decoded to UTF-8 through iconv, and the escapes that
// writers use for characters outside the code page are replaced by those
// characters: \U+XXXX (a Unicode code point) and \M+nXXXX (a double-byte
// character of code page n: 1 = 932, 2 = 950, 3 = 949, 4 = 1361, 5 = 936).
// Everything else, MTEXT formatting codes included, stays as written.
// Bytes that the encoding cannot decode become U+FFFD.

#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace ovix {

// What the file says about its encoding; empty strings when it says nothing.
struct DxfEncodingClues {
  bool ByteOrderMark = false;
  std::string AcadVer;       // $ACADVER, e.g. "AC1015"
  std::string DwgCodePage;   // $DWGCODEPAGE, e.g. "ANSI_932"
  bool AllStringsUtf8 = true;  // every string checked so far is valid UTF-8
};

// The iconv name of the encoding chosen for a file ("UTF-8", "CP932",
// "CP1252", ...).
std::string ChooseDxfEncoding(const DxfEncodingClues& clues);

// The iconv name of a $DWGCODEPAGE value, or "" when it names none.
std::string CodePageEncoding(std::string_view dwg_code_page);

// Whether `text` needs more than a plain copy to become UTF-8: a byte above
// 0x7F or a backslash that may start an escape.
inline bool NeedsDxfDecoding(std::string_view text) {
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0x80) != 0 || c == '\\') return true;
  }
  return false;
}

// Decodes the strings of one file. Holds iconv conversion descriptors, so
// keep one decoder per file rather than one per string.
class DxfTextDecoder {
 public:
  // `encoding` is an iconv name; an unknown one falls back to CP932.
  // `fallback` decodes the strings of a UTF-8 file that are not valid UTF-8.
  explicit DxfTextDecoder(const std::string& encoding, const std::string& fallback = "CP932");
  ~DxfTextDecoder();
  DxfTextDecoder(const DxfTextDecoder&) = delete;
  DxfTextDecoder& operator=(const DxfTextDecoder&) = delete;

  // The encoding in use.
  const std::string& Encoding() const { return encoding_; }

  // Appends `raw` decoded to UTF-8 to `out`.
  void AppendDecoded(std::string_view raw, std::string& out);
  std::string Decode(std::string_view raw) {
    std::string out;
    AppendDecoded(raw, out);
    return out;
  }

 private:
  class Converter;
  Converter* ConverterFor(const std::string& encoding);
  void AppendFromCodePage(std::string_view raw, std::string& out);
  void AppendEscapesDecoded(std::string_view text, std::string& out);

  std::string encoding_;
  bool utf8_ = false;
  std::string fallback_;  // code page for the invalid strings of a UTF-8 file
  std::map<std::string, std::unique_ptr<Converter>> converters_;
  std::string scratch_;
};

// Appends code point `cp` as UTF-8 (U+FFFD for a surrogate or a value above
// U+10FFFF).
void AppendUtf8(char32_t cp, std::string& out);

}  // namespace ovix
