#pragma once

#include "app/MainWindow.h"

#include <string>
#include <vector>

namespace quillane {

// The application: shows the main window modally and ends the program when it closes.
class DesktopApp {
public:
    // The files named on the command line ("Open with"), which the window starts with.
    std::vector<std::string> startupFiles;

    // Runs the main window; returns false, so that the program ends rather than entering a
    // message loop of its own.
    bool InitInstance();
};

// The real choosers, message boxes, About box, registry, version resource and process.
WindowServices systemWindowServices();

}  // namespace quillane
