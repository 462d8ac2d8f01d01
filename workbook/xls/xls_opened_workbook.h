#pragma once
// Opening an existing legacy .xls workbook (Excel 97-2003): the compound
// file and its Workbook stream are read and kept whole; each sheet is loaded
// on its first use (column widths and row heights, page setup, the drawing
// it already has). Saving (xls_workbook_save.h) writes the file back with
// only what the engine changed.

#include <filesystem>
#include <memory>
#include <string>

#include "workbook/workbook_state.h"
#include "workbook/xls/compound_file_reader.h"
#include "workbook/xls/xls_workbook_reader.h"

namespace ovix::workbook::xls {

struct OpenedXls {
  std::string display_name;  // the path, for messages
  std::unique_ptr<CompoundFile> file;
  uint32_t workbook_entry = 0;  // the Workbook stream's directory entry
  XlsWorkbook workbook;
  int max_digit_width = 7;  // of the default font, in pixels
};

// Reads the .xls workbook `bytes` (read from `path`). Throws
// excel::AutomationError with a message for the user when it is not a
// compound file, has no Workbook stream (Excel 5.0/95 workbooks keep a
// "Book" stream), is encrypted, or is damaged.
std::shared_ptr<WorkbookState> OpenXlsWorkbook(const std::filesystem::path& path, std::string bytes);

// Loads a sheet of an opened .xls workbook on its first use.
void LoadXlsSheet(const WorkbookState& book, SheetState& sheet);

}  // namespace ovix::workbook::xls
