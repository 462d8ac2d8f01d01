// Speed and memory of a whole conversion: the generated 200,000-entity
// drawing of the DXF benchmark (bench/support/generated_drawing.h) read, drawn
// as shapes on an "A4 縦" page at automatic scale, and saved as a workbook,
// exactly as ovix-convert runs it: as .xlsx (argument 0) and as .xls
// (argument 1). Peak memory is the process's: compare the two formats in
// runs of their own.
//
//   build/bench/app/ovix_conversion_bench --benchmark_filter=/0
//   build/bench/app/ovix_conversion_bench --benchmark_filter=/1
//
// Counters: the drawing's and the workbook's sizes, the messages shown, and
// the process's peak resident memory (VmHWM), reset before the first run
// where the kernel allows it.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/conversion_run.h"
#include "app/run_view.h"
#include "bench/support/generated_drawing.h"
#include "bench/support/peak_memory.h"
#include "excel/excel_automation.h"
#include "model/rv_document.h"
#include "tools/user_prompt.h"
#include "workbook/workbook_engine.h"

namespace {

namespace fs = std::filesystem;

const fs::path& Folder() {
  static const fs::path folder = [] {
    auto p = fs::temp_directory_path() / ("ovix_conversion_bench_" + std::to_string(::getpid()));
    fs::create_directories(p);
    ovix::bench::WriteGeneratedDrawing(p / "drawing.dxf");
    return p;
  }();
  return folder;
}

void BM_ConvertDrawing(benchmark::State& state) {
  ovix::workbook::RegisterAutomationClass();
  const fs::path dxf = Folder() / "drawing.dxf";
  const fs::path xlsx = Folder() / (state.range(0) == 1 ? "drawing.xls" : "drawing.xlsx");
  ovix::QuietPrompt prompt;
  ovix::PromptScope scope(prompt);
  ovix::bench::ResetPeakResident();
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove(xlsx);
    state.ResumeTiming();
    {
      ovix::RvDocument document;
      ovix::QuietRunView view;
      ovix::ConversionRun run(document, view);
      ovix::RunOptions options;
      options.SaveClose = true;  // nothing is left open once the workbook is saved
      const ovix::RunResult result = run.Run(dxf.string(), xlsx.string(), options);
      if (!result.Succeeded()) {
        state.SkipWithError(("the conversion failed: " + result.Detail).c_str());
        break;
      }
    }
    excel::ForgetRunningInstances();
  }
  const double peak = ovix::bench::PeakResidentBytes();
  state.counters["entities"] = ovix::bench::kGeneratedEntities;
  state.counters["dxf_MB"] = static_cast<double>(fs::file_size(dxf)) / 1e6;
  if (fs::exists(xlsx)) state.counters["workbook_MB"] = static_cast<double>(fs::file_size(xlsx)) / 1e6;
  state.counters["peak_rss_MB"] = peak / 1e6;
  state.counters["messages"] = prompt.messages();
}
BENCHMARK(BM_ConvertDrawing)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(Folder(), ec);
  return 0;
}
