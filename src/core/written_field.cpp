#include "core/written_field.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "core/errors.h"
#include "core/list_reader.h"

namespace darnek {

namespace {

std::string_view Trimmed(std::string_view field) {
  size_t first = 0;
  size_t last = field.size();
  while (first < last && field[first] == ' ') ++first;
  while (last > first && field[last - 1] == ' ') --last;
  return field.substr(first, last - first);
}

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// [-]digits[.digits][E(+|-)digits] with at most 15 digits and a power of
// ten within 1e22: the digits and the power are both exact doubles, so one
// multiplication or division rounds the decimal value once, correctly, and
// gives the double from_chars gives. False for any other text.
bool ReadShortDecimal(std::string_view text, double& value) {
  const char* p = text.data();
  const char* const end = p + text.size();
  const bool negative = p != end && *p == '-';
  if (negative) ++p;
  uint64_t digits = 0;
  const char* const first = p;
  while (p != end && static_cast<unsigned>(*p - '0') < 10)
    digits = digits * 10 + static_cast<unsigned>(*p++ - '0');
  int count = static_cast<int>(p - first);
  int scale = 0;  // decimals after the point
  if (p != end && *p == '.') {
    const char* const fraction = ++p;
    while (p != end && static_cast<unsigned>(*p - '0') < 10)
      digits = digits * 10 + static_cast<unsigned>(*p++ - '0');
    scale = static_cast<int>(p - fraction);
    count += scale;
  }
  if (count == 0 || count > 15) return false;
  int exponent = 0;
  if (p != end) {
    if (*p != 'E' || end - p < 3 || end - p > 5 || (p[1] != '+' && p[1] != '-')) return false;
    const bool down = p[1] == '-';
    for (p += 2; p != end; ++p) {
      if (static_cast<unsigned>(*p - '0') >= 10) return false;
      exponent = exponent * 10 + (*p - '0');
    }
    if (down) exponent = -exponent;
  }
  const int power = exponent - scale;
  if (power < -22 || power > 22) return false;
  const double m = static_cast<double>(digits);
  const double v = power >= 0 ? m * kPowersOfTen[power] : m / kPowersOfTen[-power];
  value = negative ? -v : v;
  return true;
}

}  // namespace

bool ReadWrittenField(std::string_view field, double& value) {
  const std::string_view text = Trimmed(field);
  // The engine's own fields nearly always take the short way; anything else
  // (long digit strings, an exponent without its letter, beyond the range of
  // a double, NaN, infinities) goes the list reader's way.
  const size_t lead = !text.empty() && text[0] == '-' ? 1 : 0;
  if (lead < text.size() && ((text[lead] >= '0' && text[lead] <= '9') || text[lead] == '.')) {
    if (ReadShortDecimal(text, value)) return true;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (stop == end && error == std::errc()) return true;
  }
  return ParseFortranReal(text, value);
}

double ReadWrittenReal(std::string_view field, int line, const char* record, int item,
                       const char* item_name) {
  double v = 0;
  const bool read = ReadWrittenField(field, v);
  if (read && std::isfinite(v) && std::fabs(v) < kLargestReal) return v;
  const std::string_view text = Trimmed(field);
  std::string detail;
  if (!read)
    detail = "expected a real number, found " + Quoted(text);
  else if (!std::isfinite(v))
    detail = "expected a finite number, found " + Quoted(text);
  else
    detail = Quoted(text) +
             " is beyond what the report can print: a value must be smaller than 1E+100 in magnitude";
  throw InputError(line, record, item, item_name, detail);
}

}  // namespace darnek
