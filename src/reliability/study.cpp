#include "reliability/study.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <map>
#include <ostream>
#include <sstream>
#include <stdexcept>

#include "darnek/darnek.h"
#include "driver/run.h"
#include "toml/field_table.h"
#include "toml/toml_input.h"
#include "toml/toml_place.h"

namespace darnek::reliability {

using toml_input::Place;
using toml_input::TomlError;
using toml_input::Where;

namespace {

[[noreturn]] void Fail(Place p, const std::string& path, const std::string& what) {
  throw TomlError(p.Line, p.Column, path, what);
}

// The tables a target names: the stages' (or the design data's) table or
// element. Empty when none has it.
std::vector<toml::table*> Holders(toml::table& root, const Variable& v) {
  std::vector<toml::table*> parents;
  if (v.Design) {
    if (toml::table* d = root["design"].as_table()) parents.push_back(d);
  } else if (toml::array* stages = root["stage"].as_array()) {
    for (toml::node& s : *stages)
      if (toml::table* t = s.as_table()) parents.push_back(t);
  }
  std::vector<toml::table*> out;
  for (toml::table* parent : parents) {
    toml::node* node = parent->get(v.Table);
    if (!node) continue;
    if (v.Index == 0) {
      if (toml::table* t = node->as_table()) out.push_back(t);
    } else if (toml::array* a = node->as_array(); a && static_cast<int>(a->size()) >= v.Index) {
      if (toml::table* t = a->get(static_cast<size_t>(v.Index - 1))->as_table()) out.push_back(t);
    }
  }
  return out;
}

// The value a variable sets: a number, or the first of an array of numbers
// (the value at a layer's top, the rest scaled with it).
bool FirstNumber(const toml::node* node, double& value) {
  if (!node) return false;
  if (auto v = node->value<double>()) {
    value = *v;
    return true;
  }
  if (const toml::array* a = node->as_array(); a && !a->empty())
    if (auto v = a->get(0)->value<double>()) {
      value = *v;
      return true;
    }
  return false;
}

void SetValue(toml::table& table, const std::string& key, double x) {
  toml::node* node = table.get(key);
  if (toml::array* a = node ? node->as_array() : nullptr) {
    const double top = a->get(0)->value<double>().value_or(0);
    const double ratio = top != 0 ? x / top : 1;
    for (size_t i = 0; i < a->size(); ++i) {
      const double old = a->get(i)->value<double>().value_or(0);
      a->replace(a->cbegin() + static_cast<std::ptrdiff_t>(i), i == 0 || top == 0 ? x : old * ratio);
    }
  } else {
    table.insert_or_assign(key, x);
  }
}

// The values a key can take: lengths, strengths, unit weights and
// stiffnesses are never negative; angles, distances and loads may be.
void Bounds(const std::string& key, double& low, double& high, bool& high_open) {
  low = 0;
  high = kInfinity;
  high_open = false;
  if (key == "friction_angle_deg") {
    high = 90;
    high_open = true;
    return;
  }
  for (const char* signed_word : {"angle", "slope", "distance", "load", "moment", "force"})
    if (key.find(signed_word) != std::string::npos) low = -kInfinity;
}

namespace ti = toml_input;

// The `[reliability]` table's keys are those of the field table's schema,
// which the page, the Python model and docs/input-toml.md are made from too:
// a key read here and nowhere described, or described and refused here,
// cannot happen.
const ti::Node& SchemaNode(ti::NodeKind kind, std::string_view key) {
  for (const ti::Node& n : ti::ReliabilitySchema())
    if (n.Kind == kind && (kind == ti::NodeKind::Rec || n.Key == key)) return n;
  throw std::logic_error("the reliability schema has no " + std::string(key));
}
const ti::Record& TableRecord() { return *SchemaNode(ti::NodeKind::Rec, {}).Record; }
const ti::Record& ElementRecord(std::string_view key) {
  return *SchemaNode(ti::NodeKind::Each, key).Children.front().Record;
}

const ti::Field* FieldOf(const ti::Record& r, std::string_view key) {
  for (const ti::Field& f : r.Items)
    if (f.Key == key) return &f;
  return nullptr;
}

// The arrays the table holds: the variables, the correlations and the matrix.
bool IsArrayKey(std::string_view key) {
  for (const ti::Node& n : ti::ReliabilitySchema())
    if (n.Kind != ti::NodeKind::Rec && n.Key == key) return true;
  return false;
}

// "method, samples, ..." for a message about an unknown key.
std::string KeyList(const ti::Record& r, bool with_arrays) {
  std::string out;
  for (const ti::Field& f : r.Items) out += (out.empty() ? "" : ", ") + std::string(f.Key);
  if (with_arrays)
    for (const ti::Node& n : ti::ReliabilitySchema()) {
      if (n.Kind == ti::NodeKind::Each) out += ", [[reliability." + std::string(n.Key) + "]]";
      if (n.Kind == ti::NodeKind::Rows) out += ", " + std::string(n.Key);
    }
  return out;
}

// A value of a key as the field table types it: a number, a whole number,
// true or false, a text, or one of the field's names.
struct Value {
  double Number = 0;
  bool Flag = false;
  std::string Text;
};

Value ReadValue(const toml::node& node, const ti::Field& f, const std::string& path) {
  Value v;
  const Place at = Where(node);
  switch (f.Type) {
    case ti::Type::Real: {
      const auto x = node.value<double>();
      if (!x || !std::isfinite(*x)) Fail(at, path, "must be a number");
      v.Number = *x;
      break;
    }
    case ti::Type::Integer: {
      const auto n = node.as_integer();
      if (!n) Fail(at, path, "must be a whole number");
      v.Number = static_cast<double>(n->get());
      break;
    }
    case ti::Type::Flag: {
      const auto b = node.value<bool>();
      if (!b) Fail(at, path, "must be true or false");
      v.Flag = *b;
      break;
    }
    case ti::Type::Code: {
      const auto s = node.value<std::string>();
      if (!s || !f.Codes->ByName(*s)) Fail(at, path, "expected " + f.Codes->Names());
      v.Text = *s;
      break;
    }
    case ti::Type::Text: {
      const auto s = node.value<std::string>();
      if (!s || s->empty()) Fail(at, path, "must be a text");
      v.Text = *s;
      break;
    }
    case ti::Type::Names: {  // the caller takes the names from the array
      const toml::array* a = node.as_array();
      if (!a || !a->is_homogeneous(toml::node_type::string)) Fail(at, path, "must be an array of names");
      break;
    }
  }
  return v;
}

std::string NumberText(double x) {
  std::ostringstream s;
  s << x;
  return s.str();
}

class Reader {
 public:
  explicit Reader(const std::string& text) {
    toml_input::CheckAsciiOutsideTexts(text);
    try {
      root_ = toml::parse(text);
    } catch (const toml::parse_error& e) {
      const auto& b = e.source().begin;
      throw TomlError(static_cast<int>(b.line), static_cast<int>(b.column), std::string(e.description()));
    }
  }

