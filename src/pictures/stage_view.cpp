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
  if (unit_flag > 0)
    return {"in", "lbs", "ft", 1.0 / 12, "English units", "lb/in\u00b2", "lb/in\u00b3", "in", 1.0};
  if (unit_flag < 0) return {"m", "kN", "m", 1.0, "SI units", "kPa", "kN/m\u00b3", "mm", 1000.0};
  return {"L", "F", "L", 1.0, "units not stated (neutral labels)", "F/L\u00b2", "F/L\u00b3", "L", 1.0};
}

namespace {

bool Same(double a, double b) { return std::abs(a - b) <= 1e-9 * std::max(1.0, std::abs(a)); }

// Soldier piles or shafts: the earth pressure acts on a width (the spacing)
// at least 1.1 times the width that resists.
bool Piles(const StageGround& g) {
  return g.HasSoilBlock && g.ResistanceWidth > 0 && g.EarthPressureWidth / g.ResistanceWidth >= 1.1;
}

bool HasWidth(const StageGround* g) { return g && std::isfinite(g->ResultWidth) && g->ResultWidth > 0; }

}  // namespace

std::string PerWidth(const StageGround* ground, const Units& u) {
  if (!HasWidth(ground)) return "per result width";
  const double width = ground->ResultWidth;
  if (Piles(*ground) && Same(width, ground->EarthPressureWidth)) return "per pile";
  if (u.Length == "in" && Same(width, 12)) return "per ft of wall";
  // English widths read in feet, as the depths do.
  if (u.Length == "in" && Same(width / 12, std::round(width / 12)))
    return "per " + Plain(width / 12) + " ft of wall";
  if (u.Length == "m" && Same(width, 1)) return "per m of wall";
  return "per " + Plain(width) + " " + u.Length + " of wall";
}

std::string WidthNote(const StageGround* ground, const Units& u) {
  if (!HasWidth(ground)) return "results per result width of wall (the plot file does not give ResultWidth)";
  const double width = ground->ResultWidth;
  const std::string piles = Piles(*ground)
                                ? "piles " + Plain(ground->ResistanceWidth) + " " + u.Length + " wide at " +
                                      Plain(ground->EarthPressureWidth) + " " + u.Length + " centres"
                                : "";
  if (!piles.empty() && Same(width, ground->EarthPressureWidth)) return "results per pile (" + piles + ")";
  std::string note =
      "results " + PerWidth(ground, u) + " (ResultWidth " + Plain(width) + " " + u.Length + ")";
  if (!piles.empty()) note += "; " + piles;
  return note;
}

std::string StageTitle(const StageGround* ground) { return ground ? ground->Title : ""; }

std::string TieBackForceText(const PlotTieBack& t, const Units& u) {
  const double f = t.ForcePerTieBack;
  std::string text = "Tie-back " + std::to_string(t.Number) + ": " + FormatValue(f);
  if (std::isfinite(f)) text += " " + u.Force + " per tie-back";
  if (std::isfinite(f) && f < 0) text += " (tension)";
  if (std::isfinite(f) && f > 0) text += " (compression)";
  return text;
}

// A marked point with its value: a dot on the curve and a label that stays
// inside the panel.
void Extreme(std::string& s, const std::string& quantity, double value, double depth, double px, double py,
             double left, double right, double top, const std::string& colour, const std::string& label,
             std::optional<double> clear_of) {
  s += "<g class=\"extreme\" data-quantity=\"" + quantity + "\" data-value=\"" + Exact(value) +
       "\" data-depth=\"" + Exact(depth) + "\">\n";
  s += "<circle cx=\"" + N(px) + "\" cy=\"" + N(py) + "\" r=\"4.5\" fill=\"" + colour +
       "\" stroke=\"#ffffff\" stroke-width=\"1.5\"/>\n";
  const bool right_half = px > (left + right) / 2;
  const double tx = right_half ? px - 9 : px + 9;
  // A 12-pixel label stands from its baseline 11 up and 3 down; 3 more
  // keep it off a line.
  const auto crosses = [&](double baseline) {
    return clear_of && *clear_of > baseline - 14 && *clear_of < baseline + 6;
  };
  double ty = py - 8 < top + 14 ? py + 18 : py - 8;
  if (crosses(ty)) {
    const double other = ty < py ? py + 18 : py - 8;
    // Where neither place is clear, just off the line on the dot's side.
    ty = !crosses(other) && other >= top + 14 ? other : *clear_of + (py > *clear_of ? 17 : -9);
  }
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
      if (std::isfinite(r.X)) length = std::max(length, r.X * u.DepthFactor);
  return length;
}

