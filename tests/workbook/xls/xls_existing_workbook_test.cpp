// Drawing into existing legacy .xls workbooks: each Excel-made reference
// opened, drawn into and saved; every other stream byte for byte, every
// record outside the drawing and the moved positions unchanged, the shapes
// already there kept with their anchors, the new ones counted per kind and
// numbered in the workbook's id clusters; drawing twice; page setup written
// into the sheet's own records; old, encrypted and damaged files refused
// without a change; the format chosen by content.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <set>

#include "excel/excel_automation.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/xls/xls_record_diff.h"
#include "tests/workbook/xls/xls_test_support.h"
#include "workbook/workbook_engine.h"
#include "workbook/xls/compound_file_reader.h"
#include "workbook/xls/compound_file_rewriter.h"
#include "workbook/xls/le_bytes.h"
#include "workbook/xls/xls_workbook_reader.h"

namespace {

namespace fs = std::filesystem;
using namespace ovix::testing;
namespace xls = ovix::workbook::xls;

struct Reference {
  const char* file;
  const char* sheet;  // the sheet drawn into
  int sheet_index;    // its place among the BOUNDSHEETs
};

// Those with "Sheet1" are drawn into it; the others into their first sheet
// through the engine (the converter itself asks for "Sheet1" and gets a
// clear message, checked below).
const Reference kReferences[] = {
    {"GNOME__gnumeric__objs.xls", "Sheet1", 0},
    {"apache__poi__15556.xls", "2270-170-1", 0},
    {"apache__poi__37684-2.xls", "Page1", 0},
    {"apache__poi__45129.xls", "Sheet1", 0},
    {"apache__poi__ContinueRecordProblem.xls", nullptr, 0},
    {"apache__poi__DrawingAndComments.xls", "Sheet1", 0},
    {"apache__poi__DrawingContinue.xls", nullptr, 0},
    {"apache__poi__SheetWithDrawing.xls", "Sheet1", 0},
    {"apache__poi__Simple.xls", "Sheet1", 0},
    {"apache__poi__SolverContainerAfterSPGR.xls", nullptr, 0},
    {"apache__poi__dg-text.xls", nullptr, 0},
    {"apache__poi__text.xls", nullptr, 0},
};

std::string WorkbookStream(const std::string& file) { return AllStreams(file).at(u"Workbook"); }

// Draws one shape of each kind the exporter draws, a group of two of them,
// and sets the page.
void Draw(excel::Application& app, excel::Worksheet& sheet, const std::string& tag) {
  auto shapes = sheet.Shapes();
  auto line = shapes->AddLine(10, 10, 200, 80);
  line->Line()->SetEndArrowheadStyle(excel::kArrowheadTriangle);
  shapes->AddShape(excel::kShapeOval, 40, 40, 60, 30);
  shapes->AddShape(excel::kShapeArc, 80, 20, 50, 50);
  auto box = shapes->AddTextbox(excel::kOrientationHorizontal, 30, 100, 120, 24);
  box->Select();
  app.Selection()->Characters()->SetText("図面 " + tag);
  auto builder = shapes->BuildFreeform(excel::kEditingAuto, 0, 0);
  for (int i = 1; i <= 20; ++i) builder->AddNodes(excel::kSegmentLine, excel::kEditingAuto, 5.0 * i, (i % 2) * 7.0);
  builder->ConvertToShape();
  auto a = shapes->AddLine(300, 10, 320, 30);
  auto b = shapes->AddLine(320, 30, 300, 50);
  shapes->Range({a->Name(), b->Name()})->Group();
}

class XlsExistingWorkbook : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!SharedPath("xls-reference")) GTEST_SKIP() << "xls-reference not found (set OVIX_SHARED_DIR)";
    excel::RegisterClass(ovix::workbook::kEngineProgId, ovix::workbook::CreateApplication);
  }
  TempDir dir;
};

