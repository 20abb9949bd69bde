#include "platform/StateFolder.h"

#include "platform/SystemError.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace quillane {
namespace {

// Writes all of `text` to the file open for appending; the error number of the failed call, or 0.
int writeAll(const std::string& path, const std::string& text, bool durable) {
    const int file = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (file < 0) return errno;
    int error = 0;
    for (std::size_t at = 0; at < text.size() && error == 0;) {
        const ssize_t wrote = ::write(file, text.data() + at, text.size() - at);
        if (wrote < 0 && errno != EINTR) error = errno;
        if (wrote > 0) at += static_cast<std::size_t>(wrote);
    }
    if (error == 0 && durable && ::fdatasync(file) != 0) error = errno;
    if (::close(file) != 0 && error == 0 && errno != EINTR) error = errno;
    return error;
}

}  // namespace

std::string programStateFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    std::filesystem::path folder;
    // The variable counts only as an absolute path, as the base directory rules say.
    if (state != nullptr && state[0] == '/') folder = state;
    else if (home != nullptr && home[0] == '/') folder = std::filesystem::path(home) / ".local" / "state";
    else throw std::runtime_error("Neither XDG_STATE_HOME nor HOME names a folder to keep the watch's record in");
    folder /= "quillane";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) throw std::runtime_error(folder.string() + " : " + error.message());
    return folder.string();
}

void appendDurably(const std::string& path, const std::string& text) {
    if (const int error = writeAll(path, text, true); error != 0)
        throw std::runtime_error(path + " : " + systemErrorText(static_cast<std::uint32_t>(error)));
}

void appendQuietly(const std::string& path, const std::string& text) noexcept { (void)writeAll(path, text, false); }

}  // namespace quillane
