// The POSIX signal handling behind platform/OutputSignals.h: a table of the files to undo that a
// handler reaches without allocating or locking, and the handler.
#include "platform/OutputSignals.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <string>
#include <unistd.h>

namespace quillane {

namespace outputsystem {

// Each slot holds a descriptor of the folder and the names.
namespace {

struct WatchedTemporary {
    std::atomic<bool> inUse{false};     // claimed by a writer
    std::atomic<bool> published{false}; // folder and names are complete
    std::atomic<bool> putBack{false};   // set aside: goes back to `destination`
    int folder = -1;
    std::array<char, 96> name{};
    std::array<char, NAME_MAX + 1> destination{};
};
std::array<WatchedTemporary, 16> watched;

int watch(const std::string& folder, const std::string& name, const std::string& destination) noexcept {
    if (name.size() >= WatchedTemporary{}.name.size() || destination.size() >= WatchedTemporary{}.destination.size())
        return -1;
    for (std::size_t slot = 0; slot < watched.size(); ++slot) {
        WatchedTemporary& entry = watched[slot];
        bool expected = false;
        if (!entry.inUse.compare_exchange_strong(expected, true)) continue;
        entry.folder = ::open(folder.empty() ? "." : folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (entry.folder < 0) {
            entry.inUse.store(false);
            return -1;
        }
        std::memcpy(entry.name.data(), name.c_str(), name.size() + 1);
        std::memcpy(entry.destination.data(), destination.c_str(), destination.size() + 1);
        entry.putBack.store(!destination.empty());
        entry.published.store(true);
        return static_cast<int>(slot);
    }
    return -1;  // more files at once than slots: left to the sweep
}

// The signals whose handler below undoes the unfinished outputs and that may come at any moment; the
// faults come from the program's own instructions and cannot wait.
sigset_t signalsFromOutside() {
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) sigaddset(&signals, signal);
    return signals;
}

thread_local sigset_t signalsBefore;
// Threads giving names while holding the signals back; one that comes on another thread waits.
std::atomic<int> namesBeingGiven{0};

}  // namespace

int removeOnSignal(const std::string& folder, const std::string& name) noexcept { return watch(folder, name, {}); }

int putBackOnSignal(const std::string& folder, const std::string& aside, const std::string& destination) noexcept {
    return destination.empty() ? -1 : watch(folder, aside, destination);
}

void removeInsteadOnSignal(int slot) noexcept {
    if (slot >= 0 && static_cast<std::size_t>(slot) < watched.size()) watched[static_cast<std::size_t>(slot)].putBack.store(false);
}

void forgetOnSignal(int slot) noexcept {
    if (slot < 0 || static_cast<std::size_t>(slot) >= watched.size()) return;
    WatchedTemporary& entry = watched[static_cast<std::size_t>(slot)];
    entry.published.store(false);
    ::close(entry.folder);
    entry.folder = -1;
    entry.inUse.store(false);
}

SignalsHeldBack::SignalsHeldBack() noexcept {
    const sigset_t signals = signalsFromOutside();
    ::pthread_sigmask(SIG_BLOCK, &signals, &signalsBefore);
    namesBeingGiven.fetch_add(1);
}

// One that came to this thread meanwhile is handled here, as the mask is put back.
SignalsHeldBack::~SignalsHeldBack() {
    namesBeingGiven.fetch_sub(1);
    ::pthread_sigmask(SIG_SETMASK, &signalsBefore, nullptr);
}

}  // namespace outputsystem

namespace {

// Only async-signal-safe calls: nanosleep, renameat, unlinkat, signal, raise. A file set aside
// goes back to its name, whatever stands there now (a rename between two names of one file
// leaves both, so the extra one is removed after it).
void undoUnfinishedOutputsAndEnd(int signal) {
    const int savedErrno = errno;
    // A signal from outside, taken here while another thread gives names with the signals held
    // back, waits until they are given; a fault cannot wait, since it may be that thread's own.
    const sigset_t fromOutside = outputsystem::signalsFromOutside();
    if (sigismember(&fromOutside, signal) == 1) {
        const timespec pause{0, 1000000};
        while (outputsystem::namesBeingGiven.load() > 0) ::nanosleep(&pause, nullptr);
    }
    for (auto& entry : outputsystem::watched) {
        if (!entry.published.load()) continue;
        if (entry.putBack.load()) ::renameat(entry.folder, entry.name.data(), entry.folder, entry.destination.data());
        ::unlinkat(entry.folder, entry.name.data(), 0);
    }
    errno = savedErrno;
    // The signal's own ending: default action, delivered again once this handler returns (a
    // fault, by running the faulting instruction again).
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void undoUnfinishedOutputsOnSignals() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) != 0) continue;
        // Only signals that would end the program as they stand: one ignored by whoever started
        // it (nohup, a shell's background job) stays ignored, and a handler already in place
        // (a sanitizer's report of a crash) keeps its work.
        if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) continue;
        struct sigaction handler {};
        handler.sa_handler = undoUnfinishedOutputsAndEnd;
        sigemptyset(&handler.sa_mask);
        handler.sa_flags = SA_RESETHAND;
        ::sigaction(signal, &handler, nullptr);
    }
}

}  // namespace quillane
