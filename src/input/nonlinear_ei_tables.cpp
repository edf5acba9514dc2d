// Moment-curvature tables: the user nonlinear EI tables, then the tables that
// come with the nonlinear cross sections, and the hand-over of each section's
// table to the flexural rigidity.
#include <cmath>
#include <string>

#include "core/errors.h"
#include "core/report_helpers.h"
#include "input/input_checks.h"
#include "input/input_echo.h"
#include "input/stage_tables.h"

namespace darnek::input {
namespace {

// Reads `count` (curvature, moment) rows; a count above the table's capacity
// ends the run with the storage message, a negative count means no rows.
void ReadPoints(ListReader& reader, const std::string& table, int count, std::vector<double>& curvature,
                std::vector<double>& moment) {
  curvature.clear();
  moment.clear();
  if (count > kMaxEITablePoints) throw StorageExceeded();
  for (int p = 1; p <= count; ++p) {
    double phi = 0, m = 0;
    reader.Read(table + ", point " + std::to_string(p), {{"curvature", &phi}, {"moment", &m}});
    curvature.push_back(phi);
    moment.push_back(m);
  }
}

// The flexural rigidity starts every nonlinear station at the initial secant
// M(2)/curvature(2), so a section's table needs a second point with a positive
// curvature.
void CheckSectionTable(int section, const std::string& source, const MomentCurvatureTable& t) {
  const std::string where = "cross section " + std::to_string(section) + " (" + source + ")";
  if (t.NumPoints() < 2)
    throw InputError(where + ": a moment-curvature table needs at least 2 points, found " +
                     std::to_string(t.NumPoints()));
  if (!(t.Curvature[1] > 0))
    throw InputError(where +
                     ": the curvature of point 2 must be positive; the initial secant "
                     "stiffness (moment / curvature at point 2) is undefined");
  // The secant stiffnesses become the wall's EI; one that overflows would
  // only spread through the solution.
  for (int p = 1; p < t.NumPoints(); ++p) {
    if (t.Curvature[p] > 0 && !std::isfinite(t.Moment[p] / t.Curvature[p]))
      throw InputError(where + ", point " + std::to_string(p + 1) +
                       ": the secant stiffness moment / curvature (" + NumberText(t.Moment[p]) + " / " +
                       NumberText(t.Curvature[p]) + ") is not a finite number");
  }
}

void ReadUserTables(RunContext& ctx, ListReader& reader) {
  ProblemData& d = ctx.Data;
  const int n = d.C1.NonlinearEIOption;
  if (n > kMaxNonlinearEITables) throw StorageExceeded();
  int unused = 0;
  reader.Read("nonlinear EI tables, count record", {{"number of tables (not used)", &unused}});
  for (int t = 1; t <= n; ++t) {
    EITable table;
    int set = 0;
    const std::string name = "nonlinear EI table " + std::to_string(t);
    reader.Read(name, {{"EITableValue", &table.EITableValue},
                       {"table number (not used)", &set},
                       {"EITablePoints", &table.EITablePoints}});
    WarnNegativeCount(ctx, reader, name, 2, "EITablePoints", table.EITablePoints);
    ReadPoints(reader, name, table.EITablePoints, table.Curvature, table.Moment);
    table.EITablePoints = static_cast<int>(table.Curvature.size());
    d.EITables.push_back(std::move(table));
  }
  EchoMomentCurvatureHeading(ctx, true);
  for (size_t t = 0; t < d.EITables.size(); ++t) {
    const EITable& table = d.EITables[t];
    EchoMomentCurvatureTable(ctx, static_cast<int>(t) + 1, table.EITableValue, table.Curvature, table.Moment);
  }
}

// One table per nonlinear section other than the user-defined EI type, in
// cross-section order; each names its section so that a table cannot slip to
// the wrong one.
void ReadSectionTables(RunContext& ctx, ListReader& reader) {
  auto& sections = ctx.Data.CrossSections;
  bool any = false;
  for (size_t i = 0; i < sections.size(); ++i) {
    CrossSection& c = sections[i];
    if (!HasOwnMomentCurvatureTable(c)) continue;
    any = true;
    const int s = static_cast<int>(i) + 1;
    const std::string name = "moment-curvature table of cross section " + std::to_string(s);
    int number = 0, points = 0;
    reader.Read(
        name,
        {{"section number", &number}, {"axial thrust", &c.Table.AxialThrust}, {"number of points", &points}});
    if (number != s)
      throw InputError(reader.line(), name, 0, "",
                       "the record names cross section " + std::to_string(number) +
                           "; the tables follow the nonlinear sections in order");
    ReadPoints(reader, name, points, c.Table.Curvature, c.Table.Moment);
    CheckSectionTable(s, "its moment-curvature table", c.Table);
  }
  if (!any) return;
  EchoMomentCurvatureHeading(ctx, false);
  for (size_t i = 0; i < sections.size(); ++i) {
    const CrossSection& c = sections[i];
    if (!HasOwnMomentCurvatureTable(c)) continue;
    EchoMomentCurvatureTable(ctx, static_cast<int>(i) + 1, c.Table.AxialThrust, c.Table.Curvature,
                             c.Table.Moment);
  }
}

void CopyUserTables(ProblemData& d) {
  for (size_t i = 0; i < d.CrossSections.size(); ++i) {
    CrossSection& c = d.CrossSections[i];
    if (c.SectionNonlinear == SectionKind::Elastic ||
        c.Nonlinear.SectionType != NonlinearSectionType::UserDefinedEI)
      continue;
    const int s = static_cast<int>(i) + 1;
    const int index = c.Nonlinear.NonlinearEIIndex;
    if (index < 1 || index > static_cast<int>(d.EITables.size()))
      throw InputError("cross section " + std::to_string(s) + " uses nonlinear EI table " +
                       std::to_string(index) + ", but the stage gives " + std::to_string(d.EITables.size()) +
                       " nonlinear EI tables");
    const EITable& table = d.EITables[static_cast<size_t>(index - 1)];
    c.Table.AxialThrust = table.EITableValue;
    c.Table.Curvature = table.Curvature;
    c.Table.Moment = table.Moment;
    CheckSectionTable(s, "nonlinear EI table " + std::to_string(index), c.Table);
  }
}

}  // namespace

void ReadNonlinearEITables(RunContext& ctx, ListReader& reader) {
  ProblemData& d = ctx.Data;
  d.EITables.clear();
  if (d.C1.NonlinearEIOption > 0) ReadUserTables(ctx, reader);
  ReadSectionTables(ctx, reader);
  CopyUserTables(d);
}

}  // namespace darnek::input
