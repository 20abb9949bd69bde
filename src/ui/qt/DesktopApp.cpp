#include "qt/DesktopApp.h"

#include "qt/AboutDialog.h"
#include "qt/BuildVersion.h"
#include "qt/SystemDialogs.h"
#include "qt/MainDialog.h"
#include "qt/SettingsStore.h"

#include <QApplication>
#include <QIcon>

namespace quillane {

WindowServices systemWindowServices() {
    static QtFileChooser files;
    static QtFolderChooser folders;
    static QtMessageBoxes messages;
    static QtAboutBoxDialog about;
    static BuildVersionSource version;
    // The store is named by the organisation path and the application's name, which Qt takes
    // from the executable's file name.
    static QtSettingsStore settings;
    return {&files, &folders, &messages, &about, &settings, &version, &systemSplitPlatform()};
}

std::vector<std::string> startupFiles(int argc, const char* const* argv) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) files.emplace_back(argv[i]);
    return files;
}

bool DesktopApp::InitInstance() {
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quillane.ico")));
    {
        // "Open with": the files the program is started with are in the list from the start.
        MainDialog window(systemWindowServices(), startupFiles);
        window.exec();  // ends only through Cancel, Escape or the close box
    }
    return false;
}

}  // namespace quillane
