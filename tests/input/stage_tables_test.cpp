// Stage records after the cross sections: counts, rows, where the values land,
// the conversions made while reading, the storage limits and the echoes of
// tie-backs and user p-y curves.
#include "input/stage_tables.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "input_test_support.h"

namespace darnek {
namespace {

using testing::InputHarness;

TEST(RestraintsAndTieBacks, ZeroRestraintsWithTwoTieBacksReadExactlyTwoRowsOfSevenReals) {
  // Each tie-back row is one record: the extra value on the first line is
  // discarded, and the second row runs over two lines.
  InputHarness h(+1,
                 "0\n"
                 "8.0 1.5 29.0E6 18.0 15.0 8.0 60000.0 999\n"
                 "16.0 1.5 29.0E6 15.0\n"
                 "15.0 8.0 80000.0\n"
                 "77\n");
  h.Ctx.Data.C1.NumTieBacks = 2;
  h.Ctx.Data.C2.WallLength = 480;         // 40 ft: both tie-backs on the wall
  h.Ctx.Data.Restraints = {Restraint{}};  // left from an earlier stage
  input::ReadRestraintsAndTieBacks(h.Ctx, h.Reader);
  input::EchoTieBackTable(h.Ctx);
  EXPECT_EQ(h.ReadSentinel(), 77);

  const ProblemData& d = h.Ctx.Data;
  EXPECT_EQ(d.NumRestraints, 0);
  EXPECT_TRUE(d.Restraints.empty());
  ASSERT_EQ(d.TieBacks.size(), 2u);
  EXPECT_EQ(d.TieBacks[0].Prestress, 60000.0);
  EXPECT_EQ(d.TieBacks[1].Depth, 16.0);
  EXPECT_EQ(d.TieBacks[1].Angle, 15.0);
  EXPECT_EQ(d.TieBacks[1].Spacing, 8.0);

  const std::vector<std::string> expected = {
      "",
      "",
      "",
      "      **************************************************",
      "      *                  TIE BACK DATA                 *",
      "      **************************************************",
      "",
      "         DEPTH      AREA    ELASTIC   UNBONDED   HORIZ.    ANCHOR  PRESTRESS.",
      "                            MODULUS    LENGTH    ANGLE    SPACING    FORCE",
      "          FT       IN**2   LBS/IN**2     FT       DEG       FT       LBS",
      "       8.000E+00 1.500E+00 2.900E+07 1.800E+01 1.500E+01 8.000E+00 6.000E+04",
      "       1.600E+01 1.500E+00 2.900E+07 1.500E+01 1.500E+01 8.000E+00 8.000E+04",
  };
  EXPECT_EQ(h.Lines(), expected);
}

TEST(RestraintsAndTieBacks, SIUnitsLineAndRestraintRows) {
  InputHarness h(-1,
                 "2\n"
                 "0 0 1 1000.0 0.0\n"
                 "60 60 1 0.0 5.0E4\n"
                 "1.5 5.6E-4 1.95E8 6.0 15.0 2.5 300.0\n"
                 "77\n");
  h.Ctx.Data.C1.NumTieBacks = 1;
  h.Ctx.Data.C2.WallLength = 15;
  input::ReadRestraintsAndTieBacks(h.Ctx, h.Reader);
  input::EchoTieBackTable(h.Ctx);
  EXPECT_EQ(h.ReadSentinel(), 77);
  const ProblemData& d = h.Ctx.Data;
  EXPECT_EQ(d.NumRestraints, 2);
  ASSERT_EQ(d.Restraints.size(), 2u);
  EXPECT_EQ(d.Restraints[0].LateralStiffness, 1000.0);
  EXPECT_EQ(d.Restraints[1].From, 60);
  EXPECT_EQ(d.Restraints[1].RotationalStiffness, 5.0E4);
  const auto lines = h.Lines();
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[9], "           M        M**2    KN/ M**2      M       DEG        M        KN");
  EXPECT_EQ(lines[10], "       1.500E+00 5.600E-04 1.950E+08 6.000E+00 1.500E+01 2.500E+00 3.000E+02");
}

TEST(RestraintsAndTieBacks, NoTieBacksNoTableAndTooManyEndTheRun) {
  {
    InputHarness h(+1, "0\n77\n");
    input::ReadRestraintsAndTieBacks(h.Ctx, h.Reader);
    EXPECT_EQ(h.ReadSentinel(), 77);
    EXPECT_TRUE(h.Report.str().empty());
  }
  {
    InputHarness h(+1, "0\n");
    h.Ctx.Data.C1.NumTieBacks = kMaxTieBacks + 1;
    EXPECT_THROW(input::ReadRestraintsAndTieBacks(h.Ctx, h.Reader), StorageExceeded);
  }
  {
    InputHarness h(+1, "21\n");
    EXPECT_THROW(input::ReadRestraintsAndTieBacks(h.Ctx, h.Reader), StorageExceeded);
  }
}

TEST(StiffnessLoadRows, RowsAreKeptAsInputAndTorquesRecordedPerStage) {
  InputHarness h(-1,
                 "3\n"
                 "1 0 0 10.0 0.0 0.0\n"
                 "2 4 8 0.0 12.0 -50.0\n"
                 "1 8 8 0.0 -3.0 0.0\n"
                 "0\n"
                 "77\n");
  h.Ctx.Data.C2.IncrementLength = 0.25;
  input::ReadStiffnessLoadRows(h.Ctx, h.Reader);
  const ProblemData& d = h.Ctx.Data;
  ASSERT_EQ(d.StiffnessLoadRows.size(), 3u);
  EXPECT_EQ(d.StiffnessLoadRows[1].Contd, RowLink::Linked);
  EXPECT_EQ(d.StiffnessLoadRows[1].To, 8);
  EXPECT_EQ(d.StiffnessLoadRows[1].P, -50.0);  // as input; the solver flips the sign
  ASSERT_EQ(d.AppliedTorques.size(), 2u);
  EXPECT_EQ(d.AppliedTorques[0].Station, 4);
  EXPECT_EQ(d.AppliedTorques[0].F, 24.0);  // T / (2h)
  EXPECT_EQ(d.AppliedTorques[1].F, -6.0);
  EXPECT_TRUE(h.Report.str().empty());  // the solver echoes the rows

  // The next stage has no rows: nothing else is read and both lists empty.
  input::ReadStiffnessLoadRows(h.Ctx, h.Reader);
  EXPECT_TRUE(d.StiffnessLoadRows.empty());
  EXPECT_TRUE(d.AppliedTorques.empty());
  EXPECT_EQ(h.ReadSentinel(), 77);
}

TEST(PyModificationFactors, ReadWhenCountedAndEmptiedOtherwise) {
  InputHarness h(+1, "1\n0.0 1.0 1.0\n480.0 0.8 0.9\n77\n");
  h.Ctx.Data.C1.NumPyModificationFactors = 2;
  input::ReadPyModificationFactors(h.Ctx, h.Reader);
  const ProblemData& d = h.Ctx.Data;
  EXPECT_EQ(d.CombineAutoReduction, ReductionCombination::WithAutomatic);
  ASSERT_EQ(d.ReductionFactorTable.size(), 2u);
  EXPECT_EQ(d.ReductionFactorTable[1].Depth, 480.0);
  EXPECT_EQ(d.ReductionFactorTable[1].PFactor, 0.8);
  EXPECT_EQ(d.ReductionFactorTable[1].YFactor, 0.9);

  h.Ctx.Data.C1.NumPyModificationFactors = 0;
  input::ReadPyModificationFactors(h.Ctx, h.Reader);
  EXPECT_TRUE(d.ReductionFactorTable.empty());
  EXPECT_EQ(h.ReadSentinel(), 77);
}

const char* kSoilBlockSI =
    "5.0 1.0 1.0 2.0 5.0 1.0 1 10.0 0.0\n"
    "10.0 1500.0 0.0 0.0 20.0 2000.0\n"
    "2\n"
    "3 20.0 1500.0 2000.0 0.0 1.0\n"
    "1 50.0 3000.0 0.0 500.0 2.0\n"
    "2 0 0.0\n"
    "4 6.0\n"
    "18.0 0.0 32.0 0.0 24400.0 0.0\n"
    "18.5 0.0 33.0 0.0 24400.0 0.0\n"
    "7 20.0\n"
    "22.0 5000.0 0.0 0.0005 500000.0 50.0\n"
    "22.0 6000.0 0.0 0.0005 500000.0 60.0\n"
    "77\n";

TEST(EarthPressureAndSoilBlock, SIReadsMillimetreSurchargePositionsAsMetres) {
  InputHarness h(-1, kSoilBlockSI);
  h.Ctx.Data.C2.DividingDepth = 5.0;  // at the excavation level
  input::ReadEarthPressureAndSoilBlock(h.Ctx, h.Reader);
  EXPECT_EQ(h.ReadSentinel(), 77);
  const ProblemData& d = h.Ctx.Data;
  EXPECT_EQ(d.Wall.FreeHeight, 5.0);
  EXPECT_EQ(d.Wall.WaterDepthExcavation, 5.0);
  EXPECT_EQ(d.Wall.WaterPressureFlag, WaterPressure::Added);
  EXPECT_EQ(d.Wall.BackfillSlope, 10.0);
  EXPECT_EQ(d.Wall.ReferenceWidth, 0.30479999631643295);
  EXPECT_EQ(d.Wall.SurfacePressure, 10.0);
  // The single surcharge of the surcharge record is used as given.
  EXPECT_EQ(d.Wall.SeedDistance, 1500.0);
  EXPECT_EQ(d.Wall.SeedStripWidth, 2000.0);
  ASSERT_EQ(d.Wall.SurchargeLoads.size(), 2u);
  const SurchargeLoad& strip = d.Wall.SurchargeLoads[0];
  EXPECT_EQ(strip.Type, SurchargeType::Strip);
  EXPECT_EQ(strip.Magnitude, 20.0);
  EXPECT_EQ(strip.Distance, 1.5);
  EXPECT_EQ(strip.Width, 2.0);
  EXPECT_EQ(d.Wall.SurchargeLoads[1].VerticalDistance, 0.5);
  EXPECT_EQ(d.Wall.SurchargeLoads[1].Factor, 2.0);

  EXPECT_EQ(d.Soil.NumSoilLayers, 2);
  EXPECT_EQ(d.Soil.LoadingType, Loading::Cyclic);
  ASSERT_EQ(d.Soil.Layers.size(), 2u);
  EXPECT_EQ(d.Soil.Layers[0].LayerThickness, 6.0);
  EXPECT_EQ(d.Soil.Layers[1].LayerThickness, 14.0);
  EXPECT_EQ(d.Soil.Layers[1].LayerBottomDepth, 20.0);
  EXPECT_EQ(d.Soil.Layers[0].Bottom.PHI, 33.0);
  EXPECT_EQ(d.Soil.Layers[1].Top.Sixth, 50.0);  // RQD of weak rock
  EXPECT_EQ(d.Soil.Layers[1].Bottom.S, 6000.0);
  EXPECT_TRUE(h.Report.str().empty());
}

TEST(EarthPressureAndSoilBlock, EnglishKeepsInchesAndLimitsTheTables) {
  {
    InputHarness h(+1,
                   "144 12 12 120 240 1 1 0 0\n0 0 0 0 0 0\n1\n2 100.0 60.0 0.0 0.0 1.0\n"
                   "-1 1 0\n77\n");
    input::ReadEarthPressureAndSoilBlock(h.Ctx, h.Reader);
    EXPECT_EQ(h.ReadSentinel(), 77);
    EXPECT_EQ(h.Ctx.Data.Wall.ReferenceWidth, 12.0);
    EXPECT_EQ(h.Ctx.Data.Wall.SurchargeLoads.at(0).Distance, 60.0);
    EXPECT_TRUE(h.Ctx.Data.Soil.Layers.empty());  // a negative count means no layers
  }
  {
    InputHarness h(+1, "144 12 12 120 240 1 1 0 0\n0 0 0 0 0 0\n21\n");
    EXPECT_THROW(input::ReadEarthPressureAndSoilBlock(h.Ctx, h.Reader), StorageExceeded);
  }
  {
    InputHarness h(+1, "144 12 12 120 240 1 1 0 0\n0 0 0 0 0 0\n0\n21 1 0\n");
    EXPECT_THROW(input::ReadEarthPressureAndSoilBlock(h.Ctx, h.Reader), StorageExceeded);
  }
}

TEST(SpecifiedPressureTable, PairsAreReadAsGiven) {
  InputHarness h(-1, "3\n0.0 0.0\n5.0 30.0\n15.0 30.0\n-1\n77\n");
  input::ReadSpecifiedPressureTable(h.Ctx, h.Reader);
  const auto& rows = h.Ctx.Data.Pressure.SpecifiedPressure;
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1].Depth, 5.0);
  EXPECT_EQ(rows[2].Pressure, 30.0);
  input::ReadSpecifiedPressureTable(h.Ctx, h.Reader);
  EXPECT_TRUE(rows.empty());
  EXPECT_EQ(h.ReadSentinel(), 77);
  // The pressure tables print the diagram; a negative count is warned of.
  EXPECT_EQ(h.Report.str(),
            "\n      **** WARNING ****\n      line 5: specified pressure count, item 1 (number of pressure "
            "points): "
            "the count -1 is negative and is read as none\n");
}

