// The diagram as loads: the rows as written, with the loaded widths, the ACTIVE EARTH
// PRESSURE table, station loads by interpolation, plot rows, and the
// specified diagram.
#include <cmath>

#include "pressure/earth_pressure.h"
#include "pressure/pressure_fixture.h"

namespace darnek::pressure {
namespace {

class Loads : public testing::PressureTest {
 protected:
  // Rows as written to the scratch file, of depth and total pressure
  // (column 12); the other columns hold 1.
  void WriteScratch(const std::vector<std::pair<double, double>>& rows) {
    ctx.Data.Pressure.Rows.clear();
    for (const auto& [depth, pressure] : rows)
      ctx.Data.Pressure.Rows.push_back({depth, 9, 0, 1, 1, 1, 1, 1, 1, 1, 1, pressure});
  }
  std::vector<std::string> TableRows() const {
    const auto lines = Lines(report);
    return {lines.begin() + Find(lines, "        --------       ------------------------") + 1, lines.end()};
  }
};

TEST_F(Loads, WidthForEarthPressureActsDownToTheDividingDepthAndWAIsKept) {
  Wall(120, 20, 12);
  Layer(4, 300, 0.07, 30);
  ctx.Data.C2.DividingDepth = 120;
  ctx.Data.Wall.WA = 2;
  GeneratePressureDiagram(ctx);
  LoadPressureRows(ctx);
  const auto& rows = ctx.Data.Pressure.Rows;
  ASSERT_EQ(rows.size(), 241u);
  for (const PressureRow& row : rows) {
    const double z = row.Depth;
    const double pressure = std::round(P(1).Ka * 0.07 * std::min(z, 120.0) * 1000) / 1000;  // F10.3
    EXPECT_DOUBLE_EQ(row.Total, (z <= 120 ? 2 : 1) * pressure) << "z = " << z;
    EXPECT_DOUBLE_EQ(row.LoadPerStation, row.Total * 12) << "z = " << z;
  }
  EXPECT_EQ(ctx.Data.Wall.WA, 2);  // the soil side still needs WA/WP
  EXPECT_EQ(ctx.Data.Stations.BaseQ[0], 0);
  for (int j = 1; j <= 20; ++j) EXPECT_EQ(ctx.Data.Stations.BaseQ[j], rows[12u * j].LoadPerStation);
}

TEST_F(Loads, StationLoadsInterpolateBetweenRowsAndRepeatPastTheLast) {
  Wall(0, 10, 4);
  ctx.Data.Wall.WA = 3;
  ctx.Data.Stations.BaseQ[2] = 12;  // a load given directly stays
  WriteScratch({{0, 0}, {10, 1}, {20, 3}, {26, 3.6}});
  LoadPressureRows(ctx);
  const double expected[] = {0, 0.4, 1 + 0.8, 1.4, 2.2, 3, 3.4, 3.4, 0, 0, 0};
  for (int j = 0; j <= 10; ++j) EXPECT_NEAR(ctx.Data.Stations.BaseQ[j], 12 * expected[j], 1e-12) << j;
  EXPECT_EQ(
      Lines(plot)[2],
      "      10.000       3.000       3.000       3.000       3.000       3.000       3.000       3.000");
  EXPECT_EQ(ctx.Data.Pressure.Rows[1].ActiveWithWater, 1e-7);  // a zero column 3 is made visible
}

TEST_F(Loads, LongTablesPrintEverySixthRowInEnglishUnitsPlusTheLast) {
  Wall(0, 10, 12);
  std::vector<std::pair<double, double>> rows;
  for (int i = 0; i < 50; ++i) rows.push_back({12.0 * i, i});
  WriteScratch(rows);
  LoadPressureRows(ctx);
  EXPECT_EQ(TableRows().size(), 50u);
  EXPECT_NE(Find(Lines(report), "          FT                  LBS/IN"), -1);

  report.str("");
  rows.push_back({600, 50});
  WriteScratch(rows);
  LoadPressureRows(ctx);
  const auto table = TableRows();
  ASSERT_EQ(table.size(), 10u);  // rows 1, 7, ..., 49 and 51
  EXPECT_EQ(table[1], "           6.000               6.000");
  EXPECT_EQ(table[9], "          50.000              50.000");
}

TEST_F(Loads, SpecifiedDiagramLoadsStationsWithoutWidthAndWithHOnce) {
  Wall(120, 10, 4, 1);
  ctx.Data.Wall.WA = 3;
  ctx.Data.Pressure.SpecifiedPressure = {{0, 0}, {10, 1}, {20, 3}, {26, 3.6}};
  ApplySpecifiedPressure(ctx);
  const double expected[] = {0, 0.4, 0.8, 1.4, 2.2, 3, 3.4, 3.4, 0, 0, 0};
  for (int j = 0; j <= 10; ++j) EXPECT_NEAR(ctx.Data.Stations.BaseQ[j], 4 * expected[j], 1e-12) << j;
  EXPECT_NE(Find(Lines(report), "      *        SPECIFIED ACTIVE EARTH PRESSURE         *"), -1);
  EXPECT_EQ(TableRows()[1], "          10.000               1.000");
  const auto plot_lines = Lines(plot);
  ASSERT_EQ(plot_lines.size(), 6u);
  EXPECT_EQ(plot_lines[0], "           1");
  EXPECT_EQ(plot_lines[3].substr(0, 36), "      10.000       1.000       1.000");

  // The surcharge acts over WA.
  AddSurcharge(3, 2, 30, 20);
  ApplySpecifiedPressure(ctx);
  const double S = SurchargePressureAt(ctx.Data, 26);
  ASSERT_GT(S, 0);
  EXPECT_DOUBLE_EQ(ctx.Data.Pressure.Rows[3].LoadPerStation, (3.6 + 3 * S) * 4);
}

}  // namespace
}  // namespace darnek::pressure
