// The run behind the public entry points, with a hook that sees the problem
// data after every stage that reaches its results (used by the tests).
#pragma once

#include <functional>

#include "core/run_context.h"
#include "darnek/darnek.h"

namespace darnek {

using StageObserver = std::function<void(const RunContext&)>;

// Limits a harness may put on a run so that arbitrary input cannot keep it
// busy for long: the fuzz target caps the iterations of every stage.
struct RunLimits {
  int IterationCap = 0;  // 0: the input's MaxIterations as given
};

RunResult RunWith(const RunOptions& options, const StageObserver& observer, const RunLimits& limits = {});

}  // namespace darnek
