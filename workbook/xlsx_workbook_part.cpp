// xl/workbook.xml: the sheets and the defined names that hold each sheet's
// print titles and print area.
#include "workbook/cell_reference.h"
#include "workbook/xlsx_parts.h"

namespace ovix::workbook {

namespace {

// "A1,$B$2" of `sheet` to "Sheet1!$A$1,Sheet1!$B$2".
std::string Qualified(const std::string& references, const std::string& sheet) {
  const auto q = QualifiedReferenceList(references, sheet);
  return q ? *q : std::string();
}

void DefinedName(XmlBuffer& x, const char* name, size_t sheet_index, const std::string& value) {
  if (value.empty()) return;
  x.Raw("<definedName").Attr("name", name).Attr("localSheetId", static_cast<int64_t>(sheet_index));
  x.Raw(">").Text(value).Raw("</definedName>");
}

}  // namespace

std::string PrintAreaReference(const PageSetupValues& page, const std::string& sheet_name) {
  return Qualified(page.print_area, sheet_name);
}

std::string PrintTitlesReference(const PageSetupValues& page, const std::string& sheet_name) {
  std::string titles = Qualified(page.print_title_columns, sheet_name);
  const std::string rows = Qualified(page.print_title_rows, sheet_name);
  if (!rows.empty()) titles += (titles.empty() ? "" : ",") + rows;
  return titles;
}

std::string WorkbookXml(const WorkbookState& book) {
  XmlBuffer x;
  x.Raw(kXmlDeclaration);
  x.Raw("<workbook xmlns=\"").Raw(ooxml::kSpreadsheetNamespace);
  x.Raw("\" xmlns:r=\"").Raw(ooxml::kOfficeDocumentRelationships).Raw("\">");
  x.Raw("<workbookPr/>");
  x.Raw("<bookViews><workbookView").Attr("activeTab", static_cast<int64_t>(book.active_sheet));
  x.Raw("/></bookViews>");
  x.Raw("<sheets>");
  for (size_t i = 0; i < book.sheets.size(); ++i) {
    x.Raw("<sheet").Attr("name", book.sheets[i]->name).Attr("sheetId", static_cast<int64_t>(i + 1));
    x.Raw(" r:id=\"rId").Int(static_cast<int64_t>(i + 1)).Raw("\"/>");
  }
  x.Raw("</sheets>");

  XmlBuffer names;
  for (size_t i = 0; i < book.sheets.size(); ++i) {
    const SheetState& sheet = *book.sheets[i];
    const PageSetupValues& page = sheet.page;
    DefinedName(names, "_xlnm.Print_Area", i, PrintAreaReference(page, sheet.name));
    DefinedName(names, "_xlnm.Print_Titles", i, PrintTitlesReference(page, sheet.name));
  }
  if (names.size() > 0) x.Raw("<definedNames>").Raw(names.str()).Raw("</definedNames>");
  x.Raw("</workbook>");
  return std::move(x.str());
}

}  // namespace ovix::workbook
