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
  const char* Key;
  const char* Title;
  std::string Unit;      // of a marked value
  std::string AxisUnit;  // with the width the value is for
  const char* Colour;
  double PlotStationRow::*Member;
  const char* NegativeSide;
  const char* PositiveSide;
  double Scale = 1;  // the shown unit over the data's
};

// Each tie-back's force per tie-back beside it, on the side of the panel the
// curve leaves free at its depth.
void TieBackForces(std::string& s, const PlotStage& stage, const Units& u, const std::vector<double>& values,
                   const std::vector<double>& depths, const Map& x, const Map& y, const Axis& depth_axis,
                   double left, double right) {
  for (const PlotTieBack& t : stage.Results->TieBacks) {
    const double depth = TieBackDepth(stage, t, u);
    if (!std::isfinite(depth) || depth < depth_axis.Lo || depth > depth_axis.Hi) continue;
    double curve_x = (left + right) / 2;
    for (size_t i = 0; i < depths.size(); ++i)
      if (std::abs(depths[i] - depth) < 1e-9 * std::max(1.0, depth) && std::isfinite(values[i]))
        curve_x = x(values[i]);
    const bool on_right = curve_x < (left + right) / 2;
    const double tx = on_right ? right - 5 : left + 5;
    const std::string anchor = on_right ? " text-anchor=\"end\"" : "";
    const double f = t.ForcePerTieBack;
    s += "<g class=\"tie-back-force\" data-number=\"" + std::to_string(t.Number) + "\" data-value=\"" +
         Exact(f) + "\" data-depth=\"" + Exact(depth) + "\">\n";
    const std::string style =
        anchor + " font-size=\"11\" font-weight=\"bold\" fill=\"" + kTieBackColour + "\"";
    HaloText(s, tx, y(depth) - 5,
             "Tie-back " + std::to_string(t.Number) + ": " + FormatValue(f) + " " + u.Force, style);
    std::string second = "per tie-back";
    if (std::isfinite(f) && f < 0) second += ", in tension";
    if (std::isfinite(f) && f > 0) second += ", in compression";
    HaloText(s, tx, y(depth) + 13, second, anchor + " font-size=\"11\" fill=\"" + kTieBackColour + "\"");
    s += "</g>\n";
  }
}

// The section's resistance beside the moment or shear diagram: dashed lines
// at plus and minus the value the diagram may reach over each stretch of
// wall, and its label.
void ResistanceLines(std::string& s, const std::vector<ResistanceLine>& lines, const Map& x, const Map& y,
                     const Axis& depth_axis, double left, double right, double top, const std::string& colour,
                     const std::string& unit, bool on_scale) {
  double largest = 0;
  for (const ResistanceLine& l : lines) largest = std::max(largest, l.Value);
  s += "<g class=\"resistance\" data-value=\"" + Exact(largest) + "\">\n";
  if (!on_scale) {
    HaloText(s, (left + right) / 2, top + 14,
             "resistance \u00b1" + FormatValue(largest) + " " + unit + ": off the scale",
             " text-anchor=\"middle\" font-size=\"10\" fill=\"" + colour + "\"");
    s += "</g>\n";
    return;
  }
  for (const ResistanceLine& l : lines) {
    const double a = std::max(l.Top, depth_axis.Lo), b = std::min(l.Bottom, depth_axis.Hi);
    if (!(b > a)) continue;
    for (double v : {l.Value, -l.Value})
      Line(s, x(v), y(a), x(v), y(b), colour, 1.4, " stroke-dasharray=\"6 3\" stroke-opacity=\"0.75\"");
  }
  HaloText(s, (left + right) / 2, top + 14, "resistance \u00b1" + FormatValue(largest) + " " + unit,
           " text-anchor=\"middle\" font-size=\"10\" fill=\"" + colour + "\"");
  s += "</g>\n";
}

}  // namespace

