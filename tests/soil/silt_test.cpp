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
  double phi = Radians(kPhiDegrees);
  double c = kC;
  double gamma = kGamma;
  double k = 90;
};

struct Where {
  double x = 0;      // formula depth
  double xs = 0;     // depth below the side's surface
  double sigma = 0;  // backfill overburden (continuous wall, backfill side)
  bool excavation = true;
  bool continuous = false;
  bool cyclic = false;
  double theta = 0;  // excavation slope, radians, both sides
  double b = 24;
};

struct Characteristic {
  int shape = 1;
  double a = 0, bcoef = 0, ps = 0, pc = 0, pu = 0, pm = 0;
  double ym = 0, yu = 0, es = 0, m = 0, n = 0, c = 0, yk = 0, yi = 0, yp = 0, ya = 0;
  double ka0 = 0;
};

double Wedge(const Soil& s, double b, double x, double ka) {
  const double alpha = s.phi / 2, beta = kPi / 4 + s.phi / 2;
  const double tb = std::tan(beta), tbp = std::tan(beta - s.phi), tp = std::tan(s.phi), ta = std::tan(alpha);
  return s.gamma * x *
         (kK0 * x * tp * std::sin(beta) / (tbp * std::cos(alpha)) + tb / tbp * (b + x * tb * ta) +
          kK0 * x * tb * (tp * std::sin(beta) - ta) - ka * b);
}

double FlowAround(const Soil& s, double b, double x) {
  const double beta = kPi / 4 + s.phi / 2;
  const double ka0 = std::pow(std::tan(kPi / 4 - s.phi / 2), 2);
  return (kK0 * std::tan(s.phi) * std::pow(std::tan(beta), 4) + ka0 * (std::pow(std::tan(beta), 8) - 1)) *
         s.gamma * x * b;
}

double SlopedKa(const Soil& s, double theta) {
  if (theta <= 1e-10) return std::pow(std::tan(kPi / 4 - s.phi / 2), 2);
  const double ct = std::cos(theta), r = std::sqrt(ct * ct - std::pow(std::cos(s.phi), 2));
  return ct * (ct - r) / (ct + r);
}

Characteristic Characterise(const Soil& s, const Where& w) {
  Characteristic q;
  const double b = w.b;
  const double width = w.continuous ? 12 : b;
  q.ka0 = std::pow(std::tan(kPi / 4 - s.phi / 2), 2);
  q.a = Lookup(w.cyclic ? kACyclic : kAStatic, w.x / width);
  q.bcoef = Lookup(w.cyclic ? kBCyclic : kBStatic, w.x / width);
  const double factor = w.excavation && w.theta > 1e-20 ? 1 / (1 + std::tan(w.theta)) : 1.0;
  if (!w.continuous) {
    q.ps = std::min(Wedge(s, b, w.x, SlopedKa(s, w.theta)), FlowAround(s, b, w.x));
    const double np = (3 + s.gamma * w.x / s.c + 0.5 * w.x / b) * factor;
    q.pc = np >= 9 ? 9 * s.c * b : np * s.c * b;
  } else {
    const double delta = 0.17453332245349884;
    const double t = w.excavation ? w.theta : 0.0;
    const double root =
        std::sqrt(std::sin(s.phi + delta) * std::sin(s.phi - t) / (std::cos(delta) * std::cos(t)));
    const double kp = std::pow(std::cos(s.phi), 2) / (std::cos(delta) * std::pow(1 - root, 2));
    q.ps = kp * (w.excavation ? s.gamma * w.xs : w.sigma) * b;
    q.pc = 2 * s.c * std::sqrt(kp) * b * factor;
  }
  q.pu = q.a * q.ps;
  q.pm = 1.5 * q.ps + q.pc;
  q.ym = width / 60;
  q.yu = 3 * width / 80;
  q.es = s.k * w.x;
  q.m = (q.pu - q.pm) / (q.yu - q.ym);
  q.n = q.pm / (std::fabs(q.m) * q.ym);
  q.c = q.pm / std::pow(q.ym, 1 / q.n);
  q.yk = std::pow(q.c / q.es, q.n / (q.n - 1));
  q.yi = (q.pm - q.ym * q.m) / (q.es - q.m);
  q.yp = q.pu / q.es;
  if (q.yk >= 0 && q.yk < q.ym) {
    q.shape = 1;
  } else if (q.yi >= q.ym && q.yi < q.yu) {
    q.shape = 2;
  } else {
    q.shape = q.yp >= q.yu ? 3 : 1;
  }
  if (q.shape == 1) {
    if (q.yu < q.yk) {
      q.ym = q.ym / q.yu * (q.pu / q.es);
      q.yu = q.pu / q.es;
      q.yk = q.ym / 10;
    }
    q.ya = q.yk >= 0 && q.yk <= q.ym / 5 ? q.yk : q.ym / 10;
  }
  return q;
}

