// The reference part of docs/input-toml.md, written from the field table so
// that the document and the mapping cannot drift apart.
#include <algorithm>
#include <cmath>
#include <deque>

#include "core/design_methods.h"
#include "toml/field_table.h"

namespace darnek::toml_input {
namespace {

struct Row {
  std::string Key;
  std::string Value;
  std::string Unit;
  std::string Fallback;
  std::string Meaning;
  std::string Records;
};

// One TOML table of the reference, its rows grouped by the condition under
// which the records read them.
struct TableDoc {
  std::string Header;
  bool Array = false;  // an array of tables, [[header]]
  std::string Element;
  std::vector<std::pair<std::string, std::vector<Row>>> Groups;
  std::vector<Row>& Group(const std::string& why) {
    for (auto& g : Groups)
      if (g.first == why) return g.second;
    Groups.push_back({why, {}});
    return Groups.back().second;
  }
};

std::string Quoted(std::string_view s) { return "`" + std::string(s) + "`"; }

std::string NumberText(double v) {
  std::string text = RealText(v);
  if (text.size() > 2 && text.compare(text.size() - 2, 2, ".0") == 0) text.resize(text.size() - 2);
  return text;
}

std::string UnitText(Unit unit) {
  const std::string en(EnglishUnit(unit));
  const std::string si(SiUnit(unit));
  if (en.empty()) return "";
  return en == si ? en : en + " / " + si;
}

std::string ValueText(const Field& f) {
  switch (f.Type) {
    case Type::Integer:
      return "integer";
    case Type::Real:
      return f.End != End::None ? "real, or [top, bottom]" : "real";
    case Type::Text:
      return "text";
    case Type::Flag:
      return "true or false";
    case Type::Names:
      return "array of texts";
    case Type::Code: {
      std::string names;
      for (const Code& c : f.Codes->Codes)
        names += (names.empty() ? "" : ", ") + Quoted("\"" + std::string(c.Name) + "\"");
      return names + (f.Codes->Numbers ? ", or the code number" : "");
    }
  }
  return "";
}

// A design factor's value in each method: "1.5 (allowable), required
// (factors)"; for the method's choices, the choice of each.
std::string MethodDefaults(std::string_view item) {
  std::string text;
  for (const design_methods::Method& m : design_methods::Methods()) {
    std::string value;
    const std::span<const design_methods::FactorRule> rules = design_methods::Factors();
    for (size_t i = 0; i < rules.size(); ++i)
      if (rules[i].Key == item)
        value = m.ByCombination && !design_methods::IsRule(item) ? "from `partial_factors`"
                : std::isnan(m.Defaults[i])                      ? "required"
                                                                 : NumberText(m.Defaults[i]);
    if (item == "EmbedmentDefinition") value = Quoted("\"" + std::string(m.EmbedmentDefinition) + "\"");
    if (item == "ModulusBasis") value = Quoted("\"" + std::string(m.ModulusBasis) + "\"");
    text += (text.empty() ? "" : ", ") + value + " (" + std::string(m.Name) + ")";
  }
  return text;
}

std::string FallbackText(const Field& f) {
  switch (f.Fallback.Kind) {
    case DefaultKind::Required:
      return "required";
    case DefaultKind::Text:
      return Quoted("\"" + std::string(f.Fallback.Text) + "\"");
    case DefaultKind::SameAs:
      return Quoted(f.Fallback.Text);
    case DefaultKind::None:
      return "none";
    case DefaultKind::Method:
      return MethodDefaults(f.Item);
    case DefaultKind::Model:
      return "the model's value";
    case DefaultKind::Value:
    case DefaultKind::Top:
      if (f.Type == Type::Flag)
        return Quoted(static_cast<int>(f.Fallback.Value) == f.Codes->Codes[0].Number ? "false" : "true");
      if (f.Type == Type::Code)
        if (const Code* c = f.Codes->ByNumber(static_cast<int>(f.Fallback.Value)))
          return Quoted("\"" + std::string(c->Name) + "\"");
      return NumberText(f.Fallback.Value);
  }
  return "";
}

std::string ItemRef(const Record& r, size_t i) {
  return std::string(r.Id) + " item " + std::to_string(i + 1) + " (" + Quoted(r.Items[i].Item) + ")";
}

// What the TOML derives or leaves out, per record item.
std::string DerivedText(const Field& f) {
  switch (f.From) {
    case From::Count:
      return "the number of " + Quoted(f.Key) +
             (f.Key == "points" || f.Key == "moment_curvature" || f.Key == "specified_pressure" ? " rows"
                                                                                                : " tables");
    case From::Position:
      return f.Check ? "the section's position among the cross sections" : "the element's position, 1, 2, …";
    case From::Stages:
      return "the number of `[[stage]]` tables";
    case From::Zero:
      return "0 (not used by the engine and not printed)";
    case From::Nonlinear:
      return "1 for a nonlinear section type, 0 for an elastic shape (from `shape`)";
    default:
      return "";
  }
}

class Writer {
 public:
  std::string Make() {
    TableDoc& root = Table("", "the file");
    const std::vector<Field>& file = FileFields();
    root.Group("").push_back({"units", ValueText(file[0]), "", "required", std::string(file[0].Meaning),
                              "C1 item 1 (`UnitSystemCode`) of every stage"});
    root.Group("").push_back(
        {"stage_memory", "true or false", "", "false", std::string(file[1].Meaning), "none (a run option)"});
    const std::string_view factor = file[2].Meaning;
    root.Group("").push_back({"unload_factor", "a number greater than 0", "", "1.0",
                              std::string(factor.substr(0, factor.rfind("; "))), "none (a run option)"});
    root.Group("").push_back({"curve_spacing", "a number greater than 0", "in / m", "none",
                              std::string(file[3].Meaning), "none (a run option)"});
    root.Group("").push_back(
        {"stage", "tables `[[stage]]`", "", "required", "the stages, analysed in order", ""});
    Walk(StageSchema(), "stage", "a stage", "");
    root.Group("").push_back({"design", "table `[design]`", "", "none",
                              "design checks after every stage (docs/design-checks.md)",
                              "none (design data)"});
    not_records_ = "none (design data)";
    Walk(DesignSchema(), "design", "the design checks (docs/design-checks.md); without it, none", "", false);
    root.Group("").push_back({"reliability", "table `[reliability]`", "", "none",
                              "uncertain inputs for `darnek reliability` (docs/reliability.md); `darnek run` "
                              "ignores the table",
                              "none (reliability study)"});
    not_records_ = "none (reliability study)";
    Walk(ReliabilitySchema(), "reliability", "the reliability study (docs/reliability.md)", "", false);
    return Render();
  }

