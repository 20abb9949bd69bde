#include "qt/DesktopApp.h"

#include "qt/AboutDialog.h"
#include "qt/BuildVersion.h"
#include "qt/SystemDialogs.h"
#include "qt/MainDialog.h"
#include "qt/SettingsStore.h"

#include <QApplication>
#include <QIcon>
#include <QStringList>

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

std::vector<std::string> startupFiles(const QStringList& arguments) {
    std::vector<std::string> files;
    for (qsizetype i = 1; i < arguments.size(); ++i) files.push_back(arguments.at(i).toStdString());
    return files;
}

bool DesktopApp::InitInstance() {
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quillane.ico")));
    {
        // "Open with": the files the program is started with are in the list from the start.
        MainDialog window(systemWindowServices(), startupFiles(QCoreApplication::arguments()));
        window.exec();  // ends only through Cancel, Escape or the close box
    }
    return false;
}

}  // namespace quillane
