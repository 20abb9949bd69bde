#include "platform/Process.h"

#include <cerrno>
#include <chrono>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quillane {

std::string currentDirectory() {
    // No fixed buffer: a directory deeper than any fixed size must still be found again, or
    // the caller could not change back to it.
    std::vector<char> buffer(260);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr) return std::string(buffer.data());
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string absolutePath(const std::string& path) {
    if (path.empty() || path.front() == '/') return path;
    const std::string folder = currentDirectory();
    if (folder.empty()) return path;
    return folder.back() == '/' ? folder + path : folder + '/' + path;
}

bool changeDirectory(const std::string& path) {
    return !path.empty() && ::chdir(path.c_str()) == 0;
}

std::tm localCalendarTime(std::time_t moment) {
    std::tm local{};
    localtime_r(&moment, &local);
    return local;
}

void sleepMilliseconds(int milliseconds) {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool standardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

}  // namespace quillane
