#include "hardening/FaultyFileSystem.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace quillane::testing {

namespace {

// Function pointers carry no state, so the one active plan lives here; FaultyFileSystem
// sets it up and clears it, and refuses to be nested.
struct Plan {
    bool active = false;
    std::vector<Fault> faults;
    bool shortWrites = false;
    bool interrupted = false;
    int counts[7] = {};
    std::size_t raised = 0;
};
Plan plan;

constexpr std::size_t shortWrite = 7;

// Counts the call and tells whether it is one that must fail, and with which error.
bool failing(FileCall call, int& error) {
    const int seen = ++plan.counts[static_cast<int>(call)];
    const auto fault = std::find_if(plan.faults.begin(), plan.faults.end(),
                                    [&](const Fault& f) { return f.call == call && f.occurrence == seen; });
    if (fault == plan.faults.end()) return false;
    ++plan.raised;
    error = fault->error;
    return true;
}

const FileSystemCalls& real() { return systemFileSystemCalls(); }

const FileSystemCalls faultyCalls = {
    [](const char* path, int flags, mode_t mode) -> int {
        int error = 0;
        if (failing(FileCall::open, error)) return errno = error, -1;
        return real().open(path, flags, mode);
    },
    [](int descriptor, const void* bytes, std::size_t count) -> ssize_t {
        int error = 0;
        if (failing(FileCall::write, error)) {
            if (error == 0) return 0;
            return errno = error, -1;
        }
        if (plan.shortWrites && count > 0) {
            plan.interrupted = !plan.interrupted;
            if (plan.interrupted) return errno = EINTR, -1;
            count = std::min(count, shortWrite);
        }
        return real().write(descriptor, bytes, count);
    },
    [](int descriptor, off_t offset, int whence) -> off_t {
        int error = 0;
        if (failing(FileCall::lseek, error)) return errno = error, -1;
        return real().lseek(descriptor, offset, whence);
    },
    [](int descriptor) -> int {
        int error = 0;
        if (failing(FileCall::fsync, error)) return errno = error, -1;
        return real().fsync(descriptor);
    },
    [](int descriptor) -> int {
        int error = 0;
        const bool fails = failing(FileCall::close, error);
        const int result = real().close(descriptor);
        if (fails) return errno = error, -1;
        return result;
    },
    [](const char* from, const char* to) -> int {
        int error = 0;
        if (failing(FileCall::rename, error)) return errno = error, -1;
        return real().rename(from, to);
    },
    [](const char* path) -> int {
        int error = 0;
        if (failing(FileCall::unlink, error)) return errno = error, -1;
        return real().unlink(path);
    },
};

Plan& startPlan(std::vector<Fault> faults, bool shortWrites) {
    if (plan.active) throw std::logic_error("FaultyFileSystem does not nest");
    plan = Plan{};
    plan.active = true;
    plan.faults = std::move(faults);
    plan.shortWrites = shortWrites;
    return plan;
}

}  // namespace

FaultyFileSystem::FaultyFileSystem(std::vector<Fault> faults, bool shortWrites)
    : replaced_((startPlan(std::move(faults), shortWrites), faultyCalls)) {}

FaultyFileSystem::~FaultyFileSystem() { plan = Plan{}; }

std::size_t FaultyFileSystem::raised() const { return plan.raised; }

int FaultyFileSystem::calls(FileCall call) const { return plan.counts[static_cast<int>(call)]; }

int lowestFreeDescriptor() {
    const int probe = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (probe < 0) throw std::runtime_error("cannot open /dev/null");
    ::close(probe);
    return probe;
}

}  // namespace quillane::testing
