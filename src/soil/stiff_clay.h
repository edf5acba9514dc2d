// What the two stiff-clay models share: the average cohesion of the layer
// down to a curve depth ("CAVG") in its two forms.
#pragma once

#include <optional>

#include "soil/py_frame.h"

namespace darnek::soil {

// The average of the layer's linear strength profile between its top and
// f.z: the mean of the top value and the value at f.z (the value at f.z
// itself within 1e-5 of the top). A depth beyond the strength curve is kept
// in `exceeded_at`, for the warning, and takes the layer's bottom value; the
// strength lookup at that depth then stops the run.
double LayerAverageStrength(const ProblemData& d, const CurveFrame& f, std::optional<double>& exceeded_at);

// The quantities a stiff-clay curve reports above its points; both models
// report the same set.
inline CurveParameters StiffClayParameters(double c, double c_average, double gamma, double eps50) {
  CurveParameters p;
  p.Set = CurveParameterSet::StiffClay;
  p.Cohesion = c;
  p.AverageCohesion = c_average;
  p.UnitWeight = gamma;
  p.StrainAtHalfStrength = eps50;
  return p;
}

// The trapezoid average of c over the layer's curves, from its first curve
// down to the current one (c itself at the first curve).
class RunningStrengthAverage {
 public:
  double Add(const CurveFrame& f, double c);

 private:
  double first_z_ = 0;
  double previous_c_ = 0;
  double area_ = 0;
};

}  // namespace darnek::soil
