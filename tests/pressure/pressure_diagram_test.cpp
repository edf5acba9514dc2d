// The pressure diagram: active, water and surcharge columns against their
// closed forms, the floors, the apparent-pressure trapezoid and the scratch
// file that carries the rows.
#include <cmath>
#include <fstream>

#include "core/errors.h"
#include "pressure/earth_pressure.h"
#include "pressure/pressure_fixture.h"
#include "pressure/pressure_steps.h"

namespace darnek::pressure {
namespace {

constexpr double kGamma = 0.07;
const double kWater = static_cast<double>(0.036f);
double Tiny(int row) { return static_cast<double>(static_cast<float>(row) * 1e-12f); }

class Diagram : public testing::PressureTest {
 protected:
  std::vector<PressureRow> Build() {
    BuildPressureProfile(ctx.Data);
    ComputeOverburden(ctx.Data);
    ComputeCoefficients(ctx.Data);
    ComputeLayerResultants(ctx.Data);
    return BuildPressureDiagram(ctx.Data, count);
  }
  int count = 0;
};

TEST_F(Diagram, DrySandGrowsLinearlyToTheExcavationLevelAndStaysConstantBelow) {
  Wall(120, 20, 12);
  Layer(4, 300, kGamma, 30);
  AddSurcharge(3, 2, 30, 20);
  const auto rows = Build();
  ASSERT_EQ(rows.size(), 301u);  // one per inch down to the layer bottom
  EXPECT_EQ(count, 241);         // counted down to the wall bottom
  for (size_t i = 1; i < rows.size(); ++i) {
    const auto& c = rows[i];
    ASSERT_EQ(c.Depth, static_cast<double>(i));
    const double active = P(1).Ka * kGamma * std::min(c.Depth, 120.0);
    const double S = SurchargePressureAt(ctx.Data, c.Depth);
    EXPECT_NEAR(c.Active, active, 1e-12) << "z = " << c.Depth;
    EXPECT_EQ(c.SurchargeLoads, S);
    EXPECT_NEAR(c.Total, active + S, 1e-12) << "z = " << c.Depth;
    EXPECT_NEAR(c.LoadPerStation, active + S, 1e-12) << "z = " << c.Depth;
    EXPECT_EQ(c.Water, 0);
  }
}

TEST_F(Diagram, WaterRisesToTheExcavationLevelAndIsBalancedBelowIt) {
  const double H = 120, f = 0.8;
  Wall(H, 20, 12);
  Layer(4, 300, kGamma, 30);
  ctx.Data.Wall.ActiveModificationFactor = f;
  ctx.Data.Wall.WaterDepthBackfill = 0;
  ctx.Data.Wall.WaterDepthExcavation = H;
  ctx.Data.Wall.WaterPressureFlag = WaterPressure::Added;
  const auto rows = Build();
  for (size_t i = 1; i < rows.size(); ++i) {
    const auto& c = rows[i];
    const double z = std::min(c.Depth, H);
    EXPECT_NEAR(c.Water, kWater * f * z, 1e-12) << "z = " << c.Depth;
    EXPECT_NEAR(c.Active, f * P(1).Ka * (kGamma - kWater) * z, 1e-12) << "z = " << c.Depth;
    EXPECT_NEAR(c.Total, c.Active + c.Water, 1e-12);
  }
}

TEST_F(Diagram, NegativeActivePressureUsesUpWaterPressureAndBecomesTiny) {
  Wall(120, 20, 12);
  Layer(1, 300, kGamma, 0, 1);  // A = 0.034 z - 2 above H, water 0.036 z
  ctx.Data.Wall.WaterDepthBackfill = 0;
  auto rows = Build();
  EXPECT_EQ(rows[10].Active, Tiny(11));  // A + W < 0: both tiny
  EXPECT_EQ(rows[10].Water, Tiny(11));
  EXPECT_EQ(rows[40].Active, Tiny(41));  // water takes the tension up
  EXPECT_NEAR(rows[40].Water, kWater * 40 + (P(1).Ka * kGamma * 40 - 2 * P(1).SqrtKa - kWater * 40), 1e-12);

  ctx.Data.Wall.WaterDepthBackfill = 1e5;  // dry, cohesion above the overburden
  ctx.Data.Soil.Layers[0].Top.S = 5;
  rows = Build();
  for (int i = 1; i <= 120; ++i) {
    EXPECT_EQ(rows[static_cast<size_t>(i)].LoadPerStation, Tiny(i + 1)) << i;
    EXPECT_EQ(rows[static_cast<size_t>(i)].Active, Tiny(i + 1)) << i;
  }
}

// A boundary inside one soil is no physical change: a uniform layer split
// above the water table, between it and the excavation level, or below that,
// gives the same rows, in every soil type (clays in total stress, the others
// drained).
TEST_F(Diagram, SplittingAUniformLayerChangesNoPressure) {
  for (int type = 1; type <= 7; ++type) {
    SCOPED_TRACE("soil type " + std::to_string(type));
    const double c = type <= 3 || type == 5 ? 2.0 : 0.0;
    const double phi = type <= 3 ? 0.0 : 30.0;
    const auto diagram = [&](std::vector<double> splits) {
      ctx.Data.Soil.Layers.clear();
      Wall(200, 25, 12);
      ctx.Data.Wall.WaterDepthBackfill = 60;
      ctx.Data.Wall.WaterDepthExcavation = 200;
      ctx.Data.Wall.SurfacePressure = 1.5;
      splits.push_back(400);
      for (double bottom : splits) Layer(type, bottom, kGamma, phi, c);
      return Build();
    };
    const std::vector<PressureRow> whole = diagram({});
    for (const std::vector<double>& splits : {std::vector<double>{40}, {100}, {250}, {30, 100, 150, 250}}) {
      SCOPED_TRACE("split at " + std::to_string(splits.front()));
      const std::vector<PressureRow> split = diagram(splits);
      ASSERT_EQ(split.size(), whole.size());
      for (size_t i = 0; i < whole.size(); ++i)
        for (double PressureRow::*column : kPressureColumns)
          ASSERT_NEAR(split[i].*column, whole[i].*column, 1e-12) << "z = " << whole[i].Depth;
    }
  }
}

// Clay under sand whose top lies below the water table: the undrained clay
// works in total stress, so above the excavation level its pressure is the
// total overburden less 2c, the water within it included.
TEST_F(Diagram, ClayBelowTheWaterTableCarriesItsWater) {
  Wall(200, 25, 12);
  Layer(4, 80, kGamma, 30);
  Layer(1, 400, kGamma, 0, 2);
  ctx.Data.Wall.WaterDepthBackfill = 40;
  ctx.Data.Wall.WaterDepthExcavation = 200;
  const auto rows = Build();
  for (size_t z = 81; z <= 200; ++z)
    EXPECT_NEAR(rows[z].Total, P(3).Ka * kGamma * z - 2 * 2 * P(3).SqrtKa, 1e-12) << "z = " << z;
}

TEST_F(Diagram, OneTieBackGivesTheApparentPressureTrapezoid) {
  const double H = 360;  // 30 ft
  Wall(H, 40, 12, 3);
  Layer(4, 600, kGamma, 30);
  ctx.Data.TieBacks.resize(1);
  ctx.Data.TieBacks[0].Depth = 10;  // feet
  const auto rows = Build();
  // Exact for a linear diagram: R = Ka gamma H^2 / 2.
  const double R = P(1).Ka * kGamma * H * H / 2;
  EXPECT_NEAR(ctx.Data.Pressure.ResultantF, R, 1e-9 * R);
  const double peak = 3.9 * ctx.Data.Pressure.ResultantF / (2 * H);
  const auto col2 = [&](int z) { return rows[static_cast<size_t>(z)].LoadPerStation; };
  EXPECT_NEAR(col2(40), peak / 2, 1e-12);  // rising to 6.67 ft
  EXPECT_NEAR(col2(80), peak, 1e-12);
  EXPECT_NEAR(col2(200), peak, 1e-12);  // flat to 16.67 ft
  EXPECT_NEAR(col2(280), peak / 2, 1e-12);
  EXPECT_NEAR(col2(360), 0, 1e-12);  // zero at 30 ft
  EXPECT_NEAR(rows[200].Apparent, 3.9 * ctx.Data.Pressure.ResultantA / (2 * H), 1e-12);
  EXPECT_EQ(rows[200].Total, rows[200].Apparent);
  EXPECT_NEAR(col2(361), P(1).Ka * kGamma * H, 1e-12);  // standard rows below H

  // With more tie-backs the trapezoid still carries 1.3 R.
  ctx.Data.TieBacks.resize(3);
  ctx.Data.TieBacks[1].Depth = 14;
  ctx.Data.TieBacks[2].Depth = 22;
  const ApparentPressureShape shape = ApparentShape(ctx.Data);
  double area = 0;
  for (int i = 0; i < 36000; ++i)
    area += ApparentPressure(shape, ApparentPeak(ctx.Data, R), (i + 0.5) / 100) / 100;
  EXPECT_NEAR(area, 1.3 * R, 1e-6 * R);
}

TEST_F(Diagram, SoftClayApparentPressureRisesOverAQuarterOfTheCutAndStaysToTheExcavation) {
  // Option 5 with soft clay on top: the diagram of soft clays rises over H/4
  // (not over 2/3 of the first tie-back's depth) and stays at its peak down to
  // the excavation level; its peak is the active pressure there.
  const double H = 360;
  Wall(H, 40, 12, 5);
  Layer(1, 600, kGamma, 0, 2, 0.3);  // soft clay with an apparent-pressure coefficient 0.3
  ctx.Data.TieBacks.resize(1);
  ctx.Data.TieBacks[0].Depth = 10;  // feet: 2/3 of it would be 80 in
  const auto rows = Build();
  const double p0 = 0.3 * kGamma * H;
  const double peak = 3.9 * ctx.Data.Pressure.ResultantF / (2 * H);
  const auto at = [&](int z) { return rows[static_cast<size_t>(z)]; };
  EXPECT_NEAR(at(45).Apparent, p0 / 2, 1e-12);  // half the peak at H/8
  EXPECT_NEAR(at(80).Apparent, p0 * 80 / 90, 1e-12);
  EXPECT_NEAR(at(90).Apparent, p0, 1e-12);   // the peak at H/4
  EXPECT_NEAR(at(360).Apparent, p0, 1e-12);  // down to the excavation level
  EXPECT_NEAR(at(45).LoadPerStation, peak / 2, 1e-12);
  EXPECT_NEAR(at(200).LoadPerStation, peak, 1e-12);
  // The load is this diagram (no surcharge here), no water in it.
  EXPECT_EQ(at(45).Total, at(45).Apparent);
  EXPECT_EQ(at(45).Water, 0.0);
}

TEST_F(Diagram, ScratchFileHoldsTheCountAndTwelveFieldRows) {
  Units(2);
  Wall(3, 20, 0.3);
  Layer(4, 7.5, 18, 30);
  GeneratePressureDiagram(ctx);
  std::ifstream in(scratch);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 152u);  // every 0.05 m down to 7.5 m
  EXPECT_EQ(lines[0], "         121");
  EXPECT_EQ(lines[2].size(), 132u);
  EXPECT_EQ(lines[2].substr(0, 22), "      0.050      0.300");
  EXPECT_EQ(plot.str(), "           2\n");
}

// A pressure of a million or more shows asterisks in F10.3: the stage stops
// at that field with the same words whether the file is kept (its values
// taken from the digits written) or discarded (computed alone), and a kept
// file ends with the row a reader stops in.
TEST_F(Diagram, AFieldTheScratchFileCannotHoldStopsAlikeKeptOrDiscarded) {
  Wall(120, 20, 12);
  Layer(4, 300, 1e5, 30);
  std::string kept, discarded;
  try {
    GeneratePressureDiagram(ctx);
  } catch (const InputError& e) {
    kept = e.what();
  }
  std::vector<std::string> lines;
  std::ifstream in(scratch);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ctx.Files.PressureScratch.OpenInMemory("pressure scratch", false);
  try {
    GeneratePressureDiagram(ctx);
  } catch (const InputError& e) {
    discarded = e.what();
  }
  EXPECT_EQ(kept, discarded);
  EXPECT_EQ(kept.rfind("line " + std::to_string(lines.size()) + ": pressure scratch file row, item ", 0), 0u)
      << kept;
  EXPECT_NE(kept.find("expected a real number, found '**********'"), std::string::npos) << kept;
  EXPECT_NE(lines.back().find("**********"), std::string::npos);
  EXPECT_EQ(lines[lines.size() - 2].find('*'), std::string::npos);
}

TEST_F(Diagram, SoilEndingAboveTheWallBottomIsAnInputError) {
  Wall(120, 20, 12);
  Layer(4, 200, kGamma, 30);
  try {
    Build();
    FAIL();
  } catch (const InputError& e) {
    EXPECT_STREQ(e.what(),
                 "the soil layers end at a depth of 200.000 IN, above the bottom of the wall at "
                 "240.000 IN: the last soil layer must reach the wall bottom");
  }
}

}  // namespace
}  // namespace darnek::pressure
