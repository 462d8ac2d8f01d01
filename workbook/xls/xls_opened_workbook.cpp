#include "workbook/xls/xls_opened_workbook.h"

#include <algorithm>

#include "excel/excel_automation.h"
#include "workbook/loaded_shapes.h"
#include "workbook/opened_package.h"
#include "workbook/xls/le_bytes.h"
#include "workbook/xls/xls_drawing_append.h"
#include "workbook/xls/xls_page_setup.h"
#include "workbook/xls/xls_print_names.h"

namespace ovix::workbook::xls {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& workbook, const std::string& what) {
  throw excel::AutomationError("ブック「" + workbook + "」を開けません: " + what);
}

// The default font (the first FONT record) sets the width of a digit.
int ReadMaxDigitWidth(const XlsWorkbook& book) {
  for (size_t i = 1; i < book.globals_eof; ++i) {
    if (book.records[i].type != rt::kFont) continue;
    const std::string_view d = book.Data(i);
    if (d.size() < 15) break;
    size_t at = 14;
    std::string name;
    try {
      name = ReadShortString(d, at);
    } catch (const XlsFormatError&) {
      break;
    }
    return MaxDigitWidth(name, GetU16(d, 0) / 20.0);
  }
  return 7;
}

// Columns from COLINFO, DEFCOLWIDTH and STANDARDWIDTH; rows from ROW and
// DEFAULTROWHEIGHT; at the sheet's own level.
SheetGrid ReadGrid(const XlsWorkbook& book, const XlsSheet& sheet, int mdw) {
  int64_t column_px = (8 * mdw + 5 + 7) / 8 * 8;
  int64_t row_twips = 255;
  bool rows_hidden = false;
  std::vector<GridSpan> columns, rows;
  int depth = 0;
  for (size_t i = sheet.bof; i <= sheet.eof; ++i) {
    const BiffRecord& r = book.records[i];
    if (r.type == rt::kBof) ++depth;
    if (r.type == rt::kEof) --depth;
    if (depth != 1) continue;
    const std::string_view d = book.Data(i);
    switch (r.type) {
      case rt::kDefColWidth:
        if (d.size() >= 2) column_px = (static_cast<int64_t>(GetU16(d, 0)) * mdw + 5 + 7) / 8 * 8;
        break;
      case rt::kStandardWidth:
        if (d.size() >= 2) column_px = ColumnPixels(GetU16(d, 0) / 256.0, mdw);
        break;
      case rt::kDefaultRowHeight:
        if (d.size() >= 4) {
          rows_hidden = (GetU16(d, 0) & 0x0002) != 0;
          row_twips = GetU16(d, 2) & 0x7FFF;
        }
        break;
      case rt::kColInfo:
        if (d.size() >= 10) {
          const int32_t first = GetU16(d, 0), last = GetU16(d, 2);
          const bool hidden = (GetU16(d, 8) & 0x0001) != 0;
          const int64_t px = hidden ? 0 : ColumnPixels(GetU16(d, 4) / 256.0, mdw);
          if (first <= last) columns.push_back({first, last, px * kEmuPerPixel});
        }
        break;
      case rt::kRow:
        if (d.size() >= 16) {
          const int32_t row = GetU16(d, 0);
          const bool hidden = (GetU16(d, 12) & 0x0020) != 0;
          const int64_t twips = hidden ? 0 : (GetU16(d, 6) & 0x7FFF);
          rows.push_back({row, row, PointsToEmu(twips / 20.0)});
        }
        break;
      default:
        break;
    }
  }
  const int64_t row_emu = rows_hidden ? 0 : PointsToEmu(row_twips / 20.0);
  return SheetGrid(GridAxis(SheetGrid::kColumnCount, column_px * kEmuPerPixel, std::move(columns)),
                   GridAxis(SheetGrid::kRowCount, row_emu, std::move(rows)));
}

// The sheet point (EMU) of a cell anchor's corner: a column and 1/1024 of
// its width, a row and 1/256 of its height.
void AnchorPoint(const SheetGrid& grid, uint16_t column, uint16_t dx, uint16_t row, uint16_t dy, int64_t& x,
                 int64_t& y) {
  int64_t x0, y0, x1, y1;
  grid.PointAt({column, 0, row, 0}, x0, y0);
  grid.PointAt({column + 1, 0, row + 1, 0}, x1, y1);
  x = x0 + (x1 - x0) * std::min<int64_t>(dx, 1024) / 1024;
  y = y0 + (y1 - y0) * std::min<int64_t>(dy, 256) / 256;
}

