// Shared set-up of the soil tests: a run context whose report, console and
// plot go to strings, a scratch file in the temporary directory, soil layers
// given as from the input, and a reader of the p-y scratch file that keeps
// each number as the characters written.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/fortran_format.h"
#include "core/run_context.h"
#include "report/run_messages.h"
#include "soil/py_curves.h"
#include "soil/soil_stop.h"
#include "support/codes.h"

namespace darnek::soil::testing {

struct SoilRun {
  RunContext Ctx;
  std::ostringstream Report;
  std::ostringstream Console;
  std::ostringstream Plot;

  SoilRun() {
    Ctx.Report.Attach(Report);
    Ctx.Console.Attach(Console);
    Ctx.Plot.Attach(Plot);
    static int counter = 0;
    const std::string name = "darnek_soil_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
    Ctx.Names.PyScratch = (std::filesystem::temp_directory_path() / (name + ".py")).string();
    EXPECT_EQ(Ctx.Files.PyScratch.Open("p-y scratch file", Ctx.Names.PyScratch, RunFile::Kind::Scratch), "");
  }
  ~SoilRun() { std::filesystem::remove(Ctx.Names.PyScratch); }
  SoilRun(const SoilRun&) = delete;
  SoilRun& operator=(const SoilRun&) = delete;

