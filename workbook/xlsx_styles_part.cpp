// xl/styles.xml. The first font is the workbook's default font, which fixes
// the width of the default column (72 pixels for ＭＳ Ｐゴシック 11 pt) and so
// where shapes sit relative to the cells.
#include "workbook/text_body.h"
#include "workbook/xlsx_parts.h"

namespace ovix::workbook {

std::string StylesXml() {
  XmlBuffer x;
  x.Raw(kXmlDeclaration);
  x.Raw("<styleSheet xmlns=\"").Raw(ooxml::kSpreadsheetNamespace).Raw("\">");
  x.Raw("<fonts count=\"1\"><font><sz val=\"11\"/><color indexed=\"8\"/><name");
  x.Attr("val", kDefaultFontName);
  x.Raw("/><family val=\"3\"/><charset val=\"128\"/></font></fonts>");
  x.Raw("<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
        "<fill><patternFill patternType=\"gray125\"/></fill></fills>");
  x.Raw("<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>");
  x.Raw("<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\">"
        "<alignment vertical=\"center\"/></xf></cellStyleXfs>");
  x.Raw("<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\">"
        "<alignment vertical=\"center\"/></xf></cellXfs>");
  x.Raw("<cellStyles count=\"1\"><cellStyle name=\"標準\" xfId=\"0\" builtinId=\"0\"/></cellStyles>");
  x.Raw("<dxfs count=\"0\"/><tableStyles count=\"0\"/>");
  x.Raw("</styleSheet>");
  return std::move(x.str());
}

}  // namespace ovix::workbook
