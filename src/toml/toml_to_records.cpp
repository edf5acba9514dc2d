// TOML to records: the field table walked over a parsed TOML document, each
// record written as one line of list-directed values, and the TOML place of
// every item kept so that the engine's input errors can name it.
#include <toml++/toml.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>

#include "core/input_file.h"
#include "core/plain_text.h"
#include "toml/design_toml.h"
#include "toml/field_table.h"
#include "toml/toml_input.h"
#include "toml/toml_place.h"
#include "toml/unit_text.h"

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
  const toml::table* Table = nullptr;
  std::string Path;
  toml_input::Place Place;
  int Position = 0;
  std::set<std::string, std::less<>> Used;
  std::vector<const std::vector<Node>*> Schemas;  // the nodes this table is walked with
};

// The value of one item and where it came from.
struct ItemValue {
  std::string Text;
  double Number = 0;
  bool Numeric = true;
  RecordPlace::Item Place;
};

std::set<std::string_view> PairKeys() {
  std::set<std::string_view> keys;
  const auto walk = [&](const auto& self, const std::vector<Node>& nodes) -> void {
    for (const Node& n : nodes) {
      if (n.Record)
        for (const Field& f : n.Record->Items)
          if (f.End != End::None) keys.insert(f.Key);
      self(self, n.Children);
    }
  };
  walk(walk, StageSchema());
  return keys;
}

