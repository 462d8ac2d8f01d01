#pragma once
// The conversion run: the one sequence that both the window and the command
// line execute. It resets the converters, writes the options into the
// exporter, reads the DXF file into the drawing model, draws the model on
// the sheet "Sheet1" of the workbook and saves it, shows the effective
// scale, and clears the document.
//
// Everything the user sees goes through a RunView (status texts, the wait
// pointer, the scale label, progress, the finished workbook) and the
// thread's prompt (message boxes).

#include <string>

#include "app/run_options.h"
#include "app/run_view.h"

namespace ovix {

class RvDocument;

// Status texts of the Excel stage, in the order the steps run.
inline constexpr const char* kStatusStartingExcel = "Excelを起動しています";
inline constexpr const char* kStatusRegisteringExcel = "Excelに登録しています";
inline constexpr const char* kStatusDrawingLines = "Excelに線分を作成しています";
inline constexpr const char* kStatusDrawingCircles = "Excelに円を作成しています";
inline constexpr const char* kStatusDrawingEllipses = "Excelに楕円を作成しています";
inline constexpr const char* kStatusDrawingArcs = "Excelに円弧を作成しています";
inline constexpr const char* kStatusDrawingPolylines = "Excelにﾎﾟﾘﾗｲﾝを作成しています";
inline constexpr const char* kStatusDrawingTexts = "Excelに文字を作成しています";
inline constexpr const char* kStatusDrawingMtexts = "Excelにﾏﾙﾁﾃｷｽﾄを作成しています";
inline constexpr const char* kStatusDrawingDimensions = "Excelに寸法線を作成しています";
inline constexpr const char* kStatusDrawingLeaders = "Excelに引出線を作成しています";
// Only when every entity is drawn and the drawing has shapes beyond the
// nine kinds (not one of the numbered steps).
inline constexpr const char* kStatusDrawingExtraShapes = "Excelにブロックなどの図形を作成しています";
inline constexpr const char* kStatusRedrawing = "再作図しています";
inline constexpr const char* kStatusGrouping = "グループを作成しています";
inline constexpr const char* kStatusSavingWorkbook = "Excelのブックを保存しています";
inline constexpr const char* kStatusExcelDone = "Excelの処理を完了しました";
// The failure text: two lines separated by a carriage return alone.
inline constexpr const char* kStatusExcelFailed =
    "Excelの表示ができませんでした\r位置、サイズ、尺度などをご確認ください";

// Messages of the Excel stage (error icon, OK, the application's title).
inline constexpr const char* kExcelStartFailedMessage =
    "Excelの実行に問題が発生しました\r\nExcelの状態をご確認ください";
inline constexpr const char* kWorkbookSaveFailedMessage = "Excelのブックを保存できませんでした";

// The sheet the drawing goes on, and how often the run tries to set it up.
inline constexpr const char* kDrawingSheetName = "Sheet1";
inline constexpr int kSetExcelSheetAttempts = 5;

// Number of status steps of a whole run (DXF stage and Excel stage), for
// the progress of the steps.
int RunStepCount();

struct RunResult {
  bool DxfOk = false;
  bool ExcelOk = false;
  // The workbook was saved at the end of the run (on success or after a
  // failure once it had been set up).
  bool WorkbookSaved = false;
  // What stopped the Excel stage, in the words of the failing part (for
  // logs; the user sees the status texts and message boxes).
  std::string Detail;
  // With the option that draws every entity off: what the drawing holds
  // that was left out and how to draw it (empty when nothing was).
  std::string UndrawnNotice;

  bool Succeeded() const { return DxfOk && ExcelOk; }
};

class ConversionRun {
 public:
  ConversionRun(RvDocument& document, RunView& view);

  // The whole run: reads `DxfPath`, draws into the workbook `ExcelPath` and
  // saves it. An existing workbook is opened and drawn into (the caller asks
  // the user first). The Excel stage runs whatever the DXF stage returned.
  // With save-and-close off the saved workbook is handed to the view to be
  // shown.
  RunResult Run(const std::string& DxfPath, const std::string& ExcelPath,
                const RunOptions& options);

  // The reader and the exporter back to their reset state.
  void ResetConverters();
  // The DXF stage; true when the drawing was read completely.
  bool ImportDxfFile(const std::string& path);
  // The Excel stage on `paper` (the separator already replaced); true when
  // every step succeeded. Every workbook it set up ends saved.
  bool ExportExcelFile(const std::string& path, const std::string& paper);
  // The effective scale into the view's scale label.
  void ShowScaleValue();

  // Of the last ExportExcelFile.
  bool WorkbookSaved() const { return saved_; }
  const std::string& Detail() const { return detail_; }

 private:
  void Status(const char* text);
  void SaveAtTheEnd();

  RvDocument& document_;
  RunView& view_;
  bool saved_ = false;
  std::string detail_;
};

}  // namespace ovix
