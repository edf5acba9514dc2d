// Report sections of the soil profile and the heading of the p-y curves.
#include "soil/soil_report.h"

#include <algorithm>
#include <cmath>

#include "core/written_field.h"
#include "soil/py_frame.h"
#include "soil/soil_constants.h"
#include "soil/soil_profile.h"

namespace darnek::soil {

double ReportDepth(const ProblemData& d, double x) { return IsSI(d) ? x : x / 12; }

std::string DepthLabel(const ProblemData& d) { return IsSI(d) ? " M" : "FT"; }

std::string StressLabel(const UnitLabels& labels) {
  return labels.ForceLabel3 + "/" + labels.LengthLabel2 + "**2";
}

std::string UnitWeightLabel(const UnitLabels& labels) {
  return labels.ForceLabel3 + "/" + labels.LengthLabel2 + "**3";
}

std::string ForcePerLengthLabel(const UnitLabels& labels) {
  return labels.ForceLabel3 + "/" + labels.LengthLabel2;
}

namespace {

const char* SoilDescription(SoilType type) {
  switch (type) {
    case SoilType::SoftClay:
      return "THE SOIL IS A SOFT CLAY";
    case SoilType::StiffClayBelowWater:
      return "THE SOIL IS A STIFF CLAY BELOW THE WATER TABLE";
    case SoilType::StiffClayAboveWater:
      return "THE SOIL IS A STIFF CLAY ABOVE THE WATER TABLE";
    case SoilType::Sand:
      return "THE SOIL IS A SAND";
    case SoilType::Silt:
      return "THE SOIL IS A SILT";
    case SoilType::Rock:
      return "THE LAYER IS ROCK";
    case SoilType::WeakRock:
      return "THE LAYER IS WEAK ROCK";
  }
  return "";
}

}  // namespace

void WriteSoilProfile(RunContext& ctx) {
  const ProblemData& d = ctx.Data;
  const SoilProfile& profile = d.Profile;
  const UnitLabels& labels = d.Run.Labels;
  OutputUnit& out = ctx.Report;
  const std::string depth_label = DepthLabel(d);

  out.Write("( / / 6X 50('*') / 6X '*        SOIL LAYERS AND STRENGTH DATA           *' / 6X 50('*') / )");
  out.Write("( 6X 'X AT THE SURFACE OF EXCAVATION SIDE     = ' F10.3 1X A2 )",
            ReportDepth(d, d.Wall.FreeHeight), depth_label);

  const int num_layers = static_cast<int>(profile.Layers.size());
  // One digit as a rule; a second one only when the table has ten or more.
  out.Write(num_layers < 10 ? "( / 6X I1 ' LAYER(S) OF SOIL' )" : "( / 6X I2 ' LAYER(S) OF SOIL' )",
            num_layers);
  for (int n = 0; n < num_layers; ++n) {
    const SoilType type = profile.Layers[static_cast<size_t>(n)].SoilTypeCode;
    out.Write("( / 6X 'LAYER' I3 / 10X A )", n + 1, SoilDescription(type));
    if (IsCyclic(d) && !IsRock(type)) out.Write("( 15X 'CYCLIC MODEL' )");
  }

  const double H = d.Wall.FreeHeight;
  out.Write("( / / 6X 'DISTRIBUTION OF EFFECTIVE UNIT WEIGHT WITH DEPTH' / 6X I3 ' POINTS' / )",
            static_cast<int>(profile.UnitWeightCurve.size()));
  out.Write("( 11X 'X,' A2 2X 'WEIGHT,' A9 )", depth_label, UnitWeightLabel(labels));
  for (const UnitWeightPoint& point : profile.UnitWeightCurve) {
    out.Write("( F15.4 1P E15.4 )", ReportDepth(d, point.Z + H), point.Gamma);
  }

  out.Write("( / / 6X 'DISTRIBUTION OF STRENGTH PARAMETERS WITH DEPTH' / 6X I3 ' POINTS' / )",
            static_cast<int>(profile.StrengthCurve.size()));
  out.Write("( 11X 'X,' A2 2X 'S,' A9 2X 'PHI,DEGREES' 12X 'E50' )", depth_label, StressLabel(labels));
  for (const StrengthPoint& point : profile.StrengthCurve) {
    const double x = ReportDepth(d, point.Z + H);
    const double degrees = point.PHI * 180.0 / kPi;
    if (point.E50 <= 1e-6) {
      out.Write("( F15.2 1P E13.4 0P F13.3 10X '-----' )", x, point.S, degrees);
    } else {
      out.Write("( F15.2 1P E13.4 0P F13.3 1P E15.4 )", x, point.S, degrees, point.E50);
    }
  }
}

void WritePyCurvesHeading(RunContext& ctx) {
  OutputUnit& out = ctx.Report;
  const std::span<const ReductionFactorRow> table = ReductionRows(ctx.Data);
  if (!table.empty()) {
    out.Write(
        "( / / 6X 'REDUCTION FACTORS FOR CLOSELY-SPACED WALL ELEMENTS' / / "
        "6X 'DEPTH     P-FACTOR     Y-FACTOR' )");
    for (const ReductionFactorRow& row : table) {
      out.Write("( 4X F7.2 7X F6.2 7X F6.2 )", row.Depth, row.PFactor, row.YFactor);
    }
  }
  out.Write("( / / 6X 50('*') / 6X '*        P-Y CURVES DATA                         *' / 6X 50('*') )");
  // A run asked for curves at a spacing says so; no other run writes this.
  if (ctx.CurveSpacing > 0)
    out.Write(
        "( / 6X 'CURVES EVERY' 1P E11.4 A3 ' BELOW THE EXCAVATION LEVEL, AT THE LAYER BOUNDARIES"
        " AND AT THE WATER TABLE' )",
        ctx.CurveSpacing, ctx.Data.Run.Labels.LengthLabel);
}

ReportScratchOutput::ReportScratchOutput(RunContext& ctx, OutputUnit& scratch,
                                         std::vector<WrittenPyCurve>& curves)
    : ctx_(ctx), scratch_(scratch), curves_(curves) {
  record_.reserve(80);
}

double ReportScratchOutput::ReadBack(std::string_view field, const char* record, int item, const char* name) {
  try {
    return ReadWrittenReal(field, line_, record, item, name);
  } catch (const InputError& e) {
    if (!unreadable_) unreadable_ = e;
    return 0;
  }
}

void ReportScratchOutput::EndLine() {
  scratch_.Line(record_);
  record_.clear();
  ++line_;
}

namespace {

// List-directed fields, one at a time: an integer takes 12 columns, a real 26.
constexpr size_t kListInteger = 12;
constexpr size_t kListReal = 26;

void AppendListed(std::string& record, const fortran::Value& value) {
  fortran::AppendListDirected(record, std::span<const fortran::Value>(&value, 1));
}

}  // namespace

void ReportScratchOutput::WriteHead(int generated, std::span<const UserPyCurve> user) {
  line_ = 1;
  record_.clear();
  AppendListed(record_, static_cast<long long>(generated) + static_cast<long long>(user.size()));
  EndLine();
  const double h = ctx_.Data.C2.IncrementLength;
  for (const UserPyCurve& u : user) {
    const size_t points = std::min(u.Y.size(), u.P.size());
    AppendListed(record_, static_cast<long long>(u.Station));
    AppendListed(record_, static_cast<long long>(points));
    EndLine();
    WrittenPyCurve curve;
    curve.Station = u.Station;
    curve.Contd = u.Contd;
    curve.Depth = u.Station * h;
    curve.Deflection.reserve(points);
    curve.Resistance.reserve(points);
    for (size_t j = 0; j < points; ++j) {
      AppendListed(record_, static_cast<long long>(j + 1));
      AppendListed(record_, u.P[j] * u.PMultiplier);
      AppendListed(record_, u.Y[j] * u.YMultiplier);
      constexpr const char* kRecord = "p-y scratch file: user curve point";
      curve.Resistance.push_back(
          ReadBack(std::string_view(record_).substr(kListInteger, kListReal), kRecord, 2, "p"));
      curve.Deflection.push_back(
          ReadBack(std::string_view(record_).substr(kListInteger + kListReal, kListReal), kRecord, 3, "y"));
      EndLine();
    }
    curves_.push_back(std::move(curve));
  }
}

void ReportScratchOutput::BeginCurve(const CurveFrame& f) {
  AppendListed(record_, f.WallDepth);
  AppendListed(record_, static_cast<long long>(2 * kSidePoints));
  const double depth = ReadBack(std::string_view(record_).substr(0, kListReal),
                                "p-y scratch file: generated curve", 1, "depth");
  EndLine();
  const double h = ctx_.Data.C2.IncrementLength;
  WrittenPyCurve curve;
  curve.Station = static_cast<int>(std::round(depth / h));
  curve.Contd = 1;
  curve.Depth = depth;
  curves_.push_back(std::move(curve));
}

namespace {

// The heads and the data row of the soil quantities above a side's points.
void WriteCurveParameters(OutputUnit& report, const ProblemData& d, const CurveParameters& p) {
  const UnitLabels& labels = d.Run.Labels;
  const std::string stress = StressLabel(labels);
  const std::string force = ForcePerLengthLabel(labels);
  const double depth = ReportDepth(d, p.DepthBelowSurface);
  switch (p.Set) {
    case CurveParameterSet::SoftClay:
      report.Write(
          "( / 1X 'DEPTH BELOW GS' 6X 'DIAM' 10X 'C' 2X 'GAMMA AVG' 9X 'E50' / "
          "13X A2 8X A2 2X A9 2X A9 )",
          DepthLabel(d), labels.LengthLabel2, stress, UnitWeightLabel(labels));
      report.Write("( 5X F10.2 F10.3 1P 2E11.4 E12.4 )", depth, p.Width, p.Cohesion, p.UnitWeight,
                   p.StrainAtHalfStrength);
      return;
    case CurveParameterSet::StiffClay:
      report.Write(
          "( / 1X 'DEPTH BELOW GS' 6X 'DIAM' 10X 'C' 7X 'CAVG' 2X 'GAMMA AVG' 9X 'E50' / "
          "13X A2 8X A2 2X A9 2X A9 2X A9 )",
          DepthLabel(d), labels.LengthLabel2, stress, stress, UnitWeightLabel(labels));
      report.Write("( 5X F10.2 F10.3 1P 3E11.4 E12.4 )", depth, p.Width, p.Cohesion, p.AverageCohesion,
                   p.UnitWeight, p.StrainAtHalfStrength);
      return;
    case CurveParameterSet::Sand:
      if (!p.Continuous) {
        report.Write(
            "( / 1X 'DEPTH BELOW GS' 3X 'DIAM' 4X 'PHI' 2X 'GAMMA AVG' 4X 'A' 4X 'B' 6X 'PCT' 6X 'PCD' / "
            "13X A2 5X A2 4X 'DEG' 2X A9 13X A6 3X A6 )",
            DepthLabel(d), labels.LengthLabel2, UnitWeightLabel(labels), force, force);
        report.Write("( 5X F10.2 2F7.2 2X 1P E9.2 0P 2F5.2 1P 2E9.2 )", depth, p.Width, p.FrictionAngleDeg,
                     p.UnitWeight, p.FactorA, p.FactorB, p.WedgeResistance, p.FlowResistance);
      } else {
        report.Write(
            "( / 1X 'DEPTH BELOW GS' 3X 'DIAM' 4X 'PHI' 2X 'GAMMA AVG' 4X 'A' 4X 'B' 6X 'PC ' / "
            "13X A2 5X A2 4X 'DEG' 2X A9 13X A6 )",
            DepthLabel(d), labels.LengthLabel2, UnitWeightLabel(labels), force);
        report.Write("( 5X F10.2 2F7.2 2X 1P E9.2 0P 2F5.2 1P E9.2 )", depth, p.Width, p.FrictionAngleDeg,
                     p.UnitWeight, p.FactorA, p.FactorB, p.WedgeResistance);
      }
      return;
    case CurveParameterSet::Silt:
      // The phi of the last head is character 237 of code page 437.
      report.Write(
          "( / 5X 'DEPTH' 6X 'DIAM' 7X 'PHI' 1X 'GAMMA AVG' 9X 'A' 9X 'B' 7X 'Puc' 7X 'Pu' A1 / "
          "8X A2 8X A2 7X 'DEG' 1X A9 24X A6 4X A6 )",
          "\xED", DepthLabel(d), labels.LengthLabel2, UnitWeightLabel(labels), force, force);
      report.Write("( 2F10.2 F10.1 1P E10.3 0P 2F10.2 1P 2E10.3 )", depth, p.Width, p.FrictionAngleDeg,
                   p.UnitWeight, p.FactorA, p.FactorB, p.WedgeResistance, p.FlowResistance);
      return;
    case CurveParameterSet::Rock:
      if (p.Side == Side::Excavation) {
        report.Write("( / 1X 'DEPTH-EXCAVATION SIDE' 6X 'DIAM' 9X 'C' )");
      } else {
        report.Write("( / 3X 'DEPTH-BACKFILL SIDE' 6X 'DIAM' 9X 'C' )");
      }
      report.Write("( 20X A2 8X A2 1X A9 )", DepthLabel(d), labels.LengthLabel2, stress);
      report.Write("( 12X F10.2 F10.3 1P E10.1 )", depth, p.Width, p.RockStrength);
      return;
    case CurveParameterSet::WeakRock:
      report.Write(
          "( / 10X 'DEPTH' 6X 'DIAM' 9X 'Qu' 7X ' Eu ' 2X 'GAMMA AVG' 9X 'E50' / "
          "13X A2 8X A2 2X A9 2X A9 2X A9 )",
          DepthLabel(d), labels.LengthLabel2, stress, stress, UnitWeightLabel(labels));
      report.Write("( 5X F10.2 F10.3 1P 3E11.4 E12.4 )", depth, p.Width, p.RockStrength, p.RockModulus,
                   p.UnitWeight, p.StrainAtHalfStrength);
      return;
  }
}

}  // namespace

void ReportScratchOutput::StrengthCurveExceeded(double z) {
  ctx_.Report.Write(
      "( / 6X '**** WARNING ****' / 6X 'THE VALUE OF X =' F12.3 / "
      "6X 'IS BEYOND THE EXTENT OF THE' / 6X 'INPUT CURVE FOR STRENGTH' )",
      z);
}

void ReportScratchOutput::WriteSide(const CurveLayout& layout, const CurveFrame& f,
                                    const SideResult& result) {
  OutputUnit& report = ctx_.Report;
  const UnitLabels& labels = ctx_.Data.Run.Labels;
  // Rock heads its rows with the side itself.
  if (result.Parameters.Set != CurveParameterSet::Rock) {
    if (f.Side == Side::Excavation) {
      report.Write("( / 6X 'AT THE EXCAVATION SIDE' )");
    } else {
      report.Write("( / 6X 'AT THE BACKFILL SIDE' )");
    }
  }
  WriteCurveParameters(report, ctx_.Data, result.Parameters);
  report.Write(layout.PointHeads, labels.LengthLabel2, ForcePerLengthLabel(labels));
  for (size_t i = 0; i < kSidePoints; ++i) {
    if (layout.WarnSmallDeflection && i > 0 && result.Y[i] < kSmallDeflection) {
      report.Write(
          "( / 6X '**** WARNING ****' / 6X 'DEFLECTION IS LESS THAN 1.0E-14.  THE PROGRAM' / "
          "6X 'USED A SOIL MODULUS OF ' 1P E12.4 )",
          result.E0);
    }
    report.Write(layout.PointRow, result.Y[i], result.P[i]);
    WriteScratchPoint(layout.ScratchRow, f.Side, i, result.P[i], result.Y[i]);
  }
  report.Write("( ' P-Multiplier = ' F8.4 ' Y-Multiplier = ' F8.4 )", f.Pm, f.Ym);
  if (f.Side == Side::Backfill && !curves_.empty()) {
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
}

void ReportScratchOutput::WriteScratchPoint(const ScratchRowForm& form, Side side, size_t i, double p,
                                            double y) {
  fortran::FieldRecord& row = row_;
  row.Clear();
  row.I(5, static_cast<long long>(i + 1));
  row.Blanks(form.BlanksBeforeP);
  const size_t p_at = row.size();
  double p_read = 0;
  const bool p_known = row.E(10, 3, p, form.Scale, p_read);
  row.Blanks(form.BlanksBeforeY);
  const size_t y_at = row.size();
  double y_read = 0;
  const bool y_known = row.E(10, 3, y, form.Scale, y_read);
  const bool excavation = side == Side::Excavation;
  const char* record =
      excavation ? "p-y scratch file: excavation-side point" : "p-y scratch file: backfill-side point";
  (excavation ? excavation_p_ : backfill_p_)[i] =
      p_known ? p_read : ReadBack(row.Text().substr(p_at, 10), record, 2, "p");
  (excavation ? excavation_y_ : backfill_y_)[i] =
      y_known ? y_read : ReadBack(row.Text().substr(y_at, 10), record, 3, "y");
  scratch_.Line(row.Text());
  ++line_;
}

}  // namespace darnek::soil
