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
std::string DrawWallDiagrams(const PlotStage& stage, std::optional<double> excavation_depth);
std::string DrawEarthPressure(const PlotStage& stage, std::optional<double> excavation_depth);
std::string DrawPyCurves(const PlotStage& stage, std::optional<double> excavation_depth);

// The excavation level used for a stage: the given one, else the one the
// generated curves imply.
std::optional<double> ExcavationDepthFor(const PlotStage& stage, const PictureOptions& options);

// The HTML page with every stage's summary and pictures inline.
std::string BuildReportPage(const PlotFile& plot, const PictureOptions& options);

// Writes the pictures and report.html into `dir`, creating it; returns the
// paths written, report.html last. Throws std::runtime_error when a file
// cannot be written.
std::vector<std::string> WritePictures(const PlotFile& plot, const std::string& dir,
                                       const PictureOptions& options);

}  // namespace darnek::pictures
