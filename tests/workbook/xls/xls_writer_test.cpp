// The .xls writer at record level: the compound file and its streams, the
// order of records as Excel writes them (checked on Excel-made references
// too), shape ids and their clusters, a freeform continued past 8,224 bytes,
// text runs and fonts, the format's limits, and the choice of format by the
// file name.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

#include "excel/excel_automation.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/showcase_workbook.h"
#include "tests/workbook/xls/xls_file_reader.h"
#include "workbook/workbook_engine.h"

namespace ovix::testing {
namespace {

namespace fs = std::filesystem;
using namespace ovix::testing::xls;

constexpr uint16_t kBof = 0x0809, kEof = 0x000A, kMsoDrawing = 0x00EC, kObj = 0x005D,
                   kTxo = 0x01B6, kContinue = 0x003C, kWindow2 = 0x023E, kDimensions = 0x0200,
                   kBoundSheet = 0x0085, kMsoDrawingGroup = 0x00EB, kSst = 0x00FC, kFont = 0x0031,
                   kXf = 0x00E0, kSetup = 0x00A1;

uint16_t U16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | (static_cast<uint8_t>(s[at + 1]) << 8));
}

size_t IndexOf(const std::vector<Record>& records, uint16_t type) {
  for (size_t i = 0; i < records.size(); ++i) {
    if (records[i].type == type) return i;
  }
  return records.size();
}

// Every OBJ follows the drawing data of its shape and every TXO the 8-byte
// MSODRAWING of a text box's text record; a TXO with text has its characters
// and its runs in the CONTINUE records right after it. Excel 2000 also puts
// drawing data in CONTINUE records after an OBJ (`own`: not in ours).
void ExpectDrawingRecordPattern(const std::vector<Record>& sheet, bool own) {
  for (size_t i = 0; i < sheet.size(); ++i) {
    if (sheet[i].type == kObj) {
      ASSERT_GT(i, 0u);
      EXPECT_TRUE(sheet[i - 1].type == kMsoDrawing || sheet[i - 1].type == kContinue) << "OBJ at " << i;
    }
    if (sheet[i].type == kTxo) {
      ASSERT_GT(i, 0u);
      EXPECT_TRUE(sheet[i - 1].type == kMsoDrawing || (!own && sheet[i - 1].type == kContinue))
          << "TXO at offset " << sheet[i].offset;
      EXPECT_EQ(sheet[i - 1].data.size(), 8u) << "a TXO follows the text record's MSODRAWING";
      if (U16(sheet[i].data, 10) > 0) {
        ASSERT_LT(i + 2, sheet.size());
        EXPECT_EQ(sheet[i + 1].type, kContinue);
        EXPECT_EQ(sheet[i + 2].type, kContinue);
      }
    }
  }
}

int CountShapes(const std::vector<ArtShape>& shapes) {
  int n = 0;
  for (const ArtShape& s : shapes) n += 1 + CountShapes(s.children);
  return n;
}

void ExpectWellFormedProperties(const std::vector<ArtShape>& shapes) {
  for (const ArtShape& s : shapes) {
    EXPECT_TRUE(s.property_lengths_match) << s.name;
    ExpectWellFormedProperties(s.children);
  }
}

void CollectSpids(const std::vector<ArtShape>& shapes, std::vector<uint32_t>& spids) {
  for (const ArtShape& s : shapes) {
    spids.push_back(s.spid);
    CollectSpids(s.children, spids);
  }
}

const ArtShape* FindShape(const std::vector<ArtShape>& shapes, const std::string& name) {
  for (const ArtShape& s : shapes) {
    if (s.name == name) return &s;
    if (const ArtShape* found = FindShape(s.children, name)) return found;
  }
  return nullptr;
}

class XlsWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    app = ovix::workbook::CreateApplication();
    app->Workbooks()->Add();
    sheet = app->Worksheets()->Item("Sheet1");
    shapes = sheet->Shapes();
  }

  XlsFile Save(const std::string& name = "out.xls") {
    app->ActiveWorkbook()->SaveAs((dir / name).string());
    return ReadXlsFile(dir / name);
  }

  void AddFreeform(int points, double x, double y, double r) {
    auto builder = shapes->BuildFreeform(excel::kEditingAuto, x + r, y);
    for (int k = 1; k < points; ++k) {
      const double t = 2 * std::numbers::pi * k / points;
      builder->AddNodes(excel::kSegmentCurve, excel::kEditingAuto, x + r * std::cos(t), y + r * std::sin(t));
    }
    builder->ConvertToShape();
  }

  TempDir dir;
  std::shared_ptr<excel::Application> app;
  std::shared_ptr<excel::Worksheet> sheet;
  std::shared_ptr<excel::Shapes> shapes;
};

