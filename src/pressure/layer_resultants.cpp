// Resultant forces of the active earth pressure and the water pressure over
// each pressure layer above the excavation level, for the layer report. They
// are report values: the load on the wall comes from the pressure diagram.
#include <cmath>

#include "pressure/pressure_steps.h"
#include "pressure/surcharge_terms.h"

namespace darnek::pressure {

namespace {

// Magnitudes below this count as absent (single precision).
constexpr double kLoadGiven = static_cast<double>(1e-4f);
// 4/pi and 2/pi as the rounded factors of the resultant expressions.
constexpr double kLineFarFactor = static_cast<double>(1.273f);
constexpr double kStripFactor = static_cast<double>(0.6366f);
constexpr int kIntegrationPoints = 10;

// The surcharge that the layer report integrates: the last entry of the
// surcharge table (its magnitude under its own type), or the single surcharge
// of the surcharge record with all three magnitudes when the table is empty.
struct ReportSurcharge {
  double Point = 0, Line = 0, Strip = 0;
  double Distance = 0, Width = 0, Level = 0;
};

ReportSurcharge SurchargeForReport(const WallWaterData& wall) {
  ReportSurcharge s;
  if (wall.SurchargeLoads.empty()) {
    s.Point = wall.SeedPointLoad;
    s.Line = wall.SeedLineLoad;
    s.Strip = wall.SeedStripLoad;
    s.Distance = wall.SeedDistance;
    s.Width = wall.SeedStripWidth;
    return s;
  }
  const SurchargeLoad& last = wall.SurchargeLoads.back();
  if (last.Type == SurchargeType::Line)
    s.Line = last.Magnitude;
  else if (last.Type == SurchargeType::Strip)
    s.Strip = last.Magnitude;
  else
    s.Point = last.Magnitude;
  s.Distance = last.Distance;
  s.Width = last.Width;
  s.Level = last.VerticalDistance;
  return s;
}

// Rectangle rule (right ends) over ten depths of the layer, measured from
// the load level (the surface plus the load's vertical distance), so that a
// deeper layer sees the surcharge as far below the load as it lies.
double SurchargeResultant(const ReportSurcharge& s, double H, double top, double T) {
  const double m = s.Distance / H;
  double sum = 0;
  for (int j = 1; j <= kIntegrationPoints; ++j) {
    const double n = (top + j * T / kIntegrationPoints + s.Level) / H;
    double sigma = 0;
    if (s.Point > kLoadGiven) sigma += PointLoadPressure(s.Point, m, n, H);
    if (s.Line > kLoadGiven) sigma += LineLoadPressure(s.Line, m, n, H, kLineFarFactor);
    if (s.Strip > kLoadGiven) {
      const double alpha1 = std::atan((m + s.Width / (2 * H)) / n);
      const double alpha2 = std::atan((m - s.Width / (2 * H)) / n);
      sigma += kStripFactor * s.Strip * StripLoadPressureFactor(alpha1, alpha2);
    }
    sum += sigma * T / kIntegrationPoints;
  }
  return sum;
}

}  // namespace

void ComputeLayerResultants(ProblemData& data) {
  EarthPressureData& ep = data.Pressure;
  const double H = data.Wall.FreeHeight;
  const double zw = data.Wall.WaterDepthBackfill;
  const double gw = ep.UnitWeightWater;
  const ReportSurcharge surcharge = SurchargeForReport(data.Wall);
  const bool with_surcharge = H >= kZeroFreeHeight;

  double net = 0;
  for (int L = 1; L < ep.LP; ++L) {
    PressureLayer& layer = ep.Layers[static_cast<size_t>(L - 1)];
    const PressureLayer& below = ep.Layers[static_cast<size_t>(L)];
    const double T = layer.T;
    const double f = layer.F;
    const double sigma_top = layer.SIGVP;
    const double sigma_bottom = below.SIGVP;
    const double ge = (layer.DrainedFlag && layer.SubmergedFlag) ? layer.Gamma - gw : layer.Gamma;

    layer.PA1 = f * layer.Ka * sigma_top * T;
    if (with_surcharge) layer.PA1 += SurchargeResultant(surcharge, H, layer.ZTOP, T);
    layer.Z1 = layer.ZTOP + T / 2;
    layer.PA2 = 0.5 * f * layer.Ka * ge * T * T;
    layer.Z2 = layer.ZTOP + 2 * T / 3;
    layer.PA3 = -2 * f * T * layer.C * layer.SqrtKa;

    if (layer.PA1 + layer.PA3 < 0) {
      // Tension crack: only the triangle of positive active pressure below
      // the depth where it passes zero acts on the wall.
      const double cohesion = 2 * layer.C * layer.SqrtKa;
      const double pb = layer.Ka * sigma_bottom - cohesion;
      const double pt = layer.Ka * sigma_top - cohesion;
      // Height of that triangle; none when the pressure stays negative down
      // to the layer bottom.
      const double h = (pb > 0 && pb - pt > 0) ? T * pb / (pb - pt) : 0.0;
      layer.CrackDepth = T - h;
      layer.PA1 = layer.PA2 = layer.PA3 = 0;
      layer.PA4 = pb > 0 ? 0.5 * f * pb * h : 0.0;
      layer.Z3 = below.ZTOP - h / 3;
    }
    net += layer.PA1 + layer.PA2 + layer.PA3 + layer.PA4;
  }

  // Water above the excavation level: the diagram includes drained water
  // from here on, whatever the input said.
  if (ep.LW >= 1 && ep.LW < ep.LP) {
    for (int L = ep.LW; L < ep.LP; ++L) {
      PressureLayer& layer = ep.Layers[static_cast<size_t>(L - 1)];
      data.Wall.WaterPressureFlag = WaterPressure::Added;
      layer.PW1 = layer.PW2 = 0;
      if (!layer.DrainedFlag || !layer.SubmergedFlag) continue;
      const double T = layer.T;
      layer.PW1 = layer.F * gw * std::fmax(layer.ZTOP - zw, 0.0) * T;
      layer.PW2 = 0.5 * layer.F * gw * T * T;
      net += layer.PW1 + layer.PW2;
    }
  }
  ep.NetActiveResultant = net;
}

}  // namespace darnek::pressure
