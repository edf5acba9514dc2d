// Cross-section records: what each section type reads, the copies of I and E
// for the flexural rigidity, and the echo line by line.
#include <gtest/gtest.h>

#include "core/errors.h"
#include "input/stage_tables.h"
#include "input_test_support.h"

namespace darnek {
namespace {

using testing::InputHarness;

// The lines of the report from the first line equal to `first` on.
std::vector<std::string> From(const std::vector<std::string>& lines, const std::string& first) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == first) return {lines.begin() + static_cast<long>(i), lines.end()};
  ADD_FAILURE() << "no line '" << first << "'";
  return {};
}

const char* kGeneralSection600 =
    "1 1 0 0\n"
    "'CFA PILE 600'\n"
    "600.0 0.0 0.0 0.0 0.0 0.0 0.0 0.0\n"
    "282743.0 0.0 0.0 6.3617E9 0.0 0.0 0.0 0.0 2.5E7 0.0  0.0 0\n"
    "0 0 0.0 0 0\n"
    "'NONE'\n";

TEST(CrossSectionEcho, GeneralSISectionEchoesItsDiameterInMillimetres) {
  InputHarness h(-1, std::string(kGeneralSection600) + "77\n");
  h.Ctx.Data.C1.NumCrossSections = 1;
  input::ReadCrossSections(h.Ctx, h.Reader);
  EXPECT_EQ(h.ReadSentinel(), 77);

  const std::vector<std::string> expected = {
      "",
      "     * CROSS SECTIONS *",
      "",
      "      CROSS SECTION       :     1",
      "      SECTION NAME        : CFA PILE 600                    ",
      "      TYPE                :  ELASTIC",
      "      CROSS SECTION TYPE  : GENERAL SECTION  ",
      "      EQUIV. DIAMETER     :       600.000 MM ",
      "      YOUNG MODULUS       :   2.50000E+07  KN/ M**2 ",
      "      THICKNESS           :       0.00000 MM ",
      "",
      "",
      "     * CROSS SECTIONS PROPERTIES *",
      "",
      "              ELASTIC SECTIONS         ",
      "",
      "       SECT           DIAM,MM       I,MM**4",
      "         1        600.000   6.36170E+09 ",
      "",
      "              NONLINEAR SECTIONS       ",
      "",
      "       SECT           DIAM,MM       I,MM**4",
  };
  EXPECT_EQ(h.Lines(), expected);

  // mm^4 to m^4 by a single-precision 1e12; E as input; a uniform section
  // has equal ends.
  const CrossSection& c = h.Ctx.Data.CrossSections.at(0);
  EXPECT_EQ(c.I[0], 6.3617E9 / 999999995904.0);
  EXPECT_NE(c.I[0], 6.3617E9 / 1e12);
  EXPECT_EQ(c.I[1], c.I[0]);
  EXPECT_EQ(c.E[0], 2.5E7);
  EXPECT_EQ(c.E[1], 2.5E7);
  EXPECT_EQ(c.Geometry[1], c.Geometry[0]);
  EXPECT_EQ(c.Properties[1], c.Properties[0]);
}

