#include "core/text_pool.h"

#include <mutex>
#include <vector>

namespace darnek::text_pool {
namespace {

// Enough for the outputs of a run on every thread of a busy machine; a text
// larger than the limit goes back to the allocator, as does any beyond the
// count, so the cache never holds more than a few runs' worth.
constexpr size_t kKeptPerKind = 16;
constexpr size_t kLargestKept = size_t{64} << 20;

class Cache {
 public:
  // Room for every string kept, so that giving one back never allocates.
  Cache() {
    for (std::vector<std::string>& spare : spare_) spare.reserve(kKeptPerKind);
  }

  std::string Take(int kind) {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string>& spare = spare_[Slot(kind)];
    if (spare.empty()) return {};
    std::string text = std::move(spare.back());
    spare.pop_back();
    return text;
  }

  void Give(std::string&& text, int kind) noexcept {
    // A string that never left its own few bytes saves no allocation.
    if (text.capacity() <= std::string().capacity() || text.capacity() > kLargestKept) return;
    text.clear();
    const std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string>& spare = spare_[Slot(kind)];
    if (spare.size() < kKeptPerKind) spare.push_back(std::move(text));
  }

  size_t Waiting(int kind) {
    const std::lock_guard<std::mutex> lock(mutex_);
    return spare_[Slot(kind)].size();
  }

 private:
  static size_t Slot(int kind) { return kind >= 0 && kind < kKinds ? static_cast<size_t>(kind) : 0; }

  std::mutex mutex_;
  std::vector<std::string> spare_[kKinds];
};

// Never destroyed: a caller may let go of a text while the process exits,
// after every static object is gone.
Cache& TheCache() {
  static Cache* const cache = new Cache;
  return *cache;
}

}  // namespace

std::string Take(int kind) { return TheCache().Take(kind); }

std::shared_ptr<const std::string> Share(std::string text, int kind) {
  return std::shared_ptr<const std::string>(new std::string(std::move(text)), [kind](const std::string* p) {
    std::unique_ptr<std::string> owned(const_cast<std::string*>(p));
    TheCache().Give(std::move(*owned), kind);
  });
}

void Give(std::string text, int kind) noexcept { TheCache().Give(std::move(text), kind); }

size_t Waiting(int kind) { return TheCache().Waiting(kind); }

}  // namespace darnek::text_pool
