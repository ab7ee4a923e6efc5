// The test binary refuses any single allocation above 256 MiB: a reader that
// trusts a forged size fails its test at once instead of zero-filling
// gigabytes. In a file of its own, so that the compiler never inlines these
// into code whose `new` it also sees.
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kRefusedRequest = std::size_t(256) << 20;

}  // namespace

void* operator new(std::size_t size) {
  if (size > kRefusedRequest) throw std::bad_alloc();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
