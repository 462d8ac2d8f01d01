#include "workbook/xlsx_writer.h"

#include <ctime>

#include "workbook/xlsx_parts.h"
#include "workbook/zip_package.h"

namespace ovix::workbook {

namespace {

// The drawing part, compressed on the other cores while it is written: it is
// never held whole, only a few chunks of it at a time.
DeflatedData DeflatedDrawingXml(const Drawing& drawing, const SheetGrid& grid) {
  constexpr size_t kChunk = ChunkedDeflater::kChunkSize;
  ChunkedDeflater deflater;
  XmlBuffer xml;
  xml.Reserve(kChunk + kChunk / 4);
  // The engine's own sheets take absolute anchors: the place then holds
  // whatever widths a reader gives the columns.
  WriteDrawingXml(drawing, grid, xml, nullptr, DrawingAnchors::kAbsolute, kChunk, [&](std::string& text) {
    deflater.Add(text);
    text.reserve(kChunk + kChunk / 4);
  });
  deflater.Add(xml.str());
  return deflater.Finish();
}

}  // namespace

void SaveWorkbookAsXlsx(const WorkbookState& book, const std::filesystem::path& path) {
  if (book.package) {
    SaveOpenedWorkbook(book, path);
    return;
  }
  std::vector<SheetPartInfo> sheets;
  int drawings = 0;
  for (size_t i = 0; i < book.sheets.size(); ++i) {
    SheetPartInfo info;
    info.sheet = book.sheets[i].get();
    info.number = static_cast<int>(i + 1);
    if (info.sheet->drawing.TopLevelCount() > 0) info.drawing_number = ++drawings;
    sheets.push_back(info);
  }

  const std::time_t now = std::time(nullptr);
  ZipPackageWriter package;
  package.Add("[Content_Types].xml", ContentTypesXml(sheets));
  package.Add("_rels/.rels", PackageRelationshipsXml());
  package.Add("docProps/core.xml", CorePropertiesXml(book.created, now));
  package.Add("docProps/app.xml", AppPropertiesXml(book));
  package.Add("xl/workbook.xml", WorkbookXml(book));
  package.Add("xl/_rels/workbook.xml.rels", WorkbookRelationshipsXml(sheets));
  package.Add("xl/styles.xml", StylesXml());
  const SheetGrid grid;
  for (const SheetPartInfo& info : sheets) {
    const std::string sheet_part = "xl/worksheets/sheet" + std::to_string(info.number) + ".xml";
    const bool active = static_cast<size_t>(info.number - 1) == book.active_sheet;
    package.Add(sheet_part, WorksheetXml(*info.sheet, active, info.drawing_number != 0));
    if (info.drawing_number == 0) continue;
    package.Add("xl/worksheets/_rels/sheet" + std::to_string(info.number) + ".xml.rels",
                SheetRelationshipsXml(info.drawing_number));
    package.AddDeflated("xl/drawings/drawing" + std::to_string(info.drawing_number) + ".xml",
                        DeflatedDrawingXml(info.sheet->drawing, grid));
  }
  package.Commit(path);
}

}  // namespace ovix::workbook
