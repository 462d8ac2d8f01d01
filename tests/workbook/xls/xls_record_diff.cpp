#include "tests/workbook/xls/xls_record_diff.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "workbook/xls/compound_file_reader.h"
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

// `keep_fonts`: FONT records past that many are fonts added for new text
// and are left out.
std::vector<Compared> Normalised(const XlsWorkbook& book, size_t first, size_t last, bool drop_drawing,
                                 bool drop_page, bool drop_group, size_t keep_fonts = SIZE_MAX) {
  std::vector<Compared> out;
  size_t fonts = 0;
  std::set<size_t> group(book.drawing_group.begin(), book.drawing_group.end());
  uint16_t previous = 0;  // last record that was not a CONTINUE
  for (size_t i = first; i <= last; ++i) {
    const BiffRecord& r = book.records[i];
    std::string data(book.Data(i));
    if (r.type != rt::kContinue) previous = r.type;
    if (drop_group && group.count(i)) continue;
    if (r.type == rt::kFont && fonts++ >= keep_fonts) continue;
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
  size_t fonts = 0;
  for (size_t i = 0; i < a.globals_eof; ++i) fonts += a.records[i].type == rt::kFont;
  Compare(Normalised(a, 0, a.globals_eof, false, false, options.drawing_group_may_change),
          Normalised(b, 0, b.globals_eof, false, false, options.drawing_group_may_change,
                     options.drawing_group_may_change ? fonts : SIZE_MAX),
          "globals", diffs);
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

namespace {

// The joined drawing data of a sheet (MSODRAWING, and CONTINUE records that
// carry drawing data: after MSODRAWING or OBJ, or after a TXO's text and
// runs), and its OBJ ids.
std::string SheetDrawingData(const XlsWorkbook& book, const XlsSheet& s, std::vector<uint16_t>& obj_ids) {
  std::string data;
  uint16_t state = 0;
  uint32_t text = 0, runs = 0;
  int depth = 0;
  for (size_t i = s.bof; i <= s.eof; ++i) {
    const BiffRecord& r = book.records[i];
    const std::string_view d = book.Data(i);
    if (r.type == rt::kBof) ++depth;
    if (r.type == rt::kEof) --depth;
    if (depth != 1) continue;
    if (r.type == rt::kMsoDrawing) {
      data.append(d);
      state = rt::kMsoDrawing;
    } else if (r.type == rt::kObj) {
      obj_ids.push_back(GetU16(d, 6));
      state = rt::kObj;
    } else if (r.type == rt::kTxo) {
      text = GetU16(d, 10);
      runs = text ? GetU16(d, 12) : 0;
      state = rt::kTxo;
    } else if (r.type == rt::kContinue) {
      if (state == rt::kTxo && text > 0) {
        const size_t chars = (d.size() - 1) / ((d[0] & 1) ? 2 : 1);
        text -= std::min<uint32_t>(text, static_cast<uint32_t>(chars));
      } else if (state == rt::kTxo && runs > 0) {
        runs -= std::min<uint32_t>(runs, r.size);
      } else if (state != 0) {
        data.append(d);
        state = rt::kMsoDrawing;
      }
    } else if (r.type != rt::kEof) {
      state = 0;
    }
  }
  return data;
}

void WalkArt(const std::string& data, size_t begin, size_t end, DrawingSummary& out, int depth) {
  size_t at = begin;
  while (at + 8 <= end) {
    const uint16_t vi = GetU16(data, at);
    const uint16_t type = GetU16(data, at + 2);
    const uint32_t len = GetU32(data, at + 4);
    if (len > end - at - 8) throw std::runtime_error("drawing record past its container");
    if (type == 0xF008) {
      out.dgid = vi >> 4;
      out.fdg_count = GetU32(data, at + 8);
      out.fdg_last = GetU32(data, at + 12);
    }
    if (type == 0xF00A) {
      const uint32_t flags = GetU32(data, at + 12);
      out.spids.push_back(GetU32(data, at + 8));
      if (flags & 0x4) {
        // the patriarch
      } else if (flags & 0x1) {
        ++out.groups;
      } else {
        ++out.shape_types[vi >> 4];
      }
    }
    if (type == 0xF010) out.anchors.push_back(data.substr(at + 8, len));
    if ((vi & 0xF) == 0xF) WalkArt(data, at + 8, at + 8 + len, out, depth + 1);
    at += 8 + len;
  }
}

}  // namespace

DrawingSummary SummariseDrawing(const std::string& stream, int sheet) {
  const XlsWorkbook book = ReadXlsWorkbook(stream);
  DrawingSummary out;
  const std::string data = SheetDrawingData(book, book.sheets.at(static_cast<size_t>(sheet)), out.obj_ids);
  WalkArt(data, 0, data.size(), out, 0);
  return out;
}

DrawingGroupSummary SummariseDrawingGroup(const std::string& stream) {
  const XlsWorkbook book = ReadXlsWorkbook(stream);
  const std::string data = book.DrawingGroupData();
  DrawingGroupSummary out;
  for (size_t at = 8; at + 8 <= data.size(); at += 8 + GetU32(data, at + 4)) {
    if (GetU16(data, at + 2) != 0xF006) continue;
    out.spid_max = GetU32(data, at + 8);
    out.cidcl = GetU32(data, at + 12);
    out.shapes = GetU32(data, at + 16);
    out.drawings = GetU32(data, at + 20);
    for (size_t c = at + 24; c + 8 <= at + 8 + GetU32(data, at + 4); c += 8) {
      out.clusters.push_back({GetU32(data, c), GetU32(data, c + 4)});
    }
    break;
  }
  return out;
}

std::map<std::u16string, std::string> AllStreams(const std::string& file_bytes) {
  const CompoundFile file(file_bytes);
  std::map<std::u16string, std::string> out;
  std::vector<std::pair<uint32_t, std::u16string>> todo = {{0, u""}};
  while (!todo.empty()) {
    const auto [parent, prefix] = todo.back();
    todo.pop_back();
    for (uint32_t c : file.Children(parent)) {
      const DirectoryEntry& e = file.entries()[c];
      const std::u16string path = prefix + e.name;
      if (e.type == EntryType::kStorage) todo.push_back({c, path + u"/"});
      if (e.type == EntryType::kStream) out[path] = file.ReadStream(c);
    }
  }
  return out;
}

}  // namespace ovix::testing
