// Broken and hostile workbooks: truncated, corrupt and oversized packages,
// zip bombs, unsafe part names, DTDs and entities, missing parts and
// relationships that point nowhere. Each gives an AutomationError that names
// the workbook and the problem; none crashes or hangs.
#include <gtest/gtest.h>

#include <cstring>

#include "excel/excel_automation.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/package_builder.h"
#include "workbook/package_xml.h"
#include "workbook/workbook_engine.h"
#include "workbook/zip_package_reader.h"

namespace {

namespace fs = std::filesystem;
using namespace ovix::testing;
using ovix::workbook::PackageLimits;
using ovix::workbook::ReadZipPackageFromMemory;

class HostilePackages : public ::testing::Test {
 protected:
  // The message of the AutomationError that opening `bytes` as a workbook
  // gives ("" when it opens); `sheet` is taken too when given.
  std::string OpenError(const std::string& bytes, const std::string& sheet = "",
                        const std::string& file_name = "book.xlsx") {
    const fs::path file = dir / file_name;
    WriteFileBytes(file, bytes);
    auto app = ovix::workbook::CreateApplication();
    try {
      app->Workbooks()->Open(file.string());
      if (!sheet.empty()) app->Worksheets()->Item(sheet);
    } catch (const excel::AutomationError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(file_name), std::string::npos) << "the message names the workbook: " << message;
      return message;
    }
    return "";
  }

  std::string WithPart(const std::string& name, const std::string& data) {
    PartList parts = MinimalWorkbook();
    bool replaced = false;
    for (auto& [n, d] : parts) {
      if (n == name) {
        d = data;
        replaced = true;
      }
    }
    if (!replaced) parts.emplace_back(name, data);
    return ZipBytes(parts);
  }

  std::string Without(const std::string& name) {
    PartList parts = MinimalWorkbook();
    std::erase_if(parts, [&](const auto& p) { return p.first == name; });
    return ZipBytes(parts);
  }

  TempDir dir;
};

TEST_F(HostilePackages, TheMinimalWorkbookOpens) { EXPECT_EQ(OpenError(ZipBytes(MinimalWorkbook()), "Sheet1"), ""); }

TEST_F(HostilePackages, DamagedArchives) {
  const std::string good = ZipBytes(MinimalWorkbook());
  EXPECT_NE(OpenError("").find("not a ZIP package"), std::string::npos);
  EXPECT_NE(OpenError("This is not a workbook at all.").find("not a ZIP package"), std::string::npos);
  // Cut at several places: the directory, or the data it points to, is gone.
  for (size_t cut : {good.size() - 10, good.size() / 2, size_t{100}}) {
    SCOPED_TRACE(cut);
    EXPECT_NE(OpenError(good.substr(0, cut)), "");
  }
  // Bytes of the stored data flipped: the checksum catches it.
  std::string stored = ZipBytes(MinimalWorkbook(), /*store=*/true);
  const size_t at = stored.find("<sheets>");
  ASSERT_NE(at, std::string::npos);
  stored[at + 1] = 'X';
  EXPECT_NE(OpenError(stored).find("damaged"), std::string::npos);
}

TEST_F(HostilePackages, ZipBombsAreRefusedBeforeTheyExpand) {
  // 64 MiB of zeros deflate to about 64 KiB at the best compression: a
  // thousandfold expansion.
  const std::string bomb = ZipBytes({{"xl/big.xml", std::string(64u << 20, '\0')}});
  EXPECT_NE(OpenError(bomb).find("ZIP bomb"), std::string::npos);

  // A part that says it is small but expands further is not read past its size.
  PartList parts = MinimalWorkbook();
  parts.emplace_back("xl/lie.bin", std::string(100000, 'a'));
  std::string lying = ZipBytes(parts);
  // Declare 1000 bytes in the local header and the central directory.
  auto patch = [&](const char* signature, size_t size_offset, size_t name_offset, size_t header) {
    for (size_t pos = lying.find(signature, 0, 4); pos != std::string::npos; pos = lying.find(signature, pos + 1, 4)) {
      uint16_t name_length;
      std::memcpy(&name_length, lying.data() + pos + name_offset, 2);
      if (lying.compare(pos + header, name_length, "xl/lie.bin") != 0) continue;
      const uint32_t declared = 1000;
      std::memcpy(lying.data() + pos + size_offset, &declared, 4);
    }
  };
  patch("PK\x01\x02", 24, 28, 46);
  patch("PK\x03\x04", 22, 26, 30);
  EXPECT_NE(OpenError(lying), "");
}

