#include "qt/SystemDialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace quillane {
namespace {

// Qt reads a filter's patterns from its last parentheses, and the labels carry parentheses
// of their own ("Tiff files (.tif)"), so each label gets its patterns appended and the dialog
// is told to hide them again. "*.*" stands for every file, as it does on Windows.
QString qtFilter(const FileFilter& filter) {
    const QString pattern = filter.pattern == "*.*" ? QStringLiteral("*") : QString::fromStdString(filter.pattern);
    return QString::fromStdString(filter.label) + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

}  // namespace

std::optional<std::vector<std::string>> QtFileChooser::chooseFiles(WindowHandle owner, const OpenFilesRequest& request) {
    QFileDialog dialog(static_cast<QWidget*>(owner), QString::fromStdString(request.title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    QStringList filters;
    for (const FileFilter& filter : request.filters) filters << qtFilter(filter);
    dialog.setNameFilters(filters);
    if (request.selectedFilter >= 0 && request.selectedFilter < filters.size()) {
        dialog.selectNameFilter(filters[request.selectedFilter]);
    }
    if (!request.initialFolder.empty()) dialog.setDirectory(QString::fromStdString(request.initialFolder));
    if (!request.initialFile.empty()) dialog.selectFile(QString::fromStdString(request.initialFile));

    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    std::vector<std::string> paths;
    for (const QString& path : dialog.selectedFiles()) paths.push_back(path.toStdString());
    if (paths.empty()) return std::nullopt;
    return paths;
}

std::optional<std::string> QtFolderChooser::chooseFolder(WindowHandle owner, const std::string& title,
                                                         const std::string& preselect) {
    QFileDialog dialog(static_cast<QWidget*>(owner), QString::fromStdString(title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (!preselect.empty()) dialog.setDirectory(QString::fromStdString(preselect));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst().toStdString();
}

void QtMessageBoxes::show(WindowHandle owner, const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok,
                    static_cast<QWidget*>(owner));
    box.setTextFormat(Qt::PlainText);  // paths and reasons are shown as they are
    box.exec();
}

}  // namespace quillane
