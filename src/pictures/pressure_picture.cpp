// The earth-pressure diagram (the load on the wall and its parts) and the
// net-pressure diagram (that load against the soil reaction).
#include <algorithm>
#include <cmath>

#include "pictures/axes.h"
#include "pictures/drawings.h"
#include "pictures/stage_view.h"
#include "pictures/svg.h"

namespace darnek::pictures {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool AnyNonZero(const std::vector<double>& values) {
  // The diagram writes three decimals; anything below that is no load.
  for (double v : values)
    if (std::isfinite(v) && std::abs(v) >= 5e-4) return true;
  return false;
}

bool IsClay(int code) { return code >= 1 && code <= 3; }

// Whether a row's depth (analysis length unit) lies in a clay layer: a
// layer holds the rows below its top down to its bottom, the top row the
// first layer.
bool InClay(const StageGround* ground, double depth) {
  if (!ground || !ground->HasSoilBlock) return false;
  for (const GroundLayer& l : ground->Layers)
    if ((depth > l.Top || (depth <= 0 && l.Top <= 0)) && depth <= l.Bottom) return IsClay(l.SoilTypeCode);
  return false;
}

struct Part {
  const char* Key;
  std::string Label;
  const char* Colour;
  double Width;
  const char* Dash;
  std::vector<double> Values;  // NaN where the part is not drawn
};

// The parts of the load that add up to it, row by row: the active earth
// pressure (or the apparent pressure that replaces it), the clay's
// undrained pressure in total stress (its active and water columns, which
// do not mean much apart), the water and the surcharge (the uniform surface
// pressure's share of the active pressure included).
std::vector<Part> LoadParts(const PlotEarthPressure& pressure, const StageGround* ground) {
  const std::vector<PlotPressureRow>& rows = pressure.Rows;
  const bool apparent_option = pressure.Option == 3 || pressure.Option == 5;
  std::vector<double> active(rows.size(), kNaN), clay(rows.size(), kNaN), apparent(rows.size(), kNaN),
      water(rows.size(), kNaN), surcharge(rows.size(), kNaN);
  // The apparent pressure replaces the active over the rows it spans, its
  // ends (where it is zero) included; the load says which a row carries.
  size_t first = rows.size(), last = 0;
  for (size_t i = 0; i < rows.size(); ++i)
    if (std::abs(rows[i].Apparent) >= 5e-4) first = std::min(first, i), last = i;
  for (size_t i = 0; i < rows.size(); ++i) {
    const PlotPressureRow& r = rows[i];
    const double standard = r.Active + r.SurfaceShare + r.Surcharge + r.Water;
    const bool in_span = apparent_option && first <= last && i + 1 >= first && i <= last + 1;
    const bool replaced = in_span && std::abs(r.Apparent + r.Surcharge + r.Water - r.Load) <=
                                         std::abs(standard - r.Load) + 1e-3;
    if (replaced) {
      apparent[i] = r.Apparent;
      water[i] = r.Water;
      surcharge[i] = r.Surcharge;
    } else if (InClay(ground, r.Depth)) {
      clay[i] = r.Active + r.Water;
      surcharge[i] = r.Surcharge + r.SurfaceShare;
    } else {
      active[i] = r.Active;
      water[i] = r.Water;
      surcharge[i] = r.Surcharge + r.SurfaceShare;
    }
  }
  const std::string water_label =
      ground ? "Water pressure (less the water in front)" : "Water pressure (less the water in front)\u00b9";
  std::vector<Part> parts = {
      {"active", "Active earth pressure", kActiveColour, 1.8, "", active},
      {"clay", "Clay, undrained: \u03c3v \u2212 2c in total stress", "#8e5b2d", 1.8, "", clay},
      {"apparent", "Apparent pressure (replaces the active)", kApparentColour, 1.8, "7 4", apparent},
      {"water", water_label, kWaterColour, 1.8, "", water},
      {"surcharge", "Surcharge (surface pressure and loads)", kSurchargeColour, 1.8, "", surcharge},
  };
  std::erase_if(parts, [](const Part& p) { return !AnyNonZero(p.Values); });
  return parts;
}

double DeepestDepth(const PlotStage& stage, const Units& u, std::optional<double> excavation_depth,
                    const std::vector<double>& depths) {
  double deepest = WallLength(stage, u);
  for (double d : depths)
    if (std::isfinite(d)) deepest = std::max(deepest, d);
  if (excavation_depth && std::isfinite(*excavation_depth))
    deepest = std::max(deepest, *excavation_depth * u.DepthFactor);
  return deepest;
}

void DepthAxisTitle(std::string& s, const Units& u, double top, double bottom) {
  Text(s, 18, (top + bottom) / 2, "Depth below top of wall (" + u.Depth + ")",
       " font-size=\"13\" text-anchor=\"middle\" transform=\"rotate(-90 18 " + N((top + bottom) / 2) + ")\"");
}

void SignHints(std::string& s, double left, double right, double y) {
  const std::string hint = std::string(" class=\"sign-hint\" font-size=\"10\" fill=\"") + kNoteColour + "\"";
  Text(s, left, y, "\u2190 towards the backfill", hint);
  Text(s, right, y, "towards the excavation \u2192", hint + " text-anchor=\"end\"");
}

void LegendLine(std::string& s, double x, double y, const std::string& colour, double width,
                const std::string& dash, const std::string& label) {
  const std::string dashes = dash.empty() ? "" : " stroke-dasharray=\"" + dash + "\"";
  Line(s, x, y - 4, x + 34, y - 4, colour, width, dashes);
  Text(s, x + 42, y, label, " font-size=\"12\"");
}

void LegendNote(std::string& s, double x, double y, const std::string& text) {
  Text(s, x, y, text, std::string(" font-size=\"11\" fill=\"") + kNoteColour + "\"");
}

// The depth axis with its title and grid, and the soil column beside it, as
// both pressure pictures draw them left of their panel.
void DepthAxisAndGround(std::string& s, const PlotStage& stage, const StageGround* ground, const Units& u,
                        std::optional<double> excavation_depth, const Axis& depth_axis, const Map& y,
                        double column_left, double top, double bottom) {
  DepthAxisTitle(s, u, top, bottom);
  s += "<g class=\"depth-axis\">\n";
  DepthGrid(s, depth_axis, y, column_left, column_left, true);
  s += "</g>\n";
  SoilColumn(s, stage, ground, u, excavation_depth, depth_axis, y, column_left, top, bottom);
}

}  // namespace

