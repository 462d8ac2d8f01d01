#pragma once
// The parts of an .xlsx package, one builder per part. Each returns the part's
// complete XML text (the drawing part appends to a buffer, since it can be
// large).

#include <ctime>
#include <span>
#include <string>
#include <vector>

#include "workbook/sheet_grid.h"
#include "workbook/workbook_state.h"
#include "workbook/xml_buffer.h"

namespace ovix::workbook {

// Where a sheet goes in the package: xl/worksheets/sheet<number>.xml and, when
// it has shapes, xl/drawings/drawing<drawing_number>.xml.
struct SheetPartInfo {
  const SheetState* sheet = nullptr;
  int number = 0;          // 1-based
  int drawing_number = 0;  // 0 when the sheet has no shapes
};

namespace ooxml {
inline constexpr std::string_view kRelationshipsNamespace =
    "http://schemas.openxmlformats.org/package/2006/relationships";
inline constexpr std::string_view kOfficeDocumentRelationships =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline constexpr std::string_view kSpreadsheetNamespace =
    "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
}  // namespace ooxml

// [Content_Types].xml
std::string ContentTypesXml(const std::vector<SheetPartInfo>& sheets);
// _rels/.rels
std::string PackageRelationshipsXml();
// xl/_rels/workbook.xml.rels: the sheets as rId1..rIdN, then the styles.
std::string WorkbookRelationshipsXml(const std::vector<SheetPartInfo>& sheets);
// xl/worksheets/_rels/sheetN.xml.rels: the drawing as rId1.
std::string SheetRelationshipsXml(int drawing_number);
// docProps/core.xml and docProps/app.xml
std::string CorePropertiesXml(std::time_t created, std::time_t modified);
std::string AppPropertiesXml(const WorkbookState& book);
// xl/workbook.xml, with the print titles and print areas as defined names.
std::string WorkbookXml(const WorkbookState& book);
// The values of the defined names _xlnm.Print_Area and _xlnm.Print_Titles of
// a sheet ("Sheet1!$A$1:$H$50"); empty when the sheet has none.
std::string PrintAreaReference(const PageSetupValues& page, const std::string& sheet_name);
std::string PrintTitlesReference(const PageSetupValues& page, const std::string& sheet_name);
// xl/styles.xml: one cell format whose font is the workbook's default font.
std::string StylesXml();
// xl/worksheets/sheetN.xml
std::string WorksheetXml(const SheetState& sheet, bool active, bool has_drawing);
// xl/drawings/drawingN.xml; `source`: the part the drawing was loaded from.
// New top-level shapes are anchored to cells of `grid` (a sheet of an opened
// workbook, whose own columns the anchors follow), or absolutely (a sheet
// the engine created: the place then holds whatever widths a reader gives
// the columns).
struct LoadedDrawing;
enum class DrawingAnchors { kCells, kAbsolute };
void WriteDrawingXml(const Drawing& drawing, const SheetGrid& grid, XmlBuffer& out,
                     const LoadedDrawing* source = nullptr,
                     DrawingAnchors anchors = DrawingAnchors::kCells);
// The same in pieces that may be written on different threads and joined in
// order: the part's opening, the anchors of a run of top-level shapes (in
// z-order, back to front), and its closing.
void WriteDrawingXmlStart(const Drawing& drawing, const SheetGrid& grid, XmlBuffer& out,
                          const LoadedDrawing* source = nullptr);
void WriteDrawingXmlAnchors(const Drawing& drawing, const SheetGrid& grid,
                            std::span<const ShapeNode* const> shapes, XmlBuffer& out,
                            const LoadedDrawing* source = nullptr,
                            DrawingAnchors anchors = DrawingAnchors::kCells);
void WriteDrawingXmlEnd(const Drawing& drawing, const SheetGrid& grid, XmlBuffer& out,
                        const LoadedDrawing* source = nullptr);
// About how many bytes of the part a top-level shape's anchor takes: enough
// to cut the part into pieces of a similar size before they are written.
size_t DrawingXmlSizeHint(const ShapeNode& node);

}  // namespace ovix::workbook
