#pragma once
// Locations of the real-world inputs that tests read in place: the DXF sample
// drawings and the Excel-made reference workbooks with their schemas. They live
// outside the repository; a test that needs them calls GTEST_SKIP() with a
// message when they are absent.

#include <filesystem>
#include <optional>
#include <string>

namespace ovix::testing {

// The shared folder (dxf-samples/, ooxml-reference/, xls-reference/), or
// nothing when it is not on this machine. OVIX_SHARED_DIR in the environment
// overrides the location configured at build time.
std::optional<std::filesystem::path> SharedDir();

// <shared>/<relative> when it exists.
std::optional<std::filesystem::path> SharedPath(const std::string& relative);

// The repository's top folder.
std::filesystem::path SourceDir();

// A fresh empty folder for one test, removed when the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Whole file as bytes; throws when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& file);
// Writes bytes to a file, replacing it; throws on failure.
void WriteFileBytes(const std::filesystem::path& file, const std::string& bytes);

}  // namespace ovix::testing

// Skips the current test with a message when the shared file is missing;
// otherwise declares `var` as its path.
#define OVIX_REQUIRE_SHARED(var, relative)                                          \
  const auto var##_opt = ::ovix::testing::SharedPath(relative);                      \
  if (!var##_opt) GTEST_SKIP() << "shared input not found: " << (relative)           \
                               << " (set OVIX_SHARED_DIR to the shared folder)";     \
  const std::filesystem::path var = *var##_opt
