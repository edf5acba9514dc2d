#include "support/run_helper.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

namespace darnek::testing {

std::tm FixedClock() {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 2;
  t.tm_mday = 7;
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 0;
  return t;
}

RunOutput RunText(const std::string& input, const std::string& input_name) {
  return RunText(input, RunOptions{}, input_name);
}

RunOutput RunText(const std::string& input, RunOptions options, const std::string& input_name) {
  TempDir dir;
  dir.Write(input_name, input);
  FileNames files;
  files.Input = dir.File(input_name);
  files.Report = dir.File("wall.out");
  files.Plot = dir.File("wall.plt");
  files.RunLog = dir.File("wall.log");
  files.PyScratch = dir.File("wall.pyscratch");
  files.PressureScratch = dir.File("wall.epscratch");
  options.Files = files;
  options.VersionText = "TEST";
  options.Clock = FixedClock;
  std::ostringstream console;
  options.Console = &console;
  RunOutput out;
  out.Result = Run(options);
  out.Report = dir.Read("wall.out");
  out.Log = dir.Read("wall.log");
  out.Plot = dir.Read("wall.plt");
  out.Console = console.str();
  return out;
}

std::string MaskVariableLines(const std::string& report) {
  static const std::regex stamp("Date:  .*     Time:  [0-9:]+");
  static const std::regex folder("Path to file locations      : [^\n]*");
  return std::regex_replace(std::regex_replace(report, stamp, "Date:  (masked)"), folder,
                            "Path to file locations      : (masked)");
}

int Count(const std::string& haystack, const std::string& needle) {
  int n = 0;
  for (size_t p = haystack.find(needle); p != std::string::npos; p = haystack.find(needle, p + needle.size()))
    ++n;
  return n;
}

std::string Replace(const std::string& text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at == std::string::npos) return text;
  return text.substr(0, at) + to + text.substr(at + from.size());
}

}  // namespace darnek::testing
