// Models as TOML text and back.
#include "serve/model.h"

#include <toml++/toml.h>

#include <cstdint>
#include <set>
#include <sstream>

#include "toml/field_table.h"
#include "toml/toml_input.h"

namespace darnek::serve {
namespace {

// Deeper than any input the field table describes (stage, cross section,
// rebars, positions, a row): a deeper model is not an input.
constexpr int kMaxDepth = 12;

bool BareKey(const std::string& key) {
  if (key.empty()) return false;
  for (char c : key)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-'))
      return false;
  return true;
}

std::string TomlString(const std::string& text) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string out = "\"";
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (c < 0x20 || c == 0x7f) {
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += ch;
        }
    }
  }
  return out + "\"";
}

std::string KeyText(const std::string& key) { return BareKey(key) ? key : TomlString(key); }

bool IsTable(const Json& v) { return v.is_object(); }
bool IsTableArray(const Json& v) {
  if (!v.is_array() || v.empty()) return false;
  for (const Json& e : v)
    if (!e.is_object()) return false;
  return true;
}

class Writer {
 public:
  std::string Make(const Json& model) {
    if (!model.is_object()) throw ModelError("", "a model is an object of TOML keys");
    Table(model, "", "", 0);
    return out_;
  }

 private:
  // The keys the schema lists for the table, in its order, then the others.
  static std::vector<std::string> Ordered(const Json& table, const std::string& schema_path) {
    std::vector<std::string> keys;
    std::set<std::string> seen;
    const Json& tables = ModelSchema()["tables"];
    const auto it = tables.find(schema_path);
    if (it != tables.end())
      for (const Json& f : (*it)["fields"]) {
        const std::string key = f["key"];
        if (table.contains(key) && seen.insert(key).second) keys.push_back(key);
      }
    for (auto e = table.begin(); e != table.end(); ++e)
      if (seen.insert(e.key()).second) keys.push_back(e.key());
    return keys;
  }

  void Value(const Json& v, bool real, const std::string& path, int depth) {
    if (depth > kMaxDepth) throw ModelError(path, "nested too deeply");
    if (v.is_boolean()) {
      out_ += v.get<bool>() ? "true" : "false";
    } else if (v.is_number_integer() || v.is_number_unsigned()) {
      if (real)
        out_ += toml_input::RealText(v.get<double>());
      else
        out_ += v.is_number_unsigned() ? std::to_string(v.get<std::uint64_t>())
                                       : std::to_string(v.get<std::int64_t>());
    } else if (v.is_number_float()) {
      out_ += toml_input::RealText(v.get<double>());
    } else if (v.is_string()) {
      out_ += TomlString(v.get<std::string>());
    } else if (v.is_array()) {
      // Rows of a table, one to a line; a [top, bottom] pair on one line.
      const bool rows = !v.empty() && v[0].is_array();
      out_ += '[';
      for (size_t i = 0; i < v.size(); ++i) {
        if (v[i].is_null()) throw ModelError(path, "an array cannot hold null");
        if (v[i].is_object()) throw ModelError(path, "an array of values cannot hold a table");
        out_ += rows ? "\n  " : (i ? ", " : "");
        Value(v[i], real, path + "[" + std::to_string(i) + "]", depth + 1);
        if (rows) out_ += ',';
      }
      out_ += rows ? "\n]" : "]";
    } else {
      throw ModelError(path, "a value TOML cannot hold");
    }
  }

  static bool RealField(const std::string& schema_path, const std::string& key) {
    const Json* f = SchemaField(schema_path, key);
    if (f == nullptr) return false;
    if ((*f)["type"] == "real") return true;
    // Rows whose columns are reals (every column of every row table is).
    if ((*f)["type"] == "rows")
      for (const Json& c : (*f)["columns"])
        if (c["type"] == "real") return true;
    return false;
  }

  void Table(const Json& table, const std::string& header, const std::string& schema_path, int depth) {
    if (depth > kMaxDepth) throw ModelError(header, "nested too deeply");
    const std::vector<std::string> keys = Ordered(table, schema_path);
    for (const std::string& key : keys) {
      const Json& v = table[key];
      if (v.is_null() || IsTable(v) || IsTableArray(v)) continue;
      const std::string path = header.empty() ? key : header + "." + key;
      out_ += KeyText(key) + " = ";
      Value(v, RealField(schema_path, key), path, depth + 1);
      out_ += '\n';
    }
    for (const std::string& key : keys) {
      const Json& v = table[key];
      const std::string sub = header.empty() ? KeyText(key) : header + "." + KeyText(key);
      const std::string sub_schema = schema_path.empty() ? key : schema_path + "." + key;
      if (IsTable(v)) {
        // Written even when empty: an empty `[design]` still asks for the
        // design checks, with every default.
        out_ += "\n[" + sub + "]\n";
        Table(v, sub, sub_schema, depth + 1);
      } else if (IsTableArray(v)) {
        for (const Json& element : v) {
          out_ += "\n[[" + sub + "]]\n";
          Table(element, sub, sub_schema, depth + 1);
        }
      }
    }
  }

  std::string out_;
};

Json FromNode(const toml::node& node) {
  if (const auto* t = node.as_table()) {
    Json out = Json::object();
    for (const auto& [key, value] : *t) out[std::string(key.str())] = FromNode(value);
    return out;
  }
  if (const auto* a = node.as_array()) {
    Json out = Json::array();
    for (const toml::node& e : *a) out.push_back(FromNode(e));
    return out;
  }
  if (const auto* v = node.as_integer()) return v->get();
  if (const auto* v = node.as_floating_point()) return v->get();
  if (const auto* v = node.as_boolean()) return v->get();
  if (const auto* v = node.as_string()) return v->get();
  // Dates and times: no key of the input takes one; kept as their text so
  // that the reader names the key.
  std::ostringstream text;
  node.visit([&text](const auto& value) { text << value; });
  return text.str();
}

}  // namespace

std::string ModelToToml(const Json& model) { return Writer().Make(model); }

Json TomlToModel(const std::string& toml_text) {
  toml_input::CheckAsciiOutsideTexts(toml_text);
  try {
    const toml::table root = toml::parse(toml_text);
    return FromNode(root);
  } catch (const toml::parse_error& e) {
    const toml::source_position where = e.source().begin;
    throw toml_input::TomlError(static_cast<int>(where.line), static_cast<int>(where.column),
                                std::string(e.description()));
  }
}

Json KeyPath(const std::string& path) {
  Json keys = Json::array();
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find(", ", start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    start = end + 2;
    // "soil_layer 2": an element of an array of tables.
    const size_t space = part.rfind(' ');
    if (space != std::string::npos && space + 1 < part.size() && part.size() - space <= 9 &&
        part.find_first_not_of("0123456789", space + 1) == std::string::npos) {
      keys.push_back(part.substr(0, space));
      keys.push_back(std::stoi(part.substr(space + 1)) - 1);
      continue;
    }
    // "ground.excavation_depth": a key of a sub-table.
    size_t from = 0;
    for (size_t dot = part.find('.'); dot != std::string::npos; dot = part.find('.', from)) {
      keys.push_back(part.substr(from, dot - from));
      from = dot + 1;
    }
    keys.push_back(part.substr(from));
  }
  return keys;
}

}  // namespace darnek::serve
