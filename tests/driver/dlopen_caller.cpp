// Loads the engine's shared library at run time and calls IDARNEK, as the
// front end does: dlopen_caller LIBRARY CODE. Prints the result.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

#include "darnek/darnek.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: dlopen_caller LIBRARY CODE\n");
    return 100;
  }
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    std::fprintf(stderr, "dlopen: %s\n", dlerror());
    return 101;
  }
  using Entry = int32_t (*)(int32_t);
  auto entry = reinterpret_cast<Entry>(dlsym(library, "IDARNEK"));
  if (!entry) {
    std::fprintf(stderr, "dlsym: %s\n", dlerror());
    return 102;
  }
  const int32_t result = entry(static_cast<int32_t>(std::atoi(argv[2])));
  std::printf("%d\n", static_cast<int>(result));
  dlclose(library);
  return 0;
}
