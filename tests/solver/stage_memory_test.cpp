// Stage memory: springs that unload along their own line, tie-backs locked at
// their installation, and stages that start from the one before.
#include "solver/stage_memory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "darnek/results.h"
#include "pictures/drawings.h"
#include "pictures/plot_reader.h"
#include "support/run_helper.h"
#include "support/temp_dir.h"
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
  testing::RunOutput Out;
  std::vector<double> W;  // deflection at station 20 per stage, m
  std::vector<double> M;  // largest moment per stage
};

Staged RunToml(const std::string& toml, bool memory, double factor = 1.0) {
  const toml_input::Records records = toml_input::TomlToRecords(toml);
  RunOptions options;
  options.InputText = records.Text;
  options.StageMemory = memory || records.StageMemory;
  options.UnloadFactor = memory ? factor : records.UnloadFactor;
  options.KeepResults = true;
  Staged s;
  s.Out = testing::RunText("", options, "wall.toml");
  for (const StageResults& r : s.Out.Result.Results) {
    s.W.push_back(r.Stations.size() > 20 ? r.Stations.Deflection[20] : NAN);
  }
  for (const StageSummary& st : s.Out.Result.Stages) s.M.push_back(st.MaxMoment);
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
  ctx.Memory = std::make_shared<solver::StageMemory>();
  ctx.Data.Run.StageCounter = 3;
  solver::TieBackMemory lock;
  lock.Station = 3;
  lock.LockStage = 2;
  lock.WLock = 0.02227869;
  lock.HLock = -80.0 * std::cos(5.0 * M_PI / 180.0);
  ctx.Memory->TieBacks = {lock};
  TieBack tb;
  tb.Station = 3;
  tb.CosAngle = std::cos(5.0 * M_PI / 180.0);
  tb.Stiffness = 3334.5;
  solver::ApplyTieBackMemory(ctx, 0, tb);
  const double w = 0.00967663;
  EXPECT_NEAR((tb.PrestressLoad - tb.Stiffness * w) / tb.CosAngle, -37.818, 0.001);
  EXPECT_FALSE(ctx.Memory->ActiveTieBacks[0].Held);
  EXPECT_EQ(ctx.Memory->ActiveTieBacks[0].LockStage, 2);
  // Listing a prestress again holds the anchor at it, without a spring.
  tb.Prestress = 50.0;
  tb.PrestressLoad = -50.0;
  solver::ApplyTieBackMemory(ctx, 0, tb);
  EXPECT_EQ(tb.Stiffness, 0.0);
  EXPECT_EQ(tb.PrestressLoad, -50.0);
  EXPECT_TRUE(ctx.Memory->ActiveTieBacks[0].Held);
}

// The rigid wall loaded with 160, 40 and 80 kN/m: unloaded and reloaded at
// half the first slope it stands at 80, 40 and 60 mm; alone, each stage
// gives 80, 20 and 40 mm.
TEST(StageMemory, TheRigidWallRemembersItsFirstPush) {
  const std::string toml = RigidWall({160, 40, 80}, true);
  const Staged memory = RunToml(toml, true, 0.5);
  ASSERT_EQ(memory.W.size(), 3u) << memory.Out.Report;
  EXPECT_EQ(memory.Out.Result.Status, DARNEK_OK);
  EXPECT_GE(memory.W[0], 0.08);
  EXPECT_LE(memory.W[0], 0.08002);
  EXPECT_NEAR(memory.W[1], 0.040, 2e-5);
  EXPECT_NEAR(memory.W[2], 0.060, 2e-5);
  EXPECT_NEAR(memory.W[0] - memory.W[1], 0.040, 1e-5);
  EXPECT_NEAR(memory.W[2] - memory.W[1], 0.020, 1e-5);
  EXPECT_NEAR(std::fabs(memory.M[0]), 400.0, 0.1);
  EXPECT_NEAR(std::fabs(memory.M[1]), 100.0, 0.1);
  EXPECT_NEAR(std::fabs(memory.M[2]), 200.0, 0.1);
  EXPECT_EQ(testing::Count(memory.Out.Report, "STAGE MEMORY: THIS STAGE STARTS FROM THE LAST"), 3);

  // A stage repeated unchanged changes nothing.
  const Staged repeated = RunToml(RigidWall({160, 40, 40}, true), true, 0.5);
  ASSERT_EQ(repeated.W.size(), 3u);
  EXPECT_NEAR(repeated.W[2], repeated.W[1], 1e-9);

  // The TOML keys ask for the same.
  const Staged keyed = RunToml(testing::Replace(toml, "units = \"si\"\n",
                                                "units = \"si\"\nstage_memory = true\nunload_factor = 0.5\n"),
                               false);
  EXPECT_EQ(keyed.W, memory.W);

  const Staged alone = RunToml(toml, false);
  ASSERT_EQ(alone.W.size(), 3u);
  EXPECT_NEAR(alone.W[1], 0.020, 1e-5);
  EXPECT_NEAR(alone.W[2], 0.040, 1e-5);
  EXPECT_EQ(testing::Count(alone.Out.Report, "STAGE MEMORY"), 0);
}

