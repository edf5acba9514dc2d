// What `darnek serve` answers, apart from HTTP: each request body in, the
// answer out (docs/serve.md). Nothing here reads or writes a file: the inputs
// come in the requests, the outputs go back in the answers.
#pragma once

#include <string>
#include <string_view>

namespace darnek::serve {

struct Answer {
  int Status = 200;
  std::string ContentType = "application/json";
  std::string Body;
  double EngineMs = -1;  // the engine's own time for an analysis, else negative
};

// GET /api/schema
Answer SchemaAnswer();
// GET /api/examples: the bundled examples and the templates.
Answer ExamplesAnswer();
// GET /api/examples/NAME: its TOML text and model.
Answer ExampleAnswer(std::string_view name);
// POST /api/analyse: a model (or a TOML text) in, the results and pictures out.
Answer AnalyseAnswer(const std::string& body);
// POST /api/convert: TOML, records and models into one another.
Answer ConvertAnswer(const std::string& body);

// An answer with an error and no other content, for the server's own refusals.
Answer ErrorAnswer(int status, const std::string& message);

}  // namespace darnek::serve
