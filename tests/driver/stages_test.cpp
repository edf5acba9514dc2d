// Several stages in one run: headings, the end of the run, the plot file's
// stage codes, and the iteration outcomes as the report and run log show them.
#include <gtest/gtest.h>

#include <sstream>

#include "pictures/plot_reader.h"
#include "support/run_helper.h"

namespace darnek {
namespace {

using testing::Count;
using testing::RunText;

// A 10 ft cantilever of 20 increments in English units, loaded by a uniform
// specified pressure and held by one linear user curve below 5 ft.
std::string Stage(const std::string& title, int num_stages, int max_iterations = 50, double pressure = 1.0,
                  double max_deflection = 10.0) {
  std::ostringstream s;
  s << title << "\n"
    << "1 0 1 1 0 1 0 2 " << num_stages << " 0 0 0\n"
    << "20 6.0 " << max_deflection << " 0.0001 60.0 12.0 120.0 " << max_iterations << " 0 0\n"
    << "0.0 10.0 1\n"
    << "1 1 0 0\n'SECTION'\n"
    << "0 0 0 0 0 0 0 0\n0 0 0 100.0 0 0 0 0 29000000.0 0 0 0\n0 0 0.5 0 0\n'NONE'\n"
    << "0\n0\n"
    << "2\n0.0 " << pressure << "\n120.0 " << pressure << "\n"
    << "10 2 1.0 1.0\n-10.0 10000.0\n10.0 -10000.0\n"
    << "20 2 1.0 1.0\n-10.0 20000.0\n10.0 -20000.0\n";
  return s.str();
}

TEST(Stages, TwoStagesShowTwoBannersNumberedHeadingsAndOneEnd) {
  const auto out = RunText(Stage("FIRST STAGE TITLE", 2) + "1\n" + Stage("SECOND TITLE", 2) + "2\n");
  ASSERT_EQ(out.Result.Status, DARNEK_OK) << out.Result.Message;
  ASSERT_EQ(out.Result.Stages.size(), 2u);
  EXPECT_EQ(Count(out.Report, "DARNEK for Windows, Version"), 2);
  // Two empty lines separate the stages before the second banner.
  EXPECT_NE(out.Report.find("\n\n\n     ====="), std::string::npos);
  const std::string title = "FIRST STAGE TITLE" + std::string(53, ' ');
  for (const std::string* file : {&out.Report, &out.Log}) {
    EXPECT_NE(file->find("\n\n      Stage No : 1  " + title + "\n"), std::string::npos);
    EXPECT_NE(file->find("\n\n      Stage No : 2  " + title + "\n"), std::string::npos);
    EXPECT_EQ(Count(*file, "END OF ANALYSIS"), 1);
    EXPECT_EQ(file->find("SECOND TITLE"), std::string::npos);
  }
  // The end of the run follows the last stage's results.
  EXPECT_LT(out.Report.rfind("NUMBER OF ITERATIONS"), out.Report.find("END OF ANALYSIS"));
}

TEST(Stages, AContinuationThatAsksForMoreGivesALongTermStageAndStageCodeTwo) {
  const auto out = RunText(Stage("SHORT TERM", 1) + "9\n" + Stage("IGNORED", 1) + "0\n");
  ASSERT_EQ(out.Result.Status, DARNEK_OK) << out.Result.Message;
  EXPECT_NE(out.Report.find("\n\n      SHORT TERM"), std::string::npos);
  EXPECT_NE(out.Report.find("\n\n      Long Term :  SHORT TERM"), std::string::npos);
  EXPECT_NE(out.Log.find("\n\n      Long Term :  SHORT TERM"), std::string::npos);
  std::istringstream plot(out.Plot);
  const pictures::PlotFile file = pictures::ParsePlotData(plot, "wall.plt");
  ASSERT_EQ(file.Stages.size(), 2u);
  // The value 9 after the first stage gives its block the code 2; the last
  // block carries the code of the stage before it.
  EXPECT_EQ(file.Stages[0].Results->StageCode, 2);
  EXPECT_EQ(file.Stages[1].Results->StageCode, 2);
}

TEST(Stages, ASingleStageRunWritesStageCodeOne) {
  // Blank lines after the last stage are nothing to read.
  const auto out = RunText(Stage("ONLY", 1) + "\n\n");
  EXPECT_EQ(out.Result.Status, DARNEK_OK) << out.Result.Message;
  std::istringstream plot(out.Plot);
  const pictures::PlotFile file = pictures::ParsePlotData(plot, "wall.plt");
  ASSERT_EQ(file.Stages.size(), 1u);
  EXPECT_EQ(file.Stages[0].Results->StageCode, 1);
  EXPECT_EQ(file.Stages[0].Results->Rows.size(), 21u);
}

TEST(Stages, ZeroIterationsGiveOneSolutionWithTablesAndNoMonitoringLine) {
  const auto out = RunText(Stage("LINEAR", 1, 0) + "1\n");
  ASSERT_EQ(out.Result.Status, DARNEK_OK);
  EXPECT_NE(out.Report.find("     NUMBER OF ITERATIONS :   1\n"), std::string::npos);
  EXPECT_NE(out.Report.find("   STA I      X         DEFL."), std::string::npos);
  EXPECT_EQ(out.Result.Stages[0].Outcome, "single solution");
  // The monitoring heading, then an empty line and a line of 20 blanks, and no line of numbers.
  EXPECT_NE(out.Log.find("    ----    ---------   -----------    ------      ------      ------      ------\n"
                         "\n                    \n"),
            std::string::npos);
  EXPECT_EQ(out.Log.find("E+0"), std::string::npos);
}

TEST(Stages, AFailedStageWritesItsMessageAndAZeroCodeBlockAndTheRunGoesOn) {
  // A deflection limit far below what the load produces.
  const auto out = RunText(Stage("TOO SOFT", 2, 50, 1.0, 1e-6) + "1\n" + Stage("NEXT", 2) + "2\n");
  ASSERT_EQ(out.Result.Message, "stage 1: maximum allowable deflection exceeded");
  ASSERT_EQ(out.Result.Stages.size(), 2u);
  EXPECT_EQ(out.Result.Stages[0].Outcome, "maximum allowable deflection exceeded");
  EXPECT_EQ(out.Result.Stages[1].Outcome, "closed");
  EXPECT_NE(out.Report.find("     ***** MAX ALLOWABLE DEFLECTION EXCEEDED AT ***  21  *** STATIONS *****"),
            std::string::npos);
  EXPECT_NE(out.Log.find("     ***** MAX ALLOWABLE DEFLECTION EXCEEDED AT ***  21  *** STATIONS *****"),
            std::string::npos);
  std::istringstream plot(out.Plot);
  const pictures::PlotFile file = pictures::ParsePlotData(plot, "wall.plt");
  ASSERT_EQ(file.Stages.size(), 2u);
  // The failed stage: one record with code 0 and no rows (no stage before it
  // had results); the last stage carries the failed stage's code 0.
  EXPECT_TRUE(out.Plot.find("           0           0           1\n") != std::string::npos);
  EXPECT_EQ(file.Stages[1].Results->StageCode, 0);
  EXPECT_EQ(file.Stages[1].Results->Rows.size(), 21u);
}

TEST(Stages, AFileThatEndsBeforeTheStagesItDeclaresIsAnInputError) {
  // No continuation value, one that asks for the next stage, blank lines.
  for (const std::string after : {"", "1\n", "\n\n"}) {
    SCOPED_TRACE("after the stage: '" + after + "'");
    const auto out = RunText(Stage("FIRST OF THREE", 3) + after);
    EXPECT_EQ(out.Result.Status, DARNEK_INPUT_REJECTED);
    EXPECT_EQ(out.Result.Message, "the file ends after stage 1 of 3");
    EXPECT_NE(out.Report.find("     **** INPUT ERROR ****\n     the file ends after stage 1 of 3\n"),
              std::string::npos);
    EXPECT_EQ(Count(out.Report, "END OF ANALYSIS"), 1);
    EXPECT_EQ(out.Result.Stages.size(), 1u);
  }
  // After the last stage it declares, the end of the file ends the run.
  const auto out = RunText(Stage("FIRST", 2) + "1\n" + Stage("SECOND", 2));
  EXPECT_EQ(out.Result.Status, DARNEK_OK) << out.Result.Message;
  EXPECT_EQ(out.Result.Stages.size(), 2u);
}

}  // namespace
}  // namespace darnek

namespace darnek {
namespace {

TEST(Stages, TheGenerationFlagsStayOnInLaterStages) {
  // Stage 2 of this example gives its pressure as a diagram and its curves
  // by hand; its echo still shows both generation flags set by stage 1.
  const auto out =
      testing::RunText(testing::ReadFile(std::string(DARNEK_SOURCE_DIR) + "/examples/all_records_si.dat"));
  ASSERT_EQ(out.Result.Status, DARNEK_OK) << out.Result.Message;
  EXPECT_EQ(testing::Count(out.Report, "GENERATE EARTH PRESSURE INTERNALLY                 =  1\n"), 2);
  EXPECT_EQ(testing::Count(out.Report, "GENERATE SOIL RESISTANCE (P-Y) CURVES INTERNALLY   =  1\n"), 2);
  EXPECT_EQ(testing::Count(out.Report, "*        SPECIFIED ACTIVE EARTH PRESSURE         *"), 1);
}

}  // namespace
}  // namespace darnek
