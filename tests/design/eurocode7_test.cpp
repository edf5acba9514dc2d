// Eurocode 7: the partial factors of each combination, the unplanned
// excavation, and the AZ 18 wall of examples/design_eurocode7.toml by every
// design approach against closed forms of limit equilibrium on design values.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>

#include "core/design_methods.h"
#include "design/checks.h"
#include "support/run_helper.h"
#include "toml/toml_input.h"

namespace darnek {
namespace {

namespace dm = design_methods;

const dm::Combination& CombinationOf(std::string_view approach, size_t i = 0) {
  return dm::FindApproach(approach)->Combinations[i];
}

// The recommended factors of EN 1997-1 Annex A as each combination applies
// them, and one value of a national annex taking the place of its own only.
TEST(Eurocode7, EachCombinationTakesItsSetsAndAnOverrideReplacesOneKey) {
  const PartialFactors recommended = dm::Resolve({});
  const dm::CombinationFactors c11 = dm::FactorsOf(recommended, CombinationOf("DA1", 0));
  EXPECT_DOUBLE_EQ(c11.Effects, 1.35);
  EXPECT_DOUBLE_EQ(c11.Permanent, 1.0);
  EXPECT_DOUBLE_EQ(c11.Variable, 1.5 / 1.35);
  EXPECT_DOUBLE_EQ(c11.TanPhi, 1.0);
  EXPECT_DOUBLE_EQ(c11.Earth, 1.0);
  EXPECT_DOUBLE_EQ(c11.Anchor, 1.1);
  const dm::CombinationFactors c12 = dm::FactorsOf(recommended, CombinationOf("DA1", 1));
  EXPECT_DOUBLE_EQ(c12.Effects, 1.0);
  EXPECT_DOUBLE_EQ(c12.Variable, 1.3);
  EXPECT_DOUBLE_EQ(c12.TanPhi, 1.25);
  EXPECT_DOUBLE_EQ(c12.Cohesion, 1.25);
  EXPECT_DOUBLE_EQ(c12.Undrained, 1.4);
  EXPECT_DOUBLE_EQ(c12.UnitWeight, 1.0);
  const dm::CombinationFactors da2 = dm::FactorsOf(recommended, CombinationOf("DA2"));
  EXPECT_DOUBLE_EQ(da2.Permanent, 1.35);
  EXPECT_DOUBLE_EQ(da2.Variable, 1.5);
  EXPECT_DOUBLE_EQ(da2.Effects, 1.0);
  EXPECT_DOUBLE_EQ(da2.Earth, 1.4);
  const dm::CombinationFactors star = dm::FactorsOf(recommended, CombinationOf("DA2*"));
  EXPECT_DOUBLE_EQ(star.Effects, 1.35);
  EXPECT_DOUBLE_EQ(star.Earth, 1.4);
  const dm::CombinationFactors da3 = dm::FactorsOf(recommended, CombinationOf("DA3"));
  EXPECT_DOUBLE_EQ(da3.TanPhi, 1.25);
  EXPECT_DOUBLE_EQ(da3.Earth, 1.0);
  EXPECT_DOUBLE_EQ(da3.Anchor, 1.0);
  EXPECT_EQ(dm::FindApproach(""), dm::FindApproach("DA1"));
  EXPECT_EQ(dm::FindApproach("DA4"), nullptr);

  PartialFactors annex;
  annex.M2TanPhi = 1.2;
  const dm::CombinationFactors national = dm::FactorsOf(dm::Resolve(annex), CombinationOf("DA1", 1));
  EXPECT_DOUBLE_EQ(national.TanPhi, 1.2);
  EXPECT_DOUBLE_EQ(national.Cohesion, 1.25);
  EXPECT_DOUBLE_EQ(national.Undrained, 1.4);

  DesignData data;
  data.Method = "eurocode7";
  data.Factors.BendingFraction = 0.9;
  EXPECT_EQ(CheckDesignData(data).Key, "design, factors, bending_fraction");
  data.Factors.BendingFraction = kNotGiven;
  data.Approach = "DA4";
  EXPECT_EQ(CheckDesignData(data).Key, "design, approach");
  data.Approach = "DA2*";
  data.Partial.R2Earth = -1;
  EXPECT_EQ(CheckDesignData(data).Key, "design, partial_factors, r2_earth");
}

// EN 1997-1 9.3.2.2: 10 % of the retained height of a cantilever, of the
// height below the lowest support of a supported wall, at most 0.5 m.
TEST(Eurocode7, UnplannedExcavation) {
  design::StageModel m;
  m.HasSoil = true;
  m.RetainedHeight = 3;
  DesignData data;
  data.Method = "eurocode7";
  EXPECT_DOUBLE_EQ(design::UnplannedExcavation(m, data), 0.3);
  m.RetainedHeight = 7;
  EXPECT_DOUBLE_EQ(design::UnplannedExcavation(m, data), 0.5);
  m.TieBacks.push_back({1, 1.5, 0, 2.5, 0.0007, -100});
  m.TieBacks.push_back({2, 4.0, 0, 2.5, 0.0007, -100});
  EXPECT_DOUBLE_EQ(design::UnplannedExcavation(m, data), 0.3);
  m.English = true;  // inches: 0.5 m is the most
  m.RetainedHeight = 240;
  m.TieBacks.clear();
  EXPECT_NEAR(design::UnplannedExcavation(m, data), 0.5 / 0.0254, 1e-12);
  data.ExcavationAllowance = 6;
  EXPECT_DOUBLE_EQ(design::UnplannedExcavation(m, data), 6);
  data.ExcavationControlled = true;
  EXPECT_DOUBLE_EQ(design::UnplannedExcavation(m, data), 0);
}

// Fixed earth support in uniform dry sand: equilibrium with the design
// strength and the factor on the effects times the one on the earth
// resistance, Kp d0^3 = F Ka (H + d0)^3, and the embedment 1.2 d0 below the
// lowered excavation level.
double CantileverEmbedment(double phi_deg, double strength_factor, double factor, double height) {
  const double phi = std::atan(std::tan(phi_deg * std::numbers::pi / 180) / strength_factor);
  const double ka = std::pow(std::tan(std::numbers::pi / 4 - phi / 2), 2);
  const double kp = std::pow(std::tan(std::numbers::pi / 4 + phi / 2), 2);
  const double r = std::cbrt(factor * ka / kp);
  return 1.2 * r * height / (1 - r);
}

// Free earth support about the tie-back at a: Kp (D^3/3 + (H - a) D^2/2) =
// F Ka (L^3/3 - a L^2/2), L = H + D, solved for D by bisection.
double AnchoredEmbedment(double phi_deg, double strength_factor, double factor, double height, double a) {
  const double phi = std::atan(std::tan(phi_deg * std::numbers::pi / 180) / strength_factor);
  const double ka = std::pow(std::tan(std::numbers::pi / 4 - phi / 2), 2);
  const double kp = std::pow(std::tan(std::numbers::pi / 4 + phi / 2), 2);
  const auto excess = [&](double d) {
    const double l = height + d;
    return kp * (d * d * d / 3 + (height - a) * d * d / 2) - factor * ka * (l * l * l / 3 - a * l * l / 2);
  };
  double lo = 0, hi = 20;
  for (int i = 0; i < 100; ++i) (excess((lo + hi) / 2) < 0 ? lo : hi) = (lo + hi) / 2;
  return (lo + hi) / 2;
}

const StageChecks* Named(const StageChecks& stage, const std::string& combination) {
  for (const StageChecks& k : stage.Combinations)
    if (k.Combination == combination) return &k;
  return nullptr;
}

TEST(Eurocode7, TheExampleWallByEveryApproachAgainstClosedForms) {
  const toml_input::Records records = toml_input::TomlToRecords(testing::ReadFile(
      (std::filesystem::path(DARNEK_SOURCE_DIR) / "examples" / "design_eurocode7.toml").string()));
  ASSERT_TRUE(records.Design);
  // Per combination: the factor on tan(phi'), the factor on the
  // characteristic moments that equilibrium must reach (the one on the
  // effects or actions times the one on the earth resistance), and the
  // factor the check asks of Mr / Md (DA2's actions are factored before the
  // analysis, so Md holds gamma_G already).
  struct Expected {
    std::string Approach, Combination;
    double Strength, Factor, Required;
  };
  const Expected expected[] = {{"DA1", "DA1-1", 1.0, 1.35, 1.35},
                               {"DA1", "DA1-2", 1.25, 1.0, 1.0},
                               {"DA2", "DA2", 1.0, 1.35 * 1.4, 1.4},
                               {"DA2*", "DA2*", 1.0, 1.35 * 1.4, 1.35 * 1.4},
                               {"DA3", "DA3", 1.25, 1.0, 1.0}};
  std::string last;
  RunResult result;
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.Combination);
    if (e.Approach != last) {
      RunOptions options;
      options.Design = records.Design;
      options.Design->Approach = e.Approach;
      result = testing::RunText(records.Text, options).Result;
      last = e.Approach;
    }
    ASSERT_EQ(result.Checks.size(), 2u);
    EXPECT_EQ(result.Design.Approach, e.Approach);
    // Stage 1: the cantilever, 3 m cut lowered by 0.30 m, tip at 10.5 m.
    const StageChecks* k = Named(result.Checks[0], e.Combination);
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->Embedment.Method, "fixed earth support");
    EXPECT_NEAR(k->Embedment.Embedment, 10.5 - 3.3, 1e-9);
    EXPECT_NEAR(k->Embedment.RequiredEmbedment / CantileverEmbedment(32, e.Strength, e.Factor, 3.3), 1,
                0.005);
    EXPECT_DOUBLE_EQ(k->Embedment.RequiredFactor, e.Required);
    EXPECT_EQ(k->Bending.Combination, e.Combination);
    EXPECT_FALSE(k->Deflection.Checked);
    // Stage 2: one tie-back at 1.5 m, 6 m cut lowered by 0.45 m.
    const StageChecks* k2 = Named(result.Checks[1], e.Combination);
    ASSERT_NE(k2, nullptr);
    EXPECT_EQ(k2->Embedment.Method, "free earth support");
    EXPECT_NEAR(k2->Embedment.RequiredEmbedment / AnchoredEmbedment(32, e.Strength, e.Factor, 6.45, 1.5), 1,
                0.005);
    ASSERT_EQ(k2->TieBacks.size(), 1u);
    EXPECT_NEAR(k2->TieBacks[0].Resistance,
                std::min(550 / (e.Combination == "DA3" ? 1.0 : 1.1), 1640000 * 0.0007 / 1.15), 1e-9);
    // Serviceability on the nominal stage: the deflection of the run itself.
    const StageChecks* sls = Named(result.Checks[0], "SLS");
    ASSERT_NE(sls, nullptr);
    EXPECT_NEAR(sls->Deflection.Demand, std::fabs(result.Stages[0].MaxDeflection), 1e-12);
  }
  // The worse of the two combinations of DA1 governs each check.
  RunOptions options;
  options.Design = records.Design;
  result = testing::RunText(records.Text, options).Result;
  const StageChecks& stage = result.Checks[0];
  const double worse =
      std::max(Named(stage, "DA1-1")->Bending.Utilisation, Named(stage, "DA1-2")->Bending.Utilisation);
  EXPECT_DOUBLE_EQ(stage.Bending.Utilisation, worse);
  EXPECT_EQ(stage.Combinations.size(), 3u);

  // A national annex's gamma_phi' of 1.2 reaches the analysis and the
  // embedment of DA1-2, and the table printed says it was given.
  options.Design->Partial.M2TanPhi = 1.2;
  result = testing::RunText(records.Text, options).Result;
  EXPECT_NEAR(
      Named(result.Checks[0], "DA1-2")->Embedment.RequiredEmbedment / CantileverEmbedment(32, 1.2, 1, 3.3), 1,
      0.005);
  bool given = false;
  for (const DesignFactorValue& f : result.Design.PartialFactors)
    if (f.Key == "m2_tan_phi") given = f.Given && f.Value == 1.2;
  EXPECT_TRUE(given);
}

