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

inline bool InFull(double x, const FieldForm& form, double& value) {
  const std::optional<double> full = PrintedValueInFull(x, form);
  if (full) value = *full;
  return full.has_value();
}

// The field's digits r times 10^power, as a reader converts them: one exact
// multiplication or division nearly always.
[[gnu::always_inline]] inline bool FieldDecimal(double x, const FieldForm& form, uint64_t r, int power,
                                                bool negative, double& value) {
  using fortran::digits::kExactPowers;
  if (r > (uint64_t{1} << 53) || power < -22 || power > 22) return InFull(x, form, value);
  const double m = static_cast<double>(r);
  const double v = power >= 0 ? m * kExactPowers[static_cast<size_t>(power)]
                              : m / kExactPowers[static_cast<size_t>(-power)];
  value = negative ? -v : v;
  return true;
}
}  // namespace detail

// The double a list-directed reader gets back from the field of form `form`
// that shows x, in `value`: x rounded to the field's digits (ties to even, on
// x's exact binary value) and that decimal rounded once to a double; NaN and
// the infinities as themselves when the field has room for their words.
// False when the field shows no number (asterisks: x does not fit).
//
// Inline, the short ways of the field writers (core/field_layout.h), which
// settle nearly every field: digits one rounded product gives, a field of
// at most eight of them, an exact power of ten. (A flag and a double, not a
// std::optional, in the loops over every field: copied through memory, an
// optional's two parts are stored apart and read back as one, which the
// processor cannot forward.)
[[gnu::always_inline]] inline bool PrintedValue(double x, const FieldForm& form, double& value) {
  using namespace fortran::digits;
  // Seventeen significant digits name every double.
  if (form.Kind == FieldForm::Edit::List) {
    value = x;
    return true;
  }
  const double magnitude = std::fabs(x);
  const bool negative = std::signbit(x);
  const int d = form.Decimals;
  uint64_t r = 0;
  int power = 0, length = 0;
  if (form.Kind == FieldForm::Edit::F) {
    // False for NaN and the infinities.
    if (d < 0 || d > 22 || !QuickScaledRound(magnitude, d + form.Scale, r))
      return detail::InFull(x, form, value);
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
      return detail::InFull(x, form, value);
    r = digits.Value;
    power = exponent + 1 - significant;
    length = (negative ? 1 : 0) + (form.Scale == 0 ? 1 : 0) + significant + 1 + 4;
    if (form.Scale == 0 && length > form.Width) --length;
  }
  if (length > form.Width) return false;
  return detail::FieldDecimal(x, form, r, power, negative, value);
}

// The same, empty when the field shows no number.
inline std::optional<double> PrintedValue(double x, const FieldForm& form) {
  double value = 0;
  if (PrintedValue(x, form, value)) return value;
  return std::nullopt;
}

// The field of form `form` (F or E) showing x, laid out at `dst` as the
// field writers lay it out, and PrintedValue(x, form, value): where a
// scratch file is kept, the value comes from the digits just written, one
// exact-digits pass for both. `dst` needs the field's width and kSlack
// after it.
[[gnu::always_inline]] inline bool PutPrinted(char* dst, double x, const FieldForm& form, double& value) {
  using namespace fortran::digits;
  using namespace fortran::layout;
  const int w = form.Width, d = form.Decimals, scale = form.Scale;
  const double magnitude = std::fabs(x);
  const bool negative = std::signbit(x);
  if (form.Kind == FieldForm::Edit::F) {
    uint64_t r = 0;
    if (d >= 0 && d <= 22 && QuickScaledRound(magnitude, d + scale, r) &&
        ShortFixedForm(dst, w, d, r, negative))
      return detail::FieldDecimal(x, form, r, -d, negative, value);
    PutAnyF(dst, w, d, x, scale);
  } else {
    const int significant = d + scale;
    Digits digits;
    int exponent = 0;
    if ((scale == 0 || scale == 1) && significant >= 1 && significant <= 8 &&
        FirstGuessDigits(magnitude, significant, digits, exponent) &&
        ShortExponentForm(dst, w, scale, 0, digits, exponent, negative))
      return detail::FieldDecimal(x, form, digits.Value, exponent + 1 - significant, negative, value);
    PutAnyE(dst, w, d, x, scale, 0);
  }
  return detail::InFull(x, form, value);
}

// The field's text, as the writer lays it out (for messages).
std::string FieldText(double x, const FieldForm& form);

// A value the solver can take from a field: finite and below 1E+100 in
// magnitude, as list-directed input checks a real.
inline bool ReadableReal(bool shown, double value) {
  return shown && std::isfinite(value) && std::fabs(value) < kLargestReal;
}
inline bool ReadableReal(const std::optional<double>& value) {
  return ReadableReal(value.has_value(), value.value_or(0));
}

// The error a reader of the file raises for the field of form `form` showing
// x on line `line` of the file, when !ReadableReal(PrintedValue(x, form)).
InputError UnreadableField(double x, const FieldForm& form, int line, const char* record, int item,
                           const char* item_name);

}  // namespace darnek
