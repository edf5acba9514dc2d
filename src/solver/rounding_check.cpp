// The rounding error of a solution, measured as one step of iterative
// refinement measures it: the residual of the rows is formed without rounding
// (products split after Dekker, 1971, and summed with their errors, after
// Ogita, Rump and Oishi, 2005), and the correction it calls for is solved with
// the same recursion. A second step tells whether the first can be trusted.
// Nothing is corrected: the check only decides whether the results stand.
#include "solver/rounding_check.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "core/errors.h"
#include "core/report_helpers.h"
#include "solver/solve_deflections.h"

namespace darnek::solver {
namespace {

constexpr double kEpsilon = std::numeric_limits<double>::epsilon();
// A moment error of 1e-4 of the largest moment is a tenth of the 0.1 % within
// which a converged mesh settles; shears, one difference further from the
// deflections, keep 1e-3.
constexpr double kMomentTolerance = 1e-4;
constexpr double kShearTolerance = 1e-3;
// Rows that a stable elimination leaves with residuals of a few units of
// rounding; one that is off by more than this was not solved at all.
constexpr double kBackwardLimit = 1e-10;
// A first correction the second one does not shrink well below is no measure
// of the error.
constexpr double kContractionLimit = 0.25;
// A first correction whose errors stay below this share of what is accepted
// is far too small to matter, even were it a poor measure: no second look.
constexpr double kSecondLook = 1e-3;
// Largest moments within this many times their round-off are round-off.
constexpr double kRoundOffMoments = 16;
// A wall whose EI exceeds this many times the sum of its supports' springs
// times the cube of its length bends too little on them to change its
// results: it stands as a rigid body.
constexpr int kRigidStiffness = 100;

// a * b as an unevaluated sum hi + lo, exactly (Dekker's split into 26-bit
// halves; no fused multiply-add needed).
void TwoProduct(double a, double b, double& hi, double& lo) {
  constexpr double kSplit = 134217729.0;  // 2^27 + 1
  hi = a * b;
  const double ca = kSplit * a;
  const double a_hi = ca - (ca - a);
  const double a_lo = a - a_hi;
  const double cb = kSplit * b;
  const double b_hi = cb - (cb - b);
  const double b_lo = b - b_hi;
  lo = ((a_hi * b_hi - hi) + a_hi * b_lo + a_lo * b_hi) + a_lo * b_lo;
}

// a + b as hi + lo, exactly (Knuth).
void TwoSum(double a, double b, double& hi, double& lo) {
  hi = a + b;
  const double v = hi - a;
  lo = (a - (hi - v)) + (b - v);
}

// W(j-1) - 2 W(j) + W(j+1) as Hi + Lo, exact but for the rounding of Lo.
struct SecondDifference {
  double Hi = 0, Lo = 0;
};

SecondDifference ExactSecondDifference(const StationArray<double>& w, int j) {
  SecondDifference d;
  double s = 0, e1 = 0, e2 = 0;
  TwoSum(w[j - 1], w[j + 1], s, e1);
  TwoSum(s, -2 * w[j], d.Hi, e2);
  d.Lo = e1 + e2;
  return d;
}

// The residual of every row into `residual`, for the rows as the station
// values define them: each EI times its own second difference of W, so that
// the spring h^3 S of a row, often far smaller than the EI terms beside it,
// counts in full (the recursion's coefficient c holds it only to the rounding
// of their sum). Returns the largest residual relative to the magnitudes of
// its row's terms, over the rows that must hold as ordinary equations (a row
// replaced by a specified deflection or slope carries the reaction that holds
// it; the closing row of a slope condition is the sum of its own and the one
// two stations above).
double Residuals(const StationTables& st, const StationArray<double>& w, int n, double h,
                 StationArray<double>& residual) {
  const auto& EI = st.EI;
  const auto& P = st.P;
  const auto& R = st.R;
  const double h2 = h * h;
  const double h3 = h * h * h;
  double backward = 0;
  double previous_size[2] = {0, 0};
  // The second differences at stations i-1, i and i+1.
  SecondDifference window[3] = {ExactSecondDifference(w, -2), ExactSecondDifference(w, -1), {}};
  for (int i = -1; i <= n + 1; ++i) {
    window[2] = ExactSecondDifference(w, i + 1);
    const double f = h3 * st.Q[i] - 0.5 * h2 * (st.T[i - 1] - st.T[i + 1]);
    double sum = f;
    double errors = 0;
    double size = std::fabs(f);
    const auto subtract = [&](double factor, double value, double low) {
      double product = 0, product_error = 0, next = 0, sum_error = 0;
      TwoProduct(factor, value, product, product_error);
      TwoSum(sum, -product, next, sum_error);
      sum = next;
      errors += sum_error - product_error - factor * low;
    };
    for (int k = 0; k < 3; ++k) {
      const int j = i - 1 + k;
      if (EI[j] == 0) continue;
      const double factor = k == 1 ? -2 * EI[j] : EI[j];
      subtract(factor, window[k].Hi, window[k].Lo);
      size += std::fabs(factor) * (std::fabs(w[j - 1]) + 2 * std::fabs(w[j]) + std::fabs(w[j + 1]));
    }
    const double terms[][2] = {{h3 * st.S[i], w[i]},
                               {-0.25 * h * (h * P[i - 1] + R[i - 1]), w[i - 2]},
                               {0.25 * h * (h * (P[i - 1] + P[i + 1]) + R[i - 1] + R[i + 1]), w[i]},
                               {-0.25 * h * (h * P[i + 1] + R[i + 1]), w[i + 2]}};
    for (const auto& t : terms) {
      if (t[0] == 0) continue;
      subtract(t[0], t[1], 0);
      size += std::fabs(t[0] * t[1]);
    }
    residual[i] = sum + errors;
    window[0] = window[1];
    window[1] = window[2];

    double value = residual[i], combined = size;
    const int code = st.SolutionCode[i];
    if (code == 5) {
      value += residual[i - 2];
      combined += previous_size[(i + 1) % 2];
    }
    if ((code == 1 || code == 5) && combined > 0) backward = std::max(backward, std::fabs(value) / combined);
    previous_size[(i + 1) % 2] = size;
  }
  return backward;
}

double LargestAbs(const StationArray<double>& v, int from, int to) {
  double m = 0;
  for (int j = from; j <= to; ++j) m = std::max(m, std::fabs(v[j]));
  return m;
}

}  // namespace

RoundingEstimate EstimateRoundingError(StationTables& st, const std::vector<SpecifiedCondition>& conditions,
                                       int num_increments, double h) {
  const int n = num_increments;
  RoundingEstimate e;
  StationArray<double> residual, correction;
  residual.Resize(n);
  correction.Resize(n);

  e.BackwardError = Residuals(st, st.W, n, h, residual);
  SolveForRightSide(st, conditions, n, h, residual, correction);
  const double h2 = h * h;
  const auto moment = [&](const StationArray<double>& v, int k) {
    if (k < 0 || k > n) return 0.0;
    const auto at = [&](int j) {
      if (j == -2) return 2 * v[-1] - v[0];
      if (j == n + 2) return 2 * v[n + 1] - v[n];
      return v[j];
    };
    return st.EI[k] * (at(k - 1) - 2 * at(k) + at(k + 1)) / h2;
  };
  // Each deflection is only known to half a unit in its last place.
  const auto floor = [&](int k) {
    if (k < 0 || k > n) return 0.0;
    const double w = std::max({std::fabs(st.W[k - 1]), std::fabs(st.W[k]), std::fabs(st.W[k + 1])});
    return 2 * kEpsilon * w * st.EI[k] / h2;
  };
  for (int k = 0; k <= n; ++k) {
    e.LargestMoment = std::max(e.LargestMoment, std::fabs(moment(st.W, k)));
    e.LargestShear =
        std::max(e.LargestShear, std::fabs((moment(st.W, k + 1) - moment(st.W, k - 1)) / (2 * h)));
    e.MomentError = std::max(e.MomentError, std::fabs(moment(correction, k)));
    e.ShearError =
        std::max(e.ShearError, std::fabs(moment(correction, k + 1) - moment(correction, k - 1)) / (2 * h));
    e.MomentRoundOff = std::max(e.MomentRoundOff, floor(k));
    e.ShearRoundOff = std::max(e.ShearRoundOff, (floor(k + 1) + floor(k - 1)) / (2 * h));
  }

  // A correction far below what is accepted needs no second look, however
  // roughly it measures the error; one that may matter is checked by a second
  // step of the refinement, and enlarged by what later steps would still add.
  const bool small = e.MomentError <= kSecondLook * kMomentTolerance * e.LargestMoment &&
                     e.ShearError <= kSecondLook * kShearTolerance * e.LargestShear;
  const double first = LargestAbs(correction, -1, n + 1);
  // A correction below the spacing of the doubles around W cannot be applied.
  if (!small && first > 4 * kEpsilon * LargestAbs(st.W, -1, n + 1)) {
    StationArray<double> refined = st.W;
    for (int j = -3; j <= n + 3; ++j) refined[j] += correction[j];
    Residuals(st, refined, n, h, residual);
    StationArray<double> second;
    second.Resize(n);
    SolveForRightSide(st, conditions, n, h, residual, second);
    e.Contraction = LargestAbs(second, -1, n + 1) / first;
    if (e.Contraction < 1) {
      e.MomentError /= 1 - e.Contraction;
      e.ShearError /= 1 - e.Contraction;
    }
  }
  return e;
}

bool RoundingAcceptable(const RoundingEstimate& e) {
  // Comparisons with a NaN fail: an estimate that is not a number refuses.
  if (!(e.BackwardError <= kBackwardLimit && e.Contraction <= kContractionLimit)) return false;
  const auto stands = [](double error, double round_off, double largest, double tolerance) {
    // Moments that are round-off through and through (a wall that only
    // translates) are zero to round-off, and right.
    if (largest <= kRoundOffMoments * round_off) return error <= round_off;
    return error + round_off <= tolerance * largest;
  };
  return stands(e.MomentError, e.MomentRoundOff, e.LargestMoment, kMomentTolerance) &&
         stands(e.ShearError, e.ShearRoundOff, e.LargestShear, kShearTolerance);
}

void CheckRoundingError(const ProblemData& data, StationTables& st) {
  const int n = data.C2.NumIncrements;
  const double h = data.C2.IncrementLength;
  const RoundingEstimate e = EstimateRoundingError(st, data.SpecifiedConditions, n, h);
  if (RoundingAcceptable(e)) return;

  // What the rounding swamps: the supports, when the wall is so stiff that it
  // would hardly bend on them over its length (EI / (sum of S) L^3 above 1);
  // otherwise the fineness of the division.
  double supports = 0;
  for (int j = -1; j <= n + 1; ++j) supports += std::fabs(st.S[j]);
  const double length = n * h;
  const CrossSection* stiffest = nullptr;
  double stiffest_ei = 0;
  for (const WallSection& w : data.WallSections) {
    if (w.SectionNumber < 1 || w.SectionNumber > static_cast<int>(data.CrossSections.size())) continue;
    const CrossSection& c = data.CrossSections[static_cast<size_t>(w.SectionNumber - 1)];
    for (int end = 0; end < 2; ++end) {
      if (c.I[end] * c.E[end] > stiffest_ei) {
        stiffest_ei = c.I[end] * c.E[end];
        stiffest = &c;
      }
    }
  }
  const double largest_ei = LargestAbs(st.EI, 0, n);
  const bool too_stiff = stiffest != nullptr && stiffest->InertiaPlace.Line > 0 && supports > 0 &&
                         largest_ei > supports * length * length * length;

  const bool measured = e.BackwardError <= kBackwardLimit && e.Contraction <= kContractionLimit;
  const auto share = [](double error, double round_off, double largest) {
    return largest > 0 ? (error + round_off) / largest : 1.0;
  };
  const double ratio = share(e.MomentError, e.MomentRoundOff, e.LargestMoment);
  const double shear_ratio = share(e.ShearError, e.ShearRoundOff, e.LargestShear);
  // The moments, unless they stand and only the shears do not.
  const bool moments = ratio > kMomentTolerance || shear_ratio <= kShearTolerance;
  const std::string how =
      !measured
          ? "rounding in the difference equations swamps the solution (its rows are not satisfied)"
          : "rounding in the difference equations would leave the " +
                std::string(moments ? "moments" : "shears") + " uncertain by " +
                GeneralText(100 * (moments ? ratio : shear_ratio), 2) + " % of the largest (at most " +
                GeneralText(100 * (moments ? kMomentTolerance : kShearTolerance), 2) + " % is accepted)";
  // An input error names the item when the stage's input said where it stood.
  const auto refuse = [](const ItemPlace& p, const std::string& detail) {
    if (p.Line > 0) throw InputError(p.Line, p.Record, p.Item, p.Name, detail);
    throw InputError(detail);
  };
  if (too_stiff) {
    const ItemPlace& p = stiffest->InertiaPlace;
    const double rigid = kRigidStiffness * supports * length * length * length;
    refuse(p, "the wall's flexural rigidity EI, up to " + NumberText(largest_ei) +
                  ", is so large against its supports (their springs sum to " + NumberText(supports) +
                  " over a length of " + NumberText(length) +
                  ") that the wall moves on them as a rigid body, and " + how + "; an I about " +
                  GeneralText(largest_ei / rigid, 2) + " times smaller still keeps it rigid (EI " +
                  std::to_string(kRigidStiffness) +
                  " times the springs' sum times the cube of the length) and gives its results without "
                  "the rounding");
  }
  const ItemPlace& p = data.C2.IncrementsPlace;
  std::string advice = "divide the wall into fewer, longer increments";
  const double excess = moments ? ratio / kMomentTolerance : shear_ratio / kShearTolerance;
  if (measured && excess > 1) {
    // The error grows at least as the square of the number of increments.
    const int fewer = static_cast<int>(n / std::sqrt(excess));
    if (fewer >= 1 && fewer < n) advice += " (about " + std::to_string(fewer) + ")";
  }
  refuse(p, std::to_string(n) + " increments of " + NumberText(h) + ": " + how + "; " + advice);
}

}  // namespace darnek::solver
