#pragma once
// Opening an existing .xlsx (or .xlsm) workbook: its package is read whole
// and kept as it was, its worksheets are found by name through the workbook
// part and its relationships, and each sheet is loaded when it is first
// taken (its column widths and row heights, its page setup, the shapes on its
// drawing). Saving such a workbook (xlsx_package_update.cpp) writes every part
// the engine did not change exactly as it was read.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "workbook/loaded_shapes.h"
#include "workbook/sheet_grid.h"
#include "workbook/workbook_state.h"
#include "workbook/zip_package_reader.h"

namespace ovix::workbook {

struct OpenedPackage {
  std::string display_name;  // the path, for messages
  std::string extension;     // ".xlsx" or ".xlsm", lower case: SaveAs keeps the format
  PackageContents contents;
  std::string workbook_part;  // "xl/workbook.xml"
  // The default font's widest digit in pixels, which sets column widths.
  int max_digit_width = 7;
};

struct SheetSource {
  std::string part;           // "xl/worksheets/sheet1.xml"
  size_t workbook_index = 0;  // position among the workbook's sheets (localSheetId)
  bool loaded = false;
  // Filled when the sheet is loaded.
  std::optional<SheetGrid> grid;
  PageSetupValues loaded_page;
  std::string drawing_part;  // the sheet's drawing part, or empty
  std::shared_ptr<LoadedDrawing> drawing;
};

// Pixels of a column `width` characters wide, for the default font's widest
// digit `mdw` pixels.
int64_t ColumnPixels(double width, int mdw);
// The widest digit of the font `name` at `size` points, in pixels at 96 dpi.
int MaxDigitWidth(const std::string& name, double size);
// "&LLeft&CCentre&RRight" into its sections.
void SplitHeaderFooter(const std::string& text, std::string& left, std::string& center, std::string& right);

// Reads the workbook at `path` (absolute). Throws excel::AutomationError with
// a clear message when it cannot be read, is not a workbook package, is
// hostile (see zip_package_reader.h and package_xml.h) or uses the Strict
// format, which the engine does not edit.
std::shared_ptr<WorkbookState> OpenXlsxWorkbook(const std::filesystem::path& path);

// Loads a sheet of an opened workbook on its first use; nothing for a new
// workbook's sheet or one already loaded. Throws excel::AutomationError for a
// sheet whose parts are missing or broken.
void EnsureSheetLoaded(const WorkbookState& book, SheetState& sheet);

// The grid the sheet's shapes are anchored to.
const SheetGrid& GridOf(const SheetState& sheet);

}  // namespace ovix::workbook
