// The files of a run as a host program, a disk and a user can get them
// wrong: names that alias, writes that fail, inputs that are not files,
// endless runs, the process locale, the working directory, planted links, and
// the statuses and messages that say what happened.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <locale>
#include <sstream>

#include "core/list_reader.h"
#include "core/report_helpers.h"
#include "driver/run.h"
#include "support/run_helper.h"
#include "support/temp_dir.h"

namespace darnek {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

const fs::path kExamples = fs::path(DARNEK_SOURCE_DIR) / "examples";

std::string Example(const std::string& name) { return testing::ReadFile((kExamples / name).string()); }

// A stage that ends at once after its control echo (negative MaxIterations).
const char* const kShortStage = "T\n1 0 0 0 0 0 0 0 1 0 0 0\n40 6.0 10.0 0.001 120.0 12.0 240.0 -1 0 0\n";

std::vector<std::string> FilesIn(const fs::path& dir) {
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(dir)) files.push_back(e.path().filename());
  std::sort(files.begin(), files.end());
  return files;
}

FileNames NamesIn(const TempDir& dir, const std::string& stem = "wall") {
  return {dir.File(stem + ".dat"), dir.File(stem + ".out"),       dir.File(stem + ".plt"),
          dir.File(stem + ".log"), dir.File(stem + ".pyscratch"), dir.File(stem + ".epscratch")};
}

struct Outcome {
  RunResult Result;
  std::string Console;
};

Outcome RunFiles(const FileNames& files, const StageObserver& observer = {}) {
  RunOptions options;
  options.Files = files;
  options.VersionText = "TEST";
  options.Clock = testing::FixedClock;
  std::ostringstream console;
  options.Console = &console;
  Outcome out;
  out.Result = RunWith(options, observer);
  out.Console = console.str();
  return out;
}

std::string Tool(const std::string& args, int* status, const std::string& cwd = "") {
  std::string command = std::string("'") + DARNEK_TOOL_PATH + "' " + args + " 2>&1";
  if (!cwd.empty()) command = "cd '" + cwd + "' && " + command;
  return testing::RunCommand(command, status);
}

// ------------------------------------------------------------------ aliasing

