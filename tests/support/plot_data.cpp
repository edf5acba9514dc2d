#include "support/plot_data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "core/run_context.h"
#include "report/results_report.h"
#include "support/codes.h"
#include "support/temp_dir.h"

namespace darnek::testing {

using pictures::PlotCurvePoint;
using pictures::PlotEarthPressure;
using pictures::PlotFile;
using pictures::PlotPressureRow;
using pictures::PlotResults;
using pictures::PlotSoilCurve;
using pictures::PlotSoilCurves;
using pictures::PlotStage;
using pictures::PlotStationRow;
using pictures::PlotTieBack;

// ------------------------------------------------------------------ writing

std::string EarthPressureRecords(const PlotEarthPressure& block) {
  std::ostringstream text;
  OutputUnit plot(text);
  plot.List(block.Option);
  if (block.HasRowCount) {
    plot.List(static_cast<int>(block.Rows.size()));
    for (const PlotPressureRow& r : block.Rows)
      plot.Write("( 10(2X F10.3) )", r.Depth, r.Load, r.Total, r.Active, r.SurfaceShare, r.Apparent,
                 r.Surcharge, r.Water);
  }
  return text.str();
}

std::string SoilCurveRecords(const PlotSoilCurves& block) {
  std::ostringstream text;
  bool any_generated = false;
  for (const PlotSoilCurve& c : block.Curves) any_generated = any_generated || c.Generated;
  if (!any_generated) {
    // User curves go through the engine's own writer.
    RunContext ctx;
    ctx.Plot.Attach(text);
    ctx.Data.C1.UnitSystemCode = Code<UnitSystem>(block.UnitSystemCode);
    for (const PlotSoilCurve& c : block.Curves) {
      UserPyCurve u;
      u.Station = c.Station;
      u.NumPoints = static_cast<int>(c.Points.size());
      for (const PlotCurvePoint& p : c.Points) {
        u.Y.push_back(p.Y);
        u.P.push_back(p.P);
      }
      ctx.Data.UserPyCurves.push_back(u);
    }
    report::WritePlotUserCurves(ctx);
    return text.str();
  }
  OutputUnit plot(text);
  plot.List(block.UnitSystemCode, static_cast<int>(block.Curves.size()));
  for (const PlotSoilCurve& c : block.Curves) {
    if (c.Generated)
      plot.Write("( 1X F10.2 1X I5 )", c.Depth, static_cast<int>(c.Points.size()));
    else
      plot.List(c.Station, static_cast<int>(c.Points.size()));
    for (const PlotCurvePoint& p : c.Points) plot.List(p.Y, p.P);
  }
  return text.str();
}

std::string ResultsRecords(const PlotResults& block) {
  std::ostringstream text;
  RunContext ctx;
  ctx.Plot.Attach(text);
  ProblemData& d = ctx.Data;
  d.Run.UnitFlag = block.UnitFlag;
  if (!block.Solved) {
    d.Results.Outcome = StageOutcome::DeflectionExceeded;
    d.Results.LastResultRows = block.RowCount;
  } else {
    d.Results.Outcome = StageOutcome::Closed;
    int k = 0;
    for (const PlotStationRow& r : block.Rows) {
      StationResult s;
      s.Station = k++;
      s.X = r.X;
      s.Deflection = r.Deflection;
      s.Moment = r.Moment;
      s.Shear = r.Shear;
      s.NetForce = r.NetForce;
      s.EI = r.EI;
      s.SoilReaction = r.SoilReaction;
      d.Results.Stations.push_back(s);
    }
    for (const PlotTieBack& t : block.TieBacks) {
      TieBack b;
      b.Station = t.Station;
      b.Depth = t.Depth;
      b.Spacing = t.Spacing;
      b.Area = t.Area;
      b.Angle = t.Angle;
      b.HorizontalForcePerStation = t.HorizontalForcePerStation;
      b.ForcePerStation = t.ForcePerStation;
      b.ForcePerTieBack = t.ForcePerTieBack;
      b.Prestress = t.Prestress;
      d.TieBacks.push_back(b);
    }
  }
  report::WritePlotResults(ctx, block.StageCode);
  return text.str();
}

std::string PlotRecords(const PlotFile& file) {
  std::string text;
  for (const PlotStage& stage : file.Stages) {
    if (stage.EarthPressure) text += EarthPressureRecords(*stage.EarthPressure);
    if (stage.SoilCurves) text += SoilCurveRecords(*stage.SoilCurves);
    if (stage.Results) text += ResultsRecords(*stage.Results);
  }
  return text;
}

// -------------------------------------------------------------- comparing

namespace {

// Equal to the precision of a field of `digits` significant digits, or of
// `decimals` decimals when digits is 0; NaN matches NaN.
void Near(double expected, double actual, int digits, int decimals, const std::string& where) {
  if (std::isnan(expected)) {
    EXPECT_TRUE(std::isnan(actual)) << where;
    return;
  }
  const double tolerance = digits > 0
                               ? std::abs(expected) * 0.5 * std::pow(10.0, 1 - digits) * 1.0001 + 1e-300
                               : 0.5 * std::pow(10.0, -decimals) * 1.0001;
  EXPECT_NEAR(expected, actual, tolerance) << where;
}

}  // namespace

void ExpectSamePlot(const PlotFile& expected, const PlotFile& actual) {
  ASSERT_EQ(expected.Stages.size(), actual.Stages.size());
  for (size_t s = 0; s < expected.Stages.size(); ++s) {
    const PlotStage& e = expected.Stages[s];
    const PlotStage& a = actual.Stages[s];
    const std::string stage = "stage " + std::to_string(s + 1);
    EXPECT_EQ(a.Number, static_cast<int>(s + 1));
    ASSERT_EQ(e.EarthPressure.has_value(), a.EarthPressure.has_value()) << stage;
    if (e.EarthPressure) {
      EXPECT_EQ(e.EarthPressure->Option, a.EarthPressure->Option) << stage;
      EXPECT_EQ(e.EarthPressure->HasRowCount, a.EarthPressure->HasRowCount) << stage;
      ASSERT_EQ(e.EarthPressure->Rows.size(), a.EarthPressure->Rows.size()) << stage;
      for (size_t i = 0; i < e.EarthPressure->Rows.size(); ++i) {
        const PlotPressureRow& x = e.EarthPressure->Rows[i];
        const PlotPressureRow& y = a.EarthPressure->Rows[i];
        const std::string where = stage + ", pressure row " + std::to_string(i + 1);
        const double PlotPressureRow::*fields[] = {&PlotPressureRow::Depth,        &PlotPressureRow::Load,
                                                   &PlotPressureRow::Total,        &PlotPressureRow::Active,
                                                   &PlotPressureRow::SurfaceShare, &PlotPressureRow::Apparent,
                                                   &PlotPressureRow::Surcharge,    &PlotPressureRow::Water};
        for (auto f : fields) Near(x.*f, y.*f, 0, 3, where);
      }
    }
    ASSERT_EQ(e.SoilCurves.has_value(), a.SoilCurves.has_value()) << stage;
    if (e.SoilCurves) {
      EXPECT_EQ(e.SoilCurves->UnitSystemCode, a.SoilCurves->UnitSystemCode) << stage;
      ASSERT_EQ(e.SoilCurves->Curves.size(), a.SoilCurves->Curves.size()) << stage;
      for (size_t c = 0; c < e.SoilCurves->Curves.size(); ++c) {
        const PlotSoilCurve& x = e.SoilCurves->Curves[c];
        const PlotSoilCurve& y = a.SoilCurves->Curves[c];
        const std::string where = stage + ", curve " + std::to_string(c + 1);
        EXPECT_EQ(x.Generated, y.Generated) << where;
        if (x.Generated)
          Near(x.Depth, y.Depth, 0, 2, where);
        else
          EXPECT_EQ(x.Station, y.Station) << where;
        ASSERT_EQ(x.Points.size(), y.Points.size()) << where;
        // List-directed values carry 17 significant digits: exact.
        for (size_t p = 0; p < x.Points.size(); ++p) {
          EXPECT_EQ(x.Points[p].Y, y.Points[p].Y) << where << ", point " << p + 1;
          EXPECT_EQ(x.Points[p].P, y.Points[p].P) << where << ", point " << p + 1;
        }
      }
    }
    ASSERT_EQ(e.Results.has_value(), a.Results.has_value()) << stage;
    if (e.Results) {
      const PlotResults& x = *e.Results;
      const PlotResults& y = *a.Results;
      EXPECT_EQ(x.StageCode, y.StageCode) << stage;
      EXPECT_EQ(x.RowCount, y.RowCount) << stage;
      EXPECT_EQ(x.UnitFlag, y.UnitFlag) << stage;
      EXPECT_EQ(x.Solved, y.Solved) << stage;
      ASSERT_EQ(x.Rows.size(), y.Rows.size()) << stage;
      for (size_t i = 0; i < x.Rows.size(); ++i) {
        const std::string where = stage + ", station row " + std::to_string(i + 1);
        const double PlotStationRow::*fields[] = {&PlotStationRow::X,           &PlotStationRow::Deflection,
                                                  &PlotStationRow::Moment,      &PlotStationRow::Shear,
                                                  &PlotStationRow::NetForce,    &PlotStationRow::EI,
                                                  &PlotStationRow::SoilReaction};
        for (auto f : fields) Near(x.Rows[i].*f, y.Rows[i].*f, 5, 0, where);
      }
      ASSERT_EQ(x.TieBacks.size(), y.TieBacks.size()) << stage;
      for (size_t i = 0; i < x.TieBacks.size(); ++i) {
        const PlotTieBack& t = x.TieBacks[i];
        const PlotTieBack& u = y.TieBacks[i];
        const std::string where = stage + ", tie-back " + std::to_string(i + 1);
        EXPECT_EQ(t.Number, u.Number) << where;
        EXPECT_EQ(t.Station, u.Station) << where;
        Near(t.Depth, u.Depth, 4, 0, where);
        const double PlotTieBack::*fields[] = {
            &PlotTieBack::Spacing,         &PlotTieBack::Area,
            &PlotTieBack::Angle,           &PlotTieBack::HorizontalForcePerStation,
            &PlotTieBack::ForcePerStation, &PlotTieBack::ForcePerTieBack,
            &PlotTieBack::Prestress};
        for (auto f : fields) Near(t.*f, u.*f, 5, 0, where);
      }
    }
  }
}

PlotFile ExpectPlotFileReadsBack(const std::string& path) {
  const PlotFile plot = pictures::ReadPlotFile(path);
  EXPECT_TRUE(plot.Notes.empty()) << plot.Notes.front();
  std::istringstream original(ReadFile(path));
  std::istringstream rewritten(PlotRecords(plot));
  std::string a, b;
  int line = 0, mismatches = 0;
  for (;;) {
    const bool more_a = static_cast<bool>(std::getline(original, a));
    const bool more_b = static_cast<bool>(std::getline(rewritten, b));
    if (!more_a && !more_b) break;
    ++line;
    if (!more_a || !more_b || a != b) {
      ADD_FAILURE() << path << ", line " << line << ":\n  file:      " << (more_a ? a : "(end)")
                    << "\n  read back: " << (more_b ? b : "(end)");
      if (++mismatches == 5 || !more_a || !more_b) break;
    }
  }
  return plot;
}

void ExpectSummariesMatchPlot(const RunResult& result, const PlotFile& plot) {
  for (const StageSummary& s : result.Stages) {
    const PlotStage* stage = nullptr;
    for (const PlotStage& p : plot.Stages)
      if (p.Number == s.Stage) stage = &p;
    const std::string where = "stage " + std::to_string(s.Stage);
    if (stage == nullptr || !stage->Results) {
      EXPECT_FALSE(s.Solved) << where << " is solved but has no results block";
      continue;
    }
    const PlotResults& r = *stage->Results;
    EXPECT_EQ(s.Solved, r.Solved) << where;
    if (!s.Solved || !r.Solved) continue;
    EXPECT_EQ(s.UnitFlag, r.UnitFlag) << where;
    auto row_at = [&](double depth) -> const PlotStationRow* {
      for (const PlotStationRow& row : r.Rows)
        if (std::abs(row.X - depth) <= 1e-4 * std::max(1.0, std::abs(depth))) return &row;
      return nullptr;
    };
    double largest_deflection = 0, largest_moment = 0;
    for (const PlotStationRow& row : r.Rows) {
      largest_deflection = std::max(largest_deflection, std::abs(row.Deflection));
      largest_moment = std::max(largest_moment, std::abs(row.Moment));
    }
    Near(largest_deflection, std::abs(s.MaxDeflection), 5, 0, where + ", largest deflection");
    Near(largest_moment, std::abs(s.MaxMoment), 5, 0, where + ", largest moment");
    const PlotStationRow* at_deflection = row_at(s.MaxDeflectionDepth);
    const PlotStationRow* at_moment = row_at(s.MaxMomentDepth);
    ASSERT_NE(at_deflection, nullptr) << where << ": no station at the depth of the largest deflection";
    ASSERT_NE(at_moment, nullptr) << where << ": no station at the depth of the largest moment";
    Near(at_deflection->Deflection, s.MaxDeflection, 5, 0, where + ", deflection at its depth");
    Near(at_moment->Moment, s.MaxMoment, 5, 0, where + ", moment at its depth");
    ASSERT_EQ(s.TieBacks.size(), r.TieBacks.size()) << where;
    for (size_t i = 0; i < s.TieBacks.size(); ++i) {
      EXPECT_EQ(s.TieBacks[i].Number, r.TieBacks[i].Number) << where;
      EXPECT_EQ(s.TieBacks[i].Station, r.TieBacks[i].Station) << where;
      Near(s.TieBacks[i].Depth, r.TieBacks[i].Depth, 4, 0, where + ", tie-back depth");
      Near(s.TieBacks[i].ForcePerTieBack, r.TieBacks[i].ForcePerTieBack, 5, 0, where + ", tie-back force");
    }
  }
}

// --------------------------------------------------------------- samples

namespace {

// Solves A x = b by Gaussian elimination with partial pivoting (A dense,
// small).
std::vector<double> Solve(std::vector<std::vector<double>> a, std::vector<double> b) {
  const size_t n = b.size();
  for (size_t c = 0; c < n; ++c) {
    size_t pivot = c;
    for (size_t r = c + 1; r < n; ++r)
      if (std::abs(a[r][c]) > std::abs(a[pivot][c])) pivot = r;
    std::swap(a[c], a[pivot]);
    std::swap(b[c], b[pivot]);
    for (size_t r = c + 1; r < n; ++r) {
      const double f = a[r][c] / a[c][c];
      if (f == 0) continue;
      for (size_t k = c; k < n; ++k) a[r][k] -= f * a[c][k];
      b[r] -= f * b[c];
    }
  }
  std::vector<double> x(n);
  for (size_t i = n; i-- > 0;) {
    double sum = b[i];
    for (size_t k = i + 1; k < n; ++k) sum -= a[i][k] * x[k];
    x[i] = sum / a[i][i];
  }
  return x;
}

struct SampleUnits {
  double H;  // station spacing
  int N;     // increments
  double Ei;
  double Gamma;  // unit weight of the sand
  double GammaWater;
  double Ka;
  double Width;        // loaded width
  double Nh;           // growth of the subgrade modulus with depth
  double RowsPerUnit;  // pressure rows per length unit
  double WaterDepth;
  double Surcharge;  // peak surcharge pressure
  double TieBackStiffness;
  double TieBackSpacing;
  double Delta;   // curve depth offset below a layer top
  double YFirst;  // second point of the curve's y grid
};

SampleUnits UnitsOf(int unit_flag) {
  // English: inches and pounds (120 pcf sand, sheet pile of EI 6e9 lbs-in2
  // per foot); SI: metres and kilonewtons.
  if (unit_flag > 0)
    return {6.0, 60, 6e9, 120.0 / 1728, 0.036, 0.307, 12, 25, 1, 96, 0.8, 2.5e5, 8, 0.1, 0.002};
  return {0.25, 40, 42000, 18, 9.81, 0.307, 1, 9000, 20, 2.5, 12, 60000, 2.5, 0.01, 5e-5};
}

}  // namespace

PlotStage SampleStage(const SampleWall& wall) {
  const SampleUnits u = UnitsOf(wall.UnitFlag);
  const double length = u.N * u.H;
  const double excavation = wall.Excavation;
  PlotStage stage;
  stage.Number = wall.Stage;

  // Pressures along the wall: active earth pressure growing to the
  // excavation level and constant below, water from its table, a surcharge
  // bump near the top.
  auto active = [&](double z) { return u.Ka * u.Gamma * std::min(z, excavation) * u.Width; };
  auto water = [&](double z) {
    if (!wall.Water || z <= u.WaterDepth) return 0.0;
    return u.GammaWater * (std::min(z, excavation) - u.WaterDepth) * u.Width;
  };
  auto surcharge = [&](double z) {
    if (!wall.Surcharge) return 0.0;
    const double peak_depth = length * 0.15;
    return u.Surcharge * u.Width * std::exp(-std::pow((z - peak_depth) / (length * 0.12), 2));
  };
  auto load = [&](double z) { return std::max(0.0, active(z)) + water(z) + surcharge(z); };

  if (wall.EarthPressure) {
    PlotEarthPressure ep;
    ep.Option = 2;
    ep.HasRowCount = true;
    const int rows = static_cast<int>(std::lround(length * u.RowsPerUnit)) + 1;
    for (int i = 0; i < rows; ++i) {
      const double z = i / u.RowsPerUnit;
      PlotPressureRow r;
      r.Depth = z;
      r.Active = active(z);
      r.Water = water(z);
      r.Surcharge = surcharge(z);
      r.Total = r.Active + r.Water + r.Surcharge;
      r.Load = r.Total;
      ep.Rows.push_back(r);
    }
    stage.EarthPressure = ep;
  }

  // Soil curves: two profile layers below the excavation, five curves each.
  PlotSoilCurves curves;
  curves.UnitSystemCode = wall.UnitFlag > 0 ? 1 : 2;
  const double profile_bottom = length + 2 * u.H - excavation;
  const double layer_bottoms[] = {profile_bottom * 0.4, profile_bottom};
  double layer_top = 0;
  for (double layer_bottom : layer_bottoms) {
    const double t = layer_bottom - layer_top;
    const double depths[] = {layer_top + u.Delta, layer_top + 0.25 * t, layer_top + 0.5 * t,
                             layer_top + 0.75 * t, layer_bottom - u.Delta};
    for (double z : depths) {
      if (!wall.GeneratedCurves) break;
      PlotSoilCurve c;
      c.Generated = true;
      c.Depth = std::round((z + excavation) * 100) / 100;
      const double pa = active(z + excavation);
      auto resistance = [&](double x, double y) {
        const double pu = 9 * u.Ka * u.Gamma * u.Width * (x + 0.2 * excavation) * 3;
        const double k = u.Nh * (x + u.H);
        return pu * std::tanh(k * y / pu);
      };
      double y_grid[17];
      y_grid[0] = 0;
      for (int i = 1; i < 17; ++i) y_grid[i] = u.YFirst * std::pow(1.55, i - 1);
      for (int i = 16; i >= 0; --i)
        c.Points.push_back({-y_grid[i], resistance(z + excavation, y_grid[i]) + pa});
      for (int i = 1; i < 17; ++i) c.Points.push_back({y_grid[i], -(resistance(z, y_grid[i]) - pa)});
      curves.Curves.push_back(c);
    }
    layer_top = layer_bottom;
  }
  if (!wall.GeneratedCurves) {
    // User curves at four stations below the excavation.
    const int first = static_cast<int>(std::lround(excavation / u.H)) + 2;
    for (int i = 0; i < 4; ++i) {
      PlotSoilCurve c;
      c.Station = first + i * (u.N - first) / 4;
      const double x = c.Station * u.H - excavation;
      const double pu = 9 * u.Ka * u.Gamma * u.Width * (x + 0.2 * excavation) * 3;
      for (int p = 0; p < 6; ++p) {
        const double y = u.YFirst * 40 * p;
        c.Points.push_back({y, pu * (1 - std::exp(-y / (u.YFirst * 60)))});
      }
      curves.Curves.push_back(c);
    }
  }
  stage.SoilCurves = curves;

  PlotResults results;
  results.UnitFlag = wall.UnitFlag;
  results.RowCount = u.N + 1;
  if (wall.Failed) {
    results.StageCode = 0;
    stage.Results = results;
    return stage;
  }
  results.StageCode = wall.StageCode;
  results.Solved = true;

  // Beam on springs by central differences, free top and tip: unknowns
  // w(-2) .. w(N+2).
  const int n = u.N;
  const size_t size = static_cast<size_t>(n) + 5;
  auto col = [](int k) { return static_cast<size_t>(k + 2); };
  std::vector<std::vector<double>> a(size, std::vector<double>(size, 0.0));
  std::vector<double> b(size, 0.0);
  std::vector<double> soil(static_cast<size_t>(n) + 1, 0.0);
  for (int k = 0; k <= n; ++k) {
    const double z = k * u.H;
    if (z > excavation) soil[static_cast<size_t>(k)] = u.Nh * (z - excavation) * (wall.UnitFlag > 0 ? 12 : 1);
  }
  std::vector<double> spring = soil;
  const int tie_station = static_cast<int>(std::lround(excavation * 0.25 / u.H));
  if (wall.TieBack) spring[static_cast<size_t>(tie_station)] += u.TieBackStiffness / u.H;
  const double c4 = u.Ei / std::pow(u.H, 4);
  for (int k = 0; k <= n; ++k) {
    std::vector<double>& row = a[col(k)];
    const double stencil[] = {1, -4, 6, -4, 1};
    for (int j = -2; j <= 2; ++j) row[col(k + j)] += c4 * stencil[j + 2];
    row[col(k)] += spring[static_cast<size_t>(k)];
    b[col(k)] = load(k * u.H);
  }
  // Zero moment and shear at both ends, in rows -2, -1, N+1, N+2.
  a[col(-2)][col(-1)] = c4, a[col(-2)][col(0)] = -2 * c4, a[col(-2)][col(1)] = c4;
  a[col(-1)][col(-2)] = c4, a[col(-1)][col(-1)] = -2 * c4, a[col(-1)][col(1)] = 2 * c4,
  a[col(-1)][col(2)] = -c4;
  a[col(n + 1)][col(n - 1)] = c4, a[col(n + 1)][col(n)] = -2 * c4, a[col(n + 1)][col(n + 1)] = c4;
  a[col(n + 2)][col(n + 2)] = c4, a[col(n + 2)][col(n + 1)] = -2 * c4, a[col(n + 2)][col(n - 1)] = 2 * c4,
                        a[col(n + 2)][col(n - 2)] = -c4;
  const std::vector<double> w = Solve(a, b);
  auto W = [&](int k) { return w[col(k)]; };
  auto M = [&](int k) { return u.Ei * (W(k - 1) - 2 * W(k) + W(k + 1)) / (u.H * u.H); };
  for (int k = 0; k <= n; ++k) {
    PlotStationRow r;
    r.X = k * u.H;
    r.Deflection = W(k);
    r.Moment = M(k);
    r.Shear = (M(k + 1) - M(k - 1)) / (2 * u.H);
    r.NetForce = (M(k - 1) - 2 * M(k) + M(k + 1)) / u.H;
    r.EI = u.Ei;
    r.SoilReaction = -soil[static_cast<size_t>(k)] * W(k);
    results.Rows.push_back(r);
  }
  if (wall.TieBack) {
    PlotTieBack t;
    t.Number = 1;
    t.Station = tie_station;
    t.Depth = tie_station * u.H * (wall.UnitFlag > 0 ? 1.0 / 12 : 1.0);
    t.Spacing = u.TieBackSpacing;
    t.Area = wall.UnitFlag > 0 ? 1.5 : 0.001;
    t.Angle = 15;
    t.HorizontalForcePerStation = -u.TieBackStiffness * W(tie_station);
    t.ForcePerStation = t.HorizontalForcePerStation / std::cos(15 * 3.1415998935699463 / 180);
    t.ForcePerTieBack = t.ForcePerStation * t.Spacing;
    results.TieBacks.push_back(t);
  }
  stage.Results = results;
  return stage;
}

}  // namespace darnek::testing
