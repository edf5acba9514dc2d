// An independent solver for the tests: the same difference equations as a
// dense matrix, solved by Gaussian elimination.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/problem_data.h"

namespace darnek::solver::testing {

// An independent solution of the same difference equations: the rows of
// stations -1 .. N+1 as a dense matrix, a specified deflection replacing the
// row of its station, a specified slope adding an unknown couple at its station
// (entering the rows above and below through the torque difference) and the
// central-difference slope equation. Gaussian elimination with partial
// pivoting. Returns W(-1) .. W(N+1).
inline std::vector<double> DenseSolve(const StationTables& st,
                                      const std::vector<SpecifiedCondition>& conditions, int n, double h) {
  int slopes = 0;
  for (const SpecifiedCondition& c : conditions) slopes += c.Case != ConditionCase::Deflection ? 1 : 0;
  const int rows = n + 3;
  const int size = rows + slopes;
  std::vector<std::vector<double>> m(size, std::vector<double>(size + 1, 0.0));
  auto col = [](int station) { return station + 1; };
  for (int i = -1; i <= n + 1; ++i) {
    auto& row = m[col(i)];
    const auto& EI = st.EI;
    const auto& P = st.P;
    const auto& R = st.R;
    const double coef[5] = {
        EI[i - 1] - 0.25 * h * (h * P[i - 1] + R[i - 1]),
        -2.0 * (EI[i - 1] + EI[i]),
        EI[i - 1] + 4.0 * EI[i] + EI[i + 1] + h * h * h * st.S[i] +
            0.25 * h * (h * (P[i - 1] + P[i + 1]) + R[i - 1] + R[i + 1]),
        -2.0 * (EI[i] + EI[i + 1]),
        EI[i + 1] - 0.25 * h * (h * P[i + 1] + R[i + 1]),
    };
    for (int k = -2; k <= 2; ++k) {
      const int s = i + k;
      if (s >= -1 && s <= n + 1) row[col(s)] += coef[k + 2];
    }
    row[size] = h * h * h * st.Q[i] - 0.5 * h * h * (st.T[i - 1] - st.T[i + 1]);
  }
  int extra = rows;
  for (const SpecifiedCondition& c : conditions) {
    const int s = c.Sta;
    if (c.Case != ConditionCase::Slope) {
      auto& row = m[col(s)];
      std::fill(row.begin(), row.end(), 0.0);
      row[col(s)] = 1.0;
      row[size] = c.SpecDeflection;
    }
    if (c.Case != ConditionCase::Deflection) {
      m[col(s - 1)][extra] = -0.5 * h * h;
      m[col(s + 1)][extra] = 0.5 * h * h;
      auto& row = m[extra];
      row[col(s + 1)] = 1.0;
      row[col(s - 1)] = -1.0;
      row[size] = 2.0 * h * c.SpecSlope;
      ++extra;
    }
  }
  for (int k = 0; k < size; ++k) {
    int pivot = k;
    for (int r = k + 1; r < size; ++r) {
      if (std::fabs(m[r][k]) > std::fabs(m[pivot][k])) pivot = r;
    }
    std::swap(m[k], m[pivot]);
    for (int r = k + 1; r < size; ++r) {
      const double factor = m[r][k] / m[k][k];
      for (int c = k; c <= size; ++c) m[r][c] -= factor * m[k][c];
    }
  }
  std::vector<double> x(size);
  for (int k = size - 1; k >= 0; --k) {
    double sum = m[k][size];
    for (int c = k + 1; c < size; ++c) sum -= m[k][c] * x[c];
    x[k] = sum / m[k][k];
  }
  x.resize(rows);
  return x;
}

}  // namespace darnek::solver::testing
