// Title, control lines, specified deflections and slopes, wall sections.
#include "input/control_input.h"

#include <cmath>
#include <string>

#include "core/errors.h"
#include "report/report_helpers.h"

namespace darnek::input {

void ReadTitle(RunContext& ctx, ListReader& reader) {
  ctx.data.Run.Title = PadRight(reader.ReadText("title line", 70), 80);
}

void ReadControlLine1(RunContext& ctx, ListReader& reader) {
  ControlLine1& c = ctx.data.C1;
  reader.Read("first control line",
              {{"UnitSystemCode", &c.UnitSystemCode},
               {"NumSpecifiedDeflections", &c.NumSpecifiedDeflections},
               {"NumWallSections", &c.NumWallSections},
               {"NumCrossSections", &c.NumCrossSections},
               {"NumPyModificationFactors", &c.NumPyModificationFactors},
               {"EarthPressureOption", &c.EarthPressureOption},
               {"PyCurveOption", &c.PyCurveOption},
               {"NumUserPyCurves", &c.NumUserPyCurves},
               {"NumStages", &c.NumStages},
               {"NonlinearEIOption", &c.NonlinearEIOption},
               {"NumTieBacks", &c.NumTieBacks},
               {"HingeOption", &c.HingeOption}});
  if (c.EarthPressureOption >= 2) ctx.data.Run.InternalEarthPressureFlag = 1;
  if (c.PyCurveOption == 2) ctx.data.Run.InternalPyFlag = 1;
}

void EchoControlLine1(RunContext& ctx) {
  const ControlLine1& c = ctx.data.C1;
  OutputUnit& out = ctx.report;
  out.Write("( / / 6X 50('*') / 6X '*        PROGRAM CONTROL PARAMETERS              *' / 6X 50('*') / )");
  const auto line = [&](const char* label, int value) { out.Write("( 6X A I2 )", label, value); };
  line("NO OF POINTS FOR SPECIFIED DEFLECTIONS AND SLOPES  = ", c.NumSpecifiedDeflections);
  line("NO OF WALL SECTIONS                                = ", c.NumWallSections);
  line("NO OF CROSS SECTIONS                               = ", c.NumCrossSections);
  line("GENERATE EARTH PRESSURE INTERNALLY                 = ", ctx.data.Run.InternalEarthPressureFlag);
  line("GENERATE SOIL RESISTANCE (P-Y) CURVES INTERNALLY   = ", ctx.data.Run.InternalPyFlag);
  line("NO OF P-Y MODIFICATION FACTORS FOR GEN. P-Y CURVES = ", c.NumPyModificationFactors);
  line("NO OF USER-SPECIFIED SOIL RESISTANCE (P-Y) CURVES  = ", c.NumUserPyCurves);
  line("NO OF TIE BACKS                                    = ", c.NumTieBacks);
  if (c.NumTieBacks < 1) {
    out.EndRecord();
  } else if (c.HingeOption == 1) {
    out.Write("( 6X 'CONSIDER ZERO MOMENT (AASHTO HINGE MODEL) IN WALL' / "
              "6X 'AT TIE BACK LOCATIONS EXCEPT TOP ONE' / )");
  }
}

void ReadControlLine2(RunContext& ctx, ListReader& reader) {
  ControlLine2& c = ctx.data.C2;
  reader.Read("second control line",
              {{"NumIncrements", &c.NumIncrements},
               {"IncrementLength", &c.IncrementLength},
               {"MaxAllowableDeflection", &c.MaxAllowableDeflection},
               {"DeflectionTolerance", &c.DeflectionTolerance},
               {"DividingDepth", &c.DividingDepth},
               {"ResultWidth", &c.ResultWidth},
               {"WallHeight", &c.WallHeight},
               {"MaxIterations", &c.MaxIterations},
               {"item 9 (not used)", &c.Unused9},
               {"item 10 (not used)", &c.Unused10}});
  c.WallLength = c.NumIncrements * c.IncrementLength;

  const UnitLabels& labels = ctx.data.Run.Labels;
  const bool english = ctx.data.C1.UnitSystemCode == 1;
  const double height = english ? c.WallHeight / 12 : c.WallHeight;
  const std::string height_label = english ? labels.LargeLengthLabel.substr(0, 3) : labels.LengthLabel;
  ctx.report.Write(
      "( / 6X 'HEIGHT OF WALL                                     = ' F10.3 A3 "
      "/ 6X 'NUMBER OF INCREMENTS                               = ' I10 "
      "/ 6X 'INCREMENT LENGTH                                   = ' F10.3 A3 )",
      height, height_label, c.NumIncrements, c.IncrementLength, labels.LengthLabel);
  if (c.MaxIterations < 0) throw QuietEnd();
  if (c.MaxIterations > 0) {
    ctx.report.Write(
        "( 6X 'MAXIMUM ALLOWABLE DEFLECTION                       = ' F10.3 A3 "
        "/ 6X 'DEFLECTION CLOSURE TOLERANCE                       = ' 1P E10.3 A3 "
        "/ 6X 'MAXIMUM NUMBER OF ITERATIONS                       = ' I10 )",
        c.MaxAllowableDeflection, labels.LengthLabel, c.DeflectionTolerance, labels.LengthLabel,
        c.MaxIterations);
  }
  // The station tables are sized from NumIncrements: it bounds the run's memory.
  if (c.NumIncrements > kMaxIncrements) FailStorage(ctx.report);
  const int line = reader.line();
  if (c.NumIncrements < 1)
    throw InputError(line, "second control line", 1, "NumIncrements",
                     std::to_string(c.NumIncrements) + " increments; the wall needs at least 1");
  if (!(c.IncrementLength > 0))
    throw InputError(line, "second control line", 2, "IncrementLength",
                     NumberText(c.IncrementLength) + "; the increment length must be positive");
  if (c.MaxIterations > kMaxIterations)
    throw InputError("line " + std::to_string(line) +
                     ": second control line, item 8 (MaxIterations): " + std::to_string(c.MaxIterations) +
                     " iterations; at most " + std::to_string(kMaxIterations) + " are allowed");
  // The closure test compares changes with the tolerance: zero or less would
  // never close.
  if (c.MaxIterations > 0 && !(c.DeflectionTolerance > 0))
    throw InputError("line " + std::to_string(line) +
                     ": second control line, item 4 (DeflectionTolerance): " +
                     NumberText(c.DeflectionTolerance) + "; the closure tolerance must be positive");
}

void ReadSpecifiedConditions(RunContext& ctx, ListReader& reader) {
  const int n = ctx.data.C1.NumSpecifiedDeflections;
  OutputUnit& out = ctx.report;
  if (n > 0) {
    out.Write("( / / 6X 50('*') / 6X '*        SPECIFIED DEFLECTIONS AND SLOPES        *' / 6X 50('*') / "
              "/ 5X '     STA      CASE       DEFLECTION        SLOPE' "
              "/ 5X '                            ' A2 '              ' 'RAD' )",
              ctx.data.Run.Labels.LargeLengthLabel2.substr(0, 2));
  }
  if (n < 0) throw QuietEnd();
  auto& rows = ctx.data.SpecifiedConditions;
  rows.clear();
  if (n == 0) {
    out.Write("( / '                    ' )");
    return;
  }
  if (n > kMaxSpecifiedConditions) FailStorage(out);
  int previous = -1;
  for (int i = 0; i < n; ++i) {
    SpecifiedCondition row;
    reader.Read("specified deflection and slope row " + std::to_string(i + 1),
                {{"Case", &row.Case},
                 {"Sta", &row.Sta},
                 {"SpecDeflection", &row.SpecDeflection},
                 {"SpecSlope", &row.SpecSlope}});
    if (row.Sta < previous) FailStationOrder(out);
    const bool repeated = row.Sta == previous;
    previous = row.Sta;
    rows.push_back(row);
    if (row.Case == 2 && !repeated) {
      out.Write("( 10X I3 7X I2 11X 'NONE' 8X E10.3 )", row.Sta, row.Case, row.SpecSlope);
    } else if (row.Case >= 3 && !repeated) {
      out.Write("( 10X I3 7X I2 3X 2(5X E10.3) )", row.Sta, row.Case, row.SpecDeflection, row.SpecSlope);
    } else {
      out.Write("( 10X I3 7X I2 8X E10.3 9X 'NONE' )", row.Sta, row.Case, row.SpecDeflection);
    }
  }
}

void ReadWallSections(RunContext& ctx, ListReader& reader) {
  const int n = ctx.data.C1.NumWallSections;
  auto& rows = ctx.data.WallSections;
  rows.clear();
  if (n > kMaxWallSections) FailStorage(ctx.report);
  for (int i = 0; i < n; ++i) {
    WallSection row;
    reader.Read("wall section row " + std::to_string(i + 1),
                {{"SectionTop", &row.SectionTop},
                 {"SectionBottom", &row.SectionBottom},
                 {"SectionNumber", &row.SectionNumber}});
    rows.push_back(row);
  }
  OutputUnit& out = ctx.report;
  const std::string label = ctx.data.Run.Labels.LargeLengthLabel2.substr(0, 2);
  out.Write("( / 5X '* WALL SECTIONS *' )");
  out.Write("( / 5X '  SECT' 9X ' TOP ' 7X 'BOTTOM' 5X 'SECTION' )");
  out.Write("( 5X '      ' 9X 1X A2 12X A2 )", label, label);
  for (int i = 0; i < n; ++i) {
    WriteBlanks(out, 5);
    WriteInt(out, 5, i + 1);
    WriteBlanks(out, 1);
    WriteReal(out, 14, 5, rows[i].SectionTop);
    WriteReal(out, 14, 5, rows[i].SectionBottom);
    WriteBlanks(out, 3);
    WriteInt(out, 5, rows[i].SectionNumber);
    EndLine(out);
  }
  out.EndRecord();
}

}  // namespace darnek::input