TEST_F(XlsWriter, CompoundFileHoldsTheWorkbookAndSummaryStreams) {
  showcase::BuildAndSave(*app, (dir / "showcase.xls").string());
  const XlsFile file = ReadXlsFile(dir / "showcase.xls");
  EXPECT_EQ(file.cfb.streams.count(u"\x05SummaryInformation"), 1u);
  EXPECT_EQ(file.cfb.streams.count(u"\x05" u"DocumentSummaryInformation"), 1u);
  EXPECT_EQ(file.cfb.difat_sectors, 0u);
  const std::string& summary = file.cfb.streams.at(u"\x05SummaryInformation");
  ASSERT_GT(summary.size(), 48u);
  EXPECT_EQ(U16(summary, 0), 0xFFFE);
  EXPECT_NE(summary.find(std::string("O\0v\0i\0x\0\0\0", 10)), std::string::npos) << "application name";
  // The stream is long enough to stay out of the mini stream.
  EXPECT_GE(file.cfb.streams.at(u"Workbook").size(), 4096u);
  ASSERT_FALSE(file.globals.empty());
  EXPECT_EQ(file.globals.front().type, kBof);
  EXPECT_EQ(U16(file.globals.front().data, 0), 0x0600);
  EXPECT_EQ(U16(file.globals.front().data, 2), 0x0005);
  ASSERT_EQ(file.sheets.size(), 1u);
  EXPECT_EQ(U16(file.sheets[0].front().data, 2), 0x0010);
}

// The order Excel writes, here and in Excel's own files.
TEST_F(XlsWriter, RecordsFollowExcelsOrder) {
  showcase::BuildAndSave(*app, (dir / "showcase.xls").string());
  std::vector<XlsFile> files{ReadXlsFile(dir / "showcase.xls")};
  for (const char* reference : {"xls-reference/apache__poi__37684-2.xls", "xls-reference/apache__poi__45129.xls"}) {
    if (const auto path = SharedPath(reference)) files.push_back(ReadXlsFile(*path));
  }
  for (const XlsFile& file : files) {
    const bool own = &file == &files.front();
    const auto& g = file.globals;
    EXPECT_LT(IndexOf(g, kFont), IndexOf(g, kXf));
    EXPECT_LT(IndexOf(g, kXf), IndexOf(g, kBoundSheet));
    EXPECT_LT(IndexOf(g, kBoundSheet), IndexOf(g, kMsoDrawingGroup));
    EXPECT_LT(IndexOf(g, kMsoDrawingGroup), g.size());
    if (IndexOf(g, kSst) < g.size()) EXPECT_LT(IndexOf(g, kMsoDrawingGroup), IndexOf(g, kSst));
    EXPECT_EQ(g.back().type, kEof);
    // The fifth FONT record is font 5: Excel's files and ours have at least
    // the four before the gap.
    int fonts = 0;
    for (const Record& r : g) fonts += r.type == kFont;
    EXPECT_GE(fonts, 4);
    for (const auto& s : file.sheets) {
      if (IndexOf(s, kMsoDrawing) == s.size()) continue;
      EXPECT_LT(IndexOf(s, kSetup), IndexOf(s, kDimensions));
      EXPECT_LT(IndexOf(s, kDimensions), IndexOf(s, kMsoDrawing));
      EXPECT_LT(IndexOf(s, kMsoDrawing), IndexOf(s, kWindow2));
      EXPECT_EQ(s.back().type, kEof);
      ExpectDrawingRecordPattern(s, own);
    }
  }
}

