// The design checks of a stage (docs/design-checks.md gives every formula
// and its source).
#include "design/checks.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <set>
#include <string>

#include "core/design_methods.h"
#include "core/report_helpers.h"

namespace darnek::design {
namespace {

namespace dm = design_methods;

bool Given(double v) { return !std::isnan(v); }

// Section values in SI are in millimetres; the results in metres.
struct SectionUnits {
  double Length, Area, Modulus, Inertia;
};
SectionUnits SectionUnitsOf(bool english) {
  if (english) return {1, 1, 1, 1};
  return {1e-3, 1e-6, 1e-9, 1e-12};
}

double DepthFactor(const StageModel& m) { return m.English ? 1.0 / 12 : 1.0; }
std::string DepthUnit(const StageModel& m) { return m.English ? "ft" : "m"; }
std::string MomentUnit(const StageModel& m) { return m.English ? "lbs-in" : "kN-m"; }
std::string ForceUnit(const StageModel& m) { return m.English ? "lbs" : "kN"; }
std::string LengthUnit(const StageModel& m) { return m.English ? "in" : "m"; }

// Results per result width become forces per pile with this factor.
double PerPile(const StageModel& m) { return m.Piles && m.ResultWidth > 0 ? m.Spacing / m.ResultWidth : 1.0; }

const SectionDesign* DesignOf(const DesignData& data, int cross_section) {
  for (const SectionDesign& s : data.Sections)
    if (s.CrossSection == cross_section) return &s;
  return nullptr;
}

const SectionShape* ShapeOf(const StageModel& m, int cross_section) {
  for (const SectionShape& s : m.Sections)
    if (s.Number == cross_section) return &s;
  return nullptr;
}

// Nominal resistances of one cross section, per pile or per result width,
// in the units of the results; NaN where the data do not allow one.
struct Strength {
  double Moment = kNotGiven;
  double Shear = kNotGiven;
  double Axial = kNotGiven;
  std::string MomentNote, ShearNote;
};

// The depth that halves the section for W = I / (d/2).
double SectionDepth(int shape, const SectionEnd& e) {
  if (shape == 1) return e.Diameter;
  if (shape == 0 && e.Diameter > 0) return e.Diameter;
  return e.Depth;
}

// The smaller of a value at the two ends of a section; NaN when either end
// has none.
template <class F>
double Smaller(const SectionShape& s, const F& of) {
  const double top = of(s.Ends[0]);
  const double bottom = of(s.Ends[1]);
  return std::isnan(top) || std::isnan(bottom) ? kNotGiven : std::min(top, bottom);
}

// The elastic modulus I / (d/2), per result width.
double ModulusFromInertia(const SectionShape& s) {
  if (s.Nonlinear) return kNotGiven;
  return Smaller(s, [&](const SectionEnd& e) {
    const double d = SectionDepth(s.ShapeCode, e);
    return e.MomentOfInertia > 0 && d > 0 ? e.MomentOfInertia / (d / 2) : kNotGiven;
  });
}

// The shear area a shape gives (AISC's d tw for I and H shapes; half the
// area of a tube; the webs of sheet piling, one per pile width).
double ShapeShearArea(const StageModel& m, const SectionShape& s, const SectionUnits& u) {
  if (s.Nonlinear) return kNotGiven;
  const bool member = m.Piles;
  return Smaller(s, [&](const SectionEnd& e) {
    switch (s.ShapeCode) {
      case 1:
        return member ? std::numbers::pi / 8 *
                            (e.Diameter * e.Diameter - e.InternalDiameter * e.InternalDiameter)
                      : kNotGiven;
      case 2:
        return member ? 2 * e.Depth * e.WebThickness : kNotGiven;
      case 3:
      case 4:
      case 5:
        return member && e.Depth > 0 && e.WebThickness > 0 ? e.Depth * e.WebThickness : kNotGiven;
      case 6:
        if (e.Width <= 0 || e.Depth <= e.FlangeThickness || e.WebThickness <= 0) return kNotGiven;
        // Per result width (a length of the analysis) over the pile width (a
        // section length), then per pile when the wall is one of piles.
        return e.WebThickness * (e.Depth - e.FlangeThickness) * (m.ResultWidth / (e.Width * u.Length)) *
               PerPile(m);
      default:
        return kNotGiven;
    }
  });
}

Strength StrengthOf(const StageModel& m, const SectionDesign& d, const SectionShape* shape, const Rules& r) {
  const SectionUnits u = SectionUnitsOf(m.English);
  Strength s;
  // Moduli and areas of the cross section are per result width; per pile
  // they take the spacing.
  const double per_pile = PerPile(m);
  if (Given(d.MomentResistance)) {
    s.Moment = d.MomentResistance;
  } else if (!Given(d.YieldStrength)) {
    s.MomentNote = "no yield strength";
  } else {
    double modulus = kNotGiven;
    const bool plastic = d.SectionClass == 0 ? r.Plastic : d.SectionClass <= 2;
    if (plastic) modulus = d.PlasticModulus;
    if (plastic && !Given(modulus)) s.MomentNote = "no plastic modulus: the elastic modulus is used";
    if (!Given(modulus)) modulus = d.SectionModulus;
    if (!Given(modulus) && shape) modulus = ModulusFromInertia(*shape) * per_pile;
    if (Given(modulus))
      s.Moment = d.YieldStrength * modulus * u.Modulus * (Given(d.BetaB) ? d.BetaB : 1.0);
    else
      s.MomentNote = "no section modulus (and no I and section depth to compute it)";
  }
  if (Given(d.ShearResistance)) {
    s.Shear = d.ShearResistance;
  } else if (Given(d.YieldStrength)) {
    const double area = Given(d.ShearArea) ? d.ShearArea : shape ? ShapeShearArea(m, *shape, u) : kNotGiven;
    if (Given(area))
      s.Shear = d.YieldStrength * area * u.Area;
    else
      s.ShearNote = "no shear area";
  } else {
    s.ShearNote = "no yield strength";
  }
  if (Given(d.YieldStrength)) {
    const double own =
        shape ? Smaller(*shape, [](const SectionEnd& e) { return e.Area > 0 ? e.Area : kNotGiven; })
              : kNotGiven;
    const double area = Given(d.Area) ? d.Area : own * per_pile;
    if (Given(area)) s.Axial = d.YieldStrength * area * u.Area;
  }
  return s;
}

// The cross sections at a station (two where stretches meet).
void SectionsAt(const StageModel& m, double depth, std::vector<int>& out) {
  out.clear();
  const double tolerance = 1e-9 * std::max(1.0, m.Tip);
  for (const WallStretch& w : m.Stretches)
    if (depth >= w.Top - tolerance && depth <= w.Bottom + tolerance) out.push_back(w.CrossSection);
}

void Utilise(Check& c) {
  c.Checked = true;
  c.Utilisation = c.Resistance > 0 ? c.Demand / c.Resistance : std::numeric_limits<double>::infinity();
}

std::string Join(const std::set<int>& numbers) {
  std::string out;
  for (int n : numbers) out += (out.empty() ? "" : ", ") + std::to_string(n);
  return out;
}

void CheckSection(const StageModel& m, const DesignData& data, const Rules& r, StageChecks& c) {
  const double k = PerPile(m);
  const double effects = r.Factors.Effects;
  const double depth_factor = DepthFactor(m);
  std::set<int> without_data, without_moment, without_shear;
  std::string moment_note, shear_note;
  bool axial_unchecked = false;
  std::vector<int> here;
  double best_m = -1, best_v = -1;
  for (size_t j = 0; j < m.Depth.size(); ++j) {
    SectionsAt(m, m.Depth[j], here);
    for (int number : here) {
      const SectionDesign* d = DesignOf(data, number);
      if (!d) {
        without_data.insert(number);
        continue;
      }
      const Strength s = StrengthOf(m, *d, ShapeOf(m, number), r);
      const double moment = effects * std::fabs(m.Moment[j]) * k;
      const double axial = j < m.AxialForce.size() ? effects * std::fabs(m.AxialForce[j]) * k : 0;
      if (Given(s.Moment)) {
        const double resistance = r.Factors.BendingFraction * s.Moment;
        double u = moment / resistance;
        if (axial > 0 && Given(s.Axial))
          u += axial / (r.Factors.AxialFraction * s.Axial);
        else if (axial > 0)
          axial_unchecked = true;
        if (u > best_m) {
          best_m = u;
          c.Bending.Demand = moment;
          c.Bending.Resistance = resistance;
          c.Bending.Utilisation = u;
          c.Bending.Depth = m.Depth[j] * depth_factor;
          c.Bending.CrossSection = number;
          c.Bending.AxialForce = j < m.AxialForce.size() ? m.AxialForce[j] * effects * k : 0;
        }
        if (!s.MomentNote.empty())
          moment_note = "cross section " + std::to_string(number) + ": " + s.MomentNote;
      } else {
        without_moment.insert(number);
        moment_note = "cross section " + std::to_string(number) + ": " + s.MomentNote;
      }
      if (Given(s.Shear)) {
        const double shear = effects * std::fabs(m.Shear[j]) * k;
        const double resistance = r.Factors.ShearFraction * s.Shear;
        if (shear / resistance > best_v) {
          best_v = shear / resistance;
          c.Shear.Demand = shear;
          c.Shear.Resistance = resistance;
          c.Shear.Utilisation = best_v;
          c.Shear.Depth = m.Depth[j] * depth_factor;
          c.Shear.CrossSection = number;
        }
      } else {
        without_shear.insert(number);
        shear_note = "cross section " + std::to_string(number) + ": " + s.ShearNote;
      }
    }
  }
  c.Bending.PerPile = c.Shear.PerPile = m.Piles;
  c.Bending.Unit = MomentUnit(m);
  c.Shear.Unit = ForceUnit(m);
  c.Bending.Checked = best_m >= 0;
  c.Shear.Checked = best_v >= 0;
  const auto note = [&](Check& check, const std::set<int>& missing, const std::string& why) {
    std::string text;
    if (!without_data.empty())
      text = "no design data for cross section" + std::string(without_data.size() > 1 ? "s " : " ") +
             Join(without_data);
    if (!missing.empty()) text += (text.empty() ? "" : "; ") + why;
    check.Note = text;
  };
  note(c.Bending, without_moment, moment_note);
  note(c.Shear, without_shear, shear_note);
  if (c.Bending.Checked && without_moment.empty() && !moment_note.empty())
    c.Bending.Note += (c.Bending.Note.empty() ? "" : "; ") + moment_note;
  if (axial_unchecked)
    c.Bending.Note += std::string(c.Bending.Note.empty() ? "" : "; ") + "axial load not checked: no area";
  if (c.Bending.Checked && c.Bending.AxialForce != 0)
    c.Bending.Note += std::string(c.Bending.Note.empty() ? "" : "; ") +
                      "the utilisation adds the axial force over the axial resistance";

  // The resistances as lines beside the diagrams: the diagram's value that
  // uses the section fully, per result width and before the effects factor.
  for (const WallStretch& w : m.Stretches) {
    const SectionDesign* d = DesignOf(data, w.CrossSection);
    if (!d) continue;
    const Strength s = StrengthOf(m, *d, ShapeOf(m, w.CrossSection), r);
    const double top = w.Top * depth_factor, bottom = w.Bottom * depth_factor;
    if (Given(s.Moment))
      c.MomentResistance.push_back({top, bottom, r.Factors.BendingFraction * s.Moment / (effects * k)});
    if (Given(s.Shear))
      c.ShearResistance.push_back({top, bottom, r.Factors.ShearFraction * s.Shear / (effects * k)});
  }
}

void CheckEmbedmentOf(const StageModel& m, const Rules& r, StageChecks& c) {
  SafetyCheck& e = c.Embedment;
  e.Definition = std::string(dm::DefinitionText(r.DefinitionKey));
  e.RequiredFactor = r.Factors.EmbedmentSafety;
  if (!m.HasSoil) {
    e.Note = "the stage has no soil layers";
    return;
  }
  std::set<double> levels;
  for (const TieBackState& t : m.TieBacks) levels.insert(t.Depth);
  if (levels.size() >= 2) {
    e.Note = "not checked by limit equilibrium: " + std::to_string(levels.size()) +
             " levels of tie-backs (the strength reduction checks the whole wall)";
    return;
  }
  Support support;
  support.Anchored = levels.size() == 1;
  if (support.Anchored) support.AnchorDepth = *levels.begin();
  e.Method = support.Anchored ? "free earth support" : "fixed earth support";
  Ground g = m.Soil;
  if (m.Piles) g.PassiveWidth = std::min(m.Spacing, r.Factors.PassiveWidth * g.PassiveWidth);
  const Embedment result =
      CheckEmbedment(g, m.Tip, support, r.Definition, r.Factors.EmbedmentSafety, r.Factors.ToeAllowance);
  if (!result.Checked) {
    e.Note = result.Note;
    return;
  }
  const double f = DepthFactor(m);
  e.FactorOfSafety = result.FactorOfSafety;
  e.BeyondSearch = result.FactorBeyond;
  e.Demand = r.Factors.EmbedmentSafety;
  e.Resistance = result.FactorOfSafety;
  Utilise(e);
  e.Embedment = (m.Tip - m.RetainedHeight) * f;
  e.RequiredEmbedment = result.Required * f;
  e.RequiredFound = result.RequiredFound;
  std::string note = "embedment " + FixedText(e.Embedment, 2) + " " + DepthUnit(m) + ", " +
                     (result.RequiredFound ? "" : "more than ") + FixedText(e.RequiredEmbedment, 2) + " " +
                     DepthUnit(m) + " needed; ";
  if (support.Anchored) {
    e.SupportForce = result.SupportForce;
    e.Depth = m.Tip * f;
    note += "moments about the tie-back at " + FixedText(support.AnchorDepth * f, 2) + " " + DepthUnit(m);
  } else {
    e.PivotDepth = result.PivotDepth * f;
    e.Depth = e.PivotDepth;
    note += "moments about the point of rotation at " + FixedText(e.PivotDepth, 2) + " " + DepthUnit(m) +
            ", the embedment " + FixedText(r.Factors.ToeAllowance, 2) +
            " times its depth below the excavation level";
  }
  if (result.ShorterReaches > 0)
    note += "; a shorter embedment, " + FixedText(result.ShorterReaches * f, 2) + " " + DepthUnit(m) +
            ", reaches the factor: it falls as the wall goes deeper in this ground";
  if (m.Piles)
    note += "; passive resistance over " + FixedText(g.PassiveWidth, 3) + " " + LengthUnit(m) + " per pile";
  if (!m.GeneratedPressure)
    note += "; Rankine pressures of the soil layers, not the stage's own earth-pressure diagram";
  if (!result.RequiredFound) note += "; the factor needed is not reached within ten times the wall's length";
  if (result.FactorBeyond) note += "; the factor is more than " + FixedText(result.FactorOfSafety, 0);
  e.Note = note;
}

void CheckStrength(const StageModel& m, const DesignData& data, const Rules& r, const Reanalysis* reanalyse,
                   StageChecks& c) {
  SafetyCheck& s = c.Strength;
  s.Definition = "on strength";
  s.Method = "strength reduction";
  s.RequiredFactor = r.Factors.StrengthSafety;
  if (!r.Combination.empty()) {
    s.Note = "not a check of eurocode7: the analyses of the combinations run on design strengths";
    return;
  }
  if (!data.StrengthReduction) {
    s.Note = "strength reduction is switched off";
    return;
  }
  if (!m.HasSoil) {
    s.Note = "the stage has no soil layers to weaken";
    return;
  }
  if (!reanalyse) {
    s.Note = "the stage cannot be analysed again";
    return;
  }
  const StrengthSearch found = FindStrengthFactor(*reanalyse, r.Factors.StrengthSafety);
  s.FactorOfSafety = found.Factor;
  s.BeyondSearch = found.Beyond;
  s.Analyses = found.Analyses;
  s.Demand = r.Factors.StrengthSafety;
  s.Resistance = found.Factor;
  Utilise(s);
  s.Note =
      "tan(phi) and c of every layer divided by F; the largest F at which the stage still closes, to 0.01";
  if (m.UserCurves) s.Note += "; user p-y curves are not weakened";
  if (found.Beyond)
    s.Note += "; it still closes at " + FixedText(found.Factor, 2) + ", the largest factor tried";
}

void CheckTieBacks(const StageModel& m, const DesignData& data, const Rules& r, StageChecks& c) {
  const double f = DepthFactor(m);
  for (const TieBackState& t : m.TieBacks) {
    TieBackCheck check;
    check.Number = t.Number;
    check.Angle = t.Angle;
    check.Unit = ForceUnit(m);
    check.Depth = t.Depth * f;
    const double force = std::fabs(t.ForcePerTieBack);
    check.VerticalForce = force * std::sin(t.Angle * std::numbers::pi / 180);
    const double spacing = t.Spacing * (m.English ? 12 : 1);
    if (spacing > 0) check.VerticalForcePerWidth = check.VerticalForce * m.ResultWidth / spacing;
    const TieBackDesign* d = nullptr;
    for (const TieBackDesign& x : data.TieBacks)
      if (x.Number == t.Number) d = &x;
    double capacity = kNotGiven, tendon = kNotGiven;
    if (d && Given(d->Capacity)) capacity = d->Capacity / r.Factors.AnchorSafety;
    if (d && Given(d->TendonStrength))
      tendon = r.Factors.TendonFraction * d->TendonStrength * (Given(d->TendonArea) ? d->TendonArea : t.Area);
    if (!Given(capacity) && !Given(tendon)) {
      check.Note = "no capacity or tendon strength given";
    } else {
      check.Demand = r.Factors.Effects * force;
      const bool tendon_governs = Given(tendon) && (!Given(capacity) || tendon < capacity);
      check.Resistance = tendon_governs ? tendon : capacity;
      check.Governs = tendon_governs ? "tendon" : "capacity";
      Utilise(check);
      if (t.ForcePerTieBack > 0) check.Note = "the tie-back is in compression";
    }
    c.TieBacks.push_back(check);
  }
}

void CheckDeflection(const StageModel& m, const DesignData& data, StageChecks& c) {
  Check& d = c.Deflection;
  d.Unit = LengthUnit(m);
  double limit = data.DeflectionLimit;
  if (!Given(limit) && Given(data.DeflectionLimitRatio)) {
    if (m.RetainedHeight <= 0) {
      d.Note = "the limit is a fraction of the retained height, and the stage retains none";
      return;
    }
    limit = data.DeflectionLimitRatio * m.RetainedHeight;
  }
  if (!Given(limit)) {
    d.Note = "no deflection limit given";
    return;
  }
  size_t at = 0;
  for (size_t j = 0; j < m.Deflection.size(); ++j)
    if (std::fabs(m.Deflection[j]) > std::fabs(m.Deflection[at])) at = j;
  if (m.Deflection.empty()) return;
  d.Demand = std::fabs(m.Deflection[at]);
  d.Resistance = limit;
  d.Depth = m.Depth[at] * DepthFactor(m);
  Utilise(d);
  if (!Given(data.DeflectionLimit))
    d.Note = "limit " + FixedText(data.DeflectionLimitRatio, 4) + " of the retained height";
}

void Govern(StageChecks& c, const Check& check, const std::string& name) {
  if (!check.Checked) return;
  if (std::isnan(c.Utilisation) || check.Utilisation > c.Utilisation) {
    c.Utilisation = check.Utilisation;
    c.Governing = name;
  }
}

}  // namespace

Rules ResolveRules(const DesignData& data) {
  Rules r;
  const dm::Method* method = dm::FindMethod(data.Method);
  const std::span<const dm::FactorRule> factors = dm::Factors();
  for (size_t i = 0; i < factors.size(); ++i) {
    const double given = data.Factors.*factors[i].Member;
    const double value = Given(given) ? given : method ? method->Defaults[i] : kNotGiven;
    r.Factors.*factors[i].Member = value;
    r.Table.push_back({std::string(factors[i].Key), value, Given(given)});
  }
  r.DefinitionKey = !data.EmbedmentDefinition.empty() ? data.EmbedmentDefinition
                    : method                          ? std::string(method->EmbedmentDefinition)
                                                      : "passive";
  r.Definition = r.DefinitionKey == "net_pressure" ? SafetyDefinition::NetPressure
                 : r.DefinitionKey == "strength"   ? SafetyDefinition::Strength
                                                   : SafetyDefinition::Passive;
  const std::string basis = !data.ModulusBasis.empty() ? data.ModulusBasis
                            : method                   ? std::string(method->ModulusBasis)
                                                       : "elastic";
  r.Plastic = basis == "plastic";
  return r;
}

Rules CombinationRules(const DesignData& data, const dm::Combination& combination) {
  Rules r = ResolveRules(data);
  const PartialFactors p = dm::Resolve(data.Partial);
  const dm::CombinationFactors f = dm::FactorsOf(p, combination);
  // EN 1993-5 5.2.2: Mc,Rd = beta_B W fy / gamma_M0 (beta_B by section),
  // Vpl,Rd = Av fy / (sqrt(3) gamma_M0), Npl,Rd = A fy / gamma_M0.
  r.Factors.Effects = f.Effects;
  r.Factors.BendingFraction = 1 / p.SteelSection;
  r.Factors.ShearFraction = 1 / (std::sqrt(3.0) * p.SteelSection);
  r.Factors.AxialFraction = 1 / p.SteelSection;
  // Equilibrium with the factors reached: the design resistance (passive
  // over gamma_R;e) at least the design effect of the design actions.
  r.Factors.EmbedmentSafety = f.Effects * f.Earth;
  r.Factors.AnchorSafety = f.Anchor;
  r.Factors.TendonFraction = 1 / p.Tendon;
  r.Factors.StrengthSafety = 1;
  r.Definition = SafetyDefinition::Passive;
  r.DefinitionKey = "passive";
  r.Combination = std::string(combination.Name);
  r.Serviceability = false;
  return r;
}

double UnplannedExcavation(const StageModel& m, const DesignData& data) {
  if (data.ExcavationControlled) return 0;
  if (Given(data.ExcavationAllowance)) return data.ExcavationAllowance;
  if (!m.HasSoil || m.RetainedHeight <= 0) return 0;
  // 10 % of the height a cantilever retains, of the distance from the
  // lowest support to the excavation level of a supported wall; at most
  // 0.5 m.
  double lowest = -1;
  for (const TieBackState& t : m.TieBacks)
    if (t.Depth < m.RetainedHeight) lowest = std::max(lowest, t.Depth);
  const double span = lowest >= 0 ? m.RetainedHeight - lowest : m.RetainedHeight;
  const double most = m.English ? 0.5 / 0.0254 : 0.5;
  return std::min(0.1 * span, most);
}

Rules ServiceabilityRules(const DesignData& data) {
  Rules r = ResolveRules(data);
  r.Combination = "SLS";
  r.Ultimate = false;
  return r;
}

StageChecks WorstOf(int stage, std::vector<StageChecks> combinations) {
  StageChecks c;
  c.Stage = stage;
  const auto worse = [](const Check& candidate, const Check& now) {
    if (!candidate.Checked) return false;
    return !now.Checked || candidate.Utilisation > now.Utilisation;
  };
  bool fails = false;
  std::string unsolved;
  for (size_t i = 0; i < combinations.size(); ++i) {
    const StageChecks& k = combinations[i];
    if (c.DepthUnit.empty()) c.DepthUnit = k.DepthUnit;
    if (k.Verdict == "fails") fails = true;
    if (!k.Checked) {
      unsolved += (unsolved.empty() ? "" : "; ") + k.Combination + ": " + k.Note;
      continue;
    }
    c.Checked = true;
    const bool first = i == 0;
    if (first || worse(k.Bending, c.Bending)) c.Bending = k.Bending;
    if (first || worse(k.Shear, c.Shear)) c.Shear = k.Shear;
    if (first || worse(k.Embedment, c.Embedment)) c.Embedment = k.Embedment;
    if (first || worse(k.Strength, c.Strength)) c.Strength = k.Strength;
    if (first || worse(k.Deflection, c.Deflection)) c.Deflection = k.Deflection;
    if (worse(k.Bending, c.Bending) || c.MomentResistance.empty()) c.MomentResistance = k.MomentResistance;
    if (worse(k.Shear, c.Shear) || c.ShearResistance.empty()) c.ShearResistance = k.ShearResistance;
    for (const TieBackCheck& t : k.TieBacks) {
      auto at = std::find_if(c.TieBacks.begin(), c.TieBacks.end(),
                             [&](const TieBackCheck& x) { return x.Number == t.Number; });
      if (at == c.TieBacks.end())
        c.TieBacks.push_back(t);
      else if (worse(t, *at))
        *at = t;
    }
  }
  // The resistance lines of the combination whose bending governs.
  for (const StageChecks& k : combinations)
    if (k.Checked && k.Combination == c.Bending.Combination) {
      c.MomentResistance = k.MomentResistance;
      c.ShearResistance = k.ShearResistance;
    }
  Govern(c, c.Bending, "bending");
  Govern(c, c.Shear, "shear");
  Govern(c, c.Embedment, "embedment");
  for (const TieBackCheck& t : c.TieBacks) Govern(c, t, "tie-back " + std::to_string(t.Number));
  Govern(c, c.Deflection, "deflection");
  c.Note = unsolved;
  c.Verdict = fails                       ? "fails"
              : std::isnan(c.Utilisation) ? "not checked"
              : c.Utilisation <= 1        ? "passes"
                                          : "fails";
  c.Combinations = std::move(combinations);
  return c;
}

StageChecks CheckStage(const StageModel& m, const DesignData& data, const Rules& rules,
                       const Reanalysis* reanalyse) {
  StageChecks c;
  c.Stage = m.Stage;
  c.DepthUnit = DepthUnit(m);
  if (!m.Solved) {
    c.Note = "the stage was not solved (" + m.Outcome + ")";
    c.Verdict = m.BeyondCapacity ? "fails" : "not checked";
    if (m.BeyondCapacity) c.Note += ": the wall does not stand as given";
    return c;
  }
  const std::string units = m.English ? "english" : "si";
  if (!data.Units.empty() && data.Units != units) {
    c.Note = "the design data are in " + std::string(data.Units == "si" ? "SI" : "English") +
             " units and the stage in " + (m.English ? "English" : "SI") + " units";
    c.Verdict = "not checked";
    return c;
  }
  c.Checked = true;
  c.Combination = rules.Combination;
  if (rules.Ultimate) {
    CheckSection(m, data, rules, c);
    CheckEmbedmentOf(m, rules, c);
    CheckStrength(m, data, rules, reanalyse, c);
    CheckTieBacks(m, data, rules, c);
  } else {
    for (Check* check : {static_cast<Check*>(&c.Bending), static_cast<Check*>(&c.Shear),
                         static_cast<Check*>(&c.Embedment), static_cast<Check*>(&c.Strength)})
      check->Note = "an ultimate limit state: checked in the combinations";
  }
  if (rules.Serviceability)
    CheckDeflection(m, data, c);
  else
    c.Deflection.Note = "serviceability: checked on the nominal geometry and characteristic values (SLS)";
  for (Check* check :
       {static_cast<Check*>(&c.Bending), static_cast<Check*>(&c.Shear), static_cast<Check*>(&c.Embedment),
        static_cast<Check*>(&c.Strength), static_cast<Check*>(&c.Deflection)})
    check->Combination = rules.Combination;
  for (TieBackCheck& t : c.TieBacks) t.Combination = rules.Combination;
  Govern(c, c.Bending, "bending");
  Govern(c, c.Shear, "shear");
  Govern(c, c.Embedment, "embedment");
  Govern(c, c.Strength, "strength");
  for (const TieBackCheck& t : c.TieBacks) Govern(c, t, "tie-back " + std::to_string(t.Number));
  Govern(c, c.Deflection, "deflection");
  c.Verdict = std::isnan(c.Utilisation) ? "not checked" : c.Utilisation <= 1 ? "passes" : "fails";
  return c;
}

DesignSummary Summarize(const DesignData& data, const Rules& rules, const std::vector<StageChecks>& stages,
                        int cross_sections, int tie_backs) {
  DesignSummary s;
  s.Method = data.Method;
  s.EmbedmentDefinition = rules.DefinitionKey;
  s.ModulusBasis = rules.Plastic ? "plastic" : "elastic";
  s.Factors = rules.Table;
  const dm::Method* method = dm::FindMethod(data.Method);
  if (method && method->ByCombination) {
    // The other factors come from the partial factors, per combination.
    std::erase_if(s.Factors, [](const DesignFactorValue& f) { return !dm::IsRule(f.Key); });
    const dm::Approach* approach = dm::FindApproach(data.Approach);
    s.Approach = approach ? std::string(approach->Name) : data.Approach;
    for (const dm::PartialFactorRule& r : dm::PartialFactorRules()) {
      const double given = data.Partial.*r.Member;
      s.PartialFactors.push_back({std::string(r.Key), Given(given) ? given : r.Recommended, Given(given)});
    }
  }
  const auto add = [&](const std::string& name, const StageChecks& stage, const Check& check) {
    if (!check.Checked) return;
    for (GoverningCheck& g : s.Governing) {
      if (g.Check != name) continue;
      if (check.Utilisation > g.Utilisation)
        g = {name, check.Combination, stage.Stage, check.Utilisation, check.Depth, stage.DepthUnit};
      return;
    }
    s.Governing.push_back(
        {name, check.Combination, stage.Stage, check.Utilisation, check.Depth, stage.DepthUnit});
  };
  bool any = false, fails = false;
  for (const StageChecks& stage : stages) {
    add("bending", stage, stage.Bending);
    add("shear", stage, stage.Shear);
    add("embedment", stage, stage.Embedment);
    add("strength", stage, stage.Strength);
    for (const TieBackCheck& t : stage.TieBacks) add("tie-backs", stage, t);
    add("deflection", stage, stage.Deflection);
    any = any || stage.Verdict != "not checked";
    fails = fails || stage.Verdict == "fails";
  }
  s.Verdict = fails ? "fails" : any ? "passes" : "not checked";
  for (const SectionDesign& d : data.Sections)
    if (d.CrossSection > cross_sections)
      s.Unused.push_back("section for cross section " + std::to_string(d.CrossSection) +
                         ": no stage has that cross section");
  for (const TieBackDesign& t : data.TieBacks)
    if (t.Number > tie_backs)
      s.Unused.push_back("tie-back " + std::to_string(t.Number) + ": no stage has that tie-back");
  return s;
}

}  // namespace darnek::design
