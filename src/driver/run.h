// The run behind the public entry points, with a hook that sees the problem
// data after every stage that reaches its results (used by the tests).
#pragma once

#include <functional>

#include "core/run_context.h"
#include "darnek/darnek.h"

namespace darnek {

using StageObserver = std::function<void(const RunContext&)>;

RunResult RunWith(const RunOptions& options, const StageObserver& observer);

}  // namespace darnek
