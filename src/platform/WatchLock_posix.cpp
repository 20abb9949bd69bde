#include "platform/WatchLock.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quillane {
namespace {

// An abstract socket's address: its name begins with a zero byte and is no file, so nothing is
// left behind and every user of the machine sees the same names.
sockaddr_un addressOf(const std::string& name, socklen_t& length) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string full = "quillane-split-watch/" + name;
    const std::size_t used = std::min(full.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, full.data(), used);
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + used);
    return address;
}

// The process listening at `name`, by connecting to it: 0 when it cannot be told.
std::uint64_t askHolder(const std::string& name) {
    const int asking = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (asking < 0) return 0;
    socklen_t length = 0;
    const sockaddr_un address = addressOf(name, length);
    std::uint64_t pid = 0;
    if (::connect(asking, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
        ucred credentials{};
        socklen_t size = sizeof credentials;
        if (::getsockopt(asking, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0) pid = static_cast<std::uint64_t>(credentials.pid);
    }
    ::close(asking);
    return pid;
}

}  // namespace

struct WatchLock::System {
    int socket = -1;
};

WatchLock::WatchLock(const std::string& name) : system_(std::make_unique<System>()) {
    const int bound = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (bound < 0) return;
    socklen_t length = 0;
    const sockaddr_un address = addressOf(name, length);
    if (::bind(bound, reinterpret_cast<const sockaddr*>(&address), length) == 0 && ::listen(bound, 16) == 0) {
        system_->socket = bound;
        return;
    }
    const int error = errno;
    ::close(bound);
    if (error == EADDRINUSE) holder_ = askHolder(name);
}

WatchLock::~WatchLock() {
    if (system_->socket >= 0) ::close(system_->socket);
}

bool WatchLock::held() const { return system_->socket >= 0; }

void WatchLock::answer() {
    if (system_->socket < 0) return;
    for (int asked; (asked = ::accept4(system_->socket, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) ::close(asked);
}

}  // namespace quillane
