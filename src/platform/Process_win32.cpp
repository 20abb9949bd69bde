#include "platform/Process.h"

#include <cerrno>
#include <cstdio>
#include <direct.h>
#include <io.h>
#include <vector>

#include <windows.h>

namespace quillane {

std::string currentDirectory() {
    // No fixed buffer of MAX_PATH: a directory deeper than that must still be found again, or
    // the caller could not change back to it.
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        if (::_getcwd(buffer.data(), static_cast<int>(buffer.size())) != nullptr) return std::string(buffer.data());
        const int error = errno;
        if (error != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
}

// The system's rules: a drive's own current directory for "C:name", the current drive for
// "\name", and "." and ".." resolved.
std::string absolutePath(const std::string& path) {
    if (path.empty()) return path;
    const DWORD length = ::GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (length == 0) return path;
    std::string full(length, '\0');
    const DWORD written = ::GetFullPathNameA(path.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) return path;
    full.resize(written);
    return full;
}

bool changeDirectory(const std::string& path) {
    return !path.empty() && ::_chdir(path.c_str()) == 0;
}

std::tm localCalendarTime(std::time_t moment) {
    std::tm local{};
    localtime_s(&local, &moment);
    return local;
}

void sleepMilliseconds(int milliseconds) {
    if (milliseconds > 0) ::Sleep(static_cast<DWORD>(milliseconds));
}

bool standardErrorIsTerminal() {
    return ::_isatty(::_fileno(stderr)) != 0;
}

}  // namespace quillane
