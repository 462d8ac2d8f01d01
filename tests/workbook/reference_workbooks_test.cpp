// Every Excel-made workbook of the shared reference set, opened, drawn into
// and saved as a copy: the parts the drawing does not reach are byte for byte
// as they were, the parts it changes validate against the schemas, and
// LibreOffice still opens every result.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "excel/excel_automation.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/external_tools.h"
#include "tests/workbook/package_reader.h"
#include "workbook/workbook_engine.h"

namespace {

namespace fs = std::filesystem;
using namespace ovix::testing;
using Parts = std::map<std::string, std::string>;

// The part a relationship of `source` points to (relative targets only, as
// the reference workbooks write them).
std::string Resolve(const std::string& source, const std::string& target) {
  if (!target.empty() && target.front() == '/') return target.substr(1);
  fs::path base = fs::path(source).parent_path();
  return (base / target).lexically_normal().generic_string();
}

std::string RelsOf(const std::string& part) {
  const fs::path p(part);
  return (p.parent_path() / "_rels" / (p.filename().string() + ".rels")).generic_string();
}

// The part of the sheet named `name`, found the way a reader must: through
// the workbook part and its relationships.
std::string SheetPart(const Parts& parts, const std::string& name) {
  pugi::xml_document workbook, rels;
  workbook.load_string(parts.at("xl/workbook.xml").c_str());
  rels.load_string(parts.at("xl/_rels/workbook.xml.rels").c_str());
  for (pugi::xml_node s : workbook.document_element().child("sheets").children("sheet")) {
    if (name != s.attribute("name").value()) continue;
    for (pugi::xml_node r : rels.document_element().children("Relationship")) {
      if (std::string(r.attribute("Id").value()) == s.attribute("r:id").value()) {
        return Resolve("xl/workbook.xml", r.attribute("Target").value());
      }
    }
  }
  return {};
}

// The sheet's drawing part, or empty.
std::string DrawingPart(const Parts& parts, const std::string& sheet_part) {
  const auto rels_it = parts.find(RelsOf(sheet_part));
  if (rels_it == parts.end()) return {};
  pugi::xml_document rels;
  rels.load_string(rels_it->second.c_str());
  for (pugi::xml_node r : rels.document_element().children("Relationship")) {
    if (std::string(r.attribute("Type").value()).ends_with("/drawing")) {
      return Resolve(sheet_part, r.attribute("Target").value());
    }
  }
  return {};
}

// What each workbook became.
struct Outcome {
  fs::path original;
  fs::path copy;      // empty when nothing was saved
  std::string error;  // the AutomationError, when opening or the lookup failed
  bool has_sheet1 = false;
};

class ReferenceWorkbooks : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const auto folder = SharedPath("ooxml-reference/xlsx");
    if (!folder) return;
    scratch_ = std::make_unique<TempDir>();
    for (const auto& entry : fs::directory_iterator(*folder)) {
      const std::string ext = entry.path().extension().string();
      if (ext != ".xlsx" && ext != ".xlsm") continue;
      outcomes_.push_back(Process(entry.path()));
      every_sheet_.push_back(ProcessEverySheet(entry.path()));
    }
    auto by_name = [](const Outcome& a, const Outcome& b) { return a.original < b.original; };
    std::sort(outcomes_.begin(), outcomes_.end(), by_name);
    std::sort(every_sheet_.begin(), every_sheet_.end(), by_name);
  }
  static void TearDownTestSuite() {
    outcomes_.clear();
    every_sheet_.clear();
    scratch_.reset();
  }

  void SetUp() override {
    if (!SharedPath("ooxml-reference/xlsx")) {
      GTEST_SKIP() << "shared input not found: ooxml-reference/xlsx (set OVIX_SHARED_DIR to the shared folder)";
    }
    ASSERT_FALSE(outcomes_.empty());
  }

  static Outcome Process(const fs::path& original) {
    Outcome out;
    out.original = original;
    out.has_sheet1 = !SheetPart(ReadPackage(original), "Sheet1").empty();
    auto app = ovix::workbook::CreateApplication();
    try {
      auto book = app->Workbooks()->Open(original.string());
      auto sheet = app->Worksheets()->Item("Sheet1");
      auto shapes = sheet->Shapes();
      shapes->AddLine(20, 300, 220, 380);
      shapes->AddShape(excel::kShapeOval, 240, 300, 80, 50)->Line()->ForeColor()->SetSchemeColor(10);
      auto box = shapes->AddTextbox(excel::kOrientationHorizontal, 20, 400, 150, 30);
      box->Select(true);
      app->Selection()->Characters(1, 0)->SetText("追加した text");
      auto a = shapes->AddLine(200, 450, 300, 450);
      auto b = shapes->AddShape(excel::kShapeRectangle, 200, 460, 100, 20);
      shapes->Range({a->Name(), b->Name()})->Group();
      out.copy = scratch_->path() / ("drawn-" + original.filename().string());
      book->SaveAs(out.copy.string(), excel::kNoChange);
    } catch (const excel::AutomationError& e) {
      out.error = e.what();
    }
    return out;
  }

  // Every worksheet of the workbook gets a line and an oval: most of them
  // have no drawing yet, so their parts take a new one.
  static Outcome ProcessEverySheet(const fs::path& original) {
    Outcome out;
    out.original = original;
    auto app = ovix::workbook::CreateApplication();
    try {
      auto book = app->Workbooks()->Open(original.string());
      auto sheets = book->Worksheets();
      for (int32_t i = 1; i <= sheets->Count(); ++i) {
        auto shapes = sheets->Item(i)->Shapes();
        shapes->AddLine(30, 30, 130, 60);
        shapes->AddShape(excel::kShapeOval, 150, 30, 40, 40);
      }
      out.copy = scratch_->path() / ("every-sheet-" + original.filename().string());
      book->SaveAs(out.copy.string(), excel::kNoChange);
    } catch (const excel::AutomationError& e) {
      out.error = e.what();
    }
    return out;
  }

  static std::unique_ptr<TempDir> scratch_;
  static std::vector<Outcome> outcomes_;
  static std::vector<Outcome> every_sheet_;
};

