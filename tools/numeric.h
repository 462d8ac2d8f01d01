#pragma once
// Number conversions and formats that the drawing, the reader and the exporter
// share. All of them are locale-independent: "." is the only decimal point
// and there are no thousands separators.

#include <cstdint>
#include <string>
#include <string_view>

namespace ovix::num {

// Lenient leading-number parse: blanks at the start are skipped, then the
// longest prefix that forms a decimal number (optional sign, digits with at
// most one decimal point, optional exponent "e"/"E" with digits) is converted;
// a text without such a prefix gives 0. "1/100" gives 1, "2倍" gives 2,
// " -.5x" gives -0.5, "abc" gives 0. A prefix too large for a double is an
// Overflow RvError.
double LeadingNumber(std::string_view text);

// Strict numeric test: optional blanks around an optional sign, digits with at
// most one decimal point (at least one digit), and an optional exponent.
bool IsNumeric(std::string_view text);

// Strict conversions: the text must pass IsNumeric, otherwise a TypeMismatch
// RvError names the text. Integer results are rounded to nearest with halves
// to even and checked against the target range (Overflow RvError).
double ToDouble(std::string_view text);
int32_t ToInt32(std::string_view text);

// Rounds to the nearest whole number, an exact half going to the even one.
double RoundHalfEven(double value);

// Rounds half to even and narrows; a result outside the target range (or a
// value that is not a number) is an Overflow RvError.
int16_t ToInt16(double value);
int32_t ToInt32(double value);

// Narrows a 32-bit value to 16 bits with the same overflow check.
int16_t ToInt16(int32_t value);

// The general number format: at most 15 significant digits, no trailing
// zeros, no thousands separators; exponent form ("1E+15", "1E-05") for
// magnitudes of 1e15 and above or below 1e-4. 12.5 gives "12.5", 100 gives
// "100", -0 gives "0".
std::string FormatGeneral(double value);

// Formats with a digit pattern of "0" (a digit that is always shown), "#" (a
// digit shown only when significant) and one optional ".": "##########" gives
// the nearest whole number, "#####.###" at most three decimals without
// trailing zeros, "00.##" at least two integer digits. The value is rounded to
// the pattern's decimals, halves away from zero. A zero integer part with no
// "0" before the point is left out (0.5 with "#.##" gives ".5"); a result
// without decimals has no decimal point.
std::string FormatPattern(double value, std::string_view pattern);

}  // namespace ovix::num