// ----------------------------------------------------------- earth pressure

std::string DrawEarthPressure(const PlotStage& stage, std::optional<double> excavation_depth,
                              const StageGround* ground) {
  if (!stage.EarthPressure || stage.EarthPressure->Rows.empty()) return "";
  const Units u = UnitsFor(StageUnitFlag(stage));
  const std::vector<PlotPressureRow>& rows = stage.EarthPressure->Rows;
  const std::string unit = u.ForcePerLength();
  const std::string title = StageName(stage) + ": earth-pressure diagram";

  std::vector<double> total, depths;
  for (const PlotPressureRow& r : rows) {
    total.push_back(r.Load);
    depths.push_back(r.Depth * u.DepthFactor);
  }
  std::vector<Part> parts = {{"total", "Total load on the wall", kTotalColour, 4.5, "", total}};
  // A specified diagram has no parts: only its total.
  if (stage.EarthPressure->Option != 1)
    for (Part& p : LoadParts(*stage.EarthPressure, ground)) parts.push_back(std::move(p));

  const double width = 1140, height = 840;
  const double column_left = 62, top = 156, bottom = height - 40;
  const double left = column_left + kSoilColumnWidth + 40, right = left + 520;
  const Axis depth_axis =
      MakeAxis(0, DeepestDepth(stage, u, excavation_depth, depths), 10, false, bottom - top, true);
  const Map y{depth_axis.Lo, depth_axis.Hi, top, bottom};
  std::vector<double> all;
  for (const Part& p : parts) all.insert(all.end(), p.Values.begin(), p.Values.end());
  const auto [lo, hi] = RangeWithZero(all);
  const Axis axis = MakeAxis(lo, hi, 6, true, right - left, false);
  const Map x{axis.Lo, axis.Hi, left, right};

  std::string s = SvgOpen(width, height, title);
  std::string subtitle = StageTitle(ground);
  subtitle +=
      (subtitle.empty() ? "" : " \u2014 ") + u.System + "; " + OptionText(stage.EarthPressure->Option);
  Title(s, title, subtitle);
  Text(s, 20, 68, "The load is the pressure times the loaded width; " + WidthNote(ground, u) + ".",
       std::string(" font-size=\"12\" fill=\"") + kNoteColour + "\"");
  DepthAxisAndGround(s, stage, ground, u, excavation_depth, depth_axis, y, column_left, top, bottom);
  s += "<g class=\"panel\" data-quantity=\"earth-pressure\">\n";
  Text(s, (left + right) / 2, 92, "Load on the wall per unit depth",
       " text-anchor=\"middle\" font-size=\"15\" font-weight=\"bold\"");
  Text(s, (left + right) / 2, 110, "(" + AxisUnit(axis, unit) + " " + PerWidth(ground, u) + ")",
       " text-anchor=\"middle\" font-size=\"12\"");
  SignHints(s, left, right, 128);
  DepthGrid(s, depth_axis, y, left, right, false);
  ValueTicks(s, axis, x, top, bottom);
  DrawMarks(s, DepthMarks(stage, u, excavation_depth), y, left, right, depth_axis, true, true);
  Frame(s, left, top, right, bottom);
  // The total first, wide, and the parts over it: a part that equals the
  // total (the active pressure of a dry wall) shows inside it.
  for (const Part& p : parts) {
    std::vector<std::pair<double, double>> points;
    for (size_t r = 0; r < rows.size(); ++r) points.emplace_back(x(p.Values[r]), y(depths[r]));
    const std::string dash = *p.Dash ? std::string(" stroke-dasharray=\"") + p.Dash + "\"" : "";
    Curve(s, points, p.Colour, p.Width, std::string("curve-") + p.Key, dash);
  }
  const int k = LargestIndex(total);
  if (k >= 0) {
    const double v = total[static_cast<size_t>(k)];
    const double d = depths[static_cast<size_t>(k)];
    Extreme(s, "total", v, d, x(v), y(d), left, right, top, kTotalColour,
            FormatValue(v) + " " + unit + " at " + FormatDepth(d) + " " + u.Depth);
  }
  s += "</g>\n";

  // Legend beside the panel.
  s += "<g class=\"legend\">\n";
  const double lx = right + 26;
  double ly = top + 6;
  Text(s, lx, ly, "Lines", " font-size=\"13\" font-weight=\"bold\"");
  ly += 22;
  std::string sum;
  for (const Part& p : parts) {
    LegendLine(s, lx, ly, p.Colour, p.Width, p.Dash, p.Label);
    ly += 20;
    if (&p != &parts[0]) sum += std::string(sum.empty() ? "" : " + ") + p.Key;
  }
  ly += 8;
  if (stage.EarthPressure->Option == 1) {
    LegendNote(s, lx, ly, "The diagram as specified in the input,");
    LegendNote(s, lx, ly + 15, "with the surcharge added.");
  } else if (!sum.empty()) {
    LegendNote(s, lx, ly, "At every depth: total = " + sum);
    ly += 15;
    if (parts.size() > 1 &&
        std::any_of(parts.begin(), parts.end(), [](const Part& p) { return std::string(p.Key) == "clay"; })) {
      LegendNote(s, lx, ly, "In clay the pressure is worked in total stress:");
      LegendNote(s, lx, ly + 15, "one line, its water included.");
      ly += 30;
    }
    if (!ground && std::any_of(parts.begin(), parts.end(),
                               [](const Part& p) { return std::string(p.Key) == "water"; })) {
      LegendNote(s, lx, ly, "\u00b9 The plot file does not say which rows lie in");
      LegendNote(s, lx, ly + 15, "clay; there this line also holds the clay's");
      LegendNote(s, lx, ly + 30, "undrained pressure (\u03c3v \u2212 2c, total stress).");
    }
  }
  s += "</g>\n";
  return s + SvgClose();
}

