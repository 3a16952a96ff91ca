#include "tests/support/allocation_watch.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> g_watching{false};
std::atomic<std::size_t> g_largest{0};

}  // namespace

void* operator new(std::size_t size) {
  if (g_watching.load(std::memory_order_relaxed)) {
    std::size_t largest = g_largest.load(std::memory_order_relaxed);
    while (size > largest && !g_largest.compare_exchange_weak(largest, size)) {
    }
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace brivonel::test {

std::size_t LargestAllocationDuring(const std::function<void()>& body) {
  g_largest = 0;
  g_watching = true;
  body();
  g_watching = false;
  return g_largest;
}

}  // namespace brivonel::test
