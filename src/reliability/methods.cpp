#include "reliability/methods.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "reliability/distributions.h"

namespace darnek::reliability {

bool MethodByName(const std::string& name, Method& method) {
  for (Method m : {Method::MonteCarlo, Method::LatinHypercube, Method::Form})
    if (name == MethodName(m)) {
      method = m;
      return true;
    }
  return false;
}

const char* MethodName(Method method) {
  switch (method) {
    case Method::MonteCarlo:
      return "mc";
    case Method::LatinHypercube:
      return "lhs";
    case Method::Form:
      return "form";
  }
  return "";
}

namespace {

uint64_t Mix(uint64_t z) {  // splitmix64's finaliser
  z += 0x9E3779B97F4A7C15ULL;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

}  // namespace

double CounterUniform(uint64_t seed, uint64_t i, uint64_t k) {
  const uint64_t z = Mix(Mix(Mix(seed) ^ i) ^ (k * 0xD1B54A32D192ED03ULL));
  return (static_cast<double>(z >> 11) + 0.5) * 0x1.0p-53;
}

std::vector<std::vector<double>> Cholesky(const std::vector<std::vector<double>>& c) {
  const size_t n = c.size();
  std::vector<std::vector<double>> l(n, std::vector<double>(n, 0.0));
  for (size_t i = 0; i < n; ++i)
    for (size_t j = 0; j <= i; ++j) {
      double s = c[i][j];
      for (size_t k = 0; k < j; ++k) s -= l[i][k] * l[j][k];
      if (i == j) {
        if (!(s > 1e-12)) return {};
        l[i][i] = std::sqrt(s);
      } else {
        l[i][j] = s / l[j][j];
      }
    }
  return l;
}

SamplePlan::SamplePlan(Method method, int samples, uint64_t seed, int variables,
                       const std::vector<std::vector<double>>& correlation)
    : method_(method), samples_(samples), seed_(seed), variables_(variables) {
  if (!correlation.empty()) {
    lower_ = Cholesky(correlation);
    if (lower_.empty()) throw std::invalid_argument("the correlation matrix is not positive definite");
  }
  if (method_ != Method::LatinHypercube) return;
  // Each variable's strata in an order shuffled by numbers of their own
  // stream (sample numbers past the last sample), so that the plan too
  // depends only on the seed.
  strata_.resize(static_cast<size_t>(variables_));
  for (int k = 0; k < variables_; ++k) {
    std::vector<uint32_t>& order = strata_[static_cast<size_t>(k)];
    order.resize(static_cast<size_t>(samples_));
    for (int i = 0; i < samples_; ++i) order[static_cast<size_t>(i)] = static_cast<uint32_t>(i);
    for (int i = samples_ - 1; i > 0; --i) {
      const double u =
          CounterUniform(seed_ ^ 0x5DEECE66DULL, static_cast<uint64_t>(i), static_cast<uint64_t>(k));
      const int j = std::min(i, static_cast<int>(u * (i + 1)));
      std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(j)]);
    }
  }
}

std::vector<double> SamplePlan::Independent(int i) const {
  std::vector<double> z(static_cast<size_t>(variables_));
  for (int k = 0; k < variables_; ++k) {
    double p = CounterUniform(seed_, static_cast<uint64_t>(i), static_cast<uint64_t>(k));
    if (method_ == Method::LatinHypercube)
      p = (strata_[static_cast<size_t>(k)][static_cast<size_t>(i)] + p) / samples_;
    z[static_cast<size_t>(k)] = NormalQuantile(p);
  }
  return z;
}

std::vector<double> SamplePlan::Correlate(const std::vector<double>& z) const {
  if (lower_.empty()) return z;
  std::vector<double> y(z.size(), 0.0);
  for (size_t i = 0; i < z.size(); ++i)
    for (size_t k = 0; k <= i; ++k) y[i] += lower_[i][k] * z[k];
  return y;
}

