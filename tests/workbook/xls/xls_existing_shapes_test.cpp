// The shapes already on a sheet of an opened .xls workbook, through the
// engine: found by their names (their own, or the default name of their kind
// and object number), placed where their anchors put them, moved and resized
// by name with only their anchors rewritten in place, grouped with new
// shapes (their records moved into the new group, made members), and
// refused clearly where their records would have to be rebuilt (renaming,
// rotating).
// POI and LibreOffice see a moved shape where it was moved to.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <regex>
#include <tuple>

#include "excel/excel_automation.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/external_tools.h"
#include "tests/workbook/xls/xls_file_reader.h"
#include "tests/workbook/xls/xls_record_diff.h"
#include "tests/workbook/xls/xls_test_support.h"
#include "workbook/workbook_engine.h"

namespace ovix::testing {
namespace {

namespace fs = std::filesystem;

std::string WorkbookStream(const fs::path& file) { return AllStreams(ReadFileBytes(file)).at(u"Workbook"); }

// A shape of a reference to move: the sheet (nullptr: the first) and its name.
struct Moved {
  const char* file;
  const char* sheet;
  const char* shape;
};
const Moved kMoved[] = {
    {"GNOME__gnumeric__objs.xls", "Sheet1", "OVAL"},                       // among controls, a chart, a picture
    {"apache__poi__45129.xls", "Sheet1", "Picture 1"},                     // beside nested groups
    {"apache__poi__45129.xls", "Sheet1", "Group 1"},                       // nested groups, moved whole
    {"GNOME__gnumeric__objs.xls", "Sheet1", "CHART"},                      // a chart and its substream
    {"GNOME__gnumeric__objs.xls", "Sheet1", "COMBO"},                      // a form control
    {"apache__poi__ContinueRecordProblem.xls", nullptr, "Drop Down 3"},    // a filter button, unnamed
    {"apache__poi__DrawingAndComments.xls", "Sheet1", "Полилиния 2"},      // data after its OBJ
    {"apache__poi__DrawingContinue.xls", nullptr, "Полилиния 2"},          // anchor in a continued record
    {"apache__poi__dg-text.xls", nullptr, "TextBox 5"},                    // after text continues
    {"apache__poi__SolverContainerAfterSPGR.xls", nullptr, "Прямая соединительная линия 2"},
    {"apache__poi__37684-2.xls", "Page1", "Text Box 12"},                  // a default name
};

class XlsExistingShapes : public XlsReferenceTest {
 protected:
  static std::shared_ptr<excel::Worksheet> SheetOf(excel::Workbook& book, const char* sheet) {
    return sheet ? book.Worksheets()->Item(sheet) : book.Worksheets()->Item(1);
  }
};

TEST_F(XlsExistingShapes, TheSheetsShapesAreFoundByNameWithTheirKinds) {
  struct Expected {
    const char* file;
    const char* sheet;
    int count;  // top-level shapes; cell comments are not shapes here
    std::vector<std::pair<const char*, int32_t>> named;
  };
  const Expected expected[] = {
      {"apache__poi__DrawingAndComments.xls", "Sheet1", 2,
       {{"Овал 1", excel::kTypeAutoShape}, {"Полилиния 2", excel::kTypeFreeform}}},
      {"GNOME__gnumeric__objs.xls", "Sheet1", -1,
       {{"LINE1", excel::kTypeLine}, {"ARROW", excel::kTypeLine}, {"BOX", excel::kTypeAutoShape},
        {"OVAL", excel::kTypeAutoShape}, {"BUTTON", excel::kTypeOther}, {"CHART", excel::kTypeChart},
        {"IMAGE", excel::kTypePicture}, {"TEXTBOX", excel::kTypeTextBox}}},
      {"apache__poi__45129.xls", "Sheet1", 2, {{"Picture 1", excel::kTypePicture}}},
      {"apache__poi__dg-text.xls", nullptr, 5, {{"TextBox 1", excel::kTypeTextBox}, {"TextBox 5", excel::kTypeTextBox}}},
      {"apache__poi__Simple.xls", "Sheet1", 0, {}},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.file);
    auto app = workbook::CreateApplication();
    auto book = app->Workbooks()->Open(Copy(e.file).string());
    auto shapes = SheetOf(*book, e.sheet)->Shapes();
    if (e.count >= 0) EXPECT_EQ(shapes->Count(), e.count);
    for (const auto& [name, type] : e.named) {
      SCOPED_TRACE(name);
      auto shape = shapes->Item(name);
      EXPECT_EQ(shape->Name(), name);
      EXPECT_EQ(shape->Type(), type);
    }
    app->Quit();
  }
  // Shapes without a name of their own take their kind and object number,
  // as the spreadsheet application names them ("Text Box 3", "Group 1").
  auto app = workbook::CreateApplication();
  auto book = app->Workbooks()->Open(Copy("apache__poi__37684-2.xls").string());
  auto shapes = book->Worksheets()->Item("Page1")->Shapes();
  const DrawingSummary summary = SummariseDrawing(WorkbookStream(dir / "apache__poi__37684-2.xls"), 0);
  ASSERT_FALSE(summary.obj_ids.empty());
  EXPECT_EQ(shapes->Item(1)->Name(), "Text Box " + std::to_string(summary.obj_ids[0]));
  EXPECT_EQ(shapes->Count(), static_cast<int32_t>(summary.anchors.size()));
  auto groups = workbook::CreateApplication();
  auto book45129 = groups->Workbooks()->Open(Copy("apache__poi__45129.xls").string());
  EXPECT_EQ(book45129->Worksheets()->Item("Sheet1")->Shapes()->Item(1)->Type(), excel::kTypeGroup);
  EXPECT_EQ(book45129->Worksheets()->Item("Sheet1")->Shapes()->Item(1)->Name().rfind("Group ", 0), 0u);
  groups->Quit();
  app->Quit();
}

TEST_F(XlsExistingShapes, AShapesFrameIsWhereItsAnchorPutsIt) {
  // A new line drawn over an existing shape's frame gets that shape's anchor
  // (to the unit: 1/1024 of a column, 1/256 of a row).
  for (const Moved& m : kMoved) {
    SCOPED_TRACE(m.file);
    const fs::path file = Copy(m.file), out = dir / (std::string("over-") + m.file);
    auto app = workbook::CreateApplication();
    auto book = app->Workbooks()->Open(file.string());
    auto sheet = SheetOf(*book, m.sheet);
    auto shape = sheet->Shapes()->Item(m.shape);
    sheet->Shapes()->AddLine(shape->Left(), shape->Top(), shape->Left() + shape->Width(),
                             shape->Top() + shape->Height());
    book->SaveAs(out.string(), excel::kNoChange);
    app->Quit();
    const DrawingSummary was = SummariseDrawing(WorkbookStream(file), 0);
    const DrawingSummary now = SummariseDrawing(WorkbookStream(out), 0);
    ASSERT_EQ(now.anchors.size(), was.anchors.size() + 1);
    const std::string& line = now.anchors.back();
    bool found = false;
    for (const std::string& anchor : was.anchors) {
      // Each corner to one step: column * 1024 + dx, row * 256 + dy.
      auto u16 = [](const std::string& a, size_t k) {
        return static_cast<int>(static_cast<uint8_t>(a[k]) | static_cast<uint8_t>(a[k + 1]) << 8);
      };
      bool close = anchor.size() == line.size() && anchor.size() >= 18;
      for (size_t k = 2; close && k + 3 < 18; k += 4) {
        const int scale = (k / 4) % 2 == 0 ? 1024 : 256;
        close = std::abs((u16(anchor, k) * scale + u16(anchor, k + 2)) - (u16(line, k) * scale + u16(line, k + 2))) <= 1;
      }
      found = found || close;
    }
    auto values = [](const std::string& a) {
      std::string out;
      for (size_t k = 2; k + 1 < a.size() && k < 18; k += 2) {
        out += std::to_string(static_cast<uint8_t>(a[k]) | static_cast<uint8_t>(a[k + 1]) << 8) + " ";
      }
      return out;
    };
    EXPECT_TRUE(found) << "no shape with the new line's anchor " << values(line);
  }
}

TEST_F(XlsExistingShapes, MovingAShapeByNameRewritesOnlyItsAnchor) {
  const bool poi = HasJavaAndPoi();
  if (!poi) std::cout << "[ NOTE ] javac or Apache POI missing: POI's view not checked\n";
  for (const Moved& m : kMoved) {
    SCOPED_TRACE(m.file);
    const fs::path file = Copy(m.file), out = dir / (std::string("moved-") + m.file);
    double left, top, width, height;
    std::string sheet_name;
    {
      auto app = workbook::CreateApplication();
      auto book = app->Workbooks()->Open(file.string());
      auto sheet = SheetOf(*book, m.sheet);
      sheet_name = sheet->Name();
      auto shape = sheet->Shapes()->Item(m.shape);
      left = shape->Left();
      top = shape->Top();
      width = shape->Width();
      height = shape->Height();
      shape->IncrementLeft(36);
      shape->IncrementTop(45);
      book->SaveAs(out.string(), excel::kNoChange);
      app->Quit();
    }
    const std::string before = WorkbookStream(file), after = WorkbookStream(out);
    EXPECT_EQ(after.size(), before.size()) << "written in place";
    for (const std::string& d : DiffWorkbookRecords(before, after, {0, false, false})) ADD_FAILURE() << d;
    // OBJ and TXO records as they were (a CONTINUE after them may carry the anchor).
    auto objects = [](const std::string& stream) {
      std::vector<std::string> kept;
      for (const std::string& r : ShapeObjectRecords(stream, 0)) {
        if (r.rfind("60:", 0) != 0) kept.push_back(r);
      }
      return kept;
    };
    EXPECT_EQ(objects(after), objects(before));
    const DrawingSummary was = SummariseDrawing(before, 0), now = SummariseDrawing(after, 0);
    ASSERT_EQ(now.anchors.size(), was.anchors.size());
    int changed = 0;
    for (size_t i = 0; i < was.anchors.size(); ++i) changed += was.anchors[i] != now.anchors[i];
    EXPECT_EQ(changed, 1) << "one anchor rewritten";
    EXPECT_EQ(now.spids, was.spids);

    // The engine reads it back where it was moved to, the same size, to an
    // anchor step (1/256 of a row: 1.2 points in 45129's 310-point row).
    auto app = workbook::CreateApplication();
    auto book = app->Workbooks()->Open(out.string());
    auto shape = SheetOf(*book, m.sheet)->Shapes()->Item(m.shape);
    EXPECT_NEAR(shape->Left(), left + 36, 1.5);
    EXPECT_NEAR(shape->Top(), top + 45, 1.5);
    EXPECT_NEAR(shape->Width(), width, 1.5);
    EXPECT_NEAR(shape->Height(), height, 1.5);
    app->Quit();

    if (!poi) continue;
    // POI: the same shapes; one top-level anchor further right and down.
    const auto poi_was = ReadWithPoi(file, dir.path()), poi_now = ReadWithPoi(out, dir.path());
    ASSERT_EQ(poi_now.size(), poi_was.size());
    int moved = 0;
    for (size_t i = 0; i < poi_was.size(); ++i) {
      EXPECT_EQ(poi_now[i].name, poi_was[i].name);
      if (poi_now[i].anchor == poi_was[i].anchor) continue;
      ++moved;
      EXPECT_EQ(poi_now[i].sheet, sheet_name);
      EXPECT_EQ(poi_now[i].depth, 0);
      ASSERT_EQ(poi_now[i].anchor.size(), 8u);
      // Column then row of each corner: never before where they were.
      EXPECT_GE(poi_now[i].anchor[0] * 1024 + poi_now[i].anchor[1], poi_was[i].anchor[0] * 1024 + poi_was[i].anchor[1]);
      EXPECT_GT(poi_now[i].anchor[2] * 256 + poi_now[i].anchor[3], poi_was[i].anchor[2] * 256 + poi_was[i].anchor[3]);
    }
    EXPECT_EQ(moved, 1);
  }
}

TEST_F(XlsExistingShapes, LibreOfficeShowsTheMovedShapeAtItsNewAnchorAndTheOthersInPlace) {
  if (!HasProgram("soffice") || !HasProgram("unzip")) GTEST_SKIP() << "LibreOffice or unzip missing";
  const fs::path file = Copy("apache__poi__DrawingAndComments.xls"), out = dir / "moved.xls";
  {
    auto app = workbook::CreateApplication();
    auto book = app->Workbooks()->Open(file.string());
    book->Worksheets()->Item("Sheet1")->Shapes()->Item("Овал 1")->IncrementLeft(72);
    book->SaveAs(out.string(), excel::kNoChange);
    app->Quit();
  }
  const CommandResult r = RunCommand("timeout 600 soffice -env:UserInstallation=file://" +
                                     (dir / "lo-profile").string() + " --headless --convert-to ods --outdir " +
                                     ShellQuote((dir / "ods").string()) + " " + ShellQuote(file.string()) + " " +
                                     ShellQuote(out.string()) + " 2>&1");
  ASSERT_EQ(r.exit_code, 0) << r.output;
  // Where LibreOffice puts a shape: the column of the cell that holds it,
  // and its offset in that cell as a share of the column's width (the
  // sheet's columns all have one width here).
  struct Place {
    int column = -1;
    double share = -1;
  };
  auto place = [&](const std::string& stem, const std::string& name) {
    const std::string content =
        RunCommand("unzip -p " + ShellQuote((dir / "ods" / (stem + ".ods")).string()) + " content.xml").output;
    Place p;
    std::smatch m;
    if (!std::regex_search(content, m, std::regex("style:column-width=\"([0-9.]+)in\""))) return p;
    const double width = std::stod(m[1]);
    const size_t at = content.find("draw:name=\"" + name + "\"");
    const size_t row = content.rfind("<table:table-row", at);
    if (at == std::string::npos || row == std::string::npos) return p;
    const std::string before = content.substr(row, at - row);
    static const std::regex cell("<table:(covered-)?table-cell\\b[^>]*>");
    int columns = 0;
    for (auto it = std::sregex_iterator(before.begin(), before.end(), cell); it != std::sregex_iterator(); ++it) {
      std::smatch n;
      const std::string c = it->str();
      columns += std::regex_search(c, n, std::regex("number-columns-repeated=\"([0-9]+)\"")) ? std::stoi(n[1]) : 1;
    }
    p.column = columns - 1;
    const std::string element = content.substr(at, content.find('>', at) - at);
    if (std::regex_search(element, m, std::regex("svg:x=\"(-?[0-9.]+)in\""))) p.share = std::stod(m[1]) / width;
    return p;
  };
  const DrawingSummary was = SummariseDrawing(WorkbookStream(file), 0), now = SummariseDrawing(WorkbookStream(out), 0);
  auto u16 = [](const std::string& a, size_t k) { return static_cast<uint8_t>(a[k]) | static_cast<uint8_t>(a[k + 1]) << 8; };
  for (const auto& [name, summary, stem] : {std::tuple{"Овал 1", &now, "moved"},
                                             std::tuple{"Овал 1", &was, "apache__poi__DrawingAndComments"},
                                             std::tuple{"Полилиния 2", &now, "moved"}}) {
    SCOPED_TRACE(std::string(name) + " in " + stem);
    // The oval is the fourth shape with an anchor, after three comments; the freeform the fifth.
    const std::string& anchor = summary->anchors.at(std::string(name) == "Овал 1" ? 3 : 4);
    const Place p = place(stem, name);
    EXPECT_EQ(p.column, u16(anchor, 2));
    EXPECT_NEAR(p.share, u16(anchor, 4) / 1024.0, 0.01);
  }
  EXPECT_NE(now.anchors.at(3), was.anchors.at(3));
  EXPECT_EQ(now.anchors.at(4), was.anchors.at(4));
}

TEST_F(XlsExistingShapes, RenamingOrRotatingTheSheetsShapesIsRefusedAndChangesNothing) {
  const fs::path file = Copy("GNOME__gnumeric__objs.xls");
  const std::string bytes = ReadFileBytes(file);
  auto app = workbook::CreateApplication();
  auto book = app->Workbooks()->Open(file.string());
  auto shapes = book->Worksheets()->Item("Sheet1")->Shapes();
  shapes->Item("OVAL")->SetRotation(30);
  try {
    book->Save();
    ADD_FAILURE() << "saved";
  } catch (const excel::AutomationError& e) {
    EXPECT_NE(std::string(e.what()).find("OVAL"), std::string::npos) << e.what();
  }
  shapes->Item("OVAL")->SetRotation(0);
  shapes->Item("BOX")->SetName("Title block");
  try {
    book->Save();
    ADD_FAILURE() << "saved";
  } catch (const excel::AutomationError& e) {
    EXPECT_NE(std::string(e.what()).find("BOX"), std::string::npos) << e.what();
  }
  app->Quit();
  EXPECT_EQ(ReadFileBytes(file), bytes);
}

TEST_F(XlsExistingShapes, GroupingTheSheetsShapesWithNewOnesMovesTheirRecordsIntoTheGroup) {
  const bool poi = HasJavaAndPoi();
  for (const Moved& m : kMoved) {
    SCOPED_TRACE(std::string(m.file) + " " + m.shape);
    const fs::path file = Copy(m.file), out = dir / (std::string("grouped-") + m.file);
    std::string group_name;
    {
      auto app = workbook::CreateApplication();
      auto book = app->Workbooks()->Open(file.string());
      auto shapes = SheetOf(*book, m.sheet)->Shapes();
      auto line = shapes->AddLine(10, 10, 60, 40);
      auto group = shapes->Range({m.shape, line->Name()})->Group();
      group_name = group->Name();
      group->IncrementLeft(20);  // the group and its members move together
      book->SaveAs(out.string(), excel::kNoChange);
      app->Quit();
    }
    const std::string before = WorkbookStream(file), after = WorkbookStream(out);
    for (const std::string& d : DiffWorkbookRecords(before, after, {0, false, true})) ADD_FAILURE() << d;
    // Every OBJ and TXO record is still there (the shape's own among them).
    auto objects = [](const std::string& stream) {
      std::multiset<std::string> kept;
      for (const std::string& r : ShapeObjectRecords(stream, 0)) {
        if (r.rfind("60:", 0) != 0) kept.insert(r);
      }
      return kept;
    };
    const auto objects_was = objects(before), objects_now = objects(after);
    EXPECT_TRUE(std::includes(objects_now.begin(), objects_now.end(), objects_was.begin(), objects_was.end()));
    EXPECT_EQ(objects_now.size(), objects_was.size() + 2) << "the new line and group";
    const DrawingSummary was = SummariseDrawing(before, 0), now = SummariseDrawing(after, 0);
    const std::set<uint32_t> spids(now.spids.begin(), now.spids.end());
    EXPECT_EQ(spids.size(), now.spids.size()) << "shape ids unique";
    for (const uint32_t id : was.spids) EXPECT_TRUE(spids.count(id)) << "the shape keeps its id " << id;
    EXPECT_EQ(now.spids.size(), was.spids.size() + 2);
    EXPECT_EQ(now.fdg_count, now.spids.size());
    EXPECT_EQ(now.groups, was.groups + 1);
    EXPECT_EQ(now.anchors.size(), was.anchors.size()) << "one top-level anchor left, the group's came";

    // Our reader: container lengths agree; the group holds the shape as a
    // child (by its name when it has one of its own, and by its id).
    const xls::SheetDrawing d_was = xls::ReadSheetDrawing(xls::ReadXlsFile(file).sheets.at(0));
    const xls::SheetDrawing d = xls::ReadSheetDrawing(xls::ReadXlsFile(out).sheets.at(0));
    bool named = false;
    for (const xls::ArtShape& a : d_was.shapes) named = named || a.name == m.shape;
    ASSERT_FALSE(d.shapes.empty());
    EXPECT_EQ(d.shapes.size(), d_was.shapes.size());
    const xls::ArtShape& g = d.shapes.back();
    EXPECT_TRUE(g.group);
    ASSERT_EQ(g.children.size(), 2u);
    if (named) EXPECT_EQ(g.children[0].name, m.shape);
    bool was_top_level = false;
    for (const xls::ArtShape& a : d_was.shapes) was_top_level = was_top_level || a.spid == g.children[0].spid;
    EXPECT_TRUE(was_top_level) << "the member is the sheet's shape, with its id";
    for (const xls::ArtShape& a : d.shapes) EXPECT_NE(a.spid, g.children[0].spid) << "and no longer top-level";
    EXPECT_TRUE(g.children[0].flags & 0x2) << "a child";
    EXPECT_TRUE(g.children[0].client_anchor.empty());
    EXPECT_EQ(g.children[0].child_anchor.size(), 4u);

    // The engine opens it and finds the group.
    auto app = workbook::CreateApplication();
    auto book = app->Workbooks()->Open(out.string());
    EXPECT_EQ(SheetOf(*book, m.sheet)->Shapes()->Item(group_name)->Type(), excel::kTypeGroup);
    app->Quit();

    // POI (which stops reading a sheet's drawing at an embedded chart, as in
    // the Gnumeric sample): as many top-level shapes, two more in all.
    if (!poi || std::string(m.file) == "GNOME__gnumeric__objs.xls") continue;
    const auto poi_was = ReadWithPoi(file, dir.path()), poi_now = ReadWithPoi(out, dir.path());
    auto top = [](const std::vector<PoiShape>& v) {
      return std::count_if(v.begin(), v.end(), [](const PoiShape& p) { return p.depth == 0; });
    };
    EXPECT_EQ(top(poi_now), top(poi_was));
    EXPECT_EQ(poi_now.size(), poi_was.size() + 2);
    int member = 0;
    for (const PoiShape& p : poi_now) member += p.depth == 1 && (!named || p.name == m.shape);
    EXPECT_GE(member, 1) << "POI reads the shape inside the group";
  }
  if (HasProgram("soffice")) {
    std::string files;
    for (const Moved& m : kMoved) files += " " + ShellQuote((dir / (std::string("grouped-") + m.file)).string());
    const CommandResult r = RunCommand("timeout 900 soffice -env:UserInstallation=file://" +
                                       (dir / "lo-profile").string() + " --headless --convert-to ods --outdir " +
                                       ShellQuote((dir / "ods").string()) + files + " 2>&1");
    EXPECT_EQ(r.exit_code, 0) << r.output;
    for (const Moved& m : kMoved) {
      const std::string stem = fs::path(std::string("grouped-") + m.file).stem().string();
      const std::string content =
          RunCommand("unzip -p " + ShellQuote((dir / "ods" / (stem + ".ods")).string()) + " content.xml").output;
      // LibreOffice shows the shape inside a group (found by its own name).
      if (std::string(m.shape).find("Drop Down") == 0 || std::string(m.shape).find("Text Box") == 0 ||
          std::string(m.shape).find("Group") == 0) {
        continue;
      }
      const size_t shape = content.find("draw:name=\"" + std::string(m.shape) + "\"");
      EXPECT_NE(shape, std::string::npos) << stem;
      EXPECT_NE(content.rfind("<draw:g", shape), std::string::npos) << stem;
    }
  }
}

TEST_F(XlsExistingShapes, AWorkbookSavedWithoutChangesKeepsItsBytes) {
  for (const Moved& m : kMoved) {
    SCOPED_TRACE(m.file);
    const fs::path file = Copy(m.file), out = dir / (std::string("same-") + m.file);
    auto app = workbook::CreateApplication();
    auto book = app->Workbooks()->Open(file.string());
    auto shape = SheetOf(*book, m.sheet)->Shapes()->Item(m.shape);
    shape->IncrementLeft(10);
    shape->IncrementLeft(-10);  // back where it was
    book->SaveAs(out.string(), excel::kNoChange);
    app->Quit();
    EXPECT_EQ(ReadFileBytes(out), ReadFileBytes(file));
  }
}

}  // namespace
}  // namespace ovix::testing
