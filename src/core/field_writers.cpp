// Single fields in the layouts of the GNU Fortran runtime: the long ways of
// the F and E fields, list-directed reals, and the fields into strings and
// records.
#include "core/field_writers.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "core/exact_digits.h"
#include "core/field_layout.h"

namespace darnek::fortran {
namespace layout {
namespace {

// The F layout of round(|x| * 10^(d+k)) (the digits) with d decimals.
template <class AnyDigits>
[[gnu::always_inline]] inline void WriteFixed(char* dst, int w, int d, const AnyDigits& digits,
                                              bool negative) {
  const int integer_digits = digits.size() - d;  // <= 0: the integer part is 0
  const bool zero_integer = integer_digits <= 0 || digits.IsZero();
  int before = zero_integer ? 1 : integer_digits;
  int length = (negative ? 1 : 0) + before + 1 + d;
  // The zero before the decimal point is optional and goes first when the
  // field is tight, unless it is the only digit.
  if (zero_integer && d > 0 && length > w) {
    before = 0;
    --length;
  }
  if (length > w) return Stars(dst, w);
  char* p = Field(dst, w, length);
  if (negative) *p = '-';
  digits.WriteWithPoint(p + length, before + d, d);
}

// The E layout: `digits` are the significant digits the scale factor asks
// for and `exponent` the decimal exponent of the first one.
template <class AnyDigits>
[[gnu::always_inline]] inline void WriteExponentForm(char* dst, int w, int scale, int e,
                                                     const AnyDigits& digits, int exponent, bool negative) {
  const int significant = digits.size();
  const int printed = exponent + 1 - scale;  // relative to the point the scale factor sets
  const int magnitude = std::abs(printed);
  const int exponent_digits = magnitude < 10 ? 1 : magnitude < 100 ? 2 : magnitude < 1000 ? 3 : 4;
  // Two exponent digits after the letter; three take the letter's place;
  // an exponent width (Ee) always keeps the letter.
  bool letter = true;
  int exponent_width = 2;
  if (e > 0) {
    if (exponent_digits > e) return Stars(dst, w);
    exponent_width = e;
  } else if (magnitude > 999) {
    return Stars(dst, w);
  } else if (magnitude > 99) {
    letter = false;
    exponent_width = 3;
  }
  // k <= 0: 0.(|k| zeros)(digits); k > 0: k digits, the point, the rest.
  const int mantissa_digits = scale <= 0 ? -scale + significant : significant;
  const int after_point = scale <= 0 ? mantissa_digits : significant - scale;
  const int exponent_length = (letter ? 2 : 1) + exponent_width;
  bool leading_zero = scale <= 0;
  int length = (negative ? 1 : 0) + (leading_zero ? 1 : 0) + mantissa_digits + 1 + exponent_length;
  if (leading_zero && length > w) {
    leading_zero = false;
    --length;
  }
  if (length > w) return Stars(dst, w);
  char* p = Field(dst, w, length);
  if (negative) *p++ = '-';
  if (leading_zero) *p++ = '0';
  p += mantissa_digits + 1;
  digits.WriteWithPoint(p, mantissa_digits, after_point);
  if (letter) *p++ = 'E';
  *p++ = printed < 0 ? '-' : '+';
  if (exponent_width == 2) {  // nearly always
    std::memcpy(p, kDigitPairs + 2 * magnitude, 2);
  } else if (exponent_width == 3 && magnitude < 1000) {  // list-directed reals, exponents past 99
    p[0] = static_cast<char>('0' + magnitude / 100);
    std::memcpy(p + 1, kDigitPairs + 2 * (magnitude % 100), 2);
  } else {
    WriteDigits(p + exponent_width, static_cast<uint64_t>(magnitude), exponent_width);
  }
}

[[gnu::noinline]] void PutWideF(char* dst, int w, int d, double value, int scale) {
  WideDigits digits;
  WideRoundedDigits(std::fabs(value), d + scale, digits);
  WriteFixed(dst, w, d, digits, std::signbit(value));
}

[[gnu::noinline]] void PutWideE(char* dst, int w, int scale, int e, double value, int significant) {
  WideDigits digits;
  int exponent = scale - 1;
  if (value != 0)
    WideSignificantDigits(std::fabs(value), significant, digits, exponent);
  else
    digits.Text().assign(static_cast<size_t>(significant), '0');
  WriteExponentForm(dst, w, scale, e, digits, exponent, std::signbit(value));
}

}  // namespace

// Infinity and NaN as the runtime writes them in a numeric field.
void PutNonFinite(char* dst, int w, double value) {
  std::string_view text;
  if (std::isnan(value)) {
    text = "NaN";
  } else if (value < 0) {
    text = w - 1 >= 8 ? "-Infinity" : "-Inf";
  } else {
    text = w >= 8 ? "Infinity" : "Inf";
  }
  if (static_cast<int>(text.size()) > w) return Stars(dst, w);
  std::memcpy(Field(dst, w, static_cast<int>(text.size())), text.data(), text.size());
}

void PutAnyF(char* dst, int w, int d, double value, int scale) {
  if (!std::isfinite(value)) return PutNonFinite(dst, w, value);
  if (d < 0) d = 0;
  // A scale factor moves the decimal point of the exact decimal expansion
  // rather than multiplying, so kP rounds (and never overflows) as the
  // runtime does: the field shows round(|x| * 10^(d+k)) with d decimals.
  Digits digits;
  if (RoundedDigits(std::fabs(value), d + scale, digits))
    return WriteFixed(dst, w, d, digits, std::signbit(value));
  PutWideF(dst, w, d, value, scale);
}

void PutAnyE(char* dst, int w, int d, double value, int scale, int e) {
  if (!std::isfinite(value)) return PutNonFinite(dst, w, value);
  // With scale factor k: k <= 0 gives 0.(|k| zeros)(d+k digits); k > 0 gives
  // k digits before the point and d-k+1 after.
  if (scale <= -d || scale >= d + 2) return Stars(dst, w);
  const int significant = scale <= 0 ? d + scale : d + 1;
  // Zero prints its exponent as 0.
  Digits digits{0, significant};
  int exponent = scale - 1;
  if (value != 0 ? SignificantDigits(std::fabs(value), significant, digits, exponent) : significant <= 19) {
    if (ShortExponentForm(dst, w, scale, e, digits, exponent, std::signbit(value))) return;
    return WriteExponentForm(dst, w, scale, e, digits, exponent, std::signbit(value));
  }
  PutWideE(dst, w, scale, e, value, significant);
}

}  // namespace layout

namespace {

using namespace layout;

// Room for n more characters at the end of `out`, with the slack a field
// writer needs.
template <class Put>
void AppendField(std::string& out, size_t n, const Put& put) {
  const size_t at = out.size();
  out.resize(at + n + kSlack);
  put(out.data() + at);
  out.resize(at + n);
}

template <class AnyDigits>
void PutListRealDigits(char* dst, double value, const AnyDigits& digits, int exponent) {
  constexpr int kDigits = 17;
  if (exponent >= -1 && exponent < kDigits) {
    // F20.(16 - exponent) rounds at the same place: the same digits.
    WriteFixed(dst, 20, kDigits - 1 - exponent, digits, std::signbit(value));
    FillBlanks(dst + 20, 5);
    return;
  }
  WriteExponentForm(dst, 25, 1, 3, digits, exponent, std::signbit(value));
}

// G editing of list-directed output for double precision: 17 significant
// digits in a field of 25, fixed form for 0.1 <= |x| < 1e17 (with the four
// columns of the absent exponent left blank), exponent form otherwise.
void PutListReal(char* dst, double value) {
  constexpr int kWidth = 25;
  if (!std::isfinite(value)) return PutNonFinite(dst, kWidth, value);
  constexpr int kDigits = 17;
  const double magnitude = std::fabs(value);
  if (magnitude == 0) {
    PutF(dst, 20, kDigits - 1, value, 0);
    FillBlanks(dst + 20, 5);
    return;
  }
  Digits digits;
  int exponent = 0;
  if (SignificantDigits(magnitude, kDigits, digits, exponent))
    return PutListRealDigits(dst, value, digits, exponent);
  WideDigits wide;
  WideSignificantDigits(magnitude, kDigits, wide, exponent);
  PutListRealDigits(dst, value, wide, exponent);
}

}  // namespace

// ------------------------------------------------------------------ fields into strings

void AppendI(std::string& out, int w, long long value, int m) {
  if (w > 0) AppendField(out, static_cast<size_t>(w), [&](char* dst) { PutI(dst, w, value, m); });
}

void AppendF(std::string& out, int w, int d, double value, int scale) {
  if (w > 0) AppendField(out, static_cast<size_t>(w), [&](char* dst) { PutF(dst, w, d, value, scale); });
}

void AppendE(std::string& out, int w, int d, double value, int scale, int e) {
  if (w > 0) AppendField(out, static_cast<size_t>(w), [&](char* dst) { PutE(dst, w, d, value, scale, e); });
}

[[gnu::cold, gnu::noinline]] void FieldRecord::Outgrown() {
  throw std::logic_error("a field record outgrows its room");
}

void FieldRecord::Blanks(int n) {
  if (n > 0) LeadBlanks(Take(n), n);
}

void FieldRecord::I(int w, long long value, int m) { PutI(Take(w), w, value, m); }

void FieldRecord::F(int w, int d, double value, int scale) { PutF(Take(w), w, d, value, scale); }

void FieldRecord::E(int w, int d, double value, int scale) { PutE(Take(w), w, d, value, scale); }

// ------------------------------------------------------------ list-directed

void AppendListDirected(std::string& out, std::span<const Value> values) {
  char field[26 + kSlack];
  for (const Value& v : values) {
    if (auto i = std::get_if<long long>(&v)) {
      PutI(field, 12, *i, -1);
      out.append(field, 12);
    } else if (auto d = std::get_if<double>(&v)) {
      field[0] = ' ';
      PutListReal(field + 1, *d);
      out.append(field, 26);
    } else {
      out += ' ';
      out += std::get<std::string_view>(v);
    }
  }
}

std::string ListDirected(std::span<const Value> values) {
  std::string line;
  AppendListDirected(line, values);
  return line;
}

}  // namespace darnek::fortran
