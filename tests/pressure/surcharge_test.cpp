// Surcharge pressures against the closed forms of the modified Boussinesq
// and strip-load expressions, read off the 200-point depth grid.
#include <cmath>

#include "pressure/earth_pressure.h"
#include "pressure/pressure_fixture.h"

namespace darnek::pressure {
namespace {

constexpr double kPi = static_cast<double>(3.1416f);

class Surcharge : public testing::PressureTest {
 protected:
  void SetUp() override {
    PressureTest::SetUp();
    Wall(100, 20, 10);  // 200 in: grid step 1
  }
  double At(double depth) const { return SurchargePressureAt(ctx.Data, depth); }
};

TEST_F(Surcharge, StripCentredOnTheWallFollowsTheClosedForm) {
  AddSurcharge(3, 3, 0, 40);
  const double a1 = std::atan(20.0 / 10);  // 10.5 reads the grid at 10
  EXPECT_NEAR(At(10.5), 2 * 3 * (2 * a1 - std::sin(2 * a1)) / kPi, 1e-14);
}

TEST_F(Surcharge, PointLoadsCloseToTheWallDoNotDependOnDistance) {
  const double H = 100, P = 1000, n = 0.4;
  AddSurcharge(1, P, 0.3 * H);
  const double near = At(40.5);
  ctx.Data.Wall.SurchargeLoads[0].Distance = 0.1 * H;
  EXPECT_EQ(At(40.5), near);
  EXPECT_NEAR(near, 0.28 * P * n * n / (H * H * std::pow(0.16 + n * n, 3)), 1e-7 * near);
  const double m = 0.5;
  ctx.Data.Wall.SurchargeLoads[0].Distance = m * H;
  EXPECT_NEAR(At(40.5), 1.77 * P * m * m * n * n / (H * H * std::pow(m * m + n * n, 3)), 1e-7 * near);
  ctx.Data.Wall.SurchargeLoads[0] = {SurchargeType::Line, 50, 60, 0, 0, 1};  // a line load
  EXPECT_NEAR(At(40.5), 4 * 50 * 0.36 * n / (kPi * H * std::pow(0.36 + n * n, 2)), 1e-12);
  ctx.Data.Wall.FreeHeight = 0;
  EXPECT_EQ(At(40.5), 0);
}

TEST_F(Surcharge, PressureIsReadAtTheDeepestGridDepthStrictlyAboveTheLoadDepth) {
  EXPECT_EQ(At(50), 0);  // no loads
  AddSurcharge(1, 1000, 10);
  EXPECT_EQ(At(0), 0);  // d = 0, v = 0: nothing above the load level
  EXPECT_EQ(At(1), 0);
  EXPECT_GT(At(1.5), 0);
  EXPECT_EQ(At(10), At(9.5));     // both read z = 9
  EXPECT_NE(At(10.01), At(9.5));  // reads z = 10
  EXPECT_EQ(At(250), At(200.5));  // beyond the grid: its last depth
  const double raised = At(14.5);
  ctx.Data.Wall.SurchargeLoads[0].VerticalDistance = 5;
  EXPECT_EQ(At(10), raised);  // z = 14 below the load
}

TEST_F(Surcharge, FactorsScaleLoadsAndLoadsOfDifferentTypesAdd) {
  AddSurcharge(1, 1000, 10);
  const double point = At(30.5);
  ctx.Data.Wall.SurchargeLoads[0].Factor = 2;
  EXPECT_DOUBLE_EQ(At(30.5), 2 * point);
  ctx.Data.Wall.SurchargeLoads[0].Factor = 0;
  EXPECT_EQ(At(30.5), 0);
  AddSurcharge(3, 2, 30, 20);
  const double strip = At(30.5);
  ctx.Data.Wall.SurchargeLoads[0].Factor = 1;
  EXPECT_DOUBLE_EQ(At(30.5), point + strip);
}

}  // namespace
}  // namespace darnek::pressure
