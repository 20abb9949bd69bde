// The Win32 calls behind OutputFile (platform/OutputFileSystem.h).
//
// The temporary is made with a delete disposition: Windows deletes it when its handle closes,
// also when the process is ended from the task manager or crashes, unless naming it clears the
// disposition once the file is complete. Its handle shares nothing, not even deletion, so that
// no other program (a sweep, a virus scanner, an indexer) can open, move or delete it while it is
// written; it is renamed through that same handle and only then closed. It is reached by its
// long-path form ("\\?\" and the full path), so that its name, longer than a short output's,
// never takes a path Windows would accept for the output over MAX_PATH.
#include "platform/OutputFile.h"

#include "platform/CodePage.h"
#include "platform/FileSystemCalls.h"
#include "platform/OutputFileSystem.h"
#include "platform/OutputSignals.h"

#include <cstddef>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <windows.h>

namespace quillane {

namespace {

const FileSystemCalls systemCalls = {
    ::CreateFileW, ::WriteFile, ::SetFilePointerEx, ::FlushFileBuffers, ::CloseHandle, ::DeleteFileW,
    ::SetFileInformationByHandle,
    [] { return std::chrono::steady_clock::now(); },
};

HANDLE handleOf(outputsystem::Handle value) { return reinterpret_cast<HANDLE>(value); }

// The form of a path that no length limit below the system's own applies to.
std::wstring longForm(const std::string& path) {
    const std::wstring given = wideText(path);
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetFullPathNameW(given.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0) return given;
        if (length < buffer.size()) {
            const std::wstring full(buffer.data(), length);
            if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0) return full;
            if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
            return L"\\\\?\\" + full;
        }
        buffer.resize(length);
    }
}

// Sets or clears the temporary's delete disposition.
BOOL setDeleteOnClose(HANDLE file, bool deleteOnClose) {
    FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(deleteOnClose ? TRUE : FALSE)};
    return fileSystemCalls().setFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

// Gives the open file the name `to` (its full long form, which the system takes whatever the
// current directory), replacing a file there when asked.
DWORD renameByHandle(HANDLE file, const std::string& to, bool replace) {
    const std::wstring target = longForm(to);
    const std::size_t nameBytes = (target.size() + 1) * sizeof(wchar_t);  // the name ends in a NUL too
    const std::size_t bytes = offsetof(FILE_RENAME_INFO, FileName) + nameBytes;
    std::vector<std::uint64_t> storage((bytes + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t));  // aligned
    auto* information = reinterpret_cast<FILE_RENAME_INFO*>(storage.data());
    information->ReplaceIfExists = replace ? TRUE : FALSE;
    information->RootDirectory = nullptr;
    information->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::memcpy(information->FileName, target.c_str(), nameBytes);
    if (fileSystemCalls().setFileInformationByHandle(file, FileRenameInfo, information, static_cast<DWORD>(bytes))) return 0;
    return ::GetLastError();
}

// The hidden files whose file system has no delete disposition: `keep` lists one, and either
// way tells whether it was listed (and takes it off the list).
bool keptOnClose(const std::string& hidden, bool keep) {
    static std::mutex guard;
    static std::set<std::string> kept;
    const std::lock_guard<std::mutex> lock(guard);
    if (keep) return !kept.insert(hidden).second;
    return kept.erase(hidden) != 0;
}

}  // namespace

const FileSystemCalls& systemFileSystemCalls() { return systemCalls; }

