#include "platform/FolderWatch.h"

#include "platform/FolderNotifications.h"
#include "platform/Process.h"
#include "platform/StopRequest.h"

#include <algorithm>
#include <cstdint>

namespace quillane {

using Clock = std::chrono::steady_clock;

struct FolderWatch::System {
    std::string folder;
    std::chrono::milliseconds pollAskedFor{0};
    std::chrono::milliseconds interval{0};
    std::unique_ptr<FolderNotifications> notifications;
    bool started = false;
    bool gone = false;
    Clock::time_point nextLook;
    Clock::time_point nextPresenceLook;

    // Watches the folder; false when it is not there.
    bool arm() {
        notifications.reset();
        if (!folderThere(folder)) return false;
        interval = pollAskedFor;
        if (interval.count() == 0 && !notifiesRemoteChanges(folder)) interval = networkPollEvery;
        notifications = std::make_unique<FolderNotifications>(folder);
        // Without notifications (too many watches in use) the folder is looked at instead.
        if (!notifications->active() && interval.count() == 0) interval = networkPollEvery;
        nextLook = Clock::now() + interval;
        nextPresenceLook = Clock::now() + presenceLookEvery;
        return true;
    }

    // Where the system does not tell of the folder's removal, it is looked for now and then.
    static constexpr std::chrono::milliseconds presenceLookEvery{5000};
};

FolderWatch::FolderWatch(std::string folder, std::chrono::milliseconds pollEvery) : system_(std::make_unique<System>()) {
    system_->folder = std::move(folder);
    system_->pollAskedFor = pollEvery;
}

FolderWatch::~FolderWatch() = default;

std::chrono::milliseconds FolderWatch::pollInterval() const { return system_->interval; }

FolderWatch::Changes FolderWatch::wait(std::chrono::milliseconds timeout) {
    System& s = *system_;
    Changes changes;
    if (!s.started) {
        s.started = true;
        s.gone = !s.arm();
        (s.gone ? changes.gone : changes.rescan) = true;
        return changes;
    }
    const Clock::time_point until = Clock::now() + timeout;
    if (s.gone) {
        // Looked for again at intervals: a folder that is not there sends nothing. Only a stop
        // ends the wait early: a wait that returns before its time without one (Wine's, on an
        // event nobody sets) is made up for by sleeping, so that nothing turns it into a spin.
        const Clock::time_point look = std::min(until, Clock::now() + goneLookEvery);
        while (!stopRequested() && Clock::now() < look) {
            waitForChanges(nullptr, look);
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(look - Clock::now()).count();
            if (!stopRequested() && left > 0) sleepMilliseconds(static_cast<int>(std::min<std::int64_t>(left, 100)));
        }
        changes.stop = stopRequested();
        if (!changes.stop && s.arm()) {
            s.gone = false;
            changes.back = changes.rescan = true;
        }
        return changes;
    }
    Clock::time_point wake = s.interval.count() > 0 ? std::min(until, s.nextLook) : until;
    if (!FolderNotifications::tellsOfRemoval) wake = std::min(wake, s.nextPresenceLook);
    const bool notified = waitForChanges(s.notifications.get(), wake);
    changes.stop = stopRequested();
    if (changes.stop) return changes;
    if (notified) s.notifications->read(changes);
    const Clock::time_point now = Clock::now();
    if (s.interval.count() > 0 && now >= s.nextLook) {
        s.nextLook = now + s.interval;
        changes.rescan = true;
    }
    if (!FolderNotifications::tellsOfRemoval && now >= s.nextPresenceLook) {
        s.nextPresenceLook = now + System::presenceLookEvery;
        changes.gone = changes.gone || !folderThere(s.folder);
    }
    if (!changes.rescan && !changes.gone) return changes;
    if (folderThere(s.folder) && (!changes.gone || s.arm())) {
        // A folder removed or moved away and another one made in its place is watched anew.
        changes.back = changes.gone;
        changes.gone = false;
        changes.rescan = true;
        return changes;
    }
    s.gone = true;
    s.notifications.reset();
    changes = {};
    changes.gone = true;
    return changes;
}

}  // namespace quillane
