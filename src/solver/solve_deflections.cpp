// Recursive solution of the beam-column difference equations (the classical
// scheme for beams on discrete supports with imaginary end stations, after
// Matlock and Haliburton's beam-column method): every row is
//   a W(i-2) + b W(i-1) + c W(i) + d W(i+1) + e W(i+2) = f,
// and elimination keeps only W(i) = A(i) + B(i) W(i+1) + C(i) W(i+2).
#include "solver/solve_deflections.h"

#include <cassert>
#include <cmath>

namespace darnek::solver {

namespace {

// Forward elimination of the rows -1 .. N+1, the right side of row i given by
// `right(i)`; with `homogeneous` the specified deflections and slopes count
// as zero. Leaves the recursion coefficients in st.RecA, RecB and RecC.
template <class RightSide>
void Eliminate(StationTables& st, const std::vector<SpecifiedCondition>& conditions, bool homogeneous, int n,
               double h, const RightSide& right) {
  auto& A = st.RecA;
  auto& B = st.RecB;
  auto& C = st.RecC;
  const double h3 = h * h * h;
  const auto deflection = [&](size_t k) { return homogeneous ? 0.0 : conditions[k].SpecDeflection; };
  const auto slope = [&](size_t k) { return homogeneous ? 0.0 : conditions[k].SpecSlope; };

  // Running index into the conditions, and the ordinary row kept at the
  // station that carries a slope condition until the closing row is formed.
  size_t k = 0;
  double As = 0, Bs = 0, Cs = 0, Es = 0;

  for (int i = -1; i <= n + 1; ++i) {
    const auto [a, b, c, d, e] = RowAt(st, h, h3, i);
    const double f = right(i);

    const double D = a * B[i - 2] + b;
    const double den = D * B[i - 1] + a * C[i - 2] + c;
    // A zero pivot is not an error of the data: the station's deflection
    // simply comes out as zero.
    const double E = den == 0.0 ? 0.0 : -1.0 / den;
    C[i] = E * e;
    B[i] = E * (D * C[i - 1] + d);
    A[i] = E * (a * A[i - 2] + D * A[i - 1] - f);

    switch (st.SolutionCode[i]) {
      case 2:
      case 4:
        assert(k < conditions.size());
        A[i] = deflection(k);
        B[i] = 0.0;
        C[i] = 0.0;
        if (st.SolutionCode[i] == 2) ++k;
        break;
      case 3:
        // The row becomes W(i) = W(i+2) - 2h slope (central difference at
        // i+1); the ordinary row is kept for the closing row two stations on,
        // which eliminates the unknown couple that holds the slope.
        assert(k < conditions.size());
        As = A[i];
        Bs = B[i];
        Cs = C[i];
        Es = E;
        C[i] = 1.0;
        B[i] = 0.0;
        A[i] = -2.0 * h * slope(k);
        break;
      case 5: {
        assert(k < conditions.size());
        const double G = 1.0 / (1.0 - E * (Cs - 1.0 + B[i - 1] * Bs) / Es);
        C[i] = G * C[i];
        B[i] = G * (B[i] + E * C[i - 1] * Bs / Es);
        A[i] = G * (A[i] + E * (2.0 * h * slope(k) + As + A[i - 1] * Bs) / Es);
        ++k;
        break;
      }
      default:
        break;
    }
  }
}

}  // namespace

SolveSummary SolveDeflections(StationTables& st, const std::vector<SpecifiedCondition>& conditions,
                              int num_increments, double h, double tolerance, double max_deflection) {
  const int n = num_increments;
  const auto& T = st.T;
  const auto& Q = st.Q;
  const auto& A = st.RecA;
  const auto& B = st.RecB;
  const auto& C = st.RecC;
  auto& W = st.W;
  const double h2 = h * h;
  const double h3 = h * h * h;
  Eliminate(st, conditions, false, n, h, [&](int i) { return h3 * Q[i] - 0.5 * h2 * (T[i - 1] - T[i + 1]); });

  SolveSummary summary;
  W[n + 1] = A[n + 1] + B[n + 1] * W[n + 2] + C[n + 1] * W[n + 3];
  for (int j = n; j >= 0; --j) {
    const double w = A[j] + B[j] * W[j + 1] + C[j] * W[j + 2];
    const double change = std::fabs(w - W[j]);
    if (change > summary.MaxChange) summary.MaxChange = change;
    if (change > tolerance) ++summary.ChangedStations;
    if (std::fabs(w) > max_deflection) ++summary.ExceedingStations;
    W[j] = w;
  }
  W[-1] = A[-1] + B[-1] * W[0] + C[-1] * W[1];
  return summary;
}

void SolveForRightSide(StationTables& st, const std::vector<SpecifiedCondition>& conditions,
                       int num_increments, double h, const StationArray<double>& right,
                       StationArray<double>& solution) {
  const int n = num_increments;
  Eliminate(st, conditions, true, n, h, [&](int i) { return right[i]; });
  const auto& A = st.RecA;
  const auto& B = st.RecB;
  const auto& C = st.RecC;
  solution.Fill(0.0);
  for (int j = n + 1; j >= -1; --j) solution[j] = A[j] + B[j] * solution[j + 1] + C[j] * solution[j + 2];
}

}  // namespace darnek::solver
