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
};

std::span<const Method> Methods();
// The method of that name, or null.
const Method* FindMethod(std::string_view name);

// The names a key may take, for messages and the documentation.
inline constexpr std::array<std::string_view, 3> kEmbedmentDefinitions = {"passive", "net_pressure",
                                                                          "strength"};
inline constexpr std::array<std::string_view, 2> kModulusBases = {"elastic", "plastic"};

// How an embedment definition reads beside its number: "on passive".
std::string_view DefinitionText(std::string_view definition);

}  // namespace darnek::design_methods
