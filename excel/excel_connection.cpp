// The exporter's state and options, and its connection with the spreadsheet
// application: the start check, starting or attaching, opening or creating
// the workbook and its sheet, showing the application, saving and closing.
#include <array>
#include <utility>

#include "excel/rv_excel_export.h"
#include "model/rv_system.h"
#include "tools/user_prompt.h"

namespace ovix {

namespace {

struct VersionProgId {
  const char* versionName;
  const char* progId;
};

// Version names the start check knows, with their ProgIDs.
constexpr std::array<VersionProgId, 6> kVersionProgIds{{
    {"Microsoft Excel 2003", "Excel.Application.11"},
    {"Microsoft Excel XP", "Excel.Application.10"},
    {"Microsoft Excel 2000", "Excel.Application.9"},
    {"Microsoft Excel 97", "Excel.Application.8"},
    {"Microsoft Excel 95", "Excel.Application.7"},
    {"Microsoft Excel X", "Excel.Application"},
}};

// ProgIDs tried by StartExcel, newest first, with the version number of the
// start code (999 for the unversioned ProgID).
struct StartProgId {
  const char* progId;
  int16_t version;
};
constexpr std::array<StartProgId, 6> kStartProgIds{{
    {"Excel.Application.11", 11},
    {"Excel.Application.10", 10},
    {"Excel.Application.9", 9},
    {"Excel.Application.8", 8},
    {"Excel.Application.7", 7},
    {"Excel.Application", 999},
}};

// Codes of an application the exporter started itself and quits at the end.
bool QuitsOnClose(int16_t code) {
  return code == 1007 || code == 1008 || code == 1009 || code == 1010 || code == 1999;
}

}  // namespace

// ---- state ------------------------------------------------------------------

RvExcelExport::RvExcelExport() { Clear(); }

RvExcelExport::~RvExcelExport() { Clear(); }

void RvExcelExport::Clear() {
  system_.reset();
  system_bound_ = false;
  excel_version_ = 0;
  excel_excute_ = false;
  excel_app_.reset();
  excel_sheet_name_ = "Sheet1";
  excel_reported_ = false;
  excel_visible_ = false;
  view_left_ = 0;
  view_top_ = 0;
  view_right_ = 1000;
  view_bottom_ = 1000;
  area_x_ = 0;
  area_y_ = 0;
  area_width_ = 1000;
  area_height_ = 1000;
  auto_scale_ = true;
  auto_scale_value_ = 1.0;
  scale_x_ = 1.0;
  scale_y_ = 1.0;
  draw_width_ = 1000;
  draw_height_ = 1000;
  auto_lt_scale_ = true;
  lt_scale_ = 1.0;
  arrow_style_ = 2;
  arrow_length_ = 2;
  arrow_width_ = 1;
  dim_omission_ = true;
  dim_text_direction_ = true;
  monochrome_ = false;
  group_ = true;
  save_close_ = false;
  extents_.reset();
  extents_held_ = false;
  last_error_.clear();
  last_exception_ = nullptr;
  pass_name_.clear();
  earlier_shapes_.clear();
  skipped_.clear();
}

void RvExcelExport::SetArea(double x, double y, double width, double height) {
  area_x_ = x;
  area_y_ = y;
  area_width_ = width;
  area_height_ = height;
}

void RvExcelExport::SetRvSystem(std::shared_ptr<RvSystem> system) {
  system_ = std::move(system);
  system_bound_ = system_ != nullptr;
}

void RvExcelExport::SetArrowStyle(int16_t style, int16_t length, int16_t width) {
  arrow_style_ = style;
  arrow_length_ = length;
  arrow_width_ = width;
}

void RvExcelExport::NoteError(const std::exception& error) {
  last_error_ = error.what();
  last_exception_ = std::current_exception();
}

// ---- connection -------------------------------------------------------------

excel::Application& RvExcelExport::App() {
  if (!excel_app_) excel_app_ = excel::CreateObject(kExcelApplicationClass);
  return *excel_app_;
}

std::shared_ptr<excel::Worksheet> RvExcelExport::Sheet() {
  return App().Worksheets()->Item(excel_sheet_name_);
}

void RvExcelExport::SetVisible(bool mode) {
  App().SetVisible(mode);
  excel_visible_ = mode;
}

bool RvExcelExport::ProbeExcel() {
  const char* progId = nullptr;
  for (const auto& entry : kVersionProgIds) {
    if (std::string(entry.versionName) == kTargetExcelVersionName) progId = entry.progId;
  }
  if (progId == nullptr) return false;
  try {
    // Created only to see that it can be; released at once.
    excel::CreateObject(progId).reset();
    return true;
  } catch (const std::exception& error) {
    NoteError(error);
    if (!excel_reported_) {
      ShowMessage(std::string(kTargetExcelVersionName) + "を起動できません", kApplicationTitle,
                  PromptIcon::Critical);
      excel_reported_ = true;
    }
    return false;
  }
}

std::shared_ptr<excel::Application> RvExcelExport::StartExcel(int16_t& code) {
  for (const auto& entry : kStartProgIds) {
    try {
      auto app = excel::GetObject(entry.progId);
      code = entry.version;
      return app;
    } catch (const std::exception&) {
      // Not running: try to start one.
    }
    try {
      auto app = excel::CreateObject(entry.progId);
      code = static_cast<int16_t>(1000 + entry.version);
      return app;
    } catch (const std::exception&) {
      // No such class: try the next ProgID.
    }
  }
  ShowMessage("Excelを起動できませんでした。", kApplicationTitle, PromptIcon::Critical);
  code = 0;
  return nullptr;
}

bool RvExcelExport::SetExcelSheet(const std::string& PassName, const std::string& SheetName) {
  try {
    if (!ProbeExcel()) return false;
    int16_t code = 0;
    auto app = StartExcel(code);
    excel_version_ = code;
    if (code < 0 || excel_excute_) return false;
    excel_app_ = std::move(app);

    if (tools_.CheckFileExist(PassName, false)) {
      if (excel_reported_) return false;
      App().Workbooks()->Open(PassName);
      App().Worksheets()->Item(SheetName)->Activate();
      excel_sheet_name_ = SheetName;
    } else {
      App().Workbooks()->Add();
      App().Worksheets()->Item(SheetName)->Activate();
      excel_sheet_name_ = SheetName;
      // A new workbook is first written when it is saved at the end, so that
      // it appears on disk complete; a run that fails before leaves nothing.
    }
    pass_name_ = PassName;
    NoteEarlierShapes();
    excel_excute_ = true;
    App().SetVisible(false);  // shapes are drawn with the application hidden
    return true;
  } catch (const std::exception& error) {
    NoteError(error);
    excel_reported_ = true;
    return false;
  }
}

void RvExcelExport::SaveAndClose() {
  if (!excel_excute_ || !save_close_) return;
  auto book = App().ActiveWorkbook();
  SaveBook(*book);
  book->Close();
  if (QuitsOnClose(excel_version_)) App().Quit();
  excel_app_.reset();
}

void RvExcelExport::SaveWorkbook() {
  if (!excel_excute_) return;
  SaveBook(*App().ActiveWorkbook());
}

void RvExcelExport::SaveBook(excel::Workbook& book) {
  // A workbook created in this run has not been written yet: it goes to the
  // chosen path now.
  if (book.FullName().empty() && !pass_name_.empty()) {
    book.SaveAs(pass_name_, excel::kNoChange);
  } else {
    book.Save();
  }
}

}  // namespace ovix
