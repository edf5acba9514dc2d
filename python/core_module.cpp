// darnek._core: the engine inside a Python process. The Python package
// (python/darnek) builds on these few functions; they take and give plain
// texts, dicts and lists so that the package alone decides what users see.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <stdlib.h>
#include <toml++/toml.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "core/input_file.h"
#include "darnek/darnek.h"
#include "reliability/estimate.h"
#include "toml/field_table.h"
#include "toml/toml_input.h"

namespace py = pybind11;
namespace fs = std::filesystem;
namespace ti = darnek::toml_input;

namespace {

// An input error as the package's InputError carries it.
struct ErrorInfo {
  std::string Message;
  int Line = 0;
  int Column = 0;
  std::string Item;  // key path: "stage 1, soil_layer 2, friction_angle_deg"
  std::string Detail;
};

py::object ToPython(const std::optional<ErrorInfo>& e) {
  if (!e) return py::none();
  py::dict d;
  d["message"] = e->Message;
  d["line"] = e->Line;
  d["column"] = e->Column;
  d["item"] = e->Item;
  d["detail"] = e->Detail;
  return d;
}

ErrorInfo FromTomlError(const ti::TomlError& e) {
  ErrorInfo info;
  info.Message = e.what();
  info.Line = e.line();
  info.Column = e.column();
  info.Item = e.path();
  const std::string prefix = "line " + std::to_string(e.line()) + ", column " + std::to_string(e.column()) +
                             ": " + (e.path().empty() ? "" : e.path() + ": ");
  info.Detail = info.Message.rfind(prefix, 0) == 0 ? info.Message.substr(prefix.size()) : info.Message;
  return info;
}

// The leading "line N" of a record reader's message, else 0.
int LineOf(const std::string& message) {
  if (message.rfind("line ", 0) != 0) return 0;
  int line = 0;
  for (size_t i = 5; i < message.size() && message[i] >= '0' && message[i] <= '9'; ++i)
    line = line * 10 + (message[i] - '0');
  return line;
}

// (records text, None) or (None, error).
py::tuple TomlToRecords(const std::string& toml_text) {
  std::string records;
  std::optional<ErrorInfo> error;
  {
    py::gil_scoped_release release;
    try {
      records = ti::TomlToRecords(toml_text).Text;
    } catch (const ti::TomlError& e) {
      error = FromTomlError(e);
    }
  }
  if (error) return py::make_tuple(py::none(), ToPython(error));
  return py::make_tuple(records, py::none());
}

// (TOML text, None) or (None, error).
// A file's bytes read through the engine's checks of every input: a regular
// file (a pipe or a device is refused at once), of at most the documented
// size, lines bounded. (bytes, None), or (None, the reason).
py::tuple ReadInput(const std::string& path) {
  darnek::WholeInput in;
  {
    py::gil_scoped_release release;
    in = darnek::ReadInputFile("input file", path);
  }
  if (!in) return py::make_tuple(py::none(), in.Problem);
  return py::make_tuple(py::bytes(in.Text), py::none());
}

py::tuple RecordsToToml(const std::string& records_text, const std::string& source_name) {
  std::string toml_text;
  std::optional<ErrorInfo> error;
  {
    py::gil_scoped_release release;
    try {
      std::istringstream in(records_text);
      toml_text = ti::RecordsToToml(in, source_name);
    } catch (const std::exception& e) {
      ErrorInfo info;
      info.Message = e.what();
      info.Line = LineOf(info.Message);
      info.Detail = info.Message;
      error = info;
    }
  }
  if (error) return py::make_tuple(py::none(), ToPython(error));
  return py::make_tuple(toml_text, py::none());
}

// A Python value as a TOML node; None is left out by the caller.
std::unique_ptr<toml::node> ToNode(py::handle value, const std::string& path);

std::unique_ptr<toml::table> ToTable(py::handle value, const std::string& path) {
  auto table = std::make_unique<toml::table>();
  for (auto [k, v] : py::reinterpret_borrow<py::dict>(value)) {
    if (!py::isinstance<py::str>(k))
      throw py::type_error(path + ": a key that is not a text: " + py::repr(k).cast<std::string>());
    if (v.is_none()) continue;
    const std::string key = k.cast<std::string>();
    auto node = ToNode(v, path.empty() ? key : path + "." + key);
    if (node) table->insert(key, std::move(*node));
  }
  return table;
}

std::unique_ptr<toml::node> ToNode(py::handle value, const std::string& path) {
  if (py::isinstance<py::bool_>(value)) return std::make_unique<toml::value<bool>>(value.cast<bool>());
  if (PyLong_Check(value.ptr())) return std::make_unique<toml::value<int64_t>>(value.cast<int64_t>());
  if (PyFloat_Check(value.ptr())) {
    const double v = value.cast<double>();
    if (!std::isfinite(v)) throw py::value_error(path + ": a number that is not finite");
    return std::make_unique<toml::value<double>>(v);
  }
  if (py::isinstance<py::str>(value))
    return std::make_unique<toml::value<std::string>>(value.cast<std::string>());
  if (py::isinstance<py::dict>(value)) return ToTable(value, path);
  if (py::isinstance<py::list>(value) || py::isinstance<py::tuple>(value)) {
    auto array = std::make_unique<toml::array>();
    size_t i = 0;
    for (py::handle element : value) {
      auto node = ToNode(element, path + "[" + std::to_string(i++) + "]");
      if (node) array->push_back(std::move(*node));
    }
    return array;
  }
  // numpy scalars and other numbers.
  if (PyIndex_Check(value.ptr()))
    return std::make_unique<toml::value<int64_t>>(
        py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr())).cast<int64_t>());
  if (py::hasattr(value, "__float__"))
    return ToNode(py::float_(py::reinterpret_borrow<py::object>(value)), path);
  throw py::type_error(path + ": a value TOML cannot hold: " + py::repr(value).cast<std::string>());
}

