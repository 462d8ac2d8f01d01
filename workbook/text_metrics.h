#pragma once
// The text metric behind AutoSize. Fonts are not available to the engine, so
// a box is fitted to its text with a fixed metric close to the common
// Japanese proportional gothic fonts (ＭＳ Ｐゴシック and its kin), whatever
// font the characters name:
//
// - a full-width character (kana, kanji, full-width forms, and every other
//   character outside ASCII and half-width katakana) is one em wide;
// - half-width katakana are half an em;
// - printable ASCII characters take the widths of a proportional gothic
//   Latin face (for example digits 0.55 em, "i" 0.22 em, "W" 0.94 em);
// - control characters take no width;
// - a line is kLineHeightFactor times its largest character size high;
// - the box adds an inset of kInsetFactor times the text's largest size on
//   each of its four sides.
//
// An em is the character's size in points. Vertical orientations swap the
// axes: lines run down the box and follow each other across it.

#include "workbook/text_body.h"

namespace ovix::workbook {

inline constexpr double kLineHeightFactor = 1.2;
inline constexpr double kInsetFactor = 0.1;

// Advance width of `c` in em.
double CharacterWidthEm(char32_t c);

struct TextExtent {
  double line_length = 0;  // the longest line, points
  double lines_depth = 0;  // all lines together, points
  double inset = 0;        // on each side, points
};

TextExtent MeasureText(const TextBody& body);

}  // namespace ovix::workbook
