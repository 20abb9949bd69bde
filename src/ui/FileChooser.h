#pragma once

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace quillane {

struct FileFilter {
    std::string label;    // what the user reads, such as "Tiff files (.tif)"
    std::string pattern;  // what it matches, such as "*.tif"; "*.*" matches every file
};

// What an open-file dialog is asked to show.
struct OpenFilesRequest {
    std::string title;
    std::vector<FileFilter> filters;
    int selectedFilter = 0;
    std::string initialFolder;  // empty: the dialog's own choice
    std::string initialName;    // file name preset in the dialog, empty for none
    bool multipleSelection = false;
};

// The system's open-file dialog, behind an interface tests can answer.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    // The chosen files' full paths in the order the dialog reports them; nothing when cancelled.
    virtual std::optional<std::vector<std::string>> chooseFiles(QWidget* owner, const OpenFilesRequest& request) = 0;
};

// Qt's file dialog, modal over `owner`.
FileChooser& systemFileChooser();

}  // namespace quillane