bool WordChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '-' ||
         c == '+' || c == '.';
}

// toml++ writes every float with 17 significant digits (7.9400000000000004);
// the shortest text that reads back to the same value is the one to read.
// Strings are written as basic strings, so a quote and a backslash escape
// are all there is to skip.
std::string ShortestFloats(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '"') {
      size_t j = i + 1;
      while (j < text.size() && text[j] != '"') j += text[j] == '\\' ? 2 : 1;
      j = std::min(j + 1, text.size());
      out.append(text, i, j - i);
      i = j;
      continue;
    }
    if (!WordChar(c) || (i > 0 && WordChar(text[i - 1]))) {
      out += c;
      ++i;
      continue;
    }
    size_t j = i;
    while (j < text.size() && WordChar(text[j])) ++j;
    const std::string_view word(text.data() + i, j - i);
    double value = 0;
    const char* first = word.data() + (word[0] == '+' ? 1 : 0);
    const auto parsed = std::from_chars(first, word.data() + word.size(), value);
    const bool is_float = word.find_first_of(".eE") != std::string_view::npos &&
                          (word[0] == '-' || word[0] == '+' || (word[0] >= '0' && word[0] <= '9'));
    if (is_float && parsed.ec == std::errc() && parsed.ptr == word.data() + word.size() &&
        std::isfinite(value))
      out += ti::RealText(value);
    else
      out += word;
    i = j;
  }
  return out;
}

std::string DictToToml(const py::dict& data) {
  const std::unique_ptr<toml::table> table = ToTable(data, "");
  std::ostringstream out;
  const toml::format_flags flags = toml::toml_formatter::default_flags & ~toml::format_flags::indentation &
                                   ~toml::format_flags::allow_literal_strings &
                                   ~toml::format_flags::allow_multi_line_strings;
  out << toml::toml_formatter(*table, flags);
  return ShortestFloats(out.str()) + "\n";
}

// Every TOML table of the input and its keys: "value", "rows", "tables" (an
// array of tables) or "table" (a sub-table such as `ground`).
class SchemaWalker {
 public:
  py::dict Make() {
    Key("", "units", "value");
    Key("", "stage_memory", "value");
    Key("", "unload_factor", "value");
    Key("", "curve_spacing", "value");
    Key("", "stage", "tables");
    Key("stage", "units", "value");
    Walk(ti::StageSchema(), "stage");
    Key("", "design", "table");
    Walk(ti::DesignSchema(), "design");
    // The uncertain inputs of `darnek.reliability` (docs/reliability.md).
    Key("", "reliability", "table");
    Walk(ti::ReliabilitySchema(), "reliability");
    py::dict out;
    for (const auto& [table, keys] : tables_) {
      py::dict d;
      for (const auto& [k, kind] : keys) d[py::str(k)] = kind;
      out[py::str(table)] = d;
    }
    return out;
  }

