#include "win32/VersionResource.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace quillane {

VersionResource NativeVersionSource::load() {
    VersionResource resource;
    char path[MAX_PATH] = {};
    if (GetModuleFileNameA(nullptr, path, MAX_PATH) == 0) return resource;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0) return resource;
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(path, 0, size, block.data())) return resource;

    void* fixed = nullptr;
    UINT fixedLength = 0;
    if (VerQueryValueA(block.data(), "\\", &fixed, &fixedLength) && fixed && fixedLength >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
        resource.productVersion = FixedVersion{HIWORD(info->dwProductVersionMS), LOWORD(info->dwProductVersionMS),
                                               HIWORD(info->dwProductVersionLS), LOWORD(info->dwProductVersionLS)};
    }

    void* translation = nullptr;
    UINT translationLength = 0;
    if (VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &translation, &translationLength) && translation &&
        translationLength >= 4) {
        const auto* words = static_cast<const WORD*>(translation);
        char query[64];
        std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\LegalCopyright", words[0], words[1]);
        void* legal = nullptr;
        UINT legalLength = 0;
        if (VerQueryValueA(block.data(), query, &legal, &legalLength) && legal) {
            resource.legalCopyright = std::string(static_cast<const char*>(legal));
        }
    }
    return resource;
}

}  // namespace quillane