TEST_F(XlsExistingWorkbook, DrawingIntoEachReferenceKeepsEverythingElse) {
  for (const Reference& ref : kReferences) {
    SCOPED_TRACE(ref.file);
    const fs::path source = *SharedPath(std::string("xls-reference/") + ref.file);
    const fs::path copy = dir / ref.file;
    CopyWritable(source, copy);
    const std::string before = ReadFileBytes(copy);
    const std::string before_stream = WorkbookStream(before);
    const xls::XlsWorkbook parsed = xls::ReadXlsWorkbook(before_stream);
    const std::string sheet_name = ref.sheet ? ref.sheet : parsed.sheets.at(0).name;

    auto app = ovix::workbook::CreateApplication();
    auto book = app->Workbooks()->Open(copy.string());
    auto sheet = book->Worksheets()->Item(sheet_name);
    Draw(*app, *sheet, "A");
    const fs::path out = dir / (std::string("out-") + ref.file);
    book->SaveAs(out.string(), excel::kNoChange);
    app->Quit();
    EXPECT_EQ(ReadFileBytes(copy), before) << "the workbook opened is not touched";

    const std::string after = ReadFileBytes(out);
    auto streams_before = AllStreams(before);
    auto streams_after = AllStreams(after);
    const std::string after_stream = streams_after.at(u"Workbook");
    streams_before.erase(u"Workbook");
    streams_after.erase(u"Workbook");
    EXPECT_EQ(streams_after, streams_before) << "every other stream byte for byte";

    RecordDiffOptions options;
    options.drawing_sheet = ref.sheet_index;
    for (const std::string& d : DiffWorkbookRecords(before_stream, after_stream, options)) ADD_FAILURE() << d;

    // The shapes already there keep their records and anchors; the new ones
    // follow, one of each kind.
    const auto old_objects = ShapeObjectRecords(before_stream, ref.sheet_index);
    const auto new_objects = ShapeObjectRecords(after_stream, ref.sheet_index);
    ASSERT_GE(new_objects.size(), old_objects.size());
    EXPECT_TRUE(std::equal(old_objects.begin(), old_objects.end(), new_objects.begin()));
    DrawingSummary was = SummariseDrawing(before_stream, ref.sheet_index);
    DrawingSummary now = SummariseDrawing(after_stream, ref.sheet_index);
    ASSERT_GE(now.anchors.size(), was.anchors.size());
    EXPECT_TRUE(std::equal(was.anchors.begin(), was.anchors.end(), now.anchors.begin()));
    EXPECT_EQ(now.anchors.size() - was.anchors.size(), 6u) << "six new top-level shapes";
    EXPECT_EQ(now.shape_types[20] - was.shape_types[20], 3) << "lines";
    EXPECT_EQ(now.shape_types[3] - was.shape_types[3], 1) << "ovals";
    EXPECT_EQ(now.shape_types[19] - was.shape_types[19], 1) << "arcs";
    EXPECT_EQ(now.shape_types[202] - was.shape_types[202], 1) << "text boxes";
    EXPECT_EQ(now.shape_types[0] - was.shape_types[0], 1) << "freeforms";
    EXPECT_EQ(now.groups - was.groups, 1);

    // Ids: unique on the sheet, counted by the FDG, inside the sheet's
    // clusters of the drawing group, which counts them.
    std::set<uint32_t> spids(now.spids.begin(), now.spids.end());
    EXPECT_EQ(spids.size(), now.spids.size());
    std::set<uint16_t> objs(now.obj_ids.begin(), now.obj_ids.end());
    EXPECT_EQ(objs.size(), now.obj_ids.size()) << "OBJ ids unique on the sheet";
    EXPECT_EQ(now.fdg_count, now.spids.size());
    EXPECT_EQ(now.fdg_last, *spids.rbegin());
    const DrawingGroupSummary group = SummariseDrawingGroup(after_stream);
    EXPECT_EQ(group.cidcl, group.clusters.size() + 1);
    EXPECT_GT(group.spid_max, *spids.rbegin());
    for (uint32_t id : now.spids) {
      const size_t k = id / 1024 - 1;
      ASSERT_LT(k, group.clusters.size()) << id;
      EXPECT_EQ(group.clusters[k].first, now.dgid) << id;
      EXPECT_LT(id % 1024, group.clusters[k].second) << id;
    }
    const DrawingGroupSummary group_was = SummariseDrawingGroup(before_stream);
    EXPECT_EQ(group.shapes - group_was.shapes, now.spids.size() - was.spids.size());
    EXPECT_EQ(group.drawings - group_was.drawings, was.spids.empty() ? 1u : 0u);
  }
}