TEST(FileAliasing, AnOutputThatIsTheInputOrAnotherOutputStopsTheRunWithNothingTouched) {
  TempDir dir;
  dir.Write("wall.dat", kShortStage);
  fs::create_directory(dir.path() / "sub");
  dir.Write("kept.out", "an earlier report\n");
  fs::create_hard_link(dir.path() / "kept.out", dir.path() / "linked.out");
  fs::create_symlink(dir.path() / "wall.dat", dir.path() / "input.lnk");
  const auto before = FilesIn(dir.path());
  struct Case {
    const char* What;
    std::string FileNames::*Name;
    std::string Value;
    std::string FileNames::*Other;  // set to `other_value` too, when not null
    std::string OtherValue;
    std::string Message;
  };
  const Case cases[] = {
      {"report names the input", &FileNames::Report, dir.File("wall.dat"), nullptr, "",
       "the report file " + dir.File("wall.dat") + " is the same file as the input data file"},
      {"p-y scratch names the input (darnek run wall.pyscratch)", &FileNames::PyScratch, dir.File("wall.dat"),
       nullptr, "", "the p-y scratch file"},
      {"run log through a link to the input", &FileNames::RunLog, dir.File("input.lnk"), nullptr, "",
       "is the same file as the input data file"},
      {"plot and report spelt differently", &FileNames::Plot, dir.File("sub/../wall.out"), nullptr, "",
       "the plot-data file " + dir.File("sub/../wall.out") + " is the same file as the report file"},
      {"two hard links", &FileNames::Report, dir.File("kept.out"), &FileNames::PressureScratch,
       dir.File("linked.out"), "is the same file as the report file"},
      {"the two scratch files", &FileNames::PressureScratch, dir.File("wall.pyscratch"), nullptr, "",
       "the pressure scratch file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    FileNames names = NamesIn(dir);
    names.*c.Name = c.Value;
    if (c.Other) names.*c.Other = c.OtherValue;
    const Outcome out = RunFiles(names);
    EXPECT_EQ(out.Result.Status, DARNEK_HANDOFF_FAILED);
    EXPECT_NE(out.Console.find(c.Message), std::string::npos) << out.Console;
    EXPECT_NE(out.Console.find("nothing was written"), std::string::npos) << out.Console;
    EXPECT_EQ(out.Console.find("PLEASE CREATE"), std::string::npos) << out.Console;
    EXPECT_EQ(dir.Read("wall.dat"), kShortStage);
    EXPECT_EQ(dir.Read("kept.out"), "an earlier report\n");
    EXPECT_EQ(FilesIn(dir.path()), before);
  }
  // Devices hold nothing to lose: two outputs may both go to /dev/null.
  FileNames discard = NamesIn(dir);
  discard.Plot = discard.RunLog = "/dev/null";
  EXPECT_EQ(RunFiles(discard).Result.Status, DARNEK_OK);
}

TEST(FileAliasing, HandOffNamesAreNeverCutAndNeverTheHandOffFile) {
  TempDir dir;
  // An input name of exactly 255 characters: its outputs' names are longer,
  // and cut to 255 they would all be the input.
  const std::string stem = dir.File(std::string(255 - dir.File("").size() - 4, 'w'));
  ASSERT_EQ((stem + ".dat").size(), 255u);
  const std::string input = stem + ".dat";
  std::ofstream(input) << kShortStage;
  std::string names = "V\n2\n3\n4\n" + input + "\n";
  for (const char* ext : {".dat.out", ".dat.plt", ".dat.log", ".dat.py", ".dat.ep"})
    names += stem + ext + "\n";
  dir.Write("NAMES.dat", names);
  RunOptions options;
  options.NamesFile = dir.File("NAMES.dat");
  std::ostringstream console;
  options.Console = &console;
  EXPECT_EQ(darnek::Run(options).Status, DARNEK_HANDOFF_FAILED);
  EXPECT_NE(console.str().find("NAMES.dat, line 6: the name has 259 characters; a name may have at most 255"),
            std::string::npos)
      << console.str();
  EXPECT_EQ(testing::ReadFile(input), kShortStage);
  EXPECT_EQ(FilesIn(dir.path()).size(), 2u);

  // A report that would overwrite the hand-off file.
  dir.Write("short.dat", kShortStage);
  names = "V\n2\n3\n4\n" + dir.File("short.dat") + "\n" + dir.File("NAMES.dat") + "\n";
  for (const char* ext : {".plt", ".log", ".py", ".ep"}) names += dir.File("short") + ext + "\n";
  dir.Write("NAMES.dat", names);
  console.str("");
  EXPECT_EQ(darnek::Run(options).Status, DARNEK_HANDOFF_FAILED);
  EXPECT_NE(console.str().find("the report file " + dir.File("NAMES.dat") + " is the hand-off file"),
            std::string::npos)
      << console.str();
  EXPECT_EQ(dir.Read("NAMES.dat"), names);

  // A name the system cannot take is refused before anything is opened.
  FileNames long_name = NamesIn(dir, "short");
  long_name.Plot = dir.File(std::string(300, 'p'));
  const Outcome out = RunFiles(long_name);
  EXPECT_EQ(out.Result.Status, DARNEK_HANDOFF_FAILED);
  EXPECT_NE(out.Console.find("has a part of 300 characters; the system allows at most 255"),
            std::string::npos)
      << out.Console;
}

// ------------------------------------------------------------------ write errors

TEST(WriteErrors, AFullDeviceEndsTheRunWithItsOwnStatusNamingTheFileAndTheReason) {
  TempDir dir;
  dir.Write("wall.dat", Example("cantilever_sand.dat"));
  for (std::string FileNames::*name : {&FileNames::Report, &FileNames::RunLog, &FileNames::Plot}) {
    FileNames names = NamesIn(dir);
    names.*name = "/dev/full";
    const Outcome out = RunFiles(names);
    EXPECT_EQ(out.Result.Status, DARNEK_WRITE_FAILED);
    EXPECT_NE(out.Result.Message.find(" /dev/full cannot be written: No space left on device"),
              std::string::npos)
        << out.Result.Message;
    EXPECT_NE(out.Console.find(" **** WRITE ERROR **** the "), std::string::npos) << out.Console;
  }
}

TEST(WriteErrors, AFileThatCannotGrowMidRunIsAWriteFailureNotAnInputError) {
  TempDir dir;
  dir.Write("wall.dat", Example("cantilever_sand.dat"));
  // A file-size limit of 20 KB stands for a disk that fills during the run
  // (the signal it raises ignored, so that the write fails instead).
  int status = -1;
  const std::string said =
      testing::RunCommand("cd '" + dir.path().string() + "' && trap '' XFSZ && ulimit -f 40 && '" +
                              DARNEK_TOOL_PATH + "' run wall.dat 2>&1",
                          &status);
  EXPECT_EQ(status, DARNEK_WRITE_FAILED) << said;
  // The pressure scratch file is the first to outgrow the limit.
  EXPECT_NE(said.find(" **** WRITE ERROR **** the pressure scratch file " + dir.File("wall.epscratch") +
                      " cannot be written: File too large"),
            std::string::npos)
      << said;
  EXPECT_EQ(said.find("INPUT ERROR"), std::string::npos) << said;
}

// ------------------------------------------------------------------ inputs that are not files, bounds

TEST(NonRegularInputs, PipesFoldersAndDevicesAreRefusedAtOnce) {
  TempDir dir;
  ASSERT_EQ(::mkfifo(dir.File("pipe.dat").c_str(), 0600), 0);
  fs::create_directory(dir.path() / "folder.dat");
  const auto before = FilesIn(dir.path());
  const std::pair<std::string, const char*> cases[] = {{dir.File("pipe.dat"), "it is a pipe (FIFO)"},
                                                       {dir.File("folder.dat"), "it is a folder"},
                                                       {"/dev/zero", "it is a character device"}};
  for (const auto& [input, kind] : cases) {
    SCOPED_TRACE(input);
    FileNames names = NamesIn(dir);
    names.Input = input;
    const Outcome out = RunFiles(names);
    EXPECT_EQ(out.Result.Status, DARNEK_HANDOFF_FAILED);
    EXPECT_NE(out.Console.find("the input data file " + input + " is not a regular file: " + kind),
              std::string::npos)
        << out.Console;
    EXPECT_EQ(FilesIn(dir.path()), before);
  }
}

TEST(NonRegularInputs, LinesAndQuotedValuesAreBounded) {
  const auto long_line = testing::RunText("T\n1 0 0 0 0 0 0 0 1 0 0 0" + std::string(70000, ' ') + "\n");
  EXPECT_EQ(long_line.Result.Status, DARNEK_INPUT_REJECTED);
  EXPECT_NE(long_line.Console.find("line 2: first control line: the line is longer than 65536 characters"),
            std::string::npos)
      << long_line.Console.substr(0, 300);

  const std::string token(5000, '7');
  const auto long_value = testing::RunText("T\n1 0 0 x" + token + " 0 0 0 0 1 0 0 0\n");
  EXPECT_EQ(long_value.Result.Status, DARNEK_INPUT_REJECTED);
  const std::string quoted = "found 'x" + token.substr(0, 39) + "...' (5001 characters)";
  EXPECT_NE(long_value.Console.find(quoted), std::string::npos) << long_value.Console.substr(0, 300);
  EXPECT_NE(long_value.Report.find(quoted), std::string::npos);
  EXPECT_LT(long_value.Console.size(), 400u);
}

// ------------------------------------------------------------------ endless runs

TEST(EndlessRuns, ANonPositiveToleranceAndAnEndlessIterationCountAreRejected) {
  const std::string example = Example("cantilever_sand.dat");
  const std::string control = "70 6.0 12.0 0.0001 168.0 12.0 420.0 100 0 0";
  ASSERT_NE(example.find(control), std::string::npos);
  const auto with = [&](const std::string& line) {
    std::string text = example;
    return testing::RunText(text.replace(text.find(control), control.size(), line));
  };
  const auto endless = with("70 6.0 12.0 -0.0001 168.0 12.0 420.0 2000000000 0 0");
  EXPECT_EQ(endless.Result.Status, DARNEK_INPUT_REJECTED);
  EXPECT_NE(endless.Report.find("item 8 (MaxIterations): 2000000000 iterations; at most 10000 are allowed"),
            std::string::npos);
  const auto negative = with("70 6.0 12.0 -0.0001 168.0 12.0 420.0 100 0 0");
  EXPECT_EQ(negative.Result.Status, DARNEK_INPUT_REJECTED);
  EXPECT_NE(negative.Report.find("item 4 (DeflectionTolerance): must be positive, found -0.0001"),
            std::string::npos);
  const auto zero = with("70 6.0 12.0 0.0 168.0 12.0 420.0 10000 0 0");
  EXPECT_NE(zero.Report.find("item 4 (DeflectionTolerance): must be positive, found 0"), std::string::npos);
  // A single solution never uses the tolerance, and 10000 iterations are allowed.
  EXPECT_EQ(with("70 6.0 12.0 0.0 168.0 12.0 420.0 0 0 0").Result.Status, DARNEK_OK);
  EXPECT_EQ(with("70 6.0 12.0 0.0001 168.0 12.0 420.0 10000 0 0").Result.Stages.at(0).Outcome, "closed");
}

// ------------------------------------------------------------------ locale

}  // namespace
}  // namespace darnek