// Linear springs have no history: any sequence of loads, up and down, gives
// with memory what each stage gives alone.
TEST(StageMemory, LinearSpringsGiveTheIndependentResults) {
  const std::string toml = RigidWall({160, -40, 80, 80, 10}, false);
  const Staged memory = RunToml(toml, true, 1.0);
  const Staged alone = RunToml(toml, false);
  ASSERT_EQ(memory.Out.Result.Results.size(), 5u);
  ASSERT_EQ(alone.Out.Result.Results.size(), 5u);
  for (size_t k = 0; k < 5; ++k) {
    const auto& a = memory.Out.Result.Results[k].Stations;
    const auto& b = alone.Out.Result.Results[k].Stations;
    ASSERT_EQ(a.size(), b.size());
    for (size_t j = 0; j < a.size(); ++j) {
      EXPECT_NEAR(a.Deflection[j], b.Deflection[j], 1e-9) << "stage " << k + 1 << " station " << j;
      EXPECT_NEAR(a.Moment[j], b.Moment[j], 1e-6) << "stage " << k + 1 << " station " << j;
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
  EXPECT_EQ(changed.Out.Result.Status, DARNEK_INPUT_REJECTED);
  EXPECT_NE(changed.Out.Result.Message.find("stage 2: NumIncrements 39"), std::string::npos)
      << changed.Out.Result.Message;

  // 400 kN/m takes the wall beyond its allowed deflection of 1 m.
  const Staged failed = RunToml(RigidWall({400, 40, 80}, true), true, 0.5);
  EXPECT_EQ(failed.Out.Result.Status, DARNEK_ANALYSIS_FAILED);
  ASSERT_EQ(failed.Out.Result.Stages.size(), 3u);
  EXPECT_FALSE(failed.Out.Result.Stages[0].Solved);
  EXPECT_FALSE(failed.Out.Result.Stages[1].Solved);
  EXPECT_EQ(testing::Count(failed.Out.Report, "NOT ANALYSED: PREVIOUS STAGE FAILED"), 2);
}

// A long flexible wall (EI 1000 kN m2) on linear springs of 2000 kN/m2, with
// an anchor at mid-length stressed to 200 kN at 60 degrees in every stage
// (100 kN across the wall) and a load at the anchor that pushes back by
// `counter` kN/m per stage. Anchor stiffness: 1e-4 cos 60 m2 x 2.1e8 / 10 m.
std::string AnchoredWall(const std::vector<double>& counter) {
  std::string t = "units = \"si\"\n";
  for (double q : counter) {
    t += "[[stage]]\ntitle = \"ANCHORED WALL\"\nearth_pressure = \"none\"\npy_curves = \"user\"\n"
         "increments = 200\nincrement_length = 0.1\nmax_deflection = 1.0\ndeflection_tolerance = 1e-9\n"
         "dividing_depth = 25.0\nresult_width = 1.0\nwall_height = 20.0\nmax_iterations = 100\n"
         "[[stage.wall_section]]\ntop = 0.0\nbottom = 20.0\ncross_section = 1\n"
         "[[stage.cross_section]]\nshape = \"general\"\nmoment_of_inertia = 1e12\nelastic_modulus = 1000\n"
         "[[stage.tie_back]]\ndepth = 10.0\narea = 5e-5\nelastic_modulus = 2.1e8\nunbonded_length = 10.0\n"
         "angle_deg = 60.0\nspacing = 1.0\nprestress = 200.0\n"
         "[[stage.load]]\nfrom_station = 100\nlateral_load = " +
         std::to_string(q) + "\n";
    for (int j = 0; j <= 200; ++j) {
      const std::string weight = j == 0 || j == 200 ? "p_multiplier = 0.5\n" : "";
      t += "[[stage.py_curve]]\nstation = " + std::to_string(j) + "\n" + weight +
           "points = [[-1.0, 2000.0], [1.0, -2000.0]]\n";
    }
  }
  return t;
}

// Held at its prestress, the anchor is a force of 100 kN and no spring: on
// the long wall, Hetenyi's P beta / 2k = 21.02 mm and P / 4 beta = 29.73 kN m
// under it in every stage that the counter-load leaves at 100 kN; half the
// force gives half, an equal counter-load nothing, a double one the mirror.
// Alone, each stage adds the anchor's stiffness of 525 kN/m to the wall's
// 2k / beta: 100 / (4757 + 525) = 18.9 mm.
TEST(StageMemory, AnAnchorHeldAtItsPrestressIsAForceInEveryStage) {
  const double beta = std::pow(2000.0 / (4.0 * 1000.0), 0.25);
  const double u = 100.0 * beta / (2.0 * 2000.0);
  const Staged memory = RunToml(AnchoredWall({0, 50, 100, 200}), true);
  ASSERT_EQ(memory.Out.Result.Results.size(), 4u) << memory.Out.Report;
  std::vector<double> w;
  for (const StageResults& r : memory.Out.Result.Results) w.push_back(r.Stations.Deflection[100]);
  const double sign = w[0] < 0 ? -1.0 : 1.0;
  EXPECT_NEAR(sign * w[0], u, 0.005 * u);
  EXPECT_NEAR(sign * w[1], u / 2, 0.005 * u / 2);
  // To the rounding of the anchor's angle: its 100 kN are 100.0004.
  EXPECT_NEAR(w[2], 0.0, 1e-6);
  EXPECT_NEAR(w[3], -w[0], 1e-6);
  EXPECT_NEAR(std::fabs(memory.M[0]), 100.0 / (4.0 * beta), 0.005 * 25.0 / beta);
  for (const StageResults& r : memory.Out.Result.Results) {
    ASSERT_EQ(r.TieBacks.size(), 1u);
    EXPECT_NEAR(std::fabs(r.TieBacks[0].ForcePerTieBack), 200.0, 1e-9) << "stage " << r.Stage;
  }
  EXPECT_EQ(testing::Count(memory.Out.Report, "PRESTRESSED (FORCE HELD)"), 4);

  const Staged alone = RunToml(AnchoredWall({0}), false);
  ASSERT_EQ(alone.W.size(), 1u);
  EXPECT_NEAR(std::fabs(alone.Out.Result.Results[0].Stations.Deflection[100]),
              100.0 / (2.0 * 2000.0 / beta + 525.0), 0.005 * u);
}

// A 10 m wall with generated earth and water pressure on linear springs below
// the excavation; per stage the backfill water depth and the excavation
// depth (the springs above it are gone).
std::string WateredWall(const std::vector<std::pair<double, double>>& water_and_cut) {
  std::string t = "units = \"si\"\n";
  for (const auto& [water, cut] : water_and_cut) {
    t += "[[stage]]\ntitle = \"WATER LOWERED\"\nearth_pressure = \"generated\"\npy_curves = \"user\"\n"
         "increments = 100\nincrement_length = 0.1\nmax_deflection = 1.0\ndeflection_tolerance = 1e-9\n"
         "dividing_depth = " +
         std::to_string(cut) +
         "\nresult_width = 1.0\nwall_height = 10.0\nmax_iterations = 100\n"
         "[[stage.wall_section]]\ntop = 0.0\nbottom = 10.0\ncross_section = 1\n"
         "[[stage.cross_section]]\nshape = \"general\"\nmoment_of_inertia = 2e8\nelastic_modulus = 2.1e8\n"
         "[stage.ground]\nexcavation_depth = " +
         std::to_string(cut) +
         "\nearth_pressure_width = 1.0\nsoil_resistance_width = 1.0\nwater_depth_backfill = " +
         std::to_string(water) + "\nwater_depth_excavation = " + std::to_string(cut) +
         "\nwater_pressure_in_drained_layers = true\n"
         "[[stage.soil_layer]]\ntype = \"sand\"\nbottom_depth = 20.0\nunit_weight = 19.0\n"
         "friction_angle_deg = 30.0\nsubgrade_modulus = 10000.0\n";
    for (int j = static_cast<int>(std::lround(cut / 0.1)); j <= 100; ++j) {
      const std::string weight = j == 100 ? "p_multiplier = 0.5\n" : "";
      t += "[[stage.py_curve]]\nstation = " + std::to_string(j) + "\n" + weight +
           "points = [[-1.0, 5000.0], [1.0, -5000.0]]\n";
    }
  }
  return t;
}

void ExpectSameStations(const Staged& a, const Staged& b, double tolerance) {
  ASSERT_EQ(a.Out.Result.Results.size(), b.Out.Result.Results.size());
  for (size_t k = 0; k < a.Out.Result.Results.size(); ++k) {
    const auto& x = a.Out.Result.Results[k].Stations;
    const auto& y = b.Out.Result.Results[k].Stations;
    ASSERT_EQ(x.size(), y.size()) << "stage " << k + 1;
    for (size_t j = 0; j < x.size(); ++j)
      EXPECT_NEAR(x.Deflection[j], y.Deflection[j], tolerance) << "stage " << k + 1 << " station " << j;
  }
}

// Water lowered in three steps, then a deeper cut, on linear springs: each
// stage's own pressures are its loads, so memory gives the independent
// results; loads applied as increments would add up the water.
TEST(StageMemory, WaterLoweredInStepsOnLinearSpringsIsTheIndependentResult) {
  const std::string toml = WateredWall({{1.0, 4.0}, {2.5, 4.0}, {4.0, 4.0}, {4.0, 5.0}});
  const Staged memory = RunToml(toml, true);
  const Staged alone = RunToml(toml, false);
  ASSERT_EQ(memory.Out.Result.Results.size(), 4u) << memory.Out.Report;
  EXPECT_EQ(memory.Out.Result.Status, DARNEK_OK) << memory.Out.Result.Message;
  // The water matters: each step moves the top of the wall.
  EXPECT_GT(std::fabs(alone.Out.Result.Results[0].Stations.Deflection[0] -
                      alone.Out.Result.Results[1].Stations.Deflection[0]),
            1e-4);
  ExpectSameStations(memory, alone, 1e-9);
}

// Loading that only grows gives with memory what each stage gives alone,
// and every stage with memory, unloaded or not, is in equilibrium: the soil
// carries the load.
TEST(StageMemory, MonotonicLoadingIsTheIndependentResultAndEveryStageIsInEquilibrium) {
  const std::string rising = RigidWall({40, 100, 160}, true);
  ExpectSameStations(RunToml(rising, true, 0.5), RunToml(rising, false), 1e-8);

  const std::vector<double> loads{160, 40, 80};
  const Staged memory = RunToml(RigidWall(loads, true), true, 0.5);
  ASSERT_EQ(memory.Out.Result.Results.size(), 3u);
  for (size_t k = 0; k < 3; ++k) {
    const StationTable& st = memory.Out.Result.Results[k].Stations;
    double soil = 0;
    for (size_t j = 0; j < st.size(); ++j) soil += st.SoilReaction[j] * 0.5;
    EXPECT_NEAR(soil + loads[k], 0.0, 1e-6 * loads[k]) << "stage " << k + 1;
  }
}

// With memory, the JSON, the CSV tables and the plot file say so and give
// each stage's step and each tie-back's state; without it they are as ever.
TEST(StageMemory, TheResultFilesSayTheModeIsOnAndGiveTheStepsAndTheTieBackStates) {
  std::string toml = AnchoredWall({0, 50});
  toml.replace(toml.rfind("prestress = 200.0"), 17, "prestress = 0.0");
  const Staged memory = RunToml(toml, true, 0.5);
  ASSERT_EQ(memory.Out.Result.Results.size(), 2u) << memory.Out.Report;
  const auto json = nlohmann::json::parse(ResultsJson(memory.Out.Result));
  EXPECT_EQ(json["stage_memory"]["unload_factor"], 0.5);
  const auto& s1 = json["stages"][0];
  const auto& s2 = json["stages"][1];
  EXPECT_EQ(s1["stations"]["deflection_since_previous"][100], s1["stations"]["deflection"][100]);
  const double w1 = s1["stations"]["deflection"][100];
  const double w2 = s2["stations"]["deflection"][100];
  EXPECT_EQ(s2["stations"]["deflection_since_previous"][100], w2 - w1);
  EXPECT_EQ(s1["tie_backs"][0]["memory_state"], "held");
  EXPECT_TRUE(s1["tie_backs"][0]["lock_stage"].is_null());
  EXPECT_EQ(s2["tie_backs"][0]["memory_state"], "locked");
  EXPECT_EQ(s2["tie_backs"][0]["lock_stage"], 1);
  EXPECT_EQ(testing::Count(memory.Out.Report, "LOCKED IN STAGE 1"), 1);

  testing::TempDir dir;
  ASSERT_EQ(WriteResultsCsv(dir.path().string(), memory.Out.Result), "");
  const std::string stages = dir.Read("stages.csv");
  EXPECT_NE(stages.find(",tie_backs,stage_memory,unload_factor,tie_back_states\n"), std::string::npos)
      << stages;
  EXPECT_NE(stages.find(",1,true,0.5,held\n"), std::string::npos) << stages;
  EXPECT_NE(stages.find(",1,true,0.5,locked in stage 1\n"), std::string::npos) << stages;
  EXPECT_NE(dir.Read("stage-2-stations.csv")
                .find(",ei_kN_m2,applied_load_kN,support_force_kN,deflection_since_previous_m\n"),
            std::string::npos);

  EXPECT_EQ(memory.Out.Plot.rfind(" STAGE MEMORY ON; UNLOAD FACTOR  5.000E-01\n", 0), 0u);
  std::istringstream plot(memory.Out.Plot);
  const pictures::PlotFile file = pictures::ParsePlotData(plot, "wall.plt");
  EXPECT_EQ(file.StageMemoryUnloadFactor, 0.5);
  EXPECT_EQ(file.Stages.size(), 2u);
  EXPECT_NE(pictures::DrawEnvelope(file, {}).find("stage memory: each stage starts from the one before it"),
            std::string::npos);

  const Staged alone = RunToml(toml, false);
  const std::string plain = ResultsJson(alone.Out.Result);
  for (const char* key : {"stage_memory", "deflection_since_previous", "memory_state", "lock_stage"})
    EXPECT_EQ(plain.find(key), std::string::npos) << key;
  EXPECT_EQ(alone.Out.Plot.find("MEMORY"), std::string::npos);
  std::istringstream alone_plot(alone.Out.Plot);
  EXPECT_FALSE(pictures::ParsePlotData(alone_plot, "wall.plt").StageMemoryUnloadFactor);
}

}  // namespace
}  // namespace darnek
