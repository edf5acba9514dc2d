// Sand curves recomputed here from the Reese, Cox and Koop formulas and
// compared with the scratch file at its precision.
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

constexpr double kPi = 3.1415998935699463;
constexpr double kK0 = 0.4000000059604645;
constexpr double kDeg = 57.295799255371094;
constexpr double kGamma = 0.07;
constexpr double kPhiDegrees = 35;
constexpr double kK = 90;

const double kPhi = kPhiDegrees * (kPi / 180);

struct Table {
  std::array<float, 10> A;
  std::array<float, 10> B;
};
constexpr std::array<float, 10> kRatios = {0, 0.5f, 1, 1.5f, 2, 2.5f, 3, 4, 5, 6};
constexpr Table kStatic = {{2.83f, 2.48f, 2.11f, 1.76f, 1.48f, 1.23f, 1.06f, 0.90f, 0.88f, 0.88f},
                           {2.14f, 1.83f, 1.54f, 1.27f, 1.05f, 0.86f, 0.71f, 0.53f, 0.50f, 0.50f}};
constexpr Table kCyclic = {{0.75f, 0.93f, 1.07f, 1.11f, 1.03f, 0.98f, 0.94f, 0.90f, 0.88f, 0.88f},
                           {0.53f, 0.72f, 0.83f, 0.86f, 0.82f, 0.77f, 0.70f, 0.55f, 0.55f, 0.55f}};

double Lookup(const std::array<float, 10>& v, double r) {
  size_t i = 0;
  while (i < 8 && r > kRatios[i + 1]) ++i;
  return v[i] + (static_cast<double>(v[i + 1]) - v[i]) * (r - kRatios[i]) / (kRatios[i + 1] - kRatios[i]);
}

struct SandSoil {
  double Phi = kPhi;
  double Gamma = kGamma;
  double K = kK;
};

// Characteristic values of one side.
struct SandSide {
  double A = 0, B = 0;  // A, B
  double Pct = 0, Pcd = 0, Ps = 0;
  double Pu = 0, Pm = 0, Yu = 0, Ym = 0, Yk = 0, Ya = 0;
  double Kx = 0, M = 0, N = 0, C = 0;
};

double Wedge(const SandSoil& s, double b, double x, double theta) {
  const double alpha = s.Phi / 2, beta = kPi / 4 + s.Phi / 2;
  const double ka = std::pow(std::tan(kPi / 4 - s.Phi / 2), 2);
  const double tb = std::tan(beta), tbp = std::tan(beta - s.Phi), tp = std::tan(s.Phi), ta = std::tan(alpha);
  if (theta <= 1e-15) {
    return s.Gamma * x *
           (kK0 * x * tp * std::sin(beta) / (tbp * std::cos(alpha)) + tb / tbp * (b + x * tb * ta) +
            kK0 * x * tb * (tp * std::sin(beta) - ta) - ka * b);
  }
  const double dd = std::tan(theta) * tb / (1 + std::tan(theta) * tb);
  const double d2 = 1 / (1 + std::tan(theta) * tb);
  const double f = 4 * dd * dd * dd - 3 * dd * dd + 1;
  return s.Gamma * x *
         (kK0 * x * tp * std::sin(beta) * f / (tbp * std::cos(alpha)) +
          tb / tbp * (b * d2 + x * tb * ta * d2 * d2) + kK0 * x * tb * (tp * std::sin(beta) - ta) * f -
          ka * b);
}

double FlowAround(const SandSoil& s, double b, double x) {
  const double beta = kPi / 4 + s.Phi / 2;
  const double ka = std::pow(std::tan(kPi / 4 - s.Phi / 2), 2);
  return (ka * (std::pow(std::tan(beta), 8) - 1) + kK0 * std::tan(s.Phi) * std::pow(std::tan(beta), 4)) * b *
         s.Gamma * x;
}

// ps given (wedge/flow-around or passive), the rest of steps 4 and 5.
SandSide Characteristic(const SandSoil& s, double ps, double a, double bcoef, double width, double x) {
  SandSide q;
  q.A = a;
  q.B = bcoef;
  q.Ps = ps;
  q.Pu = a * ps;
  q.Pm = bcoef * ps;
  q.Yu = 3 * width / 80;
  q.Ym = width / 60;
  q.Kx = s.K * x;
  q.M = (q.Pu - q.Pm) / (q.Yu - q.Ym);
  q.N = q.Pm / (q.M * q.Ym);
  q.C = q.Pm / std::pow(q.Ym, 1 / q.N);
  q.Yk = std::pow(q.C / q.Kx, q.N / (q.N - 1));
  if (q.Yu < q.Yk) {
    q.Ym = q.Ym / q.Yu * (q.Pu / q.Kx);
    q.Yu = q.Pu / q.Kx;
    q.Yk = q.Ym / 10;
  }
  q.Ya = q.Yk <= q.Ym / 5 ? q.Yk : q.Ym / 10;
  return q;
}