std::unique_ptr<TempDir> ReferenceWorkbooks::scratch_;
std::vector<Outcome> ReferenceWorkbooks::outcomes_;
std::vector<Outcome> ReferenceWorkbooks::every_sheet_;

TEST_F(ReferenceWorkbooks, EveryWorkbookWithSheet1IsDrawnIntoOthersFailTheLookup) {
  for (const Outcome& o : outcomes_) {
    SCOPED_TRACE(o.original.filename().string());
    const bool strict = o.original.filename().string().find("strict") != std::string::npos;
    if (strict) {
      // The Strict format is refused with a message that says so.
      EXPECT_NE(o.error.find("Strict"), std::string::npos) << o.error;
    } else if (o.has_sheet1) {
      EXPECT_EQ(o.error, "");
      EXPECT_TRUE(fs::exists(o.copy));
    } else {
      EXPECT_NE(o.error.find("no sheet named \"Sheet1\""), std::string::npos) << o.error;
      EXPECT_TRUE(o.copy.empty());
    }
  }
}

TEST_F(ReferenceWorkbooks, PartsTheDrawingDoesNotReachAreByteForByteTheSame) {
  int checked = 0;
  for (const Outcome& o : outcomes_) {
    if (!o.error.empty()) continue;
    SCOPED_TRACE(o.original.filename().string());
    const Parts before = ReadPackage(o.original);
    const Parts after = ReadPackage(o.copy);
    const std::string sheet = SheetPart(before, "Sheet1");
    const std::string old_drawing = DrawingPart(before, sheet);
    const std::string new_drawing = DrawingPart(after, sheet);
    ASSERT_FALSE(new_drawing.empty());
    std::set<std::string> may_change = {new_drawing};
    if (old_drawing.empty()) {
      // A new drawing part needs its wiring.
      may_change.insert({sheet, RelsOf(sheet), "[Content_Types].xml"});
    } else {
      EXPECT_EQ(old_drawing, new_drawing);
    }
    for (const auto& [name, data] : before) {
      ASSERT_TRUE(after.count(name)) << name << " was lost";
      if (may_change.count(name) == 0) {
        EXPECT_TRUE(after.at(name) == data) << name << " changed";
      }
    }
    for (const auto& [name, data] : after) {
      if (before.count(name) == 0) {
        EXPECT_TRUE(may_change.count(name)) << name << " is new";
      }
    }
    EXPECT_NE(after.at(new_drawing), before.count(new_drawing) ? before.at(new_drawing) : "");
    ++checked;
  }
  EXPECT_GT(checked, 20);
}

// The markup-compatibility filter of the reference set's README (ignorable
// attributes removed, each mc:AlternateContent replaced by its Fallback).
std::string CompatibilityFilter() {
  return "perl -0pe 's/\\s(?:mc:Ignorable|x14ac:\\w+|xr\\d*:\\w+|a14:\\w+)=\"[^\"]*\"//g; "
         "1 while s{<mc:AlternateContent\\b[^>]*>((?:(?!<mc:AlternateContent\\b).)*?)</mc:AlternateContent>}"
         "{my $b=$1; $b=~m{<mc:Fallback>(.*?)</mc:Fallback>}s ? $1 : \"\"}se;'";
}

