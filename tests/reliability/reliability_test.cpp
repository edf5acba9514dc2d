// Reliability: the methods on limit states with exact answers, and on a wall
// where only the friction angle varies, against the critical angle found by
// bisection.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "reliability/estimate.h"
#include "toml/toml_input.h"

namespace darnek::reliability {
namespace {

// Pf of g = R − S with R and S normal or lognormal (optionally correlated):
// FORM is exact for both (the surface is a plane in standard space), and a
// Latin hypercube of 20000 samples must hold the exact Pf in its interval.
TEST(ReliabilityMethods, FormAndSamplingAgreeWithClosedForms) {
  struct Case {
    DistributionKind Kind;
    double Rho;
  };
  for (const Case c : {Case{DistributionKind::Normal, 0.0}, Case{DistributionKind::Normal, 0.5},
                       Case{DistributionKind::Lognormal, 0.0}}) {
    SCOPED_TRACE(DistributionName(c.Kind) + std::string(" rho ") + std::to_string(c.Rho));
    const Distribution r{c.Kind, 10, 1.5}, s{c.Kind, 5, 1.2};
    double exact_beta = 0;
    if (c.Kind == DistributionKind::Normal) {
      exact_beta = 5 / std::sqrt(1.5 * 1.5 + 1.2 * 1.2 - 2 * c.Rho * 1.5 * 1.2);
    } else {
      auto log = [](double m, double sd, double& l, double& z) {
        z = std::sqrt(std::log1p(sd * sd / (m * m)));
        l = std::log(m) - z * z / 2;
      };
      double lr = 0, zr = 0, ls = 0, zs = 0;
      log(10, 1.5, lr, zr);
      log(5, 1.2, ls, zs);
      exact_beta = (lr - ls) / std::sqrt(zr * zr + zs * zs);
    }
    const std::vector<std::vector<double>> corr = {{1, c.Rho}, {c.Rho, 1}};
    const SamplePlan plan(Method::LatinHypercube, 20000, 42, 2, corr);
    auto g = [&](const std::vector<double>& z) {
      const std::vector<double> y = plan.Correlate(z);
      return r.FromStandard(y[0]) - s.FromStandard(y[1]);
    };
    const FormResult form = Form(2, g);
    EXPECT_TRUE(form.Converged);
    EXPECT_NEAR(form.Beta, exact_beta, 1e-4 * exact_beta);
    EXPECT_LT(form.Evaluations, 40);
    // R drives against failure, S towards it.
    EXPECT_LT(form.Alpha[0], 0);
    EXPECT_GT(form.Alpha[1], 0);

    int failures = 0;
    for (int i = 0; i < plan.Samples(); ++i) failures += g(plan.Independent(i)) <= 0 ? 1 : 0;
    const Interval ci = WilsonInterval(failures, plan.Samples(), 0.95);
    const double exact_pf = NormalCdf(-exact_beta);
    EXPECT_LE(ci.Low, exact_pf);
    EXPECT_GE(ci.High, exact_pf);
  }
}

// Sample i is the same whoever draws it, and a Latin hypercube puts one
// sample in each stratum of every variable.
TEST(ReliabilityMethods, SamplesDependOnlyOnSeedAndNumber) {
  const SamplePlan plan(Method::LatinHypercube, 500, 9, 3, {});
  const SamplePlan again(Method::LatinHypercube, 500, 9, 3, {});
  std::vector<std::vector<int>> seen(3, std::vector<int>(500, 0));
  for (int i = 499; i >= 0; --i) {
    const std::vector<double> z = plan.Independent(i);
    EXPECT_EQ(z, again.Independent(i));
    for (int k = 0; k < 3; ++k) ++seen[k][static_cast<size_t>(NormalCdf(z[k]) * 500)];
  }
  for (const std::vector<int>& strata : seen) EXPECT_EQ(std::count(strata.begin(), strata.end(), 1), 500);
  EXPECT_NE(SamplePlan(Method::MonteCarlo, 500, 10, 3, {}).Independent(0), plan.Independent(0));
}

std::string CantileverWithPhi(const std::string& variable) {
  std::ifstream in(std::string(DARNEK_SOURCE_DIR) + "/examples/cantilever_sand.toml");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str() + "\n[reliability]\nstrength_reduction = false\n[[reliability.variable]]\n" + variable;
}

const char* const kPhi =
    "name = \"phi\"\ntarget = \"soil_layer 1, friction_angle_deg\"\ndistribution = \"truncated_normal\"\n"
    "mean = 32.0\nsd = 2.5\nlower = 20.0\nupper = 45.0\n";

// The cantilever in sand with only φ uncertain: embedment fails below the
// angle a bisection finds, so its Pf is the probability of φ below it.
TEST(ReliabilityWall, FrictionAngleAloneGivesTheProbabilityBelowTheCriticalAngle) {
  const std::string model = CantileverWithPhi(kPhi);
  StudyData data = ReadStudy(model);
  data.Samples = 400;
  const Study study(model, data);
  ASSERT_TRUE(study.Follows(0, Embedment));
  double safe = 32, unsafe = 20;
  ASSERT_FALSE(Fails(study.Evaluate({safe})[0], Embedment));
  ASSERT_TRUE(Fails(study.Evaluate({unsafe})[0], Embedment));
  while (safe - unsafe > 1e-4) {
    const double mid = (safe + unsafe) / 2;
    (Fails(study.Evaluate({mid})[0], Embedment) ? unsafe : safe) = mid;
  }
  const double exact = NormalCdf(data.Variables[0].Dist.ToStandard(safe));
  EXPECT_GT(exact, 0.05);  // a probability the samples can see

  const SamplePlan plan(data.Method, data.Samples, data.Seed, 1, {});
  const std::vector<Outcome> one = EvaluateSamples(study, plan, 0, data.Samples, 1, nullptr);
  const std::vector<double> a = Flatten(one);
  const std::vector<double> b = Flatten(EvaluateSamples(study, plan, 0, data.Samples, 2, nullptr));
  EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end(),
                         [](double x, double y) { return x == y || (std::isnan(x) && std::isnan(y)); }));
  const Estimate sampled = Summarise(study, plan, one);
  const CheckEstimate& e = sampled.Stages[0].Checks[Embedment];
  ASSERT_EQ(e.Check, "embedment");
  EXPECT_LE(e.PfLow, exact);
  EXPECT_GE(e.PfHigh, exact);
  EXPECT_EQ(e.Alpha, std::vector<double>{-1.0});

