#pragma once

// The system calls behind OutputFile, once per system (OutputFile_posix.cpp and
// OutputFile_win32.cpp); OutputFile.cpp holds what both share: the order of the steps, the
// temporaries' names, naming two files together and the sweep of temporaries left behind.
// Only the platform layer includes this header.

#include "platform/FileError.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace quillane::outputsystem {

using Handle = std::intptr_t;
inline constexpr Handle noHandle = -1;  // INVALID_HANDLE_VALUE is -1 as well

// 0 on success, else the system's error number (errno, or GetLastError on Windows).
using Error = std::uint32_t;

// What stands at an output's path when it is about to be written.
struct Existing {
    bool fileStood = false;  // a file stood there when checked, which the new one is to replace
    std::uint32_t mode = 0;  // its permissions, which the new one takes over (POSIX)
};
// Refuses an existing output that may not be written, as opening it for writing would, and a
// path longer than the system takes.
Error checkDestination(const std::string& destination, Existing& existing);

// A file without a name in `folder` (empty for the current one), which the system removes
// when it is closed unnamed, by a failure, a signal or a kill alike.
Error createUnnamed(const std::string& folder, Handle& handle);
// Whether createUnnamed failed only because the folder's file system has no unnamed files,
// so that a named temporary must serve.
bool unnamedUnsupported(Error error);
// A new hidden file at `path`, failing when one is there.
//
// Both kinds of temporary are held by their writer for as long as the handle is open (an open
// file description lock on POSIX, a handle that shares nothing on Windows): another process's
// sweep removes only what it can take for itself.
Error createNamed(const std::string& path, Handle& handle);
bool alreadyExists(Error error);
// Gives the new file the existing output's permissions.
void adopt(Handle handle, const Existing& existing) noexcept;

// Writes at most `count` bytes and tells how many the system took (0: the disk is full).
Error writeSome(Handle handle, const void* bytes, std::size_t count, std::size_t& written);
Error seek(Handle handle, bool toStart, std::uint64_t& position);
// The file's bytes to the disk.
Error flush(Handle handle);
// Has the system start writing `length` bytes from `from` to the disk without waiting for them,
// so that the flush before naming finds little left to do. Only a hint; nothing on Windows.
void startWriteBack(Handle handle, std::uint64_t from, std::uint64_t length) noexcept;
Error close(Handle handle);
// Gives a file made by createUnnamed the name `path`, failing when one is there.
Error link(Handle handle, const std::string& path);
// Whether naming a file failed because this system or file system gives no file a second name
// (a link), rather than for a lack of room or a failing disk.
bool linkRefused(Error error);
// Copies every byte of `from` into `to` (POSIX, for an unnamed file the system refuses to name).
Error copyAll(Handle from, Handle to);
// The step of naming a hidden file that failed: letting go of it before it could be named, the
// naming itself, or making the new name last once it was given.
enum class NamingStep { beforeNaming, naming, afterNaming };
// Runs `call` (a flush that a slow share may take a while over) while telling the progress.
using Observed = std::function<Error(const std::function<Error()>& call)>;
// Gives the complete hidden file `hidden`, open as `handle`, the name `destination`, replacing a
// file there in one step, and closes it (`handle` is noHandle once it is closed), with whatever
// the system needs besides the folder's flush for the name to survive a power cut. A failure
// tells its step in `failed`; a file that is not named stays hidden, for discardHidden.
Error nameReplacing(Handle& handle, const std::string& hidden, const std::string& destination, const Observed& observed,
                    NamingStep& failed);
// Lets go of a hidden file that is not to be named: closes it when it is open, and removes
// `hidden` unless the system removed it with its handle. Reports nothing.
void discardHidden(Handle handle, const std::string& hidden) noexcept;
Error remove(const std::string& path) noexcept;
// The folder's entries to the disk, so that names given in it survive a power cut (POSIX;
// nothing on Windows, see nameReplacing). A file system that cannot flush a folder is not a
// failure.
Error flushFolder(const std::string& folder);

// The file standing at `path`, moved out of the way under `aside` and held there (by `held`),
// so that it can be put back. Where the system allows, the file keeps its own name meanwhile
// (a second link), so that the destination is never empty. A file gone meanwhile is not a
// failure: `moved` is false then, and nothing is held.
Error setAside(const std::string& path, const std::string& aside, Handle& held, bool& moved);
// Puts the set-aside file back at `path`, replacing what stands there now.
Error putBack(Handle held, const std::string& aside, const std::string& path);
// Lets go of a set-aside file that is no longer wanted: its extra name goes.
void dropAside(Handle held, const std::string& aside) noexcept;

// Removes the file at `path` when no writer holds it: a temporary left by a process that
// ended without removing it. Never follows a link, never touches anything but a file.
void removeUnheld(const std::string& path) noexcept;

// The failure as FileError; `creating` when the file was being made or named.
[[noreturn]] void fail(Error error, bool creating, const std::string& name);
// The file name in messages about writing the file: its full path.
std::string fullPathOf(const std::string& path);
// The folder part of a path including its last separator (or a drive, "C:"), or empty.
std::string folderOf(const std::string& path);

}  // namespace quillane::outputsystem
