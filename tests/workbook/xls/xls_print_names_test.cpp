// The print area and print titles of an opened .xls workbook's sheet: read
// from the sheet's built-in names, cleared as the exporter clears them (the
// name removed, or, when later names would move, a hidden name without a
// formula in its place), changed in place; every other record of the globals kept.
// POI and LibreOffice read the result.
#include <gtest/gtest.h>

#include "excel/excel_automation.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/external_tools.h"
#include "tests/workbook/xls/xls_file_reader.h"
#include "tests/workbook/xls/xls_test_support.h"
#include "workbook/workbook_engine.h"

namespace ovix::testing {
namespace {

namespace fs = std::filesystem;

// The globals' records as type and data, without the NAME records.
std::vector<std::string> GlobalsButNames(const fs::path& file) {
  std::vector<std::string> out;
  for (const xls::Record& r : xls::ReadXlsFile(file).globals) {
    // Positions of the sheets move with the globals' length.
    if (r.type == 0x0018 || r.type == 0x0085 || r.type == 0x00FF) continue;
    out.push_back(std::to_string(r.type) + ":" + r.data);
  }
  return out;
}
std::vector<std::string> Names(const fs::path& file) {
  std::vector<std::string> out;
  for (const xls::Record& r : xls::ReadXlsFile(file).globals) {
    if (r.type == 0x0018) out.push_back(r.data);
  }
  return out;
}

using XlsPrintNames = XlsReferenceTest;

TEST_F(XlsPrintNames, ThePrintAreaAndTitlesAreRead) {
  auto app = workbook::CreateApplication();
  auto book = app->Workbooks()->Open(Copy("apache__poi__37684-2.xls").string());
  auto page = book->Worksheets()->Item("Page1")->PageSetup();
  EXPECT_EQ(page->PrintArea(), "$A$3:$J$118");
  EXPECT_EQ(page->PrintTitleRows(), "$1:$2");
  EXPECT_EQ(page->PrintTitleColumns(), "");
  EXPECT_EQ(book->Worksheets()->Item(2)->PageSetup()->PrintArea(), "");
  auto other = app->Workbooks()->Open(Copy("apache__poi__15556.xls").string());
  EXPECT_EQ(other->Worksheets()->Item(1)->PageSetup()->PrintArea(), "$A$1:$CN$46");
  EXPECT_EQ(other->Worksheets()->Item(2)->PageSetup()->PrintArea(), "$A$1:$CN$46");
  app->Quit();
}

TEST_F(XlsPrintNames, ClearedNamesGoOrStayInPlaceWithoutAFormulaAndTheRestIsKept) {
  const bool poi = HasJavaAndPoi();
  struct Case {
    const char* file;
    size_t names_after;  // NAME records left
  };
  // 37684-2: the sheet's two names are the last ones and go; 15556: the
  // first sheet's print area comes before the second's and stays, empty.
  for (const Case& c : {Case{"apache__poi__37684-2.xls", 0}, Case{"apache__poi__15556.xls", 2}}) {
    SCOPED_TRACE(c.file);
    const fs::path file = Copy(c.file), out = dir / (std::string("cleared-") + c.file);
    {
      auto app = workbook::CreateApplication();
      auto book = app->Workbooks()->Open(file.string());
      auto page = book->Worksheets()->Item(1)->PageSetup();
      page->SetPrintTitleRows("");
      page->SetPrintTitleColumns("");
      page->SetPrintArea("");
      book->SaveAs(out.string(), excel::kNoChange);
      app->Quit();
    }
    EXPECT_EQ(GlobalsButNames(out), GlobalsButNames(file));
    const auto names_was = Names(file), names_now = Names(out);
    ASSERT_EQ(names_now.size(), c.names_after);
    if (c.names_after == 2) {
      EXPECT_EQ(names_now[1], names_was[1]) << "the second sheet's name is kept byte for byte";
      EXPECT_EQ(names_now[0][4] | names_now[0][5], 0) << "no formula";
      EXPECT_EQ(names_now[0][0] & 0x20, 0) << "no longer the built-in print area";
    }
    auto app = workbook::CreateApplication();
    auto book = app->Workbooks()->Open(out.string());
    EXPECT_EQ(book->Worksheets()->Item(1)->PageSetup()->PrintArea(), "");
    EXPECT_EQ(book->Worksheets()->Item(1)->PageSetup()->PrintTitleRows(), "");
    if (c.names_after == 2) EXPECT_EQ(book->Worksheets()->Item(2)->PageSetup()->PrintArea(), "$A$1:$CN$46");
    app->Quit();
    if (poi) {
      const auto areas = PoiPrintAreas(out, dir.path());
      EXPECT_EQ(areas.size(), c.names_after == 2 ? 1u : 0u);
    }
  }
  if (HasProgram("soffice")) {
    const CommandResult r = RunCommand("timeout 600 soffice -env:UserInstallation=file://" +
                                       (dir / "lo-profile").string() + " --headless --convert-to ods --outdir " +
                                       ShellQuote((dir / "ods").string()) + " " +
                                       ShellQuote((dir / "cleared-apache__poi__15556.xls").string()) + " " +
                                       ShellQuote((dir / "cleared-apache__poi__37684-2.xls").string()) + " 2>&1");
    EXPECT_EQ(r.exit_code, 0) << r.output;
    EXPECT_TRUE(fs::exists(dir / "ods" / "cleared-apache__poi__15556.ods"));
    EXPECT_TRUE(fs::exists(dir / "ods" / "cleared-apache__poi__37684-2.ods"));
  }
}

TEST_F(XlsPrintNames, AChangedPrintAreaIsWrittenInPlaceAndANewOneIsRefused) {
  const fs::path file = Copy("apache__poi__15556.xls"), out = dir / "changed.xls";
  {
    auto app = workbook::CreateApplication();
    auto book = app->Workbooks()->Open(file.string());
    book->Worksheets()->Item(1)->PageSetup()->SetPrintArea("$B$2:$D$10,$F$1:$G$3");
    book->SaveAs(out.string(), excel::kNoChange);
    app->Quit();
  }
  EXPECT_EQ(GlobalsButNames(out), GlobalsButNames(file));
  EXPECT_EQ(Names(out)[1], Names(file)[1]);
  auto app = workbook::CreateApplication();
  auto book = app->Workbooks()->Open(out.string());
  EXPECT_EQ(book->Worksheets()->Item(1)->PageSetup()->PrintArea(), "$B$2:$D$10,$F$1:$G$3");
  app->Quit();
  if (HasJavaAndPoi()) {
    const auto areas = PoiPrintAreas(out, dir.path());
    ASSERT_EQ(areas.size(), 2u);
    EXPECT_EQ(areas.begin()->second, "'2270-170-1'!$B$2:$D$10,'2270-170-1'!$F$1:$G$3");
  }

  // A sheet without a print area: refused, nothing written.
  const fs::path simple = Copy("apache__poi__Simple.xls");
  const std::string bytes = ReadFileBytes(simple);
  auto app2 = workbook::CreateApplication();
  auto book2 = app2->Workbooks()->Open(simple.string());
  book2->Worksheets()->Item("Sheet1")->PageSetup()->SetPrintArea("$A$1:$C$3");
  EXPECT_THROW(book2->Save(), excel::AutomationError);
  app2->Quit();
  EXPECT_EQ(ReadFileBytes(simple), bytes);
}

}  // namespace
}  // namespace ovix::testing
