#include "platform/OutputFile.h"

#include "platform/FileError.h"
#include "platform/FileSystemCalls.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quillane {

namespace {

const FileSystemCalls systemCalls = {
    [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); },
    ::write,
    ::lseek,
    ::fsync,
    ::close,
    ::rename,
    ::unlink,
};
const FileSystemCalls* currentCalls = &systemCalls;

// The folder part of a path including its last '/', or empty for a bare name.
std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The path as an absolute one, the way the file is named in messages about writing it.
std::string fullPathOf(const std::string& path) {
    std::error_code ignored;
    const auto absolute = std::filesystem::absolute(path, ignored);
    return ignored ? path : absolute.string();
}

[[noreturn]] void fail(int error, bool creating, const std::string& name) {
    throw FileError(FileError::causeFromErrno(error, creating), static_cast<std::uint32_t>(error), name);
}

}  // namespace

const FileSystemCalls& systemFileSystemCalls() { return systemCalls; }

const FileSystemCalls& fileSystemCalls() { return *currentCalls; }

ReplacedFileSystemCalls::ReplacedFileSystemCalls(const FileSystemCalls& replacement) : previous_(currentCalls) {
    currentCalls = &replacement;
}

ReplacedFileSystemCalls::~ReplacedFileSystemCalls() { currentCalls = previous_; }

OutputFile::OutputFile(std::string destination) : destination_(std::move(destination)) {
    if (destination_.empty()) fail(ENOENT, true, destination_);

    // Writing over a file opens it for writing, so a write-protected output stays refused as
    // it would be without the temporary; the replacement takes on the old file's permissions.
    struct stat existing {};
    const bool replacing = ::stat(destination_.c_str(), &existing) == 0 && !S_ISDIR(existing.st_mode);
    if (replacing && ::access(destination_.c_str(), W_OK) != 0) {
        const int error = errno;
        fail(error, true, destination_);
    }

    // A hidden name beside the destination, so that the final rename stays on one file system.
    static std::atomic<unsigned> serial{0};
    const std::string stem = folderOf(destination_) + ".quillane-" + std::to_string(::getpid()) + "-";
    for (;;) {
        temporary_ = stem + std::to_string(serial++) + ".tmp";
        const int descriptor = currentCalls->open(temporary_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            handle_ = descriptor;
            break;
        }
        const int error = errno;
        if (error != EEXIST) {
            temporary_.clear();
            fail(error, true, destination_);
        }
    }
    if (replacing) ::fchmod(static_cast<int>(handle_), existing.st_mode & 0777);
    replacing_ = replacing;
}

OutputFile::~OutputFile() { abandon(); }

void OutputFile::write(const void* bytes, std::size_t count) {
    // A large write goes to the system a megabyte at a time. Handed hundreds of megabytes at
    // once, the file cache takes them in huge-page-sized blocks, and fresh blocks that size can
    // cost several times the copy itself (on a virtual machine that gives free ones back to its
    // host, many times); below that size they come from memory in use all along.
    constexpr std::size_t piece = std::size_t{1} << 20;
    const auto* next = static_cast<const std::uint8_t*>(bytes);
    while (count > 0) {
        const ssize_t written = currentCalls->write(static_cast<int>(handle_), next, std::min(count, piece));
        if (written < 0) {
            const int error = errno;
            if (error == EINTR) continue;
            fail(error, false, fullPathOf(destination_));
        }
        // The system took nothing and reported nothing: the disk is full.
        if (written == 0) throw FileError(FileError::diskFull, 0, fullPathOf(destination_));
        next += written;
        count -= static_cast<std::size_t>(written);
    }
}

std::uint64_t OutputFile::position() {
    const off_t at = currentCalls->lseek(static_cast<int>(handle_), 0, SEEK_CUR);
    if (at < 0) {
        const int error = errno;
        fail(error, false, fullPathOf(destination_));
    }
    return static_cast<std::uint64_t>(at);
}

void OutputFile::seekToStart() {
    if (currentCalls->lseek(static_cast<int>(handle_), 0, SEEK_SET) < 0) {
        const int error = errno;
        fail(error, false, fullPathOf(destination_));
    }
}

void OutputFile::commit() {
    const int descriptor = static_cast<int>(handle_);
    // When a file is replaced, the bytes reach the disk before the name moves over it, so that a
    // crash cannot leave an empty file where a good one was, and a failure the system reports
    // only on flushing (an I/O error) fails the write instead of passing unnoticed. A new file
    // has nothing to protect, and waiting for the disk would make writing it cost several times
    // a copy of its bytes, so it is left to the system's own write-back, as a copy is.
    if (replacing_ && currentCalls->fsync(descriptor) != 0) {
        const int error = errno;
        if (error != EINVAL) fail(error, false, fullPathOf(destination_));
    }
    handle_ = -1;
    if (currentCalls->close(descriptor) != 0) {
        const int error = errno;
        fail(error, false, fullPathOf(destination_));
    }
    if (currentCalls->rename(temporary_.c_str(), destination_.c_str()) != 0) {
        const int error = errno;
        fail(error, true, destination_);
    }
    temporary_.clear();
}

void OutputFile::abandon() noexcept {
    if (handle_ >= 0) {
        currentCalls->close(static_cast<int>(handle_));
        handle_ = -1;
    }
    if (!temporary_.empty()) {
        currentCalls->unlink(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace quillane
