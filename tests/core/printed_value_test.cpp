// The value of a field, computed, is the value a reader gets from the field's
// text, and a field written with its value is the field the writers write:
// checked against writing the field and reading it back, for every
// form the scratch files use and a few wider ones, over random doubles of
// every size and the cases a rounding gets wrong first (exact halves, values
// that round up to the next power of ten, fields on the edge of their width).
#include "core/printed_value.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/list_reader.h"

namespace darnek {
namespace {

// What a list-directed reader of the field gets: nothing from asterisks.
std::optional<double> ReadBack(const std::string& field) {
  const size_t first = field.find_first_not_of(' ');
  const size_t last = field.find_last_not_of(' ');
  double v = 0;
  if (first == std::string::npos || !ParseFortranReal(field.substr(first, last - first + 1), v))
    return std::nullopt;
  return v;
}

bool Same(const std::optional<double>& a, const std::optional<double>& b) {
  if (!a || !b) return !a && !b;
  if (std::isnan(*a) || std::isnan(*b)) return std::isnan(*a) && std::isnan(*b);
  return std::bit_cast<uint64_t>(*a) == std::bit_cast<uint64_t>(*b);
}

// Random doubles of every size, exact halves of the last digit of each form,
// and the values either side of where a field rounds up to a power of ten.
std::vector<double> Values() {
  std::mt19937_64 random(35);
  std::vector<double> v = {
      0.0,       5e-324,   DBL_MIN, DBL_MAX, 1e100,    9.9995e99, 0.0005,         0.0015,
      0.0625,    0.1875,   0.5,     1.5,     2.5,      9.9995,    99.95,          99999.9995,
      9999.9995, 999999.5, 1e22,    1e23,    INFINITY, NAN,       0.999949999999, 123456789012345678.0};
  std::uniform_real_distribution<double> mantissa(1, 10);
  std::uniform_int_distribution<int> power(-40, 40);
  std::uniform_int_distribution<uint64_t> bits;
  for (int i = 0; i < 30000; ++i) v.push_back(mantissa(random) * std::pow(10.0, power(random)));
  for (int i = 0; i < 5000; ++i) {
    const double any = std::bit_cast<double>(bits(random) >> 1);  // every exponent, positive
    if (std::isfinite(any)) v.push_back(any);
  }
  // m / 2^(d+1) with m odd is an exact half at the d-th decimal; an integer
  // ending in 5 is one at the significant digit before it.
  std::uniform_int_distribution<uint64_t> odd(0, 1 << 20);
  for (int d = 0; d <= 12; ++d)
    for (int i = 0; i < 300; ++i)
      v.push_back(static_cast<double>(2 * odd(random) + 1) / std::ldexp(1.0, d + 1));
  std::uniform_int_distribution<uint64_t> head(1, 99999999);
  for (int i = 0; i < 3000; ++i) v.push_back(static_cast<double>(head(random) * 10 + 5));
  // 10^k less half a unit of the last digit of d decimals or of n digits.
  for (int k = -20; k <= 25; ++k)
    for (int n = 1; n <= 16; ++n) {
      const double ten = std::pow(10.0, k);
      for (double x : {ten - 0.5 * std::pow(10.0, -n), ten * (1 - 0.5 * std::pow(10.0, -n))})
        for (double y : {std::nextafter(x, 0.0), x, std::nextafter(x, INFINITY)}) v.push_back(y);
    }
  const size_t positive = v.size();
  for (size_t i = 0; i < positive; ++i) v.push_back(-v[i]);
  return v;
}

TEST(PrintedValue, EveryFormGivesWhatReadingItsFieldGives) {
  const FieldForm forms[] = {FieldForm::F(10, 3),    FieldForm::E(10, 3, 1),  FieldForm::E(10, 3, 0),
                             FieldForm::E(12, 4, 1), FieldForm::F(6, 2),      FieldForm::F(8, 0),
                             FieldForm::F(30, 14),   FieldForm::E(25, 16, 1), FieldForm::E(11, 4, -1),
                             FieldForm::E(12, 5, 2), FieldForm::E(9, 3, 0),   FieldForm::F(5, 3),
                             FieldForm::List()};
  const std::vector<double> values = Values();
  int failures = 0, numbers = 0, stars = 0;
  for (const FieldForm& form : forms) {
    for (double x : values) {
      const std::string field = FieldText(x, form);
      const std::optional<double> expected = ReadBack(field);
      const std::optional<double> got = PrintedValue(x, form);
      (expected ? numbers : stars)++;
      if (!Same(got, expected) && ++failures <= 20)
        ADD_FAILURE() << "field '" << field << "' of " << std::hexfloat << x << ": computed "
                      << (got ? std::to_string(*got) : "no number");
      if (form.Kind == FieldForm::Edit::List) continue;
      // A kept scratch file takes the field and its value in one pass.
      char room[64 + fortran::kSlack];
      double value = 0;
      const std::optional<double> put =
          PutPrinted(room, x, form, value) ? std::optional<double>(value) : std::nullopt;
      const std::string written(room, static_cast<size_t>(form.Width));
      if ((written != field || !Same(put, expected)) && ++failures <= 20)
        ADD_FAILURE() << "written '" << written << "' of " << std::hexfloat << x << ", not '" << field
                      << "': value " << (put ? std::to_string(*put) : "no number");
    }
  }
  EXPECT_EQ(failures, 0);
  EXPECT_GT(numbers, 800000);
  EXPECT_GT(stars, 100000);
}

TEST(PrintedValue, AFieldTheSolverCannotTakeFailsAsTheReaderWould) {
  // A field of asterisks, NaN, an infinity, and 1E+100 or more (whose E the
  // field drops): the place and the text as a reader of the file says them.
  const struct {
    double X;
    FieldForm Form;
    const char* Detail;
  } cases[] = {
      {1e6, FieldForm::F(10, 3), "expected a real number, found '**********'"},
      {NAN, FieldForm::E(10, 3, 1), "expected a finite number, found 'NaN'"},
      {-INFINITY, FieldForm::List(), "expected a finite number, found '-Infinity'"},
      {1e100, FieldForm::E(10, 3, 1),
       "'1.000+100' is beyond what the report can print: a value must be "
       "smaller than 1E+100 in magnitude"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(ReadableReal(PrintedValue(c.X, c.Form)));
    const InputError e = UnreadableField(c.X, c.Form, 7, "p-y scratch file: backfill-side point", 2, "p");
    EXPECT_EQ(e.what(),
              "line 7: p-y scratch file: backfill-side point, item 2 (p): " + std::string(c.Detail));
  }
  EXPECT_TRUE(ReadableReal(PrintedValue(-9.99e99, FieldForm::E(10, 3, 1))));
}

}  // namespace
}  // namespace darnek
