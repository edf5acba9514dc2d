// Fortran-style formatted output: edit descriptors I, F, E (with the kP scale
// factor), A, nX, '/', '$', repeat counts and groups. Every report, run-log and
// plot line is written through this module, so the layouts in the code read
// like the format descriptions of the report they produce, e.g.
//   Format("( / 6X 'HEIGHT OF WALL = ' F10.3 A3 )", height, label)
// The semantics (rounding, signs, field overflow, exponent width) follow the
// GNU Fortran runtime, against which the tests check them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace darnek::fortran {

// Single fields.
std::string EditI(int w, long long value, int m = -1);
std::string EditF(int w, int d, double value, int scale = 0);
std::string EditE(int w, int d, double value, int scale = 0, int e = 0);
std::string EditA(std::string_view text, int w = -1);

// A value handed to a format: integer, real or text.
using Value = std::variant<long long, double, std::string_view>;

struct Records {
  std::vector<std::string> lines;
  // The format ended with '$': the last line stays open for the next write.
  bool open = false;
};

// Applies a format (the text of a Fortran FORMAT) to the values. Descriptors may be separated
// by commas or blanks. Output stops at the first data descriptor for which no
// value is left (literals and positioning before it are still written); when
// the format is exhausted with values left, it reverts to its last top-level
// group (or its start) on a new record. A value of the wrong kind for its
// descriptor throws std::logic_error: that is a programming error.
Records ApplyFormat(std::string_view format, std::span<const Value> values);

namespace detail {
inline Value ToValue(int v) { return static_cast<long long>(v); }
inline Value ToValue(long v) { return static_cast<long long>(v); }
inline Value ToValue(long long v) { return v; }
inline Value ToValue(unsigned v) { return static_cast<long long>(v); }
inline Value ToValue(double v) { return v; }
inline Value ToValue(float v) { return static_cast<double>(v); }
inline Value ToValue(const char* v) { return std::string_view(v); }
inline Value ToValue(const std::string& v) { return std::string_view(v); }
inline Value ToValue(std::string_view v) { return v; }
}  // namespace detail

template <class... Args>
Records Format(std::string_view format, const Args&... args) {
  const Value values[] = {detail::ToValue(args)..., Value{0LL}};
  return ApplyFormat(format, std::span<const Value>(values, sizeof...(Args)));
}

// One list-directed output record, as the GNU Fortran runtime lays it out:
// integers in 12 columns, double-precision reals in 26 columns with 17
// significant digits, texts after one blank.
std::string ListDirected(std::span<const Value> values);

template <class... Args>
std::string ListRecord(const Args&... args) {
  const Value values[] = {detail::ToValue(args)..., Value{0LL}};
  return ListDirected(std::span<const Value>(values, sizeof...(Args)));
}

}  // namespace darnek::fortran