 private:
  // A dotted key lands in its sub-table, which its parent holds as a table.
  void Key(const std::string& table, std::string_view key, const char* kind) {
    std::string holder = table;
    std::string_view rest = key;
    for (size_t dot = rest.find('.'); dot != std::string_view::npos; dot = rest.find('.')) {
      const std::string part(rest.substr(0, dot));
      tables_[holder].emplace(part, "table");
      holder += (holder.empty() ? "" : ".") + part;
      rest.remove_prefix(dot + 1);
    }
    tables_[holder][std::string(rest)] = kind;
  }

  void Walk(const std::vector<ti::Node>& nodes, const std::string& table) {
    for (const ti::Node& n : nodes) {
      switch (n.Kind) {
        case ti::NodeKind::Rec:
          for (const ti::Field& f : n.Record->Items) {
            const bool keyed = f.From == ti::From::Key || f.From == ti::From::Case ||
                               f.From == ti::From::Tapered || f.From == ti::From::CountOrRows;
            if (!keyed || f.Key.empty()) continue;
            Key(table, f.Key, "value");
            if (!f.AltKey.empty()) Key(table, f.AltKey, "value");
          }
          break;
        case ti::NodeKind::Each:
          Key(table, n.Key, "tables");
          Walk(n.Children, table + "." + std::string(n.Key));
          break;
        case ti::NodeKind::Rows:
          Key(table, n.Key, "rows");
          break;
        case ti::NodeKind::When:
          Walk(n.Children, table);
          break;
      }
    }
  }

  std::map<std::string, std::map<std::string, std::string>> tables_;
};

py::dict Summary(const darnek::StageSummary& s) {
  py::dict d;
  d["stage"] = s.Stage;
  d["outcome"] = s.Outcome;
  d["solved"] = s.Solved;
  d["iterations"] = s.Iterations;
  d["unit_flag"] = s.UnitFlag;
  d["max_deflection"] = s.MaxDeflection;
  d["max_deflection_depth"] = s.MaxDeflectionDepth;
  d["max_moment"] = s.MaxMoment;
  d["max_moment_depth"] = s.MaxMomentDepth;
  d["excavation_depth"] = s.ExcavationDepth;
  py::list ties;
  for (const darnek::TieBackSummary& t : s.TieBacks) {
    py::dict td;
    td["number"] = t.Number;
    td["station"] = t.Station;
    td["depth"] = t.Depth;
    td["force_per_tie_back"] = t.ForcePerTieBack;
    ties.append(td);
  }
  d["tie_backs"] = ties;
  return d;
}

// A copy of the values as a numpy array, made in one block.
template <typename T>
py::array_t<T> Array(const std::vector<T>& values) {
  return py::array_t<T>(static_cast<py::ssize_t>(values.size()), values.data());
}

py::dict Units(const darnek::ResultUnits& u) {
  py::dict d;
  d["depth"] = u.Depth;
  d["deflection"] = u.Deflection;
  d["slope"] = u.Slope;
  d["moment"] = u.Moment;
  d["shear"] = u.Shear;
  d["soil_reaction"] = u.SoilReaction;
  d["net_force"] = u.NetForce;
  d["ei"] = u.Ei;
  d["force"] = u.Force;
  d["pressure"] = u.Pressure;
  d["py_y"] = u.PyY;
  d["py_p"] = u.PyP;
  return d;
}

