// The reference part of docs/input-toml.md, written from the field table so
// that the document and the mapping cannot drift apart.
#include <algorithm>
#include <deque>

#include "toml/field_table.h"

namespace darnek::toml_input {
namespace {

struct Row {
  std::string key;
  std::string value;
  std::string unit;
  std::string fallback;
  std::string meaning;
  std::string records;
};

// One TOML table of the reference, its rows grouped by the condition under
// which the records read them.
struct TableDoc {
  std::string header;
  bool array = false;  // an array of tables, [[header]]
  std::string element;
  std::vector<std::pair<std::string, std::vector<Row>>> groups;
  std::vector<Row>& Group(const std::string& why) {
    for (auto& g : groups)
      if (g.first == why) return g.second;
    groups.push_back({why, {}});
    return groups.back().second;
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
  switch (f.type) {
    case Type::Integer:
      return "integer";
    case Type::Real:
      return f.end != End::None ? "real, or [top, bottom]" : "real";
    case Type::Text:
      return "text";
    case Type::Flag:
      return "true or false";
    case Type::Code: {
      std::string names;
      for (const Code& c : f.codes->codes)
        names += (names.empty() ? "" : ", ") + Quoted("\"" + std::string(c.name) + "\"");
      return names + (f.codes->numbers ? ", or the code number" : "");
    }
  }
  return "";
}

std::string FallbackText(const Field& f) {
  switch (f.fallback.kind) {
    case DefaultKind::Required:
      return "required";
    case DefaultKind::Text:
      return Quoted("\"" + std::string(f.fallback.text) + "\"");
    case DefaultKind::SameAs:
      return Quoted(f.fallback.text);
    case DefaultKind::Value:
    case DefaultKind::Top:
      if (f.type == Type::Flag)
        return Quoted(static_cast<int>(f.fallback.value) == f.codes->codes[0].number ? "false" : "true");
      if (f.type == Type::Code)
        if (const Code* c = f.codes->ByNumber(static_cast<int>(f.fallback.value)))
          return Quoted("\"" + std::string(c->name) + "\"");
      return NumberText(f.fallback.value);
  }
  return "";
}

std::string ItemRef(const Record& r, size_t i) {
  return std::string(r.id) + " item " + std::to_string(i + 1) + " (" + Quoted(r.items[i].item) + ")";
}

// What the TOML derives or leaves out, per record item.
std::string DerivedText(const Field& f) {
  switch (f.from) {
    case From::Count:
      return "the number of " + Quoted(f.key) +
             (f.key == "points" || f.key == "moment_curvature" || f.key == "specified_pressure" ? " rows"
                                                                                                : " tables");
    case From::Position:
      return f.check ? "the section's position among the cross sections" : "the element's position, 1, 2, …";
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
    Row units{"units",
              ValueText([] {
                Field f;
                f.type = Type::Code;
                f.codes = &UnitCodes();
                return f;
              }()),
              "",
              "required",
              "the unit system of the file; a `[[stage]]` may give its own `units`",
              "C1 item 1 (`UnitSystemCode`) of every stage"};
    root.Group("").push_back(units);
    root.Group("").push_back({"stage_memory", "true or false", "", "false",
                              "each stage starts from the deflections, soil-spring states and tie-back locks "
                              "of the stage before it (docs/modelling.md); false: every stage is analysed "
                              "alone",
                              "none (a run option)"});
    root.Group("").push_back(
        {"unload_factor", "a number greater than 0", "", "1.0",
         "with `stage_memory`: a soil spring's unload/reload stiffness over the slope of "
         "its curve's first segment",
         "none (a run option)"});
    root.Group("").push_back(
        {"stage", "tables `[[stage]]`", "", "required", "the stages, analysed in order", ""});
    Walk(StageSchema(), "stage", "a stage", "");
    return Render();
  }

 private:
  TableDoc& Table(const std::string& header, const std::string& element, bool array = false) {
    for (TableDoc& t : tables_)
      if (t.header == header) return t;
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
            const std::string& why) {
    Table(table, element, true);
    for (const Node& node : nodes) {
      switch (node.kind) {
        case NodeKind::Rec:
          RecordRows(*node.record, table, why);
          break;
        case NodeKind::When:
          Walk(node.children, table, element, std::string(node.why));
          break;
        case NodeKind::Each: {
          const std::string sub = table + "." + std::string(node.key);
          std::string_view key = node.key;
          TableDoc& holder = Holder(table, key);
          Add(holder.Group(why), {std::string(key), "tables " + Quoted("[[" + sub + "]]"), "", "none",
                                  std::string(node.element), ""});
          Walk(node.children, sub, std::string(node.element), "");
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
      if (r.key == row.key) return;
    rows.push_back(row);
  }

  // A key already described in the table with the same meaning (the bottom
  // end of a [top, bottom] pair) only gains the record item.
  static bool Merge(TableDoc& doc, const Row& row) {
    for (auto& group : doc.groups)
      for (Row& r : group.second)
        if (r.key == row.key && r.meaning == row.meaning) {
          r.records += ", " + row.records;
          return true;
        }
    return false;
  }

  void RecordRows(const Record& r, const std::string& table, const std::string& why) {
    for (size_t i = 0; i < r.items.size(); ++i) {
      const Field& f = r.items[i];
      if (f.from != From::Key && f.from != From::Case && f.from != From::Tapered &&
          f.from != From::CountOrRows && f.from != From::Units) {
        derived_.push_back({ItemRef(r, i), DerivedText(f)});
        continue;
      }
      if (f.from == From::Units) continue;  // the file's `units`
      if (r.text_line) {
        Table(table, "").Group(why).push_back({std::string(f.key), "text", "", FallbackText(f),
                                               std::string(f.meaning), std::string(r.id) + " (the line)"});
        continue;
      }
      std::string_view key = f.key;
      TableDoc& doc = Holder(table, key);
      Row row{std::string(key), ValueText(f),           UnitText(f.unit),
              FallbackText(f),  std::string(f.meaning), ItemRef(r, i)};
      if (f.from == From::Case || f.from == From::Tapered || f.from == From::CountOrRows) {
        row.value = f.from == From::Tapered ? "true or false" : "integer";
        row.fallback = "implied";
      }
      if (!Merge(doc, row)) doc.Group(why).push_back(row);
      if (!f.alt_key.empty()) {
        const Row alt{std::string(f.alt_key),     ValueText(f), UnitText(f.alt_unit), FallbackText(f),
                      std::string(f.alt_meaning), ItemRef(r, i)};
        if (!Merge(doc, alt)) doc.Group(why).push_back(alt);
      }
    }
  }

  void RowsRow(const Node& node, const std::string& table, const std::string& why) {
    const Record& r = *node.record;
    std::string columns = "[";
    std::string units;
    std::string meaning = std::string(node.element);
    for (size_t i = 0; i < r.items.size(); ++i) {
      const Field& f = r.items[i];
      columns += (i ? ", " : "") + std::string(f.key);
      units += (i ? "; " : "") + std::string(f.key) + " " + UnitText(f.unit);
      if (f.meaning != f.key) meaning += "; " + Quoted(f.key) + ": " + std::string(f.meaning);
    }
    std::string_view key = node.key;
    TableDoc& holder = Holder(table, key);
    Add(holder.Group(why), {std::string(key), "rows " + Quoted(columns + "]"), units, "none", meaning,
                            std::string(r.id) + ", one record per row"});
  }

  std::string Render() const {
    std::string out;
    for (const TableDoc& t : tables_) {
      bool empty = true;
      for (const auto& g : t.groups) empty = empty && g.second.empty();
      if (empty) continue;
      const std::string header = t.array ? "[[" + t.header + "]]" : "[" + t.header + "]";
      out += "\n### " + (t.header.empty() ? std::string("The top level") : Quoted(header)) + "\n";
      if (!t.element.empty() && !t.header.empty()) out += "\n" + Capital(t.element) + ".\n";
      for (const auto& [why, rows] : t.groups) {
        if (rows.empty()) continue;
        if (!why.empty()) out += "\n" + Capital(why) + ":\n";
        out += "\n| Key | Value | Unit (English / SI) | Default | Meaning | Record item |\n";
        out += "|---|---|---|---|---|---|\n";
        for (const Row& row : rows)
          out += "| " + Quoted(row.key) + " | " + row.value + " | " + row.unit + " | " + row.fallback +
                 " | " + row.meaning + " | " + row.records + " |\n";
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
  std::vector<std::pair<std::string, std::string>> derived_;
};

}  // namespace

std::string FieldReference() { return Writer().Make(); }

}  // namespace darnek::toml_input
