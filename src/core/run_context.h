// The state of one run, passed by reference to every step: the problem data,
// the open files (units), the file names and the clock. Nothing in the engine
// lives outside it, so runs are re-entrant and every step can be tested alone.
#pragma once

#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/output_unit.h"
#include "core/problem_data.h"
#include "core/run_file.h"
#include "darnek/darnek.h"

namespace darnek {
namespace solver {
struct StageMemory;
}

// The six files of the run, all opened before anything is written and held
// open to its end.
struct RunFiles {
  RunFile input;
  RunFile report;
  RunFile plot;
  RunFile run_log;
  RunFile py_scratch;
  RunFile pressure_scratch;
};

struct RunContext {
  ProblemData data;
  FileNames names;  // as given: the report prints them so
  RunFiles files;
  OutputUnit report;   // the fixed-column report
  OutputUnit plot;     // plot data for the front end's graphs
  OutputUnit log;      // run log: stage headings, iteration monitoring, warnings
  OutputUnit console;  // standard error
  std::function<std::tm()> clock;
  // When positive, no stage iterates more often than this (a harness's limit).
  int iteration_cap = 0;
  // Warnings found in the first control line, which is read before the
  // stage's heading; the control echo writes them.
  std::vector<std::string> pending_warnings;
  // Set when the run carries state from stage to stage (solver/stage_memory.h).
  std::shared_ptr<solver::StageMemory> memory;
};

}  // namespace darnek
