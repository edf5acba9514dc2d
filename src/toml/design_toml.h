// The `[design]` table of a parsed TOML document, for the readers of wall
// files and of design files (internal to src/toml).
#pragma once

#include <toml++/toml.h>

#include <string>

#include "toml/toml_input.h"

namespace darnek::toml_input {

// The design data of the table at line and column; `units` is the file's
// unit system ("english", "si", or empty). Throws TomlError naming the key.
DesignData DesignFromToml(const toml::table& design, int line, int column, const std::string& units);

}  // namespace darnek::toml_input
