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
size_t g_live = 0;  // bytes held through operator new
size_t g_liveLimit = SIZE_MAX;

// Each block carries its size in front, so that what is given back is known.
constexpr size_t kHeader = 16;

bool ShouldFail(size_t size) {
  if (size >= g_atOrAbove) return true;
  if (g_liveLimit != SIZE_MAX && (size > g_liveLimit || g_live > g_liveLimit - size)) return true;
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
  auto* block = static_cast<char*>(std::malloc(size + kHeader));
  if (!block) return nullptr;
  *reinterpret_cast<size_t*>(block) = size;
  g_live += size;
  return block + kHeader;
}

void Free(void* p) {
  if (!p) return;
  char* block = static_cast<char*>(p) - kHeader;
  g_live -= *reinterpret_cast<size_t*>(block);
  std::free(block);
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
AllocationFailure AllocationFailure::Budget(size_t bytes) {
  g_liveLimit = g_live + bytes;
  return AllocationFailure();
}
AllocationFailure::AllocationFailure(AllocationFailure&& other) noexcept { other.active_ = false; }
AllocationFailure::~AllocationFailure() {
  if (!active_) return;
  g_atOrAbove = SIZE_MAX;
  g_countdown = SIZE_MAX;
  g_liveLimit = SIZE_MAX;
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
void operator delete(void* p) noexcept { glimmerlog::test::Free(p); }
void operator delete[](void* p) noexcept { glimmerlog::test::Free(p); }
void operator delete(void* p, size_t) noexcept { glimmerlog::test::Free(p); }
void operator delete[](void* p, size_t) noexcept { glimmerlog::test::Free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { glimmerlog::test::Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { glimmerlog::test::Free(p); }
