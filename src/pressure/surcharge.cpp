// Lateral pressure of point, line and strip surcharges on the backfill: the
// modified Boussinesq expressions for point and line loads (Terzaghi 1954, as
// adopted by NAVFAC DM-7.2, split at m = 0.4) and the elastic strip-load
// expression. All constants are the single-precision values of the original
// method tables.
#include <algorithm>
#include <cmath>
#include <vector>

#include "pressure/earth_pressure.h"
#include "pressure/pressure_steps.h"
#include "pressure/surcharge_terms.h"

namespace darnek::pressure {

namespace {

constexpr double kPi = static_cast<double>(3.1416f);
constexpr double kModifiedRatio = static_cast<double>(0.4f);
constexpr double kPointFar = static_cast<double>(1.77f);
constexpr double kPointNear = static_cast<double>(0.28f);
constexpr double kNearOffset = static_cast<double>(0.16f);
constexpr double kLineNear = static_cast<double>(0.203f);
constexpr int kGridPoints = 200;

}  // namespace

double PointLoadPressure(double load, double m, double n, double H) {
  if (m > kModifiedRatio) {
    const double s = m * m + n * n;
    return kPointFar * load * m * m * n * n / (H * H * s * s * s);
  }
  const double s = kNearOffset + n * n;
  return kPointNear * load * n * n / (H * H * s * s * s);
}

double LineLoadPressure(double load, double m, double n, double H, double far_factor) {
  if (m > kModifiedRatio) {
    const double s = m * m + n * n;
    return far_factor * load * m * m * n / (H * s * s);
  }
  const double s = kNearOffset + n * n;
  return kLineNear * load * n / (H * s * s);
}

double StripLoadPressureFactor(double alpha1, double alpha2) {
  const double beta = alpha1 - alpha2;
  return beta - std::sin(beta) * std::cos(alpha1 + alpha2);
}

double SurchargePressureAt(const ProblemData& data, double depth) {
  const std::vector<SurchargeLoad>& loads = data.Wall.SurchargeLoads;
  if (loads.empty()) return 0;
  const double H = data.Wall.FreeHeight;
  // The expressions are scaled by the free height; without one the loads are
  // skipped (the generated diagram and the specified diagram say so in the report).
  if (H < kZeroFreeHeight) return 0;
  const double step = data.C2.WallLength / kGridPoints;
  if (!(step > 0)) return 0;

  double sum = 0;
  for (const SurchargeLoad& load : loads) {
    // The pressure is read off a fixed grid below the load level: at the
    // deepest grid depth strictly above the point on the wall.
    const double level_depth = depth + load.VerticalDistance;
    if (!(level_depth > step)) continue;  // no grid depth above the point
    int j = static_cast<int>(std::min(std::floor(level_depth / step), double{kGridPoints}));
    while (j >= 1 && j * step >= level_depth) --j;
    while (j < kGridPoints && (j + 1) * step < level_depth) ++j;
    if (j < 1) continue;
    const double z = j * step;
    const double Q = load.Magnitude * load.Factor;
    const double x = load.Distance;
    if (load.Type == SurchargeType::Line) {
      sum += LineLoadPressure(Q, x / H, z / H, H, 4 / kPi);
    } else if (load.Type == SurchargeType::Strip) {
      const double alpha1 = std::atan((x + load.Width / 2) / z);
      const double alpha2 = std::atan((x - load.Width / 2) / z);
      sum += 2 * Q * StripLoadPressureFactor(alpha1, alpha2) / kPi;
    } else {
      sum += PointLoadPressure(Q, x / H, z / H, H);
    }
  }
  return sum;
}

}  // namespace darnek::pressure
