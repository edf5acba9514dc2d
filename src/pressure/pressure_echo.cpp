// Report sections of the earth-pressure preparation: the wall, surcharge and
// soil echo (WritePressureInput), the overburden and coefficient tables, and the layer
// resultants (WriteLayerResultants).
#include <string>

#include "core/errors.h"
#include "pressure/pressure_steps.h"

namespace darnek::pressure {

namespace {

struct Labels {
  std::string Length;     // analysis length unit, 3 characters
  std::string Depth;      // unit of printed depths (feet in English units), 3 characters
  std::string WallDepth;  // unit of H, zw, ze in the wall echo
  std::string Stress;
  std::string UnitWeight;
  std::string Force;
  std::string ForcePerLength;
};

Labels LabelsOf(const ProblemData& data) {
  const UnitLabels& u = data.Run.Labels;
  Labels l;
  l.Length = u.LengthLabel;
  const bool english = IsEnglish(data);
  l.Depth = english ? u.LargeLengthLabel.substr(0, 3) : u.LengthLabel;
  l.WallDepth = english ? u.LargeLengthLabel : u.LengthLabel;
  l.Stress = u.ForceLabel + "/" + u.LengthLabel2 + "**" + "2";
  l.UnitWeight = u.ForceLabel + "/" + u.LengthLabel2 + "**" + "3";
  l.Force = u.ForceLabel;
  l.ForcePerLength = u.ForceLabel + "/" + u.LengthLabel2;
  return l;
}

// Depths are printed in feet in English units.
double PrintedDepth(const ProblemData& data, double depth) { return IsEnglish(data) ? depth / 12 : depth; }

void WriteWallInformation(RunContext& ctx, const Labels& l) {
  const ProblemData& d = ctx.Data;
  const WallWaterData& w = d.Wall;
  OutputUnit& out = ctx.Report;
  out.Write(
      "( / / / 6X 50('*') / 6X '*                WALL INFORMATION                *' / "
      "6X 50('*') / / )");
  const auto line = [&](const char* label, double value, const std::string& unit) {
    out.Write("( 6X A F10.3 A )", label, value, unit);
  };
  line("FREE HEIGHT OF WALL                    = ", PrintedDepth(d, w.FreeHeight), l.WallDepth);
  line("WIDTH FOR EARTH PRESSURE, WA           = ", w.WA, l.Length);
  line("WIDTH FOR SOIL RESISTANCE, WP          = ", w.WP, l.Length);
  line("DEPTH TO THE WATER TABLE AT BACKFILL   = ", PrintedDepth(d, w.WaterDepthBackfill), l.WallDepth);
  line("DEPTH TO THE WATER TABLE AT EXCAVATION = ", PrintedDepth(d, w.WaterDepthExcavation), l.WallDepth);
  line("UNIT WEIGHT OF WATER                   = ", d.Pressure.UnitWeightWater, l.UnitWeight);
  line("SLOPE OF THE BACKFILL (deg.)           = ", w.BackfillSlope, "");
  line("SLOPE OF THE EXCAVATION GROUND (deg.)  = ", 0.0, "");
  line("MODIFICATION FOR ACTIVE EARTH PRESSURE = ", w.ActiveModificationFactor, "");
  out.EndRecord();
}

void WriteSurchargeInformation(RunContext& ctx, const Labels& l) {
  const WallWaterData& w = ctx.Data.Wall;
  OutputUnit& out = ctx.Report;
  out.Write(
      "( / / 6X 50('*') / 6X '*              SURCHARGE INFORMATION             *' / "
      "6X 50('*') / / / 6X 'UNIFORM SURFACE PRESSURE     =' F10.3 A )",
      w.SurfacePressure, l.Stress);
  for (size_t i = 0; i < w.SurchargeLoads.size(); ++i) {
    const SurchargeLoad& s = w.SurchargeLoads[i];
    const int number = static_cast<int>(i) + 1;
    const bool point = s.Type == SurchargeType::Point;
    if (s.Type != SurchargeType::Strip) {
      out.Write("( / 6X 'SURCHARGE LOADING NO.        = ' I10 / 6X A F10.3 A )", number,
                point ? "POINT LOAD                   = " : "LINE LOAD                    = ", s.Magnitude,
                point ? l.Force : l.ForcePerLength);
      out.Write("( 6X 'HORIZONTAL DISTANCE BETWEEN  = ' F10.3 A / 6X 'THE WALL AND SURCHARGE         ' )",
                s.Distance, l.Length);
    } else {
      out.Write(
          "( / 6X 'SURCHARGE LOADING NO.        = ' I10 / "
          "6X 'STRIP LOAD                   = ' F10.3 A / "
          "6X 'WIDTH OF THE STRIP LOAD      = ' F10.3 A / "
          "6X 'HORIZONTAL DISTANCE BETWEEN  = ' F10.3 A / "
          "6X 'WALL AND MIDDLE OF STRIP WIDTH          ' )",
          number, s.Magnitude, l.Stress, s.Width, l.Length, s.Distance, l.Length);
    }
    out.Write(
        "( 6X 'VERTICAL DISTANCE BETWEEN    = ' F10.3 A / 6X 'THE WALL AND SURCHARGE         ' / "
        "6X 'FACTOR FOR SURCHARGE LOAD    = ' F10.3 / )",
        s.VerticalDistance, l.Length, s.Factor);
  }
  if (!w.SurchargeLoads.empty() && w.FreeHeight < kZeroFreeHeight) {
    out.Write(
        "( / 6X '**** WARNING ****' / "
        "6X 'THE FREE HEIGHT OF WALL IS ZERO: THE SURCHARGE LOADS ARE NOT APPLIED' / "
        "6X '(THEIR LATERAL PRESSURES ARE SCALED BY THE FREE HEIGHT).' )");
  }
}

void WriteSoilInformation(RunContext& ctx) {
  const ProblemData& d = ctx.Data;
  OutputUnit& out = ctx.Report;
  out.Write(
      "( / / 6X 50('*') / 6X '*                SOIL INFORMATION                *' / 6X 50('*') / "
      "7X '         TOTAL   COHESION/       TOTAL UNIT' / "
      "7X 'LAYER  THICKNESS STRENGTH    PHI   WEIGHT   DRAINED  ZTOP' )");
  if (IsEnglish(d)) {
    out.Write("( 7X 'NO.' 6X 'FT' 8X 'PSI' 7X 'DEG' 5X 'PCI' 5X 'T OR F' 3X 'FT' )");
  } else {
    out.Write("( 7X 'NO.' 6X ' M' 8X 'kPa' 7X 'DEG' 3X 'kN/M^3' 4X 'T OR F' 3X ' M' )");
  }
  for (int L = 1; L <= static_cast<int>(d.Pressure.Layers.size()); ++L) {
    const PressureLayer& p = d.Pressure.Layers[static_cast<size_t>(L - 1)];
    out.Write("( 7X I3 E9.1 E10.1 E10.1 E9.3 5X A1 E10.2 )", L, PrintedDepth(d, p.T), p.C, p.Phi, p.Gamma,
              p.DrainedFlag ? "T" : "F", PrintedDepth(d, p.ZTOP));
  }
}

}  // namespace

void WritePressureInput(RunContext& ctx) {
  const Labels l = LabelsOf(ctx.Data);
  WriteWallInformation(ctx, l);
  WriteSurchargeInformation(ctx, l);
  WriteSoilInformation(ctx);
  const EarthPressureData& ep = ctx.Data.Pressure;
  if (ep.LP == 0) {
    throw FatalStop("the soil profile ends at or above the excavation level", 1);
  }
  if (ep.Overflow) {
    throw FatalStop("the soil profile needs more than 20 pressure layers", 2);
  }
}

void WriteOverburdenTable(RunContext& ctx) {
  const ProblemData& d = ctx.Data;
  const Labels l = LabelsOf(d);
  OutputUnit& out = ctx.Report;
  out.Write(
      "( / / 6X 50('*') / 6X '*            EFFECTIVE OVERBURDEN STRESS         *' / 6X 50('*') / "
      "/ 6X '          DEPTH                     STRESS       ' / 16X A3 22X A )",
      l.Depth, l.Stress);
  for (const PressureLayer& p : d.Pressure.Layers) {
    out.Write("( 12X F10.3 17X F10.3 )", PrintedDepth(d, p.ZTOP), p.SIGVPEffective);
  }
}

void WriteCoefficientTable(RunContext& ctx) {
  const ProblemData& d = ctx.Data;
  OutputUnit& out = ctx.Report;
  out.Write(
      "( / / 6X 50('*') / 6X '* ACTIVE AND PASSIVE EARTH PRESSURE COEFFICIENT  *' / 6X 50('*') / "
      "/ 6X '  LAYER         ACTIVE EARTH     PASSIVE EARTH   ' '  OPTIONAL EARTH' "
      "/ 6X '   NO.          COEFFICIENT      COEFFICIENT     ' '  COEFFICIENT   ' )");
  for (int L = 1; L <= d.Pressure.NL; ++L) {
    const PressureLayer& p = d.Pressure.Layers[static_cast<size_t>(L - 1)];
    if (p.SlopeWarning) {
      static constexpr char kWarning[] =
          "( / / '**** WARNING ******' / "
          "'THE BACKFILL SLOPE ANGLE SHOULD BE LESS THAN THE ''INTERNAL FRICTION ANGLE OF SAND.' )";
      ctx.Log.Write(kWarning);
      out.Write(kWarning);
    }
    out.Write("( 10X I2 9X F10.3 8X F10.3 8X F10.3 )", L, p.ComputedKa, p.Kp, p.OptionalCoefficient);
  }
}

void WriteLayerResultants(RunContext& ctx) {
  const ProblemData& d = ctx.Data;
  const EarthPressureData& ep = d.Pressure;
  const Labels l = LabelsOf(d);
  OutputUnit& out = ctx.Report;
  // The depth columns print with F6.2: a six-character E field cannot hold a
  // value, and the headings are laid out for six characters.
  out.Write(
      "( / / 6X 50('*') / 6X '*      ACTIVE EARTH PRESSURE OF EACH LAYER       *' / 6X 50('*') / "
      "/ 6X ' LAYER    PA1     Z1       PA2     Z2         PA3     Z3' '        PA4' "
      "/ 6X '  NO' 2X A7 3(4X A3 4X A7) )",
      l.ForcePerLength, l.Depth, l.ForcePerLength, l.Depth, l.ForcePerLength, l.Depth, l.ForcePerLength);
  for (int L = 1; L < ep.LP; ++L) {
    const PressureLayer& p = ep.Layers[static_cast<size_t>(L - 1)];
    out.Write("( 6X I2 3(1X E10.2 1X F6.2) 1X E10.2 )", L, p.PA1, PrintedDepth(d, p.Z1), p.PA2,
              PrintedDepth(d, p.Z2), p.PA3, PrintedDepth(d, p.Z3), p.PA4);
  }
  if (ep.LW >= 1 && ep.LW < ep.LP) {
    out.Write(
        "( / / 6X 50('*') / 6X '*      ACTIVE WATER PRESSURE OF EACH LAYER       *' / 6X 50('*') / "
        "/ 6X ' LAYER    PW1     Z1       PW2      Z2                ' "
        "/ 6X '  NO' 2X A7 4X A3 4X A7 4X A3 / )",
        l.ForcePerLength, l.Depth, l.ForcePerLength, l.Depth);
    for (int L = ep.LW; L < ep.LP; ++L) {
      const PressureLayer& p = ep.Layers[static_cast<size_t>(L - 1)];
      if (!p.DrainedFlag || !p.SubmergedFlag) continue;
      out.Write("( 6X I2 2(1X E10.2 1X F6.2) )", L, p.PW1, PrintedDepth(d, p.Z1), p.PW2,
                PrintedDepth(d, p.Z2));
    }
  }
  if (ep.NetActiveResultant < static_cast<double>(1e-5f)) {
    static constexpr char kWarning[] = "( / / 5X 'Net active pressure is negative.' / )";
    ctx.Console.Write(kWarning);
    out.Write(kWarning);
  }
}

}  // namespace darnek::pressure
