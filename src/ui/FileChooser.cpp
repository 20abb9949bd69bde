#include "ui/FileChooser.h"

#include <QFileDialog>
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

class QtFileChooser final : public FileChooser {
public:
    std::optional<std::vector<std::string>> chooseFiles(QWidget* owner, const OpenFilesRequest& request) override {
        QFileDialog dialog(owner, QString::fromStdString(request.title));
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
        if (!request.initialName.empty()) dialog.selectFile(QString::fromStdString(request.initialName));

        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        std::vector<std::string> paths;
        for (const QString& path : dialog.selectedFiles()) paths.push_back(path.toStdString());
        if (paths.empty()) return std::nullopt;
        return paths;
    }
};

}  // namespace

FileChooser& systemFileChooser() {
    static QtFileChooser chooser;
    return chooser;
}

}  // namespace quillane
