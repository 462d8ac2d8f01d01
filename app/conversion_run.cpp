// The conversion run and its Excel stage.
#include "app/conversion_run.h"

#include <array>
#include <cstring>
#include <exception>
#include <new>

#include "app/dxf_stage.h"
#include "dxf/rv_dxf_import.h"
#include "excel/rv_excel_export.h"
#include "model/rv_document.h"
#include "tools/user_prompt.h"

namespace ovix {

namespace {

// Every status text of a run, in order: the position of a text is its step.
constexpr std::array<const char*, 22> kSteps{
    kStatusOpeningDxf,       kStatusCountingDxf,       kStatusReadingDxf,
    kStatusRegisteringTables, kStatusRegisteringEntities, kStatusClosingDxf,
    kStatusDxfDone,          kStatusStartingExcel,     kStatusRegisteringExcel,
    kStatusDrawingLines,     kStatusDrawingCircles,    kStatusDrawingEllipses,
    kStatusDrawingArcs,      kStatusDrawingPolylines,  kStatusDrawingTexts,
    kStatusDrawingMtexts,    kStatusDrawingDimensions, kStatusDrawingLeaders,
    kStatusRedrawing,        kStatusGrouping,          kStatusSavingWorkbook,
    kStatusExcelDone};

int StepOf(const std::string& text) {
  for (std::size_t i = 0; i < kSteps.size(); ++i) {
    if (text == kSteps[i]) return static_cast<int>(i) + 1;
  }
  return 0;
}

// The drawing steps of the Excel stage, in z-order: later kinds lie on top.
struct DrawingStep {
  const char* status;
  bool (RvExcelExport::*draw)();
};
constexpr std::array<DrawingStep, 9> kDrawingSteps{{
    {kStatusDrawingLines, &RvExcelExport::DrawLineDatas},
    {kStatusDrawingCircles, &RvExcelExport::DrawCircleDatas},
    {kStatusDrawingEllipses, &RvExcelExport::DrawEllipseDatas},
    {kStatusDrawingArcs, &RvExcelExport::DrawArcDatas},
    {kStatusDrawingPolylines, &RvExcelExport::DrawPolyLineDatas},
    {kStatusDrawingTexts, &RvExcelExport::DrawTextDatas},
    {kStatusDrawingMtexts, &RvExcelExport::DrawMTextDatas},
    {kStatusDrawingDimensions, &RvExcelExport::DrawDimensionDatas},
    {kStatusDrawingLeaders, &RvExcelExport::DrawLeaderDatas},
}};

// A drawing operation that returned false.
class DrawingFailed : public std::exception {
 public:
  const char* what() const noexcept override { return "a drawing step failed"; }
};

void ShowError(const std::string& text) {
  ShowMessage(text, kApplicationTitle, PromptIcon::Critical);
}

}  // namespace

int RunStepCount() { return static_cast<int>(kSteps.size()); }

ConversionRun::ConversionRun(RvDocument& document, RunView& view)
    : document_(document), view_(view) {}

void ConversionRun::Status(const char* text) {
  view_.ShowStatus(text);
  if (const int step = StepOf(text); step > 0) view_.ShowStepProgress(step, RunStepCount());
  view_.ProcessPendingEvents();
}

RunResult ConversionRun::Run(const std::string& DxfPath, const std::string& ExcelPath,
                             const RunOptions& options) {
  // The wait pointer goes back and the document is cleared however the run
  // ends.
  struct Ending {
    ConversionRun& run;
    ~Ending() {
      run.document_.Clear();
      run.view_.SetBusy(false);
    }
  };
  view_.SetBusy(true);
  RunResult result;
  {
    Ending ending{*this};
    ResetConverters();
    RvExcelExport& exporter = document_.ExcelExport();
    ApplyScaleOption(options.Scale, exporter);
    ApplyLtScaleOption(options.LtScale, exporter);
    ApplyArrowOption(options.ArrowStyle, options.ArrowLength, options.ArrowWidth, exporter);
    ApplyCheckOptions(options, exporter);
    result.DxfOk = ImportDxfFile(DxfPath);
    // The model holds the drawing now: the file's raw records go before the
    // shapes are drawn, so that both are never in memory at once.
    document_.DxfImport().Clear();
    result.ExcelOk = ExportExcelFile(ExcelPath, PaperForRun(options.PaperSize));
    result.WorkbookSaved = saved_;
    result.Detail = detail_;
    ShowScaleValue();
  }
  // Shown once the run is over (the workbook is saved and released).
  if (result.WorkbookSaved && !options.SaveClose) view_.PresentWorkbook(ExcelPath);
  return result;
}

void ConversionRun::ResetConverters() {
  document_.DxfImport().Clear();
  document_.ExcelExport().Clear();
}

bool ConversionRun::ImportDxfFile(const std::string& path) {
  DxfStageCallbacks callbacks;
  callbacks.ShowStatus = [this](const std::string& text) {
    view_.ShowStatus(text);
    if (const int step = StepOf(text); step > 0) view_.ShowStepProgress(step, RunStepCount());
  };
  callbacks.ProcessPendingEvents = [this] { view_.ProcessPendingEvents(); };
  try {
    return ::ovix::ImportDxfFile(document_, path, callbacks);
  } catch (const std::bad_alloc&) {
    ShowError(kDxfCapacityMessage);
  } catch (const std::exception& error) {
    ShowError(std::string(kDxfReadErrorMessage) + "\r\n" + error.what());
  }
  return false;
}

bool ConversionRun::ExportExcelFile(const std::string& path, const std::string& paper) {
  RvExcelExport& exporter = document_.ExcelExport();
  saved_ = false;
  detail_.clear();
  // Entity progress goes to the view only while this stage runs.
  struct ProgressScope {
    RvExcelExport& exporter;
    ~ProgressScope() { exporter.SetProgressCallback(nullptr); }
  } progress{exporter};
  exporter.SetProgressCallback(
      [this](int64_t done, int64_t total) { view_.ShowEntityProgress(done, total); });

  try {
    Status(kStatusStartingExcel);
    bool ready = false;
    for (int attempt = 1; attempt <= kSetExcelSheetAttempts && !ready; ++attempt) {
      ready = exporter.SetExcelSheet(path, kDrawingSheetName);
    }
    if (!ready) {
      detail_ = exporter.LastError();
      ShowError(kExcelStartFailedMessage);
      Status(kStatusExcelDone);
      return false;
    }
    exporter.SetPage(paper);

    Status(kStatusRegisteringExcel);
    exporter.SetRvSystem(document_.SharedSystem());
    const double rotate[3] = {0.0, 0.0, 0.0};
    document_.System().SetViewRotate(rotate);

    for (const DrawingStep& step : kDrawingSteps) {
      Status(step.status);
      if (!(exporter.*step.draw)()) {
        detail_ = exporter.LastError();
        throw DrawingFailed();
      }
    }

    Status(kStatusRedrawing);
    exporter.RedrawBasePosition();
    if (exporter.Group()) {
      Status(kStatusGrouping);
      exporter.GroupAll();
    }
    exporter.SetVisible(true);
    Status(kStatusSavingWorkbook);
    SaveAtTheEnd();
    Status(kStatusExcelDone);
    return true;
  } catch (const DrawingFailed&) {
    // detail_ holds what stopped the drawing.
  } catch (const std::exception& error) {
    detail_ = error.what();
  }

  // The failure path: the shapes drawn so far stay and are saved.
  view_.ShowStatus(kStatusExcelFailed);
  if (exporter.ExcelExcute()) {
    try {
      exporter.SetVisible(true);
    } catch (const std::exception&) {
      // Showing is not needed for saving.
    }
    try {
      SaveAtTheEnd();
    } catch (const std::exception& error) {
      if (detail_.empty()) detail_ = error.what();
      ShowError(std::string(kWorkbookSaveFailedMessage) + "\r\n" + path);
    }
  }
  return false;
}

void ConversionRun::SaveAtTheEnd() {
  RvExcelExport& exporter = document_.ExcelExport();
  // With save-and-close the workbook is saved and closed (and a started
  // application quit); otherwise it is saved and stays open for the user.
  if (exporter.SaveClose()) {
    exporter.SaveAndClose();
  } else {
    exporter.SaveWorkbook();
  }
  saved_ = true;
}

void ConversionRun::ShowScaleValue() {
  view_.ShowScale(FormatScaleValue(document_.ExcelExport().ScaleX()));
}

}  // namespace ovix
