// End to end on the real drawings of ../shared/dxf-samples (skipped when the
// folder is absent) and on the project's own sample drawing: each converts
// through the whole run, the saved workbook validates against the schemas,
// every visible entity becomes one top-level shape of its kind, and under
// automatic scale the drawing lies on the page area.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include <pugixml.hpp>

#include "app/conversion_run.h"
#include "app/dxf_stage.h"
#include "excel/excel_automation.h"
#include "excel/rv_excel_export.h"
#include "model/rv_document.h"
#include "model/rv_system.h"
#include "tests/app/recording_run_view.h"
#include "tests/support/recording_prompt.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/external_tools.h"
#include "tests/workbook/package_reader.h"
#include "workbook/workbook_engine.h"

namespace ovix::testing {
namespace {

namespace fs = std::filesystem;

constexpr double kEmuPerPoint = 12700;

// What each entity kind may become at the top level of the sheet.
enum class Shown { Line, Oval, Freeform, TextBox, Group, ArcShape, Other };

struct TopLevel {
  Shown kind;
  double left, top, right, bottom;  // points
};

// The top-level shapes of a saved workbook's drawing, in z-order.
std::vector<TopLevel> TopLevelShapes(const fs::path& xlsx) {
  std::vector<TopLevel> shapes;
  const auto parts = ReadPackage(xlsx);
  const auto it = parts.find("xl/drawings/drawing1.xml");
  if (it == parts.end()) return shapes;  // no shape at all
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_string(it->second.c_str()));
  for (pugi::xml_node anchor : doc.child("xdr:wsDr").children()) {
    pugi::xml_node object;
    for (pugi::xml_node child : anchor.children()) {
      const std::string name = child.name();
      if (name == "xdr:sp" || name == "xdr:cxnSp" || name == "xdr:grpSp") object = child;
    }
    if (!object) continue;
    const std::string name = object.name();
    Shown kind = Shown::Other;
    pugi::xml_node xfrm;
    if (name == "xdr:cxnSp") {
      kind = Shown::Line;
      xfrm = object.child("xdr:spPr").child("a:xfrm");
    } else if (name == "xdr:grpSp") {
      kind = Shown::Group;
      xfrm = object.child("xdr:grpSpPr").child("a:xfrm");
    } else {
      const pugi::xml_node spPr = object.child("xdr:spPr");
      xfrm = spPr.child("a:xfrm");
      const std::string preset = spPr.child("a:prstGeom").attribute("prst").value();
      if (object.child("xdr:nvSpPr").child("xdr:cNvSpPr").attribute("txBox").as_int() == 1) {
        kind = Shown::TextBox;
      } else if (preset == "ellipse") {
        kind = Shown::Oval;
      } else if (preset == "arc") {
        kind = Shown::ArcShape;
      } else if (spPr.child("a:custGeom")) {
        kind = Shown::Freeform;
      }
    }
    const double x = xfrm.child("a:off").attribute("x").as_double() / kEmuPerPoint;
    const double y = xfrm.child("a:off").attribute("y").as_double() / kEmuPerPoint;
    const double w = xfrm.child("a:ext").attribute("cx").as_double() / kEmuPerPoint;
    const double h = xfrm.child("a:ext").attribute("cy").as_double() / kEmuPerPoint;
    shapes.push_back({kind, x, y, x + w, y + h});
  }
  return shapes;
}

// Visible entities of each kind (in drawing order) and what each may become.
struct Expected {
  const char* kind;
  int count;
  std::vector<Shown> allowed;
};

std::vector<Expected> VisibleEntities(const RvSystem& s) {
  // A layer the table does not list counts as on.
  auto visible = [&](const std::string& layer) { return LayerFlagDrawn(s.GetLayerFlagFromName(layer)); };
  auto count = [&](int32_t n, auto&& layerOf, auto&& extra) {
    int c = 0;
    for (int32_t i = 0; i < n; ++i) c += visible(layerOf(i)) && extra(i) ? 1 : 0;
    return c;
  };
  auto any = [](int32_t) { return true; };
  const auto L = [&](auto f) { return [&s, f](int32_t i) { return (s.*f)(i); }; };
  return {
      // A line whose ends meet is a dot.
      {"LINE", count(s.LineCount(), L(&RvSystem::LineEntityLayer), any), {Shown::Line, Shown::Oval}},
      {"CIRCLE", count(s.CircleCount(), L(&RvSystem::CircleLayer), any), {Shown::Oval}},
      {"ELLIPSE", count(s.EllipseCount(), L(&RvSystem::EllipseLayer), any), {Shown::Oval}},
      {"ARC", count(s.ArcCount(), L(&RvSystem::ArcLayer), any),
       {Shown::Freeform, Shown::Line, Shown::Group}},
      {"LWPOLYLINE",
       count(s.PolylineCount(), L(&RvSystem::PolylineLayer),
             [&](int32_t i) { return s.PolylineVerticesCount(i) >= 2; }),
       {Shown::Line, Shown::Group}},
      {"TEXT", count(s.TextCount(), L(&RvSystem::TextLayer), any), {Shown::TextBox}},
      {"MTEXT", count(s.MuTextCount(), L(&RvSystem::MtextLayer), any), {Shown::TextBox}},
      {"DIMENSION", count(s.DimensionCount(), L(&RvSystem::DimensionLayer), any),
       {Shown::Group, Shown::TextBox, Shown::Line, Shown::ArcShape}},
      {"LEADER",
       count(s.LeaderCount(), L(&RvSystem::LeaderLayer),
             [&](int32_t i) { return s.LeaderVerticesCount(i) >= 2; }),
       {Shown::Group, Shown::Line}},
  };
}

struct Converted {
  std::string name;
  fs::path xlsx;
  RunResult result;
  std::vector<Expected> expected;
  double areaWidth = 0, areaHeight = 0;
};

class SampleDrawings : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const auto samples = SharedPath("dxf-samples");
    workbook::RegisterAutomationClass();
    out_ = std::make_unique<TempDir>();
    std::vector<fs::path> files;
    if (samples) {
      for (const auto& entry : fs::directory_iterator(*samples)) {
        if (entry.path().extension() == ".dxf") files.push_back(entry.path());
      }
    }
    files.push_back(SourceDir() / "samples" / "sample.dxf");
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
      ScopedRecordingPrompt quiet;  // the reader's and exporter's messages
      Converted c;
      c.name = file.filename().string();
      c.xlsx = out_->path() / (std::to_string(converted_.size() + unread_.size()) + ".xlsx");
      {
        // What the drawing holds, read on its own.
        RvDocument probe;
        ImportDxfFile(probe, file.string());
        c.expected = VisibleEntities(probe.System());
      }
      RvDocument document;
      RecordingRunView view;
      ConversionRun run(document, view);
      c.result = run.Run(file.string(), c.xlsx.string(), RunOptions{});
      excel::ForgetRunningInstances();
      // A drawing the reader cannot read gives no workbook at all.
      if (!c.result.DxfOk) {
        unread_.push_back(std::move(c));
        continue;
      }
      const PaperSpec* a4 = FindPaper("A4 縦");
      c.areaWidth = a4->widthMm * 72 / 25.3995;
      c.areaHeight = a4->heightMm * 72 / 25.3995;
      converted_.push_back(std::move(c));
    }
    shared_present_ = samples.has_value();
  }
  static void TearDownTestSuite() {
    converted_.clear();
    unread_.clear();
    out_.reset();
  }
  void SetUp() override {
    if (!shared_present_) {
      std::cout << "[ NOTE ] ../shared/dxf-samples not found (set OVIX_SHARED_DIR): only "
                   "samples/sample.dxf is converted\n";
    }
  }

  static std::unique_ptr<TempDir> out_;
  static std::vector<Converted> converted_;
  static std::vector<Converted> unread_;
  static bool shared_present_;
};

