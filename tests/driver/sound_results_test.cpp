// Results an engineer can trust: curves that read their own layer's soil,
// checks only where they matter, one meaning of "no water table", a specified
// diagram beside generated curves, and values that are not finite never
// passing for results.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <regex>
#include <sstream>

#include "pictures/plot_reader.h"
#include "support/run_helper.h"
#include "support/temp_dir.h"

namespace darnek {
namespace {

using testing::Count;
using testing::RunText;

std::string Example(const std::string& name) {
  return testing::ReadFile(std::string(DARNEK_SOURCE_DIR) + "/examples/" + name);
}

// Every occurrence of `from` replaced; `from` must occur.
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  for (; at != std::string::npos; at = text.find(from, at + to.size())) text.replace(at, from.size(), to);
  return text;
}

// A sheet-pile cantilever in SI units, 6 m in 60 increments of 0.1 m (the
// profile reaches 6.2 m), for a 2.5 m cut in dry sand; generated pressure and
// curves over the soil layers given.
std::string SandWall(int num_layers, const std::string& layers) {
  return "THIN LAYERS\n2 0 1 1 0 2 2 0 1 0 0 0\n60 0.1 0.5 1.0E-5 2.5 1.0 6.0 100 0 0\n0.0 6.0 1\n"
         "1 1 6 0\n'AZ 26'\n0.0 0.0 630.0 427.0 0.0 0.0 13.0 12.2\n"
         "19800.0 0.0 0.0 5.551E8 0.0 0.0 0.0 0.0 2.0E8 0.0 0.0 0\n0 0 13.0 0 0\n'NONE'\n0\n0\n"
         "2.5 1.0 1.0 -1.0 -1.0 1.0 0 0.0 0.0\n0.0 0.0 0.0 0.0 0.0 0.0\n0\n" +
         std::to_string(num_layers) + " 1 0.0\n" + layers + "1\n";
}

const std::string Sand = "19.0 0.0 33.0 0.0 24400.0 0.0\n19.0 0.0 33.0 0.0 24400.0 0.0\n";
const std::string Rock = "22.0 5000.0 0.0 0.0 0.0 0.0\n22.0 5000.0 0.0 0.0 0.0 0.0\n";
const char* const kZeroStrength = "THE COHESIVE STRENGTH IS 0 FOR ROCK";

TEST(ThinLayers, A5MillimetreRockLayerReadsItsOwnStrength) {
  // Below the wall tip, between two sand layers; and cut to 5 mm at the
  // profile's end in a soil table that reaches 10 m.
  const std::string between = SandWall(3, "4 6.0\n" + Sand + "6 6.005\n" + Rock + "4 10.0\n" + Sand);
  const std::string cut = SandWall(2, "4 6.195\n" + Sand + "6 10.0\n" + Rock);
  for (const std::string* input : {&between, &cut}) {
    const auto out = RunText(*input);
    ASSERT_EQ(out.Result.Status, DARNEK_OK) << out.Result.Message << out.Console;
    EXPECT_EQ(out.Result.Stages[0].Outcome, "closed");
    EXPECT_EQ(out.Console.find(kZeroStrength), std::string::npos);
    // Its five curves, each with su = 5000 / 2.
    EXPECT_EQ(Count(out.Report, "DEPTH-EXCAVATION SIDE"), 5);
    EXPECT_EQ(Count(out.Report, "   2.5E+03\n"), 10);
  }
  // Where the soil table itself ends 5 mm into the rock, above the 6.2 m the
  // profile needs, the first rock curve lies beyond the soil data: the run
  // stops as any lookup beyond the data does, and blames no strength.
  const auto short_table = RunText(SandWall(2, "4 6.0\n" + Sand + "6 6.005\n" + Rock));
  EXPECT_EQ(short_table.Result.Status, DARNEK_STOPPED);
  EXPECT_EQ(Count(short_table.Console, "IS BEYOND THE EXTENT OF\n      THE INPUT STRENGTH CURVE"), 2);
  EXPECT_EQ(short_table.Console.find(kZeroStrength), std::string::npos);
}

TEST(SoilModulus, IsNeededOnlyByLayersThatGetCurves) {
  // The 0-2 m sand of this example lies wholly above the 6 m excavation.
  const std::string example = Example("anchored_soft_clay_si.dat");
  const auto as_given = RunText(example);
  const auto without_k =
      RunText(ReplaceAll(example, "18.0 0.0 30.0 0.0 20000.0 0.0", "18.0 0.0 30.0 0.0 0.0 0.0"));
  ASSERT_EQ(without_k.Result.Status, DARNEK_OK) << without_k.Result.Message;
  EXPECT_EQ(testing::MaskVariableLines(without_k.Report), testing::MaskVariableLines(as_given.Report));
  // A sand layer below the excavation still needs it, and the message names
  // the line of its top values.
  const auto below = RunText(ReplaceAll(SandWall(1, "4 10.0\n" + Sand), "24400.0", "0.0"));
  EXPECT_EQ(below.Result.Status, DARNEK_INPUT_REJECTED);
  EXPECT_EQ(below.Result.Message,
            "line 18: soil layer 1, record L2 (layer top), item 5 (SoilModulusK): the modulus of subgrade "
            "reaction k "
            "of a sand layer must be positive to generate its p-y curves, found 0");
}

TEST(WaterTables, ANegativeDepthMeansNoWaterTableForEverySubsystem) {
  // The sand cantilever has both water tables at 1000 in, far below its tip.
  const std::string far_down = Example("cantilever_sand.dat");
  const std::string none =
      ReplaceAll(far_down, "168.0 12.0 12.0 1000.0 1000.0 1.0", "168.0 12.0 12.0 -1.0 -1.0 1.0");
  const auto a = RunText(far_down);
  const auto b = RunText(none);
  ASSERT_EQ(a.Result.Status, DARNEK_OK);
  ASSERT_EQ(b.Result.Status, DARNEK_OK) << b.Result.Message;
  EXPECT_EQ(b.Result.Stages[0].Outcome, "closed");
  // Everything but the echo of the two depths: pressure, unit weights of the
  // curves, the curves and the results.
  static const std::regex echo("DEPTH TO THE WATER TABLE AT [A-Z]+ += +[-0-9.]+");
  EXPECT_EQ(std::regex_replace(testing::MaskVariableLines(b.Report), echo, "(depth)"),
            std::regex_replace(testing::MaskVariableLines(a.Report), echo, "(depth)"));
  EXPECT_EQ(b.Plot, a.Plot);
}

TEST(SpecifiedPressure, WithGeneratedCurvesTheSoilBlockComesFirst) {
  // The sand cantilever with its generated diagram given as a specified one:
  // Ka gamma H on one foot of wall at the excavation level, constant below.
  const std::string generated = Example("cantilever_sand.dat");
  std::string specified = ReplaceAll(generated, "1 0 1 1 0 2 2 0 1 0 0 0", "1 0 1 1 0 1 2 0 1 0 0 0");
  const double ka = std::pow(std::tan((45.0 - 16.0) * std::numbers::pi / 180.0), 2);
  const double load = ka * 0.0694 * 168.0 * 12.0;  // lb/in
  std::ostringstream table;
  table.precision(10);
  table << "3\n0.0 0.0\n168.0 " << load << "\n420.0 " << load << "\n1\n";
  specified = specified.substr(0, specified.rfind("1\n")) + table.str();
  const auto a = RunText(generated);
  const auto b = RunText(specified);
  ASSERT_EQ(b.Result.Status, DARNEK_OK) << b.Result.Message;
  EXPECT_EQ(b.Result.Stages[0].Outcome, "closed");
  EXPECT_EQ(Count(b.Report, "*        SPECIFIED ACTIVE EARTH PRESSURE         *"), 1);
  EXPECT_EQ(Count(b.Report, "*        SOIL LAYERS AND STRENGTH DATA           *"), 1);
  EXPECT_EQ(Count(b.Report, "AT THE EXCAVATION SIDE"), 5);
  // The curves take the specified load off in front of the wall (a one-foot
  // wall: WA = WP): the first point of the first curve.
  std::ostringstream first_point;
  first_point.setf(std::ios::fixed);
  first_point.precision(3);
  first_point << -load;
  EXPECT_NE(b.Report.find("               0.000             " + first_point.str() + "\n"), std::string::npos)
      << first_point.str();
  // The same wall as with the generated diagram, within the rounding of the
  // generated rows to three decimals.
  const double wa = a.Result.Stages[0].MaxDeflection;
  EXPECT_NEAR(b.Result.Stages[0].MaxDeflection, wa, 1e-3 * std::fabs(wa));
  EXPECT_NEAR(b.Result.Stages[0].MaxMoment, a.Result.Stages[0].MaxMoment,
              1e-3 * std::fabs(a.Result.Stages[0].MaxMoment));
}

TEST(NonFinite, ValuesBeyondWhatTheReportCanPrintAreInputErrorsNamingTheItem) {
  const std::string example = Example("cantilever_user_curves.dat");
  const auto big_p = RunText(ReplaceAll(example, "24 5 1.0 1.0\n-3.0 5.0\n", "24 5 1.0 1.0\n-3.0 1.0E308\n"));
  EXPECT_EQ(big_p.Result.Status, DARNEK_INPUT_REJECTED);
  EXPECT_EQ(
      big_p.Result.Message,
      "line 18: user p-y curve 1, point 1, item 2 (p): '1.0E308' is beyond what the report can print: a "
      "value must be smaller than 1E+100 in magnitude");
  // I x E of 1E320 would pass a test for a positive product.
  const auto big_ei = RunText(ReplaceAll(example, "7.94 0.0 0.0 184.2 0.0 0.0 0.0 0.0 29000000.0",
                                         "7.94 0.0 0.0 1.0E160 0.0 0.0 0.0 0.0 1.0E160"));
  EXPECT_EQ(big_ei.Result.Status, DARNEK_INPUT_REJECTED);
  EXPECT_NE(big_ei.Result.Message.find(
                "line 8: cross section 1, top property row, item 4 (second moment of area I)"),
            std::string::npos)
      << big_ei.Result.Message;
  for (const auto* out : {&big_p, &big_ei}) {
    EXPECT_EQ(out->Report.find("RESULTS"), std::string::npos);
    EXPECT_EQ(Count(out->Report, "END OF ANALYSIS"), 1);
  }
}

TEST(NonFinite, AStageWhoseSolutionOverflowsFailsAndTheRunStatusSaysSo) {
  // A wall of EI 1E-198 with no soil under 9E99 lb/in, then a sound stage.
  const std::string wall =
      "1 1 0 0\n'SECTION'\n0 0 0 0 0 0 0 0\n0 0 0 I 0 0 0 0 E 0 0 0\n0 0 0.5 0 0\n'NONE'\n0\n0\n";
  const std::string overflowing =
      "OVERFLOW\n1 0 1 1 0 1 0 0 2 0 0 0\n20 6.0 10.0 0.0001 60.0 12.0 120.0 50 0 0\n0.0 10.0 1\n" +
      ReplaceAll(ReplaceAll(wall, " I ", " 1.0E-99 "), " E ", " 1.0E-99 ") +
      "2\n0.0 9.0E99\n120.0 9.0E99\n1\n";
  const std::string sound =
      "SOUND\n1 0 1 1 0 1 0 2 2 0 0 0\n20 6.0 10.0 0.0001 60.0 12.0 120.0 50 0 0\n0.0 10.0 1\n" +
      ReplaceAll(ReplaceAll(wall, " I ", " 100.0 "), " E ", " 29000000.0 ") +
      "2\n0.0 1.0\n120.0 1.0\n10 2 1.0 1.0\n-10.0 10000.0\n10.0 -10000.0\n20 2 1.0 1.0\n-10.0 20000.0\n"
      "10.0 -20000.0\n2\n";
  const auto out = RunText(overflowing + sound);
  EXPECT_EQ(out.Result.Status, DARNEK_ANALYSIS_FAILED);
  ASSERT_EQ(out.Result.Stages.size(), 2u);
  const StageSummary& broken = out.Result.Stages[0];
  EXPECT_FALSE(broken.Solved);
  EXPECT_EQ(broken.Outcome.rfind("solution broke down: the deflection at station ", 0), 0u) << broken.Outcome;
  EXPECT_EQ(out.Result.Message, "stage 1: " + broken.Outcome);
  EXPECT_EQ(out.Result.Stages[1].Outcome, "closed");
  for (const std::string* file : {&out.Report, &out.Log}) {
    EXPECT_EQ(Count(*file, "     ***** SOLUTION BROKE DOWN: VALUES THAT ARE NOT FINITE *****\n"), 1);
    EXPECT_EQ(Count(*file, "     ***** THE DEFLECTION AT STATION"), 1);
    EXPECT_EQ(Count(*file, "END OF ANALYSIS"), 1);
  }
  EXPECT_EQ(out.Report.find("NaN"), std::string::npos);
  EXPECT_EQ(out.Report.find("Infinity"), std::string::npos);
  // The failed stage's results block carries the code 0 and no rows.
  std::istringstream plot(out.Plot);
  const pictures::PlotFile file = pictures::ParsePlotData(plot, "wall.plt");
  ASSERT_EQ(file.Stages.size(), 2u);
  ASSERT_TRUE(file.Stages[0].Results.has_value());
  EXPECT_EQ(file.Stages[0].Results->StageCode, 0);
  EXPECT_TRUE(file.Stages[0].Results->Rows.empty());
}

}  // namespace
}  // namespace darnek
