#pragma once
// DxfTagReader: reads an ASCII DXF file as lines and as group-code/value
// pairs, sequentially and in large chunks.
//
// - A line ends at CR LF, at LF alone or at CR alone, so files written on
//   Windows, on Unix-like systems and on old Macs read alike.
// - A pair is a code line and a value line. The code is the code line's
//   trimmed value ("0", "  0" and "0 " are all code 0); a code line that is
//   not a number stops the reading with a BadCode result that names it.
// - Values come back trimmed of blanks (spaces and tabs) and as raw bytes;
//   decoding them is the caller's business (dxf/text_decoding.h).
// - A UTF-8 byte-order mark at the start of the file is skipped and noted.
//
// Views handed out stay valid until the next call that reads.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace ovix {

// The longest line (code or value) read: a longer one stops the reading
// with a TooLong result instead of holding it all in memory. Real values
// (long multiline texts are split into 250-byte chunks) stay far below it.
inline constexpr std::size_t kMaxDxfLineBytes = std::size_t{16} << 20;

// Marker at the start of a binary DXF file.
inline constexpr std::string_view kBinaryDxfSentinel = "AutoCAD Binary DXF";

struct DxfTag {
  int32_t Code = 0;
  std::string_view Value;  // trimmed, raw bytes
  uint64_t Line = 0;       // 1-based number of the code line
  bool Plain = true;       // the value is ASCII without a backslash
};

enum class DxfTagStatus {
  Pair,     // a pair was read into the tag
  End,      // end of the file (a code line without a value line is dropped)
  BadCode,  // the code line is not a number; see BadCodeText / BadCodeLine
  TooLong,  // a line longer than kMaxDxfLineBytes; see TooLongLine
};

class DxfTagReader {
 public:
  // `chunk_size` is how much is read from the file at a time; lines longer
  // than a chunk are read whole all the same.
  explicit DxfTagReader(std::size_t chunk_size = 1 << 20);
  ~DxfTagReader();
  DxfTagReader(const DxfTagReader&) = delete;
  DxfTagReader& operator=(const DxfTagReader&) = delete;

  // Opens `path` for reading from its start; false when it cannot be opened.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }

  // Whether nothing has been read since Open.
  bool AtStart() const { return line_number_ == 0 && !eof_seen_ && end_ == 0; }
  // Whether the file began with a UTF-8 byte-order mark (known after the
  // first line has been read).
  bool HadByteOrderMark() const { return had_bom_; }
  // Whether a read from the file failed (as opposed to reaching its end).
  bool ReadFailed() const { return read_failed_; }
  // Number of a line longer than kMaxDxfLineBytes that stopped the reading;
  // 0 when none did.
  uint64_t TooLongLine() const { return too_long_line_; }

  // The next line without its line end; false at the end of the file and
  // at a line too long to read (TooLongLine).
  bool NextLine(std::string_view& line);
  // Number of the last line returned by NextLine (1-based).
  uint64_t LineNumber() const { return line_number_; }

  // The next pair.
  DxfTagStatus NextPair(DxfTag& tag);
  std::string BadCodeText() const { return bad_code_text_; }
  uint64_t BadCodeLine() const { return bad_code_line_; }

 private:
  // Reads more of the file behind the unread bytes; false when nothing more
  // could be read.
  bool Refill();
  // NextPair for the common case of a pair that lies wholly in the buffer
  // with a plain integer code; false (nothing consumed) otherwise.
  bool FastPair(DxfTag& tag);

  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  std::size_t chunk_size_;
  std::size_t pos_ = 0;  // first unread byte in buffer_
  std::size_t end_ = 0;  // end of valid bytes in buffer_
  bool eof_seen_ = false;
  bool read_failed_ = false;
  bool had_bom_ = false;
  uint64_t line_number_ = 0;
  std::string bad_code_text_;
  uint64_t bad_code_line_ = 0;
  uint64_t too_long_line_ = 0;
};

// Blanks (spaces and tabs) removed from both ends.
std::string_view TrimDxfBlanks(std::string_view text);

// The group code of a trimmed code line: an integer, or a decimal number
// rounded to one; false for anything else (also an empty line).
bool ParseGroupCode(std::string_view text, int32_t& code);

}  // namespace ovix
