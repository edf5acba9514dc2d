// Axes, ticks and grid lines.
#include "pictures/axes.h"

#include <algorithm>
#include <cmath>

#include "pictures/svg.h"

namespace darnek::pictures {
namespace {

// -------------------------------------------------------------------- axes

// The axis with ticks every `step` covering [lo, hi], widened to the outer
// ticks.
Axis AxisWithStep(double lo, double hi, double step, bool scaled_labels) {
  Axis axis;
  const double first = std::floor(lo / step + 1e-9);
  const double last = std::ceil(hi / step - 1e-9);
  axis.Lo = first * step;
  axis.Hi = last * step;
  for (double i = first; i <= last + 0.5; i += 1) {
    double t = i * step;
    if (std::abs(t) < step * 1e-9) t = 0;
    axis.Ticks.push_back(t);
  }
  const double largest = std::max(std::abs(axis.Lo), std::abs(axis.Hi));
  if (scaled_labels && largest > 0 && (largest >= 1e5 || largest < 1e-2))
    axis.Exponent = static_cast<int>(std::floor(std::log10(largest) / 3)) * 3;
  const double scaled_step = step / std::pow(10.0, axis.Exponent);
  axis.Decimals = std::max(0, -static_cast<int>(std::floor(std::log10(scaled_step) + 1e-9)));
  return axis;
}

}  // namespace

std::string TickLabel(const Axis& axis, double v) {
  return Fixed(v / std::pow(10.0, axis.Exponent), axis.Decimals);
}

// Ticks at 1, 2 or 5 times a power of ten covering [lo, hi]: about `target`
// of them, but never so close on `pixels` of axis that their labels (about
// 7 px a character at 11 px) would touch.
Axis MakeAxis(double lo, double hi, int target, bool scaled_labels, double pixels, bool vertical) {
  if (!std::isfinite(lo) || !std::isfinite(hi)) lo = 0, hi = 1;
  if (hi < lo) std::swap(lo, hi);
  if (hi - lo <= std::abs(hi) * 1e-12 + 1e-300) {
    const double pad = hi == 0 ? 1 : std::abs(hi) * 0.5;
    lo -= lo == 0 ? 0 : pad;
    hi += pad;
  }
  const double raw = (hi - lo) / target;
  double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double norm = raw / magnitude;
  int multiple = norm < 1.5 ? 1 : norm < 3 ? 2 : norm < 7 ? 5 : 10;
  Axis axis;
  for (int attempt = 0; attempt < 8; ++attempt) {
    axis = AxisWithStep(lo, hi, multiple * magnitude, scaled_labels);
    const double spacing = pixels / static_cast<double>(axis.Ticks.size() - 1);
    size_t widest = 0;
    for (double t : axis.Ticks) widest = std::max(widest, Glyphs(TickLabel(axis, t)));
    const double needed = vertical ? 20 : 7.0 * static_cast<double>(widest) + 12;
    if (axis.Ticks.size() <= static_cast<size_t>(target) + 2 && spacing >= needed) break;
    if (multiple == 1)
      multiple = 2;
    else if (multiple == 2)
      multiple = 5;
    else
      multiple = 1, magnitude *= 10;
  }
  return axis;
}

// The unit as the axis shows it: millimetres read better than 10^-3 m.
std::string AxisUnit(const Axis& axis, const std::string& unit) {
  if (axis.Exponent == 0) return unit;
  if (unit == "m" && axis.Exponent == -3) return "mm";
  return "\u00d710" + Superscript(axis.Exponent) + " " + unit;
}

// The range of the finite values, always including zero.
std::pair<double, double> RangeWithZero(const std::vector<double>& values) {
  double lo = 0, hi = 0;
  for (double v : values) {
    if (!std::isfinite(v)) continue;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  return {lo, hi};
}

// Value ticks along the top of a panel, with grid lines down it.
void ValueTicks(std::string& s, const Axis& axis, const Map& x, double top, double bottom, double scale) {
  for (double t : axis.Ticks) {
    const double px = x(t);
    s += "<g class=\"tick-value\" data-value=\"" + Exact(t / scale) + "\">\n";
    Line(s, px, top, px, bottom, t == 0 ? kZeroColour : kGridColour, t == 0 ? 1.2 : 1);
    Line(s, px, top - 4, px, top, kFrameColour, 1);
    Text(s, px, top - 8, TickLabel(axis, t), " text-anchor=\"middle\" font-size=\"11\"");
    s += "</g>\n";
  }
}

// Depth grid lines across a panel; labels only where asked.
void DepthGrid(std::string& s, const Axis& axis, const Map& y, double left, double right, bool labels) {
  for (double t : axis.Ticks) {
    const double py = y(t);
    if (labels) s += "<g class=\"tick-depth\" data-value=\"" + Exact(t) + "\">\n";
    Line(s, left, py, right, py, kGridColour, 1);
    if (labels) {
      Line(s, left - 4, py, left, py, kFrameColour, 1);
      Text(s, left - 7, py + 4, TickLabel(axis, t), " text-anchor=\"end\" font-size=\"11\"");
      s += "</g>\n";
    }
  }
}

}  // namespace darnek::pictures
