#pragma once

#include "app/MainWindow.h"

#include <string>
#include <vector>


namespace quillane {

// The application: shows the main window modally and ends the program when it closes.
class DesktopApp {
public:
    // Runs the main window; returns false, so that the program ends rather than entering a
    // message loop of its own.
    bool InitInstance();

    // The files the window starts with ("Open with").
    std::vector<std::string> startupFiles;
};

// The files named on the command line, after QApplication has taken its own options out of
// argv: their bytes as the system gave them, which QCoreApplication::arguments() would decode.
std::vector<std::string> startupFiles(int argc, const char* const* argv);

// The real choosers, message boxes, About box, settings store, version and process.
WindowServices systemWindowServices();

}  // namespace quillane
