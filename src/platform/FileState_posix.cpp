#include "platform/FileState.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
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

}  // namespace quillane
