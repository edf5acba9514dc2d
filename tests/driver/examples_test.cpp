// Every bundled example, analysed end to end: it runs to closure, the wall is
// in force and moment equilibrium in every stage, its plot file reads back,
// and the reviewed reports stay as they were accepted.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>

#include "driver/run.h"
#include "support/figures.h"
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

// The lateral forces on the wall, station by station: applied loads (input
// loads, earth pressure, tie-back prestress), tie-back and restraint springs,
// the soil reactions the report prints, and the reactions at stations whose
// deflection or slope is specified (the residual of their ordinary rows).
// Their sum is zero, and so is their moment about the top of the wall once the
// couples are counted: applied torques, rotational springs (R times the
// slope) and the axial load acting over an increment of a rotated wall
// (h P times the slope, P as the solver holds it). A couple C at station j
// enters the rows j - 1 and j + 1 as forces +-C / 2h, which add no net force.
//
// The printed soil reactions belong to the deflections at which the curves
// were last linearised (those before the last solution), so the sum carries
// the closure lag: the curves' stiffness times the last change of deflection,
// which closure keeps within the tolerance. Once that lag is taken out, what
// remains is round-off.
struct Balance {
  double Residual = 0;   // of the printed values
  double Lag = 0;        // the closure lag, exactly
  double Scale = 0;      // the size of the forces (or moments) that balance
  double Tolerance = 0;  // what closure at the deflection tolerance allows
};

struct StageBalance {
  Balance Force;
  Balance Moment;  // about the top of the wall
};

StageBalance LateralBalance(const ProblemData& d) {
  const StationTables& st = d.Stations;
  const int n = d.C2.NumIncrements;
  const double h = d.C2.IncrementLength;
  auto at = [&](const StationArray<double>& a, int j) { return (j < -3 || j > n + 3) ? 0.0 : a[j]; };
  auto slope = [&](int j) { return (at(st.W, j + 1) - at(st.W, j - 1)) / (2 * h); };
  auto couple = [&](int j) { return at(st.T, j) + (at(st.R, j) + h * at(st.P, j)) * slope(j); };
  StageBalance b;
  for (int k = -1; k <= n + 1; ++k) {
    const double applied = st.BaseQ[k];
    const double spring = -st.BaseS[k] * st.W[k];
    const double soil = st.SoilReaction[k] * h;
    double reaction = 0;
    if (st.SolutionCode[k] != 1) {
      auto w = [&](int j) { return at(st.W, j); };
      const double a_ = at(st.EI, k - 1) - 0.25 * h * (h * at(st.P, k - 1) + at(st.R, k - 1));
      const double b_ = -2 * (at(st.EI, k - 1) + st.EI[k]);
      const double c_ =
          at(st.EI, k - 1) + 4 * st.EI[k] + at(st.EI, k + 1) + h * h * h * st.S[k] +
          0.25 * h * (h * (at(st.P, k - 1) + at(st.P, k + 1)) + at(st.R, k - 1) + at(st.R, k + 1));
      const double d_ = -2 * (st.EI[k] + at(st.EI, k + 1));
      const double e_ = at(st.EI, k + 1) - 0.25 * h * (h * at(st.P, k + 1) + at(st.R, k + 1));
      const double f_ = h * h * h * st.Q[k] - 0.5 * h * h * (at(st.T, k - 1) - at(st.T, k + 1));
      reaction =
          (a_ * w(k - 2) + b_ * w(k - 1) + c_ * w(k) + d_ * w(k + 1) + e_ * w(k + 2) - f_) / (h * h * h);
    }
    const double force = applied + spring + soil + reaction;
    const double size = std::fabs(applied) + std::fabs(spring) + std::fabs(soil) + std::fabs(reaction);
    const double curves = st.S[k] - st.BaseS[k];
    const double lag = k >= 0 && k <= n ? curves * (st.W[k] - st.Wprev1[k]) : 0.0;
    const double allowed = std::fabs(curves) * d.C2.DeflectionTolerance;
    const double x = k * h;
    b.Force.Residual += force;
    b.Force.Lag += lag;
    b.Force.Scale += size;
    b.Force.Tolerance += allowed;
    const double couples = 0.5 * k * (couple(k + 1) - couple(k - 1));
    b.Moment.Residual += x * force + couples;
    b.Moment.Lag += x * lag;
    b.Moment.Scale += std::fabs(x) * size + std::fabs(couples);
    b.Moment.Tolerance += std::fabs(x) * allowed;
  }
  return b;
}

