// The problem data of one run: every table and scalar that the subsystems
// share, grouped as the engine's data model groups them. One instance per run,
// owned by the run context; a later stage overwrites only what its records read.
#pragma once

#include <array>
#include <cassert>
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

// Per-station values of the difference model, addressed by station number:
// stations -3 .. N+3, where -1 and N+1 are the imaginary stations and the two
// beyond each end stay zero.
template <class T>
class StationArray {
 public:
  void Resize(int num_increments) {
    num_increments_ = num_increments;
    values_.assign(static_cast<size_t>(num_increments) + 7, T{});
  }
  void Fill(T value) { values_.assign(values_.size(), value); }
  T& operator[](int station) {
    assert(station >= -3 && station <= num_increments_ + 3);
    return values_[static_cast<size_t>(station + 3)];
  }
  const T& operator[](int station) const {
    assert(station >= -3 && station <= num_increments_ + 3);
    return values_[static_cast<size_t>(station + 3)];
  }
  int NumIncrements() const { return num_increments_; }
  bool Empty() const { return values_.empty(); }

 private:
  int num_increments_ = -1;
  std::vector<T> values_;
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
  double WallLength = 0;  // NumIncrements x IncrementLength
};

// ------------------------------------------------------------ station tables
struct StationTables {
  StationArray<double> EI;
  StationArray<double> Q;
  StationArray<double> S;
  StationArray<double> T;
  StationArray<double> R;
  StationArray<double> P;  // opposite sign to the axial load of the input
  StationArray<double> BaseQ;
  StationArray<double> BaseS;
  StationArray<double> W;
  StationArray<double> RecA;
  StationArray<double> RecB;
  StationArray<double> RecC;
  StationArray<int> SolutionCode;
  StationArray<double> SoilReaction;  // per unit length, last solution
  // Deflection history of the iteration (stations 0 .. N used).
  StationArray<double> Wprev1;
  StationArray<double> Wprev2;
  StationArray<double> Wprev3;
  // A non-zero value of an entry fell beyond station N+3, past the end of the
  // tables; the beyond-end check reports it.
  bool DataBeyondTables = false;
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
struct PyCurve {
  int From = 0;  // station numbers
  int To = 0;
  int Contd = 0;
  std::vector<double> Y;
  std::vector<double> P;
  int NumPoints() const { return static_cast<int>(Y.size()); }
};

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

// ----------------------------------------------------- earth-pressure profile
// One layer of the pressure profile: an input soil layer, cut at the
// excavation level and at the backfill water table.
struct PressureLayer {
  double T = 0;
  double ZTOP = 0;
  double c = 0;
  double phi = 0;  // degrees
  double gamma = 0;
  double OptionalCoefficient = 0;
  SoilType SoilTypeCode = SoilType::SoftClay;
  bool DrainedFlag = false;
  bool SubmergedFlag = false;
  double f = 0;
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

// ------------------------------------------------------------------- results
enum class StageOutcome { NotRun, Closed, SingleSolution, DeflectionExceeded, IterationLimit, BrokeDown };

struct StationResult {
  int Station = 0;
  double X = 0;  // k h, analysis length unit
  double Deflection = 0;
  double Slope = 0;
  double Moment = 0;
  double Shear = 0;
  double SoilReaction = 0;
  double NetForce = 0;
  double EI = 0;
};

// One pass of a stage's iteration, as the run log's monitoring table shows it.
struct IterationStep {
  int Iteration = 0;
  int ChangedStations = 0;               // stations whose deflection changed by more than the tolerance
  double MaxChange = 0;                  // the largest change of deflection
  double Deflections[4] = {0, 0, 0, 0};  // of stations 1 to 4
};

struct ResultsData {
  StageOutcome Outcome = StageOutcome::NotRun;
  int Iterations = 0;
  int ExceedingStations = 0;
  std::vector<StationResult> Stations;
  // Every pass of the iteration; none for a single solution.
  std::vector<IterationStep> History;
  // Row count of the last stage whose results were computed.
  int LastResultRows = 0;
  // Where the solution broke down: the first station with a value that is
  // not finite, which value, and whether it is not a number (else infinite).
  int BreakdownStation = 0;
  std::string BreakdownQuantity;  // "deflection", "flexural rigidity EI", ...
  bool BreakdownNotANumber = false;
  // Load stepping after an iteration that did not close: whether it was
  // tried, its increments and the largest fraction of the loads it carried.
  // A stage it closes has the outcome Closed.
  bool LoadStepped = false;
  int LoadSteps = 0;
  double LoadFraction = 0;
};

// ------------------------------------------------------------- the whole body
struct ProblemData {
  RunControl Run;
  ControlLine1 C1;
  ControlLine2 C2;
  StationTables Stations;
  std::vector<SpecifiedCondition> SpecifiedConditions;
  std::vector<WallSection> WallSections;
  std::vector<CrossSection> CrossSections;
  std::vector<EITable> EITables;
  std::vector<StiffnessLoadRow> StiffnessLoadRows;
  std::vector<AppliedTorque> AppliedTorques;
  int NumRestraints = 0;
  std::vector<Restraint> Restraints;
  std::vector<TieBack> TieBacks;
  ReductionCombination CombineAutoReduction = ReductionCombination::TableAlone;
  std::vector<ReductionFactorRow> ReductionFactorTable;
  WallWaterData Wall;
  SoilData Soil;
  std::vector<UserPyCurve> UserPyCurves;
  std::vector<PyCurve> PyCurves;
  SoilProfile Profile;
  EarthPressureData Pressure;
  ResultsData Results;
};

}  // namespace darnek
