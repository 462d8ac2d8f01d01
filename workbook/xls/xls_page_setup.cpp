#include "workbook/xls/xls_page_setup.h"

#include <cmath>
#include <limits>

#include "workbook/opened_package.h"
#include "workbook/xls/le_bytes.h"

namespace ovix::workbook::xls {

namespace {

constexpr double kPointsPerInch = 72.0;
constexpr size_t kNone = std::numeric_limits<size_t>::max();

// SETUP flags.
constexpr uint16_t kOverThenDown = 0x0001;
constexpr uint16_t kPortrait = 0x0002;
constexpr uint16_t kNoPrinterData = 0x0004;
constexpr uint16_t kBlackAndWhite = 0x0008;
constexpr uint16_t kDraft = 0x0010;
constexpr uint16_t kNotes = 0x0020;
constexpr uint16_t kNoOrientation = 0x0040;
constexpr uint16_t kUseFirstPage = 0x0080;
constexpr uint16_t kNotesAtEnd = 0x0200;
constexpr uint16_t kFitToPage = 0x0100;  // WSBOOL

// The sheet's page records, found at the sheet's own level (not inside an
// embedded chart's substream).
struct PageRecords {
  size_t header = kNone, footer = kNone, hcenter = kNone, vcenter = kNone;
  size_t margin[4] = {kNone, kNone, kNone, kNone};  // left, right, top, bottom
  size_t setup = kNone, print_headers = kNone, print_gridlines = kNone, wsbool = kNone, dimensions = kNone;
};

PageRecords FindPageRecords(const XlsWorkbook& book, const XlsSheet& sheet) {
  PageRecords p;
  int depth = 0;
  for (size_t i = sheet.bof; i <= sheet.eof; ++i) {
    const uint16_t t = book.records[i].type;
    if (t == rt::kBof) ++depth;
    if (t == rt::kEof) --depth;
    if (depth != 1) continue;
    size_t* slot = nullptr;
    switch (t) {
      case rt::kHeader: slot = &p.header; break;
      case rt::kFooter: slot = &p.footer; break;
      case rt::kHCenter: slot = &p.hcenter; break;
      case rt::kVCenter: slot = &p.vcenter; break;
      case rt::kLeftMargin: slot = &p.margin[0]; break;
      case rt::kRightMargin: slot = &p.margin[1]; break;
      case rt::kTopMargin: slot = &p.margin[2]; break;
      case rt::kBottomMargin: slot = &p.margin[3]; break;
      case rt::kSetup: slot = &p.setup; break;
      case rt::kPrintHeaders: slot = &p.print_headers; break;
      case rt::kPrintGridlines: slot = &p.print_gridlines; break;
      case rt::kWsBool: slot = &p.wsbool; break;
      case rt::kDimensions: slot = &p.dimensions; break;
      default: break;
    }
    if (slot != nullptr && *slot == kNone) *slot = i;
  }
  return p;
}

bool Flag16(const XlsWorkbook& book, size_t index) {
  return index != kNone && book.records[index].size >= 2 && GetU16(book.Data(index), 0) != 0;
}

double Inches(const XlsWorkbook& book, size_t index, double fallback) {
  if (index == kNone || book.records[index].size < 8) return fallback * kPointsPerInch;
  const double v = GetDouble(book.Data(index), 0);
  return std::isfinite(v) && v >= 0 && v < 1000 ? v * kPointsPerInch : fallback * kPointsPerInch;
}

std::string HeaderFooterText(const std::string& left, const std::string& center, const std::string& right) {
  std::string text;
  if (!left.empty()) text += "&L" + left;
  if (!center.empty()) text += "&C" + center;
  if (!right.empty()) text += "&R" + right;
  return text;
}

std::string ReadHeaderFooter(const XlsWorkbook& book, size_t index) {
  if (index == kNone || book.records[index].size == 0) return {};
  size_t at = 0;
  try {
    return ReadLongString(book.Data(index), at);
  } catch (const XlsFormatError&) {
    return {};  // an unreadable header prints nothing; the record stays as it is unless replaced
  }
}

std::string Record(uint16_t type, const std::string& data) {
  std::string out;
  AppendRecord(out, type, data);
  return out;
}

std::string U16Record(uint16_t type, uint16_t value) {
  std::string data;
  AppendU16(data, value);
  return Record(type, data);
}

std::string DoubleRecord(uint16_t type, double value) {
  std::string data;
  AppendDouble(data, value);
  return Record(type, data);
}

// Puts `bytes` in place of the record `index`, or, when the sheet has none,
// before `before` (a record of the sheet that follows it).
void Put(StreamEdits& edits, size_t index, size_t before, std::string bytes) {
  if (index != kNone) {
    edits.replace[index] = std::move(bytes);
  } else {
    edits.insert_before[before] += bytes;
  }
}

uint16_t Clamp16(int64_t v, int64_t low, int64_t high) {
  return static_cast<uint16_t>(static_cast<int16_t>(std::max(low, std::min(high, v))));
}

}  // namespace

PageSetupValues ReadXlsPageSetup(const XlsWorkbook& book, const XlsSheet& sheet) {
  const PageRecords r = FindPageRecords(book, sheet);
  PageSetupValues page;
  // Without the records, the values the spreadsheet application assumes.
  page.left_margin = Inches(book, r.margin[0], 0.75);
  page.right_margin = Inches(book, r.margin[1], 0.75);
  page.top_margin = Inches(book, r.margin[2], 1.0);
  page.bottom_margin = Inches(book, r.margin[3], 1.0);
  page.header_margin = 0.5 * kPointsPerInch;
  page.footer_margin = 0.5 * kPointsPerInch;
  page.center_horizontally = Flag16(book, r.hcenter);
  page.center_vertically = Flag16(book, r.vcenter);
  page.print_headings = Flag16(book, r.print_headers);
  page.print_gridlines = Flag16(book, r.print_gridlines);
  SplitHeaderFooter(ReadHeaderFooter(book, r.header), page.left_header, page.center_header, page.right_header);
  SplitHeaderFooter(ReadHeaderFooter(book, r.footer), page.left_footer, page.center_footer, page.right_footer);
  page.paper_size = 1;
  page.zoom = 100;
  page.orientation = excel::kPortrait;
  if (r.setup != kNone && book.records[r.setup].size >= 34) {
    const std::string_view d = book.Data(r.setup);
    const uint16_t flags = GetU16(d, 10);
    if ((flags & kNoPrinterData) == 0) {
      page.paper_size = GetU16(d, 0);
      page.zoom = GetU16(d, 2);
      if ((flags & kNoOrientation) == 0) {
        page.orientation = (flags & kPortrait) != 0 ? excel::kPortrait : excel::kLandscape;
      }
    }
    page.order = (flags & kOverThenDown) != 0 ? excel::kOverThenDown : excel::kDownThenOver;
    page.black_and_white = (flags & kBlackAndWhite) != 0;
    page.draft = (flags & kDraft) != 0;
    page.print_comments = (flags & kNotes) == 0            ? excel::kPrintNoComments
                          : (flags & kNotesAtEnd) != 0     ? excel::kPrintSheetEnd
                                                           : excel::kPrintInPlace;
    page.first_page_number =
        (flags & kUseFirstPage) != 0 ? static_cast<int16_t>(GetU16(d, 4)) : excel::kAutomatic;
    const double header = GetDouble(d, 16);
    const double footer = GetDouble(d, 24);
    if (std::isfinite(header) && header >= 0 && header < 1000) page.header_margin = header * kPointsPerInch;
    if (std::isfinite(footer) && footer >= 0 && footer < 1000) page.footer_margin = footer * kPointsPerInch;
  }
  return page;
}

bool EditXlsPageSetup(const XlsWorkbook& book, const XlsSheet& sheet, const PageSetupValues& was,
                      const PageSetupValues& now, StreamEdits& edits) {
  if (was == now) return false;
  const PageRecords r = FindPageRecords(book, sheet);
  // Records the sheet lacks go before SETUP, or before DIMENSIONS, in the
  // order the format lists them.
  const size_t anchor = r.setup != kNone ? r.setup : r.dimensions != kNone ? r.dimensions : sheet.bof + 1;
  bool changed = false;
  if (was.print_headings != now.print_headings) {
    Put(edits, r.print_headers, anchor, U16Record(rt::kPrintHeaders, now.print_headings ? 1 : 0));
    changed = true;
  }
  if (was.print_gridlines != now.print_gridlines) {
    Put(edits, r.print_gridlines, anchor, U16Record(rt::kPrintGridlines, now.print_gridlines ? 1 : 0));
    changed = true;
  }
  const std::string header = HeaderFooterText(now.left_header, now.center_header, now.right_header);
  if (header != HeaderFooterText(was.left_header, was.center_header, was.right_header)) {
    Put(edits, r.header, anchor, Record(rt::kHeader, header.empty() ? std::string() : EncodeLongString(header)));
    changed = true;
  }
  const std::string footer = HeaderFooterText(now.left_footer, now.center_footer, now.right_footer);
  if (footer != HeaderFooterText(was.left_footer, was.center_footer, was.right_footer)) {
    Put(edits, r.footer, anchor, Record(rt::kFooter, footer.empty() ? std::string() : EncodeLongString(footer)));
    changed = true;
  }
  if (was.center_horizontally != now.center_horizontally) {
    Put(edits, r.hcenter, anchor, U16Record(rt::kHCenter, now.center_horizontally ? 1 : 0));
    changed = true;
  }
  if (was.center_vertically != now.center_vertically) {
    Put(edits, r.vcenter, anchor, U16Record(rt::kVCenter, now.center_vertically ? 1 : 0));
    changed = true;
  }
  const double margins_was[4] = {was.left_margin, was.right_margin, was.top_margin, was.bottom_margin};
  const double margins_now[4] = {now.left_margin, now.right_margin, now.top_margin, now.bottom_margin};
  const uint16_t margin_types[4] = {rt::kLeftMargin, rt::kRightMargin, rt::kTopMargin, rt::kBottomMargin};
  for (int i = 0; i < 4; ++i) {
    if (margins_was[i] == margins_now[i]) continue;
    Put(edits, r.margin[i], anchor, DoubleRecord(margin_types[i], margins_now[i] / kPointsPerInch));
    changed = true;
  }
  const bool setup_changed =
      was.paper_size != now.paper_size || was.zoom != now.zoom || was.orientation != now.orientation ||
      was.order != now.order || was.black_and_white != now.black_and_white || was.draft != now.draft ||
      was.print_comments != now.print_comments || was.first_page_number != now.first_page_number ||
      was.header_margin != now.header_margin || was.footer_margin != now.footer_margin;
  if (setup_changed) {
    // The sheet's own SETUP with the changed fields; its printer resolution
    // and copies stay.
    std::string data(34, '\0');
    if (r.setup != kNone && book.records[r.setup].size >= 34) {
      data.assign(book.Data(r.setup).substr(0, 34));
    } else {
      SetU16(data, 2, 100);
      SetU16(data, 4, 1);
      SetU16(data, 6, 1);
      SetU16(data, 8, 1);
      SetU16(data, 12, 600);
      SetU16(data, 14, 600);
      SetU16(data, 32, 1);
    }
    uint16_t flags = GetU16(data, 10);
    flags &= static_cast<uint16_t>(~(kOverThenDown | kPortrait | kNoPrinterData | kBlackAndWhite | kDraft |
                                     kNotes | kNoOrientation | kUseFirstPage | kNotesAtEnd));
    if (now.order == excel::kOverThenDown) flags |= kOverThenDown;
    if (now.orientation != excel::kLandscape) flags |= kPortrait;
    if (now.black_and_white) flags |= kBlackAndWhite;
    if (now.draft) flags |= kDraft;
    if (now.print_comments == excel::kPrintInPlace) flags |= kNotes;
    if (now.print_comments == excel::kPrintSheetEnd) flags |= kNotes | kNotesAtEnd;
    if (now.first_page_number != excel::kAutomatic) {
      flags |= kUseFirstPage;
      SetU16(data, 4, Clamp16(now.first_page_number, INT16_MIN, INT16_MAX));
    }
    SetU16(data, 0, Clamp16(now.paper_size, 0, INT16_MAX));
    SetU16(data, 2, Clamp16(now.zoom, 10, 400));
    SetU16(data, 10, flags);
    std::string header_margin, footer_margin;
    AppendDouble(header_margin, now.header_margin / kPointsPerInch);
    AppendDouble(footer_margin, now.footer_margin / kPointsPerInch);
    data.replace(16, 8, header_margin);
    data.replace(24, 8, footer_margin);
    Put(edits, r.setup, r.dimensions != kNone ? r.dimensions : sheet.eof, Record(rt::kSetup, data));
    // A zoom replaces fitting the sheet to pages.
    if (was.zoom != now.zoom && r.wsbool != kNone && book.records[r.wsbool].size >= 2 &&
        (GetU16(book.Data(r.wsbool), 0) & kFitToPage) != 0) {
      std::string ws(book.Data(r.wsbool));
      SetU16(ws, 0, static_cast<uint16_t>(GetU16(ws, 0) & ~kFitToPage));
      edits.replace[r.wsbool] = Record(rt::kWsBool, ws);
    }
    changed = true;
  }
  return changed;
}

}  // namespace ovix::workbook::xls
