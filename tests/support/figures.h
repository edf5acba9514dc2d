// Figures a test measured (an error, a residual, an observed order), kept as
// properties of the test in GoogleTest's XML output, so that
// docs/verification.md can quote what the tests saw without a test printing:
//   build/darnek_tests --gtest_filter='...' --gtest_output=xml:figures.xml
#pragma once

#include <gtest/gtest.h>

#include <charconv>
#include <string>

namespace darnek::testing {

// Four significant digits, without locale.
inline std::string FigureText(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 3).ptr;
  return std::string(text, end);
}

inline void RecordFigure(const std::string& key, double value) {
  ::testing::Test::RecordProperty(key, FigureText(value));
}

}  // namespace darnek::testing
