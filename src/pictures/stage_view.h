// What the pictures of one stage share: the units a stage is drawn in, the
// depth marks (excavation level, tie-backs) and the marked largest values.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pictures/axes.h"
#include "pictures/plot_reader.h"

namespace darnek::pictures {

struct Units {
  std::string length;  // of deflection and y: the analysis length unit
  std::string force;
  std::string depth;    // of the depth axis
  double depth_factor;  // analysis length unit to depth unit
  std::string system;
};

Units UnitsFor(int unit_flag);

std::string StageName(const PlotStage& stage);
// Depth of the wall tip in the depth unit, from the station rows.
double WallLength(const PlotStage& stage, const Units& u);
// Index of the value of largest magnitude; -1 when none is finite.
int LargestIndex(const std::vector<double>& values);
// The earth-pressure option as the page and the pictures name it.
std::string OptionText(int option);

// A marked point with its value: a dot on the curve and a label that stays
// inside the panel.
void Extreme(std::string& s, const std::string& quantity, double value, double depth, double px, double py,
             double left, double right, double top, const std::string& colour, const std::string& label);

struct DepthMark {
  double depth;  // depth unit
  std::string label;
  bool excavation;
};

std::vector<DepthMark> DepthMarks(const PlotStage& stage, const Units& u, std::optional<double> excavation);
void DrawMarks(std::string& s, const std::vector<DepthMark>& marks, const Map& y, double left, double right,
               const Axis& depth_axis, bool label_excavation, bool label_tie_backs);

}  // namespace darnek::pictures
