// Stage tables after the cross sections: stiffness and load rows, restraints
// and tie-backs, p-y modification factors, the wall, water, surcharge and soil
// block, the specified pressure table and the user p-y curves.
#include "input/stage_tables.h"

#include <cmath>
#include <string>

#include "core/errors.h"
#include "input/input_echo.h"
#include "report/report_helpers.h"

namespace darnek::input {
namespace {

std::string Row(std::string_view table, int i) { return std::string(table) + " " + std::to_string(i); }

int ReadCount(ListReader& reader, std::string_view record, std::string_view name) {
  int count = 0;
  reader.Read(record, {{name, &count}});
  return count;
}

bool IsSI(const ProblemData& d) { return d.C1.UnitSystemCode == 2; }

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

}  // namespace

void ReadStiffnessLoadRows(RunContext& ctx, ListReader& reader) {
  ProblemData& d = ctx.data;
  const int n = ReadCount(reader, "stiffness and load count", "NumStiffnessRows");
  d.StiffnessLoadRows.clear();
  d.AppliedTorques.clear();
  if (n > kMaxStiffnessLoadRows) FailStorage(ctx.report);
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
  ProblemData& d = ctx.data;
  const int n = ReadCount(reader, "restraint count", "NumRestraints");
  d.NumRestraints = n > 0 ? n : 0;
  d.Restraints.clear();
  d.TieBacks.clear();
  if (n > kMaxRestraints || d.C1.NumTieBacks > kMaxTieBacks) FailStorage(ctx.report);
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
    reader.Read(Row("tie-back row", i), {{"depth", &t.Depth},
                                         {"area", &t.Area},
                                         {"elastic modulus", &t.Modulus},
                                         {"unbonded length", &t.UnbondedLength},
                                         {"horizontal angle", &t.Angle},
                                         {"anchor spacing", &t.Spacing},
                                         {"prestress force", &t.Prestress}});
    d.TieBacks.push_back(t);
  }
}

void EchoTieBackTable(RunContext& ctx) {
  if (!ctx.data.TieBacks.empty()) EchoTieBacks(ctx);
}

void ReadPyModificationFactors(RunContext& ctx, ListReader& reader) {
  ProblemData& d = ctx.data;
  d.ReductionFactorTable.clear();
  const int n = d.C1.NumPyModificationFactors;
  if (n <= 0) return;
  if (n > kMaxPyModificationFactors) FailStorage(ctx.report);
  reader.Read("p-y modification factors, combination record",
              {{"CombineAutoReduction", &d.CombineAutoReduction}});
  for (int i = 1; i <= n; ++i) {
    ReductionFactorRow row;
    reader.Read(Row("p-y modification factor row", i),
                {{"depth", &row.Depth}, {"P-FACTOR", &row.PFactor}, {"Y-FACTOR", &row.YFactor}});
    d.ReductionFactorTable.push_back(row);
  }
}

