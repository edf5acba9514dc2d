// What the two stiff-clay models share.
#include "soil/stiff_clay.h"

#include <algorithm>
#include <cmath>

namespace darnek::soil {

double LayerAverageStrength(const ProblemData& d, const CurveFrame& f, std::optional<double>& exceeded_at) {
  const std::vector<StrengthPoint>& curve = d.Profile.StrengthCurve;
  const StrengthPoint& top = curve[2 * static_cast<size_t>(f.layer)];
  const StrengthPoint& bottom = curve[2 * static_cast<size_t>(f.layer) + 1];
  if (f.z > curve.back().Z) exceeded_at = f.z;
  // The layer's own straight line, held at its end values outside the layer
  // (the first curve of a layer thinner than the curve offset lies below it).
  const double span = bottom.Z - top.Z;
  const double t = span > 0 ? std::clamp((f.z - top.Z) / span, 0.0, 1.0) : 1.0;
  const double c = top.S + (bottom.S - top.S) * t;
  if (f.z - top.Z < kMinStep) return c;
  return 0.5 * (top.S + c);
}

double RunningStrengthAverage::Add(const CurveFrame& f, double c) {
  if (f.first_in_layer) {
    first_z_ = f.z;
    area_ = 0;
  } else {
    area_ += 0.5 * (previous_c_ + c) * (f.z - f.z_previous);
  }
  previous_c_ = c;
  const double distance = f.z - first_z_;
  // The curves of a layer thinner than the offsets may coincide.
  return std::fabs(distance) < kMinDepth ? c : area_ / distance;
}

}  // namespace darnek::soil
