#pragma once
// The command line's spellings of the window's option values: each option
// takes the window's own text and an ASCII spelling.
//
//   --paper        "A4 縦" or A4-portrait, "A4 横" or A4-landscape (A1 .. A5, B4, B5)
//   --scale        "自動" or auto; "1/100", "2" and any text the window takes
//   --line-weight  "CAD設定値" or auto; "2倍" or 2x; "0.25" and any text the window takes
//   --arrow-length S, M, L (or 短, 中, 長)
//   --arrow-width  S, M, L (or 狭, 中, 広)

#include <cstdint>
#include <optional>
#include <string>

namespace ovix {

// The window's paper item for `text`, or nothing for an unknown paper.
std::optional<std::string> PaperFromOption(const std::string& text);

// The window's scale entry for `text` ("auto" becomes "自動").
std::string ScaleFromOption(const std::string& text);

// The window's line-weight entry for `text` ("auto" becomes "CAD設定値", a
// trailing "x" becomes "倍").
std::string LineWeightFromOption(const std::string& text);

// Arrow length code 1..3 for S, M, L (or 短, 中, 長); nothing otherwise.
std::optional<int16_t> ArrowLengthFromOption(const std::string& text);
// Arrow width code 1..3 for S, M, L (or 狭, 中, 広); nothing otherwise.
std::optional<int16_t> ArrowWidthFromOption(const std::string& text);

// The ASCII spelling of a window paper item ("A4 縦" gives A4-portrait).
std::string PaperOptionSpelling(const std::string& paper);

}  // namespace ovix