// The number of single-character edits that turn `a` into `b`.
size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// "; did you mean `key`?" for the known key nearest to a misspelt one, when
// one is near enough (a third of its letters changed at most).
std::string Suggestion(std::string_view key, const std::vector<std::string_view>& known) {
  // No key is near one this long, and the distance would cost its length
  // times every key's.
  if (key.size() > 64) return "";
  std::string_view best;
  size_t best_distance = std::max<size_t>(2, key.size() / 3) + 1;
  for (std::string_view k : known) {
    const size_t d = EditDistance(key, k);
    if (d < best_distance) {
      best = k;
      best_distance = d;
    }
  }
  return best.empty() ? "" : "; did you mean `" + std::string(best) + "`?";
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
    std::optional<Place> unload_factor_at;
    for (const auto& [key, node] : root_) {
      const std::string k(key.str());
      const Place place{static_cast<int>(key.source().begin.line),
                        static_cast<int>(key.source().begin.column)};
      if (k == "stage_memory") {
        const auto* b = node.as_boolean();
        if (!b) Fail(place, k, "must be true or false");
        out_.StageMemory = b->get();
      } else if (k == "unload_factor") {
        const std::optional<double> f = node.value<double>();
        if (!f || !std::isfinite(*f) || *f <= 0)
          Fail(place, k,
               "must be a number greater than 0 (the unload/reload stiffness over the first slope)");
        out_.UnloadFactor = *f;
        unload_factor_at = place;
      } else if (k == "curve_spacing") {
        const std::optional<double> f = node.value<double>();
        if (!f || !std::isfinite(*f) || *f <= 0)
          Fail(place, k,
               "must be a number greater than 0 (the spacing of the generated p-y curves, in inches or "
               "metres)");
        out_.CurveSpacing = *f;
      } else if (k == "design") {
        if (!node.is_table()) Fail(place, k, "expected the table `[design]`, found " + TypeName(node));
        const toml::node* units = root_.get("units");
        const std::string system = units && units->is_string() ? std::string(units->as_string()->get()) : "";
        const Place at = Where(node);
        out_.Design = DesignFromToml(*node.as_table(), at.Line, at.Column, system);
      } else if (k == "reliability") {
        // Uncertain inputs for `darnek reliability` (src/reliability), no records.
        if (!node.is_table()) Fail(place, k, "expected the table `[reliability]`, found " + TypeName(node));
      } else if (k != "units" && k != "stage") {
        Fail(place, Shown(k),
             "unknown key" +
                 Suggestion(k,
                            {"units", "stage_memory", "unload_factor", "curve_spacing", "stage", "design"}) +
                 " (the file holds `units`, `stage_memory`, `unload_factor`, `curve_spacing`, the "
                 "`[[stage]]` tables and `[design]`)");
      }
    }
    // As on the command line: the factor scales what stage memory keeps.
    if (unload_factor_at && !out_.StageMemory)
      Fail(*unload_factor_at, "unload_factor",
           "needs `stage_memory = true` (as --unload-factor needs --stage-memory)");
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
    throw TomlError(place.Line, place.Column, path, what);
  }

  void Stage(const toml::table& table, int number) {
    scope_ = Scope{};
    element_scopes_.clear();
    element_contexts_.clear();
    stage_ = number;
    Context ctx;
    ctx.Table = &table;
    ctx.Path = "stage " + std::to_string(number);
    ctx.Place = Where(table);
    ctx.Position = number;
    ctx.Schemas = {&StageSchema()};
    Walk(StageSchema(), ctx);
    CheckKeptGround(ctx);
    // The stage-continuation value: another stage follows, or the run ends.
    RecordPlace continuation{number, ctx.Path, ctx.Place.Line, ctx.Place.Column, {}};
    Emit(number < stage_count_ ? "1" : std::to_string(stage_count_), continuation);
    CheckKeys(ctx);
    for (const auto& [name, element] : element_contexts_) CheckKeys(element);
  }

  void Emit(const std::string& line, const RecordPlace& place) {
    out_.Text += line;
    out_.Text += '\n';
    out_.Places.push_back(place);
  }

  void Walk(const std::vector<Node>& nodes, Context& ctx) {
    for (const Node& node : nodes) {
      switch (node.Kind) {
        case NodeKind::Rec: {
          const std::vector<ItemValue> values = Values(*node.Record, ctx);
          EmitRecord(*node.Record, ctx, values);
          break;
        }
        case NodeKind::When:
          if (node.When(scope_)) Walk(node.Children, ctx);
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
    RecordPlace place{stage_, ctx.Path, ctx.Place.Line, ctx.Place.Column, {}};
    std::string line;
    for (const ItemValue& v : values) {
      if (!record.TextLine && !line.empty()) line += ' ';
      line += v.Text;
      place.Items.push_back(v.Place);
    }
    if (record.Id == "E1") kept_.Wall = values;
    if (record.Id == "E3") {
      kept_.Surcharges.clear();
      kept_.Stage = stage_;
    }
    if (record.Id == "E4") kept_.Surcharges.push_back(values);
    Emit(line, place);
  }

  // The elements of an array of tables, each walked with the node's children.
  void EachElement(const Node& node, Context& ctx) {
    const toml::node* array_node = ctx.Table->get(node.Key);
    ctx.Used.insert(std::string(node.Key));
    if (!array_node) return;
    if (!array_node->is_array_of_tables())
      Fail(
          Where(*array_node), ctx.Path + ", " + std::string(node.Key),
          "expected tables (`[[...]]` headers or an array of inline tables), found " + TypeName(*array_node));
    const toml::array& array = *array_node->as_array();
    for (size_t i = 0; i < array.size(); ++i) {
      const std::string name = ctx.Path + ", " + std::string(node.Key) + " " + std::to_string(i + 1);
      auto [it, fresh] = element_contexts_.try_emplace(name);
      Context& element = it->second;
      if (fresh) {
        element.Table = array.get(i)->as_table();
        element.Path = name;
        element.Place = Where(*array.get(i));
        element.Position = static_cast<int>(i) + 1;
      }
      if (std::find(element.Schemas.begin(), element.Schemas.end(), &node.Children) == element.Schemas.end())
        element.Schemas.push_back(&node.Children);
      // A second walk over the same elements sees what the first one set.
      Scope outer = scope_;
      auto saved = element_scopes_.find(name);
      if (saved != element_scopes_.end()) scope_.Merge(saved->second);
      Walk(node.Children, element);
      element_scopes_[name] = scope_;
      scope_ = outer;
    }
  }

  // Rows of an array of arrays: [[a, b], [a, b], ...], one record per row.
  void RowsOf(const Node& node, Context& ctx) {
    const toml::node* array_node = Lookup(ctx, node.Key);
    ctx.Used.insert(std::string(node.Key));
    if (!array_node) return;
    const std::string path = ctx.Path + ", " + std::string(node.Key);
    const size_t width = node.Record->Items.size();
    const toml::array* array = array_node->as_array();
    if (!array) Fail(Where(*array_node), path, "expected an array of rows, found " + TypeName(*array_node));
    for (size_t i = 0; i < array->size(); ++i) {
      const toml::node& row = *array->get(i);
      const std::string row_path = path + " " + std::to_string(i + 1);
      const toml::array* cells = row.as_array();
      if (!cells || cells->size() != width)
        Fail(Where(row), row_path,
             "expected a row of " + std::to_string(width) + " numbers " + Columns(*node.Record));
      RecordPlace place{stage_, row_path, Where(row).Line, Where(row).Column, {}};
      std::string line;
      for (size_t c = 0; c < width; ++c) {
        const Field& f = node.Record->Items[c];
        const double v = Quantity(*cells->get(c), row_path + ", " + std::string(f.Key), f.Unit);
        if (!line.empty()) line += ' ';
        line += RealText(v);
        place.Items.push_back(
            {std::string(node.Key) + " " + std::to_string(i + 1) + ", " + std::string(f.Key),
             Where(*cells->get(c)).Line, Where(*cells->get(c)).Column});
      }
      Emit(line, place);
    }
  }

  static std::string Columns(const Record& r) {
    std::string out = "[";
    for (size_t i = 0; i < r.Items.size(); ++i) out += (i ? ", " : "") + std::string(r.Items[i].Key);
    return out + "]";
  }

  // A key of the table near a missing one, which may be it misspelt.
  std::string MisspeltAs(const Context& ctx, std::string_view key) const {
    const size_t dot = key.rfind('.');
    const toml::node* parent = dot == std::string_view::npos ? nullptr : Lookup(ctx, key.substr(0, dot));
    const toml::table* table = dot == std::string_view::npos ? ctx.Table
                               : parent                      ? parent->as_table()
                                                             : nullptr;
    if (!table) return "";
    const std::string_view name = dot == std::string_view::npos ? key : key.substr(dot + 1);
    for (const auto& [k, node] : *table) {
      if (Suggestion(k.str(), {name}).empty()) continue;
      return " (is `" + Shown(k.str()) + "` on line " + std::to_string(k.source().begin.line) +
             " a misspelling of it?)";
    }
    return "";
  }

  // A key of the context's table; a dotted key reaches into a sub-table.
  const toml::node* Lookup(const Context& ctx, std::string_view dotted) const {
    const toml::table* table = ctx.Table;
    std::string path = ctx.Path;
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

  // A real of the records: a number in the records' unit, or a text with a
  // unit of the same kind, converted into it.
  double Quantity(const toml::node& node, const std::string& path, Unit unit) const {
    const auto* text = node.as_string();
    if (!text) return Number(node, path);
    const bool si = scope_.Get("UnitSystemCode") == 2;
    if (unit == Unit::Surcharge) {
      // A point, line or strip load, as the load's `type` says.
      const int type = static_cast<int>(scope_.Get("type"));
      unit = type == 1 ? Unit::Force : (type == 2 ? Unit::LinePressure : Unit::Stress);
    }
    const std::string_view target = si ? SiUnit(unit) : EnglishUnit(unit);
    if (unit == Unit::None || !HasUnit(target))
      Fail(Where(node), path, "expected a number, found a text (this value has no unit)");
    const UnitConversion converted = ConvertUnitText(text->get(), target);
    if (!converted.Ok) Fail(Where(node), path, converted.Problem);
    return converted.Value;
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
      if (!c) Fail(Where(node), path, "\"" + Shown(s->get()) + "\" is not one of " + codes.Names());
      if (group) *group = c->Group;
      return c->Number;
    }
    if (codes.Numbers && node.is_integer()) return Integer(node, path);
    Fail(Where(node), path, "expected one of " + codes.Names() + ", found " + TypeName(node));
  }

  static int FlagOf(const toml::node& node, const CodeSet& codes, const std::string& path) {
    if (const auto* b = node.as_boolean()) return codes.Codes[b->get() ? 1 : 0].Number;
    if (node.is_integer()) return Integer(node, path);
    Fail(Where(node), path, "expected true or false, found " + TypeName(node));
  }

  std::vector<ItemValue> Values(const Record& record, Context& ctx) {
    std::vector<ItemValue> values;
    for (const Field& f : record.Items) {
      ItemValue v = Value(f, record, ctx);
      if (v.Numeric) scope_.Set(f.Item, v.Number);
      values.push_back(std::move(v));
    }
    return values;
  }

  static ItemValue NumberValue(double number, Type type, RecordPlace::Item place) {
    ItemValue v;
    v.Number = number;
    v.Text = type == Type::Real ? RealText(number) : std::to_string(static_cast<int>(number));
    v.Place = std::move(place);
    return v;
  }

  ItemValue Value(const Field& f, const Record& record, Context& ctx) {
    const RecordPlace::Item here{std::string(f.Key), ctx.Place.Line, ctx.Place.Column};
    switch (f.From) {
      case From::Key:
        return KeyValue(f, record, ctx);
      case From::Count: {
        const toml::node* array = Lookup(ctx, f.Key);
        return NumberValue(array && array->is_array() ? static_cast<double>(array->as_array()->size()) : 0,
                           Type::Integer, here);
      }
      case From::Position:
        return NumberValue(ctx.Position, Type::Integer, {});
      case From::Stages:
        return NumberValue(stage_count_, Type::Integer, {});
      case From::Zero:
        return NumberValue(0, f.Type, {});
      case From::Units:
        return UnitsValue(f, ctx);
      case From::Case:
        return CaseValue(f, ctx);
      case From::Nonlinear: {
        const toml::node* shape = ctx.Table->get("shape");
        int group = 0;
        if (shape) CodeOf(*shape, ShapeCodes(), ctx.Path + ", shape", &group);
        return NumberValue(group, Type::Integer, {"shape", ctx.Place.Line, ctx.Place.Column});
      }
      case From::Tapered:
        return TaperedValue(f, ctx);
      case From::CountOrRows:
        return CountOrRowsValue(f, ctx);
    }
    return {};
  }

  ItemValue UnitsValue(const Field& f, Context& ctx) {
    const toml::node* node = ctx.Table->get("units");
    std::string path = ctx.Path + ", units";
    if (node) {
      ctx.Used.insert("units");
    } else {
      node = root_.get("units");
      path = "units";
    }
    if (!node)
      Fail(ctx.Place, ctx.Path,
           "the unit system is not given: write `units = \"english\"` or `\"si\"` at the top of the file");
    return NumberValue(CodeOf(*node, UnitCodes(), path), Type::Integer,
                       {std::string(f.Key), Where(*node).Line, Where(*node).Column});
  }

  ItemValue CaseValue(const Field& f, Context& ctx) {
    const toml::node* given = ctx.Table->get("case");
    if (given) {
      ctx.Used.insert("case");
      return NumberValue(Integer(*given, ctx.Path + ", case"), Type::Integer,
                         {"case", Where(*given).Line, Where(*given).Column});
    }
    const bool deflection = ctx.Table->get("deflection") != nullptr;
    const bool slope = ctx.Table->get("slope_rad") != nullptr;
    if (!deflection && !slope) Fail(ctx.Place, ctx.Path, "give `deflection`, `slope_rad` or both");
    return NumberValue(deflection && slope ? 3 : (slope ? 2 : 1), Type::Integer,
                       {std::string(f.Key), ctx.Place.Line, ctx.Place.Column});
  }

  ItemValue TaperedValue(const Field& f, Context& ctx) {
    const toml::node* pair = nullptr;
    for (const auto& [key, node] : *ctx.Table)
      if (node.is_array() && pair_keys_.count(key.str())) pair = &node;
    const toml::node* given = ctx.Table->get(f.Key);
    if (given) {
      ctx.Used.insert(std::string(f.Key));
      const auto* b = given->as_boolean();
      if (!b)
        Fail(Where(*given), ctx.Path + ", " + std::string(f.Key),
             "expected true or false, found " + TypeName(*given));
      if (!b->get() && pair)
        Fail(Where(*pair), ctx.Path, "[top, bottom] pairs need a tapered section, but `tapered` is false");
      return NumberValue(b->get() ? 1 : 0, Type::Integer,
                         {std::string(f.Key), Where(*given).Line, Where(*given).Column});
    }
    return NumberValue(pair ? 1 : 0, Type::Integer, {std::string(f.Key), ctx.Place.Line, ctx.Place.Column});
  }

  ItemValue CountOrRowsValue(const Field& f, Context& ctx) {
    const toml::node* rows = Lookup(ctx, f.Rows);
    const toml::node* count = Lookup(ctx, f.Key);
    if (count) ctx.Used.insert(std::string(f.Key));
    if (rows && rows->is_array()) {
      const int n = static_cast<int>(rows->as_array()->size());
      if (count && Integer(*count, ctx.Path + ", " + std::string(f.Key)) != n)
        Fail(Where(*count), ctx.Path + ", " + std::string(f.Key),
             "gives " + std::to_string(Integer(*count, "")) + " but `" + std::string(f.Rows) + "` has " +
                 std::to_string(n) + " rows");
      return NumberValue(n, Type::Integer, {std::string(f.Rows), Where(*rows).Line, Where(*rows).Column});
    }
    if (!count) Fail(ctx.Place, ctx.Path, "`" + std::string(f.Key) + "` is missing");
    return NumberValue(Integer(*count, ctx.Path + ", " + std::string(f.Key)), Type::Integer,
                       {std::string(f.Key), Where(*count).Line, Where(*count).Column});
  }

  ItemValue KeyValue(const Field& f, const Record& record, Context& ctx) {
    std::string_view key = f.Key;
    Unit unit = f.Unit;
    if (f.AltWhen) {
      const bool alt = f.AltWhen(scope_);
      if (alt) unit = f.AltUnit;
      const std::string_view other = alt ? f.Key : f.AltKey;
      key = alt ? f.AltKey : f.Key;
      if (const toml::node* wrong = Lookup(ctx, other))
        Fail(Where(*wrong), ctx.Path + ", " + std::string(other),
             "not used by this soil type: give `" + std::string(key) + "` instead");
    }
    const std::string path = ctx.Path + ", " + std::string(key);
    const toml::node* node = Lookup(ctx, key);
    ItemValue v;
    v.Place = {std::string(key), ctx.Place.Line, ctx.Place.Column};
    if (!node) {
      switch (f.Fallback.Kind) {
        case DefaultKind::Required:
        case DefaultKind::None:  // design and reliability keys only, never records
        case DefaultKind::Method:
        case DefaultKind::Model:
          Fail(ctx.Place, ctx.Path, "`" + std::string(key) + "` is missing" + MisspeltAs(ctx, key));
        case DefaultKind::Text:
          v.Numeric = false;
          // A title line is read whole: quotes there would be its text.
          v.Text = record.TextLine ? std::string(f.Fallback.Text) : QuoteText(std::string(f.Fallback.Text));
          return v;
        case DefaultKind::SameAs: {
          const toml::node* same = Lookup(ctx, f.Fallback.Text);
          if (!same) Fail(ctx.Place, ctx.Path, "`" + std::string(f.Fallback.Text) + "` is missing");
          return NumberValue(f.Type == Type::Real ? Quantity(*same, path, f.Unit) : Integer(*same, path),
                             f.Type, v.Place);
        }
        case DefaultKind::Value:
        case DefaultKind::Top:
          return NumberValue(f.Fallback.Value, f.Type, v.Place);
      }
    }
    ctx.Used.insert(std::string(key));
    v.Place = {std::string(key), Where(*node).Line, Where(*node).Column};
    const toml::node* value = node;
    if (f.End != End::None && node->is_array()) {
      const toml::array& pair = *node->as_array();
      if (pair.size() != 2)
        Fail(Where(*node), path,
             "expected a value or a [top, bottom] pair, found an array of " + std::to_string(pair.size()));
      value = pair.get(f.End == End::Top ? 0 : 1);
      v.Place.Key += f.End == End::Top ? " (top)" : " (bottom)";
    }
    switch (f.Type) {
      case Type::Real:
        return NumberValue(Quantity(*value, path, unit), Type::Real, v.Place);
      case Type::Integer:
        return NumberValue(Integer(*value, path), Type::Integer, v.Place);
      case Type::Code:
        return NumberValue(CodeOf(*value, *f.Codes, path), Type::Integer, v.Place);
      case Type::Flag:
        return NumberValue(FlagOf(*value, *f.Codes, path), Type::Integer, v.Place);
      case Type::Names:  // reliability keys only, never records
      case Type::Text: {
        const auto* s = value->as_string();
        if (!s) Fail(Where(*value), path, "expected a text, found " + TypeName(*value));
        const std::string text(s->get());
        if (text.find_first_of("\r\n") != std::string::npos)
          Fail(Where(*value), path, "a text of one line is expected");
        // The report, the plot file's pictures and the records all show it.
        if (const auto c = std::find_if(text.begin(), text.end(), IsControl); c != text.end())
          Fail(Where(*value), path,
               "a text without control characters is expected, found character " +
                   std::to_string(static_cast<int>(static_cast<unsigned char>(*c))) + " at byte " +
                   std::to_string(c - text.begin() + 1));
        v.Numeric = false;
        v.Text = record.TextLine ? text : QuoteText(text);
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
        if (n.Record && n.Record->Id == "E1") e1 = n.Record;
        if (n.Record && n.Record->Id == "E4") e4 = n.Record;
        self(self, n.Children);
      }
    };
    find(find, schema);
    // The stage's own surcharges, as the records would hold them.
    std::vector<std::vector<ItemValue>> own;
    const toml::node* array_node = ctx.Table->get("surcharge");
    if (array_node) {
      ctx.Used.insert("surcharge");
      if (!array_node->is_array_of_tables())
        Fail(Where(*array_node), ctx.Path + ", surcharge", "expected tables, found " + TypeName(*array_node));
      const toml::array& array = *array_node->as_array();
      for (size_t i = 0; i < array.size(); ++i) {
        Context element;
        element.Table = array.get(i)->as_table();
        element.Path = ctx.Path + ", surcharge " + std::to_string(i + 1);
        element.Place = Where(*array.get(i));
        element.Position = static_cast<int>(i) + 1;
        own.push_back(Values(*e4, element));
        CheckKeys(element, e4);
      }
    }
    const Place where = array_node ? Where(*array_node) : ctx.Place;
    const std::string kept_from = "stage " + std::to_string(kept_.Stage);
    if (own.empty() && kept_.Surcharges.empty()) return;
    if (kept_.Stage == 0)
      Fail(where, ctx.Path + ", surcharge",
           "a stage with a specified pressure diagram takes its surcharges from the ground and soil data of "
           "an "
           "earlier stage (the records read them only with generated earth pressure or p-y curves), and no "
           "earlier stage has them");
    bool same = own.size() == kept_.Surcharges.size();
    for (size_t i = 0; same && i < own.size(); ++i)
      for (size_t k = 0; k < own[i].size(); ++k)
        same = same && own[i][k].Number == kept_.Surcharges[i][k].Number;
    if (!same)
      Fail(where, ctx.Path + ", surcharge",
           "a stage with a specified pressure diagram keeps the surcharges of " + kept_from +
               " (the records read surcharges only with generated earth pressure or p-y curves): give the "
               "same " +
               std::to_string(kept_.Surcharges.size()) + " surcharge loads as " + kept_from);
    MarkGround(ctx, e1);
  }

  // The ground values a kept surcharge is scaled by must be given, and be
  // those kept; no other ground value is used by such a stage.
  void MarkGround(Context& ctx, const Record* e1) {
    const toml::node* ground = ctx.Table->get("ground");
    const std::string kept_from = "stage " + std::to_string(kept_.Stage);
    for (size_t i = 0; i < e1->Items.size(); ++i) {
      const Field& f = e1->Items[i];
      const bool scaled = f.Item == "FreeHeight" || f.Item == "WA";
      const toml::node* node = Lookup(ctx, f.Key);
      if (!node) {
        if (scaled)
          Fail(ground ? Where(*ground) : ctx.Place, ctx.Path + ", " + std::string(f.Key),
               "is missing: the kept surcharges of " + kept_from + " are scaled by it");
        continue;
      }
      if (!scaled) continue;
      ctx.Used.insert(std::string(f.Key));
      const std::string path = ctx.Path + ", " + std::string(f.Key);
      if (Quantity(*node, path, f.Unit) != kept_.Wall[i].Number)
        Fail(Where(*node), path,
             "must be " + kept_.Wall[i].Text + ", the value of " + kept_from +
                 ", whose surcharges this stage keeps");
    }
  }

  // Every key of a table must have been read by the records walked with it.
  void CheckKeys(const Context& ctx, const Record* only = nullptr) const {
    CheckTable(*ctx.Table, "", ctx, only);
  }

  void CheckTable(const toml::table& table, const std::string& prefix, const Context& ctx,
                  const Record* only) const {
    for (const auto& [key, node] : table) {
      const std::string full = prefix + std::string(key.str());
      if (ctx.Used.count(full)) continue;
      bool inner = false;
      for (const std::string& u : ctx.Used) inner = inner || u.rfind(full + ".", 0) == 0;
      if (inner && node.is_table()) {
        CheckTable(*node.as_table(), full + ".", ctx, only);
        continue;
      }
      const auto& begin = key.source().begin;
      Fail({static_cast<int>(begin.line), static_cast<int>(begin.column)}, ctx.Path + ", " + Shown(full),
           Unused(full, ctx, only));
    }
  }

  // Why a key was not read: the condition under which the records would
  // read it, or that no record has it.
  std::string Unused(const std::string& key, const Context& ctx, const Record* only) const {
    if (only) {
      std::vector<std::string_view> known;
      for (const Field& f : only->Items)
        if (f.From == From::Key) known.push_back(f.Key);
      return "unknown key" + Suggestion(key, known);
    }
    std::string why;
    bool found = false;
    const auto walk = [&](const auto& self, const std::vector<Node>& nodes,
                          std::string_view condition) -> void {
      for (const Node& n : nodes) {
        if (found) return;
        if ((n.Kind == NodeKind::Each || n.Kind == NodeKind::Rows) && n.Key == key) {
          found = true;
          why = condition;
          return;
        }
        if (n.Record && n.Kind == NodeKind::Rec)
          for (const Field& f : n.Record->Items)
            if ((f.From != From::Count && f.From != From::Zero && f.From != From::Position &&
                 (f.Key == key || (f.Key.size() > key.size() && f.Key.rfind(key + ".", 0) == 0))) ||
                f.AltKey == key || f.Rows == key) {
              found = true;
              why = condition;
              return;
            }
        if (n.Kind == NodeKind::When) self(self, n.Children, n.Why);
      }
    };
    for (const std::vector<Node>* schema : ctx.Schemas) walk(walk, *schema, "");
    if (!found) {
      // The keys this table may hold, for the nearest one to a misspelling.
      std::vector<std::string_view> known;
      const auto keys = [&](const auto& self, const std::vector<Node>& nodes) -> void {
        for (const Node& n : nodes) {
          if (n.Kind == NodeKind::Each || n.Kind == NodeKind::Rows) known.push_back(n.Key);
          if (n.Record && n.Kind == NodeKind::Rec)
            for (const Field& f : n.Record->Items) {
              if (f.From != From::Count && f.From != From::Zero && f.From != From::Position && !f.Key.empty())
                known.push_back(f.Key);
              if (!f.AltKey.empty()) known.push_back(f.AltKey);
            }
          if (n.Kind == NodeKind::When) self(self, n.Children);
        }
      };
      for (const std::vector<Node>* schema : ctx.Schemas) keys(keys, *schema);
      return "unknown key" + Suggestion(key, known);
    }
    if (why.empty()) return "not used here";
    return "not used here: it is read only " + why;
  }

  struct Kept {
    int Stage = 0;
    std::vector<ItemValue> Wall;
    std::vector<std::vector<ItemValue>> Surcharges;
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

void CheckAsciiOutsideTexts(const std::string& toml_text) {
  enum class In { Keys, Comment, Basic, Literal, MultiBasic, MultiLiteral } in = In::Keys;
  int line = 1, column = 0;
  // A quote opens a text only where a key or a value may start; elsewhere it
  // is part of a bare word that toml++ reads character by character, and a
  // character that is not ASCII there is what it cannot take.
  char before = '\n';
  const std::string_view t = toml_text;
  // A byte order mark is no character of the text.
  const size_t start = t.rfind("\xef\xbb\xbf", 0) == 0 ? 3 : 0;
  for (size_t i = start; i < t.size(); ++i) {
    const char c = t[i];
    if ((static_cast<unsigned char>(c) & 0xc0) != 0x80) ++column;
    if (c == '\n') {
      ++line;
      column = 0;
      if (in != In::MultiBasic && in != In::MultiLiteral) {
        in = In::Keys;
        before = '\n';
      }
      continue;
    }
    switch (in) {
      case In::Keys:
        if (static_cast<unsigned char>(c) >= 0x80)
          throw TomlError(line, column,
                          "a character that is not ASCII outside a quoted text or a comment (keys, table "
                          "names and values other than texts are ASCII in TOML)");
        if (c == ' ' || c == '\t') break;
        if (c == '#') {
          in = In::Comment;
        } else if ((c == '"' || c == '\'') &&
                   std::string_view("\n=[,{.").find(before) != std::string_view::npos) {
          const bool multi = t.substr(i, 3) == std::string(3, c);
          in = c == '"' ? (multi ? In::MultiBasic : In::Basic) : (multi ? In::MultiLiteral : In::Literal);
          if (multi) {
            i += 2;
            column += 2;
          }
        }
        before = c;
        break;
      case In::Comment:
        break;
      case In::Basic:
      case In::MultiBasic:
        if (c == '\\' && i + 1 < t.size() && t[i + 1] != '\n') {
          ++i;  // an escaped character ends nothing
          ++column;
        } else if (c == '"' && (in == In::Basic || t.substr(i, 3) == "\"\"\"")) {
          if (in == In::MultiBasic) {
            i += 2;
            column += 2;
          }
          in = In::Keys;
          before = c;
        }
        break;
      case In::Literal:
      case In::MultiLiteral:
        if (c == '\'' && (in == In::Literal || t.substr(i, 3) == "'''")) {
          if (in == In::MultiLiteral) {
            i += 2;
            column += 2;
          }
          in = In::Keys;
          before = c;
        }
        break;
    }
  }
}

Records TomlToRecords(const std::string& toml_text) {
  CheckAsciiOutsideTexts(toml_text);
  toml::table root;
  try {
    root = toml::parse(toml_text);
  } catch (const toml::parse_error& e) {
    const auto& begin = e.source().begin;
    throw TomlError(static_cast<int>(begin.line), static_cast<int>(begin.column),
                    Shown(e.description(), 400));
  }
  return Writer(root).Make();
}

namespace {

// The engine's messages name other items of the records by their names
// (`DividingDepth`, `NumIncrements x IncrementLength`); a TOML file knows them
// by their keys. Names in the identifier style of the records that stand for
// one key only are translated.
const std::map<std::string, std::string, std::less<>>& ItemKeys() {
  static const std::map<std::string, std::string, std::less<>> keys = [] {
    std::map<std::string, std::string, std::less<>> found;
    std::set<std::string> ambiguous;
    const auto identifier = [](std::string_view name) {
      bool upper = false, lower = false;
      for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
        upper = upper || std::isupper(static_cast<unsigned char>(c));
        lower = lower || std::islower(static_cast<unsigned char>(c));
      }
      return (upper && lower) || name == "WA" || name == "WP";
    };
    const auto walk = [&](const auto& self, const std::vector<Node>& nodes) -> void {
      for (const Node& n : nodes) {
        if (n.Record)
          for (const Field& f : n.Record->Items) {
            if (f.From != From::Key || !identifier(f.Item)) continue;
            const auto [it, fresh] = found.emplace(std::string(f.Item), std::string(f.Key));
            if (!fresh && it->second != f.Key) ambiguous.insert(it->first);
          }
        self(self, n.Children);
      }
    };
    walk(walk, StageSchema());
    for (const std::string& name : ambiguous) found.erase(name);
    return found;
  }();
  return keys;
}

std::string InTomlWords(const std::string& detail) {
  std::string out;
  const auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
  for (size_t i = 0; i < detail.size();) {
    if (!word(detail[i])) {
      out += detail[i++];
      continue;
    }
    size_t end = i;
    while (end < detail.size() && word(detail[end])) ++end;
    const std::string_view name(detail.data() + i, end - i);
    const auto it = ItemKeys().find(name);
    if (it != ItemKeys().end())
      ((out += '`') += it->second) += '`';
    else
      out += name;
    i = end;
  }
  return out;
}

}  // namespace

TomlPlace LocateInToml(const Records& records, const InputErrorPlace& place) {
  // What the engine reads back from its own scratch files names their lines,
  // not the input's.
  const bool own_file = place.Record.find("scratch file") != std::string::npos;
  int line = own_file ? 0 : place.Line;
  std::string detail = place.Detail;
  int item = place.Item;
  // Messages composed as text still start with the line they name.
  if (line == 0 && !own_file && place.Message.rfind("line ", 0) == 0) {
    const size_t colon = place.Message.find(": ");
    if (colon != std::string::npos) {
      try {
        line = std::stoi(place.Message.substr(5, colon - 5));
        detail = place.Message.substr(colon + 2);
        item = 0;
      } catch (const std::exception&) {
        line = 0;
      }
    }
  }
  TomlPlace out;
  if (line >= 1 && line <= static_cast<int>(records.Places.size())) {
    const RecordPlace& p = records.Places[static_cast<size_t>(line - 1)];
    out.Path = p.Path;
    out.Stage = p.Stage;
    out.Detail = InTomlWords(detail);
    if (item >= 1 && item <= static_cast<int>(p.Items.size()) &&
        !p.Items[static_cast<size_t>(item - 1)].Key.empty()) {
      const RecordPlace::Item& it = p.Items[static_cast<size_t>(item - 1)];
      out.Line = it.Line;
      out.Column = it.Column;
      out.Key = it.Key;
    } else {
      out.Line = p.Line;
      out.Column = p.Column;
    }
    return out;
  }
  // An error that names no record: the stage it was found in.
  out.Detail = InTomlWords(place.Message);
  const int last = place.LastLine;
  if (last >= 1 && last <= static_cast<int>(records.Places.size()))
    out.Stage = records.Places[static_cast<size_t>(last - 1)].Stage;
  return out;
}

std::string DescribeInTomlTerms(const Records& records, const InputErrorPlace& place) {
  const TomlPlace p = LocateInToml(records, place);
  if (p.Line > 0)
    return "line " + std::to_string(p.Line) + ", column " + std::to_string(p.Column) + ": " + p.Path +
           (p.Key.empty() ? "" : ", " + p.Key) + ": " + p.Detail;
  if (p.Stage > 0) return "stage " + std::to_string(p.Stage) + ": " + p.Detail;
  return p.Detail;
}

std::shared_ptr<const Records> PrepareTomlRun(RunOptions& options) {
  const std::string path = options.Files ? options.Files->Input : std::string();
  const WholeInput in = ReadInputFile("input file", path);
  // A file that cannot be opened is the run's; one beyond the limits of
  // every input is a TOML file at fault, named as its syntax errors are.
  if (!in.Opened) throw ConvertError(in.Problem);
  if (!in) throw TomlError(std::max(in.Line, 1), 1, in.Detail);
  auto records = std::make_shared<const Records>(TomlToRecords(in.Text));
  options.InputText = records->Text;
  options.StageMemory = records->StageMemory;
  options.UnloadFactor = records->UnloadFactor;
  options.CurveSpacing = records->CurveSpacing;
  options.Design = records->Design;
  options.DescribeInputError = [records](const InputErrorPlace& place) {
    return DescribeInTomlTerms(*records, place);
  };
  return records;
}

}  // namespace darnek::toml_input