TEST_F(XlsExistingWorkbook, DrawingTwiceAddsToTheDrawingOfTheFirstTime) {
  const fs::path first = dir / "first.xls";
  CopyWritable(*SharedPath("xls-reference/apache__poi__DrawingAndComments.xls"), first);
  const fs::path second = dir / "second.xls";
  {
    auto app = ovix::workbook::CreateApplication();
    auto book = app->Workbooks()->Open(first.string());
    Draw(*app, *book->Worksheets()->Item("Sheet1"), "1");
    book->Save();
    // Saved twice in one session: the second save holds the shapes once.
    book->SaveAs(second.string(), excel::kNoChange);
    app->Quit();
  }
  EXPECT_EQ(WorkbookStream(ReadFileBytes(first)), WorkbookStream(ReadFileBytes(second)));
  const std::string once = WorkbookStream(ReadFileBytes(first));
  {
    auto app = ovix::workbook::CreateApplication();
    auto book = app->Workbooks()->Open(second.string());
    Draw(*app, *book->Worksheets()->Item("Sheet1"), "2");
    book->Save();
    app->Quit();
  }
  const std::string twice = WorkbookStream(ReadFileBytes(second));
  for (const std::string& d : DiffWorkbookRecords(once, twice, {0, false, true})) ADD_FAILURE() << d;
  const DrawingSummary a = SummariseDrawing(once, 0);
  const DrawingSummary b = SummariseDrawing(twice, 0);
  EXPECT_EQ(b.anchors.size() - a.anchors.size(), 6u);
  EXPECT_TRUE(std::equal(a.anchors.begin(), a.anchors.end(), b.anchors.begin()));
  EXPECT_EQ(b.spids.size() - a.spids.size(), a.spids.size() - SummariseDrawing(WorkbookStream(ReadFileBytes(
      *SharedPath("xls-reference/apache__poi__DrawingAndComments.xls"))), 0).spids.size());
  EXPECT_EQ(std::set<uint32_t>(b.spids.begin(), b.spids.end()).size(), b.spids.size());
  EXPECT_EQ(std::set<uint16_t>(b.obj_ids.begin(), b.obj_ids.end()).size(), b.obj_ids.size());
}

