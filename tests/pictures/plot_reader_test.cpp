#include "pictures/plot_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "support/plot_data.h"
#include "support/temp_dir.h"

namespace darnek::pictures {
namespace {

using testing::ExpectPlotFileReadsBack;
using testing::ExpectSamePlot;
using testing::PlotRecords;
using testing::SampleStage;
using testing::SampleWall;
using testing::TempDir;

PlotFile Parse(const std::string& text) {
  std::istringstream in(text);
  return ParsePlotData(in, "wall.plt");
}

// English units: an anchored stage, a stage that failed, and a last stage
// that follows it (whose stage code is therefore 0 although it was solved).
PlotFile EnglishThreeStages() {
  PlotFile file;
  SampleWall wall;
  wall.UnitFlag = 1;
  wall.Excavation = 180;
  wall.TieBack = true;
  wall.Water = true;
  wall.Surcharge = true;
  file.Stages.push_back(SampleStage(wall));
  wall.Stage = 2;
  wall.Excavation = 216;
  wall.Failed = true;
  file.Stages.push_back(SampleStage(wall));
  wall.Stage = 3;
  wall.Failed = false;
  wall.StageCode = 0;
  wall.Excavation = 192;
  file.Stages.push_back(SampleStage(wall));
  return file;
}

TEST(PlotReader, ReadsEveryBlockOfAMultiStageEnglishRun) {
  const PlotFile expected = EnglishThreeStages();
  TempDir dir;
  dir.Write("wall.plt", PlotRecords(expected));
  const PlotFile actual = ExpectPlotFileReadsBack(dir.File("wall.plt"));
  ExpectSamePlot(expected, actual);
  ASSERT_EQ(actual.Stages.size(), 3u);

  const PlotStage& first = actual.Stages[0];
  ASSERT_TRUE(first.EarthPressure && first.SoilCurves && first.Results);
  EXPECT_EQ(first.EarthPressure->Option, 2);
  EXPECT_EQ(first.EarthPressure->Rows.size(), 361u);  // one row per inch down a 30 ft wall
  EXPECT_EQ(first.SoilCurves->Curves.size(), 10u);
  EXPECT_TRUE(first.SoilCurves->Curves[0].Generated);
  EXPECT_DOUBLE_EQ(first.SoilCurves->Curves[0].Depth, 180.10);
  EXPECT_EQ(first.SoilCurves->Curves[0].Points.size(), 33u);
  EXPECT_TRUE(first.Results->Solved);
  EXPECT_EQ(first.Results->Rows.size(), 61u);
  EXPECT_DOUBLE_EQ(first.Results->Rows[60].X, 360.0);
  ASSERT_EQ(first.Results->TieBacks.size(), 1u);
  EXPECT_EQ(first.Results->TieBacks[0].Number, 1);
  EXPECT_EQ(StageUnitFlag(first), 1);

  const PlotStage& failed = actual.Stages[1];
  ASSERT_TRUE(failed.Results);
  EXPECT_FALSE(failed.Results->Solved);
  EXPECT_EQ(failed.Results->StageCode, 0);
  EXPECT_EQ(failed.Results->RowCount, 61);
  EXPECT_TRUE(failed.Results->Rows.empty());
  EXPECT_TRUE(failed.EarthPressure.has_value());

  const PlotStage& last = actual.Stages[2];
  EXPECT_EQ(last.Results->StageCode, 0);
  EXPECT_TRUE(last.Results->Solved);
  EXPECT_EQ(last.Results->Rows.size(), 61u);
  EXPECT_GT(last.FirstLine, failed.FirstLine);
}

TEST(PlotReader, ReadsSiUserCurvesWithoutEarthPressureOrTieBacks) {
  SampleWall wall;
  wall.UnitFlag = -1;
  wall.Excavation = 4.0;
  wall.GeneratedCurves = false;
  wall.EarthPressure = false;
  PlotFile expected;
  expected.Stages.push_back(SampleStage(wall));
  const std::string text = PlotRecords(expected);
  // A wall without tie-backs writes a 0 after the station rows.
  EXPECT_NE(text.find("\n           0\n"), std::string::npos);
  const PlotFile actual = Parse(text);
  ExpectSamePlot(expected, actual);
  const PlotStage& stage = actual.Stages.at(0);
  EXPECT_FALSE(stage.EarthPressure.has_value());
  ASSERT_EQ(stage.SoilCurves->Curves.size(), 4u);
  EXPECT_FALSE(stage.SoilCurves->Curves[0].Generated);
  EXPECT_EQ(stage.SoilCurves->UnitSystemCode, 2);
  EXPECT_TRUE(stage.Results->TieBacks.empty());
  EXPECT_EQ(StageUnitFlag(stage), -1);
  EXPECT_FALSE(ExcavationDepthFromCurves(stage).has_value());
}

TEST(PlotReader, TakesBlocksAsTheyComeAndStartsAStageWhereTheOrderRestarts) {
  // A stage whose earth-pressure block ends after its option, with no curves
  // (user-curve count 0), then a results block; then a stage of results
  // only; then a soil block left without results (the run stopped).
  const std::string records =
      std::string("           0\n") +
      "           1           0\n"
      "           2           2          -1\n"
      "   0.0000E+00   1.0000E-02  -2.0000E+00   3.0000E+00   0.0000E+00   5.0000E+04   0.0000E+00\n"
      "   2.5000E-01   5.0000E-03   1.0000E+00   2.0000E+00   1.0000E+00   5.0000E+04  -4.0000E+00\n"
      "           0\n"
      "           0           0          -1\n"
      "           2           1\n"
      "          12           2\n"
      "   0.0000000000000000        0.0000000000000000     \n"
      "   1.0000000000000000E-002   5.0000000000000000     \n";
  const PlotFile file = Parse(records);
  ASSERT_EQ(file.Stages.size(), 3u);
  const PlotStage& a = file.Stages[0];
  ASSERT_TRUE(a.EarthPressure.has_value());
  EXPECT_FALSE(a.EarthPressure->HasRowCount);
  EXPECT_TRUE(a.SoilCurves->Curves.empty());
  ASSERT_TRUE(a.Results->Solved);
  EXPECT_EQ(a.Results->Rows.size(), 2u);
  EXPECT_DOUBLE_EQ(a.Results->Rows[1].SoilReaction, -4.0);
  const PlotStage& b = file.Stages[1];
  EXPECT_FALSE(b.EarthPressure.has_value());
  EXPECT_FALSE(b.Results->Solved);
  EXPECT_EQ(b.Results->RowCount, 0);
  const PlotStage& c = file.Stages[2];
  EXPECT_FALSE(c.Results.has_value());
  ASSERT_EQ(c.SoilCurves->Curves.size(), 1u);
  EXPECT_EQ(c.SoilCurves->Curves[0].Station, 12);
  EXPECT_DOUBLE_EQ(c.SoilCurves->Curves[0].Points[1].Y, 0.01);
  EXPECT_EQ(c.FirstLine, 8);
}

TEST(PlotReader, ExcavationLevelFollowsFromTheFirstGeneratedCurve) {
  SampleWall wall;
  wall.Excavation = 180;
  const auto english = ExcavationDepthFromCurves(Parse(PlotRecords({"", {SampleStage(wall)}, {}})).Stages[0]);
  ASSERT_TRUE(english.has_value());
  EXPECT_NEAR(*english, 180.0, 0.005);  // the curve depth keeps two decimals
  wall.UnitFlag = -1;
  wall.Excavation = 3.5;
  const auto si = ExcavationDepthFromCurves(Parse(PlotRecords({"", {SampleStage(wall)}, {}})).Stages[0]);
  ASSERT_TRUE(si.has_value());
  EXPECT_NEAR(*si, 3.5, 0.005);
}

TEST(PlotReader, ValuesTooWideForTheirFieldAreUnknownAndNamed) {
  const std::string text =
      "           2           2           1\n"
      "   0.0000E+00   1.0000E-02 *************   3.0000E+00   0.0000E+00   5.0000E+04   0.0000E+00\n"
      "   6.0000E+00   5.0000E-03   1.0000E+00   2.0000E+00   1.0000E+00   5.0000E+04  -4.0000E+00\n"
      "           0\n";
  const PlotFile file = Parse(text);
  ASSERT_EQ(file.Stages.size(), 1u);
  EXPECT_TRUE(std::isnan(file.Stages[0].Results->Rows[0].Moment));
  EXPECT_DOUBLE_EQ(file.Stages[0].Results->Rows[1].Moment, 1.0);
  ASSERT_EQ(file.Notes.size(), 1u);
  EXPECT_NE(file.Notes[0].find("line 2"), std::string::npos) << file.Notes[0];
}

TEST(PlotReader, MalformedFilesAreRejectedWithTheirLine) {
  const std::string header = "           2           2           1\n";
  const std::string row =
      "   0.0000E+00   1.0000E-02  -2.0000E+00   3.0000E+00   0.0000E+00   5.0000E+04   0.0000E+00\n";
  struct Case {
    std::string Text;
    int Line;
    std::string Says;
  };
  const Case cases[] = {
      {header + row, 3, "ends where station row 2"},
      {header + row + row, 4, "ends where the tie-back count"},
      {"           1           2           3           4\n", 1, "first record of a block"},
      {"  0.5  1.5\n", 1, "first record of a block"},
      {header + row + "   0.0000E+00   1.0000E-02\n", 3, "should have 7 values"},
      {header + row + row + "           1\n     1      4   1.000E+00\n", 5, "should have 10 values"},
      {"           2\n           2\n       1.000       x.000       0.000       0.000       0.000       0.000"
       "       0.000       0.000\n",
       3, "should be a number, found 'x.000'"},
      {"           2          -3\n", 1, "is not a count"},
      {"           1           1\n          12         3.5\n", 2, "value 2 should be an integer"},
      {"           1           1\n      180.10    33\n", 3, "ends where soil curve 1, point 1"},
  };
  for (const Case& c : cases) {
    try {
      Parse(c.Text);
      ADD_FAILURE() << "accepted:\n" << c.Text;
    } catch (const PlotFileError& e) {
      EXPECT_EQ(e.line(), c.Line) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.Says), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("wall.plt, line " + std::to_string(c.Line)), std::string::npos)
          << e.what();
    }
  }
  try {
    ReadPlotFile("/nonexistent/wall.plt");
    ADD_FAILURE() << "a missing file was read";
  } catch (const PlotFileError& e) {
    EXPECT_EQ(e.line(), 0);
  }
}

}  // namespace
}  // namespace darnek::pictures