const char* kThreeCurves =
    "10 2 1.0 1.0\n0.0 0.0\n1.0 -200.0\n"
    "26 3 1.0 1.0\n0.0 0.0\n0.2 -120.0\n1.0 -300.0\n"
    "30 2 0.8 1.0\n0.0 0.0\n1.0 -380.0\n"
    "77\n";

TEST(UserPyCurves, ContinuationFollowsTheDividingDepthAndSetsTheEchoForm) {
  InputHarness h(+1, kThreeCurves);
  h.Ctx.Data.C1.NumUserPyCurves = 3;
  h.Ctx.Data.C2.IncrementLength = 6.0;
  h.Ctx.Data.C2.DividingDepth = 156.0;  // station 26 lies exactly on it
  input::ReadUserPyCurves(h.Ctx, h.Reader);
  EXPECT_EQ(h.ReadSentinel(), 77);

  const auto& curves = h.Ctx.Data.UserPyCurves;
  ASSERT_EQ(curves.size(), 3u);
  EXPECT_EQ(curves[0].Contd, 0);
  EXPECT_EQ(curves[1].Contd, 1);
  EXPECT_EQ(curves[2].Contd, 1);
  EXPECT_EQ(curves[1].Y, (std::vector<double>{0.0, 0.2, 1.0}));
  EXPECT_EQ(curves[1].P, (std::vector<double>{0.0, -120.0, -300.0}));
  EXPECT_EQ(curves[2].PMultiplier, 0.8);

  const std::string head = "     FROM TO CONTD      P-MULTIPLIER  Y-MULTIPLIER      POINTS     ";
  const std::vector<std::string> expected = {
      "",
      "",
      "      **************************************************",
      "      *     INPUTTED  SOIL RESISTANCE (P-Y) CURVES     *",
      "      **************************************************",
      "",
      "",
      "",
      head,
      "       10  10  0          0.100E+01     0.100E+01           2",
      "",
      "",
      head,
      "       26      1          1.000E+00     1.000E+00            3",
      "",
      "",
      head,
      "           30  1          8.000E-01     1.000E+00            2",
  };
  EXPECT_EQ(h.Lines(), expected);
}

