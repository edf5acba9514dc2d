// SVG pictures and the HTML page drawn from the plot-data file. The SVG is
// written as text with presentation attributes only (no style sheets, no
// identifiers), so each picture renders the same standalone and inline, and
// several can share one page. Fonts are the generic families every browser
// has. Ticks and marked points carry their values in data- attributes, so
// that a picture can be read back and checked against the plot data.
#include "report/plot_pictures.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>
#include <stdexcept>

#include "core/report_helpers.h"
#include "core/run_file.h"

namespace darnek::report {
namespace {

constexpr const char* kFont = "DejaVu Sans, Liberation Sans, Arial, Helvetica, sans-serif";
constexpr const char* kMinus = "\u2212";

// One colour per quantity, the same in every picture and on the page.
constexpr const char* kDeflectionColour = "#1f5fa8";
constexpr const char* kMomentColour = "#c0392b";
constexpr const char* kShearColour = "#1e8449";
constexpr const char* kSoilReactionColour = "#7d3c98";
constexpr const char* kTotalColour = "#222222";
constexpr const char* kActiveColour = "#b9770e";
constexpr const char* kWaterColour = "#2e86c1";
constexpr const char* kSurchargeColour = "#229954";
constexpr const char* kApparentColour = "#7d3c98";
constexpr const char* kExcavationColour = "#8b5a2b";
constexpr const char* kTieBackColour = "#555555";
constexpr const char* kExcavationBranchColour = "#148f77";
constexpr const char* kBackfillBranchColour = "#d35400";
constexpr const char* kUserCurveColour = "#34495e";
constexpr const char* kGridColour = "#e3e3e3";
constexpr const char* kFrameColour = "#8a8a8a";
constexpr const char* kZeroColour = "#5a5a5a";
constexpr const char* kTextColour = "#1a1a1a";
constexpr const char* kNoteColour = "#555555";

// ------------------------------------------------------------------- units

struct Units {
  std::string length;  // of deflection and y: the analysis length unit
  std::string force;
  std::string depth;    // of the depth axis
  double depth_factor;  // analysis length unit to depth unit
  std::string system;
};

Units UnitsFor(int unit_flag) {
  // English problems work in inches and pounds; depths read in feet, as in
  // the report.
  if (unit_flag > 0) return {"in", "lbs", "ft", 1.0 / 12, "English units"};
  if (unit_flag < 0) return {"m", "kN", "m", 1.0, "SI units"};
  return {"L", "F", "L", 1.0, "units not stated (neutral labels)"};
}

// ------------------------------------------------------------------ numbers

// Coordinates, two decimals.
std::string N(double v) {
  std::string s = FixedText(v, 2);
  if (s == "-0.00") s = "0.00";
  return s;
}

// Full precision for the data- attributes.
std::string Exact(double v) { return GeneralText(v, 17); }

std::string WithMinus(std::string s) {
  if (!s.empty() && s[0] == '-') s = kMinus + s.substr(1);
  return s;
}

std::string Fixed(double v, int decimals) {
  std::string s = FixedText(v, std::max(0, decimals));
  if (s.find_first_not_of("-0.") == std::string::npos && s[0] == '-') s.erase(0, 1);
  return WithMinus(s);
}

std::string Superscript(int e) {
  static const char* const kDigits[] = {"\u2070", "\u00b9", "\u00b2", "\u00b3", "\u2074",
                                        "\u2075", "\u2076", "\u2077", "\u2078", "\u2079"};
  std::string s = e < 0 ? "\u207b" : "";
  for (char c : std::to_string(std::abs(e))) s += kDigits[c - '0'];
  return s;
}

// A value with four significant digits: fixed-point for ordinary
// magnitudes, else a mantissa times a power of ten.
std::string FormatValue(double v) {
  if (!std::isfinite(v)) return "n/a";
  if (v == 0) return "0";
  const std::string s = ScientificText(v, 3);
  const size_t e = s.find('e');
  int exponent = 0;
  std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exponent);
  if (exponent >= -3 && exponent < 6) return Fixed(v, 3 - exponent);
  return WithMinus(s.substr(0, e)) + "\u00d710" + Superscript(exponent);
}

std::string FormatDepth(double depth) { return Fixed(depth, 2); }

std::string Escape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// -------------------------------------------------------------------- axes

struct Axis {
  double lo = 0, hi = 1;
  std::vector<double> ticks;
  int decimals = 0;  // of the tick labels
  int exponent = 0;  // tick labels show value / 10^exponent
};

// The axis with ticks every `step` covering [lo, hi], widened to the outer
// ticks.
Axis AxisWithStep(double lo, double hi, double step, bool scaled_labels) {
  Axis axis;
  const double first = std::floor(lo / step + 1e-9);
  const double last = std::ceil(hi / step - 1e-9);
  axis.lo = first * step;
  axis.hi = last * step;
  for (double i = first; i <= last + 0.5; i += 1) {
    double t = i * step;
    if (std::abs(t) < step * 1e-9) t = 0;
    axis.ticks.push_back(t);
  }
  const double largest = std::max(std::abs(axis.lo), std::abs(axis.hi));
  if (scaled_labels && largest > 0 && (largest >= 1e5 || largest < 1e-2))
    axis.exponent = static_cast<int>(std::floor(std::log10(largest) / 3)) * 3;
  const double scaled_step = step / std::pow(10.0, axis.exponent);
  axis.decimals = std::max(0, -static_cast<int>(std::floor(std::log10(scaled_step) + 1e-9)));
  return axis;
}

std::string TickLabel(const Axis& axis, double v) {
  return Fixed(v / std::pow(10.0, axis.exponent), axis.decimals);
}

// Characters (not bytes) of a label.
size_t Glyphs(const std::string& text) {
  size_t n = 0;
  for (unsigned char c : text) n += (c & 0xc0) != 0x80 ? 1 : 0;
  return n;
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
    const double spacing = pixels / static_cast<double>(axis.ticks.size() - 1);
    size_t widest = 0;
    for (double t : axis.ticks) widest = std::max(widest, Glyphs(TickLabel(axis, t)));
    const double needed = vertical ? 20 : 7.0 * static_cast<double>(widest) + 12;
    if (axis.ticks.size() <= static_cast<size_t>(target) + 2 && spacing >= needed) break;
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
  if (axis.exponent == 0) return unit;
  if (unit == "m" && axis.exponent == -3) return "mm";
  return "\u00d710" + Superscript(axis.exponent) + " " + unit;
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

struct Map {
  double v0, v1, p0, p1;
  double operator()(double v) const { return p0 + (v - v0) * (p1 - p0) / (v1 - v0); }
};

// ------------------------------------------------------------ SVG elements

std::string SvgOpen(double width, double height, const std::string& label) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
         N(width) + "\" height=\"" + N(height) + "\" viewBox=\"0 0 " + N(width) + " " + N(height) +
         "\" role=\"img\" aria-label=\"" + Escape(label) + "\">\n<g font-family=\"" + kFont +
         "\" font-size=\"12\" fill=\"" + kTextColour + "\">\n" + "<rect x=\"0\" y=\"0\" width=\"" + N(width) +
         "\" height=\"" + N(height) + "\" fill=\"#ffffff\" stroke=\"none\"/>\n";
}

std::string SvgClose() { return "</g>\n</svg>\n"; }

void Line(std::string& s, double x1, double y1, double x2, double y2, const std::string& stroke, double width,
          const std::string& extra = "") {
  s += "<line x1=\"" + N(x1) + "\" y1=\"" + N(y1) + "\" x2=\"" + N(x2) + "\" y2=\"" + N(y2) + "\" stroke=\"" +
       stroke + "\" stroke-width=\"" + N(width) + "\"" + extra + "/>\n";
}

void Text(std::string& s, double x, double y, const std::string& text, const std::string& extra = "") {
  s += "<text x=\"" + N(x) + "\" y=\"" + N(y) + "\"" + extra + ">" + Escape(text) + "</text>\n";
}

// Text with a white outline, legible where it crosses a curve or grid.
void HaloText(std::string& s, double x, double y, const std::string& text, const std::string& extra = "") {
  Text(s, x, y, text,
       extra + " stroke=\"#ffffff\" stroke-width=\"3.5\" stroke-linejoin=\"round\" paint-order=\"stroke\"");
}

void Frame(std::string& s, double left, double top, double right, double bottom) {
  s += "<rect x=\"" + N(left) + "\" y=\"" + N(top) + "\" width=\"" + N(right - left) + "\" height=\"" +
       N(bottom - top) + "\" fill=\"none\" stroke=\"" + kFrameColour + "\" stroke-width=\"1\"/>\n";
}

// Polylines through the points, broken where a value is unknown.
void Curve(std::string& s, const std::vector<std::pair<double, double>>& points, const std::string& colour,
           double width, const std::string& cls, const std::string& extra = "") {
  std::string run;
  int count = 0;
  auto flush = [&] {
    if (count >= 1) {
      s += "<polyline class=\"" + cls + "\" fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"" +
           N(width) + "\" stroke-linejoin=\"round\"" + extra + " points=\"" + run + "\"/>\n";
    }
    run.clear();
    count = 0;
  };
  for (const auto& [x, y] : points) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
      flush();
      continue;
    }
    if (count > 0) run += ' ';
    run += N(x) + "," + N(y);
    ++count;
  }
  flush();
}

