// Three independent readers open the .xls the engine writes: Apache POI's
// HSSF (every shape, its kind, name, anchor, text and fonts), Gnumeric's
// ssconvert (loads it without errors) and LibreOffice (the same shapes as in
// the .xlsx of the same workbook, and a printed page with ink where the
// .xlsx's page has ink).
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "excel/excel_automation.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/external_tools.h"
#include "tests/workbook/ppm_raster.h"
#include "tests/workbook/package_reader.h"
#include "tests/workbook/showcase_workbook.h"
#include "tests/workbook/xls/xls_test_support.h"
#include "workbook/workbook_engine.h"

namespace ovix::testing {
namespace {

namespace fs = std::filesystem;
namespace sc = ovix::testing::showcase;

// The kind a shape's default name gives ("Line 3" is a line).
std::string KindOfName(const std::string& name) {
  static const std::map<std::string, std::string> kinds = {
      {"Line", "line"},   {"Oval", "oval"},         {"Arc", "arc"},     {"Freeform", "freeform"},
      {"TextBox", "textbox"}, {"Group", "group"}, {"Rectangle", "rectangle"}};
  const auto it = kinds.find(name.substr(0, name.find(' ')));
  return it == kinds.end() ? "other" : it->second;
}

class XlsReaders : public ::testing::Test {
 protected:
  void SetUp() override {
    app = ovix::workbook::CreateApplication();
    sc::BuildAndSave(*app, xls.string());
    app->ActiveWorkbook()->SaveAs(xlsx.string());
  }

