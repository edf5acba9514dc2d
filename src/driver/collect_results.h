// A stage's results as the public values of darnek/results.h.
#pragma once

#include "core/problem_data.h"
#include "darnek/darnek.h"

namespace darnek {

// Called once per stage, after the stage has computed its results; takes the
// outcome and iteration count from the stage's summary.
StageResults CollectStageResults(const ProblemData& data, const StageSummary& summary);

}  // namespace darnek
