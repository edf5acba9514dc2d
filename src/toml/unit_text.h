// Values written with their unit in TOML ("14 ft", "30 kPa", "120 pcf"),
// converted into the unit that the records take for the key.
#pragma once

#include <string>
#include <string_view>

namespace darnek::toml_input {

struct UnitConversion {
  bool Ok = false;
  double Value = 0;     // in the target unit, when Ok
  std::string Problem;  // what is wrong, when not Ok
};

// The value of `text`, a number followed by its unit, in `target`, a unit
// text of the field table ("in", "lb/in²", "kN·m/rad"). The conversion
// factors are exact (1 in = 0.0254 m, 1 lbf = 4.4482216152605 N) and are
// applied in extended precision, so that a conversion whose result is exact
// (14 ft = 168 in) gives exactly that. A unit of another kind than the
// target's is refused with both kinds named.
UnitConversion ConvertUnitText(std::string_view text, std::string_view target);

// Whether `target` is a unit that a text may convert into (not a count, a
// station or a strain).
bool HasUnit(std::string_view target);

}  // namespace darnek::toml_input
