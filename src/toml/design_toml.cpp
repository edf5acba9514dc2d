// The `[design]` table: read by the field table's design schema into the
// design data, every value checked where it stands, every mistake named by
// its key.
#include "toml/design_toml.h"

#include <toml++/toml.h>

#include <cmath>
#include <limits>
#include <set>
#include <sstream>

#include "core/design_methods.h"
#include "core/input_file.h"
#include "core/plain_text.h"
#include "toml/field_table.h"
#include "toml/toml_place.h"

namespace darnek::toml_input {
namespace {

Place KeyPlace(const toml::key& key) {
  return {static_cast<int>(key.source().begin.line), static_cast<int>(key.source().begin.column)};
}

[[noreturn]] void Fail(Place place, const std::string& path, const std::string& what) {
  throw TomlError(place.Line, place.Column, path, what);
}

std::string KindOf(const toml::node& node) {
  if (node.is_string()) return "a text";
  if (node.is_integer()) return "an integer";
  if (node.is_floating_point()) return "a real number";
  if (node.is_boolean()) return "true or false";
  if (node.is_array()) return "an array";
  if (node.is_table()) return "a table";
  return "a date or time";
}

// One table of the design data with the keys read from it.
struct Table {
  const toml::table* Node;
  std::string Path;
  Place At;
  std::set<std::string, std::less<>> Used;
};

class Reader {
 public:
  DesignData Read(const toml::table& design, Place at, const std::string& units) {
    DesignData data;
    data.Units = units;
    Table table{&design, "design", at, {}};
    for (const Node& node : DesignSchema()) {
      if (node.Kind == NodeKind::Rec) {
        for (const Field& f : node.Record->Items) Apply(table, f, data);
      } else if (node.Kind == NodeKind::Each) {
        Elements(table, node, data);
      }
    }
    Unknown(table);
    if (const DesignProblem problem = CheckDesignData(data)) {
      // The deepest node the key names ("design, partial_factors, r2_earth").
      Place place = at;
      const toml::node* node = &design;
      for (size_t from = problem.Key.find(", "); node && from != std::string::npos;) {
        const size_t next = problem.Key.find(", ", from + 2);
        const std::string part =
            problem.Key.substr(from + 2, next == std::string::npos ? next : next - from - 2);
        node = node->is_table() ? node->as_table()->get(part) : nullptr;
        if (node) place = Where(*node);
        from = next;
      }
      Fail(place, problem.Key, problem.Message);
    }
    return data;
  }

 private:
  // A key of the table; a dotted key reaches into a sub-table.
  const toml::node* Lookup(Table& t, std::string_view key) {
    const size_t dot = key.find('.');
    if (dot == std::string_view::npos) {
      t.Used.insert(std::string(key));
      return t.Node->get(key);
    }
    const std::string part(key.substr(0, dot));
    t.Used.insert(part);
    const toml::node* sub = t.Node->get(part);
    if (!sub) return nullptr;
    if (!sub->is_table()) Fail(Where(*sub), t.Path + ", " + part, "expected a table, found " + KindOf(*sub));
    return sub->as_table()->get(key.substr(dot + 1));
  }

  static std::string PathOf(const Table& t, std::string_view key) {
    std::string path = t.Path;
    size_t from = 0;
    for (size_t dot = key.find('.'); dot != std::string_view::npos; dot = key.find('.', from)) {
      path += ", " + Shown(key.substr(from, dot - from));
      from = dot + 1;
    }
    return path + ", " + Shown(key.substr(from));
  }

  double Real(const toml::node& node, const std::string& path) {
    double v = 0;
    if (const auto* i = node.as_integer())
      v = static_cast<double>(i->get());
    else if (const auto* d = node.as_floating_point())
      v = d->get();
    else
      Fail(Where(node), path, "expected a number, found " + KindOf(node));
    if (!std::isfinite(v) || v <= 0) Fail(Where(node), path, "must be a number greater than 0");
    return v;
  }

