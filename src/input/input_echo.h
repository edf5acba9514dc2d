// The report sections that restate stage records: cross sections and their
// properties table, moment-curvature tables, tie-backs and user p-y curves.
// Internal to the input subsystem.
#pragma once

#include <string>
#include <vector>

#include "core/run_context.h"

namespace darnek::input {

// Which records a nonlinear section type carries after its main row.
bool HasGeometryRecord(NonlinearSectionType type);
bool HasReinforcementRecord(NonlinearSectionType type);
bool HasStrandRecord(NonlinearSectionType type);
// The concrete sections (types 1 to 6).
bool HasTransverseRecord(NonlinearSectionType type);
// Types whose moment-curvature table comes with the cross-section data (all
// nonlinear types but the user-defined EI, which uses a user table).
bool HasOwnMomentCurvatureTable(const CrossSection& section);

// "* CROSS SECTIONS *" with one block per section, then the properties table.
void EchoCrossSections(RunContext& ctx);

// ( / 5X '* USER DEFINED NONLINEAR EI *' ) or the internally generated heading.
void EchoMomentCurvatureHeading(RunContext& ctx, bool user_defined);
void EchoMomentCurvatureTable(RunContext& ctx, int set, double axial_thrust,
                              const std::vector<double>& curvature, const std::vector<double>& moment);

// The TIE BACK DATA table of data.TieBacks.
void EchoTieBacks(RunContext& ctx);

void EchoUserPyCurveHeading(RunContext& ctx);
// One curve, in the form set by its CONTD and the previous curve's.
void EchoUserPyCurve(RunContext& ctx, const UserPyCurve& curve, int previous_contd);

}  // namespace darnek::input
