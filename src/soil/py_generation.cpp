// The generation step of internal p-y curves and the multipliers applied to
// every generated point.
#include <algorithm>
#include <cmath>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/printed_value.h"
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

// The curves as the p-y scratch file holds them, every field at its
// precision (core/printed_value.h): computed beside the writer, which gets
// every call passed on. It counts the file's lines as the writer writes
// them, to name the line of the first field whose value the solver could not
// take (the generation goes on, so that the file and the report are whole).
class PrintedCurves final : public CurveOutput {
 public:
  PrintedCurves(double h, CurveWriter& writer, std::vector<WrittenPyCurve>& curves)
      : h_(h), writer_(writer), curves_(curves) {}

  // The user's curves with their multipliers applied, after the line of the
  // curve count.
  void AddUserCurves(std::span<const UserPyCurve> user) {
    line_ = 2;
    for (const UserPyCurve& u : user) {
      const size_t points = std::min(u.Y.size(), u.P.size());
      ++line_;
      WrittenPyCurve curve;
      curve.Station = u.Station;
      curve.Contd = u.Contd;
      curve.Depth = u.Station * h_;
      curve.Deflection.reserve(points);
      curve.Resistance.reserve(points);
      for (size_t j = 0; j < points; ++j, ++line_) {
        constexpr const char* kRecord = "p-y scratch file: user curve point";
        curve.Resistance.push_back(Printed(u.P[j] * u.PMultiplier, FieldForm::List(), kRecord, 2, "p"));
        curve.Deflection.push_back(Printed(u.Y[j] * u.YMultiplier, FieldForm::List(), kRecord, 3, "y"));
      }
      curves_.push_back(std::move(curve));
    }
  }

  void BeginCurve(const CurveFrame& f) override {
    writer_.BeginCurve(f);
    const double depth =
        Printed(f.WallDepth, FieldForm::List(), "p-y scratch file: generated curve", 1, "depth");
    ++line_;
    WrittenPyCurve curve;
    curve.Station = static_cast<int>(std::round(depth / h_));
    curve.Contd = 1;
    curve.Depth = depth;
    curves_.push_back(std::move(curve));
  }

  void StrengthCurveExceeded(double z) override { writer_.StrengthCurveExceeded(z); }

  void WriteSide(const CurveLayout& layout, const CurveFrame& f, const SideResult& result) override {
    // Where the scratch file is kept, its fields' values come with the
    // digits written; otherwise they are computed alone.
    PrintedSide fields;
    const bool written = writer_.WriteSide(layout, f, result, fields);
    const bool excavation = f.Side == Side::Excavation;
    const char* record =
        excavation ? "p-y scratch file: excavation-side point" : "p-y scratch file: backfill-side point";
    const FieldForm form = ScratchPointField(layout.ScratchRow);
    SidePoints& p = excavation ? excavation_p_ : backfill_p_;
    SidePoints& y = excavation ? excavation_y_ : backfill_y_;
    for (size_t i = 0; i < kSidePoints; ++i, ++line_) {
      if (!written) {
        fields.PShown[i] = PrintedValue(result.P[i], form, fields.P[i]);
        fields.YShown[i] = PrintedValue(result.Y[i], form, fields.Y[i]);
      }
      p[i] = Readable(result.P[i], fields.PShown[i], fields.P[i], form, record, 2, "p");
      y[i] = Readable(result.Y[i], fields.YShown[i], fields.Y[i], form, record, 3, "y");
    }
    if (excavation || curves_.empty()) return;
    // The backfill side at negative deflections, then the excavation side
    // without its point at zero deflection.
    WrittenPyCurve& curve = curves_.back();
    curve.Deflection.resize(2 * kSidePoints - 1);
    curve.Resistance.resize(2 * kSidePoints - 1);
    for (size_t j = 0; j < kSidePoints; ++j) {
      curve.Deflection[kSidePoints - 1 - j] = -backfill_y_[j];
      curve.Resistance[kSidePoints - 1 - j] = backfill_p_[j];
    }
    for (size_t j = 1; j < kSidePoints; ++j) {
      curve.Deflection[kSidePoints - 1 + j] = excavation_y_[j];
      curve.Resistance[kSidePoints - 1 + j] = -excavation_p_[j];
    }
  }

  const std::optional<InputError>& Unreadable() const { return unreadable_; }

 private:
  // The field's value, or 0 and the first fault kept.
  double Printed(double x, const FieldForm& form, const char* record, int item, const char* name) {
    double value = 0;
    const bool shown = PrintedValue(x, form, value);
    return Readable(x, shown, value, form, record, item, name);
  }

  // `value`, the value of the field of form `form` showing x (when `shown`),
  // or 0 and the first fault kept.
  double Readable(double x, bool shown, double value, const FieldForm& form, const char* record, int item,
                  const char* name) {
    if (ReadableReal(shown, value)) return value;
    if (!unreadable_) unreadable_ = UnreadableField(x, form, line_, record, item, name);
    return 0;
  }

  double h_;
  CurveWriter& writer_;
  std::vector<WrittenPyCurve>& curves_;
  int line_ = 2;  // of the scratch file, the record whose fields are computed
  std::optional<InputError> unreadable_;
  // The sides of the generated curve, as the file holds them.
  SidePoints excavation_p_{};
  SidePoints excavation_y_{};
  SidePoints backfill_p_{};
  SidePoints backfill_y_{};
};

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
  RunFile& file = ctx.Files.PyScratch;
  OutputUnit scratch;
  if (!file.Discarded()) {
    file.Restart();
    scratch.Attach(file);
  }
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
  CurveWriter writer(ctx, scratch.IsOpen() ? &scratch : nullptr);
  writer.WriteHead(generated, user);
  PrintedCurves printed(d.C2.IncrementLength, writer, curves);
  printed.AddUserCurves(user);

  WritePyCurvesHeading(ctx);
  DispatchLayers(ctx, printed);
  scratch.Close();
  // The file and the report are whole before either fault stops the stage.
  if (curves.size() > static_cast<size_t>(ctx.CurveSpacing > 0 ? kMaxSpacedPyCurves : kMaxPyCurves))
    throw StorageExceeded();
  if (printed.Unreadable()) throw *printed.Unreadable();
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