  int Integer(const toml::node& node, const std::string& path) {
    const auto* i = node.as_integer();
    if (!i) Fail(Where(node), path, "expected an integer, found " + KindOf(node));
    if (i->get() < 1 || i->get() > std::numeric_limits<int>::max())
      Fail(Where(node), path, "must be 1 or more");
    return static_cast<int>(i->get());
  }

  std::string Code(const toml::node& node, const Field& f, const std::string& path) {
    const auto* s = node.as_string();
    if (!s) Fail(Where(node), path, "expected one of " + f.Codes->Names() + ", found " + KindOf(node));
    if (!f.Codes->ByName(s->get()))
      Fail(Where(node), path, "\"" + Shown(s->get()) + "\" is not one of " + f.Codes->Names());
    return std::string(s->get());
  }

  void Apply(Table& t, const Field& f, DesignData& d) {
    const toml::node* node = Lookup(t, f.Key);
    if (!node) return;
    const std::string path = PathOf(t, f.Key);
    const std::string_view item = f.Item;
    if (f.Type == Type::Code) {
      const std::string value = Code(*node, f, path);
      (item == "Method"                ? d.Method
       : item == "Approach"            ? d.Approach
       : item == "EmbedmentDefinition" ? d.EmbedmentDefinition
                                       : d.ModulusBasis) = value;
      return;
    }
    if (f.Type == Type::Flag) {
      const auto* b = node->as_boolean();
      if (!b) Fail(Where(*node), path, "expected true or false, found " + KindOf(*node));
      (item == "ExcavationControlled" ? d.ExcavationControlled : d.StrengthReduction) = b->get();
      return;
    }
    if (item == "ExcavationAllowance") {
      // Zero is allowed: no unplanned excavation.
      const double v = node->is_number() ? node->value<double>().value_or(-1) : -1;
      if (!node->is_number()) Fail(Where(*node), path, "expected a number, found " + KindOf(*node));
      if (!std::isfinite(v) || v < 0) Fail(Where(*node), path, "must be a depth of 0 or more");
      d.ExcavationAllowance = v;
      return;
    }
    const double v = Real(*node, path);
    if (item == "DeflectionLimit") {
      d.DeflectionLimit = v;
    } else if (item == "DeflectionLimitRatio") {
      if (v >= 1) Fail(Where(*node), path, "must be a fraction of the retained height, below 1");
      d.DeflectionLimitRatio = v;
    } else {
      for (const design_methods::FactorRule& rule : design_methods::Factors())
        if (rule.Key == item && f.Key.starts_with("factors.")) d.Factors.*rule.Member = v;
      for (const design_methods::PartialFactorRule& rule : design_methods::PartialFactorRules())
        if (rule.Key == item && f.Key.starts_with("partial_factors.")) d.Partial.*rule.Member = v;
      if (item == "toe_allowance" && v < 1) Fail(Where(*node), path, "must be 1 or more");
    }
  }

