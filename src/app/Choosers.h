#pragma once

#include "app/DialogControls.h"

#include <optional>
#include <string>
#include <vector>

namespace quillane {

struct FileFilter {
    std::string label;    // what the user reads, such as "Tiff files (*.tif;*.tiff)"
    std::string pattern;  // what it matches, such as "*.tif;*.tiff" (patterns apart by ";"); "*.*" matches every file
};

// What the open-file dialog is asked to show.
struct OpenFilesRequest {
    std::string title;
    std::vector<FileFilter> filters;
    int selectedFilter = 0;
    std::string initialFolder;  // empty: the dialog's own choice
    std::string initialFile;    // preset in the name box, a full path or a name; empty for none
    bool multipleSelection = false;
};

// The system's open-file dialog.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    // The chosen files' full paths in the order the dialog reports them; nothing when the
    // dialog was cancelled or failed.
    virtual std::optional<std::vector<std::string>> chooseFiles(WindowHandle owner, const OpenFilesRequest& request) = 0;
};

// The system's folder dialog.
class FolderChooser {
public:
    virtual ~FolderChooser() = default;
    // The chosen folder's path, or nothing when cancelled. `preselect` is the folder to open
    // on, empty for the dialog's own choice.
    virtual std::optional<std::string> chooseFolder(WindowHandle owner, const std::string& title,
                                                    const std::string& preselect) = 0;
};

// Modal message boxes with an OK button only and no icon.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Returns when the user has dismissed the box.
    virtual void show(WindowHandle owner, const std::string& text, const std::string& caption) = 0;
};

}  // namespace quillane
