// The generation step of internal p-y curves and the multipliers applied to
// every generated point.
#include <algorithm>
#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/report_helpers.h"
#include "soil/py_curves.h"
#include "soil/py_frame.h"
#include "soil/soil_profile.h"
#include "soil/soil_report.h"

namespace darnek::soil {

namespace {

std::span<const UserPyCurve> UserCurves(const ProblemData& d) {
  // A later stage without user curves may still hold an earlier stage's.
  const size_t n = std::min(static_cast<size_t>(std::max(d.C1.NumUserPyCurves, 0)), d.UserPyCurves.size());
  return {d.UserPyCurves.data(), n};
}

// A column of the reduction-factor table interpolated on depth; 1 outside
// the table or for a table of one row.
double ReductionFactor(const ProblemData& d, double x, double ReductionFactorRow::*column) {
  const std::span<const ReductionFactorRow> rows = ReductionRows(d);
  const size_t m = rows.size();
  if (m < 2 || x < rows.front().Depth || x > rows.back().Depth) return 1;
  size_t k = 1;
  while (x > rows[k].Depth) ++k;
  if (x == rows[k].Depth) {
    // A depth repeated in the next row is a step: the deeper row governs.
    if (k + 1 < m && rows[k + 1].Depth == rows[k].Depth) return rows[k + 1].*column;
    return rows[k].*column;
  }
  const ReductionFactorRow& a = rows[k - 1];
  const ReductionFactorRow& b = rows[k];
  return a.*column + (b.*column - a.*column) * (x - a.Depth) / (b.Depth - a.Depth);
}

// Generated sand and silt curves rise along the initial line k x; without it
// they have no shape at all. Only the layers that get curves need it: one
// wholly above the excavation level or below the profile's end has none.
void CheckCurveModulus(const ProblemData& d) {
  for (const ProfileLayer& p : d.Profile.Layers) {
    if ((p.SoilTypeCode != SoilType::Sand && p.SoilTypeCode != SoilType::Silt) || p.SoilModulusK > 0)
      continue;
    const SoilLayer& layer = d.Soil.Layers[static_cast<size_t>(p.InputLayer)];
    throw InputError(layer.Line, "soil layer " + std::to_string(p.InputLayer + 1) + ", record L2 (layer top)",
                     5, "SoilModulusK",
                     std::string("the modulus of subgrade reaction k of a ") +
                         (p.SoilTypeCode == SoilType::Sand ? "sand" : "silt") +
                         " layer must be positive to generate its p-y curves, found " +
                         NumberText(p.SoilModulusK));
  }
}

// A curve spacing that would need more curves than the table holds, said
// with the spacing that would fit.
void CheckSpacedCurveCount(const ProblemData& d, double spacing, int count) {
  if (count <= kMaxSpacedPyCurves) return;
  double length = 0;
  for (const ProfileLayer& p : d.Profile.Layers) length += p.Bottom - p.Top;
  // The depths at the layer ends and the water table come on top of those
  // at the spacing.
  const int ends = 3 * static_cast<int>(d.Profile.Layers.size()) + 1;
  const double fits = length / std::max(1, kMaxSpacedPyCurves - ends -
                                               (count - static_cast<int>(d.Profile.CurveDepths.size())));
  throw InputError("the curve spacing " + NumberText(spacing) + " gives " + std::to_string(count) +
                   " p-y curves, more than the " + std::to_string(kMaxSpacedPyCurves) +
                   " the curve table holds: a spacing of " + GeneralText(fits * 1.05, 2) + " or more fits");
}

}  // namespace

std::span<const ReductionFactorRow> ReductionRows(const ProblemData& d) {
  const size_t n = std::min(static_cast<size_t>(std::max(d.C1.NumPyModificationFactors, 0)),
                            d.ReductionFactorTable.size());
  return {d.ReductionFactorTable.data(), n};
}

double PMultiplier(const ProblemData& d, double x) {
  // Closely-spaced reduction of the resistance of soldier piles and shafts,
  // fitted as 0.5292 R^0.5659 with single-precision constants, between a
  // continuous wall (R < 1.1) and isolated elements (R >= 3.1).
  const double ratio = d.Wall.WA / d.Wall.WP;
  double automatic = 1;
  if (ratio >= kSpacedRatio && ratio < kIsolatedRatio && x >= d.Wall.FreeHeight) {
    automatic = Single(0.5292f) * std::pow(ratio, Single(0.5659f));
  }
  if (ReductionRows(d).empty()) return automatic;
  const double factor = ReductionFactor(d, x, &ReductionFactorRow::PFactor);
  return d.CombineAutoReduction == ReductionCombination::WithAutomatic ? factor * automatic : factor;
}

double YMultiplier(const ProblemData& d, double x) {
  if (ReductionRows(d).empty()) return 1;
  return ReductionFactor(d, x, &ReductionFactorRow::YFactor);
}

std::vector<WrittenPyCurve> GeneratePyCurves(RunContext& ctx) {
  ctx.Files.PyScratch.Restart();
  OutputUnit scratch;
  scratch.Attach(ctx.Files.PyScratch);
  BuildSoilProfile(ctx);
  ProblemData& d = ctx.Data;
  CheckCurveModulus(d);

  const std::span<const UserPyCurve> user = UserCurves(d);
  SetCurveDepths(d, ctx.CurveSpacing);
  const int generated = static_cast<int>(d.Profile.CurveDepths.size());
  if (ctx.CurveSpacing > 0)
    CheckSpacedCurveCount(d, ctx.CurveSpacing, generated + static_cast<int>(user.size()));
  std::vector<WrittenPyCurve> curves;
  curves.reserve(user.size() + static_cast<size_t>(generated));
  ReportScratchOutput output(ctx, scratch, curves);
  output.WriteHead(generated, user);

  WritePyCurvesHeading(ctx);
  DispatchLayers(ctx, output);
  scratch.Close();
  // The file and the report are whole before either fault stops the stage.
  if (curves.size() > static_cast<size_t>(ctx.CurveSpacing > 0 ? kMaxSpacedPyCurves : kMaxPyCurves))
    throw StorageExceeded();
  if (output.Unreadable()) throw *output.Unreadable();
  return curves;
}

void FillCurveTable(ProblemData& d, std::span<const WrittenPyCurve> curves) {
  const double h = d.C2.IncrementLength;
  d.PyCurves.clear();
  d.PyCurves.reserve(curves.size());
  for (const WrittenPyCurve& written : curves) {
    PyCurve curve;
    curve.From = curve.To = written.Station;
    curve.Contd = written.Contd;
    curve.Y = written.Deflection;
    curve.P.reserve(written.Resistance.size());
    for (double p : written.Resistance) curve.P.push_back(p * h);
    d.PyCurves.push_back(std::move(curve));
  }
}

}  // namespace darnek::soil