TEST_F(HostilePackages, LimitsOnPartsAndSizes) {
  PartList many;
  for (int i = 0; i < 50; ++i) many.emplace_back("p" + std::to_string(i) + ".xml", "<a/>");
  PackageLimits limits;
  limits.max_parts = 40;
  try {
    ReadZipPackageFromMemory(ZipBytes(many), "many.xlsx", limits);
    FAIL() << "50 parts passed a limit of 40";
  } catch (const excel::AutomationError& e) {
    EXPECT_NE(std::string(e.what()).find("50 parts"), std::string::npos) << e.what();
  }
  limits = PackageLimits();
  limits.max_total_bytes = 1000;
  EXPECT_THROW(ReadZipPackageFromMemory(ZipBytes({{"a.xml", std::string(600, 'a')}, {"b.xml", std::string(600, 'b')}}),
                                        "big.xlsx", limits),
               excel::AutomationError);
  limits = PackageLimits();
  limits.max_part_bytes = 500;
  EXPECT_THROW(ReadZipPackageFromMemory(ZipBytes({{"a.xml", std::string(600, 'a')}}), "big.xlsx", limits),
               excel::AutomationError);
}

// Parsed XML takes about eight times its text: a part beyond the parse budget
// is refused with the part's name before any of it is parsed, and the
// default package limits keep the whole package well below the old 4 GB.
TEST_F(HostilePackages, PartsBeyondTheParseBudgetAreRefusedUnparsed) {
  std::string huge(ovix::workbook::kMaxParsedPartBytes + 1, ' ');
  huge.replace(0, 3, "<a>");
  huge.replace(huge.size() - 4, 4, "</a>");
  pugi::xml_document doc;
  try {
    ovix::workbook::ParseXmlPart(doc, huge, "xl/worksheets/sheet1.xml", "big.xlsx");
    FAIL() << "a part over the budget was parsed";
  } catch (const excel::AutomationError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("xl/worksheets/sheet1.xml"), std::string::npos) << message;
    EXPECT_NE(message.find("128 MB"), std::string::npos) << message;
  }
  EXPECT_FALSE(doc.document_element());
  huge.clear();
  huge.shrink_to_fit();
  const PackageLimits limits;
  EXPECT_LE(limits.max_total_bytes, uint64_t{1} << 30);
  EXPECT_LE(limits.max_part_bytes, limits.max_total_bytes);
}

TEST_F(HostilePackages, UnsafePartNamesAreRefused) {
  for (const char* name : {"../evil.xml", "xl/../../evil.xml", "/etc/evil.xml", "xl\\evil.xml", "xl//evil.xml",
                           "xl/./evil.xml"}) {
    SCOPED_TRACE(name);
    const std::string message = OpenError(WithPart(name, "<a/>"));
    EXPECT_NE(message.find("unsafe"), std::string::npos) << message;
    // Nothing was written anywhere near the folder.
    EXPECT_FALSE(fs::exists(dir.path().parent_path() / "evil.xml"));
  }
  EXPECT_NE(OpenError(WithPart("XL/Workbook.xml", "<a/>")).find("occurs twice"), std::string::npos);
}

TEST_F(HostilePackages, DtdsAndEntitiesAreRefused) {
  const std::string external =
      "<?xml version=\"1.0\"?><!DOCTYPE workbook [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
      "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">&x;</workbook>";
  EXPECT_NE(OpenError(WithPart("xl/workbook.xml", external)).find("DTD"), std::string::npos);
  std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">";
  for (int i = 1; i < 10; ++i) {
    laughs += "<!ENTITY lol" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k) laughs += "&lol" + (i == 1 ? std::string() : std::to_string(i - 1)) + ";";
    laughs += "\">";
  }
  laughs += "]><Types>&lol9;</Types>";
  EXPECT_NE(OpenError(WithPart("[Content_Types].xml", laughs)).find("DTD"), std::string::npos);
  // A DTD in the drawing is found when the sheet is taken.
  PartList parts = MinimalWorkbook("<!DOCTYPE x><xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/"
                                   "2006/spreadsheetDrawing\"/>");
  EXPECT_EQ(OpenError(ZipBytes(parts)), "");
  EXPECT_NE(OpenError(ZipBytes(parts), "Sheet1").find("DTD"), std::string::npos);
}

TEST_F(HostilePackages, MissingPartsAndRelationshipsThatPointNowhere) {
  EXPECT_NE(OpenError(Without("[Content_Types].xml")).find("[Content_Types].xml"), std::string::npos);
  EXPECT_NE(OpenError(Without("_rels/.rels")).find("_rels/.rels"), std::string::npos);
  EXPECT_NE(OpenError(Without("xl/workbook.xml")).find("xl/workbook.xml is missing"), std::string::npos);
  // The workbook's relationship to its sheet points nowhere.
  EXPECT_NE(OpenError(Without("xl/worksheets/sheet1.xml")).find("not in the package"), std::string::npos);
  // The sheet's drawing relationship points nowhere; another sheet of the
  // same workbook would still open.
  PartList parts = MinimalWorkbook("<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/"
                                   "spreadsheetDrawing\"/>");
  std::erase_if(parts, [](const auto& p) { return p.first == "xl/drawings/drawing1.xml"; });
  EXPECT_NE(OpenError(ZipBytes(parts), "Sheet1").find("not in the package"), std::string::npos);
  parts = MinimalWorkbook("<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/"
                          "spreadsheetDrawing\"/>");
  std::erase_if(parts, [](const auto& p) { return p.first == "xl/worksheets/_rels/sheet1.xml.rels"; });
  EXPECT_NE(OpenError(ZipBytes(parts), "Sheet1").find("relationships"), std::string::npos);
}

