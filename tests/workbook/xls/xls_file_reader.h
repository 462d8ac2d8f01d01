#pragma once
// Reads legacy workbooks for the tests (test support): the streams of a
// compound file, the records of the Workbook stream, and the shapes of a
// sheet's drawing with their ids, types, flags, properties and anchors.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace ovix::testing::xls {

struct CompoundFile {
  uint32_t fat_sectors = 0;
  uint32_t difat_sectors = 0;
  std::map<std::u16string, std::string> streams;  // root's streams by name
};

// Throws std::runtime_error when the file is not a well-formed compound file
// (bad chains, sector numbers out of range, loops).
CompoundFile ReadCompoundFile(const std::string& bytes);

struct Record {
  uint16_t type = 0;
  size_t offset = 0;  // of the header in the stream
  std::string data;
};

std::vector<Record> ReadRecords(const std::string& stream);

// The records of the substream that starts at `offset` (BOF to its EOF).
std::vector<Record> Substream(const std::vector<Record>& records, size_t offset);

struct ArtShape {
  uint16_t type = 0;        // FSP instance (shape type)
  uint32_t spid = 0;
  uint32_t flags = 0;
  bool group = false;       // an SpgrContainer
  std::map<uint16_t, uint32_t> properties;  // id (without flags) -> value
  std::map<uint16_t, std::string> complex;  // id -> data
  std::string name;                         // UTF-8, from the name property
  bool property_lengths_match = true;       // the table's length is its content's
  std::vector<uint16_t> client_anchor;      // flags, col, dx, row, dy, col, dx, row, dy
  std::vector<int32_t> child_anchor;        // x1, y1, x2, y2
  std::vector<int32_t> group_box;           // FSPGR of a group
  std::vector<ArtShape> children;
};

struct SheetDrawing {
  uint32_t dgid = 0;
  uint32_t csp = 0;
  uint32_t spid_cur = 0;
  uint32_t patriarch_spid = 0;
  std::vector<ArtShape> shapes;  // top-level, back to front
};

// Joins the sheet's MSODRAWING records with the CONTINUE records after them
// and parses the drawing container; checks every container's length against
// its children (gtest failure otherwise).
SheetDrawing ReadSheetDrawing(const std::vector<Record>& sheet);

struct Cluster {
  uint32_t dgid, used;
};
struct DrawingGroup {
  uint32_t spid_max = 0, cidcl = 0, csp_saved = 0, cdg_saved = 0;
  std::vector<Cluster> clusters;
};
DrawingGroup ReadDrawingGroup(const std::vector<Record>& globals);

// The whole file: its Workbook stream's records, with globals and first sheet
// split out.
struct XlsFile {
  CompoundFile cfb;
  std::vector<Record> records;
  std::vector<Record> globals;
  std::vector<std::vector<Record>> sheets;
};
XlsFile ReadXlsFile(const std::filesystem::path& path);

// Shape kind by shape type and flags: line, oval, arc, rectangle, freeform,
// textbox, group, other.
std::string KindOf(const ArtShape& shape);

}  // namespace ovix::testing::xls
