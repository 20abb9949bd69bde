#pragma once

#include <optional>
#include <string>

class QWidget;

namespace quillane {

class SplitPlatform;

// The system's folder dialog, behind an interface tests can answer.
class FolderChooser {
public:
    virtual ~FolderChooser() = default;
    // The chosen folder's path, or nothing when cancelled. `preselect` is the folder to open
    // on, empty for the dialog's own choice.
    virtual std::optional<std::string> chooseFolder(QWidget* owner, const std::string& title,
                                                    const std::string& preselect) = 0;
};

// Qt's folder dialog, modal over `owner`.
FolderChooser& systemFolderChooser();

// One use of the folder dialog: set `initialFolder`, call Browse, read `selectedPath`.
class FolderBrowser {
public:
    FolderBrowser(QWidget* owner, std::string title, FolderChooser& chooser, SplitPlatform& platform);

    // True when the user chose a folder; `selectedPath` then holds it. `initialFolder` is
    // preselected only when it can be entered.
    bool Browse();

    std::string titleText;
    std::string selectedPath;
    std::string initialFolder;

private:
    bool canEnter(const std::string& folder);

    QWidget* owner_;
    FolderChooser& chooser_;
    SplitPlatform& platform_;
};

}  // namespace quillane
