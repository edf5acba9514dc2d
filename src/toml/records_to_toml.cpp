// Records to TOML: the field table drives the list-directed reader over a
// record file, '/' leaving what the engine would leave, and every stage is
// written out in full, with what the records carry over from an earlier stage
// made explicit.
#include <cmath>
#include <limits>
#include <sstream>

#include "core/errors.h"
#include "core/list_reader.h"
#include "core/plain_text.h"
#include "toml/field_table.h"
#include "toml/toml_input.h"

namespace darnek::toml_input {
namespace {

// The TOML document being written, in the order of the records.
struct OutTable;

enum class EntryKind { Scalar, Pair, Rows, Table, Tables };

struct OutEntry {
  EntryKind Kind = EntryKind::Scalar;
  std::string Key;
  std::string Text;            // Scalar: the value as TOML text
  double Top = 0, Bottom = 0;  // Pair: the two ends
  bool HasBottom = false;
  std::vector<std::string> Rows;  // Rows: "[a, b]" each
  std::vector<OutTable> Tables;   // Table: one; Tables: the elements
};

struct OutTable {
  std::vector<OutEntry> Entries;
  std::vector<std::string> Comments;

  OutEntry* Find(std::string_view key) {
    for (OutEntry& e : Entries)
      if (e.Key == key) return &e;
    return nullptr;
  }
  OutEntry& Add(std::string_view key, EntryKind kind) {
    if (OutEntry* e = Find(key)) return *e;
    Entries.push_back(OutEntry{});
    Entries.back().Kind = kind;
    Entries.back().Key = std::string(key);
    return Entries.back();
  }
  // The table that a dotted key's last part belongs to.
  OutTable& Holder(std::string_view& dotted) {
    const size_t dot = dotted.find('.');
    if (dot == std::string_view::npos) return *this;
    OutEntry& sub = Add(dotted.substr(0, dot), EntryKind::Table);
    if (sub.Tables.empty()) sub.Tables.emplace_back();
    dotted.remove_prefix(dot + 1);
    return sub.Tables.front().Holder(dotted);
  }
  void Set(std::string_view dotted, const std::string& text) {
    OutTable& t = Holder(dotted);
    t.Add(dotted, EntryKind::Scalar).Text = text;
  }
};

std::string TomlString(const std::string& text, int line) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (IsControl(static_cast<char>(c))) {
      // As the engine reads a title: a TOML text holds no control character.
      out += ' ';
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      // TOML holds UTF-8; a text in another encoding would change its bytes.
      const size_t length = CharacterAt(text, i);
      if (length == 0)
        throw ConvertError("line " + std::to_string(line) +
                           ": the text is not UTF-8, and TOML holds UTF-8 text only: " + Shown(text, 80));
      out.append(text, i, length);
      i += length - 1;
    }
  }
  return out + "\"";
}

// One record as read: the value of every item.
struct ReadValues {
  std::vector<int> Ints;
  std::vector<double> Reals;
  std::vector<std::string> Texts;
  double Number(size_t i, Type type) const { return type == Type::Real ? Reals[i] : Ints[i]; }
};

class Converter {
 public:
  explicit Converter(std::istream& in) : reader_(in) {}

  std::string Make(const std::string& source_name) {
    OutEntry& stages = root_.Add("stage", EntryKind::Tables);
    std::vector<int> num_stages;
    std::vector<int> continuations;
    for (int number = 1;; ++number) {
      stages.Tables.emplace_back();
      stage_ = number;
      Stage(stages.Tables.back());
      num_stages.push_back(static_cast<int>(scope_.Get("NumStages")));
      int continuation = 0;
      reader_.ReadIfAny("stage-continuation value", {{"continuation", &continuation}});
      continuations.push_back(continuation);
      if (continuation == num_stages.back() || continuation == 0) break;
    }
    CheckStageCount(num_stages, continuations);
    std::string text = "# darnek input, converted from " + source_name + "\n";
    OutEntry units;
    units.Key = "units";
    units.Text = root_units_;
    root_.Entries.insert(root_.Entries.begin(), units);
    Render(root_, "", text);
    return text;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw ConvertError("line " + std::to_string(reader_.line()) + ": " + what);
  }

  // The TOML form derives the stage count and the continuation values; a file
  // whose own values would make the engine act otherwise has no TOML form.
  void CheckStageCount(const std::vector<int>& num_stages, const std::vector<int>& continuations) const {
    const int n = static_cast<int>(num_stages.size());
    for (int i = 0; i < n; ++i) {
      const std::string where = "stage " + std::to_string(i + 1) + ": ";
      if (num_stages[static_cast<size_t>(i)] != n && !(n == 1 && num_stages[0] <= 1))
        throw ConvertError(where + "the first control line gives NumStages " +
                           std::to_string(num_stages[static_cast<size_t>(i)]) + ", but the file holds " +
                           std::to_string(n) + (n == 1 ? " stage" : " stages") +
                           "; the TOML form counts the stages itself, so this file has no TOML form");
      if (i + 1 < n && continuations[static_cast<size_t>(i)] == 9)
        throw ConvertError(where +
                           "the stage-continuation value 9 gives the plot file a stage code of its own, "
                           "which the TOML form does not hold");
    }
  }

