// Opening a workbook that already holds a large drawing and drawing into it,
// the way a second conversion into the same file does: the package is read,
// the sheet's 200,000 shapes are loaded, new shapes are added, everything is
// moved to the page and grouped into one, and the whole package is saved.
// Reported: the time of one such round and the peak memory of the process.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>
#include <string>
#include <vector>

#include "excel/excel_automation.h"
#include "workbook/workbook_engine.h"

namespace {

namespace fs = std::filesystem;

constexpr int kShapes = 200000;

// A workbook whose Sheet1 holds `kShapes` lines, ovals and text boxes, in
// groups of ten, saved once for every run of the benchmark.
const fs::path& LargeWorkbook() {
  static const fs::path path = [] {
    const fs::path file = fs::temp_directory_path() / "ovix-open-bench-source.xlsx";
    auto app = ovix::workbook::CreateApplication();
    app->Workbooks()->Add();
    auto shapes = app->Worksheets()->Item("Sheet1")->Shapes();
    std::vector<std::string> group;
    for (int i = 0; i < kShapes; ++i) {
      const double x = 10 + (i % 400) * 1.5, y = 10 + (i / 400) * 1.5;
      std::shared_ptr<excel::Shape> shape;
      switch (i % 3) {
        case 0: shape = shapes->AddLine(x, y, x + 20, y + 7); break;
        case 1: shape = shapes->AddShape(excel::kShapeOval, x, y, 8, 5); break;
        default: {
          shape = shapes->AddTextbox(excel::kOrientationHorizontal, x, y, 30, 10);
          shape->Select(true);
          app->Selection()->Characters(1, 0)->SetText("寸法 " + std::to_string(i));
        }
      }
      group.push_back(shape->Name());
      if (group.size() == 10) {
        shapes->Range(group)->Group();
        group.clear();
      }
    }
    app->ActiveWorkbook()->SaveAs(file.string(), excel::kNoChange);
    return file;
  }();
  return path;
}

void BM_OpenDrawIntoAndSave(benchmark::State& state) {
  const fs::path& source = LargeWorkbook();
  const fs::path target = fs::temp_directory_path() / "ovix-open-bench.xlsx";
  for (auto _ : state) {
    state.PauseTiming();
    fs::copy_file(source, target, fs::copy_options::overwrite_existing);
    state.ResumeTiming();
    auto app = ovix::workbook::CreateApplication();
    auto book = app->Workbooks()->Open(target.string());
    auto shapes = app->Worksheets()->Item("Sheet1")->Shapes();
    for (int i = 0; i < 1000; ++i) shapes->AddLine(6500 + i, 6500, 6600 + i, 6550);
    shapes->SelectAll();
    auto range = app->Selection()->ShapeRange();
    range->IncrementLeft(-6480);
    range->IncrementTop(-6450);
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(shapes->Count()));
    for (int32_t i = 1; i <= shapes->Count(); ++i) names.push_back(shapes->Item(i)->Name());
    shapes->Range(names)->Group();
    book->Save();
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  state.counters["file_MiB"] = static_cast<double>(fs::file_size(target)) / (1024.0 * 1024.0);
  fs::remove(target);
}
BENCHMARK(BM_OpenDrawIntoAndSave)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
