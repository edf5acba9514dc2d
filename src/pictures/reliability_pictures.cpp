#include "pictures/reliability_pictures.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "core/file_guard.h"
#include "pictures/svg.h"

namespace darnek::pictures {

namespace fs = std::filesystem;

namespace {

constexpr double kPanelWidth = 260, kPanelHeight = 190, kGap = 30, kLeft = 20, kTop = 70;
constexpr const char* kBarColour = "#7f8c8d";
constexpr const char* kFailColour = "#c0392b";

std::string ProbabilityText(const reliability::CheckEstimate& c, reliability::Method method) {
  if (method == reliability::Method::Form && c.Check == "system")
    return "Pf " + FormatValue(c.PfLow) + " to " + FormatValue(c.PfHigh);
  std::string text = "Pf " + FormatValue(c.Pf);
  if (method != reliability::Method::Form)
    text += " [" + FormatValue(c.PfLow) + ", " + FormatValue(c.PfHigh) + "]";
  return text + ", β " + (c.Pf == 0 ? std::string("∞") : Fixed(c.Beta, 2));
}

}  // namespace

std::string UtilisationSvg(const reliability::Estimate& e, const reliability::StageEstimate& stage) {
  std::vector<const reliability::CheckEstimate*> checks;
  for (const reliability::CheckEstimate& c : stage.Checks)
    if (!c.Utilisations.Counts.empty()) checks.push_back(&c);
  const double width = kLeft + std::max<size_t>(1, checks.size()) * (kPanelWidth + kGap);
  const double height = kTop + kPanelHeight + 60;
  const std::string title = "Stage " + std::to_string(stage.Stage) + ": the utilisation of each check";
  std::string s = SvgOpen(width, height, title);
  Title(s, title,
        std::to_string(e.Samples) + " samples; the dashed line is the limit, 1; " +
            std::to_string(stage.NotClosed) + " samples did not close (failures, not drawn)");
  double left = kLeft + 20;
  for (const reliability::CheckEstimate* c : checks) {
    const reliability::Histogram& h = c->Utilisations;
    const int most = std::max(1, *std::max_element(h.Counts.begin(), h.Counts.end()));
    const double right = left + kPanelWidth - 20, top = kTop + 20, bottom = kTop + kPanelHeight;
    const double span = h.Width * static_cast<double>(h.Counts.size());
    auto x_of = [&](double u) { return left + (u - h.Low) / span * (right - left); };
    s += "<g class=\"check\" data-check=\"" + Escape(c->Check) + "\">\n";
    for (size_t b = 0; b < h.Counts.size(); ++b) {
      if (h.Counts[b] == 0) continue;
      const double x0 = x_of(h.Low + h.Width * static_cast<double>(b));
      const double x1 = x_of(h.Low + h.Width * static_cast<double>(b + 1));
      const double y = bottom - (bottom - top) * h.Counts[b] / most;
      const bool beyond = h.Low + h.Width * static_cast<double>(b) >= 1 - 1e-12;
      s += "<rect x=\"" + N(x0) + "\" y=\"" + N(y) + "\" width=\"" + N(std::max(0.5, x1 - x0 - 0.5)) +
           "\" height=\"" + N(bottom - y) + "\" fill=\"" + (beyond ? kFailColour : kBarColour) +
           "\" data-count=\"" + std::to_string(h.Counts[b]) + "\"/>\n";
    }
    Frame(s, left, top, right, bottom);
    Line(s, x_of(1), top, x_of(1), bottom, kFailColour, 1.5, " stroke-dasharray=\"5,3\"");
    for (double tick = 0; tick <= span + 1e-9; tick += span > 2.5 ? 1 : 0.5) {
      Line(s, x_of(tick), bottom, x_of(tick), bottom + 4, kFrameColour, 1);
      Text(s, x_of(tick), bottom + 16, Plain(tick), " text-anchor=\"middle\" font-size=\"11\"");
    }
    Text(s, left, top - 24, c->Check, " font-weight=\"bold\"");
    Text(s, left, top - 8, ProbabilityText(*c, e.Method), " font-size=\"11\"");
    Text(s, (left + right) / 2, bottom + 32, "utilisation", " text-anchor=\"middle\" font-size=\"11\"");
    s += "</g>\n";
    left += kPanelWidth + kGap;
  }
  return s + SvgClose();
}

std::string AlphaSvg(const reliability::Estimate& e, const reliability::StageEstimate& stage) {
  const size_t n = e.Variables.size();
  const double row = 18, label = 90, bar = 180;
  const double panel_height = 40 + row * static_cast<double>(n);
  const double width = kLeft + std::max<size_t>(1, stage.Checks.size()) * (label + bar + kGap) + 20;
  const double height = kTop + panel_height + 20;
  const std::string title = "Stage " + std::to_string(stage.Stage) + ": what drives each check (α)";
  std::string s = SvgOpen(width, height, title);
  Title(s, title,
        e.Method == reliability::Method::Form
            ? "FORM: the design point's direction; α < 0: failure at low values"
            : "the direction of the failed samples; α < 0: failure at low values");
  double left = kLeft;
  for (const reliability::CheckEstimate& c : stage.Checks) {
    const double mid = left + label + bar / 2;
    const double top = kTop + 20;
    s += "<g class=\"check\" data-check=\"" + Escape(c.Check) + "\">\n";
    Text(s, left, kTop, c.Check, " font-weight=\"bold\"");
    Line(s, mid, top - 4, mid, top + row * static_cast<double>(n), kZeroColour, 1);
    for (size_t k = 0; k < n; ++k) {
      const double y = top + row * static_cast<double>(k);
      Text(s, left + label - 6, y + 12, e.Variables[k].Name, " text-anchor=\"end\" font-size=\"11\"");
      if (k >= c.Alpha.size()) continue;
      const double a = c.Alpha[k];
      const double x0 = std::min(mid, mid + a * bar / 2), w = std::abs(a) * bar / 2;
      s += "<rect x=\"" + N(x0) + "\" y=\"" + N(y + 3) + "\" width=\"" + N(w) + "\" height=\"" + N(row - 6) +
           "\" fill=\"" + (a < 0 ? kFailColour : kDeflectionColour) + "\" data-alpha=\"" + Exact(a) +
           "\"/>\n";
      Text(s, a < 0 ? mid + 4 : mid - 4, y + 12, Fixed(a, 2),
           std::string(" font-size=\"10\" fill=\"") + kNoteColour + "\"" +
               (a < 0 ? "" : " text-anchor=\"end\""));
    }
    s += "</g>\n";
    left += label + bar + kGap;
  }
  return s + SvgClose();
}

std::vector<std::string> WriteReliabilityPictures(const reliability::Estimate& e, const std::string& dir,
                                                  const std::string& summary_text,
                                                  const std::string& model_page) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  std::vector<std::string> files;
  auto write = [&](const std::string& name, const std::string& text) {
    const std::string path = (fs::path(dir) / name).string();
    if (const std::string problem = WriteWholeFile("picture file", path, text); !problem.empty())
      throw std::runtime_error(problem);
    files.push_back(path);
  };
  auto inline_svg = [](const std::string& svg) {
    const size_t start = svg.find("<svg");
    return "<figure>\n" + svg.substr(start == std::string::npos ? 0 : start) + "</figure>\n";
  };
  std::string section =
      "<section id=\"reliability\">\n<h2>Reliability</h2>\n<pre>" + Escape(summary_text) + "</pre>\n";
  for (const reliability::StageEstimate& stage : e.Stages) {
    const std::string stem = "stage-" + std::to_string(stage.Stage);
    if (e.Method != reliability::Method::Form) {
      const std::string svg = UtilisationSvg(e, stage);
      write(stem + "-utilisation.svg", svg);
      section += inline_svg(svg);
    }
    const std::string svg = AlphaSvg(e, stage);
    write(stem + "-alpha.svg", svg);
    section += inline_svg(svg);
  }
  section += "</section>\n";
  std::string page = model_page;
  const size_t end = page.rfind("</body>");
  if (end == std::string::npos)
    page = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + Escape(e.Model) +
           "</title></head>\n<body>\n" + section + "</body>\n</html>\n";
  else
    page.insert(end, section);
  write("report.html", page);
  return files;
}

}  // namespace darnek::pictures
