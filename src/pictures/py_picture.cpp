// The p-y curves at a few depths.
#include <algorithm>
#include <cmath>

#include "pictures/axes.h"
#include "pictures/drawings.h"
#include "pictures/stage_view.h"
#include "pictures/svg.h"

namespace darnek::pictures {

// ------------------------------------------------------------ p-y curves

namespace {

// Up to `count` curves spread evenly in depth, shallowest to deepest: the
// curve nearest to each of `count` equally spaced depths. (Evenly by index
// would pick the pairs that meet at a layer boundary.)
std::vector<size_t> ChooseCurves(const std::vector<PlotSoilCurve>& curves, size_t count) {
  auto key = [&](size_t i) {
    return curves[i].Generated ? curves[i].Depth : static_cast<double>(curves[i].Station);
  };
  std::vector<size_t> order(curves.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return key(a) < key(b); });
  if (order.size() <= count) return order;
  const double first = key(order.front()), last = key(order.back());
  std::vector<bool> taken(curves.size(), false);
  std::vector<size_t> chosen;
  for (size_t n = 0; n < count; ++n) {
    const double target = first + (last - first) * static_cast<double>(n) / static_cast<double>(count - 1);
    size_t best = curves.size();
    for (size_t i : order) {
      if (taken[i]) continue;
      if (best == curves.size() || std::abs(key(i) - target) < std::abs(key(best) - target)) best = i;
    }
    taken[best] = true;
    chosen.push_back(best);
  }
  std::stable_sort(chosen.begin(), chosen.end(), [&](size_t a, size_t b) { return key(a) < key(b); });
  return chosen;
}

}  // namespace

