#pragma once
// A record-level comparison of two Workbook streams (test support): the
// globals and each sheet's records side by side, with the positions that
// move when records before them change (BOUNDSHEET, INDEX, EXTSST) left out,
// and the records a drawing may change (the drawing group, one sheet's
// drawing, its page setup) set aside when asked.

#include <string>
#include <vector>

namespace ovix::testing {

struct RecordDiffOptions {
  // The sheet (BOUNDSHEET order) whose drawing records may differ, or -1.
  int drawing_sheet = -1;
  bool page_setup_may_change = false;  // of drawing_sheet
  bool drawing_group_may_change = true;
};

// Differences as readable lines ("sheet 2 record 14: 0x00EC ..."); empty
// when the streams agree on every compared record.
std::vector<std::string> DiffWorkbookRecords(const std::string& before, const std::string& after,
                                             const RecordDiffOptions& options);

// The OBJ and TXO records of a sheet with their text CONTINUE records, in
// order (what a drawing's existing shapes keep).
std::vector<std::string> ShapeObjectRecords(const std::string& stream, int sheet);

}  // namespace ovix::testing
