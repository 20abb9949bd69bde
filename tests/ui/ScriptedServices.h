#pragma once

#include "split/SplitHost.h"
#include "ui/FileChooser.h"
#include "ui/FolderBrowser.h"
#include "ui/MainWindow.h"
#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QTimer>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillane::testing {

// Answers the file dialog from a script and keeps what it was asked.
class ScriptedFileChooser : public FileChooser {
public:
    std::deque<std::optional<std::vector<std::string>>> answers;
    std::vector<OpenFilesRequest> requests;

    std::optional<std::vector<std::string>> chooseFiles(QWidget*, const OpenFilesRequest& request) override;
};

// Answers the folder dialog from a script and keeps what it was asked.
class ScriptedFolderChooser : public FolderChooser {
public:
    std::deque<std::optional<std::string>> answers;
    std::vector<std::string> titles;
    std::vector<std::string> preselections;

    std::optional<std::string> chooseFolder(QWidget*, const std::string& title, const std::string& preselect) override;
};

// A message as it was shown, with what the window showed meanwhile.
struct ShownMessage {
    std::string text;
    std::string caption;
    bool ownedByWindow = false;
    int progress = -1;
    std::string status;
};

class RecordingMessageBoxes : public MessageBoxes {
public:
    std::vector<ShownMessage> shown;
    void show(QWidget* owner, const std::string& text, const std::string& caption) override;
};

// The process's real directories, without the pause after each file.
class NoPausePlatform : public SplitPlatform {
public:
    std::vector<int> pauses;
    std::string currentDirectory() override { return systemSplitPlatform().currentDirectory(); }
    bool changeDirectory(const std::string& path) override { return systemSplitPlatform().changeDirectory(path); }
    void pause(int milliseconds) override { pauses.push_back(milliseconds); }
};

// The settings store the windows use, emptied.
void clearStore();
std::string stored(const char* name);
void store(const char* name, const std::string& value);

// Runs `action`, which is expected to open a modal dialog of type Dialog; `inspect` sees it
// while it is open, then it is closed. Returns how many such dialogs appeared.
template <class Dialog>
int whileModal(const std::function<void()>& action, const std::function<void(Dialog&)>& inspect) {
    int seen = 0;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget()); dialog && dialog->isVisible()) {
            ++seen;
            inspect(*dialog);
            dialog->reject();
        }
    });
    poll.start();
    action();
    poll.stop();
    return seen;
}

}  // namespace quillane::testing