// The automation type of an object of type `ot`.
int32_t AutomationType(uint16_t ot) {
  switch (ot) {
    case 0: return excel::kTypeGroup;
    case 1: return excel::kTypeLine;
    case 2: case 3: case 4: case 30: return excel::kTypeAutoShape;
    case 5: return excel::kTypeChart;
    case 6: return excel::kTypeTextBox;
    case 8: return excel::kTypePicture;
    case 9: return excel::kTypeFreeform;
    default: return excel::kTypeOther;
  }
}

}  // namespace

std::shared_ptr<WorkbookState> OpenXlsWorkbook(const fs::path& path, std::string bytes) {
  auto opened = std::make_shared<OpenedXls>();
  opened->display_name = path.string();
  const std::string& name = opened->display_name;
  try {
    opened->file = std::make_unique<CompoundFile>(std::move(bytes));
    const CompoundFile& file = *opened->file;
    opened->workbook_entry = file.FindChild(0, u"Workbook");
    if (opened->workbook_entry == kNoStream) {
      if (file.FindChild(0, u"Book") != kNoStream) {
        Fail(name, "Excel 5.0/95 以前の形式のブックは開けません。Excel 97-2003 形式（.xls）か .xlsx で保存し直してください");
      }
      Fail(name, "Excel のブックではありません（Workbook ストリームがありません）");
    }
    opened->workbook = ReadXlsWorkbook(file.ReadStream(opened->workbook_entry));
  } catch (const CompoundFileError& e) {
    Fail(name, e.what());
  } catch (const XlsFormatError& e) {
    Fail(name, e.what());
  }
  opened->max_digit_width = ReadMaxDigitWidth(opened->workbook);

  auto book = std::make_shared<WorkbookState>();
  book->name = path.filename().string();
  book->full_name = path.string();
  book->saved = true;
  const XlsWorkbook& wb = opened->workbook;
  for (size_t i = 0; i < wb.sheets.size(); ++i) {
    // Chart sheets, macro sheets and modules are kept but are not worksheets.
    if (wb.sheets[i].kind != 0) continue;
    auto sheet = std::make_unique<SheetState>();
    sheet->name = wb.sheets[i].name;
    sheet->source = std::make_shared<SheetSource>();
    sheet->source->workbook_index = i;
    book->sheets.push_back(std::move(sheet));
  }
  book->legacy = std::move(opened);
  return book;
}

void LoadXlsSheet(const WorkbookState& book, SheetState& sheet) {
  if (!sheet.source || sheet.source->loaded) return;
  const OpenedXls& opened = *book.legacy;
  SheetSource& source = *sheet.source;
  const XlsSheet& xs = opened.workbook.sheets.at(source.workbook_index);
  source.grid.emplace(ReadGrid(opened.workbook, xs, opened.max_digit_width));
  sheet.page = ReadXlsPageSetup(opened.workbook, xs);
  ReadXlsPrintNames(opened.workbook, source.workbook_index, sheet.page);
  // The sheet's shapes can be found by name, moved and resized; new shapes
  // are numbered and named after them.
  try {
    const ExistingDrawing existing = ReadExistingDrawing(opened.workbook, xs);
    for (size_t i = 0; i < existing.shapes.size(); ++i) {
      const ExistingShape& shape = existing.shapes[i];
      auto loaded = std::make_shared<LoadedShape>();
      const std::array<uint16_t, 8>& a = shape.anchor;
      AnchorPoint(*source.grid, a[0], a[1], a[2], a[3], loaded->x0, loaded->y0);
      AnchorPoint(*source.grid, a[4], a[5], a[6], a[7], loaded->x1, loaded->y1);
      loaded->x1 = std::max(loaded->x1, loaded->x0);
      loaded->y1 = std::max(loaded->y1, loaded->y0);
      loaded->original_name = shape.name;
      loaded->legacy_shape = static_cast<int64_t>(i);
      constexpr double kPoint = static_cast<double>(kEmuPerPoint);
      const LoadedShape& l = *loaded;
      sheet.drawing.AddLoaded(std::move(loaded), shape.name, shape.object_id, AutomationType(shape.object_type),
                              l.x0 / kPoint, l.y0 / kPoint, (l.x1 - l.x0) / kPoint, (l.y1 - l.y0) / kPoint);
    }
    for (const std::string& name : existing.names) sheet.drawing.ReserveName(name);
    // A default name carries the shape's object id ("Line 12" is object 12);
    // the engine's next name carries the number it is given.
    sheet.drawing.ContinueIdsAfter(static_cast<int64_t>(existing.max_obj_id) + 1);
  } catch (const XlsFormatError& e) {
    Fail(opened.display_name, "シート「" + sheet.name + "」: " + e.what());
  }
  source.loaded_page = sheet.page;
  source.loaded = true;
}

}  // namespace ovix::workbook::xls
