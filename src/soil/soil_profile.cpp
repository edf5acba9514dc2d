// Soil profile below the excavation level: profile layers, the effective
// unit-weight curve and the strength curve, and the lookups on them.
#include "soil/soil_profile.h"

#include <algorithm>
#include <cmath>

#include "core/report_helpers.h"
#include "core/water_table.h"
#include "soil/soil_constants.h"
#include "soil/soil_report.h"
#include "soil/soil_stop.h"

namespace darnek::soil {

namespace {

// A profile built down to a depth closer than this to a layer bottom is cut
// at that depth rather than leaving a sliver below it.
constexpr double kTruncationTolerance = 1e-8;

StrengthPoint ValuesAt(const StrengthPoint& top, const StrengthPoint& bottom, double z) {
  const double span = bottom.Z - top.Z;
  const double t = span > 0 ? (z - top.Z) / span : 0.0;
  const auto mix = [t](double a, double b) { return a + (b - a) * t; };
  return {z, mix(top.S, bottom.S), mix(top.PHI, bottom.PHI), mix(top.E50, bottom.E50),
          mix(top.RQD, bottom.RQD)};
}

// Whether `lower` continues the soil of `upper`, the layer above it: the same
// type, unit weight and modulus, and strength values that run on with the
// same gradient, so that the boundary between them is no change at all.
bool ContinuesSoil(const SoilLayer& upper, const SoilLayer& lower) {
  if (upper.SoilTypeCode != lower.SoilTypeCode || upper.Top.UnitWeight != lower.Top.UnitWeight ||
      upper.Top.SoilModulusK != lower.Top.SoilModulusK || !(upper.LayerThickness > 0) ||
      !(lower.LayerThickness > 0))
    return false;
  for (double SoilValues::*v : {&SoilValues::S, &SoilValues::PHI, &SoilValues::E50, &SoilValues::Sixth}) {
    const double joint = upper.Bottom.*v;
    const double scale = std::max({std::fabs(joint), std::fabs(upper.Top.*v), std::fabs(lower.Bottom.*v)});
    const double upper_gradient = (joint - upper.Top.*v) / upper.LayerThickness;
    const double lower_gradient = (lower.Bottom.*v - lower.Top.*v) / lower.LayerThickness;
    if (std::fabs(lower.Top.*v - joint) > 1e-12 * scale) return false;
    if (std::fabs(upper_gradient - lower_gradient) * (upper.LayerThickness + lower.LayerThickness) >
        1e-9 * scale)
      return false;
  }
  return true;
}

}  // namespace

void BuildSoilProfile(RunContext& ctx) {
  ProblemData& d = ctx.Data;
  SoilProfile& profile = d.Profile;
  const bool si = IsSI(d);

  // The p-y tables always print English or SI labels, never the neutral set.
  SetUnitLabels(d.Run.Labels, si ? -1 : 1);
  profile.UnitWeightWater = si ? kUnitWeightWaterSI : kUnitWeightWaterEnglish;
  d.Wall.ReferenceWidth = si ? kReferenceWidthSI : kReferenceWidthEnglish;
  if (d.Wall.WP > 0) {
    profile.WidthRatio = std::max(1.0, d.Wall.WA / d.Wall.WP);
  } else {
    profile.WidthRatio = std::max(1.0, profile.WidthRatio);
  }
  if (IsCyclic(d) && d.Soil.NumCycles < 1e-6) d.Soil.NumCycles = 100;

  const double H = d.Wall.FreeHeight;
  const double water = WaterTableDepth(d.Wall.WaterDepthBackfill);
  const double gamma_water = profile.UnitWeightWater;
  profile.ProfileDepthLimit = d.C2.NumIncrements * d.C2.IncrementLength + 2 * d.C2.IncrementLength - H;

  profile.Layers.clear();
  profile.UnitWeightCurve.clear();
  profile.StrengthCurve.clear();

  const int num_layers = std::min<int>(d.Soil.NumSoilLayers, static_cast<int>(d.Soil.Layers.size()));
  double running_depth = 0;  // D: input depth to the layer bottom
  double profile_depth = 0;  // bottom of the last profile layer
  bool started = false;
  bool truncated = false;
  for (int i = 0; i < num_layers; ++i) {
    const SoilLayer& layer = d.Soil.Layers[static_cast<size_t>(i)];
    running_depth += layer.LayerThickness;
    if (!started && running_depth <= H) continue;  // wholly above the excavation level
    const double thickness = started ? layer.LayerThickness : running_depth - H;
    started = true;
    // The top is the previous bottom itself, so that the two strength points
    // of a boundary share one depth exactly (bottom - thickness may differ
    // from it in the last bit).
    const double top = profile_depth;
    const double bottom = profile_depth + thickness;
    profile_depth = bottom;

    // Effective unit weight: full above the water table, submerged below it;
    // a top exactly at the water table is already submerged.
    const double gamma = layer.Top.UnitWeight;
    const double submerged = gamma - gamma_water;
    profile.UnitWeightCurve.push_back({top, top + H < water ? gamma : submerged});
    if (top + H < water && water < bottom + H) {
      profile.UnitWeightCurve.push_back({water - H, gamma});
      // With curves at a spacing the weight steps at the water table, as it
      // does in a last layer: otherwise it would run on linearly to the next
      // layer's top, and splitting a layer below the water table would move
      // that ramp.
      if (ctx.CurveSpacing > 0) {
        profile.UnitWeightCurve.push_back({water - H, submerged});
        profile.UnitWeightCurve.push_back({bottom, submerged});
      }
    } else {
      profile.UnitWeightCurve.push_back({bottom, bottom + H <= water ? gamma : submerged});
    }

    if (truncated) continue;  // the strength curve and the layers end at the limit
    ProfileLayer profile_layer{top, bottom, layer.SoilTypeCode, layer.Top.SoilModulusK, i};
    const StrengthPoint top_point{top, layer.Top.S, layer.Top.PHI, layer.Top.E50, layer.Top.Sixth};
    StrengthPoint bottom_point{bottom, layer.Bottom.S, layer.Bottom.PHI, layer.Bottom.E50,
                               layer.Bottom.Sixth};
    if (profile.ProfileDepthLimit < bottom + kTruncationTolerance) {
      bottom_point = ValuesAt(top_point, bottom_point, profile.ProfileDepthLimit);
      profile_layer.Bottom = profile.ProfileDepthLimit;
      truncated = true;
    }
    // With curves at a spacing a layer that only continues the soil above it
    // is part of that layer: its curves, and the equivalent depth of the
    // layers below, do not depend on how one soil is written.
    if (ctx.CurveSpacing > 0 && !profile.Layers.empty() &&
        ContinuesSoil(d.Soil.Layers[static_cast<size_t>(i - 1)], layer)) {
      profile.Layers.back().Bottom = profile_layer.Bottom;
      profile.StrengthCurve.back() = bottom_point;
      continue;
    }
    profile.Layers.push_back(profile_layer);
    profile.StrengthCurve.push_back(top_point);
    profile.StrengthCurve.push_back(bottom_point);
  }

  // A water table inside the last layer leaves the unit-weight curve short of
  // the strength curve: continue it with the submerged weight.
  if (!profile.UnitWeightCurve.empty() && !profile.StrengthCurve.empty() &&
      profile.UnitWeightCurve.back().Z < profile.StrengthCurve.back().Z) {
    const UnitWeightPoint last = profile.UnitWeightCurve.back();
    profile.UnitWeightCurve.push_back({last.Z, last.Gamma - gamma_water});
    profile.UnitWeightCurve.push_back({profile.StrengthCurve.back().Z, last.Gamma - gamma_water});
  }

  for (StrengthPoint& point : profile.StrengthCurve) point.PHI *= kPi / 180.0;

  WriteSoilProfile(ctx);
}

// ------------------------------------------------------------------ lookups

namespace {

enum class BoundaryRule {
  LowerLayer,  // S: the lower layer's value unless it is absent
  Mean,        // PHI, E50, RQD: the mean of the two values present
};

[[noreturn]] void StopBeyondCurve(double z, const char* curve) {
  throw SoilStop(SoilStop::Kind::BeyondCurve, std::string("depth beyond ") + curve, z, curve);
}

double CurveValue(RunContext& ctx, double z, double StrengthPoint::*field, BoundaryRule rule,
                  const char* curve_name) {
  const std::vector<StrengthPoint>& curve = ctx.Data.Profile.StrengthCurve;
  const size_t m = curve.size();
  if (m < 2 || z > curve.back().Z) StopBeyondCurve(z, curve_name);
  size_t k = 1;
  while (z > curve[k].Z) ++k;
  const double upper = curve[k].*field;
  if (z == curve[k].Z && k + 1 < m && curve[k + 1].Z == curve[k].Z) {
    const double lower = curve[k + 1].*field;
    if (rule == BoundaryRule::LowerLayer) return lower >= kAbsentValue ? lower : upper;
    const bool has_upper = upper >= kAbsentValue;
    const bool has_lower = lower >= kAbsentValue;
    if (has_upper && has_lower) return 0.5 * (upper + lower);
    if (has_lower) return lower;
    return upper;
  }
  if (z == curve[k].Z) return upper;
  const StrengthPoint& a = curve[k - 1];
  const StrengthPoint& b = curve[k];
  return a.*field + (b.*field - a.*field) * (z - a.Z) / (b.Z - a.Z);
}

}  // namespace

double StrengthAt(RunContext& ctx, double z) {
  return CurveValue(ctx, z, &StrengthPoint::S, BoundaryRule::LowerLayer, "THE INPUT STRENGTH CURVE");
}

double FrictionAngleAt(RunContext& ctx, double z) {
  return CurveValue(ctx, z, &StrengthPoint::PHI, BoundaryRule::Mean, "THE INPUT PHI CURVE");
}

double E50At(RunContext& ctx, double z) {
  return CurveValue(ctx, z, &StrengthPoint::E50, BoundaryRule::Mean, "THE INPUT STRENGTH CURVE");
}

double RQDAt(RunContext& ctx, double z) {
  return CurveValue(ctx, z, &StrengthPoint::RQD, BoundaryRule::Mean, "THE INPUT STRENGTH CURVE");
}

double AverageUnitWeightAt(RunContext& ctx, double z) {
  const std::vector<UnitWeightPoint>& curve = ctx.Data.Profile.UnitWeightCurve;
  if (curve.size() < 2) return 0;
  const double z0 = curve.front().Z;
  if (z < z0) return 0;
  if (z - z0 < kMinDepth) {
    for (const UnitWeightPoint& point : curve) {
      if (point.Gamma > 0) return point.Gamma;
    }
    return curve.back().Gamma;
  }
  if (z > curve.back().Z) throw FatalStop("depth below the unit-weight curve");
  double area = 0;
  for (size_t i = 0; i + 1 < curve.size(); ++i) {
    const UnitWeightPoint& a = curve[i];
    const UnitWeightPoint& b = curve[i + 1];
    if (b.Z <= z) {
      area += 0.5 * (a.Gamma + b.Gamma) * (b.Z - a.Z);
      continue;
    }
    const double length = b.Z - a.Z;
    if (length >= kMinDepth) {
      const double gamma_z = a.Gamma + (b.Gamma - a.Gamma) * (z - a.Z) / length;
      area += 0.5 * (a.Gamma + gamma_z) * (z - a.Z);
    }
    break;
  }
  return area / (z - z0);
}

double BackfillOverburdenAt(RunContext& ctx, double x) {
  const ProblemData& d = ctx.Data;
  const double water = WaterTableDepth(d.Wall.WaterDepthBackfill);
  const double gamma_water = d.Profile.UnitWeightWater;
  double sigma = d.Wall.SurfacePressure;
  double top = 0;
  bool first_submerged_sand = true;
  const int num_layers = std::min<int>(d.Soil.NumSoilLayers, static_cast<int>(d.Soil.Layers.size()));
  for (int i = 0; i < num_layers; ++i) {
    const SoilLayer& layer = d.Soil.Layers[static_cast<size_t>(i)];
    const double bottom = top + layer.LayerThickness;
    const bool contains = bottom > x;
    const double end = contains ? x : bottom;
    if (end > top) sigma += layer.Top.UnitWeight * (end - top);
    // Total stress in clay, silt and rock; effective stress in sand below
    // the water table. The first submerged sand takes off the pore pressure
    // from the water table down (through any clay above it), so that the
    // stress in it is effective; later sands take off their own thickness.
    if (layer.SoilTypeCode == SoilType::Sand && end > water) {
      sigma -= gamma_water * (end - (first_submerged_sand ? water : top));
      first_submerged_sand = false;
    }
    if (contains) return sigma;
    top = bottom;
  }
  if (x <= top) return sigma;
  throw SoilStop(SoilStop::Kind::BelowSoilLayers, "depth below the soil layers", x);
}

}  // namespace darnek::soil