struct Curve {
  std::array<double, 17> y{};
  std::array<double, 17> p{};
};

Curve SiltCurve(const Characteristic& q, double offset = 0) {
  std::array<double, 17> y{};
  if (q.shape == 1) {
    y[1] = q.ya / 2;
    y[2] = q.ya;
    for (int j = 1; j <= 9; ++j) y[2 + j] = q.ya + j * (q.ym - q.ya) / 10;
    y[12] = q.ym;
    y[13] = (q.yu + 2 * q.ym) / 3;
    y[14] = (2 * q.yu + q.ym) / 3;
    y[15] = q.yu;
    y[16] = Single(1.2f) * q.yu;
  } else if (q.shape == 2) {
    const double f[8] = {0.125, 0.25, 0.375, 0.5, 0.625, 0.875, 1, 1};
    for (size_t i = 0; i < 8; ++i) y[i + 1] = q.yi * f[i];
    for (int j = 1; j <= 5; ++j) y[8 + j] = q.yi + j * (q.yu - q.yi) / 6;
    y[14] = q.yu;
    y[15] = Single(1.1f) * q.yu;
    y[16] = Single(1.2f) * q.yu;
  } else {
    for (int j = 1; j <= 12; ++j) y[j] = j * q.yp / 12;
    const float f[4] = {1.05f, 1.10f, 1.15f, 1.2f};
    for (size_t i = 0; i < 4; ++i) y[13 + i] = static_cast<double>(f[i]) * q.yp;
  }
  Curve c;
  for (size_t i = 0; i < 17; ++i) {
    double p = 0;
    const double v = y[i];
    if (v > 0) {
      if (q.shape == 1) {
        p = v <= q.yk   ? q.es * v
            : v <= q.ym ? q.c * std::pow(v, 1 / q.n)
            : v <= q.yu ? q.pm + q.m * (v - q.ym)
                        : q.pu;
      } else if (q.shape == 2) {
        p = v <= q.yi ? q.es * v : v <= q.yu ? q.es * q.yi + q.m * (v - q.yi) : q.pu;
      } else {
        p = v <= q.yp ? q.es * v : q.pu;
      }
      p = std::min(p, q.es * v);
    }
    c.y[i] = v;
    c.p[i] = p + offset;
  }
  return c;
}

void SiltWall(ProblemData& d, const Soil& s = {}) {
  EnglishWall(d);
  const double degrees = s.phi / (3.1415998935699463 / 180);
  AddLayer(d, 5, 600, Values(s.gamma, s.c, degrees, 0, s.k), Values(s.gamma, s.c, degrees, 0, s.k));
}