  void Elements(Table& t, const Node& node, DesignData& d) {
    const toml::node* array_node = Lookup(t, node.Key);
    if (!array_node) return;
    const std::string key(node.Key);
    if (!array_node->is_array_of_tables())
      Fail(Where(*array_node), t.Path + ", " + key,
           "expected tables (`[[design." + key + "]]` headers), found " + KindOf(*array_node));
    const toml::array& array = *array_node->as_array();
    std::set<int> numbers;
    for (size_t i = 0; i < array.size(); ++i) {
      Table e{array.get(i)->as_table(),
              t.Path + ", " + key + " " + std::to_string(i + 1),
              Where(*array.get(i)),
              {}};
      const Record& r = *node.Children.front().Record;
      int number = 0;
      SectionDesign section;
      TieBackDesign tie_back;
      for (const Field& f : r.Items) {
        const toml::node* value = Lookup(e, f.Key);
        const std::string path = PathOf(e, f.Key);
        if (f.Item == "SectionClass") {
          if (value) {
            section.SectionClass = Integer(*value, path);
            if (section.SectionClass > 3)
              Fail(Where(*value), path, "must be 1, 2 or 3 (class 4 sections are not checked)");
          }
          continue;
        }
        if (f.Type == Type::Integer) {
          if (!value) Fail(e.At, e.Path, "`" + std::string(f.Key) + "` is missing");
          number = Integer(*value, path);
          if (!numbers.insert(number).second)
            Fail(Where(*value), path, std::to_string(number) + " is given twice");
          continue;
        }
        if (!value) continue;
        const double v = Real(*value, path);
        const std::string_view item = f.Item;
        if (item == "YieldStrength") section.YieldStrength = v;
        if (item == "SectionModulus") section.SectionModulus = v;
        if (item == "PlasticModulus") section.PlasticModulus = v;
        if (item == "ShearArea") section.ShearArea = v;
        if (item == "Area") section.Area = v;
        if (item == "MomentResistance") section.MomentResistance = v;
        if (item == "ShearResistance") section.ShearResistance = v;
        if (item == "BetaB") {
          if (v > 1) Fail(Where(*value), path, "must be above 0 and at most 1");
          section.BetaB = v;
        }
        if (item == "Capacity") tie_back.Capacity = v;
        if (item == "TendonArea") tie_back.TendonArea = v;
        if (item == "TendonStrength") tie_back.TendonStrength = v;
      }
      Unknown(e);
      if (key == "section") {
        section.CrossSection = number;
        d.Sections.push_back(section);
      } else {
        tie_back.Number = number;
        d.TieBacks.push_back(tie_back);
      }
    }
  }

  // Every key of a table must be one the schema reads.
  static void Unknown(const Table& t) {
    for (const auto& [key, node] : *t.Node) {
      const std::string k(key.str());
      if (!t.Used.count(k)) Fail(KeyPlace(key), t.Path + ", " + Shown(k), "unknown key");
      if (node.is_table() && (k == "factors" || k == "partial_factors")) {
        for (const auto& [inner, value] : *node.as_table()) {
          bool known = false;
          for (const design_methods::FactorRule& rule : design_methods::Factors())
            known = known || (k == "factors" && rule.Key == inner.str());
          for (const design_methods::PartialFactorRule& rule : design_methods::PartialFactorRules())
            known = known || (k == "partial_factors" && rule.Key == inner.str());
          if (!known)
            Fail(KeyPlace(inner), t.Path + ", " + k + ", " + std::string(inner.str()), "unknown key");
        }
      }
    }
  }
};

}  // namespace

DesignData DesignFromToml(const toml::table& design, int line, int column, const std::string& units) {
  return Reader().Read(design, {line, column}, units);
}

DesignData ReadDesignText(const std::string& toml_text) {
  CheckAsciiOutsideTexts(toml_text);
  toml::table root;
  try {
    root = toml::parse(toml_text);
  } catch (const toml::parse_error& e) {
    const auto& begin = e.source().begin;
    throw TomlError(static_cast<int>(begin.line), static_cast<int>(begin.column),
                    std::string(e.description()));
  }
  std::string units;
  for (const auto& [key, node] : root) {
    const std::string k(key.str());
    if (k == "units") {
      const auto* s = node.as_string();
      if (!s || !UnitCodes().ByName(s->get())) Fail(Where(node), "units", "expected " + UnitCodes().Names());
      units = std::string(s->get());
    } else if (k != "design") {
      Fail(KeyPlace(key), Shown(k), "unknown key (a design file holds `units` and the `[design]` table)");
    }
  }
  const toml::node* design = root.get("design");
  if (!design || !design->is_table()) Fail({1, 1}, "design", "the file has no `[design]` table");
  const Place at = Where(*design);
  return DesignFromToml(*design->as_table(), at.Line, at.Column, units);
}

DesignData ReadDesignFile(const std::string& path) {
  const WholeInput in = ReadInputFile("design file", path);
  if (!in) throw ConvertError(in.Problem);
  return ReadDesignText(in.Text);
}

}  // namespace darnek::toml_input
