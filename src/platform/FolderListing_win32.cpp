#include "platform/FolderListing.h"

#include "platform/CodePage.h"

#include <windows.h>
#include <shlwapi.h>

#include <string>

namespace quillane {

// The ANSI calls, as everywhere in the program: std::filesystem would take and give the paths
// in another encoding.
PathKind pathKind(const std::string& path) {
    if (path.empty()) return PathKind::missing;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::missing;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::folder;
    if (attributes & FILE_ATTRIBUTE_DEVICE) return PathKind::other;
    return PathKind::file;
}

std::vector<std::string> filesInFolder(const std::string& folder) {
    std::vector<std::string> files;
    if (folder.empty()) return files;
    const char last = folder.back();
    const std::string prefix = (last == '\\' || last == '/') ? folder : folder + '\\';
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((prefix + '*').c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
        if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) {
            files.push_back(prefix + found.cFileName);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}

// Explorer's own order: StrCmpLogicalW, numbers by value and letters without regard to case.
// Names it holds level keep a fixed order by their bytes.
bool namedBefore(const std::string& a, const std::string& b) {
    const int c = StrCmpLogicalW(wideText(a).c_str(), wideText(b).c_str());
    return c != 0 ? c < 0 : a < b;
}

}  // namespace quillane
