// Stage memory: an opt-in mode in which a stage starts from the deflections,
// soil-spring histories and tie-back locks that the stage before it left. The
// state lives here, beside the run's problem data, and touches the solver
// only through the curve table, the tie-back springs and the starting
// deflections it hands over.
#pragma once

#include <vector>

#include "core/run_context.h"

namespace darnek::solver {

// A spring's curve as resistance r (minus the soil load p) against
// deflection, ascending in deflection; end segments extend past the points.
struct Backbone {
  std::vector<double> Y;
  std::vector<double> R;
};

double BackboneAt(const Backbone& b, double y);

// The history of one soil spring: its curve is read from Origin (the plastic
// offset); the spring last turned at Turn, on side Side (+1 pushed towards
// positive deflection, -1 towards negative, 0 not yet moved).
struct SpringState {
  double Origin = 0;
  double Turn = 0;
  int Side = 0;
};

// The resistance of a spring with history `s` at deflection y on backbone b.
double SpringResistance(const Backbone& b, const SpringState& s, double factor, double y);

// The rule of SpringResistance as one piecewise-linear table, for the
// unchanged linearisation; zero-length segments are dropped.
Backbone ComposeSpring(const Backbone& b, const SpringState& s, double factor);

// The history after the stage closed at deflection y.
SpringState UpdateSpring(const Backbone& b, const SpringState& s, double factor, double y);

struct TieBackMemory {
  int Station = 0;
  bool Held = false;  // this stage: held at its prestress
  int LockStage = 0;  // the stage whose end state the lock holds
  double WLock = 0;
  double HLock = 0;
};

struct StageMemory {
  double UnloadFactor = 1.0;
  int NumIncrements = -1;  // the stations of the first stage
  double IncrementLength = 0;
  int FailedStage = 0;  // the first stage that gave no results; 0 none
  bool HasState = false;
  std::vector<double> W;       // deflections at stations -3 .. N+3 at the end of the last stage
  std::vector<double> StartW;  // W as the stage being analysed found it
  // The springs of the last stage closed, and of the stage being analysed.
  struct Spring {
    int Station = 0;
    int Slot = 0;  // -1 the station's summed curves, else the order of a standalone curve there
    SpringState State;
    Backbone Curve;  // this stage's backbone
  };
  std::vector<Spring> Springs;
  std::vector<Spring> Active;
  std::vector<TieBackMemory> TieBacks;  // by order in the stage
  std::vector<TieBackMemory> ActiveTieBacks;

  double PreviousW(int station) const;
};

// Rejects a stage whose stations differ from the first stage's.
void CheckMemoryStations(RunContext& ctx);

// Sets the starting deflections and returns the curve table the iteration
// takes instead of the stage's own (data.PyCurves, which stays for the
// results): one curve per spring, composed from its history; before the
// iteration.
std::vector<PyCurve> PrepareMemoryStage(RunContext& ctx);

// The tie-back's spring and load under the lock rules (AddTieBacks).
void ApplyTieBackMemory(RunContext& ctx, size_t index, TieBack& tb);

// Keeps the end state of a stage that gave results; records a failure.
void CloseMemoryStage(RunContext& ctx, bool solved);

// The stage's deflections since the stage before and its tie-backs' states,
// into its kept results.
void AddMemoryResults(const StageMemory& memory, StageResults& results);

}  // namespace darnek::solver
