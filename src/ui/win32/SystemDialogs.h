#pragma once

#include "app/Choosers.h"

namespace quillane {

// The system's file dialog (IFileOpenDialog), multiple selection: the chosen files come back as
// a list of items, however many there are, where the older dialog fitted their names into a
// buffer of a fixed size. A chosen file whose name cannot be listed is named in a message box.
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

}  // namespace quillane
