#include "platform/FileLocation.h"

#include <cstring>

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

// Windows takes every folder to ignore case without asking it.
void learnCaseWithoutWriting() {}

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

std::optional<FileIdentity> fileIdentity(const std::string& path) {
    if (path.empty()) return std::nullopt;
    const HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<FileIdentity> identity;
    // ReFS numbers files in 128 bits; older systems (and Wine) know only the 64-bit number.
    FILE_ID_INFO id{};
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id)) {
        std::uint64_t halves[2] = {};
        static_assert(sizeof halves == sizeof id.FileId.Identifier);
        std::memcpy(halves, id.FileId.Identifier, sizeof halves);
        identity = FileIdentity{id.VolumeSerialNumber, halves[1], halves[0]};
    } else if (GetFileInformationByHandle(handle, &information)) {
        identity = FileIdentity{information.dwVolumeSerialNumber, 0,
                                (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
    }
    CloseHandle(handle);
    return identity;
}

}  // namespace quillane
