// Every solved stage on one depth axis: the deflection and the bending
// moment of each stage in its own colour, so that the stage that governs
// can be seen at each depth.
#include <algorithm>
#include <cmath>

#include "pictures/axes.h"
#include "pictures/drawings.h"
#include "pictures/stage_view.h"
#include "pictures/svg.h"

namespace darnek::pictures {
namespace {

// Distinct at a glance and in print; a dash tells them apart beyond eight.
constexpr const char* kStageColours[] = {"#1f5fa8", "#c0392b", "#1e8449", "#d68910",
                                         "#7d3c98", "#148f77", "#6e2c00", "#566573"};

const char* StageColour(size_t i) { return kStageColours[i % 8]; }
std::string StageDash(size_t i) { return i < 8 ? "" : " stroke-dasharray=\"7 3\""; }

}  // namespace

std::string DrawEnvelope(const PlotFile& plot, const PictureOptions& options) {
  std::vector<const PlotStage*> drawn;
  for (const PlotStage& stage : plot.Stages)
    if (stage.Results && stage.Results->Solved && !stage.Results->Rows.empty() &&
        (drawn.empty() || StageUnitFlag(stage) == StageUnitFlag(*drawn.front())))
      drawn.push_back(&stage);
  if (drawn.size() < 2) return "";
  const Units u = UnitsFor(StageUnitFlag(*drawn.front()));
  const StageGround* ground = GroundFor(*drawn.front(), options);
  const std::string per = " " + PerWidth(ground, u);
  const std::string title = "All stages: deflection and bending moment";

  const double width = 1280, height = 860;
  const double left = 100, panel_width = 400, gap = 70, top = 156, bottom = height - 40;
  const double legend_x = left + 2 * panel_width + gap + 36;
  double deepest = 0;
  for (const PlotStage* stage : drawn) {
    deepest = std::max(deepest, WallLength(*stage, u));
    const std::optional<double> e = ExcavationDepthFor(*stage, options);
    if (e && std::isfinite(*e)) deepest = std::max(deepest, *e * u.DepthFactor);
  }
  const Axis depth_axis = MakeAxis(0, deepest, 10, false, bottom - top, true);
  const Map y{depth_axis.Lo, depth_axis.Hi, top, bottom};

  std::string s = SvgOpen(width, height, title);
  // The file's title: no one stage's title names them all.
  const std::string subtitle =
      FileTitle(plot, options) + " \u2014 " + u.System + "; " + WidthNote(ground, u) +
      (plot.StageMemoryUnloadFactor
           ? "; stage memory: each stage starts from the one before it (unload factor " +
                 N(*plot.StageMemoryUnloadFactor) + ")"
           : "; each stage is an analysis of its own, from zero deflection");
  Title(s, title, subtitle);
  Text(
      s, 20, 68,
      "Signs: deflection positive towards the excavation; moment positive with the retained face in tension. "
      "Dots mark each stage's largest value.",
      std::string(" class=\"sign-convention\" font-size=\"12\" fill=\"") + kNoteColour + "\"");
  Text(s, 18, (top + bottom) / 2, "Depth below top of wall (" + u.Depth + ")",
       " font-size=\"13\" text-anchor=\"middle\" transform=\"rotate(-90 18 " + N((top + bottom) / 2) + ")\"");
  s += "<g class=\"depth-axis\">\n";
  DepthGrid(s, depth_axis, y, left, left, true);
  s += "</g>\n";

  struct Quantity {
    const char* Key;
    const char* Title;
    std::string Unit;
    std::string AxisUnit;
    double PlotStationRow::*Member;
    const char* NegativeSide;
    const char* PositiveSide;
    double Scale;  // the shown unit over the data's
  };
  const Quantity quantities[] = {
      {"deflection", "Deflection", u.Deflection, u.Deflection, &PlotStationRow::Deflection, "\u2190 backfill",
       "excavation \u2192", u.DeflectionScale},
      {"moment", "Bending moment", u.Moment(), u.Moment() + per, &PlotStationRow::Moment,
       "\u2190 excavation face", "retained face \u2192", 1},
  };
  for (size_t q = 0; q < 2; ++q) {
    const Quantity& quantity = quantities[q];
    const double px0 = left + static_cast<double>(q) * (panel_width + gap), px1 = px0 + panel_width;
    std::vector<double> all;
    for (const PlotStage* stage : drawn)
      for (const PlotStationRow& r : stage->Results->Rows) all.push_back(r.*quantity.Member * quantity.Scale);
    const auto [lo, hi] = RangeWithZero(all);
    const Axis axis = MakeAxis(lo, hi, 5, true, panel_width, false);
    const Map x{axis.Lo, axis.Hi, px0, px1};
    s += std::string("<g class=\"panel\" data-quantity=\"") + quantity.Key + "\">\n";
    Text(s, (px0 + px1) / 2, 92, quantity.Title,
         " text-anchor=\"middle\" font-size=\"15\" font-weight=\"bold\"");
    Text(s, (px0 + px1) / 2, 110, "(" + AxisUnit(axis, quantity.AxisUnit) + ")",
         " text-anchor=\"middle\" font-size=\"12\"");
    const std::string hint =
        std::string(" class=\"sign-hint\" font-size=\"10\" fill=\"") + kNoteColour + "\"";
    Text(s, px0, 128, quantity.NegativeSide, hint);
    Text(s, px1, 128, quantity.PositiveSide, hint + " text-anchor=\"end\"");
    DepthGrid(s, depth_axis, y, px0, px1, false);
    ValueTicks(s, axis, x, top, bottom, quantity.Scale);
    Frame(s, px0, top, px1, bottom);
    for (size_t i = 0; i < drawn.size(); ++i) {
      const PlotStage& stage = *drawn[i];
      const std::vector<PlotStationRow>& rows = stage.Results->Rows;
      s += "<g class=\"stage-curve\" data-stage=\"" + std::to_string(stage.Number) + "\">\n";
      // The stage's excavation level: a short mark at the panel's edge.
      const std::optional<double> e = ExcavationDepthFor(stage, options);
      if (e && std::isfinite(*e) && *e * u.DepthFactor <= depth_axis.Hi) {
        const double py = y(*e * u.DepthFactor);
        s += "<g class=\"excavation\" data-depth=\"" + Exact(*e * u.DepthFactor) + "\">\n";
        Line(s, px0, py, px0 + 22, py, StageColour(i), 3);
        // Numbers side by side, where stages dig to the same level.
        Text(s, px0 + 26 + 10 * static_cast<double>(i), py + 4, std::to_string(stage.Number),
             std::string(" font-size=\"10\" font-weight=\"bold\" fill=\"") + StageColour(i) + "\"");
        s += "</g>\n";
      }
      std::vector<std::pair<double, double>> points;
      std::vector<double> values;
      for (const PlotStationRow& r : rows) {
        points.emplace_back(x(r.*quantity.Member * quantity.Scale), y(r.X * u.DepthFactor));
        values.push_back(r.*quantity.Member);
      }
      Curve(s, points, StageColour(i), 2, "curve", StageDash(i));
      const int k = LargestIndex(values);
      if (k >= 0) {
        const PlotStationRow& r = rows[static_cast<size_t>(k)];
        const double v = r.*quantity.Member, d = r.X * u.DepthFactor;
        s += "<g class=\"extreme\" data-quantity=\"" + std::string(quantity.Key) + "\" data-value=\"" +
             Exact(v) + "\" data-depth=\"" + Exact(d) + "\">\n";
        s += "<circle cx=\"" + N(x(v * quantity.Scale)) + "\" cy=\"" + N(y(d)) + "\" r=\"4\" fill=\"" +
             StageColour(i) + "\" stroke=\"#ffffff\" stroke-width=\"1.2\"/>\n";
        s += "</g>\n";
      }
      s += "</g>\n";
    }
    s += "</g>\n";
  }

  // Legend: every stage of the file, drawn or not.
  s += "<g class=\"legend\">\n";
  double ly = top + 6;
  Text(s, legend_x, ly, "Stages", " font-size=\"13\" font-weight=\"bold\"");
  ly += 22;
  for (const PlotStage& stage : plot.Stages) {
    const auto it = std::find(drawn.begin(), drawn.end(), &stage);
    std::string label = StageName(stage);
    if (it != drawn.end()) {
      const size_t i = static_cast<size_t>(it - drawn.begin());
      Line(s, legend_x, ly - 4, legend_x + 30, ly - 4, StageColour(i), 2.4, StageDash(i));
      const std::optional<double> e = ExcavationDepthFor(stage, options);
      if (e && std::isfinite(*e)) label += ": excavation " + FormatDepth(*e * u.DepthFactor) + " " + u.Depth;
    } else {
      label += StageUnitFlag(stage) != StageUnitFlag(*drawn.front()) && stage.Results && stage.Results->Solved
                   ? ": other units, not drawn"
                   : ": no solution, not drawn";
    }
    Text(s, legend_x + 38, ly, label, " font-size=\"12\"");
    ly += 20;
  }
  s += "</g>\n";
  return s + SvgClose();
}

}  // namespace darnek::pictures
