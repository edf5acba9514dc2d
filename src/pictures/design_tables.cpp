// The design checks on the page: the method with its factors and the
// governing check of each kind, and a verdict table per stage.
#include <cmath>

#include "pictures/drawings.h"
#include "pictures/svg.h"

namespace darnek::pictures {
namespace {

std::string Cell(const std::string& text, const std::string& cls = "") {
  return "<td" + (cls.empty() ? std::string() : " class=\"" + cls + "\"") + ">" + text + "</td>";
}

std::string Value(double v) { return std::isnan(v) ? std::string("\u2014") : Escape(FormatValue(v)); }

std::string Ratio(double v) { return std::isnan(v) ? std::string("\u2014") : Escape(Fixed(v, 2)); }

std::string VerdictCell(const std::string& verdict) {
  return Cell(Escape(verdict), verdict == "passes" ? "passes" : verdict == "fails" ? "fails" : "unchecked");
}

std::string Row(const std::string& name, const Check& c, const std::string& depth_unit,
                const SafetyCheck* safety = nullptr) {
  // Eurocode 7: the combination the check is the worst of.
  const std::string shown = c.Combination.empty() ? name : name + " (" + c.Combination + ")";
  std::string h = "<tr data-check=\"" + Escape(name) + "\"" +
                  (c.Checked ? " data-utilisation=\"" + Exact(c.Utilisation) + "\"" : std::string()) + ">" +
                  Cell(Escape(shown));
  if (!c.Checked) {
    h += "<td colspan=\"5\">" + Escape(c.Note.empty() ? std::string("not checked") : c.Note) + "</td>" +
         VerdictCell("not checked") + "</tr>\n";
    return h;
  }
  const std::string unit = c.Unit.empty() ? "" : " " + c.Unit;
  std::string factor = "\u2014";
  if (safety)
    factor = Escape(Fixed(safety->FactorOfSafety, 2) + " " + safety->Definition + " (" +
                    Fixed(safety->RequiredFactor, 2) + " needed)");
  h += Cell(Value(c.Demand) + Escape(unit)) + Cell(Value(c.Resistance) + Escape(unit)) +
       Cell(Ratio(c.Utilisation)) +
       Cell(std::isnan(c.Depth) ? std::string("\u2014") : Escape(FormatDepth(c.Depth) + " " + depth_unit)) +
       Cell(factor + (c.Note.empty() ? "" : "<br/><span class=\"note\">" + Escape(c.Note) + "</span>")) +
       VerdictCell(c.Utilisation <= 1 ? "passes" : "fails") + "</tr>\n";
  return h;
}

}  // namespace

const StageChecks* ChecksFor(const PlotStage& stage, const PictureOptions& options) {
  for (const StageChecks& c : options.Checks)
    if (c.Stage == stage.Number) return &c;
  return nullptr;
}

std::string DesignSummaryTable(const PictureOptions& options) {
  const DesignSummary& d = options.Design;
  if (d.Method.empty()) return "";
  std::string h = "<section id=\"design\">\n<h2>Design checks: the wall " +
                  Escape(d.Verdict == "not checked" ? std::string("is not checked") : d.Verdict) + "</h2>\n";
  h += "<p class=\"note\">Method \u201c" + Escape(d.Method) + "\u201d, embedment factor of safety on " +
       Escape(d.EmbedmentDefinition == "net_pressure" ? std::string("net pressure") : d.EmbedmentDefinition) +
       ", " + Escape(d.ModulusBasis) + " section modulus (docs/design-checks.md). Factors: ";
  std::string factors;
  for (const DesignFactorValue& f : d.Factors)
    factors += (factors.empty() ? "" : ", ") + f.Key + " " + Plain(f.Value) + (f.Given ? " (given)" : "");
  h += Escape(factors) + ".</p>\n";
  if (!d.PartialFactors.empty()) {
    std::string partial;
    for (const DesignFactorValue& f : d.PartialFactors)
      partial += (partial.empty() ? "" : ", ") + f.Key + " " + Plain(f.Value) + (f.Given ? " (given)" : "");
    h += "<p class=\"note\">Design approach " + Escape(d.Approach) +
         " (docs/eurocode7.md); partial factors: " + Escape(partial) + ".</p>\n";
  }
  h += "<table class=\"checks governing\">\n<tr><th>Check</th><th>Largest utilisation</th><th>Stage</th>"
       "<th>Where</th><th>Verdict</th></tr>\n";
  for (const GoverningCheck& g : d.Governing)
    h +=
        "<tr data-check=\"" + Escape(g.Check) + "\">" +
        Cell(Escape(g.Combination.empty() ? g.Check : g.Check + " (" + g.Combination + ")")) +
        Cell(Ratio(g.Utilisation)) + Cell(std::to_string(g.Stage)) +
        Cell(std::isnan(g.Depth) ? std::string("\u2014") : Escape(FormatDepth(g.Depth) + " " + g.DepthUnit)) +
        VerdictCell(g.Utilisation <= 1 ? "passes" : "fails") + "</tr>\n";
  h += "</table>\n";
  for (const std::string& unused : d.Unused) h += "<p class=\"note\">Not used: " + Escape(unused) + "</p>\n";
  return h + "</section>\n";
}

std::string StageChecksTable(const StageChecks& c) {
  std::string h = "<table class=\"checks\" data-stage=\"" + std::to_string(c.Stage) + "\">\n";
  h += "<tr><th>Design check</th><th>Demand</th><th>Resistance</th><th>Utilisation</th><th>Where</th>"
       "<th>Factor of safety; notes</th><th>Verdict</th></tr>\n";
  if (!c.Checked) {
    h += "<tr><td colspan=\"6\">" + Escape(c.Note) + "</td>" + VerdictCell("not checked") +
         "</tr>\n</table>\n";
    return h;
  }
  h += Row(std::string("bending") + (c.Bending.PerPile ? " (per pile)" : ""), c.Bending, c.DepthUnit);
  h += Row(std::string("shear") + (c.Shear.PerPile ? " (per pile)" : ""), c.Shear, c.DepthUnit);
  h += Row("embedment" + (c.Embedment.Method.empty() ? "" : ", " + c.Embedment.Method), c.Embedment,
           c.DepthUnit, &c.Embedment);
  h += Row("strength reduction", c.Strength, c.DepthUnit, &c.Strength);
  for (const TieBackCheck& t : c.TieBacks) {
    TieBackCheck shown = t;
    if (t.Checked && !std::isnan(t.VerticalForce))
      shown.Note = (t.Note.empty() ? "" : t.Note + "; ") + "vertical component " +
                   FormatValue(t.VerticalForce) + " " + t.Unit + " per tie-back, not applied to the wall" +
                   (t.Governs.empty() ? "" : "; the " + t.Governs + " governs");
    h += Row("tie-back " + std::to_string(t.Number), shown, c.DepthUnit);
  }
  h += Row("deflection", c.Deflection, c.DepthUnit);
  h += "<tr class=\"verdict\"><th>stage " + std::to_string(c.Stage) + "</th><td colspan=\"2\"></td>" +
       Cell(Ratio(c.Utilisation)) + "<td colspan=\"2\">" +
       Escape(c.Governing.empty() ? std::string() : "governed by " + c.Governing) + "</td>" +
       VerdictCell(c.Verdict) + "</tr>\n</table>\n";
  return h;
}

}  // namespace darnek::pictures
