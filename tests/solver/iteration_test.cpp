#include "solver/iteration.h"

#include <gtest/gtest.h>

#include <cmath>

#include "dense_solve.h"
#include "report/iteration_log.h"
#include "solver/flexural_rigidity.h"
#include "solver/solve_deflections.h"
#include "solver/supports.h"
#include "solver_fixture.h"

namespace darnek::solver {
namespace {

using testing::DenseSolve;
using testing::SolverContext;

// A uniform linear wall over the whole length, EI set as the driver sets it.
void UniformWall(SolverContext& f, double ei) {
  CrossSection c;
  c.I = {ei, ei};
  c.E = {1.0, 1.0};
  f.Ctx.Data.CrossSections = {c};
  f.Ctx.Data.WallSections = {{0.0, f.n() * f.h(), 1}};
  UpdateFlexuralRigidity(f.Ctx);
}

// The iteration with the monitor the driver gives it: the table to the run log.
void IterateLogged(RunContext& ctx) {
  IterationMonitor monitor;
  monitor.Started = [&ctx](bool single) { report::WriteMonitoringHeading(ctx.Log, single); };
  monitor.Stepped = [&ctx](const IterationStep& step) { report::WriteMonitoringLine(ctx.Log, step); };
  IterateStage(ctx, ctx.Data.PyCurves, monitor);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

const std::vector<std::string> kMonitoringHeading = {
    "",
    "",
    "     ITERATION MONITORING",
    "     --------------------",
    "",
    "    ITER     NODES      MAX. CHANGE     DEF.        DEF.        DEF.        DEF. ",
    "            EXC. TOL.    DEFLECTION    NODE 0      NODE 1      NODE 2      NODE 3",
    "    ----    ---------   -----------    ------      ------      ------      ------",
};

TEST(DampingFactor, SearchesOddFractionsOfFinerAndFinerLevels) {
  const double expected[] = {0.5, 0.25, 0.75, 0.125, 0.375, 0.625, 0.875, 1.0 / 16, 3.0 / 16, 15.0 / 16};
  const int counts[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 14};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(DampingFactor(counts[i]), expected[i]) << counts[i];
  EXPECT_EQ(DampingFactor(15), 1.0 / 32);
  EXPECT_EQ(DampingFactor(63), 1.0 / 128);
  EXPECT_EQ(DampingFactor(126), 127.0 / 128);
  // The divisor stays at 64 past the 64ths.
  EXPECT_EQ(DampingFactor(127), 129.0 / 128);
  EXPECT_EQ(DampingFactor(130), 135.0 / 128);
}

TEST(DampOscillation, BlendsAnAlternatingSolutionWithTheSequenceOfFactors) {
  SolverContext f(3, 1.0);
  StationTables& st = f.st();
  IterationControl control(100);
  const double a[] = {1.0, 2.0, 3.0, 4.0};
  const double b[] = {-1.0, 0.0, 1.0, 2.0};
  auto alternate = [&] {
    for (int j = 0; j <= 3; ++j) {
      st.W[j] = a[j];
      st.Wprev1[j] = b[j];
      st.Wprev2[j] = a[j];
      st.Wprev3[j] = b[j];
    }
  };
  for (double omega : {0.5, 0.25, 0.75}) {
    alternate();
    ASSERT_TRUE(DampOscillation(st, 3, 1e-6, control));
    for (int j = 0; j <= 3; ++j) EXPECT_DOUBLE_EQ(st.W[j], omega * a[j] + (1 - omega) * b[j]);
  }
  EXPECT_EQ(control.DampingCount(), 3);
  // A solution that does not repeat the one two iterations back is left alone.
  alternate();
  st.W[2] += 1e-3;
  EXPECT_FALSE(DampOscillation(st, 3, 1e-6, control));
  EXPECT_EQ(st.W[2], 3.001);
  EXPECT_EQ(control.DampingCount(), 3);
}

TEST(IterateStage, MaxIterationsZeroSolvesOnceAtZeroDeflection) {
  SolverContext f(10, 1.0);
  UniformWall(f, 1000.0);
  f.Ctx.Data.C2.MaxIterations = 0;
  f.Ctx.Data.C2.MaxAllowableDeflection = 1e-6;  // not tested with a single solution
  f.st().BaseQ[0] = 200.0;
  // Stiff up to 0.01, soft beyond: the single solution uses the stiff line.
  for (int j = 0; j <= 10; ++j) {
    f.Ctx.Data.PyCurves.push_back(
        PyCurve{j, j, 0, {-1.0, -0.01, 0.01, 1.0}, {1.0 + 100.0, 100.0, -100.0, -100.0 - 1.0}});
  }
  IterateLogged(f.Ctx);
  EXPECT_EQ(f.Ctx.Data.Results.Outcome, StageOutcome::SingleSolution);
  EXPECT_EQ(f.Ctx.Data.Results.Iterations, 1);
  std::vector<std::string> expected_log = kMonitoringHeading;
  expected_log.push_back("");
  expected_log.push_back("                    ");
  EXPECT_EQ(Lines(f.Log.str()), expected_log);

  SolverContext g(10, 1.0);
  UniformWall(g, 1000.0);
  for (int j = 0; j <= 10; ++j) g.st().S[j] = 10000.0;
  g.st().Q[0] = 200.0;
  SolveDeflections(g.st(), {}, 10, 1.0, 0.0, 1e30);
  EXPECT_GT(std::fabs(f.st().W[0]), 0.01);  // beyond the stiff part, yet not iterated
  for (int j = -1; j <= 11; ++j) EXPECT_DOUBLE_EQ(f.st().W[j], g.st().W[j]) << j;
}

TEST(IterateStage, ANonFiniteSolutionEndsTheStageAndNamesTheStationAndTheValue) {
  // Comparisons with a NaN are false: closure and the deflection limit alone
  // would report this stage closed. A single solution is judged the same way.
  for (const int max_iterations : {10, 0}) {
    SolverContext f(10, 1.0);
    UniformWall(f, 1000.0);
    f.Ctx.Data.C2.MaxIterations = max_iterations;
    f.st().BaseS[5] = 1.0;
    f.st().BaseQ[4] = std::nan("");
    IterateLogged(f.Ctx);
    const ResultsData& r = f.Ctx.Data.Results;
    EXPECT_EQ(r.Outcome, StageOutcome::BrokeDown);
    EXPECT_EQ(r.Iterations, 1);
    EXPECT_EQ(r.BreakdownStation, 4);
    EXPECT_EQ(r.BreakdownQuantity, "load Q");
    EXPECT_TRUE(r.BreakdownNotANumber);
  }
  // Nothing but the recursion overflowing: the first station whose deflection
  // is not finite.
  SolverContext g(10, 1.0);
  UniformWall(g, 1e-300);
  g.Ctx.Data.C2.MaxIterations = 10;
  for (int j = 0; j <= 10; ++j) g.st().BaseQ[j] = 1e300;
  IterateLogged(g.Ctx);
  EXPECT_EQ(g.Ctx.Data.Results.Outcome, StageOutcome::BrokeDown);
  EXPECT_EQ(g.Ctx.Data.Results.BreakdownQuantity, "deflection");
}

TEST(IterateStage, ClosesInTheIterationThatFindsNoChange) {
  SolverContext f(10, 1.0);
  UniformWall(f, 1.0);
  f.Ctx.Data.C2.MaxIterations = 10;
  f.Ctx.Data.C2.DeflectionTolerance = 1e-6;
  IterateLogged(f.Ctx);  // nothing loads the wall: the first solution is the start
  EXPECT_EQ(f.Ctx.Data.Results.Outcome, StageOutcome::Closed);
  EXPECT_EQ(f.Ctx.Data.Results.Iterations, 1);

  SolverContext g(10, 1.0);
  UniformWall(g, 1.0);
  g.Ctx.Data.C2.MaxIterations = 10;
  g.Ctx.Data.C2.DeflectionTolerance = 1e-6;
  for (int j = 0; j <= 10; ++j) {
    g.st().BaseS[j] = 1.0;
    g.st().BaseQ[j] = 1.0;
  }
  IterateLogged(g.Ctx);
  EXPECT_EQ(g.Ctx.Data.Results.Outcome, StageOutcome::Closed);
  EXPECT_EQ(g.Ctx.Data.Results.Iterations, 2);
  std::vector<std::string> expected_log = kMonitoringHeading;
  expected_log.push_back(
      "      1        11         1.000E+00   1.000E+00   1.000E+00   1.000E+00   1.000E+00");
  expected_log.push_back(
      "      2         0         0.000E+00   1.000E+00   1.000E+00   1.000E+00   1.000E+00");
  EXPECT_EQ(Lines(g.Log.str()), expected_log);
  // The history holds what the table shows.
  ASSERT_EQ(g.Ctx.Data.Results.History.size(), 2u);
  EXPECT_EQ(g.Ctx.Data.Results.History[0].ChangedStations, 11);
  EXPECT_EQ(g.Ctx.Data.Results.History[1].MaxChange, 0.0);
}

TEST(IterateStage, ExceedanceStopsAtOnceWithTheCountOfStations) {
  SolverContext f(20, 0.5);
  UniformWall(f, 2.0e3);
  f.Ctx.Data.C2.MaxIterations = 50;
  f.Ctx.Data.C2.MaxAllowableDeflection = 0.02;
  for (int j = 0; j <= 20; ++j) f.st().BaseS[j] = 30.0;
  f.st().BaseQ[0] = 10.0;
  IterateLogged(f.Ctx);
  int beyond = 0;
  for (int j = 0; j <= 20; ++j) beyond += std::fabs(f.st().W[j]) > 0.02 ? 1 : 0;
  ASSERT_GT(beyond, 1);
  ASSERT_LT(beyond, 21);
  EXPECT_EQ(f.Ctx.Data.Results.Outcome, StageOutcome::DeflectionExceeded);
  EXPECT_EQ(f.Ctx.Data.Results.ExceedingStations, beyond);
  EXPECT_EQ(f.Ctx.Data.Results.Iterations, 1);
  EXPECT_EQ(Lines(f.Log.str()).size(), kMonitoringHeading.size() + 1);
}

TEST(IterateStage, IterationLimitReportsTheLimit) {
  SolverContext f(10, 1.0);
  UniformWall(f, 1.0);
  f.Ctx.Data.C2.MaxIterations = 1;
  for (int j = 0; j <= 10; ++j) f.st().BaseS[j] = f.st().BaseQ[j] = 1.0;
  IterateLogged(f.Ctx);
  EXPECT_EQ(f.Ctx.Data.Results.Outcome, StageOutcome::IterationLimit);
  EXPECT_EQ(f.Ctx.Data.Results.Iterations, 1);
}

// Elastic-perfectly-plastic soil: stiffness pu / ye up to the yield
// deflection ye, the constant resistance pu beyond it.
struct Epp {
  double Pu, Ye;
};

// The line the iteration uses at deflection w, as (spring, load).
std::pair<double, double> EppLine(const Epp& c, double w) {
  if (w > c.Ye) return {0.0, -c.Pu};
  if (w <= -c.Ye) return {0.0, c.Pu};
  return {c.Pu / c.Ye, 0.0};
}

TEST(IterateStage, NonlinearWallAgreesWithAnIndependentFixedPointIteration) {
  const int n = 24;
  const double h = 0.5, ei = 4.0e3, tol = 1e-10;
  SolverContext f(n, h);
  UniformWall(f, ei);
  f.Ctx.Data.C2.MaxIterations = 100;
  f.Ctx.Data.C2.DeflectionTolerance = tol;
  f.st().BaseQ[0] = 60.0;
  f.st().BaseQ[3] = 25.0;
  // Curves every four stations, linked, strength growing with depth.
  std::vector<Epp> curves;
  for (int s = 0; s <= n; s += 4) {
    const Epp c{4.0 + 2.0 * s * h, 0.01};
    curves.push_back(c);
    f.Ctx.Data.PyCurves.push_back(PyCurve{s, s, 1, {-1.0, -c.Ye, c.Ye, 1.0}, {c.Pu, c.Pu, -c.Pu, -c.Pu}});
  }
  IterateLogged(f.Ctx);
  ASSERT_EQ(f.Ctx.Data.Results.Outcome, StageOutcome::Closed);

  // The same iteration written out: each station's line interpolated between
  // the curves around it (full inside a range, the curve itself at a curve
  // station, half at the two ends of the wall), a dense solve, closure.
  StationTables ref;
  for (auto* a : {&ref.EI, &ref.Q, &ref.S, &ref.T, &ref.R, &ref.P, &ref.W}) a->Resize(n);
  for (int j = 0; j <= n; ++j) ref.EI[j] = ei;
  std::vector<double> w(n + 3, 0.0), before(n + 3, 0.0);
  int iterations = 0;
  for (int it = 1; it <= 100; ++it) {
    iterations = it;
    for (int j = 0; j <= n; ++j) {
      const int lo = j / 4, hi = (j + 3) / 4;
      const double t = (j - 4 * lo) / 4.0;
      const auto a = EppLine(curves[lo], w[j + 1]);
      const auto b = EppLine(curves[hi], w[j + 1]);
      const double g = j == 0 || j == n ? 0.5 : 1.0;
      ref.S[j] = g * (a.first + (b.first - a.first) * t);
      ref.Q[j] = g * (a.second + (b.second - a.second) * t);
    }
    ref.Q[0] += 60.0;
    ref.Q[3] += 25.0;
    before = w;
    w = DenseSolve(ref, {}, n, h);
    bool closed = true;
    for (int j = 0; j <= n; ++j) closed = closed && std::fabs(w[j + 1] - before[j + 1]) <= tol;
    if (closed) break;
  }
  EXPECT_EQ(f.Ctx.Data.Results.Iterations, iterations);
  int yielded = 0;
  for (int j = 0; j <= n; ++j) {
    EXPECT_NEAR(f.st().W[j], w[j + 1], 1e-9 * std::fabs(w[1])) << "station " << j;
    yielded += std::fabs(w[j + 1]) > 0.01 ? 1 : 0;
  }
  // The test means something only if part of the soil has yielded.
  EXPECT_GT(yielded, 0);
  EXPECT_LT(yielded, n);
  EXPECT_GT(iterations, 2);
}

TEST(IterateStage, HingeOptionZeroesMomentAtLowerTieBacksOnly) {
  const int n = 30;
  const double h = 0.5;
  SolverContext f(n, h);
  UniformWall(f, 5.0e4);
  ProblemData& data = f.Ctx.Data;
  data.C2.MaxIterations = 20;
  data.C2.DeflectionTolerance = 1e-9;
  data.C2.ResultWidth = 1.0;
  data.C1.HingeOption = HingeModel::AtLowerTieBacks;
  data.C1.NumTieBacks = 3;
  for (double depth : {2.0, 5.0, 8.0}) {
    TieBack t;
    t.Depth = depth;
    t.Area = 0.002;
    t.Modulus = 2.0e8;
    t.UnbondedLength = 6.0;
    t.Spacing = 1.0;
    data.TieBacks.push_back(t);
  }
  AddTieBacks(f.Ctx);
  for (int j = 0; j <= n; ++j) f.st().BaseQ[j] = j < 20 ? 10.0 * h : 0.0;
  for (int s = 20; s <= n; s += 2) data.PyCurves.push_back(PyCurve{s, s, 1, {-1.0, 1.0}, {4000.0, -4000.0}});
  IterateLogged(f.Ctx);
  ASSERT_EQ(data.Results.Outcome, StageOutcome::Closed);
  ASSERT_GE(data.Results.Iterations, 2);
  const StationTables& st = f.st();
  auto moment = [&](int k) { return st.EI[k] * (st.W[k - 1] - 2 * st.W[k] + st.W[k + 1]) / (h * h); };
  EXPECT_EQ(moment(10), 0.0);
  EXPECT_EQ(moment(16), 0.0);
  EXPECT_GT(std::fabs(moment(4)), 1.0);
  EXPECT_GT(std::fabs(moment(13)), 1.0);
}

}  // namespace
}  // namespace darnek::solver

namespace darnek::solver {
namespace {

// A curve that pushes harder past a deflection of 1 leaves no equilibrium: the
// iteration alternates between the two lines of the curve. The 41st iteration
// is the first one damped, with the factor 0.5.
TEST(IterateStage, AlternatingSolutionIsDampedFromIteration41) {
  const int n = 4;
  auto setup = [&](SolverContext& f) {
    UniformWall(f, 1.0);
    for (int j = 0; j <= n; ++j) f.st().BaseS[j] = 1.0;
    f.st().BaseQ[0] = 2.0;
  };
  SolverContext f(n, 1.0);
  setup(f);
  f.Ctx.Data.C2.MaxIterations = 41;
  f.Ctx.Data.C2.DeflectionTolerance = 1e-9;
  f.Ctx.Data.PyCurves = {PyCurve{0, 0, 0, {-10.0, 1.0, 10.0}, {0.0, 0.0, 27.0}}};
  IterateLogged(f.Ctx);
  EXPECT_EQ(f.Ctx.Data.Results.Outcome, StageOutcome::IterationLimit);
  EXPECT_EQ(f.Ctx.Data.Results.Iterations, 41);

  // The two states: the flat line (no soil), and the pushing line through
  // (1, 0) with slope 3.
  SolverContext a(n, 1.0), b(n, 1.0);
  setup(a);
  setup(b);
  for (SolverContext* s : {&a, &b}) {
    for (int j = -1; j <= n + 1; ++j) {
      s->st().S[j] = s->st().BaseS[j];
      s->st().Q[j] = s->st().BaseQ[j];
    }
  }
  b.st().S[0] += -3.0;
  b.st().Q[0] += -3.0;
  SolveDeflections(a.st(), {}, n, 1.0, 0.0, 1e30);
  SolveDeflections(b.st(), {}, n, 1.0, 0.0, 1e30);
  ASSERT_GT(a.st().W[0], 1.0);
  ASSERT_LE(b.st().W[0], 1.0);
  for (int j = 0; j <= n; ++j) {
    EXPECT_NEAR(f.st().W[j], 0.5 * a.st().W[j] + 0.5 * b.st().W[j], 1e-12) << j;
  }
}

}  // namespace
}  // namespace darnek::solver