  void Stage(OutTable& stage) {
    scope_ = Scope{};
    element_scopes_.clear();
    stage.Comments.push_back("Stage " + std::to_string(stage_));
    Walk(StageSchema(), stage, stage_, "stage");
    KeepGround(stage);
  }

  void Walk(const std::vector<Node>& nodes, OutTable& table, int position, const std::string& name) {
    for (const Node& node : nodes) {
      switch (node.Kind) {
        case NodeKind::Rec:
          ReadRecord(*node.Record, table, position);
          break;
        case NodeKind::When:
          if (node.When(scope_)) Walk(node.Children, table, position, name);
          break;
        case NodeKind::Each: {
          const int count = static_cast<int>(scope_.Get(node.CountItem));
          const std::string key(node.Key);
          for (int i = 0; i < count; ++i) {
            OutEntry& array = table.Add(node.Key, EntryKind::Tables);
            if (static_cast<int>(array.Tables.size()) <= i) array.Tables.emplace_back();
            const std::string element = name + "." + key + "#" + std::to_string(i + 1);
            Scope outer = scope_;
            auto saved = element_scopes_.find(element);
            if (saved != element_scopes_.end()) scope_.Merge(saved->second);
            Walk(node.Children, array.Tables[static_cast<size_t>(i)], i + 1, element);
            if (saved == element_scopes_.end()) FinishElement(node, array.Tables[static_cast<size_t>(i)]);
            element_scopes_[element] = scope_;
            scope_ = outer;
          }
          break;
        }
        case NodeKind::Rows: {
          const int count = static_cast<int>(scope_.Get(node.CountItem));
          std::string_view key = node.Key;
          OutTable& holder = table.Holder(key);
          OutEntry& rows = holder.Add(key, EntryKind::Rows);
          for (int i = 0; i < count; ++i) {
            const ReadValues v = Read(*node.Record, {}, false);
            std::string row = "[";
            for (size_t k = 0; k < node.Record->Items.size(); ++k)
              row += (k ? ", " : "") + RealText(v.Reals[k]);
            rows.Rows.push_back(row + "]");
          }
          break;
        }
      }
    }
  }

  // An elastic section whose records say tapered, with top and bottom alike.
  void FinishElement(const Node& node, OutTable& element) {
    if (node.Key != "cross_section" || scope_.Get("SectionTapered") < 1) return;
    for (const OutEntry& e : element.Entries)
      if (e.Kind == EntryKind::Pair && e.HasBottom && e.Top != e.Bottom) return;
    element.Set("tapered", "true");
  }

  // One list-directed read of a record, with what a '/' would leave.
  ReadValues Read(const Record& record, const std::string& previous_key, bool keeps_previous) {
    const size_t n = record.Items.size();
    ReadValues v;
    v.Ints.assign(n, 0);
    v.Reals.assign(n, 0.0);
    v.Texts.assign(n, std::string());
    std::vector<ListReader::Field> fields;
    fields.reserve(n);
    for (size_t i = 0; i < n; ++i) {
      const Field& f = record.Items[i];
      double start = f.Slash;
      if (keeps_previous) {
        const auto it = previous_.find(previous_key + "#" + std::to_string(i));
        if (it != previous_.end()) start = it->second;
      }
      // A value the analysis may have changed is marked, to see whether a
      // '/' or a null value left it.
      const bool marked = keeps_previous && f.AnalysisChanges && stage_ > 1;
      if (f.Type == Type::Real) {
        v.Reals[i] = marked ? std::numeric_limits<double>::quiet_NaN() : start;
        fields.push_back({f.Item, &v.Reals[i]});
      } else if (f.Type == Type::Text) {
        fields.push_back({f.Item, &v.Texts[i]});
      } else {
        v.Ints[i] = marked ? std::numeric_limits<int>::min() : static_cast<int>(start);
        fields.push_back({f.Item, &v.Ints[i]});
      }
    }
    reader_.Read(record.Name, fields);
    for (size_t i = 0; i < n; ++i) {
      const Field& f = record.Items[i];
      if (!(keeps_previous && f.AnalysisChanges && stage_ > 1)) continue;
      if (std::isnan(v.Reals[i]) || v.Ints[i] == std::numeric_limits<int>::min())
        Fail(std::string(record.Name) + " leaves " + std::string(f.Item) +
             " as the analysis of the previous stage left it, which only the analysis knows: give the value");
    }
    return v;
  }

