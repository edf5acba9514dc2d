// The frictional resistance of the sand curves (Reese, Cox and Koop 1974),
// shared by the sand and silt models: the empirical coefficients A and B by
// depth over width, and the angles of the passive wedge.
#pragma once

#include <cmath>

#include "soil/soil_constants.h"

namespace darnek::soil {

inline constexpr double kK0 = Single(0.4f);  // at-rest coefficient of the wedge
// A of the flow-around resistance at depth (the table's deep value).
inline constexpr double kDeepA = Single(0.88f);

// The coefficients as published (single precision); beyond x/b = 6 the last
// segment is extended, so the values stay constant.
inline constexpr int kSandTablePoints = 10;
using SandTable = float[kSandTablePoints];
inline constexpr SandTable kSandRatio = {0.0f, 0.5f, 1.0f, 1.5f, 2.0f, 2.5f, 3.0f, 4.0f, 5.0f, 6.0f};
inline constexpr SandTable kAStatic = {2.83f, 2.48f, 2.11f, 1.76f, 1.48f, 1.23f, 1.06f, 0.90f, 0.88f, 0.88f};
inline constexpr SandTable kBStatic = {2.14f, 1.83f, 1.54f, 1.27f, 1.05f, 0.86f, 0.71f, 0.53f, 0.50f, 0.50f};
inline constexpr SandTable kACyclic = {0.75f, 0.93f, 1.07f, 1.11f, 1.03f, 0.98f, 0.94f, 0.90f, 0.88f, 0.88f};
inline constexpr SandTable kBCyclic = {0.53f, 0.72f, 0.83f, 0.86f, 0.82f, 0.77f, 0.70f, 0.55f, 0.55f, 0.55f};

// Linear interpolation in a coefficient table at depth over width `ratio`.
inline double SandCoefficient(const SandTable& table, double ratio) {
  int i = 0;
  while (i < kSandTablePoints - 2 && ratio > static_cast<double>(kSandRatio[i + 1])) ++i;
  const double x0 = kSandRatio[i];
  const double x1 = kSandRatio[i + 1];
  const double v0 = table[i];
  const double v1 = table[i + 1];
  return v0 + (v1 - v0) * (ratio - x0) / (x1 - x0);
}

// Angles of the passive wedge for friction angle phi, with the value of pi
// the model was written with.
struct Wedge {
  Wedge(double phi, double pi)
      : Alpha(phi / 2),
        Beta(pi / 4 + phi / 2),
        Ka(std::pow(std::tan(pi / 4 - phi / 2), 2)),
        TanPhi(std::tan(phi)),
        TanAlpha(std::tan(Alpha)),
        TanBeta(std::tan(Beta)),
        TanBetaPhi(std::tan(Beta - phi)),
        SinBeta(std::sin(Beta)),
        CosAlpha(std::cos(Alpha)) {}
  double Alpha, Beta, Ka;
  double TanPhi, TanAlpha, TanBeta, TanBetaPhi, SinBeta, CosAlpha;

  // Flow-around resistance per unit of gamma x: [Ka (tan^8 beta - 1) + K0 tan phi tan^4 beta] b.
  double FlowAround(double b) const {
    return (Ka * (std::pow(TanBeta, 8) - 1) + kK0 * TanPhi * std::pow(TanBeta, 4)) * b;
  }
  // The level-ground wedge value is gamma (Linear x + Quadratic x^2), with
  // `active` the coefficient of its active-pressure term.
  double Linear(double b, double active) const { return b * (TanBeta / TanBetaPhi - active); }
  double Quadratic() const {
    return kK0 * TanPhi * SinBeta / (TanBetaPhi * CosAlpha) + TanBeta * TanBeta * TanAlpha / TanBetaPhi +
           kK0 * TanBeta * (TanPhi * SinBeta - TanAlpha);
  }
};

// The integral from 0 of A times the wedge value gamma (c1 x + c2 x^2) (plus
// a model's own part, `extra(x0, x1)` over a step) taken in equal steps up
// to xm, where the wedge meets the flow-around value: each step adds A at its
// mid-depth times the exact integral of the wedge polynomial over the step.
// Stops at the step in which the sum passes `target`, interpolating in it.
struct WedgeIntegral {
  bool Reached = false;
  double Depth = 0;  // where the sum reached the target, when it did
  double Sum = 0;    // the integral up to xm otherwise
};

template <class Extra>
WedgeIntegral IntegrateWedge(const SandTable& a_table, double width, double gamma, double c1, double c2,
                             double xm, int steps, double target, Extra extra) {
  WedgeIntegral result;
  if (!(xm > 0)) return result;
  const double step = xm / steps;
  for (int i = 0; i < steps; ++i) {
    const double x0 = i * step;
    const double x1 = x0 + step;
    const double a = SandCoefficient(a_table, 0.5 * (x0 + x1) / width);
    const double increment =
        a * gamma * (c1 * (x1 * x1 - x0 * x0) / 2 + c2 * (x1 * x1 * x1 - x0 * x0 * x0) / 3) + extra(x0, x1);
    if (increment > 0 && result.Sum + increment >= target) {
      result.Reached = true;
      result.Depth = x0 + step * (target - result.Sum) / increment;
      return result;
    }
    result.Sum += increment;
  }
  return result;
}

}  // namespace darnek::soil
