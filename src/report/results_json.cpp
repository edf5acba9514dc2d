// The results of a run as one JSON document and as CSV tables, from the
// values of darnek/results.h. Numbers keep every digit of the double: the
// shortest text that reads back to the same value.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "core/file_guard.h"
#include "darnek/darnek.h"

namespace darnek {
namespace {

using Json = nlohmann::ordered_json;

// The words stored results use for a tie-back's state with stage memory.
const char* MemoryStateName(TieBackMemoryState state) {
  switch (state) {
    case TieBackMemoryState::Held:
      return "held";
    case TieBackMemoryState::Locked:
      return "locked";
    case TieBackMemoryState::None:
      break;
  }
  return "";
}

// The columns of the tables, in the order the JSON and the CSV give them.
struct StationColumn {
  const char* Name;
  std::vector<double> StationTable::*Values;
  std::string ResultUnits::*Unit;
};
constexpr StationColumn kStationColumns[] = {
    {"depth", &StationTable::Depth, &ResultUnits::Depth},
    {"deflection", &StationTable::Deflection, &ResultUnits::Deflection},
    {"slope", &StationTable::Slope, &ResultUnits::Slope},
    {"moment", &StationTable::Moment, &ResultUnits::Moment},
    {"shear", &StationTable::Shear, &ResultUnits::Shear},
    {"soil_reaction", &StationTable::SoilReaction, &ResultUnits::SoilReaction},
    {"net_force", &StationTable::NetForce, &ResultUnits::NetForce},
    {"ei", &StationTable::Ei, &ResultUnits::Ei},
    {"applied_load", &StationTable::AppliedLoad, &ResultUnits::NetForce},
    {"support_force", &StationTable::SupportForce, &ResultUnits::NetForce},
};

struct PressureColumn {
  const char* Name;
  std::vector<double> PressureDiagram::*Values;
  std::string ResultUnits::*Unit;
};
constexpr PressureColumn kPressureColumns[] = {
    {"depth", &PressureDiagram::Depth, &ResultUnits::Depth},
    {"load_per_station", &PressureDiagram::LoadPerStation, &ResultUnits::Force},
    {"active_with_water", &PressureDiagram::ActiveWithWater, &ResultUnits::Pressure},
    {"surcharge", &PressureDiagram::Surcharge, &ResultUnits::Pressure},
    {"passive", &PressureDiagram::Passive, &ResultUnits::Pressure},
    {"at_rest", &PressureDiagram::AtRest, &ResultUnits::Pressure},
    {"active", &PressureDiagram::Active, &ResultUnits::Pressure},
    {"water", &PressureDiagram::Water, &ResultUnits::Pressure},
    {"surface_share", &PressureDiagram::SurfaceShare, &ResultUnits::Pressure},
    {"surcharge_loads", &PressureDiagram::SurchargeLoads, &ResultUnits::Pressure},
    {"apparent", &PressureDiagram::Apparent, &ResultUnits::Pressure},
    {"total", &PressureDiagram::Total, &ResultUnits::Pressure},
};

Json UnitsJson(const ResultUnits& u) {
  return Json{
      {"depth", u.Depth}, {"deflection", u.Deflection},      {"slope", u.Slope},        {"moment", u.Moment},
      {"shear", u.Shear}, {"soil_reaction", u.SoilReaction}, {"net_force", u.NetForce}, {"ei", u.Ei},
      {"force", u.Force}, {"pressure", u.Pressure},          {"py_y", u.PyY},           {"py_p", u.PyP}};
}

// Largest deflection and moment, and their depths in the depth unit.
struct Largest {
  double Deflection, DeflectionDepth, Moment, MomentDepth;
};
Largest LargestOf(const StageSummary& summary) {
  return {summary.MaxDeflection, summary.MaxDeflectionReportDepth, summary.MaxMoment,
          summary.MaxMomentReportDepth};
}

Json CheckJson(const Check& c) {
  Json j{{"checked", c.Checked}, {"demand", c.Demand},           {"resistance", c.Resistance},
         {"unit", c.Unit},       {"utilisation", c.Utilisation}, {"depth", c.Depth}};
  if (!c.Note.empty()) j["note"] = c.Note;
  if (!c.Combination.empty()) j["combination"] = c.Combination;
  return j;
}

Json SectionJson(const SectionCheck& c) {
  Json j = CheckJson(c);
  j["cross_section"] = c.CrossSection == 0 ? Json() : Json(c.CrossSection);
  j["axial_force"] = c.AxialForce;
  j["per_pile"] = c.PerPile;
  return j;
}

Json SafetyJson(const SafetyCheck& c, bool embedment) {
  Json j = CheckJson(c);
  j["method"] = c.Method;
  j["definition"] = c.Definition;
  j["factor_of_safety"] = c.FactorOfSafety;
  j["required_factor"] = c.RequiredFactor;
  j["beyond_search"] = c.BeyondSearch;
  if (embedment) {
    j["embedment"] = c.Embedment;
    j["required_embedment"] = c.RequiredEmbedment;
    j["required_found"] = c.RequiredFound;
    j["pivot_depth"] = c.PivotDepth;
    j["support_force"] = c.SupportForce;
  } else {
    j["analyses"] = c.Analyses;
  }
  return j;
}

Json LinesJson(const std::vector<ResistanceLine>& lines) {
  Json out = Json::array();
  for (const ResistanceLine& l : lines) out.push_back({l.Top, l.Bottom, l.Value});
  return out;
}

// A stage's design checks; units name the demand and resistance of each.
Json ChecksJson(const StageChecks& c) {
  Json j{{"verdict", c.Verdict},
         {"utilisation", c.Utilisation},
         {"governing", c.Governing.empty() ? Json() : Json(c.Governing)},
         {"depth_unit", c.DepthUnit}};
  if (!c.Note.empty()) j["note"] = c.Note;
  if (!c.Combination.empty()) {
    j["combination"] = c.Combination;
    j["analysis"] = c.Analysis;
  }
  if (!c.Combinations.empty()) {
    Json each = Json::array();
    for (const StageChecks& k : c.Combinations) each.push_back(ChecksJson(k));
    j["combinations"] = std::move(each);
  }
  if (!c.Checked) return j;
  j["bending"] = SectionJson(c.Bending);
  j["shear"] = SectionJson(c.Shear);
  j["embedment"] = SafetyJson(c.Embedment, true);
  j["strength"] = SafetyJson(c.Strength, false);
  Json ties = Json::array();
  for (const TieBackCheck& t : c.TieBacks) {
    Json tj = CheckJson(t);
    tj["number"] = t.Number;
    tj["angle_deg"] = t.Angle;
    tj["governs"] = t.Governs.empty() ? Json() : Json(t.Governs);
    tj["vertical_force"] = t.VerticalForce;
    tj["vertical_force_per_width"] = t.VerticalForcePerWidth;
    ties.push_back(std::move(tj));
  }
  j["tie_backs"] = std::move(ties);
  j["deflection"] = CheckJson(c.Deflection);
  j["resistance_lines"] =
      Json{{"moment", LinesJson(c.MomentResistance)}, {"shear", LinesJson(c.ShearResistance)}};
  return j;
}

Json DesignJson(const DesignSummary& d) {
  Json factors = Json::object();
  for (const DesignFactorValue& f : d.Factors) factors[f.Key] = Json{{"value", f.Value}, {"given", f.Given}};
  Json governing = Json::array();
  for (const GoverningCheck& g : d.Governing) {
    governing.push_back({{"check", g.Check},
                         {"stage", g.Stage},
                         {"utilisation", g.Utilisation},
                         {"depth", g.Depth},
                         {"depth_unit", g.DepthUnit}});
    if (!g.Combination.empty()) governing.back()["combination"] = g.Combination;
  }
  Json out = {{"method", d.Method}};
  // A design approach (Eurocode 7) comes with its partial factors.
  if (!d.Approach.empty()) {
    Json partial = Json::object();
    for (const DesignFactorValue& f : d.PartialFactors)
      partial[f.Key] = Json{{"value", f.Value}, {"given", f.Given}};
    out["approach"] = d.Approach;
    out["partial_factors"] = std::move(partial);
  }
  out["embedment_definition"] = d.EmbedmentDefinition;
  out["modulus_basis"] = d.ModulusBasis;
  out["factors"] = std::move(factors);
  out["governing"] = std::move(governing);
  out["verdict"] = d.Verdict;
  out["unused"] = d.Unused;
  return out;
}

const StageChecks* ChecksOf(const RunResult& result, int stage) {
  for (const StageChecks& c : result.Checks)
    if (c.Stage == stage) return &c;
  return nullptr;
}

// `memory`: the run had stage memory; only then do its columns appear.
Json StageJson(const StageResults& s, const StageSummary* summary, bool memory) {
  Json stage{{"stage", s.Stage},           {"outcome", s.Outcome},        {"solved", s.Solved},
             {"iterations", s.Iterations}, {"unit_system", s.UnitSystem}, {"units", UnitsJson(s.Units)}};
  // Where the iteration did not close, the share of the loads that load
  // stepping carried (1 when it closed the stage).
  if (summary && summary->LoadStepped)
    stage["load_stepping"] = Json{{"steps", summary->LoadSteps}, {"load_fraction", summary->LoadFraction}};
  if (summary && s.Solved) {
    const Largest l = LargestOf(*summary);
    stage["largest"] = Json{{"deflection", l.Deflection},
                            {"deflection_depth", l.DeflectionDepth},
                            {"moment", l.Moment},
                            {"moment_depth", l.MomentDepth}};
  }
  Json stations = Json::object();
  stations["station"] = s.Stations.Station;
  for (const StationColumn& c : kStationColumns) stations[c.Name] = s.Stations.*c.Values;
  if (memory) stations["deflection_since_previous"] = s.DeflectionSincePrevious;
  stage["stations"] = std::move(stations);
  Json tie_backs = Json::array();
  for (const TieBackResult& t : s.TieBacks) {
    tie_backs.push_back({{"number", t.Number},
                         {"station", t.Station},
                         {"depth", t.Depth},
                         {"horizontal_force_per_station", t.HorizontalForcePerStation},
                         {"force_per_station", t.ForcePerStation},
                         {"force_per_tie_back", t.ForcePerTieBack}});
    if (memory) {
      tie_backs.back()["memory_state"] = MemoryStateName(t.MemoryState);
      tie_backs.back()["lock_stage"] = t.LockStage == 0 ? Json() : Json(t.LockStage);
    }
  }
  stage["tie_backs"] = std::move(tie_backs);
  Json pressure = Json::object();
  for (const PressureColumn& c : kPressureColumns) pressure[c.Name] = s.Pressure.*c.Values;
  stage["pressure"] = std::move(pressure);
  Json curves = Json::array();
  for (const PyCurveResult& c : s.PyCurves)
    curves.push_back({{"source", c.Generated ? "generated" : "user"},
                      {"station", c.Station},
                      {"depth", c.Depth},
                      {"y", c.Y},
                      {"p", c.P}});
  stage["py_curves"] = std::move(curves);
  Json history = Json::array();
  for (const IterationRecord& r : s.History)
    history.push_back(
        {{"iteration", r.Iteration},
         {"changed_stations", r.ChangedStations},
         {"max_change", r.MaxChange},
         {"deflections", {r.Deflections[0], r.Deflections[1], r.Deflections[2], r.Deflections[3]}}});
  stage["history"] = std::move(history);
  return stage;
}

Json RunJson(const RunResult& result) {
  Json run{{"program", "darnek"},
           {"version", Version()},
           {"status", result.Status},
           {"stop_code", result.StopCode},
           {"message", result.Message}};
  // A run whose stages share one unit system states it once for all.
  std::string system;
  for (const StageResults& s : result.Results)
    system = system.empty() || system == s.UnitSystem ? s.UnitSystem : "mixed";
  run["unit_system"] = system.empty() ? Json() : Json(system);
  run["units"] = system.empty() || system == "mixed" ? Json() : UnitsJson(result.Results.front().Units);
  if (result.StageMemory) run["stage_memory"] = Json{{"unload_factor", result.UnloadFactor}};
  if (!result.Design.Method.empty()) run["design"] = DesignJson(result.Design);
  Json stages = Json::array();
  for (size_t i = 0; i < result.Results.size(); ++i) {
    stages.push_back(StageJson(result.Results[i], i < result.Stages.size() ? &result.Stages[i] : nullptr,
                               result.StageMemory));
    if (const StageChecks* checks = ChecksOf(result, result.Results[i].Stage))
      stages.back()["checks"] = ChecksJson(*checks);
  }
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

std::string StationsCsv(const StageResults& s, bool memory) {
  std::string text = "station";
  for (const StationColumn& c : kStationColumns)
    text += std::string(",") + c.Name + "_" + UnitSuffix(s.Units.*c.Unit);
  if (memory) text += ",deflection_since_previous_" + UnitSuffix(s.Units.Deflection);
  text += "\n";
  for (size_t i = 0; i < s.Stations.size(); ++i) {
    text += std::to_string(s.Stations.Station[i]);
    for (const StationColumn& c : kStationColumns) (text += ',') += Number((s.Stations.*c.Values)[i]);
    if (memory)
      (text += ',') += i < s.DeflectionSincePrevious.size() ? Number(s.DeflectionSincePrevious[i]) : "";
    text += "\n";
  }
  return text;
}

// The tie-back forces of a solved stage, one row per tie-back.
std::string TieBacksCsv(const StageResults& s, bool memory) {
  const std::string force = UnitSuffix(s.Units.Force);
  std::string text = "number,station,depth_" + UnitSuffix(s.Units.Depth) + ",horizontal_force_per_station_" +
                     force + ",force_per_station_" + force + ",force_per_tie_back_" + force +
                     (memory ? ",memory_state,lock_stage\n" : "\n");
  for (const TieBackResult& t : s.TieBacks) {
    text += std::to_string(t.Number) + "," + std::to_string(t.Station);
    for (double value : {t.Depth, t.HorizontalForcePerStation, t.ForcePerStation, t.ForcePerTieBack})
      (text += ',') += Number(value);
    if (memory)
      text += std::string(",") + MemoryStateName(t.MemoryState) + "," +
              (t.LockStage > 0 ? std::to_string(t.LockStage) : "");
    text += '\n';
  }
  return text;
}

// The pressure diagram as the solver loads it, one row per depth.
std::string PressureCsv(const StageResults& s) {
  std::string text;
  for (const PressureColumn& c : kPressureColumns)
    text += (text.empty() ? "" : ",") + std::string(c.Name) + "_" + UnitSuffix(s.Units.*c.Unit);
  text += '\n';
  for (size_t i = 0; i < s.Pressure.size(); ++i) {
    for (size_t c = 0; c < std::size(kPressureColumns); ++c)
      (text += c == 0 ? "" : ",") += Number((s.Pressure.*kPressureColumns[c].Values)[i]);
    text += '\n';
  }
  return text;
}

// "held" or "locked in stage k" per tie-back, in order, parted by ";".
std::string TieBackStates(const StageResults& s) {
  std::string text;
  for (const TieBackResult& t : s.TieBacks) {
    if (!text.empty()) text += ';';
    text += MemoryStateName(t.MemoryState);
    if (t.LockStage > 0) text += " in stage " + std::to_string(t.LockStage);
  }
  return text;
}

std::string StagesCsv(const RunResult& result) {
  // Units in the names when every stage has the same unit system; otherwise
  // the unit_system column says which units each row is in.
  std::string system;
  for (const StageResults& s : result.Results)
    system = system.empty() || system == s.UnitSystem ? s.UnitSystem : "mixed";
  const bool one_system = !system.empty() && system != "mixed";
  const auto named = [&](const char* name, std::string ResultUnits::*unit) {
    return one_system ? std::string(name) + "_" + UnitSuffix(result.Results.front().Units.*unit)
                      : std::string(name);
  };
  std::string text =
      "stage,outcome,solved,iterations,unit_system," + named("max_deflection", &ResultUnits::Deflection) +
      "," + named("max_deflection_depth", &ResultUnits::Depth) + "," +
      named("max_moment", &ResultUnits::Moment) + "," + named("max_moment_depth", &ResultUnits::Depth) +
      ",tie_backs" + (result.StageMemory ? ",stage_memory,unload_factor,tie_back_states\n" : "\n");
  for (size_t i = 0; i < result.Results.size(); ++i) {
    const StageResults& s = result.Results[i];
    text += std::to_string(s.Stage) + "," + CsvText(s.Outcome) + "," + (s.Solved ? "true" : "false") + "," +
            std::to_string(s.Iterations) + "," + s.UnitSystem;
    if (s.Solved && i < result.Stages.size()) {
      const Largest l = LargestOf(result.Stages[i]);
      for (double value : {l.Deflection, l.DeflectionDepth, l.Moment, l.MomentDepth})
        (text += ',') += Number(value);
    } else {
      text += ",,,,";
    }
    (text += ',') += std::to_string(s.TieBacks.size());
    if (result.StageMemory) ((text += ",true,") += Number(result.UnloadFactor) + ",") += TieBackStates(s);
    text += '\n';
  }
  return text;
}

// One row per check of every stage, and a row with the stage's verdict.
std::string ChecksCsv(const RunResult& result) {
  std::string text =
      "stage,check,number,checked,demand,resistance,unit,utilisation,depth,depth_unit,factor_of_safety,"
      "required_factor,definition,method,verdict,note,combination\n";
  const auto value = [](double v) { return std::isnan(v) ? std::string() : Number(v); };
  const auto rows = [&](const StageChecks& c) {
    const auto row = [&](const std::string& name, int number, const Check& check, const SafetyCheck* safety) {
      const std::string verdict = !check.Checked           ? "not checked"
                                  : check.Utilisation <= 1 ? "passes"
                                                           : "fails";
      text += std::to_string(c.Stage) + "," + name + "," + (number ? std::to_string(number) : "") + "," +
              (check.Checked ? "true" : "false") + "," + value(check.Demand) + "," + value(check.Resistance) +
              "," + CsvText(check.Unit) + "," + value(check.Utilisation) + "," + value(check.Depth) + "," +
              c.DepthUnit + "," + (safety ? value(safety->FactorOfSafety) : "") + "," +
              (safety ? value(safety->RequiredFactor) : "") + "," +
              (safety ? CsvText(safety->Definition) : "") + "," + (safety ? CsvText(safety->Method) : "") +
              "," + verdict + "," + CsvText(check.Note) + "," + CsvText(c.Combination) + "\n";
    };
    if (c.Checked) {
      row("bending", 0, c.Bending, nullptr);
      row("shear", 0, c.Shear, nullptr);
      row("embedment", 0, c.Embedment, &c.Embedment);
      row("strength", 0, c.Strength, &c.Strength);
      for (const TieBackCheck& t : c.TieBacks) row("tie-back", t.Number, t, nullptr);
      row("deflection", 0, c.Deflection, nullptr);
    }
  };
  for (const StageChecks& c : result.Checks) {
    // Eurocode 7: the rows of each combination, then the stage's verdict,
    // the worse of them.
    if (c.Combinations.empty()) rows(c);
    for (const StageChecks& k : c.Combinations) rows(k);
    std::string governing = c.Governing.empty() ? c.Note : c.Governing;
    if (!c.Combinations.empty() && !c.Governing.empty()) {
      std::string from = c.Governing == "bending"     ? c.Bending.Combination
                         : c.Governing == "shear"     ? c.Shear.Combination
                         : c.Governing == "embedment" ? c.Embedment.Combination
                                                      : c.Deflection.Combination;
      for (const TieBackCheck& t : c.TieBacks)
        if (c.Governing == "tie-back " + std::to_string(t.Number)) from = t.Combination;
      governing += " (" + from + ")";
    }
    text += std::to_string(c.Stage) + ",stage,," + (c.Checked ? "true" : "false") + ",,,," +
            value(c.Utilisation) + ",," + c.DepthUnit + ",,,,," + c.Verdict + "," + CsvText(governing) +
            ",\n";
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
  return WriteWholeFile("JSON results file", path, ResultsJson(result));
}

std::vector<CsvTable> ResultsCsvTables(const RunResult& result) {
  std::vector<CsvTable> tables{{"stages.csv", StagesCsv(result)}};
  if (!result.Checks.empty()) tables.push_back({"checks.csv", ChecksCsv(result)});
  for (const StageResults& s : result.Results) {
    const std::string stage = "stage-" + std::to_string(s.Stage) + "-";
    if (s.Pressure.size() > 0) tables.push_back({stage + "pressure.csv", PressureCsv(s)});
    if (!s.Solved) continue;
    tables.push_back({stage + "stations.csv", StationsCsv(s, result.StageMemory)});
    if (!s.TieBacks.empty()) tables.push_back({stage + "tie-backs.csv", TieBacksCsv(s, result.StageMemory)});
  }
  return tables;
}

std::string WriteResultsCsv(const std::string& folder, const RunResult& result) {
  const std::filesystem::path dir(folder);
  for (const CsvTable& table : ResultsCsvTables(result)) {
    std::string problem = WriteWholeFile("CSV results file", (dir / table.Name).string(), table.Text);
    if (!problem.empty()) return problem;
  }
  return {};
}

}  // namespace darnek
