// Strength reduction on the spring model, on a wall whose failure can be
// found by hand: pinned at its top, held at its tip by one elastic-plastic
// spring of 400 kN, loaded by the active pressure of undrained clay. The
// tip carries the moment of the station loads about the top over the
// length; dividing the strength by F raises the pressure 18 z - 2 (30 / F),
// and the stage stops closing at the F where the tip's share reaches 400 kN.
#include "design/strength_reduction.h"

#include <gtest/gtest.h>

#include <cmath>

#include "darnek/darnek.h"
#include "support/figures.h"
#include "support/run_helper.h"
#include "toml/toml_input.h"

namespace darnek {
namespace {

const char* const kPinnedWall = R"(units = "si"
[[stage]]
title = "PINNED AT THE TOP, HELD AT THE TIP BY ONE SPRING OF 400 KN"
earth_pressure = "generated"
py_curves = "user"
increments = 100
increment_length = 0.1
max_deflection = 0.5
deflection_tolerance = 0.000001
dividing_depth = 10.0
result_width = 1.0
wall_height = 10.0
max_iterations = 200

[[stage.specified_condition]]
station = 0
deflection = 0.0

[[stage.wall_section]]
top = 0.0
bottom = 10.0
cross_section = 1

[[stage.cross_section]]
shape = "general"
name = "STIFF WALL"
moment_of_inertia = 1.0e10
elastic_modulus = 2.0e8

[stage.ground]
excavation_depth = 10.0
earth_pressure_width = 1.0
soil_resistance_width = 1.0
water_depth_backfill = -1.0
water_depth_excavation = -1.0

[[stage.soil_layer]]
type = "soft_clay"
bottom_depth = 20.0
unit_weight = 18.0
shear_strength = 30.0
e50 = 0.02

[[stage.py_curve]]
station = 100
points = [[-1.0, 4000.0], [-0.01, 4000.0], [0.0, 0.0], [0.01, -4000.0], [1.0, -4000.0]]

[design]
method = "allowable"
)";

// The tip's share of the station loads (each the pressure at the station
// times 0.1 m; station 0 takes none) with the strength divided by F.
double TipForce(double factor) {
  double moment = 0;
  for (int j = 1; j <= 100; ++j) {
    const double z = 0.1 * j;
    moment += std::max(0.0, 18 * z - 60 / factor) * 0.1 * z;
  }
  return moment / 10;
}

TEST(StrengthReduction, FindsTheFactorAtWhichTheTipSpringGivesWay) {
  double lo = 1, hi = 3;
  for (int i = 0; i < 100; ++i) (TipForce((lo + hi) / 2) < 400 ? lo : hi) = (lo + hi) / 2;
  const double by_hand = lo;

  const toml_input::Records records = toml_input::TomlToRecords(kPinnedWall);
  RunOptions options;
  options.Design = records.Design;
  const testing::RunOutput out = testing::RunText(records.Text, options);
  ASSERT_EQ(out.Result.Status, DARNEK_OK) << out.Result.Message;
  ASSERT_EQ(out.Result.Checks.size(), 1u);
  const SafetyCheck& s = out.Result.Checks[0].Strength;
  ASSERT_TRUE(s.Checked) << s.Note;
  // The bisection stops with the factor that closes within 0.01 below the
  // one that does not.
  EXPECT_LE(s.FactorOfSafety, by_hand + 1e-3);
  EXPECT_GT(s.FactorOfSafety, by_hand - 0.01 - 1e-3);
  testing::RecordFigure("hand_factor", by_hand);
  testing::RecordFigure("strength_reduction_factor", s.FactorOfSafety);

  // The same search over the hand calculation itself, as the bisection sees it.
  const design::StrengthSearch found =
      design::FindStrengthFactor([](double f) { return TipForce(f) < 400; }, 1.3);
  EXPECT_LE(found.Factor, by_hand);
  EXPECT_GT(found.Factor, by_hand - 0.01);
}

}  // namespace
}  // namespace darnek
