#include "core/report_helpers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace darnek {
namespace {

TEST(WriteReal, ChoosesDecimalsFromTheSignificantDigits) {
  // Width 14, five digits: the examples the report rule is built around.
  EXPECT_EQ(RealField(14, 5, 123.456), "       123.456");
  EXPECT_EQ(RealField(14, 5, 0.5), "       0.50000");
  EXPECT_EQ(RealField(14, 5, 0.05), "     0.0500000");
  EXPECT_EQ(RealField(14, 5, 0.005), "   5.00000E-03");
  EXPECT_EQ(RealField(14, 5, 1234567.0), "   1.23457E+06");
  EXPECT_EQ(RealField(14, 5, 1.0), "       1.00000");
  EXPECT_EQ(RealField(14, 5, 99999.0), "       99999.0");
  EXPECT_EQ(RealField(14, 5, -20.0), "      -20.0000");
  // 10^d itself goes to exponent form.
  EXPECT_EQ(RealField(14, 5, 100000.0), "   1.00000E+05");
  // 0.1 is one decade down: seven decimals, still fixed point.
  EXPECT_EQ(RealField(14, 5, 0.1), "     0.1000000");
}

TEST(WriteReal, ZeroTinyAndNegativeZeroPrintAsZero) {
  EXPECT_EQ(RealField(14, 5, 0.0), "       0.00000");
  EXPECT_EQ(RealField(14, 5, -0.0), "       0.00000");
  EXPECT_EQ(RealField(14, 5, 1e-60), "       0.00000");
  EXPECT_EQ(RealField(13, 5, 600.0), "      600.000");
}

TEST(FormatRealInto, UsesTheHigherLowerThresholdAndAdvances) {
  std::string buffer;
  int position = 0;
  // With five digits both thresholds lie below the values that the decimal
  // limit already sends to exponent form; with three digits they differ.
  FormatRealInto(buffer, 14, 5, 0.005, position);
  EXPECT_EQ(position, 14);
  PadInto(buffer, 2, position);
  CopyInto(buffer, "ABCDEF", 3, position);
  FormatRealInto(buffer, 14, 5, 0.05, position);
  EXPECT_EQ(buffer, "   5.00000E-03  ABC     0.0500000");
  EXPECT_EQ(RealField(10, 3, 0.5, 3), " 5.000E-01");
  EXPECT_EQ(RealField(10, 3, 0.5, 1), "     0.500");
  EXPECT_EQ(RealField(10, 3, 1.5, 3), "     1.500");
}

TEST(LineComposition, OperationsAppendToOneRecord) {
  std::ostringstream s;
  OutputUnit unit(s);
  WriteBlanks(unit, 5);
  WriteInt(unit, 5, 12);
  WriteBlanks(unit, 0);
  WriteText(unit, "NAME", 6);
  WriteChars(unit, "FTX", 2);
  WriteTrimmedText(unit, "AB   ");
  WriteReal(unit, 10, 3, 1.5);
  EndLine(unit);
  EXPECT_EQ(s.str(), "        12 NAME   FTAB     1.500 \n");
}

TEST(LineComposition, WritesContinueAnOpenRecordAndFormatsAreKnownByTheirText) {
  std::ostringstream s;
  OutputUnit unit(s);
  unit.Write("( 'A' I3 $ )", 1);
  WriteReal(unit, 8, 3, 0.05);
  unit.Write("( 1P E10.3 / 'B' )", 2.5);
  // A format text that changes in place (same address, same length) is
  // compiled anew, not taken for the one seen there before.
  std::string format = "( I3 )";
  unit.WriteBuilt(format, 7);
  format[3] = '5';
  unit.WriteBuilt(format, 7);
  unit.List(3, 0.1);
  EXPECT_EQ(s.str(), "A  1 0.05000 2.500E+00\nB\n  7\n    7\n           3  0.10000000000000001     \n");
}

TEST(LineComposition, AUnitMovedFromWritesOnWithFormatsOfItsOwn) {
  std::ostringstream first, second;
  OutputUnit unit(first);
  unit.Write("( I3 )", 1);
  { OutputUnit taken(std::move(unit)); }
  unit.Attach(second);
  unit.Write("( I3 )", 2);
  EXPECT_EQ(first.str(), "  1\n");
  EXPECT_EQ(second.str(), "  2\n");
}

TEST(NumberText, ShowsWhatPercentGShows) {
  for (double v : {0.0, -2.5, 0.1, 1e-5, 123456.0, 1234567.0, 2.0 / 3, -1e300, 5e-324}) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "%g", v);
    EXPECT_EQ(NumberText(v), expected);
  }
}

TEST(UnitLabels, SelectEnglishSiOrNeutralTexts) {
  UnitLabels l;
  SetUnitLabels(l, 1);
  EXPECT_EQ(l.LengthLabel, " IN");
  EXPECT_EQ(l.ForceLabel, " LBS");
  EXPECT_EQ(l.LargeLengthLabel, " FT     ");
  EXPECT_EQ(l.LargeLengthLabel2, "FT      ");
  SetUnitLabels(l, -1);
  EXPECT_EQ(l.LengthLabel, "  M");
  EXPECT_EQ(l.ForceLabel, "  KN");
  EXPECT_EQ(l.SmallLengthLabel, "MM");
  EXPECT_EQ(l.ForceLabel3b, " KN");
  SetUnitLabels(l, 0);
  EXPECT_EQ(l.LengthLabel2, " L");
  EXPECT_EQ(l.ForceLabel3, "  F");
  EXPECT_EQ(l.LargeLengthLabel, "  L     ");
  // Every label keeps its width in every mode.
  for (int flag : {1, -1, 0}) {
    SetUnitLabels(l, flag);
    EXPECT_EQ(l.LengthLabel.size(), 3u);
    EXPECT_EQ(l.ForceLabel.size(), 4u);
    EXPECT_EQ(l.LengthLabel2.size(), 2u);
    EXPECT_EQ(l.ForceLabel3.size(), 3u);
    EXPECT_EQ(l.SmallLengthLabel.size(), 2u);
    EXPECT_EQ(l.ForceLabel3b.size(), 3u);
    EXPECT_EQ(l.LargeLengthLabel.size(), 8u);
    EXPECT_EQ(l.LargeLengthLabel2.size(), 8u);
  }
}

}  // namespace
}  // namespace darnek
