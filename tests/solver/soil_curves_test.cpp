#include <gtest/gtest.h>

#include <cmath>

#include "core/errors.h"
#include "solver/iteration.h"
#include "solver_fixture.h"
#include "support/data_error.h"

namespace darnek::solver {
namespace {

using testing::SolverContext;

PyCurve Curve(int station, int contd, std::vector<double> y, std::vector<double> p) {
  PyCurve c;
  c.From = station;
  c.To = station;
  c.Contd = contd;
  c.Y = std::move(y);
  c.P = std::move(p);
  return c;
}

// Straight curves p = load - stiffness y, given by two points.
PyCurve Straight(int station, int contd, double stiffness, double load = 0.0) {
  return Curve(station, contd, {-1.0, 1.0}, {load + stiffness, load - stiffness});
}

TEST(ApplySoilCurves, LinkedPairGivesTheMeanMidwayAndHalfLinesAtTheEnds) {
  SolverContext f(30, 0.5);
  f.Ctx.Data.PyCurves = {Straight(10, 1, 100.0), Straight(20, 0, 300.0, 10.0)};
  f.st().W[15] = 0.5;
  ApplySoilCurves(f.Ctx, f.Ctx.Data.PyCurves);
  const StationTables& st = f.st();
  EXPECT_DOUBLE_EQ(st.S[15], 200.0);
  EXPECT_DOUBLE_EQ(st.Q[15], 5.0);
  // Resistance per unit length: the mean of -50 and 10 - 150, over h.
  EXPECT_DOUBLE_EQ(st.SoilReaction[15], -95.0 / 0.5);
  EXPECT_DOUBLE_EQ(st.S[12], 140.0);
  EXPECT_DOUBLE_EQ(st.S[10], 50.0);
  EXPECT_DOUBLE_EQ(st.S[20], 150.0);
  EXPECT_DOUBLE_EQ(st.Q[20], 5.0);
  EXPECT_EQ(st.S[9], 0.0);
  EXPECT_EQ(st.S[21], 0.0);
}

TEST(ApplySoilCurves, DeflectionOnAPointUsesTheSegmentBelowAndEndSegmentsExtend) {
  SolverContext f(10, 1.0);
  f.Ctx.Data.PyCurves = {
      Curve(0, 0, {0.0, 1.0, 2.0}, {0.0, -10.0, -15.0}), Curve(1, 0, {0.0, 1.0, 2.0}, {0.0, -10.0, -15.0}),
      Curve(2, 0, {0.0, 1.0, 2.0}, {0.0, -10.0, -15.0}), Curve(3, 0, {0.0, 1.0, 2.0}, {0.0, -10.0, -15.0}),
      Curve(4, 0, {0.0, 0.0}, {0.0, -10.0})};  // vertical: no line at all
  StationTables& st = f.st();
  st.W[0] = 1.0;   // on the middle point: the first segment
  st.W[1] = 1.25;  // the second segment
  st.W[2] = 5.0;   // beyond the last point: the last segment extended
  st.W[3] = -2.0;  // below the first point: the first segment extended
  ApplySoilCurves(f.Ctx, f.Ctx.Data.PyCurves);
  EXPECT_EQ(st.S[0], 10.0);
  EXPECT_EQ(st.Q[0], 0.0);
  EXPECT_EQ(st.SoilReaction[0], -10.0);
  EXPECT_EQ(st.S[1], 5.0);
  EXPECT_EQ(st.Q[1], -5.0);
  EXPECT_EQ(st.SoilReaction[1], -11.25);
  EXPECT_EQ(st.S[2], 5.0);
  EXPECT_EQ(st.SoilReaction[2], -30.0);
  EXPECT_EQ(st.S[3], 10.0);
  EXPECT_EQ(st.SoilReaction[3], 20.0);
  EXPECT_EQ(st.S[4], 0.0);
  EXPECT_EQ(st.Q[4], 0.0);
}

// Each lookup starts from the segment the station before it found: whatever
// that was, a station gets the segment the walk up the points gives.
TEST(ApplySoilCurves, EveryStationFindsItsOwnSegmentWhateverItsNeighbourFound) {
  const std::vector<double> y = {0.0, 1.0, 1.0, 2.0, 4.0}, p = {0.0, -10.0, -12.0, -15.0, -20.0};
  SolverContext f(40, 1.0);
  f.Ctx.Data.PyCurves = {Curve(0, 1, y, p), Curve(40, 0, y, p)};
  f.Ctx.Data.PyCurves[0].To = 40;
  const std::vector<double> w = {0.5, 0.6, 1.0,          1.0, 1.5,  2.0,  2.0, 3.0, 9.0,    -1.0,  0.0,
                                 4.0, 1.0, std::nan(""), 1.5, 0.99, 1.01, 3.9, 4.1, 2.0001, 1.9999};
  StationTables& st = f.st();
  for (size_t j = 0; j < w.size(); ++j) st.W[static_cast<int>(j) + 1] = w[j];
  ApplySoilCurves(f.Ctx, f.Ctx.Data.PyCurves);
  for (size_t j = 0; j < w.size(); ++j) {
    size_t k = 1;
    while (k < y.size() - 1 && w[j] > y[k]) ++k;
    const double stiffness = y[k] == y[k - 1] ? 0.0 : -(p[k] - p[k - 1]) / (y[k] - y[k - 1]);
    EXPECT_EQ(st.S[static_cast<int>(j) + 1], stiffness) << "deflection " << w[j];
  }
}

TEST(ApplySoilCurves, RangesAreCutAtTheTip) {
  SolverContext f(10, 1.0);
  f.Ctx.Data.PyCurves = {
      Straight(8, 1, 60.0),                            // 8 .. 14, cut to 8 .. 10
      Straight(14, 1, 120.0), Straight(20, 0, 999.0),  // 14 .. 20 starts below the tip: ignored
      Straight(10, 0, 7.0),                            // a single station at the tip applies
      Straight(12, 0, 5.0),                            // a single station below the tip does not
  };
  ApplySoilCurves(f.Ctx, f.Ctx.Data.PyCurves);
  const StationTables& st = f.st();
  EXPECT_DOUBLE_EQ(st.S[8], 30.0);
  EXPECT_DOUBLE_EQ(st.S[9], 70.0);
  EXPECT_DOUBLE_EQ(st.S[10], 0.5 * 80.0 + 7.0);
  for (int j = 11; j <= 13; ++j) EXPECT_EQ(st.S[j], 0.0);
}

TEST(ApplySoilCurves, ZeroSpanPairPassesOverItsSecondCurve) {
  SolverContext f(20, 1.0);
  f.Ctx.Data.PyCurves = {Straight(5, 1, 10.0), Straight(5, 1, 1000.0), Straight(9, 0, 50.0)};
  ApplySoilCurves(f.Ctx, f.Ctx.Data.PyCurves);
  EXPECT_DOUBLE_EQ(f.st().S[5], 5.0);
  EXPECT_DOUBLE_EQ(f.st().S[7], 30.0);
  EXPECT_DOUBLE_EQ(f.st().S[9], 25.0);
}

TEST(ApplySoilCurves, ChainsContinueAndALinkedLastCurveStillActs) {
  SolverContext f(20, 1.0);
  f.Ctx.Data.PyCurves = {Straight(2, 1, 10.0), Straight(4, 1, 30.0), Straight(8, 0, 70.0),
                         Straight(12, 1, 40.0)};
  ApplySoilCurves(f.Ctx, f.Ctx.Data.PyCurves);
  const StationTables& st = f.st();
  EXPECT_DOUBLE_EQ(st.S[2], 5.0);
  EXPECT_DOUBLE_EQ(st.S[3], 20.0);
  EXPECT_DOUBLE_EQ(st.S[4], 30.0);  // two halves of the same curve
  EXPECT_DOUBLE_EQ(st.S[6], 50.0);
  EXPECT_DOUBLE_EQ(st.S[8], 35.0);
  EXPECT_DOUBLE_EQ(st.S[12], 40.0);  // nothing to link to: it stands alone
}

TEST(ApplySoilCurves, RejectsRangesOutOfOrderAndCurvesOfOnePoint) {
  SolverContext f(20, 1.0);
  f.Ctx.Data.PyCurves = {Straight(9, 1, 1.0), Straight(5, 0, 1.0)};
  EXPECT_EQ(darnek::testing::DataErrorKind([&] { ApplySoilCurves(f.Ctx, f.Ctx.Data.PyCurves); }),
            DataError::Kind::StationsNotInOrder);
  f.Ctx.Data.PyCurves = {Curve(3, 0, {0.0}, {0.0})};
  EXPECT_THROW(ApplySoilCurves(f.Ctx, f.Ctx.Data.PyCurves), InputError);
}

}  // namespace
}  // namespace darnek::solver
