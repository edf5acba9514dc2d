// Reading the plot-data file back into plain structures: the earth-pressure,
// soil-curve and results blocks of every stage, as the engine writes them.
// The pictures of the command-line tool are drawn from these structures.
#pragma once

#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "darnek/pictures.h"

namespace darnek::pictures {

// One row of the earth-pressure diagram. Depth in the analysis length unit
// (inches or metres) below the top of the wall; the loads are pressures times
// the loaded width, i.e. force per unit length of wall depth (lbs/in, kN/m).
struct PlotPressureRow {
  double Depth = 0;
  double Load = 0;          // the load applied to the wall
  double Total = 0;         // active + surcharge + water
  double Active = 0;        // active earth pressure without the surface-pressure share
  double SurfaceShare = 0;  // share of the active pressure due to the uniform surface pressure
  double Apparent = 0;      // apparent-pressure trapezoid (0 unless chosen)
  double Surcharge = 0;
  double Water = 0;
};

struct PlotEarthPressure {
  int Option = 0;            // EarthPressureOption of the stage
  bool HasRowCount = false;  // false when the block ended after the option record
  std::vector<PlotPressureRow> Rows;
};

struct PlotCurvePoint {
  double Y = 0;
  double P = 0;  // per unit length of wall
};

// A soil curve as written: a user curve keyed by station, or a generated
// curve keyed by its depth below the top of the wall (analysis length unit)
// whose points at negative y are the backfill branch and at positive y the
// excavation branch.
struct PlotSoilCurve {
  bool Generated = false;
  int Station = 0;
  double Depth = 0;
  std::vector<PlotCurvePoint> Points;
};

struct PlotSoilCurves {
  int UnitSystemCode = 0;  // 1 English, 2 SI
  std::vector<PlotSoilCurve> Curves;
};

// One station row; X in the analysis length unit (inches for English units).
struct PlotStationRow {
  double X = 0;
  double Deflection = 0;
  double Moment = 0;
  double Shear = 0;
  double NetForce = 0;
  double EI = 0;
  double SoilReaction = 0;
};

struct PlotTieBack {
  int Number = 0;
  int Station = 0;
  double Depth = 0;  // as input: feet for English units
  double Spacing = 0;
  double Area = 0;
  double Angle = 0;  // degrees
  double HorizontalForcePerStation = 0;
  double ForcePerStation = 0;
  double ForcePerTieBack = 0;
  double Prestress = 0;
};

struct PlotResults {
  int StageCode = 0;
  int RowCount = 0;  // as written; for a failed stage the rows of the last solved stage
  int UnitFlag = 0;  // +1 English, -1 SI, 0 neutral
  bool Solved = false;
  std::vector<PlotStationRow> Rows;
  std::vector<PlotTieBack> TieBacks;
};

// The blocks of one stage, in file order; any of them may be missing.
struct PlotStage {
  int Number = 0;     // 1 for the first stage of the file
  int FirstLine = 0;  // line of the stage's first record
  std::optional<PlotEarthPressure> EarthPressure;
  std::optional<PlotSoilCurves> SoilCurves;
  std::optional<PlotResults> Results;
};

struct PlotFile {
  std::string Name;
  std::vector<PlotStage> Stages;
  // Values the engine could not fit in their fields (written as asterisks);
  // they are read as NaN and named here with their line.
  std::vector<std::string> Notes;
  // A run with stage memory says so in the file's first line, with its
  // unload factor; empty otherwise.
  std::optional<double> StageMemoryUnloadFactor = std::nullopt;
  // The number of lines read, blank ones included.
  int Lines = 0;
};

// +1 English, -1 SI, 0 when neither the results nor the soil-curve block
// tells.
int StageUnitFlag(const PlotStage& stage);

// The excavation level implied by the generated curves (the first lies one
// small offset below it), in the analysis length unit; empty when the stage
// has no generated curves.
std::optional<double> ExcavationDepthFromCurves(const PlotStage& stage);

// Throws PlotFileError naming the file and line for a file that cannot be
// opened, does not have the engine's layout, holds a value that is not
// finite (or 1E+100 or more in magnitude) or, unless `may_be_empty`, holds
// no block at all. The file is read through the checks of every input
// (core/input_file.h): a regular file of at most kMaxInputFileSize bytes.
PlotFile ReadPlotFile(const std::string& path, bool may_be_empty = false);
PlotFile ParsePlotData(std::istream& in, const std::string& name);

}  // namespace darnek::pictures
