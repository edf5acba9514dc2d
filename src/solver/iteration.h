// The nonlinear iteration of a stage: the soil curves linearised at the
// current deflections, one linear solution, closure, damping of alternating
// solutions, and the flexural rigidity and hinges refreshed for the next pass.
#pragma once

#include <functional>
#include <span>

#include "core/run_context.h"
#include "solver/iteration_control.h"

namespace darnek::solver {

// Adds the soil curves `curves` (FROM and TO as station numbers),
// linearised at the current W, to Q, S and SoilReaction: each station takes
// the straight line through the curve segment that holds its deflection (a
// deflection on a point uses the segment below it; the end segments extend
// beyond the points), interpolated between the two curves of a linked pair,
// full inside a range and half at its two end stations. Ranges are cut at the
// tip; a range of more than one station starting at or below the tip is
// ignored. A range whose TO lies above its FROM: "ERROR STOP -- STATIONS NOT
// IN ORDER".
void ApplySoilCurves(RunContext& ctx, std::span<const PyCurve> curves);

// As ApplySoilCurves, with the larger of the tangent and the secant from zero
// deflection as each curve's stiffness (never below zero); the load takes up
// the difference, so the line still passes through the curve at W.
void ApplySoilCurvesBoundedTangent(RunContext& ctx, std::span<const PyCurve> curves);

// Every station share of every curve range that ApplySoilCurves applies, with
// the same checks: visit(station, t, g, first, second, standalone) stands for
// g times the curves `first` and `second` interpolated at t; `standalone` for
// a curve of a single station.
using CurveShareVisit = std::function<void(int, double, double, int, int, bool)>;
void ForEachCurveShare(RunContext& ctx, std::span<const PyCurve> curves, const CurveShareVisit& visit);

// Damps a solution that alternates between two states (W equal to Wprev2 and
// Wprev1 equal to Wprev3 within the tolerance over stations 0 .. N): W becomes
// w W + (1 - w) Wprev1 with the control's next factor. Returns whether it did.
bool DampOscillation(StationTables& st, int num_increments, double tolerance, IterationControl& control);

// Told of the iteration as it goes, for a caller that shows its progress.
struct IterationMonitor {
  std::function<void(bool single_solution)> Started;
  std::function<void(const IterationStep& step)> Stepped;
};

// The whole iteration of one stage on the soil curves `curves` (the stage's
// own, or those stage memory composes for it), after the stations are
// prepared and the first flexural rigidities are set. Sets
// data.Results.Outcome, Iterations, ExceedingStations and History, and tells
// the monitor of each pass.
void IterateStage(RunContext& ctx, std::span<const PyCurve> curves, const IterationMonitor& monitor = {});

}  // namespace darnek::solver
