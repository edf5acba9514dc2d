// The generation step of internal p-y curves and the multipliers applied to
// every generated point.
#include <algorithm>
#include <cmath>
#include <span>
#include <string>

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

void GeneratePyCurves(RunContext& ctx) {
  ctx.files.py_scratch.Restart();
  OutputUnit scratch;
  scratch.Attach(ctx.files.py_scratch);
  ctx.py_curves_text.clear();
  scratch.KeepCopy(&ctx.py_curves_text);
  BuildSoilProfile(ctx);
  ProblemData& d = ctx.data;
  CheckCurveModulus(d);

  const std::span<const UserPyCurve> user = UserCurves(d);
  scratch.List(5 * static_cast<int>(d.Profile.Layers.size()) + static_cast<int>(user.size()));
  for (const UserPyCurve& curve : user) {
    const size_t points = std::min(curve.Y.size(), curve.P.size());
    scratch.List(curve.Station, static_cast<int>(points));
    for (size_t j = 0; j < points; ++j) {
      scratch.List(static_cast<int>(j + 1), curve.P[j] * curve.PMultiplier, curve.Y[j] * curve.YMultiplier);
    }
  }

  WritePyCurvesHeading(ctx);
  SetCurveDepths(d);
  ReportScratchOutput output(ctx, scratch);
  DispatchLayers(ctx, output);
  scratch.Close();
}

// ------------------------------------------------------------------ report

void PyModel::WriteSideHeading(RunContext& ctx, const CurveFrame& f) const {
  if (f.side == Side::kExcavation) {
    ctx.report.Write("( / 6X 'AT THE EXCAVATION SIDE' )");
  } else {
    ctx.report.Write("( / 6X 'AT THE BACKFILL SIDE' )");
  }
}

void ReportScratchOutput::BeginCurve(const CurveFrame& f) { scratch_.List(f.wall_depth, 2 * kSidePoints); }

void ReportScratchOutput::WriteSide(const PyModel& model, const CurveFrame& f, const SideResult& result) {
  OutputUnit& report = ctx_.report;
  const CurveLayout& layout = model.Layout();
  const UnitLabels& labels = ctx_.data.Run.Labels;
  model.WriteSideHeading(ctx_, f);
  model.WriteQuantities(ctx_, f);
  report.Write(layout.point_heads, labels.LengthLabel2, ForcePerLengthLabel(labels));
  for (size_t i = 0; i < kSidePoints; ++i) {
    if (layout.warn_small_deflection && i > 0 && result.y[i] < kSmallDeflection) {
      report.Write(
          "( / 6X '**** WARNING ****' / 6X 'DEFLECTION IS LESS THAN 1.0E-14.  THE PROGRAM' / "
          "6X 'USED A SOIL MODULUS OF ' 1P E12.4 )",
          result.E0);
    }
    report.Write(layout.point_row, result.y[i], result.p[i]);
    scratch_.Write(layout.scratch_row, static_cast<int>(i + 1), result.p[i], result.y[i]);
  }
  report.Write("( ' P-Multiplier = ' F8.4 ' Y-Multiplier = ' F8.4 )", f.pm, f.ym);
}

}  // namespace darnek::soil
