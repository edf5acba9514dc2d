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
  RunFile Input;
  RunFile Report;
  RunFile Plot;
  RunFile RunLog;
  RunFile PyScratch;
  RunFile PressureScratch;
};

struct RunContext {
  ProblemData Data;
  FileNames Names;  // as given: the report prints them so
  RunFiles Files;
  OutputUnit Report;   // the fixed-column report
  OutputUnit Plot;     // plot data for the front end's graphs
  OutputUnit Log;      // run log: stage headings, iteration monitoring, warnings
  OutputUnit Console;  // standard error
  std::function<std::tm()> Clock;
  // When positive, no stage iterates more often than this (a harness's limit).
  int IterationCap = 0;
  // Factors on the soil's strength, applied as a stage's soil layers are read.
  SoilStrengthFactors SoilStrength;
  DesignActionFactors DesignActions;
  // Warnings found in the first control line, which is read before the
  // stage's heading; the control echo writes them.
  std::vector<InputErrorPlace> PendingWarnings;
  // Names the place of an input warning in the words of the input's own form
  // (RunOptions::DescribeInputError); the engine's words when empty.
  std::function<std::string(const InputErrorPlace&)> DescribeInput;
  // Set when the run carries state from stage to stage (solver/stage_memory.h).
  std::shared_ptr<solver::StageMemory> Memory;
  // When positive, generated p-y curves every this many length units below
  // the excavation level (RunOptions::CurveSpacing).
  double CurveSpacing = 0;
};

}  // namespace darnek
