#pragma once

#include "app/Choosers.h"

#include <string>

namespace quillane {

class SplitPlatform;

// One use of the folder dialog: set `initialFolder`, call Browse, read `selectedPath`.
class FolderBrowser {
public:
    // The title keeps at most 259 characters, as the dialog's title buffer does.
    FolderBrowser(WindowHandle owner, const std::string& title, FolderChooser& chooser, SplitPlatform& platform);

    // True when the user chose a folder; `selectedPath` then holds it. `initialFolder` is
    // preselected only when it can be entered.
    bool Browse();

    std::string titleText;
    std::string selectedPath;
    std::string initialFolder;

private:
    bool canEnter(const std::string& folder);

    WindowHandle owner_;
    FolderChooser& chooser_;
    SplitPlatform& platform_;
};

}  // namespace quillane
