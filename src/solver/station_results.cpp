// Station results and tie-back forces from the last solution of a stage.
#include "solver/station_results.h"

#include <algorithm>

namespace darnek::solver {

bool HasStationResults(const ProblemData& d) {
  const StageOutcome outcome = d.Results.Outcome;
  if (outcome == StageOutcome::BrokeDown) return false;
  // A single solution (no iterations asked for) has results whatever its
  // deflections.
  const bool iterated = d.C2.MaxIterations != 0;
  return !(iterated &&
           (outcome == StageOutcome::DeflectionExceeded || outcome == StageOutcome::IterationLimit));
}

void DeriveStationResults(ProblemData& d) {
  const int n = d.C2.NumIncrements;
  const double h = d.C2.IncrementLength;
  const StationTables& st = d.Stations;
  const bool english = d.C1.UnitSystemCode == UnitSystem::English;

  // Deflections one station beyond the imaginary stations, extrapolated
  // linearly, so that the end moments use the imaginary stations' own slope.
  auto w = [&](int k) {
    if (k == -2) return 2 * st.W[-1] - st.W[0];
    if (k == n + 2) return 2 * st.W[n + 1] - st.W[n];
    return st.W[k];
  };
  auto moment = [&](int k) { return st.EI[k] * (w(k - 1) - 2 * w(k) + w(k + 1)) / (h * h); };

  std::vector<StationResult>& rows = d.Results.Stations;
  rows.assign(static_cast<size_t>(n) + 1, StationResult{});
  // A moving window of three moments walks the stations -1 .. N+1.
  double m_previous = moment(-1);
  double m_current = moment(0);
  for (int k = 0; k <= n; ++k) {
    const double m_next = moment(k + 1);
    StationResult& r = rows[static_cast<size_t>(k)];
    r.Station = k;
    r.X = k * h;
    r.Deflection = st.W[k];
    r.Slope = (st.W[k + 1] - st.W[k - 1]) / (2 * h);
    r.Moment = m_current;
    r.Shear = (m_next - m_previous) / (2 * h);
    r.NetForce = (m_previous - 2 * m_current + m_next) / h;
    r.SoilReaction = st.SoilReaction[k];
    r.EI = st.EI[k];
    // The tie-backs' preloads are in BaseQ and their springs in BaseS; they
    // move to the supports below.
    r.AppliedLoad = st.BaseQ[k];
    r.SupportForce = -st.BaseS[k] * st.W[k];
    m_previous = m_current;
    m_current = m_next;
  }
  // An applied couple acts at one station; without this correction the
  // differenced moments would show it as a spurious pair of lateral loads.
  for (const AppliedTorque& t : d.AppliedTorques) {
    for (int k = std::max(0, t.Station - 1); k <= std::min(n, t.Station + 1); ++k) {
      StationResult& r = rows[static_cast<size_t>(k)];
      if (t.Station == k) {
        r.Shear -= t.F;
      } else if (t.Station == k - 1) {
        r.NetForce += t.F;
        r.Shear -= 0.5 * t.F;
      } else {
        r.NetForce -= t.F;
        r.Shear -= 0.5 * t.F;
      }
    }
  }
  for (TieBack& t : d.TieBacks) {
    const double w_station = (t.Station >= -3 && t.Station <= n + 3) ? st.W[t.Station] : 0.0;
    t.HorizontalForcePerStation = t.PrestressLoad - t.Stiffness * w_station;
    t.ForcePerStation = t.HorizontalForcePerStation / t.CosAngle;
    t.ForcePerTieBack = english ? t.ForcePerStation * 12 * t.Spacing / d.C2.ResultWidth
                                : t.ForcePerStation * t.Spacing / d.C2.ResultWidth;
    if (t.Station >= 0 && t.Station <= n) {
      StationResult& r = rows[static_cast<size_t>(t.Station)];
      r.AppliedLoad -= t.PrestressLoad;
      r.SupportForce += t.PrestressLoad;
    }
  }
  d.Results.LastResultRows = n + 1;
}

}  // namespace darnek::solver
