// Stage memory: springs that remember where they turned, tie-backs that lock
// off, and stages that start where the last one ended.
#include "solver/stage_memory.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "core/errors.h"
#include "core/report_helpers.h"
#include "solver/iteration.h"

namespace darnek::solver {

namespace {

// A curve table read as the linearisation reads it: linear between points,
// the end segments extended.
double TableAt(const std::vector<double>& y, const std::vector<double>& v, double at) {
  const int n = static_cast<int>(y.size());
  if (n == 1) return v[0];
  int k = 1;
  while (k < n - 1 && at > y[k]) ++k;
  if (y[k] == y[k - 1]) return v[k - 1];
  return v[k - 1] + (v[k] - v[k - 1]) * (at - y[k - 1]) / (y[k] - y[k - 1]);
}

// The slope of the curve's first segment on `side` of zero deflection.
double FirstSlope(const Backbone& b, int side) {
  const int n = static_cast<int>(b.Y.size());
  if (n < 2) return 0.0;
  int k = 1;
  if (side > 0) {
    while (k < n - 1 && b.Y[k] <= 0.0) ++k;
  } else {
    while (k < n - 1 && b.Y[k] < 0.0) ++k;
  }
  if (b.Y[k] == b.Y[k - 1]) return 0.0;
  return (b.R[k] - b.R[k - 1]) / (b.Y[k] - b.Y[k - 1]);
}

double UnloadStiffness(const Backbone& b, int side, double factor) {
  return std::max(0.0, factor * FirstSlope(b, side));
}

// Where the unload/reload line from the turning point meets the neutral
// resistance B(0); the turning point itself when the line has no length.
double NeutralPoint(const Backbone& b, const SpringState& s, double factor) {
  if (s.Side == 0) return s.Turn;
  const double rn = BackboneAt(b, 0.0);
  const double rt = BackboneAt(b, s.Turn - s.Origin);
  const double k = UnloadStiffness(b, s.Side, factor);
  if (s.Side > 0) return k > 0 && rt > rn ? s.Turn - (rt - rn) / k : s.Turn;
  return k > 0 && rt < rn ? s.Turn + (rn - rt) / k : s.Turn;
}

}  // namespace

double BackboneAt(const Backbone& b, double y) { return TableAt(b.Y, b.R, y); }

double SpringResistance(const Backbone& b, const SpringState& s, double factor, double y) {
  if (s.Side == 0 || s.Side * (y - s.Turn) >= 0) return BackboneAt(b, y - s.Origin);
  const double yn = NeutralPoint(b, s, factor);
  if (s.Side * (y - yn) >= 0) {
    const double rt = BackboneAt(b, s.Turn - s.Origin);
    return rt - UnloadStiffness(b, s.Side, factor) * (s.Turn - y);
  }
  return BackboneAt(b, y - yn);
}

Backbone ComposeSpring(const Backbone& b, const SpringState& s, double factor) {
  const double yn = NeutralPoint(b, s, factor);
  // Every corner of the rule: the curve's points from either origin, the
  // neutral and turning points; and two points past both ends, where the
  // rule is the curve's end segment, so the table's extension is the rule's.
  std::vector<double> at;
  at.reserve(2 * b.Y.size() + 6);
  for (double y : b.Y) {
    at.push_back(s.Origin + y);
    at.push_back(yn + y);
  }
  at.push_back(yn);
  at.push_back(s.Turn);
  const auto [lo, hi] = std::minmax_element(at.begin(), at.end());
  const double low = *lo;
  const double high = *hi;
  const double d = (high - low) + 1.0;
  for (double y : {low - 2 * d, low - d, high + d, high + 2 * d}) at.push_back(y);
  std::sort(at.begin(), at.end());
  Backbone out;
  for (double y : at) {
    // Points closer than rounding would make a segment of no length.
    if (!out.Y.empty() && y - out.Y.back() <= 1e-12 * std::max(1.0, std::fabs(y))) continue;
    out.Y.push_back(y);
    out.R.push_back(SpringResistance(b, s, factor, y));
  }
  return out;
}

SpringState UpdateSpring(const Backbone& b, const SpringState& s, double factor, double y) {
  SpringState next = s;
  if (s.Side == 0) {
    if (y != s.Origin) {
      next.Side = y > s.Origin ? 1 : -1;
      next.Turn = y;
    }
    return next;
  }
  if (s.Side * (y - s.Turn) >= 0) {
    next.Turn = y;
    return next;
  }
  const double yn = NeutralPoint(b, s, factor);
  if (s.Side * (y - yn) >= 0) return next;
  // Past neutral: the other branch of the curve, from the neutral point.
  next.Origin = yn;
  next.Turn = y;
  next.Side = -s.Side;
  return next;
}

double StageMemory::PreviousW(int station) const {
  const long long index = static_cast<long long>(station) + 3;
  if (!HasState || index < 0 || index >= static_cast<long long>(W.size())) return 0.0;
  return W[static_cast<size_t>(index)];
}

void CheckMemoryStations(RunContext& ctx) {
  StageMemory& m = *ctx.Memory;
  const ProblemData& d = ctx.Data;
  m.ActiveTieBacks.clear();
  m.Active.clear();
  if (m.NumIncrements < 0) {
    m.NumIncrements = d.C2.NumIncrements;
    m.IncrementLength = d.C2.IncrementLength;
    return;
  }
  if (d.C2.NumIncrements != m.NumIncrements || d.C2.IncrementLength != m.IncrementLength) {
    throw InputError("stage " + std::to_string(d.Run.StageCounter) + ": NumIncrements " +
                     std::to_string(d.C2.NumIncrements) + " and IncrementLength " +
                     NumberText(d.C2.IncrementLength) + " differ from stage 1's " +
                     std::to_string(m.NumIncrements) + " and " + NumberText(m.IncrementLength) +
                     "; with stage memory every stage must have the same stations");
  }
}

std::vector<PyCurve> PrepareMemoryStage(RunContext& ctx) {
  StageMemory& m = *ctx.Memory;
  ProblemData& d = ctx.Data;
  StationTables& st = d.Stations;
  const int n = d.C2.NumIncrements;
  m.StartW = m.HasState ? m.W : std::vector<double>(static_cast<size_t>(n) + 7, 0.0);
  if (m.HasState) {
    for (int j = -3; j <= n + 3; ++j) st.W[j] = m.PreviousW(j);
  }
  if (d.PyCurves.empty()) return {};

  // Each station's chained and generated curves make one spring; each curve
  // of a single station stands alone, keyed by its order at the station.
  struct Share {
    double T;
    double G;
    int First;
    int Second;
  };
  std::map<std::pair<int, int>, std::vector<Share>> springs;
  std::map<int, int> standalone_count;
  ForEachCurveShare(ctx, d.PyCurves,
                    [&](int station, double t, double g, int first, int second, bool standalone) {
                      const int slot = standalone ? standalone_count[station]++ : -1;
                      springs[{station, slot}].push_back({t, g, first, second});
                    });

  const auto& curves = d.PyCurves;
  for (const auto& [key, shares] : springs) {
    Backbone b;
    for (const Share& s : shares) {
      for (int c : {s.First, s.Second}) b.Y.insert(b.Y.end(), curves[c].Y.begin(), curves[c].Y.end());
    }
    std::sort(b.Y.begin(), b.Y.end());
    b.Y.erase(std::unique(b.Y.begin(), b.Y.end()), b.Y.end());
    for (double y : b.Y) {
      double p = 0;
      for (const Share& s : shares) {
        const double a = TableAt(curves[s.First].Y, curves[s.First].P, y);
        const double c = TableAt(curves[s.Second].Y, curves[s.Second].P, y);
        p += (a + (c - a) * s.T) * s.G;
      }
      b.R.push_back(-p);
    }
    StageMemory::Spring spring;
    spring.Station = key.first;
    spring.Slot = key.second;
    spring.Curve = std::move(b);
    const auto kept =
        std::find_if(m.Springs.begin(), m.Springs.end(), [&spring](const StageMemory::Spring& s) {
          return s.Station == spring.Station && s.Slot == spring.Slot;
        });
    if (kept != m.Springs.end()) {
      spring.State = kept->State;
    } else {
      // A new spring is at rest where the wall stands now.
      const double w = m.PreviousW(key.first);
      spring.State = {w, w, 0};
    }
    m.Active.push_back(std::move(spring));
  }

  std::vector<PyCurve> composed;
  composed.reserve(m.Active.size());
  for (const StageMemory::Spring& s : m.Active) {
    const Backbone table = ComposeSpring(s.Curve, s.State, m.UnloadFactor);
    PyCurve c;
    c.From = c.To = s.Station;
    c.Contd = 0;
    c.Y = table.Y;
    for (double r : table.R) c.P.push_back(-r);
    composed.push_back(std::move(c));
  }
  return composed;
}

void ApplyTieBackMemory(RunContext& ctx, size_t index, TieBack& tb) {
  StageMemory& m = *ctx.Memory;
  const int stage = ctx.Data.Run.StageCounter;
  const TieBackMemory* before =
      index < m.TieBacks.size() && m.TieBacks[index].Station == tb.Station ? &m.TieBacks[index] : nullptr;
  TieBackMemory t;
  t.Station = tb.Station;
  if (tb.Prestress != 0) {
    // The jack holds the force: no spring while it is held.
    t.Held = true;
    t.LockStage = stage;
    tb.Stiffness = 0.0;
  } else if (before) {
    t = *before;
    t.Held = false;
    tb.PrestressLoad = t.HLock + tb.Stiffness * t.WLock;
  } else {
    // Installed without prestress: locked at the wall's present deflection.
    t.LockStage = stage;
    t.WLock = m.PreviousW(tb.Station);
    t.HLock = 0.0;
    tb.PrestressLoad = tb.Stiffness * t.WLock;
  }
  if (m.ActiveTieBacks.size() <= index) m.ActiveTieBacks.resize(index + 1);
  m.ActiveTieBacks[index] = t;
}

void CloseMemoryStage(RunContext& ctx, bool solved) {
  StageMemory& m = *ctx.Memory;
  const ProblemData& d = ctx.Data;
  if (!solved) {
    if (m.FailedStage == 0) m.FailedStage = d.Run.StageCounter;
    return;
  }
  const StationTables& st = d.Stations;
  const int n = d.C2.NumIncrements;
  m.W.assign(static_cast<size_t>(n) + 7, 0.0);
  for (int j = -3; j <= n + 3; ++j) m.W[static_cast<size_t>(j + 3)] = st.W[j];
  m.HasState = true;
  for (StageMemory::Spring& s : m.Active)
    s.State = UpdateSpring(s.Curve, s.State, m.UnloadFactor, st.W[s.Station]);
  m.Springs = std::move(m.Active);
  m.Active.clear();
  for (size_t i = 0; i < m.ActiveTieBacks.size() && i < d.TieBacks.size(); ++i) {
    TieBackMemory& t = m.ActiveTieBacks[i];
    if (!t.Held) continue;
    t.WLock = m.PreviousW(t.Station);
    t.HLock = d.TieBacks[i].PrestressLoad;
  }
  m.TieBacks = m.ActiveTieBacks;
}

void AddMemoryResults(const StageMemory& memory, StageResults& results) {
  const StationTable& st = results.Stations;
  results.DeflectionSincePrevious.resize(st.size());
  for (size_t i = 0; i < st.size(); ++i) {
    const size_t index = static_cast<size_t>(st.Station[i] + 3);
    const double start = index < memory.StartW.size() ? memory.StartW[index] : 0.0;
    results.DeflectionSincePrevious[i] = st.Deflection[i] - start;
  }
  for (size_t i = 0; i < results.TieBacks.size() && i < memory.ActiveTieBacks.size(); ++i) {
    const TieBackMemory& t = memory.ActiveTieBacks[i];
    results.TieBacks[i].MemoryState = t.Held ? TieBackMemoryState::Held : TieBackMemoryState::Locked;
    results.TieBacks[i].LockStage = t.Held ? 0 : t.LockStage;
  }
}

}  // namespace darnek::solver
