// Every XML part of saved workbooks against the ECMA-376 schemas the project
// carries (tests/data/ooxml-schemas), with xmllint.
#include <gtest/gtest.h>

#include "excel/excel_automation.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/external_tools.h"
#include "tests/workbook/package_reader.h"
#include "tests/workbook/showcase_workbook.h"
#include "workbook/workbook_engine.h"

namespace {

namespace fs = std::filesystem;
using namespace ovix::testing;

// A workbook that sets every style member to values the showcase does not use.
void BuildEveryStyle(excel::Application& app, const std::string& path) {
  app.Workbooks()->Add();
  auto sheet = app.Worksheets()->Item("Sheet1");
  auto shapes = sheet->Shapes();
  for (int32_t dash = 1; dash <= 12; ++dash) {
    auto line = shapes->AddLine(10, 10 * dash, 200, 10 * dash + 5);
    auto f = line->Line();
    f->SetDashStyle(dash);
    f->SetStyle(1 + dash % 5);
    f->SetWeight(0.25 * dash);
    f->SetTransparency(dash / 20.0);
    f->ForeColor()->SetSchemeColor(dash * 5);
    f->SetBeginArrowheadStyle(1 + dash % 6);
    f->SetBeginArrowheadLength(1 + dash % 3);
    f->SetBeginArrowheadWidth(1 + (dash + 1) % 3);
    f->SetEndArrowheadStyle(1 + (dash + 2) % 6);
    f->SetEndArrowheadLength(1 + (dash + 1) % 3);
    f->SetEndArrowheadWidth(1 + dash % 3);
  }
  auto hidden = shapes->AddShape(excel::kShapeRectangle, 300, 10, 50, 20);
  hidden->Line()->SetVisible(excel::kFalse);
  hidden->Fill()->ForeColor()->SetRGB(0x336699);
  hidden->Fill()->SetTransparency(0.5);
  auto arc = shapes->AddShape(excel::kShapeArc, 2, 300, 30, 30);  // reaches past the left edge
  arc->Line()->SetEndArrowheadStyle(excel::kArrowheadOval);
  auto ellipse_arc = shapes->AddShape(excel::kShapeArc, 400, 300, 80, 30);
  ellipse_arc->Select(true);
  app.Selection()->ShapeRange()->Adjustments()->SetItem(1, 359.5);
  app.Selection()->ShapeRange()->Adjustments()->SetItem(2, 359.5);

  auto builder = shapes->BuildFreeform(excel::kEditingCorner, 300, 300);
  builder->AddNodes(excel::kSegmentLine, excel::kEditingAuto, 350, 300);
  builder->AddNodes(excel::kSegmentCurve, excel::kEditingCorner, 350, 350);
  builder->AddNodes(excel::kSegmentCurve, excel::kEditingAuto, 300, 300);
  builder->ConvertToShape();

  auto box = shapes->AddTextbox(excel::kOrientationUpward, 100, 400, 10, 10);
  box->Select(true);
  auto selection = app.Selection();
  selection->Characters(1, 0)->SetText("上付き下付き\r取消 outline shadow\n\n");
  selection->Characters(1, 3)->Font()->SetSuperscript(true);
  selection->Characters(4, 3)->Font()->SetSubscript(true);
  selection->Characters(8, 2)->Font()->SetStrikethrough(true);
  selection->Characters(11, 7)->Font()->SetOutlineFont(true);
  selection->Characters(19, 6)->Font()->SetShadow(true);
  selection->Characters(1, 0)->Font()->SetColorIndex(46);
  selection->SetHorizontalAlignment(excel::kAlignRight);
  selection->SetAddIndent(true);
  selection->SetAutoSize(true);
  selection->ShapeRange()->ScaleHeight(1.5, false, excel::kScaleFromMiddle);
  shapes->AddTextbox(excel::kOrientationHorizontal, 200, 400, 30, 30);  // empty text

  // Three levels of groups.
  auto inner = shapes->Range({"Line 1", "Line 2"})->Group();
  auto middle = shapes->Range({inner->Name(), "Line 3"})->Group();
  shapes->Range({middle->Name(), "Rectangle 13", "Freeform 16"})->Group();

  auto page = sheet->PageSetup();
  page->SetPrintTitleRows("1:1");
  page->SetPrintTitleColumns("A:B");
  page->SetPrintArea("A1:H50,J1:K2");
  page->SetLeftHeader("&D");
  page->SetCenterHeader("図面 \"1\" & <2>");
  page->SetRightHeader("&T");
  page->SetLeftFooter("L");
  page->SetCenterFooter("&P/&N");
  page->SetRightFooter("R");
  page->SetPrintHeadings(true);
  page->SetPrintGridlines(true);
  page->SetPrintComments(excel::kPrintSheetEnd);
  page->SetCenterHorizontally(true);
  page->SetCenterVertically(true);
  page->SetDraft(true);
  page->SetFirstPageNumber(5);
  page->SetOrder(excel::kOverThenDown);
  page->SetBlackAndWhite(true);
  page->SetZoom(55);
  page->SetOrientation(excel::kLandscape);
  page->SetPaperSize(excel::kPaperA5);
  sheet->Range("C3")->Select();
  app.ActiveWorkbook()->SaveAs(path, excel::kNoChange);
}

// Validates each XML part of the package at `file`; returns what failed.
std::string ValidateParts(const fs::path& file, const fs::path& scratch) {
  const fs::path schemas = SourceDir() / "tests" / "data" / "ooxml-schemas";
  std::string failures;
  int index = 0;
  for (const auto& [name, data] : ReadPackage(file)) {
    const fs::path part = scratch / ("part" + std::to_string(index++) + ".xml");
    WriteFileBytes(part, data);
    std::string schema;
    if (name.rfind("xl/drawings/", 0) == 0) {
      schema = "dml-spreadsheetDrawing.xsd";
    } else if (name.rfind("xl/worksheets/sheet", 0) == 0 || name == "xl/workbook.xml" ||
               name == "xl/styles.xml") {
      schema = "sml.xsd";
    }
    std::string command = "xmllint --noout ";
    if (!schema.empty()) command += "--schema " + ShellQuote((schemas / schema).string()) + " ";
    const CommandResult r = RunCommand(command + ShellQuote(part.string()));
    if (r.exit_code != 0) failures += name + ":\n" + r.output + "\n";
  }
  return failures;
}

class SchemaValidation : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HasProgram("xmllint")) {
      FAIL() << "xmllint is missing: install libxml2-utils (scripts/setup-debian.sh does)";
    }
  }
  TempDir dir;
};

