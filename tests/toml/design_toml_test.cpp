// The [design] table: a value that does not fit is refused with its key and
// place named.
#include <gtest/gtest.h>

#include "toml/toml_input.h"

namespace darnek {
namespace {

std::string Refusal(const std::string& toml) {
  try {
    toml_input::ReadDesignText(toml);
  } catch (const toml_input::TomlError& e) {
    return e.what();
  }
  return "accepted";
}

TEST(DesignToml, BadDesignDataIsRefusedWithItsKeyNamed) {
  const std::pair<const char*, const char*> cases[] = {
      {"[design]\nmethod = \"eurocode\"\n",
       "line 2, column 10: design, method: \"eurocode\" is not one of \"allowable\", \"factors\" or \"eurocode7\""},
      {"[design.factors]\nbending_fraction = -0.5\n",
       "line 2, column 20: design, factors, bending_fraction: must be a number greater than 0"},
      {"[design.factors]\nbending = 0.5\n", "line 2, column 1: design, factors, bending: unknown key"},
      {"[[design.section]]\ncross_section = 1\nyeild_strength = 1.0\n",
       "line 3, column 1: design, section 1, yeild_strength: unknown key"},
      {"[[design.section]]\ncross_section = 1\n[[design.section]]\ncross_section = 1\n",
       "line 4, column 17: design, section 2, cross_section: 1 is given twice"},
      {"[[design.tie_back]]\ncapacity = 100.0\n",
       "line 1, column 1: design, tie_back 1: `number` is missing"},
      {"[design]\ndeflection_limit_ratio = 2.0\n",
       "line 2, column 26: design, deflection_limit_ratio: must be a fraction of the retained height, below "
       "1"},
      {"[design]\nmethod = \"factors\"\n[design.factors]\neffects = 1.35\n",
       "line 3, column 1: design, factors: the method \"factors\" takes every factor from the design data; "
       "give "
       "bending_fraction, shear_fraction, axial_fraction, embedment_safety, anchor_safety, tendon_fraction, "
       "strength_safety"},
      {"units = \"si\"\nstage_memory = true\n[design]\n",
       "line 2, column 1: stage_memory: unknown key (a design file holds `units` and the `[design]` table)"},
  };
  for (const auto& [toml, message] : cases) EXPECT_EQ(Refusal(toml), message) << toml;
}

}  // namespace
}  // namespace darnek
