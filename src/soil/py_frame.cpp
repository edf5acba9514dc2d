// The common frame of the p-y models: curve depths, dispatch by soil type,
// the sides of each curve with their multipliers and active-pressure offset,
// and the layered-soil bookkeeping (cumulative resistance, equivalent depth).
#include "soil/py_frame.h"

#include <algorithm>
#include <limits>


#include "soil/py_curves.h"
#include "soil/py_models.h"
#include "soil/soil_profile.h"

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
    const double span = layer.Bottom - layer.Top;
    // The last layer ends where the profile ends; a thin one must not put its
    // first curve below the strength curve, which would stop a run whose soil
    // table reaches deep enough.
    const double deepest = i + 1 == num_layers ? layer.Bottom : std::numeric_limits<double>::infinity();
    for (double z : {top + delta, top + 0.25 * span, top + 0.5 * span, top + 0.75 * span, layer.Bottom - delta})
      profile.CurveDepths.push_back(std::min(z, deepest));
  }

  // Ranges by depth: a curve deeper than the current layer's bottom opens the
  // next layer. Only the first curve of a layer can lie below its bottom (a
  // layer thinner than delta), so every layer keeps its five curves even when
  // its first and last depths cross.
  profile.LayerCurveRange.assign(num_layers, {-1, -1});
  const int num_curves = static_cast<int>(profile.CurveDepths.size());
  if (num_curves > 0) {
    size_t n = 0;
    profile.LayerCurveRange[0][0] = 0;
    for (int k = 1; k < num_curves; ++k) {
      if (profile.CurveDepths[static_cast<size_t>(k)] > profile.Layers[n].Bottom && n + 1 < num_layers) {
        profile.LayerCurveRange[n][1] = k - 1;
        ++n;
        profile.LayerCurveRange[n][0] = k;
      }
    }
    profile.LayerCurveRange[n][1] = num_curves - 1;
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
  const SoilProfile& profile = ctx.data.Profile;
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

double PressureAt(const ProblemData& d, double x) {
  const std::vector<PressureRow>& rows = d.Pressure.Rows;
  if (rows.empty() || d.C2.IncrementLength == 0) return 0;
  const double h = d.C2.IncrementLength;
  if (x <= rows.front().col[0]) return rows.front().col[1] / h;
  if (x >= rows.back().col[0]) return rows.back().col[1] / h;
  size_t i = 1;
  while (rows[i].col[0] < x) ++i;
  if (rows[i].col[0] == x) return rows[i].col[1] / h;
  const PressureRow& a = rows[i - 1];
  const PressureRow& b = rows[i];
  const double value = a.col[1] + (b.col[1] - a.col[1]) * (x - a.col[0]) / (b.col[0] - a.col[0]);
  return value / h;
}

double ActiveWidthRatio(const ProblemData& d) {
  // The multipliers keep WA/WP without the lower bound of 1; the offset of
  // every curve uses that same ratio (it differs from the profile's only
  // when WA < WP). Without both widths the profile's ratio stands.
  return d.Wall.WP > 0 && d.Wall.WA > 0 ? d.Wall.WA / d.Wall.WP : d.Profile.WidthRatio;
}

double ClayActivePressure(double pressure, double c, double b) {
  const double pa = pressure - 2 * c * b;
  return pa <= 1e-10 ? 0.0 : pa;
}

double FrictionalActivePressure(double pressure) {
  return pressure < Single(1e-5f) ? 0.0 : pressure;
}

// ------------------------------------------------------------------ the frame

void RunLayerCurves(LayerRun& run, PyModel& model) {
  RunContext& ctx = run.ctx;
  ProblemData& d = ctx.data;
  SoilProfile& profile = d.Profile;
  const CurveLayout& layout = model.Layout();
  const size_t n = static_cast<size_t>(run.layer);
  const ProfileLayer& layer = profile.Layers[n];
  const double H = d.Wall.FreeHeight;

  CurveFrame f;
  f.layer = run.layer;
  f.layer_top = layer.Top;
  f.layer_bottom = layer.Bottom;
  f.soil_modulus = layer.SoilModulusK;
  f.b = d.Wall.WP;
  f.reference_width = d.Wall.ReferenceWidth;
  f.continuous = profile.WidthRatio < kSpacedRatio;
  f.cyclic = IsCyclic(d);
  f.slope = d.Wall.ExcavationSlope / kDegreesPerRadian;
  const double width_ratio = ActiveWidthRatio(d);

  profile.CumulativeResistance[n] = 0;
  model.BeginLayer(ctx, f);
  double previous_z = 0;
  double previous_rate = 0;
  SidePoints y;
  SideResult result;
  for (int k = run.first; k <= run.last; ++k) {
    f.curve = k;
    f.first_in_layer = k == run.first;
    f.last_in_layer = k == run.last;
    f.z = profile.CurveDepths[static_cast<size_t>(k)];
    f.z_previous = f.first_in_layer ? f.z : previous_z;
    f.wall_depth = f.z + H;
    run.output.BeginCurve(f);
    for (Side side : {Side::kExcavation, Side::kBackfill}) {
      f.side = side;
      const bool excavation = side == Side::kExcavation;
      f.side_depth = excavation ? f.z : f.z + H;
      if (excavation) {
        model.LookUp(ctx, f);
        if (f.first_in_layer && n > 0 && layout.equivalent_depth) {
          double accumulated = 0;
          for (size_t i = 0; i < n; ++i) accumulated += profile.CumulativeResistance[i];
          profile.XEQ[n] = model.EquivalentDepth(f, accumulated);
        }
      }
      f.x = n > 0 && layout.equivalent_depth ? f.side_depth - f.layer_top + profile.XEQ[n]
                                             : f.side_depth;
      f.pressure = PressureAt(d, f.wall_depth) / width_ratio;
      const double multiplier_depth = model.MultiplierDepth(f);
      f.pm = PMultiplier(d, multiplier_depth);
      f.ym = YMultiplier(d, multiplier_depth);

      model.Prepare(ctx, f);
      result.pa = model.ActivePressure(f);
      result.E0 = model.InitialModulus();
      model.Grid(y);
      const double pm = layout.apply_p_multiplier ? f.pm : 1.0;
      const double offset = excavation ? -result.pa : result.pa;
      for (int i = 0; i < kSidePoints; ++i) {
        const double yi = y[static_cast<size_t>(i)];
        // Below 1e-14 the curve is the model's initial line; at zero it is
        // zero whatever the modulus.
        const double p = yi < kSmallDeflection ? (yi == 0 ? 0.0 : result.E0 * yi) : model.Resistance(yi);
        result.y[static_cast<size_t>(i)] = f.ym * yi;
        result.p[static_cast<size_t>(i)] = pm * p + offset;
      }

      if (excavation) {
        const double rate = model.ResistanceRate();
        if (!f.first_in_layer) {
          const double step = f.z - previous_z;
          profile.CumulativeResistance[n] += layout.accumulation == Accumulation::kRectangle
                                                 ? rate * step
                                                 : 0.5 * (previous_rate + rate) * step;
        }
        if (f.last_in_layer && layout.accumulate_to_bottom) {
          profile.CumulativeResistance[n] += rate * (f.layer_bottom - f.z);
        }
        previous_rate = rate;
      }
      run.output.WriteSide(model, f, result);
    }
    previous_z = f.z;
  }
}

}  // namespace darnek::soil
