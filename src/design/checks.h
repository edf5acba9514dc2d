// The design checks of a stage: section bending and shear, embedment by limit
// equilibrium, strength reduction, tie-backs and deflection, each against
// the factors of the method (core/design_methods.h); and the governing
// checks over the stages.
#pragma once

#include <vector>

#include "core/design_methods.h"
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
  // Eurocode 7: the combination these rules are of, and which limit state
  // they check (the ultimate one: section, embedment, tie-backs; the
  // serviceability one: deflection).
  std::string Combination;
  bool Ultimate = true;
  bool Serviceability = true;
};

// The rules of valid data (CheckDesignData finds none wrong).
Rules ResolveRules(const DesignData& data);

// Eurocode 7: the rules of one combination of the approach, from the
// partial factors.
Rules CombinationRules(const DesignData& data, const design_methods::Combination& combination);
// Eurocode 7: the rules of the serviceability check (deflection only).
Rules ServiceabilityRules(const DesignData& data);

// Eurocode 7: the unplanned excavation below the stage's excavation level
// at the ultimate limit state (analysis length unit): as the data give it,
// 0 when the level is controlled, else EN 1997-1 9.3.2.2.
double UnplannedExcavation(const StageModel& model, const DesignData& data);

// Eurocode 7: the stage's checks, each the worst over the combinations
// (the combinations kept with them).
StageChecks WorstOf(int stage, std::vector<StageChecks> combinations);

// The checks of one stage. `reanalyse` is null when the stage cannot be
// analysed again; strength reduction is then not checked.
StageChecks CheckStage(const StageModel& model, const DesignData& data, const Rules& rules,
                       const Reanalysis* reanalyse);

// What the stages add up to. `cross_sections` and `tie_backs` are the most
// any stage had, for naming the design entries no stage used.
DesignSummary Summarize(const DesignData& data, const Rules& rules, const std::vector<StageChecks>& stages,
                        int cross_sections, int tie_backs);

}  // namespace darnek::design
