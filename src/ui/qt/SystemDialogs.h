#pragma once

#include "app/Choosers.h"

namespace quillane {

// Qt's open-file dialog, modal over its owner.
class QtFileChooser final : public FileChooser {
public:
    std::optional<std::vector<std::string>> chooseFiles(WindowHandle owner, const OpenFilesRequest& request) override;
};

// Qt's folder dialog, modal over its owner.
class QtFolderChooser final : public FolderChooser {
public:
    std::optional<std::string> chooseFolder(WindowHandle owner, const std::string& title,
                                            const std::string& preselect) override;
};

// Qt's message box with OK only and no icon, modal over its owner.
class QtMessageBoxes final : public MessageBoxes {
public:
    void show(WindowHandle owner, const std::string& text, const std::string& caption) override;
};

}  // namespace quillane
