// Axes with ticks at 1, 2 or 5 times a power of ten, the map from values to
// pixels, and the tick marks and grid lines of a panel. Ticks carry their
// values in data- attributes, so that a picture can be read back and
// checked against the plot data.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace darnek::pictures {

struct Axis {
  double Lo = 0, Hi = 1;
  std::vector<double> Ticks;
  int Decimals = 0;  // of the tick labels
  int Exponent = 0;  // tick labels show value / 10^exponent
};

// About `target` ticks covering [lo, hi], never so close on `pixels` of axis
// that their labels would touch. With `scaled_labels` very large or small
// values are labelled in a power of ten that AxisUnit names.
Axis MakeAxis(double lo, double hi, int target, bool scaled_labels, double pixels, bool vertical);
std::string TickLabel(const Axis& axis, double v);
// The unit as the axis shows it: millimetres read better than 10^-3 m.
std::string AxisUnit(const Axis& axis, const std::string& unit);
// The range of the finite values, always including zero.
std::pair<double, double> RangeWithZero(const std::vector<double>& values);

struct Map {
  double V0, V1, P0, P1;
  double operator()(double v) const { return P0 + (v - V0) * (P1 - P0) / (V1 - V0); }
};

// Value ticks along the top of a panel, with grid lines down it. The axis may
// be in a display unit `scale` times the data's; the ticks' data-value
// attributes stay in the data's unit.
void ValueTicks(std::string& s, const Axis& axis, const Map& x, double top, double bottom, double scale = 1);
// Depth grid lines across a panel; labels only where asked.
void DepthGrid(std::string& s, const Axis& axis, const Map& y, double left, double right, bool labels);

}  // namespace darnek::pictures
