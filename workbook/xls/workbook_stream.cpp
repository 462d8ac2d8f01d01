#include "workbook/xls/workbook_stream.h"

#include <cmath>

#include "excel/excel_automation.h"
#include "workbook/xls/font_list.h"
#include "workbook/xls/sheet_drawing.h"
#include "workbook/xls/shape_source.h"

namespace ovix::workbook::xls {

namespace {

// Record types.
constexpr uint16_t kBof = 0x0809;
constexpr uint16_t kEof = 0x000A;
constexpr uint16_t kInterfaceHdr = 0x00E1;
constexpr uint16_t kMms = 0x00C1;
constexpr uint16_t kInterfaceEnd = 0x00E2;
constexpr uint16_t kWriteAccess = 0x005C;
constexpr uint16_t kCodePage = 0x0042;
constexpr uint16_t kDsf = 0x0161;
constexpr uint16_t kTabId = 0x013D;
constexpr uint16_t kFnGroupCount = 0x009C;
constexpr uint16_t kWindowProtect = 0x0019;
constexpr uint16_t kProtect = 0x0012;
constexpr uint16_t kPassword = 0x0013;
constexpr uint16_t kProt4Rev = 0x01AF;
constexpr uint16_t kProt4RevPass = 0x01BC;
constexpr uint16_t kWindow1 = 0x003D;
constexpr uint16_t kBackup = 0x0040;
constexpr uint16_t kHideObj = 0x008D;
constexpr uint16_t kDate1904 = 0x0022;
constexpr uint16_t kPrecision = 0x000E;
constexpr uint16_t kRefreshAll = 0x01B7;
constexpr uint16_t kBookBool = 0x00DA;
constexpr uint16_t kXf = 0x00E0;
constexpr uint16_t kStyle = 0x0293;
constexpr uint16_t kUsesElfs = 0x0160;
constexpr uint16_t kBoundSheet = 0x0085;
constexpr uint16_t kCountry = 0x008C;
constexpr uint16_t kSst = 0x00FC;
constexpr uint16_t kExtSst = 0x00FF;
constexpr uint16_t kCalcMode = 0x000D;
constexpr uint16_t kCalcCount = 0x000C;
constexpr uint16_t kRefMode = 0x000F;
constexpr uint16_t kIteration = 0x0011;
constexpr uint16_t kDelta = 0x0010;
constexpr uint16_t kSaveRecalc = 0x005F;
constexpr uint16_t kPrintHeaders = 0x002A;
constexpr uint16_t kPrintGridlines = 0x002B;
constexpr uint16_t kGridSet = 0x0082;
constexpr uint16_t kGuts = 0x0080;
constexpr uint16_t kDefaultRowHeight = 0x0225;
constexpr uint16_t kWsBool = 0x0081;
constexpr uint16_t kHeader = 0x0014;
constexpr uint16_t kFooter = 0x0015;
constexpr uint16_t kHCenter = 0x0083;
constexpr uint16_t kVCenter = 0x0084;
constexpr uint16_t kLeftMargin = 0x0026;
constexpr uint16_t kRightMargin = 0x0027;
constexpr uint16_t kTopMargin = 0x0028;
constexpr uint16_t kBottomMargin = 0x0029;
constexpr uint16_t kSetup = 0x00A1;
constexpr uint16_t kDefColWidth = 0x0055;
constexpr uint16_t kDimensions = 0x0200;
constexpr uint16_t kWindow2 = 0x023E;
constexpr uint16_t kSelection = 0x001D;

constexpr uint16_t kUtf16CodePage = 1200;
constexpr double kPointsPerInch = 72.0;
constexpr uint16_t kRowHeightTwips = 270;  // 13.5 points

void U16Record(BiffStream& out, uint16_t type, uint16_t value) {
  ByteBuffer b;
  b.U16(value);
  out.Record(type, b.view());
}

void Bof(BiffStream& out, uint16_t kind) {
  ByteBuffer b;
  b.U16(0x0600);
  b.U16(kind);
  b.U16(0x0DBB);  // build
  b.U16(0x07CC);  // year
  b.U32(0x00000041);
  b.U32(0x00000006);
  out.Record(kBof, b.view());
}

// ShortXLUnicodeString or XLUnicodeString (`wide_count`) in UTF-16.
void UnicodeString(ByteBuffer& b, const std::u16string& text, bool wide_count) {
  if (wide_count) {
    b.U16(static_cast<uint16_t>(text.size()));
  } else {
    b.U8(static_cast<uint8_t>(text.size()));
  }
  b.U8(1);
  b.Utf16(text);
}

void Xf(BiffStream& out, bool style) {
  ByteBuffer b;
  b.U16(0);  // font
  b.U16(0);  // number format
  b.U16(style ? 0xFFF5 : 0x0001);
  b.U8(0x20);  // bottom aligned
  b.U8(0);
  b.U8(0);
  b.U8(0);
  b.U32(0);
  b.U32(0);
  b.U16(0x20C0);
  out.Record(kXf, b.view());
}

std::string HeaderFooterText(const std::string& left, const std::string& center,
                             const std::string& right) {
  std::string text;
  if (!left.empty()) text += "&L" + left;
  if (!center.empty()) text += "&C" + center;
  if (!right.empty()) text += "&R" + right;
  return text;
}

void HeaderFooter(BiffStream& out, uint16_t type, const std::string& text, const char* what) {
  if (text.empty()) {
    out.Record(type, {});
    return;
  }
  const std::u16string u = Utf8ToUtf16(text);
  if (u.size() > 255) {
    throw excel::AutomationError(std::string("the page ") + what + " is " + std::to_string(u.size()) +
                                 " characters long; an .xls sheet holds at most 255");
  }
  ByteBuffer b;
  UnicodeString(b, u, true);
  out.Record(type, b.view());
}

void Margin(BiffStream& out, uint16_t type, double points) {
  ByteBuffer b;
  b.F64(points / kPointsPerInch);
  out.Record(type, b.view());
}

void Setup(BiffStream& out, const PageSetupValues& page) {
  ByteBuffer b;
  b.U16(static_cast<uint16_t>(page.paper_size));
  b.U16(static_cast<uint16_t>(std::clamp(page.zoom, 10, 400)));
  const bool own_first_page = page.first_page_number != excel::kAutomatic;
  b.U16(static_cast<uint16_t>(own_first_page ? page.first_page_number : 1));
  b.U16(1);  // fit to 1 page wide
  b.U16(1);  // and 1 high (unused: the scale applies)
  uint16_t flags = 0;
  if (page.order == excel::kOverThenDown) flags |= 0x0001;
  if (page.orientation != excel::kLandscape) flags |= 0x0002;
  if (page.black_and_white) flags |= 0x0008;
  if (page.draft) flags |= 0x0010;
  if (page.print_comments != excel::kPrintNoComments) flags |= 0x0020;
  if (own_first_page) flags |= 0x0080;
  if (page.print_comments == excel::kPrintSheetEnd) flags |= 0x0200;
  b.U16(flags);
  b.U16(600);
  b.U16(600);
  b.F64(page.header_margin / kPointsPerInch);
  b.F64(page.footer_margin / kPointsPerInch);
  b.U16(1);  // copies
  out.Record(kSetup, b.view());
}

void WriteSheet(const SheetState& sheet, bool active, uint32_t dgid, ShapeIdClusters& ids,
                FontList& fonts, BiffStream& out) {
  const PageSetupValues& page = sheet.page;
  if (!page.print_area.empty() || !page.print_title_rows.empty() ||
      !page.print_title_columns.empty()) {
    throw excel::AutomationError("the sheet \"" + sheet.name +
                                 "\" has a print area or print titles, which this engine does not "
                                 "write to .xls yet; save it as .xlsx");
  }
  Bof(out, 0x0010);
  U16Record(out, kCalcMode, 1);
  U16Record(out, kCalcCount, 100);
  U16Record(out, kRefMode, 1);
  U16Record(out, kIteration, 0);
  {
    ByteBuffer b;
    b.F64(0.001);
    out.Record(kDelta, b.view());
  }
  U16Record(out, kSaveRecalc, 1);
  U16Record(out, kPrintHeaders, page.print_headings ? 1 : 0);
  U16Record(out, kPrintGridlines, page.print_gridlines ? 1 : 0);
  U16Record(out, kGridSet, 1);
  {
    ByteBuffer b;
    b.Zeros(8);
    out.Record(kGuts, b.view());
  }
  {
    // Every row keeps the default height, whatever font a reader has, so
    // that the shapes' cell anchors hold.
    ByteBuffer b;
    b.U16(0x0001);
    b.U16(kRowHeightTwips);
    out.Record(kDefaultRowHeight, b.view());
  }
  U16Record(out, kWsBool, 0x04C1);
  HeaderFooter(out, kHeader, HeaderFooterText(page.left_header, page.center_header, page.right_header),
               "header");
  HeaderFooter(out, kFooter, HeaderFooterText(page.left_footer, page.center_footer, page.right_footer),
               "footer");
  U16Record(out, kHCenter, page.center_horizontally ? 1 : 0);
  U16Record(out, kVCenter, page.center_vertically ? 1 : 0);
  Margin(out, kLeftMargin, page.left_margin);
  Margin(out, kRightMargin, page.right_margin);
  Margin(out, kTopMargin, page.top_margin);
  Margin(out, kBottomMargin, page.bottom_margin);
  Setup(out, page);
  // Columns keep the default width the default font implies (8 digits
  // and padding: 72 pixels for ＭＳ Ｐゴシック 11 pt), as in the .xlsx the
  // engine writes.
  U16Record(out, kDefColWidth, 8);
  {
    ByteBuffer b;
    b.Zeros(14);
    out.Record(kDimensions, b.view());
  }
  WriteSheetDrawing(SheetShapes(sheet.drawing), dgid, ids, fonts, out);
  {
    ByteBuffer b;
    b.U16(active ? 0x06B6 : 0x00B6);
    b.U16(0);
    b.U16(0);
    b.U16(0x0040);
    b.U16(0);
    b.U16(0);
    b.U16(0);
    b.U16(0);
    b.U16(0);
    out.Record(kWindow2, b.view());
  }
  {
    ByteBuffer b;
    b.U8(3);
    b.U16(0);
    b.U16(0);
    b.U16(0);
    b.U16(1);
    b.U16(0);
    b.U16(0);
    b.U8(0);
    b.U8(0);
    out.Record(kSelection, b.view());
  }
  out.Record(kEof, {});
}

}  // namespace

std::vector<std::string_view> WorkbookStream::Pieces() const {
  std::vector<std::string_view> pieces{globals.bytes()};
  for (const BiffStream& s : sheets) pieces.push_back(s.bytes());
  if (!padding.empty()) pieces.push_back(padding);
  return pieces;
}

void BuildWorkbookStream(const WorkbookState& book, WorkbookStream& stream) {
  FontList fonts;
  ShapeIdClusters ids;
  stream.sheets.resize(book.sheets.size());
  for (size_t i = 0; i < book.sheets.size(); ++i) {
    const SheetState& sheet = *book.sheets[i];
    const uint32_t dgid = ids.drawings() + 1;
    WriteSheet(sheet, i == book.active_sheet, dgid, ids, fonts, stream.sheets[i]);
  }

  BiffStream& g = stream.globals;
  Bof(g, 0x0005);
  U16Record(g, kInterfaceHdr, kUtf16CodePage);
  U16Record(g, kMms, 0);
  g.Record(kInterfaceEnd, {});
  {
    ByteBuffer b;
    UnicodeString(b, u"Ovix", true);
    b.Bytes(std::string(112 - b.size(), ' '));
    g.Record(kWriteAccess, b.view());
  }
  U16Record(g, kCodePage, kUtf16CodePage);
  U16Record(g, kDsf, 0);
  {
    ByteBuffer b;
    for (size_t i = 0; i < book.sheets.size(); ++i) b.U16(static_cast<uint16_t>(i + 1));
    g.Record(kTabId, b.view());
  }
  U16Record(g, kFnGroupCount, 14);
  U16Record(g, kWindowProtect, 0);
  U16Record(g, kProtect, 0);
  U16Record(g, kPassword, 0);
  U16Record(g, kProt4Rev, 0);
  U16Record(g, kProt4RevPass, 0);
  {
    ByteBuffer b;
    b.U16(0x0168);
    b.U16(0x001E);
    b.U16(0x3A5C);
    b.U16(0x23BE);
    b.U16(0x0038);
    b.U16(static_cast<uint16_t>(book.active_sheet));
    b.U16(0);
    b.U16(1);
    b.U16(600);
    g.Record(kWindow1, b.view());
  }
  U16Record(g, kBackup, 0);
  U16Record(g, kHideObj, 0);
  U16Record(g, kDate1904, 0);
  U16Record(g, kPrecision, 1);
  U16Record(g, kRefreshAll, 0);
  U16Record(g, kBookBool, 0);
  fonts.WriteRecords(g);
  for (int i = 0; i < 15; ++i) Xf(g, true);
  Xf(g, false);
  {
    ByteBuffer b;
    b.U16(0x8000);  // built-in style on format 0
    b.U8(0);        // Normal
    b.U8(0xFF);
    g.Record(kStyle, b.view());
  }
  U16Record(g, kUsesElfs, 0);
  std::vector<size_t> sheet_offsets;
  for (const auto& sheet : book.sheets) {
    const std::u16string name = Utf8ToUtf16(sheet->name);
    if (name.empty() || name.size() > 31) {
      throw excel::AutomationError("the sheet name \"" + sheet->name +
                                   "\" is longer than an .xls sheet name may be (31 characters)");
    }
    ByteBuffer b;
    b.U32(0);  // offset of the sheet's BOF, set below
    b.U16(0);  // visible worksheet
    UnicodeString(b, name, false);
    sheet_offsets.push_back(g.Record(kBoundSheet, b.view()));
  }
  {
    ByteBuffer b;
    b.U16(81);  // Japan
    b.U16(81);
    g.Record(kCountry, b.view());
  }
  ids.WriteDrawingGroup(g);
  {
    ByteBuffer b;
    b.U32(0);
    b.U32(0);
    g.Record(kSst, b.view());
  }
  U16Record(g, kExtSst, 8);
  g.Record(kEof, {});

  size_t at = g.size();
  for (size_t i = 0; i < stream.sheets.size(); ++i) {
    if (at > 0xFFFFFFFFull) throw excel::AutomationError("the workbook is too large for an .xls file");
    g.PatchData(sheet_offsets[i], 0, static_cast<uint32_t>(at), 4);
    at += stream.sheets[i].size();
  }
  constexpr size_t kSmallest = 4096;
  if (at < kSmallest) stream.padding.assign(kSmallest - at, '\0');
}

}  // namespace ovix::workbook::xls
