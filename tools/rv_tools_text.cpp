// Text and number formatting of RvTools: the inline font header, decimal
// cutting, paragraph splitting, radian formatting, the file test and the
// inch conversion.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "tools/numeric.h"
#include "tools/rv_error.h"
#include "tools/rv_tools.h"
#include "tools/user_prompt.h"
#include "tools/utf8.h"

namespace ovix {

namespace {

// The field that starts at `pos` and ends before the next `separator` (or
// at the end of the text); `pos` moves past the separator.
std::string_view NextField(std::string_view text, std::size_t& pos, char separator) {
  if (pos >= text.size()) return {};
  const std::size_t end = text.find(separator, pos);
  const std::size_t stop = end == std::string_view::npos ? text.size() : end;
  const std::string_view field = text.substr(pos, stop - pos);
  pos = end == std::string_view::npos ? text.size() : end + 1;
  return field;
}

// A text of digits with at most one "." (the empty text included).
bool IsPlainDecimal(std::string_view text) {
  int points = 0;
  for (char c : text) {
    if (c == '.') {
      if (++points > 1) return false;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  return true;
}

// "00.##..." style pattern with `decimals` optional decimals after `head`.
std::string DecimalPattern(const char* head, int decimals) {
  std::string pattern(head);
  if (decimals > 0) pattern += '.' + std::string(static_cast<std::size_t>(decimals), '#');
  return pattern;
}

std::filesystem::path PathFromUtf8(const std::string& name) {
  return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

}  // namespace

double RvTools::InchesToPoints(double Inches) const { return Inches * 72.0; }

RichTextAttribute RvTools::GetRichTextAttribute(const std::string& RichText) const {
  RichTextAttribute out;
  const std::string_view text(RichText);
  if (!text.starts_with("{\\f") || !text.ends_with("}")) {
    out.Text = RichText;
    return out;
  }
  std::size_t pos = 3;
  out.Font = std::string(NextField(text, pos, '|'));
  out.Bold = NextField(text, pos, '|') == "b1";
  out.Italic = NextField(text, pos, '|') == "i1";
  out.TwoByte = NextField(text, pos, '|') == "c128";
  const std::string_view point_field = NextField(text, pos, ';');
  // The point field is a letter followed by a number ("p12").
  out.Point = point_field.empty() ? 0 : num::ToInt16(num::LeadingNumber(utf8::Substr(point_field, 1)));
  std::string_view visible = NextField(text, pos, '}');
  if (visible.starts_with("\\L")) {
    out.Underline = true;
    visible.remove_prefix(2);
  }
  out.Text = std::string(visible);
  return out;
}

std::string RvTools::StringEffectValue(const std::string& Text, int16_t Order) const {
  if (Order < 0 || !IsPlainDecimal(Text)) return Text;
  // Only digits and one point: the value is never negative. A value too
  // large for a double cannot be rounded and is left as written.
  double value = 0.0;
  if (Text.find_first_of("0123456789") != std::string::npos) {
    try {
      value = num::LeadingNumber(Text);
    } catch (const RvError&) {
      return Text;
    }
  }
  const double scale = std::pow(10.0, Order);
  const double scaled = value * scale;
  // Past 2^52 every double is a whole number: there is nothing to round.
  if (!std::isfinite(scaled) || std::fabs(scaled) >= 4503599627370496.0) {
    return num::FormatGeneral(value);
  }
  return num::FormatGeneral(num::RoundHalfEven(scaled) / scale);
}

std::string RvTools::SetMTextCR(const std::string& Text, int32_t& Number, int32_t& Rows) const {
  std::string out;
  out.reserve(Text.size());
  std::size_t longest = 0;
  std::size_t rows = 1;
  std::size_t line_start = 0;  // byte offset in `out` where the current line begins
  for (std::size_t i = 0; i < Text.size();) {
    if (Text[i] == '\\' && i + 1 < Text.size() && Text[i + 1] == 'P') {
      longest = std::max(longest, utf8::Length(std::string_view(out).substr(line_start)));
      out += '\n';
      line_start = out.size();
      ++rows;
      i += 2;
    } else {
      out += Text[i];
      ++i;
    }
  }
  longest = std::max(longest, utf8::Length(std::string_view(out).substr(line_start)));
  Number = static_cast<int32_t>(std::min<std::size_t>(longest, INT32_MAX));
  Rows = static_cast<int32_t>(std::min<std::size_t>(rows, INT32_MAX));
  return out;
}

std::string RvTools::SetMTextCR(const std::string& Text) const {
  int32_t number = 0, rows = 0;
  return SetMTextCR(Text, number, rows);
}

std::string RvTools::StringRadianToDegree(const std::string& strRadian, int16_t Mode,
                                          int16_t Number) const {
  if (Mode != 1 && Mode != 2) return "";
  const double degrees = 180.0 / PAI() * num::ToDouble(strRadian);
  const bool patterned = Number >= 0 && Number <= 12;
  if (Mode == 1) {
    return patterned ? num::FormatPattern(degrees, DecimalPattern("####", Number))
                     : num::FormatGeneral(degrees);
  }
  const double d = std::trunc(degrees);
  const double r = (degrees - d) * 3600.0;
  const double m = std::trunc(r / 60.0);
  const double s = r - m * 60.0;
  std::string seconds;
  if (Number == 0) {
    seconds = num::FormatPattern(std::trunc(s + 0.5), "00");
  } else if (patterned) {
    seconds = num::FormatPattern(s, DecimalPattern("00", Number));
  } else {
    seconds = num::FormatGeneral(s);
  }
  return num::FormatGeneral(d) + "°" + num::FormatPattern(m, "00") + "’" + seconds + "\"";
}

bool RvTools::CheckFileExist(const std::string& FileName, bool DiaMode) const {
  if (FileName.empty()) {
    if (DiaMode) {
      ShowMessage(FileName + "\rファイル名がブランクです。", kConfirmTitle, PromptIcon::Critical);
    }
    return false;
  }
  std::error_code ec;
  const std::filesystem::file_status st = std::filesystem::status(PathFromUtf8(FileName), ec);
  const bool exists = !ec && (std::filesystem::is_directory(st) || std::filesystem::is_regular_file(st));
  if (!exists && DiaMode) {
    ShowMessage(FileName + "\rファイルが存在しません。", kConfirmTitle, PromptIcon::Critical);
  }
  return exists;
}

}  // namespace ovix
