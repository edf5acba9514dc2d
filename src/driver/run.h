// The run behind the public entry points, with a hook that sees the problem
// data after every stage that reaches its results (used by the tests).
#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "core/run_context.h"
#include "darnek/darnek.h"

namespace darnek {

using StageObserver = std::function<void(const RunContext&)>;

// Limits a harness may put on a run so that arbitrary input cannot keep it
// busy for long: the fuzz target caps the iterations of every stage.
struct RunLimits {
  int IterationCap = 0;  // 0: the input's MaxIterations as given
};

// The run with the record-file hand-off's status, which IDARNEK returns: a
// data error that only the report names ("TOO MUCH DATA FOR AVAILABLE
// STORAGE"; `Message` holds it) and a stage without results end with
// DARNEK_OK there, as the front end has always had them. `room`, when
// given, holds strings of an earlier run whose room this run's outputs take
// (see Run(options, result)); the result hands it back.
RunResult RunWith(const RunOptions& options, const StageObserver& observer, const RunLimits& limits = {},
                  OutputTexts* room = nullptr);

// The status every other caller sees (`Run`): a run that gave no answer is
// never DARNEK_OK. A data error becomes DARNEK_INPUT_REJECTED, as does a run
// that analysed no stage; a stage without results DARNEK_ANALYSIS_FAILED,
// naming the first such stage, with or without stage memory.
RunResult Concluded(RunResult result);

// A run made again on the side (strength reduction, a design combination, a
// reliability sample): every output discarded, the clock fixed, the console
// the given sink, the files named after `stem` only so that messages read well.
RunOptions DiscardedRunOptions(const std::string& stem, std::ostream* console, std::string input_text);

}  // namespace darnek
