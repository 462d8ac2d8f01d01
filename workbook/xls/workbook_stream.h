#pragma once
// The Workbook stream of a legacy workbook: the globals substream (fonts,
// cell formats, sheets, the drawing group) and one substream per sheet (page
// setup, column widths and row height, drawing, window).

#include <string_view>
#include <vector>

#include "workbook/workbook_state.h"
#include "workbook/xls/biff_stream.h"

namespace ovix::workbook::xls {

struct WorkbookStream {
  BiffStream globals;
  std::vector<BiffStream> sheets;
  // Zero bytes that make the stream long enough to stay out of the compound
  // file's mini stream.
  std::string padding;

  // The stream's bytes in order.
  std::vector<std::string_view> Pieces() const;
};

// Throws excel::AutomationError when the workbook holds what the format
// cannot (a shape past the last row or column, an overlong text or name).
void BuildWorkbookStream(const WorkbookState& book, WorkbookStream& stream);

}  // namespace ovix::workbook::xls