  TempDir dir;
  fs::path xls = dir / "showcase.xls";
  fs::path xlsx = dir / "showcase.xlsx";
  std::shared_ptr<excel::Application> app;
};

TEST_F(XlsReaders, PoiFindsEveryShapeWithItsAnchorTextAndFonts) {
  if (!HasJavaAndPoi()) {
    FAIL() << "javac or Apache POI is missing: install default-jdk-headless and libapache-poi-java "
              "(scripts/setup-debian.sh does)";
  }
  const std::vector<PoiShape> shapes = ReadWithPoi(xls, dir.path());
  std::map<std::string, int> kinds;
  for (const PoiShape& s : shapes) {
    ++kinds[s.kind];
    if (s.kind != "group") EXPECT_EQ(s.kind, KindOfName(s.name)) << s.name;
  }
  // The showcase: 5 lines (two in the nested group), an oval in the inner
  // group and one outside, a rectangle, an arc, a freeform, 3 text boxes and
  // 2 groups.
  EXPECT_EQ(kinds["line"], 5);
  EXPECT_EQ(kinds["oval"], 2);
  EXPECT_EQ(kinds["rectangle"], 1);
  EXPECT_EQ(kinds["arc"], 1);
  EXPECT_EQ(kinds["freeform"], 1);
  EXPECT_EQ(kinds["textbox"], 3);
  EXPECT_EQ(kinds["group"], 2);
  int nested = 0;
  for (const PoiShape& s : shapes) nested = std::max(nested, s.depth);
  EXPECT_EQ(nested, 2);

  // Top-level anchors put the shapes where the model has them (within a
  // pixel: columns of 54 points cut in 1,024 parts, rows of 13.5 in 256).
  auto left_top = [](const PoiShape& s) {
    return std::pair{s.anchor.at(0) * 54.0 + s.anchor.at(1) / 1024.0 * 54.0,
                     s.anchor.at(2) * 13.5 + s.anchor.at(3) / 256.0 * 13.5};
  };
  auto right_bottom = [](const PoiShape& s) {
    return std::pair{s.anchor.at(4) * 54.0 + s.anchor.at(5) / 1024.0 * 54.0,
                     s.anchor.at(6) * 13.5 + s.anchor.at(7) / 256.0 * 13.5};
  };
  bool oval_seen = false;
  for (const PoiShape& s : shapes) {
    if (s.depth != 0) continue;
    if (s.name == "Line 1") {
      EXPECT_NEAR(left_top(s).first, sc::kRedLineX1, 0.75);
      EXPECT_NEAR(left_top(s).second, sc::kRedLineY, 0.75);
      EXPECT_NEAR(right_bottom(s).first, sc::kRedLineX2, 0.75);
    }
    if (s.kind == "oval") {
      oval_seen = true;
      EXPECT_NEAR(left_top(s).first, sc::kOvalLeft, 0.75);
      EXPECT_NEAR(left_top(s).second, sc::kOvalTop, 0.75);
      EXPECT_NEAR(right_bottom(s).first, sc::kOvalLeft + sc::kOvalWidth, 0.75);
      EXPECT_NEAR(right_bottom(s).second, sc::kOvalTop + sc::kOvalHeight, 0.75);
    }
  }
  EXPECT_TRUE(oval_seen);

  // The horizontal text: its characters with the line break, in the bold
  // underlined red 20-point font the showcase gives it.
  const PoiShape* text = nullptr;
  for (const PoiShape& s : shapes) {
    if (s.kind == "textbox" && s.text.find("Ovix") != std::string::npos) text = &s;
  }
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->text, "Ovix 図面\\n2行目 ABC");
  EXPECT_EQ(text->fonts.rfind("0:ＭＳ ゴシック/20/1/0/1/0/0/10 ", 0), 0u) << text->fonts;
}

TEST_F(XlsReaders, GnumericLoadsTheWorkbook) {
  if (!HasProgram("ssconvert")) FAIL() << "ssconvert is missing: install gnumeric (scripts/setup-debian.sh does)";
  const CommandResult r = RunCommand("ssconvert " + ShellQuote(xls.string()) + " " +
                                     ShellQuote((dir / "out.csv").string()) + " 2>&1");
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_TRUE(fs::exists(dir / "out.csv")) << r.output;
  // Gnumeric warns about fonts it has no widths for and reports the members
  // of groups, which it does not read, as objects without a cell anchor; it
  // must neither fail nor meet an object or record it does not understand.
  EXPECT_EQ(r.output.find("CRITICAL"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("unhandled"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("rror"), std::string::npos) << r.output;
}

// ---------------------------------------------------------------------------
// LibreOffice

// Names of the drawing objects in an OpenDocument content part, by kind.
std::map<std::string, std::multiset<std::string>> NamesByKind(const std::string& content) {
  std::map<std::string, std::multiset<std::string>> names;
  const std::regex object("<draw:(line|custom-shape|connector|g|path|ellipse|rect)\\b[^>]*?draw:name=\"([^\"]*)\"");
  for (auto it = std::sregex_iterator(content.begin(), content.end(), object); it != std::sregex_iterator(); ++it) {
    const std::string name = (*it)[2];
    names[KindOfName(name)].insert(name);
  }
  return names;
}

double ColumnWidthInches(const std::string& content) {
  std::smatch m;
  const std::regex width("style:column-width=\"([0-9.]+)in\"");
  return std::regex_search(content, m, width) ? std::stod(m[1]) : 0;
}

TEST_F(XlsReaders, LibreOfficeSeesTheSameShapesAndPrintsTheSamePage) {
  for (const char* program : {"soffice", "pdftoppm"}) {
    if (!HasProgram(program)) FAIL() << program << " is missing (scripts/setup-debian.sh installs it)";
  }
  const fs::path out = dir / "lo";
  const std::string soffice = "timeout 300 soffice -env:UserInstallation=file://" + (dir / "lo-profile").string() +
                              " --headless";
  const std::string outdir = " --outdir " + ShellQuote(out.string());
  for (const char* format : {"ods", "pdf"}) {
    const CommandResult r = RunCommand(soffice + " --convert-to " + format + outdir + " " + ShellQuote(xls.string()) +
                                       " " + ShellQuote(xlsx.string()) + " 2>&1");
    ASSERT_TRUE(fs::exists(out / (std::string("showcase.") + format))) << r.output;
  }
  // Both files become showcase.ods and showcase.pdf: convert the .xls again
  // under a name of its own.
  fs::copy_file(xls, dir / "legacy.xls");
  for (const char* format : {"ods", "pdf"}) {
    const CommandResult r = RunCommand(soffice + " --convert-to " + format + outdir + " " +
                                       ShellQuote((dir / "legacy.xls").string()) + " 2>&1");
    ASSERT_TRUE(fs::exists(out / (std::string("legacy.") + format))) << r.output;
  }
  // LibreOffice opened the package last, so showcase.* are the .xlsx's.
  const std::string legacy = ReadPart(out / "legacy.ods", "content.xml");
  const std::string package = ReadPart(out / "showcase.ods", "content.xml");
  const auto legacy_names = NamesByKind(legacy);
  const auto package_names = NamesByKind(package);
  EXPECT_EQ(legacy_names, package_names);
  EXPECT_EQ(legacy_names.count("other"), 0u);
  EXPECT_EQ(legacy_names.at("line").size(), 5u);

  // The printed pages: rows are as high in both. The .xlsx places its shapes
  // absolutely, at the 54 pt columns the engine computes with; the .xls
  // anchors them to cells, which LibreOffice makes as wide as its default
  // font gives, so the .xls page's x positions are first stretched by the
  // ratio of the two widths (the page has no margins).
  const double stretch = (54.0 / 72.0) / ColumnWidthInches(legacy);
  ASSERT_GT(stretch, 0.8);
  ASSERT_LT(stretch, 1.2);
  Raster pages[2];
  const char* names[2] = {"legacy", "showcase"};
  for (int i = 0; i < 2; ++i) {
    const CommandResult r = RunCommand("pdftoppm -r 72 -f 1 -l 1 -singlefile " +
                                       ShellQuote((out / (std::string(names[i]) + ".pdf")).string()) + " " +
                                       ShellQuote((out / names[i]).string()));
    ASSERT_EQ(r.exit_code, 0) << r.output;
    ASSERT_TRUE(pages[i].Load(out / (std::string(names[i]) + ".ppm")));
  }
  const Raster& a = pages[0];
  const Raster& b = pages[1];
  ASSERT_EQ(a.width, b.width);
  ASSERT_EQ(a.height, b.height);
  // Ink in cells of 6 x 6 pixels; a cell inked on one page must have ink
  // within two cells of it on the other (LibreOffice lays out the text of a
  // turned text box a few points apart in the two formats).
  constexpr int kCell = 6;
  const int cw = a.width / kCell + 1, ch = a.height / kCell + 1;
  std::vector<char> ink_a(static_cast<size_t>(cw) * ch), ink_b(ink_a.size());
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      if (a.Ink(x, y)) {
        const int sx = static_cast<int>(std::lround(x * stretch));
        if (sx < a.width) ink_a[static_cast<size_t>(y / kCell) * cw + sx / kCell] = 1;
      }
      if (b.Ink(x, y)) ink_b[static_cast<size_t>(y / kCell) * cw + x / kCell] = 1;
    }
  }
  auto near = [&](const std::vector<char>& ink, int cx, int cy) {
    for (int dy = -2; dy <= 2; ++dy) {
      for (int dx = -2; dx <= 2; ++dx) {
        const int x = cx + dx, y = cy + dy;
        if (x >= 0 && y >= 0 && x < cw && y < ch && ink[static_cast<size_t>(y) * cw + x]) return true;
      }
    }
    return false;
  };
  int inked = 0, missing = 0, extra = 0;
  for (int y = 0; y < ch; ++y) {
    for (int x = 0; x < cw; ++x) {
      const bool in_b = ink_b[static_cast<size_t>(y) * cw + x];
      inked += in_b;
      if (in_b && !near(ink_a, x, y)) ++missing;
      if (ink_a[static_cast<size_t>(y) * cw + x] && !near(ink_b, x, y)) ++extra;
    }
  }
  ASSERT_GT(inked, 200) << "the .xlsx page shows the drawing";
  EXPECT_LT(missing, inked / 50) << "cells inked on the .xlsx page and blank on the .xls page";
  EXPECT_LT(extra, inked / 50) << "cells inked on the .xls page and blank on the .xlsx page";
}

// A file past 6.8 MB indexes its allocation table through extra sectors;
// POI reads every shape of it back.
TEST(XlsReadersLarge, PoiReadsAFileWhoseAllocationTableNeedsExtraIndexSectors) {
  if (!HasJavaAndPoi()) FAIL() << "javac or Apache POI is missing (scripts/setup-debian.sh installs them)";
  TempDir dir;
  auto app = ovix::workbook::CreateApplication();
  app->Workbooks()->Add();
  auto shapes = app->Worksheets()->Item("Sheet1")->Shapes();
  for (int i = 0; i < 45000; ++i) shapes->AddLine(10 + i % 300, 10 + i / 300, 40 + i % 300, 30 + i / 300);
  app->ActiveWorkbook()->SaveAs((dir / "big.xls").string());
  ASSERT_GT(fs::file_size(dir / "big.xls"), 7u * 1000 * 1000);
  const std::vector<PoiShape> read = ReadWithPoi(dir / "big.xls", dir.path());
  EXPECT_EQ(read.size(), 45000u);
  if (!read.empty()) EXPECT_EQ(read.back().name, "Line 45000");
}

}  // namespace
}  // namespace ovix::testing
