// The saved package: wiring, anchors, geometry, text, page setup, and atomic
// saving.
#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <signal.h>
#include <sys/resource.h>

#include <cmath>
#include <set>

#include "excel/excel_automation.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/package_reader.h"
#include "tests/workbook/showcase_workbook.h"
#include "workbook/workbook_engine.h"

namespace {

namespace fs = std::filesystem;
using ovix::testing::ReadPackage;
using ovix::testing::TempDir;

pugi::xml_document Parse(const std::string& xml) {
  pugi::xml_document doc;
  const auto result = doc.load_string(xml.c_str());
  EXPECT_TRUE(result) << result.description();
  return doc;
}

class SavedWorkbook : public ::testing::Test {
 protected:
  void SetUp() override {
    app = ovix::workbook::CreateApplication();
    app->Workbooks()->Add();
    sheet = app->Worksheets()->Item("Sheet1");
    shapes = sheet->Shapes();
  }

  std::map<std::string, std::string> Save() {
    const fs::path file = dir / "book.xlsx";
    app->ActiveWorkbook()->SaveAs(file.string(), excel::kNoChange);
    return ReadPackage(file);
  }

  // The drawing's shape with cNvPr name `name` (its sp, cxnSp or grpSp).
  static pugi::xml_node ShapeNamed(const pugi::xml_document& doc, const std::string& name) {
    const std::string query = "//*[*/xdr:cNvPr[@name='" + name + "']]";
    return doc.select_node(query.c_str()).node();
  }

