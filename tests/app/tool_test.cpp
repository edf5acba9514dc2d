// The command-line tool as a person or a script uses it.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_helper.h"
#include "support/temp_dir.h"

namespace darnek {
namespace {

std::string Tool(const std::string& args, int* status, const std::string& cwd = "") {
  std::string command = std::string("'") + DARNEK_TOOL_PATH + "' " + args + " 2>&1";
  if (!cwd.empty()) command = "cd '" + cwd + "' && " + command;
  return testing::RunCommand(command, status);
}

TEST(Tool, HelpVersionAndUsageErrors) {
  int status = -1;
  EXPECT_NE(Tool("--help", &status).find("usage: darnek"), std::string::npos);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Tool("--version", &status).rfind("darnek ", 0), 0u);
  EXPECT_EQ(status, 0);
  const std::string unknown = Tool("--frobnicate", &status);
  EXPECT_EQ(status, 7);
  EXPECT_NE(unknown.find("darnek: unknown command or option --frobnicate"), std::string::npos);
  EXPECT_NE(unknown.find("usage:"), std::string::npos);
  Tool("run", &status);
  EXPECT_EQ(status, 7);
  Tool("run a.dat --bogus", &status);
  EXPECT_EQ(status, 7);
}

TEST(Tool, WithoutArgumentsItIsTheFrontEndsCallInTheCurrentFolder) {
  testing::TempDir dir;
  int status = -1;
  const std::string out = Tool("", &status, dir.path().string());
  EXPECT_EQ(status, DARNEK_HANDOFF_FAILED);
  EXPECT_NE(out.find("PLEASE CREATE AN INPUT DATA FILE AND SAVE IT"), std::string::npos);
}

TEST(Tool, RunAnalysesAnInputAndSaysWhereTheFilesAreAndWhatItFound) {
  testing::TempDir dir;
  std::filesystem::copy_file(
      std::filesystem::path(DARNEK_SOURCE_DIR) / "examples" / "anchored_two_tiebacks_si.dat",
      dir.path() / "wall.dat");
  int status = -1;
  const std::string out =
      Tool("run '" + dir.File("wall.dat") + "' --out '" + dir.File("results") + "'", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("report:    " + dir.File("results/wall.out")), std::string::npos) << out;
  EXPECT_NE(out.find("stage 1: closed"), std::string::npos) << out;
  EXPECT_NE(out.find("tie-back 2 at station 18"), std::string::npos) << out;
  EXPECT_NE(out.find(" m at depth "), std::string::npos) << out;
  for (const char* f : {"results/wall.out", "results/wall.plt", "results/wall.log"})
    EXPECT_TRUE(std::filesystem::exists(dir.File(f))) << f;

  // An input the engine rejects: the status says so, the report says why.
  dir.Write("bad.dat", "T\n1 0 0 x\n");
  const std::string bad = Tool("run '" + dir.File("bad.dat") + "'", &status);
  EXPECT_EQ(status, DARNEK_INPUT_REJECTED);
  EXPECT_NE(bad.find("run ended early: line 2: first control line"), std::string::npos) << bad;
  Tool("run '" + dir.File("missing.dat") + "'", &status);
  EXPECT_EQ(status, DARNEK_HANDOFF_FAILED);
}

// convert turns records into TOML and back; run takes the TOML as it takes
// records; a TOML mistake stops before anything is written.
TEST(Tool, ConvertsBetweenRecordsAndTomlAndRunsToml) {
  testing::TempDir dir;
  std::filesystem::copy_file(std::filesystem::path(DARNEK_SOURCE_DIR) / "examples" / "cantilever_sand.dat",
                             dir.path() / "wall.dat");
  int status = -1;
  EXPECT_EQ(Tool("convert '" + dir.File("wall.dat") + "'", &status), "wrote " + dir.File("wall.toml") + "\n");
  EXPECT_EQ(status, 0);
  EXPECT_NE(dir.Read("wall.toml").find("type = \"sand\""), std::string::npos);
  std::filesystem::create_directories(dir.path() / "back");
  Tool("convert '" + dir.File("wall.toml") + "' -o '" + dir.File("back/wall.dat") + "'", &status);
  EXPECT_EQ(status, 0);
  Tool("convert '" + dir.File("wall.toml") + "' -o '" + dir.File("again.toml") + "'", &status);
  EXPECT_EQ(status, 7);  // a usage error

  const std::string out =
      Tool("run '" + dir.File("wall.toml") + "' --out '" + dir.File("toml") + "'", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("stage 1: closed"), std::string::npos) << out;
  Tool("run '" + dir.File("back/wall.dat") + "'", &status);
  EXPECT_EQ(status, 0);
  // The same report, but for the name of the input file.
  std::string from_toml = testing::MaskVariableLines(dir.Read("toml/wall.out"));
  from_toml.replace(from_toml.find("wall.toml"), 9, "wall.dat");
  EXPECT_EQ(from_toml, testing::MaskVariableLines(dir.Read("back/wall.out")));

  dir.Write("bad.toml", "units = \"english\"\n[[stage]]\nincrements = [\n");
  const std::string bad = Tool("run '" + dir.File("bad.toml") + "' --out '" + dir.File("bad") + "'", &status);
  EXPECT_EQ(status, DARNEK_INPUT_REJECTED);
  EXPECT_EQ(bad.rfind("darnek: " + dir.File("bad.toml") + ", line 3, column 16: ", 0), 0u) << bad;
  EXPECT_FALSE(std::filesystem::exists(dir.File("bad/bad.out")));
}

}  // namespace
}  // namespace darnek