std::unique_ptr<TempDir> SampleDrawings::out_;
std::vector<Converted> SampleDrawings::converted_;
std::vector<Converted> SampleDrawings::unread_;
bool SampleDrawings::shared_present_ = false;

TEST_F(SampleDrawings, EveryDrawingConvertsToASavedWorkbook) {
  ASSERT_FALSE(converted_.empty());
  for (const Converted& c : unread_) {
    std::cout << "[ NOTE ] not readable, no workbook made: " << c.name << "\n";
    EXPECT_FALSE(fs::exists(c.xlsx)) << c.name;
  }
  for (const Converted& c : converted_) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(c.result.ExcelOk) << c.result.Detail;
    EXPECT_TRUE(c.result.WorkbookSaved);
    EXPECT_TRUE(fs::exists(c.xlsx));
  }
}

TEST_F(SampleDrawings, SavedWorkbooksValidateAgainstTheSchemas) {
  if (!HasProgram("xmllint")) FAIL() << "xmllint is missing: install libxml2-utils";
  const fs::path schemas = SourceDir() / "tests" / "data" / "ooxml-schemas";
  TempDir scratch;
  // Parts grouped by schema, each group checked by one xmllint run.
  std::map<std::string, std::vector<std::string>> bySchema;
  std::map<std::string, std::string> origin;
  int index = 0;
  for (const Converted& c : converted_) {
    for (const auto& [name, data] : ReadPackage(c.xlsx)) {
      const fs::path part = scratch / ("p" + std::to_string(index++) + ".xml");
      WriteFileBytes(part, data);
      origin[part.string()] = c.name + ": " + name;
      std::string schema;
      if (name.rfind("xl/drawings/", 0) == 0) {
        schema = "dml-spreadsheetDrawing.xsd";
      } else if (name.rfind("xl/worksheets/sheet", 0) == 0 || name == "xl/workbook.xml" ||
                 name == "xl/styles.xml") {
        schema = "sml.xsd";
      }
      bySchema[schema].push_back(part.string());
    }
  }
  for (const auto& [schema, parts] : bySchema) {
    std::string command = "xmllint --noout ";
    if (!schema.empty()) command += "--schema " + ShellQuote((schemas / schema).string()) + " ";
    for (const std::string& part : parts) command += ShellQuote(part) + " ";
    const CommandResult r = RunCommand(command);
    EXPECT_EQ(r.exit_code, 0) << (schema.empty() ? "well-formedness" : schema) << "\n"
                              << r.output.substr(0, 4000);
  }
}

