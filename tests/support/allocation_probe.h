#pragma once
// Watches the allocations made through operator new in a test program that
// compiles this file in: the largest one while a piece of code runs (a reader
// sized its buffers by the data present, not by what a header claims), and
// how many there have been (a per-frame path allocates nothing).
#include <cstddef>
#include <functional>

namespace allocationprobe {

std::size_t largestAllocationDuring(const std::function<void()>& work);
long allocationsSoFar();

}  // namespace allocationprobe
