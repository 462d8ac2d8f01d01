#pragma once
// Writing a ZIP package (the container of Office Open XML files), deflated
// with a fast compressor on all cores, and replacing the target file
// atomically.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "workbook/deflate_stream.h"

namespace ovix::workbook {

class ZipPackageWriter {
 public:
  // Adds a part; the package keeps the parts in the order they were added.
  void Add(std::string name, std::string data);
  // Adds a part whose bytes the caller keeps alive until Commit returns (the
  // unchanged parts of an opened workbook, which need no copy).
  void AddView(std::string name, std::string_view data);
  // Adds a part compressed already (a large part deflated while it was
  // written, see ChunkedDeflater).
  void AddDeflated(std::string name, DeflatedData data);
  // Adds a part compressed already whose bytes the caller keeps alive until
  // Commit returns: `compressed` is written as it is, with ZIP `method` (0
  // stored, 8 deflated), the `crc` and `size` of the uncompressed bytes.
  void AddCompressedView(std::string name, std::string_view compressed, uint16_t method, uint32_t crc,
                         uint64_t size);

  // Adds a part made and compressed while the archive is written to its file:
  // `write` hands the deflated bytes to the sink it is given, in order, and
  // returns their CRC and sizes. For a part too large to hold even
  // compressed. `may_reach_4gb`: the part takes the ZIP64 extensions, which
  // a part of 4 GB or more needs (without them, such a part fails the save).
  using PartStream = std::function<DeflatedData(const std::function<void(std::string_view)>& sink)>;
  void AddStreamed(std::string name, PartStream write, bool may_reach_4gb);

  // Compresses the parts into an archive in memory (the streamed ones as
  // they are written) and puts it in place of `target` with ReplaceFile
  // (workbook/file_replacement.h): on any failure `target` is left as it
  // was, nothing new remains, and FileAccessError says what went wrong.
  void Commit(const std::filesystem::path& target) const;

 private:
  struct Part {
    std::string name;
    std::string owned;
    std::string_view view;  // the caller's bytes, when `is_view`
    bool is_view = false;
    std::shared_ptr<const DeflatedData> deflated;  // set for AddDeflated and AddCompressedView
    std::string_view compressed;  // AddCompressedView's bytes, written after `deflated`'s pieces
    PartStream stream;            // AddStreamed
    bool stream_zip64 = false;
    std::string_view data() const { return is_view ? view : std::string_view(owned); }
  };
  std::vector<Part> parts_;
};

// Writes a new file through the sink `write` is handed and renames it over
// `target` as ZipPackageWriter::Commit does, with the same guarantees.
void ReplaceFileAtomically(
    const std::filesystem::path& target,
    const std::function<void(const std::function<void(const char*, size_t)>& sink)>& write);

}  // namespace ovix::workbook
