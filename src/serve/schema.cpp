// The model schema for the page's forms, walked from the field table that the
// TOML reader uses, so that a form can never offer a key the reader does not
// know, nor miss one it does.
#include "serve/schema.h"

#include <algorithm>
#include <map>
#include <string>

#include "toml/field_table.h"

namespace darnek::serve {
namespace {

namespace ti = toml_input;

const char* TypeName(ti::Type type) {
  switch (type) {
    case ti::Type::Integer:
      return "integer";
    case ti::Type::Real:
      return "real";
    case ti::Type::Text:
      return "text";
    case ti::Type::Code:
      return "code";
    case ti::Type::Flag:
      return "flag";
    case ti::Type::Names:
      return "names";
  }
  return "real";
}

Json UnitJson(ti::Unit unit) {
  if (unit == ti::Unit::None) return nullptr;
  return Json{{"english", std::string(ti::EnglishUnit(unit))}, {"si", std::string(ti::SiUnit(unit))}};
}

// What an absent key means: null when the key is required.
Json DefaultJson(const ti::Field& f) {
  switch (f.Fallback.Kind) {
    case ti::DefaultKind::Required:
      return nullptr;
    case ti::DefaultKind::Text:
      return Json{{"value", std::string(f.Fallback.Text)}};
    case ti::DefaultKind::SameAs:
      return Json{{"same_as", std::string(f.Fallback.Text)}};
    case ti::DefaultKind::None:  // optional: the design data say what they lack
      return Json{{"none", true}};
    case ti::DefaultKind::Method:  // the design method's own value
      return Json{{"from_method", true}};
    case ti::DefaultKind::Model:  // the model's value of what a variable targets
      return Json{{"from_model", true}};
    case ti::DefaultKind::Value:
    case ti::DefaultKind::Top:
      break;
  }
  if (f.Type == ti::Type::Flag) return Json{{"value", int(f.Fallback.Value) != f.Codes->Codes[0].Number}};
  if (f.Type == ti::Type::Code)
    if (const ti::Code* c = f.Codes->ByNumber(int(f.Fallback.Value)))
      return Json{{"value", std::string(c->Name)}};
  if (f.Type == ti::Type::Integer) return Json{{"value", static_cast<long long>(f.Fallback.Value)}};
  return Json{{"value", f.Fallback.Value}};
}

Json FieldJson(const ti::Field& f, std::string_view key) {
  Json j = Json::object();
  j["key"] = std::string(key);
  j["type"] = TypeName(f.Type);
  j["help"] = std::string(f.Meaning);
  j["unit"] = UnitJson(f.Unit);
  j["default"] = DefaultJson(f);
  if (f.Type == ti::Type::Code) {
    Json values = Json::array();
    for (const ti::Code& c : f.Codes->Codes) {
      Json v{{"name", std::string(c.Name)}, {"number", c.Number}};
      if (c.Group != 0) v["group"] = c.Group;
      values.push_back(v);
    }
    j["values"] = values;
    j["numbers"] = f.Codes->Numbers;
  }
  // The top and bottom of a layer or a tapered section: one value, or a pair.
  if (f.End != ti::End::None) j["pair"] = true;
  j["when"] = Json::array();
  return j;
}

class Walker {
 public:
  Json Make() {
    Table("", "the file", false);
    for (const ti::Field& f : ti::FileFields()) Add("", f.Key, FieldJson(f, f.Key), "");
    Add("", "stage", Nested("tables", "stage", "a stage, analysed in order"), "");
    Table("stage", "a stage, analysed in order", true);
    // A stage may give its own unit system, else the file's applies.
    Json units = FieldJson(ti::FileFields()[0], "units");
    units["help"] = "the stage's own unit system; the file's `units` when absent";
    units["default"] = Json{{"same_as", "units"}};
    Add("stage", "units", units, "");
    Walk(ti::StageSchema(), "stage", "");
    Add("", "design", Nested("table", "design", "design checks after every stage (docs/design-checks.md)"),
        "");
    Table("design", "the design checks", false);
    Walk(ti::DesignSchema(), "design", "");
    Add("", "reliability",
        Nested(
            "table", "reliability",
            "uncertain inputs of a reliability study (docs/reliability.md), which the analysis here ignores"),
        "");
    Table("reliability", "the reliability study", false);
    Walk(ti::ReliabilitySchema(), "reliability", "");
    Json out = Json::object();
    out["tables"] = Json::object();
    for (const std::string& path : order_) out["tables"][path] = tables_[path];
    return out;
  }

