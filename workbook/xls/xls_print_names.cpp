#include "workbook/xls/xls_print_names.h"

#include <optional>
#include <map>
#include <vector>

#include "excel/excel_automation.h"
#include "workbook/cell_reference.h"
#include "workbook/xls/biff_records.h"
#include "workbook/xls/le_bytes.h"

namespace ovix::workbook::xls {

namespace {

constexpr uint16_t kNameRecord = 0x0018;
constexpr uint16_t kBuiltIn = 0x0020;
constexpr char kPrintArea = 0x06;
constexpr char kPrintTitles = 0x07;
constexpr size_t kFormulaStart = 16;  // a built-in name: one character after the header
constexpr int32_t kLastColumn = 255, kLastRow = 65535;

// The NAME record of the built-in name `which` of the sheet, or none.
std::optional<size_t> FindName(const XlsWorkbook& book, size_t sheet_index, char which) {
  for (size_t i = 1; i < book.globals_eof; ++i) {
    if (book.records[i].type != kNameRecord) continue;
    const std::string_view d = book.Data(i);
    if (d.size() < kFormulaStart || (GetU16(d, 0) & kBuiltIn) == 0 || static_cast<uint8_t>(d[3]) != 1) continue;
    if (GetU16(d, 8) != sheet_index + 1 || (static_cast<uint8_t>(d[14]) & 1) != 0 || d[15] != which) continue;
    return i;
  }
  return std::nullopt;
}

// The areas of a formula of 3-D references (areas, cells, joined by
// unions, possibly inside a memory function), and the sheet reference of
// the first; none when it holds anything else.
struct Areas {
  std::vector<CellReference> refs;
  uint16_t ixti = 0;
};
std::optional<Areas> ReadAreas(std::string_view d) {
  if (d.size() < kFormulaStart) return std::nullopt;
  const size_t cce = GetU16(d, 4);
  if (kFormulaStart + cce > d.size() || cce == 0) return std::nullopt;
  Areas out;
  size_t at = kFormulaStart;
  const size_t end = kFormulaStart + cce;
  while (at < end) {
    const uint8_t ptg = static_cast<uint8_t>(d[at]);
    const uint8_t base = ptg & 0x1F;
    if (ptg == 0x10 || ptg == 0x15) {  // union, parentheses
      at += 1;
    } else if (base == 0x09 && ptg != 0x09) {  // memory function: its size, then its references
      at += 3;
    } else if (base == 0x1B && ptg != 0x1B && at + 11 <= end) {  // 3-D area
      CellReference r;
      out.ixti = out.refs.empty() ? GetU16(d, at + 1) : out.ixti;
      r.first_row = GetU16(d, at + 3) + 1;
      r.last_row = GetU16(d, at + 5) + 1;
      r.first_column = (GetU16(d, at + 7) & 0x00FF) + 1;
      r.last_column = (GetU16(d, at + 9) & 0x00FF) + 1;
      if (r.first_column == 1 && r.last_column == kLastColumn + 1) r.kind = CellReference::Kind::kRows;
      else if (r.first_row == 1 && r.last_row == kLastRow + 1) r.kind = CellReference::Kind::kColumns;
      out.refs.push_back(r);
      at += 11;
    } else if (base == 0x1A && ptg != 0x1A && at + 7 <= end) {  // 3-D cell
      CellReference r;
      out.ixti = out.refs.empty() ? GetU16(d, at + 1) : out.ixti;
      r.first_row = r.last_row = GetU16(d, at + 3) + 1;
      r.first_column = r.last_column = (GetU16(d, at + 5) & 0x00FF) + 1;
      out.refs.push_back(r);
      at += 7;
    } else {
      return std::nullopt;
    }
  }
  if (out.refs.empty()) return std::nullopt;
  return out;
}

std::string Join(const std::vector<CellReference>& refs) {
  std::string out;
  for (const CellReference& r : refs) out += (out.empty() ? "" : ",") + r.Absolute();
  return out;
}

// The formula of `refs` on the sheet `ixti`: 3-D areas, joined by unions
// inside a memory function when there are several.
std::string Formula(const std::vector<CellReference>& refs, uint16_t ixti) {
  std::string areas;
  for (size_t i = 0; i < refs.size(); ++i) {
    CellReference r = refs[i];
    if (r.kind == CellReference::Kind::kRows) {
      r.first_column = 1;
      r.last_column = kLastColumn + 1;
    }
    if (r.kind == CellReference::Kind::kColumns) {
      r.first_row = 1;
      r.last_row = kLastRow + 1;
    }
    if (r.last_column > kLastColumn + 1 || r.last_row > kLastRow + 1) {
      throw excel::AutomationError("印刷範囲 " + r.Absolute() + " は .xls のシート（256 列、65,536 行）を越えます");
    }
    areas += '\x3B';
    AppendU16(areas, ixti);
    AppendU16(areas, static_cast<uint16_t>(r.first_row - 1));
    AppendU16(areas, static_cast<uint16_t>(r.last_row - 1));
    AppendU16(areas, static_cast<uint16_t>(r.first_column - 1));
    AppendU16(areas, static_cast<uint16_t>(r.last_column - 1));
    if (i > 0) areas += '\x10';
  }
  if (refs.size() == 1) return areas;
  std::string out = "\x29";
  AppendU16(out, static_cast<uint16_t>(areas.size()));
  return out + areas;
}

std::vector<CellReference> Parse(const std::string& list) {
  std::vector<CellReference> refs;
  size_t at = 0;
  while (at <= list.size()) {
    const size_t comma = std::min(list.find(',', at), list.size());
    if (const auto r = ParseCellReference(std::string_view(list).substr(at, comma - at))) refs.push_back(*r);
    at = comma + 1;
  }
  return refs;
}

std::string NameRecord(std::string_view old, const std::string& formula) {
  std::string d(old.substr(0, kFormulaStart));
  SetU16(d, 4, static_cast<uint16_t>(formula.size()));
  d += formula;
  // What follows the formula (menu, description, help and status texts).
  const size_t cce = GetU16(old, 4);
  if (kFormulaStart + cce <= old.size()) d += old.substr(kFormulaStart + cce);
  std::string out;
  AppendRecord(out, kNameRecord, d);
  return out;
}

// A cleared built-in name that must keep its place: a hidden name of the
// sheet without a formula, which no reader takes for a print setting.
std::string PlaceholderRecord(std::string_view old, char which) {
  const std::string name = which == kPrintArea ? "Ovix_Cleared_Print_Area" : "Ovix_Cleared_Print_Titles";
  std::string d;
  AppendU16(d, 0x0001);  // hidden
  d += '\0';             // no shortcut key
  d += static_cast<char>(name.size());
  AppendU16(d, 0);  // no formula
  AppendU16(d, 0);
  AppendU16(d, GetU16(old, 8));  // the same sheet
  d.append(4, '\0');             // no menu, description, help or status text
  d += '\0';                     // 8-bit characters
  d += name;
  std::string out;
  AppendRecord(out, kNameRecord, d);
  return out;
}

}  // namespace

void ReadXlsPrintNames(const XlsWorkbook& book, size_t sheet_index, PageSetupValues& page) {
  if (const auto n = FindName(book, sheet_index, kPrintArea)) {
    if (const auto areas = ReadAreas(book.Data(*n))) page.print_area = Join(areas->refs);
  }
  if (const auto n = FindName(book, sheet_index, kPrintTitles)) {
    if (const auto areas = ReadAreas(book.Data(*n))) {
      std::vector<CellReference> rows, columns;
      for (const CellReference& r : areas->refs) {
        if (r.kind == CellReference::Kind::kRows) rows.push_back(r);
        if (r.kind == CellReference::Kind::kColumns) columns.push_back(r);
      }
      page.print_title_rows = Join(rows);
      page.print_title_columns = Join(columns);
    }
  }
}

bool EditXlsPrintNames(const XlsWorkbook& book, size_t sheet_index, const PageSetupValues& was,
                       const PageSetupValues& now, StreamEdits& edits) {
  struct Change {
    char which;
    std::vector<CellReference> refs;
  };
  std::vector<Change> changes;
  if (was.print_area != now.print_area) changes.push_back({kPrintArea, Parse(now.print_area)});
  if (was.print_title_rows != now.print_title_rows || was.print_title_columns != now.print_title_columns) {
    std::vector<CellReference> refs = Parse(now.print_title_rows);
    for (const CellReference& r : Parse(now.print_title_columns)) refs.push_back(r);
    changes.push_back({kPrintTitles, std::move(refs)});
  }
  if (changes.empty()) return false;
  std::map<size_t, char> cleared;
  for (const Change& c : changes) {
    const auto n = FindName(book, sheet_index, c.which);
    if (!n) {
      if (c.refs.empty()) continue;
      throw excel::AutomationError(std::string(c.which == kPrintArea ? "印刷範囲" : "印刷タイトル") +
                                   "のなかったシートに .xls では設定できません。.xlsx で保存してください");
    }
    if (c.refs.empty()) {
      cleared[*n] = c.which;
      continue;
    }
    const auto old = ReadAreas(book.Data(*n));
    if (!old) {
      throw excel::AutomationError("シートの印刷範囲の名前が参照ではないため、.xls では変えられません");
    }
    edits.replace[*n] = NameRecord(book.Data(*n), Formula(c.refs, old->ixti));
  }
  // A cleared name goes when no name after it would move; otherwise a
  // placeholder keeps its place.
  size_t last_kept = 0;
  for (size_t i = 1; i < book.globals_eof; ++i) {
    if (book.records[i].type == kNameRecord && !cleared.count(i)) last_kept = i;
  }
  for (const auto& [n, which] : cleared) {
    edits.replace[n] = n > last_kept ? std::string() : PlaceholderRecord(book.Data(n), which);
  }
  return true;
}

}  // namespace ovix::workbook::xls
