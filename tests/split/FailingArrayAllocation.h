#pragma once

#include <cstddef>

namespace quillane::testing {

// Makes one later array allocation of exactly `bytes` bytes fail with std::bad_alloc, after
// `skip` allocations of that size have gone through. The test program replaces the global
// array operator new for this; the program itself is built and run unchanged.
void failArrayAllocation(std::size_t bytes, int skip = 0);
// Withdraws a failure that has not happened yet.
void allowArrayAllocations();
// Whether the armed failure has been raised.
bool arrayAllocationFailed();

}  // namespace quillane::testing