TEST_F(XlsExistingWorkbook, ManyShapesTakeNewClustersAndLongFreeformsContinue) {
  const fs::path file = dir / "many.xls";
  CopyWritable(*SharedPath("xls-reference/apache__poi__SheetWithDrawing.xls"), file);
  {
    auto app = ovix::workbook::CreateApplication();
    auto book = app->Workbooks()->Open(file.string());
    auto shapes = book->Worksheets()->Item("Sheet1")->Shapes();
    for (int i = 0; i < 2500; ++i) shapes->AddLine(i % 300, i % 200, i % 300 + 20, i % 200 + 10);
    auto builder = shapes->BuildFreeform(excel::kEditingAuto, 0, 0);
    for (int i = 1; i <= 3000; ++i) builder->AddNodes(excel::kSegmentLine, excel::kEditingAuto, i * 0.1, (i % 7) * 3.0);
    builder->ConvertToShape();
    book->Save();
    app->Quit();
  }
  const std::string stream = WorkbookStream(ReadFileBytes(file));
  DrawingSummary s = SummariseDrawing(stream, 0);
  EXPECT_EQ(s.shape_types[20], 2500);
  EXPECT_EQ(s.spids.size(), 2503u) << "patriarch, picture, lines and freeform";
  EXPECT_EQ(std::set<uint32_t>(s.spids.begin(), s.spids.end()).size(), s.spids.size());
  const DrawingGroupSummary g = SummariseDrawingGroup(stream);
  EXPECT_GE(g.clusters.size(), 3u);
  // The freeform's record runs past 8,224 bytes into CONTINUE records.
  const xls::XlsWorkbook book = xls::ReadXlsWorkbook(stream);
  bool continued = false;
  for (size_t i = 1; i < book.records.size(); ++i) {
    continued |= book.records[i].type == xls::rt::kContinue && book.records[i - 1].type == xls::rt::kMsoDrawing &&
                 book.records[i - 1].size == xls::kMaxRecordData;
  }
  EXPECT_TRUE(continued);
}

TEST_F(XlsExistingWorkbook, PageSetupReplacesTheSheetsOwnRecords) {
  const fs::path file = dir / "page.xls";
  CopyWritable(*SharedPath("xls-reference/apache__poi__45129.xls"), file);
  const std::string before = WorkbookStream(ReadFileBytes(file));
  {
    auto app = ovix::workbook::CreateApplication();
    auto book = app->Workbooks()->Open(file.string());
    auto page = book->Worksheets()->Item("Sheet1")->PageSetup();
    page->SetPaperSize(excel::kPaperA3);
    page->SetOrientation(excel::kLandscape);
    page->SetLeftMargin(36);
    page->SetTopMargin(54);
    page->SetCenterHorizontally(true);
    page->SetCenterFooter("&P / &N");
    page->SetZoom(75);
    book->Save();
    app->Quit();
  }
  const std::string after = WorkbookStream(ReadFileBytes(file));
  for (const std::string& d : DiffWorkbookRecords(before, after, {0, true, false})) ADD_FAILURE() << d;
  // One record of each kind, as before.
  const xls::XlsWorkbook book = xls::ReadXlsWorkbook(after);
  std::map<uint16_t, int> counts;
  for (size_t i = book.sheets[0].bof; i <= book.sheets[0].eof; ++i) ++counts[book.records[i].type];
  EXPECT_EQ(counts[xls::rt::kSetup], 1);
  EXPECT_EQ(counts[xls::rt::kLeftMargin], 1);
  EXPECT_EQ(counts[xls::rt::kFooter], 1);
  EXPECT_EQ(counts[xls::rt::kHCenter], 1);
  auto app = ovix::workbook::CreateApplication();
  auto reopened = app->Workbooks()->Open(file.string())->Worksheets()->Item("Sheet1")->PageSetup();
  EXPECT_EQ(reopened->PaperSize(), excel::kPaperA3);
  EXPECT_EQ(reopened->Orientation(), excel::kLandscape);
  EXPECT_DOUBLE_EQ(reopened->LeftMargin(), 36);
  EXPECT_DOUBLE_EQ(reopened->TopMargin(), 54);
  EXPECT_TRUE(reopened->CenterHorizontally());
  EXPECT_EQ(reopened->CenterFooter(), "&P / &N");
  EXPECT_EQ(reopened->Zoom(), 75);
  app->Quit();
}

TEST_F(XlsExistingWorkbook, WorkbooksWithoutSheet1GiveAClearMessage) {
  for (const char* name : {"apache__poi__DrawingContinue.xls", "apache__poi__text.xls", "apache__poi__15556.xls"}) {
    auto app = ovix::workbook::CreateApplication();
    auto book = app->Workbooks()->Open(SharedPath(std::string("xls-reference/") + name)->string());
    try {
      book->Worksheets()->Item("Sheet1");
      ADD_FAILURE() << name << " has no Sheet1";
    } catch (const excel::AutomationError& e) {
      EXPECT_NE(std::string(e.what()).find("\"Sheet1\""), std::string::npos) << e.what();
    }
    app->Quit();
  }
}

