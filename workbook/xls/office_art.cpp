#include "workbook/xls/office_art.h"

#include <algorithm>

namespace ovix::workbook::xls::art {

void Header(ByteBuffer& out, uint16_t version, uint16_t instance, uint16_t type, uint32_t length) {
  out.U16(static_cast<uint16_t>((version & 0xF) | (instance << 4)));
  out.U16(type);
  out.U32(length);
}

size_t Open(ByteBuffer& out, uint16_t type) {
  const size_t at = out.size();
  Header(out, 0xF, 0, type, 0);
  return at;
}

void Close(ByteBuffer& out, size_t at) {
  out.PatchU32(at + 4, static_cast<uint32_t>(out.size() - at - 8));
}

void PropertyTable::Write(ByteBuffer& out) {
  std::stable_sort(simple_.begin(), simple_.end(), [](const Property& a, const Property& b) {
    return (a.id & 0x3FFF) < (b.id & 0x3FFF);
  });
  size_t length = simple_.size() * 6;
  for (const Property& p : simple_) length += p.data.size();
  Header(out, 3, static_cast<uint16_t>(simple_.size()), kFopt, static_cast<uint32_t>(length));
  for (const Property& p : simple_) {
    out.U16(p.id);
    out.U32(p.value);
  }
  for (const Property& p : simple_) out.Bytes(p.data);
}

}  // namespace ovix::workbook::xls::art