namespace outputsystem {

Error checkDestination(const std::string& destination, Existing& existing) {
    if (destination.empty()) return ERROR_PATH_NOT_FOUND;
    // A path ends at MAX_PATH UTF-16 units, as Windows counts it for its own calls (not the
    // bytes of the program's UTF-8); refused here, before anything is written, also where the
    // system would take it (Wine does) or only the wide calls for the temporary would meet it.
    if (wideText(fullPathOf(destination)).size() >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
    // An existing output is opened for writing once, the way writing over it would open it, so
    // that a read-only file, one the user may not change and one another program holds open are
    // refused before anything is written, as they would be without the temporary.
    const DWORD attributes = ::GetFileAttributesA(destination.c_str());
    existing.fileStood = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (!existing.fileStood) return 0;
    // Windows refuses to open a read-only file for writing; checked here as well, since the
    // attribute is all the refusal rests on and not every system that runs the program
    // enforces it for every user.
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return ERROR_ACCESS_DENIED;
    const HANDLE file =
        ::CreateFileA(destination.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ::GetLastError();
    ::CloseHandle(file);
    return 0;
}

Error createUnnamed(const std::string&, Handle&) { return ERROR_NOT_SUPPORTED; }

bool unnamedUnsupported(Error) { return true; }

Error createNamed(const std::string& path, Handle& handle) {
    const HANDLE file = fileSystemCalls().createFile(longForm(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                                     nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ::GetLastError();
    handle = reinterpret_cast<Handle>(file);
    // A file system without dispositions (rare) still gets a whole output; its temporary is
    // then removed by the program alone.
    if (!setDeleteOnClose(file, true)) keptOnClose(path, true);
    return 0;
}

bool alreadyExists(Error error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

void adopt(Handle, const Existing&) noexcept {}

Error writeSome(Handle handle, const void* bytes, std::size_t count, std::size_t& written) {
    DWORD took = 0;
    if (!fileSystemCalls().writeFile(handleOf(handle), bytes, static_cast<DWORD>(count), &took, nullptr))
        return ::GetLastError();
    written = took;
    return 0;
}

Error seek(Handle handle, bool toStart, std::uint64_t& position) {
    LARGE_INTEGER at{};
    if (!fileSystemCalls().setFilePointerEx(handleOf(handle), LARGE_INTEGER{}, &at, toStart ? FILE_BEGIN : FILE_CURRENT))
        return ::GetLastError();
    position = static_cast<std::uint64_t>(at.QuadPart);
    return 0;
}

Error flush(Handle handle) { return fileSystemCalls().flushFileBuffers(handleOf(handle)) ? 0 : ::GetLastError(); }

void startWriteBack(Handle, std::uint64_t, std::uint64_t) noexcept {}

Error close(Handle handle) { return fileSystemCalls().closeHandle(handleOf(handle)) ? 0 : ::GetLastError(); }

Error link(Handle, const std::string&) { return ERROR_NOT_SUPPORTED; }

bool linkRefused(Error) { return false; }

Error copyAll(Handle, Handle) { return ERROR_NOT_SUPPORTED; }

// Renamed through its handle while it is held, then flushed again and closed. MOVEFILE_WRITE_THROUGH
// makes no rename durable on the same volume. Flushing the renamed file writes its metadata and
// commits NTFS's log, which holds the rename (the log is written in order); Wine flushes the Linux
// file, which on a journalling file system commits the rename.
Error nameReplacing(Handle& handle, const std::string& hidden, const std::string& destination, const Observed& observed,
                    NamingStep& failed) {
    failed = NamingStep::naming;
    // Kept first: a file renamed while it would still vanish on close would take its name with it.
    if (!setDeleteOnClose(handleOf(handle), false)) return ::GetLastError();
    if (const Error error = renameByHandle(handleOf(handle), destination, true)) {
        setDeleteOnClose(handleOf(handle), true);
        return error;
    }
    keptOnClose(hidden, false);
    const Handle file = handle;
    handle = noHandle;
    const Error error = observed([file] { return flush(file); });
    // Named and on the disk: closing it can lose nothing, and a failure to is not one of the file's.
    close(file);
    failed = NamingStep::afterNaming;
    return error;
}

void discardHidden(Handle handle, const std::string& hidden) noexcept {
    if (handle != noHandle) close(handle);
    if (!hidden.empty() && keptOnClose(hidden, false)) remove(hidden);
}

Error remove(const std::string& path) noexcept {
    return fileSystemCalls().deleteFile(longForm(path).c_str()) ? 0 : ::GetLastError();
}

Error flushFolder(const std::string&) { return 0; }

Error setAside(const std::string& path, const std::string& aside, Handle& held, bool& moved) {
    moved = false;
    // Every sharing mode, so as not to refuse what replacing would not; a sweep, which opens
    // sharing nothing, cannot take it while this handle is open.
    const HANDLE file = fileSystemCalls().createFile(longForm(path).c_str(), DELETE | SYNCHRONIZE,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                     OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? 0 : error;
    }
    // Moved: the destination is empty until the new file takes the name.
    if (const Error error = renameByHandle(file, aside, false)) {
        fileSystemCalls().closeHandle(file);
        return error;
    }
    held = reinterpret_cast<Handle>(file);
    moved = true;
    return 0;
}

Error putBack(Handle held, const std::string&, const std::string& path) {
    const Error error = renameByHandle(handleOf(held), path, true);
    fileSystemCalls().closeHandle(handleOf(held));
    return error;
}

void dropAside(Handle held, const std::string& aside) noexcept {
    const bool deleted = setDeleteOnClose(handleOf(held), true) != FALSE;
    fileSystemCalls().closeHandle(handleOf(held));
    if (!deleted) remove(aside);
}

void removeUnheld(const std::string& path) noexcept {
    // Sharing nothing: only a file that no one has open, its writer included, is taken.
    const HANDLE file = ::CreateFileW(longForm(path).c_str(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    BY_HANDLE_FILE_INFORMATION information{};
    if (::GetFileInformationByHandle(file, &information) &&
        (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0) {
        FILE_DISPOSITION_INFO disposition{TRUE};
        ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
    }
    ::CloseHandle(file);
}

void fail(Error error, bool, const std::string& name) {
    throw FileError(FileError::causeFromWindowsError(error), error, name);
}

std::string fullPathOf(const std::string& path) {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0) return path;
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(length);
    }
}

std::string folderOf(const std::string& path) {
    const auto separator = path.find_last_of("\\/");
    if (separator != std::string::npos) return path.substr(0, separator + 1);
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
    return {};
}

// Windows removes an unfinished output's temporary itself (its delete disposition), and a
// console's Ctrl+C ends the program on a thread of its own, with nothing of ours to run first.
int removeOnSignal(const std::string&, const std::string&) noexcept { return -1; }
int putBackOnSignal(const std::string&, const std::string&, const std::string&) noexcept { return -1; }
void removeInsteadOnSignal(int) noexcept {}
void forgetOnSignal(int) noexcept {}
SignalsHeldBack::SignalsHeldBack() noexcept = default;
SignalsHeldBack::~SignalsHeldBack() = default;

}  // namespace outputsystem

void undoUnfinishedOutputsOnSignals() {}

}  // namespace quillane
