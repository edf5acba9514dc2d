// Title, control lines, specified deflections and slopes, wall sections.
#include "input/control_input.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/report_helpers.h"
#include "input/input_checks.h"

namespace darnek::input {

void ReadTitle(RunContext& ctx, ListReader& reader) {
  ctx.Data.Run.Title = PadRight(reader.ReadText("title line", 70), 80);
}

void ReadControlLine1(RunContext& ctx, ListReader& reader) {
  ControlLine1& c = ctx.Data.C1;
  const std::string_view record = "first control line";
  reader.Read(record, {{"UnitSystemCode", &c.UnitSystemCode},
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
  if (GeneratesEarthPressure(c.EarthPressureOption)) ctx.Data.Run.InternalEarthPressureFlag = 1;
  if (c.PyCurveOption == PyCurveSource::Generated) ctx.Data.Run.InternalPyFlag = 1;
  // Counts of rows that follow (a negative NumSpecifiedDeflections ends the
  // run instead); the warnings follow the control echo.
  const struct {
    size_t Index;
    std::string_view Name;
    int Count;
  } counts[] = {{2, "NumWallSections", c.NumWallSections},
                {3, "NumCrossSections", c.NumCrossSections},
                {4, "NumPyModificationFactors", c.NumPyModificationFactors},
                {7, "NumUserPyCurves", c.NumUserPyCurves},
                {9, "NonlinearEIOption", c.NonlinearEIOption},
                {10, "NumTieBacks", c.NumTieBacks}};
  for (const auto& count : counts) {
    if (count.Count < 0)
      WarnLater(
          ctx, reader.Place(record, count.Index, count.Name,
                            "the count " + std::to_string(count.Count) + " is negative and is read as none"));
  }
}

void EchoControlLine1(RunContext& ctx) {
  const ControlLine1& c = ctx.Data.C1;
  OutputUnit& out = ctx.Report;
  out.Write("( / / 6X 50('*') / 6X '*        PROGRAM CONTROL PARAMETERS              *' / 6X 50('*') / )");
  const auto line = [&](const char* label, int value) { out.Write("( 6X A I2 )", label, value); };
  line("NO OF POINTS FOR SPECIFIED DEFLECTIONS AND SLOPES  = ", c.NumSpecifiedDeflections);
  line("NO OF WALL SECTIONS                                = ", c.NumWallSections);
  line("NO OF CROSS SECTIONS                               = ", c.NumCrossSections);
  line("GENERATE EARTH PRESSURE INTERNALLY                 = ", ctx.Data.Run.InternalEarthPressureFlag);
  line("GENERATE SOIL RESISTANCE (P-Y) CURVES INTERNALLY   = ", ctx.Data.Run.InternalPyFlag);
  line("NO OF P-Y MODIFICATION FACTORS FOR GEN. P-Y CURVES = ", c.NumPyModificationFactors);
  line("NO OF USER-SPECIFIED SOIL RESISTANCE (P-Y) CURVES  = ", c.NumUserPyCurves);
  line("NO OF TIE BACKS                                    = ", c.NumTieBacks);
  if (c.NumTieBacks < 1) {
    out.EndRecord();
  } else if (c.HingeOption == HingeModel::AtLowerTieBacks) {
    out.Write(
        "( 6X 'CONSIDER ZERO MOMENT (AASHTO HINGE MODEL) IN WALL' / "
        "6X 'AT TIE BACK LOCATIONS EXCEPT TOP ONE' / )");
  }
  WritePendingWarnings(ctx);
}

void ReadControlLine2(RunContext& ctx, ListReader& reader) {
  ControlLine2& c = ctx.Data.C2;
  reader.Read("second control line", {{"NumIncrements", &c.NumIncrements},
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
  c.IncrementsPlace = {reader.ItemLine(0), "second control line", 1, "NumIncrements"};

  const UnitLabels& labels = ctx.Data.Run.Labels;
  const bool english = ctx.Data.C1.UnitSystemCode == UnitSystem::English;
  const double height = english ? c.WallHeight / 12 : c.WallHeight;
  const std::string height_label = english ? labels.LargeLengthLabel.substr(0, 3) : labels.LengthLabel;
  ctx.Report.Write(
      "( / 6X 'HEIGHT OF WALL                                     = ' F10.3 A3 "
      "/ 6X 'NUMBER OF INCREMENTS                               = ' I10 "
      "/ 6X 'INCREMENT LENGTH                                   = ' F10.3 A3 )",
      height, height_label, c.NumIncrements, c.IncrementLength, labels.LengthLabel);
  if (c.MaxIterations < 0) throw QuietEnd();
  if (c.MaxIterations > 0) {
    ctx.Report.Write(
        "( 6X 'MAXIMUM ALLOWABLE DEFLECTION                       = ' F10.3 A3 "
        "/ 6X 'DEFLECTION CLOSURE TOLERANCE                       = ' 1P E10.3 A3 "
        "/ 6X 'MAXIMUM NUMBER OF ITERATIONS                       = ' I10 )",
        c.MaxAllowableDeflection, labels.LengthLabel, c.DeflectionTolerance, labels.LengthLabel,
        c.MaxIterations);
  }
  // The station tables are sized from NumIncrements: it bounds the run's memory.
  if (c.NumIncrements > kMaxIncrements) throw StorageExceeded();
  const RecordCheck check(reader, "second control line");
  if (c.NumIncrements < 1)
    check.Reject(0, "NumIncrements",
                 std::to_string(c.NumIncrements) + " increments; the wall needs at least 1");
  if (!(c.IncrementLength > 0))
    check.Reject(1, "IncrementLength",
                 NumberText(c.IncrementLength) + "; the increment length must be positive");
  // The iteration limit bounds a stage that never closes, and with it the run
  // log, which takes one monitoring line per iteration.
  if (c.MaxIterations > kMaxIterations)
    check.Reject(7, "MaxIterations",
                 std::to_string(c.MaxIterations) + " iterations; at most " + std::to_string(kMaxIterations) +
                     " are allowed");
  // With no iterations (one linear solution) the two are not used.
  if (c.MaxIterations > 0) {
    check.Positive(2, "MaxAllowableDeflection", c.MaxAllowableDeflection,
                   "a deflection beyond it ends the iteration");
    check.Positive(3, "DeflectionTolerance", c.DeflectionTolerance,
                   "the iteration has closed when no station moves by more than it");
  }
  if (ctx.Data.C1.NumTieBacks > 0)
    check.Positive(5, "ResultWidth", c.ResultWidth, "the tie-back forces are shared out by it");
  // The analysis takes its length from the increments; WallHeight is only
  // printed, so a difference means one of the three is not what was meant.
  const double scale = std::max(std::fabs(c.WallLength), std::fabs(c.WallHeight));
  if (std::fabs(c.WallHeight - c.WallLength) > 1e-6 * scale) {
    std::string slip;
    if (english && NearlyTwelveTimes(c.WallHeight, c.WallLength))
      slip = "; it is 12 times the analysed length: was IncrementLength given in feet? it is read in inches";
    else if (english && NearlyTwelveTimes(c.WallLength, c.WallHeight))
      slip = "; the analysed length is 12 times it: was WallHeight given in feet? it is read in inches";
    Warn(ctx, check.Place(
                  6, "WallHeight",
                  NumberText(c.WallHeight) +
                      " differs from NumIncrements x IncrementLength = " + std::to_string(c.NumIncrements) +
                      " x " + NumberText(c.IncrementLength) + " = " + NumberText(c.WallLength) +
                      ", the length of the wall that is analysed (WallHeight is only printed)" + slip));
  }
}

void ReadSpecifiedConditions(RunContext& ctx, ListReader& reader) {
  const int n = ctx.Data.C1.NumSpecifiedDeflections;
  OutputUnit& out = ctx.Report;
  if (n > 0) {
    out.Write(
        "( / / 6X 50('*') / 6X '*        SPECIFIED DEFLECTIONS AND SLOPES        *' / 6X 50('*') / "
        "/ 5X '     STA      CASE       DEFLECTION        SLOPE' "
        "/ 5X '                            ' A2 '              ' 'RAD' )",
        ctx.Data.Run.Labels.LargeLengthLabel2.substr(0, 2));
  }
  if (n < 0) throw QuietEnd();
  auto& rows = ctx.Data.SpecifiedConditions;
  rows.clear();
  if (n == 0) {
    out.Write("( / '                    ' )");
    return;
  }
  if (n > kMaxSpecifiedConditions) throw StorageExceeded();
  int previous = -1;
  for (int i = 0; i < n; ++i) {
    SpecifiedCondition row;
    reader.Read("specified deflection and slope row " + std::to_string(i + 1),
                {{"Case", &row.Case},
                 {"Sta", &row.Sta},
                 {"SpecDeflection", &row.SpecDeflection},
                 {"SpecSlope", &row.SpecSlope}});
    if (row.Sta < previous) throw DataError(DataError::Kind::StationsNotInOrder);
    const bool repeated = row.Sta == previous;
    previous = row.Sta;
    rows.push_back(row);
    const int code = CodeNumber(row.Case);
    if (row.Case == ConditionCase::Slope && !repeated) {
      out.Write("( 10X I3 7X I2 11X 'NONE' 8X E10.3 )", row.Sta, code, row.SpecSlope);
    } else if (row.Case == ConditionCase::DeflectionAndSlope && !repeated) {
      out.Write("( 10X I3 7X I2 3X 2(5X E10.3) )", row.Sta, code, row.SpecDeflection, row.SpecSlope);
    } else {
      out.Write("( 10X I3 7X I2 8X E10.3 9X 'NONE' )", row.Sta, code, row.SpecDeflection);
    }
  }
}

void ReadWallSections(RunContext& ctx, ListReader& reader) {
  const int n = ctx.Data.C1.NumWallSections;
  auto& rows = ctx.Data.WallSections;
  rows.clear();
  if (n > kMaxWallSections) throw StorageExceeded();
  // Stations above the first section take its top value, stations below the
  // last its bottom value: a wall not covered end to end gets a warning.
  const bool english = ctx.Data.C1.UnitSystemCode == UnitSystem::English;
  const double tip = english ? ctx.Data.C2.WallLength / 12 : ctx.Data.C2.WallLength;
  const std::string unit = english ? " ft" : " m";
  std::vector<InputErrorPlace> warnings;
  for (int i = 0; i < n; ++i) {
    WallSection row;
    const std::string record = "wall section row " + std::to_string(i + 1);
    const RecordCheck check(reader, record);
    reader.Read(record, {{"SectionTop", &row.SectionTop},
                         {"SectionBottom", &row.SectionBottom},
                         {"SectionNumber", &row.SectionNumber}});
    if (row.SectionBottom < row.SectionTop)
      check.Reject(1, "SectionBottom",
                   NumberText(row.SectionBottom) + " lies above SectionTop " + NumberText(row.SectionTop) +
                       "; depths increase downwards");
    if (i == 0 && row.SectionTop > 1e-6 * tip)
      warnings.push_back(
          check.Place(0, "SectionTop",
                      "the wall sections begin " + NumberText(row.SectionTop) + unit +
                          " below the top of the wall; the first section is extended to the top"));
    if (i == n - 1 && row.SectionBottom < tip * (1 - 1e-6))
      warnings.push_back(check.Place(1, "SectionBottom",
                                     "the wall sections end at " + NumberText(row.SectionBottom) + unit +
                                         ", above the tip of the wall at " + NumberText(tip) + unit +
                                         "; the last section is extended to the tip"));
    // A section reaching below the tip is cut there; far below, its depths
    // were likely written in another unit.
    if (row.SectionBottom > tip * (1 + 1e-6) + 1e-9)
      warnings.push_back(
          check.Place(1, "SectionBottom",
                      NumberText(row.SectionBottom) + unit + " lies below the tip of the wall at " +
                          NumberText(tip) + unit + " (NumIncrements x IncrementLength); the wall ends there" +
                          (english && NearlyTwelveTimes(row.SectionBottom, tip) &&
                                   !NearlyTwelveTimes(ctx.Data.C2.WallHeight, ctx.Data.C2.WallLength)
                               ? ": was it given in inches? wall-section depths are read in feet"
                               : "")));
    rows.push_back(row);
  }
  OutputUnit& out = ctx.Report;
  const std::string label = ctx.Data.Run.Labels.LargeLengthLabel2.substr(0, 2);
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
  for (const InputErrorPlace& place : warnings) Warn(ctx, place);
}

}  // namespace darnek::input
