// The pictures of a plot-data file, one function per picture, and the page
// that holds them. Each picture is a standalone SVG document.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "darnek/pictures.h"
#include "pictures/plot_reader.h"

namespace darnek::pictures {

// The wall diagrams are always drawn; a stage without a solution gets its
// message instead of axes. The other pictures are empty strings when the
// stage has nothing to draw.
// `ground` is what the run adds (title, soil layers, water tables, result
// width); null when the plot file is drawn alone, and the pictures say what
// they lack.
// `checks`, when the run made design checks, adds the sections' resistance
// beside the moment and shear diagrams.
std::string DrawWallDiagrams(const PlotStage& stage, std::optional<double> excavation_depth,
                             const StageGround* ground = nullptr, const StageChecks* checks = nullptr);
std::string DrawEarthPressure(const PlotStage& stage, std::optional<double> excavation_depth,
                              const StageGround* ground = nullptr);
// The load on the wall against the soil reaction: the net pressure.
std::string DrawNetPressure(const PlotStage& stage, std::optional<double> excavation_depth,
                            const StageGround* ground = nullptr);
std::string DrawPyCurves(const PlotStage& stage, std::optional<double> excavation_depth,
                         const StageGround* ground = nullptr);
// Every solved stage on one depth axis: deflection and bending moment.
// Empty when fewer than two stages were solved.
std::string DrawEnvelope(const PlotFile& plot, const PictureOptions& options);

// The excavation level used for a stage: the given one, else the one the
// generated curves imply.
std::optional<double> ExcavationDepthFor(const PlotStage& stage, const PictureOptions& options);

// What the run adds to a stage, from the options; null when the plot file is
// drawn alone.
const StageGround* GroundFor(const PlotStage& stage, const PictureOptions& options);

// The title of the whole file: the stages' title when they share one, else
// the input file's name (the plot file's when the options give none).
std::string FileTitle(const PlotFile& plot, const PictureOptions& options);
// The design checks of a stage, from the options; null without them.
const StageChecks* ChecksFor(const PlotStage& stage, const PictureOptions& options);
// The page's tables of the design checks: the method and the governing
// checks over the stages (empty without design checks), and one stage's.
std::string DesignSummaryTable(const PictureOptions& options);
std::string StageChecksTable(const StageChecks& checks);

// The HTML page with every stage's summary and pictures inline.
std::string BuildReportPage(const PlotFile& plot, const PictureOptions& options);

// The pictures and report.html (last) as texts, each with its file name.
std::vector<PictureFile> PictureFiles(const PlotFile& plot, const PictureOptions& options);

// Writes the pictures and report.html into `dir`, creating it, each file
// whole, once none of them is `plot_file` (when given), another of them, a
// link or not a regular file; returns the paths written, report.html last.
// Throws std::runtime_error when a file is refused or cannot be written.
std::vector<std::string> WritePictures(const PlotFile& plot, const std::string& dir,
                                       const PictureOptions& options, const std::string& plot_file = "");

}  // namespace darnek::pictures
