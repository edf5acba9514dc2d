// The answers of the API: models in, results, pictures and converted texts out.
#include "serve/api.h"

#include <chrono>
#include <memory>
#include <set>
#include <sstream>

#include "darnek/darnek.h"
#include "darnek/pictures.h"
#include "serve/embedded_files.h"
#include "serve/model.h"
#include "serve/schema.h"
#include "toml/toml_input.h"

namespace darnek::serve {
namespace {

namespace ti = toml_input;

// A request deeper than this is no model (a model is at most nine deep).
constexpr int kMaxRequestDepth = 16;
// The name that labels the input in the report: a plain file name, short.
constexpr size_t kMaxNameLength = 80;

// The pages that start a new wall, each a copy of a bundled example.
struct Template {
  const char* Name;
  const char* Label;
  const char* Example;
};
constexpr Template kTemplates[] = {{"cantilever", "Cantilever sheet-pile wall", "cantilever_sand"},
                                   {"anchored", "Anchored sheet-pile wall", "anchored_soft_clay_si"},
                                   {"soldier_pile", "Soldier-pile wall", "soldier_pile_sand_si"}};

class RequestError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string Dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

Answer JsonAnswer(int status, const Json& body) {
  Answer a;
  a.Status = status;
  a.Body = Dump(body);
  return a;
}

Json ParseRequest(const std::string& body) {
  const auto limit_depth = [](int depth, Json::parse_event_t, Json&) {
    if (depth > kMaxRequestDepth) throw RequestError("the request is nested too deeply");
    return true;
  };
  try {
    Json request = Json::parse(body, limit_depth);
    if (!request.is_object()) throw RequestError("the request must be a JSON object");
    return request;
  } catch (const Json::parse_error& e) {
    throw RequestError(std::string("the request is not JSON: ") + e.what());
  }
}

// Only a label: kept to a plain file name, since the server opens nothing by it.
std::string SafeName(const Json& request, const char* fallback) {
  std::string name = request.contains("name") && request["name"].is_string()
                         ? request["name"].get<std::string>()
                         : std::string(fallback);
  const size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  std::string out;
  for (char c : name)
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
        c == '-')
      out += c;
  if (out.size() > kMaxNameLength) out.resize(kMaxNameLength);
  if (out.empty() || out[0] == '.') out = fallback;
  return out;
}

Json ErrorJson(const std::string& message, const std::string& detail, const std::string& path, int line,
               int column) {
  Json e = Json::object();
  e["message"] = message;
  e["detail"] = detail.empty() ? message : detail;
  e["path"] = path;
  e["keys"] = path.empty() ? Json::array() : KeyPath(path);
  e["line"] = line;
  e["column"] = column;
  return e;
}

Json FromTomlError(const ti::TomlError& e) {
  const std::string prefix = "line " + std::to_string(e.line()) + ", column " + std::to_string(e.column()) +
                             ": " + (e.path().empty() ? "" : e.path() + ": ");
  const std::string message = e.what();
  const std::string detail = message.rfind(prefix, 0) == 0 ? message.substr(prefix.size()) : message;
  return ErrorJson(message, detail, e.path(), e.line(), e.column());
}

// The TOML text of the request: its `model` written out, or its `toml`.
std::string RequestToml(const Json& request) {
  if (request.contains("model")) return ModelToToml(request["model"]);
  if (request.contains("toml") && request["toml"].is_string()) return request["toml"].get<std::string>();
  throw RequestError("the request needs a `model` (an object) or a `toml` text");
}

std::set<std::string> Wanted(const Json& request) {
  std::set<std::string> wanted;
  if (request.contains("outputs") && request["outputs"].is_array())
    for (const Json& o : request["outputs"])
      if (o.is_string()) wanted.insert(o.get<std::string>());
  return wanted;
}

Json PicturesJson(const pictures::PictureTexts& drawn) {
  Json stages = Json::array();
  for (const pictures::StagePictures& s : drawn.Stages)
    stages.push_back(Json{{"stage", s.Stage},
                          {"wall", s.Wall},
                          {"pressure", s.Pressure},
                          {"net_pressure", s.NetPressure},
                          {"py_curves", s.PyCurves}});
  return stages;
}

Answer Analyse(const Json& request) {
  const auto begun = std::chrono::steady_clock::now();
  std::string toml_text;
  try {
    toml_text = RequestToml(request);
  } catch (const ModelError& e) {
    return JsonAnswer(422, Json{{"ok", false},
                                {"status", DARNEK_INPUT_REJECTED},
                                {"error", ErrorJson(e.what(), e.what(), e.path(), 0, 0)}});
  }
  const std::string name = SafeName(request, "model.toml");
  const std::set<std::string> wanted = Wanted(request);
  const bool with_pictures = !request.contains("pictures") || request["pictures"] != false;

  std::shared_ptr<const ti::Records> records;
  try {
    records = std::make_shared<const ti::Records>(ti::TomlToRecords(toml_text));
  } catch (const ti::TomlError& e) {
    return JsonAnswer(422, Json{{"ok", false},
                                {"status", DARNEK_INPUT_REJECTED},
                                {"message", e.what()},
                                {"error", FromTomlError(e)}});
  }

  RunOptions options;
  FileNames files;
  // Names only label the outputs: the input is the text, and every output is
  // kept in memory or discarded, so the run opens no file at all.
  files.Input = name;
  files.Report = "model.out";
  files.Plot = "model.plt";
  files.RunLog = "model.log";
  files.PyScratch = "model.pyscratch";
  files.PressureScratch = "model.epscratch";
  options.Files = files;
  options.VersionText = Version();
  options.InputText = records->Text;
  options.KeepResults = true;
  options.StageMemory = records->StageMemory;
  options.UnloadFactor = records->UnloadFactor;
  options.CurveSpacing = records->CurveSpacing;
  options.Design = records->Design;
  options.Outputs.Report = wanted.count("report") ? OutputMode::Memory : OutputMode::Discard;
  options.Outputs.RunLog = wanted.count("log") ? OutputMode::Memory : OutputMode::Discard;
  options.Outputs.Plot = OutputMode::Memory;
  options.Outputs.PyScratch = OutputMode::Discard;
  options.Outputs.PressureScratch = OutputMode::Discard;
  std::ostringstream console;
  options.Console = &console;
  Json input_error;
  options.DescribeInputError = [&records, &input_error](const InputErrorPlace& place) {
    const ti::TomlPlace p = ti::LocateInToml(*records, place);
    const std::string message = ti::DescribeInTomlTerms(*records, place);
    input_error =
        ErrorJson(message, p.Detail, p.Key.empty() ? p.Path : p.Path + ", " + p.Key, p.Line, p.Column);
    if (p.Stage > 0 && p.Line == 0) input_error["stage"] = p.Stage;
    return message;
  };

  const auto start = std::chrono::steady_clock::now();
  const RunResult result = Run(options);
  const double engine_ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

  Json out = Json::object();
  out["ok"] = result.Status == DARNEK_OK;
  out["status"] = result.Status;
  out["message"] = result.Message;
  // The place described last may be a warning's: the error is the run's own
  // message when that is not the one described (a data error the report names).
  if (result.Status == DARNEK_INPUT_REJECTED &&
      (input_error.is_null() || input_error.value("message", std::string()) != result.Message))
    input_error = ErrorJson(result.Message, result.Message, "", 0, 0);
  out["error"] = result.Status == DARNEK_INPUT_REJECTED ? input_error : Json(nullptr);
  out["console"] = console.str();
  out["engine_ms"] = engine_ms;
  const std::string_view plot = result.Outputs.Plot;
  if (with_pictures || wanted.count("page")) {
    pictures::PictureOptions picture_options = pictures::OptionsFromRun(result);
    picture_options.Title = name;
    try {
      const pictures::PictureTexts drawn =
          pictures::DrawPlotData(std::string(plot), picture_options, wanted.count("page") > 0);
      if (with_pictures) {
        out["pictures"] = PicturesJson(drawn);
        out["envelope"] = drawn.Envelope;
      }
      if (wanted.count("page")) out["page"] = drawn.Page;
    } catch (const pictures::PlotFileError& e) {
      // A run that ended before its plot data: the results say why.
      out["pictures"] = Json::array();
      out["envelope"] = "";
    }
  }
  if (wanted.count("report")) out["report"] = std::string(std::string_view(result.Outputs.Report));
  if (wanted.count("log")) out["log"] = std::string(std::string_view(result.Outputs.RunLog));
  if (wanted.count("plot")) out["plot"] = std::string(plot);
  if (wanted.count("records")) out["records"] = records->Text;
  if (wanted.count("toml")) out["toml"] = toml_text;
  if (wanted.count("json")) out["json"] = ResultsJson(result);
  if (wanted.count("csv")) {
    Json csv = Json::object();
    for (const CsvTable& t : ResultsCsvTables(result)) csv[t.Name] = t.Text;
    out["csv"] = csv;
  }
  // The results document as `darnek run --json` writes it, spliced in whole
  // rather than parsed and written again.
  out["server_ms"] =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begun).count();
  std::string body = Dump(out);
  body.pop_back();
  body += ",\"results\":" + ResultsJson(result) + "}";
  Answer a;
  a.Status = result.Status == DARNEK_INPUT_REJECTED ? 422 : 200;
  a.Body = std::move(body);
  a.EngineMs = engine_ms;
  return a;
}

