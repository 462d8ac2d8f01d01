#include "tools/utf8.h"

namespace ovix::utf8 {

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed sequence at `offset`, or 0 when the bytes there
// do not form one (RFC 3629: no overlong forms, no surrogates, <= U+10FFFF).
std::size_t WellFormedLength(std::string_view text, std::size_t offset) {
  const std::size_t left = text.size() - offset;
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(text[offset + i]); };
  const unsigned char c = b(0);
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) return (left >= 2 && IsContinuation(b(1))) ? 2 : 0;
  if (c >= 0xE0 && c <= 0xEF) {
    if (left < 3 || !IsContinuation(b(1)) || !IsContinuation(b(2))) return 0;
    if (c == 0xE0 && b(1) < 0xA0) return 0;   // overlong
    if (c == 0xED && b(1) >= 0xA0) return 0;  // surrogate
    return 3;
  }
  if (c >= 0xF0 && c <= 0xF4) {
    if (left < 4 || !IsContinuation(b(1)) || !IsContinuation(b(2)) || !IsContinuation(b(3))) return 0;
    if (c == 0xF0 && b(1) < 0x90) return 0;   // overlong
    if (c == 0xF4 && b(1) >= 0x90) return 0;  // above U+10FFFF
    return 4;
  }
  return 0;
}

}  // namespace

std::size_t SequenceLength(std::string_view text, std::size_t offset) {
  if (offset >= text.size()) return 0;
  const std::size_t n = WellFormedLength(text, offset);
  return n == 0 ? 1 : n;
}

std::size_t Length(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); i += SequenceLength(text, i)) ++count;
  return count;
}

std::size_t ByteOffset(std::string_view text, std::size_t index) {
  std::size_t i = 0;
  for (std::size_t k = 0; k < index && i < text.size(); ++k) i += SequenceLength(text, i);
  return i;
}

std::string_view Substr(std::string_view text, std::size_t start, std::size_t count) {
  const std::size_t begin = ByteOffset(text, start);
  std::size_t end = begin;
  for (std::size_t k = 0; k < count && end < text.size(); ++k) end += SequenceLength(text, end);
  return text.substr(begin, end - begin);
}

std::string_view CharAt(std::string_view text, std::size_t index) { return Substr(text, index, 1); }

std::string_view Left(std::string_view text, std::size_t count) { return Substr(text, 0, count); }

std::string_view Right(std::string_view text, std::size_t count) {
  const std::size_t total = Length(text);
  return count >= total ? text : Substr(text, total - count);
}

bool IsValid(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = WellFormedLength(text, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

}  // namespace ovix::utf8
