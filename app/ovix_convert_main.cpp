// ovix-convert: the command-line program. `--info FILE.dxf` reads a drawing
// through the DXF stage and prints what it holds as JSON.
//
// Messages that the reader and the model show as message boxes go to
// standard error through the default prompt; the exit status is 0 on
// success, 1 when the drawing cannot be read and 2 for a usage error.

#include <CLI/CLI.hpp>

#include <iostream>
#include <string>

#include "app/dxf_info_report.h"
#include "app/dxf_stage.h"
#include "model/rv_document.h"

namespace {

constexpr int kExitUnreadable = 1;

int RunInfo(const std::string& path) {
  ovix::RvDocument document;
  std::string last_status;
  ovix::DxfStageCallbacks callbacks;
  callbacks.ShowStatus = [&](const std::string& text) { last_status = text; };
  if (!ovix::ImportDxfFile(document, path, callbacks)) {
    if (last_status == ovix::kStatusOpeningDxf) {
      std::cerr << "ovix-convert: DXFファイルを開けません: " << path << "\n";
    } else {
      std::cerr << "ovix-convert: DXFファイルを読み込めませんでした (" << last_status
                << "): " << path << "\n";
    }
    return kExitUnreadable;
  }
  std::cout << ovix::DxfInfoReport(document, path) << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Ovix: DXF図面をExcelの図形に変換します", "ovix-convert"};
  std::string info_path;
  app.add_option("--info", info_path, "DXF図面を読み込み、その内容をJSONで表示します")
      ->type_name("FILE.dxf");
  app.require_option(1);
  CLI11_PARSE(app, argc, argv);

  if (!info_path.empty()) return RunInfo(info_path);
  std::cerr << app.help();
  return 2;
}
