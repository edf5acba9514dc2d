// Soft-clay curves recomputed here from Matlock's formulas and compared with
// the scratch file at its precision (four significant digits).
#include <cmath>

#include "soil/py_curves.h"
#include "soil_fixture.h"

namespace darnek::soil {
namespace {

using testing::AddLayer;
using testing::EnglishWall;
using testing::ExpectSide;
using testing::FileForm;
using testing::ReadScratch;
using testing::ScratchFile;
using testing::SoilRun;
using testing::Values;

constexpr float kGrid[17] = {0.0f,   0.00025f, 0.0025f, 0.0075f, 0.02f, 0.04f, 0.06f, 0.10f, 0.15f,
                             0.225f, 0.30f,    0.40f,   0.50f,   0.65f, 0.80f, 1.0f,  1.2f};
constexpr double kThird = 0.3333333432674408;
constexpr double k072 = 0.7200000286102295;
constexpr double kDeg = 57.295799255371094;

// A soil whose transition depth zr = 6 c b / (gamma b + 0.5 c) is exactly
// 66 in for b = 24 in: curve 3 of the layer (z = 66) lies at zr.
constexpr double kC = 0.792;
constexpr double kGamma = 0.0555;
constexpr double kEps50 = 0.01;
constexpr double kB = 24;

void ClayWall(ProblemData& d, int code = 1) {
  EnglishWall(d);
  AddLayer(d, code, 600, Values(kGamma, kC, 0, kEps50), Values(kGamma, kC, 0, kEps50));
}

struct Curve {
  std::array<double, 17> Y{};
  std::array<double, 17> P{};
};

// Matlock (1970): p = 0.5 pu (y / y50)^(1/3) up to 8 y50 (static), with the
// cyclic ratio 0.72 and the reduction above zr.
Curve Matlock(double pu, double y50, double x, double zr, bool cyclic, double pm = 1, double ym = 1,
              double offset = 0) {
  Curve curve;
  for (size_t i = 0; i < 17; ++i) {
    const double y = 8 * y50 * static_cast<double>(kGrid[i]);
    double p = 0;
    if (y > 0) {
      p = 0.5 * pu * std::pow(y / y50, kThird);
      if (!cyclic && y > 8 * y50) p = pu;
      if (cyclic && y > 3 * y50) {
        if (x >= zr) {
          p = k072 * pu;
        } else {
          p = k072 * pu + (y - 3 * y50) * (k072 * pu * x / zr - k072 * pu) / (12 * y50);
        }
      }
    }
    curve.Y[i] = ym * y;
    curve.P[i] = pm * p + offset;
  }
  return curve;
}

double WedgeNp(double x) { return 3 + kGamma * x / kC + 0.5 * x / kB; }

ScratchFile Generate(SoilRun& run) {
  GeneratePyCurves(run.Ctx);
  return ReadScratch(run.Ctx.Names.PyScratch, 0);
}

TEST(SoftClay, StaticCurvesFollowMatlockOnBothSidesWithTheActiveOffset) {
  SoilRun run;
  ProblemData& d = run.d();
  ClayWall(d);
  // Earth-pressure loads per station growing linearly with depth.
  PressureRow top, bottom;
  top.Depth = 0;
  bottom.Depth = 600;
  bottom.LoadPerStation = 30000;
  d.Pressure.Rows = {top, bottom};
  const ScratchFile file = Generate(run);
  ASSERT_EQ(file.Count, 5);
  ASSERT_EQ(file.Curves.size(), 5u);
  EXPECT_DOUBLE_EQ(file.Curves[2].Depth, 186);

  const double y50 = 2.5 * kEps50 * kB;
  const double zr = 6 * kC * kB / (kGamma * kB + 0.5 * kC);
  // Load per unit length / R (= 96 / 24) less the cohesion term 2 c b.
  const auto offset = [&](double wall_depth) {
    const double pa = 30000 * wall_depth / 600 / 6 / 4 - 2 * kC * kB;
    return pa <= 1e-10 ? 0.0 : pa;
  };
  for (size_t k = 0; k < 5; ++k) {
    const double z = d.Profile.CurveDepths[k];
    const double pa = offset(z + 120);
    EXPECT_GT(pa, 0);
    const double pu_e = std::min(WedgeNp(z), 9.0) * kC * kB;
    const double pu_b = std::min(WedgeNp(z + 120), 9.0) * kC * kB;
    const Curve e = Matlock(pu_e, y50, z, zr, false, 1, 1, -pa);
    const Curve b = Matlock(pu_b, y50, z + 120, zr, false, 1, 1, pa);
    ExpectSide(file.Curves[k].Excavation, e.Y, e.P, "excavation, curve " + std::to_string(k + 1));
    ExpectSide(file.Curves[k].Backfill, b.Y, b.P, "backfill, curve " + std::to_string(k + 1));
  }
}

TEST(SoftClay, BearingFactorReachesNineAtTheTransitionDepth) {
  SoilRun run;
  ClayWall(run.d());
  const ScratchFile file = Generate(run);
  ASSERT_DOUBLE_EQ(run.d().Profile.CurveDepths[2], 66);
  EXPECT_NEAR(6 * kC * kB / (kGamma * kB + 0.5 * kC), 66, 1e-12);
  // The last point of a static curve is pu itself (no offset: no pressure table).
  EXPECT_EQ(file.Curves[2].Excavation.PText[16], FileForm(9 * kC * kB));
  EXPECT_NEAR(file.Curves[2].Excavation.P[16] / (kC * kB), 9, 5e-3);
  // Half-way (z = 33), Np = 3 + 2.3125 + 0.6875 = 6.
  EXPECT_EQ(file.Curves[1].Excavation.PText[16], FileForm(6 * kC * kB));
}

TEST(SoftClay, ExcavationSlopeReducesOnlyTheFrontResistanceWhicheverWayItSlopes) {
  SoilRun level;
  ClayWall(level.d());
  const ScratchFile flat = Generate(level);

  SoilRun sloped;
  ClayWall(sloped.d());
  sloped.d().Wall.ExcavationSlope = 45;
  const ScratchFile steep = Generate(sloped);

  const double factor = 1 / (1 + std::tan(45 / kDeg));
  EXPECT_NEAR(factor, 0.5, 1e-6);
  const double y50 = 2.5 * kEps50 * kB;
  const double zr = 6 * kC * kB / (kGamma * kB + 0.5 * kC);
  for (size_t k = 0; k < 5; ++k) {
    const double z = level.d().Profile.CurveDepths[k];
    const double np = WedgeNp(z) * factor;
    const Curve e = Matlock(std::min(np, 9.0) * kC * kB, y50, z, zr, false);
    ExpectSide(steep.Curves[k].Excavation, e.Y, e.P, "sloped excavation, curve " + std::to_string(k + 1));
    EXPECT_EQ(steep.Curves[k].Backfill.PText, flat.Curves[k].Backfill.PText);
    EXPECT_EQ(steep.Curves[k].Backfill.YText, flat.Curves[k].Backfill.YText);
  }
  // Where Np stays below 9 the whole curve is halved.
  EXPECT_NEAR(steep.Curves[1].Excavation.P[16] / flat.Curves[1].Excavation.P[16], 0.5, 1e-3);

  // Down or up, the same curves.
  SoilRun down, up;
  ClayWall(down.d());
  ClayWall(up.d());
  down.d().Wall.ExcavationSlope = -30;
  up.d().Wall.ExcavationSlope = 30;
  Generate(down);
  Generate(up);
  std::ifstream a(down.Ctx.Names.PyScratch), b(up.Ctx.Names.PyScratch);
  std::stringstream sa, sb;
  sa << a.rdbuf();
  sb << b.rdbuf();
  EXPECT_EQ(sa.str(), sb.str());
  EXPECT_EQ(down.Report.str(), up.Report.str());
  // ... and not those of level ground.
  EXPECT_NE(ReadScratch(down.Ctx.Names.PyScratch, 0).Curves[1].Excavation.PText,
            flat.Curves[1].Excavation.PText);
}

TEST(SoftClay, ContinuousWallUsesPassivePressureAndTheOneFootWidth) {
  const auto run_with_width = [](SoilRun& run, double width, double slope) {
    ClayWall(run.d());
    run.d().Wall.WA = width;
    run.d().Wall.WP = width;
    run.d().Wall.SurfacePressure = 0.5;
    run.d().Wall.ExcavationSlope = slope;
    return Generate(run);
  };
  SoilRun narrow, wide;
  const ScratchFile a = run_with_width(narrow, 24, 45);
  const ScratchFile b = run_with_width(wide, 36, 45);
  const double y50 = 2.5 * kEps50 * 12;
  const double factor = 1 / (1 + std::tan(45 / kDeg));
  for (size_t k = 0; k < 5; ++k) {
    // The curve shape does not depend on the width.
    EXPECT_EQ(a.Curves[k].Excavation.YText, b.Curves[k].Excavation.YText);
    EXPECT_EQ(a.Curves[k].Backfill.YText, b.Curves[k].Backfill.YText);
    const double z = narrow.d().Profile.CurveDepths[k];
    const double pu_e = (kGamma * z + 2 * kC) * 24 * factor;
    const double pu_b = (0.5 + kGamma * (z + 120) + 2 * kC) * 24;
    const Curve e = Matlock(pu_e, y50, z, 0, false);
    const Curve bf = Matlock(pu_b, y50, z + 120, 0, false);
    ExpectSide(a.Curves[k].Excavation, e.Y, e.P, "continuous excavation, curve " + std::to_string(k + 1));
    ExpectSide(a.Curves[k].Backfill, bf.Y, bf.P, "continuous backfill, curve " + std::to_string(k + 1));
  }
}

TEST(SoftClay, CyclicCurvesDegradeAboveTheTransitionDepth) {
  SoilRun run;
  ClayWall(run.d());
  run.d().Soil.LoadingType = Loading::Cyclic;
  const ScratchFile file = Generate(run);
  EXPECT_EQ(run.d().Soil.NumCycles, 100.0);
  const double y50 = 2.5 * kEps50 * kB;
  const double zr = 6 * kC * kB / (kGamma * kB + 0.5 * kC);
  for (size_t k = 0; k < 5; ++k) {
    const double z = run.d().Profile.CurveDepths[k];
    const Curve e = Matlock(std::min(WedgeNp(z), 9.0) * kC * kB, y50, z, zr, true);
    const Curve b = Matlock(9 * kC * kB, y50, z + 120, zr, true);
    ExpectSide(file.Curves[k].Excavation, e.Y, e.P, "cyclic excavation, curve " + std::to_string(k + 1));
    ExpectSide(file.Curves[k].Backfill, b.Y, b.P, "cyclic backfill, curve " + std::to_string(k + 1));
  }
}

TEST(SoftClay, TinyStrainUsesTheSmallDeflectionModulusAndWarns) {
  SoilRun run;
  ClayWall(run.d());
  run.d().Soil.Layers[0].Top.E50 = 1e-17;
  run.d().Soil.Layers[0].Bottom.E50 = 1e-17;
  const ScratchFile file = Generate(run);
  const double y50 = 2.5 * 1e-17 * kB;
  const double pu = std::min(WedgeNp(33), 9.0) * kC * kB;
  const double e0 = 0.5 * pu * std::pow(y50 / 1e-14, 0.6666666865348816) / y50;
  std::array<double, 17> y{}, p{};
  for (size_t i = 0; i < 17; ++i) {
    y[i] = 8 * y50 * static_cast<double>(kGrid[i]);
    p[i] = e0 * y[i];
  }
  ExpectSide(file.Curves[1].Excavation, y, p, "tiny strain");
  // 16 points per side, two sides, five curves.
  const std::string report = run.Report.str();
  EXPECT_EQ(testing::CountOccurrences(report, "DEFLECTION IS LESS THAN 1.0E-14.  THE PROGRAM"), 160);
  EXPECT_NE(report.find("      **** WARNING ****\n      DEFLECTION IS LESS THAN 1.0E-14.  THE PROGRAM\n"
                        "      USED A SOIL MODULUS OF " +
                        fortran::Format("( 1P E12.4 )", e0).Lines[0] + "\n"),
            std::string::npos);
}

TEST(SoftClay, LaterLayerEntersAtTheDepthOfEqualResistance) {
  SoilRun run;
  ProblemData& d = run.d();
  EnglishWall(d);
  // A stronger clay from 60 in below the excavation.
  const double c2 = 2.0;
  const double g2 = 0.06;
  AddLayer(d, 1, 180, Values(kGamma, kC, 0, kEps50), Values(kGamma, kC, 0, kEps50));
  AddLayer(d, 1, 600, Values(g2, c2, 0, kEps50), Values(g2, c2, 0, kEps50));
  const ScratchFile file = Generate(run);
  const SoilProfile& p = d.Profile;

  // Layer 1 accumulates pu times the step from each curve to the next.
  double accumulated = 0;
  for (size_t k = 1; k < 5; ++k) {
    accumulated +=
        std::min(WedgeNp(p.CurveDepths[k]), 9.0) * kC * kB * (p.CurveDepths[k] - p.CurveDepths[k - 1]);
  }
  EXPECT_NEAR(p.CumulativeResistance[0], accumulated, 1e-9 * accumulated);

  // XEQ is where the integral of layer 2's own resistance from 0 equals it:
  // the wedge value below zr, 9 c b beyond, with the soil of the layer's
  // first curve (its mean weight is that down to z = 60.1).
  const double xeq = p.XEQ[1];
  const double z1 = p.CurveDepths[5];
  const double g = (kGamma * 60 + g2 * (z1 - 60)) / z1;
  const double zr1 = 6 * c2 * kB / (g * kB + 0.5 * c2);
  const auto integral = [&](double x) {
    const double wedge_to = std::min(x, zr1);
    double f = 3 * c2 * kB * wedge_to + 0.5 * (g * kB + 0.5 * c2) * wedge_to * wedge_to;
    if (x > zr1) f += 9 * c2 * kB * (x - zr1);
    return f;
  };
  EXPECT_NEAR(integral(xeq), accumulated, 1e-9 * accumulated);

  // The curves of layer 2 use x - 60 + XEQ (excavation) in Np.
  const double x = p.CurveDepths[6] - 60 + xeq;
  const double gamma6 = (kGamma * 60 + g2 * (p.CurveDepths[6] - 60)) / p.CurveDepths[6];
  const double np = 3 + gamma6 * x / c2 + 0.5 * x / kB;
  EXPECT_EQ(file.Curves[6].Excavation.PText[16], FileForm(std::min(np, 9.0) * c2 * kB));
}

}  // namespace
}  // namespace darnek::soil