 private:
  static Json Nested(const char* type, const std::string& path, std::string_view element) {
    return Json{{"key", ""},
                {"type", type},
                {"table", path},
                {"help", std::string(element)},
                {"when", Json::array()}};
  }

  void Table(const std::string& path, std::string_view element, bool array) {
    if (tables_.count(path)) return;
    order_.push_back(path);
    tables_[path] = Json{{"array", array}, {"element", std::string(element)}, {"fields", Json::array()}};
  }

  // A dotted key lands in its sub-table (`ground.excavation_depth`), which
  // the table holds as a key of its own.
  std::string Holder(const std::string& table, std::string_view& key) {
    std::string holder = table;
    for (size_t dot = key.find('.'); dot != std::string_view::npos; dot = key.find('.')) {
      const std::string part(key.substr(0, dot));
      const std::string sub = holder.empty() ? part : holder + "." + part;
      Table(sub, part, false);
      Add(holder, part, Nested("table", sub, part), "");
      holder = sub;
      key.remove_prefix(dot + 1);
    }
    return holder;
  }

  // The first place a key is read gives its type and help; every condition
  // under which it is read is listed.
  void Add(const std::string& table, std::string_view key, Json field, const std::string& why) {
    Json& fields = tables_[table]["fields"];
    for (Json& existing : fields) {
      if (existing["key"] != key) continue;
      Json& when = existing["when"];
      if (why.empty())
        when = Json::array();
      else if (!when.empty() && std::find(when.begin(), when.end(), why) == when.end())
        when.push_back(why);
      // Read for some codes here and for others there: for all of them together.
      if (!existing.contains("applies")) return;
      if (!field.contains("applies")) {
        existing.erase("applies");
        return;
      }
      Json& values = existing["applies"]["values"];
      for (const Json& v : field["applies"]["values"])
        if (std::find(values.begin(), values.end(), v) == values.end()) values.push_back(v);
      if (code_ != nullptr && values.size() == code_->Codes->Codes.size()) existing.erase("applies");
      return;
    }
    field["key"] = std::string(key);
    if (!why.empty()) field["when"].push_back(why);
    fields.push_back(std::move(field));
  }

  // The names of the element's code for which a condition holds, when it
  // depends on that code alone (a soil layer's `type`, a section's `shape`):
  // {"key": "shape", "values": [...]}; null otherwise.
  Json Applies(ti::Condition condition) const {
    if (code_ == nullptr || condition == nullptr) return nullptr;
    Json values = Json::array();
    for (const ti::Code& c : code_->Codes->Codes) {
      ti::Scope scope;
      scope.Set(code_->Item, c.Number);
      if (nonlinear_ != nullptr) scope.Set(nonlinear_->Item, c.Group);
      if (condition(scope)) values.push_back(std::string(c.Name));
    }
    if (values.empty() || values.size() == code_->Codes->Codes.size()) return nullptr;
    return Json{{"key", std::string(code_->Key)}, {"values", values}};
  }

