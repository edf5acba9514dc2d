// Fortran-style formatted output: edit descriptors I, F, E (with the kP scale
// factor), A, nX, '/', '$', repeat counts and groups. Every report, run-log and
// plot line is written through this module, so the layouts in the code read
// like the format descriptions of the report they produce, e.g.
//   Format("( / 6X 'HEIGHT OF WALL = ' F10.3 A3 )", height, label)
// The semantics (rounding, signs, field overflow, exponent width) follow the
// GNU Fortran runtime, against which the tests check them.
//
// A format is parsed once into a CompiledFormat (CompiledFormatFor keeps them)
// and then writes its fields straight into the caller's record
// buffer; digits come from exact integer arithmetic on the binary value, so
// the output never depends on the C library or the process locale.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace darnek::fortran {

// Single fields, appended to `out`. A numeric field is always exactly w
// characters: right-justified, or w asterisks when the value does not fit.
void AppendI(std::string& out, int w, long long value, int m = -1);
void AppendF(std::string& out, int w, int d, double value, int scale = 0);
void AppendE(std::string& out, int w, int d, double value, int scale = 0, int e = 0);
void AppendA(std::string& out, std::string_view text, int w = -1);

// F and E fields (the latter without an exponent width) that also give the
// value a reader of the field gets back, the same double reading its text
// gives, when the digits settle it: true then. False when the text must be
// read (asterisks, a non-finite value, digits or a power of ten too wide).
bool AppendFReadBack(std::string& out, int w, int d, double value, int scale, double& read);
bool AppendEReadBack(std::string& out, int w, int d, double value, int scale, double& read);

// The same fields as strings.
std::string EditI(int w, long long value, int m = -1);
std::string EditF(int w, int d, double value, int scale = 0);
std::string EditE(int w, int d, double value, int scale = 0, int e = 0);
std::string EditA(std::string_view text, int w = -1);

// A record of a few fields formatted on the stack, for writers that build
// their records field by field (and take the values back from the digits):
// no string grows, and the record goes out as one text. A record longer
// than its room is a programming error (std::logic_error).
class FieldRecord {
 public:
  static constexpr size_t kRoom = 256;

  void Clear() { used_ = 0; }
  std::string_view Text() const { return {buffer_, used_}; }
  size_t size() const { return used_; }
  void Blanks(int n);
  void I(int w, long long value, int m = -1);
  // As AppendFReadBack and AppendEReadBack.
  bool F(int w, int d, double value, int scale, double& read);
  bool E(int w, int d, double value, int scale, double& read);

 private:
  // Room for n characters and the slack a field writer scribbles on.
  char* Take(int n);

  size_t used_ = 0;
  char buffer_[kRoom + 32];
};

// A value handed to a format: integer, real or text.
using Value = std::variant<long long, double, std::string_view>;

// Where a running format hands each record it completes.
class RecordSink {
 public:
  // A finished record, valid for the call only.
  virtual void Complete(std::string_view record) = 0;

 protected:
  ~RecordSink() = default;
};

// A format (the text of a Fortran FORMAT) parsed once. Descriptors may be
// separated by commas or blanks. Output stops at the first data descriptor for
// which no value is left (literals and positioning before it are still
// written); when the format is exhausted with values left, it reverts to its
// last top-level group (or its start) on a new record. A malformed format, or
// a value of the wrong kind for its descriptor, throws std::logic_error: that
// is a programming error.
class CompiledFormat {
 public:
  explicit CompiledFormat(std::string_view format);

  // Appends the output to `line`, which may already hold the open record of
  // an earlier write, and hands every completed record to `sink`. Returns
  // true when the format ended with '$': the last record stays open in
  // `line`; otherwise it has been handed to the sink as well.
  bool Run(std::span<const Value> values, std::string& line, RecordSink& sink) const;

  // One step of a format, with its groups and repeat counts unrolled, so that
  // a run walks a flat list: the blanks of nX before a field or a literal are
  // part of it, and neighbouring literals are one text.
  enum class OpKind : uint8_t { Literal, X, Slash, Dollar, Colon, Scale, I, F, E, A };
  struct Op {
    OpKind Kind = OpKind::Literal;
    int W = -1, D = -1, E = 0, M = -1;
    int Lead = 0;                 // blanks of nX written before the field, when it is written
    uint32_t Text = 0, Size = 0;  // a literal's text in texts_
  };

 private:
  std::vector<Op> ops_;
  std::string texts_;
  // Reversion restarts here: the last top-level group, or the start.
  size_t revert_at_ = 0;
};

// The compiled form of `format`, compiled on its first use in the process and
// kept for every later use, by every run on every thread.
const CompiledFormat& CompiledFormatFor(std::string_view format);

struct Records {
  std::vector<std::string> Lines;
  // The format ended with '$': the last line stays open for the next write.
  bool Open = false;
};

// Applies a format to the values and collects the records (for tests and
// one-off texts; output units write through CompiledFormatFor instead).
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
void AppendListDirected(std::string& out, std::span<const Value> values);
std::string ListDirected(std::span<const Value> values);

template <class... Args>
std::string ListRecord(const Args&... args) {
  const Value values[] = {detail::ToValue(args)..., Value{0LL}};
  return ListDirected(std::span<const Value>(values, sizeof...(Args)));
}

}  // namespace darnek::fortran