// The arrays of a stage, added to its summary. The summary's tie-backs gain
// the forces per station of the solved stage.
void AddResults(const darnek::StageResults& r, py::dict& d) {
  d["unit_system"] = r.UnitSystem;
  d["units"] = Units(r.Units);
  const darnek::StationTable& t = r.Stations;
  py::dict stations;
  stations["station"] = Array(t.Station);
  stations["depth"] = Array(t.Depth);
  stations["deflection"] = Array(t.Deflection);
  stations["slope"] = Array(t.Slope);
  stations["moment"] = Array(t.Moment);
  stations["shear"] = Array(t.Shear);
  stations["soil_reaction"] = Array(t.SoilReaction);
  stations["net_force"] = Array(t.NetForce);
  stations["ei"] = Array(t.Ei);
  d["stations"] = stations;

  py::list ties = d["tie_backs"];
  for (py::handle tie : ties) {
    py::dict td = py::reinterpret_borrow<py::dict>(tie);
    const int number = td["number"].cast<int>();
    const auto found = std::find_if(r.TieBacks.begin(), r.TieBacks.end(),
                                    [number](const darnek::TieBackResult& x) { return x.Number == number; });
    const double nan = std::nan("");
    td["horizontal_force_per_station"] = found != r.TieBacks.end() ? found->HorizontalForcePerStation : nan;
    td["force_per_station"] = found != r.TieBacks.end() ? found->ForcePerStation : nan;
  }

  const darnek::PressureDiagram& p = r.Pressure;
  py::dict pressure;
  pressure["depth"] = Array(p.Depth);
  pressure["load_per_station"] = Array(p.LoadPerStation);
  pressure["active_with_water"] = Array(p.ActiveWithWater);
  pressure["surcharge"] = Array(p.Surcharge);
  pressure["passive"] = Array(p.Passive);
  pressure["at_rest"] = Array(p.AtRest);
  pressure["active"] = Array(p.Active);
  pressure["water"] = Array(p.Water);
  pressure["surface_share"] = Array(p.SurfaceShare);
  pressure["surcharge_loads"] = Array(p.SurchargeLoads);
  pressure["apparent"] = Array(p.Apparent);
  pressure["total"] = Array(p.Total);
  d["pressure"] = pressure;

  py::list curves;
  for (const darnek::PyCurveResult& c : r.PyCurves) {
    py::dict cd;
    cd["source"] = c.Generated ? "generated" : "user";
    cd["station"] = c.Station;
    cd["depth"] = c.Depth;
    cd["y"] = Array(c.Y);
    cd["p"] = Array(c.P);
    curves.append(cd);
  }
  d["py_curves"] = curves;

  py::list history;
  for (const darnek::IterationRecord& h : r.History) {
    py::dict hd;
    hd["iteration"] = h.Iteration;
    hd["changed_stations"] = h.ChangedStations;
    hd["max_change"] = h.MaxChange;
    hd["deflections"] =
        py::make_tuple(h.Deflections[0], h.Deflections[1], h.Deflections[2], h.Deflections[3]);
    history.append(hd);
  }
  d["history"] = history;
}

py::dict CheckDict(const std::string& name, const darnek::Check& c) {
  py::dict d;
  d["name"] = name;
  d["checked"] = c.Checked;
  d["demand"] = c.Demand;
  d["resistance"] = c.Resistance;
  d["utilisation"] = c.Utilisation;
  d["unit"] = c.Unit;
  d["depth"] = c.Depth;
  d["note"] = c.Note;
  d["combination"] = c.Combination;
  return d;
}

py::dict SafetyDict(const std::string& name, const darnek::SafetyCheck& c) {
  py::dict d = CheckDict(name, c);
  d["factor_of_safety"] = c.FactorOfSafety;
  d["required_factor"] = c.RequiredFactor;
  d["definition"] = c.Definition;
  d["method"] = c.Method;
  py::dict extra;
  extra["embedment"] = c.Embedment;
  extra["required_embedment"] = c.RequiredEmbedment;
  extra["required_found"] = c.RequiredFound;
  extra["pivot_depth"] = c.PivotDepth;
  extra["support_force"] = c.SupportForce;
  extra["beyond_search"] = c.BeyondSearch;
  extra["analyses"] = c.Analyses;
  d["extra"] = extra;
  return d;
}

py::dict SectionDict(const std::string& name, const darnek::SectionCheck& c) {
  py::dict d = CheckDict(name, c);
  py::dict extra;
  extra["cross_section"] = c.CrossSection;
  extra["axial_force"] = c.AxialForce;
  extra["per_pile"] = c.PerPile;
  d["extra"] = extra;
  return d;
}

