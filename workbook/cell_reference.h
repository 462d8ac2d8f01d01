#pragma once
// A1-style references of one sheet: single cells ("A1"), areas ("A1:D10"),
// whole rows ("1:1") and whole columns ("A:B"), with or without "$". They are
// what Worksheet.Range and the print titles and print area take.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ovix::workbook {

struct CellReference {
  enum class Kind { kArea, kRows, kColumns };
  Kind kind = Kind::kArea;
  // 1-based; for rows only the rows count, for columns only the columns.
  int32_t first_column = 1;
  int32_t first_row = 1;
  int32_t last_column = 1;
  int32_t last_row = 1;

  // Absolute form: "$A$1", "$A$1:$D$10", "$1:$3", "$A:$B".
  std::string Absolute() const;
  // Without "$", as in a sheet view's selection: "A1", "1:3".
  std::string Relative() const;
  // The top-left cell without "$".
  std::string TopLeftCell() const;
};

// Parses one reference; nothing when `text` is not one (or lies outside the
// sheet's 16,384 columns and 1,048,576 rows). Corners may come in any order.
std::optional<CellReference> ParseCellReference(std::string_view text);

// Column number (1-based) to letters: 1 "A", 27 "AA".
std::string ColumnLetters(int32_t column);

// Normalises a list of references separated by commas, optionally qualified
// with a sheet name ("Sheet1!A1:B2" or "'My sheet'!A1"), to absolute
// references qualified with `sheet_name`, as a defined name holds them.
// Nothing when a part is not a reference or names another sheet.
std::optional<std::string> QualifiedReferenceList(std::string_view text,
                                                  std::string_view sheet_name);

// The sheet name as a formula writes it: quoted when it needs quotes.
std::string QuotedSheetName(std::string_view sheet_name);

}  // namespace ovix::workbook