TEST(Silt, InitialLineDecidesBetweenTheThreeShapes) {
  for (const double k : {1000.0, 90.0, 1.0}) {
    SoilRun run;
    ProblemData& d = run.d();
    Soil soil;
    soil.k = k;
    SiltWall(d, soil);
    PressureRow top, bottom;
    bottom.Depth = 600;
    bottom.LoadPerStation = 6000;
    d.Pressure.Rows = {top, bottom};
    const ScratchFile file = GenerateAndRead(run.ctx);
    std::vector<int> shapes;
    for (size_t kk = 0; kk < 5; ++kk) {
      const double z = d.Profile.CurveDepths[kk];
      Where front;
      front.x = front.xs = z;
      Where back = front;
      back.excavation = false;
      back.x = back.xs = z + 120;
      const Characteristic e = Characterise(soil, front);
      const Characteristic b = Characterise(soil, back);
      shapes.push_back(e.shape);
      shapes.push_back(b.shape);
      // Load / h / R less the cohesion term 2 c sqrt(Ka0) b.
      const auto offset = [&](double wall_depth) {
        const double pa = 6000 * wall_depth / 600 / 6 / 4 - 2 * kC * std::sqrt(e.ka0) * 24;
        return pa < Single(1e-5f) ? 0.0 : pa;
      };
      const Curve ce = SiltCurve(e, -offset(z + 120));
      const Curve cb = SiltCurve(b, offset(z + 120));
      const std::string what = "k " + std::to_string(k) + ", curve " + std::to_string(kk + 1);
      EXPECT_EQ(file.curves[kk].excavation.line_length, testing::kUnscaledLine);
      ExpectSide(file.curves[kk].excavation, ce.y, ce.p, "excavation, " + what, UnscaledForm);
      ExpectSide(file.curves[kk].backfill, cb.y, cb.p, "backfill, " + what, UnscaledForm);

      if (k == 1000 && kk > 0) {
        // A steep initial line meets the parabola early: shape 1 with ya = yk.
        ASSERT_EQ(e.shape, 1);
        ASSERT_LT(e.yk, e.ym / 5);
        EXPECT_EQ(file.curves[kk].excavation.y_text[2], UnscaledForm(e.yk));
        EXPECT_EQ(file.curves[kk].excavation.y_text[1], UnscaledForm(e.yk / 2));
        EXPECT_EQ(file.curves[kk].excavation.p_text[2], UnscaledForm(k * z * e.yk - offset(z + 120)));
      }
      if (k == 1) {
        // pu / Es lies beyond yu: the initial line to pu, then pu.
        ASSERT_EQ(e.shape, 3);
        ASSERT_EQ(b.shape, 3);
        ASSERT_GE(e.yp, e.yu);
        EXPECT_EQ(file.curves[kk].excavation.y_text[12], UnscaledForm(e.pu / (k * z)));
        EXPECT_EQ(file.curves[kk].excavation.p_text[12], UnscaledForm(e.pu - offset(z + 120)));
        EXPECT_EQ(file.curves[kk].excavation.p_text[16], file.curves[kk].excavation.p_text[12]);
        EXPECT_EQ(file.curves[kk].excavation.y_text[6], UnscaledForm(0.5 * e.pu / (k * z)));
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
    soil.phi = 0;
    SiltWall(run.d(), soil);
    run.d().Wall.ExcavationSlope = slope;
    EXPECT_TRUE(testing::StopsWithWarning(run, [&] { GeneratePyCurves(run.ctx); }));
    EXPECT_EQ(run.console.str(), warning);
    EXPECT_EQ(run.report.str().find("AT THE EXCAVATION SIDE"), std::string::npos);
  }
  // A slope steeper than the friction angle, either way, also stops.
  SoilRun steep;
  Soil soil;
  soil.phi = Radians(20);
  SiltWall(steep.d(), soil);
  steep.d().Wall.ExcavationSlope = -25;
  EXPECT_TRUE(testing::StopsWithWarning(steep, [&] { GeneratePyCurves(steep.ctx); }));
  EXPECT_EQ(steep.console.str(), warning);
}

TEST(Silt, SlopingGroundChangesKaOnBothSidesAndNpInFront) {
  SoilRun run;
  ProblemData& d = run.d();
  const Soil soil;
  SiltWall(d, soil);
  d.Soil.LoadingType = Loading::Cyclic;
  d.Wall.ExcavationSlope = 20;
  const ScratchFile file = GenerateAndRead(run.ctx);
  for (size_t k = 0; k < 5; ++k) {
    const double z = d.Profile.CurveDepths[k];
    Where front;
    front.x = front.xs = z;
    front.cyclic = true;
    front.theta = 20 / kDeg;
    Where back = front;
    back.excavation = false;
    back.x = back.xs = z + 120;
    const Curve ce = SiltCurve(Characterise(soil, front));
    const Curve cb = SiltCurve(Characterise(soil, back));
    ExpectSide(file.curves[k].excavation, ce.y, ce.p, "sloped excavation, curve " + std::to_string(k + 1),
               UnscaledForm);
    ExpectSide(file.curves[k].backfill, cb.y, cb.p, "sloped backfill, curve " + std::to_string(k + 1),
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
  const ScratchFile file = GenerateAndRead(run.ctx);
  EXPECT_NEAR(std::cos(0.17453332245349884), 0.9848076840296858, 1e-16);
  for (size_t k = 0; k < 5; ++k) {
    const double z = d.Profile.CurveDepths[k];
    Where front;
    front.x = front.xs = z;
    front.continuous = true;
    front.theta = 10 / kDeg;
    front.b = 30;
    Where back = front;
    back.excavation = false;
    back.x = back.xs = z + 120;
    back.sigma = 0.4 + kGamma * (z + 120);
    const Curve ce = SiltCurve(Characterise(soil, front));
    const Curve cb = SiltCurve(Characterise(soil, back));
    ExpectSide(file.curves[k].excavation, ce.y, ce.p, "continuous excavation, curve " + std::to_string(k + 1),
               UnscaledForm);
    ExpectSide(file.curves[k].backfill, cb.y, cb.p, "continuous backfill, curve " + std::to_string(k + 1),
               UnscaledForm);
  }
}

TEST(Silt, ReportsTheCohesiveAndFrictionalResistanceWithThePhiOfCodePage437) {
  SoilRun run;
  SiltWall(run.d());
  GeneratePyCurves(run.ctx);
  Where front;
  front.x = front.xs = 0.1;
  const Characteristic q = Characterise(Soil{}, front);
  const std::string expected =
      "     DEPTH      DIAM       PHI GAMMA AVG         A         B       Puc       Pu\xED\n"
      "        FT        IN       DEG LBS/IN**3                        LBS/IN    LBS/IN\n" +
      fortran::Format("( 2F10.2 F10.1 1P E10.3 0P 2F10.2 1P 2E10.3 )", 0.1 / 12, 24.0, 30.0, kGamma, q.a,
                      q.bcoef, q.pc, q.ps)
          .lines[0] +
      "\n";
  EXPECT_NE(run.report.str().find(expected), std::string::npos);
  EXPECT_NE(expected.find("      0.01     24.00      30.0 7.000E-02      2.83      2.14"), std::string::npos);
  EXPECT_EQ(testing::CountOccurrences(run.report.str(), "Pu\xED\n"), 10);
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
      const double np = 3 + s.gamma * x / s.c + 0.5 * x / b;
      value = Lookup(kAStatic, x / b) * Wedge(s, b, x, SlopedKa(s, 0)) + std::min(np, 9.0) * s.c * b;
    } else {
      value = Single(0.88f) * FlowAround(s, b, x) + 9 * s.c * b;
    }
    sum += 0.5 * (previous + value) * h;
    previous = value;
  }
  return sum;
}

TEST(Silt, LaterLayerEntersAtTheDepthOfEqualResistance) {
  Soil silt;
  silt.phi = Radians(20);
  silt.c = 0.5;
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
    AddLayer(d, 5, 600, Values(kGamma, silt.c, 20, 0, silt.k), Values(kGamma, silt.c, 20, 0, silt.k));
    const ScratchFile file = GenerateAndRead(run.ctx);
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
      const double expected = meet + rest / (Single(0.88f) * FlowAround(silt, b, meet) + 9 * silt.c * b);
      EXPECT_NEAR(xeq, expected, 1e-3 * expected);
    }
    // The silt curves of layer 2 use x - 60 + XEQ, A and B included.
    const double z = p.CurveDepths[7];
    Where front;
    front.x = z - 60 + xeq;
    front.xs = z;
    front.b = b;
    const Curve e = SiltCurve(Characterise(silt, front));
    ExpectSide(file.curves[7].excavation, e.y, e.p, "layer 2, curve 3", UnscaledForm);
  }
}

}  // namespace
}  // namespace darnek::soil
