// Exact decimal digits of binary doubles, for the field writers: the digits
// of round(|x| * 10^p), ties to even, or the n significant digits of |x| and
// the exponent of the first, and their characters written a word at a time.
//
// The GNU Fortran runtime rounds a decimal field to nearest, ties to even, on
// the exact binary value. A double is m * 2^e with an integer m below 2^53, so
// the rounded field R = round(|x| * 10^p) is an integer computation: exact in
// 128 bits for every field the report writes. The rare value outside that
// range (more than 19 digits, or a very small number asked for many decimals)
// takes std::to_chars with a precision, which rounds the same way (as does
// every field on a compiler without 128-bit integers). One rounded product
// settles nearly every field first; the exact computation decides the rest.
#pragma once

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace darnek::fortran::digits {

#if defined(__SIZEOF_INT128__) && !defined(DARNEK_NO_INT128)
#define DARNEK_HAVE_INT128 1
__extension__ typedef unsigned __int128 Uint128;
#endif

inline constexpr auto kPow10 = [] {
  std::array<uint64_t, 20> powers{};
  powers[0] = 1;
  for (size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 10;
  return powers;
}();

// The powers of ten a double holds exactly.
inline constexpr auto kExactPowers = [] {
  std::array<double, 23> powers{};
  powers[0] = 1;
  for (size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 10;
  return powers;
}();

// 10^p for |p| <= 22 at kScales[p + 22], each the nearest double: exact for
// p >= 0, within 2^-53 relative of the true power below.
inline constexpr auto kScales = [] {
  std::array<double, 45> scales{};
  for (size_t j = 0; j <= 22; ++j) {
    scales[22 + j] = kExactPowers[j];
    scales[22 - j] = 1 / kExactPowers[j];  // one rounding of an exact quotient
  }
  return scales;
}();

// round(|x| * 10^p), ties to even, from one rounded multiplication when that
// settles it, which it does for nearly every field: the product (with the
// rounding of a negative power) is within 2^-52 of the exact one relative to
// it, so both round alike unless the product lies that close to a half.
// Multiplying by a rounded reciprocal rather than dividing keeps the long
// division off the path. Returns false when the product is that close, or
// out of range; the exact computation decides then.
[[gnu::always_inline]] inline bool QuickScaledRound(double magnitude, int p, uint64_t& out) {
  if (p > 22 || p < -22) return false;
  const double y = magnitude * kScales[static_cast<size_t>(p + 22)];
  if (y < 0.25) {  // far below a half, however tiny the value
    out = 0;
    return true;
  }
  if (!(y < 0x1p52)) return false;  // no fraction left to judge by
  const uint64_t whole = static_cast<uint64_t>(y);
  const double fraction = y - static_cast<double>(whole);  // exact
  if (std::fabs(fraction - 0.5) <= y * 0x1p-51) return false;
  out = whole + (fraction > 0.5 ? 1 : 0);
  return true;
}

inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes exactly `count` digits of v (with leading zeros) ending at `end`.
template <class Unsigned>
void WriteDigitsOf(char* end, Unsigned v, int count) {
  for (; count >= 2; count -= 2) {
    end -= 2;
    std::memcpy(end, kDigitPairs + 2 * (v % 100), 2);
    v /= 100;
  }
  if (count == 1) *--end = static_cast<char>('0' + v % 10);
}

// Most fields hold fewer than ten digits, and 32-bit division by a constant
// is the cheaper one.
inline void WriteDigits(char* end, uint64_t v, int count) {
  if (v <= UINT32_MAX)
    WriteDigitsOf(end, static_cast<uint32_t>(v), count);
  else
    WriteDigitsOf(end, v, count);
}

inline int DigitCount(uint64_t v) {
  v |= 1;                                          // the same count, and 0 has one digit
  const int t = (std::bit_width(v) * 1233) >> 12;  // log10 estimate, at most one high
  return t + 1 - (v < kPow10[t] ? 1 : 0);
}

// Writes `count` digits of v (leading zeros as needed) ending at `end`, with
// a point before the last `after` of them; returns where they start.
template <class Unsigned>
char* WriteDigitsWithPointOf(char* end, Unsigned v, int count, int after) {
  char* p = end;
  int rest = after;
  for (; rest >= 2; rest -= 2) {
    p -= 2;
    std::memcpy(p, kDigitPairs + 2 * (v % 100), 2);
    v /= 100;
  }
  if (rest == 1) {
    *--p = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  *--p = '.';
  const int before = count - after;
  WriteDigitsOf(p, v, before);
  return p - before;
}

// The eight decimal digits of v < 10^8 (leading zeros included) as the
// characters of one little-endian word, first digit in the lowest byte: the
// halves, then the pairs of each, then the digits of each pair are split
// all at once by multiplying by reciprocals, in lanes too wide to spill.
[[gnu::always_inline]] inline uint64_t EightDigits(uint32_t v) {
  const uint64_t merged = (v / 10000) | (uint64_t{v % 10000} << 32);
  const uint64_t hundreds = ((merged * 10486) >> 20) & ((uint64_t{0x7f} << 32) | 0x7f);
  const uint64_t pairs = hundreds | ((merged - 100 * hundreds) << 16);
  const uint64_t tens = ((pairs * 103) >> 10) & 0x000f000f000f000f;
  return (tens | ((pairs - 10 * tens) << 8)) | 0x3030303030303030;
}

// The same for four digits, v < 10^4, in the low half: a shorter chain of
// multiplications than EightDigits, for the short fields most reports have.
[[gnu::always_inline]] inline uint64_t FourDigits(uint32_t v) {
  const uint64_t hundreds = (uint64_t{v} * 10486) >> 20;
  const uint64_t pairs = hundreds | ((v - 100 * hundreds) << 16);
  const uint64_t tens = ((pairs * 103) >> 10) & 0x000f000f;
  return (tens | ((pairs - 10 * tens) << 8)) | 0x30303030;
}

// The last `count` <= 8 digits of v < 10^count, first digit in the lowest
// byte (the bytes above them are zeros).
[[gnu::always_inline]] inline uint64_t LastDigits(uint32_t v, int count) {
  if (count <= 4) return FourDigits(v) >> (8 * (4 - count));
  return EightDigits(v) >> (8 * (8 - count));
}

[[gnu::always_inline]] inline void Store8(char* p, uint64_t word) { std::memcpy(p, &word, 8); }

// Writes `count` digits of v < 10^count, the way WriteDigitsWithPointOf
// does, overwriting up to 24 characters past `end` (every field buffer
// keeps that room).
[[gnu::always_inline]] inline char* WriteDigitsWithPoint(char* end, uint64_t v, int count, int after) {
  char* p = end - count - 1;
  const int before = count - after;
  if (count <= 8 && v < 100000000) {
    const uint64_t word = EightDigits(static_cast<uint32_t>(v));
    Store8(p, word >> (8 * (8 - count)));
    if (after > 0) Store8(p + before + 1, word >> (8 * (8 - after)));
    p[before] = '.';
    return p;
  }
  if (count <= 24) {
    // Every uint64_t has at most 20 digits: three words hold them all.
    char digits[24 + 24];
    // A list-directed real has 17 digits: the first needs no splitting.
    const uint64_t top = v / 10000000000000000;
    Store8(digits, top < 10 ? 0x3030303030303030 | (top << 56) : EightDigits(static_cast<uint32_t>(top)));
    Store8(digits + 8, EightDigits(static_cast<uint32_t>(v / 100000000 % 100000000)));
    Store8(digits + 16, EightDigits(static_cast<uint32_t>(v % 100000000)));
    const char* first = digits + 24 - count;
    std::memcpy(p, first, 24);
    std::memcpy(p + before + 1, first + before, 24);
    p[before] = '.';
    return p;
  }
  return WriteDigitsWithPointOf(end, v, count, after);
}

// The decimal digits of a rounded field as one 64-bit integer, as every
// field the report writes has them, written straight into the field.
struct Digits {
  uint64_t Value = 0;
  int Count = 0;

  int size() const { return Count; }
  // The rounded value is zero.
  bool IsZero() const { return Value == 0; }
  // Writes the last `count` digits, with zeros before the first one as
  // needed, ending at `end`, and a point before the last `after` of them.
  [[gnu::always_inline]] void WriteWithPoint(char* end, int count, int after) const {
    WriteDigitsWithPoint(end, Value, count, after);
  }
};

// The digits of a rarer, wider field as exact decimal text, without leading
// zeros; the same interface as Digits.
class WideDigits {
 public:
  std::string& Text() { return text_; }
  int size() const { return static_cast<int>(text_.size()); }
  bool IsZero() const { return text_ == "0"; }
  void WriteWithPoint(char* end, int count, int after) const {
    const int size = this->size();
    char* p = end;
    for (int i = 0; i < count; ++i) {
      if (i == after) *--p = '.';
      *--p = i < size ? text_[static_cast<size_t>(size - 1 - i)] : '0';
    }
    if (after == count) *--p = '.';
  }

 private:
  std::string text_;
};

// round(|x| * 10^p), ties to even, for a finite |x| > 0 when the result fits
// in 64 bits; false when it does not.
bool ScaledRound(double magnitude, int p, uint64_t& out);

// The digits of round(|x| * 10^p), without leading zeros ("0" for zero).
void WideRoundedDigits(double magnitude, int p, WideDigits& digits);

// The n significant digits of |x| > 0, rounded, and the decimal exponent of
// the first one, as exact text.
void WideSignificantDigits(double magnitude, int n, WideDigits& digits, int& exponent);

// The digits of round(|x| * 10^p) when they fit in 64 bits.
[[gnu::always_inline]] inline bool RoundedDigits(double magnitude, int p, Digits& digits) {
  uint64_t r = 0;
  if (magnitude != 0 && !QuickScaledRound(magnitude, p, r) && !ScaledRound(magnitude, p, r)) return false;
  digits = {r, DigitCount(r)};
  return true;
}

#if DARNEK_HAVE_INT128
// 5^p for p <= 32: times a mantissa below 2^53, below 2^128.
inline constexpr auto kFivePowers = [] {
  std::array<Uint128, 33> powers{};
  powers[0] = 1;
  for (size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 5;
  return powers;
}();
#endif

// ScaledRound for |x| > 0, with the case of the 17 digits of a list-directed
// real inline: a normal value m * 2^-e, and 0 <= p <= 32. As 10^p = 5^p * 2^p,
// m * 10^p * 2^-e is m * 5^p (below 2^128) shifted right by s = e - p places;
// when 0 < s < 128 the shift rounds half to even on what it shifts out. The
// power of two taken into the shift lets values down to about 1e-16 keep all
// 17 digits in 128 bits.
[[gnu::always_inline]] inline bool ExactScaledRound(double magnitude, int p, uint64_t& out) {
#if DARNEK_HAVE_INT128
  const uint64_t bits = std::bit_cast<uint64_t>(magnitude);
  const int biased = static_cast<int>(bits >> 52);
  // The value is m * 2^-(1075 - biased); the 2^p of 10^p comes off that shift.
  const int s = 1075 - biased - p;
  if (biased != 0 && p >= 0 && p <= 32 && s > 0 && s < 128) {
    const uint64_t m = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
    const Uint128 n = kFivePowers[static_cast<size_t>(p)] * m;
    const Uint128 q = n >> s;
    // The bits shifted out, at the top: a half is the top bit alone.
    const Uint128 dropped = n << (128 - s);
    const Uint128 half = Uint128{1} << 127;
    if ((q >> 64) != 0 || static_cast<uint64_t>(q) == UINT64_MAX) return false;
    out = static_cast<uint64_t>(q) + ((dropped > half || (dropped == half && (q & 1))) ? 1 : 0);
    return true;
  }
#endif
  return ScaledRound(magnitude, p, out);
}

// 10^k as doubles, for the first guess of a decimal exponent.
inline constexpr int kFirstPower = -30;
inline constexpr int kLastPower = 30;
inline constexpr auto kPowers = [] {
  std::array<double, kLastPower - kFirstPower + 1> powers{};
  for (int k = kFirstPower; k <= kLastPower; ++k) {
    double p = 1;
    for (int i = 0; i < (k < 0 ? -k : k); ++i) p *= 10;
    powers[static_cast<size_t>(k - kFirstPower)] = k < 0 ? 1 / p : p;
  }
  return powers;
}();

// n significant digits of |x| > 0, rounded, and the decimal exponent of the
// first one; false when they do not fit in 64 bits (WideSignificantDigits
// gives them then).
[[gnu::always_inline]] inline bool SignificantDigits(double magnitude, int n, Digits& digits, int& exponent) {
  if (n <= 18) {
    // The power of two of the leading bit (subnormals have fewer bits).
    const uint64_t bits = std::bit_cast<uint64_t>(magnitude);
    const int biased = static_cast<int>(bits >> 52);
    const int binary_exponent =
        biased != 0 ? biased - 1023
                    : -1075 + static_cast<int>(std::bit_width(bits & ((uint64_t{1} << 52) - 1)));
    // floor(binary_exponent * log10 2) is floor(log10 |x|) or one less;
    // a power of ten settles most cases, the loop the rest (and a rounding
    // that carries into an extra digit).
    int k = (binary_exponent * 78913) >> 18;
    if (k + 1 >= kFirstPower && k + 1 <= kLastPower && magnitude >= kPowers[k + 1 - kFirstPower]) ++k;
    for (int attempt = 0; attempt < 4; ++attempt) {
      uint64_t r = 0;
      // Sixteen digits and more are past what one rounded product settles.
      if ((n > 15 || !QuickScaledRound(magnitude, n - 1 - k, r)) &&
          !ExactScaledRound(magnitude, n - 1 - k, r))
        break;
      if (r >= kPow10[n]) {
        ++k;
      } else if (r < kPow10[n - 1]) {
        --k;
      } else {
        digits = {r, n};
        exponent = k;
        return true;
      }
    }
  }
  return false;
}

// The first guess of SignificantDigits alone, for the common field: a
// normal value in the range of kPowers whose n <= 8 digits one rounded
// product settles with the exponent guessed right. False leaves the value
// to SignificantDigits, which starts with the same guess and gives the
// same digits when it holds.
[[gnu::always_inline]] inline bool FirstGuessDigits(double magnitude, int n, Digits& digits, int& exponent) {
  const uint64_t bits = std::bit_cast<uint64_t>(magnitude);
  const int biased = static_cast<int>(bits >> 52);
  if (biased == 0 || biased == 0x7ff) return false;  // zero, subnormal, not finite
  int k = ((biased - 1023) * 78913) >> 18;
  if (k < kFirstPower || k + 1 > kLastPower) return false;
  if (magnitude >= kPowers[k + 1 - kFirstPower]) ++k;
  // k is floor(log10 |x|) or one more (a power of ten a double holds only
  // rounded down), so 10^(n-2) <= y < 10^n, bar the rounding of the
  // product: a whole part a signed conversion takes, and a fraction to
  // judge by. The rest is QuickScaledRound.
  const int p = n - 1 - k;
  if (p > 22 || p < -22) return false;
  const double y = magnitude * kScales[static_cast<size_t>(p + 22)];
  const int64_t whole = static_cast<int64_t>(y);
  const double fraction = y - static_cast<double>(whole);  // exact
  if (std::fabs(fraction - 0.5) <= y * 0x1p-51) return false;
  const uint64_t r = static_cast<uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
  if (r < kPow10[n - 1] || r >= kPow10[n]) return false;
  digits = {r, n};
  exponent = k;
  return true;
}

}  // namespace darnek::fortran::digits