  StudyData Read() {
    const toml::node* node = root_.get("reliability");
    if (!node || !node->is_table()) Fail({1, 1}, "reliability", "the model has no `[reliability]` table");
    const toml::table& r = *node->as_table();
    StudyData data;
    // The table's defaults first, then what the model gives.
    for (const ti::Field& f : TableRecord().Items) {
      Value v;
      v.Number = f.Fallback.Value;
      v.Flag = f.Fallback.Value != 0;
      if (f.Type == ti::Type::Code) v.Text = f.Codes->ByNumber(static_cast<int>(f.Fallback.Value))->Name;
      Set(data, f, v, {1, 1}, "reliability, " + std::string(f.Key));
    }
    for (const auto& [key, value] : r) {
      const std::string k(key.str());
      const std::string path = "reliability, " + k;
      if (const ti::Field* f = FieldOf(TableRecord(), k)) {
        Set(data, *f, ReadValue(value, *f, path), Where(value), path);
      } else if (!IsArrayKey(k)) {
        Fail(Where(value), path, "unknown key (the table holds " + KeyList(TableRecord(), true) + ")");
      }
    }
    const toml::array* vars = r["variable"].as_array();
    if (!vars || vars->empty() || !vars->is_array_of_tables())
      Fail(Where(r), "reliability, variable",
           "give the uncertain inputs as `[[reliability.variable]]` tables");
    for (size_t i = 0; i < vars->size(); ++i)
      data.Variables.push_back(ReadVariable(*vars->get(i)->as_table(), static_cast<int>(i) + 1));
    ReadCorrelation(r, data);
    return data;
  }

