#include "platform/MappedFile.h"

#include <csetjmp>
#include <csignal>

namespace quillane {

namespace {

// The guarded read under way: where to go back to, and the mapping whose faults it takes.
// The program reads its input on one thread, so one read is guarded at a time.
struct GuardedRead {
    sigjmp_buf resume;
    const std::uint8_t* first;
    std::uint64_t length;
};
GuardedRead* volatile current = nullptr;
// How SIGBUS was handled before the guard took it.
struct sigaction previous {};

// A page of the mapping that lies past the file's end (the file was cut short after it was
// mapped) raises SIGBUS when it is read. Such a fault inside the guarded mapping returns to the
// guard; any other goes on to whoever handled the signal before, or ends the program as usual.
void onBusError(int signal, siginfo_t* info, void* context) {
    GuardedRead* read = current;
    const auto* address = static_cast<const std::uint8_t*>(info->si_addr);
    if (read != nullptr && address >= read->first && static_cast<std::uint64_t>(address - read->first) < read->length)
        siglongjmp(read->resume, 1);
    if ((previous.sa_flags & SA_SIGINFO) != 0) {
        previous.sa_sigaction(signal, info, context);
    } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signal);
    } else {
        // Back to the default action; the faulting read runs again on return and ends the
        // program as it would have without the guard.
        ::sigaction(SIGBUS, &previous, nullptr);
    }
}

}  // namespace

bool MappedFile::runGuarded(void (*read)(void* context), void* context) const {
    if (view_ == nullptr) {
        read(context);
        return true;
    }
    GuardedRead guard{};
    guard.first = view_;
    guard.length = length_;

    struct sigaction handler {};
    handler.sa_sigaction = onBusError;
    handler.sa_flags = SA_SIGINFO;
    sigemptyset(&handler.sa_mask);
    if (::sigaction(SIGBUS, &handler, &previous) != 0) {
        read(context);
        return true;
    }
    current = &guard;
    // sigsetjmp keeps the signal mask, so that SIGBUS, blocked while its handler runs, is open
    // again after the jump back.
    const bool completed = sigsetjmp(guard.resume, 1) == 0;
    if (completed) read(context);
    current = nullptr;
    ::sigaction(SIGBUS, &previous, nullptr);
    return completed;
}

}  // namespace quillane
