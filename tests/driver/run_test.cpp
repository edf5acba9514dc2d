// The run as the front end sees it: the entry point, the hand-off file, the
// report head and the control records.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "darnek/darnek.h"
#include "support/run_helper.h"
#include "support/temp_dir.h"

namespace darnek {
namespace {

using testing::Count;
using testing::RunText;

// A stage that ends at once after its control echo (negative MaxIterations).
std::string ShortStage(const std::string& title, int unit_code = 1,
                       const std::string& max_iterations = "-1") {
  return title + "\n" + std::to_string(unit_code) + " 0 0 0 0 0 0 0 1 0 0 0\n" +
         "40 6.0 10.0 0.001 120.0 12.0 240.0 " + max_iterations + " 0 0\n";
}

std::string NamesFor(const testing::TempDir& dir) {
  std::string names = "V 2.0 TEST\nline 2\nline 3\nline 4\n";
  for (const char* f : {"wall.dat", "wall.out", "wall.plt", "wall.log", "wall.py", "wall.ep"})
    names += dir.File(f) + "\n";
  return names;
}

std::vector<std::string> FilesIn(const testing::TempDir& dir) {
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) files.push_back(e.path().filename());
  std::sort(files.begin(), files.end());
  return files;
}

TEST(EntryPoint, CodesOtherThanOneReturnOneAndTouchNoFile) {
  testing::TempDir dir;
  for (const char* code : {"0", "2", "-1"}) {
    int status = 0;
    const std::string out =
        testing::RunCommand("cd '" + dir.path().string() + "' && '" + std::string(DARNEK_DLOPEN_CALLER_PATH) +
                                "' '" + DARNEK_LIBRARY_PATH + "' " + code,
                            &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "1\n") << "code " << code;
  }
  EXPECT_TRUE(FilesIn(dir).empty());
}

TEST(EntryPoint, LoadedAtRunTimeItRunsTheProblemNamedByTheHandOffFile) {
  testing::TempDir dir;
  dir.Write("NAMES.dat", NamesFor(dir));
  dir.Write("wall.dat", ShortStage("LOADED BY DLOPEN"));
  int status = 0;
  const std::string out =
      testing::RunCommand("cd '" + dir.path().string() + "' && '" + std::string(DARNEK_DLOPEN_CALLER_PATH) +
                              "' '" + DARNEK_LIBRARY_PATH + "' 1",
                          &status);
  EXPECT_EQ(out, "0\n");
  const std::string report = dir.Read("wall.out");
  EXPECT_NE(report.find("DARNEK for Windows, Version V 2.0 TEST  "), std::string::npos);
  EXPECT_NE(report.find("LOADED BY DLOPEN"), std::string::npos);
  EXPECT_EQ(Count(report, "END OF ANALYSIS"), 1);
  EXPECT_EQ(Count(dir.Read("wall.log"), "END OF ANALYSIS"), 1);
}

TEST(HandOff, MissingOrShortNamesFileCreatesNothing) {
  testing::TempDir dir;
  std::ostringstream console;
  RunOptions options;
  options.NamesFile = dir.File("NAMES.dat");
  options.Console = &console;
  EXPECT_EQ(darnek::Run(options).Status, DARNEK_HANDOFF_FAILED);
  EXPECT_EQ(console.str(),
            " PLEASE CREATE AN INPUT DATA FILE AND SAVE IT\n BEFORE COMPUTATION.  TRY IT AGAIN!\n"
            " **** FILE ERROR **** the hand-off file " +
                dir.File("NAMES.dat") +
                " cannot be opened: No such file or directory; nothing was written\n");

  dir.Write("NAMES.dat", "V\n2\n3\n4\n" + dir.File("wall.dat") + "\n" + dir.File("wall.out") + "\n");
  dir.Write("wall.dat", ShortStage("T"));
  EXPECT_EQ(darnek::Run(options).Status, DARNEK_HANDOFF_FAILED);
  EXPECT_NE(console.str().find("NAMES.dat, line 7: the file ends here"), std::string::npos) << console.str();
  EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"NAMES.dat", "wall.dat"}));
}

TEST(HandOff, AnOutputFileThatCannotBeOpenedCreatesNothing) {
  testing::TempDir dir;
  dir.Write("wall.dat", ShortStage("T"));
  std::ostringstream console;
  RunOptions options;
  FileNames files{dir.File("wall.dat"), dir.File("wall.out"), dir.File("no such folder/wall.plt"),
                  dir.File("wall.log"), dir.File("a"),        dir.File("b")};
  options.Files = files;
  options.Console = &console;
  const RunResult result = darnek::Run(options);
  EXPECT_EQ(result.Status, DARNEK_HANDOFF_FAILED);
  EXPECT_NE(console.str().find("no such folder/wall.plt"), std::string::npos);
  EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"wall.dat"}));

  options.Files->Input = dir.File("missing.dat");
  options.Files->Plot = dir.File("wall.plt");
  EXPECT_EQ(darnek::Run(options).Status, DARNEK_HANDOFF_FAILED);
  EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"wall.dat"}));
}

