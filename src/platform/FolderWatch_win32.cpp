#include "platform/FileState.h"
#include "platform/FolderNotifications.h"
#include "platform/StopRequest.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace quillane {

FileState fileState(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return {};
    if ((data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) return {};
    const auto size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    const auto written = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                         data.ftLastWriteTime.dwLowDateTime;
    return {.exists = true, .size = size, .modified = static_cast<std::int64_t>(written)};
}

bool heldForWriting(const std::string& path) {
    // Shared for reading only: refused while anyone has the file open for writing.
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    }
    CloseHandle(file);
    return false;
}

bool folderThere(const std::string& folder) {
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
    // A folder removed while it is watched is only marked for removal until the watch lets go
    // of it; it can no longer be opened.
    const HANDLE opened = CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return false;
    CloseHandle(opened);
    return true;
}

bool notifiesRemoteChanges(const std::string& folder) {
    char full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(folder.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return true;
    std::string_view path(full, length);
    if (path.starts_with("\\\\?\\UNC\\")) return false;
    if (path.starts_with("\\\\?\\")) path.remove_prefix(4);
    if (path.starts_with("\\\\") || path.size() < 2 || path[1] != ':') return !path.starts_with("\\\\");
    const char root[] = {path[0], ':', '\\', '\0'};
    return GetDriveTypeA(root) != DRIVE_REMOTE;
}

namespace {

std::string narrow(const std::wstring& text) {
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(CP_ACP, 0, text.data(), length, result.data(), size, nullptr, nullptr);
    return result;
}

}  // namespace

struct FolderNotifications::State {
    HANDLE directory = INVALID_HANDLE_VALUE;
    HANDLE arrived = nullptr;  // set when a read of changes completes
    OVERLAPPED overlapped{};
    alignas(DWORD) std::array<std::uint8_t, std::size_t{64} << 10> buffer{};
    bool reading = false;

    // Asks for the next changes; false when the folder cannot be read any more.
    bool readNext() {
        overlapped = {};
        overlapped.hEvent = arrived;
        ResetEvent(arrived);
        constexpr DWORD what = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
        reading = ReadDirectoryChangesW(directory, buffer.data(), static_cast<DWORD>(buffer.size()), FALSE, what,
                                        nullptr, &overlapped, nullptr) != FALSE;
        return reading;
    }
};

// ReadDirectoryChangesW ends with an error when its folder goes, but a share that disconnects
// may just fall silent.
const bool FolderNotifications::tellsOfRemoval = false;

FolderNotifications::FolderNotifications(const std::string& folder) : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.arrived = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // Shared for everything: the folder may still be renamed or removed while it is watched.
    s.directory = CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (s.arrived != nullptr && s.directory != INVALID_HANDLE_VALUE) s.readNext();
}

FolderNotifications::~FolderNotifications() {
    State& s = *state_;
    if (s.directory != INVALID_HANDLE_VALUE) {
        if (s.reading) {
            CancelIoEx(s.directory, &s.overlapped);
            DWORD ignored = 0;
            GetOverlappedResult(s.directory, &s.overlapped, &ignored, TRUE);
        }
        CloseHandle(s.directory);
    }
    if (s.arrived != nullptr) CloseHandle(s.arrived);
}

bool FolderNotifications::active() const { return state_->reading; }

void FolderNotifications::read(FolderWatch::Changes& changes) {
    State& s = *state_;
    DWORD bytes = 0;
    const BOOL done = GetOverlappedResult(s.directory, &s.overlapped, &bytes, FALSE);
    const DWORD error = done ? ERROR_SUCCESS : GetLastError();
    s.reading = false;
    constexpr std::size_t header = offsetof(FILE_NOTIFY_INFORMATION, FileName);
    if (!done) {
        // ERROR_NOTIFY_ENUM_DIR: more changes than the buffer holds; anything else: the folder
        // can no longer be read (removed, or its share gone).
        if (error == ERROR_NOTIFY_ENUM_DIR) changes.rescan = changes.missed = true;
        else changes.gone = true;
    } else if (bytes == 0) {
        changes.rescan = changes.missed = true;  // the system's own buffer overflowed
    } else {
        for (std::size_t at = 0; at + header <= bytes;) {
            FILE_NOTIFY_INFORMATION entry{};
            std::memcpy(&entry, s.buffer.data() + at, header);
            const std::size_t nameAt = at + header;
            if (entry.FileNameLength > bytes - nameAt) break;
            std::wstring name(entry.FileNameLength / sizeof(wchar_t), L'\0');
            std::memcpy(name.data(), s.buffer.data() + nameAt, name.size() * sizeof(wchar_t));
            if (entry.Action == FILE_ACTION_ADDED || entry.Action == FILE_ACTION_MODIFIED ||
                entry.Action == FILE_ACTION_RENAMED_NEW_NAME)
                changes.names.push_back(narrow(name));
            if (entry.NextEntryOffset == 0 || entry.NextEntryOffset > bytes - at) break;
            at += entry.NextEntryOffset;
        }
    }
    if (!changes.gone && !s.readNext()) changes.gone = true;
}

bool waitForChanges(FolderNotifications* notifications, std::chrono::steady_clock::time_point until) {
    std::array<HANDLE, 2> handles{};
    DWORD count = 0;
    if (stopWakeHandle() != -1) handles[count++] = reinterpret_cast<HANDLE>(stopWakeHandle());
    const bool watching = notifications != nullptr && notifications->state_->reading;
    if (watching) handles[count++] = notifications->state_->arrived;
    const auto span = std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()).count();
    const auto timeout = static_cast<DWORD>(std::clamp<std::int64_t>(span, 0, INFINITE - 1));
    if (count == 0) {
        Sleep(timeout);
        return false;
    }
    return watching && WaitForMultipleObjects(count, handles.data(), FALSE, timeout) == WAIT_OBJECT_0 + count - 1;
}

}  // namespace quillane
