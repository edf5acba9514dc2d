// The value of a field, from the exact digits the field writers print
// (core/exact_digits.h) and the widths their layouts take
// (core/field_writers.cpp): the same rounding, without the characters.
#include "core/printed_value.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "core/exact_digits.h"
#include "core/field_writers.h"
#include "core/list_reader.h"

namespace darnek {

namespace {

using namespace fortran::digits;

// The decimal digits × 10^power rounded once to a double, as a reader
// converts the field's text: one multiplication or division when the digits
// and the power are exact doubles (nearly always), else the library's
// correctly rounded conversion; beyond the range of a double, infinity or
// zero, as the list reader has it.
double DecimalValue(std::string_view digits, int power) {
  const std::string number = std::string(digits) + 'e' + std::to_string(power);
  double v = 0;
  if (std::from_chars(number.data(), number.data() + number.size(), v).ec == std::errc::result_out_of_range) {
    const size_t first = digits.find_first_not_of('0');
    const bool zero = first == std::string_view::npos;
    v = !zero && static_cast<long>(digits.size() - first) + power > 0 ? HUGE_VAL : 0.0;
  }
  return v;
}

double DecimalValue(uint64_t digits, int power) {
  if (digits <= (uint64_t{1} << 53) && power >= -22 && power <= 22) {
    const double m = static_cast<double>(digits);
    return power >= 0 ? m * kExactPowers[static_cast<size_t>(power)]
                      : m / kExactPowers[static_cast<size_t>(-power)];
  }
  char text[24];
  const auto end = std::to_chars(text, text + sizeof text, digits).ptr;
  return DecimalValue(std::string_view(text, static_cast<size_t>(end - text)), power);
}

// The field of Fw.d (kP): round(|x| 10^(d+k)) with d decimals, asterisks
// when it needs more than w characters.
template <class AnyDigits>
bool FixedFits(const AnyDigits& digits, int w, int d, bool negative) {
  const int integer_digits = digits.size() - d;
  const bool zero_integer = integer_digits <= 0 || digits.IsZero();
  int length = (negative ? 1 : 0) + (zero_integer ? 1 : integer_digits) + 1 + d;
  // The zero before the point goes first when the field is tight.
  if (zero_integer && d > 0 && length > w) --length;
  return length <= w;
}

// The field of Ew.d (kP) whose first digit has the decimal exponent
// `exponent`.
bool ExponentFits(int w, int scale, int significant, int exponent, bool negative) {
  // E+dd, or +ddd: three exponent digits take the letter's place.
  constexpr int kExponentLength = 4;
  if (std::abs(exponent + 1 - scale) > 999) return false;
  const int mantissa_digits = scale <= 0 ? -scale + significant : significant;
  int length = (negative ? 1 : 0) + (scale <= 0 ? 1 : 0) + mantissa_digits + 1 + kExponentLength;
  if (scale <= 0 && length > w) --length;
  return length <= w;
}

std::optional<double> FixedValue(double magnitude, int w, int d, int scale, bool negative) {
  if (d < 0) d = 0;
  Digits digits;
  if (RoundedDigits(magnitude, d + scale, digits)) {
    if (!FixedFits(digits, w, d, negative)) return std::nullopt;
    return DecimalValue(digits.Value, -d);
  }
  WideDigits wide;
  WideRoundedDigits(magnitude, d + scale, wide);
  if (!FixedFits(wide, w, d, negative)) return std::nullopt;
  return DecimalValue(wide.Text(), -d);
}

std::optional<double> ExponentValue(double magnitude, int w, int d, int scale, bool negative) {
  if (scale <= -d || scale >= d + 2) return std::nullopt;
  const int significant = scale <= 0 ? d + scale : d + 1;
  if (magnitude == 0) {
    if (!ExponentFits(w, scale, significant, scale - 1, negative)) return std::nullopt;
    return 0.0;
  }
  Digits digits;
  int exponent = 0;
  // The first guess settles nearly every field, as it does for the writer.
  if ((significant <= 8 && FirstGuessDigits(magnitude, significant, digits, exponent)) ||
      SignificantDigits(magnitude, significant, digits, exponent)) {
    if (!ExponentFits(w, scale, significant, exponent, negative)) return std::nullopt;
    return DecimalValue(digits.Value, exponent + 1 - significant);
  }
  WideDigits wide;
  WideSignificantDigits(magnitude, significant, wide, exponent);
  if (!ExponentFits(w, scale, significant, exponent, negative)) return std::nullopt;
  return DecimalValue(wide.Text(), exponent + 1 - significant);
}

// NaN and the infinities as the writer spells them in a field of width w.
bool NonFiniteFits(double x, int w) {
  if (std::isnan(x)) return w >= 3;
  if (x < 0) return w >= 4;
  return w >= 3;
}

}  // namespace

std::optional<double> detail::PrintedValueInFull(double x, const FieldForm& form) {
  if (form.Kind == FieldForm::Edit::List) return x;
  if (!std::isfinite(x)) return NonFiniteFits(x, form.Width) ? std::optional<double>(x) : std::nullopt;
  const bool negative = std::signbit(x);
  const std::optional<double> magnitude =
      form.Kind == FieldForm::Edit::F
          ? FixedValue(std::fabs(x), form.Width, form.Decimals, form.Scale, negative)
          : ExponentValue(std::fabs(x), form.Width, form.Decimals, form.Scale, negative);
  if (!magnitude) return std::nullopt;
  return negative ? -*magnitude : *magnitude;
}

std::string FieldText(double x, const FieldForm& form) {
  std::string text;
  switch (form.Kind) {
    case FieldForm::Edit::F:
      fortran::AppendF(text, form.Width, form.Decimals, x, form.Scale);
      break;
    case FieldForm::Edit::E:
      fortran::AppendE(text, form.Width, form.Decimals, x, form.Scale);
      break;
    case FieldForm::Edit::List:
      text = fortran::ListRecord(x);
      break;
  }
  return text;
}

InputError UnreadableField(double x, const FieldForm& form, int line, const char* record, int item,
                           const char* item_name) {
  const std::optional<double> value = PrintedValue(x, form);
  const std::string field = FieldText(x, form);
  std::string_view trimmed = field;
  trimmed.remove_prefix(std::min(trimmed.find_first_not_of(' '), trimmed.size()));
  while (!trimmed.empty() && trimmed.back() == ' ') trimmed.remove_suffix(1);
  std::string detail;
  if (!value)
    detail = "expected a real number, found " + Quoted(trimmed);
  else if (!std::isfinite(*value))
    detail = "expected a finite number, found " + Quoted(trimmed);
  else
    detail = Quoted(trimmed) +
             " is beyond what the report can print: a value must be smaller than 1E+100 in magnitude";
  return InputError(line, record, item, item_name, detail);
}

}  // namespace darnek
