#include "support/temp_dir.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace darnek::testing {

TempDir::TempDir() {
  std::random_device rd;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("darnek-test-" + std::to_string(rd()));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void TempDir::Write(const std::string& name, const std::string& contents) const {
  std::ofstream out(File(name), std::ios::binary);
  out << contents;
}

std::string TempDir::Read(const std::string& name) const { return ReadFile(File(name)); }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string RunCommand(const std::string& command, int* status) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("cannot run " + command);
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), n);
  const int raw = pclose(pipe);
  if (status) *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return output;
}

bool HaveGfortran() {
  int status = 0;
  RunCommand("command -v gfortran >/dev/null 2>&1", &status);
  return status == 0;
}

std::string RunFortran(const TempDir& dir, const std::string& source) {
  dir.Write("probe.f90", source);
  int status = 0;
  const std::string build = RunCommand("cd '" + dir.path().string() +
                                           "' && gfortran -ffree-line-length-none -fno-range-check -o probe "
                                           "probe.f90 2>&1",
                                       &status);
  if (status != 0) throw std::runtime_error("gfortran failed:\n" + build);
  return RunCommand("cd '" + dir.path().string() + "' && ./probe", &status);
}

}  // namespace darnek::testing
