// Fortran-style formatted output, following the GNU Fortran runtime.
#include "core/fortran_format.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

namespace darnek::fortran {
namespace {

// ------------------------------------------------------------------ digits
//
// The runtime rounds a decimal field to nearest, ties to even, on the exact
// binary value. A double is m * 2^e with an integer m below 2^53, so the
// rounded field R = round(|x| * 10^p) is an integer computation: exact in 128
// bits for every field the report writes. The rare value outside that range
// (more than 19 digits, or a very small number asked for many decimals) takes
// std::to_chars with a precision, which rounds the same way (as does every
// field on a compiler without 128-bit integers).

#if defined(__SIZEOF_INT128__) && !defined(DARNEK_NO_INT128)
#define DARNEK_HAVE_INT128 1
__extension__ typedef unsigned __int128 Uint128;
#endif

constexpr auto kPow10 = [] {
  std::array<uint64_t, 20> powers{};
  powers[0] = 1;
  for (size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 10;
  return powers;
}();

// |x| = mantissa * 2^exponent with an odd mantissa (x finite, not zero).
struct Binary {
  uint64_t Mantissa;
  int Exponent;
};

Binary Decompose(double magnitude) {
  const uint64_t bits = std::bit_cast<uint64_t>(magnitude);
  const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  Binary b = biased == 0 ? Binary{fraction, -1074} : Binary{fraction | (uint64_t{1} << 52), biased - 1075};
  const int zeros = std::countr_zero(b.Mantissa);
  b.Mantissa >>= zeros;
  b.Exponent += zeros;
  return b;
}

// Rounds the quotient q (remainder dropped) to nearest, ties to even;
// `remainder_vs_half` is +1, 0 or -1 as the remainder is above, at or below
// half the divisor.
template <class T>
T RoundQuotient(T q, int remainder_vs_half) {
  if (remainder_vs_half > 0 || (remainder_vs_half == 0 && (q & 1))) ++q;
  return q;
}

// round(m * 2^e * 10^p), ties to even, when the result fits in 64 bits.
bool ScaledRound(Binary b, int p, uint64_t& out) {
  const uint64_t m = b.Mantissa;
  const int e = b.Exponent;
  if (p >= 0) {
#if DARNEK_HAVE_INT128
    if (p > 22) return false;  // m * 10^p < 2^53 * 2^74 = 2^127 up to here
    Uint128 pow = kPow10[std::min(p, 19)];
    for (int i = 19; i < p; ++i) pow *= 10;
    const Uint128 n = pow * m;
    if (e >= 0) {
      if (e >= 64 || (n >> (64 - e)) != 0) return false;
      out = static_cast<uint64_t>(n << e);
      return true;
    }
    const int s = -e;
    if (s >= 128) {  // n < 2^127 <= half of 2^s
      out = 0;
      return true;
    }
    Uint128 q = n >> s;
    const Uint128 remainder = n - (q << s);
    const Uint128 half = Uint128{1} << (s - 1);
    q = RoundQuotient(q, remainder > half ? 1 : remainder == half ? 0 : -1);
    if ((q >> 64) != 0) return false;
    out = static_cast<uint64_t>(q);
    return true;
#else
    return false;
#endif
  }
  const int j = -p;
  if (e >= 0) {
    if (std::bit_width(m) + e > 64) return false;
    const uint64_t n = m << e;
    if (j >= 20) {  // n < 2^64 < half of 10^20
      out = 0;
      return true;
    }
    const uint64_t divisor = kPow10[j];
    const uint64_t remainder = n % divisor;
    const uint64_t rest = divisor - remainder;
    out = RoundQuotient(n / divisor, remainder > rest ? 1 : remainder == rest ? 0 : -1);
    return true;
  }
  // m / (2^s * 10^j): when the divisor passes 2^64 it exceeds 2m, and the
  // quotient rounds to 0.
  const int s = -e;
  if (j >= 20 || s >= 64) {
    out = 0;
    return true;
  }
  if (kPow10[j] > (UINT64_MAX >> s)) {
    out = 0;
    return true;
  }
  const uint64_t divisor = kPow10[j] << s;
  const uint64_t remainder = m % divisor;
  const uint64_t rest = divisor - remainder;
  out = RoundQuotient(m / divisor, remainder > rest ? 1 : remainder == rest ? 0 : -1);
  return true;
}

// The powers of ten a double holds exactly.
constexpr auto kExactPowers = [] {
  std::array<double, 23> powers{};
  powers[0] = 1;
  for (size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 10;
  return powers;
}();

// 10^p for |p| <= 22 at kScales[p + 22], each the nearest double: exact for
// p >= 0, within 2^-53 relative of the true power below.
constexpr auto kScales = [] {
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

constexpr char kDigitPairs[] =
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
void WriteDigits(char* end, uint64_t v, int count) {
  if (v <= UINT32_MAX)
    WriteDigitsOf(end, static_cast<uint32_t>(v), count);
  else
    WriteDigitsOf(end, v, count);
}

int DigitCount(uint64_t v) {
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

// A field writer may scribble this many characters past the end of its
// field (every buffer it writes into keeps the room): a few whole-word
// stores are cheaper than digit-by-digit ones, and whatever follows the
// field is written after it.
constexpr size_t kSlack = 32;

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
// does, overwriting up to kSlack characters past `end`.
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
  // The digits as one integer.
  bool Narrow(uint64_t& v) const {
    v = Value;
    return true;
  }
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
  bool Narrow(uint64_t&) const { return false; }
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

// Drops the last `drop` digits of an exact decimal integer, rounding to
// nearest with ties to even.
void RoundAwayDigits(std::string& digits, size_t drop) {
  if (drop > digits.size()) {
    digits = "0";
    return;
  }
  const size_t keep = digits.size() - drop;
  bool up = false;
  if (drop > 0) {
    const char first = digits[keep];
    const bool rest_zero = digits.find_first_not_of('0', keep + 1) == std::string::npos;
    const bool odd = keep > 0 && (digits[keep - 1] - '0') % 2 == 1;
    up = first > '5' || (first == '5' && (!rest_zero || odd));
  }
  digits.resize(keep);
  if (up) {
    size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0) {
      digits.insert(digits.begin(), '1');
    } else {
      ++digits[i - 1];
    }
  }
  if (digits.empty()) digits = "0";
}

// The digits of round(|x| * 10^p), without leading zeros ("0" for zero).
void WideRoundedDigits(double magnitude, int p, WideDigits& digits) {
  // Fixed notation with max(p, 0) decimals is exactly rounded; with p < 0
  // the value is an integer (at least 2^64 here), whose exact digits are
  // rounded once, -p places to the left.
  std::string& text = digits.Text();
  const int decimals = std::max(p, 0);
  text.resize(330 + static_cast<size_t>(decimals));
  char* end =
      std::to_chars(text.data(), text.data() + text.size(), magnitude, std::chars_format::fixed, decimals)
          .ptr;
  text.resize(static_cast<size_t>(end - text.data()));
  text.erase(std::remove(text.begin(), text.end(), '.'), text.end());
  if (p < 0) RoundAwayDigits(text, static_cast<size_t>(-p));
  const size_t first = text.find_first_not_of('0');
  text.erase(0, first == std::string::npos ? text.size() - 1 : first);
}

// The digits of round(|x| * 10^p) when they fit in 64 bits.
[[gnu::always_inline]] inline bool RoundedDigits(double magnitude, int p, Digits& digits) {
  uint64_t r = 0;
  if (magnitude != 0 && !QuickScaledRound(magnitude, p, r) && !ScaledRound(Decompose(magnitude), p, r))
    return false;
  digits = {r, DigitCount(r)};
  return true;
}

#if DARNEK_HAVE_INT128
// 5^p for p <= 32: times a mantissa below 2^53, below 2^128.
constexpr auto kFivePowers = [] {
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
  return ScaledRound(Decompose(magnitude), p, out);
}

// 10^k as doubles, for the first guess of a decimal exponent.
constexpr int kFirstPower = -30;
constexpr int kLastPower = 30;
constexpr auto kPowers = [] {
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

void WideSignificantDigits(double magnitude, int n, WideDigits& digits, int& exponent) {
  std::string& text = digits.Text();
  text.resize(static_cast<size_t>(n) + 16);
  char* end =
      std::to_chars(text.data(), text.data() + text.size(), magnitude, std::chars_format::scientific, n - 1)
          .ptr;
  const char* e = std::find(text.data(), end, 'e');
  std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exponent);
  text.resize(static_cast<size_t>(e - text.data()));
  text.erase(std::remove(text.begin(), text.end(), '.'), text.end());
}

// A numeric field is written into exactly w characters at `dst` (nothing
// when w <= 0); the public Append functions make room in a string for it.

void Fill(char* p, int n, char c) {
  if (n > 0) std::memset(p, c, static_cast<size_t>(n));
}

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

void Stars(char* dst, int w) { Fill(dst, w, '*'); }

// Blanks the first w - length characters of a field and returns where the
// last `length` (<= w) begin, for the caller to fill.
[[gnu::always_inline]] inline char* Field(char* dst, int w, int length) {
  LeadBlanks(dst, w - length);
  return dst + (w - length);
}

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

void PutI(char* dst, int w, long long value, int m) {
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

// The value a reader gets back from a field showing the digits times
// 10^power: the decimal rounded once to a double, which one multiplication
// or division by an exact power of ten does when the digits are exact too.
// False when that does not settle it and the field's text must be read.
template <class AnyDigits>
[[gnu::always_inline]] inline bool ValueShown(const AnyDigits& digits, int power, bool negative,
                                              double& read) {
  uint64_t v = 0;
  if (!digits.Narrow(v) || v > (uint64_t{1} << 53) || power < -22 || power > 22) return false;
  const double m = static_cast<double>(v);
  const double magnitude = power >= 0 ? m * kExactPowers[static_cast<size_t>(power)]
                                      : m / kExactPowers[static_cast<size_t>(-power)];
  read = negative ? -magnitude : magnitude;
  return true;
}

// The F layout of round(|x| * 10^(d+k)) (the digits) with d decimals.
template <class AnyDigits>
[[gnu::always_inline]] inline bool WriteFixed(char* dst, int w, int d, const AnyDigits& digits, bool negative,
                                              double* read = nullptr) {
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
  if (length > w) {
    Stars(dst, w);
    return false;
  }
  char* p = Field(dst, w, length);
  if (negative) *p = '-';
  digits.WriteWithPoint(p + length, before + d, d);
  return read && ValueShown(digits, -d, negative, *read);
}

// The E layout: `digits` are the significant digits the scale factor asks
// for and `exponent` the decimal exponent of the first one.
template <class AnyDigits>
[[gnu::always_inline]] inline bool WriteExponentForm(char* dst, int w, int scale, int e,
                                                     const AnyDigits& digits, int exponent, bool negative,
                                                     double* read = nullptr) {
  const int significant = digits.size();
  const int printed = exponent + 1 - scale;  // relative to the point the scale factor sets
  const int magnitude = std::abs(printed);
  const int exponent_digits = magnitude < 10 ? 1 : magnitude < 100 ? 2 : magnitude < 1000 ? 3 : 4;
  // Two exponent digits after the letter; three take the letter's place;
  // an exponent width (Ee) always keeps the letter.
  bool letter = true;
  int exponent_width = 2;
  if (e > 0) {
    if (exponent_digits > e) return Stars(dst, w), false;
    exponent_width = e;
  } else if (magnitude > 999) {
    return Stars(dst, w), false;
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
  if (length > w) return Stars(dst, w), false;
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
  return read && letter && ValueShown(digits, exponent + 1 - significant, negative, *read);
}

[[gnu::noinline]] bool PutWideF(char* dst, int w, int d, double value, int scale) {
  WideDigits digits;
  WideRoundedDigits(std::fabs(value), d + scale, digits);
  return WriteFixed(dst, w, d, digits, std::signbit(value));
}

[[gnu::noinline]] bool PutAnyF(char* dst, int w, int d, double value, int scale, double* read);

// Nearly every F field of the report (at most eight digits, room enough,
// its rounding settled by one product) takes the short way, as WriteFixed
// lays it out; the rest take the general one, out of line.
[[gnu::always_inline]] inline bool PutF(char* dst, int w, int d, double value, int scale,
                                        double* read = nullptr) {
  uint64_t r = 0;
  if (d >= 0 && QuickScaledRound(std::fabs(value), d + scale, r)) {  // false for Inf and NaN
    const bool negative = std::signbit(value);
    const int integer_digits = DigitCount(r) - d;
    const bool zero_integer = integer_digits <= 0 || r == 0;
    int before = zero_integer ? 1 : integer_digits;
    int length = (negative ? 1 : 0) + before + 1 + d;
    if (zero_integer && d > 0 && length > w) {
      before = 0;
      --length;
    }
    if (length <= w && before + d <= 8) {
      char* p = Field(dst, w, length);
      if (negative) *p = '-';
      // Zero is a good share of the fields (unloaded stations, empty
      // columns): its digits need no splitting.
      const int count = before + d;
      const uint64_t word =
          r == 0 ? 0x3030303030303030 >> (8 * (8 - count)) : LastDigits(static_cast<uint32_t>(r), count);
      char* q = p + length - count - 1;
      Store8(q, word);
      if (d > 0) Store8(q + before + 1, word >> (8 * before));
      q[before] = '.';
      return read && ValueShown(Digits{r, 0}, -d, negative, *read);
    }
  }
  return PutAnyF(dst, w, d, value, scale, read);
}

bool PutAnyF(char* dst, int w, int d, double value, int scale, double* read) {
  if (!std::isfinite(value)) return PutNonFinite(dst, w, value), false;
  if (d < 0) d = 0;
  // A scale factor moves the decimal point of the exact decimal expansion
  // rather than multiplying, so kP rounds (and never overflows) as the
  // runtime does: the field shows round(|x| * 10^(d+k)) with d decimals.
  Digits digits;
  if (RoundedDigits(std::fabs(value), d + scale, digits))
    return WriteFixed(dst, w, d, digits, std::signbit(value), read);
  return PutWideF(dst, w, d, value, scale);
}

// "E-99" to "E+99", the exponents of the short E field, as 4-byte words.
constexpr auto kExponentTexts = [] {
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
// in a few whole-word stores, as WriteExponentForm lays it out. `written`
// false leaves the field to WriteExponentForm.
[[gnu::always_inline]] inline bool ShortExponentForm(char* dst, int w, int scale, int e, const Digits& digits,
                                                     int exponent, bool negative, double* read,
                                                     bool& written) {
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
  written = true;
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
  return read && ValueShown(digits, exponent + 1 - significant, negative, *read);
}

[[gnu::noinline]] bool PutWideE(char* dst, int w, int scale, int e, double value, int significant) {
  WideDigits digits;
  int exponent = scale - 1;
  if (value != 0)
    WideSignificantDigits(std::fabs(value), significant, digits, exponent);
  else
    digits.Text().assign(static_cast<size_t>(significant), '0');
  return WriteExponentForm(dst, w, scale, e, digits, exponent, std::signbit(value));
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

[[gnu::noinline]] bool PutAnyE(char* dst, int w, int d, double value, int scale, int e, double* read);

// Nearly every E field of the report (scale factor 0 or 1, at most eight
// digits, no exponent width) takes the short way; the rest take the
// general one, out of line.
[[gnu::always_inline]] inline bool PutE(char* dst, int w, int d, double value, int scale, int e,
                                        double* read = nullptr) {
  const int significant = scale == 0 ? d : d + 1;
  if (e == 0 && (scale == 0 || scale == 1) && significant >= 1 && significant <= 8) {
    Digits digits;
    int exponent = 0;
    if (FirstGuessDigits(std::fabs(value), significant, digits, exponent)) {
      bool written = false;
      const bool known =
          ShortExponentForm(dst, w, scale, e, digits, exponent, std::signbit(value), read, written);
      if (written) return known;
    }
  }
  return PutAnyE(dst, w, d, value, scale, e, read);
}

bool PutAnyE(char* dst, int w, int d, double value, int scale, int e, double* read) {
  if (!std::isfinite(value)) return PutNonFinite(dst, w, value), false;
  // With scale factor k: k <= 0 gives 0.(|k| zeros)(d+k digits); k > 0 gives
  // k digits before the point and d-k+1 after.
  if (scale <= -d || scale >= d + 2) return Stars(dst, w), false;
  const int significant = scale <= 0 ? d + scale : d + 1;
  // Zero prints its exponent as 0.
  Digits digits{0, significant};
  int exponent = scale - 1;
  if (value != 0 ? SignificantDigits(std::fabs(value), significant, digits, exponent) : significant <= 19) {
    bool written = false;
    const bool known =
        ShortExponentForm(dst, w, scale, e, digits, exponent, std::signbit(value), read, written);
    if (written) return known;
    return WriteExponentForm(dst, w, scale, e, digits, exponent, std::signbit(value), read);
  }
  return PutWideE(dst, w, scale, e, value, significant);
}

// The characters an A field writes.
size_t AWidth(std::string_view text, int w) { return w < 0 ? text.size() : static_cast<size_t>(w); }

void PutA(char* dst, std::string_view text, int w) {
  if (w < 0) {
    std::memcpy(dst, text.data(), text.size());
  } else if (static_cast<int>(text.size()) >= w) {
    std::memcpy(dst, text.data(), static_cast<size_t>(w));
  } else {
    const int blanks = w - static_cast<int>(text.size());
    FillBlanks(dst, blanks);
    std::memcpy(dst + blanks, text.data(), text.size());
  }
}

// Room for n more characters at the end of `out`.
// Room for n more characters at the end of `out`, with the slack a field
// writer needs.
template <class Put>
void AppendField(std::string& out, size_t n, const Put& put) {
  const size_t at = out.size();
  out.resize(at + n + kSlack);
  put(out.data() + at);
  out.resize(at + n);
}

}  // namespace

// ------------------------------------------------------------------ fields

void AppendI(std::string& out, int w, long long value, int m) {
  if (w > 0) AppendField(out, static_cast<size_t>(w), [&](char* dst) { PutI(dst, w, value, m); });
}

void AppendF(std::string& out, int w, int d, double value, int scale) {
  if (w > 0) AppendField(out, static_cast<size_t>(w), [&](char* dst) { PutF(dst, w, d, value, scale); });
}

void AppendE(std::string& out, int w, int d, double value, int scale, int e) {
  if (w > 0) AppendField(out, static_cast<size_t>(w), [&](char* dst) { PutE(dst, w, d, value, scale, e); });
}

bool AppendFReadBack(std::string& out, int w, int d, double value, int scale, double& read) {
  bool known = false;
  if (w > 0)
    AppendField(out, static_cast<size_t>(w),
                [&](char* dst) { known = PutF(dst, w, d, value, scale, &read); });
  return known;
}

bool AppendEReadBack(std::string& out, int w, int d, double value, int scale, double& read) {
  bool known = false;
  if (w > 0)
    AppendField(out, static_cast<size_t>(w),
                [&](char* dst) { known = PutE(dst, w, d, value, scale, 0, &read); });
  return known;
}

void AppendA(std::string& out, std::string_view text, int w) {
  const size_t n = AWidth(text, w);
  if (n > 0) AppendField(out, n, [&](char* dst) { PutA(dst, text, w); });
}

[[noreturn, gnu::cold, gnu::noinline]] static void Outgrown() {
  throw std::logic_error("a field record outgrows its room");
}

// Only the field writers below take room: inline in each.
[[gnu::always_inline]] inline char* FieldRecord::Take(int n) {
  static_assert(sizeof buffer_ >= kRoom + kSlack);
  if (n < 0) n = 0;
  if (static_cast<size_t>(n) > kRoom - used_) Outgrown();
  char* p = buffer_ + used_;
  used_ += static_cast<size_t>(n);
  return p;
}

void FieldRecord::Blanks(int n) {
  if (n > 0) LeadBlanks(Take(n), n);
}

void FieldRecord::I(int w, long long value, int m) { PutI(Take(w), w, value, m); }

bool FieldRecord::F(int w, int d, double value, int scale, double& read) {
  return PutF(Take(w), w, d, value, scale, &read);
}

bool FieldRecord::E(int w, int d, double value, int scale, double& read) {
  return PutE(Take(w), w, d, value, scale, 0, &read);
}

std::string EditI(int w, long long value, int m) {
  std::string s;
  AppendI(s, w, value, m);
  return s;
}

std::string EditF(int w, int d, double value, int scale) {
  std::string s;
  AppendF(s, w, d, value, scale);
  return s;
}

std::string EditE(int w, int d, double value, int scale, int e) {
  std::string s;
  AppendE(s, w, d, value, scale, e);
  return s;
}

std::string EditA(std::string_view text, int w) {
  std::string s;
  AppendA(s, text, w);
  return s;
}

// ------------------------------------------------------------ format parsing
namespace {

// A format as written: descriptors with repeat counts, groups nested. The
// items of a format lie in one list, each group followed by the items
// nested in it, so that parsing allocates once.
enum class ItemKind { Literal, X, Slash, Dollar, Colon, Scale, I, F, E, A, Group };

struct Item {
  ItemKind Kind = ItemKind::Literal;
  int Repeat = 1;
  int W = -1, D = -1, E = 0, M = -1;
  // A literal's text between its quotes, as written in the format; Quote is
  // its quote when the text holds doubled ones, each standing for one.
  std::string_view Text;
  char Quote = 0;
  // A group: the number of items nested in it, at every depth.
  uint32_t Nested = 0;
};

// The item at `at` and those nested in it.
std::span<const Item> WithNested(std::span<const Item> items, size_t at) {
  return items.subspan(at, 1 + items[at].Nested);
}

class Parser {
 public:
  explicit Parser(std::string_view format) : s_(format) {}

  std::vector<Item> ParseTop() {
    items_.reserve(s_.size() / 2 + 4);  // an item takes two characters at least
    SkipSeparators();
    if (!AtEnd() && s_[pos_] == '(') {
      ++pos_;
      ParseList(')');
    } else {
      ParseList('\0');
    }
    return std::move(items_);
  }

 private:
  bool AtEnd() const { return pos_ >= s_.size(); }
  void SkipSeparators() {
    while (!AtEnd() && (s_[pos_] == ' ' || s_[pos_] == ',' || s_[pos_] == '\t')) ++pos_;
  }
  [[noreturn]] void Fail(const char* what) const {
    throw std::logic_error(std::string("bad format '") + std::string(s_) + "': " + what);
  }
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
  bool ReadInt(int& value) {
    size_t start = pos_;
    bool negative = false;
    if (!AtEnd() && (s_[pos_] == '-' || s_[pos_] == '+')) {
      negative = s_[pos_] == '-';
      ++pos_;
    }
    size_t digits = pos_;
    int v = 0;
    while (!AtEnd() && IsDigit(s_[pos_])) v = v * 10 + (s_[pos_++] - '0');
    if (pos_ == digits) {
      pos_ = start;
      return false;
    }
    value = negative ? -v : v;
    return true;
  }
  int ExpectInt() {
    int v = 0;
    if (!ReadInt(v)) Fail("number expected");
    return v;
  }

  void ParseList(char close) {
    for (;;) {
      SkipSeparators();
      if (AtEnd()) {
        if (close != '\0') Fail("missing ')'");
        return;
      }
      if (s_[pos_] == close) {
        ++pos_;
        return;
      }
      ParseItem();
    }
  }

  void ParseItem() {
    int count = 0;
    const bool has_count = ReadInt(count);
    if (AtEnd()) Fail("descriptor expected");
    if (s_[pos_] == '(') {
      ++pos_;
      Item group;
      group.Kind = ItemKind::Group;
      group.Repeat = has_count ? count : 1;
      const size_t at = items_.size();
      items_.push_back(group);
      ParseList(')');
      items_[at].Nested = static_cast<uint32_t>(items_.size() - at - 1);
      return;
    }
    items_.push_back(ParseDescriptor(has_count, count));
  }

  // One item other than a group, after its repeat count.
  Item ParseDescriptor(bool has_count, int count) {
    Item item;
    char c = s_[pos_];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c == '\'' || c == '"') {
      // The text up to the closing quote; a doubled quote stands for one
      // and the text goes on after it.
      const char quote = s_[pos_++];
      const size_t start = pos_;
      for (;;) {
        const size_t end = s_.find(quote, pos_);
        if (end == std::string_view::npos) Fail("unterminated literal");
        pos_ = end + 1;
        if (AtEnd() || s_[pos_] != quote) {
          item.Text = s_.substr(start, end - start);
          break;
        }
        item.Quote = quote;
        ++pos_;
      }
      item.Kind = ItemKind::Literal;
      item.Repeat = has_count ? count : 1;
      return item;
    }
    ++pos_;
    switch (c) {
      case 'X':
        item.Kind = ItemKind::X;
        item.W = has_count ? count : 1;
        return item;
      case 'P':
        if (!has_count) Fail("P needs a scale factor");
        item.Kind = ItemKind::Scale;
        item.W = count;
        return item;
      case '/':
        item.Kind = ItemKind::Slash;
        item.Repeat = has_count ? count : 1;
        return item;
      case '$':
      case '\\':
        item.Kind = ItemKind::Dollar;
        return item;
      case ':':
        item.Kind = ItemKind::Colon;
        return item;
      case 'I':
        item.Kind = ItemKind::I;
        item.W = ExpectInt();
        if (!AtEnd() && s_[pos_] == '.') {
          ++pos_;
          item.M = ExpectInt();
        }
        break;
      case 'F':
        item.Kind = ItemKind::F;
        item.W = ExpectInt();
        if (AtEnd() || s_[pos_] != '.') Fail("F needs w.d");
        ++pos_;
        item.D = ExpectInt();
        break;
      case 'E':
        item.Kind = ItemKind::E;
        item.W = ExpectInt();
        if (AtEnd() || s_[pos_] != '.') Fail("E needs w.d");
        ++pos_;
        item.D = ExpectInt();
        if (!AtEnd() && (s_[pos_] == 'E' || s_[pos_] == 'e')) {
          ++pos_;
          item.E = ExpectInt();
        }
        break;
      case 'A': {
        item.Kind = ItemKind::A;
        int w = 0;
        if (ReadInt(w)) item.W = w;
        break;
      }
      default:
        Fail("unknown descriptor");
    }
    item.Repeat = has_count ? count : 1;
    return item;
  }

  std::string_view s_;
  size_t pos_ = 0;
  std::vector<Item> items_;
};

// Unrolls the items of a format into the flat list a run walks.
class Unroller {
 public:
  using Op = CompiledFormat::Op;
  using OpKind = CompiledFormat::OpKind;

  // Room for what a format of this length usually unrolls to (a step takes
  // two characters at least, a literal's text no more than the format), so
  // that compiling it grows nothing.
  explicit Unroller(size_t format_size) {
    ops_.reserve(std::min<size_t>(format_size / 2 + 4, 256));
    texts_.reserve(format_size);
  }

  // Nothing before this point merges with what follows: reversion jumps here.
  void Barrier() { barrier_ = ops_.size(); }
  size_t size() const { return ops_.size(); }

  void Add(std::span<const Item> items) {
    for (size_t i = 0; i < items.size(); ++i) {
      const Item& item = items[i];
      if (item.Kind == ItemKind::Group) {
        // A group of one literal, as a rule of 50('*'), is the literal
        // repeated: its copies join into one text anyway.
        const Item* first = item.Nested == 1 ? &items[i + 1] : nullptr;
        const long long copies = first ? static_cast<long long>(item.Repeat) * first->Repeat : 0;
        if (first && first->Kind == ItemKind::Literal && item.Repeat > 0 && copies <= INT_MAX) {
          AddLiteral(first->Text, first->Quote, static_cast<int>(copies));
        } else {
          for (int r = 0; r < item.Repeat; ++r) Add(items.subspan(i + 1, item.Nested));
        }
        i += item.Nested;
        continue;
      }
      Op op;
      op.Kind = static_cast<OpKind>(item.Kind);
      op.W = item.W;
      op.D = item.D;
      op.E = item.E;
      op.M = item.M;
      switch (item.Kind) {
        case ItemKind::Literal:
          AddLiteral(item.Text, item.Quote, item.Repeat);
          break;
        case ItemKind::X:
          AddBlanks(item.W);
          break;
        case ItemKind::Slash:
        case ItemKind::I:
        case ItemKind::F:
        case ItemKind::E:
        case ItemKind::A:
          for (int r = 0; r < item.Repeat; ++r) AddStep(op);
          break;
        default:
          AddStep(op);
      }
    }
  }

  // The steps, and the literal texts they point into.
  std::vector<Op> Finish(std::string& texts) {
    texts = std::move(texts_);
    return std::move(ops_);
  }

 private:
  // A run of this many steps is a format no report needs; most likely a
  // mistyped repeat count.
  static constexpr size_t kMaxSteps = 1 << 16;

  Op* Last(OpKind kind) {
    return ops_.size() > barrier_ && ops_.back().Kind == kind ? &ops_.back() : nullptr;
  }
  void Push(const Op& op) {
    if (ops_.size() >= kMaxSteps)
      throw std::logic_error("format too long once its repeat counts are unrolled");
    ops_.push_back(op);
  }
  void AddBlanks(int n) {
    if (Op* x = Last(OpKind::X)) {
      x->W += n;
      return;
    }
    Op op;
    op.Kind = OpKind::X;
    op.W = n;
    Push(op);
  }
  // A literal's text is always the last in texts_ while it is the last
  // step, so a literal that follows it extends it in place.
  void AddLiteral(std::string_view text, char quote, int repeat) {
    size_t blanks = 0;
    if (Op* x = Last(OpKind::X)) {
      // Blanks before a literal are always written: they become its text.
      blanks = static_cast<size_t>(std::max(x->W, 0));
      ops_.pop_back();
    }
    if (!Last(OpKind::Literal)) {
      Op op;
      op.Kind = OpKind::Literal;
      op.Text = static_cast<uint32_t>(texts_.size());
      Push(op);
    }
    texts_.append(blanks, ' ');
    if (quote == 0 && text.size() == 1 && repeat > 0) {  // a rule of one character
      texts_.append(static_cast<size_t>(repeat), text[0]);
      repeat = 0;
    }
    for (int r = 0; r < repeat; ++r) {
      if (quote == 0) {
        texts_ += text;
        continue;
      }
      // Quotes come doubled in the text, each pair standing for one.
      for (size_t i = 0; i < text.size(); ++i) {
        texts_ += text[i];
        if (text[i] == quote) ++i;
      }
    }
    Op& literal = ops_.back();
    literal.Size = static_cast<uint32_t>(texts_.size() - literal.Text);
  }
  void AddStep(Op op) {
    // A scale factor writes nothing: it goes before the blanks of nX
    // waiting before it, which then join what follows, as in 1X 1P E13.4.
    if (Op* x = op.Kind == OpKind::Scale ? Last(OpKind::X) : nullptr) {
      const Op blanks = *x;
      *x = op;
      Push(blanks);
      return;
    }
    const bool field =
        op.Kind == OpKind::I || op.Kind == OpKind::F || op.Kind == OpKind::E || op.Kind == OpKind::A;
    if (Op* x = field ? Last(OpKind::X) : nullptr) {
      op.Lead = x->W;
      ops_.pop_back();
    }
    Push(op);
  }

  std::vector<Op> ops_;
  std::string texts_;
  size_t barrier_ = 0;
};

// The record a run is writing: its pieces gather on the stack, where the
// fields are written in place, and go to the caller's line in one append per
// record (or per few hundred characters).
class Pieces {
 public:
  explicit Pieces(std::string& line) : line_(line) {}
  Pieces(const Pieces&) = delete;
  Pieces& operator=(const Pieces&) = delete;

  // Room for n characters; null when n is wider than the whole buffer, and
  // the caller appends to Line() instead.
  char* Room(size_t n) {
    if (used_ + n + kSlack > sizeof buffer_) {
      Flush();
      if (n + kSlack > sizeof buffer_) return nullptr;
    }
    char* p = buffer_ + used_;
    used_ += n;
    return p;
  }
  // Everything written so far, on the line.
  std::string& Line() {
    Flush();
    return line_;
  }
  // The whole record: straight from the buffer when it all fits there.
  std::string_view Record() {
    if (line_.empty()) return {buffer_, used_};
    return Line();
  }
  // Drops the record (once it has been handed on).
  void Clear() {
    used_ = 0;
    line_.clear();
  }
  [[gnu::always_inline]] void Blanks(int n) {
    if (n <= 0) return;
    if (char* p = Room(static_cast<size_t>(n)))
      LeadBlanks(p, n);
    else
      Line().append(static_cast<size_t>(n), ' ');
  }
  void Text(const char* text, size_t n) {
    if (char* p = Room(n))
      std::memcpy(p, text, n);
    else
      Line().append(text, n);
  }

 private:
  void Flush() {
    if (used_ == 0) return;  // as at the end of every run that completes its record
    line_.append(buffer_, used_);
    used_ = 0;
  }

  std::string& line_;
  size_t used_ = 0;
  char buffer_[512];
};

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

class CollectRecords final : public RecordSink {
 public:
  explicit CollectRecords(Records& records) : records_(records) {}
  void Complete(std::string_view record) override { records_.Lines.emplace_back(record); }

 private:
  Records& records_;
};

}  // namespace

CompiledFormat::CompiledFormat(std::string_view format) {
  const std::vector<Item> items = Parser(format).ParseTop();
  // The top-level items, each with those nested in it.
  size_t revert_item = 0;
  for (size_t i = 0; i < items.size(); i += 1 + items[i].Nested)
    if (items[i].Kind == ItemKind::Group) revert_item = i;
  Unroller unroller(format.size());
  for (size_t i = 0; i < items.size(); i += 1 + items[i].Nested) {
    if (i == revert_item) {
      unroller.Barrier();
      revert_at_ = unroller.size();
    }
    unroller.Add(WithNested(items, i));
  }
  ops_ = unroller.Finish(texts_);
}

bool CompiledFormat::Run(std::span<const Value> values, std::string& line, RecordSink& sink) const {
  const size_t count = values.size();
  size_t next = 0;
  bool consumed_any = false;
  bool dollar = false;
  int scale = 0;
  int pending_blanks = 0;  // nX not yet written: only written when something follows
  Pieces record(line);
  const auto end_record = [&] {
    sink.Complete(record.Record());
    record.Clear();
    pending_blanks = 0;
    dollar = false;
  };
  size_t from = 0;
  for (;;) {
    const Op* const last = ops_.data() + ops_.size();
    for (const Op* step = ops_.data() + from; step != last; ++step) {
      const Op& op = *step;
      switch (op.Kind) {
        case OpKind::Literal:
          record.Blanks(pending_blanks);
          pending_blanks = 0;
          record.Text(texts_.data() + op.Text, op.Size);
          continue;
        case OpKind::X:
          pending_blanks += op.W;
          continue;
        case OpKind::Slash:
          end_record();
          continue;
        case OpKind::Dollar:
          dollar = true;
          continue;
        case OpKind::Colon:
          if (next >= count) goto stopped;
          continue;
        case OpKind::Scale:
          scale = op.W;
          continue;
        default:
          break;
      }
      // Output stops at the first data descriptor without a value.
      if (next >= count) goto stopped;
      const Value& v = values[next++];
      consumed_any = true;
      const size_t width = static_cast<size_t>(std::max(op.W, 0));
      switch (op.Kind) {
        case OpKind::I:
          if (auto p = std::get_if<long long>(&v)) {
            record.Blanks(pending_blanks + op.Lead);
            if (char* field = record.Room(width))
              PutI(field, op.W, *p, op.M);
            else
              AppendI(record.Line(), op.W, *p, op.M);
            break;
          }
          throw std::logic_error("I edit descriptor given a non-integer value");
        case OpKind::F:
          if (auto p = std::get_if<double>(&v)) {
            record.Blanks(pending_blanks + op.Lead);
            if (char* field = record.Room(width))
              PutF(field, op.W, op.D, *p, scale);
            else
              AppendF(record.Line(), op.W, op.D, *p, scale);
            break;
          }
          throw std::logic_error("real edit descriptor given a non-real value");
        case OpKind::E:
          if (auto p = std::get_if<double>(&v)) {
            record.Blanks(pending_blanks + op.Lead);
            if (char* field = record.Room(width))
              PutE(field, op.W, op.D, *p, scale, op.E);
            else
              AppendE(record.Line(), op.W, op.D, *p, scale, op.E);
            break;
          }
          throw std::logic_error("real edit descriptor given a non-real value");
        default:
          if (auto p = std::get_if<std::string_view>(&v)) {
            record.Blanks(pending_blanks + op.Lead);
            if (char* field = record.Room(AWidth(*p, op.W)))
              PutA(field, *p, op.W);
            else
              AppendA(record.Line(), *p, op.W);
            break;
          }
          throw std::logic_error("A edit descriptor given a non-text value");
      }
      pending_blanks = 0;
    }
    // The format is exhausted: values left revert it on a new record.
    if (next >= count) break;
    if (!consumed_any) throw std::logic_error("format has no data descriptor for its values");
    end_record();
    consumed_any = false;
    from = revert_at_;
  }
stopped:
  if (!dollar) {
    sink.Complete(record.Record());
    record.Clear();
  }
  record.Line();
  return dollar;
}

const CompiledFormat& CompiledFormatFor(std::string_view format) {
  // Every run writes the same hundred or so formats, all texts of the
  // engine's own code: each is compiled once and kept. An entry is never
  // changed or removed, so the reference stays good outside the lock.
  struct Store {
    struct Hash {
      using is_transparent = void;
      size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::mutex Mutex;
    std::unordered_map<std::string, CompiledFormat, Hash, std::equal_to<>> Formats;
  };
  // Never destroyed: a run may write while the process exits, after every
  // static object is gone.
  static Store* const store = new Store;
  const std::lock_guard<std::mutex> lock(store->Mutex);
  auto found = store->Formats.find(format);
  if (found == store->Formats.end()) found = store->Formats.emplace(format, CompiledFormat(format)).first;
  return found->second;
}

Records ApplyFormat(std::string_view format, std::span<const Value> values) {
  Records records;
  CollectRecords sink(records);
  std::string line;
  records.Open = CompiledFormat(format).Run(values, line, sink);
  if (records.Open) records.Lines.push_back(std::move(line));
  return records;
}

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
