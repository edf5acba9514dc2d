// A reliability study of a wall: the uncertain inputs of the model's
// `[reliability]` table, each sample's values put into the model, the model
// analysed with its design checks, and what each stage's checks gave.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "reliability/distributions.h"
#include "reliability/methods.h"

namespace darnek::reliability {

// One uncertain input: a value of the model, in every stage that has it (a
// soil layer varies as a whole), or of the design data.
struct Variable {
  std::string Name;
  std::string Target;  // as given: "soil_layer 2, shear_strength", "design.tie_back 1, capacity"
  bool Design = false;
  std::string Table;  // "soil_layer", "ground", "tie_back", ...
  int Index = 0;      // 1-based element of an array of tables; 0 for a table
  std::string Key;
  Distribution Dist;
};

struct StudyData {
  std::vector<Variable> Variables;
  // Of the standard normals behind the variables; empty: independent.
  std::vector<std::vector<double>> Correlation;
  reliability::Method Method = reliability::Method::LatinHypercube;
  int Samples = 1000;
  uint64_t Seed = 1;
  bool StrengthReduction = true;
  double Confidence = 0.95;
};

// The `[reliability]` table of a model's TOML text, every variable checked
// against the model; throws toml_input::TomlError naming the key.
StudyData ReadStudy(const std::string& model_text);

// The checks a study follows, in this order, and the stage as a system.
enum CheckKind { Section, Embedment, Strength, TieBacks, Deflection };
inline constexpr int kCheckKinds = Deflection + 1;
const char* CheckName(int kind);  // "section", "embedment", "strength", "tie_backs", "deflection"

struct StageOutcome {
  bool Closed = false;
  // NaN: not checked in this sample.
  std::array<double, kCheckKinds> Utilisation{};
};
using Outcome = std::vector<StageOutcome>;  // per stage

class Study {
 public:
  // Analyses the model as given once; throws std::runtime_error when it
  // cannot be analysed or has no design checks.
  Study(const std::string& model_text, StudyData data);
  ~Study();
  const StudyData& Data() const { return data_; }
  int Stages() const { return static_cast<int>(nominal_.size()); }
  const Outcome& Nominal() const { return nominal_; }
  // Whether the check is made in the stage in the analysis as given.
  bool Follows(int stage, int kind) const;
  // The variables' values for correlated standard normals y.
  std::vector<double> Values(const std::vector<double>& y) const;
  // One analysis with these values; safe on any number of threads at once.
  Outcome Evaluate(const std::vector<double>& values) const;

 private:
  struct Model;
  std::unique_ptr<Model> model_;
  StudyData data_;
  Outcome nominal_;
};

// A stage fails a check when it did not close or the utilisation is above 1.
bool Fails(const StageOutcome& stage, int kind);
// The stage as a system: it did not close, or any check it follows fails.
bool SystemFails(const Study& study, const StageOutcome& stage, int stage_index);

}  // namespace darnek::reliability
