// A study's answers: every stage's checks and the stage as a system, by
// sampling (Monte Carlo or Latin hypercube) or by FORM, and their JSON, CSV
// and console forms.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "reliability/study.h"

namespace darnek::reliability {

struct Histogram {
  double Low = 0, Width = 0;  // of the bins
  std::vector<int> Counts;
};

struct CheckEstimate {
  std::string Check;  // as CheckName, or "system"
  int Samples = 0;
  int Failures = 0;  // the not-closed ones included
  int NotClosed = 0;
  double Pf = 0;
  double PfLow = 0, PfHigh = 1;  // sampling: the confidence interval; FORM system: the series bounds
  double Beta = 0;
  std::vector<double> Alpha;        // per variable, in the independent standard normals
  std::vector<double> DesignPoint;  // FORM: the variables' values there
  int Evaluations = 0;              // FORM: analyses
  bool Converged = true;
  Histogram Utilisations;  // sampling: of the check's utilisation in the samples that closed
};

struct StageEstimate {
  int Stage = 0;
  int NotClosed = 0;                  // samples (or FORM points) where the stage did not close
  std::vector<CheckEstimate> Checks;  // the checks the stage makes, then "system"
};

struct Estimate {
  std::string Model;  // its name, for the outputs
  reliability::Method Method = reliability::Method::LatinHypercube;
  int Samples = 0;
  uint64_t Seed = 0;
  double Confidence = 0.95;
  bool StrengthReduction = true;
  int Jobs = 1;
  int Analyses = 0;
  double Seconds = 0;
  std::vector<Variable> Variables;
  std::vector<StageEstimate> Stages;
};

// Called after each finished sample or analysis with the number done and the total.
using Progress = std::function<void(int done, int total)>;

// Samples first to first + count − 1 of the plan, analysed on `jobs` threads;
// the outcomes in the order of the samples, whatever the threads did.
std::vector<Outcome> EvaluateSamples(const Study& study, const SamplePlan& plan, int first, int count,
                                     int jobs, const Progress& progress);

// The estimates from the outcomes of every sample of the plan, in order.
Estimate Summarise(const Study& study, const SamplePlan& plan, const std::vector<Outcome>& outcomes);

// FORM for every check of every stage, the checks on `jobs` threads.
Estimate FormEstimate(const Study& study, int jobs, const Progress& progress);

// An outcome as numbers and back: per stage, closed (1 or 0) then the
// utilisations (NaN where not checked), for callers that move samples
// between processes.
std::vector<double> Flatten(const std::vector<Outcome>& outcomes);
std::vector<Outcome> Unflatten(const std::vector<double>& numbers, int stages);

std::string EstimateJson(const Estimate& e);
std::string EstimateCsv(const Estimate& e);
std::string EstimateText(const Estimate& e);

// Runs a whole study on a model text: reads its [reliability] table, with the
// method, samples and seed given here when they are set (negative: the
// table's), and returns the estimate. Throws toml_input::TomlError or
// std::runtime_error.
struct StudyOptions {
  std::string Method;  // empty: the table's
  int Samples = -1;
  int64_t Seed = -1;
  int StrengthReduction = -1;  // 0 or 1; -1: the table's
  int Jobs = 1;
};
StudyData ReadStudyWith(const std::string& model_text, const StudyOptions& options);
Estimate RunStudy(const std::string& model_text, const StudyOptions& options, const Progress& progress);

}  // namespace darnek::reliability
