// TOML to records: the field table walked over a parsed TOML document, each
// record written as one line of list-directed values, and the TOML place of
// every item kept so that the engine's input errors can name it.
#include <toml++/toml.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>

#include "toml/field_table.h"
#include "toml/toml_input.h"

namespace darnek::toml_input {

TomlError::TomlError(int line, int column, const std::string& what)
    : std::runtime_error("line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + what),
      line_(line),
      column_(column) {}

TomlError::TomlError(int line, int column, const std::string& path, const std::string& what)
    : TomlError(line, column, path + ": " + what) {
  path_ = path;
}

bool IsTomlPath(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == "toml";
}

namespace {

struct Place {
  int line = 0;
  int column = 0;
};

Place Where(const toml::node& node) {
  const auto& begin = node.source().begin;
  return {static_cast<int>(begin.line), static_cast<int>(begin.column)};
}

std::string TypeName(const toml::node& node) {
  if (node.is_string()) return "a text";
  if (node.is_integer()) return "an integer";
  if (node.is_floating_point()) return "a real number";
  if (node.is_boolean()) return "true or false";
  if (node.is_array()) return "an array";
  if (node.is_table()) return "a table";
  return "a date or time";
}

// One TOML table that records are made from: a stage, an element of an array
// of tables, with the keys used so far.
struct Context {
  const toml::table* table = nullptr;
  std::string path;
  toml_input::Place place;
  int position = 0;
  std::set<std::string, std::less<>> used;
  std::vector<const std::vector<Node>*> schemas;  // the nodes this table is walked with
};

// The value of one item and where it came from.
struct ItemValue {
  std::string text;
  double number = 0;
  bool numeric = true;
  RecordPlace::Item place;
};

std::set<std::string_view> PairKeys() {
  std::set<std::string_view> keys;
  const auto walk = [&](const auto& self, const std::vector<Node>& nodes) -> void {
    for (const Node& n : nodes) {
      if (n.record)
        for (const Field& f : n.record->items)
          if (f.end != End::None) keys.insert(f.key);
      self(self, n.children);
    }
  };
  walk(walk, StageSchema());
  return keys;
}

std::string QuoteText(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

class Writer {
 public:
  explicit Writer(const toml::table& root) : root_(root), pair_keys_(PairKeys()) {}

  Records Make() {
    for (const auto& [key, node] : root_) {
      const std::string k(key.str());
      const Place place{static_cast<int>(key.source().begin.line),
                        static_cast<int>(key.source().begin.column)};
      if (k == "stage_memory") {
        const auto* b = node.as_boolean();
        if (!b) Fail(place, k, "must be true or false");
        out_.stage_memory = b->get();
      } else if (k == "unload_factor") {
        const std::optional<double> f = node.value<double>();
        if (!f || !std::isfinite(*f) || *f <= 0)
          Fail(place, k,
               "must be a number greater than 0 (the unload/reload stiffness over the first slope)");
        out_.unload_factor = *f;
      } else if (k != "units" && k != "stage") {
        Fail(place, k,
             "unknown key (the file holds `units`, `stage_memory`, `unload_factor` and the `[[stage]]` "
             "tables)");
      }
    }
    const toml::node* stages = root_.get("stage");
    if (!stages || !stages->is_array_of_tables() || stages->as_array()->empty())
      Fail({1, 1}, "stage", "the file has no `[[stage]]` table");
    const toml::array& array = *stages->as_array();
    stage_count_ = static_cast<int>(array.size());
    for (int i = 0; i < stage_count_; ++i) Stage(*array.get(static_cast<size_t>(i))->as_table(), i + 1);
    return std::move(out_);
  }

 private:
  [[noreturn]] static void Fail(Place place, const std::string& path, const std::string& what) {
    throw TomlError(place.line, place.column, path, what);
  }

  void Stage(const toml::table& table, int number) {
    scope_ = Scope{};
    element_scopes_.clear();
    element_contexts_.clear();
    stage_ = number;
    Context ctx;
    ctx.table = &table;
    ctx.path = "stage " + std::to_string(number);
    ctx.place = Where(table);
    ctx.position = number;
    ctx.schemas = {&StageSchema()};
    Walk(StageSchema(), ctx);
    CheckKeptGround(ctx);
    // The stage-continuation value: another stage follows, or the run ends.
    RecordPlace continuation{number, ctx.path, ctx.place.line, ctx.place.column, {}};
    Emit(number < stage_count_ ? "1" : std::to_string(stage_count_), continuation);
    CheckKeys(ctx);
    for (const auto& [name, element] : element_contexts_) CheckKeys(element);
  }

  void Emit(const std::string& line, const RecordPlace& place) {
    out_.text += line;
    out_.text += '\n';
    out_.places.push_back(place);
  }

  void Walk(const std::vector<Node>& nodes, Context& ctx) {
    for (const Node& node : nodes) {
      switch (node.kind) {
        case NodeKind::Rec: {
          const std::vector<ItemValue> values = Values(*node.record, ctx);
          EmitRecord(*node.record, ctx, values);
          break;
        }
        case NodeKind::When:
          if (node.when(scope_)) Walk(node.children, ctx);
          break;
        case NodeKind::Each:
          EachElement(node, ctx);
          break;
        case NodeKind::Rows:
          RowsOf(node, ctx);
          break;
      }
    }
  }

  void EmitRecord(const Record& record, const Context& ctx, const std::vector<ItemValue>& values) {
    RecordPlace place{stage_, ctx.path, ctx.place.line, ctx.place.column, {}};
    std::string line;
    for (const ItemValue& v : values) {
      if (!record.text_line && !line.empty()) line += ' ';
      line += v.text;
      place.items.push_back(v.place);
    }
    if (record.id == "E1") kept_.wall = values;
    if (record.id == "E3") {
      kept_.surcharges.clear();
      kept_.stage = stage_;
    }
    if (record.id == "E4") kept_.surcharges.push_back(values);
    Emit(line, place);
  }

  // The elements of an array of tables, each walked with the node's children.
  void EachElement(const Node& node, Context& ctx) {
    const toml::node* array_node = ctx.table->get(node.key);
    ctx.used.insert(std::string(node.key));
    if (!array_node) return;
    if (!array_node->is_array_of_tables())
      Fail(
          Where(*array_node), ctx.path + ", " + std::string(node.key),
          "expected tables (`[[...]]` headers or an array of inline tables), found " + TypeName(*array_node));
    const toml::array& array = *array_node->as_array();
    for (size_t i = 0; i < array.size(); ++i) {
      const std::string name = ctx.path + ", " + std::string(node.key) + " " + std::to_string(i + 1);
      auto [it, fresh] = element_contexts_.try_emplace(name);
      Context& element = it->second;
      if (fresh) {
        element.table = array.get(i)->as_table();
        element.path = name;
        element.place = Where(*array.get(i));
        element.position = static_cast<int>(i) + 1;
      }
      if (std::find(element.schemas.begin(), element.schemas.end(), &node.children) == element.schemas.end())
        element.schemas.push_back(&node.children);
      // A second walk over the same elements sees what the first one set.
      Scope outer = scope_;
      auto saved = element_scopes_.find(name);
      if (saved != element_scopes_.end()) scope_.Merge(saved->second);
      Walk(node.children, element);
      element_scopes_[name] = scope_;
      scope_ = outer;
    }
  }

  // Rows of an array of arrays: [[a, b], [a, b], ...], one record per row.
  void RowsOf(const Node& node, Context& ctx) {
    const toml::node* array_node = Lookup(ctx, node.key);
    ctx.used.insert(std::string(node.key));
    if (!array_node) return;
    const std::string path = ctx.path + ", " + std::string(node.key);
    const size_t width = node.record->items.size();
    const toml::array* array = array_node->as_array();
    if (!array) Fail(Where(*array_node), path, "expected an array of rows, found " + TypeName(*array_node));
    for (size_t i = 0; i < array->size(); ++i) {
      const toml::node& row = *array->get(i);
      const std::string row_path = path + " " + std::to_string(i + 1);
      const toml::array* cells = row.as_array();
      if (!cells || cells->size() != width)
        Fail(Where(row), row_path,
             "expected a row of " + std::to_string(width) + " numbers " + Columns(*node.record));
      RecordPlace place{stage_, row_path, Where(row).line, Where(row).column, {}};
      std::string line;
      for (size_t c = 0; c < width; ++c) {
        const Field& f = node.record->items[c];
        const double v = Number(*cells->get(c), row_path + ", " + std::string(f.key));
        if (!line.empty()) line += ' ';
        line += RealText(v);
        place.items.push_back(
            {std::string(node.key) + " " + std::to_string(i + 1) + ", " + std::string(f.key),
             Where(*cells->get(c)).line, Where(*cells->get(c)).column});
      }
      Emit(line, place);
    }
  }

  static std::string Columns(const Record& r) {
    std::string out = "[";
    for (size_t i = 0; i < r.items.size(); ++i) out += (i ? ", " : "") + std::string(r.items[i].key);
    return out + "]";
  }

  // A key of the context's table; a dotted key reaches into a sub-table.
  const toml::node* Lookup(const Context& ctx, std::string_view dotted) const {
    const toml::table* table = ctx.table;
    std::string path = ctx.path;
    for (;;) {
      const size_t dot = dotted.find('.');
      if (dot == std::string_view::npos) return table->get(dotted);
      const std::string part(dotted.substr(0, dot));
      const toml::node* sub = table->get(part);
      path += ", " + part;
      if (!sub) return nullptr;
      if (!sub->is_table()) Fail(Where(*sub), path, "expected a table, found " + TypeName(*sub));
      table = sub->as_table();
      dotted.remove_prefix(dot + 1);
    }
  }

  static double Number(const toml::node& node, const std::string& path) {
    double v = 0;
    if (const auto* i = node.as_integer()) {
      v = static_cast<double>(i->get());
    } else if (const auto* d = node.as_floating_point()) {
      v = d->get();
    } else {
      Fail(Where(node), path, "expected a number, found " + TypeName(node));
    }
    if (!std::isfinite(v)) Fail(Where(node), path, "expected a finite number");
    return v;
  }

  static int Integer(const toml::node& node, const std::string& path) {
    const auto* i = node.as_integer();
    if (!i) Fail(Where(node), path, "expected an integer, found " + TypeName(node));
    const int64_t v = i->get();
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
      Fail(Where(node), path, "the integer " + std::to_string(v) + " is too large");
    return static_cast<int>(v);
  }

  static int CodeOf(const toml::node& node, const CodeSet& codes, const std::string& path,
                    int* group = nullptr) {
    if (const auto* s = node.as_string()) {
      const Code* c = codes.ByName(s->get());
      if (!c) Fail(Where(node), path, "\"" + std::string(s->get()) + "\" is not one of " + codes.Names());
      if (group) *group = c->group;
      return c->number;
    }
    if (codes.numbers && node.is_integer()) return Integer(node, path);
    Fail(Where(node), path, "expected one of " + codes.Names() + ", found " + TypeName(node));
  }

  static int FlagOf(const toml::node& node, const CodeSet& codes, const std::string& path) {
    if (const auto* b = node.as_boolean()) return codes.codes[b->get() ? 1 : 0].number;
    if (node.is_integer()) return Integer(node, path);
    Fail(Where(node), path, "expected true or false, found " + TypeName(node));
  }

  std::vector<ItemValue> Values(const Record& record, Context& ctx) {
    std::vector<ItemValue> values;
    for (const Field& f : record.items) {
      ItemValue v = Value(f, record, ctx);
      if (v.numeric) scope_.Set(f.item, v.number);
      values.push_back(std::move(v));
    }
    return values;
  }

  static ItemValue NumberValue(double number, Type type, RecordPlace::Item place) {
    ItemValue v;
    v.number = number;
    v.text = type == Type::Real ? RealText(number) : std::to_string(static_cast<int>(number));
    v.place = std::move(place);
    return v;
  }

  ItemValue Value(const Field& f, const Record& record, Context& ctx) {
    const RecordPlace::Item here{std::string(f.key), ctx.place.line, ctx.place.column};
    switch (f.from) {
      case From::Key:
        return KeyValue(f, record, ctx);
      case From::Count: {
        const toml::node* array = Lookup(ctx, f.key);
        return NumberValue(array && array->is_array() ? static_cast<double>(array->as_array()->size()) : 0,
                           Type::Integer, here);
      }
      case From::Position:
        return NumberValue(ctx.position, Type::Integer, {});
      case From::Stages:
        return NumberValue(stage_count_, Type::Integer, {});
      case From::Zero:
        return NumberValue(0, f.type, {});
      case From::Units:
        return UnitsValue(f, ctx);
      case From::Case:
        return CaseValue(f, ctx);
      case From::Nonlinear: {
        const toml::node* shape = ctx.table->get("shape");
        int group = 0;
        if (shape) CodeOf(*shape, ShapeCodes(), ctx.path + ", shape", &group);
        return NumberValue(group, Type::Integer, {"shape", ctx.place.line, ctx.place.column});
      }
      case From::Tapered:
        return TaperedValue(f, ctx);
      case From::CountOrRows:
        return CountOrRowsValue(f, ctx);
    }
    return {};
  }

  ItemValue UnitsValue(const Field& f, Context& ctx) {
    const toml::node* node = ctx.table->get("units");
    std::string path = ctx.path + ", units";
    if (node) {
      ctx.used.insert("units");
    } else {
      node = root_.get("units");
      path = "units";
    }
    if (!node)
      Fail(ctx.place, ctx.path,
           "the unit system is not given: write `units = \"english\"` or `\"si\"` at the top of the file");
    return NumberValue(CodeOf(*node, UnitCodes(), path), Type::Integer,
                       {std::string(f.key), Where(*node).line, Where(*node).column});
  }

  ItemValue CaseValue(const Field& f, Context& ctx) {
    const toml::node* given = ctx.table->get("case");
    if (given) {
      ctx.used.insert("case");
      return NumberValue(Integer(*given, ctx.path + ", case"), Type::Integer,
                         {"case", Where(*given).line, Where(*given).column});
    }
    const bool deflection = ctx.table->get("deflection") != nullptr;
    const bool slope = ctx.table->get("slope_rad") != nullptr;
    if (!deflection && !slope) Fail(ctx.place, ctx.path, "give `deflection`, `slope_rad` or both");
    return NumberValue(deflection && slope ? 3 : (slope ? 2 : 1), Type::Integer,
                       {std::string(f.key), ctx.place.line, ctx.place.column});
  }

  ItemValue TaperedValue(const Field& f, Context& ctx) {
    const toml::node* pair = nullptr;
    for (const auto& [key, node] : *ctx.table)
      if (node.is_array() && pair_keys_.count(key.str())) pair = &node;
    const toml::node* given = ctx.table->get(f.key);
    if (given) {
      ctx.used.insert(std::string(f.key));
      const auto* b = given->as_boolean();
      if (!b)
        Fail(Where(*given), ctx.path + ", " + std::string(f.key),
             "expected true or false, found " + TypeName(*given));
      if (!b->get() && pair)
        Fail(Where(*pair), ctx.path, "[top, bottom] pairs need a tapered section, but `tapered` is false");
      return NumberValue(b->get() ? 1 : 0, Type::Integer,
                         {std::string(f.key), Where(*given).line, Where(*given).column});
    }
    return NumberValue(pair ? 1 : 0, Type::Integer, {std::string(f.key), ctx.place.line, ctx.place.column});
  }

  ItemValue CountOrRowsValue(const Field& f, Context& ctx) {
    const toml::node* rows = Lookup(ctx, f.rows);
    const toml::node* count = Lookup(ctx, f.key);
    if (count) ctx.used.insert(std::string(f.key));
    if (rows && rows->is_array()) {
      const int n = static_cast<int>(rows->as_array()->size());
      if (count && Integer(*count, ctx.path + ", " + std::string(f.key)) != n)
        Fail(Where(*count), ctx.path + ", " + std::string(f.key),
             "gives " + std::to_string(Integer(*count, "")) + " but `" + std::string(f.rows) + "` has " +
                 std::to_string(n) + " rows");
      return NumberValue(n, Type::Integer, {std::string(f.rows), Where(*rows).line, Where(*rows).column});
    }
    if (!count) Fail(ctx.place, ctx.path, "`" + std::string(f.key) + "` is missing");
    return NumberValue(Integer(*count, ctx.path + ", " + std::string(f.key)), Type::Integer,
                       {std::string(f.key), Where(*count).line, Where(*count).column});
  }

  ItemValue KeyValue(const Field& f, const Record& record, Context& ctx) {
    std::string_view key = f.key;
    if (f.alt_when) {
      const bool alt = f.alt_when(scope_);
      const std::string_view other = alt ? f.key : f.alt_key;
      key = alt ? f.alt_key : f.key;
      if (const toml::node* wrong = Lookup(ctx, other))
        Fail(Where(*wrong), ctx.path + ", " + std::string(other),
             "not used by this soil type: give `" + std::string(key) + "` instead");
    }
    const std::string path = ctx.path + ", " + std::string(key);
    const toml::node* node = Lookup(ctx, key);
    ItemValue v;
    v.place = {std::string(key), ctx.place.line, ctx.place.column};
    if (!node) {
      switch (f.fallback.kind) {
        case DefaultKind::Required:
          Fail(ctx.place, ctx.path, "`" + std::string(key) + "` is missing");
        case DefaultKind::Text:
          v.numeric = false;
          v.text = QuoteText(std::string(f.fallback.text));
          return v;
        case DefaultKind::SameAs: {
          const toml::node* same = Lookup(ctx, f.fallback.text);
          if (!same) Fail(ctx.place, ctx.path, "`" + std::string(f.fallback.text) + "` is missing");
          return NumberValue(f.type == Type::Real ? Number(*same, path) : Integer(*same, path), f.type,
                             v.place);
        }
        case DefaultKind::Value:
        case DefaultKind::Top:
          return NumberValue(f.fallback.value, f.type, v.place);
      }
    }
    ctx.used.insert(std::string(key));
    v.place = {std::string(key), Where(*node).line, Where(*node).column};
    const toml::node* value = node;
    if (f.end != End::None && node->is_array()) {
      const toml::array& pair = *node->as_array();
      if (pair.size() != 2)
        Fail(Where(*node), path,
             "expected a value or a [top, bottom] pair, found an array of " + std::to_string(pair.size()));
      value = pair.get(f.end == End::Top ? 0 : 1);
      v.place.key += f.end == End::Top ? " (top)" : " (bottom)";
    }
    switch (f.type) {
      case Type::Real:
        return NumberValue(Number(*value, path), Type::Real, v.place);
      case Type::Integer:
        return NumberValue(Integer(*value, path), Type::Integer, v.place);
      case Type::Code:
        return NumberValue(CodeOf(*value, *f.codes, path), Type::Integer, v.place);
      case Type::Flag:
        return NumberValue(FlagOf(*value, *f.codes, path), Type::Integer, v.place);
      case Type::Text: {
        const auto* s = value->as_string();
        if (!s) Fail(Where(*value), path, "expected a text, found " + TypeName(*value));
        const std::string text(s->get());
        if (text.find_first_of("\r\n") != std::string::npos)
          Fail(Where(*value), path, "a text of one line is expected");
        v.numeric = false;
        v.text = record.text_line ? text : QuoteText(text);
        return v;
      }
    }
    return v;
  }

  // A stage with a specified pressure diagram that reads no soil block keeps
  // the surcharges of the last stage that did; the records have no place for
  // surcharges of its own, so what the stage says must be what it keeps.
  void CheckKeptGround(Context& ctx) {
    if (scope_.Get("EarthPressureOption") != 1 || scope_.Get("PyCurveOption") == 2) return;
    const std::vector<Node>& schema = StageSchema();
    const Record* e1 = nullptr;
    const Record* e4 = nullptr;
    const auto find = [&](const auto& self, const std::vector<Node>& nodes) -> void {
      for (const Node& n : nodes) {
        if (n.record && n.record->id == "E1") e1 = n.record;
        if (n.record && n.record->id == "E4") e4 = n.record;
        self(self, n.children);
      }
    };
    find(find, schema);
    // The stage's own surcharges, as the records would hold them.
    std::vector<std::vector<ItemValue>> own;
    const toml::node* array_node = ctx.table->get("surcharge");
    if (array_node) {
      ctx.used.insert("surcharge");
      if (!array_node->is_array_of_tables())
        Fail(Where(*array_node), ctx.path + ", surcharge", "expected tables, found " + TypeName(*array_node));
      const toml::array& array = *array_node->as_array();
      for (size_t i = 0; i < array.size(); ++i) {
        Context element;
        element.table = array.get(i)->as_table();
        element.path = ctx.path + ", surcharge " + std::to_string(i + 1);
        element.place = Where(*array.get(i));
        element.position = static_cast<int>(i) + 1;
        own.push_back(Values(*e4, element));
        CheckKeys(element, e4);
      }
    }
    const Place where = array_node ? Where(*array_node) : ctx.place;
    const std::string kept_from = "stage " + std::to_string(kept_.stage);
    if (own.empty() && kept_.surcharges.empty()) return;
    if (kept_.stage == 0)
      Fail(where, ctx.path + ", surcharge",
           "a stage with a specified pressure diagram takes its surcharges from the ground and soil data of "
           "an "
           "earlier stage (the records read them only with generated earth pressure or p-y curves), and no "
           "earlier stage has them");
    bool same = own.size() == kept_.surcharges.size();
    for (size_t i = 0; same && i < own.size(); ++i)
      for (size_t k = 0; k < own[i].size(); ++k)
        same = same && own[i][k].number == kept_.surcharges[i][k].number;
    if (!same)
      Fail(where, ctx.path + ", surcharge",
           "a stage with a specified pressure diagram keeps the surcharges of " + kept_from +
               " (the records read surcharges only with generated earth pressure or p-y curves): give the "
               "same " +
               std::to_string(kept_.surcharges.size()) + " surcharge loads as " + kept_from);
    MarkGround(ctx, e1);
  }

  // The ground values a kept surcharge is scaled by must be given, and be
  // those kept; no other ground value is used by such a stage.
  void MarkGround(Context& ctx, const Record* e1) {
    const toml::node* ground = ctx.table->get("ground");
    const std::string kept_from = "stage " + std::to_string(kept_.stage);
    for (size_t i = 0; i < e1->items.size(); ++i) {
      const Field& f = e1->items[i];
      const bool scaled = f.item == "FreeHeight" || f.item == "WA";
      const toml::node* node = Lookup(ctx, f.key);
      if (!node) {
        if (scaled)
          Fail(ground ? Where(*ground) : ctx.place, ctx.path + ", " + std::string(f.key),
               "is missing: the kept surcharges of " + kept_from + " are scaled by it");
        continue;
      }
      if (!scaled) continue;
      ctx.used.insert(std::string(f.key));
      const std::string path = ctx.path + ", " + std::string(f.key);
      if (Number(*node, path) != kept_.wall[i].number)
        Fail(Where(*node), path,
             "must be " + kept_.wall[i].text + ", the value of " + kept_from +
                 ", whose surcharges this stage keeps");
    }
  }

  // Every key of a table must have been read by the records walked with it.
  void CheckKeys(const Context& ctx, const Record* only = nullptr) const {
    CheckTable(*ctx.table, "", ctx, only);
  }

  void CheckTable(const toml::table& table, const std::string& prefix, const Context& ctx,
                  const Record* only) const {
    for (const auto& [key, node] : table) {
      const std::string full = prefix + std::string(key.str());
      if (ctx.used.count(full)) continue;
      bool inner = false;
      for (const std::string& u : ctx.used) inner = inner || u.rfind(full + ".", 0) == 0;
      if (inner && node.is_table()) {
        CheckTable(*node.as_table(), full + ".", ctx, only);
        continue;
      }
      const auto& begin = key.source().begin;
      Fail({static_cast<int>(begin.line), static_cast<int>(begin.column)}, ctx.path + ", " + full,
           Unused(full, ctx, only));
    }
  }

  // Why a key was not read: the condition under which the records would
  // read it, or that no record has it.
  std::string Unused(const std::string& key, const Context& ctx, const Record* only) const {
    if (only) return "unknown key";
    std::string why;
    bool found = false;
    const auto walk = [&](const auto& self, const std::vector<Node>& nodes,
                          std::string_view condition) -> void {
      for (const Node& n : nodes) {
        if (found) return;
        if ((n.kind == NodeKind::Each || n.kind == NodeKind::Rows) && n.key == key) {
          found = true;
          why = condition;
          return;
        }
        if (n.record && n.kind == NodeKind::Rec)
          for (const Field& f : n.record->items)
            if ((f.from != From::Count && f.from != From::Zero && f.from != From::Position &&
                 (f.key == key || (f.key.size() > key.size() && f.key.rfind(key + ".", 0) == 0))) ||
                f.alt_key == key || f.rows == key) {
              found = true;
              why = condition;
              return;
            }
        if (n.kind == NodeKind::When) self(self, n.children, n.why);
      }
    };
    for (const std::vector<Node>* schema : ctx.schemas) walk(walk, *schema, "");
    if (!found) return "unknown key";
    if (why.empty()) return "not used here";
    return "not used here: it is read only " + why;
  }

  struct Kept {
    int stage = 0;
    std::vector<ItemValue> wall;
    std::vector<std::vector<ItemValue>> surcharges;
  };

  const toml::table& root_;
  const std::set<std::string_view> pair_keys_;
  Records out_;
  Scope scope_;
  std::map<std::string, Scope> element_scopes_;
  std::map<std::string, Context> element_contexts_;
  Kept kept_;
  int stage_ = 0;
  int stage_count_ = 0;
};

}  // namespace

Records TomlToRecords(const std::string& toml_text) {
  toml::table root;
  try {
    root = toml::parse(toml_text);
  } catch (const toml::parse_error& e) {
    const auto& begin = e.source().begin;
    throw TomlError(static_cast<int>(begin.line), static_cast<int>(begin.column),
                    std::string(e.description()));
  }
  return Writer(root).Make();
}

TomlPlace LocateInToml(const Records& records, const InputErrorPlace& place) {
  int line = place.line;
  std::string detail = place.detail;
  int item = place.item;
  // Messages composed as text still start with the line they name.
  if (line == 0 && place.message.rfind("line ", 0) == 0) {
    const size_t colon = place.message.find(": ");
    if (colon != std::string::npos) {
      try {
        line = std::stoi(place.message.substr(5, colon - 5));
        detail = place.message.substr(colon + 2);
        item = 0;
      } catch (const std::exception&) {
        line = 0;
      }
    }
  }
  TomlPlace out;
  if (line >= 1 && line <= static_cast<int>(records.places.size())) {
    const RecordPlace& p = records.places[static_cast<size_t>(line - 1)];
    out.path = p.path;
    out.stage = p.stage;
    out.detail = detail;
    if (item >= 1 && item <= static_cast<int>(p.items.size()) &&
        !p.items[static_cast<size_t>(item - 1)].key.empty()) {
      const RecordPlace::Item& it = p.items[static_cast<size_t>(item - 1)];
      out.line = it.line;
      out.column = it.column;
      out.key = it.key;
    } else {
      out.line = p.line;
      out.column = p.column;
    }
    return out;
  }
  // An error that names no record: the stage it was found in.
  out.detail = place.message;
  const int last = place.last_line;
  if (last >= 1 && last <= static_cast<int>(records.places.size()))
    out.stage = records.places[static_cast<size_t>(last - 1)].stage;
  return out;
}

std::string DescribeInTomlTerms(const Records& records, const InputErrorPlace& place) {
  const TomlPlace p = LocateInToml(records, place);
  if (p.line > 0)
    return "line " + std::to_string(p.line) + ", column " + std::to_string(p.column) + ": " + p.path +
           (p.key.empty() ? "" : ", " + p.key) + ": " + p.detail;
  if (p.stage > 0) return "stage " + std::to_string(p.stage) + ": " + p.detail;
  return p.detail;
}

std::shared_ptr<const Records> PrepareTomlRun(RunOptions& options) {
  const std::string path = options.files ? options.files->input : std::string();
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ConvertError("the input file cannot be read: " + path);
  std::ostringstream text;
  text << in.rdbuf();
  auto records = std::make_shared<const Records>(TomlToRecords(text.str()));
  options.input_text = records->text;
  options.stage_memory = records->stage_memory;
  options.unload_factor = records->unload_factor;
  options.describe_input_error = [records](const InputErrorPlace& place) {
    return DescribeInTomlTerms(*records, place);
  };
  return records;
}

}  // namespace darnek::toml_input
