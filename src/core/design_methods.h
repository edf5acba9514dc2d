// The design methods as data: each factor of the design checks with its key,
// meaning and source, and per method the value it takes when the design data
// do not give it (or that the data must give it). A new method is a new row
// of this table; the checks read the factors, never the method's name.
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "darnek/design.h"

namespace darnek::design_methods {

struct FactorRule {
  std::string_view Key;  // in [design.factors]
  double DesignFactors::*Member;
  std::string_view Meaning;
};

// Every factor, in the order the outputs list them.
std::span<const FactorRule> Factors();
inline constexpr size_t kFactorCount = 10;

struct Method {
  std::string_view Name;
  std::string_view Meaning;
  // Per factor of Factors(): its value; NaN where the data must give it.
  std::array<double, kFactorCount> Defaults;
  std::string_view EmbedmentDefinition;  // "passive", "net_pressure" or "strength"
  std::string_view ModulusBasis;         // "elastic" or "plastic"
  // The factors but the method's rules (`toe_allowance`, `passive_width`)
  // come from the partial factors of each combination (Eurocode 7).
  bool ByCombination = false;
};

// Whether a factor is one of the method's rules rather than a safety factor.
inline bool IsRule(std::string_view key) { return key == "toe_allowance" || key == "passive_width"; }

std::span<const Method> Methods();
// The method of that name, or null.
const Method* FindMethod(std::string_view name);

// The names a key may take, for messages and the documentation.
inline constexpr std::array<std::string_view, 3> kEmbedmentDefinitions = {"passive", "net_pressure",
                                                                          "strength"};
inline constexpr std::array<std::string_view, 2> kModulusBases = {"elastic", "plastic"};

// ------------------------------------------------------------ Eurocode 7

// One partial factor: its key in `[design.partial_factors]`, its symbol, the
// recommended value and where it comes from.
struct PartialFactorRule {
  std::string_view Key;
  double PartialFactors::*Member;
  std::string_view Symbol;
  double Recommended;
  std::string_view Source;
};

// Every partial factor, in the order the outputs list them.
std::span<const PartialFactorRule> PartialFactorRules();

// The sets of a combination: actions A1 or A2, soil parameters M1 or M2,
// resistances R1, R2 or R3.
struct Combination {
  std::string_view Name;  // "DA1-1"
  int Actions;            // 1: A1, 2: A2
  int Materials;          // 1: M1, 2: M2
  int Resistances;        // 1, 2, 3
  // The permanent factor multiplies the effects of the analysis (moments,
  // shears, forces) instead of the actions that go into it; the variable
  // actions then take the ratio of their factor to it.
  bool FactorsEffects;
};

struct Approach {
  std::string_view Name;  // "DA1"
  std::span<const Combination> Combinations;
};

std::span<const Approach> Approaches();
// The approach of that name ("" is DA1), or null.
const Approach* FindApproach(std::string_view name);

// The partial factors with the recommended ones where the data give none.
PartialFactors Resolve(const PartialFactors& given);

// The factors of one combination.
struct CombinationFactors {
  double Permanent = 1, Variable = 1;  // on actions, before the analysis
  double Effects = 1;                  // on the effects after it
  double TanPhi = 1, Cohesion = 1, Undrained = 1, UnitWeight = 1;
  double Earth = 1, Anchor = 1;
};
CombinationFactors FactorsOf(const PartialFactors& resolved, const Combination& c);

// How an embedment definition reads beside its number: "on passive".
std::string_view DefinitionText(std::string_view definition);

}  // namespace darnek::design_methods
