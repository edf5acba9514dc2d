// Feeds arbitrary bytes to the plot-data reader and draws every picture of
// whatever it accepts. A file that is not plot data must end in
// PlotFileError naming a line; anything the reader accepts must draw without
// a crash, a sanitizer report, another exception or a hang, and every picture
// and the page must be text with numbers for coordinates (text_checks.h).
#include <cstdint>
#include <sstream>
#include <string>

#include "pictures/drawings.h"
#include "pictures/plot_reader.h"
#include "text_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  darnek::pictures::PlotFile plot;
  try {
    plot = darnek::pictures::ParsePlotData(in, "fuzz.plt");
  } catch (const darnek::pictures::PlotFileError&) {
    return 0;
  }
  darnek::pictures::PictureOptions options;
  options.Title = "fuzz";
  darnek::fuzz::CheckPicture(darnek::pictures::BuildReportPage(plot, options), "report.html");
  // The levels a run passes, here taken from the file itself: a stage's
  // excavation at the first tie-back's depth exercises the marks.
  for (const darnek::pictures::PlotStage& stage : plot.Stages) {
    if (stage.Results && !stage.Results->TieBacks.empty())
      options.ExcavationDepths.push_back(stage.Results->TieBacks[0].Depth);
    else
      options.ExcavationDepths.emplace_back();
  }
  darnek::fuzz::CheckPicture(darnek::pictures::BuildReportPage(plot, options), "report.html");
  return 0;
}
