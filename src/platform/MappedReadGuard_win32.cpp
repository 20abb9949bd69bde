#include "platform/MappedFile.h"

#include <windows.h>
#include <winternl.h>

namespace quillane {

// While a file is mapped here, no program can cut it short: the share mode keeps others from
// writing it and Windows refuses to truncate a file with a mapped view. What can still fail is
// the medium under the view, a network drive going away or a disk error: reading such a page
// raises EXCEPTION_IN_PAGE_ERROR. GCC has no __try, so a vectored handler takes the fault: it
// makes the faulting thread go on in `abandonRead`, as if the faulting instruction had called
// it, and that jumps back into runGuarded with __builtin_longjmp. The jump restores the frame
// and the stack only; GCC saves every callee-saved register of a function that contains
// __builtin_setjmp, so they come back too. `read` is promised to hold nothing that would need
// cleaning up, so skipping the rest of it loses nothing.
namespace {

// The guarded read under way on this thread: each thread has its own, so that reads on several
// threads at once each get their own faults.
struct GuardedRead {
    void* resume[5];
    const std::uint8_t* first;
    std::uint64_t length;
    // Why the page could not be brought in, as a system error code (0: not told), and the
    // offset of the byte whose page it is; written by the handler.
    volatile std::uint32_t error;
    volatile std::uint64_t faultAt;
};
thread_local GuardedRead* volatile current = nullptr;

[[noreturn]] __attribute__((noinline)) void abandonRead() {
    GuardedRead* read = current;
    __builtin_longjmp(read->resume, 1);
}

LONG CALLBACK onInPageError(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    GuardedRead* read = current;
    // Windows raises an in-page error for a page of the view it cannot read; Wine raises an
    // access violation on reading it, which a read inside a mapped read-only view cannot
    // otherwise raise.
    const bool inPage = record.ExceptionCode == EXCEPTION_IN_PAGE_ERROR;
    const bool readViolation = record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.ExceptionInformation[0] == 0;
    if (read == nullptr || (!inPage && !readViolation) || record.NumberParameters < 2) return EXCEPTION_CONTINUE_SEARCH;
    // The second parameter is the address whose page could not be brought in.
    const auto* address = reinterpret_cast<const std::uint8_t*>(record.ExceptionInformation[1]);
    if (address < read->first || static_cast<std::uint64_t>(address - read->first) >= read->length)
        return EXCEPTION_CONTINUE_SEARCH;
    read->faultAt = static_cast<std::uint64_t>(address - read->first);
    // The third is the status of the read that failed; its meaning as a system error code.
    read->error = inPage && record.NumberParameters >= 3
                      ? ::RtlNtStatusToDosError(static_cast<NTSTATUS>(record.ExceptionInformation[2]))
                      : 0;

    // A call of abandonRead from the faulting instruction: the stack aligned as at a call, with
    // room for the callee's home area, and the faulting address as its return address.
    CONTEXT& context = *exception->ContextRecord;
    DWORD64 stack = (context.Rsp - 64) & ~DWORD64{15};
    stack -= sizeof(DWORD64);
    *reinterpret_cast<DWORD64*>(stack) = context.Rip;
    context.Rsp = stack;
    context.Rip = reinterpret_cast<DWORD64>(&abandonRead);
    return EXCEPTION_CONTINUE_EXECUTION;
}

// Holds a vectored handler and this thread's guarded read in place for as long as it lives, so
// that every way out of the read, a return, the jump back or an exception, removes them again.
class Guard {
public:
    explicit Guard(GuardedRead& read) : outer_(current), handler_(::AddVectoredExceptionHandler(1, onInPageError)) {
        current = &read;
    }
    ~Guard() {
        current = outer_;
        if (handler_ != nullptr) ::RemoveVectoredExceptionHandler(handler_);
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    GuardedRead* outer_;
    void* handler_;
};

}  // namespace

bool MappedFile::runGuarded(void (*read)(void* context), void* context, std::uint32_t& error) const {
    error = 0;
    if (view_ == nullptr) {
        read(context);
        return true;
    }
    GuardedRead guarded{};
    guarded.first = view_;
    guarded.length = length_;
    const Guard guard(guarded);
    if (__builtin_setjmp(guarded.resume) != 0) {
        // Windows keeps a mapped file from being cut short: what fails under a view is the
        // medium. Not told why, the file is read there again, which says it.
        error = guarded.error;
        if (error == 0) {
            std::uint8_t byte = 0;
            std::size_t got = 0;
            error = readAt(guarded.faultAt, &byte, 1, got);
        }
        if (error == 0) error = ERROR_READ_FAULT;
        return false;
    }
    read(context);
    return true;
}

}  // namespace quillane
