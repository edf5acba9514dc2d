// Setting up the files of a run: every name made absolute once, checked for
// length and for naming one file twice, then every file opened once, before
// anything is written.
#pragma once

#include <string>
#include <vector>

#include "core/run_context.h"

namespace darnek {

struct FileSetUp {
  std::string Problem;        // empty when every file is open
  bool InputMissing = false;  // no input to read (or no hand-off naming one): ask for one
};

// The absolute form of `name`, resolved against `folder` when relative.
std::string AbsoluteName(const std::string& name, const std::string& folder);

// Opens the six files named in ctx.names, resolved against `folder`: the
// outputs that `modes` sends to memory or nowhere are no files, and the input
// is not opened when its text comes from memory. `hand_off` is the absolute
// name of NAMES.dat when the names came from it: no output file may be that
// file either. On failure nothing is left open and nothing is created or
// changed.
FileSetUp OpenRunFiles(RunContext& ctx, const std::string& folder, const std::string& hand_off,
                       const OutputModes& modes, bool input_in_memory);

// Closes every file of the run, each even when another fails; returns the
// failures.
std::vector<std::string> CloseRunFiles(RunContext& ctx);

}  // namespace darnek
