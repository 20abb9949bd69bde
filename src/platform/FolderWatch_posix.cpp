#include "platform/FileState.h"
#include "platform/FolderNotifications.h"
#include "platform/StopRequest.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
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

bool heldForWriting(const std::string& path) {
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (file < 0) return false;
    // A read lease is refused while any process has the file open for writing. Where leases are
    // not allowed (another user's file, a network file system) nothing more can be known.
    const bool refused = ::fcntl(file, F_SETLEASE, F_RDLCK) != 0 && errno == EAGAIN;
    if (!refused) (void)::fcntl(file, F_SETLEASE, F_UNLCK);
    ::close(file);
    return refused;
}

bool folderThere(const std::string& folder) {
    struct stat status {};
    return ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

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

struct FolderNotifications::State {
    int notify = -1;
};

const bool FolderNotifications::tellsOfRemoval = true;

FolderNotifications::FolderNotifications(const std::string& folder) : state_(std::make_unique<State>()) {
    state_->notify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    constexpr std::uint32_t events =
        IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_EXCL_UNLINK;
    if (state_->notify >= 0 && ::inotify_add_watch(state_->notify, folder.c_str(), events) < 0) {
        ::close(state_->notify);
        state_->notify = -1;
    }
}

FolderNotifications::~FolderNotifications() {
    if (state_->notify >= 0) ::close(state_->notify);
}

bool FolderNotifications::active() const { return state_->notify >= 0; }

void FolderNotifications::read(FolderWatch::Changes& changes) {
    alignas(inotify_event) std::array<char, std::size_t{64} << 10> buffer{};
    for (;;) {
        const ssize_t got = ::read(state_->notify, buffer.data(), buffer.size());
        if (got <= 0) return;  // EAGAIN: all read
        const auto size = static_cast<std::size_t>(got);
        for (std::size_t at = 0; at + sizeof(inotify_event) <= size;) {
            inotify_event event{};
            std::memcpy(&event, buffer.data() + at, sizeof event);
            const std::size_t nameAt = at + sizeof event;
            if (event.len > size - nameAt) break;
            if ((event.mask & IN_Q_OVERFLOW) != 0) changes.rescan = changes.missed = true;
            if ((event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) != 0) changes.gone = true;
            // A file made by a link (a hard link, an unnamed file given a name) arrives whole, with no
            // close after writing; a link count or a time set afterwards (cp -p) changes it too.
            if ((event.mask & (IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_ATTRIB)) != 0 && (event.mask & IN_ISDIR) == 0 && event.len > 0)
                changes.names.emplace_back(buffer.data() + nameAt, ::strnlen(buffer.data() + nameAt, event.len));
            at = nameAt + event.len;
        }
    }
}

bool waitForChanges(FolderNotifications* notifications, std::chrono::steady_clock::time_point until) {
    std::array<pollfd, 2> waits{};
    waits[0] = {.fd = static_cast<int>(stopWakeHandle()), .events = POLLIN, .revents = 0};
    waits[1] = {.fd = notifications != nullptr ? notifications->state_->notify : -1, .events = POLLIN, .revents = 0};
    const auto span = std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()).count();
    const int ready = ::poll(waits.data(), waits.size(), static_cast<int>(std::clamp<std::int64_t>(span, 0, INT_MAX)));
    return ready > 0 && (waits[1].revents & POLLIN) != 0;
}

}  // namespace quillane
