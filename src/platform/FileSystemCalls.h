#pragma once

#include <chrono>
#include <cstddef>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/types.h>
#endif

namespace quillane {

// The system calls through which OutputFile reaches the disk. They are the real ones unless a
// test has put others in place, to make any single step of writing a file fail on demand.
#ifdef _WIN32
// A replacement reports a failure the way the system does: through SetLastError. The
// temporary is reached by its long-path form ("\\?\"), which only the wide calls take.
struct FileSystemCalls {
    HANDLE(WINAPI* createFile)(LPCWSTR path, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                               DWORD disposition, DWORD attributes, HANDLE templateFile);
    BOOL(WINAPI* writeFile)(HANDLE file, LPCVOID bytes, DWORD count, LPDWORD written, LPOVERLAPPED overlapped);
    BOOL(WINAPI* setFilePointerEx)(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER position, DWORD method);
    BOOL(WINAPI* flushFileBuffers)(HANDLE file);
    BOOL(WINAPI* closeHandle)(HANDLE object);
    BOOL(WINAPI* deleteFile)(LPCWSTR path);
    // Sets and clears the temporary's delete disposition (FileDispositionInfo) and renames it
    // while it is held (FileRenameInfo).
    BOOL(WINAPI* setFileInformationByHandle)(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID information,
                                             DWORD size);
    // The time as the work on files sees it (the progress reports' intervals, how long a piece
    // took): the steady clock, or a test's own, advanced by what each call would take on the
    // disk the test makes up, so that how long a run takes there is known exactly.
    std::chrono::steady_clock::time_point (*now)();
};
#else
struct FileSystemCalls {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*write)(int descriptor, const void* bytes, std::size_t count);
    off_t (*lseek)(int descriptor, off_t offset, int whence);
    // Flushes a file, and a folder opened with O_DIRECTORY.
    int (*fsync)(int descriptor);
    int (*close)(int descriptor);
    int (*rename)(const char* from, const char* to);
    int (*unlink)(const char* path);
    // Gives a file opened with O_TMPFILE its name.
    int (*linkat)(int fromFolder, const char* from, int toFolder, const char* to, int flags);
    // The time as the work on files sees it (the progress reports' intervals, how long a piece
    // took): the steady clock, or a test's own, advanced by what each call would take on the
    // disk the test makes up, so that how long a run takes there is known exactly.
    std::chrono::steady_clock::time_point (*now)();
};
#endif

// The operating system's own calls.
const FileSystemCalls& systemFileSystemCalls();
// The calls in use now.
const FileSystemCalls& fileSystemCalls();
// The time by the clock of the calls in use.
inline std::chrono::steady_clock::time_point fileSystemTime() { return fileSystemCalls().now(); }

// Puts other calls in place for as long as it lives and the previous ones back afterwards, so
// that no test can leave its replacements behind. Replacements nest.
class ReplacedFileSystemCalls {
public:
    explicit ReplacedFileSystemCalls(const FileSystemCalls& replacement);
    ~ReplacedFileSystemCalls();
    ReplacedFileSystemCalls(const ReplacedFileSystemCalls&) = delete;
    ReplacedFileSystemCalls& operator=(const ReplacedFileSystemCalls&) = delete;

private:
    const FileSystemCalls* previous_;
};

}  // namespace quillane
