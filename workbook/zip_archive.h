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

using ZipSink = std::function<void(const char* data, size_t size)>;
// Writes bytes over ones written earlier, at `offset` from the archive's start.
using ZipPatch = std::function<void(uint64_t offset, const char* data, size_t size)>;

struct ZipMember {
  std::string name;             // UTF-8, '/' between folders
  const DeflatedData* data;     // kept alive by the caller
  // Bytes written after `data`'s pieces, as stored already (an unchanged
  // part copied from another archive: `data` then has its method, CRC and
  // sizes and no pieces). Kept alive by the caller.
  std::string_view stored_bytes = {};
  // A member compressed while it is written: `stream` hands its deflated
  // bytes to the sink it is given, in order, and returns their CRC and sizes
  // (no pieces); `data` is then unused. Its local header is written first and
  // completed through the patch function once the sizes are known. Unless
  // `stream_zip64`, a member that turns out to need the ZIP64 extensions
  // fails the archive; with it, the member takes them whatever its size.
  std::function<DeflatedData(const ZipSink& sink)> stream = {};
  bool stream_zip64 = false;
};

// Writes the archive of `members`, in their order, stamped with `modified`
// (local time). `zip64_limit`: sizes and offsets from this value on use the
// ZIP64 fields (the format's own limit unless a test lowers it). `patch` is
// needed for members that are streamed.
void WriteZipArchive(const std::vector<ZipMember>& members, std::time_t modified, const ZipSink& sink,
                     uint64_t zip64_limit = 0xFFFFFFFFu, const ZipPatch& patch = {});

}  // namespace ovix::workbook
