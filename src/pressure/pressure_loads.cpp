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
  const UnitLabels& u = ctx.Data.Run.Labels;
  ctx.Report.Write(
      "( 8X ' DEPTH         ACTIVE EARTH PRESSURE' / 8X 1X A3 17X A / "
      "8X '--------       ------------------------' )",
      depth_label, u.ForceLabel + "/" + u.LengthLabel2);
}

void WriteTableRow(RunContext& ctx, double depth, double value) {
  ctx.Report.Write("( 6X F10.3 10X F10.3 )", depth, value);
}

void WriteActivePressureTable(RunContext& ctx) {
  const ProblemData& d = ctx.Data;
  const std::vector<PressureRow>& rows = d.Pressure.Rows;
  const bool english = IsEnglish(d);
  ctx.Report.Write("( / )");  // two blank lines
  // Depths print in feet in English units.
  WriteTableHeading(ctx, english ? d.Run.Labels.LargeLengthLabel.substr(0, 3) : d.Run.Labels.LengthLabel);
  const int n = static_cast<int>(rows.size());
  const int step = n < kFullTableRows ? 1 : (english ? 6 : 4);
  const auto row = [&](int i) {
    const auto& c = rows[static_cast<size_t>(i)];
    WriteTableRow(ctx, english ? c.Depth / 12 : c.Depth, c.LoadPerStation);
  };
  int last = -1;
  for (int i = 0; i < n; i += step) {
    row(i);
    last = i;
  }
  if (last != n - 1 && n > 0) row(n - 1);
}

// Adds LoadPerStation to BaseQ of stations 1 and below by linear
// interpolation in depth; station 0 gets no earth-pressure load.
void AddStationLoads(ProblemData& d) {
  const std::vector<PressureRow>& rows = d.Pressure.Rows;
  StationArray<double>& base_q = d.Stations.BaseQ;
  const double h = d.C2.IncrementLength;
  if (rows.empty() || base_q.Empty() || !(h > 0)) return;
  // Loads only reach the stations of the wall itself (a diagram may be given
  // deeper than the wall, as deep as the user likes).
  const double last_station = std::round(rows.back().Depth / h);
  const int end =
      last_station < base_q.NumIncrements() ? static_cast<int>(last_station) : base_q.NumIncrements();
  size_t i = 0;  // the first row at or below the station (never moves up)
  double value = rows.back().LoadPerStation;
  for (int j = 1; j <= end; ++j) {
    const double depth = j * h;
    while (i < rows.size() && rows[i].Depth < depth) ++i;
    if (i < rows.size()) {
      const auto& below = rows[i];
      if (i == 0 || below.Depth == rows[i - 1].Depth) {
        value = below.LoadPerStation;
      } else {
        const auto& above = rows[i - 1];
        value = above.LoadPerStation + (below.LoadPerStation - above.LoadPerStation) * (depth - above.Depth) /
                                           (below.Depth - above.Depth);
      }
    }
    // Past the last row the previous station's value is used again.
    base_q[j] += value;
  }
}

void WritePlotRows(RunContext& ctx) {
  std::vector<PressureRow>& rows = ctx.Data.Pressure.Rows;
  const double h = ctx.Data.C2.IncrementLength;
  ctx.Plot.List(static_cast<int>(rows.size()));
  for (PressureRow& row : rows) {
    // The front end draws column 3 on a scale that cannot show zero.
    if (row.ActiveWithWater == 0) row.ActiveWithWater = 1e-7;
    ctx.Plot.Write("( 10(2X F10.3) )", row.Depth, row.LoadPerStation / h, row.Total, row.Active,
                   row.SurfaceShare, row.Apparent, row.SurchargeLoads, row.Water);
  }
}

}  // namespace

void LoadPressureRows(RunContext& ctx) {
  ProblemData& d = ctx.Data;
  // The rows as the scratch file holds them, taken when they were written.
  std::vector<PressureRow>& rows = d.Pressure.Rows;

  // The width for earth pressure acts down to the dividing depth, the width
  // for soil resistance below it. A local width: WA stays as input, since the
  // soil side still needs the ratio WA/WP.
  double width = d.Wall.WA;
  bool below_dividing_depth = false;
  for (size_t i = 0; i < rows.size(); ++i) {
    PressureRow& row = rows[i];
    if (!below_dividing_depth && row.Depth > d.C2.DividingDepth) {
      below_dividing_depth = true;
      width = d.Wall.WP;
    }
    // Every pressure after the width factor; the load is their total.
    for (size_t k = 2; k < std::size(kPressureColumns); ++k) row.*kPressureColumns[k] *= width;
    row.LoadPerStation = row.Total;
  }

  WriteActivePressureTable(ctx);
  const double h = d.C2.IncrementLength;
  for (PressureRow& row : rows) row.LoadPerStation *= h;
  AddStationLoads(d);
  WritePlotRows(ctx);
}

void ApplySpecifiedPressure(RunContext& ctx) {
  ProblemData& d = ctx.Data;
  ctx.Plot.List(CodeNumber(d.C1.EarthPressureOption));
  ctx.Report.Write(
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
    PressureRow& row = rows[i];
    row.Depth = point.Depth;
    row.ActiveWithWater = point.Pressure;
    row.LoadPerStation = point.Pressure * h;
    if (surcharge) {
      // The specified pressure is per unit length of wall already; the
      // surcharge acts over the width for earth pressure.
      row.Surcharge = SurchargePressureAt(d, point.Depth) * d.Wall.WA;
      row.LoadPerStation = (row.ActiveWithWater + row.Surcharge) * h;
    }
    row.Total = row.LoadPerStation / h;
  }
  if (surcharge && d.Wall.FreeHeight < kZeroFreeHeight) {
    ctx.Report.Write(
        "( / 6X '**** WARNING ****' / "
        "6X 'THE FREE HEIGHT OF WALL IS ZERO: THE SURCHARGE LOADS ARE NOT APPLIED' / "
        "6X '(THEIR LATERAL PRESSURES ARE SCALED BY THE FREE HEIGHT).' )");
  }
  // Column 2 already holds the load per station.
  AddStationLoads(d);
  WritePlotRows(ctx);
}

}  // namespace darnek::pressure
