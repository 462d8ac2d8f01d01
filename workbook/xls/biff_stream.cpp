#include "workbook/xls/biff_stream.h"

#include <algorithm>

namespace ovix::workbook::xls {

size_t BiffStream::Record(uint16_t type, std::string_view data) {
  size_t taken = std::min(data.size(), kMaxRecordData);
  out_.U16(type);
  out_.U16(static_cast<uint16_t>(taken));
  const size_t start = out_.size();
  out_.Bytes(data.substr(0, taken));
  while (taken < data.size()) {
    const size_t n = std::min(data.size() - taken, kMaxRecordData);
    out_.U16(kContinueRecord);
    out_.U16(static_cast<uint16_t>(n));
    out_.Bytes(data.substr(taken, n));
    taken += n;
  }
  return start;
}

void BiffStream::PatchData(size_t data_start, size_t offset, uint32_t value, int bytes) {
  std::string& s = out_.str();
  for (int i = 0; i < bytes; ++i) {
    s[DataPosition(data_start, offset + static_cast<size_t>(i))] = static_cast<char>(value >> (8 * i));
  }
}

}  // namespace ovix::workbook::xls
