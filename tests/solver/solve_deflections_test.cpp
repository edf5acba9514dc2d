#include "solver/solve_deflections.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "dense_solve.h"
#include "solver/supports.h"
#include "solver_fixture.h"
#include "support/figures.h"

namespace darnek::solver {
namespace {

using testing::DenseSolve;
using testing::SolverContext;

// A wall with everything the row carries, varying from station to station.
void FillVaryingWall(SolverContext& f) {
  StationTables& st = f.st();
  const int n = f.n();
  for (int j = 0; j <= n; ++j) {
    st.EI[j] = 2.0e4 * (1.0 + 0.5 * std::sin(0.37 * j));
    st.S[j] = 30.0 + 20.0 * std::cos(0.21 * j);
    st.Q[j] = 5.0 * std::sin(0.5 * j) + (j == 3 ? 40.0 : 0.0);
    st.T[j] = j % 7 == 2 ? 15.0 * (j % 2 ? 1 : -1) : 0.0;
    st.P[j] = -40.0 - 2.0 * j;
    st.R[j] = j % 5 == 1 ? 300.0 : 10.0;
  }
  st.Q[-1] = 3.0;
  st.S[n + 1] = 4.0;
}

double MaxAbs(const StationTables& st, int n) {
  double m = 0;
  for (int j = -1; j <= n + 1; ++j) m = std::max(m, std::fabs(st.W[j]));
  return m;
}

// Round-off of both methods grows with the condition number of the fourth
// difference operator (about N^4, here near 1e6), so agreement is asked to
// 1e-8 of the largest deflection rather than to the last bit.
void ExpectAgreesWithDenseSolve(SolverContext& f) {
  const int n = f.n();
  const std::vector<double> dense = DenseSolve(f.st(), f.Ctx.Data.SpecifiedConditions, n, f.h());
  SolveDeflections(f.st(), f.Ctx.Data.SpecifiedConditions, n, f.h(), 0.0, 1e30);
  const double scale = MaxAbs(f.st(), n);
  ASSERT_GT(scale, 0.0);
  double largest = 0;
  for (int j = -1; j <= n + 1; ++j) {
    EXPECT_NEAR(f.st().W[j], dense[j + 1], 1e-8 * scale) << "station " << j;
    largest = std::max(largest, std::fabs(f.st().W[j] - dense[j + 1]));
  }
  darnek::testing::RecordFigure("largest_difference_relative", largest / scale);
}

// The relative errors of a halving sequence and the orders they show.
void RecordConvergence(const std::vector<int>& increments, const std::vector<double>& errors) {
  for (size_t i = 0; i < errors.size(); ++i) {
    const std::string n = std::to_string(increments[i]);
    darnek::testing::RecordFigure("error_relative_n" + n, errors[i]);
    if (i > 0) darnek::testing::RecordFigure("order_to_n" + n, std::log2(errors[i - 1] / errors[i]));
  }
}

TEST(SolveDeflections, AgreesWithDenseSolveOnAVaryingWall) {
  SolverContext f(30, 0.5);
  FillVaryingWall(f);
  ExpectAgreesWithDenseSolve(f);
}

TEST(SolveDeflections, AgreesWithDenseSolveWithSpecifiedDeflectionsAndSlopes) {
  SolverContext f(30, 0.5);
  FillVaryingWall(f);
  f.Ctx.Data.SpecifiedConditions = {
      {ConditionCase::Deflection, 0, 0.01, 0.0},             // deflection at the top
      {ConditionCase::Slope, 5, 0.0, 0.002},                 // slope
      {ConditionCase::DeflectionAndSlope, 12, -0.004, 0.0},  // deflection and slope
      {ConditionCase::Deflection, 20, 0.003, 0.0},
      {ConditionCase::Slope, 29, 0.0, -0.001},  // slope next to the tip
  };
  SetSpecifiedConditions(f.Ctx);
  ExpectAgreesWithDenseSolve(f);
  const StationTables& st = f.st();
  EXPECT_EQ(st.W[0], 0.01);
  EXPECT_EQ(st.W[12], -0.004);
  EXPECT_EQ(st.W[20], 0.003);
  EXPECT_NEAR((st.W[6] - st.W[4]) / (2 * f.h()), 0.002, 1e-15);
  EXPECT_NEAR((st.W[13] - st.W[11]) / (2 * f.h()), 0.0, 1e-15);
  EXPECT_NEAR((st.W[30] - st.W[28]) / (2 * f.h()), -0.001, 1e-15);
}

TEST(SolveDeflections, AgreesWithDenseSolveWithBothConditionsAtTopAndTip) {
  SolverContext f(24, 0.25);
  FillVaryingWall(f);
  f.Ctx.Data.SpecifiedConditions = {{ConditionCase::DeflectionAndSlope, 0, 0.002, 0.01},
                                    {ConditionCase::DeflectionAndSlope, 24, 0.0, 0.0}};
  SetSpecifiedConditions(f.Ctx);
  ExpectAgreesWithDenseSolve(f);
  EXPECT_EQ(f.st().W[0], 0.002);
  EXPECT_NEAR((f.st().W[1] - f.st().W[-1]) / (2 * f.h()), 0.01, 1e-14);
  EXPECT_EQ(f.st().W[24], 0.0);
  EXPECT_NEAR(f.st().W[25] - f.st().W[23], 0.0, 1e-16);
}

TEST(SolveDeflections, FreeTopHasZeroMomentAtStationZero) {
  SolverContext f(20, 1.0);
  StationTables& st = f.st();
  for (int j = 0; j <= 20; ++j) {
    st.EI[j] = 1.0e5;
    st.S[j] = 50.0;
  }
  st.Q[0] = 100.0;  // a load at the top itself is allowed
  st.Q[10] = -30.0;
  st.T[8] = 70.0;
  SolveDeflections(st, {}, 20, 1.0, 0.0, 1e30);
  const double curvature_scale = std::fabs(st.W[0]) + std::fabs(st.W[1]);
  EXPECT_NEAR(st.W[-1] - 2 * st.W[0] + st.W[1], 0.0, 1e-13 * curvature_scale);
  EXPECT_GT(std::fabs(st.W[0]), 0.0);
}

TEST(SolveDeflections, CountsChangesAndExceedancesOverRealStationsOnly) {
  SolverContext f(10, 1.0);
  StationTables& st = f.st();
  for (int j = 0; j <= 10; ++j) {
    st.EI[j] = 1.0;
    st.S[j] = 1.0;
    st.Q[j] = 1.0;
  }
  // A uniform deflection bends nothing, so with S = Q = 1 per station (h = 1)
  // every station, the imaginary ones too, deflects by exactly 1; the two
  // imaginary stations are not counted.
  SolveSummary first = SolveDeflections(st, {}, 10, 1.0, 1e-6, 0.5);
  EXPECT_EQ(first.ChangedStations, 11);
  EXPECT_EQ(first.ExceedingStations, 11);
  EXPECT_NEAR(first.MaxChange, 1.0, 1e-9);
  SolveSummary again = SolveDeflections(st, {}, 10, 1.0, 1e-6, 2.0);
  EXPECT_EQ(again.ChangedStations, 0);
  EXPECT_EQ(again.ExceedingStations, 0);
  EXPECT_LT(again.MaxChange, 1e-12);
}

TEST(SolveDeflections, ZeroPivotGivesZeroDeflectionAtThatStation) {
  SolverContext f(6, 1.0);
  // No stiffness anywhere: every pivot is zero and so is every deflection.
  f.st().Q[3] = 5.0;
  SolveDeflections(f.st(), {}, 6, 1.0, 0.0, 1e30);
  for (int j = -1; j <= 7; ++j) EXPECT_EQ(f.st().W[j], 0.0) << j;
}

// Observed orders of convergence log2(e(h) / e(h/2)) over a halving sequence.
std::vector<double> ObservedOrders(const std::vector<double>& errors) {
  std::vector<double> orders;
  for (size_t i = 1; i < errors.size(); ++i) orders.push_back(std::log2(errors[i - 1] / errors[i]));
  return orders;
}

// Hetenyi (1946): a semi-infinite beam on an elastic foundation of modulus k
// loaded by P at its free end deflects there by 2 P beta / k, beta =
// (k / 4 EI)^(1/4). The beam here is long (beta L = 22), so the far end changes
// the closed form by about exp(-22) ~ 3e-10, far below the discretisation
// error of every grid; the foundation is a spring k h per station with half
// springs on the two end stations, as the distribution rule gives them.
TEST(SolveDeflections, BeamOnElasticFoundationConvergesAtSecondOrder) {
  const double EI = 1.0e4, k = 100.0, P = 50.0, L = 100.0;
  const double beta = std::pow(k / (4 * EI), 0.25);
  const double exact = 2 * P * beta / k;
  const std::vector<int> increments{50, 100, 200, 400, 800};
  std::vector<double> errors;
  for (int n : increments) {
    const double h = L / n;
    SolverContext f(n, h);
    StiffnessLoadEntry foundation;
    foundation.From = 0;
    foundation.To = n;
    foundation.S = k * h;
    DistributeEntry(f.Ctx, foundation);
    StationTables& st = f.st();
    for (int j = 0; j <= n; ++j) {
      st.EI[j] = EI;
      st.S[j] = st.BaseS[j];
    }
    st.Q[0] = P;
    SolveDeflections(st, {}, n, h, 0.0, 1e30);
    errors.push_back(std::fabs(st.W[0] - exact) / exact);
  }
  RecordConvergence(increments, errors);
  EXPECT_LT(errors.back(), 5e-4);
  for (double order : ObservedOrders(errors)) EXPECT_NEAR(order, 2.0, 0.05);
}

// A cantilever fixed at its tip station by a specified deflection and slope
// (both zero) and loaded at the top: P L^3 / (3 EI) at the top. The slope row
// states the central difference about the tip, so the fixed end sits a
// fraction of an increment away from the tip and the error falls only in
// proportion to h: first order. The coarse grids still carry an h^2 part, so
// every observed order is asked to lie within 0.1 of 1 and the finest within 0.01.
TEST(SolveDeflections, CantileverFixedBySpecifiedConditionsConvergesAtFirstOrder) {
  const double EI = 2.0e5, P = 10.0, L = 12.0;
  const double exact = P * L * L * L / (3 * EI);
  const std::vector<int> increments{10, 20, 40, 80, 160, 320};
  std::vector<double> errors;
  for (int n : increments) {
    const double h = L / n;
    SolverContext f(n, h);
    StationTables& st = f.st();
    for (int j = 0; j <= n; ++j) st.EI[j] = EI;
    st.Q[0] = P;
    f.Ctx.Data.SpecifiedConditions = {{ConditionCase::DeflectionAndSlope, n, 0.0, 0.0}};
    SetSpecifiedConditions(f.Ctx);
    SolveDeflections(st, f.Ctx.Data.SpecifiedConditions, n, h, 0.0, 1e30);
    darnek::testing::RecordFigure("top_deflection_n" + std::to_string(n), st.W[0]);
    errors.push_back(std::fabs(st.W[0] - exact) / exact);
  }
  RecordConvergence(increments, errors);
  EXPECT_LT(errors.back(), 0.01);
  const std::vector<double> orders = ObservedOrders(errors);
  for (double order : orders) EXPECT_NEAR(order, 1.0, 0.1);
  EXPECT_NEAR(orders.back(), 1.0, 0.01);
}

}  // namespace
}  // namespace darnek::solver