// The C library keeps the list of locale folders it builds from LOCPATH (a
// leak of glibc's, not of the engine): the leak checker is told to pass it.
extern "C" const char* __lsan_default_suppressions() { return "leak:__argz_add_sep\n"; }

namespace darnek {
namespace {

// The process switched to a German locale (decimal comma) for the scope,
// built with localedef when the machine has none.
class CommaLocale {
 public:
  CommaLocale() {
    if (!Switch()) {
      const fs::path cache = fs::temp_directory_path() / ("darnek-locales-" + std::to_string(::getuid()));
      if (!fs::exists(cache / "de_DE.UTF-8")) {
        const fs::path fresh = cache.string() + "." + std::to_string(::getpid());
        fs::create_directories(fresh);
        testing::RunCommand("localedef -i de_DE -f UTF-8 '" + (fresh / "de_DE.UTF-8").string() + "' 2>&1");
        std::error_code ignored;
        fs::rename(fresh, cache, ignored);  // another test process may have been first
        fs::remove_all(fresh, ignored);
      }
      ::setenv("LOCPATH", cache.c_str(), 1);
      Switch();
    }
  }
  ~CommaLocale() {
    std::locale::global(std::locale::classic());
    std::setlocale(LC_ALL, "C");
    ::unsetenv("LOCPATH");
  }
  bool Active() const { return std::string(std::localeconv()->decimal_point) == ","; }

