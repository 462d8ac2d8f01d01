// The conversion run and its Excel stage.
#include "app/conversion_run.h"

#include <array>
#include <cstring>
#include <exception>
#include <new>
#include <optional>

#include "app/dxf_stage.h"
#include "app/run_failure_messages.h"
#include "dxf/rv_dxf_import.h"
#include "dxf/draw_all_notice.h"
#include "dxf/undrawn_entities.h"
#include "excel/rv_excel_export.h"
#include "model/rv_document.h"
#include "tools/user_prompt.h"
#include "workbook/file_replacement.h"
#include "workbook/workbook_lock.h"

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

// The step of a status text, known by its first line.
int StepOf(const std::string& status) {
  const std::string text = status.substr(0, status.find('\r'));
  for (std::size_t i = 0; i < kSteps.size(); ++i) {
    if (text == kSteps[i]) return static_cast<int>(i) + 1;
  }
  return 0;
}

// The drawing steps of the Excel stage, in z-order: later kinds lie on top.
// Each step draws the model's store of one kind.
struct DrawingStep {
  const char* status;
  bool (RvExcelExport::*draw)();
  const char* kind;
};
constexpr std::array<DrawingStep, 9> kDrawingSteps{{
    {kStatusDrawingLines, &RvExcelExport::DrawLineDatas, "LINE"},
    {kStatusDrawingCircles, &RvExcelExport::DrawCircleDatas, "CIRCLE"},
    {kStatusDrawingEllipses, &RvExcelExport::DrawEllipseDatas, "ELLIPSE"},
    {kStatusDrawingArcs, &RvExcelExport::DrawArcDatas, "ARC"},
    {kStatusDrawingPolylines, &RvExcelExport::DrawPolyLineDatas, "LWPOLYLINE"},
    {kStatusDrawingTexts, &RvExcelExport::DrawTextDatas, "TEXT"},
    {kStatusDrawingMtexts, &RvExcelExport::DrawMTextDatas, "MTEXT"},
    {kStatusDrawingDimensions, &RvExcelExport::DrawDimensionDatas, "DIMENSION"},
    {kStatusDrawingLeaders, &RvExcelExport::DrawLeaderDatas, "LEADER"},
}};

// A drawing operation that returned false.
class DrawingFailed : public std::exception {
 public:
  const char* what() const noexcept override { return "a drawing step failed"; }
};

void ShowError(const std::string& text) {
  ShowMessage(text, kApplicationTitle, PromptIcon::Critical);
}

// The save's failure text, then what went wrong with the file (which names
// it), or else the workbook's path.
std::string SaveFailureText(const std::string& path, const std::exception_ptr& error) {
  const std::string reason = WorkbookFileMessage(error);
  return std::string(kWorkbookSaveFailedMessage) + "\r\n" + (reason.empty() ? path : "\r\n" + reason);
}

// The stage's failure text, then what went wrong with the file, if known.
std::string WithReason(const std::string& text, const std::exception_ptr& error) {
  const std::string reason = WorkbookFileMessage(error);
  return reason.empty() ? text : text + "\r\n\r\n" + reason;
}

}  // namespace

int RunStepCount() { return static_cast<int>(kSteps.size()); }

ConversionRun::ConversionRun(RvDocument& document, RunView& view)
    : document_(document), view_(view) {}

