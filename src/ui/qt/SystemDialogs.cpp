#include "qt/SystemDialogs.h"

#include "qt/LocalPaths.h"

#include "platform/FolderListing.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include <algorithm>

namespace quillane {
namespace {

// Qt reads a filter's patterns from its last parentheses, and the labels carry parentheses
// of their own ("Tiff files (*.tif;*.tiff)"), so each label gets its patterns appended, apart
// by spaces as Qt wants them, and the dialog is told to hide them again. "*.*" stands for every
// file, as it does on Windows.
QString qtFilter(const FileFilter& filter) {
    const QString pattern = filter.pattern == "*.*" ? QStringLiteral("*")
                                                    : QString::fromStdString(filter.pattern).replace(QLatin1Char(';'), QLatin1Char(' '));
    return QString::fromStdString(filter.label) + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

// The bytes of a chosen path. A platform dialog hands the exact bytes over in its URL; Qt's own
// dialog knows names as text only, and one that is not UTF-8 is found again by its bytes.
std::string chosenPath(const QUrl& url) {
    std::string bytes = localPathBytes(url);
    const QString text = url.toLocalFile();
    if (pathKind(bytes) == PathKind::missing && text.contains(QChar::ReplacementCharacter)) return pathBytes(text);
    return bytes;
}

// Qt's own dialog checks that the chosen names exist by their text, and refuses a name that is
// not UTF-8 as not found: such names are checked by their bytes instead.
class PathDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    std::vector<std::string> chosen() const {
        std::vector<std::string> paths;
        for (const QUrl& url : selectedUrls()) paths.push_back(chosenPath(url));
        return paths;
    }

protected:
    void accept() override {
        const QStringList names = selectedFiles();
        const bool textLostBytes = std::any_of(names.begin(), names.end(), [](const QString& name) {
            return name.contains(QChar::ReplacementCharacter);
        });
        const std::vector<std::string> paths = chosen();
        const bool allThere = !paths.empty() && std::none_of(paths.begin(), paths.end(), [](const std::string& path) {
            return pathKind(path) == PathKind::missing;
        });
        // Past QFileDialog's own check, which would refuse the names it cannot find as text.
        if (textLostBytes && allThere) QDialog::accept();  // NOLINT(bugprone-parent-virtual-call)
        else QFileDialog::accept();
    }
};

}  // namespace

std::optional<std::vector<std::string>> QtFileChooser::chooseFiles(WindowHandle owner, const OpenFilesRequest& request) {
    PathDialog dialog(static_cast<QWidget*>(owner), QString::fromStdString(request.title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    QStringList filters;
    for (const FileFilter& filter : request.filters) filters << qtFilter(filter);
    dialog.setNameFilters(filters);
    if (request.selectedFilter >= 0 && request.selectedFilter < filters.size()) {
        dialog.selectNameFilter(filters[request.selectedFilter]);
    }
    if (!request.initialFolder.empty()) dialog.setDirectory(shownPath(request.initialFolder));
    if (!request.initialFile.empty()) dialog.selectFile(shownPath(request.initialFile));

    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    std::vector<std::string> paths = dialog.chosen();
    if (paths.empty()) return std::nullopt;
    return paths;
}

std::optional<std::string> QtFolderChooser::chooseFolder(WindowHandle owner, const std::string& title,
                                                         const std::string& preselect) {
    PathDialog dialog(static_cast<QWidget*>(owner), QString::fromStdString(title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (!preselect.empty()) dialog.setDirectory(shownPath(preselect));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const std::vector<std::string> paths = dialog.chosen();
    if (paths.empty()) return std::nullopt;
    return paths.front();
}

void QtMessageBoxes::show(WindowHandle owner, const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok,
                    static_cast<QWidget*>(owner));
    box.setTextFormat(Qt::PlainText);  // paths and reasons are shown as they are
    box.exec();
}

}  // namespace quillane
