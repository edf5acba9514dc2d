// The stage records that follow the wall sections: cross sections, nonlinear
// EI tables, stiffness and load rows, restraints and tie-backs, p-y
// modification factors, the wall, water, surcharge and soil block, the
// specified pressure table and the user p-y curves. The record layouts are
// those of docs/input-format.md.
#pragma once

#include "core/list_reader.h"
#include "core/run_context.h"

namespace darnek::input {

// Capacities of the tables whose size the engine chooses; a count above one
// ends the run with the storage message.
inline constexpr int kMaxStiffnessLoadRows = 100;
inline constexpr int kMaxPyModificationFactors = 100;
inline constexpr int kMaxNonlinearEITables = 100;
// Bars or strands placed by coordinates in one nonlinear section.
inline constexpr int kMaxSectionBars = 100;
// The run's pressure-row arrays hold 1999 rows (166 ft at one row per inch,
// 100 m at one row per 0.05 m); a specified diagram shares them.
inline constexpr int kMaxSpecifiedPressureRows = 1999;

// Columns of the main row of a nonlinear section (NonlinearSectionData::MainRow).
enum NonlinearMainColumn : int {
  MainDiameter = 0,  // equivalent diameter
  MainInertia = 1,   // equivalent second moment of area
  MainConcreteFc = 2,
  MainSteelEs = 3,
  MainSteelFy = 4,
  MainEsh = 5,
  MainEsu = 6,
  MainFuFy = 7,
  MainModulus = 8,  // equivalent Young's modulus
};

// Columns of the geometry row of a nonlinear section.
enum NonlinearGeometryColumn : int {
  GeoWidth = 0,
  GeoDepth = 1,
  GeoWeb = 2,
  GeoFlange = 3,
  GeoCasingDiameter = 4,
  GeoCasingThickness = 5,
  GeoSteelDiameter = 6,
  GeoSteelThickness = 7,
  GeoCasingEs = 8,
  GeoCasingFy = 9,
};

// NumCrossSections groups (more than 100: storage message). Stores
// data.CrossSections (the SectionNumber of a wall section is the 1-based index
// into it), fills the I and E copies of each end, echoes the sections and the
// properties table, and checks that every wall section names a stored section.
void ReadCrossSections(RunContext& ctx, ListReader& reader);

// The user nonlinear EI tables (NonlinearEIOption > 0) and then the
// moment-curvature tables of the nonlinear sections that carry their own;
// stores data.EITables, fills CrossSection::Table of every nonlinear section
// (the user-defined EI type copies user table NonlinearEIIndex) and echoes
// the moment-curvature tables.
void ReadNonlinearEITables(RunContext& ctx, ListReader& reader);

// NumStiffnessRows and its rows, into data.StiffnessLoadRows as input, and
// data.AppliedTorques (FROM station, T/(2h)) for every row with a torque.
// No echo: the solver echoes and distributes the rows.
void ReadStiffnessLoadRows(RunContext& ctx, ListReader& reader);

// NumRestraints and the restraint rows, then C1.NumTieBacks tie-back rows of
// seven reals (input values only).
void ReadRestraintsAndTieBacks(RunContext& ctx, ListReader& reader);

// The TIE BACK DATA table. It follows the stiffness-and-load table, whose
// entries include the tie-backs' springs and prestress loads.
void EchoTieBackTable(RunContext& ctx);

// CombineAutoReduction and the reduction-factor rows when
// C1.NumPyModificationFactors > 0; otherwise the table is emptied.
void ReadPyModificationFactors(RunContext& ctx, ListReader& reader);

// Wall-and-water record (and ReferenceWidth), surcharge record, surcharge
// table (SI distances from millimetres to metres), soil control record and
// soil layers, into data.Wall and data.Soil.
void ReadEarthPressureAndSoilBlock(RunContext& ctx, ListReader& reader);

// Count, then (depth, pressure) rows, into data.Pressure.SpecifiedPressure.
void ReadSpecifiedPressureTable(RunContext& ctx, ListReader& reader);

// C1.NumUserPyCurves curves (more than 400: storage message) into
// data.UserPyCurves with their CONTD; echoes the INPUTTED SOIL RESISTANCE
// (P-Y) CURVES section.
void ReadUserPyCurves(RunContext& ctx, ListReader& reader);

}  // namespace darnek::input