 private:
  static void Set(StudyData& data, const ti::Field& f, const Value& v, Place at, const std::string& path) {
    const std::string_view item = f.Item;
    if (item == "Method") {
      if (!MethodByName(v.Text, data.Method)) throw std::logic_error("no method is named " + v.Text);
    } else if (item == "Samples") {
      if (v.Number < 1 || v.Number > 100000000)
        Fail(at, path, "must be a whole number of samples, 1 or more");
      data.Samples = static_cast<int>(v.Number);
    } else if (item == "Seed") {
      if (v.Number < 0) Fail(at, path, "must be a whole number, 0 or more");
      data.Seed = static_cast<uint64_t>(v.Number);
    } else if (item == "StrengthReduction") {
      data.StrengthReduction = v.Flag;
    } else if (item == "Confidence") {
      if (!(v.Number > 0 && v.Number < 1)) Fail(at, path, "must be a number between 0 and 1");
      data.Confidence = v.Number;
    } else {
      throw std::logic_error("the reliability reader does not read " + std::string(f.Key));
    }
  }

  Variable ReadVariable(const toml::table& t, int number) {
    const std::string path = "reliability, variable " + std::to_string(number);
    Variable v;
    std::string distribution;
    double cov = NAN;
    v.Dist.Mean = NAN;
    v.Dist.Sd = NAN;
    const ti::Record& record = ElementRecord("variable");
    for (const auto& [key, value] : t) {
      const std::string k(key.str());
      const ti::Field* f = FieldOf(record, k);
      if (!f)
        Fail(Where(value), path + ", " + k, "unknown key (a variable has " + KeyList(record, false) + ")");
      const Value x = ReadValue(value, *f, path + ", " + k);
      const std::string_view item = f->Item;
      if (item == "Name" || item == "Target" || item == "Distribution")
        (item == "Name" ? v.Name : item == "Target" ? v.Target : distribution) = x.Text;
      else if (item == "Mean" || item == "Sd" || item == "Cov" || item == "Lower" || item == "Upper")
        (item == "Mean"    ? v.Dist.Mean
         : item == "Sd"    ? v.Dist.Sd
         : item == "Cov"   ? cov
         : item == "Lower" ? v.Dist.Lower
                           : v.Dist.Upper) = x.Number;
      else
        throw std::logic_error("the reliability reader does not read a variable's " + k);
    }
    const Place at = Where(t);
    for (const ti::Field& f : record.Items)
      if (f.Fallback.Kind == ti::DefaultKind::Required && !t.contains(f.Key))
        Fail(at, path + ", " + std::string(f.Key),
             f.Type == ti::Type::Code ? "is needed: " + f.Codes->Names()
             : f.Item == "Target"     ? "is needed: \"soil_layer 1, friction_angle_deg\", ..."
                                      : "is needed");
    if (v.Name.empty()) v.Name = v.Target;  // its default, the target
    for (size_t k = 0; k < names_.size(); ++k)
      if (names_[k] == v.Name) Fail(at, path + ", name", "\"" + v.Name + "\" names another variable too");
    names_.push_back(v.Name);
    if (!DistributionKindByName(distribution, v.Dist.Kind))
      throw std::logic_error("no distribution is named " + distribution);
    ParseTarget(v, at, path + ", target");
    // The mean is the model's value unless given.
    double model_value = NAN;
    for (toml::table* h : Holders(root_, v))
      if (FirstNumber(h->get(v.Key), model_value)) break;
    if (std::isnan(model_value)) Fail(at, path + ", target", "the model gives no value for " + v.Target);
    if (std::isnan(v.Dist.Mean) && v.Dist.Kind != DistributionKind::Uniform) v.Dist.Mean = model_value;
    if (!std::isnan(cov)) {
      if (!std::isnan(v.Dist.Sd)) Fail(at, path + ", cov", "give sd or cov, not both");
      v.Dist.Sd = cov * std::abs(v.Dist.Mean);
    }
    if (const std::string problem = v.Dist.Problem(); !problem.empty())
      Fail(at, path + ", distribution", problem);
    double low = 0, high = 0;
    bool high_open = false;
    Bounds(v.Key, low, high, high_open);
    if (v.Dist.SupportLow() < low)
      Fail(at, path + ", distribution",
           "a " + std::string(DistributionName(v.Dist.Kind)) + " " + v.Key + " can be below " +
               NumberText(low) + ", which it cannot be: truncate it (truncated_normal with lower = " +
               NumberText(low) + ") or take a lognormal");
    if (v.Dist.SupportHigh() > high || (high_open && v.Dist.SupportHigh() >= high))
      Fail(at, path + ", distribution",
           "a " + std::string(DistributionName(v.Dist.Kind)) + " " + v.Key + " can reach " +
               NumberText(high) +
               " or more, which it cannot: truncate it (truncated_normal with upper below " +
               NumberText(high) + ")");
    return v;
  }