  void ReadRecord(const Record& record, OutTable& table, int position) {
    if (record.TextLine) {
      std::string title = reader_.ReadText(record.Name, 70);
      while (!title.empty() && title.back() == ' ') title.pop_back();
      if (!title.empty()) table.Set("title", TomlString(title, reader_.line()));
      return;
    }
    const std::string id(record.Id);
    const ReadValues v = Read(record, id, record.KeepsPrevious);
    for (size_t i = 0; i < record.Items.size(); ++i) {
      const Field& f = record.Items[i];
      if (f.Type == Type::Text) continue;
      double value = v.Number(i, f.Type);
      if (f.From == From::Count && record.KeepsPrevious) value = std::max(value, 0.0);
      if (record.KeepsPrevious) previous_[id + "#" + std::to_string(i)] = value;
      scope_.Set(f.Item, v.Number(i, f.Type));
    }
    for (size_t i = 0; i < record.Items.size(); ++i) Place(record, i, v, table, position);
    if (id == "E1") kept_wall_ = v.Reals;
  }

  // The TOML form of one item.
  void Place(const Record& record, size_t i, const ReadValues& v, OutTable& table, int position) {
    const Field& f = record.Items[i];
    switch (f.From) {
      case From::Key:
        break;
      case From::Count:
        if (record.Id == "C1" && f.Item != "NonlinearEIOption" && v.Ints[i] < 0)
          Fail("the first control line gives " + std::string(f.Item) + " " + std::to_string(v.Ints[i]) +
               ", which the report shows; the TOML form counts the tables itself, so it has no negative "
               "counts");
        return;
      case From::Position:
        if (f.Check && v.Ints[i] != position)
          Fail(std::string(record.Name) + " names cross section " + std::to_string(v.Ints[i]) +
               "; the tables follow the nonlinear sections in order");
        return;
      case From::Stages:
      case From::Zero:
      case From::Nonlinear:
      case From::Tapered:
        return;
      case From::Units: {
        const std::string text = CodeText(f, UnitCodes(), v.Ints[i], 0);
        if (stage_ == 1) root_units_ = text;
        if (text != root_units_) table.Set("units", text);
        return;
      }
      case From::Case: {
        const int c = v.Ints[i];
        const double deflection = v.Reals[2];
        const double slope = v.Reals[3];
        const bool has_deflection = c != 2 || deflection != 0;
        const bool has_slope = c >= 2 || slope != 0;
        table.Set("station", std::to_string(v.Ints[1]));
        if (has_deflection) table.Set("deflection", RealText(deflection));
        if (has_slope) table.Set("slope_rad", RealText(slope));
        const int implied = has_deflection && has_slope ? 3 : (has_slope ? 2 : 1);
        if (implied != c) table.Set("case", std::to_string(c));
        return;
      }
      case From::CountOrRows: {
        // With positions given, their rows count the bars.
        const bool rows =
            scope_.Get(f.Item == "NumRebars" ? "RebarLayout" : "StrandLayout") == 3 && v.Ints[i] >= 1;
        if (!rows) table.Set(f.Key, std::to_string(v.Ints[i]));
        return;
      }
    }
    if (record.Id == "S") return;  // written with the case
    std::string_view key = f.AltWhen && f.AltWhen(scope_) ? f.AltKey : f.Key;
    OutTable& holder = table.Holder(key);
    if (f.End != End::None) {
      const double value = v.Reals[i];
      const bool is_default = f.Fallback.Kind == DefaultKind::Value && value == f.Fallback.Value;
      OutEntry* e = holder.Find(key);
      if (f.End == End::Top) {
        if (is_default && f.Fallback.Kind != DefaultKind::Required) return;
        OutEntry& pair = holder.Add(key, EntryKind::Pair);
        pair.Top = value;
      } else {
        if (!e) {
          if (is_default) return;
          e = &holder.Add(key, EntryKind::Pair);
          e->Top = f.Fallback.Value;
        }
        e->Bottom = value;
        e->HasBottom = true;
      }
      return;
    }
    std::string text;
    switch (f.Type) {
      case Type::Real: {
        const double value = v.Reals[i];
        if (IsDefault(f, record, v, value)) return;
        text = RealText(value);
        break;
      }
      case Type::Integer:
        if (IsDefault(f, record, v, v.Ints[i])) return;
        text = std::to_string(v.Ints[i]);
        break;
      case Type::Code:
      case Type::Flag:
        if (IsDefault(f, record, v, v.Ints[i])) return;
        text = f.Type == Type::Flag
                   ? FlagText(*f.Codes, v.Ints[i])
                   : CodeText(f, *f.Codes, v.Ints[i], scope_.Get("SectionNonlinear") != 0 ? 1 : 0);
        break;
      case Type::Names:  // reliability keys only, never records
      case Type::Text:
        if (f.Fallback.Kind == DefaultKind::Text && v.Texts[i] == f.Fallback.Text) return;
        text = TomlString(v.Texts[i], reader_.line());
        break;
    }
    holder.Set(key, text);
  }

