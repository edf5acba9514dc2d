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

#include <optional>
#include <string>

#include "core/errors.h"

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

// The double a list-directed reader gets back from the field of form `form`
// that shows x: x rounded to the field's digits (ties to even, on x's exact
// binary value) and that decimal rounded once to a double; NaN and the
// infinities as themselves when the field has room for their words. Empty
// when the field shows no number (asterisks: x does not fit).
std::optional<double> PrintedValue(double x, const FieldForm& form);

// The field's text, as the writer lays it out (for messages).
std::string FieldText(double x, const FieldForm& form);

// A value the solver can take from a field: finite and below 1E+100 in
// magnitude, as list-directed input checks a real.
bool ReadableReal(const std::optional<double>& value);

// The error a reader of the file raises for the field of form `form` showing
// x on line `line` of the file, when !ReadableReal(PrintedValue(x, form)).
InputError UnreadableField(double x, const FieldForm& form, int line, const char* record, int item,
                           const char* item_name);

}  // namespace darnek
