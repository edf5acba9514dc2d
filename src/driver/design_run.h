// The design checks of a run: after each stage the stage's design model is
// taken from the problem data and checked; strength reduction analyses the
// stage again in this process, its outputs discarded.
#pragma once

#include <ostream>
#include <string>

#include "core/run_context.h"
#include "darnek/darnek.h"
#include "design/checks.h"
#include "design/stage_model.h"

namespace darnek {

struct RunLimits;

// The whole text of the run's input file, read without moving the place the
// run reads it from; empty when it cannot be read or is beyond the limits
// of every whole input (core/input_file.h).
std::string InputTextOf(const RunFile& input);

// The stage just analysed, as the design checks read it.
design::StageModel DesignModelOf(const ProblemData& d, const StageSummary& summary);

class DesignRun {
 public:
  // `input_text` is what the run reads, for the analyses of strength
  // reduction; `limits` are the run's own.
  DesignRun(const RunOptions& options, const RunLimits& limits, std::string input_text);
  void AfterStage(const RunContext& ctx, const StageSummary& summary, RunResult& result);
  // The summary over the stages, into the result.
  void Finish(RunResult& result) const;

 private:
  bool Closes(int stage, double factor) const;
  // The options of an analysis of the stage again, every output discarded.
  RunOptions Again(int stage) const;
  // Eurocode 7: the stage's checks by every combination of the approach,
  // each on an analysis of its own, and the serviceability check.
  StageChecks Eurocode7(const design::StageModel& model) const;
  // The stage analysed again with a combination's factors: its design model.
  design::StageModel Analyse(const design::StageModel& nominal, const design_methods::CombinationFactors& f,
                             double lowering) const;

  const RunOptions& options_;
  const RunLimits& limits_;
  std::string input_text_;
  design::Rules rules_;
  int cross_sections_ = 0;
  int tie_backs_ = 0;
  // The analyses of strength reduction write their console here: nowhere.
  mutable std::ostream discard_{nullptr};
};

}  // namespace darnek
