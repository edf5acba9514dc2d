// Every bundled example, analysed end to end: it runs to closure, the wall is
// in equilibrium in every stage, its plot file reads back, and the reviewed
// reports stay as they were accepted.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "driver/run.h"
#include "support/plot_data.h"
#include "support/run_helper.h"
#include "support/temp_dir.h"

namespace darnek {
namespace {

namespace fs = std::filesystem;

const fs::path kExamples = fs::path(DARNEK_SOURCE_DIR) / "examples";
const fs::path kGolden = fs::path(DARNEK_SOURCE_DIR) / "tests" / "golden";

std::vector<std::string> ExampleNames() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(kExamples))
    if (e.path().extension() == ".dat") names.push_back(e.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The sum of the lateral forces on the wall: applied loads (input loads,
// earth pressure, tie-back prestress), tie-back and restraint springs, the
// soil reactions the report prints, and the reactions at stations whose
// deflection or slope is specified (the residual of their ordinary rows).
// Couples (torques, rotational springs, axial-load terms) add no net force:
// their coefficients cancel over the rows.
struct Balance {
  double residual = 0;
  double scale = 0;      // the size of the forces that balance
  double tolerance = 0;  // what closure at the deflection tolerance allows
};

Balance LateralBalance(const ProblemData& d) {
  const StationTables& st = d.Stations;
  const int n = d.C2.NumIncrements;
  const double h = d.C2.IncrementLength;
  Balance b;
  for (int k = -1; k <= n + 1; ++k) {
    const double applied = st.BaseQ[k];
    const double spring = -st.BaseS[k] * st.W[k];
    const double soil = st.SoilReaction[k] * h;
    double reaction = 0;
    if (st.SolutionCode[k] != 1) {
      auto w = [&](int j) { return (j < -3 || j > n + 3) ? 0.0 : st.W[j]; };
      auto at = [&](const StationArray<double>& a, int j) { return (j < -3 || j > n + 3) ? 0.0 : a[j]; };
      const double a_ = at(st.EI, k - 1) - 0.25 * h * (h * at(st.P, k - 1) + at(st.R, k - 1));
      const double b_ = -2 * (at(st.EI, k - 1) + st.EI[k]);
      const double c_ = at(st.EI, k - 1) + 4 * st.EI[k] + at(st.EI, k + 1) + h * h * h * st.S[k] +
                        0.25 * h * (h * (at(st.P, k - 1) + at(st.P, k + 1)) + at(st.R, k - 1) + at(st.R, k + 1));
      const double d_ = -2 * (st.EI[k] + at(st.EI, k + 1));
      const double e_ = at(st.EI, k + 1) - 0.25 * h * (h * at(st.P, k + 1) + at(st.R, k + 1));
      const double f_ = h * h * h * st.Q[k] - 0.5 * h * h * (at(st.T, k - 1) - at(st.T, k + 1));
      reaction = (a_ * w(k - 2) + b_ * w(k - 1) + c_ * w(k) + d_ * w(k + 1) + e_ * w(k + 2) - f_) / (h * h * h);
    }
    b.residual += applied + spring + soil + reaction;
    b.scale += std::fabs(applied) + std::fabs(spring) + std::fabs(soil) + std::fabs(reaction);
    // The printed soil reaction belongs to the deflections before the last
    // solution, which closure keeps within the tolerance at every station.
    b.tolerance += std::fabs(st.S[k] - st.BaseS[k]) * d.C2.DeflectionTolerance;
  }
  return b;
}

struct ExampleRun {
  RunResult result;
  std::vector<Balance> balances;
  std::string report, log, plot_path;
};

ExampleRun RunExample(const std::string& name, const testing::TempDir& dir) {
  RunOptions options;
  const std::string input = name + ".dat";
  fs::copy_file(kExamples / input, dir.path() / input);
  options.files = FileNames{dir.File(input), dir.File(name + ".out"), dir.File(name + ".plt"),
                            dir.File(name + ".log"), dir.File(name + ".pyscratch"),
                            dir.File(name + ".epscratch")};
  options.version_text = "TEST";
  options.clock = testing::FixedClock;
  std::ostringstream console;
  options.console = &console;
  ExampleRun run;
  run.result = RunWith(options, [&](const RunContext& ctx) { run.balances.push_back(LateralBalance(ctx.data)); });
  run.report = dir.Read(name + ".out");
  run.log = dir.Read(name + ".log");
  run.plot_path = dir.File(name + ".plt");
  return run;
}

TEST(Examples, EveryExampleClosesInEveryStageInEquilibrium) {
  const auto names = ExampleNames();
  ASSERT_FALSE(names.empty());
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    testing::TempDir dir;
    const ExampleRun run = RunExample(name, dir);
    ASSERT_EQ(run.result.status, DARNEK_OK) << run.result.message;
    ASSERT_FALSE(run.result.stages.empty());
    for (const StageSummary& s : run.result.stages) EXPECT_EQ(s.outcome, "closed") << "stage " << s.stage;
    ASSERT_EQ(run.balances.size(), run.result.stages.size());
    for (size_t i = 0; i < run.balances.size(); ++i) {
      const Balance& b = run.balances[i];
      // Round-off of the recursion is some 1e-12 of the forces involved.
      EXPECT_LE(std::fabs(b.residual), b.tolerance + 1e-9 * b.scale)
          << "stage " << i + 1 << ": residual " << b.residual << " of forces " << b.scale;
    }
    EXPECT_EQ(testing::Count(run.report, "END OF ANALYSIS"), 1);
    EXPECT_EQ(testing::Count(run.log, "END OF ANALYSIS"), 1);
    const report::PlotFile plot = testing::ExpectPlotFileReadsBack(run.plot_path);
    EXPECT_EQ(plot.Stages.size(), run.result.stages.size());
    testing::ExpectSummariesMatchPlot(run.result, plot);
  }
}

// Reports whose every line was reviewed against the report layouts when it
// was accepted. DARNEK_UPDATE_GOLDEN=1 rewrites them; a rewritten golden must
// be reviewed again before it is committed.
TEST(Examples, ReportsAndRunLogsMatchTheReviewedGoldens) {
  const bool update = std::getenv("DARNEK_UPDATE_GOLDEN") != nullptr;
  for (const std::string& name : ExampleNames()) {
    SCOPED_TRACE(name);
    const fs::path golden_report = kGolden / (name + ".out");
    const fs::path golden_log = kGolden / (name + ".log");
    if (!update && !fs::exists(golden_report)) continue;
    testing::TempDir dir;
    const ExampleRun run = RunExample(name, dir);
    const std::string report = testing::MaskVariableLines(run.report);
    if (update) {
      fs::create_directories(kGolden);
      std::ofstream(golden_report, std::ios::binary) << report;
      std::ofstream(golden_log, std::ios::binary) << run.log;
      continue;
    }
    EXPECT_EQ(report, testing::ReadFile(golden_report.string()));
    EXPECT_EQ(run.log, testing::ReadFile(golden_log.string()));
  }
}

}  // namespace
}  // namespace darnek
