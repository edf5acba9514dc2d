// `darnek serve`: the page and the API on a local web server.
#pragma once

#include <string>
#include <vector>

namespace darnek::serve {

struct ServeOptions {
  std::string Host = "127.0.0.1";
  int Port = 8080;  // 0: any free port
  // A file named on the command line, opened in the page when it loads: the
  // one file the server reads, once, before it listens.
  std::string OpenName;
  std::string OpenText;
  bool OpenIsToml = true;
  // The longest an analysis may take before its request is answered 503.
  double RunSeconds = 10;
};

// The server's arguments after `serve`; a usage problem is said on stderr and
// the exit status returned in `status` (nonzero) instead of serving.
struct ServeCommand {
  ServeOptions Options;
  int Status = 0;
};
ServeCommand ParseServeArguments(const std::vector<std::string>& args);

// Listens until the process is stopped; prints the address to open. Returns
// the exit status when it cannot listen.
int Serve(const ServeOptions& options);

}  // namespace darnek::serve