  // "soil_layer 2, shear_strength", "ground, water_depth_backfill",
  // "design.tie_back 1, capacity".
  static void ParseTarget(Variable& v, Place at, const std::string& path) {
    const size_t comma = v.Target.find(',');
    if (comma == std::string::npos)
      Fail(at, path, "expected \"TABLE [NUMBER], KEY\", such as \"soil_layer 1, friction_angle_deg\"");
    std::string table = v.Target.substr(0, comma);
    v.Key = v.Target.substr(comma + 1);
    auto trim = [](std::string& s) {
      s.erase(0, s.find_first_not_of(' '));
      s.erase(s.find_last_not_of(' ') + 1);
    };
    trim(table);
    trim(v.Key);
    if (table.rfind("design.", 0) == 0) {
      v.Design = true;
      table = table.substr(7);
    }
    const size_t space = table.find(' ');
    if (space != std::string::npos) {
      const std::string number = table.substr(space + 1);
      char* end = nullptr;
      const long n = std::strtol(number.c_str(), &end, 10);
      if (number.empty() || *end != '\0' || n < 1)
        Fail(at, path, "\"" + number + "\" is not a number 1 or more");
      v.Index = static_cast<int>(n);
      table = table.substr(0, space);
    }
    v.Table = table;
    if (v.Table.empty() || v.Key.empty()) Fail(at, path, "expected \"TABLE [NUMBER], KEY\"");
  }

  void ReadCorrelation(const toml::table& r, StudyData& data) {
    const size_t n = data.Variables.size();
    auto identity = [n] {
      std::vector<std::vector<double>> c(n, std::vector<double>(n, 0.0));
      for (size_t i = 0; i < n; ++i) c[i][i] = 1;
      return c;
    };
    if (const toml::node* m = r.get("correlation_matrix")) {
      const std::string path = "reliability, correlation_matrix";
      const toml::array* rows = m->as_array();
      if (!rows || rows->size() != n)
        Fail(Where(*m), path, "must be " + std::to_string(n) + " rows, one a variable");
      data.Correlation = identity();
      for (size_t i = 0; i < n; ++i) {
        const toml::array* row = rows->get(i)->as_array();
        if (!row || row->size() != n)
          Fail(Where(*m), path,
               "row " + std::to_string(i + 1) + " must hold " + std::to_string(n) + " numbers");
        for (size_t j = 0; j < n; ++j) {
          const auto x = row->get(j)->value<double>();
          if (!x || std::abs(*x) > 1 || (i == j && *x != 1))
            Fail(Where(*row->get(j)), path, "numbers from -1 to 1, and 1 on the diagonal");
          data.Correlation[i][j] = *x;
        }
      }
      for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < i; ++j)
          if (data.Correlation[i][j] != data.Correlation[j][i]) Fail(Where(*m), path, "must be symmetric");
    }
    if (const toml::array* pairs = r["correlation"].as_array()) {
      if (data.Correlation.empty()) data.Correlation = identity();
      for (size_t p = 0; p < pairs->size(); ++p) {
        const std::string path = "reliability, correlation " + std::to_string(p + 1);
        const toml::table* t = pairs->get(p)->as_table();
        if (!t) Fail(Where(*pairs), path, "must be a table with variables and rho");
        const ti::Record& record = ElementRecord("correlation");
        for (const auto& [key, value] : *t) {
          const std::string k(key.str());
          const ti::Field* f = FieldOf(record, k);
          if (!f)
            Fail(Where(value), path + ", " + k,
                 "unknown key (a correlation has " + KeyList(record, false) + ")");
          ReadValue(value, *f, path + ", " + k);
        }
        const toml::array* names = (*t)["variables"].as_array();
        const auto rho = (*t)["rho"].value<double>();
        if (!names || names->size() != 2) Fail(Where(*t), path + ", variables", "must name two variables");
        if (!rho || std::abs(*rho) >= 1) Fail(Where(*t), path + ", rho", "must be a number between -1 and 1");
        size_t index[2];
        for (size_t k = 0; k < 2; ++k) {
          const auto name = names->get(k)->value<std::string>();
          const auto found = name ? std::find(names_.begin(), names_.end(), *name) : names_.end();
          if (found == names_.end())
            Fail(Where(*names->get(k)), path + ", variables", "names no variable: " + name.value_or("?"));
          index[k] = static_cast<size_t>(found - names_.begin());
        }
        if (index[0] == index[1]) Fail(Where(*t), path + ", variables", "must name two different variables");
        data.Correlation[index[0]][index[1]] = data.Correlation[index[1]][index[0]] = *rho;
      }
    }
    if (!data.Correlation.empty() && Cholesky(data.Correlation).empty())
      Fail(Where(r), "reliability, correlation",
           "the correlations are not positive definite (no such set of "
           "variables exists)");
  }

