// Each stage analyses the whole wall from zero deflection, its tie-backs
// acting as a load and a spring from there (docs/modelling.md, "Each stage is
// an independent analysis").
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/run_helper.h"
#include "support/temp_dir.h"

namespace darnek {
namespace {

// The last stage's results, from its heading to the end of the run.
std::string LastResults(const std::string& report) {
  const size_t from = report.rfind("     RESULTS\n");
  const size_t to = report.find("END OF ANALYSIS", from);
  return from == std::string::npos || to == std::string::npos ? "" : report.substr(from, to - from);
}

// The anchored example gives the same results after a first stage that dug
// 2.5 m without the tie-back as it gives alone, and its prestress pulls the
// undeformed wall back until most of it is lost.
TEST(StageIndependence, AStageAfterAnotherGivesTheResultsItGivesAlone) {
  const std::string alone =
      testing::ReadFile(std::string(DARNEK_SOURCE_DIR) + "/examples/anchored_soft_clay_si.dat");
  std::vector<std::string> lines;
  std::istringstream in(alone);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 24u);
  ASSERT_EQ(lines[1], "2 0 1 1 0 2 2 0 1 0 1 0");  // one stage, one tie-back
  ASSERT_EQ(lines[13], "6.0 1.0 1.0 2.0 6.0 1.0 1 0.0 0.0");
  std::string two =
      "CANTILEVER, 2.5 M EXCAVATION\n2 0 1 1 0 2 2 0 2 0 0 0\n56 0.25 0.3 0.00001 2.5 1.0 14.0 100 0 0\n";
  for (size_t i = 3; i <= 11; ++i) two += lines[i] + "\n";  // wall, section, no loads, no restraints
  two += "2.5 1.0 1.0 2.0 2.5 1.0 1 0.0 0.0\n";
  for (size_t i = 14; i <= 22; ++i) two += lines[i] + "\n";  // surcharge and soil
  two += "1\n" + lines[0] + "\n2 0 1 1 0 2 2 0 2 0 1 0\n";
  for (size_t i = 2; i <= 22; ++i) two += lines[i] + "\n";
  two += "2\n";

  const testing::RunOutput staged = testing::RunText(two);
  const testing::RunOutput single = testing::RunText(alone);
  ASSERT_EQ(staged.Result.Stages.size(), 2u);
  ASSERT_EQ(single.Result.Stages.size(), 1u);
  ASSERT_TRUE(staged.Result.Stages[0].Solved);
  EXPECT_GT(staged.Result.Stages[0].MaxDeflection, 0.001);  // stage 1 moved the wall
  EXPECT_FALSE(LastResults(single.Report).empty());
  EXPECT_EQ(LastResults(staged.Report), LastResults(single.Report));
  ASSERT_EQ(single.Result.Stages[0].TieBacks.size(), 1u);
  EXPECT_NEAR(single.Result.Stages[0].TieBacks[0].ForcePerTieBack, -117.8, 0.05);  // of 250 kN
}

}  // namespace
}  // namespace darnek
