// Speed of the drawing model on a large drawing: 1,000,000 mixed entities on
// 300 layers (some off, some frozen). Measures the drawing's extents, the
// per-entity attribute questions the exporter asks, and filling the model.
//
//   build/bench/model/ovix_model_bench
//
// Argument 0: entities come in runs on one layer (as drawings are usually
// written); argument 1: every entity on a different layer than the last.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "model/rv_system.h"

namespace {

using ovix::RvEntProperty;
using ovix::RvSystem;

constexpr int kEntities = 1000000;
constexpr int kLayers = 300;

void FillTables(RvSystem& s) {
  const std::vector<std::string> ltypes{"CONTINUOUS", "DASHED", "CENTER", "HIDDEN", "PHANTOM"};
  for (std::size_t i = 0; i < ltypes.size(); ++i) {
    std::vector<int32_t> lng(51, 0);
    std::vector<double> dbl(51, 0.0);
    std::vector<std::string> str(51);
    lng[2] = static_cast<int32_t>(2 * i);
    for (std::size_t e = 0; e < 2 * i; ++e) dbl[e + 1] = e % 2 ? -0.25 : 0.5;
    s.AddLtype(ltypes[i], lng, dbl, str);
  }
  for (int i = 0; i < kLayers; ++i) {
    std::vector<int32_t> lng(51, 0);
    std::vector<std::string> str(51);
    lng[0] = i % 29 == 5 ? 1 : 0;             // some frozen
    lng[1] = i % 23 == 7 ? -(i % 255 + 1) : i % 255 + 1;  // some off
    lng[3] = 25 + (i % 4) * 10;
    str[0] = ltypes[static_cast<std::size_t>(i) % ltypes.size()];
    s.AddLayer("", "LAYER-" + std::to_string(i) + "-外形", lng, str);
  }
  std::vector<int32_t> lng(51, 0);
  std::vector<double> dbl(51, 0.0);
  dbl[5] = 2.5;
  s.AddDimStyle("", "Standard", lng, dbl);
}

// Adds kEntities entities of all nine kinds with reproducible coordinates.
void FillEntities(RvSystem& s, bool scattered_layers) {
  std::mt19937 rng(12345);
  std::uniform_real_distribution<double> coord(-50000.0, 50000.0);
  std::uniform_int_distribution<int> layer_pick(0, kLayers - 1);
  std::uniform_int_distribution<int> run_length(1, 200);
  std::uniform_int_distribution<int> kind_pick(0, 99);
  std::vector<std::string> names;
  for (int i = 0; i < kLayers; ++i) names.push_back("LAYER-" + std::to_string(i) + "-外形");

  RvEntProperty p;
  std::vector<double> xs(8), ys(8), zs(8, 0.0);
  int run_left = 0;
  std::string layer;
  for (int n = 0; n < kEntities; ++n) {
    if (scattered_layers) {
      layer = names[static_cast<std::size_t>(n * 7919 % kLayers)];
    } else if (run_left-- <= 0) {
      layer = names[static_cast<std::size_t>(layer_pick(rng))];
      run_left = run_length(rng);
    }
    p.Clear();
    p.Layer = layer;
    p.Color = 256;
    p.LineWidth = -1;
    const double x = coord(rng), y = coord(rng);
    const int kind = kind_pick(rng);
    if (kind < 40) {
      xs[0] = x; ys[0] = y; xs[1] = x + 100; ys[1] = y + 50;
      s.AddLine(p, xs, ys, zs);
    } else if (kind < 50) {
      xs[0] = x; ys[0] = y; p.Radius = 25;
      s.AddCircle(p, xs, ys, zs);
    } else if (kind < 53) {
      xs[0] = x; ys[0] = y; p.RadiusL = 40; p.RadiusS = 20;
      s.AddEllipse(p, xs, ys, zs);
    } else if (kind < 68) {
      xs[0] = x; ys[0] = y; p.Radius = 30; p.AngleS = 30; p.AngleE = 200;
      s.AddArc(p, xs, ys, zs);
    } else if (kind < 78) {
      p.Count = 8;
      for (int k = 0; k < 8; ++k) { xs[k] = x + 10 * k; ys[k] = y + (k % 2) * 10; }
      s.AddPolyline(p, xs, ys, zs);
    } else if (kind < 88) {
      p.Text = "部品番号 A-" + std::to_string(n % 1000); p.Height = 3.5; p.Length = 35;
      s.AddText(p, x, y, 0);
    } else if (kind < 93) {
      p.Text = "注記\\P材質 SS400\\P数量 2"; p.Height = 2.5;
      s.AddMtext(p, x, y, 0);
    } else if (kind < 98) {
      p.DimType = "AcDbRotatedDimension"; p.DimStyle = "Standard"; p.Text = "100";
      s.AddDimension(p, x + 100, y + 20, 0, x, y + 20, 0, x, y, 0, x + 100, y, 0, 0, 0, 0,
                     x + 50, y + 22, 0);
    } else {
      p.Count = 3;
      for (int k = 0; k < 3; ++k) { xs[k] = x + 15 * k; ys[k] = y - 5 * k; }
      s.AddLeader(p, xs, ys, zs);
    }
  }
}

std::unique_ptr<RvSystem> BuildModel(bool scattered_layers) {
  auto s = std::make_unique<RvSystem>();
  FillTables(*s);
  FillEntities(*s, scattered_layers);
  return s;
}

RvSystem& CachedModel(bool scattered_layers) {
  static std::unique_ptr<RvSystem> models[2];
  auto& m = models[scattered_layers ? 1 : 0];
  if (!m) m = BuildModel(scattered_layers);
  return *m;
}

void BM_GetEntityRange(benchmark::State& state) {
  const RvSystem& s = CachedModel(state.range(0) != 0);
  for (auto _ : state) {
    ovix::RvPoint3 lo{}, hi{};
    benchmark::DoNotOptimize(s.GetEntityRange(lo, hi));
    benchmark::DoNotOptimize(lo);
    benchmark::DoNotOptimize(hi);
  }
  state.SetItemsProcessed(state.iterations() * kEntities);
}
BENCHMARK(BM_GetEntityRange)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// What the exporter asks per line: layer flag, colour, line type, width.
void BM_LineAttributes(benchmark::State& state) {
  const RvSystem& s = CachedModel(state.range(0) != 0);
  const int32_t lines = s.LineCount();
  for (auto _ : state) {
    int64_t sum = 0;
    for (int32_t i = 0; i < lines; ++i) {
      sum += s.GetLayerFlagFromName(s.LineEntityLayer(i));
      sum += s.LineEntityLineColor(i);
      sum += s.LineEntityLineType(i);
      sum += static_cast<int64_t>(s.LineEntityLineWidth(i) * 100);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_LineAttributes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FillModel(benchmark::State& state) {
  for (auto _ : state) {
    auto s = BuildModel(false);
    benchmark::DoNotOptimize(s->LineCount());
  }
  state.SetItemsProcessed(state.iterations() * kEntities);
}
BENCHMARK(BM_FillModel)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
