// The pressure profile: cuts at the excavation level and the water table,
// the overburden at the layer tops, the coefficients and the profile errors.
#include <cmath>
#include <numbers>

#include "core/errors.h"
#include "pressure/earth_pressure.h"
#include "pressure/pressure_fixture.h"
#include "pressure/pressure_steps.h"

namespace darnek::pressure {
namespace {

// Relative: angles are turned into radians with the single-precision 57.2958,
// which moves the coefficients by up to about 2e-6 of their value.
constexpr double kAngleTolerance = 3e-6;

double Deg(double degrees) { return degrees * std::numbers::pi / 180; }

class Profile : public testing::PressureTest {
 protected:
  void Compute() {
    BuildPressureProfile(ctx.Data);
    ComputeOverburden(ctx.Data);
    ComputeCoefficients(ctx.Data);
  }
};

TEST_F(Profile, ZeroFrictionGivesUnitCoefficients) {
  Wall(120, 10, 24);
  Layer(1, 480, 0.07, 0, 5);
  Compute();
  EXPECT_NEAR(P(1).Ka, 1, kAngleTolerance);
  EXPECT_NEAR(P(1).Kp, 1, kAngleTolerance);
  EXPECT_DOUBLE_EQ(P(1).K0, 1);
}

TEST_F(Profile, SlopingBackfillUsesTheRankineSlopeFormulaForEitherSign) {
  Wall(120, 10, 24);
  Layer(4, 480, 0.07, 30);
  ctx.Data.Wall.BackfillSlope = 20;
  Compute();
  const double cb = std::cos(Deg(20)), cp = std::cos(Deg(30));
  const double r = std::sqrt(cb * cb - cp * cp);
  EXPECT_NEAR(P(1).Ka, cb * (cb - r) / (cb + r), kAngleTolerance * P(1).Ka);
  EXPECT_NEAR(P(1).Kp, 3, 3 * kAngleTolerance);  // the passive side ignores the slope
  const double positive = P(1).Ka;
  ctx.Data.Wall.BackfillSlope = -20;
  Compute();
  EXPECT_DOUBLE_EQ(P(1).Ka, positive);
  EXPECT_EQ(log.str(), "");
}

TEST_F(Profile, SlopeAsSteepAsFrictionWarnsTwiceAboveTheExcavationOnly) {
  Wall(120, 10, 24);
  Layer(4, 480, 0.07, 30);
  ctx.Data.Wall.BackfillSlope = 30;
  Compute();
  ASSERT_EQ(ctx.Data.Pressure.NL, 2);  // cut at the excavation level
  for (int L = 1; L <= 2; ++L) EXPECT_NEAR(P(L).Ka, 1.0 / 3, kAngleTolerance);
  WriteCoefficientTable(ctx);
  const std::string warning =
      "\n\n**** WARNING ******\n"
      "THE BACKFILL SLOPE ANGLE SHOULD BE LESS THAN THE 'INTERNAL FRICTION ANGLE OF SAND.\n";
  EXPECT_EQ(log.str(), warning);
  EXPECT_EQ(Count(report.str(), warning), 1);  // for layer 1, not for layer 2 below H
  const std::string row = "              0.333             3.000             0.000";
  EXPECT_NE(report.str().find(warning + "           1" + row + "\n           2" + row + "\n"),
            std::string::npos);
}

TEST_F(Profile, OptionalCoefficientReplacesKaButTheTableShowsTheComputedOne) {
  Wall(120, 10, 24);
  Layer(4, 480, 0.07, 30, 0, 0.5);
  Compute();
  EXPECT_EQ(P(1).Ka, 0.5);
  EXPECT_EQ(P(1).SqrtKa, 0);
  WriteCoefficientTable(ctx);
  EXPECT_EQ(Lines(report).back(), "           2              0.333             3.000             0.500");
}

TEST_F(Profile, WaterTableInsideALayerSplitsItAndOneOnABoundaryDoesNot) {
  Wall(120, 20, 24);
  Layer(4, 100, 0.07, 30);
  Layer(4, 480, 0.07, 34);
  ctx.Data.Wall.WaterDepthBackfill = 60;
  const EarthPressureData& ep = ctx.Data.Pressure;
  BuildPressureProfile(ctx.Data);
  ASSERT_EQ(ep.NL, 4);  // 0-60, 60-100, 100-120, 120-480
  EXPECT_EQ(P(2).ZTOP, 60);
  EXPECT_EQ(P(2).T, 40);
  EXPECT_EQ(P(1).Phi, P(2).Phi);
  EXPECT_EQ(ep.LW, 2);
  EXPECT_EQ(ep.LP, 4);

  ctx.Data.Wall.WaterDepthBackfill = 100 + 5e-6;
  BuildPressureProfile(ctx.Data);
  EXPECT_EQ(ep.NL, 3);
  EXPECT_EQ(ep.LW, 2);
  EXPECT_EQ(ep.LP, 3);

  ctx.Data.Wall.FreeHeight = 0;  // no cut at the surface
  ctx.Data.Wall.WaterDepthBackfill = 1000;
  BuildPressureProfile(ctx.Data);
  EXPECT_EQ(ep.NL, 2);
  EXPECT_EQ(ep.LP, 1);
  EXPECT_EQ(ep.LW, 0);
}

TEST_F(Profile, OverburdenIsEffectiveBelowTheWaterTable) {
  const double gw = static_cast<double>(0.036f);
  Wall(120, 20, 24);
  Layer(4, 480, 0.07, 30);
  ctx.Data.Wall.SurfacePressure = 2;
  ctx.Data.Wall.WaterDepthBackfill = 60;
  Compute();
  EXPECT_FALSE(P(1).SubmergedFlag);
  EXPECT_TRUE(P(2).SubmergedFlag);
  EXPECT_DOUBLE_EQ(P(2).SIGVP, 2 + 0.07 * 60);
  EXPECT_NEAR(P(3).SIGVP, 2 + 0.07 * 120 - 60 * gw, 1e-12);

  // A negative depth means no water table at all.
  ctx.Data.Wall.WaterDepthBackfill = -1;
  Compute();
  EXPECT_EQ(ctx.Data.Pressure.NL, 2);
  EXPECT_EQ(ctx.Data.Pressure.LW, 0);
  EXPECT_DOUBLE_EQ(P(2).SIGVP, 2 + 0.07 * 120);
}

TEST_F(Profile, SubmergedClayWithAGivenCoefficientWorksWithTotalStress) {
  Wall(120, 20, 24);
  Layer(4, 60, 0.07, 30);
  Layer(1, 480, 0.06, 0, 4, 0.8);
  ctx.Data.Wall.WaterDepthBackfill = 0;
  Compute();
  EXPECT_NEAR(P(2).SIGVP, 60 * 0.07, 1e-12);
  WriteOverburdenTable(ctx);
  const auto lines = Lines(report);
  EXPECT_NE(Find(lines, "                 FT                       LBS/IN**2"), -1);
  EXPECT_NE(Find(lines, "                 5.000                      2.040"), -1);  // effective
}

TEST_F(Profile, UnusableProfilesStopAfterTheEcho) {
  Wall(120, 20, 24);
  Layer(4, 120, 0.07, 30);  // ends at the excavation level
  try {
    GeneratePressureDiagram(ctx);
    FAIL();
  } catch (const FatalStop& e) {
    EXPECT_EQ(e.code(), 1);
  }
  EXPECT_NE(report.str().find("SOIL INFORMATION"), std::string::npos);
  EXPECT_EQ(report.str().find("OVERBURDEN"), std::string::npos);

  ctx.Data.Soil.Layers.clear();
  for (int i = 1; i <= 20; ++i) Layer(4, 24.0 * i, 0.07, 30);
  ctx.Data.Wall.WaterDepthBackfill = 30;  // the 21st pressure layer
  try {
    GeneratePressureDiagram(ctx);
    FAIL();
  } catch (const FatalStop& e) {
    EXPECT_EQ(e.code(), 2);
  }
}

}  // namespace
}  // namespace darnek::pressure
