// Moment-curvature tables: user nonlinear EI tables, the tables that come with
// nonlinear sections, the hand-over to each section and their echo.
#include <gtest/gtest.h>

#include "core/errors.h"
#include "input/stage_tables.h"
#include "input_test_support.h"

namespace darnek {
namespace {

using testing::InputHarness;

CrossSection Nonlinear(NonlinearSectionType type, int ei_index = 0) {
  CrossSection c;
  c.SectionNonlinear = SectionKind::Nonlinear;
  c.Nonlinear.SectionType = type;
  c.Nonlinear.NonlinearEIIndex = ei_index;
  return c;
}

std::vector<std::string> Slice(const std::vector<std::string>& lines, size_t first, size_t count) {
  if (first + count > lines.size()) return lines;
  return {lines.begin() + static_cast<long>(first), lines.begin() + static_cast<long>(first + count)};
}

TEST(NonlinearEITables, UserTablesAreEchoedAndFeedTheUserDefinedSection) {
  InputHarness h(-1,
                 "2\n"
                 "0.0 1 3\n"
                 "0.0 0.0\n-0.001 -150.0\n0.001 150.0\n"
                 "100.0 2 4\n"
                 "0.0 0.0\n0.001 150.0\n0.004 400.0\n0.04 560.0\n"
                 "77\n");
  ProblemData& d = h.Ctx.Data;
  d.C1.NonlinearEIOption = 2;
  d.CrossSections = {CrossSection{}, Nonlinear(NonlinearSectionType::UserDefinedEI, 2)};
  input::ReadNonlinearEITables(h.Ctx, h.Reader);
  EXPECT_EQ(h.ReadSentinel(), 77);

  ASSERT_EQ(d.EITables.size(), 2u);
  EXPECT_EQ(d.EITables[0].EITablePoints, 3);
  EXPECT_EQ(d.EITables[1].EITableValue, 100.0);
  const MomentCurvatureTable& t = d.CrossSections[1].Table;
  EXPECT_EQ(t.AxialThrust, 100.0);
  EXPECT_EQ(t.Curvature, (std::vector<double>{0.0, 0.001, 0.004, 0.04}));
  EXPECT_EQ(t.Moment, (std::vector<double>{0.0, 150.0, 400.0, 560.0}));
  EXPECT_EQ(d.CrossSections[0].Table.NumPoints(), 0);  // elastic: no table

  const std::vector<std::string> expected = {
      "",
      "     * USER DEFINED NONLINEAR EI *",
      "",
      "        SET          =      1",
      "",
      "        AXIAL THRUST =      0.0000    KN",
      "",
      "        N            CURVATURE         MOMENT           EI   ",
      "                      RAD/ M           KN- M           KN- M**2",
      "         1           0.00000           0.00000                   ",
      "         2      -1.00000E-03          -150.000                   ",
      "         3       1.00000E-03           150.000       1.50000E+05 ",
      "",
      "        SET          =      2",
      "",
      "        AXIAL THRUST =    100.0000    KN",
      "",
      "        N            CURVATURE         MOMENT           EI   ",
      "                      RAD/ M           KN- M           KN- M**2",
      "         1           0.00000           0.00000                   ",
      "         2       1.00000E-03           150.000       1.50000E+05 ",
      "         3       4.00000E-03           400.000       1.00000E+05 ",
      "         4         0.0400000           560.000           14000.0 ",
  };
  EXPECT_EQ(h.Lines(), expected);
}

TEST(NonlinearEITables, EnglishUnitsLine) {
  InputHarness h(+1, "1\n0.0 1 2\n0.0 0.0\n2.0E-6 5.94E5\n");
  h.Ctx.Data.C1.NonlinearEIOption = 1;
  input::ReadNonlinearEITables(h.Ctx, h.Reader);
  const auto lines = h.Lines();
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[5], "        AXIAL THRUST =      0.0000   LBS");
  EXPECT_EQ(lines[8], "                      RAD/IN          LBS-IN          LBS-IN**2");
  EXPECT_EQ(lines[10], "         2       2.00000E-06       5.94000E+05       2.97000E+11 ");
}

TEST(NonlinearEITables, SectionTablesFollowTheNonlinearSectionsInOrder) {
  InputHarness h(+1,
                 "2 500.0 2\n0.0 0.0\n5.0E-6 7.16E5\n"
                 "3 0.0 3\n0.0 0.0\n1.0E-5 2.0E6\n1.0E-4 3.0E6\n"
                 "77\n");
  ProblemData& d = h.Ctx.Data;
  d.CrossSections = {CrossSection{}, Nonlinear(NonlinearSectionType::RoundConcreteShaft),
                     Nonlinear(NonlinearSectionType::SteelPipePile)};
  input::ReadNonlinearEITables(h.Ctx, h.Reader);
  EXPECT_EQ(h.ReadSentinel(), 77);
  EXPECT_TRUE(d.EITables.empty());
  EXPECT_EQ(d.CrossSections[1].Table.AxialThrust, 500.0);
  EXPECT_EQ(d.CrossSections[1].Table.NumPoints(), 2);
  EXPECT_EQ(d.CrossSections[2].Table.Moment.back(), 3.0E6);

  const auto lines = h.Lines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[1], "     * INTERNALLY GENERATED NONLINEAR EI *");
  EXPECT_EQ(lines[3], "        SET          =      2");  // the section's number
  EXPECT_EQ(Slice(lines, 11, 2), (std::vector<std::string>{"", "        SET          =      3"}));

