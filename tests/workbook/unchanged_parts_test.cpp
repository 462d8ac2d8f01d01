// Parts of an opened workbook that a save does not change are copied into
// the new package as the original archive stored them (the same compressed
// bytes, method and CRC), without being expanded; a part damaged in the
// archive is still refused when the workbook is opened.
#include <gtest/gtest.h>
#include <zip.h>

#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>

#include "excel/excel_automation.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/package_builder.h"
#include "tests/workbook/package_reader.h"
#include "workbook/workbook_engine.h"
#include "workbook/zip_package_reader.h"

namespace {

namespace fs = std::filesystem;
using namespace ovix::testing;

struct RawMember {
  uint16_t method = 0;
  uint32_t crc = 0;
  std::string bytes;  // as stored in the archive
};

// Every member of the archive at `path` as stored, read by libzip.
std::map<std::string, RawMember> RawMembers(const fs::path& path) {
  int error = 0;
  std::unique_ptr<zip_t, decltype(&zip_discard)> archive(zip_open(path.c_str(), ZIP_RDONLY, &error),
                                                         &zip_discard);
  if (!archive) throw std::runtime_error("not a readable ZIP package: " + path.string());
  std::map<std::string, RawMember> members;
  for (zip_int64_t i = 0; i < zip_get_num_entries(archive.get(), 0); ++i) {
    zip_stat_t st;
    zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &st);
    std::unique_ptr<zip_file_t, decltype(&zip_fclose)> file(
        zip_fopen_index(archive.get(), static_cast<zip_uint64_t>(i), ZIP_FL_COMPRESSED), &zip_fclose);
    RawMember m{static_cast<uint16_t>(st.comp_method), st.crc, std::string(st.comp_size, '\0')};
    if (!file || zip_fread(file.get(), m.bytes.data(), st.comp_size) != static_cast<zip_int64_t>(st.comp_size)) {
      throw std::runtime_error(std::string("cannot read ") + st.name);
    }
    members.emplace(st.name, std::move(m));
  }
  return members;
}

// Opens `original`, draws on Sheet1 and saves the copy `saved`.
void DrawAndSave(const fs::path& original, const fs::path& saved) {
  auto app = ovix::workbook::CreateApplication();
  auto book = app->Workbooks()->Open(original.string());
  auto shapes = app->Worksheets()->Item("Sheet1")->Shapes();
  shapes->AddLine(20, 300, 220, 380);
  shapes->AddShape(excel::kShapeOval, 240, 300, 80, 50);
  book->SaveAs(saved.string(), excel::kNoChange);
}

// Parts a drawing on a sheet may change: the content types, the sheet, its
// relationships and drawings.
bool MayChange(const std::string& name) {
  return name == "[Content_Types].xml" || name.starts_with("xl/worksheets/") || name.starts_with("xl/drawings/");
}

// Every part of `original` is in `saved` with the same uncompressed bytes
// unless a drawing may change it, and every part whose bytes are the same is
// stored exactly as it was.
void ExpectUnchangedPartsCopied(const fs::path& original, const fs::path& saved) {
  const auto was = ReadPackage(original);
  const auto now = ReadPackage(saved);  // inflates every part, checking its CRC
  const auto raw_was = RawMembers(original);
  const auto raw_now = RawMembers(saved);
  size_t copied = 0;
  for (const auto& [name, data] : was) {
    SCOPED_TRACE(name);
    const auto it = now.find(name);
    ASSERT_NE(it, now.end()) << "the part is kept";
    if (it->second != data) {
      EXPECT_TRUE(MayChange(name)) << "only the parts a drawing concerns change";
      continue;
    }
    const RawMember& a = raw_was.at(name);
    const RawMember& b = raw_now.at(name);
    EXPECT_EQ(a.method, b.method);
    EXPECT_EQ(a.crc, b.crc);
    EXPECT_TRUE(a.bytes == b.bytes) << "the stored bytes are copied as they were";
    ++copied;
  }
  EXPECT_GE(copied + 4, was.size()) << "all but the few parts a drawing changes are copied";
}

