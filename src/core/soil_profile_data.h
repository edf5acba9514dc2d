// The soil profile the p-y generation builds from the soil layers.
#pragma once

#include <array>
#include <vector>

#include "core/codes.h"

namespace darnek {

// ------------------------------------------------- soil profile (p-y side)
struct ProfileLayer {
  double Top = 0;
  double Bottom = 0;  // after truncation at the profile depth limit
  SoilType SoilTypeCode = SoilType::SoftClay;
  double SoilModulusK = 0;
  int InputLayer = 0;  // index of the input layer it came from (0-based)
};

struct UnitWeightPoint {
  double Z = 0;
  double Gamma = 0;
};

struct StrengthPoint {
  double Z = 0;
  double S = 0;
  double PHI = 0;  // radians once the profile is built
  double E50 = 0;
  double RQD = 0;
};

struct SoilProfile {
  std::vector<ProfileLayer> Layers;
  std::vector<UnitWeightPoint> UnitWeightCurve;
  std::vector<StrengthPoint> StrengthCurve;
  double ProfileDepthLimit = 0;
  double WidthRatio = 0;
  double UnitWeightWater = 0;
  // Curve generation.
  std::vector<double> CurveDepths;
  std::vector<std::array<int, 2>> LayerCurveRange;  // first, last curve index per layer
  std::vector<double> CumulativeResistance;
  std::vector<double> XEQ;
};

// A p-y curve as the p-y scratch file holds it, at the file's precision (the
// precision the solver works with): a user's curve with its multipliers
// applied, or a generated curve with both sides in one table, the backfill
// side at negative deflections.
struct WrittenPyCurve {
  int Station = 0;
  int Contd = 0;
  double Depth = 0;                // below the top of the wall
  std::vector<double> Deflection;  // ascending
  std::vector<double> Resistance;  // per unit length of wall
};

}  // namespace darnek
