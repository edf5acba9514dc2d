// Deflection, bending moment, shear and soil reaction along the wall.
#include <algorithm>
#include <cmath>

#include "pictures/axes.h"
#include "pictures/drawings.h"
#include "pictures/stage_view.h"
#include "pictures/svg.h"

namespace darnek::pictures {
namespace {

struct Quantity {
  const char* key;
  const char* title;
  std::string unit;
  const char* colour;
  double PlotStationRow::*member;
};

}  // namespace

std::string DrawWallDiagrams(const PlotStage& stage, std::optional<double> excavation_depth) {
  const Units u = UnitsFor(StageUnitFlag(stage));
  const std::string title = StageName(stage) + ": deflection, bending moment, shear and soil reaction";
  if (!stage.Results) {
    return MessageSvg(title, {"No results for this stage: the plot file ends before its results block,",
                              "so the run ended before the stage's results were written (see the report)."});
  }
  if (!stage.Results->Solved || stage.Results->Rows.empty()) {
    return MessageSvg(title,
                      {"No solution in this stage: the maximum allowable deflection was exceeded or the",
                       "iteration limit was reached, so there are no results to draw.",
                       "The report and the run log say which."});
  }
  const std::vector<PlotStationRow>& rows = stage.Results->Rows;
  const std::vector<Quantity> quantities = {
      {"deflection", "Deflection", u.length, kDeflectionColour, &PlotStationRow::Deflection},
      {"moment", "Bending moment", u.force + "-" + u.length, kMomentColour, &PlotStationRow::Moment},
      {"shear", "Shear", u.force, kShearColour, &PlotStationRow::Shear},
      {"soil-reaction", "Soil reaction", u.force + "/" + u.length, kSoilReactionColour,
       &PlotStationRow::SoilReaction},
  };

  const double width = 1200, height = 800;
  const double left = 92, right_margin = 28, gap = 54, top = 132, bottom = height - 40;
  const double panel_width = (width - left - right_margin - gap * 3) / 4;

  std::vector<double> depths;
  for (const PlotStationRow& r : rows) depths.push_back(r.X * u.depth_factor);
  double deepest = WallLength(stage, u);
  if (excavation_depth && std::isfinite(*excavation_depth))
    deepest = std::max(deepest, *excavation_depth * u.depth_factor);
  const Axis depth_axis = MakeAxis(0, deepest, 10, false, bottom - top, true);
  const Map y{depth_axis.lo, depth_axis.hi, top, bottom};
  const std::vector<DepthMark> marks = DepthMarks(stage, u, excavation_depth);

  std::string s = SvgOpen(width, height, title);
  Title(s, title, u.system + "; depth below the top of the wall in " + u.depth + "; largest values marked");
  Text(s, 22, (top + bottom) / 2, "Depth below top of wall (" + u.depth + ")",
       " font-size=\"13\" text-anchor=\"middle\" transform=\"rotate(-90 22 " + N((top + bottom) / 2) + ")\"");
  s += "<g class=\"depth-axis\">\n";
  DepthGrid(s, depth_axis, y, left, left, true);
  s += "</g>\n";

  for (size_t q = 0; q < quantities.size(); ++q) {
    const Quantity& quantity = quantities[q];
    const double px0 = left + static_cast<double>(q) * (panel_width + gap);
    const double px1 = px0 + panel_width;
    std::vector<double> values;
    for (const PlotStationRow& r : rows) values.push_back(r.*quantity.member);
    const auto [lo, hi] = RangeWithZero(values);
    const Axis axis = MakeAxis(lo, hi, 4, true, panel_width, false);
    const Map x{axis.lo, axis.hi, px0, px1};

    s += std::string("<g class=\"panel\" data-quantity=\"") + quantity.key + "\">\n";
    Text(s, (px0 + px1) / 2, 80, quantity.title,
         std::string(" text-anchor=\"middle\" font-size=\"15\" font-weight=\"bold\" fill=\"") +
             quantity.colour + "\"");
    Text(s, (px0 + px1) / 2, 98, "(" + AxisUnit(axis, quantity.unit) + ")",
         " text-anchor=\"middle\" font-size=\"12\"");
    DepthGrid(s, depth_axis, y, px0, px1, false);
    ValueTicks(s, axis, x, top, bottom);
    DrawMarks(s, marks, y, px0, px1, depth_axis, q == 0, q + 1 == quantities.size());
    Frame(s, px0, top, px1, bottom);
    std::vector<std::pair<double, double>> points;
    for (size_t i = 0; i < rows.size(); ++i) points.emplace_back(x(values[i]), y(depths[i]));
    Curve(s, points, quantity.colour, 2.2, "curve");
    const int k = LargestIndex(values);
    if (k >= 0) {
      const double v = values[static_cast<size_t>(k)];
      const double d = depths[static_cast<size_t>(k)];
      // The label speaks the unit of the axis it sits on.
      const bool millimetres = AxisUnit(axis, quantity.unit) == "mm";
      Extreme(s, quantity.key, v, d, x(v), y(d), px0, px1, top, quantity.colour,
              (millimetres ? FormatValue(v * 1000) + " mm" : FormatValue(v) + " " + quantity.unit) + " at " +
                  FormatDepth(d) + " " + u.depth);
    }
    s += "</g>\n";
  }
  return s + SvgClose();
}

}  // namespace darnek::pictures
