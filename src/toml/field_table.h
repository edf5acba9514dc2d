// The one description of the TOML input: every record of a stage of the input
// data file, in the order the engine reads it, with the TOML key that holds
// each item, its meaning and units, its default, and the conditions and
// repetitions that decide which records a stage has. Reading TOML into
// records, reading records into TOML, naming the TOML place of an input error
// and docs/input-toml.md all walk this table.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace darnek::toml_input {

// The values of the items handled so far, by item name, so that conditions
// can look at them (the options of the control line, a section's shape, ...).
class Scope {
 public:
  double Get(std::string_view item) const {
    const auto it = values_.find(item);
    return it == values_.end() ? 0.0 : it->second;
  }
  void Set(std::string_view item, double value) { values_[item] = value; }
  const std::map<std::string_view, double, std::less<>>& values() const { return values_; }
  void Merge(const Scope& other) {
    for (const auto& [k, v] : other.values_) values_[k] = v;
  }

 private:
  std::map<std::string_view, double, std::less<>> values_;
};

using Condition = bool (*)(const Scope&);

enum class Type {
  Integer,
  Real,
  Text,
  Code,   // an integer of the records, a name in TOML (the number also accepted where `numbers` allows)
  Flag,   // an integer of the records, true or false in TOML (the number also accepted)
  Names,  // an array of texts (the variables a correlation pairs); never in a record
};

// Where the value of an item comes from.
enum class From {
  Key,          // the TOML key `key` (a dotted key names a key of a sub-table)
  Count,        // the number of elements of the TOML array `key`
  Position,     // the element's position, 1, 2, ... (checked when read from records if `check`)
  Stages,       // the number of stages of the file
  Zero,         // not in TOML: written as 0 (values that nothing uses or prints)
  Units,        // the stage's `units`, else the file's
  Case,         // specified condition: 1 deflection, 2 slope, 3 both, or the key `case`
  Nonlinear,    // cross section: 1 when the shape names a nonlinear section type
  Tapered,      // elastic section: 1 when a value is a [top, bottom] pair or `tapered` is true
  CountOrRows,  // bars and strands: the number of rows of `rows`, else the key `key`
};

// Which end of a [top, bottom] pair an item takes; a single value is both.
enum class End { None, Top, Bottom };

enum class Unit {
  None,
  Length,            // in, m
  Feet,              // ft, m
  SectionLength,     // in, mm
  SectionArea,       // in2, mm2
  SectionInertia,    // in4, mm4
  Stress,            // lb/in2, kN/m2
  TieBackArea,       // in2, m2
  Force,             // lb, kN
  Moment,            // lb in, kN m
  Curvature,         // rad/in, rad/m
  UnitWeight,        // lb/in3, kN/m3
  LinePressure,      // lb/in, kN/m
  Surcharge,         // lb, lb/in or lb/in2; kN, kN/m or kN/m2
  SurchargeLength,   // in, mm
  Spring,            // lb/in, kN/m
  RotationalSpring,  // lb in/rad, kN m/rad
  Degrees,
  Radians,
  Percent,
  Station,
  Strain,
  SectionModulus,  // in3, mm3
};

struct Code {
  int Number;
  std::string_view Name;
  int Group = 0;  // shapes: 0 elastic, 1 nonlinear
};

struct CodeSet {
  std::vector<Code> Codes;
  bool Numbers = true;  // whether TOML may give the number instead of a name
  const Code* ByName(std::string_view name) const;
  const Code* ByNumber(int number, int group = 0) const;
  std::string Names() const;  // "a, b or c"
};

// None: the key is optional and has no value when absent (the design data
// say what they lack); Method: the design method's value (core/design_methods.h);
// Model: the model's own value of what an uncertain input targets.
enum class DefaultKind { Required, Value, Text, SameAs, Top, None, Method, Model };

struct Default {
  DefaultKind Kind = DefaultKind::Required;
  double Value = 0;
  std::string_view Text;  // Text: the text; SameAs: the key whose value it takes
};

struct Field {
  std::string_view Item;  // the item's name in the record format
  toml_input::Type Type = Type::Real;
  toml_input::From From = From::Key;
  std::string_view Key;  // TOML key, counted array, or for rows the column's name
  std::string_view Meaning;
  toml_input::Unit Unit = Unit::None;
  Default Fallback;  // what an absent key means
  // What a '/' leaves: the engine's initial value (for records that keep the
  // previous stage's values, the value before any stage has read one).
  double Slash = 0;
  const CodeSet* Codes = nullptr;
  toml_input::End End = End::None;
  std::string_view AltKey;  // the key's name where `alt_when` holds
  Condition AltWhen = nullptr;
  toml_input::Unit AltUnit = Unit::None;
  std::string_view AltMeaning;
  std::string_view Rows;         // CountOrRows: the array of rows
  bool Check = false;            // Position: a different value in the records is rejected
  bool AnalysisChanges = false;  // the analysis may change what a later stage\'s \'/\' keeps
};

struct Record {
  std::string_view Id;    // "C1", "L2", ...
  std::string_view Name;  // how messages name it
  std::vector<Field> Items;
  bool KeepsPrevious = false;  // a '/' leaves the previous stage's values
  bool TextLine = false;       // the title: one formatted line
};

enum class NodeKind { Rec, Each, Rows, When };

struct Node {
  NodeKind Kind = NodeKind::Rec;
  const toml_input::Record* Record = nullptr;  // Rec, Rows
  std::string_view Key;                        // Each, Rows: the TOML array
  std::string_view CountItem;  // Each, Rows: the item whose value counts the elements in records
  Condition When = nullptr;    // When
  std::string_view Why;        // When: the condition in words, for messages and the docs
  std::vector<Node> Children;  // Each, When
  std::string_view Element;    // Each, Rows: what one element is, for the docs
};

// The records of one stage, as a tree of records, repetitions and conditions.
const std::vector<Node>& StageSchema();

// The keys of the `[design]` table (design checks, not records), in the same
// form: one record of the table's own keys (a dotted key names a key of a
// sub-table) and an array of tables per cross section and per tie-back.
const std::vector<Node>& DesignSchema();
// The keys of the `[reliability]` table (docs/reliability.md), which `darnek
// run` ignores and a reliability study reads by this schema: one record of the
// study's own keys, the correlation matrix as rows, and an array of tables per
// uncertain input and per correlated pair.
const std::vector<Node>& ReliabilitySchema();
// The names of the study's methods and of the distributions, as the
// reliability reader takes them.
const CodeSet& StudyMethodCodes();
const CodeSet& DistributionCodes();
// The keys of the file's top level beside `[[stage]]`: `units`, which every
// stage's control line takes unless the stage gives its own, and
// `stage_memory`, `unload_factor` and `curve_spacing`, which are run options, not
// record items.
const std::vector<Field>& FileFields();

// The named codes.
const CodeSet& UnitCodes();
const CodeSet& ShapeCodes();

// Unit texts of the two systems.
std::string_view EnglishUnit(Unit unit);
std::string_view SiUnit(Unit unit);

// docs/input-toml.md: the part generated from the table.
std::string FieldReference();

// A real as the shortest text that reads back to the same value, without
// locale: plain decimals for ordinary magnitudes, an exponent otherwise;
// always with a point or an exponent, so that TOML reads it as a float.
std::string RealText(double value);

}  // namespace darnek::toml_input
