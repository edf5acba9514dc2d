// The tool's outputs against its inputs and each other: an output that would
// destroy an input or another output is refused before anything is written,
// and the tool's own files are written whole.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/file_guard.h"
#include "support/run_helper.h"
#include "support/temp_dir.h"

namespace darnek {
namespace {

namespace fs = std::filesystem;

std::string Tool(const std::string& args, int* status, const fs::path& cwd) {
  return testing::RunCommand("cd '" + cwd.string() + "' && '" + DARNEK_TOOL_PATH + "' " + args + " 2>&1",
                             status);
}

// Every regular file under the folder with its contents, links read through.
std::map<std::string, std::string> Files(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    if (entry.is_regular_file())
      files[fs::relative(entry.path(), dir).string()] = testing::ReadFile(entry.path());
  return files;
}

// The cases as they were found, each run as written in a folder holding
// w.dat: status 2, a message naming both files, and not one file written or
// changed.
TEST(Aliasing, AnOutputThatIsAnInputOrAnotherOutputIsRefusedAndNothingIsWritten) {
  struct Case {
    std::function<void(const testing::TempDir&)> Setup;
    std::string Args;
    std::string Message;
  };
  const auto link = [](const char* target, const char* name) {
    return [=](const testing::TempDir& d) { fs::create_symlink(target, d.path() / name); };
  };
  const auto hard_link = [](const char* target, const char* name) {
    return [=](const testing::TempDir& d) { fs::create_hard_link(d.path() / target, d.path() / name); };
  };
  // A plot file of w.dat, made by a run of the tool before the case.
  const auto plotted = [](const char* name, std::function<void(const testing::TempDir&)> then) {
    return [=](const testing::TempDir& d) {
      int status = -1;
      Tool("run w.dat --out made", &status, d.path());
      ASSERT_EQ(status, 0);
      fs::rename(d.path() / "made/w.plt", d.path() / name);
      fs::remove_all(d.path() / "made");
      then(d);
    };
  };
  const Case cases[] = {
      {link("w.dat", "link.toml"), "convert w.dat -o link.toml",
       "the output file link.toml is the same file as the input file w.dat"},
      {hard_link("w.dat", "hard.toml"), "convert w.dat -o hard.toml",
       "the output file hard.toml is the same file as the input file w.dat"},
      {nullptr, "batch w.dat --summary w.dat",
       "the summary file w.dat is the same file as the input file w.dat"},
      {nullptr, "batch w.dat --summary w.out",
       "the summary file w.out is the same file as the report file w.out"},
      {hard_link("w.dat", "w.json"), "run w.dat --json w.json",
       "the JSON results file w.json is the same file as the input file w.dat"},
      {[](const testing::TempDir& d) {
         fs::create_directory(d.path() / "csv");
         fs::create_symlink("../w.dat", d.path() / "csv/stages.csv");
       },
       "run w.dat --csv csv", "the CSV results file csv/stages.csv is the same file as the input file w.dat"},
      {nullptr, "run w.dat --json c2/stages.csv --csv c2",
       "the CSV results file c2/stages.csv is the same file as the JSON results file c2/stages.csv"},
      {nullptr, "run w.dat --json w.log", "the JSON results file w.log is the same file as the run-log file"},
      {plotted("report.html", [](const testing::TempDir&) {}), "plot report.html --out .",
       "the picture file ./report.html is the same file as the plot-data file report.html"},
      {plotted("w.plt",
               [](const testing::TempDir& d) {
                 fs::create_directory(d.path() / "o");
                 fs::create_symlink("../w.plt", d.path() / "o/report.html");
               }),
       "plot w.plt --out o", "the picture file o/report.html is the same file as the plot-data file w.plt"},
      {[](const testing::TempDir& d) {
         fs::create_directory(d.path() / "a");
         fs::rename(d.path() / "w.dat", d.path() / "a/w.dat");
         fs::create_symlink("a", d.path() / "al");
         int status = -1;
         Tool("convert a/w.dat -o a/w.toml", &status, d.path());
         ASSERT_EQ(status, 0);
       },
       "batch a/w.dat al/w.toml", "the report file al/w.out is the same file as the report file a/w.out"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Args);
    testing::TempDir dir;
    fs::copy_file(fs::path(DARNEK_SOURCE_DIR) / "examples/cantilever_sand.dat", dir.path() / "w.dat");
    if (c.Setup) c.Setup(dir);
    const std::map<std::string, std::string> before = Files(dir.path());
    int status = -1;
    const std::string said = Tool(c.Args, &status, dir.path());
    EXPECT_EQ(status, DARNEK_HANDOFF_FAILED) << said;
    EXPECT_NE(said.find("darnek: " + c.Message), std::string::npos) << said;
    EXPECT_NE(said.find("nothing was written"), std::string::npos) << said;
    EXPECT_EQ(Files(dir.path()), before);
  }
}

// Links and files that are not regular files are never written through; a
// table named only once the run has its stages is checked before any table
// is written.
TEST(Aliasing, TheToolsOwnFilesAreRegularFilesUnderTheirOwnNames) {
  testing::TempDir dir;
  fs::copy_file(fs::path(DARNEK_SOURCE_DIR) / "examples/cantilever_sand.dat", dir.path() / "w.dat");
  dir.Write("elsewhere.txt", "kept");
  fs::create_symlink("elsewhere.txt", dir.path() / "linked.json");
  fs::create_directory(dir.path() / "folder.json");
  int status = -1;
  std::string said = Tool("run w.dat --json linked.json", &status, dir.path());
  EXPECT_EQ(status, DARNEK_HANDOFF_FAILED);
  EXPECT_NE(said.find("the JSON results file linked.json is a symbolic link"), std::string::npos) << said;
  said = Tool("run w.dat --json folder.json", &status, dir.path());
  EXPECT_EQ(status, DARNEK_HANDOFF_FAILED);
  EXPECT_NE(said.find("folder.json is not a regular file: it is a folder"), std::string::npos) << said;

  fs::create_directory(dir.path() / "csv");
  fs::create_symlink("../w.dat", dir.path() / "csv/stage-1-stations.csv");
  const std::string input = dir.Read("w.dat");
  said = Tool("run w.dat --csv csv --json w.json", &status, dir.path());
  EXPECT_EQ(status, DARNEK_HANDOFF_FAILED);
  EXPECT_NE(
      said.find("the CSV results file csv/stage-1-stations.csv is the same file as the input file w.dat"),
      std::string::npos)
      << said;
  EXPECT_EQ(dir.Read("w.dat"), input);
  EXPECT_FALSE(fs::exists(dir.path() / "w.json"));
  EXPECT_FALSE(fs::exists(dir.path() / "csv/stages.csv"));
  EXPECT_EQ(dir.Read("elsewhere.txt"), "kept");
}

TEST(Aliasing, AWholeFileReplacesTheNameOnlyWhenComplete) {
  testing::TempDir dir;
  dir.Write("old.txt", "old");
  fs::permissions(dir.path() / "old.txt",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  {
    WholeFile file;
    ASSERT_EQ(file.Open("test file", dir.File("old.txt")), "");
    file.Write("new");
    // Dropped before its commit: a run stopped half-way.
  }
  EXPECT_EQ(dir.Read("old.txt"), "old");
  EXPECT_EQ(Files(dir.path()).size(), 1u) << "the temporary file is removed";

  ASSERT_EQ(WriteWholeFile("test file", dir.File("old.txt"), "new"), "");
  EXPECT_EQ(dir.Read("old.txt"), "new");
  EXPECT_EQ(fs::status(dir.path() / "old.txt").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // A link at the name is replaced, and what it pointed to is left alone.
  fs::create_symlink("old.txt", dir.path() / "link.txt");
  ASSERT_EQ(WriteWholeFile("test file", dir.File("link.txt"), "through"), "");
  EXPECT_EQ(dir.Read("old.txt"), "new");
  EXPECT_FALSE(fs::is_symlink(dir.path() / "link.txt"));
  EXPECT_EQ(Files(dir.path()).size(), 2u);

  const std::string problem = WriteWholeFile("test file", dir.File("missing/x.txt"), "x");
  EXPECT_NE(problem.find("the test file " + dir.File("missing/x.txt") + " cannot be written: No such file"),
            std::string::npos)
      << problem;
}

}  // namespace
}  // namespace darnek
