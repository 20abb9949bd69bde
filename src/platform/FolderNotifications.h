#pragma once

// The system's notifications of one folder's changes, behind FolderWatch; each system's file
// implements it (inotify; ReadDirectoryChangesW).
#include "platform/FolderWatch.h"

#include <chrono>
#include <memory>
#include <string>

namespace quillane {

bool folderThere(const std::string& folder);
// Whether changes made on another machine reach this one's notifications: not so on a network
// file system (NFS, SMB, a FUSE mount such as sshfs; a mapped drive or UNC path on Windows).
bool notifiesRemoteChanges(const std::string& folder);

class FolderNotifications {
public:
    explicit FolderNotifications(const std::string& folder);
    FolderNotifications(const FolderNotifications&) = delete;
    FolderNotifications& operator=(const FolderNotifications&) = delete;
    ~FolderNotifications();

    // Whether notifications arrive; when the system gives none, the folder is looked at instead.
    bool active() const;
    // Whether the folder's removal is notified; where it is not, the folder is looked for now
    // and then.
    static const bool tellsOfRemoval;
    // Adds what has arrived to `changes`.
    void read(FolderWatch::Changes& changes);

    struct State;

private:
    friend bool waitForChanges(FolderNotifications* notifications, std::chrono::steady_clock::time_point until);
    std::unique_ptr<State> state_;
};

// Blocks until notifications arrive (never without `notifications`), a stop is asked for or
// `until`; true when notifications arrived.
bool waitForChanges(FolderNotifications* notifications, std::chrono::steady_clock::time_point until);

}  // namespace quillane
