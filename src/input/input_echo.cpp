// Echo of the tie-back table, the user p-y curves and the moment-curvature
// tables of nonlinear flexural rigidity.
#include "input/input_echo.h"

#include "core/report_helpers.h"

namespace darnek::input {

void EchoMomentCurvatureHeading(RunContext& ctx, bool user_defined) {
  if (user_defined) {
    ctx.Report.Write("( / 5X '* USER DEFINED NONLINEAR EI *' )");
  } else {
    ctx.Report.Write("( / 5X '* INTERNALLY GENERATED NONLINEAR EI *' )");
  }
}

void EchoMomentCurvatureTable(RunContext& ctx, int set, double axial_thrust,
                              const std::vector<double>& curvature, const std::vector<double>& moment) {
  OutputUnit& out = ctx.Report;
  const UnitLabels& labels = ctx.Data.Run.Labels;
  out.Write("( / 5X '   SET          =  ' I5 )", set);
  out.Write("( / 5X '   AXIAL THRUST =  ' F10.4 2X A4 )", axial_thrust, labels.ForceLabel);
  out.Write("( / 5X '   N  ' 9X ' CURVATURE ' 7X ' MOMENT ' 7X '   EI   ' )");
  out.Write("( 5X 8X 9X 'RAD/' A2 9X A4 '-' A2 9X A4 '-' A2 '**2' )", labels.LengthLabel2, labels.ForceLabel,
            labels.LengthLabel2, labels.ForceLabel, labels.LengthLabel2);
  for (size_t p = 0; p < curvature.size(); ++p) {
    WriteBlanks(out, 5);
    WriteInt(out, 5, static_cast<int>(p) + 1);
    WriteBlanks(out, 4);
    WriteReal(out, 14, 5, curvature[p]);
    WriteBlanks(out, 4);
    WriteReal(out, 14, 5, moment[p]);
    WriteBlanks(out, 4);
    // No secant stiffness exists where the curvature is not positive: the
    // column stays blank.
    if (curvature[p] > 0) {
      WriteReal(out, 14, 5, moment[p] / curvature[p]);
    } else {
      WriteBlanks(out, 14);
    }
    EndLine(out);
  }
}

void EchoTieBacks(RunContext& ctx) {
  OutputUnit& out = ctx.Report;
  const UnitLabels& labels = ctx.Data.Run.Labels;
  const std::string large = labels.LargeLengthLabel2.substr(0, 2);
  out.Write(
      "( / / / 6X 50('*') / 6X '*                  TIE BACK DATA                 *' / "
      "6X 50('*') / )");
  out.Write("( 6X '   DEPTH      AREA    ELASTIC   UNBONDED   HORIZ.  ' '  ANCHOR  PRESTRESS.' )");
  out.Write("( 6X '                      MODULUS    LENGTH    ANGLE   ' ' SPACING    FORCE' )");
  out.Write("( 6X 4X A2 7X A2 A2 A1 2X A4 A1 A2 A2 A1 5X A2 7X 'DEG' 7X A2 6X A4 )", large,
            labels.LengthLabel2, "**", "2", labels.ForceLabel, "/", labels.LengthLabel2, "**", "2", large,
            large, labels.ForceLabel);
  for (const TieBack& t : ctx.Data.TieBacks) {
    out.Write("( 6X 1P 7E10.3 )", t.Depth, t.Area, t.Modulus, t.UnbondedLength, t.Angle, t.Spacing,
              t.Prestress);
  }
}

void EchoUserPyCurveHeading(RunContext& ctx) {
  ctx.Report.Write(
      "( / / 6X 50('*') / 6X '*     INPUTTED  SOIL RESISTANCE (P-Y) CURVES     *' / "
      "6X 50('*') / )");
}

void EchoUserPyCurve(RunContext& ctx, const UserPyCurve& curve, int previous_contd) {
  OutputUnit& out = ctx.Report;
  out.Write("( / / A )",
            std::string("     FROM TO CONTD      P-MULTIPLIER  Y-MULTIPLIER") + "      POINTS     ");
  // FROM and TO of the curve's range are its own station: a standalone curve
  // covers that station alone, a chain starts (FROM) or continues to (TO) it.
  if (previous_contd == 1) {
    out.Write("( 9X I4 I3 5X 1P 2E14.3 10X I3 )", curve.Station, curve.Contd, curve.PMultiplier,
              curve.YMultiplier, curve.NumPoints);
  } else if (curve.Contd == 1) {
    out.Write("( 5X I4 4X I3 5X 1P 2E14.3 10X I3 )", curve.Station, curve.Contd, curve.PMultiplier,
              curve.YMultiplier, curve.NumPoints);
  } else {
    out.Write("( 5X 2I4 I3 5X 2E14.3 8X I4 )", curve.Station, curve.Station, curve.Contd, curve.PMultiplier,
              curve.YMultiplier, curve.NumPoints);
  }
}

}  // namespace darnek::input