py::dict StageChecksDict(const darnek::StageChecks& c) {
  py::dict d;
  d["stage"] = c.Stage;
  d["verdict"] = c.Verdict;
  d["utilisation"] = c.Utilisation;
  d["governing"] = c.Governing;
  d["note"] = c.Note;
  d["depth_unit"] = c.DepthUnit;
  d["verdict_line"] = darnek::VerdictLine(c);
  py::list checks;
  if (c.Checked) {
    checks.append(SectionDict("bending", c.Bending));
    checks.append(SectionDict("shear", c.Shear));
    checks.append(SafetyDict("embedment", c.Embedment));
    checks.append(SafetyDict("strength", c.Strength));
    for (const darnek::TieBackCheck& t : c.TieBacks) {
      py::dict td = CheckDict("tie-back", t);
      td["number"] = t.Number;
      py::dict extra;
      extra["angle_deg"] = t.Angle;
      extra["vertical_force"] = t.VerticalForce;
      extra["vertical_force_per_width"] = t.VerticalForcePerWidth;
      extra["governs"] = t.Governs;
      td["extra"] = extra;
      checks.append(td);
    }
    checks.append(CheckDict("deflection", c.Deflection));
  }
  d["checks"] = checks;
  d["combination"] = c.Combination;
  d["analysis"] = c.Analysis;
  py::list combinations;
  for (const darnek::StageChecks& k : c.Combinations) combinations.append(StageChecksDict(k));
  d["combinations"] = combinations;
  return d;
}

py::dict DesignDict(const darnek::DesignSummary& s) {
  py::dict d;
  d["method"] = s.Method;
  d["embedment_definition"] = s.EmbedmentDefinition;
  d["modulus_basis"] = s.ModulusBasis;
  py::dict factors;
  for (const darnek::DesignFactorValue& f : s.Factors) factors[py::str(f.Key)] = f.Value;
  d["factors"] = factors;
  py::list given;
  for (const darnek::DesignFactorValue& f : s.Factors)
    if (f.Given) given.append(f.Key);
  d["given"] = given;
  py::list governing;
  for (const darnek::GoverningCheck& g : s.Governing) {
    py::dict gd;
    gd["check"] = g.Check;
    gd["stage"] = g.Stage;
    gd["utilisation"] = g.Utilisation;
    gd["depth"] = g.Depth;
    gd["depth_unit"] = g.DepthUnit;
    gd["combination"] = g.Combination;
    governing.append(gd);
  }
  d["governing"] = governing;
  d["verdict"] = s.Verdict;
  d["unused"] = s.Unused;
  d["approach"] = s.Approach;
  py::dict partial;
  for (const darnek::DesignFactorValue& f : s.PartialFactors) partial[py::str(f.Key)] = f.Value;
  d["partial_factors"] = partial;
  return d;
}

