#pragma once
// Reading back the parts of a saved package (test support).

#include <filesystem>
#include <map>
#include <string>

namespace ovix::testing {

// Every part of the ZIP package at `path`, by name; throws when the file is
// not a readable ZIP archive.
std::map<std::string, std::string> ReadPackage(const std::filesystem::path& path);

// One part; throws when it is missing.
std::string ReadPart(const std::filesystem::path& path, const std::string& name);

}  // namespace ovix::testing
