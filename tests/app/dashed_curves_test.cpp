// Line types along curves with every entity drawn: a spline takes the dash
// style of its own or its layer's line type like a line does, while hatch
// pattern lines keep their own (solid unless the pattern's dashes are shown
// as a style) and a hatch's boundary is never stroked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <pugixml.hpp>

#include "app/conversion_run.h"
#include "excel/excel_automation.h"
#include "model/rv_document.h"
#include "tests/app/recording_run_view.h"
#include "tests/support/recording_prompt.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/package_reader.h"
#include "workbook/workbook_engine.h"

namespace ovix::testing {
namespace {

namespace fs = std::filesystem;

const char kTables[] =
    "0\nSECTION\n2\nTABLES\n"
    "0\nTABLE\n2\nLTYPE\n"
    "0\nLTYPE\n2\nCONTINUOUS\n70\n0\n72\n65\n73\n0\n40\n0\n"
    "0\nLTYPE\n2\nDASHED\n70\n0\n72\n65\n73\n2\n40\n0.75\n49\n0.5\n74\n0\n49\n-0.25\n74\n0\n"
    "0\nLTYPE\n2\nDASHDOT\n70\n0\n72\n65\n73\n4\n40\n1\n49\n0.5\n74\n0\n49\n-0.25\n74\n0\n"
    "49\n0\n74\n0\n49\n-0.25\n74\n0\n"
    "0\nENDTAB\n"
    "0\nTABLE\n2\nLAYER\n"
    "0\nLAYER\n2\n0\n70\n0\n62\n7\n6\nCONTINUOUS\n"
    "0\nLAYER\n2\nHIDDEN\n70\n0\n62\n7\n6\nDASHED\n"
    "0\nENDTAB\n0\nENDSEC\n";

// A clamped cubic spline through five control points, shifted by `dx`.
std::string Spline(const std::string& layer, const std::string& line_type, double dx) {
  std::string s = "0\nSPLINE\n8\n" + layer + "\n";
  if (!line_type.empty()) s += "6\n" + line_type + "\n";
  s += "100\nAcDbSpline\n70\n8\n71\n3\n72\n9\n73\n5\n74\n0\n";
  for (const char* k : {"0", "0", "0", "0", "1", "2", "2", "2", "2"}) s += "40\n" + std::string(k) + "\n";
  const double points[5][2] = {{0, 0}, {2, 4}, {6, 4}, {10, 0}, {12, 2}};
  for (const auto& p : points) {
    s += "10\n" + std::to_string(p[0] + dx) + "\n20\n" + std::to_string(p[1]) + "\n30\n0\n";
  }
  return s;
}

// A hatch of the square (x0, 0)-(x0 + 10, 10) on `layer`: solid, or one
// family of continuous pattern lines 45 degrees steep, 2 apart.
std::string Hatch(const std::string& layer, double x0, bool solid) {
  auto n = [](double v) { return std::to_string(v); };
  std::string h = "0\nHATCH\n8\n" + layer + "\n100\nAcDbHatch\n10\n0\n20\n0\n30\n0\n2\n" +
                  (solid ? "SOLID" : "USER") + "\n70\n" + (solid ? "1" : "0") +
                  "\n71\n0\n91\n1\n92\n3\n72\n0\n73\n1\n93\n4\n" + "10\n" + n(x0) + "\n20\n0\n" +
                  "10\n" + n(x0 + 10) + "\n20\n0\n" + "10\n" + n(x0 + 10) + "\n20\n10\n" + "10\n" +
                  n(x0) + "\n20\n10\n" + "97\n0\n75\n0\n76\n1\n";
  if (!solid) h += "52\n0\n41\n1\n77\n0\n78\n1\n53\n45\n43\n0\n44\n0\n45\n-1.414214\n46\n1.414214\n79\n0\n";
  return h + "98\n0\n";
}

struct Stroke {
  bool freeform = false;
  bool line_hidden = false;
  std::string dash;
};

// Every shape and connector of the drawing in order (group members too).
std::vector<Stroke> Strokes(const std::string& drawing) {
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_string(drawing.c_str()));
  struct Walker : pugi::xml_tree_walker {
    std::vector<Stroke> out;
    bool for_each(pugi::xml_node& node) override {
      const std::string name = node.name();
      if (name != "xdr:sp" && name != "xdr:cxnSp") return true;
      Stroke s;
      const pugi::xml_node props = node.child("xdr:spPr");
      s.freeform = static_cast<bool>(props.child("a:custGeom"));
      s.line_hidden = static_cast<bool>(props.child("a:ln").child("a:noFill"));
      s.dash = props.child("a:ln").child("a:prstDash").attribute("val").value();
      out.push_back(s);
      return true;
    }
  } walker;
  doc.traverse(walker);
  return walker.out;
}

TEST(DashedCurves, SplinesTakeTheirLineTypesDashesAndHatchesKeepTheirOwn) {
  workbook::RegisterAutomationClass();
  ScopedRecordingPrompt prompt;
  RecordingRunView view;
  RvDocument document;
  TempDir dir;
  const fs::path dxf = dir / "d.dxf", xlsx = dir / "d.xlsx";
  WriteFileBytes(dxf, std::string(kTables) + "0\nSECTION\n2\nENTITIES\n" +
                          Spline("HIDDEN", "", 0) +             // by layer: dashed
                          Spline("0", "DASHDOT", 20) +          // its own: dash-dot
                          Spline("HIDDEN", "CONTINUOUS", 40) +  // its own: solid
                          Hatch("HIDDEN", 60, false) + Hatch("HIDDEN", 80, true) +
                          "0\nENDSEC\n0\nEOF\n");
  ConversionRun run(document, view);
  RunOptions options;
  options.DrawAll = true;
  const RunResult result = run.Run(dxf.string(), xlsx.string(), options);
  excel::ForgetRunningInstances();
  ASSERT_TRUE(result.Succeeded()) << result.Detail;
  const std::vector<Stroke> s = Strokes(ReadPart(xlsx, "xl/drawings/drawing1.xml"));
  // Three splines, the pattern's lines across the square, the solid fill.
  ASSERT_GE(s.size(), 3u + 5u + 1u);
  for (int k = 0; k < 3; ++k) EXPECT_TRUE(s[k].freeform) << k;
  EXPECT_EQ(s[0].dash, "dash");
  EXPECT_EQ(s[1].dash, "lgDashDot");
  EXPECT_EQ(s[2].dash, "solid");
  // Pattern lines are continuous although their layer is dashed, and no
  // outline of the boundary is drawn.
  for (std::size_t k = 3; k + 1 < s.size(); ++k) {
    EXPECT_FALSE(s[k].freeform) << k;
    EXPECT_EQ(s[k].dash, "solid") << k;
  }
  // The solid fill has no stroke at all.
  EXPECT_TRUE(s.back().freeform);
  EXPECT_TRUE(s.back().line_hidden);
}

}  // namespace
}  // namespace ovix::testing
