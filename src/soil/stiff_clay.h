// What the two stiff-clay models share: the average cohesion of the layer
// down to a curve depth ("CAVG") in its two forms, and the report row.
#pragma once

#include "soil/py_frame.h"

namespace darnek::soil {

// The average of the layer's linear strength profile between its top and
// f.z: the mean of the top value and the value at f.z (the value at f.z
// itself within 1e-5 of the top). A depth beyond the strength curve writes
// the strength warning to the report and takes the layer's bottom value; the
// strength lookup at that depth then stops the run.
double LayerAverageStrength(RunContext& ctx, const CurveFrame& f);

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

// Heads "DEPTH BELOW GS", "DIAM", "C", "CAVG", "GAMMA AVG", "E50" and the
// data row of one side.
void WriteStiffClayQuantities(RunContext& ctx, const CurveFrame& f, double c, double ca, double gamma,
                              double eps50);

}  // namespace darnek::soil
