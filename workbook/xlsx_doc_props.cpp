// The package's document properties: core (dates, author) and extended
// (application, sheet names).
#include <cstdio>
#include <ctime>

#include "workbook/xlsx_parts.h"

namespace ovix::workbook {

namespace {

// W3C date-time in UTC, as the core properties hold it.
std::string W3cDateTime(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

}  // namespace

std::string CorePropertiesXml(std::time_t created, std::time_t modified) {
  XmlBuffer x;
  x.Raw(kXmlDeclaration);
  x.Raw("<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
        "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
        "xmlns:dcmitype=\"http://purl.org/dc/dcmitype/\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">");
  x.Raw("<dc:creator>Ovix</dc:creator><cp:lastModifiedBy>Ovix</cp:lastModifiedBy>");
  x.Raw("<dcterms:created xsi:type=\"dcterms:W3CDTF\">").Raw(W3cDateTime(created)).Raw("</dcterms:created>");
  x.Raw("<dcterms:modified xsi:type=\"dcterms:W3CDTF\">").Raw(W3cDateTime(modified)).Raw("</dcterms:modified>");
  x.Raw("</cp:coreProperties>");
  return std::move(x.str());
}

std::string AppPropertiesXml(const WorkbookState& book) {
  XmlBuffer x;
  x.Raw(kXmlDeclaration);
  x.Raw("<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\" "
        "xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\">");
  x.Raw("<Application>Ovix</Application><DocSecurity>0</DocSecurity><ScaleCrop>false</ScaleCrop>");
  const auto count = static_cast<int64_t>(book.sheets.size());
  x.Raw("<HeadingPairs><vt:vector size=\"2\" baseType=\"variant\"><vt:variant><vt:lpstr>Worksheets</vt:lpstr>"
        "</vt:variant><vt:variant><vt:i4>").Int(count).Raw("</vt:i4></vt:variant></vt:vector></HeadingPairs>");
  x.Raw("<TitlesOfParts><vt:vector").Attr("size", count).Raw(" baseType=\"lpstr\">");
  for (const auto& sheet : book.sheets) x.Raw("<vt:lpstr>").Text(sheet->name).Raw("</vt:lpstr>");
  x.Raw("</vt:vector></TitlesOfParts>");
  x.Raw("<LinksUpToDate>false</LinksUpToDate><SharedDoc>false</SharedDoc><HyperlinksChanged>false</HyperlinksChanged>");
  x.Raw("</Properties>");
  return std::move(x.str());
}

}  // namespace ovix::workbook
