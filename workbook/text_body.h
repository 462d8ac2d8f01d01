#pragma once
// The characters of a text box and their formats. Characters are code points;
// positions and counts are 0-based code point indices. Formats are held as
// runs (a format and the index where it starts) that cover the text without
// gaps, so formatting a range costs the number of runs, not of characters.
// "\r", "\n" and the pair "\r\n" end a paragraph; they stay in the text as
// characters, as they do in the automation model.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ovix::workbook {

// Font colour that follows the text's automatic colour (black).
inline constexpr int32_t kAutomaticColorIndex = -4105;

// The names of the fonts used on one sheet; formats refer to them by index.
class FontTable {
 public:
  FontTable();
  uint16_t Intern(std::string_view name);  // AutomationError past 65,535 names
  const std::string& Name(uint16_t index) const { return names_[index]; }

 private:
  std::vector<std::string> names_;
  std::unordered_map<std::string, uint16_t> index_;
};

// Index 0 of every FontTable: the workbook's default font.
inline constexpr uint16_t kDefaultFontIndex = 0;
inline constexpr const char* kDefaultFontName = "ＭＳ Ｐゴシック";
inline constexpr double kDefaultFontSize = 11.0;

struct CharFormat {
  uint16_t latin_font = kDefaultFontIndex;
  uint16_t east_asian_font = kDefaultFontIndex;
  double size = kDefaultFontSize;  // points
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikethrough = false;
  bool superscript = false;
  bool subscript = false;
  bool outline = false;
  bool shadow = false;
  int32_t color_index = kAutomaticColorIndex;  // 1..56 or automatic

  bool operator==(const CharFormat&) const = default;
};

class TextBody {
 public:
  struct Run {
    size_t begin;
    CharFormat format;
  };

  TextBody() = default;

  size_t Length() const { return chars_.size(); }
  const std::u32string& chars() const { return chars_; }
  const std::vector<Run>& runs() const { return runs_; }

  // Clamps a range given as (start, count) to the text; count npos means
  // "to the end".
  void Clamp(size_t& start, size_t& count) const;

  // The characters [start, start + count) as UTF-8.
  std::string Text(size_t start, size_t count) const;

  // Replaces [start, start + count) by `utf8`. The new characters take the
  // format of the first replaced character, or when nothing is replaced that
  // of the character before, or the text's end format.
  void Replace(size_t start, size_t count, std::string_view utf8);

  // The format of character `index`, or the end format (the format new text
  // takes at the end) for an index at or past the end.
  const CharFormat& FormatAt(size_t index) const;
  const CharFormat& end_format() const { return end_format_; }

  // Applies `change` to the formats of [start, start + count); a range that
  // reaches the end of the text changes the end format as well.
  template <typename Change>
  void Format(size_t start, size_t count, Change&& change) {
    Clamp(start, count);
    const size_t end = start + count;
    if (count > 0) {
      const size_t first = SplitAt(start);
      const size_t last = SplitAt(end);
      for (size_t i = first; i < last; ++i) change(runs_[i].format);
    }
    if (end >= chars_.size()) change(end_format_);
    MergeRuns();
  }

  // Largest character size of the text (the end format's for an empty text).
  double LargestSize() const;

 private:
  // Index of the run that starts at `pos`, splitting a run when needed;
  // runs_.size() for pos at the end.
  size_t SplitAt(size_t pos);
  void MergeRuns();

  std::u32string chars_;
  std::vector<Run> runs_;
  CharFormat end_format_;
};

// Calls f(begin, end, break_index) for each paragraph of `chars`: the
// characters [begin, end) without the ending break, and the index of the
// break (chars.size() for the last paragraph). "\r\n" counts as one break.
template <typename F>
void ForEachParagraph(std::u32string_view chars, F&& f) {
  size_t begin = 0;
  const size_t n = chars.size();
  for (size_t i = 0; i < n; ++i) {
    const char32_t c = chars[i];
    if (c == U'\r' || c == U'\n') {
      f(begin, i, i);
      if (c == U'\r' && i + 1 < n && chars[i + 1] == U'\n') ++i;
      begin = i + 1;
    }
  }
  f(begin, n, n);
}

}  // namespace ovix::workbook
