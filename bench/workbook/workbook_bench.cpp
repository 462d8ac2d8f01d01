// Building and saving a large drawing through the automation interface, the
// way the exporter does: every shape is created, selected and styled through
// the application's selection; polylines, dimensions and arcs that fall back
// to chords are grouped per entity; at the end everything is moved from the
// working offset to the page, grouped into one, and saved.
//
// The target: 200,000 shapes built and saved in under 3 seconds.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "excel/excel_automation.h"
#include "workbook/workbook_engine.h"

namespace {

namespace fs = std::filesystem;

void StyleLine(excel::Application& app, int i) {
  auto line = app.Selection()->ShapeRange()->Line();
  const double weight = line->Weight();
  line->SetWeight(weight > 0 ? 0.25 * (1 + i % 3) : 0.25);
  line->SetDashStyle(i % 7 == 0 ? excel::kLineDash : excel::kLineSolid);
  line->ForeColor()->SetSchemeColor(i % 5 == 0 ? 2 : 8);
}

void StyleText(excel::Application& app, int i) {
  auto selection = app.Selection();
  selection->ShapeRange()->Line()->SetWeight(0.25);
  auto font = selection->Characters(1, 0)->Font();
  font->SetName("ＭＳ ゴシック");
  font->SetFontStyle(i % 9 == 0 ? "太字" : "標準");
  font->SetSize(2.5 + i % 4);
  font->SetStrikethrough(false);
  font->SetSuperscript(false);
  font->SetSubscript(false);
  font->SetOutlineFont(false);
  font->SetShadow(false);
  font->SetUnderline(false);
  font->SetColorIndex(1);
  selection->SetHorizontalAlignment(excel::kAlignLeft);
  selection->SetAutoSize(true);
  selection->SetAddIndent(false);
  auto range = selection->ShapeRange();
  range->Fill()->SetVisible(excel::kFalse);
  range->Fill()->SetTransparency(0.0);
  auto line = range->Line();
  line->SetDashStyle(excel::kLineSolid);
  line->SetStyle(excel::kLineSingle);
  line->SetTransparency(0.0);
  line->SetVisible(excel::kFalse);
}

void GroupNames(excel::Application& app, excel::Shapes& shapes, const std::vector<std::string>& names) {
  if (names.size() < 2) return;
  shapes.Range(names)->Select(true);
  app.Selection()->ShapeRange()->Group()->Select(true);
}

// Draws about `count` shapes at the exporter's working offset of 6500 points.
void Draw(excel::Application& app, excel::Shapes& shapes, int count) {
  const double base = 6500;
  int made = 0;
  for (int i = 0; made < count; ++i) {
    const double x = base + (i * 37) % 800;
    const double y = base + (i * 53) % 1100;
    switch (i % 20) {
      case 0: case 1: case 2: case 3: case 4: case 5: case 6: case 7: case 8: case 9: {
        shapes.AddLine(x, y, x + 40, y + 25)->Select(true);  // a line entity
        StyleLine(app, i);
        made += 1;
        break;
      }
      case 10: case 11: {
        shapes.AddShape(excel::kShapeOval, x, y, 30, 30)->Select(true);  // a circle
        StyleLine(app, i);
        app.Selection()->ShapeRange()->Fill()->SetVisible(excel::kFalse);
        app.Selection()->ShapeRange()->Fill()->SetTransparency(0.0);
        made += 1;
        break;
      }
      case 12: case 13: {
        // An arc entity: a freeform through 5 points of its circle.
        auto point = [&](int k) {
          const double t = (20 + 30.0 * k) * std::numbers::pi / 180;
          return std::pair{x + 40 * std::cos(t), y - 40 * std::sin(t)};
        };
        auto [x0, y0] = point(0);
        auto builder = shapes.BuildFreeform(excel::kEditingAuto, x0, y0);
        for (int k = 1; k <= 4; ++k) {
          auto [px, py] = point(k);
          builder->AddNodes(excel::kSegmentCurve, excel::kEditingAuto, px, py);
        }
        builder->ConvertToShape()->Select(true);
        StyleLine(app, i);
        made += 1;
        break;
      }
      case 14: case 15: {
        // A text.
        shapes.AddTextbox(excel::kOrientationHorizontal, x, y, x + 10, y)->Select(true);
        app.Selection()->Characters(1, 0)->SetText(i % 4 == 0 ? "寸法 120.5" : "PLATE t=12");
        StyleText(app, i);
        made += 1;
        break;
      }
      case 16: case 17: {
        // A polyline of four segments, grouped.
        std::vector<std::string> names;
        for (int k = 0; k < 4; ++k) {
          shapes.AddLine(x + 10 * k, y, x + 10 * (k + 1), y + 5 * (k % 2))->Select(true);
          StyleLine(app, i);
          names.push_back(app.Selection()->Name());
        }
        GroupNames(app, shapes, names);
        made += 5;
        break;
      }
      default: {
        // An angular dimension: arc shape with arrowheads, two extension
        // lines and its text, grouped.
        std::vector<std::string> names;
        shapes.AddShape(excel::kShapeArc, x - 30, y - 30, 60, 60)->Select(true);
        auto range = app.Selection()->ShapeRange();
        range->ScaleWidth(0.5, false, excel::kScaleFromBottomRight);
        range->ScaleHeight(0.5, false, excel::kScaleFromTopLeft);
        range->Adjustments()->SetItem(1, 75);
        range->Adjustments()->SetItem(2, 15);
        auto line = range->Line();
        line->SetBeginArrowheadStyle(excel::kArrowheadTriangle);
        line->SetEndArrowheadStyle(excel::kArrowheadTriangle);
        StyleLine(app, i);
        names.push_back(app.Selection()->Name());
        for (int k = 0; k < 2; ++k) {
          shapes.AddLine(x, y, x + 35 * (k + 1), y - 20)->Select(true);
          StyleLine(app, i);
          names.push_back(app.Selection()->Name());
        }
        shapes.AddTextbox(excel::kOrientationHorizontal, x + 5, y - 40, x + 15, y - 40)->Select(true);
        app.Selection()->Characters(1, 0)->SetText("60°");
        StyleText(app, i);
        names.push_back(app.Selection()->Name());
        GroupNames(app, shapes, names);
        made += 5;
        break;
      }
    }
  }
}

// Moves the drawing to the page and groups everything, as at the end of a run.
void Finish(excel::Application& app, excel::Worksheet& sheet) {
  auto shapes = sheet.Shapes();
  shapes->SelectAll();
  auto range = app.Selection()->ShapeRange();
  range->IncrementLeft(20 - 6500);
  range->IncrementTop(20 - 6500);
  sheet.Range("1:1")->Select();
  const int32_t n = shapes->Count();
  std::vector<std::string> names;
  names.reserve(static_cast<size_t>(n));
  for (int32_t i = 1; i <= n; ++i) names.push_back(shapes->Item(i)->Name());
  GroupNames(app, *shapes, names);
  sheet.Range("1:1")->Select();
}

double PeakRssMegabytes() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

void BM_BuildAndSave(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const fs::path file = fs::temp_directory_path() / "ovix-workbook-bench.xlsx";
  for (auto _ : state) {
    auto app = ovix::workbook::CreateApplication();
    app->Workbooks()->Add();
    auto sheet = app->Worksheets()->Item("Sheet1");
    auto shapes = sheet->Shapes();
    Draw(*app, *shapes, count);
    Finish(*app, *sheet);
    app->ActiveWorkbook()->SaveAs(file.string(), excel::kNoChange);
    app->Quit();
  }
  state.counters["shapes"] = count;
  state.counters["file_MB"] = static_cast<double>(fs::file_size(file)) / (1 << 20);
  state.counters["peak_RSS_MB"] = PeakRssMegabytes();
  fs::remove(file);
}
BENCHMARK(BM_BuildAndSave)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// The two halves of the above: building only, and saving a built workbook.
void BM_BuildOnly(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    auto app = ovix::workbook::CreateApplication();
    app->Workbooks()->Add();
    auto sheet = app->Worksheets()->Item("Sheet1");
    auto shapes = sheet->Shapes();
    Draw(*app, *shapes, count);
    Finish(*app, *sheet);
    state.PauseTiming();
    app->Quit();
    app.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_BuildOnly)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// Argument 2: 0 saves .xlsx, 1 the legacy .xls.
void BM_SaveOnly(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const fs::path file =
      fs::temp_directory_path() / (state.range(1) == 1 ? "ovix-workbook-bench-save.xls" : "ovix-workbook-bench-save.xlsx");
  auto app = ovix::workbook::CreateApplication();
  app->Workbooks()->Add();
  auto sheet = app->Worksheets()->Item("Sheet1");
  auto shapes = sheet->Shapes();
  Draw(*app, *shapes, count);
  Finish(*app, *sheet);
  for (auto _ : state) app->ActiveWorkbook()->SaveAs(file.string(), excel::kNoChange);
  state.counters["file_MB"] = static_cast<double>(fs::file_size(file)) / (1 << 20);
  fs::remove(file);
}
BENCHMARK(BM_SaveOnly)->Args({200000, 0})->Args({200000, 1})->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// One polyline of 100,000 segments: a line each, grouped into one shape.
void BM_LongPolyline(benchmark::State& state) {
  const int segments = static_cast<int>(state.range(0));
  const fs::path file = fs::temp_directory_path() / "ovix-workbook-bench-polyline.xlsx";
  for (auto _ : state) {
    auto app = ovix::workbook::CreateApplication();
    app->Workbooks()->Add();
    auto sheet = app->Worksheets()->Item("Sheet1");
    auto shapes = sheet->Shapes();
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(segments));
    for (int k = 0; k < segments; ++k) {
      const double x = 6500 + 0.01 * k;
      shapes->AddLine(x, 6500 + (k % 2) * 3, x + 0.01, 6500 + ((k + 1) % 2) * 3)->Select(true);
      StyleLine(*app, k);
      names.push_back(app->Selection()->Name());
    }
    GroupNames(*app, *shapes, names);
    Finish(*app, *sheet);
    app->ActiveWorkbook()->SaveAs(file.string(), excel::kNoChange);
    app->Quit();
  }
  fs::remove(file);
}
BENCHMARK(BM_LongPolyline)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