// The message of opening `bytes` saved as `name`, after which the file must
// be as it was.
std::string OpenError(const fs::path& file, const std::string& bytes) {
  WriteFileBytes(file, bytes);
  auto app = ovix::workbook::CreateApplication();
  std::string message;
  try {
    app->Workbooks()->Open(file.string());
  } catch (const excel::AutomationError& e) {
    message = e.what();
  }
  app->Quit();
  EXPECT_EQ(ReadFileBytes(file), bytes);
  return message;
}

TEST_F(XlsExistingWorkbook, OldEncryptedAndDamagedWorkbooksAreRefused) {
  const std::string simple = ReadFileBytes(*SharedPath("xls-reference/apache__poi__Simple.xls"));
  const xls::CompoundFile file(simple);
  const uint32_t entry = file.FindChild(0, u"Workbook");
  const std::string stream = file.ReadStream(entry);

  // Excel 5.0/95: the stream is called "Book".
  std::string book_stream = simple;
  const size_t at = file.entries()[entry].file_offset;
  book_stream.replace(at, 64, std::string(64, '\0'));
  for (size_t i = 0; i < 4; ++i) xls::SetU16(book_stream, at + 2 * i, u"Book"[i]);
  xls::SetU16(book_stream, at + 0x40, 10);
  std::string message = OpenError(dir / "old.xls", book_stream);
  EXPECT_NE(message.find("Excel 5.0/95"), std::string::npos) << message;
  EXPECT_NE(message.find("old.xls"), std::string::npos) << message;

  // A BIFF5 BOF in a Workbook stream.
  std::string biff5 = stream;
  xls::SetU16(biff5, 4, 0x0500);
  message = OpenError(dir / "biff5.xls", xls::ReplaceStream(file, entry, biff5));
  EXPECT_NE(message.find("Excel 95"), std::string::npos) << message;

  // Encrypted: FILEPASS after the BOF.
  const size_t bof_end = 4 + xls::GetU16(stream, 2);
  std::string encrypted = stream;
  encrypted.insert(bof_end, std::string("\x2F\x00\x06\x00\x00\x00\x01\x00\x01\x00", 10));
  message = OpenError(dir / "locked.xls", xls::ReplaceStream(file, entry, encrypted));
  EXPECT_NE(message.find("暗号化"), std::string::npos) << message;

  // Damaged: a record running past the end; a sheet position pointing nowhere.
  message = OpenError(dir / "cut.xls", xls::ReplaceStream(file, entry, stream.substr(0, 1000) + "\x01\x02\xFF\x7F"));
  EXPECT_NE(message.find("壊れて"), std::string::npos) << message;
  std::string moved = stream;
  const xls::XlsWorkbook parsed = xls::ReadXlsWorkbook(stream);
  xls::SetU32(moved, parsed.records[parsed.sheets[0].boundsheet].data_offset(), 3);
  message = OpenError(dir / "moved.xls", xls::ReplaceStream(file, entry, moved));
  EXPECT_NE(message.find("壊れて"), std::string::npos) << message;

  // Not a compound file at all, under an .xls name.
  message = OpenError(dir / "text.xls", "just some text\n");
  EXPECT_NE(message.find("Excel のブック"), std::string::npos) << message;
  message = OpenError(dir / "cut-header.xls", simple.substr(0, 300));
  EXPECT_NE(message.find("Excel 97-2003"), std::string::npos) << message;
}

