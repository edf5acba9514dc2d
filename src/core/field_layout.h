// The layouts of the I, F, E and A fields, written into a buffer at `dst`:
// the short ways that nearly every field of the report takes, inline for the
// format runner and the field writers; the rest (core/field_writers.cpp) out
// of line. A numeric field is always exactly w characters (nothing when
// w <= 0), right-justified, or w asterisks when the value does not fit; a
// writer may scribble up to kSlack characters past the field.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/exact_digits.h"
#include "core/field_writers.h"
#include "core/plain_text.h"

namespace darnek::fortran::layout {

using namespace digits;

inline void Fill(char* p, int n, char c) {
  if (n > 0) std::memset(p, c, static_cast<size_t>(n));
}

inline void Stars(char* dst, int w) { Fill(dst, w, '*'); }

// Blanks the first w - length characters of a field and returns where the
// last `length` (<= w) begin, for the caller to fill.
[[gnu::always_inline]] inline char* Field(char* dst, int w, int length) {
  LeadBlanks(dst, w - length);
  return dst + (w - length);
}

// Infinity and NaN as the runtime writes them in a numeric field.
void PutNonFinite(char* dst, int w, double value);

// The F and E fields the short ways do not settle.
[[gnu::noinline]] void PutAnyF(char* dst, int w, int d, double value, int scale);
[[gnu::noinline]] void PutAnyE(char* dst, int w, int d, double value, int scale, int e);

// "E-99" to "E+99", the exponents of the short E field, as 4-byte words.
inline constexpr auto kExponentTexts = [] {
  std::array<uint32_t, 199> texts{};
  for (int printed = -99; printed <= 99; ++printed) {
    const int magnitude = printed < 0 ? -printed : printed;
    const uint32_t sign = printed < 0 ? '-' : '+';
    texts[static_cast<size_t>(printed + 99)] = 'E' | sign << 8 |
                                               static_cast<uint32_t>('0' + magnitude / 10) << 16 |
                                               static_cast<uint32_t>('0' + magnitude % 10) << 24;
  }
  return texts;
}();

// The E field nearly every report line has (scale factor 0 or 1, no
// exponent width, at most eight digits, a two-digit exponent, room enough)
// in a few whole-word stores, as WriteExponentForm lays it out; false
// leaves the field to WriteExponentForm.
[[gnu::always_inline]] inline bool ShortExponentForm(char* dst, int w, int scale, int e, const Digits& digits,
                                                     int exponent, bool negative) {
  const int significant = digits.Count;
  const int printed = exponent + 1 - scale;
  if (e != 0 || (scale != 0 && scale != 1) || significant > 8 || printed <= -100 || printed >= 100)
    return false;
  bool leading_zero = scale == 0;
  int length = (negative ? 1 : 0) + (leading_zero ? 1 : 0) + significant + 1 + 4;
  if (leading_zero && length > w) {
    leading_zero = false;
    --length;
  }
  if (length > w) return false;
  char* p = Field(dst, w, length);
  if (negative) *p++ = '-';
  const uint64_t word = LastDigits(static_cast<uint32_t>(digits.Value), significant);
  if (scale == 1) {  // d.ddd
    Store8(p + 1, word);
    p[0] = p[1];
    p[1] = '.';
  } else {  // 0.dddd
    if (leading_zero) *p++ = '0';
    *p = '.';
    Store8(p + 1, word);
  }
  p += significant + 1;
  std::memcpy(p, &kExponentTexts[static_cast<size_t>(printed + 99)], 4);
  return true;
}

// The F field of round(|x| * 10^(d+k)) = r with d decimals in the short way
// nearly every field of the report takes (at most eight digits, room
// enough), as WriteFixed lays it out; false leaves the field to the general
// way.
[[gnu::always_inline]] inline bool ShortFixedForm(char* dst, int w, int d, uint64_t r, bool negative) {
  const int integer_digits = DigitCount(r) - d;
  const bool zero_integer = integer_digits <= 0 || r == 0;
  int before = zero_integer ? 1 : integer_digits;
  int length = (negative ? 1 : 0) + before + 1 + d;
  if (zero_integer && d > 0 && length > w) {
    before = 0;
    --length;
  }
  if (length > w || before + d > 8) return false;
  char* p = Field(dst, w, length);
  if (negative) *p = '-';
  // Zero is a good share of the fields (unloaded stations, empty columns):
  // its digits need no splitting.
  const int count = before + d;
  const uint64_t word =
      r == 0 ? 0x3030303030303030 >> (8 * (8 - count)) : LastDigits(static_cast<uint32_t>(r), count);
  char* q = p + length - count - 1;
  Store8(q, word);
  if (d > 0) Store8(q + before + 1, word >> (8 * before));
  q[before] = '.';
  return true;
}

// Nearly every F field of the report has its rounding settled by one
// product and takes the short way; the rest take the general one, out of
// line.
[[gnu::always_inline]] inline void PutF(char* dst, int w, int d, double value, int scale = 0) {
  uint64_t r = 0;
  // QuickScaledRound is false for Inf and NaN.
  if (d >= 0 && QuickScaledRound(std::fabs(value), d + scale, r) &&
      ShortFixedForm(dst, w, d, r, std::signbit(value)))
    return;
  PutAnyF(dst, w, d, value, scale);
}

// Nearly every E field of the report (scale factor 0 or 1, at most eight
// digits, no exponent width) takes the short way; the rest take the
// general one, out of line.
[[gnu::always_inline]] inline void PutE(char* dst, int w, int d, double value, int scale = 0, int e = 0) {
  const int significant = scale == 0 ? d : d + 1;
  if (e == 0 && (scale == 0 || scale == 1) && significant >= 1 && significant <= 8) {
    Digits digits;
    int exponent = 0;
    if (FirstGuessDigits(std::fabs(value), significant, digits, exponent) &&
        ShortExponentForm(dst, w, scale, e, digits, exponent, std::signbit(value)))
      return;
  }
  PutAnyE(dst, w, d, value, scale, e);
}

// The characters an A field writes.
inline size_t AWidth(std::string_view text, int w) { return w < 0 ? text.size() : static_cast<size_t>(w); }

inline void PutA(char* dst, std::string_view text, int w) {
  if (w < 0) {
    std::memcpy(dst, text.data(), text.size());
  } else if (static_cast<int>(text.size()) >= w) {
    // The leftmost w bytes, less a character they would cut, then blanks.
    const size_t kept = CharacterCut(text, static_cast<size_t>(w));
    std::memcpy(dst, text.data(), kept);
    FillBlanks(dst + kept, w - static_cast<int>(kept));
  } else {
    const int blanks = w - static_cast<int>(text.size());
    FillBlanks(dst, blanks);
    std::memcpy(dst + blanks, text.data(), text.size());
  }
}

inline void PutI(char* dst, int w, long long value, int m) {
  const uint64_t magnitude =
      value < 0 ? uint64_t{0} - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  const int size = (m == 0 && value == 0) ? 0 : DigitCount(magnitude);
  const int digits = std::max(size, m);  // m forces leading zeros
  const int length = (value < 0 ? 1 : 0) + digits;
  if (length > w) return Stars(dst, w);
  char* p = Field(dst, w, length);
  if (value < 0) *p++ = '-';
  if (digits >= 1 && digits <= 8)  // nearly always: one word, scribbling past the field
    Store8(p, LastDigits(static_cast<uint32_t>(magnitude), digits));
  else
    WriteDigits(p + digits, magnitude, digits);
}

}  // namespace darnek::fortran::layout