// Analyses a TOML text. `outputs` maps "report", "plot", "log", "py_scratch"
// and "pressure_scratch" to the files the caller wants kept. `input_file` is
// the file the text was read from, if any, else `name`; the report names it,
// and the engine reads the text, never that file.
py::dict RunToml(const std::string& toml_text, const std::string& input_file, const std::string& name,
                 const py::dict& outputs) {
  std::map<std::string, std::string> wanted;
  for (auto [k, v] : outputs)
    if (!v.is_none()) wanted[k.cast<std::string>()] = py::str(v).cast<std::string>();

  darnek::RunResult result;
  std::optional<ErrorInfo> input_error;
  std::string console_text;
  {
    py::gil_scoped_release release;
    std::shared_ptr<const ti::Records> records;
    try {
      records = std::make_shared<const ti::Records>(ti::TomlToRecords(toml_text));
    } catch (const ti::TomlError& e) {
      input_error = FromTomlError(e);
      result.Status = DARNEK_INPUT_REJECTED;
      result.Message = e.what();
    }
    if (records) {
      // Outputs nobody asked for are discarded: a run touches no file unless told to.
      darnek::RunOptions options;
      darnek::FileNames files;
      // The input's name only labels the report; the engine reads the text.
      files.Input = input_file.empty() ? name : input_file;
      auto file = [&](const char* key, darnek::OutputMode& mode, const char* ext) {
        const auto it = wanted.find(key);
        if (it != wanted.end()) return it->second;
        mode = darnek::OutputMode::Discard;
        return std::string("run") + ext;
      };
      files.Report = file("report", options.Outputs.Report, ".out");
      files.Plot = file("plot", options.Outputs.Plot, ".plt");
      files.RunLog = file("log", options.Outputs.RunLog, ".log");
      files.PyScratch = file("py_scratch", options.Outputs.PyScratch, ".pyscratch");
      files.PressureScratch = file("pressure_scratch", options.Outputs.PressureScratch, ".epscratch");

      std::ostringstream console;
      options.Files = files;
      options.VersionText = darnek::Version();
      options.Console = &console;
      options.InputText = records->Text;
      options.KeepResults = true;
      options.StageMemory = records->StageMemory;
      options.UnloadFactor = records->UnloadFactor;
      options.CurveSpacing = records->CurveSpacing;
      options.Design = records->Design;
      options.DescribeInputError = [&records, &input_error](const darnek::InputErrorPlace& place) {
        const ti::TomlPlace p = ti::LocateInToml(*records, place);
        ErrorInfo info;
        info.Message = ti::DescribeInTomlTerms(*records, place);
        info.Line = p.Line;
        info.Column = p.Column;
        info.Item = p.Key.empty() ? p.Path : p.Path + ", " + p.Key;
        info.Detail = p.Detail;
        input_error = info;
        return info.Message;
      };
      result = darnek::Run(options);
      console_text = console.str();
    }
  }
  // The place described last may be a warning's: the error is the run's own
  // message when that is not the one described (a data error the report names).
  if (result.Status == DARNEK_INPUT_REJECTED && (!input_error || input_error->Message != result.Message)) {
    ErrorInfo info;
    info.Message = info.Detail = result.Message;
    input_error = info;
  }
  py::dict out;
  out["status"] = result.Status;
  out["stop_code"] = result.StopCode;
  out["message"] = result.Message;
  out["console"] = console_text;
  out["input_error"] = result.Status == DARNEK_INPUT_REJECTED ? ToPython(input_error) : py::none();
  py::list stages;
  for (size_t i = 0; i < result.Stages.size(); ++i) {
    py::dict stage = Summary(result.Stages[i]);
    if (i < result.Results.size()) AddResults(result.Results[i], stage);
    stages.append(stage);
  }
  out["stages"] = stages;
  py::list checks;
  for (const darnek::StageChecks& c : result.Checks) checks.append(StageChecksDict(c));
  out["checks"] = checks;
  out["design"] =
      result.Design.Method.empty() ? py::object(py::none()) : py::object(DesignDict(result.Design));
  return out;
}

// ------------------------------------------------------------ reliability

namespace rel = darnek::reliability;

rel::StudyOptions StudyOptionsOf(const py::dict& o) {
  rel::StudyOptions s;
  if (o.contains("method") && !o["method"].is_none()) s.Method = o["method"].cast<std::string>();
  if (o.contains("samples") && !o["samples"].is_none()) s.Samples = o["samples"].cast<int>();
  if (o.contains("seed") && !o["seed"].is_none()) s.Seed = o["seed"].cast<int64_t>();
  if (o.contains("strength_reduction") && !o["strength_reduction"].is_none())
    s.StrengthReduction = o["strength_reduction"].cast<bool>() ? 1 : 0;
  if (o.contains("jobs") && !o["jobs"].is_none()) s.Jobs = std::max(1, o["jobs"].cast<int>());
  return s;
}

// Runs `what` without the GIL; a TOML error comes back as (None, error).
template <typename F>
py::tuple Guarded(F what) {
  std::optional<ErrorInfo> error;
  py::object value = py::none();
  std::string failure;
  {
    py::gil_scoped_release release;
    try {
      what();
    } catch (const ti::TomlError& e) {
      error = FromTomlError(e);
    } catch (const std::exception& e) {
      failure = e.what();
    }
  }
  if (!failure.empty()) throw std::runtime_error(failure);
  return py::make_tuple(py::bool_(!error), ToPython(error));
}