// ------------------------------------------------------------- net pressure

namespace {

// Linear interpolation in a table sorted by depth; the end values beyond it.
double Interpolate(const std::vector<std::pair<double, double>>& table, double depth) {
  if (table.empty()) return 0;
  if (depth <= table.front().first) return table.front().second;
  for (size_t i = 1; i < table.size(); ++i) {
    const auto& [d0, v0] = table[i - 1];
    const auto& [d1, v1] = table[i];
    if (depth <= d1) return d1 > d0 ? v0 + (v1 - v0) * (depth - d0) / (d1 - d0) : v1;
  }
  return table.back().second;
}

// The active pressure each generated curve carries at zero deflection (its
// offset), by depth in the analysis length unit; empty for user curves.
std::vector<std::pair<double, double>> CurveOffsets(const PlotStage& stage) {
  std::vector<std::pair<double, double>> offsets;
  if (!stage.SoilCurves) return offsets;
  for (const PlotSoilCurve& c : stage.SoilCurves->Curves) {
    if (!c.Generated || !std::isfinite(c.Depth)) continue;
    const PlotCurvePoint* at_zero = nullptr;
    for (const PlotCurvePoint& p : c.Points)
      if (p.Y == 0 && std::isfinite(p.P)) at_zero = &p;
    if (at_zero) offsets.emplace_back(c.Depth, at_zero->P);
  }
  std::stable_sort(offsets.begin(), offsets.end());
  return offsets;
}

// The resultant as the model lumps a distributed load: each station
// carries its value times the station spacing, the end stations too, so
// that the resultants of a wall in equilibrium balance as its shear does.
double Resultant(const std::vector<double>& x, const std::vector<double>& values) {
  if (x.size() < 2 || !std::isfinite(x[1] - x[0])) return 0;
  double sum = 0;
  for (double v : values)
    if (std::isfinite(v)) sum += v;
  return sum * (x[1] - x[0]);
}

}  // namespace

