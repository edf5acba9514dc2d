// Curves of rock and weak rock recomputed here from Reese's (1997) formulas
// and compared with the scratch file in each model's number form.
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
using testing::TableFactor;
using testing::UnscaledForm;
using testing::Values;

double Single(float v) { return static_cast<double>(v); }

struct Curve {
  std::array<double, 17> Y{};
  std::array<double, 17> P{};
};

// A reduction table that varies over the depths of both passes.
const std::vector<ReductionFactorRow> kTable = {{0, 1.0, 1.0}, {300, 0.4, 2.5}};

// ------------------------------------------------------------------- rock

// Compressive strength 1000 psi at the excavation level, growing by 1 psi
// per inch; 24 in wide elements.
constexpr double kRockGamma = 0.08;
constexpr double kB = 24;
double RockStrength(double z) { return 1000 + z; }

void RockWall(ProblemData& d, double strength = 1000) {
  EnglishWall(d);
  AddLayer(d, 6, 600, Values(kRockGamma, strength, 0, 0), Values(kRockGamma, strength + 480, 0, 0));
}

struct RockSide {
  double Su = 0, Es = 0, Y1 = 0, P1 = 0, Y2 = 0;
};

RockSide RockValues(double z) {
  RockSide r;
  r.Su = RockStrength(z) / 2;
  r.Es = 2000 * r.Su;
  r.Y1 = Single(0.0004f) * kB;
  r.P1 = r.Es * r.Y1;
  r.Y2 = r.Y1 + (kB * r.Su - r.P1) / (100 * r.Su);
  return r;
}

Curve RockCurve(const RockSide& r, double side_depth, double pm, double ym) {
  Curve c;
  for (size_t i = 0; i < 17; ++i) {
    const double y = static_cast<double>(i) * r.Y2 / 15;
    double p;
    if (y < r.Y1) {
      p = pm * r.Es * y;
    } else if (y < r.Y2) {
      p = pm * (r.P1 + 100 * r.Su * (y - r.Y1));
    } else {
      p = 0.5 * kRockGamma * kB * side_depth;
    }
    c.Y[i] = ym * y;
    c.P[i] = p;
  }
  return c;
}

TEST(Rock, TwoLinesToTheUltimateThenTheResidualWithMultipliersAtEachPassDepth) {
  SoilRun run;
  ProblemData& d = run.d();
  RockWall(d);
  testing::ReductionTable(d, kTable);
  // Rock takes no share of the earth pressure.
  PressureRow top, bottom;
  bottom.Depth = 600;
  bottom.LoadPerStation = 60000;
  d.Pressure.Rows = {top, bottom};
  const ScratchFile file = GenerateAndRead(run.Ctx);
  for (size_t k = 0; k < 5; ++k) {
    const double z = d.Profile.CurveDepths[k];
    const RockSide r = RockValues(z);
    // In front of the wall the multipliers belong to z + FreeHeight, behind it to z.
    const double pm_e = TableFactor(kTable, z + 120, true), ym_e = TableFactor(kTable, z + 120, false);
    const double pm_b = TableFactor(kTable, z, true), ym_b = TableFactor(kTable, z, false);
    const Curve e = RockCurve(r, z, pm_e, ym_e);
    const Curve b = RockCurve(r, z + 120, pm_b, ym_b);
    const testing::ScratchSide& fe = file.Curves[k].Excavation;
    const testing::ScratchSide& fb = file.Curves[k].Backfill;
    EXPECT_EQ(fe.LineLength, testing::kAdjacentLine);
    ExpectSide(fe, e.Y, e.P, "excavation, curve " + std::to_string(k + 1));
    ExpectSide(fb, b.Y, b.P, "backfill, curve " + std::to_string(k + 1));

    // The two lines read from the file meet at (y1, p1): the first through
    // the origin and point 3, the second through points 4 and 15.
    for (const auto* side : {&fe, &fb}) {
      const double pm = side == &fe ? pm_e : pm_b;
      const double ym = side == &fe ? ym_e : ym_b;
      const double y1 = ym * r.Y1;
      EXPECT_NEAR(side->P[2] / side->Y[2] * y1, pm * r.P1, 2e-3 * pm * r.P1);
      const double slope = (side->P[14] - side->P[3]) / (side->Y[14] - side->Y[3]);
      EXPECT_NEAR(side->P[3] + slope * (y1 - side->Y[3]), pm * r.P1, 2e-3 * pm * r.P1);
      EXPECT_NEAR(slope, pm * 100 * r.Su / ym, 2e-3 * pm * 100 * r.Su / ym);
    }
    // Beyond y2 the small residual 0.5 gamma b x_s, without multiplier.
    EXPECT_EQ(fe.YText[16], FileForm(ym_e * 16 * r.Y2 / 15));
    EXPECT_EQ(fe.PText[16], FileForm(0.5 * kRockGamma * kB * z));
    EXPECT_EQ(fb.PText[16], FileForm(0.5 * kRockGamma * kB * (z + 120)));
    EXPECT_LT(fb.P[16], 0.05 * fb.P[14]);
  }
  // y2 = y1 + 0.2 b su / (100 su) = 0.0024 b whatever the strength.
  EXPECT_NEAR(RockValues(33).Y2, 0.0024 * kB, 1e-7);

  const std::string report = run.Report.str();
  EXPECT_EQ(testing::CountOccurrences(report, "AT THE EXCAVATION SIDE"), 0);
  EXPECT_EQ(testing::CountOccurrences(report, " DEPTH-EXCAVATION SIDE      DIAM         C\n"), 5);
  EXPECT_EQ(testing::CountOccurrences(report, "   DEPTH-BACKFILL SIDE      DIAM         C\n"), 5);
  EXPECT_NE(report.find(" DEPTH-EXCAVATION SIDE      DIAM         C\n"
                        "                    FT        IN LBS/IN**2\n"
                        "                  0.01    24.000   5.0E+02\n"),
            std::string::npos);
}

