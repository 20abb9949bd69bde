#include "platform/WatchLock.h"

#include <windows.h>

#include <cstring>

namespace quillane {
namespace {

// The holder's process number, in a small shared block beside the mutex: in the machine's
// namespace where the user may make one there, else in the session's.
HANDLE shareHolder(const std::string& name) {
    for (const char* space : {"Global\\", "Local\\"}) {
        const std::string full = std::string(space) + "quillane-split-watch-holder-" + name;
        const HANDLE block = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(DWORD), full.c_str());
        if (block == nullptr) continue;
        if (void* view = MapViewOfFile(block, FILE_MAP_WRITE, 0, 0, sizeof(DWORD))) {
            const DWORD pid = GetCurrentProcessId();
            std::memcpy(view, &pid, sizeof pid);
            UnmapViewOfFile(view);
        }
        return block;
    }
    return nullptr;
}

std::uint64_t readHolder(const std::string& name) {
    for (const char* space : {"Global\\", "Local\\"}) {
        const std::string full = std::string(space) + "quillane-split-watch-holder-" + name;
        const HANDLE block = OpenFileMappingA(FILE_MAP_READ, FALSE, full.c_str());
        if (block == nullptr) continue;
        DWORD pid = 0;
        if (const void* view = MapViewOfFile(block, FILE_MAP_READ, 0, 0, sizeof(DWORD))) {
            std::memcpy(&pid, view, sizeof pid);
            UnmapViewOfFile(view);
        }
        CloseHandle(block);
        if (pid != 0) return pid;
    }
    return 0;
}

}  // namespace

struct WatchLock::System {
    HANDLE mutex = nullptr;
    HANDLE holder = nullptr;
};

WatchLock::WatchLock(const std::string& name) : system_(std::make_unique<System>()) {
    const std::string full = "Global\\quillane-split-watch-" + name;
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, full.c_str());
    const DWORD error = GetLastError();
    // Another user's mutex cannot be opened at all; one of this user's already stands there.
    if (mutex == nullptr || error == ERROR_ALREADY_EXISTS) {
        if (mutex != nullptr) CloseHandle(mutex);
        holder_ = readHolder(name);
        return;
    }
    system_->mutex = mutex;
    system_->holder = shareHolder(name);
}

WatchLock::~WatchLock() {
    if (system_->holder != nullptr) CloseHandle(system_->holder);
    if (system_->mutex != nullptr) CloseHandle(system_->mutex);
}

bool WatchLock::held() const { return system_->mutex != nullptr; }

void WatchLock::answer() {}

}  // namespace quillane
