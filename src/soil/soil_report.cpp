// Report sections of the soil profile and the heading of the p-y curves.
#include "soil/soil_report.h"

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
  const ProblemData& d = ctx.data;
  const SoilProfile& profile = d.Profile;
  const UnitLabels& labels = d.Run.Labels;
  OutputUnit& out = ctx.report;
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
  OutputUnit& out = ctx.report;
  const std::span<const ReductionFactorRow> table = ReductionRows(ctx.data);
  if (!table.empty()) {
    out.Write(
        "( / / 6X 'REDUCTION FACTORS FOR CLOSELY-SPACED WALL ELEMENTS' / / "
        "6X 'DEPTH     P-FACTOR     Y-FACTOR' )");
    for (const ReductionFactorRow& row : table) {
      out.Write("( 4X F7.2 7X F6.2 7X F6.2 )", row.Depth, row.PFactor, row.YFactor);
    }
  }
  out.Write("( / / 6X 50('*') / 6X '*        P-Y CURVES DATA                         *' / 6X 50('*') )");
}

}  // namespace darnek::soil
