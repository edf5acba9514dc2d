// Decimal multiplication and division on digit strings: exact for the
// product, and for the quotient to 40 significant digits with a sticky
// digit, so that the final reading rounds as the exact value would.
#include "core/decimal_depth.h"

#include <charconv>
#include <cmath>
#include <string>

namespace darnek {

double DecimalDepth(int count, double value, int divisor) {
  if (!std::isfinite(value) || count < 0 || divisor < 1) return count * value / divisor;
  // The shortest text of `value`, d.ddde±x, as digits and a power of ten.
  char text[40];
  const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
  const std::string_view shortest(text, static_cast<size_t>(written.ptr - text));
  const size_t e = shortest.find('e');
  int exponent = 0;
  std::from_chars(shortest.data() + e + (shortest[e + 1] == '+' ? 2 : 1), shortest.data() + shortest.size(),
                  exponent);
  const bool negative = shortest[0] == '-';
  std::string digits;
  for (char c : shortest.substr(negative ? 1 : 0, e - (negative ? 1 : 0)))
    if (c != '.') digits += c;
  exponent -= static_cast<int>(digits.size()) - 1;

  // digits x count, least significant digit last.
  std::string product;
  long long carry = 0;
  for (size_t i = digits.size(); i-- > 0;) {
    carry += static_cast<long long>(digits[i] - '0') * count;
    product.insert(product.begin(), static_cast<char>('0' + carry % 10));
    carry /= 10;
  }
  for (; carry > 0; carry /= 10) product.insert(product.begin(), static_cast<char>('0' + carry % 10));

  // / divisor, carried on past the last digit to 40 digits.
  std::string quotient;
  long long remainder = 0;
  int shifted = 0;
  for (size_t i = 0; i < product.size() || (remainder != 0 && quotient.size() < 40); ++i) {
    remainder = remainder * 10 + (i < product.size() ? product[i] - '0' : 0);
    if (i >= product.size()) ++shifted;
    quotient += static_cast<char>('0' + remainder / divisor);
    remainder %= divisor;
  }
  // A quotient that goes on beyond its digits is not a halfway case.
  if (remainder != 0) {
    quotient += '1';
    ++shifted;
  }
  const std::string decimal = (negative ? "-" : "") + quotient + "e" + std::to_string(exponent - shifted);
  double result = 0;
  std::from_chars(decimal.data(), decimal.data() + decimal.size(), result);
  return result;
}

}  // namespace darnek