Interval WilsonInterval(int failures, int samples, double confidence) {
  if (samples <= 0) return {0, 1};
  const double z = NormalQuantile(0.5 + confidence / 2);
  const double n = samples;
  const double p = failures / n;
  const double z2 = z * z;
  const double centre = (p + z2 / (2 * n)) / (1 + z2 / n);
  const double half = z / (1 + z2 / n) * std::sqrt(p * (1 - p) / n + z2 / (4 * n * n));
  return {std::max(0.0, centre - half), std::min(1.0, centre + half)};
}

double BetaOf(double pf) { return -NormalQuantile(pf); }

std::vector<double> FailureDirection(const std::vector<std::vector<double>>& failed_z) {
  if (failed_z.empty()) return {};
  std::vector<double> mean(failed_z.front().size(), 0.0);
  for (const std::vector<double>& z : failed_z)
    for (size_t k = 0; k < z.size(); ++k) mean[k] += z[k] / static_cast<double>(failed_z.size());
  double norm = 0;
  for (double m : mean) norm += m * m;
  norm = std::sqrt(norm);
  if (norm == 0) return std::vector<double>(mean.size(), 0.0);
  for (double& m : mean) m /= norm;
  return mean;
}

FormResult Form(int variables, const std::function<double(const std::vector<double>&)>& g, double step,
                int max_iterations) {
  FormResult r;
  const size_t n = static_cast<size_t>(variables);
  auto norm_of = [](const std::vector<double>& v) {
    double s = 0;
    for (double x : v) s += x * x;
    return std::sqrt(s);
  };
  std::vector<double> u(n, 0.0);
  const double g0 = g(u);
  ++r.Evaluations;
  double gu = g0;
  // Convergence in g is judged against its size at the mean.
  const double tolerance = 1e-3 * std::max(std::abs(g0), 1e-2);
  for (r.Iterations = 1; r.Iterations <= max_iterations; ++r.Iterations) {
    std::vector<double> grad(n);
    double norm2 = 0;
    for (size_t k = 0; k < n; ++k) {
      std::vector<double> v = u;
      v[k] += step;
      grad[k] = (g(v) - gu) / step;
      ++r.Evaluations;
      norm2 += grad[k] * grad[k];
    }
    if (norm2 == 0) break;  // g does not change here: no design point to find
    double dot = 0;
    for (size_t k = 0; k < n; ++k) dot += grad[k] * u[k];
    const double lambda = (dot - gu) / norm2;
    std::vector<double> direction(n);
    for (size_t k = 0; k < n; ++k) direction[k] = lambda * grad[k] - u[k];
    // The HL-RF step, shortened while it does not lower the merit
    // ½|u|² + c|g| (Zhang and Der Kiureghian, 1995): a g that jumps, as it
    // does where a stage stops closing, must not throw the search away.
    const double c = 2 * norm_of(u) / std::sqrt(norm2) + 10;
    const double merit = 0.5 * norm_of(u) * norm_of(u) + c * std::abs(gu);
    double t = 1;
    std::vector<double> next(n);
    double g_next = 0;
    for (int halving = 0;; ++halving) {
      for (size_t k = 0; k < n; ++k) next[k] = u[k] + t * direction[k];
      g_next = g(next);
      ++r.Evaluations;
      const double m = 0.5 * norm_of(next) * norm_of(next) + c * std::abs(g_next);
      if (m < merit || halving == 5) break;
      t /= 2;
    }
    const double move = t * norm_of(direction);
    u = next;
    gu = g_next;
    if (move < 1e-3 * std::max(1.0, norm_of(u)) && std::abs(gu) < tolerance) {
      r.Converged = true;
      break;
    }
  }
  r.Iterations = std::min(r.Iterations, max_iterations);
  const double norm = norm_of(u);
  r.DesignPoint = u;
  r.Beta = g0 >= 0 ? norm : -norm;
  r.Pf = NormalCdf(-r.Beta);
  r.Alpha.assign(n, 0.0);
  if (norm > 0)
    for (size_t k = 0; k < n; ++k) r.Alpha[k] = u[k] / norm * (g0 >= 0 ? 1 : -1);
  return r;
}

}  // namespace darnek::reliability
