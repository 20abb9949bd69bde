#include "platform/OutputFile.h"

#include "platform/FileError.h"
#include "platform/FileSystemCalls.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>

namespace quillane {

namespace {

const FileSystemCalls systemCalls = {
    ::CreateFileA, ::WriteFile, ::SetFilePointerEx, ::FlushFileBuffers, ::CloseHandle, ::MoveFileExA, ::DeleteFileA,
};
const FileSystemCalls* currentCalls = &systemCalls;

HANDLE handleOf(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

// The folder part of a path including its last separator (or its drive, "C:"), or empty for
// a bare name.
std::string folderOf(const std::string& path) {
    const auto separator = path.find_last_of("\\/");
    if (separator != std::string::npos) return path.substr(0, separator + 1);
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
    return {};
}

// The path as a full one, the way the file is named in messages about writing it.
std::string fullPathOf(const std::string& path) {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0) return path;
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(length);
    }
}

[[noreturn]] void fail(DWORD error, const std::string& name) {
    throw FileError(FileError::causeFromWindowsError(error), error, name);
}

}  // namespace

const FileSystemCalls& systemFileSystemCalls() { return systemCalls; }

const FileSystemCalls& fileSystemCalls() { return *currentCalls; }

ReplacedFileSystemCalls::ReplacedFileSystemCalls(const FileSystemCalls& replacement) : previous_(currentCalls) {
    currentCalls = &replacement;
}

ReplacedFileSystemCalls::~ReplacedFileSystemCalls() { currentCalls = previous_; }

OutputFile::OutputFile(std::string destination)
    : destination_(std::move(destination)), handle_(reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE)) {
    if (destination_.empty()) fail(ERROR_PATH_NOT_FOUND, destination_);

    // An existing output is opened for writing once, the way writing over it would open it, so
    // that a read-only file, one the user may not change and one another program holds open are
    // refused before anything is written, as they would be without the temporary.
    const DWORD attributes = ::GetFileAttributesA(destination_.c_str());
    const bool replacing = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (replacing) {
        // Windows refuses to open a read-only file for writing; checked here as well, since the
        // attribute is all the refusal rests on and not every system that runs the program
        // enforces it for every user.
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) fail(ERROR_ACCESS_DENIED, destination_);
        const HANDLE existing = ::CreateFileA(destination_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (existing == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            fail(error, destination_);
        }
        ::CloseHandle(existing);
    }

    // A name beside the destination, so that the final move stays on one volume and is a rename.
    static std::atomic<unsigned> serial{0};
    const std::string stem = folderOf(destination_) + ".quillane-" + std::to_string(::GetCurrentProcessId()) + "-";
    for (;;) {
        temporary_ = stem + std::to_string(serial++) + ".tmp";
        const HANDLE file = currentCalls->createFile(temporary_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            handle_ = reinterpret_cast<std::intptr_t>(file);
            break;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            temporary_.clear();
            fail(error, destination_);
        }
    }
    replacing_ = replacing;
}

OutputFile::~OutputFile() { abandon(); }

void OutputFile::write(const void* bytes, std::size_t count) {
    // A megabyte at a time, as on every system: one size of request for the file cache, and
    // WriteFile takes at most a DWORD's worth in any case.
    constexpr std::size_t piece = std::size_t{1} << 20;
    const auto* next = static_cast<const std::uint8_t*>(bytes);
    while (count > 0) {
        DWORD written = 0;
        if (!currentCalls->writeFile(handleOf(handle_), next, static_cast<DWORD>(std::min(count, piece)), &written,
                                     nullptr)) {
            const DWORD error = ::GetLastError();
            fail(error, fullPathOf(destination_));
        }
        // The system took nothing and reported nothing: the disk is full.
        if (written == 0) throw FileError(FileError::diskFull, 0, fullPathOf(destination_));
        next += written;
        count -= written;
    }
}

std::uint64_t OutputFile::position() {
    LARGE_INTEGER at{};
    if (!currentCalls->setFilePointerEx(handleOf(handle_), LARGE_INTEGER{}, &at, FILE_CURRENT)) {
        const DWORD error = ::GetLastError();
        fail(error, fullPathOf(destination_));
    }
    return static_cast<std::uint64_t>(at.QuadPart);
}

void OutputFile::seekToStart() {
    if (!currentCalls->setFilePointerEx(handleOf(handle_), LARGE_INTEGER{}, nullptr, FILE_BEGIN)) {
        const DWORD error = ::GetLastError();
        fail(error, fullPathOf(destination_));
    }
}

void OutputFile::commit() {
    const HANDLE file = handleOf(handle_);
    // When a file is replaced, the bytes reach the disk before the name moves over it, so that a
    // crash cannot leave an empty file where a good one was; a new file is left to the system's
    // own write-back, as a copy is.
    if (replacing_ && !currentCalls->flushFileBuffers(file)) {
        const DWORD error = ::GetLastError();
        fail(error, fullPathOf(destination_));
    }
    handle_ = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
    if (!currentCalls->closeHandle(file)) {
        const DWORD error = ::GetLastError();
        fail(error, fullPathOf(destination_));
    }
    // MOVEFILE_WRITE_THROUGH returns only once the move itself is on the disk.
    if (!currentCalls->moveFileEx(temporary_.c_str(), destination_.c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = ::GetLastError();
        fail(error, destination_);
    }
    temporary_.clear();
}

void OutputFile::abandon() noexcept {
    if (handleOf(handle_) != INVALID_HANDLE_VALUE) {
        currentCalls->closeHandle(handleOf(handle_));
        handle_ = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
    }
    if (!temporary_.empty()) {
        currentCalls->deleteFile(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace quillane
