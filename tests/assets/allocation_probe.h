#pragma once
// Records the largest single allocation made through operator new while a
// piece of code runs, so a test can prove that a reader sized its buffers by
// the data present and not by what a header claims.
#include <cstddef>
#include <functional>

namespace allocationprobe {

std::size_t largestAllocationDuring(const std::function<void()>& work);

}  // namespace allocationprobe
