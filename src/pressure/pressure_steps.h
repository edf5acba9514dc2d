// Steps of the earth-pressure subsystem behind GeneratePressureDiagram, and the constants they
// share. Internal to src/pressure (and its tests).
#pragma once

#include <vector>

#include "core/problem_data.h"
#include "core/run_context.h"

namespace darnek::pressure {

// Angles are input in degrees and turned into radians with this
// single-precision constant.
inline constexpr double kDegreesPerRadian = static_cast<double>(57.2958f);
// Tolerance of every depth comparison of the profile (single precision).
inline constexpr double kDepthTolerance = static_cast<double>(1e-5f);
// Below this a coefficient or pressure counts as not given (single precision).
inline constexpr double kGivenThreshold = static_cast<double>(1e-7f);
// Unit weight of water: kN/m^3 and lb/in^3, single precision.
inline constexpr double kUnitWeightWaterSI = static_cast<double>(9.81f);
inline constexpr double kUnitWeightWaterEnglish = static_cast<double>(0.036f);
// Below this FreeHeight counts as zero: the surcharge expressions are scaled by it.
inline constexpr double kZeroFreeHeight = 1e-6;

inline bool IsEnglish(const ProblemData& data) { return data.C1.UnitSystemCode == UnitSystem::English; }

// Splits the soil layers at the excavation level and the
// backfill water table and sets NL, LP, LW and the overflow condition.
void BuildPressureProfile(ProblemData& data);
// Effective overburden at the layer tops (SIGVPEffective, then SIGVP with the
// total stress for submerged undrained layers that carry an OptionalCoefficient).
void ComputeOverburden(ProblemData& data);
// Active, passive and at-rest coefficients of every layer.
void ComputeCoefficients(ProblemData& data);
// Per-layer resultants above the excavation level, the tension cracks, the
// water resultants (which switch WaterPressureFlag on) and the net resultant.
void ComputeLayerResultants(ProblemData& data);

// The report steps: the input echo, the overburden and coefficient tables,
// and the layer resultants (computed before, by ComputeLayerResultants).
void WritePressureInput(RunContext& ctx);
void WriteOverburdenTable(RunContext& ctx);
void WriteCoefficientTable(RunContext& ctx);
void WriteLayerResultants(RunContext& ctx);

// The pressure diagram of the generated options: every row down to the bottom
// of the last pressure layer (the first is the top row at depth 0).
// `row_count` receives the count of rows down to the wall bottom.
std::vector<PressureRow> BuildPressureDiagram(ProblemData& data, int& row_count);
// The loads of the diagram: keeps in data.Pressure.Rows the rows down to the
// wall bottom at the precision of the pressure scratch file, and writes the
// diagram to that file unless the run discards it.
void SetDiagramLoads(RunContext& ctx);

// Value of the apparent-pressure trapezoid with peak `peak` at `depth`.
struct ApparentPressureShape {
  double A = 0;  // depth where the peak is reached
  double B = 0;  // length of the constant part
  double C = 0;  // length of the falling part
};
ApparentPressureShape ApparentShape(const ProblemData& data);
double ApparentPressure(const ApparentPressureShape& shape, double peak, double depth);
// Peak of the trapezoid that carries 1.3 times the resultant.
double ApparentPeak(const ProblemData& data, double resultant);

}  // namespace darnek::pressure
