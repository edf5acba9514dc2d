#include "reliability/distributions.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace darnek::reliability {

double NormalCdf(double u) { return 0.5 * std::erfc(-u / std::numbers::sqrt2); }

double NormalQuantile(double p) {
  if (p <= 0) return -kInfinity;
  if (p >= 1) return kInfinity;
  // Acklam (2003): relative error below 1.15e-9 before the refinement.
  static constexpr double a[] = {-3.969683028665376e+01, 2.209460984245205e+02,  -2.759285104469687e+02,
                                 1.383577518672690e+02,  -3.066479806614716e+01, 2.506628277459239e+00};
  static constexpr double b[] = {-5.447609879822406e+01, 1.615858368580409e+02, -1.556989798598866e+02,
                                 6.680131188771972e+01, -1.328068155288572e+01};
  static constexpr double c[] = {-7.784894002430293e-03, -3.223964580411365e-01, -2.400758277161838e+00,
                                 -2.549732539343734e+00, 4.374664141464968e+00,  2.938163982698783e+00};
  static constexpr double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                                 3.754408661907416e+00};
  constexpr double low = 0.02425;
  double x = 0;
  if (p < low) {
    const double q = std::sqrt(-2 * std::log(p));
    x = (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
        ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
  } else if (p <= 1 - low) {
    const double q = p - 0.5;
    const double r = q * q;
    x = (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
        (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1);
  } else {
    const double q = std::sqrt(-2 * std::log1p(-p));
    x = -(((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
        ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
  }
  const double e = NormalCdf(x) - p;
  const double u = e * std::sqrt(2 * std::numbers::pi) * std::exp(x * x / 2);
  return x - u / (1 + x * u / 2);
}

namespace {

// The lognormal's λ and ζ from the variable's mean and standard deviation.
void LogParameters(const Distribution& d, double& lambda, double& zeta) {
  const double v = d.Sd / d.Mean;
  zeta = std::sqrt(std::log1p(v * v));
  lambda = std::log(d.Mean) - zeta * zeta / 2;
}

}  // namespace

double Distribution::FromStandard(double u) const {
  switch (Kind) {
    case DistributionKind::Normal:
      return Mean + Sd * u;
    case DistributionKind::Lognormal: {
      double lambda = 0, zeta = 0;
      LogParameters(*this, lambda, zeta);
      return std::exp(lambda + zeta * u);
    }
    case DistributionKind::TruncatedNormal: {
      const double pa = NormalCdf((Lower - Mean) / Sd);
      const double pb = NormalCdf((Upper - Mean) / Sd);
      const double p = pa + NormalCdf(u) * (pb - pa);
      return std::clamp(Mean + Sd * NormalQuantile(p), Lower, Upper);
    }
    case DistributionKind::Uniform:
      return Lower + NormalCdf(u) * (Upper - Lower);
  }
  return Mean;
}

double Distribution::ToStandard(double x) const {
  switch (Kind) {
    case DistributionKind::Normal:
      return (x - Mean) / Sd;
    case DistributionKind::Lognormal: {
      double lambda = 0, zeta = 0;
      LogParameters(*this, lambda, zeta);
      return (std::log(x) - lambda) / zeta;
    }
    case DistributionKind::TruncatedNormal: {
      const double pa = NormalCdf((Lower - Mean) / Sd);
      const double pb = NormalCdf((Upper - Mean) / Sd);
      return NormalQuantile((NormalCdf((x - Mean) / Sd) - pa) / (pb - pa));
    }
    case DistributionKind::Uniform:
      return NormalQuantile((x - Lower) / (Upper - Lower));
  }
  return 0;
}

double Distribution::SupportLow() const {
  switch (Kind) {
    case DistributionKind::Normal:
      return -kInfinity;
    case DistributionKind::Lognormal:
      return 0;
    default:
      return Lower;
  }
}

double Distribution::SupportHigh() const {
  return Kind == DistributionKind::Normal || Kind == DistributionKind::Lognormal ? kInfinity : Upper;
}

std::string Distribution::Problem() const {
  if (Kind == DistributionKind::Uniform) {
    if (!std::isfinite(Lower) || !std::isfinite(Upper) || !(Lower < Upper))
      return "a uniform distribution needs lower < upper, both given";
    return {};
  }
  if (!std::isfinite(Mean)) return "needs a mean";
  if (!std::isfinite(Sd) || Sd <= 0) return "needs a standard deviation (sd, or cov) greater than 0";
  if (Kind == DistributionKind::Lognormal && Mean <= 0)
    return "a lognormal distribution needs a mean above 0";
  if (Kind == DistributionKind::TruncatedNormal) {
    if (!(Lower < Upper)) return "a truncated normal needs lower < upper";
    if (NormalCdf((Upper - Mean) / Sd) - NormalCdf((Lower - Mean) / Sd) < 1e-12)
      return "the bounds leave the distribution no probability";
  }
  return {};
}

bool DistributionKindByName(const std::string& name, DistributionKind& kind) {
  for (DistributionKind k : {DistributionKind::Normal, DistributionKind::Lognormal,
                             DistributionKind::TruncatedNormal, DistributionKind::Uniform})
    if (name == DistributionName(k)) {
      kind = k;
      return true;
    }
  return false;
}

const char* DistributionName(DistributionKind kind) {
  switch (kind) {
    case DistributionKind::Normal:
      return "normal";
    case DistributionKind::Lognormal:
      return "lognormal";
    case DistributionKind::TruncatedNormal:
      return "truncated_normal";
    case DistributionKind::Uniform:
      return "uniform";
  }
  return "";
}

}  // namespace darnek::reliability