TEST_F(XlsWriter, ShapeIdsFillClustersOf1024AndObjIdsFollowThem) {
  for (int i = 0; i < 2500; ++i) shapes->AddLine(10 + i % 50, 10 + i / 50, 60 + i % 50, 30 + i / 50);
  const XlsFile file = Save();
  const DrawingGroup group = ReadDrawingGroup(file.globals);
  const SheetDrawing drawing = ReadSheetDrawing(file.sheets[0]);
  // 2,500 lines and the patriarch: two full clusters and one of 453 ids.
  ASSERT_EQ(group.clusters.size(), 3u);
  EXPECT_EQ(group.cidcl, 4u);
  EXPECT_EQ(group.clusters[0].used, 1024u);
  EXPECT_EQ(group.clusters[1].used, 1024u);
  EXPECT_EQ(group.clusters[2].used, 453u);
  for (const Cluster& c : group.clusters) EXPECT_EQ(c.dgid, drawing.dgid);
  EXPECT_EQ(group.cdg_saved, 1u);
  EXPECT_EQ(group.csp_saved, 2501u);
  EXPECT_EQ(group.spid_max, 1024u + 2501u);
  EXPECT_EQ(drawing.csp, 2501u);
  EXPECT_EQ(drawing.patriarch_spid, 1024u);
  EXPECT_EQ(drawing.spid_cur, 1024u + 2500u);
  std::vector<uint32_t> spids;
  CollectSpids(drawing.shapes, spids);
  ASSERT_EQ(spids.size(), 2500u);
  for (size_t i = 0; i < spids.size(); ++i) ASSERT_EQ(spids[i], 1025u + i);
  // OBJ ids count the shapes, as Excel's spid - 1024.
  std::vector<uint16_t> ids;
  for (const Record& r : file.sheets[0]) {
    if (r.type == kObj) ids.push_back(U16(r.data, 6));
  }
  ASSERT_EQ(ids.size(), 2500u);
  for (size_t i = 0; i < ids.size(); ++i) ASSERT_EQ(ids[i], i + 1);

  // Excel's own file numbers the same way.
  OVIX_REQUIRE_SHARED(reference, "xls-reference/apache__poi__45129.xls");
  const XlsFile excel = ReadXlsFile(reference);
  const DrawingGroup excel_group = ReadDrawingGroup(excel.globals);
  const SheetDrawing excel_drawing = ReadSheetDrawing(excel.sheets[0]);
  ASSERT_EQ(excel_group.clusters.size(), 1u);
  EXPECT_EQ(excel_drawing.patriarch_spid, 1024u);
  EXPECT_EQ(excel_group.clusters[0].used, static_cast<uint32_t>(CountShapes(excel_drawing.shapes)) + 1);
  EXPECT_EQ(excel_drawing.csp, excel_group.clusters[0].used);
}

TEST_F(XlsWriter, LongFreeformContinuesPast8224Bytes) {
  AddFreeform(1500, 200, 200, 100);
  const XlsFile file = Save();
  const auto& s = file.sheets[0];
  const size_t first = IndexOf(s, kMsoDrawing);
  ASSERT_LT(first + 2, s.size());
  // Excel's own 1,330-point freeform: MSODRAWING of 8,224 bytes, then
  // CONTINUE records, then the OBJ; ours is cut the same way.
  EXPECT_EQ(s[first].data.size(), 8224u);
  size_t i = first + 1;
  while (s[i].type == kContinue) {
    EXPECT_LE(s[i].data.size(), 8224u);
    ++i;
  }
  EXPECT_GT(i, first + 1);
  EXPECT_EQ(s[i].type, kObj);
  const SheetDrawing drawing = ReadSheetDrawing(s);
  ASSERT_EQ(drawing.shapes.size(), 1u);
  ExpectWellFormedProperties(drawing.shapes);
  const std::string& vertices = drawing.shapes[0].complex.at(0x0145);
  // The smooth curve through 1,500 nodes: a start point and three points
  // (two handles and the node) per segment, as 32-bit pairs.
  EXPECT_EQ(U16(vertices, 0), 1 + 3 * 1499);
  EXPECT_EQ(U16(vertices, 4), 8);
  EXPECT_EQ(vertices.size(), 6u + 8u * (1 + 3 * 1499));

  OVIX_REQUIRE_SHARED(reference, "xls-reference/apache__poi__DrawingContinue.xls");
  const XlsFile excel = ReadXlsFile(reference);
  const auto& e = excel.sheets[0];
  const size_t excel_first = IndexOf(e, kMsoDrawing);
  EXPECT_EQ(e[excel_first].data.size(), 8224u);
  EXPECT_EQ(e[excel_first + 1].type, kContinue);
  EXPECT_EQ(KindOf(ReadSheetDrawing(e).shapes.at(0)), "freeform");
}

