#include "platform/FolderWatch.h"

#include "platform/StopRequest.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace quillane {

FileState fileState(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return {};
    return {.exists = true, .size = static_cast<std::uint64_t>(status.st_size),
            .modified = static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
}

bool writtenSince(const FileState& later, const FileState& earlier) { return later.modified >= earlier.modified; }

bool heldForWriting(const std::string&) { return false; }

namespace {

using Clock = std::chrono::steady_clock;

bool folderThere(const std::string& folder) {
    struct stat status {};
    return ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// File systems whose changes made elsewhere (another machine, the far side of a FUSE mount) send
// no notification here.
bool notifiesRemoteChanges(const std::string& folder) {
    struct statfs system {};
    if (::statfs(folder.c_str(), &system) != 0) return true;
    constexpr std::array<unsigned long, 11> remote = {
        0x6969,      // NFS
        0x517B,      // SMB
        0xFF534D42,  // CIFS
        0xFE534D42,  // SMB2
        0x65735546,  // FUSE (sshfs and the like)
        0x01021997,  // 9P
        0x5346414F,  // AFS
        0x73757245,  // Coda
        0x0000564C,  // NCP
        0x00C36400,  // Ceph
        0x0BD00BD0,  // Lustre
    };
    const auto type = static_cast<unsigned long>(system.f_type) & 0xFFFFFFFFUL;
    return std::find(remote.begin(), remote.end(), type) == remote.end();
}

int milliseconds(Clock::duration span) {
    const auto count = std::chrono::ceil<std::chrono::milliseconds>(span).count();
    return static_cast<int>(std::clamp<std::int64_t>(count, 0, INT_MAX));
}

}  // namespace

struct FolderWatch::System {
    std::string folder;
    std::chrono::milliseconds pollAskedFor{0};
    std::chrono::milliseconds interval{0};
    int notify = -1;
    bool started = false;
    bool gone = false;
    Clock::time_point nextLook;

    ~System() { disarm(); }

    void disarm() {
        if (notify >= 0) ::close(notify);
        notify = -1;
    }

    // Watches the folder; false when it is not there.
    bool arm() {
        disarm();
        if (!folderThere(folder)) return false;
        interval = pollAskedFor;
        if (interval.count() == 0 && !notifiesRemoteChanges(folder)) interval = networkPollEvery;
        notify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        constexpr std::uint32_t events =
            IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_EXCL_UNLINK;
        if (notify >= 0 && ::inotify_add_watch(notify, folder.c_str(), events) < 0) {
            const int error = errno;
            disarm();
            if (error == ENOENT || error == ENOTDIR) return false;
        }
        // Without notifications (too many watches in use) the folder is looked at instead.
        if (notify < 0 && interval.count() == 0) interval = networkPollEvery;
        nextLook = Clock::now() + interval;
        return true;
    }

    // Blocks until one of the descriptors is readable or `until`; true when the stop's is.
    bool block(Clock::time_point until, bool& notified) const {
        std::array<pollfd, 2> waits{};
        waits[0] = {.fd = static_cast<int>(stopWakeHandle()), .events = POLLIN, .revents = 0};
        waits[1] = {.fd = gone ? -1 : notify, .events = POLLIN, .revents = 0};
        const int ready = ::poll(waits.data(), waits.size(), milliseconds(until - Clock::now()));
        notified = ready > 0 && (waits[1].revents & POLLIN) != 0;
        return stopRequested();
    }

    void readEvents(Changes& changes) {
        alignas(inotify_event) std::array<char, 64 * 1024> buffer{};
        for (;;) {
            const ssize_t got = ::read(notify, buffer.data(), buffer.size());
            if (got <= 0) return;  // EAGAIN: all read
            const auto size = static_cast<std::size_t>(got);
            for (std::size_t at = 0; at + sizeof(inotify_event) <= size;) {
                inotify_event event{};
                std::memcpy(&event, buffer.data() + at, sizeof event);
                const std::size_t nameAt = at + sizeof event;
                if (event.len > size - nameAt) break;
                if ((event.mask & IN_Q_OVERFLOW) != 0) changes.rescan = changes.missed = true;
                if ((event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) != 0) changes.gone = true;
                if ((event.mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) != 0 && (event.mask & IN_ISDIR) == 0 && event.len > 0)
                    changes.names.emplace_back(buffer.data() + nameAt, ::strnlen(buffer.data() + nameAt, event.len));
                at = nameAt + event.len;
            }
        }
    }
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
    bool notified = false;
    if (s.gone) {
        // Looked for again at intervals: a folder that is not there sends nothing.
        changes.stop = s.block(std::min(until, Clock::now() + goneLookEvery), notified);
        if (!changes.stop && s.arm()) {
            s.gone = false;
            changes.back = changes.rescan = true;
        }
        return changes;
    }
    changes.stop = s.block(s.interval.count() > 0 ? std::min(until, s.nextLook) : until, notified);
    if (changes.stop) return changes;
    if (notified) s.readEvents(changes);
    if (s.interval.count() > 0 && Clock::now() >= s.nextLook) {
        s.nextLook = Clock::now() + s.interval;
        changes.rescan = true;
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
    s.disarm();
    changes = {};
    changes.gone = true;
    return changes;
}

}  // namespace quillane
