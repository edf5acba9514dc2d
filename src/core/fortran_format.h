// Fortran-style formatted output: edit descriptors I, F, E (with the kP scale
// factor), A, nX, '/', '$', repeat counts and groups. Every report, run-log and
// plot line is written through this module, so the layouts in the code read
// like the format descriptions of the report they produce, e.g.
//   Format("( / 6X 'HEIGHT OF WALL = ' F10.3 A3 )", height, label)
// The semantics (rounding, signs, field overflow, exponent width) follow the
// GNU Fortran runtime, against which the tests check them.
//
// A format is parsed once into a CompiledFormat, kept for every later use
// (FormatLookup), and then writes its fields (core/field_writers.h)
// straight into the caller's record buffer.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/field_writers.h"

namespace darnek::fortran {

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

// The formats one writer uses. Each format text is compiled on its first use
// in the process and kept in one store for every run on every thread (one
// mutex guards it); a writer takes a format from the store on its own first
// use of it and then finds it here by the address of its text, so that
// neither the store's lock (passed between the cores of a batch, it costs
// more than the writes) nor a hash of the text is taken per write. Nearly
// every format is a literal of the engine's code, at one address for good;
// the text is still compared, so a format built at run time whose address
// comes again with another text is taken from the store again.
class FormatLookup {
 public:
  const CompiledFormat& Get(std::string_view format);
  // A format that is a constant of the engine's code (FormatText): its text
  // never changes at its address, so the address and length find it.
  const CompiledFormat& GetConstant(std::string_view format);

 private:
  struct Entry {
    const char* Address = nullptr;  // of the text the writer gave
    std::string_view Text;          // the store's copy, never freed
    const CompiledFormat* Format = nullptr;
  };
  Entry& Find(const char* address);
  void Grow();

  // Open addressing on the address: a few hundred formats at most.
  std::vector<Entry> slots_;
  size_t used_ = 0;
};

struct Records {
  std::vector<std::string> Lines;
  // The format ended with '$': the last line stays open for the next write.
  bool Open = false;
};

// Applies a format to the values and collects the records (for tests and
// one-off texts; output units write through a FormatLookup instead).
Records ApplyFormat(std::string_view format, std::span<const Value> values);

template <class... Args>
Records Format(std::string_view format, const Args&... args) {
  const Value values[] = {detail::ToValue(args)..., Value{0LL}};
  return ApplyFormat(format, std::span<const Value>(values, sizeof...(Args)));
}

}  // namespace darnek::fortran
