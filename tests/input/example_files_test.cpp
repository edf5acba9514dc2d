// The bundled example input files are read to their end, record by record,
// with every reader of a stage in the order the stage uses them.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "core/errors.h"
#include "input/control_input.h"
#include "input/stage_tables.h"
#include "input_test_support.h"

namespace darnek {
namespace {

struct ExampleRun {
  int Stages = 0;
  int LastContinuation = -1;
  bool AtEnd = false;
  std::string Report;
};

// Every reader of a stage in stage order; returns after the continuation
// value that ends the run.
ExampleRun ReadExample(const std::string& name, ProblemData* keep = nullptr) {
  std::ifstream file(std::string(DARNEK_SOURCE_DIR) + "/examples/" + name);
  EXPECT_TRUE(file) << name;
  std::stringstream text;
  text << file.rdbuf();
  testing::InputHarness h(0, text.str());
  RunContext& ctx = h.Ctx;
  ProblemData& d = ctx.Data;
  ExampleRun run;
  for (;;) {
    input::ReadTitle(ctx, h.Reader);
    input::ReadControlLine1(ctx, h.Reader);
    d.Run.UnitFlag = d.C1.UnitSystemCode == UnitSystem::English ? 1 : -1;
    SetUnitLabels(d.Run.Labels, d.Run.UnitFlag);
    input::EchoControlLine1(ctx);
    input::ReadControlLine2(ctx, h.Reader);
    input::ReadSpecifiedConditions(ctx, h.Reader);
    input::ReadWallSections(ctx, h.Reader);
    input::ReadCrossSections(ctx, h.Reader);
    input::ReadNonlinearEITables(ctx, h.Reader);
    input::ReadStiffnessLoadRows(ctx, h.Reader);
    input::ReadRestraintsAndTieBacks(ctx, h.Reader);
    input::EchoTieBackTable(ctx);
    input::ReadPyModificationFactors(ctx, h.Reader);
    if (GeneratesEarthPressure(d.C1.EarthPressureOption) || d.C1.PyCurveOption == PyCurveSource::Generated)
      input::ReadEarthPressureAndSoilBlock(ctx, h.Reader);
    if (d.C1.EarthPressureOption == EarthPressureMode::SpecifiedDiagram)
      input::ReadSpecifiedPressureTable(ctx, h.Reader);
    input::ReadUserPyCurves(ctx, h.Reader);
    ++run.Stages;
    int continuation = 0;
    h.Reader.Read("stage-continuation value", {{"continuation", &continuation}});
    run.LastContinuation = continuation;
    if (continuation == 0 || continuation == d.C1.NumStages) break;
  }
  run.AtEnd = h.Reader.AtEnd();
  run.Report = h.Report.str();
  if (keep != nullptr) *keep = d;
  return run;
}

TEST(ExampleFiles, EnglishFileIsReadToTheContinuationValueOfItsLastStage) {
  ProblemData d;
  ExampleRun run;
  ASSERT_NO_THROW(run = ReadExample("all_records_english.dat", &d)) << run.Report;
  EXPECT_EQ(run.Stages, 2);
  EXPECT_EQ(run.LastContinuation, 2);
  EXPECT_TRUE(run.AtEnd);
  // The second stage's data: two tie-backs after a zero restraint count.
  EXPECT_EQ(d.NumRestraints, 0);
  ASSERT_EQ(d.TieBacks.size(), 2u);
  EXPECT_EQ(d.TieBacks[1].Depth, 16.0);
  EXPECT_EQ(d.TieBacks[1].Prestress, 80000.0);
  ASSERT_EQ(d.CrossSections.size(), 4u);
  EXPECT_EQ(d.CrossSections[2].Table.NumPoints(), 5);  // user EI table 1
  EXPECT_EQ(d.CrossSections[3].Table.NumPoints(), 5);  // the shaft's own table
  EXPECT_TRUE(d.UserPyCurves.empty());
  EXPECT_TRUE(d.ReductionFactorTable.empty());
  EXPECT_EQ(d.Wall.FreeHeight, 240.0);
  EXPECT_EQ(d.Wall.ReferenceWidth, 12.0);
  ASSERT_EQ(d.Soil.Layers.size(), 2u);
  EXPECT_EQ(d.Soil.Layers[1].LayerThickness, 360.0);
  EXPECT_NE(run.Report.find("*                  TIE BACK DATA                 *"), std::string::npos);
  EXPECT_NE(run.Report.find("* INTERNALLY GENERATED NONLINEAR EI *"), std::string::npos);
}

TEST(ExampleFiles, SIFileIsReadToTheContinuationValueOfItsLastStage) {
  ProblemData d;
  ExampleRun run;
  ASSERT_NO_THROW(run = ReadExample("all_records_si.dat", &d)) << run.Report;
  EXPECT_EQ(run.Stages, 2);
  EXPECT_EQ(run.LastContinuation, 2);
  EXPECT_TRUE(run.AtEnd);
  // The second stage reads a specified pressure diagram and no soil block,
  // so the first stage's soil and surcharges stay in place.
  ASSERT_EQ(d.Pressure.SpecifiedPressure.size(), 4u);
  EXPECT_EQ(d.Pressure.SpecifiedPressure[3].Depth, 15.0);
  ASSERT_EQ(d.Wall.SurchargeLoads.size(), 2u);
  EXPECT_EQ(d.Wall.SurchargeLoads[0].Distance, 1.5);
  EXPECT_EQ(d.Wall.SurchargeLoads[0].Width, 2.0);
  EXPECT_EQ(d.Wall.SurchargeLoads[1].VerticalDistance, 0.5);
  ASSERT_EQ(d.UserPyCurves.size(), 3u);
  EXPECT_EQ(d.UserPyCurves[0].Contd, 1);  // station 20 lies exactly at the dividing depth
  ASSERT_EQ(d.CrossSections.size(), 4u);
  EXPECT_EQ(d.CrossSections[2].Nonlinear.Rebars.X.size(), 6u);
  EXPECT_EQ(d.CrossSections[3].Table.Moment.back(), 560.0);
}

}  // namespace
}  // namespace darnek
