// The tool's heap on one huge page.
//
// A whole analysis touches a few hundred kilobytes of fresh heap, and on a
// virtual machine every first touch of a 4 KB page traps to the host: about
// 12 µs each on the machines we measured, more than formatting all the
// numbers on the page. One 2 MB transparent huge page costs a single fault.
// The heap is moved up to a 2 MB boundary and that stretch is marked for huge
// pages; where the kernel has none to give, or malloc is not glibc's, the
// pages are ordinary ones and nothing else changes. The library never does
// this: the allocator belongs to the process, and here the tool is the process.
#include <cstdint>
#include <cstdlib>

#include "tool.h"

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#endif

namespace darnek::tool {

void PutHeapOnHugePages() {
#if defined(__GLIBC__)
  constexpr uintptr_t kHuge = uintptr_t{2} << 20;
  constexpr size_t kProbe = size_t{1} << 20;
  // Everything from the heap, grown in large steps and never given back: the
  // process is short and one run's memory is what it is for.
  if (mallopt(M_MMAP_THRESHOLD, 32 << 20) == 0 || mallopt(M_TRIM_THRESHOLD, 64 << 20) == 0 ||
      mallopt(M_TOP_PAD, 4 << 20) == 0)
    return;
  // A block larger than any free one comes from the top of the heap: where
  // it starts is where the heap's free end starts.
  void* volatile probe = std::malloc(kProbe);
  if (probe == nullptr) return;
  const uintptr_t top = reinterpret_cast<uintptr_t>(probe);
  std::free(probe);
  // Past every byte malloc wrote for the probe, so that no page of the huge
  // stretch is touched before it is marked.
  const uintptr_t boundary = (top + kProbe + 8192 + kHuge - 1) & ~(kHuge - 1);
  // The gap up to the boundary is held and never touched; what comes after
  // starts on the boundary.
  void* volatile gap = std::malloc(boundary - top - 32);
  if (gap == nullptr) return;
  // The stretch must be mapped before it is marked. A block reaching past it,
  // let go again at once, leaves it mapped: the trim threshold and the top
  // pad keep what the heap has grown to.
  constexpr size_t kReach = kHuge + (size_t{64} << 10);
  void* volatile reach = std::malloc(kReach);
  if (reach == nullptr) return;
  const uintptr_t reach_at = reinterpret_cast<uintptr_t>(reach);
  std::free(reach);
  // Anywhere else, the heap is not laid out as this expects: leave it be.
  if (reach_at + 64 < boundary || reach_at > boundary + 64) return;
  madvise(reinterpret_cast<void*>(boundary), kHuge, MADV_HUGEPAGE);
#endif
}

}  // namespace darnek::tool
