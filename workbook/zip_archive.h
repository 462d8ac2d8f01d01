#pragma once
// The ZIP container of a package, written front to back: each member's local
// header and deflated bytes, then the central directory. Members and offsets
// beyond 4 GB, or more than 65,535 members, take the ZIP64 extensions.

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "workbook/deflate_stream.h"

namespace ovix::workbook {

struct ZipMember {
  std::string name;             // UTF-8, '/' between folders
  const DeflatedData* data;     // kept alive by the caller
  // Bytes written after `data`'s pieces, as stored already (an unchanged
  // part copied from another archive: `data` then has its method, CRC and
  // sizes and no pieces). Kept alive by the caller.
  std::string_view stored_bytes = {};
};

using ZipSink = std::function<void(const char* data, size_t size)>;

// Writes the archive of `members`, in their order, stamped with `modified`
// (local time). `zip64_limit`: sizes and offsets from this value on use the
// ZIP64 fields (the format's own limit unless a test lowers it).
void WriteZipArchive(const std::vector<ZipMember>& members, std::time_t modified, const ZipSink& sink,
                     uint64_t zip64_limit = 0xFFFFFFFFu);

}  // namespace ovix::workbook
