// Fortran-style formatted output, following the GNU Fortran runtime.
#include "core/fortran_format.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <stdexcept>

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
  uint64_t mantissa;
  int exponent;
};

Binary Decompose(double magnitude) {
  const uint64_t bits = std::bit_cast<uint64_t>(magnitude);
  const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  Binary b = biased == 0 ? Binary{fraction, -1074} : Binary{fraction | (uint64_t{1} << 52), biased - 1075};
  const int zeros = std::countr_zero(b.mantissa);
  b.mantissa >>= zeros;
  b.exponent += zeros;
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
  const uint64_t m = b.mantissa;
  const int e = b.exponent;
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

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes exactly `count` digits of v (with leading zeros) ending at `end`.
void WriteDigits(char* end, uint64_t v, int count) {
  for (; count >= 2; count -= 2) {
    end -= 2;
    std::memcpy(end, kDigitPairs + 2 * (v % 100), 2);
    v /= 100;
  }
  if (count == 1) *--end = static_cast<char>('0' + v % 10);
}

int DigitCount(uint64_t v) {
  v |= 1;                                          // the same count, and 0 has one digit
  const int t = (std::bit_width(v) * 1233) >> 12;  // log10 estimate, at most one high
  return t + 1 - (v < kPow10[t] ? 1 : 0);
}

// The decimal digits of a rounded field: a 64-bit integer for every field
// the report writes, a text for the rare wider one.
class Digits {
 public:
  void SetValue(uint64_t v, int count) {
    value_ = v;
    count_ = count;
    wide_.clear();
  }
  std::string& Wide() { return wide_; }
  void SetWide() { count_ = static_cast<int>(wide_.size()); }
  int size() const { return count_; }
  bool IsZero() const { return wide_.empty() ? value_ == 0 : wide_ == "0"; }

  // Writes digits [from, from + n) to dst.
  void Write(char* dst, int from, int n) const {
    if (n <= 0) return;
    if (!wide_.empty()) {
      std::memcpy(dst, wide_.data() + from, static_cast<size_t>(n));
      return;
    }
    uint64_t v = value_;
    const int after = count_ - from - n;
    if (after > 0) v /= kPow10[after];
    if (from > 0) v %= kPow10[n];
    WriteDigits(dst + n, v, n);
  }

 private:
  uint64_t value_ = 0;
  int count_ = 1;
  std::string wide_;
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
void RoundedDigits(double magnitude, int p, Digits& digits) {
  uint64_t r = 0;
  if (magnitude == 0 || ScaledRound(Decompose(magnitude), p, r)) return digits.SetValue(r, DigitCount(r));
  // Fixed notation with max(p, 0) decimals is exactly rounded; with p < 0
  // the value is an integer (at least 2^64 here), whose exact digits are
  // rounded once, -p places to the left.
  std::string& text = digits.Wide();
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
  digits.SetWide();
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
// first one.
void SignificantDigits(double magnitude, int n, Digits& digits, int& exponent) {
  if (n <= 18) {
    const Binary b = Decompose(magnitude);
    const int binary_exponent = b.exponent + std::bit_width(b.mantissa) - 1;
    // floor(binary_exponent * log10 2) is floor(log10 |x|) or one less;
    // a power of ten settles most cases, the loop the rest (and a rounding
    // that carries into an extra digit).
    int k = (binary_exponent * 78913) >> 18;
    if (k + 1 >= kFirstPower && k + 1 <= kLastPower && magnitude >= kPowers[k + 1 - kFirstPower]) ++k;
    for (int attempt = 0; attempt < 4; ++attempt) {
      uint64_t r = 0;
      if (!ScaledRound(b, n - 1 - k, r)) break;
      if (r >= kPow10[n]) {
        ++k;
      } else if (r < kPow10[n - 1]) {
        --k;
      } else {
        digits.SetValue(r, n);
        exponent = k;
        return;
      }
    }
  }
  std::string& text = digits.Wide();
  text.resize(static_cast<size_t>(n) + 16);
  char* end =
      std::to_chars(text.data(), text.data() + text.size(), magnitude, std::chars_format::scientific, n - 1)
          .ptr;
  const char* e = std::find(text.data(), end, 'e');
  std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exponent);
  text.resize(static_cast<size_t>(e - text.data()));
  text.erase(std::remove(text.begin(), text.end(), '.'), text.end());
  digits.SetWide();
}

void Stars(std::string& out, int w) { out.append(static_cast<size_t>(std::max(w, 0)), '*'); }

// Appends a field of w characters whose last `length` (<= w) the caller
// fills through the returned pointer; the rest are blanks.
char* Field(std::string& out, int w, int length) {
  out.append(static_cast<size_t>(w), ' ');
  return out.data() + out.size() - length;
}

// Infinity and NaN as the runtime writes them in a numeric field.
void AppendNonFinite(std::string& out, int w, double value) {
  std::string_view text;
  if (std::isnan(value)) {
    text = "NaN";
  } else if (value < 0) {
    text = w - 1 >= 8 ? "-Infinity" : "-Inf";
  } else {
    text = w >= 8 ? "Infinity" : "Inf";
  }
  if (static_cast<int>(text.size()) > w) return Stars(out, w);
  std::memcpy(Field(out, w, static_cast<int>(text.size())), text.data(), text.size());
}

}  // namespace

// ------------------------------------------------------------------ fields

void AppendI(std::string& out, int w, long long value, int m) {
  const uint64_t magnitude =
      value < 0 ? uint64_t{0} - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  const int size = (m == 0 && value == 0) ? 0 : DigitCount(magnitude);
  const int digits = std::max(size, m);  // m forces leading zeros
  const int length = (value < 0 ? 1 : 0) + digits;
  if (length > w) return Stars(out, w);
  char* p = Field(out, w, length);
  if (value < 0) *p++ = '-';
  WriteDigits(p + digits, magnitude, digits);
}

namespace {

// The F layout of round(|x| * 10^(d+k)) (the digits) with d decimals.
void WriteFixed(std::string& out, int w, int d, const Digits& digits, bool negative) {
  const int size = digits.size();
  const int integer_digits = size - d;  // <= 0: the integer part is 0
  const bool zero_integer = integer_digits <= 0 || digits.IsZero();
  int length = (negative ? 1 : 0) + (zero_integer ? 1 : integer_digits) + 1 + d;
  // The zero before the decimal point is optional and goes first when the
  // field is tight, unless it is the only digit.
  const bool drop_zero = zero_integer && d > 0 && length > w;
  if (drop_zero) --length;
  if (length > w) return Stars(out, w);
  char* p = Field(out, w, length);
  if (negative) *p++ = '-';
  if (!zero_integer) {
    digits.Write(p, 0, integer_digits);
    p += integer_digits;
  } else if (!drop_zero) {
    *p++ = '0';
  }
  *p++ = '.';
  if (integer_digits > 0) {
    digits.Write(p, integer_digits, d);
  } else {
    for (int i = 0; i < -integer_digits; ++i) *p++ = '0';
    digits.Write(p, 0, size);
  }
}

// The E layout: `digits` are the significant digits the scale factor asks
// for and `exponent` the decimal exponent of the first one.
void WriteExponentForm(std::string& out, int w, int scale, int e, const Digits& digits, int exponent,
                       bool negative) {
  const int significant = digits.size();
  const int printed = exponent + 1 - scale;  // relative to the point the scale factor sets
  const int magnitude = std::abs(printed);
  const int exponent_digits = magnitude < 10 ? 1 : magnitude < 100 ? 2 : magnitude < 1000 ? 3 : 4;
  // Two exponent digits after the letter; three take the letter's place;
  // an exponent width (Ee) always keeps the letter.
  bool letter = true;
  int exponent_width = 2;
  if (e > 0) {
    if (exponent_digits > e) return Stars(out, w);
    exponent_width = e;
  } else if (magnitude > 999) {
    return Stars(out, w);
  } else if (magnitude > 99) {
    letter = false;
    exponent_width = 3;
  }
  const int mantissa_length = scale <= 0 ? 2 + -scale + significant : significant + 1;
  const int exponent_length = (letter ? 2 : 1) + exponent_width;
  bool leading_zero = scale <= 0;
  int length = (negative ? 1 : 0) + mantissa_length + exponent_length;
  if (leading_zero && length > w) {
    leading_zero = false;
    --length;
  }
  if (length > w) return Stars(out, w);
  char* p = Field(out, w, length);
  if (negative) *p++ = '-';
  if (scale <= 0) {
    if (leading_zero) *p++ = '0';
    *p++ = '.';
    for (int i = 0; i < -scale; ++i) *p++ = '0';
    digits.Write(p, 0, significant);
    p += significant;
  } else {
    digits.Write(p, 0, scale);
    p += scale;
    *p++ = '.';
    digits.Write(p, scale, significant - scale);
    p += significant - scale;
  }
  if (letter) *p++ = 'E';
  *p++ = printed < 0 ? '-' : '+';
  WriteDigits(p + exponent_width, static_cast<uint64_t>(magnitude), exponent_width);
}

}  // namespace

void AppendF(std::string& out, int w, int d, double value, int scale) {
  if (!std::isfinite(value)) return AppendNonFinite(out, w, value);
  if (d < 0) d = 0;
  // A scale factor moves the decimal point of the exact decimal expansion
  // rather than multiplying, so kP rounds (and never overflows) as the
  // runtime does: the field shows round(|x| * 10^(d+k)) with d decimals.
  Digits digits;
  RoundedDigits(std::fabs(value), d + scale, digits);
  WriteFixed(out, w, d, digits, std::signbit(value));
}

void AppendE(std::string& out, int w, int d, double value, int scale, int e) {
  if (!std::isfinite(value)) return AppendNonFinite(out, w, value);
  // With scale factor k: k <= 0 gives 0.(|k| zeros)(d+k digits); k > 0 gives
  // k digits before the point and d-k+1 after.
  if (scale <= -d || scale >= d + 2) return Stars(out, w);
  const int significant = scale <= 0 ? d + scale : d + 1;
  Digits digits;
  // Zero prints its exponent as 0.
  int exponent = scale - 1;
  if (value != 0) {
    SignificantDigits(std::fabs(value), significant, digits, exponent);
  } else if (significant <= 19) {
    digits.SetValue(0, significant);
  } else {
    digits.Wide().assign(static_cast<size_t>(significant), '0');
    digits.SetWide();
  }
  WriteExponentForm(out, w, scale, e, digits, exponent, std::signbit(value));
}

void AppendA(std::string& out, std::string_view text, int w) {
  if (w < 0) {
    out.append(text);
  } else if (static_cast<int>(text.size()) >= w) {
    out.append(text.substr(0, static_cast<size_t>(w)));
  } else {
    out.append(static_cast<size_t>(w) - text.size(), ' ');
    out.append(text);
  }
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

using Item = CompiledFormat::Item;

class Parser {
 public:
  explicit Parser(std::string_view format) : s_(format) {}

  std::vector<Item> ParseTop() {
    SkipSeparators();
    if (!AtEnd() && s_[pos_] == '(') {
      ++pos_;
      return ParseList(')');
    }
    return ParseList('\0');
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

  std::vector<Item> ParseList(char close) {
    std::vector<Item> items;
    for (;;) {
      SkipSeparators();
      if (AtEnd()) {
        if (close != '\0') Fail("missing ')'");
        return items;
      }
      if (s_[pos_] == close) {
        ++pos_;
        return items;
      }
      items.push_back(ParseItem());
    }
  }

  Item ParseItem() {
    Item item;
    int count = 0;
    const bool has_count = ReadInt(count);
    if (AtEnd()) Fail("descriptor expected");
    char c = s_[pos_];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c == '(') {
      ++pos_;
      item.kind = Item::Group;
      item.children = ParseList(')');
      item.repeat = has_count ? count : 1;
      return item;
    }
    if (c == '\'' || c == '"') {
      const char quote = s_[pos_++];
      for (;;) {
        if (AtEnd()) Fail("unterminated literal");
        if (s_[pos_] == quote) {
          if (pos_ + 1 < s_.size() && s_[pos_ + 1] == quote) {
            item.text.push_back(quote);
            pos_ += 2;
            continue;
          }
          ++pos_;
          break;
        }
        item.text.push_back(s_[pos_++]);
      }
      item.kind = Item::Literal;
      item.repeat = has_count ? count : 1;
      return item;
    }
    ++pos_;
    switch (c) {
      case 'X':
        item.kind = Item::X;
        item.w = has_count ? count : 1;
        return item;
      case 'P':
        if (!has_count) Fail("P needs a scale factor");
        item.kind = Item::Scale;
        item.w = count;
        return item;
      case '/':
        item.kind = Item::Slash;
        item.repeat = has_count ? count : 1;
        return item;
      case '$':
      case '\\':
        item.kind = Item::Dollar;
        return item;
      case ':':
        item.kind = Item::Colon;
        return item;
      case 'I':
        item.kind = Item::I;
        item.w = ExpectInt();
        if (!AtEnd() && s_[pos_] == '.') {
          ++pos_;
          item.m = ExpectInt();
        }
        break;
      case 'F':
        item.kind = Item::F;
        item.w = ExpectInt();
        if (AtEnd() || s_[pos_] != '.') Fail("F needs w.d");
        ++pos_;
        item.d = ExpectInt();
        break;
      case 'E':
        item.kind = Item::E;
        item.w = ExpectInt();
        if (AtEnd() || s_[pos_] != '.') Fail("E needs w.d");
        ++pos_;
        item.d = ExpectInt();
        if (!AtEnd() && (s_[pos_] == 'E' || s_[pos_] == 'e')) {
          ++pos_;
          item.e = ExpectInt();
        }
        break;
      case 'A': {
        item.kind = Item::A;
        int w = 0;
        if (ReadInt(w)) item.w = w;
        break;
      }
      default:
        Fail("unknown descriptor");
    }
    item.repeat = has_count ? count : 1;
    return item;
  }

  std::string_view s_;
  size_t pos_ = 0;
};

// One run of a compiled format: appends to the caller's line and hands
// finished records to the sink.
class Executor {
 public:
  Executor(std::span<const Value> values, std::string& line, RecordSink& sink)
      : values_(values), line_(line), sink_(sink) {}

  bool Run(const std::vector<Item>& items, size_t revert_at) {
    Execute(items, 0);
    while (!stopped_ && next_ < values_.size()) {
      if (!consumed_any_) throw std::logic_error("format has no data descriptor for its values");
      EndRecord();
      consumed_any_ = false;
      Execute(items, revert_at);
    }
    if (!dollar_) sink_.EndRecord(line_);
    return dollar_;
  }

 private:
  void EndRecord() {
    sink_.EndRecord(line_);
    pending_blanks_ = 0;
    dollar_ = false;
  }
  // Blanks of nX are written only when something follows them on the record.
  void Position() {
    if (pending_blanks_ > 0) line_.append(static_cast<size_t>(pending_blanks_), ' ');
    pending_blanks_ = 0;
  }
  const Value* NextValue() {
    if (next_ >= values_.size()) {
      stopped_ = true;
      return nullptr;
    }
    consumed_any_ = true;
    return &values_[next_++];
  }
  static double AsReal(const Value& v) {
    if (auto p = std::get_if<double>(&v)) return *p;
    throw std::logic_error("real edit descriptor given a non-real value");
  }

  void Execute(const std::vector<Item>& items, size_t from) {
    for (size_t i = from; i < items.size() && !stopped_; ++i) {
      const Item& item = items[i];
      for (int r = 0; r < item.repeat && !stopped_; ++r) ExecuteOne(item);
    }
  }

  void ExecuteOne(const Item& item) {
    switch (item.kind) {
      case Item::Literal:
        Position();
        line_ += item.text;
        return;
      case Item::X:
        pending_blanks_ += item.w;
        return;
      case Item::Slash:
        EndRecord();
        return;
      case Item::Dollar:
        dollar_ = true;
        return;
      case Item::Colon:
        if (next_ >= values_.size()) stopped_ = true;
        return;
      case Item::Scale:
        scale_ = item.w;
        return;
      case Item::Group:
        Execute(item.children, 0);
        return;
      default:
        break;
    }
    const Value* v = NextValue();
    if (!v) return;
    switch (item.kind) {
      case Item::I:
        if (auto p = std::get_if<long long>(v)) {
          Position();
          AppendI(line_, item.w, *p, item.m);
          return;
        }
        throw std::logic_error("I edit descriptor given a non-integer value");
      case Item::F: {
        const double x = AsReal(*v);
        Position();
        AppendF(line_, item.w, item.d, x, scale_);
        return;
      }
      case Item::E: {
        const double x = AsReal(*v);
        Position();
        AppendE(line_, item.w, item.d, x, scale_, item.e);
        return;
      }
      case Item::A:
        if (auto p = std::get_if<std::string_view>(v)) {
          Position();
          AppendA(line_, *p, item.w);
          return;
        }
        throw std::logic_error("A edit descriptor given a non-text value");
      default:
        return;
    }
  }

  std::span<const Value> values_;
  std::string& line_;
  RecordSink& sink_;
  size_t next_ = 0;
  bool stopped_ = false;
  bool consumed_any_ = false;
  bool dollar_ = false;
  int scale_ = 0;
  int pending_blanks_ = 0;
};

// G editing of list-directed output for double precision: 17 significant
// digits in a field of 25, fixed form for 0.1 <= |x| < 1e17 (with the four
// columns of the absent exponent left blank), exponent form otherwise.
void AppendListReal(std::string& out, double value) {
  if (!std::isfinite(value)) return AppendNonFinite(out, 25, value);
  constexpr int kDigits = 17;
  const double magnitude = std::fabs(value);
  if (magnitude == 0) {
    AppendF(out, 20, kDigits - 1, value);
    out.append(5, ' ');
    return;
  }
  Digits digits;
  int exponent = 0;
  SignificantDigits(magnitude, kDigits, digits, exponent);
  if (exponent >= -1 && exponent < kDigits) {
    // F20.(16 - exponent) rounds at the same place: the same digits.
    WriteFixed(out, 20, kDigits - 1 - exponent, digits, std::signbit(value));
    out.append(5, ' ');
    return;
  }
  WriteExponentForm(out, 25, 1, 3, digits, exponent, std::signbit(value));
}

class CollectRecords final : public RecordSink {
 public:
  explicit CollectRecords(Records& records) : records_(records) {}
  void EndRecord(std::string& line) override {
    records_.lines.push_back(std::move(line));
    line.clear();
  }

 private:
  Records& records_;
};

}  // namespace

CompiledFormat::CompiledFormat(std::string_view format) {
  items_ = Parser(format).ParseTop();
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].kind == Item::Group) revert_at_ = i;
}

