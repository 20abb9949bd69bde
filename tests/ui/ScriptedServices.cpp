#include "ScriptedServices.h"

#include "ui/SettingsStore.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QSettings>

namespace quillane::testing {

std::optional<std::vector<std::string>> ScriptedFileChooser::chooseFiles(QWidget*, const OpenFilesRequest& request) {
    requests.push_back(request);
    if (answers.empty()) return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedFolderChooser::chooseFolder(QWidget*, const std::string& title,
                                                               const std::string& preselect) {
    titles.push_back(title);
    preselections.push_back(preselect);
    if (answers.empty()) return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
}

void RecordingMessageBoxes::show(QWidget* owner, const std::string& text, const std::string& caption) {
    ShownMessage message;
    message.text = text;
    message.caption = caption;
    if (auto* window = dynamic_cast<MainWindow*>(owner)) {
        message.ownedByWindow = true;
        message.progress = window->progressBar->value();
        message.status = static_cast<QLineEdit*>(window->controls().control(1015))->text().toStdString();
    }
    shown.push_back(message);
}

void clearStore() {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QString::fromUtf8(SettingsStore::organisation),
                       QStringLiteral("quillane"));
    settings.clear();
    settings.sync();
}

std::string stored(const char* name) {
    return SettingsStore().read(name, "<missing>");
}

void store(const char* name, const std::string& value) {
    SettingsStore().write(name, value);
}

}  // namespace quillane::testing
