// The fallback of a stage whose iteration did not close: the loads applied in
// increments from the unloaded wall, each increment iterated to closure from
// the last one with the soil curves linearised by a bounded tangent.
#pragma once

#include <span>

#include "core/run_context.h"

namespace darnek::solver {

struct LoadSteppingOutcome {
  bool Found = false;   // closed at the full loads within the stage's tolerance
  int Steps = 0;        // load increments carried
  double Fraction = 0;  // largest fraction of the loads carried (1 when found)
};

// Starts again from zero deflections, on the soil curves `curves` as
// IterateStage takes them, and applies the loads of the stage (Q,
// the couples T and the specified deflections and slopes, all scaled
// together; the axial loads stay whole) in increments. An increment that
// exceeds the allowable deflection, breaks down or does not close within its
// iterations is cut in half and tried again from the last closed state. At the
// full loads the closed state is checked with one solution of the ordinary
// iteration, which must change no deflection by more than the tolerance. When
// found, the tables hold that solution as the ordinary iteration leaves a
// closed stage; otherwise they hold whatever the last attempt left. Writes
// nothing to the run's files.
LoadSteppingOutcome SolveByLoadStepping(RunContext& ctx, std::span<const PyCurve> curves);

}  // namespace darnek::solver