// A wall propped at 1 m in uniform undrained clay (cu 45 kPa, 18 kN/m3), a
// 5 m cut lowered by 0.1 x (5 - 1) = 0.4 m. Free earth support in total
// stress, Ka = Kp = 1: behind, pa = max(0, g z - 2 cu) from z0 = 2 cu / g;
// in front, pp = g (z - H) + 2 cu. The moments about the prop are
// polynomials; the embedment needed is the first at which Mr >= F Md.
double ClayEmbedment(double cu, double factor) {
  const double g = 18, h = 5.4, a = 1, z0 = 2 * cu / g;
  const auto md = [&](double l) {
    const auto f = [&](double z) {
      return g * z * z * z / 3 - (g * a + 2 * cu) * z * z / 2 + 2 * cu * a * z;
    };
    return f(l) - f(std::min(z0, l));
  };
  const auto mr = [&](double l) {
    const auto f = [&](double z) {
      return g * z * z * z / 3 - (g * a + g * h - 2 * cu) * z * z / 2 + (g * h - 2 * cu) * a * z;
    };
    return f(l) - f(h);
  };
  const auto reaches = [&](double d) { return md(h + d) > 0 && mr(h + d) >= factor * md(h + d); };
  double d = 0;
  while (!reaches(d)) d += 1e-3;
  double lo = d - 1e-3, hi = d;
  for (int i = 0; i < 60; ++i) (reaches((lo + hi) / 2) ? hi : lo) = (lo + hi) / 2;
  return hi;
}

