// The methods, apart from any wall: samples of correlated standard normals
// that depend only on the seed and the sample's number, the estimate of a
// probability from failures with its interval, and FORM by HL-RF.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace darnek::reliability {

enum class Method { MonteCarlo, LatinHypercube, Form };
bool MethodByName(const std::string& name, Method& method);  // "mc", "lhs", "form"
const char* MethodName(Method method);

// A uniform number in (0, 1) that depends only on (seed, i, k): the k-th
// number of sample i. No generator carries state from one sample to the
// next, so that any worker can draw any sample and get the same numbers.
double CounterUniform(uint64_t seed, uint64_t i, uint64_t k);

// The lower triangle L of the Cholesky factor of a correlation matrix, row by
// row; empty when the matrix is not positive definite.
std::vector<std::vector<double>> Cholesky(const std::vector<std::vector<double>>& correlation);

class SamplePlan {
 public:
  // `correlation`: of the standard normals, n by n (the identity when empty).
  // Throws std::invalid_argument when it is not positive definite.
  SamplePlan(Method method, int samples, uint64_t seed, int variables,
             const std::vector<std::vector<double>>& correlation);
  int Samples() const { return samples_; }
  int Variables() const { return variables_; }
  // The independent standard normals z of sample i (Latin hypercube: one
  // draw from each of `samples` equally likely strata of every variable).
  std::vector<double> Independent(int i) const;
  // The correlated standard normals y = L z.
  std::vector<double> Correlate(const std::vector<double>& z) const;

 private:
  Method method_;
  int samples_;
  uint64_t seed_;
  int variables_;
  std::vector<std::vector<double>> lower_;
  std::vector<std::vector<uint32_t>> strata_;  // per variable: the stratum of each sample
};

// A probability estimated from failures in samples: the Wilson score
// interval at `confidence` (two-sided).
struct Interval {
  double Low = 0;
  double High = 0;
};
Interval WilsonInterval(int failures, int samples, double confidence);

// β = −Φ⁻¹(Pf): infinite for Pf = 0, minus infinity for 1.
double BetaOf(double pf);

// The direction of the failures in standard normal space: the mean of z over
// the failed samples, as a unit vector (the sampling counterpart of FORM's α);
// empty without failures.
std::vector<double> FailureDirection(const std::vector<std::vector<double>>& failed_z);

struct FormResult {
  double Beta = 0;
  double Pf = 0;
  std::vector<double> DesignPoint;  // z*, independent standard normals
  std::vector<double> Alpha;        // z* / β: unit vector towards failure
  int Evaluations = 0;
  int Iterations = 0;
  bool Converged = false;
};

// FORM on g(z) (failure where g ≤ 0), by the Hasofer-Lind-Rackwitz-Fiessler
// iteration from the origin with forward-difference gradients of step `step`.
FormResult Form(int variables, const std::function<double(const std::vector<double>&)>& g, double step = 0.02,
                int max_iterations = 25);

}  // namespace darnek::reliability
