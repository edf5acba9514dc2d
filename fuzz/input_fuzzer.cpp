// Feeds arbitrary bytes to the engine as the input data file of a run. Every
// input must end in a status, never in a crash, a sanitizer report or a hang.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "driver/run.h"

namespace {

const std::filesystem::path& WorkDir() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("darnek-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

std::tm FixedTime() {
  std::tm t{};
  t.tm_year = 126;
  t.tm_mday = 1;
  return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto& dir = WorkDir();
  const std::string input = (dir / "input.dat").string();
  {
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  darnek::RunOptions options;
  options.Files = darnek::FileNames{input,
                                    (dir / "out.out").string(),
                                    (dir / "out.plt").string(),
                                    (dir / "out.log").string(),
                                    (dir / "out.pyscratch").string(),
                                    (dir / "out.epscratch").string()};
  options.VersionText = "FUZZ";
  options.Clock = FixedTime;
  std::ostringstream console;
  options.Console = &console;
  darnek::RunLimits limits;
  limits.IterationCap = 60;
  darnek::RunWith(options, {}, limits);
  return 0;
}
