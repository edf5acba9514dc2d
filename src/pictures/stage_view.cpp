// Units, depth marks and marked values of a stage's pictures.
#include "pictures/stage_view.h"

#include <algorithm>
#include <cmath>

#include "pictures/svg.h"

namespace darnek::pictures {

// ------------------------------------------------------------------- units

Units UnitsFor(int unit_flag) {
  // English problems work in inches and pounds; depths read in feet, as in
  // the report.
  if (unit_flag > 0) return {"in", "lbs", "ft", 1.0 / 12, "English units"};
  if (unit_flag < 0) return {"m", "kN", "m", 1.0, "SI units"};
  return {"L", "F", "L", 1.0, "units not stated (neutral labels)"};
}

// A marked point with its value: a dot on the curve and a label that stays
// inside the panel.
void Extreme(std::string& s, const std::string& quantity, double value, double depth, double px, double py,
             double left, double right, double top, const std::string& colour, const std::string& label) {
  s += "<g class=\"extreme\" data-quantity=\"" + quantity + "\" data-value=\"" + Exact(value) +
       "\" data-depth=\"" + Exact(depth) + "\">\n";
  s += "<circle cx=\"" + N(px) + "\" cy=\"" + N(py) + "\" r=\"4.5\" fill=\"" + colour +
       "\" stroke=\"#ffffff\" stroke-width=\"1.5\"/>\n";
  const bool right_half = px > (left + right) / 2;
  const double tx = right_half ? px - 9 : px + 9;
  const double ty = py - 8 < top + 14 ? py + 18 : py - 8;
  HaloText(s, tx, ty, label,
           std::string(" text-anchor=\"") + (right_half ? "end" : "start") +
               "\" font-size=\"12\" font-weight=\"bold\" fill=\"" + colour + "\"");
  s += "</g>\n";
}

// Index of the value of largest magnitude; -1 when none is finite.
int LargestIndex(const std::vector<double>& values) {
  int best = -1;
  for (size_t i = 0; i < values.size(); ++i) {
    if (!std::isfinite(values[i])) continue;
    if (best < 0 || std::abs(values[i]) > std::abs(values[static_cast<size_t>(best)]))
      best = static_cast<int>(i);
  }
  return best;
}

std::string StageName(const PlotStage& stage) { return "Stage " + std::to_string(stage.Number); }

// Depth of the wall tip in the depth unit, from the station rows.
double WallLength(const PlotStage& stage, const Units& u) {
  double length = 0;
  if (stage.Results)
    for (const PlotStationRow& r : stage.Results->Rows)
      if (std::isfinite(r.X)) length = std::max(length, r.X * u.depth_factor);
  return length;
}

std::vector<DepthMark> DepthMarks(const PlotStage& stage, const Units& u, std::optional<double> excavation) {
  std::vector<DepthMark> marks;
  if (excavation && std::isfinite(*excavation)) {
    const double d = *excavation * u.depth_factor;
    marks.push_back({d, "Excavation level " + FormatDepth(d) + " " + u.depth, true});
  }
  if (stage.Results && stage.Results->Solved) {
    const std::vector<PlotStationRow>& rows = stage.Results->Rows;
    for (const PlotTieBack& t : stage.Results->TieBacks) {
      // The station the model puts the tie-back at; the depth as input when
      // the station lies outside the rows.
      double d = t.Depth;
      if (t.Station >= 0 && static_cast<size_t>(t.Station) < rows.size() && std::isfinite(rows[t.Station].X))
        d = rows[static_cast<size_t>(t.Station)].X * u.depth_factor;
      marks.push_back({d, "Tie-back " + std::to_string(t.Number), false});
    }
  }
  return marks;
}

void DrawMarks(std::string& s, const std::vector<DepthMark>& marks, const Map& y, double left, double right,
               const Axis& depth_axis, bool label_excavation, bool label_tie_backs) {
  for (const DepthMark& m : marks) {
    if (m.depth < depth_axis.lo || m.depth > depth_axis.hi) continue;
    const double py = y(m.depth);
    if (m.excavation) {
      s += "<g class=\"excavation\" data-depth=\"" + Exact(m.depth) + "\">\n";
      Line(s, left, py, right, py, kExcavationColour, 1.6, " stroke-dasharray=\"8 4\"");
      if (label_excavation)
        HaloText(s, left + 5, py - 5, m.label,
                 std::string(" font-size=\"11\" font-weight=\"bold\" fill=\"") + kExcavationColour + "\"");
    } else {
      s += "<g class=\"tie-back\" data-depth=\"" + Exact(m.depth) + "\">\n";
      Line(s, left, py, right, py, kTieBackColour, 1.2, " stroke-dasharray=\"2 3\"");
      if (label_tie_backs)
        HaloText(s, right - 5, py - 5, m.label,
                 std::string(" text-anchor=\"end\" font-size=\"11\" fill=\"") + kTieBackColour + "\"");
    }
    s += "</g>\n";
  }
}

std::string OptionText(int option) {
  switch (option) {
    case 0:
      return "no earth pressure";
    case 1:
      return "specified pressure (option 1)";
    case 3:
      return "apparent pressure for anchored walls (option 3)";
    case 5:
      return "apparent pressure for anchored walls (option 5)";
    default:
      return "generated from the soil layers (option " + std::to_string(option) + ")";
  }
}

}  // namespace darnek::pictures
