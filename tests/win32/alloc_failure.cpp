// Replaces the global operator new and delete of the test programs with
// malloc and free plus the failures that AllocationFailure asks for.
#include "tests/win32/alloc_failure.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace glimmerlog::test {
namespace {
size_t g_atOrAbove = SIZE_MAX;
size_t g_countdown = SIZE_MAX;  // SIZE_MAX: no single failure pending
size_t g_failures = 0;

bool ShouldFail(size_t size) {
  if (size >= g_atOrAbove) return true;
  if (g_countdown == SIZE_MAX) return false;
  if (g_countdown-- == 0) {
    g_countdown = SIZE_MAX;
    return true;
  }
  return false;
}

void* Allocate(size_t size) {
  if (ShouldFail(size)) {
    ++g_failures;
    return nullptr;
  }
  return std::malloc(size ? size : 1);
}
}  // namespace

AllocationFailure AllocationFailure::AtOrAbove(size_t bytes) {
  g_atOrAbove = bytes;
  return AllocationFailure();
}
AllocationFailure AllocationFailure::After(size_t n) {
  g_countdown = n;
  return AllocationFailure();
}
AllocationFailure::AllocationFailure(AllocationFailure&& other) noexcept { other.active_ = false; }
AllocationFailure::~AllocationFailure() {
  if (!active_) return;
  g_atOrAbove = SIZE_MAX;
  g_countdown = SIZE_MAX;
}
size_t AllocationFailure::Failures() { return g_failures; }

}  // namespace glimmerlog::test

void* operator new(size_t size) {
  if (void* p = glimmerlog::test::Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return glimmerlog::test::Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return glimmerlog::test::Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
