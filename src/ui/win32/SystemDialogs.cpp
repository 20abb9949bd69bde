#include "win32/SystemDialogs.h"

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

namespace quillane {
namespace {

constexpr std::size_t fileBufferSize = 40000;
constexpr std::size_t pathBufferSize = MAX_PATH;

// Opens the folder browser on the folder its parameter names.
int CALLBACK preselectFolder(HWND browser, UINT message, LPARAM, LPARAM data) {
    const auto* folder = reinterpret_cast<const char*>(data);
    if (message == BFFM_INITIALIZED && folder && *folder) {
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(folder));
    }
    return 0;
}

}  // namespace

std::vector<std::string> chosenPaths(std::string_view buffer) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start < buffer.size()) {
        const std::size_t end = buffer.find('\0', start);
        if (end == start || end == std::string_view::npos) break;
        parts.push_back(buffer.substr(start, end - start));
        start = end + 1;
    }
    if (parts.size() <= 1) return {parts.begin(), parts.end()};
    std::string folder(parts[0]);
    if (folder.back() != '\\') folder += '\\';
    std::vector<std::string> paths;
    for (std::size_t i = 1; i < parts.size(); ++i) paths.push_back(folder + std::string(parts[i]));
    return paths;
}

std::string filterList(const std::vector<FileFilter>& filters) {
    std::string list;
    for (const FileFilter& filter : filters) {
        list += filter.label;
        list += '\0';
        list += filter.pattern;
        list += '\0';
    }
    list += '\0';
    return list;
}

std::optional<std::vector<std::string>> NativeFileChooser::chooseFiles(WindowHandle owner,
                                                                       const OpenFilesRequest& request) {
    std::string files(fileBufferSize, '\0');
    files.replace(0, request.initialFile.size(), request.initialFile.substr(0, pathBufferSize));
    std::string initialFolder(pathBufferSize + 1, '\0');
    initialFolder.replace(0, request.initialFolder.size(), request.initialFolder.substr(0, pathBufferSize));
    const std::string filters = filterList(request.filters);

    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = static_cast<HWND>(owner);
    dialog.lpstrFilter = filters.c_str();
    dialog.nFilterIndex = static_cast<DWORD>(request.selectedFilter + 1);
    dialog.lpstrFile = files.data();
    dialog.nMaxFile = static_cast<DWORD>(files.size());
    dialog.lpstrInitialDir = initialFolder.c_str();
    dialog.lpstrTitle = request.title.c_str();
    dialog.Flags = OFN_ENABLESIZING | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (request.multipleSelection) dialog.Flags |= OFN_ALLOWMULTISELECT;

    // Cancelled, or failed (say, the names did not fit the buffer): nothing chosen.
    if (!GetOpenFileNameA(&dialog)) return std::nullopt;
    std::vector<std::string> paths = chosenPaths(files);
    if (paths.empty()) return std::nullopt;
    return paths;
}

std::optional<std::string> NativeFolderChooser::chooseFolder(WindowHandle owner, const std::string& title,
                                                             const std::string& preselect) {
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator) return std::nullopt;

    std::string titleText = title.substr(0, pathBufferSize - 1);
    char displayName[pathBufferSize] = {};
    BROWSEINFOA browse{};
    browse.hwndOwner = static_cast<HWND>(owner);
    browse.pszDisplayName = displayName;
    browse.lpszTitle = titleText.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
    if (!preselect.empty()) {
        browse.lpfn = preselectFolder;
        browse.lParam = reinterpret_cast<LPARAM>(preselect.c_str());
    }

    std::optional<std::string> chosen;
    if (LPITEMIDLIST item = SHBrowseForFolderA(&browse)) {
        char path[pathBufferSize] = {};
        if (SHGetPathFromIDListA(item, path)) chosen = std::string(path);
        allocator->Free(item);
    }
    allocator->Release();
    return chosen;
}

void NativeMessageBoxes::show(WindowHandle owner, const std::string& text, const std::string& caption) {
    MessageBoxA(static_cast<HWND>(owner), text.c_str(), caption.c_str(), MB_OK);
}

}  // namespace quillane
