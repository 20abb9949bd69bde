#pragma once

// The system calls behind OutputFile, once per system (OutputFile_posix.cpp and
// OutputFile_win32.cpp); OutputFile.cpp holds what both share: the order of the steps, the
// temporaries' names and the sweep of those a process left behind. Only the platform layer
// includes this header.

#include "platform/FileError.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillane::outputsystem {

using Handle = std::intptr_t;
inline constexpr Handle noHandle = -1;  // INVALID_HANDLE_VALUE is -1 as well

// 0 on success, else the system's error number (errno, or GetLastError on Windows).
using Error = std::uint32_t;

// What stands at an output's path when it is about to be written.
struct Existing {
    bool replacing = false;  // a file, which the new one will replace
    std::uint32_t mode = 0;  // its permissions, which the new one takes over (POSIX)
};
// Refuses an existing output that may not be written, as opening it for writing would.
Error checkDestination(const std::string& destination, Existing& existing);

// A file without a name in `folder` (empty for the current one), which the system removes
// when it is closed unnamed, by a failure, a signal or a kill alike.
Error createUnnamed(const std::string& folder, Handle& handle);
// Whether createUnnamed failed only because the folder's file system has no unnamed files,
// so that a named temporary must serve.
bool unnamedUnsupported(Error error);
// A new file at `path`, failing when one is there. `vanishesOnClose` tells whether the system
// removes it when its handle closes before `keep` (Windows' delete disposition).
Error createNamed(const std::string& path, Handle& handle, bool& vanishesOnClose);
bool alreadyExists(Error error);
// Gives the new file the existing output's permissions.
void adopt(Handle handle, const Existing& existing) noexcept;

// Writes at most `count` bytes and tells how many the system took (0: the disk is full).
Error writeSome(Handle handle, const void* bytes, std::size_t count, std::size_t& written);
Error seek(Handle handle, bool toStart, std::uint64_t& position);
Error flush(Handle handle);
Error close(Handle handle);
// Gives a file made by createUnnamed the name `path`, failing when one is there.
Error link(Handle handle, const std::string& path);
// Keeps a file made by createNamed when its handle closes.
Error keep(Handle handle);
// Moves `from` over `to`, replacing a file there.
Error rename(const std::string& from, const std::string& to);
void remove(const std::string& path) noexcept;

// The failure as FileError; `creating` when the file was being made or named.
[[noreturn]] void fail(Error error, bool creating, const std::string& name);
// The file name in messages about writing the file: its full path.
std::string fullPathOf(const std::string& path);
// The folder part of a path including its last separator (or a drive, "C:"), or empty.
std::string folderOf(const std::string& path);
// The name of the machine and this process's number, which name its temporaries.
std::string hostName();
std::uint32_t processId();
// Whether no process of that number runs on this machine; false when unsure.
bool processGone(std::uint32_t id);

// Named temporaries are listed where a signal handler can remove them (POSIX); a listed one
// is named by its folder and name. Both do nothing where the system removes them itself.
int watchTemporary(const std::string& folder, const std::string& name) noexcept;
void forgetTemporary(int slot) noexcept;

}  // namespace quillane::outputsystem
