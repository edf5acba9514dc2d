// Curves of stiff clay below the water table recomputed here from the
// Reese, Cox and Koop (1975) formulas and compared with the scratch file at
// its precision.
#include <cmath>

#include "soil_fixture.h"
#include "support/codes.h"

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

double Single(float v) { return static_cast<double>(v); }

// The coefficient tables as published, with their flat last segments.
double As(double r) {
  const double x[6] = {0, 1, 2, 3, 4, 5};
  const double v[6] = {Single(0.223f), Single(0.46f), Single(0.55f),
                       Single(0.59f),  Single(0.60f), Single(0.60f)};
  size_t i = 0;
  while (i < 4 && r > x[i + 1]) ++i;
  return v[i] + (v[i + 1] - v[i]) * (r - x[i]) / (x[i + 1] - x[i]);
}
double Ac(double r) {
  const double x[4] = {0, 1, 2, 3};
  const double v[4] = {Single(0.20f), Single(0.29f), Single(0.30f), Single(0.30f)};
  size_t i = 0;
  while (i < 2 && r > x[i + 1]) ++i;
  return v[i] + (v[i + 1] - v[i]) * (r - x[i]) / (x[i + 1] - x[i]);
}

// A clay whose strength grows from 8 psi at the excavation level to 12 psi
// 480 in below it, under the water table.
constexpr double kGamma = 0.07;
constexpr double kEps50 = 0.005;
constexpr double kB = 24;
constexpr double kK = 2000;
double Strength(double z) { return 8 + 4 * z / 480; }

void ClayWall(ProblemData& d, double k = kK, double b = kB) {
  EnglishWall(d);
  d.Wall.WP = b;
  d.Wall.WA = 4 * b;
  AddLayer(d, 2, 600, Values(kGamma, 8, 0, kEps50, k), Values(kGamma, 12, 0, kEps50, k));
}

struct Curve {
  std::array<double, 17> Y{};
  std::array<double, 17> P{};
};

struct Side {
  double Pc = 0, Y50 = 0, As = 0, Ac = 0, Es = 0;
};

// pc of spaced elements: 2 ca b + gamma b x + 2.83 ca x with the average
// cohesion of the first layer, at most 11 c b.
Side Spaced(double z, double x, double b = kB, double k = kK, double gamma = kGamma) {
  Side s;
  const double ca = 0.5 * (8 + Strength(z));
  s.Pc = std::min(2 * ca * b + gamma * b * x + Single(2.83f) * ca * x, 11 * Strength(z) * b);
  s.Y50 = kEps50 * b;
  s.As = As(x / b);
  s.Ac = Ac(x / b);
  s.Es = k * x;
  return s;
}

Curve Static(const Side& s, double offset = 0) {
  const double a = s.As * s.Y50;
  Curve c;
  for (size_t i = 1; i <= 12; ++i) c.Y[i] = 0.5 * static_cast<double>(i) * a;
  c.Y[13] = 10 * a;
  c.Y[14] = 14 * a;
  c.Y[15] = 18 * a;
  c.Y[16] = 200 * a;
  const double peak = 0.5 * s.Pc * std::sqrt(6 * s.As) - Single(0.411f) * s.Pc;
  for (size_t i = 0; i < 17; ++i) {
    const double y = c.Y[i];
    double p;
    if (y <= a) {
      p = 0.5 * s.Pc * std::sqrt(y / s.Y50);
    } else if (y <= 6 * a) {
      p = 0.5 * s.Pc * std::sqrt(y / s.Y50) - Single(0.055f) * s.Pc * std::pow((y - a) / a, 1.25);
    } else if (y <= 18 * a) {
      p = peak - 0.0625 / s.Y50 * s.Pc * (y - 6 * a);
    } else {
      p = peak - 0.75 * s.Pc * s.As;
    }
    c.P[i] = std::min(p, s.Es * y) + offset;
  }
  return c;
}

Curve Cyclic(const Side& s, double offset = 0) {
  const double yp = Single(4.1f) * s.As * s.Y50;
  Curve c;
  for (size_t i = 1; i <= 12; ++i) c.Y[i] = 0.05 * static_cast<double>(i) * yp;
  c.Y[13] = yp;
  c.Y[14] = 1.4 * yp;
  c.Y[15] = 1.8 * yp;
  c.Y[16] = 20 * yp;
  for (size_t i = 0; i < 17; ++i) {
    const double y = c.Y[i];
    double p;
    if (y <= Single(0.6f) * yp) {
      const double centre = Single(0.45f) * yp;
      p = s.Ac * s.Pc * (1 - std::pow(std::fabs((y - centre) / centre), 2.5));
    } else if (y <= Single(1.8f) * yp) {
      p = Single(0.936f) * s.Ac * s.Pc - Single(0.085f) / s.Y50 * s.Pc * (y - Single(0.6f) * yp);
    } else {
      p = Single(0.936f) * s.Ac * s.Pc - Single(0.102f) / s.Y50 * s.Pc * yp;
    }
    c.P[i] = std::min(p, s.Es * y) + offset;
  }
  return c;
}

