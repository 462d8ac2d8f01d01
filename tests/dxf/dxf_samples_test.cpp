// Every real drawing in ../shared/dxf-samples reads without a crash, and the
// nine model stores hold what the manifest counts for model space.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "app/dxf_stage.h"
#include "dxf/rv_dxf_import.h"
#include "tests/dxf/dxf_test_support.h"

namespace ovix {
namespace {

struct ManifestRow {
  std::map<std::string, std::string> fields;
  const std::string& operator[](const std::string& key) const { return fields.at(key); }
};

std::vector<ManifestRow> ReadManifest(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  std::vector<std::string> header;
  {
    std::stringstream ss(line);
    std::string cell;
    while (std::getline(ss, cell, '\t')) header.push_back(cell);
  }
  std::vector<ManifestRow> rows;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    ManifestRow row;
    std::size_t start = 0;
    for (const std::string& key : header) {
      const std::size_t tab = line.find('\t', start);
      row.fields[key] = line.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
      start = tab == std::string::npos ? line.size() : tab + 1;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

TEST(DxfSamples, EveryDrawingReadsAndTheModelMatchesTheManifest) {
  OVIX_REQUIRE_SHARED(manifest, "dxf-samples/MANIFEST.tsv");
  const auto rows = ReadManifest(manifest);
  ASSERT_GT(rows.size(), 40u);
  for (const ManifestRow& row : rows) {
    SCOPED_TRACE(row["file"]);
    const auto path = manifest.parent_path() / row["file"];
    testing::ScopedRecordingPrompt prompt;
    RvDocument document;
    const bool ok = ImportDxfFile(document, path.string());
    if (row["code_align"] == "unknown") {
      // The R1.4 file predates group codes ("EXTENTS,1" on its first line):
      // it is refused as not DXF, with a message, and the model stays empty.
      EXPECT_FALSE(ok);
      ASSERT_EQ(prompt.texts().size(), 1u);
      EXPECT_EQ(prompt.texts()[0].rfind(kDxfNotDxfMessage, 0), 0u);
    } else {
      EXPECT_TRUE(ok) << (prompt.texts().empty() ? "" : prompt.texts()[0]);
      EXPECT_TRUE(prompt.texts().empty());
    }
    RvSystem& m = document.System();
    EXPECT_EQ(m.LineCount(), std::stoi(row["model_LINE"]));
    EXPECT_EQ(m.CircleCount(), std::stoi(row["model_CIRCLE"]));
    EXPECT_EQ(m.EllipseCount(), std::stoi(row["model_ELLIPSE"]));
    EXPECT_EQ(m.ArcCount(), std::stoi(row["model_ARC"]));
    EXPECT_EQ(m.PolylineCount(), std::stoi(row["model_LWPOLYLINE"]));
    EXPECT_EQ(m.TextCount(), std::stoi(row["model_TEXT"]));
    EXPECT_EQ(m.MuTextCount(), std::stoi(row["model_MTEXT"]));
    EXPECT_EQ(m.DimensionCount(), std::stoi(row["model_DIMENSION"]));
    EXPECT_EQ(m.LeaderCount(), std::stoi(row["model_LEADER"]));
  }
}

// Japanese text written by two AutoCAD versions: Shift-JIS (2000) and UTF-8
// (2007) both arrive as the same UTF-8 text.
TEST(DxfSamples, ShiftJisAndUtf8DrawingsGiveTheSameTexts) {
  OVIX_REQUIRE_SHARED(sjis, "dxf-samples/codelibs__fess-testdata__files__cad__autocad_2000.dxf");
  OVIX_REQUIRE_SHARED(utf8, "dxf-samples/codelibs__fess-testdata__files__cad__autocad_2007.dxf");
  RvDocument a, b;
  ASSERT_TRUE(ImportDxfFile(a, sjis.string()));
  ASSERT_TRUE(ImportDxfFile(b, utf8.string()));
  EXPECT_EQ(a.DxfImport().TextEncoding(), "CP932");
  EXPECT_EQ(b.DxfImport().TextEncoding(), "UTF-8");
  ASSERT_EQ(a.System().MuTextCount(), b.System().MuTextCount());
  bool japanese = false;
  for (int32_t i = 0; i < a.System().MuTextCount(); ++i) {
    EXPECT_EQ(a.System().MtextText(i), b.System().MtextText(i));
    for (const unsigned char c : a.System().MtextText(i)) japanese |= c >= 0xE3;
  }
  EXPECT_TRUE(japanese);
}

}  // namespace
}  // namespace ovix