TEST_F(XlsWriter, TextBoxesKeepTheirTextRunsAndFonts) {
  auto box = shapes->AddTextbox(excel::kOrientationDownward, 100, 100, 80, 40);
  box->Select(true);
  app->Selection()->Characters(1, 0)->SetText("図面\r\n2行目 ABC");
  auto font = app->Selection()->Characters(1, 2)->Font();
  font->SetName("ＭＳ 明朝");
  font->SetFontStyle("太字 斜体");
  font->SetSize(14);
  font->SetColorIndex(3);
  app->Selection()->Characters(5, 3)->Font()->SetUnderline(true);
  app->Selection()->Characters(9, 3)->Font()->SetStrikethrough(true);
  app->Selection()->Characters(10, 1)->Font()->SetSuperscript(true);
  app->Selection()->SetHorizontalAlignment(excel::kAlignCenter);
  const XlsFile file = Save();
  const auto& s = file.sheets[0];
  const size_t txo = IndexOf(s, kTxo);
  ASSERT_LT(txo + 2, s.size());
  const std::string& t = s[txo].data;
  EXPECT_EQ((U16(t, 0) >> 1) & 7, 2) << "centred";
  EXPECT_EQ(U16(t, 2), 3) << "downward text turns 90 degrees clockwise";
  // "\r\n" becomes one line feed.
  const std::u16string expected = u"図面\n2行目 ABC";
  EXPECT_EQ(U16(t, 10), expected.size());
  const std::string& chars = s[txo + 1].data;
  EXPECT_EQ(chars[0], 1) << "UTF-16";
  EXPECT_EQ(chars.size(), 1 + 2 * expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(U16(chars, 1 + 2 * i), expected[i]);
  // Runs at UTF-16 positions, each with a font of its own.
  std::vector<Record> fonts;
  for (const Record& r : file.globals) {
    if (r.type == kFont) fonts.push_back(r);
  }
  auto font_record = [&](uint16_t index) { return fonts.at(index < 4 ? index : index - 1).data; };
  const std::string& runs = s[txo + 2].data;
  ASSERT_EQ(runs.size() % 8, 0u);
  std::vector<std::pair<uint16_t, uint16_t>> run_list;
  for (size_t at = 0; at + 8 <= runs.size(); at += 8) run_list.push_back({U16(runs, at), U16(runs, at + 2)});
  ASSERT_GE(run_list.size(), 5u);
  EXPECT_EQ(run_list.back().first, expected.size());
  EXPECT_EQ(run_list[0].first, 0);
  const std::string first = font_record(run_list[0].second);
  EXPECT_EQ(U16(first, 0), 280) << "14 pt";
  EXPECT_EQ(U16(first, 2) & 0x02, 0x02) << "italic";
  EXPECT_EQ(U16(first, 6), 700) << "bold";
  EXPECT_EQ(U16(first, 4), 3 - 1 + 8) << "palette colour 3";
  EXPECT_EQ(first.substr(14), std::string("\x5\x1\x2D\xFF\x33\xFF\x20\x00\x0E\x66\x1D\x67", 12))
      << "ＭＳ 明朝 in UTF-16";
  bool underline = false, strike = false, superscript = false;
  for (const auto& [at, ifnt] : run_list) {
    if (at >= expected.size()) continue;
    const std::string f = font_record(ifnt);
    // Code points 4, 8 and 9 sit one place earlier once "\r\n" is one unit.
    underline |= at == 3 && f[10] == 1;
    strike |= at == 7 && (U16(f, 2) & 0x08) != 0;
    superscript |= at == 8 && U16(f, 8) == 1;
  }
  EXPECT_TRUE(underline);
  EXPECT_TRUE(strike);
  EXPECT_TRUE(superscript);
}

// A text longer than one record continues in further CONTINUE records, each
// with its own encoding flag; the shape after it is read as drawing data.
TEST_F(XlsWriter, LongTextsContinueAndTheNextShapeFollowsThem) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "図面";  // 6,000 UTF-16 units
  auto box = shapes->AddTextbox(excel::kOrientationHorizontal, 10, 10, 200, 100);
  box->Select(true);
  app->Selection()->Characters(1, 0)->SetText(text);
  shapes->AddLine(10, 200, 100, 250);
  const XlsFile file = Save();
  const auto& s = file.sheets[0];
  const size_t txo = IndexOf(s, kTxo);
  ASSERT_LT(txo + 3, s.size());
  EXPECT_EQ(U16(s[txo].data, 10), 6000);
  EXPECT_EQ(s[txo + 1].data.size(), 1u + 2 * 4111);
  EXPECT_EQ(s[txo + 2].data.size(), 1u + 2 * (6000 - 4111));
  EXPECT_EQ(s[txo + 2].data[0], 1);
  EXPECT_EQ(s[txo + 3].data.size(), 16u) << "one run and the end";
  const SheetDrawing drawing = ReadSheetDrawing(s);
  ASSERT_EQ(drawing.shapes.size(), 2u);
  EXPECT_EQ(drawing.shapes[1].name, "Line 2");
  ExpectWellFormedProperties(drawing.shapes);
}