TEST(StiffClayBelowWater, StaticCurvesSoftenToTheResidualFrom18To200AY50) {
  SoilRun run;
  ProblemData& d = run.d();
  ClayWall(d);
  d.Wall.WaterDepthBackfill = 0;
  PressureRow top, bottom;
  bottom.Depth = 600;
  bottom.LoadPerStation = 60000;
  d.Pressure.Rows = {top, bottom};
  const ScratchFile file = GenerateAndRead(run.Ctx);
  const double gamma = kGamma - 0.035999998450279236;  // submerged throughout
  for (size_t k = 0; k < 5; ++k) {
    const double z = d.Profile.CurveDepths[k];
    const double pa = std::max(0.0, 60000 * (z + 120) / 600 / 6 / 4 - 2 * Strength(z) * kB);
    const Side e = Spaced(z, z, kB, kK, gamma);
    const Side b = Spaced(z, z + 120, kB, kK, gamma);
    const Curve ce = Static(e, -pa);
    const Curve cb = Static(b, pa);
    ExpectSide(file.Curves[k].Excavation, ce.Y, ce.P, "excavation, curve " + std::to_string(k + 1));
    ExpectSide(file.Curves[k].Backfill, cb.Y, cb.P, "backfill, curve " + std::to_string(k + 1));

    // Behind the wall x / b >= 5: As = 0.60; the residual holds from 18 to 200 A y50.
    const testing::ScratchSide& side = file.Curves[k].Backfill;
    const double a = 0.6000000238418579 * kEps50 * kB;
    EXPECT_EQ(side.YText[15], FileForm(18 * a));
    EXPECT_EQ(side.YText[16], FileForm(200 * a));
    const double residual =
        (0.5 * std::sqrt(6 * 0.6000000238418579) - Single(0.411f) - 0.75 * 0.6000000238418579) * b.Pc;
    EXPECT_EQ(side.PText[15], FileForm(residual + pa));
    EXPECT_EQ(side.PText[16], side.PText[15]);
    EXPECT_GT(side.P[11], side.P[15]);  // fallen from the peak
  }
}

TEST(StiffClayBelowWater, CoefficientsStartAt0_223And0_20AndStayConstantAtDepth) {
  // A wide element puts the first curve at x / b = 1e-4.
  SoilRun wide_static, wide_cyclic;
  ClayWall(wide_static.d(), 1e6, 1000);
  ClayWall(wide_cyclic.d(), 1e6, 1000);
  wide_cyclic.d().Soil.LoadingType = Loading::Cyclic;
  const ScratchFile s = GenerateAndRead(wide_static.Ctx);
  const ScratchFile c = GenerateAndRead(wide_cyclic.Ctx);
  const double y50 = kEps50 * 1000;
  // Static: 6 As y50 at point 13.
  EXPECT_NEAR(s.Curves[0].Excavation.Y[12] / (6 * y50), 0.223, 2e-4);
  // Cyclic: the peak Ac pc at 0.45 yp (point 10), yp = 4.1 As y50.
  const Side first = Spaced(0.1, 0.1, 1000, 1e6);
  EXPECT_NEAR(c.Curves[0].Excavation.P[9] / first.Pc, 0.20, 2e-4);
  EXPECT_NEAR(c.Curves[0].Excavation.Y[13] / (4.1 * y50), 0.223, 2e-4);

  // 24 in wide: x / b runs from 0.004 to 5.5 in front of the wall; the
  // cyclic Ac stays at 0.30 beyond 3 (curves 4 and 5: x / b = 4.1, 5.5).
  SoilRun narrow;
  ClayWall(narrow.d());
  narrow.d().Soil.LoadingType = Loading::Cyclic;
  const ScratchFile n = GenerateAndRead(narrow.Ctx);
  for (size_t k = 0; k < 5; ++k) {
    const double z = narrow.d().Profile.CurveDepths[k];
    const Curve e = Cyclic(Spaced(z, z));
    const Curve b = Cyclic(Spaced(z, z + 120));
    ExpectSide(n.Curves[k].Excavation, e.Y, e.P, "cyclic excavation, curve " + std::to_string(k + 1));
    ExpectSide(n.Curves[k].Backfill, b.Y, b.P, "cyclic backfill, curve " + std::to_string(k + 1));
  }
  for (size_t k = 3; k < 5; ++k) {
    const double z = narrow.d().Profile.CurveDepths[k];
    EXPECT_NEAR(n.Curves[k].Excavation.P[9] / Spaced(z, z).Pc, 0.30, 5e-4) << "curve " << k + 1;
    EXPECT_NEAR(n.Curves[k].Backfill.P[9] / Spaced(z, z + 120).Pc, 0.30, 5e-4) << "curve " << k + 1;
  }
  // As stays at 0.60 beyond x / b = 5 (curve 5 in front, every curve behind).
  SoilRun narrow_static;
  ClayWall(narrow_static.d());
  const ScratchFile ns = GenerateAndRead(narrow_static.Ctx);
  EXPECT_EQ(ns.Curves[4].Excavation.YText[12], FileForm(6 * 0.6000000238418579 * kEps50 * kB));
  EXPECT_EQ(ns.Curves[0].Backfill.YText[12], ns.Curves[4].Excavation.YText[12]);
}

