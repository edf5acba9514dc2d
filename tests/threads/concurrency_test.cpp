// Analyses side by side in one process: darnek::Run is re-entrant, so runs on
// several threads write exactly what the same runs write one after another.
// The ThreadSanitizer build (make test-tsan) runs this program alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

#include "darnek/darnek.h"
#include "support/run_helper.h"
#include "support/temp_dir.h"
#include "toml/toml_input.h"

namespace darnek {
namespace {

namespace fs = std::filesystem;

const fs::path kExamples = fs::path(DARNEK_SOURCE_DIR) / "examples";
const char* const kOutputs[] = {".out", ".plt", ".log", ".pyscratch", ".epscratch"};

std::vector<std::string> ExampleNames() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(kExamples))
    if (e.path().extension() == ".dat") names.push_back(e.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Runs one example in `dir`; returns its status and every file it wrote
// (the report's folder line masked: the folders differ). The design examples
// are checked too, their strength reduction analysing stages again inside
// the run, and their verdicts are part of what must not differ.
std::pair<int, std::vector<std::string>> RunExample(const std::string& name, const testing::TempDir& dir) {
  fs::copy_file(kExamples / (name + ".dat"), dir.path() / (name + ".dat"));
  RunOptions options;
  options.Files =
      FileNames{dir.File(name + ".dat"), dir.File(name + ".out"),       dir.File(name + ".plt"),
                dir.File(name + ".log"), dir.File(name + ".pyscratch"), dir.File(name + ".epscratch")};
  options.VersionText = "TEST";
  options.Clock = testing::FixedClock;
  std::ostringstream console;
  options.Console = &console;
  const fs::path design = kExamples / "design" / (name + ".toml");
  if (name.rfind("design_", 0) == 0) options.Design = toml_input::ReadDesignFile(design.string());
  const RunResult result = Run(options);
  const int status = result.Status;
  std::vector<std::string> files;
  std::string verdicts;
  for (const StageChecks& c : result.Checks) verdicts += VerdictLine(c) + "\n";
  files.push_back(verdicts);
  for (const char* ext : kOutputs) {
    const std::string path = dir.File(name + ext);
    files.push_back(fs::exists(path) ? testing::MaskVariableLines(testing::ReadFile(path)) : "(none)");
  }
  return {status, files};
}

TEST(Concurrency, RunsOnTwoToEightThreadsWriteWhatSingleRunsWrite) {
  const std::vector<std::string> names = ExampleNames();
  ASSERT_GE(names.size(), 8u);
  std::map<std::string, std::vector<std::string>> single;
  {
    testing::TempDir dir;
    for (const std::string& name : names) {
      const auto [status, files] = RunExample(name, dir);
      ASSERT_EQ(status, DARNEK_OK) << name;
      if (name.rfind("design_", 0) == 0) {
        EXPECT_NE(files[0], "") << name << " has no design checks";
      }
      single[name] = files;
    }
  }
  for (const size_t threads : {size_t{2}, size_t{8}}) {
    SCOPED_TRACE(std::to_string(threads) + " threads");
    testing::TempDir dir;
    std::vector<std::pair<int, std::vector<std::string>>> results(names.size());
    std::vector<std::thread> pool;
    // Thread t runs examples t, t + threads, ...: different examples at once.
    for (size_t t = 0; t < threads; ++t) {
      pool.emplace_back([&, t] {
        for (size_t i = t; i < names.size(); i += threads) results[i] = RunExample(names[i], dir);
      });
    }
    for (std::thread& thread : pool) thread.join();
    for (size_t i = 0; i < names.size(); ++i) {
      EXPECT_EQ(results[i].first, DARNEK_OK) << names[i];
      for (size_t f = 0; f < results[i].second.size(); ++f)
        EXPECT_TRUE(results[i].second[f] == single[names[i]][f]) << names[i] << " output " << f << " differs";
    }
  }
}

}  // namespace
}  // namespace darnek
