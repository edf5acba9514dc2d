// What the tool's commands share: the usage message, the tool's own exit
// statuses and the run options for one input file.
#pragma once

#include <string>
#include <vector>

#include "darnek/darnek.h"

namespace darnek::tool {

// The tool's own failures, apart from the engine's statuses (0 to 6, 10 and
// above), which `run`, `batch` and the call without arguments pass on.
constexpr int kUsageError = 7;
constexpr int kToolFileFailed = 8;  // a file or folder of the tool's own cannot be read or written
constexpr int kNotAPlotFile = 9;    // `plot` was given a file that is not plot data

// Prints the problem and the usage on stderr; returns kUsageError.
int Usage(const std::string& problem);

// The unit of lengths or forces of a stage as the tool prints it.
std::string Unit(int unit_flag, bool length);

// The options that analyse `input` with its outputs in `dir` (beside the
// input when empty), named after the input. A TOML input is read and
// translated here: `status` is nonzero and `error` says why when it cannot be.
struct InputRun {
  RunOptions Options;
  int Status = DARNEK_OK;
  std::string Error;
};
InputRun PrepareInputRun(const std::string& input, const std::string& dir);

// Creates the folder (and its parents) when missing; on failure says why on
// stderr, naming the folder as `what` ("output", "CSV"), and returns false.
bool MakeOutputFolder(const std::string& dir, const char* what = "output");

// The outputs of `input` in `dir` (or beside it), without the extension.
std::string OutputStem(const std::string& input, const std::string& dir);

// Puts the heap's working stretch on a transparent huge page where the
// kernel has them (app/huge_heap.cpp): the calling thread's heap, so main
// calls it first thing and each batch job as it starts.
void PutHeapOnHugePages();

// `darnek batch INPUT... [--jobs N] [--out DIR] [--summary FILE.csv]`.
int Batch(const std::vector<std::string>& args);

}  // namespace darnek::tool
