// The pieces an opened workbook is read with: the cell grid of columns and
// rows of custom size, relationship targets resolved to part names, and the
// XML of edited parts written back without losses.
#include <gtest/gtest.h>

#include "excel/excel_automation.h"
#include "workbook/package_xml.h"
#include "workbook/sheet_grid.h"

namespace {

using namespace ovix::workbook;

TEST(GridAxis, CustomAndHiddenCellsAlongAnAxis) {
  // Cells of 100, except 2..3 of 250, 5 hidden, 7 of 40.
  const GridAxis axis(10, 100, {{2, 3, 250}, {5, 5, 0}, {7, 7, 40}});
  auto locate = [&](int64_t at) {
    int32_t index;
    int64_t offset;
    axis.Locate(at, index, offset);
    return std::make_pair(index, offset);
  };
  EXPECT_EQ(locate(-50), std::make_pair(0, int64_t{0}));
  EXPECT_EQ(locate(150), std::make_pair(1, int64_t{50}));
  EXPECT_EQ(locate(200), std::make_pair(2, int64_t{0}));
  EXPECT_EQ(locate(699), std::make_pair(3, int64_t{249}));
  EXPECT_EQ(locate(700), std::make_pair(4, int64_t{0}));
  // The hidden cell has no extent: the boundary after cell 4 opens cell 6.
  EXPECT_EQ(locate(800), std::make_pair(6, int64_t{0}));
  EXPECT_EQ(locate(910), std::make_pair(7, int64_t{10}));
  EXPECT_EQ(locate(940), std::make_pair(8, int64_t{0}));
  // Past the end: the far edge of the last cell.
  EXPECT_EQ(locate(5000), std::make_pair(9, int64_t{100}));

  EXPECT_EQ(axis.Position(0, 0), 0);
  EXPECT_EQ(axis.Position(3, 10), 460);
  EXPECT_EQ(axis.Position(5, 0), 800);
  EXPECT_EQ(axis.Position(6, 0), 800);
  EXPECT_EQ(axis.Position(8, 5), 945);
  // Every position reads back as the cell it came from.
  for (int64_t at = 0; at < 1040; at += 7) {
    const auto [index, offset] = locate(at);
    EXPECT_EQ(axis.Position(index, offset), at) << at;
  }
}

TEST(GridAxis, OverlappingAndOutOfRangeSpansAreTolerated) {
  const GridAxis axis(5, 10, {{1, 100, 20}, {2, 2, 99}, {-3, 0, 5}});
  EXPECT_EQ(axis.Position(4, 0), 0 + 5 + 3 * 20);
  int32_t index;
  int64_t offset;
  axis.Locate(1000, index, offset);
  EXPECT_EQ(index, 4);
  EXPECT_EQ(offset, 20);
  // A sheet whose every cell is hidden puts everything at its origin.
  const GridAxis hidden(3, 0);
  hidden.Locate(50, index, offset);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(offset, 0);
}

TEST(PackageNames, RelationshipTargetsResolveInsideThePackage) {
  EXPECT_EQ(ResolveTarget("xl/workbook.xml", "worksheets/sheet1.xml"), "xl/worksheets/sheet1.xml");
  EXPECT_EQ(ResolveTarget("xl/worksheets/sheet1.xml", "../drawings/drawing1.xml"), "xl/drawings/drawing1.xml");
  EXPECT_EQ(ResolveTarget("xl/workbook.xml", "/xl/worksheets/sheet2.xml"), "xl/worksheets/sheet2.xml");
  EXPECT_EQ(ResolveTarget("", "xl/workbook.xml"), "xl/workbook.xml");
  EXPECT_EQ(ResolveTarget("xl/workbook.xml", "./sheets/a%20b.xml"), "xl/sheets/a b.xml");
  // Nothing above the package's root.
  EXPECT_EQ(ResolveTarget("xl/workbook.xml", "../../etc/passwd"), "");
  EXPECT_EQ(RelationshipsPartFor("xl/worksheets/sheet1.xml"), "xl/worksheets/_rels/sheet1.xml.rels");
  EXPECT_EQ(RelationshipsPartFor(""), "_rels/.rels");
  EXPECT_EQ(UnusedRelationshipId({{"rId1", "", "", false}, {"rId2", "", "", false}, {"rId4", "", "", false}}),
            "rId5");
}

TEST(PackageXml, EditedPartsKeepWhatTheyHeld) {
  const std::string part =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<w xmlns=\"urn:main\" xmlns:mc=\"urn:mc\" mc:Ignorable=\"x\" a=\"1&#10;2&#9;3\">"
      "<t xml:space=\"preserve\"> </t><u>a&#13;b &amp; &lt;c&gt;</u><!-- note --><?pi data?><x:y xmlns:x=\"urn:x\"/></w>";
  pugi::xml_document doc;
  ParseXmlPart(doc, part, "part.xml", "book.xlsx");
  const std::string written = WriteXmlPart(doc);
  EXPECT_EQ(written,
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
            "<w xmlns=\"urn:main\" xmlns:mc=\"urn:mc\" mc:Ignorable=\"x\" a=\"1&#10;2&#09;3\">"
            "<t xml:space=\"preserve\"> </t><u>a&#13;b &amp; &lt;c&gt;</u><!-- note --><?pi data?>"
            "<x:y xmlns:x=\"urn:x\"/></w>");
  EXPECT_TRUE(Is(doc.document_element().last_child(), "urn:x", "y"));
  std::string prefix;
  EXPECT_TRUE(PrefixFor(doc.document_element(), "urn:mc", prefix));
  EXPECT_EQ(prefix, "mc");
  EXPECT_FALSE(PrefixFor(doc.document_element(), "urn:none", prefix));
}

TEST(PackageXml, NotWellFormedAndDtdPartsAreRefused) {
  pugi::xml_document doc;
  EXPECT_THROW(ParseXmlPart(doc, "<a><b></a>", "p.xml", "w.xlsx"), excel::AutomationError);
  EXPECT_THROW(ParseXmlPart(doc, "<!DOCTYPE a><a/>", "p.xml", "w.xlsx"), excel::AutomationError);
  EXPECT_THROW(ParseXmlPart(doc, "", "p.xml", "w.xlsx"), excel::AutomationError);
}

}  // namespace