TEST(StiffClayBelowWater, SmallModulusMakesTheInitialLineGovern) {
  for (const int loading : {1, 0}) {
    SoilRun run;
    ClayWall(run.d(), 0.02);
    run.d().Soil.LoadingType = darnek::testing::Code<Loading>(loading);
    const ScratchFile file = GenerateAndRead(run.Ctx);
    for (size_t k = 0; k < 5; ++k) {
      const double z = run.d().Profile.CurveDepths[k];
      for (const double x : {z, z + 120}) {
        const Side s = Spaced(z, x, kB, 0.02);
        const Curve c = loading == 1 ? Static(s) : Cyclic(s);
        for (size_t i = 0; i < 17; ++i) ASSERT_EQ(c.P[i], 0.02 * x * c.Y[i]) << "point " << i + 1;
        ExpectSide(x == z ? file.Curves[k].Excavation : file.Curves[k].Backfill, c.Y, c.P,
                   "loading " + std::to_string(loading) + ", curve " + std::to_string(k + 1));
      }
    }
  }
}

TEST(StiffClayBelowWater, LayerKeepsTheResidualOfItsTrapezoidAndLaterLayersUseTheirOwnDepth) {
  SoilRun run;
  ProblemData& d = run.d();
  EnglishWall(d);
  // This clay to 60 in below the excavation, then more of it with a
  // strength growing from 9 to 13 psi over its 420 in.
  AddLayer(d, 2, 180, Values(kGamma, 8, 0, kEps50, kK), Values(kGamma, 9, 0, kEps50, kK));
  AddLayer(d, 2, 600, Values(kGamma, 9, 0, kEps50, kK), Values(kGamma, 13, 0, kEps50, kK));
  const ScratchFile file = GenerateAndRead(run.Ctx);
  const SoilProfile& p = d.Profile;

  // Layer 1: the trapezoid of pc times the static residual fraction at the
  // deeper curve, 1.225 sqrt(As) - 0.411 - 0.75 As.
  const auto c1 = [](double z) { return 8 + z / 60; };
  const auto pc1 = [&](double z) {
    const double ca = 0.5 * (8 + c1(z));
    return std::min(2 * ca * kB + kGamma * kB * z + Single(2.83f) * ca * z, 11 * c1(z) * kB);
  };
  double accumulated = 0;
  for (size_t k = 1; k < 5; ++k) {
    const double z0 = p.CurveDepths[k - 1], z = p.CurveDepths[k];
    const double as = As(z / kB);
    const double fraction = Single(1.225f) * std::sqrt(as) - Single(0.411f) - 0.75 * as;
    accumulated += 0.5 * (pc1(z0) + pc1(z)) * fraction * (z - z0);
  }
  EXPECT_NEAR(p.CumulativeResistance[0], accumulated, 1e-12 * accumulated);
  EXPECT_GT(accumulated, 0);
  EXPECT_EQ(p.XEQ[1], 0.0);

  // Layer 2: x is the depth itself, and CAVG the trapezoid average of c over
  // the layer's curves so far.
  const auto c2 = [](double z) { return 9 + 4 * (z - 60) / 420; };
  double area = 0;
  for (size_t k = 5; k < 10; ++k) {
    const double z = p.CurveDepths[k];
    if (k > 5) area += 0.5 * (c2(p.CurveDepths[k - 1]) + c2(z)) * (z - p.CurveDepths[k - 1]);
    const double ca = k == 5 ? c2(z) : area / (z - p.CurveDepths[5]);
    Side e;
    e.Pc = std::min(2 * ca * kB + kGamma * kB * z + Single(2.83f) * ca * z, 11 * c2(z) * kB);
    e.Y50 = kEps50 * kB;
    e.As = As(z / kB);
    e.Es = kK * z;
    const Curve ce = Static(e);
    ExpectSide(file.Curves[k].Excavation, ce.Y, ce.P, "layer 2, curve " + std::to_string(k + 1));
  }
  // CAVG of the third curve of layer 2 in the report (z = 96 in, 8 ft below GS).
  const double z7 = p.CurveDepths[7];
  const double ca7 = (0.5 * (c2(60.1) + c2(p.CurveDepths[6])) * (p.CurveDepths[6] - 60.1) +
                      0.5 * (c2(p.CurveDepths[6]) + c2(z7)) * (z7 - p.CurveDepths[6])) /
                     (z7 - 60.1);
  EXPECT_NE(run.Report.str().find(fortran::Format("( 5X F10.2 F10.3 1P 3E11.4 E12.4 )", z7 / 12, kB, c2(z7),
                                                  ca7, kGamma, kEps50)
                                      .Lines[0]),
            std::string::npos);
}

}  // namespace
}  // namespace darnek::soil
