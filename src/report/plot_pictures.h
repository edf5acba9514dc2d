// The pictures an engineer judges a wall by, drawn from the plot-data file:
// per stage the four diagrams along the wall (deflection, bending moment,
// shear, soil reaction), the earth-pressure diagram and a few p-y curves, as
// standalone SVG, and one self-contained HTML page that holds the stage
// summaries and embeds the pictures. Plain text output; nothing to install,
// nothing fetched when the page is opened.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "darnek/darnek.h"
#include "report/plot_reader.h"

namespace darnek::report {

struct PictureOptions {
  // Heading of the page (the input or plot file name).
  std::string Title;
  // Excavation level of each stage (index 0 = stage 1), below the top of the
  // wall in the analysis length unit (inches for English units, as the X of
  // the plot file). Where it is missing the first generated p-y curve gives
  // it when there is one; otherwise it is not drawn.
  std::vector<std::optional<double>> ExcavationDepths;
  // The per-stage summaries of the run that wrote the plot file, when the
  // pictures are drawn right after it; matched to stages by stage number.
  std::vector<StageSummary> Summaries;
  // A line for the top of the page, such as why the run ended early.
  std::string RunNote;
};

// Standalone SVG documents of one stage. The wall diagrams are always drawn;
// a stage without a solution gets its message instead of axes. The other two
// are empty strings when the stage has nothing to draw.
std::string DrawWallDiagrams(const PlotStage& stage, std::optional<double> excavation_depth);
std::string DrawEarthPressure(const PlotStage& stage, std::optional<double> excavation_depth);
std::string DrawPyCurves(const PlotStage& stage, std::optional<double> excavation_depth);

// The excavation level used for a stage: the given one, else the one the
// generated curves imply.
std::optional<double> ExcavationDepthFor(const PlotStage& stage, const PictureOptions& options);

// The HTML page with every stage's summary and pictures inline.
std::string BuildReportPage(const PlotFile& plot, const PictureOptions& options);

// Writes stage<N>-wall.svg, stage<N>-pressure.svg and stage<N>-py-curves.svg
// (those that have something to draw) and report.html into `dir`, creating
// it; returns the paths written, report.html last. Throws std::runtime_error
// when a file cannot be written.
std::vector<std::string> WritePictures(const PlotFile& plot, const std::string& dir,
                                       const PictureOptions& options);

}  // namespace darnek::report