TEST_F(XlsExistingWorkbook, TheContentChoosesTheFormatNotTheName) {
  // A package under an .xls name opens as a package and stays one.
  const fs::path package = dir / "package.xls";
  {
    auto app = ovix::workbook::CreateApplication();
    auto book = app->Workbooks()->Add();
    book->SaveAs((dir / "made.xlsx").string(), excel::kNoChange);
    app->Quit();
  }
  CopyWritable(dir / "made.xlsx", package);
  {
    auto app = ovix::workbook::CreateApplication();
    auto book = app->Workbooks()->Open(package.string());
    book->Worksheets()->Item("Sheet1")->Shapes()->AddLine(0, 0, 50, 50);
    book->Save();
    app->Quit();
  }
  EXPECT_EQ(ReadFileBytes(package).substr(0, 2), "PK");
  // A legacy workbook under an .xlsx name opens as one and is saved as one.
  const fs::path legacy = dir / "legacy.xlsx";
  CopyWritable(*SharedPath("xls-reference/apache__poi__Simple.xls"), legacy);
  {
    auto app = ovix::workbook::CreateApplication();
    auto book = app->Workbooks()->Open(legacy.string());
    book->Worksheets()->Item("Sheet1")->Shapes()->AddLine(0, 0, 50, 50);
    book->Save();
    app->Quit();
  }
  const std::string saved = ReadFileBytes(legacy);
  ASSERT_TRUE(xls::LooksLikeCompoundFile(saved));
  EXPECT_EQ(SummariseDrawing(WorkbookStream(saved), 0).shape_types[20], 1);
}

TEST_F(XlsExistingWorkbook, AFailedSaveLeavesTheWorkbookAsItWas) {
  const fs::path file = dir / "kept.xls";
  CopyWritable(*SharedPath("xls-reference/apache__poi__SheetWithDrawing.xls"), file);
  const std::string before = ReadFileBytes(file);
  auto app = ovix::workbook::CreateApplication();
  auto book = app->Workbooks()->Open(file.string());
  auto shapes = book->Worksheets()->Item("Sheet1")->Shapes();
  shapes->AddLine(0, 0, 50, 50);
  // Past the 256th column an .xls sheet ends.
  shapes->AddLine(100, 100, 256 * 80.0, 120);
  try {
    book->Save();
    ADD_FAILURE() << "saved a shape past the last column";
  } catch (const excel::AutomationError& e) {
    EXPECT_NE(std::string(e.what()).find("256"), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadFileBytes(file), before);
  // A folder that cannot be written to: the error says so, nothing is left.
  const fs::path locked = dir / "locked";
  fs::create_directories(locked);
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
  if (::geteuid() != 0) {
    EXPECT_THROW(book->SaveAs((locked / "copy.xls").string(), excel::kNoChange), excel::AutomationError);
    EXPECT_FALSE(fs::exists(locked / "copy.xls"));
  }
  fs::permissions(locked, fs::perms::owner_all);
  app->Quit();
  for (const auto& e : fs::directory_iterator(dir.path())) {
    EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << "no temporary file left behind";
  }
}

TEST_F(XlsExistingWorkbook, NewShapesAreNamedAfterThoseAlreadyThere) {
  for (const char* name : {"apache__poi__45129.xls", "GNOME__gnumeric__objs.xls"}) {
    SCOPED_TRACE(name);
    const fs::path file = *SharedPath(std::string("xls-reference/") + name);
    const DrawingSummary was = SummariseDrawing(WorkbookStream(ReadFileBytes(file)), 0);
    const uint16_t max_obj = *std::max_element(was.obj_ids.begin(), was.obj_ids.end());
    auto app = ovix::workbook::CreateApplication();
    auto book = app->Workbooks()->Open(file.string());
    const std::string line = book->Worksheets()->Item("Sheet1")->Shapes()->AddLine(0, 0, 10, 10)->Name();
    ASSERT_EQ(line.rfind("Line ", 0), 0u) << line;
    EXPECT_GT(std::stoi(line.substr(5)), max_obj) << "a default name of a shape already there";
    app->Quit();
  }
}

}  // namespace