void Title(std::string& s, const std::string& title, const std::string& subtitle) {
  Text(s, 20, 30, title, " font-size=\"18\" font-weight=\"bold\"");
  if (!subtitle.empty())
    Text(s, 20, 50, subtitle, std::string(" font-size=\"12\" fill=\"") + kNoteColour + "\"");
}

// A picture that has only a message.
std::string MessageSvg(const std::string& title, const std::vector<std::string>& lines) {
  const double width = 1200, height = 110 + 22.0 * static_cast<double>(lines.size());
  std::string s = SvgOpen(width, height, title);
  Title(s, title, "");
  s += "<g class=\"message\">\n";
  double y = 84;
  for (const std::string& line : lines) {
    Text(s, 20, y, line, " font-size=\"15\"");
    y += 22;
  }
  s += "</g>\n";
  return s + SvgClose();
}

// Value ticks along the top of a panel, with grid lines down it.
void ValueTicks(std::string& s, const Axis& axis, const Map& x, double top, double bottom) {
  for (double t : axis.ticks) {
    const double px = x(t);
    s += "<g class=\"tick-value\" data-value=\"" + Exact(t) + "\">\n";
    Line(s, px, top, px, bottom, t == 0 ? kZeroColour : kGridColour, t == 0 ? 1.2 : 1);
    Line(s, px, top - 4, px, top, kFrameColour, 1);
    Text(s, px, top - 8, TickLabel(axis, t), " text-anchor=\"middle\" font-size=\"11\"");
    s += "</g>\n";
  }
}