void ReadEarthPressureAndSoilBlock(RunContext& ctx, ListReader& reader) {
  ProblemData& d = ctx.data;
  WallWaterData& w = d.Wall;
  reader.Read("wall-and-water record", {{"FreeHeight", &w.FreeHeight},
                                        {"WA", &w.WA},
                                        {"WP", &w.WP},
                                        {"WaterDepthBackfill", &w.WaterDepthBackfill},
                                        {"WaterDepthExcavation", &w.WaterDepthExcavation},
                                        {"ActiveModificationFactor", &w.ActiveModificationFactor},
                                        {"WaterPressureFlag", &w.WaterPressureFlag},
                                        {"BackfillSlope", &w.BackfillSlope},
                                        {"ExcavationSlope", &w.ExcavationSlope}});
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

  const int num_loads = ReadCount(reader, "surcharge count", "number of surcharge loads");
  w.SurchargeLoads.clear();
  if (num_loads > kMaxSurchargeLoads) FailStorage(ctx.report);
  for (int i = 1; i <= num_loads; ++i) {
    SurchargeLoad s;
    reader.Read(Row("surcharge load", i), {{"type", &s.Type},
                                           {"magnitude", &s.Magnitude},
                                           {"horizontal distance", &s.Distance},
                                           {"strip width", &s.Width},
                                           {"vertical distance", &s.VerticalDistance},
                                           {"factor", &s.Factor}});
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
  soil.Layers.clear();
  if (soil.NumSoilLayers > kMaxSoilLayers) FailStorage(ctx.report);
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
    reader.Read(Row("soil layer", i) + ", record L1",
                {{"SoilTypeCode", &layer.SoilTypeCode}, {"LayerBottomDepth", &layer.LayerBottomDepth}});
    reader.Read(Row("soil layer", i) + ", record L2 (layer top)", values(layer.Top));
    layer.Line = reader.line();
    reader.Read(Row("soil layer", i) + ", record L3 (layer bottom)", values(layer.Bottom));
    layer.LayerThickness = layer.LayerBottomDepth - previous_bottom;
    // The profiles walk the layers by thickness; a layer of no or negative
    // thickness would end them early or run them backwards.
    if (!(layer.LayerThickness > 0))
      throw InputError(reader.line(), Row("soil layer", i), 0, "",
                       "the bottom depth " + NumberText(layer.LayerBottomDepth) +
                           " must lie below the bottom of the layer above (" + NumberText(previous_bottom) +
                           "; the top of the wall for the first layer)");
    previous_bottom = layer.LayerBottomDepth;
    soil.Layers.push_back(layer);
  }
  soil.NumSoilLayers = static_cast<int>(soil.Layers.size());
}

void ReadSpecifiedPressureTable(RunContext& ctx, ListReader& reader) {
  auto& rows = ctx.data.Pressure.SpecifiedPressure;
  rows.clear();
  const int n = ReadCount(reader, "specified pressure count", "number of pressure points");
  if (n > kMaxSpecifiedPressureRows) FailStorage(ctx.report);
  for (int i = 1; i <= n; ++i) {
    SpecifiedPressurePoint p;
    reader.Read(Row("specified pressure point", i), {{"depth", &p.Depth}, {"pressure", &p.Pressure}});
    // The diagram is interpolated at the stations walking down its rows.
    if (!rows.empty() && p.Depth < rows.back().Depth)
      throw InputError(reader.line(), Row("specified pressure point", i), 0, "",
                       "the depths of a pressure diagram must not decrease (" +
                           NumberText(rows.back().Depth) + " is followed by " + NumberText(p.Depth) + ")");
    rows.push_back(p);
  }
}

void ReadUserPyCurves(RunContext& ctx, ListReader& reader) {
  ProblemData& d = ctx.data;
  d.UserPyCurves.clear();
  const int n = d.C1.NumUserPyCurves;
  if (n <= 0) return;
  if (n > kMaxPyCurves) FailStorage(ctx.report);
  EchoUserPyCurveHeading(ctx);
  int previous_contd = 0;
  for (int i = 1; i <= n; ++i) {
    UserPyCurve curve;
    const std::string name = Row("user p-y curve", i);
    reader.Read(name, {{"station", &curve.Station},
                       {"number of points", &curve.NumPoints},
                       {"P-MULTIPLIER", &curve.PMultiplier},
                       {"Y-MULTIPLIER", &curve.YMultiplier}});
    if (curve.NumPoints > kMaxPyCurvePoints) FailStorage(ctx.report);
    // The soil-curve iteration interpolates on segments between points.
    if (curve.NumPoints < 2)
      throw InputError(reader.line(), name, 0, "",
                       "a p-y curve needs at least 2 points, found " + std::to_string(curve.NumPoints));
    // Curves at or below the dividing depth vary linearly to the next curve.
    curve.Contd = curve.Station * d.C2.IncrementLength >= d.C2.DividingDepth ? 1 : 0;
    for (int p = 1; p <= curve.NumPoints; ++p) {
      double y = 0, pv = 0;
      reader.Read(name + ", point " + std::to_string(p), {{"y", &y}, {"p", &pv}});
      // The iteration finds a deflection's segment by walking up the points.
      if (!curve.Y.empty() && !(y > curve.Y.back()))
        throw InputError(reader.line(), name + ", point " + std::to_string(p), 0, "",
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