// A host that keeps every output in memory gets the files' bytes and no file
// is touched: not even the input, whose name then only labels the report.
TEST(HandOff, OutputsInMemoryAreTheFilesBytesAndTouchNoFile) {
  testing::TempDir dir;
  const std::string input = testing::ReadFile(
      (std::filesystem::path(DARNEK_SOURCE_DIR) / "examples" / "multi_layer_si.dat").string());
  dir.Write("wall.dat", input);
  RunOptions options;
  options.Files = FileNames{dir.File("wall.dat"), dir.File("wall.out"), dir.File("wall.plt"),
                            dir.File("wall.log"), dir.File("wall.py"),  dir.File("wall.ep")};
  options.Clock = testing::FixedClock;
  std::ostringstream console;
  options.Console = &console;
  ASSERT_EQ(darnek::Run(options).Status, DARNEK_OK);
  struct {
    std::string Report, Plot, RunLog, PyScratch, PressureScratch;
  } const files{dir.Read("wall.out"), dir.Read("wall.plt"), dir.Read("wall.log"), dir.Read("wall.py"),
                dir.Read("wall.ep")};
  for (const std::string& f : FilesIn(dir)) std::filesystem::remove(dir.path() / f);

  options.InputText = input;
  options.Outputs = {OutputMode::Memory, OutputMode::Memory, OutputMode::Memory, OutputMode::Memory,
                     OutputMode::Memory};
  const RunResult memory = darnek::Run(options);
  EXPECT_EQ(memory.Status, DARNEK_OK) << console.str();
  EXPECT_EQ(memory.Outputs.Report, files.Report);
  EXPECT_EQ(memory.Outputs.Plot, files.Plot);
  EXPECT_EQ(memory.Outputs.RunLog, files.RunLog);
  EXPECT_EQ(memory.Outputs.PyScratch, files.PyScratch);
  EXPECT_EQ(memory.Outputs.PressureScratch, files.PressureScratch);
  EXPECT_FALSE(files.PyScratch.empty() || files.PressureScratch.empty());

  options.Outputs = {OutputMode::Discard, OutputMode::Discard, OutputMode::Memory, OutputMode::Discard,
                     OutputMode::Discard};
  const RunResult discarded = darnek::Run(options);
  EXPECT_EQ(discarded.Status, DARNEK_OK);
  EXPECT_TRUE(discarded.Outputs.Report.empty() && discarded.Outputs.PyScratch.empty());
  EXPECT_EQ(discarded.Outputs.RunLog, files.RunLog);
  EXPECT_TRUE(FilesIn(dir).empty());
}

// A result run again lends its strings' room to the next run's outputs: what
// a larger run left there must not show, and a file written through a lent
// buffer holds what a fresh run writes.
TEST(HandOff, AResultRunAgainGivesWhatAFreshResultGives) {
  testing::TempDir dir;
  const auto example = [](const char* name) {
    return testing::ReadFile((std::filesystem::path(DARNEK_SOURCE_DIR) / "examples" / name).string());
  };
  RunOptions options;
  options.Files = FileNames{dir.File("wall.dat"), dir.File("wall.out"), dir.File("wall.plt"),
                            dir.File("wall.log"), dir.File("wall.py"),  dir.File("wall.ep")};
  options.Clock = testing::FixedClock;
  std::ostringstream console;
  options.Console = &console;
  options.Outputs = {OutputMode::Memory, OutputMode::Memory, OutputMode::Memory, OutputMode::Memory,
                     OutputMode::Memory};
  options.InputText = example("largest_si.dat");
  RunResult reused;
  darnek::Run(options, reused);
  ASSERT_EQ(reused.Status, DARNEK_OK) << console.str();

  options.InputText = example("multi_layer_si.dat");
  const RunResult fresh = darnek::Run(options);
  darnek::Run(options, reused);
  EXPECT_EQ(reused.Status, DARNEK_OK);
  EXPECT_EQ(reused.Stages.size(), fresh.Stages.size());
  EXPECT_EQ(reused.Outputs.Report, fresh.Outputs.Report);
  EXPECT_EQ(reused.Outputs.Plot, fresh.Outputs.Plot);
  EXPECT_EQ(reused.Outputs.RunLog, fresh.Outputs.RunLog);
  EXPECT_EQ(reused.Outputs.PyScratch, fresh.Outputs.PyScratch);
  EXPECT_EQ(reused.Outputs.PressureScratch, fresh.Outputs.PressureScratch);

  options.Outputs.Report = options.Outputs.PyScratch = OutputMode::File;
  darnek::Run(options, reused);
  EXPECT_EQ(reused.Status, DARNEK_OK) << console.str();
  EXPECT_TRUE(reused.Outputs.Report.empty() && reused.Outputs.PyScratch.empty());
  EXPECT_EQ(dir.Read("wall.out"), fresh.Outputs.Report);
  EXPECT_EQ(dir.Read("wall.py"), fresh.Outputs.PyScratch);
  EXPECT_EQ(reused.Outputs.Plot, fresh.Outputs.Plot);
}

