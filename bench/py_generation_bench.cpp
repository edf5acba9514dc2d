// Generation of the p-y curves of 20 profile layers (soft clay and sand in
// turn): the computation alone, which must not allocate, and the whole step
// with the report and the scratch file.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "soil/py_curves.h"
#include "soil/py_frame.h"
#include "soil/soil_profile.h"

namespace {

std::atomic<long long> g_allocations{0};

}  // namespace

// Counting replacements of the global allocation functions. GCC takes the
// free() of a replaced operator delete for a mismatch with operator new; both
// sides are malloc/free here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

using namespace darnek;

// 20 layers of 100 in below a 120 in excavation, on a wall of 400 x 6 in.
void TwentyLayers(ProblemData& d) {
  d.C1.UnitSystemCode = UnitSystem::English;
  d.C1.PyCurveOption = PyCurveSource::Generated;
  d.C2.NumIncrements = 400;
  d.C2.IncrementLength = 6;
  d.Wall.FreeHeight = 120;
  d.Wall.WA = 48;
  d.Wall.WP = 24;
  d.Wall.WaterDepthBackfill = 600;
  d.Soil.LoadingType = Loading::Static;
  double previous = 0;
  for (int i = 0; i < 20; ++i) {
    SoilLayer layer;
    layer.SoilTypeCode = i % 2 == 0 ? SoilType::SoftClay : SoilType::Sand;
    layer.LayerBottomDepth = 220 + 100 * i;
    layer.LayerThickness = layer.LayerBottomDepth - previous;
    previous = layer.LayerBottomDepth;
    if (layer.SoilTypeCode == SoilType::SoftClay) {
      layer.Top = {0.065, 3 + 0.2 * i, 0, 0.01, 0, 0};
    } else {
      layer.Top = {0.07, 0, 32 + 0.2 * i, 0, 90, 0};
    }
    layer.Bottom = layer.Top;
    d.Soil.Layers.push_back(layer);
  }
  d.Soil.NumSoilLayers = 20;
  PressureRow a, b;
  b.Depth = 3000;
  b.LoadPerStation = 60000;
  d.Pressure.Rows = {a, b};
}

class Discard : public soil::CurveOutput {
 public:
  void BeginCurve(const soil::CurveFrame&) override {}
  void WriteSide(const soil::CurveLayout&, const soil::CurveFrame&, const soil::SideResult& result) override {
    benchmark::DoNotOptimize(result.P[16]);
  }
};

void BM_ComputeCurvesOf20Layers(benchmark::State& state) {
  RunContext ctx;  // no report attached: the profile echo goes nowhere
  TwentyLayers(ctx.Data);
  soil::BuildSoilProfile(ctx);
  soil::SetCurveDepths(ctx.Data);
  Discard output;
  long long allocations = 0;
  for (auto _ : state) {
    const long long before = g_allocations.load();
    soil::DispatchLayers(ctx, output);
    allocations += g_allocations.load() - before;
  }
  state.counters["curves"] = static_cast<double>(ctx.Data.Profile.CurveDepths.size());
  state.counters["allocs/iter"] = static_cast<double>(allocations) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ComputeCurvesOf20Layers);

void BM_GeneratePyCurvesOf20Layers(benchmark::State& state) {
  RunContext ctx;
  TwentyLayers(ctx.Data);
  ctx.Names.PyScratch = (std::filesystem::temp_directory_path() / "darnek_py_bench.py").string();
  ctx.Files.PyScratch.Open("p-y scratch file", ctx.Names.PyScratch, RunFile::Kind::Scratch);
  for (auto _ : state) soil::GeneratePyCurves(ctx);
  std::filesystem::remove(ctx.Names.PyScratch);
}
BENCHMARK(BM_GeneratePyCurvesOf20Layers)->Unit(benchmark::kMicrosecond);

}  // namespace