void ConversionRun::Status(const std::string& text) {
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
    document_.DxfImport().SetDrawAll(options.DrawAll);
    RvExcelExport& exporter = document_.ExcelExport();
    ApplyScaleOption(options.Scale, exporter);
    ApplyLtScaleOption(options.LtScale, exporter);
    ApplyArrowOption(options.ArrowStyle, options.ArrowLength, options.ArrowWidth, exporter);
    ApplyCheckOptions(options, exporter);
    result.DxfOk = ImportDxfFile(DxfPath);
    // A drawing that could not be read is not drawn: the workbook is neither
    // created nor opened nor saved.
    if (result.DxfOk) {
      if (!options.DrawAll) {
        result.UndrawnNotice = UndrawnEntityNotice(document_.DxfImport().EntityRecords());
      } else {
        result.UndrawnNotice = DrawAllNotice(document_.DxfImport().EntityRecords(),
                                             document_.System().ExtraShapes());
      }
      // The model holds the drawing now: the file's raw records go before the
      // shapes are drawn, so that both are never in memory at once.
      document_.DxfImport().ReleaseRecords();
      result.ExcelOk = ExportExcelFile(ExcelPath, PaperForRun(options.PaperSize));
    } else {
      saved_ = false;
      detail_.clear();
      view_.ShowStatus(kStatusWorkbookUntouched);
    }
    result.WorkbookSaved = saved_;
    result.Detail = detail_;
    result.Notes = notes_;
    ShowScaleValue();
  }
  if (result.Succeeded() && !result.UndrawnNotice.empty()) view_.ShowNotice(result.UndrawnNotice);
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
  std::string last_status;
  callbacks.ShowStatus = [this, &last_status](const std::string& text) {
    last_status = text;
    view_.ShowStatus(text);
    if (const int step = StepOf(text); step > 0) view_.ShowStepProgress(step, RunStepCount());
  };
  callbacks.ProcessPendingEvents = [this] { view_.ProcessPendingEvents(); };
  try {
    if (::ovix::ImportDxfFile(document_, path, callbacks)) return true;
    // The reader says nothing when the file cannot be opened: the run says
    // which file and why.
    if (last_status == kStatusOpeningDxf) ShowError(DxfOpenFailureMessage(path));
    return false;
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
  notes_ = {};
  // Entity progress goes to the view only while this stage runs.
  struct ProgressScope {
    RvExcelExport& exporter;
    ~ProgressScope() { exporter.SetProgressCallback(nullptr); }
  } progress{exporter};
  exporter.SetProgressCallback(
      [this](int64_t done, int64_t total) { view_.ShowEntityProgress(done, total); });

  // Writers of one workbook take turns, and a workbook another application
  // has open is not touched; held from before the workbook is opened until
  // it has been saved.
  std::optional<workbook::WorkbookLock> lock;
  try {
    Status(kStatusStartingExcel);
    if (!path.empty()) {
      try {
        lock.emplace(path);
        // A workbook that cannot be saved there (read-only, for one) is
        // refused before anything is drawn.
        workbook::CheckReplaceable(path);
      } catch (const std::exception& error) {
        detail_ = error.what();
        ShowError(WithReason(kExcelStartFailedMessage, std::current_exception()));
        Status(kStatusExcelDone);
        return false;
      }
    }
    bool ready = false;
    for (int attempt = 1; attempt <= kSetExcelSheetAttempts && !ready; ++attempt) {
      ready = exporter.SetExcelSheet(path, kDrawingSheetName);
    }
    if (!ready) {
      detail_ = exporter.LastError();
      ShowError(WithReason(kExcelStartFailedMessage, exporter.LastException()));
      Status(kStatusExcelDone);
      return false;
    }
    exporter.SetPage(paper);

    Status(kStatusRegisteringExcel);
    exporter.SetRvSystem(document_.SharedSystem());
    const double rotate[3] = {0.0, 0.0, 0.0};
    document_.System().SetViewRotate(rotate);

    // Each kind's store is released once it is drawn, so that the shapes
    // drawn next take its memory instead of fresh memory: the extents that
    // map every kind and the count for the run's notes are taken first.
    const int64_t drawn_entities = document_.System().DrawnEntityCount();
    exporter.HoldDrawingExtents();
    struct LetGo {
      RvExcelExport& exporter;
      ~LetGo() { exporter.LetGoOfDrawingExtents(); }
    } let_go{exporter};

    // The extra shapes of the option that draws every entity go first, so
    // that filled solids lie under the lines and texts drawn on them.
    if (!exporter.ExtraShapesEmpty()) {
      Status(kStatusDrawingExtraShapes);
      if (exporter.DrawExtraShapes() < 0) {
        detail_ = exporter.LastError();
        throw DrawingFailed();
      }
    }
    for (const DrawingStep& step : kDrawingSteps) {
      Status(step.status);
      if (!(exporter.*step.draw)()) {
        detail_ = exporter.LastError();
        throw DrawingFailed();
      }
      document_.System().ReleaseEntitiesOf(step.kind);
    }

    Status(kStatusRedrawing);
    exporter.RedrawBasePosition();
    if (exporter.Group()) {
      Status(kStatusGrouping);
      exporter.GroupAll();
    }
    exporter.SetVisible(true);
    // Skipped entities and an empty drawing are told after the completion
    // text, on lines of their own. They are collected now: the drawing is
    // complete, and what is left of the model's entities goes before the
    // save so that it and the save's buffers are never in memory at once.
    RunNotes notes = CollectRunNotes(document_, drawn_entities);
    document_.System().ReleaseEntities();
    Status(kStatusSavingWorkbook);
    SaveAtTheEnd();
    notes_ = std::move(notes);
    Status(CompletionWithNotes(kStatusExcelDone, notes_));
    return true;
  } catch (const DrawingFailed&) {
    // detail_ holds what stopped the drawing.
  } catch (const std::exception& error) {
    detail_ = error.what();
    // A save that failed is not tried again.
    if (!WorkbookFileMessage(std::current_exception()).empty()) {
      view_.ShowStatus(kStatusExcelFailed);
      ShowError(SaveFailureText(path, std::current_exception()));
      return false;
    }
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
      ShowError(SaveFailureText(path, std::current_exception()));
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
