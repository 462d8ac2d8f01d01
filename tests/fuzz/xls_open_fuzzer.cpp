// Any bytes as a legacy .xls workbook: the compound file and its records are
// read, the engine opens the workbook, draws into its sheet "Sheet1",
// changes its page setup and saves it. Whatever the input, it either works
// or fails with a clean error; it never crashes or hangs.
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "excel/excel_automation.h"
#include "workbook/workbook_engine.h"
#include "workbook/xls/compound_file_reader.h"
#include "workbook/xls/compound_file_rewriter.h"
#include "workbook/xls/xls_workbook_reader.h"

namespace {

// The reading layers alone, without the file system.
void ReadLayers(const uint8_t* data, size_t size) {
  using namespace ovix::workbook::xls;
  try {
    const CompoundFile file(std::string(reinterpret_cast<const char*>(data), size));
    for (uint32_t c : file.Children(0)) {
      if (file.entries()[c].type == EntryType::kStream) file.ReadStream(c);
    }
    const uint32_t entry = file.FindChild(0, u"Workbook");
    if (entry == kNoStream) return;
    std::string stream = file.ReadStream(entry);
    const XlsWorkbook book = ReadXlsWorkbook(stream);
    const CompoundFile rewritten(ReplaceStream(file, entry, book.stream + std::string(5000, 'x')));
    (void)rewritten;
  } catch (const CompoundFileError&) {
  } catch (const XlsFormatError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadLayers(data, size);
  const std::string base = "/tmp/ovix-xls-fuzz-" + std::to_string(getpid());
  const std::string in = base + "-in.xls";
  const std::string out = base + "-out.xls";
  {
    std::ofstream file(in, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  auto app = ovix::workbook::CreateApplication();
  try {
    auto book = app->Workbooks()->Open(in);
    auto sheet = book->Worksheets()->Item("Sheet1");
    auto shapes = sheet->Shapes();
    shapes->AddLine(10, 10, 100, 50);
    shapes->AddShape(excel::kShapeOval, 20, 20, 40, 30);
    auto text = shapes->AddTextbox(excel::kOrientationHorizontal, 30, 30, 80, 20);
    text->Select();
    app->Selection()->Characters()->SetText("図面 1");
    shapes->Range(std::vector<std::string>{shapes->Item(1)->Name(), shapes->Item(2)->Name()})->Group();
    sheet->PageSetup()->SetPaperSize(excel::kPaperA3);
    sheet->PageSetup()->SetLeftMargin(30);
    book->SaveAs(out, excel::kNoChange);
  } catch (const excel::AutomationError&) {
    // A clean refusal is a fine answer to a broken workbook.
  }
  app->Quit();
  return 0;
}
