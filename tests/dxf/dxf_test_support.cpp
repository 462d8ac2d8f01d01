#include "tests/dxf/dxf_test_support.h"

#include <cstdio>

#include "app/dxf_stage.h"
#include "dxf/rv_dxf_import.h"
#include "tools/numeric.h"

namespace ovix::testing {

std::string DxfText(const DxfPairs& pairs, const std::string& eol) {
  std::string out;
  for (const auto& [code, value] : pairs) {
    char text[16];
    std::snprintf(text, sizeof text, "%3d", code);
    out += text + eol + value + eol;
  }
  return out;
}

DxfPairs Section(const std::string& name, const DxfPairs& pairs) {
  DxfPairs out{{0, "SECTION"}, {2, name}};
  out.insert(out.end(), pairs.begin(), pairs.end());
  out.push_back({0, "ENDSEC"});
  return out;
}

std::string Drawing(const DxfPairs& entities, const DxfPairs& tables, const std::string& acadver,
                    const std::string& codepage, const std::string& eol) {
  DxfPairs header;
  if (!acadver.empty()) header.insert(header.end(), {{9, "$ACADVER"}, {1, acadver}});
  if (!codepage.empty()) header.insert(header.end(), {{9, "$DWGCODEPAGE"}, {3, codepage}});
  DxfPairs all;
  if (!header.empty()) {
    const DxfPairs h = Section("HEADER", header);
    all.insert(all.end(), h.begin(), h.end());
  }
  if (!tables.empty()) {
    const DxfPairs t = Section("TABLES", tables);
    all.insert(all.end(), t.begin(), t.end());
  }
  const DxfPairs e = Section("ENTITIES", entities);
  all.insert(all.end(), e.begin(), e.end());
  all.push_back({0, "EOF"});
  return DxfText(all, eol);
}

ImportResult ImportBytes(const std::string& bytes, bool draw_all) {
  TempDir dir;
  const auto path = dir / "drawing.dxf";
  WriteFileBytes(path, bytes);
  ScopedRecordingPrompt prompt;
  ImportResult result;
  result.document = std::make_unique<RvDocument>();
  result.document->DxfImport().SetDrawAll(draw_all);
  DxfStageCallbacks callbacks;
  callbacks.ShowStatus = [&](const std::string& s) { result.statuses.push_back(s); };
  result.ok = ImportDxfFile(*result.document, path.string(), callbacks);
  result.messages = prompt.texts();
  return result;
}

DxfPairs Line(double x1, double y1, double x2, double y2, const std::string& layer) {
  return {{0, "LINE"},
          {8, layer},
          {10, num::FormatGeneral(x1)},
          {20, num::FormatGeneral(y1)},
          {30, "0"},
          {11, num::FormatGeneral(x2)},
          {21, num::FormatGeneral(y2)},
          {31, "0"}};
}

}  // namespace ovix::testing