// {"method", "samples", "seed", "stages", "variables"}, or the error of the model's [reliability].
py::tuple ReliabilityPlan(const std::string& text, const py::dict& options) {
  const rel::StudyOptions o = StudyOptionsOf(options);
  rel::StudyData data;
  py::tuple ok = Guarded([&] { data = rel::ReadStudyWith(text, o); });
  if (!ok[0].cast<bool>()) return py::make_tuple(py::none(), ok[1]);
  py::dict d;
  d["method"] = std::string(rel::MethodName(data.Method));
  d["samples"] = data.Samples;
  d["seed"] = data.Seed;
  py::list names;
  for (const rel::Variable& v : data.Variables) names.append(v.Name);
  d["variables"] = names;
  return py::make_tuple(d, py::none());
}

// The outcomes of samples first .. first + count - 1, flat (rel::Flatten).
py::array_t<double> ReliabilitySamples(const std::string& text, const py::dict& options, int first,
                                       int count) {
  const rel::StudyOptions o = StudyOptionsOf(options);
  std::vector<double> flat;
  {
    py::gil_scoped_release release;
    const rel::Study study(text, rel::ReadStudyWith(text, o));
    const rel::StudyData& d = study.Data();
    const rel::SamplePlan plan(d.Method, d.Samples, d.Seed, static_cast<int>(d.Variables.size()),
                               d.Correlation);
    flat = rel::Flatten(rel::EvaluateSamples(study, plan, first, count, o.Jobs, nullptr));
  }
  return py::array_t<double>(static_cast<py::ssize_t>(flat.size()), flat.data());
}

// (JSON text, console text) of the whole study from every sample's outcome.
py::tuple ReliabilitySummary(const std::string& text, const py::dict& options,
                             const py::array_t<double>& flat, const std::string& name, double seconds,
                             int jobs) {
  const rel::StudyOptions o = StudyOptionsOf(options);
  std::vector<double> numbers(flat.data(), flat.data() + flat.size());
  std::string json, console;
  {
    py::gil_scoped_release release;
    const rel::Study study(text, rel::ReadStudyWith(text, o));
    const rel::StudyData& d = study.Data();
    const rel::SamplePlan plan(d.Method, d.Samples, d.Seed, static_cast<int>(d.Variables.size()),
                               d.Correlation);
    rel::Estimate e = rel::Summarise(study, plan, rel::Unflatten(numbers, study.Stages()));
    e.Model = name;
    e.Seconds = seconds;
    e.Jobs = jobs;
    json = rel::EstimateJson(e);
    console = rel::EstimateText(e);
  }
  return py::make_tuple(json, console);
}

// (JSON text, console text) of a whole study in this process on `jobs` threads.
py::tuple ReliabilityRun(const std::string& text, const py::dict& options, const std::string& name) {
  const rel::StudyOptions o = StudyOptionsOf(options);
  std::string json, console;
  {
    py::gil_scoped_release release;
    rel::Estimate e = rel::RunStudy(text, o, nullptr);
    e.Model = name;
    json = rel::EstimateJson(e);
    console = rel::EstimateText(e);
  }
  return py::make_tuple(json, console);
}

}  // namespace

PYBIND11_MODULE(_core, m) {
  m.doc() = "The darnek engine; use the darnek package rather than this module.";
  m.def("version", [] { return std::string(darnek::Version()); });
  m.def("toml_to_records", &TomlToRecords, py::arg("toml_text"));
  m.def("read_input", &ReadInput, py::arg("path"));
  m.def("records_to_toml", &RecordsToToml, py::arg("records_text"), py::arg("source_name"));
  m.def("dict_to_toml", &DictToToml, py::arg("data"));
  m.def("schema", [] { return SchemaWalker().Make(); });
  m.def("run_toml", &RunToml, py::arg("toml_text"), py::arg("input_file"), py::arg("name"),
        py::arg("outputs"));
  m.def("reliability_plan", &ReliabilityPlan, py::arg("toml_text"), py::arg("options"));
  m.def("reliability_samples", &ReliabilitySamples, py::arg("toml_text"), py::arg("options"),
        py::arg("first"), py::arg("count"));
  m.def("reliability_summary", &ReliabilitySummary, py::arg("toml_text"), py::arg("options"),
        py::arg("outcomes"), py::arg("name"), py::arg("seconds"), py::arg("jobs"));
  m.def("reliability_run", &ReliabilityRun, py::arg("toml_text"), py::arg("options"), py::arg("name"));
}
