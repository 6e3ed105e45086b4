#pragma once
// Running out of memory on demand: while an AllocationLimit lives, every
// allocation through operator new of at least its size fails with
// std::bad_alloc, as it does when memory runs out. Smaller allocations go on
// working, so that the code under test can still report the failure.
// Linking this file replaces the global operator new and delete of the test
// program (with malloc and free); nothing else changes.

#include <cstddef>

namespace pivora::test {

class AllocationLimit {
  public:
    explicit AllocationLimit(std::size_t bytes);
    ~AllocationLimit();
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;

  private:
    std::size_t previous_;
};

}  // namespace pivora::test
