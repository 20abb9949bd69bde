#include "app/FolderBrowser.h"

#include "split/SplitHost.h"

#include <utility>

namespace quillane {

FolderBrowser::FolderBrowser(WindowHandle owner, const std::string& title, FolderChooser& chooser,
                             SplitPlatform& platform)
    : titleText(title.substr(0, 259)), owner_(owner), chooser_(chooser), platform_(platform) {}

bool FolderBrowser::Browse() {
    const std::string preselect = !initialFolder.empty() && canEnter(initialFolder) ? initialFolder : std::string();
    std::optional<std::string> chosen = chooser_.chooseFolder(owner_, titleText, preselect);
    if (!chosen) return false;
    selectedPath = std::move(*chosen);
    return true;
}

// The test the split run makes of its output folder: change into it and back. Without a
// directory to come back to, the process stays where it is and nothing is preselected.
bool FolderBrowser::canEnter(const std::string& folder) {
    const std::string saved = platform_.currentDirectory();
    if (saved.empty()) return false;
    const bool entered = platform_.changeDirectory(folder);
    if (entered) platform_.changeDirectory(saved);
    return entered;
}

}  // namespace quillane
