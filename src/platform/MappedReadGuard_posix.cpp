#include "platform/MappedFile.h"

#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <mutex>
#include <unistd.h>

namespace quillane {

namespace {

// A guarded read under way on one thread: where to go back to, and the mapping whose faults it
// takes. Each thread has its own, so that reads on several threads at once each get their own
// faults.
struct GuardedRead {
    sigjmp_buf resume;
    const std::uint8_t* first;
    std::uint64_t length;
    volatile std::uint64_t faultAt;  // the offset whose page could not be read; written by the handler
};
thread_local GuardedRead* volatile current = nullptr;

// The handler is the process's, though: it is put in place when the first guarded read of any
// thread begins and the earlier handling is put back when the last one ends, so that a bus
// error outside every guard is handled afterwards exactly as before.
std::mutex installation;
int readsUnderWay = 0;
// How SIGBUS was handled before the guard took it; written only while no read is under way.
struct sigaction previous {};

// A page of the mapping that lies past the file's end (the file was cut short after it was
// mapped) raises SIGBUS when it is read. Such a fault inside this thread's guarded mapping
// returns to its guard; any other goes on to whoever handled the signal before, or ends the
// program as usual.
void onBusError(int signal, siginfo_t* info, void* context) {
    GuardedRead* read = current;
    const auto* address = static_cast<const std::uint8_t*>(info->si_addr);
    if (read != nullptr && address >= read->first && static_cast<std::uint64_t>(address - read->first) < read->length) {
        read->faultAt = static_cast<std::uint64_t>(address - read->first);
        siglongjmp(read->resume, 1);
    }
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

// Holds the handler and this thread's guarded read in place for as long as it lives: every way
// out of the read, a return, a jump back from the handler or an exception, puts back what was
// there before.
class Guard {
public:
    explicit Guard(GuardedRead& read) : outer_(current) {
        {
            const std::lock_guard<std::mutex> lock(installation);
            if (readsUnderWay == 0) {
                struct sigaction handler {};
                handler.sa_sigaction = onBusError;
                handler.sa_flags = SA_SIGINFO;
                sigemptyset(&handler.sa_mask);
                installed_ = ::sigaction(SIGBUS, &handler, &previous) == 0;
            } else {
                installed_ = true;
            }
            if (installed_) ++readsUnderWay;
        }
        current = &read;
    }
    ~Guard() {
        current = outer_;
        if (!installed_) return;
        const std::lock_guard<std::mutex> lock(installation);
        if (--readsUnderWay == 0) ::sigaction(SIGBUS, &previous, nullptr);
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    GuardedRead* outer_;
    bool installed_ = false;
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
    // sigsetjmp keeps the signal mask, so that SIGBUS, blocked while its handler runs, is open
    // again after the jump back.
    if (sigsetjmp(guarded.resume, 1) != 0) {
        // A bus error says only that the page could not be had. Read again, the file tells why:
        // nothing there any more (cut short), or the system's own error for the medium.
        std::uint8_t byte = 0;
        ssize_t got = -1;
        do got = ::pread(static_cast<int>(handle_), &byte, 1, static_cast<off_t>(guarded.faultAt));
        while (got < 0 && errno == EINTR);
        error = got < 0 ? static_cast<std::uint32_t>(errno) : got == 0 ? 0 : EIO;
        return false;
    }
    read(context);
    return true;
}

}  // namespace quillane
