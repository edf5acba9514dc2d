#include "solver/stations.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "solver_fixture.h"
#include "support/data_error.h"

namespace darnek::solver {
namespace {

using testing::SolverContext;

StiffnessLoadEntry Entry(int from, int to, double q) {
  StiffnessLoadEntry e;
  e.From = from;
  e.To = to;
  e.Q = q;
  return e;
}

TEST(PrepareStations, SizesAndZeroesEveryTableWithCodeOne) {
  SolverContext f(5, 1.0);
  f.st().W[3] = 7.0;
  f.st().SolutionCode[2] = 4;
  f.st().BaseQ[-3] = 1.0;
  f.Ctx.Data.C2.NumIncrements = 8;
  PrepareStations(f.Ctx);
  EXPECT_EQ(f.st().W.NumIncrements(), 8);
  EXPECT_EQ(f.st().Wprev3.NumIncrements(), 8);
  for (int j = -3; j <= 11; ++j) {
    EXPECT_EQ(f.st().W[j], 0.0);
    EXPECT_EQ(f.st().BaseQ[j], 0.0);
    EXPECT_EQ(f.st().SolutionCode[j], 1);
  }
}

TEST(DistributeEntry, SingleStationFullValuesAndRangeEndsHalf) {
  SolverContext f(10, 1.0);
  StiffnessLoadEntry one = Entry(3, 3, 8.0);
  one.T = 2.0;
  one.P = 5.0;  // stored with the opposite sign
  one.S = 4.0;
  one.R = 6.0;
  one.EI = 9.0;
  DistributeEntry(f.Ctx, one);
  const StationTables& st = f.st();
  EXPECT_EQ(st.BaseQ[3], 8.0);
  EXPECT_EQ(st.T[3], 2.0);
  EXPECT_EQ(st.P[3], -5.0);
  EXPECT_EQ(st.BaseS[3], 4.0);
  EXPECT_EQ(st.R[3], 6.0);
  EXPECT_EQ(st.EI[3], 9.0);
  EXPECT_EQ(st.Q[3], 0.0);  // the solution's Q is rebuilt from BaseQ by the iteration

  DistributeEntry(f.Ctx, Entry(5, 6, 10.0));
  EXPECT_EQ(st.BaseQ[5], 5.0);
  EXPECT_EQ(st.BaseQ[6], 5.0);

  DistributeEntry(f.Ctx, Entry(6, 9, 10.0));
  EXPECT_EQ(st.BaseQ[6], 10.0);  // two ranges meeting at a station add to the full value
  EXPECT_EQ(st.BaseQ[7], 10.0);
  EXPECT_EQ(st.BaseQ[8], 10.0);
  EXPECT_EQ(st.BaseQ[9], 5.0);
  EXPECT_EQ(st.BaseQ[10], 0.0);
}

TEST(DistributeEntry, RejectsStationsOutOfOrderAndAboveTheImaginaryTopStation) {
  SolverContext f(10, 1.0);
  EXPECT_EQ(darnek::testing::DataErrorKind([&] { DistributeEntry(f.Ctx, Entry(5, 4, 1.0)); }),
            DataError::Kind::StationsNotInOrder);
  EXPECT_THROW(DistributeEntry(f.Ctx, Entry(-2, 4, 1.0)), InputError);
  DistributeEntry(f.Ctx, Entry(-1, -1, 1.0));
  EXPECT_EQ(f.st().BaseQ[-1], 1.0);
}

const std::vector<std::string> kHeadingSI = {
    "",
    "",
    "",
    "      **************************************************",
    "      *        STIFFNESS AND LOAD DATA                 *",
    "      **************************************************",
    "",
    "      EI - FLEXURAL RIGIDITY,  Q - TRANSVERSE LOAD,",
    "      S - STIFFNESS OF TRANSVERSE RESISTANCE,",
    "      T - TORQUE,              P - AXIAL LOAD,",
    "      R - STIFFNESS OF TORSIONAL RESISTANCE.",
    "",
    "",
    "     FROM TO CONTD     EI         Q        S        T         R         P",
    "                   KN- M**2       KN    KN/ M    KN- M     KN- M       KN",
};

TEST(AddStiffnessLoadRows, WritesTheHeadingEvenWithoutRows) {
  SolverContext f(10, 1.0);
  AddStiffnessLoadRows(f.Ctx);
  EXPECT_EQ(f.ReportLines(), kHeadingSI);
}

TEST(AddStiffnessLoadRows, EnglishUnitsLine) {
  SolverContext f(10, 12.0, 1);
  AddStiffnessLoadRows(f.Ctx);
  EXPECT_EQ(f.ReportLines().back(),
            "                  LBS-IN**2      LBS   LBS/IN   LBS-IN    LBS-IN      LBS");
}

TEST(AddStiffnessLoadRows, EchoesTheThreeLineFormsWithCurrentEIAndInputSignOfP) {
  SolverContext f(20, 0.5);
  for (int j = 0; j <= 20; ++j) f.st().EI[j] = 1000.0 * j;
  f.Ctx.Data.StiffnessLoadRows = {
      {RowLink::Standalone, 2, 6, -1.5, 0.0, 12.0},  // standalone
      {RowLink::Linked, 8, 9, 10.0, 3.0, 0.0},       // first of a chain
      {RowLink::Linked, 0, 12, 20.0, 0.0, -4.0},     // later row, linked on
      {RowLink::Standalone, 0, 16, 0.0, 0.0, 0.0},   // later row, end of the chain
  };
  AddStiffnessLoadRows(f.Ctx);
  std::vector<std::string> lines = f.ReportLines();
  ASSERT_EQ(lines.size(), kHeadingSI.size() + 4);
  EXPECT_EQ(lines[15], "        2   6  1  2.000E+03-1.500E+00 0.000E+00 0.000E+00 0.000E+00 1.200E+01");
  EXPECT_EQ(lines[16], "        8      2  8.000E+03 1.000E+01 0.000E+00 3.000E+00 0.000E+00 0.000E+00");
  EXPECT_EQ(lines[17], "           12  2  1.200E+04 2.000E+01 0.000E+00 0.000E+00 0.000E+00-4.000E+00");
  EXPECT_EQ(lines[18], "           16  1  1.600E+04 0.000E+00 0.000E+00 0.000E+00 0.000E+00 0.000E+00");
  // Applied torques are kept for the results: FROM station and T / (2h).
  ASSERT_EQ(f.Ctx.Data.AppliedTorques.size(), 1u);
  EXPECT_EQ(f.Ctx.Data.AppliedTorques[0].Station, 8);
  EXPECT_EQ(f.Ctx.Data.AppliedTorques[0].F, 3.0);
}

TEST(AddStiffnessLoadRows, LinkedRowsVaryLinearlyFromFirstFromToNextTo) {
  SolverContext f(20, 1.0);
  f.Ctx.Data.StiffnessLoadRows = {
      {RowLink::Standalone, 1, 1, 7.0, 0.0, 0.0},    // standalone single station
      {RowLink::Linked, 4, 5, 10.0, 0.0, 2.0},       // chain: 10 at station 4 ...
      {RowLink::Linked, 0, 8, 30.0, 0.0, 4.0},       // ... 30 at station 8, linked on ...
      {RowLink::Standalone, 0, 12, 10.0, 0.0, 0.0},  // ... 10 at station 12
  };
  AddStiffnessLoadRows(f.Ctx);
  const StationTables& st = f.st();
  const double expected[] = {0, 7, 0, 0, 5, 15, 20, 25, 30, 25, 20, 15, 5, 0};
  for (int j = 0; j <= 13; ++j) EXPECT_DOUBLE_EQ(st.BaseQ[j], expected[j]) << "station " << j;
  // P of the chain, 2 at station 4 to 4 at station 8 then to 0, stored negated.
  EXPECT_DOUBLE_EQ(st.P[4], -1.0);
  EXPECT_DOUBLE_EQ(st.P[6], -3.0);
  EXPECT_DOUBLE_EQ(st.P[8], -4.0);
  EXPECT_DOUBLE_EQ(st.P[10], -2.0);
  EXPECT_DOUBLE_EQ(st.P[12], 0.0);
}

TEST(AddStiffnessLoadRows, LinkedLastRowStillCarriesItsValues) {
  SolverContext f(20, 1.0);
  f.Ctx.Data.StiffnessLoadRows = {{RowLink::Standalone, 2, 2, 1.0, 0.0, 0.0},
                                  {RowLink::Linked, 5, 7, 4.0, 0.0, 0.0}};
  AddStiffnessLoadRows(f.Ctx);
  EXPECT_EQ(f.st().BaseQ[5], 2.0);
  EXPECT_EQ(f.st().BaseQ[6], 4.0);
  EXPECT_EQ(f.st().BaseQ[7], 2.0);
}

TEST(AddStiffnessLoadRows, ChainEndingAboveItsStartIsOutOfOrder) {
  SolverContext f(20, 1.0);
  f.Ctx.Data.StiffnessLoadRows = {{RowLink::Linked, 8, 8, 1.0, 0.0, 0.0},
                                  {RowLink::Standalone, 0, 4, 2.0, 0.0, 0.0}};
  EXPECT_EQ(darnek::testing::DataErrorKind([&] { AddStiffnessLoadRows(f.Ctx); }),
            DataError::Kind::StationsNotInOrder);
}

TEST(CheckBeyondEnd, AcceptsDataUpToTheTip) {
  SolverContext f(10, 1.0);
  DistributeEntry(f.Ctx, Entry(0, 10, 3.0));
  EXPECT_NO_THROW(CheckBeyondEnd(f.Ctx));
  EXPECT_EQ(f.Report.str(), "");
}

TEST(CheckBeyondEnd, RejectsAnyValueBeyondTheTip) {
  struct Case {
    int From, To;
    double Q, P, T;
  };
  for (const Case& c : {Case{11, 11, 1.0, 0, 0}, Case{12, 12, 0, 0, 2.0}, Case{13, 13, 1.0, 0, 0},
                        Case{8, 30, 1.0, 0, 0}, Case{40, 40, 1.0, 0, 0},
                        // A load and an axial load that cancel in a plain sum.
                        Case{11, 11, 100.0, 100.0, 0}}) {
    SolverContext f(10, 1.0);
    StiffnessLoadEntry e = Entry(c.From, c.To, c.Q);
    e.P = c.P;
    e.T = c.T;
    DistributeEntry(f.Ctx, e);
    EXPECT_EQ(darnek::testing::DataErrorKind([&] { CheckBeyondEnd(f.Ctx); }), DataError::Kind::DataBeyondEnd)
        << c.From << " " << c.To;
  }
}

}  // namespace
}  // namespace darnek::solver
