#pragma once
// A sheet's print area and print titles in a legacy .xls workbook: the
// built-in names Print_Area and Print_Titles (NAME records of the globals
// that belong to the sheet), read into the object model's references and
// written back when they change. Every other name keeps its bytes and its
// place, since formulas refer to names by their position.

#include <cstddef>

#include "workbook/workbook_state.h"
#include "workbook/xls/xls_stream_rebuild.h"
#include "workbook/xls/xls_workbook_reader.h"

namespace ovix::workbook::xls {

// Sets page.print_area, print_title_rows and print_title_columns from the
// names of the sheet `sheet_index` (its place among the BOUNDSHEETs). A name
// whose formula is not plain references of the sheet is left unread (empty).
void ReadXlsPrintNames(const XlsWorkbook& book, size_t sheet_index, PageSetupValues& page);

// Adds to `edits` what changes the names from `was` to `now`: a cleared
// name is removed, or, when later names would move, replaced in its place by
// a hidden name of the sheet without a formula; a changed one gets the new
// references. Throws
// excel::AutomationError for a print area or titles the sheet did not have
// (the workbook's sheet references would have to be extended). Returns false
// when nothing changed.
bool EditXlsPrintNames(const XlsWorkbook& book, size_t sheet_index, const PageSetupValues& was,
                       const PageSetupValues& now, StreamEdits& edits);

}  // namespace ovix::workbook::xls
