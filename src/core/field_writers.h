// Single fields as the GNU Fortran runtime writes them: I, F, E (with the kP
// scale factor) and A, and list-directed records. A numeric field is always
// exactly w characters: right-justified, or w asterisks when the value does
// not fit. The digits are exact (core/exact_digits.h), so the text never
// depends on the C library or the process locale; the layouts themselves,
// written into a buffer, are in core/field_layout.h.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace darnek::fortran {

// A value handed to a format or a list-directed record: integer, real or text.
using Value = std::variant<long long, double, std::string_view>;

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

// A field writer may scribble this many characters past the end of its
// field (every buffer it writes into keeps the room): a few whole-word
// stores are cheaper than digit-by-digit ones, and whatever follows the
// field is written after it.
inline constexpr size_t kSlack = 32;

// Blanks, in a few overlapping wide stores rather than a call: fields are
// short (and a loop of stores would become a call to memset).
[[gnu::always_inline]] inline void FillBlanks(char* p, int n) {
  constexpr uint64_t kBlanks = 0x2020202020202020;
  if (n >= 8) {
    if (n > 32) {
      std::memset(p, ' ', static_cast<size_t>(n));
      return;
    }
    std::memcpy(p, &kBlanks, 8);
    std::memcpy(p + n - 8, &kBlanks, 8);
    if (n > 16) {
      std::memcpy(p + 8, &kBlanks, 8);
      std::memcpy(p + n - 16, &kBlanks, 8);
    }
  } else if (n >= 4) {
    std::memcpy(p, &kBlanks, 4);
    std::memcpy(p + n - 4, &kBlanks, 4);
  } else if (n >= 2) {
    std::memcpy(p, &kBlanks, 2);
    std::memcpy(p + n - 2, &kBlanks, 2);
  } else if (n == 1) {
    *p = ' ';
  }
}

// n blanks before text yet to be written (which overwrites what lands on
// it) with the slack after it: two whole-word stores for up to sixteen.
[[gnu::always_inline]] inline void LeadBlanks(char* p, int n) {
  if (n <= 16) {
    constexpr uint64_t kBlanks = 0x2020202020202020;
    std::memcpy(p, &kBlanks, 8);
    std::memcpy(p + 8, &kBlanks, 8);
  } else {
    FillBlanks(p, n);
  }
}

// Single fields appended to `out`.
void AppendI(std::string& out, int w, long long value, int m = -1);
void AppendF(std::string& out, int w, int d, double value, int scale = 0);
void AppendE(std::string& out, int w, int d, double value, int scale = 0, int e = 0);

// A record of a few fields formatted on the stack, for writers that build
// their records field by field: no string grows, and the record goes out as
// one text. A record longer
// than its room is a programming error (std::logic_error).
class FieldRecord {
 public:
  static constexpr size_t kRoom = 256;

  void Clear() { used_ = 0; }
  std::string_view Text() const { return {buffer_, used_}; }
  size_t size() const { return used_; }
  void Blanks(int n);
  void I(int w, long long value, int m = -1);
  void F(int w, int d, double value, int scale = 0);
  void E(int w, int d, double value, int scale = 0);
  // Room for a field of n characters, and the slack a field writer
  // scribbles on, for a writer of the caller's own to fill.
  [[gnu::always_inline]] char* Take(int n) {
    static_assert(sizeof buffer_ >= kRoom + kSlack);
    if (n < 0) n = 0;
    if (static_cast<size_t>(n) > kRoom - used_) Outgrown();
    char* p = buffer_ + used_;
    used_ += static_cast<size_t>(n);
    return p;
  }

 private:
  [[noreturn]] static void Outgrown();

  size_t used_ = 0;
  char buffer_[kRoom + kSlack];
};

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
