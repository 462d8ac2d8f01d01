#include "tools/cad_text.h"

#include <cctype>

namespace ovix::cadtext {

namespace {

void AppendCodePoint(unsigned cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string Trimmed(const std::string& s) {
  const std::size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const std::size_t last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

// The text of a stacked fraction's body "a^b", "a/b" or "a#b".
std::string StackedText(std::string_view body) {
  std::size_t split = std::string_view::npos;
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] == '\\' && i + 1 < body.size()) {
      ++i;  // an escaped character is part of a side
      continue;
    }
    if (body[i] == '^' || body[i] == '/' || body[i] == '#') {
      split = i;
      break;
    }
  }
  if (split == std::string_view::npos) return StripMTextCodes(body);
  const std::string upper = Trimmed(StripMTextCodes(body.substr(0, split)));
  const std::string lower = Trimmed(StripMTextCodes(body.substr(split + 1)));
  if (upper.empty()) return lower;
  if (lower.empty()) return upper;
  return upper + "/" + lower;
}

}  // namespace

std::string DecodeSpecialCharacters(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%' || i + 2 >= text.size() || text[i + 1] != '%') {
      out += text[i];
      continue;
    }
    const char code = text[i + 2];
    switch (std::tolower(static_cast<unsigned char>(code))) {
      case 'c': out += "φ"; i += 2; continue;
      case 'd': out += "°"; i += 2; continue;
      case 'p': out += "±"; i += 2; continue;
      case '%': out += '%'; i += 2; continue;
      case 'u':
      case 'o':
      case 'k': i += 2; continue;
      default: break;
    }
    if (std::isdigit(static_cast<unsigned char>(code))) {
      // %%nnn: up to three digits.
      unsigned value = 0;
      std::size_t j = i + 2;
      while (j < text.size() && j < i + 5 && std::isdigit(static_cast<unsigned char>(text[j]))) {
        value = value * 10 + static_cast<unsigned>(text[j] - '0');
        ++j;
      }
      if (value > 0) {
        AppendCodePoint(value, out);
        i = j - 1;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::string StripMTextCodes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '{' || c == '}') continue;
    if (c != '\\' || i + 1 >= text.size()) {
      out += c;
      continue;
    }
    const char code = text[i + 1];
    switch (code) {
      case '\\':
      case '{':
      case '}':
        out += code;
        ++i;
        continue;
      case 'P':
      case 'X':
        out += '\n';
        ++i;
        continue;
      case '~':
        out += ' ';
        ++i;
        continue;
      case 'L': case 'l': case 'O': case 'o': case 'K': case 'k':
        ++i;
        continue;
      case 'A': case 'C': case 'c': case 'F': case 'f': case 'H': case 'Q':
      case 'T': case 'W': case 'p': {
        // A code with a value, up to its ";" (the rest of the text when the
        // ";" is missing).
        const std::size_t end = text.find(';', i + 2);
        i = end == std::string_view::npos ? text.size() : end;
        continue;
      }
      case 'S': {
        const std::size_t end = text.find(';', i + 2);
        const std::size_t stop = end == std::string_view::npos ? text.size() : end;
        out += StackedText(text.substr(i + 2, stop - (i + 2)));
        i = stop;
        continue;
      }
      default:
        // Not a code: the backslash is a character of the text.
        out += c;
        continue;
    }
  }
  return out;
}

}  // namespace ovix::cadtext