bool CompiledFormat::Run(std::span<const Value> values, std::string& line, RecordSink& sink) const {
  return Executor(values, line, sink).Run(items_, revert_at_);
}

const CompiledFormat& FormatCache::Get(std::string_view format) {
  Recent& recent = recent_[(reinterpret_cast<uintptr_t>(format.data()) >> 3) % recent_.size()];
  if (recent.address == format.data() && *recent.text == format) return *recent.format;
  auto found = formats_.find(format);
  if (found == formats_.end()) {
    CompiledFormat compiled(format);  // throws before anything is stored
    found = formats_.emplace(std::string(format), std::move(compiled)).first;
  }
  recent = {format.data(), &found->first, &found->second};
  return found->second;
}

Records ApplyFormat(std::string_view format, std::span<const Value> values) {
  Records records;
  CollectRecords sink(records);
  std::string line;
  records.open = CompiledFormat(format).Run(values, line, sink);
  if (records.open) records.lines.push_back(std::move(line));
  return records;
}

void AppendListDirected(std::string& out, std::span<const Value> values) {
  for (const Value& v : values) {
    if (auto i = std::get_if<long long>(&v)) {
      AppendI(out, 12, *i);
    } else if (auto d = std::get_if<double>(&v)) {
      out += ' ';
      AppendListReal(out, *d);
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
