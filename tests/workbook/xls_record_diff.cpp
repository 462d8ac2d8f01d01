#include "tests/workbook/xls_record_diff.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "workbook/xls/le_bytes.h"
#include "workbook/xls/xls_workbook_reader.h"

namespace ovix::testing {

namespace {

using namespace ovix::workbook::xls;

struct Compared {
  uint16_t type;
  std::string data;
};

bool IsPageRecord(uint16_t t) {
  static const std::set<uint16_t> kPage = {rt::kHeader,     rt::kFooter,       rt::kHCenter,     rt::kVCenter,
                                           rt::kLeftMargin, rt::kRightMargin,  rt::kTopMargin,   rt::kBottomMargin,
                                           rt::kSetup,      rt::kPrintHeaders, rt::kPrintGridlines, rt::kWsBool};
  return kPage.count(t) != 0;
}

std::vector<Compared> Normalised(const XlsWorkbook& book, size_t first, size_t last, bool drop_drawing,
                                 bool drop_page, bool drop_group) {
  std::vector<Compared> out;
  std::set<size_t> group(book.drawing_group.begin(), book.drawing_group.end());
  uint16_t previous = 0;  // last record that was not a CONTINUE
  for (size_t i = first; i <= last; ++i) {
    const BiffRecord& r = book.records[i];
    std::string data(book.Data(i));
    if (r.type != rt::kContinue) previous = r.type;
    if (drop_group && group.count(i)) continue;
    const bool drawing = r.type == rt::kMsoDrawing || r.type == rt::kObj || r.type == rt::kTxo ||
                         (r.type == rt::kContinue &&
                          (previous == rt::kMsoDrawing || previous == rt::kObj || previous == rt::kTxo));
    if (drop_drawing && drawing) continue;
    if (drop_page && IsPageRecord(r.type)) continue;
    if (r.type == rt::kBoundSheet && data.size() >= 4) data.replace(0, 4, 4, '\0');
    if (r.type == rt::kIndex && data.size() > 12) data.replace(12, data.size() - 12, data.size() - 12, '\0');
    if (r.type == rt::kExtSst) {
      for (size_t at = 2; at + 8 <= data.size(); at += 8) data.replace(at, 4, 4, '\0');
    }
    out.push_back({r.type, std::move(data)});
  }
  return out;
}

void Compare(const std::vector<Compared>& a, const std::vector<Compared>& b, const std::string& where,
             std::vector<std::string>& diffs) {
  const size_t n = std::max(a.size(), b.size());
  for (size_t i = 0; i < n && diffs.size() < 20; ++i) {
    char line[160];
    if (i >= a.size() || i >= b.size()) {
      std::snprintf(line, sizeof line, "%s: %zu records before, %zu after", where.c_str(), a.size(), b.size());
      diffs.push_back(line);
      return;
    }
    if (a[i].type != b[i].type || a[i].data != b[i].data) {
      std::snprintf(line, sizeof line, "%s record %zu: 0x%04X (%zu bytes) became 0x%04X (%zu bytes)", where.c_str(), i,
                    a[i].type, a[i].data.size(), b[i].type, b[i].data.size());
      diffs.push_back(line);
    }
  }
}

}  // namespace

std::vector<std::string> DiffWorkbookRecords(const std::string& before, const std::string& after,
                                             const RecordDiffOptions& options) {
  const XlsWorkbook a = ReadXlsWorkbook(before);
  const XlsWorkbook b = ReadXlsWorkbook(after);
  std::vector<std::string> diffs;
  Compare(Normalised(a, 0, a.globals_eof, false, false, options.drawing_group_may_change),
          Normalised(b, 0, b.globals_eof, false, false, options.drawing_group_may_change), "globals", diffs);
  if (a.sheets.size() != b.sheets.size()) {
    diffs.push_back("the number of sheets changed");
    return diffs;
  }
  for (size_t s = 0; s < a.sheets.size(); ++s) {
    const bool target = static_cast<int>(s) == options.drawing_sheet;
    const bool page = target && options.page_setup_may_change;
    Compare(Normalised(a, a.sheets[s].bof, a.sheets[s].eof, target, page, false),
            Normalised(b, b.sheets[s].bof, b.sheets[s].eof, target, page, false),
            "sheet " + std::to_string(s + 1) + " \"" + a.sheets[s].name + "\"", diffs);
  }
  return diffs;
}

std::vector<std::string> ShapeObjectRecords(const std::string& stream, int sheet) {
  const XlsWorkbook book = ReadXlsWorkbook(stream);
  const XlsSheet& s = book.sheets.at(static_cast<size_t>(sheet));
  std::vector<std::string> out;
  uint16_t previous = 0;
  for (size_t i = s.bof; i <= s.eof; ++i) {
    const uint16_t t = book.records[i].type;
    if (t != rt::kContinue) previous = t;
    if (t == rt::kObj || t == rt::kTxo || (t == rt::kContinue && previous == rt::kTxo)) {
      out.push_back(std::to_string(t) + ":" + std::string(book.Data(i)));
    }
  }
  return out;
}

}  // namespace ovix::testing
