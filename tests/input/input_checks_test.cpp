// The checks of codes and values where they are read, record by record: each
// rejection names the line, the record and the item, in the report and on the
// console, and ends the run with the input-rejected status; the warnings let
// the run go on.
#include <gtest/gtest.h>

#include "support/run_helper.h"

namespace darnek {
namespace {

using testing::Count;
using testing::Replace;
using testing::RunText;

// A 10 ft anchored wall with generated earth pressure and p-y curves: sand to
// 6 ft, soft clay below, one tie-back, one surcharge, one p-y modification
// factor and one user curve. Line numbers of the records: C1 2, C2 3, W 4,
// X1 5, XE2 8, K0 11, R0 12, tie-back 13, F0 14, F1 15, E1 16, E2 17, E3 18,
// E4 19, E5 20, sand 21-23, clay 24-26, user curve 27-29.
const char* const kBase =
    "INPUT CHECKS BASE\n"
    "1 0 1 1 1 2 2 1 1 0 1 0\n"
    "20 6.0 10.0 0.0001 60.0 12.0 120.0 50 0 0\n"
    "0.0 10.0 1\n"
    "1 1 0 0\n'SECTION'\n"
    "0 0 0 0 0 0 0 0\n"
    "0 0 0 100.0 0 0 0 0 29000000.0 0 0 0\n"
    "0 0 0.5 0 0\n'NONE'\n"
    "0\n"
    "0\n"
    "2.0 1.5 29000000.0 15.0 15.0 8.0 1000.0\n"
    "1\n"
    "0.0 1.0 1.0\n"
    "60.0 12.0 12.0 1000.0 1000.0 1.0 0 0.0 0.0\n"
    "0.0 0.0 0.0 0.0 0.0 0.0\n"
    "1\n"
    "1 100.0 30.0 0.0 0.0 1.0\n"
    "2 1 0.0\n"
    "4 72.0\n"
    "0.0694 0.0 30.0 0.0 25.0 0.0\n"
    "0.0694 0.0 30.0 0.0 25.0 0.0\n"
    "1 240.0\n"
    "0.065 4.0 0.0 0.01 0.0 0.0\n"
    "0.065 6.0 0.0 0.01 0.0 0.0\n"
    "5 2 1.0 1.0\n-10.0 100.0\n10.0 -100.0\n"
    "1\n";

struct Rejection {
  const char* What;
  std::string From, To;
  const char* Message;
};

void ExpectRejected(std::initializer_list<Rejection> cases) {
  for (const Rejection& c : cases) {
    SCOPED_TRACE(c.What);
    const auto out = RunText(Replace(kBase, c.From, c.To));
    EXPECT_EQ(out.Result.Status, DARNEK_INPUT_REJECTED) << out.Result.Message;
    EXPECT_EQ(out.Result.Message, c.Message);
    EXPECT_NE(out.Report.find("**** INPUT ERROR ****\n     " + std::string(c.Message)), std::string::npos);
    EXPECT_NE(out.Console.find(c.Message), std::string::npos) << out.Console;
    EXPECT_EQ(Count(out.Report, "END OF ANALYSIS"), 1);
  }
}

TEST(InputChecks, TheBaseInputRunsWithoutAWarning) {
  const auto out = RunText(kBase);
  ASSERT_EQ(out.Result.Status, DARNEK_OK) << out.Result.Message;
  EXPECT_EQ(out.Result.Stages.at(0).Outcome, "closed");
  EXPECT_EQ(out.Report.find("WARNING"), std::string::npos);
  EXPECT_EQ(out.Console, "");
}

TEST(InputChecks, ControlLinesTakeOnlyTheirCodesAndUsableLimits) {
  ExpectRejected({
      {"unit system 3", "1 0 1 1 1 2 2", "3 0 1 1 1 2 2",
       "line 2: first control line, item 1 (UnitSystemCode): 3 is not one of its codes (1 English units, 2 "
       "SI "
       "units)"},
      {"earth-pressure option 4", "1 0 1 1 1 2 2", "1 0 1 1 1 4 2",
       "line 2: first control line, item 6 (EarthPressureOption): 4 is not one of its codes (0 no earth "
       "pressure, "
       "1 specified pressure diagram, 2 generated active pressure, 3 or 5 generated apparent pressure; 4 "
       "(soil "
       "springs built from the pressure diagram above the dividing depth) is not supported)"},
      {"p-y option 3", "1 0 1 1 1 2 2", "1 0 1 1 1 2 3",
       "line 2: first control line, item 7 (PyCurveOption): 3 is not one of its codes (0 or 1 user p-y "
       "curves "
       "only, 2 generated p-y curves)"},
      {"hinge option 2", "1 1 0 1 0\n", "1 1 0 1 2\n",
       "line 2: first control line, item 12 (HingeOption): 2 is not one of its codes (0 no hinges, 1 zero "
       "moment "
       "at every tie-back station except the first)"},
      {"negative deflection limit", "20 6.0 10.0", "20 6.0 -10.0",
       "line 3: second control line, item 3 (MaxAllowableDeflection): must be positive, found -10 (a "
       "deflection "
       "beyond it ends the iteration)"},
      {"zero tolerance", "10.0 0.0001", "10.0 0.0",
       "line 3: second control line, item 4 (DeflectionTolerance): must be positive, found 0 (the iteration "
       "has "
       "closed when no station moves by more than it)"},
      {"no result width with a tie-back", "60.0 12.0 120.0", "60.0 0.0 120.0",
       "line 3: second control line, item 6 (ResultWidth): must be positive, found 0 (the tie-back forces "
       "are "
       "shared out by it)"},
  });
}

TEST(InputChecks, SpecifiedConditionsAndWallSections) {
  ExpectRejected({
      {"case 4", "1 0 1 1 1 2 2 1 1 0 1 0\n20 6.0 10.0 0.0001 60.0 12.0 120.0 50 0 0\n",
       "1 1 1 1 1 2 2 1 1 0 1 0\n20 6.0 10.0 0.0001 60.0 12.0 120.0 50 0 0\n4 0 0.0 0.0\n",
       "line 4: specified deflection and slope row 1, item 1 (Case): 4 is not one of its codes (1 "
       "deflection, "
       "2 slope, 3 deflection and slope)"},
      {"section upside down", "0.0 10.0 1\n", "10.0 0.0 1\n",
       "line 4: wall section row 1, item 2 (SectionBottom): 0 lies above SectionTop 10; depths increase "
       "downwards"},
  });
}

TEST(InputChecks, CrossSectionCodesDependOnTheKindOfSection) {
  ExpectRejected({
      {"kind 2", "1 1 0 0\n", "1 1 0 2\n",
       "line 5: cross section 1, record X1, item 4 (SectionNonlinear): 2 is not one of its codes (0 elastic "
       "section, 1 nonlinear section)"},
      {"elastic shape 7", "1 1 0 0\n", "1 1 7 0\n",
       "line 5: cross section 1, record X1, item 3 (SectionShapeCode): 7 is not one of its codes (0 general "
       "section, 1 circular pipe, 2 rectangular pipe, 3 I section, 4 H section, 5 AISC section, 6 sheet "
       "piling)"},
      {"nonlinear type 12", "1 1 0 0\n", "1 1 12 1\n",
       "line 5: cross section 1, record X1, item 3 (SectionShapeCode): 12 is not one of its codes (1 round "
       "concrete shaft, 2 cased shaft, 3 rectangular concrete pile, 4 round prestressed pile, 5 square "
       "prestressed pile, 6 octagonal prestressed pile, 7 steel pipe, 8 steel H section, 9 steel I section, "
       "10 steel AISC section, 11 user-defined EI)"},
      {"steel core 3", "1 1 0 0\n'SECTION'\n",
       "1 1 7 1\n'PIPE'\n24 1000 0 29000000 36000 0 0 0 29000000\n3 0 0 0 0 0 0 24 0.5 0 0\n",
       "line 8: cross section 1, geometry record, item 1 (GeometryCode): 3 is not one of its codes (0 no "
       "steel "
       "core, 1 steel pipe, 2 H or I shape)"},
      {"bar layout 4", "1 1 0 0\n'SECTION'\n",
       "1 1 1 1\n'SHAFT'\n24 1000 4000 0 0 0 0 0 3600000\n8 1 0.79 29000000 60000 3 4\n",
       "line 8: cross section 1, reinforcement record, item 7 (layout): 4 is not one of its codes (1 evenly "
       "on a "
       "circle, 2 evenly along a rectangle, 3 positions given)"},
      {"taper 2", "29000000.0 0 0 0\n", "29000000.0 0 0 2\n",
       "line 8: cross section 1, top property row, item 12 (SectionTapered): 2 is not one of its codes "
       "(0 uniform section, 1 tapered section (bottom rows follow))"},
  });
}

TEST(InputChecks, StiffnessRestraintAndTieBackRows) {
  ExpectRejected({
      {"stiffness row linked by 3", "'NONE'\n0\n0\n", "'NONE'\n1\n3 0 2 1.0 0 0\n0\n",
       "line 12: stiffness and load row 1, item 1 (CONTD): 3 is not one of its codes (1 the row stands "
       "alone, "
       "2 the row is linked to the next row)"},
      {"restraint linked by 0", "'NONE'\n0\n0\n", "'NONE'\n0\n1\n0 0 0 5.0 0\n",
       "line 13: restraint row 1, item 3 (CONTD): 0 is not one of its codes (1 the row stands alone, 2 the "
       "row "
       "is linked to the next row)"},
      {"tie-back without modulus", "1.5 29000000.0", "1.5 0.0",
       "line 13: tie-back row 1, item 3 (elastic modulus): must be positive, found 0"},
      {"vertical tie-back", "15.0 15.0 8.0", "15.0 90.0 8.0",
       "line 13: tie-back row 1, item 5 (horizontal angle): must lie between -90 and 90 degrees, found 90 (a "
       "vertical tie-back does not hold the wall)"},
  });
}

TEST(InputChecks, PyModificationFactors) {
  ExpectRejected({
      {"combination 2", "1000.0\n1\n0.0 1.0 1.0\n", "1000.0\n2\n0.0 1.0 1.0\n",
       "line 14: p-y modification factors, combination record, item 1 (CombineAutoReduction): 2 is not one "
       "of "
       "its codes (0 the table alone, 1 the table times the automatic reduction for closely spaced "
       "elements)"},
      {"negative P-FACTOR", "\n0.0 1.0 1.0\n", "\n0.0 -1.0 1.0\n",
       "line 15: p-y modification factor row 1, item 2 (P-FACTOR): must not be negative, found -1 (a "
       "multiplier "
       "of the soil resistance)"},
      {"zero Y-FACTOR", "\n0.0 1.0 1.0\n", "\n0.0 1.0 0.0\n",
       "line 15: p-y modification factor row 1, item 3 (Y-FACTOR): must be positive, found 0 (a multiplier "
       "of "
       "the deflections of the p-y curves)"},
  });
}

TEST(InputChecks, WallWaterAndSurchargeRecords) {
  ExpectRejected({
      {"negative free height", "60.0 12.0 12.0 1000.0", "-1.0 12.0 12.0 1000.0",
       "line 16: wall-and-water record, item 1 (FreeHeight): must not be negative, found -1 (the depth of "
       "the "
       "excavation level below the top of the wall)"},
      {"no width for earth pressure", "60.0 12.0 12.0 1000.0", "60.0 0.0 12.0 1000.0",
       "line 16: wall-and-water record, item 2 (WA): must be positive, found 0 (the width that the earth "
       "pressure "
       "acts on)"},
      {"no width for soil resistance", "60.0 12.0 12.0 1000.0", "60.0 12.0 0.0 1000.0",
       "line 16: wall-and-water record, item 3 (WP): must be positive, found 0 (the width that the soil "
       "resistance acts on)"},
      {"negative active factor", "1000.0 1.0 0 0.0", "1000.0 -1.0 0 0.0",
       "line 16: wall-and-water record, item 6 (ActiveModificationFactor): must not be negative, found -1 (a "
       "multiplier of the active pressure)"},
      {"water flag 2", "1000.0 1.0 0 0.0", "1000.0 1.0 2 0.0",
       "line 16: wall-and-water record, item 7 (WaterPressureFlag): 2 is not one of its codes (0 not added, "
       "1 "
       "water pressure added below the backfill water table in drained layers)"},
      {"vertical backfill", "1.0 0 0.0 0.0\n", "1.0 0 90.0 0.0\n",
       "line 16: wall-and-water record, item 8 (BackfillSlope): must lie between -90 and 90 degrees, found "
       "90 "
       "(the slope of the backfill surface)"},
      {"overhanging excavation", "1.0 0 0.0 0.0\n", "1.0 0 0.0 -95.0\n",
       "line 16: wall-and-water record, item 9 (ExcavationSlope): must lie between -90 and 90 degrees, found "
       "-95 "
       "(the slope of the excavation ground)"},
      {"seed strip of negative width", "0.0 0.0 0.0 0.0 0.0 0.0\n", "0.0 0.0 0.0 0.0 0.0 -3.0\n",
       "line 17: surcharge record, item 6 (strip width): must not be negative, found -3"},
      {"seed in front of the wall", "0.0 0.0 0.0 0.0 0.0 0.0\n", "0.0 -2.0 0.0 0.0 0.0 0.0\n",
       "line 17: surcharge record, item 2 (horizontal distance): must not be negative, found -2 (from the "
       "wall "
       "into the backfill)"},
      {"surcharge type 4", "1 100.0 30.0", "4 100.0 30.0",
       "line 19: surcharge load 1, item 1 (type): 4 is not one of its codes (1 point load, 2 line load, 3 "
       "strip "
       "load)"},
      {"surcharge in front of the wall", "1 100.0 30.0", "1 100.0 -30.0",
       "line 19: surcharge load 1, item 3 (horizontal distance): must not be negative, found -30 (from the "
       "wall "
       "into the backfill)"},
      {"strip of negative width", "1 100.0 30.0 0.0", "3 100.0 30.0 -6.0",
       "line 19: surcharge load 1, item 4 (strip width): must not be negative, found -6"},
      {"negative surcharge factor", "0.0 0.0 1.0\n2 1", "0.0 0.0 -1.0\n2 1",
       "line 19: surcharge load 1, item 6 (factor): must not be negative, found -1 (a multiplier of the "
       "magnitude)"},
  });
}

TEST(InputChecks, SoilControlAndSoilLayers) {
  const std::string sand = "0.0694 0.0 30.0 0.0 25.0 0.0\n0.0694 0.0 30.0 0.0 25.0 0.0\n";
  ExpectRejected({
      {"loading 2", "2 1 0.0\n", "2 2 0.0\n",
       "line 20: soil control record, item 2 (LoadingType): 2 is not one of its codes (0 cyclic loading, 1 "
       "static "
       "loading)"},
      {"negative cycles", "2 1 0.0\n", "2 0 -5.0\n",
       "line 20: soil control record, item 3 (NumCycles): must not be negative, found -5"},
      {"soil type 9", "4 72.0\n", "9 72.0\n",
       "line 21: soil layer 1, record L1, item 1 (SoilTypeCode): 9 is not one of its codes (1 soft clay, 2 "
       "stiff "
       "clay below the water table, 3 stiff clay above the water table, 4 sand, 5 silt, 6 rock, 7 weak "
       "rock)"},
      {"soil type -4", "4 72.0\n", "-4 72.0\n",
       "line 21: soil layer 1, record L1, item 1 (SoilTypeCode): -4 is not one of its codes (1 soft clay, 2 "
       "stiff "
       "clay below the water table, 3 stiff clay above the water table, 4 sand, 5 silt, 6 rock, 7 weak "
       "rock)"},
      {"negative unit weight", sand, "-0.0694 0.0 30.0 0.0 25.0 0.0\n",
       "line 22: soil layer 1, record L2 (layer top), item 1 (UnitWeight): must be positive, found -0.0694 "
       "(the "
       "overburden grows with it)"},
      {"friction angle of 320 degrees", sand, "0.0694 0.0 30.0 0.0 25.0 0.0\n0.0694 0.0 320.0 0.0 25.0 0.0\n",
       "line 23: soil layer 1, record L3 (layer bottom), item 3 (PHI): must lie from 0 to 60 degrees, found "
       "320 "
       "(no soil has a larger friction angle; near 90 degrees the passive coefficient tan^2(45 + PHI/2) "
       "grows "
       "without bound)"},
      {"friction angle of 89.99 degrees", sand, "0.0694 0.0 89.99 0.0 25.0 0.0\n",
       "line 22: soil layer 1, record L2 (layer top), item 3 (PHI): must lie from 0 to 60 degrees, found "
       "89.99 "
       "(no soil has a larger friction angle; near 90 degrees the passive coefficient tan^2(45 + PHI/2) "
       "grows "
       "without bound)"},
      {"weightless soil", sand, "0.0 0.0 30.0 0.0 25.0 0.0\n",
       "line 22: soil layer 1, record L2 (layer top), item 1 (UnitWeight): must be positive, found 0 (the "
       "overburden grows with it)"},
      {"negative E50", sand, "0.0694 0.0 30.0 -0.01 25.0 0.0\n",
       "line 22: soil layer 1, record L2 (layer top), item 4 (E50): must not be negative, found -0.01"},
      {"negative strength", sand, "0.0694 -1.0 30.0 0.0 25.0 0.0\n",
       "line 22: soil layer 1, record L2 (layer top), item 2 (S): must not be negative, found -1"},
      {"negative optional coefficient", sand, "0.0694 0.0 30.0 0.0 25.0 -0.3\n",
       "line 22: soil layer 1, record L2 (layer top), item 6 (RQD or OptionalCoefficient): must not be "
       "negative, "
       "found -0.3 (an earth-pressure coefficient)"},
      {"RQD of 150 percent", "4 72.0\n" + sand, "6 72.0\n0.0694 100.0 0.0 0.0 0.0 150.0\n",
       "line 22: soil layer 1, record L2 (layer top), item 6 (RQD or OptionalCoefficient): must lie from 0 "
       "to 100 "
       "percent, found 150 (the RQD of rock)"},
      {"clay without E50 below the excavation", "0.065 6.0 0.0 0.01", "0.065 6.0 0.0 0.0",
       "line 26: soil layer 2, record L3 (layer bottom), item 4 (E50): must be positive, found 0 (the p-y "
       "curves "
       "of clay are scaled by y50, which is proportional to E50; with 0 they are flat)"},
      {"stiff clay without strength", "1 240.0\n0.065 4.0", "3 240.0\n0.065 0.0",
       "line 25: soil layer 2, record L2 (layer top), item 2 (S): must be positive, found 0 (the p-y curves "
       "of "
       "clay are scaled by its strength)"},
      {"weak rock without krm", "1 240.0\n0.065 4.0 0.0 0.01", "7 240.0\n0.065 4.0 0.0 0.0",
       "line 25: soil layer 2, record L2 (layer top), item 4 (E50): must be positive, found 0 (krm of weak "
       "rock: "
       "the p-y curve is scaled by yrm = krm x WP)"},
  });
  // Clay that no generated curve reaches needs neither strength nor E50.
  const std::string clay_above =
      Replace(kBase, "4 72.0\n" + sand, "1 48.0\n0.065 0.0 0.0 0.0 0.0 0.0\n0.065 0.0 0.0 0.0 0.0 0.0\n");
  EXPECT_EQ(RunText(clay_above).Result.Status, DARNEK_OK);
  const std::string user_curves_only =
      Replace(Replace(kBase, "1 0 1 1 1 2 2", "1 0 1 1 1 2 0"), "0.065 6.0 0.0 0.01", "0.065 6.0 0.0 0.0");
  // Read and analysed; the stage does not close.
  EXPECT_EQ(RunText(user_curves_only).Result.Status, DARNEK_ANALYSIS_FAILED);
}

TEST(InputChecks, UserPyCurveMultipliers) {
  ExpectRejected({
      {"negative p-multiplier", "5 2 1.0 1.0\n", "5 2 -1.0 1.0\n",
       "line 27: user p-y curve 1, item 3 (P-MULTIPLIER): must not be negative, found -1 (a multiplier of "
       "the soil "
       "resistance)"},
      {"zero y-multiplier", "5 2 1.0 1.0\n", "5 2 1.0 0.0\n",
       "line 27: user p-y curve 1, item 4 (Y-MULTIPLIER): must be positive, found 0 (a multiplier of the "
       "deflections)"},
  });
}

TEST(InputChecks, ARecordOnSeveralLinesNamesWhereItBeganAndADecimalCommaIsNamed) {
  ExpectRejected({
      {"value missing from a line", "0 0 0.5 0 0\n", "0 0 0.5 0\n",
       "line 10 (the record began on line 9): cross section 1, closing record, item 5 (integer 4): expected "
       "an "
       "integer, found 'NONE'"},
      {"value missing before a negative one", "5 2 1.0 1.0\n", "5 2 1.0\n",
       "line 28 (the record began on line 27): user p-y curve 1, item 4 (Y-MULTIPLIER): must be positive, "
       "found "
       "-10 (a multiplier of the deflections)"},
      {"decimal comma", "1000.0 1.0 0 0.0", "1000.0 1,5 0 0.0",
       "line 16: wall-and-water record, item 7 (WaterPressureFlag): 5 is not one of its codes (0 not added, "
       "1 "
       "water pressure added below the backfill water table in drained layers); '1,5' on line 16 looks like "
       "a "
       "number written with a decimal comma, which reads as two values: write 1.5"},
  });
}

TEST(InputChecks, WarningsLetTheRunGoOn) {
  std::string input = Replace(kBase, "60.0 12.0 120.0 50", "60.0 12.0 114.0 50");  // 20 x 6 = 120
  input = Replace(input, "0.0 10.0 1\n", "1.0 9.0 1\n");
  input = Replace(input, "'NONE'\n0\n0\n", "'NONE'\n-2\n0\n");
  input = Replace(input, "1 0 1 1 1 2 2 1", "1 0 1 1 -1 2 2 1");
  input = Replace(input, "1\n0.0 1.0 1.0\n60.0", "60.0");  // no factor records follow
  const auto out = RunText(input);
  ASSERT_EQ(out.Result.Status, DARNEK_OK) << out.Result.Message;
  EXPECT_EQ(out.Result.Stages.at(0).Outcome, "closed");
  const char* const warnings[] = {
      "line 2: first control line, item 5 (NumPyModificationFactors): the count -1 is negative and is read "
      "as none",
      "line 3: second control line, item 7 (WallHeight): 114 differs from NumIncrements x IncrementLength = "
      "20 x 6 "
      "= 120, the length of the wall that is analysed (WallHeight is only printed)",
      "line 4: wall section row 1, item 1 (SectionTop): the wall sections begin 1 ft below the top of the "
      "wall; the "
      "first section is extended to the top",
      "line 4: wall section row 1, item 2 (SectionBottom): the wall sections end at 9 ft, above the tip of "
      "the wall "
      "at 10 ft; the last section is extended to the tip",
      "line 11: stiffness and load count, item 1 (NumStiffnessRows): the count -2 is negative and is read as "
      "none",
  };
  for (const char* w : warnings) {
    EXPECT_EQ(Count(out.Report, "      **** WARNING ****\n      " + std::string(w) + "\n"), 1) << w;
    EXPECT_EQ(Count(out.Console, "wall.dat, " + std::string(w) + "\n"), 1) << w;
  }
  EXPECT_EQ(Count(out.Report, "**** WARNING ****"), 5);
  EXPECT_EQ(Count(out.Console, " **** WARNING **** "), 5);
  // The control-line warnings follow the control echo.
  EXPECT_GT(out.Report.find("NumPyModificationFactors): the count -1"), out.Report.find("NO OF TIE BACKS"));
}

// Geometry that cannot be analysed is refused where it is read, in the
// input's words; depths that disagree are warned of, with the slip of a unit
// named where one explains them.
TEST(InputChecks, GeometryIsCheckedWhereItIsRead) {
  const std::string kSand = "0.0694 0.0 30.0 0.0 25.0 0.0\n0.0694 0.0 30.0 0.0 25.0 0.0\n";
  ExpectRejected({
      {"a wall that does not reach below the cut", "60.0 12.0 12.0 1000.0", "120.0 12.0 12.0 1000.0",
       "line 16: wall-and-water record, item 1 (FreeHeight): 120 puts the excavation level at or below the "
       "tip "
       "of the wall at 120 (NumIncrements x IncrementLength = 20 x 6): no station of the wall is embedded, "
       "so "
       "no generated p-y curve holds it"},
      {"soil that ends above the cut", "4 72.0\n" + kSand + "1 240.0\n", "4 30.0\n" + kSand + "1 50.0\n",
       "line 24: soil layer 2, record L1, item 2 (LayerBottomDepth): the soil layers end at 50, at or above "
       "the "
       "excavation level FreeHeight = 60: the ground below the excavation, which holds the wall, must be "
       "given"},
  });
  const struct {
    std::string From, To;
    std::vector<std::string> Warnings;
  } cases[] = {
      {"60.0 12.0 12.0 1000.0",
       "5.0 12.0 12.0 1000.0",
       {"line 16: wall-and-water record, item 1 (FreeHeight): 5 lies far from DividingDepth = 60, which is "
        "normally the excavation level too; DividingDepth is 12 times it: was FreeHeight given in feet? both "
        "are read in inches",
        "line 13: tie-back row 1, item 1 (depth): 2 ft lies below the excavation level FreeHeight = 0.416667 "
        "ft: anchors are set from the excavation, above its level"}},
      {"2.0 1.5 29000000.0",
       "72.0 1.5 29000000.0",
       {"line 13: tie-back row 1, item 1 (depth): 72 ft lies below the tip of the wall at 10 ft "
        "(NumIncrements x IncrementLength): was it given in inches? tie-back depths are read in feet"}},
      {"2.0 1.5 29000000.0",
       "12.0 1.5 29000000.0",
       {"line 13: tie-back row 1, item 1 (depth): 12 ft lies below the tip of the wall at 10 ft "
        "(NumIncrements x IncrementLength)"}},
      {"0.0 10.0 1\n",
       "0.0 120.0 1\n",
       {"line 4: wall section row 1, item 2 (SectionBottom): 120 ft lies below the tip of the wall at 10 ft "
        "(NumIncrements x IncrementLength); the wall ends there: was it given in inches? wall-section depths "
        "are read in feet"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.To);
    const auto out = RunText(Replace(kBase, c.From, c.To));
    for (const std::string& w : c.Warnings)
      EXPECT_EQ(Count(out.Report, "      **** WARNING ****\n      " + w + "\n"), 1) << out.Report;
    EXPECT_EQ(Count(out.Console, " **** WARNING **** "), static_cast<int>(c.Warnings.size())) << out.Console;
  }
}

// A tie-back stressed in one stage and given 0 in the next is a file for
// stage memory; a prestress repeated in every stage, one for independent
// stages. Each run in the other mode says so at the second stage's row.
TEST(InputChecks, ATieBackWrittenForTheOtherStageModeIsWarnedOf) {
  const std::string two = Replace(kBase, "1 0 1 1 1 2 2 1 1 0 1 0", "1 0 1 1 1 2 2 1 2 0 1 0");
  const auto stages = [&](const std::string& second_prestress) {
    const std::string second = Replace(two, "8.0 1000.0\n", "8.0 " + second_prestress + "\n");
    return two + second.substr(0, second.size() - 2) + "2\n";
  };
  const std::string memory_file = stages("0.0"), alone_file = stages("1000.0");
  RunOptions memory;
  memory.StageMemory = true;
  const auto warnings = [](const testing::RunOutput& out) {
    return Count(out.Console, " **** WARNING **** ");
  };
  const auto memory_alone = RunText(memory_file);
  EXPECT_EQ(warnings(memory_alone), 1);
  EXPECT_NE(memory_alone.Console.find("line 43: tie-back row 1, item 7 (prestress force): 0, where stage 1 "
                                      "prestressed the tie-back at this depth to 1000: the stages are "
                                      "analysed independently"),
            std::string::npos)
      << memory_alone.Console;
  const auto alone_memory = RunText(alone_file, memory);
  EXPECT_EQ(warnings(alone_memory), 1);
  EXPECT_NE(alone_memory.Console.find("line 43: tie-back row 1, item 7 (prestress force): 1000 repeats the "
                                      "prestress of stage 1 at this depth: with stage memory"),
            std::string::npos)
      << alone_memory.Console;
  EXPECT_EQ(warnings(RunText(memory_file, memory)), 0);
  EXPECT_EQ(warnings(RunText(alone_file)), 0);
}

}  // namespace
}  // namespace darnek
