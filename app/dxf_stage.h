#pragma once
// The DXF stage of a conversion run: reads a DXF file into the document's
// drawing model, step by step, reporting each step in a status text and
// letting the caller process pending events between the steps.
//
// The window shows the status texts in its status label and processes its
// pending window messages; the command line may ignore both.

#include <functional>
#include <string>

namespace ovix {

class RvDocument;

// Status texts of the stage, in the order the steps run.
inline constexpr const char* kStatusOpeningDxf = "DXFファイルを開いています";
inline constexpr const char* kStatusCountingDxf = "DXFファイルのデータ数を読み込んでいます";
inline constexpr const char* kStatusReadingDxf = "DXFファイルを読み込んでいます";
inline constexpr const char* kStatusRegisteringTables = "テーブルデータを登録しています";
inline constexpr const char* kStatusRegisteringEntities = "エンティティデータを登録しています";
inline constexpr const char* kStatusClosingDxf = "DXFファイルを閉じています";
inline constexpr const char* kStatusDxfDone = "DXFファイル操作を完了しました";

struct DxfStageCallbacks {
  // Shows a status text (the window's status label).
  std::function<void(const std::string&)> ShowStatus;
  // One pass of pending events, so that the status repaints before the
  // next, possibly long, step.
  std::function<void()> ProcessPendingEvents;
};

// Runs the DXF stage on `document`'s reader and model: true when the whole
// drawing was read and registered. On false the status keeps the failing
// step's text and the reader has shown its message (a registration failure
// is shown here: the line, group code and value it could not use); records
// registered before the failure stay in the model. The file is closed in
// every case.
bool ImportDxfFile(RvDocument& document, const std::string& path,
                   const DxfStageCallbacks& callbacks = {});

}  // namespace ovix
