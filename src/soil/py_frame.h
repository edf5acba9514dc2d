// The common frame of the p-y models. For every curve depth of a profile layer
// it generates two curves, one for the soil in front of the wall (excavation
// side) and one behind it (backfill side), each of 17 points; a model supplies
// only what differs between soils, through PyModel. See src/soil/README.md.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <utility>

#include "core/output_unit.h"
#include "core/printed_value.h"
#include "core/run_context.h"
#include "soil/soil_constants.h"

namespace darnek::soil {

using SidePoints = std::array<double, kSidePoints>;

enum class Side { Excavation = 1, Backfill = 2 };

// What the frame knows about the curve and side being generated.
struct CurveFrame {
  int Layer = 0;  // profile layer, 0-based
  int Curve = 0;  // curve index, 0-based
  bool FirstInLayer = false;
  bool LastInLayer = false;
  double Z = 0;            // curve depth below the excavation level
  double ZPrevious = 0;    // the previous curve's depth in this layer (z at the first)
  double LayerTop = 0;     // profile depths of the layer
  double LayerBottom = 0;  // after truncation at the profile depth limit
  double SoilModulus = 0;  // SoilModulusK of the layer

  soil::Side Side = Side::Excavation;
  double SideDepth = 0;  // x_s: depth below this side's ground surface
  double X = 0;          // depth entering the resistance formulas (equivalent depth in later layers)
  double WallDepth = 0;  // z + FreeHeight: depth below the top of the wall

  double B = 0;               // WP, width for soil resistance
  double ReferenceWidth = 0;  // one foot, the width of the continuous-wall forms
  bool Continuous = false;    // WidthRatio below 1.1
  bool Cyclic = false;
  double Slope = 0;  // excavation slope in radians, signed as input

  // Earth-pressure load at wall_depth on the width WP (force per unit
  // length); the model turns it into its active-pressure offset.
  double Pressure = 0;
  double Pm = 1;  // p-multiplier at the model's multiplier depth
  double Ym = 1;  // y-multiplier
};

// How the layer's cumulative resistance grows from one curve depth to the next.
enum class Accumulation {
  Rectangle,  // the current curve's rate times the step
  Trapezoid,  // the mean of the previous and current rates times the step
};

// Which soil quantities a side's curve was built from, by model.
enum class CurveParameterSet { SoftClay, StiffClay, Sand, Silt, Rock, WeakRock };

// The soil quantities a side's curve was built from, as a user reads them
// above its points. A model fills the fields of its set; the frame fills the
// side, the depth and the width.
struct CurveParameters {
  CurveParameterSet Set = CurveParameterSet::SoftClay;
  soil::Side Side = Side::Excavation;
  double DepthBelowSurface = 0;     // below this side's ground surface
  double Width = 0;                 // WP, the width resisting
  double Cohesion = 0;              // clays: c at the curve depth
  double AverageCohesion = 0;       // stiff clays: c averaged down the layer ("CAVG")
  double UnitWeight = 0;            // the average effective unit weight above the curve
  double StrainAtHalfStrength = 0;  // clays: E50; weak rock: k_rm
  double FrictionAngleDeg = 0;      // sand, silt
  double FactorA = 0;               // sand, silt: the empirical factors A and B
  double FactorB = 0;
  double WedgeResistance = 0;  // sand: PCT (PC for a continuous wall); silt: Puc
  double FlowResistance = 0;   // sand: PCD (none for a continuous wall); silt: Pu
  bool Continuous = false;     // sand: a continuous wall, one ultimate resistance
  double RockStrength = 0;     // rock: the strength "C"; weak rock: Qu
  double RockModulus = 0;      // weak rock: Eu
};

// The number form of a scratch line: the point number in five columns, then
// p' and y' in E10.3 fields, each after its blanks, under the scale factor
// (1: one digit before the point, 0: none).
struct ScratchRowForm {
  int BlanksBeforeP = 1;
  int BlanksBeforeY = 1;
  int Scale = 1;
};

// The form of the p' and y' fields of a scratch line.
inline FieldForm ScratchPointField(const ScratchRowForm& form) { return FieldForm::E(10, 3, form.Scale); }

// The fixed parts of a model's behaviour and layout.
struct CurveLayout {
  // Later layers enter the formulas at the equivalent depth x - top + XEQ;
  // otherwise x is the depth below the side's surface.
  bool EquivalentDepth = true;
  soil::Accumulation Accumulation = Accumulation::Trapezoid;
  // At the layer's last curve the rate is also carried to the layer bottom.
  bool AccumulateToBottom = false;
  // p' = pm p; a model that applies pm itself inside Resistance sets false.
  bool ApplyPMultiplier = true;
  // Report: the heads above the 17 rows (given the deflection label and the
  // force-per-length label) and one row (y', p').
  FormatText PointHeads = "";
  FormatText PointRow = "";
  // Scratch line: point number, p', y'. Its number form is the precision the
  // solver receives.
  ScratchRowForm ScratchRow;
  // A point after the first whose written deflection is below 1e-14 gets the
  // small-deflection warning in the report.
  bool WarnSmallDeflection = false;
};

// One soil model. The frame calls, per layer: BeginLayer; per curve, on the
// excavation side: LookUp (and EquivalentDepth at the layer's first curve of a
// later layer); per side: Prepare, ActivePressure, InitialModulus, Grid,
// Resistance for each point with y >= 1e-14, ResistanceRate (excavation side),
// then Parameters for the side's output.
class PyModel {
 public:
  virtual ~PyModel() = default;

