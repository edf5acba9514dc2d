#include "soil/soil_profile.h"

#include "core/errors.h"
#include "soil/soil_constants.h"
#include "soil_fixture.h"

namespace darnek::soil {
namespace {

using testing::AddLayer;
using testing::CountOccurrences;
using testing::EnglishWall;
using testing::SoilRun;
using testing::Values;

constexpr double kRad = 3.1415998935699463 / 180;  // the profile's degree factor

TEST(SoilProfile, FirstLayerEndingExactlyAtTheExcavationLevelIsSkipped) {
  SoilRun run;
  EnglishWall(run.d());
  AddLayer(run.d(), 4, 120, Values(0.07, 0, 30, 0), Values(0.07, 0, 30, 0));
  AddLayer(run.d(), 1, 600, Values(0.06, 3, 0, 0.01), Values(0.06, 3, 0, 0.01));
  BuildSoilProfile(run.Ctx);
  const SoilProfile& p = run.d().Profile;
  ASSERT_EQ(p.Layers.size(), 1u);
  EXPECT_EQ(p.Layers[0].SoilTypeCode, SoilType::SoftClay);
  EXPECT_EQ(p.Layers[0].InputLayer, 1);
  EXPECT_EQ(p.Layers[0].Top, 0.0);
  // 240 + 2 x 6 - 120: the profile stops at the second station below the tip.
  EXPECT_EQ(p.ProfileDepthLimit, 132.0);
  EXPECT_EQ(p.Layers[0].Bottom, 132.0);
  ASSERT_EQ(p.StrengthCurve.size(), 2u);
  EXPECT_EQ(p.StrengthCurve[1].Z, 132.0);
  // The unit-weight curve is not truncated.
  EXPECT_EQ(p.UnitWeightCurve.back().Z, 480.0);
}

TEST(SoilProfile, FirstLayerReachingJustBelowTheExcavationLevelIsKept) {
  SoilRun run;
  EnglishWall(run.d());
  AddLayer(run.d(), 4, 120 + 1e-9, Values(0.07, 0, 30, 0), Values(0.07, 0, 30, 0));
  AddLayer(run.d(), 1, 600, Values(0.06, 3, 0, 0.01), Values(0.06, 3, 0, 0.01));
  BuildSoilProfile(run.Ctx);
  const SoilProfile& p = run.d().Profile;
  ASSERT_EQ(p.Layers.size(), 2u);
  EXPECT_EQ(p.Layers[0].SoilTypeCode, SoilType::Sand);
  EXPECT_NEAR(p.Layers[0].Bottom, 1e-9, 1e-13);
  EXPECT_EQ(p.Layers[1].Top, p.Layers[0].Bottom);
  // The two strength points of the boundary share one depth exactly.
  EXPECT_EQ(p.StrengthCurve[1].Z, p.StrengthCurve[2].Z);
}

TEST(SoilProfile, TruncatedLayerTakesItsLinearValuesAtTheLimit) {
  SoilRun run;
  EnglishWall(run.d());
  AddLayer(run.d(), 1, 384, Values(0.06, 2, 10, 0.01, 0, 20), Values(0.06, 4, 20, 0.03, 0, 40));
  AddLayer(run.d(), 4, 600, Values(0.07, 0, 30, 0), Values(0.07, 0, 30, 0));
  BuildSoilProfile(run.Ctx);
  const SoilProfile& p = run.d().Profile;
  // Layer 1 spans 0 .. 264 below the excavation; 132 is half-way.
  ASSERT_EQ(p.Layers.size(), 1u);
  ASSERT_EQ(p.StrengthCurve.size(), 2u);
  const StrengthPoint& last = p.StrengthCurve[1];
  EXPECT_EQ(last.Z, 132.0);
  EXPECT_DOUBLE_EQ(last.S, 3.0);
  EXPECT_DOUBLE_EQ(last.PHI, 15 * kRad);
  EXPECT_DOUBLE_EQ(last.E50, 0.02);
  EXPECT_DOUBLE_EQ(last.RQD, 30.0);
  // Both layers keep their unit-weight points.
  EXPECT_EQ(p.UnitWeightCurve.size(), 4u);
}

TEST(SoilProfile, UnitWeightIsSubmergedFromALayerTopAtTheWaterTable) {
  SoilRun run;
  EnglishWall(run.d());
  run.d().Wall.WaterDepthBackfill = 240;
  AddLayer(run.d(), 1, 240, Values(0.07, 3, 0, 0.01), Values(0.07, 3, 0, 0.01));
  AddLayer(run.d(), 1, 600, Values(0.065, 3, 0, 0.01), Values(0.065, 3, 0, 0.01));
  BuildSoilProfile(run.Ctx);
  const std::vector<UnitWeightPoint>& c = run.d().Profile.UnitWeightCurve;
  const double water = 0.035999998450279236;
  EXPECT_EQ(run.d().Profile.UnitWeightWater, water);
  ASSERT_EQ(c.size(), 4u);
  EXPECT_EQ(c[1].Z, 120.0);
  EXPECT_EQ(c[1].Gamma, 0.07);  // a bottom exactly at the water table is still dry
  EXPECT_EQ(c[2].Z, 120.0);
  EXPECT_EQ(c[2].Gamma, 0.065 - water);
}

TEST(SoilProfile, WaterTableInsideALayerPlacesAFullWeightPointThere) {
  SoilRun run;
  EnglishWall(run.d());
  const double water = 0.035999998450279236;
  // Water table 60 in below the excavation, inside the first of two layers:
  // the curve runs from the full weight at the water table to the next top.
  run.d().Wall.WaterDepthBackfill = 180;
  AddLayer(run.d(), 1, 200, Values(0.07, 3, 0, 0.01), Values(0.07, 3, 0, 0.01));
  AddLayer(run.d(), 4, 250, Values(0.066, 0, 30, 0), Values(0.066, 0, 30, 0));
  BuildSoilProfile(run.Ctx);
  {
    const std::vector<UnitWeightPoint>& c = run.d().Profile.UnitWeightCurve;
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c[1].Z, 60.0);
    EXPECT_EQ(c[1].Gamma, 0.07);
    EXPECT_EQ(c[2].Z, 80.0);
    EXPECT_EQ(c[2].Gamma, 0.066 - water);
    // Mean weight at 70: the dry 60 in and half of the sloping segment.
    const double g70 = 0.07 + (0.066 - water - 0.07) * 0.5;
    EXPECT_DOUBLE_EQ(AverageUnitWeightAt(run.Ctx, 70), (0.07 * 60 + 0.5 * (0.07 + g70) * 10) / 70);
    EXPECT_EQ(AverageUnitWeightAt(run.Ctx, 0), 0.07);
    EXPECT_EQ(AverageUnitWeightAt(run.Ctx, -1), 0.0);
  }

