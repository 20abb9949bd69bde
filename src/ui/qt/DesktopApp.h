#pragma once

#include "app/MainWindow.h"

#include <string>
#include <vector>

#include <QStringList>

namespace quillane {

// The application: shows the main window modally and ends the program when it closes.
class DesktopApp {
public:
    // Runs the main window; returns false, so that the program ends rather than entering a
    // message loop of its own.
    bool InitInstance();
};

// The files named on the command line (Qt's own options already taken out), which the window
// starts with.
std::vector<std::string> startupFiles(const QStringList& arguments);

// The real choosers, message boxes, About box, settings store, version and process.
WindowServices systemWindowServices();

}  // namespace quillane
