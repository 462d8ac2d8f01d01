// xl/worksheets/sheetN.xml: an empty grid of default-sized cells, the cell
// selection, the page setup and the link to the sheet's drawing.
#include <cmath>
#include <string>

#include "workbook/cell_reference.h"
#include "workbook/xlsx_parts.h"

namespace ovix::workbook {

namespace {

constexpr double kPointsPerInch = 72.0;

const char* PageOrder(int32_t order) {
  return order == excel::kOverThenDown ? "overThenDown" : "downThenOver";
}

const char* CellComments(int32_t value) {
  switch (value) {
    case excel::kPrintInPlace: return "asDisplayed";
    case excel::kPrintSheetEnd: return "atEnd";
    default: return "none";
  }
}

std::string HeaderFooterText(const std::string& left, const std::string& center,
                             const std::string& right) {
  std::string text;
  if (!left.empty()) text += "&L" + left;
  if (!center.empty()) text += "&C" + center;
  if (!right.empty()) text += "&R" + right;
  return text;
}

void Margin(XmlBuffer& x, const char* name, double points) {
  // Inches, without the binary noise of the division ("0.7", not
  // "0.7000000000000001").
  const double inches = std::round(points / kPointsPerInch * 1e9) / 1e9;
  x.Raw(" ").Raw(name).Raw("=\"").Double(inches).Raw("\"");
}

}  // namespace

std::string WorksheetXml(const SheetState& sheet, bool active, bool has_drawing) {
  const PageSetupValues& page = sheet.page;
  XmlBuffer x;
  x.Raw(kXmlDeclaration);
  x.Raw("<worksheet xmlns=\"").Raw(ooxml::kSpreadsheetNamespace);
  x.Raw("\" xmlns:r=\"").Raw(ooxml::kOfficeDocumentRelationships).Raw("\">");
  x.Raw("<dimension ref=\"A1\"/>");

  x.Raw("<sheetViews><sheetView");
  if (active) x.Raw(" tabSelected=\"1\"");
  x.Raw(" workbookViewId=\"0\">");
  const auto selection = ParseCellReference(sheet.selected_cells);
  if (selection) {
    x.Raw("<selection").Attr("activeCell", selection->TopLeftCell());
    x.Attr("sqref", selection->Relative()).Raw("/>");
  }
  x.Raw("</sheetView></sheetViews>");

  // Every row keeps the default height, even where the default font is
  // missing, so that the cell anchors of the shapes hold.
  x.Raw("<sheetFormatPr defaultRowHeight=\"").Double(kDefaultRowHeightPoints);
  x.Raw("\" customHeight=\"1\"/>");
  x.Raw("<sheetData/>");

  if (page.print_headings || page.print_gridlines || page.center_horizontally ||
      page.center_vertically) {
    x.Raw("<printOptions");
    if (page.center_horizontally) x.Raw(" horizontalCentered=\"1\"");
    if (page.center_vertically) x.Raw(" verticalCentered=\"1\"");
    if (page.print_headings) x.Raw(" headings=\"1\"");
    if (page.print_gridlines) x.Raw(" gridLines=\"1\"");
    x.Raw("/>");
  }

  x.Raw("<pageMargins");
  Margin(x, "left", page.left_margin);
  Margin(x, "right", page.right_margin);
  Margin(x, "top", page.top_margin);
  Margin(x, "bottom", page.bottom_margin);
  Margin(x, "header", page.header_margin);
  Margin(x, "footer", page.footer_margin);
  x.Raw("/>");

  x.Raw("<pageSetup").Attr("paperSize", page.paper_size).Attr("scale", page.zoom);
  if (page.first_page_number != excel::kAutomatic) {
    x.Attr("firstPageNumber", page.first_page_number);
  }
  x.Raw(" pageOrder=\"").Raw(PageOrder(page.order)).Raw("\"");
  x.Raw(" orientation=\"").Raw(page.orientation == excel::kLandscape ? "landscape" : "portrait");
  x.Raw("\"");
  if (page.black_and_white) x.Raw(" blackAndWhite=\"1\"");
  if (page.draft) x.Raw(" draft=\"1\"");
  x.Raw(" cellComments=\"").Raw(CellComments(page.print_comments)).Raw("\"");
  if (page.first_page_number != excel::kAutomatic) x.Raw(" useFirstPageNumber=\"1\"");
  x.Raw("/>");

  const std::string header = HeaderFooterText(page.left_header, page.center_header, page.right_header);
  const std::string footer = HeaderFooterText(page.left_footer, page.center_footer, page.right_footer);
  if (!header.empty() || !footer.empty()) {
    x.Raw("<headerFooter>");
    if (!header.empty()) x.Raw("<oddHeader>").Text(header).Raw("</oddHeader>");
    if (!footer.empty()) x.Raw("<oddFooter>").Text(footer).Raw("</oddFooter>");
    x.Raw("</headerFooter>");
  }

  if (has_drawing) x.Raw("<drawing r:id=\"rId1\"/>");
  x.Raw("</worksheet>");
  return std::move(x.str());
}

}  // namespace ovix::workbook
