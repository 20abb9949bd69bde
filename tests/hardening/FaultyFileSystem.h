#pragma once

#include "platform/FileSystemCalls.h"

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace quillane::testing {

enum class FileCall { open, write, lseek, fsync, close, rename, unlink, link };
inline constexpr int fileCallKinds = 8;

// The kinds of call, by what they do: on Windows open is CreateFileW, write WriteFile, lseek
// SetFilePointerEx, fsync FlushFileBuffers, close CloseHandle, unlink DeleteFileW, rename
// SetFileInformationByHandle with FileRenameInfo and link the same with FileDispositionInfo
// (the temporary's delete disposition, set and cleared); on POSIX link is linkat.
//
// One call of the output file layer made to fail: the `occurrence`-th call of its kind (1 for
// the first) reports `error` (errno, or GetLastError on Windows). A write failing with error 0
// takes nothing and reports nothing, the way a full disk stops it; a failing close still
// releases the descriptor, as on Linux.
// The system's error numbers for the failures the tests inject, by meaning.
namespace failure {
#ifdef _WIN32
inline constexpr int accessDenied = ERROR_ACCESS_DENIED;
inline constexpr int tooManyOpenFiles = ERROR_TOO_MANY_OPEN_FILES;
inline constexpr int unknown = ERROR_INVALID_PARAMETER;  // no cause of its own
inline constexpr int diskFull = ERROR_DISK_FULL;
inline constexpr int hardwareFault = ERROR_WRITE_FAULT;
inline constexpr int fileTooLarge = ERROR_HANDLE_DISK_FULL;
inline constexpr int inUse = ERROR_SHARING_VIOLATION;
#else
inline constexpr int accessDenied = EACCES;
inline constexpr int tooManyOpenFiles = EMFILE;
inline constexpr int unknown = ESPIPE;  // no cause of its own
inline constexpr int diskFull = ENOSPC;
inline constexpr int hardwareFault = EIO;
inline constexpr int fileTooLarge = EFBIG;
inline constexpr int inUse = EBUSY;
#endif
}  // namespace failure

struct Fault {
    FileCall call;
    int occurrence;
    int error;
};

// Puts the faults in place for as long as it lives; every other call goes to the system.
// With `shortWrites` each write takes at most a few bytes and is first interrupted once. With
// `withoutUnnamedFiles` the file system has no unnamed files (O_TMPFILE), as a network one, and
// the output file layer falls back to named temporaries (POSIX; not counted as a call). With
// `bytesPerSecond` writes go at that pace, as to a slow share, each taking a twentieth of a second
// by the file layer's clock, which only they move on, whatever the machine.
class FaultyFileSystem {
public:
    explicit FaultyFileSystem(std::vector<Fault> faults, bool shortWrites = false, bool withoutUnnamedFiles = false,
                              std::size_t bytesPerSecond = 0);
    ~FaultyFileSystem();
    FaultyFileSystem(const FaultyFileSystem&) = delete;
    FaultyFileSystem& operator=(const FaultyFileSystem&) = delete;

    // How many of the faults have been raised so far.
    std::size_t raised() const;
    // How many calls of a kind were made.
    int calls(FileCall call) const;
    // Every call in order, by what it did ("open unnamed", "open folder", "fsync", on Windows
    // "vanish" and "keep" for the delete disposition...), one repeated at once listed once.
    std::vector<std::string> trace() const;
    // The bytes written at the slow pace so far: the file layer's clock counts time by them, so
    // that a test measures in them what the program does in the meantime.
    std::uint64_t pacedBytes() const;

private:
    ReplacedFileSystemCalls replaced_;
};

// A number that moves when a file is left open: the lowest free descriptor of this process, or
// on Windows the number of handles it holds.
int openFileMark();

}  // namespace quillane::testing