double TieBackDepth(const PlotStage& stage, const PlotTieBack& t, const Units& u) {
  // The station the model puts the tie-back at; the depth as input (feet for
  // English units, the depth unit) when the station lies outside the rows.
  if (stage.Results) {
    const std::vector<PlotStationRow>& rows = stage.Results->Rows;
    if (t.Station >= 0 && static_cast<size_t>(t.Station) < rows.size() &&
        std::isfinite(rows[static_cast<size_t>(t.Station)].X))
      return rows[static_cast<size_t>(t.Station)].X * u.DepthFactor;
  }
  return t.Depth;
}

std::vector<DepthMark> DepthMarks(const PlotStage& stage, const Units& u, std::optional<double> excavation) {
  std::vector<DepthMark> marks;
  if (excavation && std::isfinite(*excavation)) {
    const double d = *excavation * u.DepthFactor;
    marks.push_back({d, "Excavation level " + FormatDepth(d) + " " + u.Depth, true});
  }
  if (stage.Results && stage.Results->Solved) {
    for (const PlotTieBack& t : stage.Results->TieBacks)
      marks.push_back({TieBackDepth(stage, t, u), "Tie-back " + std::to_string(t.Number), false});
  }
  return marks;
}

void DrawMarks(std::string& s, const std::vector<DepthMark>& marks, const Map& y, double left, double right,
               const Axis& depth_axis, bool label_excavation, bool label_tie_backs) {
  for (const DepthMark& m : marks) {
    if (m.Depth < depth_axis.Lo || m.Depth > depth_axis.Hi) continue;
    const double py = y(m.Depth);
    if (m.Excavation) {
      s += "<g class=\"excavation\" data-depth=\"" + Exact(m.Depth) + "\">\n";
      Line(s, left, py, right, py, kExcavationColour, 1.6, " stroke-dasharray=\"8 4\"");
      if (label_excavation)
        HaloText(s, left + 5, py - 5, m.Label,
                 std::string(" font-size=\"11\" font-weight=\"bold\" fill=\"") + kExcavationColour + "\"");
    } else {
      s += "<g class=\"tie-back\" data-depth=\"" + Exact(m.Depth) + "\">\n";
      Line(s, left, py, right, py, kTieBackColour, 1.2, " stroke-dasharray=\"2 3\"");
      if (label_tie_backs)
        // Below the line: a marked value's label sits above its point.
        HaloText(s, right - 5, py + 14, m.Label,
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

// -------------------------------------------------------------- soil column

namespace {

const char* SoilShortName(int code) {
  switch (code) {
    case 1:
      return "soft clay";
    case 2:
    case 3:
      return "stiff clay";
    case 4:
      return "sand";
    case 5:
      return "silt";
    case 6:
      return "rock";
    case 7:
      return "weak rock";
    default:
      return "soil";
  }
}

const char* SoilFill(int code) {
  switch (code) {
    case 1:
      return "#d9ccb0";
    case 2:
    case 3:
      return "#bca784";
    case 4:
      return "#f2e2a6";
    case 5:
      return "#ddd3b8";
    case 6:
      return "#aeaeae";
    case 7:
      return "#cbc6bf";
    default:
      return "#e5e5e5";
  }
}

// The value that says most about a layer's strength, as input.
std::string SoilProperty(const GroundLayer& l, const Units& u) {
  const std::string phi = "\u03c6 " + Plain(l.FrictionAngleDeg) + "\u00b0";
  switch (l.SoilTypeCode) {
    case 1:
    case 2:
    case 3:
      return "su " + Plain(l.Strength) + " " + u.Stress;
    case 4:
      return phi;
    case 5:
      return phi + ", c " + Plain(l.Strength) + " " + u.Stress;
    case 6:
    case 7:
      return "qu " + Plain(l.Strength) + " " + u.Stress;
    default:
      return "";
  }
}

void WaterMark(std::string& s, const std::string& side, double depth, double x0, double x1, double py) {
  s += "<g class=\"water-table\" data-side=\"" + side + "\" data-depth=\"" + Exact(depth) + "\">\n";
  Line(s, x0, py, x1, py, kWaterColour, 1.8);
  const double cx = x1 - 12;
  s += "<path d=\"M" + N(cx - 5) + "," + N(py - 8) + " L" + N(cx + 5) + "," + N(py - 8) + " L" + N(cx) + "," +
       N(py - 1) + " Z\" fill=\"" + kWaterColour + "\" stroke=\"none\"/>\n";
  s += "</g>\n";
}

}  // namespace

void SoilColumn(std::string& s, const PlotStage& stage, const StageGround* ground, const Units& u,
                std::optional<double> excavation, const Axis& depth_axis, const Map& y, double left,
                double top, double bottom) {
  const double right = left + kSoilColumnWidth;
  // Behind the wall wide enough for a layer's name and strength.
  const double wall_left = left + 94, wall_right = wall_left + 6;
  const double dig = excavation && std::isfinite(*excavation) ? *excavation * u.DepthFactor : 0;
  auto clamp = [&](double depth) { return std::clamp(depth, depth_axis.Lo, depth_axis.Hi); };
  s += "<g class=\"soil-column\">\n";
  Text(s, (left + right) / 2, 92, "Ground", " text-anchor=\"middle\" font-size=\"15\" font-weight=\"bold\"");
  const std::string small =
      std::string(" text-anchor=\"middle\" font-size=\"10\" fill=\"") + kNoteColour + "\"";
  Text(s, (left + wall_left) / 2, top - 8, "behind", small);
  Text(s, (wall_right + right) / 2, top - 8, "in front", small);

  const bool layers = ground && ground->HasSoilBlock && !ground->Layers.empty();
  if (!layers) {
    s += "<rect x=\"" + N(left) + "\" y=\"" + N(top) + "\" width=\"" + N(right - left) + "\" height=\"" +
         N(bottom - top) + "\" fill=\"#f4f4f4\" stroke=\"none\"/>\n";
    const std::string why = ground ? "no soil layers in this stage (user p-y curves)"
                                   : "soil layers and water tables: not in the plot file";
    const double cx = (left + wall_left) / 2, cy = (top + bottom) / 2;
    Text(s, cx, cy, why,
         std::string(" class=\"no-ground\" text-anchor=\"middle\" font-size=\"11\" fill=\"") + kNoteColour +
             "\" transform=\"rotate(-90 " + N(cx) + " " + N(cy) + ")\"");
  } else {
    for (const GroundLayer& l : ground->Layers) {
      const double t = clamp(l.Top * u.DepthFactor), b = clamp(l.Bottom * u.DepthFactor);
      if (!(b > t)) continue;
      s += "<g class=\"soil-layer\" data-top=\"" + Exact(l.Top * u.DepthFactor) + "\" data-bottom=\"" +
           Exact(l.Bottom * u.DepthFactor) + "\" data-soil=\"" + std::to_string(l.SoilTypeCode) + "\">\n";
      s += "<title>" +
           Escape(l.SoilType + ", " + FormatDepth(l.Top * u.DepthFactor) + " to " +
                  FormatDepth(l.Bottom * u.DepthFactor) + " " + u.Depth + ": unit weight " +
                  Plain(l.UnitWeight) + " " + u.UnitWeight + ", S " + Plain(l.Strength) + " " + u.Stress +
                  ", PHI " + Plain(l.FrictionAngleDeg) + "\u00b0") +
           "</title>\n";
      const std::string fill = SoilFill(l.SoilTypeCode);
      s += "<rect x=\"" + N(left) + "\" y=\"" + N(y(t)) + "\" width=\"" + N(wall_left - left) +
           "\" height=\"" + N(y(b) - y(t)) + "\" fill=\"" + fill +
           "\" stroke=\"#ffffff\" stroke-width=\"0.8\"/>\n";
      const double front_top = std::max(t, clamp(dig));
      if (b > front_top)
        s += "<rect x=\"" + N(wall_right) + "\" y=\"" + N(y(front_top)) + "\" width=\"" +
             N(right - wall_right) + "\" height=\"" + N(y(b) - y(front_top)) + "\" fill=\"" + fill +
             "\" stroke=\"#ffffff\" stroke-width=\"0.8\"/>\n";
      const double height = y(b) - y(t);
      if (height >= 13) {
        HaloText(s, left + 4, y(t) + 11, SoilShortName(l.SoilTypeCode),
                 " font-size=\"10\" font-weight=\"bold\"");
        if (height >= 26) HaloText(s, left + 4, y(t) + 23, SoilProperty(l, u), " font-size=\"10\"");
      }
      s += "</g>\n";
    }
    const double zw = ground->WaterDepthBackfill * u.DepthFactor;
    if (ground->WaterDepthBackfill >= 0 && zw <= depth_axis.Hi)
      WaterMark(s, "backfill", zw, left, wall_left, y(zw));
    const double ze = ground->WaterDepthExcavation * u.DepthFactor;
    if (ground->WaterDepthExcavation >= 0 && ze <= depth_axis.Hi) {
      // Water standing in the excavation above its floor.
      if (ze < dig)
        s += "<rect x=\"" + N(wall_right) + "\" y=\"" + N(y(ze)) + "\" width=\"" + N(right - wall_right) +
             "\" height=\"" + N(y(clamp(dig)) - y(ze)) + "\" fill=\"#d6eaf8\" stroke=\"none\"/>\n";
      WaterMark(s, "excavation", ze, wall_right, right, y(ze));
    }
  }
  if (excavation && std::isfinite(*excavation) && dig >= depth_axis.Lo && dig <= depth_axis.Hi)
    Line(s, wall_right, y(dig), right, y(dig), kExcavationColour, 2.2);
  const double tip = clamp(WallLength(stage, u));
  if (tip > depth_axis.Lo)
    s += "<rect class=\"wall\" x=\"" + N(wall_left) + "\" y=\"" + N(y(depth_axis.Lo)) + "\" width=\"" +
         N(wall_right - wall_left) + "\" height=\"" + N(y(tip) - y(depth_axis.Lo)) +
         "\" fill=\"#4a4a4a\" stroke=\"none\"/>\n";
  if (stage.Results && stage.Results->Solved) {
    for (const PlotTieBack& t : stage.Results->TieBacks) {
      const double depth = TieBackDepth(stage, t, u);
      if (!std::isfinite(depth) || depth < depth_axis.Lo || depth > depth_axis.Hi) continue;
      // Into the backfill, inclined as the tie-back is.
      const double length = wall_left - left - 8;
      const double angle = std::isfinite(t.Angle) ? std::clamp(t.Angle, -60.0, 60.0) : 0.0;
      const double rad = angle * 3.14159265358979323846 / 180;
      const double x1 = wall_left - length * std::cos(rad), y1 = y(depth) + length * std::sin(rad);
      Line(s, wall_left, y(depth), x1, y1, kTieBackColour, 2);
      s += "<circle cx=\"" + N(x1) + "\" cy=\"" + N(y1) + "\" r=\"3\" fill=\"" + kTieBackColour + "\"/>\n";
    }
  }
  Frame(s, left, top, right, bottom);
  s += "</g>\n";
}

}  // namespace darnek::pictures
