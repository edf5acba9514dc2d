// The Fortran-style formatter against the GNU Fortran runtime: exact strings
// taken from gfortran for the cases that matter most, and a broad comparison
// with a gfortran program built on the spot when gfortran is installed.
#include "core/fortran_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cinttypes>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>

#include "support/temp_dir.h"

namespace darnek::fortran {
namespace {

std::string One(const Records& r) {
  std::string out;
  for (size_t i = 0; i < r.Lines.size(); ++i) out += (i ? "\n" : "") + r.Lines[i];
  return out;
}

struct Case {
  const char* Format;
  double Value;
  const char* Expected;
};

// Seen from gfortran 12 for these formats and values.
TEST(FortranFormat, RealFieldsMatchTheGnuRuntime) {
  const Case cases[] = {
      // Ties round to even on the exact binary value.
      {"(F5.2)", 0.125, " 0.12"},
      {"(F5.2)", 0.375, " 0.38"},
      {"(F5.1)", 0.25, "  0.2"},
      {"(F3.0)", 2.5, " 2."},
      // The sign of a negative zero, or of a value that rounds to zero, stays.
      {"(F10.3)", -0.0, "    -0.000"},
      {"(F10.3)", -0.0001, "    -0.000"},
      {"(F6.0)", -0.4, "   -0."},
      // The zero before the point goes first when the field is tight.
      {"(F4.3)", 0.5, ".500"},
      {"(F5.3)", -0.5, "-.500"},
      {"(F2.1)", 0.5, ".5"},
      {"(F3.1)", -0.04, "-.0"},
      // Values too wide for the field.
      {"(F4.3)", -0.5, "****"},
      {"(F10.3)", 1.0e300, "**********"},
      // E with and without the scale factor.
      {"(1P,E10.3)", 123.456, " 1.235E+02"},
      {"(E10.3)", 123.456, " 0.123E+03"},
      {"(1P,E10.3)", 0.0, " 0.000E+00"},
      {"(E10.3)", 0.0, " 0.000E+00"},
      {"(1P,E10.3)", -0.0, "-0.000E+00"},
      {"(1P,E10.3)", 9.9996, " 1.000E+01"},
      {"(1P,E9.3)", -9.9996, "*********"},
      {"(E10.3)", 0.99996, " 0.100E+01"},
      {"(1P,E10.1)", 5.5, "   5.5E+00"},
      {"(1P,E9.3)", 1.5, "1.500E+00"},
      {"(E9.3)", 1.5, "0.150E+01"},
      {"(E8.3)", 1.5, ".150E+01"},
      {"(-1PE12.3)", 123.456, "   0.012E+04"},
      {"(2PE12.3)", 123.456, "   12.35E+01"},
      // Ties of values scaled down by a power of ten round to even too.
      {"(E10.3)", 1245000.0, " 0.124E+07"},
      {"(E10.3)", 1235000.0, " 0.124E+07"},
      {"(1P,E10.3)", 12345000.0, " 1.234E+07"},
      // Three-digit exponents drop the letter; an exponent width keeps it.
      {"(1P,E10.3)", 1.0e-150, " 1.000-150"},
      {"(1P,E10.3)", -1.0e-150, "-1.000-150"},
      {"(1P,E12.3)", 1.0e150, "   1.000+150"},
      {"(1P,E13.4)", 1.0e-100, "   1.0000-100"},
      {"(E10.3)", 1.0e-100, " 0.100E-99"},
      {"(E12.3E4)", 123.456, " 0.123E+0003"},
      {"(1PE12.3E1)", 123.456, "    1.235E+2"},
      // Infinity and NaN.
      {"(F10.3)", std::numeric_limits<double>::infinity(), "  Infinity"},
      {"(1PE10.3)", -std::numeric_limits<double>::infinity(), " -Infinity"},
      {"(F10.3)", std::numeric_limits<double>::quiet_NaN(), "       NaN"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(One(Format(c.Format, c.Value)), c.Expected) << c.Format << " " << c.Value;
}

TEST(FortranFormat, IntegerAndTextFields) {
  EXPECT_EQ(One(Format("(I3)", 1000)), "***");
  EXPECT_EQ(One(Format("(I3)", -10)), "-10");
  EXPECT_EQ(One(Format("(I4)", 0)), "   0");
  EXPECT_EQ(One(Format("(I5.3)", 7)), "  007");
  EXPECT_EQ(One(Format("(I5.3)", -7)), " -007");
  EXPECT_EQ(One(Format("(A5)", "abcdefgh")), "abcde");
  EXPECT_EQ(One(Format("(A8)", "abc")), "     abc");
  EXPECT_EQ(One(Format("(A)", "as is ")), "as is ");
}

TEST(FortranFormat, RecordsPositioningAndReversion) {
  // Trailing blanks of nX are not written; '/' ends a record.
  EXPECT_EQ(One(Format("(A,5X)", "x")), "x");
  EXPECT_EQ(One(Format("(A,5X,/,A)", "x", "y")), "x\ny");
  EXPECT_EQ(One(Format("( / / 6X 3('*') / 6X 'A' )")), "\n\n      ***\n      A");
  // Repeated literals join their neighbours, blanks before them and counts inside.
  EXPECT_EQ(One(Format("(2X 3('-') 'a' 2(2'xy') 1X 2('''') 0('q'))")), "  ---axyxyxyxy ''");
  EXPECT_EQ(One(Format("('<' 2('=') F4.1)", 1.0, 2.0)), "<== 1.0\n== 2.0");
  // Output stops at the first data descriptor without a value.
  EXPECT_EQ(One(Format("(A,I3,A)", "a", 5)), "a  5");
  // Reversion starts a new record at the last top-level group.
  EXPECT_EQ(One(Format("(2(I3,1X),/)", 1, 2, 3, 4, 5)), "  1   2\n\n  3   4\n\n  5");
  EXPECT_EQ(One(Format("('N=' I2, 2(1X I1))", 1, 2, 3, 4, 5)), "N= 1 2 3\n 4 5");
  // The scale factor holds for the rest of the format, F included.
  EXPECT_EQ(One(Format("(1P,E10.3,F8.3,0P,F8.3)", 1.5, 2.5, 2.5)), " 1.500E+00  25.000   2.500");
  // ... and takes nothing from the blanks of nX around it (as gfortran writes them).
  EXPECT_EQ(One(Format("( 2(1X 1P E10.3) 1X 0P )", 1.5, 2.5)), "  1.500E+00  2.500E+00");
  EXPECT_EQ(One(Format("( 1X 1P 'a' 2X -1P 1X F6.2 )", 1.5)), " a     0.15");
  // '$' keeps the last record open.
  const Records open = Format("(F10.3,$)", 1.0);
  EXPECT_TRUE(open.Open);
  EXPECT_EQ(open.Lines.back(), "     1.000");
  // Blank-separated descriptors, as the report layouts are written.
  EXPECT_EQ(One(Format("( 6X 'H = ' F10.3 A3 )", 20.0, " FT")), "      H =     20.000 FT");
  // A doubled quote in a literal is one, in repeated and nested groups too (as gfortran writes it).
  EXPECT_EQ(One(Format(R"(( 'it''s' 2('"' "a""b") 2(1X,2('x')) ))")), R"(it's"a"b"a"b xx xx)");
}

TEST(FortranFormat, WrongValueKindIsAProgrammingError) {
  EXPECT_THROW(Format("(I5)", 1.5), std::logic_error);
  EXPECT_THROW(Format("(F5.1)", "text"), std::logic_error);
  EXPECT_THROW(Format("(Q5)", 1), std::logic_error);
  EXPECT_THROW(Format("('unterminated)"), std::logic_error);
}

// One compiled copy of each format text for every writer, found by the text,
// not by where it lies.
TEST(FortranFormat, EachFormatTextIsCompiledOnceAndFoundByItsText) {
  FormatLookup a, b;
  EXPECT_EQ(&a.Get("( I3, F6.2 )"), &b.Get(std::string("( I3, F6.2 )")));
  struct Lines final : RecordSink {
    std::vector<std::string> Got;
    void Complete(std::string_view record) override { Got.emplace_back(record); }
  } sink;
  std::string line;
  const Value seven[] = {7LL};
  for (int i = 0; i < 5000; ++i) a.Get("( I4, ' " + std::to_string(i) + "' )");
  for (int i = 0; i < 5000; i += 1249) b.Get("( I4, ' " + std::to_string(i) + "' )").Run(seven, line, sink);
  EXPECT_EQ(sink.Got,
            (std::vector<std::string>{"   7 0", "   7 1249", "   7 2498", "   7 3747", "   7 4996"}));
}

TEST(FortranFormat, ListDirectedRecordsMatchTheGnuRuntime) {
  EXPECT_EQ(ListRecord(3, 1.5), "           3   1.5000000000000000     ");
  EXPECT_EQ(ListRecord(0.1), "  0.10000000000000001     ");
  EXPECT_EQ(ListRecord(0.09999), "   9.9989999999999996E-002");
  // Exact ties at the seventeenth digit (2^51 - 1/4, 2^51 - 11/4) round to even, as gfortran's do.
  EXPECT_EQ(ListRecord(2251799813685247.75, 2251799813685245.25),
            "   2251799813685247.8        2251799813685245.2     ");
  EXPECT_EQ(ListRecord(1e16), "   10000000000000000.     ");
  EXPECT_EQ(ListRecord(1e17), "   1.0000000000000000E+017");
  EXPECT_EQ(ListRecord(1e-5, 3.0e-7), "   1.0000000000000001E-005   2.9999999999999999E-007");
  EXPECT_EQ(ListRecord(-0.0), "  -0.0000000000000000     ");
  EXPECT_EQ(ListRecord(-5, 0, 2147483647), "          -5           0  2147483647");
  EXPECT_EQ(ListRecord("abc", 3), " abc           3");
}

// ---------------------------------------------------------------- gfortran
uint64_t Bits(double v) {
  uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

std::string FortranRealLiteral(double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "transfer(%" PRId64 "_8, 0d0)", static_cast<int64_t>(Bits(v)));
  return buffer;
}

std::vector<double> SampleValues() {
  std::vector<double> values = {
      0.0,     -0.0,    1.0,     -1.0,      0.5,     -0.5,     0.125,   0.375,    2.5,  3.5,     0.05,
      0.005,   0.0005,  9.9995,  99.995,    0.99995, 999.9995, -9.9995, 1234567., 1e-5, 123.456, 1e10,
      1e-10,   1e99,    1e100,   1e-99,     1e-100,  9.99e99,  1e-300,  1e300,    0.1,  0.2,     0.3,
      1.0 / 3, 2.0 / 3, 12345.5, 0.0001234, 5e-324,  1.7e308,  -2.675,  2.675,    1.005};
  std::mt19937_64 rng(20261208);
  std::uniform_real_distribution<double> exponent(-12.0, 12.0);
  std::uniform_real_distribution<double> wide(-130.0, 130.0);
  for (int i = 0; i < 60; ++i) {
    const double v = std::pow(10.0, exponent(rng));
    values.push_back(i % 2 ? -v : v);
  }
  for (int i = 0; i < 20; ++i) values.push_back(std::pow(10.0, wide(rng)) * (i % 3 ? 1 : -1));
  // Decimal ties at a few widths.
  for (int i = 0; i < 20; ++i) values.push_back((i * 37 % 1000) / 1000.0 + 0.0005 * (i % 2));
  return values;
}

TEST(FortranFormat, AgreesWithGfortranOnABroadSample) {
  if (!testing::HaveGfortran()) GTEST_SKIP() << "gfortran is not installed";
  const std::vector<std::string> real_formats = {
      "(F10.3)",   "(F8.0)",    "(F6.2)",     "(F4.1)",      "(F14.5)",     "(F12.7)",   "(F3.1)",
      "(E10.3)",   "(1PE10.3)", "(1PE12.3)",  "(1PE13.4)",   "(1PE15.4)",   "(E9.1)",    "(E10.2)",
      "(E6.2)",    "(1PE9.2)",  "(2PE12.3)",  "(-1PE12.4)",  "(1PE14.5E3)", "(E12.3E1)", "(1P,F8.3)",
      "(1PE20.3)", "(E20.3)",   "(1P,E10.1)", "(F10.3,1X,A)"};
  const std::vector<double> values = SampleValues();
  std::ostringstream program;
  program << "program probe\n";
  std::vector<std::string> expected;
  for (const std::string& f : real_formats) {
    for (double v : values) {
      if (f.find('A') != std::string::npos) {
        program << "  write(*,'" << f << "') " << FortranRealLiteral(v) << ", 'x'\n";
        expected.push_back(One(Format(f, v, "x")));
      } else {
        program << "  write(*,'" << f << "') " << FortranRealLiteral(v) << "\n";
        expected.push_back(One(Format(f, v)));
      }
    }
  }
  const long long ints[] = {
      0, 1, -1, 7, -7, 99, 100, -100, 12345, -12345, 2147483647LL, -2147483648LL, 123456789012LL};
  for (const char* f : {"(I1)", "(I3)", "(I5)", "(I5.3)", "(I12)", "(I2)"}) {
    for (long long v : ints) {
      program << "  write(*,'" << f << "') " << v << "_8\n";
      expected.push_back(One(Format(f, v)));
    }
  }
  for (double v : values) {
    program << "  write(*,*) " << FortranRealLiteral(v) << "\n";
    expected.push_back(ListRecord(v));
  }
  for (long long v : {0LL, 5LL, -5LL, 2147483647LL, -2147483647LL}) {
    program << "  write(*,*) " << v << "\n";
    expected.push_back(ListRecord(static_cast<int>(v)));
  }
  program << "end program probe\n";

  testing::TempDir dir;
  std::istringstream actual(testing::RunFortran(dir, program.str()));
  std::string line;
  size_t i = 0;
  int mismatches = 0;
  while (std::getline(actual, line)) {
    ASSERT_LT(i, expected.size());
    if (line != expected[i] && ++mismatches <= 20)
      ADD_FAILURE() << "case " << i << ": gfortran '" << line << "' ours '" << expected[i] << "'";
    ++i;
  }
  EXPECT_EQ(i, expected.size());
  EXPECT_EQ(mismatches, 0);
}

// ------------------------------------------------- random formats and values
// Values that stress the rounding: any bit pattern, every magnitude, exact
// decimal ties k / 2^j (j decimals, the last a 5) and the decimal texts whose
// binary value lies just beside a tie.
class RandomValues {
 public:
  explicit RandomValues(uint64_t seed) : rng_(seed) {}

  double Next() {
    double v = 0;
    switch (rng_() % 4) {
      case 0: {  // any finite bit pattern
        do v = std::bit_cast<double>(rng_());
        while (!std::isfinite(v));
        return v;
      }
      case 1:
        v = std::pow(10.0, std::uniform_real_distribution<double>(-25, 25)(rng_));
        break;
      case 2:  // an exact tie at j decimals
        v = static_cast<double>(2 * (rng_() % 5000) + 1) / static_cast<double>(uint64_t{1} << Tie());
        break;
      default: {  // a short decimal text read as the nearest double: near a tie
        const double base = static_cast<double>(rng_() % 100000) + 0.5;
        v = base / std::pow(10.0, static_cast<double>(rng_() % 8));
      }
    }
    return rng_() % 2 ? -v : v;
  }
  int Tie() {
    last_tie_ = 1 + static_cast<int>(rng_() % 12);
    return last_tie_;
  }
  // For a tie just drawn: the decimals that put the rounding on its 5.
  int LastTieDecimals() const { return last_tie_ - 1; }
  int Pick(int low, int high) {
    return low + static_cast<int>(rng_() % static_cast<uint64_t>(high - low + 1));
  }
  bool Chance(int percent) { return static_cast<int>(rng_() % 100) < percent; }

 private:
  std::mt19937_64 rng_;
  int last_tie_ = 1;
};

// printf rounds to nearest, ties to even, on the binary value, as the runtime
// does: F without a scale factor must give printf's %.*f and 1PE its %.*e.
TEST(FortranFormat, RoundsAsPrintfOnRandomValues) {
  RandomValues random(7261);
  int mismatches = 0;
  for (int i = 0; i < 200000; ++i) {
    const double v = random.Next();
    const int d = random.Chance(30) ? random.LastTieDecimals() : random.Pick(0, 17);
    char expected[400];
    std::snprintf(expected, sizeof expected, "%.*f", d, v);
    std::string fixed;
    AppendF(fixed, 400, d, v);
    fixed.erase(0, fixed.find_first_not_of(' '));
    if (d == 0) fixed.pop_back();  // the point that F always writes
    char printf_text[64];
    std::snprintf(printf_text, sizeof printf_text, "%.*e", d, v);
    std::string printf_e = printf_text;
    const size_t e = printf_e.find('e');
    const int exponent = std::atoi(printf_e.c_str() + e + 1);
    char exponent_text[16];
    std::snprintf(exponent_text, sizeof exponent_text, std::abs(exponent) <= 99 ? "E%+03d" : "%+04d",
                  exponent);
    printf_e = printf_e.substr(0, e) + (d == 0 ? "." : "") + exponent_text;
    std::string scientific;
    AppendE(scientific, 60, d, v, 1);
    scientific.erase(0, scientific.find_first_not_of(' '));
    if ((fixed != expected || scientific != printf_e) && ++mismatches <= 10)
      ADD_FAILURE() << std::hexfloat << v << " d=" << d << ": F '" << fixed << "' printf '" << expected
                    << "'; 1PE '" << scientific << "' printf '" << printf_e << "'";
  }
  EXPECT_EQ(mismatches, 0);
}

// Random descriptors (widths down to overflow, decimals, scale factors,
// exponent widths) against gfortran.
TEST(FortranFormat, AgreesWithGfortranOnRandomFormats) {
  if (!testing::HaveGfortran()) GTEST_SKIP() << "gfortran is not installed";
  RandomValues random(1208);
  std::ostringstream program;
  program << "program probe\n";
  std::vector<std::string> expected, formats;
  for (int i = 0; i < 3000; ++i) {
    double v = random.Next();
    const bool tie = random.Chance(30);
    if (tie)
      v = static_cast<double>(2 * random.Pick(0, 4999) + 1) /
          static_cast<double>(uint64_t{1} << random.Tie());
    std::string format;
    if (random.Chance(50)) {
      const int scale = random.Chance(50) ? 0 : random.Pick(-3, 3);
      // On a tie, decimals that round exactly on its last digit.
      const int d = std::max(0, tie ? random.LastTieDecimals() - scale : random.Pick(0, 12));
      format = "(" + std::to_string(scale) + "P,F" + std::to_string(random.Pick(1, 30)) + "." +
               std::to_string(d) + ")";
    } else {
      const int d = random.Pick(1, 12);
      const int scale = random.Chance(40) ? 0 : random.Pick(1 - d, std::min(d + 1, 3));
      format =
          "(" + std::to_string(scale) + "P,E" + std::to_string(random.Pick(1, 30)) + "." + std::to_string(d);
      if (random.Chance(25)) format += "E" + std::to_string(random.Pick(1, 4));
      format += ")";
    }
    program << "  write(*,'" << format << "') " << FortranRealLiteral(v) << "\n";
    expected.push_back(One(Format(format, v)));
    formats.push_back(format + " " + FortranRealLiteral(v));
  }
  program << "end program probe\n";

  testing::TempDir dir;
  std::istringstream actual(testing::RunFortran(dir, program.str()));
  std::string line;
  size_t i = 0;
  int mismatches = 0;
  while (std::getline(actual, line) && i < expected.size()) {
    if (line != expected[i] && ++mismatches <= 20)
      ADD_FAILURE() << formats[i] << ": gfortran '" << line << "' ours '" << expected[i] << "'";
    ++i;
  }
  EXPECT_EQ(i, expected.size());
  EXPECT_EQ(mismatches, 0);
}

// Whole records: several fields, blanks, literals, groups that revert onto
// new records and fields wider than a record's working buffer, so that the
// pieces of a record come together as the runtime writes them.
TEST(FortranFormat, AgreesWithGfortranOnRandomRecords) {
  if (!testing::HaveGfortran()) GTEST_SKIP() << "gfortran is not installed";
  RandomValues random(1209);
  std::ostringstream program;
  program << "program probe\n";
  std::vector<std::string> expected, formats;
  for (int i = 0; i < 400; ++i) {
    std::string format = "(";
    std::vector<Value> values;
    std::string arguments;
    const auto real = [&](double v) {
      values.emplace_back(v);
      arguments += "," + FortranRealLiteral(v);
    };
    const int fields = random.Pick(1, 6);
    const bool group = random.Chance(40);
    for (int f = 0; f < fields; ++f) {
      if (group && f == fields / 2) format += "(";
      if (random.Chance(30)) format += std::to_string(random.Pick(1, random.Chance(10) ? 600 : 8)) + "X,";
      if (random.Chance(20)) format += "\"L" + std::to_string(f) + "\",";
      if (random.Chance(10)) format += "/,";
      const int w = random.Chance(5) ? random.Pick(500, 700) : random.Pick(1, 20);
      switch (random.Pick(0, 3)) {
        case 0: {
          format += "I" + std::to_string(w) + ",";
          const long long v = static_cast<long long>(random.Next() * 1000) % 100000000;
          values.emplace_back(v);
          arguments += "," + std::to_string(v) + "_8";
          break;
        }
        case 1:
          format += "F" + std::to_string(w) + "." + std::to_string(random.Pick(0, 8)) + ",";
          real(random.Next());
          break;
        case 2:
          format += "1PE" + std::to_string(w) + "." + std::to_string(random.Pick(1, 8)) + ",0P,";
          real(random.Next());
          break;
        default:
          format += "A" + std::to_string(random.Pick(1, 8)) + ",";
          values.emplace_back(std::string_view("ABCDE"));
          arguments += ",'ABCDE'";
      }
    }
    format.back() = ')';
    if (group) format += ")";
    // Values left over revert onto a new record (to the start: without a
    // group the same values fit again).
    if (!group && random.Chance(30)) {
      const size_t n = values.size();
      for (size_t k = 0; k < n; ++k) values.push_back(values[k]);
      arguments += std::string(arguments);
    }
    program << "  write(*,'" << format << "') " << arguments.substr(1) << "\n";
    expected.push_back(One(ApplyFormat(format, values)));
    formats.push_back(format + " " + arguments.substr(1));
  }
  program << "end program probe\n";

  testing::TempDir dir;
  std::istringstream actual(testing::RunFortran(dir, program.str()));
  std::vector<std::string> lines;
  for (std::string line; std::getline(actual, line);) lines.push_back(line);
  size_t at = 0;
  int mismatches = 0;
  for (size_t i = 0; i < expected.size(); ++i) {
    const size_t records = static_cast<size_t>(std::count(expected[i].begin(), expected[i].end(), '\n')) + 1;
    ASSERT_LE(at + records, lines.size());
    std::string got;
    for (size_t k = 0; k < records; ++k) got += (k ? "\n" : "") + lines[at + k];
    at += records;
    if (got != expected[i] && ++mismatches <= 10)
      ADD_FAILURE() << formats[i] << ":\ngfortran '" << got << "'\nours     '" << expected[i] << "'";
  }
  EXPECT_EQ(at, lines.size());
  EXPECT_EQ(mismatches, 0);
}

// Fields of every digit count, from one to eighteen, written whole and
// nothing of them spilling into their neighbours.
TEST(FortranFormat, FieldsOfEveryLengthKeepToTheirColumns) {
  EXPECT_EQ(One(Format("('<' F5.0 '|' F10.3 '|' F22.5 '|' 1P E12.4 '|' E26.17 '>')", 42.0, 123456.789,
                       99999999999999.0, -0.000123456, 1.0 / 3)),
            "<  42.|123456.789|  99999999999999.00000| -1.2346E-04|   3.33333333333333315E-01>");
  std::string line = "ab";
  AppendF(line, 6, 2, 3.14159);
  AppendE(line, 10, 3, -2.5e-7);
  line += "cd";
  EXPECT_EQ(line, "ab  3.14-0.250E-06cd");
}

}  // namespace
}  // namespace darnek::fortran
