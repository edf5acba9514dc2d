// One linear solution of the wall at the table sizes of a typical and of a
// very finely divided wall: one forward and one backward pass, no allocation.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "core/problem_data.h"
#include "solver/solve_deflections.h"

namespace {

void BM_SolveDeflections(benchmark::State& state) {
  using darnek::StationTables;
  const int n = static_cast<int>(state.range(0));
  const double h = 10.0 / n;
  StationTables st;
  for (auto* array : {&st.EI, &st.Q, &st.S, &st.T, &st.R, &st.P, &st.W, &st.RecA, &st.RecB, &st.RecC}) {
    array->Resize(n);
  }
  st.SolutionCode.Resize(n);
  st.SolutionCode.Fill(1);
  for (int j = 0; j <= n; ++j) {
    st.EI[j] = 5.0e4 * (1.0 + 0.2 * std::sin(0.01 * j));
    st.S[j] = 2.0e3 * h * j / n;
    st.Q[j] = j < n / 3 ? 10.0 * h : 0.0;
    st.P[j] = -5.0;
  }
  const std::vector<darnek::SpecifiedCondition> conditions;
  for (auto _ : state) {
    darnek::solver::SolveSummary summary = darnek::solver::SolveDeflections(st, conditions, n, h, 1e-6, 1e3);
    benchmark::DoNotOptimize(summary);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * (n + 3));
}

BENCHMARK(BM_SolveDeflections)->Arg(400)->Arg(4000);

}  // namespace