TEST(Eurocode7, APropInClayByEveryApproachAgainstClosedForms) {
  const toml_input::Records records = toml_input::TomlToRecords(R"(units = "si"
[[stage]]
title = "PROPPED SHEET PILES IN UNIFORM CLAY"
earth_pressure = "generated"
py_curves = "generated"
increments = 120
increment_length = 0.1
max_deflection = 0.5
deflection_tolerance = 0.00001
dividing_depth = 5.0
result_width = 1.0
wall_height = 12.0
max_iterations = 100
[[stage.wall_section]]
top = 0.0
bottom = 12.0
cross_section = 1
[[stage.cross_section]]
shape = "sheet_piling"
name = "AZ 18"
external_width = 630.0
external_depth = 380.0
flange_thickness = 9.5
web_thickness = 9.5
area = 15000.0
moment_of_inertia = 342000000.0
elastic_modulus = 210000000.0
thickness = 9.5
[[stage.tie_back]]
depth = 1.0
area = 0.0007
elastic_modulus = 195000000.0
unbonded_length = 8.0
angle_deg = 0.0
spacing = 2.5
prestress = 100.0
[stage.ground]
excavation_depth = 5.0
earth_pressure_width = 1.0
soil_resistance_width = 1.0
water_depth_backfill = -1.0
water_depth_excavation = -1.0
[[stage.soil_layer]]
type = "soft_clay"
bottom_depth = 20.0
unit_weight = 18.0
shear_strength = 45.0
e50 = 0.01
[design]
method = "eurocode7"
)");
  const std::pair<const char*, std::pair<const char*, double>> cases[] = {
      {"DA1", {"DA1-1", ClayEmbedment(45, 1.35)}},
      {"DA1", {"DA1-2", ClayEmbedment(45 / 1.4, 1)}},
      {"DA2", {"DA2", ClayEmbedment(45, 1.35 * 1.4)}},
      {"DA3", {"DA3", ClayEmbedment(45 / 1.4, 1)}}};
  for (const auto& [approach, expected] : cases) {
    SCOPED_TRACE(expected.first);
    RunOptions options;
    options.Design = records.Design;
    options.Design->Approach = approach;
    const RunResult result = testing::RunText(records.Text, options).Result;
    ASSERT_EQ(result.Checks.size(), 1u);
    const StageChecks* k = Named(result.Checks[0], expected.first);
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->Embedment.Method, "free earth support");
    EXPECT_NEAR(k->Embedment.RequiredEmbedment / expected.second, 1, 0.005);
  }
}

}  // namespace
}  // namespace darnek
