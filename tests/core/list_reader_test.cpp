// List-directed input against Fortran semantics, and against gfortran's READ
// on the same records when gfortran is installed.
#include "core/list_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "core/codes.h"
#include "core/errors.h"
#include "support/temp_dir.h"

namespace darnek {
namespace {

TEST(ListReader, EveryReadStartsANewLineAndDiscardsTheRest) {
  std::istringstream in("3 2.5 extra\n4,\n5.5 6\n7 8\n");
  ListReader r(in);
  int i = 0;
  double a = 0, b = 0;
  r.Read("first", {{"i", &i}, {"a", &a}});
  EXPECT_EQ(i, 3);
  EXPECT_EQ(a, 2.5);
  // Continues on the next line when the record needs more values.
  r.Read("second", {{"i", &i}, {"a", &a}, {"b", &b}});
  EXPECT_EQ(i, 4);
  EXPECT_EQ(a, 5.5);
  EXPECT_EQ(b, 6.0);
  r.Read("third", {{"i", &i}});
  EXPECT_EQ(i, 7);
  EXPECT_EQ(r.line(), 4);
}

TEST(ListReader, SlashNullsAndRepeatsLeaveOrFillItems) {
  std::istringstream in(" 1 /\n2*5\n,, 9\n3*\n 4 2*,6\n");
  ListReader r(in);
  int i = 7, j = 0, k = 0;
  double a = 9;
  r.Read("slash", {{"i", &i}, {"a", &a}});
  EXPECT_EQ(i, 1);
  EXPECT_EQ(a, 9);
  r.Read("repeat", {{"i", &i}, {"j", &j}});
  EXPECT_EQ(i, 5);
  EXPECT_EQ(j, 5);
  i = 1, j = 2, k = 0;
  r.Read("nulls", {{"i", &i}, {"j", &j}, {"k", &k}});
  EXPECT_EQ(i, 1);
  EXPECT_EQ(j, 2);
  EXPECT_EQ(k, 9);
  r.Read("null repeat", {{"i", &i}, {"j", &j}, {"k", &k}});
  EXPECT_EQ(i, 1);
  EXPECT_EQ(k, 9);
  i = j = k = 0;
  // "2*" is two nulls, and the comma after it only separates.
  r.Read("mixed", {{"i", &i}, {"j", &j}, {"k", &k}, {"a", &a}});
  EXPECT_EQ(i, 4);
  EXPECT_EQ(j, 0);
  EXPECT_EQ(k, 0);
  EXPECT_EQ(a, 6.0);
}

TEST(ListReader, ReadsTextValuesAndFortranNumberForms) {
  std::istringstream in("'ab c', \"it''s\" plain\n1.5D3 -2.E-2 .5 7 +3 1.0+2\r\n");
  ListReader r(in);
  std::string s1, s2, s3;
  r.Read("texts", {{"s1", &s1}, {"s2", &s2}, {"s3", &s3}});
  EXPECT_EQ(s1, "ab c");
  EXPECT_EQ(s2, "it''s");
  EXPECT_EQ(s3, "plain");
  double v[6] = {};
  r.Read("numbers", {{"a", &v[0]}, {"b", &v[1]}, {"c", &v[2]}, {"d", &v[3]}, {"e", &v[4]}, {"f", &v[5]}});
  EXPECT_EQ(v[0], 1500.0);
  EXPECT_EQ(v[1], -0.02);
  EXPECT_EQ(v[2], 0.5);
  EXPECT_EQ(v[3], 7.0);
  EXPECT_EQ(v[4], 3.0);
  EXPECT_EQ(v[5], 100.0);
}

TEST(ListReader, MalformedRecordsNameTheLineRecordAndItem) {
  {
    std::istringstream in("2.5 3\n");
    ListReader r(in);
    int i = 0, j = 0;
    try {
      r.Read("first control line", {{"UnitSystemCode", &i}, {"NumWallSections", &j}});
      FAIL() << "a real accepted for an integer";
    } catch (const InputError& e) {
      EXPECT_STREQ(e.what(),
                   "line 1: first control line, item 1 (UnitSystemCode): expected an integer, found '2.5'");
    }
  }
  {
    std::istringstream in("1 2\n");
    ListReader r(in);
    int i = 0, j = 0, k = 0;
    try {
      r.Read("row", {{"a", &i}, {"b", &j}, {"c", &k}});
      FAIL() << "end of file not reported";
    } catch (const InputError& e) {
      EXPECT_STREQ(e.what(),
                   "line 1: row, item 3 (c): end of file inside the record: 1 more value was expected");
    }
  }
  {
    std::istringstream in("");
    ListReader r(in);
    int i = 0;
    EXPECT_THROW(r.Read("row", {{"a", &i}}), InputError);
    EXPECT_THROW(r.ReadText("title line", 70), InputError);
  }
  {
    std::istringstream in("1e 99999999999\n");
    ListReader r(in);
    double a = 0;
    int i = 0;
    EXPECT_THROW(r.Read("row", {{"a", &a}}), InputError);
    std::istringstream in2("99999999999\n");
    ListReader r2(in2);
    EXPECT_THROW(r2.Read("row", {{"i", &i}}), InputError);
  }
}

TEST(ListReader, NamesWhereARecordBeganAndAValueWithADecimalComma) {
  const auto message = [](const std::string& text, int items) {
    std::istringstream in(text);
    ListReader r(in);
    double v[3] = {};
    std::vector<ListReader::Field> fields{{"a", &v[0]}, {"b", &v[1]}, {"c", &v[2]}};
    fields.resize(static_cast<size_t>(items), fields.front());
    try {
      r.Read("row", fields);
    } catch (const InputError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message("1 2\n\nx\n", 3),
            "line 3 (the record began on line 1): row, item 3 (c): expected a real number, found 'x'");
  EXPECT_EQ(message("4,5 x\n", 3),
            "line 1: row, item 3 (c): expected a real number, found 'x'; '4,5' on line 1 looks like a number "
            "written with a decimal comma, which reads as two values: write 4.5");
  // Commas that only separate are not taken for decimal commas.
  EXPECT_EQ(message("1,2,x\n", 3), "line 1: row, item 3 (c): expected a real number, found 'x'");
  EXPECT_EQ(message("1, 2 x\n", 3), "line 1: row, item 3 (c): expected a real number, found 'x'");
  // A code item converts as it is read.
  std::istringstream in("2\n7\n");
  ListReader r(in);
  UnitSystem units = UnitSystem::English;
  r.Read("first control line", {{"UnitSystemCode", &units}});
  EXPECT_EQ(units, UnitSystem::SI);
  try {
    r.Read("first control line", {{"UnitSystemCode", &units}});
    ADD_FAILURE() << "code 7 accepted";
  } catch (const InputError& e) {
    EXPECT_STREQ(
        e.what(),
        "line 2: first control line, item 1 (UnitSystemCode): 7 is not one of its codes (1 English units, "
        "2 SI units)");
  }
  EXPECT_EQ(units, UnitSystem::SI);
}

TEST(ListReader, ARecordMissingAtTheEndIsToldFromOneCutShort) {
  std::istringstream in("5\n\n   \n");
  ListReader r(in);
  int i = 0, j = 0;
  EXPECT_TRUE(r.ReadIfAny("first", {{"i", &i}}));
  EXPECT_EQ(i, 5);
  // Blank lines only: the record is simply absent.
  EXPECT_FALSE(r.ReadIfAny("second", {{"j", &j}}));
  std::istringstream in2("\n\n");
  ListReader r2(in2);
  try {
    r2.Read("stage-continuation value", {{"continuation", &j}});
    FAIL() << "a missing record was accepted";
  } catch (const InputError& e) {
    EXPECT_STREQ(e.what(), "line 2: stage-continuation value: end of file where this record was expected");
  }
}

TEST(ListReader, TextReadsCutTheLineToItsWidthWithoutItsCarriageReturn) {
  // A file saved with CRLF line ends: the title keeps no stray carriage return.
  std::istringstream in(std::string(75, 'x') + "\r\nshort\r\n1 2\r\n");
  ListReader r(in);
  EXPECT_EQ(r.ReadText("title", 70), std::string(70, 'x'));
  EXPECT_EQ(r.ReadText("title", 70), "short");
  int a = 0, b = 0;
  r.Read("row", {{"a", &a}, {"b", &b}});
  EXPECT_EQ(b, 2);
  EXPECT_TRUE(r.AtEnd());
}

TEST(ListReader, RealsFrom1E100OnAreBeyondWhatTheReportCanPrint) {
  std::istringstream in("9.999E99 -9.999E99\n1.0E100\n");
  ListReader r(in);
  double a = 0, b = 0;
  r.Read("row", {{"a", &a}, {"b", &b}});
  EXPECT_EQ(b, -9.999e99);
  try {
    r.Read("row", {{"a", &a}});
    FAIL() << "1E100 accepted";
  } catch (const InputError& e) {
    EXPECT_STREQ(
        e.what(),
        "line 2: row, item 1 (a): '1.0E100' is beyond what the report can print: a value must be smaller "
        "than 1E+100 in magnitude");
  }
}

TEST(ListReader, AgreesWithGfortranReadOnTheSameRecords) {
  if (!testing::HaveGfortran()) GTEST_SKIP() << "gfortran is not installed";
  // Each record is read as (integer, real, real, integer) starting from
  // known values, then printed with enough digits to compare exactly.
  const std::vector<std::string> records = {"1 2.5 3.5 4",
                                            "1,2.5,3.5,4",
                                            " 1 , 2.5 , 3.5 , 4 trailing",
                                            "1\n2.5\n3.5 4",
                                            "1 2.5 /",
                                            "3 2*7.5 1",
                                            ",,,9",
                                            "1 2*4.25 8",
                                            "-3 -1.5d2 +2e-3 0",
                                            "5 .5 5. 6",
                                            "1, , 3.5,",
                                            "3*, 2",
                                            "7 1.0e+30 -1.0e-30 1",
                                            "4, 2*, 5",
                                            "0 0 0 0 extra",
                                            "8 1.25 2*",
                                            "2 3 4 5 6 7 8",
                                            " 9\t1.5\t2.5\t3",
                                            "1,\n,2.5\n 3"};
  // "1, , 3.5," ends with a separator, so its read takes its last value from
  // the next line and the reads are one fewer than the lines.
  const size_t reads = records.size() - 1;
  std::string input;
  for (const std::string& r : records) input += r + "\n";
  testing::TempDir dir;
  dir.Write("in.txt", input);
  std::ostringstream program;
  program << "program probe\n  integer :: i, j, n\n  real(8) :: a, b\n  open(10, file='in.txt')\n"
          << "  do n = 1, " << reads << "\n"
          << "    i = -11; a = -22.5d0; b = -33.25d0; j = -44\n"
          << "    read(10,*) i, a, b, j\n"
          << "    write(*,'(I0,1X,ES26.17E3,1X,ES26.17E3,1X,I0)') i, a, b, j\n"
          << "  end do\nend program probe\n";
  std::istringstream gfortran(testing::RunFortran(dir, program.str()));

  std::istringstream in(input);
  ListReader reader(in);
  for (size_t n = 0; n < reads; ++n) {
    int i = -11, j = -44;
    double a = -22.5, b = -33.25;
    reader.Read("record", {{"i", &i}, {"a", &a}, {"b", &b}, {"j", &j}});
    int gi = 0, gj = 0;
    double ga = 0, gb = 0;
    ASSERT_TRUE(gfortran >> gi >> ga >> gb >> gj) << "record " << n;
    EXPECT_EQ(i, gi) << "read " << n;
    EXPECT_EQ(a, ga) << "read " << n;
    EXPECT_EQ(b, gb) << "read " << n;
    EXPECT_EQ(j, gj) << "read " << n;
  }
}

// A run reads its input in pieces, not through a stream: lines that cross
// pieces, end without a newline or in CRLF, or pass the longest line allowed
// must come out as a stream read cuts them.
TEST(LineSource, CutsLinesAsAStreamReadDoesAcrossPieces) {
  std::mt19937 random(11);
  const size_t lengths[] = {0, 1, 4095, 4096, 4097, kMaxLineLength, kMaxLineLength + 1, kMaxLineLength + 2};
  for (int trial = 0; trial < 60; ++trial) {
    SCOPED_TRACE(trial);
    std::string text;
    const int lines = 1 + static_cast<int>(random() % 6);
    for (int i = 0; i < lines; ++i) {
      const size_t length = random() % 3 == 0 ? lengths[random() % 8] : random() % 9000;
      text += std::string(length, static_cast<char>('a' + i));
      if (random() % 3 == 0) text += '\r';
      if (i + 1 < lines || random() % 2 == 0) text += '\n';
    }
    std::istringstream expected(text);
    std::istringstream stream(text);
    TextLines in_memory(text);
    StreamLines in_pieces(stream);
    for (int line = 1;; ++line) {
      std::string want, from_memory, from_pieces;
      const LineRead read = ReadBoundedLine(expected, want);
      ASSERT_EQ(in_memory.Next(from_memory), read) << "line " << line;
      ASSERT_EQ(in_pieces.Next(from_pieces), read) << "line " << line;
      // A reader refuses the file at a line too long; what follows is unread.
      if (read != LineRead::Line) break;
      ASSERT_EQ(from_memory, want) << "line " << line;
      ASSERT_EQ(from_pieces, want) << "line " << line;
      const bool at_end = expected.peek() == std::char_traits<char>::eof();
      ASSERT_EQ(in_memory.AtEnd(), at_end) << "line " << line;
      ASSERT_EQ(in_pieces.AtEnd(), at_end) << "line " << line;
    }
  }
}

}  // namespace
}  // namespace darnek
