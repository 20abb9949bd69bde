#include "platform/FileLocation.h"

#include <windows.h>

namespace quillane {
namespace {

// NTFS and FAT compare names without regard to case; the code page's own upper case keeps the
// trail bytes of double-byte characters as they are.
std::string upperCase(std::string name) {
    if (!name.empty()) CharUpperBuffA(name.data(), static_cast<DWORD>(name.size()));
    return name;
}

}  // namespace

std::string locationKey(const std::string& folder, const std::string& name) {
    const std::string folded = upperCase(name);
    // A folder is opened only to be identified: no access rights, every sharing mode.
    HANDLE handle = CreateFileA(folder.empty() ? "." : folder.c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return "spelt " + upperCase(folder) + '\\' + folded;
    BY_HANDLE_FILE_INFORMATION information{};
    const BOOL known = GetFileInformationByHandle(handle, &information);
    CloseHandle(handle);
    if (!known) return "spelt " + upperCase(folder) + '\\' + folded;
    return "folder " + std::to_string(information.dwVolumeSerialNumber) + ':' +
           std::to_string(information.nFileIndexHigh) + ':' + std::to_string(information.nFileIndexLow) + '\\' + folded;
}

}  // namespace quillane