// Depth grid lines across a panel; labels only where asked.
void DepthGrid(std::string& s, const Axis& axis, const Map& y, double left, double right, bool labels) {
  for (double t : axis.ticks) {
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

struct DepthMark {
  double depth;  // depth unit
  std::string label;
  bool excavation;
};

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

// -------------------------------------------------------- wall diagrams

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

// ----------------------------------------------------- earth pressure

namespace {

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

std::string DrawPyCurves(const PlotStage& stage, std::optional<double> excavation_depth) {
  if (!stage.SoilCurves || stage.SoilCurves->Curves.empty()) return "";
  const Units u = UnitsFor(StageUnitFlag(stage));
  const std::vector<PlotSoilCurve>& curves = stage.SoilCurves->Curves;
  const std::vector<size_t> chosen = ChooseCurves(curves, 6);
  bool any_generated = false, any_user = false;
  for (size_t i : chosen) (curves[i].Generated ? any_generated : any_user) = true;
  const std::string p_unit = u.force + "/" + u.length;
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
  Title(s, title, u.system + "; p is the soil resistance per unit length of wall, y the deflection");
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
    const double px0 = cx + 78, px1 = cx + cell_width - 16, py0 = cy + 34, py1 = cy + cell_height - 62;

    std::string heading;
    std::optional<double> depth;
    if (c.Generated)
      depth = c.Depth * u.depth_factor;
    else if (h)
      depth = c.Station * *h * u.depth_factor;
    if (c.Generated)
      heading = "Depth " + FormatDepth(*depth) + " " + u.depth;
    else
      heading = "Station " + std::to_string(c.Station) +
                (depth ? ", depth " + FormatDepth(*depth) + " " + u.depth : "");
    if (depth && excavation_depth && std::isfinite(*excavation_depth)) {
      const double below = *depth - *excavation_depth * u.depth_factor;
      if (below > 0) heading += " (" + FormatDepth(below) + " " + u.depth + " below excavation)";
    }

    std::vector<double> ys, ps;
    for (const PlotCurvePoint& p : c.Points) {
      ys.push_back(p.Y);
      ps.push_back(p.P);
    }
    const auto [ylo, yhi] = RangeWithZero(ys);
    const auto [plo, phi] = RangeWithZero(ps);
    const Axis yaxis = MakeAxis(ylo, yhi, 4, true, px1 - px0, false);
    const Axis paxis = MakeAxis(plo, phi, 5, true, py1 - py0, true);
    const Map x{yaxis.lo, yaxis.hi, px0, px1};
    const Map y{paxis.lo, paxis.hi, py1, py0};

    s += "<g class=\"py-panel\" data-curve=\"" + std::to_string(chosen[n]) + "\">\n";
    Text(s, (px0 + px1) / 2, cy + 18, heading,
         " text-anchor=\"middle\" font-size=\"13\" font-weight=\"bold\"");
    for (double t : yaxis.ticks) {
      const double px = x(t);
      s += "<g class=\"tick-y\" data-value=\"" + Exact(t) + "\">\n";
      Line(s, px, py0, px, py1, t == 0 ? kZeroColour : kGridColour, t == 0 ? 1.2 : 1);
      Line(s, px, py1, px, py1 + 4, kFrameColour, 1);
      Text(s, px, py1 + 16, TickLabel(yaxis, t), " text-anchor=\"middle\" font-size=\"11\"");
      s += "</g>\n";
    }
    for (double t : paxis.ticks) {
      const double py = y(t);
      s += "<g class=\"tick-p\" data-value=\"" + Exact(t) + "\">\n";
      Line(s, px0, py, px1, py, t == 0 ? kZeroColour : kGridColour, t == 0 ? 1.2 : 1);
      Line(s, px0 - 4, py, px0, py, kFrameColour, 1);
      Text(s, px0 - 7, py + 4, TickLabel(paxis, t), " text-anchor=\"end\" font-size=\"11\"");
      s += "</g>\n";
    }
    Frame(s, px0, py0, px1, py1);
    Text(s, (px0 + px1) / 2, py1 + 36, "y, deflection (" + AxisUnit(yaxis, u.length) + ")",
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
        backfill.emplace_back(x(c.Points[i].Y), y(c.Points[i].P));
      s += "<g class=\"branches\" data-backfill-points=\"" + std::to_string(i) + "\">\n";
      for (; i < c.Points.size(); ++i) excavation.emplace_back(x(c.Points[i].Y), y(c.Points[i].P));
      Curve(s, backfill, kBackfillBranchColour, 2.2, "branch-backfill");
      Curve(s, excavation, kExcavationBranchColour, 2.2, "branch-excavation");
      s += "</g>\n";
    } else {
      std::vector<std::pair<double, double>> points;
      for (const PlotCurvePoint& p : c.Points) points.emplace_back(x(p.Y), y(p.P));
      Curve(s, points, kUserCurveColour, 2.2, "user-curve");
    }
    s += "</g>\n";
  }
  return s + SvgClose();
}

// ------------------------------------------------------------ the page

std::optional<double> ExcavationDepthFor(const PlotStage& stage, const PictureOptions& options) {
  const size_t index = static_cast<size_t>(stage.Number - 1);
  if (stage.Number >= 1 && index < options.ExcavationDepths.size() && options.ExcavationDepths[index])
    return options.ExcavationDepths[index];
  return ExcavationDepthFromCurves(stage);
}

namespace {

std::string StripXmlDeclaration(const std::string& svg) {
  if (svg.rfind("<?xml", 0) != 0) return svg;
  const size_t end = svg.find("?>");
  size_t start = end + 2;
  while (start < svg.size() && (svg[start] == '\n' || svg[start] == '\r')) ++start;
  return svg.substr(start);
}

const StageSummary* SummaryFor(const PlotStage& stage, const PictureOptions& options) {
  for (const StageSummary& s : options.Summaries)
    if (s.stage == stage.Number) return &s;
  return nullptr;
}

void Row(std::string& h, const std::string& head, const std::string& value) {
  h += "<tr><th>" + Escape(head) + "</th><td>" + value + "</td></tr>\n";
}

std::string Largest(const std::vector<PlotStationRow>& rows, double PlotStationRow::*member,
                    const std::string& unit, const Units& u) {
  std::vector<double> values;
  for (const PlotStationRow& r : rows) values.push_back(r.*member);
  const int k = LargestIndex(values);
  if (k < 0) return "not recorded";
  const PlotStationRow& r = rows[static_cast<size_t>(k)];
  return Escape(FormatValue(r.*member) + " " + unit + " at depth " + FormatDepth(r.X * u.depth_factor) + " " +
                u.depth);
}

std::string StageSummaryTable(const PlotStage& stage, const StageSummary* summary, const Units& u,
                              std::optional<double> excavation, bool excavation_given) {
  std::string h = "<table class=\"summary\">\n";
  const bool solved = stage.Results && stage.Results->Solved && !stage.Results->Rows.empty();
  std::string outcome;
  if (summary && !summary->outcome.empty())
    outcome = Escape(summary->outcome);
  else if (solved)
    outcome = "solved";
  else if (stage.Results)
    outcome =
        "no solution: the maximum allowable deflection was exceeded or the iteration limit was reached "
        "(the plot file does not record which; the report does)";
  else
    outcome = "no results: the plot file ends before this stage's results";
  if (!solved && (!summary || !summary->solved))
    outcome = "<strong class=\"failed\">" + outcome + "</strong>";
  Row(h, "Outcome", outcome);
  Row(h, "Iterations",
      summary ? std::to_string(summary->iterations)
              : "not recorded in the plot file (see the report or the run log)");
  if (solved) {
    const std::vector<PlotStationRow>& rows = stage.Results->Rows;
    if (summary && summary->solved) {
      Row(h, "Largest deflection",
          Escape(FormatValue(summary->max_deflection) + " " + u.length + " at depth " +
                 FormatDepth(summary->max_deflection_depth * u.depth_factor) + " " + u.depth));
      Row(h, "Largest bending moment",
          Escape(FormatValue(summary->max_moment) + " " + u.force + "-" + u.length + " at depth " +
                 FormatDepth(summary->max_moment_depth * u.depth_factor) + " " + u.depth));
    } else {
      Row(h, "Largest deflection", Largest(rows, &PlotStationRow::Deflection, u.length, u));
      Row(h, "Largest bending moment", Largest(rows, &PlotStationRow::Moment, u.force + "-" + u.length, u));
    }
    Row(h, "Largest shear", Largest(rows, &PlotStationRow::Shear, u.force, u));
    Row(h, "Largest soil reaction",
        Largest(rows, &PlotStationRow::SoilReaction, u.force + "/" + u.length, u));
    Row(h, "Wall",
        std::to_string(rows.size()) + " stations, tip at depth " +
            Escape(FormatDepth(WallLength(stage, u)) + " " + u.depth));
  }
  if (excavation) {
    Row(h, "Excavation level",
        Escape(FormatDepth(*excavation * u.depth_factor) + " " + u.depth + " below the top of the wall") +
            (excavation_given ? "" : " (from the depth of the first generated p-y curve)"));
  } else {
    Row(h, "Excavation level", "not recorded in the plot file; not drawn");
  }
  if (stage.EarthPressure)
    Row(h, "Earth pressure",
        Escape(OptionText(stage.EarthPressure->Option)) + ", " +
            std::to_string(stage.EarthPressure->Rows.size()) + " rows");
  else
    Row(h, "Earth pressure", "none in the plot file for this stage");
  if (stage.SoilCurves) {
    size_t generated = 0;
    for (const PlotSoilCurve& c : stage.SoilCurves->Curves) generated += c.Generated ? 1 : 0;
    const size_t user = stage.SoilCurves->Curves.size() - generated;
    std::string text;
    if (generated) text += std::to_string(generated) + " generated";
    if (user) text += std::string(text.empty() ? "" : ", ") + std::to_string(user) + " user";
    if (text.empty()) text = "none";
    Row(h, "p-y curves", text);
  } else {
    Row(h, "p-y curves", "none in the plot file for this stage");
  }
  h += "</table>\n";

  // Tie-back forces: the plot file has them all; a run summary has the force
  // per tie-back when the plot file's block is missing.
  if (solved && !stage.Results->TieBacks.empty()) {
    h += "<table class=\"tie-backs\">\n<tr><th>Tie-back</th><th>Station</th><th>Depth (" + u.depth +
         ")</th><th>Angle (deg)</th><th>Horizontal force per station (" + u.force +
         ")</th><th>Force per station (" + u.force + ")</th><th>Force per tie-back (" + u.force +
         ")</th><th>Prestress (" + u.force + ")</th></tr>\n";
    for (const PlotTieBack& t : stage.Results->TieBacks) {
      h += "<tr><td>" + std::to_string(t.Number) + "</td><td>" + std::to_string(t.Station) + "</td><td>" +
           Escape(FormatDepth(t.Depth)) + "</td><td>" + Escape(FormatValue(t.Angle)) + "</td><td>" +
           Escape(FormatValue(t.HorizontalForcePerStation)) + "</td><td>" +
           Escape(FormatValue(t.ForcePerStation)) + "</td><td>" + Escape(FormatValue(t.ForcePerTieBack)) +
           "</td><td>" + Escape(FormatValue(t.Prestress)) + "</td></tr>\n";
    }
    h += "</table>\n";
  } else if (summary && !summary->tie_backs.empty()) {
    h += "<table class=\"tie-backs\">\n<tr><th>Tie-back</th><th>Station</th><th>Depth (" + u.depth +
         ")</th><th>Force per tie-back (" + u.force + ")</th></tr>\n";
    for (const TieBackSummary& t : summary->tie_backs) {
      h += "<tr><td>" + std::to_string(t.number) + "</td><td>" + std::to_string(t.station) + "</td><td>" +
           Escape(FormatDepth(t.depth)) + "</td><td>" + Escape(FormatValue(t.force_per_tie_back)) +
           "</td></tr>\n";
    }
    h += "</table>\n";
  }
  return h;
}

struct StageSvgs {
  std::string wall, pressure, py;
};

StageSvgs DrawStage(const PlotStage& stage, const PictureOptions& options) {
  const std::optional<double> excavation = ExcavationDepthFor(stage, options);
  return {DrawWallDiagrams(stage, excavation), DrawEarthPressure(stage, excavation),
          DrawPyCurves(stage, excavation)};
}

std::string Page(const PlotFile& plot, const PictureOptions& options, const std::vector<StageSvgs>& svgs) {
  const std::string title = options.Title.empty() ? plot.Name : options.Title;
  std::string h =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>\n<title>" +
      Escape(title) +
      " \u2014 wall diagrams</title>\n<style>\n"
      "body { font-family: " +
      std::string(kFont) +
      "; color: #1a1a1a; margin: 24px auto; max-width: 1240px;"
      " padding: 0 16px; line-height: 1.4; }\n"
      "h1 { font-size: 24px; margin-bottom: 4px; }\n"
      "h2 { font-size: 20px; border-bottom: 2px solid #ccc; padding-bottom: 4px; margin-top: 36px; }\n"
      "p.note { color: #555; font-size: 14px; margin-top: 0; }\n"
      "nav a { margin-right: 14px; }\n"
      "table { border-collapse: collapse; margin: 10px 0 18px 0; font-size: 14px; }\n"
      "th, td { text-align: left; padding: 4px 12px 4px 0; vertical-align: top; }\n"
      "table.summary th { color: #444; font-weight: normal; width: 200px; }\n"
      "table.tie-backs th { border-bottom: 1px solid #999; color: #444; }\n"
      "table.tie-backs td { border-bottom: 1px solid #e3e3e3; }\n"
      "strong.failed { color: #b03a2e; }\n"
      "figure { margin: 12px 0 28px 0; }\n"
      "figure svg { max-width: 100%; height: auto; display: block; border: 1px solid #ddd; }\n"
      "figcaption { font-size: 13px; color: #555; margin-top: 4px; }\n"
      "</style>\n</head>\n<body>\n<h1>" +
      Escape(title) + "</h1>\n<p class=\"note\">Drawn from the plot-data file " + Escape(plot.Name) + ": " +
      std::to_string(plot.Stages.size()) + (plot.Stages.size() == 1 ? " stage" : " stages") +
      ". Depths are measured down from the top of the wall.</p>\n";
  if (!options.RunNote.empty())
    h += "<p><strong class=\"failed\">" + Escape(options.RunNote) + "</strong></p>\n";
  for (const std::string& note : plot.Notes) h += "<p class=\"note\">" + Escape(note) + "</p>\n";
  if (plot.Stages.size() > 1) {
    h += "<nav>";
    for (const PlotStage& stage : plot.Stages)
      h += "<a href=\"#stage-" + std::to_string(stage.Number) + "\">" + StageName(stage) + "</a>";
    h += "</nav>\n";
  }
  if (plot.Stages.empty()) h += "<p>The plot file holds no stage.</p>\n";
  for (size_t i = 0; i < plot.Stages.size(); ++i) {
    const PlotStage& stage = plot.Stages[i];
    const Units u = UnitsFor(StageUnitFlag(stage));
    const size_t index = static_cast<size_t>(stage.Number - 1);
    const bool given = index < options.ExcavationDepths.size() && options.ExcavationDepths[index].has_value();
    h += "<section id=\"stage-" + std::to_string(stage.Number) + "\">\n<h2>" + StageName(stage) + " (" +
         Escape(u.system) + ")</h2>\n";
    h += StageSummaryTable(stage, SummaryFor(stage, options), u, ExcavationDepthFor(stage, options), given);
    const StageSvgs& pictures = svgs[i];
    h += "<figure>\n" + StripXmlDeclaration(pictures.wall) + "</figure>\n";
    if (!pictures.pressure.empty())
      h += "<figure>\n" + StripXmlDeclaration(pictures.pressure) + "</figure>\n";
    else
      h += "<p class=\"note\">No earth-pressure diagram for this stage in the plot file.</p>\n";
    if (!pictures.py.empty())
      h += "<figure>\n" + StripXmlDeclaration(pictures.py) + "</figure>\n";
    else
      h += "<p class=\"note\">No p-y curves for this stage in the plot file.</p>\n";
    h += "</section>\n";
  }
  h += "</body>\n</html>\n";
  return h;
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
  RunFile file;
  const std::string problem = file.Open("picture file", path.string(), RunFile::Kind::Output);
  if (!problem.empty()) throw std::runtime_error("the picture file " + path.string() + " " + problem);
  file.Restart();
  file.Write(text);
  file.Close();  // a failure names the file and the reason
}

}  // namespace

std::string BuildReportPage(const PlotFile& plot, const PictureOptions& options) {
  std::vector<StageSvgs> svgs;
  for (const PlotStage& stage : plot.Stages) svgs.push_back(DrawStage(stage, options));
  return Page(plot, options, svgs);
}

std::vector<std::string> WritePictures(const PlotFile& plot, const std::string& dir,
                                       const PictureOptions& options) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) throw std::runtime_error("cannot create the folder " + dir + ": " + ec.message());
  std::vector<std::string> written;
  std::vector<StageSvgs> svgs;
  for (const PlotStage& stage : plot.Stages) {
    svgs.push_back(DrawStage(stage, options));
    const std::string prefix = "stage" + std::to_string(stage.Number);
    const std::pair<const char*, const std::string*> files[] = {{"-wall.svg", &svgs.back().wall},
                                                                {"-pressure.svg", &svgs.back().pressure},
                                                                {"-py-curves.svg", &svgs.back().py}};
    for (const auto& [suffix, text] : files) {
      if (text->empty()) continue;
      const fs::path path = fs::path(dir) / (prefix + suffix);
      WriteText(path, *text);
      written.push_back(path.string());
    }
  }
  const fs::path page = fs::path(dir) / "report.html";
  WriteText(page, Page(plot, options, svgs));
  written.push_back(page.string());
  return written;
}

}  // namespace darnek::report