TEST_F(XlsWriter, NestedGroupMembersKeepTheirSheetPositions) {
  showcase::BuildAndSave(*app, (dir / "showcase.xls").string());
  const SheetDrawing drawing = ReadSheetDrawing(ReadXlsFile(dir / "showcase.xls").sheets[0]);
  const ArtShape* outer = nullptr;
  for (const ArtShape& s : drawing.shapes) {
    if (s.group) outer = &s;
  }
  ASSERT_NE(outer, nullptr);
  ExpectWellFormedProperties(drawing.shapes);
  EXPECT_EQ(outer->flags & 0x003, 0x001u);
  ASSERT_EQ(outer->client_anchor.size(), 9u);
  const ArtShape* inner = nullptr;
  for (const ArtShape& c : outer->children) {
    EXPECT_EQ(c.flags & 0x002, 0x002u) << "a member";
    EXPECT_EQ(c.child_anchor.size(), 4u);
    if (c.group) inner = &c;
  }
  ASSERT_NE(inner, nullptr);
  // Members are in hundredths of a point of the sheet: the inner line runs
  // along y = kInnerLineY + kGroupDy.
  const ArtShape* line = nullptr;
  for (const ArtShape& c : inner->children) {
    if (KindOf(c) == "line") line = &c;
  }
  ASSERT_NE(line, nullptr);
  EXPECT_NEAR(line->child_anchor[1], (showcase::kInnerLineY + showcase::kGroupDy) * 100, 1);
  EXPECT_NEAR(line->child_anchor[0], (showcase::kGroupX1 + showcase::kGroupDx) * 100, 1);
  // The group's box spans its members.
  EXPECT_LE(inner->group_box[0], line->child_anchor[0]);
  EXPECT_GE(inner->group_box[2], line->child_anchor[2]);
}

TEST_F(XlsWriter, DrawingsPastTheFormatsLimitsFailNamingTheLimit) {
  fs::path target = dir / "kept.xls";
  WriteFileBytes(target, "old contents");
  struct Case {
    std::function<void(excel::Shapes&)> add;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {[](excel::Shapes& s) { s.AddLine(10, 10, 20, 65536 * 13.5 + 20); }, "65536 rows"},
      {[](excel::Shapes& s) { s.AddLine(10, 10, 256 * 54 + 10, 20); }, "256 columns"},
  };
  for (const Case& c : cases) {
    app->Workbooks()->Add();
    auto sh = app->Worksheets()->Item("Sheet1")->Shapes();
    sh->AddLine(1, 1, 5, 5);
    c.add(*sh);
    try {
      app->ActiveWorkbook()->SaveAs(target.string());
      ADD_FAILURE() << "saved past the limit " << c.expected;
    } catch (const excel::AutomationError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(c.expected), std::string::npos) << message;
      EXPECT_NE(message.find("Line 2"), std::string::npos) << message;
    }
    EXPECT_EQ(ReadFileBytes(target), "old contents");
  }
  // A freeform of more points than a shape holds.
  app->Workbooks()->Add();
  shapes = app->Worksheets()->Item("Sheet1")->Shapes();
  AddFreeform(22000, 300, 300, 200);
  try {
    app->ActiveWorkbook()->SaveAs(target.string());
    ADD_FAILURE() << "saved a freeform of 66,001 points";
  } catch (const excel::AutomationError& e) {
    EXPECT_NE(std::string(e.what()).find("65,535"), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadFileBytes(target), "old contents");
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1u) << "no temporary file is left behind";
}

