// The package's wiring: content types and relationships.
#include <string>

#include "workbook/xlsx_parts.h"

namespace ovix::workbook {

std::string ContentTypesXml(const std::vector<SheetPartInfo>& sheets) {
  XmlBuffer x;
  x.Raw(kXmlDeclaration);
  x.Raw("<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">");
  x.Raw("<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>");
  x.Raw("<Default Extension=\"xml\" ContentType=\"application/xml\"/>");
  x.Raw("<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>");
  for (const SheetPartInfo& s : sheets) {
    x.Raw("<Override PartName=\"/xl/worksheets/sheet").Int(s.number);
    x.Raw(".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>");
  }
  x.Raw("<Override PartName=\"/xl/styles.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>");
  for (const SheetPartInfo& s : sheets) {
    if (s.drawing_number == 0) continue;
    x.Raw("<Override PartName=\"/xl/drawings/drawing").Int(s.drawing_number);
    x.Raw(".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.drawing+xml\"/>");
  }
  x.Raw("<Override PartName=\"/docProps/core.xml\" ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>");
  x.Raw("<Override PartName=\"/docProps/app.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.extended-properties+xml\"/>");
  x.Raw("</Types>");
  return std::move(x.str());
}

std::string PackageRelationshipsXml() {
  XmlBuffer x;
  x.Raw(kXmlDeclaration);
  x.Raw("<Relationships xmlns=\"").Raw(ooxml::kRelationshipsNamespace).Raw("\">");
  x.Raw("<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/>");
  x.Raw("<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties\" Target=\"docProps/core.xml\"/>");
  x.Raw("<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties\" Target=\"docProps/app.xml\"/>");
  x.Raw("</Relationships>");
  return std::move(x.str());
}

std::string WorkbookRelationshipsXml(const std::vector<SheetPartInfo>& sheets) {
  XmlBuffer x;
  x.Raw(kXmlDeclaration);
  x.Raw("<Relationships xmlns=\"").Raw(ooxml::kRelationshipsNamespace).Raw("\">");
  for (const SheetPartInfo& s : sheets) {
    x.Raw("<Relationship Id=\"rId").Int(s.number);
    x.Raw("\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet");
    x.Int(s.number).Raw(".xml\"/>");
  }
  x.Raw("<Relationship Id=\"rId").Int(static_cast<int64_t>(sheets.size()) + 1);
  x.Raw("\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>");
  x.Raw("</Relationships>");
  return std::move(x.str());
}

std::string SheetRelationshipsXml(int drawing_number) {
  XmlBuffer x;
  x.Raw(kXmlDeclaration);
  x.Raw("<Relationships xmlns=\"").Raw(ooxml::kRelationshipsNamespace).Raw("\">");
  x.Raw("<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/drawing\" Target=\"../drawings/drawing");
  x.Int(drawing_number).Raw(".xml\"/>");
  x.Raw("</Relationships>");
  return std::move(x.str());
}

}  // namespace ovix::workbook
