#include "hardening/FaultyFileSystem.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <stdexcept>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace quillane::testing {

namespace {

// Function pointers carry no state, so the one active plan lives here; FaultyFileSystem
// sets it up and clears it, and refuses to be nested.
struct Plan {
    bool active = false;
    std::vector<Fault> faults;
    bool shortWrites = false;
    bool withoutUnnamedFiles = false;
    std::size_t bytesPerSecond = 0;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    bool interrupted = false;
    int counts[fileCallKinds] = {};
    std::size_t raised = 0;
    std::vector<std::string> trace;
};
Plan plan;
std::atomic<std::int64_t> pacedNanoseconds{0};  // what the slow disk's writes took since `started`
std::atomic<std::uint64_t> pacedBytes{0};        // what they wrote

constexpr std::size_t shortWrite = 7;

// A write at the plan's pace: at most what a twentieth of a second takes there, by its clock.
template <class Count>
Count paced(Count count) {
    if (plan.bytesPerSecond == 0) return count;
    const std::size_t piece = std::max<std::size_t>(plan.bytesPerSecond / 20, 512);
    const auto taken = static_cast<Count>(std::min<std::size_t>(count, piece));
    pacedNanoseconds += static_cast<std::int64_t>(std::uint64_t{taken} * 1000000000 / plan.bytesPerSecond);
    pacedBytes += taken;
    return taken;
}

std::chrono::steady_clock::time_point now() {
    if (plan.bytesPerSecond == 0) return std::chrono::steady_clock::now();
    return plan.started + std::chrono::nanoseconds(pacedNanoseconds.load());
}

// Counts the call and tells whether it is one that must fail, and with which error; `what` the
// trace calls it, by default its kind.
bool failing(FileCall call, int& error, const char* what = nullptr) {
    static const char* const kinds[fileCallKinds] = {"open", "write", "seek", "fsync", "close", "rename", "unlink", "link"};
    if (what == nullptr) what = kinds[static_cast<int>(call)];
    if (plan.trace.empty() || plan.trace.back() != what) plan.trace.emplace_back(what);
    const int seen = ++plan.counts[static_cast<int>(call)];
    const auto fault = std::find_if(plan.faults.begin(), plan.faults.end(),
                                    [&](const Fault& f) { return f.call == call && f.occurrence == seen; });
    if (fault == plan.faults.end()) return false;
    ++plan.raised;
    error = fault->error;
    return true;
}

const FileSystemCalls& real() { return systemFileSystemCalls(); }

#ifdef _WIN32
const FileSystemCalls faultyCalls = {
    [](LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD attributes,
       HANDLE templateFile) -> HANDLE {
        int error = 0;
        if (failing(FileCall::open, error, disposition == CREATE_NEW ? "open named" : "open existing"))
            return ::SetLastError(error), INVALID_HANDLE_VALUE;
        return real().createFile(path, access, share, security, disposition, attributes, templateFile);
    },
    [](HANDLE file, LPCVOID bytes, DWORD count, LPDWORD written, LPOVERLAPPED overlapped) -> BOOL {
        int error = 0;
        if (failing(FileCall::write, error)) {
            *written = 0;
            if (error == 0) return TRUE;
            return ::SetLastError(error), FALSE;
        }
        // WriteFile is never interrupted; a short write is all there is to show.
        if (plan.shortWrites) count = std::min<DWORD>(count, shortWrite);
        return real().writeFile(file, bytes, paced(count), written, overlapped);
    },
    [](HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER position, DWORD method) -> BOOL {
        int error = 0;
        if (failing(FileCall::lseek, error)) return ::SetLastError(error), FALSE;
        return real().setFilePointerEx(file, distance, position, method);
    },
    [](HANDLE file) -> BOOL {
        int error = 0;
        if (failing(FileCall::fsync, error)) return ::SetLastError(error), FALSE;
        return real().flushFileBuffers(file);
    },
    [](HANDLE file) -> BOOL {
        int error = 0;
        const bool fails = failing(FileCall::close, error);
        const BOOL result = real().closeHandle(file);
        if (fails) return ::SetLastError(error), FALSE;
        return result;
    },
    [](LPCWSTR path) -> BOOL {
        int error = 0;
        if (failing(FileCall::unlink, error)) return ::SetLastError(error), FALSE;
        return real().deleteFile(path);
    },
    [](HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID information, DWORD size) -> BOOL {
        int error = 0;
        const bool renaming = kind == FileRenameInfo;
        const bool vanishing = !renaming && static_cast<const FILE_DISPOSITION_INFO*>(information)->DeleteFile;
        if (failing(renaming ? FileCall::rename : FileCall::link, error, renaming ? "rename" : vanishing ? "vanish" : "keep"))
            return ::SetLastError(error), FALSE;
        return real().setFileInformationByHandle(file, kind, information, size);
    },
    now,
};
#else
const FileSystemCalls faultyCalls = {
    [](const char* path, int flags, mode_t mode) -> int {
        if (plan.withoutUnnamedFiles && (flags & O_TMPFILE) == O_TMPFILE) return errno = EOPNOTSUPP, -1;
        int error = 0;
        const char* what = (flags & O_TMPFILE) == O_TMPFILE ? "open unnamed"
                           : (flags & O_DIRECTORY) != 0  ? "open folder"
                           : (flags & O_CREAT) != 0      ? "open named"
                                                         : "open existing";
        if (failing(FileCall::open, error, what)) return errno = error, -1;
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
        return real().write(descriptor, bytes, paced(count));
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
    [](int fromFolder, const char* from, int toFolder, const char* to, int flags) -> int {
        int error = 0;
        if (failing(FileCall::link, error)) return errno = error, -1;
        return real().linkat(fromFolder, from, toFolder, to, flags);
    },
    now,
};
#endif

Plan& startPlan(std::vector<Fault> faults, bool shortWrites, bool withoutUnnamedFiles, std::size_t bytesPerSecond) {
    if (plan.active) throw std::logic_error("FaultyFileSystem does not nest");
    plan = Plan{};
    pacedNanoseconds = 0;
    pacedBytes = 0;
    plan.active = true;
    plan.faults = std::move(faults);
    plan.shortWrites = shortWrites;
    plan.withoutUnnamedFiles = withoutUnnamedFiles;
    plan.bytesPerSecond = bytesPerSecond;
    return plan;
}

}  // namespace

FaultyFileSystem::FaultyFileSystem(std::vector<Fault> faults, bool shortWrites, bool withoutUnnamedFiles,
                                   std::size_t bytesPerSecond)
    : replaced_((startPlan(std::move(faults), shortWrites, withoutUnnamedFiles, bytesPerSecond), faultyCalls)) {}

FaultyFileSystem::~FaultyFileSystem() { plan = Plan{}; }

std::size_t FaultyFileSystem::raised() const { return plan.raised; }

int FaultyFileSystem::calls(FileCall call) const { return plan.counts[static_cast<int>(call)]; }

std::vector<std::string> FaultyFileSystem::trace() const { return plan.trace; }

std::uint64_t FaultyFileSystem::pacedBytes() const { return testing::pacedBytes.load(); }

int openFileMark() {
#ifdef _WIN32
    DWORD handles = 0;
    if (!::GetProcessHandleCount(::GetCurrentProcess(), &handles)) throw std::runtime_error("cannot count handles");
    return static_cast<int>(handles);
#else
    const int probe = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (probe < 0) throw std::runtime_error("cannot open /dev/null");
    ::close(probe);
    return probe;
#endif
}

}  // namespace quillane::testing