TEST(UnchangedParts, AreCopiedAsStoredFromAnExcelWorkbook) {
  // Excel-made: one with stored and deflated members, one whose sheet has a
  // drawing already.
  for (const char* file : {"MathNya__umya-spreadsheet__aaa.xlsx", "jmcnamara__XlsxWriter__textbox01.xlsx"}) {
    SCOPED_TRACE(file);
    const auto original = SharedPath(std::string("ooxml-reference/xlsx/") + file);
    if (!original) GTEST_SKIP() << "shared input not found: ooxml-reference/xlsx (set OVIX_SHARED_DIR)";
    TempDir dir;
    DrawAndSave(*original, dir / "drawn.xlsx");
    ExpectUnchangedPartsCopied(*original, dir / "drawn.xlsx");
    // Drawn into again: the copy's own parts are copied the same way.
    DrawAndSave(dir / "drawn.xlsx", dir / "again.xlsx");
    ExpectUnchangedPartsCopied(dir / "drawn.xlsx", dir / "again.xlsx");
  }
}

TEST(UnchangedParts, AreCopiedAsStoredFromAnEngineWorkbook) {
  TempDir dir;
  {
    auto app = ovix::workbook::CreateApplication();
    auto book = app->Workbooks()->Add();
    app->Worksheets()->Item("Sheet1")->Shapes()->AddLine(0, 0, 100, 100);
    book->SaveAs((dir / "made.xlsx").string(), excel::kNoChange);
  }
  DrawAndSave(dir / "made.xlsx", dir / "drawn.xlsx");
  ExpectUnchangedPartsCopied(dir / "made.xlsx", dir / "drawn.xlsx");

  // Stored members (a writer that does not compress) stay stored.
  WriteFileBytes(dir / "stored.xlsx", ZipBytes(MinimalWorkbook(), /*store=*/true));
  DrawAndSave(dir / "stored.xlsx", dir / "stored-drawn.xlsx");
  ExpectUnchangedPartsCopied(dir / "stored.xlsx", dir / "stored-drawn.xlsx");
  EXPECT_EQ(RawMembers(dir / "stored-drawn.xlsx").at("xl/workbook.xml").method, ZIP_CM_STORE);
}

// Sets the CRC of the member `name` in its local header and the directory.
void SetCrc(std::string& zip, const std::string& name, uint32_t crc) {
  auto patch = [&](const char* signature, size_t crc_offset, size_t name_offset, size_t header) {
    for (size_t pos = zip.find(signature, 0, 4); pos != std::string::npos; pos = zip.find(signature, pos + 1, 4)) {
      uint16_t length;
      std::memcpy(&length, zip.data() + pos + name_offset, 2);
      if (length != name.size() || zip.compare(pos + header, length, name) != 0) continue;
      std::memcpy(zip.data() + pos + crc_offset, &crc, 4);
    }
  };
  patch("PK\x01\x02", 16, 28, 46);
  patch("PK\x03\x04", 14, 26, 30);
}

TEST(UnchangedParts, APartWithAWrongCrcIsRefusedAtOpen) {
  // A part the engine never parses: only the check at open can notice.
  PartList parts = MinimalWorkbook();
  parts.emplace_back("xl/media/blob.bin", std::string(5000, 'x'));
  for (bool store : {false, true}) {
    SCOPED_TRACE(store);
    TempDir dir;
    std::string zip = ZipBytes(parts, store);
    WriteFileBytes(dir / "good.xlsx", zip);
    EXPECT_NO_THROW(ovix::workbook::ReadZipPackage(dir / "good.xlsx"));
    SetCrc(zip, "xl/media/blob.bin", 0x12345678);
    WriteFileBytes(dir / "bad.xlsx", zip);
    auto app = ovix::workbook::CreateApplication();
    try {
      app->Workbooks()->Open((dir / "bad.xlsx").string());
      ADD_FAILURE() << "a part with a wrong CRC opens";
    } catch (const excel::AutomationError& e) {
      EXPECT_NE(std::string(e.what()).find("damaged"), std::string::npos) << e.what();
    }
  }
}

TEST(UnchangedParts, AreExpandedOnlyWhenRead) {
  const std::string text(100000, 'a');
  const std::string zip = ZipBytes({{"a.xml", text}, {"b.xml", "<b/>"}});
  const auto contents = ovix::workbook::ReadZipPackageFromMemory(zip, "book.xlsx");
  const ovix::workbook::PackagePart* a = contents.Find("A.XML");
  ASSERT_NE(a, nullptr);
  EXPECT_TRUE(a->has_compressed());
  EXPECT_EQ(a->method(), ZIP_CM_DEFLATE);
  EXPECT_LT(a->compressed().size(), 1000u) << "held compressed";
  EXPECT_EQ(a->size(), text.size());
  EXPECT_EQ(a->data(), text);
  EXPECT_EQ(&a->data(), &a->data()) << "inflated once";
  EXPECT_EQ(contents.Find("b.xml")->data(), "<b/>");
}

}  // namespace