  TempDir dir;
  std::shared_ptr<excel::Application> app;
  std::shared_ptr<excel::Worksheet> sheet;
  std::shared_ptr<excel::Shapes> shapes;
};

TEST_F(SavedWorkbook, EveryPartIsWiredAndEveryRelationshipResolves) {
  const fs::path file = dir / "showcase.xlsx";
  ovix::testing::showcase::BuildAndSave(*app, file.string());
  const auto parts = ReadPackage(file);
  const auto types = Parse(parts.at("[Content_Types].xml"));
  std::set<std::string> overrides;
  for (auto o : types.child("Types").children("Override")) overrides.insert(o.attribute("PartName").value());
  for (const auto& [name, data] : parts) {
    Parse(data);  // every part is well-formed XML
    const bool is_rels = name.size() > 5 && name.substr(name.size() - 5) == ".rels";
    if (name != "[Content_Types].xml" && !is_rels) {
      EXPECT_TRUE(overrides.count("/" + name)) << name << " has no content type";
    }
    if (!is_rels) continue;
    // Targets are relative to the folder above _rels/.
    const std::string owner_dir = name.substr(0, name.find("_rels/"));
    const auto rels = Parse(data);  // the document must outlive its nodes
    for (auto rel : rels.child("Relationships").children("Relationship")) {
      const fs::path target = fs::path(owner_dir) / rel.attribute("Target").value();
      const std::string resolved = target.lexically_normal().generic_string();
      EXPECT_TRUE(parts.count(resolved)) << name << " points at missing " << resolved;
    }
  }
  for (const std::string& o : overrides) EXPECT_TRUE(parts.count(o.substr(1))) << o;
  const auto sheet_xml = Parse(parts.at("xl/worksheets/sheet1.xml"));
  EXPECT_STREQ(sheet_xml.child("worksheet").child("drawing").attribute("r:id").value(), "rId1");
  // The default font is pinned, so the default column is 72 pixels wide.
  const auto styles = Parse(parts.at("xl/styles.xml"));
  EXPECT_STREQ(styles.select_node("//font/name").node().attribute("val").value(), "ＭＳ Ｐゴシック");
  EXPECT_STREQ(sheet_xml.select_node("//sheetFormatPr").node().attribute("defaultRowHeight").value(),
               "13.5");
}

// A new sheet's shapes are anchored absolutely at their a:xfrm, so that
// their places hold whatever widths a reader gives the columns (the widths
// follow the default font, which LibreOffice and many machines lack).
TEST_F(SavedWorkbook, AnchorsMatchTheShapesPositionsFarFromTheOrigin) {
  shapes->AddLine(6500, 6500, 6860.25, 6700.5);
  shapes->AddShape(excel::kShapeOval, 6510.5, 6620, 100, 30);
  shapes->Range({"Line 1", "Oval 2"})->Group();
  shapes->AddTextbox(excel::kOrientationHorizontal, 30, 40, 50, 60);
  const auto doc = Parse(Save().at("xl/drawings/drawing1.xml"));
  EXPECT_FALSE(doc.child("xdr:wsDr").child("xdr:twoCellAnchor"));
  int anchors = 0;
  for (auto anchor : doc.child("xdr:wsDr").children("xdr:absoluteAnchor")) {
    ++anchors;
    const auto shape = anchor.child("xdr:cxnSp") ? anchor.child("xdr:cxnSp")
                       : anchor.child("xdr:sp")  ? anchor.child("xdr:sp")
                                                 : anchor.child("xdr:grpSp");
    const auto xfrm = shape.select_node(".//a:xfrm").node();
    EXPECT_EQ(anchor.child("xdr:pos").attribute("x").as_llong(), xfrm.child("a:off").attribute("x").as_llong());
    EXPECT_EQ(anchor.child("xdr:pos").attribute("y").as_llong(), xfrm.child("a:off").attribute("y").as_llong());
    EXPECT_EQ(anchor.child("xdr:ext").attribute("cx").as_llong(), xfrm.child("a:ext").attribute("cx").as_llong());
    EXPECT_EQ(anchor.child("xdr:ext").attribute("cy").as_llong(), xfrm.child("a:ext").attribute("cy").as_llong());
    EXPECT_TRUE(anchor.child("xdr:clientData"));
  }
  EXPECT_EQ(anchors, 2);
  const auto group = ShapeNamed(doc, "Group 3");
  const auto gx = group.select_node("xdr:grpSpPr/a:xfrm").node();
  EXPECT_EQ(gx.child("a:off").attribute("x").as_llong(), 6500 * 12700);
  EXPECT_EQ(gx.child("a:chOff").attribute("x").as_llong(), 6500 * 12700);
  EXPECT_EQ(gx.child("a:ext").attribute("cx").as_llong(), gx.child("a:chExt").attribute("cx").as_llong());
  EXPECT_EQ(gx.child("a:ext").attribute("cx").as_llong(), std::llround(360.25 * 12700));
}

TEST_F(SavedWorkbook, LinesCarryFlipsStyleAndArrowheads) {
  auto line = shapes->AddLine(200, 100, 100, 150);  // leftwards and downwards
  line->Line()->SetWeight(1.5);
  line->Line()->SetDashStyle(excel::kLineLongDashDot);
  line->Line()->SetStyle(excel::kLineThinThin);
  line->Line()->SetTransparency(0.25);
  line->Line()->ForeColor()->SetSchemeColor(13);
  line->Line()->SetBeginArrowheadStyle(excel::kArrowheadStealth);
  line->Line()->SetBeginArrowheadLength(excel::kArrowheadLong);
  line->Line()->SetEndArrowheadStyle(excel::kArrowheadOpen);
  line->Line()->SetEndArrowheadWidth(excel::kArrowheadNarrow);
  shapes->AddLine(100, 150, 200, 100);  // rightwards and upwards
  const auto doc = Parse(Save().at("xl/drawings/drawing1.xml"));
  const auto first = ShapeNamed(doc, "Line 1");
  const auto xfrm = first.select_node(".//a:xfrm").node();
  EXPECT_STREQ(xfrm.attribute("flipH").value(), "1");
  EXPECT_FALSE(xfrm.attribute("flipV"));
  const auto ln = first.select_node(".//a:ln").node();
  EXPECT_EQ(ln.attribute("w").as_llong(), 19050);
  EXPECT_STREQ(ln.attribute("cmpd").value(), "dbl");
  EXPECT_STREQ(ln.select_node("a:solidFill/a:srgbClr").node().attribute("val").value(), "FFFF00");
  EXPECT_EQ(ln.select_node(".//a:alpha").node().attribute("val").as_int(), 75000);
  EXPECT_STREQ(ln.child("a:prstDash").attribute("val").value(), "lgDashDot");
  EXPECT_STREQ(ln.child("a:headEnd").attribute("type").value(), "stealth");
  EXPECT_STREQ(ln.child("a:headEnd").attribute("len").value(), "lg");
  EXPECT_STREQ(ln.child("a:tailEnd").attribute("type").value(), "arrow");
  EXPECT_STREQ(ln.child("a:tailEnd").attribute("w").value(), "sm");
  const auto second = ShapeNamed(doc, "Line 2").select_node(".//a:xfrm").node();
  EXPECT_FALSE(second.attribute("flipH"));
  EXPECT_STREQ(second.attribute("flipV").value(), "1");
}

TEST_F(SavedWorkbook, ArcIsThePresetOnTheWholeCircleWithConvertedAngles) {
  auto arc = shapes->AddShape(excel::kShapeArc, 6400, 6300, 200, 200);
  arc->Select(true);
  auto range = app->Selection()->ShapeRange();
  range->ScaleWidth(0.5, false, excel::kScaleFromBottomRight);
  range->ScaleHeight(0.5, false, excel::kScaleFromTopLeft);
  range->Adjustments()->SetItem(1, 200);
  range->Adjustments()->SetItem(2, -30);
  range->Line()->SetBeginArrowheadStyle(excel::kArrowheadTriangle);
  // An arc whose circle would reach past the sheet's left edge.
  auto edge = shapes->AddShape(excel::kShapeArc, 5, 100, 40, 40);
  const auto doc = Parse(Save().at("xl/drawings/drawing1.xml"));
  const auto sp = ShapeNamed(doc, "Arc 1");
  EXPECT_STREQ(sp.select_node(".//a:prstGeom").node().attribute("prst").value(), "arc");
  EXPECT_STREQ(sp.select_node(".//a:gd[@name='adj1']").node().attribute("fmla").value(), "val 9600000");
  EXPECT_STREQ(sp.select_node(".//a:gd[@name='adj2']").node().attribute("fmla").value(), "val 1800000");
  const auto xfrm = sp.select_node(".//a:xfrm").node();
  EXPECT_EQ(xfrm.child("a:off").attribute("x").as_llong(), 6400 * 12700);
  EXPECT_EQ(xfrm.child("a:off").attribute("y").as_llong(), 6300 * 12700);
  EXPECT_EQ(xfrm.child("a:ext").attribute("cx").as_llong(), 200 * 12700);
  EXPECT_TRUE(sp.select_node(".//a:noFill"));
  // The preset's path runs from the end angle back to the start angle, so the
  // arrowhead at the arc's beginning is the path's tail.
  EXPECT_STREQ(sp.select_node(".//a:tailEnd").node().attribute("type").value(), "triangle");
  const auto custom = ShapeNamed(doc, "Arc 2");
  EXPECT_TRUE(custom.select_node(".//a:custGeom/a:pathLst/a:path/a:cubicBezTo"));
  EXPECT_GE(custom.select_node(".//a:xfrm/a:off").node().attribute("x").as_llong(), 0);
  (void)edge;
}

TEST_F(SavedWorkbook, FreeformIsACubicPathInTheShapesOwnSpace) {
  auto builder = shapes->BuildFreeform(excel::kEditingAuto, 100, 200);
  builder->AddNodes(excel::kSegmentCurve, excel::kEditingAuto, 150, 150);
  builder->AddNodes(excel::kSegmentCurve, excel::kEditingAuto, 200, 200);
  builder->AddNodes(excel::kSegmentLine, excel::kEditingAuto, 200, 250);
  auto curve = builder->ConvertToShape();
  curve->Select(true);
  app->Selection()->ShapeRange()->ScaleWidth(2, false, excel::kScaleFromTopLeft);
  const auto doc = Parse(Save().at("xl/drawings/drawing1.xml"));
  const auto sp = ShapeNamed(doc, "Freeform 1");
  const auto ext = sp.select_node(".//a:xfrm/a:ext").node();
  const auto path = sp.select_node(".//a:path").node();
  EXPECT_EQ(path.attribute("w").as_llong(), ext.attribute("cx").as_llong());
  EXPECT_EQ(path.attribute("h").as_llong(), ext.attribute("cy").as_llong());
  EXPECT_EQ(ext.attribute("cx").as_llong(), 200 * 12700);
  EXPECT_EQ(path.select_nodes("a:cubicBezTo").size(), 2u);
  const auto last = path.select_node("a:lnTo/a:pt").node();
  EXPECT_EQ(last.attribute("x").as_llong(), 200 * 12700);
  EXPECT_EQ(last.attribute("y").as_llong(), ext.attribute("cy").as_llong());
}

TEST_F(SavedWorkbook, NodesWithTheirOwnControlPointsAndRotationsAreWrittenAsGiven) {
  auto builder = shapes->BuildFreeform(excel::kEditingCorner, 100, 100);
  builder->AddNodes(excel::kSegmentCurve, excel::kEditingCorner, 100, 50, 150, 0, 200, 0);
  builder->AddNodes(excel::kSegmentLine, excel::kEditingCorner, 200, 100);
  EXPECT_THROW(builder->AddNodes(excel::kSegmentLine, excel::kEditingCorner, 1, 1, 2, 2, 3, 3),
               excel::AutomationError);
  auto curve = builder->ConvertToShape();
  // The frame is the curve's own box (its control points lie on it here).
  EXPECT_DOUBLE_EQ(curve->Left(), 100);
  EXPECT_DOUBLE_EQ(curve->Top(), 0);
  auto box = shapes->AddTextbox(excel::kOrientationHorizontal, 10, 10, 100, 20);
  box->SetRotation(-30);
  EXPECT_DOUBLE_EQ(box->Rotation(), 330);
  const auto doc = Parse(Save().at("xl/drawings/drawing1.xml"));
  const auto bezier = ShapeNamed(doc, "Freeform 1").select_node(".//a:cubicBezTo").node();
  const auto first = bezier.child("a:pt");
  EXPECT_EQ(first.attribute("x").as_llong(), 0);
  EXPECT_EQ(first.attribute("y").as_llong(), 50 * 12700);
  EXPECT_EQ(first.next_sibling("a:pt").attribute("x").as_llong(), 50 * 12700);
  EXPECT_EQ(ShapeNamed(doc, "TextBox 2").select_node(".//a:xfrm").node().attribute("rot").as_llong(),
            330 * 60000);
  EXPECT_FALSE(ShapeNamed(doc, "Freeform 1").select_node(".//a:xfrm").node().attribute("rot"));
}

TEST_F(SavedWorkbook, TextBoxesCarryParagraphsFontsAndOrientation) {
  auto box = shapes->AddTextbox(excel::kOrientationDownward, 10, 10, 100, 100);
  box->Select(true);
  auto selection = app->Selection();
  selection->Characters(1, 0)->SetText("寸法<A&B>\n2行目\r\nend");
  auto font = selection->Characters(1, 3)->Font();
  font->SetName("ＭＳ 明朝");
  font->SetSize(14.5);
  font->SetFontStyle("太字 斜体");
  font->SetUnderline(true);
  font->SetColorIndex(5);
  selection->Characters(4, 0)->Font()->SetName("Arial");
  selection->SetHorizontalAlignment(excel::kAlignCenter);
  selection->SetAutoSize(true);
  selection->ShapeRange()->Fill()->SetVisible(excel::kFalse);
  selection->ShapeRange()->Line()->SetVisible(excel::kFalse);
  const auto doc = Parse(Save().at("xl/drawings/drawing1.xml"));
  const auto sp = ShapeNamed(doc, "TextBox 1");

  EXPECT_STREQ(sp.select_node("xdr:nvSpPr/xdr:cNvSpPr").node().attribute("txBox").value(), "1");
  EXPECT_STREQ(sp.select_node("xdr:spPr/a:noFill").node().name(), "a:noFill");
  EXPECT_TRUE(sp.select_node("xdr:spPr/a:ln/a:noFill"));
  const auto body_pr = sp.select_node(".//a:bodyPr").node();
  EXPECT_STREQ(body_pr.attribute("vert").value(), "vert");
  EXPECT_STREQ(body_pr.attribute("wrap").value(), "none");
  EXPECT_TRUE(body_pr.child("a:spAutoFit"));
  const auto paragraphs = sp.select_nodes(".//a:p");
  ASSERT_EQ(paragraphs.size(), 3u);
  const auto first_run = paragraphs[0].node().child("a:r");
  EXPECT_STREQ(first_run.child("a:t").text().get(), "寸法<");
  const auto rpr = first_run.child("a:rPr");
  EXPECT_EQ(rpr.attribute("sz").as_int(), 1450);
  EXPECT_STREQ(rpr.attribute("b").value(), "1");
  EXPECT_STREQ(rpr.attribute("i").value(), "1");
  EXPECT_STREQ(rpr.attribute("u").value(), "sng");
  EXPECT_STREQ(rpr.select_node("a:solidFill/a:srgbClr").node().attribute("val").value(), "0000FF");
  EXPECT_STREQ(rpr.child("a:latin").attribute("typeface").value(), "ＭＳ 明朝");
  EXPECT_STREQ(rpr.child("a:ea").attribute("typeface").value(), "ＭＳ 明朝");
  // A Latin font name changes the Latin characters' font only.
  const auto later = paragraphs[0].node().last_child().previous_sibling();
  EXPECT_STREQ(later.child("a:t").text().get(), "A&B>");
  EXPECT_STREQ(later.select_node("a:rPr/a:latin").node().attribute("typeface").value(), "Arial");
  EXPECT_STREQ(later.select_node("a:rPr/a:ea").node().attribute("typeface").value(), "ＭＳ Ｐゴシック");
  EXPECT_STREQ(paragraphs[0].node().select_node("a:pPr").node().attribute("algn").value(), "ctr");
  EXPECT_STREQ(paragraphs[2].node().select_node("a:r/a:t").node().text().get(), "end");
}

TEST_F(SavedWorkbook, IdsAreUniqueAndOddNamesStayWellFormed) {
  shapes->AddLine(0, 0, 1, 1)->SetName("a\"b<c>&\x01\xFF");
  for (int i = 0; i < 4; ++i) shapes->AddShape(excel::kShapeOval, 10 * i, 0, 5, 5);
  shapes->Range({"Oval 2", "Oval 3"})->Group();
  shapes->Range({"Group 6", "Oval 4"})->Group();
  const auto doc = Parse(Save().at("xl/drawings/drawing1.xml"));
  std::set<std::string> ids;
  for (auto n : doc.select_nodes("//xdr:cNvPr")) {
    EXPECT_TRUE(ids.insert(n.node().attribute("id").value()).second) << "duplicate id";
  }
  EXPECT_EQ(ids.size(), 7u);
  EXPECT_STREQ(doc.select_node("//xdr:cNvPr[@id='2']").node().attribute("name").value(),
               "a\"b<c>&\xEF\xBF\xBD");
}

TEST_F(SavedWorkbook, ALargeDrawingWrittenInPiecesOnSeveralThreadsKeepsItsShapesInOrder) {
  // Several megabytes of XML: written and compressed in pieces, on worker
  // threads, and joined in z-order.
  std::vector<std::string> names;
  for (int i = 0; i < 10000; ++i) {
    auto shape = i % 5 == 4 ? shapes->AddTextbox(excel::kOrientationHorizontal, i % 700, i / 10, 80, 20)
                            : shapes->AddLine(i % 700, i / 10, i % 700 + 30, i / 10 + 5);
    if (i % 5 == 4) {
      shape->Select(true);
      app->Selection()->Characters(1, 0)->SetText("図面 " + std::to_string(i));
    }
    names.push_back(shape->Name());
  }
  shapes->Range({names[10], names[11]})->Group();
  names.push_back(names[11]);  // the group stands where its frontmost member was
  const std::string xml = Save().at("xl/drawings/drawing1.xml");
  ASSERT_GT(xml.size(), size_t{5} << 20);
  const auto doc = Parse(xml);
  std::vector<std::string> written;
  for (auto n : doc.select_nodes("/xdr:wsDr/xdr:absoluteAnchor/*/*/xdr:cNvPr")) {
    written.push_back(n.node().attribute("name").value());
  }
  ASSERT_EQ(written.size(), 9999u);
  EXPECT_EQ(written[10], "Group 10001");
  written.erase(written.begin() + 10);
  std::vector<std::string> expected(names.begin(), names.begin() + 10000);
  expected.erase(expected.begin() + 10, expected.begin() + 12);
  EXPECT_EQ(written, expected);
  EXPECT_EQ(doc.select_nodes("//a:t").size(), 2000u);
}

TEST_F(SavedWorkbook, PageSetupGoesToTheSheetAndDefinedNames) {
  auto page = sheet->PageSetup();
  page->SetPaperSize(excel::kPaperB4);
  page->SetOrientation(excel::kLandscape);
  page->SetZoom(75);
  page->SetLeftMargin(36);
  page->SetFirstPageNumber(3);
  page->SetOrder(excel::kOverThenDown);
  page->SetBlackAndWhite(true);
  page->SetPrintGridlines(true);
  page->SetCenterHeader("&P / &N");
  page->SetRightFooter("図面");
  page->SetPrintTitleRows("$1:$2");
  page->SetPrintArea("A1:K40");
  const auto parts = Save();
  EXPECT_EQ(parts.count("xl/drawings/drawing1.xml"), 0u);  // no shapes, no drawing
  const auto sheet = Parse(parts.at("xl/worksheets/sheet1.xml"));
  const auto ws = sheet.child("worksheet");
  EXPECT_FALSE(ws.child("drawing"));
  const auto setup = ws.child("pageSetup");
  EXPECT_EQ(setup.attribute("paperSize").as_int(), 12);
  EXPECT_STREQ(setup.attribute("orientation").value(), "landscape");
  EXPECT_EQ(setup.attribute("scale").as_int(), 75);
  EXPECT_EQ(setup.attribute("firstPageNumber").as_int(), 3);
  EXPECT_STREQ(setup.attribute("useFirstPageNumber").value(), "1");
  EXPECT_STREQ(setup.attribute("pageOrder").value(), "overThenDown");
  EXPECT_STREQ(setup.attribute("blackAndWhite").value(), "1");
  EXPECT_STREQ(ws.child("pageMargins").attribute("left").value(), "0.5");
  EXPECT_STREQ(ws.child("pageMargins").attribute("right").value(), "0.7");  // the default
  EXPECT_STREQ(ws.child("printOptions").attribute("gridLines").value(), "1");
  EXPECT_STREQ(ws.child("headerFooter").child("oddHeader").text().get(), "&C&P / &N");
  EXPECT_STREQ(ws.child("headerFooter").child("oddFooter").text().get(), "&R図面");
  const auto book = Parse(parts.at("xl/workbook.xml"));
  const auto names = book.select_nodes("//definedName");
  ASSERT_EQ(names.size(), 2u);
  EXPECT_STREQ(names[0].node().text().get(), "Sheet1!$A$1:$K$40");
  EXPECT_STREQ(names[1].node().attribute("name").value(), "_xlnm.Print_Titles");
  EXPECT_STREQ(names[1].node().text().get(), "Sheet1!$1:$2");
}

TEST_F(SavedWorkbook, SavingFollowsTheExtensionAndRecordsTheFile) {
  auto book = app->ActiveWorkbook();
  // .xlsx and .xls name the formats the engine writes; any other extension
  // is refused.
  EXPECT_THROW(book->SaveAs((dir / "book.xlsb").string(), excel::kNoChange), excel::AutomationError);
  EXPECT_FALSE(fs::exists(dir / "book.xlsb"));
  shapes->AddLine(0, 0, 1, 1);
  book->SaveAs((dir / "Drawing.XLSX").string(), excel::kNoChange);
  EXPECT_EQ(book->Name(), "Drawing.XLSX");
  EXPECT_EQ(book->FullName(), (dir / "Drawing.XLSX").string());
  EXPECT_TRUE(book->Saved());
  shapes->AddLine(0, 0, 2, 2);
  EXPECT_FALSE(book->Saved());
  book->Save();
  EXPECT_TRUE(book->Saved());
  EXPECT_EQ(ReadPackage(dir / "Drawing.XLSX").count("xl/drawings/drawing1.xml"), 1u);
}

// Files of the folder other than `keep`.
std::vector<std::string> OtherFiles(const fs::path& folder, const std::string& keep) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) {
    if (e.path().filename() != keep) names.push_back(e.path().filename().string());
  }
  return names;
}

