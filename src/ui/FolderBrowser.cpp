#include "ui/FolderBrowser.h"

#include "split/SplitHost.h"

#include <QFileDialog>

#include <utility>

namespace quillane {
namespace {

class QtFolderChooser final : public FolderChooser {
public:
    std::optional<std::string> chooseFolder(QWidget* owner, const std::string& title,
                                            const std::string& preselect) override {
        QFileDialog dialog(owner, QString::fromStdString(title));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        if (!preselect.empty()) dialog.setDirectory(QString::fromStdString(preselect));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        return dialog.selectedFiles().constFirst().toStdString();
    }
};

}  // namespace

FolderChooser& systemFolderChooser() {
    static QtFolderChooser chooser;
    return chooser;
}

FolderBrowser::FolderBrowser(QWidget* owner, std::string title, FolderChooser& chooser, SplitPlatform& platform)
    : titleText(std::move(title)), owner_(owner), chooser_(chooser), platform_(platform) {}

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