  toml::table root_;
  std::vector<std::string> names_;
};

}  // namespace

StudyData ReadStudy(const std::string& model_text) { return Reader(model_text).Read(); }

const char* CheckName(int kind) {
  static const char* const names[] = {"section", "embedment", "strength", "tie_backs", "deflection"};
  return kind >= 0 && kind < kCheckKinds ? names[kind] : "system";
}

struct Study::Model {
  toml::table Root;  // without [reliability]
  mutable std::ostream Discard{nullptr};
};

namespace {

double Largest(double a, double b) {
  if (std::isnan(a)) return b;
  if (std::isnan(b)) return a;
  return std::max(a, b);
}

StageOutcome OutcomeOf(const StageChecks& c) {
  StageOutcome s;
  s.Utilisation.fill(NAN);
  s.Closed = c.Checked;
  if (!c.Checked) return s;
  auto u = [](const Check& k) { return k.Checked ? k.Utilisation : NAN; };
  s.Utilisation[Section] = Largest(u(c.Bending), u(c.Shear));
  s.Utilisation[Embedment] = u(c.Embedment);
  s.Utilisation[Strength] = u(c.Strength);
  for (const TieBackCheck& t : c.TieBacks) s.Utilisation[TieBacks] = Largest(s.Utilisation[TieBacks], u(t));
  s.Utilisation[Deflection] = u(c.Deflection);
  return s;
}

}  // namespace

Study::Study(const std::string& model_text, StudyData data) : model_(new Model), data_(std::move(data)) {
  toml_input::CheckAsciiOutsideTexts(model_text);
  model_->Root = toml::parse(model_text);
  model_->Root.erase("reliability");
  if (!model_->Root.get("design"))
    throw std::runtime_error("the model has no [design] table: nothing to check");
  // The model as given, with its own values: which checks each stage makes.
  nominal_ = Evaluate({});
  if (nominal_.empty()) throw std::runtime_error("the model as given cannot be analysed");
}

Study::~Study() = default;

bool Study::Follows(int stage, int kind) const {
  return stage >= 0 && stage < Stages() &&
         !std::isnan(nominal_[static_cast<size_t>(stage)].Utilisation[kind]);
}

std::vector<double> Study::Values(const std::vector<double>& y) const {
  std::vector<double> x(y.size());
  for (size_t k = 0; k < y.size(); ++k) x[k] = data_.Variables[k].Dist.FromStandard(y[k]);
  return x;
}

Outcome Study::Evaluate(const std::vector<double>& values) const {
  toml::table root = model_->Root;
  for (size_t k = 0; k < values.size(); ++k)
    for (toml::table* t : Holders(root, data_.Variables[k])) SetValue(*t, data_.Variables[k].Key, values[k]);
  std::ostringstream text;
  text << toml::toml_formatter(root);
  const toml_input::Records records = toml_input::TomlToRecords(text.str());
  RunOptions options = DiscardedRunOptions("reliability", &model_->Discard, records.Text);
  options.StageMemory = records.StageMemory;
  options.UnloadFactor = records.UnloadFactor;
  options.CurveSpacing = records.CurveSpacing;
  options.Design = records.Design;
  if (options.Design && !data_.StrengthReduction) options.Design->StrengthReduction = false;
  const RunResult result = Run(options);
  const size_t stages = nominal_.empty() ? result.Stages.size() : nominal_.size();
  Outcome out(stages);
  for (StageOutcome& s : out) s.Utilisation.fill(NAN);
  for (const StageChecks& c : result.Checks)
    if (c.Stage >= 1 && static_cast<size_t>(c.Stage) <= stages)
      out[static_cast<size_t>(c.Stage - 1)] = OutcomeOf(c);
  return out;
}

bool Fails(const StageOutcome& stage, int kind) { return !stage.Closed || stage.Utilisation[kind] > 1; }

bool SystemFails(const Study& study, const StageOutcome& stage, int stage_index) {
  if (!stage.Closed) return true;
  for (int k = 0; k < kCheckKinds; ++k)
    if (study.Follows(stage_index, k) && stage.Utilisation[k] > 1) return true;
  return false;
}

}  // namespace darnek::reliability
