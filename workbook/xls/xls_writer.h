#pragma once
// Saving a workbook as a legacy Excel 97-2003 workbook (.xls): BIFF8 records
// in a compound file, with the summary information streams.

#include <filesystem>

#include "workbook/workbook_state.h"
#include "workbook/xls/byte_buffer.h"

namespace ovix::workbook {

// The bytes of `book` as an .xls file, handed to `sink` once the whole
// workbook was built (nothing reaches the sink when building fails).
// Throws excel::AutomationError for what the format cannot hold, naming the
// limit.
void WriteXlsWorkbook(const WorkbookState& book, const xls::ByteSink& sink);

// Writes `book` to `path` atomically, like SaveWorkbookAsXlsx.
void SaveWorkbookAsXls(const WorkbookState& book, const std::filesystem::path& path);

}  // namespace ovix::workbook
