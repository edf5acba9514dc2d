// Linearisation of the soil curves (the "Q - W" curves of the beam-column
// method) at the current deflections.
#include <algorithm>
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
  double stiffness = 0;
  double load = 0;
  double resistance = 0;
};

CurveLine LineAt(const PyCurve& curve, double w) {
  const auto& y = curve.Y;
  const auto& p = curve.P;
  const int n = curve.NumPoints();
  // Segment k runs from point k-1 to point k; a deflection on a point belongs
  // to the segment below it, and the end segments extend past the points.
  int k = 1;
  while (k < n - 1 && w > y[k]) ++k;
  if (y[k] == y[k - 1]) return {};
  const double s = (p[k] - p[k - 1]) / (y[k] - y[k - 1]);
  return {-s, p[k - 1] - s * y[k - 1], p[k - 1] + s * (w - y[k - 1])};
}

// The line through the curve at w with the larger of the tangent and the
// secant from zero deflection as its stiffness (never below zero): on a flat
// branch the secant still resists, and the load carries the difference.
CurveLine BoundedLineAt(const PyCurve& curve, double w) {
  const CurveLine tangent = LineAt(curve, w);
  double k = std::max(tangent.stiffness, 0.0);
  if (w != 0.0) k = std::max(k, -(tangent.resistance - LineAt(curve, 0.0).resistance) / w);
  return {k, tangent.resistance + k * w, tangent.resistance};
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
void Walk(RunContext& ctx, Visit visit) {
  const auto& curves = ctx.data.PyCurves;
  const int n = ctx.data.C2.NumIncrements;

  auto walk = MakeChainWalk(
      static_cast<int>(curves.size()), [&](int i) { return curves[i].Contd == 1; },
      [&](int i) { return curves[i].From; }, [&](int i) { return curves[i].To; });
  ChainRange range;
  while (walk.Next(range)) {
    const PyCurve& first = curves[range.first];
    const PyCurve& second = curves[range.second];
    CheckCurve(first, range.first);
    CheckCurve(second, range.second);
    const long long span = static_cast<long long>(range.to) - range.from;
    if (span < 0) throw DataError(DataError::Kind::StationsNotInOrder);
    if (range.from < -1) {
      throw InputError("soil curve " + std::to_string(range.first + 1) + " reaches station " +
                       std::to_string(range.from) +
                       ", above station -1, the imaginary station above the top");
    }
    // Soil below the tip does not act on the wall: a range is cut at the tip,
    // and one that starts there (or lower) has nothing left but the tip
    // station's half, which the range above it already gives.
    if (span > 0 && range.from >= n) continue;
    const int to = range.to < n ? range.to : n;
    if (range.from > to) continue;

    auto add = [&](int station, double g) {
      const double t = span == 0 ? 0.0 : static_cast<double>(station - range.from) / span;
      visit(station, t, g, range, span);
    };
    for (int j = range.from; j <= to; ++j) add(j, 1.0);
    if (span > 0) {
      add(range.from, -0.5);
      add(to, -0.5);
    }
  }
}

template <class Line>
void Apply(RunContext& ctx, Line line_at) {
  const auto& curves = ctx.data.PyCurves;
  StationTables& st = ctx.data.Stations;
  const double h = ctx.data.C2.IncrementLength;
  Walk(ctx, [&](int station, double t, double g, const ChainRange& range, long long) {
    const double w = st.W[station];
    const CurveLine a = line_at(curves[range.first], w);
    const CurveLine b = line_at(curves[range.second], w);
    st.S[station] += (a.stiffness + (b.stiffness - a.stiffness) * t) * g;
    st.Q[station] += (a.load + (b.load - a.load) * t) * g;
    st.SoilReaction[station] += (a.resistance + (b.resistance - a.resistance) * t) * g / h;
  });
}

}  // namespace

void ApplySoilCurves(RunContext& ctx) { Apply(ctx, LineAt); }

void ApplySoilCurvesBoundedTangent(RunContext& ctx) { Apply(ctx, BoundedLineAt); }

void ForEachCurveShare(RunContext& ctx, const CurveShareVisit& visit) {
  Walk(ctx, [&](int station, double t, double g, const ChainRange& range, long long span) {
    visit(station, t, g, range.first, range.second, span == 0);
  });
}

}  // namespace darnek::solver
