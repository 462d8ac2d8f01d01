// Shapes already on a sheet of an opened workbook: they count, are selected,
// moved, scaled, renamed and grouped with new shapes, and only their position
// (anchor and transform together), size and name change in the saved part.
// Also: ids of new shapes, the page setup of an opened sheet, and opening a
// workbook that is already open.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <map>

#include "excel/excel_automation.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/external_tools.h"
#include "tests/workbook/package_builder.h"
#include "tests/workbook/package_reader.h"
#include "workbook/workbook_engine.h"

namespace {

namespace fs = std::filesystem;
using namespace ovix::testing;

constexpr int64_t kEmu = 12700;

// a:off and a:ext of the object named `name` (anywhere in the drawing).
struct Xfrm {
  int64_t x = 0, y = 0, cx = 0, cy = 0;
};

Xfrm XfrmOf(const pugi::xml_document& drawing, const std::string& name) {
  const pugi::xml_node cnv = drawing.select_node(("//xdr:cNvPr[@name='" + name + "']").c_str()).node();
  EXPECT_TRUE(cnv) << name;
  const pugi::xml_node object = cnv.parent().parent();
  pugi::xml_node xfrm = object.select_node("*/a:xfrm").node();
  Xfrm x;
  x.x = xfrm.child("a:off").attribute("x").as_llong();
  x.y = xfrm.child("a:off").attribute("y").as_llong();
  x.cx = xfrm.child("a:ext").attribute("cx").as_llong();
  x.cy = xfrm.child("a:ext").attribute("cy").as_llong();
  return x;
}

pugi::xml_node AnchorOf(const pugi::xml_document& drawing, const std::string& name) {
  pugi::xml_node n = drawing.select_node(("//xdr:cNvPr[@name='" + name + "']").c_str()).node();
  while (n && std::string(n.name()).find("Anchor") == std::string::npos) n = n.parent();
  return n;
}

void LoadDrawing(pugi::xml_document& doc, const fs::path& file, const std::string& part = "xl/drawings/drawing1.xml") {
  ASSERT_TRUE(doc.load_string(ReadPart(file, part).c_str()));
}

std::vector<std::string> AllNames(excel::Shapes& shapes) {
  std::vector<std::string> names;
  for (int32_t i = 1; i <= shapes.Count(); ++i) names.push_back(shapes.Item(i)->Name());
  return names;
}

class ExistingShapes : public ::testing::Test {
 protected:
  TempDir dir;
};

TEST_F(ExistingShapes, AWorkbookTheEngineWroteIsMovedAndGroupedWithNewShapes) {
  const fs::path first = dir / "first.xlsx";
  {
    auto app = ovix::workbook::CreateApplication();
    app->Workbooks()->Add();
    auto shapes = app->Worksheets()->Item("Sheet1")->Shapes();
    shapes->AddLine(100, 100, 200, 150);                       // Line 1
    shapes->AddShape(excel::kShapeOval, 300, 100, 60, 40);     // Oval 2
    auto a = shapes->AddLine(100, 300, 200, 300);              // Line 3
    auto b = shapes->AddShape(excel::kShapeRectangle, 100, 320, 50, 20);  // Rectangle 4
    shapes->Range({a->Name(), b->Name()})->Group();            // Group 5
    app->ActiveWorkbook()->SaveAs(first.string(), excel::kNoChange);
  }
  pugi::xml_document before;
  LoadDrawing(before, first);

  const fs::path second = dir / "second.xlsx";
  auto app = ovix::workbook::CreateApplication();
  auto book = app->Workbooks()->Open(first.string());
  auto shapes = app->Worksheets()->Item("Sheet1")->Shapes();
  ASSERT_EQ(shapes->Count(), 3);
  EXPECT_EQ(AllNames(*shapes), (std::vector<std::string>{"Line 1", "Oval 2", "Group 5"}));
  EXPECT_DOUBLE_EQ(shapes->Item("Oval 2")->Left(), 300);
  EXPECT_DOUBLE_EQ(shapes->Item("Oval 2")->Top(), 100);
  EXPECT_DOUBLE_EQ(shapes->Item("Group 5")->Width(), 100);
  EXPECT_EQ(shapes->Item("Group 5")->Type(), excel::kTypeGroup);

  // New shapes continue after the largest id and take names no shape has.
  auto line = shapes->AddLine(400, 400, 500, 420);
  EXPECT_GT(line->Id(), 6);
  EXPECT_EQ(shapes->Count(), 4);

  // The final move and grouping of the exporter: every shape, old and new.
  shapes->SelectAll();
  app->Selection()->ShapeRange()->IncrementLeft(-40);
  app->Selection()->ShapeRange()->IncrementTop(25.5);
  shapes->Range(AllNames(*shapes))->Group();
  ASSERT_EQ(shapes->Count(), 1);
  book->SaveAs(second.string(), excel::kNoChange);

  pugi::xml_document after;
  LoadDrawing(after, second);
  for (const char* name : {"Line 1", "Oval 2", "Group 5"}) {
    SCOPED_TRACE(name);
    const Xfrm was = XfrmOf(before, name), now = XfrmOf(after, name);
    EXPECT_EQ(now.x - was.x, -40 * kEmu);
    EXPECT_EQ(now.y - was.y, static_cast<int64_t>(25.5 * kEmu));
    EXPECT_EQ(now.cx, was.cx);
    EXPECT_EQ(now.cy, was.cy);
  }
  EXPECT_EQ(XfrmOf(after, line->Name()).x, 360 * kEmu);
  // Members of the old group keep their place in its child space, which
  // moved with the group's own transform.
  for (const char* name : {"Line 3", "Rectangle 4"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(XfrmOf(after, name).x, XfrmOf(before, name).x);
    EXPECT_EQ(XfrmOf(after, name).y, XfrmOf(before, name).y);
  }
  // One anchor holds everything; the old group is inside the new one.
  EXPECT_EQ(after.select_nodes("/xdr:wsDr/xdr:twoCellAnchor").size(), 1u);
  EXPECT_TRUE(after.select_node("//xdr:grpSp/xdr:grpSp[xdr:nvGrpSpPr/xdr:cNvPr[@name='Group 5']]").node());

  // Opened again, the sheet has the one group where it was saved.
  auto again = ovix::workbook::CreateApplication();
  again->Workbooks()->Open(second.string());
  auto reread = again->Worksheets()->Item("Sheet1")->Shapes();
  ASSERT_EQ(reread->Count(), 1);
  EXPECT_NEAR(reread->Item(1)->Left(), 60, 1e-6);
  EXPECT_NEAR(reread->Item(1)->Top(), 125.5, 1e-6);
}

TEST_F(ExistingShapes, ExcelShapesOnCustomColumnsMoveWithTheirAnchorsAndTransforms) {
  OVIX_REQUIRE_SHARED(original, "ooxml-reference/xlsx/nissl-lab__npoi__coordinate.xlsm");
  pugi::xml_document before;
  LoadDrawing(before, original);
  auto app = ovix::workbook::CreateApplication();
  auto book = app->Workbooks()->Open(original.string());
  auto shapes = app->Worksheets()->Item("Sheet1")->Shapes();
  ASSERT_EQ(shapes->Count(), 4);
  // The anchors, read through the custom column widths and row heights, put
  // each line where Excel's own transform says it is.
  for (const char* name : {"cxn1", "cxn2", "cxn3", "cxn4"}) {
    SCOPED_TRACE(name);
    const Xfrm x = XfrmOf(before, name);
    auto shape = shapes->Item(name);
    EXPECT_NEAR(shape->Left() * kEmu, static_cast<double>(x.x), 1.0);
    EXPECT_NEAR(shape->Top() * kEmu, static_cast<double>(x.y), 1.0);
    EXPECT_NEAR(shape->Width() * kEmu, static_cast<double>(x.cx), 1.0);
  }
  shapes->AddShape(excel::kShapeOval, 10, 10, 30, 30);
  shapes->SelectAll();
  app->Selection()->ShapeRange()->IncrementLeft(50);
  app->Selection()->ShapeRange()->IncrementTop(20);
  const fs::path saved = dir / "moved.xlsm";
  book->SaveAs(saved.string(), excel::kNoChange);

  pugi::xml_document after;
  LoadDrawing(after, saved);
  auto reopened = ovix::workbook::CreateApplication();
  reopened->Workbooks()->Open(saved.string());
  auto moved = reopened->Worksheets()->Item("Sheet1")->Shapes();
  for (const char* name : {"cxn1", "cxn2", "cxn3", "cxn4"}) {
    SCOPED_TRACE(name);
    const Xfrm was = XfrmOf(before, name), now = XfrmOf(after, name);
    EXPECT_EQ(now.x - was.x, 50 * kEmu);
    EXPECT_EQ(now.y - was.y, 20 * kEmu);
    // The anchor moved with the transform: read back, it is where the
    // transform says.
    EXPECT_NEAR(moved->Item(name)->Left() * kEmu, static_cast<double>(now.x), 1.0);
    EXPECT_NEAR(moved->Item(name)->Top() * kEmu, static_cast<double>(now.y), 1.0);
    // What the engine does not model stays: the theme style of the line.
    EXPECT_TRUE(AnchorOf(after, name).select_node(".//xdr:style/a:lnRef[@idx='1']").node());
  }
}

TEST_F(ExistingShapes, OldShapesMovedToThePageStopAtTheSheetsEdge) {
  OVIX_REQUIRE_SHARED(original, "ooxml-reference/xlsx/nissl-lab__npoi__57826.xlsx");
  auto app = ovix::workbook::CreateApplication();
  auto book = app->Workbooks()->Open(original.string());
  auto shapes = app->Worksheets()->Item("Sheet1")->Shapes();
  ASSERT_EQ(shapes->Count(), 1);
  auto old_box = shapes->Item(1);
  // Excel's own numbers: column 0 plus 409573 EMU, the box 1162051 EMU wide
  // (columns of 72 pixels for the Japanese default font).
  EXPECT_NEAR(old_box->Left() * kEmu, 409573, 1);
  EXPECT_NEAR(old_box->Width() * kEmu, 1162051, 1);
  auto line = shapes->AddLine(6600, 6600, 6700, 6650);
  // The drawing is moved from the working offset to the page: the old box,
  // near the sheet's corner, stops at the edge instead of leaving the sheet.
  shapes->SelectAll();
  app->Selection()->ShapeRange()->IncrementLeft(-6500);
  app->Selection()->ShapeRange()->IncrementTop(-6500);
  EXPECT_DOUBLE_EQ(old_box->Left(), 0);
  EXPECT_DOUBLE_EQ(old_box->Top(), 0);
  EXPECT_DOUBLE_EQ(line->Left(), 100);
  auto group = shapes->Range(AllNames(*shapes))->Group();
  EXPECT_DOUBLE_EQ(group->Width(), 200);
  const fs::path saved = dir / "edge.xlsx";
  book->SaveAs(saved.string(), excel::kNoChange);
  pugi::xml_document after;
  LoadDrawing(after, saved);
  EXPECT_EQ(XfrmOf(after, group->Name()).cx, 200 * kEmu);
  EXPECT_EQ(XfrmOf(after, "テキスト ボックス 9").x, 0);
  EXPECT_EQ(XfrmOf(after, line->Name()).x, 100 * kEmu);
}

// A drawing with each kind of anchor and a form control in
// mc:AlternateContent whose id is the largest in the part.
std::string EveryAnchorKindDrawing() {
  auto sp = [](int id, const std::string& name, int64_t x, int64_t y, int64_t cx, int64_t cy) {
    return "<xdr:sp macro=\"\" textlink=\"\"><xdr:nvSpPr><xdr:cNvPr id=\"" + std::to_string(id) + "\" name=\"" + name +
           "\"/><xdr:cNvSpPr/></xdr:nvSpPr><xdr:spPr><a:xfrm><a:off x=\"" + std::to_string(x) + "\" y=\"" +
           std::to_string(y) + "\"/><a:ext cx=\"" + std::to_string(cx) + "\" cy=\"" + std::to_string(cy) +
           "\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom><a:solidFill><a:srgbClr val=\"FF0000\"/>"
           "</a:solidFill></xdr:spPr></xdr:sp>";
  };
  // Columns of the minimal workbook are 64 px (609600 EMU), rows 15 pt (190500 EMU).
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
         "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">"
         "<xdr:twoCellAnchor editAs=\"oneCell\"><xdr:from><xdr:col>1</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>2</xdr:row>"
         "<xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>2</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>4</xdr:row>"
         "<xdr:rowOff>0</xdr:rowOff></xdr:to>" +
         sp(2, "Two", 609600, 381000, 609600, 381000) +
         "<xdr:clientData fPrintsWithSheet=\"0\"/></xdr:twoCellAnchor>"
         "<xdr:oneCellAnchor><xdr:from><xdr:col>3</xdr:col><xdr:colOff>12700</xdr:colOff><xdr:row>1</xdr:row>"
         "<xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:ext cx=\"254000\" cy=\"127000\"/>" +
         sp(3, "One", 1841500, 190500, 254000, 127000) +
         "<xdr:clientData/></xdr:oneCellAnchor>"
         "<xdr:absoluteAnchor><xdr:pos x=\"2540000\" y=\"1270000\"/><xdr:ext cx=\"508000\" cy=\"254000\"/>" +
         sp(4, "Abs", 2540000, 1270000, 508000, 254000) +
         "<xdr:clientData/></xdr:absoluteAnchor>"
         "<mc:AlternateContent xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\">"
         "<mc:Choice xmlns:a14=\"http://schemas.microsoft.com/office/drawing/2010/main\" Requires=\"a14\">"
         "<xdr:twoCellAnchor><xdr:from><xdr:col>0</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>10</xdr:row>"
         "<xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>1</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>11</xdr:row>"
         "<xdr:rowOff>0</xdr:rowOff></xdr:to>" +
         sp(1040, "Button 1", 0, 1905000, 609600, 190500) +
         "<xdr:clientData/></xdr:twoCellAnchor></mc:Choice><mc:Fallback/></mc:AlternateContent></xdr:wsDr>";
}

TEST_F(ExistingShapes, EveryAnchorKindMovesConsistently) {
  const fs::path file = dir / "anchors.xlsx";
  WritePackage(file, MinimalWorkbook(EveryAnchorKindDrawing()));
  auto app = ovix::workbook::CreateApplication();
  auto book = app->Workbooks()->Open(file.string());
  auto shapes = app->Worksheets()->Item("Sheet1")->Shapes();
  ASSERT_EQ(shapes->Count(), 4);
  EXPECT_EQ(AllNames(*shapes), (std::vector<std::string>{"Two", "One", "Abs", "Button 1"}));
  EXPECT_DOUBLE_EQ(shapes->Item("One")->Left(), 3 * 48.0 + 1);
  EXPECT_DOUBLE_EQ(shapes->Item("Abs")->Width(), 40);
  // Ids inside mc:AlternateContent count too.
  EXPECT_GT(shapes->AddLine(0, 0, 10, 10)->Id(), 1040);

  for (int32_t i = 1; i <= 4; ++i) {
    shapes->Item(i)->IncrementLeft(10);
    shapes->Item(i)->IncrementTop(15);
  }
  shapes->Range({"Abs"})->ScaleWidth(2, false, excel::kScaleFromTopLeft);
  shapes->Item("One")->SetName("Renamed");
  book->Save();

  pugi::xml_document after;
  LoadDrawing(after, file);
  const Xfrm two = XfrmOf(after, "Two"), one = XfrmOf(after, "Renamed"), abs = XfrmOf(after, "Abs"),
             button = XfrmOf(after, "Button 1");
  EXPECT_EQ(two.x, 609600 + 10 * kEmu);
  EXPECT_EQ(two.y, 381000 + 15 * kEmu);
  EXPECT_EQ(one.x, 1841500 + 10 * kEmu);
  EXPECT_EQ(abs.x, 2540000 + 10 * kEmu);
  EXPECT_EQ(abs.cx, 2 * 508000);
  EXPECT_EQ(button.y, 1905000 + 15 * kEmu);

  // twoCellAnchor: both cells moved (columns 609600 EMU, rows 190500 EMU),
  // editAs and clientData as they were.
  pugi::xml_node a = AnchorOf(after, "Two");
  EXPECT_STREQ(a.attribute("editAs").value(), "oneCell");
  EXPECT_EQ(a.select_node("xdr:from/xdr:colOff").node().text().as_llong(), 10 * kEmu);
  EXPECT_EQ(a.select_node("xdr:from/xdr:row").node().text().as_int(), 3);  // 15 pt = one row
  EXPECT_EQ(a.select_node("xdr:from/xdr:rowOff").node().text().as_llong(), 0);
  EXPECT_EQ(a.select_node("xdr:to/xdr:col").node().text().as_int(), 2);
  EXPECT_EQ(a.select_node("xdr:to/xdr:row").node().text().as_int(), 5);
  EXPECT_STREQ(a.child("xdr:clientData").attribute("fPrintsWithSheet").value(), "0");
  // oneCellAnchor: the from cell moved, the size kept.
  a = AnchorOf(after, "Renamed");
  EXPECT_EQ(a.select_node("xdr:from/xdr:colOff").node().text().as_llong(), 12700 + 10 * kEmu);
  EXPECT_EQ(a.child("xdr:ext").attribute("cx").as_llong(), 254000);
  // absoluteAnchor: position and (scaled) size.
  a = AnchorOf(after, "Abs");
  EXPECT_EQ(a.child("xdr:pos").attribute("x").as_llong(), 2540000 + 10 * kEmu);
  EXPECT_EQ(a.child("xdr:pos").attribute("y").as_llong(), 1270000 + 15 * kEmu);
  EXPECT_EQ(a.child("xdr:ext").attribute("cx").as_llong(), 2 * 508000);
  // The form control stays in its mc:AlternateContent.
  EXPECT_TRUE(after.select_node("/xdr:wsDr/mc:AlternateContent/mc:Choice[@Requires='a14']/xdr:twoCellAnchor"
                                "/xdr:sp/xdr:nvSpPr/xdr:cNvPr[@name='Button 1']")
                  .node());
}

TEST_F(ExistingShapes, AGroupKeepsItsLoadedMembersMarkup) {
  const fs::path file = dir / "group.xlsx";
  WritePackage(file, MinimalWorkbook(EveryAnchorKindDrawing()));
  auto app = ovix::workbook::CreateApplication();
  auto book = app->Workbooks()->Open(file.string());
  auto shapes = app->Worksheets()->Item("Sheet1")->Shapes();
  auto line = shapes->AddLine(300, 300, 400, 350);
  auto group = shapes->Range({"Two", "Button 1", line->Name()})->Group();
  group->IncrementLeft(5);
  EXPECT_EQ(shapes->Count(), 3);
  // Formatting would be lost on a loaded shape, so it is refused.
  EXPECT_THROW(shapes->Item("Abs")->Line(), excel::AutomationError);
  book->Save();

  pugi::xml_document after;
  LoadDrawing(after, file);
  const std::string query = "//xdr:grpSp[xdr:nvGrpSpPr/xdr:cNvPr[@name='" + group->Name() + "']]";
  const pugi::xml_node grp = after.select_node(query.c_str()).node();
  ASSERT_TRUE(grp);
  // The loaded shape keeps its own markup (its fill) and moved with the group.
  const pugi::xml_node two = grp.select_node("xdr:sp[xdr:nvSpPr/xdr:cNvPr[@name='Two']]").node();
  ASSERT_TRUE(two);
  EXPECT_TRUE(two.select_node("xdr:spPr/a:solidFill/a:srgbClr[@val='FF0000']").node());
  EXPECT_EQ(XfrmOf(after, "Two").x, 609600 + 5 * kEmu);
  // The form control is a member in its mc:AlternateContent, without anchor.
  EXPECT_TRUE(grp.select_node("mc:AlternateContent/mc:Choice/xdr:sp/xdr:nvSpPr/xdr:cNvPr[@name='Button 1']").node());
  EXPECT_FALSE(grp.select_node(".//xdr:twoCellAnchor").node());
  EXPECT_EQ(XfrmOf(after, "Button 1").x, 5 * kEmu);
}

TEST_F(ExistingShapes, NewShapesTakeNoNameOfAShapeInsideALoadedGroup) {
  const std::string drawing =
      "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
      "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><xdr:absoluteAnchor><xdr:pos x=\"0\" y=\"0\"/>"
      "<xdr:ext cx=\"12700\" cy=\"12700\"/><xdr:grpSp><xdr:nvGrpSpPr><xdr:cNvPr id=\"2\" name=\"Group 1\"/>"
      "<xdr:cNvGrpSpPr/></xdr:nvGrpSpPr><xdr:grpSpPr/><xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"3\" name=\"Line 3\"/>"
      "<xdr:cNvSpPr/></xdr:nvSpPr><xdr:spPr/></xdr:sp></xdr:grpSp><xdr:clientData/></xdr:absoluteAnchor></xdr:wsDr>";
  const fs::path file = dir / "names.xlsx";
  WritePackage(file, MinimalWorkbook(drawing));
  auto app = ovix::workbook::CreateApplication();
  app->Workbooks()->Open(file.string());
  auto shapes = app->Worksheets()->Item("Sheet1")->Shapes();
  auto line = shapes->AddLine(0, 0, 10, 10);
  EXPECT_NE(line->Name(), "Line 3");
  EXPECT_GT(line->Id(), 3);
  EXPECT_THROW(line->SetName("Line 3"), excel::AutomationError);
  EXPECT_THROW(line->SetName("Group 1"), excel::AutomationError);
}

TEST_F(ExistingShapes, PageSetupOfAnOpenedSheetChangesOnlyWhatWasSet) {
  OVIX_REQUIRE_SHARED(original, "ooxml-reference/xlsx/nissl-lab__npoi__TestBuildFreeform.xlsx");
  const std::string sheet_before = ReadPart(original, "xl/worksheets/sheet1.xml");
  auto app = ovix::workbook::CreateApplication();
  auto book = app->Workbooks()->Open(original.string());
  auto sheet = app->Worksheets()->Item("Sheet1");
  auto page = sheet->PageSetup();
  EXPECT_DOUBLE_EQ(page->LeftMargin(), 0.7 * 72);
  page->SetPaperSize(excel::kPaperA3);
  page->SetOrientation(excel::kLandscape);
  page->SetCenterHorizontally(true);
  page->SetLeftMargin(36);
  page->SetCenterFooter("&P");
  page->SetPrintArea("A1:K40");
  const fs::path saved = dir / "page.xlsx";
  book->SaveAs(saved.string(), excel::kNoChange);

  pugi::xml_document s;
  ASSERT_TRUE(s.load_string(ReadPart(saved, "xl/worksheets/sheet1.xml").c_str()));
  const pugi::xml_node root = s.document_element();
  EXPECT_STREQ(root.child("pageSetup").attribute("paperSize").value(), "8");
  EXPECT_STREQ(root.child("pageSetup").attribute("orientation").value(), "landscape");
  EXPECT_STREQ(root.child("printOptions").attribute("horizontalCentered").value(), "1");
  EXPECT_STREQ(root.child("pageMargins").attribute("left").value(), "0.5");
  EXPECT_STREQ(root.child("pageMargins").attribute("right").value(), "0.7");
  EXPECT_STREQ(root.child("headerFooter").child("oddFooter").text().get(), "&C&P");
  // Everything Excel wrote stays: namespaces, mc:Ignorable, the uid.
  EXPECT_STREQ(root.attribute("mc:Ignorable").value(), "x14ac xr xr2 xr3");
  EXPECT_TRUE(root.attribute("xr:uid"));
  // Elements in schema order: printOptions before pageMargins before
  // pageSetup before headerFooter before drawing.
  std::vector<std::string> order;
  for (pugi::xml_node c : root.children()) order.push_back(c.name());
  auto at = [&](const char* n) { return std::find(order.begin(), order.end(), n) - order.begin(); };
  EXPECT_LT(at("printOptions"), at("pageMargins"));
  EXPECT_LT(at("pageMargins"), at("pageSetup"));
  EXPECT_LT(at("pageSetup"), at("headerFooter"));
  EXPECT_LT(at("headerFooter"), at("drawing"));
  pugi::xml_document w;
  ASSERT_TRUE(w.load_string(ReadPart(saved, "xl/workbook.xml").c_str()));
  EXPECT_STREQ(w.select_node("//definedName[@name='_xlnm.Print_Area'][@localSheetId='0']").node().text().get(),
               "Sheet1!$A$1:$K$40");

  // Read back, the page setup is what was set.
  auto again = ovix::workbook::CreateApplication();
  again->Workbooks()->Open(saved.string());
  auto reread = again->Worksheets()->Item("Sheet1")->PageSetup();
  EXPECT_EQ(reread->PaperSize(), excel::kPaperA3);
  EXPECT_EQ(reread->CenterFooter(), "&P");
  EXPECT_EQ(reread->PrintArea(), "$A$1:$K$40");
  EXPECT_DOUBLE_EQ(reread->LeftMargin(), 36);

  // And the sheet part validates (after the markup-compatibility filter).
  if (HasProgram("xmllint")) {
    const fs::path part = dir / "sheet1.xml";
    WriteFileBytes(part, ReadPart(saved, "xl/worksheets/sheet1.xml"));
    const fs::path schema = SourceDir() / "tests/data/ooxml-schemas/sml.xsd";
    const CommandResult r = RunCommand(
        "perl -0pe 's/\\s(?:mc:Ignorable|x14ac:\\w+|xr\\d*:\\w+)=\"[^\"]*\"//g' " + ShellQuote(part.string()) +
        " | xmllint --noout --schema " + ShellQuote(schema.string()) + " -");
    EXPECT_EQ(r.exit_code, 0) << r.output;
  }
}

TEST_F(ExistingShapes, OpeningAnOpenWorkbookAgainReadsTheFileAgain) {
  const fs::path file = dir / "open-twice.xlsx";
  auto app = ovix::workbook::CreateApplication();
  app->Workbooks()->Add();
  app->Worksheets()->Item("Sheet1")->Shapes()->AddLine(10, 10, 50, 50);
  app->ActiveWorkbook()->SaveAs(file.string(), excel::kNoChange);
  auto first = app->ActiveWorkbook();
  // The open copy goes on without being saved ...
  app->Worksheets()->Item("Sheet1")->Shapes()->AddLine(60, 60, 90, 90);
  // ... while another program replaces the file.
  {
    auto other = ovix::workbook::CreateApplication();
    other->Workbooks()->Open(file.string());
    auto shapes = other->Worksheets()->Item("Sheet1")->Shapes();
    shapes->AddShape(excel::kShapeOval, 100, 100, 20, 20);
    shapes->AddShape(excel::kShapeOval, 130, 100, 20, 20);
    other->ActiveWorkbook()->Save();
  }
  auto reopened = app->Workbooks()->Open((dir.path() / "." / "open-twice.xlsx").string());
  // The file's content, not the stale copy's.
  EXPECT_EQ(app->Worksheets()->Item("Sheet1")->Shapes()->Count(), 3);
  EXPECT_EQ(app->Workbooks()->Count(), 1);
  EXPECT_THROW(first->Name(), excel::AutomationError);
  EXPECT_EQ(reopened->Name(), "open-twice.xlsx");
}

TEST_F(ExistingShapes, AnOpenedWorkbookKeepsItsFormatWhenSaved) {
  const fs::path file = dir / "book.xlsx";
  WritePackage(file, MinimalWorkbook());
  auto app = ovix::workbook::CreateApplication();
  auto book = app->Workbooks()->Open(file.string());
  EXPECT_THROW(book->SaveAs((dir / "book.xlsm").string(), excel::kNoChange), excel::AutomationError);
  EXPECT_FALSE(fs::exists(dir / "book.xlsm"));
  // A new drawing part gets its wiring: override, relationship, element.
  app->Worksheets()->Item("Sheet1")->Shapes()->AddLine(0, 0, 10, 10);
  book->Save();
  const auto parts = ReadPackage(file);
  ASSERT_TRUE(parts.count("xl/drawings/drawing1.xml"));
  EXPECT_NE(parts.at("[Content_Types].xml").find("/xl/drawings/drawing1.xml"), std::string::npos);
  EXPECT_NE(parts.at("xl/worksheets/_rels/sheet1.xml.rels").find("../drawings/drawing1.xml"), std::string::npos);
  EXPECT_NE(parts.at("xl/worksheets/sheet1.xml").find("<drawing r:id=\"rId1\"/></worksheet>"), std::string::npos);
  // Saving twice writes the same package.
  book->Save();
  EXPECT_EQ(ReadPackage(file), parts);
}

}  // namespace
