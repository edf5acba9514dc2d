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

DesignProblem CheckDesignData(const DesignData& data) {
  namespace dm = design_methods;
  const dm::Method* method = dm::FindMethod(data.Method);
  if (!method) {
    std::string names;
    for (const dm::Method& m : dm::Methods())
      names += std::string(names.empty() ? "\"" : " or \"") + std::string(m.Name) + "\"";
    return {"design, method", "\"" + data.Method + "\" is not a method: " + names};
  }
  const std::span<const dm::FactorRule> factors = dm::Factors();
  std::string missing;
  for (size_t i = 0; i < factors.size(); ++i)
    if (std::isnan(data.Factors.*factors[i].Member) && std::isnan(method->Defaults[i]))
      missing += std::string(missing.empty() ? "" : ", ") + std::string(factors[i].Key);
  if (!missing.empty())
    return {"design, factors",
            "the method \"" + data.Method + "\" takes every factor from the design data; give " + missing};
  return {};
}

}  // namespace darnek
