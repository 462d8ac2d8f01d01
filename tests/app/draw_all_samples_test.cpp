// The option that draws every entity on the real drawings of
// ../shared/dxf-samples (skipped when the folder is absent): the drawings
// that hold blocks and old-style polylines expand to the shapes they imply
// (counted independently, by kind, from what each block reference, polyline,
// solid and point stands for), every drawing converts with the option on,
// and the saved drawings validate against the schemas.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "app/conversion_run.h"
#include "app/dxf_stage.h"
#include "dxf/rv_dxf_import.h"
#include "excel/excel_automation.h"
#include "model/rv_document.h"
#include "tests/app/recording_run_view.h"
#include "tests/support/recording_prompt.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/external_tools.h"
#include "tests/workbook/package_reader.h"
#include "workbook/workbook_engine.h"

namespace ovix::testing {
namespace {

namespace fs = std::filesystem;

struct ExpectedShapes {
  const char* file;
  int groups;  // model-space block references that draw something (one group each)
  int paths, fills, dots, texts;
};

// Counted from each drawing's block definitions, references (arrays and
// nesting included; dimension blocks and attribute definitions left out),
// polylines (a mesh as its edges), solids, points, and the lightweight
// polylines with bulges or widths, rotated or partial ellipses and rotated or
// aligned texts that the option draws in place of the nine stores; and
// splines, hatches (a fill, or pattern lines in a group of their own),
// wipeouts, construction lines, multileaders and the dimensions drawn from
// their blocks (a group each).
constexpr ExpectedShapes kExpected[] = {
    {"LibreDWG__libredwg__test__test-data__example_r12.dxf", 21, 1429, 2, 106, 18},
    {"LibreDWG__libredwg__test__test-data__example_r14.dxf", 16, 1391, 5, 110, 16},
    {"LibreDWG__libredwg__test__test-data__r10__entities.dxf", 2, 4, 2, 1, 2},
    {"mozman__ezdxf__examples_dxf__insert_bricscad_level_1.dxf", 6, 324, 0, 0, 108},
    {"qcad__qcad__src__3rdparty__dxflib__examples__readwrite__demo.dxf", 21, 757, 0, 0, 0},
    {"skymakerolof__dxf__test__resources__floorplan.dxf", 23, 2096, 0, 0, 96},
    {"foostan__crkbd__plates__mini__top-bottom.dxf", 60, 70, 2, 0, 0},
    {"gdsestimating__dxf-parser__test__data__polylines.dxf", 0, 12, 0, 0, 0},
    {"joco-nz__dxf2gcode-plasma__dxf__Ellipsenbögen_Block_gedreht.dxf", 4, 8, 0, 16, 0},
    {"qcad__qcad__examples__example01.dxf", 6, 78, 1, 0, 7},
};

TEST(DrawAllSamples, BlocksAndPolylinesExpandToTheShapesTheDrawingImplies) {
  OVIX_REQUIRE_SHARED(samples, "dxf-samples");
  for (const ExpectedShapes& e : kExpected) {
    SCOPED_TRACE(e.file);
    ScopedRecordingPrompt quiet;
    RvDocument document;
    document.DxfImport().SetDrawAll(true);
    ASSERT_TRUE(ImportDxfFile(document, (samples / e.file).string()));
    const ExtraShapeStore& s = document.System().ExtraShapes();
    std::map<ExtraShapeKind, int> kinds;
    for (std::size_t i = 0; i < s.Count(); ++i) ++kinds[s.At(i).Kind];
    EXPECT_EQ(s.GroupCount(), e.groups);
    EXPECT_EQ(kinds[ExtraShapeKind::Path], e.paths);
    EXPECT_EQ(kinds[ExtraShapeKind::Fill], e.fills);
    EXPECT_EQ(kinds[ExtraShapeKind::Dot], e.dots);
    EXPECT_EQ(kinds[ExtraShapeKind::Text], e.texts);
  }
}

TEST(DrawAllSamples, EveryDrawingConvertsWithTheOptionAndValidates) {
  OVIX_REQUIRE_SHARED(samples, "dxf-samples");
  if (!HasProgram("xmllint")) FAIL() << "xmllint is missing: install libxml2-utils";
  workbook::RegisterAutomationClass();
  TempDir out;
  const fs::path schema = SourceDir() / "tests" / "data" / "ooxml-schemas" / "dml-spreadsheetDrawing.xsd";
  std::string command = "xmllint --noout --schema " + ShellQuote(schema.string()) + " ";
  int index = 0, drawings = 0;
  for (const auto& entry : fs::directory_iterator(samples)) {
    if (entry.path().extension() != ".dxf") continue;
    SCOPED_TRACE(entry.path().filename().string());
    ScopedRecordingPrompt quiet;
    RvDocument document;
    RecordingRunView view;
    ConversionRun run(document, view);
    RunOptions options;
    options.DrawAll = true;
    const fs::path xlsx = out / (std::to_string(index++) + ".xlsx");
    const RunResult result = run.Run(entry.path().string(), xlsx.string(), options);
    excel::ForgetRunningInstances();
    // Drawings the reader refuses (a binary file, ...) fail as without the option.
    if (!result.DxfOk) continue;
    EXPECT_TRUE(result.ExcelOk) << result.Detail;
    // With the option the note only names kinds no option draws.
    EXPECT_EQ(result.UndrawnNotice.find("で描けます"), std::string::npos);
    for (const auto& [name, data] : ReadPackage(xlsx)) {
      if (name.rfind("xl/drawings/drawing", 0) != 0) continue;
      const fs::path part = out / ("d" + std::to_string(drawings++) + ".xml");
      WriteFileBytes(part, data);
      command += ShellQuote(part.string()) + " ";
    }
  }
  ASSERT_GT(drawings, 0);
  const CommandResult r = RunCommand(command);
  EXPECT_EQ(r.exit_code, 0) << r.output.substr(0, 4000);
}

}  // namespace
}  // namespace ovix::testing
