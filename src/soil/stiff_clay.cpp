// What the two stiff-clay models share.
#include "soil/stiff_clay.h"

#include <algorithm>
#include <cmath>

namespace darnek::soil {

double LayerAverageStrength(const ProblemData& d, const CurveFrame& f, std::optional<double>& exceeded_at) {
  const std::vector<StrengthPoint>& curve = d.Profile.StrengthCurve;
  const StrengthPoint& top = curve[2 * static_cast<size_t>(f.Layer)];
  const StrengthPoint& bottom = curve[2 * static_cast<size_t>(f.Layer) + 1];
  if (f.Z > curve.back().Z) exceeded_at = f.Z;
  // The layer's own straight line, held at its end values outside the layer
  // (the first curve of a layer thinner than the curve offset lies below it).
  const double span = bottom.Z - top.Z;
  const double t = span > 0 ? std::clamp((f.Z - top.Z) / span, 0.0, 1.0) : 1.0;
  const double c = top.S + (bottom.S - top.S) * t;
  if (f.Z - top.Z < kMinStep) return c;
  return 0.5 * (top.S + c);
}

double RunningStrengthAverage::Add(const CurveFrame& f, double c) {
  if (f.FirstInLayer) {
    first_z_ = f.Z;
    area_ = 0;
  } else {
    area_ += 0.5 * (previous_c_ + c) * (f.Z - f.ZPrevious);
  }
  previous_c_ = c;
  const double distance = f.Z - first_z_;
  // The curves of a layer thinner than the offsets may coincide.
  return std::fabs(distance) < kMinDepth ? c : area_ / distance;
}

}  // namespace darnek::soil