TEST_F(SavedWorkbook, AFailedSaveLeavesTheOldFileAndNoTemporaryFile) {
  const fs::path target = dir / "old.xlsx";
  ovix::testing::WriteFileBytes(target, "previous contents");
  for (int i = 0; i < 2000; ++i) shapes->AddShape(excel::kShapeOval, i, i, 10, 10);

  // The write fails midway: files may not grow past 4 KB.
  struct rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  struct rlimit small = old_limit;
  small.rlim_cur = 4096;
  auto* old_handler = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  EXPECT_THROW(app->ActiveWorkbook()->SaveAs(target.string(), excel::kNoChange),
               excel::AutomationError);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);
  EXPECT_EQ(ovix::testing::ReadFileBytes(target), "previous contents");
  EXPECT_TRUE(OtherFiles(dir.path(), "old.xlsx").empty());
  EXPECT_EQ(app->ActiveWorkbook()->FullName(), "");

  // A folder of that name, or a folder that does not exist.
  fs::create_directory(dir / "taken.xlsx");
  EXPECT_THROW(app->ActiveWorkbook()->SaveAs((dir / "taken.xlsx").string(), excel::kNoChange),
               excel::AutomationError);
  EXPECT_TRUE(fs::is_directory(dir / "taken.xlsx"));
  EXPECT_THROW(app->ActiveWorkbook()->SaveAs((dir / "missing" / "a.xlsx").string(), excel::kNoChange),
               excel::AutomationError);

  // A save that succeeds replaces the old file whole.
  app->ActiveWorkbook()->SaveAs(target.string(), excel::kNoChange);
  EXPECT_EQ(ReadPackage(target).count("xl/workbook.xml"), 1u);
  EXPECT_EQ(OtherFiles(dir.path(), "old.xlsx").size(), 1u);  // only the folder "taken.xlsx"
}

}  // namespace
