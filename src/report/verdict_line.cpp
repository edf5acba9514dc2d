// The one-line verdict of a stage's design checks, as the tool prints it.
#include <algorithm>
#include <cmath>

#include "core/report_helpers.h"
#include "darnek/design.h"

namespace darnek {
namespace {

std::string Two(double v) { return FixedText(v, 2); }

std::string Where(const Check& c, const std::string& unit) {
  return std::isnan(c.Depth) ? std::string() : " at " + Two(c.Depth) + " " + unit;
}

}  // namespace

std::string VerdictLine(const StageChecks& c) {
  std::string line = "stage " + std::to_string(c.Stage) + (c.Combination.empty() ? "" : " " + c.Combination) +
                     (c.Combinations.empty() ? "" : " (the worst of its combinations)") + ": ";
  if (!c.Checked) return line + c.Note + ": " + c.Verdict;
  std::string parts;
  const auto add = [&](const std::string& part) { parts += (parts.empty() ? "" : ", ") + part; };
  // The section: bending (with axial load) or shear, whichever uses it more.
  const bool shear = c.Shear.Checked && (!c.Bending.Checked || c.Shear.Utilisation > c.Bending.Utilisation);
  if (shear)
    add("section " + Two(c.Shear.Utilisation) + " in shear" + Where(c.Shear, c.DepthUnit));
  else if (c.Bending.Checked)
    add("section " + Two(c.Bending.Utilisation) + Where(c.Bending, c.DepthUnit));
  if (c.Embedment.Checked && !c.Embedment.Combination.empty())
    // Eurocode 7: the moments of the design resistance and the design
    // effects, and the embedment that balances them.
    add("embedment Mr/Md " + Two(c.Embedment.FactorOfSafety) + " (" + Two(c.Embedment.RequiredFactor) +
        " needed" + (c.Combinations.empty() ? "" : ", " + c.Embedment.Combination) + "), " +
        Two(c.Embedment.Embedment) + " " + c.DepthUnit + " given, " +
        (c.Embedment.RequiredFound ? "" : "more than ") + Two(c.Embedment.RequiredEmbedment) + " " +
        c.DepthUnit + " needed");
  else if (c.Embedment.Checked)
    add("embedment FS " + Two(c.Embedment.FactorOfSafety) + " " + c.Embedment.Definition + " (" +
        Two(c.Embedment.RequiredFactor) + " needed)");
  if (c.Strength.Checked)
    add("strength reduction F " + std::string(c.Strength.BeyondSearch ? "above " : "") +
        Two(c.Strength.FactorOfSafety) + " " + c.Strength.Definition + " (" + Two(c.Strength.RequiredFactor) +
        " needed)");
  double tie_backs = -1;
  for (const TieBackCheck& t : c.TieBacks)
    if (t.Checked) tie_backs = std::max(tie_backs, t.Utilisation);
  if (tie_backs >= 0) add(std::string(c.TieBacks.size() > 1 ? "tie-backs " : "tie-back ") + Two(tie_backs));
  if (c.Deflection.Checked) add("deflection " + Two(c.Deflection.Utilisation));
  // Eurocode 7: a combination whose analysis did not close.
  if (!c.Combinations.empty() && !c.Note.empty()) add(c.Note);
  if (parts.empty()) return line + "no check applies";
  return line + parts + ": " + c.Verdict;
}

}  // namespace darnek