TEST(CrossSectionEcho, TaperedEnglishSectionPrintsTopAndBottomValues) {
  InputHarness h(+1,
                 "2 7 3 0\n"
                 "'W24X84 TO W21X68'\n"
                 "24.1 0.0 9.02 24.1 0.0 0.0 0.77 0.47\n"
                 "24.7 0.0 0.0 2370.0 0.0 0.0 0.0 0.0 29.0E6 0.0  0.5 1\n"
                 "21.1 0.0 8.27 21.1 0.0 0.0 0.685 0.43\n"
                 "20.0 0.0 0.0 1480.0 0.0 0.0 0.0 0.0 28.0E6 0.0  0.25\n"
                 "0 0 0.0 0 0\n"
                 "'NONE'\n"
                 "77\n");
  h.Ctx.Data.C1.NumCrossSections = 1;
  input::ReadCrossSections(h.Ctx, h.Reader);
  EXPECT_EQ(h.ReadSentinel(), 77);

  const std::vector<std::string> expected = {
      "      CROSS SECTION       :     1",
      "      SECTION NAME        : W24X84 TO W21X68                ",
      "      TYPE                :  ELASTIC",
      "      CROSS SECTION TYPE  : I SECTION        ",
      "      TAPERED SECTION                TOP                  BOTTOM",
      "      EQUIV. DIAMETER     :        24.1000 IN              21.1000 IN ",
      "      EXTERNAL WIDTH      :        9.02000 IN              8.27000 IN ",
      "      EXTERNAL DEPTH      :        24.1000 IN              21.1000 IN ",
      "      FLANGE THICKNESS    :        0.77000 IN              0.68500 IN ",
      "      WEB THICKNESS       :        0.47000 IN              0.43000 IN ",
      "      THICKNESS           :       0.00000 IN ",
      "",
      "",
      "     * CROSS SECTIONS PROPERTIES *",
      "",
      "              ELASTIC SECTIONS         ",
      "",
      "       SECT           DIAM,IN       I,IN**4",
      "         1        24.1000       2370.00  TOP ",
      "         1        21.1000       1480.00  BOT ",
  };
  const auto lines = From(h.Lines(), expected.front());
  ASSERT_GE(lines.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(expected.size())),
            expected);

  const CrossSection& c = h.Ctx.Data.CrossSections.at(0);
  EXPECT_EQ(c.Identifier, 7);  // the second identifier overwrites the first
  EXPECT_EQ(c.I[0], 2370.0);   // English second moments are used as input
  EXPECT_EQ(c.I[1], 1480.0);
  EXPECT_EQ(c.E[0], 29.0E6);
  EXPECT_EQ(c.E[1], 28.0E6);
  EXPECT_EQ(c.ExtraReal[1], 0.25);
}

// Every nonlinear type in one stream: each reads exactly the records of its
// type, so the sentinel after the last one is found.
const char* kNonlinearSections =
    // 1 round concrete shaft: main, rebars (positions), transverse
    "1 1 1 1\n'SHAFT A'\n"
    "30 39761 4000 29E6 60000 0.01 0.09 1.5 3.6E6\n"
    "2 1.0 0.79 29E6 60000 3.0 3\n"
    "-10.0 0.0\n"
    "10.0 0.0\n"
    "1 0.5 0.2 6.0 60000\n"
    // 2 cased shaft with a pipe core: main, geometry, rebars, transverse
    "2 2 2 1\n'CASED'\n"
    "36 82448 4000 29E6 50000 0.01 0.09 1.5 4.0E6\n"
    "1 0 0 0 0 36.0 0.5 20.0 0.375 29E6 36000\n"
    "8 1.0 0.79 29E6 60000 3.0 1\n"
    "1 0.5 0.2 6.0 60000\n"
    // 3 rectangular pile: main, geometry, rebars, transverse
    "3 3 3 1\n'RECT'\n"
    "16 5461 5000 29E6 60000 0.01 0.09 1.5 4.0E6\n"
    "0 16 24 0 0 0 0 0 0 0 0\n"
    "6 0.875 0.6 29E6 60000 2.5 2\n"
    "2 0.375 0.11 4.0 60000\n"
    // 4, 5, 6 prestressed: main, (geometry), strands, transverse
    "4 4 4 1\n'ROUND PS'\n"
    "24 16286 6000 0 0 0 0 0 4.4E6\n"
    "8 0.5 0.153 270000 22000 3.0 1\n"
    "1 0.25 0.05 3.0 60000\n"
    "5 5 5 1\n'SQUARE PS'\n"
    "18 8748 6000 0 0 0 0 0 4.4E6\n"
    "0 18 18 0 0 0 0 0 0 0 0\n"
    "2 0.5 0.153 270000 22000 3.0 3\n"
    "-6 -6\n"
    "6 6\n"
    "1 0.25 0.05 3.0 60000\n"
    "6 6 6 1\n'OCT PS'\n"
    "20 7800 6000 0 0 0 0 0 4.4E6\n"
    "0 20 20 0 0 0 0 0 0 0 0\n"
    "8 0.5 0.153 270000 22000 3.0 1\n"
    "1 0.25 0.05 3.0 60000\n"
    // 7 to 10 steel: main, (AISC name), geometry
    "7 7 7 1\n'PIPE'\n"
    "24 1942 0 29E6 36000 0.01 0.1 1.4 29E6\n"
    "0 0 0 0 0 0 0 24.0 0.5 0 0\n"
    "8 8 8 1\n'HP 14X89'\n"
    "14 904 0 29E6 50000 0.01 0.1 1.3 29E6\n"
    "0 14.7 13.8 0.615 0.615 0 0 0 0 0 0\n"
    "9 9 9 1\n'I'\n"
    "24 2370 0 29E6 50000 0.01 0.1 1.3 29E6\n"
    "0 9.02 24.1 0.47 0.77 0 0 0 0 0 0\n"
    "10 10 10 1\n'AISC'\n"
    "21 1480 0 29E6 50000 0.01 0.1 1.3 29E6\n"
    "'W21X68'\n"
    "0 8.27 21.1 0.43 0.685 0 0 0 0 0 0\n"
    // 11 user-defined EI: main, index
    "11 11 11 1\n'USER EI'\n"
    "36 82448 0 0 0 0 0 0 3.6E6\n"
    "2\n"
    "77\n";

