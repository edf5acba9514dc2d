// The values the engine takes from the fields it has just written are the
// values a list-directed reader of its files gets, faults included.
#include "core/written_field.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <sstream>

#include "core/errors.h"
#include "core/fortran_format.h"
#include "core/list_reader.h"

namespace darnek {
namespace {

// What a reader of the file gets from the field (before it checks the range).
double FileValue(const std::string& field) {
  std::istringstream in(field);
  std::string token;
  in >> token;
  double v = 0;
  EXPECT_TRUE(ParseFortranReal(token, v)) << field;
  return v;
}

TEST(WrittenField, EveryFormOfTheScratchFilesGivesTheReadersDouble) {
  std::mt19937_64 random(17);
  std::uniform_real_distribution<double> mantissa(-10, 10);
  std::uniform_int_distribution<int> power(-40, 40);
  std::vector<double> values = {
      0.0, -0.0, 1e-120, -3.5e150, 0.0005, -0.0004999, 999999.9994, 1e22, 123456789012345678.0};
  for (int i = 0; i < 4000; ++i) values.push_back(mantissa(random) * std::pow(10.0, power(random)));
  for (double v : values) {
    for (const std::string& field : {fortran::EditE(10, 3, v, 1), fortran::EditE(10, 3, v, 0),
                                     fortran::EditF(10, 3, v), fortran::ListRecord(v)}) {
      if (field.find('*') != std::string::npos) continue;
      double got = 0;
      ASSERT_TRUE(ReadWrittenField(field, got)) << field;
      EXPECT_EQ(std::bit_cast<uint64_t>(got), std::bit_cast<uint64_t>(FileValue(field))) << field;
    }
  }
}

TEST(WrittenField, AFieldThatDoesNotReadBackFailsAsTheReaderWould) {
  double v = 0;
  EXPECT_FALSE(ReadWrittenField("**********", v));
  // A field the reader refuses: the same message, at the place given.
  for (const char* field : {"**********", "       NaN", " -Infinity", " 1.000+100", "-0.100E+101"}) {
    std::istringstream in(std::string("    1 ") + field);
    ListReader reader(in);
    int number = 0;
    std::string expected;
    try {
      reader.Read("p-y scratch file: backfill-side point", {{"point number", &number}, {"p", &v}});
    } catch (const InputError& e) {
      expected = e.what();
    }
    ASSERT_FALSE(expected.empty()) << field;
    try {
      ReadWrittenReal(field, 1, "p-y scratch file: backfill-side point", 2, "p");
      ADD_FAILURE() << field << " read back";
    } catch (const InputError& e) {
      EXPECT_EQ(e.what(), expected);
    }
  }
}

}  // namespace
}  // namespace darnek
