#include "platform/StopRequest.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace quillane {
namespace {

constexpr std::array<int, 3> stopSignals = {SIGINT, SIGTERM, SIGHUP};

std::atomic<bool> requested{false};
int wakeRead = -1;
int wakeWrite = -1;
// What each signal did before: a second one is handed back to it.
std::array<struct sigaction, stopSignals.size()> previous{};

// Only async-signal-safe calls: write, sigaction, raise.
void onStopSignal(int signal) {
    const int savedErrno = errno;
    if (requested.exchange(true)) {
        for (std::size_t i = 0; i < stopSignals.size(); ++i) {
            if (stopSignals[i] == signal) ::sigaction(signal, &previous[i], nullptr);
        }
        // Delivered once this handler returns, to what handled it before.
        std::raise(signal);
    } else {
        const char byte = 1;
        (void)::write(wakeWrite, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

void stopOnRequest() {
    if (wakeRead >= 0) return;
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
    wakeRead = ends[0];
    wakeWrite = ends[1];
    for (std::size_t i = 0; i < stopSignals.size(); ++i) {
        struct sigaction current {};
        if (::sigaction(stopSignals[i], nullptr, &current) != 0) continue;
        // A signal ignored by whoever started the program (nohup) stays ignored.
        if ((current.sa_flags & SA_SIGINFO) == 0 && current.sa_handler == SIG_IGN) continue;
        previous[i] = current;
        struct sigaction handler {};
        handler.sa_handler = onStopSignal;
        sigemptyset(&handler.sa_mask);
        // A blocking wait is woken through the pipe; other calls go on where they were.
        handler.sa_flags = SA_RESTART;
        ::sigaction(stopSignals[i], &handler, nullptr);
    }
}

bool stopRequested() { return requested.load(); }

void stoppingNow() {}

std::intptr_t stopWakeHandle() { return wakeRead; }

}  // namespace quillane
