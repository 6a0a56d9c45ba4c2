#pragma once
// Counts the allocations made through operator new in this test program, so
// a test can show that a per-frame path allocates nothing.
namespace allocationcount {

long allocationsSoFar();

}  // namespace allocationcount