TEST(Rock, RockWithoutStrengthStopsOnTheConsole) {
  SoilRun run;
  RockWall(run.d(), 0);
  run.d().Soil.Layers[0].Bottom.S = 0;
  EXPECT_TRUE(testing::StopsWithWarning(run, [&] { GeneratePyCurves(run.Ctx); }));
  EXPECT_EQ(run.Console.str(),
            "--------------------WARNING----------------------\n"
            "THE COHESIVE STRENGTH IS 0 FOR ROCK ACCORING TO THE INPUT\n"
            "DATA. PLEASE ENTER THE CORRECT VALUE AND RUN IT AGAIN.\n");
  EXPECT_EQ(run.Report.str().find("DEPTH-EXCAVATION SIDE"), std::string::npos);
}

// -------------------------------------------------------------- weak rock

// Compressive strength 800 psi at the top, growing by 1 psi per inch;
// Eir = 60000 psi, krm = 0.0005, RQD 100 %; elements 22 in wide, so that
// curve 3 (z = 66 in) lies at xr = 3 b.
constexpr double kWeakB = 22;
constexpr double kEir = 60000;
constexpr double kKrm = 0.0005;
double WeakStrength(double z) { return 800 + z; }

void WeakRockWall(ProblemData& d, double rqd = 100, double b = kWeakB) {
  EnglishWall(d);
  d.Wall.WP = b;
  d.Wall.WA = 4 * b;
  AddLayer(d, 7, 600, Values(kRockGamma, 800, 0, kKrm, kEir, rqd),
           Values(kRockGamma, 1280, 0, kKrm, kEir, rqd));
}

constexpr float kWeakGrid[17] = {0.0005f, 0.001f, 0.003f, 0.006f, 0.009f, 0.02f, 0.04f, 0.06f, 0.08f,
                                 0.10f,   0.25f,  0.5f,   0.75f,  1.0f,   4.0f,  8.0f,  12.0f};

enum class Form { ByDepth, Shallow, Deep };

Curve WeakCurve(double z, double xr, double rqd, double pm, double ym, Form form = Form::ByDepth,
                double b = kWeakB) {
  const double qa = 0.5 * (WeakStrength(1e-8) + WeakStrength(z));
  const double alpha = 1 - rqd * Single(1.0f / 150.0f);
  const bool shallow = form == Form::Shallow || (form == Form::ByDepth && xr <= 3 * b);
  const double pur = shallow ? alpha * qa * b * (1 + Single(1.4f) * xr / b) : Single(5.2f) * alpha * qa * b;
  const double kir = shallow ? (100 + 400 * xr / (3 * b)) * kEir : 500 * kEir;
  const double yrm = kKrm * b;
  const double ya = std::pow(0.5 * pur / std::pow(yrm, 0.25) / kir, 4.0 / 3.0);
  Curve c;
  for (size_t i = 0; i < 17; ++i) {
    const double y = yrm * static_cast<double>(kWeakGrid[i]);
    const double p = y < ya ? kir * y : std::min(pur, 0.5 * pur * std::pow(y / yrm, 0.25));
    c.Y[i] = ym * y;
    c.P[i] = pm * p;
  }
  return c;
}