 private:
  bool Switch() {
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) return false;
    std::locale::global(std::locale("de_DE.UTF-8"));
    return true;
  }
};

TEST(Locale, NumbersAreReadAndWrittenAlikeUnderADecimalCommaLocale) {
  const char* const texts[] = {"6.0",           "1.5D3",
                               "-2.E-2",        "0.1",
                               "1e400",         "-1e400",
                               "1e-400",        "4.9e-324",
                               "2.4e-324",      "1.7976931348623157e308",
                               "0.000001e-320", "123456789012345678901234567890"};
  std::vector<double> expected;
  for (const char* text : texts) {
    double v = -1;
    ASSERT_TRUE(ParseFortranReal(text, v)) << text;
    std::string c_form = text;
    if (c_form.find('D') != std::string::npos) c_form[c_form.find('D')] = 'e';
    EXPECT_EQ(v, std::strtod(c_form.c_str(), nullptr)) << text;  // the C library in the C locale
    expected.push_back(v);
  }
  CommaLocale comma;
  ASSERT_TRUE(comma.Active()) << "no decimal-comma locale could be made";
  for (size_t i = 0; i < std::size(texts); ++i) {
    double v = -1;
    EXPECT_TRUE(ParseFortranReal(texts[i], v)) << texts[i];
    EXPECT_EQ(v, expected[i]) << texts[i];
  }
  double v = 0;
  EXPECT_FALSE(ParseFortranReal("6,0", v));
  EXPECT_EQ(NumberText(0.0001), "0.0001");
  EXPECT_EQ(FixedText(-2.5, 3), "-2.500");
  EXPECT_EQ(ScientificText(12345.678, 4), "1.2346e+04");
  EXPECT_EQ(GeneralText(0.1, 17), "0.10000000000000001");
}

TEST(Locale, AWholeRunUnderADecimalCommaLocaleWritesTheSameFiles) {
  TempDir plain, comma_dir;
  for (const TempDir* dir : {&plain, &comma_dir}) dir->Write("wall.dat", Example("all_records_english.dat"));
  ASSERT_EQ(RunFiles(NamesIn(plain)).Result.Status, DARNEK_OK);
  {
    CommaLocale comma;
    ASSERT_TRUE(comma.Active());
    const Outcome out = RunFiles(NamesIn(comma_dir));
    EXPECT_EQ(out.Result.Status, DARNEK_OK) << out.Result.Message;
  }
  for (const char* ext : {".out", ".plt", ".log", ".pyscratch", ".epscratch"}) {
    const auto lines = [&](const TempDir& dir) {
      std::istringstream in(testing::MaskVariableLines(dir.Read(std::string("wall") + ext)));
      std::vector<std::string> all;
      for (std::string line; std::getline(in, line);) all.push_back(line);
      return all;
    };
    const auto expected = lines(plain), written = lines(comma_dir);
    const auto differ = std::mismatch(expected.begin(), expected.end(), written.begin(), written.end());
    EXPECT_TRUE(differ.first == expected.end() && differ.second == written.end())
        << "wall" << ext << ", line " << (differ.first - expected.begin()) + 1 << ": '"
        << (differ.second == written.end() ? "(end)" : *differ.second) << "' instead of '"
        << (differ.first == expected.end() ? "(end)" : *differ.first) << "'";
  }
}

// ------------------------------------------------------------------ working directory

TEST(WorkingDirectory, AHostChangingDirectoryMidRunSplitsNothing) {
  TempDir first, second;
  // Two stages, each writing and reading back both scratch files.
  std::string stage = Example("cantilever_sand.dat");
  stage.erase(stage.rfind("1\n"));
  first.Write("wall.dat", stage + "2\n" + stage + "1\n");
  const fs::path home = fs::current_path();
  fs::current_path(first.path());
  const FileNames relative{"wall.dat", "wall.out",       "wall.plt",
                           "wall.log", "wall.pyscratch", "wall.epscratch"};
  int stages_seen = 0;
  const Outcome out = RunFiles(relative, [&](const RunContext&) {
    if (++stages_seen == 1) fs::current_path(second.path());
  });
  fs::current_path(home);
  EXPECT_EQ(out.Result.Status, DARNEK_OK) << out.Result.Message;
  EXPECT_EQ(out.Result.Stages.size(), 2u);
  EXPECT_TRUE(FilesIn(second.path()).empty());
  EXPECT_EQ(FilesIn(first.path()), (std::vector<std::string>{"wall.dat", "wall.epscratch", "wall.log",
                                                             "wall.out", "wall.plt", "wall.pyscratch"}));
  EXPECT_EQ(testing::Count(first.Read("wall.out"), "END OF ANALYSIS"), 1);
}

// ------------------------------------------------------------------ symbolic links

TEST(Symlinks, AScratchFileNameThatIsASymbolicLinkIsNotFollowed) {
  TempDir dir;
  dir.Write("wall.dat", Example("cantilever_sand.dat"));
  dir.Write("victim.txt", "precious\n");
  fs::create_symlink(dir.path() / "victim.txt", dir.path() / "wall.pyscratch");
  fs::create_symlink(dir.path() / "nowhere.txt", dir.path() / "wall.epscratch");
  const Outcome out = RunFiles(NamesIn(dir));
  EXPECT_EQ(out.Result.Status, DARNEK_HANDOFF_FAILED);
  EXPECT_NE(out.Console.find("the p-y scratch file " + dir.File("wall.pyscratch") +
                             " is a symbolic link; a scratch file is never written through one"),
            std::string::npos)
      << out.Console;
  EXPECT_EQ(dir.Read("victim.txt"), "precious\n");
  EXPECT_FALSE(fs::exists(dir.path() / "nowhere.txt"));
  EXPECT_FALSE(fs::exists(dir.path() / "wall.out"));
}

// ------------------------------------------------------------------ statuses and messages

TEST(Statuses, EveryFileFailureSaysWhichFileAndWhyAndTheToolHasItsOwnStatuses) {
  TempDir dir;
  dir.Write("wall.dat", kShortStage);
  int status = -1;
  // Plain darnek without NAMES.dat.
  std::string said = Tool("", &status, dir.path().string());
  EXPECT_EQ(status, DARNEK_HANDOFF_FAILED);
  EXPECT_NE(said.find("the hand-off file " + dir.File("NAMES.dat") +
                      " cannot be opened: No such file or directory"),
            std::string::npos)
      << said;
  // --out naming a file: the tool's own failure, with no call to create an input.
  dir.Write("taken", "");
  said = Tool("run '" + dir.File("wall.dat") + "' --out '" + dir.File("taken") + "'", &status);
  EXPECT_EQ(status, 8) << said;
  EXPECT_NE(said.find("the output folder " + dir.File("taken") + " cannot be created: Not a directory"),
            std::string::npos)
      << said;
  EXPECT_EQ(said.find("PLEASE CREATE"), std::string::npos) << said;

  // An output that cannot be opened: named with the reason, and the files
  // already there keep what they held (nothing is opened for writing twice,
  // nothing emptied before every file is open).
  dir.Write("wall.out", "the last report\n");
  FileNames names = NamesIn(dir);
  names.PressureScratch = dir.File("missing folder/wall.epscratch");
  const Outcome out = RunFiles(names);
  EXPECT_EQ(out.Result.Status, DARNEK_HANDOFF_FAILED);
  EXPECT_EQ(out.Console,
            " **** FILE ERROR **** the pressure scratch file " + names.PressureScratch +
                " cannot be opened for writing: No such file or directory; nothing was written\n");
  EXPECT_EQ(out.Result.Message.rfind("the pressure scratch file", 0), 0u);
  EXPECT_EQ(dir.Read("wall.out"), "the last report\n");
  EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"taken", "wall.dat", "wall.out"}));
}

// With no console stream given, the run's messages go to standard error
// itself, whole lines in order.
TEST(HandOff, WithoutAConsoleStreamTheMessagesGoToStandardError) {
  TempDir dir;
  RunOptions options;
  options.Files = NamesIn(dir);
  ::testing::internal::CaptureStderr();
  const RunResult result = darnek::Run(options);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(result.Status, DARNEK_HANDOFF_FAILED);
  EXPECT_EQ(said,
            " PLEASE CREATE AN INPUT DATA FILE AND SAVE IT\n BEFORE COMPUTATION.  TRY IT AGAIN!\n"
            " **** FILE ERROR **** " +
                result.Message + "; nothing was written\n");
}

}  // namespace
}  // namespace darnek
