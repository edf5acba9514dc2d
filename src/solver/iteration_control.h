// The state of the nonlinear iteration of one stage: the iteration number, its
// limit, the damping counter and the outcome once there is one.
#pragma once

#include "core/problem_data.h"

namespace darnek::solver {

// The relaxation factor of the c-th damping (c from 0): 0.5 first, then the
// odd quarters, the odd eighths, the odd sixteenths, ... up to the odd
// 128ths. The divisor stays at 64 from the 127th damping on, so the later
// factors grow past 1 (over-relaxation); a stage reaches them only after
// 167 iterations, the first 40 of which are never damped.
double DampingFactor(int c);

// Iterations after which an alternating solution is damped.
inline constexpr int kFirstDampedIteration = 41;

class IterationControl {
 public:
  // MaxIterations 0 asks for a single solution: the limit is then 1 and no
  // closure or exceedance test is made.
  explicit IterationControl(int max_iterations)
      : single_solution_(max_iterations == 0), limit_(max_iterations == 0 ? 1 : max_iterations) {}

  bool SingleSolution() const { return single_solution_; }
  int Iteration() const { return iteration_; }
  bool Finished() const { return outcome_ != StageOutcome::NotRun; }
  StageOutcome Outcome() const { return outcome_; }
  // The count the results heading prints: the current iteration, or the limit
  // once it was reached.
  int ReportedIterations() const { return outcome_ == StageOutcome::IterationLimit ? limit_ : iteration_; }
  bool DampingAllowed() const { return iteration_ >= kFirstDampedIteration; }

  void FinishSingleSolution() { outcome_ = StageOutcome::SingleSolution; }
  void FinishExceeded(int stations) {
    outcome_ = StageOutcome::DeflectionExceeded;
    exceeding_stations_ = stations;
  }
  void FinishClosed() { outcome_ = StageOutcome::Closed; }
  // A solution with a value that is not finite ends the stage as failed.
  void FinishBrokeDown() { outcome_ = StageOutcome::BrokeDown; }
  int ExceedingStations() const { return exceeding_stations_; }

  // The factor of the next damping; counts it.
  double NextDampingFactor() { return DampingFactor(damping_count_++); }
  int DampingCount() const { return damping_count_; }

  // On to the next iteration; past the limit the stage ends unclosed.
  void Advance() {
    ++iteration_;
    if (iteration_ > limit_) outcome_ = StageOutcome::IterationLimit;
  }

 private:
  bool single_solution_;
  int limit_;
  int iteration_ = 1;
  int damping_count_ = 0;
  int exceeding_stations_ = 0;
  StageOutcome outcome_ = StageOutcome::NotRun;
};

}  // namespace darnek::solver
