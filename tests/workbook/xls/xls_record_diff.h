#pragma once
// A record-level comparison of two Workbook streams (test support): the
// globals and each sheet's records side by side, with the positions that
// move when records before them change (BOUNDSHEET, INDEX, EXTSST) left out,
// and the records a drawing may change (the drawing group, one sheet's
// drawing, its page setup) set aside when asked.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ovix::testing {

struct RecordDiffOptions {
  // The sheet (BOUNDSHEET order) whose drawing records may differ, or -1.
  int drawing_sheet = -1;
  bool page_setup_may_change = false;  // of drawing_sheet
  // Also: FONT records may be added after the workbook's last one.
  bool drawing_group_may_change = true;
};

// Differences as readable lines ("sheet 2 record 14: 0x00EC ..."); empty
// when the streams agree on every compared record.
std::vector<std::string> DiffWorkbookRecords(const std::string& before, const std::string& after,
                                             const RecordDiffOptions& options);

// The OBJ and TXO records of a sheet with their text CONTINUE records, in
// order (what a drawing's existing shapes keep).
std::vector<std::string> ShapeObjectRecords(const std::string& stream, int sheet);

// What a sheet's drawing holds, read from its records: shape types (FSP
// instance, patriarch left out), groups, the top-level anchors (ClientAnchor
// data) in order, every shape id, the OBJ ids and the FDG's counts.
struct DrawingSummary {
  std::map<uint16_t, int> shape_types;
  int groups = 0;
  std::vector<std::string> anchors;
  std::vector<uint32_t> spids;
  std::vector<uint16_t> obj_ids;
  uint32_t dgid = 0, fdg_count = 0, fdg_last = 0;
};
DrawingSummary SummariseDrawing(const std::string& stream, int sheet);

// The drawing group's FDGG: spidMax, counts and clusters {dgid, used}.
struct DrawingGroupSummary {
  uint32_t spid_max = 0, cidcl = 0, shapes = 0, drawings = 0;
  std::vector<std::pair<uint32_t, uint32_t>> clusters;
};
DrawingGroupSummary SummariseDrawingGroup(const std::string& stream);

// Every stream of a compound file by path ("Storage/Stream").
std::map<std::u16string, std::string> AllStreams(const std::string& file_bytes);

}  // namespace ovix::testing
