// What the rock and weak-rock models share: the stop on a rock without
// strength.
#pragma once

#include "core/run_context.h"

namespace darnek::soil {

// Compressive strengths below this count as none.
inline constexpr double kZeroRockStrength = 1e-10;

// Writes the zero-strength warning to the console and stops the run.
[[noreturn]] void StopOnZeroRockStrength();

}  // namespace darnek::soil
