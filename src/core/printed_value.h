// The precision of the scratch files, as a step of the computation.
//
// The analysis is defined as one that writes each stage's generated pressures
// and p-y curves to the scratch files and reads them back before it solves,
// so the solver works with what the fields hold: three decimals of a
// pressure, four significant digits of a curve point. Stored results and
// other programs are compared with this one digit for digit, so every such
// value is rounded exactly as writing and reading its field would round it,
// without writing or reading anything: whether a scratch file is kept, held
// in memory or discarded changes nothing.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "core/errors.h"
#include "core/exact_digits.h"
#include "core/field_layout.h"
#include "core/list_reader.h"

namespace darnek {

// The form of a number field: Fw.d or Ew.d under the scale factor kP, or a
// list-directed real (17 significant digits: every double reads back as
// itself).
struct FieldForm {
  enum class Edit { F, E, List };
  Edit Kind = Edit::List;
  int Width = 0;
  int Decimals = 0;
  int Scale = 0;

  static constexpr FieldForm F(int w, int d) { return {Edit::F, w, d, 0}; }
  static constexpr FieldForm E(int w, int d, int scale) { return {Edit::E, w, d, scale}; }
  static constexpr FieldForm List() { return {}; }
};

namespace detail {
// PrintedValue for every field, the rare ones included.
std::optional<double> PrintedValueInFull(double x, const FieldForm& form);

// The field's digits r times 10^power, as a reader converts them: one exact
// multiplication or division nearly always.
[[gnu::always_inline]] inline std::optional<double> FieldDecimal(double x, const FieldForm& form, uint64_t r,
                                                                 int power, bool negative) {
  using fortran::digits::kExactPowers;
  if (r > (uint64_t{1} << 53) || power < -22 || power > 22) return PrintedValueInFull(x, form);
  const double m = static_cast<double>(r);
  const double v = power >= 0 ? m * kExactPowers[static_cast<size_t>(power)]
                              : m / kExactPowers[static_cast<size_t>(-power)];
  return negative ? -v : v;
}
}  // namespace detail

// The double a list-directed reader gets back from the field of form `form`
// that shows x: x rounded to the field's digits (ties to even, on x's exact
// binary value) and that decimal rounded once to a double; NaN and the
// infinities as themselves when the field has room for their words. Empty
// when the field shows no number (asterisks: x does not fit).
//
// Inline, the short ways of the field writers (core/field_layout.h), which
// settle nearly every field: digits one rounded product gives, a field of
// at most eight of them, an exact power of ten.
[[gnu::always_inline]] inline std::optional<double> PrintedValue(double x, const FieldForm& form) {
  using namespace fortran::digits;
  // Seventeen significant digits name every double.
  if (form.Kind == FieldForm::Edit::List) return x;
  const double magnitude = std::fabs(x);
  const bool negative = std::signbit(x);
  const int d = form.Decimals;
  uint64_t r = 0;
  int power = 0, length = 0;
  if (form.Kind == FieldForm::Edit::F) {
    // False for NaN and the infinities.
    if (d < 0 || d > 22 || !QuickScaledRound(magnitude, d + form.Scale, r))
      return detail::PrintedValueInFull(x, form);
    const int integer_digits = DigitCount(r) - d;
    const bool zero_integer = integer_digits <= 0 || r == 0;
    length = (negative ? 1 : 0) + (zero_integer ? 1 : integer_digits) + 1 + d;
    // The zero before the point goes first when the field is tight.
    if (zero_integer && d > 0 && length > form.Width) --length;
    power = -d;
  } else {
    const int significant = d + form.Scale;  // scale 0: 0.ddd, scale 1: d.ddd
    Digits digits;
    int exponent = 0;
    if ((form.Scale != 0 && form.Scale != 1) || significant < 1 || significant > 8 ||
        !FirstGuessDigits(magnitude, significant, digits, exponent))
      return detail::PrintedValueInFull(x, form);
    r = digits.Value;
    power = exponent + 1 - significant;
    length = (negative ? 1 : 0) + (form.Scale == 0 ? 1 : 0) + significant + 1 + 4;
    if (form.Scale == 0 && length > form.Width) --length;
  }
  if (length > form.Width) return std::nullopt;
  return detail::FieldDecimal(x, form, r, power, negative);
}

// The field of form `form` (F or E) showing x, laid out at `dst` as the
// field writers lay it out, and PrintedValue(x, form): where a scratch file
// is kept, the value comes from the digits just written, one exact-digits
// pass for both. `dst` needs the field's width and kSlack after it.
[[gnu::always_inline]] inline std::optional<double> PutPrinted(char* dst, double x, const FieldForm& form) {
  using namespace fortran::digits;
  using namespace fortran::layout;
  const int w = form.Width, d = form.Decimals, scale = form.Scale;
  const double magnitude = std::fabs(x);
  const bool negative = std::signbit(x);
  if (form.Kind == FieldForm::Edit::F) {
    uint64_t r = 0;
    if (d >= 0 && d <= 22 && QuickScaledRound(magnitude, d + scale, r) &&
        ShortFixedForm(dst, w, d, r, negative))
      return detail::FieldDecimal(x, form, r, -d, negative);
    PutAnyF(dst, w, d, x, scale);
  } else {
    const int significant = d + scale;
    Digits digits;
    int exponent = 0;
    if ((scale == 0 || scale == 1) && significant >= 1 && significant <= 8 &&
        FirstGuessDigits(magnitude, significant, digits, exponent) &&
        ShortExponentForm(dst, w, scale, 0, digits, exponent, negative))
      return detail::FieldDecimal(x, form, digits.Value, exponent + 1 - significant, negative);
    PutAnyE(dst, w, d, x, scale, 0);
  }
  return detail::PrintedValueInFull(x, form);
}

// The field's text, as the writer lays it out (for messages).
std::string FieldText(double x, const FieldForm& form);

// A value the solver can take from a field: finite and below 1E+100 in
// magnitude, as list-directed input checks a real.
inline bool ReadableReal(const std::optional<double>& value) {
  return value && std::isfinite(*value) && std::fabs(*value) < kLargestReal;
}

// The error a reader of the file raises for the field of form `form` showing
// x on line `line` of the file, when !ReadableReal(PrintedValue(x, form)).
InputError UnreadableField(double x, const FieldForm& form, int line, const char* record, int item,
                           const char* item_name);

}  // namespace darnek
