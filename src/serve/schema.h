// The model schema: every table of the TOML input and its keys, with type,
// unit, default, allowed values and help, as the page builds its forms from.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace darnek::serve {

// Objects keep their keys in the order they were made: the schema lists keys
// in the order the records read them, and the TOML written from a model does.
using Json = nlohmann::ordered_json;

// {"tables": {"": {...}, "stage": {...}, "stage.ground": {...}, ...}}: per
// table whether it is an array of tables, what one element is, and its
// fields; docs/serve.md describes a field.
const Json& ModelSchema();

// The field `key` of the table at `table` ("stage.soil_layer"); null when the
// table has no such key.
const Json* SchemaField(const std::string& table, std::string_view key);

}  // namespace darnek::serve
