// The Win32 calls behind OutputFile (platform/OutputFileSystem.h).
//
// The temporary is made with a delete disposition: Windows deletes it when its handle closes,
// also when the process is ended from the task manager or crashes, unless `keep` clears the
// disposition once the file is complete. It is reached by its long-path form ("\\?\" and the
// full path), so that its name, longer than a short output's, never takes a path Windows would
// accept for the output over MAX_PATH.
#include "platform/OutputFile.h"

#include "platform/FileSystemCalls.h"
#include "platform/OutputFileSystem.h"

#include <string>
#include <vector>

#include <windows.h>

namespace quillane {

namespace {

const FileSystemCalls systemCalls = {
    ::CreateFileW,      ::WriteFile,  ::SetFilePointerEx, ::FlushFileBuffers,
    ::CloseHandle,      ::MoveFileExW, ::DeleteFileW,     ::SetFileInformationByHandle,
};

HANDLE handleOf(outputsystem::Handle value) { return reinterpret_cast<HANDLE>(value); }

// A path in the program's code page as the wide calls take it.
std::wstring wide(const std::string& text) {
    if (text.empty()) return {};
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(), length);
    return result;
}

// The form of a path that no length limit below the system's own applies to.
std::wstring longForm(const std::string& path) {
    const std::wstring given = wide(path);
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

}  // namespace

const FileSystemCalls& systemFileSystemCalls() { return systemCalls; }

namespace outputsystem {

Error checkDestination(const std::string& destination, Existing& existing) {
    if (destination.empty()) return ERROR_PATH_NOT_FOUND;
    // The program's 8-bit paths end at MAX_PATH, as Windows' own 8-bit calls refuse longer ones;
    // refused here, before anything is written, also where the system would take it (Wine
    // does) or only the wide calls for the temporary would meet it.
    if (fullPathOf(destination).size() >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
    // An existing output is opened for writing once, the way writing over it would open it, so
    // that a read-only file, one the user may not change and one another program holds open are
    // refused before anything is written, as they would be without the temporary.
    const DWORD attributes = ::GetFileAttributesA(destination.c_str());
    existing.replacing = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (!existing.replacing) return 0;
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

Error createNamed(const std::string& path, Handle& handle, bool& vanishesOnClose) {
    const HANDLE file = fileSystemCalls().createFile(longForm(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                                     nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ::GetLastError();
    handle = reinterpret_cast<Handle>(file);
    // A file system without dispositions (rare) still gets a whole output; its temporary is
    // then removed by the program alone.
    vanishesOnClose = setDeleteOnClose(file, true) != FALSE;
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

Error close(Handle handle) { return fileSystemCalls().closeHandle(handleOf(handle)) ? 0 : ::GetLastError(); }

Error link(Handle, const std::string&) { return ERROR_NOT_SUPPORTED; }

Error keep(Handle handle) { return setDeleteOnClose(handleOf(handle), false) ? 0 : ::GetLastError(); }

Error rename(const std::string& from, const std::string& to) {
    // MOVEFILE_WRITE_THROUGH returns only once the move itself is on the disk.
    return fileSystemCalls().moveFileEx(longForm(from).c_str(), wide(to).c_str(),
                                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : ::GetLastError();
}

void remove(const std::string& path) noexcept { fileSystemCalls().deleteFile(longForm(path).c_str()); }

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

std::string hostName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = sizeof name;
    if (!::GetComputerNameA(name, &length)) return {};
    return std::string(name, length);
}

std::uint32_t processId() { return ::GetCurrentProcessId(); }

bool processGone(std::uint32_t id) {
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, id);
    if (process == nullptr) {
        const DWORD error = ::GetLastError();
        return error == ERROR_INVALID_PARAMETER;  // no such process; ACCESS_DENIED: it runs
    }
    const bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    ::CloseHandle(process);
    return ended;
}

int watchTemporary(const std::string&, const std::string&) noexcept { return -1; }

void forgetTemporary(int) noexcept {}

}  // namespace outputsystem

void removeTemporariesOnSignals() {}

}  // namespace quillane
