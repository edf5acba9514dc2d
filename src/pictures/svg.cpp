// Numbers as the pictures show them and the SVG elements they are drawn
// with. Fonts are the generic families every browser has.
#include "pictures/svg.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/plain_text.h"
#include "core/report_helpers.h"

namespace darnek::pictures {

namespace {
constexpr const char* kMinus = "\u2212";
}  // namespace

// ------------------------------------------------------------------ numbers

// Coordinates, two decimals.
std::string N(double v) {
  std::string s = FixedText(v, 2);
  if (s == "-0.00") s = "0.00";
  return s;
}

// Full precision for the data- attributes.
std::string Exact(double v) { return GeneralText(v, 17); }

std::string WithMinus(std::string s) {
  if (!s.empty() && s[0] == '-') s = kMinus + s.substr(1);
  return s;
}

std::string Fixed(double v, int decimals) {
  std::string s = FixedText(v, std::max(0, decimals));
  if (s.find_first_not_of("-0.") == std::string::npos && s[0] == '-') s.erase(0, 1);
  return WithMinus(s);
}

std::string Superscript(int e) {
  static const char* const kDigits[] = {"\u2070", "\u00b9", "\u00b2", "\u00b3", "\u2074",
                                        "\u2075", "\u2076", "\u2077", "\u2078", "\u2079"};
  std::string s = e < 0 ? "\u207b" : "";
  for (char c : std::to_string(std::abs(e))) s += kDigits[c - '0'];
  return s;
}

// A value with four significant digits: fixed-point for ordinary
// magnitudes, else a mantissa times a power of ten.
std::string FormatValue(double v) {
  if (!std::isfinite(v)) return "n/a";
  if (v == 0) return "0";
  const std::string s = ScientificText(v, 3);
  const size_t e = s.find('e');
  int exponent = 0;
  std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exponent);
  if (exponent >= -3 && exponent < 6) return Fixed(v, 3 - exponent);
  return WithMinus(s.substr(0, e)) + "\u00d710" + Superscript(exponent);
}

std::string FormatDepth(double depth) { return Fixed(depth, 2); }

