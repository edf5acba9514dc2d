// The common frame of the p-y models: curve depths, dispatch by soil type,
// the sides of each curve with their multipliers and active-pressure offset,
// and the layered-soil bookkeeping (cumulative resistance, equivalent depth).
#include "soil/py_frame.h"

#include <algorithm>
#include <cmath>

#include "soil/py_curves.h"
#include "soil/py_models.h"
#include "soil/soil_profile.h"
#include "soil/soil_stop.h"

namespace darnek::soil {

// ------------------------------------------------------------ curve depths

namespace {

// The five depths of the specified generation in a layer from `top` to
// `bottom`: delta inside each end and at its quarters.
void FiveDepths(const SoilProfile& profile, size_t i, double delta, std::vector<double>& depths) {
  const ProfileLayer& layer = profile.Layers[i];
  const double top = layer.Top;
  const double bottom = layer.Bottom;
  const double span = bottom - top;
  if (span >= 2 * delta) {
    for (double z : {top + delta, top + 0.25 * span, top + 0.5 * span, top + 0.75 * span, bottom - delta})
      depths.push_back(z);
    return;
  }
  // A layer thinner than 2 delta: offsets of delta would put curves in the
  // layers around it, where they would read their neighbours' strength.
  // Its curves stay inside it at fixed fractions of its thickness.
  double first = top + 0.125 * span;
  // Except where the soil table itself ends in this layer above the depth
  // the profile needs (not cut at the profile's limit): its first curve,
  // delta below the top, then lies beyond the soil data and stops the run
  // as any lookup beyond the soil data does.
  const bool ends_soil_table = i + 1 == profile.Layers.size() && bottom != profile.ProfileDepthLimit;
  if (ends_soil_table && top + delta > bottom) first = top + delta;
  for (double z : {first, top + 0.25 * span, top + 0.5 * span, top + 0.75 * span, bottom - 0.125 * span})
    depths.push_back(z);
}

// Depths at `spacing` below the excavation level inside a layer, and at the
// water table when it lies within, each moved to the station nearest it (the
// station that takes the curve), with one curve delta inside each end of the
// layer: the curves then follow the soil however its layers are written.
// A station takes one curve, so a spacing below the increment length gives
// one curve per station.
void SpacedDepths(const SoilProfile& profile, size_t i, double delta, double spacing, double water,
                  double excavation, double h, std::vector<double>& depths) {
  const ProfileLayer& layer = profile.Layers[i];
  const double first = layer.Top + delta;
  const double last = layer.Bottom - delta;
  if (last - first < delta) {
    FiveDepths(profile, i, delta, depths);
    return;
  }
  // The station that takes a curve at z, as the curve table rounds it.
  const auto station = [&](double z) { return std::round((z + excavation) / h); };
  std::vector<double> inside;
  for (double k = std::floor(first / spacing) + 1; k * spacing < last; ++k)
    inside.push_back(station(k * spacing));
  if (water > first && water < last) inside.push_back(station(water));
  std::sort(inside.begin(), inside.end());
  depths.push_back(first);
  double taken = station(first);
  for (double s : inside) {
    if (s <= taken || s >= station(last)) continue;
    depths.push_back(s * h - excavation);
    taken = s;
  }
  depths.push_back(last);
}

}  // namespace

void SetCurveDepths(ProblemData& d, double spacing) {
  SoilProfile& profile = d.Profile;
  const double delta = IsSI(d) ? kCurveOffsetSI : kCurveOffsetEnglish;
  const size_t num_layers = profile.Layers.size();
  // The water table behind the wall, the one the p-y side knows, below the
  // excavation level.
  const double water = d.Wall.WaterDepthBackfill - d.Wall.FreeHeight;
  profile.CurveDepths.clear();
  profile.LayerCurveRange.assign(num_layers, {-1, -1});
  for (size_t n = 0; n < num_layers; ++n) {
    const int first = static_cast<int>(profile.CurveDepths.size());
    if (spacing > 0) {
      SpacedDepths(profile, n, delta, spacing, water, d.Wall.FreeHeight, d.C2.IncrementLength,
                   profile.CurveDepths);
    } else {
      FiveDepths(profile, n, delta, profile.CurveDepths);
    }
    profile.LayerCurveRange[n] = {first, static_cast<int>(profile.CurveDepths.size()) - 1};
  }
  profile.CumulativeResistance.assign(num_layers, 0.0);
  profile.XEQ.assign(num_layers, 0.0);
}

// ------------------------------------------------------------------ dispatch

namespace {

// The model of each SoilType, in code order.
using ModelEntry = void (*)(LayerRun&);
constexpr ModelEntry kModels[] = {
    SoftClayLayer, StiffClayBelowWaterLayer, StiffClayAboveWaterLayer, SandLayer, SiltLayer, RockLayer,
    WeakRockLayer,
};

}  // namespace

void DispatchLayers(RunContext& ctx, CurveOutput& output) {
  const SoilProfile& profile = ctx.Data.Profile;
  int previous_last = -1;
  for (size_t n = 0; n < profile.Layers.size(); ++n) {
    const auto [first, last] = profile.LayerCurveRange[n];
    if (first < 0 || last == previous_last) continue;
    previous_last = last;
    LayerRun run{ctx, static_cast<int>(n), first, last, output};
    kModels[CodeNumber(profile.Layers[n].SoilTypeCode) - 1](run);
  }
}

// ------------------------------------------------------------ active pressure

double LoadedWidth(const ProblemData& d, double depth) {
  if (GeneratesEarthPressure(d.C1.EarthPressureOption) && depth > d.C2.DividingDepth) return d.Wall.WP;
  return d.Wall.WA;
}

double ActiveLoadAt(const ProblemData& d, double x) {
  const std::vector<PressureRow>& rows = d.Pressure.Rows;
  if (rows.empty() || d.C2.IncrementLength == 0) return 0;
  const double h = d.C2.IncrementLength;
  // Each row as a pressure per unit area times WP. Interpolating these (not
  // the rows as loaded) keeps a curve just below the dividing depth from
  // mixing a row over WA with a row over WP. With WA = WP the factor is
  // exactly 1 and the rows stand as they are.
  const double wp = d.Wall.WP;
  const auto value = [&](const PressureRow& row) {
    const double width = LoadedWidth(d, row.Depth);
    return width > 0 ? row.LoadPerStation * (wp / width) : row.LoadPerStation;
  };
  if (x <= rows.front().Depth) return value(rows.front()) / h;
  if (x >= rows.back().Depth) return value(rows.back()) / h;
  size_t i = 1;
  while (rows[i].Depth < x) ++i;
  if (rows[i].Depth == x) return value(rows[i]) / h;
  const PressureRow& a = rows[i - 1];
  const PressureRow& b = rows[i];
  const double va = value(a);
  const double interpolated = va + (value(b) - va) * (x - a.Depth) / (b.Depth - a.Depth);
  return interpolated / h;
}

double ClayActivePressure(double pressure, double c, double b) {
  const double pa = pressure - 2 * c * b;
  return pa <= 1e-10 ? 0.0 : pa;
}

double FrictionalActivePressure(double pressure) { return pressure < Single(1e-5f) ? 0.0 : pressure; }

// ------------------------------------------------------------------ the frame

namespace {

// The depth at which the model's own resistance per unit depth, integrated
// from the surface of this layer's soil, reaches `accumulated`: the
// equivalent depth as the curves at a spacing accumulate the layers above
// (trapezoids of `step` at most, the last one cut where the target falls),
// so that a layer below one of the same soil continues it. The model is
// prepared at each depth on the excavation side of a copy of the frame; the
// frame's own preparation follows.
double IntegratedEquivalentDepth(RunContext& ctx, PyModel& model, const CurveFrame& frame, double accumulated,
                                 double step) {
  if (accumulated <= 0) return 0;
  CurveFrame g = frame;
  g.Side = Side::Excavation;
  const auto rate = [&](double x) {
    g.X = g.SideDepth = x;
    model.Prepare(ctx, g);
    return model.ResistanceRate();
  };
  // A step no larger than a tenth of the layer's own thickness, and a bound
  // on the steps taken so that a soil without resistance cannot run on.
  const double dx = std::min(step, 0.1 * (frame.LayerBottom - frame.LayerTop));
  constexpr int kMaxSteps = 100000;
  double x = 0, sum = 0, previous = rate(0);
  for (int i = 0; i < kMaxSteps && dx > 0; ++i) {
    const double next = rate(x + dx);
    const double piece = 0.5 * (previous + next) * dx;
    if (!std::isfinite(piece)) break;
    if (sum + piece >= accumulated && piece > 0) return x + dx * (accumulated - sum) / piece;
    sum += piece;
    x += dx;
    previous = next;
  }
  return model.EquivalentDepth(frame, accumulated);
}

}  // namespace

void RunLayerCurves(LayerRun& run, PyModel& model) {
  RunContext& ctx = run.Ctx;
  ProblemData& d = ctx.Data;
  SoilProfile& profile = d.Profile;
  const CurveLayout& layout = model.Layout();
  const size_t n = static_cast<size_t>(run.Layer);
  const ProfileLayer& layer = profile.Layers[n];
  const double H = d.Wall.FreeHeight;

  const bool spaced = ctx.CurveSpacing > 0;
  CurveFrame f;
  f.Layer = run.Layer;
  f.LayerTop = layer.Top;
  f.LayerBottom = layer.Bottom;
  f.SoilModulus = layer.SoilModulusK;
  f.B = d.Wall.WP;
  f.ReferenceWidth = d.Wall.ReferenceWidth;
  f.Continuous = profile.WidthRatio < kSpacedRatio;
  f.Cyclic = IsCyclic(d);
  f.Slope = d.Wall.ExcavationSlope / kDegreesPerRadian;

  profile.CumulativeResistance[n] = 0;
  model.BeginLayer(ctx, f);
  double previous_z = 0;
  double previous_rate = 0;
  SidePoints y;
  SideResult result;
  for (int k = run.First; k <= run.Last; ++k) {
    f.Curve = k;
    f.FirstInLayer = k == run.First;
    f.LastInLayer = k == run.Last;
    f.Z = profile.CurveDepths[static_cast<size_t>(k)];
    f.ZPrevious = f.FirstInLayer ? f.Z : previous_z;
    f.WallDepth = f.Z + H;
    run.Output.BeginCurve(f);
    for (Side side : {Side::Excavation, Side::Backfill}) {
      f.Side = side;
      const bool excavation = side == Side::Excavation;
      f.SideDepth = excavation ? f.Z : f.Z + H;
      if (excavation) {
        // The warning stands before the stop that may follow it.
        try {
          model.LookUp(ctx, f);
        } catch (const SoilStop&) {
          if (const auto z = model.TakeStrengthCurveExceeded()) run.Output.StrengthCurveExceeded(*z);
          throw;
        }
        if (const auto z = model.TakeStrengthCurveExceeded()) run.Output.StrengthCurveExceeded(*z);
        if (f.FirstInLayer && n > 0 && layout.EquivalentDepth) {
          double accumulated = 0;
          for (size_t i = 0; i < n; ++i) accumulated += profile.CumulativeResistance[i];
          profile.XEQ[n] = spaced ? IntegratedEquivalentDepth(ctx, model, f, accumulated, ctx.CurveSpacing)
                                  : model.EquivalentDepth(f, accumulated);
        }
      }
      f.X = n > 0 && layout.EquivalentDepth ? f.SideDepth - f.LayerTop + profile.XEQ[n] : f.SideDepth;
      f.Pressure = ActiveLoadAt(d, f.WallDepth);
      const double multiplier_depth = model.MultiplierDepth(f);
      f.Pm = PMultiplier(d, multiplier_depth);
      f.Ym = YMultiplier(d, multiplier_depth);

      model.Prepare(ctx, f);
      result.Pa = model.ActivePressure(f);
      result.E0 = model.InitialModulus();
      model.Grid(y);
      const double pm = layout.ApplyPMultiplier ? f.Pm : 1.0;
      const double offset = excavation ? -result.Pa : result.Pa;
      for (int i = 0; i < kSidePoints; ++i) {
        const double yi = y[static_cast<size_t>(i)];
        // Below 1e-14 the curve is the model's initial line; at zero it is
        // zero whatever the modulus.
        const double p = yi < kSmallDeflection ? (yi == 0 ? 0.0 : result.E0 * yi) : model.Resistance(yi);
        result.Y[static_cast<size_t>(i)] = f.Ym * yi;
        result.P[static_cast<size_t>(i)] = pm * p + offset;
      }

      if (excavation) {
        const double rate = model.ResistanceRate();
        if (!f.FirstInLayer) {
          const double step = f.Z - previous_z;
          profile.CumulativeResistance[n] += layout.Accumulation == Accumulation::Rectangle
                                                 ? rate * step
                                                 : 0.5 * (previous_rate + rate) * step;
        }
        // With curves at a spacing the layer counts whole, from its top to
        // its bottom, as the equivalent depth of the layer below assumes.
        if (f.FirstInLayer && spaced) profile.CumulativeResistance[n] += rate * (f.Z - f.LayerTop);
        if (f.LastInLayer && (layout.AccumulateToBottom || spaced)) {
          profile.CumulativeResistance[n] += rate * (f.LayerBottom - f.Z);
        }
        previous_rate = rate;
      }
      result.Parameters = model.Parameters();
      result.Parameters.Side = f.Side;
      result.Parameters.DepthBelowSurface = f.SideDepth;
      result.Parameters.Width = f.B;
      run.Output.WriteSide(layout, f, result);
    }
    previous_z = f.Z;
  }
}

}  // namespace darnek::soil
