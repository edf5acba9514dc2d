// A run context for the input readers: the report goes to a string, the
// input comes from a string, the labels and control lines are set by the test.
#pragma once

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/list_reader.h"
#include "core/report_helpers.h"
#include "core/run_context.h"

namespace darnek::testing {

struct InputHarness {
  // unit_flag +1 English (UnitSystemCode 1), -1 SI (UnitSystemCode 2).
  explicit InputHarness(int unit_flag, const std::string& text = "") : In(text), Reader(In) {
    Ctx.Report.Attach(Report);
    Ctx.Data.Run.UnitFlag = unit_flag;
    Ctx.Data.C1.UnitSystemCode = unit_flag > 0 ? UnitSystem::English : UnitSystem::SI;
    SetUnitLabels(Ctx.Data.Run.Labels, unit_flag);
  }

  // The report so far, one string per line.
  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    std::istringstream text(Report.str());
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }

  // Reads one integer record: proves that the records before it were
  // consumed exactly.
  int ReadSentinel() {
    int value = 0;
    Reader.Read("sentinel", {{"value", &value}});
    return value;
  }

  RunContext Ctx;
  std::ostringstream Report;
  std::istringstream In;
  ListReader Reader;
};

}  // namespace darnek::testing
