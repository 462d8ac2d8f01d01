#pragma once
// A compound file (version 3, 512-byte sectors) holding streams in its root
// storage: the container of a legacy workbook. Streams shorter than 4,096
// bytes go into the mini stream; the file allocation table grows through
// extra index sectors once it needs more than the header's 109 entries
// (files above about 6.8 MB).
//
// The project's own writer rather than libgsf: it needs to write one new file
// of three streams, never to read or edit one, and it hands the bytes to a
// sink in order (so that the save path decides where they go) without a copy
// of the streams and without bringing GLib's object system into the engine.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "workbook/xls/byte_buffer.h"

namespace ovix::workbook::xls {

struct CompoundStream {
  std::u16string name;  // at most 31 characters
  // The stream's bytes in order, kept alive by the caller until the file is
  // written.
  std::vector<std::string_view> pieces;

  uint64_t size() const {
    uint64_t n = 0;
    for (std::string_view p : pieces) n += p.size();
    return n;
  }
};

// Writes the compound file holding `streams` to `sink`; `root_clsid` (16
// bytes) names the application of the root storage. Throws
// excel::AutomationError for a name that is empty or too long, or for a
// stream larger than a version 3 file holds.
void WriteCompoundFile(const std::vector<CompoundStream>& streams, std::string_view root_clsid,
                       const ByteSink& sink);

}  // namespace ovix::workbook::xls
