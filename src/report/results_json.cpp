// The results of a run as one JSON document and as CSV tables, from the
// values of darnek/results.h. Numbers keep every digit of the double: the
// shortest text that reads back to the same value.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "core/run_file.h"
#include "darnek/darnek.h"

namespace darnek {
namespace {

using Json = nlohmann::ordered_json;

// The columns of the tables, in the order the JSON and the CSV give them.
struct StationColumn {
  const char* name;
  std::vector<double> StationTable::*values;
  std::string ResultUnits::*unit;
};
constexpr StationColumn kStationColumns[] = {
    {"depth", &StationTable::depth, &ResultUnits::depth},
    {"deflection", &StationTable::deflection, &ResultUnits::deflection},
    {"slope", &StationTable::slope, &ResultUnits::slope},
    {"moment", &StationTable::moment, &ResultUnits::moment},
    {"shear", &StationTable::shear, &ResultUnits::shear},
    {"soil_reaction", &StationTable::soil_reaction, &ResultUnits::soil_reaction},
    {"net_force", &StationTable::net_force, &ResultUnits::net_force},
    {"ei", &StationTable::ei, &ResultUnits::ei},
};

struct PressureColumn {
  const char* name;
  std::vector<double> PressureDiagram::*values;
  std::string ResultUnits::*unit;
};
constexpr PressureColumn kPressureColumns[] = {
    {"depth", &PressureDiagram::depth, &ResultUnits::depth},
    {"load_per_station", &PressureDiagram::load_per_station, &ResultUnits::force},
    {"active_with_water", &PressureDiagram::active_with_water, &ResultUnits::pressure},
    {"surcharge", &PressureDiagram::surcharge, &ResultUnits::pressure},
    {"passive", &PressureDiagram::passive, &ResultUnits::pressure},
    {"at_rest", &PressureDiagram::at_rest, &ResultUnits::pressure},
    {"active", &PressureDiagram::active, &ResultUnits::pressure},
    {"water", &PressureDiagram::water, &ResultUnits::pressure},
    {"surface_share", &PressureDiagram::surface_share, &ResultUnits::pressure},
    {"surcharge_loads", &PressureDiagram::surcharge_loads, &ResultUnits::pressure},
    {"apparent", &PressureDiagram::apparent, &ResultUnits::pressure},
    {"total", &PressureDiagram::total, &ResultUnits::pressure},
};

Json UnitsJson(const ResultUnits& u) {
  return Json{{"depth", u.depth},         {"deflection", u.deflection},
              {"slope", u.slope},         {"moment", u.moment},
              {"shear", u.shear},         {"soil_reaction", u.soil_reaction},
              {"net_force", u.net_force}, {"ei", u.ei},
              {"force", u.force},         {"pressure", u.pressure},
              {"py_y", u.py_y},           {"py_p", u.py_p}};
}

// Largest deflection and moment, and their depths in the depth unit.
struct Largest {
  double deflection, deflection_depth, moment, moment_depth;
};
Largest LargestOf(const StageSummary& summary, const StageResults& stage) {
  const double depth_factor = stage.unit_system == "English" ? 1.0 / 12 : 1.0;
  return {summary.max_deflection, summary.max_deflection_depth * depth_factor, summary.max_moment,
          summary.max_moment_depth * depth_factor};
}

// `memory`: the run had stage memory; only then do its columns appear.
Json StageJson(const StageResults& s, const StageSummary* summary, bool memory) {
  Json stage{{"stage", s.stage},           {"outcome", s.outcome},         {"solved", s.solved},
             {"iterations", s.iterations}, {"unit_system", s.unit_system}, {"units", UnitsJson(s.units)}};
  if (summary && s.solved) {
    const Largest l = LargestOf(*summary, s);
    stage["largest"] = Json{{"deflection", l.deflection},
                            {"deflection_depth", l.deflection_depth},
                            {"moment", l.moment},
                            {"moment_depth", l.moment_depth}};
  }
  Json stations = Json::object();
  stations["station"] = s.stations.station;
  for (const StationColumn& c : kStationColumns) stations[c.name] = s.stations.*c.values;
  if (memory) stations["deflection_since_previous"] = s.deflection_since_previous;
  stage["stations"] = std::move(stations);
  Json tie_backs = Json::array();
  for (const TieBackResult& t : s.tie_backs) {
    tie_backs.push_back({{"number", t.number},
                         {"station", t.station},
                         {"depth", t.depth},
                         {"horizontal_force_per_station", t.horizontal_force_per_station},
                         {"force_per_station", t.force_per_station},
                         {"force_per_tie_back", t.force_per_tie_back}});
    if (memory) {
      tie_backs.back()["memory_state"] = t.memory_state;
      tie_backs.back()["lock_stage"] = t.lock_stage == 0 ? Json() : Json(t.lock_stage);
    }
  }
  stage["tie_backs"] = std::move(tie_backs);
  Json pressure = Json::object();
  for (const PressureColumn& c : kPressureColumns) pressure[c.name] = s.pressure.*c.values;
  stage["pressure"] = std::move(pressure);
  Json curves = Json::array();
  for (const PyCurveResult& c : s.py_curves)
    curves.push_back({{"source", c.generated ? "generated" : "user"},
                      {"station", c.station},
                      {"depth", c.depth},
                      {"y", c.y},
                      {"p", c.p}});
  stage["py_curves"] = std::move(curves);
  Json history = Json::array();
  for (const IterationRecord& r : s.history)
    history.push_back(
        {{"iteration", r.iteration},
         {"changed_stations", r.changed_stations},
         {"max_change", r.max_change},
         {"deflections", {r.deflections[0], r.deflections[1], r.deflections[2], r.deflections[3]}}});
  stage["history"] = std::move(history);
  return stage;
}

Json RunJson(const RunResult& result) {
  Json run{{"program", "darnek"},
           {"version", Version()},
           {"status", result.status},
           {"stop_code", result.stop_code},
           {"message", result.message}};
  // A run whose stages share one unit system states it once for all.
  std::string system;
  for (const StageResults& s : result.results)
    system = system.empty() || system == s.unit_system ? s.unit_system : "mixed";
  run["unit_system"] = system.empty() ? Json() : Json(system);
  run["units"] = system.empty() || system == "mixed" ? Json() : UnitsJson(result.results.front().units);
  if (result.stage_memory) run["stage_memory"] = Json{{"unload_factor", result.unload_factor}};
  Json stages = Json::array();
  for (size_t i = 0; i < result.results.size(); ++i)
    stages.push_back(StageJson(result.results[i], i < result.stages.size() ? &result.stages[i] : nullptr,
                               result.stage_memory));
  run["stages"] = std::move(stages);
  return run;
}

std::string Number(double value) {
  char buffer[32];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : std::string();
}

// A unit as part of a column name: "lbs-in^2" -> "lbs_in2", "kN/m" -> "kN_per_m".
std::string UnitSuffix(const std::string& unit) {
  std::string out;
  for (char c : unit) {
    if (c == '-')
      out += '_';
    else if (c == '/')
      out += "_per_";
    else if (c != '^')
      out += c;
  }
  return out;
}

std::string CsvText(const std::string& text) {
  if (text.find_first_of(",\"\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string WriteText(const std::string& path, const std::string& what, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (out) out << text;
  if (out) out.close();
  if (!out) {
    const int error = errno != 0 ? errno : EIO;
    return "the " + what + " " + path + " cannot be written: " + SystemErrorText(error);
  }
  return {};
}

std::string StationsCsv(const StageResults& s, bool memory) {
  std::string text = "station";
  for (const StationColumn& c : kStationColumns)
    text += std::string(",") + c.name + "_" + UnitSuffix(s.units.*c.unit);
  if (memory) text += ",deflection_since_previous_" + UnitSuffix(s.units.deflection);
  text += "\n";
  for (size_t i = 0; i < s.stations.size(); ++i) {
    text += std::to_string(s.stations.station[i]);
    for (const StationColumn& c : kStationColumns) (text += ',') += Number((s.stations.*c.values)[i]);
    if (memory)
      (text += ',') += i < s.deflection_since_previous.size() ? Number(s.deflection_since_previous[i]) : "";
    text += "\n";
  }
  return text;
}

// "held" or "locked in stage k" per tie-back, in order, parted by ";".
std::string TieBackStates(const StageResults& s) {
  std::string text;
  for (const TieBackResult& t : s.tie_backs) {
    if (!text.empty()) text += ';';
    text += t.lock_stage > 0 ? t.memory_state + " in stage " + std::to_string(t.lock_stage) : t.memory_state;
  }
  return text;
}

std::string StagesCsv(const RunResult& result) {
  // Units in the names when every stage has the same unit system; otherwise
  // the unit_system column says which units each row is in.
  std::string system;
  for (const StageResults& s : result.results)
    system = system.empty() || system == s.unit_system ? s.unit_system : "mixed";
  const bool one_system = !system.empty() && system != "mixed";
  const auto named = [&](const char* name, std::string ResultUnits::*unit) {
    return one_system ? std::string(name) + "_" + UnitSuffix(result.results.front().units.*unit)
                      : std::string(name);
  };
  std::string text =
      "stage,outcome,solved,iterations,unit_system," + named("max_deflection", &ResultUnits::deflection) +
      "," + named("max_deflection_depth", &ResultUnits::depth) + "," +
      named("max_moment", &ResultUnits::moment) + "," + named("max_moment_depth", &ResultUnits::depth) +
      ",tie_backs" + (result.stage_memory ? ",stage_memory,unload_factor,tie_back_states\n" : "\n");
  for (size_t i = 0; i < result.results.size(); ++i) {
    const StageResults& s = result.results[i];
    text += std::to_string(s.stage) + "," + CsvText(s.outcome) + "," + (s.solved ? "true" : "false") + "," +
            std::to_string(s.iterations) + "," + s.unit_system;
    if (s.solved && i < result.stages.size()) {
      const Largest l = LargestOf(result.stages[i], s);
      for (double value : {l.deflection, l.deflection_depth, l.moment, l.moment_depth})
        (text += ',') += Number(value);
    } else {
      text += ",,,,";
    }
    (text += ',') += std::to_string(s.tie_backs.size());
    if (result.stage_memory) ((text += ",true,") += Number(result.unload_factor) + ",") += TieBackStates(s);
    text += '\n';
  }
  return text;
}

// Indented like a pretty-printed document, except that an array of plain
// values stays on one line: a table column is then one line, not thousands.
void Dump(const Json& value, int depth, std::string& out) {
  const auto plain = [](const Json& v) { return !v.is_structured(); };
  if (!value.is_structured() || (value.is_array() && std::all_of(value.begin(), value.end(), plain))) {
    out += value.dump();
    return;
  }
  if (value.empty()) {
    out += value.is_array() ? "[]" : "{}";
    return;
  }
  const std::string indent(static_cast<size_t>(depth + 1), ' ');
  out += value.is_array() ? "[\n" : "{\n";
  bool first = true;
  for (auto it = value.begin(); it != value.end(); ++it) {
    if (!first) out += ",\n";
    first = false;
    out += indent;
    if (value.is_object()) out += Json(it.key()).dump() + ": ";
    Dump(it.value(), depth + 1, out);
  }
  (out += '\n').append(static_cast<size_t>(depth), ' ') += value.is_array() ? ']' : '}';
}

}  // namespace

void WriteResultsJson(std::ostream& out, const RunResult& result) { out << ResultsJson(result); }

std::string ResultsJson(const RunResult& result) {
  std::string text;
  Dump(RunJson(result), 0, text);
  return text + "\n";
}

std::string WriteResultsJsonFile(const std::string& path, const RunResult& result) {
  errno = 0;
  return WriteText(path, "JSON results file", ResultsJson(result));
}

std::string WriteResultsCsv(const std::string& folder, const RunResult& result) {
  const std::filesystem::path dir(folder);
  errno = 0;
  std::string problem = WriteText((dir / "stages.csv").string(), "CSV results file", StagesCsv(result));
  for (const StageResults& s : result.results) {
    if (!problem.empty()) break;
    if (!s.solved) continue;
    errno = 0;
    problem = WriteText((dir / ("stage-" + std::to_string(s.stage) + "-stations.csv")).string(),
                        "CSV results file", StationsCsv(s, result.stage_memory));
  }
  return problem;
}

}  // namespace darnek
