#pragma once
// Test support for legacy .xls workbooks: writable copies of the shared
// references, and what Apache POI's HSSF reads of a file's drawings (through
// XlsDrawingCheck.java, compiled once per working folder).

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/shared_files.h"

namespace ovix::testing {

// A copy the test may draw into: the shared references may be read-only,
// and a read-only workbook is refused rather than replaced.
void CopyWritable(const std::filesystem::path& from, const std::filesystem::path& to);

// Tests that draw into writable copies of the shared .xls references, in a
// folder of their own; skipped when the references are not there.
class XlsReferenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!SharedPath("xls-reference")) GTEST_SKIP() << "xls-reference not found (set OVIX_SHARED_DIR)";
  }
  // A writable copy of the reference `file` in `dir`.
  std::filesystem::path Copy(const char* file) {
    const std::filesystem::path to = dir / file;
    CopyWritable(*SharedPath(std::string("xls-reference/") + file), to);
    return to;
  }
  TempDir dir;
};

bool HasJavaAndPoi();

struct PoiShape {
  std::string sheet;
  int depth = 0;  // 0 for top-level shapes, 1 for members of their groups, ...
  std::string kind, name;
  // "col dx row dy col dx row dy" for top-level shapes, "x1 y1 x2 y2" for members.
  std::vector<int> anchor;
  std::string text, fonts;
};

// Every shape of every sheet as POI reads `xls`; `work` holds the compiled
// check. A failure of the check is a test failure.
std::vector<PoiShape> ReadWithPoi(const std::filesystem::path& xls, const std::filesystem::path& work);

// Sheet name -> its print area as POI reads it ("'Sheet'!$A$1:$B$2"), for
// the sheets that have one.
std::map<std::string, std::string> PoiPrintAreas(const std::filesystem::path& xls, const std::filesystem::path& work);

// Shape kind -> count on `sheet` (members of groups counted too).
std::map<std::string, int> PoiKinds(const std::vector<PoiShape>& shapes, const std::string& sheet);

}  // namespace ovix::testing