TEST_F(SchemaValidation, ShowcaseWorkbookPartsAreValid) {
  auto app = ovix::workbook::CreateApplication();
  const fs::path file = dir / "showcase.xlsx";
  showcase::BuildAndSave(*app, file.string());
  EXPECT_EQ(ValidateParts(file, dir.path()), "");
}

TEST_F(SchemaValidation, EveryStyleMemberWritesValidParts) {
  auto app = ovix::workbook::CreateApplication();
  const fs::path file = dir / "styles.xlsx";
  BuildEveryStyle(*app, file.string());
  EXPECT_EQ(ValidateParts(file, dir.path()), "");
}

TEST_F(SchemaValidation, TheCheckRejectsAnInvalidDrawing) {
  // The schemas really are applied: a drawing without clientData fails.
  const fs::path bad = dir / "bad.xml";
  WriteFileBytes(bad,
                 "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\">"
                 "<xdr:absoluteAnchor><xdr:pos x=\"0\" y=\"0\"/><xdr:ext cx=\"1\" cy=\"1\"/>"
                 "</xdr:absoluteAnchor></xdr:wsDr>");
  const fs::path schema = SourceDir() / "tests/data/ooxml-schemas/dml-spreadsheetDrawing.xsd";
  EXPECT_EQ(RunCommand("xmllint --noout --schema " + ShellQuote(schema.string()) + " " +
                       ShellQuote(bad.string()))
                .exit_code,
            3);
}

}  // namespace