std::string DrawNetPressure(const PlotStage& stage, std::optional<double> excavation_depth,
                            const StageGround* ground) {
  if (!stage.Results || !stage.Results->Solved || stage.Results->Rows.empty()) return "";
  const Units u = UnitsFor(StageUnitFlag(stage));
  const std::vector<PlotStationRow>& rows = stage.Results->Rows;
  const std::string unit = u.ForcePerLength();
  const std::string per = PerWidth(ground, u);
  const std::string title = StageName(stage) + ": net pressure, the load against the soil reaction";

  std::vector<std::pair<double, double>> load_table;
  if (stage.EarthPressure)
    for (const PlotPressureRow& r : stage.EarthPressure->Rows)
      if (std::isfinite(r.Depth) && std::isfinite(r.Load)) load_table.emplace_back(r.Depth, r.Load);
  const std::vector<std::pair<double, double>> offsets = CurveOffsets(stage);

  // Per station: the load, the active pressure the curves carry, the
  // resistance mobilised behind (+) or in front of (-) the wall, the net.
  const size_t n = rows.size();
  std::vector<double> xs(n), depths(n), load(n), offset(n), behind(n), front(n), net(n);
  for (size_t i = 0; i < n; ++i) {
    const PlotStationRow& r = rows[i];
    xs[i] = r.X;
    depths[i] = r.X * u.DepthFactor;
    load[i] = Interpolate(load_table, r.X);
    // A station with no soil reaction has no curve; one with a reaction
    // above the first curve takes that curve's offset.
    offset[i] = r.SoilReaction == 0 ? 0 : Interpolate(offsets, r.X);
    const double mobilised = r.SoilReaction - offset[i];
    behind[i] = load[i] + offset[i] + std::max(mobilised, 0.0);
    front[i] = std::min(mobilised, 0.0);
    net[i] = load[i] + r.SoilReaction;
    if (!std::isfinite(r.SoilReaction)) behind[i] = front[i] = net[i] = kNaN;
  }
  std::vector<double> stacked_offset(n);
  for (size_t i = 0; i < n; ++i) stacked_offset[i] = load[i] + offset[i];
  std::vector<double> mobilised_behind(n), offset_only(n);
  for (size_t i = 0; i < n; ++i) {
    mobilised_behind[i] = behind[i] - stacked_offset[i];
    offset_only[i] = offset[i];
  }

  const double width = 1140, height = 840;
  const double column_left = 62, top = 156, bottom = height - 40;
  const double left = column_left + kSoilColumnWidth + 40, right = left + 520;
  std::vector<double> load_depths;
  for (const auto& [d, v] : load_table) load_depths.push_back(d * u.DepthFactor);
  const Axis depth_axis =
      MakeAxis(0, DeepestDepth(stage, u, excavation_depth, load_depths), 10, false, bottom - top, true);
  const Map y{depth_axis.Lo, depth_axis.Hi, top, bottom};
  std::vector<double> all = behind;
  all.insert(all.end(), front.begin(), front.end());
  all.insert(all.end(), net.begin(), net.end());
  const auto [lo, hi] = RangeWithZero(all);
  const Axis axis = MakeAxis(lo, hi, 6, true, right - left, false);
  const Map x{axis.Lo, axis.Hi, left, right};

  std::string s = SvgOpen(width, height, title);
  std::string subtitle = StageTitle(ground);
  subtitle += (subtitle.empty() ? "" : " \u2014 ") + u.System + "; " + WidthNote(ground, u);
  Title(s, title, subtitle);
  Text(s, 20, 68,
       "The earth-pressure load pushes the wall towards the excavation; the soil reaction of the p-y curves "
       "resists it; the tie-backs carry the rest.",
       std::string(" font-size=\"12\" fill=\"") + kNoteColour + "\"");
  DepthAxisAndGround(s, stage, ground, u, excavation_depth, depth_axis, y, column_left, top, bottom);
  s += "<g class=\"panel\" data-quantity=\"net-pressure\">\n";
  Text(s, (left + right) / 2, 92, "Forces on the wall per unit depth",
       " text-anchor=\"middle\" font-size=\"15\" font-weight=\"bold\"");
  Text(s, (left + right) / 2, 110, "(" + AxisUnit(axis, unit) + " " + per + ")",
       " text-anchor=\"middle\" font-size=\"12\"");
  SignHints(s, left, right, 128);
  DepthGrid(s, depth_axis, y, left, right, false);
  ValueTicks(s, axis, x, top, bottom);

  auto points = [&](const std::vector<double>& values) {
    std::vector<std::pair<double, double>> p;
    for (size_t i = 0; i < n; ++i) p.emplace_back(x(values[i]), y(depths[i]));
    return p;
  };
  const std::vector<double> zero(n, 0.0);
  constexpr const char* kLoadFill = "#f8dcb4";
  constexpr const char* kOffsetFill = "#e3d1ec";
  constexpr const char* kBehindFill = "#c6dcef";
  constexpr const char* kFrontFill = "#c5e8cf";
  constexpr const char* kOffsetColour = "#8e44ad";
  constexpr const char* kBehindColour = "#2874a6";
  constexpr const char* kFrontColour = "#1e8449";
  Area(s, points(load), points(zero), kLoadFill, "area-load");
  Area(s, points(stacked_offset), points(load), kOffsetFill, "area-offset");
  Area(s, points(behind), points(stacked_offset), kBehindFill, "area-behind");
  Area(s, points(front), points(zero), kFrontFill, "area-front");
  DrawMarks(s, DepthMarks(stage, u, excavation_depth), y, left, right, depth_axis, true, false);
  Frame(s, left, top, right, bottom);
  Curve(s, points(load), kActiveColour, 1.6, "net-load");
  if (AnyNonZero(offset_only)) Curve(s, points(stacked_offset), kOffsetColour, 1.2, "net-offset");
  if (AnyNonZero(mobilised_behind)) Curve(s, points(behind), kBehindColour, 1.2, "net-behind");
  Curve(s, points(front), kFrontColour, 1.6, "net-front");
  Curve(s, points(net), kTotalColour, 2.6, "net-total");
  // The tie-backs: point forces, drawn as arrows of one length at their
  // depths, pointing the way they act on the wall.
  for (const PlotTieBack& t : stage.Results->TieBacks) {
    const double depth = TieBackDepth(stage, t, u);
    const double f = t.HorizontalForcePerStation;
    if (!std::isfinite(depth) || depth < depth_axis.Lo || depth > depth_axis.Hi || !std::isfinite(f))
      continue;
    const double x0 = x(0), py = y(depth);
    const double x1 = f < 0 ? std::max(left + 8, x0 - 70) : std::min(right - 8, x0 + 70);
    const double head = f < 0 ? 8 : -8;
    s += "<g class=\"tie-back-arrow\" data-number=\"" + std::to_string(t.Number) + "\" data-value=\"" +
         Exact(f) + "\" data-depth=\"" + Exact(depth) + "\">\n";
    Line(s, x0, py, x1, py, kTieBackColour, 2.4);
    s += "<path d=\"M" + N(x1) + "," + N(py) + " L" + N(x1 + head) + "," + N(py - 5) + " L" + N(x1 + head) +
         "," + N(py + 5) + " Z\" fill=\"" + kTieBackColour + "\"/>\n";
    HaloText(s, x1 + (f < 0 ? 0 : 0), py - 8,
             "Tie-back " + std::to_string(t.Number) + ": " + FormatValue(f) + " " + u.Force,
             std::string(f < 0 ? "" : " text-anchor=\"end\"") +
                 " font-size=\"11\" font-weight=\"bold\" fill=\"" + kTieBackColour + "\"");
    s += "</g>\n";
  }
  s += "</g>\n";

  // Legend with the resultant of each part.
  s += "<g class=\"legend\">\n";
  const double lx = right + 26;
  double ly = top + 6;
  Text(s, lx, ly, "Parts and their resultants", " font-size=\"13\" font-weight=\"bold\"");
  ly += 22;
  const std::string force = " " + u.Force + " " + per;
  auto entry = [&](const char* fill, const char* colour, double line_width, const std::string& label,
                   double resultant, const char* key) {
    s += "<g class=\"legend-entry\" data-part=\"" + std::string(key) + "\" data-resultant=\"" +
         Exact(resultant) + "\">\n";
    if (fill)
      s += "<rect x=\"" + N(lx) + "\" y=\"" + N(ly - 11) + "\" width=\"34\" height=\"12\" fill=\"" + fill +
           "\" stroke=\"" + colour + "\" stroke-width=\"" + N(line_width) + "\"/>\n";
    else
      Line(s, lx, ly - 4, lx + 34, ly - 4, colour, line_width);
    Text(s, lx + 42, ly, label, " font-size=\"12\"");
    Text(s, lx + 42, ly + 15, "resultant " + FormatValue(resultant) + force,
         std::string(" font-size=\"11\" fill=\"") + kNoteColour + "\"");
    s += "</g>\n";
    ly += 38;
  };
  entry(kLoadFill, kActiveColour, 1.2, "Earth-pressure load (active, water, surcharge)", Resultant(xs, load),
        "load");
  if (AnyNonZero(offset_only))
    entry(kOffsetFill, kOffsetColour, 1.2, "Active pressure carried by the p-y curves",
          Resultant(xs, offset_only), "offset");
  if (AnyNonZero(mobilised_behind))
    entry(kBehindFill, kBehindColour, 1.2, "Soil behind the wall resisting", Resultant(xs, mobilised_behind),
          "behind");
  entry(kFrontFill, kFrontColour, 1.2, "Soil in front of the wall resisting", Resultant(xs, front), "front");
  entry(nullptr, kTotalColour, 2.6, "Net pressure: load + soil reaction", Resultant(xs, net), "net");
  for (const PlotTieBack& t : stage.Results->TieBacks) {
    s += "<g class=\"legend-entry\" data-part=\"tie-back\" data-resultant=\"" +
         Exact(t.HorizontalForcePerStation) + "\">\n";
    Text(s, lx, ly,
         "Tie-back " + std::to_string(t.Number) + ": " + FormatValue(t.HorizontalForcePerStation) + force,
         std::string(" font-size=\"12\" fill=\"") + kTieBackColour + "\"");
    Text(s, lx, ly + 15, "horizontal force per station",
         std::string(" font-size=\"11\" fill=\"") + kNoteColour + "\"");
    s += "</g>\n";
    ly += 38;
  }
  ly += 4;
  if (AnyNonZero(offset_only)) {
    LegendNote(s, lx, ly, "Below the excavation the generated p-y curves");
    LegendNote(s, lx, ly + 15, "push the wall with the active pressure at zero");
    LegendNote(s, lx, ly + 30, "deflection (their offset), besides the load:");
    LegendNote(s, lx, ly + 45, "the soil reaction is that offset less the");
    LegendNote(s, lx, ly + 60, "resistance mobilised (docs/modelling.md).");
  }
  s += "</g>\n";
  return s + SvgClose();
}

}  // namespace darnek::pictures