TEST_F(HostilePackages, MalformedXmlNamesThePart) {
  const std::string message = OpenError(WithPart("xl/worksheets/sheet1.xml", "<worksheet><sheetData>"), "Sheet1");
  EXPECT_NE(message.find("xl/worksheets/sheet1.xml is not well-formed XML"), std::string::npos) << message;
  EXPECT_NE(OpenError(WithPart("xl/workbook.xml", "<notAWorkbook/>")).find("not a spreadsheet workbook"),
            std::string::npos);
  const std::string drawing = OpenError(ZipBytes(MinimalWorkbook("<svg/>")), "Sheet1");
  EXPECT_NE(drawing.find("not a spreadsheet drawing"), std::string::npos) << drawing;
}

TEST_F(HostilePackages, ExtremeNumbersAreTakenWithoutHarm) {
  PartList parts = MinimalWorkbook(
      "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
      "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><xdr:absoluteAnchor>"
      "<xdr:pos x=\"-9223372036854775808\" y=\"99999999999999999999999\"/><xdr:ext cx=\"9223372036854775807\" cy=\"x\"/>"
      "<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"4294967295\" name=\"Big\"/><xdr:cNvSpPr/></xdr:nvSpPr><xdr:spPr><a:xfrm>"
      "<a:off x=\"9223372036854775807\" y=\"-1\"/><a:ext cx=\"1e999\" cy=\"-5\"/></a:xfrm></xdr:spPr></xdr:sp>"
      "<xdr:clientData/></xdr:absoluteAnchor><xdr:twoCellAnchor><xdr:from><xdr:col>-7</xdr:col><xdr:colOff>1e300</xdr:colOff>"
      "<xdr:row>99999999999</xdr:row><xdr:rowOff>-3</xdr:rowOff></xdr:from><xdr:to/><xdr:sp/><xdr:clientData/>"
      "</xdr:twoCellAnchor></xdr:wsDr>");
  for (auto& [name, data] : parts) {
    if (name != "xl/worksheets/sheet1.xml") continue;
    data = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
           "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
           "<sheetFormatPr defaultRowHeight=\"1e308\" defaultColWidth=\"-4\"/>"
           "<cols><col min=\"1e300\" max=\"-1e300\" width=\"1e300\"/><col min=\"2\" max=\"3\" width=\"nan\"/></cols>"
           "<sheetData><row r=\"1e300\" ht=\"1e300\"/><row r=\"-5\" ht=\"-1\"/></sheetData>"
           "<pageSetup paperSize=\"1e300\" scale=\"-1e300\" firstPageNumber=\"1e20\" useFirstPageNumber=\"1\"/>"
           "<drawing r:id=\"rId1\"/></worksheet>";
  }
  const fs::path file = dir / "extreme.xlsx";
  WritePackage(file, parts);
  auto app = ovix::workbook::CreateApplication();
  auto book = app->Workbooks()->Open(file.string());
  auto shapes = app->Worksheets()->Item("Sheet1")->Shapes();
  EXPECT_EQ(shapes->Count(), 2);
  // New ids continue past the largest id the part may hold, or fail cleanly.
  try {
    shapes->AddLine(0, 0, 10, 10);
  } catch (const excel::AutomationError&) {
  }
  for (int32_t i = 1; i <= shapes->Count(); ++i) {
    try {
      shapes->Item(i)->IncrementLeft(-10);
    } catch (const excel::AutomationError&) {
      // A shape too far out to move further.
    }
  }
  try {
    book->Save();
  } catch (const excel::AutomationError&) {
  }
}

TEST_F(HostilePackages, FormatsTheEngineCannotOpen) {
  // The compound-file signature and nothing behind it: opened as an .xls
  // workbook, refused as one.
  const std::string message = OpenError(std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8), "", "old.xls");
  EXPECT_NE(message.find("Excel 97-2003"), std::string::npos) << message;
  EXPECT_NE(OpenError("text", "", "notes.txt").find("Excel のブック"), std::string::npos);
  auto app = ovix::workbook::CreateApplication();
  EXPECT_THROW(app->Workbooks()->Open((dir / "missing.xlsx").string()), excel::AutomationError);
  EXPECT_THROW(app->Workbooks()->Open(dir.path().string() + "/"), excel::AutomationError);
}

TEST_F(HostilePackages, AStrictWorkbookIsRefusedWithAClearMessage) {
  OVIX_REQUIRE_SHARED(strict, "ooxml-reference/xlsx/ClosedXML__ClosedXML__universal-content-strict.xlsx");
  auto app = ovix::workbook::CreateApplication();
  try {
    app->Workbooks()->Open(strict.string());
    FAIL() << "a Strict workbook opened";
  } catch (const excel::AutomationError& e) {
    EXPECT_NE(std::string(e.what()).find("Strict Open XML"), std::string::npos) << e.what();
  }
  EXPECT_EQ(app->Workbooks()->Count(), 0);
}

}  // namespace
