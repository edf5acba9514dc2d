// Runs the engine on an input text in a fresh folder, with a fixed clock, and
// keeps what it wrote.
#pragma once

#include <string>

#include "darnek/darnek.h"
#include "support/temp_dir.h"

namespace darnek::testing {

struct RunOutput {
  RunResult Result;
  std::string Report;
  std::string Log;
  std::string Plot;
  std::string Console;
};

// The fixed time of every test run: 7 March 2026, 09:05:00.
std::tm FixedClock();

RunOutput RunText(const std::string& input, const std::string& input_name = "wall.dat");
// As RunText, with the given options (files, clock and console are set here).
RunOutput RunText(const std::string& input, RunOptions options, const std::string& input_name = "wall.dat");

// The report with the lines that differ from run to run masked (the time
// stamp and the folder of the input file), for golden comparisons.
std::string MaskVariableLines(const std::string& report);

// Number of times `needle` occurs in `haystack`.
int Count(const std::string& haystack, const std::string& needle);

// The text with the first `from` replaced by `to`; a test failure when there
// is no `from` in it.
std::string Replace(const std::string& text, const std::string& from, const std::string& to);

}  // namespace darnek::testing
