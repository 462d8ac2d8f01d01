#include "workbook/xls/xls_workbook_save.h"

#include "excel/excel_automation.h"
#include "workbook/opened_package.h"
#include "workbook/xls/compound_file_rewriter.h"
#include "workbook/xls/xls_drawing_append.h"
#include "workbook/xls/xls_opened_workbook.h"
#include "workbook/xls/xls_page_setup.h"
#include "workbook/xls/xls_print_names.h"
#include "workbook/xls/xls_stream_rebuild.h"
#include "workbook/zip_package.h"

namespace ovix::workbook::xls {

namespace {

[[noreturn]] void Fail(const std::string& workbook, const std::string& what) {
  throw excel::AutomationError("ブック「" + workbook + "」を保存できません: " + what);
}

}  // namespace

std::string SavedXlsBytes(const WorkbookState& book) {
  const OpenedXls& opened = *book.legacy;
  const XlsWorkbook& wb = opened.workbook;
  StreamEdits edits;
  bool changed = false;
  try {
    DrawingAppender appender(wb);
    for (const auto& sheet : book.sheets) {
      if (!sheet->source || !sheet->source->loaded) continue;
      const XlsSheet& xs = wb.sheets.at(sheet->source->workbook_index);
      changed |= EditXlsPageSetup(wb, xs, sheet->source->loaded_page, sheet->page, edits);
      changed |= EditXlsPrintNames(wb, sheet->source->workbook_index, sheet->source->loaded_page, sheet->page, edits);
      changed |= appender.Append(xs, sheet->drawing, *sheet->source->grid, edits);
    }
    appender.Finish(edits);
    // Nothing changed: the file as it was read.
    if (!changed) return opened.file->bytes();
    return ReplaceStream(*opened.file, opened.workbook_entry, RebuildStream(wb, edits));
  } catch (const XlsFormatError& e) {
    Fail(opened.display_name, e.what());
  } catch (const CompoundFileError& e) {
    Fail(opened.display_name, e.what());
  }
}

void SaveOpenedXls(const WorkbookState& book, const std::filesystem::path& path) {
  const std::string bytes = SavedXlsBytes(book);
  ReplaceFileAtomically(path, [&](const std::function<void(const char*, size_t)>& sink) {
    sink(bytes.data(), bytes.size());
  });
}

}  // namespace ovix::workbook::xls
