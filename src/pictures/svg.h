// The pieces every picture is written with: colours, the numbers as the
// pictures show them, and SVG elements written as text with presentation
// attributes only (no style sheets, no identifiers), so that a picture
// renders the same standalone and inline and several can share one page.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace darnek::pictures {

inline constexpr const char* kFont = "DejaVu Sans, Liberation Sans, Arial, Helvetica, sans-serif";

// One colour per quantity, the same in every picture and on the page.
inline constexpr const char* kDeflectionColour = "#1f5fa8";
inline constexpr const char* kMomentColour = "#c0392b";
inline constexpr const char* kShearColour = "#1e8449";
inline constexpr const char* kSoilReactionColour = "#7d3c98";
inline constexpr const char* kTotalColour = "#222222";
inline constexpr const char* kActiveColour = "#b9770e";
inline constexpr const char* kWaterColour = "#2e86c1";
inline constexpr const char* kSurchargeColour = "#229954";
inline constexpr const char* kApparentColour = "#7d3c98";
inline constexpr const char* kExcavationColour = "#8b5a2b";
inline constexpr const char* kTieBackColour = "#555555";
inline constexpr const char* kExcavationBranchColour = "#148f77";
inline constexpr const char* kBackfillBranchColour = "#d35400";
inline constexpr const char* kUserCurveColour = "#34495e";
inline constexpr const char* kGridColour = "#e3e3e3";
inline constexpr const char* kFrameColour = "#8a8a8a";
inline constexpr const char* kZeroColour = "#5a5a5a";
inline constexpr const char* kTextColour = "#1a1a1a";
inline constexpr const char* kNoteColour = "#555555";

// ------------------------------------------------------------------ numbers

// A coordinate, two decimals.
std::string N(double v);
// Full precision, for the data- attributes that let a picture be read back.
std::string Exact(double v);
// A leading '-' as the typographic minus sign.
std::string WithMinus(std::string s);
// Fixed point with `decimals` decimals; never a negative zero.
std::string Fixed(double v, int decimals);
std::string Superscript(int e);
// Four significant digits: fixed point for ordinary magnitudes, else a
// mantissa times a power of ten; "n/a" when not finite.
std::string FormatValue(double v);
std::string FormatDepth(double depth);
// Up to four significant digits without trailing zeros: 2.4, 0.75, 1250.
std::string Plain(double v);
// Text for XML character data and attribute values.
std::string Escape(const std::string& text);
// Characters (not bytes) of a UTF-8 label.
size_t Glyphs(const std::string& text);

// ------------------------------------------------------------- elements

std::string SvgOpen(double width, double height, const std::string& label);
std::string SvgClose();
void Line(std::string& s, double x1, double y1, double x2, double y2, const std::string& stroke, double width,
          const std::string& extra = "");
void Text(std::string& s, double x, double y, const std::string& text, const std::string& extra = "");
// Text with a white outline, legible where it crosses a curve or grid.
void HaloText(std::string& s, double x, double y, const std::string& text, const std::string& extra = "");
void Frame(std::string& s, double left, double top, double right, double bottom);
// Polylines through the points, broken where a value is unknown; each names
// the index of its first point (data-first).
void Curve(std::string& s, const std::vector<std::pair<double, double>>& points, const std::string& colour,
           double width, const std::string& cls, const std::string& extra = "");
// A filled shape between two edges of the same length (one per run of
// finite points).
void Area(std::string& s, const std::vector<std::pair<double, double>>& upper,
          const std::vector<std::pair<double, double>>& lower, const std::string& fill,
          const std::string& cls);
void Title(std::string& s, const std::string& title, const std::string& subtitle);
// A picture that has only a message.
std::string MessageSvg(const std::string& title, const std::vector<std::string>& lines);

}  // namespace darnek::pictures
