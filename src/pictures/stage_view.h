// What the pictures of one stage share: the units a stage is drawn in and the
// width its results are for, the depth marks (excavation level, tie-backs),
// the marked largest values and the soil column beside the depth axis.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "darnek/darnek.h"
#include "pictures/axes.h"
#include "pictures/plot_reader.h"

namespace darnek::pictures {

struct Units {
  std::string Length;  // of deflection and y: the analysis length unit
  std::string Force;
  std::string Depth;   // of the depth axis
  double DepthFactor;  // analysis length unit to depth unit
  std::string System;
  std::string Stress;      // of soil strengths, as input
  std::string UnitWeight;  // as input
  // Deflections (and the y of p-y curves) are shown in one unit per system,
  // millimetres or inches: the analysis unit times DeflectionScale.
  std::string Deflection;
  double DeflectionScale;
  std::string Moment() const { return Force + "\u00b7" + Length; }
  std::string ForcePerLength() const { return Force + "/" + Length; }
};

Units UnitsFor(int unit_flag);

// The width of wall the results are for, as a unit's suffix: "per m of
// wall", "per ft of wall", "per pile" (soldier piles whose ResultWidth is
// their spacing), or "per result width" when the plot file is drawn alone.
std::string PerWidth(const StageGround* ground, const Units& u);
// The same as a sentence for a picture's subtitle, with the widths.
std::string WidthNote(const StageGround* ground, const Units& u);

// The stage's title from the run, else empty.
std::string StageTitle(const StageGround* ground);

// A tie-back's force per tie-back with its sign read out:
// "Tie-back 1: −117.8 kN per tie-back (tension)".
std::string TieBackForceText(const PlotTieBack& t, const Units& u);

std::string StageName(const PlotStage& stage);
// Depth of the wall tip in the depth unit, from the station rows.
double WallLength(const PlotStage& stage, const Units& u);
// Index of the value of largest magnitude; -1 when none is finite.
int LargestIndex(const std::vector<double>& values);
// The earth-pressure option as the page and the pictures name it.
std::string OptionText(int option);

// A marked point with its value: a dot on the curve and a label that stays
// inside the panel, above the dot or, where it would cross the line at pixel
// height `clear_of` (the excavation level), below it.
void Extreme(std::string& s, const std::string& quantity, double value, double depth, double px, double py,
             double left, double right, double top, const std::string& colour, const std::string& label,
             std::optional<double> clear_of = std::nullopt);

struct DepthMark {
  double Depth;  // depth unit
  std::string Label;
  bool Excavation;
};

// Depth unit: the depth of the station the model puts the tie-back at.
double TieBackDepth(const PlotStage& stage, const PlotTieBack& t, const Units& u);
std::vector<DepthMark> DepthMarks(const PlotStage& stage, const Units& u, std::optional<double> excavation);
void DrawMarks(std::string& s, const std::vector<DepthMark>& marks, const Map& y, double left, double right,
               const Axis& depth_axis, bool label_excavation, bool label_tie_backs);

// The soil column drawn between `left` and left + kSoilColumnWidth, from
// `top` to `bottom` on the depth axis: the soil behind the wall, the wall
// with its tie-backs, the soil in front below the excavation level, the
// water tables. Without the ground (a plot file drawn alone) it says that
// the plot file does not hold the layers.
inline constexpr double kSoilColumnWidth = 150;
void SoilColumn(std::string& s, const PlotStage& stage, const StageGround* ground, const Units& u,
                std::optional<double> excavation, const Axis& depth_axis, const Map& y, double left,
                double top, double bottom);

}  // namespace darnek::pictures
