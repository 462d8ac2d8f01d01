#pragma once
// Writing a Workbook stream back with some records replaced, removed or
// inserted, every other record copied as it was, and the absolute stream
// positions that records hold fixed for the records that moved: the sheets'
// positions in BOUNDSHEET, INDEX's positions of DEFCOLWIDTH and of the
// DBCELL records, and EXTSST's positions inside the shared strings.

#include <map>
#include <string>

#include "workbook/xls/xls_workbook_reader.h"

namespace ovix::workbook::xls {

struct StreamEdits {
  // Record index -> the records (headers included) written in its place;
  // an empty string removes the record.
  std::map<size_t, std::string> replace;
  // Record index -> records written before it (records.size() for the end).
  std::map<size_t, std::string> insert_before;
  // Replaces the run of records [first, last] with `bytes`.
  void ReplaceRun(size_t first, size_t last, std::string bytes);
};

// The new stream. Throws XlsFormatError when it would exceed the 4 GB the
// format's stream positions can hold.
std::string RebuildStream(const XlsWorkbook& book, const StreamEdits& edits);

}  // namespace ovix::workbook::xls
