#pragma once
// The record stream of a legacy workbook: records of a type, a length and at
// most 8,224 bytes of data; longer data goes on in CONTINUE records.

#include <cstdint>
#include <string_view>

#include "workbook/xls/byte_buffer.h"

namespace ovix::workbook::xls {

inline constexpr size_t kMaxRecordData = 8224;
inline constexpr uint16_t kContinueRecord = 0x003C;

class BiffStream {
 public:
  // Appends a record; data longer than kMaxRecordData is cut into the record
  // and as many CONTINUE records as it needs. Returns the stream offset of
  // the record's first data byte.
  size_t Record(uint16_t type, std::string_view data);

  // Stream offset of byte `offset` of data written by Record at `data_start`
  // (skipping the headers of the CONTINUE records in between).
  static size_t DataPosition(size_t data_start, size_t offset) {
    return data_start + offset + 4 * (offset / kMaxRecordData);
  }
  // Overwrites a little-endian value in data written earlier; the bytes may
  // straddle a CONTINUE header.
  void PatchData(size_t data_start, size_t offset, uint32_t value, int bytes);

  size_t size() const { return out_.size(); }
  ByteBuffer& buffer() { return out_; }
  const std::string& bytes() const { return out_.str(); }

 private:
  ByteBuffer out_;
};

}  // namespace ovix::workbook::xls
