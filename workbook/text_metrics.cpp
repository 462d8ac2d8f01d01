#include "workbook/text_metrics.h"

#include <algorithm>
#include <array>

namespace ovix::workbook {

namespace {

// Widths of U+0020 to U+007E in thousandths of an em.
constexpr std::array<uint16_t, 95> kAsciiWidths = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,  //  !"#$%&'()*+,-./
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556,                                // 0-9
    278, 278, 584, 584, 584, 556, 1015,                                              // :;<=>?@
    667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833,                 // A-M
    722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611,                 // N-Z
    278, 278, 278, 469, 556, 333,                                                    // [\]^_`
    556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833,                 // a-m
    556, 556, 556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500,                 // n-z
    334, 260, 334, 584,                                                              // {|}~
};

}  // namespace

double CharacterWidthEm(char32_t c) {
  if (c < 0x20 || c == 0x7F) return 0.0;
  if (c < 0x7F) return kAsciiWidths[c - 0x20] / 1000.0;
  if (c >= 0xFF61 && c <= 0xFF9F) return 0.5;  // half-width katakana
  return 1.0;
}

TextExtent MeasureText(const TextBody& body) {
  TextExtent extent;
  const std::u32string& chars = body.chars();
  ForEachParagraph(chars, [&](size_t begin, size_t end, size_t break_index) {
    double length = 0.0;
    double largest = 0.0;
    for (size_t i = begin; i < end; ++i) {
      const double size = body.FormatAt(i).size;
      length += CharacterWidthEm(chars[i]) * size;
      largest = std::max(largest, size);
    }
    // An empty line is as high as the break that ends it (or the end format).
    if (begin == end) largest = body.FormatAt(break_index).size;
    extent.line_length = std::max(extent.line_length, length);
    extent.lines_depth += largest * kLineHeightFactor;
  });
  extent.inset = body.LargestSize() * kInsetFactor;
  return extent;
}

}  // namespace ovix::workbook
