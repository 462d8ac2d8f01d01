#include "workbook/xlsx_writer.h"

#include <ctime>

#include "workbook/xlsx_parts.h"
#include "workbook/zip_package.h"

namespace ovix::workbook {

namespace {

// The size of a piece of the drawing part: enough to compress well and to
// keep every core busy, with only a few pieces in memory at a time.
constexpr size_t kPieceBytes = size_t{2} << 20;

// A drawing part estimated at more than this takes the ZIP64 extensions: its
// size is not known before it is written, and it might reach 4 GB.
constexpr uint64_t kLargestPlainPart = uint64_t{5} << 29;  // 2.5 GB

// The drawing part, written and compressed in pieces on worker threads, one
// run of top-level shapes each, while this thread hands out the next runs:
// the part is never held whole, only a few pieces of it at a time. The
// compressed pieces go to `sink` in order and are not kept either.
DeflatedData DeflatedDrawingXml(const Drawing& drawing, const SheetGrid& grid,
                                const ChunkedDeflater::PieceSink& sink) {
  ChunkedDeflater deflater;
  deflater.StreamTo(sink);
  auto piece = [&](auto&& write) {
    deflater.Add([write = std::move(write)](std::string& buffer) {
      XmlBuffer xml;
      xml.str().swap(buffer);
      write(xml);
      buffer.swap(xml.str());
    });
  };
  piece([&drawing, &grid](XmlBuffer& xml) { WriteDrawingXmlStart(drawing, grid, xml); });
  std::vector<const ShapeNode*> run;
  size_t run_bytes = 0;
  auto flush = [&] {
    // The engine's own sheets take absolute anchors: the place then holds
    // whatever widths a reader gives the columns.
    piece([&drawing, &grid, shapes = std::move(run)](XmlBuffer& xml) {
      WriteDrawingXmlAnchors(drawing, grid, shapes, xml, nullptr, DrawingAnchors::kAbsolute);
    });
    run = std::vector<const ShapeNode*>();
    run_bytes = 0;
  };
  drawing.ForEachTopLevel([&](const ShapeNode& node) {
    run.push_back(&node);
    run_bytes += DrawingXmlSizeHint(node);
    if (run_bytes >= kPieceBytes) flush();
  });
  if (!run.empty()) flush();
  piece([&drawing, &grid](XmlBuffer& xml) { WriteDrawingXmlEnd(drawing, grid, xml); });
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
    const std::string drawing_part = "xl/drawings/drawing" + std::to_string(info.drawing_number) + ".xml";
    const Drawing& drawing = info.sheet->drawing;
    uint64_t estimate = 0;
    drawing.ForEachTopLevel([&](const ShapeNode& node) { estimate += DrawingXmlSizeHint(node); });
    // Made and compressed while the file is written: not even the
    // compressed part is held whole.
    package.AddStreamed(
        drawing_part,
        [&drawing, &grid](const ChunkedDeflater::PieceSink& sink) { return DeflatedDrawingXml(drawing, grid, sink); },
        estimate > kLargestPlainPart);
  }
  package.Commit(path);
}

}  // namespace ovix::workbook
