// The page setup of a sheet.
#include <cmath>

#include "workbook/automation_objects.h"
#include "workbook/cell_reference.h"
#include "tools/numeric.h"

namespace ovix::workbook {

namespace {

// Margins beyond this many points (about 1.4 m) are not a page's.
constexpr double kLargestMargin = 4000.0;

double CheckedMargin(double points) {
  if (!std::isfinite(points) || points < 0 || points > kLargestMargin) {
    throw excel::AutomationError("a margin runs from 0 to 4000 points: " + num::FormatGeneral(points));
  }
  return points;
}

// A print title or print area: empty, or a reference list normalised to
// absolute references of this sheet (without the sheet name, as the
// automation model reads them back).
std::string CheckedReference(const std::string& value, const std::string& sheet_name,
                             const char* what) {
  if (value.empty()) return value;
  const auto qualified = QualifiedReferenceList(value, sheet_name);
  if (!qualified) {
    throw excel::AutomationError(std::string("\"") + value + "\" is not a valid " + what);
  }
  // Drop the sheet prefix of each item again.
  const std::string prefix = QuotedSheetName(sheet_name) + "!";
  std::string plain;
  size_t pos = 0;
  while (pos <= qualified->size()) {
    size_t comma = qualified->find(',', pos);
    if (comma == std::string::npos) comma = qualified->size();
    if (!plain.empty()) plain += ",";
    plain += qualified->substr(pos + prefix.size(), comma - pos - prefix.size());
    pos = comma + 1;
  }
  return plain;
}

}  // namespace

const PageSetupValues& PageSetupImpl::Page() const {
  ref_.CheckOpen();
  return ref_.sheet->page;
}

PageSetupValues& PageSetupImpl::MutablePage() {
  ref_.CheckOpen();
  ref_.workbook->Touch();
  return ref_.sheet->page;
}

std::string PageSetupImpl::PrintTitleRows() const { return Page().print_title_rows; }
void PageSetupImpl::SetPrintTitleRows(const std::string& value) {
  ref_.CheckOpen();
  std::string normalized = CheckedReference(value, ref_.sheet->name, "row reference");
  const auto parsed = normalized.empty() ? std::nullopt : ParseCellReference(normalized);
  if (!normalized.empty() && (!parsed || parsed->kind != CellReference::Kind::kRows)) {
    throw excel::AutomationError("print title rows must be whole rows such as $1:$2, not \"" +
                                 value + "\"");
  }
  MutablePage().print_title_rows = normalized;
}

std::string PageSetupImpl::PrintTitleColumns() const { return Page().print_title_columns; }
void PageSetupImpl::SetPrintTitleColumns(const std::string& value) {
  ref_.CheckOpen();
  std::string normalized = CheckedReference(value, ref_.sheet->name, "column reference");
  const auto parsed = normalized.empty() ? std::nullopt : ParseCellReference(normalized);
  if (!normalized.empty() && (!parsed || parsed->kind != CellReference::Kind::kColumns)) {
    throw excel::AutomationError("print title columns must be whole columns such as $A:$B, not \"" +
                                 value + "\"");
  }
  MutablePage().print_title_columns = normalized;
}

std::string PageSetupImpl::PrintArea() const { return Page().print_area; }
void PageSetupImpl::SetPrintArea(const std::string& value) {
  ref_.CheckOpen();
  MutablePage().print_area = CheckedReference(value, ref_.sheet->name, "print area");
}

std::string PageSetupImpl::LeftHeader() const { return Page().left_header; }
void PageSetupImpl::SetLeftHeader(const std::string& value) { MutablePage().left_header = value; }
std::string PageSetupImpl::CenterHeader() const { return Page().center_header; }
void PageSetupImpl::SetCenterHeader(const std::string& value) { MutablePage().center_header = value; }
std::string PageSetupImpl::RightHeader() const { return Page().right_header; }
void PageSetupImpl::SetRightHeader(const std::string& value) { MutablePage().right_header = value; }
std::string PageSetupImpl::LeftFooter() const { return Page().left_footer; }
void PageSetupImpl::SetLeftFooter(const std::string& value) { MutablePage().left_footer = value; }
std::string PageSetupImpl::CenterFooter() const { return Page().center_footer; }
void PageSetupImpl::SetCenterFooter(const std::string& value) { MutablePage().center_footer = value; }
std::string PageSetupImpl::RightFooter() const { return Page().right_footer; }
void PageSetupImpl::SetRightFooter(const std::string& value) { MutablePage().right_footer = value; }

double PageSetupImpl::LeftMargin() const { return Page().left_margin; }
void PageSetupImpl::SetLeftMargin(double points) { MutablePage().left_margin = CheckedMargin(points); }
double PageSetupImpl::RightMargin() const { return Page().right_margin; }
void PageSetupImpl::SetRightMargin(double points) { MutablePage().right_margin = CheckedMargin(points); }
double PageSetupImpl::TopMargin() const { return Page().top_margin; }
void PageSetupImpl::SetTopMargin(double points) { MutablePage().top_margin = CheckedMargin(points); }
double PageSetupImpl::BottomMargin() const { return Page().bottom_margin; }
void PageSetupImpl::SetBottomMargin(double points) {
  MutablePage().bottom_margin = CheckedMargin(points);
}
double PageSetupImpl::HeaderMargin() const { return Page().header_margin; }
void PageSetupImpl::SetHeaderMargin(double points) {
  MutablePage().header_margin = CheckedMargin(points);
}
double PageSetupImpl::FooterMargin() const { return Page().footer_margin; }
void PageSetupImpl::SetFooterMargin(double points) {
  MutablePage().footer_margin = CheckedMargin(points);
}

bool PageSetupImpl::PrintHeadings() const { return Page().print_headings; }
void PageSetupImpl::SetPrintHeadings(bool value) { MutablePage().print_headings = value; }
bool PageSetupImpl::PrintGridlines() const { return Page().print_gridlines; }
void PageSetupImpl::SetPrintGridlines(bool value) { MutablePage().print_gridlines = value; }

int32_t PageSetupImpl::PrintComments() const { return Page().print_comments; }
void PageSetupImpl::SetPrintComments(int32_t value) {
  if (value != excel::kPrintNoComments && value != excel::kPrintInPlace &&
      value != excel::kPrintSheetEnd) {
    throw excel::AutomationError("unknown PrintComments value " + std::to_string(value));
  }
  MutablePage().print_comments = value;
}

bool PageSetupImpl::CenterHorizontally() const { return Page().center_horizontally; }
void PageSetupImpl::SetCenterHorizontally(bool value) { MutablePage().center_horizontally = value; }
bool PageSetupImpl::CenterVertically() const { return Page().center_vertically; }
void PageSetupImpl::SetCenterVertically(bool value) { MutablePage().center_vertically = value; }
bool PageSetupImpl::Draft() const { return Page().draft; }
void PageSetupImpl::SetDraft(bool value) { MutablePage().draft = value; }

int32_t PageSetupImpl::FirstPageNumber() const { return Page().first_page_number; }
void PageSetupImpl::SetFirstPageNumber(int32_t value) {
  if (value != excel::kAutomatic && value < 0) {
    throw excel::AutomationError("the first page number must be automatic (-4105) or 0 or more: " +
                                 std::to_string(value));
  }
  MutablePage().first_page_number = value;
}

int32_t PageSetupImpl::Order() const { return Page().order; }
void PageSetupImpl::SetOrder(int32_t value) {
  if (value != excel::kDownThenOver && value != excel::kOverThenDown) {
    throw excel::AutomationError("unknown page order " + std::to_string(value));
  }
  MutablePage().order = value;
}

bool PageSetupImpl::BlackAndWhite() const { return Page().black_and_white; }
void PageSetupImpl::SetBlackAndWhite(bool value) { MutablePage().black_and_white = value; }

int32_t PageSetupImpl::Zoom() const { return Page().zoom; }
void PageSetupImpl::SetZoom(int32_t percent) {
  if (percent < 10 || percent > 400) {
    throw excel::AutomationError("the zoom runs from 10 to 400 percent: " + std::to_string(percent));
  }
  MutablePage().zoom = percent;
}

int32_t PageSetupImpl::Orientation() const { return Page().orientation; }
void PageSetupImpl::SetOrientation(int32_t value) {
  if (value != excel::kPortrait && value != excel::kLandscape) {
    throw excel::AutomationError("unknown orientation " + std::to_string(value));
  }
  MutablePage().orientation = value;
}

int32_t PageSetupImpl::PaperSize() const { return Page().paper_size; }
void PageSetupImpl::SetPaperSize(int32_t value) {
  if (value < 1 || value > 255) {
    throw excel::AutomationError("unknown paper size " + std::to_string(value));
  }
  MutablePage().paper_size = value;
}

}  // namespace ovix::workbook
