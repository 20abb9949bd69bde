#include "win32/SystemDialogs.h"

#include "platform/CodePage.h"
#include "split/OutputNaming.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillane {
namespace {

constexpr std::size_t pathBufferSize = MAX_PATH;
constexpr std::size_t namesShownAtMost = 10;

// Opens the folder browser on the folder its parameter names.
int CALLBACK preselectFolder(HWND browser, UINT message, LPARAM, LPARAM data) {
    const auto* folder = reinterpret_cast<const char*>(data);
    if (message == BFFM_INITIALIZED && folder && *folder) {
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(folder));
    }
    return 0;
}

// A COM object released when the holder goes.
template <class T>
struct Releases {
    void operator()(T* object) const { object->Release(); }
};
template <class T>
using Held = std::unique_ptr<T, Releases<T>>;

// The program's 8-bit form of a path, or nothing when that form would not name the same file
// again (a character the code page lacks).
std::optional<std::string> programText(const std::wstring& path) {
    const int length = WideCharToMultiByte(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_ACP, 0, path.data(), static_cast<int>(path.size()), result.data(), length, nullptr, nullptr);
    if (wideText(result) != path) return std::nullopt;
    return result;
}

// The folder the dialog opens on and the name it shows: those of the remembered file when it
// names its folder, else the remembered folder and the name as it is.
void presetFolderAndName(IFileOpenDialog& dialog, const OpenFilesRequest& request) {
    const std::string fileFolder = DriveAndDirectory(request.initialFile, PathStyle::windows);
    const std::string folder = fileFolder.empty() ? request.initialFolder : fileFolder;
    IShellItem* item = nullptr;
    if (!folder.empty() && SUCCEEDED(SHCreateItemFromParsingName(wideText(folder).c_str(), nullptr, IID_PPV_ARGS(&item)))) {
        const Held<IShellItem> held(item);
        dialog.SetFolder(item);
    }
    const std::string name = request.initialFile.substr(fileFolder.size());
    if (!name.empty()) dialog.SetFileName(wideText(name).c_str());
}

// The chosen files' paths in the dialog's order; the names that cannot be listed go to `unlisted`.
std::vector<std::string> chosenPaths(IFileOpenDialog& dialog, std::vector<std::wstring>& unlisted) {
    std::vector<std::string> paths;
    IShellItemArray* results = nullptr;
    if (FAILED(dialog.GetResults(&results))) return paths;
    const Held<IShellItemArray> chosen(results);
    DWORD count = 0;
    if (FAILED(chosen->GetCount(&count))) return paths;
    for (DWORD i = 0; i < count; ++i) {
        IShellItem* item = nullptr;
        if (FAILED(chosen->GetItemAt(i, &item))) continue;
        const Held<IShellItem> held(item);
        PWSTR path = nullptr;
        if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) continue;
        const std::wstring name(path);
        CoTaskMemFree(path);
        if (std::optional<std::string> listed = programText(name)) paths.push_back(std::move(*listed));
        else unlisted.push_back(name);
    }
    return paths;
}

void sayUnlisted(HWND owner, const std::vector<std::wstring>& unlisted, const std::string& caption) {
    std::wstring text = L"These chosen files cannot be listed, as their names cannot be written in this program's text:\n";
    for (std::size_t i = 0; i < unlisted.size() && i < namesShownAtMost; ++i) text += L"\n" + unlisted[i];
    if (unlisted.size() > namesShownAtMost)
        text += L"\n... and " + std::to_wstring(unlisted.size() - namesShownAtMost) + L" more";
    MessageBoxW(owner, text.c_str(), wideText(caption).c_str(), MB_OK);
}

}  // namespace

std::optional<std::vector<std::string>> NativeFileChooser::chooseFiles(WindowHandle owner,
                                                                       const OpenFilesRequest& request) {
    // The program has COM on this thread already (OleInitialize); this holds it for callers without.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    std::optional<std::vector<std::string>> chosen;
    IFileOpenDialog* opened = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&opened)))) {
        const Held<IFileOpenDialog> dialog(opened);
        FILEOPENDIALOGOPTIONS options = 0;
        dialog->GetOptions(&options);
        options |= FOS_FORCEFILESYSTEM | FOS_NOCHANGEDIR;
        if (request.multipleSelection) options |= FOS_ALLOWMULTISELECT;
        dialog->SetOptions(options);
        dialog->SetTitle(wideText(request.title).c_str());

        std::vector<std::wstring> texts;  // made whole before the filters point into it
        for (const FileFilter& filter : request.filters) {
            texts.push_back(wideText(filter.label));
            texts.push_back(wideText(filter.pattern));
        }
        std::vector<COMDLG_FILTERSPEC> filters;
        for (std::size_t i = 0; i + 1 < texts.size(); i += 2) filters.push_back({texts[i].c_str(), texts[i + 1].c_str()});
        dialog->SetFileTypes(static_cast<UINT>(filters.size()), filters.data());
        dialog->SetFileTypeIndex(static_cast<UINT>(request.selectedFilter + 1));
        presetFolderAndName(*dialog, request);

        // Cancelled, or failed: nothing chosen.
        if (SUCCEEDED(dialog->Show(static_cast<HWND>(owner)))) {
            std::vector<std::wstring> unlisted;
            std::vector<std::string> paths = chosenPaths(*dialog, unlisted);
            if (!unlisted.empty()) sayUnlisted(static_cast<HWND>(owner), unlisted, request.title);
            if (!paths.empty()) chosen = std::move(paths);
        }
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return chosen;
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
