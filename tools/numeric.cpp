#include "tools/numeric.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "tools/rv_error.h"

namespace ovix::num {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the decimal number at the start of `s` (sign, digits, one point,
// exponent); 0 when there is no digit.
std::size_t NumberPrefix(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) { ++i; ++digits; }
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) { ++i; ++digits; }
  }
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    const std::size_t exp_start = j;
    while (j < s.size() && IsDigit(s[j])) ++j;
    if (j > exp_start) i = j;
  }
  return i;
}

std::string Quote(std::string_view text) {
  constexpr std::size_t kMax = 60;
  std::string s(text.substr(0, kMax));
  if (text.size() > kMax) s += "...";
  return "\"" + s + "\"";
}

// Converts a validated number prefix. from_chars rejects a leading '+'.
double ConvertPrefix(std::string_view s) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double value = 0.0;
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // from_chars leaves the value untouched here; strtod tells overflow
    // (infinite) from underflow, which is harmless: the value is zero.
    const double v = std::strtod(std::string(s).c_str(), nullptr);
    if (std::isinf(v)) throw RvError(RvErrorKind::Overflow, "the number " + Quote(s) + " is too large");
    return 0.0;
  }
  if (ec != std::errc()) {
    throw RvError(RvErrorKind::TypeMismatch, Quote(s) + " is not a number");
  }
  return value;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

double LeadingNumber(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  const std::size_t n = NumberPrefix(text);
  if (n == 0) return 0.0;
  return ConvertPrefix(text.substr(0, n));
}

bool IsNumeric(std::string_view text) {
  text = TrimBlanks(text);
  const std::size_t n = NumberPrefix(text);
  return n > 0 && n == text.size();
}

double ToDouble(std::string_view text) {
  const std::string_view t = TrimBlanks(text);
  const std::size_t n = NumberPrefix(t);
  if (n == 0 || n != t.size()) {
    throw RvError(RvErrorKind::TypeMismatch, Quote(text) + " is not a number");
  }
  return ConvertPrefix(t);
}

int32_t ToInt32(std::string_view text) { return ToInt32(ToDouble(text)); }

double RoundHalfEven(double value) {
  // nearbyint rounds in the current mode, which is round-to-nearest-even
  // unless someone changed it; do it explicitly to be independent of that.
  const double r = std::round(value);  // halves away from zero
  if (std::fabs(r - value) == 0.5) {
    return 2.0 * std::round(value / 2.0);
  }
  return r;
}

int16_t ToInt16(double value) {
  const double r = RoundHalfEven(value);
  if (!(r >= std::numeric_limits<int16_t>::min() && r <= std::numeric_limits<int16_t>::max())) {
    throw RvError(RvErrorKind::Overflow,
                  "the value " + FormatGeneral(value) + " does not fit in a 16-bit integer");
  }
  return static_cast<int16_t>(r);
}

int32_t ToInt32(double value) {
  const double r = RoundHalfEven(value);
  if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max())) {
    throw RvError(RvErrorKind::Overflow,
                  "the value " + FormatGeneral(value) + " does not fit in a 32-bit integer");
  }
  return static_cast<int32_t>(r);
}

int16_t ToInt16(int32_t value) {
  if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max()) {
    throw RvError(RvErrorKind::Overflow,
                  "the value " + std::to_string(value) + " does not fit in a 16-bit integer");
  }
  return static_cast<int16_t>(value);
}

std::string FormatGeneral(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  if (value == 0.0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", value);
  std::string s(buf);
  // %G writes exponents with at least two digits ("1E+15", "1E-05"), as wanted.
  return s;
}

std::string FormatPattern(double value, std::string_view pattern) {
  const std::size_t point = pattern.find('.');
  const std::string_view int_part = pattern.substr(0, point);
  const std::string_view frac_part =
      point == std::string_view::npos ? std::string_view() : pattern.substr(point + 1);
  std::size_t int_required = 0;
  for (char c : int_part) int_required += (c == '0');
  std::size_t decimals = 0, frac_required = 0;
  for (char c : frac_part) {
    if (c == '0' || c == '#') ++decimals;
    if (c == '0') frac_required = decimals;  // zeros after the last '0' may go
  }
  if (!std::isfinite(value)) return FormatGeneral(value);

  // Round half away from zero at the pattern's decimals, via the decimal text
  // of the magnitude so that 2.675 is treated as written.
  const bool negative = value < 0;
  const double magnitude = std::fabs(value);
  const double scale = std::pow(10.0, static_cast<double>(decimals));
  const double scaled = std::round(magnitude * scale);
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.0f", scaled);
  std::string digits(buf);
  if (digits.size() <= decimals) digits.insert(0, decimals + 1 - digits.size(), '0');
  std::string whole = digits.substr(0, digits.size() - decimals);
  std::string frac = digits.substr(digits.size() - decimals);

  while (frac.size() > frac_required && !frac.empty() && frac.back() == '0') frac.pop_back();
  if (whole == "0") whole.clear();
  if (whole.size() < int_required) whole.insert(0, int_required - whole.size(), '0');

  std::string out;
  const bool is_zero = scaled == 0.0;
  if (negative && !is_zero) out += '-';
  out += whole;
  if (!frac.empty()) {
    out += '.';
    out += frac;
  }
  return out;
}

}  // namespace ovix::num
