// The tool's heap on a huge page, in a batch's worker threads too.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "tool.h"

namespace darnek {
namespace {

// The flags of the mapping that holds `at`, as /proc/self/smaps gives them.
std::string MappingFlags(const void* at) {
  const auto address = reinterpret_cast<uintptr_t>(at);
  std::ifstream smaps("/proc/self/smaps");
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    // A mapping's first line: "from-to perms ...".
    if (line.find('-') < line.find(' ')) {
      uintptr_t from = 0, to = 0;
      char dash = 0;
      std::istringstream(line) >> std::hex >> from >> dash >> to;
      inside = from <= address && address < to;
    } else if (inside && line.rfind("VmFlags:", 0) == 0) {
      return line;
    }
  }
  return "";
}

// A worker thread's heap has no break to ask where its free end is: the
// probe must find it there, or the thread's runs fault page by page.
TEST(HugeHeap, AWorkerThreadsHeapIsMarkedForHugePages) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers bring their own allocator";
#endif
  std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string modes;
  if (!std::getline(setting, modes) || modes.find("[never]") != std::string::npos)
    GTEST_SKIP() << "no transparent huge pages here";
  std::string flags;
  std::thread([&] {
    tool::PutHeapOnHugePages();
    // A fresh thread heap has nothing free below the stretch: the next
    // block starts at its beginning.
    void* block = std::malloc(4096);
    flags = MappingFlags(static_cast<char*>(block) + 2048);
    std::free(block);
  }).join();
  EXPECT_NE(flags.find(" hg"), std::string::npos) << flags;
}

}  // namespace
}  // namespace darnek
