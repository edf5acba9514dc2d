// The earth-pressure report: the input echo, the layer resultants with their
// tension cracks and water, and the warning on a net negative resultant.
#include "pressure/earth_pressure.h"
#include "pressure/pressure_fixture.h"
#include "pressure/pressure_steps.h"

namespace darnek::pressure {
namespace {

class Echo : public testing::PressureTest {
 protected:
  void Resultants() {
    BuildPressureProfile(ctx.Data);
    ComputeOverburden(ctx.Data);
    ComputeCoefficients(ctx.Data);
    ComputeLayerResultants(ctx.Data);
    WriteLayerResultants(ctx);
  }
};

TEST_F(Echo, WallSurchargeAndSoilInformation) {
  Wall(120, 20, 12);
  Layer(4, 300, 0.07, 30);
  ctx.Data.Wall.WA = 24;
  ctx.Data.Wall.WaterDepthBackfill = 100;
  AddSurcharge(2, 50, 30, 0, 6, 2);
  BuildPressureProfile(ctx.Data);
  WritePressureInput(ctx);
  const auto lines = Lines(report);
  ASSERT_EQ(lines.size(), 46u);
  EXPECT_EQ(lines[4], "      *                WALL INFORMATION                *");
  EXPECT_EQ(lines[8], "      FREE HEIGHT OF WALL                    =     10.000 FT     ");
  EXPECT_EQ(lines[9], "      WIDTH FOR EARTH PRESSURE, WA           =     24.000 IN");
  EXPECT_EQ(lines[13], "      UNIT WEIGHT OF WATER                   =      0.036 LBS/IN**3");
  EXPECT_EQ(lines[15], "      SLOPE OF THE EXCAVATION GROUND (deg.)  =      0.000");
  EXPECT_EQ(lines[25], "      UNIFORM SURFACE PRESSURE     =     0.000 LBS/IN**2");
  EXPECT_EQ(lines[27], "      SURCHARGE LOADING NO.        =          1");
  EXPECT_EQ(lines[28], "      LINE LOAD                    =     50.000 LBS/IN");
  EXPECT_EQ(lines[31], "      VERTICAL DISTANCE BETWEEN    =      6.000 IN");
  EXPECT_EQ(lines[33], "      FACTOR FOR SURCHARGE LOAD    =      2.000");
  EXPECT_EQ(lines[42], "       NO.      FT        PSI       DEG     PCI     T OR F   FT");
  EXPECT_EQ(lines[43], "         1  0.8E+01   0.0E+00   0.3E+020.700E-01     T  0.00E+00");
}

TEST_F(Echo, LayerResultantsOfDrySandAndOfATensionCrack) {
  Wall(120, 20, 12);
  Layer(4, 300, 0.07, 30);
  Resultants();
  EXPECT_NE(Find(Lines(report), "        NO   LBS/IN     FT     LBS/IN     FT     LBS/IN     FT     LBS/IN"),
            -1);
  // PA2 = 0.5 Ka gamma H^2 = 168 lb/in at 2H/3.
  EXPECT_EQ(Lines(report).back(),
            "       1   0.00E+00   5.00   0.17E+03   6.67  -0.00E+00  -0.00   0.00E+00");
  EXPECT_EQ(console.str(), "");

  // Clay, c = 2: -4 psi at the top, 4.4 psi at the excavation level.
  ctx.Data.Soil.Layers.clear();
  Layer(1, 300, 0.07, 0, 2);
  Resultants();
  const double h = 120 * 4.4 / 8.4;
  EXPECT_NEAR(P(1).PA4, 0.5 * 4.4 * h, 1e-3);
  EXPECT_NEAR(P(1).Z3, 120 - h / 3, 1e-3);
  EXPECT_EQ(P(1).PA1 + P(1).PA2 + P(1).PA3, 0);
  EXPECT_EQ(Lines(report).back(),
            "       1   0.00E+00   5.00   0.00E+00   6.67   0.00E+00   8.25   0.14E+03");
}

TEST_F(Echo, NetNegativeResultantWarnsOnTheConsoleAndInTheReport) {
  Wall(0, 20, 12);
  Layer(4, 300, 0.07, 30);
  Resultants();
  const std::string warning = "\n\n     Net active pressure is negative.\n\n";
  EXPECT_EQ(console.str(), warning);
  EXPECT_EQ(report.str().substr(report.str().size() - warning.size()), warning);
}

TEST_F(Echo, WaterAboveTheExcavationLevelSwitchesWaterPressureOn) {
  Wall(120, 20, 12);
  Layer(4, 300, 0.07, 30);
  ctx.Data.Wall.WaterDepthBackfill = 200;
  Resultants();
  EXPECT_EQ(ctx.Data.Wall.WaterPressureFlag, WaterPressure::NotAdded);
  EXPECT_EQ(report.str().find("ACTIVE WATER"), std::string::npos);

  ctx.Data.Wall.WaterDepthBackfill = 60;
  Resultants();
  EXPECT_EQ(ctx.Data.Wall.WaterPressureFlag, WaterPressure::Added);
  // 0.5 gamma_w T^2 = 64.8 lb/in over the 5 ft below the water table.
  EXPECT_EQ(Lines(report).back(), "       2   0.00E+00   7.50   0.65E+02   8.33");
}

TEST_F(Echo, LayerResultantsUseTheLastSurchargeEntryOrTheSurchargeRecord) {
  Wall(120, 20, 12);
  Layer(4, 300, 0.07, 30);
  Resultants();
  const double soil = P(1).PA1;
  AddSurcharge(1, 1000, 24);
  ComputeLayerResultants(ctx.Data);
  const double point = P(1).PA1 - soil;
  EXPECT_GT(point, 0);
  ctx.Data.Wall.SurchargeLoads.insert(ctx.Data.Wall.SurchargeLoads.begin(),
                                      {SurchargeType::Line, 500, 10, 0, 0, 1});
  ComputeLayerResultants(ctx.Data);
  EXPECT_DOUBLE_EQ(P(1).PA1 - soil, point);
  ctx.Data.Wall.SurchargeLoads.clear();
  ctx.Data.Wall.SeedDistance = 24;
  ctx.Data.Wall.SeedPointLoad = 1000;
  ComputeLayerResultants(ctx.Data);
  EXPECT_DOUBLE_EQ(P(1).PA1 - soil, point);
}

}  // namespace
}  // namespace darnek::pressure