  // Inside the last layer: two submerged points carry the curve to the end
  // of the strength curve.
  run.d().Wall.WaterDepthBackfill = 220;
  BuildSoilProfile(run.Ctx);
  const std::vector<UnitWeightPoint>& c = run.d().Profile.UnitWeightCurve;
  ASSERT_EQ(c.size(), 6u);
  EXPECT_EQ(c[3].Z, 100.0);
  EXPECT_EQ(c[3].Gamma, 0.066);
  EXPECT_EQ(c[4].Z, 100.0);
  EXPECT_EQ(c[4].Gamma, 0.066 - water);
  EXPECT_EQ(c[5].Z, 130.0);
  EXPECT_EQ(c[5].Gamma, 0.066 - water);
  EXPECT_EQ(run.d().Profile.StrengthCurve.back().Z, 130.0);
  EXPECT_DOUBLE_EQ(AverageUnitWeightAt(run.Ctx, 130), (0.07 * 80 + 0.066 * 20 + (0.066 - water) * 30) / 130);
  // Below the curve the run stops without a message.
  EXPECT_THROW(AverageUnitWeightAt(run.Ctx, 131), FatalStop);
  EXPECT_EQ(run.Console.str(), "");
}

TEST(SoilProfile, BoundaryTakesTheLowerStrengthButTheMeanOfTheOtherValues) {
  SoilRun run;
  EnglishWall(run.d());
  AddLayer(run.d(), 1, 170, Values(0.06, 2, 20, 0.01, 0, 50), Values(0.06, 3, 24, 0.02, 0, 60));
  AddLayer(run.d(), 5, 200, Values(0.06, 5, 30, 0, 0, 0), Values(0.06, 6, 32, 0.005, 0, 0));
  AddLayer(run.d(), 1, 230, Values(0.06, 0, 0, 0.03), Values(0.06, 0, 0, 0.03));
  BuildSoilProfile(run.Ctx);
  RunContext& ctx = run.Ctx;
  // Boundary at 50 below the excavation.
  EXPECT_EQ(StrengthAt(ctx, 50), 5.0);
  EXPECT_DOUBLE_EQ(FrictionAngleAt(ctx, 50), 27 * kRad);
  EXPECT_EQ(E50At(ctx, 50), 0.02);  // only the upper value is present
  EXPECT_EQ(RQDAt(ctx, 50), 60.0);
  // Boundary at 80: the lower layer has no strength, so the upper value holds;
  // the upper E50 and the lower E50 are both present.
  EXPECT_EQ(StrengthAt(ctx, 80), 6.0);
  EXPECT_DOUBLE_EQ(FrictionAngleAt(ctx, 80), 32 * kRad);
  EXPECT_DOUBLE_EQ(E50At(ctx, 80), 0.5 * (0.005 + 0.03));
  EXPECT_EQ(RQDAt(ctx, 80), 0.0);
  // Inside a layer: linear; at the last point: its value.
  EXPECT_DOUBLE_EQ(StrengthAt(ctx, 25), 2.5);
  EXPECT_DOUBLE_EQ(FrictionAngleAt(ctx, 65), 31 * kRad);
  EXPECT_EQ(E50At(ctx, 110), 0.03);
}

TEST(SoilProfile, LookupBelowTheSoilTableStopsWithTheWarningTwiceOnTheConsole) {
  SoilRun run;
  EnglishWall(run.d());
  // The soil table ends 80 in below the excavation, above L + 2h.
  AddLayer(run.d(), 1, 200, Values(0.06, 2, 0, 0.01), Values(0.06, 2, 0, 0.01));
  BuildSoilProfile(run.Ctx);
  EXPECT_EQ(run.d().Profile.StrengthCurve.back().Z, 80.0);
  EXPECT_EQ(StrengthAt(run.Ctx, 80), 2.0);
  const std::string report = run.Report.str();
  EXPECT_TRUE(testing::StopsWithWarning(run, [&] { StrengthAt(run.Ctx, 80.5); }));
  const std::string block =
      "\n      **** WARNING ****\n      THE VALUE OF X =      80.500\n      IS BEYOND THE EXTENT OF\n"
      "      THE INPUT STRENGTH CURVE\n";
  EXPECT_EQ(run.Console.str(), block + block);
  EXPECT_EQ(run.Report.str(), report);

  run.Console.str("");
  EXPECT_TRUE(testing::StopsWithWarning(run, [&] { FrictionAngleAt(run.Ctx, 100); }));
  EXPECT_EQ(CountOccurrences(run.Console.str(), "THE INPUT PHI CURVE"), 2);
}

TEST(SoilProfile, BackfillOverburdenIsTotalStressExceptInSubmergedSand) {
  SoilRun run;
  EnglishWall(run.d());
  ProblemData& d = run.d();
  d.Wall.SurfacePressure = 1;
  d.Wall.WaterDepthBackfill = 150;  // inside the clay above the sand
  AddLayer(d, 1, 200, Values(0.07, 3, 0, 0.01), Values(0.07, 3, 0, 0.01));
  AddLayer(d, 4, 400, Values(0.065, 0, 30, 0), Values(0.065, 0, 30, 0));
  AddLayer(d, 2, 600, Values(0.06, 5, 0, 0.005), Values(0.06, 5, 0, 0.005));
  BuildSoilProfile(run.Ctx);
  const double w = 0.035999998450279236;
  EXPECT_DOUBLE_EQ(BackfillOverburdenAt(run.Ctx, 100), 1 + 0.07 * 100);
  // In the first submerged sand the pore pressure from the water table down
  // is taken off, the clay above it included: the stress there is effective.
  EXPECT_DOUBLE_EQ(BackfillOverburdenAt(run.Ctx, 300), 1 + 0.07 * 200 + 0.065 * 100 - w * 150);
  // The stiff clay below the sand adds its full weight.
  EXPECT_DOUBLE_EQ(BackfillOverburdenAt(run.Ctx, 500), 1 + 0.07 * 200 + 0.065 * 200 - w * 250 + 0.06 * 100);
  EXPECT_DOUBLE_EQ(BackfillOverburdenAt(run.Ctx, 600), 1 + 0.07 * 200 + 0.065 * 200 - w * 250 + 0.06 * 200);
  // Sand through the water table: buoyant below it only.
  d.Wall.WaterDepthBackfill = 250;
  EXPECT_DOUBLE_EQ(BackfillOverburdenAt(run.Ctx, 300), 1 + 0.07 * 200 + 0.065 * 100 - w * 50);

  EXPECT_TRUE(testing::StopsWithWarning(run, [&] { BackfillOverburdenAt(run.Ctx, 601); }));
  EXPECT_NE(run.Report.str().find("      **** WARNING ****\n      THE VALUE OF X =     601.000\n"
                                  "      IS BEYOND THE EXTENT OF\n      THE INPUT CURVE FOR UNIT WEIGHT\n"),
            std::string::npos);
  EXPECT_EQ(run.Console.str(), "");
}

TEST(SoilProfile, SetsTheRunValuesOfThePySide) {
  SoilRun run;
  EnglishWall(run.d());
  ProblemData& d = run.d();
  AddLayer(d, 1, 600, Values(0.06, 3, 0, 0.01), Values(0.06, 3, 0, 0.01));
  d.Soil.LoadingType = Loading::Cyclic;
  d.Soil.NumCycles = 0;
  d.Wall.WA = 10;
  d.Wall.WP = 20;
  BuildSoilProfile(run.Ctx);
  EXPECT_EQ(d.Soil.NumCycles, 100.0);
  EXPECT_EQ(d.Profile.WidthRatio, 1.0);
  EXPECT_EQ(d.Run.Labels.LengthLabel2, "IN");

  d.Soil.LoadingType = Loading::Static;
  d.Soil.NumCycles = 0;
  d.Wall.WP = 0;  // no width: the ratio keeps its value
  d.C1.UnitSystemCode = UnitSystem::SI;
  BuildSoilProfile(run.Ctx);
  EXPECT_EQ(d.Soil.NumCycles, 0.0);
  EXPECT_EQ(d.Profile.WidthRatio, 1.0);
  EXPECT_EQ(d.Profile.UnitWeightWater, 9.8100004196167);
  EXPECT_EQ(d.Wall.ReferenceWidth, 0.30479999631643295);
  EXPECT_EQ(d.Run.Labels.LengthLabel2, " M");
}

TEST(SoilProfile, WritesTheSoilLayersAndStrengthSection) {
  SoilRun run;
  EnglishWall(run.d());
  ProblemData& d = run.d();
  d.Soil.LoadingType = Loading::Cyclic;
  AddLayer(d, 1, 170, Values(0.06, 2, 20, 0.01), Values(0.06, 3, 24, 0.02));
  AddLayer(d, 4, 600, Values(0.07, 0, 36, 0), Values(0.07, 0, 36, 0));
  BuildSoilProfile(run.Ctx);
  const std::string expected =
      "\n"
      "\n"
      "      **************************************************\n"
      "      *        SOIL LAYERS AND STRENGTH DATA           *\n"
      "      **************************************************\n"
      "\n"
      "      X AT THE SURFACE OF EXCAVATION SIDE     =     10.000 FT\n"
      "\n"
      "      2 LAYER(S) OF SOIL\n"
      "\n"
      "      LAYER  1\n"
      "          THE SOIL IS A SOFT CLAY\n"
      "               CYCLIC MODEL\n"
      "\n"
      "      LAYER  2\n"
      "          THE SOIL IS A SAND\n"
      "               CYCLIC MODEL\n"
      "\n"
      "\n"
      "      DISTRIBUTION OF EFFECTIVE UNIT WEIGHT WITH DEPTH\n"
      "        4 POINTS\n"
      "\n"
      "           X,FT  WEIGHT,LBS/IN**3\n"
      "        10.0000     6.0000E-02\n"
      "        14.1667     6.0000E-02\n"
      "        14.1667     7.0000E-02\n"
      "        50.0000     7.0000E-02\n"
      "\n"
      "\n"
      "      DISTRIBUTION OF STRENGTH PARAMETERS WITH DEPTH\n"
      "        4 POINTS\n"
      "\n"
      "           X,FT  S,LBS/IN**2  PHI,DEGREES            E50\n"
      "          10.00   2.0000E+00       20.000     1.0000E-02\n"
      "          14.17   3.0000E+00       24.000     2.0000E-02\n"
      "          14.17   0.0000E+00       36.000          -----\n"
      "          21.00   0.0000E+00       36.000          -----\n";
  EXPECT_EQ(run.Report.str(), expected);
}

}  // namespace
}  // namespace darnek::soil
