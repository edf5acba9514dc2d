#include "reliability/estimate.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <thread>

#include "core/report_helpers.h"
#include "toml/toml_input.h"

namespace darnek::reliability {

namespace {

constexpr int kFields = 1 + kCheckKinds;  // per stage: closed, then the utilisations
constexpr int kBins = 40;

// Runs task(i) for i in [0, count) on `jobs` threads, each taking the next
// number from a shared counter.
void ForEach(int count, int jobs, const std::function<void(int)>& task, const Progress& progress) {
  std::atomic<int> next{0};
  std::atomic<int> done{0};
  std::mutex report;
  std::exception_ptr failure;
  auto worker = [&] {
    for (int i = next++; i < count; i = next++) {
      try {
        task(i);
      } catch (...) {
        const std::lock_guard<std::mutex> lock(report);
        if (!failure) failure = std::current_exception();
        next = count;
      }
      const int finished = ++done;
      if (progress) {
        const std::lock_guard<std::mutex> lock(report);
        progress(finished, count);
      }
    }
  };
  jobs = std::max(1, std::min(jobs, count));
  std::vector<std::thread> threads;
  for (int t = 1; t < jobs; ++t) threads.emplace_back(worker);
  worker();
  for (std::thread& t : threads) t.join();
  if (failure) std::rethrow_exception(failure);
}

Histogram HistogramOf(const std::vector<double>& values) {
  Histogram h;
  double high = 1.5;
  for (double v : values) high = std::max(high, v);
  h.Low = 0;
  h.Width = std::ceil(high * 10) / 10 / kBins;
  h.Counts.assign(kBins, 0);
  for (double v : values) {
    const int bin = std::clamp(static_cast<int>(v / h.Width), 0, kBins - 1);
    ++h.Counts[static_cast<size_t>(bin)];
  }
  return h;
}

std::vector<Variable> VariablesOf(const Study& s) { return s.Data().Variables; }

}  // namespace

std::vector<Outcome> EvaluateSamples(const Study& study, const SamplePlan& plan, int first, int count,
                                     int jobs, const Progress& progress) {
  std::vector<Outcome> out(static_cast<size_t>(count));
  ForEach(
      count, jobs,
      [&](int j) {
        const int i = first + j;
        out[static_cast<size_t>(j)] = study.Evaluate(study.Values(plan.Correlate(plan.Independent(i))));
      },
      progress);
  return out;
}

Estimate Summarise(const Study& study, const SamplePlan& plan, const std::vector<Outcome>& outcomes) {
  Estimate e;
  e.Method = study.Data().Method;
  e.Samples = plan.Samples();
  e.Seed = study.Data().Seed;
  e.Confidence = study.Data().Confidence;
  e.StrengthReduction = study.Data().StrengthReduction;
  e.Analyses = static_cast<int>(outcomes.size());
  e.Variables = VariablesOf(study);
  const int n = static_cast<int>(outcomes.size());
  std::vector<std::vector<double>> z(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) z[static_cast<size_t>(i)] = plan.Independent(i);
  for (int s = 0; s < study.Stages(); ++s) {
    StageEstimate stage;
    stage.Stage = s + 1;
    for (const Outcome& o : outcomes) stage.NotClosed += o[static_cast<size_t>(s)].Closed ? 0 : 1;
    for (int k = 0; k <= kCheckKinds; ++k) {
      if (k < kCheckKinds && !study.Follows(s, k)) continue;
      CheckEstimate c;
      c.Check = CheckName(k);
      c.Samples = n;
      c.NotClosed = stage.NotClosed;
      std::vector<std::vector<double>> failed;
      std::vector<double> utilisations;
      for (int i = 0; i < n; ++i) {
        const StageOutcome& o = outcomes[static_cast<size_t>(i)][static_cast<size_t>(s)];
        const bool fails = k == kCheckKinds ? SystemFails(study, o, s) : Fails(o, k);
        if (fails) failed.push_back(z[static_cast<size_t>(i)]);
        if (k < kCheckKinds && o.Closed && !std::isnan(o.Utilisation[k]))
          utilisations.push_back(o.Utilisation[k]);
      }
      c.Failures = static_cast<int>(failed.size());
      c.Pf = n > 0 ? static_cast<double>(c.Failures) / n : 0;
      const Interval ci = WilsonInterval(c.Failures, n, e.Confidence);
      c.PfLow = ci.Low;
      c.PfHigh = ci.High;
      c.Beta = BetaOf(c.Pf);
      c.Alpha = FailureDirection(failed);
      if (k < kCheckKinds) c.Utilisations = HistogramOf(utilisations);
      stage.Checks.push_back(std::move(c));
    }
    e.Stages.push_back(std::move(stage));
  }
  return e;
}

Estimate FormEstimate(const Study& study, int jobs, const Progress& progress) {
  Estimate e;
  e.Method = Method::Form;
  e.Seed = study.Data().Seed;
  e.Confidence = study.Data().Confidence;
  e.StrengthReduction = study.Data().StrengthReduction;
  e.Variables = VariablesOf(study);
  const size_t n = e.Variables.size();
  // The analyses at the points of every check's search, kept: every check
  // starts from the same point and the same gradient.
  std::map<std::vector<double>, Outcome> cache;
  std::mutex cache_lock;
  std::atomic<int> analyses{0};
  std::vector<int> stage_not_closed(static_cast<size_t>(study.Stages()), 0);  // distinct analyses
  SamplePlan correlate(Method::MonteCarlo, 1, 0, static_cast<int>(n), study.Data().Correlation);
  auto outcome_at = [&](const std::vector<double>& z) {
    {
      const std::lock_guard<std::mutex> lock(cache_lock);
      if (auto it = cache.find(z); it != cache.end()) return it->second;
    }
    Outcome o = study.Evaluate(study.Values(correlate.Correlate(z)));
    const std::lock_guard<std::mutex> lock(cache_lock);
    // Two threads may have analysed the same point: it counts once.
    if (cache.emplace(z, o).second) {
      ++analyses;
      for (size_t s = 0; s < o.size(); ++s) stage_not_closed[s] += o[s].Closed ? 0 : 1;
    }
    return o;
  };
  struct Task {
    int Stage, Kind;
  };
  std::vector<Task> tasks;
  for (int s = 0; s < study.Stages(); ++s)
    for (int k = 0; k < kCheckKinds; ++k)
      if (study.Follows(s, k)) tasks.push_back({s, k});
  std::vector<CheckEstimate> found(tasks.size());
  ForEach(
      static_cast<int>(tasks.size()), jobs,
      [&](int t) {
        const Task task = tasks[static_cast<size_t>(t)];
        int not_closed = 0;
        const FormResult r = Form(static_cast<int>(n), [&](const std::vector<double>& z) {
          const StageOutcome o = outcome_at(z)[static_cast<size_t>(task.Stage)];
          if (!o.Closed) {
            ++not_closed;
            return -1.0;  // a stage that does not close fails every check
          }
          return std::isnan(o.Utilisation[task.Kind]) ? 1.0 : 1 - o.Utilisation[task.Kind];
        });
        CheckEstimate& c = found[static_cast<size_t>(t)];
        c.Check = CheckName(task.Kind);
        c.Pf = r.Pf;
        c.PfLow = c.PfHigh = r.Pf;
        c.Beta = r.Beta;
        c.Alpha = r.Alpha;
        c.DesignPoint = study.Values(correlate.Correlate(r.DesignPoint));
        c.Evaluations = r.Evaluations;
        c.Converged = r.Converged;
        c.NotClosed = not_closed;
      },
      progress);
  e.Analyses = analyses;
  for (int s = 0; s < study.Stages(); ++s) {
    StageEstimate stage;
    stage.Stage = s + 1;
    stage.NotClosed = stage_not_closed[static_cast<size_t>(s)];
    CheckEstimate system;
    system.Check = "system";
    system.PfLow = 0;
    system.PfHigh = 0;
    for (size_t t = 0; t < tasks.size(); ++t) {
      if (tasks[t].Stage != s) continue;
      system.PfLow = std::max(system.PfLow, found[t].Pf);
      system.PfHigh = std::min(1.0, system.PfHigh + found[t].Pf);
      stage.Checks.push_back(found[t]);
    }
    // The first-order bounds of a series system: no single number.
    system.Pf = NAN;
    system.Beta = NAN;
    system.Converged = true;
    system.NotClosed = stage.NotClosed;
    stage.Checks.push_back(system);
    e.Stages.push_back(std::move(stage));
  }
  return e;
}

std::vector<double> Flatten(const std::vector<Outcome>& outcomes) {
  std::vector<double> out;
  for (const Outcome& o : outcomes)
    for (const StageOutcome& s : o) {
      out.push_back(s.Closed ? 1 : 0);
      out.insert(out.end(), s.Utilisation.begin(), s.Utilisation.end());
    }
  return out;
}

std::vector<Outcome> Unflatten(const std::vector<double>& numbers, int stages) {
  const size_t per_sample = static_cast<size_t>(stages) * kFields;
  if (stages <= 0 || numbers.size() % per_sample != 0)
    throw std::invalid_argument("the sample outcomes do not fit the model's stages");
  std::vector<Outcome> out(numbers.size() / per_sample, Outcome(static_cast<size_t>(stages)));
  for (size_t i = 0; i < out.size(); ++i)
    for (size_t s = 0; s < static_cast<size_t>(stages); ++s) {
      const double* f = numbers.data() + i * per_sample + s * kFields;
      out[i][s].Closed = f[0] != 0;
      std::copy(f + 1, f + kFields, out[i][s].Utilisation.begin());
    }
  return out;
}

namespace {

using Json = nlohmann::ordered_json;

Json Number(double x) { return std::isfinite(x) ? Json(x) : Json(nullptr); }

}  // namespace

std::string EstimateJson(const Estimate& e) {
  Json root;
  root["model"] = e.Model;
  root["method"] = MethodName(e.Method);
  if (e.Method != Method::Form) {
    root["samples"] = e.Samples;
    root["seed"] = e.Seed;
    root["confidence"] = e.Confidence;
    root["interval"] = "Wilson score";
  }
  root["strength_reduction"] = e.StrengthReduction;
  root["analyses"] = e.Analyses;
  root["seconds"] = e.Seconds;
  root["seconds_per_analysis"] = e.Analyses > 0 ? e.Seconds / e.Analyses : 0;
  Json vars = Json::array();
  for (const Variable& v : e.Variables) {
    Json j;
    j["name"] = v.Name;
    j["target"] = v.Target;
    j["distribution"] = DistributionName(v.Dist.Kind);
    j["mean"] = Number(v.Dist.Mean);
    j["sd"] = Number(v.Dist.Sd);
    j["lower"] = Number(v.Dist.Lower);
    j["upper"] = Number(v.Dist.Upper);
    vars.push_back(j);
  }
  root["variables"] = vars;
  Json stages = Json::array();
  for (const StageEstimate& s : e.Stages) {
    Json js;
    js["stage"] = s.Stage;
    js["not_closed"] = s.NotClosed;
    Json checks = Json::array();
    for (const CheckEstimate& c : s.Checks) {
      Json jc;
      jc["check"] = c.Check;
      if (e.Method != Method::Form) {
        jc["samples"] = c.Samples;
        jc["failures"] = c.Failures;
        jc["not_closed"] = c.NotClosed;
      }
      jc["pf"] = Number(c.Pf);
      jc["pf_low"] = Number(c.PfLow);
      jc["pf_high"] = Number(c.PfHigh);
      jc["beta"] = c.Pf == 0 ? Json("infinite") : Number(c.Beta);
      Json alpha = Json::object();
      for (size_t k = 0; k < c.Alpha.size() && k < e.Variables.size(); ++k)
        alpha[e.Variables[k].Name] = c.Alpha[k];
      jc["alpha"] = alpha;
      if (e.Method == Method::Form && c.Check != "system") {
        Json point = Json::object();
        for (size_t k = 0; k < c.DesignPoint.size(); ++k) point[e.Variables[k].Name] = c.DesignPoint[k];
        jc["design_point"] = point;
        jc["analyses"] = c.Evaluations;
        jc["converged"] = c.Converged;
        jc["not_closed"] = c.NotClosed;
      }
      if (!c.Utilisations.Counts.empty())
        jc["utilisation_histogram"] = {
            {"low", c.Utilisations.Low}, {"width", c.Utilisations.Width}, {"counts", c.Utilisations.Counts}};
      checks.push_back(jc);
    }
    js["checks"] = checks;
    stages.push_back(js);
  }
  root["stages"] = stages;
  return root.dump(2) + "\n";
}

std::string EstimateCsv(const Estimate& e) {
  auto field = [](const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
  };
  std::string out = "stage,check,method,samples,failures,not_closed,pf,pf_low,pf_high,beta";
  for (const Variable& v : e.Variables) out += "," + field("alpha_" + v.Name);
  out += "\n";
  auto num = [](double x) { return std::isfinite(x) ? NumberText(x) : std::string(); };
  for (const StageEstimate& s : e.Stages)
    for (const CheckEstimate& c : s.Checks) {
      out += std::to_string(s.Stage) + "," + c.Check + "," + MethodName(e.Method) + "," +
             (e.Method == Method::Form ? std::string() : std::to_string(c.Samples)) + "," +
             (e.Method == Method::Form ? std::string() : std::to_string(c.Failures)) + "," +
             std::to_string(c.NotClosed) + "," + num(c.Pf) + "," + num(c.PfLow) + "," + num(c.PfHigh) + "," +
             num(c.Beta);
      for (size_t k = 0; k < e.Variables.size(); ++k)
        out += "," + (k < c.Alpha.size() ? num(c.Alpha[k]) : "");
      out += "\n";
    }
  return out;
}

std::string EstimateText(const Estimate& e) {
  const char* method = e.Method == Method::Form         ? "FORM"
                       : e.Method == Method::MonteCarlo ? "Monte Carlo"
                                                        : "Latin hypercube";
  std::string out = "reliability of " + e.Model + ": " + method;
  if (e.Method != Method::Form)
    out += ", " + std::to_string(e.Samples) + " samples, seed " + std::to_string(e.Seed);
  out += ", " + std::to_string(e.Analyses) + " analyses on " + std::to_string(e.Jobs) +
         (e.Jobs == 1 ? " thread, " : " threads, ") + FixedText(e.Seconds, 2) + " s (" +
         FixedText(e.Analyses > 0 ? 1000 * e.Seconds / e.Analyses : 0, 2) + " ms each)" +
         (e.StrengthReduction ? "" : ", without strength reduction") + "\n";
  for (const Variable& v : e.Variables)
    out += "  " + (v.Name == v.Target ? v.Target : v.Name + ": " + v.Target) + ", " +
           DistributionName(v.Dist.Kind) +
           (v.Dist.Kind == DistributionKind::Uniform
                ? " from " + NumberText(v.Dist.Lower) + " to " + NumberText(v.Dist.Upper)
                : " mean " + NumberText(v.Dist.Mean) + " sd " + NumberText(v.Dist.Sd)) +
           "\n";
  for (const StageEstimate& s : e.Stages) {
    out += "stage " + std::to_string(s.Stage) + ": " + std::to_string(s.NotClosed) +
           (e.Method == Method::Form ? " of the " + std::to_string(e.Analyses) + " analyses"
            : s.NotClosed == 1       ? " sample"
                                     : " samples") +
           " did not close\n";
    for (const CheckEstimate& c : s.Checks) {
      std::string line = "  " + c.Check + std::string(12 - std::min<size_t>(11, c.Check.size()), ' ');
      if (e.Method == Method::Form && c.Check == "system") {
        line += "Pf from " + ScientificText(c.PfLow, 2) + " to " + ScientificText(c.PfHigh, 2) +
                " (first-order series bounds)";
      } else {
        line += "Pf " + ScientificText(c.Pf, 2);
        if (e.Method != Method::Form)
          line += " [" + ScientificText(c.PfLow, 2) + ", " + ScientificText(c.PfHigh, 2) + "] (" +
                  std::to_string(c.Failures) + " failures)";
        line += "  beta " + (c.Pf == 0 ? std::string("infinite") : FixedText(c.Beta, 2));
        if (e.Method == Method::Form)
          line += ", " + std::to_string(c.Evaluations) + " analyses" + (c.Converged ? "" : ", not converged");
        std::string drivers;
        for (size_t k = 0; k < c.Alpha.size(); ++k)
          if (std::abs(c.Alpha[k]) >= 0.1)
            drivers += (drivers.empty() ? "" : ", ") + e.Variables[k].Name + " " + FixedText(c.Alpha[k], 2);
        if (!drivers.empty()) line += "  alpha: " + drivers;
      }
      out += line + "\n";
    }
  }
  return out;
}

StudyData ReadStudyWith(const std::string& model_text, const StudyOptions& options) {
  StudyData data = ReadStudy(model_text);
  if (!options.Method.empty() && !MethodByName(options.Method, data.Method))
    throw std::runtime_error("unknown method " + options.Method + " (mc, lhs or form)");
  if (options.Samples > 0) data.Samples = options.Samples;
  if (options.Seed >= 0) data.Seed = static_cast<uint64_t>(options.Seed);
  if (options.StrengthReduction >= 0) data.StrengthReduction = options.StrengthReduction != 0;
  return data;
}

Estimate RunStudy(const std::string& model_text, const StudyOptions& options, const Progress& progress) {
  const auto start = std::chrono::steady_clock::now();
  const Study study(model_text, ReadStudyWith(model_text, options));
  const StudyData& data = study.Data();
  Estimate e;
  if (data.Method == Method::Form) {
    e = FormEstimate(study, options.Jobs, progress);
  } else {
    const SamplePlan plan(data.Method, data.Samples, data.Seed, static_cast<int>(data.Variables.size()),
                          data.Correlation);
    e = Summarise(study, plan, EvaluateSamples(study, plan, 0, data.Samples, options.Jobs, progress));
  }
  e.Jobs = options.Jobs;
  e.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return e;
}

}  // namespace darnek::reliability
