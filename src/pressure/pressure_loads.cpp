// The pressure diagram as loads on the wall: the rows as the pressure scratch
// file holds them, with the loaded widths (or the user's diagram), the
// ACTIVE EARTH PRESSURE table, the load per station added to BaseQ, and the
// plot rows.
#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/list_reader.h"
#include "core/run_file.h"
#include "pressure/earth_pressure.h"
#include "pressure/pressure_steps.h"

namespace darnek::pressure {

namespace {

// Long diagrams are printed every sixth row (English) or every fourth (SI).
constexpr int kFullTableRows = 51;

void WriteTableHeading(RunContext& ctx, const std::string& depth_label) {
  const UnitLabels& u = ctx.data.Run.Labels;
  ctx.report.Write(
      "( 8X ' DEPTH         ACTIVE EARTH PRESSURE' / 8X 1X A3 17X A / "
      "8X '--------       ------------------------' )",
      depth_label, u.ForceLabel + "/" + u.LengthLabel2);
}

void WriteTableRow(RunContext& ctx, double depth, double value) {
  ctx.report.Write("( 6X F10.3 10X F10.3 )", depth, value);
}

void WriteActivePressureTable(RunContext& ctx) {
  const ProblemData& d = ctx.data;
  const std::vector<PressureRow>& rows = d.Pressure.Rows;
  const bool english = IsEnglish(d);
  ctx.report.Write("( / )");  // two blank lines
  // Depths print in feet in English units.
  WriteTableHeading(ctx, english ? d.Run.Labels.LargeLengthLabel.substr(0, 3) : d.Run.Labels.LengthLabel);
  const int n = static_cast<int>(rows.size());
  const int step = n < kFullTableRows ? 1 : (english ? 6 : 4);
  const auto row = [&](int i) {
    const auto& c = rows[static_cast<size_t>(i)].col;
    WriteTableRow(ctx, english ? c[0] / 12 : c[0], c[1]);
  };
  int last = -1;
  for (int i = 0; i < n; i += step) {
    row(i);
    last = i;
  }
  if (last != n - 1 && n > 0) row(n - 1);
}

// Adds col[1] (force per station) to BaseQ of stations 1 and below by linear
// interpolation in depth; station 0 gets no earth-pressure load.
void AddStationLoads(ProblemData& d) {
  const std::vector<PressureRow>& rows = d.Pressure.Rows;
  StationArray<double>& base_q = d.Stations.BaseQ;
  const double h = d.C2.IncrementLength;
  if (rows.empty() || base_q.Empty() || !(h > 0)) return;
  // Loads only reach the stations of the wall itself (a diagram may be given
  // deeper than the wall, as deep as the user likes).
  const double last_station = std::round(rows.back().col[0] / h);
  const int end =
      last_station < base_q.NumIncrements() ? static_cast<int>(last_station) : base_q.NumIncrements();
  size_t i = 0;  // the first row at or below the station (never moves up)
  double value = rows.back().col[1];
  for (int j = 1; j <= end; ++j) {
    const double depth = j * h;
    while (i < rows.size() && rows[i].col[0] < depth) ++i;
    if (i < rows.size()) {
      const auto& below = rows[i].col;
      if (i == 0 || below[0] == rows[i - 1].col[0]) {
        value = below[1];
      } else {
        const auto& above = rows[i - 1].col;
        value = above[1] + (below[1] - above[1]) * (depth - above[0]) / (below[0] - above[0]);
      }
    }
    // Past the last row the previous station's value is used again.
    base_q[j] += value;
  }
}

void WritePlotRows(RunContext& ctx) {
  std::vector<PressureRow>& rows = ctx.data.Pressure.Rows;
  const double h = ctx.data.C2.IncrementLength;
  ctx.plot.List(static_cast<int>(rows.size()));
  for (PressureRow& row : rows) {
    auto& c = row.col;
    // The front end draws column 3 on a scale that cannot show zero.
    if (c[2] == 0) c[2] = 1e-7;
    ctx.plot.Write("( 10(2X F10.3) )", c[0], c[1] / h, c[11], c[6], c[8], c[10], c[9], c[7]);
  }
}

}  // namespace

void LoadPressureRows(RunContext& ctx) {
  ProblemData& d = ctx.data;
  // The rows as the scratch file holds them, taken when they were written.
  std::vector<PressureRow>& rows = d.Pressure.Rows;

  // The width for earth pressure acts down to the dividing depth, the width
  // for soil resistance below it. A local width: WA stays as input, since the
  // soil side still needs the ratio WA/WP.
  double width = d.Wall.WA;
  bool below_dividing_depth = false;
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::array<double, 12> values = rows[i].col;
    if (!below_dividing_depth && values[0] > d.C2.DividingDepth) {
      below_dividing_depth = true;
      width = d.Wall.WP;
    }
    auto& c = rows[i].col;
    c[0] = values[0];
    for (size_t k = 2; k <= 10; ++k) c[k] = width * values[k];
    c[11] = width * values[11];
    c[1] = c[11];
  }

  WriteActivePressureTable(ctx);
  const double h = d.C2.IncrementLength;
  for (PressureRow& row : rows) row.col[1] *= h;
  AddStationLoads(d);
  WritePlotRows(ctx);
}

void ApplySpecifiedPressure(RunContext& ctx) {
  ProblemData& d = ctx.data;
  ctx.plot.List(CodeNumber(d.C1.EarthPressureOption));
  ctx.report.Write(
      "( / / 6X 50('*') / 6X '*        SPECIFIED ACTIVE EARTH PRESSURE         *' / "
      "6X 50('*') )");
  // The depths are printed as read, in the analysis length unit.
  WriteTableHeading(ctx, d.Run.Labels.LengthLabel);
  const double h = d.C2.IncrementLength;
  const bool surcharge = !d.Wall.SurchargeLoads.empty();
  std::vector<PressureRow>& rows = d.Pressure.Rows;
  rows.assign(d.Pressure.SpecifiedPressure.size(), PressureRow{});
  for (size_t i = 0; i < rows.size(); ++i) {
    const SpecifiedPressurePoint& point = d.Pressure.SpecifiedPressure[i];
    WriteTableRow(ctx, point.Depth, point.Pressure);
    auto& c = rows[i].col;
    c[0] = point.Depth;
    c[2] = point.Pressure;
    c[1] = point.Pressure * h;
    if (surcharge) {
      // The specified pressure is per unit length of wall already; the
      // surcharge acts over the width for earth pressure.
      c[3] = SurchargePressureAt(d, point.Depth) * d.Wall.WA;
      c[1] = (c[2] + c[3]) * h;
    }
    c[11] = c[1] / h;
  }
  if (surcharge && d.Wall.FreeHeight < kZeroFreeHeight) {
    ctx.report.Write(
        "( / 6X '**** WARNING ****' / "
        "6X 'THE FREE HEIGHT OF WALL IS ZERO: THE SURCHARGE LOADS ARE NOT APPLIED' / "
        "6X '(THEIR LATERAL PRESSURES ARE SCALED BY THE FREE HEIGHT).' )");
  }
  // Column 2 already holds the load per station.
  AddStationLoads(d);
  WritePlotRows(ctx);
}

}  // namespace darnek::pressure