struct ExampleRun {
  RunResult Result;
  std::vector<StageBalance> Balances;
  std::string Report, Log, PlotPath;
};

ExampleRun RunExample(const std::string& name, const testing::TempDir& dir) {
  RunOptions options;
  const std::string input = name + ".dat";
  fs::copy_file(kExamples / input, dir.path() / input);
  options.Files =
      FileNames{dir.File(input),         dir.File(name + ".out"),       dir.File(name + ".plt"),
                dir.File(name + ".log"), dir.File(name + ".pyscratch"), dir.File(name + ".epscratch")};
  options.VersionText = "TEST";
  options.Clock = testing::FixedClock;
  std::ostringstream console;
  options.Console = &console;
  ExampleRun run;
  run.Result =
      RunWith(options, [&](const RunContext& ctx) { run.Balances.push_back(LateralBalance(ctx.Data)); });
  run.Report = dir.Read(name + ".out");
  run.Log = dir.Read(name + ".log");
  run.PlotPath = dir.File(name + ".plt");
  return run;
}

TEST(Examples, EveryExampleClosesInEveryStageInForceAndMomentEquilibrium) {
  const auto names = ExampleNames();
  ASSERT_FALSE(names.empty());
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    testing::TempDir dir;
    const ExampleRun run = RunExample(name, dir);
    ASSERT_EQ(run.Result.Status, DARNEK_OK) << run.Result.Message;
    ASSERT_FALSE(run.Result.Stages.empty());
    for (const StageSummary& s : run.Result.Stages) EXPECT_EQ(s.Outcome, "closed") << "stage " << s.Stage;
    ASSERT_EQ(run.Balances.size(), run.Result.Stages.size());
    for (size_t i = 0; i < run.Balances.size(); ++i) {
      const std::string stage = name + ".stage" + std::to_string(i + 1);
      for (const auto& [what, b] :
           {std::pair{"force", run.Balances[i].Force}, std::pair{"moment", run.Balances[i].Moment}}) {
        // Round-off of the recursion is some 1e-12 of the forces involved.
        EXPECT_LE(std::fabs(b.Residual), b.Tolerance + 1e-9 * b.Scale)
            << "stage " << i + 1 << ": " << what << " residual " << b.Residual << " of " << b.Scale;
        EXPECT_LE(std::fabs(b.Residual - b.Lag), 1e-9 * b.Scale)
            << "stage " << i + 1 << ": " << what << " residual " << b.Residual << " closure lag " << b.Lag;
        testing::RecordFigure(stage + "." + what + "_printed_relative", b.Residual / b.Scale);
        testing::RecordFigure(stage + "." + what + "_roundoff_relative", (b.Residual - b.Lag) / b.Scale);
      }
    }
    EXPECT_EQ(testing::Count(run.Report, "END OF ANALYSIS"), 1);
    EXPECT_EQ(testing::Count(run.Log, "END OF ANALYSIS"), 1);
    const pictures::PlotFile plot = testing::ExpectPlotFileReadsBack(run.PlotPath);
    EXPECT_EQ(plot.Stages.size(), run.Result.Stages.size());
    testing::ExpectSummariesMatchPlot(run.Result, plot);
  }
}

