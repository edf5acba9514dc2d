// The command-line tool as a person or a script uses it.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

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

  // Every command's help is its usage on standard output, status 0; the
  // tool's lists the commands.
  const std::string help = Tool("--help", &status);
  for (const char* command : {"run", "batch", "reliability", "convert", "plot", "serve"}) {
    EXPECT_NE(help.find(std::string("\n  ") + command + " "), std::string::npos) << command << "\n" << help;
    const std::string usage = Tool(std::string(command) + " --help", &status);
    EXPECT_EQ(status, 0) << command;
    EXPECT_NE(usage.find(std::string("usage: darnek ") + command + " [OPTIONS]"), std::string::npos) << usage;
  }
  // Values an option does not take, and options that need another.
  for (const char* wrong : {"batch a.dat --jobs 0", "batch a.dat --jobs 2x", "run a.dat --unload-factor 2",
                            "run a.dat --stage-memory --unload-factor -1", "run a.dat --curve-spacing nan",
                            "run a.dat --out", "convert a.dat -o b.dat", "reliability m.toml --method x"}) {
    const std::string said = Tool(wrong, &status);
    EXPECT_EQ(status, 7) << wrong;
    EXPECT_NE(said.find("usage: darnek " + std::string(wrong).substr(0, std::string(wrong).find(' '))),
              std::string::npos)
        << said;
  }
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

  // Records have no place for stage memory: converted from them a TOML never
  // asks for it, and converted to them it is lost with a warning.
  EXPECT_EQ(dir.Read("wall.toml").find("stage_memory"), std::string::npos);
  dir.Write("memory.toml", testing::Replace(dir.Read("wall.toml"),
                                            "units =", "stage_memory = true\nunload_factor = 0.5\nunits ="));
  const std::string warned = Tool("convert '" + dir.File("memory.toml") + "'", &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(warned.find("warning: " + dir.File("memory.toml") + ": stage_memory is a run option"),
            std::string::npos)
      << warned;
  EXPECT_NE(warned.find("analyses every stage alone; run it with --stage-memory --unload-factor 0.5 "),
            std::string::npos)
      << warned;

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

// batch: a rejected input among good ones fails alone, the others' outputs
// and summary rows are all there, and the status names the failure.
TEST(Tool, BatchRunsEveryInputAndSummarisesEachStage) {
  testing::TempDir dir;
  const std::filesystem::path examples = std::filesystem::path(DARNEK_SOURCE_DIR) / "examples";
  std::filesystem::copy_file(examples / "anchored_two_tiebacks_si.dat", dir.path() / "two.dat");
  std::filesystem::copy_file(examples / "cantilever_sand.toml", dir.path() / "sand.toml");
  dir.Write("bad.dat", "T\n1 0 0 x\n");
  int status = -1;
  const std::string out =
      Tool("batch '" + dir.File("two.dat") + "' '" + dir.File("bad.dat") + "' '" + dir.File("sand.toml") +
               "' --jobs 2 --out '" + dir.File("out") + "' --summary '" + dir.File("sum.csv") + "'",
           &status);
  EXPECT_EQ(status, DARNEK_INPUT_REJECTED) << out;
  EXPECT_NE(out.find("3 inputs: 2 succeeded, 1 failed"), std::string::npos) << out;
  EXPECT_NE(out.find("failed:    " + dir.File("bad.dat") + " (status 3)"), std::string::npos) << out;
  EXPECT_NE(out.find("[3/3] "), std::string::npos) << out;  // plain progress lines off a terminal
  for (const char* f : {"out/two.out", "out/two.plt", "out/two.log", "out/sand.out", "out/sand.log"})
    EXPECT_TRUE(std::filesystem::exists(dir.File(f))) << f;

  std::istringstream csv(dir.Read("sum.csv"));
  std::vector<std::string> rows;
  for (std::string row; std::getline(csv, row);) rows.push_back(row);
  ASSERT_EQ(rows.size(), 4u) << dir.Read("sum.csv");
  EXPECT_EQ(rows[0],
            "file,status,message,stage,outcome,iterations,load_fraction,max_deflection,max_deflection_depth,"
            "max_moment,max_moment_depth,deflection_unit,depth_unit,moment_unit,force_unit,tie_back_1_force,"
            "tie_back_2_force");
  const auto fields = [](const std::string& row) {  // commas inside quotes separate nothing
    int n = 1;
    bool quoted = false;
    for (char c : row) {
      if (c == '"') quoted = !quoted;
      if (c == ',' && !quoted) ++n;
    }
    return n;
  };
  for (const std::string& row : rows) EXPECT_EQ(fields(row), 17) << row;
  EXPECT_EQ(rows[1].rfind(dir.File("two.dat") + ",0,,1,closed,", 0), 0u) << rows[1];
  EXPECT_NE(rows[1].find(",m,m,kN-m,kN,"), std::string::npos) << rows[1];
  EXPECT_EQ(rows[2].rfind(dir.File("bad.dat") + ",3,", 0), 0u) << rows[2];
  EXPECT_NE(rows[3].find(",in,ft,lbs-in,lbs,,"), std::string::npos) << rows[3];
  // Its tie-back forces are the ones `run` prints.
  const std::string run =
      Tool("run '" + dir.File("two.dat") + "' --out '" + dir.File("single") + "'", &status);
  const double printed =
      std::stod(run.substr(run.find("force per tie-back", run.find("tie-back 2 at")) + 19));
  const double summarised = std::stod(rows[1].substr(rows[1].rfind(',') + 1));
  EXPECT_NEAR(summarised, printed, 1e-4 * std::fabs(printed)) << rows[1] << "\n" << run;

  // The largest values and their depths are the run's JSON, digit for digit;
  // where load stepping was tried, the share of the loads it carried is too.
  // The memory run of the two-anchor wall is beyond its supports' capacity.
  std::filesystem::copy_file(examples / "anchored_two_tiebacks_si.toml", dir.path() / "held.toml");
  dir.Write("held.toml", "stage_memory = true\n" + dir.Read("held.toml"));
  std::filesystem::copy_file(examples / "multi_layer_si.dat", dir.path() / "layers.dat");
  const std::vector<std::string> inputs = {"two.dat", "sand.toml", "held.toml", "layers.dat"};
  std::string batch = "batch --summary '" + dir.File("all.csv") + "' --out '" + dir.File("all") + "'";
  for (const std::string& input : inputs) batch += " '" + dir.File(input) + "'";
  Tool(batch, &status);
  const auto cells = [](const std::string& row) {  // a quoted cell may hold commas
    std::vector<std::string> split(1);
    bool quoted = false;
    for (char c : row) {
      if (c == '"') quoted = !quoted;
      if (c == ',' && !quoted)
        split.emplace_back();
      else
        split.back() += c;
    }
    return split;
  };
  std::istringstream all(dir.Read("all.csv"));
  std::string row;
  std::getline(all, row);
  bool stepped = false;
  for (const std::string& input : inputs) {
    SCOPED_TRACE(input);
    Tool(
        "run '" + dir.File(input) + "' --out '" + dir.File("one") + "' --json '" + dir.File("one.json") + "'",
        &status);
    const auto json = nlohmann::json::parse(dir.Read("one.json"));
    for (const auto& stage : json["stages"]) {
      ASSERT_TRUE(std::getline(all, row));
      // file, status, message, stage, outcome, iterations, load_fraction,
      // deflection, its depth, moment, its depth, ...
      const std::vector<std::string> c = cells(row);
      ASSERT_GE(c.size(), 11u) << row;
      EXPECT_EQ(std::stoi(c[3]), stage["stage"].get<int>());
      EXPECT_EQ(c[6].empty(), !stage.contains("load_stepping")) << row;
      if (!c[6].empty()) {
        stepped = true;
        EXPECT_EQ(std::stod(c[6]), stage["load_stepping"]["load_fraction"].get<double>()) << row;
      }
      if (!stage["solved"].get<bool>()) continue;
      const char* keys[] = {"deflection", "deflection_depth", "moment", "moment_depth"};
      for (size_t k = 0; k < 4; ++k)
        EXPECT_EQ(std::stod(c[7 + k]), stage["largest"][keys[k]].get<double>()) << keys[k] << ": " << row;
    }
  }
  EXPECT_FALSE(std::getline(all, row)) << row;
  EXPECT_TRUE(stepped) << "held at their prestress, the two anchors are beyond the wall's supports";

  // Two inputs that would write the same outputs: nothing runs.
  Tool("batch '" + dir.File("two.dat") + "' '" + dir.File("two.toml") + "'", &status);
  EXPECT_EQ(status, DARNEK_HANDOFF_FAILED);
}

}  // namespace
}  // namespace darnek
