// What a stage's records give: the input's limits, the report's unit labels,
// the control lines, the wall, its sections, supports and loads, the soil
// layers and the user's p-y curves. The readers in src/input/ fill it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/codes.h"

namespace darnek {

// Limits the input must respect; the readers reject counts above them with the
// storage message.
inline constexpr int kMaxSpecifiedConditions = 20;
inline constexpr int kMaxWallSections = 20;
inline constexpr int kMaxCrossSections = 100;
inline constexpr int kMaxEITablePoints = 100;
inline constexpr int kMaxRestraints = 20;
inline constexpr int kMaxTieBacks = 20;
inline constexpr int kMaxSurchargeLoads = 20;
inline constexpr int kMaxSoilLayers = 20;
inline constexpr int kMaxPressureLayers = 20;
inline constexpr int kMaxPyCurves = 400;
// With a curve spacing (RunOptions::CurveSpacing) the table may hold more.
inline constexpr int kMaxSpacedPyCurves = 4000;
// Points of one table curve; generated curves have 33.
inline constexpr int kMaxPyCurvePoints = 200;
// Station tables are sized from NumIncrements; this bounds a run's memory.
inline constexpr int kMaxIncrements = 100000;
// Rows of the earth-pressure diagram (one per inch or 0.05 m of depth).
inline constexpr int kMaxPressureRows = 200000;
// Iterations of one stage: with one run-log line each, this bounds the time
// and the run log of a stage that never closes.
inline constexpr int kMaxIterations = 10000;

// Fixed-width unit labels of the report, chosen once per stage from UnitFlag.
struct UnitLabels {
  std::string LengthLabel = "  L";             // 3
  std::string ForceLabel = "   F";             // 4
  std::string LengthLabel2 = " L";             // 2
  std::string ForceLabel3 = "  F";             // 3
  std::string SmallLengthLabel = " L";         // 2
  std::string ForceLabel3b = "  F";            // 3
  std::string LargeLengthLabel = "  L     ";   // 8
  std::string LargeLengthLabel2 = " L      ";  // 8
};

// ---------------------------------------------------------------- run control
struct RunControl {
  std::string VersionText;  // NAMES.dat line 1, 12 characters
  std::string Title;        // first 70 columns of the title line
  std::string StageTitle;   // the first stage's title, kept for later headings
  int StageCounter = 0;
  int UnitFlag = 0;  // +1 English, -1 SI, 0 neutral
  UnitLabels Labels;
  // Set by the first stage that asks for internal generation; never cleared
  // during a run, so later stages still echo 1.
  int InternalEarthPressureFlag = 0;
  int InternalPyFlag = 0;
  // Stage-continuation value read after each stage (0 before the first).
  int ContinuationValue = 0;
  // Stage code of the plot file's results block for the stage just finished.
  int PlotStageCode = 1;
};

// Where an item stood in the input, for a check that can only be made once the
// stage has been read and computed, and names the item then.
struct ItemPlace {
  int Line = 0;
  std::string Record;
  int Item = 0;  // 1-based
  std::string Name;
};

// ---------------------------------------------------- first control line (C1)
struct ControlLine1 {
  UnitSystem UnitSystemCode = UnitSystem::English;
  int NumSpecifiedDeflections = 0;
  int NumWallSections = 0;
  int NumCrossSections = 0;
  int NumPyModificationFactors = 0;
  EarthPressureMode EarthPressureOption = EarthPressureMode::None;
  PyCurveSource PyCurveOption = PyCurveSource::UserCurves;
  int NumUserPyCurves = 0;
  int NumStages = 0;
  int NonlinearEIOption = 0;
  int NumTieBacks = 0;
  HingeModel HingeOption = HingeModel::None;
};

// --------------------------------------------------- second control line (C2)
struct ControlLine2 {
  int NumIncrements = 0;
  double IncrementLength = 0;
  double MaxAllowableDeflection = 0;
  double DeflectionTolerance = 0;
  double DividingDepth = 0;
  double ResultWidth = 0;
  double WallHeight = 0;
  int MaxIterations = 0;
  int Unused9 = 0;
  int Unused10 = 0;
  double WallLength = 0;      // NumIncrements x IncrementLength
  ItemPlace IncrementsPlace;  // NumIncrements
};

// ---------------------------------------- specified deflections and slopes (S)
struct SpecifiedCondition {
  ConditionCase Case = ConditionCase::Deflection;
  int Sta = 0;
  double SpecDeflection = 0;
  double SpecSlope = 0;  // radians
};

// ------------------------------------------------------- wall sections (W)
struct WallSection {
  double SectionTop = 0;  // feet for English units
  double SectionBottom = 0;
  int SectionNumber = 0;
};

// ------------------------------------------------------------ cross sections
struct MomentCurvatureTable {
  double AxialThrust = 0;
  std::vector<double> Curvature;
  std::vector<double> Moment;
  int NumPoints() const { return static_cast<int>(Curvature.size()); }
};

// The type-dependent records of a nonlinear cross section (reinforcement,
// strands, casing). Their layout is this engine's own, documented in
// docs/input-format.md; the analysis uses only the moment-curvature table,
// the rest is kept for the echo.
struct SectionReinforcement {
  int NumRebars = 0;
  double Diameter = 0;
  double Area = 0;  // of one bar
  double Modulus = 0;
  double Yield = 0;
  double Cover = 0;
  BarLayout Layout = BarLayout::Circle;  // positions given: one (X, Y) per bar
  std::vector<double> X;
  std::vector<double> Y;
};

struct SectionTransverseReinforcement {
  int NumBars = 0;
  double Diameter = 0;
  double Area = 0;
  double Spacing = 0;
  double Yield = 0;
};

struct SectionStrands {
  int NumStrands = 0;
  double Diameter = 0;
  double Area = 0;  // of one strand
  double Ultimate = 0;
  double InitialForce = 0;
  double Cover = 0;
  BarLayout Layout = BarLayout::Circle;  // positions given: one (X, Y) per strand
  std::vector<double> X;
  std::vector<double> Y;
};

struct NonlinearSectionData {
  NonlinearSectionType SectionType = NonlinearSectionType::RoundConcreteShaft;
  std::array<double, 9> MainRow{};           // equivalent diameter ... equivalent modulus
  SteelCore GeometryCode = SteelCore::None;  // the core of a cased shaft
  std::array<double, 10> GeometryRow{};
  SectionReinforcement Rebars;
  SectionTransverseReinforcement Transverse;
  SectionStrands Strands;
  int NonlinearEIIndex = 0;  // user-defined EI type: the user table used
};

struct CrossSection {
  int Identifier = 0;
  ElasticShape SectionShapeCode = ElasticShape::General;  // elastic sections; see Nonlinear.SectionType
  SectionKind SectionNonlinear = SectionKind::Elastic;
  SectionTaper SectionTapered = SectionTaper::Uniform;
  std::string SectionName;
  std::string SecondName;  // the AISC name of shape code 5
  // [0] top end, [1] bottom end.
  std::array<std::array<double, 8>, 2> Geometry{};
  std::array<std::array<double, 10>, 2> Properties{};  // col 4 (index 3) I, col 9 (index 8) E
  std::array<double, 2> ExtraReal{};
  std::array<int, 4> ClosingIntegers{};
  double Thickness = 0;
  // Copies for the flexural rigidity: SI second moments turned from mm^4 to m^4.
  std::array<double, 2> I{};
  std::array<double, 2> E{};
  NonlinearSectionData Nonlinear;
  MomentCurvatureTable Table;  // the moment-curvature table of a nonlinear section
  ItemPlace InertiaPlace;      // the second moment of area I (of the top end)
};

struct EITable {
  double EITableValue = 0;  // axial thrust
  int EITablePoints = 0;
  std::vector<double> Curvature;
  std::vector<double> Moment;
};

// ---------------------------------------------- stiffness and load, supports
struct StiffnessLoadRow {
  RowLink Contd = RowLink::Standalone;
  int From = 0;
  int To = 0;
  double Q = 0;
  double T = 0;
  double P = 0;  // as input
};

// One entry of the solver's stiffness-and-load distribution.
struct StiffnessLoadEntry {
  int From = 0;
  int To = 0;
  RowLink Contd = RowLink::Standalone;
  double EI = 0, Q = 0, S = 0, T = 0, R = 0, P = 0;
};

struct Restraint {
  int From = 0;
  int To = 0;
  RowLink Contd = RowLink::Standalone;
  double LateralStiffness = 0;
  double RotationalStiffness = 0;
};

struct TieBack {
  // As input, in the order of the report columns.
  double Depth = 0;  // feet for English units
  double Area = 0;
  double Modulus = 0;
  double UnbondedLength = 0;
  double Angle = 0;  // degrees
  double Spacing = 0;
  double Prestress = 0;
  int Line = 0;  // input line of its depth, for messages
  // Derived.
  int Station = 0;
  double CosAngle = 1;
  double Stiffness = 0;      // k per station
  double PrestressLoad = 0;  // Q0 per station
  // Results of the last stage solved.
  double HorizontalForcePerStation = 0;
  double ForcePerStation = 0;
  double ForcePerTieBack = 0;
};

struct AppliedTorque {
  int Station = 0;
  double F = 0;  // T / (2h)
};

struct ReductionFactorRow {
  double Depth = 0;
  double PFactor = 1;
  double YFactor = 1;
};

// ------------------------------------------ wall, water and surcharge data
struct SurchargeLoad {
  SurchargeType Type = SurchargeType::Point;
  double Magnitude = 0;
  double Distance = 0;          // horizontal distance from the wall
  double Width = 0;             // strip width
  double VerticalDistance = 0;  // above the top of the wall
  double Factor = 0;
};

struct WallWaterData {
  double FreeHeight = 0;
  double WA = 0;
  double WP = 0;
  double WaterDepthBackfill = 0;
  double WaterDepthExcavation = 0;
  double ActiveModificationFactor = 0;
  WaterPressure WaterPressureFlag = WaterPressure::NotAdded;
  double BackfillSlope = 0;    // degrees
  double ExcavationSlope = 0;  // degrees
  double ReferenceWidth = 0;   // one foot in the analysis unit
  // Surcharge record.
  double SurfacePressure = 0;
  double SeedDistance = 0;
  double SeedPointLoad = 0;
  double SeedLineLoad = 0;
  double SeedStripLoad = 0;
  double SeedStripWidth = 0;
  std::vector<SurchargeLoad> SurchargeLoads;
};

// ---------------------------------------------------------------- soil layers
struct SoilValues {
  double UnitWeight = 0;
  double S = 0;
  double PHI = 0;  // degrees as input
  double E50 = 0;
  double SoilModulusK = 0;
  double Sixth = 0;  // RQD (%) for rock codes 6 and 7, OptionalCoefficient otherwise
};

struct SoilLayer {
  SoilType SoilTypeCode = SoilType::SoftClay;
  double LayerBottomDepth = 0;
  double LayerThickness = 0;
  SoilValues Top;
  SoilValues Bottom;
  int Line = 0;  // input line of its record L2 (values at the top), for messages
};

struct SoilData {
  int NumSoilLayers = 0;
  Loading LoadingType = Loading::Static;
  double NumCycles = 0;
  std::vector<SoilLayer> Layers;
};

// ------------------------------------------------------------- p-y curves
struct UserPyCurve {
  int Station = 0;
  int NumPoints = 0;
  double PMultiplier = 1;
  double YMultiplier = 1;
  int Contd = 0;
  std::vector<double> Y;  // as input
  std::vector<double> P;  // as input, per unit length
};

// One soil-support curve of the solver's table: load on the wall per station
// against deflection.

}  // namespace darnek