TEST(UserPyCurves, StorageLimitsAndTooShortCurves) {
  {  // more curves than the table holds: nothing is read or echoed
    InputHarness h(+1, "77\n");
    h.Ctx.Data.C1.NumUserPyCurves = kMaxPyCurves + 1;
    EXPECT_THROW(input::ReadUserPyCurves(h.Ctx, h.Reader), StorageExceeded);
  }
  {  // a curve with more points than a table curve holds
    InputHarness h(+1, std::to_string(5) + " " + std::to_string(kMaxPyCurvePoints + 1) + " 1 1\n");
    h.Ctx.Data.C1.NumUserPyCurves = 1;
    EXPECT_THROW(input::ReadUserPyCurves(h.Ctx, h.Reader), StorageExceeded);
  }
  {  // the iteration needs at least one segment
    InputHarness h(+1, "5 1 1.0 1.0\n0.0 0.0\n");
    h.Ctx.Data.C1.NumUserPyCurves = 1;
    try {
      input::ReadUserPyCurves(h.Ctx, h.Reader);
      ADD_FAILURE() << "no error";
    } catch (const InputError& e) {
      EXPECT_STREQ(e.what(),
                   "line 1: user p-y curve 1, item 2 (number of points): a p-y curve needs at least 2 "
                   "points, found 1");
    }
  }
  {  // a file that ends inside a curve
    InputHarness h(+1, "5 3 1.0 1.0\n0.0 0.0\n1.0 -10.0\n");
    h.Ctx.Data.C1.NumUserPyCurves = 1;
    EXPECT_THROW(input::ReadUserPyCurves(h.Ctx, h.Reader), InputError);
  }
}

}  // namespace
}  // namespace darnek
