#include "solver/flexural_rigidity.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "solver_fixture.h"

namespace darnek::solver {
namespace {

using testing::SolverContext;

CrossSection Linear(double ei_top, double ei_bot) {
  CrossSection c;
  c.I = {ei_top, ei_bot};
  c.E = {1.0, 1.0};
  return c;
}

CrossSection Nonlinear(std::vector<double> curvature, std::vector<double> moment) {
  CrossSection c;
  c.SectionNonlinear = SectionKind::Nonlinear;
  c.Table.Curvature = std::move(curvature);
  c.Table.Moment = std::move(moment);
  return c;
}

TEST(UpdateFlexuralRigidity, LinearSectionsAtBoundariesAboveAndBelow) {
  // SI, h = 0.5 m: section 1 from 1 to 3 m tapering 100 -> 300, section 2
  // from 3 to 5 m tapering 500 -> 700.
  SolverContext f(12, 0.5);
  f.Ctx.Data.CrossSections = {Linear(100, 300), Linear(500, 700)};
  f.Ctx.Data.WallSections = {{1.0, 3.0, 1}, {3.0, 5.0, 2}};
  UpdateFlexuralRigidity(f.Ctx);
  const StationTables& st = f.st();
  EXPECT_EQ(st.EI[0], 100);  // above the first section: its top value
  EXPECT_EQ(st.EI[2], 100);  // at its top
  EXPECT_EQ(st.EI[4], 200);  // interpolated
  EXPECT_EQ(st.EI[6], 300);  // at the common boundary: the first section's bottom
  EXPECT_EQ(st.EI[7], 550);
  EXPECT_EQ(st.EI[10], 700);  // at the last bottom
  EXPECT_EQ(st.EI[12], 700);  // below the last section: its bottom value
  EXPECT_EQ(st.EI[-1], 0);
  EXPECT_EQ(st.EI[13], 0);
}

TEST(UpdateFlexuralRigidity, EnglishDepthGrowsByRepeatedAdditionOfAFootFraction) {
  // h = 1.2 in is 0.1 ft per station; ten additions of 0.1 give
  // 0.9999999999999999, which lies just above the bottom of the only wall
  // section at 1 ft, so station 10 is interpolated, not given the bottom value.
  SolverContext f(12, 1.2, 1);
  f.Ctx.Data.CrossSections = {Linear(0.0, 1.0e20)};
  f.Ctx.Data.WallSections = {{0.0, 1.0, 1}};
  UpdateFlexuralRigidity(f.Ctx);
  EXPECT_EQ(f.st().EI[10], 9.999999999999999e19);
  EXPECT_EQ(f.st().EI[11], 1.0e20);
  EXPECT_NEAR(f.st().EI[5], 0.5e20, 1e5);
}

TEST(UpdateFlexuralRigidity, ModulusTimesInertiaAtBothEnds) {
  SolverContext f(4, 1.0);
  CrossSection c;
  c.I = {2.0, 4.0};
  c.E = {3.0, 5.0};
  f.Ctx.Data.CrossSections = {c};
  f.Ctx.Data.WallSections = {{0.0, 4.0, 1}};
  UpdateFlexuralRigidity(f.Ctx);
  EXPECT_EQ(f.st().EI[0], 6.0);
  EXPECT_EQ(f.st().EI[2], 13.0);
  EXPECT_EQ(f.st().EI[4], 20.0);
}

TEST(SecantStiffness, FollowsTheMomentCurvatureTable) {
  MomentCurvatureTable t;
  t.Curvature = {0.0, 1e-4, 3e-4, 6e-4};
  t.Moment = {10.0, 100.0, 200.0, 240.0};
  EXPECT_EQ(SecantStiffness(t, 0.0), 1.0e6);
  // 1e-8 in single precision is 9.99999993922529e-09: just below it the
  // initial secant holds, at the double 1e-8 the table is interpolated.
  EXPECT_EQ(SecantStiffness(t, 9.9999999e-9), 1.0e6);
  EXPECT_NEAR(SecantStiffness(t, 1e-8), (10.0 + 1e-8 * 9.0e5) / 1e-8, 1.0);
  EXPECT_NEAR(SecantStiffness(t, 2e-4), 150.0 / 2e-4, 1e-6);
  // A curvature on a point uses the segment below it.
  EXPECT_NEAR(SecantStiffness(t, 3e-4), 200.0 / 3e-4, 1e-6);
  EXPECT_EQ(SecantStiffness(t, 6e-4), 240.0 / 6e-4);
  EXPECT_EQ(SecantStiffness(t, 1.0), 240.0 / 6e-4);  // beyond the table: the last secant
}

TEST(UpdateFlexuralRigidity, NonlinearSectionUsesTheStationCurvature) {
  SolverContext f(10, 1.0);
  f.Ctx.Data.CrossSections = {Nonlinear({0.0, 1e-4, 3e-4, 6e-4}, {0.0, 100.0, 200.0, 240.0})};
  f.Ctx.Data.WallSections = {{0.0, 10.0, 1}};
  UpdateFlexuralRigidity(f.Ctx);
  for (int j = 0; j <= 10; ++j) EXPECT_EQ(f.st().EI[j], 1.0e6) << j;  // zero curvature
  f.st().W[4] = 2e-4;  // curvature 2e-4 at stations 3 and 5, 4e-4 at 4
  f.st().W[-1] = 1.0;  // large curvature at station 0 from the imaginary station
  UpdateFlexuralRigidity(f.Ctx);
  EXPECT_EQ(f.st().EI[0], 240.0 / 6e-4);
  EXPECT_NEAR(f.st().EI[3], 150.0 / 2e-4, 1e-6);
  EXPECT_NEAR(f.st().EI[4], (200.0 + 1e-4 * 40.0 / 3e-4) / 4e-4, 1e-6);
  EXPECT_EQ(f.st().EI[2], 1.0e6);
}

TEST(UpdateFlexuralRigidity, RejectsUnusableSections) {
  SolverContext f(10, 1.0);
  EXPECT_THROW(UpdateFlexuralRigidity(f.Ctx), InputError);  // no wall sections
  f.Ctx.Data.WallSections = {{0.0, 10.0, 2}};
  f.Ctx.Data.CrossSections = {Linear(1, 1)};
  EXPECT_THROW(UpdateFlexuralRigidity(f.Ctx), InputError);  // no cross section 2
  f.Ctx.Data.WallSections[0].SectionNumber = 1;
  for (const CrossSection& bad : {Nonlinear({0.0}, {0.0}), Nonlinear({0.0, 0.0, 1.0}, {0.0, 1.0, 2.0}),
                                  Nonlinear({0.0, 2.0, 1.0}, {0.0, 1.0, 2.0})}) {
    f.Ctx.Data.CrossSections = {bad};
    EXPECT_THROW(UpdateFlexuralRigidity(f.Ctx), InputError);
  }
}

}  // namespace
}  // namespace darnek::solver