  ProblemData& d() { return Ctx.Data; }
};

inline SoilValues Values(double gamma, double s, double phi, double e50, double k = 0, double sixth = 0) {
  return {gamma, s, phi, e50, k, sixth};
}

// Appends an input layer ending at `bottom` (below the top of the wall).
inline void AddLayer(ProblemData& d, int code, double bottom, SoilValues top, SoilValues bottom_values) {
  const double previous = d.Soil.Layers.empty() ? 0.0 : d.Soil.Layers.back().LayerBottomDepth;
  SoilLayer layer;
  layer.SoilTypeCode = darnek::testing::Code<SoilType>(code);
  layer.LayerBottomDepth = bottom;
  layer.LayerThickness = bottom - previous;
  layer.Top = top;
  layer.Bottom = bottom_values;
  d.Soil.Layers.push_back(layer);
  d.Soil.NumSoilLayers = static_cast<int>(d.Soil.Layers.size());
}

// An English wall: free height 120 in, 40 increments of 6 in, so the profile
// reaches 240 + 12 - 120 = 132 in below the excavation level; static loading,
// dry soil, spaced elements 24 in wide at 96 in (no closely-spaced reduction).
inline void EnglishWall(ProblemData& d) {
  d.C1.UnitSystemCode = UnitSystem::English;
  d.C1.PyCurveOption = PyCurveSource::Generated;
  d.C2.NumIncrements = 40;
  d.C2.IncrementLength = 6;
  d.C2.WallLength = 240;
  d.Wall.FreeHeight = 120;
  d.Wall.WA = 96;
  d.Wall.WP = 24;
  d.Wall.WaterDepthBackfill = 10000;
  d.Wall.ReferenceWidth = 12;
  d.Soil.LoadingType = Loading::Static;
}

// One side of a generated curve in the scratch file: each line's p' and y'
// as written (the number forms of the model) and as read back.
struct ScratchSide {
  std::array<std::string, 17> PText;
  std::array<std::string, 17> YText;
  std::array<double, 17> P{};
  std::array<double, 17> Y{};
  size_t LineLength = 0;  // of the side's point lines
};

struct ScratchCurve {
  double Depth = 0;
  ScratchSide Excavation;
  ScratchSide Backfill;
};

struct ScratchFile {
  int Count = 0;
  std::vector<std::string> UserLines;  // lines of the user curves, as written
  std::vector<ScratchCurve> Curves;
};

// Point lines of generated curves, by their length: I5 2(1X E10.3) (soft
// clay, sand, stiff clays), I5 1X 2E10.3 (rock), I5 2(2X E10.3) (silt, weak
// rock).
inline constexpr size_t kScaledLine = 27;
inline constexpr size_t kAdjacentLine = 26;
inline constexpr size_t kUnscaledLine = 29;

inline ScratchFile ReadScratch(const std::string& path, int user_lines) {
  std::ifstream in(path);
  ScratchFile file;
  std::string line;
  std::getline(in, line);
  file.Count = std::stoi(line);
  for (int i = 0; i < user_lines; ++i) {
    std::getline(in, line);
    file.UserLines.push_back(line);
  }
  while (std::getline(in, line)) {
    ScratchCurve curve;
    std::istringstream header(line);
    header >> curve.Depth;
    for (ScratchSide* side : {&curve.Excavation, &curve.Backfill}) {
      for (size_t i = 0; i < 17; ++i) {
        std::getline(in, line);
        if (i == 0) side->LineLength = line.size();
        EXPECT_EQ(line.size(), side->LineLength) << line;
        EXPECT_EQ(std::stoi(line.substr(0, 5)), static_cast<int>(i + 1));
        size_t p_at = 6, y_at = 17;
        if (line.size() == kAdjacentLine) y_at = 16;
        if (line.size() == kUnscaledLine) p_at = 7, y_at = 19;
        EXPECT_TRUE(line.size() == kScaledLine || line.size() == kAdjacentLine ||
                    line.size() == kUnscaledLine)
            << line;
        side->PText[i] = line.substr(p_at, 10);
        side->YText[i] = line.substr(y_at, 10);
        side->P[i] = std::stod(side->PText[i]);
        side->Y[i] = std::stod(side->YText[i]);
      }
    }
    file.Curves.push_back(curve);
  }
  return file;
}

// The scratch forms of a number: one digit before the point, four
// significant (the clays, sand and rock), or a zero before the point, three
// significant (silt and weak rock).
inline std::string FileForm(double value) { return fortran::Format("( 1P E10.3 )", value).Lines[0]; }
inline std::string UnscaledForm(double value) { return fortran::Format("( E10.3 )", value).Lines[0]; }

// Compares a side with the expected (y', p') at the precision of the file.
inline void ExpectSide(const ScratchSide& side, const std::array<double, 17>& y,
                       const std::array<double, 17>& p, const std::string& what,
                       std::string (*form)(double) = FileForm) {
  for (size_t i = 0; i < 17; ++i) {
    EXPECT_EQ(side.YText[i], form(y[i])) << what << " point " << i + 1 << " y";
    EXPECT_EQ(side.PText[i], form(p[i])) << what << " point " << i + 1 << " p";
  }
}

// The whole scratch file as text.
inline std::string FileText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Generates the curves of the run and reads the scratch file back.
inline ScratchFile GenerateAndRead(RunContext& ctx) {
  GeneratePyCurves(ctx);
  return ReadScratch(ctx.Names.PyScratch, 0);
}

// A user reduction-factor table: rows (depth below the top of the wall,
// P-FACTOR, Y-FACTOR).
inline void ReductionTable(ProblemData& d, std::vector<ReductionFactorRow> rows) {
  d.C1.NumPyModificationFactors = static_cast<int>(rows.size());
  d.ReductionFactorTable = std::move(rows);
}

// The P-FACTOR and Y-FACTOR of such a table at depth x, for tables that
// cover the depth.
inline double TableFactor(const std::vector<ReductionFactorRow>& rows, double x, bool p_factor) {
  for (size_t k = 1; k < rows.size(); ++k) {
    if (x <= rows[k].Depth) {
      const double a = p_factor ? rows[k - 1].PFactor : rows[k - 1].YFactor;
      const double b = p_factor ? rows[k].PFactor : rows[k].YFactor;
      return a + (b - a) * (x - rows[k - 1].Depth) / (rows[k].Depth - rows[k - 1].Depth);
    }
  }
  return 1;
}

inline int CountOccurrences(const std::string& text, const std::string& piece) {
  int n = 0;
  for (size_t pos = text.find(piece); pos != std::string::npos; pos = text.find(piece, pos + 1)) ++n;
  return n;
}

// Runs a call that ends in a soil stop and writes its warning as the driver
// does; false when the call does not stop so.
template <class F>
bool StopsWithWarning(SoilRun& run, F call) {
  try {
    call();
  } catch (const SoilStop& stop) {
    report::WriteSoilStop(run.Ctx.Console, run.Ctx.Report, stop);
    return true;
  }
  return false;
}

}  // namespace darnek::soil::testing
