// The HTML page: every stage's summary with its pictures inline, one
// self-contained file; and the files written beside it.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "core/file_guard.h"
#include "pictures/drawings.h"
#include "pictures/stage_view.h"
#include "pictures/svg.h"

namespace darnek::pictures {

// ------------------------------------------------------------ the page

std::optional<double> ExcavationDepthFor(const PlotStage& stage, const PictureOptions& options) {
  const size_t index = static_cast<size_t>(stage.Number - 1);
  if (stage.Number >= 1 && index < options.ExcavationDepths.size() && options.ExcavationDepths[index])
    return options.ExcavationDepths[index];
  return ExcavationDepthFromCurves(stage);
}

namespace {

std::string StripXmlDeclaration(const std::string& svg) {
  if (svg.rfind("<?xml", 0) != 0) return svg;
  const size_t end = svg.find("?>");
  size_t start = end + 2;
  while (start < svg.size() && (svg[start] == '\n' || svg[start] == '\r')) ++start;
  return svg.substr(start);
}

const StageSummary* SummaryFor(const PlotStage& stage, const PictureOptions& options) {
  for (const StageSummary& s : options.Summaries)
    if (s.Stage == stage.Number) return &s;
  return nullptr;
}

}  // namespace

std::string FileTitle(const PlotFile& plot, const PictureOptions& options) {
  // Stage 1's title names stage 1; where the stages have titles of their
  // own, the file's name is the only title of the whole.
  std::string shared;
  for (const PlotStage& stage : plot.Stages) {
    const StageGround* ground = GroundFor(stage, options);
    if (!ground || ground->Title.empty()) continue;
    if (shared.empty()) {
      shared = ground->Title;
    } else if (ground->Title != shared) {
      shared.clear();
      break;
    }
  }
  if (!shared.empty()) return shared;
  return options.Title.empty() ? plot.Name : options.Title;
}

const StageGround* GroundFor(const PlotStage& stage, const PictureOptions& options) {
  const StageSummary* summary = SummaryFor(stage, options);
  return summary ? &summary->Ground : nullptr;
}

namespace {

void Row(std::string& h, const std::string& head, const std::string& value) {
  h += "<tr><th>" + Escape(head) + "</th><td>" + value + "</td></tr>\n";
}

std::string Largest(const std::vector<PlotStationRow>& rows, double PlotStationRow::*member,
                    const std::string& unit, const Units& u, double scale = 1) {
  std::vector<double> values;
  for (const PlotStationRow& r : rows) values.push_back(r.*member);
  const int k = LargestIndex(values);
  if (k < 0) return "not recorded";
  const PlotStationRow& r = rows[static_cast<size_t>(k)];
  return Escape(FormatValue(r.*member * scale) + " " + unit + " at depth " +
                FormatDepth(r.X * u.DepthFactor) + " " + u.Depth);
}

std::string StageSummaryTable(const PlotStage& stage, const StageSummary* summary, const Units& u,
                              std::optional<double> excavation, bool excavation_given) {
  const std::string per = " " + PerWidth(summary ? &summary->Ground : nullptr, u);
  std::string h = "<table class=\"summary\">\n";
  const bool solved = stage.Results && stage.Results->Solved && !stage.Results->Rows.empty();
  std::string outcome;
  if (summary && !summary->Outcome.empty())
    outcome = Escape(summary->Outcome);
  else if (solved)
    outcome = "solved";
  else if (stage.Results)
    outcome =
        "no solution: the maximum allowable deflection was exceeded or the iteration limit was reached "
        "(the plot file does not record which; the report does)";
  else
    outcome = "no results: the plot file ends before this stage's results";
  if (!solved && (!summary || !summary->Solved))
    outcome = "<strong class=\"failed\">" + outcome + "</strong>";
  Row(h, "Outcome", outcome);
  Row(h, "Iterations",
      summary ? std::to_string(summary->Iterations)
              : "not recorded in the plot file (see the report or the run log)");
  if (solved) {
    const std::vector<PlotStationRow>& rows = stage.Results->Rows;
    if (summary && summary->Solved) {
      Row(h, "Largest deflection",
          Escape(FormatValue(summary->MaxDeflection * u.DeflectionScale) + " " + u.Deflection + " at depth " +
                 FormatDepth(summary->MaxDeflectionDepth * u.DepthFactor) + " " + u.Depth));
      Row(h, "Largest bending moment",
          Escape(FormatValue(summary->MaxMoment) + " " + u.Moment() + per + " at depth " +
                 FormatDepth(summary->MaxMomentDepth * u.DepthFactor) + " " + u.Depth));
    } else {
      Row(h, "Largest deflection",
          Largest(rows, &PlotStationRow::Deflection, u.Deflection, u, u.DeflectionScale));
      Row(h, "Largest bending moment", Largest(rows, &PlotStationRow::Moment, u.Moment() + per, u));
    }
    Row(h, "Largest shear", Largest(rows, &PlotStationRow::Shear, u.Force + per, u));
    Row(h, "Largest soil reaction",
        Largest(rows, &PlotStationRow::SoilReaction, u.ForcePerLength() + per, u));
    Row(h, "Wall",
        std::to_string(rows.size()) + " stations, tip at depth " +
            Escape(FormatDepth(WallLength(stage, u)) + " " + u.Depth));
  }
  if (excavation) {
    Row(h, "Excavation level",
        Escape(FormatDepth(*excavation * u.DepthFactor) + " " + u.Depth + " below the top of the wall") +
            (excavation_given ? "" : " (from the depth of the first generated p-y curve)"));
  } else {
    Row(h, "Excavation level", "not recorded in the plot file; not drawn");
  }
  if (stage.EarthPressure)
    Row(h, "Earth pressure",
        Escape(OptionText(stage.EarthPressure->Option)) + ", " +
            std::to_string(stage.EarthPressure->Rows.size()) + " rows");
  else
    Row(h, "Earth pressure", "none in the plot file for this stage");
  if (stage.SoilCurves) {
    size_t generated = 0;
    for (const PlotSoilCurve& c : stage.SoilCurves->Curves) generated += c.Generated ? 1 : 0;
    const size_t user = stage.SoilCurves->Curves.size() - generated;
    std::string text;
    if (generated) text += std::to_string(generated) + " generated";
    if (user) text += std::string(text.empty() ? "" : ", ") + std::to_string(user) + " user";
    if (text.empty()) text = "none";
    Row(h, "p-y curves", text);
  } else {
    Row(h, "p-y curves", "none in the plot file for this stage");
  }
  h += "</table>\n";

  // Tie-back forces: the plot file has them all; a run summary has the force
  // per tie-back when the plot file's block is missing.
  if (solved && !stage.Results->TieBacks.empty()) {
    h += "<table class=\"tie-backs\">\n<tr><th>Tie-back</th><th>Station</th><th>Depth (" + u.Depth +
         ")</th><th>Angle (deg)</th><th>Horizontal force per station (" + u.Force +
         ")</th><th>Force per station (" + u.Force + ")</th><th>Force per tie-back (" + u.Force +
         ")</th><th>Prestress (" + u.Force + ")</th></tr>\n";
    for (const PlotTieBack& t : stage.Results->TieBacks) {
      h += "<tr><td>" + std::to_string(t.Number) + "</td><td>" + std::to_string(t.Station) + "</td><td>" +
           Escape(FormatDepth(t.Depth)) + "</td><td>" + Escape(FormatValue(t.Angle)) + "</td><td>" +
           Escape(FormatValue(t.HorizontalForcePerStation)) + "</td><td>" +
           Escape(FormatValue(t.ForcePerStation)) + "</td><td>" + Escape(FormatValue(t.ForcePerTieBack)) +
           "</td><td>" + Escape(FormatValue(t.Prestress)) + "</td></tr>\n";
    }
    h += "</table>\n";
  } else if (summary && !summary->TieBacks.empty()) {
    h += "<table class=\"tie-backs\">\n<tr><th>Tie-back</th><th>Station</th><th>Depth (" + u.Depth +
         ")</th><th>Force per tie-back (" + u.Force + ")</th></tr>\n";
    for (const TieBackSummary& t : summary->TieBacks) {
      h += "<tr><td>" + std::to_string(t.Number) + "</td><td>" + std::to_string(t.Station) + "</td><td>" +
           Escape(FormatDepth(t.Depth)) + "</td><td>" + Escape(FormatValue(t.ForcePerTieBack)) +
           "</td></tr>\n";
    }
    h += "</table>\n";
  }
  return h;
}

struct StageSvgs {
  std::string Wall, Pressure, Net, Py;
};

StageSvgs DrawStage(const PlotStage& stage, const PictureOptions& options) {
  const std::optional<double> excavation = ExcavationDepthFor(stage, options);
  const StageGround* ground = GroundFor(stage, options);
  return {DrawWallDiagrams(stage, excavation, ground, ChecksFor(stage, options)),
          DrawEarthPressure(stage, excavation, ground), DrawNetPressure(stage, excavation, ground),
          DrawPyCurves(stage, excavation, ground)};
}

// The largest values of every stage side by side, in the units of the
// first stage drawn on the envelope.
std::string EnvelopeTable(const PlotFile& plot, const PictureOptions& options) {
  std::string h = "<table class=\"envelope\">\n";
  const PlotStage* first = nullptr;
  for (const PlotStage& stage : plot.Stages)
    if (!first && stage.Results && stage.Results->Solved) first = &stage;
  const Units u = UnitsFor(first ? StageUnitFlag(*first) : 0);
  const std::string per = " " + PerWidth(first ? GroundFor(*first, options) : nullptr, u);
  h += "<tr><th>Stage</th><th>Excavation level (" + u.Depth + ")</th><th>Largest deflection (" +
       u.Deflection + ")</th><th>Largest bending moment (" + Escape(u.Moment() + per) +
       ")</th><th>Largest shear (" + Escape(u.Force + per) + ")</th><th>Tie-back forces (" + u.Force +
       " per tie-back)</th></tr>\n";
  for (const PlotStage& stage : plot.Stages) {
    h += "<tr data-stage=\"" + std::to_string(stage.Number) + "\"><td>" + std::to_string(stage.Number) +
         "</td>";
    const std::optional<double> e = ExcavationDepthFor(stage, options);
    h += "<td>" + (e && std::isfinite(*e) ? Escape(FormatDepth(*e * u.DepthFactor)) : std::string("\u2014")) +
         "</td>";
    if (!stage.Results || !stage.Results->Solved || stage.Results->Rows.empty() ||
        StageUnitFlag(stage) != StageUnitFlag(*first)) {
      h += "<td colspan=\"4\">" +
           std::string(stage.Results && stage.Results->Solved ? "other units" : "no solution") +
           "</td></tr>\n";
      continue;
    }
    const std::vector<PlotStationRow>& rows = stage.Results->Rows;
    for (double PlotStationRow::*member :
         {&PlotStationRow::Deflection, &PlotStationRow::Moment, &PlotStationRow::Shear}) {
      std::vector<double> values;
      for (const PlotStationRow& r : rows) values.push_back(r.*member);
      const int k = LargestIndex(values);
      h += k < 0 ? std::string("<td>n/a</td>")
                 : "<td data-value=\"" + Exact(values[static_cast<size_t>(k)]) + "\">" +
                       Escape(FormatValue(values[static_cast<size_t>(k)] *
                                          (member == &PlotStationRow::Deflection ? u.DeflectionScale : 1)) +
                              " at " + FormatDepth(rows[static_cast<size_t>(k)].X * u.DepthFactor)) +
                       "</td>";
    }
    std::string forces;
    for (const PlotTieBack& t : stage.Results->TieBacks)
      forces +=
          (forces.empty() ? "" : ", ") + std::to_string(t.Number) + ": " + FormatValue(t.ForcePerTieBack);
    h += "<td>" + (forces.empty() ? std::string("\u2014") : Escape(forces)) + "</td></tr>\n";
  }
  h += "</table>\n";
  return h;
}

std::string Page(const PlotFile& plot, const PictureOptions& options, const std::vector<StageSvgs>& svgs,
                 const std::string& envelope) {
  const std::string title = FileTitle(plot, options);
  const std::string input = options.Title.empty() || options.Title == title ? "" : options.Title + ", ";
  std::string h =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>\n<title>" +
      Escape(title) +
      " \u2014 wall diagrams</title>\n<style>\n"
      "body { font-family: " +
      std::string(kFont) +
      "; color: #1a1a1a; margin: 24px auto; max-width: 1240px;"
      " padding: 0 16px; line-height: 1.4; }\n"
      "h1 { font-size: 24px; margin-bottom: 4px; }\n"
      "h2 { font-size: 20px; border-bottom: 2px solid #ccc; padding-bottom: 4px; margin-top: 36px; }\n"
      "p.note { color: #555; font-size: 14px; margin-top: 0; }\n"
      "nav a { margin-right: 14px; }\n"
      "table { border-collapse: collapse; margin: 10px 0 18px 0; font-size: 14px; }\n"
      "th, td { text-align: left; padding: 4px 12px 4px 0; vertical-align: top; }\n"
      "table.summary th { color: #444; font-weight: normal; width: 200px; }\n"
      "table.tie-backs th, table.envelope th { border-bottom: 1px solid #999; color: #444; }\n"
      "table.tie-backs td, table.envelope td { border-bottom: 1px solid #e3e3e3; }\n"
      "strong.failed { color: #b03a2e; }\n"
      "table.checks th { border-bottom: 1px solid #999; color: #444; }\n"
      "table.checks td { border-bottom: 1px solid #e3e3e3; }\n"
      "td.passes { color: #1e8449; font-weight: bold; }\n"
      "td.fails { color: #b03a2e; font-weight: bold; }\n"
      "td.unchecked { color: #777; }\n"
      "figure { margin: 12px 0 28px 0; }\n"
      "figure svg { max-width: 100%; height: auto; display: block; border: 1px solid #ddd; }\n"
      "figcaption { font-size: 13px; color: #555; margin-top: 4px; }\n"
      "</style>\n</head>\n<body>\n<h1>" +
      Escape(title) + "</h1>\n<p class=\"note\">" + Escape(input) + "drawn from the plot-data file " +
      Escape(plot.Name) + ": " + std::to_string(plot.Stages.size()) +
      (plot.Stages.size() == 1 ? " stage" : " stages") +
      ". Depths are measured down from the top of the wall.</p>\n";
  if (!options.RunNote.empty())
    h += "<p><strong class=\"failed\">" + Escape(options.RunNote) + "</strong></p>\n";
  for (const std::string& note : plot.Notes) h += "<p class=\"note\">" + Escape(note) + "</p>\n";
  h += DesignSummaryTable(options);
  if (plot.Stages.size() > 1) {
    h += "<nav>";
    if (!envelope.empty()) h += "<a href=\"#all-stages\">All stages</a>";
    for (const PlotStage& stage : plot.Stages)
      h += "<a href=\"#stage-" + std::to_string(stage.Number) + "\">" + StageName(stage) + "</a>";
    h += "</nav>\n";
  }
  if (plot.Stages.empty()) h += "<p>The plot file holds no stage.</p>\n";
  if (!envelope.empty()) {
    h += "<section id=\"all-stages\">\n<h2>All stages</h2>\n" + EnvelopeTable(plot, options) + "<figure>\n" +
         StripXmlDeclaration(envelope) + "</figure>\n</section>\n";
  }
  for (size_t i = 0; i < plot.Stages.size(); ++i) {
    const PlotStage& stage = plot.Stages[i];
    const Units u = UnitsFor(StageUnitFlag(stage));
    const size_t index = static_cast<size_t>(stage.Number - 1);
    const bool given = index < options.ExcavationDepths.size() && options.ExcavationDepths[index].has_value();
    h += "<section id=\"stage-" + std::to_string(stage.Number) + "\">\n<h2>" + StageName(stage) + " (" +
         Escape(u.System) + ")</h2>\n";
    h += StageSummaryTable(stage, SummaryFor(stage, options), u, ExcavationDepthFor(stage, options), given);
    if (const StageChecks* checks = ChecksFor(stage, options)) h += StageChecksTable(*checks);
    const StageSvgs& pictures = svgs[i];
    h += "<figure>\n" + StripXmlDeclaration(pictures.Wall) + "</figure>\n";
    if (!pictures.Pressure.empty())
      h += "<figure>\n" + StripXmlDeclaration(pictures.Pressure) + "</figure>\n";
    else
      h += "<p class=\"note\">No earth-pressure diagram for this stage in the plot file.</p>\n";
    if (!pictures.Net.empty()) h += "<figure>\n" + StripXmlDeclaration(pictures.Net) + "</figure>\n";
    if (!pictures.Py.empty())
      h += "<figure>\n" + StripXmlDeclaration(pictures.Py) + "</figure>\n";
    else
      h += "<p class=\"note\">No p-y curves for this stage in the plot file.</p>\n";
    h += "</section>\n";
  }
  h += "</body>\n</html>\n";
  return h;
}

}  // namespace

std::string BuildReportPage(const PlotFile& plot, const PictureOptions& options) {
  std::vector<StageSvgs> svgs;
  for (const PlotStage& stage : plot.Stages) svgs.push_back(DrawStage(stage, options));
  return Page(plot, options, svgs, DrawEnvelope(plot, options));
}

std::vector<PictureFile> PictureFiles(const PlotFile& plot, const PictureOptions& options) {
  std::vector<PictureFile> files;
  std::vector<StageSvgs> svgs;
  for (const PlotStage& stage : plot.Stages) {
    svgs.push_back(DrawStage(stage, options));
    const std::string prefix = "stage" + std::to_string(stage.Number);
    const std::pair<const char*, const std::string*> drawn[] = {{"-wall.svg", &svgs.back().Wall},
                                                                {"-pressure.svg", &svgs.back().Pressure},
                                                                {"-net-pressure.svg", &svgs.back().Net},
                                                                {"-py-curves.svg", &svgs.back().Py}};
    for (const auto& [suffix, text] : drawn)
      if (!text->empty()) files.push_back({prefix + suffix, *text});
  }
  std::string envelope = DrawEnvelope(plot, options);
  std::string page = Page(plot, options, svgs, envelope);
  if (!envelope.empty()) files.push_back({"all-stages.svg", std::move(envelope)});
  files.push_back({"report.html", std::move(page)});
  return files;
}

std::vector<std::string> WritePictures(const PlotFile& plot, const std::string& dir,
                                       const PictureOptions& options, const std::string& plot_file) {
  const std::vector<PictureFile> files = PictureFiles(plot, options);
  FileGuard guard;
  if (!plot_file.empty()) guard.Input("plot-data file", plot_file);
  std::vector<std::string> written;
  for (const PictureFile& file : files) {
    written.push_back((std::filesystem::path(dir) / file.Name).string());
    guard.ToolOutput("picture file", written.back());
  }
  if (const std::string problem = guard.Check(); !problem.empty()) throw std::runtime_error(problem);
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) throw std::runtime_error("cannot create the folder " + dir + ": " + ec.message());
  for (size_t i = 0; i < files.size(); ++i)
    if (const std::string problem = WriteWholeFile("picture file", written[i], files[i].Text);
        !problem.empty())
      throw std::runtime_error(problem);
  return written;
}

