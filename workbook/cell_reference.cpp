#include "workbook/cell_reference.h"

#include <algorithm>
#include <cctype>

namespace ovix::workbook {

namespace {

constexpr int32_t kMaxColumn = 16384;
constexpr int32_t kMaxRow = 1048576;

struct Part {
  int32_t column = 0;  // 0 when absent
  int32_t row = 0;     // 0 when absent
};

bool IsUpperAlpha(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// One corner: [$]letters[$]digits, [$]letters, or [$]digits.
std::optional<Part> ParsePart(std::string_view s) {
  Part part;
  size_t i = 0;
  if (i < s.size() && s[i] == '$') ++i;
  int64_t column = 0;
  size_t letters = 0;
  while (i < s.size() && IsUpperAlpha(s[i])) {
    column = column * 26 + (std::toupper(static_cast<unsigned char>(s[i])) - 'A' + 1);
    if (column > kMaxColumn) return std::nullopt;
    ++i;
    ++letters;
  }
  if (letters == 0 && i > 0) {
    // "$" must be followed by letters or digits.
    if (i >= s.size() || !IsDigit(s[i])) return std::nullopt;
  }
  if (i < s.size() && s[i] == '$') {
    if (letters == 0) return std::nullopt;
    ++i;
    if (i >= s.size()) return std::nullopt;
  }
  int64_t row = 0;
  size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) {
    row = row * 10 + (s[i] - '0');
    if (row > kMaxRow) return std::nullopt;
    ++i;
    ++digits;
  }
  if (i != s.size() || (letters == 0 && digits == 0)) return std::nullopt;
  if (digits > 0 && row == 0) return std::nullopt;
  part.column = static_cast<int32_t>(column);
  part.row = static_cast<int32_t>(row);
  return part;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string ColumnLetters(int32_t column) {
  std::string letters;
  while (column > 0) {
    const int32_t rem = (column - 1) % 26;
    letters.insert(letters.begin(), static_cast<char>('A' + rem));
    column = (column - 1) / 26;
  }
  return letters;
}

std::optional<CellReference> ParseCellReference(std::string_view text) {
  text = Trim(text);
  if (text.empty()) return std::nullopt;
  const size_t colon = text.find(':');
  const auto first = ParsePart(text.substr(0, colon));
  if (!first) return std::nullopt;
  Part second = *first;
  if (colon != std::string_view::npos) {
    const auto parsed = ParsePart(text.substr(colon + 1));
    if (!parsed) return std::nullopt;
    second = *parsed;
  }
  CellReference ref;
  const bool has_col1 = first->column > 0, has_row1 = first->row > 0;
  const bool has_col2 = second.column > 0, has_row2 = second.row > 0;
  if (has_col1 && has_row1 && has_col2 && has_row2) {
    ref.kind = CellReference::Kind::kArea;
  } else if (!has_col1 && !has_col2 && has_row1 && has_row2 && colon != std::string_view::npos) {
    ref.kind = CellReference::Kind::kRows;
  } else if (has_col1 && has_col2 && !has_row1 && !has_row2 && colon != std::string_view::npos) {
    ref.kind = CellReference::Kind::kColumns;
  } else {
    return std::nullopt;
  }
  ref.first_column = std::max(1, std::min(first->column, second.column));
  ref.last_column = std::max(first->column, second.column);
  ref.first_row = std::max(1, std::min(first->row, second.row));
  ref.last_row = std::max(first->row, second.row);
  if (ref.kind == CellReference::Kind::kRows) {
    ref.first_column = 1;
    ref.last_column = kMaxColumn;
  } else if (ref.kind == CellReference::Kind::kColumns) {
    ref.first_row = 1;
    ref.last_row = kMaxRow;
  }
  return ref;
}

std::string CellReference::Absolute() const {
  switch (kind) {
    case Kind::kRows:
      return "$" + std::to_string(first_row) + ":$" + std::to_string(last_row);
    case Kind::kColumns:
      return "$" + ColumnLetters(first_column) + ":$" + ColumnLetters(last_column);
    case Kind::kArea: {
      std::string s = "$" + ColumnLetters(first_column) + "$" + std::to_string(first_row);
      if (first_column != last_column || first_row != last_row) {
        s += ":$" + ColumnLetters(last_column) + "$" + std::to_string(last_row);
      }
      return s;
    }
  }
  return {};
}

std::string CellReference::Relative() const {
  std::string s = Absolute();
  s.erase(std::remove(s.begin(), s.end(), '$'), s.end());
  return s;
}

std::string CellReference::TopLeftCell() const {
  return ColumnLetters(first_column) + std::to_string(first_row);
}

std::string QuotedSheetName(std::string_view sheet_name) {
  bool plain = !sheet_name.empty() && !IsDigit(sheet_name.front());
  for (char c : sheet_name) {
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' ||
          static_cast<unsigned char>(c) >= 0x80)) {
      plain = false;
    }
  }
  if (plain) return std::string(sheet_name);
  std::string quoted = "'";
  for (char c : sheet_name) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted + "'";
}

std::optional<std::string> QualifiedReferenceList(std::string_view text,
                                                  std::string_view sheet_name) {
  std::string result;
  const std::string prefix = QuotedSheetName(sheet_name) + "!";
  size_t pos = 0;
  while (true) {
    const size_t comma = text.find(',', pos);
    std::string_view item = Trim(text.substr(pos, comma == std::string_view::npos ? text.npos
                                                                                  : comma - pos));
    const size_t bang = item.rfind('!');
    if (bang != std::string_view::npos) {
      std::string_view sheet = Trim(item.substr(0, bang));
      std::string unquoted;
      if (sheet.size() >= 2 && sheet.front() == '\'' && sheet.back() == '\'') {
        sheet = sheet.substr(1, sheet.size() - 2);
        for (size_t i = 0; i < sheet.size(); ++i) {
          unquoted += sheet[i];
          if (sheet[i] == '\'' && i + 1 < sheet.size() && sheet[i + 1] == '\'') ++i;
        }
      } else {
        unquoted = std::string(sheet);
      }
      if (unquoted != sheet_name) return std::nullopt;
      item = item.substr(bang + 1);
    }
    const auto ref = ParseCellReference(item);
    if (!ref) return std::nullopt;
    if (!result.empty()) result += ",";
    result += prefix + ref->Absolute();
    if (comma == std::string_view::npos) break;
    pos = comma + 1;
  }
  return result;
}

}  // namespace ovix::workbook