  static bool IsDefault(const Field& f, const Record& record, const ReadValues& v, double value) {
    switch (f.Fallback.Kind) {
      case DefaultKind::Required:
        return false;
      case DefaultKind::Value:
      case DefaultKind::Top:
        return value == f.Fallback.Value;
      case DefaultKind::SameAs:
        for (size_t k = 0; k < record.Items.size(); ++k)
          if (record.Items[k].Key == f.Fallback.Text) return value == v.Number(k, record.Items[k].Type);
        return false;
      case DefaultKind::Text:
      case DefaultKind::None:  // design and reliability keys only, never records
      case DefaultKind::Method:
      case DefaultKind::Model:
        return false;
    }
    return false;
  }

  std::string CodeText(const Field& f, const CodeSet& codes, int number, int group) const {
    if (const Code* c = codes.ByNumber(number, &codes == &ShapeCodes() ? group : 0))
      return "\"" + std::string(c->Name) + "\"";
    if (!codes.Numbers)
      Fail(std::string(f.Item) + " " + std::to_string(number) +
           " is not a known code, and the TOML form names it");
    return std::to_string(number);
  }

  static std::string FlagText(const CodeSet& codes, int number) {
    if (number == codes.Codes[0].Number) return "false";
    if (number == codes.Codes[1].Number) return "true";
    return std::to_string(number);
  }

  // A stage with a specified pressure diagram and no soil block of its own
  // keeps the surcharges of the last block: the TOML stage says so in full.
  void KeepGround(OutTable& stage) {
    if (scope_.Get("EarthPressureOption") >= 2 || scope_.Get("PyCurveOption") == 2) {
      const OutEntry* surcharges = stage.Find("surcharge");
      kept_surcharges_ = surcharges ? surcharges->Tables : std::vector<OutTable>{};
      kept_stage_ = stage_;
      return;
    }
    if (scope_.Get("EarthPressureOption") != 1 || kept_surcharges_.empty()) return;
    stage.Set("ground.excavation_depth", RealText(kept_wall_[0]));
    stage.Set("ground.earth_pressure_width", RealText(kept_wall_[1]));
    stage.Find("ground")->Tables.front().Comments.push_back(
        "The surcharges of stage " + std::to_string(kept_stage_) +
        ", which this stage keeps, and the ground values that scale them.");
    OutEntry& surcharges = stage.Add("surcharge", EntryKind::Tables);
    surcharges.Tables = kept_surcharges_;
  }

  static void Render(const OutTable& table, const std::string& path, std::string& out) {
    for (const OutEntry& e : table.Entries) {
      switch (e.Kind) {
        case EntryKind::Scalar:
          out += e.Key + " = " + e.Text + "\n";
          break;
        case EntryKind::Pair:
          out += e.Key + " = ";
          out += !e.HasBottom || e.Top == e.Bottom ? RealText(e.Top)
                                                   : "[" + RealText(e.Top) + ", " + RealText(e.Bottom) + "]";
          out += "\n";
          break;
        case EntryKind::Rows:
          out += e.Key + " = [\n";
          for (const std::string& row : e.Rows) out += "  " + row + ",\n";
          out += "]\n";
          break;
        default:
          break;
      }
    }
    for (const OutEntry& e : table.Entries) {
      const std::string sub = path.empty() ? e.Key : path + "." + e.Key;
      if (e.Kind == EntryKind::Table) {
        out += "\n";
        for (const std::string& c : e.Tables.front().Comments) out += "# " + c + "\n";
        out += "[" + sub + "]\n";
        Render(e.Tables.front(), sub, out);
      } else if (e.Kind == EntryKind::Tables) {
        for (const OutTable& element : e.Tables) {
          out += "\n";
          for (const std::string& c : element.Comments) out += "# " + c + "\n";
          out += "[[" + sub + "]]\n";
          Render(element, sub, out);
        }
      }
    }
  }

  ListReader reader_;
  Scope scope_;
  std::map<std::string, Scope> element_scopes_;
  std::map<std::string, double> previous_;
  OutTable root_;
  std::string root_units_;
  std::vector<double> kept_wall_;
  std::vector<OutTable> kept_surcharges_;
  int kept_stage_ = 0;
  int stage_ = 0;
};

}  // namespace

std::string RecordsToToml(std::istream& records, const std::string& source_name) {
  return Converter(records).Make(source_name);
}

}  // namespace darnek::toml_input
