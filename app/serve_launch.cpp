// `darnek serve`: handed to darnek-serve, the program beside the tool that
// holds the web server (the static tool cannot link its shared library).
#include <unistd.h>

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

}  // namespace darnek::tool
