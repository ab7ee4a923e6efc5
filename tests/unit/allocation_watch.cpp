// The whole test binary allocates through these operators; they only keep
// score while an AllocationWatch is alive. In a file of their own, so that
// the compiler never inlines them into code whose `new` it also sees.
#include "allocation_watch.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> watching{false};
std::atomic<std::size_t> largestRequest{0};
constexpr std::size_t kRefusedRequest = std::size_t(256) << 20;

}  // namespace

void* operator new(std::size_t size) {
  if (watching.load(std::memory_order_relaxed)) {
    std::size_t seen = largestRequest.load(std::memory_order_relaxed);
    while (size > seen && !largestRequest.compare_exchange_weak(seen, size)) {
    }
    if (size > kRefusedRequest) throw std::bad_alloc();
  }
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace carafe {

AllocationWatch::AllocationWatch() {
  largestRequest = 0;
  watching = true;
}

AllocationWatch::~AllocationWatch() { watching = false; }

std::size_t AllocationWatch::Largest() const { return largestRequest.load(); }

}  // namespace carafe
