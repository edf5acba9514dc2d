// The pressure diagram on the retained side (SetDiagramLoads): one row every inch
// (English units) or every 0.05 m (SI) down each pressure layer with the
// active earth pressure, water pressures, surcharge, passive and at-rest
// pressures; options 3 and 5 replace it above the excavation level by the
// apparent-pressure trapezoid of anchored walls. The rows go to the pressure
// scratch file as F10.3 fields, and the loads keep the three decimals the
// file holds (core/printed_value.h).
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>

#include "core/errors.h"
#include "core/fortran_format.h"
#include "core/list_reader.h"
#include "core/output_unit.h"
#include "core/printed_value.h"
#include "core/report_helpers.h"
#include "core/water_table.h"
#include "pressure/earth_pressure.h"
#include "pressure/pressure_steps.h"

namespace darnek::pressure {

namespace {

constexpr double kFloor = static_cast<double>(1e-5f);

// Rows per unit length of the analysis: one per inch, or one per 0.05 m.
int RowsPerUnit(const ProblemData& data) { return IsEnglish(data) ? 1 : 20; }

// A depth for a message, with the analysis length unit.
std::string Depth(const ProblemData& data, double depth) {
  const std::string text = FixedText(depth, 3);
  const std::string& label = data.Run.Labels.LengthLabel;
  const size_t start = label.find_first_not_of(' ');
  return start == std::string::npos ? text : text + " " + label.substr(start);
}

int RoundHalfAway(double x) { return static_cast<int>(std::round(x)); }

// A stand-in for zero that still orders rows: the row number times 1e-12,
// formed in single precision.
double Tiny(int row) { return static_cast<double>(static_cast<float>(row) * 1e-12f); }

// Straight lines down one pressure layer: value at the top and slope.
struct Line {
  double Top = 0, Slope = 0;
  double At(double t) const { return Top + Slope * t; }
};

struct LayerLines {
  Line Active, ActiveWater, Passive, AtRest, Water;
  double UndrainedTop = 0, UndrainedSlope = 0;
  double SurfaceShare = 0;
  double Wu = 0;
};

}  // namespace

ApparentPressureShape ApparentShape(const ProblemData& data) {
  const double H = data.Wall.FreeHeight;
  const std::vector<TieBack>& ties = data.TieBacks;
  // Tie-back depths are input in feet with English units.
  const double scale = IsEnglish(data) ? 12.0 : 1.0;
  const double z1 = ties.empty() ? 0.0 : ties.front().Depth * scale;
  const double zn = ties.empty() ? 0.0 : ties.back().Depth * scale;
  ApparentPressureShape s;
  const bool soft_clay =
      !data.Soil.Layers.empty() && data.Soil.Layers.front().SoilTypeCode == SoilType::SoftClay;
  if (data.C1.EarthPressureOption == EarthPressureMode::ApparentPressureWithSurcharge && soft_clay) {
    s.A = H / 4;
    s.C = 0;
    s.B = H - s.A;
    return s;
  }
  s.A = 2 * z1 / 3;
  if (ties.size() < 2) {
    s.C = 2 * (H - z1) / 3;
    s.B = H / 3;
  } else {
    s.C = 2 * (H - zn) / 3;
    s.B = H - s.A - s.C;
  }
  return s;
}

double ApparentPressure(const ApparentPressureShape& s, double peak, double depth) {
  if (depth < s.A) return s.A > 0 ? peak * depth / s.A : peak;
  if (depth <= s.A + s.B + kDepthTolerance) return peak;
  if (s.C <= 0) return 0;
  return peak * std::max(0.0, (s.A + s.B + s.C - depth) / s.C);
}

double ApparentPeak(const ProblemData& data, double resultant) {
  const double H = data.Wall.FreeHeight;
  const std::vector<TieBack>& ties = data.TieBacks;
  if (ties.empty() || H <= 0) return 0;
  // The trapezoid carries 1.3 times the resultant of the diagram it replaces.
  if (ties.size() == 1) return 3.9 * resultant / (2 * H);
  const double scale = IsEnglish(data) ? 12.0 : 1.0;
  const double z1 = ties.front().Depth * scale;
  const double zn = ties.back().Depth * scale;
  const double length = H - ((H - zn) + z1) / 3;
  return length > 0 ? 1.3 * resultant / length : 0.0;
}

namespace {

// The rows of the diagram: `to_bottom` down to the wall bottom (what the
// scratch file announces), `generated` down to the bottom of the last
// pressure layer. Refuses a diagram larger than the storage or one whose
// layers end above the wall bottom.
struct RowCounts {
  int ToBottom = 0;
  int Generated = 0;
};

RowCounts CountRows(const ProblemData& data) {
  const EarthPressureData& ep = data.Pressure;
  const int k = RowsPerUnit(data);
  const int NL = ep.NL;
  const auto layer = [&](int L) -> const PressureLayer& { return ep.Layers[static_cast<size_t>(L - 1)]; };
  // Counted in double first: a layer thick enough to overflow the count is a
  // diagram larger than the storage, not a number to wrap around.
  double rows_generated = 1;
  for (int L = 1; L <= NL; ++L) rows_generated += std::round(k * layer(L).T);
  const double rows_to_bottom = std::round(k * (data.C2.WallLength - layer(NL).ZTOP));
  if (rows_generated > kMaxPressureRows || rows_to_bottom > kMaxPressureRows)
    throw StorageExceeded("the earth-pressure diagram would have more than " +
                          std::to_string(kMaxPressureRows) + " rows");
  RowCounts counts{1, 1};
  for (int L = 1; L <= NL; ++L) {
    const int n = RoundHalfAway(k * layer(L).T);
    counts.Generated += n;
    if (L < NL) counts.ToBottom += n;
  }
  counts.ToBottom += RoundHalfAway(k * (data.C2.WallLength - layer(NL).ZTOP));
  if (counts.Generated < counts.ToBottom) {
    const double bottom = layer(NL).ZTOP + layer(NL).T;
    throw InputError("the soil layers end at a depth of " + Depth(data, bottom) +
                     ", above the bottom of the wall at " + Depth(data, data.C2.WallLength) +
                     ": the last soil layer must reach the wall bottom");
  }
  return counts;
}

// What the rows of a diagram carry from one layer to the next.
struct DiagramRun {
  double PassiveSlope = 0, AtRestSlope = 0;
  // Their shares that the soil's weight makes (without the water).
  double PassiveEarthSlope = 0, AtRestEarthSlope = 0;
  // Running resultants above the excavation level of the load and the
  // active pressure, and their previous row values.
  double SumF = 0, SumA = 0, FPrev = 0, APrev = 0;
  size_t LastAbove = 0;  // index of the row at the excavation level
  int Row = 1;           // 1-based number of the last row
};

// The rows of pressure layer L (1-based), appended to `rows`.
void AddLayerRows(const ProblemData& data, int L, DiagramRun& run, std::vector<PressureRow>& rows) {
  const EarthPressureData& ep = data.Pressure;
  const WallWaterData& wall = data.Wall;
  const EarthPressureMode option = data.C1.EarthPressureOption;
  const int k = RowsPerUnit(data);
  const double H = wall.FreeHeight;
  const double zw = wall.WaterDepthBackfill;
  const double ze = wall.WaterDepthExcavation;
  const bool excavation_water = HasWaterTable(ze);
  const double gw = ep.UnitWeightWater;
  const double q = wall.SurfacePressure;
  const int LP = ep.LP;
  const auto layer = [&](int i) -> const PressureLayer& { return ep.Layers[static_cast<size_t>(i - 1)]; };

  const PressureLayer& p = layer(L);
  const double f = p.F;
  const bool D = p.DrainedFlag;
  const bool U = p.SubmergedFlag;
  const bool above = L < LP;
  const double ge = (D && U) ? p.Gamma - gw : p.Gamma;
  const double wd = (D && U && wall.WaterPressureFlag == WaterPressure::Added) ? gw : 0.0;
  const double wu = (U && !D) ? gw : 0.0;
  // Below the excavation level the vertical stress stays at its value there.
  const double s0 = above ? p.SIGVP : layer(LP).SIGVP;
  const double a0 = p.Ka * s0 - 2 * p.C * p.SqrtKa;
  const double dw = p.ZTOP - zw;

  LayerLines lines;
  lines.Active = {f * a0, above ? f * p.Ka * ge : 0.0};
  if (above) {
    lines.ActiveWater = {f * (a0 + wd * dw), f * (p.Ka * ge + wd)};
  } else {
    lines.ActiveWater = {H >= zw ? f * (a0 + wd * (H - zw)) : f * a0, 0.0};
  }
  // Below the excavation level passive and at-rest pressures keep the
  // slopes of the last layer above it.
  if (above) {
    run.PassiveEarthSlope = f * p.Kp * ge;
    run.AtRestEarthSlope = f * p.K0 * ge;
    run.PassiveSlope = run.PassiveEarthSlope + f * wd;
    run.AtRestSlope = run.AtRestEarthSlope + f * wd;
  }
  lines.Passive = {f * (p.Kp * s0 + 2 * p.C * p.SqrtKp + wd * dw), run.PassiveSlope};
  lines.AtRest = {f * (p.K0 * (s0 + 2 * p.C) + wd * dw), run.AtRestSlope};
  if (!above) {
    // A layer below the excavation level starts from the vertical stress
    // there, but the weight of the soil between (the water is in wd dw)
    // keeps the passive and at-rest pressures growing down to its top: a
    // layer split below the excavation level changes nothing.
    lines.Passive.Top += run.PassiveEarthSlope * (p.ZTOP - H);
    lines.AtRest.Top += run.AtRestEarthSlope * (p.ZTOP - H);
  }
  lines.Water = {f * (wd + wu) * dw, f * (wd + wu)};
  lines.UndrainedTop = f * wu * dw;
  lines.UndrainedSlope = f * wu;
  const double share = f * (q * p.Ka - 2 * p.C * p.SqrtKa);
  const double s = (q >= 1e-6 && share > 0) ? share : 0.0;

  const int n = RoundHalfAway(k * p.T);
  for (int j = 1; j <= n; ++j) {
    ++run.Row;
    const double t = j * p.T / n;
    const double z = p.ZTOP + t;
    double A = lines.Active.At(t);
    if (z <= H + kDepthTolerance) {
      // Down to the excavation level the undrained water is counted in the
      // water column, not in the active pressure.
      A = (lines.Active.Top - lines.UndrainedTop) + (lines.Active.Slope - lines.UndrainedSlope) * t;
    }
    double AW = lines.ActiveWater.At(t);
    double P = lines.Passive.At(t);
    double R = lines.AtRest.At(t);
    double W = lines.Water.At(t);
    const double S = SurchargePressureAt(data, z);
    P += S;
    R += S;
    double F = option == EarthPressureMode::ApparentPressure ? AW : AW + S;

    // Water in front of the wall pushes back.
    double u1 = 0, u2 = 0;
    if (excavation_water && z > ze) {
      u1 = std::max((std::min(z, H) - ze) * gw, 0.0);
      u2 = (z - ze) * gw;
    }
    if (U) {
      F -= f * u1;
      AW -= f * u1;
    }
    W -= f * u2;

    // Negative net pressures never reach the load: a negative active
    // pressure first uses up positive water pressure.
    const double tiny = Tiny(run.Row);
    if (F < kFloor) F = tiny;
    if (AW < kFloor) AW = tiny;
    if (A < kFloor) {
      if (W <= kFloor) {
        A = tiny;
      } else if (W + A < kFloor) {
        W = tiny;
        A = tiny;
      } else {
        W += A;
        A = tiny;
      }
    }

    if (above) {
      run.SumF += (run.FPrev + F) / 2 / k;
      run.SumA += (run.APrev + A) / 2 / k;
      run.FPrev = F;
      run.APrev = A;
    }

    PressureRow row{z, F, AW - s, S + s, P, R, A - s, W, s, S, 0.0, A + S + W};
    if (option == EarthPressureMode::ApparentPressureWithSurcharge && !above) {
      row.Active += W;
      row.Water = 0;
      row.Apparent = 0;
    }
    rows.push_back(row);
    if (above) run.LastAbove = rows.size() - 1;
  }
}

// Options 3 and 5: the apparent-pressure trapezoid of anchored walls
// replaces the rows above the excavation level.
void OverlayApparentPressure(const ProblemData& data, const DiagramRun& run, std::vector<PressureRow>& rows) {
  const EarthPressureData& ep = data.Pressure;
  const EarthPressureMode option = data.C1.EarthPressureOption;
  const double q = data.Wall.SurfacePressure;
  const PressureLayer& first = ep.Layers.front();
  const ApparentPressureShape shape = ApparentShape(data);
  const double peak_f = ApparentPeak(data, run.SumF);
  const double peak_a = ApparentPeak(data, run.SumA);
  // Option 5 scales the at-rest column by the active pressure at the
  // excavation level: the coefficient and stress of the layer whose top
  // lies there.
  const PressureLayer& at_excavation = ep.Layers[static_cast<size_t>(ep.LP - 1)];
  const double p0 = at_excavation.F * at_excavation.Ka * at_excavation.SIGVP;
  for (size_t i = 1; i <= run.LastAbove; ++i) {
    PressureRow& row = rows[i];
    const double z = row.Depth;
    row.LoadPerStation = ApparentPressure(shape, peak_f, z);
    if (option == EarthPressureMode::ApparentPressure) {
      row.Apparent = ApparentPressure(shape, peak_a, z);
      row.Total = row.Apparent + row.SurchargeLoads + row.Water;
    } else {
      row.Apparent = ApparentPressure(shape, p0, z);
      row.Total = row.Apparent + row.SurchargeLoads;
      row.SurfaceShare = p0 != 0 ? q * first.Ka * first.F * row.Apparent / p0 : 0.0;
      row.Active = row.Apparent - row.SurfaceShare;
      row.Water = 0;
    }
  }
}

}  // namespace

std::vector<PressureRow> BuildPressureDiagram(ProblemData& data, int& row_count) {
  EarthPressureData& ep = data.Pressure;
  std::vector<PressureRow> rows;
  row_count = 0;
  if (ep.NL < 1 || ep.LP < 1) return rows;
  const RowCounts counts = CountRows(data);
  row_count = counts.ToBottom;
  rows.reserve(static_cast<size_t>(counts.Generated));

  const PressureLayer& first = ep.Layers.front();
  const double q = data.Wall.SurfacePressure;
  const double top_active = first.Ka * first.F * q;
  PressureRow top;
  top.LoadPerStation = top_active;
  top.Surcharge = q > 0 ? top_active : 0.0;
  top.Passive = first.Kp * first.F * q;
  top.SurfaceShare =
      data.C1.EarthPressureOption == EarthPressureMode::ApparentPressureWithSurcharge ? 0.0 : top.Surcharge;
  top.Total = top.SurfaceShare;
  rows.push_back(top);

  DiagramRun run;
  for (int L = 1; L <= ep.NL; ++L) AddLayerRows(data, L, run, rows);
  ep.ResultantF = run.SumF;
  ep.ResultantA = run.SumA;
  if (IsApparentPressure(data.C1.EarthPressureOption)) OverlayApparentPressure(data, run, rows);
  return rows;
}

namespace {

constexpr const char* kColumnNames[12] = {"depth",    "column 2",  "column 3",  "column 4",
                                          "column 5", "column 6",  "column 7",  "column 8",
                                          "column 9", "column 10", "column 11", "column 12"};

// Every column of a row is an F10.3 field of the pressure scratch file.
constexpr FieldForm kPressureField = FieldForm::F(10, 3);

// The row as the scratch file gives it back; false, with the column, at the
// first field that holds no number.
bool PrintedRow(const PressureRow& row, PressureRow& printed, size_t& column) {
  for (size_t k = 0; k < std::size(kPressureColumns); ++k) {
    if (!PrintedValue(row.*kPressureColumns[k], kPressureField, printed.*kPressureColumns[k])) {
      column = k;
      return false;
    }
  }
  return true;
}

// The rows to the pressure scratch file: their count (the rows down to the
// wall bottom), then every row, down to the first of `printed` (the rows to
// the wall bottom as the file holds them, from the digits written) with a
// field that holds no number, where a reader of the file stops. Returns that
// row (rows.size() when there is none) and its column.
size_t WritePressureScratch(OutputUnit& scratch, std::span<const PressureRow> rows, int count,
                            std::span<PressureRow> printed, size_t& column) {
  scratch.List(count);
  fortran::FieldRecord line;
  PressureRow beyond;  // the values of a row below the wall bottom: written, not loaded
  for (size_t i = 0; i < rows.size(); ++i) {
    line.Clear();
    size_t failed_column = std::size(kPressureColumns);
    PressureRow& values = i < printed.size() ? printed[i] : beyond;
    for (size_t k = 0; k < std::size(kPressureColumns); ++k) {
      line.Blanks(1);
      if (!PutPrinted(line.Take(10), rows[i].*kPressureColumns[k], kPressureField,
                      values.*kPressureColumns[k]) &&
          i < printed.size() && failed_column == std::size(kPressureColumns))
        failed_column = k;
    }
    scratch.Line(line.Text());
    if (failed_column < std::size(kPressureColumns)) {
      column = failed_column;
      return i;
    }
  }
  return rows.size();
}

}  // namespace

void SetDiagramLoads(RunContext& ctx) {
  int count = 0;
  const std::vector<PressureRow> rows = BuildPressureDiagram(ctx.Data, count);
  ctx.Data.Pressure.RowCount = count;
  if (count > static_cast<int>(rows.size()))
    throw InputError(static_cast<int>(rows.size()) + 2, "pressure scratch file row", 0, "",
                     "end of file where this record was expected");
  // The loads are the rows down to the wall bottom as the file holds them.
  std::vector<PressureRow>& loads = ctx.Data.Pressure.Rows;
  loads.assign(static_cast<size_t>(std::max(count, 0)), PressureRow{});
  size_t failed = rows.size();
  size_t column = 0;
  RunFile& file = ctx.Files.PressureScratch;
  if (file.Discarded()) {
    for (size_t i = 0; i < loads.size(); ++i) {
      if (!PrintedRow(rows[i], loads[i], column)) {
        failed = i;
        break;
      }
    }
  } else {
    // The values come with the digits the file gets.
    file.Restart();
    OutputUnit scratch;
    scratch.Attach(file);
    failed = WritePressureScratch(scratch, rows, count, loads, column);
    scratch.Close();
  }
  if (failed < rows.size())
    throw UnreadableField(rows[failed].*kPressureColumns[column], kPressureField,
                          static_cast<int>(failed) + 2, "pressure scratch file row",
                          static_cast<int>(column) + 1, kColumnNames[column]);
}

}  // namespace darnek::pressure
