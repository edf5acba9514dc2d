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
};

}  // namespace

std::span<const FactorRule> Factors() { return kFactorRules; }

std::span<const Method> Methods() { return kMethods; }

const Method* FindMethod(std::string_view name) {
  for (const Method& m : kMethods)
    if (m.Name == name) return &m;
  return nullptr;
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
