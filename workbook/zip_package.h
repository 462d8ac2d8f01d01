#pragma once
// Writing a ZIP package (the container of Office Open XML files) with libzip,
// and replacing the target file atomically.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ovix::workbook {

class ZipPackageWriter {
 public:
  // Adds a part; the package keeps the parts in the order they were added.
  void Add(std::string name, std::string data);
  // Adds a part whose bytes the caller keeps alive until Commit returns (the
  // unchanged parts of an opened workbook, which need no copy).
  void AddView(std::string name, std::string_view data);

  // Compresses the parts into an archive in memory, writes it to a new
  // temporary file in `target`'s folder, flushes it to disk and renames it
  // over `target`. On any failure the temporary file is removed, `target` is
  // left as it was and excel::AutomationError says what went wrong.
  void Commit(const std::filesystem::path& target) const;

 private:
  struct Part {
    std::string name;
    std::string owned;
    std::string_view view;  // the caller's bytes, when `is_view`
    bool is_view = false;
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
