// Where a node of a parsed TOML text stands, for messages that name its line
// and column.
#pragma once

#include <toml++/toml.h>

namespace darnek::toml_input {

struct Place {
  int Line = 0;
  int Column = 0;
};

inline Place Where(const toml::node& node) {
  const auto& begin = node.source().begin;
  return {static_cast<int>(begin.line), static_cast<int>(begin.column)};
}

}  // namespace darnek::toml_input
