// Stage memory: springs that unload along their own line, tie-backs locked at
// their installation, and stages that start from the one before.
#include "solver/stage_memory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/run_helper.h"
#include "toml/toml_input.h"

namespace darnek {
namespace {

using solver::Backbone;
using solver::SpringState;

// A stiff wall 20 m long on 41 stations, each with two faces of 100 kN/m3
// that yield at 8 kPa: one resists positive deflection, the other negative.
// The plateau rises at 1 % of the first slope: a flat one would leave the
// wall at exactly its capacity with no stiffness. `plateau` false gives
// linear springs instead. One stage per load at mid-length.
std::string RigidWall(const std::vector<double>& loads, bool plateau) {
  std::string t = "units = \"si\"\n";
  const std::string right =
      plateau ? "[[-1.0, 0.0], [0.0, 0.0], [0.08, -8.0], [1.0, -8.92]]" : "[[-1.0, 100.0], [1.0, -100.0]]";
  const std::string left = plateau ? "[[-1.0, 8.92], [-0.08, 8.0], [0.0, 0.0], [1.0, 0.0]]"
                                   : "[[-1.0, 50.0], [0.0, 0.0], [1.0, -50.0]]";
  for (double load : loads) {
    t += "[[stage]]\ntitle = \"RIGID WALL\"\nearth_pressure = \"none\"\npy_curves = \"user\"\n"
         "increments = 40\nincrement_length = 0.5\nmax_deflection = 1.0\ndeflection_tolerance = 1e-7\n"
         "dividing_depth = 25.0\nresult_width = 1.0\nwall_height = 20.0\nmax_iterations = 200\n"
         "[[stage.wall_section]]\ntop = 0.0\nbottom = 20.0\ncross_section = 1\n"
         "[[stage.cross_section]]\nshape = \"general\"\nmoment_of_inertia = 1e12\nelastic_modulus = 9e8\n"
         "[[stage.load]]\nfrom_station = 20\nlateral_load = " +
         std::to_string(load) + "\n";
    for (int j = 0; j <= 40; ++j) {
      const std::string weight = j == 0 || j == 40 ? "p_multiplier = 0.5\n" : "";
      t += "[[stage.py_curve]]\nstation = " + std::to_string(j) + "\n" + weight + "points = " + right + "\n";
      t += "[[stage.py_curve]]\nstation = " + std::to_string(j) + "\n" + weight + "points = " + left + "\n";
    }
  }
  return t;
}

struct Staged {
  testing::RunOutput out;
  std::vector<double> w;  // deflection at station 20 per stage, m
  std::vector<double> m;  // largest moment per stage
};

Staged RunToml(const std::string& toml, bool memory, double factor = 1.0) {
  const toml_input::Records records = toml_input::TomlToRecords(toml);
  RunOptions options;
  options.input_text = records.text;
  options.stage_memory = memory || records.stage_memory;
  options.unload_factor = memory ? factor : records.unload_factor;
  options.keep_results = true;
  Staged s;
  s.out = testing::RunText("", options, "wall.toml");
  for (const StageResults& r : s.out.result.results) {
    s.w.push_back(r.stations.size() > 20 ? r.stations.deflection[20] : NAN);
  }
  for (const StageSummary& st : s.out.result.stages) s.m.push_back(st.max_moment);
  return s;
}

// Both faces of the rigid wall after a push to 80 mm, unloaded at half the
// first slope: the pushed face keeps 6 kPa at 40 mm; the face that went away
// at no pressure is met again 80 mm further on, at the full slope.
TEST(StageMemory, SpringsUnloadAlongTheirOwnLineAndComposeIntoOneTable) {
  const Backbone right{{-1.0, 0.0, 0.08, 1.0}, {0.0, 0.0, 8.0, 8.0}};
  const Backbone left{{-1.0, -0.08, 0.0, 1.0}, {-8.0, -8.0, 0.0, 0.0}};
  SpringState r = solver::UpdateSpring(right, {0, 0, 0}, 0.5, 0.08);
  SpringState l = solver::UpdateSpring(left, {0, 0, 0}, 0.5, 0.08);
  EXPECT_NEAR(solver::SpringResistance(right, r, 0.5, 0.04), 6.0, 1e-12);
  EXPECT_NEAR(solver::SpringResistance(left, l, 0.5, 0.04), -4.0, 1e-12);
  // The left face has passed its neutral point and turns about 80 mm.
  l = solver::UpdateSpring(left, l, 0.5, 0.04);
  EXPECT_EQ(l.Side, -1);
  EXPECT_NEAR(l.Origin, 0.08, 1e-15);
  EXPECT_NEAR(solver::SpringResistance(left, l, 0.5, 0.06), -3.0, 1e-12);
  r = solver::UpdateSpring(right, r, 0.5, 0.04);
  EXPECT_NEAR(solver::SpringResistance(right, r, 0.5, 0.06), 7.0, 1e-12);
  // The composed table is the rule, extension included.
  for (const auto& [b, s] : {std::pair{right, r}, std::pair{left, l}}) {
    const Backbone table = solver::ComposeSpring(b, s, 0.5);
    for (double y = -3.0; y <= 3.0; y += 0.0137)
      EXPECT_NEAR(solver::BackboneAt(table, y), solver::SpringResistance(b, s, 0.5, y), 1e-9) << y;
  }
}

// The lock-off law of an anchor stressed to 80 kN at 5 degrees, 22.27869 mm,
// then left at no prestress while the wall comes back to 9.67663 mm.
TEST(StageMemory, ATieBackLockedOffLosesItsStiffnessTimesTheMovement) {
  RunContext ctx;
  ctx.memory = std::make_shared<solver::StageMemory>();
  ctx.data.Run.StageCounter = 3;
  solver::TieBackMemory lock;
  lock.Station = 3;
  lock.LockStage = 2;
  lock.WLock = 0.02227869;
  lock.HLock = -80.0 * std::cos(5.0 * M_PI / 180.0);
  ctx.memory->TieBacks = {lock};
  TieBack tb;
  tb.Station = 3;
  tb.CosAngle = std::cos(5.0 * M_PI / 180.0);
  tb.Stiffness = 3334.5;
  solver::ApplyTieBackMemory(ctx, 0, tb);
  const double w = 0.00967663;
  EXPECT_NEAR((tb.PrestressLoad - tb.Stiffness * w) / tb.CosAngle, -37.818, 0.001);
  EXPECT_EQ(solver::TieBackMemoryText(*ctx.memory, 0), "LOCKED IN STAGE 2");
  // Listing a prestress again holds the anchor at it, without a spring.
  tb.Prestress = 50.0;
  tb.PrestressLoad = -50.0;
  solver::ApplyTieBackMemory(ctx, 0, tb);
  EXPECT_EQ(tb.Stiffness, 0.0);
  EXPECT_EQ(tb.PrestressLoad, -50.0);
  EXPECT_EQ(solver::TieBackMemoryText(*ctx.memory, 0), "PRESTRESSED (FORCE HELD)");
}

// The rigid wall loaded with 160, 40 and 80 kN/m: unloaded and reloaded at
// half the first slope it stands at 80, 40 and 60 mm; alone, each stage
// gives 80, 20 and 40 mm.
TEST(StageMemory, TheRigidWallRemembersItsFirstPush) {
  const std::string toml = RigidWall({160, 40, 80}, true);
  const Staged memory = RunToml(toml, true, 0.5);
  ASSERT_EQ(memory.w.size(), 3u) << memory.out.report;
  EXPECT_EQ(memory.out.result.status, DARNEK_OK);
  EXPECT_GE(memory.w[0], 0.08);
  EXPECT_LE(memory.w[0], 0.08002);
  EXPECT_NEAR(memory.w[1], 0.040, 2e-5);
  EXPECT_NEAR(memory.w[2], 0.060, 2e-5);
  EXPECT_NEAR(memory.w[0] - memory.w[1], 0.040, 1e-5);
  EXPECT_NEAR(memory.w[2] - memory.w[1], 0.020, 1e-5);
  EXPECT_NEAR(std::fabs(memory.m[0]), 400.0, 0.1);
  EXPECT_NEAR(std::fabs(memory.m[1]), 100.0, 0.1);
  EXPECT_NEAR(std::fabs(memory.m[2]), 200.0, 0.1);
  EXPECT_EQ(testing::Count(memory.out.report, "STAGE MEMORY: THIS STAGE STARTS FROM THE LAST"), 3);

  // A stage repeated unchanged changes nothing.
  const Staged repeated = RunToml(RigidWall({160, 40, 40}, true), true, 0.5);
  ASSERT_EQ(repeated.w.size(), 3u);
  EXPECT_NEAR(repeated.w[2], repeated.w[1], 1e-9);

  // The TOML keys ask for the same.
  const Staged keyed = RunToml(testing::Replace(toml, "units = \"si\"\n",
                                                "units = \"si\"\nstage_memory = true\nunload_factor = 0.5\n"),
                               false);
  EXPECT_EQ(keyed.w, memory.w);

  const Staged alone = RunToml(toml, false);
  ASSERT_EQ(alone.w.size(), 3u);
  EXPECT_NEAR(alone.w[1], 0.020, 1e-5);
  EXPECT_NEAR(alone.w[2], 0.040, 1e-5);
  EXPECT_EQ(testing::Count(alone.out.report, "STAGE MEMORY"), 0);
}

// Linear springs have no history: any sequence of loads, up and down, gives
// with memory what each stage gives alone.
TEST(StageMemory, LinearSpringsGiveTheIndependentResults) {
  const std::string toml = RigidWall({160, -40, 80, 80, 10}, false);
  const Staged memory = RunToml(toml, true, 1.0);
  const Staged alone = RunToml(toml, false);
  ASSERT_EQ(memory.out.result.results.size(), 5u);
  ASSERT_EQ(alone.out.result.results.size(), 5u);
  for (size_t k = 0; k < 5; ++k) {
    const auto& a = memory.out.result.results[k].stations;
    const auto& b = alone.out.result.results[k].stations;
    ASSERT_EQ(a.size(), b.size());
    for (size_t j = 0; j < a.size(); ++j) {
      EXPECT_NEAR(a.deflection[j], b.deflection[j], 1e-9) << "stage " << k + 1 << " station " << j;
      EXPECT_NEAR(a.moment[j], b.moment[j], 1e-6) << "stage " << k + 1 << " station " << j;
    }
  }
}

// Stations that change between stages cannot carry a state; a stage that
// fails leaves the later ones nothing to start from.
TEST(StageMemory, ChangedStationsAreRejectedAndAFailedStageStopsTheSequence) {
  std::string toml = RigidWall({160, 40}, true);
  const size_t second = toml.find("increments = 40", toml.find("[[stage]]", 30));
  toml.replace(second, 15, "increments = 39");
  const Staged changed = RunToml(toml, true);
  EXPECT_EQ(changed.out.result.status, DARNEK_INPUT_REJECTED);
  EXPECT_NE(changed.out.result.message.find("stage 2: NumIncrements 39"), std::string::npos)
      << changed.out.result.message;

  // 400 kN/m takes the wall beyond its allowed deflection of 1 m.
  const Staged failed = RunToml(RigidWall({400, 40, 80}, true), true, 0.5);
  EXPECT_EQ(failed.out.result.status, DARNEK_ANALYSIS_FAILED);
  ASSERT_EQ(failed.out.result.stages.size(), 3u);
  EXPECT_FALSE(failed.out.result.stages[0].solved);
  EXPECT_FALSE(failed.out.result.stages[1].solved);
  EXPECT_EQ(testing::Count(failed.out.report, "NOT ANALYSED: PREVIOUS STAGE FAILED"), 2);
}

}  // namespace
}  // namespace darnek
