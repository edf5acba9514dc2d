// Embedment by limit equilibrium: Rankine active pressure behind the wall,
// Rankine passive pressure in front below the excavation level, water on both
// sides, and the moments of both about the point the wall turns about (free
// earth support for one level of tie-backs, fixed earth support for a
// cantilever). Pure functions of the ground and the wall's geometry, so that
// factored or sampled soil can be checked many times over.
#pragma once

#include <string>
#include <vector>

namespace darnek::design {

// A soil layer as the pressures use it: its values are constant over it (the
// values at the layer's top, as the earth-pressure diagram takes them).
struct SoilBand {
  double Top = 0;
  double Bottom = 0;      // the last layer goes on below its bottom
  double UnitWeight = 0;  // total
  double Cohesion = 0;    // c, or the undrained strength of a clay
  double FrictionAngleDeg = 0;
  bool Drained = true;  // false: a clay, in total stress
  double GivenKa = 0;   // a given active coefficient replaces Ka and drops the cohesion term
};

// Depths below the top of the wall, pressures per unit area; the widths turn
// pressures into forces per result width of wall.
struct Ground {
  std::vector<SoilBand> Layers;
  double Excavation = 0;
  double WaterBehind = -1;   // negative: no water table
  double WaterInFront = -1;  // negative: no water table
  double UnitWeightWater = 0;
  double SurfacePressure = 0;
  double ActiveFactor = 1;  // multiplies the active earth and water pressure
  double BackfillSlopeDeg = 0;
  // Lateral pressure of the surcharge loads, by depth (empty: none).
  std::vector<double> SurchargeDepth;
  std::vector<double> SurchargePressure;
  double ActiveWidthAbove = 1;  // behind the wall, down to the excavation level
  double ActiveWidthBelow = 1;  // behind the wall, below it
  double PassiveWidth = 1;      // in front
};

enum class SafetyDefinition { Passive, NetPressure, Strength };

// The wall: one level of tie-backs at AnchorDepth, or a cantilever.
struct Support {
  bool Anchored = false;
  double AnchorDepth = 0;
};

struct Embedment {
  bool Checked = false;
  std::string Note;            // why not, or what the result leaves out
  double FactorOfSafety = 0;   // that the provided embedment gives
  bool FactorBeyond = false;   // the factor is at least FactorOfSafety (the search ended there)
  double Required = 0;         // embedment below the excavation level the target factor needs
  bool RequiredFound = false;  // false: more than `Required`
  // When the provided embedment falls short: a shorter one that reaches the
  // target (the factor falls as the wall goes deeper), else 0.
  double ShorterReaches = 0;
  double PivotDepth = 0;    // fixed earth support: the point of rotation of the provided wall
  double SupportForce = 0;  // free earth support: the tie-back force of equilibrium
};

// Checks the embedment of a wall with its tip at `tip` below the top. The
// target factor is on what `definition` names; `toe_allowance` (fixed earth
// support only) is the embedment over the depth of the point of rotation.
Embedment CheckEmbedment(const Ground& ground, double tip, const Support& support,
                         SafetyDefinition definition, double target, double toe_allowance);

// The pressures at a depth, per unit area, with tan(phi) and c divided by
// `strength_factor` (for the tests and the documentation).
struct Pressures {
  double Active = 0;       // earth pressure behind, cut off at zero, times the active factor
  double WaterBehind = 0;  // times the active factor
  double Surcharge = 0;
  double Passive = 0;  // earth pressure in front, below the excavation level
  double WaterInFront = 0;
};
Pressures PressuresAt(const Ground& ground, double depth, double strength_factor = 1);

}  // namespace darnek::design