PictureOptions OptionsFromRun(const RunResult& run) {
  PictureOptions options;
  options.Summaries = run.Stages;
  for (const StageSummary& s : run.Stages) options.ExcavationDepths.push_back(s.ExcavationDepth);
  options.Checks = run.Checks;
  options.Design = run.Design;
  if (run.Status == DARNEK_ANALYSIS_FAILED)
    options.RunNote = "A stage was not solved: " + run.Message;
  else if (run.Status != DARNEK_OK)
    options.RunNote = "The run ended early: " + run.Message;
  return options;
}

PictureTexts DrawPlotData(const std::string& plot_data, const PictureOptions& options, bool with_page) {
  std::istringstream in(plot_data);
  const PlotFile plot = ParsePlotData(in, options.Title.empty() ? "plot data" : options.Title);
  PictureTexts drawn;
  std::vector<StageSvgs> svgs;
  for (const PlotStage& stage : plot.Stages) {
    svgs.push_back(DrawStage(stage, options));
    const StageSvgs& s = svgs.back();
    drawn.Stages.push_back({stage.Number, s.Wall, s.Pressure, s.Net, s.Py});
  }
  drawn.Envelope = DrawEnvelope(plot, options);
  if (with_page) drawn.Page = Page(plot, options, svgs, drawn.Envelope);
  drawn.Notes = plot.Notes;
  return drawn;
}

DrawnFiles DrawPlotFileTexts(const std::string& plot_file, const PictureOptions& options) {
  const PlotFile plot = ReadPlotFile(plot_file);
  return {PictureFiles(plot, options), plot.Notes};
}

DrawnPictures DrawPlotFile(const std::string& plot_file, const std::string& dir,
                           const PictureOptions& options) {
  // After a run that ended before its first stage the page says why; a
  // plot file drawn alone must hold something to draw.
  const PlotFile plot = ReadPlotFile(plot_file, !options.RunNote.empty());
  DrawnPictures drawn;
  drawn.Files = WritePictures(plot, dir, options, plot_file);
  drawn.Notes = plot.Notes;
  return drawn;
}

}  // namespace darnek::pictures
