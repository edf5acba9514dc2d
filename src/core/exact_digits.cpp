// Exact decimal digits: the computations that take the long way.
#include "core/exact_digits.h"

#include <algorithm>
#include <charconv>

namespace darnek::fortran::digits {
namespace {

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

}  // namespace

bool ScaledRound(double magnitude, int p, uint64_t& out) {
  const Binary b = Decompose(magnitude);
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

}  // namespace darnek::fortran::digits
