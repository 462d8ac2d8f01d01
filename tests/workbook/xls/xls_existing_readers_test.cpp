// Workbooks drawn into, read by three independent readers: Apache POI's
// HSSF finds the shapes that were there and the new ones by kind, Gnumeric's
// ssconvert loads them without errors, LibreOffice shows the shapes that
// were there and the new ones.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>

#include "excel/excel_automation.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/external_tools.h"
#include "tests/workbook/xls/xls_test_support.h"
#include "workbook/workbook_engine.h"

namespace {

namespace fs = std::filesystem;
using namespace ovix::testing;

// The references with a sheet "Sheet1", and two whose drawing records are
// continued in each of Excel's forms (drawn into their first sheet).
const std::pair<const char*, const char*> kDrawn[] = {
    {"GNOME__gnumeric__objs.xls", "Sheet1"},
    {"apache__poi__45129.xls", "Sheet1"},
    {"apache__poi__DrawingAndComments.xls", "Sheet1"},
    {"apache__poi__SheetWithDrawing.xls", "Sheet1"},
    {"apache__poi__Simple.xls", "Sheet1"},
    {"apache__poi__DrawingContinue.xls", nullptr},
    {"apache__poi__dg-text.xls", nullptr},
};

// Converts every file with one LibreOffice run; then the drawing elements
// LibreOffice made of each (element name -> count).
void ConvertWithLibreOffice(const std::vector<fs::path>& files, const fs::path& work) {
  std::string names;
  for (const fs::path& f : files) names += " " + ShellQuote(f.string());
  const CommandResult r = RunCommand("timeout 900 soffice -env:UserInstallation=file://" +
                                     (work / "lo-profile").string() + " --headless --convert-to ods --outdir " +
                                     ShellQuote((work / "ods").string()) + names + " 2>&1");
  EXPECT_EQ(r.exit_code, 0) << r.output;
}

std::map<std::string, int> LibreOfficeElements(const fs::path& xls, const fs::path& work) {
  const fs::path ods = work / "ods" / (xls.stem().string() + ".ods");
  const CommandResult content = RunCommand("unzip -p " + ShellQuote(ods.string()) + " content.xml");
  EXPECT_EQ(content.exit_code, 0) << ods;
  std::map<std::string, int> counts;
  static const std::regex element("<draw:(line|custom-shape|g|frame|image|path|polygon|polyline)[ >]");
  for (auto it = std::sregex_iterator(content.output.begin(), content.output.end(), element);
       it != std::sregex_iterator(); ++it) {
    ++counts[(*it)[1]];
  }
  return counts;
}

void Draw(excel::Application& app, excel::Worksheet& sheet) {
  auto shapes = sheet.Shapes();
  shapes->AddLine(10, 10, 200, 80);
  shapes->AddShape(excel::kShapeOval, 40, 40, 60, 30);
  shapes->AddShape(excel::kShapeArc, 80, 20, 50, 50);
  auto box = shapes->AddTextbox(excel::kOrientationHorizontal, 30, 100, 120, 24);
  box->Select();
  app.Selection()->Characters()->SetText("既存のブックに描いた図形");
  auto builder = shapes->BuildFreeform(excel::kEditingAuto, 0, 0);
  for (int i = 1; i <= 20; ++i) builder->AddNodes(excel::kSegmentLine, excel::kEditingAuto, 5.0 * i, (i % 2) * 7.0);
  builder->ConvertToShape();
  auto a = shapes->AddLine(300, 10, 320, 30);
  auto b = shapes->AddLine(320, 30, 300, 50);
  shapes->Range({a->Name(), b->Name()})->Group();
}

TEST(XlsExistingReaders, PoiGnumericAndLibreOfficeReadWhatWasThereAndTheNewShapes) {
  if (!SharedPath("xls-reference")) GTEST_SKIP() << "xls-reference not found (set OVIX_SHARED_DIR)";
  for (const char* program : {"java", "javac", "ssconvert", "soffice", "unzip"}) {
    ASSERT_TRUE(HasProgram(program)) << program << " is missing: scripts/setup-debian.sh installs it";
  }
  TempDir dir;
  struct Drawn {
    fs::path before, after;
    std::string sheet;
    bool chart;
  };
  std::vector<Drawn> drawn;
  std::vector<fs::path> all;
  for (const auto& [file, sheet_name] : kDrawn) {
    Drawn d;
    d.before = dir / file;
    CopyWritable(*SharedPath(std::string("xls-reference/") + file), d.before);
    d.after = dir / (std::string("drawn-") + file);
    d.chart = std::string(file) == "GNOME__gnumeric__objs.xls";
    auto app = ovix::workbook::CreateApplication();
    auto book = app->Workbooks()->Open(d.before.string());
    auto ws = sheet_name ? book->Worksheets()->Item(sheet_name) : book->Worksheets()->Item(1);
    d.sheet = ws->Name();
    Draw(*app, *ws);
    book->SaveAs(d.after.string(), excel::kNoChange);
    app->Quit();
    all.push_back(d.before);
    all.push_back(d.after);
    drawn.push_back(std::move(d));
  }
  ConvertWithLibreOffice(all, dir.path());
  for (const Drawn& d : drawn) {
    SCOPED_TRACE(d.before.filename().string());
    // POI: everything it read before is still there, and the new shapes.
    // (POI stops reading a sheet's drawing at an embedded chart, as in the
    // Gnumeric sample: there it sees the same shapes before and after.)
    auto poi_before = PoiKinds(ReadWithPoi(d.before, dir.path()), d.sheet);
    auto poi_after = PoiKinds(ReadWithPoi(d.after, dir.path()), d.sheet);
    for (const auto& [kind, n] : poi_before) EXPECT_GE(poi_after[kind], n) << kind;
    if (!d.chart) {
      EXPECT_EQ(poi_after["line"] - poi_before["line"], 3);
      EXPECT_EQ(poi_after["oval"] - poi_before["oval"], 1);
      EXPECT_EQ(poi_after["arc"] - poi_before["arc"], 1);
      EXPECT_EQ(poi_after["textbox"] - poi_before["textbox"], 1);
      EXPECT_EQ(poi_after["freeform"] - poi_before["freeform"], 1);
      EXPECT_EQ(poi_after["group"] - poi_before["group"], 1);
    }

    // Gnumeric loads it.
    const CommandResult g = RunCommand("timeout 120 ssconvert --export-type=Gnumeric_stf:stf_csv " +
                                       ShellQuote(d.after.string()) + " " + ShellQuote((dir / "out.csv").string()) +
                                       " 2>&1");
    EXPECT_EQ(g.exit_code, 0) << g.output.substr(0, 2000);
    EXPECT_EQ(g.output.find("CRITICAL"), std::string::npos) << g.output.substr(0, 2000);

    // LibreOffice: at least as much as before, plus lines and a group.
    auto lo_before = LibreOfficeElements(d.before, dir.path());
    auto lo_after = LibreOfficeElements(d.after, dir.path());
    for (const auto& [element, n] : lo_before) EXPECT_GE(lo_after[element], n) << element;
    EXPECT_EQ(lo_after["line"] - lo_before["line"], 3);
    EXPECT_EQ(lo_after["g"] - lo_before["g"], 1);
    EXPECT_GE(lo_after["custom-shape"] + lo_after["frame"] + lo_after["path"] + lo_after["polyline"] -
                  (lo_before["custom-shape"] + lo_before["frame"] + lo_before["path"] + lo_before["polyline"]),
              4)
        << "oval, arc, text box and freeform";
  }
}

}  // namespace
