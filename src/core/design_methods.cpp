// The table of design methods; docs/design-checks.md gives the source of
// every value.
#include "core/design_methods.h"

#include <cmath>
#include <string>

namespace darnek::design_methods {
namespace {

constexpr double kGiven = kNotGiven;

// The order of Method::Defaults.
constexpr FactorRule kFactorRules[kFactorCount] = {
    {"effects", &DesignFactors::Effects,
     "multiplies the moments, shears, axial forces and tie-back forces of the analysis before they are "
     "compared with a resistance"},
    {"bending_fraction", &DesignFactors::BendingFraction,
     "the bending resistance is this fraction of the yield strength times the section modulus"},
    {"shear_fraction", &DesignFactors::ShearFraction,
     "the shear resistance is this fraction of the yield strength times the shear area"},
    {"axial_fraction", &DesignFactors::AxialFraction,
     "the axial resistance is this fraction of the yield strength times the area"},
    {"embedment_safety", &DesignFactors::EmbedmentSafety,
     "the factor of safety that limit equilibrium must give the embedment, on what "
     "`embedment_definition` names"},
    {"toe_allowance", &DesignFactors::ToeAllowance,
     "fixed earth support: the embedment needed is this multiple of the depth d0 of the point of rotation "
     "below the excavation level (the allowance for the toe reaction)"},
    {"passive_width", &DesignFactors::PassiveWidth,
     "soldier piles and shafts: the passive resistance in front acts over this multiple of the pile width "
     "`soil_resistance_width`, at most the spacing"},
    {"anchor_safety", &DesignFactors::AnchorSafety,
     "a tie-back may carry its `capacity` divided by this factor"},
    {"tendon_fraction", &DesignFactors::TendonFraction,
     "a tie-back may carry this fraction of its tendon's ultimate strength times its area"},
    {"strength_safety", &DesignFactors::StrengthSafety,
     "the factor on the soil's strength at which the stage must still close in strength reduction"},
};

constexpr Method kMethods[] = {
    {"allowable",
     "allowable stresses and factors of safety (US practice); every factor has a default and may be "
     "overridden",
     {1.0, 0.65, 0.40, 0.60, 1.5, 1.2, 3.0, 2.0, 0.60, 1.3},
     "passive",
     "elastic"},
    {"factors",
     "every safety factor and fraction is given by the design data; only the rules of the method "
     "(`toe_allowance`, `passive_width`) have defaults",
     {kGiven, kGiven, kGiven, kGiven, kGiven, 1.2, 3.0, kGiven, kGiven, kGiven},
     "passive",
     "elastic"},
    // The factors of each combination come from the partial factors; only
    // the rules of the method stay here, the others are never read.
    {"eurocode7",
     "EN 1997-1 partial factors by design approach (DA1, DA2, DA2*, DA3) with EN 1993-5 for the steel; "
     "the factors are `partial_factors`",
     {1.0, 1.0, 1.0, 1.0, 1.0, 1.2, 3.0, 1.0, 1.0, 1.0},
     "passive",
     "elastic",
     true},
};

using PF = PartialFactors;
constexpr std::string_view kA3 = "EN 1997-1 Table A.3";
constexpr std::string_view kA4 = "EN 1997-1 Table A.4";
constexpr std::string_view kA13 = "EN 1997-1 Table A.13";
constexpr std::string_view kA12 = "EN 1997-1 Table A.12";
const PartialFactorRule kPartialRules[] = {
    {"a1_permanent", &PF::A1Permanent, "gamma_G (A1)", 1.35, kA3},
    {"a2_permanent", &PF::A2Permanent, "gamma_G (A2)", 1.0, kA3},
    {"a1_variable", &PF::A1Variable, "gamma_Q (A1)", 1.5, kA3},
    {"a2_variable", &PF::A2Variable, "gamma_Q (A2)", 1.3, kA3},
    {"m1_tan_phi", &PF::M1TanPhi, "gamma_phi' (M1)", 1.0, kA4},
    {"m2_tan_phi", &PF::M2TanPhi, "gamma_phi' (M2)", 1.25, kA4},
    {"m1_cohesion", &PF::M1Cohesion, "gamma_c' (M1)", 1.0, kA4},
    {"m2_cohesion", &PF::M2Cohesion, "gamma_c' (M2)", 1.25, kA4},
    {"m1_undrained", &PF::M1Undrained, "gamma_cu (M1)", 1.0, kA4},
    {"m2_undrained", &PF::M2Undrained, "gamma_cu (M2)", 1.4, kA4},
    {"m1_unit_weight", &PF::M1UnitWeight, "gamma_gamma (M1)", 1.0, kA4},
    {"m2_unit_weight", &PF::M2UnitWeight, "gamma_gamma (M2)", 1.0, kA4},
    {"r1_earth", &PF::R1Earth, "gamma_R;e (R1)", 1.0, kA13},
    {"r2_earth", &PF::R2Earth, "gamma_R;e (R2)", 1.4, kA13},
    {"r3_earth", &PF::R3Earth, "gamma_R;e (R3)", 1.0, kA13},
    {"r1_anchor", &PF::R1Anchor, "gamma_a (R1)", 1.1, kA12},
    {"r2_anchor", &PF::R2Anchor, "gamma_a (R2)", 1.1, kA12},
    {"r3_anchor", &PF::R3Anchor, "gamma_a (R3)", 1.0, kA12},
    {"gamma_m0", &PF::SteelSection, "gamma_M0", 1.0, "EN 1993-5 5.1.1"},
    {"tendon", &PF::Tendon, "gamma_s", 1.15, "EN 1992-1-1 Table 2.1N"},
};

constexpr Combination kDA1[] = {{"DA1-1", 1, 1, 1, true}, {"DA1-2", 2, 2, 1, false}};
constexpr Combination kDA2[] = {{"DA2", 1, 1, 2, false}};
constexpr Combination kDA2Star[] = {{"DA2*", 1, 1, 2, true}};
constexpr Combination kDA3[] = {{"DA3", 2, 2, 3, false}};
const Approach kApproaches[] = {{"DA1", kDA1}, {"DA2", kDA2}, {"DA2*", kDA2Star}, {"DA3", kDA3}};

}  // namespace

std::span<const FactorRule> Factors() { return kFactorRules; }

std::span<const Method> Methods() { return kMethods; }

const Method* FindMethod(std::string_view name) {
  for (const Method& m : kMethods)
    if (m.Name == name) return &m;
  return nullptr;
}

std::span<const PartialFactorRule> PartialFactorRules() { return kPartialRules; }

std::span<const Approach> Approaches() { return kApproaches; }

const Approach* FindApproach(std::string_view name) {
  if (name.empty()) return &kApproaches[0];
  for (const Approach& a : kApproaches)
    if (a.Name == name) return &a;
  return nullptr;
}

PartialFactors Resolve(const PartialFactors& given) {
  PartialFactors out = given;
  for (const PartialFactorRule& r : kPartialRules)
    if (std::isnan(out.*r.Member)) out.*r.Member = r.Recommended;
  return out;
}

CombinationFactors FactorsOf(const PartialFactors& p, const Combination& c) {
  CombinationFactors f;
  const bool a1 = c.Actions == 1, m1 = c.Materials == 1;
  const double permanent = a1 ? p.A1Permanent : p.A2Permanent;
  const double variable = a1 ? p.A1Variable : p.A2Variable;
  if (c.FactorsEffects) {
    f.Effects = permanent;
    f.Variable = variable / permanent;
  } else {
    f.Permanent = permanent;
    f.Variable = variable;
  }
  f.TanPhi = m1 ? p.M1TanPhi : p.M2TanPhi;
  f.Cohesion = m1 ? p.M1Cohesion : p.M2Cohesion;
  f.Undrained = m1 ? p.M1Undrained : p.M2Undrained;
  f.UnitWeight = m1 ? p.M1UnitWeight : p.M2UnitWeight;
  f.Earth = c.Resistances == 1 ? p.R1Earth : c.Resistances == 2 ? p.R2Earth : p.R3Earth;
  f.Anchor = c.Resistances == 1 ? p.R1Anchor : c.Resistances == 2 ? p.R2Anchor : p.R3Anchor;
  return f;
}

std::string_view DefinitionText(std::string_view definition) {
  if (definition == "passive") return "on passive";
  if (definition == "net_pressure") return "on net pressure";
  if (definition == "strength") return "on strength";
  return definition;
}

}  // namespace darnek::design_methods

