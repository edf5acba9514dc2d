// Station tables, the distribution rule of stiffness-and-load entries, the
// stiffness and load rows of the input and the beyond-end check.
#include "solver/stations.h"

#include <cmath>

#include "core/errors.h"
#include "core/report_helpers.h"
#include "solver/chain_walk.h"
#include "solver/distribution.h"
#include "solver/stiffness_load_echo.h"

namespace darnek::solver {

namespace {

template <class T>
void Reset(StationArray<T>& array, int n, T value) {
  array.Resize(n);
  array.Fill(value);
}

// The current EI of a station for the echo; zero off the tables.
double EchoEI(const StationTables& st, int station) {
  const int n = st.EI.NumIncrements();
  return station >= -3 && station <= n + 3 ? st.EI[station] : 0.0;
}

}  // namespace

void PrepareStations(RunContext& ctx) {
  const int n = ctx.Data.C2.NumIncrements;
  StationTables& st = ctx.Data.Stations;
  for (StationArray<double>* array :
       {&st.EI, &st.Q, &st.S, &st.T, &st.R, &st.P, &st.BaseQ, &st.BaseS, &st.W, &st.RecA, &st.RecB, &st.RecC,
        &st.SoilReaction, &st.Wprev1, &st.Wprev2, &st.Wprev3}) {
    Reset(*array, n, 0.0);
  }
  Reset(st.SolutionCode, n, 1);
  st.DataBeyondTables = false;
}

namespace detail {

void DistributeRange(StationTables& st, int from, int to, const StiffnessLoadEntry& at_from,
                     const StiffnessLoadEntry& at_to) {
  const int last = st.EI.NumIncrements() + 3;
  auto add = [&](int station, double t, double g) {
    const double ei = at_from.EI + (at_to.EI - at_from.EI) * t;
    const double q = at_from.Q + (at_to.Q - at_from.Q) * t;
    const double s = at_from.S + (at_to.S - at_from.S) * t;
    const double torque = at_from.T + (at_to.T - at_from.T) * t;
    const double r = at_from.R + (at_to.R - at_from.R) * t;
    const double p = at_from.P + (at_to.P - at_from.P) * t;
    if (station > last) {
      if (ei != 0 || q != 0 || s != 0 || torque != 0 || r != 0 || p != 0) st.DataBeyondTables = true;
      return;
    }
    st.EI[station] += ei * g;
    st.BaseQ[station] += q * g;
    st.BaseS[station] += s * g;
    st.T[station] += torque * g;
    st.R[station] += r * g;
    // The tables hold the axial load with the sign opposite to the input's.
    st.P[station] += -p * g;
  };
  const long long span = static_cast<long long>(to) - from;
  if (span == 0) {
    add(from, 0.0, 1.0);
    return;
  }
  // Only the stations of the tables are walked: a range may be given as far
  // below the tip as the input likes. Beyond the tables the values are linear,
  // so they are zero there only if they are zero at both ends of that part.
  const long long inside = std::min<long long>(to, last) - from;
  for (long long k = 0; k <= inside; ++k)
    add(static_cast<int>(from + k), static_cast<double>(k) / static_cast<double>(span), 1.0);
  if (to > last) {
    const int first_beyond = std::max(from, last + 1);
    add(first_beyond,
        static_cast<double>(first_beyond - static_cast<long long>(from)) / static_cast<double>(span), 1.0);
    add(to, 1.0, 1.0);
  }
  add(from, 0.0, -0.5);
  add(to, 1.0, -0.5);
}

void CheckRangeTop(const std::string& what, int from, int to) {
  if (from < -1 || to < -1) {
    throw InputError(what + ": stations " + std::to_string(from) + " to " + std::to_string(to) +
                     " reach above station -1, the imaginary station above the top of the wall");
  }
}

void AddEntryTable(RunContext& ctx, const std::vector<StiffnessLoadEntry>& entries, const std::string& what) {
  StationTables& st = ctx.Data.Stations;
  const int count = static_cast<int>(entries.size());
  bool previous_linked = false;
  for (const StiffnessLoadEntry& entry : entries) {
    const bool linked = entry.Contd == RowLink::Linked;
    const EntryLineForm form = previous_linked ? EntryLineForm::ChainLater
                               : linked        ? EntryLineForm::ChainFirst
                                               : EntryLineForm::Standalone;
    const int station = form == EntryLineForm::ChainLater ? entry.To : entry.From;
    WriteStiffnessLoadLine(ctx.Report, form, entry, EchoEI(st, station));
    previous_linked = linked;
  }
  auto walk = MakeChainWalk(
      count, [&](int i) { return entries[i].Contd == RowLink::Linked; },
      [&](int i) { return entries[i].From; }, [&](int i) { return entries[i].To; });
  ChainRange range;
  while (walk.Next(range)) {
    if (range.To < range.From) throw DataError(DataError::Kind::StationsNotInOrder);
    const std::string name = what + " row " + std::to_string(range.First + 1) +
                             (range.Second != range.First ? " to " + std::to_string(range.Second + 1) : "");
    CheckRangeTop(name, range.From, range.To);
    DistributeRange(st, range.From, range.To, entries[range.First], entries[range.Second]);
  }
}

}  // namespace detail

void DistributeEntry(RunContext& ctx, const StiffnessLoadEntry& entry) {
  if (entry.To < entry.From) throw DataError(DataError::Kind::StationsNotInOrder);
  detail::CheckRangeTop("stiffness and load entry", entry.From, entry.To);
  detail::DistributeRange(ctx.Data.Stations, entry.From, entry.To, entry, entry);
}

void AddStiffnessLoadRows(RunContext& ctx) {
  ProblemData& data = ctx.Data;
  WriteStiffnessLoadHeading(ctx.Report, data.Run.Labels);
  std::vector<StiffnessLoadEntry> entries;
  entries.reserve(data.StiffnessLoadRows.size());
  data.AppliedTorques.clear();
  const double h = data.C2.IncrementLength;
  for (const StiffnessLoadRow& row : data.StiffnessLoadRows) {
    StiffnessLoadEntry entry;
    entry.From = row.From;
    entry.To = row.To;
    entry.Contd = row.Contd;
    entry.Q = row.Q;
    entry.T = row.T;
    entry.P = row.P;
    entries.push_back(entry);
    // The results correct shear and net force for couples applied at a station.
    if (row.T != 0) data.AppliedTorques.push_back({row.From, row.T / (2.0 * h)});
  }
  detail::AddEntryTable(ctx, entries, "stiffness and load data");
}

void CheckBeyondEnd(RunContext& ctx) {
  const StationTables& st = ctx.Data.Stations;
  const int n = ctx.Data.C2.NumIncrements;
  bool beyond = st.DataBeyondTables;
  // Every value is tested on its own, so that values of opposite sign cannot
  // hide each other.
  for (int j = n + 1; j <= n + 3; ++j) {
    beyond = beyond || st.EI[j] != 0 || st.BaseQ[j] != 0 || st.BaseS[j] != 0 || st.T[j] != 0 ||
             st.R[j] != 0 || st.P[j] != 0;
  }
  if (beyond) throw DataError(DataError::Kind::DataBeyondEnd);
}

}  // namespace darnek::solver
