#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "pictures/drawings.h"
#include "support/plot_data.h"
#include "support/run_helper.h"
#include "support/temp_dir.h"
#include "support/xml.h"

namespace darnek::pictures {
namespace {

using testing::ParseXml;
using testing::PolylinePoints;
using testing::SampleStage;
using testing::SampleWall;
using testing::TempDir;
using testing::XmlNode;

// ------------------------------------------------------------- samples

PlotFile EnglishAnchoredWall() {
  SampleWall wall;
  wall.UnitFlag = 1;
  wall.Excavation = 180;  // 15 ft
  wall.TieBack = true;
  wall.Water = true;
  wall.Surcharge = true;
  PlotFile file;
  file.Name = "anchored.plt";
  file.Stages.push_back(SampleStage(wall));
  return file;
}

// Three SI stages: a cantilever, the same wall anchored and dug deeper, and
// a third stage that did not close.
PlotFile SiStagedExcavation() {
  PlotFile file;
  file.Name = "staged.plt";
  SampleWall wall;
  wall.UnitFlag = -1;
  wall.Excavation = 2.5;
  wall.GeneratedCurves = false;
  file.Stages.push_back(SampleStage(wall));
  wall.Stage = 2;
  wall.Excavation = 4.0;
  wall.TieBack = true;
  wall.GeneratedCurves = true;
  wall.Surcharge = true;
  file.Stages.push_back(SampleStage(wall));
  wall.Stage = 3;
  wall.Excavation = 5.5;
  wall.Failed = true;
  file.Stages.push_back(SampleStage(wall));
  return file;
}

// What the engine wrote for every bundled example, read back, with the
// options the tool draws it with after the run.
struct ExampleRun {
  PlotFile Plot;
  PictureOptions Options;
};
const std::vector<ExampleRun>& ExampleRuns() {
  static const std::vector<ExampleRun> runs = [] {
    std::vector<ExampleRun> all;
    for (const auto& e :
         std::filesystem::directory_iterator(std::filesystem::path(DARNEK_SOURCE_DIR) / "examples")) {
      if (e.path().extension() != ".dat") continue;
      const testing::RunOutput out =
          testing::RunText(testing::ReadFile(e.path().string()), e.path().filename());
      std::istringstream in(out.Plot);
      all.push_back({ParsePlotData(in, e.path().stem().string() + ".plt"), OptionsFromRun(out.Result)});
    }
    return all;
  }();
  return runs;
}

const std::vector<PlotFile>& ExamplePlots() {
  static const std::vector<PlotFile> plots = [] {
    std::vector<PlotFile> files;
    for (const ExampleRun& run : ExampleRuns()) files.push_back(run.Plot);
    return files;
  }();
  return plots;
}

// The made-up walls and every example.
std::vector<PlotFile> AllPlots() {
  std::vector<PlotFile> all = {EnglishAnchoredWall(), SiStagedExcavation()};
  all.insert(all.end(), ExamplePlots().begin(), ExamplePlots().end());
  return all;
}

// ----------------------------------------------------- reading pictures

// The number a label shows: a minus sign, digits, and an optional
// "×10" with superscript digits.
double LabelNumber(const std::string& text, size_t* consumed = nullptr) {
  std::string ascii;
  size_t i = 0;
  const std::string minus = "\u2212", times = "\u00d710";
  if (text.compare(0, minus.size(), minus) == 0) {
    ascii += '-';
    i += minus.size();
  }
  while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.'))
    ascii += text[i++];
  double value = std::stod(ascii);
  if (text.compare(i, times.size(), times) == 0) {
    i += times.size();
    static const std::string digits[] = {"\u2070", "\u00b9", "\u00b2", "\u00b3", "\u2074",
                                         "\u2075", "\u2076", "\u2077", "\u2078", "\u2079"};
    int sign = 1, exponent = 0;
    if (text.compare(i, 3, "\u207b") == 0) sign = -1, i += 3;
    for (bool more = true; more;) {
      more = false;
      for (int d = 0; d < 10; ++d) {
        if (text.compare(i, digits[d].size(), digits[d]) == 0) {
          exponent = exponent * 10 + d;
          i += digits[d].size();
          more = true;
          break;
        }
      }
    }
    value *= std::pow(10.0, sign * exponent);
  }
  if (consumed) *consumed = i;
  return value;
}

// The linear map from values to pixels that the ticks of one axis show,
// checked to be linear over all its ticks.
struct Scale {
  double V0 = 0, P0 = 0, Slope = 1;
  double Pixel(double v) const { return P0 + (v - V0) * Slope; }
};

Scale ScaleFromTicks(const std::vector<const XmlNode*>& ticks, bool vertical) {
  EXPECT_GE(ticks.size(), 2u);
  std::vector<std::pair<double, double>> marks;
  for (const XmlNode* t : ticks) {
    const XmlNode* line = t->FindAll("line").at(0);
    marks.emplace_back(t->Number("data-value"), vertical ? line->Number("y1") : line->Number("x1"));
    // The label shows the tick's value, scaled by a power of ten that the
    // axis title names.
    const std::vector<const XmlNode*> texts = t->FindAll("text");
    if (!texts.empty() && marks.back().first != 0) {
      const double ratio = LabelNumber(texts[0]->Text) / marks.back().first;
      const double exponent = std::log10(ratio);
      EXPECT_NEAR(exponent, std::round(exponent), 1e-6) << texts[0]->Text << " for " << marks.back().first;
    }
  }
  Scale s;
  s.V0 = marks.front().first;
  s.P0 = marks.front().second;
  s.Slope = (marks.back().second - marks.front().second) / (marks.back().first - marks.front().first);
  for (const auto& [v, p] : marks) EXPECT_NEAR(s.Pixel(v), p, 0.01) << "tick " << v << " off the line";
  return s;
}

const XmlNode* Panel(const XmlNode& svg, const std::string& quantity) {
  for (const XmlNode* p : svg.WithClass("panel"))
    if (p->Attr("data-quantity") == quantity) return p;
  return nullptr;
}

std::vector<std::pair<double, double>> CurvePoints(const XmlNode& parent, const std::string& cls) {
  std::vector<std::pair<double, double>> points;
  for (const XmlNode* line : parent.WithClass(cls)) {
    EXPECT_EQ(line->Name, "polyline");
    const auto some = PolylinePoints(*line);
    points.insert(points.end(), some.begin(), some.end());
  }
  return points;
}

// ----------------------------------------------------------------- tests

struct WallQuantity {
  const char* Key;
  double PlotStationRow::*Member;
};
const WallQuantity kQuantities[] = {{"deflection", &PlotStationRow::Deflection},
                                    {"moment", &PlotStationRow::Moment},
                                    {"shear", &PlotStationRow::Shear},
                                    {"soil-reaction", &PlotStationRow::SoilReaction}};

TEST(WallDiagrams, CurvesMapBackToTheStationValuesWithinAPixel) {
  for (const PlotFile& file : AllPlots()) {
    for (const PlotStage& stage : file.Stages) {
      if (!stage.Results->Solved) continue;
      const double to_depth = StageUnitFlag(stage) > 0 ? 1.0 / 12 : 1.0;
      const XmlNode svg = ParseXml(DrawWallDiagrams(stage, std::nullopt));
      const Scale depth = ScaleFromTicks(svg.WithClass("depth-axis").at(0)->WithClass("tick-depth"), true);
      for (const WallQuantity& q : kQuantities) {
        SCOPED_TRACE(file.Name + " stage " + std::to_string(stage.Number) + " " + q.Key);
        const XmlNode* panel = Panel(svg, q.Key);
        ASSERT_NE(panel, nullptr);
        const Scale value = ScaleFromTicks(panel->WithClass("tick-value"), false);
        const auto points = CurvePoints(*panel, "curve");
        const std::vector<PlotStationRow>& rows = stage.Results->Rows;
        ASSERT_EQ(points.size(), rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
          EXPECT_NEAR(points[i].first, value.Pixel(rows[i].*q.Member), 1.0) << "row " << i;
          EXPECT_NEAR(points[i].second, depth.Pixel(rows[i].X * to_depth), 1.0) << "row " << i;
        }
      }
    }
  }
}

TEST(WallDiagrams, UnitsFollowTheUnitFlagWithDepthsInFeetForEnglishUnits) {
  const std::string english =
      ParseXml(DrawWallDiagrams(EnglishAnchoredWall().Stages[0], std::nullopt)).AllText();
  EXPECT_NE(english.find("Depth below top of wall (ft)"), std::string::npos);
  EXPECT_NE(english.find("(in)"), std::string::npos);
  EXPECT_NE(english.find("lbs\u00b7in per result width)"), std::string::npos);
  EXPECT_NE(english.find("(lbs/in per result width)"), std::string::npos);
  const std::string si = ParseXml(DrawWallDiagrams(SiStagedExcavation().Stages[1], std::nullopt)).AllText();
  EXPECT_NE(si.find("Depth below top of wall (m)"), std::string::npos);
  EXPECT_NE(si.find("kN\u00b7m per result width)"), std::string::npos);
  EXPECT_NE(si.find("(kN/m per result width)"), std::string::npos);
  EXPECT_EQ(si.find("lbs"), std::string::npos);
  // One deflection unit per system, whatever the size of the deflections:
  // millimetres for SI, inches for English units; the p-y curves' y too.
  for (const ExampleRun& run : ExampleRuns())
    for (const PlotStage& stage : run.Plot.Stages) {
      if (!stage.Results->Solved) continue;
      const std::string unit = StageUnitFlag(stage) > 0 ? "(in)" : "(mm)";
      EXPECT_EQ(
          Panel(ParseXml(DrawWallDiagrams(stage, std::nullopt)), "deflection")->FindAll("text").at(1)->Text,
          unit)
          << run.Plot.Name;
      const std::string curves = ParseXml(DrawPyCurves(stage, std::nullopt)).AllText();
      EXPECT_NE(curves.find("y, deflection " + unit), std::string::npos) << run.Plot.Name;
    }
}

// A marked value's label never crosses the excavation line: it goes below
// its dot, or off the line, where above it would.
TEST(WallDiagrams, LabelsOfLargestValuesKeepClearOfTheExcavationLine) {
  int near_the_line = 0;
  for (const ExampleRun& run : ExampleRuns())
    for (const PlotStage& stage : run.Plot.Stages) {
      const std::optional<double> excavation = ExcavationDepthFor(stage, run.Options);
      if (!stage.Results->Solved || !excavation) continue;
      const XmlNode svg = ParseXml(DrawWallDiagrams(stage, excavation));
      const Scale depth = ScaleFromTicks(svg.WithClass("depth-axis").at(0)->WithClass("tick-depth"), true);
      const double line = depth.Pixel(*excavation * (StageUnitFlag(stage) > 0 ? 1.0 / 12 : 1.0));
      for (const XmlNode* mark : svg.WithClass("extreme")) {
        const double baseline = mark->FindAll("text").at(0)->Number("y");
        const double dot = mark->FindAll("circle").at(0)->Number("cy");
        near_the_line += std::abs(dot - line) < 20;
        EXPECT_FALSE(line > baseline - 14 && line < baseline + 6)
            << run.Plot.Name << " stage " << stage.Number << ": " << mark->FindAll("text").at(0)->Text;
      }
    }
  EXPECT_GT(near_the_line, 0) << "no marked value lies near an excavation line: the test tests nothing";
}

TEST(WallDiagrams, LargestValuesAreMarkedWithTheirNumbersAndDepths) {
  std::vector<std::pair<std::string, PlotStage>> stages;
  for (const PlotFile& file : AllPlots())
    for (const PlotStage& stage : file.Stages)
      if (stage.Results && stage.Results->Solved) stages.emplace_back(file.Name, stage);
  for (const auto& [name, stage] : stages) {
    const PlotFile file{name, {}, {}};
    const bool english = StageUnitFlag(stage) > 0;
    const double to_depth = english ? 1.0 / 12 : 1.0;
    const XmlNode svg = ParseXml(DrawWallDiagrams(stage, std::nullopt));
    const Scale depth = ScaleFromTicks(svg.WithClass("depth-axis").at(0)->WithClass("tick-depth"), true);
    for (const WallQuantity& q : kQuantities) {
      SCOPED_TRACE(file.Name + " " + q.Key);
      const XmlNode* panel = Panel(svg, q.Key);
      const Scale value = ScaleFromTicks(panel->WithClass("tick-value"), false);
      const std::vector<const XmlNode*> marks = panel->WithClass("extreme");
      ASSERT_EQ(marks.size(), 1u);
      const PlotStationRow* largest = nullptr;
      for (const PlotStationRow& r : stage.Results->Rows)
        if (!largest || std::abs(r.*q.Member) > std::abs(largest->*q.Member)) largest = &r;
      const double v = largest->*q.Member;
      EXPECT_EQ(marks[0]->Number("data-value"), v);
      EXPECT_DOUBLE_EQ(marks[0]->Number("data-depth"), largest->X * to_depth);
      const XmlNode* dot = marks[0]->FindAll("circle").at(0);
      EXPECT_NEAR(dot->Number("cx"), value.Pixel(v), 1.0);
      EXPECT_NEAR(dot->Number("cy"), depth.Pixel(largest->X * to_depth), 1.0);
      // The label: the value to four significant digits, its unit, its depth.
      const std::string label = marks[0]->FindAll("text").at(0)->Text;
      size_t used = 0;
      const double shown = LabelNumber(label, &used) * (label.compare(used, 4, " mm ") == 0 ? 1e-3 : 1.0);
      EXPECT_NEAR(shown, v, std::abs(v) * 5e-4) << label;
      EXPECT_EQ(std::signbit(shown), std::signbit(v)) << label;
      const std::string at = " at " + std::to_string(std::lround(largest->X * to_depth * 100) / 100) + ".";
      EXPECT_NE(label.find(at), std::string::npos) << label << " lacks" << at;
      EXPECT_NE(label.find(english ? " ft" : " m"), std::string::npos) << label;
    }
  }
}

TEST(WallDiagrams, VeryLargeAndVerySmallValuesAreLabelledWithAPowerOfTen) {
  PlotStage stage = EnglishAnchoredWall().Stages[0];
  for (PlotStationRow& r : stage.Results->Rows) {
    r.Moment *= 2e4;       // about -2.2e9 lbs-in
    r.Deflection *= 1e-4;  // about 6e-6 in
  }
  const XmlNode svg = ParseXml(DrawWallDiagrams(stage, std::nullopt));
  for (const char* key : {"moment", "deflection"}) {
    const XmlNode* mark = Panel(svg, key)->WithClass("extreme").at(0);
    const std::string label = mark->FindAll("text").at(0)->Text;
    EXPECT_NE(label.find("\u00d710"), std::string::npos) << label;
    const double v = mark->Number("data-value");
    EXPECT_NEAR(LabelNumber(label), v, std::abs(v) * 5e-4) << label;
    // The axis names its power of ten, and its ticks agree with it.
    const std::string unit = Panel(svg, key)->FindAll("text").at(1)->Text;
    EXPECT_NE(unit.find("\u00d710"), std::string::npos) << unit;
    ScaleFromTicks(Panel(svg, key)->WithClass("tick-value"), false);
  }
}

TEST(WallDiagrams, AStageWithoutSolutionSaysSoAndDrawsNoCurve) {
  const PlotStage failed = SiStagedExcavation().Stages[2];
  const XmlNode svg = ParseXml(DrawWallDiagrams(failed, 5.5));
  EXPECT_TRUE(svg.FindAll("polyline").empty());
  EXPECT_TRUE(svg.WithClass("panel").empty());
  EXPECT_TRUE(svg.WithClass("tick-value").empty());
  const std::string text = svg.WithClass("message").at(0)->AllText();
  EXPECT_NE(text.find("No solution in this stage"), std::string::npos) << text;
  EXPECT_NE(text.find("maximum allowable deflection was exceeded"), std::string::npos) << text;

  PlotStage cut_short = failed;
  cut_short.Results.reset();
  const XmlNode svg2 = ParseXml(DrawWallDiagrams(cut_short, std::nullopt));
  EXPECT_TRUE(svg2.FindAll("polyline").empty());
  EXPECT_NE(svg2.AllText().find("No results for this stage"), std::string::npos);
}

TEST(WallDiagrams, ExcavationLevelAndTieBacksAreDrawnAtTheirDepths) {
  const PlotStage stage = EnglishAnchoredWall().Stages[0];
  const XmlNode with = ParseXml(DrawWallDiagrams(stage, 180.0));
  const Scale depth = ScaleFromTicks(with.WithClass("depth-axis").at(0)->WithClass("tick-depth"), true);
  const auto excavation = with.WithClass("excavation");
  ASSERT_EQ(excavation.size(), 4u);  // across each panel
  for (const XmlNode* e : excavation) {
    EXPECT_DOUBLE_EQ(e->Number("data-depth"), 15.0);
    EXPECT_NEAR(e->FindAll("line").at(0)->Number("y1"), depth.Pixel(15.0), 1.0);
  }
  EXPECT_NE(excavation[0]->AllText().find("Excavation level 15.00 ft"), std::string::npos);
  const auto tie_backs = with.WithClass("tie-back");
  ASSERT_EQ(tie_backs.size(), 4u);
  const double tie_depth = stage.Results->TieBacks[0].Station * 6.0 / 12;
  EXPECT_NEAR(tie_backs[0]->FindAll("line").at(0)->Number("y1"), depth.Pixel(tie_depth), 1.0);
  EXPECT_NE(with.WithClass("tie-back-force").at(0)->AllText().find("Tie-back 1"), std::string::npos);

  const XmlNode without = ParseXml(DrawWallDiagrams(stage, std::nullopt));
  EXPECT_TRUE(without.WithClass("excavation").empty());
  EXPECT_EQ(without.WithClass("tie-back").size(), 4u);
}

TEST(EarthPressureDiagram, TotalAndItsPartsMapBackToTheRows) {
  struct Part {
    const char* Cls;
    double (*Pick)(const PlotPressureRow&);
  };
  const Part parts[] = {
      {"curve-total", [](const PlotPressureRow& r) { return r.Load; }},
      {"curve-active", [](const PlotPressureRow& r) { return r.Active; }},
      {"curve-water", [](const PlotPressureRow& r) { return r.Water; }},
      {"curve-surcharge", [](const PlotPressureRow& r) { return r.Surcharge + r.SurfaceShare; }},
  };
  int drawn_diagrams = 0;
  for (const PlotFile& file : AllPlots()) {
    for (const PlotStage& each : file.Stages) {
      if (!each.EarthPressure || each.EarthPressure->Rows.empty()) continue;
      SCOPED_TRACE(file.Name + " stage " + std::to_string(each.Number));
      const double to_depth = StageUnitFlag(each) > 0 ? 1.0 / 12 : 1.0;
      const XmlNode each_svg = ParseXml(DrawEarthPressure(each, std::nullopt));
      const Scale each_depth =
          ScaleFromTicks(each_svg.WithClass("depth-axis").at(0)->WithClass("tick-depth"), true);
      const XmlNode* each_panel = Panel(each_svg, "earth-pressure");
      ASSERT_NE(each_panel, nullptr);
      const Scale each_value = ScaleFromTicks(each_panel->WithClass("tick-value"), false);
      const std::vector<PlotPressureRow>& each_rows = each.EarthPressure->Rows;
      // Where the apparent pressure replaces the active, the surface
      // pressure's share goes with it.
      std::vector<bool> replaced(each_rows.size(), false);
      for (const XmlNode* line : each_panel->WithClass("curve-apparent"))
        for (size_t k = 0; k < PolylinePoints(*line).size(); ++k)
          replaced.at(static_cast<size_t>(line->Number("data-first")) + k) = true;
      for (const Part& p : parts) {
        // The parts are drawn only where the stage has them (a specified
        // diagram has none, the apparent pressure replaces the active
        // over its depth); the total always, whole.
        const auto lines = each_panel->WithClass(p.Cls);
        if (std::string(p.Cls) == "curve-total") {
          ASSERT_EQ(CurvePoints(*each_panel, p.Cls).size(), each_rows.size());
        }
        SCOPED_TRACE(p.Cls);
        for (const XmlNode* line : lines) {
          const auto points = PolylinePoints(*line);
          const size_t first = static_cast<size_t>(line->Number("data-first"));
          ASSERT_LE(first + points.size(), each_rows.size());
          for (size_t k = 0; k < points.size(); ++k) {
            const PlotPressureRow& r = each_rows[first + k];
            const double v =
                p.Pick(r) - (replaced[first + k] && p.Pick == parts[3].Pick ? r.SurfaceShare : 0);
            EXPECT_NEAR(points[k].first, each_value.Pixel(v), 1.0) << "row " << first + k;
            EXPECT_NEAR(points[k].second, each_depth.Pixel(r.Depth * to_depth), 1.0) << "row " << first + k;
          }
        }
      }
      ++drawn_diagrams;
    }
  }
  EXPECT_GE(drawn_diagrams, 5);

  const PlotStage stage = EnglishAnchoredWall().Stages[0];
  const XmlNode svg = ParseXml(DrawEarthPressure(stage, 180.0));
  const XmlNode* panel = Panel(svg, "earth-pressure");
  const std::vector<PlotPressureRow>& rows = stage.EarthPressure->Rows;
  for (const Part& p : parts) EXPECT_FALSE(CurvePoints(*panel, p.Cls).empty()) << p.Cls;
  // Nothing is drawn for the apparent pressure, which this diagram lacks.
  EXPECT_TRUE(panel->WithClass("curve-apparent").empty());
  const XmlNode* mark = panel->WithClass("extreme").at(0);
  double largest = 0;
  for (const PlotPressureRow& r : rows) largest = std::max(largest, r.Load);
  EXPECT_EQ(mark->Number("data-value"), largest);
  EXPECT_NEAR(LabelNumber(mark->FindAll("text").at(0)->Text), largest, largest * 5e-4);
  EXPECT_NE(svg.AllText().find("(lbs/in per result width)"), std::string::npos);

  // A dry wall without surcharge: the total and the active pressure only.
  SampleWall dry;
  dry.Excavation = 120;
  const XmlNode plain = ParseXml(DrawEarthPressure(SampleStage(dry), std::nullopt));
  EXPECT_EQ(plain.WithClass("curve-total").size(), 1u);
  EXPECT_EQ(plain.WithClass("curve-active").size(), 1u);
  EXPECT_TRUE(plain.WithClass("curve-water").empty());
  EXPECT_TRUE(plain.WithClass("curve-surcharge").empty());

  PlotStage no_pressure = stage;
  no_pressure.EarthPressure.reset();
  EXPECT_EQ(DrawEarthPressure(no_pressure, std::nullopt), "");
}

TEST(PyCurvePictures, BranchesMapBackToTheCurvePoints) {
  for (const PlotFile& file : AllPlots()) {
    for (const PlotStage& stage : file.Stages) {
      const XmlNode svg = ParseXml(DrawPyCurves(stage, std::nullopt));
      const std::vector<PlotSoilCurve>& curves = stage.SoilCurves->Curves;
      const auto panels = svg.WithClass("py-panel");
      ASSERT_EQ(panels.size(), std::min<size_t>(6, curves.size()));
      double previous_depth = -1;
      for (const XmlNode* panel : panels) {
        const PlotSoilCurve& c = curves.at(static_cast<size_t>(panel->Number("data-curve")));
        SCOPED_TRACE(file.Name + " stage " + std::to_string(stage.Number) + " curve " +
                     panel->Attr("data-curve"));
        const double key = c.Generated ? c.Depth : c.Station;
        EXPECT_GT(key, previous_depth);  // shallowest first
        previous_depth = key;
        const Scale x = ScaleFromTicks(panel->WithClass("tick-y"), false);
        const Scale y = ScaleFromTicks(panel->WithClass("tick-p"), true);
        std::vector<std::pair<double, double>> drawn;
        if (c.Generated) {
          const auto backfill = CurvePoints(*panel, "branch-backfill");
          const auto excavation = CurvePoints(*panel, "branch-excavation");
          // A generated curve: 17 backfill points at y <= 0, 16 excavation
          // points; a user curve carried among generated ones splits at y = 0.
          size_t at_or_below_zero = 0;
          while (at_or_below_zero < c.Points.size() && !(c.Points[at_or_below_zero].Y > 0))
            ++at_or_below_zero;
          EXPECT_EQ(backfill.size(), at_or_below_zero);
          if (c.Points.size() == 33) {
            EXPECT_EQ(backfill.size(), 17u);
            EXPECT_EQ(excavation.size(), 16u);
          }
          drawn = backfill;
          drawn.insert(drawn.end(), excavation.begin(), excavation.end());
        } else {
          drawn = CurvePoints(*panel, "user-curve");
        }
        ASSERT_EQ(drawn.size(), c.Points.size());
        for (size_t i = 0; i < drawn.size(); ++i) {
          EXPECT_NEAR(drawn[i].first, x.Pixel(c.Points[i].Y), 1.0) << "point " << i;
          EXPECT_NEAR(drawn[i].second, y.Pixel(c.Points[i].P), 1.0) << "point " << i;
        }
      }
    }
  }
}

TEST(ReportPage, HoldsEveryStageWithItsSummaryAndPictures) {
  const PlotFile file = SiStagedExcavation();
  PictureOptions options;
  options.Title = "staged.dat";
  options.ExcavationDepths = {2.5, std::nullopt};
  StageSummary failed;
  failed.Stage = 3;
  failed.Outcome = "deflection exceeded";
  failed.Iterations = 7;
  failed.UnitFlag = -1;
  options.Summaries.push_back(failed);
  const std::string page = BuildReportPage(file, options);
  ASSERT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
  const XmlNode html = ParseXml(page);
  EXPECT_EQ(html.Name, "html");
  // Self-contained: no scripts, nothing loaded from elsewhere.
  EXPECT_TRUE(html.FindAll("script").empty());
  EXPECT_TRUE(html.FindAll("link").empty());
  EXPECT_TRUE(html.FindAll("img").empty());
  for (const XmlNode* a : html.FindAll("a"))
    EXPECT_TRUE(a->Attr("href").rfind("#stage-", 0) == 0 || a->Attr("href") == "#all-stages")
        << a->Attr("href");
  EXPECT_EQ(page.find("url("), std::string::npos);

  auto sections = html.FindAll("section");
  ASSERT_EQ(sections.size(), 4u);
  EXPECT_EQ(sections[0]->Attr("id"), "all-stages");
  sections.erase(sections.begin());
  // Stages 1 and 2 have the wall, pressure, net-pressure and p-y pictures;
  // stage 3 its message in place of the wall diagrams, and no net pressure.
  for (size_t i = 0; i < 3; ++i)
    EXPECT_EQ(sections[i]->FindAll("svg").size(), i < 2 ? 4u : 3u) << "stage " << i + 1;
  const std::string first = sections[0]->AllText();
  EXPECT_NE(first.find("solved"), std::string::npos);
  EXPECT_NE(first.find("not recorded in the plot file"), std::string::npos);  // iterations
  EXPECT_NE(first.find("2.50 m below the top of the wall"), std::string::npos);
  const std::string second = sections[1]->AllText();
  EXPECT_NE(second.find("from the depth of the first generated p-y curve"), std::string::npos);
  EXPECT_NE(second.find("Force per tie-back"), std::string::npos);
  const std::string third = sections[2]->AllText();
  EXPECT_NE(third.find("deflection exceeded"), std::string::npos);
  EXPECT_NE(third.find("No solution in this stage"), std::string::npos);
  EXPECT_EQ(third.find("Largest deflection"), std::string::npos);
  EXPECT_TRUE(sections[2]->FindAll("svg").at(0)->FindAll("polyline").empty());

  // The summary's largest deflection is the one the picture marks, in the
  // deflection unit of the pictures (mm for SI).
  const PlotStage& stage = file.Stages[1];
  ASSERT_LT(StageUnitFlag(stage), 0);
  const PlotStationRow* largest = &stage.Results->Rows[0];
  for (const PlotStationRow& r : stage.Results->Rows)
    if (std::abs(r.Deflection) > std::abs(largest->Deflection)) largest = &r;
  for (const XmlNode* row : sections[1]->FindAll("tr")) {
    if (row->FindAll("th").empty() || row->FindAll("th")[0]->Text != "Largest deflection") continue;
    const std::string cell = row->FindAll("td").at(0)->Text;
    size_t used = 0;
    EXPECT_NEAR(LabelNumber(cell, &used), largest->Deflection * 1000, std::abs(largest->Deflection) * 0.5)
        << cell;
    EXPECT_EQ(cell.compare(used, 4, " mm "), 0) << cell;
  }
}

TEST(ReportPage, RunSummariesAreCheckedAgainstThePlotData) {
  const PlotFile file = SiStagedExcavation();
  RunResult run;
  for (const PlotStage& stage : file.Stages) {
    StageSummary s;
    s.Stage = stage.Number;
    s.UnitFlag = -1;
    s.Solved = stage.Results->Solved;
    for (const PlotStationRow& r : stage.Results->Rows) {
      if (std::abs(r.Deflection) > std::abs(s.MaxDeflection))
        s.MaxDeflection = r.Deflection, s.MaxDeflectionDepth = r.X;
      if (std::abs(r.Moment) > std::abs(s.MaxMoment)) s.MaxMoment = r.Moment, s.MaxMomentDepth = r.X;
    }
    for (const PlotTieBack& t : stage.Results->TieBacks)
      s.TieBacks.push_back({t.Number, t.Station, t.Depth, t.ForcePerTieBack});
    run.Stages.push_back(s);
  }
  testing::ExpectSummariesMatchPlot(run, file);
  // Failures the check reports for a summary that does not match, by text.
  auto complaints = [&](const RunResult& result) {
    ::testing::TestPartResultArray failures;
    {
      ::testing::ScopedFakeTestPartResultReporter reporter(
          ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
      testing::ExpectSummariesMatchPlot(result, file);
    }
    std::string text;
    for (int i = 0; i < failures.size(); ++i)
      text += failures.GetTestPartResult(i).message() + std::string("\n");
    return text;
  };
  RunResult wrong = run;
  wrong.Stages[1].MaxMoment *= 1.01;
  EXPECT_NE(complaints(wrong).find("stage 2, largest moment"), std::string::npos);
  wrong = run;
  wrong.Stages[1].MaxDeflectionDepth += 0.25;
  EXPECT_NE(complaints(wrong).find("stage 2, deflection at its depth"), std::string::npos);
  wrong = run;
  wrong.Stages[1].TieBacks[0].ForcePerTieBack *= -1;
  EXPECT_NE(complaints(wrong).find("tie-back force"), std::string::npos);
  wrong = run;
  wrong.Stages[2].Solved = true;
  EXPECT_NE(complaints(wrong).find("stage 3"), std::string::npos);
  EXPECT_EQ(complaints(run), "");
}

TEST(ReportPage, WritesOneFilePerPictureAndThePage) {
  TempDir dir;
  const PlotFile file = SiStagedExcavation();
  const std::vector<std::string> written = WritePictures(file, dir.File("out"), PictureOptions{});
  // 3 stages x 3 pictures, the net pressure of the 2 solved, both on one
  // envelope, and the page.
  ASSERT_EQ(written.size(), 13u);
  EXPECT_EQ(std::filesystem::path(written.back()).filename(), "report.html");
  for (const std::string& path : written) {
    const std::string text = testing::ReadFile(path);
    EXPECT_NO_THROW(ParseXml(text)) << path;
  }
  EXPECT_TRUE(std::filesystem::exists(dir.File("out/stage3-wall.svg")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("out/stage2-py-curves.svg")));
}

// The command-line tool, as a person uses it. With DARNEK_KEEP_PICTURES set
// to a folder, the pictures of the two samples are kept there for a look.
TEST(PlotCommand, DrawsThePicturesOfAPlotFile) {
  TempDir dir;
  const char* keep = std::getenv("DARNEK_KEEP_PICTURES");
  for (const PlotFile& file : {EnglishAnchoredWall(), SiStagedExcavation()}) {
    dir.Write(file.Name, testing::PlotRecords(file));
    const std::string out = keep ? std::string(keep) + "/" + file.Name : dir.File(file.Name + "-out");
    int status = -1;
    const std::string said = testing::RunCommand(
        std::string(DARNEK_TOOL_PATH) + " plot " + dir.File(file.Name) + " --out " + out, &status);
    EXPECT_EQ(status, 0) << said;
    EXPECT_NE(said.find("report.html"), std::string::npos) << said;
    const XmlNode page = ParseXml(testing::ReadFile(out + "/report.html"));
    const auto stages = page.FindAll(
        [](const XmlNode& n) { return n.Name == "section" && n.Attr("id").rfind("stage-", 0) == 0; });
    EXPECT_EQ(stages.size(), file.Stages.size());
  }
  // Without --out, the pictures go beside the plot file.
  int status = -1;
  testing::RunCommand(std::string(DARNEK_TOOL_PATH) + " plot " + dir.File("anchored.plt"), &status);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(std::filesystem::exists(dir.File("anchored-pictures/report.html")));

  dir.Write("broken.plt", "           2           2           1\n   1.0\n");
  const std::string said = testing::RunCommand(
      std::string(DARNEK_TOOL_PATH) + " plot " + dir.File("broken.plt") + " 2>&1", &status);
  EXPECT_EQ(status, 9);  // not a plot-data file: the tool's own status
  EXPECT_NE(said.find("broken.plt, line 2"), std::string::npos) << said;
  const std::string missing = testing::RunCommand(
      std::string(DARNEK_TOOL_PATH) + " plot " + dir.File("missing.plt") + " 2>&1", &status);
  EXPECT_EQ(status, 8);  // cannot be read
  EXPECT_NE(missing.find("missing.plt cannot be opened: No such file or directory"), std::string::npos)
      << missing;
}

// ------------------------------------------------ what the run adds

const ExampleRun& Example(const std::string& stem) {
  for (const ExampleRun& run : ExampleRuns())
    if (run.Plot.Name == stem + ".plt") return run;
  throw std::runtime_error("no example " + stem);
}

double ValueAt(const Scale& scale, double pixel) { return scale.V0 + (pixel - scale.P0) / scale.Slope; }

TEST(WallDiagrams, TieBackForcesSignsAndTheWidthOfTheResultsAreWritten) {
  int forces = 0;
  for (const ExampleRun& run : ExampleRuns()) {
    for (const PlotStage& stage : run.Plot.Stages) {
      if (!stage.Results->Solved) continue;
      SCOPED_TRACE(run.Plot.Name + " stage " + std::to_string(stage.Number));
      const StageGround* ground = GroundFor(stage, run.Options);
      ASSERT_NE(ground, nullptr);
      const XmlNode svg = ParseXml(DrawWallDiagrams(stage, ExcavationDepthFor(stage, run.Options), ground));
      EXPECT_NE(svg.WithClass("sign-convention").at(0)->Text.find("tie-back forces negative in tension"),
                std::string::npos);
      const Scale depth = ScaleFromTicks(svg.WithClass("depth-axis").at(0)->WithClass("tick-depth"), true);
      const auto labels = svg.WithClass("tie-back-force");
      ASSERT_EQ(labels.size(), stage.Results->TieBacks.size());
      for (size_t i = 0; i < labels.size(); ++i) {
        const PlotTieBack& t = stage.Results->TieBacks[i];
        const auto texts = labels[i]->FindAll("text");
        const std::string first = texts.at(0)->Text, second = texts.at(1)->Text;
        const std::string head = "Tie-back " + std::to_string(t.Number) + ": ";
        ASSERT_EQ(first.rfind(head, 0), 0u) << first;
        EXPECT_NEAR(LabelNumber(first.substr(head.size())), t.ForcePerTieBack,
                    std::abs(t.ForcePerTieBack) * 5e-4)
            << first;
        EXPECT_EQ(second.find("in tension") != std::string::npos, t.ForcePerTieBack < 0) << second;
        const double row_depth = stage.Results->Rows.at(static_cast<size_t>(t.Station)).X *
                                 (StageUnitFlag(stage) > 0 ? 1.0 / 12 : 1.0);
        EXPECT_NEAR(texts[0]->Number("y") + 5, depth.Pixel(row_depth), 1.0) << first;
        ++forces;
      }
    }
  }
  EXPECT_GE(forces, 4);
  // Moments and forces name the width they are for.
  const std::pair<const char*, const char*> widths[] = {
      {"soldier_pile_sand_si", "kN\u00b7m per pile"},
      {"anchored_two_tiebacks_si", "kN\u00b7m per m of wall"},
      {"cantilever_sand", "lbs\u00b7in per ft of wall"}};
  for (const auto& [stem, unit] : widths) {
    const ExampleRun& run = Example(stem);
    const PlotStage& stage = run.Plot.Stages[0];
    const XmlNode svg = ParseXml(DrawWallDiagrams(stage, std::nullopt, GroundFor(stage, run.Options)));
    EXPECT_NE(Panel(svg, "moment")->FindAll("text").at(1)->Text.find(unit), std::string::npos) << stem;
  }
}

TEST(SoilColumn, LayersWaterTablesAndTheExcavationSitAtTheirDepths) {
  int layers = 0, water = 0;
  for (const ExampleRun& run : ExampleRuns()) {
    for (const PlotStage& stage : run.Plot.Stages) {
      const StageGround* ground = GroundFor(stage, run.Options);
      if (!stage.Results->Solved || !ground->HasSoilBlock) continue;
      SCOPED_TRACE(run.Plot.Name + " stage " + std::to_string(stage.Number));
      const double f = StageUnitFlag(stage) > 0 ? 1.0 / 12 : 1.0;
      const std::optional<double> dig = ExcavationDepthFor(stage, run.Options);
      const XmlNode svg = ParseXml(DrawWallDiagrams(stage, dig, ground));
      const Scale depth = ScaleFromTicks(svg.WithClass("depth-axis").at(0)->WithClass("tick-depth"), true);
      const XmlNode* column = svg.WithClass("soil-column").at(0);
      for (const XmlNode* drawn : column->WithClass("soil-layer")) {
        const auto it = std::find_if(ground->Layers.begin(), ground->Layers.end(), [&](const GroundLayer& l) {
          return l.Top * f == drawn->Number("data-top") && l.Bottom * f == drawn->Number("data-bottom");
        });
        ASSERT_NE(it, ground->Layers.end());
        EXPECT_EQ(drawn->Number("data-soil"), it->SoilTypeCode);
        const auto rects = drawn->FindAll("rect");
        // Behind the wall from the layer's top; in front from the
        // excavation level down.
        EXPECT_NEAR(rects.at(0)->Number("y"), depth.Pixel(it->Top * f), 0.02);
        if (rects.size() == 2) {
          EXPECT_NEAR(rects[1]->Number("y"), depth.Pixel(std::max(it->Top * f, *dig * f)), 0.02);
        } else {
          EXPECT_LE(it->Bottom, *dig);
        }
        ++layers;
      }
      for (const XmlNode* w : column->WithClass("water-table")) {
        const double expected =
            w->Attr("data-side") == "backfill" ? ground->WaterDepthBackfill : ground->WaterDepthExcavation;
        EXPECT_DOUBLE_EQ(w->Number("data-depth"), expected * f);
        EXPECT_NEAR(w->FindAll("line").at(0)->Number("y1"), depth.Pixel(expected * f), 0.02);
        ++water;
      }
    }
  }
  EXPECT_GE(layers, 10);
  EXPECT_GE(water, 3);
}

TEST(NetPressure, TheNetCurveIsTheWallsOwnNetLoadAndBalancesTheTieBacks) {
  int drawn = 0;
  for (const ExampleRun& run : ExampleRuns()) {
    for (const PlotStage& stage : run.Plot.Stages) {
      const std::string text =
          DrawNetPressure(stage, ExcavationDepthFor(stage, run.Options), GroundFor(stage, run.Options));
      if (!stage.Results->Solved) {
        EXPECT_EQ(text, "");
        continue;
      }
      SCOPED_TRACE(run.Plot.Name + " stage " + std::to_string(stage.Number));
      // Point loads and supports of the all-records examples are not in the
      // plot file, so the picture cannot balance them.
      if (run.Plot.Name.rfind("all_records", 0) == 0) continue;
      const XmlNode svg = ParseXml(text);
      const XmlNode* panel = Panel(svg, "net-pressure");
      const Scale value = ScaleFromTicks(panel->WithClass("tick-value"), false);
      const auto net = CurvePoints(*panel, "net-total");
      const std::vector<PlotStationRow>& rows = stage.Results->Rows;
      ASSERT_EQ(net.size(), rows.size());
      // The load and soil reaction the picture adds up are what bends the
      // wall: away from the tie-backs and the ends, its net force per
      // station over the spacing.
      const double h = rows[1].X - rows[0].X;
      double largest = 0;
      for (const PlotStationRow& r : rows) largest = std::max(largest, std::abs(r.NetForce / h));
      for (size_t i = 2; i + 2 < rows.size(); ++i) {
        bool near_tie_back = false;
        for (const PlotTieBack& t : stage.Results->TieBacks)
          near_tie_back |= std::abs(static_cast<int>(i) - t.Station) <= 1;
        if (near_tie_back) continue;
        EXPECT_NEAR(ValueAt(value, net[i].first), rows[i].NetForce / h, 0.02 * largest) << "row " << i;
      }
      // The resultants of the legend: the net load and the tie-backs balance.
      double sum = 0, scale = 0;
      for (const XmlNode* e : svg.WithClass("legend-entry")) {
        const std::string part = e->Attr("data-part");
        if (part == "net" || part == "tie-back") sum += e->Number("data-resultant");
        if (part == "load" || part == "tie-back") scale += std::abs(e->Number("data-resultant"));
      }
      EXPECT_NEAR(sum, 0, 0.02 * scale);
      ++drawn;
    }
  }
  EXPECT_GE(drawn, 9);
}

TEST(Envelope, EveryStageIsDrawnOnOneDepthAxisWithItsLargestValuesTabled) {
  const ExampleRun& run = Example("all_records_si");
  ASSERT_GE(run.Plot.Stages.size(), 2u);
  const XmlNode svg = ParseXml(DrawEnvelope(run.Plot, run.Options));
  const Scale depth = ScaleFromTicks(svg.WithClass("depth-axis").at(0)->WithClass("tick-depth"), true);
  const XmlNode page = ParseXml(BuildReportPage(run.Plot, run.Options));
  const XmlNode* table = page.WithClass("envelope").at(0);
  for (const char* key : {"deflection", "moment"}) {
    const double PlotStationRow::*member =
        std::string(key) == "deflection" ? &PlotStationRow::Deflection : &PlotStationRow::Moment;
    const XmlNode* panel = Panel(svg, key);
    const Scale value = ScaleFromTicks(panel->WithClass("tick-value"), false);
    const auto curves = panel->WithClass("stage-curve");
    size_t solved = 0;
    for (const PlotStage& stage : run.Plot.Stages) {
      if (!stage.Results->Solved) continue;
      SCOPED_TRACE(std::string(key) + " stage " + std::to_string(stage.Number));
      const XmlNode* curve = curves.at(solved++);
      EXPECT_EQ(curve->Number("data-stage"), stage.Number);
      const auto points = CurvePoints(*curve, "curve");
      const std::vector<PlotStationRow>& rows = stage.Results->Rows;
      ASSERT_EQ(points.size(), rows.size());
      for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_NEAR(points[i].first, value.Pixel(rows[i].*member), 1.0);
        EXPECT_NEAR(points[i].second, depth.Pixel(rows[i].X), 1.0);
      }
      double largest = 0;
      for (const PlotStationRow& r : rows)
        if (std::abs(r.*member) > std::abs(largest)) largest = r.*member;
      EXPECT_EQ(curve->WithClass("extreme").at(0)->Number("data-value"), largest);
      const XmlNode* row =
          table
              ->FindAll([&](const XmlNode& n) {
                return n.Name == "tr" && n.Has("data-stage") && n.Number("data-stage") == stage.Number;
              })
              .at(0);
      const XmlNode* cell = row->FindAll("td").at(key == std::string("deflection") ? 2 : 3);
      EXPECT_EQ(cell->Number("data-value"), largest);
      const double shown = std::string(key) == "deflection" ? 1000 : 1;  // mm, kN-m
      EXPECT_NEAR(LabelNumber(cell->Text), largest * shown, std::abs(largest * shown) * 5e-4) << cell->Text;
    }
    EXPECT_EQ(solved, curves.size());
  }
  // One stage alone has no envelope.
  PlotFile one = run.Plot;
  one.Stages.resize(1);
  EXPECT_EQ(DrawEnvelope(one, run.Options), "");
}

TEST(ReportPage, NamesTheProblemAndThePressurePartsAddUpToTheLoad) {
  int diagrams = 0;
  for (const ExampleRun& run : ExampleRuns()) {
    const XmlNode page = ParseXml(BuildReportPage(run.Plot, run.Options));
    // The file's title: its stages' when they share one, else the input's
    // name; never stage 1's alone.
    std::string title = run.Options.Summaries.at(0).Ground.Title;
    ASSERT_FALSE(title.empty()) << run.Plot.Name;
    for (const StageSummary& s : run.Options.Summaries)
      if (s.Ground.Title != title) title = run.Options.Title.empty() ? run.Plot.Name : run.Options.Title;
    EXPECT_EQ(page.FindAll("h1").at(0)->Text, title);
    for (const PlotStage& stage : run.Plot.Stages) {
      if (!stage.EarthPressure || stage.EarthPressure->Rows.empty() || stage.EarthPressure->Option == 1)
        continue;
      SCOPED_TRACE(run.Plot.Name + " stage " + std::to_string(stage.Number));
      const XmlNode svg = ParseXml(DrawEarthPressure(stage, std::nullopt, GroundFor(stage, run.Options)));
      const XmlNode* panel = Panel(svg, "earth-pressure");
      const Scale value = ScaleFromTicks(panel->WithClass("tick-value"), false);
      const std::vector<PlotPressureRow>& rows = stage.EarthPressure->Rows;
      std::vector<double> sum(rows.size(), 0.0);
      for (const char* part :
           {"curve-active", "curve-clay", "curve-apparent", "curve-water", "curve-surcharge"}) {
        for (const XmlNode* line : panel->WithClass(part)) {
          const auto points = PolylinePoints(*line);
          const size_t first = static_cast<size_t>(line->Number("data-first"));
          for (size_t k = 0; k < points.size(); ++k) sum.at(first + k) += ValueAt(value, points[k].first);
        }
      }
      const double pixel = std::abs(1 / value.Slope);
      for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_NEAR(sum[i], rows[i].Load, 4 * pixel + 5e-3) << "row " << i << " of " << rows.size();
      ++diagrams;
    }
  }
  EXPECT_GE(diagrams, 8);
}

}  // namespace
}  // namespace darnek::pictures
