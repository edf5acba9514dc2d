// The design checks of a stage: section bending and shear, embedment by limit
// equilibrium, strength reduction, tie-backs and deflection, each against
// the factors of the method (core/design_methods.h); and the governing
// checks over the stages.
#pragma once

#include <vector>

#include "darnek/design.h"
#include "design/stage_model.h"
#include "design/strength_reduction.h"

namespace darnek::design {

// The method's factors with the data's own in their place.
struct Rules {
  DesignFactors Factors;
  SafetyDefinition Definition = SafetyDefinition::Passive;
  std::string DefinitionKey;  // "passive", ...
  bool Plastic = false;
  std::vector<DesignFactorValue> Table;  // every factor, as applied
};

// The rules of valid data (CheckDesignData finds none wrong).
Rules ResolveRules(const DesignData& data);

// The checks of one stage. `reanalyse` is null when the stage cannot be
// analysed again; strength reduction is then not checked.
StageChecks CheckStage(const StageModel& model, const DesignData& data, const Rules& rules,
                       const Reanalysis* reanalyse);

// What the stages add up to. `cross_sections` and `tie_backs` are the most
// any stage had, for naming the design entries no stage used.
DesignSummary Summarize(const DesignData& data, const Rules& rules, const std::vector<StageChecks>& stages,
                        int cross_sections, int tie_backs);

}  // namespace darnek::design
