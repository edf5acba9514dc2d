/* darnek pictures: the diagrams an engineer judges a wall by, drawn from the
 * plot-data file that a run writes, as standalone SVG files and one HTML page.
 *
 * A library of its own (darnek_pictures), linked by the command-line tool and
 * the tests; libdarnek.so, which the front end loads, does not carry it. */
#ifndef DARNEK_PICTURES_H
#define DARNEK_PICTURES_H

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "darnek/darnek.h"

namespace darnek::pictures {

/* A plot-data file that cannot be read (line 0) or does not have the
 * engine's layout (the line where it goes wrong). */
class PlotFileError : public std::runtime_error {
 public:
  PlotFileError(const std::string& what, int line) : std::runtime_error(what), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

struct PictureOptions {
  /* The input file's name: the page's heading when the run gives no title
   * (the plot file's name when this is empty too), else named under it. */
  std::string Title;
  /* Excavation level of each stage (index 0 = stage 1), below the top of the
   * wall in the analysis length unit (inches for English units, as the X of
   * the plot file). Where it is missing the first generated p-y curve gives
   * it when there is one; otherwise it is not drawn. */
  std::vector<std::optional<double>> ExcavationDepths;
  /* The per-stage summaries of the run that wrote the plot file, when the
   * pictures are drawn right after it; matched to stages by stage number.
   */
  std::vector<StageSummary> Summaries;
  /* A line for the top of the page, such as why the run ended early. */
  std::string RunNote;
  /* The design checks of the run, when it made them: resistance lines beside
   * the moment and shear diagrams, and the verdict tables of the page. */
  std::vector<StageChecks> Checks;
  DesignSummary Design;
};

/* The options for drawing the plot file of a run just made: the summaries,
 * the excavation levels and a note when the run did not end as complete. */
PictureOptions OptionsFromRun(const RunResult& run);

struct DrawnPictures {
  std::vector<std::string> Files; /* the files written, report.html last */
  /* Values the engine could not fit in their fields, named with their line. */
  std::vector<std::string> Notes;
};

/* Reads the plot-data file and writes into `dir` (created when missing), each
 * file whole (a temporary file renamed when complete) and none of them the
 * plot file, a link or anything but a regular file,
 * stage<N>-wall.svg, stage<N>-pressure.svg, stage<N>-net-pressure.svg and
 * stage<N>-py-curves.svg for the stages that have something to draw,
 * all-stages.svg when two or more stages were solved, and report.html. Throws
 * PlotFileError for the plot file, std::runtime_error naming the file or
 * folder that cannot be written. */
DrawnPictures DrawPlotFile(const std::string& plot_file, const std::string& dir,
                           const PictureOptions& options);

/* A picture or the page as a text, with the name of its file in the folder
 * DrawPlotFile writes. */
struct PictureFile {
  std::string Name;
  std::string Text;
};
struct DrawnFiles {
  std::vector<PictureFile> Files; /* report.html last */
  std::vector<std::string> Notes;
};

/* Reads the plot-data file and draws the files DrawPlotFile would write,
 * without writing them: for a caller that checks the names with its other
 * files first. Throws PlotFileError. */
DrawnFiles DrawPlotFileTexts(const std::string& plot_file, const PictureOptions& options);

/* The pictures of one stage as SVG texts; a picture the stage has nothing
 * for is empty. */
struct StagePictures {
  int Stage = 0;
  std::string Wall; /* deflection, moment, shear and soil reaction */
  std::string Pressure;
  std::string NetPressure;
  std::string PyCurves;
};

struct PictureTexts {
  std::vector<StagePictures> Stages;
  std::string Envelope; /* every solved stage; empty for fewer than two */
  std::string Page;     /* report.html, when asked for */
  std::vector<std::string> Notes;
};

/* The pictures DrawPlotFile draws, from plot data held in memory, returned
 * as texts: nothing is written. Throws PlotFileError. */
PictureTexts DrawPlotData(const std::string& plot_data, const PictureOptions& options, bool with_page);

}  // namespace darnek::pictures

#endif /* DARNEK_PICTURES_H */