TEST(CrossSectionRecords, EveryNonlinearTypeReadsItsOwnRecords) {
  InputHarness h(+1, kNonlinearSections);
  h.Ctx.Data.C1.NumCrossSections = 11;
  input::ReadCrossSections(h.Ctx, h.Reader);
  EXPECT_EQ(h.ReadSentinel(), 77);

  const auto& s = h.Ctx.Data.CrossSections;
  ASSERT_EQ(s.size(), 11u);
  EXPECT_EQ(s[0].Nonlinear.Rebars.X, (std::vector<double>{-10.0, 10.0}));
  EXPECT_EQ(s[1].Nonlinear.GeometryCode, SteelCore::Pipe);
  EXPECT_EQ(s[1].Nonlinear.GeometryRow[input::GeoCasingFy], 36000.0);
  EXPECT_TRUE(s[2].Nonlinear.Rebars.X.empty());  // layout 2 gives no positions
  EXPECT_EQ(s[3].Nonlinear.Strands.InitialForce, 22000.0);
  EXPECT_EQ(s[4].Nonlinear.Strands.Y, (std::vector<double>{-6.0, 6.0}));
  EXPECT_EQ(s[9].SecondName.substr(0, 6), "W21X68");
  EXPECT_EQ(s[10].Nonlinear.NonlinearEIIndex, 2);
  // The equivalent I and modulus serve as the section's I and E.
  EXPECT_EQ(s[10].I[0], 82448.0);
  EXPECT_EQ(s[10].E[1], 3.6E6);

  const std::vector<std::string> aisc = {
      "      CROSS SECTION       :    10",
      "      SECTION NAME        : AISC                            ",
      "      TYPE                :  NONLINEAR",
      "      CROSS SECTION TYPE  : STEEL AISC SECTION PILE    ",
      "      EQUIV. DIAMETER     :       21.0000 IN ",
      "      AISC SECTION NAME   : W21X68 ",
      "      EXTERNAL WIDTH      :       8.27000 IN ",
      "      EXTERNAL DEPTH      :       21.1000 IN ",
      "      FLANGE THICKNESS    :       0.68500 IN ",
      "      WEB THICKNESS       :       0.43000 IN ",
      "      ES STEEL            :   2.90000E+07 LBS/IN**2 ",
      "      FY STEEL            :       50000.0 LBS/IN**2 ",
      "      ESH                 :   1.00000E-02  ",
      "      ESU                 :     0.1000000  ",
      "      FU/FY               :       1.30000  ",
      "      EQ. YOUNG MODULUS   :   2.90000E+07 LBS/IN**2 ",
      "",
      "      CROSS SECTION       :    11",
      "      SECTION NAME        : USER EI                         ",
      "      TYPE                :  NONLINEAR",
      "      CROSS SECTION TYPE  : USER DEFINED EI            ",
      "      EQUIV. DIAMETER     :       36.0000 IN ",
      "      EQ. YOUNG MODULUS   :   3.60000E+06 LBS/IN**2 ",
      "      NONLINEAR EI INDEX  :             2 ",
      "",
      "",
      "     * CROSS SECTIONS PROPERTIES *",
      "",
      "              ELASTIC SECTIONS         ",
      "",
      "       SECT           DIAM,IN       I,IN**4",
      "",
      "              NONLINEAR SECTIONS       ",
      "",
      "       SECT           DIAM,IN       I,IN**4",
      "         1        30.0000       39761.0 ",
  };
  const auto lines = From(h.Lines(), aisc.front());
  ASSERT_GE(lines.size(), aisc.size());
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(aisc.size())), aisc);

  const std::vector<std::string> prestressed = {
      "      CROSS SECTION TYPE  : SQUARE PRESTRESSED PILE    ",
      "      EQUIV. DIAMETER     :       18.0000 IN ",
      "      EXTERNAL WIDTH      :       18.0000 IN ",
      "      EXTERNAL DEPTH      :       18.0000 IN ",
      "      CONCRETE FC         :       6000.00 LBS/IN**2 ",
      "      NUMBER STRANDS      :             2 ",
      "      DIAMETER STRAND     :       0.50000 IN ",
      "      AREA STRAND         :       0.15300 IN**2 ",
      "      FU STRAND           :   2.70000E+05 LBS/IN**2 ",
      "      INITIAL PRESS. FORCE:       22000.0 LBS ",
      "      STRAND LAYOUT       :             3 ",
      "      COVER               :       3.00000 IN ",
      "      STRAND COORDS       :      -6.00000     -6.00000 IN ",
      "                                  6.00000      6.00000 IN ",
      "      NUMBER TR. REBARS   :             1 ",
  };
  const auto ps = From(h.Lines(), prestressed.front());
  ASSERT_GE(ps.size(), prestressed.size());
  EXPECT_EQ(std::vector<std::string>(ps.begin(), ps.begin() + static_cast<long>(prestressed.size())),
            prestressed);
}

