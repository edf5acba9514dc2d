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
  RunContext ctx;
  std::ostringstream report, log, plot;
  Fixture(int n, double h, int unit_code) {
    ctx.report.Attach(report);
    ctx.log.Attach(log);
    ctx.plot.Attach(plot);
    ProblemData& d = ctx.data;
    d.C1.UnitSystemCode = darnek::testing::Code<UnitSystem>(unit_code);
    d.Run.UnitFlag = unit_code == 1 ? 1 : -1;
    SetUnitLabels(d.Run.Labels, d.Run.UnitFlag);
    d.C2.NumIncrements = n;
    d.C2.IncrementLength = h;
    d.C2.MaxIterations = 10;
    d.C2.ResultWidth = 12;
    StationTables& st = d.Stations;
    for (auto* a : {&st.EI, &st.W, &st.SoilReaction}) a->Resize(n);
  }
};

// Deflections of a cubic w = a x^3 on a uniform EI: the central differences
// are exact, so moment 6 a EI x and shear 6 a EI follow to round-off.
TEST(StationResults, CubicDeflectionGivesExactMomentAndShear) {
  const int n = 20;
  const double h = 6.0, a = 1e-6, ei = 3e9;
  Fixture f(n, h, 1);
  StationTables& st = f.ctx.data.Stations;
  for (int k = -1; k <= n + 1; ++k) st.W[k] = a * std::pow(k * h, 3);
  for (int k = 0; k <= n; ++k) st.EI[k] = ei;
  solver::DeriveStationResults(f.ctx.data);
  const auto& rows = f.ctx.data.Results.Stations;
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
  ProblemData& d = f.ctx.data;
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
  ProblemData& d = f.ctx.data;
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
  ProblemData& d = f.ctx.data;
  d.Results.Outcome = StageOutcome::Closed;
  d.Results.Iterations = 7;
  for (int k = 0; k <= 12; ++k) d.Stations.EI[k] = 1e9;
  d.Stations.W[12] = 0.25;
  solver::DeriveStationResults(d);
  WriteResults(f.ctx);
  const std::string r = f.report.str();
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
  EXPECT_EQ(f.log.str(), "");
}

TEST(ResultsReport, RestraintLinesCoverEveryStationOfTheirRangeFromTheImaginaryOne) {
  Fixture f(4, 2.0, 2);
  ProblemData& d = f.ctx.data;
  d.Results.Outcome = StageOutcome::Closed;
  d.Stations.W[-1] = 0.5;
  d.Stations.W[0] = 0.25;
  d.Stations.W[1] = 0.125;
  d.Restraints.push_back({-1, 1, RowLink::Standalone, 1000.0, 10.0});
  solver::DeriveStationResults(d);
  WriteResults(f.ctx);
  const std::string r = f.report.str();
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
  ProblemData& d = f.ctx.data;
  d.Results.Outcome = StageOutcome::DeflectionExceeded;
  d.Results.Iterations = 3;
  d.Results.ExceedingStations = 5;
  WriteResults(f.ctx);
  const std::string exceeded =
      "\n     ***** MAX ALLOWABLE DEFLECTION EXCEEDED AT ***   5  *** STATIONS *****\n";
  EXPECT_EQ(f.report.str(), "\n\n     RESULTS\n     -------\n     NUMBER OF ITERATIONS :   3\n" + exceeded);
  EXPECT_EQ(f.log.str(), exceeded);
  WritePlotResults(f.ctx, 2);
  EXPECT_EQ(f.plot.str(), "           0           0           1\n");

  Fixture g(12, 6.0, 1);
  g.ctx.data.Results.Outcome = StageOutcome::IterationLimit;
  g.ctx.data.Results.Iterations = 100;
  WriteResults(g.ctx);
  EXPECT_EQ(g.log.str(),
            "\n     ***** MAXIMUM NUMBER OF ITERATIONS  REACHED *****\n"
            "     ***** SOLUTION NOT CLOSED WITHIN SPECIFIED TOLERANCE *****\n");

  // A solution that broke down, also after a single solution (MaxIterations 0).
  Fixture b(12, 6.0, 1);
  b.ctx.data.C2.MaxIterations = 0;
  b.ctx.data.Results.Outcome = StageOutcome::BrokeDown;
  b.ctx.data.Results.Iterations = 1;
  b.ctx.data.Results.BreakdownStation = 7;
  b.ctx.data.Results.BreakdownQuantity = "flexural rigidity EI";
  WriteResults(b.ctx);
  const std::string broke =
      "\n     ***** SOLUTION BROKE DOWN: VALUES THAT ARE NOT FINITE *****\n"
      "     ***** THE FLEXURAL RIGIDITY EI AT STATION    7 IS INFINITE *****\n";
  EXPECT_EQ(b.report.str(), "\n\n     RESULTS\n     -------\n     NUMBER OF ITERATIONS :   1\n" + broke);
  EXPECT_EQ(b.log.str(), broke);
  WritePlotResults(b.ctx, 2);
  EXPECT_EQ(b.plot.str(), "           0           0           1\n");
}

TEST(PlotResults, StationRowsInAnalysisUnitsThenTieBacks) {
  Fixture f(2, 6.0, 1);
  ProblemData& d = f.ctx.data;
  d.Results.Outcome = StageOutcome::Closed;
  d.Stations.W[1] = 0.5;
  solver::DeriveStationResults(d);
  WritePlotResults(f.ctx, 1);
  EXPECT_EQ(
      f.plot.str(),
      "           1           3           1\n"
      // Zero EI times a negative curvature is a negative zero, printed with its sign.
      "    0.0000E+00    0.0000E+00    0.0000E+00   -0.0000E+00    0.0000E+00    0.0000E+00    0.0000E+00\n"
      "    6.0000E+00    5.0000E-01   -0.0000E+00    0.0000E+00    0.0000E+00    0.0000E+00    0.0000E+00\n"
      "    1.2000E+01    0.0000E+00    0.0000E+00    0.0000E+00    0.0000E+00    0.0000E+00    0.0000E+00\n"
      "           0\n");
}

}  // namespace
}  // namespace darnek::report
