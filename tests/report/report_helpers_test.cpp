#include "report/report_helpers.h"

#include <gtest/gtest.h>

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
  EndLine(unit);
  EXPECT_EQ(s.str(), "        12 NAME   FTAB \n");
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
