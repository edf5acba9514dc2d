// Stage tables after the cross sections: stiffness and load rows, restraints
// and tie-backs, p-y modification factors, the wall, water, surcharge and soil
// block, the specified pressure table and the user p-y curves.
#include "input/stage_tables.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/errors.h"
#include "core/report_helpers.h"
#include "input/input_checks.h"
#include "input/input_echo.h"

namespace darnek::input {
namespace {

// Friction angles of soils stay well below this; as PHI nears 90 degrees the
// passive coefficients grow without bound (89.99 degrees overflows the
// pressure table).
constexpr double kMaxFrictionAngle = 60;

std::string Row(std::string_view table, int i) { return std::string(table) + " " + std::to_string(i); }

// A count of the rows that follow; a negative one is read as none.
int ReadCount(RunContext& ctx, ListReader& reader, std::string_view record, std::string_view name) {
  int count = 0;
  reader.Read(record, {{name, &count}});
  WarnNegativeCount(ctx, reader, record, 0, name, count);
  return count;
}

bool IsSI(const ProblemData& d) { return d.C1.UnitSystemCode == UnitSystem::SI; }
// The unit of the depths of wall sections and tie-backs.
std::string Feet(const ProblemData& d) { return IsSI(d) ? " m" : " ft"; }

// The layers that generated p-y curves pass through: below the excavation
// level and above the deepest curve, two increments below the tip.
bool GetsGeneratedCurves(const ProblemData& d, double top, double bottom) {
  return d.C1.PyCurveOption == PyCurveSource::Generated && bottom > d.Wall.FreeHeight &&
         top < d.C2.WallLength + 2 * d.C2.IncrementLength;
}

// The excavation level against the wall: a wall that does not reach below it
// cannot be held by generated curves; far from the dividing depth, or above
// a tie-back, one of the depths was likely written in another unit.
void CheckExcavationLevel(RunContext& ctx, const RecordCheck& wall) {
  const ProblemData& d = ctx.Data;
  const double cut = d.Wall.FreeHeight;
  const ControlLine2& c = d.C2;
  const bool english = !IsSI(d);
  if (d.C1.PyCurveOption == PyCurveSource::Generated && cut >= c.WallLength)
    wall.Reject(0, "FreeHeight",
                NumberText(cut) + " puts the excavation level at or below the tip of the wall at " +
                    NumberText(c.WallLength) + " (NumIncrements x IncrementLength = " +
                    std::to_string(c.NumIncrements) + " x " + NumberText(c.IncrementLength) +
                    "): no station of the wall is embedded, so no generated p-y curve holds it" +
                    (english && NearlyTwelveTimes(c.WallHeight, c.WallLength)
                         ? "; WallHeight is 12 times that length: was IncrementLength given in feet? it is "
                           "read in inches"
                         : ""));
  const double dividing = c.DividingDepth;
  const bool disagree = std::fabs(cut - dividing) > 0.5 * std::max(cut, dividing);
  if (disagree) {
    std::string slip;
    if (english && NearlyTwelveTimes(dividing, cut))
      slip = "; DividingDepth is 12 times it: was FreeHeight given in feet? both are read in inches";
    else if (english && NearlyTwelveTimes(cut, dividing))
      slip = "; it is 12 times DividingDepth: was DividingDepth given in feet? both are read in inches";
    Warn(ctx, wall.Place(0, "FreeHeight",
                         NumberText(cut) + " lies far from DividingDepth = " + NumberText(dividing) +
                             ", which is normally the excavation level too" + slip));
  }
  for (size_t i = 0; i < d.TieBacks.size(); ++i) {
    const TieBack& t = d.TieBacks[i];
    const double depth = english ? t.Depth * 12 : t.Depth;
    // A wall without excavation (the level at its top) has no level to set
    // anchors from.
    if (cut == 0 || !(depth > cut * (1 + 1e-9)) || depth > c.WallLength * (1 + 1e-6)) continue;
    Warn(ctx, ItemPlace(t.Line, Row("tie-back row", static_cast<int>(i) + 1), 1, "depth",
                        NumberText(t.Depth) + Feet(d) + " lies below the excavation level FreeHeight = " +
                            NumberText(english ? cut / 12 : cut) + Feet(d) +
                            ": anchors are set from the excavation, above its level" +
                            (english && !disagree && t.Depth <= cut
                                 ? ": was it given in inches? tie-back depths are read "
                                   "in feet"
                                 : "")));
  }
}

// One of the value records L2 (layer top) and L3 (layer bottom).
void CheckSoilValues(const RecordCheck& check, SoilType type, const SoilValues& v, bool curves) {
  check.Positive(0, "UnitWeight", v.UnitWeight, "the overburden grows with it");
  check.NotNegative(1, "S", v.S);
  check.Within(2, "PHI", v.PHI, 0, kMaxFrictionAngle, "degrees",
               "no soil has a larger friction angle; near 90 degrees the passive coefficient "
               "tan^2(45 + PHI/2) grows without bound");
  check.NotNegative(3, "E50", v.E50);
  if (IsRock(type)) {
    check.Within(5, "RQD or OptionalCoefficient", v.Sixth, 0, 100, "percent", "the RQD of rock");
  } else {
    check.NotNegative(5, "RQD or OptionalCoefficient", v.Sixth, "an earth-pressure coefficient");
  }
  if (!curves) return;
  if (IsClay(type)) {
    check.Positive(1, "S", v.S, "the p-y curves of clay are scaled by its strength");
    check.Positive(
        3, "E50", v.E50,
        "the p-y curves of clay are scaled by y50, which is proportional to E50; with 0 they are flat");
  } else if (type == SoilType::WeakRock) {
    check.Positive(3, "E50", v.E50, "krm of weak rock: the p-y curve is scaled by yrm = krm x WP");
  }
}

// The slope of every segment becomes a spring stiffness of the solution, with
// the multipliers applied and p made a load per station; one that overflows
// would only spread through it.
void CheckCurveStiffness(const ListReader& reader, const std::string& name, const UserPyCurve& curve,
                         double h) {
  for (size_t i = 1; i < curve.Y.size(); ++i) {
    const double dp = (curve.P[i] * curve.PMultiplier * h) - (curve.P[i - 1] * curve.PMultiplier * h);
    const double dy = curve.Y[i] * curve.YMultiplier - curve.Y[i - 1] * curve.YMultiplier;
    // Points that the y-multiplier puts together give no slope at all.
    if (dy == 0 || std::isfinite(dp / dy)) continue;
    throw InputError("line " + std::to_string(reader.line()) + ": " + name + ", points " + std::to_string(i) +
                     " and " + std::to_string(i + 1) + ": the stiffness of the segment between them (" +
                     NumberText(dp) + " / " + NumberText(dy) +
                     " with the multipliers) is not a finite number");
  }
}

// A tie-back below the tip of the wall: its depth is read in feet (metres),
// where the rest of the wall is in inches.
void CheckTieBackDepth(RunContext& ctx, const RecordCheck& check, const TieBack& t) {
  const ProblemData& d = ctx.Data;
  const double tip = IsSI(d) ? d.C2.WallLength : d.C2.WallLength / 12;
  if (!(t.Depth > tip * (1 + 1e-6))) return;
  Warn(ctx, check.Place(0, "depth",
                        NumberText(t.Depth) + Feet(d) + " lies below the tip of the wall at " +
                            NumberText(tip) + Feet(d) + " (NumIncrements x IncrementLength)" +
                            (!IsSI(d) && t.Depth > 2 * tip && t.Depth / 12 <= tip
                                 ? ": was it given in inches? tie-back depths are read in feet"
                                 : "")));
}

// The two stage modes read a tie-back's prestress differently (docs/
// modelling.md): alone, every stage starts from rest and a prestress of 0 is
// an anchor without one; with memory, a prestress holds the anchor at that
// force through the stage, and 0 keeps the lock of the stage before. A file
// written for one mode and run in the other says so in the tie-back rows.
void CheckStageMode(RunContext& ctx, const RecordCheck& check, const TieBack& t,
                    const std::vector<TieBack>& previous) {
  const int stage = ctx.Data.Run.StageCounter;
  for (const TieBack& p : previous) {
    if (p.Depth != t.Depth || p.Prestress == 0) continue;
    const std::string before = "stage " + std::to_string(stage - 1);
    if (!ctx.Memory && t.Prestress == 0) {
      Warn(ctx,
           check.Place(6, "prestress force",
                       "0, where " + before + " prestressed the tie-back at this depth to " +
                           NumberText(p.Prestress) +
                           ": the stages are analysed independently, so this one starts from zero "
                           "deflection with no prestress in the tie-back; a file that stresses an anchor "
                           "in one stage and gives 0 in the next is written for stage memory (run it "
                           "with --stage-memory), otherwise give the prestress in every stage"));
    } else if (ctx.Memory && t.Prestress == p.Prestress) {
      Warn(ctx, check.Place(6, "prestress force",
                            NumberText(t.Prestress) + " repeats the prestress of " + before +
                                " at this depth: with stage memory a prestress re-stresses the anchor, held "
                                "at that force through this stage and locked again at its end; give 0 to "
                                "keep the lock of " +
                                before + " (a file for independent stages repeats it)"));
    }
    return;
  }
}

}  // namespace

void ReadStiffnessLoadRows(RunContext& ctx, ListReader& reader) {
  ProblemData& d = ctx.Data;
  const int n = ReadCount(ctx, reader, "stiffness and load count", "NumStiffnessRows");
  d.StiffnessLoadRows.clear();
  d.AppliedTorques.clear();
  if (n > kMaxStiffnessLoadRows) throw StorageExceeded();
  const double h = d.C2.IncrementLength;
  for (int i = 1; i <= n; ++i) {
    StiffnessLoadRow row;
    reader.Read(Row("stiffness and load row", i), {{"CONTD", &row.Contd},
                                                   {"FROM", &row.From},
                                                   {"TO", &row.To},
                                                   {"Q", &row.Q},
                                                   {"T", &row.T},
                                                   {"P", &row.P}});
    d.StiffnessLoadRows.push_back(row);
    // The results correct shear and net force for a couple acting at the
    // row's first station.
    if (row.T != 0) d.AppliedTorques.push_back({row.From, row.T / (2 * h)});
  }
}

void ReadRestraintsAndTieBacks(RunContext& ctx, ListReader& reader) {
  ProblemData& d = ctx.Data;
  const int n = ReadCount(ctx, reader, "restraint count", "NumRestraints");
  d.NumRestraints = n > 0 ? n : 0;
  d.Restraints.clear();
  // The stage before's tie-backs, to tell a file written for the other stage
  // mode; empty in the first stage.
  const std::vector<TieBack> previous = std::move(d.TieBacks);
  d.TieBacks.clear();
  if (n > kMaxRestraints || d.C1.NumTieBacks > kMaxTieBacks) throw StorageExceeded();
  for (int i = 1; i <= n; ++i) {
    Restraint r;
    reader.Read(Row("restraint row", i), {{"FROM", &r.From},
                                          {"TO", &r.To},
                                          {"CONTD", &r.Contd},
                                          {"lateral stiffness", &r.LateralStiffness},
                                          {"rotational stiffness", &r.RotationalStiffness}});
    d.Restraints.push_back(r);
  }
  for (int i = 1; i <= d.C1.NumTieBacks; ++i) {
    TieBack t;
    const std::string record = Row("tie-back row", i);
    reader.Read(record, {{"depth", &t.Depth},
                         {"area", &t.Area},
                         {"elastic modulus", &t.Modulus},
                         {"unbonded length", &t.UnbondedLength},
                         {"horizontal angle", &t.Angle},
                         {"anchor spacing", &t.Spacing},
                         {"prestress force", &t.Prestress}});
    // The spring of a tie-back is area x modulus / (spacing x unbonded length),
    // times the cosine of its angle; the force is divided by that cosine.
    const RecordCheck check(reader, record);
    check.Positive(1, "area", t.Area);
    check.Positive(2, "elastic modulus", t.Modulus);
    check.Positive(3, "unbonded length", t.UnbondedLength);
    check.BelowRightAngle(4, "horizontal angle", t.Angle, "a vertical tie-back does not hold the wall");
    check.Positive(5, "anchor spacing", t.Spacing);
    t.Line = reader.Place(record, 0, "depth", {}).Line;
    CheckTieBackDepth(ctx, check, t);
    CheckStageMode(ctx, check, t, previous);
    d.TieBacks.push_back(t);
  }
}

void EchoTieBackTable(RunContext& ctx) {
  if (!ctx.Data.TieBacks.empty()) EchoTieBacks(ctx);
}

void ReadPyModificationFactors(RunContext& ctx, ListReader& reader) {
  ProblemData& d = ctx.Data;
  d.ReductionFactorTable.clear();
  const int n = d.C1.NumPyModificationFactors;
  if (n <= 0) return;
  if (n > kMaxPyModificationFactors) throw StorageExceeded();
  reader.Read("p-y modification factors, combination record",
              {{"CombineAutoReduction", &d.CombineAutoReduction}});
  for (int i = 1; i <= n; ++i) {
    ReductionFactorRow row;
    const std::string record = Row("p-y modification factor row", i);
    reader.Read(record, {{"depth", &row.Depth}, {"P-FACTOR", &row.PFactor}, {"Y-FACTOR", &row.YFactor}});
    const RecordCheck check(reader, record);
    check.NotNegative(1, "P-FACTOR", row.PFactor, "a multiplier of the soil resistance");
    check.Positive(2, "Y-FACTOR", row.YFactor, "a multiplier of the deflections of the p-y curves");
    d.ReductionFactorTable.push_back(row);
  }
}

void ReadEarthPressureAndSoilBlock(RunContext& ctx, ListReader& reader) {
  ProblemData& d = ctx.Data;
  WallWaterData& w = d.Wall;
  const RecordCheck wall(reader, "wall-and-water record");
  reader.Read("wall-and-water record", {{"FreeHeight", &w.FreeHeight},
                                        {"WA", &w.WA},
                                        {"WP", &w.WP},
                                        {"WaterDepthBackfill", &w.WaterDepthBackfill},
                                        {"WaterDepthExcavation", &w.WaterDepthExcavation},
                                        {"ActiveModificationFactor", &w.ActiveModificationFactor},
                                        {"WaterPressureFlag", &w.WaterPressureFlag},
                                        {"BackfillSlope", &w.BackfillSlope},
                                        {"ExcavationSlope", &w.ExcavationSlope}});
  wall.NotNegative(0, "FreeHeight", w.FreeHeight,
                   "the depth of the excavation level below the top of the wall");
  wall.Positive(1, "WA", w.WA, "the width that the earth pressure acts on");
  wall.Positive(2, "WP", w.WP, "the width that the soil resistance acts on");
  wall.NotNegative(5, "ActiveModificationFactor", w.ActiveModificationFactor,
                   "a multiplier of the active pressure");
  wall.BelowRightAngle(7, "BackfillSlope", w.BackfillSlope, "the slope of the backfill surface");
  wall.BelowRightAngle(8, "ExcavationSlope", w.ExcavationSlope, "the slope of the excavation ground");
  CheckExcavationLevel(ctx, wall);
  // One foot in the analysis unit. The SI foot is twelve inches of a
  // single-precision 0.0254 m, multiplied in double: 0.30479999631643295,
  // the value the soil models have always used (not the float nearest 0.3048).
  w.ReferenceWidth = IsSI(d) ? 12.0 * static_cast<double>(0.0254f) : 12.0;

  reader.Read("surcharge record", {{"SurfacePressure", &w.SurfacePressure},
                                   {"horizontal distance", &w.SeedDistance},
                                   {"point load", &w.SeedPointLoad},
                                   {"line load", &w.SeedLineLoad},
                                   {"strip load", &w.SeedStripLoad},
                                   {"strip width", &w.SeedStripWidth}});
  const RecordCheck seed(reader, "surcharge record");
  seed.NotNegative(1, "horizontal distance", w.SeedDistance, "from the wall into the backfill");
  seed.NotNegative(5, "strip width", w.SeedStripWidth);

  const int num_loads = ReadCount(ctx, reader, "surcharge count", "number of surcharge loads");
  w.SurchargeLoads.clear();
  if (num_loads > kMaxSurchargeLoads) throw StorageExceeded();
  for (int i = 1; i <= num_loads; ++i) {
    SurchargeLoad s;
    const std::string record = Row("surcharge load", i);
    reader.Read(record, {{"type", &s.Type},
                         {"magnitude", &s.Magnitude},
                         {"horizontal distance", &s.Distance},
                         {"strip width", &s.Width},
                         {"vertical distance", &s.VerticalDistance},
                         {"factor", &s.Factor}});
    const RecordCheck check(reader, record);
    check.NotNegative(2, "horizontal distance", s.Distance, "from the wall into the backfill");
    check.NotNegative(3, "strip width", s.Width);
    check.NotNegative(5, "factor", s.Factor, "a multiplier of the magnitude");
    // SI surcharge positions are given in millimetres.
    if (IsSI(d)) {
      s.Distance /= 1000;
      s.Width /= 1000;
      s.VerticalDistance /= 1000;
    }
    w.SurchargeLoads.push_back(s);
  }

  SoilData& soil = d.Soil;
  reader.Read("soil control record", {{"NumSoilLayers", &soil.NumSoilLayers},
                                      {"LoadingType", &soil.LoadingType},
                                      {"NumCycles", &soil.NumCycles}});
  WarnNegativeCount(ctx, reader, "soil control record", 0, "NumSoilLayers", soil.NumSoilLayers);
  RecordCheck(reader, "soil control record").NotNegative(2, "NumCycles", soil.NumCycles);
  soil.Layers.clear();
  if (soil.NumSoilLayers > kMaxSoilLayers) throw StorageExceeded();
  const auto values = [](SoilValues& v) {
    return std::vector<ListReader::Field>{{"UnitWeight", &v.UnitWeight},
                                          {"S", &v.S},
                                          {"PHI", &v.PHI},
                                          {"E50", &v.E50},
                                          {"SoilModulusK", &v.SoilModulusK},
                                          {"RQD or OptionalCoefficient", &v.Sixth}};
  };
  double previous_bottom = 0;
  for (int i = 1; i <= soil.NumSoilLayers; ++i) {
    SoilLayer layer;
    const std::string l1 = Row("soil layer", i) + ", record L1";
    reader.Read(l1, {{"SoilTypeCode", &layer.SoilTypeCode}, {"LayerBottomDepth", &layer.LayerBottomDepth}});
    layer.LayerThickness = layer.LayerBottomDepth - previous_bottom;
    // The profiles walk the layers by thickness; a layer of no or negative
    // thickness would end them early or run them backwards.
    if (!(layer.LayerThickness > 0))
      reader.RejectItem(l1, 1, "LayerBottomDepth",
                        "the bottom depth " + NumberText(layer.LayerBottomDepth) +
                            " must lie below the bottom of the layer above (" + NumberText(previous_bottom) +
                            "; the top of the wall for the first layer)");
    // The ground below the excavation holds the wall: its pressures and
    // curves cannot come from layers that end above it.
    if (i == soil.NumSoilLayers && !(layer.LayerBottomDepth > w.FreeHeight))
      reader.RejectItem(l1, 1, "LayerBottomDepth",
                        "the soil layers end at " + NumberText(layer.LayerBottomDepth) +
                            ", at or above the excavation level FreeHeight = " + NumberText(w.FreeHeight) +
                            ": the ground below the excavation, which holds the wall, must be given");
    const bool curves = GetsGeneratedCurves(d, previous_bottom, layer.LayerBottomDepth);
    const std::string l2 = Row("soil layer", i) + ", record L2 (layer top)";
    reader.Read(l2, values(layer.Top));
    layer.Line = reader.line();
    CheckSoilValues(RecordCheck(reader, l2), layer.SoilTypeCode, layer.Top, curves);
    const std::string l3 = Row("soil layer", i) + ", record L3 (layer bottom)";
    reader.Read(l3, values(layer.Bottom));
    CheckSoilValues(RecordCheck(reader, l3), layer.SoilTypeCode, layer.Bottom, curves);
    previous_bottom = layer.LayerBottomDepth;
    soil.Layers.push_back(layer);
  }
  soil.NumSoilLayers = static_cast<int>(soil.Layers.size());
}

void ReadSpecifiedPressureTable(RunContext& ctx, ListReader& reader) {
  auto& rows = ctx.Data.Pressure.SpecifiedPressure;
  rows.clear();
  const int n = ReadCount(ctx, reader, "specified pressure count", "number of pressure points");
  if (n > kMaxSpecifiedPressureRows) throw StorageExceeded();
  for (int i = 1; i <= n; ++i) {
    SpecifiedPressurePoint p;
    const std::string record = Row("specified pressure point", i);
    reader.Read(record, {{"depth", &p.Depth}, {"pressure", &p.Pressure}});
    // The diagram is interpolated at the stations walking down its rows.
    if (!rows.empty() && p.Depth < rows.back().Depth)
      reader.RejectItem(record, 0, "depth",
                        "the depths of a pressure diagram must not decrease (" +
                            NumberText(rows.back().Depth) + " is followed by " + NumberText(p.Depth) + ")");
    rows.push_back(p);
  }
}

void ReadUserPyCurves(RunContext& ctx, ListReader& reader) {
  ProblemData& d = ctx.Data;
  d.UserPyCurves.clear();
  const int n = d.C1.NumUserPyCurves;
  if (n <= 0) return;
  if (n > kMaxPyCurves) throw StorageExceeded();
  EchoUserPyCurveHeading(ctx);
  int previous_contd = 0;
  for (int i = 1; i <= n; ++i) {
    UserPyCurve curve;
    const std::string name = Row("user p-y curve", i);
    reader.Read(name, {{"station", &curve.Station},
                       {"number of points", &curve.NumPoints},
                       {"P-MULTIPLIER", &curve.PMultiplier},
                       {"Y-MULTIPLIER", &curve.YMultiplier}});
    if (curve.NumPoints > kMaxPyCurvePoints) throw StorageExceeded();
    // The soil-curve iteration interpolates on segments between points.
    if (curve.NumPoints < 2)
      reader.RejectItem(name, 1, "number of points",
                        "a p-y curve needs at least 2 points, found " + std::to_string(curve.NumPoints));
    const RecordCheck check(reader, name);
    check.NotNegative(2, "P-MULTIPLIER", curve.PMultiplier, "a multiplier of the soil resistance");
    check.Positive(3, "Y-MULTIPLIER", curve.YMultiplier, "a multiplier of the deflections");
    // Curves at or below the dividing depth vary linearly to the next curve.
    curve.Contd = curve.Station * d.C2.IncrementLength >= d.C2.DividingDepth ? 1 : 0;
    for (int p = 1; p <= curve.NumPoints; ++p) {
      double y = 0, pv = 0;
      const std::string point = name + ", point " + std::to_string(p);
      reader.Read(point, {{"y", &y}, {"p", &pv}});
      // The iteration finds a deflection's segment by walking up the points.
      if (!curve.Y.empty() && !(y > curve.Y.back()))
        reader.RejectItem(point, 0, "y",
                          "the deflections of a p-y curve must increase from point to point (" +
                              NumberText(curve.Y.back()) + " is followed by " + NumberText(y) + ")");
      curve.Y.push_back(y);
      curve.P.push_back(pv);
    }
    CheckCurveStiffness(reader, name, curve, d.C2.IncrementLength);
    EchoUserPyCurve(ctx, curve, previous_contd);
    previous_contd = curve.Contd;
    d.UserPyCurves.push_back(std::move(curve));
  }
}

}  // namespace darnek::input
