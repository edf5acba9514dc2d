// The TOML form of an input file: a whole run described with keys, comments
// and units, turned into the equivalent records for the engine's reader, and
// records turned into TOML. Both directions follow the field table.
#pragma once

#include <istream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "darnek/darnek.h"

namespace darnek::toml_input {

// A TOML file that cannot be turned into records: a syntax error, or a key
// whose value does not fit. The message names the line and column, the key
// path ("stage 2, soil_layer 3, friction_angle_deg") and what is wrong.
class TomlError : public std::runtime_error {
 public:
  TomlError(int line, int column, const std::string& what);
  TomlError(int line, int column, const std::string& path, const std::string& what);
  int line() const { return line_; }
  int column() const { return column_; }
  // The key path the error names; empty for a syntax error.
  const std::string& path() const { return path_; }

 private:
  int line_;
  int column_;
  std::string path_;
};

// A record file that has no TOML form (for example a stage-continuation value
// that gives the plot file a stage code of its own), or that cannot be read.
class ConvertError : public std::runtime_error {
 public:
  explicit ConvertError(const std::string& what) : std::runtime_error(what) {}
};

// Where the items of one generated record came from in the TOML file.
struct RecordPlace {
  int Stage = 0;
  std::string Path;  // "stage 2, soil_layer 3"
  int Line = 0;      // the table's line in the TOML file
  int Column = 0;
  struct Item {
    std::string Key;  // "friction_angle_deg", or the array a count is taken from
    int Line = 0;
    int Column = 0;
  };
  std::vector<Item> Items;
};

struct Records {
  std::string Text;                 // the records, one per line
  std::vector<RecordPlace> Places;  // per line of `text`
  // The top-level `stage_memory`, `unload_factor` and `curve_spacing`, which
  // are run options rather than records.
  bool StageMemory = false;
  double UnloadFactor = 1.0;
  double CurveSpacing = 0;  // 0: not given
  // The `[design]` table, when the file has one: design checks, which are
  // no records either.
  std::optional<DesignData> Design;
};

// The records of a TOML file's text; throws TomlError.
Records TomlToRecords(const std::string& toml_text);

// Every TOML text is checked with this before it is parsed. TOML holds
// characters that are not ASCII only in quoted texts and comments; the TOML
// library (toml++ 3.3) meets one anywhere else with undefined behaviour (it
// asks whether the character is Unicode whitespace, and for most of them
// reaches a point it marks as unreachable). Throws TomlError naming the line
// and column of the first such character.
void CheckAsciiOutsideTexts(const std::string& toml_text);

// The TOML text of a record file; throws ConvertError, or InputError for a
// malformed record. `source_name` names the file in the TOML's first comment.
std::string RecordsToToml(std::istream& records, const std::string& source_name);

// Where in the TOML file an input error found in the records made from it lies.
struct TomlPlace {
  int Line = 0;  // 0 when the error names no record
  int Column = 0;
  std::string Path;    // "stage 1, soil_layer 2", when `line` is set
  std::string Key;     // "friction_angle_deg" when one value is at fault, else empty
  int Stage = 0;       // the stage the engine was reading when `line` is 0; 0 when unknown
  std::string Detail;  // what is wrong, without the place
};
TomlPlace LocateInToml(const Records& records, const InputErrorPlace& place);

// The message of an input error found in records made from TOML: the TOML
// line and column, the key path and what is wrong.
std::string DescribeInTomlTerms(const Records& records, const InputErrorPlace& place);

// Sets `options` up to run the TOML file that `options.files` names as the
// input: its records go to the engine in memory, the report names the TOML
// file, and input errors name TOML keys and lines. Throws TomlError, or
// ConvertError when the file cannot be read.
std::shared_ptr<const Records> PrepareTomlRun(RunOptions& options);

// A design file: a TOML text holding the `[design]` table (and, if it likes,
// `units`), for a record file run with design checks. Throws TomlError.
DesignData ReadDesignText(const std::string& toml_text);
// The same from a file; throws ConvertError when it cannot be read.
DesignData ReadDesignFile(const std::string& path);

// Whether a path names a TOML file (by its extension).
bool IsTomlPath(const std::string& path);

}  // namespace darnek::toml_input
