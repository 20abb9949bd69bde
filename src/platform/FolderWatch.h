#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillane {

// A file's size and the time it was last written, to tell whether it still changes.
struct FileState {
    bool exists = false;  // a regular file stands there
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // in the system's own units
    bool operator==(const FileState&) const = default;
};
FileState fileState(const std::string& path);
// Whether `later` was written at the time of `earlier` or after it.
bool writtenSince(const FileState& later, const FileState& earlier);

// Whether a program still holds the file open for writing, as far as the system tells: on
// Windows it cannot be opened without sharing write access then; on Linux a read lease is
// refused then, where the system allows this user one on the file. Where it cannot tell, a
// steady size and time stand for it.
bool heldForWriting(const std::string& path);

// Tells what changes in one folder (not below it) without looking at it again and again: the
// system's notifications (inotify; ReadDirectoryChangesW), and where they do not arrive (a
// network file system) or when asked to, a look at the whole folder at intervals.
class FolderWatch {
public:
    struct Changes {
        // Names of files in the folder that were closed after writing, moved in or changed.
        std::vector<std::string> names;
        // Changes may have been missed (too many at once, a poll, the folder back): every file
        // of the folder is to be looked at.
        bool rescan = false;
        // Notifications were lost: more changes came at once than the system keeps.
        bool missed = false;
        // The folder is gone (removed, moved away, a share disconnected); it is watched again
        // once it is back, which `back` then tells, with `rescan`.
        bool gone = false;
        bool back = false;
        // A stop was asked for (StopRequest.h).
        bool stop = false;
    };

    // `pollEvery` above zero looks at the folder at that interval besides any notifications.
    FolderWatch(std::string folder, std::chrono::milliseconds pollEvery);
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;
    ~FolderWatch();

    // Waits until something changes, a stop is asked for or `timeout` passes; blocks without
    // using the processor meanwhile. The first call tells whether the folder is there.
    Changes wait(std::chrono::milliseconds timeout);

    // How often the folder is looked at, zero when only notifications tell: the interval asked
    // for, or one chosen for a file system whose changes are not notified.
    std::chrono::milliseconds pollInterval() const;

    // How often a gone folder is looked for, and the interval for a network file system.
    static constexpr std::chrono::milliseconds goneLookEvery{1000};
    static constexpr std::chrono::milliseconds networkPollEvery{2000};

    struct System;

private:
    std::unique_ptr<System> system_;
};

}  // namespace quillane