TEST(CrossSectionRecords, RejectsWhatCannotBeRead) {
  {  // more sections than the table holds: nothing is read
    InputHarness h(+1, "");
    h.Ctx.Data.C1.NumCrossSections = 101;
    EXPECT_THROW(input::ReadCrossSections(h.Ctx, h.Reader), StorageExceeded);
  }
  {  // an elastic shape code outside the table of shapes
    InputHarness h(+1, "1 1 9 0\n'X'\n");
    h.Ctx.Data.C1.NumCrossSections = 1;
    EXPECT_THROW(input::ReadCrossSections(h.Ctx, h.Reader), InputError);
  }
  {  // a nonlinear type outside 1 to 11
    InputHarness h(+1, "1 1 12 1\n'X'\n");
    h.Ctx.Data.C1.NumCrossSections = 1;
    EXPECT_THROW(input::ReadCrossSections(h.Ctx, h.Reader), InputError);
  }
  {  // more bar positions than the table holds
    InputHarness h(+1, "1 1 1 1\n'X'\n30 0 4000 0 0 0 0 0 3.6E6\n101 1 1 1 1 3 3\n");
    h.Ctx.Data.C1.NumCrossSections = 1;
    EXPECT_THROW(input::ReadCrossSections(h.Ctx, h.Reader), StorageExceeded);
  }
  {  // a wall section naming a section the stage does not define
    InputHarness h(-1, kGeneralSection600);
    h.Ctx.Data.C1.NumCrossSections = 1;
    h.Ctx.Data.WallSections = {{0.0, 5.0, 1}, {5.0, 10.0, 2}};
    try {
      input::ReadCrossSections(h.Ctx, h.Reader);
      ADD_FAILURE() << "no error";
    } catch (const InputError& e) {
      EXPECT_STREQ(e.what(), "wall section 2 uses cross section 2, but the stage defines 1 cross sections");
    }
  }
  {  // a word where a real belongs names the line, the record and the item
    InputHarness h(-1, "1 1 0 0\n'A'\n600 0 0 x 0 0 0 0\n");
    h.Ctx.Data.C1.NumCrossSections = 1;
    try {
      input::ReadCrossSections(h.Ctx, h.Reader);
      ADD_FAILURE() << "no error";
    } catch (const InputError& e) {
      EXPECT_STREQ(e.what(),
                   "line 3: cross section 1, top geometry row, item 4 (external depth): "
                   "expected a real number, found 'x'");
    }
  }
}

}  // namespace
}  // namespace darnek
