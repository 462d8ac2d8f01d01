#pragma once
// A sheet's page setup in its own records (margins, SETUP, header and
// footer, centring, print headings and gridlines): read into the object
// model's values, and written back into the records the sheet already has,
// each replaced in place; a record the sheet lacks is added beside the
// others.

#include "workbook/workbook_state.h"
#include "workbook/xls/xls_stream_rebuild.h"
#include "workbook/xls/xls_workbook_reader.h"

namespace ovix::workbook::xls {

// The page setup of `sheet`, from its records (defaults for those it lacks).
PageSetupValues ReadXlsPageSetup(const XlsWorkbook& book, const XlsSheet& sheet);

// Adds to `edits` what changes the sheet's records from `was` to `now`.
// Returns false when nothing changed.
bool EditXlsPageSetup(const XlsWorkbook& book, const XlsSheet& sheet, const PageSetupValues& was,
                      const PageSetupValues& now, StreamEdits& edits);

}  // namespace ovix::workbook::xls
