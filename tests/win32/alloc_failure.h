// Makes operator new fail on purpose, to test what the program does when
// memory runs out without using up the memory of the machine.
#ifndef GLIMMERLOG_TESTS_WIN32_ALLOC_FAILURE_H
#define GLIMMERLOG_TESTS_WIN32_ALLOC_FAILURE_H

#include <cstddef>

namespace glimmerlog::test {

// While an object lives, allocations fail as it says; one at a time.
class AllocationFailure {
 public:
  // Every allocation of `bytes` or more fails, as when the address space
  // has no block that large left (a vector doubling its storage).
  static AllocationFailure AtOrAbove(size_t bytes);
  // The allocation `n` allocations from now fails (0: the next one), and
  // only that one.
  static AllocationFailure After(size_t n);
  // Allocations fail while they would take the memory held through operator
  // new past what is held now plus `bytes`; memory given back makes room.
  static AllocationFailure Budget(size_t bytes);
  ~AllocationFailure();
  AllocationFailure(AllocationFailure&& other) noexcept;
  AllocationFailure(const AllocationFailure&) = delete;
  AllocationFailure& operator=(const AllocationFailure&) = delete;
  AllocationFailure& operator=(AllocationFailure&&) = delete;

  // How many allocations failed so far.
  static size_t Failures();

 private:
  AllocationFailure() = default;
  bool active_ = true;
};

}  // namespace glimmerlog::test

#endif