// The comment lines that open an example, as its description.
std::string Description(std::string_view text) {
  std::string out;
  while (text.starts_with("#")) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(1, end == std::string_view::npos ? text.size() - 1 : end - 1);
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    if (!out.empty()) out += ' ';
    out += line;
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return out;
}

const EmbeddedFile* Example(std::string_view name) {
  if (name.empty() || name.find_first_of("/\\.") != std::string_view::npos) return nullptr;
  return FindEmbedded("examples/" + std::string(name) + ".toml");
}

Answer Convert(const Json& request) {
  const std::string from = request.value("from", "");
  Json out = Json::object();
  out["error"] = nullptr;
  out["warning"] = "";
  std::string toml_text;
  if (from == "records") {
    if (!request.contains("text") || !request["text"].is_string())
      throw RequestError("`text` must be a text");
    try {
      std::istringstream in(request["text"].get<std::string>());
      toml_text = ti::RecordsToToml(in, SafeName(request, "model.dat"));
    } catch (const std::exception& e) {
      // A record reader's message names its line.
      out["error"] = ErrorJson(e.what(), e.what(), "", 0, 0);
      return JsonAnswer(422, out);
    }
  } else if (from == "toml") {
    if (!request.contains("text") || !request["text"].is_string())
      throw RequestError("`text` must be a text");
    toml_text = request["text"].get<std::string>();
  } else if (from == "model") {
    try {
      toml_text = RequestToml(request);
    } catch (const ModelError& e) {
      out["error"] = ErrorJson(e.what(), e.what(), e.path(), 0, 0);
      return JsonAnswer(422, out);
    }
  } else {
    throw RequestError("`from` must be \"toml\", \"records\" or \"model\"");
  }
  out["toml"] = toml_text;
  try {
    out["model"] = TomlToModel(toml_text);
  } catch (const ti::TomlError& e) {
    out["error"] = FromTomlError(e);
    return JsonAnswer(422, out);
  }
  // A model that TOML holds but whose values the reader rejects still opens,
  // so that the page can show it and mark the value.
  try {
    const ti::Records records = ti::TomlToRecords(toml_text);
    out["records"] = records.Text;
    if (records.StageMemory)
      out["warning"] =
          "stage_memory is a run option and the records have no place for it: the record file analyses every "
          "stage alone";
  } catch (const ti::TomlError& e) {
    out["records"] = nullptr;
    out["error"] = FromTomlError(e);
  }
  return JsonAnswer(200, out);
}

