// Design checks in a run: they leave the report, plot data, run log and
// console as they are, and read the stage as the analysis left it.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>

#include "support/run_helper.h"
#include "support/temp_dir.h"

namespace darnek {
namespace {

const std::filesystem::path kExamples = std::filesystem::path(DARNEK_SOURCE_DIR) / "examples";

// The PZ 27 cantilever: 14 ft of dry sand (phi 32), tip at 35 ft. Fixed
// earth support with d0 = 21 / 1.2 ft gives F = Kp d0^3 / (Ka (H + d0)^3);
// the section's allowable moment is 0.65 x 50 000 x 30.2 lb-in per foot.
TEST(DesignRun, ChecksLeaveTheRunsOutputsAsTheyAre) {
  const std::string dat = testing::ReadFile((kExamples / "cantilever_sand.dat").string());
  const testing::RunOutput plain = testing::RunText(dat);
  RunOptions options;
  DesignData design;
  SectionDesign pz27;
  pz27.CrossSection = 1;
  pz27.YieldStrength = 50000;
  pz27.SectionModulus = 30.2;
  design.Sections = {pz27};
  design.DeflectionLimit = 3;
  options.Design = design;
  const testing::RunOutput checked = testing::RunText(dat, options);

  EXPECT_EQ(testing::MaskVariableLines(plain.Report), testing::MaskVariableLines(checked.Report));
  EXPECT_EQ(plain.Plot, checked.Plot);
  EXPECT_EQ(plain.Log, checked.Log);
  EXPECT_EQ(plain.Console, checked.Console);
  EXPECT_TRUE(plain.Result.Checks.empty());
  EXPECT_TRUE(plain.Result.Design.Method.empty());

  ASSERT_EQ(checked.Result.Checks.size(), 1u);
  const StageChecks& c = checked.Result.Checks[0];
  const double degree = std::numbers::pi / 180;
  const double ka = std::pow(std::tan(29 * degree), 2), kp = std::pow(std::tan(61 * degree), 2);
  const double d0 = 21 / 1.2;
  EXPECT_NEAR(c.Embedment.FactorOfSafety / (kp * d0 * d0 * d0 / (ka * std::pow(14 + d0, 3))), 1, 0.005);
  EXPECT_NEAR(c.Bending.Utilisation, std::fabs(checked.Result.Stages[0].MaxMoment) / (0.65 * 50000 * 30.2),
              1e-12);
  EXPECT_NEAR(c.Deflection.Utilisation, std::fabs(checked.Result.Stages[0].MaxDeflection) / 3, 1e-12);
  EXPECT_EQ(checked.Result.Design.Verdict, c.Verdict);
}

// A host that gives the run bad design data has it refused before the first
// stage, with the key named.
TEST(DesignRun, RefusesBadDesignDataAsAnInputError) {
  RunOptions options;
  DesignData design;
  design.Factors.BendingFraction = -0.65;
  options.Design = design;
  const testing::RunOutput out =
      testing::RunText(testing::ReadFile((kExamples / "cantilever_sand.dat").string()), options);
  EXPECT_EQ(out.Result.Status, DARNEK_INPUT_REJECTED);
  EXPECT_EQ(out.Result.Message, "design, factors, bending_fraction: must be a number greater than 0");
  EXPECT_TRUE(out.Result.Stages.empty());
}

}  // namespace
}  // namespace darnek
