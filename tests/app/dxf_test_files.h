#pragma once
// Small DXF drawings written by tests (test support).

#include <filesystem>
#include <string>

#include "tests/support/shared_files.h"

namespace ovix::testing {

// A DXF file with the layer "0" (and any further LAYER records given) and
// the given ENTITIES records, each record as "code\nvalue\n" lines.
inline void WriteTestDxf(const std::filesystem::path& file, const std::string& entities,
                         const std::string& more_layers = "") {
  const std::string text =
      "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n"
      "0\nLAYER\n2\n0\n70\n0\n62\n7\n6\nCONTINUOUS\n" +
      more_layers + "0\nENDTAB\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n" + entities +
      "0\nENDSEC\n0\nEOF\n";
  WriteFileBytes(file, text);
}

inline std::string DxfLine(double x1, double y1, double x2, double y2,
                           const std::string& layer = "0") {
  auto n = [](double v) { return std::to_string(v); };
  return "0\nLINE\n8\n" + layer + "\n10\n" + n(x1) + "\n20\n" + n(y1) + "\n30\n0\n11\n" + n(x2) +
         "\n21\n" + n(y2) + "\n31\n0\n";
}

inline std::string DxfCircle(double x, double y, double r) {
  auto n = [](double v) { return std::to_string(v); };
  return "0\nCIRCLE\n8\n0\n10\n" + n(x) + "\n20\n" + n(y) + "\n30\n0\n40\n" + n(r) + "\n";
}

}  // namespace ovix::testing