  // A table naming another section than the next nonlinear one.
  InputHarness wrong(+1, "3 0.0 2\n0.0 0.0\n1.0E-5 2.0E6\n");
  wrong.Ctx.Data.CrossSections = d.CrossSections;
  EXPECT_THROW(input::ReadNonlinearEITables(wrong.Ctx, wrong.Reader), InputError);
}

TEST(NonlinearEITables, TablesWithoutAnInitialSecantAreRejected) {
  {  // zero curvature at the second point of a section's own table
    InputHarness h(+1, "1 0.0 3\n0.0 0.0\n0.0 1.0E5\n1.0E-4 3.0E6\n");
    h.Ctx.Data.CrossSections = {Nonlinear(NonlinearSectionType::SteelHPile)};
    try {
      input::ReadNonlinearEITables(h.Ctx, h.Reader);
      ADD_FAILURE() << "no error";
    } catch (const InputError& e) {
      EXPECT_STREQ(e.what(),
                   "cross section 1 (its moment-curvature table): the curvature of point 2 must "
                   "be positive; the initial secant stiffness (moment / curvature at point 2) is "
                   "undefined");
    }
  }
  {  // a user table of one point used by a section
    InputHarness h(+1, "1\n0.0 1 1\n0.0 0.0\n");
    h.Ctx.Data.C1.NonlinearEIOption = 1;
    h.Ctx.Data.CrossSections = {Nonlinear(NonlinearSectionType::UserDefinedEI, 1)};
    EXPECT_THROW(input::ReadNonlinearEITables(h.Ctx, h.Reader), InputError);
  }
  {  // a user-defined section naming a table that is not there
    InputHarness h(+1, "");
    h.Ctx.Data.CrossSections = {Nonlinear(NonlinearSectionType::UserDefinedEI, 1)};
    try {
      input::ReadNonlinearEITables(h.Ctx, h.Reader);
      ADD_FAILURE() << "no error";
    } catch (const InputError& e) {
      EXPECT_STREQ(e.what(),
                   "cross section 1 uses nonlinear EI table 1, but the stage gives 0 nonlinear EI "
                   "tables");
    }
  }
  {  // more points than a table holds
    InputHarness h(+1, "1\n0.0 1 101\n");
    h.Ctx.Data.C1.NonlinearEIOption = 1;
    EXPECT_THROW(input::ReadNonlinearEITables(h.Ctx, h.Reader), StorageExceeded);
  }
}

}  // namespace
}  // namespace darnek
