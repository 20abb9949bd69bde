// The POSIX system calls behind OutputFile (platform/OutputFileSystem.h).
#include "platform/OutputFile.h"

#include "platform/FileSystemCalls.h"
#include "platform/OutputFileSystem.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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
    ::linkat,
    [] { return std::chrono::steady_clock::now(); },
};

int descriptorOf(outputsystem::Handle handle) { return static_cast<int>(handle); }

}  // namespace

const FileSystemCalls& systemFileSystemCalls() { return systemCalls; }

namespace outputsystem {

namespace {

Error lastError() { return static_cast<Error>(errno); }

}  // namespace

Error checkDestination(const std::string& destination, Existing& existing) {
    if (destination.empty()) return ENOENT;
    // Writing over a file opens it for writing, so a write-protected output stays refused as
    // it would be without the temporary; the replacement takes on the old file's permissions.
    struct stat status {};
    if (::stat(destination.c_str(), &status) != 0) {
        const Error error = lastError();
        if (error == ENAMETOOLONG) return error;  // refused before anything is written
    }
    existing.fileStood = status.st_mode != 0 && !S_ISDIR(status.st_mode);
    existing.mode = status.st_mode & 07777;
    if (existing.fileStood && ::access(destination.c_str(), W_OK) != 0) return lastError();
    return 0;
}

namespace {

// Takes an open file description lock on the whole file: a lock of this descriptor's own,
// whichever process or namespace looks, and gone with the last descriptor of it, however the
// process ends. A file system without locks keeps its temporaries from every sweep instead.
bool lockWhole(int descriptor, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return ::fcntl(descriptor, F_OFD_SETLK, &lock) == 0;
}

}  // namespace

Error createUnnamed(const std::string& folder, Handle& handle) {
#ifdef O_TMPFILE
    // An unnamed file is named through /proc (see link); without it (a bare chroot) a named
    // temporary serves.
    static const bool namable = ::access("/proc/self/fd", X_OK) == 0;
    if (!namable) return EOPNOTSUPP;
    const int descriptor = fileSystemCalls().open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (descriptor < 0) return lastError();
    // Held already, for the hidden name it may get to replace a file.
    lockWhole(descriptor, F_WRLCK);
    handle = descriptor;
    return 0;
#else
    (void)folder;
    (void)handle;
    return EOPNOTSUPP;
#endif
}

// A file system without unnamed files says EOPNOTSUPP; a kernel older than O_TMPFILE opens the
// folder itself, which fails for writing with EISDIR.
bool unnamedUnsupported(Error error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

Error createNamed(const std::string& path, Handle& handle) {
    const int descriptor = fileSystemCalls().open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) return lastError();
    // Another process's sweep may have taken the file between its making and its locking; then
    // it is gone, and another name is tried.
    struct stat status {};
    if (lockWhole(descriptor, F_WRLCK) && ::stat(path.c_str(), &status) != 0) {
        fileSystemCalls().close(descriptor);
        return EEXIST;
    }
    handle = descriptor;
    return 0;
}

bool alreadyExists(Error error) { return error == EEXIST; }

void adopt(Handle handle, const Existing& existing) noexcept {
    if (existing.fileStood) ::fchmod(descriptorOf(handle), static_cast<mode_t>(existing.mode & 0777));
}

Error writeSome(Handle handle, const void* bytes, std::size_t count, std::size_t& written) {
    for (;;) {
        const ssize_t took = fileSystemCalls().write(descriptorOf(handle), bytes, count);
        if (took >= 0) {
            written = static_cast<std::size_t>(took);
            return 0;
        }
        const Error error = lastError();
        if (error != EINTR) return error;
    }
}

Error seek(Handle handle, bool toStart, std::uint64_t& position) {
    const off_t at = fileSystemCalls().lseek(descriptorOf(handle), 0, toStart ? SEEK_SET : SEEK_CUR);
    if (at < 0) return lastError();
    position = static_cast<std::uint64_t>(at);
    return 0;
}

Error flush(Handle handle) {
    if (fileSystemCalls().fsync(descriptorOf(handle)) == 0) return 0;
    const Error error = lastError();
    // A file that cannot be flushed (a special file system) has nothing more to wait for.
    return error == EINVAL ? 0 : error;
}

void startWriteBack(Handle handle, std::uint64_t from, std::uint64_t length) noexcept {
    ::sync_file_range(descriptorOf(handle), static_cast<off_t>(from), static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE);
}

Error close(Handle handle) { return fileSystemCalls().close(descriptorOf(handle)) == 0 ? 0 : lastError(); }

Error link(Handle handle, const std::string& path) {
    // Naming a descriptor directly (AT_EMPTY_PATH) needs a privilege an ordinary user lacks;
    // its entry in /proc serves everyone else.
    if (fileSystemCalls().linkat(descriptorOf(handle), "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) return 0;
    Error error = lastError();
    if (error != ENOENT && error != EPERM) return error;
    const std::string entry = "/proc/self/fd/" + std::to_string(handle);
    if (fileSystemCalls().linkat(AT_FDCWD, entry.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
    error = lastError();
    return error;
}

bool linkRefused(Error error) {
    switch (error) {
    case EPERM:
    case EACCES:
    case EXDEV:
    case EOPNOTSUPP:
    case ENOSYS:
    case EMLINK:
    case ENOENT: return true;
    default: return false;  // among them EEXIST, ENOSPC, EDQUOT and EIO: naming would fail as well
    }
}

Error copyAll(Handle from, Handle to) {
    off_t at = 0;
    for (;;) {
        const ssize_t copied = ::copy_file_range(descriptorOf(from), &at, descriptorOf(to), nullptr, std::size_t{1} << 30, 0);
        if (copied == 0) return 0;
        if (copied > 0) continue;
        const Error error = lastError();
        if (error == EINTR) continue;
        if (error != EXDEV && error != EINVAL && error != ENOSYS && error != EOPNOTSUPP) return error;
        break;
    }
    // Where the kernel cannot copy between these files: through a buffer.
    std::vector<char> buffer(std::size_t{1} << 20);
    for (;;) {
        const ssize_t got = ::pread(descriptorOf(from), buffer.data(), buffer.size(), at);
        if (got == 0) return 0;
        if (got < 0) {
            const Error error = lastError();
            if (error == EINTR) continue;
            return error;
        }
        for (std::size_t done = 0; done < static_cast<std::size_t>(got);) {
            std::size_t written = 0;
            if (const Error error = writeSome(to, buffer.data() + done, static_cast<std::size_t>(got) - done, written))
                return error;
            if (written == 0) return ENOSPC;
            done += written;
        }
        at += got;
    }
}

// Closed first and renamed by its name after, so that a failure to close changes nothing; the
// folder's flush makes the name last.
Error nameReplacing(Handle& handle, const std::string& hidden, const std::string& destination, const Observed&,
                    NamingStep& failed) {
    const Handle file = handle;
    handle = noHandle;
    failed = NamingStep::beforeNaming;
    if (const Error error = close(file)) return error;
    failed = NamingStep::naming;
    return fileSystemCalls().rename(hidden.c_str(), destination.c_str()) == 0 ? 0 : lastError();
}

void discardHidden(Handle handle, const std::string& hidden) noexcept {
    if (handle != noHandle) close(handle);
    if (!hidden.empty()) remove(hidden);
}

Error remove(const std::string& path) noexcept { return fileSystemCalls().unlink(path.c_str()) == 0 ? 0 : lastError(); }

Error flushFolder(const std::string& folder) {
    const int descriptor = fileSystemCalls().open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (descriptor < 0) {
        const Error error = lastError();
        // A folder that may be written but not read cannot be flushed from here.
        return error == EACCES ? 0 : error;
    }
    Error error = fileSystemCalls().fsync(descriptor) == 0 ? 0 : lastError();
    // Some file systems (FUSE ones among them) have no flush of a folder: nothing to wait for.
    if (error == EINVAL || error == EOPNOTSUPP || error == ENOSYS || error == EROFS) error = 0;
    fileSystemCalls().close(descriptor);
    return error;
}

Error setAside(const std::string& path, const std::string& aside, Handle& held, bool& moved) {
    // Held by a read lock, so that no sweep takes it while it has the hidden name; a link (a
    // symbolic one, replaced by itself) or an unreadable file is set aside unheld.
    const int descriptor = fileSystemCalls().open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0);
    if (descriptor >= 0) lockWhole(descriptor, F_RDLCK);
    held = descriptor;
    moved = true;
    if (fileSystemCalls().linkat(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), 0) == 0) return 0;
    Error error = lastError();
    // Without links (FAT, exFAT) it moves: the destination is empty until the new file is named.
    if (linkRefused(error)) error = fileSystemCalls().rename(path.c_str(), aside.c_str()) == 0 ? 0 : lastError();
    moved = error == 0;
    if (!moved && descriptor >= 0) fileSystemCalls().close(descriptor);
    if (!moved) held = noHandle;
    return error == ENOENT ? 0 : error;
}

Error putBack(Handle held, const std::string& aside, const std::string& path) {
    const Error error = fileSystemCalls().rename(aside.c_str(), path.c_str()) == 0 ? 0 : lastError();
    // A rename between two links of one file leaves both: the extra one goes.
    if (error == 0) fileSystemCalls().unlink(aside.c_str());
    if (held != noHandle) fileSystemCalls().close(descriptorOf(held));
    return error;
}

void dropAside(Handle held, const std::string& aside) noexcept {
    fileSystemCalls().unlink(aside.c_str());
    if (held != noHandle) fileSystemCalls().close(descriptorOf(held));
}

void removeUnheld(const std::string& path) noexcept {
    // Opened for writing, as a write lock needs, without following a link or waiting on a pipe.
    const int descriptor = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) return;
    struct stat status {};
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) && lockWhole(descriptor, F_WRLCK))
        ::unlink(path.c_str());
    ::close(descriptor);
}

void fail(Error error, bool creating, const std::string& name) {
    throw FileError(FileError::causeFromErrno(static_cast<int>(error), creating), error, name);
}

std::string fullPathOf(const std::string& path) {
    std::error_code ignored;
    const auto absolute = std::filesystem::absolute(path, ignored);
    return ignored ? path : absolute.string();
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace outputsystem

}  // namespace quillane
