// The heading of every stage in the report and run log (banner, file block,
// time stamp, stage title) and the end of the run.
#include "report/stage_header.h"

#include "core/path_split.h"
#include "core/report_helpers.h"

namespace darnek::report {

void WriteBanner(RunContext& ctx) {
  OutputUnit& out = ctx.Report;
  out.Write("( 5X 73('=') / )");
  out.Write("( 20X '  DARNEK for Windows, Version ' A / )", ctx.Data.Run.VersionText);
  out.Write("( 20X '   A Program for the Analysis of ' / 20X '   Flexible Retaining Walls ' / )");
  out.Write("( 5X 73('=') / )");
}

void WriteFileBlock(RunContext& ctx) {
  const PathParts input = SplitWindowsPath(ctx.Names.Input);
  const PathParts report = SplitWindowsPath(ctx.Names.Report);
  const PathParts plot = SplitWindowsPath(ctx.Names.Plot);
  OutputUnit& out = ctx.Report;
  out.Write("( 5X 'Path to file locations      : ' A )", TrimRight(input.Drive + input.Directory));
  out.Write("( 5X 'Name of input data file     : ' A )", TrimRight(input.Name + input.Extension));
  out.Write("( 5X 'Name of output file         : ' A )", TrimRight(report.Name + report.Extension));
  out.Write("( 5X 'Name of plot output file    : ' A )", TrimRight(plot.Name + plot.Extension));
  out.EndRecord();
}

void WriteTimeStamp(RunContext& ctx, const std::tm& now) {
  static const char* const kMonths[] = {"January",   "February", "March",    "April",
                                        "May",       "June",     "July",     "August",
                                        "September", "October",  "November", "December"};
  const int month = now.tm_mon >= 0 && now.tm_mon < 12 ? now.tm_mon : 0;
  OutputUnit& out = ctx.Report;
  out.Write("( 5X 73('-') / 26X 'Time and Date of Analysis' / 5X 73('-') )");
  out.Write("( 15X 'Date:  ' A 1X I2.2 ', ' I4 5X 'Time:  ' I2.2 ':' I2.2 ':' I2.2 )", kMonths[month],
            now.tm_mday, now.tm_year + 1900, now.tm_hour, now.tm_min, now.tm_sec);
}

void WriteStageHeading(RunContext& ctx) {
  const RunControl& run = ctx.Data.Run;
  for (OutputUnit* out : {&ctx.Report, &ctx.Log}) {
    out->EndRecord();
    if (ctx.Data.C1.NumStages > 1) {
      out->Write("( / 6X 'Stage No :' I2 2X A70 )", run.StageCounter, run.StageTitle);
    } else if (run.StageCounter == 1) {
      out->Write("( / 6X A70 )", run.Title);
    } else {
      out->Write("( / 6X 'Long Term :' 2X A70 )", run.StageTitle);
    }
  }
}

void WriteEndOfAnalysis(RunContext& ctx) {
  for (OutputUnit* out : {&ctx.Report, &ctx.Log})
    out->Write("( / / '     END OF ANALYSIS                             ' )");
}

}  // namespace darnek::report
