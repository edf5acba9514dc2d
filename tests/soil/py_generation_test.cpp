// The frame around the soil models: multipliers, curve depths, the active
// offset of the first points, the scratch file and its read-back, the report.
#include <cmath>

#include "core/errors.h"
#include "report/results_report.h"
#include "soil/py_curves.h"
#include "soil/py_frame.h"
#include "soil_fixture.h"

namespace darnek::soil {
namespace {

using testing::AddLayer;
using testing::EnglishWall;
using testing::FileForm;
using testing::ReadScratch;
using testing::ScratchFile;
using testing::SoilRun;
using testing::Values;

void TwoLayerWall(ProblemData& d) {
  EnglishWall(d);
  AddLayer(d, 1, 180, Values(0.06, 2, 0, 0.01), Values(0.06, 2.5, 0, 0.01));
  AddLayer(d, 4, 600, Values(0.07, 0, 34, 0, 90), Values(0.07, 0, 36, 0, 90));
}

void LinearPressure(ProblemData& d) {
  PressureRow a, b, c;
  a.Depth = 0;
  b.Depth = 150;
  b.LoadPerStation = 4800;
  c.Depth = 600;
  c.LoadPerStation = 24000;
  d.Pressure.Rows = {a, b, c};
}

TEST(PMultiplier, ClosedSpacingReductionBetweenRatiosOf1_1And3_1) {
  ProblemData d;
  d.Wall.FreeHeight = 120;
  d.Wall.WP = 24;
  d.Wall.WA = 48;
  const double at_two = static_cast<double>(0.5292f) * std::pow(2.0, static_cast<double>(0.5659f));
  EXPECT_EQ(PMultiplier(d, 130), at_two);
  EXPECT_NEAR(at_two, 0.5292 * std::pow(2.0, 0.5659), 1e-7);
  EXPECT_EQ(PMultiplier(d, 120), at_two);
  EXPECT_EQ(PMultiplier(d, 119.9), 1.0);  // above the excavation level
  EXPECT_EQ(YMultiplier(d, 130), 1.0);
  for (const double ratio : {1.0, 1.09, 1.1, 3.1, 4.0, 0.5}) {
    // 1.1 itself lies below the single-precision threshold 1.100000023841858.
    d.Wall.WA = ratio * 24;
    EXPECT_EQ(PMultiplier(d, 130), 1.0) << "R = " << ratio;
  }
  d.Wall.WA = 1.1000001 * 24;
  EXPECT_LT(PMultiplier(d, 130), 0.56);
  d.Wall.WA = 3.0999 * 24;  // the fit slightly exceeds 1 just below 3.1
  EXPECT_EQ(PMultiplier(d, 130),
            static_cast<double>(0.5292f) * std::pow(3.0999, static_cast<double>(0.5659f)));
}

TEST(PMultiplier, UserTableInterpolatesOnDepthAndIsOneOutsideIt) {
  ProblemData d;
  d.Wall.FreeHeight = 120;
  d.Wall.WP = 24;
  d.Wall.WA = 48;
  d.C1.NumPyModificationFactors = 4;
  d.ReductionFactorTable = {{150, 0.8, 1.5}, {200, 0.6, 2.0}, {200, 0.4, 3.0}, {300, 0.5, 1.0}};
  const double a = static_cast<double>(0.5292f) * std::pow(2.0, static_cast<double>(0.5659f));
  EXPECT_EQ(PMultiplier(d, 130), 1.0);  // the table's first depth lies below
  EXPECT_EQ(YMultiplier(d, 130), 1.0);
  EXPECT_DOUBLE_EQ(PMultiplier(d, 175), 0.7);
  EXPECT_DOUBLE_EQ(YMultiplier(d, 175), 1.75);
  EXPECT_EQ(PMultiplier(d, 200), 0.4);  // a repeated depth: the deeper row
  EXPECT_EQ(YMultiplier(d, 200), 3.0);
  EXPECT_EQ(PMultiplier(d, 300), 0.5);
  EXPECT_EQ(PMultiplier(d, 300.5), 1.0);
  EXPECT_EQ(PMultiplier(d, 150), 0.8);
  d.CombineAutoReduction = ReductionCombination::WithAutomatic;
  EXPECT_DOUBLE_EQ(PMultiplier(d, 175), 0.7 * a);
  EXPECT_EQ(PMultiplier(d, 130), a);
  // A table of one row gives 1.
  d.C1.NumPyModificationFactors = 1;
  EXPECT_EQ(YMultiplier(d, 150), 1.0);
  d.CombineAutoReduction = ReductionCombination::TableAlone;
  EXPECT_EQ(PMultiplier(d, 150), 1.0);
}

TEST(PyFrame, FiveCurvesInsideEveryLayerEvenWhenItIsThinnerThanTheOffsets) {
  ProblemData d;
  d.C1.UnitSystemCode = UnitSystem::SI;
  d.Profile.Layers = {{0, 2, SoilType::SoftClay, 0, 0},
                      {2, 2.015, SoilType::Sand, 0, 1},
                      {2.015, 5, SoilType::SoftClay, 0, 2}};
  SetCurveDepths(d);
  const double delta = 0.010000000149011612;
  const std::vector<double>& z = d.Profile.CurveDepths;
  ASSERT_EQ(z.size(), 15u);
  EXPECT_EQ(z[0], delta);
  EXPECT_EQ(z[2], 1.0);
  EXPECT_EQ(z[4], 2 - delta);
  // The thin layer (15 mm, less than 2 delta): at fixed fractions inside it,
  // none in the layers around it, where they would read their strength.
  const double fractions[5] = {0.125, 0.25, 0.5, 0.75, 0.875};
  for (size_t k = 0; k < 5; ++k) EXPECT_NEAR(z[5 + k], 2 + fractions[k] * 0.015, 1e-15) << k;
  for (size_t k = 5; k < 10; ++k) {
    EXPECT_GT(z[k], 2.0) << k;
    EXPECT_LT(z[k], 2.015) << k;
    if (k > 5) {
      EXPECT_GT(z[k], z[k - 1]) << k;
    }
  }
  const std::array<int, 2> expected[3] = {{0, 4}, {5, 9}, {10, 14}};
  for (size_t n = 0; n < 3; ++n) EXPECT_EQ(d.Profile.LayerCurveRange[n], expected[n]) << "layer " << n + 1;

  // A last layer of 5 mm: cut at the profile's limit, it keeps its curves
  // inside; ending the soil table above the limit, its first curve stays
  // delta below its top, beyond the soil data, where the lookup stops the run.
  d.Profile.Layers = {{0, 2, SoilType::SoftClay, 0, 0}, {2, 2.005, SoilType::Rock, 0, 1}};
  d.Profile.ProfileDepthLimit = 2.005;
  SetCurveDepths(d);
  EXPECT_NEAR(z[5], 2 + 0.125 * 0.005, 1e-15);
  EXPECT_LT(z[9], 2.005);
  d.Profile.ProfileDepthLimit = 3;
  SetCurveDepths(d);
  EXPECT_EQ(z[5], 2 + delta);
  EXPECT_NEAR(z[6], 2 + 0.25 * 0.005, 1e-15);

  d.C1.UnitSystemCode = UnitSystem::English;
  SetCurveDepths(d);
  EXPECT_EQ(z[0], 0.10000000149011612);
}

TEST(PyFrame, FirstPointOfEveryCurveCarriesTheActiveOffset) {
  SoilRun run;
  ProblemData& d = run.d();
  TwoLayerWall(d);
  LinearPressure(d);
  d.C1.NumPyModificationFactors = 2;
  d.ReductionFactorTable = {{120, 0.9, 1.1}, {300, 0.7, 1.3}};
  GeneratePyCurves(run.Ctx);
  const ScratchFile file = ReadScratch(run.Ctx.Names.PyScratch, 0);
  ASSERT_EQ(file.Count, 10);
  ASSERT_EQ(file.Curves.size(), 10u);
  for (size_t k = 0; k < 10; ++k) {
    const double z = d.Profile.CurveDepths[k];
    const double x = z + 120;
    EXPECT_DOUBLE_EQ(file.Curves[k].Depth, x);
    // Load per station / h / (WA / WP), less 2 c b in the clay.
    const double load = x <= 150 ? 4800 * x / 150 : 4800 + (24000 - 4800) * (x - 150) / 450;
    double pa = load / 6 / 4;
    if (k < 5) pa -= 2 * (2 + 0.5 * z / 60) * 24;
    ASSERT_GT(pa, 0);
    EXPECT_EQ(file.Curves[k].Excavation.YText[0], FileForm(0));
    EXPECT_EQ(file.Curves[k].Backfill.YText[0], FileForm(0));
    EXPECT_EQ(file.Curves[k].Excavation.PText[0], FileForm(-pa)) << "curve " << k + 1;
    EXPECT_EQ(file.Curves[k].Backfill.PText[0], FileForm(pa)) << "curve " << k + 1;
  }
}

TEST(PyFrame, SoldierPilesTakeTheActivePressurePerAreaTimesTheirOwnWidth) {
  SoilRun run;
  ProblemData& d = run.d();
  EnglishWall(d);  // piles 24 in wide (WP) at 96 in (WA)
  d.C1.EarthPressureOption = EarthPressureMode::Active;
  d.C2.DividingDepth = 120;
  AddLayer(d, 4, 600, Values(0.07, 0, 34, 0, 90), Values(0.07, 0, 34, 0, 90));
  // As read back: rows at or above the dividing depth carry the pressure on
  // WA, rows below it on WP; the pressure per area is 2.52 psi below 120 in.
  const double sigma = 2.52;
  PressureRow top, at_cut, below, deep;
  at_cut.Depth = 120;
  at_cut.LoadPerStation = sigma * 96 * 6;
  below.Depth = 121;
  below.LoadPerStation = sigma * 24 * 6;
  deep.Depth = 600;
  deep.LoadPerStation = sigma * 24 * 6;
  d.Pressure.Rows = {top, at_cut, below, deep};
  const ScratchFile file = testing::GenerateAndRead(run.Ctx);
  ASSERT_EQ(file.Curves.size(), 5u);
  // Every curve, also the first at 120.1 in between a WA row and a WP row:
  // sigma x WP = 60.48 lb/in.
  for (size_t k = 0; k < 5; ++k) {
    EXPECT_EQ(file.Curves[k].Excavation.PText[0], FileForm(-60.48)) << "curve " << k + 1;
    EXPECT_EQ(file.Curves[k].Backfill.PText[0], FileForm(60.48)) << "curve " << k + 1;
  }
}

TEST(PyFrame, OffsetUsesTheRatioOfTheWidthsEvenBelowOne) {
  SoilRun run;
  ProblemData& d = run.d();
  EnglishWall(d);
  d.Wall.WA = 12;  // a continuous wall narrower for pressure than for resistance
  AddLayer(d, 4, 600, Values(0.07, 0, 34, 0, 90), Values(0.07, 0, 34, 0, 90));
  LinearPressure(d);
  GeneratePyCurves(run.Ctx);
  EXPECT_EQ(d.Profile.WidthRatio, 1.0);
  const ScratchFile file = ReadScratch(run.Ctx.Names.PyScratch, 0);
  for (size_t k = 0; k < 5; ++k) {
    const double x = d.Profile.CurveDepths[k] + 120;
    const double load = x <= 150 ? 4800 * x / 150 : 4800 + (24000 - 4800) * (x - 150) / 450;
    EXPECT_EQ(file.Curves[k].Excavation.PText[0], FileForm(-load / 6 / 0.5)) << "curve " << k + 1;
  }

  // Without an earth-pressure width the profile's ratio (1) stands.
  d.Wall.WA = 0;
  GeneratePyCurves(run.Ctx);
  const ScratchFile again = ReadScratch(run.Ctx.Names.PyScratch, 0);
  const double x = d.Profile.CurveDepths[0] + 120;
  EXPECT_EQ(again.Curves[0].Excavation.PText[0], FileForm(-4800 * x / 150 / 6));
}

TEST(PyFrame, MultipliersScaleThePointsAndAreReported) {
  SoilRun plain, scaled;
  TwoLayerWall(plain.d());
  TwoLayerWall(scaled.d());
  scaled.d().C1.NumPyModificationFactors = 2;
  scaled.d().ReductionFactorTable = {{100, 0.5, 2.0}, {400, 0.5, 2.0}};
  GeneratePyCurves(plain.Ctx);
  GeneratePyCurves(scaled.Ctx);
  const ScratchFile a = ReadScratch(plain.Ctx.Names.PyScratch, 0);
  const ScratchFile b = ReadScratch(scaled.Ctx.Names.PyScratch, 0);
  for (size_t k = 0; k < 10; ++k) {
    for (size_t i = 0; i < 17; ++i) {
      EXPECT_NEAR(b.Curves[k].Excavation.Y[i], 2 * a.Curves[k].Excavation.Y[i],
                  1e-3 * std::fabs(b.Curves[k].Excavation.Y[i]));
      EXPECT_NEAR(b.Curves[k].Backfill.P[i], 0.5 * a.Curves[k].Backfill.P[i],
                  1e-3 * std::fabs(b.Curves[k].Backfill.P[i]));
    }
  }
  const std::string report = scaled.Report.str();
  EXPECT_EQ(testing::CountOccurrences(report, " P-Multiplier =   0.5000 Y-Multiplier =   2.0000\n"), 20);
  EXPECT_NE(report.find("\n      REDUCTION FACTORS FOR CLOSELY-SPACED WALL ELEMENTS\n\n"
                        "      DEPTH     P-FACTOR     Y-FACTOR\n"
                        "     100.00         0.50         2.00\n"
                        "     400.00         0.50         2.00\n"),
            std::string::npos);
  EXPECT_EQ(plain.Report.str().find("REDUCTION FACTORS"), std::string::npos);
}

TEST(PyFrame, ReportsEachSideWithTheModelColumns) {
  SoilRun run;
  TwoLayerWall(run.d());
  GeneratePyCurves(run.Ctx);
  const std::string report = run.Report.str();
  const std::string heading =
      "\n\n      **************************************************\n"
      "      *        P-Y CURVES DATA                         *\n"
      "      **************************************************\n";
  const size_t at = report.find(heading);
  ASSERT_NE(at, std::string::npos);
  // The first side: soft clay at z = 0.1 in, c = 2.0008, gamma 0.06, b = 24.
  const std::string first_side =
      "\n"
      "      AT THE EXCAVATION SIDE\n"
      "\n"
      " DEPTH BELOW GS      DIAM          C  GAMMA AVG         E50\n"
      "             FT        IN  LBS/IN**2  LBS/IN**3\n"
      "           0.01    24.000 2.0008E+00 6.0000E-02  1.0000E-02\n"
      "\n"
      "                  Y,                  P,\n"
      "                  IN              LBS/IN\n"
      "               0.000               0.000\n"
      "               0.001               9.091\n";
  EXPECT_EQ(report.substr(at + heading.size(), first_side.size()), first_side);
  EXPECT_EQ(testing::CountOccurrences(report, "AT THE EXCAVATION SIDE"), 10);
  EXPECT_EQ(testing::CountOccurrences(report, "AT THE BACKFILL SIDE"), 10);
  EXPECT_EQ(testing::CountOccurrences(report, "      PCT      PCD\n"), 10);
  EXPECT_EQ(testing::CountOccurrences(report, "  GAMMA AVG         E50\n"), 10);
}

TEST(PyCurves, ScratchFileCarriesUserCurvesFirstAndIsReadBackIntoTheTable) {
  SoilRun run;
  ProblemData& d = run.d();
  TwoLayerWall(d);
  LinearPressure(d);
  d.C1.NumUserPyCurves = 1;
  UserPyCurve user;
  user.Station = 3;
  user.NumPoints = 3;
  user.PMultiplier = 0.5;
  user.YMultiplier = 2;
  user.Contd = 1;
  user.Y = {0, 0.1, 1.0 / 3};
  user.P = {0, 50, 100};
  d.UserPyCurves = {user, user};  // the second belongs to an earlier stage
  const std::vector<WrittenPyCurve> curves = GeneratePyCurves(run.Ctx);

  const ScratchFile file = ReadScratch(run.Ctx.Names.PyScratch, 4);
  EXPECT_EQ(file.Count, 11);
  ASSERT_EQ(file.Curves.size(), 10u);
  EXPECT_EQ(file.UserLines[0], fortran::ListRecord(3, 3));
  EXPECT_EQ(file.UserLines[3], fortran::ListRecord(3, 50.0, 2.0 / 3));

  FillCurveTable(d, curves);
  report::WritePlotPyCurves(run.Ctx, curves);
  ASSERT_EQ(d.PyCurves.size(), 11u);
  const PyCurve& u = d.PyCurves[0];
  EXPECT_EQ(u.From, 3);
  EXPECT_EQ(u.To, 3);
  EXPECT_EQ(u.Contd, 1);
  ASSERT_EQ(u.NumPoints(), 3);
  EXPECT_EQ(u.Y[2], 2.0 / 3);
  EXPECT_EQ(u.P[1], 25.0 * 6);

  for (size_t k = 0; k < 10; ++k) {
    const PyCurve& c = d.PyCurves[k + 1];
    const testing::ScratchCurve& s = file.Curves[k];
    const int station = static_cast<int>(std::round(s.Depth / 6));
    EXPECT_EQ(c.From, station);
    EXPECT_EQ(c.To, station);
    EXPECT_EQ(c.Contd, 1);
    ASSERT_EQ(c.NumPoints(), 33);
    for (size_t j = 0; j < 17; ++j) {
      EXPECT_EQ(c.Y[j], -s.Backfill.Y[16 - j]);
      EXPECT_EQ(c.P[j], s.Backfill.P[16 - j] * 6);
    }
    for (size_t j = 1; j < 17; ++j) {
      EXPECT_EQ(c.Y[16 + j], s.Excavation.Y[j]);
      EXPECT_EQ(c.P[16 + j], -s.Excavation.P[j] * 6);
    }
    // Deflections increase through the table curve.
    for (size_t j = 1; j < 33; ++j) EXPECT_LT(c.Y[j - 1], c.Y[j]) << "curve " << k + 2 << " point " << j;
  }
  EXPECT_EQ(d.PyCurves[1].From, 20);   // 120.1 / 6 = 20.02
  EXPECT_EQ(d.PyCurves[10].From, 42);  // the second fictitious station below the tip

  // The plot block: unit system and count, then per curve its depth and points.
  std::istringstream plot(run.Plot.str());
  std::string line;
  std::getline(plot, line);
  EXPECT_EQ(line, fortran::ListRecord(1, 11));
  std::getline(plot, line);
  EXPECT_EQ(line, "      18.00     3");
  for (int i = 0; i < 3; ++i) std::getline(plot, line);
  EXPECT_EQ(line, fortran::ListRecord(2.0 / 3, 50.0));
  std::getline(plot, line);
  EXPECT_EQ(line, "     120.10    33");
  std::getline(plot, line);
  EXPECT_EQ(line, fortran::ListRecord(-file.Curves[0].Backfill.Y[16], file.Curves[0].Backfill.P[16]));
}

TEST(PyCurves, MoreThan400CurvesExceedTheStorageOnceTheFileIsWritten) {
  SoilRun run;
  ProblemData& d = run.d();
  TwoLayerWall(d);
  LinearPressure(d);
  UserPyCurve user;
  user.Station = 3;
  user.Y = {0, 1};
  user.P = {0, 50};
  d.UserPyCurves.assign(391, user);
  d.C1.NumUserPyCurves = 391;
  EXPECT_THROW(GeneratePyCurves(run.Ctx), StorageExceeded);
  // 391 user curves and 10 generated: the file holds all 401.
  const ScratchFile file = ReadScratch(run.Ctx.Names.PyScratch, 391 * 3);
  EXPECT_EQ(file.Count, 401);
  EXPECT_EQ(file.Curves.size(), 10u);
}

TEST(PyCurves, EverySoilCodeHasItsModelAndTheMixedFileIsReadBack) {
  SoilRun run;
  ProblemData& d = run.d();
  EnglishWall(d);
  // Codes 1 to 7, 20 in each below the excavation (the last cut at 132 in).
  const SoilValues values = Values(0.07, 10, 30, 0.005, 100, 60);
  for (int code = 1; code <= 7; ++code) AddLayer(d, code, code < 7 ? 120 + 20 * code : 600, values, values);
  const std::vector<WrittenPyCurve> curves = GeneratePyCurves(run.Ctx);
  const ScratchFile file = ReadScratch(run.Ctx.Names.PyScratch, 0);
  ASSERT_EQ(file.Curves.size(), 35u);
  // The number form of each model: four digits (clays, sand), adjacent
  // fields (rock), three digits (silt, weak rock).
  const size_t lengths[7] = {testing::kScaledLine,  testing::kScaledLine,   testing::kScaledLine,
                             testing::kScaledLine,  testing::kUnscaledLine, testing::kAdjacentLine,
                             testing::kUnscaledLine};
  for (size_t k = 0; k < 35; ++k) {
    EXPECT_EQ(file.Curves[k].Excavation.LineLength, lengths[k / 5]) << "curve " << k + 1;
    EXPECT_EQ(file.Curves[k].Backfill.LineLength, lengths[k / 5]) << "curve " << k + 1;
  }
  const std::string report = run.Report.str();
  EXPECT_EQ(testing::CountOccurrences(report, "       CAVG  GAMMA AVG"), 20);     // stiff clays
  EXPECT_EQ(testing::CountOccurrences(report, "      PCT      PCD\n"), 10);       // sand
  EXPECT_EQ(testing::CountOccurrences(report, "       Puc       Pu\xED\n"), 10);  // silt
  EXPECT_EQ(testing::CountOccurrences(report, "DEPTH-EXCAVATION SIDE"), 5);       // rock
  EXPECT_EQ(testing::CountOccurrences(report, "         Qu        Eu "), 10);     // weak rock
  EXPECT_EQ(testing::CountOccurrences(report, "AT THE EXCAVATION SIDE"), 30);

  FillCurveTable(d, curves);
  ASSERT_EQ(d.PyCurves.size(), 35u);
  for (size_t k = 0; k < 35; ++k) {
    EXPECT_EQ(d.PyCurves[k].Y[16], -file.Curves[k].Backfill.Y[0]);
    EXPECT_EQ(d.PyCurves[k].Y[32], file.Curves[k].Excavation.Y[16]);
    EXPECT_EQ(d.PyCurves[k].P[32], -file.Curves[k].Excavation.P[16] * 6) << "curve " << k + 1;
  }
}

}  // namespace
}  // namespace darnek::soil