std::string DrawPyCurves(const PlotStage& stage, std::optional<double> excavation_depth,
                         const StageGround* ground) {
  if (!stage.SoilCurves || stage.SoilCurves->Curves.empty()) return "";
  const Units u = UnitsFor(StageUnitFlag(stage));
  const std::vector<PlotSoilCurve>& curves = stage.SoilCurves->Curves;
  const std::vector<size_t> chosen = ChooseCurves(curves, 6);
  bool any_generated = false, any_user = false;
  for (size_t i : chosen) (curves[i].Generated ? any_generated : any_user) = true;
  const std::string p_unit = u.Force + "/" + u.Length;
  // The station spacing, for the depth of a user curve.
  std::optional<double> h;
  if (stage.Results && stage.Results->Rows.size() >= 2)
    h = stage.Results->Rows[1].X - stage.Results->Rows[0].X;

  const size_t columns = 3;
  const size_t panel_rows = (chosen.size() + columns - 1) / columns;
  const double width = 1200, head = 150, cell_height = 330;
  const double height = head + cell_height * static_cast<double>(panel_rows);
  const double cell_width = (width - 20) / static_cast<double>(columns);
  const std::string title = StageName(stage) + ": p-y curves at " + std::to_string(chosen.size()) + " of " +
                            std::to_string(curves.size()) + " depths";

  std::string s = SvgOpen(width, height, title);
  std::string subtitle = StageTitle(ground);
  subtitle += (subtitle.empty() ? "" : " \u2014 ") + u.System +
              "; p is the soil resistance per unit length of wall, y the deflection";
  Title(s, title, subtitle);
  // Legend and how to read the signs.
  double lx = 20;
  const double ly = 80;
  auto key = [&](const char* colour, const std::string& label) {
    Line(s, lx, ly - 4, lx + 30, ly - 4, colour, 2.4);
    Text(s, lx + 36, ly, label, " font-size=\"12\"");
    lx += 46 + 7.0 * static_cast<double>(label.size());
  };
  s += "<g class=\"legend\">\n";
  if (any_generated) {
    key(kExcavationBranchColour, "excavation side: wall moves toward the excavation (y > 0)");
    key(kBackfillBranchColour, "backfill side: wall moves into the backfill (y < 0)");
  }
  if (any_user) key(kUserCurveColour, "user curve (y and p times their multipliers)");
  if (any_generated) {
    Text(
        s, 20, ly + 22,
        "Generated curves as the solver uses them: the soil pushes back against the deflection, so p has the "
        "opposite sign of y;",
        std::string(" font-size=\"11\" fill=\"") + kNoteColour + "\"");
    Text(s, 20, ly + 37, "the step at y = 0 is the active earth pressure carried by the curves.",
         std::string(" font-size=\"11\" fill=\"") + kNoteColour + "\"");
  }
  s += "</g>\n";

  for (size_t n = 0; n < chosen.size(); ++n) {
    const PlotSoilCurve& c = curves[chosen[n]];
    const double cx = 10 + cell_width * static_cast<double>(n % columns);
    const double cy = head + cell_height * static_cast<double>(n / columns);
    const double px0 = cx + 78, px1 = cx + cell_width - 16, py0 = cy + 42, py1 = cy + cell_height - 62;

    std::string heading;
    std::optional<double> depth;
    if (c.Generated)
      depth = c.Depth * u.DepthFactor;
    else if (h)
      depth = c.Station * *h * u.DepthFactor;
    if (c.Generated)
      heading = "Depth " + FormatDepth(*depth) + " " + u.Depth;
    else
      heading = "Station " + std::to_string(c.Station) +
                (depth ? ", depth " + FormatDepth(*depth) + " " + u.Depth : "");
    if (depth && excavation_depth && std::isfinite(*excavation_depth)) {
      const double below = *depth - *excavation_depth * u.DepthFactor;
      if (below > 0) heading += " (" + FormatDepth(below) + " " + u.Depth + " below excavation)";
    }

    // y, a deflection, in the deflection unit of the pictures.
    const double scale = u.DeflectionScale;
    std::vector<double> ys, ps;
    for (const PlotCurvePoint& p : c.Points) {
      ys.push_back(p.Y * scale);
      ps.push_back(p.P);
    }
    const auto [ylo, yhi] = RangeWithZero(ys);
    const auto [plo, phi] = RangeWithZero(ps);
    const Axis yaxis = MakeAxis(ylo, yhi, 4, true, px1 - px0, false);
    const Axis paxis = MakeAxis(plo, phi, 5, true, py1 - py0, true);
    const Map x{yaxis.Lo, yaxis.Hi, px0, px1};
    const Map y{paxis.Lo, paxis.Hi, py1, py0};

    s += "<g class=\"py-panel\" data-curve=\"" + std::to_string(chosen[n]) + "\">\n";
    Text(s, (px0 + px1) / 2, cy + 18, heading,
         " text-anchor=\"middle\" font-size=\"13\" font-weight=\"bold\"");
    // The layer the curve lies in, when the run gave the layers.
    if (depth && ground)
      for (const GroundLayer& l : ground->Layers)
        if (*depth / u.DepthFactor > l.Top && *depth / u.DepthFactor <= l.Bottom)
          Text(s, (px0 + px1) / 2, cy + 33, l.SoilType,
               std::string(" class=\"soil\" text-anchor=\"middle\" font-size=\"11\" fill=\"") + kNoteColour +
                   "\"");
    for (double t : yaxis.Ticks) {
      const double px = x(t);
      s += "<g class=\"tick-y\" data-value=\"" + Exact(t / scale) + "\">\n";
      Line(s, px, py0, px, py1, t == 0 ? kZeroColour : kGridColour, t == 0 ? 1.2 : 1);
      Line(s, px, py1, px, py1 + 4, kFrameColour, 1);
      Text(s, px, py1 + 16, TickLabel(yaxis, t), " text-anchor=\"middle\" font-size=\"11\"");
      s += "</g>\n";
    }
    for (double t : paxis.Ticks) {
      const double py = y(t);
      s += "<g class=\"tick-p\" data-value=\"" + Exact(t) + "\">\n";
      Line(s, px0, py, px1, py, t == 0 ? kZeroColour : kGridColour, t == 0 ? 1.2 : 1);
      Line(s, px0 - 4, py, px0, py, kFrameColour, 1);
      Text(s, px0 - 7, py + 4, TickLabel(paxis, t), " text-anchor=\"end\" font-size=\"11\"");
      s += "</g>\n";
    }
    Frame(s, px0, py0, px1, py1);
    Text(s, (px0 + px1) / 2, py1 + 36, "y, deflection (" + AxisUnit(yaxis, u.Deflection) + ")",
         " text-anchor=\"middle\" font-size=\"12\"");
    const double label_x = cx + 14, label_y = (py0 + py1) / 2;
    Text(s, label_x, label_y, "p (" + AxisUnit(paxis, p_unit) + ")",
         " text-anchor=\"middle\" font-size=\"12\" transform=\"rotate(-90 " + N(label_x) + " " + N(label_y) +
             ")\"");

    std::vector<std::pair<double, double>> backfill, excavation;
    if (c.Generated) {
      // Backfill points come first, at y <= 0; the excavation branch follows.
      size_t i = 0;
      for (; i < c.Points.size() && !(c.Points[i].Y > 0); ++i)
        backfill.emplace_back(x(c.Points[i].Y * scale), y(c.Points[i].P));
      s += "<g class=\"branches\" data-backfill-points=\"" + std::to_string(i) + "\">\n";
      for (; i < c.Points.size(); ++i) excavation.emplace_back(x(c.Points[i].Y * scale), y(c.Points[i].P));
      Curve(s, backfill, kBackfillBranchColour, 2.2, "branch-backfill");
      Curve(s, excavation, kExcavationBranchColour, 2.2, "branch-excavation");
      s += "</g>\n";
    } else {
      std::vector<std::pair<double, double>> points;
      for (const PlotCurvePoint& p : c.Points) points.emplace_back(x(p.Y * scale), y(p.P));
      Curve(s, points, kUserCurveColour, 2.2, "user-curve");
    }
    s += "</g>\n";
  }
  return s + SvgClose();
}

}  // namespace darnek::pictures