 private:
  TableDoc& Table(const std::string& header, const std::string& element, bool array = false) {
    for (TableDoc& t : tables_)
      if (t.Header == header) return t;
    tables_.push_back({header, array, element, {}});
    return tables_.back();
  }

  // The table a dotted key belongs to, and its last part.
  TableDoc& Holder(const std::string& table, std::string_view& key) {
    std::string header = table;
    const size_t dot = key.rfind('.');
    if (dot != std::string_view::npos) {
      header += "." + std::string(key.substr(0, dot));
      key.remove_prefix(dot + 1);
    }
    return Table(header, "");
  }

  void Walk(const std::vector<Node>& nodes, const std::string& table, const std::string& element,
            const std::string& why, bool array = true) {
    Table(table, element, array);
    for (const Node& node : nodes) {
      switch (node.Kind) {
        case NodeKind::Rec:
          RecordRows(*node.Record, table, why);
          break;
        case NodeKind::When:
          Walk(node.Children, table, element, std::string(node.Why));
          break;
        case NodeKind::Each: {
          const std::string sub = table + "." + std::string(node.Key);
          std::string_view key = node.Key;
          TableDoc& holder = Holder(table, key);
          Add(holder.Group(why), {std::string(key), "tables " + Quoted("[[" + sub + "]]"), "", "none",
                                  std::string(node.Element), ""});
          Walk(node.Children, sub, std::string(node.Element), "");
          break;
        }
        case NodeKind::Rows:
          RowsRow(node, table, why);
          break;
      }
    }
  }

  static void Add(std::vector<Row>& rows, const Row& row) {
    for (const Row& r : rows)
      if (r.Key == row.Key) return;
    rows.push_back(row);
  }

  // A key already described in the table with the same meaning (the bottom
  // end of a [top, bottom] pair) only gains the record item.
  static bool Merge(TableDoc& doc, const Row& row) {
    for (auto& group : doc.Groups)
      for (Row& r : group.second)
        if (r.Key == row.Key && r.Meaning == row.Meaning) {
          r.Records += ", " + row.Records;
          return true;
        }
    return false;
  }

