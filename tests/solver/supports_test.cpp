#include "solver/supports.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "solver/solve_deflections.h"
#include "solver_fixture.h"
#include "support/data_error.h"

namespace darnek::solver {
namespace {

using testing::SolverContext;

TieBack MakeTieBack(double depth, double area, double modulus, double length, double angle, double spacing,
                    double prestress) {
  TieBack t;
  t.Depth = depth;
  t.Area = area;
  t.Modulus = modulus;
  t.UnbondedLength = length;
  t.Angle = angle;
  t.Spacing = spacing;
  t.Prestress = prestress;
  return t;
}

TEST(AddTieBacks, EnglishDepthInFeetRoundsHalfwayAwayFromZero) {
  SolverContext f(40, 6.0, 1);
  f.Ctx.Data.C2.ResultWidth = 12.0;
  for (double depth : {10.0, 10.24, 10.25}) {
    f.Ctx.Data.TieBacks.push_back(MakeTieBack(depth, 1.0, 29.0e6, 20.0, 0.0, 8.0, 0.0));
  }
  AddTieBacks(f.Ctx);
  EXPECT_EQ(f.Ctx.Data.TieBacks[0].Station, 20);
  EXPECT_EQ(f.Ctx.Data.TieBacks[1].Station, 20);
  EXPECT_EQ(f.Ctx.Data.TieBacks[2].Station, 21);
}

TEST(AddTieBacks, SIDepthsInMetresAndEnglishDepthsAtLongIncrements) {
  SolverContext si(20, 0.4);
  si.Ctx.Data.C2.ResultWidth = 1.0;
  // 2.5 and 2.4 increments down.
  for (double depth : {1.0, 0.96})
    si.Ctx.Data.TieBacks.push_back(MakeTieBack(depth, 1e-3, 2e8, 8.0, 0.0, 2.0, 0.0));
  AddTieBacks(si.Ctx);
  EXPECT_EQ(si.Ctx.Data.TieBacks[0].Station, 3);
  EXPECT_EQ(si.Ctx.Data.TieBacks[1].Station, 2);

  SolverContext english(20, 24.0, 1);
  english.Ctx.Data.C2.ResultWidth = 12.0;
  english.Ctx.Data.TieBacks.push_back(MakeTieBack(10.0, 1.0, 29.0e6, 20.0, 0.0, 8.0, 0.0));
  AddTieBacks(english.Ctx);
  EXPECT_EQ(english.Ctx.Data.TieBacks[0].Station, 5);
}

TEST(AddTieBacks, HorizontalSIAnchorAtResultWidthSpacing) {
  SolverContext f(20, 0.5);
  f.Ctx.Data.C2.ResultWidth = 2.5;
  f.st().EI[5] = 4.0e4;
  f.Ctx.Data.TieBacks.push_back(MakeTieBack(2.6, 0.001, 2.0e8, 8.0, 0.0, 2.5, 300.0));
  AddTieBacks(f.Ctx);
  const TieBack& t = f.Ctx.Data.TieBacks[0];
  EXPECT_EQ(t.Station, 5);
  EXPECT_EQ(t.CosAngle, 1.0);
  EXPECT_DOUBLE_EQ(t.Stiffness, 0.001 * 2.0e8 / 8.0);
  EXPECT_DOUBLE_EQ(t.PrestressLoad, -300.0);
  EXPECT_DOUBLE_EQ(f.st().BaseS[5], 25000.0);
  EXPECT_DOUBLE_EQ(f.st().BaseQ[5], -300.0);
  EXPECT_EQ(f.ReportLines().back(),
            "        5   5  1  4.000E+04-3.000E+02 2.500E+04 0.000E+00 0.000E+00 0.000E+00");
}

TEST(AddTieBacks, EnglishStiffnessAndPrestressPerStationOfWidth) {
  // 1 in^2 of steel, 20 ft free length, every 8 ft, results per foot of wall:
  // k = A E / (8 x 240 in), the prestress shared by 8 feet of wall.
  SolverContext f(40, 6.0, 1);
  f.Ctx.Data.C2.ResultWidth = 12.0;
  f.Ctx.Data.TieBacks.push_back(MakeTieBack(5.0, 1.0, 29.0e6, 20.0, 0.0, 8.0, 80000.0));
  AddTieBacks(f.Ctx);
  const TieBack& t = f.Ctx.Data.TieBacks[0];
  EXPECT_EQ(t.Station, 10);
  EXPECT_NEAR(t.Stiffness, 29.0e6 / (8.0 * 240.0), 1e-9);
  EXPECT_NEAR(t.PrestressLoad, -10000.0, 1e-9);
}

TEST(AddTieBacks, InclinedAnchorAngleUsesSinglePrecisionPi) {
  SolverContext f(20, 1.0);
  f.Ctx.Data.TieBacks.push_back(MakeTieBack(3.0, 1.0, 1.0, 1.0, 60.0, 1.0, 10.0));
  AddTieBacks(f.Ctx);
  const double c = f.Ctx.Data.TieBacks[0].CosAngle;
  // 3.1416 instead of pi turns 60 degrees into 1.0472 + 2.4e-6 radians, which
  // moves the cosine 2.09e-6 below 0.5.
  EXPECT_NEAR(c, 0.5 - 2.09e-6, 1e-8);
  EXPECT_DOUBLE_EQ(f.Ctx.Data.TieBacks[0].PrestressLoad, -10.0 * c);
}

TEST(AddTieBacks, AnchorBelowTheTipIsDataBeyondTheEnd) {
  SolverContext f(10, 1.0);
  f.Ctx.Data.TieBacks.push_back(MakeTieBack(11.0, 1.0, 1.0, 1.0, 0.0, 1.0, 10.0));
  AddTieBacks(f.Ctx);
  EXPECT_EQ(darnek::testing::DataErrorKind([&] { CheckBeyondEnd(f.Ctx); }), DataError::Kind::DataBeyondEnd);
}

TEST(ApplyHinges, ZeroesEIAtTieBacksAfterTheFirstOnly) {
  SolverContext f(30, 1.0);
  f.Ctx.Data.C1.NumTieBacks = 3;
  f.Ctx.Data.TieBacks = {MakeTieBack(5, 1, 1, 1, 0, 1, 0), MakeTieBack(12, 1, 1, 1, 0, 1, 0),
                         MakeTieBack(20, 1, 1, 1, 0, 1, 0)};
  AddTieBacks(f.Ctx);
  for (int j = 0; j <= 30; ++j) f.st().EI[j] = 100.0;
  ApplyHinges(f.Ctx);
  EXPECT_EQ(f.st().EI[5], 100.0);  // hinge option off
  f.Ctx.Data.C1.HingeOption = HingeModel::AtLowerTieBacks;
  ApplyHinges(f.Ctx);
  for (int j = 0; j <= 30; ++j) EXPECT_EQ(f.st().EI[j], j == 12 || j == 20 ? 0.0 : 100.0) << j;
}

TEST(SetSpecifiedConditions, SetsTheCodesOfEachCase) {
  SolverContext f(20, 1.0);
  f.Ctx.Data.SpecifiedConditions = {
      {ConditionCase::DeflectionAndSlope, -1, 0.1, 0.2},  // first row at station -1: deflection only
      {ConditionCase::Deflection, 2, 0.0, 0.0},           // deflection
      {ConditionCase::Slope, 5, 0.0, 0.0},                // slope: rows 4 and 6
      {ConditionCase::DeflectionAndSlope, 9, 0.0, 0.0},   // both: rows 8, 9, 10
      {ConditionCase::Deflection, 12, 0.0, 0.0},          // deflection
      {ConditionCase::DeflectionAndSlope, 20, 0.0, 0.0},  // both at the tip: rows 19, 20, 21
  };
  SetSpecifiedConditions(f.Ctx);
  std::vector<int> codes;
  for (int j = -1; j <= 21; ++j) codes.push_back(f.st().SolutionCode[j]);
  const std::vector<int> expected = {2, 1, 1, 2, 1, 3, 1, 5, 1, 3, 4, 5, 1, 2, 1, 1, 1, 1, 1, 1, 3, 4, 5};
  EXPECT_EQ(codes, expected);
}

TEST(SetSpecifiedConditions, RejectsOverlappingConditionsNamingRowsAndStations) {
  SolverContext f(20, 1.0);
  f.Ctx.Data.SpecifiedConditions = {{ConditionCase::Slope, 5, 0.0, 0.01},
                                    {ConditionCase::Deflection, 6, 0.02, 0.0}};
  try {
    SetSpecifiedConditions(f.Ctx);
    FAIL() << "overlap accepted";
  } catch (const InputError& e) {
    EXPECT_STREQ(e.what(),
                 "specified deflections and slopes: row 2 (station 6, case 1) needs station 6, which "
                 "overlap the stations 4 to 6 of row 1 (station 5); each specified condition needs "
                 "stations of its own");
  }
  // A repeated station would pair every later row with the wrong values.
  f.Ctx.Data.SpecifiedConditions = {{ConditionCase::Deflection, 5, 0.0, 0.0},
                                    {ConditionCase::Deflection, 5, 0.1, 0.0}};
  EXPECT_THROW(SetSpecifiedConditions(f.Ctx), InputError);
  // Two stations apart there is no overlap.
  f.Ctx.Data.SpecifiedConditions = {{ConditionCase::Deflection, 5, 0.0, 0.0},
                                    {ConditionCase::Slope, 7, 0.0, 0.1}};
  EXPECT_NO_THROW(SetSpecifiedConditions(f.Ctx));
}

TEST(SetSpecifiedConditions, RejectsStationsOutOfOrderOrBelowTheTip) {
  SolverContext f(20, 1.0);
  f.Ctx.Data.SpecifiedConditions = {{ConditionCase::Deflection, 8, 0.0, 0.0},
                                    {ConditionCase::Deflection, 3, 0.0, 0.0}};
  EXPECT_EQ(darnek::testing::DataErrorKind([&] { SetSpecifiedConditions(f.Ctx); }),
            DataError::Kind::StationsNotInOrder);
  f.Ctx.Data.SpecifiedConditions = {{ConditionCase::Deflection, -2, 0.0, 0.0}};
  EXPECT_EQ(darnek::testing::DataErrorKind([&] { SetSpecifiedConditions(f.Ctx); }),
            DataError::Kind::StationsNotInOrder);
  f.Ctx.Data.SpecifiedConditions = {{ConditionCase::Deflection, 21, 0.0, 0.0}};
  EXPECT_THROW(SetSpecifiedConditions(f.Ctx), InputError);
}

TEST(AddRestraints, EchoedAndDistributedAsLateralAndRotationalSprings) {
  SolverContext f(20, 1.0);
  f.Ctx.Data.Restraints = {{5, 7, RowLink::Standalone, 100.0, 40.0}, {0, 0, RowLink::Standalone, 0.0, 900.0}};
  AddRestraints(f.Ctx);
  const StationTables& st = f.st();
  EXPECT_EQ(st.BaseS[5], 50.0);
  EXPECT_EQ(st.BaseS[6], 100.0);
  EXPECT_EQ(st.BaseS[7], 50.0);
  EXPECT_EQ(st.R[6], 40.0);
  EXPECT_EQ(st.R[0], 900.0);
  const std::vector<std::string> lines = f.ReportLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "        5   7  1  0.000E+00 0.000E+00 1.000E+02 0.000E+00 4.000E+01 0.000E+00");
}

TEST(SpecifiedConditions, FixedTopMeetsDeflectionAndSlopeInTheSolution) {
  // A free-standing wall fixed at the top by a deflection and a slope there,
  // pushed by a uniform load: both conditions hold after the solution.
  SolverContext f(16, 0.5);
  for (int j = 0; j <= 16; ++j) {
    f.st().EI[j] = 5.0e3;
    f.st().Q[j] = 2.0;
    f.st().S[j] = 10.0;
  }
  f.Ctx.Data.SpecifiedConditions = {{ConditionCase::DeflectionAndSlope, 0, 0.015, -0.002}};
  SetSpecifiedConditions(f.Ctx);
  SolveDeflections(f.st(), f.Ctx.Data.SpecifiedConditions, 16, 0.5, 0.0, 1e30);
  EXPECT_EQ(f.st().W[0], 0.015);
  EXPECT_NEAR((f.st().W[1] - f.st().W[-1]) / 1.0, -0.002, 1e-15);
}

}  // namespace
}  // namespace darnek::solver
