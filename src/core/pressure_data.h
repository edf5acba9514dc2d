// The earth-pressure profile and diagram the pressure stage computes.
#pragma once

#include <vector>

#include "core/codes.h"

namespace darnek {

// ----------------------------------------------------- earth-pressure profile
// One layer of the pressure profile: an input soil layer, cut at the
// excavation level and at the backfill water table.
struct PressureLayer {
  double T = 0;
  double ZTOP = 0;
  double C = 0;
  double Phi = 0;  // degrees
  double Gamma = 0;
  double OptionalCoefficient = 0;
  SoilType SoilTypeCode = SoilType::SoftClay;
  bool DrainedFlag = false;
  bool SubmergedFlag = false;
  double F = 0;
  double Ka = 0, SqrtKa = 0;
  double Kp = 0, SqrtKp = 0;
  double K0 = 0;
  double SIGVP = 0;
  // What the report tables show: the effective stress at the top (SIGVP may
  // hold the total stress afterwards), the active coefficient before an
  // OptionalCoefficient replaces it, and whether the backfill slope was too
  // steep for the sloping-backfill coefficient of this layer.
  double SIGVPEffective = 0;
  double ComputedKa = 0;
  bool SlopeWarning = false;
  // Resultants per unit width of wall for the layer report (layers above the
  // excavation level only): forces and the depths they act at.
  double PA1 = 0, PA2 = 0, PA3 = 0, PA4 = 0;
  double PW1 = 0, PW2 = 0;
  double Z1 = -1000, Z2 = -1000;
  double Z3 = static_cast<double>(-1e-5f);
  double CrackDepth = 0;  // depth of the tension crack below the layer top
};

// One row of the pressure diagram, its columns in the order of the pressure
// scratch file. In EarthPressureData::Rows (what the p-y generation reads)
// every pressure is after the width factor (force per unit length of wall).
struct PressureRow {
  double Depth = 0;  // below the top of the wall
  // The load: in the diagram the net load pressure; in EarthPressureData::Rows
  // Total times IncrementLength (with the specified diagram:
  // (pressure + surcharge * WA) * IncrementLength).
  double LoadPerStation = 0;
  double ActiveWithWater = 0;  // with the specified diagram: the pressure given
  double Surcharge = 0;        // of the surcharge loads and the surface pressure
  double Passive = 0;
  double AtRest = 0;
  double Active = 0;
  double Water = 0;
  double SurfaceShare = 0;  // of the uniform surface pressure
  double SurchargeLoads = 0;
  double Apparent = 0;  // the apparent-pressure trapezoid of anchored walls
  double Total = 0;     // the total load pressure
};

// The columns of a PressureRow in the order of the pressure scratch file.
inline constexpr double PressureRow::*kPressureColumns[] = {
    &PressureRow::Depth,          &PressureRow::LoadPerStation, &PressureRow::ActiveWithWater,
    &PressureRow::Surcharge,      &PressureRow::Passive,        &PressureRow::AtRest,
    &PressureRow::Active,         &PressureRow::Water,          &PressureRow::SurfaceShare,
    &PressureRow::SurchargeLoads, &PressureRow::Apparent,       &PressureRow::Total};

struct SpecifiedPressurePoint {
  double Depth = 0;
  double Pressure = 0;
};

struct EarthPressureData {
  std::vector<PressureLayer> Layers;
  int NL = 0;
  int LP = 0;  // 1-based index of the layer whose top is the excavation level, 0 if none
  int LW = 0;  // 1-based index of the layer whose top is the backfill water table, 0 if none
  bool Overflow = false;
  double UnitWeightWater = 0;
  // False when WaterDepthBackfill is negative: the backfill then has no water table.
  bool BackfillWaterTable = false;
  // Sum of the layer resultants above the excavation level.
  double NetActiveResultant = 0;
  // Row count announced in the pressure scratch file (rows down to the wall bottom).
  int RowCount = 0;
  // Resultants of the diagram above the excavation level (apparent pressures).
  double ResultantF = 0;
  double ResultantA = 0;
  // Rows read back from the pressure scratch file (after the width factor) or
  // built from the specified diagram.
  std::vector<PressureRow> Rows;
  std::vector<SpecifiedPressurePoint> SpecifiedPressure;
};

}  // namespace darnek