TEST(ReportHead, BannerFileBlockTimeStampAndTitle) {
  const std::string long_title = "SHEET PILE WALL " + std::string(60, 'X');  // 76 columns
  const auto out = RunText(ShortStage(long_title));
  const std::string expected_head =
      "     =========================================================================\n"
      "\n"
      "                      DARNEK for Windows, Version TEST        \n"
      "\n"
      "                       A Program for the Analysis of \n"
      "                       Flexible Retaining Walls \n"
      "\n"
      "     =========================================================================\n"
      "\n";
  ASSERT_EQ(out.Report.substr(0, expected_head.size()), expected_head);
  EXPECT_NE(out.Report.find("     Name of input data file     : wall.dat\n"
                            "     Name of output file         : wall.out\n"
                            "     Name of plot output file    : wall.plt\n\n"),
            std::string::npos);
  EXPECT_NE(out.Report.find("     -------------------------------------------------------------------------\n"
                            "                          Time and Date of Analysis\n"
                            "     -------------------------------------------------------------------------\n"
                            "               Date:  March 07, 2026     Time:  09:05:00\n"),
            std::string::npos);
  // The title is cut to 70 columns and printed in a field of 70.
  const std::string title_line = "\n\n      " + long_title.substr(0, 70) + "\n";
  EXPECT_NE(out.Report.find(title_line), std::string::npos);
  EXPECT_NE(out.Log.find(title_line), std::string::npos);
  // MaxIterations -1 ends the run before its stage: no answer.
  EXPECT_EQ(out.Result.Status, DARNEK_INPUT_REJECTED);
}

TEST(ControlRecords, EnglishHeightIsPrintedInFeetAndIterationLinesFollow) {
  const auto out = RunText(ShortStage("T", 1, "0 0\n0\n0 0 0\n"));
  EXPECT_NE(out.Report.find("      HEIGHT OF WALL                                     =     20.000 FT\n"
                            "      NUMBER OF INCREMENTS                               =         40\n"
                            "      INCREMENT LENGTH                                   =      6.000 IN\n"),
            std::string::npos);
  // MaxIterations 0: the three iteration lines are left out.
  EXPECT_EQ(out.Report.find("MAXIMUM ALLOWABLE DEFLECTION"), std::string::npos);

  const auto si = RunText("T\n2 0 0 0 0 0 0 0 1 0 0 0\n40 0.25 0.1 0.0001 3.0 1.0 10.0 100 0 0\n0\n0\n");
  EXPECT_NE(si.Report.find("      HEIGHT OF WALL                                     =     10.000  M\n"
                           "      NUMBER OF INCREMENTS                               =         40\n"
                           "      INCREMENT LENGTH                                   =      0.250  M\n"
                           "      MAXIMUM ALLOWABLE DEFLECTION                       =      0.100  M\n"
                           "      DEFLECTION CLOSURE TOLERANCE                       =  1.000E-04  M\n"
                           "      MAXIMUM NUMBER OF ITERATIONS                       =        100\n"),
            std::string::npos);
}

std::string WithSpecifiedPoints(const std::string& rows, int count) {
  return "T\n1 " + std::to_string(count) +
         " 0 0 0 0 0 0 1 0 0 0\n40 6.0 10.0 0.001 120.0 12.0 240.0 10 0 0\n" + rows;
}

