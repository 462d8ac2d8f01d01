#pragma once
// The record structure of a legacy (BIFF8) Workbook stream: the globals
// substream, the sheets its BOUNDSHEET records list with the records of each
// sheet's substream, and the drawing group of the workbook.

#include <cstdint>
#include <string>
#include <vector>

#include "workbook/xls/biff_records.h"

namespace ovix::workbook::xls {

struct XlsSheet {
  std::string name;          // UTF-8
  size_t boundsheet = 0;     // index of its BOUNDSHEET record
  uint8_t kind = 0;          // 0 worksheet, 1 macro sheet, 2 chart, 6 module
  size_t bof = 0, eof = 0;   // indices of the substream's BOF and EOF records
};

struct XlsWorkbook {
  std::string stream;                // the Workbook stream as read
  std::vector<BiffRecord> records;   // every record of it, in order
  size_t padding_at = 0;             // where zero padding after the records begins
  size_t globals_eof = 0;            // index of the globals substream's EOF
  std::vector<XlsSheet> sheets;      // in BOUNDSHEET order
  // MSODRAWINGGROUP records (with the CONTINUE records after them), in order.
  std::vector<size_t> drawing_group;

  // The index of the record whose header starts at `offset`, or SIZE_MAX.
  size_t RecordAt(uint32_t offset) const;
  std::string_view Data(size_t index) const { return DataOf(stream, records[index]); }
  // The OfficeArt bytes of the drawing group, joined.
  std::string DrawingGroupData() const;
};

// Reads the structure of a Workbook stream. Throws XlsFormatError, with a
// message for the user, for an encrypted workbook, one of a version before
// Excel 97, and damaged records (a sheet whose position does not point at a
// BOF record, substreams without their EOF).
XlsWorkbook ReadXlsWorkbook(std::string stream);

}  // namespace ovix::workbook::xls
