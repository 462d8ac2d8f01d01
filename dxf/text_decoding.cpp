#include "dxf/text_decoding.h"

#include <iconv.h>

#include <cctype>
#include <cerrno>
#include <charconv>

#include "dxf/tag_reader.h"
#include "tools/utf8.h"

namespace ovix {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// First version whose strings are always UTF-8 (AutoCAD 2007 format).
constexpr int kFirstUtf8Version = 1021;

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool EncodingExists(const std::string& name) {
  iconv_t cd = iconv_open("UTF-8", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(cd);
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The value of four hex digits at `text[at]`, or -1.
long Hex4(std::string_view text, std::size_t at) {
  if (at + 4 > text.size()) return -1;
  long v = 0;
  for (std::size_t k = 0; k < 4; ++k) {
    const int h = HexValue(text[at + k]);
    if (h < 0) return -1;
    v = v * 16 + h;
  }
  return v;
}

// Code page of the n in \M+nXXXX.
const char* MultiByteCodePage(char n) {
  switch (n) {
    case '1': return "CP932";
    case '2': return "CP950";
    case '3': return "CP949";
    case '4': return "CP1361";
    case '5': return "CP936";
    default: return nullptr;
  }
}

}  // namespace

void AppendUtf8(char32_t cp, std::string& out) {
  if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacement;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string CodePageEncoding(std::string_view dwg_code_page) {
  const std::string upper = Upper(dwg_code_page);
  std::string_view number;
  if (upper.rfind("ANSI_", 0) == 0) {
    number = std::string_view(upper).substr(5);
  } else if (upper.rfind("DOS", 0) == 0) {
    number = std::string_view(upper).substr(3);
  } else {
    return "";
  }
  int value = 0;
  const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (ec != std::errc() || ptr != number.data() + number.size() || value <= 0) return "";
  const std::string name = "CP" + std::to_string(value);
  return EncodingExists(name) ? name : "";
}

std::string ChooseDxfEncoding(const DxfEncodingClues& clues) {
  if (clues.ByteOrderMark) return "UTF-8";
  const std::string ver = Upper(TrimDxfBlanks(clues.AcadVer));
  if (ver.size() > 2 && ver.compare(0, 2, "AC") == 0) {
    int number = 0;
    const auto [ptr, ec] = std::from_chars(ver.data() + 2, ver.data() + ver.size(), number);
    if (ec == std::errc() && number >= kFirstUtf8Version) return "UTF-8";
  }
  const std::string page = CodePageEncoding(clues.DwgCodePage);
  if (!page.empty()) return page;
  return clues.AllStringsUtf8 ? "UTF-8" : "CP932";
}

// One iconv descriptor from a code page to UTF-8.
class DxfTextDecoder::Converter {
 public:
  explicit Converter(const std::string& from) : cd_(iconv_open("UTF-8", from.c_str())) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Appends `in` converted; undecodable bytes become U+FFFD.
  void Append(std::string_view in, std::string& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset the shift state
    char* src = const_cast<char*>(in.data());
    std::size_t src_left = in.size();
    while (src_left > 0) {
      const std::size_t start = out.size();
      const std::size_t room = src_left * 4 + 16;
      out.resize(start + room);
      char* dst = out.data() + start;
      std::size_t dst_left = room;
      const std::size_t r = iconv(cd_, &src, &src_left, &dst, &dst_left);
      out.resize(start + (room - dst_left));
      if (r != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) continue;
      // EILSEQ: a byte that starts no character here; EINVAL: a character
      // cut off by the end of the string.
      AppendUtf8(kReplacement, out);
      ++src;
      --src_left;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
  }

 private:
  iconv_t cd_;
};

DxfTextDecoder::DxfTextDecoder(const std::string& encoding, const std::string& fallback) {
  encoding_ = Upper(encoding);
  utf8_ = encoding_ == "UTF-8" || encoding_ == "UTF8";
  if (utf8_) {
    encoding_ = "UTF-8";
    fallback_ = fallback.empty() ? "CP932" : fallback;
    if (!ConverterFor(fallback_)) fallback_ = "CP932";
  } else if (!ConverterFor(encoding_)) {
    encoding_ = "CP932";
  }
}

DxfTextDecoder::~DxfTextDecoder() = default;

DxfTextDecoder::Converter* DxfTextDecoder::ConverterFor(const std::string& encoding) {
  auto it = converters_.find(encoding);
  if (it == converters_.end()) {
    auto converter = std::make_unique<Converter>(encoding);
    it = converters_.emplace(encoding, std::move(converter)).first;
  }
  return it->second->ok() ? it->second.get() : nullptr;
}

void DxfTextDecoder::AppendFromCodePage(std::string_view raw, std::string& out) {
  const std::string& from = utf8_ ? fallback_ : encoding_;
  if (Converter* c = ConverterFor(from)) {
    c->Append(raw, out);
  } else {
    for (const char ch : raw) {
      if (static_cast<unsigned char>(ch) < 0x80) out.push_back(ch);
      else AppendUtf8(kReplacement, out);
    }
  }
}

void DxfTextDecoder::AppendDecoded(std::string_view raw, std::string& out) {
  if (!NeedsDxfDecoding(raw)) {
    out.append(raw);
    return;
  }
  bool high = false;
  for (const char c : raw) {
    if (static_cast<unsigned char>(c) & 0x80) {
      high = true;
      break;
    }
  }
  if (!high || (utf8_ && utf8::IsValid(raw))) {
    AppendEscapesDecoded(raw, out);
    return;
  }
  scratch_.clear();
  AppendFromCodePage(raw, scratch_);
  AppendEscapesDecoded(scratch_, out);
}

void DxfTextDecoder::AppendEscapesDecoded(std::string_view text, std::string& out) {
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t bs = text.find('\\', i);
    if (bs == std::string_view::npos) {
      out.append(text.substr(i));
      return;
    }
    out.append(text.substr(i, bs - i));
    i = bs;
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (next == '\\') {  // an escaped backslash stays as written
      out.append("\\\\");
      i += 2;
      continue;
    }
    if ((next == 'U' || next == 'u') && i + 2 < text.size() && text[i + 2] == '+') {
      const long cp = Hex4(text, i + 3);
      if (cp >= 0) {
        i += 7;
        char32_t value = static_cast<char32_t>(cp);
        if (value >= 0xD800 && value <= 0xDBFF && i + 7 <= text.size() && text[i] == '\\' &&
            (text[i + 1] == 'U' || text[i + 1] == 'u') && text[i + 2] == '+') {
          const long low = Hex4(text, i + 3);
          if (low >= 0xDC00 && low <= 0xDFFF) {
            value = 0x10000 + ((value - 0xD800) << 10) + static_cast<char32_t>(low - 0xDC00);
            i += 7;
          }
        }
        AppendUtf8(value, out);
        continue;
      }
    }
    if ((next == 'M' || next == 'm') && i + 3 < text.size() && text[i + 2] == '+') {
      const char* page = MultiByteCodePage(text[i + 3]);
      const long code = page ? Hex4(text, i + 4) : -1;
      if (code >= 0) {
        const char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        const std::string_view character =
            code > 0xFF ? std::string_view(bytes, 2) : std::string_view(bytes + 1, 1);
        if (Converter* c = ConverterFor(page)) c->Append(character, out);
        else AppendUtf8(kReplacement, out);
        i += 8;
        continue;
      }
    }
    out.push_back('\\');
    ++i;
  }
}

}  // namespace ovix
