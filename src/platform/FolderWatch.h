#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace quillane {

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