std::string Plain(double v) {
  std::string s = FormatValue(v);
  if (s.find("\u00d7") != std::string::npos || s.find('.') == std::string::npos) return s;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

std::string Escape(const std::string& raw) {
  // Titles and names come from input files and file names: whatever their
  // bytes, the picture stays well-formed XML.
  const std::string text = ValidXmlText(raw);
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// ------------------------------------------------------------ SVG elements

std::string SvgOpen(double width, double height, const std::string& label) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
         N(width) + "\" height=\"" + N(height) + "\" viewBox=\"0 0 " + N(width) + " " + N(height) +
         "\" role=\"img\" aria-label=\"" + Escape(label) + "\">\n<g font-family=\"" + kFont +
         "\" font-size=\"12\" fill=\"" + kTextColour + "\">\n" + "<rect x=\"0\" y=\"0\" width=\"" + N(width) +
         "\" height=\"" + N(height) + "\" fill=\"#ffffff\" stroke=\"none\"/>\n";
}

std::string SvgClose() { return "</g>\n</svg>\n"; }

void Line(std::string& s, double x1, double y1, double x2, double y2, const std::string& stroke, double width,
          const std::string& extra) {
  s += "<line x1=\"" + N(x1) + "\" y1=\"" + N(y1) + "\" x2=\"" + N(x2) + "\" y2=\"" + N(y2) + "\" stroke=\"" +
       stroke + "\" stroke-width=\"" + N(width) + "\"" + extra + "/>\n";
}

void Text(std::string& s, double x, double y, const std::string& text, const std::string& extra) {
  s += "<text x=\"" + N(x) + "\" y=\"" + N(y) + "\"" + extra + ">" + Escape(text) + "</text>\n";
}

// Text with a white outline, legible where it crosses a curve or grid.
void HaloText(std::string& s, double x, double y, const std::string& text, const std::string& extra) {
  Text(s, x, y, text,
       extra + " stroke=\"#ffffff\" stroke-width=\"3.5\" stroke-linejoin=\"round\" paint-order=\"stroke\"");
}

void Frame(std::string& s, double left, double top, double right, double bottom) {
  s += "<rect x=\"" + N(left) + "\" y=\"" + N(top) + "\" width=\"" + N(right - left) + "\" height=\"" +
       N(bottom - top) + "\" fill=\"none\" stroke=\"" + kFrameColour + "\" stroke-width=\"1\"/>\n";
}

// Polylines through the points, broken where a value is unknown.
void Curve(std::string& s, const std::vector<std::pair<double, double>>& points, const std::string& colour,
           double width, const std::string& cls, const std::string& extra) {
  std::string run;
  int count = 0;
  size_t first = 0;
  auto flush = [&] {
    if (count >= 1) {
      s += "<polyline class=\"" + cls + "\" data-first=\"" + std::to_string(first) +
           "\" fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"" + N(width) +
           "\" stroke-linejoin=\"round\"" + extra + " points=\"" + run + "\"/>\n";
    }
    run.clear();
    count = 0;
  };
  for (size_t i = 0; i < points.size(); ++i) {
    const auto& [x, y] = points[i];
    if (!std::isfinite(x) || !std::isfinite(y)) {
      flush();
      continue;
    }
    if (count == 0) first = i;
    if (count > 0) run += ' ';
    run += N(x) + "," + N(y);
    ++count;
  }
  flush();
}

void Area(std::string& s, const std::vector<std::pair<double, double>>& upper,
          const std::vector<std::pair<double, double>>& lower, const std::string& fill,
          const std::string& cls) {
  std::string path;
  // One closed shape per run of finite points: along the upper edge, back
  // along the lower.
  size_t start = 0;
  for (size_t i = 0; i <= upper.size(); ++i) {
    const bool finite = i < upper.size() && i < lower.size() && std::isfinite(upper[i].first) &&
                        std::isfinite(upper[i].second) && std::isfinite(lower[i].first) &&
                        std::isfinite(lower[i].second);
    if (finite) continue;
    if (i > start + 1) {
      for (size_t k = start; k < i; ++k)
        path += (k == start ? " M" : " L") + N(upper[k].first) + "," + N(upper[k].second);
      for (size_t k = i; k-- > start;) path += " L" + N(lower[k].first) + "," + N(lower[k].second);
      path += " Z";
    }
    start = i + 1;
  }
  if (path.empty()) return;
  s += "<path class=\"" + cls + "\" d=\"" + path.substr(1) + "\" fill=\"" + fill + "\" stroke=\"none\"/>\n";
}

void Title(std::string& s, const std::string& title, const std::string& subtitle) {
  Text(s, 20, 30, title, " font-size=\"18\" font-weight=\"bold\"");
  if (!subtitle.empty())
    Text(s, 20, 50, subtitle, std::string(" font-size=\"12\" fill=\"") + kNoteColour + "\"");
}

// A picture that has only a message.
std::string MessageSvg(const std::string& title, const std::vector<std::string>& lines) {
  const double width = 1200, height = 110 + 22.0 * static_cast<double>(lines.size());
  std::string s = SvgOpen(width, height, title);
  Title(s, title, "");
  s += "<g class=\"message\">\n";
  double y = 84;
  for (const std::string& line : lines) {
    Text(s, 20, y, line, " font-size=\"15\"");
    y += 22;
  }
  s += "</g>\n";
  return s + SvgClose();
}

// Characters (not bytes) of a label.
size_t Glyphs(const std::string& text) {
  size_t n = 0;
  for (unsigned char c : text) n += (c & 0xc0) != 0x80 ? 1 : 0;
  return n;
}

}  // namespace darnek::pictures
