#pragma once
// Building ZIP packages part by part, for opening tests: workbooks with
// chosen parts, damaged or hostile ones (test support).

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace ovix::testing {

using PartList = std::vector<std::pair<std::string, std::string>>;

// The bytes of a ZIP archive holding `parts` in order (deflated, or stored
// when `store` is true).
std::string ZipBytes(const PartList& parts, bool store = false);

// Writes such an archive to `path`.
void WritePackage(const std::filesystem::path& path, const PartList& parts);

// The parts of a minimal valid workbook with one sheet "Sheet1" whose drawing
// part is `drawing_xml` (none when empty).
PartList MinimalWorkbook(const std::string& drawing_xml = "");

}  // namespace ovix::testing
