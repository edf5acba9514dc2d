// The common frame of the p-y models: curve depths, dispatch by soil type,
// the sides of each curve with their multipliers and active-pressure offset,
// and the layered-soil bookkeeping (cumulative resistance, equivalent depth).
#include "soil/py_frame.h"

#include "soil/py_curves.h"
#include "soil/py_models.h"
#include "soil/soil_profile.h"
#include "soil/soil_stop.h"

namespace darnek::soil {

// ------------------------------------------------------------ curve depths

void SetCurveDepths(ProblemData& d) {
  SoilProfile& profile = d.Profile;
  const double delta = IsSI(d) ? kCurveOffsetSI : kCurveOffsetEnglish;
  const size_t num_layers = profile.Layers.size();
  profile.CurveDepths.clear();
  for (size_t i = 0; i < num_layers; ++i) {
    const ProfileLayer& layer = profile.Layers[i];
    const double top = layer.Top;
    const double bottom = layer.Bottom;
    const double span = bottom - top;
    if (span >= 2 * delta) {
      for (double z : {top + delta, top + 0.25 * span, top + 0.5 * span, top + 0.75 * span, bottom - delta})
        profile.CurveDepths.push_back(z);
      continue;
    }
    // A layer thinner than 2 delta: offsets of delta would put curves in the
    // layers around it, where they would read their neighbours' strength.
    // Its curves stay inside it at fixed fractions of its thickness.
    double first = top + 0.125 * span;
    // Except where the soil table itself ends in this layer above the depth
    // the profile needs (not cut at the profile's limit): its first curve,
    // delta below the top, then lies beyond the soil data and stops the run
    // as any lookup beyond the soil data does.
    const bool ends_soil_table = i + 1 == num_layers && bottom != profile.ProfileDepthLimit;
    if (ends_soil_table && top + delta > bottom) first = top + delta;
    for (double z : {first, top + 0.25 * span, top + 0.5 * span, top + 0.75 * span, bottom - 0.125 * span})
      profile.CurveDepths.push_back(z);
  }

  // Five curves per layer, in layer order.
  profile.LayerCurveRange.assign(num_layers, {-1, -1});
  for (size_t n = 0; n < num_layers; ++n) {
    const int first = 5 * static_cast<int>(n);
    profile.LayerCurveRange[n] = {first, first + 4};
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

void RunLayerCurves(LayerRun& run, PyModel& model) {
  RunContext& ctx = run.Ctx;
  ProblemData& d = ctx.Data;
  SoilProfile& profile = d.Profile;
  const CurveLayout& layout = model.Layout();
  const size_t n = static_cast<size_t>(run.Layer);
  const ProfileLayer& layer = profile.Layers[n];
  const double H = d.Wall.FreeHeight;

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
          profile.XEQ[n] = model.EquivalentDepth(f, accumulated);
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
        if (f.LastInLayer && layout.AccumulateToBottom) {
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