TEST(Examples, EveryStageKnowsWhereItsExcavationIs) {
  // The pictures draw the excavation level here: FreeHeight of a stage that
  // reads the soil block, its DividingDepth otherwise (analysis length unit).
  const std::map<std::string, std::vector<double>> expected = {
      {"all_records_english", {144.0, 240.0}},
      {"all_records_si", {5.0, 5.0}},
      {"anchored_apparent_soft_clay_si", {6.0}},
      {"anchored_soft_clay_si", {6.0}},
      {"anchored_two_tiebacks_si", {7.0}},
      {"cantilever_sand", {168.0}},
      {"cantilever_user_curves", {144.0}},
      {"design_eurocode7", {3.0, 6.0}},
      {"design_sheet_pile", {3.0, 6.0}},
      {"design_soldier_pile", {72.0, 192.0}},
      {"generated_pressure_user_curves", {168.0}},
      {"multi_layer_english", {180.0}},
      {"multi_layer_si", {4.5}},
      {"largest_si", {0.0}},
      {"reliability_anchored_clay", {6.0}},
      {"reliability_cantilever_sand", {168.0}},
      {"soldier_pile_sand_si", {4.0}},
  };
  for (const std::string& name : ExampleNames()) {
    SCOPED_TRACE(name);
    const auto it = expected.find(name);
    ASSERT_NE(it, expected.end()) << "give the new example its excavation depths here";
    testing::TempDir dir;
    const ExampleRun run = RunExample(name, dir);
    ASSERT_EQ(run.Result.Stages.size(), it->second.size());
    for (size_t i = 0; i < it->second.size(); ++i)
      EXPECT_EQ(run.Result.Stages[i].ExcavationDepth, it->second[i]) << "stage " << i + 1;
  }
}

TEST(Examples, AFileSavedWithCrlfLineEndsGivesTheSameReportAndRunLog) {
  const std::string name = "anchored_soft_clay_si";
  std::string crlf;
  for (char c : testing::ReadFile((kExamples / (name + ".dat")).string())) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  testing::TempDir dir;
  dir.Write(name + ".dat", crlf);
  RunOptions options;
  options.Files =
      FileNames{dir.File(name + ".dat"), dir.File(name + ".out"),       dir.File(name + ".plt"),
                dir.File(name + ".log"), dir.File(name + ".pyscratch"), dir.File(name + ".epscratch")};
  options.VersionText = "TEST";
  options.Clock = testing::FixedClock;
  std::ostringstream console;
  options.Console = &console;
  ASSERT_EQ(darnek::Run(options).Status, DARNEK_OK);
  const std::string report = dir.Read(name + ".out");
  EXPECT_EQ(report.find('\r'), std::string::npos);
  EXPECT_EQ(testing::MaskVariableLines(report), testing::ReadFile((kGolden / (name + ".out")).string()));
  EXPECT_EQ(dir.Read(name + ".log"), testing::ReadFile((kGolden / (name + ".log")).string()));
}

TEST(Examples, SoldierPilesTakeTheActivePressureOfTheirOwnWidthBelowTheCut) {
  // HE-B piles at 2.4 m (WA) in 0.6 m holes (WP), 4 m cut, 10 kPa on dry sand
  // of 19 kN/m3 and 33 degrees. Below the excavation level the active
  // pressure stays at Ka (q + gamma H); every generated curve takes it off
  // over WP, in front of the pile, and adds it behind.
  testing::TempDir dir;
  const ExampleRun run = RunExample("soldier_pile_sand_si", dir);
  ASSERT_EQ(run.Result.Status, DARNEK_OK);
  const double ka = std::pow(std::tan((45.0 - 33.0 / 2) * std::numbers::pi / 180.0), 2);
  const double pa = 0.6 * ka * (10.0 + 19.0 * 4.0);
  EXPECT_NEAR(pa, 15.212, 5e-4);
  EXPECT_EQ(testing::Count(run.Report, "               0.000             -15.212\n"), 5);
  EXPECT_EQ(testing::Count(run.Report, "               0.000              15.212\n"), 5);
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
    const std::string report = testing::MaskVariableLines(run.Report);
    if (update) {
      fs::create_directories(kGolden);
      std::ofstream(golden_report, std::ios::binary) << report;
      std::ofstream(golden_log, std::ios::binary) << run.Log;
      continue;
    }
    EXPECT_EQ(report, testing::ReadFile(golden_report.string()));
    EXPECT_EQ(run.Log, testing::ReadFile(golden_log.string()));
  }
}

}  // namespace
}  // namespace darnek