  virtual const CurveLayout& Layout() const = 0;

  virtual void BeginLayer(RunContext& /*ctx*/, const CurveFrame& /*f*/) {}
  // Soil quantities at f.z, kept for both sides of the curve.
  virtual void LookUp(RunContext& ctx, const CurveFrame& f) = 0;
  // Depth at which the integral from 0 of this soil's ultimate resistance
  // equals `accumulated`, the resistance of the layers above.
  virtual double EquivalentDepth(const CurveFrame& /*f*/, double /*accumulated*/) const { return 0; }
  // Depth below the top of the wall at which the multipliers are evaluated.
  virtual double MultiplierDepth(const CurveFrame& f) const { return f.WallDepth; }
  // Ultimate resistance and curve shape of this side.
  virtual void Prepare(RunContext& ctx, const CurveFrame& f) = 0;
  // Active-pressure offset pa (force per unit length), from f.pressure.
  virtual double ActivePressure(const CurveFrame& f) const = 0;
  // Modulus for deflections below 1e-14: p = E0 y.
  virtual double InitialModulus() const = 0;
  virtual void Grid(SidePoints& y) const = 0;
  virtual double Resistance(double y) const = 0;
  // The resistance per unit depth that the layer accumulates at this curve.
  virtual double ResistanceRate() const = 0;

  // The soil quantities of this side's curve (the frame adds the side, depth
  // and width).
  virtual CurveParameters Parameters() const = 0;

  // The depth at which the look-up just made went beyond the strength
  // curve, once: the output warns of it.
  std::optional<double> TakeStrengthCurveExceeded() { return std::exchange(strength_curve_exceeded_, {}); }

 protected:
  std::optional<double> strength_curve_exceeded_;
};

// The points of one side as written: y' = ym y, p' = pm p -/+ pa, and what
// they were built from.
struct SideResult {
  SidePoints Y{};
  SidePoints P{};
  double Pa = 0;
  double E0 = 0;
  CurveParameters Parameters;
};

// Receives the generated curves: the report and the scratch file in a run, a
// collector in tests and benchmarks.
class CurveOutput {
 public:
  virtual ~CurveOutput() = default;
  virtual void BeginCurve(const CurveFrame& f) = 0;
  // A look-up at depth z went beyond the strength curve (the curve takes
  // the layer's bottom value).
  virtual void StrengthCurveExceeded(double /*z*/) {}
  virtual void WriteSide(const CurveLayout& layout, const CurveFrame& f, const SideResult& result) = 0;
};

// One profile layer's share of the generation.
struct LayerRun {
  RunContext& Ctx;
  int Layer;  // 0-based
  int First;  // curve indices, 0-based, inclusive
  int Last;
  CurveOutput& Output;
};

// Generates curves first..last of the layer with the model.
void RunLayerCurves(LayerRun& run, PyModel& model);

// The curve depths of every profile layer and the layer ranges: five per
// layer (delta inside each end and at its quarters), or with a positive
// `spacing` one every `spacing` below the excavation level, delta inside each
// end of every layer and one at the water table behind the wall.
void SetCurveDepths(ProblemData& d, double spacing = 0);
// Calls the model of each layer's soil type for its curves.
void DispatchLayers(RunContext& ctx, CurveOutput& output);

// The rows of the user's reduction-factor table that this stage gave (a later
// stage without a table may still hold an earlier stage's rows).
std::span<const ReductionFactorRow> ReductionRows(const ProblemData& d);

// The width by which the diagram's row at `depth` was multiplied when it was
// read back: WA down to the dividing depth, WP below it. A specified diagram
// counts as a load over WA throughout (its surcharge is multiplied by WA).
double LoadedWidth(const ProblemData& d, double depth);
// Earth-pressure load at depth x below the top of the wall on the width WP:
// the active pressure per unit area there times WP (force per unit length);
// 0 without a diagram.
double ActiveLoadAt(const ProblemData& d, double x);

// The offset of the clay models: load less the cohesion term 2 c b, nothing
// at or below 1e-10.
double ClayActivePressure(double pressure, double c, double b);
// The offset of the frictional models: the load itself, nothing below 1e-5.
double FrictionalActivePressure(double pressure);

}  // namespace darnek::soil