// The schema errors xmllint reports for an XML part (after the
// compatibility filter), without line numbers; "" when it is valid.
std::set<std::string> SchemaErrors(const std::string& name, const std::string& data, const fs::path& file) {
  const fs::path schemas = SourceDir() / "tests" / "data" / "ooxml-schemas";
  WriteFileBytes(file, data);
  std::string schema;
  if (name.starts_with("xl/drawings/")) schema = "dml-spreadsheetDrawing.xsd";
  if (name.starts_with("xl/worksheets/sheet")) schema = "sml.xsd";
  std::string command;
  if (schema.empty()) {
    command = "xmllint --noout " + ShellQuote(file.string());
  } else {
    command = CompatibilityFilter() + " " + ShellQuote(file.string()) + " | xmllint --noout --schema " +
              ShellQuote((schemas / schema).string()) + " -";
  }
  const CommandResult r = RunCommand(command);
  std::set<std::string> errors;
  if (r.exit_code == 0) return errors;
  std::istringstream lines(r.output);
  for (std::string line; std::getline(lines, line);) {
    if (line.find("fails to validate") != std::string::npos) continue;
    errors.insert(std::regex_replace(line, std::regex("^[^:]*:[0-9]+: "), ""));
  }
  if (errors.empty()) errors.insert("exit code " + std::to_string(r.exit_code));
  return errors;
}

// Every part of `o`'s copy that differs from the original validates, or has
// no schema error its original did not have (Excel's own files carry a few
// known errata, see the reference set's README).
void ValidateChangedParts(const Outcome& o, const TempDir& dir, int& index) {
  const Parts before = ReadPackage(o.original);
  const Parts after = ReadPackage(o.copy);
  for (const auto& [name, data] : after) {
    const auto old = before.find(name);
    if (old != before.end() && old->second == data) continue;
    const fs::path file = dir / ("part" + std::to_string(index++) + ".xml");
    const std::set<std::string> now = SchemaErrors(name, data, file);
    const std::set<std::string> was = old == before.end() ? std::set<std::string>() : SchemaErrors(name, old->second, file);
    for (const std::string& error : now) {
      EXPECT_TRUE(was.count(error)) << name << ": " << error;
    }
  }
}

TEST_F(ReferenceWorkbooks, ChangedPartsValidateAgainstTheSchemas) {
  ASSERT_TRUE(HasProgram("xmllint")) << "install libxml2-utils (scripts/setup-debian.sh does)";
  TempDir dir;
  int index = 0;
  for (const Outcome& o : outcomes_) {
    if (!o.error.empty()) continue;
    SCOPED_TRACE(o.original.filename().string());
    ValidateChangedParts(o, dir, index);
  }
}

TEST_F(ReferenceWorkbooks, EverySheetTakesADrawingAtItsPlaceInTheSheet) {
  ASSERT_TRUE(HasProgram("xmllint")) << "install libxml2-utils (scripts/setup-debian.sh does)";
  TempDir dir;
  int index = 0, new_drawings = 0;
  for (const Outcome& o : every_sheet_) {
    SCOPED_TRACE(o.original.filename().string());
    if (o.original.filename().string().find("strict") != std::string::npos) continue;
    ASSERT_EQ(o.error, "");
    const Parts before = ReadPackage(o.original);
    const Parts after = ReadPackage(o.copy);
    // Only the sheets' parts, their relationships and drawings, and the
    // content types may change.
    for (const auto& [name, data] : before) {
      ASSERT_TRUE(after.count(name)) << name << " was lost";
      if (after.at(name) == data) continue;
      const bool sheet_part = name.starts_with("xl/worksheets/") || name.starts_with("xl/drawings/drawing") ||
                              name == "[Content_Types].xml";
      EXPECT_TRUE(sheet_part) << name << " changed";
    }
    for (const auto& [name, data] : after) {
      if (before.count(name)) continue;
      EXPECT_TRUE(name.starts_with("xl/drawings/drawing") || name.starts_with("xl/worksheets/_rels/")) << name;
      if (name.starts_with("xl/drawings/drawing")) ++new_drawings;
    }
    ValidateChangedParts(o, dir, index);
  }
  EXPECT_GT(new_drawings, 10);
}

TEST_F(ReferenceWorkbooks, LibreOfficeOpensEveryResult) {
  for (const char* program : {"soffice"}) {
    ASSERT_TRUE(HasProgram(program)) << program << " is missing: scripts/setup-debian.sh installs it";
  }
  TempDir dir;
  std::string files;
  int count = 0;
  std::vector<const Outcome*> all;
  for (const Outcome& o : outcomes_) all.push_back(&o);
  for (const Outcome& o : every_sheet_) all.push_back(&o);
  for (const Outcome* o : all) {
    if (o->copy.empty()) continue;
    files += " " + ShellQuote(o->copy.string());
    ++count;
  }
  // One LibreOffice run converts them all, with a profile of its own.
  const CommandResult r = RunCommand("timeout 900 soffice -env:UserInstallation=file://" +
                                     (dir / "profile").string() + " --headless --convert-to pdf --outdir " +
                                     ShellQuote(dir.path().string()) + files);
  for (const Outcome* o : all) {
    if (o->copy.empty()) continue;
    SCOPED_TRACE(o->copy.filename().string());
    const fs::path pdf = dir / (o->copy.stem().string() + ".pdf");
    ASSERT_TRUE(fs::exists(pdf)) << r.output.substr(0, 3000);
    EXPECT_GT(fs::file_size(pdf), 500u);
  }
  EXPECT_GT(count, 50);
}

}  // namespace
