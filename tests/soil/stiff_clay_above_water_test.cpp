// Curves of stiff clay above the water table recomputed here from the Welch
// and Reese formulas and compared with the scratch file at its precision.
#include <cmath>

#include "core/errors.h"
#include "soil_fixture.h"

namespace darnek::soil {
namespace {

using testing::AddLayer;
using testing::EnglishWall;
using testing::ExpectSide;
using testing::FileForm;
using testing::GenerateAndRead;
using testing::ScratchFile;
using testing::SoilRun;
using testing::Values;

constexpr float kGrid[14] = {0.00001f, 0.00005f, 0.0001f, 0.0005f, 0.001f, 0.005f, 0.01f,
                             0.025f,   0.05f,    0.075f,  0.10f,   0.25f,  0.5f,   1.0f};
constexpr double kDeg = 57.295799255371094;

// A clay whose strength grows from 8 psi at the top of the profile to
// 12 psi 480 in below it (the layer runs from the top of the wall to 600 in;
// the profile takes the layer's top value at the excavation level).
constexpr double kGamma = 0.07;
constexpr double kEps50 = 0.005;
constexpr double kB = 24;
double Strength(double z) { return 8 + 4 * z / 480; }
double Cavg(double z) { return 0.5 * (8 + Strength(z)); }

void ClayWall(ProblemData& d) {
  EnglishWall(d);
  AddLayer(d, 3, 600, Values(kGamma, 8, 0, kEps50), Values(kGamma, 12, 0, kEps50));
}

struct Curve {
  std::array<double, 17> Y{};
  std::array<double, 17> P{};
};

// The quarter-power curve of one side: static to 16 y50 and then pu, or
// cyclic with the deflections stretched by 1 + 0.6 log10 N.
Curve Quarter(double pu, double y50, bool cyclic, double cycles = 1, double offset = 0) {
  const double y16 = 16 * y50;
  const double log_n = std::log10(cycles);
  const double ye = cyclic ? 1.25 * y50 * (16 + 9.600000381469727 * log_n) : 20 * y50;
  Curve c;
  for (size_t i = 0; i < 14; ++i) c.Y[i + 1] = y16 * static_cast<double>(kGrid[i]);
  c.Y[15] = (y16 + ye) / 2;
  c.Y[16] = ye;
  for (size_t i = 0; i < 17; ++i) {
    const double y = c.Y[i];
    double p = 0;
    if (y > 0 && !cyclic) p = y <= y16 ? 0.5 * pu * std::pow(y / y50, 0.25) : pu;
    if (y > 0 && cyclic) {
      p = std::min(pu, 0.5 * pu * std::pow(y / ((1 + 0.6000000238418579 * log_n) * y50), 0.25));
    }
    c.P[i] = p + offset;
  }
  return c;
}

// pu of spaced elements: the wedge with the average cohesion, at most 9 c b.
double Ultimate(double z, double x, double factor = 1) {
  const double ca = Cavg(z);
  return std::min((3 * ca * kB + kGamma * kB * x + 0.5 * ca * x) * factor, 9 * Strength(z) * kB);
}

TEST(StiffClayAboveWater, StaticCurveReachesPuAt16Y50AndEndsAt18And20Y50) {
  SoilRun run;
  ProblemData& d = run.d();
  ClayWall(d);
  d.Soil.NumCycles = 7;
  PressureRow top, bottom;
  bottom.Depth = 600;
  bottom.LoadPerStation = 60000;
  d.Pressure.Rows = {top, bottom};
  const ScratchFile file = GenerateAndRead(run.Ctx);
  // A static run counts one cycle.
  EXPECT_EQ(d.Soil.NumCycles, 1.0);
  const double y50 = 2.5 * kEps50 * kB;
  for (size_t k = 0; k < 5; ++k) {
    const double z = d.Profile.CurveDepths[k];
    // The clay offset: load / h / R less 2 c b with the cohesion at the depth.
    const double pa = std::max(0.0, 60000 * (z + 120) / 600 / 6 / 4 - 2 * Strength(z) * kB);
    const Curve e = Quarter(Ultimate(z, z), y50, false, 1, -pa);
    const Curve b = Quarter(Ultimate(z, z + 120), y50, false, 1, pa);
    ExpectSide(file.Curves[k].Excavation, e.Y, e.P, "excavation, curve " + std::to_string(k + 1));
    ExpectSide(file.Curves[k].Backfill, b.Y, b.P, "backfill, curve " + std::to_string(k + 1));
  }
  // Near the surface the wedge governs, deep behind the wall 9 c b.
  EXPECT_LT(Ultimate(0.1, 0.1), 9 * Strength(0.1) * kB);
  const double deepest = d.Profile.CurveDepths[4];
  EXPECT_EQ(Ultimate(deepest, deepest + 120), 9 * Strength(deepest) * kB);

  const testing::ScratchSide& side = file.Curves[2].Backfill;
  const double pu = Ultimate(66, 186);
  EXPECT_EQ(side.YText[14], FileForm(16 * y50));
  EXPECT_EQ(side.YText[15], FileForm(18 * y50));
  EXPECT_EQ(side.YText[16], FileForm(20 * y50));
  const double pa = 60000 * 186.0 / 600 / 6 / 4 - 2 * Strength(66) * kB;
  for (size_t i = 14; i < 17; ++i) EXPECT_EQ(side.PText[i], FileForm(pu + pa)) << "point " << i + 1;
  EXPECT_LT(side.P[13], side.P[14]);

  // Five decimals in the report rows; CAVG beside C in the data row.
  const std::string report = run.Report.str();
  const double pa0 = 60000 * 120.1 / 600 / 6 / 4 - 2 * Strength(0.1) * kB;
  const Curve first = Quarter(Ultimate(0.1, 0.1), y50, false, 1, -pa0);
  EXPECT_NE(report.find("\n" + fortran::Format("( 2F20.5 )", first.Y[1], first.P[1]).Lines[0] + "\n"),
            std::string::npos);
  EXPECT_NE(report.find(" DEPTH BELOW GS      DIAM          C       CAVG  GAMMA AVG         E50\n"
                        "             FT        IN  LBS/IN**2  LBS/IN**2  LBS/IN**3\n"
                        "           0.01    24.000 8.0008E+00 8.0004E+00 7.0000E-02  5.0000E-03\n"),
            std::string::npos);
}

TEST(StiffClayAboveWater, HundredCyclesStretchTheCurveToFortyFourY50) {
  SoilRun cyclic_run, static_run;
  ClayWall(cyclic_run.d());
  ClayWall(static_run.d());
  cyclic_run.d().Soil.LoadingType = Loading::Cyclic;  // NumCycles 0 becomes 100
  const ScratchFile cyclic = GenerateAndRead(cyclic_run.Ctx);
  const ScratchFile flat = GenerateAndRead(static_run.Ctx);
  EXPECT_EQ(cyclic_run.d().Soil.NumCycles, 100.0);
  const double y50 = 2.5 * kEps50 * kB;
  for (size_t k = 0; k < 5; ++k) {
    const double z = cyclic_run.d().Profile.CurveDepths[k];
    const Curve e = Quarter(Ultimate(z, z), y50, true, 100);
    const Curve b = Quarter(Ultimate(z, z + 120), y50, true, 100);
    ExpectSide(cyclic.Curves[k].Excavation, e.Y, e.P, "cyclic excavation, curve " + std::to_string(k + 1));
    ExpectSide(cyclic.Curves[k].Backfill, b.Y, b.P, "cyclic backfill, curve " + std::to_string(k + 1));
    // ye = 1.25 y50 (16 + 19.2) = 44 y50, half-way point at 30 y50.
    EXPECT_EQ(cyclic.Curves[k].Excavation.YText[16], FileForm(44 * y50));
    EXPECT_EQ(cyclic.Curves[k].Excavation.YText[15], FileForm(30 * y50));
    // Up to 16 y50 both curves share the grid, and the cyclic resistance at
    // y is the static one at y / 2.2: at 2.2 y50 it is the static value at
    // y50, half the ultimate.
    for (size_t i = 1; i < 15; ++i) {
      EXPECT_EQ(cyclic.Curves[k].Excavation.YText[i], flat.Curves[k].Excavation.YText[i]);
      EXPECT_NEAR(cyclic.Curves[k].Excavation.P[i] / flat.Curves[k].Excavation.P[i], std::pow(2.2, -0.25),
                  1e-3)
          << "curve " << k + 1 << " point " << i + 1;
    }
  }
}

TEST(StiffClayAboveWater, ContinuousWallUsesPassivePressureAndTheOneFootWidth) {
  SoilRun run;
  ProblemData& d = run.d();
  ClayWall(d);
  d.Wall.WA = 30;
  d.Wall.WP = 30;
  d.Wall.SurfacePressure = 0.5;
  d.Wall.ExcavationSlope = -45;
  const ScratchFile file = GenerateAndRead(run.Ctx);
  const double y50 = 2.5 * kEps50 * 12;
  const double factor = 1 / (1 + std::tan(45 / kDeg));
  for (size_t k = 0; k < 5; ++k) {
    const double z = d.Profile.CurveDepths[k];
    const Curve e = Quarter((kGamma * z + 2 * Strength(z)) * 30 * factor, y50, false);
    const Curve b = Quarter((0.5 + kGamma * (z + 120) + 2 * Strength(z)) * 30, y50, false);
    ExpectSide(file.Curves[k].Excavation, e.Y, e.P, "continuous excavation, curve " + std::to_string(k + 1));
    ExpectSide(file.Curves[k].Backfill, b.Y, b.P, "continuous backfill, curve " + std::to_string(k + 1));
  }
}

TEST(StiffClayAboveWater, LaterLayerEntersAtTheDepthOfEqualResistance) {
  // Clay to 60 in below the excavation, then a clay whose strength grows by
  // 4 psi over its 420 in: stronger below (the equivalent depth lies above
  // zr) or weaker (below zr).
  for (const auto& [upper, lower] : {std::pair{2.0, 9.0}, std::pair{20.0, 1.0}}) {
    SoilRun run;
    ProblemData& d = run.d();
    EnglishWall(d);
    d.Wall.ExcavationSlope = 20;  // the inversion is that of level ground
    AddLayer(d, 3, 180, Values(kGamma, upper, 0, kEps50), Values(kGamma, upper, 0, kEps50));
    AddLayer(d, 3, 600, Values(kGamma, lower, 0, kEps50), Values(kGamma, lower + 4, 0, kEps50));
    const ScratchFile file = GenerateAndRead(run.Ctx);
    const SoilProfile& p = d.Profile;
    const double slope_factor = 1 / (1 + std::tan(20 / kDeg));

    // Layer 1 accumulates the trapezoid of its excavation-side pu.
    double accumulated = 0;
    const auto pu1 = [&, c = upper](double z) {
      return std::min((3 * c * kB + kGamma * kB * z + 0.5 * c * z) * slope_factor, 9 * c * kB);
    };
    for (size_t k = 1; k < 5; ++k) {
      accumulated += 0.5 * (pu1(p.CurveDepths[k - 1]) + pu1(p.CurveDepths[k])) *
                     (p.CurveDepths[k] - p.CurveDepths[k - 1]);
    }
    EXPECT_NEAR(p.CumulativeResistance[0], accumulated, 1e-12 * accumulated);

    // XEQ: where the integral of 3 c b + (gamma b + 0.5 c) x, capped at
    // 9 c b, reaches it, with c at the layer's first curve.
    const double c = lower + 4 * 0.1 / 420;
    const double zr = 6 * c * kB / (kGamma * kB + 0.5 * c);
    const auto integral = [&](double x) {
      const double to = std::min(x, zr);
      double f = 3 * c * kB * to + 0.5 * (kGamma * kB + 0.5 * c) * to * to;
      if (x > zr) f += 9 * c * kB * (x - zr);
      return f;
    };
    const double xeq = p.XEQ[1];
    EXPECT_EQ(xeq > zr, upper > lower) << "zr " << zr << ", XEQ " << xeq;
    EXPECT_NEAR(integral(xeq), accumulated, 1e-9 * accumulated);

    // Layer 2 enters its wedge at x - 60 + XEQ, with its own average cohesion.
    for (size_t k = 5; k < 10; ++k) {
      const double z = p.CurveDepths[k];
      const double cz = lower + 4 * (z - 60) / 420;
      const double ca = 0.5 * (lower + cz);
      const double x = z - 60 + xeq;
      const double pu = std::min((3 * ca * kB + kGamma * kB * x + 0.5 * ca * x) * slope_factor, 9 * cz * kB);
      EXPECT_EQ(file.Curves[k].Excavation.PText[16], FileForm(pu)) << "curve " << k + 1;
    }
  }
}

TEST(StiffClayAboveWater, AThinLastLayerAboveTheProfileLimitKeepsItsCurvesWithinIt) {
  SoilRun run;
  ProblemData& d = run.d();
  EnglishWall(d);
  // The second layer keeps 0.05 in above the profile limit (132 in): its
  // first curve, 0.1 in below its top, would lie beyond the strength curve
  // and stop a run whose soil table reaches deep enough.
  AddLayer(d, 3, 251.95, Values(kGamma, 8, 0, kEps50), Values(kGamma, 8, 0, kEps50));
  AddLayer(d, 3, 600, Values(kGamma, 10, 0, kEps50), Values(kGamma, 10, 0, kEps50));
  EXPECT_NO_THROW(GeneratePyCurves(run.Ctx));
  const std::vector<double>& depths = d.Profile.CurveDepths;
  ASSERT_EQ(depths.size(), 10u);
  for (size_t k = 5; k < 10; ++k) EXPECT_LE(depths[k], d.Profile.ProfileDepthLimit) << k;
  EXPECT_EQ(run.Console.str(), "");
  EXPECT_EQ(run.Report.str().find("WARNING"), std::string::npos);
  EXPECT_EQ(testing::CountOccurrences(run.Report.str(), "AT THE BACKFILL SIDE"), 10);
}

}  // namespace
}  // namespace darnek::soil