// The top-level shapes of a converted drawing matched, in z-order, with the
// visible entities they stand for; false (with a failure) when they do not
// match one to one.
bool MatchShapesToEntities(const Converted& c, std::vector<std::pair<const char*, TopLevel>>& out) {
  const std::vector<TopLevel> shapes = TopLevelShapes(c.xlsx);
  std::size_t at = 0;
  bool ok = true;
  for (const Expected& e : c.expected) {
    int matched = 0;
    while (matched < e.count && at < shapes.size() &&
           std::find(e.allowed.begin(), e.allowed.end(), shapes[at].kind) != e.allowed.end()) {
      out.emplace_back(e.kind, shapes[at]);
      ++matched;
      ++at;
    }
    EXPECT_EQ(matched, e.count) << e.kind;
    ok = ok && matched == e.count;
  }
  EXPECT_EQ(at, shapes.size()) << "shapes beyond the visible entities";
  return ok && at == shapes.size();
}

TEST_F(SampleDrawings, EveryVisibleEntityBecomesOneShapeOfItsKind) {
  for (const Converted& c : converted_) {
    SCOPED_TRACE(c.name);
    std::vector<std::pair<const char*, TopLevel>> matched;
    MatchShapesToEntities(c, matched);
  }
}

// Drawings without a layer table (or whose entities name layers it lacks)
// are drawn whole; a drawing with visible entities never comes out empty.
TEST_F(SampleDrawings, NoDrawingWithVisibleEntitiesComesOutEmpty) {
  for (const Converted& c : converted_) {
    SCOPED_TRACE(c.name);
    int visible = 0;
    for (const Expected& e : c.expected) visible += e.count;
    if (visible == 0) continue;
    EXPECT_FALSE(TopLevelShapes(c.xlsx).empty());
    EXPECT_FALSE(c.result.Notes.NothingToShow);
    EXPECT_TRUE(c.result.Notes.Warnings.empty()) << c.result.Notes.Warnings.front();
  }
}

TEST_F(SampleDrawings, UnderAutomaticScaleTheDrawingLiesOnThePageArea) {
  // "A4 縦": the area's offsets are (0, 20) points; the drawing keeps them
  // from every edge of the paper.
  constexpr double kAreaX = 0, kAreaY = 20;
  // Outlines are placed exactly; a curve through sampled nodes may bulge a
  // little beyond its arc's extents.
  constexpr double kTolerance = 1.0;
  for (const Converted& c : converted_) {
    SCOPED_TRACE(c.name);
    std::vector<std::pair<const char*, TopLevel>> matched;
    if (!MatchShapesToEntities(c, matched)) continue;
    for (const auto& [kind, s] : matched) {
      // The drawing is fitted to its extents, which count a text by its
      // estimated size (its box takes the size of the text in the sheet's
      // font), and so does a dimension's text.
      const std::string k = kind;
      if (k == "TEXT" || k == "MTEXT" || k == "DIMENSION") continue;
      SCOPED_TRACE(k);
      EXPECT_GE(s.left, kAreaX - kTolerance);
      EXPECT_GE(s.top, kAreaY - kTolerance);
      EXPECT_LE(s.right, c.areaWidth - kAreaX + kTolerance);
      EXPECT_LE(s.bottom, c.areaHeight - kAreaY + kTolerance);
    }
  }
}

}  // namespace
}  // namespace ovix::testing
