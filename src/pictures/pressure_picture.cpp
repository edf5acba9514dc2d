// The earth-pressure diagram: the load on the wall and its parts.
#include <algorithm>
#include <cmath>

#include "pictures/axes.h"
#include "pictures/drawings.h"
#include "pictures/stage_view.h"
#include "pictures/svg.h"

namespace darnek::pictures {

// ----------------------------------------------------- earth pressure

namespace {

bool AnyNonZero(const std::vector<double>& values) {
  // The diagram writes three decimals; anything below that is no load.
  for (double v : values)
    if (std::isfinite(v) && std::abs(v) >= 5e-4) return true;
  return false;
}

}  // namespace

std::string DrawEarthPressure(const PlotStage& stage, std::optional<double> excavation_depth) {
  if (!stage.EarthPressure || stage.EarthPressure->Rows.empty()) return "";
  const Units u = UnitsFor(StageUnitFlag(stage));
  const std::vector<PlotPressureRow>& rows = stage.EarthPressure->Rows;
  const std::string unit = u.force + "/" + u.length;
  const std::string title = StageName(stage) + ": earth-pressure diagram";

  struct Part {
    const char* key;
    std::string label;
    const char* colour;
    double width;
    const char* dash;
    std::vector<double> values;
  };
  std::vector<Part> parts;
  auto column = [&](auto pick) {
    std::vector<double> v;
    for (const PlotPressureRow& r : rows) v.push_back(pick(r));
    return v;
  };
  parts.push_back({"total", "Total load on the wall", kTotalColour, 4.5, "",
                   column([](const PlotPressureRow& r) { return r.Load; })});
  const std::vector<Part> optional_parts = {
      {"active", "Active earth pressure", kActiveColour, 1.8, "",
       column([](const PlotPressureRow& r) { return r.Active + r.SurfaceShare; })},
      {"water", "Water pressure", kWaterColour, 1.8, "",
       column([](const PlotPressureRow& r) { return r.Water; })},
      {"surcharge", "Surcharge pressure", kSurchargeColour, 1.8, "",
       column([](const PlotPressureRow& r) { return r.Surcharge; })},
      {"apparent", "Apparent pressure", kApparentColour, 1.8, "7 4",
       column([](const PlotPressureRow& r) { return r.Apparent; })},
  };
  for (const Part& p : optional_parts)
    if (AnyNonZero(p.values)) parts.push_back(p);

  const double width = 960, height = 800;
  const double left = 92, right = 640, top = 132, bottom = height - 40;
  std::vector<double> depths = column([&](const PlotPressureRow& r) { return r.Depth * u.depth_factor; });
  double deepest = WallLength(stage, u);
  for (double d : depths)
    if (std::isfinite(d)) deepest = std::max(deepest, d);
  if (excavation_depth && std::isfinite(*excavation_depth))
    deepest = std::max(deepest, *excavation_depth * u.depth_factor);
  const Axis depth_axis = MakeAxis(0, deepest, 10, false, bottom - top, true);
  const Map y{depth_axis.lo, depth_axis.hi, top, bottom};
  std::vector<double> all;
  for (const Part& p : parts) all.insert(all.end(), p.values.begin(), p.values.end());
  const auto [lo, hi] = RangeWithZero(all);
  const Axis axis = MakeAxis(lo, hi, 6, true, right - left, false);
  const Map x{axis.lo, axis.hi, left, right};

  std::string s = SvgOpen(width, height, title);
  Title(s, title,
        u.system + "; " + OptionText(stage.EarthPressure->Option) +
            "; pressure times the loaded width of the wall");
  Text(s, 22, (top + bottom) / 2, "Depth below top of wall (" + u.depth + ")",
       " font-size=\"13\" text-anchor=\"middle\" transform=\"rotate(-90 22 " + N((top + bottom) / 2) + ")\"");
  s += "<g class=\"depth-axis\">\n";
  DepthGrid(s, depth_axis, y, left, left, true);
  s += "</g>\n";
  s += "<g class=\"panel\" data-quantity=\"earth-pressure\">\n";
  Text(s, (left + right) / 2, 80, "Load on the wall per unit depth",
       " text-anchor=\"middle\" font-size=\"15\" font-weight=\"bold\"");
  Text(s, (left + right) / 2, 98, "(" + AxisUnit(axis, unit) + ")",
       " text-anchor=\"middle\" font-size=\"12\"");
  DepthGrid(s, depth_axis, y, left, right, false);
  ValueTicks(s, axis, x, top, bottom);
  DrawMarks(s, DepthMarks(stage, u, excavation_depth), y, left, right, depth_axis, true, true);
  Frame(s, left, top, right, bottom);
  // The total first, wide, and the parts over it: a part that equals the
  // total (the active pressure of a dry wall) shows inside it.
  for (size_t i = 0; i < parts.size(); ++i) {
    const Part& p = parts[i];
    std::vector<std::pair<double, double>> points;
    for (size_t r = 0; r < rows.size(); ++r) points.emplace_back(x(p.values[r]), y(depths[r]));
    const std::string dash = *p.dash ? std::string(" stroke-dasharray=\"") + p.dash + "\"" : "";
    Curve(s, points, p.colour, p.width, std::string("curve-") + p.key, dash);
  }
  const int k = LargestIndex(parts[0].values);
  if (k >= 0) {
    const double v = parts[0].values[static_cast<size_t>(k)];
    const double d = depths[static_cast<size_t>(k)];
    Extreme(s, "total", v, d, x(v), y(d), left, right, top, kTotalColour,
            FormatValue(v) + " " + unit + " at " + FormatDepth(d) + " " + u.depth);
  }
  s += "</g>\n";

  // Legend beside the panel.
  s += "<g class=\"legend\">\n";
  double ly = top + 6;
  Text(s, right + 28, ly, "Lines", " font-size=\"13\" font-weight=\"bold\"");
  ly += 22;
  for (const Part& p : parts) {
    const std::string dash = *p.dash ? std::string(" stroke-dasharray=\"") + p.dash + "\"" : "";
    Line(s, right + 28, ly - 4, right + 62, ly - 4, p.colour, p.width, dash);
    Text(s, right + 70, ly, p.label, " font-size=\"12\"");
    ly += 20;
  }
  ly += 8;
  Text(s, right + 28, ly, "Total = active + water + surcharge",
       std::string(" font-size=\"11\" fill=\"") + kNoteColour + "\"");
  Text(s, right + 28, ly + 15, "(the apparent diagram replaces the",
       std::string(" font-size=\"11\" fill=\"") + kNoteColour + "\"");
  Text(s, right + 28, ly + 30, "active pressure where it is chosen)",
       std::string(" font-size=\"11\" fill=\"") + kNoteColour + "\"");
  s += "</g>\n";
  return s + SvgClose();
}

}  // namespace darnek::pictures
