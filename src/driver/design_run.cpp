// The design model of a stage from the problem data, and the checks of the run.
#include "driver/design_run.h"

#include <algorithm>
#include <cmath>

#include "core/errors.h"
#include "core/input_file.h"
#include "core/report_helpers.h"
#include "core/water_table.h"
#include "driver/run.h"
#include "pressure/earth_pressure.h"

namespace darnek {
namespace {

bool ReadsSoil(const ProblemData& d) {
  return GeneratesEarthPressure(d.C1.EarthPressureOption) || d.C1.PyCurveOption == PyCurveSource::Generated;
}

design::Ground GroundOf(const ProblemData& d, double tip) {
  design::Ground g;
  const WallWaterData& w = d.Wall;
  double top = 0;
  const size_t count = std::min(static_cast<size_t>(std::max(d.Soil.NumSoilLayers, 0)), d.Soil.Layers.size());
  for (size_t i = 0; i < count; ++i) {
    const SoilLayer& layer = d.Soil.Layers[i];
    design::SoilBand band;
    band.Top = top;
    band.Bottom = layer.LayerBottomDepth;
    band.UnitWeight = layer.Top.UnitWeight;
    // The strength of rock is its compressive strength, twice its cohesion.
    band.Cohesion = IsRock(layer.SoilTypeCode) ? layer.Top.S / 2 : layer.Top.S;
    band.FrictionAngleDeg = layer.Top.PHI;
    band.Drained = !IsClay(layer.SoilTypeCode);
    band.GivenKa = IsRock(layer.SoilTypeCode) ? 0 : std::max(0.0, layer.Top.Sixth);
    g.Layers.push_back(band);
    top = layer.LayerBottomDepth;
  }
  g.Excavation = w.FreeHeight;
  g.WaterBehind = HasWaterTable(w.WaterDepthBackfill) ? w.WaterDepthBackfill : -1;
  g.WaterInFront = HasWaterTable(w.WaterDepthExcavation) ? w.WaterDepthExcavation : -1;
  const bool english = d.C1.UnitSystemCode == UnitSystem::English;
  // The unit weight of water the earth-pressure diagram uses.
  g.UnitWeightWater = english ? static_cast<double>(0.036f) : static_cast<double>(9.81f);
  g.SurfacePressure = w.SurfacePressure;
  g.ActiveFactor = w.ActiveModificationFactor;
  g.BackfillSlopeDeg = w.BackfillSlope;
  // The lateral pressure of the surcharge loads at the stations, the depths
  // at which the analysis loads the wall with it.
  if (!w.SurchargeLoads.empty()) {
    const int n = std::max(d.C2.NumIncrements, 1);
    for (int i = 0; i <= n; ++i) {
      const double z = tip * i / n;
      g.SurchargeDepth.push_back(z);
      g.SurchargePressure.push_back(pressure::SurchargePressureAt(d, z));
    }
  }
  g.ActiveWidthAbove = w.WA;
  g.ActiveWidthBelow = w.WP;
  g.PassiveWidth = w.WP;
  return g;
}

}  // namespace

std::string InputTextOf(const RunFile& input) {
  // The reader of every whole input; a file it refuses, or cannot read, the
  // run's own reading names when it comes to it.
  try {
    return ReadWholeInput(input, LineLimit::Unchecked).Text;
  } catch (const FileFailed&) {
    return {};
  }
}

design::StageModel DesignModelOf(const ProblemData& d, const StageSummary& summary) {
  design::StageModel m;
  m.Stage = summary.Stage;
  m.English = d.C1.UnitSystemCode == UnitSystem::English;
  m.Solved = summary.Solved;
  m.BeyondCapacity = summary.LoadStepped && !summary.Solved;
  m.Outcome = summary.Outcome;
  m.ResultWidth = d.C2.ResultWidth;
  m.HasSoil = ReadsSoil(d);
  m.Piles = m.HasSoil && d.Wall.WP > 0 && d.Wall.WA / d.Wall.WP >= 1.1;
  m.Spacing = m.Piles ? d.Wall.WA : m.ResultWidth;
  m.RetainedHeight = m.HasSoil ? d.Wall.FreeHeight : d.C2.DividingDepth;
  const double h = d.C2.IncrementLength;
  m.Tip = d.C2.NumIncrements * h;
  if (m.Solved) {
    for (const StationResult& r : d.Results.Stations) {
      m.Depth.push_back(r.X);
      m.Deflection.push_back(r.Deflection);
      m.Moment.push_back(r.Moment);
      m.Shear.push_back(r.Shear);
      // The tables hold the axial load with the sign opposite to the input's.
      const double p = d.Stations.P[r.Station];
      m.AxialForce.push_back(p == 0 ? 0.0 : -p);
    }
  }
  // Wall sections are in feet with English units.
  const double section_depth = m.English ? 12.0 : 1.0;
  for (const WallSection& w : d.WallSections)
    m.Stretches.push_back({w.SectionTop * section_depth, w.SectionBottom * section_depth, w.SectionNumber});
  int number = 0;
  for (const CrossSection& c : d.CrossSections) {
    design::SectionShape s;
    s.Number = ++number;
    s.ShapeCode = static_cast<int>(c.SectionShapeCode);
    s.Nonlinear = c.SectionNonlinear != SectionKind::Elastic;
    const bool tapered = c.SectionTapered != SectionTaper::Uniform;
    for (size_t end = 0; end < 2; ++end) {
      const size_t from = tapered ? end : 0;
      const std::array<double, 8>& g = c.Geometry[from];
      design::SectionEnd& e = s.Ends[end];
      e.Diameter = g[0];
      e.InternalDiameter = g[1];
      e.Width = g[2];
      e.Depth = g[3];
      e.FlangeThickness = g[6];
      e.WebThickness = g[7];
      e.Area = c.Properties[from][0];
      e.MomentOfInertia = c.Properties[from][3];
    }
    m.Sections.push_back(s);
  }
  number = 0;
  for (const TieBack& t : d.TieBacks)
    m.TieBacks.push_back({++number, t.Station * h, t.Angle, t.Spacing, t.Area, t.ForcePerTieBack});
  if (m.HasSoil) m.Soil = GroundOf(d, m.Tip);
  m.UserCurves = d.C1.PyCurveOption != PyCurveSource::Generated || d.C1.NumUserPyCurves > 0;
  m.GeneratedPressure = d.C1.EarthPressureOption == EarthPressureMode::Active;
  return m;
}

DesignRun::DesignRun(const RunOptions& options, const RunLimits& limits, std::string input_text)
    : options_(options), limits_(limits), input_text_(std::move(input_text)) {
  rules_ = design::ResolveRules(*options.Design);
}

RunOptions DesignRun::Again(int stage) const {
  RunOptions again = DiscardedRunOptions("strength-reduction", &discard_, input_text_);
  again.StageMemory = options_.StageMemory;
  again.UnloadFactor = options_.UnloadFactor;
  again.CurveSpacing = options_.CurveSpacing;
  again.LastStage = stage;
  return again;
}

bool DesignRun::Closes(int stage, double factor) const {
  RunOptions again = Again(stage);
  again.SoilStrength = {factor, factor, factor, 1, stage};
  const RunResult result = RunWith(again, {}, limits_);
  return static_cast<int>(result.Stages.size()) >= stage &&
         result.Stages[static_cast<size_t>(stage - 1)].Solved;
}

design::StageModel DesignRun::Analyse(const design::StageModel& nominal,
                                      const design_methods::CombinationFactors& f, double lowering) const {
  const int stage = nominal.Stage;
  RunOptions again = Again(stage);
  again.SoilStrength = {f.TanPhi, f.Cohesion, f.Undrained, f.UnitWeight, stage};
  again.DesignActions = {f.Permanent, f.Variable, lowering, stage};
  design::StageModel m;
  StageSummary solved;
  solved.Stage = stage;
  solved.Solved = true;
  const StageObserver take = [&](const RunContext& ctx) {
    if (ctx.Data.Run.StageCounter == stage) m = DesignModelOf(ctx.Data, solved);
  };
  const RunResult result = RunWith(again, take, limits_);
  const bool reached = static_cast<int>(result.Stages.size()) >= stage;
  if (!reached) {
    m = nominal;
    m.Solved = false;
    m.BeyondCapacity = false;
    m.Outcome = "the analysis of the combination did not reach the stage: " + result.Message;
  } else {
    const StageSummary& s = result.Stages[static_cast<size_t>(stage - 1)];
    m.Solved = s.Solved;
    m.BeyondCapacity = s.LoadStepped && !s.Solved;
    m.Outcome = s.Outcome;
  }
  if (!m.Solved) {
    m.Depth.clear();
    m.Deflection.clear();
    m.Moment.clear();
    m.Shear.clear();
    m.AxialForce.clear();
  }
  return m;
}

namespace {

std::string Factor(double v) { return FixedText(v, 2); }

std::string AnalysisText(const design_methods::Combination& c, const design_methods::CombinationFactors& f,
                         double lowering, bool english) {
  std::string t = "A" + std::to_string(c.Actions) + " + M" + std::to_string(c.Materials) + " + R" +
                  std::to_string(c.Resistances) + ": ";
  if (c.FactorsEffects)
    t += "effects x" + Factor(f.Effects) + ", surcharges x" + FixedText(f.Variable, 3) +
         " (gamma_Q / gamma_G)";
  else
    t += "earth and water pressure behind x" + Factor(f.Permanent) + ", surcharges x" + Factor(f.Variable);
  t += "; tan phi' /" + Factor(f.TanPhi) + ", c' /" + Factor(f.Cohesion) + ", cu /" + Factor(f.Undrained) +
       ", unit weight /" + Factor(f.UnitWeight) + "; earth resistance /" + Factor(f.Earth) + ", anchors /" +
       Factor(f.Anchor) + "; excavation lowered " +
       (english ? FixedText(lowering / 12, 2) + " ft" : FixedText(lowering, 2) + " m");
  return t;
}

}  // namespace

StageChecks DesignRun::Eurocode7(const design::StageModel& model) const {
  namespace dm = design_methods;
  const DesignData& data = *options_.Design;
  const dm::Approach* approach = dm::FindApproach(data.Approach);
  const PartialFactors partial = dm::Resolve(data.Partial);
  std::vector<StageChecks> combinations;
  const double lowering = model.Solved ? design::UnplannedExcavation(model, data) : 0;
  for (const dm::Combination& c : approach->Combinations) {
    const dm::CombinationFactors f = dm::FactorsOf(partial, c);
    const design::Rules rules = design::CombinationRules(data, c);
    const bool same = f.Permanent == 1 && f.Variable == 1 && f.TanPhi == 1 && f.Cohesion == 1 &&
                      f.Undrained == 1 && f.UnitWeight == 1 && lowering == 0;
    // A stage that was not solved as given is not analysed again.
    const design::StageModel m = same || !model.Solved ? model : Analyse(model, f, lowering);
    StageChecks k = design::CheckStage(m, data, rules, nullptr);
    k.Combination = rules.Combination;
    k.Analysis = AnalysisText(c, f, lowering, model.English);
    combinations.push_back(std::move(k));
  }
  StageChecks sls = design::CheckStage(model, data, design::ServiceabilityRules(data), nullptr);
  sls.Combination = "SLS";
  sls.Analysis = "the stage as analysed: nominal geometry, characteristic values";
  combinations.push_back(std::move(sls));
  return design::WorstOf(model.Stage, std::move(combinations));
}

void DesignRun::AfterStage(const RunContext& ctx, const StageSummary& summary, RunResult& result) {
  const design::StageModel model = DesignModelOf(ctx.Data, summary);
  cross_sections_ = std::max(cross_sections_, static_cast<int>(model.Sections.size()));
  tie_backs_ = std::max(tie_backs_, static_cast<int>(model.TieBacks.size()));
  const design_methods::Method* method = design_methods::FindMethod(options_.Design->Method);
  if (method && method->ByCombination) {
    result.Checks.push_back(Eurocode7(model));
    return;
  }
  const int stage = summary.Stage;
  const design::Reanalysis reanalyse = [this, stage](double factor) { return Closes(stage, factor); };
  result.Checks.push_back(design::CheckStage(model, *options_.Design, rules_, &reanalyse));
}

void DesignRun::Finish(RunResult& result) const {
  result.Design = design::Summarize(*options_.Design, rules_, result.Checks, cross_sections_, tie_backs_);
}

}  // namespace darnek
