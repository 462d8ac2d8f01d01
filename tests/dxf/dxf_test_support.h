#pragma once
// Small DXF drawings written inline by the tests, and a run of the DXF stage
// on them.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/rv_document.h"
#include "model/rv_system.h"
#include "tests/support/recording_prompt.h"
#include "tests/support/shared_files.h"

namespace ovix::testing {

using DxfPairs = std::vector<std::pair<int, std::string>>;

// The pairs as DXF text: codes right-aligned to three places, each line
// ended by `eol`.
std::string DxfText(const DxfPairs& pairs, const std::string& eol = "\r\n");

// 0 SECTION / 2 name / the pairs / 0 ENDSEC.
DxfPairs Section(const std::string& name, const DxfPairs& pairs);

// A whole drawing: a HEADER with the given $ACADVER and $DWGCODEPAGE (left
// out when empty), a TABLES section holding `tables` (left out when
// empty), an ENTITIES section holding `entities`, and EOF.
std::string Drawing(const DxfPairs& entities, const DxfPairs& tables = {},
                    const std::string& acadver = "AC1015", const std::string& codepage = "",
                    const std::string& eol = "\r\n");

// The DXF stage run on bytes written to a temporary file.
struct ImportResult {
  bool ok = false;
  std::vector<std::string> statuses;
  std::vector<std::string> messages;  // message boxes shown
  std::unique_ptr<RvDocument> document;
  RvSystem& model() { return document->System(); }
};
// With `draw_all` the reader draws every entity (blocks, solids, ...).
ImportResult ImportBytes(const std::string& bytes, bool draw_all = false);

// Entity pair lists for common cases.
DxfPairs Line(double x1, double y1, double x2, double y2, const std::string& layer = "0");

}  // namespace ovix::testing

namespace ovix {
// Pair lists joined, for building drawings in tests.
inline testing::DxfPairs operator+(testing::DxfPairs a, const testing::DxfPairs& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
}  // namespace ovix
