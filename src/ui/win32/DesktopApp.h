#pragma once

#include "app/MainWindow.h"

namespace quillane {

// The application: shows the main window modally and ends the program when it closes.
class DesktopApp {
public:
    // Runs the main window; returns false, so that the program ends rather than entering a
    // message loop of its own.
    bool InitInstance();
};

// The real choosers, message boxes, About box, registry, version resource and process.
WindowServices systemWindowServices();

}  // namespace quillane
