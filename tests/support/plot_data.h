// Plot-data files for the tests: records written exactly as the engine writes
// them (the results and user-curve blocks by the engine's own writers, the
// other blocks in the same fixed and list-directed formats), comparisons of
// what the reader gives back, and sample walls whose numbers look like a real
// analysis.
#pragma once

#include <string>

#include "darnek/darnek.h"
#include "pictures/plot_reader.h"

namespace darnek::testing {

// The records of one block, or of a whole file (blocks in stage order).
std::string EarthPressureRecords(const pictures::PlotEarthPressure& block);
std::string SoilCurveRecords(const pictures::PlotSoilCurves& block);
std::string ResultsRecords(const pictures::PlotResults& block);
std::string PlotRecords(const pictures::PlotFile& file);

// Every block and value of `actual` equals `expected` to the precision of
// the field the value was written in.
void ExpectSamePlot(const pictures::PlotFile& expected, const pictures::PlotFile& actual);

// Reads a plot-data file that the engine wrote and checks that writing the
// structures back in the engine's formats gives the file again, line for
// line: every number of the file was read, and read right. Returns what was
// read.
pictures::PlotFile ExpectPlotFileReadsBack(const std::string& path);

// The run's per-stage summaries agree with the plot data of the same stages:
// outcome (solved or not), largest deflection and moment with their depths,
// and the tie-back forces.
void ExpectSummariesMatchPlot(const RunResult& result, const pictures::PlotFile& plot);

// A sample stage: a sheet-pile wall in sand solved as a beam on linear
// springs below the excavation, loaded by the active pressure above it.
struct SampleWall {
  int UnitFlag = 1;  // +1 English (inches, pounds), -1 SI
  int Stage = 1;
  int StageCode = 2;
  double Excavation = 0;  // below the top of the wall, analysis length unit
  bool TieBack = false;
  bool Water = false;
  bool Surcharge = false;
  bool GeneratedCurves = true;  // else user curves
  bool EarthPressure = true;
  bool Failed = false;
};
pictures::PlotStage SampleStage(const SampleWall& wall);

}  // namespace darnek::testing