TEST(WeakRock, CurvesFollowTheRockQualityAndTheDepthBelowTheLayerTop) {
  SoilRun run;
  ProblemData& d = run.d();
  // 12 in wide: curve 2 (xr = 2.75 b) still grows with depth.
  WeakRockWall(d, 40, 12);
  testing::ReductionTable(d, kTable);
  const ScratchFile file = GenerateAndRead(run.Ctx);
  EXPECT_EQ(d.Soil.NumCycles, 1.0);  // zero cycles count as one
  for (size_t k = 0; k < 5; ++k) {
    const double z = d.Profile.CurveDepths[k];
    // Multipliers at z in front of the wall, at z + FreeHeight behind it.
    const Curve e = WeakCurve(z, z + 1e-8, 40, TableFactor(kTable, z, true), TableFactor(kTable, z, false),
                              Form::ByDepth, 12);
    const Curve b = WeakCurve(z, z + 120 + 1e-8, 40, TableFactor(kTable, z + 120, true),
                              TableFactor(kTable, z + 120, false), Form::ByDepth, 12);
    EXPECT_EQ(file.Curves[k].Excavation.LineLength, testing::kUnscaledLine);
    ExpectSide(file.Curves[k].Excavation, e.Y, e.P, "excavation, curve " + std::to_string(k + 1),
               UnscaledForm);
    ExpectSide(file.Curves[k].Backfill, b.Y, b.P, "backfill, curve " + std::to_string(k + 1), UnscaledForm);
  }
  // Exponent rows in the report, the rock columns in the heads.
  const std::string report = run.Report.str();
  EXPECT_NE(report.find("          DEPTH      DIAM         Qu        Eu   GAMMA AVG         E50\n"
                        "             FT        IN  LBS/IN**2  LBS/IN**2  LBS/IN**3\n"
                        "           0.01    12.000 8.0010E+02 6.0000E+04 8.0000E-02  5.0000E-04\n"),
            std::string::npos);
  const Curve first = WeakCurve(0.1, 0.1 + 1e-8, 40, TableFactor(kTable, 0.1, true),
                                TableFactor(kTable, 0.1, false), Form::ByDepth, 12);
  EXPECT_NE(report.find(fortran::Format("( 2E20.3 )", first.Y[0], first.P[0]).Lines[0]), std::string::npos);
}

TEST(WeakRock, FullQualityGivesAThirdAndBothFormsAgreeAtThreeWidths) {
  SoilRun run;
  ProblemData& d = run.d();
  WeakRockWall(d);
  const ScratchFile file = GenerateAndRead(run.Ctx);
  EXPECT_NEAR(1 - 100 * Single(1.0f / 150.0f), 1.0 / 3, 2e-8);

  // At y = yrm (point 14) the curve is at half the ultimate: behind the
  // wall pur = 5.2 alpha_r qa b.
  for (size_t k = 0; k < 5; ++k) {
    const double z = d.Profile.CurveDepths[k];
    const double qa = 0.5 * (800 + WeakStrength(z));
    EXPECT_NEAR(2 * file.Curves[k].Backfill.P[13] / (5.2 * qa * kWeakB), 1.0 / 3, 1e-3) << "curve " << k + 1;
  }

  // Curve 3: xr = 3 b (66 in); the shallow and deep forms give the same curve.
  ASSERT_EQ(d.Profile.CurveDepths[2], 3 * kWeakB);
  const Curve shallow = WeakCurve(66, 66, 100, 1, 1, Form::Shallow);
  const Curve deep = WeakCurve(66, 66, 100, 1, 1, Form::Deep);
  ExpectSide(file.Curves[2].Excavation, shallow.Y, shallow.P, "xr = 3 b, shallow form", UnscaledForm);
  ExpectSide(file.Curves[2].Excavation, deep.Y, deep.P, "xr = 3 b, deep form", UnscaledForm);
  // Shallower, the resistance grows with depth; deeper it does not.
  EXPECT_LT(file.Curves[1].Excavation.P[13], file.Curves[2].Excavation.P[13]);
  const Curve below = WeakCurve(99, 99, 100, 1, 1, Form::Deep);
  ExpectSide(file.Curves[3].Excavation, below.Y, below.P, "xr = 4.5 b", UnscaledForm);
}

TEST(WeakRock, ZeroStrengthAfterTheFirstCurveStopsOnTheConsole) {
  SoilRun run;
  ProblemData& d = run.d();
  WeakRockWall(d);
  d.Soil.Layers[0].Top.S = 0;
  d.Soil.Layers[0].Bottom.S = 0;
  EXPECT_TRUE(testing::StopsWithWarning(run, [&] { GeneratePyCurves(run.Ctx); }));
  EXPECT_EQ(run.Console.str(),
            "--------------------WARNING----------------------\n"
            "THE COHESIVE STRENGTH IS 0 FOR ROCK ACCORING TO THE INPUT\n"
            "DATA. PLEASE ENTER THE CORRECT VALUE AND RUN IT AGAIN.\n");
  // The first curve was generated (flat at zero) and written.
  const std::string report = run.Report.str();
  EXPECT_EQ(testing::CountOccurrences(report, "AT THE EXCAVATION SIDE"), 1);
  EXPECT_EQ(testing::CountOccurrences(report, "AT THE BACKFILL SIDE"), 1);
}

}  // namespace
}  // namespace darnek::soil