namespace darnek {

namespace {

bool Positive(double v) { return std::isnan(v) || (std::isfinite(v) && v > 0); }

DesignProblem NotPositive(const std::string& key) { return {key, "must be a number greater than 0"}; }

}  // namespace

DesignProblem CheckDesignData(const DesignData& data) {
  namespace dm = design_methods;
  const dm::Method* method = dm::FindMethod(data.Method);
  if (!method) {
    std::string names;
    for (const dm::Method& m : dm::Methods())
      names += std::string(names.empty() ? "\"" : " or \"") + std::string(m.Name) + "\"";
    return {"design, method", "\"" + data.Method + "\" is not a method: " + names};
  }
  const auto one_of = [](const std::string& value, const auto& names) {
    for (std::string_view n : names)
      if (value == n) return true;
    return value.empty();
  };
  const bool ec7 = method->ByCombination;
  if (!dm::FindApproach(data.Approach)) {
    std::string names;
    for (const dm::Approach& a : dm::Approaches())
      names += std::string(names.empty() ? "\"" : " or \"") + std::string(a.Name) + "\"";
    return {"design, approach", "\"" + data.Approach + "\" is not a design approach: " + names};
  }
  if (!ec7 && !data.Approach.empty())
    return {"design, approach", "a design approach is for the method \"eurocode7\""};
  for (const dm::PartialFactorRule& r : dm::PartialFactorRules()) {
    const double given = data.Partial.*r.Member;
    if (!Positive(given)) return NotPositive("design, partial_factors, " + std::string(r.Key));
    if (!ec7 && !std::isnan(given))
      return {"design, partial_factors, " + std::string(r.Key),
              "partial factors are for the method \"eurocode7\""};
  }
  if (!std::isnan(data.ExcavationAllowance) &&
      !(std::isfinite(data.ExcavationAllowance) && data.ExcavationAllowance >= 0))
    return {"design, excavation_allowance", "must be a depth of 0 or more"};
  if (ec7 && !data.EmbedmentDefinition.empty() && data.EmbedmentDefinition != "passive")
    return {"design, embedment_definition",
            "the method \"eurocode7\" checks equilibrium with the factors reached: \"passive\" only"};
  if (ec7) {
    const std::span<const dm::FactorRule> all = dm::Factors();
    for (const dm::FactorRule& f : all)
      if (!std::isnan(data.Factors.*f.Member) && !dm::IsRule(f.Key))
        return {"design, factors, " + std::string(f.Key),
                "the method \"eurocode7\" takes its factors from `partial_factors`; only `toe_allowance` and "
                "`passive_width` may be given"};
  }
  if (!one_of(data.EmbedmentDefinition, dm::kEmbedmentDefinitions))
    return {"design, embedment_definition", "\"" + data.EmbedmentDefinition + "\" is not a definition"};
  if (!one_of(data.ModulusBasis, dm::kModulusBases))
    return {"design, modulus_basis", "\"" + data.ModulusBasis + "\" is not \"elastic\" or \"plastic\""};
  if (!Positive(data.DeflectionLimit)) return NotPositive("design, deflection_limit");
  if (!Positive(data.DeflectionLimitRatio) || data.DeflectionLimitRatio >= 1)
    return {"design, deflection_limit_ratio",
            "must be a fraction of the retained height, above 0 and below 1"};
  const std::span<const dm::FactorRule> factors = dm::Factors();
  std::string missing;
  for (size_t i = 0; i < factors.size(); ++i) {
    const double given = data.Factors.*factors[i].Member;
    const std::string key = "design, factors, " + std::string(factors[i].Key);
    if (!Positive(given)) return NotPositive(key);
    if (factors[i].Key == "toe_allowance" && given < 1) return {key, "must be 1 or more"};
    if (std::isnan(given) && std::isnan(method->Defaults[i]))
      missing += std::string(missing.empty() ? "" : ", ") + std::string(factors[i].Key);
  }
  if (!missing.empty())
    return {"design, factors",
            "the method \"" + data.Method + "\" takes every factor from the design data; give " + missing};
  for (size_t i = 0; i < data.Sections.size(); ++i) {
    const SectionDesign& d = data.Sections[i];
    const std::string key = "design, section " + std::to_string(i + 1);
    if (d.CrossSection < 1) return {key + ", cross_section", "must be 1 or more"};
    for (size_t k = 0; k < i; ++k)
      if (data.Sections[k].CrossSection == d.CrossSection)
        return {key + ", cross_section", std::to_string(d.CrossSection) + " is given twice"};
    const std::pair<const char*, double> values[] = {{"yield_strength", d.YieldStrength},
                                                     {"section_modulus", d.SectionModulus},
                                                     {"plastic_modulus", d.PlasticModulus},
                                                     {"shear_area", d.ShearArea},
                                                     {"area", d.Area},
                                                     {"moment_resistance", d.MomentResistance},
                                                     {"shear_resistance", d.ShearResistance}};
    for (const auto& [name, value] : values)
      if (!Positive(value)) return NotPositive(key + ", " + name);
    if (d.SectionClass < 0 || d.SectionClass > 3)
      return {key + ", section_class", "must be 1, 2 or 3 (class 4 sections are not checked)"};
    if (!Positive(d.BetaB) || d.BetaB > 1) return {key + ", beta_b", "must be above 0 and at most 1"};
  }
  for (size_t i = 0; i < data.TieBacks.size(); ++i) {
    const TieBackDesign& t = data.TieBacks[i];
    const std::string key = "design, tie_back " + std::to_string(i + 1);
    if (t.Number < 1) return {key + ", number", "must be 1 or more"};
    for (size_t k = 0; k < i; ++k)
      if (data.TieBacks[k].Number == t.Number)
        return {key + ", number", std::to_string(t.Number) + " is given twice"};
    const std::pair<const char*, double> values[] = {
        {"capacity", t.Capacity}, {"tendon_area", t.TendonArea}, {"tendon_strength", t.TendonStrength}};
    for (const auto& [name, value] : values)
      if (!Positive(value)) return NotPositive(key + ", " + name);
  }
  return {};
}

}  // namespace darnek
