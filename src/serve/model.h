// A model as the Python package and the page hold it: the TOML input as
// nested objects and arrays with the TOML's key names. Turned into TOML text
// for the reader, and read back from TOML text.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "serve/schema.h"

namespace darnek::serve {

// A model that TOML cannot hold (a value that is not a table where a table
// must be, a key path too deep); names the key path.
class ModelError : public std::runtime_error {
 public:
  ModelError(const std::string& path, const std::string& what)
      : std::runtime_error(path.empty() ? what : path + ": " + what), path_(path) {}
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The model as TOML text: the keys of each table in the order the records
// read them (keys the schema does not know after them, as given), sub-tables
// and arrays of tables after the plain keys. A real written as a whole number
// keeps a point (32.0), so that the text reads the same in any TOML reader.
// Throws ModelError.
std::string ModelToToml(const Json& model);

// The model of a TOML text; throws toml_input::TomlError for a text that is
// not TOML. Only the values are kept: comments and layout are the text's own.
Json TomlToModel(const std::string& toml_text);

// A key path as the reader's messages give it ("stage 1, soil_layer 2,
// friction_angle_deg", "stage 1, ground.excavation_depth") as the keys and
// 0-based indices that reach the value in a model:
// ["stage", 0, "soil_layer", 1, "friction_angle_deg"].
Json KeyPath(const std::string& path);

}  // namespace darnek::serve
