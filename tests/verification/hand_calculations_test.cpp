// The engine against the hand calculations an engineer checks it with: the
// Rankine and Coulomb earth-pressure coefficients at their closed-form values,
// a cantilever against the net-pressure (limit-equilibrium) method and an
// anchored wall against free earth support. docs/verification.md quotes the
// figures recorded here and explains the differences.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>

#include "core/report_helpers.h"
#include "pictures/plot_reader.h"
#include "pressure/pressure_fixture.h"
#include "pressure/pressure_steps.h"
#include "soil/soil_fixture.h"
#include "support/figures.h"
#include "support/run_helper.h"
#include "support/temp_dir.h"

namespace darnek {
namespace {

namespace fs = std::filesystem;
using testing::RecordFigure;

const fs::path kSource = fs::path(DARNEK_SOURCE_DIR);

double Relative(double value, double expected) { return (value - expected) / expected; }

// ------------------------------------------------------------- coefficients

class Rankine : public pressure::testing::PressureTest {
 protected:
  const PressureLayer& Coefficients(double phi, double backfill_slope) {
    ctx.Data.Soil.Layers.clear();
    Wall(120, 10, 24);
    Layer(4, 480, 0.07, phi);
    ctx.Data.Wall.BackfillSlope = backfill_slope;
    pressure::BuildPressureProfile(ctx.Data);
    pressure::ComputeOverburden(ctx.Data);
    pressure::ComputeCoefficients(ctx.Data);
    return P(1);
  }
};

// Ka = tan^2(45 - phi/2), Kp = tan^2(45 + phi/2), K0 = 1 - sin phi, and for a
// backfill sloping at beta Ka = cos b (cos b - r) / (cos b + r), r =
// sqrt(cos^2 b - cos^2 phi); the values are the closed forms evaluated in
// double precision. The engine turns degrees into radians with the
// single-precision 57.2958, which moves the coefficients by up to 3e-6 of
// their value.
TEST_F(Rankine, CoefficientsMatchTheClosedFormValues) {
  struct Case {
    const char* Name;
    double Phi, Beta, Ka, Kp, K0;
  };
  for (const Case& c : {Case{"phi30", 30, 0, 1.0 / 3.0, 3.0, 0.5},
                        Case{"phi32", 32, 0, 0.3072585245, 3.2545883033, 0.4700807357},
                        Case{"phi30_beta20", 30, 20, 0.4142053336, 3.0, 0.5}}) {
    SCOPED_TRACE(c.Name);
    const PressureLayer& layer = Coefficients(c.Phi, c.Beta);
    EXPECT_NEAR(Relative(layer.Ka, c.Ka), 0, 3e-6);
    EXPECT_NEAR(Relative(layer.Kp, c.Kp), 0, 3e-6);
    EXPECT_NEAR(Relative(layer.K0, c.K0), 0, 3e-6);
    RecordFigure(std::string(c.Name) + ".Ka_error_relative", Relative(layer.Ka, c.Ka));
    RecordFigure(std::string(c.Name) + ".Kp_error_relative", Relative(layer.Kp, c.Kp));
  }
}

// The passive pressure that limits the generated sand curves of a continuous
// wall is Coulomb's, for a vertical wall with wall friction phi / 2 on level
// ground: Kp = cos^2 phi / (cos d (1 - sqrt(sin(phi + d) sin phi / cos d))^2),
// 4.976500 for phi = 30 degrees. Deep on the backfill side the last point of
// a curve is pu = A Kp sigma b with A = 0.88, sigma the total overburden and
// b = WP; the scratch file keeps four significant digits of it, so the
// coefficient read back from it is good to 5e-4.
TEST(Coulomb, PassiveCoefficientLimitsTheSandCurvesOfAContinuousWall) {
  soil::testing::SoilRun run;
  ProblemData& d = run.d();
  soil::testing::EnglishWall(d);
  d.Wall.WA = d.Wall.WP = 12;  // a continuous wall, one foot of it
  const double gamma = 0.07;
  soil::testing::AddLayer(d, 4, 400, soil::testing::Values(gamma, 0, 30, 0, 90),
                          soil::testing::Values(gamma, 0, 30, 0, 90));
  const soil::testing::ScratchFile file = soil::testing::GenerateAndRead(run.Ctx);
  ASSERT_FALSE(file.Curves.empty());
  const soil::testing::ScratchCurve& deepest = file.Curves.back();
  const double sigma = gamma * deepest.Depth;  // the backfill surface is the top of the wall
  const double kp = deepest.Backfill.P[16] / (static_cast<double>(0.88f) * sigma * 12);
  EXPECT_NEAR(Relative(kp, 4.976500223), 0, 5e-4);
  RecordFigure("Kp", kp);
  RecordFigure("Kp_error_relative", Relative(kp, 4.976500223));
}

// ---------------------------------------------------------- limit equilibrium

testing::RunOutput RunFile(const fs::path& path) {
  return testing::RunText(testing::ReadFile(path.string()));
}

// examples/cantilever_user_curves.dat: the active pressure rises to 37.2 lb/in
// at the excavation level (144 in) and stays there; below it the user curves
// resist with at most 5 lb/in at 144 in and 176 lb/in at 216 in, varying
// linearly between them, reached at a deflection of 0.3 in. The net-pressure
// method takes that full resistance down to the point of zero shear and the
// largest moment there. The engine's moment is larger, never smaller: the soil
// just above the point of zero shear deflects less than 0.3 in and resists
// with less than its capacity, so the point of zero shear moves down and the
// moment grows (by about 1 %). Three per cent leaves room for the
// discretisation (6 in increments, half curves at the ends of their ranges).
TEST(LimitEquilibrium, CantileverMomentExceedsTheNetPressureMethodByUnderThreePercent) {
  const testing::RunOutput out = RunFile(kSource / "examples" / "cantilever_user_curves.dat");
  ASSERT_EQ(out.Result.Status, DARNEK_OK) << out.Result.Message;
  ASSERT_EQ(out.Result.Stages.size(), 1u);
  const StageSummary& stage = out.Result.Stages.front();
  ASSERT_EQ(stage.Outcome, "closed");

  const double H = 144, active = 37.2;       // in, lb/in
  const double top = 5, slope = 171.0 / 72;  // lb/in, lb/in per in below the excavation level
  const double above = 0.5 * active * H;     // resultant above the excavation level, at H / 3 above it
  // Zero shear at z below the excavation level: above + (active - top) z - slope z^2 / 2 = 0.
  const double z = ((active - top) + std::sqrt((active - top) * (active - top) + 2 * slope * above)) / slope;
  const double moment = above * (z + H / 3) + (active - top) * z * z / 2 - slope * z * z * z / 6;

  const double ratio = stage.MaxMoment / moment;
  EXPECT_GE(ratio, 1.0);
  EXPECT_LT(ratio, 1.03);
  EXPECT_NEAR(stage.MaxMomentDepth, H + z, 6.0);  // within one increment
  RecordFigure("hand_moment_lb_in", moment);
  RecordFigure("hand_moment_depth_ft", (H + z) / 12);
  RecordFigure("engine_moment_lb_in", stage.MaxMoment);
  RecordFigure("engine_moment_depth_ft", stage.MaxMomentDepth / 12);
  RecordFigure("moment_ratio", ratio);
}

// tests/verification/anchored_sand_user_curves_si.dat: a 6 m cut, a tie-back
// at 1.5 m (horizontal, no prestress, 2.5 m spacing), 3 m of embedment. The
// active pressure rises as 6 z kN/m to 36 kN/m at the excavation level and
// stays there; the user curves resist with at most 48 z' kN/m at z' below the
// excavation level ((Kp - Ka) gamma z' for gamma 18 kN/m3, Ka 1/3, Kp 3),
// reached at 10 mm. Free earth support with this embedment needs 65 % of that
// resistance, taken as the same fraction everywhere, for moment equilibrium
// about the anchor; the anchor force and the largest span moment follow.
//
// The engine mobilises the resistance where the wall moves most, just below
// the excavation level, and less towards the toe: its resultant lies higher,
// so balancing the moment about the anchor takes more resistance and leaves
// less for the anchor. The anchor force comes out about 7 % below free earth
// support, the moment about 12 % below; the bounds allow for the yield
// deflection and the anchor stiffness, which set how far the mobilisation
// reaches. No mobilisation within the capacity can lower the anchor force
// below that of the full resistance acting as high as possible. The span
// moment itself follows from the engine's anchor force by statics to within
// 1 % (the discretisation of the 0.25 m increments).
TEST(LimitEquilibrium, AnchoredWallCarriesLessThanFreeEarthSupport) {
  const testing::RunOutput out =
      RunFile(kSource / "tests" / "verification" / "anchored_sand_user_curves_si.dat");
  ASSERT_EQ(out.Result.Status, DARNEK_OK) << out.Result.Message;
  ASSERT_EQ(out.Result.Stages.size(), 1u);
  const StageSummary& stage = out.Result.Stages.front();
  ASSERT_EQ(stage.Outcome, "closed");
  ASSERT_EQ(stage.TieBacks.size(), 1u);

  const double H = 6, a = 1.5, D = 3, spacing = 2.5;  // m
  const double rise = 6, capacity = 48;               // kN/m3: active 6 z, resistance 48 z'
  const double active = rise * H;
  // Moments about the anchor of the active pressure above and below the
  // excavation level, and of the full resistance.
  const double above = 0.5 * active * H;
  const double driving = above * (2 * H / 3 - a) + active * D * (H + D / 2 - a);
  const double full = 0.5 * capacity * D * D;
  const double mobilised = driving / (full * (H + 2 * D / 3 - a));
  const double anchor = above + active * D - mobilised * full;
  // The largest span moment, where the shear vanishes above the excavation level.
  const auto span_moment = [&](double force) {
    const double z = std::sqrt(2 * force / rise);
    return force * (z - a) - rise * z * z * z / 6;
  };
  const double moment = span_moment(anchor);
  // The least anchor force any mobilisation within the capacity can give: the
  // full resistance from the excavation level down to the depth d at which it
  // balances the moment about the anchor, as high as it can act.
  double low = 0, high = D;
  for (int i = 0; i < 100; ++i) {
    const double d = 0.5 * (low + high);
    (0.5 * capacity * d * d * (H + 2 * d / 3 - a) < driving ? low : high) = d;
  }
  const double least_anchor = above + active * D - 0.5 * capacity * low * low;

  // Tension prints negative, and the span bends towards the excavation.
  const double engine_anchor = -stage.TieBacks.front().ForcePerTieBack / spacing;
  const double engine_moment = -stage.MaxMoment;
  EXPECT_GT(engine_anchor, 0.99 * least_anchor);  // 1 %: the discretisation of the loads
  EXPECT_GT(engine_anchor / anchor, 0.88);
  EXPECT_LT(engine_anchor / anchor, 1.0);
  EXPECT_GT(engine_moment / moment, 0.80);
  EXPECT_LT(engine_moment / moment, 1.0);
  EXPECT_NEAR(engine_moment / span_moment(engine_anchor), 1.0, 0.01);
  RecordFigure("hand_mobilised_fraction", mobilised);
  RecordFigure("hand_anchor_kN_per_m", anchor);
  RecordFigure("hand_moment_kNm_per_m", moment);
  RecordFigure("least_anchor_kN_per_m", least_anchor);
  RecordFigure("least_anchor_full_resistance_depth_m", low);
  RecordFigure("engine_anchor_kN_per_m", engine_anchor);
  RecordFigure("engine_moment_kNm_per_m", engine_moment);
  RecordFigure("anchor_ratio", engine_anchor / anchor);
  RecordFigure("moment_ratio", engine_moment / moment);
  RecordFigure("statics_moment_at_engine_anchor_kNm_per_m", span_moment(engine_anchor));
}

// ------------------------------------------------------------ load stepping

// A 20 m wall, practically rigid (EI 1e11 kN m2, h = 1 m), on identical user
// curves from station 0 to station 20: one linked range whose end stations
// take half a curve, so a uniform translation y meets a resistance of 20 p(y).
// p rises in branches of 100, 500, 250 and 400 kN/m per m to 12.5 kN/m at
// 40 mm and stays there; it is mirrored for negative y. A load Q at mid-length
// moves the wall by the y at which 20 p(y) = Q. The first tangent solution
// puts every station on the flat branch and the second has no soil stiffness
// at all: the iteration runs away, and load stepping has to find the answer.
std::string RigidWall(double load) {
  const double y[] = {0, 0.01, 0.02, 0.03, 0.04, 1};
  const double p[] = {0, -1, -6, -8.5, -12.5, -12.5};
  std::string curve = " 11 1.0 1.0\n";
  for (int i = 5; i >= 1; --i) curve += std::to_string(-y[i]) + " " + std::to_string(-p[i]) + "\n";
  for (int i = 0; i <= 5; ++i) curve += std::to_string(y[i]) + " " + std::to_string(p[i]) + "\n";
  return "RIGID WALL ON MULTILINEAR USER CURVES, LOAD AT MID-LENGTH\n"
         "2 0 1 1 0 0 0 2 1 0 0 0\n"
         "20 1.0 0.5 0.000001 0.0 1.0 20.0 100 0 0\n"
         "0.0 20.0 1\n"
         "1 1 6 0\n"
         "'RIGID SECTION'\n"
         "0.0 0.0 630.0 427.0 0.0 0.0 13.0 12.2\n"
         "19800.0 0.0 0.0 5.0E14 0.0 0.0 0.0 0.0 2.0E8 0.0 0.0 0\n"
         "0 0 13.0 0 0\n"
         "'NONE'\n"
         "1\n"
         "1 10 10 " +
         std::to_string(load) + " 0 0\n0\n0" + curve + "20" + curve + "1\n";
}

TEST(LoadStepping, FindsTheHandDeflectionsOfARigidWallWhereTheIterationRunsAway) {
  struct Case {
    double Load, Hand;  // kN; m, on the branches of 500, 250 and 400 kN/m per m
  };
  for (const Case& c :
       {Case{100, 0.01 + 4.0 / 500}, Case{150, 0.02 + 1.5 / 250}, Case{200, 0.03 + 1.5 / 400}}) {
    SCOPED_TRACE(c.Load);
    const testing::RunOutput out = testing::RunText(RigidWall(c.Load));
    ASSERT_EQ(out.Result.Status, DARNEK_OK) << out.Result.Message;
    const StageSummary& stage = out.Result.Stages.front();
    EXPECT_EQ(stage.Outcome, "closed by load stepping");
    EXPECT_GE(stage.LoadSteps, 10);
    for (const std::string* text : {&out.Report, &out.Log})
      EXPECT_EQ(testing::Count(*text, "***** ITERATION NOT CLOSED: SOLUTION FOUND BY LOAD STEPPING IN  " +
                                          std::to_string(stage.LoadSteps) + " STEPS *****"),
                1);
    std::istringstream plot(out.Plot);
    const pictures::PlotFile file = pictures::ParsePlotData(plot, "wall.plt");
    ASSERT_EQ(file.Stages.size(), 1u);
    ASSERT_EQ(file.Stages[0].Results->Rows.size(), 21u);
    double largest_error = 0;
    for (const pictures::PlotStationRow& row : file.Stages[0].Results->Rows) {
      EXPECT_NEAR(Relative(row.Deflection, c.Hand), 0, 1e-3) << "at " << row.X << " m";
      largest_error = std::max(largest_error, std::fabs(Relative(row.Deflection, c.Hand)));
    }
    const std::string name = "Q" + std::to_string(static_cast<int>(c.Load));
    RecordFigure(name + ".hand_deflection_m", c.Hand);
    RecordFigure(name + ".engine_deflection_m", stage.MaxDeflection);
    RecordFigure(name + ".largest_error_relative", largest_error);
    RecordFigure(name + ".load_steps", stage.LoadSteps);
  }
}

// 300 kN against the 20 x 12.5 = 250 kN the curves can give: no solution, and
// load stepping carries 250 / 300 of the load at most.
TEST(LoadStepping, ALoadBeyondTheCurvesCapacityEndsWithTheFractionCarried) {
  const testing::RunOutput out = testing::RunText(RigidWall(300));
  ASSERT_EQ(out.Result.Message, "stage 1: maximum allowable deflection exceeded");
  const StageSummary& stage = out.Result.Stages.front();
  EXPECT_EQ(stage.Outcome, "maximum allowable deflection exceeded");
  EXPECT_FALSE(stage.Solved);
  EXPECT_TRUE(stage.LoadStepped);
  EXPECT_LE(stage.LoadFraction, 250.0 / 300);
  EXPECT_GT(stage.LoadFraction, 0.82);
  const std::string message =
      "     ***** MAX ALLOWABLE DEFLECTION EXCEEDED AT ***  21  *** STATIONS *****\n"
      "     ***** THE WALL IS BEYOND THE CAPACITY OF ITS SUPPORTS: LOAD STEPPING CARRIED " +
      FixedText(stage.LoadFraction, 3) + " OF THE LOADS *****\n";
  EXPECT_EQ(testing::Count(out.Report, message), 1);
  EXPECT_EQ(testing::Count(out.Log, message), 1);
  EXPECT_EQ(out.Report.find("STA I"), std::string::npos);
  RecordFigure("Q300.load_fraction", stage.LoadFraction);
}

// Where the ordinary iteration closes, load stepping must reach the same
// solution: generated sand curves (with their active-pressure offset at zero
// deflection) and a tie-back on soft clay, cut short at 3 iterations.
TEST(LoadStepping, ReachesTheSolutionOfTheOrdinaryIterationWhereThatOneIsCutShort) {
  for (const char* name : {"cantilever_sand.dat", "anchored_soft_clay_si.dat"}) {
    SCOPED_TRACE(name);
    const std::string text = testing::ReadFile((kSource / "examples" / name).string());
    const testing::RunOutput closed = testing::RunText(text);
    const size_t line = text.find('\n', text.find('\n') + 1) + 1;
    const size_t end = text.find('\n', line);
    const std::string control = text.substr(line, end - line);
    const testing::RunOutput stepped =
        testing::RunText(testing::Replace(text, control, testing::Replace(control, " 100 ", " 3 ")));
    ASSERT_EQ(stepped.Result.Stages.size(), 1u);
    const StageSummary& a = closed.Result.Stages.front();
    const StageSummary& b = stepped.Result.Stages.front();
    EXPECT_EQ(a.Outcome, "closed");
    EXPECT_EQ(b.Outcome, "closed by load stepping");
    EXPECT_NEAR(Relative(b.MaxDeflection, a.MaxDeflection), 0, 1e-4);
    EXPECT_NEAR(Relative(b.MaxMoment, a.MaxMoment), 0, 1e-4);
  }
}

// The sand cantilever cut to 237 in (19.75 ft) stands within a fraction of a
// percent of its capacity: the ordinary iteration closes in 13 iterations at
// 40 in of deflection. Cut short, load stepping must close it too (it used to
// stop at 0.987 of the loads: near the capacity the bounded tangent creeps,
// and the ordinary iteration from the last closed state finishes it).
TEST(LoadStepping, ClosesAWallAtItsCapacityAsTheIterationDoes) {
  std::string text = testing::ReadFile((kSource / "examples" / "cantilever_sand.dat").string());
  text = testing::Replace(text, "70 6.0 12.0 0.0001 168.0", "70 6.0 1000.0 0.0001 237.0");
  text = testing::Replace(text, "\n168.0 12.0 12.0", "\n237.0 12.0 12.0");
  const testing::RunOutput closed = testing::RunText(text);
  const testing::RunOutput stepped = testing::RunText(testing::Replace(text, " 420.0 100 ", " 420.0 5 "));
  const StageSummary& a = closed.Result.Stages.front();
  const StageSummary& b = stepped.Result.Stages.front();
  ASSERT_EQ(a.Outcome, "closed");
  EXPECT_GT(a.MaxDeflection, 39.0);
  EXPECT_EQ(b.Outcome, "closed by load stepping") << b.LoadFraction;
  EXPECT_NEAR(Relative(b.MaxDeflection, a.MaxDeflection), 0, 1e-4);
  EXPECT_NEAR(Relative(b.MaxMoment, a.MaxMoment), 0, 1e-4);
  RecordFigure("at_capacity.load_steps", b.LoadSteps);
}

}  // namespace
}  // namespace darnek
