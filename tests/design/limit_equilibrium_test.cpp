// Embedment by limit equilibrium against closed forms of Rankine pressures:
// a cantilever (fixed earth support, d = 1.2 d0) and a wall with one level
// of tie-backs (free earth support), each in dry sand and in undrained clay.
// 0.5 % is the tolerance asked of the check; the integration is exact for
// these linear pressures, so the errors seen are those of the root search.
#include "design/limit_equilibrium.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

#include "support/figures.h"

namespace darnek::design {
namespace {

constexpr double kTolerance = 0.005;
constexpr double kDegree = std::numbers::pi / 180;

Ground OneLayer(double gamma, double c, double phi_deg, bool drained, double excavation) {
  Ground g;
  g.Layers = {{0, 100, gamma, c, phi_deg, drained, 0}};
  g.Excavation = excavation;
  return g;
}

// The root of f between lo and hi, where f changes sign once.
double Root(const std::function<double(double)>& f, double lo, double hi) {
  for (int i = 0; i < 200; ++i) {
    const double mid = (lo + hi) / 2;
    ((f(mid) > 0) == (f(lo) > 0) ? lo : hi) = mid;
  }
  return (lo + hi) / 2;
}

void ExpectClose(double engine, double hand, const char* figure) {
  EXPECT_NEAR(engine / hand, 1, kTolerance) << figure << ": " << engine << " against " << hand;
  testing::RecordFigure(figure, std::fabs(engine / hand - 1));
}

// Sand, phi 30: Ka = 1/3, Kp = 3. A 4 m cut, the tip at 10 m: d0 = 6 / 1.2
// = 5 m, F = Kp d0^3 / (Ka (H + d0)^3) = 375/243. The embedment for F = 1.5:
// d0 / (H + d0) = (Ka F / Kp)^(1/3). On strength: tan^4(45 + phi_d/2) =
// ((H + d0)/d0)^3, F = tan 30 / tan phi_d.
TEST(EmbedmentByLimitEquilibrium, CantileverInDrySandMatchesTheClosedForm) {
  const Ground g = OneLayer(18, 0, 30, true, 4);
  const Embedment e = CheckEmbedment(g, 10, {}, SafetyDefinition::Passive, 1.5, 1.2);
  ASSERT_TRUE(e.Checked) << e.Note;
  ExpectClose(e.FactorOfSafety, 375.0 / 243.0, "sand_cantilever_fs");
  const double r = std::cbrt(1.5 / 9);
  ExpectClose(e.Required, 1.2 * 4 * r / (1 - r), "sand_cantilever_embedment");
  EXPECT_NEAR(e.PivotDepth, 9, 1e-12);

  const Embedment s = CheckEmbedment(g, 10, {}, SafetyDefinition::Strength, 1.5, 1.2);
  const double phi_d = 2 * (std::atan(std::pow(1.8, 0.75)) - std::numbers::pi / 4);
  ExpectClose(s.FactorOfSafety, std::tan(30 * kDegree) / std::tan(phi_d), "sand_cantilever_fs_strength");
}

// Tie-back at 1.5 m, 6 m cut, tip at 10 m (D = 4, L = 10), moments about
// the tie-back: Mp = Kp g (D^3/3 + (H - a) D^2/2), Ma = Ka g (L^3/3 - a L^2/2);
// the tie-back force Ka g L^2/2 - Kp g D^2 / (2 F).
TEST(EmbedmentByLimitEquilibrium, AnchoredWallInDrySandMatchesTheClosedForm) {
  const Ground g = OneLayer(18, 0, 30, true, 6);
  const Support anchor{true, 1.5};
  const auto factor = [](double d) {
    const double l = 6 + d;
    return 3 * (d * d * d / 3 + 4.5 * d * d / 2) / ((l * l * l / 3 - 1.5 * l * l / 2) / 3);
  };
  const Embedment e = CheckEmbedment(g, 10, anchor, SafetyDefinition::Passive, 1.5, 1.2);
  ASSERT_TRUE(e.Checked) << e.Note;
  ExpectClose(e.FactorOfSafety, factor(4), "sand_anchored_fs");
  ExpectClose(e.Required, Root([&](double d) { return factor(d) - 1.5; }, 0.1, 4), "sand_anchored_embedment");
  ExpectClose(e.SupportForce, 18 * 100 / 6.0 - 3 * 18 * 16 / 2 / factor(4), "sand_anchored_force");
}

// Clay, su 40 kPa, 18 kN/m3, 5 m cut: the active pressure 18 z - 80 starts
// at z0 = 4.44 m, the passive in front is 18 s + 80. About the pivot d0
// below the excavation level: Ma = 18 (H + d0 - z0)^3 / 6, Mp = 3 d0^3 +
// 40 d0^2.
TEST(EmbedmentByLimitEquilibrium, CantileverInClayMatchesTheClosedForm) {
  const Ground g = OneLayer(18, 40, 0, false, 5);
  const double z0 = 80.0 / 18;
  const auto factor = [&](double d) { return (3 * d * d * d + 40 * d * d) / (3 * std::pow(5 + d - z0, 3)); };
  const Embedment e = CheckEmbedment(g, 11, {}, SafetyDefinition::Passive, 1.5, 1.2);
  ASSERT_TRUE(e.Checked) << e.Note;
  ExpectClose(e.FactorOfSafety, factor(5), "clay_cantilever_fs");
  ExpectClose(e.Required, 1.2 * Root([&](double d) { return factor(d) - 1.5; }, 0.01, 5),
              "clay_cantilever_embedment");
}

// The same clay with a tie-back at 1 m and the tip at 9 m (D = 4, L = 9):
// Ma = 18 ((L - z0)^3/3 + (z0 - a)(L - z0)^2/2), Mp = 18 (D^3/3 + (H - a)
// D^2/2) + 80 (D^2/2 + (H - a) D).
TEST(EmbedmentByLimitEquilibrium, AnchoredWallInClayMatchesTheClosedForm) {
  const Ground g = OneLayer(18, 40, 0, false, 5);
  const double z0 = 80.0 / 18;
  const auto factor = [&](double d) {
    const double l = 5 + d - z0;
    const double ma = 18 * (l * l * l / 3 + (z0 - 1) * l * l / 2);
    const double mp = 18 * (d * d * d / 3 + 4 * d * d / 2) + 80 * (d * d / 2 + 4 * d);
    return mp / ma;
  };
  const Embedment e = CheckEmbedment(g, 9, {true, 1}, SafetyDefinition::Passive, 1.5, 1.2);
  ASSERT_TRUE(e.Checked) << e.Note;
  ExpectClose(e.FactorOfSafety, factor(4), "clay_anchored_fs");
  ExpectClose(e.Required, Root([&](double d) { return factor(d) - 1.5; }, 0.01, 4),
              "clay_anchored_embedment");
}

}  // namespace
}  // namespace darnek::design
