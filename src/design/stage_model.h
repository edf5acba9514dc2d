// What the design checks of one stage read: the stage's results, its wall
// (cross sections and where they are), its tie-backs and its ground. The
// run fills it from the stage it has just analysed; a test or a study may
// fill it by hand. Lengths and depths are in the analysis length unit (in,
// m) unless a name says otherwise; section values as the input gives them.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "design/limit_equilibrium.h"

namespace darnek::design {

// A cross section as the checks use it (section length unit: in, mm): the
// dimensions and properties at its two ends, the same unless it is tapered.
struct SectionEnd {
  double Diameter = 0;
  double InternalDiameter = 0;
  double Width = 0;  // external width: the width of one sheet pile
  double Depth = 0;  // external depth
  double FlangeThickness = 0;
  double WebThickness = 0;
  double Area = 0;             // as input: per result width
  double MomentOfInertia = 0;  // as input: per result width
};

struct SectionShape {
  int Number = 0;     // 1, 2, ... as the stage's cross sections are counted
  int ShapeCode = 0;  // the elastic shape code (6 sheet piling, ...)
  bool Nonlinear = false;
  std::array<SectionEnd, 2> Ends;  // top, bottom
};

// A stretch of wall with one cross section.
struct WallStretch {
  double Top = 0;
  double Bottom = 0;
  int CrossSection = 0;
};

struct TieBackState {
  int Number = 0;
  double Depth = 0;            // of its station
  double Angle = 0;            // degrees below the horizontal
  double Spacing = 0;          // feet (English units) or metres, as input
  double Area = 0;             // as input (in2, m2)
  double ForcePerTieBack = 0;  // along the tie-back, negative in tension
};

struct StageModel {
  int Stage = 0;
  bool English = false;
  bool Solved = false;
  // Not solved because neither the iteration nor load stepping closed it:
  // the wall as given does not stand (strength reduction would find F < 1).
  bool BeyondCapacity = false;
  std::string Outcome;
  double ResultWidth = 0;
  // Soldier piles or shafts: earth pressure on the spacing WA, resistance
  // on the pile width WP (WA/WP of 1.1 or more).
  bool Piles = false;
  double Spacing = 0;  // WA for piles
  bool HasSoil = false;
  double RetainedHeight = 0;  // the excavation level
  double Tip = 0;
  // Per station, top to tip; forces per result width, axial compression positive.
  std::vector<double> Depth;
  std::vector<double> Deflection;
  std::vector<double> Moment;
  std::vector<double> Shear;
  std::vector<double> AxialForce;
  std::vector<SectionShape> Sections;
  std::vector<WallStretch> Stretches;
  std::vector<TieBackState> TieBacks;
  Ground Soil;
  // User p-y curves carry no soil strength; strength reduction leaves them.
  bool UserCurves = false;
  // The earth pressure of the analysis is the Rankine pressure of the soil
  // layers (not a specified or apparent diagram).
  bool GeneratedPressure = false;
};

}  // namespace darnek::design
