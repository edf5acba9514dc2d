// The values the engine takes from the fields it has just written are the
// values a list-directed reader of its files gets, faults included.
#include "core/written_field.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <sstream>
#include <stdexcept>

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
    for (const std::string& field :
         {fortran::Format("( 1P E10.3 )", v).Lines[0], fortran::Format("( E10.3 )", v).Lines[0],
          fortran::Format("( F10.3 )", v).Lines[0], fortran::ListRecord(v)}) {
      if (field.find('*') != std::string::npos) continue;
      double got = 0;
      ASSERT_TRUE(ReadWrittenField(field, got)) << field;
      EXPECT_EQ(std::bit_cast<uint64_t>(got), std::bit_cast<uint64_t>(FileValue(field))) << field;
    }
  }
}

// The writers take the value from the digits they have just rounded when
// those settle it; it must be the double reading the field's text gives.
TEST(WrittenField, FieldsWrittenWithTheirValueGiveTheTextsDouble) {
  std::mt19937_64 random(1709);
  std::uniform_real_distribution<double> mantissa(-10, 10);
  std::uniform_int_distribution<int> power(-30, 30);
  std::uniform_int_distribution<int> decimals(0, 12);
  std::vector<double> values = {0.0,    -0.0,         0.0005,      -0.0004999,
                                2.5e-3, 1.0005,       999999.9994, 9.9995e21,
                                1e300,  std::nan(""), -INFINITY,   123456789012345678.0};
  for (int i = 0; i < 20000; ++i) values.push_back(mantissa(random) * std::pow(10.0, power(random)));
  int known = 0;
  for (double v : values) {
    const int d = decimals(random);
    for (int form = 0; form < 4; ++form) {
      fortran::FieldRecord record;
      double read = 0;
      bool settled = false;
      if (form == 0) settled = record.F(10, 3, v, 0, read);
      if (form == 1) settled = record.F(30, d, v, d % 3 - 1, read);
      if (form == 2) settled = record.E(10, 3, v, 1, read);
      if (form == 3) settled = record.E(25, d + 1, v, d % 3 - 1, read);
      const std::string_view field = record.Text();
      ASSERT_EQ(field.size(), form == 0 || form == 2 ? 10u : form == 1 ? 30u : 25u);
      double text = 0;
      if (!ReadWrittenField(field, text)) {
        EXPECT_FALSE(settled) << field;
        continue;
      }
      if (!settled) continue;
      ++known;
      EXPECT_EQ(std::bit_cast<uint64_t>(read), std::bit_cast<uint64_t>(text)) << field;
    }
  }
  EXPECT_GT(known, 40000);
  // A record built field by field on the stack holds the same text, and
  // refuses to outgrow its room rather than write past it.
  fortran::FieldRecord row;
  std::string appended;
  double read = 0;
  row.I(5, 12);
  fortran::AppendI(appended, 5, 12);
  row.Blanks(2);
  appended += "  ";
  row.E(10, 3, -0.0123456, 1, read);
  fortran::AppendE(appended, 10, 3, -0.0123456, 1);
  row.F(10, 3, 1e30, 0, read);
  fortran::AppendF(appended, 10, 3, 1e30);
  EXPECT_EQ(row.Text(), appended);
  EXPECT_THROW(row.Blanks(static_cast<int>(fortran::FieldRecord::kRoom)), std::logic_error);
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
