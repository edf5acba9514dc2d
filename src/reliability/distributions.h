// The distributions of uncertain inputs and the standard normal they are
// mapped from: a value x of a variable is F⁻¹(Φ(u)) for a standard normal u,
// so that sampling, correlation and FORM all work in the space of u.
#pragma once

#include <limits>
#include <string>

namespace darnek::reliability {

inline constexpr double kInfinity = std::numeric_limits<double>::infinity();

double NormalCdf(double u);
// Φ⁻¹(p) for 0 < p < 1, to the last few digits (Acklam's rational
// approximation, then one Halley step on erfc).
double NormalQuantile(double p);

enum class DistributionKind { Normal, Lognormal, TruncatedNormal, Uniform };

// Normal and lognormal: the mean and standard deviation of the variable
// itself. Truncated normal: those of the parent normal, cut at Lower and
// Upper (either may be infinite). Uniform: Lower to Upper.
struct Distribution {
  DistributionKind Kind = DistributionKind::Normal;
  double Mean = 0;
  double Sd = 0;
  double Lower = -kInfinity;
  double Upper = kInfinity;

  double FromStandard(double u) const;
  double ToStandard(double x) const;
  // The smallest and largest values the distribution can give.
  double SupportLow() const;
  double SupportHigh() const;
  // What is wrong with the parameters; empty when nothing is.
  std::string Problem() const;
};

// "normal", "lognormal", "truncated_normal", "uniform"; false for another name.
bool DistributionKindByName(const std::string& name, DistributionKind& kind);
const char* DistributionName(DistributionKind kind);

}  // namespace darnek::reliability
