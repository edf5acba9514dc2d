// The [design] table: a value that does not fit is refused with its key and
// place named.
#include <gtest/gtest.h>

#include <cmath>

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
       "line 2, column 10: design, method: \"eurocode\" is not one of \"allowable\", \"factors\" or "
       "\"eurocode7\""},
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
      {"[design]\nmethod = \"eurocode7\"\napproach = \"DA4\"\n",
       "line 3, column 12: design, approach: \"DA4\" is not one of \"DA1\", \"DA2\", \"DA2*\" or \"DA3\""},
      {"[design]\nmethod = \"eurocode7\"\n[design.partial_factors]\nm2_tan_ph = 1.2\n",
       "line 4, column 1: design, partial_factors, m2_tan_ph: unknown key"},
      {"[design]\nmethod = \"allowable\"\n[design.partial_factors]\nm2_tan_phi = 1.2\n",
       "line 4, column 14: design, partial_factors, m2_tan_phi: partial factors are for the method "
       "\"eurocode7\""},
      {"[design]\nmethod = \"eurocode7\"\n[[design.section]]\ncross_section = 1\nsection_class = 4\n",
       "line 5, column 17: design, section 1, section_class: must be 1, 2 or 3 (class 4 sections are not "
       "checked)"},
      {"units = \"si\"\nstage_memory = true\n[design]\n",
       "line 2, column 1: stage_memory: unknown key (a design file holds `units` and the `[design]` table)"},
  };
  for (const auto& [toml, message] : cases) EXPECT_EQ(Refusal(toml), message) << toml;
}

// Eurocode 7's keys reach the design data; a national annex's value stands
// beside the recommended ones, which stay not given.
TEST(DesignToml, Eurocode7KeysAreRead) {
  const DesignData d = toml_input::ReadDesignText(
      "[design]\nmethod = \"eurocode7\"\napproach = \"DA2*\"\nexcavation_allowance = 0.0\n"
      "excavation_controlled = true\n[design.partial_factors]\nr2_earth = 1.3\n"
      "[[design.section]]\ncross_section = 1\nsection_class = 2\nbeta_b = 0.8\n");
  EXPECT_EQ(d.Approach, "DA2*");
  EXPECT_EQ(d.ExcavationAllowance, 0.0);
  EXPECT_TRUE(d.ExcavationControlled);
  EXPECT_EQ(d.Partial.R2Earth, 1.3);
  EXPECT_TRUE(std::isnan(d.Partial.R1Earth));
  ASSERT_EQ(d.Sections.size(), 1u);
  EXPECT_EQ(d.Sections[0].SectionClass, 2);
  EXPECT_EQ(d.Sections[0].BetaB, 0.8);
}

}  // namespace
}  // namespace darnek
