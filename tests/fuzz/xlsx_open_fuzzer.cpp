// Any bytes as an existing workbook: the engine opens it, looks up the sheet
// "Sheet1", draws into it, moves and groups everything and saves it, as a
// conversion into an existing workbook does. Whatever the input, it either
// works or fails with an automation error; it never crashes or hangs.
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "excel/excel_automation.h"
#include "workbook/workbook_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string base = "/tmp/ovix-fuzz-" + std::to_string(getpid());
  const std::string in = base + "-in.xlsx";
  const std::string out = base + "-out.xlsx";
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
    shapes->SelectAll();
    app->Selection()->ShapeRange()->IncrementLeft(-5);
    if (shapes->Count() > 1) {
      std::vector<std::string> names;
      for (int32_t i = 1; i <= shapes->Count(); ++i) names.push_back(shapes->Item(i)->Name());
      shapes->Range(names)->Group();
    }
    sheet->PageSetup()->SetPaperSize(excel::kPaperA3);
    book->SaveAs(out, excel::kNoChange);
  } catch (const excel::AutomationError&) {
    // A clean refusal is a fine answer to a broken workbook.
  }
  app->Quit();
  return 0;
}