double F64(const std::string& s, size_t at) {
  double v;
  std::memcpy(&v, s.data() + at, sizeof v);
  return v;
}

TEST_F(XlsWriter, PageSetupReachesTheSheetsRecords) {
  auto page = sheet->PageSetup();
  page->SetPaperSize(excel::kPaperA3);
  page->SetOrientation(excel::kLandscape);
  page->SetZoom(75);
  page->SetLeftMargin(36);
  page->SetTopMargin(18);
  page->SetHeaderMargin(9);
  page->SetPrintGridlines(true);
  page->SetCenterHorizontally(true);
  page->SetCenterFooter("&P / &N");
  shapes->AddLine(10, 10, 100, 50);
  const XlsFile file = Save();
  const auto& s = file.sheets[0];
  auto data = [&](uint16_t type) {
    const size_t i = IndexOf(s, type);
    EXPECT_LT(i, s.size()) << "record " << type;
    return i < s.size() ? s[i].data : std::string(64, '\0');
  };
  const std::string setup = data(kSetup);
  EXPECT_EQ(U16(setup, 0), 8) << "A3";
  EXPECT_EQ(U16(setup, 2), 75) << "zoom";
  EXPECT_EQ(U16(setup, 10) & 0x0006, 0) << "landscape, and paper, scale and orientation valid";
  EXPECT_DOUBLE_EQ(F64(setup, 16), 9.0 / 72);
  EXPECT_DOUBLE_EQ(F64(data(0x0026), 0), 0.5) << "left margin in inches";
  EXPECT_DOUBLE_EQ(F64(data(0x0028), 0), 0.25) << "top margin";
  EXPECT_EQ(U16(data(0x002B), 0), 1) << "gridlines printed";
  EXPECT_EQ(U16(data(0x0083), 0), 1) << "centred horizontally";
  EXPECT_EQ(U16(data(0x0084), 0), 0);
  const std::string footer = data(0x0015);
  ASSERT_GE(footer.size(), 3u);
  EXPECT_EQ(U16(footer, 0), 9) << "&C&P / &N";
  // Rows keep 13.5 points whatever font a reader has; columns the default
  // font's default width.
  EXPECT_EQ(data(0x0225), std::string("\x01\x00\x0E\x01", 4));
  EXPECT_EQ(U16(data(0x0055), 0), 8);
}

TEST_F(XlsWriter, FileNameChoosesTheFormat) {
  shapes->AddLine(10, 10, 100, 50);
  auto book = app->ActiveWorkbook();
  book->SaveAs((dir / "plan.XLS").string());
  EXPECT_EQ(ReadFileBytes(dir / "plan.XLS").substr(0, 4), std::string("\xD0\xCF\x11\xE0", 4));
  shapes->AddLine(20, 20, 100, 50);
  book->Save();
  EXPECT_EQ(CountShapes(ReadSheetDrawing(ReadXlsFile(dir / "plan.XLS").sheets[0]).shapes), 2);
  book->SaveAs((dir / "plan.xlsx").string());
  EXPECT_EQ(ReadFileBytes(dir / "plan.xlsx").substr(0, 2), "PK");
  EXPECT_THROW(book->SaveAs((dir / "plan.csv").string()), excel::AutomationError);
}

TEST_F(XlsWriter, LargeFilesIndexTheirAllocationTableThroughDifatSectors) {
  for (int i = 0; i < 45000; ++i) {
    shapes->AddLine(10 + i % 300, 10 + i / 300, 40 + i % 300, 30 + i / 300);
  }
  const XlsFile file = Save();
  ASSERT_GT(file.cfb.fat_sectors, 109u) << "the file is " << fs::file_size(dir / "out.xls") << " bytes";
  EXPECT_GT(file.cfb.difat_sectors, 0u);
  EXPECT_EQ(CountShapes(ReadSheetDrawing(file.sheets[0]).shapes), 45000);
}

}  // namespace
}  // namespace ovix::testing
