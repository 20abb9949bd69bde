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

bool DesktopApp::InitInstance() {
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quillane.ico")));
    {
        MainDialog window(systemWindowServices());
        window.exec();  // ends only through Cancel, Escape or the close box
    }
    return false;
}

}  // namespace quillane