  void RecordRows(const Record& r, const std::string& table, const std::string& why) {
    for (size_t i = 0; i < r.Items.size(); ++i) {
      const Field& f = r.Items[i];
      if (f.From != From::Key && f.From != From::Case && f.From != From::Tapered &&
          f.From != From::CountOrRows && f.From != From::Units) {
        derived_.push_back({ItemRef(r, i), DerivedText(f)});
        continue;
      }
      if (f.From == From::Units) continue;  // the file's `units`
      if (r.TextLine) {
        Table(table, "").Group(why).push_back({std::string(f.Key), "text", "", FallbackText(f),
                                               std::string(f.Meaning), std::string(r.Id) + " (the line)"});
        continue;
      }
      std::string_view key = f.Key;
      TableDoc& doc = Holder(table, key);
      Row row{std::string(key), ValueText(f),           UnitText(f.Unit),
              FallbackText(f),  std::string(f.Meaning), not_records_.empty() ? ItemRef(r, i) : not_records_};
      if (f.From == From::Case || f.From == From::Tapered || f.From == From::CountOrRows) {
        row.Value = f.From == From::Tapered ? "true or false" : "integer";
        row.Fallback = "implied";
      }
      if (!Merge(doc, row)) doc.Group(why).push_back(row);
      if (!f.AltKey.empty()) {
        const Row alt{std::string(f.AltKey),     ValueText(f), UnitText(f.AltUnit), FallbackText(f),
                      std::string(f.AltMeaning), ItemRef(r, i)};
        if (!Merge(doc, alt)) doc.Group(why).push_back(alt);
      }
    }
  }

  void RowsRow(const Node& node, const std::string& table, const std::string& why) {
    const Record& r = *node.Record;
    std::string columns = "[";
    std::string units;
    std::string meaning = std::string(node.Element);
    for (size_t i = 0; i < r.Items.size(); ++i) {
      const Field& f = r.Items[i];
      columns += (i ? ", " : "") + std::string(f.Key);
      if (!UnitText(f.Unit).empty())
        units += (units.empty() ? "" : "; ") + std::string(f.Key) + " " + UnitText(f.Unit);
      if (f.Meaning != f.Key) meaning += "; " + Quoted(f.Key) + ": " + std::string(f.Meaning);
    }
    std::string_view key = node.Key;
    TableDoc& holder = Holder(table, key);
    Add(holder.Group(why),
        {std::string(key), "rows " + Quoted(columns + "]"), units, "none", meaning,
         not_records_.empty() ? std::string(r.Id) + ", one record per row" : not_records_});
  }

  std::string Render() const {
    std::string out;
    for (const TableDoc& t : tables_) {
      bool empty = true;
      for (const auto& g : t.Groups) empty = empty && g.second.empty();
      if (empty) continue;
      const std::string header = t.Array ? "[[" + t.Header + "]]" : "[" + t.Header + "]";
      out += "\n### " + (t.Header.empty() ? std::string("The top level") : Quoted(header)) + "\n";
      if (!t.Element.empty() && !t.Header.empty()) out += "\n" + Capital(t.Element) + ".\n";
      for (const auto& [why, rows] : t.Groups) {
        if (rows.empty()) continue;
        if (!why.empty()) out += "\n" + Capital(why) + ":\n";
        out += "\n| Key | Value | Unit (English / SI) | Default | Meaning | Record item |\n";
        out += "|---|---|---|---|---|---|\n";
        for (const Row& row : rows)
          out += "| " + Quoted(row.Key) + " | " + row.Value + " | " + row.Unit + " | " + row.Fallback +
                 " | " + row.Meaning + " | " + row.Records + " |\n";
      }
    }
    out += "\n### What the TOML derives\n\n";
    out += "These record items have no key: the conversion writes them.\n\n";
    out += "| Record item | Written as |\n|---|---|\n";
    for (const auto& [item, text] : derived_) out += "| " + item + " | " + text + " |\n";
    out +=
        "| stage-continuation value | 1 after every stage but the last, the number of stages after the last "
        "|\n";
    return out;
  }

  static std::string Capital(std::string s) {
    if (!s.empty() && s[0] >= 'a' && s[0] <= 'z') s[0] = static_cast<char>(s[0] - 'a' + 'A');
    return s;
  }

  std::deque<TableDoc> tables_;
  std::string not_records_;  // walking a table that fills no record: what its items fill
  std::vector<std::pair<std::string, std::string>> derived_;
};

}  // namespace

std::string FieldReference() { return Writer().Make(); }

}  // namespace darnek::toml_input