SandSide Spaced(const SandSoil& s, double b, double x, double xs, const Table& t, double theta = 0) {
  const double pct = Wedge(s, b, x, theta);
  const double pcd = FlowAround(s, b, x);
  SandSide q = Characteristic(s, std::min(pct, pcd), Lookup(t.A, xs / b), Lookup(t.B, xs / b), b, x);
  q.Pct = pct;
  q.Pcd = pcd;
  return q;
}

struct Curve {
  std::array<double, 17> Y{};
  std::array<double, 17> P{};
};

Curve SandCurve(const SandSide& q, double pm = 1, double ym = 1, double offset = 0) {
  std::array<double, 17> y{};
  y[1] = q.Ya / 2;
  y[2] = q.Ya;
  for (int j = 1; j <= 9; ++j) y[2 + j] = q.Ya + j * (q.Ym - q.Ya) / 10;
  y[12] = q.Ym;
  y[13] = (q.Yu + 2 * q.Ym) / 3;
  y[14] = (2 * q.Yu + q.Ym) / 3;
  y[15] = q.Yu;
  y[16] = 1.2000000476837158 * q.Yu;
  Curve curve;
  for (size_t i = 0; i < 17; ++i) {
    double p = 0;
    if (y[i] > 0) {
      if (y[i] <= q.Yk && y[i] < q.Ym) {
        p = q.Kx * y[i];
      } else if (y[i] >= q.Ym) {
        p = y[i] < q.Yu ? q.Pm + q.M * (y[i] - q.Ym) : q.Pu;
      } else {
        p = q.C * std::pow(y[i], 1 / q.N);
      }
      p = std::min(p, q.Kx * y[i]);
    }
    curve.Y[i] = ym * y[i];
    curve.P[i] = pm * p + offset;
  }
  return curve;
}

void SandWall(ProblemData& d, double k = kK) {
  EnglishWall(d);
  AddLayer(d, 4, 600, Values(kGamma, 0, kPhiDegrees, 0, k), Values(kGamma, 0, kPhiDegrees, 0, k));
}

ScratchFile Generate(SoilRun& run) {
  GeneratePyCurves(run.Ctx);
  return ReadScratch(run.Ctx.Names.PyScratch, 0);
}

TEST(Sand, StaticCurvesFollowTheFourPartCurveOnBothSides) {
  SoilRun run;
  ProblemData& d = run.d();
  SandWall(d);
  PressureRow top, bottom;
  bottom.Depth = 600;
  bottom.LoadPerStation = 6000;
  d.Pressure.Rows = {top, bottom};
  const ScratchFile file = Generate(run);
  const SandSoil soil;
  for (size_t k = 0; k < 5; ++k) {
    const double z = d.Profile.CurveDepths[k];
    const double pa = 6000 * (z + 120) / 600 / 6 / 4;  // no cohesion term
    const Curve e = SandCurve(Spaced(soil, 24, z, z, kStatic), 1, 1, -pa);
    const Curve b = SandCurve(Spaced(soil, 24, z + 120, z + 120, kStatic), 1, 1, pa);
    ExpectSide(file.Curves[k].Excavation, e.Y, e.P, "excavation, curve " + std::to_string(k + 1));
    ExpectSide(file.Curves[k].Backfill, b.Y, b.P, "backfill, curve " + std::to_string(k + 1));
  }
  // Near the surface the wedge governs, behind the wall the flow-around does not yet.
  const SandSide shallow = Spaced(soil, 24, 0.1, 0.1, kStatic);
  EXPECT_LT(shallow.Pct, shallow.Pcd);
}

