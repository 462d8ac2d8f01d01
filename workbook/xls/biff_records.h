#pragma once
// The record stream of a legacy workbook: a sequence of records, each a
// 16-bit type, a 16-bit length and at most 8,224 bytes of data.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "workbook/xls/biff_stream.h"

namespace ovix::workbook::xls {

// The workbook's records are damaged or of a form the engine does not read;
// what() says why, in the words a user is shown.
class XlsFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

namespace rt {
inline constexpr uint16_t kBof = 0x0809;
inline constexpr uint16_t kEof = 0x000A;
inline constexpr uint16_t kContinue = 0x003C;
inline constexpr uint16_t kFilePass = 0x002F;
inline constexpr uint16_t kBoundSheet = 0x0085;
inline constexpr uint16_t kMsoDrawingGroup = 0x00EB;
inline constexpr uint16_t kMsoDrawing = 0x00EC;
inline constexpr uint16_t kMsoDrawingSelection = 0x00ED;
inline constexpr uint16_t kObj = 0x005D;
inline constexpr uint16_t kTxo = 0x01B6;
inline constexpr uint16_t kNote = 0x001C;
inline constexpr uint16_t kIndex = 0x020B;
inline constexpr uint16_t kDbCell = 0x00D7;
inline constexpr uint16_t kSst = 0x00FC;
inline constexpr uint16_t kExtSst = 0x00FF;
inline constexpr uint16_t kFont = 0x0031;
inline constexpr uint16_t kWindow2 = 0x023E;
inline constexpr uint16_t kDimensions = 0x0200;
inline constexpr uint16_t kDefColWidth = 0x0055;
inline constexpr uint16_t kStandardWidth = 0x0099;
inline constexpr uint16_t kColInfo = 0x007D;
inline constexpr uint16_t kDefaultRowHeight = 0x0225;
inline constexpr uint16_t kRow = 0x0208;
inline constexpr uint16_t kHeader = 0x0014;
inline constexpr uint16_t kFooter = 0x0015;
inline constexpr uint16_t kHCenter = 0x0083;
inline constexpr uint16_t kVCenter = 0x0084;
inline constexpr uint16_t kLeftMargin = 0x0026;
inline constexpr uint16_t kRightMargin = 0x0027;
inline constexpr uint16_t kTopMargin = 0x0028;
inline constexpr uint16_t kBottomMargin = 0x0029;
inline constexpr uint16_t kPrintHeaders = 0x002A;
inline constexpr uint16_t kPrintGridlines = 0x002B;
inline constexpr uint16_t kPls = 0x004D;
inline constexpr uint16_t kSetup = 0x00A1;
inline constexpr uint16_t kWsBool = 0x0081;
}  // namespace rt

struct BiffRecord {
  uint16_t type = 0;
  uint32_t offset = 0;  // of the record's header in the stream
  uint16_t size = 0;    // of its data
  uint32_t data_offset() const { return offset + 4; }
  uint32_t end() const { return offset + 4 + size; }
};

// Splits a Workbook stream into its records. Zero bytes after the last
// record are padding (Excel pads the stream to 4,096 bytes); `padding_at`
// receives where they begin. A record running past the end of the stream
// throws XlsFormatError.
std::vector<BiffRecord> SplitRecords(std::string_view stream, size_t& padding_at);

// A record's data.
inline std::string_view DataOf(std::string_view stream, const BiffRecord& r) {
  return stream.substr(r.data_offset(), r.size);
}

// Appends one record; `data` must be at most kMaxRecordData bytes.
void AppendRecord(std::string& out, uint16_t type, std::string_view data);
// Appends `data` as a record of `type` followed by as many CONTINUE records
// as its length needs.
void AppendContinued(std::string& out, uint16_t type, std::string_view data);

// A string of the format's short (8-bit count) or long (16-bit count) form
// at `at` in `data`, as UTF-8; `at` moves past it. Throws XlsFormatError
// when the string runs past the data.
std::string ReadShortString(std::string_view data, size_t& at);
std::string ReadLongString(std::string_view data, size_t& at);
// Its encoding: 16-bit count, a flag byte 1, UTF-16LE characters.
std::string EncodeLongString(std::string_view utf8);

}  // namespace ovix::workbook::xls
