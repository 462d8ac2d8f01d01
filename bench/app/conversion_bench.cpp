// Speed and memory of a whole conversion: the generated 200,000-entity
// drawing of the DXF benchmark (bench/support/generated_drawing.h) read, drawn
// as shapes on an "A4 縦" page at automatic scale, and saved as a workbook,
// exactly as ovix-convert runs it.
//
//   build/bench/app/ovix_conversion_bench
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

// Converts `dxf`, with the option that draws every entity when `draw_all`.
void Convert(benchmark::State& state, const fs::path& dxf, bool draw_all) {
  ovix::workbook::RegisterAutomationClass();
  const fs::path xlsx = dxf.parent_path() / (dxf.stem().string() + ".xlsx");
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
      options.DrawAll = draw_all;
      const ovix::RunResult result = run.Run(dxf.string(), xlsx.string(), options);
      if (!result.Succeeded()) {
        state.SkipWithError(("the conversion failed: " + result.Detail).c_str());
        break;
      }
    }
    excel::ForgetRunningInstances();
  }
  const double peak = ovix::bench::PeakResidentBytes();
  state.counters["dxf_MB"] = static_cast<double>(fs::file_size(dxf)) / 1e6;
  if (fs::exists(xlsx)) state.counters["xlsx_MB"] = static_cast<double>(fs::file_size(xlsx)) / 1e6;
  state.counters["peak_rss_MB"] = peak / 1e6;
  state.counters["messages"] = prompt.messages();
}
// The 200,000-entity drawing; argument 1 draws every entity (the drawing
// holds no block definitions, so the option must cost next to nothing).
void BM_ConvertDrawing(benchmark::State& state) {
  Convert(state, Folder() / "drawing.dxf", state.range(0) != 0);
  state.counters["entities"] = ovix::bench::kGeneratedEntities;
}
BENCHMARK(BM_ConvertDrawing)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// References of one 20-entity block, drawn with the option: the time per
// reference stays the same from 1,000 to 10,000 references.
void BM_ConvertBlockReferences(benchmark::State& state) {
  const int references = static_cast<int>(state.range(0));
  const fs::path dxf = Folder() / ("blocks_" + std::to_string(references) + ".dxf");
  if (!fs::exists(dxf)) ovix::bench::WriteBlockReferenceDrawing(dxf, references);
  Convert(state, dxf, true);
  state.counters["references"] = references;
  state.counters["per_reference_us"] = benchmark::Counter(
      references, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ConvertBlockReferences)
    ->Arg(1000)
    ->Arg(2500)
    ->Arg(5000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

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