std::string DrawWallDiagrams(const PlotStage& stage, std::optional<double> excavation_depth,
                             const StageGround* ground, const StageChecks* checks) {
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
  const std::string per = std::string(1, ' ') + PerWidth(ground, u);
  // Which way a positive value points, at the two ends of each value axis.
  const std::vector<Quantity> quantities = {
      {"deflection", "Deflection", u.Deflection, u.Deflection, kDeflectionColour, &PlotStationRow::Deflection,
       "\u2190 backfill", "excavation \u2192", u.DeflectionScale},
      {"moment", "Bending moment", u.Moment(), u.Moment() + per, kMomentColour, &PlotStationRow::Moment,
       "\u2190 excavation face", "retained face \u2192"},
      {"shear", "Shear", u.Force, u.Force + per, kShearColour, &PlotStationRow::Shear, "\u2190 backfill",
       "excavation \u2192"},
      {"soil-reaction", "Soil reaction", u.ForcePerLength(), u.ForcePerLength() + per, kSoilReactionColour,
       &PlotStationRow::SoilReaction, "\u2190 backfill", "excavation \u2192"},
  };

  const double width = 1280, height = 860;
  const double column_left = 62, right_margin = 24, gap = 46, top = 156, bottom = height - 40;
  const double left = column_left + kSoilColumnWidth + 40;
  const double panel_width = (width - left - right_margin - gap * 3) / 4;

  std::vector<double> depths;
  for (const PlotStationRow& r : rows) depths.push_back(r.X * u.DepthFactor);
  double deepest = WallLength(stage, u);
  if (excavation_depth && std::isfinite(*excavation_depth))
    deepest = std::max(deepest, *excavation_depth * u.DepthFactor);
  const Axis depth_axis = MakeAxis(0, deepest, 10, false, bottom - top, true);
  const Map y{depth_axis.Lo, depth_axis.Hi, top, bottom};
  const std::vector<DepthMark> marks = DepthMarks(stage, u, excavation_depth);
  // The marked values' labels keep clear of the excavation line.
  std::optional<double> excavation_line;
  if (excavation_depth && std::isfinite(*excavation_depth))
    excavation_line = y(*excavation_depth * u.DepthFactor);

  std::string s = SvgOpen(width, height, title);
  std::string subtitle = StageTitle(ground);
  subtitle += (subtitle.empty() ? "" : " \u2014 ") + u.System + "; " + WidthNote(ground, u);
  Title(s, title, subtitle);
  Text(s, 20, 68,
       "Signs: deflection, shear and soil reaction positive towards the excavation; moment positive with the "
       "retained face in tension; tie-back forces negative in tension.",
       std::string(" class=\"sign-convention\" font-size=\"12\" fill=\"") + kNoteColour + "\"");
  Text(s, 18, (top + bottom) / 2, "Depth below top of wall (" + u.Depth + ")",
       " font-size=\"13\" text-anchor=\"middle\" transform=\"rotate(-90 18 " + N((top + bottom) / 2) + ")\"");
  s += "<g class=\"depth-axis\">\n";
  DepthGrid(s, depth_axis, y, column_left, column_left, true);
  s += "</g>\n";
  SoilColumn(s, stage, ground, u, excavation_depth, depth_axis, y, column_left, top, bottom);

  for (size_t q = 0; q < quantities.size(); ++q) {
    const Quantity& quantity = quantities[q];
    const double px0 = left + static_cast<double>(q) * (panel_width + gap);
    const double px1 = px0 + panel_width;
    std::vector<double> values;
    for (const PlotStationRow& r : rows) values.push_back(r.*quantity.Member * quantity.Scale);
    auto [lo, hi] = RangeWithZero(values);
    // The resistance is drawn to scale unless the diagram would shrink to
    // less than a fifth of it.
    const std::string key = quantity.Key;
    const std::vector<ResistanceLine>* lines = !checks           ? nullptr
                                               : key == "moment" ? &checks->MomentResistance
                                               : key == "shear"  ? &checks->ShearResistance
                                                                 : nullptr;
    bool on_scale = false;
    if (lines && !lines->empty()) {
      double largest = 0;
      for (const ResistanceLine& l : *lines) largest = std::max(largest, l.Value);
      on_scale = std::max(std::fabs(lo), std::fabs(hi)) >= 0.2 * largest;
      // A little room beyond the lines keeps them off the panel's frame.
      if (on_scale) {
        lo = std::min(lo, -1.08 * largest);
        hi = std::max(hi, 1.08 * largest);
      }
    }
    const Axis axis = MakeAxis(lo, hi, 4, true, panel_width, false);
    const Map x{axis.Lo, axis.Hi, px0, px1};

    s += std::string("<g class=\"panel\" data-quantity=\"") + quantity.Key + "\">\n";
    Text(s, (px0 + px1) / 2, 92, quantity.Title,
         std::string(" text-anchor=\"middle\" font-size=\"15\" font-weight=\"bold\" fill=\"") +
             quantity.Colour + "\"");
    Text(s, (px0 + px1) / 2, 110, std::string(1, '(') + AxisUnit(axis, quantity.AxisUnit) + ")",
         " text-anchor=\"middle\" font-size=\"12\"");
    const std::string hint = std::string(" font-size=\"10\" fill=\"") + kNoteColour + "\"";
    Text(s, px0, 128, quantity.NegativeSide, " class=\"sign-hint\"" + hint);
    Text(s, px1, 128, quantity.PositiveSide, " class=\"sign-hint\" text-anchor=\"end\"" + hint);
    DepthGrid(s, depth_axis, y, px0, px1, false);
    ValueTicks(s, axis, x, top, bottom, quantity.Scale);
    DrawMarks(s, marks, y, px0, px1, depth_axis, q == 0, false);
    Frame(s, px0, top, px1, bottom);
    if (lines && !lines->empty())
      ResistanceLines(s, *lines, x, y, depth_axis, px0, px1, top, quantity.Colour, quantity.AxisUnit,
                      on_scale);
    std::vector<std::pair<double, double>> points;
    for (size_t i = 0; i < rows.size(); ++i) points.emplace_back(x(values[i]), y(depths[i]));
    Curve(s, points, quantity.Colour, 2.2, "curve");
    const int k = LargestIndex(values);
    if (k >= 0) {
      const double v = values[static_cast<size_t>(k)];
      const double d = depths[static_cast<size_t>(k)];
      Extreme(s, quantity.Key, rows[static_cast<size_t>(k)].*quantity.Member, d, x(v), y(d), px0, px1, top,
              quantity.Colour, FormatValue(v) + " " + quantity.Unit + " at " + FormatDepth(d) + " " + u.Depth,
              excavation_line);
    }
    if (q == 0) TieBackForces(s, stage, u, values, depths, x, y, depth_axis, px0, px1);
    s += "</g>\n";
  }
  return s + SvgClose();
}

}  // namespace darnek::pictures
