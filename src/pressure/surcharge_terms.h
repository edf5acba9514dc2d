// The surcharge pressure expressions, shared by the diagram (at a depth on
// the wall) and the layer resultants of the report. m = x/H, n = z/H.
#pragma once

namespace darnek::pressure {

double PointLoadPressure(double load, double m, double n, double H);
// `far_factor` multiplies the m > 0.4 expression: 4/pi for the diagram, the
// rounded 1.273 for the layer resultants.
double LineLoadPressure(double load, double m, double n, double H, double far_factor);
// beta - sin(beta) cos(alpha1 + alpha2), beta = alpha1 - alpha2.
double StripLoadPressureFactor(double alpha1, double alpha2);

}  // namespace darnek::pressure