// Runs one answer, turning a malformed request into 400 and anything
// unexpected into 500: nothing escapes to the server.
template <typename F>
Answer Guarded(F&& f) {
  try {
    return f();
  } catch (const RequestError& e) {
    return ErrorAnswer(400, e.what());
  } catch (const std::exception& e) {
    return ErrorAnswer(500, std::string("internal error: ") + e.what());
  }
}

}  // namespace

Answer ErrorAnswer(int status, const std::string& message) {
  return JsonAnswer(status, Json{{"ok", false}, {"error", ErrorJson(message, message, "", 0, 0)}});
}

Answer SchemaAnswer() {
  static const std::string body = Dump(ModelSchema());
  Answer a;
  a.Body = body;
  return a;
}

Answer ExamplesAnswer() {
  return Guarded([] {
    Json examples = Json::array();
    for (const EmbeddedFile& f : EmbeddedFiles()) {
      if (!f.Path.starts_with("examples/") || !f.Path.ends_with(".toml")) continue;
      const std::string_view name = f.Path.substr(9, f.Path.size() - 9 - 5);
      examples.push_back(Json{{"name", std::string(name)}, {"description", Description(f.Data)}});
    }
    Json templates = Json::array();
    for (const Template& t : kTemplates)
      templates.push_back(Json{{"name", t.Name}, {"label", t.Label}, {"example", t.Example}});
    return JsonAnswer(200, Json{{"examples", examples}, {"templates", templates}});
  });
}

Answer ExampleAnswer(std::string_view name) {
  return Guarded([name] {
    const EmbeddedFile* f = Example(name);
    if (f == nullptr) return ErrorAnswer(404, "there is no example " + std::string(name.substr(0, 80)));
    const std::string text(f->Data);
    return JsonAnswer(200, Json{{"name", std::string(name)},
                                {"description", Description(f->Data)},
                                {"toml", text},
                                {"model", TomlToModel(text)}});
  });
}

Answer AnalyseAnswer(const std::string& body) {
  return Guarded([&body] { return Analyse(ParseRequest(body)); });
}

Answer ConvertAnswer(const std::string& body) {
  return Guarded([&body] { return Convert(ParseRequest(body)); });
}

}  // namespace darnek::serve
