// The pressure profile of the retained soil: the soil layers cut at the
// excavation level and at the backfill water table, the overburden at the
// layer tops and the Rankine earth-pressure coefficients; and GeneratePressureDiagram, which
// runs the earth-pressure steps of a stage in order.
#include <algorithm>
#include <cmath>
#include <string>

#include "core/errors.h"
#include "core/water_table.h"
#include "pressure/earth_pressure.h"
#include "pressure/pressure_steps.h"

namespace darnek::pressure {

namespace {

PressureLayer LayerFrom(const SoilLayer& soil, double top, double thickness, double f) {
  PressureLayer layer;
  layer.ZTOP = top;
  layer.T = thickness;
  // A pressure layer carries the values given at the top of its soil layer.
  layer.C = soil.Top.S;
  layer.Phi = soil.Top.PHI;
  layer.Gamma = soil.Top.UnitWeight;
  layer.SoilTypeCode = soil.SoilTypeCode;
  // Sand, silt and the rocks are drained.
  layer.DrainedFlag = !IsClay(soil.SoilTypeCode);
  // The sixth value of the rock codes is RQD, not a coefficient.
  layer.OptionalCoefficient = IsRock(soil.SoilTypeCode) ? 0.0 : soil.Top.Sixth;
  layer.F = f;
  return layer;
}

// Depths at which the soil layers are cut, increasing; one that lies within
// the tolerance of the depth before it, or of the surface, is dropped.
std::vector<double> SplitDepths(const ProblemData& data) {
  std::vector<double> depths{data.Wall.FreeHeight};
  if (data.Pressure.BackfillWaterTable) depths.push_back(data.Wall.WaterDepthBackfill);
  std::sort(depths.begin(), depths.end());
  std::vector<double> kept;
  for (size_t i = 0; i < depths.size(); ++i) {
    if (std::fabs(depths[i]) < kDepthTolerance) continue;
    if (i > 0 && std::fabs(depths[i] - depths[i - 1]) < kDepthTolerance) continue;
    kept.push_back(depths[i]);
  }
  return kept;
}

int LayerWithTopAt(const std::vector<PressureLayer>& layers, double depth) {
  for (size_t i = 0; i < layers.size(); ++i) {
    if (std::fabs(layers[i].ZTOP - depth) <= kDepthTolerance) return static_cast<int>(i) + 1;
  }
  return 0;
}

}  // namespace

void BuildPressureProfile(ProblemData& data) {
  EarthPressureData& ep = data.Pressure;
  const WallWaterData& wall = data.Wall;
  ep.Layers.clear();
  ep.Rows.clear();
  ep.NL = ep.LP = ep.LW = 0;
  ep.Overflow = false;
  ep.NetActiveResultant = ep.ResultantF = ep.ResultantA = 0;
  ep.RowCount = 0;
  ep.UnitWeightWater = IsEnglish(data) ? kUnitWeightWaterEnglish : kUnitWeightWaterSI;
  ep.BackfillWaterTable = HasWaterTable(wall.WaterDepthBackfill);

  std::vector<double> splits = SplitDepths(data);
  size_t next_split = 0;
  const double f = wall.ActiveModificationFactor;
  const size_t num_soil =
      std::min(static_cast<size_t>(std::max(data.Soil.NumSoilLayers, 0)), data.Soil.Layers.size());

  // Adds a layer; false once the 21st has been completed.
  const auto add = [&](const SoilLayer& soil, double top, double bottom) {
    ep.Layers.push_back(LayerFrom(soil, top, bottom - top, f));
    if (static_cast<int>(ep.Layers.size()) > kMaxPressureLayers) {
      ep.Overflow = true;
      return false;
    }
    return true;
  };

  double top = 0;
  bool walking = true;
  for (size_t i = 0; i < num_soil && walking; ++i) {
    const SoilLayer& soil = data.Soil.Layers[i];
    if (soil.LayerThickness <= 0) break;
    const double bottom = top + soil.LayerThickness;
    double current = top;
    for (;;) {
      if (next_split >= splits.size()) {
        walking = add(soil, current, bottom);
        break;
      }
      double& s = splits[next_split];
      if (std::fabs(bottom - s) < kDepthTolerance) {
        // The cut falls on the layer bottom: no new layer.
        s = bottom;
        ++next_split;
        continue;
      }
      if (bottom <= s) {
        walking = add(soil, current, bottom);
        break;
      }
      if (!add(soil, current, s)) {
        walking = false;
        break;
      }
      current = s;
      ++next_split;
    }
    top = bottom;
  }

  ep.NL = static_cast<int>(ep.Layers.size());
  ep.LP = LayerWithTopAt(ep.Layers, wall.FreeHeight);
  ep.LW = ep.BackfillWaterTable ? LayerWithTopAt(ep.Layers, wall.WaterDepthBackfill) : 0;
}

void ComputeOverburden(ProblemData& data) {
  EarthPressureData& ep = data.Pressure;
  const double zw = data.Wall.WaterDepthBackfill;
  const double gw = ep.UnitWeightWater;
  double total = data.Wall.SurfacePressure;
  for (size_t i = 0; i < ep.Layers.size(); ++i) {
    PressureLayer& layer = ep.Layers[i];
    layer.SubmergedFlag =
        ep.BackfillWaterTable && (std::fabs(layer.ZTOP - zw) < kDepthTolerance || layer.ZTOP > zw);
    const double water = layer.SubmergedFlag ? (layer.ZTOP - zw) * gw : 0.0;
    layer.SIGVPEffective = total - water;
    layer.SIGVP = layer.SIGVPEffective;
    // An undrained layer works in total stress and carries its water within
    // it: above the excavation level its pressure starts from the total
    // stress at its top, wherever that top lies below the water table (from
    // the effective stress it would lose the water above its top, and a
    // layer split below the water table would lose pressure at the split).
    // Below the excavation level the stress stays at the effective value of
    // the layer there, and the water is added as its own column. A given
    // active coefficient makes every undrained layer work with the total
    // stress. The report keeps the effective stress.
    const bool above = static_cast<int>(i) + 1 < ep.LP;
    if (!layer.DrainedFlag && layer.SubmergedFlag && (above || layer.OptionalCoefficient > kGivenThreshold)) {
      layer.SIGVP += water;
    }
    total += layer.Gamma * layer.T;
  }
}

void ComputeCoefficients(ProblemData& data) {
  EarthPressureData& ep = data.Pressure;
  const double beta = data.Wall.BackfillSlope / kDegreesPerRadian;
  const double abs_beta = std::fabs(beta);
  for (int L = 1; L <= ep.NL; ++L) {
    PressureLayer& layer = ep.Layers[static_cast<size_t>(L - 1)];
    const double phi = layer.Phi / kDegreesPerRadian;
    layer.SlopeWarning = false;
    if (abs_beta > 0 && phi > abs_beta) {
      // Rankine's active coefficient for a backfill sloping at beta.
      const double cb = std::cos(beta);
      const double cp = std::cos(phi);
      const double r = std::sqrt(cb * cb - cp * cp);
      layer.Ka = cb * (cb - r) / (cb + r);
      layer.SqrtKa = std::sqrt(layer.Ka);
    } else {
      const double t = std::tan((45.0 - layer.Phi / 2) / kDegreesPerRadian);
      layer.Ka = t * t;
      layer.SqrtKa = t;
      layer.SlopeWarning = abs_beta > 0 && L < ep.LP;
    }
    const double tp = std::tan((45.0 + layer.Phi / 2) / kDegreesPerRadian);
    layer.Kp = tp * tp;
    layer.SqrtKp = tp;
    layer.K0 = 1 - std::sin(phi);
    layer.ComputedKa = layer.Ka;
    if (layer.OptionalCoefficient > kGivenThreshold) {
      // A given coefficient replaces Ka and drops the cohesion term.
      layer.Ka = layer.OptionalCoefficient;
      layer.SqrtKa = 0;
    } else if (data.C1.EarthPressureOption == EarthPressureMode::ApparentPressureWithSurcharge) {
      layer.Ka = layer.OptionalCoefficient;
    }
  }
}

void GeneratePressureDiagram(RunContext& ctx) {
  ProblemData& data = ctx.Data;
  // The option and FreeHeight were checked as they were read.
  ctx.Plot.List(CodeNumber(data.C1.EarthPressureOption));

  BuildPressureProfile(data);
  WritePressureInput(ctx);
  ComputeOverburden(data);
  WriteOverburdenTable(ctx);
  ComputeCoefficients(data);
  WriteCoefficientTable(ctx);
  ComputeLayerResultants(data);
  WriteLayerResultants(ctx);
  SetDiagramLoads(ctx);
}

}  // namespace darnek::pressure
