#include "tests/workbook/xls/xls_test_support.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/shared_files.h"
#include "tests/workbook/external_tools.h"

namespace ovix::testing {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPoiClassPath =
    "/usr/share/java/poi.jar:/usr/share/java/commons-collections4.jar:/usr/share/java/commons-math3.jar:"
    "/usr/share/java/commons-codec.jar:/usr/share/java/commons-logging.jar";

}  // namespace

void CopyWritable(const fs::path& from, const fs::path& to) {
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
  fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
}

bool HasJavaAndPoi() {
  return HasProgram("javac") && HasProgram("java") && fs::exists("/usr/share/java/poi.jar");
}

namespace {

std::string RunPoiCheck(const fs::path& xls, const fs::path& work) {
  const fs::path classes = work / "poi-classes";
  if (!fs::exists(classes / "XlsDrawingCheck.class")) {
    fs::create_directories(classes);
    const CommandResult compiled =
        RunCommand(std::string("javac -nowarn -cp ") + kPoiClassPath + " -d " + ShellQuote(classes.string()) +
                   " " + ShellQuote((SourceDir() / "tests/workbook/xls/XlsDrawingCheck.java").string()) + " 2>&1");
    EXPECT_EQ(compiled.exit_code, 0) << compiled.output;
  }
  const CommandResult run = RunCommand(std::string("java -cp ") + kPoiClassPath + ":" +
                                       ShellQuote(classes.string()) + " XlsDrawingCheck " +
                                       ShellQuote(xls.string()) + " 2>&1");
  EXPECT_EQ(run.exit_code, 0) << run.output.substr(0, 4000);
  return run.output;
}

}  // namespace

std::map<std::string, std::string> PoiPrintAreas(const fs::path& xls, const fs::path& work) {
  std::map<std::string, std::string> areas;
  std::istringstream lines(RunPoiCheck(xls, work));
  std::string line, sheet;
  while (std::getline(lines, line)) {
    if (line.rfind("SHEET ", 0) == 0) sheet = line.substr(6);
    if (line.rfind("PRINTAREA ", 0) == 0) areas[sheet] = line.substr(10);
  }
  return areas;
}

std::vector<PoiShape> ReadWithPoi(const fs::path& xls, const fs::path& work) {
  std::vector<PoiShape> shapes;
  std::istringstream lines(RunPoiCheck(xls, work));
  std::string line, sheet;
  while (std::getline(lines, line)) {
    if (line.rfind("SHEET ", 0) == 0) sheet = line.substr(6);
    if (line.rfind("SHAPE ", 0) != 0) continue;
    std::vector<std::string> fields;
    size_t at = 6;
    while (true) {
      const size_t bar = line.find(" | ", at);
      fields.push_back(line.substr(at, bar == std::string::npos ? std::string::npos : bar - at));
      if (bar == std::string::npos) break;
      at = bar + 3;
    }
    PoiShape s;
    s.sheet = sheet;
    std::istringstream head(fields.at(0));
    head >> s.depth >> s.kind;
    std::getline(head >> std::ws, s.name);
    // POI keeps the name's terminating NUL.
    while (!s.name.empty() && (s.name.back() == '\0' || s.name.back() == ' ')) s.name.pop_back();
    if (fields.size() > 1) {
      std::istringstream anchor(fields[1]);
      for (int v; anchor >> v;) s.anchor.push_back(v);
    }
    if (fields.size() > 2) s.text = fields[2];
    if (fields.size() > 3) s.fonts = fields[3];
    shapes.push_back(s);
  }
  return shapes;
}

std::map<std::string, int> PoiKinds(const std::vector<PoiShape>& shapes, const std::string& sheet) {
  std::map<std::string, int> kinds;
  for (const PoiShape& s : shapes) {
    if (s.sheet == sheet) ++kinds[s.kind];
  }
  return kinds;
}

}  // namespace ovix::testing
