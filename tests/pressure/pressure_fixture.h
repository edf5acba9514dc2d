// A run context for the earth-pressure tests: report, run log, console and
// plot go to string streams, the pressure scratch file to a temporary file;
// the wall and soil layers are set up in code.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/report_helpers.h"
#include "core/run_context.h"
#include "support/codes.h"

namespace darnek::pressure::testing {

class PressureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx.Report.Attach(report);
    ctx.Log.Attach(log);
    ctx.Console.Attach(console);
    ctx.Plot.Attach(plot);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    scratch = std::filesystem::temp_directory_path() /
              (std::string("darnek_") + info->test_suite_name() + "_" + info->name() + ".tmp");
    ctx.Names.PressureScratch = scratch.string();
    EXPECT_EQ(ctx.Files.PressureScratch.Open("pressure scratch", scratch.string(), RunFile::Kind::Scratch),
              "");
    Units(1);
  }
  void TearDown() override { std::filesystem::remove(scratch); }

  // 1 English (inches, pounds), 2 SI.
  void Units(int code) {
    ctx.Data.C1.UnitSystemCode = darnek::testing::Code<UnitSystem>(code);
    ctx.Data.Run.UnitFlag = code == 1 ? 1 : -1;
    SetUnitLabels(ctx.Data.Run.Labels, ctx.Data.Run.UnitFlag);
  }

  // A wall of `increments` x `h` with free height H, dry (water tables far down).
  void Wall(double H, int increments, double h, int option = 2) {
    ProblemData& d = ctx.Data;
    d.C1.EarthPressureOption = darnek::testing::Code<EarthPressureMode>(option);
    d.C2 = {increments, h, 0, 0, 1e6, 0, 0, 0, 0, 0, increments * h, {}};
    d.Stations.BaseQ.Resize(increments);
    d.Wall.FreeHeight = H;
    d.Wall.WA = d.Wall.WP = d.Wall.ActiveModificationFactor = 1;
    d.Wall.WaterDepthBackfill = d.Wall.WaterDepthExcavation = 1e5;
  }

  // Appends a soil layer reaching down to `bottom`.
  void Layer(int type, double bottom, double gamma, double phi, double c = 0, double coefficient = 0) {
    std::vector<SoilLayer>& layers = ctx.Data.Soil.Layers;
    const double previous = layers.empty() ? 0.0 : layers.back().LayerBottomDepth;
    SoilLayer layer{darnek::testing::Code<SoilType>(type),
                    bottom,
                    bottom - previous,
                    {gamma, c, phi, 0, 0, coefficient},
                    {}};
    layer.Bottom = layer.Top;
    layers.push_back(layer);
    ctx.Data.Soil.NumSoilLayers = static_cast<int>(layers.size());
  }

  void AddSurcharge(int type, double magnitude, double distance, double width = 0, double vertical = 0,
                    double factor = 1) {
    ctx.Data.Wall.SurchargeLoads.push_back(
        {darnek::testing::Code<SurchargeType>(type), magnitude, distance, width, vertical, factor});
  }

  const PressureLayer& P(int L) const { return ctx.Data.Pressure.Layers.at(static_cast<size_t>(L - 1)); }

  static std::vector<std::string> Lines(const std::ostringstream& s) {
    std::vector<std::string> lines;
    std::istringstream in(s.str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  static int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }
  // Index of the first line equal to `line`, or -1.
  static int Find(const std::vector<std::string>& lines, const std::string& line) {
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i] == line) return static_cast<int>(i);
    }
    return -1;
  }

  RunContext ctx;
  std::ostringstream report, log, console, plot;
  std::filesystem::path scratch;
};

}  // namespace darnek::pressure::testing