  const Estimate form = FormEstimate(study, 1, nullptr);
  const CheckEstimate& f = form.Stages[0].Checks[Embedment];
  EXPECT_NEAR(f.Pf, exact, 0.01 * exact);
  EXPECT_LT(f.Evaluations, 200);
}

// A distribution that can give an impossible value is refused, naming the
// variable's key, unless it is truncated.
TEST(ReliabilityWall, ImpossibleValuesAreRefusedUnlessTruncated) {
  auto refusal = [](const std::string& variable) {
    try {
      ReadStudy(CantileverWithPhi(variable));
    } catch (const toml_input::TomlError& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  const std::string normal_phi = refusal(
      "target = \"soil_layer 1, friction_angle_deg\"\ndistribution = \"normal\"\nmean = 32.0\ncov = 0.1\n");
  EXPECT_NE(normal_phi.find("reliability, variable 1, distribution"), std::string::npos) << normal_phi;
  EXPECT_NE(normal_phi.find("friction_angle_deg can be below 0"), std::string::npos) << normal_phi;
  const std::string uniform_phi = refusal(
      "target = \"soil_layer 1, friction_angle_deg\"\ndistribution = \"uniform\"\nlower = 25.0\nupper = "
      "90.0\n");
  EXPECT_NE(uniform_phi.find("can reach 90"), std::string::npos) << uniform_phi;
  EXPECT_NE(refusal("target = \"soil_layer 1, unit_weight\"\ndistribution = \"normal\"\ncov = 0.1\n")
                .find("unit_weight can be below 0"),
            std::string::npos);
  EXPECT_NE(refusal("target = \"soil_layer 2, unit_weight\"\ndistribution = \"lognormal\"\ncov = 0.1\n")
                .find("the model gives no value for soil_layer 2, unit_weight"),
            std::string::npos);
  EXPECT_EQ(refusal(kPhi), "");
}

}  // namespace
}  // namespace darnek::reliability
