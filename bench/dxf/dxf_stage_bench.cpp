// Speed and memory of the whole DXF stage (open, count, reopen, read,
// tables, entities) on a generated drawing of 200,000 mixed entities, about
// 40 MB: all nine converted kinds plus INSERT and HATCH records, 60 layers,
// Shift-JIS text (AutoCAD 2000 format, code page 932), CR LF line ends.
//
//   build/bench/dxf/ovix_dxf_bench
//
// Counters: the file's size, DXF megabytes per second, and the process's
// peak resident memory (VmHWM) against the file's size. The peak is reset
// before the first run where the kernel allows it, so it covers the stage.

#include <benchmark/benchmark.h>
#include <iconv.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

#include "app/dxf_stage.h"
#include "bench/support/generated_drawing.h"
#include "bench/support/peak_memory.h"
#include "model/rv_document.h"

namespace {

const std::filesystem::path& Drawing() {
  static const std::filesystem::path path = [] {
    auto p = std::filesystem::temp_directory_path() /
             ("ovix_dxf_bench_" + std::to_string(::getpid()) + ".dxf");
    ovix::bench::WriteGeneratedDrawing(p);
    return p;
  }();
  return path;
}

void BM_DxfStage(benchmark::State& state) {
  const std::string path = Drawing().string();
  const auto bytes = static_cast<double>(std::filesystem::file_size(path));
  ovix::bench::ResetPeakResident();
  int32_t entities = 0;
  for (auto _ : state) {
    ovix::RvDocument document;
    if (!ovix::ImportDxfFile(document, path)) {
      state.SkipWithError("the DXF stage failed");
      break;
    }
    ovix::RvSystem& s = document.System();
    entities = s.LineCount() + s.CircleCount() + s.EllipseCount() + s.ArcCount() +
               s.PolylineCount() + s.TextCount() + s.MuTextCount() + s.DimensionCount() +
               s.LeaderCount();
    benchmark::DoNotOptimize(entities);
  }
  const double peak = ovix::bench::PeakResidentBytes();
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
  state.counters["file_MB"] = bytes / 1e6;
  state.counters["model_entities"] = entities;
  state.counters["peak_rss_MB"] = peak / 1e6;
  state.counters["peak_per_file_size"] = peak / bytes;
}
BENCHMARK(BM_DxfStage)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove(Drawing(), ec);
  return 0;
}
