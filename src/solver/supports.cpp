// Specified conditions, restraints, tie-backs and hinges.
#include "solver/supports.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/errors.h"
#include "core/report_helpers.h"
#include "solver/distribution.h"
#include "solver/stage_memory.h"

namespace darnek::solver {

namespace {

std::string StationSpan(int lo, int hi) {
  return lo == hi ? "station " + std::to_string(lo)
                  : "stations " + std::to_string(lo) + " to " + std::to_string(hi);
}

}  // namespace

void SetSpecifiedConditions(RunContext& ctx) {
  const auto& rows = ctx.Data.SpecifiedConditions;
  StationTables& st = ctx.Data.Stations;
  const int n = ctx.Data.C2.NumIncrements;
  if (static_cast<int>(rows.size()) > kMaxSpecifiedConditions) throw StorageExceeded();
  st.SolutionCode.Fill(1);
  int previous = -1;
  int claimed_lo = 0;  // stations claimed by the previous row
  int claimed_hi = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    const SpecifiedCondition& row = rows[i];
    const int s = row.Sta;
    if (s < previous) throw DataError(DataError::Kind::StationsNotInOrder);
    const std::string name = "specified deflections and slopes: row " + std::to_string(i + 1) + " (station " +
                             std::to_string(s) + ", case " + std::to_string(CodeNumber(row.Case)) + ")";
    if (s > n) {
      throw InputError(name + " lies below the tip station " + std::to_string(n));
    }
    // A row at the previous row's station (or a first row at station -1)
    // can only fix the deflection: the slope rows need the station above.
    const bool repeated = s == previous;
    const bool slope = row.Case != ConditionCase::Deflection && !repeated;
    const int lo = slope ? s - 1 : s;
    const int hi = slope ? s + 1 : s;
    // The recursion consumes the conditions from the top down, one station
    // range after the other; a shared station would overwrite a code and pair
    // the later rows with the wrong values.
    if (i > 0 && lo <= claimed_hi) {
      throw InputError(name + " needs " + StationSpan(lo, hi) + ", which overlap the " +
                       StationSpan(claimed_lo, claimed_hi) + " of row " + std::to_string(i) + " (station " +
                       std::to_string(rows[i - 1].Sta) +
                       "); each specified condition needs stations of its own");
    }
    if (!slope) {
      st.SolutionCode[s] = 2;
    } else {
      st.SolutionCode[s - 1] = 3;
      if (row.Case == ConditionCase::DeflectionAndSlope) st.SolutionCode[s] = 4;
      st.SolutionCode[s + 1] = 5;
    }
    previous = s;
    claimed_lo = lo;
    claimed_hi = hi;
  }
}

void AddRestraints(RunContext& ctx) {
  std::vector<StiffnessLoadEntry> entries;
  entries.reserve(ctx.Data.Restraints.size());
  for (const Restraint& r : ctx.Data.Restraints) {
    StiffnessLoadEntry entry;
    entry.From = r.From;
    entry.To = r.To;
    entry.Contd = r.Contd;
    entry.S = r.LateralStiffness;
    entry.R = r.RotationalStiffness;
    entries.push_back(entry);
  }
  detail::AddEntryTable(ctx, entries, "restraint");
}

void AddTieBacks(RunContext& ctx) {
  ProblemData& data = ctx.Data;
  const double h = data.C2.IncrementLength;
  const double width = data.C2.ResultWidth;
  const bool english = data.C1.UnitSystemCode == UnitSystem::English;
  // Angles are turned into radians with pi held as the single-precision 3.1416
  // (3.1415998935699463), which moves the cosines in their sixth digit.
  const double pi = static_cast<double>(3.1416f);
  const int st_limit = data.C2.NumIncrements + 3;
  for (size_t i = 0; i < data.TieBacks.size(); ++i) {
    TieBack& tb = data.TieBacks[i];
    const std::string name = "tie-back " + std::to_string(i + 1);
    // Depths are in feet for English units, h in inches. A depth far outside
    // the wall is kept just outside it, where the range checks report it.
    const double station = std::round(english ? 12.0 * tb.Depth / h : tb.Depth / h);
    const int outside = st_limit + 1;
    tb.Station = station > outside ? outside : station < -outside ? -outside : static_cast<int>(station);
    tb.CosAngle = std::cos(tb.Angle * pi / 180.0);
    const double c = tb.CosAngle;
    if (english) {
      tb.Stiffness = tb.Area * tb.Modulus * c / ((12.0 * tb.Spacing / width) * (12.0 * tb.UnbondedLength));
      tb.PrestressLoad = -(width / (12.0 * tb.Spacing)) * tb.Prestress * c;
    } else {
      tb.Stiffness = tb.Area * tb.Modulus * c / ((tb.Spacing / width) * tb.UnbondedLength);
      tb.PrestressLoad = -(width / tb.Spacing) * tb.Prestress * c;
    }
    if (!std::isfinite(tb.Stiffness) || !std::isfinite(tb.PrestressLoad)) {
      throw InputError(name + ": its spring stiffness (" + NumberText(tb.Stiffness) +
                       ") or prestress load (" + NumberText(tb.PrestressLoad) +
                       ") per station is not a finite number; check the area, modulus, lengths and spacing");
    }
    if (ctx.Memory) ApplyTieBackMemory(ctx, i, tb);
    StiffnessLoadEntry entry;
    entry.From = tb.Station;
    entry.To = tb.Station;
    entry.Contd = RowLink::Standalone;
    entry.S = tb.Stiffness;
    entry.Q = tb.PrestressLoad;
    detail::CheckRangeTop(name, entry.From, entry.To);
    const StationTables& st = data.Stations;
    const int last = st.EI.NumIncrements() + 3;
    WriteStiffnessLoadLine(ctx.Report, EntryLineForm::Standalone, entry,
                           tb.Station <= last ? st.EI[tb.Station] : 0.0);
    detail::DistributeRange(data.Stations, entry.From, entry.To, entry, entry);
  }
}

void ApplyHinges(RunContext& ctx) {
  ProblemData& data = ctx.Data;
  if (data.C1.HingeOption != HingeModel::AtLowerTieBacks || data.C1.NumTieBacks <= 0) return;
  const int n = data.C2.NumIncrements;
  const int count = std::min(data.C1.NumTieBacks, static_cast<int>(data.TieBacks.size()));
  for (int i = 1; i < count; ++i) {
    const int s = data.TieBacks[i].Station;
    if (s >= 0 && s <= n) data.Stations.EI[s] = 0.0;
  }
}

}  // namespace darnek::solver
