#include "platform/StateFolder.h"

#include "platform/SystemError.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace quillane {
namespace {

// Writes all of `text` at the end of the file; the error code of the failed call, or 0.
DWORD writeAll(const std::string& path, const std::string& text, bool durable) {
    const HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    DWORD error = 0;
    for (std::size_t at = 0; at < text.size() && error == 0;) {
        DWORD wrote = 0;
        const auto piece = static_cast<DWORD>(std::min<std::size_t>(text.size() - at, 1U << 20));
        if (!WriteFile(file, text.data() + at, piece, &wrote, nullptr)) error = GetLastError();
        at += wrote;
    }
    if (error == 0 && durable && !FlushFileBuffers(file)) error = GetLastError();
    CloseHandle(file);
    return error;
}

}  // namespace

std::string programStateFolder() {
    const char* local = std::getenv("LOCALAPPDATA");
    if (local == nullptr || local[0] == '\0')
        throw std::runtime_error("LOCALAPPDATA names no folder to keep the watch's record in");
    const std::filesystem::path folder = std::filesystem::path(local) / "Quillane";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) throw std::runtime_error(folder.string() + " : " + error.message());
    return folder.string();
}

void appendDurably(const std::string& path, const std::string& text) {
    if (const DWORD error = writeAll(path, text, true); error != 0)
        throw std::runtime_error(path + " : " + systemErrorText(error));
}

void appendQuietly(const std::string& path, const std::string& text) noexcept { (void)writeAll(path, text, false); }

}  // namespace quillane
