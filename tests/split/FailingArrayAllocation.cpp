#include "split/FailingArrayAllocation.h"

#include <new>

namespace {

std::size_t failingSize = 0;
int allocationsToSkip = 0;
bool failed = false;

}  // namespace

namespace quillane::testing {

void failArrayAllocation(std::size_t bytes, int skip) {
    failingSize = bytes;
    allocationsToSkip = skip;
    failed = false;
}

void allowArrayAllocations() { failingSize = 0; }

bool arrayAllocationFailed() { return failed; }

}  // namespace quillane::testing

// Array forms only, each forwarding to the single-object form, so that every allocator
// (including a sanitizer's) sees matching pairs.
void* operator new[](std::size_t size) {
    if (failingSize != 0 && size == failingSize) {
        if (allocationsToSkip == 0) {
            failingSize = 0;
            failed = true;
            throw std::bad_alloc();
        }
        --allocationsToSkip;
    }
    return ::operator new(size);
}

void operator delete[](void* pointer) noexcept { ::operator delete(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { ::operator delete(pointer); }
