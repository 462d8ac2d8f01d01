// What the window adds to a conversion: the generated 200,000-entity drawing
// of the DXF benchmark (bench/support/generated_drawing.h) converted from the
// main window (status label with a pass of pending events after each text,
// the progress bar following every drawing step, the wait pointer), next to
// the same run with a view that shows nothing. Offscreen platform.
//
//   build/bench/app_gui/ovix_window_run_bench
//
// Counters: progress updates the bar received, and the process's peak
// resident memory (VmHWM).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/conversion_run.h"
#include "app/file_chooser.h"
#include "app/frm_main.h"
#include "app/japanese_ui.h"
#include "app/qsettings_store.h"
#include "app/run_view.h"
#include "bench/support/generated_drawing.h"
#include "bench/support/peak_memory.h"
#include "excel/excel_automation.h"
#include "model/rv_document.h"
#include "tools/user_prompt.h"
#include "workbook/workbook_engine.h"

namespace {

namespace fs = std::filesystem;

class FixedChooser : public ovix::FileChooser {
 public:
  FixedChooser(QString dxf, QString xlsx) : dxf_(std::move(dxf)), xlsx_(std::move(xlsx)) {}
  QString ChooseDxfFile(QWidget*) override { return dxf_; }
  QString ChooseWorkbookFile(QWidget*) override { return xlsx_; }

 private:
  QString dxf_, xlsx_;
};

const fs::path& Folder() {
  static const fs::path folder = [] {
    auto p = fs::temp_directory_path() / ("ovix_window_run_bench_" + std::to_string(::getpid()));
    fs::create_directories(p);
    ovix::bench::WriteGeneratedDrawing(p / "drawing.dxf");
    return p;
  }();
  return folder;
}

void BM_RunFromTheWindow(benchmark::State& state) {
  const fs::path dxf = Folder() / "drawing.dxf";
  const fs::path xlsx = Folder() / "window.xlsx";
  auto prompt = std::make_shared<ovix::QuietPrompt>();
  ovix::FrmMainServices services;
  services.settings = std::make_shared<ovix::QSettingsStore>(
      QString::fromStdString((Folder() / "settings.ini").string()));
  services.files = std::make_shared<FixedChooser>(QString::fromStdString(dxf.string()),
                                                  QString::fromStdString(xlsx.string()));
  services.prompt = prompt;
  services.present_workbook = [](const std::string&) {};
  ovix::FrmMain window(services);
  window.show();
  auto* progress = window.findChild<QProgressBar*>(QStringLiteral("PrgRun"));
  int updates = 0;
  QObject::connect(progress, &QProgressBar::valueChanged, [&updates] { ++updates; });
  bool succeeded = false;
  QObject::connect(&window, &ovix::FrmMain::runFinished, [&succeeded](bool ok) { succeeded = ok; });
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove(xlsx);
    // Choosing the workbook again after it was removed asks nothing.
    window.findChild<QPushButton*>(QStringLiteral("CmdFileSelectDXF"))->click();
    window.findChild<QPushButton*>(QStringLiteral("CmdFileSelectExcel"))->click();
    state.ResumeTiming();
    window.findChild<QPushButton*>(QStringLiteral("CmdRun"))->click();
    if (!succeeded) {
      state.SkipWithError("the conversion failed");
      break;
    }
    state.PauseTiming();
    excel::ForgetRunningInstances();
    state.ResumeTiming();
  }
  state.counters["progress_updates"] = updates / static_cast<double>(state.iterations());
  state.counters["messages"] = prompt->messages();
  state.counters["peak_rss_MB"] = ovix::bench::PeakResidentBytes() / 1048576.0;
}
BENCHMARK(BM_RunFromTheWindow)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RunWithoutView(benchmark::State& state) {
  const fs::path dxf = Folder() / "drawing.dxf";
  const fs::path xlsx = Folder() / "quiet.xlsx";
  ovix::QuietPrompt prompt;
  ovix::PromptScope scope(prompt);
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove(xlsx);
    state.ResumeTiming();
    ovix::RvDocument document;
    ovix::QuietRunView view;
    ovix::ConversionRun run(document, view);
    if (!run.Run(dxf.string(), xlsx.string(), ovix::RunOptions{}).Succeeded()) {
      state.SkipWithError("the conversion failed");
      break;
    }
    state.PauseTiming();
    excel::ForgetRunningInstances();
    state.ResumeTiming();
  }
  state.counters["messages"] = prompt.messages();
}
BENCHMARK(BM_RunWithoutView)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ovix::SetUpJapaneseInterface(application);
  ovix::workbook::RegisterAutomationClass();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(Folder(), ec);
  return 0;
}
