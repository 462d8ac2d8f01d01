#include "dxf/tag_reader.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>

#include "tools/numeric.h"
#include "tools/rv_error.h"

namespace ovix {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Eight bytes at a time: the high bit of each byte of `x` that is zero. The
// lowest bit set marks the first zero byte exactly (a byte above it may be
// marked wrongly), and the result is 0 exactly when no byte is zero.
constexpr uint64_t kEachByte = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;
inline uint64_t ZeroBytes(uint64_t x) { return (x - kEachByte) & ~x & kHighBits; }

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

}  // namespace

std::string_view TrimDxfBlanks(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return text.substr(b, e - b);
}

bool ParseGroupCode(std::string_view text, int32_t& code) {
  text = TrimDxfBlanks(text);
  if (text.empty()) return false;
  std::string_view digits = text;
  if (digits.front() == '+') digits.remove_prefix(1);
  int32_t value = 0;
  const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec == std::errc() && ptr == digits.data() + digits.size()) {
    code = value;
    return true;
  }
  // A code written as a decimal number ("10.0") is that number rounded.
  if (!num::IsNumeric(text)) return false;
  try {
    code = num::ToInt32(num::ToDouble(text));
  } catch (const RvError&) {
    return false;
  }
  return true;
}

DxfTagReader::DxfTagReader(std::size_t chunk_size) : chunk_size_(chunk_size < 16 ? 16 : chunk_size) {}

DxfTagReader::~DxfTagReader() { Close(); }

bool DxfTagReader::Open(const std::string& path) {
  Close();
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_) return false;
  pos_ = end_ = 0;
  eof_seen_ = read_failed_ = had_bom_ = false;
  line_number_ = 0;
  bad_code_text_.clear();
  bad_code_line_ = 0;
  too_long_line_ = 0;
  return true;
}

void DxfTagReader::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  // The buffer is released so that an idle reader holds no memory.
  std::vector<char>().swap(buffer_);
  pos_ = end_ = 0;
}