TEST(Sand, CoefficientAtAQuarterOfTheWidthIsTheMeanOfTheFirstTwo) {
  SoilRun run;
  ProblemData& d = run.d();
  SandWall(d);
  d.Wall.WP = 132;
  d.Wall.WA = 528;
  const ScratchFile file = Generate(run);
  // Curve 2 lies a quarter of the way down the 132 in profile: x / b = 0.25.
  ASSERT_EQ(d.Profile.CurveDepths[1], 33);
  const double a = 0.5 * (static_cast<double>(2.83f) + static_cast<double>(2.48f));
  const double b = 0.5 * (static_cast<double>(2.14f) + static_cast<double>(1.83f));
  const SandSoil soil;
  const double ps = std::min(Wedge(soil, 132, 33, 0), FlowAround(soil, 132, 33));
  const SandSide q = Characteristic(soil, ps, a, b, 132, 33);
  const Curve e = SandCurve(q);
  ExpectSide(file.Curves[1].Excavation, e.Y, e.P, "x/b = 0.25");
  EXPECT_NEAR(q.Pu, 2.655 * ps, 1e-6 * ps);
  // A = 2.655 and B = 1.985 print as their binary values round.
  EXPECT_NE(run.Report.str().find("\n           2.75 132.00  35.00   7.00E-02 2.65 1.99 1.27E+03 1.64E+04\n"),
            std::string::npos);
}

TEST(Sand, GridIsRescaledWhenTheInitialLineMeetsTheParabolaBeyondYu) {
  SoilRun run;
  ProblemData& d = run.d();
  SandWall(d, 0.5);  // a soft initial line
  const ScratchFile file = Generate(run);
  const SandSoil soil{kPhi, kGamma, 0.5};
  for (size_t k = 0; k < 5; ++k) {
    const double z = d.Profile.CurveDepths[k];
    // Before the rescaling, the initial line meets the parabola beyond yu.
    const double ps = std::min(Wedge(soil, 24, z, 0), FlowAround(soil, 24, z));
    const double pu = Lookup(kStatic.A, z / 24) * ps, pm = Lookup(kStatic.B, z / 24) * ps;
    const double yu = 3 * 24.0 / 80, ym = 24.0 / 60;
    const double m = (pu - pm) / (yu - ym), n = pm / (m * ym), c = pm / std::pow(ym, 1 / n);
    EXPECT_GT(std::pow(c / (0.5 * z), n / (n - 1)), yu) << "curve " << k + 1;
    const SandSide q = Spaced(soil, 24, z, z, kStatic);
    EXPECT_DOUBLE_EQ(q.Yu, pu / (0.5 * z));
    const Curve e = SandCurve(q);
    ExpectSide(file.Curves[k].Excavation, e.Y, e.P, "rescaled, curve " + std::to_string(k + 1));
    // The 17 points still end at 1.2 times the new yu.
    EXPECT_EQ(file.Curves[k].Excavation.YText[16], FileForm(1.2000000476837158 * q.Pu / (0.5 * z)));
  }
}

TEST(Sand, CyclicAndSlopedExcavationUseTheirOwnForms) {
  SoilRun run;
  ProblemData& d = run.d();
  SandWall(d);
  d.Soil.LoadingType = Loading::Cyclic;
  d.Wall.ExcavationSlope = -20;
  const ScratchFile file = Generate(run);
  const SandSoil soil;
  const double theta = 20 / kDeg;
  for (size_t k = 0; k < 5; ++k) {
    const double z = d.Profile.CurveDepths[k];
    const Curve e = SandCurve(Spaced(soil, 24, z, z, kCyclic, theta));
    const Curve b = SandCurve(Spaced(soil, 24, z + 120, z + 120, kCyclic));
    ExpectSide(file.Curves[k].Excavation, e.Y, e.P,
               "sloped cyclic excavation, curve " + std::to_string(k + 1));
    ExpectSide(file.Curves[k].Backfill, b.Y, b.P, "cyclic backfill, curve " + std::to_string(k + 1));
  }
}

