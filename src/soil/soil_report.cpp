// Report sections of the soil profile and the heading of the p-y curves.
#include "soil/soil_report.h"

#include <algorithm>
#include <cmath>

#include "core/printed_value.h"
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
  if (num_layers < 10)
    out.Write("( / 6X I1 ' LAYER(S) OF SOIL' )", num_layers);
  else
    out.Write("( / 6X I2 ' LAYER(S) OF SOIL' )", num_layers);
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

void CurveWriter::EndLine() {
  scratch_->Line(record_);
  record_.clear();
}

namespace {

void AppendListed(std::string& record, const fortran::Value& value) {
  fortran::AppendListDirected(record, std::span<const fortran::Value>(&value, 1));
}

}  // namespace

void CurveWriter::WriteHead(int generated, std::span<const UserPyCurve> user) {
  if (!scratch_) return;
  record_.clear();
  AppendListed(record_, static_cast<long long>(generated) + static_cast<long long>(user.size()));
  EndLine();
  for (const UserPyCurve& u : user) {
    const size_t points = std::min(u.Y.size(), u.P.size());
    AppendListed(record_, static_cast<long long>(u.Station));
    AppendListed(record_, static_cast<long long>(points));
    EndLine();
    for (size_t j = 0; j < points; ++j) {
      AppendListed(record_, static_cast<long long>(j + 1));
      AppendListed(record_, u.P[j] * u.PMultiplier);
      AppendListed(record_, u.Y[j] * u.YMultiplier);
      EndLine();
    }
  }
}

void CurveWriter::BeginCurve(const CurveFrame& f) {
  if (!scratch_) return;
  AppendListed(record_, f.WallDepth);
  AppendListed(record_, static_cast<long long>(2 * kSidePoints));
  EndLine();
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

void CurveWriter::StrengthCurveExceeded(double z) {
  ctx_.Report.Write(
      "( / 6X '**** WARNING ****' / 6X 'THE VALUE OF X =' F12.3 / "
      "6X 'IS BEYOND THE EXTENT OF THE' / 6X 'INPUT CURVE FOR STRENGTH' )",
      z);
}

void CurveWriter::WriteSide(const CurveLayout& layout, const CurveFrame& f, const SideResult& result) {
  PrintedSide printed;
  WriteSide(layout, f, result, printed);
}

bool CurveWriter::WriteSide(const CurveLayout& layout, const CurveFrame& f, const SideResult& result,
                            PrintedSide& printed) {
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
  const ScratchRowForm& form = layout.ScratchRow;
  const FieldForm field = ScratchPointField(form);
  for (size_t i = 0; i < kSidePoints; ++i) {
    if (layout.WarnSmallDeflection && i > 0 && result.Y[i] < kSmallDeflection) {
      report.Write(
          "( / 6X '**** WARNING ****' / 6X 'DEFLECTION IS LESS THAN 1.0E-14.  THE PROGRAM' / "
          "6X 'USED A SOIL MODULUS OF ' 1P E12.4 )",
          result.E0);
    }
    report.Write(layout.PointRow, result.Y[i], result.P[i]);
    if (!scratch_) continue;
    row_.Clear();
    row_.I(5, static_cast<long long>(i + 1));
    row_.Blanks(form.BlanksBeforeP);
    printed.PShown[i] = PutPrinted(row_.Take(10), result.P[i], field, printed.P[i]);
    row_.Blanks(form.BlanksBeforeY);
    printed.YShown[i] = PutPrinted(row_.Take(10), result.Y[i], field, printed.Y[i]);
    scratch_->Line(row_.Text());
  }
  report.Write("( ' P-Multiplier = ' F8.4 ' Y-Multiplier = ' F8.4 )", f.Pm, f.Ym);
  return scratch_ != nullptr;
}

}  // namespace darnek::soil
