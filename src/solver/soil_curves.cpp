// Linearisation of the soil curves (the "Q - W" curves of the beam-column
// method) at the current deflections.
#include <algorithm>
#include <bitset>
#include <string>

#include "core/errors.h"
#include "core/report_helpers.h"
#include "solver/chain_walk.h"
#include "solver/iteration.h"

namespace darnek::solver {

namespace {

// The straight line through the curve segment that holds deflection w: spring
// stiffness (minus the slope), load at zero deflection, and the soil load at w.
struct CurveLine {
  double Stiffness = 0;
  double Load = 0;
  double Resistance = 0;
};

// `hint` is the segment the last lookup on this curve found: neighbouring
// stations deflect alike, so it nearly always holds again and the search is
// skipped. It is taken only when it is the segment the search would find.
CurveLine LineAt(const PyCurve& curve, double w, bool ascending, int& hint) {
  const auto& y = curve.Y;
  const auto& p = curve.P;
  const int n = curve.NumPoints();
  // Segment k runs from point k-1 to point k; a deflection on a point belongs
  // to the segment below it, and the end segments extend past the points:
  // k is the first point from the second on that w does not pass, the last
  // when w passes them all. On points that never go down that point is where
  // a binary search lands (a deflection that is not a number passes none);
  // otherwise the points are walked up one by one.
  int k = 1;
  if (ascending) {
    // On points that never go down, k is the search's landing place exactly
    // when w passes the point before it and not point k itself (or k is an
    // end); a deflection that is not a number passes no point, so only k = 1
    // holds for it, as the search finds.
    k = hint;
    if (k < 1 || k > n - 1 || (k > 1 && !(y[k - 1] < w)) || (k < n - 1 && y[k] < w))
      k = static_cast<int>(std::lower_bound(y.begin() + 1, y.begin() + (n - 1), w) - y.begin());
    hint = k;
  } else {
    while (k < n - 1 && w > y[k]) ++k;
  }
  if (y[k] == y[k - 1]) return {};
  const double s = (p[k] - p[k - 1]) / (y[k] - y[k - 1]);
  return {-s, p[k - 1] - s * y[k - 1], p[k - 1] + s * (w - y[k - 1])};
}

// The line through the curve at w with the larger of the tangent and the
// secant from zero deflection as its stiffness (never below zero): on a flat
// branch the secant still resists, and the load carries the difference.
CurveLine BoundedLineAt(const PyCurve& curve, double w, bool ascending, int& hint) {
  const CurveLine tangent = LineAt(curve, w, ascending, hint);
  double k = std::max(tangent.Stiffness, 0.0);
  int at_zero = 1;
  if (w != 0.0)
    k = std::max(k, -(tangent.Resistance - LineAt(curve, 0.0, ascending, at_zero).Resistance) / w);
  return {k, tangent.Resistance + k * w, tangent.Resistance};
}

void CheckCurve(const PyCurve& curve, int index) {
  if (curve.NumPoints() < 2 || curve.P.size() != curve.Y.size()) {
    throw InputError("soil curve " + std::to_string(index + 1) + " (stations " + std::to_string(curve.From) +
                     " to " + std::to_string(curve.To) + ") has " + std::to_string(curve.NumPoints()) +
                     " points; a curve needs at least two");
  }
}

// Calls visit(station, t, g, range, span) for every station share of every
// curve range: the curves at t between the range's two ends, at weight g.
template <class Visit>
void Walk(RunContext& ctx, std::span<const PyCurve> curves, Visit visit) {
  const int n = ctx.Data.C2.NumIncrements;

  auto walk = MakeChainWalk(
      static_cast<int>(curves.size()), [&](int i) { return curves[i].Contd == 1; },
      [&](int i) { return curves[i].From; }, [&](int i) { return curves[i].To; });
  ChainRange range;
  while (walk.Next(range)) {
    const PyCurve& first = curves[range.First];
    const PyCurve& second = curves[range.Second];
    CheckCurve(first, range.First);
    CheckCurve(second, range.Second);
    const long long span = static_cast<long long>(range.To) - range.From;
    if (span < 0) throw DataError(DataError::Kind::StationsNotInOrder);
    if (range.From < -1) {
      throw InputError("soil curve " + std::to_string(range.First + 1) + " reaches station " +
                       std::to_string(range.From) +
                       ", above station -1, the imaginary station above the top");
    }
    // Soil below the tip does not act on the wall: a range is cut at the tip,
    // and one that starts there (or lower) has nothing left but the tip
    // station's half, which the range above it already gives.
    if (span > 0 && range.From >= n) continue;
    const int to = range.To < n ? range.To : n;
    if (range.From > to) continue;

    auto add = [&](int station, double g) {
      const double t = span == 0 ? 0.0 : static_cast<double>(station - range.From) / span;
      visit(station, t, g, range, span);
    };
    for (int j = range.From; j <= to; ++j) add(j, 1.0);
    if (span > 0) {
      add(range.From, -0.5);
      add(to, -0.5);
    }
  }
}

template <class Line>
void Apply(RunContext& ctx, std::span<const PyCurve> curves, Line line_at) {
  StationTables& st = ctx.Data.Stations;
  const double h = ctx.Data.C2.IncrementLength;
  // Which curves have points that never go down, looked at once per pass
  // rather than once per station.
  std::bitset<kMaxPyCurves> ascending;
  for (size_t i = 0; i < curves.size() && i < ascending.size(); ++i) {
    const std::vector<double>& y = curves[i].Y;
    bool up = y.size() >= 2;
    // A point that is not a number is never in order.
    for (size_t j = 1; up && j < y.size(); ++j) up = y[j - 1] <= y[j];
    ascending[i] = up;
  }
  const auto is_ascending = [&](int i) { return static_cast<size_t>(i) < ascending.size() && ascending[i]; };
  // The segments last found on the range's two curves.
  int first_hint = 1, second_hint = 1;
  Walk(ctx, curves, [&](int station, double t, double g, const ChainRange& range, long long) {
    const double w = st.W[station];
    const CurveLine a = line_at(curves[range.First], w, is_ascending(range.First), first_hint);
    const CurveLine b = line_at(curves[range.Second], w, is_ascending(range.Second), second_hint);
    st.S[station] += (a.Stiffness + (b.Stiffness - a.Stiffness) * t) * g;
    st.Q[station] += (a.Load + (b.Load - a.Load) * t) * g;
    st.SoilReaction[station] += (a.Resistance + (b.Resistance - a.Resistance) * t) * g / h;
  });
}

}  // namespace

void ApplySoilCurves(RunContext& ctx, std::span<const PyCurve> curves) { Apply(ctx, curves, LineAt); }

void ApplySoilCurvesBoundedTangent(RunContext& ctx, std::span<const PyCurve> curves) {
  Apply(ctx, curves, BoundedLineAt);
}

void ForEachCurveShare(RunContext& ctx, std::span<const PyCurve> curves, const CurveShareVisit& visit) {
  Walk(ctx, curves, [&](int station, double t, double g, const ChainRange& range, long long span) {
    visit(station, t, g, range.First, range.Second, span == 0);
  });
}

}  // namespace darnek::solver