bool DxfTagReader::Refill() {
  if (!file_ || eof_seen_) return false;
  // Move the unread bytes to the front, then make room for one more chunk.
  if (pos_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  if (buffer_.size() < end_ + chunk_size_) buffer_.resize(end_ + chunk_size_);
  const std::size_t got = std::fread(buffer_.data() + end_, 1, chunk_size_, file_);
  end_ += got;
  if (got < chunk_size_) {
    eof_seen_ = true;
    if (std::ferror(file_)) read_failed_ = true;
  }
  return got > 0;
}

bool DxfTagReader::NextLine(std::string_view& line) {
  if (!file_ || too_long_line_ != 0) return false;
  std::size_t scan = pos_;  // where the search for a line end goes on
  for (;;) {
    const char* data = buffer_.data();
    std::size_t k = scan;
    while (k < end_ && data[k] != '\n' && data[k] != '\r') ++k;
    if (k < end_) {
      if (data[k] == '\r' && k + 1 == end_ && !eof_seen_) {
        // A CR at the end of the buffer may be the first half of CR LF.
        const std::size_t offset = k - pos_;
        Refill();
        scan = pos_ + offset;
        if (scan + 1 < end_ || eof_seen_) {
          data = buffer_.data();
          k = scan;
        } else {
          continue;
        }
      }
      if (k - pos_ > kMaxDxfLineBytes) {
        too_long_line_ = line_number_ + 1;
        return false;
      }
      std::size_t next = k + 1;
      if (data[k] == '\r' && next < end_ && data[next] == '\n') ++next;
      line = std::string_view(data + pos_, k - pos_);
      pos_ = next;
      break;
    }
    // No line end in the buffer: read more, or take the rest as the last line.
    const std::size_t offset = k - pos_;
    if (offset > kMaxDxfLineBytes) {
      too_long_line_ = line_number_ + 1;
      return false;
    }
    if (!Refill()) {
      if (pos_ >= end_) return false;
      if (end_ - pos_ > kMaxDxfLineBytes) {
        too_long_line_ = line_number_ + 1;
        return false;
      }
      line = std::string_view(buffer_.data() + pos_, end_ - pos_);
      pos_ = end_;
      break;
    }
    scan = pos_ + offset;
  }
  ++line_number_;
  if (line_number_ == 1 && line.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    had_bom_ = true;
    line.remove_prefix(kUtf8Bom.size());
  }
  return true;
}

bool DxfTagReader::FastPair(DxfTag& tag) {
  if (line_number_ == 0) return false;  // the first line may carry a BOM
  const char* const b = buffer_.data();
  const char* const e = b + end_;
  const char* q = b + pos_;
  // Code line: blanks, an optional minus sign, up to nine digits, blanks.
  while (q < e && IsBlank(*q)) ++q;
  const bool negative = q < e && *q == '-';
  if (negative) ++q;
  const char* const digits = q;
  int32_t code = 0;
  while (q < e && static_cast<unsigned>(*q - '0') < 10 && q - digits < 9) {
    code = code * 10 + (*q - '0');
    ++q;
  }
  if (q == digits) return false;
  while (q < e && IsBlank(*q)) ++q;
  if (q >= e || (*q != '\n' && *q != '\r')) return false;
  const char* v = q + 1;
  if (*q == '\r') {
    if (v >= e) return false;  // CR at the buffer's end: is LF next?
    if (*v == '\n') ++v;
  }
  // Value line, noting bytes that need decoding.
  const char* ve = v;
  unsigned high = 0;
  bool backslash = false;
  if constexpr (std::endian::native == std::endian::little) {
    uint64_t high_words = 0;
    uint64_t backslash_words = 0;
    while (e - ve >= 8) {
      uint64_t w;
      std::memcpy(&w, ve, 8);
      const uint64_t ends = ZeroBytes(w ^ (kEachByte * '\n')) | ZeroBytes(w ^ (kEachByte * '\r'));
      if (ends != 0) {
        const int before = std::countr_zero(ends) / 8;  // bytes before the line end
        w &= before == 0 ? 0 : ~uint64_t{0} >> (64 - 8 * before);
        high_words |= w;
        backslash_words |= ZeroBytes(w ^ (kEachByte * '\\'));
        ve += before;
        break;
      }
      high_words |= w;
      backslash_words |= ZeroBytes(w ^ (kEachByte * '\\'));
      ve += 8;
    }
    high = (high_words & kHighBits) != 0 ? 0x80 : 0;
    backslash = backslash_words != 0;
  }
  while (ve < e) {
    const char c = *ve;
    if (c == '\n' || c == '\r') break;
    high |= static_cast<unsigned char>(c);
    backslash |= c == '\\';
    ++ve;
  }
  if (ve >= e) return false;
  const char* next = ve + 1;
  if (*ve == '\r') {
    if (next >= e) {
      if (!eof_seen_) return false;
    } else if (*next == '\n') {
      ++next;
    }
  }
  const char* vb = v;
  while (vb < ve && IsBlank(*vb)) ++vb;
  const char* vend = ve;
  while (vend > vb && IsBlank(vend[-1])) --vend;
  tag.Code = negative ? -code : code;
  tag.Value = std::string_view(vb, static_cast<std::size_t>(vend - vb));
  tag.Line = line_number_ + 1;
  tag.Plain = (high & 0x80) == 0 && !backslash;
  line_number_ += 2;
  pos_ = static_cast<std::size_t>(next - b);
  return true;
}

DxfTagStatus DxfTagReader::NextPair(DxfTag& tag) {
  if (FastPair(tag)) return DxfTagStatus::Pair;
  std::string_view code_line;
  if (!NextLine(code_line)) return too_long_line_ ? DxfTagStatus::TooLong : DxfTagStatus::End;
  const uint64_t line = line_number_;
  int32_t code = 0;
  if (!ParseGroupCode(code_line, code)) {
    // A blank last line is only the file's final line end.
    std::string_view rest;
    if (TrimDxfBlanks(code_line).empty() && !NextLine(rest)) {
      return too_long_line_ ? DxfTagStatus::TooLong : DxfTagStatus::End;
    }
    bad_code_text_ = std::string(code_line.substr(0, 80));
    bad_code_line_ = line;
    return DxfTagStatus::BadCode;
  }
  std::string_view value;
  if (!NextLine(value)) return too_long_line_ ? DxfTagStatus::TooLong : DxfTagStatus::End;
  tag.Code = code;
  tag.Value = TrimDxfBlanks(value);
  tag.Line = line;
  tag.Plain = true;
  for (const char c : tag.Value) {
    if ((static_cast<unsigned char>(c) & 0x80) != 0 || c == '\\') {
      tag.Plain = false;
      break;
    }
  }
  return DxfTagStatus::Pair;
}

}  // namespace ovix
