#pragma once

#include "app/Choosers.h"

#include <string_view>

namespace quillane {

// The common open-file dialog (GetOpenFileNameA), Explorer style, multiple selection.
class NativeFileChooser final : public FileChooser {
public:
    std::optional<std::vector<std::string>> chooseFiles(WindowHandle owner, const OpenFilesRequest& request) override;
};

// The shell's folder browser (SHBrowseForFolderA), opened on the preselected folder.
class NativeFolderChooser final : public FolderChooser {
public:
    std::optional<std::string> chooseFolder(WindowHandle owner, const std::string& title,
                                            const std::string& preselect) override;
};

// MessageBoxA with MB_OK.
class NativeMessageBoxes final : public MessageBoxes {
public:
    void show(WindowHandle owner, const std::string& text, const std::string& caption) override;
};

// The paths an Explorer-style open-file dialog returned in its buffer: one full path, or a
// folder and then the names in it, each ended by a zero and the list by a second one.
std::vector<std::string> chosenPaths(std::string_view buffer);

// "label\0pattern\0...\0\0", the filter list the open-file dialog reads.
std::string filterList(const std::vector<FileFilter>& filters);

}  // namespace quillane
