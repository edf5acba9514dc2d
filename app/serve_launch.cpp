// `darnek serve`: handed to darnek-serve, the program beside the tool that
// holds the web server (the static tool cannot link its shared library).
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tool.h"

namespace darnek::tool {

int Serve(const std::vector<std::string>& args) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  const std::string server =
      (ec ? std::filesystem::path("darnek-serve") : self.parent_path() / "darnek-serve").string();
  std::vector<char*> argv{const_cast<char*>(server.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(server.c_str(), argv.data());
  Err() << "darnek: serve needs the program " << server
        << " (`make build` builds it beside darnek): " << std::strerror(errno) << "\n";
  return kToolFileFailed;
}

void AddServeCommand(CommandLine& line) {
  // The options are darnek-serve's, which judges them; they are named here
  // for the help.
  auto unused = std::make_shared<std::string>();
  CLI::App& serve = line.Add("serve",
                             "the front end in a browser: forms for the wall, diagrams redrawn as you type "
                             "(docs/serve.md)",
                             [&line, unused] {
                               const std::vector<std::string>& all = line.Arguments();
                               return Serve(std::vector<std::string>(all.begin() + 1, all.end()));
                             });
  if (!line.Names("serve")) return;
  serve.add_option("FILE", *unused, "a model (TOML or records) to open in the page")->type_name("");
  serve.add_option("--port", *unused, "the port, 8080 unless given; 0: any free port")->type_name("N");
  serve.add_option("--host", *unused, "the address to listen on, 127.0.0.1 unless given")->type_name("ADDR");
  serve.add_option("--time-limit", *unused, "answer an analysis past SECONDS (default 10) as such")
      ->type_name("SECONDS");
}

}  // namespace darnek::tool
