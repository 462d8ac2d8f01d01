// Speed of whole conversions of splines and hatches with the option that
// draws every entity: drawings of 1,750 to 7,000 cubic splines and of 50 to
// 200 hatches with islands (half solid, half with a two-family pattern),
// each read, drawn on an "A4 縦" page and saved. The time per entity stays
// the same as the drawings grow (linear time).
//
//   build/bench/app/ovix_curve_fill_bench

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/conversion_run.h"
#include "app/run_view.h"
#include "excel/excel_automation.h"
#include "model/rv_document.h"
#include "tools/user_prompt.h"
#include "workbook/workbook_engine.h"

namespace {

namespace fs = std::filesystem;

const fs::path& Folder() {
  static const fs::path folder = [] {
    auto p = fs::temp_directory_path() / ("ovix_curve_fill_bench_" + std::to_string(::getpid()));
    fs::create_directories(p);
    return p;
  }();
  return folder;
}

void Pair(std::ofstream& out, int code, const std::string& value) {
  out << code << "\r\n" << value << "\r\n";
}
void Pair(std::ofstream& out, int code, double value) { Pair(out, code, std::to_string(value)); }

void Header(std::ofstream& out) {
  Pair(out, 0, "SECTION");
  Pair(out, 2, "HEADER");
  Pair(out, 9, "$ACADVER");
  Pair(out, 1, "AC1027");
  Pair(out, 0, "ENDSEC");
  // Layer "0" in the table: entities on layers the table lacks are not drawn.
  Pair(out, 0, "SECTION");
  Pair(out, 2, "TABLES");
  Pair(out, 0, "TABLE");
  Pair(out, 2, "LAYER");
  Pair(out, 0, "LAYER");
  Pair(out, 2, "0");
  Pair(out, 70, "0");
  Pair(out, 62, "7");
  Pair(out, 6, "CONTINUOUS");
  Pair(out, 0, "ENDTAB");
  Pair(out, 0, "ENDSEC");
  Pair(out, 0, "SECTION");
  Pair(out, 2, "ENTITIES");
}
void Footer(std::ofstream& out) {
  Pair(out, 0, "ENDSEC");
  Pair(out, 0, "EOF");
}

// Cubic splines of eight control points on a grid, 100 to a row.
void WriteSplines(const fs::path& path, int count) {
  std::ofstream out(path, std::ios::binary);
  Header(out);
  for (int i = 0; i < count; ++i) {
    const double x = (i % 100) * 12.0, y = (i / 100) * 12.0;
    Pair(out, 0, "SPLINE");
    Pair(out, 8, "0");
    Pair(out, 62, std::to_string(1 + i % 7));
    Pair(out, 100, "AcDbSpline");
    Pair(out, 70, "8");
    Pair(out, 71, "3");
    Pair(out, 72, "12");
    Pair(out, 73, "8");
    for (double k : {0, 0, 0, 0, 1, 2, 3, 4, 5, 5, 5, 5}) Pair(out, 40, k);
    for (int c = 0; c < 8; ++c) {
      Pair(out, 10, x + c * 1.4);
      Pair(out, 20, y + ((c + i) % 3) * 3.0);
      Pair(out, 30, 0.0);
    }
  }
  Footer(out);
}

void Rectangle(std::ofstream& out, double x0, double y0, double x1, double y1, int flags) {
  Pair(out, 92, std::to_string(flags));
  Pair(out, 72, "0");
  Pair(out, 73, "1");
  Pair(out, 93, "4");
  const double xs[4] = {x0, x1, x1, x0}, ys[4] = {y0, y0, y1, y1};
  for (int k = 0; k < 4; ++k) {
    Pair(out, 10, xs[k]);
    Pair(out, 20, ys[k]);
  }
  Pair(out, 97, "0");
}

// Hatches of a 40 x 30 rectangle with two rectangular islands, 10 to a row.
void WriteHatches(const fs::path& path, int count) {
  std::ofstream out(path, std::ios::binary);
  Header(out);
  for (int i = 0; i < count; ++i) {
    const double x = (i % 10) * 50.0, y = (i / 10) * 40.0;
    const bool solid = i % 2 == 0;
    Pair(out, 0, "HATCH");
    Pair(out, 8, "0");
    Pair(out, 62, std::to_string(1 + i % 7));
    Pair(out, 100, "AcDbHatch");
    Pair(out, 10, 0.0);
    Pair(out, 20, 0.0);
    Pair(out, 30, 0.0);
    Pair(out, 2, solid ? "SOLID" : "ANSI37");
    Pair(out, 70, solid ? "1" : "0");
    Pair(out, 71, "0");
    Pair(out, 91, "3");
    Rectangle(out, x, y, x + 40, y + 30, 1 | 2 | 16);
    Rectangle(out, x + 5, y + 5, x + 15, y + 15, 2);
    Rectangle(out, x + 22, y + 10, x + 35, y + 25, 2);
    Pair(out, 75, "0");
    Pair(out, 76, "1");
    if (!solid) {
      Pair(out, 52, 0.0);
      Pair(out, 41, 1.0);
      Pair(out, 77, "0");
      Pair(out, 78, "2");
      for (double angle : {45.0, 135.0}) {
        Pair(out, 53, angle);
        Pair(out, 43, 0.0);
        Pair(out, 44, 0.0);
        Pair(out, 45, -1.0);
        Pair(out, 46, 1.0);
        Pair(out, 79, "0");
      }
    }
    Pair(out, 98, "0");
  }
  Footer(out);
}

void Convert(benchmark::State& state, const fs::path& dxf) {
  ovix::workbook::RegisterAutomationClass();
  const fs::path xlsx = dxf.parent_path() / (dxf.stem().string() + ".xlsx");
  ovix::QuietPrompt prompt;
  ovix::PromptScope scope(prompt);
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove(xlsx);
    state.ResumeTiming();
    {
      ovix::RvDocument document;
      ovix::QuietRunView view;
      ovix::ConversionRun run(document, view);
      ovix::RunOptions options;
      options.SaveClose = true;
      options.DrawAll = true;
      const ovix::RunResult result = run.Run(dxf.string(), xlsx.string(), options);
      if (!result.Succeeded()) {
        state.SkipWithError(("the conversion failed: " + result.Detail).c_str());
        break;
      }
    }
    excel::ForgetRunningInstances();
  }
  if (fs::exists(xlsx)) state.counters["xlsx_MB"] = static_cast<double>(fs::file_size(xlsx)) / 1e6;
}

void PerEntity(benchmark::State& state, int count) {
  state.counters["entities"] = count;
  state.counters["per_entity_us"] = benchmark::Counter(
      count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ConvertSplines(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const fs::path dxf = Folder() / ("splines_" + std::to_string(count) + ".dxf");
  if (!fs::exists(dxf)) WriteSplines(dxf, count);
  Convert(state, dxf);
  PerEntity(state, count);
}
BENCHMARK(BM_ConvertSplines)->Arg(1750)->Arg(3500)->Arg(7000)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ConvertHatches(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const fs::path dxf = Folder() / ("hatches_" + std::to_string(count) + ".dxf");
  if (!fs::exists(dxf)) WriteHatches(dxf, count);
  Convert(state, dxf);
  PerEntity(state, count);
}
BENCHMARK(BM_ConvertHatches)->Arg(50)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond)->Iterations(2);

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
