#pragma once
// The body the workbook fuzzers share: any bytes as an existing workbook,
// opened by the engine, drawn into on its sheet "Sheet1" (a line, an oval,
// a text box with Japanese text), every shape moved, grouped, the page set
// up and the workbook saved, as a conversion into an existing workbook does.
// Whatever the input, it either works or fails with an automation error; it
// never crashes or hangs.
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "excel/excel_automation.h"
#include "workbook/workbook_engine.h"

namespace ovix::fuzzing {

// `extension` (".xlsx", ".xls") names the files: the content chooses how the
// workbook is read, the name only how a new one would be saved.
inline void OpenDrawAndSave(const uint8_t* data, size_t size, const std::string& extension) {
  const std::string base = "/tmp/ovix-fuzz-" + std::to_string(getpid());
  const std::string in = base + "-in" + extension;
  const std::string out = base + "-out" + extension;
  {
    std::ofstream file(in, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  auto app = ovix::workbook::CreateApplication();
  try {
    auto book = app->Workbooks()->Open(in);
    auto sheet = book->Worksheets()->Item("Sheet1");
    auto shapes = sheet->Shapes();
    std::vector<std::string> drawn;
    drawn.push_back(shapes->AddLine(10, 10, 100, 50)->Name());
    drawn.push_back(shapes->AddShape(excel::kShapeOval, 20, 20, 40, 30)->Name());
    auto text = shapes->AddTextbox(excel::kOrientationHorizontal, 30, 30, 80, 20);
    drawn.push_back(text->Name());
    text->Select();
    app->Selection()->Characters()->SetText("図面 1");
    shapes->SelectAll();
    app->Selection()->ShapeRange()->IncrementLeft(-5);
    std::vector<std::string> names;
    for (int32_t i = 1; i <= shapes->Count(); ++i) names.push_back(shapes->Item(i)->Name());
    try {
      shapes->Range(names)->Group();
    } catch (const excel::AutomationError&) {
      // Shapes that came with the workbook may not be groupable: the new ones are.
      shapes->Range(drawn)->Group();
    }
    sheet->PageSetup()->SetPaperSize(excel::kPaperA3);
    sheet->PageSetup()->SetLeftMargin(30);
    book->SaveAs(out, excel::kNoChange);
  } catch (const excel::AutomationError&) {
    // A clean refusal is a fine answer to a broken workbook.
  }
  app->Quit();
}

}  // namespace ovix::fuzzing