  void Walk(const std::vector<ti::Node>& nodes, const std::string& table, const std::string& why,
            const Json& applies = nullptr) {
    for (const ti::Node& n : nodes) {
      switch (n.Kind) {
        case ti::NodeKind::Rec:
          Record(*n.Record, table, why, applies);
          break;
        case ti::NodeKind::When: {
          // Nested conditions: the inner one holds only where the outer does.
          Json inner = Applies(n.When);
          if (!applies.is_null() && !inner.is_null()) {
            Json both = Json::array();
            for (const Json& v : inner["values"])
              if (std::find(applies["values"].begin(), applies["values"].end(), v) != applies["values"].end())
                both.push_back(v);
            inner["values"] = both;
          }
          Walk(n.Children, table, std::string(n.Why), inner.is_null() ? applies : inner);
          break;
        }
        case ti::NodeKind::Each: {
          std::string_view key = n.Key;
          const std::string holder = Holder(table, key);
          const std::string sub = holder + "." + std::string(key);
          Add(holder, key, Nested("tables", sub, n.Element), why);
          Table(sub, n.Element, true);
          const ti::Field* code = code_;
          const ti::Field* nonlinear = nonlinear_;
          ElementCode(n, sub);
          Walk(n.Children, sub, "");
          code_ = code;
          nonlinear_ = nonlinear;
          break;
        }
        case ti::NodeKind::Rows: {
          std::string_view key = n.Key;
          const std::string holder = Holder(table, key);
          Json rows{{"type", "rows"}, {"help", std::string(n.Element)}, {"when", Json::array()}};
          Json columns = Json::array();
          for (const ti::Field& f : n.Record->Items) columns.push_back(FieldJson(f, f.Key));
          rows["columns"] = columns;
          if (!applies.is_null()) rows["applies"] = applies;
          Add(holder, key, rows, why);
          break;
        }
      }
    }
  }

  // The code that decides what an element holds: the first named code of its
  // first record (and the flag derived from a shape's group). A table walked
  // twice (the cross sections' moment-curvature tables come after the other
  // records) keeps the code its first walk found.
  void ElementCode(const ti::Node& each, const std::string& table) {
    code_ = nullptr;
    nonlinear_ = nullptr;
    for (const ti::Node& child : each.Children) {
      if (child.Kind != ti::NodeKind::Rec) continue;
      for (const ti::Field& f : child.Record->Items) {
        if (f.Type == ti::Type::Code && f.From == ti::From::Key && code_ == nullptr) code_ = &f;
        if (f.From == ti::From::Nonlinear) nonlinear_ = &f;
      }
      break;
    }
    if (code_ != nullptr) {
      codes_[table] = {code_, nonlinear_};
    } else if (const auto it = codes_.find(table); it != codes_.end()) {
      code_ = it->second.first;
      nonlinear_ = it->second.second;
    }
  }

  void Record(const ti::Record& r, const std::string& table, const std::string& why, const Json& applies) {
    for (const ti::Field& f : r.Items) {
      const bool keyed = f.From == ti::From::Key || f.From == ti::From::Case || f.From == ti::From::Tapered ||
                         f.From == ti::From::CountOrRows;
      if (!keyed || f.Key.empty()) continue;
      std::string_view key = f.Key;
      const std::string holder = Holder(table, key);
      Json field = FieldJson(f, key);
      field["record"] = std::string(r.Id);
      // Keys the reader can work out for itself.
      if (f.From == ti::From::Case || f.From == ti::From::CountOrRows) field["type"] = "integer";
      if (f.From == ti::From::Tapered) field["type"] = "flag";
      if (f.From != ti::From::Key) field["implied"] = true;
      if (!applies.is_null()) field["applies"] = applies;
      Add(holder, key, field, why);
      if (!f.AltKey.empty()) {
        std::string_view alt_key = f.AltKey;
        const std::string alt_holder = Holder(table, alt_key);
        Json alt = FieldJson(f, alt_key);
        alt["help"] = std::string(f.AltMeaning);
        alt["unit"] = UnitJson(f.AltUnit);
        alt["instead_of"] = std::string(key);
        alt["record"] = std::string(r.Id);
        const Json alt_applies = Applies(f.AltWhen);
        if (!alt_applies.is_null()) alt["applies"] = alt_applies;
        Add(alt_holder, alt_key, alt, why);
      }
    }
  }

  const ti::Field* code_ = nullptr;
  const ti::Field* nonlinear_ = nullptr;
  std::map<std::string, std::pair<const ti::Field*, const ti::Field*>> codes_;
  std::vector<std::string> order_;
  std::map<std::string, Json> tables_;
};

}  // namespace

const Json& ModelSchema() {
  static const Json schema = Walker().Make();
  return schema;
}

const Json* SchemaField(const std::string& table, std::string_view key) {
  const Json& tables = ModelSchema()["tables"];
  const auto it = tables.find(table);
  if (it == tables.end()) return nullptr;
  for (const Json& f : (*it)["fields"])
    if (f["key"] == key) return &f;
  return nullptr;
}

}  // namespace darnek::serve
