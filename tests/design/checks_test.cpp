// The section, tie-back and deflection checks of a stage against hand
// calculations, on a stage model written out by hand: soldier piles at
// 2.4 m whose results are per 1.2 m of wall (so per pile twice the results).
#include "design/checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace darnek::design {
namespace {

StageModel PileWall() {
  StageModel m;
  m.Stage = 1;
  m.Solved = true;
  m.ResultWidth = 1.2;
  m.Piles = true;
  m.Spacing = 2.4;
  m.RetainedHeight = 6;
  m.Tip = 2;
  m.Depth = {0, 1, 2};
  m.Deflection = {0.012, 0.006, 0.001};
  m.Moment = {0, 50, -80};
  m.Shear = {10, 30, -20};
  m.AxialForce = {0, 0, 40};
  SectionShape h;
  h.Number = 1;
  h.ShapeCode = 4;  // h_section
  for (SectionEnd& e : h.Ends) {
    e.Depth = 400;
    e.WebThickness = 13.5;
    e.Area = 9890;  // mm2 per 1.2 m of wall: 19780 per pile
  }
  m.Sections = {h};
  m.Stretches = {{0, 2, 1}};
  m.TieBacks = {{1, 1, 15, 2.5, 0.0007, -117.8}};
  return m;
}

DesignData PileData() {
  DesignData d;
  d.Factors.Effects = 1.35;
  d.DeflectionLimitRatio = 0.005;
  SectionDesign s;
  s.CrossSection = 1;
  s.YieldStrength = 235000;
  s.SectionModulus = 2.884e6;
  d.Sections = {s};
  d.TieBacks = {{1, 600, kNotGiven, 1.86e6}};
  return d;
}

// Per pile at 2 m: M = 2 x 80 = 160 kN-m and N = 2 x 40 = 80 kN, times the
// effects factor 1.35, against 0.65 x 235000 x 2.884e-3 = 440.5 kN-m and
// 0.60 x 235000 x 0.01978 = 2789 kN. Shear at 1 m: 1.35 x 2 x 30 = 81 kN
// against 0.40 x 235000 x (0.400 x 0.0135) = 507.6 kN.
TEST(DesignChecks, SectionPerPileWithAxialLoadAndTheShearAreaOfTheShape) {
  const DesignData data = PileData();
  const StageChecks c = CheckStage(PileWall(), data, ResolveRules(data), nullptr);
  const double moment_resistance = 0.65 * 235000 * 2.884e-3;
  const double axial_resistance = 0.60 * 235000 * 0.01978;
  ASSERT_TRUE(c.Bending.Checked) << c.Bending.Note;
  EXPECT_NEAR(c.Bending.Demand, 1.35 * 160, 1e-9);
  EXPECT_NEAR(c.Bending.Resistance, moment_resistance, 1e-9);
  EXPECT_NEAR(c.Bending.Utilisation, 1.35 * (160 / moment_resistance + 80 / axial_resistance), 1e-12);
  EXPECT_EQ(c.Bending.Depth, 2);
  EXPECT_TRUE(c.Bending.PerPile);
  ASSERT_TRUE(c.Shear.Checked) << c.Shear.Note;
  EXPECT_NEAR(c.Shear.Utilisation, 81 / (0.40 * 235000 * 0.4 * 0.0135), 1e-12);
  EXPECT_EQ(c.Shear.Depth, 1);
  // The line beside the moment diagram is in the results' terms: per 1.2 m
  // of wall and before the effects factor.
  ASSERT_EQ(c.MomentResistance.size(), 1u);
  EXPECT_NEAR(c.MomentResistance[0].Value, moment_resistance / (1.35 * 2), 1e-9);
}

// 117.8 kN along the tie-back: the capacity 600 / 2 governs over the tendon
// 0.6 x 1.86e6 x 0.0007 = 781.2 kN; its vertical component 117.8 sin 15 per
// tie-back is 1.2 / 2.5 of that per result width. The top deflects 12 mm
// against 0.005 x 6 m.
TEST(DesignChecks, TieBackAgainstItsCapacityAndDeflectionAgainstItsLimit) {
  const DesignData data = PileData();
  const StageChecks c = CheckStage(PileWall(), data, ResolveRules(data), nullptr);
  ASSERT_EQ(c.TieBacks.size(), 1u);
  const TieBackCheck& t = c.TieBacks[0];
  EXPECT_EQ(t.Governs, "capacity");
  EXPECT_NEAR(t.Utilisation, 1.35 * 117.8 / 300, 1e-12);
  const double vertical = 117.8 * std::sin(15 * std::numbers::pi / 180);
  EXPECT_NEAR(t.VerticalForce, vertical, 1e-9);
  EXPECT_NEAR(t.VerticalForcePerWidth, vertical * 1.2 / 2.5, 1e-9);
  EXPECT_NEAR(c.Deflection.Utilisation, 0.012 / 0.03, 1e-12);
  EXPECT_EQ(c.Governing, "tie-back 1");
  EXPECT_EQ(c.Verdict, "passes");
}

TEST(DesignChecks, TheMethodOfFactorsNamesEveryFactorItLacks) {
  DesignData data;
  data.Method = "factors";
  data.Factors.Effects = 1.35;
  const DesignProblem problem = CheckDesignData(data);
  EXPECT_EQ(problem.Key, "design, factors");
  EXPECT_NE(problem.Message.find("give bending_fraction, shear_fraction, axial_fraction, embedment_safety, "
                                 "anchor_safety, tendon_fraction, strength_safety"),
            std::string::npos)
      << problem.Message;
  data.Method = "eurocode";
  EXPECT_EQ(CheckDesignData(data).Key, "design, method");
}

}  // namespace
}  // namespace darnek::design