TEST(ControlRecords, TwentySpecifiedPointsAreAcceptedAndTwentyOneAreTooMany) {
  std::string rows;
  for (int i = 0; i < 21; ++i) rows += "1 " + std::to_string(i) + " 0.0 0.0\n";
  const auto too_many = RunText(WithSpecifiedPoints(rows, 21));
  EXPECT_EQ(too_many.Result.Message,
            "stage 1, line 3: TOO MUCH DATA FOR AVAILABLE STORAGE (the report ends there)");
  EXPECT_NE(
      too_many.Report.find("\n\n\n     TOO MUCH DATA FOR AVAILABLE STORAGE\n\n\n\n\n     END OF ANALYSIS"),
      std::string::npos);
  const auto twenty = RunText(WithSpecifiedPoints(rows, 20) + "0\n");
  EXPECT_EQ(twenty.Report.find("TOO MUCH DATA"), std::string::npos);
  EXPECT_EQ(Count(twenty.Report, "         NONE\n"), 20);
}

TEST(ControlRecords, SpecifiedRowsEchoByCaseAndStationsMustNotDecrease) {
  const auto out = RunText(
      WithSpecifiedPoints("1 0 0.5 0.0\n2 5 0.0 0.001\n3 10 -0.25 0.002\n2 10 0.75 0.003\n", 4) + "0\n");
  EXPECT_NE(out.Report.find("          STA      CASE       DEFLECTION        SLOPE\n"
                            "                                 FT              RAD\n"
                            "            0        1         0.500E+00         NONE\n"
                            "            5        2           NONE         0.100E-02\n"
                            "           10        3        -0.250E+00      0.200E-02\n"
                            // A repeated station keeps only its deflection, whatever its case.
                            "           10        2         0.750E+00         NONE\n"),
            std::string::npos);

  const auto order = RunText(WithSpecifiedPoints("1 5 0.0 0.0\n1 4 0.0 0.0\n", 2));
  EXPECT_EQ(order.Result.Status, DARNEK_INPUT_REJECTED);
  EXPECT_NE(order.Report.find("            5        1         0.000E+00         NONE\n\n\n"
                              "     ERROR STOP -- STATIONS NOT IN ORDER\n\n\n     END OF ANALYSIS"),
            std::string::npos);
  const auto below = RunText(WithSpecifiedPoints("1 -2 0.0 0.0\n", 1));
  EXPECT_NE(below.Report.find("ERROR STOP -- STATIONS NOT IN ORDER"), std::string::npos);
}

TEST(ControlRecords, NegativeCountsEndTheRunQuietly) {
  const auto out = RunText(WithSpecifiedPoints("", -1));
  EXPECT_EQ(out.Result.Message, "no stage was analysed: a negative count in the first stage ended the run");
  EXPECT_EQ(out.Report.find("*        SPECIFIED DEFLECTIONS AND SLOPES        *"), std::string::npos);
  EXPECT_EQ(Count(out.Report, "END OF ANALYSIS"), 1);
}

TEST(ControlRecords, WallSectionsEchoWithTheReportNumberRule) {
  const auto out = RunText(
      "T\n1 0 2 0 0 0 0 0 1 0 0 0\n40 6.0 10.0 0.001 120.0 12.0 240.0 10 0 0\n0.0 12.5 1\n12.5 20.0 2\n");
  EXPECT_NE(out.Report.find("     * WALL SECTIONS *\n"
                            "\n"
                            "       SECT          TOP        BOTTOM     SECTION\n"
                            "                     FT            FT\n"
                            "         1        0.00000       12.5000       1 \n"
                            "         2        12.5000       20.0000       2 \n"
                            "\n"),
            std::string::npos);
}

TEST(MalformedInput, GetsOneClearMessageAndTheNormalEnd) {
  const auto out = RunText("T\n1 0 0 x 0 0 0 0 1 0 0 0\n");
  EXPECT_EQ(out.Result.Status, DARNEK_INPUT_REJECTED);
  const std::string message =
      "line 2: first control line, item 4 (NumCrossSections): expected an integer, found 'x'";
  EXPECT_NE(out.Report.find("     **** INPUT ERROR ****\n     " + message + "\n\n\n     END OF ANALYSIS"),
            std::string::npos);
  EXPECT_NE(out.Console.find(message), std::string::npos);
  EXPECT_EQ(Count(out.Log, "END OF ANALYSIS"), 1);

  const auto truncated = RunText("T\n1 0 0 0 0 0 0 0 1 0 0 0\n40 6.0\n");
  EXPECT_EQ(truncated.Result.Status, DARNEK_INPUT_REJECTED);
  EXPECT_NE(truncated.Report.find("end of file inside the record"), std::string::npos);

  const auto empty = RunText("");
  EXPECT_EQ(empty.Result.Status, DARNEK_INPUT_REJECTED);
  EXPECT_NE(empty.Console.find("title line"), std::string::npos);
}

}  // namespace
}  // namespace darnek