TEST(Sand, ContinuousWallUsesPassivePressureAndTheOneFootWidth) {
  SoilRun run;
  ProblemData& d = run.d();
  SandWall(d);
  d.Wall.WA = 30;
  d.Wall.WP = 30;
  d.Wall.SurfacePressure = 0.4;
  d.Wall.ExcavationSlope = 10;
  const ScratchFile file = Generate(run);
  const SandSoil soil;
  const auto kp = [&](double t) {
    const double delta = kPhi / 2;
    const double root =
        std::sqrt(std::sin(delta + kPhi) * std::sin(kPhi - t) / (std::cos(delta) * std::cos(t)));
    return std::pow(std::cos(kPhi), 2) / (std::cos(delta) * std::pow(1 - root, 2));
  };
  for (size_t k = 0; k < 5; ++k) {
    const double z = d.Profile.CurveDepths[k];
    // The resistance on the width WP; the coefficients and the curve shape of
    // a one-foot strip.
    const double ps_e = kp(10 / kDeg) * kGamma * z * 30;
    const double ps_b = kp(0) * (0.4 + kGamma * (z + 120)) * 30;
    const SandSide qe =
        Characteristic(soil, ps_e, Lookup(kStatic.A, z / 12), Lookup(kStatic.B, z / 12), 12, z);
    const SandSide qb = Characteristic(soil, ps_b, Lookup(kStatic.A, (z + 120) / 12),
                                       Lookup(kStatic.B, (z + 120) / 12), 12, z + 120);
    const Curve e = SandCurve(qe);
    const Curve b = SandCurve(qb);
    ExpectSide(file.Curves[k].Excavation, e.Y, e.P, "continuous excavation, curve " + std::to_string(k + 1));
    ExpectSide(file.Curves[k].Backfill, b.Y, b.P, "continuous backfill, curve " + std::to_string(k + 1));
  }
  EXPECT_NE(run.Report.str().find("PC \n"), std::string::npos);
}

// The depth below which the flow-around value is the smaller, and the
// integral from 0 of the resistance that defines the equivalent depth: A
// times the wedge value down to that depth, the flow-around value with
// A = 0.88 below it (fine trapezoids).
double MeetingDepth(const SandSoil& s, double b) {
  double lo = 1e-9, hi = 1e5;
  for (int i = 0; i < 200; ++i) {
    const double mid = 0.5 * (lo + hi);
    (Wedge(s, b, mid, 0) < FlowAround(s, b, mid) ? lo : hi) = mid;
  }
  return lo;
}

double SandResistanceIntegral(const SandSoil& s, double b, double depth) {
  const double meet = MeetingDepth(s, b);
  const int steps = 20000;
  const double h = depth / steps;
  double sum = 0;
  double previous = 0;
  for (int i = 1; i <= steps; ++i) {
    const double x = i * h;
    const double value = x < meet ? Lookup(kStatic.A, x / b) * Wedge(s, b, x, 0) : 0.88 * FlowAround(s, b, x);
    sum += 0.5 * (previous + value) * h;
    previous = value;
  }
  return sum;
}

TEST(Sand, LaterLayerEntersAtTheDepthOfEqualResistance) {
  const SandSoil sand{20 * (kPi / 180), kGamma, kK};
  const double b = 6;
  const double meet = MeetingDepth(sand, b);
  for (const double clay_strength : {0.5, 6.0}) {
    SoilRun run;
    ProblemData& d = run.d();
    EnglishWall(d);
    d.Wall.WP = b;
    d.Wall.WA = 4 * b;
    // Clay to 60 in below the excavation, then sand.
    AddLayer(d, 1, 180, Values(kGamma, clay_strength, 0, 0.01), Values(kGamma, clay_strength, 0, 0.01));
    AddLayer(d, 4, 600, Values(kGamma, 0, 20, 0, kK), Values(kGamma, 0, 20, 0, kK));
    const ScratchFile file = Generate(run);
    const SoilProfile& p = d.Profile;
    const double accumulated = p.CumulativeResistance[0];
    const double xeq = p.XEQ[1];
    if (clay_strength < 1) {
      // Within the 100 wedge steps the sum is interpolated linearly inside a
      // step: the depth is that of the exact integral to a fraction of a step.
      ASSERT_LT(xeq, meet);
      double lo = 0, hi = meet;
      for (int i = 0; i < 40; ++i) {
        const double mid = 0.5 * (lo + hi);
        (SandResistanceIntegral(sand, b, mid) < accumulated ? lo : hi) = mid;
      }
      EXPECT_NEAR(xeq, lo, 0.25 * meet / 100);
    } else {
      // Beyond the meeting depth the remainder is divided by the flow-around
      // value there, with A = 0.88.
      ASSERT_GT(xeq, meet);
      const double rest = accumulated - SandResistanceIntegral(sand, b, meet);
      const double expected = meet + rest / (static_cast<double>(0.88f) * FlowAround(sand, b, meet));
      EXPECT_NEAR(xeq, expected, 1e-3 * expected);
    }
    // The sand curves of layer 2 use x - 60 + XEQ; A uses the side's own depth.
    const double z = p.CurveDepths[7];
    const Curve e = SandCurve(Spaced(sand, b, z - 60 + xeq, z, kStatic));
    ExpectSide(file.Curves[7].Excavation, e.Y, e.P, "layer 2, curve 3");
  }
}

}  // namespace
}  // namespace darnek::soil
