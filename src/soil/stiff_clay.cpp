// What the two stiff-clay models share.
#include "soil/stiff_clay.h"

#include <algorithm>
#include <cmath>

#include "soil/soil_report.h"

namespace darnek::soil {

double LayerAverageStrength(RunContext& ctx, const CurveFrame& f) {
  const std::vector<StrengthPoint>& curve = ctx.data.Profile.StrengthCurve;
  const StrengthPoint& top = curve[2 * static_cast<size_t>(f.layer)];
  const StrengthPoint& bottom = curve[2 * static_cast<size_t>(f.layer) + 1];
  if (f.z > curve.back().Z) {
    ctx.report.Write(
        "( / 6X '**** WARNING ****' / 6X 'THE VALUE OF X =' F12.3 / "
        "6X 'IS BEYOND THE EXTENT OF THE' / 6X 'INPUT CURVE FOR STRENGTH' )",
        f.z);
  }
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

void WriteStiffClayQuantities(RunContext& ctx, const CurveFrame& f, double c, double ca, double gamma,
                              double eps50) {
  const ProblemData& d = ctx.data;
  const UnitLabels& labels = d.Run.Labels;
  const std::string stress = StressLabel(labels);
  ctx.report.Write(
      "( / 1X 'DEPTH BELOW GS' 6X 'DIAM' 10X 'C' 7X 'CAVG' 2X 'GAMMA AVG' 9X 'E50' / "
      "13X A2 8X A2 2X A9 2X A9 2X A9 )",
      DepthLabel(d), labels.LengthLabel2, stress, stress, UnitWeightLabel(labels));
  ctx.report.Write("( 5X F10.2 F10.3 1P 3E11.4 E12.4 )", ReportDepth(d, f.side_depth), f.b, c, ca, gamma,
                   eps50);
}

}  // namespace darnek::soil
