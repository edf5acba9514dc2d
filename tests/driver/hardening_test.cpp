// Input that people type by hand or produce from scripts: every malformed or
// unusable value gets one clear message and the normal end of the run, and no
// count, however absurd, reaches an allocation.
#include <gtest/gtest.h>

#include <regex>

#include "support/run_helper.h"

namespace darnek {
namespace {

using testing::Count;
using testing::Replace;
using testing::RunText;

// A 10 ft cantilever in sand, generated earth pressure, one tie-back and two
// user p-y curves. Each case below changes one record of it.
const char* const kBase =
    "HARDENING BASE\n"
    "1 0 1 1 0 2 0 2 1 0 1 0\n"
    "20 6.0 10.0 0.0001 60.0 12.0 120.0 50 0 0\n"
    "0.0 10.0 1\n"
    "1 1 0 0\n'SECTION'\n"
    "0 0 0 0 0 0 0 0\n"
    "0 0 0 100.0 0 0 0 0 29000000.0 0 0 0\n"
    "0 0 0.5 0 0\n'NONE'\n"
    "0\n"
    "0\n"
    "2.0 1.5 29000000.0 15.0 15.0 8.0 1000.0\n"
    "60.0 12.0 12.0 1000.0 1000.0 1.0 0 0.0 0.0\n"
    "0.0 0.0 0.0 0.0 0.0 0.0\n"
    "0\n"
    "1 1 0\n"
    "4 240.0\n"
    "0.0694 0.0 30.0 0.0 25.0 0.0\n"
    "0.0694 0.0 30.0 0.0 25.0 0.0\n"
    "10 2 1.0 1.0\n-10.0 10000.0\n10.0 -10000.0\n"
    "20 2 1.0 1.0\n-10.0 20000.0\n10.0 -20000.0\n"
    "1\n";

TEST(Hardening, TheBaseInputRunsToClosure) {
  const auto out = RunText(kBase);
  ASSERT_EQ(out.Result.Status, DARNEK_OK) << out.Result.Message;
  EXPECT_EQ(out.Result.Stages[0].Outcome, "closed");
}

// A data error that the report names, then its normal end: status 0 for the
// record-file hand-off, DARNEK_INPUT_REJECTED with the report's words for
// every other caller.
constexpr int kReportOnly = -1;

struct Case {
  const char* What;
  std::string From, To;
  int Status;
  const char* Message;  // in the report and, for input errors, on the console
};

TEST(Hardening, EveryMalformedInputClassGetsItsMessageAndTheNormalEnd) {
  const Case cases[] = {
      {"non-finite number", "20 6.0 10.0", "20 Infinity 10.0", DARNEK_INPUT_REJECTED,
       "item 2 (IncrementLength): expected a finite number, found 'Infinity'"},
      {"NaN", "0.0694 0.0 30.0 0.0 25.0 0.0\n0.0694", "NaN 0.0 30.0 0.0 25.0 0.0\n0.0694",
       DARNEK_INPUT_REJECTED, "item 1 (UnitWeight): expected a finite number, found 'NaN'"},
      {"no increments", "20 6.0 10.0", "0 6.0 10.0", DARNEK_INPUT_REJECTED,
       "(NumIncrements): 0 increments; the wall needs at least 1"},
      {"negative increment length", "20 6.0 10.0", "20 -6.0 10.0", DARNEK_INPUT_REJECTED,
       "the increment length must be positive"},
      {"absurd increment count", "20 6.0 10.0", "2000000000 6.0 10.0", kReportOnly,
       "TOO MUCH DATA FOR AVAILABLE STORAGE"},
      {"absurd curve count", "1 0 1 1 0 2 0 2 1", "1 0 1 1 0 2 0 2000000000 1", kReportOnly,
       "TOO MUCH DATA FOR AVAILABLE STORAGE"},
      {"absurd cross-section count", "1 0 1 1 0 2", "1 0 1 2000000000 0 2", kReportOnly,
       "TOO MUCH DATA FOR AVAILABLE STORAGE"},
      {"missing cross section", "0.0 10.0 1\n", "0.0 10.0 3\n", DARNEK_INPUT_REJECTED,
       "wall section 1 uses cross section 3, but the stage defines 1 cross sections"},
      {"zero flexural rigidity", "0 0 0 100.0 0", "0 0 0 0.0 0", DARNEK_INPUT_REJECTED,
       "whose flexural rigidity I x E at its top end is 0: it must be positive"},
      {"soil layer bottoms not increasing", "4 240.0\n", "4 0.0\n", DARNEK_INPUT_REJECTED,
       "line 18: soil layer 1, record L1, item 2 (LayerBottomDepth): the bottom depth 0 must lie below the "
       "bottom "
       "of the layer above"},
      {"tie-back with zero spacing", "15.0 15.0 8.0 1000.0", "15.0 15.0 0.0 1000.0", DARNEK_INPUT_REJECTED,
       "line 13: tie-back row 1, item 6 (anchor spacing): must be positive, found 0"},
      {"tie-back with zero area", "2.0 1.5 29000000.0", "2.0 0.0 29000000.0", DARNEK_INPUT_REJECTED,
       "line 13: tie-back row 1, item 2 (area): must be positive, found 0"},
      {"tie-back with zero unbonded length", "29000000.0 15.0 15.0", "29000000.0 0.0 15.0",
       DARNEK_INPUT_REJECTED, "line 13: tie-back row 1, item 4 (unbonded length): must be positive, found 0"},
      {"p-y curve with one point", "10 2 1.0 1.0\n-10.0 10000.0\n10.0 -10000.0\n",
       "10 1 1.0 1.0\n10.0 -10000.0\n", DARNEK_INPUT_REJECTED,
       "user p-y curve 1, item 2 (number of points): a p-y curve needs at least 2 points, found 1"},
      {"p-y deflections decreasing", "-10.0 20000.0\n10.0 -20000.0", "10.0 20000.0\n-10.0 -20000.0",
       DARNEK_INPUT_REJECTED,
       "the deflections of a p-y curve must increase from point to point (10 is followed by -10)"},
      {"overlapping specified conditions",
       "1 0 1 1 0 2 0 2 1 0 1 0\n20 6.0 10.0 0.0001 60.0 12.0 120.0 50 0 0\n",
       "1 2 1 1 0 2 0 2 1 0 1 0\n20 6.0 10.0 0.0001 60.0 12.0 120.0 50 0 0\n2 5 0.0 0.0\n1 6 0.0 0.0\n",
       DARNEK_INPUT_REJECTED, "each specified condition needs stations of its own"},
      {"tie-back far below the wall", "2.0 1.5 29000000.0", "1.0E99 1.5 29000000.0", kReportOnly,
       "ERROR -- NON-ZERO TABLE 4 DATA BEYOND END"},
      {"soil layer thousands of miles deep", "4 240.0\n", "4 1.0E12\n", kReportOnly,
       "TOO MUCH DATA FOR AVAILABLE STORAGE"},
      {"truncated file", "20 2 1.0 1.0\n-10.0 20000.0\n10.0 -20000.0\n1\n", "20 2 1.0 1.0\n-10.0 20000.0\n",
       DARNEK_INPUT_REJECTED, "user p-y curve 2, point 2: end of file where this record was expected"},
      {"text for a number", "0 0 0.5 0 0", "0 0 thick 0 0", DARNEK_INPUT_REJECTED,
       "expected a real number, found 'thick'"},
      // A range down to the largest station number is neither walked nor
      // written: its values beyond the tip are reported.
      {"stiffness row to the last integer station", "'NONE'\n0\n0\n",
       "'NONE'\n1\n1 0 2147483647 1.0 0 0\n0\n", kReportOnly, "ERROR -- NON-ZERO TABLE 4 DATA BEYOND END"},
      {"restraint from above the top to the last station", "'NONE'\n0\n0\n",
       "'NONE'\n0\n1\n-1 2147483647 1 5.0 0\n", kReportOnly, "ERROR -- NON-ZERO TABLE 4 DATA BEYOND END"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    const auto out = RunText(Replace(kBase, c.From, c.To));
    EXPECT_EQ(out.Result.Status, c.Status == kReportOnly ? DARNEK_INPUT_REJECTED : c.Status)
        << out.Result.Message;
    EXPECT_NE(out.Report.find(c.Message), std::string::npos)
        << out.Report.substr(out.Report.size() > 600 ? out.Report.size() - 600 : 0);
    if (c.Status == DARNEK_INPUT_REJECTED) {
      EXPECT_NE(out.Console.find(c.Message), std::string::npos);
      EXPECT_NE(out.Report.find("**** INPUT ERROR ****"), std::string::npos);
    }
    EXPECT_EQ(Count(out.Report, "END OF ANALYSIS"), 1);
    EXPECT_EQ(Count(out.Log, "END OF ANALYSIS"), 1);
    // Nothing non-finite ever reaches a table (a field would show it
    // right-justified after blanks).
    EXPECT_EQ(out.Report.find("  NaN"), std::string::npos);
    EXPECT_EQ(out.Report.find(" Infinity"), std::string::npos);
  }
}

TEST(Hardening, GeneratedSandCurvesNeedAModulusAndGroundFlatterThanTheFrictionAngle) {
  const std::string generated = Replace(kBase, "1 0 1 1 0 2 0 2 1 0 1 0", "1 0 1 1 0 2 2 2 1 0 1 0");
  // The stage is read to its end (its user curves then stand below the
  // generated ones, which the report names); the refusals below come first.
  ASSERT_EQ(RunText(generated).Result.Message,
            "stage 1, line 26: ERROR STOP -- STATIONS NOT IN ORDER (the report ends there)");
  const auto no_k = RunText(
      Replace(generated, "0.0694 0.0 30.0 0.0 25.0 0.0\n0.0694", "0.0694 0.0 30.0 0.0 0.0 0.0\n0.0694"));
  EXPECT_EQ(no_k.Result.Status, DARNEK_INPUT_REJECTED);
  EXPECT_NE(
      no_k.Report.find("soil layer 1, record L2 (layer top), item 5 (SoilModulusK): the modulus of subgrade "
                       "reaction k of a sand layer must be positive to generate its p-y curves, found 0"),
      std::string::npos);
  // A continuous wall (WA = WP) in front of ground steeper than phi.
  const auto steep = RunText(Replace(generated, "1.0 0 0.0 0.0\n", "1.0 0 0.0 40.0\n"));
  EXPECT_EQ(steep.Result.Status, DARNEK_INPUT_REJECTED);
  EXPECT_NE(steep.Report.find(
                "the excavation slope of 40 degrees is steeper than the friction angle of 30 degrees"),
            std::string::npos);
  EXPECT_EQ(steep.Report.find("  NaN"), std::string::npos);
}

TEST(Hardening, AZeroRangeToTheLastStationIsWalkedOnlyOverTheWall) {
  // Nothing but zeros beyond the tip: no error, and no time spent there.
  const auto out = RunText(Replace(kBase, "'NONE'\n0\n0\n", "'NONE'\n0\n1\n-1 2147483646 1 0.0 0.0\n"));
  EXPECT_EQ(out.Result.Status, DARNEK_OK) << out.Result.Message;
  EXPECT_EQ(out.Result.Stages.at(0).Outcome, "closed");
}

TEST(Hardening, ASpecifiedPressureDiagramMustGoDown) {
  const std::string input =
      "SPECIFIED\n1 0 1 1 0 1 0 2 1 0 0 0\n20 6.0 10.0 0.0001 60.0 12.0 120.0 50 0 0\n0.0 10.0 1\n"
      "1 1 0 0\n'S'\n0 0 0 0 0 0 0 0\n0 0 0 100.0 0 0 0 0 29000000.0 0 0 0\n0 0 0.5 0 0\n'NONE'\n0\n0\n"
      "2\n60.0 1.0\n0.0 1.0\n";
  const auto out = RunText(input);
  EXPECT_EQ(out.Result.Status, DARNEK_INPUT_REJECTED);
  EXPECT_NE(
      out.Report.find("specified pressure point 2, item 1 (depth): the depths of a pressure diagram must not "
                      "decrease (60 is followed by 0)"),
      std::string::npos);
}

TEST(Hardening, ASpecifiedPressureDiagramFarDeeperThanTheWallLoadsOnlyTheWall) {
  const std::string input =
      "SPECIFIED\n1 0 1 1 0 1 0 2 1 0 0 0\n20 6.0 10.0 0.0001 60.0 12.0 120.0 50 0 0\n0.0 10.0 1\n"
      "1 1 0 0\n'S'\n0 0 0 0 0 0 0 0\n0 0 0 100.0 0 0 0 0 29000000.0 0 0 0\n0 0 0.5 0 0\n'NONE'\n0\n0\n"
      "2\n0.0 1.0\n1.0E99 1.0\n"
      "10 2 1.0 1.0\n-10.0 10000.0\n10.0 -10000.0\n20 2 1.0 1.0\n-10.0 20000.0\n10.0 -20000.0\n1\n";
  const auto out = RunText(input);
  EXPECT_EQ(out.Result.Status, DARNEK_OK) << out.Result.Message;
  EXPECT_EQ(out.Result.Stages[0].Outcome, "closed");
}

}  // namespace
}  // namespace darnek
