#pragma once
// Writing a ZIP package (the container of Office Open XML files) with libzip,
// and replacing the target file atomically.

#include <filesystem>
#include <string>
#include <vector>

namespace ovix::workbook {

class ZipPackageWriter {
 public:
  // Adds a part; the package keeps the parts in the order they were added.
  void Add(std::string name, std::string data);

  // Compresses the parts into an archive in memory, writes it to a new
  // temporary file in `target`'s folder, flushes it to disk and renames it
  // over `target`. On any failure the temporary file is removed, `target` is
  // left as it was and excel::AutomationError says what went wrong.
  void Commit(const std::filesystem::path& target) const;

 private:
  std::vector<std::pair<std::string, std::string>> parts_;
};

}  // namespace ovix::workbook
