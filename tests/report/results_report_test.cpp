#include "report/results_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "core/report_helpers.h"
#include "solver/station_results.h"
#include "support/codes.h"

namespace darnek::report {
namespace {

struct Fixture {
  RunContext Ctx;
  std::ostringstream Report, Log, Plot;
  Fixture(int n, double h, int unit_code) {
    Ctx.Report.Attach(Report);
    Ctx.Log.Attach(Log);
    Ctx.Plot.Attach(Plot);
    ProblemData& d = Ctx.Data;
    d.C1.UnitSystemCode = darnek::testing::Code<UnitSystem>(unit_code);
    d.Run.UnitFlag = unit_code == 1 ? 1 : -1;
    SetUnitLabels(d.Run.Labels, d.Run.UnitFlag);
    d.C2.NumIncrements = n;
    d.C2.IncrementLength = h;
    d.C2.MaxIterations = 10;
    d.C2.ResultWidth = 12;
    StationTables& st = d.Stations;
    for (auto* a : {&st.EI, &st.W, &st.SoilReaction, &st.BaseQ, &st.BaseS}) a->Resize(n);
  }
};

// Deflections of a cubic w = a x^3 on a uniform EI: the central differences
// are exact, so moment 6 a EI x and shear 6 a EI follow to round-off.
TEST(StationResults, CubicDeflectionGivesExactMomentAndShear) {
  const int n = 20;
  const double h = 6.0, a = 1e-6, ei = 3e9;
  Fixture f(n, h, 1);
  StationTables& st = f.Ctx.Data.Stations;
  for (int k = -1; k <= n + 1; ++k) st.W[k] = a * std::pow(k * h, 3);
  for (int k = 0; k <= n; ++k) st.EI[k] = ei;
  solver::DeriveStationResults(f.Ctx.Data);
  const auto& rows = f.Ctx.Data.Results.Stations;
  ASSERT_EQ(rows.size(), static_cast<size_t>(n + 1));
  for (int k = 1; k < n; ++k) {
    EXPECT_NEAR(rows[k].Moment, 6 * a * ei * k * h, 1e-9 * ei) << k;
    EXPECT_NEAR(rows[k].Slope, 3 * a * std::pow(k * h, 2) + a * h * h, 1e-12) << k;
    if (k > 1 && k < n - 1) {
      EXPECT_NEAR(rows[k].Shear, 6 * a * ei, 1e-6 * a * ei) << k;
      EXPECT_NEAR(rows[k].NetForce, 0.0, 1e-6 * a * ei) << k;
    }
  }
  // Free top: zero moment at station 0, and the shear there uses the zero
  // moment of the imaginary station above it.
  EXPECT_NEAR(rows[0].Moment, 0.0, 1e-9);
  EXPECT_NEAR(rows[0].Shear, rows[1].Moment / (2 * h), 1e-9);
  EXPECT_DOUBLE_EQ(rows[12].X, 72.0);
}

TEST(StationResults, AppliedCoupleCorrectsShearAndNetForceAroundItsStation) {
  const int n = 10;
  Fixture f(n, 1.0, 2);
  ProblemData& d = f.Ctx.Data;
  solver::DeriveStationResults(d);
  const auto plain = d.Results.Stations;
  d.AppliedTorques.push_back({5, 2.0});
  solver::DeriveStationResults(d);
  const auto& rows = d.Results.Stations;
  EXPECT_DOUBLE_EQ(rows[5].Shear - plain[5].Shear, -2.0);
  EXPECT_DOUBLE_EQ(rows[4].Shear - plain[4].Shear, -1.0);
  EXPECT_DOUBLE_EQ(rows[6].Shear - plain[6].Shear, -1.0);
  EXPECT_DOUBLE_EQ(rows[6].NetForce - plain[6].NetForce, 2.0);
  EXPECT_DOUBLE_EQ(rows[4].NetForce - plain[4].NetForce, -2.0);
  EXPECT_DOUBLE_EQ(rows[5].NetForce - plain[5].NetForce, 0.0);
  EXPECT_DOUBLE_EQ(rows[3].Shear - plain[3].Shear, 0.0);
}

TEST(StationResults, TieBackForcesFromPrestressSpringAndDeflection) {
  Fixture f(20, 0.5, 2);
  ProblemData& d = f.Ctx.Data;
  d.C2.ResultWidth = 2.0;
  TieBack t;
  t.Station = 4;
  t.Spacing = 3.0;
  t.Stiffness = 1000.0;
  t.PrestressLoad = -50.0;
  t.CosAngle = 0.5;
  d.TieBacks.push_back(t);
  d.Stations.W[4] = -0.01;
  solver::DeriveStationResults(d);
  EXPECT_DOUBLE_EQ(d.TieBacks[0].HorizontalForcePerStation, -40.0);
  EXPECT_DOUBLE_EQ(d.TieBacks[0].ForcePerStation, -80.0);
  EXPECT_DOUBLE_EQ(d.TieBacks[0].ForcePerTieBack, -120.0);
  // English units: the spacing is in feet, the result width in inches.
  d.C1.UnitSystemCode = UnitSystem::English;
  solver::DeriveStationResults(d);
  EXPECT_DOUBLE_EQ(d.TieBacks[0].ForcePerTieBack, -80.0 * 12 * 3.0 / 2.0);
  // No prestress and no deflection: no force.
  d.TieBacks[0].PrestressLoad = 0;
  d.Stations.W[4] = 0;
  solver::DeriveStationResults(d);
  EXPECT_EQ(d.TieBacks[0].ForcePerTieBack, 0.0);
}

TEST(ResultsReport, EnglishTableHeadingUnitsAndRows) {
  Fixture f(12, 6.0, 1);
  ProblemData& d = f.Ctx.Data;
  d.Results.Outcome = StageOutcome::Closed;
  d.Results.Iterations = 7;
  for (int k = 0; k <= 12; ++k) d.Stations.EI[k] = 1e9;
  d.Stations.W[12] = 0.25;
  solver::DeriveStationResults(d);
  WriteResults(f.Ctx);
  const std::string r = f.Report.str();
  EXPECT_EQ(
      r.rfind(
          "\n\n     RESULTS\n     -------\n     NUMBER OF ITERATIONS :   7\n\n   STA I      X         DEFL.",
          0),
      0u);
  EXPECT_NE(r.find("\n             FT          IN          RAD      LBS-IN        LBS       LBS/IN"
                   "        LBS      LBS-IN**2\n"),
            std::string::npos);
  // Station 12 at 6 in per increment lies 6 ft down.
  EXPECT_NE(r.find("\n    12   6.000E+00   2.500E-01"), std::string::npos);
  EXPECT_EQ(f.Log.str(), "");
}

TEST(ResultsReport, RestraintLinesCoverEveryStationOfTheirRangeFromTheImaginaryOne) {
  Fixture f(4, 2.0, 2);
  ProblemData& d = f.Ctx.Data;
  d.Results.Outcome = StageOutcome::Closed;
  d.Stations.W[-1] = 0.5;
  d.Stations.W[0] = 0.25;
  d.Stations.W[1] = 0.125;
  d.Restraints.push_back({-1, 1, RowLink::Standalone, 1000.0, 10.0});
  solver::DeriveStationResults(d);
  WriteResults(f.Ctx);
  const std::string r = f.Report.str();
  // Station -1 lies one increment above the top; its slope is taken with the
  // deflection beyond it extrapolated: (W(0) - W(-1)) / h.
  EXPECT_NE(r.find("\n      -1    -2.000E+00       5.0000E+02      -1.2500E+00\n"
                   "       0     0.000E+00       2.5000E+02      -9.3750E-01\n"
                   "       1     2.000E+00       1.2500E+02      -6.2500E-01\n"),
            std::string::npos)
      << r;
}

TEST(ResultsReport, FailedStagesGetTheirMessageInReportAndRunLogAndNoTables) {
  Fixture f(12, 6.0, 1);
  ProblemData& d = f.Ctx.Data;
  d.Results.Outcome = StageOutcome::DeflectionExceeded;
  d.Results.Iterations = 3;
  d.Results.ExceedingStations = 5;
  WriteResults(f.Ctx);
  const std::string exceeded =
      "\n     ***** MAX ALLOWABLE DEFLECTION EXCEEDED AT ***   5  *** STATIONS *****\n";
  EXPECT_EQ(f.Report.str(), "\n\n     RESULTS\n     -------\n     NUMBER OF ITERATIONS :   3\n" + exceeded);
  EXPECT_EQ(f.Log.str(), exceeded);
  WritePlotResults(f.Ctx, 2);
  EXPECT_EQ(f.Plot.str(), "           0           0           1\n");

  Fixture g(12, 6.0, 1);
  g.Ctx.Data.Results.Outcome = StageOutcome::IterationLimit;
  g.Ctx.Data.Results.Iterations = 100;
  WriteResults(g.Ctx);
  EXPECT_EQ(g.Log.str(),
            "\n     ***** MAXIMUM NUMBER OF ITERATIONS  REACHED *****\n"
            "     ***** SOLUTION NOT CLOSED WITHIN SPECIFIED TOLERANCE *****\n");

  // A solution that broke down, also after a single solution (MaxIterations 0).
  Fixture b(12, 6.0, 1);
  b.Ctx.Data.C2.MaxIterations = 0;
  b.Ctx.Data.Results.Outcome = StageOutcome::BrokeDown;
  b.Ctx.Data.Results.Iterations = 1;
  b.Ctx.Data.Results.BreakdownStation = 7;
  b.Ctx.Data.Results.BreakdownQuantity = "flexural rigidity EI";
  WriteResults(b.Ctx);
  const std::string broke =
      "\n     ***** SOLUTION BROKE DOWN: VALUES THAT ARE NOT FINITE *****\n"
      "     ***** THE FLEXURAL RIGIDITY EI AT STATION    7 IS INFINITE *****\n";
  EXPECT_EQ(b.Report.str(), "\n\n     RESULTS\n     -------\n     NUMBER OF ITERATIONS :   1\n" + broke);
  EXPECT_EQ(b.Log.str(), broke);
  WritePlotResults(b.Ctx, 2);
  EXPECT_EQ(b.Plot.str(), "           0           0           1\n");
}

TEST(PlotResults, StationRowsInAnalysisUnitsThenTieBacks) {
  Fixture f(2, 6.0, 1);
  ProblemData& d = f.Ctx.Data;
  d.Results.Outcome = StageOutcome::Closed;
  d.Stations.W[1] = 0.5;
  solver::DeriveStationResults(d);
  WritePlotResults(f.Ctx, 1);
  EXPECT_EQ(
      f.Plot.str(),
      "           1           3           1\n"
      // Zero EI times a negative curvature is a negative zero, printed with its sign.
      "    0.0000E+00    0.0000E+00    0.0000E+00   -0.0000E+00    0.0000E+00    0.0000E+00    0.0000E+00\n"
      "    6.0000E+00    5.0000E-01   -0.0000E+00    0.0000E+00    0.0000E+00    0.0000E+00    0.0000E+00\n"
      "    1.2000E+01    0.0000E+00    0.0000E+00    0.0000E+00    0.0000E+00    0.0000E+00    0.0000E+00\n"
      "           0\n");
}

}  // namespace
}  // namespace darnek::report
