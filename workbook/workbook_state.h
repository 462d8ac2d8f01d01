#pragma once
// What a workbook holds while the engine works on it: its sheets with their
// shapes and page setup, its name and file, whether it changed since it was
// saved, and what is selected.

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "excel/excel_automation.h"
#include "workbook/shape_model.h"

namespace ovix::workbook {

// Page setup of a sheet, in the automation model's units (points, Office
// constants); a new sheet has these values.
struct PageSetupValues {
  std::string print_title_rows;     // absolute reference or empty
  std::string print_title_columns;  // absolute reference or empty
  std::string print_area;           // absolute references or empty
  std::string left_header, center_header, right_header;
  std::string left_footer, center_footer, right_footer;
  double left_margin = 0.7 * 72;
  double right_margin = 0.7 * 72;
  double top_margin = 0.75 * 72;
  double bottom_margin = 0.75 * 72;
  double header_margin = 0.3 * 72;
  double footer_margin = 0.3 * 72;
  bool print_headings = false;
  bool print_gridlines = false;
  int32_t print_comments = excel::kPrintNoComments;
  bool center_horizontally = false;
  bool center_vertically = false;
  bool draft = false;
  int32_t first_page_number = excel::kAutomatic;
  int32_t order = excel::kDownThenOver;
  bool black_and_white = false;
  int32_t zoom = 100;
  int32_t orientation = excel::kPortrait;
  int32_t paper_size = excel::kPaperA4;

  bool operator==(const PageSetupValues&) const = default;
};

struct SheetSource;     // opened_package.h
struct OpenedPackage;   // opened_package.h
namespace xls {
struct OpenedXls;       // xls/xls_opened_workbook.h
}

struct SheetState {
  std::string name;
  Drawing drawing;
  PageSetupValues page;
  // The cells last selected on the sheet, absolute ("$A$1", "$1:$1").
  std::string selected_cells = "$A$1";
  // Where a sheet of an opened workbook comes from; empty for a new sheet.
  std::shared_ptr<SheetSource> source;
};

// What is selected in a workbook: shapes of one sheet, or cells.
struct SelectionData {
  SheetState* sheet = nullptr;
  std::vector<ShapeNode*> shapes;  // empty when cells are selected
  std::string cells;               // the cells' address when cells are selected
};

struct WorkbookState {
  std::time_t created = std::time(nullptr);
  std::string name;       // "Book1", or the file name once saved
  std::string full_name;  // path of the file; empty until saved
  std::vector<std::unique_ptr<SheetState>> sheets;
  // The package of an opened workbook (every part as it was read); empty for
  // a new workbook.
  std::shared_ptr<OpenedPackage> package;
  // The legacy .xls workbook it was opened from (the file as it was read);
  // empty unless opened from one.
  std::shared_ptr<xls::OpenedXls> legacy;
  size_t active_sheet = 0;
  bool saved = true;
  bool closed = false;
  // Shared with Selection objects handed out, which keep what was selected
  // when they were taken; replaced (or, when nobody holds it, extended in
  // place) by each selection.
  std::shared_ptr<SelectionData> selection;
  // A shape is in the current selection when its selection_mark equals this.
  uint64_t selection_epoch = 1;

  // AutomationError once the workbook is closed.
  void CheckOpen() const;
  void Touch() { saved = false; }

  void SelectShapes(SheetState& sheet, const std::vector<ShapeNode*>& shapes, bool replace);
  void SelectCells(SheetState& sheet, const std::string& address);
  // After grouping: a selection that held any of the group's members now
  // holds the group in their place.
  void ReplaceSelectedMembers(SheetState& sheet, ShapeNode& group);
};

}  // namespace ovix::workbook
