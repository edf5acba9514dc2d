// Silt curves recomputed here from the c-phi formulas (the sand wedge, the
// soft-clay bearing factor, three curve shapes) and compared with the
// scratch file in its three-digit form.
#include <algorithm>
#include <cmath>

#include "core/errors.h"
#include "soil_fixture.h"

namespace darnek::soil {
namespace {

using testing::AddLayer;
using testing::EnglishWall;
using testing::ExpectSide;
using testing::GenerateAndRead;
using testing::ScratchFile;
using testing::SoilRun;
using testing::UnscaledForm;
using testing::Values;

constexpr double kPi = 3.141592653589793;
constexpr double kK0 = 0.4000000059604645;
constexpr double kDeg = 57.295799255371094;
constexpr double kGamma = 0.07;
constexpr double kC = 2;
constexpr double kPhiDegrees = 30;

double Single(float v) { return static_cast<double>(v); }
// PHI as the profile holds it: degrees times the single-precision 3.1416 / 180.
double Radians(double degrees) { return degrees * (3.1415998935699463 / 180); }

constexpr std::array<double, 10> kRatios = {0, 0.5, 1, 1.5, 2, 2.5, 3, 4, 5, 6};
constexpr std::array<float, 10> kAStatic = {2.83f, 2.48f, 2.11f, 1.76f, 1.48f,
                                            1.23f, 1.06f, 0.90f, 0.88f, 0.88f};
constexpr std::array<float, 10> kBStatic = {2.14f, 1.83f, 1.54f, 1.27f, 1.05f,
                                            0.86f, 0.71f, 0.53f, 0.50f, 0.50f};
constexpr std::array<float, 10> kACyclic = {0.75f, 0.93f, 1.07f, 1.11f, 1.03f,
                                            0.98f, 0.94f, 0.90f, 0.88f, 0.88f};
constexpr std::array<float, 10> kBCyclic = {0.53f, 0.72f, 0.83f, 0.86f, 0.82f,
                                            0.77f, 0.70f, 0.55f, 0.55f, 0.55f};

double Lookup(const std::array<float, 10>& v, double r) {
  size_t i = 0;
  while (i < 8 && r > kRatios[i + 1]) ++i;
  return v[i] + (static_cast<double>(v[i + 1]) - v[i]) * (r - kRatios[i]) / (kRatios[i + 1] - kRatios[i]);
}

struct Soil {
  double Phi = Radians(kPhiDegrees);
  double C = kC;
  double Gamma = kGamma;
  double K = 90;
};

struct Where {
  double X = 0;      // formula depth
  double Xs = 0;     // depth below the side's surface
  double Sigma = 0;  // backfill overburden (continuous wall, backfill side)
  bool Excavation = true;
  bool Continuous = false;
  bool Cyclic = false;
  double Theta = 0;  // excavation slope, radians, both sides
  double B = 24;
};

struct Characteristic {
  int Shape = 1;
  double A = 0, Bcoef = 0, Ps = 0, Pc = 0, Pu = 0, Pm = 0;
  double Ym = 0, Yu = 0, Es = 0, M = 0, N = 0, C = 0, Yk = 0, Yi = 0, Yp = 0, Ya = 0;
  double Ka0 = 0;
};

double Wedge(const Soil& s, double b, double x, double ka) {
  const double alpha = s.Phi / 2, beta = kPi / 4 + s.Phi / 2;
  const double tb = std::tan(beta), tbp = std::tan(beta - s.Phi), tp = std::tan(s.Phi), ta = std::tan(alpha);
  return s.Gamma * x *
         (kK0 * x * tp * std::sin(beta) / (tbp * std::cos(alpha)) + tb / tbp * (b + x * tb * ta) +
          kK0 * x * tb * (tp * std::sin(beta) - ta) - ka * b);
}

double FlowAround(const Soil& s, double b, double x) {
  const double beta = kPi / 4 + s.Phi / 2;
  const double ka0 = std::pow(std::tan(kPi / 4 - s.Phi / 2), 2);
  return (kK0 * std::tan(s.Phi) * std::pow(std::tan(beta), 4) + ka0 * (std::pow(std::tan(beta), 8) - 1)) *
         s.Gamma * x * b;
}

double SlopedKa(const Soil& s, double theta) {
  if (theta <= 1e-10) return std::pow(std::tan(kPi / 4 - s.Phi / 2), 2);
  const double ct = std::cos(theta), r = std::sqrt(ct * ct - std::pow(std::cos(s.Phi), 2));
  return ct * (ct - r) / (ct + r);
}

Characteristic Characterise(const Soil& s, const Where& w) {
  Characteristic q;
  const double b = w.B;
  const double width = w.Continuous ? 12 : b;
  q.Ka0 = std::pow(std::tan(kPi / 4 - s.Phi / 2), 2);
  q.A = Lookup(w.Cyclic ? kACyclic : kAStatic, w.X / width);
  q.Bcoef = Lookup(w.Cyclic ? kBCyclic : kBStatic, w.X / width);
  const double factor = w.Excavation && w.Theta > 1e-20 ? 1 / (1 + std::tan(w.Theta)) : 1.0;
  if (!w.Continuous) {
    q.Ps = std::min(Wedge(s, b, w.X, SlopedKa(s, w.Theta)), FlowAround(s, b, w.X));
    const double np = (3 + s.Gamma * w.X / s.C + 0.5 * w.X / b) * factor;
    q.Pc = np >= 9 ? 9 * s.C * b : np * s.C * b;
  } else {
    const double delta = 0.17453332245349884;
    const double t = w.Excavation ? w.Theta : 0.0;
    const double root =
        std::sqrt(std::sin(s.Phi + delta) * std::sin(s.Phi - t) / (std::cos(delta) * std::cos(t)));
    const double kp = std::pow(std::cos(s.Phi), 2) / (std::cos(delta) * std::pow(1 - root, 2));
    q.Ps = kp * (w.Excavation ? s.Gamma * w.Xs : w.Sigma) * b;
    q.Pc = 2 * s.C * std::sqrt(kp) * b * factor;
  }
  q.Pu = q.A * q.Ps;
  q.Pm = 1.5 * q.Ps + q.Pc;
  q.Ym = width / 60;
  q.Yu = 3 * width / 80;
  q.Es = s.K * w.X;
  q.M = (q.Pu - q.Pm) / (q.Yu - q.Ym);
  q.N = q.Pm / (std::fabs(q.M) * q.Ym);
  q.C = q.Pm / std::pow(q.Ym, 1 / q.N);
  q.Yk = std::pow(q.C / q.Es, q.N / (q.N - 1));
  q.Yi = (q.Pm - q.Ym * q.M) / (q.Es - q.M);
  q.Yp = q.Pu / q.Es;
  if (q.Yk >= 0 && q.Yk < q.Ym) {
    q.Shape = 1;
  } else if (q.Yi >= q.Ym && q.Yi < q.Yu) {
    q.Shape = 2;
  } else {
    q.Shape = q.Yp >= q.Yu ? 3 : 1;
  }
  if (q.Shape == 1) {
    if (q.Yu < q.Yk) {
      q.Ym = q.Ym / q.Yu * (q.Pu / q.Es);
      q.Yu = q.Pu / q.Es;
      q.Yk = q.Ym / 10;
    }
    q.Ya = q.Yk >= 0 && q.Yk <= q.Ym / 5 ? q.Yk : q.Ym / 10;
  }
  return q;
}

struct Curve {
  std::array<double, 17> Y{};
  std::array<double, 17> P{};
};

Curve SiltCurve(const Characteristic& q, double offset = 0) {
  std::array<double, 17> y{};
  if (q.Shape == 1) {
    y[1] = q.Ya / 2;
    y[2] = q.Ya;
    for (int j = 1; j <= 9; ++j) y[2 + j] = q.Ya + j * (q.Ym - q.Ya) / 10;
    y[12] = q.Ym;
    y[13] = (q.Yu + 2 * q.Ym) / 3;
    y[14] = (2 * q.Yu + q.Ym) / 3;
    y[15] = q.Yu;
    y[16] = Single(1.2f) * q.Yu;
  } else if (q.Shape == 2) {
    const double f[8] = {0.125, 0.25, 0.375, 0.5, 0.625, 0.875, 1, 1};
    for (size_t i = 0; i < 8; ++i) y[i + 1] = q.Yi * f[i];
    for (int j = 1; j <= 5; ++j) y[8 + j] = q.Yi + j * (q.Yu - q.Yi) / 6;
    y[14] = q.Yu;
    y[15] = Single(1.1f) * q.Yu;
    y[16] = Single(1.2f) * q.Yu;
  } else {
    for (int j = 1; j <= 12; ++j) y[j] = j * q.Yp / 12;
    const float f[4] = {1.05f, 1.10f, 1.15f, 1.2f};
    for (size_t i = 0; i < 4; ++i) y[13 + i] = static_cast<double>(f[i]) * q.Yp;
  }
  Curve c;
  for (size_t i = 0; i < 17; ++i) {
    double p = 0;
    const double v = y[i];
    if (v > 0) {
      if (q.Shape == 1) {
        p = v <= q.Yk   ? q.Es * v
            : v <= q.Ym ? q.C * std::pow(v, 1 / q.N)
            : v <= q.Yu ? q.Pm + q.M * (v - q.Ym)
                        : q.Pu;
      } else if (q.Shape == 2) {
        p = v <= q.Yi ? q.Es * v : v <= q.Yu ? q.Es * q.Yi + q.M * (v - q.Yi) : q.Pu;
      } else {
        p = v <= q.Yp ? q.Es * v : q.Pu;
      }
      p = std::min(p, q.Es * v);
    }
    c.Y[i] = v;
    c.P[i] = p + offset;
  }
  return c;
}

void SiltWall(ProblemData& d, const Soil& s = {}) {
  EnglishWall(d);
  const double degrees = s.Phi / (3.1415998935699463 / 180);
  AddLayer(d, 5, 600, Values(s.Gamma, s.C, degrees, 0, s.K), Values(s.Gamma, s.C, degrees, 0, s.K));
}

TEST(Silt, InitialLineDecidesBetweenTheThreeShapes) {
  for (const double k : {1000.0, 90.0, 1.0}) {
    SoilRun run;
    ProblemData& d = run.d();
    Soil soil;
    soil.K = k;
    SiltWall(d, soil);
    PressureRow top, bottom;
    bottom.Depth = 600;
    bottom.LoadPerStation = 6000;
    d.Pressure.Rows = {top, bottom};
    const ScratchFile file = GenerateAndRead(run.Ctx);
    std::vector<int> shapes;
    for (size_t kk = 0; kk < 5; ++kk) {
      const double z = d.Profile.CurveDepths[kk];
      Where front;
      front.X = front.Xs = z;
      Where back = front;
      back.Excavation = false;
      back.X = back.Xs = z + 120;
      const Characteristic e = Characterise(soil, front);
      const Characteristic b = Characterise(soil, back);
      shapes.push_back(e.Shape);
      shapes.push_back(b.Shape);
      // Load / h / R less the cohesion term 2 c sqrt(Ka0) b.
      const auto offset = [&](double wall_depth) {
        const double pa = 6000 * wall_depth / 600 / 6 / 4 - 2 * kC * std::sqrt(e.Ka0) * 24;
        return pa < Single(1e-5f) ? 0.0 : pa;
      };
      const Curve ce = SiltCurve(e, -offset(z + 120));
      const Curve cb = SiltCurve(b, offset(z + 120));
      const std::string what = "k " + std::to_string(k) + ", curve " + std::to_string(kk + 1);
      EXPECT_EQ(file.Curves[kk].Excavation.LineLength, testing::kUnscaledLine);
      ExpectSide(file.Curves[kk].Excavation, ce.Y, ce.P, "excavation, " + what, UnscaledForm);
      ExpectSide(file.Curves[kk].Backfill, cb.Y, cb.P, "backfill, " + what, UnscaledForm);

      if (k == 1000 && kk > 0) {
        // A steep initial line meets the parabola early: shape 1 with ya = yk.
        ASSERT_EQ(e.Shape, 1);
        ASSERT_LT(e.Yk, e.Ym / 5);
        EXPECT_EQ(file.Curves[kk].Excavation.YText[2], UnscaledForm(e.Yk));
        EXPECT_EQ(file.Curves[kk].Excavation.YText[1], UnscaledForm(e.Yk / 2));
        EXPECT_EQ(file.Curves[kk].Excavation.PText[2], UnscaledForm(k * z * e.Yk - offset(z + 120)));
      }
      if (k == 1) {
        // pu / Es lies beyond yu: the initial line to pu, then pu.
        ASSERT_EQ(e.Shape, 3);
        ASSERT_EQ(b.Shape, 3);
        ASSERT_GE(e.Yp, e.Yu);
        EXPECT_EQ(file.Curves[kk].Excavation.YText[12], UnscaledForm(e.Pu / (k * z)));
        EXPECT_EQ(file.Curves[kk].Excavation.PText[12], UnscaledForm(e.Pu - offset(z + 120)));
        EXPECT_EQ(file.Curves[kk].Excavation.PText[16], file.Curves[kk].Excavation.PText[12]);
        EXPECT_EQ(file.Curves[kk].Excavation.YText[6], UnscaledForm(0.5 * e.Pu / (k * z)));
      }
    }
    if (k == 90) {
      // Between the two, the line meets the straight segment for some curves.
      EXPECT_NE(std::count(shapes.begin(), shapes.end(), 1), 0);
      EXPECT_NE(std::count(shapes.begin(), shapes.end(), 2), 0);
    }
  }
}

TEST(Silt, FrictionlessSiltStopsAtTheFirstCurveWhateverTheSlope) {
  const std::string warning =
      "WARNING-------The Angle of the slope can not\n"
      "              be greater than the internal  \n"
      "              friction angle of the sand.   \n";
  for (const double slope : {0.0, 10.0}) {
    SoilRun run;
    Soil soil;
    soil.Phi = 0;
    SiltWall(run.d(), soil);
    run.d().Wall.ExcavationSlope = slope;
    EXPECT_TRUE(testing::StopsWithWarning(run, [&] { GeneratePyCurves(run.Ctx); }));
    EXPECT_EQ(run.Console.str(), warning);
    EXPECT_EQ(run.Report.str().find("AT THE EXCAVATION SIDE"), std::string::npos);
  }
  // A slope steeper than the friction angle, either way, also stops.
  SoilRun steep;
  Soil soil;
  soil.Phi = Radians(20);
  SiltWall(steep.d(), soil);
  steep.d().Wall.ExcavationSlope = -25;
  EXPECT_TRUE(testing::StopsWithWarning(steep, [&] { GeneratePyCurves(steep.Ctx); }));
  EXPECT_EQ(steep.Console.str(), warning);
}

TEST(Silt, SlopingGroundChangesKaOnBothSidesAndNpInFront) {
  SoilRun run;
  ProblemData& d = run.d();
  const Soil soil;
  SiltWall(d, soil);
  d.Soil.LoadingType = Loading::Cyclic;
  d.Wall.ExcavationSlope = 20;
  const ScratchFile file = GenerateAndRead(run.Ctx);
  for (size_t k = 0; k < 5; ++k) {
    const double z = d.Profile.CurveDepths[k];
    Where front;
    front.X = front.Xs = z;
    front.Cyclic = true;
    front.Theta = 20 / kDeg;
    Where back = front;
    back.Excavation = false;
    back.X = back.Xs = z + 120;
    const Curve ce = SiltCurve(Characterise(soil, front));
    const Curve cb = SiltCurve(Characterise(soil, back));
    ExpectSide(file.Curves[k].Excavation, ce.Y, ce.P, "sloped excavation, curve " + std::to_string(k + 1),
               UnscaledForm);
    ExpectSide(file.Curves[k].Backfill, cb.Y, cb.P, "sloped backfill, curve " + std::to_string(k + 1),
               UnscaledForm);
  }
  // The sloped Ka lies above the level one.
  EXPECT_GT(SlopedKa(soil, 20 / kDeg), SlopedKa(soil, 0));
}

TEST(Silt, ContinuousWallUsesPassivePressureWithTenDegreesOfWallFriction) {
  SoilRun run;
  ProblemData& d = run.d();
  const Soil soil;
  SiltWall(d, soil);
  d.Wall.WA = 30;
  d.Wall.WP = 30;
  d.Wall.SurfacePressure = 0.4;
  d.Wall.ExcavationSlope = 10;
  const ScratchFile file = GenerateAndRead(run.Ctx);
  EXPECT_NEAR(std::cos(0.17453332245349884), 0.9848076840296858, 1e-16);
  for (size_t k = 0; k < 5; ++k) {
    const double z = d.Profile.CurveDepths[k];
    Where front;
    front.X = front.Xs = z;
    front.Continuous = true;
    front.Theta = 10 / kDeg;
    front.B = 30;
    Where back = front;
    back.Excavation = false;
    back.X = back.Xs = z + 120;
    back.Sigma = 0.4 + kGamma * (z + 120);
    const Curve ce = SiltCurve(Characterise(soil, front));
    const Curve cb = SiltCurve(Characterise(soil, back));
    ExpectSide(file.Curves[k].Excavation, ce.Y, ce.P, "continuous excavation, curve " + std::to_string(k + 1),
               UnscaledForm);
    ExpectSide(file.Curves[k].Backfill, cb.Y, cb.P, "continuous backfill, curve " + std::to_string(k + 1),
               UnscaledForm);
  }
}

TEST(Silt, ReportsTheCohesiveAndFrictionalResistanceWithThePhiOfCodePage437) {
  SoilRun run;
  SiltWall(run.d());
  GeneratePyCurves(run.Ctx);
  Where front;
  front.X = front.Xs = 0.1;
  const Characteristic q = Characterise(Soil{}, front);
  const std::string expected =
      "     DEPTH      DIAM       PHI GAMMA AVG         A         B       Puc       Pu\xED\n"
      "        FT        IN       DEG LBS/IN**3                        LBS/IN    LBS/IN\n" +
      fortran::Format("( 2F10.2 F10.1 1P E10.3 0P 2F10.2 1P 2E10.3 )", 0.1 / 12, 24.0, 30.0, kGamma, q.A,
                      q.Bcoef, q.Pc, q.Ps)
          .Lines[0] +
      "\n";
  EXPECT_NE(run.Report.str().find(expected), std::string::npos);
  EXPECT_NE(expected.find("      0.01     24.00      30.0 7.000E-02      2.83      2.14"), std::string::npos);
  EXPECT_EQ(testing::CountOccurrences(run.Report.str(), "Pu\xED\n"), 10);
}

// The resistance whose integral defines the equivalent depth: A times the
// wedge value plus the cohesive part down to the depth where the wedge and
// flow-around values meet, 0.88 times the flow-around value plus 9 c b below.
double MeetingDepth(const Soil& s, double b) {
  double lo = 1e-9, hi = 1e5;
  for (int i = 0; i < 200; ++i) {
    const double mid = 0.5 * (lo + hi);
    (Wedge(s, b, mid, SlopedKa(s, 0)) < FlowAround(s, b, mid) ? lo : hi) = mid;
  }
  return lo;
}

double ResistanceIntegral(const Soil& s, double b, double depth) {
  const double meet = MeetingDepth(s, b);
  const int steps = 20000;
  const double h = depth / steps;
  double sum = 0, previous = 0;
  for (int i = 1; i <= steps; ++i) {
    const double x = i * h;
    double value;
    if (x < meet) {
      const double np = 3 + s.Gamma * x / s.C + 0.5 * x / b;
      value = Lookup(kAStatic, x / b) * Wedge(s, b, x, SlopedKa(s, 0)) + std::min(np, 9.0) * s.C * b;
    } else {
      value = Single(0.88f) * FlowAround(s, b, x) + 9 * s.C * b;
    }
    sum += 0.5 * (previous + value) * h;
    previous = value;
  }
  return sum;
}

TEST(Silt, LaterLayerEntersAtTheDepthOfEqualResistance) {
  Soil silt;
  silt.Phi = Radians(20);
  silt.C = 0.5;
  const double b = 6;
  const double meet = MeetingDepth(silt, b);
  for (const double clay_strength : {0.3, 6.0}) {
    SoilRun run;
    ProblemData& d = run.d();
    EnglishWall(d);
    d.Wall.WP = b;
    d.Wall.WA = 4 * b;
    // Soft clay to 60 in below the excavation, then silt.
    AddLayer(d, 1, 180, Values(kGamma, clay_strength, 0, 0.01), Values(kGamma, clay_strength, 0, 0.01));
    AddLayer(d, 5, 600, Values(kGamma, silt.C, 20, 0, silt.K), Values(kGamma, silt.C, 20, 0, silt.K));
    const ScratchFile file = GenerateAndRead(run.Ctx);
    const SoilProfile& p = d.Profile;
    const double accumulated = p.CumulativeResistance[0];
    const double xeq = p.XEQ[1];
    if (clay_strength < 1) {
      // Within the 50 steps the sum is interpolated linearly inside a step.
      ASSERT_LT(xeq, meet);
      double lo = 0, hi = meet;
      for (int i = 0; i < 40; ++i) {
        const double mid = 0.5 * (lo + hi);
        (ResistanceIntegral(silt, b, mid) < accumulated ? lo : hi) = mid;
      }
      EXPECT_NEAR(xeq, lo, 0.25 * meet / 50);
    } else {
      // Beyond the meeting depth the remainder is divided by the resistance
      // there: the flow-around value with A = 0.88 plus 9 c b.
      ASSERT_GT(xeq, meet);
      const double rest = accumulated - ResistanceIntegral(silt, b, meet);
      const double expected = meet + rest / (Single(0.88f) * FlowAround(silt, b, meet) + 9 * silt.C * b);
      EXPECT_NEAR(xeq, expected, 1e-3 * expected);
    }
    // The silt curves of layer 2 use x - 60 + XEQ, A and B included.
    const double z = p.CurveDepths[7];
    Where front;
    front.X = z - 60 + xeq;
    front.Xs = z;
    front.B = b;
    const Curve e = SiltCurve(Characterise(silt, front));
    ExpectSide(file.Curves[7].Excavation, e.Y, e.P, "layer 2, curve 3", UnscaledForm);
  }
}

}  // namespace
}  // namespace darnek::soil
